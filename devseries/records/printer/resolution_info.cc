#include "devseries/records/printer/resolution_info.h"

#include "devseries/records/printer/resolution_info_model_internal.h"
#include "devseries/xmlio/record_files.h"

namespace devseries {

using field_model::ReadRecord;
using field_model::WriteRecord;

void ResolutionInfoIO::ReadResolutionInfo(DomNode element, ResolutionInfo& r) {
  ReadRecord(element, r);
}

DomNode ResolutionInfoIO::WriteResolutionInfo(DomDocument& doc,
                                              const ResolutionInfo& r) {
  return BuildElement(doc,
                      [&](DomElementBuilder& out) { WriteRecord(out, r); });
}

void ResolutionInfoIO::WriteResolutionInfo(DomElementBuilder& out,
                                           const ResolutionInfo& r) {
  WriteRecord(out, r);
}

void ResolutionInfoIO::WriteResolutionInfo(XmlStreamWriter& out,
                                           const ResolutionInfo& r) {
  WriteRecord(out, r);
}

void ResolutionInfoIO::ReadFirstResolutionInfo(DomNode node,
                                               ResolutionInfo& record) {
  if (DomNode element = node.FirstChildNamed("ResolutionInfo")) {
    ReadResolutionInfo(element, record);
  }
}

DomDocumentPtr ResolutionInfoIO::CreateResolutionInfoDocument(
    const ResolutionInfo& record) {
  return CreateRecordDocument(
      [&](DomDocument& doc) { return WriteResolutionInfo(doc, record); });
}

bool ResolutionInfoIO::SaveResolutionInfoFile(const std::string& path,
                                              const ResolutionInfo& record) {
  return SaveRecordFile(path,
                        [&] { return CreateResolutionInfoDocument(record); });
}

bool ResolutionInfoIO::LoadResolutionInfoFile(const std::string& path,
                                              ResolutionInfo& record) {
  return LoadResolutionInfoFile(path, record, nullptr);
}

bool ResolutionInfoIO::LoadResolutionInfoFile(const std::string& path,
                                              ResolutionInfo& record,
                                              ReadReport* report) {
  return LoadRecordFile(
      path, [&](DomNode node) { ReadFirstResolutionInfo(node, record); },
      report);
}

// Member-wise equality, defined here so that the header stays C++17.
bool ResolutionInfo::operator==(const ResolutionInfo&) const = default;

}  // namespace devseries
