// The VControl point record's field model: every member found by name.
#pragma once

#include "devseries/records/media/vcontrol_point.h"
#include "devseries/xmlio/field_model_internal.h"

namespace devseries::field_model {

template <>
struct Model<VControlPoint> {
  using R = VControlPoint;
  static constexpr std::string_view kElement = "VControlPoint";
  static constexpr auto kFields = std::tuple{
      Named("nVControlIndex", &R::nVControlIndex,
            {.description = "index of this record", .summary = "index"}),
      Named("dSmallStart", &R::dSmallStart, {"small droplet: start"}),
      Named("dSmallPeak", &R::dSmallPeak,
            {.description = "small droplet: peak", .summary = "small_peak"}),
      Named("dSmallMax", &R::dSmallMax, {"small droplet: max"}),
      Named("dSmallEnd", &R::dSmallEnd, {"small droplet: end"}),
      Named("dSmallEndMax", &R::dSmallEndMax, {"small droplet: end max"}),
      Named("dMediumStart", &R::dMediumStart, {"medium droplet: start"}),
      Named("dMediumPeak", &R::dMediumPeak,
            {.description = "medium droplet: peak", .summary = "medium_peak"}),
      Named("dMediumMax", &R::dMediumMax, {"medium droplet: max"}),
      Named("dMediumEnd", &R::dMediumEnd, {"medium droplet: end"}),
      Named("dMediumEndMax", &R::dMediumEndMax, {"medium droplet: end max"}),
      Named("dLargeStart", &R::dLargeStart, {"large droplet: start"}),
      Named("dLargePeak", &R::dLargePeak,
            {.description = "large droplet: peak", .summary = "large_peak"}),
      Named("dLargeMax", &R::dLargeMax, {"large droplet: max"}),
      Named("dLargeEnd", &R::dLargeEnd, {"large droplet: end"}),
      Named("dLargeEndMax", &R::dLargeEndMax, {"large droplet: end max"}),
  };
};
static_assert(CoversEveryMember<VControlPoint>(),
              "every member of VControlPoint has a row in its model");

}  // namespace devseries::field_model
