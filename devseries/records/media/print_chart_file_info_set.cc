#include "devseries/records/media/print_chart_file_info_set.h"

#include <string_view>

#include "devseries/records/media/print_chart_file_info_set_model_internal.h"

namespace devseries {

using field_model::ReadRecord;
using field_model::WriteRecord;

namespace {

template <typename Out>
void WritePrintChartFileInfoSetListTo(
    Out& out, const std::vector<PrintChartFileInfoSet>& list) {
  field_model::kPrintChartFileInfoSetList.Write(
      out, "aPrintChartFileInfoSetList", list);
}

}  // namespace

DomNode WritePrintChartFileInfoSet(DomDocument& document,
                                   const PrintChartFileInfoSet& record) {
  return BuildElement(
      document, [&](DomElementBuilder& out) { WriteRecord(out, record); });
}

void WritePrintChartFileInfoSet(DomElementBuilder& out,
                                const PrintChartFileInfoSet& record) {
  WriteRecord(out, record);
}

void WritePrintChartFileInfoSet(XmlStreamWriter& out,
                                const PrintChartFileInfoSet& record) {
  WriteRecord(out, record);
}

void ReadPrintChartFileInfoSet(DomNode element, PrintChartFileInfoSet& record) {
  ReadRecord(element, record);
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
  field_model::RecordList{.entries = field_model::Entries::kElementsNamed}.Read(
      element, list);
}

// Member-wise equality, defined here so that the header stays C++17.
bool PrintChartFileInfoSet::operator==(const PrintChartFileInfoSet&) const =
    default;

}  // namespace devseries
