// The process probe on Windows: kernel32's IsWow64Process, unless a test
// installs an answer.
#include <gtest/gtest.h>

#include "platform/wow64.h"

namespace devseries::platform {
namespace {

TEST(Wow64Win32Test, SystemAnswersUnlessAnAnswerIsInstalled) {
  if (sizeof(void*) != 8) GTEST_SKIP() << "the answers are a 64-bit program's";
  const struct {
    Wow64Answer installed;
    bool exported;
    BOOL wow64;
  } cases[] = {
      {Wow64Answer::kSystem, true, FALSE},  // a 64-bit program: not WOW64
      {Wow64Answer::kWow64, true, TRUE},
      {Wow64Answer::kExportMissing, false, 7},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.installed));
    ScopedWow64Answer installed(c.installed);
    IsWow64ProcessFunction isWow64Process = LookUpIsWow64Process();
    ASSERT_EQ(isWow64Process != nullptr, c.exported);
    if (isWow64Process == nullptr) continue;
    BOOL wow64 = 7;
    EXPECT_EQ(isWow64Process(GetCurrentProcess(), &wow64), TRUE);
    EXPECT_EQ(wow64, c.wow64);
  }
  EXPECT_EQ(Wow64Probe::Default()->Answer(), Wow64Answer::kNotWow64);
}

}  // namespace
}  // namespace devseries::platform
