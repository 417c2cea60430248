// The registry export file: the text format regedit writes and imports, read
// into the keys and values of HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER.
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
// does not follow these rules is rejected whole.
//
// Key and value names compare case-insensitively (ASCII letters), as on
// Windows.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "devseries/platform/win_types.h"

namespace devseries::platform {

// Registry value types.
inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_EXPAND_SZ = 2;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;
inline constexpr DWORD REG_MULTI_SZ = 7;
inline constexpr DWORD REG_QWORD = 11;

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

// Parses `bytes`; a rejected file leaves the registry empty and sends one
// debug-output line naming `fileName`, the line and the reason.
RegistryFile LoadRegistryText(std::string_view bytes,
                              std::string_view fileName);

// The form key paths are stored and looked up in: lower case, components
// joined by single backslashes, empty components (leading, trailing or
// doubled backslashes) dropped.
std::string NormaliseRegistryKeyPath(std::string_view path);

}  // namespace devseries::platform
