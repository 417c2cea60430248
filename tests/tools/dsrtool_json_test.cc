// dsrtool's lossless JSON form, the memory form, several files at once,
// list and diff, end to end through the built tool on the example series.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"
#include "tests/tools/tool_runner.h"

namespace {

using Json = nlohmann::ordered_json;
using tovra::testing::LineCount;
using tovra::testing::ReadFileBytes;
using tovra::testing::RunDsrTool;
using tovra::testing::ScopedTempDir;
using tovra::testing::ToolRun;
using tovra::testing::WriteFileBytes;

const std::string kExample =
    std::string(DSRTOOL_EXAMPLES_DIR) + "/studio-series.dsr";

Json Dump(const std::string& path) {
  ToolRun run = RunDsrTool({"dump", path});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  return Json::parse(run.out);
}

class JsonFormTest : public ::testing::Test {
 protected:
  // The example edited by `edit`, built into a file; the build's run.
  ToolRun BuildEdited(const std::function<void(Json&)>& edit) {
    Json json = Dump(kExample);
    edit(json["DeviceSeries"]);
    WriteFileBytes(dir_.File("edited.json"), json.dump());
    return RunDsrTool({"build", dir_.File("edited.json"), Edited()});
  }
  std::string Edited() const { return dir_.File("edited.dsr"); }

