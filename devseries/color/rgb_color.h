// The RGB colour value.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "devseries/color/abstract_color.h"

#pragma GCC visibility push(default)
namespace devseries {

// An RGB colour: channels 0 red, 1 green, 2 blue, each an unsigned byte.
// Default construction sets every channel to 0. SetValue truncates toward
// zero and stores the low 8 bits; there is no clamping.
class RGBColor : public AbstractColor {
 public:
  static constexpr int kChannelCount = 3;

  RGBColor() = default;

  int GetColorSpace() const override;              // kColorSpaceRGB
  std::string GetColorSpaceName() const override;  // "RGB"
  float GetValue(int nIndex) const override;
  void SetValue(int nIndex, float flValue) override;
  AbstractColor& Assign(const AbstractColor& other) override;
  AbstractColor* Clone() const override;
  // "RGB", then "R:", "G:", "B:" each followed by
  // the channel as a decimal integer.
  void Print(std::ostream& os) const override;

 private:
  // The storage of channel `nIndex`; throws InvalidIndexException when the
  // index is out of range.
  std::uint8_t& Channel(int nIndex);
  const std::uint8_t& Channel(int nIndex) const;

  std::uint8_t byRed = 0;
  std::uint8_t byGreen = 0;
  std::uint8_t byBlue = 0;
};

}  // namespace devseries
#pragma GCC visibility pop
