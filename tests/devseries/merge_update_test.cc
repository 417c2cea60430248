// The merge update: media carried over by name, calibration trimmed, the new
// file's version kept, and the installed file left as it was whenever the
// merge cannot be completed.
#include "devseries/merge_update.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>

#include "devseries/device_series.h"
#include "devseries/platform/debug_output.h"
#include "devseries/platform/dom.h"
#include "devseries/platform/file_system.h"
#include "tests/support/fault_file_system.h"
#include "tests/support/media_fixture.h"
#include "tests/support/temp_dir.h"

using namespace devseries;

namespace {

using tovra::testing::ListFolder;
using tovra::testing::Media;
using tovra::testing::ReadFileBytes;
using tovra::testing::ScopedTempDir;
using tovra::testing::WriteFileBytes;
using Names = std::vector<std::string>;

// Permission bits and symbolic links are POSIX's: on Windows,
// platform/win32/file_system_win32_test checks that a replacement keeps the
// file's attributes and that a link stays, and these helpers do nothing.
#ifndef _WIN32
void SetMode(const std::string& path, mode_t mode) {
  EXPECT_EQ(::chmod(path.c_str(), mode), 0) << path;
}

void ExpectMode(const std::string& path, mode_t mode) {
  struct stat st = {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
  EXPECT_EQ(st.st_mode & 07777, mode) << path;
}
#else
void SetMode(const std::string&, int) {}
void ExpectMode(const std::string&, int) {}
#endif

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
        installedPath_, CopyNewFileFrom(newPath_, platform::kMaxDocumentBytes));
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
    // The problem starts with the file it is about.
    const std::string file = installedPath_ + (c.what[0] == 'n' ? ".tmp" : "");
    EXPECT_EQ(outcome.problem.rfind(file + ":", 0), 0u) << outcome.problem;
    EXPECT_EQ(ReadFileBytes(installedPath_), c.installed) << c.what;
    // A new file that does not read stays as it was extracted.
    if (c.what[0] == 'n') {
      EXPECT_EQ(ReadFileBytes(installedPath_ + ".tmp"), c.fresh);
      std::filesystem::remove(installedPath_ + ".tmp");
    }
    EXPECT_EQ(ListFolder(dir_.path()),
              (std::vector<std::string>{"_TOVRA.dsr", "source"}))
        << c.what;
  }
}

