#include "records/printer/ink_volume_info.h"

#include <string_view>

#include "xmlio/record_codec.h"

namespace devseries {

namespace {

// Appends the text of every "strInkVolume_pl" child of `element`.
void ReadVolumeTexts(DomNode element, std::vector<std::string>& texts) {
  ChildCursor cursor(element);
  for (DomNode node = cursor.Next(); node; node = cursor.Next()) {
    if (node.NodeName() == "strInkVolume_pl") {
      texts.push_back(ReadStringValue(node));
    }
  }
}

}  // namespace

void ReadInkVolumeInfo(DomNode element, InkVolumeInfo& record) {
  record.astrInkVolumeList.clear();
  ChildCursor cursor(element);
  for (DomNode node = cursor.Next(); node; node = cursor.Next()) {
    const std::string_view name = node.NodeName();
    if (name == "nInkVolumeIndex") {
      ReadValue(node, record.nInkVolumeIndex);
    } else if (name == "astrInkVolumeList") {
      ReadVolumeTexts(node, record.astrInkVolumeList);
    }
  }
}

DomNode WriteInkVolumeInfo(DomDocument& doc, const InkVolumeInfo& record) {
  DomNode e = doc.CreateElement("InkVolumeInfo");
  AppendField(doc, e, "nInkVolumeIndex", record.nInkVolumeIndex);
  DomNode texts = doc.CreateElement("astrInkVolumeList");
  for (const std::string& text : record.astrInkVolumeList) {
    AppendField(doc, texts, "strInkVolume_pl", text);
  }
  e.AppendChild(texts);
  return e;
}

void ReadInkVolumeInfoList(DomNode element, std::vector<InkVolumeInfo>& list) {
  ChildCursor cursor(element);
  for (DomNode node = cursor.Next(); node; node = cursor.Next()) {
    if (node.NodeName() != "InkVolumeInfo") continue;
    InkVolumeInfo record;
    ReadInkVolumeInfo(node, record);
    list.push_back(std::move(record));
  }
}

DomNode WriteInkVolumeInfoList(DomDocument& doc,
                               const std::vector<InkVolumeInfo>& list) {
  DomNode e = doc.CreateElement("aInkVolumeInfoList");
  for (const InkVolumeInfo& record : list) {
    e.AppendChild(WriteInkVolumeInfo(doc, record));
  }
  return e;
}

}  // namespace devseries
