// dsrtool report: the HTML page of a device series, end to end through the
// built tool.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <set>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "devseries/device_series.h"
#include "devseries/device_series_model_internal.h"
#include "tests/support/temp_dir.h"
#include "tests/tools/report_series.h"
#include "tests/tools/tool_runner.h"
#include "tools/digest/sha256.h"

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

// The paths of class `kind` in the first chart after `from`: each one's
// stroke colour and "d" text, in order.
struct ChartPath {
  std::string stroke;
  std::string d;
};
std::vector<ChartPath> ChartPaths(const std::string& page,
                                  const std::string& from,
                                  const std::string& kind) {
  std::vector<ChartPath> paths;
  const size_t chart = page.find("<svg ", page.find(from));
  const size_t end = page.find("</svg>", chart);
  if (chart == std::string::npos || end == std::string::npos) return paths;
  const std::string start = "<path class=\"" + kind + "\" stroke=\"";
  for (size_t at = page.find(start, chart); at < end;
       at = page.find(start, at + 1)) {
    const size_t stroke = at + start.size();
    const size_t d = page.find("d=\"", stroke) + 3;
    paths.push_back({page.substr(stroke, page.find('"', stroke) - stroke),
                     page.substr(d, page.find('"', d) - d)});
  }
  return paths;
}

std::vector<std::string> Strokes(const std::vector<ChartPath>& paths) {
  std::vector<std::string> strokes;
  for (const ChartPath& path : paths) strokes.push_back(path.stroke);
  return strokes;
}

// Sets an environment variable of this process, which the tool's runs
// inherit, while it lives.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const std::string& value) : name_(name) {
#if defined(_WIN32)
    _putenv_s(name, value.c_str());
#else
    ::setenv(name, value.c_str(), 1);
#endif
  }
  ~ScopedEnvironment() {
#if defined(_WIN32)
    _putenv_s(name_, "");
#else
    ::unsetenv(name_);
#endif
  }

 private:
  const char* name_;
};

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
  // Every list of records has a table, linked from the summary's count
  // as well.
  const std::pair<const char*, size_t> sections[] = {
      {"s0", 1},
      {"s1", 1},
      {"m0", 2},
      {"m1", 2},
      {"aModelInfoList", 2},
      {"aInkInfoList", 2},
      {"aInkConfigInfoList", 2},
      {"aResolutionInfoList", 2},
      {"aModeInfoList", 2},
      {"aSeparationInfoList", 2},
      {"aVControlPointList", 2},
      {"aPatternInfoList", 2},
      {"commandSet", 1},
      {"aMediaInfoList", 2},
      {"calibration", 1},
      {"aPrintChartFileInfoSetList", 2},
      {"aInkVolumeInfoList", 2}};
  for (const auto& [id, links] : sections) {
    SCOPED_TRACE(id);
    EXPECT_EQ(Count(page, std::string("id=\"") + id + "\""), 1u);
    // Media are linked from their table as well.
    EXPECT_EQ(Count(page, std::string("<a href=\"#") + id + "\""), links);
    if (links == 2 && id[0] == 'a') {
      const size_t heading = page.find(std::string("id=\"") + id + "\"");
      EXPECT_NE(page.find("<table>", heading), std::string::npos);
    }
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
      {"a flag stored as a number, the description under its short label",
       ">Hide modes not recommended<span class=\"d\">hide print modes that "
       "are not recommended</span><span class=\"m\">bHideUnrecommendedMode"
       "</span></th><td>yes</td>"},
      {"a packed value's layout under its label",
       ">Print direction<span class=\"d\">low 16 bits: direction flags"},
      {"the names of an enumeration's values under its label",
       ">Screening code<span class=\"d\">screening code; 8 means custom "
       "screening settings are carried in screenOption; values: 8 custom "
       "screening</span>"},
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
  // A line per channel, then a legend entry per channel.
  const std::vector<ChartPath> lines = ChartPaths(page, "id=\"s0\"", "ln");
  const std::vector<ChartPath> marks = ChartPaths(page, "id=\"s0\"", "sm");
  ASSERT_EQ(lines.size(), 2u * 4u);
  ASSERT_EQ(marks.size(), 4u);
  for (size_t k = 0; k < 4; ++k) {
    SCOPED_TRACE(k);
    const OutputTable& table =
        read_.aSeparationInfoList[0].aSeparationTableList[k].usOutputTable;
    // The line, drawn in table units, rounds to each entry at each input
    // level, with fewer vertices than entries.
    std::vector<std::pair<long, long>> line = FirstSubpath(lines[k].d);
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
    // One mark per stored sample, apart from the line, in its colour.
    EXPECT_EQ(Count(marks[k].d, "h0"), kOutputTableSampleCount);
    EXPECT_EQ(marks[k].stroke, lines[k].stroke);
    EXPECT_EQ(lines[4 + k].stroke, lines[k].stroke);
  }
}

