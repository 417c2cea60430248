// Every standalone record save under injected file-system faults. Each call
// the save makes to the file seam is failed in turn (and writes are cut
// short, interrupted, or meet a full disk): afterwards the file holds what
// a clean save writes exactly when the save reported success, the user's
// previous file otherwise, nothing else is left in the folder, and the
// component runtime count is where it was.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "devseries/platform/com.h"
#include "devseries/platform/file_system.h"
#include "devseries/records/media/media_info.h"
#include "devseries/records/media/separation_info.h"
#include "devseries/records/media/vcontrol_point.h"
#include "devseries/records/printer/ink_config_info.h"
#include "devseries/records/printer/ink_info.h"
#include "devseries/records/printer/mode_info.h"
#include "devseries/records/printer/model_info.h"
#include "devseries/records/printer/pattern_info.h"
#include "devseries/records/printer/resolution_info.h"
#include "devseries/xmlio/time_stamp.h"
#include "tests/support/fault_file_system.h"
#include "tests/support/temp_dir.h"

using namespace devseries;

namespace {

using tovra::testing::FaultFileSystem;
using tovra::testing::InjectedFault;
using tovra::testing::LeftBehind;
using tovra::testing::ReadFileBytes;
using tovra::testing::ScopedTempDir;
using tovra::testing::WriteFileBytes;

struct SaveCase {
  const char* what;
  // Saves a record to the path; a raised error counts as a failed save.
  std::function<bool(const std::string& path)> save;
};

ModelInfo SampleModel() {
  ModelInfo model;
  model.strLongModelName = "Vintrell OVX-160";
  model.nHeadNum = 4;
  return model;
}

SeparationInfo SampleSeparation() {
  SeparationInfo separation;
  separation.nSeparationIndex = 3;
  separation.nOutputChannel = 1;
  SeparationTable table;
  table.eType = 1;
  for (size_t i = 0; i < table.usOutputTable.size(); ++i) {
    table.usOutputTable[i] = static_cast<std::uint16_t>(i);
  }
  separation.aSeparationTableList = {table};
  separation.anInputChannelInkIndexList = {0, 1, 2, 3};
  return separation;
}

const SaveCase kSaveCases[] = {
    {"model",
     [](const std::string& path) {
       return ModelInfoIO().SaveModelInfoFile(path, SampleModel());
     }},
    {"ink",
     [](const std::string& path) {
       InkInfo ink;
       ink.nInkIndex = 2;
       return InkInfoIO().SaveInkInfoFile(path, ink);
     }},
    {"ink configuration",
     [](const std::string& path) {
       InkConfigInfo config;
       config.strInkConfigName.fill("CMYK");
       return InkConfigInfoIO().SaveInkConfigInfoFile(path.c_str(), config);
     }},
    {"resolution",
     [](const std::string& path) {
       return ResolutionInfoIO().SaveResolutionInfoFile(path, ResolutionInfo());
     }},
    {"print mode",
     [](const std::string& path) {
       return ModeInfoIO().SaveModeInfoFile(path, ModeInfo());
     }},
    {"FM pattern",
     [](const std::string& path) {
       return PatternInfoIO().SavePatternInfoFile(path, PatternInfo());
     }},
    {"media",
     [](const std::string& path) {
       MediaInfo media;
       media.strMediaName.fill("Glossy");
       media.aPermissionSetList.resize(2);
       return MediaInfoIO().SaveMediaInfoFile(path, media);
     }},
    {"separation",
     [](const std::string& path) {
       return SeparationInfoIO().SaveSeparationInfoFile(path,
                                                        SampleSeparation());
     }},
    {"VControl point",
     [](const std::string& path) {
       return SaveVControlPointFile(path, VControlPoint());
     }},
    {"time stamp",
     [](const std::string& path) {
       return SaveTimeStampFile(path, TimeStamp{2024, 5, 6, 7, 8, 9, 10});
     }},
};

void PrintTo(const SaveCase& c, std::ostream* os) { *os << c.what; }

class StandaloneSaveFaultTest : public ::testing::TestWithParam<SaveCase> {
 protected:
  void TearDown() override { EXPECT_EQ(platform::CoInitializeCount(), 0); }

  // Saves over the user's file in `dir` under `fs`.
  bool Save(const ScopedTempDir& dir, FaultFileSystem& fs) {
    WriteFileBytes(dir.File("record.xml"), kBefore);
    platform::ScopedFileSystem scoped(&fs);
    try {
      return GetParam().save(dir.File("record.xml"));
    } catch (const _com_error&) {
      return false;
    }
  }

  const std::string kBefore = "<previous record the user keeps/>";
};

TEST_P(StandaloneSaveFaultTest, EveryFaultLeavesOldOrNewFileAndNoTemporary) {
  FaultFileSystem clean;
  std::string written;
  {
    ScopedTempDir dir;
    ASSERT_TRUE(Save(dir, clean));
    written = ReadFileBytes(dir.File("record.xml"));
  }
  ASSERT_NE(written, kBefore);
  ASSERT_GE(clean.CallCount(), 6u);

  for (const InjectedFault& fault : tovra::testing::SweepFaults(clean)) {
    SCOPED_TRACE(fault.what);
    ScopedTempDir dir;
    FaultFileSystem fs;
    fault.inject(fs);
    bool saved = Save(dir, fs);

    EXPECT_EQ(saved, fault.recoverable);
    EXPECT_EQ(ReadFileBytes(dir.File("record.xml")), saved ? written : kBefore);
    EXPECT_EQ(LeftBehind(dir.path(), {"record.xml"}, fs),
              std::vector<std::string>{});
    EXPECT_EQ(platform::CoInitializeCount(), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, StandaloneSaveFaultTest,
                         ::testing::ValuesIn(kSaveCases));

}  // namespace
