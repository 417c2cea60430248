// CheckSeries and CheckRecord, one table: the example and the synthetic
// series give nothing, each edit exactly the findings listed ("path:
// message", the message's end left out). The references are
// series_references_test's.
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "bench/synthetic_series.h"
#include "devseries/devseries.h"
#include "devseries/series_findings_internal.h"

using namespace devseries;

namespace {

const DeviceSeries& Example() {
  static DeviceSeries series;
  static const Status read = ReadSeries(
      std::string(TOVRA_SOURCE_DIR) + "/examples/studio-series.dsr", series);
  EXPECT_TRUE(read.ok()) << read.ToString();
  return series;
}

// CheckSeries of the example after `change`.
std::function<std::vector<Finding>()> Edited(
    std::function<void(DeviceSeries&)> change) {
  return [change] {
    DeviceSeries series = Example();
    change(series);
    return CheckSeries(series);
  };
}

// Sets sample j of the first separation's table `table` to sample(j, its
// sample j), as a read would expand them.
void EditSamples(DeviceSeries& series, size_t table,
                 std::function<int(size_t, int)> sample) {
  OutputTable& levels =
      series.aSeparationInfoList[0].aSeparationTableList[table].usOutputTable;
  OutputTableSamples samples = Samples(levels);
  for (size_t j = 0; j < samples.size(); ++j) {
    samples[j] = static_cast<std::uint16_t>(sample(j, samples[j]));
  }
  SetSamples(levels, samples);
}

struct Case {
  const char* name;
  std::function<std::vector<Finding>()> findings;
  std::vector<std::string> expected;
};
void PrintTo(const Case& entry, std::ostream* out) { *out << entry.name; }

const std::string kMedia = "DeviceSeries/aMediaInfoList/";
const std::string kTable =
    "DeviceSeries/aSeparationInfoList/SeparationInfo[1]/aSeparationTableList/"
    "SeparationTable[1]/usOutputTable: ";

const Case kCases[] = {
    {"the example series", [] { return CheckSeries(Example()); }, {}},
    {"the synthetic series",
     [] { return CheckSeries(MakeSyntheticSeries(SyntheticShape{})); },
     {}},
    {"edits that make sense",
     Edited([](DeviceSeries& s) {
       EditSamples(s, 0, [](size_t j, int) { return 4080 - 16 * int(j); });
       s.aSeparationInfoList[0].aSeparationTableList[1].eType = 0;
       EditSamples(s, 1, [](size_t j, int v) { return j == 9 ? 9000 : v; });
       auto& set = s.aMediaInfoList[0].aPermissionSetList[1];
       set.aCalibrationInfoList[0].density.fill(0);
       auto& density = set.aCalibrationInfoList[1].density;
       density[6] = density[5] - 0.0001f;  // equal as written
       // Hidden, but no quality level names it.
       s.aMediaInfoList[2].aQualityInfoList.clear();
       s.aMediaInfoList[2].nDefaultLevel = -1;
       s.aMediaInfoList[2].aPermissionSetList[0].bVisiblePermission = false;
     }),
     {}},
    {"a sample over the greatest level, and the curve round it",
     Edited([](DeviceSeries& s) {
       EditSamples(s, 0, [](size_t j, int v) { return j == 37 ? 5000 : v; });
     }),
     {kTable + "input level 594 is 5000, over the greatest output level 4095 "
               "(1 sample out of range in all)",
      kTable + "the expanded curve falls by 257 levels at input level 611 "
               "where its samples do not fall"}},
    {"a density that falls",
     Edited([](DeviceSeries& s) {
       auto& set = s.aMediaInfoList[0].aPermissionSetList[1];
       set.aCalibrationInfoList[2].density[5] = 0.1f;
       set.aCalibrationInfoList[2].density[20] = 0;
     }),
     {kMedia + "MediaInfo[1]/aPermissionSetList/PermissionSet[2]/"
               "aCalibrationInfoList/CalibrationInfo[3]/density/value[6]: "
               "density falls from 0.499 at step 5 to 0.100 at step 6 (2 "
               "steps fall in all)"}},
    {"media whose quality levels name hidden sets, none, or missing ones",
     Edited([](DeviceSeries& s) {
       for (auto& level : s.aMediaInfoList[0].aQualityInfoList) {
         level.anPermissionIndexList = {-1};
       }
       for (auto& set : s.aMediaInfoList[1].aPermissionSetList) {
         set.bVisiblePermission = false;
       }
       s.aMediaInfoList[2].aQualityInfoList[0].anPermissionIndexList = {7};
       s.aMediaInfoList[2].aQualityInfoList.pop_back();
     }),
     {kMedia + "MediaInfo[1]/aQualityInfoList: its quality levels name no "
               "permission set",
      kMedia + "MediaInfo[2]/aQualityInfoList: its quality levels name no "
               "visible permission set (the 2 they name are hidden)",
      kMedia + "MediaInfo[3]/aQualityInfoList/QualityInfo[1]/"
               "anPermissionIndexList/anPermissionIndex[1]: names "
               "PermissionSet 7"}},

    // Standalone records: paths from their own element, only their own
    // lists referred to.
    {"a standalone medium",
     [] {
       MediaInfo media = Example().aMediaInfoList[1];
       media.aPermissionSetList[0].nModeIndex = 42;
       media.aPermissionSetList[0].bVisiblePermission = false;
       media.aQualityInfoList[1].anPermissionIndexList = {0};
       media.nDefaultLevel = 9;
       return CheckRecord(media);
     },
     {"MediaInfo/aQualityInfoList: its quality levels name no visible "
      "permission set (the one they name is hidden)",
      "MediaInfo/nDefaultLevel: names QualityInfo 9"}},
    {"a standalone separation with a straight ramp over the greatest level",
     [] {
       DeviceSeries series = Example();
       EditSamples(series, 0, [](size_t j, int) { return 20 * int(j); });
       return CheckRecord(series.aSeparationInfoList[0]);
     },
     {"SeparationInfo/aSeparationTableList/SeparationTable[1]/usOutputTable: "
      "input level 3292 is 4100, over the greatest output level 4095 (51 "
      "samples out of range in all)"}},
    {"a custom colour's space",
     [] {
       CustomColorInfo colour;
       colour.nColorSpace = 3;
       return CheckRecord(colour);
     },
     {"CustomColorInfo/nColorSpace: nColorSpace 3 is none of the values the "
      "format allows (2 CMYK, 4 CMYKOG)"}},
};

class SeriesFindingsTest : public ::testing::TestWithParam<Case> {};

TEST_P(SeriesFindingsTest, FindsExactlyTheListed) {
  std::vector<std::string> found;
  for (const Finding& finding : GetParam().findings()) {
    found.push_back(finding.path + ": " + finding.message);
  }
  const std::vector<std::string>& expected = GetParam().expected;
  ASSERT_EQ(found.size(), expected.size()) << ::testing::PrintToString(found);
  for (size_t i = 0; i < found.size(); ++i) {
    EXPECT_EQ(found[i].substr(0, expected[i].size()), expected[i]);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, SeriesFindingsTest,
                         ::testing::ValuesIn(kCases));

}  // namespace
