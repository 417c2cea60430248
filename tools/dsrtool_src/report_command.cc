// dsrtool report: one self-contained HTML page describing a device series,
// with tables of its records and SVG charts of its curves and measurements.
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ostream>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "devseries/device_series.h"
#include "platform/file_system.h"
#include "tools/dsrtool_src/commands.h"
#include "tools/dsrtool_src/memory_files.h"
#include "tools/dsrtool_src/record_io.h"
#include "tools/dsrtool_src/report_page.h"
#include "tools/dsrtool_src/tool_error.h"

namespace dsrtool {

using namespace ::devseries;

namespace {

// The page's style sheet. Chart lines take their colour from the classes
// c0 to c9, in turn; their strokes keep their width in charts drawn in
// scaled coordinates (vector-effect). It goes through the writer's text
// escaping, which a browser does not undo inside <style>: no '&', '<', '>'
// or '"' in it.
constexpr const char* kStyle =
    "body{font:14px/1.4 'DejaVu Sans',Arial,sans-serif;margin:1em 2em;"
    "color:#222}\n"
    "h2{margin-top:1.6em;border-bottom:1px solid #bbb}\n"
    "h4{margin:1.2em 0 .2em}\n"
    "table{border-collapse:collapse;margin:.4em 0 1em}\n"
    "th,td{border:1px solid #ccc;padding:2px 6px;vertical-align:top;"
    "text-align:left}\n"
    "th{background:#f2f2f2}\n"
    "td.n,.k td{text-align:right;font-variant-numeric:tabular-nums}\n"
    ".k td,.k th{padding:1px 3px;font-size:11px}.k th{white-space:nowrap}\n"
    ".m{display:block;font:11px monospace;color:#666;font-weight:400;"
    "overflow-wrap:anywhere}\n"
    ".sw{display:inline-block;width:14px;height:14px;border:1px solid #555;"
    "vertical-align:middle;margin-right:5px}\n"
    "details{border:1px solid #ccc;border-radius:4px;margin:.4em 0;"
    "padding:.3em .8em}\n"
    "summary{cursor:pointer;font-weight:600}\n"
    "nav ul ul{columns:18em;font-size:13px}\n"
    ".x{overflow-x:auto}\n"
    ".defs{position:absolute;width:0;height:0}\n"
    "svg{display:block;margin:.5em 0}\n"
    "svg text{font-size:12px;fill:#222}\n"
    ".e{text-anchor:end}.c{text-anchor:middle}\n"
    ".fr{fill:none;stroke:#777}.gr{fill:none;stroke:#e2e2e2}"
    ".ax{fill:none;stroke:#aaa}\n"
    ".ln{fill:none;stroke-width:1.5px;vector-effect:non-scaling-stroke}\n"
    ".dt{fill:none;stroke-width:5px;stroke-linecap:round;"
    "vector-effect:non-scaling-stroke}\n"
    ".c0{stroke:#1f77b4}.c1{stroke:#d62728}.c2{stroke:#2ca02c}"
    ".c3{stroke:#ff7f0e}.c4{stroke:#9467bd}.c5{stroke:#8c564b}"
    ".c6{stroke:#e377c2}.c7{stroke:#7f7f7f}.c8{stroke:#bcbd22}"
    ".c9{stroke:#17becf}\n";
constexpr size_t kColourCount = 10;

// Geometry of a separation chart: a 512-pixel square plot of input levels
// (across) against output levels (up), one pixel per 8 levels, and the
// legend to its right.
constexpr long kCurveLeft = 60;
constexpr long kCurveTop = 20;
constexpr long kCurveSize = 512;
constexpr long kCurveLegendLeft = kCurveLeft + kCurveSize + 30;

// Geometry of a calibration chart: densities and L* by step in two plots
// side by side, a* against b* in a square plot, the legend below.
struct Plot {
  long left;
  long top;
  long width;
  long height;
  long right() const { return left + width; }
  long bottom() const { return top + height; }
};
constexpr Plot kDensityPlot = {50, 24, 220, 150};
constexpr Plot kLightnessPlot = {340, 24, 220, 150};
constexpr Plot kAbPlot = {630, 24, 150, 150};
constexpr long kCalibrationWidth = 800;
constexpr long kCalibrationLegendTop = 230;
constexpr size_t kLegendColumns = 6;

// Geometry of the VControl chart: one plot per dot size.
constexpr Plot kVControlPlots[] = {
    {60, 24, 220, 160}, {340, 24, 220, 160}, {620, 24, 220, 160}};
constexpr long kVControlLegendTop = 228;

std::string Int(long value) { return std::to_string(value); }

const char* YesNo(bool value) { return value ? "yes" : "no"; }

std::string ColourClass(const char* kind, size_t k) {
  return std::string(kind) + " c" + Int(static_cast<long>(k % kColourCount));
}

// The English entry of a language set, or a stand-in when it is empty.
std::string English(const LanguageStringSet& names, std::string_view empty) {
  return names[0].empty() ? std::string(empty) : names[0];
}

// "0, 1, 2"; "none" for an empty list.
std::string ListText(const std::vector<std::int32_t>& values) {
  std::string text;
  for (std::int32_t value : values) {
    if (!text.empty()) text += ", ";
    text += Int(value);
  }
  return text.empty() ? "none" : text;
}

// "2026-12-08 17:52:33.005".
std::string TimeText(const TimeStamp& time) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%04u-%02u-%02u %02u:%02u:%02u.%03u",
                unsigned{time.year}, unsigned{time.month}, unsigned{time.day},
                unsigned{time.hour}, unsigned{time.minute},
                unsigned{time.second}, unsigned{time.ms});
  return buffer;
}

// "#3a7fc0".
std::string RgbText(const InkRGB& colour) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "#%02x%02x%02x", unsigned{colour.nRed},
                unsigned{colour.nGreen}, unsigned{colour.nBlue});
  return buffer;
}

// The first record of each index value, looked up in constant time.
template <typename Record>
class ByIndex {
 public:
  ByIndex(const std::vector<Record>& records, std::int32_t Record::*index) {
    for (const Record& record : records) {
      found_.try_emplace(record.*index, &record);
    }
  }
  const Record* Find(std::int32_t index) const {
    auto found = found_.find(index);
    return found == found_.end() ? nullptr : found->second;
  }

 private:
  std::unordered_map<std::int32_t, const Record*> found_;
};

// A pixel position for `value` on an axis from `low` (at pixel `from`) to
// `high` (at pixel `to`), held within the axis.
long Scale(double value, double low, double high, long from, long to) {
  double t = (value - low) / (high - low);
  t = std::clamp(t, 0.0, 1.0);
  return std::lround(from + t * static_cast<double>(to - from));
}

// Cells, headers and chart elements.

