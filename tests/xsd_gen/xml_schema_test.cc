// The XML Schema made from a field model, on record kinds of the test's
// own: the type each codec gives and the documentation each row carries,
// that the writer's output validates and what may be absent, and the models
// a schema cannot describe.
#include "tools/xsd_gen/xml_schema.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "devseries/xmlio/dom_creator.h"
#include "devseries/xmlio/dom_element_builder.h"
#include "tests/support/temp_dir.h"
#include "tests/support/xml_test_support.h"

namespace {

struct Entry {
  std::int32_t n = 0;
};

struct Sample {
  std::int32_t nIndex = 0;
  std::uint8_t byLevel = 0;
  std::uint16_t wCount = 0;
  double dWidth = 0;
  std::int32_t nAsDecimal = 0;
  std::int32_t nAsInteger = 0;
  std::int32_t nAsBoolean = 0;
  std::string strCommand;
  std::array<float, 2> afTable{};
  std::array<std::int32_t, 3> anSlots{};
  std::vector<std::string> astrTexts;
  Entry entry;
  std::vector<Entry> aEntries;
  std::array<Entry, 2> aFixed{};
  std::string strOptional;
  std::string strWhenFirst;
  devseries::LanguageStringSet strNames;
  std::int32_t nMemory = 0;
  std::int32_t nSpace = 0;
};

struct Angles {
  std::vector<float> flDegrees;
};

// Two numbered tables of one size whose values differ in type.
struct Unfit {
  std::array<std::int32_t, 3> anFirst{};
  std::array<float, 3> afSecond{};
};

}  // namespace

namespace devseries::field_model {

inline constexpr EnumName kLevelNames[] = {{0, "low"}, {1, "high"}};

template <>
struct Model<Entry> {
  static constexpr std::string_view kElement = "entry";
  static constexpr auto kFields = std::tuple{At("n", &Entry::n, {})};
};

template <>
struct Model<Sample> {
  using R = Sample;
  static constexpr std::string_view kElement = "Sample";
  static constexpr auto kFields = std::tuple{
      At("nIndex", &R::nIndex, Ranged("the index", "mm", 0, 9)),
      At("byLevel", &R::byLevel,
         {.description = "a level",
          .names = kLevelNames,
          .refersTo = "aLevels[].byLevel",
          .layout = "bit 0: high"}),
      At("wCount", &R::wCount, {}),
      At("dWidth", &R::dWidth, {"a <width> & more"}),
      At("nAsDecimal", &R::nAsDecimal, {}, IntegerAsDecimal{}),
      At("nAsInteger", &R::nAsInteger, {}, DecimalAsInteger{}),
      At("nAsBoolean", &R::nAsBoolean, {}, IntegerAsBoolean{}),
      At("strCommand", &R::strCommand, {}, EscapedText{}),
      At("afTable", &R::afTable, {}, Slots{.item = "f", .numbered = false}),
      At("anSlots", &R::anSlots, {}, Slots{}),
      At("astrTexts", &R::astrTexts, {}, ValueList{.item = "text"}),
      At("entry", &R::entry, {}, NestedRecord{}),
      At("aEntries", &R::aEntries, {}, RecordList{}),
      At("aFixed", &R::aFixed, {}, RecordSlots{}),
      Named("strOptional", &R::strOptional, {})
          .WrittenIf(NotEmpty<R, &R::strOptional>),
      Named("strWhenFirst", &R::strWhenFirst, {})
          .StoredOnlyWhen([](const R& r) { return r.nIndex == 1; },
                          "nIndex is 1"),
      Named("strNames", &R::strNames, {}).AbsentFrom("files of older writers"),
      Kept("nMemory", &R::nMemory, {"in memory only"}),
      ImpliedBy("nSpace", &R::nSpace, {"stored as another's name"}),
  };
};

template <>
struct Model<Angles> {
  static constexpr std::string_view kElement = "Angles";
  static constexpr auto kFields = std::tuple{
      Named("flDegrees", &Angles::flDegrees, {},
            ValueList{.item = "flDegree", .numbered = true}),
  };
};

template <>
struct Model<Unfit> {
  static constexpr std::string_view kElement = "Unfit";
  static constexpr auto kFields =
      std::tuple{At("anFirst", &Unfit::anFirst, {}, Slots{}),
                 At("afSecond", &Unfit::afSecond, {}, Slots{})};
};

}  // namespace devseries::field_model

