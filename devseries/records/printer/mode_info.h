// The print-mode record: inks, dot format, passes, feed per pass, ink volume
// and the two UV lamp powers of one print mode, its "ModeInfo" element and
// its standalone file.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "devseries/records/media/uv_lamp_power.h"
#include "devseries/xmlio/dom_types.h"
#include "devseries/xmlio/element_output.h"

#pragma GCC visibility push(default)
namespace devseries {

struct ReadReport;

struct ModeInfo {
  std::int32_t nModeIndex = 0;
  std::string strModeName;
  std::int32_t nInkNum = 0;
  // The ink (InkInfo::nInkIndex) of each slot; all 24 are stored whatever
  // nInkNum says.
  std::array<std::int32_t, 24> nInkIndexList{};
  std::int32_t nBitsPerPixel = 0;
  std::int32_t nDotType = 0;
  std::string strDotSize;
  std::string strNozzleMask;
  std::int32_t nPassesPerLine = 0;
  // Option text for the printer job language.
  std::string strPJLOption;
  float flFeedResolutionPerPass = 180.0f;
  // The ink-volume setting (InkVolumeInfo::nInkVolumeIndex); -1 for none.
  std::int32_t nInkVolumeIndex = -1;
  std::int32_t nNozzleMaskCount = 0;
  std::int32_t nEmptyPathLength = 0;
  std::int32_t nAdditionalPrintingTime = 0;
  // The lamp powers at lamp positions 0 and 1.
  std::array<UVLampPower, 2> aUVLampPowerList;

  bool operator==(const ModeInfo&) const;
  bool operator!=(const ModeInfo& other) const { return !(*this == other); }
};

// Element and standalone-file operations of the print-mode record. DOM
// failures raise _com_error; a missing positional child raises
// _com_error(E_POINTER).
class ModeInfoIO {
 public:
  // Fills `record` from a "ModeInfo" element. nNozzleMaskCount becomes 0
  // first; the first seven child nodes, whatever their names, give
  // nModeIndex, strModeName, nInkNum, the ink list (its first 24 children),
  // nBitsPerPixel, nDotType and strDotSize. Every further child whose name
  // is an optional member is decoded into it, in any order, a repeated name
  // overwriting; other nodes are skipped. Each "UVLampPower" child of
  // "aUVLampPowerList" naming position 0 or 1 sets both powers of that
  // position, a power without a child reading as 100; nBasePower is never
  // changed.
  void ReadModeInfo(DomNode element, ModeInfo& record);
  // A new, unattached "ModeInfo" element. "aUVLampPowerList" holds the two
  // lamp entries only when a power differs from its entry's nBasePower.
  DomNode WriteModeInfo(DomDocument& document, const ModeInfo& record);
  // The same element, made where `out` stands.
  void WriteModeInfo(DomElementBuilder& out, const ModeInfo& record);
  void WriteModeInfo(XmlStreamWriter& out, const ModeInfo& record);
  // Reads the first child element of `node` named "ModeInfo"; nothing
  // happens when there is none.
  void ReadFirstModeInfo(DomNode node, ModeInfo& record);
  // As the ModelInfoIO counterparts, for "ModeInfo".
  DomDocumentPtr CreateModeInfoDocument(const ModeInfo& record);
  bool SaveModeInfoFile(const std::string& path, const ModeInfo& record);
  bool LoadModeInfoFile(const std::string& path, ModeInfo& record);
  // As above; `report` (when not null) is reset and then tells why the file
  // was not read and where, before an error passes to the caller.
  bool LoadModeInfoFile(const std::string& path, ModeInfo& record,
                        ReadReport* report);
};

}  // namespace devseries
#pragma GCC visibility pop
