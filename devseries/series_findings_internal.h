// The findings of each kind of standalone record file, as CheckSeries
// finds them in a series: what the format tolerates but makes no sense,
// in document order, each path starting at the record's own element
// ("MediaInfo/aQualityInfoList"). An index naming a list the file does not
// hold (a medium's print modes, which are the series') names nothing to
// check against and gives no finding.
#pragma once

#include <vector>

#include "devseries/color/custom_color_info.h"
#include "devseries/devseries.h"
#include "devseries/xmlio/time_stamp.h"

namespace devseries {

// CheckSeries(series).
std::vector<Finding> CheckRecord(const DeviceSeries& series);
std::vector<Finding> CheckRecord(const ModelInfo& record);
std::vector<Finding> CheckRecord(const InkInfo& record);
std::vector<Finding> CheckRecord(const InkConfigInfo& record);
std::vector<Finding> CheckRecord(const ResolutionInfo& record);
std::vector<Finding> CheckRecord(const ModeInfo& record);
std::vector<Finding> CheckRecord(const PatternInfo& record);
std::vector<Finding> CheckRecord(const MediaInfo& record);
std::vector<Finding> CheckRecord(const SeparationInfo& record);
std::vector<Finding> CheckRecord(const VControlPoint& record);
std::vector<Finding> CheckRecord(const TimeStamp& record);
// Its colour space is looked at although the file stores it only as the
// name of the colour's element ("CustomColorInfo/nColorSpace").
std::vector<Finding> CheckRecord(const CustomColorInfo& record);

}  // namespace devseries
