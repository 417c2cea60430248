// The print-mode record's field model.
#pragma once

#include "devseries/records/media/uv_lamp_power.h"
#include "devseries/records/printer/mode_info.h"
#include "devseries/xmlio/field_model_internal.h"

namespace devseries::field_model {

// The two UV lamp powers: written as two "UVLampPower" children (positions
// 0 and 1) only when a power of either differs from its base power, else
// as an empty list. Each child naming position 0 or 1 sets both powers of
// that position; a power the child does not carry reads as 100; other
// children are skipped.
struct LampPowers {
  static constexpr Encoding kEncoding = Encoding::kCustom;
  void Read(DomNode node, std::array<UVLampPower, 2>& powers) const {
    ChildCursor cursor(node);
    for (DomNode child = cursor.Next(); child; child = cursor.Next()) {
      UVLampPower read;  // 100, 100, 100
      int position = -1;
      if (!ReadUVLampPower(child, read, position)) continue;
      UVLampPower& entry = powers[static_cast<size_t>(position)];
      entry.nForwardPower = read.nForwardPower;
      entry.nBackwardPower = read.nBackwardPower;
    }
  }
  template <typename Out>
  void Write(Out& out, std::string_view name,
             const std::array<UVLampPower, 2>& powers) const {
    out.Begin(name);
    if (DiffersFromBase(powers)) {
      WriteUVLampPower(out, powers[0], 0);
      WriteUVLampPower(out, powers[1], 1);
    }
    out.End();
  }
  static bool DiffersFromBase(const std::array<UVLampPower, 2>& powers) {
    for (const UVLampPower& entry : powers) {
      if (entry.nForwardPower != entry.nBasePower ||
          entry.nBackwardPower != entry.nBasePower) {
        return true;
      }
    }
    return false;
  }
};

template <>
struct Model<ModeInfo> {
  using R = ModeInfo;
  static constexpr std::string_view kElement = "ModeInfo";
  static constexpr auto kFields = std::tuple{
      At("nModeIndex", &R::nModeIndex,
         {.description = "the mode's index", .summary = "index"}),
      At("strModeName", &R::strModeName,
         {.description = "mode name (one text, not a language set)",
          .label = "Mode name",
          .summary = "name"}),
      At("nInkNum", &R::nInkNum,
         {.description = "number of inks", .summary = "inks"}),
      At("nInkIndexList", &R::nInkIndexList,
         {.description = "ink index per slot 0 to 23",
          .refersTo = "aInkInfoList[].nInkIndex"},
         Slots{}),
      At("nBitsPerPixel", &R::nBitsPerPixel,
         {.description = "bits per pixel", .summary = "bits"}),
      At("nDotType", &R::nDotType, {"dot type code"}),
      At("strDotSize", &R::strDotSize, {"dot size text"}),
      Named("nInkVolumeIndex", &R::nInkVolumeIndex,
            {.description = "index of the ink-volume setting",
             .refersTo = "aInkVolumeInfoList[].nInkVolumeIndex"}),
      Named("strNozzleMask", &R::strNozzleMask, {"nozzle mask text"}),
      Named("nPassesPerLine", &R::nPassesPerLine,
            {.description = "passes per line", .summary = "passes"}),
      Named("strPJLOption", &R::strPJLOption, {"PJL option text"}),
      Named("flFeedResolutionPerPass", &R::flFeedResolutionPerPass,
            {"feed resolution per pass"}),
      Named("nNozzleMaskCount", &R::nNozzleMaskCount,
            {"number of nozzle masks"})
          .ReadDefaultFirst(0),
      Named("nEmptyPathLength", &R::nEmptyPathLength, {"empty path length"}),
      Named("nAdditionalPrintingTime", &R::nAdditionalPrintingTime,
            {"additional printing time"}),
      Named("aUVLampPowerList", &R::aUVLampPowerList,
            {"UV lamp power at lamp positions 0 and 1"}, LampPowers{}),
  };
};
static_assert(CoversEveryMember<ModeInfo>(),
              "every member of ModeInfo has a row in its model");

}  // namespace devseries::field_model
