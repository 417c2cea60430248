#include <algorithm>
#include <charconv>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <variant>
#include <vector>

#include "tools/dsrtool_src/commands.h"
#include "tools/dsrtool_src/record_io.h"
#include "tools/dsrtool_src/tool_error.h"

namespace dsrtool {

using namespace ::devseries;

namespace {

// The eType of a table whose output curve the file stores.
constexpr std::int32_t kStoredCurve = 1;
// Without --csv, every 256th input level and the last one.
constexpr size_t kTableStep = 256;

// One column: a channel's curve, named "SEPARATION:CHANNEL".
struct Curve {
  std::string name;
  const OutputTable* table;
};

// The value of --separation: an integer, or a usage error.
std::int32_t SeparationOption(const std::string& text) {
  std::int32_t value = 0;
  const char* end = text.data() + text.size();
  auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end) {
    throw UsageError(
        "curves: --separation wants an integer nSeparationIndex, "
        "not \"" +
        text + "\"");
  }
  return value;
}

// The separations of the file at `path`, read within `limit`: a device
// series's list, or the record of a separation file. Raises ToolError for
// any other kind.
std::vector<SeparationInfo> SeparationsOf(const std::string& path,
                                          const SizeLimit& limit) {
  AnyRecord record = ReadRecordFile(path, limit);
  if (auto* series = std::get_if<DeviceSeries>(&record)) {
    return std::move(series->aSeparationInfoList);
  }
  if (auto* separation = std::get_if<SeparationInfo>(&record)) {
    return {std::move(*separation)};
  }
  throw ToolError(path, "is a standalone " + std::string(RootName(record)) +
                            " file, not a device-series or separation file");
}

// A CSV field: quoted (quotes doubled) when it holds a comma, a quote or a
// line break.
std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

void PrintCsv(const std::vector<Curve>& curves, std::ostream& out) {
  out << "input";
  for (const Curve& curve : curves) out << ',' << CsvField(curve.name);
  out << '\n';
  for (size_t input = 0; input < kOutputTableSize; ++input) {
    out << input;
    for (const Curve& curve : curves) out << ',' << (*curve.table)[input];
    out << '\n';
  }
}

// `text` right-aligned in `width` columns.
std::string Right(const std::string& text, size_t width) {
  return std::string(width > text.size() ? width - text.size() : 0, ' ') + text;
}

void PrintTable(const std::vector<Curve>& curves, std::ostream& out) {
  const std::string input = "input";
  out << input;
  std::vector<size_t> widths;
  for (const Curve& curve : curves) {
    // Room for the name and for the widest level, 4095.
    widths.push_back(std::max<size_t>(curve.name.size(), 4) + 2);
    out << Right(curve.name, widths.back());
  }
  out << '\n';
  std::vector<size_t> levels;
  for (size_t level = 0; level < kOutputTableSize; level += kTableStep) {
    levels.push_back(level);
  }
  levels.push_back(kOutputTableSize - 1);
  for (size_t level : levels) {
    out << Right(std::to_string(level), input.size());
    for (size_t i = 0; i < curves.size(); ++i) {
      out << Right(std::to_string((*curves[i].table)[level]), widths[i]);
    }
    out << '\n';
  }
}

}  // namespace

int RunCurves(const Arguments& arguments, std::ostream& out,
              std::ostream& err) {
  const std::string& path = arguments.operands[0];
  std::optional<std::int32_t> only;
  if (std::optional<std::string> text = arguments.Get("separation")) {
    only = SeparationOption(*text);
  }
  const std::vector<SeparationInfo> separations =
      SeparationsOf(path, arguments.sizeLimit);

  std::vector<Curve> curves;
  // The separations selected that store no curve at all.
  std::vector<std::string> without;
  bool found = false;
  for (const SeparationInfo& separation : separations) {
    if (only && separation.nSeparationIndex != *only) continue;
    found = true;
    const std::string index = std::to_string(separation.nSeparationIndex);
    const size_t before = curves.size();
    const std::vector<SeparationTable>& tables =
        separation.aSeparationTableList;
    for (size_t i = 0; i < tables.size(); ++i) {
      if (tables[i].eType != kStoredCurve) continue;
      const std::string& channel = tables[i].strInputChannel;
      curves.push_back(
          {index + ":" + (channel.empty() ? std::to_string(i) : channel),
           &tables[i].usOutputTable});
    }
    if (curves.size() == before) without.push_back(index);
  }
  if (separations.empty()) throw ToolError(path, "has no separations");
  if (!found) {
    throw ToolError(path, "has no separation whose nSeparationIndex is " +
                              std::to_string(*only));
  }
  const std::string none = " stores no output curve (no table has eType 1)";
  if (curves.empty()) {
    throw ToolError(path, without.size() == 1
                              ? "separation " + without[0] + none
                              : "no separation" + none);
  }
  for (const std::string& index : without) {
    err << Located(path, 0, "note: separation " + index + none) << '\n';
  }

  if (arguments.Has("csv")) {
    PrintCsv(curves, out);
  } else {
    PrintTable(curves, out);
  }
  Flush(out);
  return kExitSuccess;
}

}  // namespace dsrtool
