#include "devseries/merge_update.h"

#include <string>
#include <unordered_map>
#include <utility>

#include "devseries/device_series.h"
#include "platform/debug_output.h"
#include "platform/dom.h"
#include "platform/file_system.h"
#include "platform/resource_file_writer.h"
#include "xmlio/read_report.h"

namespace devseries {

namespace {

using platform::FileError;
using platform::FileInfo;
using platform::FileKind;
using platform::FileSystem;

// The media names compared to match an installed medium with a new one.
constexpr size_t kMatchedNameEntries = 10;

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

// True when the file at `path` holds no byte at all.
bool IsEmptyFile(FileSystem& fs, const std::string& path) {
  std::string nothing;
  return fs.ReadFile(path, 0, &nothing) == FileError::kNone;
}

// Writes the new file at `path` (nothing there, or a file that holds no
// document); the writer keeps what is there until it has the new file.
MergeOutcome InstallNew(
    const std::string& path,
    const std::function<bool(const std::string& path)>& extractNew) {
  if (!extractNew(path)) {
    return Report(path, "the new file cannot be written; left as it is");
  }
  MergeOutcome outcome;
  outcome.kind = MergeOutcome::kInstalledNew;
  return outcome;
}

// The installed file at `path` (described by `info`) is not well-formed:
// it holds something of the user's that this reader cannot tell apart, so
// a copy of it is kept beside it, with its owner and mode, before the new
// file takes its place. `problem` tells why it was not merged.
MergeOutcome KeepAndInstallNew(
    FileSystem& fs, const std::string& path, const FileInfo& info,
    const std::string& problem,
    const std::function<bool(const std::string& path)>& extractNew,
    size_t limit) {
  const std::string kept = path + ".unreadable";
  FileInfo keptInfo;
  std::string why;
  if (fs.Stat(kept, &keptInfo) == FileError::kNone &&
      keptInfo.kind != FileKind::kRegular) {
    // A device or a FIFO would be written in place, a folder not at all.
    why = "it is not a regular file";
  } else {
    FileError error =
        platform::CopyFileAtomically(fs, path, kept, true, limit, &info);
    if (error != FileError::kNone) why = platform::FileErrorText(error);
  }
  if (!why.empty()) {
    return Report(problem + "; no copy can be kept as " + kept + " (" + why +
                  "), so it is left as it is");
  }
  if (!extractNew(path)) {
    // The installed file is as it was; its copy would only be clutter.
    fs.Remove(kept);
    return Report(problem +
                  "; the new file cannot be written over it, so it "
                  "is left as it is");
  }
  Say(problem + "; kept as " + kept + " and replaced by the new file");
  MergeOutcome outcome;
  outcome.kind = MergeOutcome::kInstalledNew;
  outcome.problem = problem;
  outcome.keptCopy = kept;
  return outcome;
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

MergeOutcome MergeUpdateDeviceSeriesWith(
    const std::string& installedPath,
    const std::function<bool(const std::string& path)>& extractNew,
    size_t sizeLimit) {
  FileSystem& fs = *FileSystem::Current();
  const size_t limit =
      sizeLimit != 0 ? sizeLimit : platform::kMaxStreamedDocumentBytes;

  // What the path names, links followed. Only a regular file is merged or
  // replaced: a folder, a device or a FIFO is not the user's file, and
  // reading a FIFO would wait for a writer.
  FileInfo info;
  FileError error = fs.Stat(installedPath, &info);
  const bool exists = error == FileError::kNone;
  if (!exists && error != FileError::kNotFound &&
      error != FileError::kNotDirectory) {
    return Report(installedPath,
                  platform::FileErrorText(error) + "; left as it is");
  }
  if (exists && info.kind == FileKind::kDirectory) {
    return Report(installedPath, "is a folder; nothing is written");
  }
  if (exists && info.kind != FileKind::kRegular) {
    return Report(installedPath,
                  "is not a regular file (a device, a FIFO or a socket); "
                  "nothing is written");
  }
  // The file the links finally name: the temporary files are made beside
  // it, and the merged file is renamed over it, never over a link.
  std::string real;
  error = platform::ResolveLinks(fs, installedPath, &real);
  if (error != FileError::kNone) {
    return Report(installedPath,
                  platform::FileErrorText(error) + "; left as it is");
  }
  if (!exists) return InstallNew(real, extractNew);

  DeviceSeries installed;
  MergeSummary summary;
  {
    DeviceSeriesIO2 io(real);
    io.SetSizeLimit(limit);
    if (!io.Read(installed)) {
      const ReadReport& report = io.Report();
      if (report.failure == ReadFailure::kNotWellFormed) {
        if (IsEmptyFile(fs, real)) return InstallNew(real, extractNew);
        return KeepAndInstallNew(fs, real, info, Located(real, report),
                                 extractNew, limit);
      }
      // Unreadable now, refused by the safe parsing, or XML of another
      // kind: it may hold the user's media, so it stays.
      return Report(Located(real, report) + "; left as it is");
    }
    summary.installedVersion = io.m_fileVersion;
  }

  const std::string tmp = real + ".tmp";
  const std::string out = real + ".out";
  auto cleanUp = [&] {
    fs.Remove(tmp);
    fs.Remove(out);
  };
  // Files of these names left by an interrupted merge go first: a link or a
  // FIFO there would take the writes somewhere else.
  cleanUp();
  // An interrupt from here on removes both, as every failure below does.
  platform::InterruptCleanupEntry tmpEntry(tmp);
  platform::InterruptCleanupEntry outEntry(out);
  if (!extractNew(tmp)) {
    cleanUp();
    return Report(tmp, "the new file cannot be written");
  }
  DeviceSeries fresh;
  {
    DeviceSeriesIO2 io(tmp);
    io.SetSizeLimit(limit);
    if (!io.Read(fresh)) {
      // The extracted file stays for a look at what the update carried.
      return Report(Located(tmp, io.Report()) +
                    "; the new file cannot be read, nothing is merged");
    }
    // The merged file is written over a copy of this file, so it keeps
    // this version.
    summary.mergedVersion = io.KeptFileVersion();
  }
  // The merged file is written over a copy of the new one, so it keeps the
  // new file's version; the copy has the installed file's owner, group and
  // permission bits from the start, the write over it keeps them, and the
  // rename hands them on with the merged file.
  error = platform::CopyFileAtomically(fs, tmp, out, true, limit, &info);
  if (error != FileError::kNone) {
    cleanUp();
    return Report(out, platform::FileErrorText(error));
  }

  MergeDeviceSeries(installed, fresh, &summary);

  bool written = false;
  {
    DeviceSeriesIO2 io(out);
    io.SetSizeLimit(limit);
    written = io.WriteKeepingFileVersion(fresh);
  }
  fs.Remove(tmp);
  if (!written) {
    fs.Remove(out);
    return Report(out,
                  "the merged file cannot be written; the installed file is "
                  "left as it is");
  }
  error = fs.Rename(out, real);
  if (error != FileError::kNone) {
    fs.Remove(out);
    return Report(real, platform::FileErrorText(error) + "; left as it is");
  }
  fs.SyncParentDirectory(real);
  MergeOutcome outcome;
  outcome.kind = MergeOutcome::kMerged;
  outcome.summary = std::move(summary);
  return outcome;
}

bool MergeUpdateDeviceSeries(const std::string& installedPath,
                             const platform::ResourceId& resourceName) {
  // The outcome shows in the file system and on the debug output only.
  MergeUpdateDeviceSeriesWith(installedPath, [&](const std::string& path) {
    return UpdateFileFromBinResource(path.c_str(), resourceName);
  });
  return true;
}

}  // namespace devseries
