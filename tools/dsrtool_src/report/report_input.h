// What the report reads: a device series with the facts of its file, and
// the day the page is made.
#pragma once

#include <string>

#include "devseries/device_series.h"
#include "tools/dsrtool_src/report/series_view.h"
#include "tools/dsrtool_src/size_limit.h"

namespace dsrtool {

// A device series as the report reads it, with the facts of its file.
struct ReportInput {
  devseries::DeviceSeries series;
  FileFacts facts;
};

// Reads the device series at `path` within `limit` with the library's
// reader, which gives the version the file is marked with, then reads the
// file's bytes again, piece by piece through the file seam, for their size
// and checksum (standard input and pipes are held for this: report reads
// its input twice). Raises the tool's ToolError for a file that does not
// read.
ReportInput ReadReportInput(const std::string& path, const SizeLimit& limit);

// Today's date in UTC, "2026-12-10"; the day of SOURCE_DATE_EPOCH (seconds
// since 1970 in UTC) where that is set to a number, so that a page can be
// made again byte for byte.
std::string PageDate();

}  // namespace dsrtool
