// Every writer against every kind of thing a path can name: a file of
// another user keeps owner and mode, links stay and their target is written,
// a FIFO, a pipe and a device are written in place and stay (the merge
// update, which reads the file it replaces, refuses them), a folder is
// refused; nothing is ever left beside them. A name of one of the process's
// own descriptors is written through it (a log it appends to grows), a FIFO
// without a reader is refused at once where a writer never waits, access
// lists and attributes stay, a name of 255 bytes can be replaced, and root
// follows no link another user owns. Owners, modes, links, FIFOs
// and pipes are POSIX's: on Windows the table has the folder and the NUL
// device, and platform/win32/file_system_win32_test checks that a
// replacement keeps the file's attributes and that a link stays.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>
#endif

#include <cctype>
#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <vector>

#include "devseries/device_series.h"
#include "devseries/merge_update.h"
#include "devseries/platform/debug_output.h"
#include "devseries/platform/file_system.h"
#include "devseries/platform/resource_file_writer.h"
#include "devseries/records/printer/model_info.h"
#include "tests/support/temp_dir.h"
#include "tests/tools/tool_runner.h"

using namespace devseries;

namespace {

using tovra::testing::ListFolder;
using tovra::testing::MakeFolder;
using tovra::testing::ReadFileBytes;
using tovra::testing::ScopedTempDir;
using tovra::testing::WriteFileBytes;
using Names = std::vector<std::string>;

// Writes its content to a path; true when it reports success.
using WriteFunction = std::function<bool(const std::string& path)>;

struct Writer {
  const char* name;
  WriteFunction write;
  // Merges with the file at the path: that file must be a document it
  // reads, and only a regular file (or nothing) is written.
  bool merges = false;
  // Never waits for a FIFO's reader (the updater's targets); the others
  // open a FIFO as `cat` does.
  bool neverWaits = false;
};

ModelInfo SampleModel() {
  ModelInfo model;
  model.strLongModelName = "Vintrell OVX-160";
  return model;
}

// The device-series document the merge update installs; merged with
// itself, it gives itself.
const std::string& MergedDocument() {
  static const std::string text = [] {
    ScopedTempDir dir;
    DeviceSeries series;
    series.aModelInfoList = {SampleModel()};
    EXPECT_TRUE(DeviceSeriesIO2(dir.File("new.dsr")).Write(series));
    return ReadFileBytes(dir.File("new.dsr"));
  }();
  return text;
}

// A new writer is one more row.
const Writer kWriters[] = {
    {"resource file writer",
     [](const std::string& path) {
       platform::ScopedDebugCapture quiet;
       return UpdateFileFromBinResource(path.c_str(), 139);
     },
     false, true},
    {"standalone record save",
     [](const std::string& path) {
       try {
         return ModelInfoIO().SaveModelInfoFile(path, SampleModel());
       } catch (const _com_error&) {
         return false;
       }
     }},
    {"device-series file",
     [](const std::string& path) {
       DeviceSeries series;
       series.aModelInfoList = {SampleModel()};
       return DeviceSeriesIO2(path).Write(series);
     }},
    {"ReplaceFileAtomically",
     [](const std::string& path) {
       return platform::ReplaceFileAtomically(*platform::FileSystem::Default(),
                                              path, "plain bytes\n") ==
              platform::FileError::kNone;
     }},
    {"dsrtool roundtrip",
     [](const std::string& path) {
       // The tool's own output path: what it writes after reading the file
       // back in memory goes through the same sink.
       ScopedTempDir source;
       WriteFileBytes(source.File("in.dsr"), MergedDocument());
       return tovra::testing::RunDsrTool(
                  {"roundtrip", source.File("in.dsr"), path})
                  .exitCode == 0;
     }},
    {"merge update",
     [](const std::string& path) {
       platform::ScopedDebugCapture quiet;
       MergeOutcome outcome = MergeUpdateDeviceSeriesWith(
           path,
           [](const std::string& to, const platform::ReplaceOptions& options) {
             platform::FileReplacement out;
             platform::FileError error =
                 out.Open(*platform::FileSystem::Current(), to, options);
             if (error == platform::FileError::kNone) {
               error = out.Write(MergedDocument());
             }
             return error == platform::FileError::kNone ? out.Commit() : error;
           });
       return outcome.kind != MergeOutcome::kLeftAsItWas;
     },
     true, true},
};

#ifndef _WIN32
// What a prepared file holds for `writer`: `text`, or for the merge update
// a document it merges.
std::string Existing(const Writer& writer, const char* text) {
  return writer.merges ? MergedDocument() : text;
}

struct stat Status(const std::string& path) {
  struct stat st = {};
  EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
  return st;
}

std::string LinkTarget(const std::string& path) {
  char buffer[4096];
  ssize_t n = ::readlink(path.c_str(), buffer, sizeof buffer);
  return n < 0 ? "" : std::string(buffer, static_cast<size_t>(n));
}

// Runs the write while draining `reader` (non-blocking), so a writer that
// fills the pipe never waits; returns what came through.
std::string WriteThrough(int reader, const WriteFunction& write,
                         const std::string& path, bool* ok) {
  auto done = std::async(std::launch::async, [&] { return write(path); });
  std::string received;
  for (bool finished = false; !finished;) {
    finished =
        done.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
    struct pollfd ready = {reader, POLLIN, 0};
    ::poll(&ready, 1, finished ? 0 : 20);
    char buffer[4096];
    for (ssize_t n; (n = ::read(reader, buffer, sizeof buffer)) > 0;) {
      received.append(buffer, static_cast<size_t>(n));
    }
  }
  *ok = done.get();
  return received;
}

// Runs the write in a child process that the alarm ends after a few
// seconds, so a writer that waits for a FIFO's reader fails the test rather
// than hanging it: 0 when the write reported success, 1 when it reported
// failure, 128 + the signal when it was killed.
int WriteInChild(const WriteFunction& write, const std::string& path) {
  pid_t child = ::fork();
  if (child == 0) {
    ::alarm(5);
    ::_exit(write(path) ? 0 : 1);
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child) return -1;
  return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

// A descriptor (inherited by the tool's process) open for appending on
// dir/log, which holds "log\n"; the link dir/out names it by
// /proc/self/fd/N. With `removed`, dir/log is gone, its file open still.
int OpenLogNamedByLink(const ScopedTempDir& dir, bool removed) {
  WriteFileBytes(dir.File("log"), "log\n");
  int fd = ::open(dir.File("log").c_str(), O_WRONLY | O_APPEND);
  EXPECT_GE(fd, 0);
  if (removed) {
    EXPECT_EQ(::unlink(dir.File("log").c_str()), 0);
  }
  std::string named = "/proc/self/fd/" + std::to_string(fd);
  EXPECT_EQ(::symlink(named.c_str(), dir.File("out").c_str()), 0);
  return fd;
}

// The access list user::rw-, user:nobody:rw-, group::---, mask::rw-,
// other::--- in the kernel's binary form.
std::string NamedUserAccessList() {
  std::string bytes = {2, 0, 0, 0};
  auto entry = [&](unsigned tag, unsigned perm, uint32_t id) {
    const char e[8] = {
        static_cast<char>(tag),      0,
        static_cast<char>(perm),     0,
        static_cast<char>(id),       static_cast<char>(id >> 8),
        static_cast<char>(id >> 16), static_cast<char>(id >> 24)};
    bytes.append(e, sizeof e);
  };
  entry(0x01, 6, UINT32_MAX);
  entry(0x02, 6, 65534);
  entry(0x04, 0, UINT32_MAX);
  entry(0x10, 6, UINT32_MAX);
  entry(0x20, 0, UINT32_MAX);
  return bytes;
}

std::string Attribute(const std::string& path, const char* name) {
  char buffer[1024];
  ssize_t n = ::getxattr(path.c_str(), name, buffer, sizeof buffer);
  return n < 0 ? "(none)" : std::string(buffer, static_cast<size_t>(n));
}
#endif

// Prepares the target in `dir`, runs `write` on it and checks the outcome;
// `written` is what the writer writes to a new plain file.
using TargetRun = void (*)(const ScopedTempDir& dir, const Writer& writer,
                           const std::string& written);

struct TargetKind {
  const char* name;
  TargetRun run;
};

const TargetKind kTargetKinds[] = {
#ifndef _WIN32
    {"regular 0600 file of another user",
     [](const ScopedTempDir& dir, const Writer& writer,
        const std::string& written) {
       if (::geteuid() != 0) GTEST_SKIP() << "only root can give files away";
       std::string path = dir.File("target");
       WriteFileBytes(path, Existing(writer, "the other user's file"));
       ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
       ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
       EXPECT_TRUE(writer.write(path));
       struct stat st = Status(path);
       EXPECT_EQ(st.st_mode, S_IFREG | 0600);
       EXPECT_EQ(st.st_uid, 65534u);
       EXPECT_EQ(st.st_gid, 65534u);
       EXPECT_EQ(ReadFileBytes(path), written);
       EXPECT_EQ(ListFolder(dir.path()), Names{"target"});
     }},
    {"chain of symbolic links",
     [](const ScopedTempDir& dir, const Writer& writer,
        const std::string& written) {
       // Relative targets count from the folder of the link holding them.
       ASSERT_EQ(::mkdir(dir.File("sub").c_str(), 0755), 0);
       WriteFileBytes(dir.File("sub/real"),
                      Existing(writer, "the linked file"));
       ASSERT_EQ(::chmod(dir.File("sub/real").c_str(), 0640), 0);
       ASSERT_EQ(::symlink("sub/mid", dir.File("link").c_str()), 0);
       ASSERT_EQ(::symlink("real", dir.File("sub/mid").c_str()), 0);
       EXPECT_TRUE(writer.write(dir.File("link")));
       EXPECT_EQ(LinkTarget(dir.File("link")), "sub/mid");
       EXPECT_EQ(LinkTarget(dir.File("sub/mid")), "real");
       EXPECT_EQ(ReadFileBytes(dir.File("sub/real")), written);
       EXPECT_EQ(Status(dir.File("sub/real")).st_mode, S_IFREG | 0640);
       EXPECT_EQ(ListFolder(dir.path()), (Names{"link", "sub"}));
       EXPECT_EQ(ListFolder(dir.File("sub")), (Names{"mid", "real"}));
     }},
    {"dangling symbolic link",
     [](const ScopedTempDir& dir, const Writer& writer,
        const std::string& written) {
       ASSERT_EQ(::mkdir(dir.File("sub").c_str(), 0755), 0);
       ASSERT_EQ(::symlink("sub/new", dir.File("link").c_str()), 0);
       mode_t mask = ::umask(027);
       EXPECT_TRUE(writer.write(dir.File("link")));
       ::umask(mask);
       EXPECT_EQ(LinkTarget(dir.File("link")), "sub/new");
       EXPECT_EQ(ReadFileBytes(dir.File("sub/new")), written);
       EXPECT_EQ(Status(dir.File("sub/new")).st_mode, S_IFREG | 0640);
       EXPECT_EQ(ListFolder(dir.File("sub")), Names{"new"});
     }},
    {"FIFO with a reader",
     [](const ScopedTempDir& dir, const Writer& writer,
        const std::string& written) {
       ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0644), 0);
       int reader = ::open(dir.File("fifo").c_str(), O_RDONLY | O_NONBLOCK);
       ASSERT_GE(reader, 0);
       bool ok = false;
       EXPECT_EQ(WriteThrough(reader, writer.write, dir.File("fifo"), &ok),
                 writer.merges ? "" : written);
       ::close(reader);
       EXPECT_EQ(ok, !writer.merges);
       EXPECT_TRUE(S_ISFIFO(Status(dir.File("fifo")).st_mode));
       EXPECT_EQ(ListFolder(dir.path()), Names{"fifo"});
     }},
    {"link to a pipe, as /dev/stdout",
     [](const ScopedTempDir& dir, const Writer& writer,
        const std::string& written) {
       // The link chain ends at "pipe:[N]", which names no file.
       int ends[2];
       ASSERT_EQ(::pipe2(ends, O_NONBLOCK), 0);
       std::string fd = "/proc/self/fd/" + std::to_string(ends[1]);
       ASSERT_EQ(::symlink(fd.c_str(), dir.File("stdout").c_str()), 0);
       bool ok = false;
       EXPECT_EQ(WriteThrough(ends[0], writer.write, dir.File("stdout"), &ok),
                 writer.merges ? "" : written);
       ::close(ends[0]);
       ::close(ends[1]);
       EXPECT_EQ(ok, !writer.merges);
       EXPECT_EQ(LinkTarget(dir.File("stdout")), fd);
       EXPECT_EQ(ListFolder(dir.path()), Names{"stdout"});
     }},
    {"symbolic link to /dev/null",
     [](const ScopedTempDir& dir, const Writer& writer, const std::string&) {
       ASSERT_EQ(::symlink("/dev/null", dir.File("null").c_str()), 0);
       EXPECT_EQ(writer.write(dir.File("null")), !writer.merges);
       EXPECT_EQ(LinkTarget(dir.File("null")), "/dev/null");
       EXPECT_TRUE(S_ISCHR(Status("/dev/null").st_mode));
       EXPECT_EQ(ListFolder(dir.path()), Names{"null"});
     }},
    {"own descriptor named by a link, appending to a log",
     [](const ScopedTempDir& dir, const Writer& writer,
        const std::string& written) {
       // As `dsrtool build x.json /dev/stdout >> log`: the log grows.
       int fd = OpenLogNamedByLink(dir, false);
       const bool ok = writer.write(dir.File("out"));
       ::close(fd);
       EXPECT_EQ(ok, !writer.merges);
       EXPECT_EQ(ReadFileBytes(dir.File("log")),
                 writer.merges ? "log\n" : "log\n" + written);
       EXPECT_EQ(ListFolder(dir.path()), (Names{"log", "out"}));
     }},
    {"own descriptor on a removed file",
     [](const ScopedTempDir& dir, const Writer& writer,
        const std::string& written) {
       // The bytes go to the file the descriptor holds, not to a new one.
       int fd = OpenLogNamedByLink(dir, true);
       const bool ok = writer.write(dir.File("out"));
       EXPECT_EQ(ok, !writer.merges);
       EXPECT_EQ(ReadFileBytes("/proc/self/fd/" + std::to_string(fd)),
                 writer.merges ? "log\n" : "log\n" + written);
       ::close(fd);
       EXPECT_EQ(ListFolder(dir.path()), Names{"out"});
     }},
    {"FIFO without a reader",
     [](const ScopedTempDir& dir, const Writer& writer, const std::string&) {
       if (!writer.neverWaits) {
         GTEST_SKIP() << "opens a FIFO as cat does, waiting for its reader";
       }
       ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0644), 0);
       EXPECT_EQ(WriteInChild(writer.write, dir.File("fifo")), 1)
           << "1: refused; 142: it waited for a reader";
       EXPECT_TRUE(S_ISFIFO(Status(dir.File("fifo")).st_mode));
       EXPECT_EQ(ListFolder(dir.path()), Names{"fifo"});
     }},
    {"name as long as a name may be",
     [](const ScopedTempDir& dir, const Writer& writer,
        const std::string& written) {
       if (writer.merges) {
         GTEST_SKIP() << "the merge names its own files after the target";
       }
       const std::string name(255, 'x');
       WriteFileBytes(dir.File(name), Existing(writer, "the old file"));
       EXPECT_TRUE(writer.write(dir.File(name)));
       EXPECT_EQ(ReadFileBytes(dir.File(name)), written);
       EXPECT_EQ(ListFolder(dir.path()), Names{name});
     }},
    {"0600 file with a named user's access and a user attribute",
     [](const ScopedTempDir& dir, const Writer& writer,
        const std::string& written) {
       std::string path = dir.File("target");
       WriteFileBytes(path, Existing(writer, "the shared file"));
       ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
       const std::string acl = NamedUserAccessList();
       if (::setxattr(path.c_str(), "system.posix_acl_access", acl.data(),
                      acl.size(), 0) != 0 ||
           ::setxattr(path.c_str(), "user.origin", "kept", 4, 0) != 0) {
         GTEST_SKIP() << "the temporary folder's file system refuses access "
                         "lists or user attributes";
       }
       const mode_t mode = Status(path).st_mode;
       EXPECT_TRUE(writer.write(path));
       EXPECT_EQ(ReadFileBytes(path), written);
       EXPECT_EQ(Status(path).st_mode, mode);
       EXPECT_EQ(Attribute(path, "system.posix_acl_access"), acl);
       EXPECT_EQ(Attribute(path, "user.origin"), "kept");
       EXPECT_EQ(ListFolder(dir.path()), Names{"target"});
     }},
    {"link another user planted, written by root",
     [](const ScopedTempDir& dir, const Writer& writer, const std::string&) {
       if (::geteuid() != 0) GTEST_SKIP() << "the rule is root's";
       WriteFileBytes(dir.File("victim"), "root's file");
       ASSERT_EQ(::symlink("victim", dir.File("link").c_str()), 0);
       ASSERT_EQ(::lchown(dir.File("link").c_str(), 65534, 65534), 0);
       EXPECT_FALSE(writer.write(dir.File("link")));
       EXPECT_EQ(ReadFileBytes(dir.File("victim")), "root's file");
       EXPECT_EQ(LinkTarget(dir.File("link")), "victim");
       EXPECT_EQ(ListFolder(dir.path()), (Names{"link", "victim"}));
     }},
