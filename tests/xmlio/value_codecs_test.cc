// Values in elements: writers, readers and their odd texts, language sets,
// time stamps, escaped byte strings, number text and Base64.
#include "devseries/xmlio/value_codecs.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <stdexcept>

#include "devseries/platform/com_codes.h"
#include "devseries/platform/resources.h"
#include "devseries/xmlio/base64.h"
#include "devseries/xmlio/language_string_set_testing.h"
#include "devseries/xmlio/number_text.h"
#include "devseries/xmlio/read_report.h"
#include "devseries/xmlio/read_session.h"
#include "tests/support/temp_dir.h"

using namespace devseries;

namespace {

// An element whose text is `text`, in a document of its own.
class TextNode {
 public:
  explicit TextNode(const std::string& text)
      : node_(document_.CreateElement("v")) {
    node_.SetText(text);
  }
  DomNode node() const { return node_; }

 private:
  DomDocument document_;
  DomNode node_;
};

TEST(ValueCodecsTest, WrittenTexts) {
  DomDocument document;
  EXPECT_EQ(WriteBoolElement(document, "b", true).GetText(), "true");
  EXPECT_EQ(WriteBoolElement(document, "b", false).GetText(), "false");
  EXPECT_EQ(WriteIntElement(document, "n", 250).GetText(), "250");
  EXPECT_EQ(WriteIntElement(document, "n", -1).GetText(), "-1");
  EXPECT_EQ(WriteIntElement(document, "n", INT32_MIN).GetText(), "-2147483648");
  EXPECT_EQ(WriteFloatElement(document, "f", 0.5, 3).GetText(), "0.500");
  EXPECT_EQ(WriteFloatElement(document, "f", 12, 3).GetText(), "12.000");
  EXPECT_EQ(WriteFloatElement(document, "f", 2.0005, 3).GetText(), "2.001");
  EXPECT_EQ(WriteFloatElement(document, "f", -0.0004, 3).GetText(), "-0.000");
  EXPECT_EQ(WriteFloatElement(document, "f", 1371.6, 3).GetText(), "1371.600");
  EXPECT_EQ(WriteStringElement(document, "s", "M&M <x>").GetText(), "M&M <x>");
  DomNode attribute = WriteIntAttribute(document, "position", 1);
  EXPECT_EQ(attribute.GetNodeType(), platform::NODE_ATTRIBUTE);
  EXPECT_EQ(attribute.GetText(), "1");
}

TEST(ValueCodecsTest, ReadersKeepTheCLibraryRules) {
  struct Case {
    const char* text;
    bool asBool;
    std::int32_t asInt;
    std::int64_t asInt64;
    double asFloat;
  };
  const Case cases[] = {
      {"true", true, 0, 0, 0.0},
      {"True", false, 0, 0, 0.0},
      {"TRUE", false, 0, 0, 0.0},
      {"1", false, 1, 1, 1.0},
      {"", false, 0, 0, 0.0},
      {"12abc", false, 12, 12, 12.0},
      {" -7", false, -7, -7, -7.0},
      {"\t+8", false, 8, 8, 8.0},
      {"1e3", false, 1, 1, 1000.0},
      {"2.9", false, 2, 2, 2.9},
      {"-1.5", false, -1, -1, -1.5},
      {"abc", false, 0, 0, 0.0},
      {"+-5", false, 0, 0, 0.0},
      {".5", false, 0, 0, 0.5},
      {"0x10", false, 0, 0, 16.0},
      {"99999999999", false, INT32_MAX, 99999999999, 99999999999.0},
      {"-99999999999", false, INT32_MIN, -99999999999, -99999999999.0},
      {"99999999999999999999", false, INT32_MAX, INT64_MAX, 1e20},
      {"1e999", false, 1, 1, HUGE_VAL},
      {"1e-999", false, 1, 1, 0.0},
  };
  for (const Case& c : cases) {
    TextNode value(c.text);
    EXPECT_EQ(ReadBoolValue(value.node()), c.asBool) << c.text;
    EXPECT_EQ(ReadIntValue(value.node()), c.asInt) << c.text;
    EXPECT_EQ(ReadInt64Value(value.node()), c.asInt64) << c.text;
    EXPECT_DOUBLE_EQ(ReadFloatValue(value.node()), c.asFloat) << c.text;
    EXPECT_EQ(ReadStringValue(value.node()), c.text);
  }
  EXPECT_TRUE(std::isnan(ReadFloatValue(TextNode("nan").node())));
  EXPECT_EQ(ReadFloatValue(TextNode("-inf").node()), -HUGE_VAL);
}

// The warnings of a read of `xml` that collects them, `read` given the root.
std::vector<ReadDiagnostic> NotesOf(const std::string& xml,
                                    const std::function<void(DomNode)>& read) {
  DomDocument document;
  EXPECT_TRUE(document.LoadFromMemory(xml, "inline")) << xml;
  ReadReport report;
  report.collectWarnings = true;
  ReadSession session(document, report);
  read(document.GetFirstChild());
  return report.warnings;
}

// The readers' results stand; a text that does not read as it stands is
// noted, at its element, for a read that collects warnings.
TEST(ValueCodecsTest, CoercedValuesAreNotedWhereTheReadCollectsThem) {
  enum Reader { kBool, kInt, kInt64, kFloat };
  struct Case {
    Reader reader;
    std::string text;
    std::string note;  // "" for none
  };
  const Case cases[] = {
      {kInt, " -7 ", ""},
      {kInt, "12ab", "\"12ab\" is not a number; read as 12"},
      {kInt, "", "\"\" is not a number; read as 0"},
      {kInt, "2.9", "\"2.9\" is not an integer; read as 2"},
      // Some int fields are written with the float encoding.
      {kInt, "170.000", ""},
      {kInt, "99999999999",
       "\"99999999999\" is out of range; read as 2147483647"},
      {kInt, std::string(50, '7'),
       "\"" + std::string(40, '7') +
           "...\" is out of range; read as 2147483647"},
      {kInt64, "99999999999", ""},
      {kInt64, "-99999999999999999999",
       "\"-99999999999999999999\" is out of range; read as "
       "-9223372036854775808"},
      {kFloat, "0.500", ""},
      {kFloat, "-nan", ""},
      {kFloat, "1.5kg", "\"1.5kg\" is not a number; read as 1.5"},
      {kFloat, "1e999", "\"1e999\" is out of range; read as inf"},
      {kFloat, "wide", "\"wide\" is not a number; read as 0"},
      {kBool, "false", ""},
      {kBool, "True", "\"True\" is not true or false; read as false"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::vector<ReadDiagnostic> notes =
        NotesOf("<t>\n<v>" + c.text + "</v></t>", [&](DomNode root) {
          DomNode node = root.GetFirstChild();
          switch (c.reader) {
            case kBool:
              ReadBoolValue(node);
              break;
            case kInt:
              ReadIntValue(node);
              break;
            case kInt64:
              ReadInt64Value(node);
              break;
            case kFloat:
              ReadFloatValue(node);
              break;
          }
        });
    if (c.note.empty()) {
      EXPECT_TRUE(notes.empty()) << notes[0].message;
      continue;
    }
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].message, c.note);
    EXPECT_EQ(notes[0].elementPath, "t/v");
    EXPECT_EQ(notes[0].line, 2);
  }

