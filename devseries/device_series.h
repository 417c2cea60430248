// The device-series document: one file (".dsr") describing a printer
// family, its in-memory form and the IO classes that read and write it.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "devseries/records/media/media_info.h"
#include "devseries/records/media/print_chart_file_info_set.h"
#include "devseries/records/media/separation_info.h"
#include "devseries/records/media/vcontrol_point.h"
#include "devseries/records/printer/ink_config_info.h"
#include "devseries/records/printer/ink_info.h"
#include "devseries/records/printer/ink_volume_info.h"
#include "devseries/records/printer/mode_info.h"
#include "devseries/records/printer/model_info.h"
#include "devseries/records/printer/pattern_info.h"
#include "devseries/records/printer/resolution_info.h"
#include "devseries/xmlio/common_io.h"

#pragma GCC visibility push(default)
namespace devseries {

class SeriesStreamReader;

// The printer command strings: byte strings that may hold zero bytes.
struct DeviceSeriesCommandSet {
  std::string strInitialize;
  std::string strPrintHeader;
  std::string strPrintTailer;
  std::string strCutHeader;
  std::string strCutTailer;
  std::string strPageFeed;
  std::string strPageRewind;
  std::string strSheetCut;
  std::string strCancel;

  bool operator==(const DeviceSeriesCommandSet&) const;
  bool operator!=(const DeviceSeriesCommandSet& other) const {
    return !(*this == other);
  }
};

// The element names of the command strings, in file order, with their
// members.
struct CommandStringField {
  const char* name;
  std::string DeviceSeriesCommandSet::*member;
};
extern const std::array<CommandStringField, 9> kCommandStringFields;

// The in-memory document. Owns all its records.
struct DeviceSeries {
  std::vector<ModelInfo> aModelInfoList;
  std::vector<InkInfo> aInkInfoList;
  std::vector<InkConfigInfo> aInkConfigInfoList;
  std::vector<ResolutionInfo> aResolutionInfoList;
  std::vector<ModeInfo> aModeInfoList;
  std::vector<SeparationInfo> aSeparationInfoList;
  std::vector<VControlPoint> aVControlPointList;
  std::vector<PatternInfo> aPatternInfoList;
  DeviceSeriesCommandSet commandSet;
  std::vector<MediaInfo> aMediaInfoList;
  // Held in memory only: nothing reads or writes it.
  std::vector<MediaInfo> aMediaInfoList2;
  std::vector<PrintChartFileInfoSet> aPrintChartFileInfoSetList;
  std::vector<InkVolumeInfo> aInkVolumeInfoList;
  LanguageStringSet strFirmwareDownloadURL;

