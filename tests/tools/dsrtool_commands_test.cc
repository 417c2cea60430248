// dsrtool validate, merge and list, the host title, bad input of every
// command, usage errors and help, end to end through the built tool.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "devseries/device_series.h"
#include "devseries/device_series_model_internal.h"
#include "devseries/merge_update.h"
#include "devseries/platform/file_system.h"
#include "tests/support/media_fixture.h"
#include "tests/support/temp_dir.h"
#include "tests/tools/tool_runner.h"

using namespace devseries;
namespace field_model = devseries::field_model;

namespace {

using tovra::testing::FileExists;
using tovra::testing::LineCount;
using tovra::testing::ListFolder;
using tovra::testing::Media;
using tovra::testing::ReadFileBytes;
using tovra::testing::RunDsrTool;
using tovra::testing::RunDsrToolThroughPipes;
using tovra::testing::ScopedTempDir;
using tovra::testing::ToolRun;
using tovra::testing::WriteFileBytes;

constexpr const char* kGateTitle = "Vintrell Ostrivane Dual";

// A permission set of separation 7 with `calibrations` calibration entries.
PermissionSet Permission(size_t calibrations) {
  PermissionSet permission;
  permission.nSeparationIndex = 7;
  permission.screenOption.flDegrees = {30, 45, 90, 60};
  permission.aCalibrationInfoList.resize(calibrations);
  return permission;
}

SeparationInfo Separation(std::vector<std::int32_t> inks) {
  SeparationInfo separation;
  separation.nSeparationIndex = 7;
  separation.anInputChannelInkIndexList = std::move(inks);
  return separation;
}

// A device series with values in every optional part of the format.
DeviceSeries FullSeries() {
  DeviceSeries series;
  ModelInfo model;
  model.strRequiredFirmwareVersion = "2.1";
  model.strRecommendedFirmwareVersion = "2.2";
  series.aModelInfoList.push_back(model);
  // Sound: every index names a record, so that validate finds nothing.
  for (std::int32_t ink = 0; ink < 4; ++ink) {
    series.aInkInfoList.push_back(InkInfo{});
    series.aInkInfoList.back().nInkIndex = ink;
  }
  series.aInkConfigInfoList.push_back(InkConfigInfo{});
  series.aResolutionInfoList.push_back(ResolutionInfo{});
  ModeInfo mode;
  mode.aUVLampPowerList[0].nForwardPower = 80;
  series.aModeInfoList.push_back(mode);
  SeparationInfo separation = Separation({0, 1, 2, 3});
  SeparationTable table;
  table.eType = 1;
  table.usOutputTable.fill(4095);
  separation.aSeparationTableList = {table, SeparationTable{}};
  series.aSeparationInfoList.push_back(separation);
  series.aVControlPointList.push_back(VControlPoint{});
  series.aPatternInfoList.push_back(PatternInfo{});
  series.commandSet.strInitialize = std::string("\x1b@&\0\"'<>\\~ ", 11);
  MediaInfo media = Media("Vinyl", true);
  PermissionSet custom = Permission(2);
  custom.nPermissionIndex = 1;
  custom.eScreen = kCustomScreen;
  custom.bRecommended = !custom.bVisiblePermission;
  std::vector<float> angles(30, 45.0f);  // beyond the named flDegree children
  custom.screenOption.flDegrees = angles;
  media.aPermissionSetList = {custom, Permission(0)};
  media.aQualityInfoList.push_back(QualityInfo{});
  media.aQualityInfoList.back().anPermissionIndexList = {1, 0};
  media.aflFeedCalibration = {0.5f};
  series.aMediaInfoList.push_back(media);
  series.aPrintChartFileInfoSetList.push_back(PrintChartFileInfoSet{});
  series.aInkVolumeInfoList.push_back({1, {"4", "7"}});
  return series;
}

void WriteSeries(const std::string& path, DeviceSeries series,
                 const std::string& version = "3.3.0.0") {
  ASSERT_TRUE(DeviceSeriesIO2(path).Write(series));
  std::string text = ReadFileBytes(path);
  text.replace(text.find("3.3.0.0"), 7, version);
  WriteFileBytes(path, text);
}

// The line of `text` (1-based) on which `needle` first appears.
int LineOf(const std::string& text, const std::string& needle) {
  size_t at = text.find(needle);
  EXPECT_NE(at, std::string::npos) << needle;
  return 1 +
         static_cast<int>(std::count(text.begin(), text.begin() + at, '\n'));
}

// ------------------------------------------------------------- validate

class ValidateTest : public ::testing::Test {
 protected:
  // Every file the writers produce for `series`: the device series and
  // each standalone kind.
  std::vector<std::string> WriteAll(const std::string& stem,
                                    DeviceSeries series) {
    std::vector<std::string> paths;
    auto path = [&](const char* name) {
      paths.push_back(dir_.File(stem + name));
      return paths.back();
    };
    EXPECT_TRUE(DeviceSeriesIO2(path(".dsr")).Write(series));
    // Each standalone file holds the first record of its kind, or a new one.
    auto first = [](auto& list) {
      using Record = std::decay_t<decltype(list[0])>;
      return list.empty() ? Record{} : list[0];
    };
    EXPECT_TRUE(ModelInfoIO().SaveModelInfoFile(path("-model.xml"),
                                                first(series.aModelInfoList)));
    EXPECT_TRUE(InkInfoIO().SaveInkInfoFile(path("-ink.xml"),
                                            first(series.aInkInfoList)));
    EXPECT_TRUE(InkConfigInfoIO().SaveInkConfigInfoFile(
        path("-config.xml").c_str(), first(series.aInkConfigInfoList)));
    EXPECT_TRUE(ResolutionInfoIO().SaveResolutionInfoFile(
        path("-resolution.xml"), first(series.aResolutionInfoList)));
    EXPECT_TRUE(ModeInfoIO().SaveModeInfoFile(path("-mode.xml"),
                                              first(series.aModeInfoList)));
    EXPECT_TRUE(PatternInfoIO().SavePatternInfoFile(
        path("-pattern.xml"), first(series.aPatternInfoList)));
    EXPECT_TRUE(MediaInfoIO().SaveMediaInfoFile(path("-media.xml"),
                                                first(series.aMediaInfoList)));
    EXPECT_TRUE(SeparationInfoIO().SaveSeparationInfoFile(
        path("-separation.xml"), first(series.aSeparationInfoList)));
    EXPECT_TRUE(SaveVControlPointFile(path("-vcontrol.xml"),
                                      first(series.aVControlPointList)));
    EXPECT_TRUE(SaveTimeStampFile(path("-time.xml"), TimeStamp{2017, 1, 2}));
    return paths;
  }

