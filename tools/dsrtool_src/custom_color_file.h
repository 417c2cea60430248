// The document of a standalone custom colour file: the "xml" declaration
// instruction followed by a "CustomColorInfo" element as the root, in the
// pattern of the other standalone record files. (The library reads such a
// file: LoadCustomColorInfoFile.)
#pragma once

#include "devseries/color/custom_color_info.h"
#include "devseries/xmlio/dom_types.h"

namespace dsrtool {

using namespace ::devseries;

// A document holding the declaration and the record's element; null when
// building it failed.
DomDocumentPtr CreateCustomColorInfoDocument(const CustomColorInfo& info);

}  // namespace dsrtool
