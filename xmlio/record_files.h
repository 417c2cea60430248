// Standalone record files: a document holding the "xml" declaration
// instruction followed by one record element as the root.
#pragma once

#include <exception>
#include <memory>
#include <string>

#include "xmlio/common_io.h"

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
template <typename ReadFirst>
bool LoadRecordFile(const std::string& path, ReadFirst&& readFirst) {
  MSXMLDOMCreator creator;
  creator.LoadDocument(path);
  DomDocumentPtr document = creator.GetDocument();
  try {
    readFirst(document ? document->AsNode() : DomNode());
  } catch (const std::exception&) {
    return false;
  }
  return true;
}
