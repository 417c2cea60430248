#include "devseries/xmlio/record_codec.h"

#include <array>

namespace devseries {

void ReadIntSlots(DomNode table, std::span<std::int32_t> slots,
                  SlotNameFn slotName) {
  ReadSlots(table, slots, slotName);
}

std::string NumberedName(std::string_view stem, size_t index) {
  std::string name(stem);
  name += FormatInt(static_cast<std::int64_t>(index));
  return name;
}

std::string_view NumberedSlotName(size_t index) {
  static const std::array<std::string, 64> names = [] {
    std::array<std::string, 64> made;
    for (size_t i = 0; i < made.size(); ++i) made[i] = NumberedName("value", i);
    return made;
  }();
  return index < names.size() ? std::string_view(names[index])
                              : std::string_view();
}

}  // namespace devseries
