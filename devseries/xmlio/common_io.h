// The common base of every document IO class: root name, own format
// version, file path, DOM holder and the version read from the file.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

#include "devseries/xmlio/dom_creator.h"
#include "devseries/xmlio/read_report.h"

#pragma GCC visibility push(default)
namespace devseries {

class ReadSession;

// A four-part format version, written "%d.%d.%d.%d".
struct IOVersion {
  std::int32_t nMajor = 0;
  std::int32_t nMinor = 0;
  std::int32_t nRevision = 0;
  std::int32_t nBuild = 0;

  std::string ToString() const;
  // Parses "%d.%d.%d.%d" with scanf's rules; parts that the text does not
  // give are 0. Returns the number of parts read.
  int Parse(const std::string& text);
  // ((major * 100 + minor) * 100 + revision) * 100 + build, with the
  // arithmetic of 32-bit ints that wrap.
  std::int32_t Pack() const;
  bool operator==(const IOVersion&) const;
  bool operator!=(const IOVersion& other) const { return !(*this == other); }
};

// The host title (string 57344) that turns the version gate on.
inline constexpr unsigned kHostTitleStringId = 57344;
inline constexpr const char* kVersionGateTitle = "Vintrell Ostrivane Dual";

class ICommonIO {
 public:
  class InterpretException : public std::exception {
   public:
    const char* what() const noexcept override {
      return "XMLIO reader reports lexically conforming but invalid "
             "structured xml file";
    }
  };

  class VersionMismatchException : public std::exception {
   public:
    VersionMismatchException(const IOVersion& expected, const IOVersion& found)
        : m_expected(expected), m_found(found) {}
    const char* what() const noexcept override { return "Unknown exception"; }
    IOVersion m_expected;
    IOVersion m_found;
  };

  explicit ICommonIO(std::string path);
  virtual ~ICommonIO();
  ICommonIO(const ICommonIO&) = delete;
  ICommonIO& operator=(const ICommonIO&) = delete;

  // The IO class's own format version.
  virtual void GetVersion(IOVersion& version) const = 0;
  // The name of the document's root element.
  virtual std::string GetRootName() const = 0;

  // Loads the file at m_strPath unless a document is held; a creator whose
  // last load failed is first made anew. True when a document is held.
  bool EnsureDocumentLoaded();

  // Finds the first element child of `document` (the held document when
  // null) named GetRootName(); throws InterpretException when there is none
  // and std::runtime_error("<root>IO: Lacking version attribute") when it
  // has no "strVersion". Stores the version in m_nFileVersion and
  // m_fileVersion; under the host title kVersionGateTitle a major or minor
  // that differs from GetVersion() throws VersionMismatchException.
  DomNode LocateRootElement(DomDocument* document = nullptr);
  // What LocateRootElement does with the text of the root's "strVersion":
  // stores the version, then applies the version gate.
  void AcceptFileVersion(std::string_view text);
  // 0 normally, -1 for a file older than the class, 1 for a newer one.
  int CheckFileVersion();
  // A new root element with "strVersion" set to the class's version.
  DomNode CreateRootElement(DomDocument& document);
  // Sets "strVersion" of `root` to the class's version.
  void WriteVersionAttribute(DomNode root);

  // The largest file a read of this object accepts; 0 (the default) keeps
  // each read path's own limit: platform::kMaxDocumentBytes for a read
  // through the DOM, platform::kMaxStreamedDocumentBytes for a streamed one.
  void SetSizeLimit(size_t bytes) { m_sizeLimit = bytes; }
  // The limit of a read through the DOM (`streamed` false) or streamed.
  size_t SizeLimit(bool streamed) const;

  // Which file versions a read of this object accepts: kHostTitle (the
  // default) applies the version gate under the host title
  // kVersionGateTitle; kOff never applies it; kOn always applies it,
  // against the major and minor of `expected` (of GetVersion() when all
  // four parts of `expected` are 0).
  enum class VersionGate { kHostTitle, kOff, kOn };
  void SetVersionGate(VersionGate gate, const IOVersion& expected = {}) {
    m_versionGate = gate;
    m_gateVersion = expected;
  }

