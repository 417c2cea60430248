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
      ChargeValues<std::string>(node, 1);
      texts.push_back(ReadStringValue(node));
    }
  }
}

template <typename Out>
void WriteInkVolumeInfoTo(Out& out, const InkVolumeInfo& record) {
  out.Begin("InkVolumeInfo");
  WriteField(out, "nInkVolumeIndex", record.nInkVolumeIndex);
  out.Begin("astrInkVolumeList");
  for (const std::string& text : record.astrInkVolumeList) {
    WriteField(out, "strInkVolume_pl", text);
  }
  out.End();
  out.End();
}

template <typename Out>
void WriteInkVolumeInfoListTo(Out& out,
                              const std::vector<InkVolumeInfo>& list) {
  WriteEachRecord(out, "aInkVolumeInfoList", list, WriteInkVolumeInfoTo<Out>);
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
  return BuildElement(
      doc, [&](DomElementBuilder& out) { WriteInkVolumeInfoTo(out, record); });
}

void WriteInkVolumeInfo(DomElementBuilder& out, const InkVolumeInfo& record) {
  WriteInkVolumeInfoTo(out, record);
}

void WriteInkVolumeInfo(XmlStreamWriter& out, const InkVolumeInfo& record) {
  WriteInkVolumeInfoTo(out, record);
}

void ReadInkVolumeInfoList(DomNode element, std::vector<InkVolumeInfo>& list) {
  ChildCursor cursor(element);
  for (DomNode node = cursor.Next(); node; node = cursor.Next()) {
    if (node.NodeName() != "InkVolumeInfo") continue;
    AppendRecord(node, list, ReadInkVolumeInfo);
  }
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

}  // namespace devseries
