// The merge update: replaces an installed device-series file with a newer
// one while keeping what the user changed or added in the installed file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "devseries/device_series.h"
#include "devseries/platform/file_system.h"
#include "devseries/platform/host_resources.h"
#include "devseries/xmlio/common_io.h"

#pragma GCC visibility push(default)
namespace devseries {

// Merges the device-series file held in the "BIN" resource `resourceName`
// (a name or a numeric id) into the file at `installedPath`.
//
// The installed file is opened once, its symbolic links followed (a process
// of root follows no link that another user owns), without waiting, and
// locked (one merge of a file at a time); what the open file is decides
// what happens, and every read of it is a read of that open file:
//
// - nothing: the resource is written there as it is;
// - a folder, a device, a FIFO or a socket: nothing is written at all;
// - an empty file: the resource is written over it;
// - a file that is not well-formed XML: it is first kept beside itself as
//   its path + ".unreadable" (replacing an older copy; with the file's owner,
//   group and permission bits), then the resource is written over it; when
//   no copy can be kept, nothing is replaced;
// - a device-series document: both files are read; every installed medium
//   whose names in the first ten languages equal a new medium's gives that
//   medium its visibility, every other installed medium is appended after
//   the new ones; calibration lists of permission sets are cut to the
//   input-channel count of their separation; the result is written with the
//   new file's version and renamed over the installed file, whose owner,
//   group and permission bits it takes;
// - anything else is left as it is: a file that cannot be read now (an I/O
//   error, no permission), one refused by the safe parsing (a document type
//   declaration, over the size limit), XML that is not a device-series file
//   this reader reads.
//
// The files the merge makes beside the installed file (the one its links
// finally name) are its own: the new file is extracted to its path + ".tmp"
// and the merged file written to its path + ".out". A link at any of these
// names, ".unreadable" included, is removed, never followed; anything else
// there that is not a regular file is refused, and so is a name longer than
// the file system takes. Files of these names left by an interrupted merge
// are removed first; an interrupt (InstallInterruptCleanup) removes them
// too. ".out" is never left behind, nor ".tmp" except when the extracted
// file cannot be read as a device series, when it stays for a look. The
// installed file is replaced only when the merged file was written
// completely: when any step fails, it is left as it was. The result is
// always true; the outcome is reported on the debug output.
bool MergeUpdateDeviceSeries(const std::string& installedPath,
                             const platform::ResourceId& resourceName);

// What a merge did to the new file's document, in the order it did it.
struct MergeSummary {
  // An installed medium whose names in the first ten languages matched a
  // new medium's: that medium took its visibility.
  struct CarriedOver {
    size_t position = 0;  // the new medium's position in the merged list
    std::string name;     // its English name (entry 0)
    bool visible = true;  // the visibility it took from the installed file
    bool operator==(const CarriedOver&) const;
    bool operator!=(const CarriedOver& other) const {
      return !(*this == other);
    }
  };
  // An installed medium that matched none, appended to the merged list.
  struct Appended {
    size_t position = 0;  // its position in the merged list
    std::string name;     // its English name (entry 0)
    bool operator==(const Appended&) const;
    bool operator!=(const Appended& other) const { return !(*this == other); }
  };
  // A permission set whose calibration list was cut to the input-channel
  // count of its separation.
  struct CalibrationCut {
    size_t media = 0;  // the medium's position in the merged list
    std::string mediaName;
    size_t permission = 0;  // the set's position in aPermissionSetList
    std::int32_t permissionIndex = 0;  // its nPermissionIndex
    size_t before = 0;                 // entries before the cut
    size_t after = 0;                  // and after it
    bool operator==(const CalibrationCut&) const;
    bool operator!=(const CalibrationCut& other) const {
      return !(*this == other);
    }
  };

  std::vector<CarriedOver> carriedOver;
  std::vector<Appended> appended;
  std::vector<CalibrationCut> calibrationCuts;
  // The installed file's version as it was read, and the version the merged
  // file is written with: the new file's, or the writer's own when the new
  // file is marked 0.0.0.0 (KeptFileVersion). Only the caller that read the
  // files knows them: MergeDeviceSeries leaves them as they are.
  IOVersion installedVersion;
  IOVersion mergedVersion;

  bool operator==(const MergeSummary&) const;
  bool operator!=(const MergeSummary& other) const { return !(*this == other); }
};

// The merge of two documents in memory, as the merge update makes it before
// it writes the result: every installed medium whose names in the first ten
// languages equal one of the new media's (those `fresh` held before the
// merge) gives the first such medium its visibility; every other one is
// appended to `fresh`, in installed order. The new media are looked up by
// their names, so the time grows with the number of media, not its square. Then
// no permission set of `fresh` keeps more calibration entries than the first
// separation of its nSeparationIndex has input channels (a set whose separation
// does not exist keeps its list). Nothing is read or written. `summary`, when
// not null, receives the media carried over and appended and the lists cut; its
// other members are left as they are.
void MergeDeviceSeries(const DeviceSeries& installed, DeviceSeries& fresh,
                       MergeSummary* summary = nullptr);

// How a merge ended.
struct MergeOutcome {
  enum Kind {
    kMerged,        // the merged file replaced the installed one
    kInstalledNew,  // there was no installed document: the new file is it
    kLeftAsItWas,   // the merge could not complete; nothing was replaced
  };
  Kind kind = kLeftAsItWas;
  // For kLeftAsItWas: the file, the line where there is one, and the
  // problem ("<path>: <reason>", "<path>:<line>: <reason>"). For
  // kInstalledNew over a file that was not well-formed: why it was not
  // merged, in the same form. Empty otherwise.
  std::string problem;
  // For kInstalledNew over a file that was not well-formed: the path of the
  // copy kept of it (its path + ".unreadable"). Empty otherwise.
  std::string keptCopy;
  // For kMerged: what the merge did, with the installed file's version and
  // the merged file's. Empty otherwise.
  MergeSummary summary;
};

// Writes the new device-series file at `path`, through a
// platform::FileReplacement opened with `options`; returns kNone, or why
// the file could not be written.
using ExtractNewFile = std::function<platform::FileError(
    const std::string& path, const platform::ReplaceOptions& options)>;

// The same merge with the new file produced by `extractNew`. Tells how it
// ended (also reported on the debug output, except for a clean merge or a
// plain installation); every problem that comes from the file system ends
// with the system's text for it. `sizeLimit` is the largest file it reads
// or copies (0: a streamed read's, platform::kMaxStreamedDocumentBytes).
// `newFile`, when given, tells which file the new file is read from (what
// Stat tells of it): a ".tmp" or ".out" that is that file is refused before
// anything is removed.
MergeOutcome MergeUpdateDeviceSeriesWith(
    const std::string& installedPath, const ExtractNewFile& extractNew,
    size_t sizeLimit = 0, const platform::FileInfo* newFile = nullptr);

// An ExtractNewFile that copies the file at `from`, read through the file
// system current when it runs, of at most `maxBytes` (0: a streamed
// read's limit).
ExtractNewFile CopyNewFileFrom(std::string from, size_t maxBytes = 0);

}  // namespace devseries
#pragma GCC visibility pop
