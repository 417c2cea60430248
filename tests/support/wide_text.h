// The tests' own texts as the UTF-16 of the Windows API.
#pragma once

#include <string>
#include <string_view>

#include "devseries/platform/win32/wide_text.h"

namespace tovra::testing {

// `text` as UTF-16; a text that is not UTF-8 has U+FFFD for its bad bytes,
// so that a test can still hand it on.
inline std::wstring Widen(std::string_view text) {
  return devseries::platform::win32::WidenForShowing(text);
}

}  // namespace tovra::testing
