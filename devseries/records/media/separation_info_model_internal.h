// The separation record's field model, and that of its tables.
#pragma once

#include "devseries/records/media/output_table.h"
#include "devseries/records/media/separation_info.h"
#include "devseries/xmlio/field_model_internal.h"

namespace devseries::field_model {

// A separation table's output table: Base64 text of its 256 stored samples
// when the table's type is 1, else an empty element. The reader takes the
// element at its position and decodes it once the type is known (the
// model's AfterRead).
struct OutputTableText {
  static constexpr Encoding kEncoding = Encoding::kCustom;
  // The record's last rule decodes the element's text.
  static constexpr bool kKeepsText = true;
  // The samples are stored only for a table of type 1.
  static constexpr std::string_view kStoredWhen = "eType is 1";
  static bool SamplesStored(const SeparationTable& table) {
    return table.eType == 1;
  }
  void Read(DomNode node, OutputTable&) const {
    // A missing element raises E_POINTER here, as for any positional member.
    static_cast<void>(node.GetNodeType());
  }
  template <typename Out>
  void WriteFromRecord(Out& out, std::string_view name,
                       const SeparationTable& table) const {
    WriteField(out, name,
               SamplesStored(table) ? EncodeOutputTableText(table.usOutputTable)
                                    : std::string());
  }
};

inline constexpr EnumName kTableTypeNames[] = {
    {1, "output table carried in the file"}};

template <>
struct Model<SeparationTable> {
  using R = SeparationTable;
  static constexpr std::string_view kElement = "SeparationTable";
  static constexpr auto kFields = std::tuple{
      At("nInputChannelNum", &R::nInputChannelNum, {"input channel number"}),
      At("usOutputTable", &R::usOutputTable,
         Ranged("output value for each input level 0 to 4095", "level", 0,
                4095),
         OutputTableText{}),
      At("dStart", &R::dStart, {"curve start"}),
      At("dPeak", &R::dPeak, {"curve peak"}),
      At("dMax", &R::dMax, {"curve maximum"}),
      At("dEnd", &R::dEnd, {"curve end"}),
      Named("dEndMax", &R::dEndMax, {"curve end maximum"}),
      Named("eType", &R::eType,
            {.description = "table type; 1 means the output table is carried "
                            "in the file",
             .names = kTableTypeNames,
             .label = "Table type"}),
      Named("strInputChannel", &R::strInputChannel, {"input channel name"}),
      Named("nInkIndex", &R::nInkIndex,
            {.description = "ink index; -1: none",
             .refersTo = "aInkInfoList[].nInkIndex",
             .label = "Ink index"}),
      Named("nHeadCount", &R::nHeadCount, {"number of heads"}),
  };
  // A text that is not Base64 or too short leaves the table as it was.
  template <typename Rows>
  static void AfterRead(R& table, const Rows& rows) {
    if (table.eType != 1) return;
    const std::string text = rows.Text("usOutputTable");
    if (!text.empty()) {
      DecodeOutputTableText(
          text, table.usOutputTable,
          [&](const std::string& what) { rows.Note("usOutputTable", what); });
    }
  }
};
static_assert(CoversEveryMember<SeparationTable>(),
              "every member of SeparationTable has a row in its model");

template <>
struct Model<SeparationInfo> {
  using R = SeparationInfo;
  static constexpr std::string_view kElement = "SeparationInfo";
  static constexpr auto kFields = std::tuple{
      Named("nSeparationIndex", &R::nSeparationIndex,
            {.description = "index of this separation", .summary = "index"}),
      Named("strSeparationName", &R::strSeparationName,
            {.description = "separation name per language", .summary = "name"}),
      Named("nOutputChannel", &R::nOutputChannel,
            {"number of output channels"}),
      Named("aSeparationTableList", &R::aSeparationTableList,
            {.description = "one table per output channel",
             .summary = "channels"},
            RecordList{.entries = Entries::kElementsNamed}),
      Named("nPrintChartFileInfoIndex", &R::nPrintChartFileInfoIndex,
            {.description = "index of a print-chart file set",
             .refersTo = "aPrintChartFileInfoSetList[].nIndex"}),
      Named("strInkLimitTableFile", &R::strInkLimitTableFile,
            {"file name of the ink-limit table"}),
      Named("anInputChannelInkIndexList", &R::anInputChannelInkIndexList,
            {.description = "ink index of each input channel",
             .refersTo = "aInkInfoList[].nInkIndex",
             .summary = "inputs"},
            ValueList{.item = "nInkIndex", .onlyItems = true}),
  };
};
static_assert(CoversEveryMember<SeparationInfo>(),
              "every member of SeparationInfo has a row in its model");

}  // namespace devseries::field_model
