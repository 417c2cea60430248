#include "devseries/xmlio/time_stamp.h"

#include "devseries/xmlio/common_io.h"
#include "devseries/xmlio/read_report.h"
#include "devseries/xmlio/read_session.h"
#include "devseries/xmlio/value_codecs.h"

namespace devseries {

bool SaveTimeStampFile(const std::string& path, const TimeStamp& stamp) {
  return SaveTimeStampFile(path, stamp, nullptr);
}

bool SaveTimeStampFile(const std::string& path, const TimeStamp& stamp,
                       ReadReport* report) {
  return WriteDocumentFile(
      path,
      [&](DomDocument& document) {
        return WriteTimeStamp(document, "TimeStamp", stamp);
      },
      report);
}

bool LoadTimeStampFile(const std::string& path, TimeStamp& stamp) {
  return LoadTimeStampFile(path, stamp, nullptr);
}

bool LoadTimeStampFile(const std::string& path, TimeStamp& stamp,
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
      if (DomNode element = document->AsNode().FirstChildNamed("TimeStamp")) {
        // The seven fields are read without a cursor: the trail stops at
        // the element, which a refusal then names.
        session.Step(document->AsNode(), element, "TimeStamp");
        stamp = ReadTimeStamp(element);
        return true;
      }
      session.Fail(ReadFailure::kNotReadable, DomNode(),
                   "no TimeStamp element");
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
bool TimeStamp::operator==(const TimeStamp&) const = default;

}  // namespace devseries