  bool operator==(const DeviceSeries&) const;
  bool operator!=(const DeviceSeries& other) const { return !(*this == other); }
};

// The default firmware links set before a file's own links are read: entry
// 6 (Japanese) the Japanese support page, every other entry the
// international one.
inline constexpr const char* kFirmwareLinkJapanese =
    "http://www.vintrell.co.jp/support/color/ovx/index.html";
inline constexpr const char* kFirmwareLinkInternational =
    "http://www.vintrell.com/support/color/ovx/index.html";
inline constexpr size_t kJapaneseLanguageEntry = 6;

// Reads and writes the device-series file of format version 1.0.
class DeviceSeriesIO : public virtual ICommonIO,
                       public ModelInfoIO,
                       public InkInfoIO,
                       public ResolutionInfoIO,
                       public ModeInfoIO,
                       public SeparationInfoIO,
                       public MediaInfoIO,
                       public PatternInfoIO,
                       public InkConfigInfoIO {
 public:
  explicit DeviceSeriesIO(std::string path);

  void GetVersion(IOVersion& version) const override;
  std::string GetRootName() const override;

  // Writes `series` to the object's path with the class's own version,
  // streamed element by element (no DOM document is built). Only the media
  // feed-calibration lists of `series` may change: each is sized to the
  // number of models. False on any failure, the previous file then left as
  // it was. Report() is reset, and after a failure tells why
  // (ReadFailure::kCannotWrite, error.message "cannot write PATH: REASON":
  // the system's error, "No such file or directory", "Is a directory", or
  // what stopped the document); the same for the two writes below.
  [[nodiscard]] bool Write(DeviceSeries& series);
  // As Write, through a DOM document of the whole series that the DOM
  // service saves: the same bytes and the same result as Write (the
  // reference Write is checked against), slower and holding the whole
  // document in memory.
  [[nodiscard]] bool WriteThroughDom(DeviceSeries& series);
  // As Write, but the version attribute keeps the version of the file now
  // at the path (its four parts as written there), or the class's own
  // version when that file is missing, unreadable, not well-formed up to
  // the end of its root element's start tag, without a version there, or
  // marked 0.0.0.0. Only that start tag is read, not the rest of the file
  // (a document this object holds from a read is asked instead).
  [[nodiscard]] bool WriteKeepingFileVersion(DeviceSeries& series);
  // The version WriteKeepingFileVersion writes over the file this object
  // has read (or checked the version of): the four parts the file gave, or
  // the class's own version when it is marked 0.0.0.0 or has none.
  IOVersion KeptFileVersion() const;
  // Reads the file at the path and appends its records to `series`. False
  // on any failure, including a file whose version the host rejects;
  // `series` is then left as it was. Nothing escapes. Report() then tells
  // why and where: the load failure, the missing root, list or member, the
  // refused version. Set Report().collectWarnings before it to have the
  // coerced values noted.
  //
  // When this object holds no document, the file is streamed: parsed piece
  // by piece and read record by record as each one's end tag is parsed,
  // so memory holds the records read and one record's nodes, not the
  // file's tree; no document is kept, and a second Read streams the file
  // again. When it holds one (from a read through the DOM, or a version
  // check), that document is read as ReadThroughDom reads it. Both give
  // the same result and the same report for every file.
  [[nodiscard]] bool Read(DeviceSeries& series);
  // As Read, through the DOM: the file is loaded whole (unless a document
  // is held) and the document kept, then read. The reference the streamed
  // read is checked against.
  [[nodiscard]] bool ReadThroughDom(DeviceSeries& series);

  // The root element with all lists (the media feed-calibration lists of
  // `series` are sized to the number of models first).
  DomNode WriteDeviceSeries(DomDocument& document, DeviceSeries& series);
  // The same root element streamed to `out`, with "strVersion" =
  // `version`. Raises what the writer raises (an invalid language name).
  void WriteDeviceSeries(XmlStreamWriter& out, DeviceSeries& series,
                         std::string_view version);
  // Reads a located root element into `series` and normalises it: default
  // input inks of separations, screen angles of permission sets. Raises
  // the codecs' errors.
  void ReadDeviceSeries(DomNode root, DeviceSeries& series);

  // A read refuses a file whose document would take more than this many
  // bytes of memory per byte of the read's size limit (an output table
  // takes eight times its text, a record much more than an empty element).
  static constexpr unsigned kMemoryBoundPerFileByte = 8;

 protected:
  // Called by a read through the DOM when the file's version is older than
  // the class's: reads the held document with OlderFileReader().
  bool ReadOlderFile(DeviceSeries& series);
  // The reader a file older than the class's format (its version in
  // m_fileVersion) is handed to, or null when this class reads none.
  virtual std::unique_ptr<DeviceSeriesIO> OlderFileReader();
  // The versions this reader reads, for the report of a refused one.
  virtual std::string ReadableVersions() const;

 private:
  friend class SeriesStreamReader;

  // Read when no document is held: decodes the file from the parser's
  // events with the field model; a file the events hand over, and one
  // that cannot be read twice, is read by ReadStreamedTree.
  bool ReadStreamed(DeviceSeries& series);
  // Parses the file piece by piece and reads each record with the DOM
  // codecs as its end tag is parsed (SeriesStreamReader).
  bool ReadStreamedTree(DeviceSeries& series);
  // The memory bound of a read (kMemoryBoundPerFileByte).
  std::uint64_t MemoryBound(bool streamed) const;
  bool WriteWithVersion(DeviceSeries& series, const std::string& version,
                        bool throughDom);
  // Sets m_fileVersion from the file at the path (see
  // WriteKeepingFileVersion).
  void ReadFileVersion();
};

// Reads and writes the device-series file of format version 3.3; reads
// files marked 1.x through the 1.0 reader.
class DeviceSeriesIO2 : public DeviceSeriesIO {
 public:
  explicit DeviceSeriesIO2(std::string path);

  void GetVersion(IOVersion& version) const override;

 protected:
  std::unique_ptr<DeviceSeriesIO> OlderFileReader() override;
  std::string ReadableVersions() const override;
};

// Writes `series` to `path` through a temporary DeviceSeriesIO.
[[nodiscard]] bool WriteDeviceSeriesFile(const std::string& path,
                                         DeviceSeries& series);
// Reads `series` from an already located root element through a temporary
// DeviceSeriesIO with an empty path. False when the codecs raised.
[[nodiscard]] bool ReadDeviceSeriesElement(DomNode root, DeviceSeries& series);

}  // namespace devseries
#pragma GCC visibility pop