  ScopedTempDir dir_;
};

TEST_F(ValidateTest, AcceptsWhatTheWritersProduce) {
  std::vector<std::string> paths = WriteAll("full", FullSeries());
  std::vector<std::string> empty = WriteAll("empty", DeviceSeries{});
  paths.insert(paths.end(), empty.begin(), empty.end());
  // A custom colour file as the tool's build writes it, in both spaces.
  for (const char* space : {"2", "4"}) {
    std::string json = dir_.File(std::string("color") + space + ".json");
    WriteFileBytes(
        json, std::string(R"({"CustomColorInfo": {"nColorSpace": )") + space +
                  R"(, "aColorValue": [1,2,3,4,5,6]}})");
    paths.push_back(json + ".xml");
    ASSERT_EQ(RunDsrTool({"build", json, paths.back()}).exitCode, 0);
  }
  for (const std::string& path : paths) {
    SCOPED_TRACE(path);
    ToolRun run = RunDsrTool({"validate", path});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, path + ": valid\n");
    // A new medium's default level names a quality level it does not have:
    // a warning. Every other file is sound.
    const bool newMedium = path == dir_.File("empty-media.xml");
    EXPECT_EQ(run.err.find(": warning: MediaInfo/nDefaultLevel: names "
                           "QualityInfo 0") != std::string::npos,
              newMedium)
        << run.err;
    EXPECT_EQ(LineCount(run.err), newMedium ? 1 : 0) << run.err;
    ToolRun given =
        RunDsrTool({"validate", "--schema", DSRTOOL_SCHEMA_PATH, path});
    EXPECT_EQ(given.exitCode, 0) << given.err;
    // The reader coerces nothing the writers wrote.
    ToolRun strict = RunDsrTool({"validate", "--strict", path});
    EXPECT_EQ(strict.err, run.err);
    EXPECT_EQ(strict.exitCode, newMedium ? 1 : 0) << strict.err;
  }
}

TEST_F(ValidateTest, TheReaderRefusesWhatTheSchemaAllows) {
  // A comment is allowed anywhere by the schema, but the media reader takes
  // its first children by position.
  WriteAll("full", FullSeries());
  std::string text = ReadFileBytes(dir_.File("full-media.xml"));
  text.insert(text.find("<strMediaName>"), "<!-- renamed -->");
  std::string path = dir_.File("commented.xml");
  WriteFileBytes(path, text);
  std::string expected = path + ":" + std::to_string(LineOf(text, "<!--")) +
                         ": MediaInfo: expected an element (strMediaName), "
                         "found a comment";
  for (const char* command : {"validate", "dump"}) {
    SCOPED_TRACE(command);
    ToolRun run = RunDsrTool({command, path});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(LineCount(run.err), 1) << run.err;
    EXPECT_EQ(run.err.rfind(expected, 0), 0u) << run.err;
  }
}

TEST_F(ValidateTest, StrictReportsTheValuesTheReaderCoerces) {
  // A schema that allows any content, so that the reader alone decides.
  std::string lax = dir_.File("lax.xsd");
  WriteFileBytes(lax,
                 "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\">"
                 "<xs:element name=\"TimeStamp\"/><xs:element "
                 "name=\"ModelInfo\"/><xs:element name=\"SeparationInfo\"/>"
                 "</xs:schema>");
  WriteAll("full", FullSeries());
  std::string table = ReadFileBytes(dir_.File("full-separation.xml"));
  table = table.substr(table.find("<usOutputTable>") + 15, 684);
  std::string lines;  // broken into lines, without its last "="
  for (size_t at = 0; at < 683; at += 76) {
    lines += "\n" + table.substr(at, std::min<size_t>(76, 683 - at));
  }
  struct Case {
    const char* file;
    std::string from;
    std::string to;
    std::string warning;  // "" for none
  };
  const Case cases[] = {
      {"full-time.xml", "<year>2017<", "<year>2017x<",
       "TimeStamp/year: \"2017x\" is not a number; read as 2017"},
      {"full-model.xml", "<bCutFeature>false<", "<bCutFeature>yes<",
       "ModelInfo/bCutFeature: \"yes\" is not true or false; read as false"},
      {"full-separation.xml", table, "@" + table.substr(1),
       "SeparationInfo/aSeparationTableList/SeparationTable[1]/usOutputTable: "
       "the output table is not Base64 (\"@\" is not a Base64 character, at "
       "character 1); the table is left as it was"},
      {"full-separation.xml", table, lines, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file + (": " + c.to.substr(0, 20)));
    std::string text = ReadFileBytes(dir_.File(c.file));
    text.replace(text.find(c.from), c.from.size(), c.to);
    std::string path = dir_.File(std::string("coerced-") + c.file);
    WriteFileBytes(path, text);

    ToolRun plain = RunDsrTool({"validate", "--schema", lax, path});
    EXPECT_EQ(plain.exitCode, 0) << plain.err;
    EXPECT_EQ(plain.out, path + ": valid\n");
    EXPECT_EQ(plain.err, "");
    ToolRun strict =
        RunDsrTool({"validate", "--strict", "--schema", lax, path});
    if (c.warning.empty()) {
      EXPECT_EQ(strict.exitCode, 0) << strict.err;
      continue;
    }
    EXPECT_EQ(strict.exitCode, 1);
    EXPECT_EQ(strict.out, "");
    EXPECT_EQ(strict.err, path + ":" + std::to_string(LineOf(text, c.to)) +
                              ": warning: " + c.warning + "\n");
  }
}