  ScopedTempDir dir_;
};

TEST_F(JsonFormTest, EditsOfWhatTheFileStoresSurviveBuild) {
  struct Case {
    const char* name;
    std::function<void(Json&)> edit;
    std::function<void(const Json&)> check;
  };
  const Case cases[] = {
      // Every stored sample is the file's: an edit off the 16-entry grid
      // of the old 4096-entry form survives exactly.
      {"sample 17",
       [](Json& s) {
         s["aSeparationInfoList"][0]["aSeparationTableList"][0]
          ["usOutputTableSamples"][17] = 1234;
       },
       [](const Json& s) {
         EXPECT_EQ(s["aSeparationInfoList"][0]["aSeparationTableList"][0]
                    ["usOutputTableSamples"][17],
                   1234);
       }},
      // A language left out is empty, and the file stores English there.
      {"missing language",
       [](Json& s) {
         s["aMediaInfoList"][0]["strMediaName"] = {{"English", "Gloss"},
                                                   {"German", "Glanz"}};
       },
       [](const Json& s) {
         const Json& names = s["aMediaInfoList"][0]["strMediaName"];
         EXPECT_EQ(names["German"], "Glanz");
         EXPECT_EQ(names["French"], "Gloss");
         EXPECT_EQ(names["Arabic"], "Gloss");
       }},
      // The custom screen brings its settings into the file.
      {"custom screen",
       [](Json& s) {
         Json& permission = s["aMediaInfoList"][0]["aPermissionSetList"][0];
         permission["eScreen"] = 8;
         permission["screenOption"] = {{"nLineCount", 133},
                                       {"flDegrees", {15.0, 75.0, 0.0, 45.0}}};
       },
       [](const Json& s) {
         EXPECT_EQ(s["aMediaInfoList"][0]["aPermissionSetList"][0]
                    ["screenOption"]["nLineCount"],
                   133);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ToolRun build = BuildEdited(c.edit);
    ASSERT_EQ(build.exitCode, 0) << build.err;
    EXPECT_EQ(build.err, "");
    c.check(Dump(Edited())["DeviceSeries"]);
  }
}

TEST_F(JsonFormTest, ValuesStoredInAnotherFormAreReported) {
  ToolRun build = BuildEdited([](Json& s) {
    s["aInkInfoList"][0]["flPrice"] = 12.3456;
    s["aMediaInfoList"][0]["aPermissionSetList"][0]["eDirection"] = 2;
  });
  ASSERT_EQ(build.exitCode, 0) << build.err;
  const std::string source = dir_.File("edited.json");
  EXPECT_EQ(build.err,
            source +
                ": warning: DeviceSeries.aInkInfoList[0].flPrice: 12.3456 -> "
                "12.346 (the file stores the value on the right)\n" +
                source +
                ": warning: DeviceSeries.aMediaInfoList[0]."
                "aPermissionSetList[0].eDirection: 2 -> 131074 (the file "
                "stores the value on the right)\n");
}

// build reads a device series's JSON as a stream, record by record, and
// reads it as a JSON tree is read: members in any order, the last value of a
// repeated key, the warnings in the order of the record's members.
TEST_F(JsonFormTest, KeysInAnyOrderOrRepeatedReadAsInATree) {
  Json json = Dump(kExample);
  Json& series = json["DeviceSeries"];
  series["aInkInfoList"][0]["flPrice"] = 12.3456;
  series["aMediaInfoList"][0]["aPermissionSetList"][0]["eDirection"] = 2;
  WriteFileBytes(dir_.File("given.json"), json.dump());
  Json reversed = Json::object();
  for (auto it = series.rbegin(); it != series.rend(); ++it) {
    reversed[it.key()] = it.value();
  }
  std::string text = Json{{"DeviceSeries", reversed}}.dump();
  text.insert(text.find('{', 1) + 1, R"("aMediaInfoList": [7], )");
  WriteFileBytes(dir_.File("reordered.json"), text);

  ToolRun given =
      RunDsrTool({"build", dir_.File("given.json"), dir_.File("given.dsr")});
  ToolRun reordered = RunDsrTool(
      {"build", dir_.File("reordered.json"), dir_.File("reordered.dsr")});
  ASSERT_EQ(given.exitCode, 0) << given.err;
  ASSERT_EQ(reordered.exitCode, 0) << reordered.err;
  EXPECT_EQ(ReadFileBytes(dir_.File("reordered.dsr")),
            ReadFileBytes(dir_.File("given.dsr")));
  EXPECT_EQ(LineCount(given.err), 2) << given.err;
  std::string warnings = reordered.err;
  for (size_t at;
       (at = warnings.find("reordered.json")) != std::string::npos;) {
    warnings.replace(at, 14, "given.json");
  }
  EXPECT_EQ(warnings, given.err);
}

TEST_F(JsonFormTest, MemoryFormShowsEverythingAndIsNotBuilt) {
  ToolRun run = RunDsrTool({"dump", "--memory", "--compact", kExample});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  Json memory = Json::parse(run.out);
  EXPECT_EQ(memory.begin().key(), "inMemory");
  const Json& series = memory["DeviceSeries"];
  EXPECT_EQ(series["aSeparationInfoList"][0]["aSeparationTableList"][0]
                  ["usOutputTable"]
                      .size(),
            4096u);
  EXPECT_TRUE(series["aModelInfoList"][0].contains("aExtraTable1"));
  EXPECT_TRUE(series.contains("aMediaInfoList2"));
  EXPECT_TRUE(series["aMediaInfoList"][0]["aPermissionSetList"][0].contains(
      "screenOption"));

  WriteFileBytes(dir_.File("memory.json"), run.out);
  ToolRun build =
      RunDsrTool({"build", dir_.File("memory.json"), dir_.File("out.dsr")});
  EXPECT_EQ(build.exitCode, 1);
  EXPECT_NE(build.err.find("inMemory: this is the memory form"),
            std::string::npos)
      << build.err;
}

TEST_F(JsonFormTest, SeveralFilesGiveOneValueEachAndGoOnPastAFailure) {
  const std::string missing = dir_.File("missing.dsr");
  ToolRun run = RunDsrTool({"dump", "--compact", kExample, missing, kExample});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(LineCount(run.out), 2);
  EXPECT_EQ(run.err.rfind(missing + ": ", 0), 0u) << run.err;

  ToolRun validate = RunDsrTool({"validate", kExample, kExample});
  EXPECT_EQ(validate.exitCode, 0) << validate.err;
  EXPECT_EQ(validate.out, kExample + ": valid\n" + kExample + ": valid\n");
}

#ifndef _WIN32
// The JSON's reading and the comparison of the file with it show a progress
// line on a terminal (script(1) gives the tool one), each wiped when done;
// elsewhere nothing. The JSON comes through a pipe held open past the line's
// delay, so that the line is due however fast the machine.
TEST_F(JsonFormTest, BuildShowsItsProgressOnlyOnATerminal) {
  Json json = Dump(kExample);
  Json& media = json["DeviceSeries"]["aMediaInfoList"];
  for (int i = 0; i < 50; ++i) media.push_back(media[i % 3]);
  const std::string large = dir_.File("large.json");
  WriteFileBytes(large, json.dump(1));
  ASSERT_GT(ReadFileBytes(large).size(), size_t{1} << 20);
  ASSERT_EQ(RunDsrTool({"build", large, Edited()}).exitCode, 0);
  const std::string build = "(sleep 2.3; cat '" + large + "') | '" +
                            DSRTOOL_PATH + "' build - '" + dir_.File("p.dsr") +
                            "'";
  for (bool terminal : {false, true}) {
    FILE* shell = ::popen(
        (terminal ? "script -qec \"" + build + "\" /dev/null" : build + " 2>&1")
            .c_str(),
        "r");
    std::string err(1 << 16, '\0');
    err.resize(std::fread(err.data(), 1, err.size(), shell));
    EXPECT_EQ(::pclose(shell), 0) << err;
    EXPECT_EQ(ReadFileBytes(dir_.File("p.dsr")), ReadFileBytes(Edited()));
    if (!terminal) {
      EXPECT_EQ(err, "");
      continue;
    }
    const size_t reading = err.find("\rreading <stdin>: ");
    const size_t comparing = err.find("\rcomparing <stdin>: ");
    EXPECT_LT(reading, comparing) << err;
    EXPECT_LT(err.find(" MiB\r ", reading), comparing) << err;  // wiped
    EXPECT_NE(comparing, std::string::npos) << err;
    EXPECT_TRUE(err.ends_with(" \r")) << err;
  }
}
#endif

// ----------------------------------------------------------------- list

TEST(ListTest, OneLinePerRecordNarrowedByKind) {
  ToolRun all = RunDsrTool({"list", kExample});
  ASSERT_EQ(all.exitCode, 0) << all.err;
  // Two models, six inks, two configurations, three resolutions, four
  // modes, four separations, two VControl points, two patterns, three
  // media, two print-chart sets, one ink volume.
  EXPECT_EQ(LineCount(all.out), 31);

  ToolRun media = RunDsrTool({"list", kExample, "media"});
  EXPECT_EQ(media.out,
            "media         0      -  \"Glossy photo paper\"  permissions=3  "
            "qualities=3  calibration=16  visible=yes\n"
            "media         1      -  \"Self-adhesive vinyl\"  permissions=2  "
            "qualities=2  calibration=8  visible=yes\n"
            "media         2      -  \"Canvas matte\"  permissions=2  "
            "qualities=2  calibration=12  visible=no\n");

  ToolRun json = RunDsrTool({"list", "--json", kExample, kExample, "ink"});
  ASSERT_EQ(json.exitCode, 0) << json.err;
  ASSERT_EQ(LineCount(json.out), 12);
  Json first = Json::parse(json.out.substr(0, json.out.find('\n')));
  EXPECT_EQ(first, Json::parse(R"({"file":")" + kExample +
                               R"(","kind":"ink","position":0,"index":0,
                               "name":"Cyan","short":"C","capacity":440})"));
}

TEST(ListTest, JsonKeepsTextsTextsAndOnlyFiniteNumbersNumbers) {
  ScopedTempDir dir;
  WriteFileBytes(dir.File("model.json"),
                 R"({"ModelInfo": {"strFolderName": "0123", "nHeadNum": 4,
                                   "dMaxWidth": "NaN"}})");
  ASSERT_EQ(RunDsrTool({"build", dir.File("model.json"), dir.File("model.xml")})
                .exitCode,
            0);
  ToolRun run = RunDsrTool({"list", "--json", dir.File("model.xml")});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  Json model = Json::parse(run.out);
  EXPECT_EQ(model["folder"], "0123");
  EXPECT_EQ(model["heads"], 4);
  EXPECT_EQ(model["width"], "nan");
}

