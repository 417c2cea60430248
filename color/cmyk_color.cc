#include "color/cmyk_color.h"

#include <array>
#include <memory>
#include <typeinfo>
#include <utility>

#include "color/color_exceptions.h"
#include "color/internal/channel_byte.h"

int CMYKColor::GetColorSpace() const { return kColorSpaceCMYK; }

std::string CMYKColor::GetColorSpaceName() const { return "CMYK"; }

const std::uint8_t& CMYKColor::Channel(int nIndex) const {
  switch (nIndex) {
    case 0:
      return byCyan;
    case 1:
      return byMagenta;
    case 2:
      return byYellow;
    case 3:
      return byBlack;
  }
  throw InvalidIndexException(GetColorSpaceName(), nIndex);
}

std::uint8_t& CMYKColor::Channel(int nIndex) {
  return const_cast<std::uint8_t&>(std::as_const(*this).Channel(nIndex));
}

float CMYKColor::GetValue(int nIndex) const { return Channel(nIndex); }

void CMYKColor::SetValue(int nIndex, float flValue) {
  Channel(nIndex) = color_internal::ChannelByteFromFloat(flValue);
}

AbstractColor& CMYKColor::Assign(const AbstractColor& other) {
  if (typeid(other) != typeid(*this)) {
    throw ColorSpaceNotMatchException(GetColorSpaceName(),
                                      other.GetColorSpaceName());
  }
  for (int i = 0; i < kChannelCount; ++i) SetValue(i, other.GetValue(i));
  return *this;
}

AbstractColor* CMYKColor::Clone() const {
  auto copy = std::make_unique<CMYKColor>();
  for (int i = 0; i < kChannelCount; ++i) copy->SetValue(i, GetValue(i));
  return copy.release();
}

void CMYKColor::Print(std::ostream& os) const {
  static constexpr std::array<const char*, kChannelCount> kLabels = {
      "C:", "M:", "Y:", "K:"};
  os << "CMYK" << std::endl;
  for (int i = 0; i < kChannelCount; ++i) {
    os << kLabels[i] << static_cast<int>(GetValue(i)) << std::endl;
  }
}
