// Writes the seed corpus of the fuzz targets from the library's own
// writers into <folder>/<target>/:
//
//   fuzz_seed_corpus fuzz/corpus
//
// The seeds are small on purpose: one document of each shape, so that the
// fuzzers start from every element the readers know.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "devseries/color/color_xml.h"
#include "devseries/color/custom_color_info.h"
#include "devseries/device_series.h"
#include "devseries/platform/dom.h"
#include "devseries/records/media/output_table.h"
#include "devseries/xmlio/base64.h"
#include "devseries/xmlio/time_stamp.h"
#include "devseries/xmlio/value_codecs.h"

using namespace devseries;

namespace {

std::filesystem::path g_root;

void Put(const std::string& target, const std::string& name,
         const std::string& bytes) {
  std::filesystem::path folder = g_root / target;
  std::filesystem::create_directories(folder);
  std::ofstream out(folder / name, std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out) {
    std::fprintf(stderr, "cannot write %s\n", (folder / name).c_str());
    std::exit(1);
  }
}

void StreamReadSeeds();

std::string Slurp(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in),
                     std::istreambuf_iterator<char>());
}

// A document holding the declaration and the element `build` makes.
std::string DocumentText(const std::function<DomNode(DomDocument&)>& build) {
  DomDocument document;
  document.AppendChild(
      document.CreateProcessingInstruction("xml", kXmlDeclarationData));
  document.AppendChild(build(document));
  return document.ToXml();
}

// One record of every kind, with lists of one or two entries.
DeviceSeries RichSeries() {
  DeviceSeries series;
  ModelInfo model;
  model.strLongModelName = "Vintrell OVX-160";
  model.nHeadNum = 2;
  series.aModelInfoList = {model};
  InkInfo ink;
  ink.nInkIndex = 1;
  ink.strLongInkName.fill("Cyan");
  ink.flPrice = 12.5f;
  series.aInkInfoList = {ink};
  InkConfigInfo config;
  config.strInkConfigName.fill("CMYK");
  config.nInkIndexList[0] = 1;
  series.aInkConfigInfoList = {config};
  ResolutionInfo resolution;
  resolution.flScanResolution = 720;
  resolution.flFeedResolution = 1440;
  series.aResolutionInfoList = {resolution};
  ModeInfo mode;
  mode.strModeName = "Standard";
  mode.aUVLampPowerList[0].nForwardPower = 80;
  series.aModeInfoList = {mode};
  SeparationInfo separation;
  separation.nSeparationIndex = 1;
  separation.nOutputChannel = 1;
  SeparationTable table;
  table.eType = 1;
  for (size_t i = 0; i < table.usOutputTable.size(); ++i) {
    table.usOutputTable[i] = static_cast<std::uint16_t>(i);
  }
  separation.aSeparationTableList = {table};
  separation.anInputChannelInkIndexList = {1};
  series.aSeparationInfoList = {separation};
  series.aVControlPointList = {VControlPoint()};
  PatternInfo pattern;
  pattern.strPatternFile = "fm1.pat";
  series.aPatternInfoList = {pattern};
  series.commandSet.strInitialize = std::string("\x1b@\0\xff", 4);
  series.commandSet.strCancel = "\x1b\x18";
  MediaInfo media;
  media.strMediaName.fill("Glossy");
  PermissionSet permission;
  permission.nSeparationIndex = 1;
  permission.anInkConfigIndexList = {0};
  permission.aCalibrationInfoList.resize(1);
  permission.screenOption.flDegrees = {15.0f};
  media.aPermissionSetList = {permission};
  QualityInfo quality;
  quality.anPermissionIndexList = {0};
  media.aQualityInfoList = {quality};
  series.aMediaInfoList = {media};
  PrintChartFileInfoSet chart;
  chart.strCalibrationFileName = "cal.prn";
  series.aPrintChartFileInfoSetList = {chart};
  InkVolumeInfo volume;
  volume.astrInkVolumeList = {"Light", "Heavy"};
  series.aInkVolumeInfoList = {volume};
  series.strFirmwareDownloadURL.fill("http://example.invalid/fw");
  return series;
}

