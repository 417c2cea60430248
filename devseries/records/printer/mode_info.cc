#include "devseries/records/printer/mode_info.h"

#include <string_view>

#include "devseries/records/printer/mode_info_model_internal.h"
#include "devseries/xmlio/record_files.h"

namespace devseries {

using field_model::ReadRecord;
using field_model::WriteRecord;

void ModeInfoIO::ReadModeInfo(DomNode element, ModeInfo& r) {
  ReadRecord(element, r);
}

DomNode ModeInfoIO::WriteModeInfo(DomDocument& doc, const ModeInfo& r) {
  return BuildElement(doc,
                      [&](DomElementBuilder& out) { WriteRecord(out, r); });
}

void ModeInfoIO::WriteModeInfo(DomElementBuilder& out, const ModeInfo& r) {
  WriteRecord(out, r);
}

void ModeInfoIO::WriteModeInfo(XmlStreamWriter& out, const ModeInfo& r) {
  WriteRecord(out, r);
}

void ModeInfoIO::ReadFirstModeInfo(DomNode node, ModeInfo& record) {
  if (DomNode element = node.FirstChildNamed("ModeInfo")) {
    ReadModeInfo(element, record);
  }
}

DomDocumentPtr ModeInfoIO::CreateModeInfoDocument(const ModeInfo& record) {
  return CreateRecordDocument(
      [&](DomDocument& doc) { return WriteModeInfo(doc, record); });
}

bool ModeInfoIO::SaveModeInfoFile(const std::string& path,
                                  const ModeInfo& record) {
  return SaveRecordFile(path, [&] { return CreateModeInfoDocument(record); });
}

bool ModeInfoIO::LoadModeInfoFile(const std::string& path, ModeInfo& record) {
  return LoadModeInfoFile(path, record, nullptr);
}

bool ModeInfoIO::LoadModeInfoFile(const std::string& path, ModeInfo& record,
                                  ReadReport* report) {
  return LoadRecordFile(
      path, [&](DomNode node) { ReadFirstModeInfo(node, record); }, report);
}

// Member-wise equality, defined here so that the header stays C++17.
bool ModeInfo::operator==(const ModeInfo&) const = default;

}  // namespace devseries
