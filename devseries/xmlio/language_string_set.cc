#include "devseries/xmlio/language_string_set.h"

#include "devseries/platform/resources.h"
#include "devseries/xmlio/language_string_set_testing.h"

namespace devseries {

namespace {

std::array<std::string, kLanguageCount> LoadNames() {
  std::array<std::string, kLanguageCount> names;
  for (size_t i = 0; i < kLanguageCount; ++i) {
    platform::LoadString(kLanguageNameStringIds[i], names[i]);
  }
  return names;
}

std::array<std::string, kLanguageCount>& Table() {
  static std::array<std::string, kLanguageCount> names = LoadNames();
  return names;
}

}  // namespace

const std::array<std::string, kLanguageCount>& LanguageNameTable() {
  return Table();
}

void ReloadLanguageNameTableForTesting() { Table() = LoadNames(); }

}  // namespace devseries
