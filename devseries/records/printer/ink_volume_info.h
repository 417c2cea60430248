// The ink-volume record: an index with an ordered list of volume texts
// (picolitres), its "InkVolumeInfo" element and the "aInkVolumeInfoList"
// element of a device series. There is no standalone file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "devseries/xmlio/dom_types.h"
#include "devseries/xmlio/element_output.h"

#pragma GCC visibility push(default)
namespace devseries {

struct InkVolumeInfo {
  // The index by which modes refer to the setting (ModeInfo::nInkVolumeIndex).
  std::int32_t nInkVolumeIndex = 0;
  std::vector<std::string> astrInkVolumeList;

  bool operator==(const InkVolumeInfo&) const;
  bool operator!=(const InkVolumeInfo& other) const {
    return !(*this == other);
  }
};

// Fills `record` from an "InkVolumeInfo" element, every child recognised by
// name: "nInkVolumeIndex", and "astrInkVolumeList" whose "strInkVolume_pl"
// children are appended in order (other children skipped). The volume list
// is emptied first; a missing "nInkVolumeIndex" leaves the index as it was;
// two list children append to one list. Fails only when the DOM fails.
void ReadInkVolumeInfo(DomNode element, InkVolumeInfo& record);
// A new, unattached "InkVolumeInfo" element: "nInkVolumeIndex", then
// "astrInkVolumeList" with one "strInkVolume_pl" child per entry.
DomNode WriteInkVolumeInfo(DomDocument& document, const InkVolumeInfo& record);
// The same element, made where `out` stands.
void WriteInkVolumeInfo(DomElementBuilder& out, const InkVolumeInfo& record);
void WriteInkVolumeInfo(XmlStreamWriter& out, const InkVolumeInfo& record);
// Appends to `list` one record per "InkVolumeInfo" child of `element`, each
// read into a new record; other children are skipped. `list` is not emptied.
void ReadInkVolumeInfoList(DomNode element, std::vector<InkVolumeInfo>& list);
// A new, unattached "aInkVolumeInfoList" element holding one "InkVolumeInfo"
// element per record, in list order.
DomNode WriteInkVolumeInfoList(DomDocument& document,
                               const std::vector<InkVolumeInfo>& list);
// The same element, made where `out` stands.
void WriteInkVolumeInfoList(DomElementBuilder& out,
                            const std::vector<InkVolumeInfo>& list);
void WriteInkVolumeInfoList(XmlStreamWriter& out,
                            const std::vector<InkVolumeInfo>& list);

}  // namespace devseries
#pragma GCC visibility pop
