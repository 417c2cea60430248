// The device-series document: list layout, command strings, the optional
// trailing lists, the normalisations after reading, the version gate and
// the version kept by WriteKeepingFileVersion.
#include "devseries/device_series.h"

#include <gtest/gtest.h>

#include "devseries/platform/dom_testing.h"
#include "devseries/platform/resources.h"
#include "tests/support/host_title.h"
#include "tests/support/temp_dir.h"

using namespace devseries;

namespace {

using tovra::testing::ReadFileBytes;
using tovra::testing::ScopedTempDir;
using tovra::testing::WriteFileBytes;

const char* const kListNames[] = {"aModelInfoList",
                                  "aInkInfoList",
                                  "aInkConfigInfoList",
                                  "aResolutionInfoList",
                                  "aModeInfoList",
                                  "aSeparationInfoList",
                                  "aVControlPointList",
                                  "aPatternInfoList",
                                  "commandSet",
                                  "aMediaInfoList",
                                  "aPrintChartFileInfoSetList",
                                  "aInkVolumeInfoList",
                                  "strFirmwareDownloadURL"};

// The nine empty command strings and the ten mandatory lists, as text.
std::string MandatoryLists(const std::string& commands = "") {
  std::string xml =
      "<aModelInfoList/><aInkInfoList/><aInkConfigInfoList/>"
      "<aResolutionInfoList/><aModeInfoList/><aSeparationInfoList/>"
      "<aVControlPointList/><aPatternInfoList/><commandSet>";
  if (commands.empty()) {
    for (const auto& field : kCommandStringFields) {
      xml += "<" + std::string(field.name) + "/>";
    }
  } else {
    xml += commands;
  }
  return xml + "</commandSet><aMediaInfoList/>";
}

std::string File(const std::string& version, const std::string& body) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<DeviceSeries "
         "strVersion=\"" +
         version + "\">" + body + "</DeviceSeries>";
}

using tovra::testing::HostTitle;

class DeviceSeriesTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(platform::CoInitializeCount(), 0); }

  // Reads `xml` with DeviceSeriesIO2.
  bool Read(const std::string& xml, DeviceSeries& series) {
    WriteFileBytes(dir_.File("in.dsr"), xml);
    DeviceSeriesIO2 io(dir_.File("in.dsr"));
    return io.Read(series);
  }

  ScopedTempDir dir_;
};

TEST_F(DeviceSeriesTest, EmptyDocumentWritesThirteenChildrenAndReadsBack) {
  DeviceSeries series;
  DeviceSeriesIO2 io(dir_.File("empty.dsr"));
  ASSERT_TRUE(io.Write(series));
  DomDocument document;
  ASSERT_TRUE(document.Load(dir_.File("empty.dsr")));
  DomNode root = document.GetElementsByTagName("DeviceSeries")[0];
  EXPECT_EQ(root.GetAttributeNode("strVersion").GetText(), "3.3.0.0");
  size_t i = 0;
  for (DomNode child = root.GetFirstChild(); child;
       child = child.GetNextSibling(), ++i) {
    ASSERT_LT(i, std::size(kListNames));
    EXPECT_EQ(child.GetNodeName(), kListNames[i]);
  }
  EXPECT_EQ(i, 13u);

  DeviceSeries back;
  DeviceSeriesIO2 reader(dir_.File("empty.dsr"));
  ASSERT_TRUE(reader.Read(back));
  EXPECT_EQ(back, series);
}

