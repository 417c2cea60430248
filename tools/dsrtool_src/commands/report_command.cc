// dsrtool report: one self-contained HTML page describing a device series,
// with tables of its records and SVG charts of its curves and measurements.
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

#include "devseries/device_series.h"
#include "devseries/platform/file_system.h"
#include "tools/dsrtool_src/commands.h"
#include "tools/dsrtool_src/member_text.h"
#include "tools/dsrtool_src/memory_files.h"
#include "tools/dsrtool_src/record_io.h"
#include "tools/dsrtool_src/report/report_members.h"
#include "tools/dsrtool_src/report/report_page.h"
#include "tools/dsrtool_src/tool_error.h"

namespace dsrtool {

using namespace ::devseries;
namespace field_model = ::devseries::field_model;

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
    "caption{text-align:left;font-weight:600;padding:.2em 0}\n"
    "td.n,.k td{text-align:right;font-variant-numeric:tabular-nums}\n"
    ".x td{white-space:nowrap}\n"
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

// Geometry of the VControl chart: one plot per group of members, side by
// side.
constexpr long kVControlLeft = 60;
constexpr long kVControlStride = 280;
constexpr long kVControlPlotWidth = 220;
constexpr long kVControlLegendTop = 228;

std::string Int(long value) { return std::to_string(value); }

std::string ColourClass(const char* kind, size_t k) {
  return std::string(kind) + " c" + Int(static_cast<long>(k % kColourCount));
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

// A column's heading split at its group: "Small droplet: start" is the
// column "Start" of the group "Small droplet"; a heading without ": " has
// no group.
struct HeadingParts {
  std::string group;
  std::string label;
};
HeadingParts SplitHeading(const std::string& label) {
  const size_t colon = label.find(": ");
  if (colon == std::string::npos) return {"", label};
  return {label.substr(0, colon), Capitalised(label.substr(colon + 2))};
}

// The members of Record whose labels the model groups ("small droplet:
// start", "small droplet: peak", ...), for a chart per group: the group's
// name, and each member's name within it and its value as a number.
template <typename Record>
struct NumberGroup {
  std::string name;
  std::vector<std::string> parts;
  std::vector<std::function<double(const Record&)>> values;
};

template <typename Record>
std::vector<NumberGroup<Record>> NumberGroups() {
  std::vector<NumberGroup<Record>> groups;
  field_model::ForEachField<Record>([&](const auto& row) {
    using Member = typename std::remove_cvref_t<decltype(row)>::MemberType;
    if constexpr (std::is_arithmetic_v<Member> &&
                  !std::is_same_v<Member, bool>) {
      HeadingParts heading =
          SplitHeading(MemberLabel(row.meaning, row.kEncoding));
      if (!IsShown(row) || heading.group.empty()) return;
      if (groups.empty() || groups.back().name != heading.group) {
        groups.push_back({heading.group, {}, {}});
      }
      groups.back().parts.push_back(std::move(heading.label));
      groups.back().values.push_back([row](const Record& record) {
        return static_cast<double>(record.*row.member);
      });
    }
  });
  return groups;
}

// The page.
class ReportPage {
 public:
  ReportPage(const std::string& path, const DeviceSeries& series)
      : path_(path),
        series_(series),
        references_(series),
        values_(references_),
        inks_(series.aInkInfoList, &InkInfo::nInkIndex),
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
    ForEachSection(
        [&](const auto& row, const auto& member) { Section(row, member); });
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
  void SectionHeading(std::string_view id, std::string_view title) {
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

  // Calls `f(row, member)` for each member of the device series that has a
  // section of the page: its lists of records and its nested records, in
  // the file's order.
  template <typename F>
  void ForEachSection(F&& f) {
    field_model::ForEachField<DeviceSeries>([&](const auto& row) {
      using Member = typename std::remove_cvref_t<decltype(row)>::MemberType;
      if constexpr (report_detail::kIsRecordList<Member> ||
                    report_detail::Modelled<Member>) {
        if (row.stored()) f(row, series_.*row.member);
      }
    });
  }

  template <typename Row>
  static std::string Title(const Row& row) {
    return MemberLabel(row.meaning, row.kEncoding);
  }

  // What the file holds, list by list.
  void Summary() {
    std::vector<std::pair<std::string, std::string>> rows = {{"File", path_}};
    field_model::ForEachField<DeviceSeries>([&](const auto& row) {
      using Member = typename std::remove_cvref_t<decltype(row)>::MemberType;
      if (!row.stored()) return;
      if constexpr (report_detail::kIsRecordList<Member>) {
        const Member& list = series_.*row.member;
        rows.emplace_back(Title(row),
                          std::to_string(list.size()) + CountDetail(list));
      } else if constexpr (!report_detail::Modelled<Member> &&
                           report_detail::Showable<Member>()) {
        const std::optional<CellValue> value = values_(row, series_);
        if (value) rows.emplace_back(Title(row), value->text);
      }
    });
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

  template <typename Record>
  static std::string CountDetail(const std::vector<Record>&) {
    return "";
  }
  static std::string CountDetail(const std::vector<SeparationInfo>& list) {
    size_t channels = 0;
    size_t curves = 0;
    for (const SeparationInfo& separation : list) {
      channels += separation.aSeparationTableList.size();
      for (const SeparationTable& table : separation.aSeparationTableList) {
        curves += table.eType == 1 ? 1 : 0;
      }
    }
    return " (" + std::to_string(channels) + " channels, " +
           std::to_string(curves) + " with a stored curve)";
  }
  static std::string CountDetail(const std::vector<MediaInfo>& list) {
    size_t visible = 0;
    size_t permissionSets = 0;
    for (const MediaInfo& media : list) {
      visible += media.bVisibleMedia ? 1 : 0;
      permissionSets += media.aPermissionSetList.size();
    }
    return " (" + std::to_string(visible) + " visible, " +
           std::to_string(permissionSets) + " permission sets)";
  }

  void IndexLink(std::string_view id, std::string_view text) {
    html_.Open("li");
    html_.Open("a").Attribute("href", "#" + std::string(id)).Text(text);
    html_.Close();
    html_.Close();
    html_.Newline();
  }

  // A link with a list of links under it.
  void IndexLinks(std::string_view id, std::string_view text,
                  const std::vector<std::pair<std::string, std::string>>& sub) {
    html_.Open("li");
    html_.Open("a").Attribute("href", "#" + std::string(id)).Text(text);
    html_.Close();
    html_.Open("ul");
    for (const auto& [subId, subText] : sub) IndexLink(subId, subText);
    html_.Close();
    html_.Close();
    html_.Newline();
  }

  void Index() {
    html_.Open("nav").Attribute("id", "index");
    html_.Element("h2", "Contents");
    html_.Open("ul");
    ForEachSection(
        [&](const auto& row, const auto& member) { IndexEntry(row, member); });
    html_.Close();
    html_.Close();
    html_.Newline();
  }

  template <typename Row, typename Member>
  void IndexEntry(const Row& row, const Member&) {
    IndexLink(row.name, Title(row));
  }
  template <typename Row>
  void IndexEntry(const Row& row, const std::vector<SeparationInfo>& list) {
    std::vector<std::pair<std::string, std::string>> sub;
    for (size_t i = 0; i < list.size(); ++i) {
      sub.emplace_back(SeparationId(i), SeparationTitle(i));
    }
    IndexLinks(row.name, Title(row), sub);
  }
  template <typename Row>
  void IndexEntry(const Row& row, const std::vector<MediaInfo>& list) {
    IndexLink(row.name, Title(row));
    std::vector<std::pair<std::string, std::string>> sub;
    for (size_t i = 0; i < list.size(); ++i) {
      sub.emplace_back(MediumId(i), MediumTitle(i));
    }
    IndexLinks(kMediaSectionsId, kMediaSectionsTitle, sub);
  }

  static constexpr std::string_view kMediaSectionsId = "calibration";
  static constexpr std::string_view kMediaSectionsTitle =
      "Media settings and calibration";

  static std::string SeparationId(size_t position) {
    return "s" + std::to_string(position);
  }
  static std::string MediumId(size_t position) {
    return "m" + std::to_string(position);
  }
  // The calibration of the medium's permission set at `position`.
  static std::string PermissionId(size_t medium, size_t position) {
    return MediumId(medium) + "-" + std::to_string(position);
  }
  // "Separation 2: CMYK photo".
  std::string SeparationTitle(size_t position) const {
    const SeparationInfo& separation = series_.aSeparationInfoList[position];
    const std::string name = RecordName(separation);
    return "Separation " +
           std::to_string(RecordIndex(separation)
                              .value_or(static_cast<std::int64_t>(position))) +
           ": " + (name.empty() ? "(no English name)" : name);
  }
  std::string MediumTitle(size_t position) const {
    const std::string name = RecordName(series_.aMediaInfoList[position]);
    return name.empty()
               ? "(medium " + std::to_string(position) + ", no English name)"
               : name;
  }

  // ------------------------------------------------- tables of members

  void ValueCell(const std::optional<CellValue>& value) {
    if (!value) {
      // The file does not store the member for this record.
      Cell(html_, "–");
      return;
    }
    switch (value->kind) {
      case CellValue::Kind::kNumber:
        NumberCell(html_, value->text);
        return;
      case CellValue::Kind::kColour:
        html_.Open("td");
        html_.Open("span")
            .Attribute("class", "sw")
            .Attribute("style", "background:" + value->text);
        html_.Close();
        html_.Text(value->text);
        html_.Close();
        return;
      case CellValue::Kind::kText:
        Cell(html_, value->text);
        return;
    }
  }

  // A header cell: what the member is, its description as the title, the
  // member's name in small type under it.
  template <typename Record>
  void HeaderCell(const Column<Record>& column, std::string_view label,
                  const char* span = nullptr, long count = 1) {
    html_.Open("th").Attribute("title", column.description);
    if (span != nullptr) html_.Attribute(span, Int(count));
    html_.Text(label);
    html_.Open("span").Attribute("class", "m").Text(column.member);
    html_.Close();
    html_.Close();
  }

  // The header rows of a table of records: a "#" column first when
  // `positions`, then a column per member; columns whose headings share a
  // group ("Small droplet: start") get the group's heading above theirs.
  template <typename Record>
  void Headers(const std::vector<Column<Record>>& columns, bool positions) {
    std::vector<HeadingParts> parts;
    bool grouped = false;
    for (const Column<Record>& column : columns) {
      parts.push_back(SplitHeading(column.label));
      grouped = grouped || !parts.back().group.empty();
    }
    html_.Open("tr");
    if (positions) {
      html_.Open("th");
      if (grouped) html_.Attribute("rowspan", "2");
      html_.Text("#");
      html_.Close();
    }
    for (size_t i = 0; i < columns.size();) {
      if (parts[i].group.empty()) {
        if (grouped) {
          HeaderCell(columns[i], parts[i].label, "rowspan", 2);
        } else {
          HeaderCell(columns[i], parts[i].label);
        }
        ++i;
        continue;
      }
      size_t end = i;
      while (end < columns.size() && parts[end].group == parts[i].group) ++end;
      html_.Open("th")
          .Attribute("colspan", Int(static_cast<long>(end - i)))
          .Text(parts[i].group);
      html_.Close();
      i = end;
    }
    html_.Close();
    if (grouped) {
      html_.Open("tr");
      for (size_t i = 0; i < columns.size(); ++i) {
        if (!parts[i].group.empty()) HeaderCell(columns[i], parts[i].label);
      }
      html_.Close();
    }
    html_.Newline();
  }

  // A table of records, a row each and a column per member the report
  // shows (`columns`), under `caption` when there is one. `link(i)`, when
  // given, is the id of the section about record i, which its name (its
  // index for a record without one) links to.
  template <typename Record>
  void RecordTable(const std::vector<Record>& records,
                   const std::vector<Column<Record>>& columns,
                   std::string_view caption = {},
                   const std::function<std::string(size_t)>& link = {}) {
    constexpr bool positions = !HasIndexMember<Record>();
    const std::string_view linked =
        std::any_of(columns.begin(), columns.end(),
                    [](const Column<Record>& c) { return c.summary == "name"; })
            ? "name"
            : "index";
    html_.Open("div").Attribute("class", "x");
    html_.Open("table");
    if (!caption.empty()) html_.Element("caption", caption);
    Headers(columns, positions);
    for (size_t i = 0; i < records.size(); ++i) {
      html_.Open("tr");
      if (positions) NumberCell(html_, Int(static_cast<long>(i)));
      for (const Column<Record>& column : columns) {
        const std::optional<CellValue> value = column.value(records[i]);
        if (link && column.summary == linked && value) {
          html_.Open("td");
          if (value->kind == CellValue::Kind::kNumber) {
            html_.Attribute("class", "n");
          }
          html_.Open("a").Attribute("href", "#" + link(i)).Text(value->text);
          html_.Close();
          html_.Close();
        } else {
          ValueCell(value);
        }
      }
      html_.Close();
      html_.Newline();
    }
    html_.Close();
    html_.Close();
    html_.Newline();
  }

  // A table of records with a row per member and a column per record, for
  // records of many members that are few.
  template <typename Record>
  void TransposedTable(const std::vector<Record>& records) {
    const std::vector<Column<Record>> columns = Columns<Record>(values_);
    html_.Open("div").Attribute("class", "x");
    html_.Open("table");
    html_.Open("tr");
    html_.Element("th", "#");
    for (size_t i = 0; i < records.size(); ++i) {
      html_.Element("th", Int(static_cast<long>(i)));
    }
    html_.Close();
    html_.Newline();
    for (const Column<Record>& column : columns) {
      html_.Open("tr");
      HeaderCell(column, column.label);
      for (const Record& record : records) ValueCell(column.value(record));
      html_.Close();
      html_.Newline();
    }
    html_.Close();
    html_.Close();
    html_.Newline();
  }

  // The members of a record as a table of figures, three to a row.
  template <typename Record>
  void Figures(const Record& record) {
    constexpr size_t kPerRow = 3;
    const std::vector<Column<Record>> columns = Columns<Record>(values_);
    html_.Open("table");
    for (size_t i = 0; i < columns.size(); i += kPerRow) {
      html_.Open("tr");
      for (size_t j = i; j < std::min(columns.size(), i + kPerRow); ++j) {
        HeaderCell(columns[j], columns[j].label);
        ValueCell(columns[j].value(record));
      }
      html_.Close();
      html_.Newline();
    }
    html_.Close();
    html_.Newline();
  }

  // The members of a record as one paragraph: "Label: value · Label:
  // value", each label titled with the member's description and name.
  template <typename Record>
  void Line(const Record& record) {
    html_.Open("p");
    bool first = true;
    for (const Column<Record>& column : Columns<Record>(values_)) {
      const std::optional<CellValue> value = column.value(record);
      if (!value) continue;
      if (!first) html_.Text(" · ");
      first = false;
      html_.Open("span")
          .Attribute("title", column.description + " (" + column.member + ")")
          .Text(column.label);
      html_.Close();
      html_.Text(": " + (value->text.empty() ? "(empty)" : value->text));
    }
    html_.Close();
    html_.Newline();
  }

  // ------------------------------------------------------------ sections

  // A list of records: a table of them, a row each.
  template <typename Row, typename Record>
  void Section(const Row& row, const std::vector<Record>& records) {
    SectionHeading(row.name, Title(row));
    if (!Holds(row, records)) return;
    RecordTable(records, Columns<Record>(values_));
  }

  // A nested record: its members.
  template <typename Row, typename Record>
  void Section(const Row& row, const Record& record) {
    SectionHeading(row.name, Title(row));
    Figures(record);
  }

  // Says so when `records` is empty; false then.
  template <typename Row, typename Record>
  bool Holds(const Row& row, const std::vector<Record>& records) {
    if (!records.empty()) return true;
    html_.Element(
        "p", "The file holds no " + std::string(row.meaning.description) + ".");
    return false;
  }

  // The models: few, each of many members, side by side.
  template <typename Row>
  void Section(const Row& row, const std::vector<ModelInfo>& models) {
    SectionHeading(row.name, Title(row));
    if (Holds(row, models)) TransposedTable(models);
  }

  // ------------------------------------------------------- separations

  template <typename Row>
  void Section(const Row& row, const std::vector<SeparationInfo>& list) {
    SectionHeading(row.name, Title(row));
    Holds(row, list);
    for (size_t i = 0; i < list.size(); ++i) Separation(i);
  }

  void Separation(size_t position) {
    const SeparationInfo& separation = series_.aSeparationInfoList[position];
    html_.Open("details").Attribute("id", SeparationId(position));
    html_.Element("summary", SeparationTitle(position));
    Line(separation);
    CurveChart(separation);
    if (!separation.aSeparationTableList.empty()) {
      RecordTable(separation.aSeparationTableList,
                  Columns<SeparationTable>(values_));
    }
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
            "Output curves of " + RecordName(separation) +
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

  // ------------------------------------------------------------- media

  // The media: a table of what each medium's summary shows, linking to a
  // section per medium with every member, its quality levels, permission
  // sets and calibration.
  template <typename Row>
  void Section(const Row& row, const std::vector<MediaInfo>& media) {
    SectionHeading(row.name, Title(row));
    if (Holds(row, media)) {
      std::vector<Column<MediaInfo>> columns = Columns<MediaInfo>(values_);
      std::erase_if(columns, [](const Column<MediaInfo>& column) {
        return column.summary.empty();
      });
      RecordTable(media, columns, {}, &MediumId);
    }
    SectionHeading(kMediaSectionsId, kMediaSectionsTitle);
    Holds(row, media);
    for (size_t i = 0; i < media.size(); ++i) Medium(i);
  }

  void Medium(size_t position) {
    const MediaInfo& media = series_.aMediaInfoList[position];
    html_.Open("details").Attribute("id", MediumId(position));
    html_.Element("summary",
                  MediumTitle(position) + " (" +
                      Int(static_cast<long>(media.aPermissionSetList.size())) +
                      " permission sets)");
    Figures(media);
    // A table for each of the medium's lists of records (its permission
    // sets and quality levels), then each permission set's calibration.
    field_model::ForEachField<MediaInfo>([&](const auto& row) {
      using Member = typename std::remove_cvref_t<decltype(row)>::MemberType;
      if constexpr (report_detail::kIsRecordList<Member>) {
        using Entry = typename Member::value_type;
        const Member& list = media.*row.member;
        if (list.empty()) return;
        std::function<std::string(size_t)> link;
        if constexpr (std::is_same_v<Entry, PermissionSet>) {
          link = [position](size_t j) { return PermissionId(position, j); };
        }
        RecordTable(list, Columns<Entry>(values_), Title(row), link);
      }
    });
    for (size_t j = 0; j < media.aPermissionSetList.size(); ++j) {
      Permission(position, j);
    }
    html_.Close();
    html_.Newline();
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
    const std::string id = PermissionId(medium, position);
    const std::string index = std::to_string(
        RecordIndex(permission).value_or(static_cast<std::int64_t>(position)));
    html_.Open("h4").Attribute("id", id).Text("Permission set " + index);
    html_.Close();
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
    shown_.emplace(hash,
                   Shown{&permission, id,
                         MediumTitle(medium) + ", permission set " + index});
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

  // The VControl points: a chart per group of their members (the dot
  // sizes), each point a line through its group's values, and a table.
  template <typename Row>
  void Section(const Row& row, const std::vector<VControlPoint>& points) {
    SectionHeading(row.name, Title(row));
    if (!Holds(row, points)) return;
    const std::vector<NumberGroup<VControlPoint>> groups =
        NumberGroups<VControlPoint>();
    double low = 0;
    double high = 0;
    for (const VControlPoint& point : points) {
      for (const NumberGroup<VControlPoint>& group : groups) {
        for (const auto& read : group.values) {
          const double value = read(point);
          if (!std::isfinite(value)) continue;
          low = std::min(low, value);
          high = std::max(high, value);
        }
      }
    }
    high = NiceCeiling(high);
    low = low < 0 ? -NiceCeiling(-low) : 0;
    const long rows = static_cast<long>((points.size() + 7) / 8);
    const long width = kVControlStride * static_cast<long>(groups.size()) + 40;
    std::string label = "VControl points:";
    for (size_t g = 0; g < groups.size(); ++g) {
      label += (g == 0 ? " " : ", ") + groups[g].name;
    }
    OpenSvg(html_, width, kVControlLegendTop + 18 * rows, label);
    for (size_t g = 0; g < groups.size(); ++g) {
      const NumberGroup<VControlPoint>& group = groups[g];
      const Plot plot = {kVControlLeft + kVControlStride * static_cast<long>(g),
                         24, kVControlPlotWidth, 160};
      const long steps =
          std::max<long>(1, static_cast<long>(group.values.size()) - 1);
      auto x = [&](size_t k) {
        return plot.left + static_cast<long>(k) * plot.width / steps;
      };
      PathData grid;
      for (size_t k = 1; k + 1 < group.values.size(); ++k) {
        grid.MoveTo(x(k), plot.top);
        grid.LineTo(x(k), plot.bottom());
      }
      const long zero = Scale(0, low, high, plot.bottom(), plot.top);
      grid.MoveTo(plot.left, zero);
      grid.LineTo(plot.right(), zero);
      SvgPath(html_, "gr", grid.text());
      SvgFrame(html_, plot);
      SvgText(html_, plot.left, plot.top - 8, group.name);
      SvgText(html_, plot.left - 5, plot.top + 4, NumberText(high), "e");
      SvgText(html_, plot.left - 5, (plot.top + plot.bottom()) / 2 + 4,
              NumberText((low + high) / 2), "e");
      SvgText(html_, plot.left - 5, plot.bottom() + 4, NumberText(low), "e");
      for (size_t k = 0; k < group.parts.size(); ++k) {
        SvgText(html_, x(k), plot.bottom() + 15, group.parts[k], "c");
      }
      for (size_t n = 0; n < points.size(); ++n) {
        PathData line;
        PathData dots;
        bool gap = true;
        for (size_t k = 0; k < group.values.size(); ++k) {
          const double value = group.values[k](points[n]);
          if (std::isfinite(value)) {
            const long y = Scale(value, low, high, plot.bottom(), plot.top);
            gap ? line.MoveTo(x(k), y) : line.LineTo(x(k), y);
            dots.Dot(x(k), y);
          }
          gap = !std::isfinite(value);
        }
        if (!line.empty()) SvgPath(html_, ColourClass("ln", n), line.text());
        if (!dots.empty()) SvgPath(html_, ColourClass("dt", n), dots.text());
      }
    }
    for (size_t n = 0; n < points.size(); ++n) {
      const std::optional<std::int64_t> index = RecordIndex(points[n]);
      LegendEntry(html_, n, 60 + 100 * static_cast<long>(n % 8),
                  kVControlLegendTop + 18 * static_cast<long>(n / 8),
                  "point " + std::to_string(
                                 index.value_or(static_cast<std::int64_t>(n))));
    }
    html_.Close();
    html_.Newline();
    RecordTable(points, Columns<VControlPoint>(values_));
  }

  const std::string& path_;
  const DeviceSeries& series_;
  const References references_;
  const MemberValues values_;
  const ByIndex<InkInfo> inks_;
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
