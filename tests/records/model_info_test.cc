// The model record: its "ModelInfo" element and its standalone file.
#include "devseries/records/printer/model_info.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "devseries/platform/com.h"
#include "devseries/platform/com_codes.h"
#include "devseries/platform/dom_testing.h"
#include "tests/support/temp_dir.h"
#include "tests/support/xml_test_support.h"

using namespace devseries;

namespace {

using platform::E_POINTER;
using xml_test::Parse;
using xml_test::SeamReset;

// The names of the children of `element`, each followed by a blank.
std::string ChildNames(DomNode element) {
  std::string names;
  for (DomNode n = element.GetFirstChild(); n; n = n.GetNextSibling()) {
    names += n.GetNodeName() + " ";
  }
  return names;
}

// The text of the child of `element` named `name`; "(none)" when absent.
std::string ChildText(DomNode element, const std::string& name) {
  for (DomNode n = element.GetFirstChild(); n; n = n.GetNextSibling()) {
    if (n.IsElementNamed(name)) return n.GetText();
  }
  return "(none)";
}

// A table element of `count` children holding first, first + 1, ...
std::string Table(int first, int count) {
  std::string xml = "<t>";
  for (int i = 0; i < count; ++i) {
    xml += "<v>" + std::to_string(first + i) + "</v>";
  }
  return xml + "</t>";
}

// The 21 positional children, named freely: the reader does not look.
std::vector<std::string> PrefixChildren() {
  return {"<a>Long Name</a>", "<b>MIB</b>",       "<c>Folder</c>",
          "<d>1371.6</d>",    "<e>2</e>",         Table(100, 24),
          Table(200, 24),     "<f>true</f>",      "<g>3</g>",
          "<h>4</h>",         "<i>static</i>",    "<j>extra</j>",
          "<k>active</k>",    "<l>model.ppd</l>", "<m>1.5</m>",
          "<n>2.5</n>",       "<o>3.5</o>",       "<p>4.5</p>",
          "<q>5.5</q>",       "<r>6.5</r>",       "<s>7.5</s>"};
}

std::string ModelXml(const std::vector<std::string>& prefix,
                     const std::string& optional) {
  std::string xml = "<ModelInfo>";
  for (const std::string& child : prefix) xml += child;
  return xml + optional + "</ModelInfo>";
}

// `record` with the values PrefixChildren() carries.
ModelInfo WithPrefix(ModelInfo record) {
  record.strLongModelName = "Long Name";
  record.strMIBModelName = "MIB";
  record.strFolderName = "Folder";
  record.dMaxWidth = 1371.6;
  record.nHeadNum = 2;
  for (int i = 0; i < 24; ++i) {
    record.nHeadPositionIndex[i] = 100 + i;
    record.nDefaultInkIndex[i] = 200 + i;
  }
  record.bCutFeature = true;
  record.nHeaterFeature = 3;
  record.nHeadHeightMask = 4;
  record.strStaticStatus = "static";
  record.strStaticExtraStatus = "extra";
  record.strActiveStatus = "active";
  record.strPPDFile = "model.ppd";
  record.dCropMargin_mm = 1.5;
  record.dCropSize_mm = 2.5;
  record.dPageSpace_mm = 3.5;
  record.dHWLeftMargin_mm = 4.5;
  record.dHWRightMargin_mm = 5.5;
  record.dHWTopMargin_mm = 6.5;
  record.dHWBottomMargin_mm = 7.5;
  return record;
}

// `record` as the reader leaves it before the optional part.
ModelInfo WithReaderDefaults(ModelInfo record) {
  record.nMaxCutSpeed = 60;
  record.nExtraValue1 = 0;
  record.strRequiredFirmwareVersion.clear();
  record.strRecommendedFirmwareVersion.clear();
  record.nMinimumReturnScanSpeed = 1000;
  record.nMaximumReturnScanSpeed = 1000;
  return record;
}

// Every stored member set to a value that is neither its construction value
// nor a reader default; floats survive rounding to 3 decimals.
ModelInfo Sample() {
  ModelInfo r = WithPrefix(ModelInfo());
  r.bHalfCutFeature = true;
  r.strBMPFileName = "model.bmp";
  r.nMaxCutSpeed = 61;
  r.strExtension = "ext";
  r.nMinimumScanSpeed = 251;
  r.nMaximumScanSpeed = 1001;
  r.nMinimumFeedSpeed = 2;
  r.nMaximumFeedSpeed = 51;
  r.nMinimumPageInterval_mm = 5;
  r.nMaximumPageInterval_mm = 201;
  r.nMinimumPreHeaterTemperature = 36;
  r.nMaximumPreHeaterTemperature = 51;
  r.nMinimumHeaterTemperature = 37;
  r.nMaximumHeaterTemperature = 52;
  r.nMinimumDrierTemperature = 38;
  r.nMaximumDrierTemperature = 53;
  r.dMinimumFeedCalibration_mm = -2.5;
  r.dMaximumFeedCalibration_mm = 2.75;
  r.nMinimumCutForce = 31;
  r.nMaximumCutForce = 301;
  r.nMinimumHalfCutForce = 3;
  r.nMaximumHalfCutForce = 81;
  r.flMaximumCutOffset = 2.25f;
  r.nGetMethodType = 4;
  r.nScanSpeedType = 5;
  r.strDllName = "model.dll";
  r.strDriverName = "Driver";
  r.strRequiredFirmwareVersion = "1.02";
  r.strRecommendedFirmwareVersion = "1.05";
  r.nNozzleCountPerHeadColumn = 180;
  r.flNozzleResolution = 0.125f;
  r.nMinimumReturnScanSpeed = 1002;
  r.nMaximumReturnScanSpeed = 1003;
  r.dMaxLength = 50000.125;
  r.bOverlapCutPerCutPath = true;
  r.nUVLampCount = 2;
  r.bHBridgeFeature = true;
  return r;
}

ModelInfo WithExtras(ModelInfo r) {
  r.nExtraValue1 = 11;
  r.strExtraText = "extra text";
  r.bExtraFlag1 = true;
  r.bExtraFlag2 = true;
  r.aExtraTable1 = {{"a", "b", 1, -2}};
  r.aExtraTable2 = {{"c", "d", INT64_MAX, INT64_MIN}, {"", "e", 0, 3}};
  r.nExtraValue2 = 12;
  r.nExtraValue3 = 13;
  r.bExtraFlag3 = true;
  r.nExtraValue4 = 14;
  return r;
}

ModelInfo ReadXml(const std::string& xml, ModelInfo record = ModelInfo()) {
  DomDocument doc;
  ModelInfoIO().ReadModelInfo(Parse(doc, xml), record);
  return record;
}

HRESULT ReadError(const std::string& xml, ModelInfo& record) {
  DomDocument doc;
  DomNode element = Parse(doc, xml);
  try {
    ModelInfoIO().ReadModelInfo(element, record);
  } catch (const platform::_com_error& error) {
    return error.Error();
  }
  return 0;
}

// The element names in the order the writer appends them, the firmware
// texts included.
constexpr const char* kGoldenNames =
    "strLongModelName strMIBModelName strFolderName dMaxWidth nHeadNum "
    "nHeadPositionIndex nDefaultInkIndex bCutFeature nHeaterFeature "
    "nHeadHeightMask strStaticStatus strStaticExtraStatus "
    "strActiveStatus strPPDFile dCropMargin_mm dCropSize_mm "
    "dPageSpace_mm dHWLeftMargin_mm dHWRightMargin_mm dHWTopMargin_mm "
    "dHWBottomMargin_mm strBMPFileName nMaxCutSpeed strExtension "
    "nMinimumPageInterval_mm nMaximumPageInterval_mm nMinimumScanSpeed "
    "nMaximumScanSpeed nMinimumFeedSpeed nMaximumFeedSpeed "
    "nMinimumPreHeaterTemperature nMaximumPreHeaterTemperature "
    "nMinimumHeaterTemperature nMaximumHeaterTemperature "
    "nMinimumDrierTemperature nMaximumDrierTemperature "
    "dMinimumFeedCalibration_mm dMaximumFeedCalibration_mm "
    "nMinimumCutForce nMaximumCutForce flMaximumCutOffset "
    "nGetMethodType nScanSpeedType strDllName strDriverName "
    "strRequiredFirmwareVersion strRecommendedFirmwareVersion "
    "nNozzleCountPerHeadColumn flNozzleResolution "
    "nMinimumReturnScanSpeed nMaximumReturnScanSpeed dMaxLength "
    "bOverlapCutPerCutPath nUVLampCount bHBridgeFeature "
    "bHalfCutFeature nMinimumHalfCutForce nMaximumHalfCutForce ";

std::string GoldenWithout(const std::vector<std::string>& omitted) {
  std::string names = kGoldenNames;
  for (const std::string& name : omitted) {
    names.erase(names.find(name + " "), name.size() + 1);
  }
  return names;
}

TEST(ModelInfoWriteTest, ChildrenInWriterOrderFirmwareOnlyWhenSet) {
  struct Case {
    const char* required;
    const char* recommended;
    std::vector<std::string> omitted;
  };
  const Case cases[] = {
      {"1.02", "1.05", {}},
      {"", "1.05", {"strRequiredFirmwareVersion"}},
      {"1.02", "", {"strRecommendedFirmwareVersion"}},
      {"", "", {"strRequiredFirmwareVersion", "strRecommendedFirmwareVersion"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.required) + "/" + c.recommended);
    // The extra members are set too: none of them may show up.
    ModelInfo record = WithExtras(Sample());
    record.strRequiredFirmwareVersion = c.required;
    record.strRecommendedFirmwareVersion = c.recommended;
    DomDocument doc;
    DomNode element = ModelInfoIO().WriteModelInfo(doc, record);
    EXPECT_EQ(element.GetNodeName(), "ModelInfo");
    EXPECT_EQ(ChildNames(element), GoldenWithout(c.omitted));
  }
}

TEST(ModelInfoWriteTest, TablesAndValueTexts) {
  ModelInfo record = Sample();
  record.flNozzleResolution = 0.0004f;
  DomDocument doc;
  DomNode element = ModelInfoIO().WriteModelInfo(doc, record);
  for (const char* table : {"nHeadPositionIndex", "nDefaultInkIndex"}) {
    SCOPED_TRACE(table);
    DomNode node = element.GetFirstChild();
    while (!node.IsElementNamed(table)) node = node.GetNextSibling();
    std::string expected;
    for (int i = 0; i < 24; ++i) expected += "value" + std::to_string(i) + " ";
    EXPECT_EQ(ChildNames(node), expected);
  }
  EXPECT_EQ(ChildText(element, "dMaxWidth"), "1371.600");
  EXPECT_EQ(ChildText(element, "flNozzleResolution"), "0.000");
  EXPECT_EQ(ChildText(element, "flMaximumCutOffset"), "2.250");
  EXPECT_EQ(ChildText(element, "dMinimumFeedCalibration_mm"), "-2.500");
  EXPECT_EQ(ChildText(element, "bCutFeature"), "true");
  EXPECT_EQ(ChildText(element, "bHBridgeFeature"), "true");
  EXPECT_EQ(ChildText(ModelInfoIO().WriteModelInfo(doc, ModelInfo()),
                      "bHalfCutFeature"),
            "false");
  EXPECT_EQ(ChildText(element, "nHeaterFeature"), "3");
}

TEST(ModelInfoReadTest, ExtraMembersUntouchedExceptValue1) {
  const ModelInfo extras = WithExtras(ModelInfo());
  DomDocument doc;
  DomNode element = ModelInfoIO().WriteModelInfo(doc, Sample());
  ModelInfo read = extras;
  ModelInfoIO().ReadModelInfo(element, read);
  ModelInfo expected = WithExtras(Sample());
  expected.nExtraValue1 = 0;
  EXPECT_EQ(read, expected);
  EXPECT_EQ(read.aExtraTable2, extras.aExtraTable2);
}

TEST(ModelInfoReadTest, ReversedOptionalChildrenReadTheSame) {
  DomDocument doc;
  DomNode element = ModelInfoIO().WriteModelInfo(doc, Sample());
  std::vector<DomNode> children;
  for (DomNode n = element.GetFirstChild(); n; n = n.GetNextSibling()) {
    children.push_back(n);
  }
  // Moves the optional children to the end, last first.
  for (size_t i = children.size(); i-- > 21;) element.AppendChild(children[i]);
  ASSERT_EQ(element.GetFirstChild().GetNextSibling().GetNodeName(),
            "strMIBModelName");
  ModelInfo read;
  ModelInfoIO().ReadModelInfo(element, read);
  EXPECT_EQ(read, Sample());
}

TEST(ModelInfoReadTest, OptionalPart) {
  // Read over a record whose optional members all differ from their
  // construction values and reader defaults.
  const ModelInfo before = WithExtras(Sample());
  const ModelInfo base = WithReaderDefaults(WithPrefix(before));
  struct Case {
    const char* name;
    std::string optional;
    ModelInfo expected;
  };
  auto with = [&](auto change) {
    ModelInfo r = base;
    change(r);
    return r;
  };
  const Case cases[] = {
      {"empty: reader defaults, the rest as before", "", base},
      {"repeated name: the later value stands",
       "<nMaxCutSpeed>5</nMaxCutSpeed><nMaxCutSpeed>7</nMaxCutSpeed>",
       with([](ModelInfo& r) { r.nMaxCutSpeed = 7; })},
      {"unknown names, case and other nodes skipped",
       "<nUnknown>1</nUnknown><nmaxcutspeed>5</nmaxcutspeed><!--c-->"
       "<nUVLampCount>4</nUVLampCount>",
       with([](ModelInfo& r) { r.nUVLampCount = 4; })},
      {"firmware texts and return-scan speeds",
       "<strRecommendedFirmwareVersion>2.0</strRecommendedFirmwareVersion>"
       "<nMaximumReturnScanSpeed>900</nMaximumReturnScanSpeed>",
       with([](ModelInfo& r) {
         r.strRecommendedFirmwareVersion = "2.0";
         r.nMaximumReturnScanSpeed = 900;
       })},
      {"values decode by kind",
       "<bHalfCutFeature>True</bHalfCutFeature>"
       "<flMaximumCutOffset>0.5</flMaximumCutOffset>"
       "<dMaxLength>1e3</dMaxLength><strExtension></strExtension>"
       "<nMinimumCutForce>12abc</nMinimumCutForce>",
       with([](ModelInfo& r) {
         r.bHalfCutFeature = false;
         r.flMaximumCutOffset = 0.5f;
         r.dMaxLength = 1000;
         r.strExtension = "";
         r.nMinimumCutForce = 12;
       })},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ReadXml(ModelXml(PrefixChildren(), c.optional), before),
              c.expected);
  }
}

