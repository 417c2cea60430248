// The resolution and print-mode records: "ResolutionInfo" and "ModeInfo"
// elements and their standalone files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "devseries/platform/com.h"
#include "devseries/platform/com_codes.h"
#include "devseries/platform/dom_testing.h"
#include "devseries/records/printer/mode_info.h"
#include "devseries/records/printer/resolution_info.h"
#include "tests/support/temp_dir.h"
#include "tests/support/xml_test_support.h"

using namespace devseries;

namespace {

using platform::E_POINTER;
using xml_test::Child;
using xml_test::ComErrorOf;
using xml_test::Parse;
using xml_test::SeamReset;

// Element names and nesting: "a(b c(d))".
std::string Outline(DomNode element) {
  std::string text = element.GetNodeName();
  std::string inner;
  for (DomNode n = element.GetFirstChild(); n; n = n.GetNextSibling()) {
    if (n.GetNodeType() != platform::NODE_ELEMENT) continue;
    inner += (inner.empty() ? "" : " ") + Outline(n);
  }
  return inner.empty() ? text : text + "(" + inner + ")";
}

// A list element of `count` children holding first, first + 1, ...
std::string Slots(int first, int count) {
  std::string xml = "<list>";
  for (int i = 0; i < count; ++i) {
    xml += "<v>" + std::to_string(first + i) + "</v>";
  }
  return xml + "</list>";
}

// Saves `record` with `save`, loads it back with `load` and checks the
// failure rules shared by the standalone files of these kinds.
template <typename Record, typename Save, typename Load>
void CheckStandaloneFile(const Record& record, Save save, Load load) {
  SeamReset guard;
  tovra::testing::ScopedTempDir dir;
  const int count = platform::CoInitializeCount();
  const std::string path = dir.File("record.xml");
  ASSERT_TRUE(save(path, record));
  Record read;
  ASSERT_TRUE(load(path, read));
  EXPECT_EQ(read, record);
  EXPECT_EQ(platform::CoInitializeCount(), count);

  const std::string missing = dir.File("no-such-folder/record.xml");
  EXPECT_THROW(save(missing, record), platform::_com_error);
  EXPECT_EQ(ComErrorOf([&] { load(missing, read); }), E_POINTER);
  EXPECT_EQ(platform::CoInitializeCount(), count);

  platform::SetDomServiceAvailableForTesting(false);
  EXPECT_FALSE(save(dir.File("other.xml"), record));
  platform::SetDomServiceAvailableForTesting(true);
  platform::SetCoInitializeFailureForTesting(platform::E_FAIL);
  EXPECT_FALSE(save(dir.File("other.xml"), record));
  platform::SetCoInitializeFailureForTesting(platform::S_OK);
  EXPECT_FALSE(tovra::testing::FileExists(dir.File("other.xml")));
  EXPECT_EQ(platform::CoInitializeCount(), count);

  // No element of the kind: nothing read, still true.
  tovra::testing::WriteFileBytes(path, "<PatternInfo/>");
  Record untouched = record;
  EXPECT_TRUE(load(path, untouched));
  EXPECT_EQ(untouched, record);
}

constexpr const char* kLanguages =
    "(English French German Italian Spanish Portuguese Japanese "
    "Chinese_Simplified Chinese_Traditional Korean Russian Turkish Arabic)";

// --------------------------------------------------------- ResolutionInfo

ResolutionInfo SampleResolution() {
  ResolutionInfo r;
  r.nResolutionIndex = 4;
  for (size_t i = 0; i < r.strResolutionName.size(); ++i) {
    r.strResolutionName[i] = "720 x " + std::to_string(1440 + i);
  }
  r.flScanResolution = 720.5f;
  r.flFeedResolution = 1440.25f;
  return r;
}

TEST(ResolutionInfoTest, WriterOrderAndRoundTrip) {
  DomDocument doc;
  DomNode element =
      ResolutionInfoIO().WriteResolutionInfo(doc, SampleResolution());
  EXPECT_EQ(Outline(element),
            std::string("ResolutionInfo(nResolutionIndex strResolutionName") +
                kLanguages + " flScanResolution flFeedResolution)");
  EXPECT_EQ(Child(element, "flFeedResolution").GetText(), "1440.250");
  doc.AppendChild(element);
  DomDocument reloaded;
  ResolutionInfo read;
  ResolutionInfoIO().ReadResolutionInfo(Parse(reloaded, doc.ToXml()), read);
  EXPECT_EQ(read, SampleResolution());
}

TEST(ResolutionInfoTest, ReadIsPositional) {
  DomDocument doc;
  ResolutionInfo read;
  ResolutionInfoIO().ReadResolutionInfo(
      Parse(doc,
            "<ResolutionInfo><flFeedResolution>3</flFeedResolution>"
            "<b><German>fein</German></b><c>360.0004</c><d>x</d>"
            "<nResolutionIndex>9</nResolutionIndex></ResolutionInfo>"),
      read);
  EXPECT_EQ(read.nResolutionIndex, 3);
  EXPECT_EQ(read.strResolutionName[2], "fein");
  EXPECT_EQ(read.strResolutionName[0], "");
  EXPECT_EQ(read.flScanResolution, 360.0004f);
  EXPECT_EQ(read.flFeedResolution, 0.0f);

  DomNode short_element =
      Parse(doc, "<ResolutionInfo><a>1</a><b/><!--2--></ResolutionInfo>");
  EXPECT_EQ(ComErrorOf([&] {
              ResolutionInfoIO().ReadResolutionInfo(short_element, read);
            }),
            E_POINTER);
  EXPECT_EQ(read.flScanResolution, 2.0f);  // the comment's text
}

TEST(ResolutionInfoTest, StandaloneFile) {
  ResolutionInfoIO io;
  CheckStandaloneFile(
      SampleResolution(),
      [&](const std::string& path, const ResolutionInfo& r) {
        return io.SaveResolutionInfoFile(path, r);
      },
      [&](const std::string& path, ResolutionInfo& r) {
        return io.LoadResolutionInfoFile(path, r);
      });
}

// --------------------------------------------------------------- ModeInfo

// Every stored member set to a value other than its construction value.
// nBasePower is not stored, so it keeps 100.
ModeInfo SampleMode() {
  ModeInfo r;
  r.nModeIndex = 12;
  r.strModeName = "Fine 8 pass";
  r.nInkNum = 4;
  for (int i = 0; i < 24; ++i) r.nInkIndexList[i] = i * 3 - 5;
  r.nBitsPerPixel = 2;
  r.nDotType = 3;
  r.strDotSize = "S,M,L";
  r.strNozzleMask = "mask.bin";
  r.nPassesPerLine = 8;
  r.strPJLOption = "@PJL SET X=1";
  r.flFeedResolutionPerPass = 90.125f;
  r.nInkVolumeIndex = 6;
  r.nNozzleMaskCount = 7;
  r.nEmptyPathLength = 8;
  r.nAdditionalPrintingTime = 9;
  r.aUVLampPowerList[0] = {100, 81, 82};
  r.aUVLampPowerList[1] = {100, 83, 84};
  return r;
}

std::string ModeXml(const std::string& slots, const std::string& optional) {
  return "<ModeInfo><a>1</a><b>Draft</b><c>6</c>" + slots +
         "<d>1</d><e>2</e><f>M</f>" + optional + "</ModeInfo>";
}

std::string ModeGolden(const std::string& lamps) {
  std::string slots;
  for (int i = 0; i < 24; ++i) {
    slots += (i == 0 ? "value" : " value") + std::to_string(i);
  }
  return "ModeInfo(nModeIndex strModeName nInkNum nInkIndexList(" + slots +
         ") nBitsPerPixel nDotType strDotSize nInkVolumeIndex strNozzleMask "
         "nPassesPerLine strPJLOption flFeedResolutionPerPass "
         "nNozzleMaskCount nEmptyPathLength nAdditionalPrintingTime " +
         lamps + ")";
}

TEST(ModeInfoTest, WriterOrderAndLampCondition) {
  ModeInfoIO io;
  DomDocument doc;
  DomNode element = io.WriteModeInfo(doc, ModeInfo());
  EXPECT_EQ(Outline(element), ModeGolden("aUVLampPowerList"));
  EXPECT_EQ(Child(element, "flFeedResolutionPerPass").GetText(), "180.000");
  EXPECT_EQ(Child(element, "nInkVolumeIndex").GetText(), "-1");

  // One power off its base: both entries are written, in position order.
  const std::string lamp_list = R"(<aUVLampPowerList>
    <UVLampPower position="0">
      <nForwardPower>100</nForwardPower>
      <nBackwardPower>100</nBackwardPower>
    </UVLampPower>
    <UVLampPower position="1">
      <nForwardPower>80</nForwardPower>
      <nBackwardPower>100</nBackwardPower>
    </UVLampPower>
  </aUVLampPowerList>)";
  ModeInfo record;
  record.aUVLampPowerList[1].nForwardPower = 80;
  doc.AppendChild(io.WriteModeInfo(doc, record));
  const std::string xml = doc.ToXml();
  EXPECT_NE(xml.find(lamp_list), std::string::npos) << xml;

