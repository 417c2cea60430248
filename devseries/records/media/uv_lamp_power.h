// The UV lamp power of one lamp position of a print mode, and its
// "UVLampPower" element.
#pragma once

#include <cstdint>

#include "devseries/xmlio/dom_types.h"
#include "devseries/xmlio/element_output.h"

#pragma GCC visibility push(default)
namespace devseries {

struct UVLampPower {
  // The value the print-mode writer compares both powers with; no element
  // carries it.
  std::int32_t nBasePower = 100;
  // Lamp power in the forward pass.
  std::int32_t nForwardPower = 100;
  // Lamp power in the backward pass.
  std::int32_t nBackwardPower = 100;

  bool operator==(const UVLampPower&) const;
  bool operator!=(const UVLampPower& other) const { return !(*this == other); }
};

// A new, unattached "UVLampPower" element: the attribute "position" holding
// `position` in decimal, then "nForwardPower" and "nBackwardPower".
// nBasePower is not written. DOM failures raise _com_error.
DomNode WriteUVLampPower(DomDocument& document, const UVLampPower& entry,
                         int position);
// The same element, made where `out` stands.
void WriteUVLampPower(DomElementBuilder& out, const UVLampPower& entry,
                      int position);
void WriteUVLampPower(XmlStreamWriter& out, const UVLampPower& entry,
                      int position);

// Reads a "UVLampPower" element. Its "position" attribute is read as a
// decimal int; an absent attribute, and any node that is not an element
// (a comment in a lamp list, say), count as -1. When the position is not 0
// or 1 the result is false and neither `entry` nor `position` changes.
// Otherwise `position` receives it, each of "nForwardPower" and
// "nBackwardPower" found among the children (any order, others skipped, a
// repeated name overwrites) is stored in `entry`, and the result is true;
// a power without a child keeps the value the caller preset. A null
// `element` raises _com_error(E_POINTER).
[[nodiscard]] bool ReadUVLampPower(DomNode element, UVLampPower& entry,
                                   int& position);

}  // namespace devseries
#pragma GCC visibility pop
