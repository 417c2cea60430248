// Reading the JSON form of a record (what dump prints and build reads) with
// nlohmann's SAX interface, so that no JSON tree of a whole device series
// is ever held: its lists are read entry by entry, each entry built as a
// small JSON tree, decoded with the field models as soon as it is complete
// and dropped. The other kinds are single records, small enough to be read
// through a JSON tree of their value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "devseries/platform/progress.h"
#include "tools/dsrtool_src/json/json_diff.h"
#include "tools/dsrtool_src/record_kinds.h"

namespace dsrtool {

// A text that is not JSON, as nlohmann's parser refuses it. what() is the
// parser's message ("[json.exception.parse_error.101] parse error at line
// 1, column 2: ...").
class JsonSyntaxError : public std::runtime_error {
 public:
  JsonSyntaxError(size_t byte, const std::string& what)
      : std::runtime_error(what), byte_(byte) {}

  // The 1-based position of the last byte the parser read.
  size_t byte() const { return byte_; }

 private:
  size_t byte_;
};

// A read that would keep more than its memory bound: the values it holds
// (the tree of the value being read, the entries decoded, the keys) and
// the text it reads from count.
class JsonBoundExceeded : public std::runtime_error {
 public:
  explicit JsonBoundExceeded(std::uint64_t bound);
};

// The record the JSON text `text` describes: what RecordFromJson gives for
// the text's tree, with the same errors and the same paths in them. Raises
// JsonSyntaxError for a text that is not JSON, wherever the fault is, and
// otherwise JsonError for JSON that does not describe a record. With a
// `memoryBound` (0: none), raises JsonBoundExceeded once what the read
// keeps, the text included, takes more. A `progress` report the caller
// has started is told the bytes of `text` the parser has taken as it goes,
// all of them once the text is read.
AnyRecord ReadRecordJson(std::string_view text, std::uint64_t memoryBound = 0,
                         platform::ProgressReport* progress = nullptr);

// The differences from the record `text` describes to `stored`, as
// CompareRecords(RecordJsonTree(ReadRecordJson(text)),
// RecordJsonTree(stored), Matching::kByPosition) lists them. For a device
// series they are found by a second pass over the text, which compares
// each list entry with `stored`'s entry at its position as soon as it is
// read, then drops it. `text` must be one ReadRecordJson read, of the kind
// of `stored`; raises what ReadRecordJson raises otherwise. `progress` is
// told of the pass as ReadRecordJson tells it.
std::vector<Difference> CompareRecordJson(
    std::string_view text, const AnyRecord& stored,
    std::uint64_t memoryBound = 0,
    platform::ProgressReport* progress = nullptr);

}  // namespace dsrtool
