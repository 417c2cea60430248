#include "records/media/permission_set.h"

#include <string_view>

#include "records/media/list_fields_internal.h"
#include "xmlio/record_codec.h"

namespace devseries {

using media_internal::AppendEveryChild;
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

namespace {

template <typename Out>
void WritePermissionSetTo(Out& out, const PermissionSet& record) {
  out.Begin("PermissionSet");
  WriteField(out, "nPermissionIndex", record.nPermissionIndex);
  WriteValueList(out, "anInkConfigIndexList", "anInkConfigIndex",
                 record.anInkConfigIndexList);
  WriteField(out, "nResolutionIndex", record.nResolutionIndex);
  WriteField(out, "nModeIndex", record.nModeIndex);
  WriteField(out, "nPassmaskIndex", record.nPassmaskIndex);
  WriteField(out, "eDirection", record.eDirection);
  WriteField(out, "eScreen", record.eScreen);
  if (record.eScreen == kCustomScreen) {
    WriteScreenOption(out, record.screenOption);
  }
  WriteValueList(out, "anVControlIndexList", "anVControlIndex",
                 record.anVControlIndexList);
  WriteValueList(out, "anFMPatternIndexList", "anFMPatternIndex",
                 record.anFMPatternIndexList);
  WriteField(out, "nSeparationIndex", record.nSeparationIndex);
  WriteEachRecord(out, "aCalibrationInfoList", record.aCalibrationInfoList,
                  [](Out& to, const CalibrationInfo& calibration) {
                    WriteCalibrationInfo(to, calibration);
                  });
  WriteField(out, "nInkLimit", record.nInkLimit);
  WriteField(out, "strPrinterProfile", record.strPrinterProfile);
  WriteField(out, "nScanSpeed", record.nScanSpeed);
  WriteField(out, "nFeedSpeed", record.nFeedSpeed);
  WriteField(out, "bVisiblePermission", record.bVisiblePermission);
  if (record.bRecommended != record.bVisiblePermission) {
    WriteField(out, "bRecommended", record.bRecommended);
  }
  WriteField(out, "nRealPassCount", record.nRealPassCount);
  WriteField(out, "strNextPermissionIndex", record.strNextPermissionIndex);
  out.End();
}

}  // namespace

DomNode WritePermissionSet(DomDocument& document, const PermissionSet& record) {
  return BuildElement(document, [&](DomElementBuilder& out) {
    WritePermissionSetTo(out, record);
  });
}

void WritePermissionSet(DomElementBuilder& out, const PermissionSet& record) {
  WritePermissionSetTo(out, record);
}

void WritePermissionSet(XmlStreamWriter& out, const PermissionSet& record) {
  WritePermissionSetTo(out, record);
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
