#include "records/printer/model_info.h"

#include <string_view>

#include "xmlio/record_codec.h"
#include "xmlio/record_files.h"

namespace devseries {

namespace {

// The name of a per-slot table child: value0 to value23.
std::string SlotName(size_t slot) { return NumberedName("value", slot); }

}  // namespace

void ModelInfoIO::ReadModelInfo(DomNode element, ModelInfo& r) {
  ChildCursor cursor(element);
  ReadNext(cursor, "strLongModelName", r.strLongModelName);
  ReadNext(cursor, "strMIBModelName", r.strMIBModelName);
  ReadNext(cursor, "strFolderName", r.strFolderName);
  ReadNext(cursor, "dMaxWidth", r.dMaxWidth);
  ReadNext(cursor, "nHeadNum", r.nHeadNum);
  ReadIntSlots(cursor.Next("nHeadPositionIndex"), r.nHeadPositionIndex,
               NumberedSlotName);
  ReadIntSlots(cursor.Next("nDefaultInkIndex"), r.nDefaultInkIndex,
               NumberedSlotName);
  ReadNext(cursor, "bCutFeature", r.bCutFeature);
  // Decoded as a number with decimals and truncated: 7.99 gives 7.
  r.nHeaterFeature =
      TruncateToInt32(ReadFloatValue(cursor.Next("nHeaterFeature")));
  ReadNext(cursor, "nHeadHeightMask", r.nHeadHeightMask);
  ReadNext(cursor, "strStaticStatus", r.strStaticStatus);
  ReadNext(cursor, "strStaticExtraStatus", r.strStaticExtraStatus);
  ReadNext(cursor, "strActiveStatus", r.strActiveStatus);
  ReadNext(cursor, "strPPDFile", r.strPPDFile);
  ReadNext(cursor, "dCropMargin_mm", r.dCropMargin_mm);
  ReadNext(cursor, "dCropSize_mm", r.dCropSize_mm);
  ReadNext(cursor, "dPageSpace_mm", r.dPageSpace_mm);
  ReadNext(cursor, "dHWLeftMargin_mm", r.dHWLeftMargin_mm);
  ReadNext(cursor, "dHWRightMargin_mm", r.dHWRightMargin_mm);
  ReadNext(cursor, "dHWTopMargin_mm", r.dHWTopMargin_mm);
  ReadNext(cursor, "dHWBottomMargin_mm", r.dHWBottomMargin_mm);

  // Values for the optional members that older files do not carry.
  r.nMaxCutSpeed = 60;
  r.nExtraValue1 = 0;
  r.strRequiredFirmwareVersion.clear();
  r.strRecommendedFirmwareVersion.clear();
  r.nMinimumReturnScanSpeed = 1000;
  r.nMaximumReturnScanSpeed = 1000;

  for (DomNode node = cursor.Next(); node; node = cursor.Next()) {
    const std::string_view name = node.NodeName();
    MatchField(node, name, "strBMPFileName", r.strBMPFileName) ||
        MatchField(node, name, "nMaxCutSpeed", r.nMaxCutSpeed) ||
        MatchField(node, name, "strExtension", r.strExtension) ||
        MatchField(node, name, "nMinimumPageInterval_mm",
                   r.nMinimumPageInterval_mm) ||
        MatchField(node, name, "nMaximumPageInterval_mm",
                   r.nMaximumPageInterval_mm) ||
        MatchField(node, name, "nMinimumScanSpeed", r.nMinimumScanSpeed) ||
        MatchField(node, name, "nMaximumScanSpeed", r.nMaximumScanSpeed) ||
        MatchField(node, name, "nMinimumFeedSpeed", r.nMinimumFeedSpeed) ||
        MatchField(node, name, "nMaximumFeedSpeed", r.nMaximumFeedSpeed) ||
        MatchField(node, name, "nMinimumPreHeaterTemperature",
                   r.nMinimumPreHeaterTemperature) ||
        MatchField(node, name, "nMaximumPreHeaterTemperature",
                   r.nMaximumPreHeaterTemperature) ||
        MatchField(node, name, "nMinimumHeaterTemperature",
                   r.nMinimumHeaterTemperature) ||
        MatchField(node, name, "nMaximumHeaterTemperature",
                   r.nMaximumHeaterTemperature) ||
        MatchField(node, name, "nMinimumDrierTemperature",
                   r.nMinimumDrierTemperature) ||
        MatchField(node, name, "nMaximumDrierTemperature",
                   r.nMaximumDrierTemperature) ||
        MatchField(node, name, "dMinimumFeedCalibration_mm",
                   r.dMinimumFeedCalibration_mm) ||
        MatchField(node, name, "dMaximumFeedCalibration_mm",
                   r.dMaximumFeedCalibration_mm) ||
        MatchField(node, name, "nMinimumCutForce", r.nMinimumCutForce) ||
        MatchField(node, name, "nMaximumCutForce", r.nMaximumCutForce) ||
        MatchField(node, name, "flMaximumCutOffset", r.flMaximumCutOffset) ||
        MatchField(node, name, "nGetMethodType", r.nGetMethodType) ||
        MatchField(node, name, "nScanSpeedType", r.nScanSpeedType) ||
        MatchField(node, name, "strDllName", r.strDllName) ||
        MatchField(node, name, "strDriverName", r.strDriverName) ||
        MatchField(node, name, "strRequiredFirmwareVersion",
                   r.strRequiredFirmwareVersion) ||
        MatchField(node, name, "strRecommendedFirmwareVersion",
                   r.strRecommendedFirmwareVersion) ||
        MatchField(node, name, "nNozzleCountPerHeadColumn",
                   r.nNozzleCountPerHeadColumn) ||
        MatchField(node, name, "flNozzleResolution", r.flNozzleResolution) ||
        MatchField(node, name, "nMinimumReturnScanSpeed",
                   r.nMinimumReturnScanSpeed) ||
        MatchField(node, name, "nMaximumReturnScanSpeed",
                   r.nMaximumReturnScanSpeed) ||
        MatchField(node, name, "dMaxLength", r.dMaxLength) ||
        MatchField(node, name, "bOverlapCutPerCutPath",
                   r.bOverlapCutPerCutPath) ||
        MatchField(node, name, "nUVLampCount", r.nUVLampCount) ||
        MatchField(node, name, "bHBridgeFeature", r.bHBridgeFeature) ||
        MatchField(node, name, "bHalfCutFeature", r.bHalfCutFeature) ||
        MatchField(node, name, "nMinimumHalfCutForce",
                   r.nMinimumHalfCutForce) ||
        MatchField(node, name, "nMaximumHalfCutForce", r.nMaximumHalfCutForce);
  }
}

DomNode ModelInfoIO::WriteModelInfo(DomDocument& doc, const ModelInfo& r) {
  DomNode e = doc.CreateElement("ModelInfo");
  AppendField(doc, e, "strLongModelName", r.strLongModelName);
  AppendField(doc, e, "strMIBModelName", r.strMIBModelName);
  AppendField(doc, e, "strFolderName", r.strFolderName);
  AppendField(doc, e, "dMaxWidth", r.dMaxWidth);
  AppendField(doc, e, "nHeadNum", r.nHeadNum);
  e.AppendChild(
      WriteIntSlots(doc, "nHeadPositionIndex", r.nHeadPositionIndex, SlotName));
  e.AppendChild(
      WriteIntSlots(doc, "nDefaultInkIndex", r.nDefaultInkIndex, SlotName));
  AppendField(doc, e, "bCutFeature", r.bCutFeature);
  AppendField(doc, e, "nHeaterFeature", r.nHeaterFeature);
  AppendField(doc, e, "nHeadHeightMask", r.nHeadHeightMask);
  AppendField(doc, e, "strStaticStatus", r.strStaticStatus);
  AppendField(doc, e, "strStaticExtraStatus", r.strStaticExtraStatus);
  AppendField(doc, e, "strActiveStatus", r.strActiveStatus);
  AppendField(doc, e, "strPPDFile", r.strPPDFile);
  AppendField(doc, e, "dCropMargin_mm", r.dCropMargin_mm);
  AppendField(doc, e, "dCropSize_mm", r.dCropSize_mm);
  AppendField(doc, e, "dPageSpace_mm", r.dPageSpace_mm);
  AppendField(doc, e, "dHWLeftMargin_mm", r.dHWLeftMargin_mm);
  AppendField(doc, e, "dHWRightMargin_mm", r.dHWRightMargin_mm);
  AppendField(doc, e, "dHWTopMargin_mm", r.dHWTopMargin_mm);
  AppendField(doc, e, "dHWBottomMargin_mm", r.dHWBottomMargin_mm);

  AppendField(doc, e, "strBMPFileName", r.strBMPFileName);
  AppendField(doc, e, "nMaxCutSpeed", r.nMaxCutSpeed);
  AppendField(doc, e, "strExtension", r.strExtension);
  AppendField(doc, e, "nMinimumPageInterval_mm", r.nMinimumPageInterval_mm);
  AppendField(doc, e, "nMaximumPageInterval_mm", r.nMaximumPageInterval_mm);
  AppendField(doc, e, "nMinimumScanSpeed", r.nMinimumScanSpeed);
  AppendField(doc, e, "nMaximumScanSpeed", r.nMaximumScanSpeed);
  AppendField(doc, e, "nMinimumFeedSpeed", r.nMinimumFeedSpeed);
  AppendField(doc, e, "nMaximumFeedSpeed", r.nMaximumFeedSpeed);
  AppendField(doc, e, "nMinimumPreHeaterTemperature",
              r.nMinimumPreHeaterTemperature);
  AppendField(doc, e, "nMaximumPreHeaterTemperature",
              r.nMaximumPreHeaterTemperature);
  AppendField(doc, e, "nMinimumHeaterTemperature", r.nMinimumHeaterTemperature);
  AppendField(doc, e, "nMaximumHeaterTemperature", r.nMaximumHeaterTemperature);
  AppendField(doc, e, "nMinimumDrierTemperature", r.nMinimumDrierTemperature);
  AppendField(doc, e, "nMaximumDrierTemperature", r.nMaximumDrierTemperature);
  AppendField(doc, e, "dMinimumFeedCalibration_mm",
              r.dMinimumFeedCalibration_mm);
  AppendField(doc, e, "dMaximumFeedCalibration_mm",
              r.dMaximumFeedCalibration_mm);
  AppendField(doc, e, "nMinimumCutForce", r.nMinimumCutForce);
  AppendField(doc, e, "nMaximumCutForce", r.nMaximumCutForce);
  AppendField(doc, e, "flMaximumCutOffset", r.flMaximumCutOffset);
  AppendField(doc, e, "nGetMethodType", r.nGetMethodType);
  AppendField(doc, e, "nScanSpeedType", r.nScanSpeedType);
  AppendField(doc, e, "strDllName", r.strDllName);
  AppendField(doc, e, "strDriverName", r.strDriverName);
  if (!r.strRequiredFirmwareVersion.empty()) {
    AppendField(doc, e, "strRequiredFirmwareVersion",
                r.strRequiredFirmwareVersion);
  }
  if (!r.strRecommendedFirmwareVersion.empty()) {
    AppendField(doc, e, "strRecommendedFirmwareVersion",
                r.strRecommendedFirmwareVersion);
  }
  AppendField(doc, e, "nNozzleCountPerHeadColumn", r.nNozzleCountPerHeadColumn);
  AppendField(doc, e, "flNozzleResolution", r.flNozzleResolution);
  AppendField(doc, e, "nMinimumReturnScanSpeed", r.nMinimumReturnScanSpeed);
  AppendField(doc, e, "nMaximumReturnScanSpeed", r.nMaximumReturnScanSpeed);
  AppendField(doc, e, "dMaxLength", r.dMaxLength);
  AppendField(doc, e, "bOverlapCutPerCutPath", r.bOverlapCutPerCutPath);
  AppendField(doc, e, "nUVLampCount", r.nUVLampCount);
  AppendField(doc, e, "bHBridgeFeature", r.bHBridgeFeature);
  AppendField(doc, e, "bHalfCutFeature", r.bHalfCutFeature);
  AppendField(doc, e, "nMinimumHalfCutForce", r.nMinimumHalfCutForce);
  AppendField(doc, e, "nMaximumHalfCutForce", r.nMaximumHalfCutForce);
  return e;
}

void ModelInfoIO::ReadFirstModelInfo(DomNode node, ModelInfo& record) {
  if (DomNode element = node.FirstChildNamed("ModelInfo")) {
    ReadModelInfo(element, record);
  }
}

DomDocumentPtr ModelInfoIO::CreateModelInfoDocument(const ModelInfo& record) {
  return CreateRecordDocument(
      [&](DomDocument& doc) { return WriteModelInfo(doc, record); });
}

bool ModelInfoIO::SaveModelInfoFile(const std::string& path,
                                    const ModelInfo& record) {
  return SaveRecordFile(path, [&] { return CreateModelInfoDocument(record); });
}

bool ModelInfoIO::LoadModelInfoFile(const std::string& path,
                                    ModelInfo& record) {
  return LoadModelInfoFile(path, record, nullptr);
}

bool ModelInfoIO::LoadModelInfoFile(const std::string& path, ModelInfo& record,
                                    ReadReport* report) {
  return LoadRecordFile(
      path, [&](DomNode node) { ReadFirstModelInfo(node, record); }, report);
}

}  // namespace devseries
