#include "records/media/quality_info.h"

#include <string_view>

#include "records/media/list_fields_internal.h"
#include "xmlio/record_codec.h"

namespace devseries {

DomNode WriteQualityInfo(DomDocument& document, const QualityInfo& record) {
  DomNode element = document.CreateElement("QualityInfo");
  AppendField(document, element, "nQualityLevel", record.nQualityLevel);
  AppendField(document, element, "strQualityName", record.strQualityName);
  element.AppendChild(media_internal::WriteValueList(
      document, "anPermissionIndexList", "anPermissionIndex",
      record.anPermissionIndexList));
  AppendField(document, element, "bVisibleQuality", record.bVisibleQuality);
  return element;
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
