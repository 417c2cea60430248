// Validation of a file against the XML Schema of the format: the one
// embedded in dsrtool (resources/device_series.xsd) or one given by path.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/dsrtool_src/tool_error.h"

namespace dsrtool {

// The schema embedded in the tool.
std::string_view EmbeddedSchema();

// Validates the file at `path` against the schema at `schemaPath`, or the
// embedded one when none is given, loading it whole if it is not over
// `limit` bytes. Returns the violations, each with its line; none when the
// file is valid. Raises ToolError when the schema cannot be used, or the
// file is over the limit, cannot be read or is not well-formed XML.
std::vector<LineMessage> ValidateFile(
    const std::string& path, const std::optional<std::string>& schemaPath,
    size_t limit);

}  // namespace dsrtool
