// The ink record's field model.
#pragma once

#include "devseries/records/printer/ink_info.h"
#include "devseries/xmlio/field_model_internal.h"

namespace devseries::field_model {

// An ink's display colour: three children red, green and blue (the reader
// takes the first three child nodes, whatever their names), each keeping the
// low 8 bits of its decimal value.
struct InkColor {
  static constexpr Encoding kEncoding = Encoding::kCustom;
  void Read(DomNode node, InkRGB& color) const {
    ChildCursor cursor(node);
    color.nRed = static_cast<std::uint8_t>(ReadIntValue(cursor.Next("R")));
    color.nGreen = static_cast<std::uint8_t>(ReadIntValue(cursor.Next("G")));
    color.nBlue = static_cast<std::uint8_t>(ReadIntValue(cursor.Next("B")));
  }
  template <typename Out>
  void Write(Out& out, std::string_view name, const InkRGB& color) const {
    out.Begin(name);
    WriteField(out, "R", std::int32_t{color.nRed});
    WriteField(out, "G", std::int32_t{color.nGreen});
    WriteField(out, "B", std::int32_t{color.nBlue});
    out.End();
  }
};

// The colour's members, as InkColor stores them.
template <>
struct Model<InkRGB> {
  using R = InkRGB;
  static constexpr std::string_view kElement = "InkRGB";
  static constexpr auto kFields = std::tuple{
      At("R", &R::nRed, {"red, 0 to 255"}).MemberNamed("nRed"),
      At("G", &R::nGreen, {"green, 0 to 255"}).MemberNamed("nGreen"),
      At("B", &R::nBlue, {"blue, 0 to 255"}).MemberNamed("nBlue"),
  };
};
static_assert(CoversEveryMember<InkRGB>(),
              "every member of InkRGB has a row in its model");

template <>
struct Model<InkInfo> {
  using R = InkInfo;
  static constexpr std::string_view kElement = "InkInfo";
  static constexpr auto kFields = std::tuple{
      At("nInkIndex", &R::nInkIndex,
         {.description = "the ink's index, by which models, configurations "
                         "and print modes refer to it",
          .label = "Ink index",
          .summary = "index"}),
      At("strLongInkName", &R::strLongInkName,
         {.description = "long ink name per language", .summary = "name"}),
      At("strShortInkName", &R::strShortInkName,
         {.description = "short ink name", .summary = "short"}),
      At("lightColor", &R::lightColor, {"light display colour of the ink"},
         InkColor{}),
      At("darkColor", &R::darkColor, {"dark display colour of the ink"},
         InkColor{}),
      Named("flPrice", &R::flPrice, {"price"}),
      Named("nCapacity", &R::nCapacity,
            {.description = "capacity", .summary = "capacity"}),
  };
};
static_assert(CoversEveryMember<InkInfo>(),
              "every member of InkInfo has a row in its model");

}  // namespace devseries::field_model
