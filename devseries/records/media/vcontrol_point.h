// VControl points: the drive-curve control values of the print head for the
// small, medium and large droplet, with the element and a standalone file.
#pragma once

#include <cstdint>
#include <string>

#include "devseries/xmlio/dom_types.h"
#include "devseries/xmlio/element_output.h"

#pragma GCC visibility push(default)
namespace devseries {

struct ReadReport;

struct VControlPoint {
  // The value a permission set's anVControlIndexList refers to.
  std::int32_t nVControlIndex = 0;
  double dSmallStart = 0.0;
  double dSmallPeak = 0.0;
  double dSmallMax = 0.0;
  double dSmallEnd = 0.0;
  double dSmallEndMax = 0.0;
  double dMediumStart = 0.0;
  double dMediumPeak = 0.0;
  double dMediumMax = 0.0;
  double dMediumEnd = 0.0;
  double dMediumEndMax = 0.0;
  double dLargeStart = 0.0;
  double dLargePeak = 0.0;
  double dLargeMax = 0.0;
  double dLargeEnd = 0.0;
  double dLargeEndMax = 0.0;

  bool operator==(const VControlPoint&) const;
  bool operator!=(const VControlPoint& other) const {
    return !(*this == other);
  }
};

// The int code ReadFirstVControlPoint raises when the document holds no
// "VControlPoint" element.
inline constexpr int kNoVControlPointElement = 2;

// Fills `record` from a "VControlPoint" element. Children are recognised by
// name in any order, others skipped; a repeated name overrides; absent ones
// leave their members as they were.
void ReadVControlPoint(DomNode element, VControlPoint& record);

// A new, unattached "VControlPoint" element with the sixteen members in
// declaration order, floats with 3 decimals.
DomNode WriteVControlPoint(DomDocument& document, const VControlPoint& record);
// The same element, made where `out` stands.
void WriteVControlPoint(DomElementBuilder& out, const VControlPoint& record);
void WriteVControlPoint(XmlStreamWriter& out, const VControlPoint& record);

// Reads the first element named "VControlPoint" anywhere in `document`, in
// document order. Raises the int kNoVControlPointElement (2) when there is
// none.
void ReadFirstVControlPoint(const DomDocument& document, VControlPoint& record);

// A document holding the "xml" declaration and the record as root; null
// when building failed.
DomDocumentPtr CreateVControlPointDocument(const VControlPoint& record);

// Writes a standalone VControl point file. True when written; every failure
// (component runtime, DOM service, building, saving) gives false and no
// error leaves the call. The previous file at `path` stays on failure.
bool SaveVControlPointFile(const std::string& path,
                           const VControlPoint& record);
// As above; `report` (when not null) is reset and then tells why the file
// was not written (RecordWriteFailure: "cannot write PATH: REASON").
bool SaveVControlPointFile(const std::string& path, const VControlPoint& record,
                           ReadReport* report);

// Reads the first "VControlPoint" element, at any depth, of the file at
// `path`. True when one was read; false on any failure, including a file
// without such an element.
bool LoadVControlPointFile(const std::string& path, VControlPoint& record);
// As above; `report` (when not null) is reset and then tells why the file
// was not read, and where.
bool LoadVControlPointFile(const std::string& path, VControlPoint& record,
                           ReadReport* report);

}  // namespace devseries
#pragma GCC visibility pop
