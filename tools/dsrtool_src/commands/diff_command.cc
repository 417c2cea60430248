#include <ostream>

#include "tools/dsrtool_src/commands.h"
#include "tools/dsrtool_src/json/json_diff.h"
#include "tools/dsrtool_src/record_io.h"
#include "tools/dsrtool_src/tool_error.h"

namespace dsrtool {

int RunDiff(const Arguments& arguments, std::ostream& out, std::ostream& err) {
  const std::string& pathA = arguments.operands[0];
  const std::string& pathB = arguments.operands[1];
  Json a;
  Json b;
  try {
    a = RecordJsonTree(ReadRecordFile(pathA, arguments.sizeLimit));
    b = RecordJsonTree(ReadRecordFile(pathB, arguments.sizeLimit));
  } catch (const ToolError& error) {
    // A file that cannot be compared is neither the same nor different.
    err << error.what() << '\n';
    return kExitUsage;
  }
  const std::string kindA = a.begin().key();
  const std::string kindB = b.begin().key();
  if (kindA != kindB) {
    out << "A (" << pathA << ") is a " << kindA << " file, B (" << pathB
        << ") a " << kindB << " file\n";
    try {
      Flush(out);
    } catch (const ToolError& error) {
      err << error.what() << '\n';
      return kExitUsage;
    }
    return kExitFailure;
  }
  const std::vector<Difference> differences = CompareRecords(a, b);
  try {
    for (const Difference& difference : differences) {
      out << difference.ToString() << '\n';
    }
    Flush(out);
  } catch (const ToolError& error) {
    // Output that cannot be written is the tool's failure, not a verdict.
    err << error.what() << '\n';
    return kExitUsage;
  }
  return differences.empty() ? kExitSuccess : kExitFailure;
}

}  // namespace dsrtool