namespace {

using namespace devseries;
using namespace devseries::xsd_gen;
using tovra::testing::ScopedTempDir;
using tovra::testing::WriteFileBytes;

constexpr NumberedListType kAngles[] = {{"flDegree", "ScreenAngles"}};

TEST(XmlSchemaTest, EachRowIsTypedByItsCodecInTheWritersOrder) {
  Schema schema;
  EXPECT_EQ(schema.RecordType<Sample>(), "Sample");
  EXPECT_EQ(schema.Definitions(), R"(
  <!-- A table of 3 slots named value0 to value2. -->
  <xs:complexType name="NumberedSlots3">
    <xs:sequence>
      <xs:element name="value0" type="Int"/>
      <xs:element name="value1" type="Int"/>
      <xs:element name="value2" type="Int"/>
    </xs:sequence>
  </xs:complexType>

  <xs:complexType name="Entry">
    <xs:sequence>
      <xs:element name="n" type="Int"/>
    </xs:sequence>
  </xs:complexType>

  <xs:complexType name="Sample">
    <xs:sequence>
      <xs:element name="nIndex" type="Int">
        <xs:annotation>
          <xs:documentation>the index [mm]; range 0 to 9</xs:documentation>
        </xs:annotation>
      </xs:element>
      <xs:element name="byLevel" type="Byte">
        <xs:annotation>
          <xs:documentation>a level; 0: low; 1: high; layout: bit 0: high;
            refers to aLevels[].byLevel</xs:documentation>
        </xs:annotation>
      </xs:element>
      <xs:element name="wCount" type="Word"/>
      <xs:element name="dWidth" type="Float">
        <xs:annotation>
          <xs:documentation>a &lt;width&gt; &amp; more</xs:documentation>
        </xs:annotation>
      </xs:element>
      <xs:element name="nAsDecimal" type="Float">
        <xs:annotation>
          <xs:documentation>an integer written in the float
            form</xs:documentation>
        </xs:annotation>
      </xs:element>
      <xs:element name="nAsInteger" type="Int"/>
      <xs:element name="nAsBoolean" type="Bool">
        <xs:annotation>
          <xs:documentation>true for 1, false for any other
            value</xs:documentation>
        </xs:annotation>
      </xs:element>
      <xs:element name="strCommand" type="EscapedBytes"/>
      <xs:element name="afTable">
        <xs:complexType>
          <xs:sequence>
            <xs:element name="f" type="Float" minOccurs="2" maxOccurs="2"/>
          </xs:sequence>
        </xs:complexType>
      </xs:element>
      <xs:element name="anSlots" type="NumberedSlots3"/>
      <xs:element name="astrTexts">
        <xs:complexType>
          <xs:sequence>
            <xs:element name="text" type="Text" minOccurs="0"
                        maxOccurs="unbounded"/>
          </xs:sequence>
        </xs:complexType>
      </xs:element>
      <xs:element name="entry" type="Entry"/>
      <xs:element name="aEntries">
        <xs:complexType>
          <xs:sequence>
            <xs:element name="entry" type="Entry" minOccurs="0"
                        maxOccurs="unbounded"/>
          </xs:sequence>
        </xs:complexType>
      </xs:element>
      <xs:element name="aFixed">
        <xs:complexType>
          <xs:sequence>
            <xs:element name="entry" minOccurs="2" maxOccurs="2">
              <xs:complexType>
                <xs:sequence>
                  <xs:element name="n" type="Int"/>
                </xs:sequence>
              </xs:complexType>
            </xs:element>
          </xs:sequence>
        </xs:complexType>
      </xs:element>
      <xs:element name="strOptional" type="Text" minOccurs="0">
        <xs:annotation>
          <xs:documentation>left out when it holds what a reader gives it in its
            absence</xs:documentation>
        </xs:annotation>
      </xs:element>
      <xs:element name="strWhenFirst" type="Text" minOccurs="0">
        <xs:annotation>
          <xs:documentation>written only when nIndex is 1</xs:documentation>
        </xs:annotation>
      </xs:element>
      <xs:element name="strNames" type="LanguageStringSet" minOccurs="0">
        <xs:annotation>
          <xs:documentation>absent from files of older
            writers</xs:documentation>
        </xs:annotation>
      </xs:element>
    </xs:sequence>
  </xs:complexType>
)");
}

// The schema of `Record` alone, as a file in `dir`.
template <typename Record>
std::string SchemaFile(const ScopedTempDir& dir) {
  Schema schema(kAngles);
  const Root roots[] = {RootOf<Record>(schema)};
  const std::string path = dir.File("schema.xsd");
  WriteFileBytes(path, SchemaDocument("", schema, roots));
  return path;
}

// Whether the text of `record`'s element, edited by `edit`, validates
// against `schemaPath`.
template <typename Record>
bool Validates(const ScopedTempDir& dir, const std::string& schemaPath,
               const Record& record,
               const std::function<std::string(std::string)>& edit) {
  DomDocument doc;
  doc.AppendChild(BuildElement(doc, [&](DomElementBuilder& out) {
    field_model::WriteRecord(out, record);
  }));
  const std::string path = dir.File("record.xml");
  WriteFileBytes(path, edit(doc.ToXml()));
  MSXMLDOMCreator creator;
  creator.LoadValidatedDocument(path, schemaPath);
  return !creator.m_bLoadFailed;
}

// `text` without its first element `name`.
std::string Without(std::string text, const std::string& name) {
  const size_t from = text.find("<" + name);
  const size_t startEnd = text.find('>', from) + 1;
  const size_t to = text[startEnd - 2] == '/'
                        ? startEnd
                        : text.find("</" + name + ">", from) + name.size() + 3;
  return text.erase(from, to - from);
}

// `text` with every tag of the element `name` naming `to` instead.
std::string Renamed(std::string text, const std::string& name,
                    const std::string& to) {
  for (const std::string& tag : {"<" + name + ">", "</" + name + ">"}) {
    const size_t at = text.find(tag);
    text.replace(at, tag.size(),
                 tag.substr(0, tag.size() - name.size() - 1) + to + ">");
  }
  return text;
}

TEST(XmlSchemaTest, AcceptsWhatTheWriterWritesAndWhatFilesMayLack) {
  ScopedTempDir dir;
  const std::string schema = SchemaFile<Sample>(dir);
  Sample first;
  first.nIndex = 1;
  first.strOptional = "set";
  first.astrTexts = {"a", "b"};
  first.aEntries.resize(3);
  const auto same = [](std::string text) { return text; };
  const struct {
    const char* what;
    Sample record;
    std::function<std::string(std::string)> edit;
    bool valid;
  } cases[] = {
      {"every optional member left out", Sample{}, same, true},
      {"every optional member written", first, same, true},
      {"a member older writers lacked, absent", first,
       [](std::string t) { return Without(t, "strNames"); }, true},
      {"a member always written, absent", Sample{},
       [](std::string t) { return Without(t, "wCount"); }, false},
      {"a slot too many", Sample{},
       [](std::string t) {
         return t.insert(t.find("</afTable>"), "<f>1.000</f>");
       },
       false},
      {"a value of another form", Sample{},
       [](std::string t) {
         return t.replace(t.find("<nAsDecimal>0.000<"), 17, "<nAsDecimal>0");
       },
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Validates(dir, schema, c.record, c.edit), c.valid);
  }
}

TEST(XmlSchemaTest, NumberedEntriesComeInOrderAndOnlyTheFirstNamesCount) {
  ScopedTempDir dir;
  const std::string schema = SchemaFile<Angles>(dir);
  const auto same = [](std::string text) { return text; };
  const struct {
    const char* what;
    size_t angles;
    std::function<std::string(std::string)> edit;
    bool valid;
  } cases[] = {
      {"none", 0, same, true},
      {"more than the checked names", kCheckedEntryNames + 6, same, true},
      {"a gap", 3, [](std::string t) { return Without(t, "flDegree1"); },
       false},
      {"a wrong name among the first", 3,
       [](std::string t) { return Renamed(t, "flDegree2", "flDegreeX"); },
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Angles angles;
    angles.flDegrees.assign(c.angles, 15.0f);
    EXPECT_EQ(Validates(dir, schema, angles, c.edit), c.valid);
  }
}

TEST(XmlSchemaTest, RefusesModelsItCannotDescribe) {
  const struct {
    const char* what;
    std::function<void()> describe;
    std::string message;
  } cases[] = {
      {"two tables of one name, different values",
       [] { Schema().RecordType<Unfit>(); },
       "two different definitions of the type NumberedSlots3"},
      {"a numbered list without a type name",
       [] { Schema().RecordType<Angles>(); },
       "no type is named for the numbered list of flDegree"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      c.describe();
      ADD_FAILURE() << "no error";
    } catch (const SchemaError& error) {
      EXPECT_EQ(error.what(), c.message);
    }
  }
}

}  // namespace
