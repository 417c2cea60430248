// The custom screening settings' field model: every member found by name.
#pragma once

#include "devseries/records/media/screen_option.h"
#include "devseries/xmlio/field_model_internal.h"

namespace devseries::field_model {

template <>
struct Model<ScreenOption> {
  using R = ScreenOption;
  static constexpr std::string_view kElement = "screenOption";
  static constexpr std::string_view kName = "ScreenOption";
  static constexpr auto kFields = std::tuple{
      Named("bUseCustomSetting", &R::bUseCustomSetting,
            {"the custom screening setting is used"}),
      Named("nLineCount", &R::nLineCount, {"screen line count"}),
      Named("eDotShape", &R::eDotShape, {"dot shape code"}),
      // Numbered entries (flDegree0, flDegree1, ...); any name will do.
      Named("flDegrees", &R::flDegrees,
            {"screen angle per channel, in degrees"},
            ValueList{.item = "flDegree", .numbered = true, .replaces = true}),
  };
};
static_assert(CoversEveryMember<ScreenOption>(),
              "every member of ScreenOption has a row in its model");

}  // namespace devseries::field_model
