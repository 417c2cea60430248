#include "tools/dsrtool_src/size_limit.h"

#include <charconv>
#include <limits>

namespace dsrtool {

namespace {

constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;

}  // namespace

std::optional<size_t> ParseSize(std::string_view text) {
  size_t number = 0;
  const char* end = text.data() + text.size();
  auto [stop, error] = std::from_chars(text.data(), end, number);
  if (text.empty() || text.front() == '-' || error != std::errc() ||
      number == 0) {
    return std::nullopt;
  }
  int shift = 0;
  if (stop != end) {
    if (end - stop != 1) return std::nullopt;
    switch (*stop) {
      case 'K':
      case 'k':
        shift = 10;
        break;
      case 'M':
      case 'm':
        shift = 20;
        break;
      case 'G':
      case 'g':
        shift = 30;
        break;
      default:
        return std::nullopt;
    }
  }
  if (number > (std::numeric_limits<size_t>::max() >> shift)) {
    return std::nullopt;
  }
  return number << shift;
}

std::string LimitText(size_t bytes) {
  constexpr size_t kGiB = kMiB << 10;
  if (bytes % kGiB == 0) return std::to_string(bytes / kGiB) + " GiB";
  if (bytes % kMiB == 0) return std::to_string(bytes / kMiB) + " MiB";
  return std::to_string(bytes) + " bytes";
}

std::string_view SizeRefusalHint() { return "(--max-size SIZE raises it)"; }

std::string WithSizeRefusalHint(std::string problem) {
  problem += ' ';
  problem += SizeRefusalHint();
  return problem;
}

std::string OverLimitText(std::uint64_t fileBytes, size_t limit) {
  // A stream has no size to tell.
  if (fileBytes == 0) {
    return WithSizeRefusalHint("the file is over the " + LimitText(limit) +
                               " limit");
  }
  return WithSizeRefusalHint(
      "the file is " + std::to_string(fileBytes / kMiB) + "." +
      std::to_string(fileBytes % kMiB * 10 / kMiB) + " MiB (" +
      std::to_string(fileBytes) + " bytes), over the " + LimitText(limit) +
      " limit");
}

}  // namespace dsrtool
