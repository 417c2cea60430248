// dsrtool report: the HTML page of a device series, end to end through the
// built tool.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "devseries/device_series.h"
#include "devseries/device_series_model_internal.h"
#include "tests/support/temp_dir.h"
#include "tests/tools/report_series.h"
#include "tests/tools/tool_runner.h"

using namespace devseries;
namespace field_model = devseries::field_model;

namespace {

using tovra::testing::kEscapedMediumName;
using tovra::testing::ListFolder;
using tovra::testing::MakeReportSeries;
using tovra::testing::ReadFileBytes;
using tovra::testing::RunDsrTool;
using tovra::testing::ScopedTempDir;
using tovra::testing::ToolRun;
using tovra::testing::WriteFileBytes;

size_t Count(const std::string& text, const std::string& needle) {
  size_t count = 0;
  for (size_t at = text.find(needle); at != std::string::npos;
       at = text.find(needle, at + 1)) {
    ++count;
  }
  return count;
}

// The vertices of the first subpath of an SVG path made of relative moves
// and lines ("m0 4095l16-40 16-38").
std::vector<std::pair<long, long>> FirstSubpath(const std::string& d) {
  std::vector<std::pair<long, long>> points;
  std::vector<long> numbers;
  size_t i = 0;
  char command = 0;
  long x = 0;
  long y = 0;
  while (i < d.size()) {
    if (std::isalpha(static_cast<unsigned char>(d[i]))) {
      if (d[i] == 'm' && !points.empty()) break;
      command = d[i++];
      continue;
    }
    if (d[i] == ' ') {
      ++i;
      continue;
    }
    size_t used = 0;
    numbers.push_back(std::stol(d.substr(i), &used));
    i += used;
    if (numbers.size() == 2) {
      EXPECT_TRUE(command == 'm' || command == 'l') << command;
      x += numbers[0];
      y += numbers[1];
      points.emplace_back(x, y);
      numbers.clear();
    }
  }
  return points;
}

// The "d" text of the first path of class `classes` after `from`.
std::string PathAfter(const std::string& page, const std::string& from,
                      const std::string& classes) {
  const std::string start = "<path class=\"" + classes + "\" d=\"";
  size_t at = page.find(start, page.find(from));
  if (at == std::string::npos) return "";
  at += start.size();
  return page.substr(at, page.find('"', at) - at);
}

class ReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DeviceSeries series = MakeReportSeries();
    series.aModelInfoList[0].strLongModelName = "VX-640 – Ü 日本";
    series.aModelInfoList[0].dCropMargin_mm = 7.5;
    // Direction 2 allowed and preferred; the custom screen.
    PermissionSet& permission = series.aMediaInfoList[0].aPermissionSetList[1];
    permission.eDirection = 131074;
    permission.eScreen = 8;
    permission.screenOption.nLineCount = 85;
    // The inks of the first four slots only.
    series.aModeInfoList[0].nInkIndexList.fill(-1);
    for (std::int32_t slot = 0; slot < 4; ++slot) {
      series.aModeInfoList[0].nInkIndexList[static_cast<size_t>(slot)] = slot;
    }
    // A record of each list the series does not fill.
    series.aInkConfigInfoList.push_back({});
    series.aPatternInfoList.push_back({});
    series.aPrintChartFileInfoSetList.push_back({});
    series.aInkVolumeInfoList.push_back({});
    ASSERT_TRUE(DeviceSeriesIO2(series_).Write(series));
    // The tables as the reader expands them from their stored samples.
    ASSERT_TRUE(DeviceSeriesIO2(series_).Read(read_));
  }

  ScopedTempDir dir_;
  const std::string series_ = dir_.File("series.dsr");
  DeviceSeries read_;
};

