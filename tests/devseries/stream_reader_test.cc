// The streamed device-series read against the read through the DOM it
// stands in for: for every file (the example series, the fuzz corpus, the
// benchmark's synthetic series, and hostile and malformed variants of
// them) both give the same outcome, the same report (failure, place,
// message, warnings) and the same document, which writes the same bytes.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench/synthetic_series.h"
#include "devseries/device_series.h"
#include "devseries/platform/resources.h"
#include "tests/support/host_title.h"
#include "tests/support/temp_dir.h"
#include "tests/support/text_edit.h"

using namespace devseries;

namespace {

using tovra::testing::HostTitle;
using tovra::testing::InsertAfter;
using tovra::testing::InsertBefore;
using tovra::testing::ReadFileBytes;
using tovra::testing::Replace;
using tovra::testing::ReplaceLast;
using tovra::testing::ScopedTempDir;
using tovra::testing::WriteFileBytes;

// What one read gives, in a form two reads can be compared by.
struct ReadResult {
  bool read = false;
  ReadReport report;
  DeviceSeries series;
  IOVersion fileVersion;
  std::string written;  // the bytes Write makes of the series read
};

std::string Describe(const ReadDiagnostic& d) {
  return d.elementPath + " (line " + std::to_string(d.line) + "): " + d.message;
}

void ExpectSameReport(const ReadReport& a, const ReadReport& b) {
  EXPECT_EQ(a.failure, b.failure);
  EXPECT_EQ(Describe(a.error), Describe(b.error));
  ASSERT_EQ(a.warnings.size(), b.warnings.size());
  for (size_t i = 0; i < a.warnings.size(); ++i) {
    EXPECT_EQ(Describe(a.warnings[i]), Describe(b.warnings[i])) << i;
  }
  EXPECT_EQ(a.warningsLeftOut, b.warningsLeftOut);
}

class StreamReaderTest : public ::testing::Test {
 protected:
  // Reads `path` streamed or through the DOM, with warnings collected and
  // the size limit `limit` (0: each path's own).
  ReadResult ReadOneWay(const std::string& path, bool streamed, size_t limit) {
    ReadResult result;
    DeviceSeriesIO2 io(path);
    io.Report().collectWarnings = true;
    io.SetSizeLimit(limit);
    result.series.aModelInfoList.resize(1);  // kept before what is read
    result.read =
        streamed ? io.Read(result.series) : io.ReadThroughDom(result.series);
    result.report = io.Report();
    result.fileVersion = io.m_fileVersion;
    if (result.read) {
      const std::string out = dir_.File(streamed ? "streamed" : "dom");
      DeviceSeriesIO2 writer(out);
      EXPECT_TRUE(writer.Write(result.series));
      result.written = ReadFileBytes(out);
    }
    return result;
  }

  // Both reads of `path` agree; returns the streamed one.
  ReadResult ExpectBothWaysAlike(const std::string& path, size_t limit = 0) {
    // The same limit for both, so a file between their defaults is read
    // (or refused) alike.
    const size_t shared = limit != 0 ? limit : platform::kMaxDocumentBytes;
    ReadResult dom = ReadOneWay(path, false, shared);
    ReadResult streamed = ReadOneWay(path, true, shared);
    EXPECT_EQ(dom.read, streamed.read);
    ExpectSameReport(dom.report, streamed.report);
    EXPECT_TRUE(dom.series == streamed.series);
    EXPECT_EQ(dom.fileVersion, streamed.fileVersion);
    EXPECT_EQ(dom.written, streamed.written);
    return streamed;
  }

