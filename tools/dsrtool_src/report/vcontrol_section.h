// The VControl points on a report page: a chart per group of their members
// (the dot sizes), each point a line through its group's values, and a
// table of the points.
#pragma once

#include <vector>

#include "tools/dsrtool_src/report/report_page.h"
#include "tools/dsrtool_src/report/series_view.h"

namespace dsrtool {

void VControlSection(HtmlWriter& html, const SeriesView& view,
                     const SectionInfo& section,
                     const std::vector<devseries::VControlPoint>& points);

}  // namespace dsrtool
