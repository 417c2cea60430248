// Every writer against every kind of thing a path can name: a file of
// another user keeps owner and mode, links stay and their target is written,
// a FIFO, a pipe and a device are written in place and stay (the merge
// update, which reads the file it replaces, refuses them), a folder is
// refused; nothing is ever left beside them. Owners, modes, links, FIFOs
// and pipes are POSIX's: on Windows the table has the folder and the NUL
// device, and platform/win32/file_system_win32_test checks that a
// replacement keeps the file's attributes and that a link stays.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
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
#include "platform/debug_output.h"
#include "platform/file_system.h"
#include "platform/resource_file_writer.h"
#include "records/printer/model_info.h"
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
     }},
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
     true},
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
