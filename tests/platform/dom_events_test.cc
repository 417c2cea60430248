// An event load tells the nodes a load makes, without the tree: for each
// text below, the elements, text nodes (after libxml2's blank-text rule),
// comments and instructions it tells are those of the loaded tree in
// document order, it charges the memory a streamed load charges (with the
// same nodes let go), and it fails, refuses and reports as the load does.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "devseries/platform/dom.h"
#include "tests/support/temp_dir.h"

namespace devseries::platform {
namespace {

using tovra::testing::ScopedTempDir;
using tovra::testing::WriteFileBytes;

// One line per node: its depth, kind and name or text.
std::string Line(int depth, const std::string& what) {
  return std::to_string(depth) + " " + what + "\n";
}

// The loaded tree's nodes below the document, in document order.
void Outline(DomNode node, int depth, std::string& out) {
  for (DomNode child : node.Children()) {
    switch (child.GetNodeType()) {
      case NODE_ELEMENT:
        out += Line(depth, "<" + child.GetNodeName() + " @" +
                               std::to_string(child.GetLine()));
        Outline(child, depth + 1, out);
        break;
      case NODE_TEXT:
      case NODE_CDATA_SECTION:
        out += Line(depth, "\"" + child.GetText() + "\"");
        break;
      case NODE_COMMENT:
        out += Line(depth, "#comment");
        break;
      case NODE_PROCESSING_INSTRUCTION:
        out += Line(depth, "?" + child.GetNodeName());
        break;
      default:
        break;
    }
  }
}

// The same outline from the events; lets go below every second level, as a
// streamed reader lets go of each record's nodes.
// Each element with the line the parser is at, which must be the line a
// load gives the element.
class OutlineHandler final : public DomEventHandler {
 public:
  explicit OutlineHandler(const DomDocument& document) : document_(document) {}
  bool StartElement(std::string_view, std::string_view name,
                    const std::vector<Attribute>&, int depth) override {
    Flush();
    out += Line(depth - 1, "<" + std::string(name) + " @" +
                               std::to_string(document_.ParsingLine()));
    depth_ = depth;
    return true;
  }
  bool EndElement(int depth, bool& discard) override {
    Flush();
    depth_ = depth - 1;
    discard = depth == 2;
    return true;
  }
  // The pieces of one text node come one after another.
  bool Text(std::string_view piece) override {
    text_ += piece;
    inText_ = true;
    return true;
  }
  bool Comment() override {
    Flush();
    out += Line(depth_, "#comment");
    return true;
  }
  bool Instruction(std::string_view target) override {
    Flush();
    out += Line(depth_, "?" + std::string(target));
    return true;
  }

  std::string out;

