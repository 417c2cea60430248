// Separation records: output tables in Base64, the spline expansion, the
// element codecs and the standalone separation file.
#include "devseries/records/media/separation_info.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "devseries/platform/com.h"
#include "devseries/platform/com_codes.h"
#include "devseries/platform/dom_testing.h"
#include "devseries/records/media/output_table.h"
#include "devseries/xmlio/base64.h"
#include "devseries/xmlio/read_report.h"
#include "devseries/xmlio/read_session.h"
#include "tests/support/temp_dir.h"
#include "tests/support/xml_test_support.h"

using namespace devseries;

namespace {

using xml_test::Child;
using xml_test::ChildNames;
using xml_test::ComErrorOf;
using xml_test::Parse;
using xml_test::WrittenXml;

bool IsSamplePosition(size_t k) {
  for (size_t i = 0; i < kOutputTableSampleCount; ++i) {
    if (OutputTableSamplePosition(i) == k) return true;
  }
  return false;
}

OutputTableSamples Filled(std::uint16_t value) {
  OutputTableSamples samples;
  samples.fill(value);
  return samples;
}

// A table the reader reproduces exactly: built from samples of an S-curve.
OutputTable CurveTable() {
  OutputTableSamples samples;
  for (size_t j = 0; j < samples.size(); ++j) {
    const double u = static_cast<double>(j) / 255.0;
    samples[j] = static_cast<std::uint16_t>(4095.0 * u * u * (3.0 - 2.0 * u));
  }
  OutputTable table{};
  BuildOutputTable(samples, table);
  return table;
}

// A recognisable table that no table text produces.
OutputTable MarkerTable() {
  OutputTable table;
  for (size_t k = 0; k < table.size(); ++k) {
    table[k] = static_cast<std::uint16_t>(4095 - k);
  }
  return table;
}

// Base64 of `size` bytes of `byte`.
std::string TableText(size_t size, unsigned char byte) {
  std::vector<unsigned char> bytes(size, byte);
  return CBase64::Encode(bytes.data(), bytes.size());
}

std::string TableXml(const std::string& text, const std::string& type) {
  return "<SeparationTable><nInputChannelNum>2</nInputChannelNum>"
         "<usOutputTable>" +
         text +
         "</usOutputTable><dStart>0.1</dStart><dPeak>0.2</dPeak>"
         "<dMax>0.3</dMax><dEnd>0.4</dEnd>" +
         type + "</SeparationTable>";
}

TEST(OutputTableTest, SamplesSitAtTheNearestPositions) {
  const std::pair<size_t, size_t> cases[] = {
      {0, 0}, {1, 16}, {2, 32}, {3, 48}, {16, 257}, {128, 2056}, {255, 4095}};
  for (auto [index, position] : cases) {
    EXPECT_EQ(OutputTableSamplePosition(index), position) << index;
  }
}

TEST(OutputTableTest, SplineExpansion) {
  struct Case {
    const char* what;
    std::uint16_t sample;
    std::uint16_t atSamples;
    std::uint16_t elsewhere;
  };
  const Case cases[] = {
      // 4095 / 4096 of full scale is 65519.0002, which the shift makes 4094.
      {"all 4095", 4095, 4095, 4094},
      {"all 0", 0, 0, 0},
      {"all 2048", 2048, 2048, 2047},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    OutputTable table = MarkerTable();
    BuildOutputTable(Filled(c.sample), table);
    for (size_t k = 0; k < table.size(); ++k) {
      ASSERT_EQ(table[k], IsSamplePosition(k) ? c.atSamples : c.elsewhere) << k;
    }
  }
}

TEST(OutputTableTest, SplineThroughARampIsTheRamp) {
  // Samples 16 j lie on one line, so the spline is that line: entry k is
  // the input level k, held at the last point (4079) at the top end, and
  // the samples go back at their own positions.
  OutputTableSamples samples;
  for (size_t j = 0; j < samples.size(); ++j) {
    samples[j] = static_cast<std::uint16_t>(16 * j);
  }
  OutputTable table{};
  BuildOutputTable(samples, table);
  for (size_t k = 0; k < table.size(); ++k) {
    if (IsSamplePosition(k)) continue;
    ASSERT_EQ(table[k], std::min<size_t>(k, 4079)) << k;
  }
  for (size_t j = 0; j < samples.size(); ++j) {
    EXPECT_EQ(table[OutputTableSamplePosition(j)], samples[j]) << j;
  }
}

TEST(OutputTableTest, TextOfZeroTableIsAllA) {
  OutputTable zero{};
  EXPECT_EQ(EncodeOutputTableText(zero), std::string(683, 'A') + "=");
  EXPECT_EQ(EncodeOutputTableText(MarkerTable()).size(), 684u);
}

TEST(OutputTableTest, WrittenTableReadsBackItsSamplesExactly) {
  // Any table: the 256 sampled entries come back; the others from the
  // spline through them.
  OutputTable written;
  for (size_t k = 0; k < written.size(); ++k) {
    written[k] = static_cast<std::uint16_t>((k * 7919) % 4096);
  }
  OutputTable read = MarkerTable();
  ASSERT_TRUE(DecodeOutputTableText(EncodeOutputTableText(written), read));
  for (size_t j = 0; j < kOutputTableSampleCount; ++j) {
    const size_t k = OutputTableSamplePosition(j);
    EXPECT_EQ(read[k], written[k]) << k;
  }
  for (std::uint16_t value : read) ASSERT_LE(value, 4095);
}

TEST(OutputTableTest, UnusableTextsLeaveTheTable) {
  struct Case {
    const char* what;
    std::string text;
  };
  const Case cases[] = {
      {"511 bytes", TableText(511, 0x11)},
      {"510 bytes", TableText(510, 0x11)},
      {"3 bytes", TableText(3, 0x11)},
      {"not Base64", "this is not Base64!"},
      {"a character outside the alphabet", std::string(683, 'A') + "*"},
      {"fill inside the text", "AA==" + std::string(680, 'A')},
      {"a last group of one character", std::string(681, 'A')},
      {"511 bytes without the fill", std::string(682, 'A')},
      {"blanks only", "  \n\t "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    OutputTable table = MarkerTable();
    EXPECT_FALSE(DecodeOutputTableText(c.text, table));
    EXPECT_EQ(table, MarkerTable());
  }
}

TEST(OutputTableTest, TextBrokenIntoLinesOrWithoutItsFillIsRead) {
  const std::string text = EncodeOutputTableText(CurveTable());
  std::string lines;
  for (size_t at = 0; at < text.size(); at += 76) {
    lines += "\n    " + text.substr(at, 76);
  }
  for (const std::string& variant :
       {lines + "\n  ", text.substr(0, text.size() - 1)}) {
    OutputTable table = MarkerTable();
    EXPECT_TRUE(DecodeOutputTableText(variant, table)) << variant;
    EXPECT_EQ(table, CurveTable());
  }
}

TEST(OutputTableTest, LongTextUsesItsFirst512Bytes) {
  // One megabyte of 0xFF bytes: every sample is 65535, far above 4095, so
  // the spline is clamped at full scale before the shift.
  OutputTable table{};
  ASSERT_TRUE(DecodeOutputTableText(TableText(size_t{1} << 20, 0xFF), table));
  for (size_t k = 0; k < table.size(); ++k) {
    ASSERT_EQ(table[k], IsSamplePosition(k) ? 65535 : 4095) << k;
  }
  // The first 512 bytes count, whatever follows them.
  std::vector<unsigned char> bytes(600, 0);
  bytes[513] = 0xFF;
  table = MarkerTable();
  ASSERT_TRUE(DecodeOutputTableText(CBase64::Encode(bytes.data(), bytes.size()),
                                    table));
  EXPECT_EQ(table, OutputTable{});
}

SeparationTable SampleTable(int channel) {
  SeparationTable table;
  table.nInputChannelNum = channel;
  table.eType = 1;
  table.usOutputTable = CurveTable();
  table.dStart = 0.0125;
  table.dPeak = 0.5;
  table.dMax = 1.23456;
  table.dEnd = 0.75;
  table.dEndMax = 0.9999;
  table.strInputChannel = "Cyan <" + std::to_string(channel) + ">";
  table.nInkIndex = channel + 3;
  table.nHeadCount = 2;
  return table;
}

SeparationInfo SampleSeparation() {
  SeparationInfo info;
  info.nSeparationIndex = 12;
  info.strSeparationName = xml_test::Texts("CMYK & more");
  info.nOutputChannel = 3;
  info.aSeparationTableList = {SampleTable(0), SampleTable(1), SampleTable(2)};
  info.aSeparationTableList[2].eType = 0;
  info.aSeparationTableList[2].usOutputTable = {};
  info.nPrintChartFileInfoIndex = -4;
  info.strInkLimitTableFile = "limits\\cmyk.tbl";
  info.anInputChannelInkIndexList = {5, 0, -1, 7};
  return info;
}

// The sample as it reads back: floats with 3 decimals.
SeparationInfo Reread(SeparationInfo info) {
  for (SeparationTable& t : info.aSeparationTableList) {
    for (double* d : {&t.dStart, &t.dPeak, &t.dMax, &t.dEnd, &t.dEndMax}) {
      *d = xml_test::Rounded(*d);
    }
  }
  return info;
}

TEST(SeparationTableTest, WrittenElementOrder) {
  SeparationTable table;
  table.nInputChannelNum = 4;
  table.dStart = 0.5;
  table.dEndMax = 2.0;
  table.strInputChannel = "K";
  SeparationInfoIO io;
  // eType 0: the table text is empty.
  EXPECT_EQ(WrittenXml([&](DomDocument& d) {
              return io.WriteSeparationTable(d, table);
            }),
            "<SeparationTable><nInputChannelNum>4</nInputChannelNum>"
            "<usOutputTable/><dStart>0.500</dStart><dPeak>0.000</dPeak>"
            "<dMax>0.000</dMax><dEnd>0.000</dEnd><dEndMax>2.000</dEndMax>"
            "<eType>0</eType><strInputChannel>K</strInputChannel>"
            "<nInkIndex>-1</nInkIndex><nHeadCount>1</nHeadCount>"
            "</SeparationTable>");
  table.eType = 1;
  DomDocument doc;
  DomNode element = doc.AppendChild(io.WriteSeparationTable(doc, table));
  EXPECT_EQ(Child(element, "usOutputTable").GetText(),
            std::string(683, 'A') + "=");
}

TEST(SeparationTableTest, TableTextIsReadOnlyForTypeOne) {
  struct Case {
    const char* what;
    std::string xml;
    bool rebuilt;      // false: the previous table stays
    std::string note;  // the warning of a read that collects them
  };
  const std::string zeros = TableText(512, 0);
  const std::string left = "; the table is left as it was";
  const Case cases[] = {
      {"type 1 with a table", TableXml(zeros, "<eType>1</eType>"), true, ""},
      {"type 0 with a table", TableXml(zeros, "<eType>0</eType>"), false, ""},
      {"no type child", TableXml(zeros, ""), false, ""},
      {"type 1, empty text", TableXml("", "<eType>1</eType>"), false, ""},
      {"type 1, short text", TableXml(TableText(510, 0), "<eType>1</eType>"),
       false,
       "the output table text decodes to 510 bytes, not the 512 of 256 "
       "samples" +
           left},
      {"type 1, not Base64", TableXml("AA@@", "<eType>1</eType>"), false,
       "the output table is not Base64 (\"@\" is not a Base64 character, at "
       "character 3)" +
           left},
      {"type 1, without its fill",
       TableXml(std::string(683, 'A'), "<eType>1</eType>"), true, ""},
      {"type 1, long text", TableXml(TableText(600, 0), "<eType>1</eType>"),
       true,
       "the output table text decodes to 600 bytes; read the first 512 (256 "
       "samples)"},
  };
  SeparationInfoIO io;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DomDocument doc;
    DomNode element = Parse(doc, c.xml);
    ReadReport report;
    report.collectWarnings = true;
    ReadSession session(doc, report);
    SeparationTable table;
    table.usOutputTable = MarkerTable();
    io.ReadSeparationTable(element, table);
    EXPECT_EQ(table.usOutputTable, c.rebuilt ? OutputTable{} : MarkerTable());
    EXPECT_EQ(table.nInputChannelNum, 2);
    EXPECT_EQ(table.dEnd, 0.4);
    if (c.note.empty()) {
      EXPECT_TRUE(report.warnings.empty()) << report.warnings[0].message;
    } else {
      ASSERT_EQ(report.warnings.size(), 1u);
      EXPECT_EQ(report.warnings[0].message, c.note);
      EXPECT_EQ(report.warnings[0].elementPath,
                "SeparationTable/usOutputTable");
    }
  }
}

TEST(SeparationTableTest, OptionalChildrenByNameAfterSixPositional) {
  DomDocument doc;
  // The first six are read by position whatever their names; "eType" among
  // them is the table text, and the optional part may come in any order.
  DomNode element = Parse(
      doc,
      "<SeparationTable><a>7</a><eType>1</eType><c>1.5</c><d>x</d>"
      "<e>-2</e><f>3e0</f><nHeadCount>4</nHeadCount><!--c--><bogus>9</bogus>"
      "<nInkIndex>6</nInkIndex><strInputChannel>Lc</strInputChannel>"
      "<dEndMax>0.125</dEndMax><nHeadCount>5</nHeadCount></SeparationTable>");
  SeparationTable table;
  table.usOutputTable = MarkerTable();
  SeparationInfoIO().ReadSeparationTable(element, table);
  SeparationTable expected;
  expected.nInputChannelNum = 7;
  expected.usOutputTable = MarkerTable();
  expected.dStart = 1.5;
  expected.dMax = -2.0;
  expected.dEnd = 3.0;
  expected.dEndMax = 0.125;
  expected.strInputChannel = "Lc";
  expected.nInkIndex = 6;
  expected.nHeadCount = 5;
  EXPECT_EQ(table, expected);
}

TEST(SeparationInfoTest, WrittenElementOrder) {
  SeparationInfoIO io;
  DomDocument doc;
  DomNode element =
      doc.AppendChild(io.WriteSeparationInfo(doc, SampleSeparation()));
  EXPECT_EQ(ChildNames(element),
            "nSeparationIndex,strSeparationName,nOutputChannel,"
            "aSeparationTableList,nPrintChartFileInfoIndex,"
            "strInkLimitTableFile,anInputChannelInkIndexList");
  EXPECT_EQ(ChildNames(Child(element, "aSeparationTableList")),
            "SeparationTable,SeparationTable,SeparationTable");
  EXPECT_EQ(xml_test::Compact(doc).substr(
                xml_test::Compact(doc).find("</aSeparationTableList>")),
            "</aSeparationTableList><nPrintChartFileInfoIndex>-4"
            "</nPrintChartFileInfoIndex><strInkLimitTableFile>limits\\cmyk.tbl"
            "</strInkLimitTableFile><anInputChannelInkIndexList><nInkIndex>5"
            "</nInkIndex><nInkIndex>0</nInkIndex><nInkIndex>-1</nInkIndex>"
            "<nInkIndex>7</nInkIndex></anInputChannelInkIndexList>"
            "</SeparationInfo>");
  // Empty lists are empty elements.
  const std::string empty = WrittenXml([&](DomDocument& d) {
    SeparationInfo info;
    info.strSeparationName[0] = "S";
    return io.WriteSeparationInfo(d, info);
  });
  EXPECT_NE(empty.find("<aSeparationTableList/><nPrintChartFileInfoIndex>0"
                       "</nPrintChartFileInfoIndex><strInkLimitTableFile/>"
                       "<anInputChannelInkIndexList/></SeparationInfo>"),
            std::string::npos);
}

TEST(SeparationInfoTest, RecordReadsBackThroughAStandaloneFile) {
  xml_test::ComCountGuard balanced;
  tovra::testing::ScopedTempDir dir;
  const std::string path = dir.File("separation.xml");
  SeparationInfoIO io;
  const SeparationInfo written = SampleSeparation();
  ASSERT_TRUE(io.SaveSeparationInfoFile(path, written));
  const std::string text = tovra::testing::ReadFileBytes(path);
  EXPECT_EQ(text.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                       "<SeparationInfo>",
                       0),
            0u)
      << text;

