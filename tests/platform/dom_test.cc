// The DOM service over libxml2: node handles, text values, whitespace rules,
// safe parsing of hostile input and atomic saves.
#include "devseries/platform/dom.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "devseries/platform/com_codes.h"
#include "devseries/platform/file_system.h"
#include "tests/support/temp_dir.h"

namespace devseries::platform {

using namespace ::devseries;
namespace {

using tovra::testing::ReadFileBytes;
using tovra::testing::ScopedTempDir;
using tovra::testing::WriteFileBytes;

// Collects whatever is written to standard error while it lives.
class StderrCapture {
 public:
  StderrCapture() : dir_(), path_(dir_.File("stderr")) {
    saved_ = ::dup(STDERR_FILENO);
    int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(fd, STDERR_FILENO);
    ::close(fd);
  }
  ~StderrCapture() { Restore(); }
  std::string Text() {
    Restore();
    return ReadFileBytes(path_);
  }

 private:
  void Restore() {
    if (saved_ >= 0) {
      ::dup2(saved_, STDERR_FILENO);
      ::close(saved_);
      saved_ = -1;
    }
  }
  ScopedTempDir dir_;
  std::string path_;
  int saved_ = -1;
};

std::string Children(DomNode node) {
  std::string names;
  for (DomNode child : node.Children()) {
    if (!names.empty()) names += ",";
    names += child.GetNodeName();
  }
  return names;
}

TEST(DomNodeTest, NullNodeRaisesPointerError) {
  DomNode null;
  auto expectPointerError = [](auto&& call) {
    try {
      call();
      ADD_FAILURE() << "no error raised";
    } catch (const _com_error& error) {
      EXPECT_EQ(error.Error(), E_POINTER);
    }
  };
  expectPointerError([&] { null.GetFirstChild(); });
  expectPointerError([&] { null.GetNextSibling(); });
  expectPointerError([&] { null.GetNodeName(); });
  expectPointerError([&] { null.GetText(); });
  expectPointerError([&] { null.GetNodeType(); });
  expectPointerError([&] { null.GetAttributeNode("a"); });
  expectPointerError([&] { null.Children(); });
  expectPointerError([&] { null.FirstChildNamed("a"); });
  DomDocument document;
  DomNode text;
  ASSERT_TRUE(document.LoadFromMemory("<a>x</a>", "mem"));
  text = document.GetFirstChild().GetFirstChild();
  // A text node has no attribute map.
  expectPointerError([&] { text.GetAttributeNode("a"); });
}

TEST(DomNodeTest, NamesTypesAndTextOfEveryNodeKind) {
  DomDocument document;
  ASSERT_TRUE(document.LoadFromMemory(
      "<?xml version='1.0'?><r a='1'>t<!--c--><?p d?><e>x<f>y</f></e>"
      "<![CDATA[z]]></r>",
      "mem"));
  DomNode root = document.GetFirstChild();
  EXPECT_EQ(root.GetNodeName(), "r");
  EXPECT_EQ(root.GetNodeType(), NODE_ELEMENT);
  EXPECT_EQ(Children(root), "#text,#comment,p,e,#text");
  EXPECT_EQ(root.GetText(), "txyz");
  EXPECT_EQ(root.GetAttributeNode("a").GetText(), "1");
  EXPECT_TRUE(root.GetAttributeNode("A").IsNull());
  DomNode comment = root.GetFirstChild().GetNextSibling();
  EXPECT_EQ(comment.GetNodeType(), NODE_COMMENT);
  EXPECT_EQ(comment.GetText(), "c");
  EXPECT_EQ(document.AsNode().GetNodeName(), "#document");
  EXPECT_EQ(document.GetElementsByTagName("f").size(), 1u);
}

TEST(DomNodeTest, ChildRangeVisitsEveryNodeAndFirstChildNamedOnlyElements) {
  struct Case {
    const char* xml;
    const char* children;  // of the element r
    const char* name;
    const char* found;  // text of the element found, null for none
  };
  const Case cases[] = {
      {"<r>t<!--c--><?p d?><e>1</e><![CDATA[z]]></r>",
       "#text,#comment,p,e,#text", "e", "1"},
      {"<r/>", "", "e", nullptr},
      {"<r></r>", "", "e", nullptr},
      // A comment holding the name and a processing instruction with it as
      // target are passed over; the first of two matches wins.
      {"<r><!--e--><?e x?><x>0</x><e>1</e><e>2</e></r>", "#comment,e,x,e,e",
       "e", "1"},
      // Text, a prefixed name and another case do not match.
      {"<r xmlns:p='u'>e<p:e>0</p:e><E>0</E></r>", "#text,p:e,E", "e", nullptr},
      {"<!--r--><?r x?><r><e>1</e></r>", "e", "e", "1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.xml);
    DomDocument document;
    ASSERT_TRUE(document.LoadFromMemory(c.xml, "mem"));
    DomNode root = document.AsNode().FirstChildNamed("r");
    ASSERT_TRUE(root);
    EXPECT_EQ(Children(root), c.children);
    EXPECT_EQ(root.Children().empty(), !root.GetFirstChild());
    DomNode found = root.FirstChildNamed(c.name);
    if (c.found == nullptr) {
      EXPECT_TRUE(found.IsNull());
    } else {
      ASSERT_TRUE(found);
      EXPECT_EQ(found.GetText(), c.found);
    }
  }
  // Children of an element not yet attached to the document.
  DomDocument document;
  DomNode created = document.CreateElement("n");
  created.AppendChild(document.CreateElement("a"));
  created.AppendChild(document.CreateProcessingInstruction("b", "x"));
  EXPECT_EQ(Children(created), "a,b");
  EXPECT_TRUE(created.FirstChildNamed("b").IsNull());
}

TEST(DomNodeTest, BlankTextBetweenElementsIsNotANode) {
  DomDocument pretty;
  DomDocument flat;
  ASSERT_TRUE(pretty.LoadFromMemory(
      "<r>\n  <a>1</a>\n  <!-- c -->\n  <b>  </b>\n  <c/>\n</r>\n", "pretty"));
  ASSERT_TRUE(
      flat.LoadFromMemory("<r><a>1</a><!-- c --><b>  </b><c/></r>", "flat"));
  EXPECT_EQ(Children(pretty.GetFirstChild()), "a,#comment,b,c");
  EXPECT_EQ(Children(flat.GetFirstChild()), "a,#comment,b,c");
  // The blank-only text of an element with no other content is its value.
  DomNode b = pretty.GetElementsByTagName("b")[0];
  EXPECT_EQ(b.GetText(), "  ");
}

TEST(DomDocumentTest, CreatedNodesAttachInCallOrderAndSaveWithDeclaration) {
  ScopedTempDir dir;
  DomDocument document;
  document.InsertBefore(document.CreateProcessingInstruction(
                            "xml", "version='1.0' encoding='UTF-8'"),
                        DomNode());
  DomNode root = document.CreateElement("Root");
  DomNode first = document.CreateElement("b");
  root.AppendChild(first);
  root.InsertBefore(document.CreateElement("a"), first);
  DomNode attribute = document.CreateAttribute("VALUE");
  attribute.SetText("12");
  first.SetNamedItem(attribute);
  first.SetText("M&M <x>");
  document.AppendChild(root);
  // Nodes never attached are freed with the document.
  document.CreateElement("orphan").AppendChild(document.CreateElement("o"));

  document.Save(dir.File("out.xml"));
  std::string text = ReadFileBytes(dir.File("out.xml"));
  EXPECT_EQ(text,
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<Root>\n"
            "  <a/>\n"
            "  <b VALUE=\"12\">M&amp;M &lt;x&gt;</b>\n"
            "</Root>\n");
  DomDocument again;
  ASSERT_TRUE(again.Load(dir.File("out.xml")));
  EXPECT_EQ(again.GetElementsByTagName("b")[0].GetText(), "M&M <x>");
}

TEST(DomDocumentTest, InvalidNamesRaise) {
  DomDocument document;
  for (const char* name : {"", "1abc", "a b", "<x>"}) {
    try {
      document.CreateElement(name);
      ADD_FAILURE() << "accepted \"" << name << "\"";
    } catch (const _com_error& error) {
      EXPECT_EQ(error.Error(), XML_E_INVALIDNAME) << name;
    }
  }
  EXPECT_THROW(document.CreateElement(std::string("a\0b", 3)), _com_error);
}

TEST(DomDocumentTest, TextXmlCannotCarryIsReplacedSoTheFileLoadsAgain) {
  ScopedTempDir dir;
  struct Case {
    std::string text;
    std::string stored;
  };
  const Case cases[] = {
      {"plain", "plain"},
      {"tab\tand\r\nline", "tab\tand\r\nline"},
      {"bell\x07", "bell\xEF\xBF\xBD"},
      {std::string("nul\0x", 5), "nul\xEF\xBF\xBDx"},
      {"bad \xC3", "bad \xEF\xBF\xBD"},
      {"overlong \xC0\xAF", "overlong \xEF\xBF\xBD\xEF\xBF\xBD"},
      {"surrogate \xED\xA0\x80",
       "surrogate \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"caf\xC3\xA9 \xE6\x97\xA5", "caf\xC3\xA9 \xE6\x97\xA5"},
  };
  for (const Case& c : cases) {
    DomDocument document;
    DomNode root = document.CreateElement("r");
    root.SetText(c.text);
    root.SetAttribute("a", c.text);
    document.AppendChild(root);
    document.Save(dir.File("t.xml"));
    DomDocument again;
    ASSERT_TRUE(again.Load(dir.File("t.xml"))) << c.stored;
    EXPECT_EQ(again.GetFirstChild().GetText(), c.stored);
    EXPECT_EQ(again.GetFirstChild().GetAttributeNode("a").GetText(), c.stored);
  }
}

TEST(DomDocumentTest, HostileInputFailsOrLoadsWithoutOutsideContentSilently) {
  ScopedTempDir dir;
  WriteFileBytes(dir.File("secret.txt"), "SECRET");
  const std::string secret = dir.File("secret.txt");
  std::string laughs = "<!DOCTYPE l [<!ENTITY l0 \"ha\">";
  for (int i = 1; i <= 10; ++i) {
    laughs += "<!ENTITY l" + std::to_string(i) + " \"";
    for (int j = 0; j < 10; ++j) laughs += "&l" + std::to_string(i - 1) + ";";
    laughs += "\">";
  }
  laughs += "]><r>&l10;</r>";
  std::string quadratic =
      "<!DOCTYPE q [<!ENTITY a \"" + std::string(100000, 'x') + "\">]><r>";
  for (int i = 0; i < 10000; ++i) quadratic += "&a;";
  quadratic += "</r>";
  std::string deep;
  for (int i = 0; i < 300; ++i) deep += "<d>";
  for (int i = 0; i < 300; ++i) deep += "</d>";

  struct Case {
    const char* what;
    std::string xml;
  };
  const Case cases[] = {
      {"external file entity",
       "<!DOCTYPE r [<!ENTITY s SYSTEM \"file://" + secret + "\">]><r>&s;</r>"},
      {"external DTD", "<!DOCTYPE r SYSTEM \"" + secret + "\"><r/>"},
      {"parameter entity",
       "<!DOCTYPE r [<!ENTITY % p SYSTEM \"" + secret + "\"> %p;]><r/>"},
      {"network entity",
       "<!DOCTYPE r [<!ENTITY n SYSTEM \"http://127.0.0.1:9/x\">]><r>&n;</r>"},
      {"billion laughs", laughs},
      {"quadratic blow-up", quadratic},
      {"depth 300", deep},
      {"not XML", "this is not xml"},
      {"truncated", "<r><a>1</a"},
      {"nul byte", std::string("<r>\0</r>", 8)},
      {"invalid UTF-8", "<r>\xC3</r>"},
  };
  for (const Case& c : cases) {
    StderrCapture capture;
    DomDocument document;
    bool loaded = document.LoadFromMemory(c.xml, c.what);
    std::string printed = capture.Text();
    EXPECT_EQ(printed, "") << c.what;
    if (loaded) {
      EXPECT_EQ(document.AsNode().GetText().find("SECRET"), std::string::npos)
          << c.what;
    } else {
      EXPECT_NE(document.parseError().errorCode, 0) << c.what;
      EXPECT_FALSE(document.parseError().reason.empty()) << c.what;
    }
    EXPECT_FALSE(loaded) << c.what;
  }
}

TEST(DomDocumentTest, OversizedFileFailsCleanly) {
  DomDocument document;
  std::string big(kMaxDocumentBytes + 1, ' ');
  EXPECT_FALSE(document.LoadFromMemory(big, "big"));
  EXPECT_NE(document.parseError().reason.find("too large"), std::string::npos);
}

TEST(DomDocumentTest, MissingFileAndFolderFailToLoad) {
  ScopedTempDir dir;
  DomDocument document;
  EXPECT_FALSE(document.Load(dir.File("missing.xml")));
  EXPECT_FALSE(document.Load(dir.path()));
  EXPECT_TRUE(document.GetFirstChild().IsNull());
}

// Fails the rename of the save's temporary sibling.
class FailingRename : public FileSystemWrapper {
 public:
  FailingRename() : FileSystemWrapper(FileSystem::Default()) {}
  FileError Rename(const std::string&, const std::string&) override {
    return FileError::kCrossDevice;
  }
};

TEST(DomDocumentTest, FailedSaveKeepsThePreviousFile) {
  ScopedTempDir dir;
  WriteFileBytes(dir.File("keep.xml"), "previous");
  DomDocument document;
  document.AppendChild(document.CreateElement("r"));
  FailingRename failing;
  {
    ScopedFileSystem scoped(&failing);
    EXPECT_THROW(document.Save(dir.File("keep.xml")), _com_error);
  }
  EXPECT_EQ(ReadFileBytes(dir.File("keep.xml")), "previous");
  EXPECT_EQ(tovra::testing::ListFolder(dir.path()),
            std::vector<std::string>{"keep.xml"});
  EXPECT_THROW(document.Save(dir.File("no/such/folder.xml")), _com_error);
}

TEST(DomSchemaCacheTest, ValidatesAgainstASchema) {
  const char* schema =
      "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema'>"
      "<xs:element name='r'><xs:complexType><xs:sequence>"
      "<xs:element name='n' type='xs:int'/></xs:sequence></xs:complexType>"
      "</xs:element></xs:schema>";
  DomSchemaCache cache;
  cache.AddFromMemory("", schema, "schema");
  ScopedTempDir dir;
  WriteFileBytes(dir.File("good.xml"), "<r>\n  <n>5</n>\n</r>");
  WriteFileBytes(dir.File("bad.xml"), "<r>\n  <m>5</m>\n</r>");
  DomDocument document;
  EXPECT_TRUE(document.LoadValidated(dir.File("good.xml"), cache));
  EXPECT_FALSE(document.LoadValidated(dir.File("bad.xml"), cache));
  EXPECT_EQ(document.parseError().errorCode, XML_E_SCHEMAINVALID);
  EXPECT_EQ(document.parseError().line, 2);
  DomSchemaCache broken;
  EXPECT_THROW(broken.AddFromMemory("", "<notaschema/>", "x"), _com_error);
  EXPECT_THROW(broken.Add("", dir.File("missing.xsd")), _com_error);
  EXPECT_TRUE(broken.IsEmpty());
}

// A file seam may hand a file over in one piece (the wrapper does); the
// parser still gets it in slices, since one chunk of more than 10 MB would be
// refused as a huge input lookup.
TEST(DomDocumentTest, LoadsALargeFileHandedOverInOnePiece) {
  ScopedTempDir dir;
  std::string text = "<r>";
  while (text.size() < (size_t{12} << 20)) text += "<a>1234567890</a>\n";
  text += "</r>";
  WriteFileBytes(dir.File("large.xml"), text);
  FileSystemWrapper whole(FileSystem::Default());
  ScopedFileSystem use(&whole);
  DomDocument document;
  EXPECT_TRUE(document.Load(dir.File("large.xml")))
      << document.parseError().reason;
}

}  // namespace
}  // namespace devseries::platform

namespace devseries::platform {
namespace {

// Each case is small on disk and large as a tree: under the bound it
// loads, past it the load is refused as over the bound, wherever the
// memory goes (elements, text, attributes, comments).
TEST(DomMemoryBoundTest, EveryKindOfNodeCountsAgainstTheBound) {
  auto repeated = [](const std::string& unit, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += unit;
    return text;
  };
  std::string attributes = "<r";
  for (int i = 0; i < 2000; ++i) attributes += " a" + std::to_string(i) + "=''";
  attributes += "/>";
  struct Case {
    const char* what;
    std::string text;
  };
  const Case cases[] = {
      {"empty elements", "<r>" + repeated("<a/>", 2000) + "</r>"},
      {"text", "<r>" + std::string(200000, 'x') + "</r>"},
      {"attributes", attributes},
      {"comments", "<r>" + repeated("<!---->", 2000) + "</r>"},
      {"instructions", "<r>" + repeated("<?p?>", 2000) + "</r>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DomDocument document;
    document.SetMemoryBound(std::uint64_t{64} << 10);
    EXPECT_FALSE(document.LoadFromMemory(c.text, "case"));
    EXPECT_EQ(document.parseError().failure, DomLoadFailure::kRefused);
    EXPECT_TRUE(document.parseError().overMemoryBound);
    EXPECT_NE(document.parseError().reason.find("takes more than 65536 bytes "
                                                "in memory, its bound"),
              std::string::npos)
        << document.parseError().reason;

    document.SetMemoryBound(std::uint64_t{4} << 20);
    EXPECT_TRUE(document.LoadFromMemory(c.text, "case"))
        << document.parseError().reason;
    EXPECT_GT(document.MemoryCharged(), std::uint64_t{64} << 10);
  }
}

TEST(DomMemoryBoundTest, TheDefaultBoundIsEightTimesTheSizeLimit) {
  DomDocument document;
  EXPECT_EQ(document.MemoryBound(),
            std::uint64_t{kMemoryBoundPerLimitByte} * kMaxDocumentBytes);
  document.SetSizeLimit(4096);
  EXPECT_EQ(document.MemoryBound(), std::uint64_t{32768});
  {
    ScopedDocumentSizeLimit scoped(1000);
    EXPECT_EQ(DomDocument().SizeLimit(), 1000u);
    EXPECT_EQ(DomDocument().MemoryBound(), 8000u);
  }
  EXPECT_EQ(DomDocument().SizeLimit(), kMaxDocumentBytes);
}

// Lets go of the children of every element below the root as it ends.
class DiscardingHandler : public DomStreamHandler {
 public:
  void ElementStarted(DomNode, int) override {}
  void ElementEnded(DomNode element, int depth) override {
    if (depth == 2) element.DiscardChildren();
  }
};

// The nodes a streamed reader discards are given back: a file whose tree
// is over the bound as a whole loads streamed, one record's nodes at a
// time, and is refused loaded whole.
TEST(DomMemoryBoundTest, DiscardedNodesAreGivenBack) {
  ScopedTempDir dir;
  std::string text = "<r>";
  for (int record = 0; record < 200; ++record) {
    text += "<e>";
    for (int i = 0; i < 100; ++i) text += "<a/>";
    text += "</e>";
  }
  text += "</r>";
  WriteFileBytes(dir.File("records.xml"), text);
  DomDocument streamed;
  streamed.SetMemoryBound(std::uint64_t{256} << 10);
  DiscardingHandler handler;
  EXPECT_TRUE(streamed.LoadStreamed(dir.File("records.xml"), handler))
      << streamed.parseError().reason;
  DomDocument whole;
  whole.SetMemoryBound(std::uint64_t{256} << 10);
  EXPECT_FALSE(whole.Load(dir.File("records.xml")));
  EXPECT_TRUE(whole.parseError().overMemoryBound);
}

}  // namespace
}  // namespace devseries::platform
