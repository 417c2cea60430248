// JSON field lists of the printer description records: model, ink, ink
// configuration, ink volume, resolution, print mode (with its UV lamp
// powers) and FM pattern. Every member in declaration order; the ones no
// element carries are kept in memory only.
#pragma once

#include "records/media/uv_lamp_power.h"
#include "records/printer/ink_config_info.h"
#include "records/printer/ink_info.h"
#include "records/printer/ink_volume_info.h"
#include "records/printer/mode_info.h"
#include "records/printer/model_info.h"
#include "records/printer/pattern_info.h"
#include "records/printer/resolution_info.h"
#include "tools/dsrtool_src/json_codec.h"

namespace dsrtool {

using namespace ::devseries;

template <>
struct RecordFields<ModelExtraEntry> {
  static constexpr bool kDefined = true;
  static constexpr const char* kName = "ModelExtraEntry";
  template <typename Record, typename Visit>
  static void Each(Record& r, Visit& v) {
    v("strText1", r.strText1);
    v("strText2", r.strText2);
    v("nValue1", r.nValue1);
    v("nValue2", r.nValue2);
  }
};

template <>
struct RecordFields<ModelInfo> {
  static constexpr bool kDefined = true;
  static constexpr const char* kName = "ModelInfo";
  template <typename Record, typename Visit>
  static void Each(Record& r, Visit& v) {
    v("strLongModelName", r.strLongModelName);
    v("strMIBModelName", r.strMIBModelName);
    v("strFolderName", r.strFolderName);
    v("dMaxWidth", r.dMaxWidth);
    v("nHeadNum", r.nHeadNum);
    v("nHeadPositionIndex", r.nHeadPositionIndex);
    v("nDefaultInkIndex", r.nDefaultInkIndex);
    v("bCutFeature", r.bCutFeature);
    v("bHalfCutFeature", r.bHalfCutFeature);
    v("nHeaterFeature", r.nHeaterFeature);
    v("nHeadHeightMask", r.nHeadHeightMask);
    v("strStaticStatus", r.strStaticStatus);
    v("strStaticExtraStatus", r.strStaticExtraStatus);
    v("strActiveStatus", r.strActiveStatus);
    v("strPPDFile", r.strPPDFile);
    v("dCropMargin_mm", r.dCropMargin_mm);
    v("dCropSize_mm", r.dCropSize_mm);
    v("dPageSpace_mm", r.dPageSpace_mm);
    v("dHWLeftMargin_mm", r.dHWLeftMargin_mm);
    v("dHWRightMargin_mm", r.dHWRightMargin_mm);
    v("dHWTopMargin_mm", r.dHWTopMargin_mm);
    v("dHWBottomMargin_mm", r.dHWBottomMargin_mm);
    v("strBMPFileName", r.strBMPFileName);
    v("nMaxCutSpeed", r.nMaxCutSpeed);
    v("strExtension", r.strExtension);
    v.InMemory("nExtraValue1", r.nExtraValue1);
    v.InMemory("strExtraText", r.strExtraText);
    v.InMemory("bExtraFlag1", r.bExtraFlag1);
    v.InMemory("bExtraFlag2", r.bExtraFlag2);
    v("nMinimumScanSpeed", r.nMinimumScanSpeed);
    v("nMaximumScanSpeed", r.nMaximumScanSpeed);
    v("nMinimumFeedSpeed", r.nMinimumFeedSpeed);
    v("nMaximumFeedSpeed", r.nMaximumFeedSpeed);
    v("nMinimumPageInterval_mm", r.nMinimumPageInterval_mm);
    v("nMaximumPageInterval_mm", r.nMaximumPageInterval_mm);
    v("nMinimumPreHeaterTemperature", r.nMinimumPreHeaterTemperature);
    v("nMaximumPreHeaterTemperature", r.nMaximumPreHeaterTemperature);
    v("nMinimumHeaterTemperature", r.nMinimumHeaterTemperature);
    v("nMaximumHeaterTemperature", r.nMaximumHeaterTemperature);
    v("nMinimumDrierTemperature", r.nMinimumDrierTemperature);
    v("nMaximumDrierTemperature", r.nMaximumDrierTemperature);
    v("dMinimumFeedCalibration_mm", r.dMinimumFeedCalibration_mm);
    v("dMaximumFeedCalibration_mm", r.dMaximumFeedCalibration_mm);
    v("nMinimumCutForce", r.nMinimumCutForce);
    v("nMaximumCutForce", r.nMaximumCutForce);
    v("nMinimumHalfCutForce", r.nMinimumHalfCutForce);
    v("nMaximumHalfCutForce", r.nMaximumHalfCutForce);
    v("flMaximumCutOffset", r.flMaximumCutOffset);
    v.InMemory("aExtraTable1", r.aExtraTable1);
    v.InMemory("aExtraTable2", r.aExtraTable2);
    v("nGetMethodType", r.nGetMethodType);
    v("nScanSpeedType", r.nScanSpeedType);
    v("strDllName", r.strDllName);
    v("strDriverName", r.strDriverName);
    v("strRequiredFirmwareVersion", r.strRequiredFirmwareVersion);
    v("strRecommendedFirmwareVersion", r.strRecommendedFirmwareVersion);
    v.InMemory("nExtraValue2", r.nExtraValue2);
    v.InMemory("nExtraValue3", r.nExtraValue3);
    v.InMemory("bExtraFlag3", r.bExtraFlag3);
    v("nNozzleCountPerHeadColumn", r.nNozzleCountPerHeadColumn);
    v("flNozzleResolution", r.flNozzleResolution);
    v.InMemory("nExtraValue4", r.nExtraValue4);
    v("nMinimumReturnScanSpeed", r.nMinimumReturnScanSpeed);
    v("nMaximumReturnScanSpeed", r.nMaximumReturnScanSpeed);
    v("dMaxLength", r.dMaxLength);
    v("bOverlapCutPerCutPath", r.bOverlapCutPerCutPath);
    v("nUVLampCount", r.nUVLampCount);
    v("bHBridgeFeature", r.bHBridgeFeature);
  }
};

template <>
struct RecordFields<InkRGB> {
  static constexpr bool kDefined = true;
  static constexpr bool kOneLine = true;
  static constexpr const char* kName = "InkRGB";
  template <typename Record, typename Visit>
  static void Each(Record& r, Visit& v) {
    v("nRed", r.nRed);
    v("nGreen", r.nGreen);
    v("nBlue", r.nBlue);
  }
};

template <>
struct RecordFields<InkInfo> {
  static constexpr bool kDefined = true;
  static constexpr const char* kName = "InkInfo";
  template <typename Record, typename Visit>
  static void Each(Record& r, Visit& v) {
    v("nInkIndex", r.nInkIndex);
    v("strLongInkName", r.strLongInkName);
    v("strShortInkName", r.strShortInkName);
    v("lightColor", r.lightColor);
    v("darkColor", r.darkColor);
    v("flPrice", r.flPrice);
    v("nCapacity", r.nCapacity);
  }
};

template <>
struct RecordFields<InkConfigInfo> {
  static constexpr bool kDefined = true;
  static constexpr const char* kName = "InkConfigInfo";
  template <typename Record, typename Visit>
  static void Each(Record& r, Visit& v) {
    v("nInkConfigIndex", r.nInkConfigIndex);
    v("strInkConfigName", r.strInkConfigName);
    v("strFolderName", r.strFolderName);
    v("nInkIndexList", r.nInkIndexList);
  }
};

template <>
struct RecordFields<InkVolumeInfo> {
  static constexpr bool kDefined = true;
  static constexpr const char* kName = "InkVolumeInfo";
  template <typename Record, typename Visit>
  static void Each(Record& r, Visit& v) {
    v("nInkVolumeIndex", r.nInkVolumeIndex);
    v("astrInkVolumeList", r.astrInkVolumeList);
  }
};

template <>
struct RecordFields<ResolutionInfo> {
  static constexpr bool kDefined = true;
  static constexpr const char* kName = "ResolutionInfo";
  template <typename Record, typename Visit>
  static void Each(Record& r, Visit& v) {
    v("nResolutionIndex", r.nResolutionIndex);
    v("strResolutionName", r.strResolutionName);
    v("flScanResolution", r.flScanResolution);
    v("flFeedResolution", r.flFeedResolution);
  }
};

template <>
struct RecordFields<UVLampPower> {
  static constexpr bool kDefined = true;
  static constexpr bool kOneLine = true;
  static constexpr const char* kName = "UVLampPower";
  template <typename Record, typename Visit>
  static void Each(Record& r, Visit& v) {
    v.InMemory("nBasePower", r.nBasePower);
    v("nForwardPower", r.nForwardPower);
    v("nBackwardPower", r.nBackwardPower);
  }
};

template <>
struct RecordFields<ModeInfo> {
  static constexpr bool kDefined = true;
  static constexpr const char* kName = "ModeInfo";
  template <typename Record, typename Visit>
  static void Each(Record& r, Visit& v) {
    v("nModeIndex", r.nModeIndex);
    v("strModeName", r.strModeName);
    v("nInkNum", r.nInkNum);
    v("nInkIndexList", r.nInkIndexList);
    v("nBitsPerPixel", r.nBitsPerPixel);
    v("nDotType", r.nDotType);
    v("strDotSize", r.strDotSize);
    v("strNozzleMask", r.strNozzleMask);
    v("nPassesPerLine", r.nPassesPerLine);
    v("strPJLOption", r.strPJLOption);
    v("flFeedResolutionPerPass", r.flFeedResolutionPerPass);
    v("nInkVolumeIndex", r.nInkVolumeIndex);
    v("nNozzleMaskCount", r.nNozzleMaskCount);
    v("nEmptyPathLength", r.nEmptyPathLength);
    v("nAdditionalPrintingTime", r.nAdditionalPrintingTime);
    v("aUVLampPowerList", r.aUVLampPowerList);
  }
};

template <>
struct RecordFields<PatternInfo> {
  static constexpr bool kDefined = true;
  static constexpr const char* kName = "PatternInfo";
  template <typename Record, typename Visit>
  static void Each(Record& r, Visit& v) {
    v("nFMPatternIndex", r.nFMPatternIndex);
    v("nScanPixelSize", r.nScanPixelSize);
    v("nFeedPixelSize", r.nFeedPixelSize);
    v("strPatternFile", r.strPatternFile);
  }
};

}  // namespace dsrtool
