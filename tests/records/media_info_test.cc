// The media record: writer order, the 17-child prefix, reader defaults, the
// integer fields written with decimals, appended lists and the standalone
// media file.
#include "devseries/records/media/media_info.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "devseries/platform/com.h"
#include "devseries/platform/com_codes.h"
#include "devseries/platform/dom_testing.h"
#include "tests/support/temp_dir.h"
#include "tests/support/xml_test_support.h"

using namespace devseries;

namespace {

using xml_test::Child;
using xml_test::ChildNames;
using xml_test::ComErrorOf;
using xml_test::Parse;
using xml_test::Rounded;

// The 17 prefix children of a media element, one string each.
std::vector<std::string> Prefix() {
  return {
      "<strMediaName><English>Paper</English></strMediaName>",
      "<strBaseMediaName/>",
      "<aPermissionSetList/>",
      "<aQualityInfoList/>",
      "<nDefaultLevel>2</nDefaultLevel>",
      "<nDryTime>5</nDryTime>",
      "<nVacuumPower>3</nVacuumPower>",
      "<eHeadHeight>1</eHeadHeight>",
      "<aflFeedCalibration><value>0.15</value></aflFeedCalibration>",
      "<nPreHeater>30</nPreHeater>",
      "<nPrintHeater>35</nPrintHeater>",
      "<nDryHeater>40</nDryHeater>",
      "<nCutCount>1</nCutCount>",
      "<nCutVelocity>20</nCutVelocity>",
      "<nCutForce>90</nCutForce>",
      "<flCutOffset>0.25</flCutOffset>",
      "<TimeStamp><year>2017</year><month>3</month><day>4</day><hour>5</hour>"
      "<minute>6</minute><second>7</second><ms>999</ms></TimeStamp>",
  };
}

std::string MediaXml(const std::vector<std::string>& prefix,
                     const std::string& optional = "") {
  std::string xml = "<MediaInfo>";
  for (const std::string& child : prefix) xml += child;
  return xml + optional + "</MediaInfo>";
}

MediaInfo ReadMedia(const std::string& xml, MediaInfo record = MediaInfo()) {
  DomDocument doc;
  MediaInfoIO().ReadMediaInfo(Parse(doc, xml), record);
  return record;
}

PermissionSet Permission(int index) {
  PermissionSet p;
  p.nPermissionIndex = index;
  p.anInkConfigIndexList = {index, index + 1};
  p.eDirection = 0x10001;
  p.eScreen = kCustomScreen;
  p.screenOption = {true, 60, 2, {15.0f, 45.0f}};
  p.strPrinterProfile = "profile " + std::to_string(index);
  p.bRecommended = true;
  return p;
}

QualityInfo Quality(int level) {
  QualityInfo q;
  q.nQualityLevel = level;
  q.strQualityName = xml_test::Texts("Level " + std::to_string(level));
  q.anPermissionIndexList = {level, 10 + level};
  q.bVisibleQuality = level % 2 == 0;
  return q;
}

// Every member away from its construction value.
MediaInfo SampleMedia() {
  MediaInfo m;
  m.strMediaName = xml_test::Texts("Vinyl <gloss> & \"matte\"");
  m.strBaseMediaName = xml_test::Texts("Vinyl");
  m.aPermissionSetList = {Permission(1), Permission(2)};
  m.aQualityInfoList = {Quality(1), Quality(2), Quality(3)};
  m.nDefaultLevel = 2;
  m.nDryTime = 45;
  m.nVacuumPower = -2;
  m.eHeadHeight = 3;
  m.aflFeedCalibration = {0.1234f, -0.5f, 1.0006f};
  m.nPreHeater = 35;
  m.nPrintHeater = 40;
  m.nDryHeater = 50;
  m.nCutCount = 2;
  m.nCutVelocity = 30;
  m.nCutForce = 120;
  m.flCutOffset = 0.2505f;
  m.TimeStamp = {2017, 12, 31, 23, 59, 58, 999};
  m.bVisibleMedia = false;
  m.bCuttingMedia = false;
  m.bUpdateNeeded = true;
  m.nInputRoute = 2;
  m.bPreHeaterEnable = false;
  m.bPrinterHeaterEnable = false;
  m.bDrierEnable = false;
  m.nMediaAttribute = 6;
  m.bHideUnrecommendedMode = 0;
  m.flNormalCutForceRange = 0.7777f;
  m.flDeepCutForceRange = 60.5f;
  m.nDeepCutForce = 12;
  m.nHalfCutForce = -30;
  m.nOverPrintCount = 3;
  m.bUseDensityCalibration = true;
  return m;
}

// The sample as it reads back: floats with 3 decimals.
MediaInfo Reread(MediaInfo m) {
  for (float& f : m.aflFeedCalibration) f = Rounded(f);
  m.flCutOffset = Rounded(m.flCutOffset);
  m.flNormalCutForceRange = Rounded(m.flNormalCutForceRange);
  m.flDeepCutForceRange = Rounded(m.flDeepCutForceRange);
  return m;
}

TEST(MediaInfoTest, WrittenElementOrder) {
  MediaInfoIO io;
  DomDocument doc;
  DomNode element = doc.AppendChild(io.WriteMediaInfo(doc, SampleMedia()));
  EXPECT_EQ(ChildNames(element),
            "strMediaName,strBaseMediaName,aPermissionSetList,"
            "aQualityInfoList,nDefaultLevel,nDryTime,nVacuumPower,eHeadHeight,"
            "aflFeedCalibration,nPreHeater,nPrintHeater,nDryHeater,nCutCount,"
            "nCutVelocity,nCutForce,flCutOffset,TimeStamp,bVisibleMedia,"
            "bCuttingMedia,bUpdateNeeded,nInputRoute,bPreHeaterEnable,"
            "bPrinterHeaterEnable,bDrierEnable,nMediaAttribute,"
            "bHideUnrecommendedMode,flNormalCutForceRange,flDeepCutForceRange,"
            "nDeepCutForce,nHalfCutForce,nOverPrintCount,"
            "bUseDensityCalibration");
  EXPECT_EQ(ChildNames(Child(element, "aPermissionSetList")),
            "PermissionSet,PermissionSet");
  EXPECT_EQ(ChildNames(Child(element, "aQualityInfoList")),
            "QualityInfo,QualityInfo,QualityInfo");
  EXPECT_EQ(ChildNames(Child(element, "TimeStamp")),
            "year,month,day,hour,minute,second,ms");

  struct Field {
    const char* name;
    const char* text;
  };
  const Field fields[] = {
      {"nVacuumPower", "-2"},
      {"aflFeedCalibration", "0.123-0.5001.001"},
      {"flCutOffset", "0.250"},
      {"bHideUnrecommendedMode", "false"},
      {"nDeepCutForce", "12.000"},
      {"nHalfCutForce", "-30.000"},
      {"flDeepCutForceRange", "60.500"},
      {"nOverPrintCount", "3"},
  };
  for (const Field& f : fields) {
    EXPECT_EQ(Child(element, f.name).GetText(), f.text) << f.name;
  }
  EXPECT_EQ(ChildNames(Child(element, "aflFeedCalibration")),
            "value,value,value");
}

TEST(MediaInfoTest, ConstructionValuesAreWrittenAsTheFormatExpects) {
  MediaInfo m;
  m.strMediaName[0] = "M";
  DomDocument doc;
  DomNode element = doc.AppendChild(MediaInfoIO().WriteMediaInfo(doc, m));
  const std::string xml = xml_test::Compact(doc);
  EXPECT_NE(xml.find("<aPermissionSetList/><aQualityInfoList/>"),
            std::string::npos);
  EXPECT_NE(xml.find("<aflFeedCalibration/>"), std::string::npos);
  EXPECT_NE(
      xml.find("<bVisibleMedia>true</bVisibleMedia><bCuttingMedia>true"
               "</bCuttingMedia><bUpdateNeeded>false</bUpdateNeeded>"
               "<nInputRoute>0</nInputRoute><bPreHeaterEnable>true"
               "</bPreHeaterEnable><bPrinterHeaterEnable>true"
               "</bPrinterHeaterEnable><bDrierEnable>true</bDrierEnable>"
               "<nMediaAttribute>0</nMediaAttribute><bHideUnrecommendedMode>"
               "true</bHideUnrecommendedMode><flNormalCutForceRange>0.500"
               "</flNormalCutForceRange><flDeepCutForceRange>50.000"
               "</flDeepCutForceRange><nDeepCutForce>170.000</nDeepCutForce>"
               "<nHalfCutForce>0.000</nHalfCutForce><nOverPrintCount>1"
               "</nOverPrintCount><bUseDensityCalibration>false"
               "</bUseDensityCalibration></MediaInfo>"),
      std::string::npos);
  // Read back, with nDryHeater 0 turning the drier off.
  MediaInfo read;
  MediaInfoIO().ReadMediaInfo(element, read);
  MediaInfo expected = m;
  for (std::string& name : expected.strMediaName) name = "M";
  EXPECT_EQ(read, expected);
}

TEST(MediaInfoTest, RecordReadsBackThroughAStandaloneFile) {
  xml_test::ComCountGuard balanced;
  tovra::testing::ScopedTempDir dir;
  const std::string path = dir.File("media.xml");
  MediaInfoIO io;
  ASSERT_TRUE(io.SaveMediaInfoFile(path, SampleMedia()));
  EXPECT_EQ(tovra::testing::ReadFileBytes(path).rfind(
                "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<MediaInfo>", 0),
            0u);
  MediaInfo read;
  ASSERT_TRUE(io.LoadMediaInfoFile(path, read));
  EXPECT_EQ(read, Reread(SampleMedia()));
}

TEST(MediaInfoTest, ReaderDefaultsAndOptionalChildren) {
  struct Case {
    const char* what;
    const char* dryHeater;
    std::string optional;
    bool drier;
  };
  const Case cases[] = {
      {"heater set, no child", "40", "", true},
      {"heater 0, no child", "0", "", false},
      {"heater 0, child true", "0", "<bDrierEnable>true</bDrierEnable>", true},
      {"heater set, child false", "40", "<bDrierEnable>false</bDrierEnable>",
       false},
      {"heater text without digits", "off", "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> prefix = Prefix();
    prefix[11] = std::string("<nDryHeater>") + c.dryHeater + "</nDryHeater>";
    MediaInfo m = ReadMedia(MediaXml(prefix, c.optional));
    EXPECT_EQ(m.bDrierEnable, c.drier);
    // Everything else optional keeps its construction value.
    MediaInfo constructed;
    EXPECT_EQ(m.bVisibleMedia, constructed.bVisibleMedia);
    EXPECT_EQ(m.bHideUnrecommendedMode, 1);
    EXPECT_EQ(m.flDeepCutForceRange, 50.0f);
    EXPECT_EQ(m.nDeepCutForce, 170);
    EXPECT_EQ(m.nOverPrintCount, 1);
  }
}

TEST(MediaInfoTest, PrefixValues) {
  struct Case {
    size_t index;
    std::string child;
    std::int32_t MediaInfo::*member;
    std::int32_t expected;
  };
  const Case cases[] = {
      {6, "<nVacuumPower>-1</nVacuumPower>", &MediaInfo::nVacuumPower, 0},
      {6, "<nVacuumPower>-2</nVacuumPower>", &MediaInfo::nVacuumPower, -2},
      {6, "<nVacuumPower> -1.9</nVacuumPower>", &MediaInfo::nVacuumPower, 0},
      {6, "<nVacuumPower>0</nVacuumPower>", &MediaInfo::nVacuumPower, 0},
      // An optional name among the first 17 is read by position.
      {4, "<nDeepCutForce>8</nDeepCutForce>", &MediaInfo::nDefaultLevel, 8},
      {14, "<x>12abc</x>", &MediaInfo::nCutForce, 12},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.child);
    std::vector<std::string> prefix = Prefix();
    prefix[c.index] = c.child;
    MediaInfo m = ReadMedia(MediaXml(prefix));
    EXPECT_EQ(m.*c.member, c.expected);
    EXPECT_EQ(m.nDeepCutForce, 170);
  }
}

TEST(MediaInfoTest, OptionalValueEncodings) {
  struct Case {
    std::string optional;
    std::int32_t hide;
    std::int32_t deep;
    std::int32_t half;
  };
  const Case cases[] = {
      {"<nDeepCutForce>170.000</nDeepCutForce>", 1, 170, 0},
      {"<nDeepCutForce>12.9</nDeepCutForce><nHalfCutForce>-7.5</nHalfCutForce>",
       1, 12, -7},
      {"<bHideUnrecommendedMode>false</bHideUnrecommendedMode>", 0, 170, 0},
      {"<bHideUnrecommendedMode>1</bHideUnrecommendedMode>", 0, 170, 0},
      {"<bHideUnrecommendedMode>true</bHideUnrecommendedMode>", 1, 170, 0},
      // A repeated name is read again; the later one stands.
      {"<nHalfCutForce>1</nHalfCutForce><nHalfCutForce>2</nHalfCutForce>", 1,
       170, 2},
      // Names are exact and case-sensitive.
      {"<NDeepCutForce>5</NDeepCutForce><!-- c --><x/>", 1, 170, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.optional);
    MediaInfo m = ReadMedia(MediaXml(Prefix(), c.optional));
    EXPECT_EQ(m.bHideUnrecommendedMode, c.hide);
    EXPECT_EQ(m.nDeepCutForce, c.deep);
    EXPECT_EQ(m.nHalfCutForce, c.half);
  }

  // Any value other than 1 is written "false" and reads back as 0.
  MediaInfo m;
  m.strMediaName[0] = "M";
  m.bHideUnrecommendedMode = 2;
  DomDocument doc;
  DomNode element = doc.AppendChild(MediaInfoIO().WriteMediaInfo(doc, m));
  EXPECT_EQ(Child(element, "bHideUnrecommendedMode").GetText(), "false");
  MediaInfo read;
  MediaInfoIO().ReadMediaInfo(element, read);
  EXPECT_EQ(read.bHideUnrecommendedMode, 0);
}

TEST(MediaInfoTest, OptionalChildrenInReverseOrderReadTheSame) {
  MediaInfoIO io;
  DomDocument doc;
  DomNode element = doc.AppendChild(io.WriteMediaInfo(doc, SampleMedia()));
  // Move the optional children (after the 17th) into reverse order.
  DomNode last = element.GetFirstChild();
  for (int i = 1; i < 17; ++i) last = last.GetNextSibling();
  std::vector<DomNode> optional;
  for (DomNode n = last.GetNextSibling(); n; n = n.GetNextSibling()) {
    optional.push_back(n);
  }
  for (auto it = optional.rbegin(); it != optional.rend(); ++it) {
    element.AppendChild(*it);
  }
  ASSERT_EQ(ChildNames(element).substr(ChildNames(element).find(",TimeStamp")),
            ",TimeStamp,bUseDensityCalibration,nOverPrintCount,nHalfCutForce,"
            "nDeepCutForce,flDeepCutForceRange,flNormalCutForceRange,"
            "bHideUnrecommendedMode,nMediaAttribute,bDrierEnable,"
            "bPrinterHeaterEnable,bPreHeaterEnable,nInputRoute,bUpdateNeeded,"
            "bCuttingMedia,bVisibleMedia");
  MediaInfo read;
  io.ReadMediaInfo(element, read);
  EXPECT_EQ(read, Reread(SampleMedia()));
}

TEST(MediaInfoTest, ListsAreAppendedTo) {
  MediaInfoIO io;
  DomDocument doc;
  DomNode element = doc.AppendChild(io.WriteMediaInfo(doc, SampleMedia()));
  MediaInfo read;
  read.aPermissionSetList = {Permission(9)};
  read.aQualityInfoList = {Quality(9)};
  read.aflFeedCalibration = {9.0f};
  io.ReadMediaInfo(element, read);
  const MediaInfo sample = Reread(SampleMedia());
  ASSERT_EQ(read.aPermissionSetList.size(), 3u);
  EXPECT_EQ(read.aPermissionSetList[0], Permission(9));
  EXPECT_EQ(read.aPermissionSetList[2], sample.aPermissionSetList[1]);
  ASSERT_EQ(read.aQualityInfoList.size(), 4u);
  EXPECT_EQ(read.aQualityInfoList[0], Quality(9));
  EXPECT_EQ(read.aQualityInfoList[3], sample.aQualityInfoList[2]);
  EXPECT_EQ(read.aflFeedCalibration,
            (std::vector<float>{9.0f, sample.aflFeedCalibration[0],
                                sample.aflFeedCalibration[1],
                                sample.aflFeedCalibration[2]}));
}

TEST(MediaInfoTest, PrefixFailures) {
  // 16 children: every prefix member up to flCutOffset is stored, then the
  // missing time stamp fails.
  {
    std::vector<std::string> prefix = Prefix();
    prefix.pop_back();
    DomDocument doc;
    DomNode element = Parse(doc, MediaXml(prefix));
    MediaInfo m;
    EXPECT_EQ(ComErrorOf([&] { MediaInfoIO().ReadMediaInfo(element, m); }),
              platform::E_POINTER);
    EXPECT_EQ(m.strMediaName[0], "Paper");
    EXPECT_EQ(m.nCutForce, 90);
    EXPECT_EQ(m.flCutOffset, 0.25f);
    EXPECT_EQ(m.aflFeedCalibration, std::vector<float>{0.15f});
    EXPECT_EQ(m.TimeStamp, TimeStamp());
    // The reader default comes after the prefix, so it was not applied.
    EXPECT_TRUE(m.bDrierEnable);
  }
  // A comment in the permission set list is read as a permission set
  // without children, which fails; one in the feed calibration reads 0.0.
  struct Case {
    const char* what;
    size_t index;
    std::string child;
    HRESULT error;
    size_t permissions;
    std::vector<float> feed;
  };
  const std::string goodPermission =
      "<PermissionSet><a>1</a><b/><c>2</c><d>3</d></PermissionSet>";
  const Case cases[] = {
      {"comment among permission sets",
       2,
       "<aPermissionSetList>" + goodPermission +
           "<!-- c --></aPermissionSetList>",
       platform::E_POINTER,
       1,
       {}},
      {"comment in the feed calibration",
       8,
       "<aflFeedCalibration><value>0.5</value><!-- c --><v>x</v><w>2"
       "</w></aflFeedCalibration>",
       0,
       0,
       {0.5f, 0.0f, 0.0f, 2.0f}},
      {"quality level with two children",
       3,
       "<aQualityInfoList><QualityInfo><a>1</a><b/></QualityInfo>"
       "</aQualityInfoList>",
       platform::E_POINTER,
       0,
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> prefix = Prefix();
    prefix[c.index] = c.child;
    DomDocument doc;
    DomNode element = Parse(doc, MediaXml(prefix));
    MediaInfo m;
    EXPECT_EQ(ComErrorOf([&] { MediaInfoIO().ReadMediaInfo(element, m); }),
              c.error);
    EXPECT_EQ(m.aPermissionSetList.size(), c.permissions);
    EXPECT_TRUE(m.aQualityInfoList.empty());
    EXPECT_EQ(m.aflFeedCalibration, c.feed);
  }
}

TEST(MediaInfoTest, ReadFirstTakesTheFirstChildElementOfThatName) {
  MediaInfoIO io;
  DomDocument doc;
  DomNode root = Parse(
      doc, "<Root><!-- MediaInfo --><a>" + MediaXml(Prefix()) +
               "</a><MediaInfo/>" +
               MediaXml(Prefix(), "<nInputRoute>4</nInputRoute>") + "</Root>");
  // The first "MediaInfo" child is empty: it fails in the prefix.
  MediaInfo m;
  EXPECT_EQ(ComErrorOf([&] { io.ReadFirstMediaInfo(root, m); }),
            platform::E_POINTER);
  EXPECT_EQ(m.nInputRoute, 0);

  MediaInfo untouched = SampleMedia();
  // Only deeper down or by another case: nothing is read.
  DomDocument other;
  DomNode deep = Parse(other, "<Root><!--MediaInfo--><a>" + MediaXml(Prefix()) +
                                  "</a><mediaInfo/></Root>");
  io.ReadFirstMediaInfo(deep, untouched);
  EXPECT_EQ(untouched, SampleMedia());
}

TEST(MediaInfoTest, StandaloneFileFailures) {
  xml_test::ComCountGuard balanced;
  xml_test::SeamReset reset;
  tovra::testing::ScopedTempDir dir;
  MediaInfoIO io;
  const MediaInfo record = SampleMedia();

  platform::SetCoInitializeFailureForTesting(platform::E_OUTOFMEMORY);
  EXPECT_FALSE(io.SaveMediaInfoFile(dir.File("m.xml"), record));
  platform::SetCoInitializeFailureForTesting(platform::S_OK);
  platform::SetDomServiceAvailableForTesting(false);
  EXPECT_FALSE(io.SaveMediaInfoFile(dir.File("m.xml"), record));
  platform::SetDomServiceAvailableForTesting(true);
  EXPECT_FALSE(tovra::testing::FileExists(dir.File("m.xml")));

  // A save into a missing folder is refused by the DOM and raises.
  EXPECT_EQ(ComErrorOf([&] {
              io.SaveMediaInfoFile(dir.File("missing/m.xml"), record);
            }),
            platform::XML_E_FILEIO);
  EXPECT_FALSE(tovra::testing::FileExists(dir.File("missing")));

  MediaInfo read = record;
  EXPECT_EQ(ComErrorOf([&] { io.LoadMediaInfoFile(dir.File("no.xml"), read); }),
            platform::E_POINTER);
  tovra::testing::WriteFileBytes(dir.File("other.xml"),
                                 "<?xml version=\"1.0\"?><Root><MediaInfo/>"
                                 "</Root>");
  EXPECT_TRUE(io.LoadMediaInfoFile(dir.File("other.xml"), read));
  EXPECT_EQ(read, record);
}

}  // namespace
