// The names of the calibration, ink-limit and test-print chart files of one
// set, referred to by a separation's nPrintChartFileInfoIndex.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "devseries/xmlio/dom_types.h"
#include "devseries/xmlio/element_output.h"

#pragma GCC visibility push(default)
namespace devseries {

struct PrintChartFileInfoSet {
  // The value nPrintChartFileInfoIndex refers to.
  std::int32_t nIndex = 0;
  std::string strCalibrationFileName;
  std::string strInkLimitFileName;
  std::string strTestPrintFileName;

  bool operator==(const PrintChartFileInfoSet&) const;
  bool operator!=(const PrintChartFileInfoSet& other) const {
    return !(*this == other);
  }
};

// A new, unattached "PrintChartFileInfoSet" element with "nIndex",
// "strCalibrationFileName", "strInkLimitFileName", "strTestPrintFileName".
DomNode WritePrintChartFileInfoSet(DomDocument& document,
                                   const PrintChartFileInfoSet& record);
// The same element, made where `out` stands.
void WritePrintChartFileInfoSet(DomElementBuilder& out,
                                const PrintChartFileInfoSet& record);
void WritePrintChartFileInfoSet(XmlStreamWriter& out,
                                const PrintChartFileInfoSet& record);

// Fills `record` from a "PrintChartFileInfoSet" element; children recognised
// by name in any order, others skipped, absent ones leave their members.
void ReadPrintChartFileInfoSet(DomNode element, PrintChartFileInfoSet& record);

// A new, unattached "aPrintChartFileInfoSetList" element holding one
// "PrintChartFileInfoSet" element per entry in list order.
DomNode WritePrintChartFileInfoSetList(
    DomDocument& document, const std::vector<PrintChartFileInfoSet>& list);
// The same element, made where `out` stands.
void WritePrintChartFileInfoSetList(
    DomElementBuilder& out, const std::vector<PrintChartFileInfoSet>& list);
void WritePrintChartFileInfoSetList(
    XmlStreamWriter& out, const std::vector<PrintChartFileInfoSet>& list);

// Appends to `list` one freshly constructed set per child element named
// "PrintChartFileInfoSet" of `element`, in document order; other nodes are
// skipped. The list is not emptied first.
void ReadPrintChartFileInfoSetList(DomNode element,
                                   std::vector<PrintChartFileInfoSet>& list);

}  // namespace devseries
#pragma GCC visibility pop
