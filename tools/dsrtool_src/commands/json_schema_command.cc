#include <ostream>

#include "tools/dsrtool_src/commands.h"
#include "tools/dsrtool_src/json/json_schema.h"
#include "tools/dsrtool_src/tool_error.h"

namespace dsrtool {

int RunJsonSchema(const Arguments&, std::ostream& out, std::ostream&) {
  out << RecordJsonSchema().dump(2) << '\n';
  Flush(out);
  return kExitSuccess;
}

}  // namespace dsrtool
