// Fuzz target: decodeEscapedString, the reader of printer command strings,
// and its writer EncodeEscapedString.
//
// Properties: decoding never crashes and ends in bytes or in one of its
// two errors; any bytes survive encoding and decoding unchanged; decoded
// bytes encode to a text that decodes to them again.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "devseries/xmlio/value_codecs.h"
#include "fuzz/fuzz_support.h"

using namespace devseries;

namespace {

std::string Decode(const std::string& text) {
  return decodeEscapedString(text.data(), text.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tovra::fuzz::Quiet();
  const std::string input(reinterpret_cast<const char*>(data), size);

  // The input as raw bytes.
  std::string encoded = EncodeEscapedString(input.data(), input.size());
  if (Decode(encoded) != input) {
    tovra::fuzz::Fail("bytes do not survive encoding", encoded);
  }

  // The input as element text.
  std::string decoded;
  try {
    decoded = Decode(input);
  } catch (const std::runtime_error&) {
    return 0;
  }
  std::string again = EncodeEscapedString(decoded.data(), decoded.size());
  if (Decode(again) != decoded) {
    tovra::fuzz::Fail("decoded bytes do not survive encoding", again);
  }
  return 0;
}
