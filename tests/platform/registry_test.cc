#include "devseries/platform/registry.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cctype>
#include <cstring>
#include <string>
#include <string_view>

#include "devseries/platform/debug_output.h"
#include "tests/support/temp_dir.h"

namespace devseries::platform {

using namespace ::devseries;
namespace {

using namespace std::string_literals;

constexpr DWORD kAbsent = 0xFFFFFFFF;   // the value must not exist
constexpr DWORD kKeyOnly = 0xFFFFFFFE;  // only the key must open

const std::string kV5 = "Windows Registry Editor Version 5.00\r\n\r\n";
const std::string kV4 = "REGEDIT4\r\n\r\n";

// The bytes regedit writes: BOM FF FE, then the text in UTF-16LE.
std::string Utf16LeExport(std::string_view utf8) {
  std::u16string units;
  for (size_t i = 0; i < utf8.size();) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    char32_t code = c;
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    if (extra > 0) code = c & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
      code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    }
    i += 1 + extra;
    if (code >= 0x10000) {
      units.push_back(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
      units.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
    } else {
      units.push_back(static_cast<char16_t>(code));
    }
  }
  std::string bytes = "\xFF\xFE";
  for (char16_t u : units) {
    bytes.push_back(static_cast<char>(u & 0xFF));
    bytes.push_back(static_cast<char>(u >> 8));
  }
  return bytes;
}

// Splits "HKLM\path" into a root handle and the path below it.
HKEY RootOf(std::string_view key, std::string* path) {
  size_t slash = key.find('\\');
  *path = slash == std::string_view::npos ? "" : key.substr(slash + 1);
  return key.substr(0, slash) == "HKCU" ? HKEY_CURRENT_USER
                                        : HKEY_LOCAL_MACHINE;
}

struct ParseCase {
  const char* what;
  std::string input;  // UTF-8; sent as a UTF-16LE export when `utf16`
  const char* key;
  const char* name;
  DWORD type;          // kAbsent, kKeyOnly or the value's type
  std::string bytes;   // what the ANSI query returns
  int rejectedAtLine;  // 0: the file is accepted
  bool utf16 = false;
};

const ParseCase kParseCases[] = {
    // Accepted files.
    {"plain string",
     kV5 + "[HKEY_LOCAL_MACHINE\\Software\\V]\r\n\"Name\"=\"text\"\r\n",
     "HKLM\\Software\\V", "Name", REG_SZ, "text\0"s, 0},
    {"REGEDIT4 with LF", "REGEDIT4\n\n[HKEY_CURRENT_USER\\S]\n\"a\"=\"b\"\n",
     "HKCU\\S", "a", REG_SZ, "b\0"s, 0},
    {"CR line ends", "REGEDIT4\r[HKLM\\S]\r\"a\"=\"b\"", "HKLM\\S", "a", REG_SZ,
     "b\0"s, 0},
    {"UTF-8 byte order mark skipped",
     "\xEF\xBB\xBF" + kV5 + "[HKLM\\S]\n@=\"x\"\n", "HKLM\\S", "", REG_SZ,
     "x\0"s, 0},
    {"escapes in names and strings",
     kV5 + "[HKLM\\S]\n\"a\\\"b\"=\"C:\\\\dir\\\\ \\\"q\\\"\"\n", "HKLM\\S",
     "a\"b", REG_SZ, "C:\\dir\\ \"q\"\0"s, 0},
    {"default value", kV5 + "[HKLM\\S]\n@=\"d\"\n", "HKLM\\S", "", REG_SZ,
     "d\0"s, 0},
    {"names ignore case",
     kV5 + "[hkey_local_machine\\SOFTWARE\\v]\n\"NaMe\"=\"x\"\n",
     "HKLM\\software\\V", "name", REG_SZ, "x\0"s, 0},
    {"comments and blank lines",
     kV5 + "; comment\n# other\n\n[HKLM\\S]\n  ; indented\n\"a\"=\"b\"\n",
     "HKLM\\S", "a", REG_SZ, "b\0"s, 0},
    {"hives are separate", kV5 + "[HKCU\\S]\n\"a\"=\"b\"\n", "HKLM\\S", "a",
     kAbsent, "", 0},
    {"later value wins",
     kV5 + "[HKLM\\S]\n\"a\"=\"1\"\n[HKLM\\S]\n\"A\"=\"2\"\n", "HKLM\\S", "a",
     REG_SZ, "2\0"s, 0},
    {"ancestors of a key exist", kV5 + "[HKLM\\A\\B\\C]\n", "HKLM\\a\\b",
     nullptr, kKeyOnly, "", 0},
    {"dword", kV5 + "[HKLM\\S]\n\"d\"=dword:0000002a\n", "HKLM\\S", "d",
     REG_DWORD, "\x2a\0\0\0"s, 0},
    {"dword of one and eight digits",
     kV5 + "[HKLM\\S]\n\"d\"=dword:F\n\"e\"=dword:FFFFFFFF\n", "HKLM\\S", "e",
     REG_DWORD, "\xff\xff\xff\xff", 0},
    {"binary", kV5 + "[HKLM\\S]\n\"b\"=hex:01,ff,00\n", "HKLM\\S", "b",
     REG_BINARY, "\x01\xff\x00"s, 0},
    {"empty binary", kV5 + "[HKLM\\S]\n\"b\"=hex:\n", "HKLM\\S", "b",
     REG_BINARY, "", 0},
    {"continued hex lines",
     kV5 + "[HKLM\\S]\n\"b\"=hex:01,02,\\\n  03,04,\\\r\n  05\n", "HKLM\\S",
     "b", REG_BINARY, "\x01\x02\x03\x04\x05", 0},
    {"expand string, UTF-16 in version 5",
     kV5 + "[HKLM\\S]\n\"p\"=hex(2):25,00,41,00,fc,00,00,00\n", "HKLM\\S", "p",
     REG_EXPAND_SZ, "%A\xc3\xbc\0"s, 0},
    {"expand string, 8-bit in REGEDIT4",
     kV4 + "[HKLM\\S]\n\"p\"=hex(2):25,41,00\n", "HKLM\\S", "p", REG_EXPAND_SZ,
     "%A\0"s, 0},
    {"multi string",
     kV5 + "[HKLM\\S]\n\"m\"=hex(7):61,00,00,00,62,00,00,00,00,00\n", "HKLM\\S",
     "m", REG_MULTI_SZ, "a\0b\0\0"s, 0},
    {"string as hex(1) in version 5",
     kV5 + "[HKLM\\S]\n\"s\"=hex(1):41,00,00,00\n", "HKLM\\S", "s", REG_SZ,
     "A\0"s, 0},
    {"qword", kV5 + "[HKLM\\S]\n\"q\"=hex(b):01,00,00,00,00,00,00,00\n",
     "HKLM\\S", "q", REG_QWORD, "\x01\0\0\0\0\0\0\0"s, 0},
    {"value deleted", kV5 + "[HKLM\\S]\n\"a\"=\"1\"\n\"a\"=-\n", "HKLM\\S", "a",
     kAbsent, "", 0},
    {"key deleted with subkeys",
     kV5 + "[HKLM\\S\\K\\Sub]\n\"a\"=\"1\"\n[-HKLM\\S\\K]\n", "HKLM\\S\\K\\Sub",
     "a", kAbsent, "", 0},
    {"deleting a key keeps keys sorted before its subkeys",
     kV5 + "[HKLM\\S\\K-2]\n\"a\"=\"1\"\n[HKLM\\S\\K\\Sub]\n[-HKLM\\S\\K]\n",
     "HKLM\\S\\K-2", "a", REG_SZ, "1\0"s, 0},
    {"deleting a key keeps keys sorted after its subkeys",
     kV5 + "[HKLM\\S\\K\\Sub]\n[HKLM\\S\\Kz]\n\"a\"=\"1\"\n[-HKLM\\S\\K]\n",
     "HKLM\\S\\Kz", "a", REG_SZ, "1\0"s, 0},
    {"deleting a key removes subkeys past keys of a longer name",
     kV5 + "[HKLM\\S\\K-2]\n[HKLM\\S\\K\\Sub]\n[-HKLM\\S\\K]\n",
     "HKLM\\S\\K\\Sub", nullptr, kAbsent, "", 0},
    {"UTF-16LE export",
     "Windows Registry Editor Version 5.00\r\n\r\n"
     "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vintrell\\Ostrivane\\Installer]\r\n"
     "\"InstallPath\"=\"/opt/vintrell/Grüße/\"\r\n"
     "\"Expand\"=hex(2):25,00,48,00,00,00\r\n\r\n",
     "HKLM\\Software\\Vintrell\\Ostrivane\\Installer", "InstallPath", REG_SZ,
     "/opt/vintrell/Gr\xc3\xbc\xc3\x9f"
     "e/\0"s,
     0, true},
    {"UTF-16LE export, hex(2) data",
     "Windows Registry Editor Version 5.00\r\n\r\n[HKLM\\S]\r\n"
     "\"Expand\"=hex(2):25,00,48,00,00,00\r\n",
     "HKLM\\S", "Expand", REG_EXPAND_SZ, "%H\0"s, 0, true},

    // Rejected files: nothing of them is visible, not even the good lines.
    {"wrong header",
     "Windows Registry Editor Version 4.00\n[HKLM\\S]\n\"a\"=\"b\"\n",
     "HKLM\\S", "a", kAbsent, "", 1},
    {"empty file", "", "HKLM", nullptr, kKeyOnly, "", 1},
    {"UTF-16 text without byte order mark", "W\0i\0n\0d\0o\0w\0s\0"s, "HKLM\\S",
     "a", kAbsent, "", 1},
    {"unknown root", kV5 + "[HKLM\\S]\n\"a\"=\"b\"\n[HKEY_USERS\\S]\n",
     "HKLM\\S", "a", kAbsent, "", 5},
    {"empty key name", kV5 + "[HKLM\\S\\\\T]\n", "HKLM\\S", nullptr, kAbsent,
     "", 3},
    {"key line not closed", kV5 + "[HKLM\\S\n", "HKLM\\S", nullptr, kAbsent, "",
     3},
    {"value before any key", kV5 + "\"a\"=\"b\"\n", "HKLM", "a", kAbsent, "",
     3},
    {"value under a deleted key", kV5 + "[-HKLM\\S]\n\"a\"=\"b\"\n", "HKLM",
     "a", kAbsent, "", 4},
    {"unknown escape", kV5 + "[HKLM\\S]\n\"a\"=\"x\\ny\"\n", "HKLM\\S", "a",
     kAbsent, "", 4},
    {"unterminated string", kV5 + "[HKLM\\S]\n\"a\"=\"b\n\"c\"=\"d\"\n",
     "HKLM\\S", "c", kAbsent, "", 4},
    {"text after the string", kV5 + "[HKLM\\S]\n\"a\"=\"b\" x\n", "HKLM\\S",
     "a", kAbsent, "", 4},
    {"name without =", kV5 + "[HKLM\\S]\n\"a\" \"b\"\n", "HKLM\\S", "a",
     kAbsent, "", 4},
    {"unknown data", kV5 + "[HKLM\\S]\n\"a\"=qword:1\n", "HKLM\\S", "a",
     kAbsent, "", 4},
    {"dword of nine digits", kV5 + "[HKLM\\S]\n\"d\"=dword:000000001\n",
     "HKLM\\S", "d", kAbsent, "", 4},
    {"dword not hex", kV5 + "[HKLM\\S]\n\"d\"=dword:12g4\n", "HKLM\\S", "d",
     kAbsent, "", 4},
    {"empty dword", kV5 + "[HKLM\\S]\n\"d\"=dword:\n", "HKLM\\S", "d", kAbsent,
     "", 4},
    {"hex byte of one digit", kV5 + "[HKLM\\S]\n\"b\"=hex:1,02\n", "HKLM\\S",
     "b", kAbsent, "", 4},
    {"hex ends with a comma", kV5 + "[HKLM\\S]\n\"b\"=hex:01,\n", "HKLM\\S",
     "b", kAbsent, "", 4},
    {"bad byte on a continued line",
     kV5 + "[HKLM\\S]\n\"b\"=hex:01,\\\n  02,\\\n  zz\n", "HKLM\\S", "b",
     kAbsent, "", 6},
    {"continuation at end of file", kV5 + "[HKLM\\S]\n\"b\"=hex:01,\\\n",
     "HKLM\\S", "b", kAbsent, "", 4},
    {"hex type not a number", kV5 + "[HKLM\\S]\n\"b\"=hex(x):00\n", "HKLM\\S",
     "b", kAbsent, "", 4},
    {"UTF-16 data of odd length", kV5 + "[HKLM\\S]\n\"p\"=hex(2):25,00,41\n",
     "HKLM\\S", "p", kAbsent, "", 4},
    {"unpaired surrogate in data",
     kV5 + "[HKLM\\S]\n\"p\"=hex(7):00,d8,41,00\n", "HKLM\\S", "p", kAbsent, "",
     4},
    {"zero character in a line", kV5 + "[HKLM\\S]\n\"a\"=\"b\0c\"\n"s,
     "HKLM\\S", "a", kAbsent, "", 4},
    {"line of nothing known", kV5 + "[HKLM\\S]\n\"a\"=\"b\"\nname=value\n",
     "HKLM\\S", "a", kAbsent, "", 5},
    {"UTF-16LE export with an unparsable line",
     "Windows Registry Editor Version "
     "5.00\r\n\r\n[HKLM\\S]\r\n\"a\"=\"b\"\r\n?\r\n",
     "HKLM\\S", "a", kAbsent, "", 5, true},
};

void PrintTo(const ParseCase& c, std::ostream* os) { *os << c.what; }

class RegistryParseTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(RegistryParseTest, QueryAnswersWhatTheFileSays) {
  const ParseCase& c = GetParam();
  std::string input = c.utf16 ? Utf16LeExport(c.input) : c.input;
  ScopedDebugCapture capture;
  InMemoryRegistry registry(input, "case.reg");
  ScopedRegistry installed(&registry);

