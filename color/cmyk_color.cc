#include "color/cmyk_color.h"

#include <utility>

#include "color/color_exceptions.h"
#include "color/internal/channel_byte.h"
#include "color/internal/channel_copy.h"

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
  return color_internal::AssignChannels(*this, other);
}

AbstractColor* CMYKColor::Clone() const {
  return color_internal::CloneChannels(*this);
}

void CMYKColor::Print(std::ostream& os) const {
  color_internal::PrintIntegerChannels(*this, os, "CMYK",
                                       {"C:", "M:", "Y:", "K:"});
}
