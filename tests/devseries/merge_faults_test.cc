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

#include <string>

#include "devseries/device_series.h"
#include "devseries/merge_update.h"
#include "platform/com.h"
#include "platform/debug_output.h"
#include "platform/file_system.h"
#include "platform/resources.h"
#include "tests/support/fault_file_system.h"
#include "tests/support/media_fixture.h"
#include "tests/support/temp_dir.h"

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
  for (FsCall call : {FsCall::kReadFile, FsCall::kCreateNew, FsCall::kWrite,
                      FsCall::kRename, FsCall::kRemove}) {
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
    fs.FailCall(FsCall::kReadFile, 1, error);
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

}  // namespace
