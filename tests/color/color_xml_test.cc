// Colour elements: channel elements with "VALUE", typed and caller-named
// colour elements, reading by channel name, packed RGB values.
#include "devseries/color/color_xml.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "devseries/color/abstract_color.h"
#include "devseries/color/cmyk_color.h"
#include "devseries/color/cmykog_color.h"
#include "devseries/color/lab_color.h"
#include "devseries/color/rgb_color.h"
#include "devseries/platform/com.h"
#include "devseries/platform/com_codes.h"
#include "tests/support/xml_test_support.h"

using namespace devseries;

namespace {

using xml_test::Compact;
using xml_test::Parse;
// `element` as the root of `doc`, in compact form.
std::string AsRoot(DomDocument& doc, DomNode element) {
  doc.AppendChild(element);
  return Compact(doc);
}

std::vector<float> Values(const AbstractColor& color, int channels) {
  std::vector<float> values;
  for (int i = 0; i < channels; ++i) values.push_back(color.GetValue(i));
  return values;
}

template <typename Color>
Color Make(std::vector<float> values) {
  Color color;
  for (size_t i = 0; i < values.size(); ++i) {
    color.SetValue(static_cast<int>(i), values[i]);
  }
  return color;
}

TEST(ColorXmlTest, ChannelElementCarriesValueAttributeOnly) {
  struct Case {
    std::function<DomNode(DomDocument&)> write;
    const char* xml;
  };
  const Case cases[] = {
      {[](DomDocument& d) { return WriteColorChannel(d, "M", 255); },
       R"(<M VALUE="255"/>)"},
      {[](DomDocument& d) { return WriteColorChannel(d, "K", -7); },
       R"(<K VALUE="-7"/>)"},
      {[](DomDocument& d) {
         return WriteColorChannel(d, "C", std::numeric_limits<int>::min());
       },
       R"(<C VALUE="-2147483648"/>)"},
      {[](DomDocument& d) { return WriteColorChannelReal(d, "L", 50.0); },
       R"(<L VALUE="50.00"/>)"},
      {[](DomDocument& d) { return WriteColorChannelReal(d, "a", -4.5); },
       R"(<a VALUE="-4.50"/>)"},
      {[](DomDocument& d) { return WriteColorChannelReal(d, "b", 2.346); },
       R"(<b VALUE="2.35"/>)"},
      {[](DomDocument& d) { return WriteColorChannelReal(d, "b", -0.001); },
       R"(<b VALUE="-0.00"/>)"},
      {[](DomDocument& d) { return WriteColorChannelReal(d, "L", 1e20); },
       R"(<L VALUE="100000000000000000000.00"/>)"},
  };
  for (const Case& c : cases) {
    DomDocument doc;
    EXPECT_EQ(AsRoot(doc, c.write(doc)), c.xml);
  }
}

TEST(ColorXmlTest, ChannelOrderAndNamesWhenWritten) {
  struct Case {
    std::function<DomNode(DomDocument&)> write;
    const char* xml;
  };
  const Case cases[] = {
      {[](DomDocument& d) {
         return WriteColorElement(d, Make<RGBColor>({255, 128, 0}));
       },
       R"(<RGBColor><R VALUE="255"/><G VALUE="128"/><B VALUE="0"/></RGBColor>)"},
      {[](DomDocument& d) {
         return WriteColorElement(d, Make<CMYKColor>({1, 2, 3, 4}));
       },
       R"(<CMYKColor><C VALUE="1"/><M VALUE="2"/><Y VALUE="3"/>)"
       R"(<K VALUE="4"/></CMYKColor>)"},
      {[](DomDocument& d) {
         return WriteColorElement(d, Make<CMYKOGColor>({1, 2, 3, 4, 5, 6}));
       },
       R"(<CMYKOGColor><C VALUE="1"/><M VALUE="2"/><Y VALUE="3"/>)"
       R"(<K VALUE="4"/><O VALUE="5"/><G VALUE="6"/></CMYKOGColor>)"},
      {[](DomDocument& d) {
         return WriteColorElement(d, Make<LabColor>({50, -4.5f, 0}));
       },
       R"(<LabColor><L VALUE="50.00"/><a VALUE="-4.50"/>)"
       R"(<b VALUE="0.00"/></LabColor>)"},
      // Caller-named elements, through the typed writers and WriteColorAs.
      {[](DomDocument& d) {
         return WriteRGBColorAs(d, "rgbPaper", Make<RGBColor>({1, 2, 3}));
       },
       R"(<rgbPaper><R VALUE="1"/><G VALUE="2"/><B VALUE="3"/></rgbPaper>)"},
      {[](DomDocument& d) {
         return WriteCMYKColorAs(d, "x", Make<CMYKColor>({9, 8, 7, 6}));
       },
       R"(<x><C VALUE="9"/><M VALUE="8"/><Y VALUE="7"/><K VALUE="6"/></x>)"},
      {[](DomDocument& d) {
         return WriteCMYKOGColorAs(d, "x",
                                   Make<CMYKOGColor>({0, 0, 0, 0, 1, 2}));
       },
       R"(<x><C VALUE="0"/><M VALUE="0"/><Y VALUE="0"/><K VALUE="0"/>)"
       R"(<O VALUE="1"/><G VALUE="2"/></x>)"},
      {[](DomDocument& d) {
         return WriteLabColorAs(d, "x", Make<LabColor>({53.2f, 0, -1}));
       },
       R"(<x><L VALUE="53.20"/><a VALUE="0.00"/><b VALUE="-1.00"/></x>)"},
      {[](DomDocument& d) {
         const CMYKOGColor color = Make<CMYKOGColor>({6, 5, 4, 3, 2, 1});
         return WriteColorAs(d, "strColor", color);
       },
       R"(<strColor><C VALUE="6"/><M VALUE="5"/><Y VALUE="4"/><K VALUE="3"/>)"
       R"(<O VALUE="2"/><G VALUE="1"/></strColor>)"},
      {[](DomDocument& d) {
         const LabColor color = Make<LabColor>({1, 2, 3});
         return WriteColorAs(d, "strColor", color);
       },
       R"(<strColor><L VALUE="1.00"/><a VALUE="2.00"/>)"
       R"(<b VALUE="3.00"/></strColor>)"},
  };
  for (const Case& c : cases) {
    DomDocument doc;
    EXPECT_EQ(AsRoot(doc, c.write(doc)), c.xml);
  }
}

// A colour of a space the XML form does not know.
class ForeignColor : public AbstractColor {
 public:
  int GetColorSpace() const override { return 1; }
  std::string GetColorSpaceName() const override { return "Gray"; }
  float GetValue(int) const override { return 0; }
  void SetValue(int, float) override {}
  AbstractColor& Assign(const AbstractColor&) override { return *this; }
  AbstractColor* Clone() const override { return new ForeignColor; }
  void Print(std::ostream&) const override {}
};

TEST(ColorXmlTest, UnknownSpaceWritesNothing) {
  DomDocument doc;
  ForeignColor color;
  EXPECT_TRUE(WriteColorAs(doc, "strColor", color).IsNull());
  EXPECT_TRUE(WriteColorElement(doc, color).IsNull());
}

TEST(ColorXmlTest, EightBitChannelsReadByNameWithAtoiRules) {
  struct Case {
    const char* xml;
    std::vector<float> cmyk;
  };
  const Case cases[] = {
      // Matching is by name: K Y M C order reads back the same colour.
      {R"(<CMYKColor><K VALUE="4"/><Y VALUE="3"/><M VALUE="2"/>)"
       R"(<C VALUE="1"/></CMYKColor>)",
       {1, 2, 3, 4}},
      {R"(<CMYKColor><C VALUE="300"/></CMYKColor>)", {44, 0, 0, 0}},
      {R"(<CMYKColor><C VALUE="12abc"/><M VALUE="abc"/></CMYKColor>)",
       {12, 0, 0, 0}},
      {R"(<CMYKColor><C VALUE=" -1"/><M VALUE="+7"/><Y VALUE=""/>)"
       R"(<K VALUE="0x10"/></CMYKColor>)",
       {255, 7, 0, 0}},
      // Missing VALUE (attribute names are case-sensitive too): channel 0.
      {R"(<CMYKColor><C/><M value="5"/><Y VALUE="9"/></CMYKColor>)",
       {0, 0, 9, 0}},
      // Out of the 32-bit range: saturates, and the saturated value has no
      // 32-bit float truncation or keeps low bits 0.
      {R"(<CMYKColor><C VALUE="99999999999"/><M VALUE="-99999999999"/>)"
       R"(<Y VALUE="2147483520"/></CMYKColor>)",
       {0, 0, 128, 0}},
      // The last of repeated names wins; other names, text and comments are
      // skipped; so is a channel's own content.
      {R"(<CMYKColor>text<!-- C --><C VALUE="1"/><c VALUE="5"/>)"
       R"(<Cyan VALUE="6"/><C VALUE="9">3</C><O VALUE="8"/></CMYKColor>)",
       {9, 0, 0, 0}},
      {R"(<CMYKColor/>)", {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.xml);
    DomDocument doc;
    DomNode element = Parse(doc, c.xml);
    const std::unique_ptr<CMYKColor> color(ReadCMYKColor(element));
    ASSERT_NE(color, nullptr);
    EXPECT_EQ(Values(*color, 4), c.cmyk);
  }
}

TEST(ColorXmlTest, ChannelNamesAreCaseSensitive) {
  DomDocument doc;
  DomNode element = Parse(
      doc,
      R"(<RGBColor><r VALUE="9"/><G VALUE="1"/><b VALUE="2"/></RGBColor>)");
  const std::unique_ptr<RGBColor> rgb(ReadRGBColor(element));
  EXPECT_EQ(Values(*rgb, 3), (std::vector<float>{0, 1, 0}));

  DomDocument lab_doc;
  DomNode lab_element = Parse(
      lab_doc,
      R"(<LabColor><l VALUE="9"/><A VALUE="1"/><B VALUE="2"/></LabColor>)");
  const std::unique_ptr<LabColor> lab(ReadLabColor(lab_element));
  EXPECT_EQ(Values(*lab, 3), (std::vector<float>{0, 0, 0}));
}

TEST(ColorXmlTest, LabChannelsReadWithAtofRules) {
  const float inf = std::numeric_limits<float>::infinity();
  struct Case {
    const char* xml;
    std::vector<float> lab;
  };
  const Case cases[] = {
      {R"(<LabColor><b VALUE="0.00"/><a VALUE="-4.50"/><L VALUE="50.00"/>)"
       R"(</LabColor>)",
       {50, -4.5f, 0}},
      {R"(<X><L VALUE="1e3"/><a VALUE="12.5abc"/><b VALUE="abc"/></X>)",
       {1000, 12.5f, 0}},
      // Beyond the float range: infinities, not an undefined narrowing.
      {R"(<X><L VALUE="1e300"/><a VALUE="-1e300"/><b VALUE="1e-300"/></X>)",
       {inf, -inf, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.xml);
    DomDocument doc;
    DomNode element = Parse(doc, c.xml);
    const std::unique_ptr<LabColor> color(ReadLabColor(element));
    EXPECT_EQ(Values(*color, 3), c.lab);
  }
}

TEST(ColorXmlTest, NumbersIgnoreTheProcessLocale) {
  // Only meaningful where a locale with a decimal comma is installed.
  const char* const kCommaLocales[] = {"de_DE.UTF-8", "de_DE.utf8",
                                       "fr_FR.UTF-8"};
  const std::string previous = std::setlocale(LC_ALL, nullptr);
  const char* chosen = nullptr;
  for (const char* name : kCommaLocales) {
    if (std::setlocale(LC_ALL, name) != nullptr) {
      chosen = name;
      break;
    }
  }
  if (chosen == nullptr) GTEST_SKIP() << "no decimal-comma locale installed";

  DomDocument doc;
  const std::string xml =
      AsRoot(doc, WriteColorElement(doc, Make<LabColor>({2.5f, 0, 0})));
  DomDocument read_doc;
  DomNode element = Parse(read_doc, R"(<X><L VALUE="2.5"/></X>)");
  const std::unique_ptr<LabColor> lab(ReadLabColor(element));
  std::setlocale(LC_ALL, previous.c_str());

  EXPECT_NE(xml.find(R"(<L VALUE="2.50"/>)"), std::string::npos) << xml;
  EXPECT_EQ(lab->GetValue(0), 2.5f);
}

TEST(ColorXmlTest, WrittenColorsReadBackUnchanged) {
  const RGBColor rgb = Make<RGBColor>({255, 128, 0});
  const CMYKColor cmyk = Make<CMYKColor>({0, 64, 200, 255});
  const CMYKOGColor cmykog = Make<CMYKOGColor>({1, 2, 3, 4, 250, 251});
  const LabColor lab = Make<LabColor>({53.2f, -4.05f, 80.25f});
  DomDocument doc;
  EXPECT_EQ(Values(*std::unique_ptr<RGBColor>(
                       ReadRGBColor(WriteColorElement(doc, rgb))),
                   3),
            Values(rgb, 3));
  EXPECT_EQ(Values(*std::unique_ptr<CMYKColor>(
                       ReadCMYKColor(WriteColorElement(doc, cmyk))),
                   4),
            Values(cmyk, 4));
  EXPECT_EQ(Values(*std::unique_ptr<CMYKOGColor>(
                       ReadCMYKOGColor(WriteColorElement(doc, cmykog))),
                   6),
            Values(cmykog, 6));
  // Two decimals are kept exactly as far as a float holds them.
  EXPECT_EQ(Values(*std::unique_ptr<LabColor>(
                       ReadLabColor(WriteColorElement(doc, lab))),
                   3),
            Values(lab, 3));
}

TEST(ColorXmlTest, ReadColorElementDispatchesOnTypedNamesOnly) {
  struct Case {
    const char* xml;
    int space;  // -1: no colour
  };
  const Case cases[] = {
      {R"(<RGBColor><R VALUE="7"/></RGBColor>)", kColorSpaceRGB},
      {R"(<CMYKColor><C VALUE="7"/></CMYKColor>)", kColorSpaceCMYK},
      {R"(<CMYKOGColor><C VALUE="7"/></CMYKOGColor>)", kColorSpaceCMYKOG},
      // Lab elements are read with ReadLabColor only.
      {R"(<LabColor><L VALUE="7"/></LabColor>)", -1},
      {R"(<rgbcolor><R VALUE="7"/></rgbcolor>)", -1},
      {R"(<strColor><R VALUE="7"/></strColor>)", -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.xml);
    DomDocument doc;
    DomNode element = Parse(doc, c.xml);
    const std::unique_ptr<AbstractColor> color(ReadColorElement(element));
    if (c.space < 0) {
      EXPECT_EQ(color, nullptr);
      continue;
    }
    ASSERT_NE(color, nullptr);
    EXPECT_EQ(color->GetColorSpace(), c.space);
    EXPECT_EQ(color->GetValue(0), 7.0f);
  }
}

TEST(ColorXmlTest, PackedRGBBothWays) {
  struct Case {
    int packed;
    const char* xml;
    int read_back;
  };
  const Case cases[] = {
      // Red 0, green 128, blue 255.
      {0xFF8000, R"(<rgb><R VALUE="0"/><G VALUE="128"/><B VALUE="255"/></rgb>)",
       0xFF8000},
      // Bits 24 to 31 are ignored on writing and 0 on reading.
      {0x7A123456,
       R"(<rgb><R VALUE="86"/><G VALUE="52"/><B VALUE="18"/></rgb>)", 0x123456},
      {-1, R"(<rgb><R VALUE="255"/><G VALUE="255"/><B VALUE="255"/></rgb>)",
       0xFFFFFF},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.xml);
    DomDocument doc;
    DomNode element = WriteRGBValue(doc, "rgb", c.packed);
    EXPECT_EQ(ReadRGBValue(element), c.read_back);
    EXPECT_EQ(AsRoot(doc, element), c.xml);
  }

  DomDocument doc;
  DomNode element = Parse(doc, R"(<rgb><G VALUE="300"/><R VALUE="1"/></rgb>)");
  EXPECT_EQ(ReadRGBValue(element), (44 << 8) | 1);
}

TEST(ColorXmlTest, AbsentElementRaisesPointerError) {
  const std::function<void()> reads[] = {
      [] { delete ReadRGBColor(DomNode()); },
      [] { delete ReadCMYKColor(DomNode()); },
      [] { delete ReadCMYKOGColor(DomNode()); },
      [] { delete ReadLabColor(DomNode()); },
      [] { delete ReadColorElement(DomNode()); },
      [] { ReadRGBValue(DomNode()); },
  };
  for (const auto& read : reads) {
    try {
      read();
      ADD_FAILURE() << "no error";
    } catch (const _com_error& e) {
      EXPECT_EQ(e.Error(), platform::E_POINTER);
    }
  }
}

}  // namespace