  ScopedTempDir dir_;
};

std::string SourceFile(const std::string& relative) {
  return std::string(TOVRA_SOURCE_DIR) + "/" + relative;
}

// The files the test starts from: the example, the device-series fuzz
// corpus, and the synthetic series at a small shape.
std::vector<std::string> BaseTexts(const std::string& scratch) {
  std::vector<std::string> texts = {
      ReadFileBytes(SourceFile("examples/studio-series.dsr"))};
  for (const auto& entry : std::filesystem::directory_iterator(
           SourceFile("fuzz/corpus/device_series_fuzzer"))) {
    texts.push_back(ReadFileBytes(entry.path().string()));
  }
  SyntheticShape shape;
  shape.media = 3;
  shape.permissionSetsPerMedium = 2;
  shape.separations = 3;
  DeviceSeries synthetic = MakeSyntheticSeries(shape);
  EXPECT_TRUE(WriteDeviceSeriesFile(scratch, synthetic));
  texts.push_back(ReadFileBytes(scratch));
  return texts;
}

// Variants of a well-formed series file in the shapes where a streamed
// read has to count, skip and wait as the DOM does.
struct Variant {
  const char* name;
  std::function<std::string(const std::string&)> make;
};

const Variant kVariants[] = {
    {"as it is", [](const std::string& t) { return t; }},
    // Node counting in the positional members.
    {"a comment before the first list",
     [](const std::string& t) {
       return InsertBefore(t, "<aModelInfoList", "<!-- models -->");
     }},
    {"an instruction between two entries",
     [](const std::string& t) {
       return InsertBefore(t, "</MediaInfo>",
                           "</MediaInfo><?pi x?><MediaInfo>");
     }},
    {"text between two entries",
     [](const std::string& t) {
       return InsertAfter(t, "</InkInfo>", "stray text");
     }},
    {"a comment inside a list before its first entry",
     [](const std::string& t) {
       return InsertAfter(t, "<aMediaInfoList>", "<!-- media -->");
     }},
    {"a comment at the root's end",
     [](const std::string& t) {
       return InsertBefore(t, "</DeviceSeries>", "<!-- end -->");
     }},
    {"text after the media list",
     [](const std::string& t) {
       return InsertAfter(t, "</aMediaInfoList>", "tail");
     }},
    // The blank-text rule: short blanks between elements are no nodes, a
    // long run is one, a blank value is a value.
    {"a long blank run between entries",
     [](const std::string& t) {
       return InsertAfter(t, "</ModelInfo>", std::string(5000, ' '));
     }},
    {"a long blank run before the root's end",
     [](const std::string& t) {
       return InsertBefore(t, "</DeviceSeries>", std::string(700, '\n'));
     }},
    {"a blank value",
     [](const std::string& t) {
       return Replace(t, "<strFolderName/>",
                      "<strFolderName>   </strFolderName>");
     }},
    {"blanks and a comment as a value",
     [](const std::string& t) {
       return Replace(t, "<strFolderName/>",
                      "<strFolderName> <!--c--> </strFolderName>");
     }},
    // Unknown elements skipped whole, at every level.
    {"nested unknown elements inside an entry",
     [](const std::string& t) {
       return InsertAfter(t, "<MediaInfo>",
                          "<unknown a='1'><deeper><deepest>x</deepest>"
                          "</deeper><!--c--></unknown>");
     }},
    {"an unknown element after the positional members",
     [](const std::string& t) {
       return InsertAfter(t, "</aMediaInfoList>",
                          "<extra><MediaInfo><x/></MediaInfo></extra>");
     }},
    {"an unknown element before the first list",
     [](const std::string& t) {
       return InsertBefore(t, "<aModelInfoList", "<extra><y/></extra>");
     }},
    {"repeated named lists",
     [](const std::string& t) {
       return InsertBefore(t, "</DeviceSeries>",
                           "<aInkVolumeInfoList><InkVolumeInfo/>"
                           "</aInkVolumeInfoList><aInkVolumeInfoList/>"
                           "<strFirmwareDownloadURL/>");
     }},
    // Structural errors, and what comes after them.
    {"a list missing at the end",
     [](const std::string& t) {
       const size_t from = t.find("<aMediaInfoList");
       const size_t to = t.find("</DeviceSeries>");
       if (from == std::string::npos || to == std::string::npos) return t;
       return t.substr(0, from) + t.substr(to);
     }},
    {"only the root",
     [](const std::string&) {
       return std::string("<DeviceSeries strVersion='3.3.0.0'/>");
     }},
    {"a comment as a list entry",
     [](const std::string& t) {
       return InsertAfter(t, "<aModeInfoList>", "<!-- not a mode -->");
     }},
    {"a member missing from the first of several entries",
     [](const std::string& t) { return Replace(t, "<strMIBModelName/>", ""); }},
    {"a member missing from the last entry",
     [](const std::string& t) {
       return ReplaceLast(t, "<strMIBModelName/>", "");
     }},
    {"a value that cannot be read in the first entry",
     [](const std::string& t) {
       return Replace(t, "<nHeadNum>", "<nHeadNum>x");
     }},
    {"a misplaced member, then a missing one",
     [](const std::string& t) {
       return Replace(t, "<strMIBModelName/>", "<!--moved-->");
     }},
    {"a structural error, then a well-formedness error",
     [](const std::string& t) {
       return Replace(Replace(t, "<strMIBModelName/>", ""), "</DeviceSeries>",
                      "</DeviceSerie>");
     }},
    {"a structural error, then the file cut short",
     [](const std::string& t) {
       std::string cut = Replace(t, "<strMIBModelName/>", "");
       return cut.substr(0, cut.size() * 3 / 4);
     }},
    {"a well-formedness error in the first entry",
     [](const std::string& t) {
       return Replace(t, "</ModelInfo>", "</Model>");
     }},
    // Text forms, names and attributes.
    {"character data, references and a namespace",
     [](const std::string& t) {
       return Replace(
           Replace(t, "<strFolderName/>",
                   "<strFolderName>a<![CDATA[<b>]]>&amp;&#67;</strFolderName>"),
           "<ModelInfo>", "<ModelInfo xmlns:p='urn:x' p:a='1'>");
     }},
    {"coerced values in the first entry of several",
     [](const std::string& t) {
       return Replace(Replace(t, "<nHeadNum>", "<nHeadNum> 12abc"),
                      "<dMaxWidth>", "<dMaxWidth>1e999");
     }},
    {"lines past 65535",
     [](const std::string& t) {
       return Replace(InsertBefore(t, "<DeviceSeries",
                                   "<!--" + std::string(70000, '\n') + "-->"),
                      "<strMIBModelName/>", "");
     }},
    {"nesting deeper than the parser allows",
     [](const std::string& t) {
       std::string deep;
       for (int i = 0; i < 300; ++i) deep += "<d>";
       for (int i = 0; i < 300; ++i) deep += "</d>";
       return InsertAfter(t, "<MediaInfo>", deep);
     }},
    {"a text node over the parser's limit",
     [](const std::string& t) {
       return InsertAfter(t, "<MediaInfo>",
                          "<big>" + std::string(10000001, 'x') + "</big>");
     }},
    // The version gate and the older reader.
    {"version 1.0",
     [](const std::string& t) { return Replace(t, "3.3.0.0", "1.0.2.7"); }},
    {"version 1.5",
     [](const std::string& t) { return Replace(t, "3.3.0.0", "1.5"); }},
    {"version 4.0",
     [](const std::string& t) { return Replace(t, "3.3.0.0", "4.0"); }},
    {"no version",
     [](const std::string& t) {
       return Replace(t, "strVersion=", "strVersions=");
     }},
    {"another root",
     [](const std::string& t) {
       return ReplaceLast(Replace(t, "<DeviceSeries", "<Other"),
                          "</DeviceSeries>", "</Other>");
     }},
    {"a document type declaration",
     [](const std::string& t) {
       return InsertBefore(t, "<DeviceSeries", "<!DOCTYPE DeviceSeries>");
     }},
    {"not XML", [](const std::string&) { return std::string("not XML"); }},
    {"empty", [](const std::string&) { return std::string(); }},
};

TEST_F(StreamReaderTest, EveryVariantOfEveryFileReadsAlikeBothWays) {
  const std::vector<std::string> bases = BaseTexts(dir_.File("synthetic"));
  const char* titles[] = {kVersionGateTitle, "Another host"};
  for (const char* title : titles) {
    HostTitle host(title);
    platform::ScopedResourceProvider provider(&host);
    for (size_t b = 0; b < bases.size(); ++b) {
      for (const Variant& variant : kVariants) {
        SCOPED_TRACE(std::string(title) + ", file " + std::to_string(b) + ", " +
                     variant.name);
        const std::string path = dir_.File("case.dsr");
        WriteFileBytes(path, variant.make(bases[b]));
        ExpectBothWaysAlike(path);
      }
    }
  }
}

TEST_F(StreamReaderTest, EveryCorpusFileReadsAlikeBothWays) {
  for (const auto& folder :
       std::filesystem::directory_iterator(SourceFile("fuzz/corpus"))) {
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      SCOPED_TRACE(entry.path().string());
      ExpectBothWaysAlike(entry.path().string());
    }
  }
}

