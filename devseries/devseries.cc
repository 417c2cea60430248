#include "devseries/devseries.h"

#include <exception>
#include <memory>
#include <optional>
#include <ostream>
#include <utility>

#include "devseries/platform/com.h"
#include "devseries/platform/com_codes.h"
#include "devseries/platform/dom.h"
#include "devseries/platform/file_system.h"
#include "devseries/xmlio/read_session.h"
#include "devseries/xmlio/record_files.h"
#include "devseries/xmlio/xml_stream_writer.h"

namespace devseries {

namespace {

constexpr const char* kMemoryName = "<memory>";
constexpr const char* kStreamName = "<stream>";

StatusCode CodeOf(ReadFailure failure) {
  if (failure == ReadFailure::kCannotRead) return StatusCode::kCannotRead;
  if (failure == ReadFailure::kRefused) return StatusCode::kRefused;
  if (failure == ReadFailure::kNotWellFormed) return StatusCode::kNotWellFormed;
  return StatusCode::kNotReadable;
}

// The outcome of a read of `file` that `report` tells of: ok when `read`,
// else its failure (`fallback` when the report does not say why); the
// coerced values either way.
Status FromReport(const ReadReport& report, const std::string& file, bool read,
                  const std::string& fallback) {
  Status status;
  if (!read) {
    const ReadDiagnostic& error = report.error;
    status = Status(CodeOf(report.failure), file,
                    error.message.empty() ? fallback : error.message,
                    error.line, error.elementPath);
  }
  status.SetFile(file);
  for (const ReadDiagnostic& warning : report.warnings) {
    status.AddWarning({warning.line, warning.elementPath, warning.message});
  }
  status.SetWarningsLeftOut(report.warningsLeftOut);
  return status;
}

// What a raised error says, from inside its handler.
std::string CurrentErrorText(std::string_view root) {
  try {
    throw;
  } catch (const _com_error& error) {
    if (error.Error() == platform::E_POINTER) {
      return "the " + std::string(root) +
             " element lacks a required child element";
    }
    return error.Description().empty() ? error.ErrorMessage()
                                       : error.Description();
  } catch (int code) {
    return "the " + std::string(root) + " element cannot be handled (code " +
           std::to_string(code) + ")";
  } catch (const std::exception& error) {
    return error.what();
  } catch (...) {
    return "an unknown error";
  }
}

void ApplyReadOptions(ICommonIO& io, const ReadOptions& options) {
  io.SetSizeLimit(options.sizeLimit);
  io.Report().collectWarnings = options.warnings;
  switch (options.versionPolicy) {
    case VersionPolicy::kOff:
      io.SetVersionGate(ICommonIO::VersionGate::kOff);
      break;
    case VersionPolicy::kHost:
      io.SetVersionGate(ICommonIO::VersionGate::kOn);
      break;
    case VersionPolicy::kCaller:
      io.SetVersionGate(ICommonIO::VersionGate::kOn, options.version);
      break;
  }
}

// Reads with `io` into a fresh series that replaces `series` when read.
Status ReadInto(DeviceSeriesIO2& io, const std::string& name,
                DeviceSeries& series) {
  DeviceSeries fresh;
  bool read = false;
  std::string problem = "cannot be read as a device-series document";
  try {
    read = io.Read(fresh);
  } catch (...) {
    problem = CurrentErrorText("DeviceSeries");
  }
  if (read) series = std::move(fresh);
  return FromReport(io.Report(), name, read, problem);
}

// The file the stream writer makes of `series` (a copy: the writer sizes
// the media feed-calibration lists), piece by piece to `sink`. Raises what
// the writer raises.
bool StreamSeries(const DeviceSeries& series,
                  const XmlStreamWriter::Sink& sink) {
  ScopedComInit com;
  DeviceSeries copy = series;
  DeviceSeriesIO2 io("");
  IOVersion version;
  io.GetVersion(version);
  XmlStreamWriter writer(sink);
  writer.Declaration();
  io.WriteDeviceSeries(writer, copy, version.ToString());
  return writer.Finish();
}

// The bytes of `series` as a file, or nothing when it cannot be written.
std::optional<std::string> StoredBytes(const DeviceSeries& series) {
  std::string bytes;
  try {
    if (StreamSeries(series, [&](std::string_view piece) {
          bytes.append(piece);
          return true;
        })) {
      return bytes;
    }
  } catch (...) {
  }
  return std::nullopt;
}

// Reads the standalone file of a record element named `root` with the
// format's loader `load(record, report)`: the root element of a regular
// file is checked first (a file of another kind is refused, where the
// loader would read nothing and succeed), the loader's every way of failing
// becomes a Status, and `record` is replaced only when read.
template <typename Record, typename Load>
Status ReadStandalone(const std::string& path, Record& record,
                      const ReadOptions& options, std::string_view root,
                      Load&& load) {
  if (path.empty()) {
    return Status(StatusCode::kInvalidArgument, path, "no file named");
  }
  ScopedComInit com;
  std::optional<platform::ScopedDocumentSizeLimit> limit;
  if (options.sizeLimit != 0) limit.emplace(options.sizeLimit);

  ReadReport report;
  report.collectWarnings = options.warnings;
  // The root is looked at first only in a file that can be read twice: a
  // pipe is read once, by the loader, as the format's loaders read it.
  platform::FileInfo info;
  const bool regular = platform::FileSystem::Current()->Stat(path, &info) ==
                           platform::FileError::kNone &&
                       info.kind == platform::FileKind::kRegular;
  if (regular) {
    DomDocument head;
    if (!head.LoadUpToRootElement(path)) {
      RecordLoadFailure(head.parseError(), path, report);
      return FromReport(report, path, false, "cannot be read");
    }
    DomNode found = head.AsNode().GetFirstChild();
    while (found && found.GetNodeType() != platform::NODE_ELEMENT) {
      found = found.GetNextSibling();
    }
    if (!found || found.GetNodeName() != root) {
      return Status(StatusCode::kNotReadable, path,
                    "the root element is " +
                        (found ? "\"" + found.GetNodeName() + "\""
                               : std::string("missing")) +
                        ", not \"" + std::string(root) + "\"");
    }
  }

  Record fresh;
  bool read = false;
  std::string problem = "the " + std::string(root) + " element cannot be read";
  try {
    read = load(fresh, report);
  } catch (...) {
    problem = CurrentErrorText(root);
  }
  read = read && report.error.IsEmpty();
  if (read) record = std::move(fresh);
  return FromReport(report, path, read, problem);
}

// The reason a failed write left in a report ("cannot write PATH:
// REASON"), without the path: the status names the file on its own.
std::string WriteReason(const ReadReport& report, const std::string& path) {
  const std::string& reason = report.error.message;
  const std::string prefix = "cannot write " + path + ": ";
  if (reason.compare(0, prefix.size(), prefix) == 0) {
    return reason.substr(prefix.size());
  }
  return reason;
}

// Writes a standalone record file with the format's saver
// `save(report)`, whichever way it fails (false with its reason in
// `report`, or a raised error).
template <typename Save>
Status WriteStandalone(const std::string& path, std::string_view root,
                       Save&& save) {
  if (path.empty()) {
    return Status(StatusCode::kInvalidArgument, path, "no file named");
  }
  ReadReport report;
  std::string problem = "the " + std::string(root) + " file cannot be written";
  try {
    if (save(report)) return Status(StatusCode::kOk, path, {});
    if (!report.error.message.empty()) problem = WriteReason(report, path);
  } catch (...) {
    problem = CurrentWriteExceptionReason(path);
  }
  return Status(StatusCode::kCannotWrite, path, problem);
}

}  // namespace

Status ReadSeries(const std::string& path, DeviceSeries& series,
                  const ReadOptions& options) {
  if (path.empty()) {
    return Status(StatusCode::kInvalidArgument, path, "no file named");
  }
  DeviceSeriesIO2 io(path);
  ApplyReadOptions(io, options);
  return ReadInto(io, path, series);
}

Status ReadSeriesFromMemory(std::string_view text, DeviceSeries& series,
                            const ReadOptions& options) {
  DeviceSeriesIO2 io(kMemoryName);
  ApplyReadOptions(io, options);
  const size_t limit = io.SizeLimit(false);
  auto document = std::make_shared<DomDocument>();
  document->SetSizeLimit(limit);
  document->SetMemoryBound(std::uint64_t{limit} *
                           DeviceSeriesIO::kMemoryBoundPerFileByte);
  bool loaded = false;
  try {
    loaded = document->LoadFromMemory(text, kMemoryName);
  } catch (...) {
    return Status(StatusCode::kCannotRead, kMemoryName,
                  CurrentErrorText("DeviceSeries"));
  }
  if (!loaded) {
    ReadReport report;
    RecordLoadFailure(document->parseError(), kMemoryName, report);
    return FromReport(report, kMemoryName, false, "cannot be read");
  }
  // A held document is read as a read through the DOM reads it.
  io.m_creator.m_pDocument = std::move(document);
  return ReadInto(io, kMemoryName, series);
}

Status WriteSeries(const DeviceSeries& series, const std::string& path,
                   const WriteOptions& options) {
  if (path.empty()) {
    return Status(StatusCode::kInvalidArgument, path, "no file named");
  }
  DeviceSeries copy = series;
  DeviceSeriesIO2 io(path);
  bool written = false;
  std::string problem = "cannot be written";
  try {
    written = options.keepFileVersion ? io.WriteKeepingFileVersion(copy)
                                      : io.Write(copy);
  } catch (...) {
    problem = CurrentWriteExceptionReason(path);
  }
  if (written) return Status(StatusCode::kOk, path, {});
  if (!io.Report().error.message.empty()) {
    problem = WriteReason(io.Report(), path);
  }
  return Status(StatusCode::kCannotWrite, path, problem);
}

Status WriteSeries(const DeviceSeries& series, std::ostream& out,
                   const WriteOptions& options) {
  if (options.keepFileVersion) {
    return Status(StatusCode::kInvalidArgument, kStreamName,
                  "a stream has no file whose version could be kept");
  }
  try {
    if (StreamSeries(series, [&](std::string_view piece) {
          out.write(piece.data(), static_cast<std::streamsize>(piece.size()));
          return static_cast<bool>(out);
        })) {
      return Status(StatusCode::kOk, kStreamName, {});
    }
  } catch (...) {
    return Status(StatusCode::kCannotWrite, kStreamName,
                  CurrentWriteExceptionReason(kStreamName));
  }
  return Status(StatusCode::kCannotWrite, kStreamName,
                "the stream did not take the bytes");
}

Status ReadRecordFile(const std::string& path, ModelInfo& record,
                      const ReadOptions& options) {
  return ReadStandalone(path, record, options, "ModelInfo",
                        [&](ModelInfo& r, ReadReport& report) {
                          return ModelInfoIO().LoadModelInfoFile(path, r,
                                                                 &report);
                        });
}
Status ReadRecordFile(const std::string& path, InkInfo& record,
                      const ReadOptions& options) {
  return ReadStandalone(path, record, options, "InkInfo",
                        [&](InkInfo& r, ReadReport& report) {
                          return InkInfoIO().LoadInkInfoFile(path, r, &report);
                        });
}
Status ReadRecordFile(const std::string& path, InkConfigInfo& record,
                      const ReadOptions& options) {
  return ReadStandalone(path, record, options, "InkConfigInfo",
                        [&](InkConfigInfo& r, ReadReport& report) {
                          return InkConfigInfoIO().LoadInkConfigInfoFile(
                              path.c_str(), r, &report);
                        });
}
Status ReadRecordFile(const std::string& path, ResolutionInfo& record,
                      const ReadOptions& options) {
  return ReadStandalone(path, record, options, "ResolutionInfo",
                        [&](ResolutionInfo& r, ReadReport& report) {
                          return ResolutionInfoIO().LoadResolutionInfoFile(
                              path, r, &report);
                        });
}
Status ReadRecordFile(const std::string& path, ModeInfo& record,
                      const ReadOptions& options) {
  return ReadStandalone(
      path, record, options, "ModeInfo", [&](ModeInfo& r, ReadReport& report) {
        return ModeInfoIO().LoadModeInfoFile(path, r, &report);
      });
}
Status ReadRecordFile(const std::string& path, PatternInfo& record,
                      const ReadOptions& options) {
  return ReadStandalone(path, record, options, "PatternInfo",
                        [&](PatternInfo& r, ReadReport& report) {
                          return PatternInfoIO().LoadPatternInfoFile(path, r,
                                                                     &report);
                        });
}
Status ReadRecordFile(const std::string& path, MediaInfo& record,
                      const ReadOptions& options) {
  return ReadStandalone(path, record, options, "MediaInfo",
                        [&](MediaInfo& r, ReadReport& report) {
                          return MediaInfoIO().LoadMediaInfoFile(path, r,
                                                                 &report);
                        });
}
Status ReadRecordFile(const std::string& path, SeparationInfo& record,
                      const ReadOptions& options) {
  return ReadStandalone(path, record, options, "SeparationInfo",
                        [&](SeparationInfo& r, ReadReport& report) {
                          return SeparationInfoIO().LoadSeparationInfoFile(
                              path, r, &report);
                        });
}
Status ReadRecordFile(const std::string& path, VControlPoint& record,
                      const ReadOptions& options) {
  return ReadStandalone(path, record, options, "VControlPoint",
                        [&](VControlPoint& r, ReadReport& report) {
                          return LoadVControlPointFile(path, r, &report);
                        });
}
Status ReadRecordFile(const std::string& path, CustomColorInfo& record,
                      const ReadOptions& options) {
  return ReadStandalone(path, record, options, "CustomColorInfo",
                        [&](CustomColorInfo& r, ReadReport& report) {
                          return LoadCustomColorInfoFile(path, r, &report);
                        });
}

Status WriteRecordFile(const ModelInfo& record, const std::string& path) {
  return WriteStandalone(path, "ModelInfo", [&](ReadReport&) {
    return ModelInfoIO().SaveModelInfoFile(path, record);
  });
}
Status WriteRecordFile(const InkInfo& record, const std::string& path) {
  return WriteStandalone(path, "InkInfo", [&](ReadReport&) {
    return InkInfoIO().SaveInkInfoFile(path, record);
  });
}
Status WriteRecordFile(const InkConfigInfo& record, const std::string& path) {
  return WriteStandalone(path, "InkConfigInfo", [&](ReadReport& report) {
    return InkConfigInfoIO().SaveInkConfigInfoFile(path.c_str(), record,
                                                   &report);
  });
}
Status WriteRecordFile(const ResolutionInfo& record, const std::string& path) {
  return WriteStandalone(path, "ResolutionInfo", [&](ReadReport&) {
    return ResolutionInfoIO().SaveResolutionInfoFile(path, record);
  });
}
Status WriteRecordFile(const ModeInfo& record, const std::string& path) {
  return WriteStandalone(path, "ModeInfo", [&](ReadReport&) {
    return ModeInfoIO().SaveModeInfoFile(path, record);
  });
}
Status WriteRecordFile(const PatternInfo& record, const std::string& path) {
  return WriteStandalone(path, "PatternInfo", [&](ReadReport&) {
    return PatternInfoIO().SavePatternInfoFile(path, record);
  });
}
Status WriteRecordFile(const MediaInfo& record, const std::string& path) {
  return WriteStandalone(path, "MediaInfo", [&](ReadReport&) {
    return MediaInfoIO().SaveMediaInfoFile(path, record);
  });
}
Status WriteRecordFile(const SeparationInfo& record, const std::string& path) {
  return WriteStandalone(path, "SeparationInfo", [&](ReadReport&) {
    return SeparationInfoIO().SaveSeparationInfoFile(path, record);
  });
}
Status WriteRecordFile(const VControlPoint& record, const std::string& path) {
  return WriteStandalone(path, "VControlPoint", [&](ReadReport& report) {
    return SaveVControlPointFile(path, record, &report);
  });
}
Status WriteRecordFile(const CustomColorInfo& record, const std::string& path) {
  return WriteStandalone(path, "CustomColorInfo", [&](ReadReport&) {
    return SaveRecordFile(path, [&] {
      return CreateRecordDocument([&](DomDocument& document) {
        return WriteCustomColorInfo(document, record);
      });
    });
  });
}

OutputTableSamples Samples(const OutputTable& table) {
  OutputTableSamples samples{};
  for (size_t i = 0; i < samples.size(); ++i) {
    samples[i] = table[OutputTableSamplePosition(i)];
  }
  return samples;
}

void SetSamples(OutputTable& table, const OutputTableSamples& samples) {
  BuildOutputTable(samples, table);
}

bool StoredEqual(const DeviceSeries& a, const DeviceSeries& b) {
  std::optional<std::string> first = StoredBytes(a);
  std::optional<std::string> second = StoredBytes(b);
  if (!first || !second) return a == b;
  return *first == *second;
}

}  // namespace devseries