TEST_F(ValidateTest, RejectsAMisspelledElementOrValueWithItsLine) {
  WriteAll("full", FullSeries());
  struct Case {
    const char* file;
    const char* from;
    const char* to;
  };
  const Case cases[] = {
      {"full.dsr", "nHeadNum>", "nHeadNun>"},
      {"full.dsr", "aPatternInfoList>", "aPaternInfoList>"},
      {"full.dsr", "<eScreen>8<", "<eScreen>eight<"},
      {"full-ink.xml", "flPrice>", "flPrise>"},
      {"full-time.xml", "<month>1<", "<month>1.5<"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.file) + ": " + c.to);
    std::string text = ReadFileBytes(dir_.File(c.file));
    for (size_t at = text.find(c.from); at != std::string::npos;
         at = text.find(c.from, at + 1)) {
      text.replace(at, std::string(c.from).size(), c.to);
    }
    std::string path = dir_.File(std::string("bad-") + c.file);
    WriteFileBytes(path, text);
    ToolRun run = RunDsrTool({"validate", path});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    std::string line = std::to_string(LineOf(text, c.to));
    EXPECT_EQ(run.err.rfind(path + ":" + line + ": ", 0), 0u) << run.err;
  }
}

TEST_F(ValidateTest, LetsAbsentOnlyWhatWritersMayLeaveOut) {
  WriteAll("full", FullSeries());
  const std::string full = ReadFileBytes(dir_.File("full.dsr"));
  const struct {
    const char* element;
    bool valid;
  } cases[] = {
      // Left out by the writer on a condition.
      {"strRequiredFirmwareVersion", true},
      {"screenOption", true},
      {"bRecommended", true},
      // Lacking from files of older writers.
      {"aPrintChartFileInfoSetList", true},
      {"aInkVolumeInfoList", true},
      {"strFirmwareDownloadURL", true},
      // Always written, by position or by name.
      {"aMediaInfoList", false},
      {"nInkVolumeIndex", false},
      {"UVLampPower", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.element);
    std::string text = full;
    const size_t from = text.find(std::string("<") + c.element);
    const std::string end = std::string("</") + c.element + ">";
    const size_t to = text.find(end, from) + end.size();
    ASSERT_NE(from, std::string::npos);
    text.erase(from, to - from);
    const std::string path = dir_.File("without.dsr");
    WriteFileBytes(path, text);
    EXPECT_EQ(RunDsrTool({"validate", path}).exitCode, c.valid ? 0 : 1);
  }
}

// Values the format tolerates but no printer means are warnings with the
// line of their element: the file stays valid, unless --strict; --quiet
// prints nothing for a valid file, and the warnings all the same.
TEST_F(ValidateTest, WarnsOfWhatNoPrinterMeansWithItsLine) {
  const std::string example =
      ReadFileBytes(std::string(DSRTOOL_EXAMPLES_DIR) + "/studio-series.dsr");
  const struct {
    std::string from;
    std::string to;
    std::string warning;
  } cases[] = {
      {"<nResolutionIndex>1</nResolutionIndex>\n          <nModeIndex>1<",
       "<nResolutionIndex>1</nResolutionIndex>\n          <nModeIndex>42<",
       "DeviceSeries/aMediaInfoList/MediaInfo[1]/aPermissionSetList/"
       "PermissionSet[1]/nModeIndex: names ModeInfo 42 (no ModeInfo has "
       "nModeIndex 42)"},
      {"<nInkIndex>1<", "<nInkIndex>0<",
       "DeviceSeries/aInkInfoList/InkInfo[2]/nInkIndex: nInkIndex 0 repeats "
       "InkInfo[1]'s"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.to);
    std::string text = example;
    const size_t at = text.find(c.from);
    ASSERT_NE(at, std::string::npos);
    text.replace(at, c.from.size(), c.to);
    const std::string path = dir_.File("finding.dsr");
    WriteFileBytes(path, text);
    const size_t element = at + c.to.rfind('<', c.to.size() - 2);
    const std::string line = std::to_string(
        1 + std::count(text.begin(), text.begin() + element, '\n'));
    const std::string expected =
        path + ":" + line + ": warning: " + c.warning + "\n";

    ToolRun run = RunDsrTool({"validate", path});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, path + ": valid\n");
    EXPECT_NE(run.err.find(expected), std::string::npos) << run.err;
    ToolRun quiet = RunDsrTool({"validate", "--quiet", path});
    EXPECT_EQ(quiet.exitCode, 0);
    EXPECT_EQ(quiet.out, "");
    EXPECT_EQ(quiet.err, run.err);
    ToolRun strict = RunDsrTool({"validate", "--strict", "--quiet", path});
    EXPECT_EQ(strict.exitCode, 1);
    EXPECT_EQ(strict.err, run.err);
  }
}

// ---------------------------------------------------------------- merge

class MergeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Installed: the user hid Vinyl and added Own, whose permission set has
    // 6 calibration entries; the new file's separation has 4 inks.
    DeviceSeries installed;
    installed.aSeparationInfoList.push_back(Separation({0, 1, 2, 3, 4, 5}));
    installed.aMediaInfoList = {Media("Vinyl", false), Media("Own", true)};
    installed.aMediaInfoList[1].aPermissionSetList = {Permission(6)};
    installed.aMediaInfoList[1].aPermissionSetList[0].screenOption.flDegrees = {
        15, 45, 90, 75, 45, 45};
    DeviceSeries fresh;
    fresh.aSeparationInfoList.push_back(Separation({0, 1, 2, 3}));
    fresh.aMediaInfoList = {Media("Vinyl", true), Media("Banner", true)};
    WriteSeries(dir_.File("installed.dsr"), installed, "3.2.0.0");
    WriteSeries(dir_.File("new.dsr"), fresh, "3.3.1.0");
  }

  // A folder holding copies of the two fixtures.
  std::string CopyFixtures(const std::string& name) {
    std::string folder = dir_.File(name);
    std::filesystem::create_directory(folder);
    for (const char* file : {"installed.dsr", "new.dsr"}) {
      WriteFileBytes(folder + "/" + file, ReadFileBytes(dir_.File(file)));
    }
    return folder;
  }

  ScopedTempDir dir_;
};

