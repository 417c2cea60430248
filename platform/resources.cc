#include "platform/resources.h"

#include <strings.h>

namespace platform {
namespace {

const ResourceProvider* g_provider = nullptr;

const ResourceProvider& HostProvider() {
  static const TableResourceProvider provider(HostResourceTable());
  return provider;
}

}  // namespace

bool ResourceId::Matches(int id, const char* name) const {
  if (IsInteger()) return name == nullptr && id == id_;
  return name != nullptr && ::strcasecmp(name, name_.c_str()) == 0;
}

std::string ResourceId::ToString() const {
  return IsInteger() ? "#" + std::to_string(id_) : name_;
}

const ResourceEntry* TableResourceProvider::Find(const ResourceId& name,
                                                 const ResourceId& type) const {
  for (size_t i = 0; i < table_.resourceCount; ++i) {
    const ResourceEntry& entry = table_.resources[i];
    if (type.Matches(entry.typeId, entry.typeName) &&
        name.Matches(entry.id, entry.name)) {
      return &entry;
    }
  }
  return nullptr;
}

std::optional<std::string> TableResourceProvider::String(UINT id) const {
  for (size_t i = 0; i < table_.stringCount; ++i) {
    if (table_.strings[i].id == id) return std::string(table_.strings[i].text);
  }
  return std::nullopt;
}

const ResourceProvider* ResourceProvider::Current() {
  return g_provider != nullptr ? g_provider : &HostProvider();
}

const ResourceProvider* ResourceProvider::SetCurrent(
    const ResourceProvider* provider) {
  const ResourceProvider* previous = Current();
  g_provider = provider;
  return previous;
}

HRSRC FindResourceA(HMODULE, const ResourceId& name, const ResourceId& type) {
  return ResourceProvider::Current()->Find(name, type);
}

HGLOBAL LoadResource(HMODULE, HRSRC resource) {
  if (resource == nullptr || resource->data == nullptr) return nullptr;
  return resource;
}

const void* LockResource(HGLOBAL loaded) {
  return loaded != nullptr ? loaded->data : nullptr;
}

DWORD SizeofResource(HMODULE, HRSRC resource) {
  return resource != nullptr ? static_cast<DWORD>(resource->size) : 0;
}

bool LoadString(UINT id, std::string& text) {
  std::optional<std::string> found = ResourceProvider::Current()->String(id);
  if (!found) return false;
  text = std::move(*found);
  return true;
}

}  // namespace platform
