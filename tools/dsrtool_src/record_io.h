// Reading and writing the files dsrtool handles, through the library's own
// readers and writers, with one-line explanations when a file cannot be
// read or written.
#pragma once

#include <string>

#include "platform/dom.h"
#include "tools/dsrtool_src/record_kinds.h"

namespace dsrtool {

// Loads the file at `path` as XML. Raises ToolError when it is missing, is
// a folder, cannot be read or is not well-formed XML (with the first
// parser message and its line).
std::unique_ptr<platform::DomDocument> LoadXmlFile(const std::string& path);

// Reads the file at `path` with the library's reader of the kind its root
// element names: DeviceSeriesIO2::Read for a device series (with the host's
// version gate), the standalone loaders otherwise. Raises ToolError saying
// what is wrong.
AnyRecord ReadRecordFile(const std::string& path);

// As ReadRecordFile, for a file that must be a device series.
DeviceSeries ReadDeviceSeriesFile(const std::string& path);

// Raises ToolError when nothing can be written at `path`: it is a folder,
// or its folder does not exist.
void CheckOutputPath(const std::string& path);

// Writes `record` to `path` with the library's writer of its kind
// (DeviceSeriesIO2::Write for a device series, which sizes the media feed
// calibration lists to the number of models). The writers replace the file
// atomically, so a failure leaves the previous file (or none) in place.
// Raises ToolError on failure.
void WriteRecordFile(const std::string& path, AnyRecord& record);

}  // namespace dsrtool
