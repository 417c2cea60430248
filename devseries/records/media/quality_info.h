// A quality level offered for a medium: its number, its name in every
// user-interface language and the permission sets that belong to it.
#pragma once

#include <cstdint>
#include <vector>

#include "devseries/xmlio/dom_types.h"
#include "devseries/xmlio/element_output.h"
#include "devseries/xmlio/language_string_set.h"

#pragma GCC visibility push(default)
namespace devseries {

struct QualityInfo {
  std::int32_t nQualityLevel = 0;
  LanguageStringSet strQualityName;
  // nPermissionIndex values of the medium's permission sets of this level.
  std::vector<std::int32_t> anPermissionIndexList;
  bool bVisibleQuality = true;

  bool operator==(const QualityInfo&) const;
  bool operator!=(const QualityInfo& other) const { return !(*this == other); }
};

// A new, unattached "QualityInfo" element: "nQualityLevel",
// "strQualityName", "anPermissionIndexList" (one "anPermissionIndex" per
// entry) and "bVisibleQuality".
DomNode WriteQualityInfo(DomDocument& document, const QualityInfo& record);
// The same element, made where `out` stands.
void WriteQualityInfo(DomElementBuilder& out, const QualityInfo& record);
void WriteQualityInfo(XmlStreamWriter& out, const QualityInfo& record);

// Fills `record` from a "QualityInfo" element: three positional children
// (names not looked at), a missing one raising E_POINTER, the list's
// children all appended as ints; then a "bVisibleQuality" child is read by
// name and every other node skipped.
void ReadQualityInfo(DomNode element, QualityInfo& record);

}  // namespace devseries
#pragma GCC visibility pop
