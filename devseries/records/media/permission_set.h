// A permission set: one permitted print configuration of a medium (ink
// configurations, resolution, mode, direction, screening, VControl points,
// FM patterns, separation, calibration, speeds and flags).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "devseries/records/media/calibration_info.h"
#include "devseries/records/media/screen_option.h"
#include "devseries/xmlio/dom_types.h"
#include "devseries/xmlio/element_output.h"

#pragma GCC visibility push(default)
namespace devseries {

// eScreen code whose settings travel in screenOption.
inline constexpr std::int32_t kCustomScreen = 8;

struct PermissionSet {
  std::int32_t nPermissionIndex = 0;
  std::vector<std::int32_t> anInkConfigIndexList;
  std::int32_t nResolutionIndex = 0;
  std::int32_t nModeIndex = 0;
  std::int32_t nPassmaskIndex = 0;
  // Low 16 bits: allowed directions (bit 0: direction 1, bit 1: direction
  // 2); high 16 bits: the preferred direction, 1 or 2.
  std::int32_t eDirection = 0;
  std::int32_t eScreen = 0;
  std::vector<std::int32_t> anVControlIndexList;
  std::vector<std::int32_t> anFMPatternIndexList;
  std::int32_t nSeparationIndex = 0;
  // One entry per channel.
  std::vector<CalibrationInfo> aCalibrationInfoList;
  std::int32_t nInkLimit = 0;
  std::string strPrinterProfile;
  std::int32_t nScanSpeed = 0;
  std::int32_t nFeedSpeed = 0;
  bool bVisiblePermission = true;
  ScreenOption screenOption;
  bool bRecommended = false;
  std::int32_t nRealPassCount = 0;
  std::string strNextPermissionIndex;

  bool operator==(const PermissionSet&) const;
  bool operator!=(const PermissionSet& other) const {
    return !(*this == other);
  }
};

// A new, unattached "PermissionSet" element. "screenOption" is written only
// when eScreen is 8, "bRecommended" only when it differs from
// bVisiblePermission; every other member always.
DomNode WritePermissionSet(DomDocument& document, const PermissionSet& record);
// The same element, made where `out` stands.
void WritePermissionSet(DomElementBuilder& out, const PermissionSet& record);
void WritePermissionSet(XmlStreamWriter& out, const PermissionSet& record);

// Fills `record` from a "PermissionSet" element: four positional children
// (names not looked at: index, ink configuration list, resolution, mode), a
// missing one raising E_POINTER; the ink configuration list is emptied
// before its children are appended. Then eScreen becomes 1 and
// anVControlIndexList is emptied, and the remaining children are matched by
// name: lists are appended to, eDirection is given a preferred direction
// when it has none, and bRecommended takes bVisiblePermission when the
// element has no "bRecommended" child. Errors of a calibration or screening
// read pass through; that calibration entry is not appended.
void ReadPermissionSet(DomNode element, PermissionSet& record);

// eDirection with a preferred direction: when the high half is neither 1
// nor 2 it becomes 2 if flag bit 1 is set, else 1 if flag bit 0 is set,
// else the value is kept. The low half never changes.
std::int32_t NormalizeDirection(std::int32_t eDirection);

}  // namespace devseries
#pragma GCC visibility pop
