#include "devseries/xmlio/dom_creator.h"

#include "devseries/platform/com_codes.h"
#include "devseries/platform/debug_output.h"

namespace devseries {

namespace {

// Raised inside the constructor when the DOM service is missing.
constexpr int kServiceMissing = -1;

}  // namespace

bool IsMsxmlRegistered() {
  // The service reports once whether libxml2 initialised; the answer (and a
  // test's override) is kept by the platform layer.
  return platform::DomServiceAvailable();
}

MSXMLDOMCreator::MSXMLDOMCreator() {
  try {
    HRESULT hr = platform::CoInitialize(nullptr);
    if (platform::FAILED(hr)) throw hr;
    if (!IsMsxmlRegistered()) {
      platform::CoUninitialize();
      throw kServiceMissing;
    }
    m_bInitialized = true;
  } catch (...) {
    m_bInitialized = false;
  }
}

MSXMLDOMCreator::~MSXMLDOMCreator() {
  m_pDocument.reset();
  // Paired with the constructor's initialisation whether or not a document
  // is held, so the thread's count always comes back where it was.
  if (m_bInitialized) platform::CoUninitialize();
}

void MSXMLDOMCreator::LoadDocument(const std::string& path) {
  m_lastParseError = platform::DomParseError();
  try {
    auto document = std::make_shared<DomDocument>();
    document->SetSizeLimit(m_sizeLimit);
    bool loaded = document->Load(path);
    m_lastParseError = document->parseError();
    if (!loaded) {
      m_pDocument.reset();
      m_bLoadFailed = true;
      return;
    }
    m_pDocument = std::move(document);
  } catch (...) {
    m_bLoadFailed = true;
  }
}

void MSXMLDOMCreator::LoadValidatedDocument(const std::string& path,
                                            const std::string& schemaPath) {
  std::unique_ptr<platform::DomSchemaCache> schemas;
  try {
    schemas = std::make_unique<platform::DomSchemaCache>();
    try {
      schemas->Add("", schemaPath);
    } catch (const _com_error& error) {
      platform::OutputDebugStringA((error.ErrorMessage() + "\n").c_str());
      platform::OutputDebugStringA((error.Description() + "\n").c_str());
    }
  } catch (...) {
    platform::OutputDebugStringA("Failed to Creating Schema Cache.\n");
    m_bLoadFailed = true;
    return;
  }
  DomDocumentPtr document;
  try {
    document = std::make_shared<DomDocument>();
    document->SetSizeLimit(m_sizeLimit);
  } catch (...) {
    platform::OutputDebugStringA(
        "Failed to Creating XML DOM Document or Parsing XML File");
    m_bLoadFailed = true;
    return;
  }
  document->LoadValidated(path, *schemas);
  m_lastParseError = document->parseError();
  m_bLoadFailed = document->parseError().errorCode != 0;
  m_pDocument = m_bLoadFailed ? nullptr : std::move(document);
}

}  // namespace devseries
