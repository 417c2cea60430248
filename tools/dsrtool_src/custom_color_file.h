// The standalone custom colour file: the "xml" declaration instruction
// followed by a "CustomColorInfo" element as the root, in the pattern of the
// other standalone record files.
#pragma once

#include <string>

#include "color/custom_color_info.h"
#include "xmlio/dom_types.h"

namespace dsrtool {

// A document holding the declaration and the record's element; null when
// building it failed.
DomDocumentPtr CreateCustomColorInfoDocument(const CustomColorInfo& info);

// Writes a standalone custom colour file. False when the component runtime
// cannot start, the DOM service is missing or no document was built; a save
// the DOM refuses raises _com_error. The previous file at `path` is left as
// it was on every failure.
bool SaveCustomColorInfoFile(const std::string& path,
                             const CustomColorInfo& info);

// Reads the first "CustomColorInfo" root element of the file at `path`.
// False when there is none, when its second child is not a "CMYKColor" or
// "CMYKOGColor" element (only strColorName then read) or when a
// standard-library exception ended the read. A file that cannot be loaded,
// or an element with too few children, raises _com_error (E_POINTER).
bool LoadCustomColorInfoFile(const std::string& path, CustomColorInfo& info);

}  // namespace dsrtool
