// dsrtool dump, build and roundtrip, end to end through the built tool: the
// JSON form of every record kind, and dump -> build -> dump reproducing a
// file's records.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "devseries/device_series.h"
#include "tests/support/temp_dir.h"
#include "tests/tools/tool_runner.h"

using namespace devseries;

namespace {

using Json = nlohmann::json;
using tovra::testing::LineCount;
using tovra::testing::ReadFileBytes;
using tovra::testing::RunDsrTool;
using tovra::testing::ScopedTempDir;
using tovra::testing::ToolRun;
using tovra::testing::WriteFileBytes;

// ------------------------------------------------------------ XML helpers

std::string Repeat(const std::string& text, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) out += text;
  return out;
}

// A table element with children value0..value23 holding first, first + 1...
std::string Slots(const std::string& tag, int first) {
  std::string xml = "<" + tag + ">";
  for (int i = 0; i < 24; ++i) {
    std::string name = "value" + std::to_string(i);
    xml += "<" + name + ">" + std::to_string(first + i) + "</" + name + ">";
  }
  return xml + "</" + tag + ">";
}

// A language string set with an English and, optionally, a Japanese text.
std::string Lang(const std::string& tag, const std::string& english,
                 const std::string& japanese = "") {
  std::string xml = "<" + tag + "><English>" + english + "</English>";
  if (!japanese.empty()) xml += "<Japanese>" + japanese + "</Japanese>";
  return xml + "</" + tag + ">";
}

// The language names of the tool's string table, in entry order.
const char* const kLanguages[] = {"English",
                                  "French",
                                  "German",
                                  "Italian",
                                  "Spanish",
                                  "Portuguese",
                                  "Japanese",
                                  "Chinese_Simplified",
                                  "Chinese_Traditional",
                                  "Korean",
                                  "Russian",
                                  "Turkish",
                                  "Arabic"};

// The same set as JSON: an object keyed by the 13 language names.
std::string LangJson(const std::string& english,
                     const std::string& japanese = "") {
  std::string json = "{";
  for (const char* language : kLanguages) {
    const std::string& text = std::string(language) == "English" ? english
                              : std::string(language) == "Japanese"
                                  ? japanese
                                  : std::string();
    json += std::string(json.size() > 1 ? "," : "") + "\"" + language +
            "\":\"" + text + "\"";
  }
  return json + "}";
}

std::string SequenceJson(int first, int count) {
  std::string json = "[";
  for (int i = 0; i < count; ++i) {
    json += (i ? "," : "") + std::to_string(first + i);
  }
  return json + "]";
}

const char* const kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

// ------------------------------------------ one record of each kind, as XML
// (minimal, hand-written: positional children, a few optional ones) and as
// the JSON the tool must print for it (every member, read values and reader
// defaults and construction values alike).

const std::string kModelXml =
    "<ModelInfo><strLongModelName>VX-1 &amp; co</strLongModelName>"
    "<strMIBModelName>VX1</strMIBModelName><strFolderName>vx1</strFolderName>"
    "<dMaxWidth>1371.600</dMaxWidth><nHeadNum>2</nHeadNum>" +
    Slots("nHeadPositionIndex", 0) + Slots("nDefaultInkIndex", 100) +
    "<bCutFeature>true</bCutFeature><nHeaterFeature>2.9</nHeaterFeature>"
    "<nHeadHeightMask>3</nHeadHeightMask><strStaticStatus>static"
    "</strStaticStatus><strStaticExtraStatus/><strActiveStatus/>"
    "<strPPDFile>vx1.ppd</strPPDFile><dCropMargin_mm>1.500</dCropMargin_mm>"
    "<dCropSize_mm>0.000</dCropSize_mm><dPageSpace_mm>0.000</dPageSpace_mm>"
    "<dHWLeftMargin_mm>0.000</dHWLeftMargin_mm><dHWRightMargin_mm>0.000"
    "</dHWRightMargin_mm><dHWTopMargin_mm>0.000</dHWTopMargin_mm>"
    "<dHWBottomMargin_mm>-2.250</dHWBottomMargin_mm>"
    "<flNozzleResolution>0.100</flNozzleResolution>"
    "<strRequiredFirmwareVersion>2.1</strRequiredFirmwareVersion></ModelInfo>";

