#include "tools/dsrtool_src/commands.h"

#include <ostream>
#include <string>

#include "platform/debug_output.h"
#include "platform/dom.h"
#include "platform/file_system.h"
#include "tools/dsrtool_src/record_io.h"
#include "tools/dsrtool_src/schema_validation.h"
#include "tools/dsrtool_src/tool_error.h"
#include "xmlio/merge_update.h"

namespace dsrtool {

namespace {

// The bytes of the JSON file at `path`; ToolError when it cannot be read.
std::string ReadJsonText(const std::string& path) {
  platform::FileSystem& fs = *platform::FileSystem::Current();
  if (fs.IsDirectory(path)) throw ToolError(path, "is a folder, not a file");
  std::string text;
  int error = fs.ReadFile(path, platform::kMaxDocumentBytes, &text);
  if (error != 0) throw ToolError(path, platform::IoErrorText(error));
  return text;
}

// nlohmann's message without its "[json.exception.parse_error.101] " tag.
std::string ParseErrorText(const std::string& what) {
  size_t tagEnd = what.find("] ");
  if (what.rfind("[json.exception.", 0) != 0 || tagEnd == std::string::npos) {
    return what;
  }
  return what.substr(tagEnd + 2);
}

// The record the JSON file at `path` describes; ToolError when the file is
// not JSON or does not describe a record.
AnyRecord ReadJsonRecord(const std::string& path) {
  std::string text = ReadJsonText(path);
  Json document;
  try {
    document = Json::parse(text);
  } catch (const Json::parse_error& error) {
    throw ToolError(path, "not valid JSON: " + ParseErrorText(error.what()));
  }
  try {
    return RecordFromJson(document);
  } catch (const JsonError& error) {
    throw ToolError(path, error.what());
  }
}

void Flush(std::ostream& out) {
  out.flush();
  if (!out) throw ToolError("standard output", "cannot be written");
}

}  // namespace

int RunDump(const Arguments& arguments, std::ostream& out, std::ostream&) {
  AnyRecord record = ReadRecordFile(arguments.operands[0]);
  // Texts read from a file are UTF-8; anything else would be the DOM's
  // fault, and is shown replaced rather than lost in an error.
  out << RecordToJson(record).dump(arguments.Has("compact") ? -1 : 2, ' ',
                                   false, Json::error_handler_t::replace)
      << '\n';
  Flush(out);
  return kExitSuccess;
}

int RunBuild(const Arguments& arguments, std::ostream&, std::ostream&) {
  // Everything is checked before the writer runs, and the writer replaces
  // OUT only once the whole file is written.
  AnyRecord record = ReadJsonRecord(arguments.operands[0]);
  WriteRecordFile(arguments.operands[1], record);
  return kExitSuccess;
}

int RunRoundtrip(const Arguments& arguments, std::ostream&, std::ostream&) {
  AnyRecord record = ReadRecordFile(arguments.operands[0]);
  WriteRecordFile(arguments.operands[1], record);
  return kExitSuccess;
}

int RunValidate(const Arguments& arguments, std::ostream& out,
                std::ostream& err) {
  const std::string& path = arguments.operands[0];
  std::vector<std::string> violations =
      ValidateFile(path, arguments.Get("schema"));
  if (violations.empty()) {
    out << path << ": valid\n";
    Flush(out);
    return kExitSuccess;
  }
  for (const std::string& violation : violations) {
    err << path << ": " << OneLine(violation) << '\n';
  }
  return kExitFailure;
}

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
        return platform::CopyFileAtomically(*platform::FileSystem::Current(),
                                            fresh, target, true,
                                            platform::kMaxDocumentBytes) == 0;
      });
  if (outcome.kind != MergeOutcome::kMerged) {
    throw ToolError(installed, "not merged: " + OneLine(outcome.problem));
  }
  return kExitSuccess;
}

}  // namespace dsrtool
