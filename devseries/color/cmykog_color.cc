#include "devseries/color/cmykog_color.h"

#include <array>

#include "devseries/color/internal/byte_channels.h"
#include "devseries/color/internal/channel_copy.h"

namespace devseries {

namespace color_internal {

template <>
struct ByteChannelLayout<CMYKOGColor> {
  static constexpr std::array kMembers = {
      &CMYKOGColor::byCyan,  &CMYKOGColor::byMagenta, &CMYKOGColor::byYellow,
      &CMYKOGColor::byBlack, &CMYKOGColor::byOrange,  &CMYKOGColor::byGreen};
  static constexpr const char* kHeader = "CMYKOrGr";
  static constexpr std::array kLabels = {"C:", "M:", "Y:", "K:", "Or:", "Gr:"};
};

}  // namespace color_internal

int CMYKOGColor::GetColorSpace() const { return kColorSpaceCMYKOG; }

std::string CMYKOGColor::GetColorSpaceName() const { return "CMYKOG"; }

float CMYKOGColor::GetValue(int nIndex) const {
  return color_internal::ByteChannel(*this, nIndex);
}

void CMYKOGColor::SetValue(int nIndex, float flValue) {
  color_internal::SetByteChannel(*this, nIndex, flValue);
}

AbstractColor& CMYKOGColor::Assign(const AbstractColor& other) {
  return color_internal::AssignChannels(*this, other);
}

AbstractColor* CMYKOGColor::Clone() const {
  return color_internal::CloneChannels(*this);
}

void CMYKOGColor::Print(std::ostream& os) const {
  color_internal::PrintByteChannels(*this, os);
}

}  // namespace devseries