  // The report of the last read or write: why it failed, where in the
  // file, and the coerced values when collectWarnings was set before a
  // read. A write resets it, and a failed one leaves its reason there
  // (ReadFailure::kCannotWrite, "cannot write PATH: REASON"): what a caller
  // asks for the reason of the last failed write.
  ReadReport& Report() { return m_report; }
  const ReadReport& Report() const { return m_report; }

  std::string m_strPath;
  MSXMLDOMCreator m_creator;
  std::int32_t m_nFileVersion = 0;
  // The four parts as the file gave them (m_nFileVersion is their packing).
  IOVersion m_fileVersion;

 protected:
  // The first element child of `document` named GetRootName(), or null.
  DomNode FindRootElement(DomDocument& document) const;
  // In a handler of an exception LocateRootElement raised on `document`
  // (other than a version mismatch): records in `session` why the root was
  // refused (none, no version attribute, or what the exception says).
  void RecordRootFailure(ReadSession& session, DomDocument& document) const;
  // Records in `session` that the version of the file is not one this host
  // reads; `readable` lists the ones it reads ("3.3").
  void RecordVersionRefusal(ReadSession& session, DomDocument& document,
                            std::string_view readable) const;

 private:
  ReadReport m_report;
  size_t m_sizeLimit = 0;
  VersionGate m_versionGate = VersionGate::kHostTitle;
  IOVersion m_gateVersion;
};

// True when the found version counts as older than the expected one.
bool IsOlderVersion(const IOVersion& found, const IOVersion& expected);

// Writes a new document to `path`: component runtime initialised and the
// DOM service checked, the "xml" declaration instruction first, then the
// element `buildRoot` makes, saved, runtime ended. False on any failure
// (the previous file at `path` is then left as it was); never throws.
//
// With a `report`, it is reset, and a failure is recorded in it
// (RecordWriteFailure: ReadFailure::kCannotWrite, "cannot write PATH:
// REASON", the reason being the system's error the save met, "the DOM
// service is not available", or what `buildRoot` raised).
template <typename BuildRoot>
[[nodiscard]] bool WriteDocumentFile(const std::string& path,
                                     BuildRoot&& buildRoot,
                                     ReadReport* report = nullptr);

// Why a write cannot start when the component runtime did not start
// (`runtimeStarted` false: "the component runtime cannot start") or the
// DOM service is missing ("the DOM service is not available").
const char* WriteServiceFailureReason(bool runtimeStarted);

// In a handler of the exception that ended a write of `path`: what it says,
// as the reason of a write report. A DOM save's error (_com_error with
// XML_E_FILEIO, whose description is "PATH: REASON") gives its REASON ("No
// such file or directory"), another component error its description (or
// the system's message for its code), a standard exception its what(), an
// exhausted memory "out of memory", a record builder's int code "the
// document cannot be made (code N)". Never throws (an empty text when even
// that cannot be made).
std::string CurrentWriteExceptionReason(std::string_view path);

// The declaration instruction's data.
inline constexpr const char* kXmlDeclarationData =
    "version='1.0' encoding='UTF-8'";

// Pairs one component-runtime initialisation with its end.
class ScopedComInit {
 public:
  ScopedComInit() : hr_(platform::CoInitialize(nullptr)) {}
  ~ScopedComInit() {
    if (hr_ >= 0) platform::CoUninitialize();
  }
  ScopedComInit(const ScopedComInit&) = delete;
  ScopedComInit& operator=(const ScopedComInit&) = delete;
  bool ok() const { return hr_ >= 0; }

 private:
  HRESULT hr_;
};

template <typename BuildRoot>
bool WriteDocumentFile(const std::string& path, BuildRoot&& buildRoot,
                       ReadReport* report) {
  if (report != nullptr) report->Reset();
  ScopedComInit com;
  if (!com.ok() || !IsMsxmlRegistered()) {
    if (report != nullptr) {
      RecordWriteFailure(path, WriteServiceFailureReason(com.ok()), *report);
    }
    return false;
  }
  try {
    DomDocument document;
    document.InsertBefore(
        document.CreateProcessingInstruction("xml", kXmlDeclarationData),
        DomNode());
    DomNode root = buildRoot(document);
    document.AppendChild(root);
    document.Save(path);
    return true;
  } catch (...) {
    if (report != nullptr) {
      RecordWriteFailure(path, CurrentWriteExceptionReason(path), *report);
    }
    return false;
  }
}

}  // namespace devseries
#pragma GCC visibility pop
