#include "app/installation_environment.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "devseries/platform/registry.h"
#include "devseries/platform/wow64.h"

using namespace devseries;

namespace {

using platform::InMemoryRegistry;
using platform::RegistryRoot;
using platform::ScopedRegistry;
using platform::ScopedWow64Answer;
using platform::Wow64Answer;

const std::string kHeader = "Windows Registry Editor Version 5.00\r\n\r\n";
const std::string kLm = "[HKEY_LOCAL_MACHINE\\Software\\Vintrell\\Ostrivane";
const std::string kCu = "[HKEY_CURRENT_USER\\Software\\Vintrell\\Ostrivane";

// An Installer key with the three values; an empty argument leaves that
// value out.
std::string Installer(const std::string& hive, const std::string& company,
                      const std::string& installPath,
                      const std::string& userName) {
  std::string text = hive + "\\Installer]\r\n";
  if (!company.empty()) text += company + "\r\n";
  if (!installPath.empty()) text += installPath + "\r\n";
  if (!userName.empty()) text += userName + "\r\n";
  return text;
}

std::string CompleteInstaller(const std::string& hive, const char* tag) {
  return Installer(hive, "\"CompanyName\"=\"Company " + std::string(tag) + "\"",
                   "\"InstallPath\"=\"/opt/" + std::string(tag) + "/\"",
                   "\"UserName\"=\"User " + std::string(tag) + "\"");
}

// "InstallPath" of `bytes` stored bytes: text plus its zero byte.
std::string InstallPathOfBytes(size_t bytes) {
  return "\"InstallPath\"=\"/" + std::string(bytes - 2, 'p') + "\"";
}

struct InstallerCase {
  const char* what;
  std::string registry;
  bool result;
  int root;
  std::string company;
  std::string installPath;
  std::string userName;
};

const InstallerCase kInstallerCases[] = {
    {"local machine", CompleteInstaller(kLm, "lm"), true, 2, "Company lm",
     "/opt/lm/", "User lm"},
    {"current user only", CompleteInstaller(kCu, "cu"), true, 1, "Company cu",
     "/opt/cu/", "User cu"},
    // Local machine wins even when its record is the less complete one.
    {"both hives",
     CompleteInstaller(kCu, "cu") +
         Installer(kLm, "\"CompanyName\"=\"Company lm\"",
                   "\"InstallPath\"=\"/opt/lm/\"", ""),
     false, 2, "Company lm", "/opt/lm/", ""},
    // No fallback to the hive that holds the record.
    {"installer key only under current user",
     kLm + "\\User]\r\n\"Model\"=\"M\"\r\n" + CompleteInstaller(kCu, "cu"),
     false, 2, "", "", ""},
    {"no product key", "[HKEY_LOCAL_MACHINE\\Software\\Vintrell\\Other]\r\n",
     false, 0, "", "", ""},
    {"install path as expandable string",
     Installer(kLm, "\"CompanyName\"=\"C\"",
               "\"InstallPath\"=hex(2):2f,00,6f,00,00,00",
               "\"UserName\"=\"U\""),
     false, 2, "C", "", ""},
    {"company name missing",
     Installer(kLm, "", "\"InstallPath\"=\"/opt/\"", "\"UserName\"=\"U\""),
     false, 2, "", "", ""},
    {"company name not a string",
     Installer(kLm, "\"CompanyName\"=dword:1", "\"InstallPath\"=\"/opt/\"",
               "\"UserName\"=\"U\""),
     false, 2, "", "", ""},
    {"user name missing",
     Installer(kLm, "\"CompanyName\"=\"C\"", "\"InstallPath\"=\"/opt/\"", ""),
     false, 2, "C", "/opt/", ""},
    {"install path without separator kept as stored",
     Installer(kLm, "\"CompanyName\"=\"C\"", "\"InstallPath\"=\"/opt/x\"",
               "\"UserName\"=\"U\""),
     true, 2, "C", "/opt/x", "U"},
    {"value of 1023 bytes",
     Installer(kLm, "\"CompanyName\"=\"C\"", InstallPathOfBytes(1023),
               "\"UserName\"=\"U\""),
     true, 2, "C", "/" + std::string(1021, 'p'), "U"},
    {"value of 1024 bytes",
     Installer(kLm, "\"CompanyName\"=\"C\"", InstallPathOfBytes(1024),
               "\"UserName\"=\"U\""),
     false, 2, "C", "", ""},
    {"value larger than the buffer",
     Installer(kLm, "\"CompanyName\"=\"C\"", InstallPathOfBytes(5000),
               "\"UserName\"=\"U\""),
     false, 2, "C", "", ""},
};

void PrintTo(const InstallerCase& c, std::ostream* os) { *os << c.what; }

class InstallerReadTest : public ::testing::TestWithParam<InstallerCase> {
 protected:
  ScopedWow64Answer native_{Wow64Answer::kNotWow64};
};

TEST_P(InstallerReadTest, ReadsTheProbedHiveInOrder) {
  const InstallerCase& c = GetParam();
  InMemoryRegistry registry(kHeader + c.registry);
  ScopedRegistry installed(&registry);

  CInstallerInfo info;
  EXPECT_EQ(info.ReadFromRegistry(), c.result);
  EXPECT_EQ(info.m_nRegistryRoot, c.root);
  EXPECT_EQ(info.m_strCompanyName, c.company);
  EXPECT_EQ(info.m_strInstallPath, c.installPath);
  EXPECT_EQ(info.m_strUserName, c.userName);
  EXPECT_EQ(info.QueryRegistryRoot(), c.root);
  EXPECT_EQ(CUserInfo().QueryRegistryRoot(), c.root);
}

INSTANTIATE_TEST_SUITE_P(Cases, InstallerReadTest,
                         ::testing::ValuesIn(kInstallerCases));

TEST(UserReadTest, TakesAnyTypeAsText) {
  ScopedWow64Answer native(Wow64Answer::kNotWow64);
  InMemoryRegistry registry(kHeader + kLm +
                            "\\User]\r\n"
                            "\"InkConfig\"=dword:00000041\r\n"
                            "\"Language\"=hex(2):25,00,4c,00,25,00,00,00\r\n"
                            "\"Model\"=hex:4d,31,00,4d,32\r\n");
  ScopedRegistry installed(&registry);

  CUserInfo info;
  EXPECT_TRUE(info.ReadFromRegistry());
  EXPECT_EQ(info.m_nRegistryRoot, 2);
  EXPECT_EQ(info.m_strInkConfig, "A");   // 41 00 00 00, up to the zero byte
  EXPECT_EQ(info.m_strLanguage, "%L%");  // not expanded
  EXPECT_EQ(info.m_strModel, "M1");
}

TEST(UserReadTest, StopsAtTheFirstMissingValue) {
  ScopedWow64Answer native(Wow64Answer::kNotWow64);
  // Read order: InkConfig, Language, Model.
  InMemoryRegistry registry(kHeader + kCu +
                            "\\User]\r\n\"InkConfig\"=\"CMYK\"\r\n"
                            "\"Model\"=\"M\"\r\n");
  ScopedRegistry installed(&registry);

  CUserInfo info;
  info.m_strModel = "kept";
  EXPECT_FALSE(info.ReadFromRegistry());
  EXPECT_EQ(info.m_nRegistryRoot, 1);
  EXPECT_EQ(info.m_strInkConfig, "CMYK");
  EXPECT_EQ(info.m_strLanguage, "");
  EXPECT_EQ(info.m_strModel, "kept");
}

// The view asked for follows the WOW64 answer: a 32-bit process on 64-bit
// Windows reads the 64-bit view, every other process the 32-bit view.
TEST(RegistryViewTest, Wow64AnswerChoosesTheMask) {
  struct Case {
    Wow64Answer answer;
    platform::REGSAM mask;
  };
  for (Case c : {Case{Wow64Answer::kNotWow64, 0x20219},
                 Case{Wow64Answer::kWow64, 0x20119}}) {
    SCOPED_TRACE(static_cast<int>(c.answer));
    ScopedWow64Answer answer(c.answer);
    InMemoryRegistry registry(kHeader + CompleteInstaller(kCu, "cu"));
    ScopedRegistry installed(&registry);

    CInstallerInfo info;
    EXPECT_TRUE(info.ReadFromRegistry());
    const auto& opens = registry.opens();
    ASSERT_EQ(opens.size(), 3u);
    EXPECT_EQ(opens[0].root, RegistryRoot::kLocalMachine);
    EXPECT_FALSE(opens[0].found);
    EXPECT_EQ(opens[1].root, RegistryRoot::kCurrentUser);
    EXPECT_EQ(opens[1].path, "software\\vintrell\\ostrivane");
    EXPECT_EQ(opens[2].path, "software\\vintrell\\ostrivane\\installer");
    for (const auto& open : opens) EXPECT_EQ(open.samDesired, c.mask);
  }
}

// When the platform cannot tell, the probe takes the 32-bit view and the
// read fails before it opens anything or changes a field.
TEST(RegistryViewTest, CannotTellFailsTheRead) {
  for (Wow64Answer cannotTell :
       {Wow64Answer::kExportMissing, Wow64Answer::kCallFails}) {
    SCOPED_TRACE(static_cast<int>(cannotTell));
    ScopedWow64Answer answer(cannotTell);
    InMemoryRegistry registry(kHeader + CompleteInstaller(kLm, "lm"));
    ScopedRegistry installed(&registry);

    CInstallerInfo info;
    info.m_strInstallPath = "kept";
    EXPECT_FALSE(info.ReadFromRegistry());
    EXPECT_EQ(info.m_nRegistryRoot, 2);
    EXPECT_EQ(info.m_strCompanyName, "");
    EXPECT_EQ(info.m_strInstallPath, "kept");
    ASSERT_EQ(registry.opens().size(), 1u);
    EXPECT_EQ(registry.opens()[0].samDesired, 0x20219u);
  }
}

TEST(IsWow64Test, AnswersAndCannotTell) {
  struct Case {
    Wow64Answer answer;
    bool result;
    bool wow64;
  };
  for (Case c : {Case{Wow64Answer::kNotWow64, true, false},
                 Case{Wow64Answer::kWow64, true, true},
                 Case{Wow64Answer::kExportMissing, false, true},
                 Case{Wow64Answer::kCallFails, false, true}}) {
    SCOPED_TRACE(static_cast<int>(c.answer));
    ScopedWow64Answer answer(c.answer);
    bool wow64 = true;  // left alone when the platform cannot tell
    EXPECT_EQ(IsWow64(wow64), c.result);
    EXPECT_EQ(wow64, c.wow64);
  }
}

}  // namespace