TEST(ModelInfoReadTest, PrefixIsPositional) {
  {
    SCOPED_TRACE("an optional name inside the prefix");
    std::vector<std::string> prefix = PrefixChildren();
    prefix[0] = "<nMaxCutSpeed>77</nMaxCutSpeed>";
    const ModelInfo read = ReadXml(ModelXml(prefix, ""));
    EXPECT_EQ(read.strLongModelName, "77");
    EXPECT_EQ(read.nMaxCutSpeed, 60);
  }
  {
    SCOPED_TRACE("a comment shifts the later prefix members by one");
    std::vector<std::string> prefix = PrefixChildren();
    prefix.insert(prefix.begin() + 13, "<!--9.25-->");
    // The last prefix child moves into the optional part, where its name is
    // unknown.
    const ModelInfo read = ReadXml(ModelXml(prefix, ""));
    EXPECT_EQ(read.strActiveStatus, "active");
    EXPECT_EQ(read.strPPDFile, "9.25");
    EXPECT_EQ(read.dCropMargin_mm, 0.0);  // the text model.ppd
    EXPECT_EQ(read.dCropSize_mm, 1.5);
    EXPECT_EQ(read.dHWBottomMargin_mm, 6.5);
  }
  {
    SCOPED_TRACE("table children beyond the 24th are ignored");
    std::vector<std::string> prefix = PrefixChildren();
    prefix[5] = Table(500, 30);
    const ModelInfo read = ReadXml(ModelXml(prefix, ""));
    EXPECT_EQ(read.nHeadPositionIndex[0], 500);
    EXPECT_EQ(read.nHeadPositionIndex[23], 523);
    EXPECT_EQ(read.nDefaultInkIndex[0], 200);
    EXPECT_EQ(read.strFolderName, "Folder");
  }
}

