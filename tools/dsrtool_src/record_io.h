// Reading and writing the files dsrtool handles, through the library's own
// readers and writers, with one-line explanations when a file cannot be
// read or written.
#pragma once

#include <iosfwd>
#include <memory>
#include <string>

#include "platform/dom.h"
#include "tools/dsrtool_src/record_kinds.h"
#include "xmlio/read_report.h"

namespace dsrtool {

using namespace ::devseries;

// Loads the file at `path` as XML. Raises ToolError when it is missing, is
// a folder, cannot be read or is not well-formed XML (with the first
// parser message and its line).
std::unique_ptr<platform::DomDocument> LoadXmlFile(const std::string& path);

// Reads the file at `path` with the library's reader of the kind its root
// element names: DeviceSeriesIO2::Read for a device series (with the host's
// version gate), the standalone loaders otherwise. Raises ToolError saying
// where and what is wrong: the reader's located message when it gives one.
// When `report` is given it receives the reader's report, with the values
// the reader coerced when its collectWarnings is set.
AnyRecord ReadRecordFile(const std::string& path, ReadReport* report = nullptr);

// As ReadRecordFile, for a file that must be a device series.
DeviceSeries ReadDeviceSeriesFile(const std::string& path);

// Raises ToolError when nothing can be written at `path`: it is a folder,
// or its folder does not exist.
void CheckOutputPath(const std::string& path);

// The file the library's writer of the record's kind makes for `record`
// (DeviceSeriesIO2's document for a device series, as format version 3.3,
// with the media feed calibration lists sized to the number of models), as
// the bytes it saves. Raises ToolError naming `name` when the writer fails.
std::string SerializeRecord(const std::string& name, AnyRecord& record);

// Writes `record` to `path`, or to `out` when `path` is "-". The file is
// made in memory first and read back with the library's readers: when it
// would be over the readers' size limit, or a reader would refuse it, the
// target is not touched and ToolError says why. A file is then replaced
// atomically, so a failure leaves the previous file (or none) in place.
// `stored`, when given, receives the record as the file holds it, read back.
void WriteRecordFile(const std::string& path, AnyRecord& record,
                     std::ostream& out, AnyRecord* stored = nullptr);

}  // namespace dsrtool
