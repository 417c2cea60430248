#include "records/printer/ink_config_info.h"

#include <vector>

#include "xmlio/common_io.h"
#include "xmlio/record_codec.h"

void InkConfigInfoIO::ReadInkConfigInfo(DomNode element, InkConfigInfo& r) {
  ChildCursor cursor(element);
  ReadNext(cursor, r.nInkConfigIndex);
  ReadNext(cursor, r.strInkConfigName);
  ReadNext(cursor, r.strFolderName);
  ReadIntSlots(cursor.Next(), r.nInkIndexList);
}

DomNode InkConfigInfoIO::WriteInkConfigInfo(DomDocument& doc,
                                            const InkConfigInfo& r) {
  DomNode e = doc.CreateElement("InkConfigInfo");
  AppendField(doc, e, "nInkConfigIndex", r.nInkConfigIndex);
  AppendField(doc, e, "strInkConfigName", r.strInkConfigName);
  AppendField(doc, e, "strFolderName", r.strFolderName);
  e.AppendChild(WriteIntSlots(doc, "nInkIndexList", r.nInkIndexList,
                              [](size_t) { return "nInkIndex"; }));
  return e;
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
  ScopedComInit com;
  if (!com.ok()) return false;
  try {
    if (path == nullptr) return false;
    DomDocumentPtr document = CreateInkConfigInfoDocument(record);
    if (!document) return false;
    document->Save(path);
  } catch (...) {
    return false;
  }
  return true;
}

bool InkConfigInfoIO::LoadInkConfigInfoFile(const char* path,
                                            InkConfigInfo& record) {
  MSXMLDOMCreator creator;
  DomDocumentPtr document;
  try {
    if (path == nullptr) return false;
    creator.LoadDocument(path);
    document = creator.GetDocument();
  } catch (...) {
    return false;
  }
  ReadFirstInkConfigInfo(document.get(), record);
  return true;
}
