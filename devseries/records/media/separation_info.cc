#include "devseries/records/media/separation_info.h"

#include <string_view>

#include "devseries/records/media/separation_info_model_internal.h"
#include "devseries/xmlio/record_files.h"

namespace devseries {

using field_model::ReadRecord;
using field_model::WriteRecord;

void SeparationInfoIO::ReadSeparationInfo(DomNode element,
                                          SeparationInfo& record) {
  ReadRecord(element, record);
}

DomNode SeparationInfoIO::WriteSeparationInfo(DomDocument& document,
                                              const SeparationInfo& record) {
  return BuildElement(
      document, [&](DomElementBuilder& out) { WriteRecord(out, record); });
}

void SeparationInfoIO::WriteSeparationInfo(DomElementBuilder& out,
                                           const SeparationInfo& record) {
  WriteRecord(out, record);
}

void SeparationInfoIO::WriteSeparationInfo(XmlStreamWriter& out,
                                           const SeparationInfo& record) {
  WriteRecord(out, record);
}

void SeparationInfoIO::ReadSeparationTable(DomNode element,
                                           SeparationTable& table) {
  ReadRecord(element, table);
}

DomNode SeparationInfoIO::WriteSeparationTable(DomDocument& document,
                                               const SeparationTable& table) {
  return BuildElement(document,
                      [&](DomElementBuilder& out) { WriteRecord(out, table); });
}

void SeparationInfoIO::ReadFirstSeparationInfo(DomNode node,
                                               SeparationInfo& record) {
  if (DomNode element = node.FirstChildNamed("SeparationInfo")) {
    ReadSeparationInfo(element, record);
  }
}

DomDocumentPtr SeparationInfoIO::CreateSeparationInfoDocument(
    const SeparationInfo& record) {
  return CreateRecordDocument([&](DomDocument& document) {
    return WriteSeparationInfo(document, record);
  });
}

bool SeparationInfoIO::SaveSeparationInfoFile(const std::string& path,
                                              const SeparationInfo& record) {
  return SaveRecordFile(path,
                        [&] { return CreateSeparationInfoDocument(record); });
}

bool SeparationInfoIO::LoadSeparationInfoFile(const std::string& path,
                                              SeparationInfo& record) {
  return LoadSeparationInfoFile(path, record, nullptr);
}

bool SeparationInfoIO::LoadSeparationInfoFile(const std::string& path,
                                              SeparationInfo& record,
                                              ReadReport* report) {
  return LoadRecordFile(
      path, [&](DomNode node) { ReadFirstSeparationInfo(node, record); },
      report);
}

void SeparationInfoIO::BuildOutputTable(const OutputTableSamples& samples,
                                        OutputTable& table) {
  devseries::BuildOutputTable(samples, table);
}

// Member-wise equality, defined here so that the header stays C++17.
bool SeparationTable::operator==(const SeparationTable&) const = default;
bool SeparationInfo::operator==(const SeparationInfo&) const = default;

}  // namespace devseries
