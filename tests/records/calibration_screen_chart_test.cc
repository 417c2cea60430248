// Sub-records of permission sets and the device-series document:
// calibration data, screening settings and print-chart file sets.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "devseries/platform/com_codes.h"
#include "devseries/records/media/calibration_info.h"
#include "devseries/records/media/print_chart_file_info_set.h"
#include "devseries/records/media/screen_option.h"
#include "tests/support/temp_dir.h"
#include "tests/support/xml_test_support.h"

using namespace devseries;

namespace {

using xml_test::Child;
using xml_test::ChildNames;
using xml_test::ComErrorOf;
using xml_test::Parse;
using xml_test::Rounded;
using xml_test::WrittenXml;

// `count` "value" children with the texts "1.0", "2.0", ...
std::string Values(int count) {
  std::string xml;
  for (int i = 1; i <= count; ++i) {
    xml += "<value>" + std::to_string(i) + ".0</value>";
  }
  return xml;
}

// `count` lab entries whose children carry `names`; entry i holds i, 10 i,
// 100 i.
std::string LabEntries(int count, const std::vector<std::string>& names) {
  std::string xml;
  for (int i = 1; i <= count; ++i) {
    xml += "<value>";
    int scale = 1;
    for (const std::string& name : names) {
      xml += "<" + name + ">" + std::to_string(i * scale) + "</" + name + ">";
      scale *= 10;
    }
    xml += "</value>";
  }
  return xml;
}

std::string CalibrationXml(const std::string& density, const std::string& lab,
                           const std::string& tail = "") {
  return "<CalibrationInfo><nOutputLimit>90</nOutputLimit><density>" + density +
         "</density><lab>" + lab + "</lab>" + tail + "</CalibrationInfo>";
}

CalibrationInfo SampleCalibration() {
  CalibrationInfo info;
  info.nOutputLimit = -75;
  for (size_t i = 0; i < kCalibrationStepCount; ++i) {
    info.density[i] = 0.1234f * static_cast<float>(i) + 0.0006f;
    info.lab[i] = {100.0f - 4.5678f * static_cast<float>(i),
                   -12.3456f + static_cast<float>(i),
                   7.0005f * static_cast<float>(i)};
  }
  return info;
}

TEST(CalibrationInfoTest, WrittenElementHoldsStepsInOrder) {
  CalibrationInfo info;
  info.nOutputLimit = 88;
  info.density.fill(0.5f);
  info.lab[20] = {1.0f, -2.25f, 3.5f};
  DomDocument doc;
  DomNode element = doc.AppendChild(WriteCalibrationInfo(doc, info));
  EXPECT_EQ(ChildNames(element), "nOutputLimit,density,lab");
  EXPECT_EQ(Child(element, "nOutputLimit").GetText(), "88");

  DomNode density = Child(element, "density");
  std::string expectedNames = "value";
  for (size_t i = 1; i < kCalibrationStepCount; ++i) expectedNames += ",value";
  EXPECT_EQ(ChildNames(density), expectedNames);
  for (DomNode v = density.GetFirstChild(); v; v = v.GetNextSibling()) {
    EXPECT_EQ(v.GetText(), "0.500");
  }

  DomNode lab = Child(element, "lab");
  EXPECT_EQ(ChildNames(lab), expectedNames);
  EXPECT_EQ(ChildNames(lab.GetFirstChild()), "l,a,b");
  EXPECT_NE(xml_test::Compact(doc).find(
                "<value><l>1.000</l><a>-2.250</a><b>3.500</b></value></lab>"),
            std::string::npos);
}

TEST(CalibrationInfoTest, RecordReadsBackThroughAFileRoundedToThreeDecimals) {
  tovra::testing::ScopedTempDir dir;
  const CalibrationInfo written = SampleCalibration();
  const std::string path = dir.File("calibration.xml");
  {
    DomDocument doc;
    doc.AppendChild(doc.CreateProcessingInstruction(
        "xml", "version='1.0' encoding='UTF-8'"));
    doc.AppendChild(WriteCalibrationInfo(doc, written));
    doc.Save(path);
  }
  DomDocument doc;
  ASSERT_TRUE(doc.Load(path));
  CalibrationInfo read;
  ReadCalibrationInfo(doc.GetElementsByTagName("CalibrationInfo").at(0), read);

  CalibrationInfo expected = written;
  for (float& d : expected.density) d = Rounded(d);
  for (CalibrationLab& lab : expected.lab) {
    lab = {Rounded(lab.l), Rounded(lab.a), Rounded(lab.b)};
  }
  EXPECT_EQ(read, expected);
}

TEST(CalibrationInfoTest, ReadingIsPositional) {
  struct Case {
    const char* what;
    std::string xml;
    HRESULT error;      // 0: the read succeeds
    int densitiesRead;  // densities stored (1.0, 2.0, ...) before any error
    bool labRead;       // whether all 21 lab entries were stored
  };
  const std::string goodLab = LabEntries(21, {"l", "a", "b"});
  const Case cases[] = {
      {"21 densities", CalibrationXml(Values(21), goodLab), 0, 21, true},
      {"22 densities: the last is ignored", CalibrationXml(Values(22), goodLab),
       0, 21, true},
      {"20 densities fail after storing 20",
       CalibrationXml(Values(20), goodLab), platform::E_POINTER, 20, false},
      {"lab children named x y z are l a b",
       CalibrationXml(Values(21), LabEntries(21, {"x", "y", "z"})), 0, 21,
       true},
      {"a fourth lab child is ignored",
       CalibrationXml(Values(21), LabEntries(21, {"l", "a", "b", "q"})), 0, 21,
       true},
      {"children after the third are ignored",
       CalibrationXml(Values(21), goodLab, "<extra>1</extra>"), 0, 21, true},
      {"a lab entry with two children fails",
       CalibrationXml(Values(21), LabEntries(21, {"l", "a"})),
       platform::E_POINTER, 21, false},
      {"20 lab entries fail",
       CalibrationXml(Values(21), LabEntries(20, {"l", "a", "b"})),
       platform::E_POINTER, 21, false},
      {"no lab element fails",
       "<CalibrationInfo><nOutputLimit>90</nOutputLimit><density>" +
           Values(21) + "</density></CalibrationInfo>",
       platform::E_POINTER, 21, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DomDocument doc;
    DomNode element = Parse(doc, c.xml);
    CalibrationInfo info;
    info.density.fill(-1.0f);
    EXPECT_EQ(ComErrorOf([&] { ReadCalibrationInfo(element, info); }), c.error);
    EXPECT_EQ(info.nOutputLimit, 90);
    for (int i = 0; i < static_cast<int>(kCalibrationStepCount); ++i) {
      EXPECT_EQ(info.density[i], i < c.densitiesRead ? i + 1.0f : -1.0f) << i;
    }
    if (c.labRead) {
      EXPECT_EQ(info.lab[0], (CalibrationLab{1.0f, 10.0f, 100.0f}));
      EXPECT_EQ(info.lab[20], (CalibrationLab{21.0f, 210.0f, 2100.0f}));
    }
  }
}

TEST(CalibrationInfoTest, CommentAmongDensitiesCountsAsAStep) {
  DomDocument doc;
  DomNode element = Parse(doc, CalibrationXml("<!-- first -->" + Values(20),
                                              LabEntries(21, {"l", "a", "b"})));
  CalibrationInfo info;
  info.density.fill(-1.0f);
  ReadCalibrationInfo(element, info);
  EXPECT_EQ(info.density[0], 0.0f);
  EXPECT_EQ(info.density[1], 1.0f);
  EXPECT_EQ(info.density[20], 20.0f);
}

TEST(ScreenOptionTest, WrittenElementNamesAnglesByPosition) {
  ScreenOption option;
  option.bUseCustomSetting = true;
  option.nLineCount = 150;
  option.eDotShape = 3;
  option.flDegrees = {15.0f, 75.0f, 0.0f, 45.0f};
  EXPECT_EQ(
      WrittenXml([&](DomDocument& d) { return WriteScreenOption(d, option); }),
      "<screenOption><bUseCustomSetting>true</bUseCustomSetting>"
      "<nLineCount>150</nLineCount><eDotShape>3</eDotShape>"
      "<flDegrees><flDegree0>15.000</flDegree0><flDegree1>75.000"
      "</flDegree1><flDegree2>0.000</flDegree2><flDegree3>45.000"
      "</flDegree3></flDegrees></screenOption>");
  // No angles: an empty list element.
  EXPECT_EQ(WrittenXml([](DomDocument& d) {
              return WriteScreenOption(d, ScreenOption());
            }),
            "<screenOption><bUseCustomSetting>false</bUseCustomSetting>"
            "<nLineCount>30</nLineCount><eDotShape>1</eDotShape>"
            "<flDegrees/></screenOption>");
}

TEST(ScreenOptionTest, RecordReadsBack) {
  ScreenOption written;
  written.bUseCustomSetting = true;
  written.nLineCount = -4;
  written.eDotShape = 7;
  for (int i = 0; i < 12; ++i) written.flDegrees.push_back(i * 7.5004f);
  DomDocument doc;
  DomNode element = doc.AppendChild(WriteScreenOption(doc, written));
  ScreenOption read;
  read.flDegrees = {99.0f};
  ReadScreenOption(element, read);
  ScreenOption expected = written;
  for (float& d : expected.flDegrees) d = Rounded(d);
  EXPECT_EQ(read, expected);
}

TEST(ScreenOptionTest, ChildrenAreRecognisedByName) {
  struct Case {
    const char* what;
    const char* xml;
    ScreenOption expected;
  };
  const std::vector<float> preset = {1.0f, 2.0f};
  const Case cases[] = {
      {"angle children of any names",
       "<screenOption><flDegrees><a>15</a><flDegree9>75</flDegree9><!--c-->"
       "<b>45.5</b></flDegrees></screenOption>",
       {false, 30, 1, {15.0f, 75.0f, 0.0f, 45.5f}}},
      {"any order, unknown children skipped",
       "<screenOption><eDotShape>4</eDotShape><bogus>1</bogus>"
       "<nLineCount>60</nLineCount><bUseCustomSetting>true</bUseCustomSetting>"
       "</screenOption>",
       {true, 60, 4, preset}},
      {"an empty angle list empties the angles",
       "<screenOption><flDegrees/></screenOption>",
       {false, 30, 1, {}}},
      {"a second angle list replaces the first",
       "<screenOption><flDegrees><x>1</x><x>2</x><x>3</x></flDegrees>"
       "<flDegrees><x>4</x></flDegrees></screenOption>",
       {false, 30, 1, {4.0f}}},
      {"case matters",
       "<screenOption><NLineCount>5</NLineCount></screenOption>",
       {false, 30, 1, preset}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DomDocument doc;
    DomNode element = Parse(doc, c.xml);
    ScreenOption option;
    option.flDegrees = preset;
    ReadScreenOption(element, option);
    EXPECT_EQ(option, c.expected);
  }
}

PrintChartFileInfoSet SampleChartSet(int index) {
  return {index, "calib " + std::to_string(index) + ".prn", "limit & <max>.prn",
          "test \"print\".prn"};
}

TEST(PrintChartFileInfoSetTest, WrittenElementsFollowTheListOrder) {
  EXPECT_EQ(WrittenXml([](DomDocument& d) {
              return WritePrintChartFileInfoSet(d, {4, "c.prn", "", "t.prn"});
            }),
            "<PrintChartFileInfoSet><nIndex>4</nIndex>"
            "<strCalibrationFileName>c.prn</strCalibrationFileName>"
            "<strInkLimitFileName/>"
            "<strTestPrintFileName>t.prn</strTestPrintFileName>"
            "</PrintChartFileInfoSet>");
  const std::vector<PrintChartFileInfoSet> list = {{1, "a", "b", "c"},
                                                   {2, "d", "e", "f"}};
  EXPECT_EQ(WrittenXml([&](DomDocument& d) {
              return WritePrintChartFileInfoSetList(d, list);
            }),
            "<aPrintChartFileInfoSetList><PrintChartFileInfoSet>"
            "<nIndex>1</nIndex><strCalibrationFileName>a"
            "</strCalibrationFileName><strInkLimitFileName>b"
            "</strInkLimitFileName><strTestPrintFileName>c"
            "</strTestPrintFileName></PrintChartFileInfoSet>"
            "<PrintChartFileInfoSet><nIndex>2</nIndex>"
            "<strCalibrationFileName>d</strCalibrationFileName>"
            "<strInkLimitFileName>e</strInkLimitFileName>"
            "<strTestPrintFileName>f</strTestPrintFileName>"
            "</PrintChartFileInfoSet></aPrintChartFileInfoSetList>");
  EXPECT_EQ(WrittenXml([](DomDocument& d) {
              return WritePrintChartFileInfoSetList(d, {});
            }),
            "<aPrintChartFileInfoSetList/>");
}

TEST(PrintChartFileInfoSetTest, ListReadsBackThroughAFileAndAppends) {
  tovra::testing::ScopedTempDir dir;
  const std::vector<PrintChartFileInfoSet> written = {
      SampleChartSet(3), SampleChartSet(-1), SampleChartSet(7)};
  const std::string path = dir.File("charts.xml");
  {
    DomDocument doc;
    doc.AppendChild(WritePrintChartFileInfoSetList(doc, written));
    doc.Save(path);
  }
  DomDocument doc;
  ASSERT_TRUE(doc.Load(path));
  std::vector<PrintChartFileInfoSet> read = {SampleChartSet(100)};
  ReadPrintChartFileInfoSetList(
      doc.GetElementsByTagName("aPrintChartFileInfoSetList").at(0), read);
  ASSERT_EQ(read.size(), 4u);
  EXPECT_EQ(read[0], SampleChartSet(100));
  EXPECT_EQ(std::vector(read.begin() + 1, read.end()), written);
}

TEST(PrintChartFileInfoSetTest, ListReadsOnlyItsSetElements) {
  DomDocument doc;
  DomNode element = Parse(
      doc,
      "<aPrintChartFileInfoSetList>"
      "<PrintChartFileInfoSet><nIndex>1</nIndex></PrintChartFileInfoSet>"
      "<!-- a comment -->"
      "<printChartFileInfoSet><nIndex>9</nIndex></printChartFileInfoSet>"
      "<PrintChartFileInfoSet><strTestPrintFileName>t</strTestPrintFileName>"
      "<bogus/><nIndex>2</nIndex></PrintChartFileInfoSet>"
      "</aPrintChartFileInfoSetList>");
  std::vector<PrintChartFileInfoSet> list;
  ReadPrintChartFileInfoSetList(element, list);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0], (PrintChartFileInfoSet{1, "", "", ""}));
  EXPECT_EQ(list[1], (PrintChartFileInfoSet{2, "", "", "t"}));
}

TEST(PrintChartFileInfoSetTest, AbsentChildrenKeepTheirMembers) {
  DomDocument doc;
  DomNode element = Parse(doc,
                          "<PrintChartFileInfoSet><strInkLimitFileName>new"
                          "</strInkLimitFileName></PrintChartFileInfoSet>");
  PrintChartFileInfoSet set = SampleChartSet(5);
  ReadPrintChartFileInfoSet(element, set);
  PrintChartFileInfoSet expected = SampleChartSet(5);
  expected.strInkLimitFileName = "new";
  EXPECT_EQ(set, expected);
}

}  // namespace
