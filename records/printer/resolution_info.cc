#include "records/printer/resolution_info.h"

#include "xmlio/record_codec.h"
#include "xmlio/record_files.h"

namespace devseries {

namespace {

template <typename Out>
void WriteResolutionInfoTo(Out& out, const ResolutionInfo& r) {
  out.Begin("ResolutionInfo");
  WriteField(out, "nResolutionIndex", r.nResolutionIndex);
  WriteField(out, "strResolutionName", r.strResolutionName);
  WriteField(out, "flScanResolution", r.flScanResolution);
  WriteField(out, "flFeedResolution", r.flFeedResolution);
  out.End();
}

}  // namespace

void ResolutionInfoIO::ReadResolutionInfo(DomNode element, ResolutionInfo& r) {
  ChildCursor cursor(element);
  ReadNext(cursor, "nResolutionIndex", r.nResolutionIndex);
  ReadNext(cursor, "strResolutionName", r.strResolutionName);
  ReadNext(cursor, "flScanResolution", r.flScanResolution);
  ReadNext(cursor, "flFeedResolution", r.flFeedResolution);
}

DomNode ResolutionInfoIO::WriteResolutionInfo(DomDocument& doc,
                                              const ResolutionInfo& r) {
  return BuildElement(
      doc, [&](DomElementBuilder& out) { WriteResolutionInfoTo(out, r); });
}

void ResolutionInfoIO::WriteResolutionInfo(DomElementBuilder& out,
                                           const ResolutionInfo& r) {
  WriteResolutionInfoTo(out, r);
}

void ResolutionInfoIO::WriteResolutionInfo(XmlStreamWriter& out,
                                           const ResolutionInfo& r) {
  WriteResolutionInfoTo(out, r);
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

}  // namespace devseries