TEST_F(DeviceSeriesTest, DocumentsThatCannotBeReadGiveFalseAndChangeNothing) {
  const std::string cases[] = {
      "not xml at all",
      "<DeviceSeries strVersion='3.3.0.0'/>",
      "<Other strVersion='3.3.0.0'>" + MandatoryLists() + "</Other>",
      "<DeviceSeries>" + MandatoryLists() + "</DeviceSeries>",
      File("3.3.0.0", "<aModelInfoList/><aInkInfoList/>"),
      File("3.3.0.0", MandatoryLists("<strInitialize/>")),
      File("3.3.0.0",
           MandatoryLists().substr(
               0, MandatoryLists().size() - sizeof "<aMediaInfoList/>" + 1)),
      File("3.3.0.0",
           "<aModelInfoList><ModelInfo/></aModelInfoList>" +
               MandatoryLists().substr(sizeof "<aModelInfoList/>" - 1)),
      File("3.3.0.0",
           MandatoryLists("<a>\\q</a><b/><c/><d/><e/><f/><g/><h/><i/>")),
  };
  for (const std::string& xml : cases) {
    DeviceSeries series;
    series.aPatternInfoList.push_back(PatternInfo{7, 1, 2, "keep"});
    const DeviceSeries before = series;
    EXPECT_FALSE(Read(xml, series)) << xml;
    EXPECT_EQ(series, before) << xml;
  }
  DeviceSeries series;
  DeviceSeriesIO2 io(dir_.File("missing.dsr"));
  EXPECT_FALSE(io.Read(series));
}

TEST_F(DeviceSeriesTest, CommandStringsRoundTripEveryByte) {
  DeviceSeries series;
  series.commandSet.strInitialize =
      "\x1B"
      "A&";
  series.commandSet.strPrintHeader = std::string("\x1B\0A", 3);
  series.commandSet.strCancel = std::string("\0\0", 2);
  series.commandSet.strSheetCut = "plain text";
  ASSERT_TRUE(WriteDeviceSeriesFile(dir_.File("c.dsr"), series));
  std::string text = ReadFileBytes(dir_.File("c.dsr"));
  EXPECT_NE(text.find("<strInitialize>\\x1BA\\x26</strInitialize>"),
            std::string::npos);
  EXPECT_NE(text.find("<strPrintHeader>\\x1B\\x00A</strPrintHeader>"),
            std::string::npos);
  DeviceSeries back;
  DeviceSeriesIO io(dir_.File("c.dsr"));
  ASSERT_TRUE(io.Read(back));
  EXPECT_EQ(back.commandSet, series.commandSet);
}

TEST_F(DeviceSeriesTest, TrailingListsAreOptionalAndRecognisedByName) {
  DeviceSeries plain;
  ASSERT_TRUE(Read(File("3.3.0.0", MandatoryLists()), plain));
  EXPECT_TRUE(plain.aPrintChartFileInfoSetList.empty());
  EXPECT_TRUE(plain.aInkVolumeInfoList.empty());
  for (size_t i = 0; i < kLanguageCount; ++i) {
    EXPECT_EQ(plain.strFirmwareDownloadURL[i],
              i == 6 ? "http://www.vintrell.co.jp/support/color/ovx/index.html"
                     : "http://www.vintrell.com/support/color/ovx/index.html");
  }

  DeviceSeries reordered;
  ASSERT_TRUE(Read(
      File("3.3.0.0",
           MandatoryLists() +
               "<strFirmwareDownloadURL><German>http://de</German>"
               "</strFirmwareDownloadURL><Foreign><InkVolumeInfo/></Foreign>"
               "<!-- note --><aInkVolumeInfoList><InkVolumeInfo>"
               "<nInkVolumeIndex>4</nInkVolumeIndex></InkVolumeInfo>"
               "</aInkVolumeInfoList><aPrintChartFileInfoSetList>"
               "<PrintChartFileInfoSet><nIndex>2</nIndex>"
               "</PrintChartFileInfoSet></aPrintChartFileInfoSetList>"),
      reordered));
  ASSERT_EQ(reordered.aInkVolumeInfoList.size(), 1u);
  EXPECT_EQ(reordered.aInkVolumeInfoList[0].nInkVolumeIndex, 4);
  ASSERT_EQ(reordered.aPrintChartFileInfoSetList.size(), 1u);
  EXPECT_EQ(reordered.aPrintChartFileInfoSetList[0].nIndex, 2);
  EXPECT_EQ(reordered.strFirmwareDownloadURL[2], "http://de");
  EXPECT_EQ(reordered.strFirmwareDownloadURL[0],
            "http://www.vintrell.com/support/color/ovx/index.html");
}

