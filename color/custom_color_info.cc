#include "color/custom_color_info.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>

#include "color/abstract_color.h"
#include "color/cmyk_color.h"
#include "color/cmykog_color.h"
#include "color/color_xml.h"
#include "xmlio/read_session.h"
#include "xmlio/record_codec.h"
#include "xmlio/record_files.h"

namespace devseries {

namespace {

using ChannelBytes = decltype(CustomColorInfo::aColorValue);

// Copies the channels of `color` into the first bytes of `bytes`; the other
// bytes keep their values.
template <typename Color>
void StoreChannels(const Color& color, ChannelBytes& bytes) {
  static_assert(Color::kChannelCount <= std::tuple_size_v<ChannelBytes>);
  for (int i = 0; i < Color::kChannelCount; ++i) {
    // Stored channels hold 0 to 255, so the truncation always fits.
    bytes[i] = static_cast<std::uint8_t>(static_cast<int>(color.GetValue(i)));
  }
}

// A colour of class `Color` from the first channels of `bytes`.
template <typename Color>
Color ColorFromBytes(const ChannelBytes& bytes) {
  static_assert(Color::kChannelCount <= std::tuple_size_v<ChannelBytes>);
  Color color;
  for (int i = 0; i < Color::kChannelCount; ++i) {
    color.SetValue(i, static_cast<float>(bytes[i]));
  }
  return color;
}

}  // namespace

DomNode WriteCustomColorInfo(DomDocument& doc, const CustomColorInfo& info) {
  DomNode element = doc.CreateElement("CustomColorInfo");
  AppendField(doc, element, "strColorName", info.strColorName);
  if (info.nColorSpace == kColorSpaceCMYK) {
    element.AppendChild(
        WriteColorElement(doc, ColorFromBytes<CMYKColor>(info.aColorValue)));
  } else if (info.nColorSpace == kColorSpaceCMYKOG) {
    element.AppendChild(
        WriteColorElement(doc, ColorFromBytes<CMYKOGColor>(info.aColorValue)));
  }
  AppendField(doc, element, "strMatchLibName", info.strMatchLibName);
  return element;
}

bool ReadCustomColorInfo(DomNode element, CustomColorInfo& info) {
  // Positional: the text children's names are not checked.
  ChildCursor cursor(element);
  ReadNext(cursor, "strColorName", info.strColorName);

  // Either of two names; the name decides the colour space.
  const DomNode color_node = cursor.Next();
  // A missing second child raises E_POINTER here.
  const std::string_view name = color_node.NodeName();
  if (name == "CMYKColor") {
    const std::unique_ptr<CMYKColor> color(ReadCMYKColor(color_node));
    info.nColorSpace = kColorSpaceCMYK;
    StoreChannels(*color, info.aColorValue);
  } else if (name == "CMYKOGColor") {
    const std::unique_ptr<CMYKOGColor> color(ReadCMYKOGColor(color_node));
    info.nColorSpace = kColorSpaceCMYKOG;
    StoreChannels(*color, info.aColorValue);
  } else {
    return false;
  }

  ReadNext(cursor, "strMatchLibName", info.strMatchLibName);
  return true;
}

bool LoadCustomColorInfoFile(const std::string& path, CustomColorInfo& info,
                             ReadReport* report) {
  bool found = false;
  bool read = false;
  try {
    const bool loaded = LoadRecordFile(
        path,
        [&](DomNode document) {
          const DomNode root = document.FirstChildNamed("CustomColorInfo");
          found = static_cast<bool>(root);
          if (found) {
            read = ReadCustomColorInfo(root, info);
            ReadSession* session = ReadSession::Of(root);
            if (!read && session != nullptr) {
              const DomNode color = root.GetFirstChild().GetNextSibling();
              session->Fail(ReadFailure::kNotReadable, color,
                            "expected a CMYKColor or CMYKOGColor element, "
                            "found " +
                                DescribeNode(color));
            }
          }
          ReadSession* session = ReadSession::Of(document);
          if (!found && session != nullptr) {
            session->Fail(ReadFailure::kNotReadable, DomNode(),
                          "no CustomColorInfo element");
          }
        },
        report);
    return loaded && found && read;
  } catch (...) {
    // The report (when asked for) already says why.
    return false;
  }
}

}  // namespace devseries
