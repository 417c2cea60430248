#include "devseries/merge_update.h"

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "devseries/device_series.h"
#include "devseries/platform/debug_output.h"
#include "devseries/platform/dom.h"
#include "devseries/platform/file_system.h"
#include "devseries/platform/resource_file_writer.h"
#include "devseries/xmlio/read_report.h"
#include "devseries/xmlio/xml_stream_writer.h"

namespace devseries {

namespace {

using platform::FileError;
using platform::FileInfo;
using platform::FileKind;
using platform::FileSystem;

// The media names compared to match an installed medium with a new one.
constexpr size_t kMatchedNameEntries = 10;
// How often the installed file is opened again when another merge renamed
// its result over it while this one waited for the lock.
constexpr int kMaxOpenAttempts = 100;

// Writes one line about the merge on the debug output.
void Say(const std::string& line) {
  platform::OutputDebugStringA(
      ("MergeUpdateDeviceSeries: " + line + "\r\n").c_str());
}

// Reports a merge that could not be completed; `problem` names the file.
MergeOutcome Report(std::string problem) {
  Say(problem);
  MergeOutcome outcome;
  outcome.kind = MergeOutcome::kLeftAsItWas;
  outcome.problem = std::move(problem);
  return outcome;
}

MergeOutcome Report(const std::string& path, const std::string& what) {
  return Report(path + ": " + what);
}

// Why the read of `path` failed: "PATH:LINE: what the reader says".
std::string Located(const std::string& path, const ReadReport& report) {
  std::string text = path;
  if (report.error.line > 0) text += ":" + std::to_string(report.error.line);
  std::string what = report.error.ToString();
  return text + ": " + (what.empty() ? "cannot be read" : what);
}

// The longest name the file systems take (NAME_MAX on Linux, 255 UTF-16
// units on Windows, never more than the UTF-8 bytes that spell them).
constexpr size_t kMaxNameBytes = 255;
// The suffix of the copy kept of an installed file that is not well-formed:
// the longest of the merge's own names.
constexpr std::string_view kKeptSuffix = ".unreadable";

// How every file the merge makes beside the installed one is written: a
// link at its name is removed, never followed, and anything else there that
// is not a regular file is refused; a FIFO never makes it wait. The new
// file written over the installed one, whose links are resolved already,
// is written the same way.
const platform::ReplaceOptions kOwnFile{false, true};

std::string ErrorText(FileError error) {
  return platform::FileErrorText(error);
}

// True when the file system tells which file `info` is.
bool Known(const FileInfo& info) { return info.device != 0 || info.inode != 0; }

bool SameFile(const FileInfo& a, const FileInfo& b) {
  return Known(a) && a.device == b.device && a.inode == b.inode;
}

// Which file the regular file at `path` is, from the file itself opened
// (where a name alone tells less), its links not followed, never waiting.
FileError Identify(FileSystem& fs, const std::string& path, FileInfo* info) {
  FileSystem::Handle handle = -1;
  FileError error = fs.OpenForReading(path, {false, true}, &handle, info);
  if (error == FileError::kNone) fs.Close(handle);
  return error;
}

// Why the merge may not write or remove `path`, one of its own names:
// anything there that is neither a regular file nor a link is not the
// merge's, and neither is the new file itself (`fresh`, when known). No
// reason when nothing is there, or what an earlier merge may have left.
std::optional<std::string> WhyNotOwn(FileSystem& fs, const std::string& path,
                                     const FileInfo* fresh) {
  FileInfo info;
  FileError error = fs.LinkStat(path, &info);
  if (error == FileError::kNotFound) return std::nullopt;
  if (error != FileError::kNone) return ErrorText(error);
  if (info.kind == FileKind::kSymbolicLink) return std::nullopt;
  if (info.kind != FileKind::kRegular) {
    return ErrorText(FileError::kNotRegular) +
           ": a folder, a device, a FIFO or a socket";
  }
  FileInfo file;
  if (fresh != nullptr && Known(*fresh) &&
      Identify(fs, path, &file) == FileError::kNone && SameFile(file, *fresh)) {
    return std::string("the new file itself");
  }
  return std::nullopt;
}

// The last name of `path`.
std::string_view LastName(std::string_view path) {
  size_t separator = path.find_last_of("/\\");
  return separator == std::string_view::npos ? path
                                             : path.substr(separator + 1);
}

// A file open for reading, closed when the object goes (which ends a lock
// taken on it).
class OpenFile {
 public:
  explicit OpenFile(FileSystem& fs) : fs_(fs) {}
  ~OpenFile() { Close(); }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;

