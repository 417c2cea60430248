// The resource file writer under injected file-system faults. For every
// call the writer makes to the file seam, that call is failed in turn (and
// writes are cut short, interrupted, or meet a full disk): afterwards the
// target holds the resource's bytes exactly when the writer reported
// success, its previous bytes (or nothing) otherwise, the log line tells
// which, and no temporary file is left in the folder.
#include <gtest/gtest.h>

#include <string>

#include "devseries/platform/debug_output.h"
#include "devseries/platform/file_system.h"
#include "devseries/platform/resource_file_writer.h"
#include "devseries/platform/resources.h"
#include "tests/support/fault_file_system.h"
#include "tests/support/temp_dir.h"

using namespace devseries;

namespace {

using tovra::testing::FaultFileSystem;
using tovra::testing::FsCall;
using tovra::testing::InjectedFault;
using tovra::testing::LeftBehind;
using tovra::testing::ReadFileBytes;
using tovra::testing::ScopedTempDir;
using tovra::testing::WriteFileBytes;

struct WriterCase {
  const char* what;
  bool html;
  int id;
  bool fileBefore;
};

const WriterCase kWriterCases[] = {
    {"device-series file over the installed one", false, 139, true},
    {"device-series file where there was none", false, 139, false},
    {"help page over the installed one", true, 146, true},
};

void PrintTo(const WriterCase& c, std::ostream* os) { *os << c.what; }

std::string ResourceBytes(const WriterCase& c) {
  platform::HRSRC found = platform::FindResourceA(
      nullptr, c.id, c.html ? platform::ResourceId(platform::RT_HTML) : "BIN");
  const void* data =
      platform::LockResource(platform::LoadResource(nullptr, found));
  if (data == nullptr) return "";
  return std::string(static_cast<const char*>(data),
                     platform::SizeofResource(nullptr, found));
}

class ResourceWriterFaultTest : public ::testing::TestWithParam<WriterCase> {
 protected:
  struct Outcome {
    bool result;
    std::string line;
  };

  // Runs the writer on a fresh folder under `fs`.
  Outcome Run(const ScopedTempDir& dir, FaultFileSystem& fs) {
    const WriterCase& c = GetParam();
    std::string path = Target(dir);
    if (c.fileBefore) WriteFileBytes(path, kBefore);
    // Each run's line is numbered [01].
    g_nBinUpdateCount = 0;
    g_nHtmlUpdateCount = 0;
    platform::ScopedDebugCapture capture;
    platform::ScopedFileSystem scoped(&fs);
    bool result = c.html ? UpdateFileFromHtmlResource(path.c_str(), c.id)
                         : UpdateFileFromBinResource(path.c_str(), c.id);
    return {result, capture.text()};
  }

  static std::string Target(const ScopedTempDir& dir) {
    return dir.File("target.out");
  }

  const std::string kBefore = "the user's installed file\r\n";
};

TEST_P(ResourceWriterFaultTest, EveryFaultLeavesOldOrNewFileAndNoTemporary) {
  const WriterCase& c = GetParam();
  const std::string resource = ResourceBytes(c);
  ASSERT_FALSE(resource.empty());

  FaultFileSystem clean;
  {
    ScopedTempDir dir;
    Outcome outcome = Run(dir, clean);
    ASSERT_TRUE(outcome.result) << outcome.line;
    ASSERT_EQ(ReadFileBytes(Target(dir)), resource);
  }
  // Look, create, set the mode, write, flush, close, rename, folder flush
  // at least.
  ASSERT_GE(clean.CallCount(), 6u);
  ASSERT_EQ(clean.CallCount(FsCall::kRename), 1u);

  for (const InjectedFault& fault : tovra::testing::SweepFaults(clean)) {
    SCOPED_TRACE(fault.what);
    ScopedTempDir dir;
    FaultFileSystem fs;
    fault.inject(fs);
    Outcome outcome = Run(dir, fs);

    if (fault.recoverable) {
      EXPECT_TRUE(outcome.result) << outcome.line;
    } else {
      EXPECT_FALSE(outcome.result) << outcome.line;
    }
    const std::string path = Target(dir);
    if (outcome.result) {
      EXPECT_EQ(ReadFileBytes(path), resource);
      EXPECT_NE(outcome.line.find(" successfly updated!\r\n"),
                std::string::npos)
          << outcome.line;
    } else {
      if (c.fileBefore) {
        EXPECT_EQ(ReadFileBytes(path), kBefore);
      } else {
        EXPECT_FALSE(tovra::testing::FileExists(path));
      }
      // Every call until the file is open for writing (looking at the path,
      // creating the temporary file, giving it the old file's owner and
      // mode) is part of opening it.
      bool opened = !(fault.call &&
                      (fault.call->call == FsCall::kStat ||
                       fault.call->call == FsCall::kLinkStat ||
                       fault.call->call == FsCall::kOpenToInspect ||
                       fault.call->call == FsCall::kReopenForWriting ||
                       fault.call->call == FsCall::kCreateNew ||
                       fault.call->call == FsCall::kSetOwner ||
                       fault.call->call == FsCall::kSetPermissions ||
                       fault.call->call == FsCall::kCopyExtendedAttributes));
      EXPECT_EQ(outcome.line,
                opened ? "[01] error: " + path + " file io failed.\r\n"
                       : "[01] " + path + " error: file cannot opened.\r\n");
    }
    std::set<std::string> expected;
    if (c.fileBefore || outcome.result) expected.insert("target.out");
    EXPECT_EQ(LeftBehind(dir.path(), expected, fs), std::vector<std::string>{});
  }
}

INSTANTIATE_TEST_SUITE_P(Writers, ResourceWriterFaultTest,
                         ::testing::ValuesIn(kWriterCases));

}  // namespace
