#include "devseries/color/cmyk_color.h"

#include <array>

#include "devseries/color/internal/byte_channels.h"
#include "devseries/color/internal/channel_copy.h"

namespace devseries {

namespace color_internal {

template <>
struct ByteChannelLayout<CMYKColor> {
  static constexpr std::array kMembers = {
      &CMYKColor::byCyan, &CMYKColor::byMagenta, &CMYKColor::byYellow,
      &CMYKColor::byBlack};
  static constexpr const char* kHeader = "CMYK";
  static constexpr std::array kLabels = {"C:", "M:", "Y:", "K:"};
};

}  // namespace color_internal

int CMYKColor::GetColorSpace() const { return kColorSpaceCMYK; }

std::string CMYKColor::GetColorSpaceName() const { return "CMYK"; }

float CMYKColor::GetValue(int nIndex) const {
  return color_internal::ByteChannel(*this, nIndex);
}

void CMYKColor::SetValue(int nIndex, float flValue) {
  color_internal::SetByteChannel(*this, nIndex, flValue);
}

AbstractColor& CMYKColor::Assign(const AbstractColor& other) {
  return color_internal::AssignChannels(*this, other);
}

AbstractColor* CMYKColor::Clone() const {
  return color_internal::CloneChannels(*this);
}

void CMYKColor::Print(std::ostream& os) const {
  color_internal::PrintByteChannels(*this, os);
}

}  // namespace devseries
