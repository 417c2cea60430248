// The merge update: media carried over by name, calibration trimmed, the new
// file's version kept, and the installed file left as it was whenever the
// merge cannot be completed.
#include "xmlio/merge_update.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "platform/file_system.h"
#include "tests/support/temp_dir.h"
#include "xmlio/device_series.h"

namespace {

using tovra::testing::ListFolder;
using tovra::testing::ReadFileBytes;
using tovra::testing::ScopedTempDir;
using tovra::testing::WriteFileBytes;

MediaInfo Media(const std::string& name, bool visible) {
  MediaInfo media;
  media.strMediaName.fill(name);
  media.bVisibleMedia = visible;
  return media;
}

PermissionSet Permission(std::int32_t separation, size_t calibrations) {
  PermissionSet permission;
  permission.nSeparationIndex = separation;
  for (size_t i = 0; i < calibrations; ++i) {
    CalibrationInfo calibration;
    calibration.nOutputLimit = static_cast<std::int32_t>(i);
    permission.aCalibrationInfoList.push_back(calibration);
  }
  return permission;
}

class MergeUpdateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    installedPath_ = dir_.File("_TOVRA.dsr");
    newPath_ = dir_.File("source/new.dsr");
    std::filesystem::create_directory(dir_.File("source"));
  }
  void TearDown() override { EXPECT_EQ(platform::CoInitializeCount(), 0); }

  void WriteSeries(const std::string& path, DeviceSeries series,
                   const char* version) {
    ASSERT_TRUE(WriteDeviceSeriesFile(path, series));
    std::string text = ReadFileBytes(path);
    size_t at = text.find("strVersion=\"1.0.0.0\"");
    ASSERT_NE(at, std::string::npos);
    text.replace(at, 20, std::string("strVersion=\"") + version + "\"");
    WriteFileBytes(path, text);
  }

  MergeOutcome Merge() {
    return MergeUpdateDeviceSeriesWith(
        installedPath_, [&](const std::string& path) {
          return platform::CopyFileAtomically(*platform::FileSystem::Current(),
                                              newPath_, path, true,
                                              platform::kMaxDocumentBytes) == 0;
        });
  }

  DeviceSeries ReadInstalled() {
    DeviceSeries series;
    DeviceSeriesIO2 io(installedPath_);
    EXPECT_TRUE(io.Read(series));
    return series;
  }

  ScopedTempDir dir_;
  std::string installedPath_;
  std::string newPath_;
};

TEST_F(MergeUpdateTest, NoInstalledFileGetsTheResourceAsItIs) {
  EXPECT_TRUE(MergeUpdateDeviceSeries(installedPath_, 139));
  EXPECT_EQ(ReadFileBytes(installedPath_).size(), 80u);
  std::remove(installedPath_.c_str());
  EXPECT_TRUE(MergeUpdateDeviceSeries(installedPath_, "newseries"));
  EXPECT_EQ(ReadFileBytes(installedPath_).size(), 80u);
  EXPECT_EQ(ListFolder(dir_.path()),
            (std::vector<std::string>{"_TOVRA.dsr", "source"}));
}

TEST_F(MergeUpdateTest, MediaAreCarriedOverAndCalibrationTrimmed) {
  DeviceSeries installed;
  MediaInfo same = Media("Glossy", false);
  same.strMediaName[12] = "installed only in Arabic";
  MediaInfo entry9 = Media("Matte", true);
  entry9.strMediaName[9] = "Matte (Korean, user edit)";
  installed.aMediaInfoList = {same, entry9, Media("Mine", true),
                              Media("Mine", false)};
  WriteSeries(installedPath_, installed, "3.3.0.0");

  DeviceSeries fresh;
  SeparationInfo separation;
  separation.nSeparationIndex = 5;
  separation.anInputChannelInkIndexList = {0, 1, 2, 3};
  fresh.aSeparationInfoList = {separation};
  MediaInfo glossy = Media("Glossy", true);
  glossy.nDryTime = 42;
  glossy.aPermissionSetList = {Permission(5, 6), Permission(5, 3),
                               Permission(77, 6)};
  fresh.aMediaInfoList = {glossy, Media("Matte", true)};
  WriteSeries(newPath_, fresh, "7.0.1.0");

  EXPECT_EQ(Merge().kind, MergeOutcome::kMerged);
  EXPECT_EQ(ListFolder(dir_.path()),
            (std::vector<std::string>{"_TOVRA.dsr", "source"}));
  EXPECT_NE(ReadFileBytes(installedPath_).find("strVersion=\"7.0.1.0\""),
            std::string::npos);
  DeviceSeries merged = ReadInstalled();
  ASSERT_EQ(merged.aMediaInfoList.size(), 5u);
  const MediaInfo& first = merged.aMediaInfoList[0];
  EXPECT_EQ(first.strMediaName[12], "Glossy");  // the new medium's names
  EXPECT_EQ(first.nDryTime, 42);
  EXPECT_FALSE(first.bVisibleMedia);  // the user's choice
  ASSERT_EQ(first.aPermissionSetList.size(), 3u);
  EXPECT_EQ(first.aPermissionSetList[0].aCalibrationInfoList.size(), 4u);
  EXPECT_EQ(first.aPermissionSetList[0].aCalibrationInfoList[3].nOutputLimit,
            3);
  EXPECT_EQ(first.aPermissionSetList[1].aCalibrationInfoList.size(), 3u);
  EXPECT_EQ(first.aPermissionSetList[2].aCalibrationInfoList.size(), 6u);
  EXPECT_TRUE(merged.aMediaInfoList[1].bVisibleMedia);
  EXPECT_EQ(merged.aMediaInfoList[2].strMediaName[9],
            "Matte (Korean, user edit)");
  EXPECT_EQ(merged.aMediaInfoList[3].strMediaName[0], "Mine");
  EXPECT_TRUE(merged.aMediaInfoList[3].bVisibleMedia);
  EXPECT_EQ(merged.aMediaInfoList[4].strMediaName[0], "Mine");
  EXPECT_FALSE(merged.aMediaInfoList[4].bVisibleMedia);
}

