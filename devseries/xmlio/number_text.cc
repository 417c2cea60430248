#include "devseries/xmlio/number_text.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace devseries {

namespace {

// The C locale's isspace.
bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' ||
         c == '\r';
}

bool IsAsciiAlnum(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') ||
         (c >= 'A' && c <= 'Z');
}

// The fit of a text whose number ended at `end`: clean when only blanks
// follow.
NumberFit FitAfter(std::string_view text, size_t end) {
  while (end < text.size() && IsBlank(text[end])) ++end;
  return end == text.size() ? NumberFit::kExact : NumberFit::kTrailingText;
}

// Where the digits of a number start in `text`: after leading blanks and one
// optional sign, which sets `negative` when it is '-'.
size_t SkipBlanksAndSign(std::string_view text, bool& negative) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  return i;
}

template <typename Int>
Int ParseSaturating(std::string_view text, NumberFit& fit) {
  bool negative = false;
  size_t i = SkipBlanksAndSign(text, negative);
  // Accumulated as a negative number, which holds the whole range.
  constexpr Int kMin = std::numeric_limits<Int>::min();
  Int value = 0;
  bool overflow = false;
  const size_t digits = i;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    int digit = text[i] - '0';
    if (overflow) continue;
    if (value < (kMin + digit) / 10) {
      overflow = true;
      continue;
    }
    value = static_cast<Int>(value * 10 - digit);
  }
  if (overflow) {
    fit = NumberFit::kOutOfRange;
    return negative ? kMin : std::numeric_limits<Int>::max();
  }
  fit = i == digits ? NumberFit::kNoNumber : FitAfter(text, i);
  if (negative) return value;
  if (value == kMin) {
    fit = NumberFit::kOutOfRange;
    return std::numeric_limits<Int>::max();
  }
  return static_cast<Int>(-value);
}

bool StartsWithNoCase(std::string_view text, std::string_view word) {
  if (text.size() < word.size()) return false;
  for (size_t i = 0; i < word.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != word[i]) return false;
  }
  return true;
}

}  // namespace

std::int32_t ParseCLong(std::string_view text) {
  NumberFit fit;
  return ParseSaturating<std::int32_t>(text, fit);
}

std::int32_t ParseCLong(std::string_view text, NumberFit& fit) {
  return ParseSaturating<std::int32_t>(text, fit);
}

std::int64_t ParseCLongLong(std::string_view text) {
  NumberFit fit;
  return ParseSaturating<std::int64_t>(text, fit);
}

std::int64_t ParseCLongLong(std::string_view text, NumberFit& fit) {
  return ParseSaturating<std::int64_t>(text, fit);
}

double ParseCDouble(std::string_view text) {
  NumberFit fit;
  return ParseCDouble(text, fit);
}

double ParseCDouble(std::string_view text, NumberFit& fit) {
  bool negative = false;
  size_t i = SkipBlanksAndSign(text, negative);
  std::string_view rest = text.substr(i);
  fit = NumberFit::kNoNumber;
  if (!rest.empty() && (rest[0] == '+' || rest[0] == '-')) return 0.0;
  double value = 0.0;
  if (StartsWithNoCase(rest, "inf")) {
    value = std::numeric_limits<double>::infinity();
    fit = FitAfter(text, i + (StartsWithNoCase(rest, "infinity") ? 8 : 3));
  } else if (StartsWithNoCase(rest, "nan")) {
    value = std::numeric_limits<double>::quiet_NaN();
    // "nan(chars)", letters, digits and underscores between the brackets.
    size_t end = 3;
    if (end < rest.size() && rest[end] == '(') {
      size_t close = end + 1;
      while (close < rest.size() &&
             (IsAsciiAlnum(rest[close]) || rest[close] == '_')) {
        ++close;
      }
      if (close < rest.size() && rest[close] == ')') end = close + 1;
    }
    fit = FitAfter(text, i + end);
  } else {
    std::chars_format format = std::chars_format::general;
    if (rest.size() > 2 && rest[0] == '0' &&
        (rest[1] == 'x' || rest[1] == 'X')) {
      // "0x" alone is the number 0 followed by other text.
      std::string_view hex = rest.substr(2);
      double hexValue = 0.0;
      auto [end, ec] = std::from_chars(hex.data(), hex.data() + hex.size(),
                                       hexValue, std::chars_format::hex);
      if (end != hex.data()) {
        fit = FitAfter(text, static_cast<size_t>(end - text.data()));
        if (ec == std::errc::result_out_of_range) {
          fit = NumberFit::kOutOfRange;
          hexValue = std::isinf(hexValue) || hexValue != 0.0
                         ? std::numeric_limits<double>::infinity()
                         : 0.0;
        }
        return negative ? -hexValue : hexValue;
      }
      format = std::chars_format::general;
    }
    auto [end, ec] =
        std::from_chars(rest.data(), rest.data() + rest.size(), value, format);
    if (end == rest.data()) return 0.0;
    fit = FitAfter(text, static_cast<size_t>(end - text.data()));
    if (ec == std::errc::result_out_of_range) {
      // from_chars leaves the value alone; strtod gives HUGE_VAL or 0. Tell
      // the two apart by the exponent's sign.
      std::string_view number(rest.data(),
                              static_cast<size_t>(end - rest.data()));
      size_t e = number.find_first_of("eE");
      bool tiny = e != std::string_view::npos && e + 1 < number.size() &&
                  number[e + 1] == '-';
      value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
      fit = NumberFit::kOutOfRange;
    }
  }
  return negative ? -value : value;
}

std::string FormatFixed(double value, int precision) {
  if (std::isnan(value)) return std::signbit(value) ? "-nan" : "nan";
  if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
  // Large enough for any double in fixed notation with up to 700 decimals.
  char buffer[1100];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value,
                                 std::chars_format::fixed, precision);
  if (ec != std::errc()) return "0";
  return std::string(buffer, end);
}

std::string FormatInt(std::int64_t value) {
  char buffer[24];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  (void)ec;
  return std::string(buffer, end);
}

std::string FormatShortest(double value) {
  if (std::isnan(value)) return std::signbit(value) ? "-nan" : "nan";
  if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
  char buffer[32];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  if (ec != std::errc()) return "0";
  return std::string(buffer, end);
}

std::int32_t TruncateToInt32(double value) {
  // Exactly representable bounds: -2^31 and 2^31.
  if (!(value > -2147483649.0 && value < 2147483648.0)) {
    return std::numeric_limits<std::int32_t>::min();
  }
  return static_cast<std::int32_t>(value);
}

float NarrowToFloat(double value) {
  constexpr double kMax = std::numeric_limits<float>::max();
  if (value > kMax) {
    // Values that round to FLT_MAX stay finite, as the conversion rounds.
    return value < static_cast<double>(kMax) * (1.0 + 0x1p-25)
               ? std::numeric_limits<float>::max()
               : std::numeric_limits<float>::infinity();
  }
  if (value < -kMax) {
    return value > -static_cast<double>(kMax) * (1.0 + 0x1p-25)
               ? -std::numeric_limits<float>::max()
               : -std::numeric_limits<float>::infinity();
  }
  return static_cast<float>(value);
}

}  // namespace devseries