// ----------------------------------------------------------------- diff

class DiffTest : public JsonFormTest {};

TEST_F(DiffTest, OneLinePerDifferenceRecordsMatchedByTheirKeys) {
  struct Case {
    const char* name;
    std::function<void(Json&)> edit;
    std::string lines;
  };
  const Case cases[] = {
      {"nothing", [](Json&) {}, ""},
      {"values",
       [](Json& s) {
         s["aModelInfoList"][1]["nHeadNum"] = 8;
         s["aSeparationInfoList"][0]["aSeparationTableList"][0]
          ["usOutputTableSamples"][17] = 300;
       },
       "DeviceSeries.aModelInfoList[1].nHeadNum: 4 -> 8\n"
       "DeviceSeries.aSeparationInfoList[0].aSeparationTableList[0]."
       "usOutputTableSamples[17]: 253 -> 300\n"},
      // Media swapped are matched by their names: only the edit shows.
      {"media reordered",
       [](Json& s) {
         std::swap(s["aMediaInfoList"][0], s["aMediaInfoList"][1]);
         s["aMediaInfoList"][0]["bVisibleMedia"] = false;
       },
       "DeviceSeries.aMediaInfoList[1].bVisibleMedia: true -> false\n"},
      // A medium at the same place with most of its values is renamed;
      // the line shows the first language whose name differs.
      {"media renamed",
       [](Json& s) {
         s["aMediaInfoList"][2]["strMediaName"]["English"] = "Canvas satin";
         s["aMediaInfoList"][2]["nDryTime"] = 90;
         s["aMediaInfoList"][1]["strMediaName"]["Korean"] = "Vinyl";
       },
       "DeviceSeries.aMediaInfoList[1]: renamed \"Self-adhesive vinyl\" -> "
       "\"Vinyl\" (Korean)\n"
       "DeviceSeries.aMediaInfoList[2]: renamed \"Canvas matte\" -> \"Canvas "
       "satin\"\n"
       "DeviceSeries.aMediaInfoList[2].nDryTime: 120 -> 90\n"},
      // Another medium in its place is not.
      {"media replaced",
       [](Json& s) {
         s["aMediaInfoList"][2] = s["aMediaInfoList"][0];
         s["aMediaInfoList"][2]["strMediaName"]["English"] = "Banner";
       },
       "DeviceSeries.aMediaInfoList[2]: only in A: \"Canvas matte\"\n"
       "DeviceSeries.aMediaInfoList[2]: only in B: \"Banner\"\n"},
      // A member one file stores and the other does not, whole, after the
      // members both store; numbers as the JSON form prints them.
      {"stored by one",
       [](Json& s) {
         Json& permission = s["aMediaInfoList"][0]["aPermissionSetList"][0];
         permission["eScreen"] = 8;
         permission["screenOption"] = {{"nLineCount", 133},
                                       {"flDegrees", {15.0, 75.0, 0.0, 45.0}}};
         s["aModelInfoList"][0]["dMaxWidth"] = 1e10;
       },
       "DeviceSeries.aModelInfoList[0].dMaxWidth: 1371.6 -> 10000000000.0\n"
       "DeviceSeries.aMediaInfoList[0].aPermissionSetList[0].eScreen: 1 -> 8\n"
       "DeviceSeries.aMediaInfoList[0].aPermissionSetList[0].screenOption: "
       "only in B: {\"bUseCustomSetting\":false,\"nLineCount\":133,"
       "\"eDotShape\":1,\"flDegrees\":[15.0,75.0,0.0,45.0]}\n"},
      // Inks by their index, wherever they stand.
      {"ink removed and moved",
       [](Json& s) {
         s["aInkInfoList"].erase(5);
         std::swap(s["aInkInfoList"][0], s["aInkInfoList"][1]);
       },
       "DeviceSeries.aInkInfoList[5]: only in A: nInkIndex 5 \"Light "
       "magenta\"\n"},
      {"duplicate index",
       [](Json& s) {
         s["aResolutionInfoList"].push_back(s["aResolutionInfoList"][0]);
         s["aResolutionInfoList"][3]["flScanResolution"] = 180.0;
       },
       "DeviceSeries.aResolutionInfoList: nResolutionIndex 0 \"360 x 360\" "
       "is the key of 1 record in A and 2 in B; matched in order\n"
       "DeviceSeries.aResolutionInfoList[3]: only in B: nResolutionIndex 0 "
       "\"360 x 360\"\n"},
      // Values as the JSON form prints them: byte strings as hex, texts
      // escaped, floats as their shortest decimals, what is not a number
      // as its name.
      {"texts, bytes and numbers",
       [](Json& s) {
         s["commandSet"]["strInitialize"] = "00ff";
         s["aInkInfoList"][0]["strLongInkName"]["French"] = "Cy\"an\t";
         s["aInkInfoList"][0]["flPrice"] = "NaN";
         s["aInkInfoList"][2]["flPrice"] = -0.0;
       },
       "DeviceSeries.aInkInfoList[0].strLongInkName.French: \"Cyan\" -> "
       "\"Cy\\\"an\\t\"\n"
       "DeviceSeries.aInkInfoList[0].flPrice: 89.5 -> \"NaN\"\n"
       "DeviceSeries.aInkInfoList[2].flPrice: 89.5 -> -0.0\n"
       "DeviceSeries.commandSet.strInitialize: \"1b40\" -> \"00ff\"\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(BuildEdited(c.edit).exitCode, 0);
    ToolRun run = RunDsrTool({"diff", kExample, Edited()});
    EXPECT_EQ(run.out, c.lines);
    EXPECT_EQ(run.exitCode, c.lines.empty() ? 0 : 1) << run.err;
  }
}

// The edits the options are tried on: a table nudged by one level, an
// enumeration and a price changed a little, an ink gone, a medium renamed,
// the firmware address changed.
void EditForOptions(Json& s) {
  for (Json& sample : s["aSeparationInfoList"][0]["aSeparationTableList"][0]
                       ["usOutputTableSamples"]) {
    sample = std::min(sample.get<int>() + 1, 4095);
  }
  s["aMediaInfoList"][0]["aPermissionSetList"][0]["eDirection"] = 131075;
  s["aInkInfoList"][0]["flPrice"] = 89.6;
  s["aInkInfoList"][1]["flPrice"] = 89.7;
  s["aInkInfoList"].erase(5);
  s["aMediaInfoList"][2]["strMediaName"]["English"] = "Canvas satin";
  s["strFirmwareDownloadURL"]["English"] = "https://example.com/";
}

TEST_F(DiffTest, OptionsSummariseToleratePaintAndCap) {
  ASSERT_EQ(BuildEdited(EditForOptions).exitCode, 0);
  const std::string kInkGone =
      "DeviceSeries.aInkInfoList[5]: only in A: nInkIndex 5 \"Light "
      "magenta\"";
  const std::string kFirmware =
      "DeviceSeries.strFirmwareDownloadURL.English: "
      "\"https://support.example.com/ostrivane/firmware\" -> "
      "\"https://example.com/\"\n";
  const std::string kMore =
      " not shown; --stat summarises, --max-lines 0 shows all\n";
  struct Case {
    std::vector<std::string> options;
    std::string out;
  };
  const Case cases[] = {
      {{"--stat"},
       "inks:          2 records changed (2 values), 0 added, 1 removed\n"
       "separations:   1 record changed (256 values), 0 added, 0 removed\n"
       "media:         1 record changed (1 value), 1 renamed, 0 added, 0 "
       "removed\n"
       "DeviceSeries:  1 value changed\n"},
      // 89.6 is within 0.1 of 89.5 as its decimal is, whatever the float.
      {{"--tolerance", "0.1", "--stat"},
       "inks:          1 record changed (1 value), 0 added, 1 removed\n"
       "separations:   1 record changed (256 values), 0 added, 0 removed\n"
       "media:         1 record changed (1 value), 1 renamed, 0 added, 0 "
       "removed\n"
       "DeviceSeries:  1 value changed\n"},
      // The samples and prices are within 1; the packed eDirection is a
      // code, which stays exact.
      {{"--tolerance", "1"},
       kInkGone +
           "\n"
           "DeviceSeries.aMediaInfoList[0].aPermissionSetList[0].eDirection: "
           "131074 -> 131075\n"
           "DeviceSeries.aMediaInfoList[2]: renamed \"Canvas matte\" -> "
           "\"Canvas satin\"\n" +
           kFirmware},
      {{"--max-lines", "2"},
       "DeviceSeries.aInkInfoList[0].flPrice: 89.5 -> 89.6\n"
       "DeviceSeries.aInkInfoList[1].flPrice: 89.5 -> 89.7\n"
       "... 260 more differences" +
           kMore},
      {{"--color=always", "--tolerance", "1", "--max-lines", "3"},
       "\x1b[31m" + kInkGone +
           "\x1b[0m\n"
           "\x1b[1mDeviceSeries.aMediaInfoList[0].aPermissionSetList[0]."
           "eDirection\x1b[0m: \x1b[31m131074\x1b[0m -> \x1b[32m131075\x1b[0m\n"
           "\x1b[1mDeviceSeries.aMediaInfoList[2]\x1b[0m: renamed "
           "\x1b[31m\"Canvas matte\"\x1b[0m -> \x1b[32m\"Canvas "
           "satin\"\x1b[0m\n"
           "... 1 more difference" +
           kMore},
      {{"--color", "always", "--stat", "--tolerance", "1"},
       "\x1b[1minks:\x1b[0m          0 records changed, 0 added, "
       "\x1b[31m1 removed\x1b[0m\n"
       "\x1b[1mmedia:\x1b[0m         1 record changed (1 value), 1 renamed, "
       "0 added, 0 removed\n"
       "\x1b[1mDeviceSeries:\x1b[0m  1 value changed\n"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> arguments = {"diff"};
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    arguments.insert(arguments.end(), {kExample, Edited()});
    SCOPED_TRACE(::testing::PrintToString(c.options));
    ToolRun run = RunDsrTool(arguments);
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(run.out, c.out);
  }
  // Into a file every line comes, uncoloured, as with --max-lines 0.
  ToolRun all = RunDsrTool({"diff", kExample, Edited()});
  EXPECT_EQ(LineCount(all.out), 262);
  EXPECT_TRUE(all.out.ends_with(kFirmware));
  EXPECT_EQ(all.out.find('\x1b'), std::string::npos);
  EXPECT_EQ(RunDsrTool({"diff", "--max-lines", "0", kExample, Edited()}).out,
            all.out);
  // A pipe is no terminal either.
  ToolRun piped =
      tovra::testing::RunDsrToolThroughPipes({"diff", kExample, Edited()}, "");
  EXPECT_EQ(piped.exitCode, 1);
  EXPECT_TRUE(piped.out == all.out);
}

// What each edit gives with the options: the tolerance never joins
// records whose keys differ nor makes a number of what is not one; --stat
// counts a record only one file has apart from the values inside records.
TEST_F(DiffTest, ToleranceAndSummaryOnTheirOwnEdits) {
  struct Case {
    const char* name;
    std::function<void(Json&)> edit;
    std::vector<std::string> options;
    std::string out;
  };
  const Case cases[] = {
      {"keys stay exact",
       [](Json& s) { s["aInkInfoList"][5]["nInkIndex"] = 6; },
       {"--tolerance", "5"},
       "DeviceSeries.aInkInfoList[5]: only in A: nInkIndex 5 \"Light "
       "magenta\"\n"
       "DeviceSeries.aInkInfoList[5]: only in B: nInkIndex 6 \"Light "
       "magenta\"\n"},
      {"not a number",
       [](Json& s) {
         s["aInkInfoList"][0]["flPrice"] = "NaN";
         s["aInkInfoList"][1]["flPrice"] = "Infinity";
       },
       {"--tolerance", "1000"},
       "DeviceSeries.aInkInfoList[0].flPrice: 89.5 -> \"NaN\"\n"
       "DeviceSeries.aInkInfoList[1].flPrice: 89.5 -> \"Infinity\"\n"},
      {"colours of what only B has and of a shared key",
       [](Json& s) {
         s["aResolutionInfoList"].push_back(s["aResolutionInfoList"][0]);
       },
       {"--color=always"},
       "\x1b[33mDeviceSeries.aResolutionInfoList: nResolutionIndex 0 \"360 x "
       "360\" is the key of 1 record in A and 2 in B; matched in "
       "order\x1b[0m\n"
       "\x1b[32mDeviceSeries.aResolutionInfoList[3]: only in B: "
       "nResolutionIndex 0 \"360 x 360\"\x1b[0m\n"},
      {"records only in one, keys shared",
       [](Json& s) {
         s["aResolutionInfoList"].push_back(s["aResolutionInfoList"][0]);
         Json& permissions = s["aMediaInfoList"][0]["aPermissionSetList"];
         permissions.push_back(permissions[0]);
         s["aPatternInfoList"].erase(1);
       },
       {"--stat"},
       "resolutions:  0 records changed, 1 added, 0 removed; 1 key shared by "
       "several records\n"
       "FM patterns:  0 records changed, 0 added, 1 removed\n"
       "media:        1 record changed (1 value), 0 added, 0 removed; 1 key "
       "shared by several records\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(BuildEdited(c.edit).exitCode, 0);
    std::vector<std::string> arguments = {"diff"};
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    arguments.insert(arguments.end(), {kExample, Edited()});
    ToolRun run = RunDsrTool(arguments);
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.exitCode, 1) << run.err;
  }
}

// A record file's members are one group; files of two kinds are not
// compared.
TEST_F(DiffTest, RecordFilesAndFilesOfTwoKinds) {
  Json medium = Dump(kExample)["DeviceSeries"]["aMediaInfoList"][1];
  const std::string a = dir_.File("a.xml");
  const std::string b = dir_.File("b.xml");
  for (const std::string& path : {a, b}) {
    WriteFileBytes(dir_.File("m.json"), Json{{"MediaInfo", medium}}.dump());
    ASSERT_EQ(RunDsrTool({"build", dir_.File("m.json"), path}).exitCode, 0);
    medium["nDryTime"] = 5;
    medium["aQualityInfoList"].erase(0);
  }
  ToolRun lines = RunDsrTool({"diff", a, b});
  EXPECT_EQ(lines.exitCode, 1);
  EXPECT_TRUE(lines.out.starts_with("MediaInfo.aQualityInfoList[0]."))
      << lines.out;
  EXPECT_TRUE(lines.out.ends_with("MediaInfo.nDryTime: 60 -> 5\n"))
      << lines.out;
  ToolRun stat = RunDsrTool({"diff", "--stat", a, b});
  EXPECT_EQ(stat.out, "MediaInfo:  " + std::to_string(LineCount(lines.out)) +
                          " values changed\n");
  ToolRun kinds = RunDsrTool({"diff", a, kExample});
  EXPECT_EQ(kinds.exitCode, 1);
  EXPECT_EQ(kinds.out, "A (" + a + ") is a MediaInfo file, B (" + kExample +
                           ") a DeviceSeries file\n");
}

TEST_F(DiffTest, OptionValuesItDoesNotTakeAreUsageErrors) {
  const std::vector<std::vector<std::string>> cases = {
      {"--tolerance", "-1"},   {"--tolerance", "abc"},   {"--tolerance", "inf"},
      {"--tolerance", "1x"},   {"--color", "sometimes"}, {"--max-lines", "-3"},
      {"--max-lines", "many"},
  };
  for (const std::vector<std::string>& options : cases) {
    SCOPED_TRACE(options[0] + " " + options[1]);
    ToolRun run =
        RunDsrTool({"diff", options[0], options[1], kExample, kExample});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("diff: " + options[0] + " wants "),
              std::string::npos)
        << run.err;
  }
}

#ifndef _WIN32
// On a terminal (script(1) gives the tool one) the lines are coloured and
// stop after 200 unless the options say otherwise; into a file (every case
// above) neither.
TEST_F(DiffTest, ATerminalGetsColoursAndACap) {
  ASSERT_EQ(BuildEdited(EditForOptions).exitCode, 0);
  struct Case {
    std::string options;
    bool colour;
    int lines;  // of differences, then the line counting the rest
  };
  const Case cases[] = {
      {"", true, 200},
      {"--color never", false, 200},
      {"--max-lines 0", true, 262},
      {"--max-lines 5 --color=auto", true, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options);
    const std::string diff = std::string("'") + DSRTOOL_PATH + "' diff " +
                             c.options + " '" + kExample + "' '" + Edited() +
                             "'";
    FILE* shell =
        ::popen(("script -qec \"" + diff + "\" /dev/null").c_str(), "r");
    std::string out(1 << 20, '\0');
    out.resize(std::fread(out.data(), 1, out.size(), shell));
    ::pclose(shell);
    // The terminal ends its lines with CR LF.
    std::string lines;
    for (char c : out) {
      if (c != '\r') lines += c;
    }
    EXPECT_EQ(lines.find("\x1b[") != std::string::npos, c.colour);
    const bool capped = c.lines < 262;
    EXPECT_EQ(LineCount(lines), c.lines + (capped ? 1 : 0));
    EXPECT_EQ(lines.find(" more differences not shown;") != std::string::npos,
              capped)
        << lines.substr(lines.size() - std::min<size_t>(lines.size(), 300));
  }
}
#endif

TEST_F(DiffTest, AFileThatCannotBeReadExitsWith2) {
  const std::string missing = dir_.File("missing.dsr");
  ToolRun run = RunDsrTool({"diff", kExample, missing});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err.rfind(missing + ": ", 0), 0u) << run.err;
}

}  // namespace
