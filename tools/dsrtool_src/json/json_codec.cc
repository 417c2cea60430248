#include "tools/dsrtool_src/json/json_codec.h"

#include <algorithm>
#include <charconv>

#include "devseries/platform/hex_digit.h"

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

const std::array<std::string, devseries::kLanguageCount>& LanguageKeys() {
  return devseries::LanguageNameTable();
}

namespace {

template <typename T>
void EmitFiniteOrName(JsonEmitter& out, T value) {
  if (std::isnan(value)) return out.String("NaN");
  if (std::isinf(value))
    return out.String(value < 0 ? "-Infinity" : "Infinity");
  // The shortest text that reads back as the same value; a whole number
  // keeps a ".0" so that it reads as a number with a fraction.
  char text[64];
  char* end = std::to_chars(text, text + sizeof text - 2, value).ptr;
  if (std::find_if(text, end, [](char c) { return c == '.' || c == 'e'; }) ==
      end) {
    *end++ = '.';
    *end++ = '0';
  }
  out.Number(std::string_view(text, static_cast<size_t>(end - text)));
}

}  // namespace

void EmitFloat(JsonEmitter& out, double value) { EmitFiniteOrName(out, value); }
void EmitFloat(JsonEmitter& out, float value) { EmitFiniteOrName(out, value); }

void EmitLanguageSet(JsonEmitter& out,
                     const devseries::LanguageStringSet& set) {
  const auto& keys = LanguageKeys();
  out.BeginObject();
  for (size_t i = 0; i < set.size(); ++i) {
    out.Key(keys[i]);
    out.String(set[i]);
  }
  out.EndObject();
}

void FieldEmitter::Table(std::string_view name,
                         const devseries::OutputTable& table, bool stored) {
  if (form_ == JsonForm::kMemory) {
    (*this)(name, table);
  } else if (stored) {
    (*this)(kSamplesKey, devseries::TakeOutputTableSamples(table));
  }
}

void FieldReader::Table(std::string_view name, devseries::OutputTable& table,
                        bool) {
  if (object_.contains(name)) {
    throw JsonError(where_ + "." + std::string(name),
                    "a whole output table is not read; give its 256 stored "
                    "samples as \"" +
                        std::string(kSamplesKey) + "\" (the form dump prints)");
  }
  known_.push_back(kSamplesKey);
  auto found = object_.find(kSamplesKey);
  if (found == object_.end()) return;
  devseries::OutputTableSamples samples{};
  FromJson(*found, samples, where_ + "." + kSamplesKey);
  devseries::BuildOutputTable(samples, table);
}

JsonError UnknownKeyError(const std::string& where, const std::string& name) {
  return JsonError(where, "unknown key \"" + name + "\"");
}

JsonError InMemoryMemberError(const std::string& where) {
  return JsonError(where,
                   "no file stores this member (it is kept in memory only; "
                   "dump --memory shows it)");
}

void FieldReader::RefuseInMemory(std::string_view name) const {
  if (object_.contains(name))
    throw InMemoryMemberError(where_ + "." + std::string(name));
}

void StoredWhenChecker::Check(bool stored, std::string_view name,
                              std::string_view when) const {
  if (!stored && object_.contains(name)) {
    throw JsonError(where_ + "." + std::string(name),
                    "a file stores this member only when " + std::string(when) +
                        "; remove it or set that first");
  }
}

void LanguageSetFromJson(const Json& json, devseries::LanguageStringSet& set,
                         const std::string& where) {
  const auto& keys = LanguageKeys();
  std::string names;
  for (const std::string& key : keys) {
    names += (names.empty() ? "" : ", ") + key;
  }
  if (json.is_array()) {
    throw JsonError(where,
                    "a language string set is an object keyed by language "
                    "names ({\"English\": \"...\", \"French\": \"...\"}), "
                    "no longer an array of 13 texts");
  }
  if (!json.is_object()) {
    throw JsonError(where, Expected("an object keyed by language names", json));
  }
  devseries::LanguageStringSet read{};
  for (auto it = json.begin(); it != json.end(); ++it) {
    auto key = std::find(keys.begin(), keys.end(), it.key());
    if (key == keys.end() || it.key().empty()) {
      throw JsonError(where, "unknown language \"" + it.key() +
                                 "\" (the languages are " + names + ")");
    }
    FromJson(it.value(), read[static_cast<size_t>(key - keys.begin())],
             where + "." + it.key());
  }
  set = std::move(read);
}

void FieldReader::Bytes(std::string_view name, std::string& bytes) {
  known_.push_back(name);
  auto found = object_.find(name);
  if (found == object_.end()) return;
  std::string where = where_ + "." + std::string(name);
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
      throw UnknownKeyError(where_, it.key());
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
