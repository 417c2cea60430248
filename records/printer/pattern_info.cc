#include "records/printer/pattern_info.h"

#include "xmlio/record_codec.h"
#include "xmlio/record_files.h"

namespace devseries {

void PatternInfoIO::ReadPatternInfo(DomNode element, PatternInfo& r) {
  ChildCursor cursor(element);
  ReadNext(cursor, "nFMPatternIndex", r.nFMPatternIndex);
  ReadNext(cursor, "nScanPixelSize", r.nScanPixelSize);
  ReadNext(cursor, "nFeedPixelSize", r.nFeedPixelSize);
  ReadNext(cursor, "strPatternFile", r.strPatternFile);
}

DomNode PatternInfoIO::WritePatternInfo(DomDocument& doc,
                                        const PatternInfo& r) {
  DomNode e = doc.CreateElement("PatternInfo");
  AppendField(doc, e, "nFMPatternIndex", r.nFMPatternIndex);
  AppendField(doc, e, "nScanPixelSize", r.nScanPixelSize);
  AppendField(doc, e, "nFeedPixelSize", r.nFeedPixelSize);
  AppendField(doc, e, "strPatternFile", r.strPatternFile);
  return e;
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

}  // namespace devseries