// nHeaterFeature 2.9 truncates to 2; nMaxCutSpeed and the return-scan speeds
// are the reader's defaults; the extra members keep construction values;
// the float 0.1 prints as the double it widens to.
const std::string kModelJson =
    R"({"strLongModelName":"VX-1 & co","strMIBModelName":"VX1",
    "strFolderName":"vx1","dMaxWidth":1371.6,"nHeadNum":2,
    "nHeadPositionIndex":)" +
    SequenceJson(0, 24) + R"(,"nDefaultInkIndex":)" + SequenceJson(100, 24) +
    R"(,"bCutFeature":true,"bHalfCutFeature":false,"nHeaterFeature":2,
    "nHeadHeightMask":3,"strStaticStatus":"static","strStaticExtraStatus":"",
    "strActiveStatus":"","strPPDFile":"vx1.ppd","dCropMargin_mm":1.5,
    "dCropSize_mm":0.0,"dPageSpace_mm":0.0,"dHWLeftMargin_mm":0.0,
    "dHWRightMargin_mm":0.0,"dHWTopMargin_mm":0.0,"dHWBottomMargin_mm":-2.25,
    "strBMPFileName":"","nMaxCutSpeed":60,"strExtension":"",
    "nMinimumScanSpeed":250,"nMaximumScanSpeed":1000,"nMinimumFeedSpeed":1,
    "nMaximumFeedSpeed":50,"nMinimumPageInterval_mm":0,
    "nMaximumPageInterval_mm":200,"nMinimumPreHeaterTemperature":35,
    "nMaximumPreHeaterTemperature":50,"nMinimumHeaterTemperature":35,
    "nMaximumHeaterTemperature":50,"nMinimumDrierTemperature":35,
    "nMaximumDrierTemperature":50,"dMinimumFeedCalibration_mm":-2.0,
    "dMaximumFeedCalibration_mm":2.0,"nMinimumCutForce":30,
    "nMaximumCutForce":300,"nMinimumHalfCutForce":1,"nMaximumHalfCutForce":80,
    "flMaximumCutOffset":1.5,
    "nGetMethodType":1,"nScanSpeedType":0,"strDllName":"","strDriverName":"",
    "strRequiredFirmwareVersion":"2.1","strRecommendedFirmwareVersion":"",
    "nNozzleCountPerHeadColumn":0,"flNozzleResolution":0.1,
    "nMinimumReturnScanSpeed":1000,
    "nMaximumReturnScanSpeed":1000,"dMaxLength":0.0,
    "bOverlapCutPerCutPath":false,"nUVLampCount":0,"bHBridgeFeature":false})";

const std::string kInkXml =
    "<InkInfo><nInkIndex>3</nInkIndex>" +
    Lang("strLongInkName", "Cyan", "シアン") +
    "<strShortInkName>C</strShortInkName>"
    "<lightColor><R>300</R><G>2</G><B>255</B></lightColor>"
    "<darkColor><R>0</R><G>128</G><B>-1</B></darkColor>"
    "<nCapacity>440</nCapacity><flPrice>12.500</flPrice></InkInfo>";
const std::string kInkJson =
    R"({"nInkIndex":3,"strLongInkName":)" + LangJson("Cyan", "シアン") +
    R"(,"strShortInkName":"C","lightColor":{"nRed":44,"nGreen":2,"nBlue":255},
    "darkColor":{"nRed":0,"nGreen":128,"nBlue":255},"flPrice":12.5,
    "nCapacity":440})";

const std::string kInkConfigXml =
    "<InkConfigInfo><nInkConfigIndex>1</nInkConfigIndex>" +
    Lang("strInkConfigName", "CMYK") + "<strFolderName>cmyk</strFolderName>" +
    "<nInkIndexList>" + Repeat("<nInkIndex>3</nInkIndex>", 24) +
    "</nInkIndexList></InkConfigInfo>";
const std::string kInkConfigJson =
    R"({"nInkConfigIndex":1,"strInkConfigName":)" + LangJson("CMYK") +
    R"(,"strFolderName":"cmyk","nInkIndexList":[)" + Repeat("3,", 23) + "3]}";

const std::string kResolutionXml =
    "<ResolutionInfo><nResolutionIndex>1</nResolutionIndex>" +
    Lang("strResolutionName", "720 dpi") +
    "<flScanResolution>720.000</flScanResolution>"
    "<flFeedResolution>1440.500</flFeedResolution></ResolutionInfo>";
const std::string kResolutionJson =
    R"({"nResolutionIndex":1,"strResolutionName":)" + LangJson("720 dpi") +
    R"(,"flScanResolution":720.0,"flFeedResolution":1440.5})";

// One lamp entry, position 1 with only its backward power: the forward
// power reads as 100, the base powers are construction values.
const std::string kModeXml =
    "<ModeInfo><nModeIndex>1</nModeIndex><strModeName>fast</strModeName>"
    "<nInkNum>4</nInkNum>" +
    Slots("nInkIndexList", 0) +
    "<nBitsPerPixel>2</nBitsPerPixel><nDotType>1</nDotType>"
    "<strDotSize>S,M,L</strDotSize><aUVLampPowerList>"
    "<UVLampPower position=\"1\"><nBackwardPower>90</nBackwardPower>"
    "</UVLampPower></aUVLampPowerList></ModeInfo>";
