// The XML Schema of record kinds, made from their field models.
//
// Each record kind is one complex type named after its element: its stored
// members in the writer's order, each typed by its codec. A member may be
// absent where the writer has a condition for it or where files of other
// writers lack it. The kinds' own codecs (Encoding::kCustom) are described
// by a specialisation of CodecSchema each, which the program that makes a
// schema gives; a custom codec without one does not compile.
//
// A member's description travels as xs:documentation rather than as a
// comment: schema-aware editors show it beside the element, and it stays
// part of the schema for tools that read one. Comments hold the notes of the
// schema itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "devseries/xmlio/field_model_internal.h"
#include "devseries/xmlio/language_string_set.h"
#include "devseries/xmlio/time_stamp_model_internal.h"

namespace devseries::xsd_gen {

// A model that cannot be described.
struct SchemaError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct Attribute {
  std::string_view name;
  std::string value;
};
using Attributes = std::vector<Attribute>;

// Schema text: lines indented two spaces per level. A start tag that would
// pass column 80 continues on the next line, its further attributes under
// the first; comments and documentation wrap before column 80.
class Text {
 public:
  explicit Text(int depth) : depth_(depth) {}

  // <tag attributes>, and one level deeper.
  void Open(std::string_view tag, const Attributes& attributes = {});
  void Close(std::string_view tag);
  // <tag attributes/>.
  void Empty(std::string_view tag, const Attributes& attributes);
  // <!-- text -->, further lines under the text's first.
  void Comment(std::string_view text);
  // The xs:annotation of the element just opened; nothing for an empty
  // `text`.
  void Documentation(std::string_view text);
  // `words` after `first`, broken at blanks before column 80; each further
  // line starts with `further`, and `end` closes the last.
  void Wrapped(const std::string& first, std::string_view words,
               const std::string& further, std::string_view end);
  void Verbatim(std::string_view text) { text_ += text; }

  const std::string& str() const { return text_; }

 private:
  std::string Indent() const;
  void Tag(std::string_view tag, const Attributes& attributes,
           std::string_view end);

  std::string text_;
  int depth_;
};

// A type name from an element name: "screenOption" gives "ScreenOption".
std::string TypeName(std::string_view element);

// What a row's meaning says, in one line: the description, its unit, range,
// enumeration names and layout, and the member it refers to.
std::string Describe(const field_model::Meaning& meaning);

// The element the schema describes for a row: its name, what its
// documentation says, and whether it may be absent.
struct Element {
  std::string name;
  std::string documentation;
  bool optional = false;

  // Adds a clause to the documentation.
  void Note(std::string_view note);
  Attributes Typed(std::string type) const;
  Attributes Untyped() const;
};

// The type of a numbered value list (entries item0, item1, ...), by the
// name its entries are numbered from.
struct NumberedListType {
  std::string_view item;
  std::string_view type;
};
// How many entry names of a numbered list the schema checks; further
// entries are taken whatever their names, as the reader takes them.
inline constexpr size_t kCheckedEntryNames = 24;

template <typename Codec>
struct CodecSchema;

// The definitions a schema's roots reach, each once, in the order they are
// completed (each after those it uses).
class Schema {
 public:
  explicit Schema(std::span<const NumberedListType> numberedLists = {})
      : numberedLists_(numberedLists) {}

  // Defines `key` ("type Name", "group Name") as what `make` writes at the
  // top level. A key defined before must come with the same text; another
  // raises SchemaError.
  void Define(const std::string& key, const std::function<void(Text&)>& make);
  // The definitions, each after a blank line.
  std::string Definitions() const;

  // The type of the elements holding a plain member of type T.
  template <typename T>
  std::string ValueType();

  // The complex type of Record's element: its members, then what
  // `attributes(text)` adds.
  template <typename Record, typename AddAttributes>
  std::string RecordType(AddAttributes attributes);
  template <typename Record>
  std::string RecordType() {
    return RecordType<Record>([](Text&) {});
  }

  // The element of a row; none for a member kept in memory or stored
  // through another's element.
  template <typename Row>
  void Member(Text& out, const Row& row);

  // The element, of a named type.
  void Typed(Text& out, const Element& element, const std::string& type);
  // The element, with a complex type of its own whose content `body`
  // writes.
  template <typename Body>
  void Inline(Text& out, const Element& element, Body body) {
    out.Open("xs:element", element.Untyped());
    out.Documentation(element.documentation);
    out.Open("xs:complexType");
    body(out);
    out.Close("xs:complexType");
    out.Close("xs:element");
  }

 private:
  template <typename Record>
  void Members(Text& out);
  template <typename Row>
  void Stored(Text& out, const Row& row);
  // The element holding `item` elements, from `minimum` to `maximum` of
  // them ("unbounded": any number).
  void Items(Text& out, const Element& element, const std::string& item,
             const std::string& type, const std::string& minimum,
             const std::string& maximum);
  // A table of `slots` elements item0, item1, ... (a type of its own).
  std::string NumberedSlotsType(const std::string& item,
                                const std::string& type, size_t slots);
  // A list of entries item0, item1, ... (a type of its own).
  std::string NumberedEntriesType(const std::string& item,
                                  const std::string& type);

