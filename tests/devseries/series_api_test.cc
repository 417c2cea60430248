// The modern surface: every read and write answers with a Status that
// names the file, the line, the element path and the problem, replaces
// what it reads into only on success, leaves what it writes unchanged, and
// never throws for a file's content or an I/O failure.
#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <typeinfo>

#include "devseries/devseries.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif
#include "tests/support/temp_dir.h"

using namespace devseries;
using tovra::testing::ReadFileBytes;
using tovra::testing::ScopedTempDir;
using tovra::testing::WriteFileBytes;

namespace {

std::string Example() {
  return ReadFileBytes(std::string(TOVRA_SOURCE_DIR) +
                       "/examples/studio-series.dsr");
}

// The example with its first "from" replaced by `to`.
std::string ExampleWith(const std::string& from, const std::string& to) {
  std::string text = Example();
  text.replace(text.find(from), from.size(), to);
  return text;
}

struct Case {
  const char* what;
  // Runs the operation in `dir` and returns its status.
  std::function<Status(const ScopedTempDir& dir)> run;
  StatusCode code;
  // Text the status's ToString() holds ("" for none).
  const char* says;
  int warnings = 0;
};

Status ReadText(const ScopedTempDir& dir, const std::string& text,
                const ReadOptions& options = {}) {
  WriteFileBytes(dir.File("in.dsr"), text);
  DeviceSeries series;
  series.aModelInfoList.resize(3);  // replaced on success, kept on failure
  const DeviceSeries before = series;
  Status status = ReadSeries(dir.File("in.dsr"), series, options);
  EXPECT_EQ(status.ok(), series != before) << status.ToString();
  return status;
}

Status WriteTo(const std::string& path) {
  DeviceSeries series;
  EXPECT_TRUE(ReadSeriesFromMemory(Example(), series).ok());
  series.aModelInfoList.emplace_back();
  const DeviceSeries before = series;
  Status status = WriteSeries(series, path);
  EXPECT_EQ(series, before) << "a write changed what it wrote";
  return status;
}

ReadOptions Options(VersionPolicy policy, IOVersion version = {},
                    bool warnings = false, size_t limit = 0) {
  ReadOptions options;
  options.versionPolicy = policy;
  options.version = version;
  options.warnings = warnings;
  options.sizeLimit = limit;
  return options;
}

const Case kCases[] = {
    {"read", [](const ScopedTempDir& d) { return ReadText(d, Example()); },
     StatusCode::kOk, "in.dsr: ok"},
    {"read a missing file",
     [](const ScopedTempDir& d) {
       DeviceSeries series;
       return ReadSeries(d.File("missing.dsr"), series);
     },
     StatusCode::kCannotRead, "missing.dsr: "},
    {"read a file cut short",
     [](const ScopedTempDir& d) {
       return ReadText(d, Example().substr(0, 400));
     },
     StatusCode::kNotWellFormed, "in.dsr:"},
    {"read another root",
     [](const ScopedTempDir& d) {
       return ReadText(d, "<?xml version=\"1.0\"?><Other/>");
     },
     StatusCode::kNotReadable, "in.dsr"},
    {"read over the size limit",
     [](const ScopedTempDir& d) {
       return ReadText(d, Example(),
                       Options(VersionPolicy::kOff, {}, false, 64));
     },
     StatusCode::kRefused, "in.dsr: "},
    {"version 3.2 under the host's gate",
     [](const ScopedTempDir& d) {
       return ReadText(d, ExampleWith("3.3.0.0", "3.2.0.0"),
                       Options(VersionPolicy::kHost));
     },
     StatusCode::kNotReadable, "3.2"},
    {"version 3.2 with the gate off",
     [](const ScopedTempDir& d) {
       return ReadText(d, ExampleWith("3.3.0.0", "3.2.0.0"),
                       Options(VersionPolicy::kOff));
     },
     StatusCode::kOk, ""},
    {"version 3.2 when the caller reads 3.2",
     [](const ScopedTempDir& d) {
       return ReadText(d, ExampleWith("3.3.0.0", "3.2.0.0"),
                       Options(VersionPolicy::kCaller, {3, 2, 0, 0}));
     },
     StatusCode::kOk, ""},
    {"version 3.3 when the caller reads 3.2",
     [](const ScopedTempDir& d) {
       return ReadText(d, Example(),
                       Options(VersionPolicy::kCaller, {3, 2, 0, 0}));
     },
     StatusCode::kNotReadable, "3.3"},
    {"a coerced value, warnings asked for",
     [](const ScopedTempDir& d) {
       return ReadText(d, ExampleWith("<nHeadNum>", "<nHeadNum>x"),
                       Options(VersionPolicy::kOff, {}, true));
     },
     StatusCode::kOk, "", 1},
    {"read from memory, not well-formed",
     [](const ScopedTempDir&) {
       DeviceSeries series;
       return ReadSeriesFromMemory("<?xml version=\"1.0\"?>\n<DeviceSeries>",
                                   series);
     },
     StatusCode::kNotWellFormed, "<memory>:2: "},
    {"write", [](const ScopedTempDir& d) { return WriteTo(d.File("out.dsr")); },
     StatusCode::kOk, "out.dsr: ok"},
    {"write into a missing folder",
     [](const ScopedTempDir& d) { return WriteTo(d.File("no/such/out.dsr")); },
     StatusCode::kCannotWrite, "out.dsr: "},
    {"write over a folder",
     [](const ScopedTempDir& d) {
       WriteFileBytes(d.File("in.dsr"), "");
       return WriteTo(d.path());
     },
     StatusCode::kCannotWrite, ""},
    {"write with no name", [](const ScopedTempDir&) { return WriteTo(""); },
     StatusCode::kInvalidArgument, "no file named"},
    {"read a model file that holds a medium",
     [](const ScopedTempDir& d) {
       EXPECT_TRUE(WriteRecordFile(MediaInfo{}, d.File("m.xml")).ok());
       ModelInfo model;
       return ReadRecordFile(d.File("m.xml"), model);
     },
     StatusCode::kNotReadable, "the root element is \"MediaInfo\""},
    {"read a record file that is not XML",
     [](const ScopedTempDir& d) {
       WriteFileBytes(d.File("m.xml"), "<ModelInfo>");
       ModelInfo model;
       return ReadRecordFile(d.File("m.xml"), model);
     },
     StatusCode::kNotWellFormed, "m.xml:"},
    {"write a record file into a missing folder",
     [](const ScopedTempDir& d) {
       return WriteRecordFile(InkInfo{}, d.File("no/i.xml"));
     },
     StatusCode::kCannotWrite, "i.xml: "},
};

template <typename Record>
bool Same(const Record& a, const Record& b) {
  return a == b;
}
bool Same(const CustomColorInfo& a, const CustomColorInfo& b) {
  return std::tie(a.strColorName, a.nColorSpace, a.aColorValue,
                  a.strMatchLibName) == std::tie(b.strColorName, b.nColorSpace,
                                                 b.aColorValue,
                                                 b.strMatchLibName);
}

class SeriesApiTest : public ::testing::TestWithParam<Case> {};

TEST_P(SeriesApiTest, AnswersWithAStatus) {
  const Case& c = GetParam();
  ScopedTempDir dir;
  Status status;
  ASSERT_NO_THROW(status = c.run(dir));
  EXPECT_EQ(status.code(), c.code) << status.ToString();
  EXPECT_NE(status.ToString().find(c.says), std::string::npos)
      << status.ToString();
  EXPECT_EQ(status.ok(), status.message().empty());
  EXPECT_EQ(status.warnings().size(), static_cast<size_t>(c.warnings));
}

INSTANTIATE_TEST_SUITE_P(Operations, SeriesApiTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) {
                           std::string name;
                           for (char ch : std::string(info.param.what)) {
                             if (std::isalnum(static_cast<unsigned char>(ch))) {
                               name += ch;
                             }
                           }
                           return name;
                         });