TEST_F(MergeTest, GivesTheLibrarysResult) {
  std::string library = CopyFixtures("library");
  std::string tool = CopyFixtures("tool");
  MergeUpdateDeviceSeriesWith(
      library + "/installed.dsr",
      CopyNewFileFrom(library + "/new.dsr", platform::kMaxDocumentBytes));
  ToolRun run =
      RunDsrTool({"merge", tool + "/installed.dsr", tool + "/new.dsr"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out.rfind("merged ", 0), 0u) << run.out;  // and a summary
  std::string merged = ReadFileBytes(tool + "/installed.dsr");
  EXPECT_EQ(merged, ReadFileBytes(library + "/installed.dsr"));
  EXPECT_EQ(ListFolder(tool), ListFolder(library));
  EXPECT_EQ(ListFolder(tool),
            (std::vector<std::string>{"installed.dsr", "new.dsr"}));

  // The merge did happen: new version, Vinyl hidden, Own kept and cut.
  DeviceSeries result;
  ASSERT_TRUE(DeviceSeriesIO2(tool + "/installed.dsr").Read(result));
  EXPECT_NE(merged.find("strVersion=\"3.3.1.0\""), std::string::npos);
  ASSERT_EQ(result.aMediaInfoList.size(), 3u);
  EXPECT_FALSE(result.aMediaInfoList[0].bVisibleMedia);
  EXPECT_EQ(result.aMediaInfoList[2].strMediaName[0], "Own");
  EXPECT_EQ(result.aMediaInfoList[2]
                .aPermissionSetList[0]
                .aCalibrationInfoList.size(),
            4u);
}

TEST_F(MergeTest, VersionGateOfTheHostTitleRefusesAndLeavesTheFile) {
  std::string tool = CopyFixtures("tool");
  std::string installed = tool + "/installed.dsr";
  WriteSeries(installed, DeviceSeries{}, "7.0.1.0");
  std::string before = ReadFileBytes(installed);
  ToolRun run = RunDsrTool(
      {"merge", "--host-title", kGateTitle, installed, tool + "/new.dsr"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(LineCount(run.err), 1);
  EXPECT_NE(run.err.find(installed +
                         ":2: DeviceSeries: version 7.0.1.0 is not one this "
                         "host reads"),
            std::string::npos)
      << run.err;
  EXPECT_EQ(ReadFileBytes(installed), before);
  EXPECT_EQ(ListFolder(tool),
            (std::vector<std::string>{"installed.dsr", "new.dsr"}));
  // Another title, or none, accepts every version.
  EXPECT_EQ(
      RunDsrTool({"merge", "--host-title=Other", installed, tool + "/new.dsr"})
          .exitCode,
      0);
}

// ----------------------------------------------------------------- list

// The keys a line of `list --json` gives a record of kind Record: the
// members its model marks for the summary, and a name, empty where none is
// marked.
template <typename Record>
std::set<std::string> MarkedKeys() {
  std::set<std::string> keys = {"file", "kind", "position", "name"};
  field_model::ForEachField<Record>([&](const auto& row) {
    if (!row.meaning.summary.empty()) keys.emplace(row.meaning.summary);
  });
  return keys;
}

TEST(ListTest, EachLineShowsTheMembersTheModelMarksForTheSummary) {
  ScopedTempDir dir;
  const std::string path = dir.File("full.dsr");
  WriteSeries(path, FullSeries());
  std::map<std::string, std::set<std::string>> expected = {
      {"model", MarkedKeys<ModelInfo>()},
      {"ink", MarkedKeys<InkInfo>()},
      {"inkconfig", MarkedKeys<InkConfigInfo>()},
      {"resolution", MarkedKeys<ResolutionInfo>()},
      {"mode", MarkedKeys<ModeInfo>()},
      {"separation", MarkedKeys<SeparationInfo>()},
      {"vcontrol", MarkedKeys<VControlPoint>()},
      {"pattern", MarkedKeys<PatternInfo>()},
      {"media", MarkedKeys<MediaInfo>()},
      {"printchart", MarkedKeys<PrintChartFileInfoSet>()},
      {"inkvolume", MarkedKeys<InkVolumeInfo>()},
  };
  // The figures no single member holds.
  expected["separation"].insert("curves");
  expected["media"].insert("calibration");
  ToolRun run = RunDsrTool({"list", "--json", path});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  std::istringstream lines(run.out);
  std::set<std::string> listed;
  for (std::string line; std::getline(lines, line);) {
    const nlohmann::json entry = nlohmann::json::parse(line);
    const std::string kind = entry["kind"];
    SCOPED_TRACE(kind);
    std::set<std::string> keys;
    for (const auto& item : entry.items()) keys.insert(item.key());
    EXPECT_EQ(keys, expected[kind]);
    listed.insert(kind);
  }
  EXPECT_EQ(listed.size(), expected.size());
}

// An operand near no kind, a path, or a file named near a kind is a file.
TEST(ListTest, OperandsThatAreNoMistypedKindAreFiles) {
  ScopedTempDir dir;
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  WriteSeries("medias", FullSeries());
  for (std::string operand : {"media", "pin", "./media", "inkvol"}) {
    ToolRun run = RunDsrTool({"list", "medias", operand});
    EXPECT_EQ(run.exitCode, operand == "media" ? 0 : 1) << run.err;
    EXPECT_NE(run.out, "");
  }
  std::filesystem::current_path(before);
}

TEST(HostTitleTest, GatesEveryReadingCommand) {
  ScopedTempDir dir;
  struct Case {
    const char* version;
    bool readUnderGate;
  };
  // 3.3 is the current reader's, 1.x the older reader's.
  const Case cases[] = {{"3.3.0.0", true},
                        {"3.3.7.1", true},
                        {"1.0.0.0", true},
                        {"7.0.1.0", false},
                        {"0.9.0.0", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version);
    std::string path = dir.File(std::string(c.version) + ".dsr");
    WriteSeries(path, FullSeries(), c.version);
    std::string out = path + ".out";
    EXPECT_EQ(RunDsrTool({"dump", path}).exitCode, 0);
    EXPECT_EQ(RunDsrTool({"dump", "--host-title", kGateTitle, path}).exitCode,
              c.readUnderGate ? 0 : 1);
    EXPECT_EQ(RunDsrTool({"roundtrip", "--host-title", kGateTitle, path, out})
                  .exitCode,
              c.readUnderGate ? 0 : 1);
    EXPECT_EQ(FileExists(out), c.readUnderGate);
  }
}

// ------------------------------------------------------------ bad input

class BadInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    good_ = dir_.File("good.dsr");
    WriteSeries(good_, FullSeries());
    std::string text = ReadFileBytes(good_);
    WriteFileBytes(dir_.File("truncated.dsr"), text.substr(0, text.size() / 2));
    WriteFileBytes(dir_.File("plain.txt"), "just some text\n");
    WriteFileBytes(dir_.File("binary.dsr"), std::string("\0\x01\xff\xfe", 4));
    std::filesystem::create_directory(dir_.File("folder"));
    goodBytes_ = ReadFileBytes(good_);
  }

  // Runs the command line and checks the conventions for a refused input:
  // exit 1, nothing on standard output, one line on standard error starting
  // "FILE:" (then the line, when there is one) and holding `problem`, no
  // OUT, the good file untouched.
  void ExpectRefused(const std::vector<std::string>& arguments,
                     const std::string& file, const std::string& problem) {
    std::vector<std::string> all = arguments;
    std::string line;
    for (const std::string& argument : all) line += argument + " ";
    SCOPED_TRACE(line);
    ToolRun run = RunDsrTool(all);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(LineCount(run.err), 1) << run.err;
    EXPECT_EQ(run.err.rfind(file + ":", 0), 0u) << run.err;
    EXPECT_NE(run.err.find(problem), std::string::npos) << run.err;
    EXPECT_FALSE(FileExists(Out()));
    EXPECT_EQ(ReadFileBytes(good_), goodBytes_);
    EXPECT_FALSE(FileExists(good_ + ".tmp"));
    EXPECT_FALSE(FileExists(good_ + ".out"));
  }

  std::string Out() const { return dir_.File("out.dsr"); }

  ScopedTempDir dir_;
  std::string good_;
  std::string goodBytes_;
};

TEST_F(BadInputTest, EveryCommandRefusesFilesThatAreNotDeviceSeries) {
  struct Input {
    std::string path;
    const char* problem;
  };
  const Input inputs[] = {
      {dir_.File("missing.dsr"), "No such file or directory"},
      {dir_.File("folder"), "is a folder"},
      {dir_.File("plain.txt"), ":1: not well-formed XML: "},
      {dir_.File("binary.dsr"), "not well-formed XML"},
      {dir_.File("truncated.dsr"), ": not well-formed XML: "},
  };
  for (const Input& input : inputs) {
    ExpectRefused({"dump", input.path}, input.path, input.problem);
    ExpectRefused({"roundtrip", input.path, Out()}, input.path, input.problem);
    ExpectRefused({"validate", input.path}, input.path, input.problem);
    ExpectRefused({"merge", good_, input.path}, input.path, input.problem);
    ExpectRefused({"merge", input.path, good_}, input.path, input.problem);
    // As JSON, every file that exists is not JSON.
    bool isFile =
        FileExists(input.path) && !std::filesystem::is_directory(input.path);
    ExpectRefused({"build", input.path, Out()}, input.path,
                  isFile ? "not valid JSON" : input.problem);
  }
}

TEST_F(BadInputTest, RecordsTheReaderRefuses) {
  struct Input {
    const char* name;
    const char* text;
    const char* problem;
  };
  const Input inputs[] = {
      {"norecords.dsr", "<DeviceSeries strVersion=\"3.3.0.0\"/>",
       ":1: DeviceSeries: aModelInfoList is missing"},
      {"noversion.dsr", "<DeviceSeries><aModelInfoList/></DeviceSeries>",
       ":1: DeviceSeries: the strVersion attribute is missing"},
      {"other.xml", "<Printer/>", "the root element \"Printer\" is not one of"},
      {"model.xml", "<ModelInfo><a/></ModelInfo>",
       ":1: ModelInfo/a: expected the element strLongModelName, found the "
       "element a"},
      {"time.xml", "<TimeStamp><year>1</year></TimeStamp>", ":1: TimeStamp: "},
      {"color.xml", "<CustomColorInfo><a/><RGBColor/><b/></CustomColorInfo>",
       ":1: CustomColorInfo/RGBColor: expected a CMYKColor or CMYKOGColor "
       "element, found the element RGBColor"},
      {"doctype.xml", "<!DOCTYPE x [<!ENTITY e \"e\">]><x>&e;</x>",
       "document type declaration is not allowed"},
  };
  for (const Input& input : inputs) {
    std::string path = dir_.File(input.name);
    WriteFileBytes(path, input.text);
    ExpectRefused({"dump", path}, path, input.problem);
    ExpectRefused({"roundtrip", path, Out()}, path, input.problem);
  }
  // A standalone record is not a device series to merge.
  std::string model = dir_.File("model.xml");
  ASSERT_TRUE(ModelInfoIO().SaveModelInfoFile(model, ModelInfo{}));
  ExpectRefused({"merge", good_, model}, model, "not a device-series file");
}

TEST_F(BadInputTest, BuildRefusesJsonThatDoesNotFitTheRecords) {
  struct Input {
    std::string text;
    const char* problem;
  };
  std::string samples = "[0";
  for (int i = 1; i < 256; ++i) samples += "," + std::to_string(i);
  samples += "]";
  const Input inputs[] = {
      {"{\"DeviceSeries\": {", ":1: not valid JSON at column 19: "},
      {"[1, 2]", "expected an object with one key naming the record kind"},
      {R"({"ModelInfo": {}, "InkInfo": {}})",
       "expected an object with one key"},
      {R"({"Printer": {}})", "unknown record kind \"Printer\""},
      {R"({"ModelInfo": []})", "ModelInfo: expected an object, found an array"},
      {R"({"ModelInfo": {"nHeadNum": "2"}})",
       "ModelInfo.nHeadNum: expected an integer, found a string"},
      {R"({"ModelInfo": {"nHeadNum": 2.5}})",
       "ModelInfo.nHeadNum: expected an integer, found a number with a "
       "fraction"},
      {R"({"ModelInfo": {"nHeadNum": 4294967296}})",
       "ModelInfo.nHeadNum: 4294967296 is out of range"},
      {R"({"ModelInfo": {"bCutFeature": 1}})",
       "ModelInfo.bCutFeature: expected true or false, found a number"},
      {R"({"ModelInfo": {"dMaxWidth": "wide"}})",
       "ModelInfo.dMaxWidth: expected a number"},
      {R"({"ModelInfo": {"flMaximumCutOffset": 1e39}})",
       "ModelInfo.flMaximumCutOffset: out of range for a 32-bit float"},
      {R"({"ModelInfo": {"nHeadPositionIndex": [1, 2, 3]}})",
       "ModelInfo.nHeadPositionIndex: expected an array of 24 entries, found "
       "3"},
      {R"({"ModelInfo": {"nHeadNumber": 2}})",
       "ModelInfo: unknown key \"nHeadNumber\""},
      // Members no file stores, and the earlier forms of language sets and
      // output tables, are named with the form to use.
      {R"({"ModelInfo": {"aExtraTable1": []}})",
       "ModelInfo.aExtraTable1: no file stores this member"},
      {R"({"ModeInfo": {"aUVLampPowerList": [{"nBasePower": 1}, {}]}})",
       "ModeInfo.aUVLampPowerList[0].nBasePower: no file stores this member"},
      {R"({"SeparationInfo": {"aSeparationTableList": [{"eType": 1,
           "usOutputTable": []}]}})",
       "SeparationInfo.aSeparationTableList[0].usOutputTable: a whole output "
       "table is not read; give its 256 stored samples as "
       "\"usOutputTableSamples\""},
      {R"({"SeparationInfo": {"aSeparationTableList": [{"eType": 0,
           "usOutputTableSamples": )" +
           samples + "}]}}",
       "aSeparationTableList[0].usOutputTableSamples: a file stores this "
       "member only when eType is 1"},
      {R"({"SeparationInfo": {"aSeparationTableList": [{"eType": 1,
           "usOutputTableSamples": [1, 2]}]}})",
       "usOutputTableSamples: expected an array of 256 entries, found 2"},
      {R"({"MediaInfo": {"aPermissionSetList": [{"eScreen": 1,
           "screenOption": {}}]}})",
       "MediaInfo.aPermissionSetList[0].screenOption: a file stores this "
       "member only when eScreen is 8"},
      {R"({"InkInfo": {"strLongInkName": {"English": "a", "Klingon": "b"}}})",
       "InkInfo.strLongInkName: unknown language \"Klingon\" (the languages "
       "are English, French,"},
      {R"({"InkInfo": {"strLongInkName": {"English": 1}}})",
       "InkInfo.strLongInkName.English: expected a string, found a number"},
      {R"({"inMemory": "", "InkInfo": {}})",
       "inMemory: this is the memory form that dump --memory prints"},
      {R"({"InkInfo": {"lightColor": {"nRed": 256}}})",
       "InkInfo.lightColor.nRed: 256 is out of range (0 to 255)"},
      {R"({"InkInfo": {"strLongInkName": ["a"]}})",
       "InkInfo.strLongInkName: a language string set is an object keyed by "
       "language names ({\"English\": \"...\", \"French\": \"...\"}), no "
       "longer an array of 13 texts"},
      {R"({"MediaInfo": {"aPermissionSetList": [{"screenOption": {"flDegrees": [1, null]}}]}})",
       "MediaInfo.aPermissionSetList[0].screenOption.flDegrees[1]: expected a "
       "number"},
      {R"({"TimeStamp": {"month": -1}})",
       "TimeStamp.month: -1 is out of range"},
      {R"({"DeviceSeries": {"commandSet": {"strInitialize": "1b4"}}})",
       "DeviceSeries.commandSet.strInitialize: expected pairs of hex digits"},
      {R"({"DeviceSeries": {"commandSet": {"strInitialize": "zz"}}})",
       "expected pairs of hex digits"},
      {R"({"DeviceSeries": {"aMediaInfoList2": []}})",
       "DeviceSeries.aMediaInfoList2: no file stores this member"},
      {R"({"CustomColorInfo": {"nColorSpace": 0}})",
       "nColorSpace 0 cannot be written"},
      // A device series is read as a stream, yet refused as its tree would
      // be: the first member in the record's order, unknown keys after the
      // members, a syntax error wherever it is.
      {R"({"DeviceSeries": {"zz": 1, "aInkInfoList": [{"nInkIndex": "x"}],
           "aModelInfoList": [3]}})",
       "DeviceSeries.aModelInfoList[0]: expected an object, found a number"},
      {R"({"DeviceSeries": {"zz": 1, "aInkInfoList": []}})",
       "DeviceSeries: unknown key \"zz\""},
      {R"({"DeviceSeries": {"aInkInfoList": [3]}} x)",
       ":1: not valid JSON at column "},
  };
  std::string json = dir_.File("input.json");
  for (const Input& input : inputs) {
    WriteFileBytes(json, input.text);
    std::string file =
        std::string(input.problem).starts_with("nColorSpace") ? Out() : json;
    ExpectRefused({"build", json, Out()}, file, input.problem);
  }
}

