#include "devseries/device_series.h"

#include "xmlio/read_session.h"
#include "xmlio/record_codec.h"
#include "xmlio/xml_stream_writer.h"

namespace devseries {

const std::array<CommandStringField, 9> kCommandStringFields = {{
    {"strInitialize", &DeviceSeriesCommandSet::strInitialize},
    {"strPrintHeader", &DeviceSeriesCommandSet::strPrintHeader},
    {"strPrintTailer", &DeviceSeriesCommandSet::strPrintTailer},
    {"strCutHeader", &DeviceSeriesCommandSet::strCutHeader},
    {"strCutTailer", &DeviceSeriesCommandSet::strCutTailer},
    {"strPageFeed", &DeviceSeriesCommandSet::strPageFeed},
    {"strPageRewind", &DeviceSeriesCommandSet::strPageRewind},
    {"strSheetCut", &DeviceSeriesCommandSet::strSheetCut},
    {"strCancel", &DeviceSeriesCommandSet::strCancel},
}};

namespace {

// The root element with every list in file order, made at `out` (a
// DomElementBuilder or an XmlStreamWriter) with "strVersion" = `version`.
// The media feed-calibration lists of `series` are sized to the number of
// models just before the media are written.
template <typename Out>
void WriteSeriesTo(DeviceSeriesIO& io, Out& out, DeviceSeries& series,
                   std::string_view version) {
  out.Begin(io.GetRootName());
  out.Attribute("strVersion", version);
  WriteEachRecord(
      out, "aModelInfoList", series.aModelInfoList,
      [&](Out& to, const ModelInfo& r) { io.WriteModelInfo(to, r); });
  WriteEachRecord(out, "aInkInfoList", series.aInkInfoList,
                  [&](Out& to, const InkInfo& r) { io.WriteInkInfo(to, r); });
  WriteEachRecord(
      out, "aInkConfigInfoList", series.aInkConfigInfoList,
      [&](Out& to, const InkConfigInfo& r) { io.WriteInkConfigInfo(to, r); });
  WriteEachRecord(
      out, "aResolutionInfoList", series.aResolutionInfoList,
      [&](Out& to, const ResolutionInfo& r) { io.WriteResolutionInfo(to, r); });
  WriteEachRecord(out, "aModeInfoList", series.aModeInfoList,
                  [&](Out& to, const ModeInfo& r) { io.WriteModeInfo(to, r); });
  WriteEachRecord(
      out, "aSeparationInfoList", series.aSeparationInfoList,
      [&](Out& to, const SeparationInfo& r) { io.WriteSeparationInfo(to, r); });
  WriteEachRecord(out, "aVControlPointList", series.aVControlPointList,
                  [](Out& to, const VControlPoint& r) {
                    devseries::WriteVControlPoint(to, r);
                  });
  WriteEachRecord(
      out, "aPatternInfoList", series.aPatternInfoList,
      [&](Out& to, const PatternInfo& r) { io.WritePatternInfo(to, r); });

  out.Begin("commandSet");
  for (const CommandStringField& field : kCommandStringFields) {
    const std::string& bytes = series.commandSet.*field.member;
    out.TextElement(field.name,
                    EncodeEscapedString(bytes.data(), bytes.size()));
  }
  out.End();

  // Every medium carries one feed calibration value per model.
  const size_t models = series.aModelInfoList.size();
  for (MediaInfo& media : series.aMediaInfoList) {
    if (media.aflFeedCalibration.size() != models) {
      media.aflFeedCalibration.resize(models, 0.0f);
    }
  }
  WriteEachRecord(
      out, "aMediaInfoList", series.aMediaInfoList,
      [&](Out& to, const MediaInfo& r) { io.WriteMediaInfo(to, r); });
  WritePrintChartFileInfoSetList(out, series.aPrintChartFileInfoSetList);
  WriteInkVolumeInfoList(out, series.aInkVolumeInfoList);
  WriteField(out, "strFirmwareDownloadURL", series.strFirmwareDownloadURL);
  out.End();
}

// Separations without input inks get C, M, Y, K by short ink name (the last
// ink of a name wins; a missing one gives 0).
void SetDefaultInputInks(DeviceSeries& series) {
  std::vector<std::int32_t> cmyk(4, 0);
  const char* names[] = {"C", "M", "Y", "K"};
  for (const InkInfo& ink : series.aInkInfoList) {
    for (size_t i = 0; i < 4; ++i) {
      if (ink.strShortInkName == names[i]) cmyk[i] = ink.nInkIndex;
    }
  }
  for (SeparationInfo& separation : series.aSeparationInfoList) {
    if (separation.anInputChannelInkIndexList.empty()) {
      separation.anInputChannelInkIndexList = cmyk;
    }
  }
}

const SeparationInfo* FindSeparation(const DeviceSeries& series,
                                     std::int32_t index) {
  for (const SeparationInfo& separation : series.aSeparationInfoList) {
    if (separation.nSeparationIndex == index) return &separation;
  }
  return nullptr;
}

// A permission set whose angle list does not have one angle per input
// channel of its separation gets the standard angles for 4 or 6 channels.
// A set whose separation does not exist keeps its list.
void SetDefaultScreenAngles(DeviceSeries& series) {
  for (MediaInfo& media : series.aMediaInfoList) {
    for (PermissionSet& permission : media.aPermissionSetList) {
      const SeparationInfo* separation =
          FindSeparation(series, permission.nSeparationIndex);
      if (separation == nullptr) continue;
      std::vector<float>& degrees = permission.screenOption.flDegrees;
      size_t channels = separation->anInputChannelInkIndexList.size();
      if (degrees.size() == channels) continue;
      degrees.resize(channels, 0.0f);
      if (channels == 4) {
        degrees = {30.0f, 45.0f, 90.0f, 60.0f};
      } else if (channels == 6) {
        degrees = {15.0f, 45.0f, 90.0f, 75.0f, 45.0f, 45.0f};
      }
    }
  }
}

}  // namespace

DeviceSeriesIO::DeviceSeriesIO(std::string path) : ICommonIO(std::move(path)) {}

void DeviceSeriesIO::GetVersion(IOVersion& version) const {
  version = IOVersion{1, 0, 0, 0};
}

std::string DeviceSeriesIO::GetRootName() const { return "DeviceSeries"; }

DomNode DeviceSeriesIO::WriteDeviceSeries(DomDocument& document,
                                          DeviceSeries& series) {
  IOVersion own;
  GetVersion(own);
  return BuildElement(document, [&](DomElementBuilder& out) {
    WriteSeriesTo(*this, out, series, own.ToString());
  });
}

void DeviceSeriesIO::WriteDeviceSeries(XmlStreamWriter& out,
                                       DeviceSeries& series,
                                       std::string_view version) {
  WriteSeriesTo(*this, out, series, version);
}

void DeviceSeriesIO::ReadDeviceSeries(DomNode root, DeviceSeries& series) {
  ChildCursor cursor(root);
  AppendEveryChildRecord(
      cursor.Next("aModelInfoList"), "ModelInfo", series.aModelInfoList,
      [&](DomNode node, ModelInfo& record) { ReadModelInfo(node, record); });
  AppendEveryChildRecord(
      cursor.Next("aInkInfoList"), "InkInfo", series.aInkInfoList,
      [&](DomNode node, InkInfo& record) { ReadInkInfo(node, record); });
  AppendEveryChildRecord(cursor.Next("aInkConfigInfoList"), "InkConfigInfo",
                         series.aInkConfigInfoList,
                         [&](DomNode node, InkConfigInfo& record) {
                           ReadInkConfigInfo(node, record);
                         });
  AppendEveryChildRecord(cursor.Next("aResolutionInfoList"), "ResolutionInfo",
                         series.aResolutionInfoList,
                         [&](DomNode node, ResolutionInfo& record) {
                           ReadResolutionInfo(node, record);
                         });
  AppendEveryChildRecord(
      cursor.Next("aModeInfoList"), "ModeInfo", series.aModeInfoList,
      [&](DomNode node, ModeInfo& record) { ReadModeInfo(node, record); });
  AppendEveryChildRecord(cursor.Next("aSeparationInfoList"), "SeparationInfo",
                         series.aSeparationInfoList,
                         [&](DomNode node, SeparationInfo& record) {
                           ReadSeparationInfo(node, record);
                         });
  AppendEveryChildRecord(cursor.Next("aVControlPointList"), "VControlPoint",
                         series.aVControlPointList,
                         [](DomNode node, VControlPoint& record) {
                           ReadVControlPoint(node, record);
                         });
  AppendEveryChildRecord(cursor.Next("aPatternInfoList"), "PatternInfo",
                         series.aPatternInfoList,
                         [&](DomNode node, PatternInfo& record) {
                           ReadPatternInfo(node, record);
                         });

  // Each command string keeps every decoded byte, zero bytes included.
  ChildCursor commands(cursor.Next("commandSet"));
  for (const CommandStringField& field : kCommandStringFields) {
    std::string text = ReadStringValue(commands.Next(field.name));
    series.commandSet.*field.member =
        decodeEscapedString(text.data(), text.size());
  }

  AppendEveryChildRecord(
      cursor.Next("aMediaInfoList"), "MediaInfo", series.aMediaInfoList,
      [&](DomNode node, MediaInfo& record) { ReadMediaInfo(node, record); });

  for (size_t i = 0; i < kLanguageCount; ++i) {
    series.strFirmwareDownloadURL[i] = i == kJapaneseLanguageEntry
                                           ? kFirmwareLinkJapanese
                                           : kFirmwareLinkInternational;
  }
  for (DomNode node = cursor.Next(); node; node = cursor.Next()) {
    std::string_view name = node.NodeName();
    if (name == "aPrintChartFileInfoSetList") {
      ReadPrintChartFileInfoSetList(node, series.aPrintChartFileInfoSetList);
    } else if (name == "aInkVolumeInfoList") {
      ReadInkVolumeInfoList(node, series.aInkVolumeInfoList);
    } else if (name == "strFirmwareDownloadURL") {
      ReadLanguageStringSet(node, series.strFirmwareDownloadURL);
    }
  }

  SetDefaultInputInks(series);
  SetDefaultScreenAngles(series);
}

bool DeviceSeriesIO::Read(DeviceSeries& series) {
  ReadReport& report = Report();
  report.Reset();
  DomDocumentPtr document;
  try {
    if (!m_creator.GetDocument() && !EnsureDocumentLoaded()) {
      RecordLoadFailure(m_creator.m_lastParseError, m_strPath, report);
      return false;
    }
    document = m_creator.GetDocument();
  } catch (...) {
    RecordLoadFailure(platform::DomParseError(), m_strPath, report);
    return false;
  }

  // The session follows the read from here on, so a refusal says where.
  ReadSession session(*document, report);
  DomNode root;
  try {
    root = LocateRootElement(document.get());
  } catch (const VersionMismatchException& mismatch) {
    bool read = false;
    if (IsOlderVersion(mismatch.m_found, mismatch.m_expected)) {
      try {
        read = ReadOlderFile(series);
      } catch (...) {
        session.RecordCurrentException();
        return false;
      }
    }
    if (!read && report.error.IsEmpty()) {
      RecordVersionRefusal(session, *document, ReadableVersions());
    }
    return read;
  } catch (...) {
    RecordRootFailure(session, *document);
    return false;
  }

  try {
    // Read into a copy, so a failure leaves the caller's document as it was.
    DeviceSeries result = series;
    ReadDeviceSeries(root, result);
    series = std::move(result);
    return true;
  } catch (...) {
    session.RecordCurrentException();
    return false;
  }
}

bool DeviceSeriesIO::ReadOlderFile(DeviceSeries&) {
  // This class reads no older format: the file is not read, and that is a
  // failure, not a success with nothing read.
  return false;
}

std::string DeviceSeriesIO::ReadableVersions() const {
  IOVersion own;
  GetVersion(own);
  return FormatInt(own.nMajor) + "." + FormatInt(own.nMinor);
}

bool DeviceSeriesIO::WriteWithVersion(DeviceSeries& series,
                                      const std::string& version,
                                      bool throughDom) {
  if (throughDom) {
    return WriteDocumentFile(m_strPath, [&](DomDocument& document) {
      DomNode root = WriteDeviceSeries(document, series);
      root.SetAttribute("strVersion", version);
      return root;
    });
  }
  return StreamDocumentFile(m_strPath, [&](XmlStreamWriter& out) {
    WriteDeviceSeries(out, series, version);
  });
}

bool DeviceSeriesIO::Write(DeviceSeries& series) {
  IOVersion own;
  GetVersion(own);
  return WriteWithVersion(series, own.ToString(), false);
}

bool DeviceSeriesIO::WriteThroughDom(DeviceSeries& series) {
  IOVersion own;
  GetVersion(own);
  return WriteWithVersion(series, own.ToString(), true);
}

bool DeviceSeriesIO::WriteKeepingFileVersion(DeviceSeries& series) {
  ScopedComInit com;
  if (!com.ok() || !IsMsxmlRegistered()) return false;
  ReadFileVersion();
  return WriteWithVersion(series, KeptFileVersion().ToString(), false);
}

void DeviceSeriesIO::ReadFileVersion() {
  // A document this object already holds tells it, as it tells a read.
  if (m_creator.GetDocument()) {
    CheckFileVersion();
    return;
  }
  // Otherwise the file is read up to its root element's start tag only. A
  // read the file system refuses is tried once more before the file counts
  // as unreadable, so one passing fault does not change the version.
  try {
    DomDocument head;
    bool loaded = head.LoadUpToRootElement(m_strPath);
    if (!loaded &&
        head.parseError().failure == platform::DomLoadFailure::kCannotRead) {
      loaded = head.LoadUpToRootElement(m_strPath);
    }
    if (loaded) LocateRootElement(&head);
  } catch (...) {
    // No version, or one this host refuses: the version found (if any) is
    // kept all the same, as CheckFileVersion keeps it.
  }
}

IOVersion DeviceSeriesIO::KeptFileVersion() const {
  // The version is written as the file gave its four parts; a file marked
  // 0.0.0.0 (or without a readable version) counts as unversioned.
  IOVersion version;
  GetVersion(version);
  if (m_nFileVersion != 0) version = m_fileVersion;
  return version;
}

DeviceSeriesIO2::DeviceSeriesIO2(std::string path)
    : ICommonIO(path), DeviceSeriesIO(path) {}

void DeviceSeriesIO2::GetVersion(IOVersion& version) const {
  version = IOVersion{3, 3, 0, 0};
}

bool DeviceSeriesIO2::ReadOlderFile(DeviceSeries& series) {
  // The 1.0 reader reads only files marked 1.0 (it runs under the same
  // version gate as this one): any other older file is refused here, as it
  // would refuse it, so the refusal names the versions this reader reads.
  DeviceSeriesIO older(m_strPath);
  IOVersion olderVersion;
  older.GetVersion(olderVersion);
  if (m_fileVersion.nMajor != olderVersion.nMajor ||
      m_fileVersion.nMinor != olderVersion.nMinor) {
    return false;
  }
  // It takes over the document already loaded, and reports as this reader.
  older.m_creator.m_pDocument = m_creator.GetDocument();
  older.Report().collectWarnings = Report().collectWarnings;
  const bool read = older.Read(series);
  Report() = older.Report();
  return read;
}

std::string DeviceSeriesIO2::ReadableVersions() const {
  return DeviceSeriesIO::ReadableVersions() + ", or 1.0 through the 1.0 reader";
}

bool WriteDeviceSeriesFile(const std::string& path, DeviceSeries& series) {
  DeviceSeriesIO io(path);
  return io.Write(series);
}

bool ReadDeviceSeriesElement(DomNode root, DeviceSeries& series) {
  try {
    DeviceSeriesIO io("");
    DeviceSeries result = series;
    io.ReadDeviceSeries(root, result);
    series = std::move(result);
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace devseries
