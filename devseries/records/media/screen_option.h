// The custom screening settings of a permission set.
#pragma once

#include <cstdint>
#include <vector>

#include "devseries/xmlio/dom_types.h"
#include "devseries/xmlio/element_output.h"

#pragma GCC visibility push(default)
namespace devseries {

struct ScreenOption {
  bool bUseCustomSetting = false;
  std::int32_t nLineCount = 30;
  std::int32_t eDotShape = 1;
  // Screen angle per channel, in degrees.
  std::vector<float> flDegrees;

  bool operator==(const ScreenOption&) const;
  bool operator!=(const ScreenOption& other) const { return !(*this == other); }
};

// A new, unattached "screenOption" element: "bUseCustomSetting",
// "nLineCount", "eDotShape" and "flDegrees", whose children "flDegree0",
// "flDegree1", ... hold the angles with 3 decimals.
DomNode WriteScreenOption(DomDocument& document, const ScreenOption& record);
// The same element, made where `out` stands.
void WriteScreenOption(DomElementBuilder& out, const ScreenOption& record);
void WriteScreenOption(XmlStreamWriter& out, const ScreenOption& record);

// Fills `record` from a "screenOption" element. Children are recognised by
// name in any order, others skipped; absent ones leave their members as
// they were. A "flDegrees" child replaces the angles: the list is emptied
// and every child node of it, whatever its name, is appended as an angle.
void ReadScreenOption(DomNode element, ScreenOption& record);

}  // namespace devseries
#pragma GCC visibility pop
