#include "devseries/records/media/quality_info.h"

#include <string_view>

#include "devseries/records/media/quality_info_model_internal.h"

namespace devseries {

using field_model::ReadRecord;
using field_model::WriteRecord;

DomNode WriteQualityInfo(DomDocument& document, const QualityInfo& record) {
  return BuildElement(
      document, [&](DomElementBuilder& out) { WriteRecord(out, record); });
}

void WriteQualityInfo(DomElementBuilder& out, const QualityInfo& record) {
  WriteRecord(out, record);
}

void WriteQualityInfo(XmlStreamWriter& out, const QualityInfo& record) {
  WriteRecord(out, record);
}

void ReadQualityInfo(DomNode element, QualityInfo& record) {
  ReadRecord(element, record);
}

// Member-wise equality, defined here so that the header stays C++17.
bool QualityInfo::operator==(const QualityInfo&) const = default;

}  // namespace devseries
