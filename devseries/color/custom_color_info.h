// The custom colour record: a named CMYK or CMYK plus orange and green
// colour, and its XML element.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "devseries/xmlio/dom_types.h"

#pragma GCC visibility push(default)
namespace devseries {

struct ReadReport;

struct CustomColorInfo {
  // The colour's name.
  std::string strColorName;
  // The space of the stored colour: kColorSpaceCMYK (2) or kColorSpaceCMYKOG
  // (4).
  int nColorSpace = 0;
  // Channel values in the order cyan, magenta, yellow, black, orange, green;
  // a CMYK colour uses the first four.
  std::array<std::uint8_t, 6> aColorValue{};
  // The match library name of the colour.
  std::string strMatchLibName;
};

// The "CustomColorInfo" element of `info`, unattached: the text element
// "strColorName", then the colour as a typed "CMYKColor" element (space 2,
// four channels) or "CMYKOGColor" element (space 4, six channels), then the
// text element "strMatchLibName". For any other space code no colour element
// is written. DOM failures raise _com_error.
DomNode WriteCustomColorInfo(DomDocument& doc, const CustomColorInfo& info);

// Fills `info` from a "CustomColorInfo" element, reading the children by
// position: the first child's text is strColorName; the second must be a
// "CMYKColor" or "CMYKOGColor" element, which sets nColorSpace and the
// channels it holds (the other bytes of aColorValue keep their values); the
// third child's text is strMatchLibName. When the second child is neither,
// returns false with only strColorName set and the third child unread.
// Fewer children than needed raise _com_error with E_POINTER.
[[nodiscard]] bool ReadCustomColorInfo(DomNode element, CustomColorInfo& info);

// Reads the first "CustomColorInfo" element among the top-level nodes of the
// file at `path` (a standalone custom colour file) with ReadCustomColorInfo.
// False when the file cannot be loaded or has no such element, when the
// colour element is neither "CMYKColor" nor "CMYKOGColor" (only strColorName
// then read), or when an error ended the read. `report` (when not null) is
// reset and then tells why the file was not read, and where. Never throws.
[[nodiscard]] bool LoadCustomColorInfoFile(const std::string& path,
                                           CustomColorInfo& info,
                                           ReadReport* report);

}  // namespace devseries
#pragma GCC visibility pop
