// Conversion of a channel value to the stored byte of the 8-bit colour
// classes. Used by the colour classes only.
#pragma once

#include <cstdint>

#include "devseries/xmlio/number_text.h"

namespace devseries {

namespace color_internal {

// Truncates `value` toward zero to a signed 32-bit integer and keeps its low
// 8 bits (12.9 gives 12, 300 gives 44, -1 gives 255). NaN and values whose
// truncation does not fit in a signed 32-bit integer give 0: they truncate
// to INT32_MIN, whose low byte is 0. No input is undefined.
inline std::uint8_t ChannelByteFromFloat(float value) {
  return static_cast<std::uint8_t>(
      static_cast<std::uint32_t>(TruncateToInt32(value)) & 0xFFu);
}

}  // namespace color_internal

}  // namespace devseries
