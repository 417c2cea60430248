#include <algorithm>
#include <optional>
#include <ostream>
#include <string>
#include <variant>

#include "devseries/devseries.h"
#include "devseries/merge_update.h"
#include "devseries/platform/debug_output.h"
#include "devseries/platform/dom.h"
#include "devseries/platform/file_system.h"
#include "devseries/platform/progress.h"
#include "devseries/series_findings_internal.h"
#include "tools/dsrtool_src/commands.h"
#include "tools/dsrtool_src/commands/schema_validation.h"
#include "tools/dsrtool_src/json/json_diff.h"
#include "tools/dsrtool_src/json/json_record_reader.h"
#include "tools/dsrtool_src/memory_files.h"
#include "tools/dsrtool_src/record_io.h"
#include "tools/dsrtool_src/tool_error.h"

namespace dsrtool {

using namespace ::devseries;

namespace {

// The bytes of the JSON file at `path`, which must not be over `limit`;
// ToolError when it cannot be read.
std::string ReadJsonText(const std::string& path, size_t limit) {
  platform::FileSystem& fs = *platform::FileSystem::Current();
  if (fs.IsDirectory(path)) throw ToolError(path, "is a folder, not a file");
  std::string text;
  platform::FileError error = fs.ReadFile(path, limit, &text);
  if (error == platform::FileError::kTooLarge) {
    // A stream's size is not known (0).
    platform::FileInfo info;
    if (fs.Stat(path, &info) != platform::FileError::kNone) info.size = 0;
    throw ToolError(path, OverLimitText(info.size, limit));
  }
  if (error != platform::FileError::kNone) {
    throw ToolError(path, platform::FileErrorText(error));
  }
  return text;
}

// The refusal of nlohmann's parser as a located ToolError: its byte
// position turned into the line and column of `text`, its message without
// the "[json.exception.parse_error.101] parse error at line 1, column 2: "
// it starts with.
ToolError JsonParseError(const std::string& path, const std::string& text,
                         const JsonSyntaxError& error) {
  std::string what = error.what();
  if (size_t end = what.find("] ");
      what.starts_with("[json.exception.") && end != std::string::npos) {
    what = what.substr(end + 2);
  }
  if (what.starts_with("parse error")) {
    if (size_t colon = what.find(": "); colon != std::string::npos) {
      what = what.substr(colon + 2);
    }
  }
  // The byte is the 1-based position of the last character read.
  size_t at =
      std::min<size_t>(error.byte() > 0 ? error.byte() - 1 : 0, text.size());
  size_t lineStart = text.rfind('\n', at == 0 ? 0 : at - 1);
  lineStart = lineStart == std::string::npos || at == 0 ? 0 : lineStart + 1;
  int line =
      1 + static_cast<int>(std::count(text.begin(), text.begin() + at, '\n'));
  return ToolError(path, line,
                   "not valid JSON at column " +
                       std::to_string(at - lineStart + 1) + ": " + what);
}

// The record the JSON text `text` of the file at `path` describes, read with
// the SAX parser (a device series entry by entry); ToolError when the text
// is not JSON or does not describe a record.
// The memory a JSON read may keep, the text included: that of any read,
// eight times its size limit.
std::uint64_t JsonMemoryBound(size_t limit) {
  return std::uint64_t{platform::kMemoryBoundPerLimitByte} * limit;
}

AnyRecord ReadJsonRecord(const std::string& path, const std::string& text,
                         size_t limit) {
  // The parse is the long part of a large JSON's reading.
  platform::ProgressReport progress;
  progress.Start(platform::ProgressWork::kReading, path, text.size());
  try {
    return ReadRecordJson(text, JsonMemoryBound(limit), &progress);
  } catch (const JsonSyntaxError& error) {
    throw JsonParseError(path, text, error);
  } catch (const JsonError& error) {
    throw ToolError(path, error.what());
  } catch (const JsonBoundExceeded& error) {
    throw ToolError(path, error.what());
  }
}

// The findings of meaning in what a file held: the series' or the
// standalone record's.
std::vector<Finding> FindingsOf(const AnyRecord& record) {
  return std::visit([](const auto& value) { return CheckRecord(value); },
                    record);
}

// An empty language entry that the writer filled with the English text.
bool IsLanguageFilledFromEnglish(const Difference& difference) {
  if (difference.kind != Difference::kChanged || difference.before != "\"\"") {
    return false;
  }
  const std::string language =
      difference.path.substr(difference.path.rfind('.') + 1);
  const auto& keys = LanguageKeys();
  return std::find(keys.begin() + 1, keys.end(), language) != keys.end();
}

}  // namespace

int ForEachFile(const std::vector<std::string>& paths, std::ostream& err,
                const std::function<bool(const std::string& path)>& each) {
  bool allWell = true;
  for (const std::string& path : paths) {
    try {
      allWell = each(path) && allWell;
    } catch (const ToolError& error) {
      // Standard output failing ends everything.
      if (error.file() == kStandardOutputName) throw;
      err << error.what() << '\n';
      allWell = false;
    }
  }
  return allWell ? kExitSuccess : kExitFailure;
}

int RunDump(const Arguments& arguments, std::ostream& out, std::ostream& err) {
  const JsonForm form =
      arguments.Has("memory") ? JsonForm::kMemory : JsonForm::kFile;
  const bool pretty = !arguments.Has("compact");
  return ForEachFile(arguments.operands, err, [&](const std::string& path) {
    // Printed from the record as the emitter goes: no JSON tree of it.
    AnyRecord record = ReadRecordFile(path, arguments.sizeLimit);
    WriteRecordJson(out, record, form, pretty);
    if (!pretty) out << '\n';
    Flush(out);
    return true;
  });
}

int RunBuild(const Arguments& arguments, std::ostream& out, std::ostream& err) {
  // Everything is checked before the target is touched, and a file is
  // replaced only once it is whole.
  // The warnings are found before the target is replaced too, so that
  // once it is, only printing remains.
  const std::string& source = arguments.operands[0];
  const size_t limit = arguments.sizeLimit.Streamed();
  const std::string text = ReadJsonText(source, limit);
  AnyRecord stored;
  PreparedFile file = PrepareRecordFile(
      arguments.operands[1], ReadJsonRecord(source, text, limit), &stored);
  // What the file holds in another form than the JSON gave it: a float
  // rounded to the digits the format keeps, a value the reader derives.
  // A language left empty takes the English text, as the format says. The
  // JSON is read again for it, record by record, rather than kept.
  std::vector<Difference> differences;
  try {
    platform::ProgressReport progress;
    progress.Start(platform::ProgressWork::kComparing, source, text.size());
    differences =
        CompareRecordJson(text, stored, JsonMemoryBound(limit), &progress);
  } catch (const JsonError& error) {
    throw ToolError(source, error.what());
  } catch (const JsonBoundExceeded& error) {
    throw ToolError(source, error.what());
  }
  stored = AnyRecord();
  CommitRecordFile(file, out);
  for (const Difference& difference : differences) {
    if (IsLanguageFilledFromEnglish(difference)) continue;
    err << Located(source, 0,
                   "warning: " + difference.ToString() +
                       " (the file stores the value on the right)")
        << '\n';
  }
  return kExitSuccess;
}

int RunRoundtrip(const Arguments& arguments, std::ostream& out, std::ostream&) {
  WriteRecordFile(arguments.operands[1],
                  ReadRecordFile(arguments.operands[0], arguments.sizeLimit),
                  out);
  return kExitSuccess;
}

int RunValidate(const Arguments& arguments, std::ostream& out,
                std::ostream& err) {
  const bool strict = arguments.Has("strict");
  const bool quiet = arguments.Has("quiet");
  const std::optional<std::string> schema = arguments.Get("schema");
  return ForEachFile(arguments.operands, err, [&](const std::string& path) {
    // The library's reader first, streamed as dump reads: its refusal makes
    // the file invalid even where the schema allows it, and what it read
    // is checked for values the format tolerates but no printer means.
    ReadReport report;
    report.collectWarnings = strict;
    std::optional<ToolError> refusal;
    std::vector<Finding> findings;
    try {
      findings = FindingsOf(ReadRecordFile(path, arguments.sizeLimit, &report));
    } catch (const ToolError& error) {
      refusal = error;
    }

    // Then the schema, in one streamed pass that finds the findings'
    // lines too. A file that is not well-formed ends here, said once.
    std::vector<std::string> wanted;
    for (const Finding& finding : findings) wanted.push_back(finding.path);
    const SchemaCheck check =
        ValidateFile(path, schema, arguments.sizeLimit.Streamed(), wanted);
    for (const LineMessage& violation : check.violations) {
      err << Located(path, violation.line, violation.text) << '\n';
    }
    for (const ReadDiagnostic& warning : report.warnings) {
      err << Located(path, warning.line, "warning: " + warning.ToString())
          << '\n';
    }
    if (report.warningsLeftOut > 0) {
      err << Located(path, 0,
                     "warning: " + std::to_string(report.warningsLeftOut) +
                         " more coerced values not shown")
          << '\n';
    }
    for (const Finding& finding : findings) {
      auto line = check.lines.find(finding.path);
      err << Located(path, line != check.lines.end() ? line->second : 0,
                     "warning: " + finding.path + ": " + finding.message)
          << '\n';
    }
    if (refusal) err << refusal->what() << '\n';

    const bool warned = !report.warnings.empty() ||
                        report.warningsLeftOut > 0 || !findings.empty();
    if (!check.violations.empty() || refusal || (strict && warned)) {
      return false;
    }
    if (!quiet) {
      out << path << ": valid\n";
      Flush(out);
    }
    return true;
  });
}

}  // namespace dsrtool
