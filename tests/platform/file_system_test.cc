#include "platform/file_system.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/support/fault_file_system.h"
#include "tests/support/temp_dir.h"

namespace devseries::platform {

using namespace ::devseries;
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
  FileError error;
  ReplaceStep step;
};

const ReplaceCase kReplaceCases[] = {
    {"no fault", [](FaultFileSystem&) {}, FileError::kNone, ReplaceStep::kNone},
    {"short writes of one byte",
     [](FaultFileSystem& fs) { fs.LimitBytesPerWrite(1); }, FileError::kNone,
     ReplaceStep::kNone},
    {"interrupted writes",
     [](FaultFileSystem& fs) {
       fs.LimitBytesPerWrite(3);
       fs.InterruptEveryOtherWrite();
     },
     FileError::kNone, ReplaceStep::kNone},
    {"full disk after some bytes",
     [](FaultFileSystem& fs) { fs.SetDiskSpace(5); }, FileError::kNoSpace,
     ReplaceStep::kWrite},
    {"full disk at once", [](FaultFileSystem& fs) { fs.SetDiskSpace(0); },
     FileError::kNoSpace, ReplaceStep::kWrite},
    {"failed flush",
     [](FaultFileSystem& fs) { fs.FailCall(FsCall::kSync, 0, FileError::kIo); },
     FileError::kIo, ReplaceStep::kSync},
    {"failed close",
     [](FaultFileSystem& fs) {
       fs.FailCall(FsCall::kClose, 0, FileError::kIo);
     },
     FileError::kIo, ReplaceStep::kClose},
    {"failed rename",
     [](FaultFileSystem& fs) {
       fs.FailCall(FsCall::kRename, 0, FileError::kAccessDenied);
     },
     FileError::kAccessDenied, ReplaceStep::kRename},
    {"path cannot be looked at",
     [](FaultFileSystem& fs) {
       fs.FailCall(FsCall::kOpenToInspect, 0, FileError::kAccessDenied);
     },
     FileError::kAccessDenied, ReplaceStep::kResolve},
    {"link chain cannot be looked at",
     [](FaultFileSystem& fs) {
       fs.FailCall(FsCall::kLinkStat, 0, FileError::kAccessDenied);
     },
     FileError::kAccessDenied, ReplaceStep::kResolve},
    {"attributes cannot be kept",
     [](FaultFileSystem& fs) {
       fs.FailCall(FsCall::kCopyExtendedAttributes, 0,
                   FileError::kNotSupported);
     },
     FileError::kNotSupported, ReplaceStep::kAttributes},
    {"failed owner",
     [](FaultFileSystem& fs) {
       fs.FailCall(FsCall::kSetOwner, 0, FileError::kIo);
     },
     FileError::kIo, ReplaceStep::kAttributes},
    {"owner and group refused",
     [](FaultFileSystem& fs) {
       fs.FailCall(FsCall::kSetOwner, 0, FileError::kNotPermitted);
     },
     FileError::kNone, ReplaceStep::kNone},
    {"failed mode",
     [](FaultFileSystem& fs) {
       fs.FailCall(FsCall::kSetPermissions, 0, FileError::kIo);
     },
     FileError::kIo, ReplaceStep::kAttributes},
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
  EXPECT_EQ(ReadFileBytes(target),
            c.error == FileError::kNone ? data : "previous content");
  EXPECT_EQ(ListFolder(dir.path()), std::vector<std::string>{"target.dat"});
}

INSTANTIATE_TEST_SUITE_P(Faults, ReplaceFileTest,
                         ::testing::ValuesIn(kReplaceCases));

TEST(ReplaceFileAtomicallyTest, CreateFailuresCreateNothing) {
  ScopedTempDir dir;
  ReplaceStep step = ReplaceStep::kNone;
  // Folder missing.
  EXPECT_EQ(ReplaceFileAtomically(*FileSystem::Default(),
                                  dir.File("missing/target.dat"), "x", &step),
            FileError::kNotFound);
  EXPECT_EQ(step, ReplaceStep::kCreate);
  // A folder where the file should be.
  ASSERT_EQ(::mkdir(dir.File("folder").c_str(), 0755), 0);
  step = ReplaceStep::kNone;
  EXPECT_NE(ReplaceFileAtomically(*FileSystem::Default(), dir.File("folder"),
                                  "x", &step),
            FileError::kNone);
  EXPECT_EQ(step, ReplaceStep::kCreate);
  EXPECT_EQ(ListFolder(dir.path()), std::vector<std::string>{"folder"});
  EXPECT_TRUE(ListFolder(dir.File("folder")).empty());
}

