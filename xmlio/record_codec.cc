#include "xmlio/record_codec.h"

void ReadIntSlots(DomNode table, std::span<std::int32_t> slots) {
  ChildCursor cursor(table);
  for (std::int32_t& slot : slots) ReadNext(cursor, slot);
}

std::string NumberedName(std::string_view stem, size_t index) {
  std::string name(stem);
  name += FormatInt(static_cast<std::int64_t>(index));
  return name;
}
