#include "devseries/platform/file_system.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/fault_file_system.h"
#include "tests/support/temp_dir.h"

namespace devseries::platform {

using namespace ::devseries;
namespace {

using tovra::testing::FaultFileSystem;
using tovra::testing::FileExists;
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

// ------------------------------------------------ hostile paths and files

// Runs `body` in a child process that the alarm kills after a few seconds,
// so that an open that waits for a FIFO's peer fails the test instead of
// hanging it; the child's exit code is what `body` returned.
int InChild(const std::function<int()>& body) {
  pid_t child = ::fork();
  if (child == 0) {
    ::alarm(5);
    ::_exit(body());
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child) return -1;
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return WEXITSTATUS(status);
}

// Pretends to be root: the root rule of link following, exercised by a
// user who is not.
class RootFileSystem : public FileSystemWrapper {
 public:
  RootFileSystem() : FileSystemWrapper(FileSystem::Default()) {}
  uint32_t EffectiveUser() override { return 0; }
};

// A symbolic link at `link` to `target`, owned by a user other than root
// (the test's own user when it is not root).
void PlantForeignLink(const std::string& target, const std::string& link) {
  ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
  if (::geteuid() == 0) {
    ASSERT_EQ(::lchown(link.c_str(), 65534, 65534), 0);
  }
}

struct ForeignLinkCase {
  const char* what;
  FileError (*act)(FileSystem& fs, const std::string& link);
};

const ForeignLinkCase kForeignLinkCases[] = {
    {"replacement",
     [](FileSystem& fs, const std::string& link) {
       ReplaceStep step = ReplaceStep::kNone;
       FileError error = ReplaceFileAtomically(fs, link, "planted", &step);
       EXPECT_EQ(step, error == FileError::kNone ? ReplaceStep::kNone
                                                 : ReplaceStep::kResolve);
       return error;
     }},
    {"ResolveLinks",
     [](FileSystem& fs, const std::string& link) {
       std::string target;
       return ResolveLinks(fs, link, &target);
     }},
    {"OpenForReading",
     [](FileSystem& fs, const std::string& link) {
       FileSystem::Handle handle = -1;
       FileInfo info;
       FileError error = fs.OpenForReading(link, ReadOptions(), &handle, &info);
       if (error == FileError::kNone) fs.Close(handle);
       return error;
     }},
    {"ReadFile",
     [](FileSystem& fs, const std::string& link) {
       std::string contents;
       return fs.ReadFile(link, 100, &contents);
     }},
};

void PrintTo(const ForeignLinkCase& c, std::ostream* os) { *os << c.what; }

class ForeignLinkTest : public ::testing::TestWithParam<ForeignLinkCase> {};

// Root does not follow a link another user planted; its own it follows.
TEST_P(ForeignLinkTest, RootRefusesLinksOfOtherUsers) {
  ScopedTempDir dir;
  WriteFileBytes(dir.File("victim"), "root's file");
  PlantForeignLink(dir.File("victim"), dir.File("link"));
  RootFileSystem root;
  FaultFileSystem asRoot(&root);
  EXPECT_EQ(GetParam().act(asRoot, dir.File("link")),
            FileError::kLinkNotTrusted);
  EXPECT_EQ(ReadFileBytes(dir.File("victim")), "root's file");
  EXPECT_EQ(ListFolder(dir.path()),
            (std::vector<std::string>{"link", "victim"}));
  if (::geteuid() != 0) {
    // A user follows every link, as the kernel does.
    EXPECT_EQ(GetParam().act(*FileSystem::Default(), dir.File("link")),
              FileError::kNone);
  }
}

INSTANTIATE_TEST_SUITE_P(Operations, ForeignLinkTest,
                         ::testing::ValuesIn(kForeignLinkCases));

// A link of root's own is followed by root.
TEST(ForeignLinkTest, RootFollowsItsOwnLinks) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root owns links of root";
  ScopedTempDir dir;
  WriteFileBytes(dir.File("real"), "old");
  ASSERT_EQ(::symlink("real", dir.File("link").c_str()), 0);
  EXPECT_EQ(
      ReplaceFileAtomically(*FileSystem::Default(), dir.File("link"), "new"),
      FileError::kNone);
  EXPECT_EQ(ReadFileBytes(dir.File("real")), "new");
}

// What a replacement with ReplaceOptions finds at a name the system makes
// for itself (followLinks false), or at a FIFO when it must not wait.
struct OptionCase {
  const char* what;
  ReplaceOptions options;
  // Prepares dir/target; may plant things beside it.
  void (*prepare)(const ScopedTempDir& dir);
  FileError error;
  ReplaceStep step;
  // What dir holds afterwards.
  std::vector<std::string> names;
};

const OptionCase kOptionCases[] = {
    {"own name: a link there is removed, not followed",
     {false, false},
     [](const ScopedTempDir& dir) {
       WriteFileBytes(dir.File("victim"), "victim");
       ASSERT_EQ(::symlink("victim", dir.File("target").c_str()), 0);
     },
     FileError::kNone,
     ReplaceStep::kNone,
     {"target", "victim"}},
    {"own name: a FIFO is refused, without waiting",
     {false, false},
     [](const ScopedTempDir& dir) {
       ASSERT_EQ(::mkfifo(dir.File("target").c_str(), 0600), 0);
     },
     FileError::kNotRegular,
     ReplaceStep::kCreate,
     {"target"}},
    {"own name: a device reached by a link is not written",
     {false, false},
     [](const ScopedTempDir& dir) {
       ASSERT_EQ(::symlink("/dev/null", dir.File("target").c_str()), 0);
     },
     FileError::kNone,
     ReplaceStep::kNone,
     {"target"}},
    {"never waiting: a FIFO without a reader is refused",
     {true, true},
     [](const ScopedTempDir& dir) {
       ASSERT_EQ(::mkfifo(dir.File("target").c_str(), 0600), 0);
     },
     FileError::kNoDevice,
     ReplaceStep::kCreate,
     {"target"}},
    {"never waiting: a link to a FIFO without a reader is refused",
     {true, true},
     [](const ScopedTempDir& dir) {
       ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
       ASSERT_EQ(::symlink("fifo", dir.File("target").c_str()), 0);
     },
     FileError::kNoDevice,
     ReplaceStep::kCreate,
     {"fifo", "target"}},
};

void PrintTo(const OptionCase& c, std::ostream* os) { *os << c.what; }

class ReplaceOptionsTest : public ::testing::TestWithParam<OptionCase> {};

TEST_P(ReplaceOptionsTest, TreatsWhatIsThereAsTold) {
  const OptionCase& c = GetParam();
  ScopedTempDir dir;
  c.prepare(dir);
  const std::string target = dir.File("target");
  int result = InChild([&] {
    FileReplacement out;
    FileError error = out.Open(*FileSystem::Default(), target, c.options);
    if (error == FileError::kNone) error = out.Write("new");
    if (error == FileError::kNone) error = out.Commit();
    return error == c.error && out.failedStep() == c.step ? 0 : 1;
  });
  EXPECT_EQ(result, 0) << "exit 1: another outcome; 142: it waited";
  EXPECT_EQ(ListFolder(dir.path()), c.names);
  struct stat st = {};
  ASSERT_EQ(::lstat(target.c_str(), &st), 0);
  if (c.error == FileError::kNone) {
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(ReadFileBytes(target), "new");
  }
  if (FileExists(dir.File("victim"))) {
    EXPECT_EQ(ReadFileBytes(dir.File("victim")), "victim");
  }
}

INSTANTIATE_TEST_SUITE_P(Options, ReplaceOptionsTest,
                         ::testing::ValuesIn(kOptionCases));

// Things planted at the names of the siblings a replacement will create: a
// link to another file and a FIFO. The sibling is created exclusively under
// a fresh name; neither is followed, opened or removed.
TEST(SiblingNameTest, PlantedLinksAndFifosAreNeverUsed) {
  for (size_t length : {size_t{6}, size_t{255}}) {
    SCOPED_TRACE("name of " + std::to_string(length) + " bytes");
    ScopedTempDir dir;
    const std::string name(length, 'n');
    const std::string target = dir.File(name);
    WriteFileBytes(target, "old");
    WriteFileBytes(dir.File("victim"), "victim");
    // The next sibling names, learnt from a replacement of the same name.
    FaultFileSystem probe;
    ASSERT_EQ(ReplaceFileAtomically(probe, target, "old"), FileError::kNone);
    std::string seen;
    for (const auto& call : probe.calls()) {
      if (call.call == FsCall::kCreateNew) seen = call.path;
    }
    ASSERT_FALSE(seen.empty());
    // "...-N.part": the counter is the number before ".part".
    const size_t dash = seen.rfind('-');
    const unsigned long next = std::stoul(seen.substr(dash + 1)) + 1;
    const std::string stem = seen.substr(0, dash + 1);
    std::vector<std::string> planted;
    for (unsigned long n = next; n < next + 6; ++n) {
      const std::string at = stem + std::to_string(n) + ".part";
      if (n % 2 == 0) {
        ASSERT_EQ(::symlink("victim", at.c_str()), 0);
      } else {
        ASSERT_EQ(::mkfifo(at.c_str(), 0600), 0);
      }
      planted.push_back(at.substr(dir.path().size() + 1));
    }
    int result = InChild([&] {
      return ReplaceFileAtomically(*FileSystem::Default(), target, "new") ==
                     FileError::kNone
                 ? 0
                 : 1;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadFileBytes(target), "new");
    EXPECT_EQ(ReadFileBytes(dir.File("victim")), "victim");
    std::vector<std::string> names = ListFolder(dir.path());
    EXPECT_EQ(names.size(), planted.size() + 2);
    for (const std::string& at : planted) {
      EXPECT_NE(std::find(names.begin(), names.end(), at), names.end()) << at;
    }
  }
}

// Names of the process's own descriptors, reached through a link in the
// test's folder: written through that descriptor (its position, its append
// mode), whatever it refers to; nothing created, truncated or renamed.
struct OwnDescriptorCase {
  const char* what;
  const char* prefix;  // before the descriptor number
  bool deleted;        // the file behind the descriptor was removed
};

const OwnDescriptorCase kOwnDescriptorCases[] = {
    {"/proc/self/fd/N", "/proc/self/fd/", false},
    {"/dev/fd/N", "/dev/fd/", false},
    {"/proc/PID/fd/N", nullptr, false},
    {"/proc/self/fd/N of a removed file", "/proc/self/fd/", true},
};

void PrintTo(const OwnDescriptorCase& c, std::ostream* os) { *os << c.what; }

class OwnDescriptorTest : public ::testing::TestWithParam<OwnDescriptorCase> {};

TEST_P(OwnDescriptorTest, WrittenThroughTheDescriptor) {
  const OwnDescriptorCase& c = GetParam();
  ScopedTempDir dir;
  WriteFileBytes(dir.File("log"), "first line\n");
  int fd = ::open(dir.File("log").c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  if (c.deleted) {
    ASSERT_EQ(::unlink(dir.File("log").c_str()), 0);
  }
  const std::string named =
      (c.prefix != nullptr ? std::string(c.prefix)
                           : "/proc/" + std::to_string(::getpid()) + "/fd/") +
      std::to_string(fd);
  ASSERT_EQ(::symlink(named.c_str(), dir.File("out").c_str()), 0);
  EXPECT_EQ(ReplaceFileAtomically(*FileSystem::Default(), dir.File("out"),
                                  "appended\n"),
            FileError::kNone);
  // Read back through the descriptor's file, which may have no name.
  std::string contents;
  EXPECT_EQ(FileSystem::Default()->ReadFile(named, 100, &contents),
            FileError::kNone);
  ::close(fd);
  EXPECT_EQ(contents, "first line\nappended\n");
  const std::vector<std::string> names =
      c.deleted ? std::vector<std::string>{"out"}
                : std::vector<std::string>{"log", "out"};
  EXPECT_EQ(ListFolder(dir.path()), names);
}

INSTANTIATE_TEST_SUITE_P(Names, OwnDescriptorTest,
                         ::testing::ValuesIn(kOwnDescriptorCases));

// The kernel's binary access list: version 2, then {tag, permissions, id}.
std::string AccessList(std::initializer_list<uint32_t> entries) {
  std::string bytes = {2, 0, 0, 0};
  for (auto it = entries.begin(); it != entries.end(); it += 3) {
    const uint32_t tag = it[0], perm = it[1], id = it[2];
    const unsigned char entry[8] = {static_cast<unsigned char>(tag),
                                    static_cast<unsigned char>(0),
                                    static_cast<unsigned char>(perm),
                                    static_cast<unsigned char>(0),
                                    static_cast<unsigned char>(id),
                                    static_cast<unsigned char>(id >> 8),
                                    static_cast<unsigned char>(id >> 16),
                                    static_cast<unsigned char>(id >> 24)};
    bytes.append(reinterpret_cast<const char*>(entry), sizeof entry);
  }
  return bytes;
}

std::string Attribute(const std::string& path, const char* name) {
  char buffer[1024];
  ssize_t n = ::getxattr(path.c_str(), name, buffer, sizeof buffer);
  return n < 0 ? "(" + std::string(std::strerror(errno)) + ")"
               : std::string(buffer, static_cast<size_t>(n));
}

// The access list and the user's attributes stay with the replaced file,
// and its mode bits are what they were.
TEST(ExtendedAttributesTest, AccessListAndUserAttributesAreKept) {
  ScopedTempDir dir;
  const std::string target = dir.File("target");
  WriteFileBytes(target, "old");
  ASSERT_EQ(::chmod(target.c_str(), 0600), 0);
  // user::rw-, user:nobody:rw-, group::---, mask::rw-, other::---
  const std::string acl =
      AccessList({0x01, 6, 0xffffffffu, 0x02, 6, 65534, 0x04, 0, 0xffffffffu,
                  0x10, 6, 0xffffffffu, 0x20, 0, 0xffffffffu});
  if (::setxattr(target.c_str(), "system.posix_acl_access", acl.data(),
                 acl.size(), 0) != 0) {
    GTEST_SKIP() << "the temporary folder's file system refuses access lists: "
                 << std::strerror(errno);
  }
  if (::setxattr(target.c_str(), "user.origin", "kept", 4, 0) != 0) {
    GTEST_SKIP() << "the temporary folder's file system refuses user "
                    "attributes: "
                 << std::strerror(errno);
  }
  struct stat before = {};
  ASSERT_EQ(::stat(target.c_str(), &before), 0);
  EXPECT_EQ(ReplaceFileAtomically(*FileSystem::Default(), target, "new"),
            FileError::kNone);
  struct stat after = {};
  ASSERT_EQ(::stat(target.c_str(), &after), 0);
  EXPECT_NE(after.st_ino, before.st_ino) << "not replaced";
  EXPECT_EQ(ReadFileBytes(target), "new");
  EXPECT_EQ(after.st_mode, before.st_mode);
  EXPECT_EQ(Attribute(target, "system.posix_acl_access"), acl);
  EXPECT_EQ(Attribute(target, "user.origin"), "kept");
}

// A new file is made as a plain create makes it: a folder's default access
// list, not only the umask, decides its access.
TEST(ExtendedAttributesTest, NewFileTakesTheFolderDefaultAccessList) {
  ScopedTempDir dir;
  ASSERT_TRUE(tovra::testing::MakeFolder(dir.File("shared")));
  // default: user::rw-, group::r--, other::r-- (no umask then applies).
  const std::string acl = AccessList(
      {0x01, 6, 0xffffffffu, 0x04, 4, 0xffffffffu, 0x20, 4, 0xffffffffu});
  if (::setxattr(dir.File("shared").c_str(), "system.posix_acl_default",
                 acl.data(), acl.size(), 0) != 0) {
    GTEST_SKIP() << "the temporary folder's file system refuses access lists: "
                 << std::strerror(errno);
  }
  mode_t mask = ::umask(077);
  FileError error = ReplaceFileAtomically(*FileSystem::Default(),
                                          dir.File("shared/new"), "new");
  ::umask(mask);
  EXPECT_EQ(error, FileError::kNone);
  struct stat st = {};
  ASSERT_EQ(::stat(dir.File("shared/new").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0644u);
}

// What OpenForReading, Read and LockExclusive give readers of the seam.
TEST(ReadSeamTest, OpensOnceAndReadsInPieces) {
  ScopedTempDir dir;
  FileSystem& fs = *FileSystem::Default();
  WriteFileBytes(dir.File("file"), "twelve bytes");
  ASSERT_EQ(::symlink("file", dir.File("link").c_str()), 0);
  ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
  FileSystem::Handle handle = -1;
  FileInfo info;
  ASSERT_EQ(fs.OpenForReading(dir.File("link"), ReadOptions(), &handle, &info),
            FileError::kNone);
  struct stat st = {};
  ASSERT_EQ(::stat(dir.File("file").c_str(), &st), 0);
  EXPECT_EQ(info.kind, FileKind::kRegular);
  EXPECT_EQ(info.size, 12u);
  EXPECT_EQ(info.inode, static_cast<uint64_t>(st.st_ino));
  EXPECT_EQ(info.device, static_cast<uint64_t>(st.st_dev));
  EXPECT_EQ(fs.LockExclusive(handle), FileError::kNone);
  std::string got;
  auto collect = [&](std::string_view piece) {
    got.append(piece);
    return true;
  };
  EXPECT_EQ(ReadOpenFileInPieces(fs, handle, 11, collect),
            FileError::kTooLarge);
  EXPECT_EQ(fs.Close(handle), FileError::kNone);
  ASSERT_EQ(fs.OpenForReading(dir.File("file"), ReadOptions(), &handle, &info),
            FileError::kNone);
  got.clear();
  EXPECT_EQ(ReadOpenFileInPieces(fs, handle, 12, collect), FileError::kNone);
  EXPECT_EQ(got, "twelve bytes");
  EXPECT_EQ(fs.Close(handle), FileError::kNone);

  EXPECT_EQ(fs.OpenForReading(dir.File("link"), {false, false}, &handle, &info),
            FileError::kLoop);
  // A FIFO without a writer opens at once, and reads as empty.
  EXPECT_EQ(InChild([&] {
              FileSystem::Handle fifo = -1;
              FileInfo fifoInfo;
              if (fs.OpenForReading(dir.File("fifo"), {true, true}, &fifo,
                                    &fifoInfo) != FileError::kNone) {
                return 1;
              }
              size_t n = 1;
              char byte;
              FileError error = fs.Read(fifo, &byte, 1, &n);
              return fifoInfo.kind == FileKind::kOther &&
                             error == FileError::kNone && n == 0
                         ? 0
                         : 2;
            }),
            0);
}

}  // namespace
}  // namespace devseries::platform
