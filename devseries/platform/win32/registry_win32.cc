// The registry of Windows: the system's own, read through the wide-character
// calls so that key and value names are UTF-8 here whatever the system code
// page (see platform/registry.h).
//
// The library's headers come before <windows.h>: they declare names that
// the system headers make macros of (HKEY_LOCAL_MACHINE, REG_SZ,
// ERROR_SUCCESS, ...). Below, the system's calls are reached with `::` and
// the system's types are named only outside namespace devseries::platform,
// where its HKEY and REGSAM hide the system's.
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <tuple>
#include <utility>

#include "devseries/platform/registry.h"
#include "devseries/platform/win32/wide_text.h"

// Keep after the library's headers.
#include <windows.h>

namespace {

using devseries::platform::RegistryRoot;

::HKEY SystemRoot(RegistryRoot root) {
  return root == RegistryRoot::kLocalMachine ? HKEY_LOCAL_MACHINE
                                             : HKEY_CURRENT_USER;
}

// Opens `path` below `root` with exactly `samDesired`, so that
// KEY_WOW64_64KEY / KEY_WOW64_32KEY choose the view; null when the key does
// not open.
::HKEY OpenSystemKey(RegistryRoot root, const std::string& path,
                     ::REGSAM samDesired) {
  ::HKEY key = nullptr;
  std::wstring widePath;
  if (!devseries::platform::win32::Widen(path, &widePath)) return nullptr;
  if (::RegOpenKeyExW(SystemRoot(root), widePath.c_str(), 0, samDesired,
                      &key) != ERROR_SUCCESS) {
    return nullptr;
  }
  return key;
}

// Closes the key when it goes out of scope.
class KeyCloser {
 public:
  explicit KeyCloser(::HKEY key) : key_(key) {}
  ~KeyCloser() {
    if (key_ != nullptr) ::RegCloseKey(key_);
  }
  KeyCloser(const KeyCloser&) = delete;
  KeyCloser& operator=(const KeyCloser&) = delete;

 private:
  ::HKEY key_;
};

bool IsStringType(::DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// Reads value `name` of `key`: its type and its bytes as the system stores
// them. The size is asked first; a value that grows between the two calls
// (ERROR_MORE_DATA) is read again with the size the system gives back.
bool QuerySystemValue(::HKEY key, const std::wstring& name, ::DWORD* type,
                      std::string* bytes) {
  ::DWORD size = 0;
  LONG result =
      ::RegQueryValueExW(key, name.c_str(), nullptr, type, nullptr, &size);
  while (result == ERROR_SUCCESS || result == ERROR_MORE_DATA) {
    bytes->assign(size, '\0');
    ::DWORD read = size;
    result =
        ::RegQueryValueExW(key, name.c_str(), nullptr, type,
                           reinterpret_cast<::BYTE*>(bytes->data()), &read);
    if (result == ERROR_SUCCESS) {
      bytes->resize(read);
      return true;
    }
    size = read;
  }
  return false;
}

// The value as the library holds it: a string type becomes UTF-8, unit for
// unit, so that the terminating zero(s) the system stores (one for REG_SZ
// and REG_EXPAND_SZ, one per string and one more for REG_MULTI_SZ) stay
// zero bytes, as the registry-file service keeps them; an odd last byte is
// no UTF-16 unit and is dropped. Other types keep their bytes.
std::string LibraryBytes(::DWORD type, const std::string& bytes) {
  if (!IsStringType(type)) return bytes;
  std::wstring wide(bytes.size() / sizeof(wchar_t), L'\0');
  std::memcpy(wide.data(), bytes.data(), wide.size() * sizeof(wchar_t));
  return devseries::platform::win32::Narrow(wide);
}

// Lower-cases ASCII letters, as the registry compares names.
std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

}  // namespace

namespace devseries::platform {
namespace {

// The default service: every open and query goes to the system.
class SystemRegistryService : public RegistryService {
 public:
  bool OpenKey(RegistryRoot root, const std::string& path,
               REGSAM samDesired) override {
    ::HKEY key = OpenSystemKey(root, path, samDesired);
    KeyCloser closer(key);
    return key != nullptr;
  }

  const RegistryValue* FindValue(RegistryRoot root, const std::string& path,
                                 const std::string& name,
                                 REGSAM samDesired) override {
    ::HKEY key = OpenSystemKey(root, path, samDesired);
    if (key == nullptr) return nullptr;
    KeyCloser closer(key);
    ::DWORD type = REG_NONE;
    std::string bytes;
    std::wstring wideName;
    if (!win32::Widen(name, &wideName) ||
        !QuerySystemValue(key, wideName, &type, &bytes)) {
      return nullptr;
    }
    RegistryValue value{type, LibraryBytes(type, bytes)};

    // Each answer stays where it was put while the service lives: a value
    // read again unchanged gives the same answer back, a changed one is
    // added after the answers already given, which callers may still read.
    std::lock_guard<std::mutex> lock(mutex_);
    std::deque<RegistryValue>& answers =
        values_[CacheKey{root, Lower(path), Lower(name),
                         samDesired & (KEY_WOW64_64KEY | KEY_WOW64_32KEY)}];
    if (answers.empty() || answers.back().type != value.type ||
        answers.back().data != value.data) {
      answers.push_back(std::move(value));
    }
    return &answers.back();
  }

 private:
  // Root, lower-case path and name, registry view.
  using CacheKey = std::tuple<RegistryRoot, std::string, std::string, REGSAM>;

  std::mutex mutex_;
  std::map<CacheKey, std::deque<RegistryValue>> values_;
};

}  // namespace

RegistryService* RegistryService::Default() {
  static SystemRegistryService systemRegistry;
  return &systemRegistry;
}

}  // namespace devseries::platform
