// The separations on a report page: a section per separation with its
// members, a chart of its channels' output curves and a table of its
// channels.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tools/dsrtool_src/report/report_page.h"
#include "tools/dsrtool_src/report/series_view.h"

namespace dsrtool {

// The frame, grid and axes every curve chart shares, as the group "sf",
// for the page's definitions.
void CurveFrame(HtmlWriter& html);

// A line of a curve chart: an output table drawn in `colour` as a line of
// class `kind` ("ln", "ln b" dashed), with its 256 stored samples as marks
// when `samples`.
struct CurveLine {
  const devseries::OutputTable* table;
  std::string colour;
  std::string kind;
  std::string label;
  bool samples;
};

// A chart of output curves, output level against input level, described by
// `label`, with a legend entry per line.
void CurveChart(HtmlWriter& html, std::string_view label,
                const std::vector<CurveLine>& lines);

void SeparationsSection(
    HtmlWriter& html, const SeriesView& view, const SectionInfo& section,
    const std::vector<devseries::SeparationInfo>& separations);

}  // namespace dsrtool
