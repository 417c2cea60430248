#include <cstdio>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "devseries/merge_update.h"
#include "devseries/platform/debug_output.h"
#include "devseries/platform/file_system.h"
#include "devseries/platform/process.h"
#include "tools/dsrtool_src/commands.h"
#include "tools/dsrtool_src/memory_files.h"
#include "tools/dsrtool_src/record_io.h"
#include "tools/dsrtool_src/tool_error.h"

namespace dsrtool {

using namespace ::devseries;

namespace {

// `text` in double quotes, with quotes, backslashes and control characters
// escaped, so that a name shows on one line and where it ends.
std::string Quoted(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (byte < 0x20 || byte == 0x7f) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02x", byte);
      quoted += escape;
    } else {
      quoted += c;
    }
  }
  return quoted + "\"";
}

std::string MediaAt(size_t position, const std::string& name) {
  return "media[" + std::to_string(position) + "] " + Quoted(name);
}

// The summary, one fact per line, in the order the merge did them:
//
//   version 3.2.0.0 -> 3.3.1.0
//   carried over: media[0] "Vinyl" visible=no
//   appended: media[2] "Own"
//   calibration cut: media[2] "Own" permission[0] index 0: 6 -> 4 entries
//   media: 1 carried over, 1 appended; calibration lists: 1 cut
void PrintSummary(const MergeSummary& summary, std::ostream& out) {
  out << "version " << summary.installedVersion.ToString() << " -> "
      << summary.mergedVersion.ToString() << '\n';
  for (const MergeSummary::CarriedOver& media : summary.carriedOver) {
    out << "carried over: " << MediaAt(media.position, media.name)
        << " visible=" << (media.visible ? "yes" : "no") << '\n';
  }
  for (const MergeSummary::Appended& media : summary.appended) {
    out << "appended: " << MediaAt(media.position, media.name) << '\n';
  }
  for (const MergeSummary::CalibrationCut& cut : summary.calibrationCuts) {
    out << "calibration cut: " << MediaAt(cut.media, cut.mediaName)
        << " permission[" << cut.permission << "] index " << cut.permissionIndex
        << ": " << cut.before << " -> " << cut.after << " entries\n";
  }
  out << "media: " << summary.carriedOver.size() << " carried over, "
      << summary.appended.size()
      << " appended; calibration lists: " << summary.calibrationCuts.size()
      << " cut\n";
}

// Reads the device series at `path` as the merge reads it (a fresh
// DeviceSeriesIO2, which streams the file, under the host's version gate),
// within `limit`. `asRead`, when given, receives the version the file is
// marked with; `kept`, when given, the version a merged file written over a
// copy of it keeps. Raises the tool's ToolError for a file that does not
// read.
DeviceSeries ReadMergeInput(const std::string& path, const SizeLimit& limit,
                            IOVersion* asRead, IOVersion* kept) {
  DeviceSeries series;
  DeviceSeriesIO2 io(path);
  io.SetSizeLimit(limit.given);
  if (!io.Read(series)) {
    // The tool's own reading says what is wrong, as for every command.
    ReadDeviceSeriesFile(path, limit);
    throw ToolError(path, "cannot be read as a device-series document");
  }
  if (asRead != nullptr) *asRead = io.m_fileVersion;
  if (kept != nullptr) *kept = io.KeptFileVersion();
  return series;
}

