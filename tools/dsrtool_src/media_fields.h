// JSON field lists of the media description records: the media record with
// its permission sets, quality levels, calibration and screening data and
// time stamp, the separation record with its tables, VControl points and
// print-chart file sets. Every member in declaration order.
#pragma once

#include "records/media/calibration_info.h"
#include "records/media/media_info.h"
#include "records/media/permission_set.h"
#include "records/media/print_chart_file_info_set.h"
#include "records/media/quality_info.h"
#include "records/media/screen_option.h"
#include "records/media/separation_info.h"
#include "records/media/vcontrol_point.h"
#include "tools/dsrtool_src/json_codec.h"
#include "xmlio/time_stamp.h"

namespace dsrtool {

using namespace ::devseries;

template <>
struct RecordFields<TimeStamp> {
  static constexpr bool kDefined = true;
  static constexpr bool kOneLine = true;
  static constexpr const char* kName = "TimeStamp";
  template <typename Record, typename Visit>
  static void Each(Record& r, Visit& v) {
    v("year", r.year);
    v("month", r.month);
    v("day", r.day);
    v("hour", r.hour);
    v("minute", r.minute);
    v("second", r.second);
    v("ms", r.ms);
  }
};

template <>
struct RecordFields<CalibrationLab> {
  static constexpr bool kDefined = true;
  static constexpr bool kOneLine = true;
  static constexpr const char* kName = "CalibrationLab";
  template <typename Record, typename Visit>
  static void Each(Record& r, Visit& v) {
    v("l", r.l);
    v("a", r.a);
    v("b", r.b);
  }
};

template <>
struct RecordFields<CalibrationInfo> {
  static constexpr bool kDefined = true;
  static constexpr const char* kName = "CalibrationInfo";
  template <typename Record, typename Visit>
  static void Each(Record& r, Visit& v) {
    v("nOutputLimit", r.nOutputLimit);
    v("density", r.density);
    v("lab", r.lab);
  }
};

template <>
struct RecordFields<ScreenOption> {
  static constexpr bool kDefined = true;
  static constexpr const char* kName = "ScreenOption";
  template <typename Record, typename Visit>
  static void Each(Record& r, Visit& v) {
    v("bUseCustomSetting", r.bUseCustomSetting);
    v("nLineCount", r.nLineCount);
    v("eDotShape", r.eDotShape);
    v("flDegrees", r.flDegrees);
  }
};

template <>
struct RecordFields<PermissionSet> {
  static constexpr bool kDefined = true;
  static constexpr const char* kName = "PermissionSet";
  template <typename Record, typename Visit>
  static void Each(Record& r, Visit& v) {
    v("nPermissionIndex", r.nPermissionIndex);
    v("anInkConfigIndexList", r.anInkConfigIndexList);
    v("nResolutionIndex", r.nResolutionIndex);
    v("nModeIndex", r.nModeIndex);
    v("nPassmaskIndex", r.nPassmaskIndex);
    v("eDirection", r.eDirection);
    v("eScreen", r.eScreen);
    v("anVControlIndexList", r.anVControlIndexList);
    v("anFMPatternIndexList", r.anFMPatternIndexList);
    v("nSeparationIndex", r.nSeparationIndex);
    v("aCalibrationInfoList", r.aCalibrationInfoList);
    v("nInkLimit", r.nInkLimit);
    v("strPrinterProfile", r.strPrinterProfile);
    v("nScanSpeed", r.nScanSpeed);
    v("nFeedSpeed", r.nFeedSpeed);
    v("bVisiblePermission", r.bVisiblePermission);
    v.StoredWhen(r.eScreen == kCustomScreen, "screenOption", r.screenOption,
                 "eScreen is 8 (the custom screen)");
    v("bRecommended", r.bRecommended);
    v("nRealPassCount", r.nRealPassCount);
    v("strNextPermissionIndex", r.strNextPermissionIndex);
  }
};

template <>
struct RecordFields<QualityInfo> {
  static constexpr bool kDefined = true;
  static constexpr const char* kName = "QualityInfo";
  template <typename Record, typename Visit>
  static void Each(Record& r, Visit& v) {
    v("nQualityLevel", r.nQualityLevel);
    v("strQualityName", r.strQualityName);
    v("anPermissionIndexList", r.anPermissionIndexList);
    v("bVisibleQuality", r.bVisibleQuality);
  }
};

template <>
struct RecordFields<MediaInfo> {
  static constexpr bool kDefined = true;
  static constexpr const char* kName = "MediaInfo";
  template <typename Record, typename Visit>
  static void Each(Record& r, Visit& v) {
    v("strMediaName", r.strMediaName);
    v("strBaseMediaName", r.strBaseMediaName);
    v("aPermissionSetList", r.aPermissionSetList);
    v("aQualityInfoList", r.aQualityInfoList);
    v("nDefaultLevel", r.nDefaultLevel);
    v("nDryTime", r.nDryTime);
    v("nVacuumPower", r.nVacuumPower);
    v("eHeadHeight", r.eHeadHeight);
    v("aflFeedCalibration", r.aflFeedCalibration);
    v("nPreHeater", r.nPreHeater);
    v("nPrintHeater", r.nPrintHeater);
    v("nDryHeater", r.nDryHeater);
    v("nCutCount", r.nCutCount);
    v("nCutVelocity", r.nCutVelocity);
    v("nCutForce", r.nCutForce);
    v("flCutOffset", r.flCutOffset);
    v("TimeStamp", r.TimeStamp);
    v("bVisibleMedia", r.bVisibleMedia);
    v("bCuttingMedia", r.bCuttingMedia);
    v("bUpdateNeeded", r.bUpdateNeeded);
    v("nInputRoute", r.nInputRoute);
    v("bPreHeaterEnable", r.bPreHeaterEnable);
    v("bPrinterHeaterEnable", r.bPrinterHeaterEnable);
    v("bDrierEnable", r.bDrierEnable);
    v("nMediaAttribute", r.nMediaAttribute);
    v("bHideUnrecommendedMode", r.bHideUnrecommendedMode);
    v("flNormalCutForceRange", r.flNormalCutForceRange);
    v("flDeepCutForceRange", r.flDeepCutForceRange);
    v("nDeepCutForce", r.nDeepCutForce);
    v("nHalfCutForce", r.nHalfCutForce);
    v("nOverPrintCount", r.nOverPrintCount);
    v("bUseDensityCalibration", r.bUseDensityCalibration);
  }
};

template <>
struct RecordFields<SeparationTable> {
  static constexpr bool kDefined = true;
  static constexpr const char* kName = "SeparationTable";
  template <typename Record, typename Visit>
  static void Each(Record& r, Visit& v) {
    v("nInputChannelNum", r.nInputChannelNum);
    v("eType", r.eType);
    v.Table("usOutputTable", r.usOutputTable, r.eType == 1);
    v("dStart", r.dStart);
    v("dPeak", r.dPeak);
    v("dMax", r.dMax);
    v("dEnd", r.dEnd);
    v("dEndMax", r.dEndMax);
    v("strInputChannel", r.strInputChannel);
    v("nInkIndex", r.nInkIndex);
    v("nHeadCount", r.nHeadCount);
  }
};

template <>
struct RecordFields<SeparationInfo> {
  static constexpr bool kDefined = true;
  static constexpr const char* kName = "SeparationInfo";
  template <typename Record, typename Visit>
  static void Each(Record& r, Visit& v) {
    v("nSeparationIndex", r.nSeparationIndex);
    v("strSeparationName", r.strSeparationName);
    v("nOutputChannel", r.nOutputChannel);
    v("aSeparationTableList", r.aSeparationTableList);
    v("nPrintChartFileInfoIndex", r.nPrintChartFileInfoIndex);
    v("strInkLimitTableFile", r.strInkLimitTableFile);
    v("anInputChannelInkIndexList", r.anInputChannelInkIndexList);
  }
};

template <>
struct RecordFields<VControlPoint> {
  static constexpr bool kDefined = true;
  static constexpr const char* kName = "VControlPoint";
  template <typename Record, typename Visit>
  static void Each(Record& r, Visit& v) {
    v("nVControlIndex", r.nVControlIndex);
    v("dSmallStart", r.dSmallStart);
    v("dSmallPeak", r.dSmallPeak);
    v("dSmallMax", r.dSmallMax);
    v("dSmallEnd", r.dSmallEnd);
    v("dSmallEndMax", r.dSmallEndMax);
    v("dMediumStart", r.dMediumStart);
    v("dMediumPeak", r.dMediumPeak);
    v("dMediumMax", r.dMediumMax);
    v("dMediumEnd", r.dMediumEnd);
    v("dMediumEndMax", r.dMediumEndMax);
    v("dLargeStart", r.dLargeStart);
    v("dLargePeak", r.dLargePeak);
    v("dLargeMax", r.dLargeMax);
    v("dLargeEnd", r.dLargeEnd);
    v("dLargeEndMax", r.dLargeEndMax);
  }
};

template <>
struct RecordFields<PrintChartFileInfoSet> {
  static constexpr bool kDefined = true;
  static constexpr const char* kName = "PrintChartFileInfoSet";
  template <typename Record, typename Visit>
  static void Each(Record& r, Visit& v) {
    v("nIndex", r.nIndex);
    v("strCalibrationFileName", r.strCalibrationFileName);
    v("strInkLimitFileName", r.strInkLimitFileName);
    v("strTestPrintFileName", r.strTestPrintFileName);
  }
};

}  // namespace dsrtool
