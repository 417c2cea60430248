// Registry stand-in, read only: the keys of HKEY_LOCAL_MACHINE and
// HKEY_CURRENT_USER come from a registry export file in the format regedit
// writes and imports, named by the environment variable TOVRA_REGISTRY
// (default /etc/vintrell/registry.reg).
//
// Accepted file format:
// - first line exactly "REGEDIT4" or "Windows Registry Editor Version 5.00";
// - a file starting with the byte order mark FF FE is UTF-16LE, any other
//   file UTF-8 (a UTF-8 byte order mark is skipped); CR LF, LF or CR ends a
//   line; blank lines and lines starting with ";" or "#" are skipped;
// - "[ROOT\path]" starts a key, "[-ROOT\path]" deletes a key with its
//   subkeys; ROOT is HKEY_LOCAL_MACHINE, HKLM, HKEY_CURRENT_USER or HKCU in
//   any case; every ancestor of a key exists as well;
// - "name"=data or @=data sets a value of the current key, "name"=- deletes
//   one; names and strings escape only \\ and \";
// - data is "text" (REG_SZ), dword:1 to 8 hex digits (REG_DWORD), hex:bytes
//   (REG_BINARY) or hex(N):bytes (type N), each byte two hex digits, the
//   bytes separated by commas and continued on the next line after "," +
//   "\";
// - the string types (hex(1), hex(2), hex(7)) hold UTF-16LE text in version
//   5 files and 8-bit text in REGEDIT4 files; both are kept as UTF-8, which
//   is what the ANSI query returns.
// Unlike regedit, which skips what it cannot read, a file with any line that
// does not follow these rules is rejected whole: one debug-output line names
// the file, the line and the reason, and every open then fails as for a
// missing key. A missing file is an empty registry.
//
// Key and value names compare case-insensitively (ASCII letters), as on
// Windows. The registry views of a 64-bit system are not modelled: the
// access mask of an open is kept on the key so callers can be checked for
// the view they asked for.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win_types.h"

namespace platform {

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

inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_EXPAND_SZ = 2;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;
inline constexpr DWORD REG_MULTI_SZ = 7;
inline constexpr DWORD REG_QWORD = 11;

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

enum class RegistryRoot { kLocalMachine, kCurrentUser };

struct RegistryValue {
  DWORD type = REG_NONE;
  // Exactly the bytes the ANSI query returns.
  std::string data;
};

// Where a registry file failed to parse.
struct RegistryParseError {
  int line = 0;  // 1-based line of the file
  std::string reason;
};

// The keys and values of one registry export file.
class RegistryFile {
 public:
  // Parses the bytes of an export file. On failure returns false, fills
  // `error` and leaves the contents empty.
  [[nodiscard]] bool Parse(std::string_view bytes, RegistryParseError* error);

  // True when the key exists. `path` is relative to the root, components
  // separated by backslashes; "" is the root itself, which always exists.
  bool HasKey(RegistryRoot root, std::string_view path) const;
  // The value, or null when the key or the value does not exist. Valid
  // until the contents change.
  const RegistryValue* FindValue(RegistryRoot root, std::string_view path,
                                 std::string_view name) const;

 private:
  struct Key {
    std::map<std::string, RegistryValue> values;  // by lower-case name
  };
  // By root, then by lower-case path.
  std::map<std::string, Key> keys_[2];
  friend class RegistryFileParser;
};

// The seam: where registry opens and queries are answered. The default
// reads the file named by TOVRA_REGISTRY the first time it is asked; tests
// install an InMemoryRegistry.
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
  // The value, or null. Valid while the service lives.
  virtual const RegistryValue* FindValue(RegistryRoot root,
                                         const std::string& path,
                                         const std::string& name) = 0;

  // The service in use.
  static RegistryService* Current();
  // Installs `service` (nullptr restores the default); returns the
  // previous one. The caller keeps ownership.
  static RegistryService* SetCurrent(RegistryService* service);
};

// The file the default service reads: $TOVRA_REGISTRY, or
// /etc/vintrell/registry.reg when it is unset or empty.
std::string RegistryFilePath();

// Parses `bytes`; a rejected file leaves the registry empty and sends one
// debug-output line naming `fileName`, the line and the reason.
RegistryFile LoadRegistryText(std::string_view bytes,
                              std::string_view fileName);

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
                                 const std::string& name) override;

  // Every open asked of this registry, in order.
  const std::vector<Open>& opens() const { return opens_; }

 private:
  RegistryFile file_;
  std::vector<Open> opens_;
};

// Installs a registry service for the lifetime of the object.
class ScopedRegistry {
 public:
  explicit ScopedRegistry(RegistryService* service)
      : previous_(RegistryService::SetCurrent(service)) {}
  ~ScopedRegistry() { RegistryService::SetCurrent(previous_); }
  ScopedRegistry(const ScopedRegistry&) = delete;
  ScopedRegistry& operator=(const ScopedRegistry&) = delete;

 private:
  RegistryService* previous_;
};

// Whether the process is a 32-bit process on a 64-bit kernel (WOW64).
//
// On Windows the updater looks kernel32's "IsWow64Process" up at run time;
// LookUpIsWow64Process stands in for GetProcAddress(GetModuleHandleA(
// "kernel32"), "IsWow64Process"). The function it returns answers "not under
// WOW64" for a native process and "under WOW64" for a 32-bit build running
// on a 64-bit kernel. Tests can replace the answer, including the two ways
// the platform cannot tell: no such export, or a call that fails.
using HANDLE = void*;
using IsWow64ProcessFunction = BOOL (*)(HANDLE process, BOOL* wow64Process);

HANDLE GetCurrentProcess();
// The export, or null when the platform does not have it.
IsWow64ProcessFunction LookUpIsWow64Process();

enum class Wow64Answer {
  kSystem,         // what this process and kernel really are
  kNotWow64,       // a native process
  kWow64,          // a 32-bit process on a 64-bit kernel
  kExportMissing,  // cannot tell: the lookup finds no function
  kCallFails,      // cannot tell: the function returns FALSE
};

// Sets the answer (kSystem restores the real one); returns the previous one.
Wow64Answer SetWow64Answer(Wow64Answer answer);

class ScopedWow64Answer {
 public:
  explicit ScopedWow64Answer(Wow64Answer answer)
      : previous_(SetWow64Answer(answer)) {}
  ~ScopedWow64Answer() { SetWow64Answer(previous_); }
  ScopedWow64Answer(const ScopedWow64Answer&) = delete;
  ScopedWow64Answer& operator=(const ScopedWow64Answer&) = delete;

 private:
  Wow64Answer previous_;
};

}  // namespace platform