void DeviceSeriesSeeds() {
  std::filesystem::path scratch = g_root / "scratch.dsr";
  DeviceSeries rich = RichSeries();
  DeviceSeries empty;
  if (!DeviceSeriesIO2(scratch.string()).Write(rich)) {
    std::fprintf(stderr, "cannot write %s\n", scratch.c_str());
    std::exit(1);
  }
  Put("device_series_fuzzer", "rich.dsr", Slurp(scratch));
  if (!DeviceSeriesIO2(scratch.string()).Write(empty)) std::exit(1);
  Put("device_series_fuzzer", "empty.dsr", Slurp(scratch));
  if (!WriteDeviceSeriesFile(scratch.string(), empty)) std::exit(1);
  Put("device_series_fuzzer", "version1.dsr", Slurp(scratch));
  std::filesystem::remove(scratch);
  StreamReadSeeds();
}

// The streamed read against the read through the DOM: the device-series
// seeds, and shapes where the two must count and skip alike.
void StreamReadSeeds() {
  const std::filesystem::path from = g_root / "device_series_fuzzer";
  for (const char* name : {"rich.dsr", "empty.dsr", "version1.dsr"}) {
    Put("stream_read_fuzzer", name, Slurp(from / name));
  }
  const std::string rich = Slurp(from / "rich.dsr");
  const size_t media = rich.find("<MediaInfo>");
  Put("stream_read_fuzzer", "comments-and-unknowns.dsr",
      rich.substr(0, media) + "<!--c--><?pi?><x><y/></x>text" +
          rich.substr(media));
  const size_t model = rich.find("</ModelInfo>");
  Put("stream_read_fuzzer", "structural-error.dsr",
      rich.substr(0, model) + "<extra/>" + rich.substr(model));
}

void RecordFileSeeds() {
  DeviceSeries rich = RichSeries();
  const MediaInfo& media = rich.aMediaInfoList[0];
  // Named after the kind, prefixed with the byte that picks its loader.
  struct Seed {
    const char* name;
    std::string text;
  };
  const Seed seeds[] = {
      {"model",
       ModelInfoIO().CreateModelInfoDocument(rich.aModelInfoList[0])->ToXml()},
      {"ink", InkInfoIO().CreateInkInfoDocument(rich.aInkInfoList[0])->ToXml()},
      {"ink_config",
       InkConfigInfoIO()
           .CreateInkConfigInfoDocument(rich.aInkConfigInfoList[0])
           ->ToXml()},
      {"resolution",
       ResolutionInfoIO()
           .CreateResolutionInfoDocument(rich.aResolutionInfoList[0])
           ->ToXml()},
      {"mode",
       ModeInfoIO().CreateModeInfoDocument(rich.aModeInfoList[0])->ToXml()},
      {"pattern", PatternInfoIO()
                      .CreatePatternInfoDocument(rich.aPatternInfoList[0])
                      ->ToXml()},
      {"media", MediaInfoIO().CreateMediaInfoDocument(media)->ToXml()},
      {"separation",
       SeparationInfoIO()
           .CreateSeparationInfoDocument(rich.aSeparationInfoList[0])
           ->ToXml()},
      {"vcontrol_point",
       CreateVControlPointDocument(rich.aVControlPointList[0])->ToXml()},
      {"time_stamp", ""},
  };
  std::filesystem::path scratch = g_root / "scratch.xml";
  for (size_t kind = 0; kind < std::size(seeds); ++kind) {
    std::string text = seeds[kind].text;
    if (text.empty()) {
      if (!SaveTimeStampFile(scratch.string(),
                             TimeStamp{2024, 5, 6, 7, 8, 9, 10})) {
        std::exit(1);
      }
      text = Slurp(scratch);
      std::filesystem::remove(scratch);
    }
    Put("record_file_fuzzer", seeds[kind].name,
        std::string(1, static_cast<char>(kind)) + text);
  }
}

