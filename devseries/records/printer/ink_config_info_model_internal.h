// The ink configuration record's field model.
#pragma once

#include "devseries/records/printer/ink_config_info.h"
#include "devseries/xmlio/field_model_internal.h"

namespace devseries::field_model {

template <>
struct Model<InkConfigInfo> {
  using R = InkConfigInfo;
  static constexpr std::string_view kElement = "InkConfigInfo";
  static constexpr auto kFields = std::tuple{
      At("nInkConfigIndex", &R::nInkConfigIndex,
         {.description = "the configuration's index", .summary = "index"}),
      At("strInkConfigName", &R::strInkConfigName,
         {.description = "configuration name per language", .summary = "name"}),
      At("strFolderName", &R::strFolderName,
         {.description = "folder name of the configuration",
          .summary = "folder",
          .summaryPlace = 1}),
      At("nInkIndexList", &R::nInkIndexList,
         {.description = "ink index per slot 0 to 23",
          .refersTo = "aInkInfoList[].nInkIndex",
          .summary = "inks"},
         Slots{.item = "nInkIndex",
               .numbered = false,
               .readName = [](size_t) -> std::string_view {
                 return "nInkIndex";
               }}),
  };
};
static_assert(CoversEveryMember<InkConfigInfo>(),
              "every member of InkConfigInfo has a row in its model");

}  // namespace devseries::field_model
