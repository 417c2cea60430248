#include "platform/file_system.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <string>
#include <vector>

#include "tests/support/fault_file_system.h"
#include "tests/support/temp_dir.h"

namespace platform {
namespace {

using tovra::testing::FaultFileSystem;
using tovra::testing::FsCall;
using tovra::testing::ListFolder;
using tovra::testing::ReadFileBytes;
using tovra::testing::ScopedTempDir;
using tovra::testing::WriteFileBytes;

struct ReplaceCase {
  const char* what;
  void (*inject)(FaultFileSystem& fs);
  int error;
  ReplaceStep step;
};

const ReplaceCase kReplaceCases[] = {
    {"no fault", [](FaultFileSystem&) {}, 0, ReplaceStep::kNone},
    {"short writes of one byte",
     [](FaultFileSystem& fs) { fs.LimitBytesPerWrite(1); }, 0,
     ReplaceStep::kNone},
    {"interrupted writes",
     [](FaultFileSystem& fs) {
       fs.LimitBytesPerWrite(3);
       fs.InterruptEveryOtherWrite();
     },
     0, ReplaceStep::kNone},
    {"full disk after some bytes",
     [](FaultFileSystem& fs) { fs.SetDiskSpace(5); }, ENOSPC,
     ReplaceStep::kWrite},
    {"full disk at once", [](FaultFileSystem& fs) { fs.SetDiskSpace(0); },
     ENOSPC, ReplaceStep::kWrite},
    {"failed flush",
     [](FaultFileSystem& fs) { fs.FailCall(FsCall::kSync, 0, EIO); }, EIO,
     ReplaceStep::kSync},
    {"failed close",
     [](FaultFileSystem& fs) { fs.FailCall(FsCall::kClose, 0, EIO); }, EIO,
     ReplaceStep::kClose},
    {"failed rename",
     [](FaultFileSystem& fs) { fs.FailCall(FsCall::kRename, 0, EACCES); },
     EACCES, ReplaceStep::kRename},
};

void PrintTo(const ReplaceCase& c, std::ostream* os) { *os << c.what; }

class ReplaceFileTest : public ::testing::TestWithParam<ReplaceCase> {};

// Whatever fails, the folder holds the target only: either the new bytes
// or, untouched, the old ones.
TEST_P(ReplaceFileTest, NewFileCompleteOrOldFileUntouched) {
  const ReplaceCase& c = GetParam();
  ScopedTempDir dir;
  std::string target = dir.File("target.dat");
  WriteFileBytes(target, "previous content");
  const std::string data = "new content, longer than before\r\n";

  FaultFileSystem fs;
  c.inject(fs);
  ReplaceStep step = ReplaceStep::kCreate;
  EXPECT_EQ(ReplaceFileAtomically(fs, target, data, &step), c.error);
  EXPECT_EQ(step, c.step);
  EXPECT_EQ(ReadFileBytes(target), c.error == 0 ? data : "previous content");
  EXPECT_EQ(ListFolder(dir.path()), std::vector<std::string>{"target.dat"});
}

INSTANTIATE_TEST_SUITE_P(Faults, ReplaceFileTest,
                         ::testing::ValuesIn(kReplaceCases));

TEST(ReplaceFileAtomicallyTest, CreateFailuresCreateNothing) {
  ScopedTempDir dir;
  ReplaceStep step = ReplaceStep::kNone;
  // Folder missing.
  EXPECT_EQ(ReplaceFileAtomically(*FileSystem::Real(),
                                  dir.File("missing/target.dat"), "x", &step),
            ENOENT);
  EXPECT_EQ(step, ReplaceStep::kCreate);
  // A folder where the file should be.
  ASSERT_EQ(::mkdir(dir.File("folder").c_str(), 0755), 0);
  step = ReplaceStep::kNone;
  EXPECT_NE(ReplaceFileAtomically(*FileSystem::Real(), dir.File("folder"), "x",
                                  &step),
            0);
  EXPECT_EQ(step, ReplaceStep::kCreate);
  EXPECT_EQ(ListFolder(dir.path()), std::vector<std::string>{"folder"});
  EXPECT_TRUE(ListFolder(dir.File("folder")).empty());
}

TEST(ReplaceFileAtomicallyTest, BackslashesSeparateFolders) {
  ScopedTempDir dir;
  ASSERT_EQ(::mkdir(dir.File("sub").c_str(), 0755), 0);
  EXPECT_EQ(ReplaceFileAtomically(*FileSystem::Real(),
                                  dir.path() + "\\sub\\file.txt", "bytes"),
            0);
  EXPECT_EQ(ReadFileBytes(dir.File("sub/file.txt")), "bytes");
  EXPECT_EQ(ListFolder(dir.File("sub")), std::vector<std::string>{"file.txt"});
}

// What callers of the seam rely on from the real file system.
TEST(FileSystemContractTest, RealFileSystem) {
  ScopedTempDir dir;
  FileSystem& fs = *FileSystem::Real();
  std::string file = dir.File("a.txt");
  FileSystem::Handle handle = -1;
  ASSERT_EQ(fs.CreateNew(file, &handle), 0);
  size_t written = 0;
  EXPECT_EQ(fs.Write(handle, "abc", 3, &written), 0);
  EXPECT_EQ(written, 3u);
  EXPECT_EQ(fs.Close(handle), 0);
  EXPECT_EQ(fs.CreateNew(file, &handle), EEXIST);

  std::string contents;
  EXPECT_EQ(fs.ReadFile(file, 3, &contents), 0);
  EXPECT_EQ(contents, "abc");
  EXPECT_EQ(fs.ReadFile(file, 2, &contents), EFBIG);
  EXPECT_EQ(fs.ReadFile(dir.File("none"), 10, &contents), ENOENT);

  EXPECT_TRUE(fs.Exists(file));
  EXPECT_FALSE(fs.IsDirectory(file));
  EXPECT_TRUE(fs.IsDirectory(dir.path()));
  EXPECT_EQ(fs.Remove(file), 0);
  EXPECT_EQ(fs.Remove(file), ENOENT);
  EXPECT_FALSE(fs.Exists(file));
}

}  // namespace
}  // namespace platform
