// dsrtool report: one self-contained HTML page describing a device series,
// with tables of its records and SVG charts of its curves and measurements,
// or comparing two device series.
// The page is made by the parts in report/.
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "devseries/device_series.h"
#include "devseries/platform/file_system.h"
#include "tools/digest/sha256.h"
#include "tools/dsrtool_src/commands.h"
#include "tools/dsrtool_src/memory_files.h"
#include "tools/dsrtool_src/record_io.h"
#include "tools/dsrtool_src/report/comparison_page.h"
#include "tools/dsrtool_src/report/report_page.h"
#include "tools/dsrtool_src/report/series_page.h"
#include "tools/dsrtool_src/report/series_view.h"
#include "tools/dsrtool_src/tool_error.h"

namespace dsrtool {

using namespace ::devseries;

namespace {

// A device series as the report reads it, with the facts of its file.
struct ReportInput {
  DeviceSeries series;
  FileFacts facts;
};

// Reads the device series at `path` within `limit` with the library's
// reader, which gives the version the file is marked with, then reads the
// file's bytes again, piece by piece through the file seam, for their size
// and checksum (standard input and pipes are held for this: report reads
// its input twice). Raises the tool's ToolError for a file that does not
// read.
ReportInput ReadReportInput(const std::string& path, const SizeLimit& limit) {
  ReportInput input;
  DeviceSeriesIO2 io(path);
  io.SetSizeLimit(limit.given);
  if (!io.Read(input.series)) {
    // The tool's own reading says what is wrong, as for every command.
    ReadDeviceSeriesFile(path, limit);
    throw ToolError(path, "cannot be read as a device-series document");
  }
  input.facts.version = io.m_fileVersion.ToString();
  tovra::Sha256 sha256;
  const platform::FileError error =
      platform::FileSystem::Current()->ReadFileInPieces(
          path, limit.Streamed(), [&](std::string_view piece) {
            sha256.Update(piece);
            input.facts.size += piece.size();
            return true;
          });
  if (error != platform::FileError::kNone) {
    throw ToolError(path, "cannot be read again for its checksum: " +
                              platform::FileErrorText(error));
  }
  input.facts.sha256 = sha256.HexDigest();
  return input;
}

// Today's date in UTC, "2026-12-10"; the day of SOURCE_DATE_EPOCH (seconds
// since 1970 in UTC) where that is set to a number, so that a page can be
// made again byte for byte.
std::string PageDate() {
  using namespace std::chrono;
  sys_seconds now = floor<seconds>(system_clock::now());
  if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) {
    std::int64_t seconds = 0;
    const char* end = epoch + std::strlen(epoch);
    auto [stop, problem] = std::from_chars(epoch, end, seconds);
    if (problem == std::errc() && stop == end) {
      now = sys_seconds(std::chrono::seconds(seconds));
    }
  }
  const year_month_day day{floor<days>(now)};
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u", int{day.year()},
                unsigned{day.month()}, unsigned{day.day()});
  return text;
}

}  // namespace

int RunReport(const Arguments& arguments, std::ostream& out, std::ostream&) {
  const std::vector<std::string>& paths = arguments.operands;
  const std::string target = arguments.Get("output").value_or("-");
  const bool toOut = target == kStandardStream;
  const std::string name = toOut ? kStandardOutputName : target;
  if (!toOut) CheckOutputPath(target);
  for (const std::string& path : paths) {
    if (target == path) {
      throw ToolError(
          target, "is the device-series file read: the page would replace it");
    }
  }
  const ReportInput a = ReadReportInput(paths[0], arguments.sizeLimit);
  std::optional<ReportInput> b;
  if (paths.size() > 1) b = ReadReportInput(paths[1], arguments.sizeLimit);
  const PageStamp stamp = {std::string("dsrtool ") + DSRTOOL_VERSION,
                           PageDate()};

  // The page is made whole in memory, then replaces the target at once.
  std::string page;
  try {
    if (b) {
      const SeriesView viewA(paths[0], a.series, a.facts);
      const SeriesView viewB(paths[1], b->series, b->facts);
      page = WriteComparisonPage(viewA, viewB, stamp);
    } else {
      page = WriteSeriesPage(paths[0], a.series, a.facts, stamp);
    }
  } catch (const PageError& error) {
    throw ToolError(name, error.what());
  }
  if (toOut) {
    out.write(page.data(), static_cast<std::streamsize>(page.size()));
    out.flush();
    if (!out) throw ToolError(name, "cannot be written");
    return kExitSuccess;
  }
  platform::FileError error = platform::ReplaceFileAtomically(
      *platform::FileSystem::Current(), target, page);
  if (error != platform::FileError::kNone) {
    throw ToolError(target, platform::FileErrorText(error));
  }
  return kExitSuccess;
}

}  // namespace dsrtool
