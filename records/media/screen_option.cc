#include "records/media/screen_option.h"

#include <string_view>

#include "records/media/list_fields_internal.h"
#include "xmlio/record_codec.h"

namespace devseries {

DomNode WriteScreenOption(DomDocument& document, const ScreenOption& record) {
  DomNode element = document.CreateElement("screenOption");
  AppendField(document, element, "bUseCustomSetting", record.bUseCustomSetting);
  AppendField(document, element, "nLineCount", record.nLineCount);
  AppendField(document, element, "eDotShape", record.eDotShape);
  DomNode degrees = element.AppendChild(document.CreateElement("flDegrees"));
  for (size_t i = 0; i < record.flDegrees.size(); ++i) {
    AppendField(document, degrees, NumberedName("flDegree", i),
                record.flDegrees[i]);
  }
  return element;
}

void ReadScreenOption(DomNode element, ScreenOption& record) {
  ChildCursor cursor(element);
  for (DomNode node = cursor.Next(); node; node = cursor.Next()) {
    std::string_view name = node.NodeName();
    if (name == "flDegrees") {
      record.flDegrees.clear();
      // Numbered entries (flDegree0, flDegree1, ...): any name will do.
      media_internal::AppendEveryChild(node, {}, record.flDegrees);
      continue;
    }
    MatchField(node, name, "bUseCustomSetting", record.bUseCustomSetting) ||
        MatchField(node, name, "nLineCount", record.nLineCount) ||
        MatchField(node, name, "eDotShape", record.eDotShape);
  }
}

}  // namespace devseries
