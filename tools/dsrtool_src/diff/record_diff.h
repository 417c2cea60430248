// The differences between two records held in memory, found by walking both
// with their field models (EachMember, record_members.h): the differences
// CompareRecords (json_diff.h) lists for their JSON form, with the same
// paths and texts, without making that form. What the walk keeps beside
// the two records is the path it is at, a record's keys while its list is
// matched and the difference at hand, which goes to a sink at once.
#pragma once

#include <cstddef>
#include <string_view>

#include "tools/dsrtool_src/json/json_diff.h"
#include "tools/dsrtool_src/record_kinds.h"

namespace dsrtool {

// The share of a medium's values, its names left out, that must be equal
// in A and B for it to count as renamed (DiffOptions::findRenames).
// Unrelated media of a series share about half of theirs.
inline constexpr double kRenamedShare = 0.8;

struct DiffOptions {
  Matching matching = Matching::kByKey;
  // Numbers (integers and floats, table samples too) that differ by at most
  // this are equal; 0: only equal numbers. A float is taken as the decimal
  // the JSON form prints. Members that hold a code rather than a quantity
  // (an enumeration, a packed value, an index or a reference to another
  // record) are compared exactly whatever it is. Records are matched by
  // their exact keys.
  double tolerance = 0;
  // With Matching::kByKey, a medium that no name matches in the other file
  // and that stands at the same position as such a medium of the other
  // file, whose values are at least kRenamedShare equal besides its names,
  // is the same medium renamed: a kRenamed difference at A's position
  // (its English names), then its member differences as for a matched
  // medium, its English name's left out.
  bool findRenames = true;
};

// Where a difference lies, for a summary by kind of record.
struct DifferencePlace {
  // What the group of records is called: for a list of a device series,
  // the list's description in its field model ("media", "inks"); for the
  // other members of a series and for a record file, the root's name
  // ("DeviceSeries", "MediaInfo"). Static text.
  std::string_view group;
  // The group is a list of records; otherwise the members of one record.
  bool list = false;
  // In a list: the record's position, A's (B's for one only B has).
  size_t record = 0;
  // In a list: the difference is about a whole record (only in A, only in
  // B, renamed) or, kDuplicate, about the list; otherwise it lies inside
  // the record.
  bool whole = false;
};

// Receives the differences as they are found.
class DifferenceSink {
 public:
  virtual ~DifferenceSink() = default;
  virtual void Found(const Difference& difference,
                     const DifferencePlace& place) = 0;
};

// Gives `sink`, in order, the differences from `a` to `b`: with default
// options the ones CompareRecords(RecordJsonTree(a), RecordJsonTree(b),
// options.matching) lists, with the same paths and texts, apart from the
// renamed media. `a` and `b` must be of the same kind (std::invalid_argument
// otherwise). What `sink` raises ends the comparison.
void DiffRecords(const AnyRecord& a, const AnyRecord& b,
                 const DiffOptions& options, DifferenceSink& sink);

}  // namespace dsrtool
