// The separations on a page comparing two device series: a section per
// pair of separations (paired by their index) with their members compared,
// the output curves of both overlaid channel by channel (A's solid, B's
// dashed, in the channel's ink colour), how far the curves differ, and
// their channels compared.
#pragma once

#include <string>
#include <vector>

#include "tools/dsrtool_src/report/comparison_tables.h"

namespace dsrtool {

// "Separation 2: CMYK photo (changed)": the pair's title, from A's record
// where A holds one, and whether it changed or is only in one file.
std::string ComparedSeparationTitle(
    const Compared& files, const Paired<devseries::SeparationInfo>& pair);

void ComparedSeparationsSection(
    HtmlWriter& html, const Compared& files, const SectionInfo& section,
    const std::vector<Paired<devseries::SeparationInfo>>& pairs);

}  // namespace dsrtool
