// The executable's own resources, compiled from the test host's resource
// script (tests/host/test_host.rc), read through the library.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "devseries/platform/resources.h"
#include "tests/support/temp_dir.h"

namespace devseries::platform {
namespace {

// A file of tests/host, found from this file's path (tests/platform/...).
std::string HostFile(const std::string& name) {
  std::string source = __FILE__;
  size_t platform = source.rfind("platform");
  return source.substr(0, platform) + "host" + source[platform - 1] + name;
}

TEST(ResourcesWin32Test, ModuleResourcesHoldTheFilesBytes) {
  const struct {
    ResourceId name;
    ResourceId type;
    const char* file;  // null: no such resource
  } cases[] = {
      {139, "BIN", "empty_series.dsr"},
      {"newSeries", "bin", "empty_series.dsr"},  // names ignore case
      {146, RT_HTML, "help_page.html"},
      {140, "BIN", nullptr},
      {146, "BIN", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name.ToString() + " " + c.type.ToString());
    HRSRC found = FindResourceA(nullptr, c.name, c.type);
    ASSERT_EQ(found != nullptr, c.file != nullptr);
    if (found == nullptr) continue;
    std::string bytes = tovra::testing::ReadFileBytes(HostFile(c.file));
    ASSERT_FALSE(bytes.empty()) << HostFile(c.file);
    ASSERT_EQ(SizeofResource(nullptr, found), bytes.size());
    const void* data = LockResource(LoadResource(nullptr, found));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(std::string(static_cast<const char*>(data), bytes.size()), bytes);
    EXPECT_EQ(found->language, 0x0411);
    EXPECT_EQ(FindResourceA(nullptr, c.name, c.type), found);  // one entry
  }
}

TEST(ResourcesWin32Test, StringTable) {
  const std::pair<UINT, const char*> cases[] = {
      {1, "English"}, {14, "Russian"}, {16, "Arabic"},
      {0, nullptr},   {11, nullptr},   {17, nullptr},  // no such string
  };
  for (const auto& [id, expected] : cases) {
    std::string text = "kept";
    EXPECT_EQ(LoadString(id, text), expected != nullptr) << id;
    EXPECT_EQ(text, expected != nullptr ? expected : "kept");
  }
}

}  // namespace
}  // namespace devseries::platform