  SeparationInfo read;
  ASSERT_TRUE(io.LoadSeparationInfoFile(path, read));
  EXPECT_EQ(read, Reread(written));
}

TEST(SeparationInfoTest, ChildrenAreRecognisedByNameAndListsAppend) {
  const std::string table1 = TableXml("", "<nInkIndex>1</nInkIndex>");
  const std::string table2 = TableXml("", "<nInkIndex>2</nInkIndex>");
  DomDocument doc;
  DomNode element =
      Parse(doc,
            "<SeparationInfo>"
            "<anInputChannelInkIndexList><nInkIndex>4</nInkIndex><!--c-->"
            "<ink>8</ink><nInkIndex>5</nInkIndex></anInputChannelInkIndexList>"
            "<nOutputChannel>2</nOutputChannel>"
            "<aSeparationTableList><!-- first -->" +
                table1 + "<Table>" + table2 +
                "</Table><separationTable/>"
                "</aSeparationTableList>"
                "<unknown>1</unknown>"
                "<aSeparationTableList>" +
                table2 +
                "</aSeparationTableList>"
                "<anInputChannelInkIndexList><nInkIndex>6</nInkIndex>"
                "</anInputChannelInkIndexList>"
                "<nSeparationIndex>9</nSeparationIndex>"
                "</SeparationInfo>");
  SeparationInfo info;
  info.aSeparationTableList.push_back(SampleTable(7));
  info.anInputChannelInkIndexList = {1};
  info.strInkLimitTableFile = "kept";
  SeparationInfoIO().ReadSeparationInfo(element, info);

  EXPECT_EQ(info.nSeparationIndex, 9);
  EXPECT_EQ(info.nOutputChannel, 2);
  EXPECT_EQ(info.strInkLimitTableFile, "kept");
  EXPECT_EQ(info.anInputChannelInkIndexList,
            (std::vector<std::int32_t>{1, 4, 5, 6}));
  ASSERT_EQ(info.aSeparationTableList.size(), 3u);
  EXPECT_EQ(info.aSeparationTableList[0], SampleTable(7));
  EXPECT_EQ(info.aSeparationTableList[1].nInkIndex, 1);
  EXPECT_EQ(info.aSeparationTableList[2].nInkIndex, 2);
  // Read into fresh tables: the construction values stand.
  EXPECT_EQ(info.aSeparationTableList[1].nHeadCount, 1);
  EXPECT_EQ(info.aSeparationTableList[1].usOutputTable, OutputTable{});
}