  std::span<const NumberedListType> numberedLists_;
  std::vector<std::pair<std::string, std::string>> definitions_;
};

// A required attribute that the writer adds to a record's element.
void RequiredAttribute(Text& out, std::string_view name, std::string type,
                       std::string_view documentation);

// A root element of the schema.
struct Root {
  std::string element;
  std::string type;
};
template <typename Record>
Root RootOf(Schema& schema) {
  return {std::string(field_model::Model<Record>::kElement),
          schema.RecordType<Record>()};
}

// The schema document: the XML declaration, the comment `about` (lines
// indented by two, each ending with a line break) followed by a sentence
// that names the roots, the fixed value types, the definitions and the root
// elements.
std::string SchemaDocument(std::string_view about, const Schema& schema,
                           std::span<const Root> roots);

// ------------------------------------------------------------ templates

template <typename T>
std::string Schema::ValueType() {
  if constexpr (std::is_same_v<T, bool>) {
    return "Bool";
  } else if constexpr (std::is_same_v<T, std::int32_t>) {
    return "Int";
  } else if constexpr (std::is_same_v<T, std::uint8_t>) {
    return "Byte";
  } else if constexpr (std::is_same_v<T, std::uint16_t>) {
    return "Word";
  } else if constexpr (std::is_floating_point_v<T>) {
    return "Float";
  } else if constexpr (std::is_same_v<T, std::string>) {
    return "Text";
  } else if constexpr (std::is_same_v<T, LanguageStringSet>) {
    return "LanguageStringSet";
  } else if constexpr (std::is_same_v<T, TimeStamp>) {
    return RecordType<TimeStamp>();
  } else {
    static_assert(sizeof(T) == 0, "a plain member of a type without one");
  }
}

template <typename Record, typename AddAttributes>
std::string Schema::RecordType(AddAttributes attributes) {
  const std::string name = TypeName(field_model::Model<Record>::kElement);
  Define("type " + name, [&](Text& out) {
    out.Open("xs:complexType", {{"name", name}});
    Members<Record>(out);
    attributes(out);
    out.Close("xs:complexType");
  });
  return name;
}

template <typename Record>
void Schema::Members(Text& out) {
  out.Open("xs:sequence");
  field_model::ForEachField<Record>([&](const auto& row) { Member(out, row); });
  out.Close("xs:sequence");
}

template <typename Row>
void Schema::Member(Text& out, const Row& row) {
  using Codec = typename Row::CodecType;
  if constexpr (!std::is_same_v<Codec, field_model::NotStored> &&
                !std::is_same_v<Codec, field_model::Implied>) {
    Stored(out, row);
  }
}

template <typename Row>
void Schema::Stored(Text& out, const Row& row) {
  namespace fm = field_model;
  using Codec = typename Row::CodecType;
  using M = typename Row::MemberType;
  Element element{std::string(row.name), Describe(row.meaning)};
  element.optional = row.writeIf != nullptr || !row.absentFrom.empty();
  if (!row.storedWhen.empty()) {
    element.Note("written only when " + std::string(row.storedWhen));
  } else if (row.writeIf != nullptr) {
    element.Note(
        "left out when it holds what a reader gives it in its "
        "absence");
  }
  if (!row.absentFrom.empty()) {
    element.Note("absent from " + std::string(row.absentFrom));
  }

  if constexpr (std::is_same_v<Codec, fm::Plain>) {
    Typed(out, element, ValueType<M>());
  } else if constexpr (std::is_same_v<Codec, fm::IntegerAsDecimal>) {
    element.Note("an integer written in the float form");
    Typed(out, element, "Float");
  } else if constexpr (std::is_same_v<Codec, fm::DecimalAsInteger>) {
    Typed(out, element, "Int");
  } else if constexpr (std::is_same_v<Codec, fm::IntegerAsBoolean>) {
    element.Note("true for 1, false for any other value");
    Typed(out, element, "Bool");
  } else if constexpr (std::is_same_v<Codec, fm::EscapedText>) {
    Typed(out, element, "EscapedBytes");
  } else if constexpr (std::is_same_v<Codec, fm::Slots>) {
    constexpr size_t kSlots = std::tuple_size_v<M>;
    const std::string type = ValueType<typename M::value_type>();
    const std::string item(row.codec.item);
    if (row.codec.numbered) {
      Typed(out, element, NumberedSlotsType(item, type, kSlots));
    } else {
      const std::string count = std::to_string(kSlots);
      Items(out, element, item, type, count, count);
    }
  } else if constexpr (std::is_same_v<Codec, fm::ValueList>) {
    const std::string type = ValueType<typename M::value_type>();
    const std::string item(row.codec.item);
    if (row.codec.numbered) {
      Typed(out, element, NumberedEntriesType(item, type));
    } else {
      Items(out, element, item, type, "0", "unbounded");
    }
  } else if constexpr (std::is_same_v<Codec, fm::NestedRecord>) {
    Typed(out, element, RecordType<M>());
  } else if constexpr (std::is_same_v<Codec, fm::RecordList>) {
    using Entry = typename M::value_type;
    Items(out, element, std::string(fm::Model<Entry>::kElement),
          RecordType<Entry>(), "0", "unbounded");
  } else if constexpr (std::is_same_v<Codec, fm::RecordSlots>) {
    // The entries of a fixed table of records are described in place.
    using Entry = typename M::value_type;
    const std::string count = std::to_string(std::tuple_size_v<M>);
    Inline(out, element, [&](Text& body) {
      body.Open("xs:sequence");
      body.Open("xs:element",
                {{"name", std::string(fm::Model<Entry>::kElement)},
                 {"minOccurs", count},
                 {"maxOccurs", count}});
      body.Open("xs:complexType");
      Members<Entry>(body);
      body.Close("xs:complexType");
      body.Close("xs:element");
      body.Close("xs:sequence");
    });
  } else {
    CodecSchema<Codec>::template Describe<Row>(*this, out, element);
  }
}

}  // namespace devseries::xsd_gen
