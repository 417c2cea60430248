// The differences between two records in their JSON form, matched the way a
// person compares two device-series files: media by their names, records
// with an index member by that index, the others by position.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "tools/dsrtool_src/json/json_codec.h"

namespace dsrtool {

struct Difference {
  enum Kind {
    kChanged,    // a value of A became `after` in B
    kRemoved,    // a record or member of A that B does not have
    kAdded,      // a record or member of B that A does not have
    kDuplicate,  // a key shared by several records of a list
    kRenamed,    // a medium whose names are `before` in A and `after` in B
  };
  Kind kind;
  // The JSON path ("DeviceSeries.aInkInfoList[2].flPrice"), 0-based: A's
  // position for what A has, B's for what only B has.
  std::string path;
  // Compact JSON of a changed value, or a short description of a record
  // ("nInkIndex 5 \"Cyan\"").
  std::string before;
  std::string after;

  // "PATH: BEFORE -> AFTER", "PATH: only in A: ...", "PATH: only in B:
  // ...", "PATH: ... matched in order", "PATH: renamed BEFORE -> AFTER".
  std::string ToString() const;
};

// How the records of two lists are paired.
enum class Matching {
  kByKey,       // media by name, records with an index member by it
  kByPosition,  // every list by position
};

// How the records of the list member `list` are matched by key: by the
// index member whose name is returned, by the media names ("*"), or by
// position (""). Media are matched by their names in the first
// kMatchedLanguages languages, as the merge update matches them.
std::string_view MatchMember(std::string_view list);
inline constexpr std::string_view kMediaNameMember = "strMediaName";
inline constexpr size_t kMatchedLanguages = 10;

// The differences from `a` to `b`, both the file form of a record
// ({"<root name>": {...}}), in A's order with what only B has after it.
std::vector<Difference> CompareRecords(const Json& a, const Json& b,
                                       Matching matching = Matching::kByKey);

// The differences from `a` to `b`, two values found at `path`
// ("DeviceSeries.aInkInfoList[2]"), compared by position: what
// CompareRecords with Matching::kByPosition lists for them inside two whole
// records.
std::vector<Difference> CompareValues(const Json& a, const Json& b,
                                      const std::string& path);
// The difference CompareRecords lists, comparing by position, for the
// `record` at `path` that only A has (`kind` kRemoved) or only B (kAdded).
Difference OnlyInOne(Difference::Kind kind, const std::string& path,
                     const Json& record);

}  // namespace dsrtool