const std::string kModeJson =
    R"({"nModeIndex":1,"strModeName":"fast","nInkNum":4,"nInkIndexList":)" +
    SequenceJson(0, 24) +
    R"(,"nBitsPerPixel":2,"nDotType":1,"strDotSize":"S,M,L",
    "strNozzleMask":"","nPassesPerLine":0,"strPJLOption":"",
    "flFeedResolutionPerPass":180.0,"nInkVolumeIndex":-1,"nNozzleMaskCount":0,
    "nEmptyPathLength":0,"nAdditionalPrintingTime":0,"aUVLampPowerList":[
    {"nForwardPower":100,"nBackwardPower":100},
    {"nForwardPower":100,"nBackwardPower":90}]})";

const std::string kPatternXml =
    "<PatternInfo><nFMPatternIndex>5</nFMPatternIndex>"
    "<nScanPixelSize>64</nScanPixelSize><nFeedPixelSize>32</nFeedPixelSize>"
    "<strPatternFile>fm5.bin</strPatternFile></PatternInfo>";
const std::string kPatternJson =
    R"({"nFMPatternIndex":5,"nScanPixelSize":64,"nFeedPixelSize":32,
    "strPatternFile":"fm5.bin"})";

// A table without a carried output table (eType 0), which the JSON does not
// show.
const std::string kSeparationXml =
    "<SeparationInfo><nSeparationIndex>7</nSeparationIndex>" +
    Lang("strSeparationName", "CMYK") +
    "<nOutputChannel>1</nOutputChannel><aSeparationTableList>"
    "<SeparationTable><nInputChannelNum>1</nInputChannelNum><usOutputTable/>"
    "<dStart>0.500</dStart><dPeak>0.000</dPeak><dMax>0.000</dMax>"
    "<dEnd>1.000</dEnd><strInputChannel>C</strInputChannel>"
    "<nInkIndex>3</nInkIndex></SeparationTable></aSeparationTableList>"
    "<nPrintChartFileInfoIndex>1</nPrintChartFileInfoIndex>"
    "<strInkLimitTableFile>limit.txt</strInkLimitTableFile>"
    "<anInputChannelInkIndexList><nInkIndex>3</nInkIndex><nInkIndex>4"
    "</nInkIndex><nInkIndex>5</nInkIndex><nInkIndex>6</nInkIndex>"
    "</anInputChannelInkIndexList></SeparationInfo>";
const std::string kSeparationJson =
    R"({"nSeparationIndex":7,"strSeparationName":)" + LangJson("CMYK") +
    R"(,"nOutputChannel":1,"aSeparationTableList":[{"nInputChannelNum":1,
    "eType":0,"dStart":0.5,"dPeak":0.0,
    "dMax":0.0,"dEnd":1.0,"dEndMax":0.0,"strInputChannel":"C","nInkIndex":3,
    "nHeadCount":1}],"nPrintChartFileInfoIndex":1,
    "strInkLimitTableFile":"limit.txt","anInputChannelInkIndexList":[3,4,5,6]})";

const std::string kVControlXml =
    "<VControlPoint><nVControlIndex>4</nVControlIndex>"
    "<dMediumPeak>1.235</dMediumPeak></VControlPoint>";
const std::string kVControlJson =
    R"({"nVControlIndex":4,"dSmallStart":0.0,"dSmallPeak":0.0,"dSmallMax":0.0,
    "dSmallEnd":0.0,"dSmallEndMax":0.0,"dMediumStart":0.0,"dMediumPeak":1.235,
    "dMediumMax":0.0,"dMediumEnd":0.0,"dMediumEndMax":0.0,"dLargeStart":0.0,
    "dLargePeak":0.0,"dLargeMax":0.0,"dLargeEnd":0.0,"dLargeEndMax":0.0})";

const std::string kTimeStampXml =
    "<TimeStamp><year>2017</year><month>5</month><day>6</day><hour>7</hour>"
    "<minute>8</minute><second>9</second><ms>999</ms></TimeStamp>";
const std::string kTimeStampJson =
    R"({"year":2017,"month":5,"day":6,"hour":7,"minute":8,"second":9,
    "ms":999})";

