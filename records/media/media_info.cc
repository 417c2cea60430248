#include "records/media/media_info.h"

#include <string_view>

#include "records/media/list_fields_internal.h"
#include "xmlio/record_codec.h"
#include "xmlio/record_files.h"

namespace devseries {

using media_internal::AppendEveryChild;
using media_internal::WriteValueList;

namespace {

// The vacuum power text that means "unset" in older files.
constexpr std::int32_t kUnsetVacuumPower = -1;

template <typename Out>
void WriteMediaInfoTo(Out& out, const MediaInfo& record) {
  out.Begin("MediaInfo");
  WriteField(out, "strMediaName", record.strMediaName);
  WriteField(out, "strBaseMediaName", record.strBaseMediaName);
  WriteEachRecord(out, "aPermissionSetList", record.aPermissionSetList,
                  [](Out& to, const PermissionSet& permission) {
                    WritePermissionSet(to, permission);
                  });
  WriteEachRecord(out, "aQualityInfoList", record.aQualityInfoList,
                  [](Out& to, const QualityInfo& quality) {
                    WriteQualityInfo(to, quality);
                  });
  WriteField(out, "nDefaultLevel", record.nDefaultLevel);
  WriteField(out, "nDryTime", record.nDryTime);
  WriteField(out, "nVacuumPower", record.nVacuumPower);
  WriteField(out, "eHeadHeight", record.eHeadHeight);
  WriteValueList(out, "aflFeedCalibration", "value", record.aflFeedCalibration);
  WriteField(out, "nPreHeater", record.nPreHeater);
  WriteField(out, "nPrintHeater", record.nPrintHeater);
  WriteField(out, "nDryHeater", record.nDryHeater);
  WriteField(out, "nCutCount", record.nCutCount);
  WriteField(out, "nCutVelocity", record.nCutVelocity);
  WriteField(out, "nCutForce", record.nCutForce);
  WriteField(out, "flCutOffset", record.flCutOffset);
  WriteField(out, "TimeStamp", record.TimeStamp);
  WriteField(out, "bVisibleMedia", record.bVisibleMedia);
  WriteField(out, "bCuttingMedia", record.bCuttingMedia);
  WriteField(out, "bUpdateNeeded", record.bUpdateNeeded);
  WriteField(out, "nInputRoute", record.nInputRoute);
  WriteField(out, "bPreHeaterEnable", record.bPreHeaterEnable);
  WriteField(out, "bPrinterHeaterEnable", record.bPrinterHeaterEnable);
  WriteField(out, "bDrierEnable", record.bDrierEnable);
  WriteField(out, "nMediaAttribute", record.nMediaAttribute);
  WriteField(out, "bHideUnrecommendedMode", record.bHideUnrecommendedMode == 1);
  WriteField(out, "flNormalCutForceRange", record.flNormalCutForceRange);
  WriteField(out, "flDeepCutForceRange", record.flDeepCutForceRange);
  // Two ints that the format carries with decimals (170 as 170.000).
  WriteField(out, "nDeepCutForce", static_cast<double>(record.nDeepCutForce));
  WriteField(out, "nHalfCutForce", static_cast<double>(record.nHalfCutForce));
  WriteField(out, "nOverPrintCount", record.nOverPrintCount);
  WriteField(out, "bUseDensityCalibration", record.bUseDensityCalibration);
  out.End();
}

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
  return BuildElement(
      document, [&](DomElementBuilder& out) { WriteMediaInfoTo(out, record); });
}

void MediaInfoIO::WriteMediaInfo(DomElementBuilder& out,
                                 const MediaInfo& record) {
  WriteMediaInfoTo(out, record);
}

void MediaInfoIO::WriteMediaInfo(XmlStreamWriter& out,
                                 const MediaInfo& record) {
  WriteMediaInfoTo(out, record);
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