  FileError Open(const std::string& path,
                 const platform::ReadOptions& options) {
    Close();
    FileError error = fs_.OpenForReading(path, options, &handle_, &info_);
    if (error != FileError::kNone) handle_ = -1;
    return error;
  }
  void Close() {
    if (handle_ >= 0) fs_.Close(handle_);
    handle_ = -1;
  }
  FileSystem::Handle handle() const { return handle_; }
  const FileInfo& info() const { return info_; }

 private:
  FileSystem& fs_;
  FileSystem::Handle handle_ = -1;
  FileInfo info_;
};

// Reads the device series in the file open as `file`, which `path` names:
// the reader takes a path, and is served the open file under it.
bool ReadOpenSeries(const std::string& path, const OpenFile& file, size_t limit,
                    DeviceSeries& series, ReadReport* report, IOVersion* asRead,
                    IOVersion* kept) {
  platform::ScopedOpenFileReads served(path, file.handle(), file.info());
  DeviceSeriesIO2 io(path);
  io.SetSizeLimit(limit);
  const bool read = io.Read(series);
  *report = io.Report();
  if (asRead != nullptr) *asRead = io.m_fileVersion;
  if (kept != nullptr) *kept = io.KeptFileVersion();
  return read;
}

// Copies the file open as `from` (from its start) to `to`, one of the
// merge's own names, with the owner, group and mode of `like` and the
// access list and extended attributes of `from`.
FileError CopyOpenFile(FileSystem& fs, const OpenFile& from,
                       const std::string& to, const FileInfo& like,
                       size_t limit) {
  FileError error = fs.Rewind(from.handle());
  platform::FileReplacement copy;
  platform::ReplaceOptions options = kOwnFile;
  options.attributesFrom = from.handle();
  if (error == FileError::kNone) error = copy.Open(fs, to, options, &like);
  FileError writeError = FileError::kNone;
  if (error == FileError::kNone) {
    error = platform::ReadOpenFileInPieces(
        fs, from.handle(), limit, [&](std::string_view piece) {
          writeError = copy.Write(piece);
          return writeError == FileError::kNone;
        });
  }
  if (error == FileError::kNone) error = writeError;
  if (error == FileError::kNone) error = copy.Commit();
  return error;
}

// Writes the new file at `path` (nothing there, or a file that holds no
// document); the writer keeps what is there until it has the new file.
MergeOutcome InstallNew(const std::string& path,
                        const ExtractNewFile& extractNew) {
  FileError error = extractNew(path, kOwnFile);
  if (error != FileError::kNone) {
    return Report(path, "the new file cannot be written (" + ErrorText(error) +
                            "); left as it is");
  }
  MergeOutcome outcome;
  outcome.kind = MergeOutcome::kInstalledNew;
  return outcome;
}

// The installed file at `path`, open as `installed`, is not well-formed: it
// holds something of the user's that this reader cannot tell apart, so a
// copy of it, made from the open file, is kept beside it with its owner and
// mode before the new file takes its place. `problem` tells why it was not
// merged.
MergeOutcome KeepAndInstallNew(FileSystem& fs, const std::string& path,
                               const OpenFile& installed,
                               const std::string& problem,
                               const ExtractNewFile& extractNew, size_t limit) {
  const std::string kept = path + std::string(kKeptSuffix);
  std::optional<std::string> why = WhyNotOwn(fs, kept, nullptr);
  if (!why) {
    // The copy is written as the merge's own name: a link there is
    // removed, not followed.
    FileError error =
        CopyOpenFile(fs, installed, kept, installed.info(), limit);
    if (error != FileError::kNone) why = ErrorText(error);
  }
  if (why) {
    return Report(problem + "; no copy can be kept as " + kept + " (" + *why +
                  "), so it is left as it is");
  }
  FileError error = extractNew(path, kOwnFile);
  if (error != FileError::kNone) {
    // The installed file is as it was; its copy would only be clutter.
    fs.Remove(kept);
    return Report(problem + "; the new file cannot be written over it (" +
                  ErrorText(error) + "), so it is left as it is");
  }
  Say(problem + "; kept as " + kept + " and replaced by the new file");
  MergeOutcome outcome;
  outcome.kind = MergeOutcome::kInstalledNew;
  outcome.problem = problem;
  outcome.keptCopy = kept;
  return outcome;
}

// Writes the merged document `series` to `path`, one of the merge's own
// names, marked `version`, with the owner, group, mode, access list and
// extended attributes of the installed file open as `installed`.
FileError WriteMerged(FileSystem& fs, const std::string& path,
                      DeviceSeries& series, const IOVersion& version,
                      const OpenFile& installed) {
  platform::FileReplacement out;
  platform::ReplaceOptions options = kOwnFile;
  options.attributesFrom = installed.handle();
  FileError error = out.Open(fs, path, options, &installed.info());
  if (error != FileError::kNone) return error;
  XmlStreamWriter writer([&](std::string_view piece) {
    error = out.Write(piece);
    return error == FileError::kNone;
  });
  bool finished = false;
  try {
    writer.Declaration();
    DeviceSeriesIO2(path).WriteDeviceSeries(writer, series, version.ToString());
    finished = writer.Finish();
  } catch (...) {
    // A value the writer cannot write (an invalid language name).
  }
  if (error != FileError::kNone) return error;
  if (!finished) return FileError::kInvalid;
  return out.Commit();
}

// The key media are matched by: their names in the first ten languages,
// each preceded by its length, so that no two lists of names share a key.
std::string MatchKey(const MediaInfo& media) {
  std::string key;
  for (size_t i = 0; i < kMatchedNameEntries; ++i) {
    const std::string& name = media.strMediaName[i];
    key += std::to_string(name.size());
    key += ':';
    key += name;
  }
  return key;
}

// Pass 1: an installed medium that matches one of the new media gives it
// its visibility (the first of equal new media takes every match); one that
// matches none is appended. Appended media are not candidates for later
// installed media. The new media are looked up by key, so a merge of many
// media takes time in proportion to their number.
void CarryOverMedia(const DeviceSeries& installed, DeviceSeries& fresh,
                    MergeSummary* summary) {
  std::unordered_map<std::string, size_t> candidates;
  candidates.reserve(fresh.aMediaInfoList.size());
  for (size_t i = 0; i < fresh.aMediaInfoList.size(); ++i) {
    candidates.emplace(MatchKey(fresh.aMediaInfoList[i]), i);
  }
  for (const MediaInfo& media : installed.aMediaInfoList) {
    auto match = candidates.find(MatchKey(media));
    if (match != candidates.end()) {
      const size_t i = match->second;
      fresh.aMediaInfoList[i].bVisibleMedia = media.bVisibleMedia;
      if (summary != nullptr) {
        summary->carriedOver.push_back(
            {i, fresh.aMediaInfoList[i].strMediaName[0], media.bVisibleMedia});
      }
      continue;
    }
    if (summary != nullptr) {
      summary->appended.push_back(
          {fresh.aMediaInfoList.size(), media.strMediaName[0]});
    }
    fresh.aMediaInfoList.push_back(media);
  }
}

// Pass 2: no permission set keeps more calibration entries than its
// separation has input channels. A set whose separation does not exist
// keeps its list.
void TrimCalibration(DeviceSeries& fresh, MergeSummary* summary) {
  for (size_t m = 0; m < fresh.aMediaInfoList.size(); ++m) {
    MediaInfo& media = fresh.aMediaInfoList[m];
    for (size_t p = 0; p < media.aPermissionSetList.size(); ++p) {
      PermissionSet& permission = media.aPermissionSetList[p];
      for (const SeparationInfo& separation : fresh.aSeparationInfoList) {
        if (separation.nSeparationIndex != permission.nSeparationIndex) {
          continue;
        }
        size_t channels = separation.anInputChannelInkIndexList.size();
        size_t entries = permission.aCalibrationInfoList.size();
        if (entries > channels) {
          permission.aCalibrationInfoList.resize(channels);
          if (summary != nullptr) {
            summary->calibrationCuts.push_back({m, media.strMediaName[0], p,
                                                permission.nPermissionIndex,
                                                entries, channels});
          }
        }
        break;
      }
    }
  }
}

}  // namespace

void MergeDeviceSeries(const DeviceSeries& installed, DeviceSeries& fresh,
                       MergeSummary* summary) {
  CarryOverMedia(installed, fresh, summary);
  TrimCalibration(fresh, summary);
}

MergeOutcome MergeUpdateDeviceSeriesWith(const std::string& installedPath,
                                         const ExtractNewFile& extractNew,
                                         size_t sizeLimit,
                                         const FileInfo* newFile) {
  FileSystem& fs = *FileSystem::Current();
  const size_t limit =
      sizeLimit != 0 ? sizeLimit : platform::kMaxStreamedDocumentBytes;

  // The installed file is opened once, and everything is decided on what
  // is open: its kind, size, owner and mode, and its content. Opening never
  // waits (a FIFO opens at once and is refused), and a process of root
  // does not follow a link another user owns.
  OpenFile installed(fs);
  std::string real;  // the file the links finally name
  bool exists = false;
  for (int attempt = 0;; ++attempt) {
    FileError error = installed.Open(installedPath, {true, true});
    if (error == FileError::kNotFound || error == FileError::kNotDirectory) {
      break;
    }
    if (error != FileError::kNone && error != FileError::kIsDirectory) {
      return Report(installedPath, ErrorText(error) + "; left as it is");
    }
    const FileInfo& info = installed.info();
    // Windows refuses to open a folder for reading; POSIX systems open it.
    if (error == FileError::kIsDirectory || info.kind == FileKind::kDirectory) {
      return Report(installedPath, "is a folder; nothing is written");
    }
    if (info.kind != FileKind::kRegular) {
      return Report(installedPath,
                    "is not a regular file (a device, a FIFO or a socket); "
                    "nothing is written");
    }
    // One merge of a file at a time: another one waits here until this one
    // has renamed its result over the installed file and closed it.
    error = fs.LockExclusive(installed.handle());
    if (error != FileError::kNone) {
      return Report(installedPath, ErrorText(error) + "; left as it is");
    }
    // The files of the merge are made beside the file the links finally
    // name, and the merged file is renamed over it, never over a link:
    // that name must still be the file locked, not the result of a merge
    // that held the lock before.
    error = platform::ResolveLinks(fs, installedPath, &real);
    if (error != FileError::kNone) {
      return Report(installedPath, ErrorText(error) + "; left as it is");
    }
    FileInfo named;
    error = Identify(fs, real, &named);
    if (error == FileError::kNone &&
        (SameFile(named, info) || !Known(named) || !Known(info))) {
      exists = true;
      break;
    }
    if (attempt == kMaxOpenAttempts) {
      return Report(installedPath,
                    "is replaced again and again while it is opened; left as "
                    "it is");
    }
  }
  if (!exists) {
    installed.Close();
    FileError error = platform::ResolveLinks(fs, installedPath, &real);
    if (error != FileError::kNone) {
      return Report(installedPath, ErrorText(error) + "; left as it is");
    }
    return InstallNew(real, extractNew);
  }
  const FileInfo& info = installed.info();
  // Every name the merge may make must fit before anything is touched.
  if (LastName(real).size() + kKeptSuffix.size() > kMaxNameBytes) {
    return Report(real,
                  ErrorText(FileError::kNameTooLong) + ": " +
                      std::string(LastName(real)) + std::string(kKeptSuffix) +
                      " would be longer than " + std::to_string(kMaxNameBytes) +
                      " bytes; left as it is");
  }

  DeviceSeries before;
  MergeSummary summary;
  ReadReport report;
  if (!ReadOpenSeries(real, installed, limit, before, &report,
                      &summary.installedVersion, nullptr)) {
    if (report.failure == ReadFailure::kNotWellFormed) {
      if (info.size == 0) return InstallNew(real, extractNew);
      return KeepAndInstallNew(fs, real, installed, Located(real, report),
                               extractNew, limit);
    }
    // Unreadable now, refused by the safe parsing, or XML of another kind:
    // it may hold the user's media, so it stays.
    return Report(Located(real, report) + "; left as it is");
  }

  const std::string tmp = real + ".tmp";
  const std::string out = real + ".out";
  // Files of these names left by an interrupted merge go first (a link
  // there, not what it names); what no merge left is refused before
  // anything is removed.
  for (const std::string* own : {&tmp, &out}) {
    if (std::optional<std::string> why = WhyNotOwn(fs, *own, newFile)) {
      return Report(*own, *why + "; nothing is merged");
    }
  }
  for (const std::string* own : {&tmp, &out}) {
    FileError error = fs.Remove(*own);
    if (error != FileError::kNone && error != FileError::kNotFound) {
      return Report(*own, ErrorText(error) + "; nothing is merged");
    }
  }
  // An interrupt from here on removes both, as every failure below does.
  platform::InterruptCleanupEntry tmpEntry(tmp);
  platform::InterruptCleanupEntry outEntry(out);
  auto cleanUp = [&] {
    fs.Remove(tmp);
    fs.Remove(out);
  };

  FileError error = extractNew(tmp, kOwnFile);
  if (error != FileError::kNone) {
    cleanUp();
    return Report(tmp, "the new file cannot be written (" + ErrorText(error) +
                           "); nothing is merged");
  }
  DeviceSeries fresh;
  {
    // Read from the file opened once, which must be the regular file just
    // written there.
    OpenFile extracted(fs);
    error = extracted.Open(tmp, {false, true});
    if (error == FileError::kNone &&
        extracted.info().kind != FileKind::kRegular) {
      error = FileError::kNotRegular;
    }
    // Whatever keeps it from being read, the extracted file stays for a
    // look at what the update carried.
    if (error != FileError::kNone) {
      return Report(tmp, "the new file cannot be read (" + ErrorText(error) +
                             "); nothing is merged");
    }
    if (!ReadOpenSeries(tmp, extracted, limit, fresh, &report, nullptr,
                        &summary.mergedVersion)) {
      return Report(Located(tmp, report) +
                    "; the new file cannot be read, nothing is merged");
    }
  }
  // The merged file is marked with the new file's version, and has the
  // installed file's owner, group, permission bits, access list and
  // extended attributes from the start; the rename hands them on with it.
  MergeDeviceSeries(before, fresh, &summary);
  error = WriteMerged(fs, out, fresh, summary.mergedVersion, installed);
  fs.Remove(tmp);
  if (error != FileError::kNone) {
    fs.Remove(out);
    return Report(out, "the merged file cannot be written (" +
                           ErrorText(error) +
                           "); the installed file is left as it is");
  }
  // The last step: once the merged file has the name, nothing can fail.
  error = fs.Rename(out, real);
  if (error != FileError::kNone) {
    fs.Remove(out);
    return Report(real, ErrorText(error) + "; left as it is");
  }
  fs.SyncParentDirectory(real);
  MergeOutcome outcome;
  outcome.kind = MergeOutcome::kMerged;
  outcome.summary = std::move(summary);
  return outcome;
}

ExtractNewFile CopyNewFileFrom(std::string from, size_t maxBytes) {
  if (maxBytes == 0) maxBytes = platform::kMaxStreamedDocumentBytes;
  return [from = std::move(from), maxBytes](
             const std::string& to, const platform::ReplaceOptions& options) {
    return platform::CopyFileAtomically(*FileSystem::Current(), from, to, true,
                                        maxBytes, nullptr, options);
  };
}

bool MergeUpdateDeviceSeries(const std::string& installedPath,
                             const platform::ResourceId& resourceName) {
  // The outcome shows in the file system and on the debug output only.
  MergeUpdateDeviceSeriesWith(
      installedPath,
      [&](const std::string& path, const platform::ReplaceOptions& options) {
        FileError error = FileError::kNone;
        UpdateFileFromBinResource(path.c_str(), resourceName, options, &error);
        return error;
      });
  return true;
}

// Member-wise equality, defined here so that the header stays C++17.
bool MergeSummary::CarriedOver::operator==(const CarriedOver&) const = default;
bool MergeSummary::Appended::operator==(const Appended&) const = default;
bool MergeSummary::CalibrationCut::operator==(const CalibrationCut&) const =
    default;
bool MergeSummary::operator==(const MergeSummary&) const = default;

}  // namespace devseries
