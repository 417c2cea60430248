// The registry, read only: RegOpenKeyExA, RegQueryValueExA and RegCloseKey,
// answered by the registry service in use.
//
// On Windows the default service is the system's registry, opened in the
// view the access mask asks for (KEY_WOW64_64KEY, KEY_WOW64_32KEY); names
// and string values are UTF-8 here and UTF-16 to the system. On POSIX
// systems it is a registry export file (platform/registry_file.h describes
// the format), named by the environment variable TOVRA_REGISTRY (default
// /etc/vintrell/registry.reg): a file that is rejected sends one
// debug-output line naming the file, the line and the reason, and every open
// then fails as for a missing key; a missing file is an empty registry; the
// registry views are not modelled there, but the access mask of an open is
// kept on the key so callers can be checked for the view they asked for.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "devseries/platform/registry_file.h"
#include "devseries/platform/seam.h"
#include "devseries/platform/win_types.h"

namespace devseries::platform {

// Registry handles. The two predefined roots are fixed handles; every other
// handle comes from RegOpenKeyExA and must be closed with RegCloseKey.
struct HKEY__;
using HKEY = HKEY__*;
extern HKEY const HKEY_LOCAL_MACHINE;
extern HKEY const HKEY_CURRENT_USER;

using REGSAM = DWORD;
inline constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
inline constexpr REGSAM KEY_READ = 0x20019;
inline constexpr REGSAM KEY_WOW64_64KEY = 0x0100;
inline constexpr REGSAM KEY_WOW64_32KEY = 0x0200;

// Opens `subKey` (null or empty: the key itself) below `key` and stores the
// new handle in `*result`. Returns ERROR_SUCCESS, ERROR_FILE_NOT_FOUND for a
// key that does not exist (`*result` becomes null), ERROR_INVALID_HANDLE or
// ERROR_INVALID_PARAMETER. `options` is ignored; `samDesired` is kept on
// the handle (RegistryKeyAccessMask).
LONG RegOpenKeyExA(HKEY key, const char* subKey, DWORD options,
                   REGSAM samDesired, HKEY* result);

// Reads the value `valueName` (null or empty: the default value) of `key`.
// `*type` receives the value type, `data` the stored bytes (a string type
// ends with its terminating zero byte). `*cbData` holds the buffer size on
// entry and the data size on return. Data larger than the buffer leaves the
// buffer untouched and returns ERROR_MORE_DATA; a null `data` only asks for
// the size. A missing value gives ERROR_FILE_NOT_FOUND, a key opened without
// KEY_QUERY_VALUE ERROR_ACCESS_DENIED.
LONG RegQueryValueExA(HKEY key, const char* valueName, DWORD* reserved,
                      DWORD* type, BYTE* data, DWORD* cbData);

// Closes a handle from RegOpenKeyExA; closing a predefined root does nothing.
LONG RegCloseKey(HKEY key);

// The access mask `key` was opened with (KEY_READ for a predefined root).
REGSAM RegistryKeyAccessMask(HKEY key);

// The seam (Seam<RegistryService>): where registry opens and queries are
// answered. The default is the system's registry on Windows and reads the
// file named by TOVRA_REGISTRY the first time it is asked elsewhere; tests
// install an InMemoryRegistry with ScopedRegistry.
class RegistryService {
 public:
  RegistryService() = default;
  RegistryService(const RegistryService&) = delete;
  RegistryService& operator=(const RegistryService&) = delete;
  virtual ~RegistryService() = default;

  // Called for every open; true when the key exists. `samDesired` is the
  // access mask the caller asked for.
  virtual bool OpenKey(RegistryRoot root, const std::string& path,
                       REGSAM samDesired) = 0;
  // The value of the key opened with `samDesired`, or null. Valid while the
  // service lives.
  virtual const RegistryValue* FindValue(RegistryRoot root,
                                         const std::string& path,
                                         const std::string& name,
                                         REGSAM samDesired) = 0;

  // The system's registry, or the service reading the registry file.
  static RegistryService* Default();
};

// The file the default service of POSIX systems reads: $TOVRA_REGISTRY, or
// /etc/vintrell/registry.reg when it is unset or empty. (Not on Windows.)
std::string RegistryFilePath();

// A registry parsed from a text held in memory; remembers every open.
class InMemoryRegistry : public RegistryService {
 public:
  struct Open {
    RegistryRoot root;
    std::string path;
    REGSAM samDesired;
    bool found;
  };

  explicit InMemoryRegistry(std::string_view text,
                            std::string_view fileName = "memory.reg")
      : file_(LoadRegistryText(text, fileName)) {}

  bool OpenKey(RegistryRoot root, const std::string& path,
               REGSAM samDesired) override;
  const RegistryValue* FindValue(RegistryRoot root, const std::string& path,
                                 const std::string& name,
                                 REGSAM samDesired) override;

  // Every open asked of this registry, in order.
  const std::vector<Open>& opens() const { return opens_; }

 private:
  RegistryFile file_;
  std::vector<Open> opens_;
};

// Installs a registry service for the lifetime of the object.
using ScopedRegistry = ScopedSeam<RegistryService>;

}  // namespace devseries::platform
