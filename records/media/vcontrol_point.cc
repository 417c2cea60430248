#include "records/media/vcontrol_point.h"

#include <string_view>
#include <vector>

#include "xmlio/record_codec.h"
#include "xmlio/record_files.h"

namespace devseries {

namespace {

template <typename Out>
void WriteVControlPointTo(Out& out, const VControlPoint& record) {
  out.Begin("VControlPoint");
  WriteField(out, "nVControlIndex", record.nVControlIndex);
  WriteField(out, "dSmallStart", record.dSmallStart);
  WriteField(out, "dSmallPeak", record.dSmallPeak);
  WriteField(out, "dSmallMax", record.dSmallMax);
  WriteField(out, "dSmallEnd", record.dSmallEnd);
  WriteField(out, "dSmallEndMax", record.dSmallEndMax);
  WriteField(out, "dMediumStart", record.dMediumStart);
  WriteField(out, "dMediumPeak", record.dMediumPeak);
  WriteField(out, "dMediumMax", record.dMediumMax);
  WriteField(out, "dMediumEnd", record.dMediumEnd);
  WriteField(out, "dMediumEndMax", record.dMediumEndMax);
  WriteField(out, "dLargeStart", record.dLargeStart);
  WriteField(out, "dLargePeak", record.dLargePeak);
  WriteField(out, "dLargeMax", record.dLargeMax);
  WriteField(out, "dLargeEnd", record.dLargeEnd);
  WriteField(out, "dLargeEndMax", record.dLargeEndMax);
  out.End();
}

}  // namespace

void ReadVControlPoint(DomNode element, VControlPoint& record) {
  ChildCursor cursor(element);
  for (DomNode node = cursor.Next(); node; node = cursor.Next()) {
    std::string_view name = node.NodeName();
    MatchField(node, name, "nVControlIndex", record.nVControlIndex) ||
        MatchField(node, name, "dSmallStart", record.dSmallStart) ||
        MatchField(node, name, "dSmallPeak", record.dSmallPeak) ||
        MatchField(node, name, "dSmallMax", record.dSmallMax) ||
        MatchField(node, name, "dSmallEnd", record.dSmallEnd) ||
        MatchField(node, name, "dSmallEndMax", record.dSmallEndMax) ||
        MatchField(node, name, "dMediumStart", record.dMediumStart) ||
        MatchField(node, name, "dMediumPeak", record.dMediumPeak) ||
        MatchField(node, name, "dMediumMax", record.dMediumMax) ||
        MatchField(node, name, "dMediumEnd", record.dMediumEnd) ||
        MatchField(node, name, "dMediumEndMax", record.dMediumEndMax) ||
        MatchField(node, name, "dLargeStart", record.dLargeStart) ||
        MatchField(node, name, "dLargePeak", record.dLargePeak) ||
        MatchField(node, name, "dLargeMax", record.dLargeMax) ||
        MatchField(node, name, "dLargeEnd", record.dLargeEnd) ||
        MatchField(node, name, "dLargeEndMax", record.dLargeEndMax);
  }
}

DomNode WriteVControlPoint(DomDocument& document, const VControlPoint& record) {
  return BuildElement(document, [&](DomElementBuilder& out) {
    WriteVControlPointTo(out, record);
  });
}

void WriteVControlPoint(DomElementBuilder& out, const VControlPoint& record) {
  WriteVControlPointTo(out, record);
}

void WriteVControlPoint(XmlStreamWriter& out, const VControlPoint& record) {
  WriteVControlPointTo(out, record);
}

void ReadFirstVControlPoint(const DomDocument& document,
                            VControlPoint& record) {
  const std::vector<DomNode> found =
      document.GetElementsByTagName("VControlPoint");
  if (found.empty()) throw kNoVControlPointElement;
  ReadVControlPoint(found.front(), record);
}

DomDocumentPtr CreateVControlPointDocument(const VControlPoint& record) {
  return CreateRecordDocument([&](DomDocument& document) {
    return WriteVControlPoint(document, record);
  });
}

bool SaveVControlPointFile(const std::string& path,
                           const VControlPoint& record) {
  // The runtime is ended on every path, so the thread's count comes back
  // where it was.
  ScopedComInit com;
  if (!com.ok()) return false;
  // Without the DOM service no document can be built.
  if (!IsMsxmlRegistered()) return false;
  try {
    DomDocumentPtr document = CreateVControlPointDocument(record);
    if (!document) return false;
    document->Save(path);
    return true;
  } catch (...) {
    return false;
  }
}

bool LoadVControlPointFile(const std::string& path, VControlPoint& record) {
  return LoadVControlPointFile(path, record, nullptr);
}

bool LoadVControlPointFile(const std::string& path, VControlPoint& record,
                           ReadReport* report) {
  ReadReport unused;
  ReadReport& outcome = report != nullptr ? *report : unused;
  outcome.Reset();
  try {
    MSXMLDOMCreator creator;
    creator.LoadDocument(path);
    DomDocumentPtr document = creator.GetDocument();
    if (!document) {
      RecordLoadFailure(creator.m_lastParseError, path, outcome);
      return false;
    }
    ReadSession session(*document, outcome);
    try {
      ReadFirstVControlPoint(*document, record);
      return true;
    } catch (int code) {
      if (code != kNoVControlPointElement) throw;
      session.Fail(ReadFailure::kNotReadable, DomNode(),
                   "no VControlPoint element");
    } catch (...) {
      session.RecordCurrentException();
    }
    return false;
  } catch (...) {
    if (outcome.error.IsEmpty()) {
      RecordLoadFailure(platform::DomParseError(), path, outcome);
    }
    return false;
  }
}

}  // namespace devseries
