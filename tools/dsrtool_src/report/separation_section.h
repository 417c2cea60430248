// The separations on a report page: a section per separation with its
// members, a chart of its channels' output curves and a table of its
// channels.
#pragma once

#include <vector>

#include "tools/dsrtool_src/report/report_page.h"
#include "tools/dsrtool_src/report/series_view.h"

namespace dsrtool {

// The frame, grid and axes every curve chart shares, as the group "sf",
// for the page's definitions.
void CurveFrame(HtmlWriter& html);

void SeparationsSection(
    HtmlWriter& html, const SeriesView& view, const SectionInfo& section,
    const std::vector<devseries::SeparationInfo>& separations);

}  // namespace dsrtool
