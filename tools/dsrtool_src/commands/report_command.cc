// dsrtool report: one self-contained HTML page describing a device series,
// with tables of its records and SVG charts of its curves and measurements,
// or comparing two device series.
// The page is made by the parts in report/.
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "devseries/device_series.h"
#include "devseries/platform/file_system.h"
#include "tools/dsrtool_src/commands.h"
#include "tools/dsrtool_src/memory_files.h"
#include "tools/dsrtool_src/record_io.h"
#include "tools/dsrtool_src/report/comparison_page.h"
#include "tools/dsrtool_src/report/report_input.h"
#include "tools/dsrtool_src/report/report_page.h"
#include "tools/dsrtool_src/report/series_page.h"
#include "tools/dsrtool_src/report/series_view.h"
#include "tools/dsrtool_src/tool_error.h"

namespace dsrtool {

using namespace ::devseries;

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
