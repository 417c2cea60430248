// The media record's field model.
#pragma once

#include "devseries/records/media/media_info.h"
#include "devseries/records/media/permission_set_model_internal.h"
#include "devseries/records/media/quality_info_model_internal.h"
#include "devseries/xmlio/field_model_internal.h"

namespace devseries::field_model {

template <>
struct Model<MediaInfo> {
  using R = MediaInfo;
  static constexpr std::string_view kElement = "MediaInfo";
  static constexpr auto kFields = std::tuple{
      At("strMediaName", &R::strMediaName,
         {.description = "media name per language", .summary = "name"}),
      At("strBaseMediaName", &R::strBaseMediaName,
         {"name of the base medium per language"}),
      At("aPermissionSetList", &R::aPermissionSetList,
         {.description = "permitted print configurations",
          .summary = "permissions"},
         RecordList{}),
      At("aQualityInfoList", &R::aQualityInfoList,
         {.description = "quality levels offered for this medium",
          .summary = "qualities"},
         RecordList{}),
      At("nDefaultLevel", &R::nDefaultLevel,
         {.description = "default quality level",
          .refersTo = "aQualityInfoList[].nQualityLevel"}),
      At("nDryTime", &R::nDryTime, {"drying time"}),
      // The text -1, "unset" in older files, is stored as 0.
      At("nVacuumPower", &R::nVacuumPower, {"vacuum power"})
          .ReadThen([](std::int32_t& value) {
            if (value == -1) value = 0;
          }),
      At("eHeadHeight", &R::eHeadHeight, {"head height code"}),
      At("aflFeedCalibration", &R::aflFeedCalibration,
         {.description = "feed calibration values",
          .entryPer = "aModelInfoList"},
         ValueList{.item = "value"}),
      At("nPreHeater", &R::nPreHeater, {"pre-heater setting"}),
      At("nPrintHeater", &R::nPrintHeater, {"print heater setting"}),
      At("nDryHeater", &R::nDryHeater, {"drier setting"}),
      At("nCutCount", &R::nCutCount, {"number of cuts"}),
      At("nCutVelocity", &R::nCutVelocity, {"cutting speed"}),
      At("nCutForce", &R::nCutForce, {"cutting force"}),
      At("flCutOffset", &R::flCutOffset, {"cutter offset"}),
      At("TimeStamp", &R::TimeStamp, {"time of the record's last change"}),
      Named("bVisibleMedia", &R::bVisibleMedia,
            {.description = "the medium is shown to the user",
             .summary = "visible"}),
      Named("bCuttingMedia", &R::bCuttingMedia, {"the medium can be cut"}),
      Named("bUpdateNeeded", &R::bUpdateNeeded, {"the medium needs updating"}),
      Named("nInputRoute", &R::nInputRoute, {"media input route code"}),
      Named("bPreHeaterEnable", &R::bPreHeaterEnable, {"pre-heater enabled"}),
      Named("bPrinterHeaterEnable", &R::bPrinterHeaterEnable,
            {"print heater enabled"}),
      Named("bDrierEnable", &R::bDrierEnable, {"drier enabled"}),
      Named("nMediaAttribute", &R::nMediaAttribute, {"media attribute code"}),
      Named("bHideUnrecommendedMode", &R::bHideUnrecommendedMode,
            {.description = "hide print modes that are not recommended",
             .label = "Hide modes not recommended"},
            IntegerAsBoolean{}),
      Named("flNormalCutForceRange", &R::flNormalCutForceRange,
            {"range of the normal cutting force"}),
      Named("flDeepCutForceRange", &R::flDeepCutForceRange,
            {"range of the deep cutting force"}),
      Named("nDeepCutForce", &R::nDeepCutForce, {"deep cutting force"},
            IntegerAsDecimal{}),
      Named("nHalfCutForce", &R::nHalfCutForce, {"half-cut force"},
            IntegerAsDecimal{}),
      Named("nOverPrintCount", &R::nOverPrintCount, {"number of overprints"}),
      Named("bUseDensityCalibration", &R::bUseDensityCalibration,
            {"density calibration in use"}),
  };
  // A drier without a setting is off unless the element says otherwise.
  static void AfterPrefix(R& record) {
    if (record.nDryHeater == 0) record.bDrierEnable = false;
  }
};
static_assert(CoversEveryMember<MediaInfo>(),
              "every member of MediaInfo has a row in its model");

}  // namespace devseries::field_model
