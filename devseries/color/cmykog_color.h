// The CMYK plus orange and green colour value.
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

// A six-colour process colour: channels 0 cyan, 1 magenta, 2 yellow, 3 black,
// 4 orange, 5 green, each an unsigned byte.
// Default construction sets every channel to 0. SetValue truncates toward
// zero and stores the low 8 bits; there is no clamping.
class CMYKOGColor : public AbstractColor {
 public:
  static constexpr int kChannelCount = 6;

  CMYKOGColor() = default;

  int GetColorSpace() const override;              // kColorSpaceCMYKOG
  std::string GetColorSpaceName() const override;  // "CMYKOG"
  float GetValue(int nIndex) const override;
  void SetValue(int nIndex, float flValue) override;
  AbstractColor& Assign(const AbstractColor& other) override;
  AbstractColor* Clone() const override;
  // "CMYKOrGr", then "C:", "M:", "Y:", "K:", "Or:", "Gr:" each followed by
  // the channel as a decimal integer.
  void Print(std::ostream& os) const override;

 private:
  // Names the channel members for the shared channel code.
  friend struct color_internal::ByteChannelLayout<CMYKOGColor>;

  std::uint8_t byCyan = 0;
  std::uint8_t byMagenta = 0;
  std::uint8_t byYellow = 0;
  std::uint8_t byBlack = 0;
  std::uint8_t byOrange = 0;
  std::uint8_t byGreen = 0;
};

}  // namespace devseries
#pragma GCC visibility pop