TEST(ModelInfoReadTest, MissingPrefixNodesRaiseEPointer) {
  {
    SCOPED_TRACE("a table of 23 children: slot 22 stored, then E_POINTER");
    std::vector<std::string> prefix = PrefixChildren();
    prefix[6] = Table(500, 23);
    ModelInfo record = Sample();
    record.nDefaultInkIndex.fill(-9);
    EXPECT_EQ(ReadError(ModelXml(prefix, ""), record), E_POINTER);
    EXPECT_EQ(record.nHeadPositionIndex[23], 123);
    EXPECT_EQ(record.nDefaultInkIndex[22], 522);
    EXPECT_EQ(record.nDefaultInkIndex[23], -9);
    EXPECT_EQ(record.bCutFeature, true);  // not reached: kept
    EXPECT_EQ(record.nHeaterFeature, 3);
  }
  {
    SCOPED_TRACE("20 children");
    std::vector<std::string> prefix = PrefixChildren();
    prefix.pop_back();
    ModelInfo record;
    record.dHWBottomMargin_mm = 99;
    record.nMaxCutSpeed = 5;
    EXPECT_EQ(ReadError(ModelXml(prefix, ""), record), E_POINTER);
    EXPECT_EQ(record.dHWTopMargin_mm, 6.5);
    EXPECT_EQ(record.dHWBottomMargin_mm, 99);
    EXPECT_EQ(record.nMaxCutSpeed, 5);  // reader defaults not reached
  }
  {
    SCOPED_TRACE("a leaf where a table belongs");
    std::vector<std::string> prefix = PrefixChildren();
    prefix[5] = "<t>7</t>";
    ModelInfo record;
    EXPECT_EQ(ReadError(ModelXml(prefix, ""), record), E_POINTER);
    EXPECT_EQ(record.nHeadPositionIndex[0], 7);  // the text node
  }
  ModelInfo record;
  EXPECT_EQ(ReadError("<ModelInfo/>", record), E_POINTER);
  EXPECT_THROW(ModelInfoIO().ReadModelInfo(DomNode(), record),
               platform::_com_error);
}

