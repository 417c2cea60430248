// The resolution record's field model.
#pragma once

#include "records/printer/resolution_info.h"
#include "xmlio/field_model_internal.h"

namespace devseries::field_model {

template <>
struct Model<ResolutionInfo> {
  using R = ResolutionInfo;
  static constexpr std::string_view kElement = "ResolutionInfo";
  static constexpr auto kFields = std::tuple{
      At("nResolutionIndex", &R::nResolutionIndex, {"the resolution's index"}),
      At("strResolutionName", &R::strResolutionName,
         {"resolution name per language"}),
      At("flScanResolution", &R::flScanResolution,
         {"resolution in the scan direction"}),
      At("flFeedResolution", &R::flFeedResolution,
         {"resolution in the feed direction"}),
  };
};
static_assert(CoversEveryMember<ResolutionInfo>(),
              "every member of ResolutionInfo has a row in its model");

}  // namespace devseries::field_model