TEST_F(DeviceSeriesTest, SeparationsWithoutInputInksGetCMYK) {
  DeviceSeries series;
  const std::pair<const char*, int> inks[] = {
      {"K", 3}, {"C", 0}, {"M", 1}, {"Y", 2}, {"Lc", 9}};
  for (const auto& [name, index] : inks) {
    InkInfo ink;
    ink.strShortInkName = name;
    ink.nInkIndex = index;
    series.aInkInfoList.push_back(ink);
  }
  SeparationInfo empty;
  empty.nSeparationIndex = 1;
  SeparationInfo six;
  six.nSeparationIndex = 2;
  six.anInputChannelInkIndexList = {0, 1, 2, 3, 4, 5};
  series.aSeparationInfoList = {empty, six};
  ASSERT_TRUE(WriteDeviceSeriesFile(dir_.File("s.dsr"), series));
  DeviceSeries back;
  DeviceSeriesIO2 io(dir_.File("s.dsr"));
  ASSERT_TRUE(io.Read(back));
  EXPECT_EQ(back.aSeparationInfoList[0].anInputChannelInkIndexList,
            (std::vector<std::int32_t>{0, 1, 2, 3}));
  EXPECT_EQ(back.aSeparationInfoList[1].anInputChannelInkIndexList,
            six.anInputChannelInkIndexList);
}

TEST_F(DeviceSeriesTest, ScreenAnglesFollowTheSeparationsChannelCount) {
  struct Case {
    std::vector<float> angles;
    std::int32_t separation;
    std::vector<float> expected;
  };
  const Case cases[] = {
      {{}, 6, {15, 45, 90, 75, 45, 45}},
      {{}, 4, {30, 45, 90, 60}},
      {{1, 2, 3, 4, 5, 6}, 4, {30, 45, 90, 60}},
      {{1, 2, 3, 4}, 4, {1, 2, 3, 4}},
      {{1}, 3, {1, 0, 0}},
      {{1, 2}, 99, {1, 2}},  // no such separation: left as it is
  };
  DeviceSeries series;
  for (int channels : {3, 4, 6}) {
    SeparationInfo separation;
    separation.nSeparationIndex = channels;
    separation.anInputChannelInkIndexList.assign(channels, 0);
    series.aSeparationInfoList.push_back(separation);
  }
  MediaInfo media;
  for (const Case& c : cases) {
    PermissionSet permission;
    permission.nSeparationIndex = c.separation;
    permission.eScreen = 8;  // the screening settings are written for 8 only
    permission.screenOption.flDegrees = c.angles;
    media.aPermissionSetList.push_back(permission);
  }
  series.aMediaInfoList.push_back(media);
  ASSERT_TRUE(WriteDeviceSeriesFile(dir_.File("a.dsr"), series));
  DeviceSeries back;
  DeviceSeriesIO2 io(dir_.File("a.dsr"));
  ASSERT_TRUE(io.Read(back));
  const auto& sets = back.aMediaInfoList.at(0).aPermissionSetList;
  ASSERT_EQ(sets.size(), std::size(cases));
  for (size_t i = 0; i < sets.size(); ++i) {
    EXPECT_EQ(sets[i].screenOption.flDegrees, cases[i].expected) << i;
  }
}

TEST_F(DeviceSeriesTest, FeedCalibrationIsSizedToTheModelsBeforeWriting) {
  DeviceSeries series;
  series.aModelInfoList.resize(3);
  MediaInfo longer;
  longer.aflFeedCalibration = {0.5f, 0.25f, 0.125f, 1.0f};
  MediaInfo shorter;
  shorter.aflFeedCalibration = {0.5f};
  series.aMediaInfoList = {longer, shorter};
  ASSERT_TRUE(WriteDeviceSeriesFile(dir_.File("f.dsr"), series));
  EXPECT_EQ(series.aMediaInfoList[0].aflFeedCalibration,
            (std::vector<float>{0.5f, 0.25f, 0.125f}));
  EXPECT_EQ(series.aMediaInfoList[1].aflFeedCalibration,
            (std::vector<float>{0.5f, 0.0f, 0.0f}));
  DeviceSeries back;
  DeviceSeriesIO io(dir_.File("f.dsr"));
  ASSERT_TRUE(io.Read(back));
  EXPECT_EQ(back.aMediaInfoList[1].aflFeedCalibration,
            series.aMediaInfoList[1].aflFeedCalibration);
}

