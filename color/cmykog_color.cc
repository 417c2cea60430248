#include "color/cmykog_color.h"

#include <array>
#include <memory>
#include <typeinfo>
#include <utility>

#include "color/color_exceptions.h"
#include "color/internal/channel_byte.h"

int CMYKOGColor::GetColorSpace() const { return kColorSpaceCMYKOG; }

std::string CMYKOGColor::GetColorSpaceName() const { return "CMYKOG"; }

const std::uint8_t& CMYKOGColor::Channel(int nIndex) const {
  switch (nIndex) {
    case 0:
      return byCyan;
    case 1:
      return byMagenta;
    case 2:
      return byYellow;
    case 3:
      return byBlack;
    case 4:
      return byOrange;
    case 5:
      return byGreen;
  }
  throw InvalidIndexException(GetColorSpaceName(), nIndex);
}

std::uint8_t& CMYKOGColor::Channel(int nIndex) {
  return const_cast<std::uint8_t&>(std::as_const(*this).Channel(nIndex));
}

float CMYKOGColor::GetValue(int nIndex) const { return Channel(nIndex); }

void CMYKOGColor::SetValue(int nIndex, float flValue) {
  Channel(nIndex) = color_internal::ChannelByteFromFloat(flValue);
}

AbstractColor& CMYKOGColor::Assign(const AbstractColor& other) {
  if (typeid(other) != typeid(*this)) {
    throw ColorSpaceNotMatchException(GetColorSpaceName(),
                                      other.GetColorSpaceName());
  }
  for (int i = 0; i < kChannelCount; ++i) SetValue(i, other.GetValue(i));
  return *this;
}

AbstractColor* CMYKOGColor::Clone() const {
  auto copy = std::make_unique<CMYKOGColor>();
  for (int i = 0; i < kChannelCount; ++i) copy->SetValue(i, GetValue(i));
  return copy.release();
}

void CMYKOGColor::Print(std::ostream& os) const {
  static constexpr std::array<const char*, kChannelCount> kLabels = {
      "C:", "M:", "Y:", "K:", "Or:", "Gr:"};
  os << "CMYKOrGr" << std::endl;
  for (int i = 0; i < kChannelCount; ++i) {
    os << kLabels[i] << static_cast<int>(GetValue(i)) << std::endl;
  }
}
