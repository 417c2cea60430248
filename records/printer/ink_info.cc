#include "records/printer/ink_info.h"

#include <string_view>

#include "xmlio/record_codec.h"
#include "xmlio/record_files.h"

namespace devseries {

namespace {

// The colour's first three child nodes, whatever their names, as red, green
// and blue; each keeps the low 8 bits of its decimal value.
void ReadColor(DomNode element, InkRGB& color) {
  ChildCursor cursor(element);
  color.nRed = static_cast<std::uint8_t>(ReadIntValue(cursor.Next("R")));
  color.nGreen = static_cast<std::uint8_t>(ReadIntValue(cursor.Next("G")));
  color.nBlue = static_cast<std::uint8_t>(ReadIntValue(cursor.Next("B")));
}

DomNode WriteColor(DomDocument& doc, std::string_view name,
                   const InkRGB& color) {
  DomNode e = doc.CreateElement(name);
  AppendField(doc, e, "R", std::int32_t{color.nRed});
  AppendField(doc, e, "G", std::int32_t{color.nGreen});
  AppendField(doc, e, "B", std::int32_t{color.nBlue});
  return e;
}

}  // namespace

void InkInfoIO::ReadInkInfo(DomNode element, InkInfo& r) {
  ChildCursor cursor(element);
  ReadNext(cursor, "nInkIndex", r.nInkIndex);
  ReadNext(cursor, "strLongInkName", r.strLongInkName);
  ReadNext(cursor, "strShortInkName", r.strShortInkName);
  ReadColor(cursor.Next("lightColor"), r.lightColor);
  ReadColor(cursor.Next("darkColor"), r.darkColor);

  for (DomNode node = cursor.Next(); node; node = cursor.Next()) {
    const std::string_view name = node.NodeName();
    MatchField(node, name, "flPrice", r.flPrice) ||
        MatchField(node, name, "nCapacity", r.nCapacity);
  }
}

DomNode InkInfoIO::WriteInkInfo(DomDocument& doc, const InkInfo& r) {
  DomNode e = doc.CreateElement("InkInfo");
  AppendField(doc, e, "nInkIndex", r.nInkIndex);
  AppendField(doc, e, "strLongInkName", r.strLongInkName);
  AppendField(doc, e, "strShortInkName", r.strShortInkName);
  e.AppendChild(WriteColor(doc, "lightColor", r.lightColor));
  e.AppendChild(WriteColor(doc, "darkColor", r.darkColor));
  AppendField(doc, e, "flPrice", r.flPrice);
  AppendField(doc, e, "nCapacity", r.nCapacity);
  return e;
}

void InkInfoIO::ReadFirstInkInfo(DomNode node, InkInfo& record) {
  if (DomNode element = node.FirstChildNamed("InkInfo")) {
    ReadInkInfo(element, record);
  }
}

DomDocumentPtr InkInfoIO::CreateInkInfoDocument(const InkInfo& record) {
  return CreateRecordDocument(
      [&](DomDocument& doc) { return WriteInkInfo(doc, record); });
}

bool InkInfoIO::SaveInkInfoFile(const std::string& path,
                                const InkInfo& record) {
  return SaveRecordFile(path, [&] { return CreateInkInfoDocument(record); });
}

bool InkInfoIO::LoadInkInfoFile(const std::string& path, InkInfo& record) {
  return LoadInkInfoFile(path, record, nullptr);
}

bool InkInfoIO::LoadInkInfoFile(const std::string& path, InkInfo& record,
                                ReadReport* report) {
  return LoadRecordFile(
      path, [&](DomNode node) { ReadFirstInkInfo(node, record); }, report);
}

}  // namespace devseries