void Cell(HtmlWriter& html, std::string_view text) { html.Element("td", text); }

void NumberCell(HtmlWriter& html, std::string_view text) {
  html.Open("td").Attribute("class", "n").Text(text);
  html.Close();
}

// A row of column headers: what each column shows, with the member it
// comes from in small type under it.
void Headers(HtmlWriter& html,
             std::initializer_list<std::pair<const char*, const char*>> list) {
  html.Open("tr");
  for (const auto& [label, member] : list) {
    html.Open("th").Text(label);
    if (member[0] != '\0') {
      html.Open("span").Attribute("class", "m").Text(member);
      html.Close();
    }
    html.Close();
  }
  html.Close();
  html.Newline();
}

void SvgText(HtmlWriter& html, long x, long y, std::string_view text,
             const char* anchor = nullptr) {
  html.Open("text").Attribute("x", Int(x)).Attribute("y", Int(y));
  if (anchor != nullptr) html.Attribute("class", anchor);
  html.Text(text);
  html.Close();
}

void SvgPath(HtmlWriter& html, std::string_view classes, std::string_view d) {
  html.Open("path").Attribute("class", classes).Attribute("d", d);
  html.Close();
}

void SvgFrame(HtmlWriter& html, const Plot& plot) {
  html.Open("rect")
      .Attribute("class", "fr")
      .Attribute("x", Int(plot.left))
      .Attribute("y", Int(plot.top))
      .Attribute("width", Int(plot.width))
      .Attribute("height", Int(plot.height));
  html.Close();
}

// Opens an <svg> of the given size, described by `label` for readers that
// do not see it.
void OpenSvg(HtmlWriter& html, long width, long height,
             std::string_view label) {
  html.Open("svg")
      .Attribute("width", Int(width))
      .Attribute("height", Int(height))
      .Attribute("viewBox", "0 0 " + Int(width) + " " + Int(height))
      .Attribute("role", "img")
      .Attribute("aria-label", label);
}

void Use(HtmlWriter& html, const char* id) {
  html.Open("use").Attribute("href", std::string("#") + id);
  html.Close();
}

// One legend entry: a short line of colour `k` and its label.
void LegendEntry(HtmlWriter& html, size_t k, long x, long y,
                 std::string_view label) {
  SvgPath(html, ColourClass("ln", k), "M" + Int(x) + " " + Int(y - 4) + "h24");
  SvgText(html, x + 30, y, label);
}

// The legend label of a separation channel: its input channel and ink.
std::string ChannelLabel(const SeparationTable& table, size_t position,
                         const ByIndex<InkInfo>& inks) {
  std::string label = table.strInputChannel.empty()
                          ? "channel " + Int(static_cast<long>(position))
                          : table.strInputChannel;
  if (table.nInkIndex < 0) return label + " (no ink)";
  if (const InkInfo* ink = inks.Find(table.nInkIndex)) {
    return label + " (ink " + ink->strShortInkName + ")";
  }
  return label + " (ink " + Int(table.nInkIndex) + ", not in the file)";
}

// The page.
class ReportPage {
 public:
  ReportPage(const std::string& path, const DeviceSeries& series)
      : path_(path),
        series_(series),
        inks_(series.aInkInfoList, &InkInfo::nInkIndex),
        modes_(series.aModeInfoList, &ModeInfo::nModeIndex),
        resolutions_(series.aResolutionInfoList,
                     &ResolutionInfo::nResolutionIndex),
        separations_(series.aSeparationInfoList,
                     &SeparationInfo::nSeparationIndex) {}

  std::string Write() {
    html_.Doctype();
    html_.Open("html").Attribute("lang", "en");
    html_.Newline();
    Head();
    html_.Open("body");
    html_.Newline();
    Definitions();
    html_.Element("h1", "Device series " + FileName());
    Summary();
    Index();
    Models();
    Inks();
    Modes();
    MediaTable();
    Separations();
    MediaSections();
    VControlPoints();
    html_.Close();  // body
    html_.Newline();
    html_.Close();  // html
    html_.Newline();
    return html_.Finish();
  }

 private:
  // The file's name without its folders.
  std::string FileName() const {
    size_t slash = path_.find_last_of("/\\");
    return slash == std::string::npos ? path_ : path_.substr(slash + 1);
  }

  void Head() {
    html_.Open("head");
    html_.Open("meta").Attribute("charset", "utf-8");
    html_.CloseVoid();
    html_.Element("title", "Device series " + FileName());
    html_.Element("style", kStyle);
    html_.Close();
    html_.Newline();
  }

  // Section heading with the id the index links to.
  void SectionHeading(const char* id, std::string_view title) {
    html_.Open("h2").Attribute("id", id).Text(title);
    html_.Close();
    html_.Newline();
  }

  // The parts every chart of a kind shares, drawn once and placed in each
  // chart with <use>: frames, grids, fixed ticks and axis titles.
  void Definitions() {
    html_.Open("svg")
        .Attribute("class", "defs")
        .Attribute("aria-hidden", "true");
    html_.Open("defs");
    CurveFrame();
    CalibrationFrame();
    html_.Close();
    html_.Close();
    html_.Newline();
  }

  void CurveFrame() {
    html_.Open("g").Attribute("id", "sf");
    PathData grid;
    const long bottom = kCurveTop + kCurveSize;
    for (long k = 1; k < 8; ++k) {
      grid.MoveTo(kCurveLeft + k * 64, kCurveTop);
      grid.LineTo(kCurveLeft + k * 64, bottom);
      grid.MoveTo(kCurveLeft, kCurveTop + k * 64);
      grid.LineTo(kCurveLeft + kCurveSize, kCurveTop + k * 64);
    }
    SvgPath(html_, "gr", grid.text());
    SvgFrame(html_, {kCurveLeft, kCurveTop, kCurveSize, kCurveSize});
    for (long k = 0; k <= 4; ++k) {
      const std::string level = Int(k == 4 ? 4095 : k * 1024);
      SvgText(html_, kCurveLeft + k * 128, bottom + 16, level, "c");
      SvgText(html_, kCurveLeft - 6, bottom - k * 128 + 4, level, "e");
    }
    SvgText(html_, kCurveLeft + kCurveSize / 2, bottom + 36,
            "input level (0 to 4095)", "c");
    html_.Open("text")
        .Attribute("class", "c")
        .Attribute(
            "transform",
            "translate(14 " + Int(kCurveTop + kCurveSize / 2) + ") rotate(-90)")
        .Text("output level (0 to 4095)");
    html_.Close();
    html_.Close();
  }