  // The comparison is with each entry's own base power.
  const struct {
    UVLampPower first;
    UVLampPower second;
    bool written;
  } cases[] = {
      {{100, 100, 100}, {100, 100, 100}, false},
      {{50, 50, 50}, {7, 7, 7}, false},
      {{50, 100, 100}, {100, 100, 100}, true},
      {{100, 100, 100}, {100, 100, 99}, true},
      {{100, 100, 100}, {7, 100, 100}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.second.nBasePower);
    ModeInfo lamps;
    lamps.aUVLampPowerList = {c.first, c.second};
    DomNode list = Child(io.WriteModeInfo(doc, lamps), "aUVLampPowerList");
    EXPECT_EQ(Outline(list), c.written ? "aUVLampPowerList("
                                         "UVLampPower(nForwardPower "
                                         "nBackwardPower) "
                                         "UVLampPower(nForwardPower "
                                         "nBackwardPower))"
                                       : "aUVLampPowerList");
  }
}

TEST(ModeInfoTest, OptionalPart) {
  const ModeInfo preset = SampleMode();
  auto with = [](ModeInfo r, auto change) {
    change(r);
    return r;
  };
  // The prefix of ModeXml over the preset, nNozzleMaskCount reset.
  ModeInfo base = preset;
  base.nModeIndex = 1;
  base.strModeName = "Draft";
  base.nInkNum = 6;
  for (int i = 0; i < 24; ++i) base.nInkIndexList[i] = 300 + i;
  base.nBitsPerPixel = 1;
  base.nDotType = 2;
  base.strDotSize = "M";
  base.nNozzleMaskCount = 0;
  const struct {
    const char* name;
    ModeInfo before;
    std::string optional;
    ModeInfo expected;
  } cases[] = {
      {"none, new record: construction values", ModeInfo(), "",
       with(ModeInfo(),
            [&](ModeInfo& r) {
              r.nModeIndex = 1;
              r.strModeName = "Draft";
              r.nInkNum = 6;
              r.nInkIndexList = base.nInkIndexList;
              r.nBitsPerPixel = 1;
              r.nDotType = 2;
              r.strDotSize = "M";
            })},
      {"none, preset record: only nNozzleMaskCount reset", preset, "", base},
      {"reverse order, unknown and repeated names", preset,
       "<nAdditionalPrintingTime>5</nAdditionalPrintingTime><!--x-->"
       "<nEmptyPathLength>4</nEmptyPathLength><Other>1</Other>"
       "<nNozzleMaskCount>3</nNozzleMaskCount>"
       "<flFeedResolutionPerPass>45</flFeedResolutionPerPass>"
       "<strPJLOption>o</strPJLOption><nPassesPerLine>2</nPassesPerLine>"
       "<nPassesPerLine>16</nPassesPerLine><strNozzleMask>n</strNozzleMask>"
       "<ninkvolumeindex>7</ninkvolumeindex>"
       "<nInkVolumeIndex>1</nInkVolumeIndex>",
       with(base,
            [](ModeInfo& r) {
              r.nAdditionalPrintingTime = 5;
              r.nEmptyPathLength = 4;
              r.nNozzleMaskCount = 3;
              r.flFeedResolutionPerPass = 45;
              r.strPJLOption = "o";
              r.nPassesPerLine = 16;
              r.strNozzleMask = "n";
              r.nInkVolumeIndex = 1;
            })},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ModeInfo read = c.before;
    DomDocument doc;
    ModeInfoIO().ReadModeInfo(Parse(doc, ModeXml(Slots(300, 24), c.optional)),
                              read);
    EXPECT_EQ(read, c.expected);
  }
}

