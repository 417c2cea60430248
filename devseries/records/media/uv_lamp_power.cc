#include "devseries/records/media/uv_lamp_power.h"

#include <string_view>

#include "devseries/records/media/uv_lamp_power_model_internal.h"

namespace devseries {

namespace {

// The lamp position an element names; -1 when it names none.
std::int32_t ReadPosition(DomNode element) {
  if (element.GetNodeType() != platform::NODE_ELEMENT) return -1;
  DomNode attribute = element.GetAttributeNode("position");
  if (!attribute) return -1;
  return ReadIntValue(attribute);
}

// The entry's element with its lamp position as an attribute.
template <typename Out>
void WriteUVLampPowerTo(Out& out, const UVLampPower& entry, int position) {
  out.Begin(field_model::Model<UVLampPower>::kElement);
  out.Attribute("position", FormatInt(position));
  field_model::WriteFields(out, entry);
  out.End();
}

}  // namespace

DomNode WriteUVLampPower(DomDocument& document, const UVLampPower& entry,
                         int position) {
  return BuildElement(document, [&](DomElementBuilder& out) {
    WriteUVLampPowerTo(out, entry, position);
  });
}

void WriteUVLampPower(DomElementBuilder& out, const UVLampPower& entry,
                      int position) {
  WriteUVLampPowerTo(out, entry, position);
}

void WriteUVLampPower(XmlStreamWriter& out, const UVLampPower& entry,
                      int position) {
  WriteUVLampPowerTo(out, entry, position);
}

bool ReadUVLampPower(DomNode element, UVLampPower& entry, int& position) {
  const std::int32_t value = ReadPosition(element);
  // Taken as unsigned, so a negative position is refused as well.
  if (static_cast<std::uint32_t>(value) > 1) return false;
  position = value;
  field_model::ReadRecord(element, entry);
  return true;
}

// Member-wise equality, defined here so that the header stays C++17.
bool UVLampPower::operator==(const UVLampPower&) const = default;

}  // namespace devseries