void RegistrySeeds() {
  // As the sample installation script writes it.
  Put("registry_fuzzer", "installation.reg",
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Vintrell\\Ostrivane\\Installer]\r\n"
      "\"CompanyName\"=\"Vintrell\"\r\n"
      "\"InstallPath\"=\"/opt/vintrell/\"\r\n"
      "\"UserName\"=\"demo\"\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Vintrell\\Ostrivane\\User]\r\n"
      "\"InkConfig\"=\"CMYK\"\r\n"
      "\"Language\"=\"English\"\r\n"
      "\"Model\"=\"Demo Printer\"\r\n");
  // Every value type, deletions and continued lines.
  Put("registry_fuzzer", "types.reg",
      "REGEDIT4\n\n"
      "[HKCU\\Software\\Vintrell]\n"
      "@=\"default \\\"quoted\\\" \\\\ value\"\n"
      "\"Count\"=dword:0000002a\n"
      "\"Big\"=hex(b):01,02,03,04,05,06,07,08\n"
      "\"Blob\"=hex:de,ad,be,ef,\\\n  00,01\n"
      "\"Path\"=hex(2):25,54,45,4d,50,25,00\n"
      "\"List\"=hex(7):61,00,62,00,00\n"
      "\"Gone\"=-\n"
      "; a comment\n"
      "[-HKEY_CURRENT_USER\\Software\\Old]\n");
  // UTF-16LE with its byte order mark, as regedit writes version 5 files.
  std::string text =
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Vintrell\\Ostrivane\\Installer]\r\n"
      "\"InstallPath\"=\"C:\\\\Program Files\\\\Vintrell\\\\\"\r\n"
      "\"Name\"=hex(2):41,00,42,00,00,00\r\n";
  std::string wide = "\xff\xfe";
  for (char c : text) {
    wide += c;
    wide += '\0';
  }
  Put("registry_fuzzer", "utf16.reg", wide);
}

void EscapedStringSeeds() {
  std::string all;
  for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
  Put("escaped_string_fuzzer", "every_byte",
      EncodeEscapedString(all.data(), all.size()));
  const std::string command("\x1b@\x1b(R\0\0", 7);
  Put("escaped_string_fuzzer", "command",
      EncodeEscapedString(command.data(), command.size()));
  Put("escaped_string_fuzzer", "plain", "PRINT HEADER 1");
}

void Base64TableSeeds() {
  OutputTable table{};
  for (size_t i = 0; i < table.size(); ++i) {
    table[i] = static_cast<std::uint16_t>(4095 - i);
  }
  Put("base64_table_fuzzer", "falling_table", EncodeOutputTableText(table));
  for (size_t i = 0; i < table.size(); ++i) {
    table[i] = static_cast<std::uint16_t>(i * i / 4095);
  }
  Put("base64_table_fuzzer", "curved_table", EncodeOutputTableText(table));
  const char bytes[] = "any bytes\0\xff";
  Put("base64_table_fuzzer", "short", CBase64::Encode(bytes, sizeof bytes));
}

void ColorSeeds() {
  RGBColor rgb;
  rgb.SetValue(0, 255);
  rgb.SetValue(1, 128);
  CMYKColor cmyk;
  cmyk.SetValue(3, 100);
  CMYKOGColor cmykog;
  cmykog.SetValue(4, 50);
  LabColor lab;
  lab.SetValue(0, 50.5f);
  lab.SetValue(1, -4.25f);
  Put("color_fuzzer", "rgb.xml",
      DocumentText([&](DomDocument& d) { return WriteColorElement(d, rgb); }));
  Put("color_fuzzer", "cmyk.xml",
      DocumentText([&](DomDocument& d) { return WriteColorElement(d, cmyk); }));
  Put("color_fuzzer", "cmykog.xml", DocumentText([&](DomDocument& d) {
        return WriteColorElement(d, cmykog);
      }));
  Put("color_fuzzer", "lab.xml",
      DocumentText([&](DomDocument& d) { return WriteColorElement(d, lab); }));
  Put("color_fuzzer", "packed.xml", DocumentText([&](DomDocument& d) {
        return WriteRGBValue(d, "PaperColor", 0x00336699);
      }));
  CustomColorInfo custom;
  custom.strColorName = "Spot Blue";
  custom.nColorSpace = kColorSpaceCMYK;
  custom.aColorValue = {100, 60, 0, 10, 0, 0};
  custom.strMatchLibName = "House";
  Put("color_fuzzer", "custom_cmyk.xml", DocumentText([&](DomDocument& d) {
        return WriteCustomColorInfo(d, custom);
      }));
  custom.nColorSpace = kColorSpaceCMYKOG;
  custom.aColorValue = {0, 80, 100, 0, 40, 0};
  Put("color_fuzzer", "custom_cmykog.xml", DocumentText([&](DomDocument& d) {
        return WriteCustomColorInfo(d, custom);
      }));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s corpus-folder\n", argv[0]);
    return 2;
  }
  g_root = argv[1];
  std::filesystem::create_directories(g_root);
  DeviceSeriesSeeds();
  RecordFileSeeds();
  RegistrySeeds();
  EscapedStringSeeds();
  Base64TableSeeds();
  ColorSeeds();
  return 0;
}
