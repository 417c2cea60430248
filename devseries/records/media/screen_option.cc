#include "devseries/records/media/screen_option.h"

#include <string_view>

#include "devseries/records/media/screen_option_model_internal.h"

namespace devseries {

using field_model::ReadRecord;
using field_model::WriteRecord;

DomNode WriteScreenOption(DomDocument& document, const ScreenOption& record) {
  return BuildElement(
      document, [&](DomElementBuilder& out) { WriteRecord(out, record); });
}

void WriteScreenOption(DomElementBuilder& out, const ScreenOption& record) {
  WriteRecord(out, record);
}

void WriteScreenOption(XmlStreamWriter& out, const ScreenOption& record) {
  WriteRecord(out, record);
}

void ReadScreenOption(DomNode element, ScreenOption& record) {
  ReadRecord(element, record);
}

// Member-wise equality, defined here so that the header stays C++17.
bool ScreenOption::operator==(const ScreenOption&) const = default;

}  // namespace devseries