TEST_F(BadInputTest, NothingIsWrittenWhereNoFileCanBe) {
  std::string json = dir_.File("input.json");
  WriteFileBytes(json, R"({"TimeStamp": {}})");
  ToolRun run = RunDsrTool({"build", json, dir_.File("folder")});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("is a folder"), std::string::npos) << run.err;
  std::string nowhere = dir_.File("no/such/folder/out.xml");
  run = RunDsrTool({"roundtrip", good_, nowhere});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(LineCount(run.err), 1);
  EXPECT_NE(run.err.find("does not exist"), std::string::npos) << run.err;
  EXPECT_EQ(
      ListFolder(dir_.path()),
      (std::vector<std::string>{"binary.dsr", "folder", "good.dsr",
                                "input.json", "plain.txt", "truncated.dsr"}));
}

TEST_F(BadInputTest, ASchemaThatCannotBeUsedIsNamed) {
  std::string schema = dir_.File("plain.txt");
  ToolRun run = RunDsrTool({"validate", "--schema", schema, good_});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(LineCount(run.err), 1);
  EXPECT_EQ(run.err.rfind(schema + ": the schema cannot be used", 0), 0u)
      << run.err;
}

TEST_F(BadInputTest, BuildRefusesAFileTheReadersWouldRefuse) {
  // 2.7 million "<" in the name of every language: 13 copies of "&lt;"
  // each, over the size limit; one text of 10.5 MB, over the parser's
  // limit for a text node.
  struct Input {
    std::string json;
    std::string problem;
  };
  const Input inputs[] = {
      {R"({"MediaInfo": {"strMediaName": {"English": ")" +
           std::string(2700000, '<') + R"("}}})",
       "not written: the file would be 133.8 MiB (140401947 bytes), over the "
       "128 MiB the library reads"},
      {R"({"ModelInfo": {"strLongModelName": ")" + std::string(10500000, 'a') +
           R"("}})",
       "not written: the library's reader would refuse the file (line "},
  };
  std::string json = dir_.File("input.json");
  WriteFileBytes(Out(), "previous");
  for (const Input& input : inputs) {
    WriteFileBytes(json, input.json);
    ToolRun run = RunDsrTool({"build", json, Out()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err.rfind(Out() + ": " + input.problem, 0), 0u) << run.err;
    EXPECT_EQ(ReadFileBytes(Out()), "previous");
  }
  EXPECT_EQ(ListFolder(dir_.path()),
            (std::vector<std::string>{"binary.dsr", "folder", "good.dsr",
                                      "input.json", "out.dsr", "plain.txt",
                                      "truncated.dsr"}));
}

