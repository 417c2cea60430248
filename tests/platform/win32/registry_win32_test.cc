// The system's registry behind the library's registry calls: values this
// test writes under HKCU\Software and HKLM\Software (removed at the end).
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "devseries/platform/registry.h"
#include "tests/support/wide_text.h"

namespace dsp = ::devseries::platform;

namespace {
// Named before <windows.h> makes the roots' names macros.
dsp::HKEY LibraryRoot(bool localMachine) {
  return localMachine ? dsp::HKEY_LOCAL_MACHINE : dsp::HKEY_CURRENT_USER;
}
}  // namespace

#include <windows.h>

namespace {

using namespace std::string_literals;
using tovra::testing::Widen;

// A key name no other test run uses at the same time.
const std::string kPath =
    "Software\\TovraRegistryTest-" + std::to_string(::GetCurrentProcessId());

// A string value's bytes as the system stores them: UTF-16LE.
std::string Utf16(const std::wstring& text) {
  return std::string(reinterpret_cast<const char*>(text.data()),
                     text.size() * sizeof(wchar_t));
}

void Set(::HKEY key, const std::string& name, ::DWORD type,
         const std::string& bytes) {
  ASSERT_EQ(::RegSetValueExW(key, Widen(name).c_str(), 0, type,
                             reinterpret_cast<const BYTE*>(bytes.data()),
                             static_cast<::DWORD>(bytes.size())),
            ERROR_SUCCESS);
}

// The result of opening `path` with `sam` and querying `name` through the
// library (64-byte buffer), with the type and the bytes read.
LONG Query(bool localMachine, const std::string& path, const char* name,
           dsp::REGSAM sam, dsp::DWORD* type, std::string* bytes) {
  dsp::HKEY key = nullptr;
  LONG result =
      dsp::RegOpenKeyExA(LibraryRoot(localMachine), path.c_str(), 0, sam, &key);
  if (result != ERROR_SUCCESS) return result;
  bytes->assign(64, '\0');
  dsp::DWORD size = 64;
  result =
      dsp::RegQueryValueExA(key, name, nullptr, type,
                            reinterpret_cast<dsp::BYTE*>(bytes->data()), &size);
  bytes->resize(result == ERROR_SUCCESS ? size : 0);
  dsp::RegCloseKey(key);
  return result;
}

class RegistryWin32Test : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(
        ::RegCreateKeyExW(HKEY_CURRENT_USER, Widen(kPath).c_str(), 0, nullptr,
                          0, KEY_ALL_ACCESS, nullptr, &key_, nullptr),
        ERROR_SUCCESS);
  }
  void TearDown() override {
    ::RegCloseKey(key_);
    EXPECT_EQ(::RegDeleteTreeW(HKEY_CURRENT_USER, Widen(kPath).c_str()),
              ERROR_SUCCESS);
  }
  ::HKEY key_ = nullptr;
};

