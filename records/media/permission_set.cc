#include "records/media/permission_set.h"

#include <string_view>

#include "records/media/list_fields_internal.h"
#include "xmlio/record_codec.h"

namespace devseries {

using media_internal::AppendEveryChild;
using media_internal::WriteRecordList;
using media_internal::WriteValueList;

std::int32_t NormalizeDirection(std::int32_t eDirection) {
  const auto value = static_cast<std::uint32_t>(eDirection);
  const std::uint32_t preferred = value >> 16;
  if (preferred == 1 || preferred == 2) return eDirection;
  std::uint32_t chosen;
  if (value & 2u) {
    chosen = 2;
  } else if (value & 1u) {
    chosen = 1;
  } else {
    return eDirection;
  }
  return static_cast<std::int32_t>((chosen << 16) | (value & 0xFFFFu));
}

DomNode WritePermissionSet(DomDocument& document, const PermissionSet& record) {
  DomNode element = document.CreateElement("PermissionSet");
  AppendField(document, element, "nPermissionIndex", record.nPermissionIndex);
  element.AppendChild(WriteValueList(document, "anInkConfigIndexList",
                                     "anInkConfigIndex",
                                     record.anInkConfigIndexList));
  AppendField(document, element, "nResolutionIndex", record.nResolutionIndex);
  AppendField(document, element, "nModeIndex", record.nModeIndex);
  AppendField(document, element, "nPassmaskIndex", record.nPassmaskIndex);
  AppendField(document, element, "eDirection", record.eDirection);
  AppendField(document, element, "eScreen", record.eScreen);
  if (record.eScreen == kCustomScreen) {
    element.AppendChild(WriteScreenOption(document, record.screenOption));
  }
  element.AppendChild(WriteValueList(document, "anVControlIndexList",
                                     "anVControlIndex",
                                     record.anVControlIndexList));
  element.AppendChild(WriteValueList(document, "anFMPatternIndexList",
                                     "anFMPatternIndex",
                                     record.anFMPatternIndexList));
  AppendField(document, element, "nSeparationIndex", record.nSeparationIndex);
  element.AppendChild(WriteRecordList(document, "aCalibrationInfoList",
                                      record.aCalibrationInfoList,
                                      WriteCalibrationInfo));
  AppendField(document, element, "nInkLimit", record.nInkLimit);
  AppendField(document, element, "strPrinterProfile", record.strPrinterProfile);
  AppendField(document, element, "nScanSpeed", record.nScanSpeed);
  AppendField(document, element, "nFeedSpeed", record.nFeedSpeed);
  AppendField(document, element, "bVisiblePermission",
              record.bVisiblePermission);
  if (record.bRecommended != record.bVisiblePermission) {
    AppendField(document, element, "bRecommended", record.bRecommended);
  }
  AppendField(document, element, "nRealPassCount", record.nRealPassCount);
  AppendField(document, element, "strNextPermissionIndex",
              record.strNextPermissionIndex);
  return element;
}

void ReadPermissionSet(DomNode element, PermissionSet& record) {
  ChildCursor cursor(element);
  ReadNext(cursor, "nPermissionIndex", record.nPermissionIndex);
  record.anInkConfigIndexList.clear();
  AppendEveryChild(cursor.Next("anInkConfigIndexList"), "anInkConfigIndex",
                   record.anInkConfigIndexList);
  ReadNext(cursor, "nResolutionIndex", record.nResolutionIndex);
  ReadNext(cursor, "nModeIndex", record.nModeIndex);

  record.eScreen = 1;
  // Emptied once here, so repeated "anVControlIndexList" children add up.
  record.anVControlIndexList.clear();
  bool recommendedSeen = false;

  for (DomNode node = cursor.Next(); node; node = cursor.Next()) {
    std::string_view name = node.NodeName();
    if (name == "eDirection") {
      ReadValue(node, record.eDirection);
      record.eDirection = NormalizeDirection(record.eDirection);
    } else if (name == "screenOption") {
      ReadScreenOption(node, record.screenOption);
    } else if (name == "anVControlIndexList") {
      AppendEveryChild(node, "anVControlIndex", record.anVControlIndexList);
    } else if (name == "anFMPatternIndexList") {
      AppendEveryChild(node, "anFMPatternIndex", record.anFMPatternIndexList);
    } else if (name == "aCalibrationInfoList") {
      AppendEveryChildRecord(node, "CalibrationInfo",
                             record.aCalibrationInfoList, ReadCalibrationInfo);
    } else if (name == "bRecommended") {
      ReadValue(node, record.bRecommended);
      recommendedSeen = true;
    } else {
      MatchField(node, name, "nPassmaskIndex", record.nPassmaskIndex) ||
          MatchField(node, name, "eScreen", record.eScreen) ||
          MatchField(node, name, "nSeparationIndex", record.nSeparationIndex) ||
          MatchField(node, name, "nInkLimit", record.nInkLimit) ||
          MatchField(node, name, "strPrinterProfile",
                     record.strPrinterProfile) ||
          MatchField(node, name, "nScanSpeed", record.nScanSpeed) ||
          MatchField(node, name, "nFeedSpeed", record.nFeedSpeed) ||
          MatchField(node, name, "bVisiblePermission",
                     record.bVisiblePermission) ||
          MatchField(node, name, "nRealPassCount", record.nRealPassCount) ||
          MatchField(node, name, "strNextPermissionIndex",
                     record.strNextPermissionIndex);
    }
  }

  if (!recommendedSeen) record.bRecommended = record.bVisiblePermission;
}

}  // namespace devseries
