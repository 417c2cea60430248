// The tests' own texts as the UTF-16 of the Windows API.
#pragma once

#include <string>
#include <string_view>

#include "platform/win32/wide_text.h"

namespace tovra::testing {

// `text` as UTF-16; a text that is not UTF-8 keeps its ASCII and has
// U+FFFD for every other byte, so that a test can still hand it on.
inline std::wstring Widen(std::string_view text) {
  std::wstring wide;
  if (devseries::platform::win32::Widen(text, &wide)) return wide;
  for (char c : text) {
    wide += static_cast<unsigned char>(c) < 0x80 ? static_cast<wchar_t>(c)
                                                 : L'\xFFFD';
  }
  return wide;
}

}  // namespace tovra::testing
