// Reading and writing the files dsrtool handles, through the library's own
// readers and writers, with one-line explanations when a file cannot be
// read or written.
#pragma once

#include <iosfwd>
#include <memory>
#include <string>

#include "devseries/platform/dom.h"
#include "devseries/xmlio/read_report.h"
#include "tools/dsrtool_src/record_kinds.h"
#include "tools/dsrtool_src/size_limit.h"
#include "tools/dsrtool_src/tool_error.h"

namespace dsrtool {

using namespace ::devseries;

// Reads the file at `path` with the library's reader of the kind its root
// element names: a fresh DeviceSeriesIO2's Read for a device series (with
// the host's version gate), which streams the file, the standalone loaders
// otherwise. Only the root element's start tag is read before, to learn the
// kind; no file is loaded whole unless its kind's reader loads it.
// The file must not be over `limit`'s streamed limit (which --max-size
// sets); the standalone loaders refuse a file over the library's 128 MiB
// besides. Raises ToolError
// saying where and what is wrong: the reader's located message when it
// gives one. When `report` is given it receives the reader's report, with
// the values the reader coerced when its collectWarnings is set.
AnyRecord ReadRecordFile(const std::string& path, const SizeLimit& limit,
                         ReadReport* report = nullptr);

// As ReadRecordFile, for a file that must be a device series.
DeviceSeries ReadDeviceSeriesFile(const std::string& path,
                                  const SizeLimit& limit);

// The refusal of the file at `path` whose load failed as `error` tells,
// as a ToolError at the line the load gives, worded as the library's
// readers word it (RecordLoadFailure). A file refused for being over the
// load's size limit ends with SizeRefusalHint() ("... over the 128 MiB
// limit (--max-size SIZE raises it)"); no other refusal does, a tree over
// its memory bound included.
ToolError LoadFailureError(const std::string& path,
                           const platform::DomParseError& error);

// The refusal that `report`, a reader's report on the file at `path`,
// holds, as a ToolError at the line it gives; `fallback` when the report
// says nothing. A refusal for the file's size ends with SizeRefusalHint().
ToolError ReportedRefusal(const std::string& path, const ReadReport& report,
                          const std::string& fallback);

// Raises ToolError when nothing can be written at `path`: it is a folder,
// or its folder does not exist.
void CheckOutputPath(const std::string& path);

// The file the library's writer of the record's kind makes for `record`
// (DeviceSeriesIO2's streamed writer for a device series, as format version
// 3.3, with the media feed calibration lists sized to the number of
// models), as the bytes it saves. Raises ToolError naming `name` when the
// writer fails.
std::string SerializeRecord(const std::string& name, AnyRecord& record);

// Writes `record` to `path`, or to `out` when `path` is "-". The file is
// made in memory first (`record` is let go once it is) and read back with
// the library's readers under their default limits, the ones the updater
// reads with: when it would be over the size they read, or a reader would
// refuse it, the target is not touched and ToolError says why. A file is
// then replaced atomically, so a failure leaves the previous file (or none)
// in place. `stored`, when given, receives the record as the file holds
// it, read back.
void WriteRecordFile(const std::string& path, AnyRecord record,
                     std::ostream& out, AnyRecord* stored = nullptr);

// WriteRecordFile in two steps, so that a command can finish its own
// checks between them: PrepareRecordFile makes the file in memory and
// reads it back (raising ToolError as WriteRecordFile does, the target
// untouched), CommitRecordFile writes the bytes to `path` (or `out`).
struct PreparedFile {
  std::string path;
  std::string bytes;
};
PreparedFile PrepareRecordFile(const std::string& path, AnyRecord record,
                               AnyRecord* stored = nullptr);
void CommitRecordFile(PreparedFile& file, std::ostream& out);

}  // namespace dsrtool
