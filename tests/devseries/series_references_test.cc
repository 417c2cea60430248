// CheckReferences over crafted series, one table: a clean series gives
// nothing, each reference row of the field models left dangling gives its
// finding (the table must hold a case for every such row), repeated keys,
// the scope of a medium's own lists, the document's order, and the example
// series. Then the named enumerations held to the models' names, and the
// packed print directions.
#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "devseries/color/custom_color_info_model_internal.h"
#include "devseries/device_series_model_internal.h"
#include "devseries/devseries.h"
#include "devseries/enumerations.h"
#include "devseries/records/media/uv_lamp_power_model_internal.h"
#include "devseries/xmlio/field_model_internal.h"

using namespace devseries;
using namespace devseries::field_model;

namespace {

// --------------------------------------------------------- the models' rows

// Calls f(record name, row) for every row of Record's model and of the
// models of the records its members hold, depth first.
template <typename Record, typename F>
void ForEachRowBelow(F&& f) {
  ForEachField<Record>([&](const auto& row) {
    f(RecordName<Record>(), row);
    using Member = typename std::remove_cvref_t<decltype(row)>::MemberType;
    using Inner = HeldRecord<Member>;
    if constexpr (!std::is_void_v<Inner>) ForEachRowBelow<Inner>(f);
  });
}

// "PermissionSet.nModeIndex" for every row of the models that refers to a
// list.
std::set<std::string> ReferenceRows() {
  std::set<std::string> rows;
  ForEachRowBelow<DeviceSeries>([&](std::string_view record, const auto& row) {
    if (row.meaning.refersTo.empty()) return;
    rows.insert(std::string(record) + "." + std::string(row.MemberName()));
  });
  return rows;
}

// ---------------------------------------------------------------- series

// A series whose every index names an entry and whose keys are distinct:
// two models' worth of lists, each key a number of its own, and two media
// with the same permission and quality numbers (each medium's own).
DeviceSeries CleanSeries() {
  DeviceSeries series;
  ModelInfo model;
  model.nDefaultInkIndex.fill(-1);
  model.nDefaultInkIndex[0] = 1;
  model.nDefaultInkIndex[1] = 2;
  series.aModelInfoList = {model, model};

  InkInfo cyan, magenta;
  cyan.nInkIndex = 1;
  magenta.nInkIndex = 2;
  series.aInkInfoList = {cyan, magenta};

  InkConfigInfo config;
  config.nInkConfigIndex = 3;
  config.nInkIndexList.fill(-1);
  config.nInkIndexList[0] = 1;
  config.nInkIndexList[1] = 2;
  series.aInkConfigInfoList = {config};

  ResolutionInfo resolution;
  resolution.nResolutionIndex = 4;
  series.aResolutionInfoList = {resolution};

  ModeInfo mode;
  mode.nModeIndex = 5;
  mode.nInkIndexList.fill(-1);
  mode.nInkIndexList[0] = 2;
  mode.nInkVolumeIndex = 6;
  series.aModeInfoList = {mode};

  InkVolumeInfo volume;
  volume.nInkVolumeIndex = 6;
  series.aInkVolumeInfoList = {volume};

  SeparationInfo separation;
  separation.nSeparationIndex = 7;
  separation.nPrintChartFileInfoIndex = 8;
  separation.anInputChannelInkIndexList = {1, 2};
  SeparationTable table;
  table.nInkIndex = 1;
  separation.aSeparationTableList = {table, table};
  series.aSeparationInfoList = {separation};

  PrintChartFileInfoSet charts;
  charts.nIndex = 8;
  series.aPrintChartFileInfoSetList = {charts};

  VControlPoint point;
  point.nVControlIndex = 9;
  series.aVControlPointList = {point};
  PatternInfo pattern;
  pattern.nFMPatternIndex = 10;
  series.aPatternInfoList = {pattern};

  PermissionSet set;
  set.nPermissionIndex = 11;
  set.anInkConfigIndexList = {3};
  set.nResolutionIndex = 4;
  set.nModeIndex = 5;
  set.anVControlIndexList = {9};
  set.anFMPatternIndexList = {10};
  set.nSeparationIndex = 7;
  PermissionSet other = set;
  other.nPermissionIndex = 12;
  QualityInfo quality;
  quality.nQualityLevel = 13;
  quality.anPermissionIndexList = {11, 12};
  MediaInfo media;
  media.aPermissionSetList = {set, other};
  media.aQualityInfoList = {quality};
  media.nDefaultLevel = 13;
  series.aMediaInfoList = {media, media};
  return series;
}

// The clean series after `change`.
std::function<DeviceSeries()> Clean(std::function<void(DeviceSeries&)> change) {
  return [change] {
    DeviceSeries series = CleanSeries();
    change(series);
    return series;
  };
}

DeviceSeries ExampleSeries() {
  DeviceSeries series;
  DeviceSeriesIO2 io(std::string(TOVRA_SOURCE_DIR) +
                     "/examples/studio-series.dsr");
  if (!io.Read(series)) ADD_FAILURE() << "the example series does not read";
  return series;
}

// ------------------------------------------------------------ the table

struct Expected {
  std::string path;
  std::string message;
};

struct Case {
  const char* name;
  // The reference row the case leaves dangling ("PermissionSet.nModeIndex");
  // empty for a case of another kind.
  std::string dangling;
  std::function<DeviceSeries()> series;
  std::vector<Expected> findings;
};

constexpr const char* kMedium = "DeviceSeries/aMediaInfoList/MediaInfo[2]";
constexpr const char* kSet =
    "DeviceSeries/aMediaInfoList/MediaInfo[2]/aPermissionSetList/"
    "PermissionSet[1]";

std::string At(const char* base, const char* rest) {
  return std::string(base) + "/" + rest;
}

const std::vector<Case>& Cases() {
  static const std::vector<Case> cases = {
      {"a clean series", "", CleanSeries, {}},
      {"an empty series", "", [] { return DeviceSeries(); }, {}},

      // Each reference row, dangling.
      {"a model's default ink",
       "ModelInfo.nDefaultInkIndex",
       Clean([](DeviceSeries& s) {
         s.aModelInfoList[1].nDefaultInkIndex[23] = 42;
       }),
       {{"DeviceSeries/aModelInfoList/ModelInfo[2]/nDefaultInkIndex/value23",
         "names InkInfo 42 (no InkInfo has nInkIndex 42)"}}},
      {"an ink of an ink configuration",
       "InkConfigInfo.nInkIndexList",
       Clean([](DeviceSeries& s) {
         s.aInkConfigInfoList[0].nInkIndexList[2] = 3;
       }),
       {{"DeviceSeries/aInkConfigInfoList/InkConfigInfo[1]/nInkIndexList/"
         "nInkIndex[3]",
         "names InkInfo 3 (no InkInfo has nInkIndex 3)"}}},
      {"an ink of a print mode",
       "ModeInfo.nInkIndexList",
       Clean([](DeviceSeries& s) { s.aModeInfoList[0].nInkIndexList[1] = 0; }),
       {{"DeviceSeries/aModeInfoList/ModeInfo[1]/nInkIndexList/value1",
         "names InkInfo 0 (no InkInfo has nInkIndex 0)"}}},
      {"the ink volume of a print mode",
       "ModeInfo.nInkVolumeIndex",
       Clean([](DeviceSeries& s) { s.aModeInfoList[0].nInkVolumeIndex = 7; }),
       {{"DeviceSeries/aModeInfoList/ModeInfo[1]/nInkVolumeIndex",
         "names InkVolumeInfo 7 (no InkVolumeInfo has nInkVolumeIndex 7)"}}},
      {"an input channel's ink of a separation",
       "SeparationInfo.anInputChannelInkIndexList",
       Clean([](DeviceSeries& s) {
         s.aSeparationInfoList[0].anInputChannelInkIndexList.push_back(9);
       }),
       {{"DeviceSeries/aSeparationInfoList/SeparationInfo[1]/"
         "anInputChannelInkIndexList/nInkIndex[3]",
         "names InkInfo 9 (no InkInfo has nInkIndex 9)"}}},
      {"the print-chart files of a separation",
       "SeparationInfo.nPrintChartFileInfoIndex",
       Clean([](DeviceSeries& s) {
         s.aSeparationInfoList[0].nPrintChartFileInfoIndex = 0;
       }),
       {{"DeviceSeries/aSeparationInfoList/SeparationInfo[1]/"
         "nPrintChartFileInfoIndex",
         "names PrintChartFileInfoSet 0 (no PrintChartFileInfoSet has nIndex "
         "0)"}}},
      {"the ink of a separation table",
       "SeparationTable.nInkIndex",
       Clean([](DeviceSeries& s) {
         s.aSeparationInfoList[0].aSeparationTableList[1].nInkIndex = 5;
       }),
       {{"DeviceSeries/aSeparationInfoList/SeparationInfo[1]/"
         "aSeparationTableList/SeparationTable[2]/nInkIndex",
         "names InkInfo 5 (no InkInfo has nInkIndex 5)"}}},
      {"an ink configuration of a permission set",
       "PermissionSet.anInkConfigIndexList",
       Clean([](DeviceSeries& s) {
         s.aMediaInfoList[1].aPermissionSetList[0].anInkConfigIndexList = {3,
                                                                           4};
       }),
       {{At(kSet, "anInkConfigIndexList/anInkConfigIndex[2]"),
         "names InkConfigInfo 4 (no InkConfigInfo has nInkConfigIndex 4)"}}},
      {"the resolution of a permission set",
       "PermissionSet.nResolutionIndex",
       Clean([](DeviceSeries& s) {
         s.aMediaInfoList[1].aPermissionSetList[0].nResolutionIndex = 40;
       }),
       {{At(kSet, "nResolutionIndex"),
         "names ResolutionInfo 40 (no ResolutionInfo has nResolutionIndex "
         "40)"}}},
      {"the print mode of a permission set",
       "PermissionSet.nModeIndex",
       Clean([](DeviceSeries& s) {
         s.aMediaInfoList[1].aPermissionSetList[0].nModeIndex = 42;
       }),
       {{At(kSet, "nModeIndex"),
         "names ModeInfo 42 (no ModeInfo has nModeIndex 42)"}}},
      {"a VControl point of a permission set",
       "PermissionSet.anVControlIndexList",
       Clean([](DeviceSeries& s) {
         s.aMediaInfoList[1].aPermissionSetList[0].anVControlIndexList = {8};
       }),
       {{At(kSet, "anVControlIndexList/anVControlIndex[1]"),
         "names VControlPoint 8 (no VControlPoint has nVControlIndex 8)"}}},
      {"an FM pattern of a permission set",
       "PermissionSet.anFMPatternIndexList",
       Clean([](DeviceSeries& s) {
         s.aMediaInfoList[1].aPermissionSetList[0].anFMPatternIndexList = {
             10, 11, 10};
       }),
       {{At(kSet, "anFMPatternIndexList/anFMPatternIndex[2]"),
         "names PatternInfo 11 (no PatternInfo has nFMPatternIndex 11)"}}},
      {"the separation of a permission set",
       "PermissionSet.nSeparationIndex",
       Clean([](DeviceSeries& s) {
         s.aMediaInfoList[1].aPermissionSetList[0].nSeparationIndex = 0;
       }),
       {{At(kSet, "nSeparationIndex"),
         "names SeparationInfo 0 (no SeparationInfo has nSeparationIndex "
         "0)"}}},
      {"a permission set of a quality level",
       "QualityInfo.anPermissionIndexList",
       Clean([](DeviceSeries& s) {
         s.aMediaInfoList[1].aQualityInfoList[0].anPermissionIndexList = {13};
       }),
       {{At(kMedium,
            "aQualityInfoList/QualityInfo[1]/anPermissionIndexList/"
            "anPermissionIndex[1]"),
         "names PermissionSet 13 (no PermissionSet has nPermissionIndex "
         "13)"}}},
      {"the default level of a medium",
       "MediaInfo.nDefaultLevel",
       Clean([](DeviceSeries& s) { s.aMediaInfoList[1].nDefaultLevel = 1; }),
       {{At(kMedium, "nDefaultLevel"),
         "names QualityInfo 1 (no QualityInfo has nQualityLevel 1)"}}},

      // What names nothing.
      {"indices below 0 name nothing",
       "",
       Clean([](DeviceSeries& s) {
         s.aModeInfoList[0].nInkVolumeIndex = -1;
         s.aMediaInfoList[0].aPermissionSetList[0].nModeIndex = -2;
         s.aMediaInfoList[0].aQualityInfoList[0].anPermissionIndexList = {-1};
         s.aSeparationInfoList[0].aSeparationTableList[0].nInkIndex = -1;
       }),
       {}},
      {"an index into an empty list",
       "",
       Clean([](DeviceSeries& s) { s.aInkVolumeInfoList.clear(); }),
       {{"DeviceSeries/aModeInfoList/ModeInfo[1]/nInkVolumeIndex",
         "names InkVolumeInfo 6 (no InkVolumeInfo has nInkVolumeIndex 6)"}}},
      {"a medium's indices name its own lists",
       "",
       Clean([](DeviceSeries& s) {
         MediaInfo& first = s.aMediaInfoList[0];
         first.aPermissionSetList[1].nPermissionIndex = 14;
         first.aQualityInfoList[0].nQualityLevel = 15;
         first.aQualityInfoList[0].anPermissionIndexList = {11, 14};
         first.nDefaultLevel = 15;
         // The second medium names what only the first has.
         s.aMediaInfoList[1].aQualityInfoList[0].anPermissionIndexList = {14};
         s.aMediaInfoList[1].nDefaultLevel = 15;
       }),
       {{At(kMedium,
            "aQualityInfoList/QualityInfo[1]/anPermissionIndexList/"
            "anPermissionIndex[1]"),
         "names PermissionSet 14 (no PermissionSet has nPermissionIndex 14)"},
        {At(kMedium, "nDefaultLevel"),
         "names QualityInfo 15 (no QualityInfo has nQualityLevel 15)"}}},
      {"media kept only in memory are not looked at",
       "",
       Clean([](DeviceSeries& s) {
         MediaInfo kept = s.aMediaInfoList[0];
         kept.nDefaultLevel = 99;
         kept.aPermissionSetList[1].nPermissionIndex = 11;
         s.aMediaInfoList2 = {kept};
       }),
       {}},

      // Keys.
      {"a repeated key",
       "",
       Clean([](DeviceSeries& s) {
         InkInfo ink;
         ink.nInkIndex = 1;
         s.aInkInfoList.push_back(ink);
         s.aInkInfoList.push_back(ink);
       }),
       {{"DeviceSeries/aInkInfoList/InkInfo[3]/nInkIndex",
         "nInkIndex 1 repeats InkInfo[1]'s"},
        {"DeviceSeries/aInkInfoList/InkInfo[4]/nInkIndex",
         "nInkIndex 1 repeats InkInfo[1]'s"}}},
      {"a key repeated within a medium, not across media",
       "",
       Clean([](DeviceSeries& s) {
         MediaInfo& media = s.aMediaInfoList[1];
         media.aPermissionSetList[1].nPermissionIndex = 11;
         media.aQualityInfoList[0].anPermissionIndexList = {11};
         s.aMediaInfoList[1].aQualityInfoList.push_back(
             s.aMediaInfoList[1].aQualityInfoList[0]);
       }),
       {{At(kMedium, "aPermissionSetList/PermissionSet[2]/nPermissionIndex"),
         "nPermissionIndex 11 repeats PermissionSet[1]'s"},
        {At(kMedium, "aQualityInfoList/QualityInfo[2]/nQualityLevel"),
         "nQualityLevel 13 repeats QualityInfo[1]'s"}}},
      {"a key of every list repeated",
       "",
       Clean([](DeviceSeries& s) {
         s.aInkConfigInfoList.push_back(s.aInkConfigInfoList[0]);
         s.aResolutionInfoList.push_back(s.aResolutionInfoList[0]);
         s.aModeInfoList.push_back(s.aModeInfoList[0]);
         s.aSeparationInfoList.push_back(s.aSeparationInfoList[0]);
         s.aVControlPointList.push_back(s.aVControlPointList[0]);
         s.aPatternInfoList.push_back(s.aPatternInfoList[0]);
         s.aPrintChartFileInfoSetList.push_back(
             s.aPrintChartFileInfoSetList[0]);
         s.aInkVolumeInfoList.push_back(s.aInkVolumeInfoList[0]);
         // Lists without a key: models, separation tables.
         s.aModelInfoList.push_back(s.aModelInfoList[0]);
       }),
       {{"DeviceSeries/aInkConfigInfoList/InkConfigInfo[2]/nInkConfigIndex",
         "nInkConfigIndex 3 repeats InkConfigInfo[1]'s"},
        {"DeviceSeries/aResolutionInfoList/ResolutionInfo[2]/"
         "nResolutionIndex",
         "nResolutionIndex 4 repeats ResolutionInfo[1]'s"},
        {"DeviceSeries/aModeInfoList/ModeInfo[2]/nModeIndex",
         "nModeIndex 5 repeats ModeInfo[1]'s"},
        {"DeviceSeries/aSeparationInfoList/SeparationInfo[2]/"
         "nSeparationIndex",
         "nSeparationIndex 7 repeats SeparationInfo[1]'s"},
        {"DeviceSeries/aVControlPointList/VControlPoint[2]/nVControlIndex",
         "nVControlIndex 9 repeats VControlPoint[1]'s"},
        {"DeviceSeries/aPatternInfoList/PatternInfo[2]/nFMPatternIndex",
         "nFMPatternIndex 10 repeats PatternInfo[1]'s"},
        {"DeviceSeries/aPrintChartFileInfoSetList/PrintChartFileInfoSet[2]/"
         "nIndex",
         "nIndex 8 repeats PrintChartFileInfoSet[1]'s"},
        {"DeviceSeries/aInkVolumeInfoList/InkVolumeInfo[2]/nInkVolumeIndex",
         "nInkVolumeIndex 6 repeats InkVolumeInfo[1]'s"}}},
      {"findings in the document's order",
       "",
       Clean([](DeviceSeries& s) {
         s.aMediaInfoList[0].nDefaultLevel = 0;
         s.aMediaInfoList[0].aPermissionSetList[1].nModeIndex = 6;
         s.aModeInfoList.push_back(s.aModeInfoList[0]);
         s.aModeInfoList[1].nInkVolumeIndex = 1;
         s.aInkInfoList[1].nInkIndex = 1;
       }),
       // Ink 2 is gone.
       {{"DeviceSeries/aModelInfoList/ModelInfo[1]/nDefaultInkIndex/value1",
         "names InkInfo 2 (no InkInfo has nInkIndex 2)"},
        {"DeviceSeries/aModelInfoList/ModelInfo[2]/nDefaultInkIndex/value1",
         "names InkInfo 2 (no InkInfo has nInkIndex 2)"},
        {"DeviceSeries/aInkInfoList/InkInfo[2]/nInkIndex",
         "nInkIndex 1 repeats InkInfo[1]'s"},
        {"DeviceSeries/aInkConfigInfoList/InkConfigInfo[1]/nInkIndexList/"
         "nInkIndex[2]",
         "names InkInfo 2 (no InkInfo has nInkIndex 2)"},
        {"DeviceSeries/aModeInfoList/ModeInfo[1]/nInkIndexList/value0",
         "names InkInfo 2 (no InkInfo has nInkIndex 2)"},
        {"DeviceSeries/aModeInfoList/ModeInfo[2]/nModeIndex",
         "nModeIndex 5 repeats ModeInfo[1]'s"},
        {"DeviceSeries/aModeInfoList/ModeInfo[2]/nInkIndexList/value0",
         "names InkInfo 2 (no InkInfo has nInkIndex 2)"},
        {"DeviceSeries/aModeInfoList/ModeInfo[2]/nInkVolumeIndex",
         "names InkVolumeInfo 1 (no InkVolumeInfo has nInkVolumeIndex 1)"},
        {"DeviceSeries/aSeparationInfoList/SeparationInfo[1]/"
         "anInputChannelInkIndexList/nInkIndex[2]",
         "names InkInfo 2 (no InkInfo has nInkIndex 2)"},
        {"DeviceSeries/aMediaInfoList/MediaInfo[1]/aPermissionSetList/"
         "PermissionSet[2]/nModeIndex",
         "names ModeInfo 6 (no ModeInfo has nModeIndex 6)"},
        {"DeviceSeries/aMediaInfoList/MediaInfo[1]/nDefaultLevel",
         "names QualityInfo 0 (no QualityInfo has nQualityLevel 0)"}}},

      // Every index of the example names an entry, every key is its list's
      // own.
      {"the example series", "", ExampleSeries, {}},
      {"the example series with a print mode renumbered",
       "",
       [] {
         DeviceSeries series = ExampleSeries();
         if (series.aModeInfoList.size() == 4) {
           series.aModeInfoList[3].nModeIndex = 2;
         }
         return series;
       },
       {{"DeviceSeries/aModeInfoList/ModeInfo[4]/nModeIndex",
         "nModeIndex 2 repeats ModeInfo[3]'s"},
        {"DeviceSeries/aMediaInfoList/MediaInfo[1]/aPermissionSetList/"
         "PermissionSet[3]/nModeIndex",
         "names ModeInfo 3 (no ModeInfo has nModeIndex 3)"},
        {"DeviceSeries/aMediaInfoList/MediaInfo[3]/aPermissionSetList/"
         "PermissionSet[1]/nModeIndex",
         "names ModeInfo 3 (no ModeInfo has nModeIndex 3)"}}},
  };
  return cases;
}

void PrintTo(const Case& entry, std::ostream* out) { *out << entry.name; }

class SeriesReferencesTest : public ::testing::TestWithParam<Case> {};

TEST_P(SeriesReferencesTest, FindsWhatTheSeriesHolds) {
  const std::vector<Finding> found = CheckReferences(GetParam().series());
  std::vector<std::string> actual, expected;
  for (const Finding& finding : found) {
    actual.push_back(finding.path + ": " + finding.message);
  }
  for (const Expected& finding : GetParam().findings) {
    expected.push_back(finding.path + ": " + finding.message);
  }
  EXPECT_EQ(actual, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SeriesReferencesTest, ::testing::ValuesIn(Cases()),
    [](const ::testing::TestParamInfo<Case>& info) {
      std::string name;
      for (const char* c = info.param.name; *c != '\0'; ++c) {
        name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
      }
      return name;
    });

// The table leaves every reference row of the models dangling once: a row
// added to a model needs a case here.
TEST(SeriesReferencesCoverage, EveryReferenceRowHasADanglingCase) {
  std::set<std::string> covered;
  for (const Case& entry : Cases()) {
    if (!entry.dangling.empty()) covered.insert(entry.dangling);
  }
  EXPECT_EQ(covered, ReferenceRows());
}

// ------------------------------------------------------------ enumerations

// An enum of devseries/enumerations.h as the models' names: the member it
// names, its enumerators, and ToString of any value.
struct NamedEnum {
  std::string member;  // "PermissionSet.eScreen"
  std::vector<std::int32_t> enumerators;
  std::function<std::string(std::int32_t)> text;
};

template <typename Enum>
std::function<std::string(std::int32_t)> TextOf() {
  return [](std::int32_t value) {
    return std::string(ToString(static_cast<Enum>(value)));
  };
}

const std::vector<NamedEnum>& NamedEnums() {
  static const std::vector<NamedEnum> enums = {
      {"PermissionSet.eScreen",
       {ToCode(ScreenCode::kCustomScreening)},
       TextOf<ScreenCode>()},
      {"SeparationTable.eType",
       {ToCode(SeparationTableType::kOutputTableInFile)},
       TextOf<SeparationTableType>()},
      {"CustomColorInfo.nColorSpace",
       {ToCode(CustomColorSpace::kCMYK), ToCode(CustomColorSpace::kCMYKOG)},
       TextOf<CustomColorSpace>()},
  };
  return enums;
}

// The names of every row of the models that gives some, by member
// ("PermissionSet.eScreen"): the device series' records and the standalone
// custom colour.
std::map<std::string, std::map<std::int32_t, std::string>> ModelNames() {
  std::map<std::string, std::map<std::int32_t, std::string>> names;
  auto note = [&](std::string_view record, const auto& row) {
    if (row.meaning.names.empty()) return;
    auto& values =
        names[std::string(record) + "." + std::string(row.MemberName())];
    for (const EnumName& name : row.meaning.names) {
      values[name.value] = std::string(name.name);
    }
  };
  ForEachRowBelow<DeviceSeries>(note);
  ForEachRowBelow<CustomColorInfo>(note);
  return names;
}

// Every row with names has its enum, every enum its row, with the same
// values and texts: an enumerator, a name or a text added on one side only
// fails here.
TEST(Enumerations, EqualTheModelsNames) {
  const auto modelNames = ModelNames();
  std::set<std::string> modelMembers, enumMembers;
  for (const auto& [member, values] : modelNames) modelMembers.insert(member);
  for (const NamedEnum& named : NamedEnums()) enumMembers.insert(named.member);
  EXPECT_EQ(enumMembers, modelMembers);

  for (const NamedEnum& named : NamedEnums()) {
    SCOPED_TRACE(named.member);
    auto found = modelNames.find(named.member);
    if (found == modelNames.end()) continue;
    const std::map<std::int32_t, std::string>& values = found->second;
    std::map<std::int32_t, std::string> enumerated;
    for (std::int32_t value : named.enumerators) {
      enumerated[value] = named.text(value);
    }
    EXPECT_EQ(enumerated, values);
    // ToString names exactly the model's values.
    std::vector<std::int32_t> probes = {
        std::numeric_limits<std::int32_t>::min(),
        std::numeric_limits<std::int32_t>::max()};
    for (std::int32_t value = -1024; value <= 1024; ++value) {
      probes.push_back(value);
    }
    for (std::int32_t value : probes) {
      auto name = values.find(value);
      EXPECT_EQ(named.text(value), name == values.end() ? "" : name->second)
          << "value " << value;
    }
  }
}

TEST(Enumerations, MatchTheLibrarysCodes) {
  static_assert(ToCode(ScreenCode::kCustomScreening) == kCustomScreen);
  static_assert(ToCode(CustomColorSpace::kCMYK) == kColorSpaceCMYK);
  static_assert(ToCode(CustomColorSpace::kCMYKOG) == kColorSpaceCMYKOG);
  PermissionSet set;
  set.eScreen = ToCode(ScreenCode::kCustomScreening);
  EXPECT_STREQ(ToString(static_cast<ScreenCode>(set.eScreen)),
               "custom screening");
}

// The one packed member is the permission set's directions, in the layout
// UnpackDirections reads.
TEST(PrintDirections, UnpackTheModelsLayout) {
  std::set<std::string> packed;
  ForEachRowBelow<DeviceSeries>([&](std::string_view record, const auto& row) {
    if (row.meaning.packing == Packing::kNone) return;
    EXPECT_EQ(row.meaning.packing, Packing::kChoicesAndPreferred);
    EXPECT_FALSE(row.meaning.layout.empty());
    packed.insert(std::string(record) + "." + std::string(row.MemberName()));
  });
  EXPECT_EQ(packed, std::set<std::string>{"PermissionSet.eDirection"});

  struct Directions {
    std::int32_t value;
    std::uint16_t allowed;
    std::uint16_t preferred;
    bool first, second;
  };
  const Directions table[] = {
      {0, 0, 0, false, false},
      {0x00010001, 1, 1, true, false},
      {0x00020003, 3, 2, true, true},
      {0x00010002, 2, 1, false, true},
      {-1, 0xFFFF, 0xFFFF, true, true},
      {std::numeric_limits<std::int32_t>::min(), 0, 0x8000, false, false},
  };
  for (const Directions& entry : table) {
    SCOPED_TRACE(entry.value);
    const PrintDirections directions = UnpackDirections(entry.value);
    EXPECT_EQ(directions.allowed, entry.allowed);
    EXPECT_EQ(directions.preferred, entry.preferred);
    EXPECT_EQ(directions.Allows(1), entry.first);
    EXPECT_EQ(directions.Allows(2), entry.second);
    EXPECT_FALSE(directions.Allows(0));
    EXPECT_FALSE(directions.Allows(17));
    EXPECT_EQ(PackDirections(directions), entry.value);
  }
  // A read gives a value without a preferred direction one: the second
  // when it is allowed.
  EXPECT_EQ(UnpackDirections(NormalizeDirection(3)).preferred, 2);
  static_assert(PackDirections({3, 2}) == 0x00020003);
}

}  // namespace
