// The merge update under injected file-system faults. The merge extracts
// the new file, reads both files, copies, writes the merged file, deletes
// the extracted file and renames the merged one over the installed file;
// each call it makes to the file seam is failed in turn (and writes are cut
// short, interrupted, or meet a full disk). Afterwards the installed file
// is either exactly as before, with the failure reported on the debug
// output, or exactly what a clean merge gives, and neither the ".tmp" nor
// the ".out" file is left behind unless its removal was refused (or, for
// ".tmp", the extracted new file could not be read).
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "devseries/device_series.h"
#include "devseries/merge_update.h"
#include "devseries/platform/com.h"
#include "devseries/platform/debug_output.h"
#include "devseries/platform/file_system.h"
#include "devseries/platform/resource_file_writer.h"
#include "devseries/platform/resources.h"
#include "tests/support/fault_file_system.h"
#include "tests/support/media_fixture.h"
#include "tests/support/temp_dir.h"
#ifndef _WIN32
#include "tests/support/child_process.h"
#endif

using namespace devseries;

namespace {

using tovra::testing::FaultFileSystem;
using tovra::testing::FsCall;
using tovra::testing::InjectedFault;
using tovra::testing::LeftBehind;
using tovra::testing::Media;
using tovra::testing::ReadFileBytes;
using tovra::testing::ScopedTempDir;
using tovra::testing::WriteFileBytes;

// A device-series document as text, written by the library itself.
std::string SeriesText(DeviceSeries series) {
  ScopedTempDir dir;
  EXPECT_TRUE(DeviceSeriesIO2(dir.File("s.dsr")).Write(series));
  return ReadFileBytes(dir.File("s.dsr"));
}

// Serves the new device-series file as the "BIN" resource "NEWSERIES", and
// everything else from the test host's table.
class NewSeriesResource : public platform::ResourceProvider {
 public:
  explicit NewSeriesResource(std::string bytes) : bytes_(std::move(bytes)) {
    entry_ = {
        -1,           "BIN",
        -1,           "NEWSERIES",
        0x0411,       reinterpret_cast<const unsigned char*>(bytes_.data()),
        bytes_.size()};
  }
  const platform::ResourceEntry* Find(
      const platform::ResourceId& name,
      const platform::ResourceId& type) const override {
    if (name.Matches(entry_.id, entry_.name) &&
        type.Matches(entry_.typeId, entry_.typeName)) {
      return &entry_;
    }
    return previous_->Find(name, type);
  }
  std::optional<std::string> String(platform::UINT id) const override {
    return previous_->String(id);
  }

 private:
  std::string bytes_;
  platform::ResourceEntry entry_;
  const platform::ResourceProvider* previous_ =
      platform::Seam<platform::ResourceProvider>::Current();
  platform::ScopedResourceProvider installed_{this};
};

class MergeFaultTest : public ::testing::Test {
 protected:
  MergeFaultTest() {
    DeviceSeries installed;
    installed.aMediaInfoList = {Media("Glossy", false), Media("Mine", true)};
    installed_ = SeriesText(installed);
    DeviceSeries fresh;
    SeparationInfo separation;
    separation.nSeparationIndex = 2;
    separation.anInputChannelInkIndexList = {0, 1, 2, 3};
    fresh.aSeparationInfoList = {separation};
    fresh.aMediaInfoList = {Media("Glossy", true), Media("Matte", true)};
    std::string text = SeriesText(fresh);
    // The new file is of a newer version than the installed one.
    text.replace(text.find("3.3.0.0"), 7, "3.3.1.0");
    newFile_ = text;
    resource_ = std::make_unique<NewSeriesResource>(text);
  }
  void TearDown() override { EXPECT_EQ(platform::CoInitializeCount(), 0); }

  struct Outcome {
    std::string installed;
    std::string log;
  };

