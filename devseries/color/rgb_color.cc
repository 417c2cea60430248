#include "devseries/color/rgb_color.h"

#include <utility>

#include "devseries/color/color_exceptions.h"
#include "devseries/color/internal/channel_byte.h"
#include "devseries/color/internal/channel_copy.h"

namespace devseries {

int RGBColor::GetColorSpace() const { return kColorSpaceRGB; }

std::string RGBColor::GetColorSpaceName() const { return "RGB"; }

const std::uint8_t& RGBColor::Channel(int nIndex) const {
  switch (nIndex) {
    case 0:
      return byRed;
    case 1:
      return byGreen;
    case 2:
      return byBlue;
  }
  throw InvalidIndexException(GetColorSpaceName(), nIndex);
}

std::uint8_t& RGBColor::Channel(int nIndex) {
  return const_cast<std::uint8_t&>(std::as_const(*this).Channel(nIndex));
}

float RGBColor::GetValue(int nIndex) const { return Channel(nIndex); }

void RGBColor::SetValue(int nIndex, float flValue) {
  Channel(nIndex) = color_internal::ChannelByteFromFloat(flValue);
}

AbstractColor& RGBColor::Assign(const AbstractColor& other) {
  return color_internal::AssignChannels(*this, other);
}

AbstractColor* RGBColor::Clone() const {
  return color_internal::CloneChannels(*this);
}

void RGBColor::Print(std::ostream& os) const {
  color_internal::PrintIntegerChannels(*this, os, "RGB", {"R:", "G:", "B:"});
}

}  // namespace devseries
