// The top of a report page: its <head> with the style sheet, and the
// heading that names the files described, with their format version, size
// and checksum, and the tool and day that made the page.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/dsrtool_src/report/report_page.h"
#include "tools/dsrtool_src/report/series_view.h"

namespace dsrtool {

// The page's <head>: its character set, `title` and the style sheet.
void PageHead(HtmlWriter& html, std::string_view title);

// "254707 bytes (248.7 KiB)"; bytes alone below 1 KiB.
std::string ByteSizeText(std::uint64_t bytes);

// The page's heading, `title`, and a table of the facts of each file in
// `views` (one column per file, the values that differ between them
// marked), then the tool and day of `stamp`.
void Heading(HtmlWriter& html, std::string_view title,
             const std::vector<const SeriesView*>& views,
             const PageStamp& stamp);

}  // namespace dsrtool