// eDirection 3 gains its preferred direction (131075); without a
// "bRecommended" child it follows bVisiblePermission; a vacuum power of -1
// reads as 0; nDryHeater 0 turns the drier off; nDeepCutForce 12.9 reads as
// 12. The calibration tables (21 entries each) are patched in below.
const std::string kMediaXml =
    "<MediaInfo>" + Lang("strMediaName", "Vinyl", "ビニル") +
    Lang("strBaseMediaName", "Base") +
    "<aPermissionSetList><PermissionSet><nPermissionIndex>1</nPermissionIndex>"
    "<anInkConfigIndexList><anInkConfigIndex>1</anInkConfigIndex>"
    "<anInkConfigIndex>2</anInkConfigIndex></anInkConfigIndexList>"
    "<nResolutionIndex>1</nResolutionIndex><nModeIndex>1</nModeIndex>"
    "<eDirection>3</eDirection><eScreen>8</eScreen><screenOption>"
    "<bUseCustomSetting>true</bUseCustomSetting><nLineCount>45</nLineCount>"
    "<eDotShape>2</eDotShape><flDegrees><flDegree0>15.000</flDegree0>"
    "<flDegree1>75.000</flDegree1><flDegree2>0.000</flDegree2>"
    "<flDegree3>45.000</flDegree3></flDegrees></screenOption>"
    "<anVControlIndexList><anVControlIndex>4</anVControlIndex>"
    "</anVControlIndexList><anFMPatternIndexList><anFMPatternIndex>5"
    "</anFMPatternIndex></anFMPatternIndexList>"
    "<nSeparationIndex>7</nSeparationIndex><aCalibrationInfoList>"
    "<CalibrationInfo><nOutputLimit>90</nOutputLimit><density>" +
    Repeat("<value>0.500</value>", 21) + "</density><lab>" +
    Repeat("<value><l>50.000</l><a>-4.500</a><b>1.250</b></value>", 21) +
    "</lab></CalibrationInfo></aCalibrationInfoList>"
    "<bVisiblePermission>false</bVisiblePermission></PermissionSet>"
    "</aPermissionSetList><aQualityInfoList><QualityInfo>"
    "<nQualityLevel>2</nQualityLevel>" +
    Lang("strQualityName", "Fine") +
    "<anPermissionIndexList><anPermissionIndex>1</anPermissionIndex>"
    "</anPermissionIndexList></QualityInfo></aQualityInfoList>"
    "<nDefaultLevel>2</nDefaultLevel><nDryTime>30</nDryTime>"
    "<nVacuumPower>-1</nVacuumPower><eHeadHeight>1</eHeadHeight>"
    "<aflFeedCalibration><value>0.150</value></aflFeedCalibration>"
    "<nPreHeater>35</nPreHeater><nPrintHeater>40</nPrintHeater>"
    "<nDryHeater>0</nDryHeater><nCutCount>1</nCutCount>"
    "<nCutVelocity>20</nCutVelocity><nCutForce>100</nCutForce>"
    "<flCutOffset>0.250</flCutOffset>" +
    kTimeStampXml + "<nDeepCutForce>12.900</nDeepCutForce></MediaInfo>";
const std::string kMediaJson =
    R"({"strMediaName":)" + LangJson("Vinyl", "ビニル") +
    R"(,"strBaseMediaName":)" + LangJson("Base") +
    R"(,"aPermissionSetList":[{"nPermissionIndex":1,
    "anInkConfigIndexList":[1,2],"nResolutionIndex":1,"nModeIndex":1,
    "nPassmaskIndex":0,"eDirection":131075,"eScreen":8,
    "anVControlIndexList":[4],"anFMPatternIndexList":[5],"nSeparationIndex":7,
    "aCalibrationInfoList":[{"nOutputLimit":90,"density":"21 x 0.5",
    "lab":"21 x l a b"}],"nInkLimit":0,"strPrinterProfile":"",
    "nScanSpeed":0,"nFeedSpeed":0,"bVisiblePermission":false,
    "screenOption":{"bUseCustomSetting":true,"nLineCount":45,"eDotShape":2,
    "flDegrees":[15.0,75.0,0.0,45.0]},"bRecommended":false,
    "nRealPassCount":0,"strNextPermissionIndex":""}],
    "aQualityInfoList":[{"nQualityLevel":2,"strQualityName":)" +
    LangJson("Fine") +
    R"(,"anPermissionIndexList":[1],"bVisibleQuality":true}],
    "nDefaultLevel":2,"nDryTime":30,"nVacuumPower":0,"eHeadHeight":1,
    "aflFeedCalibration":[0.15],"nPreHeater":35,
    "nPrintHeater":40,"nDryHeater":0,"nCutCount":1,"nCutVelocity":20,
    "nCutForce":100,"flCutOffset":0.25,"TimeStamp":)" +
    kTimeStampJson + R"(,"bVisibleMedia":true,"bCuttingMedia":true,
    "bUpdateNeeded":false,"nInputRoute":0,"bPreHeaterEnable":true,
    "bPrinterHeaterEnable":true,"bDrierEnable":false,"nMediaAttribute":0,
    "bHideUnrecommendedMode":1,"flNormalCutForceRange":0.5,
    "flDeepCutForceRange":50.0,"nDeepCutForce":12,"nHalfCutForce":0,
    "nOverPrintCount":1,"bUseDensityCalibration":false})";

