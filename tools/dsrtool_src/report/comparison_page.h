// The report page comparing two device series, A and B: the facts of both
// files, a summary of what differs list by list, and a section per list of
// records and nested record in which the records are paired as `diff`
// pairs them, every value that differs is marked, and the records only one
// file holds are marked as such; separations with both files' curves
// overlaid, media with their calibration side by side.
#pragma once

#include <string>

#include "tools/dsrtool_src/report/series_view.h"

namespace dsrtool {

// The whole page comparing `a` with `b`, made as `stamp` says. Raises
// PageError when the page's writer fails.
std::string WriteComparisonPage(const SeriesView& a, const SeriesView& b,
                                const PageStamp& stamp);

}  // namespace dsrtool
