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

template <typename Out>
void WriteColor(Out& out, std::string_view name, const InkRGB& color) {
  out.Begin(name);
  WriteField(out, "R", std::int32_t{color.nRed});
  WriteField(out, "G", std::int32_t{color.nGreen});
  WriteField(out, "B", std::int32_t{color.nBlue});
  out.End();
}

template <typename Out>
void WriteInkInfoTo(Out& out, const InkInfo& r) {
  out.Begin("InkInfo");
  WriteField(out, "nInkIndex", r.nInkIndex);
  WriteField(out, "strLongInkName", r.strLongInkName);
  WriteField(out, "strShortInkName", r.strShortInkName);
  WriteColor(out, "lightColor", r.lightColor);
  WriteColor(out, "darkColor", r.darkColor);
  WriteField(out, "flPrice", r.flPrice);
  WriteField(out, "nCapacity", r.nCapacity);
  out.End();
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
  return BuildElement(doc,
                      [&](DomElementBuilder& out) { WriteInkInfoTo(out, r); });
}

void InkInfoIO::WriteInkInfo(DomElementBuilder& out, const InkInfo& r) {
  WriteInkInfoTo(out, r);
}

void InkInfoIO::WriteInkInfo(XmlStreamWriter& out, const InkInfo& r) {
  WriteInkInfoTo(out, r);
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
