#include "platform/win32/wide_text.h"

#include <windows.h>

namespace devseries::platform::win32 {

std::wstring Widen(std::string_view text) {
  if (text.empty()) return std::wstring();
  const int size = static_cast<int>(text.size());
  int wide = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
  std::wstring out(static_cast<size_t>(wide), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, out.data(), wide);
  return out;
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

}  // namespace devseries::platform::win32
