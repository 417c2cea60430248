#include "app/tovra_app.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "devseries/platform/debug_output.h"
#include "devseries/platform/file_system.h"
#include "devseries/platform/registry.h"
#include "devseries/platform/resource_file_writer.h"
#include "devseries/platform/resources.h"
#include "devseries/platform/wow64.h"
#include "tests/support/fault_file_system.h"
#include "tests/support/temp_dir.h"

using namespace devseries;

namespace {

using tovra::testing::FileExists;
using tovra::testing::MakeFolder;
using tovra::testing::ReadFileBytes;
using tovra::testing::ScopedCurrentFolder;
using tovra::testing::ScopedTempDir;
using tovra::testing::WriteFileBytes;

// The help folders in the order the run writes them.
const std::vector<std::string> kLanguages = {"Japanese",
                                             "English",
                                             "Chinese_Simplified",
                                             "Chinese_Traditional",
                                             "French",
                                             "German",
                                             "Italian",
                                             "Korean",
                                             "Portuguese",
                                             "Spanish",
                                             "Russian",
                                             "Turkish",
                                             "Arabic"};

const std::string kHelpPage =
    "<!DOCTYPE html>\r\n<head>\r\n</head>\r\n<body>\r\n"
    "Ostrivane help (dummy)\r\n</body>";
const std::string kDeviceSeries =
    "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
    "<DeviceSeries strVersion=\"7.0.1.0\" />";

// A registry file naming `installPath`, escaped as regedit writes a string
// (a Windows path holds backslashes).
std::string RegistryNaming(const std::string& installPath) {
  std::string escaped;
  for (char c : installPath) {
    if (c == '\\' || c == '"') escaped += '\\';
    escaped += c;
  }
  return "Windows Registry Editor Version 5.00\r\n\r\n"
         "[HKEY_LOCAL_MACHINE\\Software\\Vintrell\\Ostrivane\\Installer]\r\n"
         "\"CompanyName\"=\"Vintrell\"\r\n\"InstallPath\"=\"" +
         escaped + "\"\r\n\"UserName\"=\"demo\"\r\n";
}

// Creates <base>Ostrivane/Help/<language>/ and <base>Ostrivane/Device/,
// all but `skip`.
void MakeInstallation(const std::string& base, const std::string& skip = "") {
  for (const char* folder :
       {"Ostrivane", "Ostrivane/Help", "Ostrivane/Device"}) {
    MakeFolder(base + folder);
  }
  for (const std::string& language : kLanguages) {
    if (language != skip) {
      MakeFolder(base + "Ostrivane/Help/" + language);
    }
  }
}

std::string HelpPath(const std::string& root, const std::string& language) {
  return root + "Ostrivane\\Help\\" + language + "\\ostrivane_index.html";
}

std::string DevicePath(const std::string& root) {
  return root + "Ostrivane\\Device\\_TOVRA.dsr";
}

std::string Numbered(int number, const std::string& rest) {
  char prefix[16];
  std::snprintf(prefix, sizeof prefix, "[%02d] ", number);
  return prefix + rest;
}

// The fourteen lines of a run under `root` in which every file is written.
std::string AllWrittenLog(const std::string& root) {
  std::string log;
  for (size_t i = 0; i < kLanguages.size(); ++i) {
    log += Numbered(static_cast<int>(i) + 1,
                    HelpPath(root, kLanguages[i]) +
                        " ( 73 Bytes ) successfly updated!\r\n");
  }
  return log + "[01] " + DevicePath(root) +
         " ( 80 Bytes ) successfly updated!\r\n";
}

class UpdateRunTest : public ::testing::Test {
 protected:
  UpdateRunTest() {
    g_nBinUpdateCount = 0;
    g_nHtmlUpdateCount = 0;
  }

  // The installation folder as the registry holds it, with its separator.
  std::string Root() const { return dir_.path() + "/"; }