const std::string kCustomColorXml =
    "<CustomColorInfo><strColorName>Orange</strColorName><CMYKOGColor>"
    "<C VALUE=\"1\"/><M VALUE=\"2\"/><Y VALUE=\"3\"/><K VALUE=\"4\"/>"
    "<O VALUE=\"5\"/><G VALUE=\"6\"/></CMYKOGColor>"
    "<strMatchLibName>lib</strMatchLibName></CustomColorInfo>";
const std::string kCustomColorJson =
    R"({"strColorName":"Orange","nColorSpace":4,"aColorValue":[1,2,3,4,5,6],
    "strMatchLibName":"lib"})";

// The expected record with the long tables filled in.
Json Expected(const std::string& json) {
  Json expected = Json::parse(json);
  if (expected.contains("aPermissionSetList")) {
    Json& calibration =
        expected["aPermissionSetList"][0]["aCalibrationInfoList"][0];
    calibration["density"] = std::vector<double>(21, 0.5);
    calibration["lab"] = Json::array();
    for (int i = 0; i < 21; ++i) {
      calibration["lab"].push_back({{"l", 50.0}, {"a", -4.5}, {"b", 1.25}});
    }
  }
  return expected;
}

// Compares the tool's output with the expected JSON: values, value types
// (an int member printed as 2.0 differs from 2) and key sets; key order is
// not compared.
void ExpectJson(const ToolRun& run, const Json& expected) {
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");
  Json actual = Json::parse(run.out);
  if (actual.dump() != expected.dump()) {
    ADD_FAILURE() << "dump differs from the expected JSON; patch: "
                  << Json::diff(expected, actual).dump(1);
  }
}

struct StandaloneCase {
  const char* root;
  const std::string& xml;
  const std::string& json;
};

TEST(DumpTest, PrintsEveryStandaloneKindWithAllItsMembers) {
  const StandaloneCase cases[] = {
      {"ModelInfo", kModelXml, kModelJson},
      {"InkInfo", kInkXml, kInkJson},
      {"InkConfigInfo", kInkConfigXml, kInkConfigJson},
      {"ResolutionInfo", kResolutionXml, kResolutionJson},
      {"ModeInfo", kModeXml, kModeJson},
      {"PatternInfo", kPatternXml, kPatternJson},
      {"MediaInfo", kMediaXml, kMediaJson},
      {"SeparationInfo", kSeparationXml, kSeparationJson},
      {"VControlPoint", kVControlXml, kVControlJson},
      {"TimeStamp", kTimeStampXml, kTimeStampJson},
      {"CustomColorInfo", kCustomColorXml, kCustomColorJson},
  };
  ScopedTempDir dir;
  for (const StandaloneCase& c : cases) {
    SCOPED_TRACE(c.root);
    std::string path = dir.File(std::string(c.root) + ".xml");
    WriteFileBytes(path, kDeclaration + c.xml);
    ExpectJson(RunDsrTool({"dump", path}), {{c.root, Expected(c.json)}});
  }
}

