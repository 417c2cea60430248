#include "devseries/platform/resource_file_writer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "devseries/platform/debug_output.h"
#include "devseries/platform/file_system.h"
#include "devseries/platform/resources.h"
#include "tests/support/fault_file_system.h"
#include "tests/support/temp_dir.h"

using namespace devseries;

namespace {

using platform::ResourceEntry;
using platform::RT_HTML;
using tovra::testing::FaultFileSystem;
using tovra::testing::FsCall;
using tovra::testing::ListFolder;
using tovra::testing::MakeFolder;
using tovra::testing::ReadFileBytes;
using tovra::testing::ScopedTempDir;
using tovra::testing::WriteFileBytes;

const unsigned char kPage[] = {'<', 'p', '>', 'h', 'i', '<', '/', 'p', '>'};
const unsigned char kSeries[] = {'<', 'D', 'S', '/', '>'};

// Resources of the writer's two types, and the three ways a resource can
// fail before any file is touched.
const ResourceEntry kEntries[] = {
    {RT_HTML, nullptr, 1, nullptr, 0x0411, kPage, sizeof kPage},
    {RT_HTML, nullptr, 2, nullptr, 0x0411, nullptr, sizeof kPage},
    {RT_HTML, nullptr, 3, nullptr, 0x0411, kPage, 0},
    {-1, "BIN", 1, nullptr, 0x0411, kSeries, sizeof kSeries},
    {-1, "BIN", -1, "NEWSERIES", 0x0411, kSeries, sizeof kSeries},
};
const platform::ResourceTable kTable = {kEntries, std::size(kEntries), nullptr,
                                        0};

class ResourceFileWriterTest : public ::testing::Test {
 protected:
  ResourceFileWriterTest() {
    g_nBinUpdateCount = 0;
    g_nHtmlUpdateCount = 0;
    platform::Seam<platform::ResourceProvider>::Install(&provider_);
  }
  ~ResourceFileWriterTest() override {
    platform::Seam<platform::ResourceProvider>::Install(nullptr);
  }

