// The ink record: one ink of a device series, its "InkInfo" element and its
// standalone file.
#pragma once

#include <cstdint>
#include <string>

#include "devseries/xmlio/dom_types.h"
#include "devseries/xmlio/element_output.h"
#include "devseries/xmlio/language_string_set.h"

#pragma GCC visibility push(default)
namespace devseries {

// A display colour as three bytes. Written as an element with the children
// "R", "G" and "B".
struct ReadReport;

struct InkRGB {
  std::uint8_t nRed = 0;
  std::uint8_t nGreen = 0;
  std::uint8_t nBlue = 0;

  bool operator==(const InkRGB&) const;
  bool operator!=(const InkRGB& other) const { return !(*this == other); }
};

struct InkInfo {
  // The index by which models, ink configurations and modes refer to the ink.
  std::int32_t nInkIndex = 0;
  LanguageStringSet strLongInkName;
  std::string strShortInkName;
  InkRGB lightColor;
  InkRGB darkColor;
  float flPrice = 0.0f;
  std::int32_t nCapacity = 0;

  bool operator==(const InkInfo&) const;
  bool operator!=(const InkInfo& other) const { return !(*this == other); }
};

// Element and standalone-file operations of the ink record. DOM failures
// raise _com_error; a missing positional child raises _com_error(E_POINTER).
class InkInfoIO {
 public:
  // Fills `record` from an "InkInfo" element: the first five child nodes,
  // whatever their names, give nInkIndex, strLongInkName, strShortInkName and
  // the two colours (each colour node's first three children as red, green
  // and blue, stored as the low 8 bits of the decimal value: 300 gives 44,
  // -1 gives 255). Every further child named "flPrice" or "nCapacity" is
  // decoded into it, in any order, a repeated name overwriting; other nodes
  // are skipped and absent members keep their values.
  void ReadInkInfo(DomNode element, InkInfo& record);
  // A new, unattached "InkInfo" element.
  DomNode WriteInkInfo(DomDocument& document, const InkInfo& record);
  // The same element, made where `out` stands.
  void WriteInkInfo(DomElementBuilder& out, const InkInfo& record);
  void WriteInkInfo(XmlStreamWriter& out, const InkInfo& record);
  // Reads the first child element of `node` named "InkInfo"; nothing
  // happens when there is none.
  void ReadFirstInkInfo(DomNode node, InkInfo& record);
  // A document holding the declaration instruction and the ink's element as
  // root; null when building it failed.
  DomDocumentPtr CreateInkInfoDocument(const InkInfo& record);
  // As ModelInfoIO::SaveModelInfoFile and LoadModelInfoFile, for "InkInfo".
  bool SaveInkInfoFile(const std::string& path, const InkInfo& record);
  bool LoadInkInfoFile(const std::string& path, InkInfo& record);
  // As above; `report` (when not null) is reset and then tells why the file
  // was not read and where, before an error passes to the caller.
  bool LoadInkInfoFile(const std::string& path, InkInfo& record,
                       ReadReport* report);
};

}  // namespace devseries
#pragma GCC visibility pop
