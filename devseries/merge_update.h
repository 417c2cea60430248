// The merge update: replaces an installed device-series file with a newer
// one while keeping what the user changed or added in the installed file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "devseries/device_series.h"
#include "platform/resources.h"
#include "xmlio/common_io.h"

#pragma GCC visibility push(default)
namespace devseries {

// Merges the device-series file held in the "BIN" resource `resourceName`
// (a name or a numeric id) into the file at `installedPath`.
//
// The installed file is the one the symbolic links at `installedPath`
// finally name: the files below sit beside it, and it is replaced, while
// the links stay. What it is decides what happens:
//
// - nothing, or an empty file: the resource is written there as it is;
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
// - anything else is left as it is: a folder, a device, a FIFO or a socket
//   (nothing is written at all), a file that cannot be read now (an I/O
//   error, no permission), one refused by the safe parsing (a document type
//   declaration, over the size limit), XML that is not a device-series file
//   this reader reads.
//
// The new file is extracted to the installed file's path + ".tmp" and the
// merged file written to its path + ".out" (files of these names left by an
// interrupted merge are removed first); neither is left behind. The
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
    bool operator==(const CarriedOver&) const = default;
  };
  // An installed medium that matched none, appended to the merged list.
  struct Appended {
    size_t position = 0;  // its position in the merged list
    std::string name;     // its English name (entry 0)
    bool operator==(const Appended&) const = default;
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
    bool operator==(const CalibrationCut&) const = default;
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

  bool operator==(const MergeSummary&) const = default;
};

// The merge of two documents in memory, as the merge update makes it before
// it writes the result: every installed medium whose names in the first ten
// languages equal one of the new media's (those `fresh` held before the
// merge) gives the first such medium its visibility; every other one is
// appended to `fresh`, in installed order. The new media are looked up by
// their names, so the time grows with the number of media, not its square. Then no permission set of `fresh` keeps more
// calibration entries than the first separation of its nSeparationIndex has
// input channels (a set whose separation does not exist keeps its list).
// Nothing is read or written. `summary`, when not null, receives the media
// carried over and appended and the lists cut; its other members are left
// as they are.
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

// The same merge with the new file produced by `extractNew`, which writes
// the new device-series file to the path it is given and reports success.
// Tells how it ended (also reported on the debug output, except for a clean
// merge or a plain installation). `sizeLimit` is the largest file it reads
// or copies (0: a streamed read's, platform::kMaxStreamedDocumentBytes).
MergeOutcome MergeUpdateDeviceSeriesWith(
    const std::string& installedPath,
    const std::function<bool(const std::string& path)>& extractNew,
    size_t sizeLimit = 0);

}  // namespace devseries
#pragma GCC visibility pop