TEST(DumpTest, PrintsADeviceSeriesWithEveryRecordKind) {
  // The command strings hold escapes, a zero byte among them; only the
  // English firmware link is in the file, the others are the defaults the
  // reader sets first.
  const std::string xml =
      "<DeviceSeries strVersion=\"3.3.0.0\"><aModelInfoList>" + kModelXml +
      "</aModelInfoList><aInkInfoList>" + kInkXml +
      "</aInkInfoList><aInkConfigInfoList>" + kInkConfigXml +
      "</aInkConfigInfoList><aResolutionInfoList>" + kResolutionXml +
      "</aResolutionInfoList><aModeInfoList>" + kModeXml +
      "</aModeInfoList><aSeparationInfoList>" + kSeparationXml +
      "</aSeparationInfoList><aVControlPointList>" + kVControlXml +
      "</aVControlPointList><aPatternInfoList>" + kPatternXml +
      "</aPatternInfoList><commandSet>"
      R"(<strInitialize>\x1B@\x26</strInitialize><strPrintHeader/>)"
      "<strPrintTailer/><strCutHeader/><strCutTailer/><strPageFeed/>"
      "<strPageRewind/><strSheetCut/>"
      R"(<strCancel>\x1B\x00A</strCancel></commandSet><aMediaInfoList>)" +
      kMediaXml +
      "</aMediaInfoList><aPrintChartFileInfoSetList><PrintChartFileInfoSet>"
      "<nIndex>1</nIndex><strCalibrationFileName>cal.prn"
      "</strCalibrationFileName><strInkLimitFileName>limit.prn"
      "</strInkLimitFileName><strTestPrintFileName>test.prn"
      "</strTestPrintFileName></PrintChartFileInfoSet>"
      "</aPrintChartFileInfoSetList><aInkVolumeInfoList><InkVolumeInfo>"
      "<nInkVolumeIndex>2</nInkVolumeIndex><astrInkVolumeList>"
      "<strInkVolume_pl>4</strInkVolume_pl><strInkVolume_pl>7"
      "</strInkVolume_pl></astrInkVolumeList></InkVolumeInfo>"
      "</aInkVolumeInfoList>" +
      Lang("strFirmwareDownloadURL", "http://example.com/fw") +
      "</DeviceSeries>";
  Json links = Json::object();
  for (size_t i = 0; i < 13; ++i) {
    links[kLanguages[i]] = i == 0 ? "http://example.com/fw"
                           : i == kJapaneseLanguageEntry
                               ? kFirmwareLinkJapanese
                               : kFirmwareLinkInternational;
  }
  Json series = {
      {"aModelInfoList", Json::array({Expected(kModelJson)})},
      {"aInkInfoList", Json::array({Expected(kInkJson)})},
      {"aInkConfigInfoList", Json::array({Expected(kInkConfigJson)})},
      {"aResolutionInfoList", Json::array({Expected(kResolutionJson)})},
      {"aModeInfoList", Json::array({Expected(kModeJson)})},
      {"aSeparationInfoList", Json::array({Expected(kSeparationJson)})},
      {"aVControlPointList", Json::array({Expected(kVControlJson)})},
      {"aPatternInfoList", Json::array({Expected(kPatternJson)})},
      {"commandSet",
       {{"strInitialize", "1b4026"},
        {"strPrintHeader", ""},
        {"strPrintTailer", ""},
        {"strCutHeader", ""},
        {"strCutTailer", ""},
        {"strPageFeed", ""},
        {"strPageRewind", ""},
        {"strSheetCut", ""},
        {"strCancel", "1b0041"}}},
      {"aMediaInfoList", Json::array({Expected(kMediaJson)})},
      {"aPrintChartFileInfoSetList",
       Json::array({{{"nIndex", 1},
                     {"strCalibrationFileName", "cal.prn"},
                     {"strInkLimitFileName", "limit.prn"},
                     {"strTestPrintFileName", "test.prn"}}})},
      {"aInkVolumeInfoList",
       Json::array({{{"nInkVolumeIndex", 2},
                     {"astrInkVolumeList", Json::array({"4", "7"})}}})},
      {"strFirmwareDownloadURL", links},
  };
  ScopedTempDir dir;
  std::string path = dir.File("series.dsr");
  WriteFileBytes(path, kDeclaration + xml);
  ExpectJson(RunDsrTool({"dump", path}), {{"DeviceSeries", series}});

  ToolRun compact = RunDsrTool({"dump", "--compact", path});
  EXPECT_EQ(compact.exitCode, 0);
  EXPECT_EQ(LineCount(compact.out), 1);
  EXPECT_EQ(Json::parse(compact.out),
            Json::parse(RunDsrTool({"dump", path}).out));
}

// ------------------------------------------------- dump -> build -> dump

