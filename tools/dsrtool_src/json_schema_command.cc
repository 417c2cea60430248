#include "tools/dsrtool_src/commands.h"
#include "tools/dsrtool_src/tool_error.h"

namespace dsrtool {

int RunJsonSchema(const Arguments&, std::ostream&, std::ostream&) {
  throw UsageError("not available yet");
}

}  // namespace dsrtool
