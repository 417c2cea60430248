// The ink records: "InkInfo", "InkConfigInfo" with its standalone files and
// integer codes, and the ink-volume element and list.
#include "devseries/records/printer/ink_info.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "devseries/platform/com.h"
#include "devseries/platform/com_codes.h"
#include "devseries/platform/dom_testing.h"
#include "devseries/records/printer/ink_config_info.h"
#include "devseries/records/printer/ink_volume_info.h"
#include "tests/support/temp_dir.h"
#include "tests/support/xml_test_support.h"

using namespace devseries;

namespace {

using platform::E_POINTER;
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

std::string ChildText(DomNode element, const std::string& name) {
  for (DomNode n = element.GetFirstChild(); n; n = n.GetNextSibling()) {
    if (n.IsElementNamed(name)) return n.GetText();
  }
  return "(none)";
}

constexpr const char* kLanguages =
    "(English French German Italian Spanish Portuguese Japanese "
    "Chinese_Simplified Chinese_Traditional Korean Russian Turkish Arabic)";

LanguageStringSet Names(const std::string& stem) {
  LanguageStringSet set;
  for (size_t i = 0; i < set.size(); ++i) set[i] = stem + std::to_string(i);
  return set;
}

// A list element of `count` children holding first, first + 1, ...
std::string Slots(int first, int count, const std::string& name = "v") {
  std::string xml = "<list>";
  for (int i = 0; i < count; ++i) {
    xml += "<" + name + ">" + std::to_string(first + i) + "</" + name + ">";
  }
  return xml + "</list>";
}

// ---------------------------------------------------------------- InkInfo

InkInfo SampleInk() {
  InkInfo r;
  r.nInkIndex = 7;
  r.strLongInkName = Names("Cyan ");
  r.strShortInkName = "C";
  r.lightColor = {1, 2, 3};
  r.darkColor = {250, 251, 252};
  r.flPrice = 12.345f;
  r.nCapacity = 700;
  return r;
}

// An "InkInfo" element whose prefix has distinct values, then `optional`.
std::string InkXml(const std::string& light, const std::string& optional) {
  return "<InkInfo><a>4</a><b><English>Magenta</English></b><c>M</c>" + light +
         "<d><x>9</x><y>8</y><z>7</z></d>" + optional + "</InkInfo>";
}

TEST(InkInfoTest, WriterOrderAndTexts) {
  DomDocument doc;
  DomNode element = InkInfoIO().WriteInkInfo(doc, SampleInk());
  EXPECT_EQ(Outline(element),
            std::string("InkInfo(nInkIndex strLongInkName") + kLanguages +
                " strShortInkName lightColor(R G B) darkColor(R G B) flPrice "
                "nCapacity)");
  EXPECT_EQ(ChildText(element, "flPrice"), "12.345");
  EXPECT_EQ(ChildText(element, "darkColor"), "250251252");
  EXPECT_EQ(ChildText(InkInfoIO().WriteInkInfo(doc, InkInfo()), "flPrice"),
            "0.000");
}

TEST(InkInfoTest, ColourBytesKeepTheLowEightBits) {
  const struct {
    const char* text;
    std::uint8_t expected;
  } cases[] = {{"300", 44}, {"-1", 255}, {"256", 0},  {"255", 255},
               {"abc", 0},  {"1.9", 1},  {" 77", 77}, {"-256", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const std::string text = c.text;
    // Names of the colour children are not checked.
    const std::string light =
        "<l><G>" + text + "</G><B>" + text + "</B><R>" + text + "</R></l>";
    DomDocument doc;
    InkInfo read;
    InkInfoIO().ReadInkInfo(Parse(doc, InkXml(light, "")), read);
    EXPECT_EQ(read.lightColor, (InkRGB{c.expected, c.expected, c.expected}));
    EXPECT_EQ(read.darkColor, (InkRGB{9, 8, 7}));
  }
}

TEST(InkInfoTest, OptionalPriceAndCapacity) {
  const std::string light = "<l><r>1</r><g>2</g><b>3</b></l>";
  const struct {
    const char* name;
    std::string optional;
    float price;
    std::int32_t capacity;
  } cases[] = {
      // No reader defaults: absent members keep the preset 5.5 / 66.
      {"none", "", 5.5f, 66},
      {"reverse order", "<nCapacity>10</nCapacity><flPrice>1.25</flPrice>",
       1.25f, 10},
      {"price only", "<flPrice>2</flPrice>", 2.0f, 66},
      {"capacity only", "<nCapacity>11</nCapacity>", 5.5f, 11},
      {"unknown and other nodes skipped",
       "<nPrice>3</nPrice><!--x--><NCAPACITY>4</NCAPACITY>", 5.5f, 66},
      {"repeated: the later stands",
       "<nCapacity>1</nCapacity><nCapacity>2</nCapacity>", 5.5f, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    InkInfo read;
    read.flPrice = 5.5f;
    read.nCapacity = 66;
    DomDocument doc;
    InkInfoIO().ReadInkInfo(Parse(doc, InkXml(light, c.optional)), read);
    EXPECT_EQ(read.flPrice, c.price);
    EXPECT_EQ(read.nCapacity, c.capacity);
    EXPECT_EQ(read.nInkIndex, 4);
    EXPECT_EQ(read.strLongInkName[0], "Magenta");
    EXPECT_EQ(read.strShortInkName, "M");
    EXPECT_EQ(read.lightColor, (InkRGB{1, 2, 3}));
  }
}

TEST(InkInfoTest, MissingPrefixNodesRaiseEPointer) {
  {
    SCOPED_TRACE("two colour children");
    DomDocument doc;
    DomNode element = Parse(doc, InkXml("<l><r>1</r><g>2</g></l>", ""));
    InkInfo read;
    read.lightColor = {7, 7, 7};
    EXPECT_EQ(ComErrorOf([&] { InkInfoIO().ReadInkInfo(element, read); }),
              E_POINTER);
    EXPECT_EQ(read.lightColor, (InkRGB{1, 2, 7}));
    EXPECT_EQ(read.strShortInkName, "M");
  }
  {
    SCOPED_TRACE("four children");
    DomDocument doc;
    DomNode element = Parse(
        doc, "<InkInfo><a>4</a><b/><c>M</c><l><r/><g/><b/></l></InkInfo>");
    InkInfo read;
    EXPECT_EQ(ComErrorOf([&] { InkInfoIO().ReadInkInfo(element, read); }),
              E_POINTER);
  }
}

TEST(InkInfoTest, ReadFirstAndStandaloneFile) {
  tovra::testing::ScopedTempDir dir;
  const int count = platform::CoInitializeCount();
  InkInfoIO io;
  const std::string path = dir.File("ink.xml");
  ASSERT_TRUE(io.SaveInkInfoFile(path, SampleInk()));
  InkInfo read;
  ASSERT_TRUE(io.LoadInkInfoFile(path, read));
  EXPECT_EQ(read, SampleInk());
  EXPECT_EQ(platform::CoInitializeCount(), count);

  const std::string missing = dir.File("no-such-folder/ink.xml");
  EXPECT_THROW(io.SaveInkInfoFile(missing, SampleInk()), platform::_com_error);
  EXPECT_EQ(ComErrorOf([&] { io.LoadInkInfoFile(missing, read); }), E_POINTER);
  EXPECT_EQ(platform::CoInitializeCount(), count);

  {
    SeamReset guard;
    platform::SetDomServiceAvailableForTesting(false);
    EXPECT_FALSE(io.SaveInkInfoFile(dir.File("other.xml"), SampleInk()));
  }
  EXPECT_FALSE(tovra::testing::FileExists(dir.File("other.xml")));
  EXPECT_EQ(platform::CoInitializeCount(), count);

  DomDocument doc;
  DomNode root = Parse(
      doc, "<r><!--c--><inkinfo/>" + InkXml("<l/>", "") + "<InkInfo/></r>");
  // The first "InkInfo" child is read: its colour has no children.
  EXPECT_EQ(ComErrorOf([&] { io.ReadFirstInkInfo(root, read); }), E_POINTER);
  EXPECT_EQ(read.nInkIndex, 4);
  InkInfo untouched = SampleInk();
  io.ReadFirstInkInfo(Parse(doc, "<r><x><InkInfo/></x></r>"), untouched);
  EXPECT_EQ(untouched, SampleInk());
}

// ---------------------------------------------------------- InkConfigInfo

InkConfigInfo SampleConfig() {
  InkConfigInfo r;
  r.nInkConfigIndex = 3;
  r.strInkConfigName = Names("CMYK ");
  r.strFolderName = "cmyk";
  for (int i = 0; i < 24; ++i) r.nInkIndexList[i] = 40 - i;
  return r;
}

std::string ConfigXml(const std::string& list, const std::string& rest = "") {
  return "<InkConfigInfo><a>5</a><b><French>Quatre</French></b><c>four</c>" +
         list + rest + "</InkConfigInfo>";
}

TEST(InkConfigInfoTest, WriterOrderAndRoundTrip) {
  DomDocument doc;
  DomNode element = InkConfigInfoIO().WriteInkConfigInfo(doc, SampleConfig());
  std::string slots;
  for (int i = 0; i < 24; ++i) slots += i == 0 ? "nInkIndex" : " nInkIndex";
  EXPECT_EQ(Outline(element),
            std::string("InkConfigInfo(nInkConfigIndex strInkConfigName") +
                kLanguages + " strFolderName nInkIndexList(" + slots + "))");
  doc.AppendChild(element);
  DomDocument reloaded;
  InkConfigInfo read;
  InkConfigInfoIO().ReadInkConfigInfo(Parse(reloaded, doc.ToXml()), read);
  EXPECT_EQ(read, SampleConfig());
}

TEST(InkConfigInfoTest, ReadIsPositional) {
  const struct {
    const char* name;
    std::string xml;
    std::int32_t first;
    std::int32_t last;
  } cases[] = {
      {"numbered names", ConfigXml(Slots(10, 24, "value")), 10, 33},
      {"30 slots: the first 24", ConfigXml(Slots(10, 30)), 10, 33},
      {"a fifth child is ignored",
       ConfigXml(Slots(10, 24), "<nInkConfigIndex>9</nInkConfigIndex>"), 10,
       33},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DomDocument doc;
    InkConfigInfo read;
    InkConfigInfoIO().ReadInkConfigInfo(Parse(doc, c.xml), read);
    EXPECT_EQ(read.nInkConfigIndex, 5);
    EXPECT_EQ(read.strInkConfigName[1], "Quatre");
    EXPECT_EQ(read.strFolderName, "four");
    EXPECT_EQ(read.nInkIndexList[0], c.first);
    EXPECT_EQ(read.nInkIndexList[23], c.last);
  }
}

TEST(InkConfigInfoTest, MissingNodesRaiseEPointer) {
  DomDocument doc;
  InkConfigInfo read;
  read.nInkIndexList.fill(-1);
  DomNode element = Parse(doc, ConfigXml(Slots(10, 23)));
  EXPECT_EQ(
      ComErrorOf([&] { InkConfigInfoIO().ReadInkConfigInfo(element, read); }),
      E_POINTER);
  EXPECT_EQ(read.nInkIndexList[22], 32);
  EXPECT_EQ(read.nInkIndexList[23], -1);

  element = Parse(doc, ConfigXml(""));
  EXPECT_EQ(
      ComErrorOf([&] { InkConfigInfoIO().ReadInkConfigInfo(element, read); }),
      E_POINTER);
}

TEST(InkConfigInfoTest, ReadFirstSearchesTheWholeDocument) {
  InkConfigInfoIO io;
  DomDocument doc;
  Parse(doc, "<r><x><y>" + ConfigXml(Slots(1, 24)) + "</y></x>" +
                 ConfigXml(Slots(100, 24)) + "</r>");
  InkConfigInfo read;
  io.ReadFirstInkConfigInfo(&doc, read);
  EXPECT_EQ(read.nInkIndexList[0], 1);

  Parse(doc, "<r><inkconfiginfo/><!--InkConfigInfo--></r>");
  InkConfigInfo untouched = SampleConfig();
  try {
    io.ReadFirstInkConfigInfo(&doc, untouched);
    ADD_FAILURE() << "no error";
  } catch (int code) {
    EXPECT_EQ(code, 2);
  }
  EXPECT_EQ(untouched, SampleConfig());

  EXPECT_EQ(ComErrorOf([&] { io.ReadFirstInkConfigInfo(nullptr, read); }),
            E_POINTER);
}

int CodeOf(auto&& action) {
  try {
    action();
  } catch (int code) {
    return code;
  }
  return 0;
}

TEST(InkConfigInfoTest, CreateDocumentRaisesTheFailingStep) {
  DomDocumentPtr document =
      InkConfigInfoIO().CreateInkConfigInfoDocument(SampleConfig());
  ASSERT_TRUE(document);
  EXPECT_EQ(document->GetFirstChild().GetNodeName(), "xml");
  EXPECT_EQ(document->GetFirstChild().GetText(),
            "version='1.0' encoding='UTF-8'");
  EXPECT_TRUE(document->GetFirstChild().GetNextSibling().IsElementNamed(
      "InkConfigInfo"));

  using ink_config_internal::CreateCodedRecordDocument;
  EXPECT_EQ(CodeOf([] {
              CreateCodedRecordDocument([](DomDocument&) -> DomNode {
                throw platform::_com_error(platform::XML_E_INVALIDNAME);
              });
            }),
            3);
  // A root that cannot be appended (no node at all).
  EXPECT_EQ(CodeOf([] {
              CreateCodedRecordDocument([](DomDocument&) { return DomNode(); });
            }),
            2);
}

TEST(InkConfigInfoTest, SaveIsCatchAll) {
  SeamReset guard;
  tovra::testing::ScopedTempDir dir;
  const int count = platform::CoInitializeCount();
  InkConfigInfoIO io;
  const std::string path = dir.File("config.xml");
  EXPECT_TRUE(io.SaveInkConfigInfoFile(path.c_str(), SampleConfig()));
  EXPECT_EQ(platform::CoInitializeCount(), count);

  // A refused save gives false, without an error.
  const std::string missing = dir.File("no-such-folder/config.xml");
  EXPECT_FALSE(io.SaveInkConfigInfoFile(missing.c_str(), SampleConfig()));
  EXPECT_FALSE(io.SaveInkConfigInfoFile(nullptr, SampleConfig()));
  EXPECT_EQ(platform::CoInitializeCount(), count);

  platform::SetCoInitializeFailureForTesting(platform::E_FAIL);
  EXPECT_FALSE(
      io.SaveInkConfigInfoFile(dir.File("b.xml").c_str(), SampleConfig()));
  platform::SetCoInitializeFailureForTesting(platform::S_OK);
  EXPECT_FALSE(tovra::testing::FileExists(dir.File("b.xml")));

  // The DOM service is not asked about beforehand.
  platform::SetDomServiceAvailableForTesting(false);
  EXPECT_TRUE(
      io.SaveInkConfigInfoFile(dir.File("c.xml").c_str(), SampleConfig()));
  EXPECT_EQ(platform::CoInitializeCount(), count);
}

TEST(InkConfigInfoTest, LoadOutcomes) {
  tovra::testing::ScopedTempDir dir;
  const int count = platform::CoInitializeCount();
  InkConfigInfoIO io;
  const std::string path = dir.File("config.xml");
  ASSERT_TRUE(io.SaveInkConfigInfoFile(path.c_str(), SampleConfig()));
  InkConfigInfo read;
  ASSERT_TRUE(io.LoadInkConfigInfoFile(path.c_str(), read));
  EXPECT_EQ(read, SampleConfig());

  const std::string missing = dir.File("missing.xml");
  EXPECT_EQ(
      ComErrorOf([&] { io.LoadInkConfigInfoFile(missing.c_str(), read); }),
      E_POINTER);
  const std::string other = dir.File("other.xml");
  tovra::testing::WriteFileBytes(other, "<InkInfo/>");
  EXPECT_EQ(CodeOf([&] { io.LoadInkConfigInfoFile(other.c_str(), read); }), 2);
  EXPECT_FALSE(io.LoadInkConfigInfoFile(nullptr, read));
  EXPECT_EQ(read, SampleConfig());
  EXPECT_EQ(platform::CoInitializeCount(), count);
}

// -------------------------------------------------------- InkVolumeInfo

TEST(InkVolumeInfoTest, ListGoldenText) {
  const std::vector<InkVolumeInfo> list = {{2, {"4.0", "7.5", "12"}}, {3, {}}};
  DomDocument doc;
  doc.AppendChild(WriteInkVolumeInfoList(doc, list));
  EXPECT_EQ(doc.ToXml(), R"(<?xml version="1.0" encoding="UTF-8"?>
<aInkVolumeInfoList>
  <InkVolumeInfo>
    <nInkVolumeIndex>2</nInkVolumeIndex>
    <astrInkVolumeList>
      <strInkVolume_pl>4.0</strInkVolume_pl>
      <strInkVolume_pl>7.5</strInkVolume_pl>
      <strInkVolume_pl>12</strInkVolume_pl>
    </astrInkVolumeList>
  </InkVolumeInfo>
  <InkVolumeInfo>
    <nInkVolumeIndex>3</nInkVolumeIndex>
    <astrInkVolumeList/>
  </InkVolumeInfo>
</aInkVolumeInfoList>
)");

  DomDocument reloaded;
  std::vector<InkVolumeInfo> read;
  ReadInkVolumeInfoList(Parse(reloaded, doc.ToXml()), read);
  EXPECT_EQ(read, list);
}

TEST(InkVolumeInfoTest, ChildrenAreRecognisedByName) {
  const struct {
    const char* name;
    const char* xml;
    InkVolumeInfo expected;
  } cases[] = {
      {"no children: index kept, list emptied", "<InkVolumeInfo/>", {9, {}}},
      {"foreign children between the texts",
       "<InkVolumeInfo><astrInkVolumeList><strInkVolume_pl>1</strInkVolume_pl>"
       "<other>x</other><!--y--><strInkVolume_PL>z</strInkVolume_PL>"
       "<strInkVolume_pl>2</strInkVolume_pl></astrInkVolumeList>"
       "<nInkVolumeIndex>4</nInkVolumeIndex></InkVolumeInfo>",
       {4, {"1", "2"}}},
      {"two lists append to one",
       "<InkVolumeInfo><astrInkVolumeList><strInkVolume_pl>1</strInkVolume_pl>"
       "</astrInkVolumeList><nInkVolumeIndex>4</nInkVolumeIndex>"
       "<nInkVolumeIndex>5</nInkVolumeIndex><astrInkVolumeList>"
       "<strInkVolume_pl></strInkVolume_pl></astrInkVolumeList>"
       "</InkVolumeInfo>",
       {5, {"1", ""}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    InkVolumeInfo read{9, {"old"}};
    DomDocument doc;
    ReadInkVolumeInfo(Parse(doc, c.xml), read);
    EXPECT_EQ(read, c.expected);
  }
}

TEST(InkVolumeInfoTest, ListReadingAppends) {
  const std::vector<InkVolumeInfo> existing = {{1, {"a"}}};
  std::vector<InkVolumeInfo> list = existing;
  DomDocument doc;
  ReadInkVolumeInfoList(
      Parse(doc,
            "<aInkVolumeInfoList><!--c--><Other/><inkvolumeinfo/>"
            "</aInkVolumeInfoList>"),
      list);
  EXPECT_EQ(list, existing);

  ReadInkVolumeInfoList(
      Parse(doc,
            "<aInkVolumeInfoList><InkVolumeInfo><nInkVolumeIndex>6"
            "</nInkVolumeIndex></InkVolumeInfo><x/><InkVolumeInfo>"
            "<astrInkVolumeList><strInkVolume_pl>3</strInkVolume_pl>"
            "</astrInkVolumeList></InkVolumeInfo></aInkVolumeInfoList>"),
      list);
  // Each record starts new: index 0, empty list.
  EXPECT_EQ(list,
            (std::vector<InkVolumeInfo>{{1, {"a"}}, {6, {}}, {0, {"3"}}}));
}

}  // namespace
