// The resolution record's field model.
#pragma once

#include "devseries/records/printer/resolution_info.h"
#include "devseries/xmlio/field_model_internal.h"

namespace devseries::field_model {

template <>
struct Model<ResolutionInfo> {
  using R = ResolutionInfo;
  static constexpr std::string_view kElement = "ResolutionInfo";
  static constexpr auto kFields = std::tuple{
      At("nResolutionIndex", &R::nResolutionIndex,
         {.description = "the resolution's index", .summary = "index"}),
      At("strResolutionName", &R::strResolutionName,
         {.description = "resolution name per language", .summary = "name"}),
      At("flScanResolution", &R::flScanResolution,
         {.description = "resolution in the scan direction",
          .unit = "dpi",
          .summary = "scan"}),
      At("flFeedResolution", &R::flFeedResolution,
         {.description = "resolution in the feed direction",
          .unit = "dpi",
          .summary = "feed"}),
  };
};
static_assert(CoversEveryMember<ResolutionInfo>(),
              "every member of ResolutionInfo has a row in its model");

}  // namespace devseries::field_model
