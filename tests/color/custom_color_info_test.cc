// The custom colour record and its "CustomColorInfo" element.
#include "devseries/color/custom_color_info.h"

#include <gtest/gtest.h>

#include <string>

#include "devseries/platform/com.h"
#include "devseries/platform/com_codes.h"
#include "tests/support/temp_dir.h"
#include "tests/support/xml_test_support.h"

using namespace devseries;

namespace {

using xml_test::Compact;
using xml_test::Parse;
CustomColorInfo Sample(int space) {
  CustomColorInfo info;
  info.strColorName = "Spot Blue";
  info.nColorSpace = space;
  info.aColorValue = {100, 50, 0, 255, 7, 8};
  info.strMatchLibName = "PANTONE+";
  return info;
}

TEST(CustomColorInfoTest, WrittenChildrenFollowTheColorSpace) {
  struct Case {
    int space;
    const char* xml;
  };
  const Case cases[] = {
      {2,
       "<CustomColorInfo><strColorName>Spot Blue</strColorName>"
       R"(<CMYKColor><C VALUE="100"/><M VALUE="50"/><Y VALUE="0"/>)"
       R"(<K VALUE="255"/></CMYKColor>)"
       "<strMatchLibName>PANTONE+</strMatchLibName></CustomColorInfo>"},
      {4,
       "<CustomColorInfo><strColorName>Spot Blue</strColorName>"
       R"(<CMYKOGColor><C VALUE="100"/><M VALUE="50"/><Y VALUE="0"/>)"
       R"(<K VALUE="255"/><O VALUE="7"/><G VALUE="8"/></CMYKOGColor>)"
       "<strMatchLibName>PANTONE+</strMatchLibName></CustomColorInfo>"},
      // Any other space code: the two text children only.
      {5,
       "<CustomColorInfo><strColorName>Spot Blue</strColorName>"
       "<strMatchLibName>PANTONE+</strMatchLibName></CustomColorInfo>"},
      {0,
       "<CustomColorInfo><strColorName>Spot Blue</strColorName>"
       "<strMatchLibName>PANTONE+</strMatchLibName></CustomColorInfo>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.space);
    DomDocument doc;
    doc.AppendChild(WriteCustomColorInfo(doc, Sample(c.space)));
    EXPECT_EQ(Compact(doc), c.xml);
  }
}

TEST(CustomColorInfoTest, RecordsReadBackThroughAFile) {
  tovra::testing::ScopedTempDir dir;
  for (int space : {2, 4}) {
    SCOPED_TRACE(space);
    CustomColorInfo written = Sample(space);
    written.strColorName = "M&M <x> \"q\"";
    const std::string path = dir.File("custom.xml");
    {
      DomDocument doc;
      doc.AppendChild(doc.CreateProcessingInstruction(
          "xml", "version='1.0' encoding='UTF-8'"));
      doc.AppendChild(WriteCustomColorInfo(doc, written));
      doc.Save(path);
    }
    DomDocument doc;
    ASSERT_TRUE(doc.Load(path));
    CustomColorInfo read;
    read.aColorValue = {1, 2, 3, 4, 5, 6};
    ASSERT_TRUE(ReadCustomColorInfo(
        doc.GetElementsByTagName("CustomColorInfo").at(0), read));
    EXPECT_EQ(read.strColorName, written.strColorName);
    EXPECT_EQ(read.nColorSpace, space);
    EXPECT_EQ(read.strMatchLibName, written.strMatchLibName);
    if (space == 2) {
      // A CMYK colour fills the first four bytes; the others keep theirs.
      EXPECT_EQ(read.aColorValue,
                (std::array<std::uint8_t, 6>{100, 50, 0, 255, 5, 6}));
    } else {
      EXPECT_EQ(read.aColorValue, written.aColorValue);
    }
  }
}

TEST(CustomColorInfoTest, ReadIsPositionalAndStoresLowEightBits) {
  DomDocument doc;
  // The text children's names are not checked; channels follow the colour
  // element's own rules.
  DomNode element = Parse(doc,
                          "<CustomColorInfo><a>name</a>"
                          R"(<CMYKOGColor><G VALUE="300"/><C VALUE="-1"/>)"
                          "</CMYKOGColor><b>lib</b></CustomColorInfo>");
  CustomColorInfo info;
  ASSERT_TRUE(ReadCustomColorInfo(element, info));
  EXPECT_EQ(info.strColorName, "name");
  EXPECT_EQ(info.nColorSpace, 4);
  EXPECT_EQ(info.aColorValue,
            (std::array<std::uint8_t, 6>{255, 0, 0, 0, 0, 44}));
  EXPECT_EQ(info.strMatchLibName, "lib");
}

TEST(CustomColorInfoTest, OtherColorElementReturnsFalseAfterTheName) {
  const char* const second_children[] = {
      R"(<RGBColor><R VALUE="1"/></RGBColor>)",
      R"(<LabColor><L VALUE="1"/></LabColor>)",
      "<cmykcolor/>",
      "<strMatchLibName>lib</strMatchLibName>",
  };
  for (const char* second : second_children) {
    SCOPED_TRACE(second);
    DomDocument doc;
    DomNode element =
        Parse(doc, std::string("<CustomColorInfo>") +
                       "<strColorName>new</strColorName>" + second +
                       "<strMatchLibName>lib</strMatchLibName>"
                       "</CustomColorInfo>");
    CustomColorInfo info = Sample(2);
    EXPECT_FALSE(ReadCustomColorInfo(element, info));
    EXPECT_EQ(info.strColorName, "new");
    EXPECT_EQ(info.nColorSpace, 2);
    EXPECT_EQ(info.aColorValue, Sample(2).aColorValue);
    EXPECT_EQ(info.strMatchLibName, "PANTONE+");
  }
}

TEST(CustomColorInfoTest, MissingChildrenRaisePointerError) {
  const char* const cases[] = {
      "<CustomColorInfo/>",
      "<CustomColorInfo><strColorName>n</strColorName></CustomColorInfo>",
      // What a record written with another space code looks like.
      "<CustomColorInfo><strColorName>n</strColorName><CMYKColor/>"
      "</CustomColorInfo>",
  };
  for (const char* xml : cases) {
    SCOPED_TRACE(xml);
    DomDocument doc;
    DomNode element = Parse(doc, xml);
    CustomColorInfo info;
    try {
      (void)ReadCustomColorInfo(element, info);
      ADD_FAILURE() << "no error";
    } catch (const _com_error& e) {
      EXPECT_EQ(e.Error(), platform::E_POINTER);
    }
  }
}

}  // namespace
