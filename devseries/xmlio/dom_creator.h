// The DOM document holder of every document IO object.
#pragma once

#include <string>

#include "devseries/xmlio/dom_types.h"

#pragma GCC visibility push(default)
namespace devseries {

// True when the DOM service can be used. A positive answer is remembered
// for the rest of the process.
bool IsMsxmlRegistered();

class MSXMLDOMCreator {
 public:
  // Initialises the component runtime and checks the DOM service; failure
  // leaves m_bInitialized false. Never throws.
  MSXMLDOMCreator();
  // Releases the document and, when the runtime was initialised, ends it.
  virtual ~MSXMLDOMCreator();
  MSXMLDOMCreator(const MSXMLDOMCreator&) = delete;
  MSXMLDOMCreator& operator=(const MSXMLDOMCreator&) = delete;

  // Creates a fresh document and loads the file at `path` synchronously. On
  // failure the document is null and m_bLoadFailed set; a successful load
  // leaves m_bLoadFailed as it was. Never throws.
  void LoadDocument(const std::string& path);
  // As LoadDocument, validating against the XML Schema at `schemaPath`. A
  // schema that cannot be added is reported on the debug output (its
  // message, then its description) and the document is loaded without it.
  // Sets m_bLoadFailed to whether the load or the validation failed.
  void LoadValidatedDocument(const std::string& path,
                             const std::string& schemaPath);
  // The held document (a new reference), or null.
  DomDocumentPtr GetDocument() const { return m_pDocument; }

  bool m_bInitialized = false;
  bool m_bLoadFailed = false;
  // The largest file the loads accept.
  size_t m_sizeLimit = platform::DefaultDocumentSizeLimit();
  DomDocumentPtr m_pDocument;
  // What the last load reported (kept when the document is dropped); its
  // failure is kNone after a load that raised before the file was read.
  platform::DomParseError m_lastParseError;
};

}  // namespace devseries
#pragma GCC visibility pop
