// The permission set's field model.
#pragma once

#include "devseries/records/media/calibration_info_model_internal.h"
#include "devseries/records/media/permission_set.h"
#include "devseries/records/media/screen_option_model_internal.h"
#include "devseries/xmlio/field_model_internal.h"

namespace devseries::field_model {

inline constexpr EnumName kScreenNames[] = {{8, "custom screening"}};

template <>
struct Model<PermissionSet> {
  using R = PermissionSet;
  static constexpr std::string_view kElement = "PermissionSet";
  static constexpr auto kFields = std::tuple{
      At("nPermissionIndex", &R::nPermissionIndex,
         {.description = "index of this permission set within the medium",
          .label = "Permission set index",
          .summary = "index"}),
      At("anInkConfigIndexList", &R::anInkConfigIndexList,
         {.description = "ink configuration indices",
          .refersTo = "aInkConfigInfoList[].nInkConfigIndex"},
         ValueList{.item = "anInkConfigIndex", .replaces = true}),
      At("nResolutionIndex", &R::nResolutionIndex,
         {.description = "resolution index",
          .refersTo = "aResolutionInfoList[].nResolutionIndex"}),
      At("nModeIndex", &R::nModeIndex,
         {.description = "print mode index",
          .refersTo = "aModeInfoList[].nModeIndex"}),
      Named("nPassmaskIndex", &R::nPassmaskIndex, {"pass mask index"}),
      Named("eDirection", &R::eDirection,
            {.description = "print direction",
             .layout = "low 16 bits: direction flags (bit 0: direction 1, "
                       "bit 1: direction 2); high 16 bits: the preferred "
                       "direction, 1 or 2",
             .packing = Packing::kChoicesAndPreferred})
          .ReadThen(
              [](std::int32_t& value) { value = NormalizeDirection(value); }),
      Named("eScreen", &R::eScreen,
            {.description = "screening code; 8 means custom screening "
                            "settings are carried in screenOption",
             .names = kScreenNames,
             .label = "Screening code"})
          .ReadDefault(1),
      Named("screenOption", &R::screenOption, {"custom screening settings"},
            NestedRecord{})
          .StoredOnlyWhen(
              [](const R& record) { return record.eScreen == kCustomScreen; },
              "eScreen is 8 (the custom screen)"),
      Named("anVControlIndexList", &R::anVControlIndexList,
            {.description = "VControl point indices",
             .refersTo = "aVControlPointList[].nVControlIndex"},
            ValueList{.item = "anVControlIndex"}),
      Named("anFMPatternIndexList", &R::anFMPatternIndexList,
            {.description = "FM pattern indices",
             .refersTo = "aPatternInfoList[].nFMPatternIndex"},
            ValueList{.item = "anFMPatternIndex"}),
      Named("nSeparationIndex", &R::nSeparationIndex,
            {.description = "separation index",
             .refersTo = "aSeparationInfoList[].nSeparationIndex"}),
      Named("aCalibrationInfoList", &R::aCalibrationInfoList,
            {"calibration data, one entry per channel"}, RecordList{}),
      Named("nInkLimit", &R::nInkLimit, {"ink limit"}),
      Named("strPrinterProfile", &R::strPrinterProfile,
            {"printer profile name"}),
      Named("nScanSpeed", &R::nScanSpeed, {"scan speed"}),
      Named("nFeedSpeed", &R::nFeedSpeed, {"feed speed"}),
      Named("bVisiblePermission", &R::bVisiblePermission,
            {"the permission set is shown to the user"}),
      // Written only when it differs from bVisiblePermission, which it
      // takes when absent.
      Named("bRecommended", &R::bRecommended,
            {"the permission set is recommended"})
          .WrittenIf([](const R& record) {
            return record.bRecommended != record.bVisiblePermission;
          }),
      Named("nRealPassCount", &R::nRealPassCount, {"real number of passes"}),
      Named("strNextPermissionIndex", &R::strNextPermissionIndex,
            {"text naming the next permission set"}),
  };
  // Emptied once before the optional part, so repeated
  // "anVControlIndexList" children add up.
  static void AfterPrefix(R& record) { record.anVControlIndexList.clear(); }
  template <typename Rows>
  static void AfterRead(R& record, const Rows& seen) {
    if (!seen("bRecommended")) record.bRecommended = record.bVisiblePermission;
  }
};
static_assert(CoversEveryMember<PermissionSet>(),
              "every member of PermissionSet has a row in its model");

}  // namespace devseries::field_model