  ScopedTempDir dir_;
  platform::ScopedWow64Answer native_{platform::Wow64Answer::kNotWow64};
  platform::ScopedDebugCapture capture_;
};

TEST_F(UpdateRunTest, AllFoldersPresent) {
  MakeInstallation(Root());
  WriteFileBytes(dir_.File("Ostrivane/Help/French/ostrivane_index.html"),
                 "an older, longer help page to be replaced");
  platform::InMemoryRegistry registry(RegistryNaming(Root()));
  platform::ScopedRegistry installed(&registry);

  C_TOVRAApp app;
  EXPECT_EQ(app.InitInstance(), platform::TRUE);

  EXPECT_EQ(capture_.text(), AllWrittenLog(Root()));
  for (const std::string& language : kLanguages) {
    EXPECT_EQ(ReadFileBytes(dir_.File("Ostrivane/Help/" + language +
                                      "/ostrivane_index.html")),
              kHelpPage)
        << language;
    EXPECT_EQ(
        tovra::testing::ListFolder(dir_.File("Ostrivane/Help/" + language))
            .size(),
        1u);
  }
  EXPECT_EQ(ReadFileBytes(dir_.File("Ostrivane/Device/_TOVRA.dsr")),
            kDeviceSeries);
  EXPECT_EQ(tovra::testing::ListFolder(dir_.File("Ostrivane/Device")),
            std::vector<std::string>{"_TOVRA.dsr"});
}

// Serves the updater's strings with a different page per HTML id, so the
// file written shows which resource each folder received.
class DistinctPages : public platform::ResourceProvider {
 public:
  DistinctPages()
      : host_(platform::Seam<platform::ResourceProvider>::Current()) {
    for (int id = 146; id <= 158; ++id) {
      texts_[id - 146] = "page " + std::to_string(id);
      entries_[id - 146] = {
          platform::RT_HTML,
          nullptr,
          id,
          nullptr,
          0x0411,
          reinterpret_cast<const unsigned char*>(texts_[id - 146].data()),
          texts_[id - 146].size()};
    }
  }
  const platform::ResourceEntry* Find(
      const platform::ResourceId& name,
      const platform::ResourceId& type) const override {
    for (const auto& entry : entries_) {
      if (type.Matches(entry.typeId, entry.typeName) &&
          name.Matches(entry.id, entry.name)) {
        return &entry;
      }
    }
    return host_->Find(name, type);
  }
  std::optional<std::string> String(platform::UINT id) const override {
    return host_->String(id);
  }

