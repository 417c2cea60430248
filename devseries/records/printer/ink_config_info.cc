#include "devseries/records/printer/ink_config_info.h"

#include <vector>

#include "devseries/platform/com_codes.h"
#include "devseries/records/printer/ink_config_info_model_internal.h"
#include "devseries/xmlio/common_io.h"
#include "devseries/xmlio/read_session.h"

namespace devseries {

using field_model::ReadRecord;
using field_model::WriteRecord;

void InkConfigInfoIO::ReadInkConfigInfo(DomNode element, InkConfigInfo& r) {
  ReadRecord(element, r);
}

DomNode InkConfigInfoIO::WriteInkConfigInfo(DomDocument& doc,
                                            const InkConfigInfo& r) {
  return BuildElement(doc,
                      [&](DomElementBuilder& out) { WriteRecord(out, r); });
}

void InkConfigInfoIO::WriteInkConfigInfo(DomElementBuilder& out,
                                         const InkConfigInfo& r) {
  WriteRecord(out, r);
}

void InkConfigInfoIO::WriteInkConfigInfo(XmlStreamWriter& out,
                                         const InkConfigInfo& r) {
  WriteRecord(out, r);
}

void InkConfigInfoIO::ReadFirstInkConfigInfo(const DomDocument* document,
                                             InkConfigInfo& record) {
  if (document == nullptr) throw _com_error(platform::E_POINTER);
  const std::vector<DomNode> found =
      document->GetElementsByTagName("InkConfigInfo");
  if (found.empty()) throw int{kInkConfigNotFound};
  ReadInkConfigInfo(found.front(), record);
}

DomDocumentPtr InkConfigInfoIO::CreateInkConfigInfoDocument(
    const InkConfigInfo& record) {
  return ink_config_internal::CreateCodedRecordDocument(
      [&](DomDocument& doc) { return WriteInkConfigInfo(doc, record); });
}

bool InkConfigInfoIO::SaveInkConfigInfoFile(const char* path,
                                            const InkConfigInfo& record) {
  return SaveInkConfigInfoFile(path, record, nullptr);
}

bool InkConfigInfoIO::SaveInkConfigInfoFile(const char* path,
                                            const InkConfigInfo& record,
                                            ReadReport* report) {
  if (report != nullptr) report->Reset();
  const std::string_view named = path != nullptr ? path : "";
  ScopedComInit com;
  if (!com.ok()) {
    if (report != nullptr) {
      RecordWriteFailure(named, WriteServiceFailureReason(false), *report);
    }
    return false;
  }
  try {
    if (path == nullptr) {
      if (report != nullptr) {
        RecordWriteFailure(named, "no path was given", *report);
      }
      return false;
    }
    DomDocumentPtr document = CreateInkConfigInfoDocument(record);
    if (!document) {
      if (report != nullptr) {
        RecordWriteFailure(named, "the document cannot be made", *report);
      }
      return false;
    }
    document->Save(path);
  } catch (...) {
    if (report != nullptr) {
      RecordWriteFailure(named, CurrentWriteExceptionReason(named), *report);
    }
    return false;
  }
  return true;
}

bool InkConfigInfoIO::LoadInkConfigInfoFile(const char* path,
                                            InkConfigInfo& record) {
  return LoadInkConfigInfoFile(path, record, nullptr);
}

bool InkConfigInfoIO::LoadInkConfigInfoFile(const char* path,
                                            InkConfigInfo& record,
                                            ReadReport* report) {
  if (report != nullptr) report->Reset();
  MSXMLDOMCreator creator;
  DomDocumentPtr document;
  try {
    if (path == nullptr) {
      if (report != nullptr) {
        RecordLoadFailure(platform::DomParseError(), "", *report);
      }
      return false;
    }
    creator.LoadDocument(path);
    document = creator.GetDocument();
  } catch (...) {
    if (report != nullptr) {
      RecordLoadFailure(platform::DomParseError(), path, *report);
    }
    return false;
  }
  if (report == nullptr) {
    ReadFirstInkConfigInfo(document.get(), record);
    return true;
  }
  if (!document) {
    RecordLoadFailure(creator.m_lastParseError, path, *report);
    ReadFirstInkConfigInfo(nullptr, record);  // raises E_POINTER, as without
  }
  // Errors still reach the caller, once the report says what they mean.
  ReadSession session(*document, *report);
  try {
    ReadFirstInkConfigInfo(document.get(), record);
  } catch (int code) {
    if (code == kInkConfigNotFound) {
      session.Fail(ReadFailure::kNotReadable, DomNode(),
                   "no InkConfigInfo element");
    } else {
      session.RecordCurrentException();
    }
    throw;
  } catch (...) {
    session.RecordCurrentException();
    throw;
  }
  return true;
}

// Member-wise equality, defined here so that the header stays C++17.
bool InkConfigInfo::operator==(const InkConfigInfo&) const = default;

}  // namespace devseries