// A document whose every record kind holds values off its defaults,
// written by the library: every byte value in a command string, floats
// that are not exact in binary, a sampled output table, both optional
// children of a permission set, lamp powers, extra model members.
DeviceSeries RichSeries() {
  DeviceSeries series;
  ModelInfo model;
  model.strLongModelName = "VX-1 <&> \"Ü\"";
  model.dMaxWidth = 1371.6;
  model.nHeadPositionIndex[23] = -7;
  model.flNozzleResolution = 0.1f;
  model.strRequiredFirmwareVersion = "2.1";
  model.aExtraTable1.push_back({"a", "b", std::int64_t{1} << 40, -5});
  model.nExtraValue3 = 9;
  series.aModelInfoList.push_back(model);

  InkInfo ink;
  ink.nInkIndex = 3;
  ink.strShortInkName = "C";
  ink.strLongInkName.fill("Cyan");
  ink.lightColor = {1, 2, 255};
  ink.flPrice = 12.34f;
  series.aInkInfoList.push_back(ink);

  InkConfigInfo config;
  config.nInkIndexList.fill(3);
  series.aInkConfigInfoList.push_back(config);

  ResolutionInfo resolution;
  resolution.flScanResolution = 720.123f;
  series.aResolutionInfoList.push_back(resolution);

  ModeInfo mode;
  mode.aUVLampPowerList[1].nBackwardPower = 90;
  mode.aUVLampPowerList[0].nBasePower = 70;
  series.aModeInfoList.push_back(mode);

  SeparationInfo separation;
  separation.nSeparationIndex = 7;
  separation.anInputChannelInkIndexList = {3, 4, 5, 6};
  SeparationTable table;
  table.eType = 1;
  for (size_t k = 0; k < table.usOutputTable.size(); ++k) {
    table.usOutputTable[k] = static_cast<std::uint16_t>((k * k) % 4096);
  }
  separation.aSeparationTableList.push_back(table);
  separation.aSeparationTableList.push_back(SeparationTable{});
  series.aSeparationInfoList.push_back(separation);

  VControlPoint point;
  point.dSmallStart = 1.2345;
  series.aVControlPointList.push_back(point);
  series.aPatternInfoList.push_back({5, 64, 32, "fm.bin"});

  for (int byte = 0; byte < 256; ++byte) {
    series.commandSet.strInitialize += static_cast<char>(byte);
  }
  series.commandSet.strCancel = std::string("\x1b\0A", 3);

  MediaInfo media;
  media.strMediaName.fill("Vinyl");
  media.aflFeedCalibration = {0.15f};
  media.TimeStamp = {2017, 5, 6, 7, 8, 9, 999};
  PermissionSet custom;
  custom.eScreen = kCustomScreen;
  custom.screenOption.flDegrees = {15, 75, 0, 45};
  custom.nSeparationIndex = 7;
  custom.bVisiblePermission = false;
  custom.bRecommended = true;
  CalibrationInfo calibration;
  calibration.density.fill(0.333f);
  custom.aCalibrationInfoList.push_back(calibration);
  media.aPermissionSetList.push_back(custom);
  PermissionSet plain;
  plain.nSeparationIndex = 7;
  plain.screenOption.flDegrees = {30, 45, 90, 60};
  media.aPermissionSetList.push_back(plain);
  media.aQualityInfoList.push_back(QualityInfo{});
  series.aMediaInfoList.push_back(media);

  series.aPrintChartFileInfoSetList.push_back({1, "c", "l", "t"});
  series.aInkVolumeInfoList.push_back({2, {"4", "7"}});
  series.strFirmwareDownloadURL.fill("http://example.com/fw");
  return series;
}

DeviceSeries ReadSeries(const std::string& path) {
  DeviceSeries series;
  DeviceSeriesIO2 io(path);
  EXPECT_TRUE(io.Read(series)) << path;
  return series;
}

class RoundTripTest : public ::testing::Test {
 protected:
  // dump `path`, build the dump into a new file, dump that; returns the
  // new file's path after checking that both dumps are the same text.
  std::string DumpBuildDump(const std::string& path) {
    ToolRun first = RunDsrTool({"dump", path});
    EXPECT_EQ(first.exitCode, 0) << first.err;
    std::string json = path + ".json";
    std::string rebuilt = path + ".rebuilt";
    WriteFileBytes(json, first.out);
    ToolRun build = RunDsrTool({"build", json, rebuilt});
    EXPECT_EQ(build.exitCode, 0) << build.err;
    EXPECT_EQ(build.out + build.err, "");
    ToolRun second = RunDsrTool({"dump", rebuilt});
    EXPECT_EQ(second.exitCode, 0) << second.err;
    EXPECT_TRUE(first.out == second.out) << "the second dump differs";
    return rebuilt;
  }

  ScopedTempDir dir_;
};

TEST_F(RoundTripTest, DeviceSeriesKeepsItsRecords) {
  std::string path = dir_.File("rich.dsr");
  DeviceSeries rich = RichSeries();
  ASSERT_TRUE(DeviceSeriesIO2(path).Write(rich));
  std::string rebuilt = DumpBuildDump(path);
  EXPECT_EQ(ReadSeries(rebuilt), ReadSeries(path));
  // Written by the same writer from the same records: the same bytes.
  EXPECT_EQ(ReadFileBytes(rebuilt), ReadFileBytes(path));
}

