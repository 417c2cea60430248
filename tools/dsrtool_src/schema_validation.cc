#include "tools/dsrtool_src/schema_validation.h"

#include "devseries/platform/dom.h"
#include "devseries/platform/file_system.h"
#include "devseries/platform/resources.h"
#include "devseries/xmlio/read_session.h"
#include "tools/dsrtool_src/tool_error.h"

namespace dsrtool {

using namespace ::devseries;

namespace {

// The schema's entry in the tool's resource script.
constexpr const char* kSchemaName = "DEVICESERIESSCHEMA";
constexpr const char* kSchemaType = "XSD";

}  // namespace

std::string_view EmbeddedSchema() {
  platform::HRSRC found =
      platform::FindResourceA(nullptr, kSchemaName, kSchemaType);
  if (found == nullptr) return {};
  const void* bytes =
      platform::LockResource(platform::LoadResource(nullptr, found));
  if (bytes == nullptr) return {};
  return std::string_view(static_cast<const char*>(bytes),
                          platform::SizeofResource(nullptr, found));
}

std::vector<LineMessage> ValidateFile(
    const std::string& path, const std::optional<std::string>& schemaPath,
    size_t limit) {
  platform::DomSchemaCache schemas;
  std::string schemaName = schemaPath ? *schemaPath : "device_series.xsd";
  try {
    if (schemaPath) {
      if (platform::FileSystem::Current()->IsDirectory(*schemaPath)) {
        throw ToolError(*schemaPath, "is a folder, not a file");
      }
      schemas.Add("", *schemaPath);
    } else {
      std::string_view text = EmbeddedSchema();
      if (text.empty()) {
        throw ToolError(schemaName, "the embedded schema is missing");
      }
      schemas.AddFromMemory("", text, schemaName);
    }
  } catch (const platform::_com_error& error) {
    throw ToolError(schemaName,
                    error.Description().empty()
                        ? "the schema cannot be used"
                        : WithoutFilePrefix(error.Description(), schemaName));
  }

  if (platform::FileSystem::Current()->IsDirectory(path)) {
    throw ToolError(path, "is a folder, not a file");
  }
  platform::DomDocument document;
  document.SetSizeLimit(limit);
  if (document.LoadValidated(path, schemas)) return {};
  const platform::DomParseError& error = document.parseError();
  if (error.errorCode == platform::XML_E_SCHEMAINVALID) {
    std::vector<LineMessage> violations;
    for (const std::string& message : error.messages) {
      violations.push_back(SplitLinePrefix(message));
    }
    return violations;
  }
  // Not loaded: said as the library's readers say it.
  ReadReport report;
  RecordLoadFailure(error, path, report);
  throw ToolError(path, report.error.line, report.error.ToString());
}

}  // namespace dsrtool
