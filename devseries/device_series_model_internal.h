// The device-series document's field model: its lists and command set, in
// the order the writer writes them.
#pragma once

#include "devseries/device_series.h"
#include "devseries/records/media/media_info_model_internal.h"
#include "devseries/records/media/print_chart_file_info_set_model_internal.h"
#include "devseries/records/media/separation_info_model_internal.h"
#include "devseries/records/media/vcontrol_point_model_internal.h"
#include "devseries/records/printer/ink_config_info_model_internal.h"
#include "devseries/records/printer/ink_info_model_internal.h"
#include "devseries/records/printer/ink_volume_info_model_internal.h"
#include "devseries/records/printer/mode_info_model_internal.h"
#include "devseries/records/printer/model_info_model_internal.h"
#include "devseries/records/printer/pattern_info_model_internal.h"
#include "devseries/records/printer/resolution_info_model_internal.h"
#include "devseries/xmlio/field_model_internal.h"

namespace devseries::field_model {

template <>
struct Model<DeviceSeriesCommandSet> {
  using R = DeviceSeriesCommandSet;
  static constexpr std::string_view kElement = "commandSet";
  static constexpr std::string_view kName = "DeviceSeriesCommandSet";
  static constexpr auto kFields = std::tuple{
      At("strInitialize", &R::strInitialize, {"printer initialisation"},
         EscapedText{}),
      At("strPrintHeader", &R::strPrintHeader, {"print job header"},
         EscapedText{}),
      At("strPrintTailer", &R::strPrintTailer, {"print job trailer"},
         EscapedText{}),
      At("strCutHeader", &R::strCutHeader, {"cut job header"}, EscapedText{}),
      At("strCutTailer", &R::strCutTailer, {"cut job trailer"}, EscapedText{}),
      At("strPageFeed", &R::strPageFeed, {"page feed"}, EscapedText{}),
      At("strPageRewind", &R::strPageRewind, {"page rewind"}, EscapedText{}),
      At("strSheetCut", &R::strSheetCut, {"sheet cut"}, EscapedText{}),
      At("strCancel", &R::strCancel, {"cancel"}, EscapedText{}),
  };
};
static_assert(CoversEveryMember<DeviceSeriesCommandSet>(),
              "every member of DeviceSeriesCommandSet has a row in its model");

// The root's element name and its "strVersion" attribute are the IO
// class's; the members after the positional ones are found by name.
template <>
struct Model<DeviceSeries> {
  using R = DeviceSeries;
  static constexpr std::string_view kElement = "DeviceSeries";
  static constexpr auto kFields = std::tuple{
      At("aModelInfoList", &R::aModelInfoList, {"printer models"},
         RecordList{}),
      At("aInkInfoList", &R::aInkInfoList, {"inks"}, RecordList{}),
      At("aInkConfigInfoList", &R::aInkConfigInfoList, {"ink configurations"},
         RecordList{}),
      At("aResolutionInfoList", &R::aResolutionInfoList, {"resolutions"},
         RecordList{}),
      At("aModeInfoList", &R::aModeInfoList, {"print modes"}, RecordList{}),
      At("aSeparationInfoList", &R::aSeparationInfoList, {"separations"},
         RecordList{}),
      At("aVControlPointList", &R::aVControlPointList, {"VControl points"},
         RecordList{}),
      At("aPatternInfoList", &R::aPatternInfoList, {"FM patterns"},
         RecordList{}),
      At("commandSet", &R::commandSet, {"printer command strings"},
         NestedRecord{}),
      At("aMediaInfoList", &R::aMediaInfoList, {"media"}, RecordList{}),
      Kept("aMediaInfoList2", &R::aMediaInfoList2,
           {"media held in memory only"}),
      Named("aPrintChartFileInfoSetList", &R::aPrintChartFileInfoSetList,
            {"print-chart file sets"}, kPrintChartFileInfoSetList)
          .AbsentFrom("files of older writers"),
      Named("aInkVolumeInfoList", &R::aInkVolumeInfoList,
            {"ink-volume settings"}, kInkVolumeInfoList)
          .AbsentFrom("files of older writers"),
      Named("strFirmwareDownloadURL", &R::strFirmwareDownloadURL,
            {"firmware download address per language"})
          .AbsentFrom("files of older writers"),
  };
};
static_assert(CoversEveryMember<DeviceSeries>(),
              "every member of DeviceSeries has a row in its model");

}  // namespace devseries::field_model
