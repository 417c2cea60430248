// The time stamp value and its standalone file.
#pragma once

#include <cstdint>
#include <string>

#pragma GCC visibility push(default)
namespace devseries {

struct ReadReport;

struct TimeStamp {
  std::uint16_t year = 0;
  std::uint8_t month = 0;
  std::uint8_t day = 0;
  std::uint8_t hour = 0;
  std::uint8_t minute = 0;
  std::uint8_t second = 0;
  std::uint16_t ms = 0;

  bool operator==(const TimeStamp&) const;
  bool operator!=(const TimeStamp& other) const { return !(*this == other); }
};

// Writes a file whose root element is "TimeStamp" (after the XML
// declaration). False when the runtime, the DOM service or the write fails;
// the previous file is then left as it was.
[[nodiscard]] bool SaveTimeStampFile(const std::string& path,
                                     const TimeStamp& stamp);
// As above; `report` (when not null) is reset and then tells why the file
// was not written (RecordWriteFailure: "cannot write PATH: REASON").
[[nodiscard]] bool SaveTimeStampFile(const std::string& path,
                                     const TimeStamp& stamp,
                                     ReadReport* report);
// Reads the "TimeStamp" root element of the file at `path`. False, with
// `stamp` unchanged, when the file cannot be loaded or has no such root or
// the root lacks one of its seven children.
[[nodiscard]] bool LoadTimeStampFile(const std::string& path, TimeStamp& stamp);
// As above; `report` (when not null) is reset and then tells why the file
// was not read, and where.
[[nodiscard]] bool LoadTimeStampFile(const std::string& path, TimeStamp& stamp,
                                     ReadReport* report);

}  // namespace devseries
#pragma GCC visibility pop
