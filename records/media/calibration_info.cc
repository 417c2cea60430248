#include "records/media/calibration_info.h"

#include "xmlio/record_codec.h"

namespace devseries {

DomNode WriteCalibrationInfo(DomDocument& document,
                             const CalibrationInfo& record) {
  DomNode element = document.CreateElement("CalibrationInfo");
  AppendField(document, element, "nOutputLimit", record.nOutputLimit);

  DomNode density = element.AppendChild(document.CreateElement("density"));
  for (float value : record.density) {
    AppendField(document, density, "value", value);
  }

  DomNode lab = element.AppendChild(document.CreateElement("lab"));
  for (const CalibrationLab& step : record.lab) {
    DomNode value = lab.AppendChild(document.CreateElement("value"));
    AppendField(document, value, "l", step.l);
    AppendField(document, value, "a", step.a);
    AppendField(document, value, "b", step.b);
  }
  return element;
}

void ReadCalibrationInfo(DomNode element, CalibrationInfo& record) {
  ChildCursor cursor(element);
  ReadNext(cursor, "nOutputLimit", record.nOutputLimit);

  ChildCursor density(cursor.Next("density"));
  for (float& value : record.density) ReadNext(density, "value", value);

  ChildCursor lab(cursor.Next("lab"));
  for (CalibrationLab& step : record.lab) {
    ChildCursor value(lab.Next("value"));
    ReadNext(value, "l", step.l);
    ReadNext(value, "a", step.a);
    ReadNext(value, "b", step.b);
  }
}

}  // namespace devseries