  if (c.rejectedAtLine != 0) {
    // One line naming file, line and reason.
    std::string prefix = "case.reg:" + std::to_string(c.rejectedAtLine) +
                         ": registry file rejected: ";
    EXPECT_EQ(capture.text().rfind(prefix, 0), 0u) << capture.text();
    EXPECT_GT(capture.text().size(), prefix.size() + 2);
    EXPECT_EQ(capture.text().find("\n"), capture.text().size() - 1);
  } else {
    EXPECT_EQ(capture.text(), "");
  }

  std::string path;
  HKEY root = RootOf(c.key, &path);
  HKEY key = nullptr;
  LONG opened = RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key);
  if (c.name == nullptr) {
    // Only whether the key exists.
    EXPECT_EQ(opened == ERROR_SUCCESS, c.type == kKeyOnly) << opened;
  } else if (opened == ERROR_SUCCESS) {
    DWORD type = 0;
    BYTE data[64] = {};
    DWORD size = sizeof data;
    LONG queried = RegQueryValueExA(key, c.name, nullptr, &type, data, &size);
    if (c.type == kAbsent) {
      EXPECT_EQ(queried, ERROR_FILE_NOT_FOUND);
    } else {
      ASSERT_EQ(queried, ERROR_SUCCESS);
      EXPECT_EQ(type, c.type);
      EXPECT_EQ(std::string(reinterpret_cast<char*>(data), size), c.bytes);
    }
  } else {
    EXPECT_EQ(c.type, kAbsent) << "key " << c.key << " does not open";
    EXPECT_EQ(key, nullptr);
  }
  if (key != nullptr) {
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RegistryParseTest, ::testing::ValuesIn(kParseCases),
    [](const ::testing::TestParamInfo<ParseCase>& info) {
      std::string name;
      for (const char* p = info.param.what; *p != '\0'; ++p) {
        name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
      }
      return name;
    });

class RegistryQueryTest : public ::testing::Test {
 protected:
  InMemoryRegistry registry_{
      kV5 + "[HKLM\\S]\n\"s\"=\"abc\"\n\"d\"=dword:7\n@=\"default\"\n"};
  ScopedRegistry installed_{&registry_};
};

TEST_F(RegistryQueryTest, BufferSizeRule) {
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "S", 0, KEY_READ, &key),
            ERROR_SUCCESS);
  BYTE data[8];
  DWORD type = 0;

  // Exactly text plus its zero byte fits.
  std::memset(data, 'x', sizeof data);
  DWORD size = 4;
  EXPECT_EQ(RegQueryValueExA(key, "s", nullptr, &type, data, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(data), 5), "abc\0x"s);

  // One byte short: the size needed comes back, the buffer is untouched.
  std::memset(data, 'x', sizeof data);
  size = 3;
  EXPECT_EQ(RegQueryValueExA(key, "s", nullptr, &type, data, &size),
            ERROR_MORE_DATA);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(data[0], 'x');

  // No buffer asks for the size only.
  size = 0;
  EXPECT_EQ(RegQueryValueExA(key, "d", nullptr, &type, nullptr, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(type, REG_DWORD);

  // Null and empty names both mean the default value.
  size = sizeof data;
  EXPECT_EQ(RegQueryValueExA(key, nullptr, nullptr, &type, data, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(size, 8u);
  EXPECT_EQ(RegQueryValueExA(key, "missing", nullptr, &type, data, &size),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(RegistryQueryTest, OpenKeepsTheAccessMask) {
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "s", 0,
                          KEY_READ | KEY_WOW64_64KEY, &key),
            ERROR_SUCCESS);
  EXPECT_EQ(RegistryKeyAccessMask(key), 0x20119u);
  HKEY missing = reinterpret_cast<HKEY>(&key);
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "S", 0, KEY_READ | KEY_WOW64_32KEY,
                          &missing),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(missing, nullptr);
  RegCloseKey(key);

  ASSERT_EQ(registry_.opens().size(), 2u);
  EXPECT_EQ(registry_.opens()[0].root, RegistryRoot::kLocalMachine);
  EXPECT_EQ(registry_.opens()[0].samDesired, 0x20119u);
  EXPECT_TRUE(registry_.opens()[0].found);
  EXPECT_EQ(registry_.opens()[1].root, RegistryRoot::kCurrentUser);
  EXPECT_EQ(registry_.opens()[1].samDesired, 0x20219u);
  EXPECT_FALSE(registry_.opens()[1].found);
}

TEST_F(RegistryQueryTest, KeyOpenedWithoutQueryRightRefusesQueries) {
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "S", 0, KEY_WOW64_32KEY, &key),
            ERROR_SUCCESS);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(key, "s", nullptr, nullptr, nullptr, &size),
            ERROR_ACCESS_DENIED);
  RegCloseKey(key);
}

