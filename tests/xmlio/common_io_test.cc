// The document holder and the common IO base: loads and retries, validated
// loads with their debug lines, the root lookup with its version gate, the
// version packing and the balance of the component runtime.
#include "devseries/xmlio/common_io.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "devseries/platform/com_codes.h"
#include "devseries/platform/debug_output.h"
#include "devseries/platform/dom_testing.h"
#include "devseries/platform/resources.h"
#include "tests/support/temp_dir.h"

using namespace devseries;

namespace {

using tovra::testing::ScopedTempDir;
using tovra::testing::WriteFileBytes;

class TestIO : public ICommonIO {
 public:
  explicit TestIO(std::string path) : ICommonIO(std::move(path)) {}
  void GetVersion(IOVersion& version) const override {
    version = IOVersion{3, 3, 0, 0};
  }
  std::string GetRootName() const override { return "DeviceSeries"; }
};

// A host whose title string turns the version gate on.
class GatedHost : public platform::ResourceProvider {
 public:
  const platform::ResourceEntry* Find(
      const platform::ResourceId&, const platform::ResourceId&) const override {
    return nullptr;
  }
  std::optional<std::string> String(platform::UINT id) const override {
    if (id == kHostTitleStringId) return std::string(kVersionGateTitle);
    return std::nullopt;
  }
};

class CommonIOTest : public ::testing::Test {
 protected:
  void TearDown() override {
    EXPECT_EQ(platform::CoInitializeCount(), 0);
    platform::SetCoInitializeFailureForTesting(platform::S_OK);
    platform::SetDomServiceAvailableForTesting(true);
  }
  ScopedTempDir dir_;
};

TEST_F(CommonIOTest, FailedLoadIsRetriedByANewCreator) {
  std::string path = dir_.File("late.xml");
  TestIO io(path);
  EXPECT_FALSE(io.EnsureDocumentLoaded());
  EXPECT_TRUE(io.m_creator.m_bLoadFailed);
  EXPECT_EQ(io.m_creator.GetDocument(), nullptr);
  WriteFileBytes(path, "<DeviceSeries strVersion='3.3.0.0'/>");
  EXPECT_TRUE(io.EnsureDocumentLoaded());
  EXPECT_FALSE(io.m_creator.m_bLoadFailed);
  // Once held, the document is not loaded again.
  WriteFileBytes(path, "not xml");
  EXPECT_TRUE(io.EnsureDocumentLoaded());
}

TEST_F(CommonIOTest, MalformedFileLeavesNoDocument) {
  WriteFileBytes(dir_.File("bad.xml"), "<DeviceSeries>");
  MSXMLDOMCreator creator;
  EXPECT_TRUE(creator.m_bInitialized);
  creator.LoadDocument(dir_.File("bad.xml"));
  EXPECT_TRUE(creator.m_bLoadFailed);
  EXPECT_EQ(creator.GetDocument(), nullptr);
  EXPECT_NE(creator.m_lastParseError.errorCode, 0);
}

TEST_F(CommonIOTest, CreatorWithoutRuntimeOrServiceIsNotInitialised) {
  platform::SetCoInitializeFailureForTesting(platform::E_FAIL);
  {
    MSXMLDOMCreator creator;
    EXPECT_FALSE(creator.m_bInitialized);
  }
  platform::SetCoInitializeFailureForTesting(platform::S_OK);
  platform::SetDomServiceAvailableForTesting(false);
  EXPECT_FALSE(IsMsxmlRegistered());
  {
    MSXMLDOMCreator creator;
    EXPECT_FALSE(creator.m_bInitialized);
  }
}

TEST_F(CommonIOTest, ValidatedLoad) {
  WriteFileBytes(dir_.File("s.xsd"),
                 "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema'>"
                 "<xs:element name='r' type='xs:int'/></xs:schema>");
  WriteFileBytes(dir_.File("good.xml"), "<r>5</r>");
  WriteFileBytes(dir_.File("bad.xml"), "<r>five</r>");
  {
    platform::ScopedDebugCapture debug;
    MSXMLDOMCreator creator;
    creator.LoadValidatedDocument(dir_.File("good.xml"), dir_.File("s.xsd"));
    EXPECT_FALSE(creator.m_bLoadFailed);
    EXPECT_NE(creator.GetDocument(), nullptr);
    creator.LoadValidatedDocument(dir_.File("bad.xml"), dir_.File("s.xsd"));
    EXPECT_TRUE(creator.m_bLoadFailed);
    EXPECT_EQ(creator.GetDocument(), nullptr);
    EXPECT_EQ(debug.text(), "");
  }
  {
    // A schema that cannot be added: two debug lines, then the document is
    // loaded without it.
    platform::ScopedDebugCapture debug;
    MSXMLDOMCreator creator;
    creator.LoadValidatedDocument(dir_.File("bad.xml"),
                                  dir_.File("missing.xsd"));
    EXPECT_FALSE(creator.m_bLoadFailed);
    EXPECT_NE(creator.GetDocument(), nullptr);
    EXPECT_EQ(debug.text(), "Unspecified error\n" + dir_.File("missing.xsd") +
                                ": No such file or directory\n");
  }
}

TEST_F(CommonIOTest, VersionTextAndPacking) {
  struct Case {
    const char* text;
    IOVersion parsed;
    int parts;
    std::int32_t packed;
  };
  const Case cases[] = {
      {"3.3.0.0", {3, 3, 0, 0}, 4, 3030000},
      {"7.0.1.0", {7, 0, 1, 0}, 4, 7000100},
      {"1.0.0.100", {1, 0, 0, 100}, 4, 1000100},
      {"1.5", {1, 5, 0, 0}, 2, 1050000},
      {" 2. 4.x", {2, 4, 0, 0}, 2, 2040000},
      {"abc", {0, 0, 0, 0}, 0, 0},
  };
  for (const Case& c : cases) {
    IOVersion version;
    EXPECT_EQ(version.Parse(c.text), c.parts) << c.text;
    EXPECT_EQ(version, c.parsed) << c.text;
    EXPECT_EQ(version.Pack(), c.packed) << c.text;
  }
  EXPECT_EQ((IOVersion{3, 3, 0, 0}.ToString()), "3.3.0.0");
  EXPECT_EQ((IOVersion{-1, 0, 0, 7}.ToString()), "-1.0.0.7");
}

TEST_F(CommonIOTest, RootLookupAndItsErrors) {
  struct Case {
    const char* xml;
    const char* error;  // what() of the exception, or "" for none
  };
  const Case cases[] = {
      {"<?xml version='1.0'?><!-- c --><DeviceSeries strVersion='7.0.1.0'/>",
       ""},
      {"<Other strVersion='1.0.0.0'/>",
       "XMLIO reader reports lexically conforming but invalid structured xml "
       "file"},
      {"<deviceseries strVersion='1.0.0.0'/>",
       "XMLIO reader reports lexically conforming but invalid structured xml "
       "file"},
      {"<DeviceSeries/>", "DeviceSeriesIO: Lacking version attribute"},
  };
  for (const Case& c : cases) {
    WriteFileBytes(dir_.File("f.xml"), c.xml);
    TestIO io(dir_.File("f.xml"));
    ASSERT_TRUE(io.EnsureDocumentLoaded());
    try {
      DomNode root = io.LocateRootElement();
      EXPECT_STREQ(c.error, "") << c.xml;
      EXPECT_EQ(root.GetNodeName(), "DeviceSeries");
      EXPECT_EQ(io.m_nFileVersion, 7000100);
    } catch (const std::exception& error) {
      EXPECT_STREQ(error.what(), c.error) << c.xml;
    }
  }
}

TEST_F(CommonIOTest, VersionGateFollowsTheHostTitle) {
  struct Case {
    const char* version;
    int gated;  // CheckFileVersion under the product's title
  };
  const Case cases[] = {
      {"3.3.0.0", 0},  {"3.3.9.9", 0},  {"1.0.0.0", -1},
      {"3.2.0.0", -1}, {"7.0.1.0", -1}, {"4.3.0.0", 1},
  };
  GatedHost gated;
  for (const Case& c : cases) {
    WriteFileBytes(
        dir_.File("v.xml"),
        std::string("<DeviceSeries strVersion='") + c.version + "'/>");
    {
      TestIO io(dir_.File("v.xml"));
      EXPECT_EQ(io.CheckFileVersion(), 0) << c.version;
    }
    platform::ResourceProvider* previous =
        platform::Seam<platform::ResourceProvider>::Install(&gated);
    {
      TestIO io(dir_.File("v.xml"));
      EXPECT_EQ(io.CheckFileVersion(), c.gated) << c.version;
      IOVersion found;
      found.Parse(c.version);
      // The version is kept even when the gate rejects the file.
      EXPECT_EQ(io.m_nFileVersion, found.Pack());
    }
    platform::Seam<platform::ResourceProvider>::Install(previous);
  }
}

TEST_F(CommonIOTest, WriteDocumentFilePairsTheRuntimeAndReportsFailure) {
  auto build = [](DomDocument& document) {
    return document.CreateElement("Root");
  };
  EXPECT_TRUE(WriteDocumentFile(dir_.File("ok.xml"), build));
  EXPECT_EQ(tovra::testing::ReadFileBytes(dir_.File("ok.xml")),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Root/>\n");
  EXPECT_FALSE(WriteDocumentFile(dir_.File("no/such/x.xml"), build));
  EXPECT_FALSE(WriteDocumentFile(dir_.File("throws.xml"), [](DomDocument&) {
    throw std::runtime_error("x");
    return DomNode();
  }));
  EXPECT_FALSE(tovra::testing::FileExists(dir_.File("throws.xml")));
  platform::SetDomServiceAvailableForTesting(false);
  EXPECT_FALSE(WriteDocumentFile(dir_.File("off.xml"), build));
  platform::SetDomServiceAvailableForTesting(true);
  platform::SetCoInitializeFailureForTesting(platform::E_FAIL);
  EXPECT_FALSE(WriteDocumentFile(dir_.File("off.xml"), build));
  EXPECT_FALSE(tovra::testing::FileExists(dir_.File("off.xml")));
}

}  // namespace
