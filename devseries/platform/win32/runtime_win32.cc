// The component runtime and module resources of Windows: the system's COM
// runtime, and the resources windres compiled into this executable from its
// resource script.
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <tuple>

#include "devseries/platform/com.h"
#include "devseries/platform/com_codes.h"
#include "devseries/platform/host_internal.h"
#include "devseries/platform/resources.h"
#include "devseries/platform/win32/wide_text.h"

// Keep after the library's headers, which declare names the system headers
// make macros of (S_OK, RT_STRING, LoadString, ...).
#include <windows.h>

namespace {

using devseries::platform::ResourceEntry;
using devseries::platform::ResourceId;

// The form FindResourceA takes a type or name in: MAKEINTRESOURCE for an
// integer id, the text otherwise.
LPCSTR SystemResourceName(const ResourceId& id) {
  return id.IsInteger() ? MAKEINTRESOURCEA(id.id()) : id.name().c_str();
}

::BOOL CALLBACK NoteLanguage(::HMODULE, LPCSTR, LPCSTR, ::WORD language,
                             LONG_PTR found) {
  *reinterpret_cast<::WORD*>(found) = language;
  return FALSE;  // the first one is enough
}

// The language of the resource (the first one the module holds it in).
::WORD ResourceLanguage(LPCSTR name, LPCSTR type) {
  ::WORD language = 0;
  ::EnumResourceLanguagesA(nullptr, type, name, &NoteLanguage,
                           reinterpret_cast<LONG_PTR>(&language));
  return language;
}

::BOOL CALLBACK NoteName(::HMODULE, LPCWSTR, LPWSTR, LONG_PTR found) {
  *reinterpret_cast<bool*>(found) = true;
  return FALSE;  // one is enough
}

// True when the executable carries a string table at all.
bool ModuleHasStringTable() {
  bool found = false;
  ::EnumResourceNamesW(nullptr, MAKEINTRESOURCEW(6), &NoteName,
                       reinterpret_cast<LONG_PTR>(&found));
  return found;
}

}  // namespace

namespace devseries::platform {
namespace {

// CoInitializeEx on the calling thread; a nested start (S_FALSE) is a start
// as well, which CoUninitialize ends the same way.
class SystemRuntime : public ComponentRuntime {
 public:
  HRESULT Start() override {
    HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    return SUCCEEDED(hr) ? S_OK : hr;
  }
  void Stop() override { ::CoUninitialize(); }
};

// The executable's own resources. A module without a string table reads
// the strings of the library's default table instead.
class ModuleResourceProvider : public ResourceProvider {
 public:
  const ResourceEntry* Find(const ResourceId& name,
                            const ResourceId& type) const override {
    LPCSTR systemName = SystemResourceName(name);
    LPCSTR systemType = SystemResourceName(type);
    ::HRSRC found = ::FindResourceA(nullptr, systemName, systemType);
    if (found == nullptr) return nullptr;
    // A module's resources stay mapped while it is loaded; an entry made
    // once serves every later lookup of the same resource.
    std::lock_guard<std::mutex> lock(mutex_);
    auto [it, added] =
        entries_.try_emplace(CacheKey{Key(type), Key(name)}, type, name);
    CachedEntry& cached = it->second;
    if (added) {
      ::HGLOBAL loaded = ::LoadResource(nullptr, found);
      cached.entry.data = static_cast<const unsigned char*>(
          loaded != nullptr ? ::LockResource(loaded) : nullptr);
      cached.entry.size = ::SizeofResource(nullptr, found);
      cached.entry.language = ResourceLanguage(systemName, systemType);
    }
    return &cached.entry;
  }

  std::optional<std::string> String(UINT id) const override {
    if (!hasStringTable_) return host::HostTableResourceProvider()->String(id);
    // With a buffer size of 0, LoadStringW hands back a read-only pointer
    // into the string table and the length, which does not end in a zero.
    // An empty entry and a missing one both have length 0.
    const wchar_t* text = nullptr;
    int length = ::LoadStringW(::GetModuleHandleW(nullptr), id,
                               reinterpret_cast<LPWSTR>(&text), 0);
    if (length <= 0 || text == nullptr) return std::nullopt;
    return win32::Narrow(std::wstring_view(text, static_cast<size_t>(length)));
  }

 private:
  // An integer id, or an upper-case text name (as the system compares them).
  using IdKey = std::tuple<int, std::string>;
  using CacheKey = std::tuple<IdKey, IdKey>;  // type, name

  // An entry and the texts its names point to; never moves in the map.
  struct CachedEntry {
    CachedEntry(const ResourceId& type, const ResourceId& name)
        : typeName(type.name()), name(name.name()) {
      entry.typeId = type.IsInteger() ? type.id() : -1;
      entry.typeName = type.IsInteger() ? nullptr : typeName.c_str();
      entry.id = name.IsInteger() ? name.id() : -1;
      entry.name = name.IsInteger() ? nullptr : this->name.c_str();
    }
    CachedEntry(const CachedEntry&) = delete;
    CachedEntry& operator=(const CachedEntry&) = delete;

    std::string typeName;
    std::string name;
    ResourceEntry entry{};
  };

  static IdKey Key(const ResourceId& id) {
    if (id.IsInteger()) return {id.id(), std::string()};
    std::string upper = id.name();
    for (char& c : upper) {
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return {-1, std::move(upper)};
  }

  const bool hasStringTable_ = ModuleHasStringTable();
  mutable std::mutex mutex_;
  mutable std::map<CacheKey, CachedEntry> entries_;
};

}  // namespace

ComponentRuntime* ComponentRuntime::Default() {
  static SystemRuntime runtime;
  return &runtime;
}

ResourceProvider* ResourceProvider::Default() {
  static ModuleResourceProvider provider;
  return &provider;
}

}  // namespace devseries::platform
