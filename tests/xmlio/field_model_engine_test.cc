// The field model's reader and writer on a record made for the test: the
// positional prefix, reader defaults, the optional part by name, the
// writer's conditions, members kept in memory, and the member count that
// makes a forgotten row fail the build.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "devseries/platform/com_codes.h"
#include "devseries/xmlio/dom_element_builder.h"
#include "devseries/xmlio/field_model_internal.h"
#include "tests/support/xml_test_support.h"

namespace {

struct Inner {
  std::int32_t x = 0;
  bool operator==(const Inner&) const = default;
};

struct Toy {
  std::int32_t a = 0;
  std::string b;
  std::array<std::int32_t, 3> slots{};
  std::vector<std::int32_t> list;
  double d = 0;
  bool flag = false;
  std::int32_t kept = 5;
  Inner inner;
  bool operator==(const Toy&) const = default;
};

}  // namespace

namespace devseries::field_model {

template <>
struct Model<Toy> {
  using R = Toy;
  static constexpr std::string_view kElement = "Toy";
  static constexpr auto kFields = std::tuple{
      At("a", &R::a, {"first"}),
      At("b", &R::b, {"second"}),
      At("slots", &R::slots, {"three slots"}, Slots{}),
      Named("list", &R::list, {"values"}, ValueList{.item = "v"}),
      Named("d", &R::d, {"with a reader default"}).ReadDefault(2.5),
      Named("flag", &R::flag, {"written when set"}).WrittenIf([](const R& r) {
        return r.flag;
      }),
      Kept("kept", &R::kept, {"in memory only"}).ReadDefault(7),
      Kept("inner", &R::inner, {"a nested aggregate, one member"}),
  };
};

}  // namespace devseries::field_model

namespace {

using namespace devseries;
using namespace devseries::field_model;

// Arrays, strings, vectors and nested aggregates count as one member each.
static_assert(MemberCount<Toy>() == 8);
static_assert(CoversEveryMember<Toy>());
static_assert(PositionalRowsFirst<Toy>());

constexpr const char* kSlots =
    "<slots><value0>4</value0><value1>5</value1>"
    "<value2>6</value2></slots>";

TEST(FieldModelEngineTest, ReadsPrefixByPositionAndTheRestByName) {
  const struct {
    const char* what;
    std::string xml;
    HRESULT error;
    Toy expected;
  } cases[] = {
      {"every member",
       std::string("<Toy><a>1</a><b>two</b>") + kSlots +
           "<flag>true</flag><d>3.25</d><list><v>8</v>"
           "<v>9</v></list></Toy>",
       0, Toy{1, "two", {4, 5, 6}, {8, 9}, 3.25, true, 7, {}}},
      {"optional part absent: reader defaults",
       std::string("<Toy><a>1</a><b>two</b>") + kSlots + "</Toy>", 0,
       Toy{1, "two", {4, 5, 6}, {}, 2.5, false, 7, {}}},
      {"prefix names not checked; unknown and repeated children",
       std::string("<Toy><x>1</x><y>two</y>") + kSlots +
           "<unknown>0</unknown><d>1</d><d>4.5</d><list><v>1</v></list>"
           "<list><v>2</v></list></Toy>",
       0, Toy{1, "two", {4, 5, 6}, {1, 2}, 4.5, false, 7, {}}},
      {"a comment takes a place in the prefix",
       std::string("<Toy><a>1</a><!--c--><b>two</b>") + kSlots + "</Toy>",
       platform::E_POINTER, Toy{1, "c", {}, {}, 0, false, 5, {}}},
      {"prefix cut short", "<Toy><a>1</a></Toy>", platform::E_POINTER,
       Toy{1, "", {}, {}, 0, false, 5, {}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    DomDocument doc;
    Toy read;
    EXPECT_EQ(xml_test::ComErrorOf(
                  [&] { ReadRecord(xml_test::Parse(doc, c.xml), read); }),
              c.error);
    EXPECT_EQ(read, c.expected);
  }
}

TEST(FieldModelEngineTest, WritesStoredRowsInOrderWhenTheirConditionHolds) {
  Toy toy{1, "two", {4, 5, 6}, {8}, 3.25, false, 9, {3}};
  auto written = [&] {
    return xml_test::WrittenXml([&](DomDocument& doc) {
      return BuildElement(
          doc, [&](DomElementBuilder& out) { WriteRecord(out, toy); });
    });
  };
  EXPECT_EQ(written(),
            "<Toy><a>1</a><b>two</b><slots><value0>4</value0><value1>5"
            "</value1><value2>6</value2></slots><list><v>8</v></list>"
            "<d>3.250</d></Toy>");
  toy.flag = true;
  EXPECT_NE(written().find("<d>3.250</d><flag>true</flag></Toy>"),
            std::string::npos);
}

}  // namespace
