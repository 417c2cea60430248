// Calibration data of one channel of a permission set: an output limit and,
// for each of the 21 steps, a density and a Lab colour.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "devseries/xmlio/dom_types.h"
#include "devseries/xmlio/element_output.h"

#pragma GCC visibility push(default)
namespace devseries {

inline constexpr size_t kCalibrationStepCount = 21;

// The Lab colour measured at one calibration step.
struct CalibrationLab {
  float l = 0.0f;
  float a = 0.0f;
  float b = 0.0f;

  bool operator==(const CalibrationLab&) const;
  bool operator!=(const CalibrationLab& other) const {
    return !(*this == other);
  }
};

struct CalibrationInfo {
  std::int32_t nOutputLimit = 0;
  std::array<float, kCalibrationStepCount> density{};
  std::array<CalibrationLab, kCalibrationStepCount> lab{};

  bool operator==(const CalibrationInfo&) const;
  bool operator!=(const CalibrationInfo& other) const {
    return !(*this == other);
  }
};

// A new, unattached "CalibrationInfo" element: "nOutputLimit", then
// "density" with 21 "value" children, then "lab" with 21 "value" children
// each holding "l", "a" and "b"; floats with 3 decimals.
DomNode WriteCalibrationInfo(DomDocument& document,
                             const CalibrationInfo& record);
// The same element, made where `out` stands.
void WriteCalibrationInfo(DomElementBuilder& out,
                          const CalibrationInfo& record);
void WriteCalibrationInfo(XmlStreamWriter& out, const CalibrationInfo& record);

// Fills `record` from a "CalibrationInfo" element by position, names not
// looked at: the first child is the output limit, the first 21 children of
// the second are the densities, and of each of the first 21 children of the
// third the first three children are l, a and b. Further children are
// ignored. A missing child raises E_POINTER; the values decoded before it
// stay in `record`.
void ReadCalibrationInfo(DomNode element, CalibrationInfo& record);

}  // namespace devseries
#pragma GCC visibility pop
