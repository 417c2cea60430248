// The uniform interface of every colour value of the device-series library.
#pragma once

#include <ostream>
#include <string>

#pragma GCC visibility push(default)
namespace devseries {

// Colour-space codes returned by AbstractColor::GetColorSpace. The codes 1
// and 3 are not used by any colour class.
inline constexpr int kColorSpaceRGB = 0;
inline constexpr int kColorSpaceCMYK = 2;
inline constexpr int kColorSpaceCMYKOG = 4;
inline constexpr int kColorSpaceLab = 5;

// A colour value in one colour space, with its channels addressed by index.
// Callers hold colours by pointer or reference to this class and select
// behaviour by GetColorSpace(). There is no comparison and no conversion
// between colour spaces.
class AbstractColor {
 public:
  virtual ~AbstractColor();

  // The colour-space code (kColorSpaceRGB ... kColorSpaceLab).
  virtual int GetColorSpace() const = 0;
  // The short name of the colour space ("RGB", "CMYK", "CMYKOG", "Lab").
  virtual std::string GetColorSpaceName() const = 0;
  // The value of channel `nIndex`. Throws InvalidIndexException when the
  // index is outside the space's channels.
  virtual float GetValue(int nIndex) const = 0;
  // Sets channel `nIndex`. Throws InvalidIndexException, leaving the colour
  // unchanged, when the index is outside the space's channels.
  virtual void SetValue(int nIndex, float flValue) = 0;
  // Copies every channel from `other`, which must be of exactly the same
  // class; otherwise throws ColorSpaceNotMatchException and leaves this
  // colour unchanged. Returns this colour.
  virtual AbstractColor& Assign(const AbstractColor& other) = 0;
  // A new colour of the same class with the same channel values. The caller
  // owns the result.
  virtual AbstractColor* Clone() const = 0;
  // Writes the multi-line text form: a header line, then one line per
  // channel, each ended with std::endl.
  virtual void Print(std::ostream& os) const = 0;

 protected:
  AbstractColor() = default;
  // Copying is left to the concrete classes; through the base it would slice.
  AbstractColor(const AbstractColor&) = default;
  AbstractColor& operator=(const AbstractColor&) = default;
};

}  // namespace devseries
#pragma GCC visibility pop
