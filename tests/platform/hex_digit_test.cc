#include "devseries/platform/hex_digit.h"

#include <gtest/gtest.h>

#include <string_view>

namespace devseries::platform {

using namespace ::devseries;
namespace {

// Every one of the 256 byte values: the 22 hex digits give their value,
// everything else (including the bytes of UTF-8 sequences) gives -1.
TEST(HexDigitTest, EveryByteValue) {
  constexpr std::string_view kDigits = "0123456789abcdef";
  for (int byte = 0; byte < 256; ++byte) {
    char c = static_cast<char>(byte);
    char lower = (c >= 'A' && c <= 'F') ? static_cast<char>(c - 'A' + 'a') : c;
    size_t at = kDigits.find(lower);
    int expected = at == std::string_view::npos ? -1 : static_cast<int>(at);
    EXPECT_EQ(HexDigitValue(c), expected) << "byte " << byte;
  }
  static_assert(HexDigitValue('F') == 15 && HexDigitValue('g') == -1);
}

}  // namespace
}  // namespace devseries::platform