TEST_F(RoundTripTest, StandaloneFilesKeepTheirRecords) {
  DeviceSeries rich = RichSeries();
  struct Case {
    const char* name;
    std::function<bool(const std::string&)> save;
  };
  const Case cases[] = {
      {"ModelInfo",
       [&](auto& p) {
         return ModelInfoIO().SaveModelInfoFile(p, rich.aModelInfoList[0]);
       }},
      {"InkInfo",
       [&](auto& p) {
         return InkInfoIO().SaveInkInfoFile(p, rich.aInkInfoList[0]);
       }},
      {"InkConfigInfo",
       [&](auto& p) {
         return InkConfigInfoIO().SaveInkConfigInfoFile(
             p.c_str(), rich.aInkConfigInfoList[0]);
       }},
      {"ResolutionInfo",
       [&](auto& p) {
         return ResolutionInfoIO().SaveResolutionInfoFile(
             p, rich.aResolutionInfoList[0]);
       }},
      {"ModeInfo",
       [&](auto& p) {
         return ModeInfoIO().SaveModeInfoFile(p, rich.aModeInfoList[0]);
       }},
      {"PatternInfo",
       [&](auto& p) {
         return PatternInfoIO().SavePatternInfoFile(p,
                                                    rich.aPatternInfoList[0]);
       }},
      {"MediaInfo",
       [&](auto& p) {
         return MediaInfoIO().SaveMediaInfoFile(p, rich.aMediaInfoList[0]);
       }},
      {"SeparationInfo",
       [&](auto& p) {
         return SeparationInfoIO().SaveSeparationInfoFile(
             p, rich.aSeparationInfoList[0]);
       }},
      {"VControlPoint",
       [&](auto& p) {
         return SaveVControlPointFile(p, rich.aVControlPointList[0]);
       }},
      {"TimeStamp",
       [&](auto& p) {
         return SaveTimeStampFile(p, rich.aMediaInfoList[0].TimeStamp);
       }},
      {"CustomColorInfo",
       [&](auto& p) {
         WriteFileBytes(p, kDeclaration + kCustomColorXml);
         return true;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = dir_.File(std::string(c.name) + ".xml");
    ASSERT_TRUE(c.save(path));
    std::string rebuilt = DumpBuildDump(path);
    if (std::string(c.name) != "CustomColorInfo") {
      EXPECT_EQ(ReadFileBytes(rebuilt), ReadFileBytes(path));
    }
  }
}

TEST_F(RoundTripTest, FloatsThatAreNotFiniteSurvive) {
  // A hand-edited file can hold them; the writer prints them as the C
  // library does and the JSON names them.
  std::string path = dir_.File("point.xml");
  WriteFileBytes(path, std::string(kDeclaration) +
                           "<VControlPoint><dSmallStart>nan</dSmallStart>"
                           "<dLargeEndMax>-inf</dLargeEndMax></VControlPoint>");
  ToolRun dump = RunDsrTool({"dump", "--compact", path});
  EXPECT_NE(dump.out.find(R"("dSmallStart":"NaN")"), std::string::npos);
  EXPECT_NE(dump.out.find(R"("dLargeEndMax":"-Infinity")"), std::string::npos);
  DumpBuildDump(path);
}

TEST_F(RoundTripTest, RoundtripCommandWritesTheRecordsBack) {
  std::string in = dir_.File("in.dsr");
  std::string out = dir_.File("out.dsr");
  DeviceSeries rich = RichSeries();
  ASSERT_TRUE(DeviceSeriesIO2(in).Write(rich));
  ToolRun run = RunDsrTool({"roundtrip", in, out});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out + run.err, "");
  EXPECT_EQ(ReadSeries(out), ReadSeries(in));

  // An older file comes back in the current format version.
  std::string old = dir_.File("old.dsr");
  std::string text = ReadFileBytes(in);
  text.replace(text.find("3.3.0.0"), 7, "1.0.0.0");
  WriteFileBytes(old, text);
  EXPECT_EQ(RunDsrTool({"roundtrip", old, out}).exitCode, 0);
  EXPECT_NE(ReadFileBytes(out).find("strVersion=\"3.3.0.0\""),
            std::string::npos);
}

TEST_F(RoundTripTest, BuildLeavesAbsentKeysAtConstructionValues) {
  std::string json = dir_.File("mode.json");
  std::string out = dir_.File("mode.xml");
  WriteFileBytes(json, R"({"ModeInfo": {"nModeIndex": 3,
      "aUVLampPowerList": [{}, {"nForwardPower": 80}]}})");
  ToolRun run = RunDsrTool({"build", json, out});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  ModeInfo expected;
  expected.nModeIndex = 3;
  expected.aUVLampPowerList[1].nForwardPower = 80;
  ModeInfo read;
  EXPECT_TRUE(ModeInfoIO().LoadModeInfoFile(out, read));
  EXPECT_EQ(read, expected);
}

}  // namespace