TEST(ModelInfoReadTest, HeaterFeatureDecodesAsTruncatedNumber) {
  const struct {
    const char* text;
    std::int32_t expected;
  } cases[] = {
      {"7.99", 7},         {"2.9", 2},   {"-1.5", -1}, {"12", 12},
      {"1e3", 1000},       {"abc", 0},   {"", 0},      {"nan", INT32_MIN},
      {"1e20", INT32_MIN}, {" 5.5x", 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    std::vector<std::string> prefix = PrefixChildren();
    prefix[8] = std::string("<g>") + c.text + "</g>";
    EXPECT_EQ(ReadXml(ModelXml(prefix, "")).nHeaterFeature, c.expected);
  }
}

TEST(ModelInfoReadTest, CutFeatureIsTrueOnlyForTrue) {
  const struct {
    const char* text;
    bool expected;
  } cases[] = {{"true", true},  {"TRUE", false},  {"1", false},
               {"True", false}, {" true", false}, {"", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    std::vector<std::string> prefix = PrefixChildren();
    prefix[7] = std::string("<f>") + c.text + "</f>";
    ModelInfo before;
    before.bCutFeature = !c.expected;
    EXPECT_EQ(ReadXml(ModelXml(prefix, ""), before).bCutFeature, c.expected);
  }
}

TEST(ModelInfoReadTest, ReadFirstTakesTheFirstModelChildOnly) {
  const std::string one = ModelXml(PrefixChildren(), "");
  std::vector<std::string> other_prefix = PrefixChildren();
  other_prefix[0] = "<a>Second</a>";
  const std::string two = ModelXml(other_prefix, "");
  DomDocument doc;
  DomNode root =
      Parse(doc, "<root><!--c--><modelinfo/><Other/>" + one + two + "</root>");
  ModelInfo record;
  ModelInfoIO().ReadFirstModelInfo(root, record);
  EXPECT_EQ(record.strLongModelName, "Long Name");

  // Only children count: a model further down is not found.
  DomNode wrapper = Parse(doc, "<root><x>" + one + "</x></root>");
  ModelInfo untouched = Sample();
  ModelInfoIO().ReadFirstModelInfo(wrapper, untouched);
  EXPECT_EQ(untouched, Sample());
}

TEST(ModelInfoFileTest, SaveThenLoad) {
  tovra::testing::ScopedTempDir dir;
  const std::string path = dir.File("model.xml");
  const int count = platform::CoInitializeCount();
  ModelInfoIO io;
  ASSERT_TRUE(io.SaveModelInfoFile(path, Sample()));
  EXPECT_EQ(platform::CoInitializeCount(), count);
  const std::string text = tovra::testing::ReadFileBytes(path);
  EXPECT_EQ(
      text.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ModelInfo>", 0),
      0u)
      << text;

  ModelInfo read = WithExtras(ModelInfo());
  ASSERT_TRUE(io.LoadModelInfoFile(path, read));
  EXPECT_EQ(platform::CoInitializeCount(), count);
  ModelInfo expected = WithExtras(Sample());
  expected.nExtraValue1 = 0;
  EXPECT_EQ(read, expected);
}

TEST(ModelInfoFileTest, SaveFailures) {
  SeamReset guard;
  tovra::testing::ScopedTempDir dir;
  const int count = platform::CoInitializeCount();
  ModelInfoIO io;

  // A save the DOM refuses reaches the caller.
  const std::string missing = dir.File("no-such-folder/model.xml");
  EXPECT_THROW(io.SaveModelInfoFile(missing, Sample()), platform::_com_error);
  EXPECT_EQ(platform::CoInitializeCount(), count);
  EXPECT_FALSE(tovra::testing::FileExists(missing));

  const std::string path = dir.File("model.xml");
  platform::SetDomServiceAvailableForTesting(false);
  EXPECT_FALSE(io.SaveModelInfoFile(path, Sample()));
  EXPECT_EQ(platform::CoInitializeCount(), count);
  platform::SetDomServiceAvailableForTesting(true);

  platform::SetCoInitializeFailureForTesting(platform::E_FAIL);
  EXPECT_FALSE(io.SaveModelInfoFile(path, Sample()));
  platform::SetCoInitializeFailureForTesting(platform::S_OK);
  EXPECT_EQ(platform::CoInitializeCount(), count);
  EXPECT_FALSE(tovra::testing::FileExists(path));
}

TEST(ModelInfoFileTest, LoadOutcomes) {
  tovra::testing::ScopedTempDir dir;
  const int count = platform::CoInitializeCount();
  ModelInfoIO io;
  ModelInfo record = Sample();

  // Unreadable or malformed files leave no document: E_POINTER.
  const std::string malformed = dir.File("bad.xml");
  tovra::testing::WriteFileBytes(malformed, "<ModelInfo>");
  for (const std::string& path : {dir.File("missing.xml"), malformed}) {
    SCOPED_TRACE(path);
    try {
      io.LoadModelInfoFile(path, record);
      ADD_FAILURE() << "no error";
    } catch (const platform::_com_error& error) {
      EXPECT_EQ(error.Error(), E_POINTER);
    }
    EXPECT_EQ(platform::CoInitializeCount(), count);
  }

  // No model element: nothing read, still true.
  const std::string other = dir.File("other.xml");
  tovra::testing::WriteFileBytes(other, "<?xml version='1.0'?><InkInfo/>");
  EXPECT_TRUE(io.LoadModelInfoFile(other, record));
  EXPECT_EQ(record, Sample());

  // A truncated model reaches the caller as the reader's error.
  const std::string truncated = dir.File("truncated.xml");
  tovra::testing::WriteFileBytes(truncated, "<ModelInfo><a>x</a></ModelInfo>");
  EXPECT_THROW(io.LoadModelInfoFile(truncated, record), platform::_com_error);
  EXPECT_EQ(record.strLongModelName, "x");
  EXPECT_EQ(platform::CoInitializeCount(), count);
}

}  // namespace
