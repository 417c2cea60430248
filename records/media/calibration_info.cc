#include "records/media/calibration_info.h"

#include "xmlio/record_codec.h"

namespace devseries {

namespace {

template <typename Out>
void WriteCalibrationInfoTo(Out& out, const CalibrationInfo& record) {
  out.Begin("CalibrationInfo");
  WriteField(out, "nOutputLimit", record.nOutputLimit);
  out.Begin("density");
  for (float value : record.density) WriteField(out, "value", value);
  out.End();
  out.Begin("lab");
  for (const CalibrationLab& step : record.lab) {
    out.Begin("value");
    WriteField(out, "l", step.l);
    WriteField(out, "a", step.a);
    WriteField(out, "b", step.b);
    out.End();
  }
  out.End();
  out.End();
}

}  // namespace

DomNode WriteCalibrationInfo(DomDocument& document,
                             const CalibrationInfo& record) {
  return BuildElement(document, [&](DomElementBuilder& out) {
    WriteCalibrationInfoTo(out, record);
  });
}

void WriteCalibrationInfo(DomElementBuilder& out,
                          const CalibrationInfo& record) {
  WriteCalibrationInfoTo(out, record);
}

void WriteCalibrationInfo(XmlStreamWriter& out, const CalibrationInfo& record) {
  WriteCalibrationInfoTo(out, record);
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
