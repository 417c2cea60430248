// The JSON form of in-memory records, both ways, driven by one list of
// fields per record kind (RecordFields<T>, in the *_fields.h headers).
//
// Keys are the member names; numbers stay numbers (a float is widened to
// double exactly, so the shortest text that nlohmann prints reads back as the
// same float; values that are not finite are the strings "NaN", "Infinity"
// and "-Infinity"); texts are strings; lists and fixed-size tables are arrays
// (tables of their full length); nested records are objects; byte strings
// are lower-case hex.
//
// Reading is strict: every value must have its member's type and range, a
// table its exact length, and an object no key its record does not have.
// Absent keys leave members at the values they held (construction values
// for a new record). Errors raise JsonError naming the place, for example
// "DeviceSeries.aModelInfoList[0].nHeadNum: expected an integer, found a
// string".
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace dsrtool {

using Json = nlohmann::ordered_json;

// A value of the JSON text that does not fit its member.
class JsonError : public std::runtime_error {
 public:
  JsonError(const std::string& where, const std::string& what)
      : std::runtime_error(where + ": " + what) {}
};

// The field list of one record kind. Each specialization has
//   template <typename Record, typename Visit>
//   static void Each(Record& record, Visit& visit);
// calling visit("member", record.member) for every member in declaration
// order (visit.Bytes(...) for byte strings), whether or not the record's
// element carries it. Record is the record type, const or not.
template <typename T>
struct RecordFields {
  static constexpr bool kDefined = false;
};

template <typename T>
concept FieldRecord = RecordFields<T>::kDefined;

// Byte strings as lower-case hex; the reverse accepts either case.
std::string BytesToHex(std::string_view bytes);
// False when `hex` has an odd length or a character that is not a hex digit.
bool HexToBytes(std::string_view hex, std::string& bytes);

// "expected an integer, found a string".
std::string Expected(std::string_view what, const Json& found);

// ------------------------------------------------------------- to JSON

template <typename T>
Json ToJson(const T& value);

class FieldWriter {
 public:
  explicit FieldWriter(Json& object) : object_(object) {}

  template <typename T>
  void operator()(const char* name, const T& member) {
    object_[name] = ToJson(member);
  }
  void Bytes(const char* name, const std::string& bytes) {
    object_[name] = BytesToHex(bytes);
  }

 private:
  Json& object_;
};

template <typename T>
Json FloatToJson(T value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value < 0 ? "-Infinity" : "Infinity";
  return static_cast<double>(value);
}

template <typename T>
Json ToJson(const T& value) {
  if constexpr (FieldRecord<T>) {
    Json object = Json::object();
    FieldWriter writer(object);
    RecordFields<T>::Each(value, writer);
    return object;
  } else if constexpr (std::is_same_v<T, bool> ||
                       std::is_same_v<T, std::string>) {
    return value;
  } else if constexpr (std::is_floating_point_v<T>) {
    return FloatToJson(value);
  } else if constexpr (std::is_integral_v<T>) {
    return value;
  } else {
    // std::array and std::vector.
    Json array = Json::array();
    for (const auto& entry : value) array.push_back(ToJson(entry));
    return array;
  }
}

// ----------------------------------------------------------- from JSON

template <typename T>
void FromJson(const Json& json, T& value, const std::string& where);

class FieldReader {
 public:
  FieldReader(const Json& object, const std::string& where)
      : object_(object), where_(where) {}

  template <typename T>
  void operator()(const char* name, T& member) {
    known_.push_back(name);
    auto found = object_.find(name);
    if (found != object_.end()) FromJson(*found, member, where_ + "." + name);
  }
  void Bytes(const char* name, std::string& bytes);

  // Raises JsonError for the first key that names no member.
  void RejectUnknownKeys() const;

 private:
  const Json& object_;
  const std::string& where_;
  std::vector<std::string_view> known_;
};

void IntegerFromJson(const Json& json, std::int64_t low, std::int64_t high,
                     std::int64_t& value, const std::string& where);
void DoubleFromJson(const Json& json, double& value, const std::string& where);

template <typename T>
void FromJson(const Json& json, T& value, const std::string& where) {
  if constexpr (FieldRecord<T>) {
    if (!json.is_object()) throw JsonError(where, Expected("an object", json));
    FieldReader reader(json, where);
    RecordFields<T>::Each(value, reader);
    reader.RejectUnknownKeys();
  } else if constexpr (std::is_same_v<T, bool>) {
    if (!json.is_boolean())
      throw JsonError(where, Expected("true or false", json));
    value = json.get<bool>();
  } else if constexpr (std::is_same_v<T, std::string>) {
    if (!json.is_string()) throw JsonError(where, Expected("a string", json));
    value = json.get<std::string>();
  } else if constexpr (std::is_same_v<T, double>) {
    DoubleFromJson(json, value, where);
  } else if constexpr (std::is_same_v<T, float>) {
    double wide = 0;
    DoubleFromJson(json, wide, where);
    if (std::isfinite(wide) &&
        std::fabs(wide) > std::numeric_limits<float>::max()) {
      throw JsonError(where, "out of range for a 32-bit float");
    }
    value = static_cast<float>(wide);
  } else if constexpr (std::is_integral_v<T>) {
    static_assert(sizeof(T) <= sizeof(std::int64_t));
    std::int64_t wide = 0;
    IntegerFromJson(json, std::numeric_limits<T>::min(),
                    static_cast<std::int64_t>(std::numeric_limits<T>::max()),
                    wide, where);
    value = static_cast<T>(wide);
  } else if constexpr (requires { std::tuple_size<T>::value; }) {
    // A fixed-size table: exactly its length, each entry read over the
    // value it holds.
    constexpr size_t kSize = std::tuple_size<T>::value;
    if (!json.is_array()) throw JsonError(where, Expected("an array", json));
    if (json.size() != kSize) {
      throw JsonError(where, "expected an array of " + std::to_string(kSize) +
                                 " entries, found " +
                                 std::to_string(json.size()));
    }
    for (size_t i = 0; i < kSize; ++i) {
      FromJson(json[i], value[i], where + "[" + std::to_string(i) + "]");
    }
  } else {
    // A list: each entry read into a newly constructed element.
    if (!json.is_array()) throw JsonError(where, Expected("an array", json));
    T list;
    list.reserve(json.size());
    for (size_t i = 0; i < json.size(); ++i) {
      typename T::value_type entry{};
      FromJson(json[i], entry, where + "[" + std::to_string(i) + "]");
      list.push_back(std::move(entry));
    }
    value = std::move(list);
  }
}

}  // namespace dsrtool
