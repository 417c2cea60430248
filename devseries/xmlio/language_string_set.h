// Texts in the thirteen user-interface languages, and the element names of
// those languages.
#pragma once

#include <array>
#include <cstddef>
#include <string>

#pragma GCC visibility push(default)
namespace devseries {

inline constexpr size_t kLanguageCount = 13;

// One text per language, entry 0 to entry 12.
using LanguageStringSet = std::array<std::string, kLanguageCount>;

// The element names of the thirteen languages, taken once per process from
// the host application's string table: entry i from string id
// {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 14, 15, 16}[i]. A missing string gives an
// empty name (which no element can carry, so writing a set then fails).
const std::array<std::string, kLanguageCount>& LanguageNameTable();

// The string ids the table is read from.
inline constexpr std::array<unsigned, kLanguageCount> kLanguageNameStringIds = {
    1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 14, 15, 16};

}  // namespace devseries
#pragma GCC visibility pop
