// Standalone record files: a document holding the "xml" declaration
// instruction followed by one record element as the root.
#pragma once

#include <exception>
#include <memory>
#include <optional>
#include <string>

#include "devseries/xmlio/common_io.h"
#include "devseries/xmlio/read_report.h"
#include "devseries/xmlio/read_session.h"

#pragma GCC visibility push(default)
namespace devseries {

// A new document with the declaration instruction and the element
// `buildRoot` makes as root; null when any step raised.
template <typename BuildRoot>
DomDocumentPtr CreateRecordDocument(BuildRoot&& buildRoot) {
  try {
    auto document = std::make_shared<DomDocument>();
    document->AppendChild(
        document->CreateProcessingInstruction("xml", kXmlDeclarationData));
    document->AppendChild(buildRoot(*document));
    return document;
  } catch (...) {
    return nullptr;
  }
}

// Saves the document `create` makes to `path`: false when the component
// runtime cannot start, the DOM service is missing or no document was made;
// a save that the DOM refuses raises _com_error to the caller (the runtime
// is ended and the document released first). The previous file at `path`
// is left as it was on every failure.
template <typename Create>
bool SaveRecordFile(const std::string& path, Create&& create) {
  ScopedComInit com;
  if (!com.ok() || !IsMsxmlRegistered()) return false;
  DomDocumentPtr document = create();
  if (!document) return false;
  document->Save(path);
  return true;
}

// Loads the file at `path` and calls `readFirst` on the document node (a
// null node when the file could not be loaded, which raises E_POINTER to the
// caller). False only when a standard-library exception ended the read.
//
// With a `report`, it is reset and then tells why the load or the read
// failed (where, in the file, the reader was and what it missed); an error
// that passes to the caller is recorded before it does. A read with no
// record element to read stays a success with an empty report.
template <typename ReadFirst>
bool LoadRecordFile(const std::string& path, ReadFirst&& readFirst,
                    ReadReport* report = nullptr) {
  MSXMLDOMCreator creator;
  creator.LoadDocument(path);
  DomDocumentPtr document = creator.GetDocument();
  if (report != nullptr) {
    report->Reset();
    if (!document) RecordLoadFailure(creator.m_lastParseError, path, *report);
  }
  std::optional<ReadSession> session;
  if (report != nullptr && document) session.emplace(*document, *report);
  try {
    readFirst(document ? document->AsNode() : DomNode());
  } catch (const std::exception&) {
    if (session) session->RecordCurrentException();
    return false;
  } catch (...) {
    if (session) session->RecordCurrentException();
    throw;
  }
  return true;
}

}  // namespace devseries
#pragma GCC visibility pop