TEST(ModeInfoTest, LampPowerChildren) {
  // Read over entries {7, 60, 61} and {8, 70, 71}; base powers never change.
  const struct {
    const char* name;
    std::string children;
    UVLampPower first;
    UVLampPower second;
  } cases[] = {
      {"empty list", "", {7, 60, 61}, {8, 70, 71}},
      {"position 1, backward only: forward reads as 100",
       R"(<UVLampPower position="1"><nBackwardPower>40</nBackwardPower>)"
       "</UVLampPower>",
       {7, 60, 61},
       {8, 100, 40}},
      {"positions 2, -1 and none are skipped",
       R"(<UVLampPower position="2"><nForwardPower>1</nForwardPower>)"
       R"(</UVLampPower><UVLampPower position="-1"/><UVLampPower/>)",
       {7, 60, 61},
       {8, 70, 71}},
      {"any child name, comments skipped, the later position stands",
       R"(<!--c--><Lamp position="0"><nForwardPower>1</nForwardPower></Lamp>)"
       R"(<UVLampPower position="0"><nForwardPower>2</nForwardPower>)"
       "</UVLampPower>text",
       {7, 2, 100},
       {8, 70, 71}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ModeInfo read;
    read.aUVLampPowerList = {UVLampPower{7, 60, 61}, UVLampPower{8, 70, 71}};
    DomDocument doc;
    ModeInfoIO().ReadModeInfo(
        Parse(doc, ModeXml(Slots(0, 24), "<aUVLampPowerList>" + c.children +
                                             "</aUVLampPowerList>")),
        read);
    EXPECT_EQ(read.aUVLampPowerList[0], c.first);
    EXPECT_EQ(read.aUVLampPowerList[1], c.second);
  }
}

TEST(ModeInfoTest, InkSlotsArePositional) {
  ModeInfoIO io;
  DomDocument doc;
  ModeInfo read;
  io.ReadModeInfo(Parse(doc, ModeXml(Slots(10, 30), "")), read);
  EXPECT_EQ(read.nInkIndexList[0], 10);
  EXPECT_EQ(read.nInkIndexList[23], 33);
  EXPECT_EQ(read.nBitsPerPixel, 1);

  read = SampleMode();
  DomNode element = Parse(doc, ModeXml(Slots(10, 23), ""));
  EXPECT_EQ(ComErrorOf([&] { io.ReadModeInfo(element, read); }), E_POINTER);
  EXPECT_EQ(read.nInkIndexList[22], 32);
  EXPECT_EQ(read.nInkIndexList[23], SampleMode().nInkIndexList[23]);
  EXPECT_EQ(read.nNozzleMaskCount, 0);  // reset before the prefix
  EXPECT_EQ(read.nBitsPerPixel, 2);     // not reached

  // A comment in the prefix shifts it: the ink count takes the name's text
  // and the one-text node <c> stands where the ink list belongs.
  read = ModeInfo();
  element =
      Parse(doc, "<ModeInfo><a>1</a><!--b--><b>Draft</b><c>6</c>" +
                     Slots(0, 24) + "<d>1</d><e>2</e><f>M</f></ModeInfo>");
  EXPECT_EQ(ComErrorOf([&] { io.ReadModeInfo(element, read); }), E_POINTER);
  EXPECT_EQ(read.strModeName, "b");
  EXPECT_EQ(read.nInkNum, 0);
  EXPECT_EQ(read.nInkIndexList[0], 6);
}

TEST(ModeInfoTest, ReadFirstAndStandaloneFile) {
  ModeInfoIO io;
  DomDocument doc;
  ModeInfo read;
  io.ReadFirstModeInfo(
      Parse(doc, "<r><modeinfo/><x>" + ModeXml(Slots(0, 24), "") + "</x>" +
                     ModeXml(Slots(50, 24), "") + "</r>"),
      read);
  EXPECT_EQ(read.nInkIndexList[0], 50);

  CheckStandaloneFile(
      SampleMode(),
      [&](const std::string& path, const ModeInfo& r) {
        return io.SaveModeInfoFile(path, r);
      },
      [&](const std::string& path, ModeInfo& r) {
        return io.LoadModeInfoFile(path, r);
      });
}

}  // namespace