  // Merges into `dir`, where the user's file is as `installed` gives
  // (nothing when null), under `fs`.
  Outcome Merge(const ScopedTempDir& dir, FaultFileSystem& fs,
                const std::string* installed) {
    const std::string path = dir.File("_TOVRA.dsr");
    if (installed != nullptr) WriteFileBytes(path, *installed);
    platform::ScopedDebugCapture capture;
    {
      platform::ScopedFileSystem scoped(&fs);
      EXPECT_TRUE(MergeUpdateDeviceSeries(path, "NEWSERIES"));
    }
    return {ReadFileBytes(path), capture.text()};
  }

  std::string installed_;
  std::string newFile_;
  std::unique_ptr<NewSeriesResource> resource_;
};

TEST_F(MergeFaultTest, EveryFaultLeavesTheUsersFileOrTheMergedOne) {
  FaultFileSystem clean;
  std::string merged;
  {
    ScopedTempDir dir;
    Outcome outcome = Merge(dir, clean, &installed_);
    merged = outcome.installed;
    ASSERT_NE(merged.find("strVersion=\"3.3.1.0\""), std::string::npos);
    ASSERT_NE(merged.find("<English>Mine</English>"), std::string::npos);
    ASSERT_NE(merged.find("<English>Matte</English>"), std::string::npos);
    ASSERT_EQ(tovra::testing::ListFolder(dir.path()),
              std::vector<std::string>{"_TOVRA.dsr"});
  }
  // Every step of the merge touches the seam.
  for (FsCall call :
       {FsCall::kOpenForReading, FsCall::kLockExclusive, FsCall::kRead,
        FsCall::kCreateNew, FsCall::kWrite, FsCall::kRename, FsCall::kRemove}) {
    EXPECT_GT(clean.CallCount(call), 0u) << FsCallName(call);
  }

  for (const InjectedFault& fault : tovra::testing::SweepFaults(clean)) {
    SCOPED_TRACE(fault.what);
    ScopedTempDir dir;
    FaultFileSystem fs;
    fault.inject(fs);
    Outcome outcome = Merge(dir, fs, &installed_);

    if (outcome.installed == installed_) {
      EXPECT_FALSE(outcome.log.empty()) << "a failed merge is not reported";
      EXPECT_FALSE(fault.recoverable);
    } else {
      EXPECT_TRUE(outcome.installed == merged)
          << "neither the user's file nor the merged one";
    }
    // A new file extracted but not read stays, complete, for a look at it.
    std::set<std::string> expected = {"_TOVRA.dsr"};
    if (outcome.log.find("the new file cannot be read") != std::string::npos) {
      expected.insert("_TOVRA.dsr.tmp");
      EXPECT_EQ(ReadFileBytes(dir.File("_TOVRA.dsr.tmp")), newFile_);
    }
    EXPECT_EQ(LeftBehind(dir.path(), expected, fs), std::vector<std::string>{})
        << outcome.log;
  }
}

// Without an installed file, or with one that is not a document, the new
// file is written in its place (the latter first kept as ".unreadable"):
// whatever fails, the path holds the previous bytes (or nothing) or the
// complete new file, and a kept copy stays only beside the new file.
TEST_F(MergeFaultTest, DirectReplacementIsAtomicToo) {
  const std::string notADocument = "the user's notes, not XML";
  for (const std::string* before :
       {static_cast<const std::string*>(nullptr), &notADocument}) {
    SCOPED_TRACE(before == nullptr ? "no installed file" : "not a document");
    FaultFileSystem clean;
    {
      ScopedTempDir dir;
      ASSERT_EQ(Merge(dir, clean, before).installed, newFile_);
    }
    for (const InjectedFault& fault : tovra::testing::SweepFaults(clean)) {
      SCOPED_TRACE(fault.what);
      ScopedTempDir dir;
      FaultFileSystem fs;
      fault.inject(fs);
      Outcome outcome = Merge(dir, fs, before);
      if (outcome.installed != newFile_) {
        EXPECT_EQ(outcome.installed, before == nullptr ? "" : *before);
        EXPECT_FALSE(outcome.log.empty());
      }
      std::set<std::string> expected;
      if (before != nullptr || outcome.installed == newFile_) {
        expected.insert("_TOVRA.dsr");
      }
      if (before != nullptr && outcome.installed == newFile_) {
        expected.insert("_TOVRA.dsr.unreadable");
        EXPECT_EQ(ReadFileBytes(dir.File("_TOVRA.dsr.unreadable")), *before);
      }
      EXPECT_EQ(LeftBehind(dir.path(), expected, fs),
                std::vector<std::string>{});
    }
  }
}

// An installed file that exists but cannot be read at the moment is not
// "missing": writing the new file over it would lose the user's media.
TEST_F(MergeFaultTest, InstalledFileThatCannotBeReadIsLeftAlone) {
  for (platform::FileError error :
       {platform::FileError::kIo, platform::FileError::kAccessDenied,
        platform::FileError::kTooManyOpenFiles}) {
    ScopedTempDir dir;
    FaultFileSystem fs;
    fs.FailCall(FsCall::kRead, 1, error);
    Outcome outcome = Merge(dir, fs, &installed_);
    EXPECT_TRUE(outcome.installed == installed_)
        << platform::FileErrorText(error);
    EXPECT_EQ(outcome.log,
              "MergeUpdateDeviceSeries: " + dir.File("_TOVRA.dsr") + ": " +
                  "cannot be read: " + platform::FileErrorText(error) +
                  "; left as it is\r\n");
    EXPECT_EQ(tovra::testing::ListFolder(dir.path()),
              std::vector<std::string>{"_TOVRA.dsr"});
  }
}

#ifndef _WIN32
// What a merge run in a child process told; `ended` is false when it had
// not ended after a few seconds and was killed.
struct ChildMerge {
  bool ended = false;
  int kind = -1;
  std::string problem;
};

// Runs `merge` in a child process, which is killed when it has not ended
// after ten seconds: a merge that waits on a FIFO fails its test instead of
// hanging it.
ChildMerge MergeInChild(const std::function<MergeOutcome()>& merge) {
  int ends[2];
  EXPECT_EQ(::pipe(ends), 0);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(ends[0]);
    MergeOutcome outcome = merge();
    const std::string told =
        std::to_string(static_cast<int>(outcome.kind)) + "\n" + outcome.problem;
    size_t at = 0;
    while (at < told.size()) {
      ssize_t n = ::write(ends[1], told.data() + at, told.size() - at);
      if (n <= 0) break;
      at += static_cast<size_t>(n);
    }
    ::_exit(0);
  }
  ::close(ends[1]);
  ChildMerge result;
  int status = 0;
  if (!tovra::testing::WaitForChild(pid, 10, &status)) {
    ::close(ends[0]);
    return result;
  }
  std::string told;
  char buffer[4096];
  for (ssize_t n; (n = ::read(ends[0], buffer, sizeof buffer)) > 0;) {
    told.append(buffer, static_cast<size_t>(n));
  }
  ::close(ends[0]);
  const size_t newline = told.find('\n');
  if (newline == std::string::npos) return result;
  result.ended = true;
  result.kind = std::stoi(told.substr(0, newline));
  result.problem = told.substr(newline + 1);
  return result;
}

