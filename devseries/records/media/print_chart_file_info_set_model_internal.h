// The print-chart file set's field model: every member found by name.
#pragma once

#include "devseries/records/media/print_chart_file_info_set.h"
#include "devseries/xmlio/field_model_internal.h"

namespace devseries::field_model {

template <>
struct Model<PrintChartFileInfoSet> {
  using R = PrintChartFileInfoSet;
  static constexpr std::string_view kElement = "PrintChartFileInfoSet";
  static constexpr auto kFields = std::tuple{
      Named("nIndex", &R::nIndex,
            {.description = "index of this set (the value separations' "
                            "nPrintChartFileInfoIndex refers to)",
             .label = "Index of this set",
             .summary = "index"}),
      Named("strCalibrationFileName", &R::strCalibrationFileName,
            {.description = "calibration chart file name", .summary = "name"}),
      Named(
          "strInkLimitFileName", &R::strInkLimitFileName,
          {.description = "ink-limit chart file name", .summary = "ink_limit"}),
      Named("strTestPrintFileName", &R::strTestPrintFileName,
            {.description = "test-print chart file name",
             .summary = "test_print"}),
  };
};
static_assert(CoversEveryMember<PrintChartFileInfoSet>(),
              "every member of PrintChartFileInfoSet has a row in its model");

// The list of print-chart file sets takes only the elements of the entry's
// name as entries.
inline constexpr RecordList kPrintChartFileInfoSetList{
    .entries = Entries::kElementsNamed};

}  // namespace devseries::field_model