TEST(SeparationInfoTest, ChildrenInReverseOrderReadTheSame) {
  SeparationInfoIO io;
  const SeparationInfo written = SampleSeparation();
  DomDocument doc;
  DomNode element =
      xml_test::Reversed(doc, io.WriteSeparationInfo(doc, written));
  EXPECT_EQ(ChildNames(element).substr(0, 26), "anInputChannelInkIndexList");
  SeparationInfo read;
  io.ReadSeparationInfo(element, read);
  EXPECT_EQ(read, Reread(written));
}

TEST(SeparationInfoTest, ShortTableFailsAndIsNotAppended) {
  DomDocument doc;
  DomNode element =
      Parse(doc,
            "<SeparationInfo><nSeparationIndex>3</nSeparationIndex>"
            "<aSeparationTableList>" +
                TableXml("", "") +
                "<SeparationTable><a>1</a><b/><c>1</c><d>1</d><e>1</e>"
                "</SeparationTable></aSeparationTableList>"
                "<nOutputChannel>5</nOutputChannel></SeparationInfo>");
  SeparationInfo info;
  EXPECT_EQ(
      ComErrorOf([&] { SeparationInfoIO().ReadSeparationInfo(element, info); }),
      platform::E_POINTER);
  EXPECT_EQ(info.nSeparationIndex, 3);
  EXPECT_EQ(info.aSeparationTableList.size(), 1u);
  EXPECT_EQ(info.nOutputChannel, 0);
}