  // A time-stamp field keeps the low bits of a value too wide for it.
  std::vector<ReadDiagnostic> notes = NotesOf(
      "<t><a>70000</a><b>300</b><c>1</c><d>2</d><e>3</e><f>4</f><g>5</g></t>",
      [](DomNode root) { EXPECT_EQ(ReadTimeStamp(root).month, 44); });
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_EQ(notes[0].message,
            "\"70000\" does not fit year (0 to 65535); read as 4464");
  EXPECT_EQ(notes[1].message,
            "\"300\" does not fit month (0 to 255); read as 44");

  // A session that does not collect keeps nothing.
  DomDocument document;
  ASSERT_TRUE(document.LoadFromMemory("<v>12ab</v>", "inline"));
  ReadReport report;
  ReadSession session(document, report);
  EXPECT_EQ(ReadIntValue(document.GetFirstChild()), 12);
  EXPECT_TRUE(report.warnings.empty());
}

TEST(ValueCodecsTest, AbsentNodeRaisesPointerError) {
  try {
    ReadIntValue(DomNode());
    FAIL() << "no error";
  } catch (const _com_error& error) {
    EXPECT_EQ(error.Error(), platform::E_POINTER);
  }
  EXPECT_THROW(ReadStringValue(DomNode()), _com_error);
  EXPECT_THROW(ReadTimeStamp(DomNode()), _com_error);
}

