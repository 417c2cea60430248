// dsrtool report: one self-contained HTML page describing a device series,
// with tables of its records and SVG charts of its curves and measurements.
// The page is made by the parts in report/.
#include <ostream>
#include <string>

#include "devseries/device_series.h"
#include "devseries/platform/file_system.h"
#include "tools/dsrtool_src/commands.h"
#include "tools/dsrtool_src/memory_files.h"
#include "tools/dsrtool_src/record_io.h"
#include "tools/dsrtool_src/report/report_page.h"
#include "tools/dsrtool_src/report/series_page.h"
#include "tools/dsrtool_src/tool_error.h"

namespace dsrtool {

using namespace ::devseries;

int RunReport(const Arguments& arguments, std::ostream& out, std::ostream&) {
  const std::string& path = arguments.operands[0];
  const std::string target = arguments.Get("output").value_or("-");
  const bool toOut = target == kStandardStream;
  const std::string name = toOut ? kStandardOutputName : target;
  if (!toOut) CheckOutputPath(target);
  if (target == path) {
    throw ToolError(
        target, "is the device-series file read: the page would replace it");
  }
  const DeviceSeries series = ReadDeviceSeriesFile(path, arguments.sizeLimit);

  // The page is made whole in memory, then replaces the target at once.
  std::string page;
  try {
    page = WriteSeriesPage(path, series);
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
