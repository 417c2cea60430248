#include "devseries/records/media/media_info.h"

#include <string_view>

#include "devseries/records/media/media_info_model_internal.h"
#include "devseries/xmlio/record_files.h"

namespace devseries {

using field_model::ReadRecord;
using field_model::WriteRecord;

void MediaInfoIO::ReadMediaInfo(DomNode element, MediaInfo& record) {
  ReadRecord(element, record);
}

DomNode MediaInfoIO::WriteMediaInfo(DomDocument& document,
                                    const MediaInfo& record) {
  return BuildElement(
      document, [&](DomElementBuilder& out) { WriteRecord(out, record); });
}

void MediaInfoIO::WriteMediaInfo(DomElementBuilder& out,
                                 const MediaInfo& record) {
  WriteRecord(out, record);
}

void MediaInfoIO::WriteMediaInfo(XmlStreamWriter& out,
                                 const MediaInfo& record) {
  WriteRecord(out, record);
}

void MediaInfoIO::ReadFirstMediaInfo(DomNode node, MediaInfo& record) {
  if (DomNode element = node.FirstChildNamed("MediaInfo")) {
    ReadMediaInfo(element, record);
  }
}

DomDocumentPtr MediaInfoIO::CreateMediaInfoDocument(const MediaInfo& record) {
  return CreateRecordDocument(
      [&](DomDocument& document) { return WriteMediaInfo(document, record); });
}

bool MediaInfoIO::SaveMediaInfoFile(const std::string& path,
                                    const MediaInfo& record) {
  return SaveRecordFile(path, [&] { return CreateMediaInfoDocument(record); });
}

bool MediaInfoIO::LoadMediaInfoFile(const std::string& path,
                                    MediaInfo& record) {
  return LoadMediaInfoFile(path, record, nullptr);
}

bool MediaInfoIO::LoadMediaInfoFile(const std::string& path, MediaInfo& record,
                                    ReadReport* report) {
  return LoadRecordFile(
      path, [&](DomNode node) { ReadFirstMediaInfo(node, record); }, report);
}

void MediaInfoIO::ReadPermissionSet(DomNode element, PermissionSet& record) {
  devseries::ReadPermissionSet(element, record);
}

DomNode MediaInfoIO::WritePermissionSet(DomDocument& document,
                                        const PermissionSet& record) {
  return devseries::WritePermissionSet(document, record);
}

void MediaInfoIO::ReadQualityInfo(DomNode element, QualityInfo& record) {
  devseries::ReadQualityInfo(element, record);
}

DomNode MediaInfoIO::WriteQualityInfo(DomDocument& document,
                                      const QualityInfo& record) {
  return devseries::WriteQualityInfo(document, record);
}

// Member-wise equality, defined here so that the header stays C++17.
bool MediaInfo::operator==(const MediaInfo&) const = default;

}  // namespace devseries
