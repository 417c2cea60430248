// The UV lamp power entry's field model. The entry's element also carries
// its lamp position as an attribute, which its writer and reader add.
#pragma once

#include "devseries/records/media/uv_lamp_power.h"
#include "devseries/xmlio/field_model_internal.h"

namespace devseries::field_model {

template <>
struct Model<UVLampPower> {
  using R = UVLampPower;
  static constexpr std::string_view kElement = "UVLampPower";
  static constexpr auto kFields = std::tuple{
      Kept("nBasePower", &R::nBasePower,
           {"the power the print-mode writer compares both powers with"}),
      Named("nForwardPower", &R::nForwardPower, {"forward power"}),
      Named("nBackwardPower", &R::nBackwardPower, {"backward power"}),
  };
};
static_assert(CoversEveryMember<UVLampPower>(),
              "every member of UVLampPower has a row in its model");

}  // namespace devseries::field_model
