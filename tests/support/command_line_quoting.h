// The quoting of a Windows command line, for the test helpers that start
// programs with CreateProcessW.
#pragma once

#include <string>

namespace tovra::testing {

// `argument` as one argument of a command line: quoted when it is empty or
// holds a blank or a quote; backslashes doubled only where they precede a
// quote, which is how CommandLineToArgvW and the C runtime read them back.
inline std::wstring QuotedArgument(const std::wstring& argument) {
  if (!argument.empty() &&
      argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
    return argument;
  }
  std::wstring quoted = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    quoted.push_back(c);
    backslashes = 0;
  }
  quoted.append(2 * backslashes, L'\\');
  return quoted + L"\"";
}

}  // namespace tovra::testing
