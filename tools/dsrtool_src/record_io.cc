#include "tools/dsrtool_src/record_io.h"

#include <exception>
#include <memory>
#include <type_traits>

#include "platform/com.h"
#include "platform/file_system.h"
#include "tools/dsrtool_src/custom_color_file.h"
#include "tools/dsrtool_src/tool_error.h"

namespace dsrtool {

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

// Runs a standalone loader or saver of the library and turns each way it
// reports failure into a ToolError: a false result (`failure` says what it
// means), a component error, an integer code or a standard exception.
template <typename Operation>
void Run(const std::string& path, std::string_view root,
         const std::string& failure, Operation&& operation) {
  bool ok = false;
  try {
    ok = operation();
  } catch (const _com_error& error) {
    throw ToolError(path, DescribeComError(root, error, path));
  } catch (int code) {
    throw ToolError(path, "the " + std::string(root) +
                              " element cannot be handled (code " +
                              std::to_string(code) + ")");
  } catch (const std::exception& error) {
    throw ToolError(path, error.what());
  }
  if (!ok) throw ToolError(path, failure);
}

std::string VersionText(const ICommonIO& io) {
  IOVersion version;
  io.GetVersion(version);
  return std::to_string(version.nMajor) + "." + std::to_string(version.nMinor);
}

// Why DeviceSeriesIO2::Read (or, for an older file, the 1.0 reader it hands
// the file to) refused the file at `path`: the same steps again, this time
// with their errors kept.
template <typename IO>
std::string ExplainUnreadableSeries(const std::string& path) {
  IO io(path);
  try {
    if (!io.EnsureDocumentLoaded()) return "cannot be loaded";
    DomNode root = io.LocateRootElement();
    DeviceSeries scratch;
    io.ReadDeviceSeries(root, scratch);
    return "cannot be read as a device-series document";
  } catch (const ICommonIO::VersionMismatchException& mismatch) {
    if constexpr (std::is_same_v<IO, DeviceSeriesIO2>) {
      if (IsOlderVersion(mismatch.m_found, mismatch.m_expected)) {
        return ExplainUnreadableSeries<DeviceSeriesIO>(path);
      }
    }
    DeviceSeriesIO2 current(path);
    DeviceSeriesIO older(path);
    return "format version " + mismatch.m_found.ToString() +
           " is refused by the version gate of this host (it reads versions " +
           VersionText(current) + " and " + VersionText(older) + ")";
  } catch (const ICommonIO::InterpretException&) {
    return "no DeviceSeries root element";
  } catch (const _com_error& error) {
    if (error.Error() == platform::E_POINTER) {
      return "a list, record field or command string the DeviceSeries "
             "element must hold is missing";
    }
    return DescribeComError("DeviceSeries", error, path);
  } catch (int code) {
    return "the DeviceSeries element cannot be read (code " +
           std::to_string(code) + ")";
  } catch (const std::exception& error) {
    return error.what();
  }
}

// The library's reader of each kind.
void ReadInto(const std::string& path, DeviceSeries& series) {
  DeviceSeriesIO2 io(path);
  if (!io.Read(series)) {
    throw ToolError(path, ExplainUnreadableSeries<DeviceSeriesIO2>(path));
  }
}

const std::string kUnreadable = "the record cannot be read";

void ReadInto(const std::string& path, ModelInfo& r) {
  Run(path, "ModelInfo", kUnreadable,
      [&] { return ModelInfoIO().LoadModelInfoFile(path, r); });
}
void ReadInto(const std::string& path, InkInfo& r) {
  Run(path, "InkInfo", kUnreadable,
      [&] { return InkInfoIO().LoadInkInfoFile(path, r); });
}
void ReadInto(const std::string& path, InkConfigInfo& r) {
  Run(path, "InkConfigInfo", kUnreadable,
      [&] { return InkConfigInfoIO().LoadInkConfigInfoFile(path.c_str(), r); });
}
void ReadInto(const std::string& path, ResolutionInfo& r) {
  Run(path, "ResolutionInfo", kUnreadable,
      [&] { return ResolutionInfoIO().LoadResolutionInfoFile(path, r); });
}
void ReadInto(const std::string& path, ModeInfo& r) {
  Run(path, "ModeInfo", kUnreadable,
      [&] { return ModeInfoIO().LoadModeInfoFile(path, r); });
}
void ReadInto(const std::string& path, PatternInfo& r) {
  Run(path, "PatternInfo", kUnreadable,
      [&] { return PatternInfoIO().LoadPatternInfoFile(path, r); });
}
void ReadInto(const std::string& path, MediaInfo& r) {
  Run(path, "MediaInfo", kUnreadable,
      [&] { return MediaInfoIO().LoadMediaInfoFile(path, r); });
}
void ReadInto(const std::string& path, SeparationInfo& r) {
  Run(path, "SeparationInfo", kUnreadable,
      [&] { return SeparationInfoIO().LoadSeparationInfoFile(path, r); });
}
void ReadInto(const std::string& path, VControlPoint& r) {
  Run(path, "VControlPoint", kUnreadable,
      [&] { return LoadVControlPointFile(path, r); });
}
void ReadInto(const std::string& path, TimeStamp& r) {
  Run(path, "TimeStamp",
      "the TimeStamp element lacks one of year, month, day, hour, minute, "
      "second, ms",
      [&] { return LoadTimeStampFile(path, r); });
}
void ReadInto(const std::string& path, CustomColorInfo& r) {
  Run(path, "CustomColorInfo",
      "the second child of the CustomColorInfo element is not a CMYKColor or "
      "CMYKOGColor element",
      [&] { return LoadCustomColorInfoFile(path, r); });
}

// The library's writer of each kind.
const std::string kUnwritable = "the file cannot be written";

void WriteFrom(const std::string& path, DeviceSeries& series) {
  DeviceSeriesIO2 io(path);
  if (!io.Write(series)) throw ToolError(path, kUnwritable);
}
void WriteFrom(const std::string& path, ModelInfo& r) {
  Run(path, "ModelInfo", kUnwritable,
      [&] { return ModelInfoIO().SaveModelInfoFile(path, r); });
}
void WriteFrom(const std::string& path, InkInfo& r) {
  Run(path, "InkInfo", kUnwritable,
      [&] { return InkInfoIO().SaveInkInfoFile(path, r); });
}
void WriteFrom(const std::string& path, InkConfigInfo& r) {
  Run(path, "InkConfigInfo", kUnwritable,
      [&] { return InkConfigInfoIO().SaveInkConfigInfoFile(path.c_str(), r); });
}
void WriteFrom(const std::string& path, ResolutionInfo& r) {
  Run(path, "ResolutionInfo", kUnwritable,
      [&] { return ResolutionInfoIO().SaveResolutionInfoFile(path, r); });
}
void WriteFrom(const std::string& path, ModeInfo& r) {
  Run(path, "ModeInfo", kUnwritable,
      [&] { return ModeInfoIO().SaveModeInfoFile(path, r); });
}
void WriteFrom(const std::string& path, PatternInfo& r) {
  Run(path, "PatternInfo", kUnwritable,
      [&] { return PatternInfoIO().SavePatternInfoFile(path, r); });
}
void WriteFrom(const std::string& path, MediaInfo& r) {
  Run(path, "MediaInfo", kUnwritable,
      [&] { return MediaInfoIO().SaveMediaInfoFile(path, r); });
}
void WriteFrom(const std::string& path, SeparationInfo& r) {
  Run(path, "SeparationInfo", kUnwritable,
      [&] { return SeparationInfoIO().SaveSeparationInfoFile(path, r); });
}
void WriteFrom(const std::string& path, VControlPoint& r) {
  Run(path, "VControlPoint", kUnwritable,
      [&] { return SaveVControlPointFile(path, r); });
}
void WriteFrom(const std::string& path, TimeStamp& r) {
  Run(path, "TimeStamp", kUnwritable,
      [&] { return SaveTimeStampFile(path, r); });
}
void WriteFrom(const std::string& path, CustomColorInfo& r) {
  // Without a CMYK or CMYKOG colour the element has no colour child, and
  // the reader cannot take it back: refuse before anything is written.
  if (r.nColorSpace != 2 && r.nColorSpace != 4) {
    throw ToolError(path, "nColorSpace " + std::to_string(r.nColorSpace) +
                              " cannot be written: a custom colour is CMYK "
                              "(2) or CMYKOG (4)");
  }
  Run(path, "CustomColorInfo", kUnwritable,
      [&] { return SaveCustomColorInfoFile(path, r); });
}

}  // namespace