TEST_F(ReportTest, WritesOneHtmlPageWithASectionPerMediumAndSeparation) {
  const std::string html = dir_.File("report.html");
  ToolRun run = RunDsrTool({"report", series_, "-o", html});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(ListFolder(dir_.path()),
            (std::vector<std::string>{"report.html", "series.dsr"}));
  const std::string page = ReadFileBytes(html);

  EXPECT_EQ(page.rfind("<!DOCTYPE html>\n<html lang=\"en\">", 0), 0u);
  EXPECT_EQ(page.find("<?xml"), std::string::npos);
  EXPECT_NE(page.find("<meta charset=\"utf-8\"/>"), std::string::npos);
  // Nothing that could reach the network or run.
  for (const char* absent : {"<script", "<link", "src=", "http"}) {
    EXPECT_EQ(page.find(absent), std::string::npos) << absent;
  }
  // Only void elements close themselves: "<div/>" would open a div.
  // (A scan, not std::regex, whose matching recurses once per character
  // and overflows a 1 MiB stack on a page this long.)
  std::set<std::string> selfClosed;
  for (size_t open = page.find('<'); open != std::string::npos;
       open = page.find('<', open + 1)) {
    const size_t close = page.find_first_of("<>", open + 1);
    if (close == std::string::npos || page[close] != '>' ||
        page[close - 1] != '/') {
      continue;
    }
    size_t name = open + 1;
    while (std::isalpha(static_cast<unsigned char>(page[name]))) ++name;
    if (name > open + 1) {
      selfClosed.insert(page.substr(open + 1, name - open - 1));
    }
  }
  selfClosed.erase("br");
  EXPECT_EQ(selfClosed, (std::set<std::string>{"meta"}));
  // File text is escaped, and other text passes as it is.
  EXPECT_NE(page.find("Vinyl &lt;&amp;&quot;&gt; gloss"), std::string::npos);
  EXPECT_EQ(page.find(kEscapedMediumName), std::string::npos);
  EXPECT_NE(page.find("VX-640 – Ü 日本"), std::string::npos);

  // A section per separation and medium, closed, each linked from the
  // index, as are the sections of the tables.
  EXPECT_EQ(Count(page, "<details"), 4u);
  EXPECT_EQ(Count(page, "<details id="), 4u);
  const std::pair<const char*, size_t> sections[] = {
      {"s0", 1},
      {"s1", 1},
      {"m0", 2},
      {"m1", 2},
      {"aModelInfoList", 1},
      {"aInkInfoList", 1},
      {"aInkConfigInfoList", 1},
      {"aResolutionInfoList", 1},
      {"aModeInfoList", 1},
      {"aSeparationInfoList", 1},
      {"aVControlPointList", 1},
      {"aPatternInfoList", 1},
      {"commandSet", 1},
      {"aMediaInfoList", 1},
      {"calibration", 1},
      {"aPrintChartFileInfoSetList", 1},
      {"aInkVolumeInfoList", 1}};
  for (const auto& [id, links] : sections) {
    SCOPED_TRACE(id);
    EXPECT_EQ(Count(page, std::string("id=\"") + id + "\""), 1u);
    // Media are linked from their table as well.
    EXPECT_EQ(Count(page, std::string("<a href=\"#") + id + "\""), links);
  }
  // A chart per separation, per distinct calibration and for the
  // VControl points; every channel with a stored curve has a legend entry
  // naming its ink.
  EXPECT_EQ(Count(page, "<svg "), 1u + 2u + 4u + 1u);
  EXPECT_EQ(Count(page, ">Y (ink Y)</text>"), 2u + 4u);
  EXPECT_EQ(Count(page, ">K (ink K)</text>"), 1u + 4u);
}

// Every member a record's model says the file stores shows under its own
// name, whatever the report's code knows of it: a member added to a model
// appears without a change to the report.
template <typename Record>
std::vector<std::string> StoredMembers() {
  std::vector<std::string> names;
  field_model::ForEachField<Record>([&](const auto& row) {
    if (row.stored()) names.emplace_back(row.MemberName());
  });
  return names;
}