// The reference is not vacuous: the variants that must fail do, where the
// DOM says, and the pending positions of the first entries are resolved.
TEST_F(StreamReaderTest, FailuresAreLocatedAsTheDomLocatesThem) {
  const std::string base =
      ReadFileBytes(SourceFile("examples/studio-series.dsr"));
  struct Case {
    std::string text;
    ReadFailure failure;
    std::string path;
  };
  const std::string kModelName = "<strMIBModelName>VX540</strMIBModelName>";
  const Case cases[] = {
      {Replace(base, kModelName, ""), ReadFailure::kNotReadable,
       "DeviceSeries/aModelInfoList/ModelInfo[1]"},
      {Replace(Replace(base, kModelName, ""), "</DeviceSeries>",
               "</DeviceSerie>"),
       ReadFailure::kNotWellFormed, ""},
      {InsertAfter(base, "<aModeInfoList>", "<!--x-->"),
       ReadFailure::kNotReadable, "DeviceSeries/aModeInfoList"},
  };
  HostTitle host(kVersionGateTitle);
  platform::ScopedResourceProvider provider(&host);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    const std::string path = dir_.File("case.dsr");
    WriteFileBytes(path, c.text);
    ReadResult result = ExpectBothWaysAlike(path);
    EXPECT_FALSE(result.read);
    EXPECT_EQ(result.report.failure, c.failure);
    EXPECT_EQ(result.report.error.elementPath.substr(0, c.path.size()), c.path);
    EXPECT_EQ(result.report.error.message.find('\x01'), std::string::npos);
  }
}