TEST_F(BadInputTest, MaxSizeRefusesEveryFileReadOverIt) {
  const std::string size = std::to_string(goodBytes_.size());
  const std::string under = std::to_string(goodBytes_.size() - 1);
  const std::string hint = " (--max-size SIZE raises it)\n";
  const std::string over =
      "(" + size + " bytes), over the " + under + " bytes limit";
  const std::vector<std::vector<std::string>> lines = {
      {"dump", good_},         {"roundtrip", good_, Out()},
      {"validate", good_},     {"list", good_},
      {"curves", good_},       {"report", "-o", Out(), good_},
      {"merge", good_, good_}, {"merge", "--dry-run", good_, good_},
  };
  for (std::vector<std::string> line : lines) {
    line.insert(line.begin() + 1, {"--max-size", under});
    // Every refusal ends with the hint.
    ExpectRefused(line, good_, over + hint);
  }
  EXPECT_EQ(RunDsrTool({"diff", "--max-size", under, good_, good_}).exitCode,
            2);
  std::string json = dir_.File("input.json");
  WriteFileBytes(json, RunDsrTool({"dump", good_}).out);
  ExpectRefused({"build", "--max-size", "1K", json, Out()}, json,
                "bytes), over the 1024 bytes limit" + hint);
  // Streamed, standard input has no size to tell before it is read. Its
  // first MiB is read for the root element, so past that the reader of
  // the device series refuses it, and the loader of a record file.
  const std::string padding(1100000, 'x');
  for (const std::string& input : {goodBytes_ + "<!--" + padding + "-->",
                                   "<ModelInfo><strLongModelName>" + padding +
                                       "</strLongModelName></ModelInfo>"}) {
    ToolRun run = RunDsrTool({"dump", "--max-size", "1M", "-"}, input);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "<stdin>: the file is over the 1 MiB limit" + hint);
  }
  ToolRun build = RunDsrToolThroughPipes(
      {"build", "--max-size", "1K", "-", Out()}, ReadFileBytes(json));
  EXPECT_EQ(build.exitCode, 1);
  EXPECT_EQ(build.err, "<stdin>: the file is over the 1024 bytes limit" + hint);
  ToolRun twice = RunDsrToolThroughPipes(
      {"merge", "--max-size", "2K", "--dry-run", good_, "-"}, goodBytes_);
  EXPECT_EQ(twice.err, "<stdin>: is over the 2048 bytes limit" + hint);

  // The file's own size, and sizes in KiB, MiB and GiB, let it through.
  for (const std::string& limit :
       {size, std::string("1024k"), std::string("2M"), std::string("3G")}) {
    SCOPED_TRACE(limit);
    EXPECT_EQ(RunDsrTool({"dump", "--max-size", limit, good_}).exitCode, 0);
    EXPECT_EQ(
        RunDsrTool({"dump", "--max-size", limit, "-"}, goodBytes_).exitCode, 0);
  }
}

