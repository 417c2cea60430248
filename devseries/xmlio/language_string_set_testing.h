// The language name table's hook for tests. Not installed.
#pragma once

namespace devseries {

// Reads the table again from the current string table. For tests that
// install another string table.
void ReloadLanguageNameTableForTesting();

}  // namespace devseries