std::unique_ptr<platform::DomDocument> LoadXmlFile(const std::string& path) {
  platform::FileSystem& fs = *platform::FileSystem::Current();
  if (fs.IsDirectory(path)) throw ToolError(path, "is a folder, not a file");
  auto document = std::make_unique<platform::DomDocument>();
  if (document->Load(path)) return document;
  const platform::DomParseError& error = document->parseError();
  if (error.errorCode == platform::XML_E_FILEIO) {
    throw ToolError(path, WithoutFilePrefix(error.reason, path));
  }
  std::string first =
      error.messages.empty() ? error.reason : error.messages.front();
  throw ToolError(path, "not well-formed XML: " + first);
}

AnyRecord ReadRecordFile(const std::string& path) {
  std::unique_ptr<platform::DomDocument> document = LoadXmlFile(path);
  std::string root;
  for (DomNode node = document->GetFirstChild(); node;
       node = node.GetNextSibling()) {
    if (node.GetNodeType() == platform::NODE_ELEMENT) {
      root = node.GetNodeName();
      break;
    }
  }
  std::optional<AnyRecord> record = NewRecordForRoot(root);
  if (!record) {
    throw ToolError(path, "the root element \"" + root + "\" is not one of " +
                              RootNameList());
  }
  std::visit([&](auto& value) { ReadInto(path, value); }, *record);
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

void WriteRecordFile(const std::string& path, AnyRecord& record) {
  CheckOutputPath(path);
  std::visit([&](auto& value) { WriteFrom(path, value); }, record);
}

}  // namespace dsrtool
