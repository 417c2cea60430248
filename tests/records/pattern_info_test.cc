// The FM pattern record: its "PatternInfo" element and its standalone file.
#include "devseries/records/printer/pattern_info.h"

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

using platform::E_POINTER;
using xml_test::ComErrorOf;
using xml_test::Parse;
using xml_test::SeamReset;

PatternInfo Sample() { return PatternInfo{17, 64, -32, "fm <17> & co.pat"}; }

TEST(PatternInfoTest, GoldenText) {
  DomDocument doc;
  doc.AppendChild(PatternInfoIO().WritePatternInfo(doc, Sample()));
  EXPECT_EQ(doc.ToXml(), R"(<?xml version="1.0" encoding="UTF-8"?>
<PatternInfo>
  <nFMPatternIndex>17</nFMPatternIndex>
  <nScanPixelSize>64</nScanPixelSize>
  <nFeedPixelSize>-32</nFeedPixelSize>
  <strPatternFile>fm &lt;17&gt; &amp; co.pat</strPatternFile>
</PatternInfo>
)");
}

TEST(PatternInfoTest, RoundTrip) {
  for (const PatternInfo& written : {Sample(), PatternInfo{-1, 0, 5, ""}}) {
    SCOPED_TRACE(written.strPatternFile);
    DomDocument doc;
    doc.AppendChild(PatternInfoIO().WritePatternInfo(doc, written));
    DomDocument reloaded;
    PatternInfo read = PatternInfo{9, 9, 9, "old"};
    PatternInfoIO().ReadPatternInfo(Parse(reloaded, doc.ToXml()), read);
    EXPECT_EQ(read, written);
  }
}

