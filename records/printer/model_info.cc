#include "records/printer/model_info.h"

#include <string_view>

#include "xmlio/record_codec.h"
#include "xmlio/record_files.h"

namespace devseries {

namespace {

// The name of a per-slot table child: value0 to value23.
std::string SlotName(size_t slot) { return NumberedName("value", slot); }

// Every stored member in file order, the firmware texts only when not
// empty.
template <typename Out>
void WriteModelInfoTo(Out& out, const ModelInfo& r) {
  out.Begin("ModelInfo");
  WriteField(out, "strLongModelName", r.strLongModelName);
  WriteField(out, "strMIBModelName", r.strMIBModelName);
  WriteField(out, "strFolderName", r.strFolderName);
  WriteField(out, "dMaxWidth", r.dMaxWidth);
  WriteField(out, "nHeadNum", r.nHeadNum);
  WriteIntSlotsTo(out, "nHeadPositionIndex", r.nHeadPositionIndex, SlotName);
  WriteIntSlotsTo(out, "nDefaultInkIndex", r.nDefaultInkIndex, SlotName);
  WriteField(out, "bCutFeature", r.bCutFeature);
  WriteField(out, "nHeaterFeature", r.nHeaterFeature);
  WriteField(out, "nHeadHeightMask", r.nHeadHeightMask);
  WriteField(out, "strStaticStatus", r.strStaticStatus);
  WriteField(out, "strStaticExtraStatus", r.strStaticExtraStatus);
  WriteField(out, "strActiveStatus", r.strActiveStatus);
  WriteField(out, "strPPDFile", r.strPPDFile);
  WriteField(out, "dCropMargin_mm", r.dCropMargin_mm);
  WriteField(out, "dCropSize_mm", r.dCropSize_mm);
  WriteField(out, "dPageSpace_mm", r.dPageSpace_mm);
  WriteField(out, "dHWLeftMargin_mm", r.dHWLeftMargin_mm);
  WriteField(out, "dHWRightMargin_mm", r.dHWRightMargin_mm);
  WriteField(out, "dHWTopMargin_mm", r.dHWTopMargin_mm);
  WriteField(out, "dHWBottomMargin_mm", r.dHWBottomMargin_mm);

  WriteField(out, "strBMPFileName", r.strBMPFileName);
  WriteField(out, "nMaxCutSpeed", r.nMaxCutSpeed);
  WriteField(out, "strExtension", r.strExtension);
  WriteField(out, "nMinimumPageInterval_mm", r.nMinimumPageInterval_mm);
  WriteField(out, "nMaximumPageInterval_mm", r.nMaximumPageInterval_mm);
  WriteField(out, "nMinimumScanSpeed", r.nMinimumScanSpeed);
  WriteField(out, "nMaximumScanSpeed", r.nMaximumScanSpeed);
  WriteField(out, "nMinimumFeedSpeed", r.nMinimumFeedSpeed);
  WriteField(out, "nMaximumFeedSpeed", r.nMaximumFeedSpeed);
  WriteField(out, "nMinimumPreHeaterTemperature",
             r.nMinimumPreHeaterTemperature);
  WriteField(out, "nMaximumPreHeaterTemperature",
             r.nMaximumPreHeaterTemperature);
  WriteField(out, "nMinimumHeaterTemperature", r.nMinimumHeaterTemperature);
  WriteField(out, "nMaximumHeaterTemperature", r.nMaximumHeaterTemperature);
  WriteField(out, "nMinimumDrierTemperature", r.nMinimumDrierTemperature);
  WriteField(out, "nMaximumDrierTemperature", r.nMaximumDrierTemperature);
  WriteField(out, "dMinimumFeedCalibration_mm", r.dMinimumFeedCalibration_mm);
  WriteField(out, "dMaximumFeedCalibration_mm", r.dMaximumFeedCalibration_mm);
  WriteField(out, "nMinimumCutForce", r.nMinimumCutForce);
  WriteField(out, "nMaximumCutForce", r.nMaximumCutForce);
  WriteField(out, "flMaximumCutOffset", r.flMaximumCutOffset);
  WriteField(out, "nGetMethodType", r.nGetMethodType);
  WriteField(out, "nScanSpeedType", r.nScanSpeedType);
  WriteField(out, "strDllName", r.strDllName);
  WriteField(out, "strDriverName", r.strDriverName);
  if (!r.strRequiredFirmwareVersion.empty()) {
    WriteField(out, "strRequiredFirmwareVersion", r.strRequiredFirmwareVersion);
  }
  if (!r.strRecommendedFirmwareVersion.empty()) {
    WriteField(out, "strRecommendedFirmwareVersion",
               r.strRecommendedFirmwareVersion);
  }
  WriteField(out, "nNozzleCountPerHeadColumn", r.nNozzleCountPerHeadColumn);
  WriteField(out, "flNozzleResolution", r.flNozzleResolution);
  WriteField(out, "nMinimumReturnScanSpeed", r.nMinimumReturnScanSpeed);
  WriteField(out, "nMaximumReturnScanSpeed", r.nMaximumReturnScanSpeed);
  WriteField(out, "dMaxLength", r.dMaxLength);
  WriteField(out, "bOverlapCutPerCutPath", r.bOverlapCutPerCutPath);
  WriteField(out, "nUVLampCount", r.nUVLampCount);
  WriteField(out, "bHBridgeFeature", r.bHBridgeFeature);
  WriteField(out, "bHalfCutFeature", r.bHalfCutFeature);
  WriteField(out, "nMinimumHalfCutForce", r.nMinimumHalfCutForce);
  WriteField(out, "nMaximumHalfCutForce", r.nMaximumHalfCutForce);
  out.End();
}

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
  return BuildElement(
      doc, [&](DomElementBuilder& out) { WriteModelInfoTo(out, r); });
}

void ModelInfoIO::WriteModelInfo(DomElementBuilder& out, const ModelInfo& r) {
  WriteModelInfoTo(out, r);
}

void ModelInfoIO::WriteModelInfo(XmlStreamWriter& out, const ModelInfo& r) {
  WriteModelInfoTo(out, r);
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
