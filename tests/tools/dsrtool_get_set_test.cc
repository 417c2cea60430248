// dsrtool get and set, end to end through the built tool, on copies of the
// example series: what get prints for each kind of path, the bytes set
// writes (only the value's text changes), the values and files it refuses,
// and what it does to the file or the link, pipe or folder it is given.
#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "devseries/device_series.h"
#include "tests/support/temp_dir.h"
#include "tests/tools/tool_runner.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace devseries;

namespace {

using tovra::testing::ListFolder;
using tovra::testing::MakeFolder;
using tovra::testing::ReadFileBytes;
using tovra::testing::RunDsrTool;
using tovra::testing::RunDsrToolThroughPipes;
using tovra::testing::ScopedTempDir;
using tovra::testing::ToolRun;
using tovra::testing::WriteFileBytes;

const std::string& Studio() {
  static const std::string text =
      ReadFileBytes(std::string(DSRTOOL_EXAMPLES_DIR) + "/studio-series.dsr");
  return text;
}

// `text` with its first `from` replaced by `to`; fails the test when `from`
// is not there.
std::string Replaced(std::string text, const std::string& from,
                     const std::string& to) {
  const size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

std::vector<std::string> Args(std::vector<std::string> head,
                              const std::vector<std::string>& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

// ------------------------------------------------------------------- get

struct GetCase {
  const char* name;
  std::vector<std::string> arguments;  // after FILE
  int exitCode;
  std::string out;
  std::string err;  // a part of standard error; empty: nothing there
};

const GetCase kGetCases[] = {
    {"value", {"DeviceSeries.aMediaInfoList[1].nDryTime"}, 0, "60\n", ""},
    {"root name left out", {"aMediaInfoList[1].nDryTime"}, 0, "60\n", ""},
    {"every entry, each after its path",
     {"aMediaInfoList[*].nDryTime"},
     0,
     "DeviceSeries.aMediaInfoList[0].nDryTime: 30\n"
     "DeviceSeries.aMediaInfoList[1].nDryTime: 60\n"
     "DeviceSeries.aMediaInfoList[2].nDryTime: 120\n",
     ""},
    {"entry by its English name",
     {"aMediaInfoList[name=Canvas matte].nDryTime"},
     0,
     "120\n",
     ""},
    {"entry by a quoted name",
     {"aMediaInfoList[name=\"Canvas matte\"].nDryTime"},
     0,
     "120\n",
     ""},
    {"entry by its index, a language of a set",
     {"aInkInfoList[nInkIndex=3].strLongInkName.English"},
     0,
     "Black\n",
     ""},
    {"several paths, one line each",
     {"aMediaInfoList[0].nDryTime", "aModelInfoList[0].dMaxWidth"},
     0,
     "30\n1371.6\n",
     ""},
    {"text as JSON",
     {"--json", "aModelInfoList[0].strMIBModelName"},
     0,
     "\"VX540\"\n",
     ""},
    {"byte string as hex", {"commandSet.strInitialize"}, 0, "1b40\n", ""},
    {"record on one line",
     {"aMediaInfoList[0].TimeStamp"},
     0,
     "{\"year\":2026,\"month\":3,\"day\":2,\"hour\":10,\"minute\":30,"
     "\"second\":0,\"ms\":0}\n",
     ""},
    {"several values as one JSON object",
     {"--json", "aMediaInfoList[*].nVacuumPower"},
     0,
     "{\"DeviceSeries.aMediaInfoList[0].nVacuumPower\":2,"
     "\"DeviceSeries.aMediaInfoList[1].nVacuumPower\":3,"
     "\"DeviceSeries.aMediaInfoList[2].nVacuumPower\":1}\n",
     ""},
    {"unknown member",
     {"aMediaInfoList[0].nDryTme"},
     1,
     "",
     "aMediaInfoList[0].nDryTme: no such member: "
     "DeviceSeries.aMediaInfoList[0] (MediaInfo) has no member \"nDryTme\""},
    {"past the last entry",
     {"aMediaInfoList[3].nDryTime"},
     1,
     "",
     "no such member: DeviceSeries.aMediaInfoList has 3 entries"},
    {"no entry of that name",
     {"aMediaInfoList[name=Nope].nDryTime"},
     1,
     "",
     "no entry of DeviceSeries.aMediaInfoList has name \"Nope\""},
    {"selector by a member that is no index",
     {"aMediaInfoList[nDryTime=30]"},
     1,
     "",
     "select entries of DeviceSeries.aMediaInfoList by name, not "
     "\"nDryTime\""},
    {"member of a number",
     {"aMediaInfoList[0].nDryTime.x"},
     1,
     "",
     "DeviceSeries.aMediaInfoList[0].nDryTime is a number; it has no member"},
    {"member kept in memory only",
     {"aMediaInfoList2"},
     1,
     "",
     "kept in memory only"},
    {"output table by its stored samples",
     {"aSeparationInfoList[0].aSeparationTableList[0].usOutputTable"},
     1,
     "",
     "(its stored samples are usOutputTableSamples)"},
    {"member the file stores only under a condition",
     {"aMediaInfoList[0].aPermissionSetList[0].screenOption"},
     1,
     "",
     "is not stored: a file stores it only when eScreen is 8"},
    {"a bad path beside a good one",
     {"aMediaInfoList[9].nDryTime", "aMediaInfoList[0].nDryTime"},
     1,
     "30\n",
     "has 3 entries"},
    {"malformed path",
     {"aMediaInfoList[x"},
     2,
     "",
     "expected [N], [*] or [KEY=VALUE]"},
};

class GetTest : public ::testing::TestWithParam<GetCase> {};

TEST_P(GetTest, PrintsWhatThePathNames) {
  const GetCase& c = GetParam();
  ScopedTempDir dir;
  WriteFileBytes(dir.File("s.dsr"), Studio());
  const ToolRun run = RunDsrTool(Args({"get", dir.File("s.dsr")}, c.arguments));
  EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
  EXPECT_EQ(run.out, c.out);
  if (c.err.empty()) {
    EXPECT_EQ(run.err, "");
  } else {
    EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
  }
}

INSTANTIATE_TEST_SUITE_P(Paths, GetTest, ::testing::ValuesIn(kGetCases),
                         [](const auto& info) {
                           std::string name = info.param.name;
                           for (char& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) {
                               c = '_';
                             }
                           }
                           return name;
                         });

// ------------------------------------------------------ set: the values

struct SetCase {
  const char* name;
  std::vector<std::string> assignments;
  // The file set writes: the example with `from` (its first occurrence)
  // made `to`. Empty `from`: set refuses, exit code 1 (2 when `to` says
  // "usage"), and the file stays as it was.
  std::string from;
  std::string to;
  // A part of standard error (a warning, or the refusal).
  std::string err;
};

const SetCase kSetCases[] = {
    {"integer",
     {"aMediaInfoList[1].nDryTime=75"},
     "<nDryTime>60<",
     "<nDryTime>75<",
     ""},
    {"double with more decimals than the file keeps",
     {"aModelInfoList[0].dMaxWidth=1234.56789"},
     "<dMaxWidth>1371.600<",
     "<dMaxWidth>1234.568<",
     "warning: aModelInfoList[0].dMaxWidth: 1234.56789 is stored as "
     "1234.568"},
    {"float",
     {"aMediaInfoList[0].flNormalCutForceRange=0.25"},
     ">0.500</flNormalCutForceRange>",
     ">0.250</flNormalCutForceRange>",
     ""},
    {"integer the file writes with decimals",
     {"aMediaInfoList[0].nDeepCutForce=180"},
     "<nDeepCutForce>170.000<",
     "<nDeepCutForce>180.000<",
     ""},
    {"integer the file holds as a boolean",
     {"aMediaInfoList[0].bHideUnrecommendedMode=0"},
     ">true</bHideUnrecommendedMode>",
     ">false</bHideUnrecommendedMode>",
     ""},
    {"boolean",
     {"aMediaInfoList[0].bCuttingMedia=false"},
     "<bCuttingMedia>true<",
     "<bCuttingMedia>false<",
     ""},
    {"text with markup, a line break and a carriage return into an empty "
     "element",
     {"aModelInfoList[0].strStaticStatus=a<b & c\r\nd"},
     "<strStaticStatus/>",
     "<strStaticStatus>a&lt;b &amp; c&#13;\nd</strStaticStatus>",
     ""},
    // Long, within the 32,767 characters of a Windows command line.
    {"long text",
     {"aModelInfoList[0].strPPDFile=" + std::string(20000, 'x')},
     "<strPPDFile>VX540.ppd<",
     "<strPPDFile>" + std::string(20000, 'x') + "<",
     ""},
    {"language of a set, entry by name",
     {"aMediaInfoList[name=Canvas matte].strMediaName.German=Leinwand"},
     "<German>Leinwand matt<",
     "<German>Leinwand<",
     ""},
    {"byte string from hex",
     {"commandSet.strCancel=1b41"},
     "<strCancel>\\x18<",
     "<strCancel>\\x1BA<",
     ""},
    {"table slot",
     {"aModelInfoList[0].nHeadPositionIndex[2]=1"},
     "<value2>0</value2>",
     "<value2>1</value2>",
     ""},
    {"list entry",
     {"aMediaInfoList[0].aflFeedCalibration[1]=0.2"},
     "<value>-0.050</value>",
     "<value>0.200</value>",
     ""},
    {"time stamp field",
     {"aMediaInfoList[0].TimeStamp.year=2027"},
     "<year>2026<",
     "<year>2027<",
     ""},
    {"ink colour channel by the ink's index",
     {"aInkInfoList[nInkIndex=0].lightColor.nRed=200"},
     "<R>0<",
     "<R>200<",
     ""},
    {"value the reader reads otherwise",
     {"aMediaInfoList[0].nVacuumPower=-1"},
     "<nVacuumPower>2<",
     "<nVacuumPower>-1<",
     "warning: aMediaInfoList[0].nVacuumPower: -1 is read back as 0"},
    {"index of the entry it selects",
     {"aSeparationInfoList[nSeparationIndex=3].nSeparationIndex=9"},
     "<nSeparationIndex>3<",
     "<nSeparationIndex>9<",
     ""},
    // Refused: the file stays as it was.
    {"integer past its type",
     {"aInkInfoList[0].lightColor.nRed=256"},
     "",
     "",
     "aInkInfoList[0].lightColor.nRed: 256 is out of range (0 to 255)"},
    {"integer past 32 bits",
     {"aMediaInfoList[0].nDryTime=2147483648"},
     "",
     "",
     "2147483648 is out of range (-2147483648 to 2147483647)"},
    {"number for an integer",
     {"aMediaInfoList[0].nDryTime=3.5"},
     "",
     "",
     "expected an integer, not \"3.5\""},
    {"float past 32 bits",
     {"aMediaInfoList[0].flNormalCutForceRange=1e39"},
     "",
     "",
     "out of range for a 32-bit float"},
    {"word for a boolean",
     {"aMediaInfoList[0].bCuttingMedia=yes"},
     "",
     "",
     "expected true or false"},
    {"2 for an integer held as a boolean",
     {"aMediaInfoList[0].bHideUnrecommendedMode=2"},
     "",
     "",
     "0 or 1"},
    {"odd hex", {"commandSet.strCancel=1b4"}, "", "", "hex digits"},
    {"list",
     {"aMediaInfoList=1"},
     "",
     "",
     "DeviceSeries.aMediaInfoList is a list, and set changes single values"},
    {"record", {"aMediaInfoList[0]=1"}, "", "", "is a record"},
    {"the whole file",
     {"DeviceSeries=1"},
     "",
     "",
     "DeviceSeries is the whole file"},
    {"language set",
     {"aMediaInfoList[0].strMediaName=x"},
     "",
     "",
     "name a language: DeviceSeries.aMediaInfoList[0].strMediaName.English"},
    {"output table",
     {"aSeparationInfoList[0].aSeparationTableList[0].usOutputTableSamples[3]="
      "4"},
     "",
     "",
     "output table"},
    {"member of a layout of its own",
     {"aModeInfoList[0].aUVLampPowerList=1"},
     "",
     "",
     "layout of its own"},
    {"member no file stores",
     {"aMediaInfoList2=1"},
     "",
     "",
     "kept in memory only"},
    {"unknown member",
     {"aMediaInfoList[0].nDryTme=1"},
     "",
     "",
     "has no member \"nDryTme\""},
    {"member the file holds no element for",
     {"aMediaInfoList[0].aPermissionSetList[0].screenOption.flDegrees[0]=1"},
     "",
     "",
     "no such member: the file has no element for it in "
     "DeviceSeries.aMediaInfoList[0].aPermissionSetList[0]"},
    {"no entry of that name",
     {"aMediaInfoList[name=Nope].nDryTime=1"},
     "",
     "",
     "no element for it in DeviceSeries.aMediaInfoList"},
    {"one value set twice",
     {"aMediaInfoList[0].nDryTime=1", "aMediaInfoList[*].nDryTime=2"},
     "",
     "",
     "both change DeviceSeries.aMediaInfoList[0].nDryTime"},
    {"operand without a value",
     {"aMediaInfoList[0].nDryTime"},
     "",
     "usage",
     "expected PATH=VALUE"},
};

class SetTest : public ::testing::TestWithParam<SetCase> {};

TEST_P(SetTest, ChangesOnlyTheValuesText) {
  const SetCase& c = GetParam();
  ScopedTempDir dir;
  const std::string file = dir.File("s.dsr");
  WriteFileBytes(file, Studio());
  const ToolRun run = RunDsrTool(Args({"set", file}, c.assignments));
  if (c.from.empty()) {
    EXPECT_EQ(run.exitCode, c.to == "usage" ? 2 : 1);
    EXPECT_EQ(ReadFileBytes(file), Studio());
  } else {
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ReadFileBytes(file), Replaced(Studio(), c.from, c.to));
  }
  if (c.err.empty()) {
    EXPECT_EQ(run.err, "");
  } else {
    EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
  }
  EXPECT_EQ(ListFolder(dir.path()), std::vector<std::string>{"s.dsr"});
}

INSTANTIATE_TEST_SUITE_P(Values, SetTest, ::testing::ValuesIn(kSetCases),
                         [](const auto& info) {
                           std::string name = info.param.name;
                           for (char& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) {
                               c = '_';
                             }
                           }
                           return name.substr(0, 60);
                         });

