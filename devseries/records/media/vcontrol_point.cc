#include "devseries/records/media/vcontrol_point.h"

#include <string_view>
#include <vector>

#include "devseries/records/media/vcontrol_point_model_internal.h"
#include "devseries/xmlio/record_files.h"

namespace devseries {

using field_model::ReadRecord;
using field_model::WriteRecord;

void ReadVControlPoint(DomNode element, VControlPoint& record) {
  ReadRecord(element, record);
}

DomNode WriteVControlPoint(DomDocument& document, const VControlPoint& record) {
  return BuildElement(
      document, [&](DomElementBuilder& out) { WriteRecord(out, record); });
}

void WriteVControlPoint(DomElementBuilder& out, const VControlPoint& record) {
  WriteRecord(out, record);
}

void WriteVControlPoint(XmlStreamWriter& out, const VControlPoint& record) {
  WriteRecord(out, record);
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
  return SaveVControlPointFile(path, record, nullptr);
}

bool SaveVControlPointFile(const std::string& path, const VControlPoint& record,
                           ReadReport* report) {
  if (report != nullptr) report->Reset();
  // The runtime is ended on every path, so the thread's count comes back
  // where it was.
  ScopedComInit com;
  // Without the DOM service no document can be built.
  if (!com.ok() || !IsMsxmlRegistered()) {
    if (report != nullptr) {
      RecordWriteFailure(path, WriteServiceFailureReason(com.ok()), *report);
    }
    return false;
  }
  try {
    DomDocumentPtr document = CreateVControlPointDocument(record);
    if (!document) {
      if (report != nullptr) {
        RecordWriteFailure(path, "the document cannot be made", *report);
      }
      return false;
    }
    document->Save(path);
    return true;
  } catch (...) {
    if (report != nullptr) {
      RecordWriteFailure(path, CurrentWriteExceptionReason(path), *report);
    }
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

// Member-wise equality, defined here so that the header stays C++17.
bool VControlPoint::operator==(const VControlPoint&) const = default;

}  // namespace devseries
