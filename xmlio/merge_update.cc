#include "xmlio/merge_update.h"

#include <cerrno>
#include <memory>

#include "app/resource_file_writer.h"
#include "platform/debug_output.h"
#include "platform/file_system.h"
#include "xmlio/device_series.h"

namespace {

// The media names compared to match an installed medium with a new one.
constexpr size_t kMatchedNameEntries = 10;

// Reports a merge that could not be completed, on the debug output.
MergeOutcome Report(const std::string& path, const std::string& what) {
  std::string problem = path + ": " + what;
  platform::OutputDebugStringA(
      ("MergeUpdateDeviceSeries: " + problem + "\r\n").c_str());
  return {MergeOutcome::kLeftAsItWas, problem};
}

bool SameName(const MediaInfo& a, const MediaInfo& b) {
  for (size_t i = 0; i < kMatchedNameEntries; ++i) {
    if (a.strMediaName[i] != b.strMediaName[i]) return false;
  }
  return true;
}

// Pass 1: an installed medium that matches one of the new media gives it
// its visibility; one that matches none is appended. Appended media are not
// candidates for later installed media.
void CarryOverMedia(const DeviceSeries& installed, DeviceSeries& fresh) {
  const size_t candidates = fresh.aMediaInfoList.size();
  for (const MediaInfo& media : installed.aMediaInfoList) {
    bool matched = false;
    for (size_t i = 0; i < candidates; ++i) {
      if (SameName(media, fresh.aMediaInfoList[i])) {
        fresh.aMediaInfoList[i].bVisibleMedia = media.bVisibleMedia;
        matched = true;
        break;
      }
    }
    if (!matched) fresh.aMediaInfoList.push_back(media);
  }
}

// Pass 2: no permission set keeps more calibration entries than its
// separation has input channels. A set whose separation does not exist
// keeps its list.
void TrimCalibration(DeviceSeries& fresh) {
  for (MediaInfo& media : fresh.aMediaInfoList) {
    for (PermissionSet& permission : media.aPermissionSetList) {
      for (const SeparationInfo& separation : fresh.aSeparationInfoList) {
        if (separation.nSeparationIndex != permission.nSeparationIndex) {
          continue;
        }
        size_t channels = separation.anInputChannelInkIndexList.size();
        if (permission.aCalibrationInfoList.size() > channels) {
          permission.aCalibrationInfoList.resize(channels);
        }
        break;
      }
    }
  }
}

}  // namespace

MergeOutcome MergeUpdateDeviceSeriesWith(
    const std::string& installedPath,
    const std::function<bool(const std::string& path)>& extractNew) {
  platform::FileSystem& fs = *platform::FileSystem::Current();
  const std::string tmp = installedPath + ".tmp";
  const std::string out = installedPath + ".out";
  DeviceSeries installed;
  DeviceSeries fresh;

  {
    // Only a file that is not there, or not a document, is replaced outright
    // by the new one. A file that exists but cannot be read now (an I/O
    // error, no permission) holds the user's media: it is left alone.
    std::string bytes;
    int error = fs.ReadFile(installedPath, platform::kMaxDocumentBytes, &bytes);
    if (error != 0 && error != ENOENT && error != ENOTDIR && error != EFBIG) {
      return Report(installedPath,
                    platform::IoErrorText(error) + "; left as it is");
    }
    auto document = std::make_shared<DomDocument>();
    if (error != 0 || !document->LoadFromMemory(bytes, installedPath)) {
      if (!extractNew(installedPath)) {
        return Report(installedPath, "the new file cannot be written");
      }
      return {MergeOutcome::kInstalledNew, {}};
    }
    DeviceSeriesIO2 io(installedPath);
    io.m_creator.m_pDocument = document;
    if (!io.Read(installed)) {
      return Report(installedPath,
                    "the installed file cannot be read; left as it is");
    }
  }

  auto cleanUp = [&] {
    fs.Remove(tmp);
    fs.Remove(out);
  };
  if (!extractNew(tmp)) {
    cleanUp();
    return Report(tmp, "the new file cannot be written");
  }
  {
    DeviceSeriesIO2 io(tmp);
    if (!io.Read(fresh)) {
      cleanUp();
      return Report(tmp, "the new file cannot be read");
    }
  }
  // The merged file is written over a copy of the new one, so it keeps the
  // new file's version.
  int error = platform::CopyFileAtomically(fs, tmp, out, true,
                                           platform::kMaxDocumentBytes);
  if (error != 0) {
    cleanUp();
    return Report(out, platform::IoErrorText(error));
  }

  CarryOverMedia(installed, fresh);
  TrimCalibration(fresh);

  bool written = false;
  {
    DeviceSeriesIO2 io(out);
    written = io.WriteKeepingFileVersion(fresh);
  }
  fs.Remove(tmp);
  if (!written) {
    fs.Remove(out);
    return Report(out,
                  "the merged file cannot be written; the installed file is "
                  "left as it is");
  }
  error = fs.Rename(out, installedPath);
  if (error != 0) {
    fs.Remove(out);
    return Report(installedPath, platform::IoErrorText(error));
  }
  fs.SyncParentDirectory(installedPath);
  return {MergeOutcome::kMerged, {}};
}

bool MergeUpdateDeviceSeries(const std::string& installedPath,
                             const platform::ResourceId& resourceName) {
  // The outcome shows in the file system and on the debug output only.
  MergeUpdateDeviceSeriesWith(installedPath, [&](const std::string& path) {
    return UpdateFileFromBinResource(path.c_str(), resourceName);
  });
  return true;
}