TEST(PatternInfoTest, ReadIsPositional) {
  const struct {
    const char* name;
    const char* xml;
    PatternInfo expected;
  } cases[] = {
      {"other names, same order",
       "<PatternInfo><a>1</a><b>2</b><c>3</c><d>f.pat</d></PatternInfo>",
       {1, 2, 3, "f.pat"}},
      {"a fifth child is ignored",
       "<PatternInfo><a>1</a><b>2</b><c>3</c><d>f.pat</d>"
       "<nFMPatternIndex>8</nFMPatternIndex></PatternInfo>",
       {1, 2, 3, "f.pat"}},
      {"names are not looked at",
       "<PatternInfo><strPatternFile>1</strPatternFile><b>2</b><c>3</c>"
       "<nFMPatternIndex>4</nFMPatternIndex></PatternInfo>",
       {1, 2, 3, "4"}},
      {"text that is no number reads as 0",
       "<PatternInfo><a>x1</a><b></b><c>-7px</c><d/></PatternInfo>",
       {0, 0, -7, ""}},
      {"a comment counts as a child",
       "<PatternInfo><a>1</a><!--5--><b>2</b><c>3</c></PatternInfo>",
       {1, 5, 2, "3"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DomDocument doc;
    PatternInfo read;
    PatternInfoIO().ReadPatternInfo(Parse(doc, c.xml), read);
    EXPECT_EQ(read, c.expected);
  }
}

TEST(PatternInfoTest, FewerThanFourChildrenRaiseEPointer) {
  DomDocument doc;
  DomNode element =
      Parse(doc, "<PatternInfo><a>1</a><b>2</b><c>3</c></PatternInfo>");
  PatternInfo read{9, 9, 9, "old"};
  EXPECT_EQ(ComErrorOf([&] { PatternInfoIO().ReadPatternInfo(element, read); }),
            E_POINTER);
  EXPECT_EQ(read, (PatternInfo{1, 2, 3, "old"}));
  EXPECT_EQ(
      ComErrorOf([&] { PatternInfoIO().ReadPatternInfo(DomNode(), read); }),
      E_POINTER);
}

TEST(PatternInfoTest, ReadFirstTakesTheFirstPatternChild) {
  DomDocument doc;
  DomNode root = Parse(
      doc,
      "<r><!--PatternInfo--><patterninfo/><x><PatternInfo><a>5</a><b/><c/>"
      "<d/></PatternInfo></x><PatternInfo><a>6</a><b/><c/><d/></PatternInfo>"
      "<PatternInfo><a>7</a><b/><c/><d/></PatternInfo></r>");
  PatternInfo read;
  PatternInfoIO().ReadFirstPatternInfo(root, read);
  EXPECT_EQ(read.nFMPatternIndex, 6);

  PatternInfo untouched = Sample();
  PatternInfoIO().ReadFirstPatternInfo(Parse(doc, "<r><!--x--></r>"),
                                       untouched);
  EXPECT_EQ(untouched, Sample());
}

TEST(PatternInfoFileTest, SaveThenLoad) {
  tovra::testing::ScopedTempDir dir;
  const int count = platform::CoInitializeCount();
  PatternInfoIO io;
  const std::string path = dir.File("pattern.xml");
  ASSERT_TRUE(io.SavePatternInfoFile(path, Sample()));
  PatternInfo read;
  ASSERT_TRUE(io.LoadPatternInfoFile(path, read));
  EXPECT_EQ(read, Sample());
  EXPECT_EQ(platform::CoInitializeCount(), count);

  // Saving again replaces the file.
  ASSERT_TRUE(io.SavePatternInfoFile(path, PatternInfo{1, 2, 3, "b"}));
  ASSERT_TRUE(io.LoadPatternInfoFile(path, read));
  EXPECT_EQ(read, (PatternInfo{1, 2, 3, "b"}));
  EXPECT_EQ(tovra::testing::ListFolder(dir.path()),
            std::vector<std::string>{"pattern.xml"});
}

TEST(PatternInfoFileTest, SaveFailures) {
  SeamReset guard;
  tovra::testing::ScopedTempDir dir;
  const int count = platform::CoInitializeCount();
  PatternInfoIO io;
  const std::string path = dir.File("pattern.xml");
  tovra::testing::WriteFileBytes(path, "previous");

  const std::string missing = dir.File("no-such-folder/pattern.xml");
  EXPECT_THROW(io.SavePatternInfoFile(missing, Sample()), platform::_com_error);
  EXPECT_EQ(platform::CoInitializeCount(), count);

  platform::SetDomServiceAvailableForTesting(false);
  EXPECT_FALSE(io.SavePatternInfoFile(path, Sample()));
  EXPECT_EQ(platform::CoInitializeCount(), count);
  platform::SetDomServiceAvailableForTesting(true);

  platform::SetCoInitializeFailureForTesting(platform::E_FAIL);
  EXPECT_FALSE(io.SavePatternInfoFile(path, Sample()));
  platform::SetCoInitializeFailureForTesting(platform::S_OK);
  EXPECT_EQ(platform::CoInitializeCount(), count);
  EXPECT_EQ(tovra::testing::ReadFileBytes(path), "previous");
}

TEST(PatternInfoFileTest, LoadOutcomes) {
  tovra::testing::ScopedTempDir dir;
  const int count = platform::CoInitializeCount();
  PatternInfoIO io;
  PatternInfo read = Sample();

  const std::string malformed = dir.File("bad.xml");
  tovra::testing::WriteFileBytes(malformed, "<PatternInfo><a>");
  for (const std::string& path : {dir.File("missing.xml"), malformed}) {
    SCOPED_TRACE(path);
    EXPECT_EQ(ComErrorOf([&] { io.LoadPatternInfoFile(path, read); }),
              E_POINTER);
  }
  const std::string other = dir.File("other.xml");
  tovra::testing::WriteFileBytes(other, "<ModelInfo/>");
  EXPECT_TRUE(io.LoadPatternInfoFile(other, read));
  EXPECT_EQ(read, Sample());

  const std::string truncated = dir.File("truncated.xml");
  tovra::testing::WriteFileBytes(truncated,
                                 "<PatternInfo><a>4</a></PatternInfo>");
  EXPECT_EQ(ComErrorOf([&] { io.LoadPatternInfoFile(truncated, read); }),
            E_POINTER);
  EXPECT_EQ(read.nFMPatternIndex, 4);
  EXPECT_EQ(platform::CoInitializeCount(), count);
}

}  // namespace
