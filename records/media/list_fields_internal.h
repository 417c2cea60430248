// List mechanics shared by the media record codecs: a list element holding
// one child per entry, read back by walking its child nodes. For use inside
// records/media only.
#pragma once

#include <string_view>
#include <vector>

#include "xmlio/record_codec.h"

namespace devseries {

namespace media_internal {

// Decodes every child node of `list`, of any kind and name (`entry` is the
// name the writer gives each), by the entry type and appends it to
// `values`. A null `list` raises E_POINTER before anything is appended.
template <typename T>
void AppendEveryChild(DomNode list, std::string_view entry,
                      std::vector<T>& values) {
  ChildCursor cursor(list);
  for (DomNode node = cursor.Next(entry); node; node = cursor.Next(entry)) {
    ChargeValues<T>(node, 1);
    T value{};
    ReadValue(node, value);
    values.push_back(value);
  }
}

// An element `name` holding one value child named `childName` per entry, in
// list order, made at `out`; an empty list gives an empty element.
template <typename Out, typename T>
void WriteValueList(Out& out, std::string_view name, std::string_view childName,
                    const std::vector<T>& values) {
  out.Begin(name);
  for (const T& value : values) WriteField(out, childName, value);
  out.End();
}

}  // namespace media_internal

}  // namespace devseries