// --------------------------------------------- set: the files it is given

struct FileCase {
  const char* name;
  // The example as the file holds it: `from` made `to` (all of them when
  // `every`).
  std::string from;
  std::string to;
  bool every;
  std::string assignment;
  // What set writes: the file with `before` made `after`; empty `before`:
  // refused (exit code 1), the file as it was.
  std::string before;
  std::string after;
  std::string err;
};

const FileCase kFileCases[] = {
    {"comments, unknown elements and the declaration stay",
     "<bVisibleMedia>true</bVisibleMedia>",
     "<!-- kept --><bVisibleMedia>true</bVisibleMedia>"
     "<unknown a='&gt;'>x<y/></unknown>",
     false, "aMediaInfoList[0].nDryTime=31", "<nDryTime>30<", "<nDryTime>31<",
     ""},
    {"line ends of two bytes stay", "\n", "\r\n", true,
     "aMediaInfoList[0].nDryTime=31", "<nDryTime>30<", "<nDryTime>31<", ""},
    {"CDATA and references in the value", "<nDryTime>60</nDryTime>",
     "<nDryTime><![CDATA[6]]>&#48;</nDryTime>", false,
     "aMediaInfoList[1].nDryTime=75", "<nDryTime><![CDATA[6]]>&#48;</nDryTime>",
     "<nDryTime>75</nDryTime>", ""},
    {"name selected through a reference", "<English>Canvas matte<",
     "<English>Canvas &amp; matte<", false,
     "aMediaInfoList[name=Canvas & matte].nDryTime=1", "<nDryTime>120<",
     "<nDryTime>1<", ""},
    {"index after the value selected by it",
     "<nSeparationIndex>1</nSeparationIndex>", "", false,
     "aSeparationInfoList[nSeparationIndex=0].nOutputChannel=5", "", "",
     ""},  // filled in below
    {"comment inside the value", "<nDryTime>30</nDryTime>",
     "<nDryTime>30<!--x--></nDryTime>", false, "aMediaInfoList[0].nDryTime=31",
     "", "",
     "a comment inside the value in DeviceSeries.aMediaInfoList[0].nDryTime"},
    {"processing instruction among the members",
     "<bVisibleMedia>true</bVisibleMedia>",
     "<bVisibleMedia>true</bVisibleMedia><?x y?>", false,
     "aMediaInfoList[0].nDryTime=31", "", "",
     "the processing instruction <?x?>"},
    {"element twice", "<bCuttingMedia>true</bCuttingMedia>",
     "<bCuttingMedia>true</bCuttingMedia><bCuttingMedia>true</bCuttingMedia>",
     false, "aMediaInfoList[0].bCuttingMedia=false", "", "",
     "holds the element bCuttingMedia twice"},
    {"prefixed element among the members", "<bVisibleMedia>",
     "<x:y xmlns:x='u'/><bVisibleMedia>", false,
     "aMediaInfoList[0].bVisibleMedia=false", "", "",
     "the prefixed element x:y"},
    {"comment among the positional members, which the reader refuses",
     "<nDryTime>30<", "<!--x--><nDryTime>30<", false,
     "aMediaInfoList[1].nDryTime=1", "", "",
     "the library's reader would refuse the file"},
    {"document type declaration", "<DeviceSeries",
     "<!DOCTYPE DeviceSeries [<!ENTITY e '<nDryTime>'>]>\n<DeviceSeries", false,
     "aMediaInfoList[0].nDryTime=31", "", "",
     "a document type declaration is not allowed"},
    {"not UTF-8", "encoding=\"UTF-8\"", "encoding=\"ISO-8859-1\"", false,
     "aMediaInfoList[0].nDryTime=31", "", "", "edits UTF-8 files only"},
    {"not well-formed", "</nDryTime>", "</nDryTime", false,
     "aMediaInfoList[2].nDryTime=1", "", "",
     "the library's reader would refuse the file"},
};

