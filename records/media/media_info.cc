#include "records/media/media_info.h"

#include <string_view>

#include "records/media/list_fields_internal.h"
#include "xmlio/record_codec.h"
#include "xmlio/record_files.h"

namespace devseries {

using media_internal::AppendEveryChild;
using media_internal::WriteRecordList;
using media_internal::WriteValueList;

namespace {

// The vacuum power text that means "unset" in older files.
constexpr std::int32_t kUnsetVacuumPower = -1;

}  // namespace

void MediaInfoIO::ReadMediaInfo(DomNode element, MediaInfo& record) {
  ChildCursor cursor(element);
  ReadNext(cursor, "strMediaName", record.strMediaName);
  ReadNext(cursor, "strBaseMediaName", record.strBaseMediaName);
  AppendEveryChildRecord(cursor.Next("aPermissionSetList"), "PermissionSet",
                         record.aPermissionSetList,
                         devseries::ReadPermissionSet);
  AppendEveryChildRecord(cursor.Next("aQualityInfoList"), "QualityInfo",
                         record.aQualityInfoList, devseries::ReadQualityInfo);
  ReadNext(cursor, "nDefaultLevel", record.nDefaultLevel);
  ReadNext(cursor, "nDryTime", record.nDryTime);
  ReadNext(cursor, "nVacuumPower", record.nVacuumPower);
  if (record.nVacuumPower == kUnsetVacuumPower) record.nVacuumPower = 0;
  ReadNext(cursor, "eHeadHeight", record.eHeadHeight);
  AppendEveryChild(cursor.Next("aflFeedCalibration"), "value",
                   record.aflFeedCalibration);
  ReadNext(cursor, "nPreHeater", record.nPreHeater);
  ReadNext(cursor, "nPrintHeater", record.nPrintHeater);
  ReadNext(cursor, "nDryHeater", record.nDryHeater);
  ReadNext(cursor, "nCutCount", record.nCutCount);
  ReadNext(cursor, "nCutVelocity", record.nCutVelocity);
  ReadNext(cursor, "nCutForce", record.nCutForce);
  ReadNext(cursor, "flCutOffset", record.flCutOffset);
  ReadNext(cursor, "TimeStamp", record.TimeStamp);

  // A drier without a setting is off unless the element says otherwise.
  if (record.nDryHeater == 0) record.bDrierEnable = false;

  for (DomNode node = cursor.Next(); node; node = cursor.Next()) {
    std::string_view name = node.NodeName();
    if (name == "bHideUnrecommendedMode") {
      record.bHideUnrecommendedMode = ReadBoolValue(node) ? 1 : 0;
      continue;
    }
    MatchField(node, name, "bVisibleMedia", record.bVisibleMedia) ||
        MatchField(node, name, "bCuttingMedia", record.bCuttingMedia) ||
        MatchField(node, name, "bUpdateNeeded", record.bUpdateNeeded) ||
        MatchField(node, name, "nInputRoute", record.nInputRoute) ||
        MatchField(node, name, "bPreHeaterEnable", record.bPreHeaterEnable) ||
        MatchField(node, name, "bPrinterHeaterEnable",
                   record.bPrinterHeaterEnable) ||
        MatchField(node, name, "bDrierEnable", record.bDrierEnable) ||
        MatchField(node, name, "nMediaAttribute", record.nMediaAttribute) ||
        MatchField(node, name, "flNormalCutForceRange",
                   record.flNormalCutForceRange) ||
        MatchField(node, name, "flDeepCutForceRange",
                   record.flDeepCutForceRange) ||
        // Written with decimals; the integer decoder stops at the point.
        MatchField(node, name, "nDeepCutForce", record.nDeepCutForce) ||
        MatchField(node, name, "nOverPrintCount", record.nOverPrintCount) ||
        MatchField(node, name, "nHalfCutForce", record.nHalfCutForce) ||
        MatchField(node, name, "bUseDensityCalibration",
                   record.bUseDensityCalibration);
  }
}

DomNode MediaInfoIO::WriteMediaInfo(DomDocument& document,
                                    const MediaInfo& record) {
  DomNode element = document.CreateElement("MediaInfo");
  AppendField(document, element, "strMediaName", record.strMediaName);
  AppendField(document, element, "strBaseMediaName", record.strBaseMediaName);
  element.AppendChild(WriteRecordList(document, "aPermissionSetList",
                                      record.aPermissionSetList,
                                      devseries::WritePermissionSet));
  element.AppendChild(WriteRecordList(document, "aQualityInfoList",
                                      record.aQualityInfoList,
                                      devseries::WriteQualityInfo));
  AppendField(document, element, "nDefaultLevel", record.nDefaultLevel);
  AppendField(document, element, "nDryTime", record.nDryTime);
  AppendField(document, element, "nVacuumPower", record.nVacuumPower);
  AppendField(document, element, "eHeadHeight", record.eHeadHeight);
  element.AppendChild(WriteValueList(document, "aflFeedCalibration", "value",
                                     record.aflFeedCalibration));
  AppendField(document, element, "nPreHeater", record.nPreHeater);
  AppendField(document, element, "nPrintHeater", record.nPrintHeater);
  AppendField(document, element, "nDryHeater", record.nDryHeater);
  AppendField(document, element, "nCutCount", record.nCutCount);
  AppendField(document, element, "nCutVelocity", record.nCutVelocity);
  AppendField(document, element, "nCutForce", record.nCutForce);
  AppendField(document, element, "flCutOffset", record.flCutOffset);
  AppendField(document, element, "TimeStamp", record.TimeStamp);
  AppendField(document, element, "bVisibleMedia", record.bVisibleMedia);
  AppendField(document, element, "bCuttingMedia", record.bCuttingMedia);
  AppendField(document, element, "bUpdateNeeded", record.bUpdateNeeded);
  AppendField(document, element, "nInputRoute", record.nInputRoute);
  AppendField(document, element, "bPreHeaterEnable", record.bPreHeaterEnable);
  AppendField(document, element, "bPrinterHeaterEnable",
              record.bPrinterHeaterEnable);
  AppendField(document, element, "bDrierEnable", record.bDrierEnable);
  AppendField(document, element, "nMediaAttribute", record.nMediaAttribute);
  AppendField(document, element, "bHideUnrecommendedMode",
              record.bHideUnrecommendedMode == 1);
  AppendField(document, element, "flNormalCutForceRange",
              record.flNormalCutForceRange);
  AppendField(document, element, "flDeepCutForceRange",
              record.flDeepCutForceRange);
  // Two ints that the format carries with decimals (170 as 170.000).
  AppendField(document, element, "nDeepCutForce",
              static_cast<double>(record.nDeepCutForce));
  AppendField(document, element, "nHalfCutForce",
              static_cast<double>(record.nHalfCutForce));
  AppendField(document, element, "nOverPrintCount", record.nOverPrintCount);
  AppendField(document, element, "bUseDensityCalibration",
              record.bUseDensityCalibration);
  return element;
}

void MediaInfoIO::ReadFirstMediaInfo(DomNode node, MediaInfo& record) {
  if (DomNode element = node.FirstChildNamed("MediaInfo")) {
    ReadMediaInfo(element, record);
  }
}

DomDocumentPtr MediaInfoIO::CreateMediaInfoDocument(const MediaInfo& record) {
  return CreateRecordDocument(
      [&](DomDocument& document) { return WriteMediaInfo(document, record); });
}

bool MediaInfoIO::SaveMediaInfoFile(const std::string& path,
                                    const MediaInfo& record) {
  return SaveRecordFile(path, [&] { return CreateMediaInfoDocument(record); });
}

bool MediaInfoIO::LoadMediaInfoFile(const std::string& path,
                                    MediaInfo& record) {
  return LoadMediaInfoFile(path, record, nullptr);
}

bool MediaInfoIO::LoadMediaInfoFile(const std::string& path, MediaInfo& record,
                                    ReadReport* report) {
  return LoadRecordFile(
      path, [&](DomNode node) { ReadFirstMediaInfo(node, record); }, report);
}

void MediaInfoIO::ReadPermissionSet(DomNode element, PermissionSet& record) {
  devseries::ReadPermissionSet(element, record);
}

DomNode MediaInfoIO::WritePermissionSet(DomDocument& document,
                                        const PermissionSet& record) {
  return devseries::WritePermissionSet(document, record);
}

void MediaInfoIO::ReadQualityInfo(DomNode element, QualityInfo& record) {
  devseries::ReadQualityInfo(element, record);
}

DomNode MediaInfoIO::WriteQualityInfo(DomDocument& document,
                                      const QualityInfo& record) {
  return devseries::WriteQualityInfo(document, record);
}

}  // namespace devseries
