// UTF-8 text of the library to and from the UTF-16 text of the Windows API,
// and paths in the form the system's file functions take at any length.
#pragma once

#include <string>
#include <string_view>

namespace devseries::platform::win32 {

// `text` as UTF-16 in `*wide`. False, with `*wide` empty, when `text` is not
// valid UTF-8: converted anyway, its bad bytes would become U+FFFD and the
// text could name another file or key than the one meant.
bool Widen(std::string_view text, std::wstring* wide);
// `text` as UTF-16 for showing it, never for naming something: invalid
// UTF-8 sequences become U+FFFD.
std::wstring WidenForShowing(std::string_view text);
// `text` as UTF-8; unpaired surrogates become U+FFFD.
std::string Narrow(std::wstring_view text);

// Paths of this many UTF-16 units or more reach the system in the "\\?\"
// form: the limit of a folder's path (MAX_PATH less room for an 8.3 name).
constexpr size_t kLongPathUnits = 260 - 12;

// `path` as the system's file functions are to receive it: widened, and
// where its full form is kLongPathUnits long or longer, that full form
// (absolute, "." and ".." resolved, separators made "\") behind "\\?\"
// ("\\?\UNC\" for "\\server\share\..."), which the system takes at any
// length and no longer parses. Shorter paths, devices and paths already in
// a "\\?\" or "\\.\" form are passed as given. False when `path` is not
// valid UTF-8.
bool SystemPath(std::string_view path, std::wstring* wide);

// The full path the system makes of `path`: the current folder's for a
// relative one, "." and ".." resolved, "\\.\NUL" for "NUL". `path` itself
// when the system cannot tell.
std::wstring FullPath(const std::wstring& path);

}  // namespace devseries::platform::win32
