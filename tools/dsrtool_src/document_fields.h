// JSON field lists of the whole device-series document, its printer command
// strings (byte strings, as hex) and the custom colour record.
#pragma once

#include "color/custom_color_info.h"
#include "devseries/device_series.h"
#include "tools/dsrtool_src/json_codec.h"
#include "tools/dsrtool_src/media_fields.h"
#include "tools/dsrtool_src/printer_fields.h"

namespace dsrtool {

using namespace ::devseries;

template <>
struct RecordFields<DeviceSeriesCommandSet> {
  static constexpr bool kDefined = true;
  static constexpr const char* kName = "DeviceSeriesCommandSet";
  template <typename Record, typename Visit>
  static void Each(Record& r, Visit& v) {
    for (const CommandStringField& field : kCommandStringFields) {
      v.Bytes(field.name, r.*field.member);
    }
  }
};

// The document's fields under the names of their elements in the file; the
// second media array lives in memory only.
template <>
struct RecordFields<DeviceSeries> {
  static constexpr bool kDefined = true;
  static constexpr const char* kName = "DeviceSeries";
  template <typename Record, typename Visit>
  static void Each(Record& r, Visit& v) {
    v("aModelInfoList", r.aModelInfoList);
    v("aInkInfoList", r.aInkInfoList);
    v("aInkConfigInfoList", r.aInkConfigInfoList);
    v("aResolutionInfoList", r.aResolutionInfoList);
    v("aModeInfoList", r.aModeInfoList);
    v("aSeparationInfoList", r.aSeparationInfoList);
    v("aVControlPointList", r.aVControlPointList);
    v("aPatternInfoList", r.aPatternInfoList);
    v("commandSet", r.commandSet);
    v("aMediaInfoList", r.aMediaInfoList);
    v.InMemory("aMediaInfoList2", r.aMediaInfoList2);
    v("aPrintChartFileInfoSetList", r.aPrintChartFileInfoSetList);
    v("aInkVolumeInfoList", r.aInkVolumeInfoList);
    v("strFirmwareDownloadURL", r.strFirmwareDownloadURL);
  }
};

template <>
struct RecordFields<CustomColorInfo> {
  static constexpr bool kDefined = true;
  static constexpr const char* kName = "CustomColorInfo";
  template <typename Record, typename Visit>
  static void Each(Record& r, Visit& v) {
    v("strColorName", r.strColorName);
    v("nColorSpace", r.nColorSpace);
    v("aColorValue", r.aColorValue);
    v("strMatchLibName", r.strMatchLibName);
  }
};

}  // namespace dsrtool