class SetFileTest : public ::testing::TestWithParam<FileCase> {};

TEST_P(SetFileTest, FollowsTheFileAsTheReaderDoes) {
  FileCase c = GetParam();
  std::string original = Studio();
  if (c.every) {
    for (size_t at = 0; (at = original.find(c.from, at)) != std::string::npos;
         at += c.to.size()) {
      original.replace(at, c.from.size(), c.to);
    }
  } else if (!c.to.empty()) {
    original = Replaced(original, c.from, c.to);
  } else {
    // Separation 0's index moved after its output channel count.
    const std::string index = "<nSeparationIndex>0</nSeparationIndex>";
    original = Replaced(original, index, "");
    original =
        Replaced(original, "<nOutputChannel>", index + "<nOutputChannel>");
    c.before = index + "<nOutputChannel>4<";
    c.after = index + "<nOutputChannel>5<";
  }
  ScopedTempDir dir;
  const std::string file = dir.File("s.dsr");
  WriteFileBytes(file, original);
  const ToolRun run = RunDsrTool({"set", file, c.assignment});
  if (c.before.empty()) {
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(ReadFileBytes(file), original);
    EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
  } else {
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ReadFileBytes(file), Replaced(original, c.before, c.after));
  }
  EXPECT_EQ(ListFolder(dir.path()), std::vector<std::string>{"s.dsr"});
}

