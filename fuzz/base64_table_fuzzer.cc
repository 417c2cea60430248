// Fuzz target: Base64 decoding and the separation output table reader that
// builds on it (decode the samples, expand them with the spline).
//
// Properties: nothing crashes or overflows; decoded bytes encode to a text
// that decodes to them again; a table read from text keeps its 256 samples
// exactly and reads back the same from its own text; any 256 samples
// expand into a table that holds them at their positions.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "devseries/records/media/output_table.h"
#include "devseries/xmlio/base64.h"
#include "fuzz/fuzz_support.h"

using namespace devseries;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tovra::fuzz::Quiet();
  std::string_view text(reinterpret_cast<const char*>(data), size);

  std::vector<unsigned char> bytes;
  if (CBase64::Decode(text, bytes)) {
    std::vector<unsigned char> again;
    if (!CBase64::Decode(CBase64::Encode(bytes.data(), bytes.size()), again) ||
        again != bytes) {
      tovra::fuzz::Fail("decoded bytes do not survive encoding");
    }
  } else if (!bytes.empty()) {
    tovra::fuzz::Fail("a refused text leaves bytes behind");
  }

  OutputTable table{};
  if (DecodeOutputTableText(text, table)) {
    std::vector<unsigned char> samples;
    if (!CBase64::Decode(text, samples) || samples.size() < 512) {
      tovra::fuzz::Fail("a table was read from too few bytes");
    }
    OutputTable again{};
    if (!DecodeOutputTableText(EncodeOutputTableText(table), again) ||
        again != table) {
      tovra::fuzz::Fail("a table does not survive its own text");
    }
  } else if (table != OutputTable{}) {
    tovra::fuzz::Fail("a refused table text changed the table");
  }

  // The input as raw samples, most significant byte first.
  if (size >= kOutputTableTextBytes) {
    OutputTableSamples samples{};
    for (size_t i = 0; i < samples.size(); ++i) {
      samples[i] =
          static_cast<std::uint16_t>(data[2 * i] << 8 | data[2 * i + 1]);
    }
    OutputTable expanded{};
    BuildOutputTable(samples, expanded);
    if (TakeOutputTableSamples(expanded) != samples) {
      tovra::fuzz::Fail("an expanded table lost its samples");
    }
  }
  return 0;
}
