// The UV lamp power entry of a print mode and its "UVLampPower" element.
#include "devseries/records/media/uv_lamp_power.h"

#include <gtest/gtest.h>

#include <string>

#include "devseries/platform/com.h"
#include "devseries/platform/com_codes.h"
#include "tests/support/xml_test_support.h"

using namespace devseries;

namespace {

using xml_test::Parse;
TEST(UVLampPowerTest, ConstructedAtFullPower) {
  EXPECT_EQ(UVLampPower(), (UVLampPower{100, 100, 100}));
}

TEST(UVLampPowerTest, WrittenWithPositionAndWithoutBasePower) {
  DomDocument doc;
  doc.AppendChild(WriteUVLampPower(doc, UVLampPower{7, 80, -90}, 1));
  EXPECT_EQ(doc.ToXml(), R"(<?xml version="1.0" encoding="UTF-8"?>
<UVLampPower position="1">
  <nForwardPower>80</nForwardPower>
  <nBackwardPower>-90</nBackwardPower>
</UVLampPower>
)");
}

TEST(UVLampPowerTest, RoundTripAtBothPositions) {
  for (int position : {0, 1}) {
    SCOPED_TRACE(position);
    DomDocument doc;
    doc.AppendChild(WriteUVLampPower(doc, UVLampPower{5, 61, 62}, position));
    DomDocument reloaded;
    UVLampPower read{1, 2, 3};
    int read_position = -5;
    ASSERT_TRUE(
        ReadUVLampPower(Parse(reloaded, doc.ToXml()), read, read_position));
    EXPECT_EQ(read_position, position);
    EXPECT_EQ(read, (UVLampPower{1, 61, 62}));
  }
}

TEST(UVLampPowerTest, Reading) {
  // Each case reads over the preset entry {1, 2, 3} and position 9.
  const struct {
    const char* xml;
    bool result;
    int position;
    UVLampPower entry;
  } cases[] = {
      {R"(<UVLampPower position="0"><nForwardPower>10</nForwardPower>)"
       "<nBackwardPower>20</nBackwardPower></UVLampPower>",
       true,
       0,
       {1, 10, 20}},
      // Only the backward power: the forward power keeps the preset.
      {R"(<UVLampPower position="1"><nBackwardPower>40</nBackwardPower>)"
       "</UVLampPower>",
       true,
       1,
       {1, 2, 40}},
      // Any order, other nodes skipped, a repeated name overwrites.
      {R"(<UVLampPower position="1"><nBackwardPower>40</nBackwardPower>)"
       "<!--x--><nbackwardpower>5</nbackwardpower><nBasePower>6</nBasePower>"
       "<nForwardPower>30</nForwardPower><nForwardPower>31</nForwardPower>"
       "</UVLampPower>",
       true,
       1,
       {1, 31, 40}},
      {R"(<UVLampPower position="1"/>)", true, 1, {1, 2, 3}},
      // Positions are decoded as decimal ints.
      {R"(<UVLampPower position=" 1x"><nForwardPower>7</nForwardPower>)"
       "</UVLampPower>",
       true,
       1,
       {1, 7, 3}},
      {R"(<Other position="abc"><nForwardPower>7</nForwardPower></Other>)",
       true,
       0,
       {1, 7, 3}},
      // Positions other than 0 and 1 change nothing.
      {R"(<UVLampPower position="2"><nForwardPower>7</nForwardPower>)"
       "</UVLampPower>",
       false,
       9,
       {1, 2, 3}},
      {R"(<UVLampPower position="-1"><nForwardPower>7</nForwardPower>)"
       "</UVLampPower>",
       false,
       9,
       {1, 2, 3}},
      {R"(<UVLampPower position="-2147483648"/>)", false, 9, {1, 2, 3}},
      {R"(<UVLampPower Position="1"><nForwardPower>7</nForwardPower>)"
       "</UVLampPower>",
       false,
       9,
       {1, 2, 3}},
      {"<UVLampPower><nForwardPower>7</nForwardPower></UVLampPower>",
       false,
       9,
       {1, 2, 3}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.xml);
    DomDocument doc;
    UVLampPower entry{1, 2, 3};
    int position = 9;
    EXPECT_EQ(ReadUVLampPower(Parse(doc, c.xml), entry, position), c.result);
    EXPECT_EQ(position, c.position);
    EXPECT_EQ(entry, c.entry);
  }
}

TEST(UVLampPowerTest, NodesOtherThanElementsNameNoPosition) {
  DomDocument doc;
  DomNode list = Parse(doc, "<l><!--position--><?p x?>text</l>");
  for (DomNode node = list.GetFirstChild(); node;
       node = node.GetNextSibling()) {
    SCOPED_TRACE(node.GetNodeName());
    UVLampPower entry{1, 2, 3};
    int position = 9;
    EXPECT_FALSE(ReadUVLampPower(node, entry, position));
    EXPECT_EQ(position, 9);
  }
  UVLampPower entry;
  int position = 0;
  try {
    (void)ReadUVLampPower(DomNode(), entry, position);
    ADD_FAILURE() << "no error";
  } catch (const platform::_com_error& error) {
    EXPECT_EQ(error.Error(), platform::E_POINTER);
  }
}

}  // namespace
