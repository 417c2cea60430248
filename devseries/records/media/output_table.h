// The output table of a separation channel: 4096 output levels (0 to 4095)
// indexed by the input level. Files carry 256 samples of it as Base64 text;
// reading expands them back to 4096 entries with a natural cubic spline.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "devseries/xmlio/dom_types.h"

#pragma GCC visibility push(default)
namespace devseries {

inline constexpr size_t kOutputTableSize = 4096;
inline constexpr size_t kOutputTableSampleCount = 256;
// Two bytes per sample, most significant first.
inline constexpr size_t kOutputTableTextBytes = 2 * kOutputTableSampleCount;

using OutputTable = std::array<std::uint16_t, kOutputTableSize>;
using OutputTableSamples = std::array<std::uint16_t, kOutputTableSampleCount>;

// The table position of sample `index` (0 to 255): the position nearest to
// index * 4095 / 255, as a running sum of 4095 / 255 rounded half up
// (0, 16, 32, 48, ..., 257 for 16, ..., 4095 for 255).
size_t OutputTableSamplePosition(size_t index);

// The 256 entries of `table` at the sample positions.
OutputTableSamples TakeOutputTableSamples(const OutputTable& table);

// Expands 256 samples into all 4096 entries of `table`. Point j of a
// natural cubic spline has x = j / 256 and y = sample j / 4096, both scaled
// by 65535; entry k is the spline at k * 65535 / 4095 (truncated, and held
// within the first and last point), clamped to 0..65535, truncated and
// shifted right by 4 bits. The samples themselves are then stored unchanged
// at their positions, so they read back exactly.
void BuildOutputTable(const OutputTableSamples& samples, OutputTable& table);

// The 256 samples of `table` as 512 bytes, most significant byte first, in
// standard Base64 on one line (684 characters).
std::string EncodeOutputTableText(const OutputTable& table);

// Decodes a table text and rebuilds `table` from its first 256 samples with
// BuildOutputTable. Base64 broken into lines, or without the last "=", is
// read (CBase64::Decode). Returns false, with `table` as it was, when the
// text is not Base64 or decodes to fewer than 512 bytes; no byte beyond the
// decoded data is read. Bytes after the first 512 are ignored.
bool DecodeOutputTableText(std::string_view text, OutputTable& table);
// As above for the text of the "usOutputTable" element `element`: a text the
// table cannot be read from, or one holding more than the 256 samples, is
// noted as a coerced value of `element` (NoteCoercion) for a read that
// collects warnings.
bool DecodeOutputTableText(std::string_view text, OutputTable& table,
                           DomNode element);
// As above, telling `note` what would be noted.
bool DecodeOutputTableText(std::string_view text, OutputTable& table,
                           const std::function<void(std::string)>& note);

}  // namespace devseries
#pragma GCC visibility pop
