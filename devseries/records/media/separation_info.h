// The separation record: how the input channels of an image map onto the
// printer's output channels, one output table per channel, with its
// element and its standalone file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "devseries/records/media/output_table.h"
#include "devseries/xmlio/dom_types.h"
#include "devseries/xmlio/element_output.h"
#include "devseries/xmlio/language_string_set.h"

#pragma GCC visibility push(default)
namespace devseries {

// One output channel's curve.
struct ReadReport;

struct SeparationTable {
  std::int32_t nInputChannelNum = 0;
  // 1: the output table travels in the file.
  std::int32_t eType = 0;
  // Output level (0 to 4095) per input level.
  OutputTable usOutputTable{};
  double dStart = 0.0;
  double dPeak = 0.0;
  double dMax = 0.0;
  double dEnd = 0.0;
  double dEndMax = 0.0;
  std::string strInputChannel;
  // Ink index; -1: none.
  std::int32_t nInkIndex = -1;
  std::int32_t nHeadCount = 1;

  bool operator==(const SeparationTable&) const;
  bool operator!=(const SeparationTable& other) const {
    return !(*this == other);
  }
};

struct SeparationInfo {
  std::int32_t nSeparationIndex = 0;
  LanguageStringSet strSeparationName;
  std::int32_t nOutputChannel = 0;
  // One table per output channel.
  std::vector<SeparationTable> aSeparationTableList;
  std::int32_t nPrintChartFileInfoIndex = 0;
  std::string strInkLimitTableFile;
  // Ink index of each input channel.
  std::vector<std::int32_t> anInputChannelInkIndexList;

  bool operator==(const SeparationInfo&) const;
  bool operator!=(const SeparationInfo& other) const {
    return !(*this == other);
  }
};

// Element codecs and the standalone separation file.
class SeparationInfoIO {
 public:
  // Fills `record` from a "SeparationInfo" element. Children are recognised
  // by name in any order; absent ones leave their members as they were.
  // "SeparationTable" elements of "aSeparationTableList" and "nInkIndex"
  // children of "anInputChannelInkIndexList" are appended (other nodes
  // skipped), so a repeated list adds its entries. Errors of a table read
  // pass through; that table is not appended.
  void ReadSeparationInfo(DomNode element, SeparationInfo& record);
  // A new, unattached "SeparationInfo" element with every member.
  DomNode WriteSeparationInfo(DomDocument& document,
                              const SeparationInfo& record);
  // The same element, made where `out` stands.
  void WriteSeparationInfo(DomElementBuilder& out,
                           const SeparationInfo& record);
  void WriteSeparationInfo(XmlStreamWriter& out, const SeparationInfo& record);

  // Fills `table` from a "SeparationTable" element: six positional children
  // (names not looked at: channel number, table text, start, peak, max,
  // end), a missing one raising E_POINTER, then "dEndMax", "eType",
  // "strInputChannel", "nInkIndex", "nHeadCount" by name. When eType is then
  // 1 and the table text is not empty, the table is rebuilt from it; a text
  // that is not Base64 or too short for 256 samples leaves it as it was.
  void ReadSeparationTable(DomNode element, SeparationTable& table);
  // A new, unattached "SeparationTable" element. The "usOutputTable" text is
  // the 256 samples in Base64 when eType is 1, empty otherwise.
  DomNode WriteSeparationTable(DomDocument& document,
                               const SeparationTable& table);

  // Reads the first child element of `node` named "SeparationInfo"; without
  // one, `record` is left unchanged. A null `node` raises E_POINTER.
  void ReadFirstSeparationInfo(DomNode node, SeparationInfo& record);

  // A document holding the "xml" declaration and the record as root; null
  // when building failed.
  DomDocumentPtr CreateSeparationInfoDocument(const SeparationInfo& record);
  // Writes a standalone separation file. False when the component runtime
  // or the DOM service is unavailable or no document could be built; a save
  // that the DOM refuses raises _com_error (the previous file stays).
  bool SaveSeparationInfoFile(const std::string& path,
                              const SeparationInfo& record);
  // Reads the first "SeparationInfo" element of the file at `path`. True
  // also when there is none (nothing read); false when a standard-library
  // exception ended the read. A file that cannot be loaded raises
  // _com_error (E_POINTER).
  bool LoadSeparationInfoFile(const std::string& path, SeparationInfo& record);
  // As above; `report` (when not null) is reset and then tells why the file
  // was not read and where, before an error passes to the caller.
  bool LoadSeparationInfoFile(const std::string& path, SeparationInfo& record,
                              ReadReport* report);

  // Expands 256 samples into the 4096 entries of `table` (see the free
  // function of the same name).
  void BuildOutputTable(const OutputTableSamples& samples, OutputTable& table);
};

}  // namespace devseries
#pragma GCC visibility pop