// The installed file, opened once without waiting, its links followed as
// the merge follows them: while this lives, reads of its path are reads of
// that open file. Anything but a regular file is refused before a byte of
// it is read (a FIFO would wait for a writer for ever).
class OpenInstalledFile {
 public:
  explicit OpenInstalledFile(const std::string& path)
      : fs_(*platform::FileSystem::Current()) {
    platform::FileInfo info;
    platform::FileError error =
        fs_.OpenForReading(path, {true, true}, &handle_, &info);
    // Windows refuses to open a folder for reading; POSIX systems open it.
    if (error == platform::FileError::kIsDirectory) {
      throw ToolError(path, "is a folder, not a file");
    }
    if (error != platform::FileError::kNone) {
      throw ToolError(path,
                      "cannot be read: " + platform::FileErrorText(error));
    }
    if (info.kind != platform::FileKind::kRegular) {
      fs_.Close(handle_);
      throw ToolError(path, info.kind == platform::FileKind::kDirectory
                                ? "is a folder, not a file"
                                : "is not a regular file (a device, a FIFO "
                                  "or a socket)");
    }
    served_.emplace(path, handle_, info);
  }
  ~OpenInstalledFile() {
    served_.reset();
    fs_.Close(handle_);
  }
  OpenInstalledFile(const OpenInstalledFile&) = delete;
  OpenInstalledFile& operator=(const OpenInstalledFile&) = delete;

 private:
  platform::FileSystem& fs_;
  platform::FileSystem::Handle handle_ = -1;
  std::optional<platform::ScopedOpenFileReads> served_;
};

// --dry-run: the merge computed in memory from the two files; nothing is
// written, moved or removed.
int DryRun(const std::string& installed, const std::string& fresh,
           const SizeLimit& limit, std::ostream& out) {
  MergeSummary summary;
  // In the order the tool checks them before a merge, so that both refuse
  // the same file with the same message.
  DeviceSeries merged =
      ReadMergeInput(fresh, limit, nullptr, &summary.mergedVersion);
  DeviceSeries before;
  {
    OpenInstalledFile open(installed);
    before =
        ReadMergeInput(installed, limit, &summary.installedVersion, nullptr);
  }
  MergeDeviceSeries(before, merged, &summary);
  out << "dry run: merging " << fresh << " into " << installed
      << " would give (nothing is written)\n";
  PrintSummary(summary, out);
  Flush(out);
  return kExitSuccess;
}

}  // namespace

int RunMerge(const Arguments& arguments, std::ostream& out, std::ostream&) {
  const std::string& installed = arguments.operands[0];
  const std::string& fresh = arguments.operands[1];
  const SizeLimit& limit = arguments.sizeLimit;
  if (arguments.Has("dry-run")) return DryRun(installed, fresh, limit, out);

  // Both files must read as device series before anything is touched. (The
  // library would install the new file outright over a missing or broken
  // installed file; the tool refuses such input instead.)
  ReadDeviceSeriesFile(fresh, limit);
  {
    OpenInstalledFile open(installed);
    ReadDeviceSeriesFile(installed, limit);
  }
  // Which file NEW is (told by the open file, as every system tells it):
  // the merge refuses to remove it as a file of its own.
  platform::FileInfo freshFile;
  bool freshKnown = false;
  if (fresh != kStandardStream) {
    platform::FileSystem& fs = *platform::FileSystem::Current();
    platform::FileSystem::Handle handle = -1;
    freshKnown = fs.OpenForReading(fresh, {true, true}, &handle, &freshFile) ==
                 platform::FileError::kNone;
    if (freshKnown) fs.Close(handle);
  }

  // A reader of standard output that went away must not end the tool once
  // the file is merged, but leave it to say so and fail.
  platform::FailWritesToBrokenPipes();
  // The library's debug line would repeat the outcome's problem.
  platform::ScopedDebugCapture quiet;
  MergeOutcome outcome = MergeUpdateDeviceSeriesWith(
      installed, CopyNewFileFrom(fresh, limit.Streamed()), limit.Streamed(),
      freshKnown ? &freshFile : nullptr);
  if (outcome.kind != MergeOutcome::kMerged) {
    throw ToolError(installed, "not merged: " + OneLine(outcome.problem));
  }
  // The file is merged: a summary that cannot be printed must not hide that.
  out << "merged " << fresh << " into " << installed << '\n';
  PrintSummary(outcome.summary, out);
  out.flush();
  if (!out) {
    throw ToolError(installed, "merged from " + fresh +
                                   ", but the summary cannot be written to " +
                                   kStandardOutputName);
  }
  return kExitSuccess;
}

}  // namespace dsrtool
