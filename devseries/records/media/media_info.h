// The media record: one print medium of a device series with its names,
// permission sets, quality levels, machine settings and flags, its element
// and its standalone file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "devseries/records/media/permission_set.h"
#include "devseries/records/media/quality_info.h"
#include "devseries/xmlio/dom_types.h"
#include "devseries/xmlio/element_output.h"
#include "devseries/xmlio/language_string_set.h"
#include "devseries/xmlio/time_stamp.h"

#pragma GCC visibility push(default)
namespace devseries {

struct ReadReport;

struct MediaInfo {
  LanguageStringSet strMediaName;
  LanguageStringSet strBaseMediaName;
  std::vector<PermissionSet> aPermissionSetList;
  std::vector<QualityInfo> aQualityInfoList;
  std::int32_t nDefaultLevel = 0;
  std::int32_t nDryTime = 0;
  std::int32_t nVacuumPower = 0;
  std::int32_t eHeadHeight = 0;
  std::vector<float> aflFeedCalibration;
  std::int32_t nPreHeater = 0;
  std::int32_t nPrintHeater = 0;
  std::int32_t nDryHeater = 0;
  std::int32_t nCutCount = 0;
  std::int32_t nCutVelocity = 0;
  std::int32_t nCutForce = 0;
  float flCutOffset = 0.0f;
  // Time of the record's last change. The member bears the type's name, so
  // the type is named with its global qualifier.
  devseries::TimeStamp TimeStamp;
  bool bVisibleMedia = true;
  bool bCuttingMedia = true;
  bool bUpdateNeeded = false;
  std::int32_t nInputRoute = 0;
  bool bPreHeaterEnable = true;
  bool bPrinterHeaterEnable = true;
  bool bDrierEnable = true;
  std::int32_t nMediaAttribute = 0;
  // 1 (true) or 0 (false).
  std::int32_t bHideUnrecommendedMode = 1;
  float flNormalCutForceRange = 0.5f;
  float flDeepCutForceRange = 50.0f;
  std::int32_t nDeepCutForce = 170;
  std::int32_t nHalfCutForce = 0;
  std::int32_t nOverPrintCount = 1;
  bool bUseDensityCalibration = false;

  bool operator==(const MediaInfo&) const;
  bool operator!=(const MediaInfo& other) const { return !(*this == other); }
};

// Element codecs of the media record and its nested records, and the
// standalone media file.
class MediaInfoIO {
 public:
  // Fills `record` from a "MediaInfo" element. The first 17 child nodes are
  // the prefix members in declaration order, names not looked at; a missing
  // one raises E_POINTER, the members before it keeping their new values.
  // Every child node of the three list members is read into a new entry and
  // appended (a failing entry is not appended, and its error passes
  // through); a vacuum power of -1 is stored as 0. bDrierEnable becomes
  // false when nDryHeater is 0; then the remaining children are matched by
  // name in any order (others skipped, a repeated name read again).
  void ReadMediaInfo(DomNode element, MediaInfo& record);
  // A new, unattached "MediaInfo" element with every member.
  // bHideUnrecommendedMode is written "true" only when it is 1;
  // nDeepCutForce and nHalfCutForce are written with 3 decimals.
  DomNode WriteMediaInfo(DomDocument& document, const MediaInfo& record);
  // The same element, made where `out` stands.
  void WriteMediaInfo(DomElementBuilder& out, const MediaInfo& record);
  void WriteMediaInfo(XmlStreamWriter& out, const MediaInfo& record);

  // Reads the first child element of `node` named "MediaInfo"; without one,
  // `record` is left unchanged. A null `node` raises E_POINTER.
  void ReadFirstMediaInfo(DomNode node, MediaInfo& record);

  // A document holding the "xml" declaration and the record as root; null
  // when building failed.
  DomDocumentPtr CreateMediaInfoDocument(const MediaInfo& record);
  // Writes a standalone media file. False when the component runtime or
  // the DOM service is unavailable or no document could be built; a save
  // that the DOM refuses raises _com_error (the previous file stays).
  bool SaveMediaInfoFile(const std::string& path, const MediaInfo& record);
  // Reads the first "MediaInfo" element of the file at `path`. True also
  // when there is none (nothing read); false when a standard-library
  // exception ended the read. A file that cannot be loaded raises
  // _com_error (E_POINTER).
  bool LoadMediaInfoFile(const std::string& path, MediaInfo& record);
  // As above; `report` (when not null) is reset and then tells why the file
  // was not read and where, before an error passes to the caller.
  bool LoadMediaInfoFile(const std::string& path, MediaInfo& record,
                         ReadReport* report);

  // The nested records (see the free functions of the same names).
  void ReadPermissionSet(DomNode element, PermissionSet& record);
  DomNode WritePermissionSet(DomDocument& document,
                             const PermissionSet& record);
  void ReadQualityInfo(DomNode element, QualityInfo& record);
  DomNode WriteQualityInfo(DomDocument& document, const QualityInfo& record);
};

}  // namespace devseries
#pragma GCC visibility pop