// ---------------------------------------------------- standard streams

TEST(StandardStreamsTest, DashReadsStandardInputAndWritesStandardOutput) {
  ScopedTempDir dir;
  std::string path = dir.File("full.dsr");
  WriteSeries(path, FullSeries());
  const std::string bytes = ReadFileBytes(path);
  const std::string json = RunDsrTool({"dump", path}).out;
  // What the writer makes of the records read (the reader normalises some).
  ASSERT_EQ(RunDsrTool({"roundtrip", path, path + ".out"}).exitCode, 0);
  const std::string written = ReadFileBytes(path + ".out");
  DeviceSeries many = FullSeries();
  const MediaInfo medium = many.aMediaInfoList.front();
  many.aMediaInfoList.assign(400, medium);
  const std::string large = dir.File("large.dsr");
  WriteSeries(large, many);
  const std::string largeBytes = ReadFileBytes(large);
  EXPECT_GT(largeBytes.size(), size_t{2} << 20);
  struct Case {
    std::vector<std::string> arguments;
    std::string input;
    std::string out;
  };
  const Case cases[] = {
      {{"dump", "-"}, bytes, json},
      {{"roundtrip", "-", "-"}, bytes, written},
      {{"build", "-", "-"}, json, written},
      {{"validate", "-"}, bytes, "<stdin>: valid\n"},
      {{"roundtrip", path, "-"}, "", written},
      // Over the first piece the tool keeps of a stream while it looks at
      // the root element: the rest follows that piece.
      {{"dump", "-"}, largeBytes, RunDsrTool({"dump", large}).out},
      {{"validate", "-"}, largeBytes, "<stdin>: valid\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.arguments));
    // Standard input and output as files, then as pipes.
    for (ToolRun run : {RunDsrTool(c.arguments, c.input),
                        RunDsrToolThroughPipes(c.arguments, c.input)}) {
      EXPECT_EQ(run.exitCode, 0) << run.err;
      EXPECT_EQ(run.err, "");
      EXPECT_TRUE(run.out == c.out) << run.out.substr(0, 200);
    }
  }
  // What cannot be read is named as standard input.
  ToolRun run = RunDsrToolThroughPipes({"dump", "-"}, "<DeviceSeries>");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err.rfind("<stdin>:1: not well-formed XML: ", 0), 0u)
      << run.err;
  // Standard input is read once, and never replaced.
  for (const std::vector<std::string>& line :
       std::vector<std::vector<std::string>>{{"validate", "--schema", "-", "-"},
                                             {"merge", "-", path}}) {
    ToolRun refused = RunDsrTool(line, bytes);
    EXPECT_EQ(refused.exitCode, 2) << refused.err;
  }
  EXPECT_EQ(ReadFileBytes(path), bytes);
}

// ------------------------------------------------------ usage and help

TEST(UsageTest, CommandLinesTheToolDoesNotUnderstandExitWith2) {
  const std::string series =
      std::string(DSRTOOL_EXAMPLES_DIR) + "/studio-series.dsr";
  const std::vector<std::vector<std::string>> lines = {
      {},
      {"frobnicate"},
      {"dump"},
      {"diff", "a.dsr"},
      {"report", "a.dsr"},
      {"json-schema", "a.dsr"},
      {"build", "a.json"},
      {"merge", "a.dsr"},
      {"dump", "--schema", "x.xsd", "a.dsr"},
      {"dump", "--compact=yes", "a.dsr"},
      {"dump", "-x", "a.dsr"},
      {"validate", "a.dsr", "--schema"},
      {"dump", "--host-title", "A", "--host-title", "B", "a.dsr"},
      {"dump", "--max-size", "0", "a.dsr"},
      {"dump", "--max-size", "2KB", "a.dsr"},
      {"dump", "--max-size", "1.5M", "a.dsr"},
      {"dump", "--max-size", "18446744073709551616", "a.dsr"},
      {"dump", "--max-size", "17179869184G", "a.dsr"},
      {"json-schema", "--max-size", "1M"},
      // A kind mistyped (no file of that name), before anything is listed.
      {"list", series, "medias"},
      {"list", "inks", series},
      {"list", "--json", series, "Seperation"},
  };
  for (const std::vector<std::string>& line : lines) {
    ToolRun run = RunDsrTool(line);
    EXPECT_EQ(run.exitCode, 2) << ::testing::PrintToString(line);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("--help'."), std::string::npos) << run.err;
  }
  EXPECT_EQ(RunDsrTool({"list", series, "medias"}).err,
            "dsrtool: list: unknown kind 'medias' (did you mean media?)\n"
            "Try 'dsrtool list --help'.\n");
}

TEST(UsageTest, HelpForTheToolAndEachCommand) {
  ToolRun tool = RunDsrTool({"--help"});
  EXPECT_EQ(tool.exitCode, 0);
  EXPECT_EQ(tool.err, "");
  EXPECT_EQ(tool.out.rfind("Usage: dsrtool COMMAND", 0), 0u);
  for (const char* command :
       {"dump", "build", "roundtrip", "validate", "merge"}) {
    EXPECT_NE(tool.out.find(std::string("  ") + command + " "),
              std::string::npos);
    // Help wins over missing operands.
    ToolRun run = RunDsrTool({command, "--help"});
    EXPECT_EQ(run.exitCode, 0) << command;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out.rfind(std::string("Usage: dsrtool ") + command, 0), 0u);
    EXPECT_NE(run.out.find("--host-title TEXT"), std::string::npos);
  }
}

}  // namespace
