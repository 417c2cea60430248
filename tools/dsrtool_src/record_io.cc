#include "tools/dsrtool_src/record_io.h"

#include <exception>
#include <memory>
#include <ostream>
#include <type_traits>
#include <utility>

#include "devseries/platform/com.h"
#include "devseries/platform/com_codes.h"
#include "devseries/platform/file_system.h"
#include "devseries/xmlio/read_session.h"
#include "devseries/xmlio/value_codecs.h"
#include "devseries/xmlio/xml_stream_writer.h"
#include "tools/dsrtool_src/custom_color_file.h"
#include "tools/dsrtool_src/memory_files.h"
#include "tools/dsrtool_src/tool_error.h"

namespace dsrtool {

using namespace ::devseries;

namespace {

// What a component error raised while reading or writing the `root`
// element of the file at `path` means to the user.
std::string DescribeComError(std::string_view root, const _com_error& error,
                             const std::string& path) {
  if (error.Error() == platform::E_POINTER) {
    return "the " + std::string(root) +
           " element lacks a required child element";
  }
  if (error.Description().empty()) return error.ErrorMessage();
  return WithoutFilePrefix(error.Description(), path);
}

// True when `report` refuses its file for being over the size limit of the
// read: RecordLoadFailure's wording of that refusal, the only one of a
// whole file that starts so ("the file is 238.0 MiB (249561088 bytes),
// over the 128 MiB limit"). The memory bound's refusal names the document
// read so far.
bool IsSizeRefusal(const ReadReport& report) {
  const std::string& message = report.error.message;
  return report.failure == ReadFailure::kRefused &&
         report.error.elementPath.empty() &&
         message.starts_with("the file is ") && message.ends_with(" limit");
}

// The refusal of the file at `path` as a ToolError: the reader's own
// located message when its report has one, else `fallback`.
[[noreturn]] void ThrowRefused(const std::string& path,
                               const ReadReport& report,
                               const std::string& fallback) {
  throw ReportedRefusal(path, report, fallback);
}

// Runs a standalone loader of the library and turns each way it reports
// failure into a ToolError: a false result (`failure` says what it means),
// a component error, an integer code or a standard exception. The loader's
// report, when it says where the read failed, gives the message.
template <typename Operation>
void Run(const std::string& path, std::string_view root,
         const std::string& failure, const ReadReport& report,
         Operation&& operation) {
  std::string problem = failure;
  try {
    if (operation()) return;
  } catch (const _com_error& error) {
    problem = DescribeComError(root, error, path);
  } catch (int code) {
    problem = "the " + std::string(root) + " element cannot be handled (code " +
              std::to_string(code) + ")";
  } catch (const std::exception& error) {
    problem = error.what();
  }
  ThrowRefused(path, report, problem);
}

// The reader of each kind; `report` receives its report. A device series is
// read by a fresh IO object, which holds no document and so streams the
// file, within `limit`.
void ReadInto(const std::string& path, DeviceSeries& series, ReadReport& report,
              const SizeLimit& limit) {
  DeviceSeriesIO2 io(path);
  io.SetSizeLimit(limit.given);
  io.Report().collectWarnings = report.collectWarnings;
  bool read = io.Read(series);
  report = io.Report();
  if (!read) {
    ThrowRefused(path, report, "cannot be read as a device-series document");
  }
}

const std::string kUnreadable = "the record cannot be read";

void ReadInto(const std::string& path, ModelInfo& r, ReadReport& report) {
  Run(path, "ModelInfo", kUnreadable, report,
      [&] { return ModelInfoIO().LoadModelInfoFile(path, r, &report); });
}
void ReadInto(const std::string& path, InkInfo& r, ReadReport& report) {
  Run(path, "InkInfo", kUnreadable, report,
      [&] { return InkInfoIO().LoadInkInfoFile(path, r, &report); });
}
void ReadInto(const std::string& path, InkConfigInfo& r, ReadReport& report) {
  Run(path, "InkConfigInfo", kUnreadable, report, [&] {
    return InkConfigInfoIO().LoadInkConfigInfoFile(path.c_str(), r, &report);
  });
}
void ReadInto(const std::string& path, ResolutionInfo& r, ReadReport& report) {
  Run(path, "ResolutionInfo", kUnreadable, report, [&] {
    return ResolutionInfoIO().LoadResolutionInfoFile(path, r, &report);
  });
}
void ReadInto(const std::string& path, ModeInfo& r, ReadReport& report) {
  Run(path, "ModeInfo", kUnreadable, report,
      [&] { return ModeInfoIO().LoadModeInfoFile(path, r, &report); });
}
void ReadInto(const std::string& path, PatternInfo& r, ReadReport& report) {
  Run(path, "PatternInfo", kUnreadable, report,
      [&] { return PatternInfoIO().LoadPatternInfoFile(path, r, &report); });
}
void ReadInto(const std::string& path, MediaInfo& r, ReadReport& report) {
  Run(path, "MediaInfo", kUnreadable, report,
      [&] { return MediaInfoIO().LoadMediaInfoFile(path, r, &report); });
}
void ReadInto(const std::string& path, SeparationInfo& r, ReadReport& report) {
  Run(path, "SeparationInfo", kUnreadable, report, [&] {
    return SeparationInfoIO().LoadSeparationInfoFile(path, r, &report);
  });
}
void ReadInto(const std::string& path, VControlPoint& r, ReadReport& report) {
  Run(path, "VControlPoint", kUnreadable, report,
      [&] { return LoadVControlPointFile(path, r, &report); });
}
void ReadInto(const std::string& path, TimeStamp& r, ReadReport& report) {
  Run(path, "TimeStamp",
      "the TimeStamp element lacks one of year, month, day, hour, minute, "
      "second, ms",
      report, [&] { return LoadTimeStampFile(path, r, &report); });
}
void ReadInto(const std::string& path, CustomColorInfo& r, ReadReport& report) {
  Run(path, "CustomColorInfo",
      "the second child of the CustomColorInfo element is not a CMYKColor or "
      "CMYKOGColor element",
      report,
      [&] { return devseries::LoadCustomColorInfoFile(path, r, &report); });
}

// The document the library's writer of each standalone kind makes.
DomDocumentPtr BuildDocument(const std::string&, ModelInfo& r) {
  return ModelInfoIO().CreateModelInfoDocument(r);
}
DomDocumentPtr BuildDocument(const std::string&, InkInfo& r) {
  return InkInfoIO().CreateInkInfoDocument(r);
}
DomDocumentPtr BuildDocument(const std::string&, InkConfigInfo& r) {
  return InkConfigInfoIO().CreateInkConfigInfoDocument(r);
}
DomDocumentPtr BuildDocument(const std::string&, ResolutionInfo& r) {
  return ResolutionInfoIO().CreateResolutionInfoDocument(r);
}
DomDocumentPtr BuildDocument(const std::string&, ModeInfo& r) {
  return ModeInfoIO().CreateModeInfoDocument(r);
}
DomDocumentPtr BuildDocument(const std::string&, PatternInfo& r) {
  return PatternInfoIO().CreatePatternInfoDocument(r);
}
DomDocumentPtr BuildDocument(const std::string&, MediaInfo& r) {
  return MediaInfoIO().CreateMediaInfoDocument(r);
}
DomDocumentPtr BuildDocument(const std::string&, SeparationInfo& r) {
  return SeparationInfoIO().CreateSeparationInfoDocument(r);
}
DomDocumentPtr BuildDocument(const std::string&, VControlPoint& r) {
  return CreateVControlPointDocument(r);
}
DomDocumentPtr BuildDocument(const std::string&, TimeStamp& r) {
  // As SaveTimeStampFile builds it.
  auto document = std::make_shared<DomDocument>();
  document->InsertBefore(
      document->CreateProcessingInstruction("xml", kXmlDeclarationData),
      DomNode());
  document->AppendChild(WriteTimeStamp(*document, "TimeStamp", r));
  return document;
}
DomDocumentPtr BuildDocument(const std::string& name, CustomColorInfo& r) {
  // Without a CMYK or CMYKOG colour the element has no colour child, and
  // the reader cannot take it back: refuse before anything is written.
  if (r.nColorSpace != 2 && r.nColorSpace != 4) {
    throw ToolError(name, "nColorSpace " + std::to_string(r.nColorSpace) +
                              " cannot be written: a custom colour is CMYK "
                              "(2) or CMYKOG (4)");
  }
  return CreateCustomColorInfoDocument(r);
}

// The bytes of the file the library's writer of each kind saves. A device
// series as DeviceSeriesIO2::Write streams it, element by element, with the
// class's own version; the others through their documents.
std::string Serialize(const std::string& name, DeviceSeries& series) {
  DeviceSeriesIO2 io("");
  IOVersion version;
  io.GetVersion(version);
  std::string bytes;
  XmlStreamWriter writer([&](std::string_view piece) {
    bytes.append(piece);
    return true;
  });
  writer.Declaration();
  io.WriteDeviceSeries(writer, series, version.ToString());
  if (!writer.Finish()) throw ToolError(name, "the file cannot be written");
  return bytes;
}
template <typename Record>
std::string Serialize(const std::string& name, Record& record) {
  DomDocumentPtr document = BuildDocument(name, record);
  if (!document) throw ToolError(name, "the file cannot be written");
  return document->ToXml();
}

// "130.2 MiB (136524343 bytes)".
std::string SizeText(size_t bytes) {
  constexpr size_t kMiB = size_t{1} << 20;
  return std::to_string(bytes / kMiB) + "." +
         std::to_string(bytes % kMiB * 10 / kMiB) + " MiB (" +
         std::to_string(bytes) + " bytes)";
}

// Raises ToolError naming `name` when the library's readers, with the
// limits they have by default, would refuse `bytes` as the file `name`: over
// their size limit (a device series is streamed, the other kinds loaded
// whole), or refused by the reader of its kind, read from memory. Returns
// the record read, `bytes` then as they were.
AnyRecord CheckReadable(const std::string& name, std::string& bytes,
                        bool series) {
  const SizeLimit defaults;
  const size_t limit = series ? defaults.Streamed() : defaults.Whole();
  if (bytes.size() > limit) {
    throw ToolError(name, "not written: the file would be " +
                              SizeText(bytes.size()) + ", over the " +
                              LimitText(limit) + " the library reads");
  }
  // The bytes are served from memory while they are read back, and then
  // taken back, so that they are held once.
  MemoryFiles written;
  written.Add(name, std::move(bytes));
  AnyRecord record;
  try {
    record = ReadRecordFile(name, defaults);
  } catch (const ToolError& refused) {
    std::string where = refused.line() > 0
                            ? " (line " + std::to_string(refused.line()) + ")"
                            : std::string();
    throw ToolError(name,
                    "not written: the library's reader would refuse the file" +
                        where + ": " + refused.problem());
  }
  bytes = written.Take(name);
  return record;
}

// The name and line of the root element of the file at `path`, read up to
// the end of that element's start tag and no further; the name is empty
// when the file has none. Raises ToolError when the file is a folder, is
// over `limit`, cannot be read or is not well-formed up to there.
std::pair<std::string, int> ReadRootElement(const std::string& path,
                                            size_t limit) {
  platform::FileSystem& fs = *platform::FileSystem::Current();
  if (fs.IsDirectory(path)) throw ToolError(path, "is a folder, not a file");
  platform::DomDocument document;
  document.SetSizeLimit(limit);
  if (!document.LoadUpToRootElement(path)) {
    throw LoadFailureError(path, document.parseError());
  }
  for (DomNode node : document.AsNode().Children()) {
    if (node.GetNodeType() == platform::NODE_ELEMENT) {
      return {node.GetNodeName(), node.GetLine()};
    }
  }
  return {std::string(), 0};
}

}  // namespace

ToolError LoadFailureError(const std::string& path,
                           const platform::DomParseError& error) {
  ReadReport report;
  RecordLoadFailure(error, path, report);
  // A read error that is a refusal is the size limit's (a tree over its
  // memory bound is refused by the parse, not the read).
  const bool overSize = error.failure == platform::DomLoadFailure::kRefused &&
                        error.errorCode == platform::XML_E_FILEIO;
  const std::string problem = report.error.ToString();
  return ToolError(path, report.error.line,
                   overSize ? WithSizeRefusalHint(problem) : problem);
}

ToolError ReportedRefusal(const std::string& path, const ReadReport& report,
                          const std::string& fallback) {
  if (report.error.IsEmpty()) return ToolError(path, fallback);
  const std::string problem = report.error.ToString();
  return ToolError(
      path, report.error.line,
      IsSizeRefusal(report) ? WithSizeRefusalHint(problem) : problem);
}

AnyRecord ReadRecordFile(const std::string& path, const SizeLimit& limit,
                         ReadReport* report) {
  const auto [name, line] = ReadRootElement(path, limit.Streamed());
  std::optional<AnyRecord> record = NewRecordForRoot(name);
  if (!record) {
    throw ToolError(
        path, line,
        "the root element \"" + name + "\" is not one of " + RootNameList());
  }
  ReadReport own;
  ReadReport& used = report != nullptr ? *report : own;
  used.Reset();
  std::visit(
      [&](auto& value) {
        if constexpr (std::is_same_v<std::decay_t<decltype(value)>,
                                     DeviceSeries>) {
          ReadInto(path, value, used, limit);
        } else {
          // The standalone loaders make their own documents: they take the
          // limit of a file loaded whole, and its memory bound, from here.
          platform::ScopedDocumentSizeLimit whole(limit.Whole());
          ReadInto(path, value, used);
        }
      },
      *record);
  return std::move(*record);
}

DeviceSeries ReadDeviceSeriesFile(const std::string& path,
                                  const SizeLimit& limit) {
  AnyRecord record = ReadRecordFile(path, limit);
  if (DeviceSeries* series = std::get_if<DeviceSeries>(&record)) {
    return std::move(*series);
  }
  throw ToolError(path, "is a standalone " + std::string(RootName(record)) +
                            " file, not a device-series file");
}

void CheckOutputPath(const std::string& path) {
  platform::FileSystem& fs = *platform::FileSystem::Current();
  if (fs.IsDirectory(path)) throw ToolError(path, "is a folder, not a file");
  size_t slash = path.find_last_of("/\\");
  if (slash == std::string::npos || slash == 0) return;
  std::string folder = path.substr(0, slash);
  if (!fs.IsDirectory(folder)) {
    throw ToolError(path, "the folder " + folder + " does not exist");
  }
}

std::string SerializeRecord(const std::string& name, AnyRecord& record) {
  ScopedComInit com;
  if (!com.ok() || !IsMsxmlRegistered()) {
    throw ToolError(name, "the DOM service is not available");
  }
  const std::string_view root = RootName(record);
  try {
    return std::visit([&](auto& value) { return Serialize(name, value); },
                      record);
  } catch (const ToolError&) {
    throw;
  } catch (const _com_error& error) {
    throw ToolError(name, DescribeComError(root, error, name));
  } catch (int code) {
    throw ToolError(name, "the " + std::string(root) +
                              " element cannot be written (code " +
                              std::to_string(code) + ")");
  } catch (const std::exception& error) {
    throw ToolError(name, error.what());
  }
}

PreparedFile PrepareRecordFile(const std::string& path, AnyRecord record,
                               AnyRecord* stored) {
  const bool toOut = path == kStandardStream;
  const std::string name = toOut ? kStandardOutputName : path;
  if (!toOut) CheckOutputPath(path);
  const bool series = std::holds_alternative<DeviceSeries>(record);
  PreparedFile file{path, SerializeRecord(name, record)};
  // The file holds the record now: only the record read back is kept.
  record = AnyRecord();
  AnyRecord readBack = CheckReadable(name, file.bytes, series);
  if (stored != nullptr) *stored = std::move(readBack);
  return file;
}

void CommitRecordFile(PreparedFile& file, std::ostream& out) {
  if (file.path == kStandardStream) {
    out.write(file.bytes.data(),
              static_cast<std::streamsize>(file.bytes.size()));
    Flush(out);
    return;
  }
  platform::FileError error = platform::ReplaceFileAtomically(
      *platform::FileSystem::Current(), file.path, file.bytes);
  if (error != platform::FileError::kNone) {
    throw ToolError(file.path, platform::FileErrorText(error));
  }
}

void WriteRecordFile(const std::string& path, AnyRecord record,
                     std::ostream& out, AnyRecord* stored) {
  PreparedFile file = PrepareRecordFile(path, std::move(record), stored);
  CommitRecordFile(file, out);
}

}  // namespace dsrtool
