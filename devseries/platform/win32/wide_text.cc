#include "devseries/platform/win32/wide_text.h"

#include <windows.h>

#include <climits>

namespace devseries::platform::win32 {

namespace {

// `text` as UTF-16 in `*wide` with MultiByteToWideChar's `flags`; false, with
// `*wide` empty, when the system refuses it.
bool FromUtf8(std::string_view text, DWORD flags, std::wstring* wide) {
  wide->clear();
  if (text.empty()) return true;
  if (text.size() > static_cast<size_t>(INT_MAX)) return false;
  const int size = static_cast<int>(text.size());
  const int units =
      ::MultiByteToWideChar(CP_UTF8, flags, text.data(), size, nullptr, 0);
  if (units <= 0) return false;
  wide->assign(static_cast<size_t>(units), L'\0');
  if (::MultiByteToWideChar(CP_UTF8, flags, text.data(), size, wide->data(),
                            units) != units) {
    wide->clear();
    return false;
  }
  return true;
}

}  // namespace

bool Widen(std::string_view text, std::wstring* wide) {
  return FromUtf8(text, MB_ERR_INVALID_CHARS, wide);
}

std::wstring WidenForShowing(std::string_view text) {
  std::wstring wide;
  FromUtf8(text, 0, &wide);
  return wide;
}

std::string Narrow(std::wstring_view text) {
  if (text.empty()) return std::string();
  const int size = static_cast<int>(text.size());
  int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0,
                                    nullptr, nullptr);
  std::string out(static_cast<size_t>(bytes), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, out.data(), bytes,
                        nullptr, nullptr);
  return out;
}

std::wstring FullPath(const std::wstring& path) {
  DWORD size = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return path;
  std::wstring full(size, L'\0');
  DWORD used = ::GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
  if (used == 0 || used >= size) return path;
  full.resize(used);
  return full;
}

namespace {

bool StartsWith(std::wstring_view text, std::wstring_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

bool SystemPath(std::string_view path, std::wstring* wide) {
  if (!Widen(path, wide)) return false;
  // The system's own long forms, and devices, are taken as they are.
  if (StartsWith(*wide, L"\\\\?\\") || StartsWith(*wide, L"\\\\.\\") ||
      StartsWith(*wide, L"\\??\\")) {
    return true;
  }
  // A short relative path may still be long once the current folder is put
  // before it; the full form tells.
  const std::wstring full = FullPath(*wide);
  if (full.size() < kLongPathUnits) return true;
  if (full.size() >= 3 && full[1] == L':' && full[2] == L'\\') {
    *wide = L"\\\\?\\" + full;
  } else if (StartsWith(full, L"\\\\") && !StartsWith(full, L"\\\\.\\") &&
             !StartsWith(full, L"\\\\?\\")) {
    *wide = L"\\\\?\\UNC\\" + full.substr(2);
  } else {
    // A device ("\\.\NUL"), or a form the system made itself.
    *wide = full;
  }
  return true;
}

}  // namespace devseries::platform::win32
