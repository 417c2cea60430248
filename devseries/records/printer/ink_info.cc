#include "devseries/records/printer/ink_info.h"

#include <string_view>

#include "devseries/records/printer/ink_info_model_internal.h"
#include "devseries/xmlio/record_files.h"

namespace devseries {

using field_model::ReadRecord;
using field_model::WriteRecord;

void InkInfoIO::ReadInkInfo(DomNode element, InkInfo& r) {
  ReadRecord(element, r);
}

DomNode InkInfoIO::WriteInkInfo(DomDocument& doc, const InkInfo& r) {
  return BuildElement(doc,
                      [&](DomElementBuilder& out) { WriteRecord(out, r); });
}

void InkInfoIO::WriteInkInfo(DomElementBuilder& out, const InkInfo& r) {
  WriteRecord(out, r);
}

void InkInfoIO::WriteInkInfo(XmlStreamWriter& out, const InkInfo& r) {
  WriteRecord(out, r);
}

void InkInfoIO::ReadFirstInkInfo(DomNode node, InkInfo& record) {
  if (DomNode element = node.FirstChildNamed("InkInfo")) {
    ReadInkInfo(element, record);
  }
}

DomDocumentPtr InkInfoIO::CreateInkInfoDocument(const InkInfo& record) {
  return CreateRecordDocument(
      [&](DomDocument& doc) { return WriteInkInfo(doc, record); });
}

bool InkInfoIO::SaveInkInfoFile(const std::string& path,
                                const InkInfo& record) {
  return SaveRecordFile(path, [&] { return CreateInkInfoDocument(record); });
}

bool InkInfoIO::LoadInkInfoFile(const std::string& path, InkInfo& record) {
  return LoadInkInfoFile(path, record, nullptr);
}

bool InkInfoIO::LoadInkInfoFile(const std::string& path, InkInfo& record,
                                ReadReport* report) {
  return LoadRecordFile(
      path, [&](DomNode node) { ReadFirstInkInfo(node, record); }, report);
}

// Member-wise equality, defined here so that the header stays C++17.
bool InkRGB::operator==(const InkRGB&) const = default;
bool InkInfo::operator==(const InkInfo&) const = default;

}  // namespace devseries
