#include "records/media/uv_lamp_power.h"

#include <string_view>

#include "xmlio/record_codec.h"

namespace devseries {

namespace {

// The lamp position an element names; -1 when it names none.
std::int32_t ReadPosition(DomNode element) {
  if (element.GetNodeType() != platform::NODE_ELEMENT) return -1;
  DomNode attribute = element.GetAttributeNode("position");
  if (!attribute) return -1;
  return ReadIntValue(attribute);
}

}  // namespace

DomNode WriteUVLampPower(DomDocument& document, const UVLampPower& entry,
                         int position) {
  DomNode element = document.CreateElement("UVLampPower");
  element.SetNamedItem(WriteIntAttribute(document, "position", position));
  AppendField(document, element, "nForwardPower", entry.nForwardPower);
  AppendField(document, element, "nBackwardPower", entry.nBackwardPower);
  return element;
}

bool ReadUVLampPower(DomNode element, UVLampPower& entry, int& position) {
  const std::int32_t value = ReadPosition(element);
  // Taken as unsigned, so a negative position is refused as well.
  if (static_cast<std::uint32_t>(value) > 1) return false;
  position = value;
  ChildCursor cursor(element);
  for (DomNode node = cursor.Next(); node; node = cursor.Next()) {
    const std::string_view name = node.NodeName();
    MatchField(node, name, "nForwardPower", entry.nForwardPower) ||
        MatchField(node, name, "nBackwardPower", entry.nBackwardPower);
  }
  return true;
}

}  // namespace devseries