TEST_F(DeviceSeriesTest, VersionGateFollowsTheHostTitle) {
  struct Case {
    const char* version;
    bool readByIO2;  // under the product's title
    bool readByIO;   // under the product's title
  };
  const Case cases[] = {
      {"3.3.0.0", true, false},  {"1.0.0.0", true, true},
      {"1.5.0.0", false, false}, {"7.0.1.0", false, false},
      {"0.9.0.0", false, false},  // older than both: not read, not "true"
  };
  HostTitle product(kVersionGateTitle);
  HostTitle other("Some Other Host");
  for (const Case& c : cases) {
    WriteFileBytes(dir_.File("v.dsr"), File(c.version, MandatoryLists()));
    for (HostTitle* host : {&product, &other}) {
      platform::ResourceProvider* previous =
          platform::Seam<platform::ResourceProvider>::Install(host);
      DeviceSeries series;
      DeviceSeriesIO2 io2(dir_.File("v.dsr"));
      bool byIO2 = io2.Read(series);
      DeviceSeriesIO io(dir_.File("v.dsr"));
      bool byIO = io.Read(series);
      platform::Seam<platform::ResourceProvider>::Install(previous);
      bool gated = host == &product;
      EXPECT_EQ(byIO2, gated ? c.readByIO2 : true) << c.version;
      EXPECT_EQ(byIO, gated ? c.readByIO : true) << c.version;
    }
  }
}

TEST_F(DeviceSeriesTest, WriteKeepingFileVersionKeepsTheFourParts) {
  const std::pair<const char*, const char*> cases[] = {
      {"7.0.1.0", "7.0.1.0"},
      {"1.0.0.100", "1.0.0.100"},
      {"0.0.0.0", "3.3.0.0"},
      {"2.1", "2.1.0.0"},
  };
  for (const auto& [found, written] : cases) {
    WriteFileBytes(dir_.File("k.dsr"), File(found, MandatoryLists()));
    DeviceSeries series;
    DeviceSeriesIO2 io(dir_.File("k.dsr"));
    ASSERT_TRUE(io.WriteKeepingFileVersion(series)) << found;
    DomDocument document;
    ASSERT_TRUE(document.Load(dir_.File("k.dsr")));
    EXPECT_EQ(document.GetFirstChild().GetAttributeNode("strVersion").GetText(),
              written);
  }
  DeviceSeries series;
  DeviceSeriesIO2 io(dir_.File("new.dsr"));
  ASSERT_TRUE(io.WriteKeepingFileVersion(series));
  EXPECT_NE(ReadFileBytes(dir_.File("new.dsr")).find("strVersion=\"3.3.0.0\""),
            std::string::npos);
}

TEST_F(DeviceSeriesTest, FailedWriteKeepsThePreviousFile) {
  WriteFileBytes(dir_.File("keep.dsr"), "previous");
  DeviceSeries series;
  InkInfo ink;
  series.aInkInfoList.push_back(ink);
  platform::SetDomServiceAvailableForTesting(false);
  DeviceSeriesIO io(dir_.File("keep.dsr"));
  EXPECT_FALSE(io.Write(series));
  platform::SetDomServiceAvailableForTesting(true);
  EXPECT_EQ(ReadFileBytes(dir_.File("keep.dsr")), "previous");
  DeviceSeriesIO missing(dir_.File("no/such/folder.dsr"));
  EXPECT_FALSE(missing.Write(series));
}

TEST_F(DeviceSeriesTest, ConvenienceReadOfALocatedRoot) {
  DomDocument document;
  ASSERT_TRUE(document.LoadFromMemory(File("3.3.0.0", MandatoryLists()), "m"));
  DeviceSeries series;
  EXPECT_TRUE(ReadDeviceSeriesElement(document.GetFirstChild(), series));
  EXPECT_FALSE(ReadDeviceSeriesElement(DomNode(), series));
}

}  // namespace
