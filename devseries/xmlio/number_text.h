// Number text: locale-independent writing and the C library's reading rules
// (atol / atof), without undefined behaviour on overflow.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace devseries {

// How much of a number text the readers below took, for noting values they
// coerced. Blanks before and after the number are part of a clean text.
enum class NumberFit {
  kExact,         // the text is one number
  kNoNumber,      // no number at the start; read as 0
  kTrailingText,  // a number followed by other text, which is ignored
  kOutOfRange,    // beyond the result's range; saturated (or inf, 0)
};

// atol with a 32-bit long: leading blanks, an optional sign, decimal digits,
// stopping at the first other character; no digits gives 0; a value beyond
// the range saturates at INT32_MIN / INT32_MAX.
std::int32_t ParseCLong(std::string_view text);
std::int32_t ParseCLong(std::string_view text, NumberFit& fit);
// As ParseCLong with a 64-bit result.
std::int64_t ParseCLongLong(std::string_view text);
std::int64_t ParseCLongLong(std::string_view text, NumberFit& fit);
// atof: leading blanks, then the longest prefix that is a decimal or
// hexadecimal floating-point number, "inf"/"infinity" or "nan" (any case),
// with '.' as the decimal point whatever the process locale; no number
// gives 0. Out-of-range values give ±HUGE_VAL or 0 as strtod does.
double ParseCDouble(std::string_view text);
double ParseCDouble(std::string_view text, NumberFit& fit);

// printf("%.*f", precision, value) in the C locale.
std::string FormatFixed(double value, int precision);
// printf("%d", value).
std::string FormatInt(std::int64_t value);
// The shortest text that reads back as `value` ("0.1", "1e+300", "inf").
std::string FormatShortest(double value);

// Truncates toward zero to a 32-bit int as the processor's conversion does:
// NaN and values whose truncation does not fit give INT32_MIN (whose low
// byte is 0). Never undefined behaviour.
std::int32_t TruncateToInt32(double value);
// Narrows to float; values beyond the float range become infinities.
float NarrowToFloat(double value);

}  // namespace devseries
