// The payloads and strings the updater carries, byte for byte.
#include <gtest/gtest.h>

#include <string>

#include "devseries/platform/resources.h"

using namespace devseries;

namespace {

std::string ResourceBytes(const platform::ResourceId& id,
                          const platform::ResourceId& type) {
  platform::HRSRC found = platform::FindResourceA(nullptr, id, type);
  if (found == nullptr) return "<missing>";
  const void* data =
      platform::LockResource(platform::LoadResource(nullptr, found));
  return std::string(static_cast<const char*>(data),
                     platform::SizeofResource(nullptr, found));
}

TEST(UpdaterResourcesTest, DeviceSeriesPayload) {
  std::string bytes = ResourceBytes(139, "BIN");
  ASSERT_EQ(bytes.size(), 80u);
  EXPECT_EQ(bytes,
            "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
            "<DeviceSeries strVersion=\"7.0.1.0\" />");
  EXPECT_EQ(platform::FindResourceA(nullptr, 139, platform::RT_HTML), nullptr);
}

TEST(UpdaterResourcesTest, ThirteenIdenticalHelpPages) {
  // Six lines joined by CR LF; no final line break, no terminating zero.
  const std::string page =
      "<!DOCTYPE html>\r\n<head>\r\n</head>\r\n<body>\r\n"
      "Ostrivane help (dummy)\r\n</body>";
  ASSERT_EQ(page.size(), 73u);
  for (int id = 146; id <= 158; ++id) {
    EXPECT_EQ(ResourceBytes(id, platform::RT_HTML), page) << id;
  }
  EXPECT_EQ(ResourceBytes(145, platform::RT_HTML), "<missing>");
  EXPECT_EQ(ResourceBytes(159, platform::RT_HTML), "<missing>");
}

TEST(UpdaterResourcesTest, StringTable) {
  const std::pair<platform::UINT, const char*> kStrings[] = {
      {1, "ostrivane_index.html"},
      {2, "4.1.1.0"},
      {3, "Ostrivane\\Help\\Japanese\\"},
      {4, "Ostrivane\\Help\\English\\"},
      {5, "Ostrivane\\Help\\Chinese_Simplified\\"},
      {6, "Ostrivane\\Help\\Chinese_Traditional\\"},
      {7, "Ostrivane\\Help\\French\\"},
      {8, "Ostrivane\\Help\\German\\"},
      {9, "Ostrivane\\Help\\Italian\\"},
      {10, "Ostrivane\\Help\\Korean\\"},
      {11, "Ostrivane\\Help\\Portuguese\\"},
      {12, "Ostrivane\\Help\\Spanish\\"},
      {13, "_TOVRA.dsr"},
      {15, "Ostrivane\\Help\\Russian\\"},
      {16, "Ostrivane\\Help\\Turkish\\"},
      {17, "Ostrivane\\Help\\Arabic\\"},
      {146, "Ostrivane\\Device\\"},
  };
  for (const auto& [id, text] : kStrings) {
    std::string loaded;
    EXPECT_TRUE(platform::LoadString(id, loaded)) << id;
    EXPECT_EQ(loaded, text) << id;
  }
  // Id 14 is absent: the text keeps what it held.
  std::string kept = "kept";
  EXPECT_FALSE(platform::LoadString(14, kept));
  EXPECT_EQ(kept, "kept");
}

}  // namespace