TEST(ValueCodecsTest, NumberTextIgnoresTheProcessLocale) {
  const char* names[] = {"de_DE.UTF-8", "de_DE.utf8",  "fr_FR.UTF-8",
                         "fr_FR.utf8",  "ru_RU.UTF-8", "nl_NL.UTF-8"};
  const char* found = nullptr;
  for (const char* name : names) {
    if (std::setlocale(LC_ALL, name) != nullptr) {
      found = name;
      break;
    }
  }
  if (found == nullptr) {
    GTEST_SKIP() << "no locale with a decimal comma is installed";
  }
  DomDocument document;
  std::string written = WriteFloatElement(document, "f", 0.5, 3).GetText();
  double read = ReadFloatValue(TextNode("1.25").node());
  std::setlocale(LC_ALL, "C");
  EXPECT_EQ(written, "0.500") << found;
  EXPECT_EQ(read, 1.25) << found;
}

TEST(LanguageStringSetTest, EmptyEntriesAreWrittenWithEntryZero) {
  ASSERT_EQ(LanguageNameTable()[0], "English");
  ASSERT_EQ(LanguageNameTable()[6], "Japanese");
  ASSERT_EQ(LanguageNameTable()[12], "Arabic");
  DomDocument document;
  LanguageStringSet set;
  set[0] = "Glossy";
  set[6] = "光沢";
  DomNode element = WriteLanguageStringSet(document, "strMediaName", set);
  int children = 0;
  for (DomNode child = element.GetFirstChild(); child;
       child = child.GetNextSibling(), ++children) {
    EXPECT_EQ(child.GetNodeName(), LanguageNameTable()[children]);
    EXPECT_EQ(child.GetText(), children == 6 ? "光沢" : "Glossy");
  }
  EXPECT_EQ(children, 13);
  LanguageStringSet back;
  ReadLanguageStringSet(element, back);
  for (size_t i = 0; i < kLanguageCount; ++i) {
    EXPECT_EQ(back[i], i == 6 ? "光沢" : "Glossy");
  }
}

TEST(LanguageStringSetTest, ReadingMatchesByNameAndKeepsMissingEntries) {
  DomDocument document;
  ASSERT_TRUE(document.LoadFromMemory(
      "<s><German>Glanz</German><Klingon>x</Klingon><!-- c -->"
      "<english>no</english><English>Gloss</English></s>",
      "mem"));
  LanguageStringSet set;
  set.fill("old");
  ReadLanguageStringSet(document.GetFirstChild(), set);
  EXPECT_EQ(set[0], "Gloss");
  EXPECT_EQ(set[2], "Glanz");
  EXPECT_EQ(set[1], "old");
  EXPECT_EQ(set[12], "old");
}

// A host whose string table lacks one language name.
class MissingLanguageHost : public platform::ResourceProvider {
 public:
  const platform::ResourceEntry* Find(
      const platform::ResourceId&, const platform::ResourceId&) const override {
    return nullptr;
  }
  std::optional<std::string> String(platform::UINT id) const override {
    if (id == 16) return std::nullopt;
    if (id == 15) return std::string("not a name");
    return "L" + std::to_string(id);
  }
};

