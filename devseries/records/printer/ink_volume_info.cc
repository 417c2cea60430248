#include "devseries/records/printer/ink_volume_info.h"

#include <string_view>

#include "devseries/records/printer/ink_volume_info_model_internal.h"

namespace devseries {

using field_model::ReadRecord;
using field_model::WriteRecord;

namespace {

template <typename Out>
void WriteInkVolumeInfoListTo(Out& out,
                              const std::vector<InkVolumeInfo>& list) {
  field_model::kInkVolumeInfoList.Write(out, "aInkVolumeInfoList", list);
}

}  // namespace

void ReadInkVolumeInfo(DomNode element, InkVolumeInfo& record) {
  ReadRecord(element, record);
}

DomNode WriteInkVolumeInfo(DomDocument& doc, const InkVolumeInfo& record) {
  return BuildElement(
      doc, [&](DomElementBuilder& out) { WriteRecord(out, record); });
}

void WriteInkVolumeInfo(DomElementBuilder& out, const InkVolumeInfo& record) {
  WriteRecord(out, record);
}

void WriteInkVolumeInfo(XmlStreamWriter& out, const InkVolumeInfo& record) {
  WriteRecord(out, record);
}

void ReadInkVolumeInfoList(DomNode element, std::vector<InkVolumeInfo>& list) {
  field_model::kInkVolumeInfoList.Read(element, list);
}

DomNode WriteInkVolumeInfoList(DomDocument& doc,
                               const std::vector<InkVolumeInfo>& list) {
  return BuildElement(doc, [&](DomElementBuilder& out) {
    WriteInkVolumeInfoListTo(out, list);
  });
}

void WriteInkVolumeInfoList(DomElementBuilder& out,
                            const std::vector<InkVolumeInfo>& list) {
  WriteInkVolumeInfoListTo(out, list);
}

void WriteInkVolumeInfoList(XmlStreamWriter& out,
                            const std::vector<InkVolumeInfo>& list) {
  WriteInkVolumeInfoListTo(out, list);
}

// Member-wise equality, defined here so that the header stays C++17.
bool InkVolumeInfo::operator==(const InkVolumeInfo&) const = default;

}  // namespace devseries
