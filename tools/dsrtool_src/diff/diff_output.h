// What diff prints of the differences it finds: one line each, in colour
// when asked, up to a number of lines and then how many more there are; or
// a summary with one line per group of records.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "tools/dsrtool_src/diff/record_diff.h"

namespace dsrtool {

// "380,505": `count` with its thousands set apart by commas.
std::string Thousands(size_t count);

// The line of `difference`, Difference::ToString() with, when `colour`,
// ANSI colours: what only A has in red, what only B has in green, a changed
// value's path in bold with A's value in red and B's in green, a key shared
// by several records in yellow. The texts in it are JSON, so no byte of
// the files can make an escape sequence of its own.
std::string DifferenceLine(const Difference& difference, bool colour);

// Prints each difference on its own line, the first `maxLines` (0: all),
// and counts the others. Stops the comparison, raising ToolError, once
// `out` cannot be written.
class DifferencePrinter final : public DifferenceSink {
 public:
  DifferencePrinter(std::ostream& out, bool colour, size_t maxLines)
      : out_(out), colour_(colour), maxLines_(maxLines) {}

  void Found(const Difference& difference,
             const DifferencePlace& place) override;
  // After the last difference: "... 380,505 more differences not shown;
  // --stat summarises, --max-lines 0 shows all" when some were held back.
  void Finish();
  size_t found() const { return found_; }

 private:
  std::ostream& out_;
  bool colour_;
  size_t maxLines_;
  size_t found_ = 0;
};

// Counts the differences per group of records, in the order the groups
// first differ, and prints one line per group:
//   media:         2 records changed (5 values), 1 renamed, 1 added,
//                  0 removed; 1 key shared by several records
//   DeviceSeries:  3 values changed
// A record changed has differences inside, its values changed: each line
// diff would print inside it counts one (a table sample, a member only one
// file stores...). Added and removed are whole records only one file has.
class DifferenceSummary final : public DifferenceSink {
 public:
  void Found(const Difference& difference,
             const DifferencePlace& place) override;
  void Print(std::ostream& out, bool colour) const;
  size_t found() const { return found_; }

 private:
  struct Group {
    std::string_view name;
    bool list = false;
    size_t records = 0;
    size_t values = 0;
    size_t renamed = 0;
    size_t added = 0;
    size_t removed = 0;
    size_t shared = 0;
    // The record whose values were last counted, so that a record counts
    // once (the differences inside one record come together).
    size_t lastRecord = 0;
    bool anyRecord = false;
  };

  std::vector<Group> groups_;
  size_t found_ = 0;
};

}  // namespace dsrtool
