#include <ostream>
#include <string>

#include "devseries/merge_update.h"
#include "platform/debug_output.h"
#include "platform/file_system.h"
#include "tools/dsrtool_src/commands.h"
#include "tools/dsrtool_src/record_io.h"
#include "tools/dsrtool_src/tool_error.h"

namespace dsrtool {

using namespace ::devseries;

int RunMerge(const Arguments& arguments, std::ostream&, std::ostream&) {
  const std::string& installed = arguments.operands[0];
  const std::string& fresh = arguments.operands[1];
  // Both files must read as device series before anything is touched. (The
  // library would install the new file outright over a missing or broken
  // installed file; the tool refuses such input instead.)
  ReadDeviceSeriesFile(fresh);
  ReadDeviceSeriesFile(installed);

  // The library's debug line would repeat the outcome's problem.
  platform::ScopedDebugCapture quiet;
  MergeOutcome outcome =
      MergeUpdateDeviceSeriesWith(installed, [&](const std::string& target) {
        return platform::CopyFileAtomically(
                   *platform::FileSystem::Current(), fresh, target, true,
                   platform::kMaxDocumentBytes) == platform::FileError::kNone;
      });
  if (outcome.kind != MergeOutcome::kMerged) {
    throw ToolError(installed, "not merged: " + OneLine(outcome.problem));
  }
  return kExitSuccess;
}

}  // namespace dsrtool