// What the merge does with each kind of installed file: a link is followed
// (the temporary files sit beside its target, which is replaced while the
// link stays); an empty file is replaced; a file that is not XML is kept as
// ".unreadable" first; one the safe parsing refuses is left as it is. Any
// file written takes the installed file's mode.
TEST_F(MergeUpdateTest, EachKindOfInstalledFile) {
  DeviceSeries mine;
  mine.aMediaInfoList = {Media("Mine", true)};
  WriteSeries(newPath_, DeviceSeries(), "7.0.1.0");
  const std::string fresh = ReadFileBytes(newPath_);
  const std::string notXml = "<DeviceSeries>the user's media, cut off";
  enum class Holds { kBefore, kNew, kMerged };
  struct Case {
    const char* what;
    // Prepares the installed file at `path`; returns the file that the
    // links there finally name.
    std::function<std::string(const std::string& path)> prepare;
    MergeOutcome::Kind kind;
    const char* problem;  // part of the reported problem; null: none
    Holds holds;
    Names names;  // in the test's folder afterwards
  };
  const Case cases[] = {
#ifndef _WIN32
      {"symbolic link",
       [&](const std::string& path) {
         std::filesystem::create_directory(dir_.File("real"));
         WriteSeries(dir_.File("real/target.dsr"), mine, "3.3.0.0");
         EXPECT_EQ(::symlink("real/target.dsr", path.c_str()), 0);
         return dir_.File("real/target.dsr");
       },
       MergeOutcome::kMerged, nullptr, Holds::kMerged,
       Names{"_TOVRA.dsr", "real", "source"}},
#endif
      {"empty file",
       [&](const std::string& path) {
         WriteFileBytes(path, "");
         return path;
       },
       MergeOutcome::kInstalledNew, nullptr, Holds::kNew,
       Names{"_TOVRA.dsr", "source"}},
      {"not well-formed",
       [&](const std::string& path) {
         WriteFileBytes(path, notXml);
         WriteFileBytes(path + ".unreadable", "an older copy");
         return path;
       },
       MergeOutcome::kInstalledNew, ":1: not well-formed XML", Holds::kNew,
       Names{"_TOVRA.dsr", "_TOVRA.dsr.unreadable", "source"}},
      {"over the size limit",
       [&](const std::string& path) {
         WriteFileBytes(path, "<DeviceSeries/>");
         std::filesystem::resize_file(path,
                                      platform::kMaxStreamedDocumentBytes + 1);
         return path;
       },
       MergeOutcome::kLeftAsItWas, "(1073741825 bytes), over the 1 GiB limit",
       Holds::kBefore, Names{"_TOVRA.dsr", "source"}},
      {"document type declaration",
       [&](const std::string& path) {
         WriteFileBytes(path,
                        "<?xml version='1.0'?>\n<!DOCTYPE DeviceSeries>\n"
                        "<DeviceSeries strVersion='3.3.0.0'/>\n");
         return path;
       },
       MergeOutcome::kLeftAsItWas,
       ":2: a document type declaration is not allowed; left as it is",
       Holds::kBefore, Names{"_TOVRA.dsr", "source"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string real = c.prepare(installedPath_);
    SetMode(real, 0640);
    const std::string before =
        c.holds == Holds::kBefore ? "" : ReadFileBytes(real);
    const auto size = std::filesystem::file_size(real);

    tovra::testing::FaultFileSystem recorder;
    platform::ScopedDebugCapture log;
    MergeOutcome outcome;
    {
      platform::ScopedFileSystem scoped(&recorder);
      outcome = Merge();
    }
    EXPECT_EQ(outcome.kind, c.kind);
    EXPECT_EQ(ListFolder(dir_.path()), c.names);
    if (c.problem == nullptr) {
      EXPECT_EQ(outcome.problem, "");
      EXPECT_EQ(log.text(), "");
    } else {
      // The problem, and the debug line, name the file first.
      EXPECT_EQ(outcome.problem.rfind(real, 0), 0u) << outcome.problem;
      EXPECT_NE(outcome.problem.find(c.problem), std::string::npos)
          << outcome.problem;
      EXPECT_NE(log.text().find(outcome.problem), std::string::npos);
    }
    switch (c.holds) {
      case Holds::kBefore:
        EXPECT_EQ(std::filesystem::file_size(real), size);
        break;
      case Holds::kNew:
        EXPECT_EQ(ReadFileBytes(real), fresh);
        break;
      case Holds::kMerged:
        EXPECT_NE(ReadFileBytes(real).find("<English>Mine</English>"),
                  std::string::npos);
        EXPECT_NE(ReadFileBytes(real).find("strVersion=\"7.0.1.0\""),
                  std::string::npos);
        break;
    }
    ExpectMode(real, 0640);
    if (c.names.size() == 3 && c.names[1] == "_TOVRA.dsr.unreadable") {
      const std::string kept = real + ".unreadable";
      EXPECT_EQ(outcome.keptCopy, kept);
      EXPECT_EQ(ReadFileBytes(kept), notXml);
      ExpectMode(kept, 0640);
      EXPECT_NE(log.text().find("; kept as " + kept), std::string::npos)
          << log.text();
    } else {
      EXPECT_EQ(outcome.keptCopy, "");
    }
    if (real != installedPath_) {
      std::error_code ignored;
      EXPECT_EQ(std::filesystem::read_symlink(installedPath_, ignored),
                "real/target.dsr");
      EXPECT_EQ(ListFolder(dir_.File("real")), Names{"target.dsr"});
      // Every file was created beside the link's target.
      for (const auto& call : recorder.calls()) {
        if (call.call != tovra::testing::FsCall::kCreateNew) continue;
        EXPECT_EQ(call.path.rfind(dir_.File("real/"), 0), 0u) << call.path;
      }
      std::filesystem::remove_all(dir_.File("real"));
    }
    std::filesystem::remove(installedPath_);
    std::filesystem::remove(installedPath_ + ".unreadable");
  }
}

// The merge in memory: what it does to the new document and what its
// summary tells, case by case. The file merge gives the same document.
TEST(MergeDeviceSeriesTest, MergesAndSummarises) {
  using Summary = MergeSummary;
  SeparationInfo fourInks;
  fourInks.nSeparationIndex = 5;
  fourInks.anInputChannelInkIndexList = {0, 1, 2, 3};
  PermissionSet ninth = Permission(5, 6);
  ninth.nPermissionIndex = 9;
  MediaInfo own = Media("Own", true);
  own.aPermissionSetList = {ninth};
  MediaInfo glossy = Media("Glossy", true);
  glossy.aPermissionSetList = {Permission(5, 6), Permission(5, 3),
                               Permission(77, 6)};
  struct Case {
    const char* what;
    std::vector<MediaInfo> installed;
    std::vector<MediaInfo> fresh;
    Names names;              // of the merged media, in order
    std::vector<bool> shown;  // their visibility
    Summary summary;
  };
  const Case cases[] = {
      {"a match takes the installed visibility",
       {Media("Matte", false)},
       {Media("Glossy", true), Media("Matte", true)},
       {"Glossy", "Matte"},
       {true, false},
       {{{1, "Matte", false}}, {}, {}, {}, {}}},
      {"media matching none are appended, equal names both",
       {Media("Mine", true), Media("Mine", false)},
       {Media("Glossy", true)},
       {"Glossy", "Mine", "Mine"},
       {true, true, false},
       {{}, {{1, "Mine"}, {2, "Mine"}}, {}, {}, {}}},
      {"lists are cut, appended media's too; unknown separations kept",
       {Media("Glossy", false), own},
       {glossy},
       {"Glossy", "Own"},
       {false, true},
       {{{0, "Glossy", false}},
        {{1, "Own"}},
        {{0, "Glossy", 0, 0, 6, 4}, {1, "Own", 0, 9, 6, 4}},
        {},
        {}}},
      {"nothing installed",
       {},
       {glossy},
       {"Glossy"},
       {true},
       {{}, {}, {{0, "Glossy", 0, 0, 6, 4}}, {}, {}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DeviceSeries installed;
    installed.aMediaInfoList = c.installed;
    DeviceSeries fresh;
    fresh.aSeparationInfoList = {fourInks};
    fresh.aMediaInfoList = c.fresh;
    DeviceSeries unsummarised = fresh;

    Summary summary;
    MergeDeviceSeries(installed, fresh, &summary);
    MergeDeviceSeries(installed, unsummarised);
    EXPECT_EQ(fresh, unsummarised);
    EXPECT_EQ(summary, c.summary);
    Names names;
    std::vector<bool> shown;
    for (const MediaInfo& media : fresh.aMediaInfoList) {
      names.push_back(media.strMediaName[0]);
      shown.push_back(media.bVisibleMedia);
    }
    EXPECT_EQ(names, c.names);
    EXPECT_EQ(shown, c.shown);
  }
}

// The matching as a plain scan of the new media for each installed medium,
// which the merge's lookup by key must equal in every result: the merged
// list, every visibility, and the summary in its order.
void ScanningMerge(const DeviceSeries& installed, DeviceSeries& fresh,
                   MergeSummary& summary) {
  const size_t candidates = fresh.aMediaInfoList.size();
  for (const MediaInfo& media : installed.aMediaInfoList) {
    size_t i = 0;
    while (i < candidates &&
           !std::equal(media.strMediaName.begin(),
                       media.strMediaName.begin() + 10,
                       fresh.aMediaInfoList[i].strMediaName.begin())) {
      ++i;
    }
    if (i < candidates) {
      fresh.aMediaInfoList[i].bVisibleMedia = media.bVisibleMedia;
      summary.carriedOver.push_back(
          {i, fresh.aMediaInfoList[i].strMediaName[0], media.bVisibleMedia});
    } else {
      summary.appended.push_back(
          {fresh.aMediaInfoList.size(), media.strMediaName[0]});
      fresh.aMediaInfoList.push_back(media);
    }
  }
}

// A medium whose names in the thirteen languages are `names`, in order (the
// rest as the last one given).
MediaInfo Named(std::vector<std::string> names, bool visible) {
  MediaInfo media;
  for (size_t i = 0; i < media.strMediaName.size(); ++i) {
    media.strMediaName[i] = names[std::min(i, names.size() - 1)];
  }
  media.bVisibleMedia = visible;
  return media;
}

// Many media named from `kinds` names each, so that equal names abound on
// both sides: the same `seed` gives the same list.
std::vector<MediaInfo> ManyMedia(size_t count, unsigned seed, unsigned kinds) {
  std::vector<MediaInfo> media;
  for (size_t n = 0; n < count; ++n) {
    seed = seed * 1103515245u + 12345u;
    std::vector<std::string> names(13, "m" + std::to_string(seed % kinds));
    names[seed / kinds % 10] += "'";          // one of the first ten differs
    names[10 + seed / kinds / 10 % 3] = "x";  // the last three never count
    media.push_back(Named(names, (seed >> 16) % 2 == 0));
  }
  return media;
}

TEST(MergeDeviceSeriesTest, MatchingEqualsAScanOfTheNewMedia) {
  const MediaInfo a = Media("A", true);
  const MediaInfo hiddenA = Media("A", false);
  const MediaInfo b = Media("B", false);
  struct Case {
    const char* what;
    std::vector<MediaInfo> installed;
    std::vector<MediaInfo> fresh;
  };
  const Case cases[] = {
      {"nothing on either side", {}, {}},
      {"nothing installed", {}, {a, b}},
      {"nothing new", {a, b}, {}},
      {"equal new media: the first takes every match",
       {hiddenA, b, a},
       {a, hiddenA, b, a}},
      {"equal installed media matching none are all appended",
       {b, b, hiddenA},
       {Media("C", true)}},
      {"an appended medium is no candidate for a later one",
       {Media("D", true), Media("D", false), a},
       {a}},
      {"names that differ in entry 9 differ; in entries 10 to 12 not",
       {Named({"A", "A", "A", "A", "A", "A", "A", "A", "A", "Z"}, false),
        Named({"A", "A", "A", "A", "A", "A", "A", "A", "A", "A", "Z"}, false)},
       {a}},
      {"the same letters split otherwise between languages",
       {Named({"ab", "c", "x"}, false), Named({"a", "bc", "x"}, false)},
       {Named({"a", "bc", "x"}, true)}},
      {"thousands of media, most names shared", ManyMedia(3000, 1, 9),
       ManyMedia(2000, 2, 7)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DeviceSeries installed;
    installed.aMediaInfoList = c.installed;
    DeviceSeries merged;
    merged.aMediaInfoList = c.fresh;
    DeviceSeries scanned = merged;

    MergeSummary summary;
    MergeDeviceSeries(installed, merged, &summary);
    MergeSummary expected;
    ScanningMerge(installed, scanned, expected);
    EXPECT_EQ(merged, scanned);
    EXPECT_EQ(summary, expected);
    EXPECT_EQ(summary.carriedOver.size() + summary.appended.size(),
              c.installed.size());
  }
}

// The file merge hands out the summary of its in-memory merge, with the
// installed file's version and the one the merged file is written with.
TEST_F(MergeUpdateTest, OutcomeCarriesTheSummaryAndVersions) {
  struct Case {
    const char* installedVersion;
    const char* newVersion;
    IOVersion expectedInstalled;
    IOVersion expectedMerged;  // also the merged file's strVersion
  };
  const Case cases[] = {
      {"3.2.0.0", "7.0.1.0", {3, 2, 0, 0}, {7, 0, 1, 0}},
      {"1.0.0.0", "3.3.0.100", {1, 0, 0, 0}, {3, 3, 0, 100}},
      // A new file marked 0.0.0.0 counts as unversioned: the writer's own.
      {"3.3.0.0", "0.0.0.0", {3, 3, 0, 0}, {3, 3, 0, 0}},
  };
  DeviceSeries installed;
  installed.aMediaInfoList = {Media("Glossy", false), Media("Mine", true)};
  DeviceSeries fresh;
  fresh.aMediaInfoList = {Media("Glossy", true)};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.newVersion);
    WriteSeries(installedPath_, installed, c.installedVersion);
    WriteSeries(newPath_, fresh, c.newVersion);
    MergeOutcome outcome = Merge();
    ASSERT_EQ(outcome.kind, MergeOutcome::kMerged);

    MergeSummary expected;
    DeviceSeries merged = fresh;
    MergeDeviceSeries(installed, merged, &expected);
    expected.installedVersion = c.expectedInstalled;
    expected.mergedVersion = c.expectedMerged;
    EXPECT_EQ(outcome.summary, expected);
    EXPECT_NE(ReadFileBytes(installedPath_)
                  .find("strVersion=\"" + c.expectedMerged.ToString() + "\""),
              std::string::npos);
    EXPECT_EQ(ReadInstalled().aMediaInfoList.size(), 2u);
  }
}

// A merge whose own files would have names longer than the file system
// takes (NAME.unreadable the longest, 255 bytes at most) says so before it
// touches anything; a long name that fits is merged. (On Windows a path of
// that length in the test's folder would exceed MAX_PATH.)
#ifndef _WIN32
TEST_F(MergeUpdateTest, NamesTooLongForTheMergesFilesAreRefusedFirst) {
  struct Case {
    size_t length;  // of the installed file's name
    MergeOutcome::Kind kind;
  };
  const Case cases[] = {
      {200, MergeOutcome::kMerged},
      {245, MergeOutcome::kLeftAsItWas},  // 245 + 11 = 256 bytes
      {255, MergeOutcome::kLeftAsItWas},
  };
  DeviceSeries mine;
  mine.aMediaInfoList = {Media("Mine", true)};
  // Written under a short name: the library's own write of a long one
  // would need a longer name beside it.
  WriteSeries(dir_.File("source/mine.dsr"), mine, "3.3.0.0");
  const std::string before = ReadFileBytes(dir_.File("source/mine.dsr"));
  WriteSeries(newPath_, DeviceSeries(), "7.0.1.0");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.length);
    const std::string name = std::string(c.length - 4, 'n') + ".dsr";
    installedPath_ = dir_.File(name);
    WriteFileBytes(installedPath_, before);

    tovra::testing::FaultFileSystem recorder;
    platform::ScopedDebugCapture log;
    MergeOutcome outcome;
    {
      platform::ScopedFileSystem scoped(&recorder);
      outcome = Merge();
    }
    EXPECT_EQ(outcome.kind, c.kind) << outcome.problem;
    EXPECT_EQ(ListFolder(dir_.path()), (Names{name, "source"}));
    if (c.kind == MergeOutcome::kLeftAsItWas) {
      EXPECT_EQ(outcome.problem,
                installedPath_ + ": File name too long: " + name +
                    ".unreadable would be longer than 255 bytes; left as it "
                    "is");
      EXPECT_EQ(ReadFileBytes(installedPath_), before);
      for (tovra::testing::FsCall touching :
           {tovra::testing::FsCall::kCreateNew, tovra::testing::FsCall::kRemove,
            tovra::testing::FsCall::kRename}) {
        EXPECT_EQ(recorder.CallCount(touching), 0u)
            << tovra::testing::FsCallName(touching);
      }
    }
    std::filesystem::remove(installedPath_);
  }
}
#endif

// Every refusal ends with the system's text for what failed: the new file
// that cannot be extracted, over a document, over a file that is not XML
// or where there was none, and the installed file that cannot be opened or
// locked.
TEST_F(MergeUpdateTest, EveryRefusalCarriesTheReason) {
  using tovra::testing::FsCall;
  DeviceSeries mine;
  mine.aMediaInfoList = {Media("Mine", true)};
  WriteSeries(newPath_, DeviceSeries(), "7.0.1.0");
  WriteSeries(dir_.File("source/mine.dsr"), mine, "3.3.0.0");
  const std::string document = ReadFileBytes(dir_.File("source/mine.dsr"));
  const std::string path = installedPath_;
  struct Case {
    const char* what;
    const char* installed;  // null: no installed file; "": a document
    FsCall failing;         // kExists: none
    std::string problem;
  };
  const Case cases[] = {
      {"extract over a document", "", FsCall::kExists,
       path + ".tmp: the new file cannot be written (No space left on device); "
              "nothing is merged"},
      {"extract over a file that is not XML", "not XML", FsCall::kExists,
       path +
           ":1: not well-formed XML: Document is empty; the "
           "new file cannot be written over it (No space left on device), so "
           "it is left as it is"},
      {"extract where there was no file", nullptr, FsCall::kExists,
       path +
           ": the new file cannot be written (No space left on device); left "
           "as it is"},
      {"open", "", FsCall::kOpenForReading,
       path + ": Permission denied; left as it is"},
      {"lock", "", FsCall::kLockExclusive,
       path + ": Input/output error; left as it is"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove(path);
    if (c.installed != nullptr) {
      WriteFileBytes(path, *c.installed == '\0' ? document : c.installed);
    }
    tovra::testing::FaultFileSystem fs;
    if (c.failing != FsCall::kExists) fs.FailCall(c.failing, 1);
    platform::ScopedDebugCapture quiet;
    platform::ScopedFileSystem scoped(&fs);
    MergeOutcome outcome = MergeUpdateDeviceSeriesWith(
        path, [&](const std::string&, const platform::ReplaceOptions&) {
          return c.failing == FsCall::kExists ? platform::FileError::kNoSpace
                                              : platform::FileError::kNone;
        });
    EXPECT_EQ(outcome.kind, MergeOutcome::kLeftAsItWas);
    EXPECT_EQ(outcome.problem, c.problem);
  }
}

// Refuses the rename that would put the merged document at ".out", so its
// save fails.
class FailingOutSave : public platform::FileSystemWrapper {
 public:
  explicit FailingOutSave(std::string out)
      : FileSystemWrapper(platform::FileSystem::Default()),
        out_(std::move(out)) {}
  platform::FileError Rename(const std::string& from,
                             const std::string& to) override {
    if (to == out_) return platform::FileError::kNoSpace;
    return FileSystemWrapper::Rename(from, to);
  }

 private:
  std::string out_;
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
                  ".out: the merged file cannot be written (No space left on "
                  "device); the installed file is left as it is");
  }
  EXPECT_EQ(ReadFileBytes(installedPath_), before);
  EXPECT_EQ(ListFolder(dir_.path()),
            (std::vector<std::string>{"_TOVRA.dsr", "source"}));
}

}  // namespace
