// The merge update: replaces an installed device-series file with a newer
// one while keeping what the user changed or added in the installed file.
#pragma once

#include <functional>
#include <string>

#include "platform/resources.h"

// Merges the device-series file held in the "BIN" resource `resourceName`
// (a name or a numeric id) into the file at `installedPath`:
//
// - no installed file, or one that does not load as XML: the resource is
//   written to `installedPath` as it is;
// - otherwise both files are read; every installed medium whose names in the
//   first ten languages equal a new medium's gives that medium its
//   visibility, every other installed medium is appended after the new ones;
//   calibration lists of permission sets are cut to the input-channel count
//   of their separation; the result is written with the new file's version
//   and renamed over `installedPath`.
//
// The new file is extracted to `installedPath` + ".tmp" and the merged file
// written to `installedPath` + ".out"; neither is left behind. The installed
// file is replaced only when the merged file was written completely: when
// either file cannot be read or any step fails, it is left as it was. The
// result is always true; failures are reported on the debug output.
bool MergeUpdateDeviceSeries(const std::string& installedPath,
                             const platform::ResourceId& resourceName);

// How a merge ended.
struct MergeOutcome {
  enum Kind {
    kMerged,        // the merged file replaced the installed one
    kInstalledNew,  // there was no installed document: the new file is it
    kLeftAsItWas,   // the merge could not complete; nothing was replaced
  };
  Kind kind;
  // For kLeftAsItWas: the file and the problem ("<path>: <reason>").
  std::string problem;
};

// The same merge with the new file produced by `extractNew`, which writes
// the new device-series file to the path it is given and reports success.
// Tells how it ended (a failure is also reported on the debug output).
MergeOutcome MergeUpdateDeviceSeriesWith(
    const std::string& installedPath,
    const std::function<bool(const std::string& path)>& extractNew);
