#include "devseries/records/media/calibration_info.h"

#include "devseries/records/media/calibration_info_model_internal.h"

namespace devseries {

using field_model::ReadRecord;
using field_model::WriteRecord;

DomNode WriteCalibrationInfo(DomDocument& document,
                             const CalibrationInfo& record) {
  return BuildElement(
      document, [&](DomElementBuilder& out) { WriteRecord(out, record); });
}

void WriteCalibrationInfo(DomElementBuilder& out,
                          const CalibrationInfo& record) {
  WriteRecord(out, record);
}

void WriteCalibrationInfo(XmlStreamWriter& out, const CalibrationInfo& record) {
  WriteRecord(out, record);
}

void ReadCalibrationInfo(DomNode element, CalibrationInfo& record) {
  ReadRecord(element, record);
}

// Member-wise equality, defined here so that the header stays C++17.
bool CalibrationLab::operator==(const CalibrationLab&) const = default;
bool CalibrationInfo::operator==(const CalibrationInfo&) const = default;

}  // namespace devseries
