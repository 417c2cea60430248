#include "tools/dsrtool_src/commands/schema_validation.h"

#include <map>
#include <set>
#include <string>
#include <vector>

#include "devseries/platform/dom.h"
#include "devseries/platform/file_system.h"
#include "devseries/platform/resources.h"
#include "devseries/xmlio/read_session.h"
#include "tools/dsrtool_src/record_io.h"
#include "tools/dsrtool_src/tool_error.h"

namespace dsrtool {

using namespace ::devseries;

namespace {

// The schema's entry in the tool's resource script.
constexpr const char* kSchemaName = "DEVICESERIESSCHEMA";
constexpr const char* kSchemaType = "XSD";

// "A/B[2]/C" as "A[1]/B[2]/C[1]": every step with its position.
std::string Positioned(std::string_view path) {
  std::string result;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string_view::npos) end = path.size();
    const std::string_view step = path.substr(start, end - start);
    if (!result.empty()) result += '/';
    result += step;
    if (step.empty() || step.back() != ']') result += "[1]";
    start = end + 1;
  }
  return result;
}

// Follows a validating pass and notes the line of each element asked for.
// Only the elements on the way to one are named as they come: below any
// other, elements are merely counted.
class ElementLines : public platform::DomEventHandler {
 public:
  ElementLines(const platform::DomDocument& document,
               const std::vector<std::string>& wanted)
      : document_(document) {
    for (const std::string& path : wanted) {
      const std::string positioned = Positioned(path);
      wanted_.emplace(positioned, path);
      for (size_t slash = positioned.find('/'); slash != std::string::npos;
           slash = positioned.find('/', slash + 1)) {
        onTheWay_.insert(positioned.substr(0, slash));
      }
      onTheWay_.insert(positioned);
    }
  }

  std::map<std::string, int> Take() { return std::move(lines_); }

  bool StartElement(std::string_view, std::string_view name,
                    const std::vector<Attribute>&, int depth) override {
    if (wanted_.empty() || depth > static_cast<int>(open_.size()) + 1) {
      return true;
    }
    // An element on the way: named by its parent's path and its place
    // among the parent's children of its name.
    std::string path;
    if (!open_.empty()) {
      Open& parent = open_.back();
      path = parent.path + '/';
      path += name;
      path += '[' + std::to_string(++parent.seen[std::string(name)]) + ']';
    } else {
      path = std::string(name) + "[1]";
    }
    if (onTheWay_.count(path) == 0) return true;
    if (auto found = wanted_.find(path); found != wanted_.end()) {
      lines_[found->second] = document_.ParsingLine();
    }
    open_.push_back({std::move(path), {}});
    return true;
  }
  bool EndElement(int depth, bool& discard) override {
    if (depth == static_cast<int>(open_.size())) open_.pop_back();
    // Nothing of the document is kept.
    discard = true;
    return true;
  }
  bool Text(std::string_view) override { return true; }
  bool Comment() override { return true; }
  bool Instruction(std::string_view) override { return true; }

 private:
  struct Open {
    std::string path;
    std::map<std::string, int> seen;  // children of each name so far
  };
  const platform::DomDocument& document_;
  std::map<std::string, std::string> wanted_;  // positioned: as asked
  std::set<std::string> onTheWay_;
  std::vector<Open> open_;  // the elements on the way, outermost first
  std::map<std::string, int> lines_;
};

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

SchemaCheck ValidateFile(const std::string& path,
                         const std::optional<std::string>& schemaPath,
                         size_t limit, const std::vector<std::string>& wanted) {
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
  ElementLines lines(document, wanted);
  SchemaCheck check;
  if (document.LoadEvents(path, lines, &schemas)) {
    check.lines = lines.Take();
    return check;
  }
  const platform::DomParseError& error = document.parseError();
  if (error.errorCode == platform::XML_E_SCHEMAINVALID) {
    for (const std::string& message : error.messages) {
      check.violations.push_back(SplitLinePrefix(message));
    }
    check.lines = lines.Take();
    return check;
  }
  // Not loaded: said as the library's readers say it.
  throw LoadFailureError(path, error);
}

}  // namespace dsrtool
