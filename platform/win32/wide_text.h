// UTF-8 text of the library to and from the UTF-16 text of the Windows API.
#pragma once

#include <string>
#include <string_view>

namespace devseries::platform::win32 {

// `text` as UTF-16; invalid UTF-8 sequences become U+FFFD.
std::wstring Widen(std::string_view text);
// `text` as UTF-8; unpaired surrogates become U+FFFD.
std::string Narrow(std::wstring_view text);

}  // namespace devseries::platform::win32
