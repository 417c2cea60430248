// The records of two lists paired the way `dsrtool diff` pairs them: media
// by their names in the first ten languages (as the merge matches them),
// records whose model marks an index member by that index, the others by
// position. Records sharing a key are paired in order.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "devseries/device_series.h"
#include "tools/dsrtool_src/report/report_members.h"

namespace dsrtool {

// A record of list A and the record of list B it is paired with; either is
// null for a record only one list holds. The positions are those in the
// lists (of the record that is there).
template <typename Record>
struct Paired {
  const Record* a = nullptr;
  const Record* b = nullptr;
  size_t positionA = 0;
  size_t positionB = 0;

  // Both lists hold the record and it differs between them.
  bool Changed() const { return a != nullptr && b != nullptr && !(*a == *b); }
};

// The media's names that pair them.
inline constexpr size_t kMatchedLanguages = 10;

// The key that pairs `record`, or nothing for records paired by position.
template <typename Record>
std::optional<std::string> PairingKey(const Record& record) {
  if constexpr (std::is_same_v<Record, devseries::MediaInfo>) {
    std::string key;
    for (size_t i = 0; i < kMatchedLanguages; ++i) {
      key += record.strMediaName[i];
      key += '\0';
    }
    return key;
  } else if constexpr (HasIndexMember<Record>()) {
    return std::to_string(*RecordIndex(record));
  } else {
    return std::nullopt;
  }
}

// The records of `a` and `b` paired: in A's order, each record of A with
// the first record of B of its key not yet taken (by position: B's record
// at its position), then the records only B holds, in B's order.
template <typename Record>
std::vector<Paired<Record>> PairRecords(const std::vector<Record>& a,
                                        const std::vector<Record>& b) {
  std::vector<Paired<Record>> pairs;
  std::vector<bool> taken(b.size(), false);
  std::map<std::string, std::vector<size_t>> inB;
  for (size_t j = 0; j < b.size(); ++j) {
    if (std::optional<std::string> key = PairingKey(b[j])) {
      inB[*key].push_back(j);
    }
  }
  std::map<std::string, size_t> next;
  for (size_t i = 0; i < a.size(); ++i) {
    std::optional<size_t> j;
    if (std::optional<std::string> key = PairingKey(a[i])) {
      const std::vector<size_t>& candidates = inB[*key];
      size_t& used = next[*key];
      if (used < candidates.size()) j = candidates[used++];
    } else if (i < b.size()) {
      j = i;
    }
    if (j) {
      taken[*j] = true;
      pairs.push_back({&a[i], &b[*j], i, *j});
    } else {
      pairs.push_back({&a[i], nullptr, i, 0});
    }
  }
  for (size_t j = 0; j < b.size(); ++j) {
    if (!taken[j]) pairs.push_back({nullptr, &b[j], 0, j});
  }
  return pairs;
}

}  // namespace dsrtool
