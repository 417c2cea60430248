#include "tools/dsrtool_src/json/json_schema.h"

#include <cstdint>
#include <limits>

#include "tools/dsrtool_src/record_kinds.h"

namespace dsrtool {

namespace {

constexpr const char* kDefinitions = "#/$defs/";

// Collects the schemas of the records reached from a root, each once, under
// "$defs".
class SchemaBuilder {
 public:
  explicit SchemaBuilder(Json& definitions) : definitions_(definitions) {}

  template <typename T>
  Json Of() {
    if constexpr (FieldRecord<T>) {
      const std::string name(kRecordName<T>);
      if (!definitions_.contains(name)) {
        definitions_[name] = Json::object();  // taken, against recursion
        Json properties = Json::object();
        T record{};
        FieldSchemas fields(*this, properties);
        EachMember(record, fields);
        definitions_[name] = {{"type", "object"},
                              {"properties", std::move(properties)},
                              {"additionalProperties", false}};
      }
      return Reference(name);
    } else if constexpr (LanguageSet<T>) {
      if (!definitions_.contains("LanguageStringSet")) {
        Json properties = Json::object();
        for (const std::string& language : LanguageKeys()) {
          properties[language] = {{"type", "string"}};
        }
        definitions_["LanguageStringSet"] = {
            {"description",
             "one text per language; a missing language is an empty text, "
             "which the file stores as the English text"},
            {"type", "object"},
            {"properties", std::move(properties)},
            {"additionalProperties", false}};
      }
      return Reference("LanguageStringSet");
    } else if constexpr (std::is_same_v<T, bool>) {
      return {{"type", "boolean"}};
    } else if constexpr (std::is_same_v<T, std::string>) {
      return {{"type", "string"}};
    } else if constexpr (std::is_floating_point_v<T>) {
      if (!definitions_.contains("float")) {
        definitions_["float"] = {
            {"description",
             "a number, or \"NaN\", \"Infinity\" or \"-Infinity\""},
            {"anyOf",
             {{{"type", "number"}},
              {{"enum", {"NaN", "Infinity", "-Infinity"}}}}}};
      }
      return Reference("float");
    } else if constexpr (std::is_integral_v<T>) {
      return {{"type", "integer"},
              {"minimum", std::numeric_limits<T>::min()},
              {"maximum", std::numeric_limits<T>::max()}};
    } else if constexpr (requires { std::tuple_size<T>::value; }) {
      constexpr size_t kSize = std::tuple_size<T>::value;
      return {{"type", "array"},
              {"items", Of<typename T::value_type>()},
              {"minItems", kSize},
              {"maxItems", kSize}};
    } else {
      return {{"type", "array"}, {"items", Of<typename T::value_type>()}};
    }
  }

  static Json Reference(const std::string& name) {
    return {{"$ref", kDefinitions + name}};
  }

 private:
  // The schema of each member, led by what its model says it means.
  class FieldSchemas {
   public:
    FieldSchemas(SchemaBuilder& builder, Json& properties)
        : builder_(builder), properties_(properties) {}

    void Describe(const model::Meaning& meaning) { meaning_ = &meaning; }

    template <typename T>
    void operator()(std::string_view name, const T&) {
      Add(name, builder_.Of<T>());
    }
    void Bytes(std::string_view name, const std::string&) {
      Add(name, {{"type", "string"}, {"pattern", "^([0-9A-Fa-f]{2})*$"}},
          " (bytes as pairs of hex digits)");
    }
    template <typename T>
    void StoredWhen(bool, std::string_view name, const T&,
                    std::string_view when) {
      Add(name, builder_.Of<T>());
      properties_[std::string(name)]["$comment"] =
          "stored only when " + std::string(when);
    }
    template <typename T>
    void InMemory(std::string_view, const T&) {}
    void Table(std::string_view, const devseries::OutputTable&, bool) {
      Add(kSamplesKey, builder_.Of<devseries::OutputTableSamples>(),
          ", at 256 of the levels: the stored samples");
      properties_[kSamplesKey]["$comment"] =
          "the 256 stored samples of the output table, stored only when " +
          std::string(model::OutputTableText::kStoredWhen);
    }

   private:
    // The member's schema after its description ("description", then
    // the annotations "x-unit", "x-names", "x-layout", "x-refersTo" and
    // "x-range" where the model gives them; the range is the format's,
    // not checked: the form holds whatever a file stores).
    void Add(std::string_view name, Json schema, std::string_view more = {}) {
      Json described = Json::object();
      const model::Meaning& meaning = *meaning_;
      if (!meaning.description.empty()) {
        described["description"] =
            std::string(meaning.description) + std::string(more);
      }
      if (!meaning.unit.empty()) described["x-unit"] = meaning.unit;
      if (!meaning.names.empty()) {
        Json names = Json::object();
        for (const model::EnumName& entry : meaning.names) {
          names[std::to_string(entry.value)] = entry.name;
        }
        described["x-names"] = std::move(names);
      }
      if (!meaning.layout.empty()) described["x-layout"] = meaning.layout;
      if (!meaning.refersTo.empty()) described["x-refersTo"] = meaning.refersTo;
      if (meaning.ranged) {
        described["x-range"] = {{"minimum", Number(meaning.minimum)},
                                {"maximum", Number(meaning.maximum)}};
      }
      for (auto& [key, value] : schema.items()) described[key] = value;
      properties_[std::string(name)] = std::move(described);
    }

    // A whole number as an integer.
    static Json Number(double value) {
      const auto whole = static_cast<std::int64_t>(value);
      return static_cast<double>(whole) == value ? Json(whole) : Json(value);
    }

    SchemaBuilder& builder_;
    Json& properties_;
    const model::Meaning* meaning_ = nullptr;
  };

  Json& definitions_;
};

template <size_t... I>
Json RootProperties(SchemaBuilder& builder, std::index_sequence<I...>) {
  Json properties = Json::object();
  ((properties[std::string(kRootNames[I])] =
        builder.Of<std::variant_alternative_t<I, AnyRecord>>()),
   ...);
  return properties;
}

}  // namespace

Json RecordJsonSchema() {
  Json definitions = Json::object();
  SchemaBuilder builder(definitions);
  Json properties = RootProperties(
      builder, std::make_index_sequence<std::variant_size_v<AnyRecord>>());
  return {{"$schema", "https://json-schema.org/draft/2020-12/schema"},
          {"$id", "urn:devseries:dsrtool:record-json"},
          {"title", "A device-series record file as dsrtool dump prints it"},
          {"description",
           "One object whose single key is the root element of the file "
           "(the record kind) and whose value holds the members the file "
           "stores, by their names."},
          {"type", "object"},
          {"properties", std::move(properties)},
          {"additionalProperties", false},
          {"minProperties", 1},
          {"maxProperties", 1},
          {"$defs", std::move(definitions)}};
}

}  // namespace dsrtool