TEST(SeparationInfoTest, ReadFirstTakesTheFirstChildElementOfThatName) {
  DomDocument doc;
  DomNode root = Parse(doc,
                       "<Root><!--c--><Other><SeparationInfo><nSeparationIndex>"
                       "1</nSeparationIndex></SeparationInfo></Other>"
                       "<SeparationInfo><nSeparationIndex>2</nSeparationIndex>"
                       "</SeparationInfo><SeparationInfo><nSeparationIndex>3"
                       "</nSeparationIndex></SeparationInfo></Root>");
  SeparationInfoIO io;
  SeparationInfo info;
  io.ReadFirstSeparationInfo(root, info);
  EXPECT_EQ(info.nSeparationIndex, 2);

  // None among the children (only deeper down): nothing changes.
  DomDocument other;
  DomNode deep = Parse(other,
                       "<Root><!--SeparationInfo--><separationInfo/><a>"
                       "<SeparationInfo/></a></Root>");
  SeparationInfo untouched = SampleSeparation();
  io.ReadFirstSeparationInfo(deep, untouched);
  EXPECT_EQ(untouched, SampleSeparation());
  EXPECT_EQ(ComErrorOf([&] { io.ReadFirstSeparationInfo(DomNode(), info); }),
            platform::E_POINTER);
}

