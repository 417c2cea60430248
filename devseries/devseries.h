// The library's modern surface, beside the format's own classes: reads and
// writes of a device series and of each standalone record file that answer
// with a Status and never throw for a file's content or an I/O failure,
// replace what they read into and never change what they write; the
// output table by its stored samples; what a file would store compared;
// the references and the values of a series checked.
//
//   #include <devseries/devseries.h>
//
//   devseries::DeviceSeries series;
//   devseries::Status status = devseries::ReadSeries("series.dsr", series);
//   if (!status.ok()) std::cerr << status.ToString() << '\n';
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "devseries/color/custom_color_info.h"
#include "devseries/device_series.h"
#include "devseries/enumerations.h"
#include "devseries/records/media/media_info.h"
#include "devseries/records/media/output_table.h"
#include "devseries/records/media/separation_info.h"
#include "devseries/records/media/vcontrol_point.h"
#include "devseries/records/printer/ink_config_info.h"
#include "devseries/records/printer/ink_info.h"
#include "devseries/records/printer/mode_info.h"
#include "devseries/records/printer/model_info.h"
#include "devseries/records/printer/pattern_info.h"
#include "devseries/records/printer/resolution_info.h"
#include "devseries/status.h"
#include "devseries/xmlio/common_io.h"

#pragma GCC visibility push(default)
namespace devseries {

/// Which file versions a read accepts.
enum class VersionPolicy {
  /// Every version the reader reads (a device series: 3.x, and 1.x through
  /// the 1.0 reader). What a program without the host's title gets.
  kOff,
  /// The host's gate: only the reader's own major and minor version (3.3
  /// for a device series), as the updater's host reads.
  kHost,
  /// Only the major and minor version of ReadOptions::version.
  kCaller,
};

/// How a read reads.
struct ReadOptions {
  /// The largest file accepted, in bytes; 0 keeps the library's limit
  /// (128 MiB for a file loaded whole, 1 GiB for a streamed device series).
  std::size_t sizeLimit = 0;
  /// Which versions are accepted.
  VersionPolicy versionPolicy = VersionPolicy::kOff;
  /// The version VersionPolicy::kCaller accepts (its major and minor).
  IOVersion version{};
  /// Also report the values the reader had to coerce (Status::warnings()).
  bool warnings = false;
};

/// How a write writes.
struct WriteOptions {
  /// Keep the version of the file now at the path (as
  /// DeviceSeriesIO::WriteKeepingFileVersion does) instead of writing the
  /// writer's own 3.3. Only for a device series written to a path.
  bool keepFileVersion = false;
};

/// Reads the device series at `path` into `series`, replacing its content.
/// On failure `series` is left as it was.
Status ReadSeries(const std::string& path, DeviceSeries& series,
                  const ReadOptions& options = {});
/// As ReadSeries, from the text of a file held in memory.
Status ReadSeriesFromMemory(std::string_view text, DeviceSeries& series,
                            const ReadOptions& options = {});
/// Writes `series` to `path` as format version 3.3 (the media
/// feed-calibration lists of the file sized to the number of models, as
/// the writer stores them; `series` itself is not changed). The file is
/// replaced atomically: on failure the previous file is left as it was.
Status WriteSeries(const DeviceSeries& series, const std::string& path,
                   const WriteOptions& options = {});
/// As WriteSeries, to `out`: the bytes the file would hold.
Status WriteSeries(const DeviceSeries& series, std::ostream& out,
                   const WriteOptions& options = {});

/// Reads a standalone record file (the record's own root element, as
/// written by WriteRecordFile or the format's Save...File) into `record`,
/// replacing it. On failure `record` is left as it was.
Status ReadRecordFile(const std::string& path, ModelInfo& record,
                      const ReadOptions& options = {});
/// \copydoc ReadRecordFile(const std::string&, ModelInfo&, const ReadOptions&)
Status ReadRecordFile(const std::string& path, InkInfo& record,
                      const ReadOptions& options = {});
/// \copydoc ReadRecordFile(const std::string&, ModelInfo&, const ReadOptions&)
Status ReadRecordFile(const std::string& path, InkConfigInfo& record,
                      const ReadOptions& options = {});
/// \copydoc ReadRecordFile(const std::string&, ModelInfo&, const ReadOptions&)
Status ReadRecordFile(const std::string& path, ResolutionInfo& record,
                      const ReadOptions& options = {});
/// \copydoc ReadRecordFile(const std::string&, ModelInfo&, const ReadOptions&)
Status ReadRecordFile(const std::string& path, ModeInfo& record,
                      const ReadOptions& options = {});
/// \copydoc ReadRecordFile(const std::string&, ModelInfo&, const ReadOptions&)
Status ReadRecordFile(const std::string& path, PatternInfo& record,
                      const ReadOptions& options = {});
/// \copydoc ReadRecordFile(const std::string&, ModelInfo&, const ReadOptions&)
Status ReadRecordFile(const std::string& path, MediaInfo& record,
                      const ReadOptions& options = {});
/// \copydoc ReadRecordFile(const std::string&, ModelInfo&, const ReadOptions&)
Status ReadRecordFile(const std::string& path, SeparationInfo& record,
                      const ReadOptions& options = {});
/// \copydoc ReadRecordFile(const std::string&, ModelInfo&, const ReadOptions&)
Status ReadRecordFile(const std::string& path, VControlPoint& record,
                      const ReadOptions& options = {});
/// \copydoc ReadRecordFile(const std::string&, ModelInfo&, const ReadOptions&)
Status ReadRecordFile(const std::string& path, CustomColorInfo& record,
                      const ReadOptions& options = {});

/// Writes `record` as a standalone record file at `path`, replaced
/// atomically (on failure the previous file is left as it was).
Status WriteRecordFile(const ModelInfo& record, const std::string& path);
/// \copydoc WriteRecordFile(const ModelInfo&, const std::string&)
Status WriteRecordFile(const InkInfo& record, const std::string& path);
/// \copydoc WriteRecordFile(const ModelInfo&, const std::string&)
Status WriteRecordFile(const InkConfigInfo& record, const std::string& path);
/// \copydoc WriteRecordFile(const ModelInfo&, const std::string&)
Status WriteRecordFile(const ResolutionInfo& record, const std::string& path);
/// \copydoc WriteRecordFile(const ModelInfo&, const std::string&)
Status WriteRecordFile(const ModeInfo& record, const std::string& path);
/// \copydoc WriteRecordFile(const ModelInfo&, const std::string&)
Status WriteRecordFile(const PatternInfo& record, const std::string& path);
/// \copydoc WriteRecordFile(const ModelInfo&, const std::string&)
Status WriteRecordFile(const MediaInfo& record, const std::string& path);
/// \copydoc WriteRecordFile(const ModelInfo&, const std::string&)
Status WriteRecordFile(const SeparationInfo& record, const std::string& path);
/// \copydoc WriteRecordFile(const ModelInfo&, const std::string&)
Status WriteRecordFile(const VControlPoint& record, const std::string& path);
/// \copydoc WriteRecordFile(const ModelInfo&, const std::string&)
Status WriteRecordFile(const CustomColorInfo& record, const std::string& path);

/// The 256 samples a file stores of an output table (levels 0, 16, ...,
/// 4080 and 4095).
OutputTableSamples Samples(const OutputTable& table);
/// Sets the stored samples of `table` and rebuilds its 4096 levels from
/// them, as a read of the file would: a table edited this way compares
/// equal after a write and a read.
void SetSamples(OutputTable& table, const OutputTableSamples& samples);

/// True when `a` and `b` would be stored as the same file: members kept
/// only in memory are left out, output tables compared by their samples.
bool StoredEqual(const DeviceSeries& a, const DeviceSeries& b);

/// A finding of CheckReferences or CheckSeries: where, and what.
struct Finding {
  /// The member, as a path from the root: "DeviceSeries/aMediaInfoList/
  /// MediaInfo[3]/aPermissionSetList/PermissionSet[1]/nModeIndex".
  std::string path;
  /// "names ModeInfo 42 (no ModeInfo has nModeIndex 42)", "nInkIndex 3
  /// repeats InkInfo[1]'s", "input level 594 is 5000, over the greatest
  /// output level 4095 (1 sample out of range in all)".
  std::string message;
};

/// The index members of `series` that name no record of the list they
/// refer to, and the keys that repeat within their list, in document
/// order. The format tolerates both (the readers never check indices), so
/// these are findings, not failures.
std::vector<Finding> CheckReferences(const DeviceSeries& series);

/// Everything CheckReferences finds in `series`, and the values the format
/// tolerates but that make no sense, all in document order: a value
/// outside the range the format gives (an output table's stored sample
/// over output level 4095); a value outside an enumeration the format
/// closes; a calibration density that falls as the step rises; an output
/// table whose stored samples expand, as a read expands them, to a curve
/// that falls where the samples do not (the spline overshooting a bend);
/// a medium whose quality levels name permission sets none of which is
/// visible, or name none. Only what a file would store is looked at: no
/// member kept only in memory, an output table only where it stores its
/// samples. Findings, not failures: the readers take all of these.
std::vector<Finding> CheckSeries(const DeviceSeries& series);

}  // namespace devseries
#pragma GCC visibility pop