INSTANTIATE_TEST_SUITE_P(Files, SetFileTest, ::testing::ValuesIn(kFileCases),
                         [](const auto& info) {
                           std::string name = info.param.name;
                           for (char& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) {
                               c = '_';
                             }
                           }
                           return name.substr(0, 60);
                         });

// ------------------------------------------- set: where it reads and writes

const std::string kSetDryTime = "aMediaInfoList[0].nDryTime=31";

std::string Edited() {
  return Replaced(Studio(), "<nDryTime>30<", "<nDryTime>31<");
}

struct TargetCase {
  const char* name;
  std::function<void(const ScopedTempDir& dir)> run;
};

const TargetCase kTargetCases[] = {
#ifndef _WIN32
    {"in place: the mode stays, nothing is left beside",
     [](const ScopedTempDir& dir) {
       const std::string file = dir.File("s.dsr");
       WriteFileBytes(file, Studio());
       ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
       EXPECT_EQ(RunDsrTool({"set", file, kSetDryTime}).exitCode, 0);
       struct stat status {};
       ASSERT_EQ(::stat(file.c_str(), &status), 0);
       EXPECT_EQ(status.st_mode & 07777, 0640u);
       EXPECT_EQ(ReadFileBytes(file), Edited());
       EXPECT_EQ(ListFolder(dir.path()), std::vector<std::string>{"s.dsr"});
     }},
    {"symbolic link: the file it names is replaced, the link stays",
     [](const ScopedTempDir& dir) {
       WriteFileBytes(dir.File("s.dsr"), Studio());
       ASSERT_EQ(::symlink("s.dsr", dir.File("link").c_str()), 0);
       EXPECT_EQ(RunDsrTool({"set", dir.File("link"), kSetDryTime}).exitCode,
                 0);
       EXPECT_EQ(ReadFileBytes(dir.File("s.dsr")), Edited());
       char target[16] = {};
       EXPECT_EQ(::readlink(dir.File("link").c_str(), target, 15), 5);
     }},
#endif
    {"-o another file: the input stays",
     [](const ScopedTempDir& dir) {
       WriteFileBytes(dir.File("s.dsr"), Studio());
       EXPECT_EQ(RunDsrTool({"set", dir.File("s.dsr"), kSetDryTime, "-o",
                             dir.File("out.dsr")})
                     .exitCode,
                 0);
       EXPECT_EQ(ReadFileBytes(dir.File("s.dsr")), Studio());
       EXPECT_EQ(ReadFileBytes(dir.File("out.dsr")), Edited());
     }},
    {"-o naming the input itself",
     [](const ScopedTempDir& dir) {
       WriteFileBytes(dir.File("s.dsr"), Studio());
       EXPECT_EQ(RunDsrTool({"set", dir.File("s.dsr"), kSetDryTime, "-o",
                             dir.File("s.dsr")})
                     .exitCode,
                 0);
       EXPECT_EQ(ReadFileBytes(dir.File("s.dsr")), Edited());
       EXPECT_EQ(ListFolder(dir.path()), std::vector<std::string>{"s.dsr"});
     }},
    {"standard input to standard output",
     [](const ScopedTempDir&) {
       const ToolRun run = RunDsrToolThroughPipes(
           {"set", "-", kSetDryTime, "-o", "-"}, Studio());
       EXPECT_EQ(run.exitCode, 0) << run.err;
       EXPECT_EQ(run.out, Edited());
     }},
    {"standard input cannot be replaced",
     [](const ScopedTempDir&) {
       const ToolRun run = RunDsrTool({"set", "-", kSetDryTime}, Studio());
       EXPECT_EQ(run.exitCode, 2);
       EXPECT_NE(run.err.find("give -o OUT"), std::string::npos);
     }},
#ifndef _WIN32
    {"FIFO: read once with -o, refused in place",
     [](const ScopedTempDir& dir) {
       const std::string fifo = dir.File("fifo");
       ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
       // The tool opens the FIFO as every command does, waiting for this
       // writer, which a refusal leaves with a closed pipe.
       const auto feed = [&] {
         const int fd = ::open(fifo.c_str(), O_WRONLY);
         if (fd < 0) return;
         const std::string& bytes = Studio();
         for (size_t at = 0; at < bytes.size();) {
           const ssize_t put =
               ::write(fd, bytes.data() + at, bytes.size() - at);
           if (put <= 0) break;
           at += static_cast<size_t>(put);
         }
         ::close(fd);
       };
       std::signal(SIGPIPE, SIG_IGN);
       std::thread refused(feed);
       ToolRun run = RunDsrTool({"set", fifo, kSetDryTime});
       refused.join();
       EXPECT_EQ(run.exitCode, 1);
       EXPECT_NE(run.err.find("give -o OUT"), std::string::npos);
       std::thread read(feed);
       run = RunDsrTool({"set", fifo, kSetDryTime, "-o", dir.File("out.dsr")});
       read.join();
       EXPECT_EQ(run.exitCode, 0) << run.err;
       EXPECT_EQ(ReadFileBytes(dir.File("out.dsr")), Edited());
     }},
#endif
    {"folder",
     [](const ScopedTempDir& dir) {
       ASSERT_TRUE(MakeFolder(dir.File("folder")));
       const ToolRun run = RunDsrTool({"set", dir.File("folder"), kSetDryTime});
       EXPECT_EQ(run.exitCode, 1);
       EXPECT_NE(run.err.find("is a folder"), std::string::npos);
     }},
    {"-o into a folder that does not exist",
     [](const ScopedTempDir& dir) {
       WriteFileBytes(dir.File("s.dsr"), Studio());
       const ToolRun run = RunDsrTool({"set", dir.File("s.dsr"), kSetDryTime,
                                       "-o", dir.File("none/out.dsr")});
       EXPECT_EQ(run.exitCode, 1);
       EXPECT_NE(run.err.find("does not exist"), std::string::npos);
       EXPECT_EQ(ListFolder(dir.path()), std::vector<std::string>{"s.dsr"});
     }},
    {"file that is no XML",
     [](const ScopedTempDir& dir) {
       WriteFileBytes(dir.File("s.dsr"), "hello");
       const ToolRun run = RunDsrTool({"set", dir.File("s.dsr"), kSetDryTime});
       EXPECT_EQ(run.exitCode, 1);
       EXPECT_EQ(ReadFileBytes(dir.File("s.dsr")), "hello");
       EXPECT_EQ(ListFolder(dir.path()), std::vector<std::string>{"s.dsr"});
     }},
    {"standalone record file",
     [](const ScopedTempDir& dir) {
       MediaInfo media;
       media.nDryTime = 12;
       ASSERT_TRUE(MediaInfoIO().SaveMediaInfoFile(dir.File("m.xml"), media));
       const std::string before = ReadFileBytes(dir.File("m.xml"));
       EXPECT_EQ(RunDsrTool({"set", dir.File("m.xml"), "MediaInfo.nDryTime=13"})
                     .exitCode,
                 0);
       EXPECT_EQ(ReadFileBytes(dir.File("m.xml")),
                 Replaced(before, "<nDryTime>12<", "<nDryTime>13<"));
       EXPECT_EQ(RunDsrTool({"get", dir.File("m.xml"), "nDryTime"}).out,
                 "13\n");
     }},
};

class SetTargetTest : public ::testing::TestWithParam<TargetCase> {};

TEST_P(SetTargetTest, ReadsAndReplacesAsTheWritersDo) {
  ScopedTempDir dir;
  GetParam().run(dir);
}

INSTANTIATE_TEST_SUITE_P(Targets, SetTargetTest,
                         ::testing::ValuesIn(kTargetCases),
                         [](const auto& info) {
                           std::string name = info.param.name;
                           for (char& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) {
                               c = '_';
                             }
                           }
                           return name.substr(0, 60);
                         });

}  // namespace
