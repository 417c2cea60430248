// The report page of one device series: its heading, summary and index,
// then a section per list of records and nested record, in the file's
// order.
#pragma once

#include <string>

#include "devseries/device_series.h"
#include "tools/dsrtool_src/report/report_page.h"
#include "tools/dsrtool_src/report/series_view.h"

namespace dsrtool {

// The parts every chart of a kind shares, drawn once at the top of a page
// and placed in each chart with <use>: frames, grids, fixed ticks and axis
// titles.
void ChartDefinitions(HtmlWriter& html);

// The whole page about `series`, read from the file at `path` of which
// `facts` tell, made as `stamp` says. Raises PageError when the page's
// writer fails.
std::string WriteSeriesPage(const std::string& path,
                            const devseries::DeviceSeries& series,
                            const FileFacts& facts, const PageStamp& stamp);

}  // namespace dsrtool