TEST(SeparationInfoTest, StandaloneFileFailures) {
  xml_test::ComCountGuard balanced;
  xml_test::SeamReset reset;
  tovra::testing::ScopedTempDir dir;
  SeparationInfoIO io;
  const SeparationInfo record = SampleSeparation();

  // The runtime or the DOM service missing: false, nothing written.
  platform::SetCoInitializeFailureForTesting(platform::E_OUTOFMEMORY);
  EXPECT_FALSE(io.SaveSeparationInfoFile(dir.File("a.xml"), record));
  platform::SetCoInitializeFailureForTesting(platform::S_OK);
  platform::SetDomServiceAvailableForTesting(false);
  EXPECT_FALSE(io.SaveSeparationInfoFile(dir.File("a.xml"), record));
  platform::SetDomServiceAvailableForTesting(true);
  EXPECT_FALSE(tovra::testing::FileExists(dir.File("a.xml")));

  // A save the DOM refuses raises to the caller.
  EXPECT_EQ(ComErrorOf([&] {
              io.SaveSeparationInfoFile(dir.File("missing/a.xml"), record);
            }),
            platform::XML_E_FILEIO);

  // A file that cannot be loaded reaches the reader as an absent node.
  SeparationInfo read;
  EXPECT_EQ(ComErrorOf(
                [&] { io.LoadSeparationInfoFile(dir.File("none.xml"), read); }),
            platform::E_POINTER);

  // A file without the element loads nothing and succeeds.
  tovra::testing::WriteFileBytes(dir.File("other.xml"),
                                 "<?xml version=\"1.0\"?><MediaInfo/>");
  read = record;
  EXPECT_TRUE(io.LoadSeparationInfoFile(dir.File("other.xml"), read));
  EXPECT_EQ(read, record);
}

}  // namespace
