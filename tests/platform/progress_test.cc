// Progress reports of the file operations: a document read into the DOM,
// and files written through a replacement, each told to the installed
// observer from start to finish, with bytes that add up to the file's size.
#include "devseries/platform/progress.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "devseries/platform/dom.h"
#include "devseries/platform/file_system.h"
#include "tests/support/temp_dir.h"

namespace devseries::platform {
namespace {

using tovra::testing::ReadFileBytes;
using tovra::testing::ScopedTempDir;
using tovra::testing::WriteFileBytes;

// Every call, one entry per file.
class RecordingObserver : public ProgressObserver {
 public:
  struct File {
    ProgressWork work;
    std::string path;
    std::uint64_t total;
    std::vector<std::uint64_t> done;
    int finished = 0;
  };

  void Started(ProgressWork work, const std::string& path,
               std::uint64_t total) override {
    if (!files.empty()) {
      EXPECT_EQ(files.back().finished, 1) << "nested";
    }
    files.push_back({work, path, total, {}, 0});
  }
  void Advanced(std::uint64_t done) override {
    ASSERT_FALSE(files.empty());
    ASSERT_EQ(files.back().finished, 0);
    files.back().done.push_back(done);
  }
  void Finished() override {
    ASSERT_FALSE(files.empty());
    ++files.back().finished;
  }

  std::vector<File> files;
};

// A well-formed document of about 2.5 MiB, so that it goes in several
// pieces.
std::string LargeDocument() {
  std::string text = "<?xml version='1.0' encoding='UTF-8'?>\n<r>\n";
  while (text.size() < (size_t{5} << 19)) {
    text += "  <a>some text of the document, again and again</a>\n";
  }
  return text + "</r>\n";
}

TEST(ProgressTest, ReadsAndWritesAreReportedInFull) {
  ScopedTempDir dir;
  const std::string large = dir.File("large.xml");
  const std::string out = dir.File("out.xml");
  WriteFileBytes(large, LargeDocument());
  const std::uint64_t largeSize = LargeDocument().size();
  FileSystem& fs = *FileSystem::Current();

  struct Case {
    const char* what;
    std::function<void()> run;
    ProgressWork work;
    std::string path;
    bool totalKnown;  // else 0
    size_t minimumPieces;
  };
  const Case cases[] = {
      {"a document loaded",
       [&] {
         DomDocument document;
         EXPECT_TRUE(document.Load(large));
       },
       ProgressWork::kReading, large, true, 3},
      {"a document saved",
       [&] {
         DomDocument document;
         ASSERT_TRUE(document.LoadFromMemory(LargeDocument(), "memory"));
         document.Save(out);
       },
       ProgressWork::kWriting, out, false, 3},
      {"bytes replacing a file",
       [&] {
         EXPECT_EQ(ReplaceFileAtomically(fs, out, LargeDocument()),
                   FileError::kNone);
       },
       ProgressWork::kWriting, out, true, 3},
      {"a file copied",
       [&] {
         EXPECT_EQ(CopyFileAtomically(fs, large, out, true, kMaxDocumentBytes),
                   FileError::kNone);
       },
       ProgressWork::kWriting, out, true, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RecordingObserver observer;
    {
      ScopedProgressObserver installed(&observer);
      c.run();
    }
    ASSERT_EQ(observer.files.size(), 1u);
    const RecordingObserver::File& file = observer.files[0];
    EXPECT_EQ(file.work, c.work);
    EXPECT_EQ(file.path, c.path);
    const std::uint64_t size = ReadFileBytes(c.path).size();
    EXPECT_EQ(file.total, c.totalKnown ? size : 0);
    EXPECT_GE(file.done.size(), c.minimumPieces);
    EXPECT_TRUE(std::is_sorted(file.done.begin(), file.done.end()));
    ASSERT_FALSE(file.done.empty());
    EXPECT_EQ(file.done.back(), size);
    EXPECT_EQ(file.finished, 1);
  }
  EXPECT_EQ(ReadFileBytes(out).size(), largeSize);
}

// A replacement given up on, or refused at its start, still ends (or never
// starts) its report; without an observer nothing is reported.
TEST(ProgressTest, AbortedAndUnobservedWork) {
  ScopedTempDir dir;
  FileSystem& fs = *FileSystem::Current();
  RecordingObserver observer;
  {
    ScopedProgressObserver installed(&observer);
    FileReplacement replacement;
    ASSERT_EQ(replacement.Open(fs, dir.File("given-up")), FileError::kNone);
    ASSERT_EQ(replacement.Write("abc"), FileError::kNone);
    replacement.Abort();
    EXPECT_NE(replacement.Open(fs, dir.File("no/such/folder")),
              FileError::kNone);
  }
  ASSERT_EQ(observer.files.size(), 1u);
  EXPECT_EQ(observer.files[0].done, std::vector<std::uint64_t>{3});
  EXPECT_EQ(observer.files[0].finished, 1);

  EXPECT_EQ(ReplaceFileAtomically(fs, dir.File("quiet"), "x"),
            FileError::kNone);
  EXPECT_EQ(observer.files.size(), 1u);
}

}  // namespace
}  // namespace devseries::platform
