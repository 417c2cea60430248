// The top of a report page: its <head> with the style sheet, and the
// heading that names the file described.
#pragma once

#include <string_view>

#include "tools/dsrtool_src/report/report_page.h"
#include "tools/dsrtool_src/report/series_view.h"

namespace dsrtool {

// The page's <head>: its character set, `title` and the style sheet.
void PageHead(HtmlWriter& html, std::string_view title);

// The page's heading: "Device series NAME".
void Heading(HtmlWriter& html, const SeriesView& view);

}  // namespace dsrtool
