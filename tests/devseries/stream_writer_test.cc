// The streamed device-series writer against the DOM writer it stands in
// for: the same bytes and the same outcome for every document (the example
// series, the fuzz corpus, the benchmark's synthetic series, hostile ones),
// the same elements from XmlStreamWriter and DomElementBuilder for any
// shape, faults that leave the previous file, and the version
// WriteKeepingFileVersion takes from the root element's start tag alone.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <future>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "bench/synthetic_series.h"
#include "devseries/device_series.h"
#include "devseries/platform/file_system.h"
#include "devseries/platform/resources.h"
#include "devseries/xmlio/dom_element_builder.h"
#include "devseries/xmlio/language_string_set_testing.h"
#include "devseries/xmlio/xml_stream_writer.h"
#include "tests/support/fault_file_system.h"
#include "tests/support/temp_dir.h"

using namespace devseries;

namespace {

using tovra::testing::ListFolder;
using tovra::testing::ReadFileBytes;
using tovra::testing::ResizeFile;
using tovra::testing::ScopedTempDir;
using tovra::testing::WriteFileBytes;
using Names = std::vector<std::string>;

// Every byte, then byte sequences that are not UTF-8 of XML characters
// (overlong, surrogate, beyond U+10FFFF, noncharacter, cut short, lone
// continuation bytes), then ones that are.
std::string EveryByte() {
  std::string text;
  for (int b = 0; b < 256; ++b) text += static_cast<char>(b);
  return text +
         "\xC0\xAF|\xE0\x80\xAF|\xED\xA0\x80|\xF4\x90\x80\x80|\xEF\xBF\xBE|"
         "\xE2\x82|\x80\xBF|\xF8\x88\x80\x80\x80|\xC3\xA9\xE2\x82\xAC"
         "\xF0\x9F\x98\x80 a\r\nb\t]]> &amp; <x/>";
}

// A shape made at either output, from one generic lambda.
struct Shape {
  const char* what;
  std::function<void(DomElementBuilder&)> build;
  std::function<void(XmlStreamWriter&)> stream;
};
template <typename Make>
Shape MakeShape(const char* what, Make make) {
  return {what, make, make};
}

std::string SavedByDom(const Shape& shape) {
  DomDocument document;
  document.AppendChild(
      document.CreateProcessingInstruction("xml", kXmlDeclarationData));
  document.AppendChild(BuildElement(document, shape.build));
  return document.ToXml();
}

std::string Streamed(const std::function<void(XmlStreamWriter&)>& stream) {
  std::string text;
  XmlStreamWriter writer([&](std::string_view piece) {
    text.append(piece);
    return true;
  });
  writer.Declaration();
  stream(writer);
  EXPECT_TRUE(writer.Finish());
  return text;
}

TEST(XmlStreamWriterTest, WritesTheBytesTheDomSaves) {
  const Shape shapes[] = {
      MakeShape("an empty root",
                [](auto& out) {
                  out.Begin("root");
                  out.End();
                }),
      MakeShape("attributes and texts with every byte",
                [](auto& out) {
                  out.Begin("root");
                  out.Attribute("a", EveryByte());
                  out.Attribute("b", "\t\n\r\"'<>&");
                  out.TextElement("text", EveryByte());
                  out.TextElement("empty", "");
                  out.Begin("channel");
                  out.Attribute("VALUE", "-7");
                  out.End();
                  out.End();
                }),
      // Indentation stops growing at the 30th level.
      MakeShape("nesting deeper than the indentation",
                [](auto& out) {
                  for (int level = 0; level < 40; ++level) out.Begin("d");
                  out.TextElement("leaf", "x");
                  out.TextElement("empty", "");
                  for (int level = 0; level < 40; ++level) out.End();
                }),
      MakeShape("names beyond ASCII and a long text",
                [](auto& out) {
                  out.Begin("K\xC3\xB6ln");
                  out.TextElement("\xE5\x90\x8D:x",
                                  std::string(3 << 20, '<') + "\r");
                  out.End();
                }),
  };
  for (const Shape& shape : shapes) {
    EXPECT_TRUE(Streamed(shape.stream) == SavedByDom(shape)) << shape.what;
  }
}

TEST(XmlStreamWriterTest, RefusesTheNamesTheDomRefuses) {
  const std::string names[] = {"",
                               "1a",
                               "a b",
                               std::string("a\0b", 3),
                               "-a",
                               ".a",
                               "a-.",
                               ":a:",
                               "_",
                               "\xC3",
                               "\xC3\xA9t\xC3\xA9",
                               "a\xE2\x80\x8B",
                               "\xE2\x82\xAC"};
  for (const std::string& name : names) {
    DomDocument document;
    bool domRefuses = false;
    try {
      document.CreateElement(name);
    } catch (const _com_error& error) {
      domRefuses = error.Error() == platform::XML_E_INVALIDNAME;
    }
    EXPECT_EQ(platform::IsValidXmlName(name), !domRefuses) << name;
    XmlStreamWriter writer([](std::string_view) { return true; });
    EXPECT_EQ(domRefuses, [&] {
      try {
        writer.Begin(name);
        writer.Attribute(name, "v");
        return false;
      } catch (const _com_error& error) {
        return error.Error() == platform::XML_E_INVALIDNAME;
      }
    }()) << name;
  }
}

// A host whose language names are `names` (an empty one: missing).
class LanguageHost : public platform::ResourceProvider {
 public:
  explicit LanguageHost(Names names) : names_(std::move(names)) {}
  const platform::ResourceEntry* Find(
      const platform::ResourceId& name,
      const platform::ResourceId& type) const override {
    return host_->Find(name, type);
  }
  std::optional<std::string> String(platform::UINT id) const override {
    for (size_t i = 0; i < kLanguageCount; ++i) {
      if (id != kLanguageNameStringIds[i]) continue;
      if (names_[i].empty()) return std::nullopt;
      return names_[i];
    }
    return host_->String(id);
  }