  void CalibrationFrame() {
    html_.Open("g").Attribute("id", "cf");
    PathData grid;
    for (const Plot& plot : {kDensityPlot, kLightnessPlot}) {
      for (long step = 5; step < 20; step += 5) {
        grid.MoveTo(plot.left + step * 11, plot.top);
        grid.LineTo(plot.left + step * 11, plot.bottom());
      }
      grid.MoveTo(plot.left, plot.top + plot.height / 2);
      grid.LineTo(plot.right(), plot.top + plot.height / 2);
      for (long step = 0; step <= 20; step += 5) {
        SvgText(html_, plot.left + step * 11, plot.bottom() + 15, Int(step),
                "c");
      }
      SvgText(html_, plot.left + plot.width / 2, plot.bottom() + 32, "step",
              "c");
      SvgText(html_, plot.left - 5, plot.bottom() + 4, "0", "e");
    }
    SvgPath(html_, "gr", grid.text());
    PathData axes;
    axes.MoveTo(kAbPlot.left, kAbPlot.top + kAbPlot.height / 2);
    axes.LineTo(kAbPlot.right(), kAbPlot.top + kAbPlot.height / 2);
    axes.MoveTo(kAbPlot.left + kAbPlot.width / 2, kAbPlot.top);
    axes.LineTo(kAbPlot.left + kAbPlot.width / 2, kAbPlot.bottom());
    SvgPath(html_, "ax", axes.text());
    for (const Plot& plot : {kDensityPlot, kLightnessPlot, kAbPlot}) {
      SvgFrame(html_, plot);
    }
    SvgText(html_, kDensityPlot.left, kDensityPlot.top - 8, "Density");
    SvgText(html_, kLightnessPlot.left, kLightnessPlot.top - 8, "L*");
    SvgText(html_, kLightnessPlot.left - 5, kLightnessPlot.top + 4, "100", "e");
    SvgText(html_, kLightnessPlot.left - 5,
            kLightnessPlot.top + kLightnessPlot.height / 2 + 4, "50", "e");
    SvgText(html_, kAbPlot.left, kAbPlot.top - 8, "b* (up) against a*");
    SvgText(html_, kAbPlot.left + kAbPlot.width / 2, kAbPlot.bottom() + 32,
            "a*", "c");
    html_.Close();
  }

  void Summary() {
    size_t visible = 0;
    size_t permissionSets = 0;
    for (const MediaInfo& media : series_.aMediaInfoList) {
      visible += media.bVisibleMedia ? 1 : 0;
      permissionSets += media.aPermissionSetList.size();
    }
    size_t channels = 0;
    size_t curves = 0;
    for (const SeparationInfo& separation : series_.aSeparationInfoList) {
      channels += separation.aSeparationTableList.size();
      for (const SeparationTable& table : separation.aSeparationTableList) {
        curves += table.eType == 1 ? 1 : 0;
      }
    }
    auto count = [](size_t n) { return std::to_string(n); };
    const std::pair<std::string, std::string> rows[] = {
        {"File", path_},
        {"Models", count(series_.aModelInfoList.size())},
        {"Inks", count(series_.aInkInfoList.size())},
        {"Ink configurations", count(series_.aInkConfigInfoList.size())},
        {"Resolutions", count(series_.aResolutionInfoList.size())},
        {"Print modes", count(series_.aModeInfoList.size())},
        {"Separations", count(series_.aSeparationInfoList.size()) + " (" +
                            count(channels) + " channels, " + count(curves) +
                            " with a stored curve)"},
        {"VControl points", count(series_.aVControlPointList.size())},
        {"FM patterns", count(series_.aPatternInfoList.size())},
        {"Media", count(series_.aMediaInfoList.size()) + " (" + count(visible) +
                      " visible, " + count(permissionSets) +
                      " permission sets)"},
        {"Print-chart file sets",
         count(series_.aPrintChartFileInfoSetList.size())},
        {"Ink volumes", count(series_.aInkVolumeInfoList.size())},
    };
    html_.Open("table").Attribute("id", "summary");
    html_.Newline();
    for (const auto& [label, value] : rows) {
      html_.Open("tr");
      html_.Element("th", label);
      Cell(html_, value);
      html_.Close();
      html_.Newline();
    }
    html_.Close();
    html_.Newline();
  }

  void IndexLink(const std::string& id, std::string_view text) {
    html_.Open("li");
    html_.Open("a").Attribute("href", "#" + id).Text(text);
    html_.Close();
    html_.Close();
    html_.Newline();
  }

  void Index() {
    html_.Open("nav").Attribute("id", "index");
    html_.Element("h2", "Contents");
    html_.Open("ul");
    IndexLink("models", "Models");
    IndexLink("inks", "Inks");
    IndexLink("modes", "Print modes");
    IndexLink("media", "Media");
    html_.Open("li");
    html_.Open("a").Attribute("href", "#separations").Text("Separations");
    html_.Close();
    html_.Open("ul");
    for (size_t i = 0; i < series_.aSeparationInfoList.size(); ++i) {
      IndexLink(SeparationId(i), SeparationTitle(i));
    }
    html_.Close();
    html_.Close();
    html_.Open("li");
    html_.Open("a")
        .Attribute("href", "#calibration")
        .Text("Media settings and calibration");
    html_.Close();
    html_.Open("ul");
    for (size_t i = 0; i < series_.aMediaInfoList.size(); ++i) {
      IndexLink(MediumId(i), MediumTitle(i));
    }
    html_.Close();
    html_.Close();
    IndexLink("vcontrol", "VControl points");
    html_.Close();
    html_.Close();
    html_.Newline();
  }

  static std::string SeparationId(size_t position) {
    return "s" + std::to_string(position);
  }
  static std::string MediumId(size_t position) {
    return "m" + std::to_string(position);
  }
  std::string SeparationTitle(size_t position) const {
    const SeparationInfo& separation = series_.aSeparationInfoList[position];
    return "Separation " + Int(separation.nSeparationIndex) + ": " +
           English(separation.strSeparationName, "(no English name)");
  }
  std::string MediumTitle(size_t position) const {
    return English(
        series_.aMediaInfoList[position].strMediaName,
        "(medium " + std::to_string(position) + ", no English name)");
  }

