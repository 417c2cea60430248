// Conversion of a channel value to the stored byte of the 8-bit colour
// classes. Used by the colour classes only.
#pragma once

#include <cstdint>

namespace color_internal {

// Truncates `value` toward zero to a signed 32-bit integer and keeps its low
// 8 bits (12.9 gives 12, 300 gives 44, -1 gives 255). NaN and values whose
// truncation does not fit in a signed 32-bit integer give 0. The range is
// checked in double, before any conversion, so no input is undefined.
inline std::uint8_t ChannelByteFromFloat(float value) {
  const double wide = value;
  // Truncation fits exactly when -2^31 - 1 < wide < 2^31; NaN fails both.
  if (!(wide > -2147483649.0 && wide < 2147483648.0)) return 0;
  const auto truncated = static_cast<std::int32_t>(wide);
  return static_cast<std::uint8_t>(static_cast<std::uint32_t>(truncated) &
                                   0xFFu);
}

}  // namespace color_internal
