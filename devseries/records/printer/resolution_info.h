// The resolution record: one print resolution of a device series, its
// "ResolutionInfo" element and its standalone file.
#pragma once

#include <cstdint>
#include <string>

#include "devseries/xmlio/dom_types.h"
#include "devseries/xmlio/element_output.h"
#include "devseries/xmlio/language_string_set.h"

#pragma GCC visibility push(default)
namespace devseries {

struct ReadReport;

struct ResolutionInfo {
  std::int32_t nResolutionIndex = 0;
  LanguageStringSet strResolutionName;
  float flScanResolution = 0;
  float flFeedResolution = 0;

  bool operator==(const ResolutionInfo&) const;
  bool operator!=(const ResolutionInfo& other) const {
    return !(*this == other);
  }
};

// Element and standalone-file operations of the resolution record. DOM
// failures raise _com_error; a missing positional child raises
// _com_error(E_POINTER).
class ResolutionInfoIO {
 public:
  // Fills `record` from a "ResolutionInfo" element by position only: the
  // first four child nodes, whatever their names, give the four members;
  // later nodes are ignored.
  void ReadResolutionInfo(DomNode element, ResolutionInfo& record);
  // A new, unattached "ResolutionInfo" element.
  DomNode WriteResolutionInfo(DomDocument& document,
                              const ResolutionInfo& record);
  // The same element, made where `out` stands.
  void WriteResolutionInfo(DomElementBuilder& out,
                           const ResolutionInfo& record);
  void WriteResolutionInfo(XmlStreamWriter& out, const ResolutionInfo& record);
  // Reads the first child element of `node` named "ResolutionInfo"; nothing
  // happens when there is none.
  void ReadFirstResolutionInfo(DomNode node, ResolutionInfo& record);
  // As the ModelInfoIO counterparts, for "ResolutionInfo".
  DomDocumentPtr CreateResolutionInfoDocument(const ResolutionInfo& record);
  bool SaveResolutionInfoFile(const std::string& path,
                              const ResolutionInfo& record);
  bool LoadResolutionInfoFile(const std::string& path, ResolutionInfo& record);
  // As above; `report` (when not null) is reset and then tells why the file
  // was not read and where, before an error passes to the caller.
  bool LoadResolutionInfoFile(const std::string& path, ResolutionInfo& record,
                              ReadReport* report);
};

}  // namespace devseries
#pragma GCC visibility pop
