#include "tools/dsrtool_src/report/report_input.h"

#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "devseries/platform/file_system.h"
#include "tools/digest/sha256.h"
#include "tools/dsrtool_src/record_io.h"
#include "tools/dsrtool_src/tool_error.h"

namespace dsrtool {

using namespace ::devseries;

ReportInput ReadReportInput(const std::string& path, const SizeLimit& limit) {
  ReportInput input;
  DeviceSeriesIO2 io(path);
  io.SetSizeLimit(limit.given);
  if (!io.Read(input.series)) {
    // The tool's own reading says what is wrong, as for every command.
    ReadDeviceSeriesFile(path, limit);
    throw ToolError(path, "cannot be read as a device-series document");
  }
  input.facts.version = io.m_fileVersion.ToString();
  tovra::Sha256 sha256;
  const platform::FileError error =
      platform::FileSystem::Current()->ReadFileInPieces(
          path, limit.Streamed(), [&](std::string_view piece) {
            sha256.Update(piece);
            input.facts.size += piece.size();
            return true;
          });
  if (error != platform::FileError::kNone) {
    throw ToolError(path, "cannot be read again for its checksum: " +
                              platform::FileErrorText(error));
  }
  input.facts.sha256 = sha256.HexDigest();
  return input;
}

std::string PageDate() {
  using namespace std::chrono;
  sys_seconds now = floor<seconds>(system_clock::now());
  if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) {
    std::int64_t seconds = 0;
    const char* end = epoch + std::strlen(epoch);
    auto [stop, problem] = std::from_chars(epoch, end, seconds);
    if (problem == std::errc() && stop == end) {
      now = sys_seconds(std::chrono::seconds(seconds));
    }
  }
  const year_month_day day{floor<days>(now)};
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u", int{day.year()},
                unsigned{day.month()}, unsigned{day.day()});
  return text;
}

}  // namespace dsrtool
