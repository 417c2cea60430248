#include "tools/dsrtool_src/report/separation_section.h"

#include <algorithm>

#include "tools/dsrtool_src/report/charts.h"
#include "tools/dsrtool_src/report/record_sections.h"
#include "tools/dsrtool_src/report/record_tables.h"

namespace dsrtool {

using namespace ::devseries;

namespace {

// Geometry of a separation chart: a 512-pixel square plot of input levels
// (across) against output levels (up), one pixel per 8 levels, and the
// legend to its right.
constexpr long kCurveLeft = 60;
constexpr long kCurveTop = 20;
constexpr long kCurveSize = 512;
constexpr long kCurveLegendLeft = kCurveLeft + kCurveSize + 30;

void CurveChart(HtmlWriter& html, const SeriesView& view,
                const SeparationInfo& separation) {
  std::vector<size_t> drawn;
  for (size_t k = 0; k < separation.aSeparationTableList.size(); ++k) {
    if (separation.aSeparationTableList[k].eType == 1) drawn.push_back(k);
  }
  if (drawn.empty()) {
    html.Element("p", "No channel stores an output curve.");
    return;
  }
  const long height = std::max<long>(kCurveTop + kCurveSize + 50,
                                     40 + 20 * static_cast<long>(drawn.size()));
  OpenSvg(html, kCurveLegendLeft + 230, height,
          "Output curves of " + RecordName(separation) +
              ": output level against input level per channel");
  Use(html, "sf");
  // Drawn in table units: x the input level, y the output level, one
  // pixel per 8 levels, upwards.
  html.Open("g").Attribute("transform", "matrix(.125 0 0 -.125 " +
                                            Int(kCurveLeft) + " " +
                                            Int(kCurveTop + kCurveSize) + ")");
  for (size_t n = 0; n < drawn.size(); ++n) {
    const OutputTable& table =
        separation.aSeparationTableList[drawn[n]].usOutputTable;
    PathData line;
    for (size_t i : GraphVertices(table)) {
      line.LineTo(static_cast<long>(i), table[i]);
    }
    SvgPath(html, ColourClass("ln", n), line.text());
  }
  for (size_t n = 0; n < drawn.size(); ++n) {
    const OutputTable& table =
        separation.aSeparationTableList[drawn[n]].usOutputTable;
    const OutputTableSamples samples = TakeOutputTableSamples(table);
    PathData dots;
    for (size_t j = 0; j < samples.size(); ++j) {
      dots.Dot(static_cast<long>(OutputTableSamplePosition(j)), samples[j]);
    }
    SvgPath(html, ColourClass("dt", n), dots.text());
  }
  html.Close();  // g
  for (size_t n = 0; n < drawn.size(); ++n) {
    LegendEntry(
        html, n, kCurveLegendLeft, kCurveTop + 14 + 20 * static_cast<long>(n),
        view.ChannelLabel(separation.aSeparationTableList[drawn[n]], drawn[n]));
  }
  html.Close();  // svg
  html.Newline();
  html.Element("p",
               "Lines: the 4096 output levels of each channel; dots: the "
               "256 stored samples they are expanded from.");
}

void Separation(HtmlWriter& html, const SeriesView& view, size_t position) {
  const SeparationInfo& separation = view.series.aSeparationInfoList[position];
  html.Open("details").Attribute("id", SeparationId(position));
  html.Element("summary", view.SeparationTitle(position));
  Line(html, view.values, separation);
  CurveChart(html, view, separation);
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
  const long bottom = kCurveTop + kCurveSize;
  for (long k = 1; k < 8; ++k) {
    grid.MoveTo(kCurveLeft + k * 64, kCurveTop);
    grid.LineTo(kCurveLeft + k * 64, bottom);
    grid.MoveTo(kCurveLeft, kCurveTop + k * 64);
    grid.LineTo(kCurveLeft + kCurveSize, kCurveTop + k * 64);
  }
  SvgPath(html, "gr", grid.text());
  SvgFrame(html, {kCurveLeft, kCurveTop, kCurveSize, kCurveSize});
  for (long k = 0; k <= 4; ++k) {
    const std::string level = Int(k == 4 ? 4095 : k * 1024);
    SvgText(html, kCurveLeft + k * 128, bottom + 16, level, "c");
    SvgText(html, kCurveLeft - 6, bottom - k * 128 + 4, level, "e");
  }
  SvgText(html, kCurveLeft + kCurveSize / 2, bottom + 36,
          "input level (0 to 4095)", "c");
  html.Open("text")
      .Attribute("class", "c")
      .Attribute(
          "transform",
          "translate(14 " + Int(kCurveTop + kCurveSize / 2) + ") rotate(-90)")
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