 private:
  platform::ResourceProvider* host_;
  std::string texts_[13];
  platform::ResourceEntry entries_[13];
};

TEST_F(UpdateRunTest, EachFolderGetsItsResourceId) {
  MakeInstallation(Root());
  platform::InMemoryRegistry registry(RegistryNaming(Root()));
  platform::ScopedRegistry installed(&registry);
  DistinctPages pages;
  platform::Seam<platform::ResourceProvider>::Install(&pages);

  C_TOVRAApp app;
  app.InitInstance();
  platform::Seam<platform::ResourceProvider>::Install(nullptr);

  const int kIds[] = {146, 147, 149, 150, 151, 152, 153,
                      154, 155, 157, 156, 158, 148};
  for (size_t i = 0; i < kLanguages.size(); ++i) {
    EXPECT_EQ(ReadFileBytes(dir_.File("Ostrivane/Help/" + kLanguages[i] +
                                      "/ostrivane_index.html")),
              "page " + std::to_string(kIds[i]))
        << kLanguages[i];
  }
}

TEST_F(UpdateRunTest, KoreanFolderMissing) {
  MakeInstallation(Root(), "Korean");
  platform::InMemoryRegistry registry(RegistryNaming(Root()));
  platform::ScopedRegistry installed(&registry);

  C_TOVRAApp app;
  EXPECT_EQ(app.InitInstance(), platform::TRUE);

  std::string expected = AllWrittenLog(Root());
  std::string written = "[08] " + HelpPath(Root(), "Korean") +
                        " ( 73 Bytes ) successfly updated!\r\n";
  expected.replace(
      expected.find(written), written.size(),
      "[08] " + HelpPath(Root(), "Korean") + " error: file cannot opened.\r\n");
  EXPECT_EQ(capture_.text(), expected);
  EXPECT_FALSE(FileExists(dir_.File("Ostrivane/Help/Korean")));
  EXPECT_EQ(
      ReadFileBytes(dir_.File("Ostrivane/Help/Arabic/ostrivane_index.html")),
      kHelpPage);
  EXPECT_EQ(ReadFileBytes(dir_.File("Ostrivane/Device/_TOVRA.dsr")),
            kDeviceSeries);
}

// Without the product key the installation folder is empty and every path
// is relative to the current folder.
TEST_F(UpdateRunTest, NoProductKeyWritesBelowTheCurrentFolder) {
  MakeInstallation(Root());
  platform::InMemoryRegistry registry(
      "Windows Registry Editor Version 5.00\r\n");
  platform::ScopedRegistry installed(&registry);
  ScopedCurrentFolder here(dir_.path());

  C_TOVRAApp app;
  EXPECT_EQ(app.InitInstance(), platform::TRUE);

  EXPECT_EQ(capture_.text(), AllWrittenLog(""));
  EXPECT_EQ(
      ReadFileBytes(dir_.File("Ostrivane/Help/English/ostrivane_index.html")),
      kHelpPage);
  EXPECT_EQ(ReadFileBytes(dir_.File("Ostrivane/Device/_TOVRA.dsr")),
            kDeviceSeries);
}

// The folder is used as stored: without its separator it runs into
// "Ostrivane", and the run does not repair that.
TEST_F(UpdateRunTest, InstallPathWithoutSeparator) {
  ASSERT_TRUE(MakeFolder(dir_.File("inst")));
  MakeInstallation(dir_.File("inst/"));
  std::string stored = dir_.File("inst");
  platform::InMemoryRegistry registry(RegistryNaming(stored));
  platform::ScopedRegistry installed(&registry);

  C_TOVRAApp app;
  EXPECT_EQ(app.InitInstance(), platform::TRUE);

  EXPECT_EQ(capture_.text().rfind(
                "[01] " + stored + "Ostrivane\\Help\\Japanese\\", 0),
            0u);
  EXPECT_NE(capture_.text().find("[13] " + HelpPath(stored, "Arabic") +
                                 " error: file cannot opened.\r\n"),
            std::string::npos);
  EXPECT_NE(capture_.text().find("[01] " + DevicePath(stored) +
                                 " error: file cannot opened.\r\n"),
            std::string::npos);
  EXPECT_FALSE(FileExists(dir_.File("inst/Ostrivane/Device/_TOVRA.dsr")));
}

TEST_F(UpdateRunTest, ExitsWithZeroWhenEveryWriteFails) {
  MakeInstallation(Root());
  WriteFileBytes(dir_.File("Ostrivane/Device/_TOVRA.dsr"), "installed series");
  platform::InMemoryRegistry registry(RegistryNaming(Root()));
  platform::ScopedRegistry installed(&registry);
  // Every write fails after the file was created.
  tovra::testing::FaultFileSystem noSpace;
  noSpace.SetDiskSpace(0);
  platform::ScopedFileSystem fs(&noSpace);

  C_TOVRAApp app;
  ASSERT_EQ(platform::AfxGetApp(), &app);
  EXPECT_EQ(platform::AfxWinMain(0, nullptr), 0);

  std::string expected;
  for (size_t i = 0; i < kLanguages.size(); ++i) {
    expected += Numbered(
        static_cast<int>(i) + 1,
        "error: " + HelpPath(Root(), kLanguages[i]) + " file io failed.\r\n");
  }
  expected += "[01] error: " + DevicePath(Root()) + " file io failed.\r\n";
  EXPECT_EQ(capture_.text(), expected);
  // The installed file survives, and nothing else is left behind.
  EXPECT_EQ(ReadFileBytes(dir_.File("Ostrivane/Device/_TOVRA.dsr")),
            "installed series");
  EXPECT_TRUE(
      tovra::testing::ListFolder(dir_.File("Ostrivane/Help/English")).empty());
}

// A registry file that does not parse is rejected with one line; the run
// goes on with empty fields, relative to the current folder, and exits 0.
TEST_F(UpdateRunTest, MalformedRegistryFile) {
  ScopedCurrentFolder here(dir_.path());
  platform::InMemoryRegistry registry(RegistryNaming(Root()) + "garbage\r\n",
                                      "registry.reg");
  platform::ScopedRegistry installed(&registry);

  C_TOVRAApp app;
  EXPECT_EQ(platform::AfxWinMain(0, nullptr), 0);

  std::string expected = "registry.reg:7: registry file rejected: ";
  ASSERT_EQ(capture_.text().rfind(expected, 0), 0u) << capture_.text();
  std::string run = capture_.text().substr(capture_.text().find('\n') + 1);
  std::string lines;
  for (size_t i = 0; i < kLanguages.size(); ++i) {
    lines += Numbered(
        static_cast<int>(i) + 1,
        HelpPath("", kLanguages[i]) + " error: file cannot opened.\r\n");
  }
  lines += "[01] " + DevicePath("") + " error: file cannot opened.\r\n";
  EXPECT_EQ(run, lines);
  EXPECT_TRUE(tovra::testing::ListFolder(dir_.path()).empty());
}

}  // namespace