  void Models() {
    SectionHeading("models", "Models");
    if (series_.aModelInfoList.empty()) {
      html_.Element("p", "The file holds no models.");
      return;
    }
    html_.Open("div").Attribute("class", "x");
    html_.Open("table");
    Headers(html_, {{"#", ""},
                    {"Name", "strLongModelName"},
                    {"Printer reports", "strMIBModelName"},
                    {"Folder", "strFolderName"},
                    {"Max. width (mm)", "dMaxWidth"},
                    {"Max. length (mm)", "dMaxLength"},
                    {"Heads", "nHeadNum"},
                    {"Cutter", "bCutFeature"},
                    {"Half cut", "bHalfCutFeature"},
                    {"UV lamps", "nUVLampCount"},
                    {"Firmware required", "strRequiredFirmwareVersion"},
                    {"Firmware recommended", "strRecommendedFirmwareVersion"}});
    for (size_t i = 0; i < series_.aModelInfoList.size(); ++i) {
      const ModelInfo& model = series_.aModelInfoList[i];
      html_.Open("tr");
      NumberCell(html_, Int(static_cast<long>(i)));
      Cell(html_, model.strLongModelName);
      Cell(html_, model.strMIBModelName);
      Cell(html_, model.strFolderName);
      NumberCell(html_, NumberText(model.dMaxWidth));
      NumberCell(html_, NumberText(model.dMaxLength));
      NumberCell(html_, Int(model.nHeadNum));
      Cell(html_, YesNo(model.bCutFeature));
      Cell(html_, YesNo(model.bHalfCutFeature));
      NumberCell(html_, Int(model.nUVLampCount));
      Cell(html_, model.strRequiredFirmwareVersion);
      Cell(html_, model.strRecommendedFirmwareVersion);
      html_.Close();
      html_.Newline();
    }
    html_.Close();
    html_.Close();
    html_.Newline();
  }

  void Swatch(const InkRGB& colour) {
    const std::string rgb = RgbText(colour);
    html_.Open("td");
    html_.Open("span")
        .Attribute("class", "sw")
        .Attribute("style", "background:" + rgb);
    html_.Close();
    html_.Text(rgb);
    html_.Close();
  }

  void Inks() {
    SectionHeading("inks", "Inks");
    if (series_.aInkInfoList.empty()) {
      html_.Element("p", "The file holds no inks.");
      return;
    }
    html_.Open("table");
    Headers(html_, {{"Index", "nInkIndex"},
                    {"Short name", "strShortInkName"},
                    {"Name (English)", "strLongInkName"},
                    {"Light colour", "lightColor"},
                    {"Dark colour", "darkColor"},
                    {"Price", "flPrice"},
                    {"Capacity", "nCapacity"}});
    for (const InkInfo& ink : series_.aInkInfoList) {
      html_.Open("tr");
      NumberCell(html_, Int(ink.nInkIndex));
      Cell(html_, ink.strShortInkName);
      Cell(html_, ink.strLongInkName[0]);
      Swatch(ink.lightColor);
      Swatch(ink.darkColor);
      NumberCell(html_, NumberText(ink.flPrice));
      NumberCell(html_, Int(ink.nCapacity));
      html_.Close();
      html_.Newline();
    }
    html_.Close();
    html_.Newline();
  }

  // "C, M, Y, K": the inks of the mode's slots in use.
  std::string ModeInks(const ModeInfo& mode) const {
    std::string text;
    const size_t used = static_cast<size_t>(std::clamp<std::int32_t>(
        mode.nInkNum, 0, static_cast<std::int32_t>(mode.nInkIndexList.size())));
    for (size_t slot = 0; slot < used; ++slot) {
      if (!text.empty()) text += ", ";
      const InkInfo* ink = inks_.Find(mode.nInkIndexList[slot]);
      text += ink != nullptr && !ink->strShortInkName.empty()
                  ? ink->strShortInkName
                  : Int(mode.nInkIndexList[slot]);
    }
    return text;
  }

  void Modes() {
    SectionHeading("modes", "Print modes");
    if (series_.aModeInfoList.empty()) {
      html_.Element("p", "The file holds no print modes.");
      return;
    }
    html_.Open("div").Attribute("class", "x");
    html_.Open("table");
    Headers(html_, {{"Index", "nModeIndex"},
                    {"Name", "strModeName"},
                    {"Inks", "nInkNum"},
                    {"Inks of the slots", "nInkIndexList"},
                    {"Bits per pixel", "nBitsPerPixel"},
                    {"Dot type", "nDotType"},
                    {"Dot sizes", "strDotSize"},
                    {"Passes per line", "nPassesPerLine"},
                    {"Feed resolution per pass", "flFeedResolutionPerPass"},
                    {"Ink volume", "nInkVolumeIndex"}});
    for (const ModeInfo& mode : series_.aModeInfoList) {
      html_.Open("tr");
      NumberCell(html_, Int(mode.nModeIndex));
      Cell(html_, mode.strModeName);
      NumberCell(html_, Int(mode.nInkNum));
      Cell(html_, ModeInks(mode));
      NumberCell(html_, Int(mode.nBitsPerPixel));
      NumberCell(html_, Int(mode.nDotType));
      Cell(html_, mode.strDotSize);
      NumberCell(html_, Int(mode.nPassesPerLine));
      NumberCell(html_, NumberText(mode.flFeedResolutionPerPass));
      NumberCell(html_, mode.nInkVolumeIndex < 0 ? std::string("none")
                                                 : Int(mode.nInkVolumeIndex));
      html_.Close();
      html_.Newline();
    }
    html_.Close();
    html_.Close();
    html_.Newline();
  }

  void MediaTable() {
    SectionHeading("media", "Media");
    if (series_.aMediaInfoList.empty()) {
      html_.Element("p", "The file holds no media.");
      return;
    }
    html_.Open("table");
    Headers(html_, {{"#", ""},
                    {"Name (English)", "strMediaName"},
                    {"Base medium (English)", "strBaseMediaName"},
                    {"Visible", "bVisibleMedia"},
                    {"Cutting medium", "bCuttingMedia"},
                    {"Permission sets", "aPermissionSetList"},
                    {"Quality levels", "aQualityInfoList"},
                    {"Default level", "nDefaultLevel"},
                    {"Changed", "TimeStamp"}});
    for (size_t i = 0; i < series_.aMediaInfoList.size(); ++i) {
      const MediaInfo& media = series_.aMediaInfoList[i];
      html_.Open("tr");
      NumberCell(html_, Int(static_cast<long>(i)));
      html_.Open("td");
      html_.Open("a")
          .Attribute("href", "#" + MediumId(i))
          .Text(media.strMediaName[0]);
      html_.Close();
      html_.Close();
      Cell(html_, media.strBaseMediaName[0]);
      Cell(html_, YesNo(media.bVisibleMedia));
      Cell(html_, YesNo(media.bCuttingMedia));
      NumberCell(html_,
                 Int(static_cast<long>(media.aPermissionSetList.size())));
      NumberCell(html_, Int(static_cast<long>(media.aQualityInfoList.size())));
      NumberCell(html_, Int(media.nDefaultLevel));
      Cell(html_, TimeText(media.TimeStamp));
      html_.Close();
      html_.Newline();
    }
    html_.Close();
    html_.Newline();
  }

  // ------------------------------------------------------- separations

  void Separations() {
    SectionHeading("separations", "Separations");
    if (series_.aSeparationInfoList.empty()) {
      html_.Element("p", "The file holds no separations.");
    }
    for (size_t i = 0; i < series_.aSeparationInfoList.size(); ++i) {
      Separation(i);
    }
  }

