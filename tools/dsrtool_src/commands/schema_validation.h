// Validation of a file against the XML Schema of the format: the one
// embedded in dsrtool (resources/device_series.xsd) or one given by path.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/dsrtool_src/tool_error.h"

namespace dsrtool {

// The schema embedded in the tool.
std::string_view EmbeddedSchema();

// What validating a file found: the schema's violations, each with its
// line (none when the file is valid), and the lines of the elements asked
// for.
struct SchemaCheck {
  std::vector<LineMessage> violations;
  // Element path ("DeviceSeries/aMediaInfoList/MediaInfo[3]/nDryTime") to
  // the line of its start tag; a path the file does not hold is left out.
  std::map<std::string, int> lines;
};

// Validates the file at `path` against the schema at `schemaPath`, or the
// embedded one when none is given, in one streamed pass that builds no
// tree (the file must not be over `limit` bytes), and finds the lines of
// the elements at `wanted`: paths of element names from the root, a
// "[n]" after a name picking the n-th element of that name among its
// siblings (the first without one). Raises ToolError when the schema
// cannot be used, or the file is over the limit, cannot be read or is not
// well-formed XML.
SchemaCheck ValidateFile(const std::string& path,
                         const std::optional<std::string>& schemaPath,
                         size_t limit,
                         const std::vector<std::string>& wanted = {});

}  // namespace dsrtool
