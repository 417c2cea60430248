// The media on a page comparing two device series: a table of the media
// paired by their names, then a section per pair with their members, their
// permission sets (paired by index) and quality levels (by position)
// compared, and each pair of permission sets' calibration side by side,
// A's chart beside B's, with a table marking every value that differs.
#pragma once

#include <string>
#include <vector>

#include "tools/dsrtool_src/report/comparison_tables.h"

namespace dsrtool {

// The pair's title: the medium's English name (A's where A holds it) and
// whether it changed or is only in one file.
std::string ComparedMediumTitle(const Compared& files,
                                const Paired<devseries::MediaInfo>& pair);

void ComparedMediaSection(
    HtmlWriter& html, const Compared& files, const SectionInfo& section,
    const std::vector<Paired<devseries::MediaInfo>>& pairs);

}  // namespace dsrtool