  void Separation(size_t position) {
    const SeparationInfo& separation = series_.aSeparationInfoList[position];
    html_.Open("details").Attribute("id", SeparationId(position));
    html_.Element("summary", SeparationTitle(position));
    html_.Element(
        "p",
        "Output channels (nOutputChannel): " + Int(separation.nOutputChannel) +
            "; print-chart file set (nPrintChartFileInfoIndex): " +
            Int(separation.nPrintChartFileInfoIndex) +
            "; ink limit table (strInkLimitTableFile): " +
            (separation.strInkLimitTableFile.empty()
                 ? std::string("none")
                 : separation.strInkLimitTableFile) +
            "; inks of the input channels (anInputChannelInkIndexList): " +
            ListText(separation.anInputChannelInkIndexList) + ".");
    CurveChart(separation);
    ChannelTable(separation);
    html_.Close();
    html_.Newline();
  }

  void CurveChart(const SeparationInfo& separation) {
    std::vector<size_t> drawn;
    for (size_t k = 0; k < separation.aSeparationTableList.size(); ++k) {
      if (separation.aSeparationTableList[k].eType == 1) drawn.push_back(k);
    }
    if (drawn.empty()) {
      html_.Element("p", "No channel stores an output curve.");
      return;
    }
    const long height = std::max<long>(
        kCurveTop + kCurveSize + 50, 40 + 20 * static_cast<long>(drawn.size()));
    OpenSvg(html_, kCurveLegendLeft + 230, height,
            "Output curves of " + English(separation.strSeparationName, "") +
                ": output level against input level per channel");
    Use(html_, "sf");
    // Drawn in table units: x the input level, y the output level, one
    // pixel per 8 levels, upwards.
    html_.Open("g").Attribute("transform",
                              "matrix(.125 0 0 -.125 " + Int(kCurveLeft) + " " +
                                  Int(kCurveTop + kCurveSize) + ")");
    for (size_t n = 0; n < drawn.size(); ++n) {
      const OutputTable& table =
          separation.aSeparationTableList[drawn[n]].usOutputTable;
      PathData line;
      for (size_t i : GraphVertices(table)) {
        line.LineTo(static_cast<long>(i), table[i]);
      }
      SvgPath(html_, ColourClass("ln", n), line.text());
    }
    for (size_t n = 0; n < drawn.size(); ++n) {
      const OutputTable& table =
          separation.aSeparationTableList[drawn[n]].usOutputTable;
      const OutputTableSamples samples = TakeOutputTableSamples(table);
      PathData dots;
      for (size_t j = 0; j < samples.size(); ++j) {
        dots.Dot(static_cast<long>(OutputTableSamplePosition(j)), samples[j]);
      }
      SvgPath(html_, ColourClass("dt", n), dots.text());
    }
    html_.Close();  // g
    for (size_t n = 0; n < drawn.size(); ++n) {
      LegendEntry(html_, n, kCurveLegendLeft,
                  kCurveTop + 14 + 20 * static_cast<long>(n),
                  ChannelLabel(separation.aSeparationTableList[drawn[n]],
                               drawn[n], inks_));
    }
    html_.Close();  // svg
    html_.Newline();
    html_.Element("p",
                  "Lines: the 4096 output levels of each channel; dots: the "
                  "256 stored samples they are expanded from.");
  }

  void ChannelTable(const SeparationInfo& separation) {
    if (separation.aSeparationTableList.empty()) return;
    html_.Open("table");
    Headers(html_, {{"#", ""},
                    {"Input channel", "strInputChannel"},
                    {"Channel number", "nInputChannelNum"},
                    {"Ink", "nInkIndex"},
                    {"Curve stored", "eType"},
                    {"Heads", "nHeadCount"},
                    {"Start", "dStart"},
                    {"Peak", "dPeak"},
                    {"Max", "dMax"},
                    {"End", "dEnd"},
                    {"End max", "dEndMax"}});
    for (size_t k = 0; k < separation.aSeparationTableList.size(); ++k) {
      const SeparationTable& table = separation.aSeparationTableList[k];
      html_.Open("tr");
      NumberCell(html_, Int(static_cast<long>(k)));
      Cell(html_, table.strInputChannel);
      NumberCell(html_, Int(table.nInputChannelNum));
      const InkInfo* ink = inks_.Find(table.nInkIndex);
      Cell(html_, Int(table.nInkIndex) +
                      (ink != nullptr ? " (" + ink->strShortInkName + ")"
                                      : std::string()));
      Cell(html_, std::string(table.eType == 1 ? "yes" : "no") + " (eType " +
                      Int(table.eType) + ")");
      NumberCell(html_, Int(table.nHeadCount));
      for (double value :
           {table.dStart, table.dPeak, table.dMax, table.dEnd, table.dEndMax}) {
        NumberCell(html_, NumberText(value));
      }
      html_.Close();
      html_.Newline();
    }
    html_.Close();
    html_.Newline();
  }

  // ------------------------------------------------------------- media

  void MediaSections() {
    SectionHeading("calibration", "Media settings and calibration");
    if (series_.aMediaInfoList.empty()) {
      html_.Element("p", "The file holds no media.");
    }
    for (size_t i = 0; i < series_.aMediaInfoList.size(); ++i) Medium(i);
  }

  void Figures(
      const std::vector<std::pair<std::string, std::string>>& figures) {
    constexpr size_t kPerRow = 3;
    html_.Open("table");
    for (size_t i = 0; i < figures.size(); i += kPerRow) {
      html_.Open("tr");
      for (size_t j = i; j < std::min(figures.size(), i + kPerRow); ++j) {
        html_.Element("th", figures[j].first);
        Cell(html_, figures[j].second);
      }
      html_.Close();
      html_.Newline();
    }
    html_.Close();
    html_.Newline();
  }

  static std::string Heater(std::int32_t value, bool enabled) {
    return Int(value) + (enabled ? " (on)" : " (off)");
  }

