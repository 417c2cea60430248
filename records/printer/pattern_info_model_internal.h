// The FM pattern record's field model.
#pragma once

#include "records/printer/pattern_info.h"
#include "xmlio/field_model_internal.h"

namespace devseries::field_model {

template <>
struct Model<PatternInfo> {
  using R = PatternInfo;
  static constexpr std::string_view kElement = "PatternInfo";
  static constexpr auto kFields = std::tuple{
      At("nFMPatternIndex", &R::nFMPatternIndex, {"the pattern's index"}),
      At("nScanPixelSize", &R::nScanPixelSize,
         {"pattern size in pixels in the scan direction"}),
      At("nFeedPixelSize", &R::nFeedPixelSize,
         {"pattern size in pixels in the feed direction"}),
      At("strPatternFile", &R::strPatternFile, {"name of the pattern file"}),
  };
};
static_assert(CoversEveryMember<PatternInfo>(),
              "every member of PatternInfo has a row in its model");

}  // namespace devseries::field_model
