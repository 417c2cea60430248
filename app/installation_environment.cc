#include "app/installation_environment.h"

#include <cstring>
#include <iterator>

#include "devseries/platform/registry.h"
#include "devseries/platform/wow64.h"

using namespace devseries;

namespace {

using platform::BYTE;
using platform::DWORD;
using platform::HKEY;
using platform::REGSAM;

constexpr const char* kProductKey = "Software\\Vintrell\\Ostrivane";
constexpr const char* kInstallerKey =
    "Software\\Vintrell\\Ostrivane\\Installer";
constexpr const char* kUserKey = "Software\\Vintrell\\Ostrivane\\User";

// Values of 1024 bytes or more fail: the zero byte placed after the data
// must stay inside the buffer.
constexpr DWORD kValueBufferBytes = 1024;

static_assert((platform::KEY_READ | platform::KEY_WOW64_32KEY) == 0x20219);
static_assert((platform::KEY_READ | platform::KEY_WOW64_64KEY) == 0x20119);

// Every key is opened with an explicit view: a 32-bit process on 64-bit
// Windows reads the 64-bit view, every other process the 32-bit view.
REGSAM AccessMask(bool wow64) {
  return platform::KEY_READ |
         (wow64 ? platform::KEY_WOW64_64KEY : platform::KEY_WOW64_32KEY);
}

int ProbeRegistryRoot() {
  // A process that cannot tell counts as one not under WOW64 here.
  bool wow64 = false;
  IsWow64(wow64);
  REGSAM mask = AccessMask(wow64);
  HKEY key = nullptr;
  int root = kRegistryRootNone;
  if (platform::RegOpenKeyExA(platform::HKEY_LOCAL_MACHINE, kProductKey, 0,
                              mask, &key) == platform::ERROR_SUCCESS) {
    root = kRegistryRootLocalMachine;
  } else if (platform::RegOpenKeyExA(platform::HKEY_CURRENT_USER, kProductKey,
                                     0, mask,
                                     &key) == platform::ERROR_SUCCESS) {
    root = kRegistryRootCurrentUser;
  }
  if (key != nullptr) platform::RegCloseKey(key);
  return root;
}

struct ValueField {
  const char* name;
  std::string* field;
};

// The read shared by both records, after the probe found `registryRoot`.
// The installer record requires REG_SZ values (`requireString`); the user
// record takes any type.
bool ReadRecord(int registryRoot, const char* keyPath, const ValueField* values,
                size_t valueCount, bool requireString) {
  // Unlike the probe, the read treats a process that cannot tell whether
  // it runs under WOW64 as a failure, before anything is opened.
  bool wow64 = false;
  if (!IsWow64(wow64)) return false;
  if (registryRoot == kRegistryRootNone) return false;
  HKEY root = registryRoot == kRegistryRootLocalMachine
                  ? platform::HKEY_LOCAL_MACHINE
                  : platform::HKEY_CURRENT_USER;
  HKEY key = nullptr;
  if (platform::RegOpenKeyExA(root, keyPath, 0, AccessMask(wow64), &key) !=
      platform::ERROR_SUCCESS) {
    return false;
  }
  BYTE buffer[kValueBufferBytes];
  std::memset(buffer, 0, sizeof buffer);
  bool ok = true;
  for (size_t i = 0; i < valueCount && ok; ++i) {
    DWORD type = 0;
    DWORD size = kValueBufferBytes;
    ok = platform::RegQueryValueExA(key, values[i].name, nullptr, &type, buffer,
                                    &size) == platform::ERROR_SUCCESS &&
         size < kValueBufferBytes &&
         (!requireString || type == platform::REG_SZ);
    if (ok) {
      buffer[size] = 0;
      *values[i].field = reinterpret_cast<const char*>(buffer);
    }
  }
  platform::RegCloseKey(key);
  return ok;
}

}  // namespace

bool IsWow64(bool& bWow64) {
  platform::IsWow64ProcessFunction isWow64Process =
      platform::LookUpIsWow64Process();
  if (isWow64Process == nullptr) return false;
  platform::BOOL answer = platform::FALSE;
  if (!isWow64Process(platform::GetCurrentProcess(), &answer)) return false;
  bWow64 = answer != platform::FALSE;
  return true;
}

int CInstallerInfo::QueryRegistryRoot() { return ProbeRegistryRoot(); }

bool CInstallerInfo::ReadFromRegistry() {
  const ValueField values[] = {
      {"CompanyName", &m_strCompanyName},
      {"InstallPath", &m_strInstallPath},
      {"UserName", &m_strUserName},
  };
  m_nRegistryRoot = QueryRegistryRoot();
  return ReadRecord(m_nRegistryRoot, kInstallerKey, values, std::size(values),
                    true);
}

int CUserInfo::QueryRegistryRoot() { return ProbeRegistryRoot(); }

bool CUserInfo::ReadFromRegistry() {
  const ValueField values[] = {
      {"InkConfig", &m_strInkConfig},
      {"Language", &m_strLanguage},
      {"Model", &m_strModel},
  };
  m_nRegistryRoot = QueryRegistryRoot();
  return ReadRecord(m_nRegistryRoot, kUserKey, values, std::size(values),
                    false);
}