 private:
  void Flush() {
    if (inText_) out += Line(depth_, "\"" + text_ + "\"");
    text_.clear();
    inText_ = false;
  }
  const DomDocument& document_;
  int depth_ = 0;
  std::string text_;
  bool inText_ = false;
};

// A streamed load that lets go below every second level, for the charge.
class DiscardingAtTwo final : public DomStreamHandler {
 public:
  void ElementStarted(DomNode, int) override {}
  void ElementEnded(DomNode element, int depth) override {
    if (depth == 2) element.DiscardChildren();
  }
};

// A root "r" with any content at all.
constexpr std::string_view kAnyContentSchema =
    "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema'>"
    "<xs:element name='r'><xs:complexType mixed='true'><xs:sequence>"
    "<xs:any minOccurs='0' maxOccurs='unbounded' processContents='skip'/>"
    "</xs:sequence><xs:anyAttribute processContents='skip'/>"
    "</xs:complexType></xs:element></xs:schema>";

struct Case {
  const char* name;
  std::string text;
};

const Case kCases[] = {
    {"indented elements", "<r>\n  <a>1</a>\n  <b>\n    <c/>\n  </b>\n</r>"},
    {"a blank value", "<r><a>   </a><b>\n</b></r>"},
    {"text first keeps later blanks", "<r>x<a/>  <b/>  </r>"},
    {"text last", "<r><a/>  y</r>"},
    {"blanks around a comment", "<r>\n <!--c-->\n <a/>\n <?pi data?>\n</r>"},
    {"CR LF and tabs", "<r>\r\n\t<a>1</a>\r\n\t<b>2</b>\r\n</r>"},
    {"a blank run longer than the parser's pieces",
     "<r><a/>" + std::string(5000, ' ') + "<b/>" + std::string(700, '\n') +
         "</r>"},
    {"CDATA and references",
     "<r><a><![CDATA[ x ]]></a><b>&amp;&#65;</b><c> <![CDATA[]]> </c></r>"},
    {"xml:space preserve",
     "<r xml:space='preserve'>\n <a>\n </a>\n <b xml:space='default'> "
     "<c/> </b></r>"},
    {"text of several pieces", "<r><a>" + std::string(1000, 'x') + "&lt;" +
                                   std::string(1000, 'y') + "</a></r>"},
    {"non-ASCII text and blanks",
     "<r>\n <a>\xC3\xA9t\xC3\xA9</a>\n <b>\xE2\x80\x83</b>\n</r>"},
};

class DomEventsTest : public ::testing::TestWithParam<Case> {};

TEST_P(DomEventsTest, TellsTheNodesALoadMakesAndChargesAlike) {
  ScopedTempDir dir;
  const std::string path = dir.File("case.xml");
  WriteFileBytes(path, GetParam().text);

  DomDocument loaded;
  ASSERT_TRUE(loaded.Load(path)) << loaded.parseError().reason;
  std::string expected;
  Outline(loaded.AsNode(), 0, expected);

  DomDocument events;
  OutlineHandler handler(events);
  ASSERT_TRUE(events.LoadEvents(path, handler)) << events.parseError().reason;
  EXPECT_EQ(handler.out, expected);

  // Validated as it is parsed, by a schema that takes any content: the
  // validator between the parser and the handler changes nothing the
  // handler is told.
  DomSchemaCache anything;
  anything.AddFromMemory("", kAnyContentSchema, "any.xsd");
  DomDocument validated;
  OutlineHandler validatedHandler(validated);
  ASSERT_TRUE(validated.LoadEvents(path, validatedHandler, &anything))
      << validated.parseError().reason;
  EXPECT_EQ(validatedHandler.out, expected);
  EXPECT_EQ(validated.MemoryCharged(), events.MemoryCharged());

  DomDocument streamed;
  DiscardingAtTwo discarding;
  ASSERT_TRUE(streamed.LoadStreamed(path, discarding));
  EXPECT_EQ(events.MemoryCharged(), streamed.MemoryCharged());
}

INSTANTIATE_TEST_SUITE_P(Texts, DomEventsTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) {
                           std::string name;
                           for (const char* c = info.param.name; *c; ++c) {
                             name +=
                                 std::isalnum(static_cast<unsigned char>(*c))
                                     ? *c
                                     : '_';
                           }
                           return name;
                         });

// What a load refuses or cannot parse, an event load refuses alike, with
// the same reason and line.
TEST(DomEventsFailureTest, FailsAsALoadFails) {
  const std::string cases[] = {
      "<r><a></r>",
      "<!DOCTYPE r><r/>",
      "<r>" + std::string(10000001, 'x') + "<b/>" + std::string(10, 'y') +
          "</r>",
      "<r><a>" + std::string(6000000, 'x') + "&amp;" +
          std::string(6000000, 'y') + "</a></r>",
      "",
  };
  ScopedTempDir dir;
  for (const std::string& text : cases) {
    SCOPED_TRACE(text.substr(0, 40));
    const std::string path = dir.File("case.xml");
    WriteFileBytes(path, text);
    DomDocument loaded;
    const bool load = loaded.Load(path);
    DomDocument events;
    OutlineHandler handler(events);
    EXPECT_EQ(events.LoadEvents(path, handler), load);
    EXPECT_EQ(events.parseError().failure, loaded.parseError().failure);
    EXPECT_EQ(events.parseError().reason, loaded.parseError().reason);
    EXPECT_EQ(events.parseError().line, loaded.parseError().line);
  }
}

// Validated as it is parsed, a file fails as a validated load fails: the
// same violations with the same lines, and a file that is not well-formed
// fails as such, whatever the schema said before the parser stopped.
TEST(DomEventsFailureTest, ValidatesAsAValidatedLoad) {
  constexpr std::string_view kSchema =
      "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema'>"
      "<xs:element name='r'><xs:complexType><xs:sequence>"
      "<xs:element name='a' type='xs:int'/>"
      "<xs:element name='b' type='xs:int' minOccurs='0'/>"
      "</xs:sequence></xs:complexType></xs:element></xs:schema>";
  DomSchemaCache schemas;
  schemas.AddFromMemory("", kSchema, "r.xsd");
  const std::string cases[] = {
      "<r><a>1</a><b>2</b></r>",
      "<r>\n<a>x</a>\n<b>2</b>\n</r>",
      "<r><a>1</a>\n<c/>\n<b>y</b></r>",
      "<q/>",
      "<r><a>x</a><b>",
  };
  ScopedTempDir dir;
  for (const std::string& text : cases) {
    SCOPED_TRACE(text);
    const std::string path = dir.File("case.xml");
    WriteFileBytes(path, text);
    DomDocument loaded;
    const bool load = loaded.LoadValidated(path, schemas);
    DomDocument events;
    OutlineHandler handler(events);
    EXPECT_EQ(events.LoadEvents(path, handler, &schemas), load);
    EXPECT_EQ(events.parseError().failure, loaded.parseError().failure);
    EXPECT_EQ(events.parseError().errorCode, loaded.parseError().errorCode);
    EXPECT_EQ(events.parseError().reason, loaded.parseError().reason);
    EXPECT_EQ(events.parseError().line, loaded.parseError().line);
    EXPECT_EQ(events.parseError().messages, loaded.parseError().messages);
  }
}

}  // namespace
}  // namespace devseries::platform
