#include "xmlio/time_stamp.h"

#include "xmlio/common_io.h"
#include "xmlio/value_codecs.h"

bool SaveTimeStampFile(const std::string& path, const TimeStamp& stamp) {
  return WriteDocumentFile(path, [&](DomDocument& document) {
    return WriteTimeStamp(document, "TimeStamp", stamp);
  });
}

bool LoadTimeStampFile(const std::string& path, TimeStamp& stamp) {
  try {
    MSXMLDOMCreator creator;
    creator.LoadDocument(path);
    DomDocumentPtr document = creator.GetDocument();
    if (!document) return false;
    for (DomNode child = document->GetFirstChild(); child;
         child = child.GetNextSibling()) {
      if (child.IsElementNamed("TimeStamp")) {
        stamp = ReadTimeStamp(child);
        return true;
      }
    }
    return false;
  } catch (...) {
    return false;
  }
}
