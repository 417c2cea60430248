// The calibration record's field model, and that of its Lab steps.
#pragma once

#include "devseries/records/media/calibration_info.h"
#include "devseries/xmlio/field_model_internal.h"

namespace devseries::field_model {

template <>
struct Model<CalibrationLab> {
  using R = CalibrationLab;
  static constexpr std::string_view kElement = "value";
  static constexpr std::string_view kName = "CalibrationLab";
  static constexpr auto kFields = std::tuple{
      At("l", &R::l, {"lightness L*"}),
      At("a", &R::a, {"a* (green to red)"}),
      At("b", &R::b, {"b* (blue to yellow)"}),
  };
};
static_assert(CoversEveryMember<CalibrationLab>(),
              "every member of CalibrationLab has a row in its model");

template <>
struct Model<CalibrationInfo> {
  using R = CalibrationInfo;
  static constexpr std::string_view kElement = "CalibrationInfo";
  static constexpr auto kFields = std::tuple{
      At("nOutputLimit", &R::nOutputLimit, {"output limit"}),
      At("density", &R::density,
         {.description = "density at each of the 21 steps",
          .risesWith = "step"},
         Slots{.item = "value",
               .numbered = false,
               .readName = [](size_t) -> std::string_view { return "value"; }}),
      At("lab", &R::lab, {"Lab colour at each of the 21 steps"}, RecordSlots{}),
  };
};
static_assert(CoversEveryMember<CalibrationInfo>(),
              "every member of CalibrationInfo has a row in its model");

}  // namespace devseries::field_model
