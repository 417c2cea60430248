// VControl points: the element, reading by name and the catch-all
// standalone file.
#include "devseries/records/media/vcontrol_point.h"

#include <gtest/gtest.h>

#include <string>

#include "devseries/platform/com.h"
#include "devseries/platform/com_codes.h"
#include "devseries/platform/dom_testing.h"
#include "tests/support/temp_dir.h"
#include "tests/support/xml_test_support.h"

using namespace devseries;

namespace {

using xml_test::Parse;
using xml_test::WrittenXml;

// Every member distinct; values on both sides of a rounding step.
VControlPoint Sample() {
  VControlPoint p;
  p.nVControlIndex = 7;
  double* members[] = {&p.dSmallStart,   &p.dSmallPeak,   &p.dSmallMax,
                       &p.dSmallEnd,     &p.dSmallEndMax, &p.dMediumStart,
                       &p.dMediumPeak,   &p.dMediumMax,   &p.dMediumEnd,
                       &p.dMediumEndMax, &p.dLargeStart,  &p.dLargePeak,
                       &p.dLargeMax,     &p.dLargeEnd,    &p.dLargeEndMax};
  for (int i = 0; i < 15; ++i) {
    *members[i] = (i % 2 == 0 ? 1.2346 : 1.2344) + i - (i == 3 ? 10.0 : 0.0);
  }
  return p;
}

TEST(VControlPointTest, WrittenElementOrder) {
  VControlPoint p;
  p.nVControlIndex = -3;
  p.dSmallStart = 1.0;
  p.dLargeEndMax = 2.5;
  EXPECT_EQ(
      WrittenXml([&](DomDocument& d) { return WriteVControlPoint(d, p); }),
      "<VControlPoint><nVControlIndex>-3</nVControlIndex>"
      "<dSmallStart>1.000</dSmallStart><dSmallPeak>0.000</dSmallPeak>"
      "<dSmallMax>0.000</dSmallMax><dSmallEnd>0.000</dSmallEnd>"
      "<dSmallEndMax>0.000</dSmallEndMax>"
      "<dMediumStart>0.000</dMediumStart>"
      "<dMediumPeak>0.000</dMediumPeak><dMediumMax>0.000</dMediumMax>"
      "<dMediumEnd>0.000</dMediumEnd>"
      "<dMediumEndMax>0.000</dMediumEndMax>"
      "<dLargeStart>0.000</dLargeStart><dLargePeak>0.000</dLargePeak>"
      "<dLargeMax>0.000</dLargeMax><dLargeEnd>0.000</dLargeEnd>"
      "<dLargeEndMax>2.500</dLargeEndMax></VControlPoint>");
}

TEST(VControlPointTest, RecordReadsBackRoundedToThreeDecimals) {
  xml_test::ComCountGuard balanced;
  tovra::testing::ScopedTempDir dir;
  const std::string path = dir.File("vcontrol.xml");
  ASSERT_TRUE(SaveVControlPointFile(path, Sample()));
  EXPECT_EQ(
      tovra::testing::ReadFileBytes(path).rfind(
          "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<VControlPoint>", 0),
      0u);
  VControlPoint read;
  ASSERT_TRUE(LoadVControlPointFile(path, read));
  EXPECT_EQ(read.nVControlIndex, 7);
  EXPECT_EQ(read.dSmallStart, 1.235);  // 1.2346
  EXPECT_EQ(read.dSmallPeak, 2.234);   // 1.2344 + 1
  EXPECT_EQ(read.dSmallEnd, -5.766);   // 1.2344 + 3 - 10
  EXPECT_EQ(read.dLargeEndMax, 15.235);
  VControlPoint expected = Sample();
  for (double* d :
       {&expected.dSmallStart, &expected.dSmallPeak, &expected.dSmallMax,
        &expected.dSmallEnd, &expected.dSmallEndMax, &expected.dMediumStart,
        &expected.dMediumPeak, &expected.dMediumMax, &expected.dMediumEnd,
        &expected.dMediumEndMax, &expected.dLargeStart, &expected.dLargePeak,
        &expected.dLargeMax, &expected.dLargeEnd, &expected.dLargeEndMax}) {
    *d = xml_test::Rounded(*d);
  }
  EXPECT_EQ(read, expected);
}

TEST(VControlPointTest, ChildrenAreRecognisedByName) {
  struct Case {
    const char* what;
    const char* xml;
    VControlPoint expected;
  };
  VControlPoint onlyPeak = Sample();
  onlyPeak.dMediumPeak = 9.5;
  VControlPoint repeated = Sample();
  repeated.nVControlIndex = 2;
  repeated.dLargeMax = 0.0;
  const Case cases[] = {
      {"only dMediumPeak",
       "<VControlPoint><dMediumPeak>9.5</dMediumPeak></VControlPoint>",
       onlyPeak},
      {"no known child", "<VControlPoint><!--c--><x>1</x></VControlPoint>",
       Sample()},
      {"a repeated name overrides, wrong text reads 0",
       "<VControlPoint><nVControlIndex>1</nVControlIndex><DLargeMax>4"
       "</DLargeMax><dLargeMax>abc</dLargeMax>"
       "<nVControlIndex>2</nVControlIndex></VControlPoint>",
       repeated},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DomDocument doc;
    VControlPoint p = Sample();
    ReadVControlPoint(Parse(doc, c.xml), p);
    EXPECT_EQ(p, c.expected);
  }
}

TEST(VControlPointTest, ReverseOrderReadsTheSame) {
  VControlPoint written;
  written.nVControlIndex = 5;
  written.dSmallStart = 0.25;
  written.dMediumEnd = -1.5;
  written.dLargeEndMax = 3.125;
  DomDocument doc;
  DomNode element = xml_test::Reversed(doc, WriteVControlPoint(doc, written));
  EXPECT_EQ(element.GetFirstChild().GetNodeName(), "dLargeEndMax");
  VControlPoint read = Sample();
  ReadVControlPoint(element, read);
  EXPECT_EQ(read, written);
}

TEST(VControlPointTest, ReadFirstSearchesTheWholeDocument) {
  DomDocument doc;
  Parse(doc,
        "<Root><a><b><VControlPoint><nVControlIndex>4</nVControlIndex>"
        "</VControlPoint></b></a><VControlPoint><nVControlIndex>5"
        "</nVControlIndex></VControlPoint></Root>");
  VControlPoint p;
  ReadFirstVControlPoint(doc, p);
  EXPECT_EQ(p.nVControlIndex, 4);

  DomDocument none;
  Parse(none, "<Root><vcontrolPoint/></Root>");
  int code = 0;
  try {
    ReadFirstVControlPoint(none, p);
  } catch (int raised) {
    code = raised;
  }
  EXPECT_EQ(code, 2);
}

TEST(VControlPointTest, StandaloneFileLoads) {
  xml_test::ComCountGuard balanced;
  tovra::testing::ScopedTempDir dir;
  struct Case {
    const char* what;
    const char* content;  // null: no file
    bool loaded;
    int index;  // nVControlIndex afterwards (preset 77)
  };
  const Case cases[] = {
      {"an element deep inside another root",
       "<?xml version=\"1.0\"?><DeviceSeries><aVControlPointList>"
       "<VControlPoint><nVControlIndex>3</nVControlIndex></VControlPoint>"
       "</aVControlPointList></DeviceSeries>",
       true, 3},
      {"no element", "<?xml version=\"1.0\"?><MediaInfo/>", false, 77},
      {"not well-formed", "<VControlPoint><nVControlIndex>3", false, 77},
      {"no file", nullptr, false, 77},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = dir.File(std::string(c.what) + ".xml");
    if (c.content) tovra::testing::WriteFileBytes(path, c.content);
    VControlPoint p;
    p.nVControlIndex = 77;
    EXPECT_EQ(LoadVControlPointFile(path, p), c.loaded);
    EXPECT_EQ(p.nVControlIndex, c.index);
  }
}

TEST(VControlPointTest, StandaloneSaveFailuresGiveFalse) {
  xml_test::ComCountGuard balanced;
  xml_test::SeamReset reset;
  tovra::testing::ScopedTempDir dir;
  EXPECT_FALSE(SaveVControlPointFile(dir.File("missing/v.xml"), Sample()));
  EXPECT_FALSE(tovra::testing::FileExists(dir.File("missing")));

  platform::SetCoInitializeFailureForTesting(platform::E_OUTOFMEMORY);
  EXPECT_FALSE(SaveVControlPointFile(dir.File("v.xml"), Sample()));
  platform::SetCoInitializeFailureForTesting(platform::S_OK);

  platform::SetDomServiceAvailableForTesting(false);
  EXPECT_FALSE(SaveVControlPointFile(dir.File("v.xml"), Sample()));
  platform::SetDomServiceAvailableForTesting(true);
  EXPECT_FALSE(tovra::testing::FileExists(dir.File("v.xml")));
}

}  // namespace