// The lines of a separation's channels, and of the calibration of its
// channels, are drawn in their inks' colours: the dark display colour, the
// light one where that is taken, a colour of the palette where both are
// taken (or look like the page) or the channel has no ink.
TEST_F(ReportTest, ChannelsAreDrawnInTheirInksColoursUnlessTheyLookAlike) {
  const InkRGB cyan = {0, 150, 210};
  const InkRGB white = {255, 255, 255};
  struct Case {
    const char* what;
    std::function<void(DeviceSeries&)> change;
    std::vector<std::string> colours;  // of channels C, M, Y, K
  };
  const std::vector<std::string> inks = {"#0096d2", "#d20078", "#f0dc00",
                                         "#141414"};
  const Case cases[] = {
      {"each ink its dark colour", [](DeviceSeries&) {}, inks},
      {"magenta's dark colour is cyan's: its light one",
       [&](DeviceSeries& s) {
         s.aInkInfoList[1].darkColor = cyan;
         s.aInkInfoList[1].lightColor = {250, 200, 220};
       },
       {"#0096d2", "#fac8dc", "#f0dc00", "#141414"}},
      {"both of magenta's colours are cyan's",
       [&](DeviceSeries& s) {
         s.aInkInfoList[1].darkColor = cyan;
         s.aInkInfoList[1].lightColor = cyan;
       },
       {"#0096d2", "#d62728", "#f0dc00", "#141414"}},
      {"an ink without colours (both black, as the reader leaves them)",
       [&](DeviceSeries& s) {
         s.aInkInfoList[3].darkColor = {};
         s.aInkInfoList[3].lightColor = {};
       },
       {"#0096d2", "#d20078", "#f0dc00", "#d62728"}},
      {"a white ink",
       [&](DeviceSeries& s) {
         s.aInkInfoList[1].darkColor = white;
         s.aInkInfoList[1].lightColor = white;
       },
       {"#0096d2", "#d62728", "#f0dc00", "#141414"}},
      {"channels without an ink, or with one the file lacks",
       [](DeviceSeries& s) {
         for (SeparationInfo& separation : s.aSeparationInfoList) {
           separation.aSeparationTableList[1].nInkIndex = -1;
           separation.aSeparationTableList[2].nInkIndex = 9;
         }
       },
       {"#0096d2", "#d62728", "#2ca02c", "#141414"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DeviceSeries series = read_;
    c.change(series);
    const std::string path = dir_.File("colours.dsr");
    ASSERT_TRUE(DeviceSeriesIO2(path).Write(series));
    ToolRun run = RunDsrTool({"report", path, "-o", "-"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Strokes(ChartPaths(run.out, "id=\"s0\"", "sm")), c.colours);
    // The calibration of the first permission set, whose separation is the
    // first: its a*, b* dots.
    EXPECT_EQ(Strokes(ChartPaths(run.out, "id=\"m0-0\"", "dt")), c.colours);
  }
}

// The heading names the file as given, the version its root element gives,
// its size and SHA-256, the tool and the day (SOURCE_DATE_EPOCH's, where it
// is set): for a file, standard input and a named pipe alike.
TEST_F(ReportTest, HeadingNamesTheFileItsVersionSizeChecksumToolAndDay) {
  const std::string bytes = ReadFileBytes(series_);
  tovra::Sha256 sha256;
  sha256.Update(bytes);
  const std::string digest = sha256.HexDigest();
  IOVersion version;
  DeviceSeriesIO2("").GetVersion(version);
  std::string tool = RunDsrTool({"--version"}).out;
  tool.pop_back();
  struct Case {
    const char* input;  // the operand; "fifo" a named pipe of the folder
    const char* epoch;
    std::string shown;
    const char* day;
  };
  const Case cases[] = {
    {"file", "0", series_, "1970-01-01"},
    {"-", "1765324800", "&lt;stdin&gt;", "2025-12-10"},
#if !defined(_WIN32)
    {"fifo", "-86400", dir_.File("pipe"), "1969-12-31"},
#endif
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    ScopedEnvironment epoch("SOURCE_DATE_EPOCH", c.epoch);
    const std::string input = c.input;
    ToolRun run;
    if (input == "file") {
      run = RunDsrTool({"report", series_, "-o", "-"});
    } else if (input == "-") {
      run = RunDsrTool({"report", "-", "-o", "-"}, bytes);
    } else {
#if !defined(_WIN32)
      // A child writes the bytes into the pipe once.
      const std::string fifo = dir_.File("pipe");
      ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
      const pid_t writer = ::fork();
      if (writer == 0) {
        const int fd = ::open(fifo.c_str(), O_WRONLY);
        for (size_t at = 0; fd >= 0 && at < bytes.size();) {
          const ssize_t wrote =
              ::write(fd, bytes.data() + at, bytes.size() - at);
          if (wrote <= 0) break;
          at += static_cast<size_t>(wrote);
        }
        ::_exit(0);
      }
      run = RunDsrTool({"report", fifo, "-o", "-"});
      ::waitpid(writer, nullptr, 0);
#endif
    }
    ASSERT_EQ(run.exitCode, 0) << run.err;
    for (const std::string& row : {
             "<th>File</th><td>" + c.shown + "</td>",
             "<th>Format version</th><td>" + version.ToString() + "</td>",
             "<th>Size</th><td>" + std::to_string(bytes.size()) + " bytes (",
             "<th>SHA-256</th><td>" + digest + "</td>",
             "<th>Made by</th><td>" + tool + "</td>",
             "<th>Made on (UTC)</th><td>" + std::string(c.day) + "</td>",
         }) {
      EXPECT_NE(run.out.find(row), std::string::npos) << row;
    }
  }
}

// `report A B` pairs the records as diff does (media by name, records with
// an index member by it, the others by position), marks each value that
// differs with A's and B's, and the records only one file holds.
TEST_F(ReportTest, ComparingTwoFilesMarksWhatDiffers) {
  struct Case {
    const char* what;
    std::function<void(DeviceSeries&)> change;  // B is A changed so
    std::vector<std::string> shown;
    std::vector<std::string> absent;
  };
  const std::string same = "<td>the same</td>";
  const Case cases[] = {
      {"the same file",
       nullptr,
       {"<a href=\"#aInkInfoList\">Inks</a></th><td class=\"n\">4</td><td "
        "class=\"n\">4</td>" +
            same,
        "Separation 0: CMYK (the same)", "The same calibration in A and B."},
       {"class=\"chg\"", "class=\"oa\"", "class=\"ob\""}},
      {"a value changed",
       [](DeviceSeries& s) { s.aInkInfoList[2].flPrice = 61.5f; },
       {"<td class=\"chg\">1 changed, 0 only in A, 0 only in B</td>",
        "<tr><th class=\"pl\">A 2, B 2</th><td class=\"n\">2</td><td>Ink "
        "Y</td>",
        "<td class=\"chg\"><span class=\"a\">59.5</span><span "
        "class=\"b\">61.5</span></td>"},
       {}},
      {"keyed records in another order are the same",
       [](DeviceSeries& s) {
         std::reverse(s.aInkInfoList.begin(), s.aInkInfoList.end());
       },
       {"<a href=\"#aInkInfoList\">Inks</a></th><td class=\"n\">4</td><td "
        "class=\"n\">4</td>" +
            same,
        "<th class=\"pl\">A 0, B 3</th>"},
       {"<span class=\"a\">Ink C</span>"}},
      {"records without an index are paired by position",
       [](DeviceSeries& s) {
         std::swap(s.aModelInfoList[0], s.aModelInfoList[1]);
       },
       {"<td class=\"chg\">2 changed, 0 only in A, 0 only in B</td>",
        "<td class=\"chg\"><span class=\"a\">VX-640 – Ü 日本</span><span "
        "class=\"b\">VX-540</span></td>"},
       {}},
      {"a record only in A, one only in B",
       [](DeviceSeries& s) {
         s.aInkInfoList.pop_back();
         s.aResolutionInfoList.push_back(s.aResolutionInfoList[0]);
         s.aResolutionInfoList.back().nResolutionIndex = 7;
       },
       {"<tr class=\"oa\"><th class=\"pl\">only in A (3)</th>",
        "<tr class=\"ob\"><th class=\"pl\">only in B (2)</th>",
        "<td class=\"chg\">0 changed, 1 only in A, 0 only in B</td>",
        "<td class=\"chg\">0 changed, 0 only in A, 1 only in B</td>",
        // The ink B lacks is missing where B refers to it.
        "<span class=\"b\">3 (not in the file)</span>"},
       {}},
      {"media are paired by their names",
       [](DeviceSeries& s) {
         std::swap(s.aMediaInfoList[0], s.aMediaInfoList[1]);
         s.aMediaInfoList[1].strMediaName[9] = "Banner 510 (9)";
       },
       {"Banner 510 (only in A)", "Banner 510 (only in B)",
        "Vinyl &lt;&amp;&quot;&gt; gloss (the same)",
        "<details id=\"m0\" class=\"oa\">"},
       {}},
      {"a curve changed: both overlaid, A's solid, B's dashed",
       [](DeviceSeries& s) {
         OutputTable& table =
             s.aSeparationInfoList[0].aSeparationTableList[1].usOutputTable;
         // Halved, as the writer stores it and the reader expands it.
         for (std::uint16_t& level : table) level = level / 2;
       },
       {"Separation 0: CMYK (changed)",
        "<li class=\"chg\">M (ink M): differs at ",
        "<li>C (ink C): the same</li>", "ln b\" stroke=\"#d20078\""},
       {}},
      {"a separation and a medium only B holds",
       [](DeviceSeries& s) {
         s.aSeparationInfoList.push_back(s.aSeparationInfoList[0]);
         s.aSeparationInfoList.back().nSeparationIndex = 5;
         s.aMediaInfoList.push_back(s.aMediaInfoList[0]);
         s.aMediaInfoList.back().strMediaName.fill("Canvas");
       },
       {"<details id=\"s2\" class=\"ob\"><summary>Separation 5: CMYK (only "
        "in B)</summary>",
        "\">C (ink C) B</text>",
        "<details id=\"m2\" class=\"ob\"><summary>Canvas (only in "
        "B)</summary>",
        "<h4 id=\"m2-0\" class=\"ob\">Permission set 0 (only in B)</h4>"},
       {}},
      {"a calibration value changed: A's chart beside B's",
       [](DeviceSeries& s) {
         s.aMediaInfoList[1]
             .aPermissionSetList[0]
             .aCalibrationInfoList[2]
             .density[20] = 9.5f;
       },
       {"<div class=\"pair\"><figure><figcaption>A</figcaption><svg ",
        "</figure><figure><figcaption>B</figcaption><svg ",
        "class=\"b\">9.5</span></td>"},
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string path = series_;
    if (c.change) {
      DeviceSeries other = read_;
      c.change(other);
      path = dir_.File("other.dsr");
      ASSERT_TRUE(DeviceSeriesIO2(path).Write(other));
    }
    // B from standard input, which the page names so.
    ToolRun run =
        RunDsrTool({"report", series_, "-", "-o", "-"}, ReadFileBytes(path));
    EXPECT_NE(run.out.find("<td>&lt;stdin&gt;</td></tr>"), std::string::npos);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    for (const std::string& text : c.shown) {
      EXPECT_NE(run.out.find(text), std::string::npos) << text;
    }
    for (const std::string& text : c.absent) {
      const size_t at = run.out.find(text);
      EXPECT_EQ(at, std::string::npos)
          << run.out.substr(at < 300 ? 0 : at - 300, 400);
    }
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
      {series_ + " " + ink, ink,
       ink + ": is the device-series file read: the page would replace it"},
      {series_ + " " + ink, "report.html",
       ink + ": is a standalone InkInfo file, not a device-series file"},
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
    std::vector<std::string> arguments = {"report"};
    for (size_t at = 0, end = 0; at <= c.input.size(); at = end + 1) {
      end = std::min(c.input.find(' ', at), c.input.size());
      arguments.push_back(c.input.substr(at, end - at));
    }
    arguments.insert(arguments.end(), {"-o", target});
    ToolRun run = RunDsrTool(arguments);
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
