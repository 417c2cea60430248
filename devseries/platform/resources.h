// Module resources: the string table and the binary resources that the build
// embeds into each executable from its resource script (.rc).
//
// On Windows they are the module's own resources, compiled by windres, read
// through FindResourceA, LoadResource, SizeofResource and LoadStringW; a
// module without a string table reads the library's default table.
// Elsewhere a host that carries resources of its own (the updater, dsrtool,
// each test program: each links one table generated from its resource
// script) registers its table at start-up with RegisterHostResourceTable;
// the generated table does that itself. A host that registers none reads the
// library's default table: the thirteen language names, and no application
// title, so the version gate stays off.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "devseries/platform/host_resources.h"
#include "devseries/platform/seam.h"
#include "devseries/platform/win_types.h"

namespace devseries::platform {

// Standard resource types.
inline constexpr int RT_ICON = 3;
inline constexpr int RT_STRING = 6;
inline constexpr int RT_RCDATA = 10;
inline constexpr int RT_GROUP_ICON = 14;
inline constexpr int RT_VERSION = 16;
inline constexpr int RT_HTML = 23;
inline constexpr int RT_MANIFEST = 24;

// The seam (Seam<ResourceProvider>): where resources are looked up. The
// default reads HostResourceTable() at each lookup; tests install their own
// with ScopedResourceProvider to simulate a missing, unloadable or empty
// resource.
class ResourceProvider {
 public:
  ResourceProvider() = default;
  ResourceProvider(const ResourceProvider&) = delete;
  ResourceProvider& operator=(const ResourceProvider&) = delete;
  virtual ~ResourceProvider() = default;

  // The resource of `type` and `name`, or null when there is none.
  virtual const ResourceEntry* Find(const ResourceId& name,
                                    const ResourceId& type) const = 0;
  // The string with `id`, or nothing when the table has no such entry.
  virtual std::optional<std::string> String(UINT id) const = 0;

  // The provider reading the host's table.
  static ResourceProvider* Default();
};

// Installs a resource provider for the lifetime of the object.
using ScopedResourceProvider = ScopedSeam<ResourceProvider>;

// Serves the entries of a ResourceTable.
class TableResourceProvider : public ResourceProvider {
 public:
  explicit TableResourceProvider(const ResourceTable& table) : table_(table) {}
  const ResourceEntry* Find(const ResourceId& name,
                            const ResourceId& type) const override;
  std::optional<std::string> String(UINT id) const override;

 private:
  const ResourceTable& table_;
};

// Windows-shaped access. The module handle is ignored: there is only the
// executable's own module.
using HMODULE = const void*;
using HRSRC = const ResourceEntry*;
using HGLOBAL = const ResourceEntry*;

HRSRC FindResourceA(HMODULE module, const ResourceId& name,
                    const ResourceId& type);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
const void* LockResource(HGLOBAL loaded);
DWORD SizeofResource(HMODULE module, HRSRC resource);

// Loads string `id` into `text` and returns true; when the table has no
// such entry, `text` keeps what it held and the result is false (the
// framework's CString::LoadString).
bool LoadString(UINT id, std::string& text);

}  // namespace devseries::platform