  ScopedTempDir dir_;
  platform::TableResourceProvider provider_{kTable};
  platform::ScopedDebugCapture capture_;
};

enum class Writer { kHtml, kBin };
enum class Target { kNew, kExisting, kFolderMissing };

struct WriterCase {
  const char* what;
  Writer writer;
  platform::ResourceId id;
  Target target;
  bool failWrites;
  // "%s" stands for the path.
  const char* line;
  bool result;
  std::string content;  // of the target afterwards; "-" when it is absent
};

const std::string kOld = "old content";
const std::string kPageText(std::begin(kPage), std::end(kPage));
const std::string kSeriesText(std::begin(kSeries), std::end(kSeries));

const WriterCase kWriterCases[] = {
    {"html written", Writer::kHtml, 1, Target::kNew, false,
     "[01] %s ( 9 Bytes ) successfly updated!\r\n", true, kPageText},
    {"html replaces", Writer::kHtml, 1, Target::kExisting, false,
     "[01] %s ( 9 Bytes ) successfly updated!\r\n", true, kPageText},
    {"bin written", Writer::kBin, 1, Target::kNew, false,
     "[01] %s ( 5 Bytes ) successfly updated!\r\n", true, kSeriesText},
    {"bin by name", Writer::kBin, "NEWSERIES", Target::kNew, false,
     "[01] %s ( 5 Bytes ) successfly updated!\r\n", true, kSeriesText},
    {"resource not found", Writer::kHtml, 99, Target::kExisting, false,
     "[01] %s error: resource not found.\r\n", false, kOld},
    {"html id is not a bin id", Writer::kBin, 3, Target::kNew, false,
     "[01] %s error: resource not found.\r\n", false, "-"},
    {"resource not loaded", Writer::kHtml, 2, Target::kExisting, false,
     "[01] %s error: resource data cannot loaded.\r\n", false, kOld},
    {"resource empty", Writer::kHtml, 3, Target::kExisting, false,
     "[01] %s error: resource size is zero.\r\n", false, kOld},
    {"folder missing", Writer::kHtml, 1, Target::kFolderMissing, false,
     "[01] %s error: file cannot opened.\r\n", false, "-"},
    {"write fails", Writer::kBin, 1, Target::kExisting, true,
     "[01] error: %s file io failed.\r\n", false, kOld},
    {"write fails, no file before", Writer::kHtml, 1, Target::kNew, true,
     "[01] error: %s file io failed.\r\n", false, "-"},
};

void PrintTo(const WriterCase& c, std::ostream* os) { *os << c.what; }

class WriterOutcomeTest : public ResourceFileWriterTest,
                          public ::testing::WithParamInterface<WriterCase> {};

TEST_P(WriterOutcomeTest, OneLineOneCountAndTheFileAsExpected) {
  const WriterCase& c = GetParam();
  std::string path = c.target == Target::kFolderMissing
                         ? dir_.File("missing/target.out")
                         : dir_.File("target.out");
  if (c.target == Target::kExisting) WriteFileBytes(path, kOld);
  // A disk that takes 3 bytes in all.
  FaultFileSystem failing;
  failing.SetDiskSpace(3);
  platform::ScopedFileSystem fs(c.failWrites ? &failing
                                             : platform::FileSystem::Default());

  bool result = c.writer == Writer::kHtml
                    ? UpdateFileFromHtmlResource(path.c_str(), c.id)
                    : UpdateFileFromBinResource(path.c_str(), c.id);

  EXPECT_EQ(result, c.result);
  std::string line = c.line;
  line.replace(line.find("%s"), 2, path);
  EXPECT_EQ(capture_.text(), line);
  EXPECT_EQ(c.writer == Writer::kHtml ? g_nHtmlUpdateCount : g_nBinUpdateCount,
            1);
  EXPECT_EQ(c.writer == Writer::kHtml ? g_nBinUpdateCount : g_nHtmlUpdateCount,
            0);
  if (c.content == "-") {
    EXPECT_TRUE(ListFolder(dir_.path()).empty());
  } else {
    EXPECT_EQ(ReadFileBytes(path), c.content);
    // No temporary file is left beside the target.
    EXPECT_EQ(ListFolder(dir_.path()), std::vector<std::string>{"target.out"});
  }
}

INSTANTIATE_TEST_SUITE_P(Outcomes, WriterOutcomeTest,
                         ::testing::ValuesIn(kWriterCases));

TEST_F(ResourceFileWriterTest, CountersRunIndependently) {
  std::string path = dir_.File("page.html");
  std::string missing = dir_.File("none/page.html");
  for (int i = 0; i < 13; ++i) {
    UpdateFileFromHtmlResource(i == 7 ? missing.c_str() : path.c_str(), 1);
  }
  UpdateFileFromBinResource(dir_.File("series.dsr").c_str(), 1);
  UpdateFileFromHtmlResource(path.c_str(), 99);
  UpdateFileFromBinResource(dir_.File("series.dsr").c_str(), 1);

  const std::string& log = capture_.text();
  EXPECT_NE(log.find("[08] " + missing + " error: file cannot opened.\r\n"),
            std::string::npos);
  EXPECT_NE(log.find("[13] " + path + " ( 9 Bytes )"), std::string::npos);
  EXPECT_NE(log.find("[01] " + dir_.File("series.dsr") + " ( 5 Bytes )"),
            std::string::npos);
  EXPECT_NE(log.find("[14] " + path + " error: resource not found.\r\n"),
            std::string::npos);
  EXPECT_NE(log.find("[02] " + dir_.File("series.dsr") + " ( 5 Bytes )"),
            std::string::npos);
  EXPECT_EQ(g_nHtmlUpdateCount, 14);
  EXPECT_EQ(g_nBinUpdateCount, 2);
}

TEST_F(ResourceFileWriterTest, SameIdTwiceReplacesWithConsecutiveNumbers) {
  std::string path = dir_.File("page.html");
  WriteFileBytes(path, "a longer previous page that must go away entirely");
  EXPECT_TRUE(UpdateFileFromHtmlResource(path.c_str(), 1));
  EXPECT_TRUE(UpdateFileFromHtmlResource(path.c_str(), 1));
  EXPECT_EQ(capture_.text(), "[01] " + path +
                                 " ( 9 Bytes ) successfly updated!\r\n[02] " +
                                 path + " ( 9 Bytes ) successfly updated!\r\n");
  EXPECT_EQ(ReadFileBytes(path), kPageText);
  EXPECT_EQ(ListFolder(dir_.path()), std::vector<std::string>{"page.html"});
}

// A write the disk cannot complete keeps the file that was there: the bytes
// go to a temporary file first, which is removed again.
TEST_F(ResourceFileWriterTest, ShortWriteKeepsThePreviousFile) {
  std::string path = dir_.File("_TOVRA.dsr");
  WriteFileBytes(path, kOld);
  FaultFileSystem shortWrite;
  shortWrite.SetDiskSpace(1);
  platform::ScopedFileSystem fs(&shortWrite);

  EXPECT_FALSE(UpdateFileFromBinResource(path.c_str(), 1));
  EXPECT_EQ(capture_.text(), "[01] error: " + path + " file io failed.\r\n");
  EXPECT_EQ(ReadFileBytes(path), kOld);
  EXPECT_EQ(ListFolder(dir_.path()), std::vector<std::string>{"_TOVRA.dsr"});
}

TEST_F(ResourceFileWriterTest, RefusedRenameKeepsThePreviousFile) {
  std::string path = dir_.File("_TOVRA.dsr");
  WriteFileBytes(path, kOld);
  FaultFileSystem refusing;
  refusing.FailCall(FsCall::kRename, 0, platform::FileError::kAccessDenied);
  platform::ScopedFileSystem fs(&refusing);

  EXPECT_FALSE(UpdateFileFromBinResource(path.c_str(), 1));
  EXPECT_EQ(capture_.text(), "[01] error: " + path + " file io failed.\r\n");
  EXPECT_EQ(ReadFileBytes(path), kOld);
  EXPECT_EQ(ListFolder(dir_.path()), std::vector<std::string>{"_TOVRA.dsr"});
}

TEST_F(ResourceFileWriterTest, PathIsLoggedAsComposed) {
  ASSERT_TRUE(MakeFolder(dir_.File("Help")));
  std::string path = dir_.path() + "/Help\\page.html";
  g_nHtmlUpdateCount = 99;
  EXPECT_TRUE(UpdateFileFromHtmlResource(path.c_str(), 1));
  EXPECT_EQ(capture_.text(),
            "[100] " + path + " ( 9 Bytes ) successfly updated!\r\n");
  EXPECT_EQ(ReadFileBytes(dir_.File("Help/page.html")), kPageText);
}

}  // namespace
