#include "color/cmykog_color.h"

#include <utility>

#include "color/color_exceptions.h"
#include "color/internal/channel_byte.h"
#include "color/internal/channel_copy.h"

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
  return color_internal::AssignChannels(*this, other);
}

AbstractColor* CMYKOGColor::Clone() const {
  return color_internal::CloneChannels(*this);
}

void CMYKOGColor::Print(std::ostream& os) const {
  color_internal::PrintIntegerChannels(*this, os, "CMYKOrGr",
                                       {"C:", "M:", "Y:", "K:", "Or:", "Gr:"});
}