// Each standalone kind: written and read back, and a failed read leaves
// the record as it was.
TEST(SeriesApiRecordTest, EveryKindRoundTrips) {
  ScopedTempDir dir;
  DeviceSeries series;
  ASSERT_TRUE(ReadSeriesFromMemory(Example(), series).ok());
  auto check = [&](auto record) {
    using Record = decltype(record);
    SCOPED_TRACE(typeid(Record).name());
    // What a file holds reads back as it is (a read normalises some
    // records, so the second write is the one compared).
    const std::string path = dir.File("record.xml");
    Record first{};
    ASSERT_TRUE(WriteRecordFile(record, path).ok());
    ASSERT_TRUE(ReadRecordFile(path, first).ok());
    ASSERT_TRUE(WriteRecordFile(first, path).ok());
    Record back{};
    Status status = ReadRecordFile(path, back);
    EXPECT_TRUE(status.ok()) << status.ToString();
    EXPECT_TRUE(Same(back, first));
    Record kept = record;
    EXPECT_FALSE(ReadRecordFile(dir.File("missing.xml"), kept).ok());
    EXPECT_TRUE(Same(kept, record));
  };
  check(series.aModelInfoList.at(0));
  check(series.aInkInfoList.at(0));
  check(series.aInkConfigInfoList.at(0));
  check(series.aResolutionInfoList.at(0));
  check(series.aModeInfoList.at(0));
  check(series.aPatternInfoList.at(0));
  check(series.aMediaInfoList.at(0));
  check(series.aSeparationInfoList.at(0));
  check(series.aVControlPointList.at(0));
  CustomColorInfo color;
  color.strColorName = "Signal red";
  color.nColorSpace = 2;
  color.aColorValue = {0, 255, 230, 10, 0, 0};
  check(color);
}