  void Medium(size_t position) {
    const MediaInfo& media = series_.aMediaInfoList[position];
    html_.Open("details").Attribute("id", MediumId(position));
    html_.Element("summary",
                  MediumTitle(position) + " (" +
                      Int(static_cast<long>(media.aPermissionSetList.size())) +
                      " permission sets)");
    std::string feed;
    for (size_t m = 0; m < media.aflFeedCalibration.size(); ++m) {
      if (!feed.empty()) feed += "; ";
      feed += (m < series_.aModelInfoList.size()
                   ? series_.aModelInfoList[m].strLongModelName
                   : "model " + std::to_string(m)) +
              ": " + NumberText(media.aflFeedCalibration[m]);
    }
    Figures({
        {"Base medium", media.strBaseMediaName[0]},
        {"Visible", YesNo(media.bVisibleMedia)},
        {"Default quality level", Int(media.nDefaultLevel)},
        {"Dry time", Int(media.nDryTime)},
        {"Vacuum power", Int(media.nVacuumPower)},
        {"Head height", Int(media.eHeadHeight)},
        {"Pre-heater", Heater(media.nPreHeater, media.bPreHeaterEnable)},
        {"Print heater",
         Heater(media.nPrintHeater, media.bPrinterHeaterEnable)},
        {"Drier", Heater(media.nDryHeater, media.bDrierEnable)},
        {"Cutting medium", YesNo(media.bCuttingMedia)},
        {"Cut count", Int(media.nCutCount)},
        {"Cut velocity", Int(media.nCutVelocity)},
        {"Cut force", Int(media.nCutForce)},
        {"Cut offset", NumberText(media.flCutOffset)},
        {"Half-cut force", Int(media.nHalfCutForce)},
        {"Deep-cut force", Int(media.nDeepCutForce)},
        {"Normal cut force range", NumberText(media.flNormalCutForceRange)},
        {"Deep cut force range", NumberText(media.flDeepCutForceRange)},
        {"Input route", Int(media.nInputRoute)},
        {"Attributes", Int(media.nMediaAttribute)},
        {"Hide unrecommended modes", Int(media.bHideUnrecommendedMode)},
        {"Over-print count", Int(media.nOverPrintCount)},
        {"Density calibration", YesNo(media.bUseDensityCalibration)},
        {"Update needed", YesNo(media.bUpdateNeeded)},
        {"Changed", TimeText(media.TimeStamp)},
        {"Feed calibration (per model)", feed.empty() ? "none" : feed},
    });
    QualityLevels(media);
    for (size_t j = 0; j < media.aPermissionSetList.size(); ++j) {
      Permission(position, j);
    }
    html_.Close();
    html_.Newline();
  }

  void QualityLevels(const MediaInfo& media) {
    if (media.aQualityInfoList.empty()) return;
    html_.Open("table");
    Headers(html_, {{"Quality level", "nQualityLevel"},
                    {"Name (English)", "strQualityName"},
                    {"Permission sets", "anPermissionIndexList"},
                    {"Visible", "bVisibleQuality"}});
    for (const QualityInfo& quality : media.aQualityInfoList) {
      html_.Open("tr");
      NumberCell(html_, Int(quality.nQualityLevel));
      Cell(html_, quality.strQualityName[0]);
      Cell(html_, ListText(quality.anPermissionIndexList));
      Cell(html_, YesNo(quality.bVisibleQuality));
      html_.Close();
      html_.Newline();
    }
    html_.Close();
    html_.Newline();
  }

  // One line of what the permission set chooses.
  std::string PermissionText(const PermissionSet& permission) const {
    std::string text = "Mode " + Int(permission.nModeIndex);
    if (const ModeInfo* mode = modes_.Find(permission.nModeIndex)) {
      text += " (" + mode->strModeName + ")";
    }
    text += " · resolution " + Int(permission.nResolutionIndex);
    if (const ResolutionInfo* resolution =
            resolutions_.Find(permission.nResolutionIndex)) {
      text += " (" + NumberText(resolution->flScanResolution) + " × " +
              NumberText(resolution->flFeedResolution) + " dpi)";
    }
    text += " · separation " + Int(permission.nSeparationIndex);
    if (!separations_.Find(permission.nSeparationIndex)) {
      text += " (not in the file)";
    }
    text +=
        " · ink configurations " + ListText(permission.anInkConfigIndexList) +
        " · passmask " + Int(permission.nPassmaskIndex) + " · direction " +
        Int(permission.eDirection) + " · screen " + Int(permission.eScreen) +
        " · VControl points " + ListText(permission.anVControlIndexList) +
        " · FM patterns " + ListText(permission.anFMPatternIndexList) +
        " · ink limit " + Int(permission.nInkLimit) + " · scan speed " +
        Int(permission.nScanSpeed) + " · feed speed " +
        Int(permission.nFeedSpeed) + " · real passes " +
        Int(permission.nRealPassCount) + " · profile " +
        (permission.strPrinterProfile.empty() ? std::string("none")
                                              : permission.strPrinterProfile) +
        (permission.bVisiblePermission ? " · visible" : " · hidden") +
        (permission.bRecommended ? " · recommended" : "");
    if (!permission.strNextPermissionIndex.empty()) {
      text += " · next " + permission.strNextPermissionIndex;
    }
    return text;
  }

  // The labels of the calibration entries: the channels of the permission
  // set's separation, by position.
  std::vector<std::string> CalibrationLabels(
      const PermissionSet& permission) const {
    std::vector<std::string> labels;
    const SeparationInfo* separation =
        separations_.Find(permission.nSeparationIndex);
    for (size_t k = 0; k < permission.aCalibrationInfoList.size(); ++k) {
      labels.push_back(
          separation != nullptr && k < separation->aSeparationTableList.size()
              ? ChannelLabel(separation->aSeparationTableList[k], k, inks_)
              : "channel " + std::to_string(k));
    }
    return labels;
  }

  // Where calibration values were first shown, to refer to them when a
  // permission set repeats them: keyed by their hash, compared in full.
  struct Shown {
    const PermissionSet* permission;
    std::string id;
    std::string title;
  };

  static size_t CalibrationHash(const PermissionSet& permission) {
    std::uint64_t hash = 1469598103934665603u;
    auto mix = [&](std::uint32_t value) {
      hash = (hash ^ value) * 1099511628211u;
    };
    mix(static_cast<std::uint32_t>(permission.nSeparationIndex));
    for (const CalibrationInfo& calibration : permission.aCalibrationInfoList) {
      mix(static_cast<std::uint32_t>(calibration.nOutputLimit));
      for (size_t s = 0; s < kCalibrationStepCount; ++s) {
        mix(std::bit_cast<std::uint32_t>(calibration.density[s]));
        mix(std::bit_cast<std::uint32_t>(calibration.lab[s].l));
        mix(std::bit_cast<std::uint32_t>(calibration.lab[s].a));
        mix(std::bit_cast<std::uint32_t>(calibration.lab[s].b));
      }
    }
    return static_cast<size_t>(hash);
  }

  const Shown* ShownBefore(const PermissionSet& permission, size_t hash) const {
    auto [first, last] = shown_.equal_range(hash);
    for (auto it = first; it != last; ++it) {
      const PermissionSet& other = *it->second.permission;
      if (other.nSeparationIndex == permission.nSeparationIndex &&
          other.aCalibrationInfoList == permission.aCalibrationInfoList) {
        return &it->second;
      }
    }
    return nullptr;
  }

