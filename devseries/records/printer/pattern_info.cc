#include "devseries/records/printer/pattern_info.h"

#include "devseries/records/printer/pattern_info_model_internal.h"
#include "devseries/xmlio/record_files.h"

namespace devseries {

using field_model::ReadRecord;
using field_model::WriteRecord;

void PatternInfoIO::ReadPatternInfo(DomNode element, PatternInfo& r) {
  ReadRecord(element, r);
}

DomNode PatternInfoIO::WritePatternInfo(DomDocument& doc,
                                        const PatternInfo& r) {
  return BuildElement(doc,
                      [&](DomElementBuilder& out) { WriteRecord(out, r); });
}

void PatternInfoIO::WritePatternInfo(DomElementBuilder& out,
                                     const PatternInfo& r) {
  WriteRecord(out, r);
}

void PatternInfoIO::WritePatternInfo(XmlStreamWriter& out,
                                     const PatternInfo& r) {
  WriteRecord(out, r);
}

void PatternInfoIO::ReadFirstPatternInfo(DomNode node, PatternInfo& record) {
  if (DomNode element = node.FirstChildNamed("PatternInfo")) {
    ReadPatternInfo(element, record);
  }
}

DomDocumentPtr PatternInfoIO::CreatePatternInfoDocument(
    const PatternInfo& record) {
  return CreateRecordDocument(
      [&](DomDocument& doc) { return WritePatternInfo(doc, record); });
}

bool PatternInfoIO::SavePatternInfoFile(const std::string& path,
                                        const PatternInfo& record) {
  return SaveRecordFile(path,
                        [&] { return CreatePatternInfoDocument(record); });
}

bool PatternInfoIO::LoadPatternInfoFile(const std::string& path,
                                        PatternInfo& record) {
  return LoadPatternInfoFile(path, record, nullptr);
}

bool PatternInfoIO::LoadPatternInfoFile(const std::string& path,
                                        PatternInfo& record,
                                        ReadReport* report) {
  return LoadRecordFile(
      path, [&](DomNode node) { ReadFirstPatternInfo(node, record); }, report);
}

// Member-wise equality, defined here so that the header stays C++17.
bool PatternInfo::operator==(const PatternInfo&) const = default;

}  // namespace devseries
