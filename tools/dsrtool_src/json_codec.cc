#include "tools/dsrtool_src/json_codec.h"

#include <algorithm>

#include "platform/hex_digit.h"

namespace dsrtool {

std::string BytesToHex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (unsigned char byte : bytes) {
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 0x0F];
  }
  return hex;
}

bool HexToBytes(std::string_view hex, std::string& bytes) {
  if (hex.size() % 2 != 0) return false;
  std::string result;
  result.reserve(hex.size() / 2);
  for (size_t i = 0; i < hex.size(); i += 2) {
    int high = devseries::platform::HexDigitValue(hex[i]);
    int low = devseries::platform::HexDigitValue(hex[i + 1]);
    if (high < 0 || low < 0) return false;
    result += static_cast<char>(high * 16 + low);
  }
  bytes = std::move(result);
  return true;
}

std::string Expected(std::string_view what, const Json& found) {
  std::string name = found.type_name();
  if (found.is_number_float()) {
    name = "a number with a fraction";
  } else if (found.is_number()) {
    name = "a number";
  } else if (found.is_boolean()) {
    name = "a boolean";
  } else if (found.is_null()) {
    name = "null";
  } else {
    name = (name == "array" || name == "object" ? "an " : "a ") + name;
  }
  return "expected " + std::string(what) + ", found " + name;
}

void FieldReader::Bytes(const char* name, std::string& bytes) {
  known_.push_back(name);
  auto found = object_.find(name);
  if (found == object_.end()) return;
  std::string where = where_ + "." + name;
  if (!found->is_string()) {
    throw JsonError(where, Expected("a hex string", *found));
  }
  if (!HexToBytes(found->get_ref<const std::string&>(), bytes)) {
    throw JsonError(where,
                    "expected pairs of hex digits, one pair per byte "
                    "(\"1b40\")");
  }
}

void FieldReader::RejectUnknownKeys() const {
  for (auto it = object_.begin(); it != object_.end(); ++it) {
    if (std::find(known_.begin(), known_.end(), it.key()) == known_.end()) {
      throw JsonError(where_, "unknown key \"" + it.key() + "\"");
    }
  }
}

void IntegerFromJson(const Json& json, std::int64_t low, std::int64_t high,
                     std::int64_t& value, const std::string& where) {
  if (!json.is_number_integer()) {
    throw JsonError(where, Expected("an integer", json));
  }
  bool inRange;
  if (json.is_number_unsigned()) {
    std::uint64_t number = json.get<std::uint64_t>();
    inRange = number <= static_cast<std::uint64_t>(high);
    if (inRange) value = static_cast<std::int64_t>(number);
  } else {
    std::int64_t number = json.get<std::int64_t>();
    inRange = number >= low && number <= high;
    if (inRange) value = number;
  }
  if (!inRange) {
    throw JsonError(where, json.dump() + " is out of range (" +
                               std::to_string(low) + " to " +
                               std::to_string(high) + ")");
  }
}

void DoubleFromJson(const Json& json, double& value, const std::string& where) {
  if (json.is_number()) {
    value = json.get<double>();
    return;
  }
  if (json.is_string()) {
    const std::string& text = json.get_ref<const std::string&>();
    if (text == "NaN") {
      value = std::numeric_limits<double>::quiet_NaN();
      return;
    }
    if (text == "Infinity" || text == "-Infinity") {
      value = text[0] == '-' ? -std::numeric_limits<double>::infinity()
                             : std::numeric_limits<double>::infinity();
      return;
    }
  }
  throw JsonError(where, Expected("a number (or \"NaN\", \"Infinity\", "
                                  "\"-Infinity\")",
                                  json));
}

}  // namespace dsrtool