TEST(RegistryFileTest, DefaultServiceReadsTheNamedFileOnce) {
  tovra::testing::ScopedTempDir dir;
  std::string file = dir.File("registry.reg");
  tovra::testing::WriteFileBytes(file, kV5 + "[HKLM\\S]\n\"a\"=\"first\"\n");
  const char* previous = std::getenv("TOVRA_REGISTRY");
  std::string saved = previous != nullptr ? previous : "";
  ::setenv("TOVRA_REGISTRY", file.c_str(), 1);
  EXPECT_EQ(RegistryFilePath(), file);

  auto query = [] {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "S", 0, KEY_READ, &key) !=
        ERROR_SUCCESS) {
      return std::string("<no key>");
    }
    char data[32] = {};
    DWORD size = sizeof data;
    RegQueryValueExA(key, "a", nullptr, nullptr, reinterpret_cast<BYTE*>(data),
                     &size);
    RegCloseKey(key);
    return std::string(data);
  };
  EXPECT_EQ(query(), "first");
  // The file is read once; later changes are not seen.
  tovra::testing::WriteFileBytes(file, kV5 + "[HKLM\\S]\n\"a\"=\"second\"\n");
  EXPECT_EQ(query(), "first");

  ::unsetenv("TOVRA_REGISTRY");
  EXPECT_EQ(RegistryFilePath(), "/etc/vintrell/registry.reg");
  if (previous != nullptr) ::setenv("TOVRA_REGISTRY", saved.c_str(), 1);
}

}  // namespace
}  // namespace devseries::platform
