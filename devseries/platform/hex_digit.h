// The value of one hexadecimal digit, for every reader of hex text.
#pragma once

namespace devseries::platform {

// The value of the hex digit `c` (0 to 9, a to f, A to F in any case), or -1
// for any other character. Independent of the process locale.
constexpr int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace devseries::platform
