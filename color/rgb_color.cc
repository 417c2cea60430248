#include "color/rgb_color.h"

#include <array>
#include <memory>
#include <typeinfo>
#include <utility>

#include "color/color_exceptions.h"
#include "color/internal/channel_byte.h"

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
  if (typeid(other) != typeid(*this)) {
    throw ColorSpaceNotMatchException(GetColorSpaceName(),
                                      other.GetColorSpaceName());
  }
  for (int i = 0; i < kChannelCount; ++i) SetValue(i, other.GetValue(i));
  return *this;
}

AbstractColor* RGBColor::Clone() const {
  auto copy = std::make_unique<RGBColor>();
  for (int i = 0; i < kChannelCount; ++i) copy->SetValue(i, GetValue(i));
  return copy.release();
}

void RGBColor::Print(std::ostream& os) const {
  static constexpr std::array<const char*, kChannelCount> kLabels = {
      "R:", "G:", "B:"};
  os << "RGB" << std::endl;
  for (int i = 0; i < kChannelCount; ++i) {
    os << kLabels[i] << static_cast<int>(GetValue(i)) << std::endl;
  }
}
