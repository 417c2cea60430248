// The media on a report page: a table of the media, then a section per
// medium with every member, its quality levels and permission sets, and
// each permission set's calibration as a chart and a table.
#pragma once

#include <vector>

#include "tools/dsrtool_src/report/report_page.h"
#include "tools/dsrtool_src/report/series_view.h"

namespace dsrtool {

// The frames, grids and axes every calibration chart shares, as the group
// "cf", for the page's definitions.
void CalibrationFrame(HtmlWriter& html);

void MediaSection(HtmlWriter& html, const SeriesView& view,
                  const SectionInfo& section,
                  const std::vector<devseries::MediaInfo>& media);

}  // namespace dsrtool
