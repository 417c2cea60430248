// The channel-by-channel operations every colour class shares: assignment
// from a colour of exactly the same class, cloning and the integer text
// form. Used by the colour classes only.
#pragma once

#include <array>
#include <memory>
#include <ostream>
#include <typeinfo>

#include "devseries/color/abstract_color.h"
#include "devseries/color/color_exceptions.h"

namespace devseries {

namespace color_internal {

// Copies every channel of `other` into `self` in ascending order when both
// are of exactly the same class; otherwise throws
// ColorSpaceNotMatchException and leaves `self` as it was.
template <typename Color>
AbstractColor& AssignChannels(Color& self, const AbstractColor& other) {
  if (typeid(other) != typeid(self)) {
    throw ColorSpaceNotMatchException(self.GetColorSpaceName(),
                                      other.GetColorSpaceName());
  }
  for (int i = 0; i < Color::kChannelCount; ++i) {
    self.SetValue(i, other.GetValue(i));
  }
  return self;
}

// A new colour of the same class holding the same channels; the caller owns
// it.
template <typename Color>
AbstractColor* CloneChannels(const Color& self) {
  auto copy = std::make_unique<Color>();
  for (int i = 0; i < Color::kChannelCount; ++i) {
    copy->SetValue(i, self.GetValue(i));
  }
  return copy.release();
}

// The header line, then one line per channel: its label immediately
// followed by the value truncated to an integer.
template <typename Color>
void PrintIntegerChannels(
    const Color& self, std::ostream& os, const char* header,
    const std::array<const char*, Color::kChannelCount>& labels) {
  os << header << std::endl;
  for (int i = 0; i < Color::kChannelCount; ++i) {
    os << labels[i] << static_cast<int>(self.GetValue(i)) << std::endl;
  }
}

}  // namespace color_internal

}  // namespace devseries
