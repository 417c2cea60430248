// Permission sets and quality levels of a medium: writer order with its
// conditional children, positional prefixes, reader defaults, direction
// normalisation and the lists.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "devseries/platform/com_codes.h"
#include "devseries/records/media/media_info.h"
#include "devseries/records/media/permission_set.h"
#include "devseries/records/media/quality_info.h"
#include "tests/support/temp_dir.h"
#include "tests/support/xml_test_support.h"

using namespace devseries;

namespace {

using xml_test::Child;
using xml_test::ChildNames;
using xml_test::ComErrorOf;
using xml_test::Parse;
using xml_test::WrittenXml;
using Ints = std::vector<std::int32_t>;

// A permission set element: the four prefix children, then `optional`.
std::string PermissionXml(const std::string& optional) {
  return "<PermissionSet><nPermissionIndex>3</nPermissionIndex>"
         "<anInkConfigIndexList><anInkConfigIndex>1</anInkConfigIndex>"
         "</anInkConfigIndexList><nResolutionIndex>2</nResolutionIndex>"
         "<nModeIndex>4</nModeIndex>" +
         optional + "</PermissionSet>";
}

PermissionSet ReadPermission(const std::string& xml,
                             PermissionSet preset = PermissionSet()) {
  DomDocument doc;
  ReadPermissionSet(Parse(doc, xml), preset);
  return preset;
}

CalibrationInfo Calibration(int limit) {
  CalibrationInfo info;
  info.nOutputLimit = limit;
  for (size_t i = 0; i < kCalibrationStepCount; ++i) {
    info.density[i] = 0.125f * static_cast<float>(i);
    info.lab[i] = {static_cast<float>(i), -0.5f, 0.25f};
  }
  return info;
}

PermissionSet SamplePermission() {
  PermissionSet p;
  p.nPermissionIndex = 11;
  p.anInkConfigIndexList = {2, 0, -5};
  p.nResolutionIndex = 3;
  p.nModeIndex = 4;
  p.nPassmaskIndex = 5;
  p.eDirection = 0x20003;
  p.eScreen = kCustomScreen;
  p.anVControlIndexList = {7, 8};
  p.anFMPatternIndexList = {9};
  p.nSeparationIndex = 6;
  p.aCalibrationInfoList = {Calibration(90), Calibration(85)};
  p.nInkLimit = 280;
  p.strPrinterProfile = "Glossy <1440> & more.icc";
  p.nScanSpeed = 12;
  p.nFeedSpeed = 13;
  p.bVisiblePermission = false;
  p.screenOption = {true, 120, 2, {15.0f, 75.0f, 0.0f, 45.0f}};
  p.bRecommended = true;
  p.nRealPassCount = 16;
  p.strNextPermissionIndex = "12";
  return p;
}

TEST(PermissionSetTest, WrittenElement) {
  PermissionSet p;
  p.nPermissionIndex = 1;
  p.anInkConfigIndexList = {4, 5};
  p.eScreen = kCustomScreen;
  p.anFMPatternIndexList = {6};
  // A constructed set is visible but not recommended, so "bRecommended" is
  // written.
  EXPECT_EQ(
      WrittenXml([&](DomDocument& d) { return WritePermissionSet(d, p); }),
      "<PermissionSet><nPermissionIndex>1</nPermissionIndex>"
      "<anInkConfigIndexList><anInkConfigIndex>4</anInkConfigIndex>"
      "<anInkConfigIndex>5</anInkConfigIndex></anInkConfigIndexList>"
      "<nResolutionIndex>0</nResolutionIndex><nModeIndex>0</nModeIndex>"
      "<nPassmaskIndex>0</nPassmaskIndex><eDirection>0</eDirection>"
      "<eScreen>8</eScreen><screenOption><bUseCustomSetting>false"
      "</bUseCustomSetting><nLineCount>30</nLineCount><eDotShape>1"
      "</eDotShape><flDegrees/></screenOption><anVControlIndexList/>"
      "<anFMPatternIndexList><anFMPatternIndex>6</anFMPatternIndex>"
      "</anFMPatternIndexList><nSeparationIndex>0</nSeparationIndex>"
      "<aCalibrationInfoList/><nInkLimit>0</nInkLimit>"
      "<strPrinterProfile/><nScanSpeed>0</nScanSpeed>"
      "<nFeedSpeed>0</nFeedSpeed><bVisiblePermission>true"
      "</bVisiblePermission><bRecommended>false</bRecommended>"
      "<nRealPassCount>0</nRealPassCount>"
      "<strNextPermissionIndex/></PermissionSet>");
}

TEST(PermissionSetTest, ConditionalChildren) {
  struct Case {
    std::int32_t eScreen;
    bool visible;
    bool recommended;
    const char* names;
  };
  const Case cases[] = {
      {8, true, true,
       "nPermissionIndex,anInkConfigIndexList,nResolutionIndex,nModeIndex,"
       "nPassmaskIndex,eDirection,eScreen,screenOption,anVControlIndexList,"
       "anFMPatternIndexList,nSeparationIndex,aCalibrationInfoList,nInkLimit,"
       "strPrinterProfile,nScanSpeed,nFeedSpeed,bVisiblePermission,"
       "nRealPassCount,strNextPermissionIndex"},
      {1, true, false,
       "nPermissionIndex,anInkConfigIndexList,nResolutionIndex,nModeIndex,"
       "nPassmaskIndex,eDirection,eScreen,anVControlIndexList,"
       "anFMPatternIndexList,nSeparationIndex,aCalibrationInfoList,nInkLimit,"
       "strPrinterProfile,nScanSpeed,nFeedSpeed,bVisiblePermission,"
       "bRecommended,nRealPassCount,strNextPermissionIndex"},
      {7, false, true,
       "nPermissionIndex,anInkConfigIndexList,nResolutionIndex,nModeIndex,"
       "nPassmaskIndex,eDirection,eScreen,anVControlIndexList,"
       "anFMPatternIndexList,nSeparationIndex,aCalibrationInfoList,nInkLimit,"
       "strPrinterProfile,nScanSpeed,nFeedSpeed,bVisiblePermission,"
       "bRecommended,nRealPassCount,strNextPermissionIndex"},
      {0, false, false,
       "nPermissionIndex,anInkConfigIndexList,nResolutionIndex,nModeIndex,"
       "nPassmaskIndex,eDirection,eScreen,anVControlIndexList,"
       "anFMPatternIndexList,nSeparationIndex,aCalibrationInfoList,nInkLimit,"
       "strPrinterProfile,nScanSpeed,nFeedSpeed,bVisiblePermission,"
       "nRealPassCount,strNextPermissionIndex"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.eScreen << c.visible << c.recommended);
    PermissionSet p;
    p.eScreen = c.eScreen;
    p.bVisiblePermission = c.visible;
    p.bRecommended = c.recommended;
    p.screenOption.nLineCount = 99;
    DomDocument doc;
    DomNode element = doc.AppendChild(WritePermissionSet(doc, p));
    EXPECT_EQ(ChildNames(element), c.names);

    // Read back: the flags come back, and without a "screenOption" child
    // the construction screening settings stand.
    PermissionSet read;
    ReadPermissionSet(element, read);
    EXPECT_EQ(read.eScreen, c.eScreen);
    EXPECT_EQ(read.bVisiblePermission, c.visible);
    EXPECT_EQ(read.bRecommended, c.recommended);
    EXPECT_EQ(read.screenOption.nLineCount, c.eScreen == 8 ? 99 : 30);
    EXPECT_EQ(read.screenOption.eDotShape, 1);
  }
}

TEST(PermissionSetTest, RecordReadsBackThroughAFile) {
  tovra::testing::ScopedTempDir dir;
  const std::string path = dir.File("permission.xml");
  const PermissionSet written = SamplePermission();
  {
    DomDocument doc;
    doc.AppendChild(doc.CreateProcessingInstruction(
        "xml", "version='1.0' encoding='UTF-8'"));
    doc.AppendChild(MediaInfoIO().WritePermissionSet(doc, written));
    doc.Save(path);
  }
  DomDocument doc;
  ASSERT_TRUE(doc.Load(path));
  PermissionSet read;
  MediaInfoIO().ReadPermissionSet(
      doc.GetElementsByTagName("PermissionSet").at(0), read);
  EXPECT_EQ(read, written);
}

TEST(PermissionSetTest, DirectionGetsAPreferredDirection) {
  struct Case {
    const char* text;
    std::int32_t expected;
  };
  const Case cases[] = {
      {"3", 131075},       // flags 1 and 2: preferred 2
      {"1", 65537},        // flag 1: preferred 1
      {"2", 131074},       // flag 2: preferred 2
      {"131073", 131073},  // preferred 2 already
      {"65538", 65538},    // preferred 1 already, whatever the flags
      {"0", 0},            // no flag: unchanged
      {"196611", 131075},  // preferred 3 is no direction: replaced
      {"262144", 262144},  // preferred 4, no flag: unchanged
      {"-1", 0x2FFFF},     // preferred 0xFFFF, flag 2 set
      {"x", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ReadPermission(PermissionXml(std::string("<eDirection>") +
                                           c.text + "</eDirection>"))
                  .eDirection,
              c.expected);
  }
  EXPECT_EQ(NormalizeDirection(3), 131075);
}

TEST(PermissionSetTest, ReaderDefaults) {
  PermissionSet preset;
  preset.eScreen = 5;
  preset.bRecommended = false;
  preset.bVisiblePermission = true;
  preset.anVControlIndexList = {1, 2};
  preset.anFMPatternIndexList = {3};
  preset.nPassmaskIndex = 17;

  // No optional children: eScreen 1, the VControl list emptied, the FM list
  // kept, bRecommended following bVisiblePermission.
  PermissionSet read = ReadPermission(PermissionXml(""), preset);
  EXPECT_EQ(read.eScreen, 1);
  EXPECT_EQ(read.anVControlIndexList, Ints{});
  EXPECT_EQ(read.anFMPatternIndexList, Ints{3});
  EXPECT_EQ(read.nPassmaskIndex, 17);
  EXPECT_TRUE(read.bRecommended);

  struct Case {
    const char* optional;
    bool visible;
    bool recommended;
  };
  const Case cases[] = {
      {"", true, true},
      {"<bVisiblePermission>false</bVisiblePermission>", false, false},
      {"<bRecommended>false</bRecommended>", true, false},
      {"<bRecommended>true</bRecommended>"
       "<bVisiblePermission>false</bVisiblePermission>",
       false, true},
      // Seen once is enough, whatever came after.
      {"<bRecommended>false</bRecommended>"
       "<bVisiblePermission>true</bVisiblePermission>",
       true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.optional);
    PermissionSet p = ReadPermission(PermissionXml(c.optional));
    EXPECT_EQ(p.bVisiblePermission, c.visible);
    EXPECT_EQ(p.bRecommended, c.recommended);
  }
}

TEST(PermissionSetTest, IndexLists) {
  PermissionSet preset;
  preset.anInkConfigIndexList = {70, 71};
  preset.anFMPatternIndexList = {80};
  preset.anVControlIndexList = {90};
  PermissionSet p = ReadPermission(
      "<PermissionSet><a>3</a><list><x>5</x><!-- c --><anInkConfigIndex>6"
      "</anInkConfigIndex></list><b>2</b><c>4</c>"
      "<anVControlIndexList><v>1</v><v>2</v></anVControlIndexList>"
      "<anFMPatternIndexList><f>3</f></anFMPatternIndexList>"
      "<anVControlIndexList><v>4</v></anVControlIndexList>"
      "<AnFMPatternIndexList><f>8</f></AnFMPatternIndexList>"
      "<anFMPatternIndexList><f>5</f><f>6</f></anFMPatternIndexList>"
      "</PermissionSet>",
      preset);
  // The ink configuration list is emptied, then a comment reads as 0.
  EXPECT_EQ(p.anInkConfigIndexList, (Ints{5, 0, 6}));
  // The VControl list is emptied once, before the optional part.
  EXPECT_EQ(p.anVControlIndexList, (Ints{1, 2, 4}));
  // The FM pattern list is never emptied.
  EXPECT_EQ(p.anFMPatternIndexList, (Ints{80, 3, 5, 6}));
}

TEST(PermissionSetTest, CalibrationAndScreening) {
  PermissionSet preset;
  preset.aCalibrationInfoList = {Calibration(1)};
  preset.screenOption.flDegrees = {5.0f};
  DomDocument doc;
  DomNode calibration =
      doc.AppendChild(doc.CreateElement("aCalibrationInfoList"));
  calibration.AppendChild(WriteCalibrationInfo(doc, Calibration(2)));
  calibration.AppendChild(WriteCalibrationInfo(doc, Calibration(3)));
  std::string xml = xml_test::Compact(doc);
  PermissionSet p = ReadPermission(
      PermissionXml(xml + "<screenOption><nLineCount>75</nLineCount>"
                          "</screenOption><eScreen>2</eScreen>"),
      preset);
  ASSERT_EQ(p.aCalibrationInfoList.size(), 3u);
  EXPECT_EQ(p.aCalibrationInfoList[1].nOutputLimit, 2);
  EXPECT_EQ(p.aCalibrationInfoList[2], Calibration(3));
  // The screening child is read whatever eScreen says.
  EXPECT_EQ(p.eScreen, 2);
  EXPECT_EQ(p.screenOption, (ScreenOption{false, 75, 1, {5.0f}}));
}

TEST(PermissionSetTest, FailuresKeepWhatWasRead) {
  struct Case {
    const char* what;
    std::string xml;
    std::int32_t permissionIndex;
    size_t calibrations;
  };
  const Case cases[] = {
      {"three prefix children",
       "<PermissionSet><a>8</a><b/><c>1</c></PermissionSet>", 8, 1},
      {"no children", "<PermissionSet/>", 0, 1},
      {"a calibration entry without children",
       PermissionXml("<aCalibrationInfoList><CalibrationInfo/>"
                     "</aCalibrationInfoList>"),
       3, 1},
      {"a comment inside the calibration list",
       PermissionXml("<aCalibrationInfoList><!-- c -->"
                     "</aCalibrationInfoList>"),
       3, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DomDocument doc;
    DomNode element = Parse(doc, c.xml);
    PermissionSet p;
    p.aCalibrationInfoList = {Calibration(1)};
    EXPECT_EQ(ComErrorOf([&] { ReadPermissionSet(element, p); }),
              platform::E_POINTER);
    EXPECT_EQ(p.nPermissionIndex, c.permissionIndex);
    EXPECT_EQ(p.aCalibrationInfoList.size(), c.calibrations);
  }
}

QualityInfo SampleQuality() {
  QualityInfo q;
  q.nQualityLevel = 3;
  q.strQualityName = xml_test::Texts("High <quality>");
  q.anPermissionIndexList = {1, 4, -2};
  q.bVisibleQuality = false;
  return q;
}

TEST(QualityInfoTest, WrittenElementAndRoundTrip) {
  QualityInfo q;
  q.nQualityLevel = 2;
  q.strQualityName[0] = "Draft";
  q.anPermissionIndexList = {5, 6};
  const std::string xml =
      WrittenXml([&](DomDocument& d) { return WriteQualityInfo(d, q); });
  EXPECT_EQ(xml.rfind("<QualityInfo><nQualityLevel>2</nQualityLevel>"
                      "<strQualityName><English>Draft</English>",
                      0),
            0u);
  EXPECT_NE(xml.find("</strQualityName><anPermissionIndexList>"
                     "<anPermissionIndex>5</anPermissionIndex>"
                     "<anPermissionIndex>6</anPermissionIndex>"
                     "</anPermissionIndexList><bVisibleQuality>true"
                     "</bVisibleQuality></QualityInfo>"),
            std::string::npos);

  MediaInfoIO io;
  DomDocument doc;
  DomNode element = doc.AppendChild(io.WriteQualityInfo(doc, SampleQuality()));
  EXPECT_EQ(ChildNames(element),
            "nQualityLevel,strQualityName,anPermissionIndexList,"
            "bVisibleQuality");
  EXPECT_EQ(ChildNames(Child(element, "strQualityName")),
            "English,French,German,Italian,Spanish,Portuguese,Japanese,"
            "Chinese_Simplified,Chinese_Traditional,Korean,Russian,Turkish,"
            "Arabic");
  QualityInfo read;
  io.ReadQualityInfo(element, read);
  EXPECT_EQ(read, SampleQuality());
}

TEST(QualityInfoTest, Reading) {
  struct Case {
    const char* what;
    const char* xml;
    HRESULT error;
    bool visible;
    Ints indices;
  };
  const Case cases[] = {
      {"no optional child: the construction value stands",
       "<QualityInfo><a>1</a><b/><c><x>4</x><!--c--></c></QualityInfo>",
       0,
       true,
       {9, 4, 0}},
      {"bVisibleQuality false",
       "<QualityInfo><a>1</a><b/><c/><x/><bVisibleQuality>false"
       "</bVisibleQuality></QualityInfo>",
       0,
       false,
       {9}},
      {"a prefix name is not optional",
       "<QualityInfo><a>1</a><b/><c/><nQualityLevel>7</nQualityLevel>"
       "</QualityInfo>",
       0,
       true,
       {9}},
      {"two prefix children",
       "<QualityInfo><a>1</a><b/></QualityInfo>",
       platform::E_POINTER,
       true,
       {9}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DomDocument doc;
    DomNode element = Parse(doc, c.xml);
    QualityInfo q;
    q.anPermissionIndexList = {9};
    EXPECT_EQ(ComErrorOf([&] { ReadQualityInfo(element, q); }), c.error);
    EXPECT_EQ(q.nQualityLevel, 1);
    EXPECT_EQ(q.bVisibleQuality, c.visible);
    EXPECT_EQ(q.anPermissionIndexList, c.indices);
  }
}

}  // namespace