// Empty entries cost a few bytes of file and kilobytes of memory: past
// eight times the size limit in nodes and records, both reads refuse the
// file. The read through the DOM holds every node at once, so it may stop
// at an earlier entry than the streamed read, which lets each entry's
// nodes go.
TEST_F(StreamReaderTest, TheDocumentIsBoundedNotOnlyTheFile) {
  std::string text = "<DeviceSeries strVersion='3.3.0.0'>";
  for (int list = 0; list < 5; ++list) text += "<l/>";
  text += "<aSeparationInfoList>";
  for (int i = 0; i < 2000; ++i) text += "<SeparationInfo/>";
  text += "</aSeparationInfoList><l/><l/><commandSet>";
  for (int command = 0; command < 9; ++command) text += "<s/>";
  text += "</commandSet><l/></DeviceSeries>";
  const std::string path = dir_.File("empty-separations.dsr");
  WriteFileBytes(path, text);
  for (bool streamed : {false, true}) {
    ReadResult result = ReadOneWay(path, streamed, 64 << 10);
    EXPECT_FALSE(result.read);
    EXPECT_EQ(result.report.failure, ReadFailure::kRefused);
    EXPECT_NE(result.report.error.message.find("524288 bytes"),
              std::string::npos)
        << result.report.error.message;
  }
}

}  // namespace
