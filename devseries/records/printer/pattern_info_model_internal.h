// The FM pattern record's field model.
#pragma once

#include "devseries/records/printer/pattern_info.h"
#include "devseries/xmlio/field_model_internal.h"

namespace devseries::field_model {

template <>
struct Model<PatternInfo> {
  using R = PatternInfo;
  static constexpr std::string_view kElement = "PatternInfo";
  static constexpr auto kFields = std::tuple{
      At("nFMPatternIndex", &R::nFMPatternIndex,
         {.description = "the pattern's index", .summary = "index"}),
      At("nScanPixelSize", &R::nScanPixelSize,
         {.description = "pattern size in pixels in the scan direction",
          .unit = "pixels",
          .label = "Scan size",
          .summary = "scan_pixels"}),
      At("nFeedPixelSize", &R::nFeedPixelSize,
         {.description = "pattern size in pixels in the feed direction",
          .unit = "pixels",
          .label = "Feed size",
          .summary = "feed_pixels"}),
      At("strPatternFile", &R::strPatternFile,
         {.description = "name of the pattern file", .summary = "name"}),
  };
};
static_assert(CoversEveryMember<PatternInfo>(),
              "every member of PatternInfo has a row in its model");

}  // namespace devseries::field_model
