#include "devseries/device_series.h"

#include <new>

#include "devseries/device_series_model_internal.h"
#include "devseries/platform/file_system.h"
#include "devseries/series_read_internal.h"
#include "devseries/xmlio/read_session.h"
#include "devseries/xmlio/record_codec.h"
#include "devseries/xmlio/xml_stream_writer.h"

namespace devseries {

using field_model::Model;

// The command strings' rows of the model, as the table the library's users
// know.
const std::array<CommandStringField, 9> kCommandStringFields = std::apply(
    [](const auto&... row) {
      return std::array<CommandStringField, 9>{
          {CommandStringField{row.name.data(), row.member}...}};
    },
    Model<DeviceSeriesCommandSet>::kFields);

namespace {

// Records, in a handler of what ended a streamed read of `path`, that the
// file cannot be read now (out of memory) or loaded; returns false.
bool RecordStreamedReadException(const std::string& path, ReadReport& report);

// The root element with every member in file order, made at `out` (a
// DomElementBuilder or an XmlStreamWriter) with "strVersion" = `version`.
// The media feed-calibration lists of `series` are sized to the number of
// models just before the media are written.
template <typename Out>
void WriteSeriesTo(DeviceSeriesIO& io, Out& out, DeviceSeries& series,
                   std::string_view version) {
  out.Begin(io.GetRootName());
  out.Attribute("strVersion", version);
  field_model::ForEachField<DeviceSeries>([&](const auto& row) {
    if (!row.stored()) return;
    if constexpr (std::is_same_v<
                      typename std::remove_cvref_t<decltype(row)>::MemberType,
                      std::vector<MediaInfo>>) {
      // Every medium carries one feed calibration value per model.
      const size_t models = series.aModelInfoList.size();
      for (MediaInfo& media : series.*row.member) {
        if (media.aflFeedCalibration.size() != models) {
          media.aflFeedCalibration.resize(models, 0.0f);
        }
      }
    }
    row.codec.Write(out, row.name, series.*row.member);
  });
  out.End();
}

// What the root holds by position, counting every child node: the model's
// positional rows (eight lists, the command set, the media list). The
// members after them are found by name (ReadNamedMember).
struct PositionalMember {
  std::string_view name;
  // The element of each entry of a list; empty for a member read whole.
  std::string_view entry;
  // Reads one entry of the list from `node` and appends it; null for a
  // member read whole.
  void (*readEntry)(DomNode node, DeviceSeries& series);
  // Reads the member from its element `node`.
  void (*readWhole)(DomNode node, DeviceSeries& series);
};

template <size_t I>
constexpr const auto& RowOf() {
  return std::get<I>(Model<DeviceSeries>::kFields);
}

template <size_t I>
void ReadListEntry(DomNode node, DeviceSeries& series) {
  using Entry =
      typename std::remove_cvref_t<decltype(series.*
                                            RowOf<I>().member)>::value_type;
  AppendRecord(node, series.*RowOf<I>().member,
               [](DomNode n, Entry& r) { field_model::ReadRecord(n, r); });
}

template <size_t I>
void ReadWholeMember(DomNode node, DeviceSeries& series) {
  field_model::ReadRow(RowOf<I>(), node, series);
}

template <size_t I>
constexpr PositionalMember MakePositionalMember() {
  using Row = std::remove_cvref_t<decltype(RowOf<I>())>;
  if constexpr (Row::kEncoding == field_model::Encoding::kRecordList) {
    using Entry = typename Row::MemberType::value_type;
    return {RowOf<I>().name, Model<Entry>::kElement, &ReadListEntry<I>,
            nullptr};
  } else {
    return {RowOf<I>().name, {}, nullptr, &ReadWholeMember<I>};
  }
}

template <size_t... I>
constexpr size_t CountPositional(std::index_sequence<I...>) {
  return ((RowOf<I>().find == field_model::Find::kPosition ? 1 : 0) + ...);
}

constexpr size_t kRootRows =
    std::tuple_size_v<decltype(Model<DeviceSeries>::kFields)>;
constexpr size_t kPositionalCount =
    CountPositional(std::make_index_sequence<kRootRows>());

template <size_t... I>
constexpr std::array<PositionalMember, kPositionalCount> MakePositionalMembers(
    std::index_sequence<I...>) {
  std::array<PositionalMember, kPositionalCount> members{};
  size_t count = 0;
  ((RowOf<I>().find == field_model::Find::kPosition
        ? static_cast<void>(members[count++] = MakePositionalMember<I>())
        : void()),
   ...);
  return members;
}

constexpr std::array<PositionalMember, kPositionalCount> kPositionalMembers =
    MakePositionalMembers(std::make_index_sequence<kRootRows>());

// Reads the root's child at position `slot` + 1 (`node`, null when the
// root has fewer children: that raises as a missing member) whole.
void ReadPositionalMember(DeviceSeriesIO&, size_t slot, DomNode node,
                          DeviceSeries& series) {
  const PositionalMember& member = kPositionalMembers[slot];
  if (member.readEntry == nullptr) {
    member.readWhole(node, series);
    return;
  }
  ChildCursor cursor(node);
  for (DomNode entry = cursor.Next(member.entry); entry;
       entry = cursor.Next(member.entry)) {
    member.readEntry(entry, series);
  }
}

// Reads a child of the root after the positional ones, by its name; other
// nodes are skipped.
void ReadNamedMember(DomNode node, DeviceSeries& series) {
  field_model::ReadNamedRow(node, series);
}

bool IsNamedMember(std::string_view name) {
  return field_model::IsNamedRow<DeviceSeries>(name);
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
// A set whose separation does not exist keeps its list. The angles made
// are charged to the read of `root` (many sets naming a separation of
// many channels would otherwise multiply a small file into a huge one).
void SetDefaultScreenAngles(
    DeviceSeries& series,
    const std::function<void(std::uint64_t angles)>& charge) {
  for (MediaInfo& media : series.aMediaInfoList) {
    for (PermissionSet& permission : media.aPermissionSetList) {
      const SeparationInfo* separation =
          FindSeparation(series, permission.nSeparationIndex);
      if (separation == nullptr) continue;
      std::vector<float>& degrees = permission.screenOption.flDegrees;
      size_t channels = separation->anInputChannelInkIndexList.size();
      if (degrees.size() == channels) continue;
      if (channels > degrees.size()) charge(channels - degrees.size());
      degrees.resize(channels, 0.0f);
      if (channels == 4) {
        degrees = {30.0f, 45.0f, 90.0f, 60.0f};
      } else if (channels == 6) {
        degrees = {15.0f, 45.0f, 90.0f, 75.0f, 45.0f, 45.0f};
      }
    }
  }
}

// NormaliseSeries for a read of `root`, charged to its session.
void NormaliseSeries(DomNode root, DeviceSeries& series) {
  devseries::NormaliseSeries(
      series, [&](std::uint64_t angles) { ChargeValues<float>(root, angles); });
}

}  // namespace

void SetDefaultFirmwareLinks(DeviceSeries& series) {
  for (size_t i = 0; i < kLanguageCount; ++i) {
    series.strFirmwareDownloadURL[i] = i == kJapaneseLanguageEntry
                                           ? kFirmwareLinkJapanese
                                           : kFirmwareLinkInternational;
  }
}

void NormaliseSeries(DeviceSeries& series,
                     const std::function<void(std::uint64_t angles)>& charge) {
  SetDefaultInputInks(series);
  SetDefaultScreenAngles(series, charge);
}

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
  for (size_t slot = 0; slot < kPositionalMembers.size(); ++slot) {
    ReadPositionalMember(*this, slot,
                         cursor.Next(kPositionalMembers[slot].name), series);
  }
  SetDefaultFirmwareLinks(series);
  for (DomNode node = cursor.Next(); node; node = cursor.Next()) {
    ReadNamedMember(node, series);
  }
  NormaliseSeries(root, series);
}

bool DeviceSeriesIO::Read(DeviceSeries& series) {
  if (m_creator.GetDocument()) return ReadThroughDom(series);
  return ReadStreamed(series);
}

bool DeviceSeriesIO::ReadThroughDom(DeviceSeries& series) {
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
  session.SetMemoryBound(MemoryBound(false));
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

// Reads a device series while the DOM service parses its file: each
// element is told to it as it is made (DomStreamHandler), and it reads
// what the read through the DOM reads, in the same order, as soon as the
// nodes it needs are complete: the root's version when its start tag is
// parsed, each entry of a positional list at its end tag (then discarded,
// so the tree never holds more than one entry's nodes), the command set
// and the members after the positional ones whole at their end tags, the
// members missing at the root's end. The same codecs and the same session
// see the same nodes, so the outcome, the report and the document are
// those of ReadThroughDom.
//
// After a failure the parse goes on to the end, discarding what it makes,
// so that a well-formedness error later in the file decides, as it does
// for a full load.
class SeriesStreamReader final : public platform::DomStreamHandler {
 public:
  SeriesStreamReader(DeviceSeriesIO& io, DomDocument& document,
                     ReadSession& session, DeviceSeries& result)
      : io_(io),
        reader_(&io),
        document_(document),
        session_(session),
        result_(result) {}

  void ElementStarted(DomNode element, int depth) override {
    if (failed_) return;
    Guarded([&] {
      if (depth == 1) {
        StartRoot();
      } else if (depth == 2) {
        StartRootChild(element);
      }
    });
  }

  void ElementEnded(DomNode element, int depth) override {
    if (!failed_) {
      Guarded([&] {
        if (depth == 1) {
          EndRoot();
        } else if (depth == 2) {
          EndRootChild(element);
        } else if (depth == 3) {
          EndEntry(element);
        }
      });
    }
    // Whatever has been read (or will never be) below the third level
    // goes; the first three levels stay for the paths of the report.
    if (depth == 3 && (failed_ || !keepEntries_)) {
      session_.Forget(element);
      element.DiscardChildren();
    }
  }

  // True when the whole root was read.
  bool read() const { return read_ && !failed_; }

 private:
  // What the root child being parsed is read as.
  enum class Child { kNone, kList, kWhole, kSkipped };

  template <typename Step>
  void Guarded(Step&& step) {
    try {
      step();
    } catch (...) {
      failed_ = true;
      session_.RecordCurrentException();
    }
  }

  void StartRoot() {
    try {
      root_ = io_.LocateRootElement(&document_);
    } catch (const ICommonIO::VersionMismatchException& mismatch) {
      if (IsOlderVersion(mismatch.m_found, mismatch.m_expected)) {
        older_ = io_.OlderFileReader();
      }
      if (!older_) {
        failed_ = true;
        io_.RecordVersionRefusal(session_, document_, io_.ReadableVersions());
        return;
      }
      // The older reader reads the file under its own version gate.
      reader_ = older_.get();
      root_ = reader_->LocateRootElement(&document_);
    } catch (...) {
      failed_ = true;
      io_.RecordRootFailure(session_, document_);
      return;
    }
    SetDefaultFirmwareLinks(result_);
    session_.SetOpenElements(root_, DomNode());
  }

  // The root's children before `upTo` (null: all) not yet read: nodes
  // other than elements, which a start tag does not announce.
  void CatchUpRoot(DomNode upTo) {
    DomNode node = lastRootChild_ ? lastRootChild_.GetNextSibling()
                                  : root_.GetFirstChild();
    for (; node && !(node == upTo); node = node.GetNextSibling()) {
      const size_t slot = rootChildren_++;
      lastRootChild_ = node;
      if (slot < kPositionalMembers.size()) {
        ReadPositionalMember(*reader_, slot,
                             Step(root_, node, kPositionalMembers[slot].name),
                             result_);
      } else {
        ReadNamedMember(Step(root_, node, {}), result_);
      }
    }
  }

  DomNode Step(DomNode parent, DomNode node, std::string_view expected) {
    session_.Step(parent, node, expected);
    return node;
  }

  void StartRootChild(DomNode element) {
    CatchUpRoot(element);
    const size_t slot = rootChildren_++;
    lastRootChild_ = element;
    child_ = Child::kWhole;
    keepEntries_ = true;
    if (slot < kPositionalMembers.size()) {
      Step(root_, element, kPositionalMembers[slot].name);
      if (kPositionalMembers[slot].readEntry != nullptr) {
        session_.SetOpenElements(root_, element);
        child_ = Child::kList;
        slot_ = slot;
        lastEntry_ = DomNode();
        keepEntries_ = false;
      }
    } else {
      Step(root_, element, {});
      if (!IsNamedMember(element.NodeName())) {
        child_ = Child::kSkipped;
        keepEntries_ = false;
      }
    }
  }

  // The entries of the list being parsed before `upTo` (null: all) not yet
  // read, and `upTo` itself.
  void ReadEntriesUpTo(DomNode list, DomNode upTo) {
    const PositionalMember& member = kPositionalMembers[slot_];
    DomNode node =
        lastEntry_ ? lastEntry_.GetNextSibling() : list.GetFirstChild();
    for (; node; node = node.GetNextSibling()) {
      lastEntry_ = node;
      member.readEntry(Step(list, node, member.entry), result_);
      if (node == upTo) break;
    }
  }

  void EndEntry(DomNode element) {
    if (child_ == Child::kList) {
      ReadEntriesUpTo(element.GetParentNode(), element);
    }
  }

  void EndRootChild(DomNode element) {
    session_.SetOpenElements(root_, DomNode());
    if (child_ == Child::kList) {
      ReadEntriesUpTo(element, DomNode());
      Step(element, DomNode(), kPositionalMembers[slot_].entry);
    } else if (child_ == Child::kWhole) {
      const size_t slot = rootChildren_ - 1;
      if (slot < kPositionalMembers.size()) {
        ReadPositionalMember(*reader_, slot, element, result_);
      } else {
        ReadNamedMember(element, result_);
      }
      session_.Forget(element);
      element.DiscardChildren();
    }
    child_ = Child::kNone;
    keepEntries_ = true;
  }

  void EndRoot() {
    session_.SetOpenElements(DomNode(), DomNode());
    CatchUpRoot(DomNode());
    // The positional members the root lacks: the first of them ends the
    // read as missing, as a cursor past the last child does.
    for (size_t slot = rootChildren_; slot < kPositionalMembers.size();
         ++slot) {
      ReadPositionalMember(
          *reader_, slot, Step(root_, DomNode(), kPositionalMembers[slot].name),
          result_);
    }
    Step(root_, DomNode(), {});
    NormaliseSeries(root_, result_);
    read_ = true;
  }

  DeviceSeriesIO& io_;
  // The IO whose codecs read the records: io_, or the reader of an older
  // format io_ hands the file to.
  DeviceSeriesIO* reader_;
  std::unique_ptr<DeviceSeriesIO> older_;
  DomDocument& document_;
  ReadSession& session_;
  DeviceSeries& result_;

  DomNode root_;
  // The root's children read so far (or being read), and the last of them.
  size_t rootChildren_ = 0;
  DomNode lastRootChild_;
  Child child_ = Child::kNone;
  // For a list: its position, and the last entry read.
  size_t slot_ = 0;
  DomNode lastEntry_;
  // Whether the nodes below the third level are kept until their root
  // child ends (the child is read whole then).
  bool keepEntries_ = true;
  bool failed_ = false;
  bool read_ = false;
};

bool DeviceSeriesIO::ReadStreamed(DeviceSeries& series) {
  ReadReport& report = Report();
  report.Reset();
  try {
    // A file that cannot be read twice (a pipe) is read through the tree
    // at once: one the events hand over is read again by its name.
    platform::FileInfo info;
    if (platform::FileSystem::Current()->Stat(m_strPath, &info) !=
            platform::FileError::kNone ||
        info.kind != platform::FileKind::kRegular) {
      return ReadStreamedTree(series);
    }
    const IOVersion fileVersion = m_fileVersion;
    const std::int32_t packedFileVersion = m_nFileVersion;
    // Read into a copy, so a failure leaves the caller's document as it was.
    DeviceSeries result = series;
    platform::DomParseError loadError;
    const EventRead read =
        ReadSeriesEvents(*this, SizeLimit(true), MemoryBound(true),
                         report.collectWarnings, result, loadError);
    if (read == EventRead::kRead) {
      series = std::move(result);
      return true;
    }
    // The file decides before anything read from it, its version too.
    m_fileVersion = fileVersion;
    m_nFileVersion = packedFileVersion;
    if (read == EventRead::kNotLoaded) {
      RecordLoadFailure(loadError, m_strPath, report);
      return false;
    }
  } catch (...) {
    return RecordStreamedReadException(m_strPath, report);
  }
  return ReadStreamedTree(series);
}

bool DeviceSeriesIO::ReadStreamedTree(DeviceSeries& series) {
  ReadReport& report = Report();
  report.Reset();
  try {
    DomDocument document;
    document.SetSizeLimit(SizeLimit(true));
    // Read into a copy, so a failure leaves the caller's document as it was.
    DeviceSeries result = series;
    bool read = false;
    {
      ReadSession session(document, report);
      session.SetStreamed(true);
      session.SetMemoryBound(MemoryBound(true));
      SeriesStreamReader reader(*this, document, session, result);
      const IOVersion fileVersion = m_fileVersion;
      const std::int32_t packedFileVersion = m_nFileVersion;
      if (!document.LoadStreamed(m_strPath, reader)) {
        if (document.parseError().overMemoryBound &&
            report.failure == ReadFailure::kRefused) {
          // The reader passed the bound first and said where; the parse
          // that went on for the rest of the file then stopped on it.
          session.ResolvePendingPositions();
          return false;
        }
        // The file decides before anything read from it, its version too.
        m_fileVersion = fileVersion;
        m_nFileVersion = packedFileVersion;
        report.Reset();
        RecordLoadFailure(document.parseError(), m_strPath, report);
        return false;
      }
      session.ResolvePendingPositions();
      read = reader.read();
      if (!read && report.failure == ReadFailure::kNone) {
        // Cannot happen for a document that parsed whole; kept so a read
        // never fails without saying why.
        report.failure = ReadFailure::kNotWellFormed;
        report.error.message =
            "not well-formed XML: the root element ends early";
      }
    }
    if (read) series = std::move(result);
    return read;
  } catch (...) {
    return RecordStreamedReadException(m_strPath, report);
  }
}

namespace {

bool RecordStreamedReadException(const std::string& path, ReadReport& report) {
  report.Reset();
  platform::DomParseError failure;
  try {
    throw;
  } catch (const std::bad_alloc&) {
    failure.failure = platform::DomLoadFailure::kOutOfMemory;
  } catch (...) {
  }
  RecordLoadFailure(failure, path, report);
  return false;
}

}  // namespace

bool DeviceSeriesIO::ReadOlderFile(DeviceSeries& series) {
  // A class that reads no older format leaves the file unread, and that is
  // a failure, not a success with nothing read.
  std::unique_ptr<DeviceSeriesIO> older = OlderFileReader();
  if (!older) return false;
  // It takes over the document already loaded, and reports as this reader.
  older->m_creator.m_pDocument = m_creator.GetDocument();
  older->Report().collectWarnings = Report().collectWarnings;
  older->SetSizeLimit(SizeLimit(false));
  const bool read = older->ReadThroughDom(series);
  Report() = older->Report();
  return read;
}

std::unique_ptr<DeviceSeriesIO> DeviceSeriesIO::OlderFileReader() {
  return nullptr;
}

std::uint64_t DeviceSeriesIO::MemoryBound(bool streamed) const {
  return std::uint64_t{kMemoryBoundPerFileByte} * SizeLimit(streamed);
}

std::string DeviceSeriesIO::ReadableVersions() const {
  IOVersion own;
  GetVersion(own);
  return FormatInt(own.nMajor) + "." + FormatInt(own.nMinor);
}

bool DeviceSeriesIO::WriteWithVersion(DeviceSeries& series,
                                      const std::string& version,
                                      bool throughDom) {
  // Either one resets the report, and leaves the reason of a failure there.
  if (throughDom) {
    return WriteDocumentFile(
        m_strPath,
        [&](DomDocument& document) {
          DomNode root = WriteDeviceSeries(document, series);
          root.SetAttribute("strVersion", version);
          return root;
        },
        &Report());
  }
  return StreamDocumentFile(
      m_strPath,
      [&](XmlStreamWriter& out) { WriteDeviceSeries(out, series, version); },
      &Report());
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
  if (!com.ok() || !IsMsxmlRegistered()) {
    RecordWriteFailure(m_strPath, WriteServiceFailureReason(com.ok()),
                       Report());
    return false;
  }
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
    // Only the start tag is read, so any file a streamed read takes will do.
    head.SetSizeLimit(SizeLimit(true));
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

std::unique_ptr<DeviceSeriesIO> DeviceSeriesIO2::OlderFileReader() {
  // The 1.0 reader reads only files marked 1.0 (it runs under the same
  // version gate as this one): any other older file is refused here, as it
  // would refuse it, so the refusal names the versions this reader reads.
  auto older = std::make_unique<DeviceSeriesIO>(m_strPath);
  IOVersion olderVersion;
  older->GetVersion(olderVersion);
  if (m_fileVersion.nMajor != olderVersion.nMajor ||
      m_fileVersion.nMinor != olderVersion.nMinor) {
    return nullptr;
  }
  return older;
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

// Member-wise equality, defined here so that the header stays C++17.
bool DeviceSeriesCommandSet::operator==(const DeviceSeriesCommandSet&) const =
    default;
bool DeviceSeries::operator==(const DeviceSeries&) const = default;

}  // namespace devseries