  void Permission(size_t medium, size_t position) {
    const PermissionSet& permission =
        series_.aMediaInfoList[medium].aPermissionSetList[position];
    const std::string id = MediumId(medium) + "-" + std::to_string(position);
    const std::string title =
        "Permission set " + Int(permission.nPermissionIndex);
    html_.Open("h4").Attribute("id", id).Text(title);
    html_.Close();
    html_.Element("p", PermissionText(permission));
    if (permission.aCalibrationInfoList.empty()) {
      html_.Element("p", "No calibration data.");
      html_.Newline();
      return;
    }
    // Files often repeat calibration values; each set of values is drawn
    // once and referred to after that, which keeps large files' pages
    // small.
    const size_t hash = CalibrationHash(permission);
    if (const Shown* shown = ShownBefore(permission, hash)) {
      html_.Open("p").Text("The same calibration values as ");
      html_.Open("a").Attribute("href", "#" + shown->id).Text(shown->title);
      html_.Close();
      html_.Text(".");
      html_.Close();
      html_.Newline();
      return;
    }
    shown_.emplace(hash, Shown{&permission, id,
                               MediumTitle(medium) + ", permission set " +
                                   Int(permission.nPermissionIndex)});
    const std::vector<std::string> labels = CalibrationLabels(permission);
    CalibrationChart(permission, labels);
    CalibrationTable(permission, labels);
  }

  void CalibrationChart(const PermissionSet& permission,
                        const std::vector<std::string>& labels) {
    const std::vector<CalibrationInfo>& list = permission.aCalibrationInfoList;
    double densityTop = 0;
    double abRange = 0;
    for (const CalibrationInfo& calibration : list) {
      for (size_t s = 0; s < kCalibrationStepCount; ++s) {
        if (std::isfinite(calibration.density[s])) {
          densityTop = std::max<double>(densityTop, calibration.density[s]);
        }
        for (float value : {calibration.lab[s].a, calibration.lab[s].b}) {
          if (std::isfinite(value)) {
            abRange = std::max<double>(abRange, std::fabs(value));
          }
        }
      }
    }
    densityTop = NiceCeiling(densityTop);
    abRange = NiceCeiling(std::max(abRange, 10.0));
    const long rows =
        static_cast<long>((list.size() + kLegendColumns - 1) / kLegendColumns);
    OpenSvg(html_, kCalibrationWidth, kCalibrationLegendTop + 18 * rows,
            "Calibration densities, L* and a*, b* by step per channel");
    Use(html_, "cf");
    SvgText(html_, kDensityPlot.left - 5, kDensityPlot.top + 4,
            NumberText(densityTop), "e");
    SvgText(html_, kDensityPlot.left - 5,
            kDensityPlot.top + kDensityPlot.height / 2 + 4,
            NumberText(densityTop / 2), "e");
    SvgText(html_, kAbPlot.left, kAbPlot.bottom() + 15, NumberText(-abRange),
            "c");
    SvgText(html_, kAbPlot.right(), kAbPlot.bottom() + 15, NumberText(abRange),
            "c");
    SvgText(html_, kAbPlot.left - 5, kAbPlot.top + 4, NumberText(abRange), "e");
    for (size_t k = 0; k < list.size(); ++k) {
      const CalibrationInfo& calibration = list[k];
      PathData density;
      PathData lightness;
      PathData ab;
      bool densityGap = true;
      bool lightnessGap = true;
      for (size_t s = 0; s < kCalibrationStepCount; ++s) {
        const long x = kDensityPlot.left + static_cast<long>(s) * 11;
        const long lx = kLightnessPlot.left + static_cast<long>(s) * 11;
        const float d = calibration.density[s];
        const CalibrationLab& lab = calibration.lab[s];
        // Values that are not numbers leave a gap in the line.
        if (std::isfinite(d)) {
          const long y =
              Scale(d, 0, densityTop, kDensityPlot.bottom(), kDensityPlot.top);
          densityGap ? density.MoveTo(x, y) : density.LineTo(x, y);
        }
        densityGap = !std::isfinite(d);
        if (std::isfinite(lab.l)) {
          const long y =
              Scale(lab.l, 0, 100, kLightnessPlot.bottom(), kLightnessPlot.top);
          lightnessGap ? lightness.MoveTo(lx, y) : lightness.LineTo(lx, y);
        }
        lightnessGap = !std::isfinite(lab.l);
        if (std::isfinite(lab.a) && std::isfinite(lab.b)) {
          ab.Dot(
              Scale(lab.a, -abRange, abRange, kAbPlot.left, kAbPlot.right()),
              Scale(lab.b, -abRange, abRange, kAbPlot.bottom(), kAbPlot.top));
        }
      }
      if (!density.empty()) {
        SvgPath(html_, ColourClass("ln", k), density.text());
      }
      if (!lightness.empty()) {
        SvgPath(html_, ColourClass("ln", k), lightness.text());
      }
      if (!ab.empty()) SvgPath(html_, ColourClass("dt", k), ab.text());
    }
    for (size_t k = 0; k < list.size(); ++k) {
      LegendEntry(
          html_, k,
          kDensityPlot.left + 125 * static_cast<long>(k % kLegendColumns),
          kCalibrationLegendTop + 18 * static_cast<long>(k / kLegendColumns),
          labels[k]);
    }
    html_.Close();
    html_.Newline();
  }

  void CalibrationTable(const PermissionSet& permission,
                        const std::vector<std::string>& labels) {
    html_.Open("div").Attribute("class", "x");
    html_.Open("table").Attribute("class", "k");
    html_.Open("tr");
    html_.Element("th", "Channel");
    html_.Element("th", "Step");
    for (size_t s = 0; s < kCalibrationStepCount; ++s) {
      html_.Element("th", std::to_string(s));
    }
    html_.Close();
    html_.Newline();
    for (size_t k = 0; k < permission.aCalibrationInfoList.size(); ++k) {
      const CalibrationInfo& calibration = permission.aCalibrationInfoList[k];
      for (int row = 0; row < 4; ++row) {
        html_.Open("tr");
        if (row == 0) {
          html_.Open("th").Attribute("rowspan", "4").Text(labels[k]);
          html_.Open("span")
              .Attribute("class", "m")
              .Text("output limit " + Int(calibration.nOutputLimit));
          html_.Close();
          html_.Close();
        }
        static constexpr const char* kRows[] = {"density", "L*", "a*", "b*"};
        html_.Element("th", kRows[row]);
        for (size_t s = 0; s < kCalibrationStepCount; ++s) {
          const CalibrationLab& lab = calibration.lab[s];
          const float value = row == 0   ? calibration.density[s]
                              : row == 1 ? lab.l
                              : row == 2 ? lab.a
                                         : lab.b;
          html_.Element("td", NumberText(value));
        }
        html_.Close();
        html_.Newline();
      }
    }
    html_.Close();
    html_.Close();
    html_.Newline();
  }