TEST_F(RegistryWin32Test, QueriesAnswerAsTheAnsiQuery) {
  ::HKEY sub = nullptr;
  ASSERT_EQ(::RegCreateKeyExW(key_, L"\u041a\u043b\u044e\u0447", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &sub, nullptr),
            ERROR_SUCCESS);
  Set(sub, "v", REG_SZ, Utf16(L"1"s + L'\0'));
  ::RegCloseKey(sub);
  const std::string subPath = kPath + "\\\u041a\u043b\u044e\u0447";

  struct Case {
    const char* name;
    ::DWORD type;
    std::string stored;    // what the system holds
    std::string expected;  // what the library's query returns
    std::string path = kPath;
    dsp::REGSAM sam = KEY_READ;
    LONG result = ERROR_SUCCESS;
  };
  const Case cases[] = {
      {"Text", REG_SZ, Utf16(L"abc"s + L'\0'), "abc\0"s},
      {"", REG_SZ, Utf16(L"default"s + L'\0'), "default\0"s},
      {"Expand", REG_EXPAND_SZ, Utf16(L"%A\u00fc"s + L'\0'), "%A\u00fc\0"s},
      {"Multi", REG_MULTI_SZ, Utf16(L"a\0b\0\0"s), "a\0b\0\0"s},
      {"Gr\u00fc\u00dfe", REG_SZ, Utf16(L"\u4e2d"s + L'\0'), "\u4e2d\0"s},
      {"Dword", REG_DWORD, "\x2a\0\0\0"s, "\x2a\0\0\0"s},
      {"Qword", REG_QWORD, "\1\0\0\0\0\0\0\x80"s, "\1\0\0\0\0\0\0\x80"s},
      {"Binary", REG_BINARY, "\x01\xff\x00"s, "\x01\xff\x00"s},
      {"Empty", REG_BINARY, "", ""},
      {"v", REG_SZ, "", "1\0"s, subPath},
      {"V", REG_SZ, "", "1\0"s, "SOFTWARE\\" + subPath.substr(9)},
      // 65 bytes do not fit the 64-byte buffer.
      {"Long", REG_BINARY, std::string(65, 'x'), "", kPath, KEY_READ,
       ERROR_MORE_DATA},
      {"missing", REG_NONE, "", "", kPath, KEY_READ, ERROR_FILE_NOT_FOUND},
      {"v", REG_NONE, "", "", kPath + "\\missing", KEY_READ,
       ERROR_FILE_NOT_FOUND},
      {"v", REG_NONE, "", "", subPath, KEY_WOW64_64KEY, ERROR_ACCESS_DENIED},
  };
  // The values of the test key itself are written first.
  for (const Case& c : cases) {
    if (c.path == kPath && c.type != REG_NONE) {
      Set(key_, c.name, c.type, c.stored);
    }
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path + " " + c.name);
    dsp::DWORD type = REG_NONE;
    std::string bytes;
    ASSERT_EQ(Query(false, c.path, c.name, c.sam, &type, &bytes), c.result);
    EXPECT_EQ(type, c.type);
    EXPECT_EQ(bytes, c.expected);
  }
}

TEST_F(RegistryWin32Test, EarlierAnswersStayValidWhenAValueChanges) {
  dsp::RegistryService* registry = dsp::RegistryService::Default();
  auto find = [&](const char* name) {
    return registry->FindValue(dsp::RegistryRoot::kCurrentUser, kPath, name,
                               KEY_READ);
  };
  Set(key_, "v", REG_SZ, Utf16(L"old"s + L'\0'));
  const dsp::RegistryValue* first = find("v");
  Set(key_, "v", REG_SZ, Utf16(L"newer"s + L'\0'));
  const dsp::RegistryValue* second = find("V");
  ASSERT_TRUE(first != nullptr && second != nullptr);
  EXPECT_EQ(first->data, "old\0"s);
  EXPECT_EQ(second->data, "newer\0"s);
  EXPECT_EQ(find("v"), second);
}

// HKLM\Software has a 64-bit and a 32-bit view; each access mask reads its
// own.
TEST(RegistryWin32ViewsTest, EachViewReadsItsOwnValue) {
  const std::wstring path = Widen(kPath);
  struct Cleanup {
    const std::wstring& path;
    ~Cleanup() {
      for (::REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
        ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), view, 0);
      }
    }
  } cleanup{path};
  const std::pair<dsp::REGSAM, std::string> views[] = {
      {KEY_WOW64_64KEY, "sixty-four"}, {KEY_WOW64_32KEY, "thirty-two"}};
  for (const auto& [view, text] : views) {
    ::HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                                KEY_ALL_ACCESS | view, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    Set(key, "View", REG_SZ, Utf16(Widen(text) + L'\0'));
    ::RegCloseKey(key);
  }
  for (const auto& [view, text] : views) {
    dsp::DWORD type = REG_NONE;
    std::string bytes;
    EXPECT_EQ(Query(true, kPath, "View", KEY_READ | view, &type, &bytes),
              ERROR_SUCCESS);
    EXPECT_EQ(bytes, text + '\0');
  }
}

}  // namespace
