// Edits of a file's text for the tests that make variants of a file: each
// leaves the text as it is when its mark is missing.
#pragma once

#include <string>

namespace tovra::testing {

// Replaces the first occurrence of `from` by `to`.
inline std::string Replace(std::string text, const std::string& from,
                           const std::string& to) {
  const size_t at = text.find(from);
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}
// Replaces the last occurrence of `from` by `to`.
inline std::string ReplaceLast(std::string text, const std::string& from,
                               const std::string& to) {
  const size_t at = text.rfind(from);
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}
// Inserts `what` right after the first occurrence of `after`.
inline std::string InsertAfter(std::string text, const std::string& after,
                               const std::string& what) {
  const size_t at = text.find(after);
  if (at != std::string::npos) text.insert(at + after.size(), what);
  return text;
}
// Inserts `what` right before the first occurrence of `before`.
inline std::string InsertBefore(std::string text, const std::string& before,
                                const std::string& what) {
  const size_t at = text.find(before);
  if (at != std::string::npos) text.insert(at, what);
  return text;
}

}  // namespace tovra::testing
