// The ink-volume record's field model: both members found by name.
#pragma once

#include "devseries/records/printer/ink_volume_info.h"
#include "devseries/xmlio/field_model_internal.h"

namespace devseries::field_model {

template <>
struct Model<InkVolumeInfo> {
  using R = InkVolumeInfo;
  static constexpr std::string_view kElement = "InkVolumeInfo";
  static constexpr auto kFields = std::tuple{
      Named("nInkVolumeIndex", &R::nInkVolumeIndex,
            {.description = "the ink-volume setting's index, referred to by "
                            "print modes",
             .label = "Ink-volume index",
             .summary = "index"}),
      Named("astrInkVolumeList", &R::astrInkVolumeList,
            {.description = "the volume texts, one per entry",
             .unit = "pl",
             .summary = "volumes"},
            ValueList{.item = "strInkVolume_pl", .onlyItems = true}),
  };
  // A read replaces the list, never appends to it.
  static void AfterPrefix(R& record) { record.astrInkVolumeList.clear(); }
};
static_assert(CoversEveryMember<InkVolumeInfo>(),
              "every member of InkVolumeInfo has a row in its model");

// The list of ink-volume settings takes as entries the nodes of the entry's
// name (a processing instruction of that target too, as it always has).
inline constexpr RecordList kInkVolumeInfoList{.entries = Entries::kNodesNamed};

}  // namespace devseries::field_model
