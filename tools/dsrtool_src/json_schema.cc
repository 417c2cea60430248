#include "tools/dsrtool_src/json_schema.h"

#include <limits>

#include "tools/dsrtool_src/document_fields.h"
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
      const char* name = RecordFields<T>::kName;
      if (!definitions_.contains(name)) {
        definitions_[name] = Json::object();  // taken, against recursion
        Json properties = Json::object();
        T record{};
        FieldSchemas fields(*this, properties);
        RecordFields<T>::Each(record, fields);
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
  class FieldSchemas {
   public:
    FieldSchemas(SchemaBuilder& builder, Json& properties)
        : builder_(builder), properties_(properties) {}

    template <typename T>
    void operator()(const char* name, const T&) {
      properties_[name] = builder_.Of<T>();
    }
    void Bytes(const char* name, const std::string&) {
      properties_[name] = {{"description", "bytes as pairs of hex digits"},
                           {"type", "string"},
                           {"pattern", "^([0-9A-Fa-f]{2})*$"}};
    }
    template <typename T>
    void StoredWhen(bool, const char* name, const T& member, const char* when) {
      (*this)(name, member);
      properties_[name]["$comment"] = std::string("stored only when ") + when;
    }
    template <typename T>
    void InMemory(const char*, const T&) {}
    void Table(const char*, const devseries::OutputTable&, bool) {
      properties_[kSamplesKey] = builder_.Of<devseries::OutputTableSamples>();
      properties_[kSamplesKey]["$comment"] =
          "the 256 stored samples of the output table, stored only when "
          "eType is 1";
    }

   private:
    SchemaBuilder& builder_;
    Json& properties_;
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
