// The custom colour record's field model. Its second child is the colour
// itself, a "CMYKColor" or "CMYKOGColor" element, whose name gives the
// colour space.
#pragma once

#include <memory>

#include "devseries/color/cmyk_color.h"
#include "devseries/color/cmykog_color.h"
#include "devseries/color/color_xml.h"
#include "devseries/color/custom_color_info.h"
#include "devseries/xmlio/dom_element_builder.h"
#include "devseries/xmlio/field_model_internal.h"

namespace devseries::field_model {

// Raised by the reader when the second child is neither colour element;
// the record's reader turns it into its false result.
struct NotAStoredColor {};

// The stored colour: written (in the space nColorSpace names) as the
// colour's own element, none for another space; read from either element
// name, which sets the space. Channels are the first bytes of aColorValue.
struct StoredColor {
  static constexpr Encoding kEncoding = Encoding::kCustom;
  using Bytes = decltype(CustomColorInfo::aColorValue);

  void ReadIntoRecord(DomNode node, CustomColorInfo& info) const {
    // A missing second child raises E_POINTER here.
    const std::string_view name = node.NodeName();
    if (name == "CMYKColor") {
      const std::unique_ptr<CMYKColor> color(ReadCMYKColor(node));
      info.nColorSpace = kColorSpaceCMYK;
      Store(*color, info.aColorValue);
    } else if (name == "CMYKOGColor") {
      const std::unique_ptr<CMYKOGColor> color(ReadCMYKOGColor(node));
      info.nColorSpace = kColorSpaceCMYKOG;
      Store(*color, info.aColorValue);
    } else {
      throw NotAStoredColor{};
    }
  }
  void WriteFromRecord(DomElementBuilder& out, std::string_view,
                       const CustomColorInfo& info) const {
    if (info.nColorSpace == kColorSpaceCMYK) {
      out.Append(WriteColorElement(out.document(),
                                   FromBytes<CMYKColor>(info.aColorValue)));
    } else if (info.nColorSpace == kColorSpaceCMYKOG) {
      out.Append(WriteColorElement(out.document(),
                                   FromBytes<CMYKOGColor>(info.aColorValue)));
    }
  }

  // Copies the channels of `color` into the first bytes of `bytes`; the
  // other bytes keep their values.
  template <typename Color>
  static void Store(const Color& color, Bytes& bytes) {
    static_assert(Color::kChannelCount <= std::tuple_size_v<Bytes>);
    for (int i = 0; i < Color::kChannelCount; ++i) {
      // Stored channels hold 0 to 255, so the truncation always fits.
      bytes[i] = static_cast<std::uint8_t>(static_cast<int>(color.GetValue(i)));
    }
  }
  // A colour of class `Color` from the first channels of `bytes`.
  template <typename Color>
  static Color FromBytes(const Bytes& bytes) {
    static_assert(Color::kChannelCount <= std::tuple_size_v<Bytes>);
    Color color;
    for (int i = 0; i < Color::kChannelCount; ++i) {
      color.SetValue(i, static_cast<float>(bytes[i]));
    }
    return color;
  }
};

inline constexpr EnumName kColorSpaceNames[] = {{kColorSpaceCMYK, "CMYK"},
                                                {kColorSpaceCMYKOG, "CMYKOG"}};

template <>
struct Model<CustomColorInfo> {
  using R = CustomColorInfo;
  static constexpr std::string_view kElement = "CustomColorInfo";
  static constexpr auto kFields = std::tuple{
      At("strColorName", &R::strColorName,
         {.description = "the colour's name", .summary = "name"}),
      At("CMYKColor", &R::aColorValue,
         {"channel values cyan, magenta, yellow, black, orange, green; a "
          "CMYK colour uses the first four"},
         StoredColor{})
          .OfAnyName()
          .MemberNamed("aColorValue"),
      At("strMatchLibName", &R::strMatchLibName,
         {.description = "the match library name of the colour",
          .summary = "library",
          .summaryPlace = 1}),
      // Stored as the name of the colour's element.
      ImpliedBy("nColorSpace", &R::nColorSpace,
                {.description = "the space of the stored colour",
                 .names = kColorSpaceNames,
                 .summary = "space",
                 .namesAll = true}),
  };
};
static_assert(CoversEveryMember<CustomColorInfo>(),
              "every member of CustomColorInfo has a row in its model");

}  // namespace devseries::field_model
