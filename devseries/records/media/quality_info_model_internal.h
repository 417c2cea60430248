// The quality level's field model.
#pragma once

#include "devseries/records/media/quality_info.h"
#include "devseries/xmlio/field_model_internal.h"

namespace devseries::field_model {

template <>
struct Model<QualityInfo> {
  using R = QualityInfo;
  static constexpr std::string_view kElement = "QualityInfo";
  static constexpr auto kFields = std::tuple{
      At("nQualityLevel", &R::nQualityLevel, {"quality level number"}),
      At("strQualityName", &R::strQualityName,
         {"name of the level per language"}),
      At("anPermissionIndexList", &R::anPermissionIndexList,
         {.description = "the permission sets of this level",
          .refersTo = "aPermissionSetList[].nPermissionIndex"},
         ValueList{.item = "anPermissionIndex"}),
      Named("bVisibleQuality", &R::bVisibleQuality,
            {"the level is shown to the user"}),
  };
};
static_assert(CoversEveryMember<QualityInfo>(),
              "every member of QualityInfo has a row in its model");

}  // namespace devseries::field_model