 private:
  Names names_;
  const platform::ResourceProvider* host_ =
      platform::Seam<platform::ResourceProvider>::Current();
};

// Installs a language host for a scope and reads its names; the test
// host's names are read again after it.
class ScopedLanguages {
 public:
  explicit ScopedLanguages(const Names& names) : host_(names), scoped_(&host_) {
    ReloadLanguageNameTableForTesting();
  }

 private:
  // Destroyed last, once the previous host is back.
  struct ReloadAfter {
    ~ReloadAfter() { ReloadLanguageNameTableForTesting(); }
  } reload_;
  LanguageHost host_;
  platform::ScopedResourceProvider scoped_;
};

Names LanguageNames(const char* first, const char* last) {
  Names names(kLanguageCount, "L");
  for (size_t i = 0; i < kLanguageCount; ++i) names[i] += std::to_string(i);
  names.front() = first;
  names.back() = last;
  return names;
}

std::vector<DeviceSeries> ReadSeries(const std::string& path) {
  DeviceSeries series;
  DeviceSeriesIO2 io(path);
  if (!io.Read(series)) return {};
  return {series};
}

// Texts, numbers and lists a caller may hand over.
DeviceSeries HostileSeries() {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  DeviceSeries series;
  ModelInfo model;
  model.strLongModelName = EveryByte();
  model.strRequiredFirmwareVersion = "\r\n";
  model.dMaxWidth = nan;
  model.dCropSize_mm = -nan;
  model.dPageSpace_mm = 1e308;
  model.flNozzleResolution = std::numeric_limits<float>::denorm_min();
  series.aModelInfoList = {model, ModelInfo()};
  InkInfo ink;
  ink.strLongInkName[0] = EveryByte();
  ink.strLongInkName[5] = "\xC3\xA9";
  ink.strShortInkName = "<&>";
  ink.flPrice = static_cast<float>(inf);
  series.aInkInfoList = {ink};
  ModeInfo mode;
  mode.strModeName = EveryByte();
  mode.aUVLampPowerList[1].nBackwardPower = 7;
  series.aModeInfoList = {mode};
  SeparationInfo separation;
  separation.aSeparationTableList.resize(2);
  separation.aSeparationTableList[0].eType = 1;
  separation.aSeparationTableList[1].dStart = -inf;
  series.aSeparationInfoList = {separation};
  for (const CommandStringField& field : kCommandStringFields) {
    series.commandSet.*field.member = EveryByte();
  }
  MediaInfo media;
  media.strMediaName.fill(EveryByte());
  PermissionSet permission;
  permission.eScreen = kCustomScreen;
  permission.screenOption.flDegrees = {static_cast<float>(nan), -0.0f};
  permission.strPrinterProfile = EveryByte();
  permission.aCalibrationInfoList.resize(1);
  media.aPermissionSetList = {permission, PermissionSet()};
  media.aQualityInfoList.resize(1);
  media.aflFeedCalibration = {1.0f, 2.0f, 3.0f};  // more than models
  series.aMediaInfoList = {media, MediaInfo()};
  series.aPrintChartFileInfoSetList.resize(1);
  series.aPrintChartFileInfoSetList[0].strInkLimitFileName = EveryByte();
  series.aInkVolumeInfoList.resize(1);
  series.aInkVolumeInfoList[0].astrInkVolumeList = {EveryByte(), ""};
  series.strFirmwareDownloadURL[12] = EveryByte();
  return series;
}

// Many small records, and a text of several pieces.
DeviceSeries LargeSeries(size_t models = 1500, size_t textBytes = 3 << 20) {
  DeviceSeries series;
  series.aModelInfoList.resize(models);
  series.aModelInfoList[7].strPPDFile = std::string(textBytes, '&');
  series.aMediaInfoList.resize(3);
  return series;
}

struct SeriesCase {
  const char* what;
  std::function<std::vector<DeviceSeries>()> make;
  Names languages;  // empty: the test host's
  bool written;
};

const SeriesCase kSeriesCases[] = {
    {"the example series",
     [] { return ReadSeries(TOVRA_SOURCE_DIR "/examples/studio-series.dsr"); },
     {},
     true},
    {"the fuzz corpus",
     [] {
       std::vector<DeviceSeries> all;
       for (const auto& entry : std::filesystem::directory_iterator(
                TOVRA_SOURCE_DIR "/fuzz/corpus/device_series_fuzzer")) {
         for (DeviceSeries& series : ReadSeries(entry.path().string())) {
           all.push_back(std::move(series));
         }
       }
       return all;
     },
     {},
     true},
    {"the synthetic series at a small shape",
     [] {
       SyntheticShape shape;
       shape.media = 3;
       shape.permissionSetsPerMedium = 3;
       shape.separations = 4;
       return std::vector<DeviceSeries>{MakeSyntheticSeries(shape)};
     },
     {},
     true},
    {"empty lists", [] { return std::vector<DeviceSeries>(1); }, {}, true},
    {"every byte, NaN and infinities",
     [] { return std::vector<DeviceSeries>{HostileSeries()}; },
     {},
     true},
    {"large lists and a text of several pieces",
     [] { return std::vector<DeviceSeries>{LargeSeries()}; },
     {},
     true},
    {"language names beyond ASCII",
     [] { return std::vector<DeviceSeries>{HostileSeries()}; },
     LanguageNames("Espa\xC3\xB1ol", "\xE6\x97\xA5\xE6\x9C\xAC"), true},
    // The first language set is the ink's, before the media lists are
    // sized; with no ink it is a medium's, after them.
    {"a language name that is missing",
     [] { return std::vector<DeviceSeries>{HostileSeries()}; },
     LanguageNames("English", ""), false},
    {"a language name that is no name, after the sizing",
     [] {
       DeviceSeries series = LargeSeries();
       series.aMediaInfoList[0].aflFeedCalibration = {1.0f};
       return std::vector<DeviceSeries>{series};
     },
     LanguageNames("not a name", "Arabic"), false},
};

void PrintTo(const SeriesCase& c, std::ostream* os) { *os << c.what; }

// What a write may change in a document.
std::vector<std::vector<float>> FeedCalibrations(const DeviceSeries& series) {
  std::vector<std::vector<float>> lists;
  for (const MediaInfo& media : series.aMediaInfoList) {
    lists.push_back(media.aflFeedCalibration);
  }
  return lists;
}

class StreamedSeriesTest : public ::testing::TestWithParam<SeriesCase> {};

TEST_P(StreamedSeriesTest, WritesWhatTheDomWriterWrites) {
  const SeriesCase& c = GetParam();
  std::vector<DeviceSeries> documents = c.make();
  ASSERT_FALSE(documents.empty());
  std::optional<ScopedLanguages> languages;
  if (!c.languages.empty()) languages.emplace(c.languages);
  for (DeviceSeries& throughDom : documents) {
    ScopedTempDir dir;
    WriteFileBytes(dir.File("dom.dsr"), "previous");
    WriteFileBytes(dir.File("stream.dsr"), "previous");
    DeviceSeries streamed = throughDom;
    EXPECT_EQ(DeviceSeriesIO2(dir.File("dom.dsr")).WriteThroughDom(throughDom),
              c.written);
    EXPECT_EQ(DeviceSeriesIO2(dir.File("stream.dsr")).Write(streamed),
              c.written);
    // The same bytes, or the previous ones, and the same document after.
    EXPECT_TRUE(ReadFileBytes(dir.File("dom.dsr")) ==
                ReadFileBytes(dir.File("stream.dsr")));
    EXPECT_EQ(ReadFileBytes(dir.File("stream.dsr")) == "previous", !c.written);
    EXPECT_TRUE(FeedCalibrations(throughDom) == FeedCalibrations(streamed));
    EXPECT_EQ(ListFolder(dir.path()), (Names{"dom.dsr", "stream.dsr"}));
  }
}

INSTANTIATE_TEST_SUITE_P(Series, StreamedSeriesTest,
                         ::testing::ValuesIn(kSeriesCases),
                         [](const ::testing::TestParamInfo<SeriesCase>& info) {
                           std::string name;
                           for (const char* p = info.param.what; *p != '\0';
                                ++p) {
                             if (std::isalnum(static_cast<unsigned char>(*p)))
                               name += *p;
                           }
                           return name;
                         });

// Faults while a document of several pieces is streamed: the previous file
// or the clean result, nothing beside it, and the document changed as the
// DOM writer changes it whatever the file system did.
TEST(StreamedWriteFaultTest, EveryFaultLeavesOldOrNewFileAndNoTemporary) {
  DeviceSeries sample = LargeSeries(200, 400 << 10);
  sample.aMediaInfoList[1].aflFeedCalibration = {1.0f};
  DeviceSeries afterDom = sample;
  tovra::testing::FaultFileSystem clean;
  std::string written;
  {
    ScopedTempDir dir;
    ASSERT_TRUE(DeviceSeriesIO(dir.File("dom.dsr")).WriteThroughDom(afterDom));
    DeviceSeries series = sample;
    WriteFileBytes(dir.File("t.dsr"), "previous");
    platform::ScopedFileSystem scoped(&clean);
    ASSERT_TRUE(DeviceSeriesIO(dir.File("t.dsr")).Write(series));
    written = ReadFileBytes(dir.File("t.dsr"));
    ASSERT_TRUE(written == ReadFileBytes(dir.File("dom.dsr")));
  }
  for (const auto& fault : tovra::testing::SweepFaults(clean)) {
    // Short and interrupted writes are the replacement's own concern.
    if (!fault.call && fault.error != platform::FileError::kNoSpace) continue;
    SCOPED_TRACE(fault.what);
    ScopedTempDir dir;
    WriteFileBytes(dir.File("t.dsr"), "previous");
    tovra::testing::FaultFileSystem fs;
    fault.inject(fs);
    DeviceSeries series = sample;
    bool ok;
    {
      platform::ScopedFileSystem scoped(&fs);
      ok = DeviceSeriesIO(dir.File("t.dsr")).Write(series);
    }
    EXPECT_EQ(ok, fault.recoverable);
    EXPECT_TRUE(ReadFileBytes(dir.File("t.dsr")) ==
                (ok ? written : "previous"));
    EXPECT_EQ(tovra::testing::LeftBehind(dir.path(), {"t.dsr"}, fs), Names{});
    EXPECT_TRUE(FeedCalibrations(series) == FeedCalibrations(afterDom));
  }
}

// A FIFO is opened only once the whole document is made, as by a DOM save:
// a write that fails after a piece was ready does not wait for a reader.
// FIFOs are POSIX's (platform/win32/file_system_win32_test writes devices).
#ifndef _WIN32
TEST(StreamedWriteFaultTest, AFailedWriteNeverOpensAFifo) {
  ScopedTempDir dir;
  const std::string fifo = dir.File("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  ScopedLanguages languages(LanguageNames("English", ""));
  DeviceSeries series = LargeSeries();
  auto write = std::async(std::launch::async,
                          [&] { return DeviceSeriesIO(fifo).Write(series); });
  if (write.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
    ADD_FAILURE() << "the write waits for a reader";
    // A reader lets it go on.
    int fd = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    std::vector<char> buffer(1 << 16);
    while (write.wait_for(std::chrono::seconds(0)) !=
           std::future_status::ready) {
      (void)!::read(fd, buffer.data(), buffer.size());
    }
    ::close(fd);
  }
  EXPECT_FALSE(write.get());
}
#endif

// A device-series file marked `version` up to its root's start tag, then
// `rest`.
std::string Marked(const std::string& version, const std::string& rest) {
  return "<!-- kept -->\n<DeviceSeries strVersion=\"" + version + "\">" + rest;
}

struct VersionCase {
  const char* what;
  std::string bytes;  // empty: no file
  const char* kept;
  // What a load of the whole file gives, as the version used to be read.
  const char* keptByWholeLoad;
  // When not 0: the file is padded with zero bytes to this size (sparse).
  std::uintmax_t paddedTo = 0;
};

// WriteKeepingFileVersion reads the file up to the end of its root
// element's start tag. Up to there the rules of a whole-file load hold;
// what follows is not read, so a file broken only after it (which a
// whole-file load refuses) gives the version it is marked with.
TEST(WriteKeepingFileVersionTest, ReadsTheRootStartTagOnly) {
  const std::string lists =
      "<aModelInfoList/><aInkInfoList/><aInkConfigInfoList/>"
      "<aResolutionInfoList/><aModeInfoList/><aSeparationInfoList/>"
      "<aVControlPointList/><aPatternInfoList/><commandSet/>"
      "<aMediaInfoList/></DeviceSeries>\n";
  const VersionCase cases[] = {
      {"a well-formed file", Marked("7.0.1.0", lists), "7.0.1.0", "7.0.1.0"},
      {"a character reference", Marked("&#55;.0.1.0", lists), "7.0.1.0",
       "7.0.1.0"},
      {"broken after the start tag", Marked("7.0.1.0", "<a><<"), "7.0.1.0",
       "3.3.0.0"},
      {"ending with the start tag", Marked("7.0.1.0", ""), "7.0.1.0",
       "3.3.0.0"},
      {"a bad byte after several pieces",
       Marked("7.0.1.0", "<a>" + std::string(3 << 20, 'x') + "\xFF"), "7.0.1.0",
       "3.3.0.0"},
      {"a repeated attribute", Marked("7.0.1.0\" strVersion=\"7.0.2.0", lists),
       "3.3.0.0", "3.3.0.0"},
      {"a document type declaration",
       "<!DOCTYPE DeviceSeries>" + Marked("7.0.1.0", lists), "3.3.0.0",
       "3.3.0.0"},
      {"no version attribute", "<DeviceSeries>" + lists, "3.3.0.0", "3.3.0.0"},
      {"another root", "<Other strVersion=\"7.0.1.0\"/>", "3.3.0.0", "3.3.0.0"},
      {"marked 0.0.0.0", Marked("0.0.0.0", lists), "3.3.0.0", "3.3.0.0"},
      {"no file", "", "3.3.0.0", "3.3.0.0"},
      {"over the whole load's size limit", Marked("7.0.1.0", lists), "7.0.1.0",
       "3.3.0.0", platform::kMaxDocumentBytes + 1},
  };
  for (const VersionCase& c : cases) {
    SCOPED_TRACE(c.what);
    ScopedTempDir dir;
    const std::string path = dir.File("k.dsr");
    if (!c.bytes.empty()) WriteFileBytes(path, c.bytes);
    if (c.paddedTo != 0) {
      ASSERT_NO_FATAL_FAILURE(ResizeFile(path, c.paddedTo));
    }
    DeviceSeriesIO2 whole(path);
    whole.EnsureDocumentLoaded();
    whole.CheckFileVersion();
    EXPECT_EQ(whole.KeptFileVersion().ToString(), c.keptByWholeLoad);

    DeviceSeries series;
    DeviceSeriesIO2 io(path);
    ASSERT_TRUE(io.WriteKeepingFileVersion(series));
    DomDocument written;
    ASSERT_TRUE(written.Load(path));
    EXPECT_EQ(written.GetFirstChild().GetAttributeNode("strVersion").GetText(),
              c.kept);
  }
}

}  // namespace