TEST_F(ReportTest, EveryStoredMemberOfTheShownRecordsHasItsPlace) {
  ToolRun run = RunDsrTool({"report", series_, "-o", "-"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const std::string& page = run.out;
  const std::pair<const char*, std::vector<std::string>> kinds[] = {
      {"ModelInfo", StoredMembers<ModelInfo>()},
      {"InkInfo", StoredMembers<InkInfo>()},
      {"InkConfigInfo", StoredMembers<InkConfigInfo>()},
      {"ResolutionInfo", StoredMembers<ResolutionInfo>()},
      {"ModeInfo", StoredMembers<ModeInfo>()},
      {"SeparationInfo", StoredMembers<SeparationInfo>()},
      {"SeparationTable", StoredMembers<SeparationTable>()},
      {"VControlPoint", StoredMembers<VControlPoint>()},
      {"PatternInfo", StoredMembers<PatternInfo>()},
      {"DeviceSeriesCommandSet", StoredMembers<DeviceSeriesCommandSet>()},
      {"MediaInfo", StoredMembers<MediaInfo>()},
      {"QualityInfo", StoredMembers<QualityInfo>()},
      {"PermissionSet", StoredMembers<PermissionSet>()},
      {"PrintChartFileInfoSet", StoredMembers<PrintChartFileInfoSet>()},
      {"InkVolumeInfo", StoredMembers<InkVolumeInfo>()},
  };
  for (const auto& [kind, members] : kinds) {
    for (const std::string& member : members) {
      SCOPED_TRACE(std::string(kind) + "." + member);
      // The output curves are charted, not listed.
      if (member == "usOutputTable") continue;
      // A column or figure names its member under its heading (a nested
      // record's members under theirs), a line in the title of its label.
      EXPECT_TRUE(page.find("<span class=\"m\">" + member + "</span>") !=
                      std::string::npos ||
                  page.find("<span class=\"m\">" + member + ".") !=
                      std::string::npos ||
                  page.find(" (" + member + ")\">") != std::string::npos);
    }
  }
}

TEST_F(ReportTest, MembersShowTheirModelsLabelUnitAndMeaning) {
  ToolRun run = RunDsrTool({"report", series_, "-o", "-"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const std::string& page = run.out;
  const std::pair<const char*, std::string> shown[] = {
      {"the description as the label, the unit beside it",
       "<tr><th title=\"crop margin\">Crop margin (mm)<span "
       "class=\"m\">dCropMargin_mm</span></th><td class=\"n\">7.5</td>"},
      {"a short label where the description is long",
       "<th title=\"model name in the form the printer's management "
       "information base (MIB) reports\">MIB model name"},
      {"a language set by its English text",
       ">Media name (English)<span class=\"m\">strMediaName</span>"},
      {"a packed value by its parts", "<td>allowed 2; preferred 2</td>"},
      {"an enumerated value with its name", "<td>8 (custom screening)</td>"},
      {"a nested record as a group of columns",
       "<th colspan=\"4\">Custom screening settings</th>"},
      {"an index with the name of the entry it refers to", "<td>1 (Fine)</td>"},
      {"a link from a permission set to its calibration",
       "<td class=\"n\"><a href=\"#m1-1\">1</a></td>"},
      {"a table of indices by the names of its entries",
       "<td>Ink C, Ink M, Ink Y, Ink K</td>"},
      {"a list with an entry per model, by the models' names",
       "<td>VX-640 – Ü 日本: 0.25; VX-540: -0.125</td>"},
      {"a flag stored as a number",
       ">Hide modes not recommended<span class=\"m\">bHideUnrecommendedMode"
       "</span></th><td>yes</td>"},
  };
  for (const auto& [what, text] : shown) {
    EXPECT_NE(page.find(text), std::string::npos) << what;
  }
  EXPECT_EQ(page.find("131074"), std::string::npos);
  // The screening settings of the permission sets that do not use them are
  // not in their files, nor on the page.
  EXPECT_EQ(Count(page, "<td class=\"n\">85</td>"), 1u);
  EXPECT_EQ(Count(page, "<td>–</td>"), 3u * 4u);
}

TEST_F(ReportTest, CurvesShowEveryTableEntryAndTheStoredSamples) {
  ToolRun run = RunDsrTool({"report", series_, "-o", "-"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const std::string& page = run.out;
  for (size_t k = 0; k < 4; ++k) {
    SCOPED_TRACE(k);
    const std::string colour = " c" + std::to_string(k);
    const OutputTable& table =
        read_.aSeparationInfoList[0].aSeparationTableList[k].usOutputTable;
    // The line, drawn in table units, rounds to each entry at each input
    // level, with fewer vertices than entries.
    std::vector<std::pair<long, long>> line =
        FirstSubpath(PathAfter(page, "id=\"s0\"", "ln" + colour));
    ASSERT_GE(line.size(), 2u);
    EXPECT_LT(line.size(), 2048u);
    EXPECT_EQ(line.front().first, 0);
    EXPECT_EQ(line.back().first, 4095);
    size_t segment = 0;
    for (long i = 0; i < 4096; ++i) {
      while (line[segment + 1].first < i) ++segment;
      const auto [x0, y0] = line[segment];
      const auto [x1, y1] = line[segment + 1];
      const double y = y0 + static_cast<double>(y1 - y0) *
                                static_cast<double>(i - x0) /
                                static_cast<double>(x1 - x0);
      ASSERT_EQ(std::lround(y), table[static_cast<size_t>(i)]) << i;
    }
    // One dot per stored sample.
    EXPECT_EQ(Count(PathAfter(page, "id=\"s0\"", "dt" + colour), "h0"),
              kOutputTableSampleCount);
  }
}

TEST_F(ReportTest, StandardOutputGetsThePageAFileWould) {
  const std::string html = dir_.File("report.html");
  ASSERT_EQ(RunDsrTool({"report", series_, "--output", html}).exitCode, 0);
  ToolRun run = RunDsrTool({"report", series_, "-o", "-"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, ReadFileBytes(html));
  // And a page read from standard input names the file so.
  ToolRun piped =
      RunDsrTool({"report", "-", "-o", "-"}, ReadFileBytes(series_));
  EXPECT_EQ(piped.exitCode, 0) << piped.err;
  EXPECT_NE(piped.out.find("<title>Device series &lt;stdin&gt;</title>"),
            std::string::npos);
}

TEST_F(ReportTest, RefusesWhatIsNotADeviceSeriesAndLeavesTheTarget) {
  const std::string ink = dir_.File("ink.xml");
  ASSERT_TRUE(InkInfoIO().SaveInkInfoFile(ink, InkInfo{}));
  const std::string missing = dir_.File("missing.dsr");
  const std::string folder = dir_.File("no-such-folder/report.html");
  struct Case {
    std::string input;
    std::string output;
    std::string message;  // the start of the one line on standard error
  };
  const Case cases[] = {
      {ink, "report.html",
       ink + ": is a standalone InkInfo file, not a device-series file"},
      {missing, "report.html", missing + ": "},
      {series_, series_,
       series_ + ": is the device-series file read: the page would replace it"},
      {series_, folder,
       folder + ": the folder " + dir_.File("no-such-folder") +
           " does not exist"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input + " " + c.output);
    const std::string target = c.output.find('/') == std::string::npos
                                   ? dir_.File(c.output)
                                   : c.output;
    if (c.output == "report.html") WriteFileBytes(target, "earlier page");
    const std::string before = ReadFileBytes(target);
    ToolRun run = RunDsrTool({"report", c.input, "-o", target});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind(c.message, 0), 0u) << run.err;
    EXPECT_EQ(Count(run.err, "\n"), 1u) << run.err;
    EXPECT_EQ(ReadFileBytes(target), before);
  }
  EXPECT_EQ(ListFolder(dir_.path()),
            (std::vector<std::string>{"ink.xml", "report.html", "series.dsr"}));
}

}  // namespace