TEST(LanguageStringSetTest, AnUnusableLanguageNameMakesTheWriteRaise) {
  MissingLanguageHost host;
  platform::ResourceProvider* previous =
      platform::Seam<platform::ResourceProvider>::Install(&host);
  ReloadLanguageNameTableForTesting();
  EXPECT_EQ(LanguageNameTable()[12], "");
  DomDocument document;
  EXPECT_THROW(WriteLanguageStringSet(document, "s", LanguageStringSet()),
               _com_error);
  platform::Seam<platform::ResourceProvider>::Install(previous);
  ReloadLanguageNameTableForTesting();
  EXPECT_EQ(LanguageNameTable()[12], "Arabic");
}

TEST(TimeStampTest, RoundTripsAndTruncatesToFieldWidths) {
  DomDocument document;
  TimeStamp stamp{2017, 12, 31, 23, 59, 58, 999};
  DomNode element = WriteTimeStamp(document, "TimeStamp", stamp);
  EXPECT_EQ(ReadTimeStamp(element), stamp);

  ASSERT_TRUE(document.LoadFromMemory(
      "<t><year>70000</year><a>300</a><b>1</b><c>2</c><d>3</d><e>4</e>"
      "<f>-1</f></t>",
      "mem"));
  TimeStamp odd = ReadTimeStamp(document.GetFirstChild());
  EXPECT_EQ(odd.year, 4464);
  EXPECT_EQ(odd.month, 44);
  EXPECT_EQ(odd.ms, 65535);
  ASSERT_TRUE(document.LoadFromMemory("<t><year>1</year></t>", "short"));
  EXPECT_THROW(ReadTimeStamp(document.GetFirstChild()), _com_error);
}

TEST(TimeStampTest, StandaloneFile) {
  tovra::testing::ScopedTempDir dir;
  TimeStamp stamp{2026, 12, 8, 17, 52, 33, 5};
  ASSERT_TRUE(SaveTimeStampFile(dir.File("t.xml"), stamp));
  EXPECT_EQ(
      tovra::testing::ReadFileBytes(dir.File("t.xml"))
          .rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<TimeStamp>", 0),
      0u);
  TimeStamp back;
  ASSERT_TRUE(LoadTimeStampFile(dir.File("t.xml"), back));
  EXPECT_EQ(back, stamp);
  EXPECT_FALSE(LoadTimeStampFile(dir.File("missing.xml"), back));
  tovra::testing::WriteFileBytes(dir.File("other.xml"), "<Other/>");
  EXPECT_FALSE(LoadTimeStampFile(dir.File("other.xml"), back));
  tovra::testing::WriteFileBytes(dir.File("short.xml"),
                                 "<TimeStamp><year>1</year></TimeStamp>");
  EXPECT_FALSE(LoadTimeStampFile(dir.File("short.xml"), back));
  EXPECT_EQ(back, stamp);
  EXPECT_FALSE(SaveTimeStampFile(dir.File("no/such/t.xml"), stamp));
  EXPECT_EQ(platform::CoInitializeCount(), 0);
}

TEST(EscapedStringTest, EncodesEveryByteThatIsNotPlainPrintable) {
  const std::string bytes("A\0\"", 3);
  EXPECT_EQ(EncodeEscapedString(bytes.data(), bytes.size()), "A\\x00\\x22");
  const std::string markup = "&'<>\\\t\x7F\xFF z";
  EXPECT_EQ(EncodeEscapedString(markup.data(), markup.size()),
            "\\x26\\x27\\x3C\\x3E\\x5C\\x09\\x7F\\xFF z");
  std::string all;
  for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
  std::string text = EncodeEscapedString(all.data(), all.size());
  EXPECT_EQ(decodeEscapedString(text.data(), text.size()), all);
}