// What a user who may write the installed file's folder can plant there,
// and what the merge must do about it: never write, create or read through
// a link at a name of its own, never wait on a FIFO, never remove anything
// but a file or a link of its own names.
TEST_F(MergeFaultTest, HostileFilesBesideTheInstalledOne) {
  const std::string notWellFormed = "<DeviceSeries>the user's media, cut off";
  const std::string victimBytes = "a file the merge must not touch";
  enum class Holds { kBefore, kNew, kMerged, kFifo };
  struct Case {
    const char* what;
    bool document;  // the installed file is a document, else not XML
    // Plants the hostile file; `installed` is the installed file's path.
    std::function<void(const ScopedTempDir& dir, const std::string& installed)>
        plant;
    MergeOutcome::Kind kind;
    const char* problem;             // part of the problem; null: no problem
    Holds holds;                     // what the installed path holds afterwards
    std::vector<std::string> names;  // in the folder afterwards
  };
  auto link = [](const std::string& target, const std::string& at) {
    ASSERT_EQ(::symlink(target.c_str(), at.c_str()), 0) << at;
  };
  auto fifo = [](const std::string& at) {
    ASSERT_EQ(::mkfifo(at.c_str(), 0600), 0) << at;
  };
  const std::string notRegular =
      platform::FileErrorText(platform::FileError::kNotRegular);
  const Case cases[] = {
      {"a link at .unreadable to another file",
       false,
       [&](const ScopedTempDir& dir, const std::string& installed) {
         link(dir.File("victim"), installed + ".unreadable");
       },
       MergeOutcome::kInstalledNew,
       ":1: not well-formed XML",
       Holds::kNew,
       {"_TOVRA.dsr", "_TOVRA.dsr.unreadable", "victim"}},
      {"a dangling link at .unreadable",
       false,
       [&](const ScopedTempDir& dir, const std::string& installed) {
         link(dir.File("created"), installed + ".unreadable");
       },
       MergeOutcome::kInstalledNew,
       ":1: not well-formed XML",
       Holds::kNew,
       {"_TOVRA.dsr", "_TOVRA.dsr.unreadable", "victim"}},
      {"a FIFO at .unreadable",
       false,
       [&](const ScopedTempDir&, const std::string& installed) {
         fifo(installed + ".unreadable");
       },
       MergeOutcome::kLeftAsItWas,
       notRegular.c_str(),
       Holds::kBefore,
       {"_TOVRA.dsr", "_TOVRA.dsr.unreadable", "victim"}},
      {"a folder at .unreadable",
       false,
       [&](const ScopedTempDir&, const std::string& installed) {
         ASSERT_TRUE(tovra::testing::MakeFolder(installed + ".unreadable"));
       },
       MergeOutcome::kLeftAsItWas,
       "no copy can be kept",
       Holds::kBefore,
       {"_TOVRA.dsr", "_TOVRA.dsr.unreadable", "victim"}},
      {"a link at .tmp to another file",
       true,
       [&](const ScopedTempDir& dir, const std::string& installed) {
         link(dir.File("victim"), installed + ".tmp");
       },
       MergeOutcome::kMerged,
       nullptr,
       Holds::kMerged,
       {"_TOVRA.dsr", "victim"}},
      {"a link at .out to another file",
       true,
       [&](const ScopedTempDir& dir, const std::string& installed) {
         link(dir.File("victim"), installed + ".out");
       },
       MergeOutcome::kMerged,
       nullptr,
       Holds::kMerged,
       {"_TOVRA.dsr", "victim"}},
      {"dangling links at .tmp and .out",
       true,
       [&](const ScopedTempDir& dir, const std::string& installed) {
         link(dir.File("created"), installed + ".tmp");
         link(dir.File("created"), installed + ".out");
       },
       MergeOutcome::kMerged,
       nullptr,
       Holds::kMerged,
       {"_TOVRA.dsr", "victim"}},
      {"a FIFO at .tmp",
       true,
       [&](const ScopedTempDir&, const std::string& installed) {
         fifo(installed + ".tmp");
       },
       MergeOutcome::kLeftAsItWas,
       ".tmp: not a regular file",
       Holds::kBefore,
       {"_TOVRA.dsr", "_TOVRA.dsr.tmp", "victim"}},
      {"a FIFO at .out, and a file of an earlier merge at .tmp",
       true,
       [&](const ScopedTempDir&, const std::string& installed) {
         WriteFileBytes(installed + ".tmp", "left by an earlier merge");
         fifo(installed + ".out");
       },
       MergeOutcome::kLeftAsItWas,
       ".out: not a regular file",
       Holds::kBefore,
       {"_TOVRA.dsr", "_TOVRA.dsr.out", "_TOVRA.dsr.tmp", "victim"}},
      {"a FIFO at the installed path",
       true,
       [&](const ScopedTempDir&, const std::string& installed) {
         std::filesystem::remove(installed);
         fifo(installed);
       },
       MergeOutcome::kLeftAsItWas,
       "is not a regular file",
       Holds::kFifo,
       {"_TOVRA.dsr", "victim"}},
      {"a link to a FIFO at the installed path",
       true,
       [&](const ScopedTempDir& dir, const std::string& installed) {
         std::filesystem::remove(installed);
         fifo(dir.File("fifo"));
         link(dir.File("fifo"), installed);
       },
       MergeOutcome::kLeftAsItWas,
       "is not a regular file",
       Holds::kFifo,
       {"_TOVRA.dsr", "fifo", "victim"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScopedTempDir dir;
    const std::string installed = dir.File("_TOVRA.dsr");
    const std::string before = c.document ? installed_ : notWellFormed;
    WriteFileBytes(installed, before);
    WriteFileBytes(dir.File("victim"), victimBytes);
    c.plant(dir, installed);

    ChildMerge merge = MergeInChild([&] {
      return MergeUpdateDeviceSeriesWith(
          installed,
          [](const std::string& path, const platform::ReplaceOptions& options) {
            platform::FileError error = platform::FileError::kNone;
            UpdateFileFromBinResource(path.c_str(), "NEWSERIES", options,
                                      &error);
            return error;
          });
    });
    ASSERT_TRUE(merge.ended) << "the merge waited and was killed";
    EXPECT_EQ(merge.kind, c.kind) << merge.problem;
    if (c.problem == nullptr) {
      EXPECT_EQ(merge.problem, "");
    } else {
      EXPECT_NE(merge.problem.find(c.problem), std::string::npos)
          << merge.problem;
    }
    EXPECT_EQ(tovra::testing::ListFolder(dir.path()), c.names);
    EXPECT_EQ(ReadFileBytes(dir.File("victim")), victimBytes);
    switch (c.holds) {
      case Holds::kBefore:
        EXPECT_EQ(ReadFileBytes(installed), before);
        break;
      case Holds::kNew:
        EXPECT_EQ(ReadFileBytes(installed), newFile_);
        // The copy took the link's place; what the link named is untouched.
        EXPECT_EQ(ReadFileBytes(installed + ".unreadable"), notWellFormed);
        break;
      case Holds::kMerged:
        EXPECT_NE(ReadFileBytes(installed).find("<English>Mine</English>"),
                  std::string::npos);
        EXPECT_NE(ReadFileBytes(installed).find("strVersion=\"3.3.1.0\""),
                  std::string::npos);
        break;
      case Holds::kFifo:
        break;  // reading it would wait
    }
  }
}

// A process of root does not follow a link that another user owns to the
// installed file: whatever the link names (here a file of the test's own),
// it is neither read nor replaced.
TEST_F(MergeFaultTest, RootFollowsNoLinkOfAnotherUser) {
  class AsRoot : public platform::FileSystemWrapper {
   public:
    AsRoot() : FileSystemWrapper(platform::FileSystem::Default()) {}
    uint32_t EffectiveUser() override { return 0; }
  };
  ScopedTempDir dir;
  const std::string secret = dir.File("shadow");
  WriteFileBytes(secret, "root's secret, not XML");
  const std::string installed = dir.File("inst.dsr");
  ASSERT_EQ(::symlink(secret.c_str(), installed.c_str()), 0);
  if (::geteuid() == 0) {
    // The link becomes another user's, as one planted by that user.
    ASSERT_EQ(::lchown(installed.c_str(), 65534, 65534), 0);
  }
  AsRoot root;
  MergeOutcome outcome;
  {
    platform::ScopedFileSystem scoped(&root);
    platform::ScopedDebugCapture quiet;
    outcome = MergeUpdateDeviceSeriesWith(installed, CopyNewFileFrom(secret));
  }
  EXPECT_EQ(outcome.kind, MergeOutcome::kLeftAsItWas);
  EXPECT_EQ(outcome.problem,
            installed + ": " +
                platform::FileErrorText(platform::FileError::kLinkNotTrusted) +
                "; left as it is");
  EXPECT_EQ(ReadFileBytes(secret), "root's secret, not XML");
  EXPECT_EQ(tovra::testing::ListFolder(dir.path()),
            (std::vector<std::string>{"inst.dsr", "shadow"}));
}
#endif

}  // namespace
