#include "records/media/print_chart_file_info_set.h"

#include <string_view>

#include "xmlio/record_codec.h"

namespace devseries {

namespace {

template <typename Out>
void WritePrintChartFileInfoSetTo(Out& out,
                                  const PrintChartFileInfoSet& record) {
  out.Begin("PrintChartFileInfoSet");
  WriteField(out, "nIndex", record.nIndex);
  WriteField(out, "strCalibrationFileName", record.strCalibrationFileName);
  WriteField(out, "strInkLimitFileName", record.strInkLimitFileName);
  WriteField(out, "strTestPrintFileName", record.strTestPrintFileName);
  out.End();
}

template <typename Out>
void WritePrintChartFileInfoSetListTo(
    Out& out, const std::vector<PrintChartFileInfoSet>& list) {
  WriteEachRecord(out, "aPrintChartFileInfoSetList", list,
                  WritePrintChartFileInfoSetTo<Out>);
}

}  // namespace

DomNode WritePrintChartFileInfoSet(DomDocument& document,
                                   const PrintChartFileInfoSet& record) {
  return BuildElement(document, [&](DomElementBuilder& out) {
    WritePrintChartFileInfoSetTo(out, record);
  });
}

void WritePrintChartFileInfoSet(DomElementBuilder& out,
                                const PrintChartFileInfoSet& record) {
  WritePrintChartFileInfoSetTo(out, record);
}

void WritePrintChartFileInfoSet(XmlStreamWriter& out,
                                const PrintChartFileInfoSet& record) {
  WritePrintChartFileInfoSetTo(out, record);
}

void ReadPrintChartFileInfoSet(DomNode element, PrintChartFileInfoSet& record) {
  ChildCursor cursor(element);
  for (DomNode node = cursor.Next(); node; node = cursor.Next()) {
    std::string_view name = node.NodeName();
    MatchField(node, name, "nIndex", record.nIndex) ||
        MatchField(node, name, "strCalibrationFileName",
                   record.strCalibrationFileName) ||
        MatchField(node, name, "strInkLimitFileName",
                   record.strInkLimitFileName) ||
        MatchField(node, name, "strTestPrintFileName",
                   record.strTestPrintFileName);
  }
}

DomNode WritePrintChartFileInfoSetList(
    DomDocument& document, const std::vector<PrintChartFileInfoSet>& list) {
  return BuildElement(document, [&](DomElementBuilder& out) {
    WritePrintChartFileInfoSetListTo(out, list);
  });
}

void WritePrintChartFileInfoSetList(
    DomElementBuilder& out, const std::vector<PrintChartFileInfoSet>& list) {
  WritePrintChartFileInfoSetListTo(out, list);
}

void WritePrintChartFileInfoSetList(
    XmlStreamWriter& out, const std::vector<PrintChartFileInfoSet>& list) {
  WritePrintChartFileInfoSetListTo(out, list);
}

void ReadPrintChartFileInfoSetList(DomNode element,
                                   std::vector<PrintChartFileInfoSet>& list) {
  ChildCursor cursor(element);
  for (DomNode node = cursor.Next(); node; node = cursor.Next()) {
    if (!node.IsElementNamed("PrintChartFileInfoSet")) continue;
    AppendRecord(node, list, ReadPrintChartFileInfoSet);
  }
}

}  // namespace devseries
