#include "records/media/screen_option.h"

#include <string_view>

#include "records/media/list_fields_internal.h"
#include "xmlio/record_codec.h"

namespace devseries {

namespace {

template <typename Out>
void WriteScreenOptionTo(Out& out, const ScreenOption& record) {
  out.Begin("screenOption");
  WriteField(out, "bUseCustomSetting", record.bUseCustomSetting);
  WriteField(out, "nLineCount", record.nLineCount);
  WriteField(out, "eDotShape", record.eDotShape);
  out.Begin("flDegrees");
  for (size_t i = 0; i < record.flDegrees.size(); ++i) {
    WriteField(out, NumberedName("flDegree", i), record.flDegrees[i]);
  }
  out.End();
  out.End();
}

}  // namespace

DomNode WriteScreenOption(DomDocument& document, const ScreenOption& record) {
  return BuildElement(document, [&](DomElementBuilder& out) {
    WriteScreenOptionTo(out, record);
  });
}

void WriteScreenOption(DomElementBuilder& out, const ScreenOption& record) {
  WriteScreenOptionTo(out, record);
}

void WriteScreenOption(XmlStreamWriter& out, const ScreenOption& record) {
  WriteScreenOptionTo(out, record);
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
