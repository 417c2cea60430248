#include "tools/xsd_gen/xml_schema.h"

#include <charconv>

namespace devseries::xsd_gen {

namespace {

constexpr size_t kLineLimit = 80;

std::string Escaped(std::string_view text) {
  std::string escaped;
  for (const char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

std::string Number(double value) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

// "  <!-- ====...==== title -->", 78 columns wide.
std::string Banner(std::string_view title) {
  constexpr size_t kWidth = 78;
  const size_t fixed = std::string_view("  <!--  -->").size() + title.size();
  return "  <!-- " + std::string(kWidth - fixed - 1, '=') + " " +
         std::string(title) + " -->\n";
}

// The value types of the format, which every record kind's members use.
constexpr std::string_view kValues =
    R"xsd(  <!-- A 32-bit integer, written in decimal without leading zeros. -->
  <xs:simpleType name="Int">
    <xs:restriction base="xs:int">
      <xs:pattern value="0|-?[1-9][0-9]*"/>
    </xs:restriction>
  </xs:simpleType>

  <!-- An 8-bit or 16-bit unsigned field of a colour or a time stamp. -->
  <xs:simpleType name="Byte">
    <xs:restriction base="xs:unsignedByte">
      <xs:pattern value="0|[1-9][0-9]*"/>
    </xs:restriction>
  </xs:simpleType>
  <xs:simpleType name="Word">
    <xs:restriction base="xs:unsignedShort">
      <xs:pattern value="0|[1-9][0-9]*"/>
    </xs:restriction>
  </xs:simpleType>

  <!-- A float of any width: fixed point with exactly three decimals (a value
       that is not a number or is infinite is written as the C library
       prints it). -->
  <xs:simpleType name="Float">
    <xs:restriction base="xs:string">
      <xs:pattern value="-?([0-9]+\.[0-9]{3}|nan|inf)"/>
    </xs:restriction>
  </xs:simpleType>

  <xs:simpleType name="Bool">
    <xs:restriction base="xs:string">
      <xs:enumeration value="true"/>
      <xs:enumeration value="false"/>
    </xs:restriction>
  </xs:simpleType>

  <xs:simpleType name="Text">
    <xs:restriction base="xs:string"/>
  </xs:simpleType>

  <!-- A printer command string: printable ASCII other than " & ' < > \
       stays, every other byte is \x and two upper-case hex digits. (The
       character ranges avoid escaped range ends, which libxml2 misreads.) -->
  <xs:simpleType name="EscapedBytes">
    <xs:restriction base="xs:string">
      <xs:pattern value="([ !#-%(-;=?-Z\[\]^-~]|\\x[0-9A-F]{2})*"/>
    </xs:restriction>
  </xs:simpleType>

  <!-- An output table: empty, or its 256 samples (512 bytes) in Base64. -->
  <xs:simpleType name="OutputTableText">
    <xs:restriction base="xs:string">
      <xs:pattern value="([A-Za-z0-9+/]{683}=)?"/>
    </xs:restriction>
  </xs:simpleType>

  <xs:simpleType name="Version">
    <xs:restriction base="xs:string">
      <xs:pattern value="-?[0-9]+\.-?[0-9]+\.-?[0-9]+\.-?[0-9]+"/>
    </xs:restriction>
  </xs:simpleType>

  <!-- One text per user-interface language, in the string table's order. -->
  <xs:complexType name="LanguageStringSet">
    <xs:sequence>
      <xs:element name="English" type="Text"/>
      <xs:element name="French" type="Text"/>
      <xs:element name="German" type="Text"/>
      <xs:element name="Italian" type="Text"/>
      <xs:element name="Spanish" type="Text"/>
      <xs:element name="Portuguese" type="Text"/>
      <xs:element name="Japanese" type="Text"/>
      <xs:element name="Chinese_Simplified" type="Text"/>
      <xs:element name="Chinese_Traditional" type="Text"/>
      <xs:element name="Korean" type="Text"/>
      <xs:element name="Russian" type="Text"/>
      <xs:element name="Turkish" type="Text"/>
      <xs:element name="Arabic" type="Text"/>
    </xs:sequence>
  </xs:complexType>
)xsd";

}  // namespace

// ------------------------------------------------------------------ text

void Text::Open(std::string_view tag, const Attributes& attributes) {
  Tag(tag, attributes, ">");
  ++depth_;
}

void Text::Close(std::string_view tag) {
  --depth_;
  text_ += Indent() + "</" + std::string(tag) + ">\n";
}

void Text::Empty(std::string_view tag, const Attributes& attributes) {
  Tag(tag, attributes, "/>");
}

void Text::Comment(std::string_view text) {
  Wrapped(Indent() + "<!-- ", text, Indent() + "     ", " -->");
}

void Text::Documentation(std::string_view text) {
  if (text.empty()) return;
  Open("xs:annotation");
  Wrapped(Indent() + "<xs:documentation>", Escaped(text), Indent() + "  ",
          "</xs:documentation>");
  Close("xs:annotation");
}

void Text::Wrapped(const std::string& first, std::string_view words,
                   const std::string& further, std::string_view end) {
  std::string line = first;
  bool empty = true;
  size_t at = 0;
  while (at < words.size()) {
    size_t next = words.find(' ', at);
    if (next == std::string_view::npos) next = words.size();
    const std::string_view word = words.substr(at, next - at);
    const size_t tail = next == words.size() ? end.size() : 0;
    if (!empty && line.size() + 1 + word.size() + tail > kLineLimit) {
      text_ += line + "\n";
      line = further;
      empty = true;
    }
    if (!empty) line += ' ';
    line += word;
    empty = false;
    at = next + 1;
  }
  text_ += line + std::string(end) + "\n";
}

std::string Text::Indent() const { return std::string(2 * depth_, ' '); }

void Text::Tag(std::string_view tag, const Attributes& attributes,
               std::string_view end) {
  std::string line = Indent() + "<" + std::string(tag);
  const size_t under = line.size() + 1;
  for (size_t i = 0; i < attributes.size(); ++i) {
    const std::string attribute = std::string(attributes[i].name) + "=\"" +
                                  Escaped(attributes[i].value) + "\"";
    const size_t tail = i + 1 == attributes.size() ? end.size() : 0;
    if (i > 0 && line.size() + 1 + attribute.size() + tail > kLineLimit) {
      text_ += line + "\n";
      line = std::string(under, ' ') + attribute;
    } else {
      line += " " + attribute;
    }
  }
  text_ += line + std::string(end) + "\n";
}

// ------------------------------------------------------------- elements

std::string TypeName(std::string_view element) {
  std::string name(element);
  if (!name.empty() && name[0] >= 'a' && name[0] <= 'z') name[0] -= 'a' - 'A';
  return name;
}

std::string Describe(const field_model::Meaning& meaning) {
  Element described{"", std::string(meaning.description)};
  if (!meaning.unit.empty()) {
    described.documentation += " [" + std::string(meaning.unit) + "]";
  }
  if (meaning.ranged) {
    described.Note("range " + Number(meaning.minimum) + " to " +
                   Number(meaning.maximum));
  }
  for (const field_model::EnumName& name : meaning.names) {
    described.Note(std::to_string(name.value) + ": " + std::string(name.name));
  }
  if (!meaning.layout.empty()) {
    described.Note("layout: " + std::string(meaning.layout));
  }
  if (!meaning.refersTo.empty()) {
    described.Note("refers to " + std::string(meaning.refersTo));
  }
  return described.documentation;
}

void Element::Note(std::string_view note) {
  if (!documentation.empty()) documentation += "; ";
  documentation += note;
}

Attributes Element::Typed(std::string type) const {
  Attributes attributes{{"name", name}, {"type", std::move(type)}};
  if (optional) attributes.push_back({"minOccurs", "0"});
  return attributes;
}

Attributes Element::Untyped() const {
  Attributes attributes{{"name", name}};
  if (optional) attributes.push_back({"minOccurs", "0"});
  return attributes;
}

// --------------------------------------------------------------- schema

void Schema::Define(const std::string& key,
                    const std::function<void(Text&)>& make) {
  Text text(1);
  make(text);
  for (const auto& [defined, body] : definitions_) {
    if (defined != key) continue;
    if (body != text.str()) {
      throw SchemaError("two different definitions of the " + key);
    }
    return;
  }
  definitions_.emplace_back(key, text.str());
}

std::string Schema::Definitions() const {
  std::string text;
  for (const auto& definition : definitions_) {
    text += "\n" + definition.second;
  }
  return text;
}

void Schema::Typed(Text& out, const Element& element, const std::string& type) {
  if (element.documentation.empty()) {
    out.Empty("xs:element", element.Typed(type));
    return;
  }
  out.Open("xs:element", element.Typed(type));
  out.Documentation(element.documentation);
  out.Close("xs:element");
}

void Schema::Items(Text& out, const Element& element, const std::string& item,
                   const std::string& type, const std::string& minimum,
                   const std::string& maximum) {
  Inline(out, element, [&](Text& body) {
    body.Open("xs:sequence");
    body.Empty("xs:element", {{"name", item},
                              {"type", type},
                              {"minOccurs", minimum},
                              {"maxOccurs", maximum}});
    body.Close("xs:sequence");
  });
}

std::string Schema::NumberedSlotsType(const std::string& item,
                                      const std::string& type, size_t slots) {
  const std::string name =
      (item == "value" ? "NumberedSlots" : TypeName(item) + "Slots") +
      std::to_string(slots);
  Define("type " + name, [&](Text& text) {
    text.Comment("A table of " + std::to_string(slots) + " slots named " +
                 item + "0 to " + item + std::to_string(slots - 1) + ".");
    text.Open("xs:complexType", {{"name", name}});
    text.Open("xs:sequence");
    for (size_t i = 0; i < slots; ++i) {
      text.Empty("xs:element",
                 {{"name", item + std::to_string(i)}, {"type", type}});
    }
    text.Close("xs:sequence");
    text.Close("xs:complexType");
  });
  return name;
}

// A chain of groups, each one entry followed, optionally, by the group of
// the next: the entries come in order, without gaps.
std::string Schema::NumberedEntriesType(const std::string& item,
                                        const std::string& type) {
  std::string name;
  for (const NumberedListType& known : numberedLists_) {
    if (known.item == item) name = known.type;
  }
  if (name.empty()) {
    throw SchemaError("no type is named for the numbered list of " + item);
  }
  const auto group = [&](size_t i) {
    return name + "From" + std::to_string(i);
  };
  Define("type " + name, [&](Text& text) {
    text.Comment("The entries " + item + "0, " + item +
                 "1, ... in order: each group is one entry followed, "
                 "optionally, by the next. The first " +
                 std::to_string(kCheckedEntryNames) +
                 " names are checked; the schema takes further entries "
                 "without checking their names.");
    text.Open("xs:complexType", {{"name", name}});
    text.Open("xs:sequence");
    text.Empty("xs:group", {{"ref", group(0)}, {"minOccurs", "0"}});
    text.Close("xs:sequence");
    text.Close("xs:complexType");
  });
  for (size_t i = 0; i < kCheckedEntryNames; ++i) {
    Define("group " + group(i), [&](Text& text) {
      text.Open("xs:group", {{"name", group(i)}});
      text.Open("xs:sequence");
      text.Empty("xs:element",
                 {{"name", item + std::to_string(i)}, {"type", type}});
      if (i + 1 < kCheckedEntryNames) {
        text.Empty("xs:group", {{"ref", group(i + 1)}, {"minOccurs", "0"}});
      } else {
        text.Empty("xs:any", {{"processContents", "skip"},
                              {"minOccurs", "0"},
                              {"maxOccurs", "unbounded"}});
      }
      text.Close("xs:sequence");
      text.Close("xs:group");
    });
  }
  return name;
}

void RequiredAttribute(Text& out, std::string_view name, std::string type,
                       std::string_view documentation) {
  const Attributes attributes{{"name", std::string(name)},
                              {"type", std::move(type)},
                              {"use", "required"}};
  if (documentation.empty()) {
    out.Empty("xs:attribute", attributes);
    return;
  }
  out.Open("xs:attribute", attributes);
  out.Documentation(documentation);
  out.Close("xs:attribute");
}

std::string SchemaDocument(std::string_view about, const Schema& schema,
                           std::span<const Root> roots) {
  Text text(0);
  text.Verbatim("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!--\n");
  text.Verbatim(about);
  std::string sentence = "Roots:";
  for (size_t i = 0; i < roots.size(); ++i) {
    sentence += i == 0                  ? " "
                : i == 1                ? ", and the standalone roots "
                : i + 1 == roots.size() ? " and "
                                        : ", ";
    sentence += roots[i].element;
  }
  text.Wrapped("  ", sentence + ".", "  ", "");
  text.Verbatim("-->\n");
  text.Open("xs:schema", {{"xmlns:xs", "http://www.w3.org/2001/XMLSchema"},
                          {"elementFormDefault", "unqualified"}});
  text.Verbatim("\n" + Banner("values") + "\n");
  text.Verbatim(kValues);
  text.Verbatim("\n" + Banner("records"));
  text.Verbatim(schema.Definitions());
  text.Verbatim("\n" + Banner("roots") + "\n");
  for (const Root& root : roots) {
    text.Empty("xs:element", {{"name", root.element}, {"type", root.type}});
  }
  text.Verbatim("\n");
  text.Close("xs:schema");
  return text.str();
}

}  // namespace devseries::xsd_gen
