#include "devseries/xmlio/common_io.h"

#include <cstdio>
#include <new>
#include <stdexcept>

#include "devseries/platform/com_codes.h"
#include "devseries/platform/resources.h"
#include "devseries/xmlio/number_text.h"
#include "devseries/xmlio/read_session.h"

namespace devseries {

std::string IOVersion::ToString() const {
  return FormatInt(nMajor) + "." + FormatInt(nMinor) + "." +
         FormatInt(nRevision) + "." + FormatInt(nBuild);
}

int IOVersion::Parse(const std::string& text) {
  *this = IOVersion();
  std::int32_t* parts[] = {&nMajor, &nMinor, &nRevision, &nBuild};
  // sscanf's %d: blanks, sign, digits; the literal '.' must follow.
  size_t pos = 0;
  int count = 0;
  for (int i = 0; i < 4; ++i) {
    if (i > 0) {
      if (pos >= text.size() || text[pos] != '.') break;
      ++pos;
    }
    size_t start = pos;
    while (pos < text.size() &&
           (text[pos] == ' ' || (text[pos] >= '\t' && text[pos] <= '\r'))) {
      ++pos;
    }
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) ++pos;
    size_t digits = pos;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') ++pos;
    if (pos == digits) break;
    *parts[i] = ParseCLong(std::string_view(text).substr(start, pos - start));
    ++count;
  }
  return count;
}

std::int32_t IOVersion::Pack() const {
  auto wrap = [](std::int64_t v) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
  };
  std::int32_t packed = wrap(std::int64_t{nMajor} * 100 + nMinor);
  packed = wrap(std::int64_t{packed} * 100 + nRevision);
  return wrap(std::int64_t{packed} * 100 + nBuild);
}

bool IsOlderVersion(const IOVersion& found, const IOVersion& expected) {
  return found.nMajor < expected.nMajor || found.nMinor < expected.nMinor;
}

ICommonIO::ICommonIO(std::string path) : m_strPath(std::move(path)) {}

ICommonIO::~ICommonIO() = default;

bool ICommonIO::EnsureDocumentLoaded() {
  if (m_creator.m_bLoadFailed) {
    // A creator whose load failed is made anew, so the runtime and the
    // service check run again before the next attempt.
    m_creator.~MSXMLDOMCreator();
    new (&m_creator) MSXMLDOMCreator();
  }
  if (m_creator.GetDocument()) return true;
  m_creator.m_sizeLimit = SizeLimit(false);
  m_creator.LoadDocument(m_strPath);
  return m_creator.GetDocument() != nullptr && !m_creator.m_bLoadFailed;
}

size_t ICommonIO::SizeLimit(bool streamed) const {
  if (m_sizeLimit != 0) return m_sizeLimit;
  return streamed ? platform::kMaxStreamedDocumentBytes
                  : platform::kMaxDocumentBytes;
}

DomNode ICommonIO::LocateRootElement(DomDocument* document) {
  DomDocumentPtr held;
  if (document == nullptr) {
    held = m_creator.GetDocument();
    document = held.get();
  }
  if (document == nullptr) throw _com_error(platform::E_POINTER);
  const std::string rootName = GetRootName();
  DomNode root = FindRootElement(*document);
  if (!root) throw InterpretException();
  DomNode attribute = root.GetAttributeNode("strVersion");
  if (!attribute) {
    throw std::runtime_error(rootName + "IO: Lacking version attribute");
  }
  AcceptFileVersion(attribute.GetText());
  return root;
}

void ICommonIO::AcceptFileVersion(std::string_view text) {
  IOVersion found;
  found.Parse(std::string(text));
  m_fileVersion = found;
  m_nFileVersion = found.Pack();

  bool gated = m_versionGate == VersionGate::kOn;
  if (m_versionGate == VersionGate::kHostTitle) {
    std::string title;
    platform::LoadString(kHostTitleStringId, title);
    gated = title == kVersionGateTitle;
  }
  if (gated) {
    IOVersion expected = m_gateVersion;
    if (expected == IOVersion{}) GetVersion(expected);
    if (found.nMajor != expected.nMajor || found.nMinor != expected.nMinor) {
      throw VersionMismatchException(expected, found);
    }
  }
}

int ICommonIO::CheckFileVersion() {
  try {
    if (m_creator.GetDocument() || EnsureDocumentLoaded()) {
      LocateRootElement();
    }
  } catch (const VersionMismatchException& mismatch) {
    return IsOlderVersion(mismatch.m_found, mismatch.m_expected) ? -1 : 1;
  } catch (...) {
  }
  return 0;
}

DomNode ICommonIO::CreateRootElement(DomDocument& document) {
  DomNode root = document.CreateElement(GetRootName());
  WriteVersionAttribute(root);
  return root;
}

void ICommonIO::WriteVersionAttribute(DomNode root) {
  IOVersion version;
  GetVersion(version);
  root.SetAttribute("strVersion", version.ToString());
}

DomNode ICommonIO::FindRootElement(DomDocument& document) const {
  return document.AsNode().FirstChildNamed(GetRootName());
}

void ICommonIO::RecordRootFailure(ReadSession& session,
                                  DomDocument& document) const {
  const std::string rootName = GetRootName();
  DomNode root = FindRootElement(document);
  if (!root) {
    std::string message = "no " + rootName + " element";
    for (DomNode child : document.AsNode().Children()) {
      if (child.GetNodeType() == platform::NODE_ELEMENT) {
        message += " (the root element is " + child.GetNodeName() + ")";
        break;
      }
    }
    session.Fail(ReadFailure::kNotReadable, DomNode(), std::move(message));
  } else if (!root.GetAttributeNode("strVersion")) {
    session.Fail(ReadFailure::kNotReadable, root,
                 "the strVersion attribute is missing");
  } else {
    session.RecordCurrentException();
  }
}

void ICommonIO::RecordVersionRefusal(ReadSession& session,
                                     DomDocument& document,
                                     std::string_view readable) const {
  DomNode root = FindRootElement(document);
  DomNode attribute = root ? root.GetAttributeNode("strVersion") : DomNode();
  const std::string found =
      attribute ? attribute.GetText() : m_fileVersion.ToString();
  session.Fail(ReadFailure::kNotReadable, root,
               "version " + found + " is not one this host reads (" +
                   std::string(readable) + ")");
}

const char* WriteServiceFailureReason(bool runtimeStarted) {
  return runtimeStarted ? "the DOM service is not available"
                        : "the component runtime cannot start";
}

std::string CurrentWriteExceptionReason(std::string_view path) {
  try {
    try {
      throw;
    } catch (const _com_error& error) {
      const std::string& description = error.Description();
      if (description.empty()) return error.ErrorMessage();
      // The DOM's save names the path first: the report names it already.
      const std::string prefix = std::string(path) + ": ";
      if (description.compare(0, prefix.size(), prefix) == 0) {
        return description.substr(prefix.size());
      }
      return description;
    } catch (int code) {
      return "the document cannot be made (code " + FormatInt(code) + ")";
    } catch (const std::bad_alloc&) {
      return "out of memory";
    } catch (const std::exception& error) {
      return error.what();
    } catch (...) {
      return "unknown error";
    }
  } catch (...) {
    return std::string();
  }
}

// Member-wise equality, defined here so that the header stays C++17.
bool IOVersion::operator==(const IOVersion&) const = default;

}  // namespace devseries
