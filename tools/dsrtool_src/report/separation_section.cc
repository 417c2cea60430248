#include "tools/dsrtool_src/report/separation_section.h"

#include <algorithm>

#include "tools/dsrtool_src/report/chart_colours.h"
#include "tools/dsrtool_src/report/charts.h"
#include "tools/dsrtool_src/report/record_sections.h"
#include "tools/dsrtool_src/report/record_tables.h"

namespace dsrtool {

using namespace ::devseries;

namespace {

// Geometry of a separation chart: a plot of input levels (across, 15
// pixels per 64 levels, so that the 256 stored samples lie 3.75 pixels
// apart and their marks stand apart) against output levels (up, one pixel
// per 8 levels), and the legend below, four entries to a row.
constexpr long kCurveLeft = 60;
constexpr long kCurveTop = 20;
constexpr long kCurveWidth = 960;
constexpr long kCurveHeight = 512;
constexpr long kCurveLegendTop = kCurveTop + kCurveHeight + 64;
constexpr long kCurveLegendColumns = 4;
constexpr long kCurveLegendStride = 240;
static_assert(kCurveWidth * 64 % 4096 == 0 && kCurveHeight * 8 == 4096);

}  // namespace

void CurveChart(HtmlWriter& html, std::string_view label,
                const std::vector<CurveLine>& lines) {
  const long rows =
      (static_cast<long>(lines.size()) + kCurveLegendColumns - 1) /
      kCurveLegendColumns;
  OpenSvg(html, kCurveLeft + kCurveWidth + 20, kCurveLegendTop + 20 * rows,
          label);
  Use(html, "sf");
  // Drawn in table units: x the input level, y the output level, upwards.
  html.Open("g").Attribute(
      "transform", "matrix(" + NumberText(kCurveWidth / 4096.0) + " 0 0 -" +
                       NumberText(kCurveHeight / 4096.0) + " " +
                       Int(kCurveLeft) + " " + Int(kCurveTop + kCurveHeight) +
                       ")");
  for (const CurveLine& curve : lines) {
    PathData line;
    for (size_t i : GraphVertices(*curve.table)) {
      line.LineTo(static_cast<long>(i), (*curve.table)[i]);
    }
    SvgStroke(html, curve.kind, curve.colour, line.text());
  }
  // The marks over the lines, each sample a dot.
  for (const CurveLine& curve : lines) {
    if (!curve.samples) continue;
    const OutputTableSamples samples = TakeOutputTableSamples(*curve.table);
    PathData dots;
    for (size_t j = 0; j < samples.size(); ++j) {
      dots.Dot(static_cast<long>(OutputTableSamplePosition(j)), samples[j]);
    }
    SvgStroke(html, "sm", curve.colour, dots.text());
  }
  html.Close();  // g
  for (size_t n = 0; n < lines.size(); ++n) {
    const long column = static_cast<long>(n) % kCurveLegendColumns;
    const long row = static_cast<long>(n) / kCurveLegendColumns;
    LegendEntry(html, lines[n].colour, kCurveLeft + column * kCurveLegendStride,
                kCurveLegendTop + 20 * row, lines[n].label, lines[n].kind);
  }
  html.Close();  // svg
  html.Newline();
}

namespace {

void SeparationCurves(HtmlWriter& html, const SeriesView& view,
                      const SeparationInfo& separation) {
  const std::vector<SeparationTable>& tables = separation.aSeparationTableList;
  const std::vector<std::string> colours =
      ChannelColours(view, &separation, tables.size());
  std::vector<CurveLine> lines;
  for (size_t k = 0; k < tables.size(); ++k) {
    if (tables[k].eType != 1) continue;
    lines.push_back({&tables[k].usOutputTable, colours[k], "ln",
                     view.ChannelLabel(tables[k], k), true});
  }
  if (lines.empty()) {
    html.Element("p", "No channel stores an output curve.");
    return;
  }
  CurveChart(html,
             "Output curves of " + RecordName(separation) +
                 ": output level against input level per channel",
             lines);
  html.Element("p",
               "Lines: the 4096 output levels of each channel, in its ink's "
               "colour; dots: the 256 stored samples they are expanded from.");
}

void Separation(HtmlWriter& html, const SeriesView& view, size_t position) {
  const SeparationInfo& separation = view.series.aSeparationInfoList[position];
  html.Open("details").Attribute("id", SeparationId(position));
  html.Element("summary", view.SeparationTitle(position));
  Line(html, view.values, separation);
  SeparationCurves(html, view, separation);
  if (!separation.aSeparationTableList.empty()) {
    RecordTable(html, separation.aSeparationTableList,
                Columns<SeparationTable>(view.values));
  }
  html.Close();
  html.Newline();
}

}  // namespace

void CurveFrame(HtmlWriter& html) {
  html.Open("g").Attribute("id", "sf");
  PathData grid;
  const long bottom = kCurveTop + kCurveHeight;
  const long right = kCurveLeft + kCurveWidth;
  for (long k = 1; k < 8; ++k) {
    grid.MoveTo(kCurveLeft + k * kCurveWidth / 8, kCurveTop);
    grid.LineTo(kCurveLeft + k * kCurveWidth / 8, bottom);
    grid.MoveTo(kCurveLeft, kCurveTop + k * kCurveHeight / 8);
    grid.LineTo(right, kCurveTop + k * kCurveHeight / 8);
  }
  SvgPath(html, "gr", grid.text());
  SvgFrame(html, {kCurveLeft, kCurveTop, kCurveWidth, kCurveHeight});
  for (long k = 0; k <= 4; ++k) {
    const std::string level = Int(k == 4 ? 4095 : k * 1024);
    SvgText(html, kCurveLeft + k * kCurveWidth / 4, bottom + 16, level, "c");
    SvgText(html, kCurveLeft - 6, bottom - k * kCurveHeight / 4 + 4, level,
            "e");
  }
  SvgText(html, kCurveLeft + kCurveWidth / 2, bottom + 36,
          "input level (0 to 4095)", "c");
  html.Open("text")
      .Attribute("class", "c")
      .Attribute(
          "transform",
          "translate(14 " + Int(kCurveTop + kCurveHeight / 2) + ") rotate(-90)")
      .Text("output level (0 to 4095)");
  html.Close();
  html.Close();
}

void SeparationsSection(HtmlWriter& html, const SeriesView& view,
                        const SectionInfo& section,
                        const std::vector<SeparationInfo>& separations) {
  SectionHeading(html, section.id, section.title);
  Holds(html, section, separations.size());
  for (size_t i = 0; i < separations.size(); ++i) Separation(html, view, i);
}

}  // namespace dsrtool
