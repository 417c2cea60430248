// The model record: one printer model of a device series, its "ModelInfo"
// element and its standalone file.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "devseries/xmlio/dom_types.h"
#include "devseries/xmlio/element_output.h"

#pragma GCC visibility push(default)
namespace devseries {

// An entry of the model's two extra tables. The record carries the tables
// for its owner; no element holds them.
struct ReadReport;

struct ModelExtraEntry {
  std::string strText1;
  std::string strText2;
  std::int64_t nValue1 = 0;
  std::int64_t nValue2 = 0;

  bool operator==(const ModelExtraEntry&) const;
  bool operator!=(const ModelExtraEntry& other) const {
    return !(*this == other);
  }
};

struct ModelInfo {
  std::string strLongModelName;
  // The model name as the printer's management information base reports it.
  std::string strMIBModelName;
  std::string strFolderName;
  double dMaxWidth = 0;
  std::int32_t nHeadNum = 0;
  std::array<std::int32_t, 24> nHeadPositionIndex{};
  // Ink indices (InkInfo::nInkIndex), one per slot.
  std::array<std::int32_t, 24> nDefaultInkIndex{};
  bool bCutFeature = false;
  bool bHalfCutFeature = false;
  std::int32_t nHeaterFeature = 0;
  std::int32_t nHeadHeightMask = 0;
  std::string strStaticStatus;
  std::string strStaticExtraStatus;
  std::string strActiveStatus;
  // PostScript printer description file name.
  std::string strPPDFile;
  double dCropMargin_mm = 0;
  double dCropSize_mm = 0;
  double dPageSpace_mm = 0;
  double dHWLeftMargin_mm = 0;
  double dHWRightMargin_mm = 0;
  double dHWTopMargin_mm = 0;
  double dHWBottomMargin_mm = 0;
  std::string strBMPFileName;
  std::int32_t nMaxCutSpeed = 0;
  std::string strExtension;
  // Extra members: kept in memory for the record's owner, never written;
  // reading sets nExtraValue1 to 0 and leaves the others alone.
  std::int32_t nExtraValue1 = 0;
  std::string strExtraText;
  bool bExtraFlag1 = false;
  bool bExtraFlag2 = false;
  std::int32_t nMinimumScanSpeed = 250;
  std::int32_t nMaximumScanSpeed = 1000;
  std::int32_t nMinimumFeedSpeed = 1;
  std::int32_t nMaximumFeedSpeed = 50;
  std::int32_t nMinimumPageInterval_mm = 0;
  std::int32_t nMaximumPageInterval_mm = 200;
  std::int32_t nMinimumPreHeaterTemperature = 35;
  std::int32_t nMaximumPreHeaterTemperature = 50;
  std::int32_t nMinimumHeaterTemperature = 35;
  std::int32_t nMaximumHeaterTemperature = 50;
  std::int32_t nMinimumDrierTemperature = 35;
  std::int32_t nMaximumDrierTemperature = 50;
  double dMinimumFeedCalibration_mm = -2.0;
  double dMaximumFeedCalibration_mm = 2.0;
  std::int32_t nMinimumCutForce = 30;
  std::int32_t nMaximumCutForce = 300;
  std::int32_t nMinimumHalfCutForce = 1;
  std::int32_t nMaximumHalfCutForce = 80;
  float flMaximumCutOffset = 1.5f;
  std::vector<ModelExtraEntry> aExtraTable1;  // extra member
  std::vector<ModelExtraEntry> aExtraTable2;  // extra member
  std::int32_t nGetMethodType = 1;
  std::int32_t nScanSpeedType = 0;
  std::string strDllName;
  std::string strDriverName;
  // Written only when not empty.
  std::string strRequiredFirmwareVersion;
  std::string strRecommendedFirmwareVersion;
  std::int32_t nExtraValue2 = 3;  // extra member
  std::int32_t nExtraValue3 = 0;  // extra member
  bool bExtraFlag3 = false;       // extra member
  std::int32_t nNozzleCountPerHeadColumn = 0;
  float flNozzleResolution = 0;
  std::int32_t nExtraValue4 = 0;  // extra member
  std::int32_t nMinimumReturnScanSpeed = 0;
  std::int32_t nMaximumReturnScanSpeed = 0;
  double dMaxLength = 0;
  bool bOverlapCutPerCutPath = false;
  std::int32_t nUVLampCount = 0;
  bool bHBridgeFeature = false;

  bool operator==(const ModelInfo&) const;
  bool operator!=(const ModelInfo& other) const { return !(*this == other); }
};

// Element and standalone-file operations of the model record. DOM failures
// raise _com_error; a missing positional child raises _com_error(E_POINTER).
class ModelInfoIO {
 public:
  // Fills `record` from a "ModelInfo" element: the first 21 child nodes,
  // whatever their names, give strLongModelName to dHWBottomMargin_mm in
  // order (each table node's first 24 children give its slots;
  // nHeaterFeature is decoded as a float and truncated toward zero). Then
  // nMaxCutSpeed becomes 60, nExtraValue1 0, both firmware texts empty and
  // both return-scan speeds 1000, and every further child whose name is an
  // optional member is decoded into it (any order; a repeated name
  // overwrites; other nodes are skipped). Members read before a failure keep
  // their new values.
  void ReadModelInfo(DomNode element, ModelInfo& record);
  // A new, unattached "ModelInfo" element with one child per stored member,
  // the firmware texts only when not empty.
  DomNode WriteModelInfo(DomDocument& document, const ModelInfo& record);
  // The same element, made where `out` stands: appended to the element it
  // builds, or streamed as text.
  void WriteModelInfo(DomElementBuilder& out, const ModelInfo& record);
  void WriteModelInfo(XmlStreamWriter& out, const ModelInfo& record);
  // Reads the first child element of `node` named "ModelInfo"; nothing
  // happens when there is none.
  void ReadFirstModelInfo(DomNode node, ModelInfo& record);
  // A document holding the declaration instruction and the model's element
  // as root; null when building it failed.
  DomDocumentPtr CreateModelInfoDocument(const ModelInfo& record);
  // Writes a standalone model file. False when the component runtime cannot
  // start, the DOM service is missing or no document was built; a save the
  // DOM refuses raises _com_error. The runtime count is left as found.
  bool SaveModelInfoFile(const std::string& path, const ModelInfo& record);
  // Reads the first "ModelInfo" element of the file at `path`. True also
  // when the file holds none; false only when a standard-library exception
  // ended the read. A file that cannot be loaded raises
  // _com_error(E_POINTER); other errors reach the caller as well.
  bool LoadModelInfoFile(const std::string& path, ModelInfo& record);
  // As above; `report` (when not null) is reset and then tells why the file
  // was not read and where, before an error passes to the caller.
  bool LoadModelInfoFile(const std::string& path, ModelInfo& record,
                         ReadReport* report);
};

}  // namespace devseries
#pragma GCC visibility pop
