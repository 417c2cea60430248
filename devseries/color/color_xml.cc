#include "devseries/color/color_xml.h"

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "devseries/xmlio/number_text.h"

namespace devseries {

namespace {

constexpr std::string_view kValueAttribute = "VALUE";

constexpr std::array<std::string_view, RGBColor::kChannelCount> kRGBChannels = {
    "R", "G", "B"};
constexpr std::array<std::string_view, CMYKColor::kChannelCount> kCMYKChannels =
    {"C", "M", "Y", "K"};
constexpr std::array<std::string_view, CMYKOGColor::kChannelCount>
    kCMYKOGChannels = {"C", "M", "Y", "K", "O", "G"};
constexpr std::array<std::string_view, LabColor::kChannelCount> kLabChannels = {
    "L", "a", "b"};

// Integer channels are written and read as decimal integers, Lab channels as
// fixed point with two decimals.
enum class ChannelForm { kInteger, kReal };

// An element `name` carrying `text` in its "VALUE" attribute, the attribute
// made as a node of the document and added to the element's attribute map.
DomNode WriteChannelText(DomDocument& doc, std::string_view name,
                         std::string_view text) {
  DomNode element = doc.CreateElement(name);
  DomNode attribute = doc.CreateAttribute(kValueAttribute);
  attribute.SetText(text);
  element.SetNamedItem(attribute);
  return element;
}

// Writes `color` as an element `name` whose children are the channels named
// in `channels`, in index order.
DomNode WriteChannels(DomDocument& doc, std::string_view name,
                      const AbstractColor& color,
                      std::span<const std::string_view> channels,
                      ChannelForm form) {
  DomNode element = doc.CreateElement(name);
  for (size_t i = 0; i < channels.size(); ++i) {
    const float value = color.GetValue(static_cast<int>(i));
    // Stored 8-bit channels hold 0 to 255, so the truncation is exact for
    // them; it stays defined for any value a colour class could give.
    element.AppendChild(
        form == ChannelForm::kInteger
            ? WriteColorChannel(doc, channels[i], TruncateToInt32(value))
            : WriteColorChannelReal(doc, channels[i], value));
  }
  return element;
}

// Reads the channels of `element` by name into a new `Color`. Integer
// channels parse with atoi rules, real ones with atof rules; the values are
// stored with SetValue in index order once every child has been seen.
template <typename Color>
Color* ReadChannels(
    DomNode element,
    const std::array<std::string_view, Color::kChannelCount>& channels,
    ChannelForm form) {
  std::array<double, Color::kChannelCount> values{};
  std::string scratch;  // attribute text assembled from pieces
  for (DomNode child : element.Children()) {
    if (child.GetNodeType() != platform::NODE_ELEMENT) continue;
    DomNode attribute = child.GetAttributeNode(kValueAttribute);
    if (!attribute) continue;
    const std::string_view name = child.NodeName();
    size_t index = 0;
    while (index < channels.size() && name != channels[index]) ++index;
    if (index == channels.size()) continue;
    const std::string_view text = attribute.TextView(scratch);
    values[index] = form == ChannelForm::kInteger
                        ? static_cast<double>(ParseCLong(text))
                        : ParseCDouble(text);
  }
  auto color = std::make_unique<Color>();
  for (size_t i = 0; i < channels.size(); ++i) {
    // A parsed integer is exact in a double and narrows to the same float
    // as the integer itself would; Lab values beyond the float range become
    // infinities.
    color->SetValue(static_cast<int>(i), NarrowToFloat(values[i]));
  }
  return color.release();
}

}  // namespace

DomNode WriteColorChannel(DomDocument& doc, std::string_view strChannelName,
                          int nValue) {
  return WriteChannelText(doc, strChannelName, FormatInt(nValue));
}

DomNode WriteColorChannelReal(DomDocument& doc, std::string_view strChannelName,
                              double dblValue) {
  return WriteChannelText(doc, strChannelName, FormatFixed(dblValue, 2));
}

DomNode WriteRGBColorAs(DomDocument& doc, std::string_view strElementName,
                        const RGBColor& color) {
  return WriteChannels(doc, strElementName, color, kRGBChannels,
                       ChannelForm::kInteger);
}

DomNode WriteCMYKColorAs(DomDocument& doc, std::string_view strElementName,
                         const CMYKColor& color) {
  return WriteChannels(doc, strElementName, color, kCMYKChannels,
                       ChannelForm::kInteger);
}

DomNode WriteCMYKOGColorAs(DomDocument& doc, std::string_view strElementName,
                           const CMYKOGColor& color) {
  return WriteChannels(doc, strElementName, color, kCMYKOGChannels,
                       ChannelForm::kInteger);
}

DomNode WriteLabColorAs(DomDocument& doc, std::string_view strElementName,
                        const LabColor& color) {
  return WriteChannels(doc, strElementName, color, kLabChannels,
                       ChannelForm::kReal);
}

DomNode WriteColorAs(DomDocument& doc, std::string_view strElementName,
                     const AbstractColor& color) {
  // Dispatch on the space code alone; the channels are taken through the
  // uniform interface, so no downcast is needed.
  switch (color.GetColorSpace()) {
    case kColorSpaceRGB:
      return WriteChannels(doc, strElementName, color, kRGBChannels,
                           ChannelForm::kInteger);
    case kColorSpaceCMYK:
      return WriteChannels(doc, strElementName, color, kCMYKChannels,
                           ChannelForm::kInteger);
    case kColorSpaceCMYKOG:
      return WriteChannels(doc, strElementName, color, kCMYKOGChannels,
                           ChannelForm::kInteger);
    case kColorSpaceLab:
      return WriteChannels(doc, strElementName, color, kLabChannels,
                           ChannelForm::kReal);
  }
  return DomNode();
}

DomNode WriteColorElement(DomDocument& doc, const AbstractColor& color) {
  switch (color.GetColorSpace()) {
    case kColorSpaceRGB:
      return WriteColorAs(doc, "RGBColor", color);
    case kColorSpaceCMYK:
      return WriteColorAs(doc, "CMYKColor", color);
    case kColorSpaceCMYKOG:
      return WriteColorAs(doc, "CMYKOGColor", color);
    case kColorSpaceLab:
      return WriteColorAs(doc, "LabColor", color);
  }
  return DomNode();
}

RGBColor* ReadRGBColor(DomNode element) {
  return ReadChannels<RGBColor>(element, kRGBChannels, ChannelForm::kInteger);
}

CMYKColor* ReadCMYKColor(DomNode element) {
  return ReadChannels<CMYKColor>(element, kCMYKChannels, ChannelForm::kInteger);
}

CMYKOGColor* ReadCMYKOGColor(DomNode element) {
  return ReadChannels<CMYKOGColor>(element, kCMYKOGChannels,
                                   ChannelForm::kInteger);
}

LabColor* ReadLabColor(DomNode element) {
  return ReadChannels<LabColor>(element, kLabChannels, ChannelForm::kReal);
}

AbstractColor* ReadColorElement(DomNode element) {
  const std::string_view name = element.NodeName();
  if (name == "RGBColor") return ReadRGBColor(element);
  if (name == "CMYKColor") return ReadCMYKColor(element);
  if (name == "CMYKOGColor") return ReadCMYKOGColor(element);
  return nullptr;
}

DomNode WriteRGBValue(DomDocument& doc, std::string_view strElementName,
                      int nPackedRGB) {
  const auto packed = static_cast<std::uint32_t>(nPackedRGB);
  RGBColor color;
  color.SetValue(0, static_cast<float>(packed & 0xFFu));
  color.SetValue(1, static_cast<float>((packed >> 8) & 0xFFu));
  color.SetValue(2, static_cast<float>((packed >> 16) & 0xFFu));
  return WriteRGBColorAs(doc, strElementName, color);
}

int ReadRGBValue(DomNode element) {
  const std::unique_ptr<RGBColor> color(ReadRGBColor(element));
  std::uint32_t packed = 0;
  for (int i = 0; i < RGBColor::kChannelCount; ++i) {
    // Stored channels hold 0 to 255, so the truncation always fits.
    const auto channel =
        static_cast<std::uint32_t>(static_cast<int>(color->GetValue(i)));
    packed |= (channel & 0xFFu) << (8 * i);
  }
  return static_cast<int>(packed);
}

}  // namespace devseries
