// The merge update: replaces an installed device-series file with a newer
// one while keeping what the user changed or added in the installed file.
#pragma once

#include <functional>
#include <string>

#include "platform/resources.h"

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
};

// The same merge with the new file produced by `extractNew`, which writes
// the new device-series file to the path it is given and reports success.
// Tells how it ended (also reported on the debug output, except for a clean
// merge or a plain installation).
MergeOutcome MergeUpdateDeviceSeriesWith(
    const std::string& installedPath,
    const std::function<bool(const std::string& path)>& extractNew);

}  // namespace devseries
#pragma GCC visibility pop
