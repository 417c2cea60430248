#include "devseries/platform/wow64.h"

#include <gtest/gtest.h>

namespace devseries::platform {

using namespace ::devseries;
namespace {

TEST(Wow64Test, AnswersOfTheLookUp) {
  struct Case {
    Wow64Answer answer;
    bool exported;
    BOOL result;
    BOOL wow64;
  };
  const Case cases[] = {
      {Wow64Answer::kNotWow64, true, TRUE, FALSE},
      {Wow64Answer::kWow64, true, TRUE, TRUE},
      {Wow64Answer::kCallFails, true, FALSE, 7},
      {Wow64Answer::kExportMissing, false, FALSE, 7},
      // This test program is a native build.
      {Wow64Answer::kSystem, true, TRUE,
       sizeof(void*) == 8 ? FALSE : static_cast<BOOL>(-1)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.answer));
    ScopedWow64Answer answer(c.answer);
    IsWow64ProcessFunction isWow64Process = LookUpIsWow64Process();
    ASSERT_EQ(isWow64Process != nullptr, c.exported);
    if (isWow64Process == nullptr) continue;
    BOOL wow64 = 7;
    EXPECT_EQ(isWow64Process(GetCurrentProcess(), &wow64), c.result);
    if (c.wow64 != -1) {
      EXPECT_EQ(wow64, c.wow64);
    }
  }
  // With nothing installed, the probe is the system's (kernel32's export on
  // Windows): a 64-bit program is never under WOW64.
  if (sizeof(void*) == 8) {
    EXPECT_EQ(Wow64Probe::Default()->Answer(), Wow64Answer::kNotWow64);
  }
}

}  // namespace
}  // namespace devseries::platform
