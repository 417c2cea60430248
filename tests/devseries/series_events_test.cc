// Which files the read from the parser's events decodes itself and which it
// hands to the DOM codecs. The files the writers make and the usual hand
// edits are decoded from the events (else the streamed read would quietly
// be the slow one); what the events cannot follow step by step is handed
// over. Either way the streamed read gives what the read through the DOM
// gives (the differential suite checks that over many more files).
#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <string>

#include "bench/synthetic_series.h"
#include "devseries/device_series.h"
#include "devseries/platform/resources.h"
#include "devseries/series_read_internal.h"
#include "tests/support/host_title.h"
#include "tests/support/temp_dir.h"
#include "tests/support/text_edit.h"

using namespace devseries;

namespace {

using tovra::testing::HostTitle;
using tovra::testing::ReadFileBytes;
using tovra::testing::Replace;
using tovra::testing::ScopedTempDir;
using tovra::testing::WriteFileBytes;

struct Case {
  const char* name;
  std::string (*make)(const std::string& example);
  // Decoded from the events when warnings are collected, and when not.
  bool decodedWithWarnings;
  bool decodedWithout;
};

const Case kCases[] = {
    {"the example as written", [](const std::string& t) { return t; }, true,
     true},
    {"on one line, no blanks between elements",
     [](const std::string& t) {
       std::string one;
       bool blank = false;
       for (char c : t) {
         if (c == '\n' || c == '\r') continue;
         if (c == ' ' && blank) continue;
         blank = c == '>';
         one += c;
       }
       return one;
     },
     true, true},
    {"tabs and CR LF between elements",
     [](const std::string& t) {
       std::string out;
       for (char c : t)
         out += c == '\n' ? std::string("\r\n\t") : std::string(1, c);
       return out;
     },
     true, true},
    {"comments and unknown elements where no member is read by position",
     [](const std::string& t) {
       return Replace(Replace(t, "</DeviceSeries>",
                              "<!--x--><extra><a>1</a></extra></DeviceSeries>"),
                      "</InkInfo>", "<note>n</note><!--c--></InkInfo>");
     },
     true, true},
    {"a value in CDATA and one with a character reference",
     [](const std::string& t) {
       return Replace(Replace(t, "<nInkIndex>0</nInkIndex>",
                              "<nInkIndex><![CDATA[0]]></nInkIndex>"),
                      "<strShortInkName>C</strShortInkName>",
                      "<strShortInkName>&#67;</strShortInkName>");
     },
     true, true},
    {"a number with blanks after it",
     [](const std::string& t) {
       return Replace(t, "<nInkIndex>0</nInkIndex>",
                      "<nInkIndex>0 x</nInkIndex>");
     },
     false, true},
    {"a comment among the positional members",
     [](const std::string& t) {
       return Replace(t, "<strShortInkName>", "<!--c--><strShortInkName>");
     },
     false, false},
    {"a processing instruction in a record",
     [](const std::string& t) {
       return Replace(t, "</InkInfo>", "<?nCapacity 5?></InkInfo>");
     },
     false, false},
    {"an element below a value",
     [](const std::string& t) {
       return Replace(t, "<nInkIndex>0</nInkIndex>",
                      "<nInkIndex>0<b/></nInkIndex>");
     },
     false, false},
    {"a missing positional member",
     [](const std::string& t) {
       return Replace(t, "<strMIBModelName>VX540</strMIBModelName>", "");
     },
     false, false},
    {"blanks kept by xml:space",
     [](const std::string& t) {
       return Replace(t, "<DeviceSeries ",
                      "<DeviceSeries xml:space=\"preserve\" ");
     },
     false, false},
    {"an older version",
     [](const std::string& t) { return Replace(t, "3.3.0.0", "1.0.0.0"); },
     false, false},
};

class SeriesEventsTest : public ::testing::TestWithParam<Case> {};

TEST_P(SeriesEventsTest, DecodesWhatItFollowsAndHandsOverTheRest) {
  ScopedTempDir dir;
  const std::string path = dir.File("case.dsr");
  WriteFileBytes(path,
                 GetParam().make(ReadFileBytes(std::string(TOVRA_SOURCE_DIR) +
                                               "/examples/studio-series.dsr")));
  HostTitle host(kVersionGateTitle);
  platform::ScopedResourceProvider provider(&host);
  for (bool warnings : {true, false}) {
    SCOPED_TRACE(warnings ? "with warnings" : "without warnings");
    DeviceSeriesIO2 io(path);
    DeviceSeries events;
    platform::DomParseError error;
    const EventRead read =
        ReadSeriesEvents(io, platform::kMaxStreamedDocumentBytes,
                         8 * std::uint64_t{platform::kMaxStreamedDocumentBytes},
                         warnings, events, error);
    const bool decoded =
        warnings ? GetParam().decodedWithWarnings : GetParam().decodedWithout;
    EXPECT_EQ(read, decoded ? EventRead::kRead : EventRead::kHandedOver);

    DeviceSeriesIO2 dom(path);
    dom.Report().collectWarnings = warnings;
    DeviceSeries reference;
    const bool domRead = dom.ReadThroughDom(reference);
    if (decoded) {
      EXPECT_TRUE(domRead);
      EXPECT_TRUE(events == reference);
      EXPECT_TRUE(dom.Report().warnings.empty());
    }
    DeviceSeriesIO2 streamed(path);
    streamed.Report().collectWarnings = warnings;
    DeviceSeries viaRead;
    EXPECT_EQ(streamed.Read(viaRead), domRead);
    EXPECT_TRUE(viaRead == reference);
    EXPECT_EQ(streamed.Report().error.message, dom.Report().error.message);
    EXPECT_EQ(streamed.Report().warnings.size(), dom.Report().warnings.size());
  }
}

INSTANTIATE_TEST_SUITE_P(Files, SeriesEventsTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) {
                           std::string name;
                           for (const char* c = info.param.name; *c; ++c) {
                             name +=
                                 std::isalnum(static_cast<unsigned char>(*c))
                                     ? *c
                                     : '_';
                           }
                           return name;
                         });

// The synthetic series of every shape the benchmark reads is decoded from
// the events, to the series the DOM codecs read.
TEST(SeriesEventsSynthetic, EveryRecordKindIsDecodedFromTheEvents) {
  ScopedTempDir dir;
  SyntheticShape shape;
  shape.media = 4;
  shape.permissionSetsPerMedium = 3;
  shape.separations = 4;
  DeviceSeries written = MakeSyntheticSeries(shape);
  const std::string path = dir.File("synthetic.dsr");
  ASSERT_TRUE(WriteDeviceSeriesFile(path, written));
  DeviceSeriesIO2 io(path);
  DeviceSeries events;
  platform::DomParseError error;
  ASSERT_EQ(
      ReadSeriesEvents(io, platform::kMaxStreamedDocumentBytes,
                       8 * std::uint64_t{platform::kMaxStreamedDocumentBytes},
                       true, events, error),
      EventRead::kRead);
  DeviceSeriesIO2 dom(path);
  DeviceSeries reference;
  ASSERT_TRUE(dom.ReadThroughDom(reference));
  EXPECT_TRUE(events == reference);
}

}  // namespace
