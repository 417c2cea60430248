// Channel access and text form of the 8-bit colour classes (unsigned byte
// per channel), written once over each class's table of channel members.
// None of the colour classes derives from another, so the code they share
// reaches their channels through these templates rather than a common base.
// Used by the colour classes only.
#pragma once

#include <cstdint>
#include <ostream>
#include <type_traits>

#include "devseries/color/color_exceptions.h"
#include "devseries/color/internal/channel_byte.h"
#include "devseries/color/internal/channel_copy.h"

namespace devseries {

namespace color_internal {

// The channels of the 8-bit colour class `Color`. Each class specialises this
// in its own .cc file and befriends the specialisation (its channels are
// private), giving, in channel-index order:
//   static constexpr std::array<std::uint8_t Color::*, Color::kChannelCount>
//       kMembers;                         // the channel members
//   static constexpr const char* kHeader;  // first line of the text form
//   static constexpr std::array<const char*, Color::kChannelCount>
//       kLabels;                          // label of each channel line
template <typename Color>
struct ByteChannelLayout;

// The storage of channel `nIndex` of `self` (const or not). Throws
// InvalidIndexException with the colour's space name when the index is
// outside its channels.
template <typename Color>
auto& ByteChannel(Color& self, int nIndex) {
  using Layout = ByteChannelLayout<std::remove_const_t<Color>>;
  static_assert(Layout::kMembers.size() == Color::kChannelCount);
  if (nIndex < 0 || nIndex >= Color::kChannelCount) {
    throw InvalidIndexException(self.GetColorSpaceName(), nIndex);
  }
  return self.*(Layout::kMembers[nIndex]);
}

// Stores `value` in channel `nIndex` as ChannelByteFromFloat converts it.
// Throws as ByteChannel, leaving the colour unchanged.
template <typename Color>
void SetByteChannel(Color& self, int nIndex, float value) {
  ByteChannel(self, nIndex) = ChannelByteFromFloat(value);
}

// The text form: the layout's header line, then each channel's label
// immediately followed by its value as a decimal integer.
template <typename Color>
void PrintByteChannels(const Color& self, std::ostream& os) {
  using Layout = ByteChannelLayout<Color>;
  PrintIntegerChannels(self, os, Layout::kHeader, Layout::kLabels);
}

}  // namespace color_internal

}  // namespace devseries