TEST(ReplaceFileAtomicallyTest, BackslashesSeparateFolders) {
  ScopedTempDir dir;
  ASSERT_EQ(::mkdir(dir.File("sub").c_str(), 0755), 0);
  EXPECT_EQ(ReplaceFileAtomically(*FileSystem::Default(),
                                  dir.path() + "\\sub\\file.txt", "bytes"),
            FileError::kNone);
  EXPECT_EQ(ReadFileBytes(dir.File("sub/file.txt")), "bytes");
  EXPECT_EQ(ListFolder(dir.File("sub")), std::vector<std::string>{"file.txt"});
}

// The replaced file's owner, group and mode, kept as root may, or as far as
// a user who may not give files away can (SetOwner refused 1 or 2 times).
struct AttributeCase {
  const char* what;
  mode_t before;
  int refusedSetOwnerCalls;
  mode_t after;
};

const AttributeCase kAttributeCases[] = {
    {"all kept", 04755, 0, 04755},
    {"owner refused: set-user-ID dropped", 04755, 1, 0755},
    {"group refused too: nothing for the writer's group", 02664, 2, 0604},
};

void PrintTo(const AttributeCase& c, std::ostream* os) { *os << c.what; }

class ReplacedAttributesTest : public ::testing::TestWithParam<AttributeCase> {
};

TEST_P(ReplacedAttributesTest, OwnerGroupAndModeAsFarAsAllowed) {
  const AttributeCase& c = GetParam();
  if (::geteuid() != 0) GTEST_SKIP() << "only root can give files away";
  ScopedTempDir dir;
  std::string target = dir.File("target.dat");
  WriteFileBytes(target, "previous content");
  ASSERT_EQ(::chown(target.c_str(), 65534, 65534), 0);
  ASSERT_EQ(::chmod(target.c_str(), c.before), 0);
  FaultFileSystem fs;
  for (int n = 1; n <= c.refusedSetOwnerCalls; ++n) {
    fs.FailCall(FsCall::kSetOwner, static_cast<size_t>(n),
                FileError::kNotPermitted);
  }
  ASSERT_EQ(ReplaceFileAtomically(fs, target, "new content"), FileError::kNone);
  struct stat st = {};
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, c.after);
  EXPECT_EQ(st.st_uid, c.refusedSetOwnerCalls >= 1 ? ::geteuid() : 65534u);
  EXPECT_EQ(st.st_gid, c.refusedSetOwnerCalls >= 2 ? ::getegid() : 65534u);
}

INSTANTIATE_TEST_SUITE_P(Owners, ReplacedAttributesTest,
                         ::testing::ValuesIn(kAttributeCases));

// A FIFO that cannot take the bytes stays: nothing is created beside it,
// renamed over it or removed.
TEST(ReplaceInPlaceTest, FailedWriteLeavesTheFifo) {
  ScopedTempDir dir;
  std::string fifo = dir.File("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  FaultFileSystem fs;
  fs.FailCall(FsCall::kWrite, 0, FileError::kNoSpace);
  ReplaceStep step = ReplaceStep::kNone;
  EXPECT_EQ(ReplaceFileAtomically(fs, fifo, "bytes", &step),
            FileError::kNoSpace);
  ::close(reader);
  EXPECT_EQ(step, ReplaceStep::kWrite);
  for (FsCall call : {FsCall::kCreateNew, FsCall::kRename, FsCall::kRemove}) {
    EXPECT_EQ(fs.CallCount(call), 0u) << tovra::testing::FsCallName(call);
  }
  EXPECT_EQ(ListFolder(dir.path()), std::vector<std::string>{"fifo"});
}

// Abort, the destructor and a failure (which every later call reports
// again) leave the previous file and no sibling.
TEST(FileReplacementTest, UncommittedPiecesNeverShow) {
  ScopedTempDir dir;
  std::string target = dir.File("target.dat");
  WriteFileBytes(target, "previous content");
  FaultFileSystem full;
  full.SetDiskSpace(3);
  {
    FileReplacement out;
    ASSERT_EQ(out.Open(full, target), FileError::kNone);
    EXPECT_EQ(out.Write("new content"), FileError::kNoSpace);
    EXPECT_EQ(out.Write("more"), FileError::kNoSpace);
    EXPECT_EQ(out.Commit(), FileError::kNoSpace);
    EXPECT_EQ(out.failedStep(), ReplaceStep::kWrite);
    ASSERT_EQ(out.Open(*FileSystem::Default(), target), FileError::kNone);
    EXPECT_EQ(out.Write("new"), FileError::kNone);
    out.Abort();
    EXPECT_EQ(out.Commit(), FileError::kBadHandle);
    ASSERT_EQ(out.Open(*FileSystem::Default(), target), FileError::kNone);
    EXPECT_EQ(out.Write("new"), FileError::kNone);
  }
  EXPECT_EQ(ReadFileBytes(target), "previous content");
  EXPECT_EQ(ListFolder(dir.path()), std::vector<std::string>{"target.dat"});
}

// A child opens a replacement, writes part of it and waits; the signal ends
// it, and the temporary file goes with it.
struct InterruptCase {
  const char* what;
  int ignored;            // ignored by the child before the install
  std::vector<int> sent;  // in order; the last one ends the child
};

const InterruptCase kInterruptCases[] = {
    {"SIGINT", 0, {SIGINT}},
    {"SIGTERM", 0, {SIGTERM}},
    {"SIGHUP", 0, {SIGHUP}},
    {"SIGHUP ignored on purpose stays ignored", SIGHUP, {SIGHUP, SIGTERM}},
};

void PrintTo(const InterruptCase& c, std::ostream* os) { *os << c.what; }

class InterruptCleanupTest : public ::testing::TestWithParam<InterruptCase> {};

TEST_P(InterruptCleanupTest, SiblingRemovedTargetUnchanged) {
  const InterruptCase& c = GetParam();
  ScopedTempDir dir;
  std::string target = dir.File("target.dat");
  WriteFileBytes(target, "previous content");
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Whatever the test runner ignores, the child starts from the defaults.
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) ::signal(signal, SIG_DFL);
    if (c.ignored != 0) ::signal(c.ignored, SIG_IGN);
    ::alarm(30);  // a broken clean-up must not hang the test
    InstallInterruptCleanup();
    FileReplacement out;
    if (out.Open(*FileSystem::Default(), target) != FileError::kNone ||
        out.Write("part of the new content") != FileError::kNone ||
        ::write(ready[1], "!", 1) != 1) {
      ::_exit(2);
    }
    for (;;) ::pause();
  }
  ::close(ready[1]);
  char byte = 0;
  if (::read(ready[0], &byte, 1) == 1) {
    EXPECT_EQ(ListFolder(dir.path()).size(), 2u) << "no temporary file";
    for (int signal : c.sent) ::kill(child, signal);
  }
  ::close(ready[0]);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == c.sent.back())
      << "wait status " << status;
  EXPECT_EQ(ReadFileBytes(target), "previous content");
  EXPECT_EQ(ListFolder(dir.path()), std::vector<std::string>{"target.dat"});
}

