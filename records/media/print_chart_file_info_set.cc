#include "records/media/print_chart_file_info_set.h"

#include <string_view>

#include "records/media/list_fields_internal.h"
#include "xmlio/record_codec.h"

namespace devseries {

DomNode WritePrintChartFileInfoSet(DomDocument& document,
                                   const PrintChartFileInfoSet& record) {
  DomNode element = document.CreateElement("PrintChartFileInfoSet");
  AppendField(document, element, "nIndex", record.nIndex);
  AppendField(document, element, "strCalibrationFileName",
              record.strCalibrationFileName);
  AppendField(document, element, "strInkLimitFileName",
              record.strInkLimitFileName);
  AppendField(document, element, "strTestPrintFileName",
              record.strTestPrintFileName);
  return element;
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
  return media_internal::WriteRecordList(document, "aPrintChartFileInfoSetList",
                                         list, WritePrintChartFileInfoSet);
}

void ReadPrintChartFileInfoSetList(DomNode element,
                                   std::vector<PrintChartFileInfoSet>& list) {
  ChildCursor cursor(element);
  for (DomNode node = cursor.Next(); node; node = cursor.Next()) {
    if (!node.IsElementNamed("PrintChartFileInfoSet")) continue;
    PrintChartFileInfoSet set;
    ReadPrintChartFileInfoSet(node, set);
    list.push_back(std::move(set));
  }
}

}  // namespace devseries