TEST_F(MergeUpdateTest, UnreadableInputsLeaveTheInstalledFileAsItWas) {
  struct Case {
    const char* what;
    std::string installed;
    std::string fresh;
  };
  DeviceSeries empty;
  ASSERT_TRUE(WriteDeviceSeriesFile(dir_.File("source/good.dsr"), empty));
  const std::string good = ReadFileBytes(dir_.File("source/good.dsr"));
  const Case cases[] = {
      {"installed has the wrong root", "<Other strVersion='1.0.0.0'/>", good},
      {"installed lacks its lists", "<DeviceSeries strVersion='3.3.0.0'/>",
       good},
      {"new file is not XML", good, "garbage"},
      {"new file lacks its lists", good,
       "<DeviceSeries strVersion='3.3.0.0'/>"},
  };
  for (const Case& c : cases) {
    WriteFileBytes(installedPath_, c.installed);
    WriteFileBytes(newPath_, c.fresh);
    MergeOutcome outcome = Merge();
    EXPECT_EQ(outcome.kind, MergeOutcome::kLeftAsItWas) << c.what;
    EXPECT_NE(outcome.problem.find(c.what[0] == 'n' ? ".tmp: " : ".dsr: "),
              std::string::npos)
        << outcome.problem;
    EXPECT_EQ(ReadFileBytes(installedPath_), c.installed) << c.what;
    EXPECT_EQ(ListFolder(dir_.path()),
              (std::vector<std::string>{"_TOVRA.dsr", "source"}))
        << c.what;
  }
}

// Lets the copy of the new file onto ".out" through, then refuses the
// rename that would put the merged document there, so its save fails.
class FailingOutSave : public platform::FileSystemWrapper {
 public:
  explicit FailingOutSave(std::string out)
      : FileSystemWrapper(platform::FileSystem::Real()), out_(std::move(out)) {}
  int Rename(const std::string& from, const std::string& to) override {
    if (to == out_ && renamesOntoOut_++ > 0) return ENOSPC;
    return FileSystemWrapper::Rename(from, to);
  }

 private:
  std::string out_;
  int renamesOntoOut_ = 0;
};

TEST_F(MergeUpdateTest, FailedMergedWriteKeepsTheUsersFile) {
  DeviceSeries installed;
  installed.aMediaInfoList = {Media("Mine", true)};
  WriteSeries(installedPath_, installed, "3.3.0.0");
  WriteSeries(newPath_, DeviceSeries(), "7.0.1.0");
  const std::string before = ReadFileBytes(installedPath_);
  FailingOutSave failing(installedPath_ + ".out");
  {
    platform::ScopedFileSystem scoped(&failing);
    MergeOutcome outcome = Merge();
    EXPECT_EQ(outcome.kind, MergeOutcome::kLeftAsItWas);
    EXPECT_EQ(outcome.problem,
              installedPath_ +
                  ".out: the merged file cannot be written; the installed "
                  "file is left as it is");
  }
  EXPECT_EQ(ReadFileBytes(installedPath_), before);
  EXPECT_EQ(ListFolder(dir_.path()),
            (std::vector<std::string>{"_TOVRA.dsr", "source"}));
}

}  // namespace