INSTANTIATE_TEST_SUITE_P(Signals, InterruptCleanupTest,
                         ::testing::ValuesIn(kInterruptCases));

// What callers of the seam rely on from the real file system.
TEST(FileSystemContractTest, RealFileSystem) {
  ScopedTempDir dir;
  FileSystem& fs = *FileSystem::Default();
  std::string file = dir.File("a.txt");
  FileSystem::Handle handle = -1;
  ASSERT_EQ(fs.CreateNew(file, &handle), FileError::kNone);
  size_t written = 0;
  EXPECT_EQ(fs.Write(handle, "abc", 3, &written), FileError::kNone);
  EXPECT_EQ(written, 3u);
  EXPECT_EQ(fs.Close(handle), FileError::kNone);
  EXPECT_EQ(fs.CreateNew(file, &handle), FileError::kExists);

  std::string contents;
  EXPECT_EQ(fs.ReadFile(file, 3, &contents), FileError::kNone);
  EXPECT_EQ(contents, "abc");
  EXPECT_EQ(fs.ReadFile(file, 2, &contents), FileError::kTooLarge);
  EXPECT_EQ(fs.ReadFile(dir.File("none"), 10, &contents), FileError::kNotFound);

  FileInfo info;
  EXPECT_EQ(fs.Stat(file, &info), FileError::kNone);
  EXPECT_EQ(info.kind, FileKind::kRegular);
  EXPECT_EQ(info.permissions, 0600u);  // CreateNew: the owner's only
  ASSERT_EQ(::symlink("a.txt", dir.File("link").c_str()), 0);
  EXPECT_EQ(fs.LinkStat(dir.File("link"), &info), FileError::kNone);
  EXPECT_EQ(info.kind, FileKind::kSymbolicLink);
  std::string target;
  EXPECT_EQ(fs.ReadLink(dir.File("link"), &target), FileError::kNone);
  EXPECT_EQ(target, "a.txt");
  EXPECT_EQ(fs.ReadLink(file, &target), FileError::kInvalid);
  EXPECT_EQ(fs.Remove(dir.File("link")), FileError::kNone);

  EXPECT_TRUE(fs.Exists(file));
  EXPECT_FALSE(fs.IsDirectory(file));
  EXPECT_TRUE(fs.IsDirectory(dir.path()));
  EXPECT_EQ(fs.Remove(file), FileError::kNone);
  EXPECT_EQ(fs.Remove(file), FileError::kNotFound);
  EXPECT_FALSE(fs.Exists(file));
}

}  // namespace
}  // namespace devseries::platform