  // ---------------------------------------------------------- VControl

  void VControlPoints() {
    SectionHeading("vcontrol", "VControl points");
    const std::vector<VControlPoint>& points = series_.aVControlPointList;
    if (points.empty()) {
      html_.Element("p", "The file holds no VControl points.");
      return;
    }
    using Values = std::array<double, 5>;
    auto values = [](const VControlPoint& p, int size) -> Values {
      switch (size) {
        case 0:
          return {p.dSmallStart, p.dSmallPeak, p.dSmallMax, p.dSmallEnd,
                  p.dSmallEndMax};
        case 1:
          return {p.dMediumStart, p.dMediumPeak, p.dMediumMax, p.dMediumEnd,
                  p.dMediumEndMax};
        default:
          return {p.dLargeStart, p.dLargePeak, p.dLargeMax, p.dLargeEnd,
                  p.dLargeEndMax};
      }
    };
    double low = 0;
    double high = 0;
    for (const VControlPoint& point : points) {
      for (int size = 0; size < 3; ++size) {
        for (double value : values(point, size)) {
          if (!std::isfinite(value)) continue;
          low = std::min(low, value);
          high = std::max(high, value);
        }
      }
    }
    high = NiceCeiling(high);
    low = low < 0 ? -NiceCeiling(-low) : 0;
    const long rows = static_cast<long>((points.size() + 7) / 8);
    OpenSvg(html_, 880, kVControlLegendTop + 18 * rows,
            "VControl points: start, peak, max, end and end max of the small, "
            "medium and large dots");
    static constexpr const char* kSizes[] = {"Small dots", "Medium dots",
                                             "Large dots"};
    static constexpr const char* kNames[] = {"start", "peak", "max", "end",
                                             "end max"};
    for (int size = 0; size < 3; ++size) {
      const Plot& plot = kVControlPlots[size];
      const long step = plot.width / 4;
      PathData grid;
      for (long k = 1; k < 4; ++k) {
        grid.MoveTo(plot.left + k * step, plot.top);
        grid.LineTo(plot.left + k * step, plot.bottom());
      }
      const long zero = Scale(0, low, high, plot.bottom(), plot.top);
      grid.MoveTo(plot.left, zero);
      grid.LineTo(plot.right(), zero);
      SvgPath(html_, "gr", grid.text());
      SvgFrame(html_, plot);
      SvgText(html_, plot.left, plot.top - 8, kSizes[size]);
      SvgText(html_, plot.left - 5, plot.top + 4, NumberText(high), "e");
      SvgText(html_, plot.left - 5, (plot.top + plot.bottom()) / 2 + 4,
              NumberText((low + high) / 2), "e");
      SvgText(html_, plot.left - 5, plot.bottom() + 4, NumberText(low), "e");
      for (long k = 0; k < 5; ++k) {
        SvgText(html_, plot.left + k * step, plot.bottom() + 15, kNames[k],
                "c");
      }
      for (size_t n = 0; n < points.size(); ++n) {
        PathData line;
        PathData dots;
        bool gap = true;
        const Values shown = values(points[n], size);
        for (long k = 0; k < 5; ++k) {
          const double value = shown[static_cast<size_t>(k)];
          if (std::isfinite(value)) {
            const long x = plot.left + k * step;
            const long y = Scale(value, low, high, plot.bottom(), plot.top);
            gap ? line.MoveTo(x, y) : line.LineTo(x, y);
            dots.Dot(x, y);
          }
          gap = !std::isfinite(value);
        }
        if (!line.empty()) SvgPath(html_, ColourClass("ln", n), line.text());
        if (!dots.empty()) SvgPath(html_, ColourClass("dt", n), dots.text());
      }
    }
    for (size_t n = 0; n < points.size(); ++n) {
      LegendEntry(html_, n, 60 + 100 * static_cast<long>(n % 8),
                  kVControlLegendTop + 18 * static_cast<long>(n / 8),
                  "point " + Int(points[n].nVControlIndex));
    }
    html_.Close();
    html_.Newline();

    html_.Open("div").Attribute("class", "x");
    html_.Open("table");
    html_.Open("tr");
    html_.Open("th").Attribute("rowspan", "2").Text("Index");
    html_.Open("span").Attribute("class", "m").Text("nVControlIndex");
    html_.Close();
    html_.Close();
    for (const char* size : {"Small dots (dSmall…)", "Medium dots (dMedium…)",
                             "Large dots (dLarge…)"}) {
      html_.Open("th").Attribute("colspan", "5").Text(size);
      html_.Close();
    }
    html_.Close();
    html_.Open("tr");
    for (int size = 0; size < 3; ++size) {
      for (const char* name : {"Start", "Peak", "Max", "End", "EndMax"}) {
        html_.Element("th", name);
      }
    }
    html_.Close();
    html_.Newline();
    for (const VControlPoint& point : points) {
      html_.Open("tr");
      NumberCell(html_, Int(point.nVControlIndex));
      for (int size = 0; size < 3; ++size) {
        for (double value : values(point, size)) {
          NumberCell(html_, NumberText(value));
        }
      }
      html_.Close();
      html_.Newline();
    }
    html_.Close();
    html_.Close();
    html_.Newline();
  }

  const std::string& path_;
  const DeviceSeries& series_;
  const ByIndex<InkInfo> inks_;
  const ByIndex<ModeInfo> modes_;
  const ByIndex<ResolutionInfo> resolutions_;
  const ByIndex<SeparationInfo> separations_;
  std::unordered_multimap<size_t, Shown> shown_;
  HtmlWriter html_;
};

}  // namespace

int RunReport(const Arguments& arguments, std::ostream& out, std::ostream&) {
  const std::string& path = arguments.operands[0];
  const std::string target = arguments.Get("output").value_or("-");
  const bool toOut = target == kStandardStream;
  const std::string name = toOut ? kStandardOutputName : target;
  if (!toOut) CheckOutputPath(target);
  if (target == path) {
    throw ToolError(
        target, "is the device-series file read: the page would replace it");
  }
  const DeviceSeries series = ReadDeviceSeriesFile(path, arguments.sizeLimit);

  // The page is made whole in memory, then replaces the target at once.
  std::string page;
  try {
    page = ReportPage(path, series).Write();
  } catch (const PageError& error) {
    throw ToolError(name, error.what());
  }
  if (toOut) {
    out.write(page.data(), static_cast<std::streamsize>(page.size()));
    out.flush();
    if (!out) throw ToolError(name, "cannot be written");
    return kExitSuccess;
  }
  platform::FileError error = platform::ReplaceFileAtomically(
      *platform::FileSystem::Current(), target, page);
  if (error != platform::FileError::kNone) {
    throw ToolError(target, platform::FileErrorText(error));
  }
  return kExitSuccess;
}

}  // namespace dsrtool
