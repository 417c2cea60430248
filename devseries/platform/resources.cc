#include "devseries/platform/resources.h"

#include <cctype>

#include "devseries/platform/host_internal.h"

namespace devseries::platform {
namespace {

const ResourceTable* g_hostTable = nullptr;

const StringEntry kDefaultStrings[] = {
    {1, 0x0411, "English"},
    {2, 0x0411, "French"},
    {3, 0x0411, "German"},
    {4, 0x0411, "Italian"},
    {5, 0x0411, "Spanish"},
    {6, 0x0411, "Portuguese"},
    {7, 0x0411, "Japanese"},
    {8, 0x0411, "Chinese_Simplified"},
    {9, 0x0411, "Chinese_Traditional"},
    {10, 0x0411, "Korean"},
    {14, 0x0411, "Russian"},
    {15, 0x0411, "Turkish"},
    {16, 0x0411, "Arabic"},
};

const ResourceTable kDefaultTable = {
    nullptr, 0, kDefaultStrings,
    sizeof kDefaultStrings / sizeof *kDefaultStrings};

// Reads whatever table is the host's at the time of each lookup, so a table
// registered after a first lookup is still the one used.
class HostTableProvider : public ResourceProvider {
 public:
  const ResourceEntry* Find(const ResourceId& name,
                            const ResourceId& type) const override {
    return TableResourceProvider(HostResourceTable()).Find(name, type);
  }
  std::optional<std::string> String(UINT id) const override {
    return TableResourceProvider(HostResourceTable()).String(id);
  }
};

}  // namespace

void RegisterHostResourceTable(const ResourceTable& table) {
  g_hostTable = &table;
}

const ResourceTable& HostResourceTable() {
  return g_hostTable != nullptr ? *g_hostTable : DefaultResourceTable();
}

const ResourceTable& DefaultResourceTable() { return kDefaultTable; }

bool ResourceId::Matches(int id, const char* name) const {
  if (IsInteger()) return name == nullptr && id == id_;
  if (name == nullptr) return false;
  const char* other = name_.c_str();
  for (; *name != '\0' && *other != '\0'; ++name, ++other) {
    if (std::tolower(static_cast<unsigned char>(*name)) !=
        std::tolower(static_cast<unsigned char>(*other))) {
      return false;
    }
  }
  return *name == *other;
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

ResourceProvider* host::HostTableResourceProvider() {
  static HostTableProvider provider;
  return &provider;
}

HRSRC FindResourceA(HMODULE, const ResourceId& name, const ResourceId& type) {
  return Seam<ResourceProvider>::Current()->Find(name, type);
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
  std::optional<std::string> found =
      Seam<ResourceProvider>::Current()->String(id);
  if (!found) return false;
  text = std::move(*found);
  return true;
}

}  // namespace devseries::platform
