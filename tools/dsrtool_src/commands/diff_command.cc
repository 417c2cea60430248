#include <charconv>
#include <cmath>
#include <optional>
#include <ostream>
#include <string>

#include "devseries/platform/process.h"
#include "tools/dsrtool_src/commands.h"
#include "tools/dsrtool_src/diff/diff_output.h"
#include "tools/dsrtool_src/diff/record_diff.h"
#include "tools/dsrtool_src/record_io.h"
#include "tools/dsrtool_src/tool_error.h"

namespace dsrtool {

namespace {

// The lines diff prints on a terminal unless --max-lines says otherwise:
// a screenful or a few, enough to see what kind of change it is; --stat
// tells the whole of it.
constexpr size_t kTerminalLines = 200;

struct DiffSettings {
  DiffOptions options;
  bool stat = false;
  bool colour = false;
  size_t maxLines = 0;  // 0: every line
};

// The whole of `text` as a number of type T; nothing otherwise.
template <typename T>
std::optional<T> Number(const std::string& text) {
  T value{};
  const char* end = text.data() + text.size();
  auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
  return value;
}

// The settings the options of `arguments` give; raises UsageError for a
// value they do not take.
DiffSettings Settings(const Arguments& arguments) {
  DiffSettings settings;
  settings.stat = arguments.Has("stat");
  if (std::optional<std::string> text = arguments.Get("tolerance")) {
    const std::optional<double> tolerance = Number<double>(*text);
    if (!tolerance || !std::isfinite(*tolerance) || *tolerance < 0) {
      throw UsageError(
          "diff: --tolerance wants a number of 0 or more (\"0.5\"), "
          "not \"" +
          *text + "\"");
    }
    settings.options.tolerance = *tolerance;
  }
  const std::string when = arguments.Get("color").value_or("auto");
  if (when == "always") {
    settings.colour = true;
  } else if (when == "auto") {
    settings.colour = arguments.outputIsTerminal;
  } else if (when != "never") {
    throw UsageError("diff: --color wants auto, always or never, not \"" +
                     when + "\"");
  }
  // A console that cannot show colours gets none unless they are asked for.
  if (arguments.outputIsTerminal && settings.colour &&
      !platform::EnableTerminalColours() && when == "auto") {
    settings.colour = false;
  }
  if (std::optional<std::string> text = arguments.Get("max-lines")) {
    const std::optional<size_t> lines = Number<size_t>(*text);
    if (!lines) {
      throw UsageError(
          "diff: --max-lines wants a whole number, 0 for every "
          "line, not \"" +
          *text + "\"");
    }
    settings.maxLines = *lines;
  } else if (arguments.outputIsTerminal) {
    settings.maxLines = kTerminalLines;
  }
  return settings;
}

}  // namespace

int RunDiff(const Arguments& arguments, std::ostream& out, std::ostream& err) {
  const DiffSettings settings = Settings(arguments);
  const std::string& pathA = arguments.operands[0];
  const std::string& pathB = arguments.operands[1];
  try {
    // The two records are all the comparison holds: the differences go to
    // `out` as they are found.
    const AnyRecord a = ReadRecordFile(pathA, arguments.sizeLimit);
    const AnyRecord b = ReadRecordFile(pathB, arguments.sizeLimit);
    if (a.index() != b.index()) {
      out << "A (" << pathA << ") is a " << RootName(a) << " file, B (" << pathB
          << ") a " << RootName(b) << " file\n";
      Flush(out);
      return kExitFailure;
    }
    size_t found = 0;
    if (settings.stat) {
      DifferenceSummary summary;
      DiffRecords(a, b, settings.options, summary);
      summary.Print(out, settings.colour);
      found = summary.found();
    } else {
      DifferencePrinter printer(out, settings.colour, settings.maxLines);
      DiffRecords(a, b, settings.options, printer);
      printer.Finish();
      found = printer.found();
    }
    Flush(out);
    return found == 0 ? kExitSuccess : kExitFailure;
  } catch (const ToolError& error) {
    // A file that cannot be compared, or output that cannot be written, is
    // neither the same nor different: the tool failed.
    err << error.what() << '\n';
    return kExitUsage;
  }
}

}  // namespace dsrtool
