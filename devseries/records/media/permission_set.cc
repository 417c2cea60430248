#include "devseries/records/media/permission_set.h"

#include <string_view>

#include "devseries/records/media/permission_set_model_internal.h"

namespace devseries {

using field_model::ReadRecord;
using field_model::WriteRecord;

std::int32_t NormalizeDirection(std::int32_t eDirection) {
  const auto value = static_cast<std::uint32_t>(eDirection);
  const std::uint32_t preferred = value >> 16;
  if (preferred == 1 || preferred == 2) return eDirection;
  std::uint32_t chosen;
  if (value & 2u) {
    chosen = 2;
  } else if (value & 1u) {
    chosen = 1;
  } else {
    return eDirection;
  }
  return static_cast<std::int32_t>((chosen << 16) | (value & 0xFFFFu));
}

DomNode WritePermissionSet(DomDocument& document, const PermissionSet& record) {
  return BuildElement(
      document, [&](DomElementBuilder& out) { WriteRecord(out, record); });
}

void WritePermissionSet(DomElementBuilder& out, const PermissionSet& record) {
  WriteRecord(out, record);
}

void WritePermissionSet(XmlStreamWriter& out, const PermissionSet& record) {
  WriteRecord(out, record);
}

void ReadPermissionSet(DomNode element, PermissionSet& record) {
  ReadRecord(element, record);
}

// Member-wise equality, defined here so that the header stays C++17.
bool PermissionSet::operator==(const PermissionSet&) const = default;

}  // namespace devseries