// A curve edited by its samples survives a write and a read, and what a
// file would store is what StoredEqual compares.
TEST(SeriesApiRecordTest, SamplesAndStoredEquality) {
  DeviceSeries series;
  ASSERT_TRUE(ReadSeriesFromMemory(Example(), series).ok());
  OutputTable& table =
      series.aSeparationInfoList.at(0).aSeparationTableList.at(0).usOutputTable;
  OutputTableSamples samples = Samples(table);
  for (auto& sample : samples) {
    sample = static_cast<std::uint16_t>(sample * 0.95);
  }
  SetSamples(table, samples);
  EXPECT_EQ(Samples(table), samples);

  std::ostringstream out;
  ASSERT_TRUE(WriteSeries(series, out).ok());
  DeviceSeries back;
  ASSERT_TRUE(ReadSeriesFromMemory(out.str(), back).ok());
  EXPECT_EQ(back.aSeparationInfoList, series.aSeparationInfoList);
  EXPECT_TRUE(StoredEqual(back, series));

  back.aMediaInfoList2.emplace_back();  // held in memory only
  EXPECT_TRUE(StoredEqual(back, series));
  back.aMediaInfoList.at(0).nDryTime += 1;
  EXPECT_FALSE(StoredEqual(back, series));
}

}  // namespace

#ifndef _WIN32
// A record file that can be read once (a FIFO) is read once: the root is
// not looked at first.
TEST(SeriesApiRecordTest, AFifoIsReadOnce) {
  ScopedTempDir dir;
  ModelInfo model;
  model.nHeadNum = 4;
  ASSERT_TRUE(WriteRecordFile(model, dir.File("model.xml")).ok());
  const std::string fifo = dir.File("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::thread writer(
      [&] { WriteFileBytes(fifo, ReadFileBytes(dir.File("model.xml"))); });
  ModelInfo back;
  Status status = ReadRecordFile(fifo, back);
  writer.join();
  EXPECT_TRUE(status.ok()) << status.ToString();
  EXPECT_EQ(back.nHeadNum, 4);
}
#endif
