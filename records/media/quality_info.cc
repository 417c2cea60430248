#include "records/media/quality_info.h"

#include <string_view>

#include "records/media/list_fields_internal.h"
#include "xmlio/record_codec.h"

namespace devseries {

namespace {

template <typename Out>
void WriteQualityInfoTo(Out& out, const QualityInfo& record) {
  out.Begin("QualityInfo");
  WriteField(out, "nQualityLevel", record.nQualityLevel);
  WriteField(out, "strQualityName", record.strQualityName);
  media_internal::WriteValueList(out, "anPermissionIndexList",
                                 "anPermissionIndex",
                                 record.anPermissionIndexList);
  WriteField(out, "bVisibleQuality", record.bVisibleQuality);
  out.End();
}

}  // namespace

DomNode WriteQualityInfo(DomDocument& document, const QualityInfo& record) {
  return BuildElement(document, [&](DomElementBuilder& out) {
    WriteQualityInfoTo(out, record);
  });
}

void WriteQualityInfo(DomElementBuilder& out, const QualityInfo& record) {
  WriteQualityInfoTo(out, record);
}

void WriteQualityInfo(XmlStreamWriter& out, const QualityInfo& record) {
  WriteQualityInfoTo(out, record);
}

void ReadQualityInfo(DomNode element, QualityInfo& record) {
  ChildCursor cursor(element);
  ReadNext(cursor, "nQualityLevel", record.nQualityLevel);
  ReadNext(cursor, "strQualityName", record.strQualityName);
  media_internal::AppendEveryChild(cursor.Next("anPermissionIndexList"),
                                   "anPermissionIndex",
                                   record.anPermissionIndexList);

  for (DomNode node = cursor.Next(); node; node = cursor.Next()) {
    MatchField(node, node.NodeName(), "bVisibleQuality",
               record.bVisibleQuality);
  }
}

}  // namespace devseries
