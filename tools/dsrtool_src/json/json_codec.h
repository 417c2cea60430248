// The JSON form of records, both ways, driven by the records' field models
// (EachMember, record_members.h).
//
// The form holds what a file stores of a record, as the library keeps it
// after reading: keys are the member names; numbers stay numbers (a float
// is printed as the shortest text that reads back as the same float; values
// that are not finite are the strings "NaN", "Infinity" and "-Infinity");
// texts are strings; language string sets are objects keyed by the
// language names; lists and fixed-size tables are arrays (tables of their
// full length); nested records are objects; byte strings are lower-case
// hex. An output table is its 256 stored samples, "usOutputTableSamples",
// and only where the file stores it. Members no file stores are left out;
// the memory form (dump --memory) shows them too, with whole output tables.
//
// Reading is strict: every value must have its member's type and range, a
// table its exact length, and an object no key its record does not store.
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

#include "devseries/records/media/output_table.h"
#include "devseries/xmlio/language_string_set.h"
#include "tools/dsrtool_src/json/json_emitter.h"
#include "tools/dsrtool_src/record_members.h"

namespace dsrtool {

using Json = nlohmann::ordered_json;

// A value of the JSON text that does not fit its member.
class JsonError : public std::runtime_error {
 public:
  JsonError(const std::string& where, const std::string& what)
      : std::runtime_error(where + ": " + what) {}
};

template <typename T>
concept LanguageSet = std::is_same_v<T, devseries::LanguageStringSet>;

// The key of an output table's stored samples.
inline constexpr const char* kSamplesKey = "usOutputTableSamples";

// Byte strings as lower-case hex; the reverse accepts either case.
std::string BytesToHex(std::string_view bytes);
// False when `hex` has an odd length or a character that is not a hex digit.
bool HexToBytes(std::string_view hex, std::string& bytes);

// The refusal of the key `name` of the object at `where` that names no
// member of its record: "WHERE: unknown key \"NAME\"".
JsonError UnknownKeyError(const std::string& where, const std::string& name);
// The refusal of a key naming the member at `where` that no file stores.
JsonError InMemoryMemberError(const std::string& where);

// "expected an integer, found a string".
std::string Expected(std::string_view what, const Json& found);

// The thirteen language names, the keys of a language string set.
const std::array<std::string, devseries::kLanguageCount>& LanguageKeys();

// ------------------------------------------------------------- to JSON

// Which members a record's JSON shows.
enum class JsonForm {
  kFile,    // what a file stores: the form build reads
  kMemory,  // every member in memory, output tables whole
};

template <typename T>
void EmitValue(JsonEmitter& out, const T& value, JsonForm form);

class FieldEmitter {
 public:
  FieldEmitter(JsonEmitter& out, JsonForm form) : out_(out), form_(form) {}

  template <typename T>
  void operator()(std::string_view name, const T& member) {
    out_.Key(name);
    EmitValue(out_, member, form_);
  }
  void Bytes(std::string_view name, const std::string& bytes) {
    out_.Key(name);
    out_.String(BytesToHex(bytes));
  }
  template <typename T>
  void StoredWhen(bool stored, std::string_view name, const T& member,
                  std::string_view) {
    if (stored || form_ == JsonForm::kMemory) (*this)(name, member);
  }
  template <typename T>
  void InMemory(std::string_view name, const T& member) {
    if (form_ == JsonForm::kMemory) (*this)(name, member);
  }
  void Table(std::string_view name, const devseries::OutputTable& table,
             bool stored);

 private:
  JsonEmitter& out_;
  JsonForm form_;
};

void EmitFloat(JsonEmitter& out, double value);
void EmitFloat(JsonEmitter& out, float value);
void EmitLanguageSet(JsonEmitter& out, const devseries::LanguageStringSet& set);

template <typename T>
constexpr bool kScalar =
    std::is_arithmetic_v<T> || std::is_same_v<T, std::string>;

template <typename T>
void EmitValue(JsonEmitter& out, const T& value, JsonForm form) {
  if constexpr (FieldRecord<T>) {
    out.BeginObject(kOneLine<T>);
    FieldEmitter fields(out, form);
    EachMember(value, fields);
    out.EndObject();
  } else if constexpr (LanguageSet<T>) {
    EmitLanguageSet(out, value);
  } else if constexpr (std::is_same_v<T, bool>) {
    out.Bool(value);
  } else if constexpr (std::is_same_v<T, std::string>) {
    out.String(value);
  } else if constexpr (std::is_floating_point_v<T>) {
    EmitFloat(out, value);
  } else if constexpr (std::is_signed_v<T>) {
    out.Integer(static_cast<std::int64_t>(value));
  } else if constexpr (std::is_integral_v<T>) {
    out.Unsigned(static_cast<std::uint64_t>(value));
  } else {
    // std::array and std::vector; lists of plain values on one line.
    out.BeginArray(kScalar<typename T::value_type>);
    for (const auto& entry : value) EmitValue(out, entry, form);
    out.EndArray();
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
  void operator()(std::string_view name, T& member) {
    known_.push_back(name);
    auto found = object_.find(name);
    if (found != object_.end())
      FromJson(*found, member, where_ + "." + std::string(name));
  }
  void Bytes(std::string_view name, std::string& bytes);
  // Read whatever the condition; CheckStoredWhen refuses them afterwards.
  template <typename T>
  void StoredWhen(bool, std::string_view name, T& member, std::string_view) {
    (*this)(name, member);
  }
  template <typename T>
  void InMemory(std::string_view name, T&) {
    RefuseInMemory(name);
  }
  void Table(std::string_view name, devseries::OutputTable& table, bool stored);

  // Raises JsonError for the first key that names no member.
  void RejectUnknownKeys() const;

 private:
  void RefuseInMemory(std::string_view name) const;

  const Json& object_;
  const std::string& where_;
  std::vector<std::string_view> known_;
};

// Refuses, once a record is read, a member its record then does not store
// (a screen option without the custom screen, say).
class StoredWhenChecker {
 public:
  StoredWhenChecker(const Json& object, const std::string& where)
      : object_(object), where_(where) {}

  template <typename T>
  void operator()(std::string_view, T&) {}
  void Bytes(std::string_view, std::string&) {}
  template <typename T>
  void StoredWhen(bool stored, std::string_view name, T&,
                  std::string_view when) {
    Check(stored, name, when);
  }
  template <typename T>
  void InMemory(std::string_view, T&) {}
  void Table(std::string_view, devseries::OutputTable&, bool stored) {
    Check(stored, kSamplesKey, "eType is 1");
  }

 private:
  void Check(bool stored, std::string_view name, std::string_view when) const;

  const Json& object_;
  const std::string& where_;
};

void IntegerFromJson(const Json& json, std::int64_t low, std::int64_t high,
                     std::int64_t& value, const std::string& where);
void DoubleFromJson(const Json& json, double& value, const std::string& where);
void LanguageSetFromJson(const Json& json, devseries::LanguageStringSet& set,
                         const std::string& where);

template <typename T>
void FromJson(const Json& json, T& value, const std::string& where) {
  if constexpr (FieldRecord<T>) {
    if (!json.is_object()) throw JsonError(where, Expected("an object", json));
    FieldReader reader(json, where);
    EachMember(value, reader);
    reader.RejectUnknownKeys();
    StoredWhenChecker checker(json, where);
    EachMember(value, checker);
  } else if constexpr (LanguageSet<T>) {
    LanguageSetFromJson(json, value, where);
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
