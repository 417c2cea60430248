// The CMYK colour value.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "devseries/color/abstract_color.h"

#pragma GCC visibility push(default)
namespace devseries {

namespace color_internal {
template <typename Color>
struct ByteChannelLayout;
}  // namespace color_internal

// A CMYK colour: channels 0 cyan, 1 magenta, 2 yellow, 3 black, each an
// unsigned byte.
// Default construction sets every channel to 0. SetValue truncates toward
// zero and stores the low 8 bits; there is no clamping.
class CMYKColor : public AbstractColor {
 public:
  static constexpr int kChannelCount = 4;

  CMYKColor() = default;

  int GetColorSpace() const override;              // kColorSpaceCMYK
  std::string GetColorSpaceName() const override;  // "CMYK"
  float GetValue(int nIndex) const override;
  void SetValue(int nIndex, float flValue) override;
  AbstractColor& Assign(const AbstractColor& other) override;
  AbstractColor* Clone() const override;
  // "CMYK", then "C:", "M:", "Y:", "K:" each followed by
  // the channel as a decimal integer.
  void Print(std::ostream& os) const override;

 private:
  // Names the channel members for the shared channel code.
  friend struct color_internal::ByteChannelLayout<CMYKColor>;

  std::uint8_t byCyan = 0;
  std::uint8_t byMagenta = 0;
  std::uint8_t byYellow = 0;
  std::uint8_t byBlack = 0;
};

}  // namespace devseries
#pragma GCC visibility pop
