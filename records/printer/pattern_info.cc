#include "records/printer/pattern_info.h"

#include "xmlio/record_codec.h"
#include "xmlio/record_files.h"

namespace devseries {

namespace {

template <typename Out>
void WritePatternInfoTo(Out& out, const PatternInfo& r) {
  out.Begin("PatternInfo");
  WriteField(out, "nFMPatternIndex", r.nFMPatternIndex);
  WriteField(out, "nScanPixelSize", r.nScanPixelSize);
  WriteField(out, "nFeedPixelSize", r.nFeedPixelSize);
  WriteField(out, "strPatternFile", r.strPatternFile);
  out.End();
}

}  // namespace

void PatternInfoIO::ReadPatternInfo(DomNode element, PatternInfo& r) {
  ChildCursor cursor(element);
  ReadNext(cursor, "nFMPatternIndex", r.nFMPatternIndex);
  ReadNext(cursor, "nScanPixelSize", r.nScanPixelSize);
  ReadNext(cursor, "nFeedPixelSize", r.nFeedPixelSize);
  ReadNext(cursor, "strPatternFile", r.strPatternFile);
}

DomNode PatternInfoIO::WritePatternInfo(DomDocument& doc,
                                        const PatternInfo& r) {
  return BuildElement(
      doc, [&](DomElementBuilder& out) { WritePatternInfoTo(out, r); });
}

void PatternInfoIO::WritePatternInfo(DomElementBuilder& out,
                                     const PatternInfo& r) {
  WritePatternInfoTo(out, r);
}

void PatternInfoIO::WritePatternInfo(XmlStreamWriter& out,
                                     const PatternInfo& r) {
  WritePatternInfoTo(out, r);
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