#else
    {"the NUL device",
     [](const ScopedTempDir& dir, const Writer& writer, const std::string&) {
       // NUL names the device in every folder; anything made beside it
       // would be made here.
       EXPECT_EQ(writer.write(dir.path() + "\\NUL"), !writer.merges);
       EXPECT_EQ(ListFolder(dir.path()), Names{});
     }},
#endif
    {"folder",
     [](const ScopedTempDir& dir, const Writer& writer, const std::string&) {
       ASSERT_TRUE(MakeFolder(dir.File("folder")));
       EXPECT_FALSE(writer.write(dir.File("folder")));
       EXPECT_TRUE(ListFolder(dir.File("folder")).empty());
       EXPECT_EQ(ListFolder(dir.path()), Names{"folder"});
     }},
};

struct WriteTargetCase {
  const Writer* writer;
  const TargetKind* target;
};

std::vector<WriteTargetCase> AllCases() {
  std::vector<WriteTargetCase> cases;
  for (const Writer& writer : kWriters) {
    for (const TargetKind& target : kTargetKinds) {
      cases.push_back({&writer, &target});
    }
  }
  return cases;
}

std::string CaseName(const ::testing::TestParamInfo<WriteTargetCase>& info) {
  std::string name =
      std::string(info.param.writer->name) + "_" + info.param.target->name;
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

class WriteTargetTest : public ::testing::TestWithParam<WriteTargetCase> {};

TEST_P(WriteTargetTest, KeepsWhatTheUserPointsAt) {
  const Writer& writer = *GetParam().writer;
  std::string written;
  {
    ScopedTempDir plain;
    ASSERT_TRUE(writer.write(plain.File("plain")));
    written = ReadFileBytes(plain.File("plain"));
  }
  ScopedTempDir dir;
  GetParam().target->run(dir, writer, written);
}

INSTANTIATE_TEST_SUITE_P(Writers, WriteTargetTest,
                         ::testing::ValuesIn(AllCases()), CaseName);

}  // namespace
