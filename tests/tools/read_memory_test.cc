// What a read holds in memory: dsrtool reads files that are small on disk
// and huge as a tree (empty elements by the million, one record with
// millions of unknown children, a JSON array of millions of numbers) with
// a small --max-size, in a child process, and must refuse each cleanly
// with a peak resident size within eight times the limit plus 64 MiB. A
// child whose address space runs out says "out of memory".
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

#if defined(__SANITIZE_ADDRESS__)
#define TOVRA_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TOVRA_SANITIZED 1
#endif
#endif

namespace {

using tovra::testing::ReadFileBytes;
using tovra::testing::ScopedTempDir;

constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;
// The limit of every read here, and the peak a read may reach with it.
constexpr std::uint64_t kLimit = 4 * kMiB;
constexpr std::uint64_t kPeakAllowed = 8 * kLimit + 64 * kMiB;

// Writes `head`, then `unit` as often as fits under `size`, then `tail`:
// a file just under that size, so a limit of `size` lets it through.
void WriteRepeated(const std::string& path, const std::string& head,
                   const std::string& unit, const std::string& tail,
                   std::uint64_t size = kLimit) {
  std::ofstream out(path, std::ios::binary);
  out << head;
  const std::uint64_t room = size - head.size() - tail.size() - 1;
  std::string block;
  for (int i = 0; i < 4096; ++i) block += unit;
  std::uint64_t written = 0;
  while (written + block.size() <= room) {
    out << block;
    written += block.size();
  }
  while (written + unit.size() <= room) {
    out << unit;
    written += unit.size();
  }
  out << tail;
  ASSERT_TRUE(out.good()) << path;
}

struct ChildEnd {
  int exitCode = -1;
  std::uint64_t peakBytes = 0;
  std::string err;
};

// Runs dsrtool with `arguments`, standard input from `input` (empty: none)
// and its address space limited to `addressSpace` bytes (0: not limited).
ChildEnd RunTool(const ScopedTempDir& dir,
                 const std::vector<std::string>& arguments,
                 const std::string& input, std::uint64_t addressSpace = 0) {
  const std::string errPath = dir.File("stderr.txt");
  std::vector<std::string> argv = {DSRTOOL_PATH};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  std::vector<char*> pointers;
  for (std::string& argument : argv) pointers.push_back(argument.data());
  pointers.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int in =
        ::open(input.empty() ? "/dev/null" : input.c_str(), O_RDONLY);
    const int out = ::open("/dev/null", O_WRONLY);
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0 || err < 0 || ::dup2(in, 0) < 0 ||
        ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) {
      ::_exit(127);
    }
    if (addressSpace != 0) {
      rlimit memory{addressSpace, addressSpace};
      if (::setrlimit(RLIMIT_AS, &memory) != 0) ::_exit(127);
    }
    ::execv(pointers[0], pointers.data());
    ::_exit(127);
  }
  ChildEnd end;
  int status = 0;
  rusage usage{};
  if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid) return end;
  if (WIFEXITED(status)) end.exitCode = WEXITSTATUS(status);
  // Linux gives the peak resident size in KiB.
  end.peakBytes = static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;
  end.err = ReadFileBytes(errPath);
  return end;
}

const std::string kSeriesHead =
    "<?xml version=\"1.0\"?>\n<DeviceSeries strVersion=\"3.3.0.0\">";
// The root's members up to the VControl point list, empty.
const std::string kListsBeforePoints =
    "<aModelInfoList/><aInkInfoList/><aInkConfigInfoList/>"
    "<aResolutionInfoList/><aModeInfoList/><aSeparationInfoList/>";
// Every positional member, empty: what comes after them is read by name.
std::string AllPositionalMembers() {
  std::string text = kListsBeforePoints + "<aVControlPointList/>";
  text += "<aPatternInfoList/><commandSet>";
  for (int i = 0; i < 9; ++i) text += "<s/>";
  return text + "</commandSet><aMediaInfoList/>";
}

