// The CIE Lab colour value.
#pragma once

#include <ostream>
#include <string>

#include "devseries/color/abstract_color.h"

#pragma GCC visibility push(default)
namespace devseries {

// A CIE Lab colour: channels 0 L, 1 a, 2 b, each a float stored as given,
// without range checks. Default construction sets every channel to 0.
class LabColor : public AbstractColor {
 public:
  static constexpr int kChannelCount = 3;

  LabColor() = default;

  int GetColorSpace() const override;              // kColorSpaceLab
  std::string GetColorSpaceName() const override;  // "Lab"
  float GetValue(int nIndex) const override;
  void SetValue(int nIndex, float flValue) override;
  AbstractColor& Assign(const AbstractColor& other) override;
  AbstractColor* Clone() const override;
  // "Lab", then "L:", "a:", "b:" each followed by the channel in fixed
  // notation with two decimals. Replaces the stream's format flags with
  // std::ios::fixed alone and sets its precision to 2, and leaves them so:
  // later floating-point output on `os` keeps two fixed decimals.
  void Print(std::ostream& os) const override;

 private:
  // The storage of channel `nIndex`; throws InvalidIndexException when the
  // index is out of range.
  float& Channel(int nIndex);
  const float& Channel(int nIndex) const;

  float flL = 0.0f;
  float flA = 0.0f;
  float flB = 0.0f;
};

}  // namespace devseries
#pragma GCC visibility pop
