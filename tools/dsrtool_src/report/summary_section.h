// The summary at the top of a report page (what the file holds, list by
// list) and the index of the page's sections.
#pragma once

#include "tools/dsrtool_src/report/report_page.h"
#include "tools/dsrtool_src/report/series_view.h"

namespace dsrtool {

// A table of the series' lists with the number of records of each, and its
// members that are plain values.
void SummarySection(HtmlWriter& html, const SeriesView& view);

// The index: a link to each section, and under the separations and media a
// link to each separation's and medium's own section.
void IndexSection(HtmlWriter& html, const SeriesView& view);

}  // namespace dsrtool