struct Shape {
  const char* name;
  const char* file;
  std::string head;
  std::string unit;
  std::string tail;
  // The command line after the file is made; "FILE" stands for it, and
  // "<" before it for standard input.
  std::vector<std::string> command;
};

std::vector<Shape> HostileShapes() {
  const std::string points = kSeriesHead + kListsBeforePoints;
  const std::vector<std::string> dump = {"dump", "--max-size", "4M", "FILE"};
  return {
      {"root children", "root.dsr", kSeriesHead, "<a/>", "</DeviceSeries>",
       dump},
      {"empty VControl points", "points.dsr", points + "<aVControlPointList>",
       "<VControlPoint/>", "</aVControlPointList></DeviceSeries>", dump},
      {"one VControl point of unknown children", "point.dsr",
       points + "<aVControlPointList><VControlPoint>", "<u/>",
       "</VControlPoint></aVControlPointList></DeviceSeries>", dump},
      {"empty print-chart sets", "charts.dsr",
       kSeriesHead + AllPositionalMembers() + "<aPrintChartFileInfoSetList>",
       "<PrintChartFileInfoSet/>",
       "</aPrintChartFileInfoSetList></DeviceSeries>", dump},
      {"comments", "comments.dsr", kSeriesHead, "<!---->", "</DeviceSeries>",
       dump},
      {"standalone media root children", "media.xml",
       "<?xml version=\"1.0\"?>\n<MediaInfo>", "<a/>", "</MediaInfo>", dump},
      {"root children on standard input",
       "piped.dsr",
       kSeriesHead,
       "<a/>",
       "</DeviceSeries>",
       {"dump", "--max-size", "4M", "-", "<FILE"}},
      {"a JSON array of numbers",
       "numbers.json",
       "{\"MediaInfo\": {\"strMediaName\": [0",
       ",0",
       "]}}",
       {"build", "--max-size", "4M", "FILE", "OUT"}},
  };
}

class ReadMemoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
#ifdef TOVRA_SANITIZED
    GTEST_SKIP() << "the sanitizers change what a process holds";
#endif
  }

  ScopedTempDir dir_;
};

TEST_F(ReadMemoryTest, HostileShapesAreRefusedWithinTheBound) {
  for (const Shape& shape : HostileShapes()) {
    SCOPED_TRACE(shape.name);
    const std::string path = dir_.File(shape.file);
    WriteRepeated(path, shape.head, shape.unit, shape.tail);
    std::vector<std::string> arguments;
    std::string input;
    for (const std::string& argument : shape.command) {
      if (argument == "<FILE") {
        input = path;
      } else if (argument == "FILE") {
        arguments.push_back(path);
      } else if (argument == "OUT") {
        arguments.push_back(dir_.File("out.xml"));
      } else {
        arguments.push_back(argument);
      }
    }
    const ChildEnd end = RunTool(dir_, arguments, input);
    EXPECT_EQ(end.exitCode, 1) << end.err;
    EXPECT_NE(end.err.find("in memory, its bound"), std::string::npos)
        << end.err;
    EXPECT_EQ(end.err.find("raises it"), std::string::npos) << end.err;
    EXPECT_LE(end.peakBytes, kPeakAllowed) << end.peakBytes / kMiB << " MiB";
  }
}

// A whole-tree load that the address space cannot hold, under a bound it
// would only reach later, ends as out of memory, not as a file that is not
// well-formed.
TEST_F(ReadMemoryTest, RunningOutOfMemorySaysSo) {
  const std::string path = dir_.File("media.xml");
  WriteRepeated(path, "<?xml version=\"1.0\"?>\n<MediaInfo>", "<a/>",
                "</MediaInfo>", 16 * kMiB);
  // 16 MiB of limit is a bound of 128 MiB; the process gets less.
  const ChildEnd end = RunTool(dir_, {"dump", "--max-size", "16M", path}, "",
                               std::uint64_t{96} << 20);
  EXPECT_EQ(end.exitCode, 1) << end.err;
  EXPECT_NE(end.err.find("out of memory"), std::string::npos) << end.err;
  EXPECT_EQ(end.err.find("not well-formed"), std::string::npos) << end.err;
}

}  // namespace