TEST(EscapedStringTest, DecodingRules) {
  struct Case {
    std::string text;
    std::string bytes;
  };
  const Case cases[] = {
      {"A\\x00\\x22", std::string("A\0\"", 3)},
      {"\\x1BA\\x26",
       "\x1B"
       "A&"},
      {"\\x1b", "\x1B"},
      {"\\xG1", std::string("\0", 1)},
      {"\\x1G", "\x01"},
      {"plain", "plain"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(decodeEscapedString(c.text.data(), c.text.size()), c.bytes)
        << c.text;
  }
  const char* invalid[] = {"abc\\", "\\x", "\\x4", "ab\\xF"};
  for (const char* text : invalid) {
    try {
      decodeEscapedString(text, std::strlen(text));
      ADD_FAILURE() << text;
    } catch (const std::exception& error) {
      EXPECT_STREQ(error.what(),
                   "decodeEscapedString(): invalid source string");
    }
  }
  try {
    decodeEscapedString("\\n", 2);
    ADD_FAILURE();
  } catch (const std::exception& error) {
    EXPECT_STREQ(error.what(),
                 "decodeEscapedString(): unrecognized escape sequence");
  }
}

TEST(NumberTextTest, ConversionsWithoutUndefinedBehaviour) {
  EXPECT_EQ(TruncateToInt32(7.99), 7);
  EXPECT_EQ(TruncateToInt32(-1.5), -1);
  EXPECT_EQ(TruncateToInt32(2147483647.9), 2147483647);
  EXPECT_EQ(TruncateToInt32(2147483648.0), INT32_MIN);
  EXPECT_EQ(TruncateToInt32(std::nan("")), INT32_MIN);
  EXPECT_EQ(NarrowToFloat(1e300), std::numeric_limits<float>::infinity());
  EXPECT_EQ(NarrowToFloat(-1e300), -std::numeric_limits<float>::infinity());
  EXPECT_EQ(NarrowToFloat(0.5), 0.5f);
}

TEST(Base64Test, EncodesAndDecodesStandardText) {
  std::vector<unsigned char> zeros(512, 0);
  std::string text = CBase64::Encode(zeros.data(), zeros.size());
  EXPECT_EQ(text, std::string(683, 'A') + "=");
  std::vector<unsigned char> bytes;
  ASSERT_TRUE(CBase64::Decode(text, bytes));
  EXPECT_EQ(bytes, zeros);
  const std::pair<std::string, std::string> known[] = {{"", ""},
                                                       {"f", "Zg=="},
                                                       {"fo", "Zm8="},
                                                       {"foo", "Zm9v"},
                                                       {"\xFF\xFE", "//4="}};
  for (const auto& [plain, encoded] : known) {
    EXPECT_EQ(CBase64::Encode(plain.data(), plain.size()), encoded);
    ASSERT_TRUE(CBase64::Decode(encoded, bytes));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), plain);
  }
}

TEST(Base64Test, DecodesWhatHasOneMeaningAndSaysWhyItRefusesTheRest) {
  // Blanks anywhere, as in text broken into lines, and a last group whose
  // fill is missing in part or whole.
  const std::pair<std::string, std::string> lenient[] = {
      {" Zm9v\r\nZg== ", "foof"},
      {"Zm\n9v\tZm8", "foofo"},
      {"Zg", "f"},
      {"Zg=", "f"},
      {"Zm8", "fo"},
      {"  ", ""},
  };
  std::vector<unsigned char> bytes;
  for (const auto& [text, plain] : lenient) {
    ASSERT_TRUE(CBase64::Decode(text, bytes)) << text;
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), plain);
  }
  struct Refused {
    const char* text;
    size_t offset;
    const char* what;
  };
  const Refused refused[] = {
      {"Z", 1, "a last group of one character"},
      {"Zm9vZ", 5, "a last group of one character"},
      {"Zg==Zg==", 4, "text after the \"=\" fill"},
      {"Zm9v!", 4, "\"!\" is not a Base64 character"},
      {"Zm9\xC3\xA9", 3, "byte 0xC3 is not a Base64 character"},
      {"=Zm9", 0, "\"=\" where a group begins"},
      {"Z=", 1, "\"=\" after one character of a group"},
      {"Zg===", 4, "more \"=\" than fill"},
  };
  for (const Refused& r : refused) {
    CBase64::Problem problem;
    bytes.assign(3, 1);
    EXPECT_FALSE(CBase64::Decode(r.text, bytes, &problem)) << r.text;
    EXPECT_TRUE(bytes.empty()) << r.text;
    EXPECT_EQ(problem.offset, r.offset) << r.text;
    EXPECT_EQ(problem.what, r.what) << r.text;
  }
}

}  // namespace
