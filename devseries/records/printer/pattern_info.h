// The FM pattern record: one FM pattern of a device series, its
// "PatternInfo" element and its standalone file.
#pragma once

#include <cstdint>
#include <string>

#include "devseries/xmlio/dom_types.h"
#include "devseries/xmlio/element_output.h"

#pragma GCC visibility push(default)
namespace devseries {

struct ReadReport;

struct PatternInfo {
  std::int32_t nFMPatternIndex = 0;
  // Pattern size in pixels in the scan and feed directions.
  std::int32_t nScanPixelSize = 0;
  std::int32_t nFeedPixelSize = 0;
  std::string strPatternFile;

  bool operator==(const PatternInfo&) const;
  bool operator!=(const PatternInfo& other) const { return !(*this == other); }
};

// Element and standalone-file operations of the FM pattern record. DOM
// failures raise _com_error; a missing positional child raises
// _com_error(E_POINTER).
class PatternInfoIO {
 public:
  // Fills `record` from a "PatternInfo" element by position only: the first
  // four child nodes, whatever their names, give the four members; later
  // nodes are ignored.
  void ReadPatternInfo(DomNode element, PatternInfo& record);
  // A new, unattached "PatternInfo" element.
  DomNode WritePatternInfo(DomDocument& document, const PatternInfo& record);
  // The same element, made where `out` stands.
  void WritePatternInfo(DomElementBuilder& out, const PatternInfo& record);
  void WritePatternInfo(XmlStreamWriter& out, const PatternInfo& record);
  // Reads the first child element of `node` named "PatternInfo"; nothing
  // happens when there is none.
  void ReadFirstPatternInfo(DomNode node, PatternInfo& record);
  // As the ModelInfoIO counterparts, for "PatternInfo".
  DomDocumentPtr CreatePatternInfoDocument(const PatternInfo& record);
  bool SavePatternInfoFile(const std::string& path, const PatternInfo& record);
  bool LoadPatternInfoFile(const std::string& path, PatternInfo& record);
  // As above; `report` (when not null) is reset and then tells why the file
  // was not read and where, before an error passes to the caller.
  bool LoadPatternInfoFile(const std::string& path, PatternInfo& record,
                           ReadReport* report);
};

}  // namespace devseries
#pragma GCC visibility pop
