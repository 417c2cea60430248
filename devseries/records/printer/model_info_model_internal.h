// The model record's field model: every member of ModelInfo, in the order
// the writer writes them.
#pragma once

#include "devseries/records/printer/model_info.h"
#include "devseries/xmlio/field_model_internal.h"

namespace devseries::field_model {

// An entry of the model's extra tables, which only memory holds.
template <>
struct Model<ModelExtraEntry> {
  using R = ModelExtraEntry;
  static constexpr std::string_view kElement = "ModelExtraEntry";
  static constexpr auto kFields = std::tuple{
      Kept("strText1", &R::strText1, {"extra text"}),
      Kept("strText2", &R::strText2, {"extra text"}),
      Kept("nValue1", &R::nValue1, {"extra value"}),
      Kept("nValue2", &R::nValue2, {"extra value"}),
  };
};
static_assert(CoversEveryMember<ModelExtraEntry>(),
              "every member of ModelExtraEntry has a row in its model");

template <>
struct Model<ModelInfo> {
  using R = ModelInfo;
  static constexpr std::string_view kElement = "ModelInfo";
  static constexpr auto kFields = std::tuple{
      At("strLongModelName", &R::strLongModelName,
         {.description = "long model name", .summary = "name"}),
      At("strMIBModelName", &R::strMIBModelName,
         {.description = "model name in the form the printer's management "
                         "information base (MIB) reports",
          .label = "MIB model name"}),
      At("strFolderName", &R::strFolderName,
         {.description = "folder name of the model",
          .summary = "folder",
          .summaryPlace = 2}),
      At("dMaxWidth", &R::dMaxWidth,
         {.description = "maximum width",
          .unit = "mm",
          .summary = "width",
          .summaryPlace = 1}),
      At("nHeadNum", &R::nHeadNum,
         {.description = "number of heads", .summary = "heads"}),
      At("nHeadPositionIndex", &R::nHeadPositionIndex,
         {.description = "head position index, one per slot 0 to 23",
          .label = "Head position per slot"},
         Slots{}),
      At("nDefaultInkIndex", &R::nDefaultInkIndex,
         {.description = "default ink index, one per slot 0 to 23",
          .refersTo = "aInkInfoList[].nInkIndex",
          .label = "Default ink per slot"},
         Slots{}),
      At("bCutFeature", &R::bCutFeature, {"the model has a cutter"}),
      At("nHeaterFeature", &R::nHeaterFeature, {"heater feature code"},
         DecimalAsInteger{}),
      At("nHeadHeightMask", &R::nHeadHeightMask, {"head height mask"}),
      At("strStaticStatus", &R::strStaticStatus, {"static status text"}),
      At("strStaticExtraStatus", &R::strStaticExtraStatus,
         {"further static status text"}),
      At("strActiveStatus", &R::strActiveStatus, {"active status text"}),
      At("strPPDFile", &R::strPPDFile,
         {.description = "PPD (PostScript printer description) file name",
          .label = "PPD file name"}),
      At("dCropMargin_mm", &R::dCropMargin_mm, {"crop margin", "mm"}),
      At("dCropSize_mm", &R::dCropSize_mm, {"crop size", "mm"}),
      At("dPageSpace_mm", &R::dPageSpace_mm, {"space between pages", "mm"}),
      At("dHWLeftMargin_mm", &R::dHWLeftMargin_mm,
         {"hardware left margin", "mm"}),
      At("dHWRightMargin_mm", &R::dHWRightMargin_mm,
         {"hardware right margin", "mm"}),
      At("dHWTopMargin_mm", &R::dHWTopMargin_mm, {"hardware top margin", "mm"}),
      At("dHWBottomMargin_mm", &R::dHWBottomMargin_mm,
         {"hardware bottom margin", "mm"}),
      Named("strBMPFileName", &R::strBMPFileName, {"bitmap (BMP) file name"}),
      Named("nMaxCutSpeed", &R::nMaxCutSpeed, {"maximum cutting speed"})
          .ReadDefault(60),
      Named("strExtension", &R::strExtension, {"extension text"}),
      Named("nMinimumPageInterval_mm", &R::nMinimumPageInterval_mm,
            {"smallest page interval", "mm"}),
      Named("nMaximumPageInterval_mm", &R::nMaximumPageInterval_mm,
            {"largest page interval", "mm"}),
      Named("nMinimumScanSpeed", &R::nMinimumScanSpeed, {"lowest scan speed"}),
      Named("nMaximumScanSpeed", &R::nMaximumScanSpeed, {"highest scan speed"}),
      Named("nMinimumFeedSpeed", &R::nMinimumFeedSpeed, {"lowest feed speed"}),
      Named("nMaximumFeedSpeed", &R::nMaximumFeedSpeed, {"highest feed speed"}),
      Named("nMinimumPreHeaterTemperature", &R::nMinimumPreHeaterTemperature,
            {"lowest pre-heater temperature"}),
      Named("nMaximumPreHeaterTemperature", &R::nMaximumPreHeaterTemperature,
            {"highest pre-heater temperature"}),
      Named("nMinimumHeaterTemperature", &R::nMinimumHeaterTemperature,
            {"lowest print heater temperature"}),
      Named("nMaximumHeaterTemperature", &R::nMaximumHeaterTemperature,
            {"highest print heater temperature"}),
      Named("nMinimumDrierTemperature", &R::nMinimumDrierTemperature,
            {"lowest drier temperature"}),
      Named("nMaximumDrierTemperature", &R::nMaximumDrierTemperature,
            {"highest drier temperature"}),
      Named("dMinimumFeedCalibration_mm", &R::dMinimumFeedCalibration_mm,
            {"lowest feed calibration", "mm"}),
      Named("dMaximumFeedCalibration_mm", &R::dMaximumFeedCalibration_mm,
            {"highest feed calibration", "mm"}),
      Named("nMinimumCutForce", &R::nMinimumCutForce, {"lowest cutting force"}),
      Named("nMaximumCutForce", &R::nMaximumCutForce,
            {"highest cutting force"}),
      Named("flMaximumCutOffset", &R::flMaximumCutOffset,
            {"largest cutter offset"}),
      Named("nGetMethodType", &R::nGetMethodType, {"get-method type code"}),
      Named("nScanSpeedType", &R::nScanSpeedType, {"scan speed type code"}),
      Named("strDllName", &R::strDllName, {"DLL name"}),
      Named("strDriverName", &R::strDriverName, {"driver name"}),
      Named("strRequiredFirmwareVersion", &R::strRequiredFirmwareVersion,
            {"lowest firmware version required"})
          .WrittenIf(NotEmpty<R, &R::strRequiredFirmwareVersion>)
          .ReadDefault(""),
      Named("strRecommendedFirmwareVersion", &R::strRecommendedFirmwareVersion,
            {"firmware version recommended"})
          .WrittenIf(NotEmpty<R, &R::strRecommendedFirmwareVersion>)
          .ReadDefault(""),
      Named("nNozzleCountPerHeadColumn", &R::nNozzleCountPerHeadColumn,
            {"nozzles per head column"}),
      Named("flNozzleResolution", &R::flNozzleResolution,
            {"nozzle resolution"}),
      Named("nMinimumReturnScanSpeed", &R::nMinimumReturnScanSpeed,
            {"lowest return-scan speed"})
          .ReadDefault(1000),
      Named("nMaximumReturnScanSpeed", &R::nMaximumReturnScanSpeed,
            {"highest return-scan speed"})
          .ReadDefault(1000),
      Named("dMaxLength", &R::dMaxLength, {"maximum length", "mm"}),
      Named("bOverlapCutPerCutPath", &R::bOverlapCutPerCutPath,
            {"overlap cut on every cut path"}),
      Named("nUVLampCount", &R::nUVLampCount, {"number of UV lamps"}),
      Named("bHBridgeFeature", &R::bHBridgeFeature,
            {"the model has an H-bridge feature"}),
      Named("bHalfCutFeature", &R::bHalfCutFeature, {"the model can half-cut"}),
      Named("nMinimumHalfCutForce", &R::nMinimumHalfCutForce,
            {"lowest half-cut force"}),
      Named("nMaximumHalfCutForce", &R::nMaximumHalfCutForce,
            {"highest half-cut force"}),
      Kept("nExtraValue1", &R::nExtraValue1, {"extra member"}).ReadDefault(0),
      Kept("strExtraText", &R::strExtraText, {"extra member"}),
      Kept("bExtraFlag1", &R::bExtraFlag1, {"extra member"}),
      Kept("bExtraFlag2", &R::bExtraFlag2, {"extra member"}),
      Kept("aExtraTable1", &R::aExtraTable1, {"extra member"}),
      Kept("aExtraTable2", &R::aExtraTable2, {"extra member"}),
      Kept("nExtraValue2", &R::nExtraValue2, {"extra member"}),
      Kept("nExtraValue3", &R::nExtraValue3, {"extra member"}),
      Kept("bExtraFlag3", &R::bExtraFlag3, {"extra member"}),
      Kept("nExtraValue4", &R::nExtraValue4, {"extra member"}),
  };
};
static_assert(CoversEveryMember<ModelInfo>(),
              "every member of ModelInfo has a row in its model");

}  // namespace devseries::field_model
