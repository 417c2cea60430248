#include "tools/dsrtool_src/record_io.h"

#include <exception>
#include <memory>
#include <ostream>

#include "platform/com.h"
#include "platform/file_system.h"
#include "tools/dsrtool_src/custom_color_file.h"
#include "tools/dsrtool_src/memory_files.h"
#include "tools/dsrtool_src/tool_error.h"
#include "xmlio/read_session.h"
#include "xmlio/value_codecs.h"

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

// The refusal of the file at `path` as a ToolError: the reader's own
// located message when its report has one, else `fallback`.
[[noreturn]] void ThrowRefused(const std::string& path,
                               const ReadReport& report,
                               const std::string& fallback) {
  if (!report.error.IsEmpty()) {
    throw ToolError(path, report.error.line, report.error.ToString());
  }
  throw ToolError(path, fallback);
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

// The library's reader of each kind; `report` receives its report.
void ReadInto(const std::string& path, DeviceSeries& series,
              ReadReport& report) {
  DeviceSeriesIO2 io(path);
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

// The document the library's writer of each kind makes.
DomDocumentPtr BuildDocument(const std::string&, DeviceSeries& series) {
  // As DeviceSeriesIO2::Write builds it: the declaration, then the root
  // with the class's own version.
  DeviceSeriesIO2 io("");
  IOVersion version;
  io.GetVersion(version);
  auto document = std::make_shared<DomDocument>();
  document->InsertBefore(
      document->CreateProcessingInstruction("xml", kXmlDeclarationData),
      DomNode());
  DomNode root = io.WriteDeviceSeries(*document, series);
  root.SetAttribute("strVersion", version.ToString());
  document->AppendChild(root);
  return document;
}
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

// "130.2 MiB (136524343 bytes)".
std::string SizeText(size_t bytes) {
  constexpr size_t kMiB = size_t{1} << 20;
  return std::to_string(bytes / kMiB) + "." +
         std::to_string(bytes % kMiB * 10 / kMiB) + " MiB (" +
         std::to_string(bytes) + " bytes)";
}

// Raises ToolError naming `name` when the library's readers would refuse
// `bytes` as the file `name`: over their size limit, or refused by the
// reader of its kind, read from memory.
AnyRecord CheckReadable(const std::string& name, const std::string& bytes) {
  if (bytes.size() > platform::kMaxDocumentBytes) {
    throw ToolError(name,
                    "not written: the file would be " + SizeText(bytes.size()) +
                        ", over the " +
                        std::to_string(platform::kMaxDocumentBytes >> 20) +
                        " MiB the library reads");
  }
  MemoryFiles written;
  written.Add(name, bytes);
  try {
    return ReadRecordFile(name);
  } catch (const ToolError& refused) {
    std::string where = refused.line() > 0
                            ? " (line " + std::to_string(refused.line()) + ")"
                            : std::string();
    throw ToolError(name,
                    "not written: the library's reader would refuse the file" +
                        where + ": " + refused.problem());
  }
}

}  // namespace

std::unique_ptr<platform::DomDocument> LoadXmlFile(const std::string& path) {
  platform::FileSystem& fs = *platform::FileSystem::Current();
  if (fs.IsDirectory(path)) throw ToolError(path, "is a folder, not a file");
  auto document = std::make_unique<platform::DomDocument>();
  if (document->Load(path)) return document;
  ReadReport report;
  RecordLoadFailure(document->parseError(), path, report);
  throw ToolError(path, report.error.line, report.error.ToString());
}

AnyRecord ReadRecordFile(const std::string& path, ReadReport* report) {
  std::unique_ptr<platform::DomDocument> document = LoadXmlFile(path);
  DomNode root;
  for (DomNode node : document->AsNode().Children()) {
    if (node.GetNodeType() == platform::NODE_ELEMENT) {
      root = node;
      break;
    }
  }
  std::string name = root ? root.GetNodeName() : std::string();
  std::optional<AnyRecord> record = NewRecordForRoot(name);
  if (!record) {
    throw ToolError(
        path, root ? root.GetLine() : 0,
        "the root element \"" + name + "\" is not one of " + RootNameList());
  }
  document.reset();
  ReadReport own;
  ReadReport& used = report != nullptr ? *report : own;
  used.Reset();
  std::visit([&](auto& value) { ReadInto(path, value, used); }, *record);
  return std::move(*record);
}

DeviceSeries ReadDeviceSeriesFile(const std::string& path) {
  AnyRecord record = ReadRecordFile(path);
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
  DomDocumentPtr document;
  try {
    document = std::visit(
        [&](auto& value) { return BuildDocument(name, value); }, record);
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
  if (!document) throw ToolError(name, "the file cannot be written");
  return document->ToXml();
}

void WriteRecordFile(const std::string& path, AnyRecord& record,
                     std::ostream& out, AnyRecord* stored) {
  const bool toOut = path == kStandardStream;
  const std::string name = toOut ? kStandardOutputName : path;
  if (!toOut) CheckOutputPath(path);
  const std::string bytes = SerializeRecord(name, record);
  AnyRecord readBack = CheckReadable(name, bytes);
  if (stored != nullptr) *stored = std::move(readBack);
  if (toOut) {
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    Flush(out);
    return;
  }
  platform::FileError error = platform::ReplaceFileAtomically(
      *platform::FileSystem::Current(), path, bytes);
  if (error != platform::FileError::kNone) {
    throw ToolError(path, platform::FileErrorText(error));
  }
}

}  // namespace dsrtool
