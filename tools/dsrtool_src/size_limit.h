// The size limit of the files a command reads, which --max-size sets: one
// limit for every file of the command (device-series files, JSON, standard
// input), or each read path's own default when the option is not given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "devseries/platform/dom.h"

namespace dsrtool {

using namespace ::devseries;

struct SizeLimit {
  // The bytes --max-size gave; 0 when it was not given.
  size_t given = 0;

  // The limit of a file read piece by piece or as text: a device series
  // (streamed by the library), JSON, standard input.
  size_t Streamed() const {
    return given != 0 ? given : platform::kMaxStreamedDocumentBytes;
  }
  // The limit of a file loaded whole into a DOM: a standalone record file,
  // a file validated against the schema.
  size_t Whole() const {
    return given != 0 ? given : platform::kMaxDocumentBytes;
  }
};

// The bytes of a --max-size value: a whole number of bytes, or a number
// with the suffix K, M or G (either case) for KiB, MiB or GiB ("2G").
// Nothing for anything else, 0, or a size past what size_t holds.
std::optional<size_t> ParseSize(std::string_view text);

// "128 MiB", "1 GiB", or "1000 bytes" for a limit that is not whole
// mebibytes: a limit as the library's readers name it.
std::string LimitText(size_t bytes);

// "(--max-size SIZE raises it)": the end of every message that refuses a
// file the command reads for being over its size limit, telling the way
// past it. Not for what the memory bound or the writers refuse, which
// --max-size does not raise as such.
std::string_view SizeRefusalHint();

// `problem`, a refusal of a file for its size ("the file is over the
// 128 MiB limit"), followed by a blank and SizeRefusalHint().
std::string WithSizeRefusalHint(std::string problem);

// "the file is 238.0 MiB (249561088 bytes), over the 128 MiB limit
// (--max-size SIZE raises it)": the refusal of a file over `limit`, as the
// library's readers word it ("the file is over the 128 MiB limit" for a
// size of 0: a stream's), with SizeRefusalHint().
std::string OverLimitText(std::uint64_t fileBytes, size_t limit);

}  // namespace dsrtool
