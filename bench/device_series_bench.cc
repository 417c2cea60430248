// Measures the device-series reader and writer, streamed and through the
// DOM, against bare libxml2 on a large synthetic series. Every run of an
// operation is a fresh process: this program started again (fork, then
// exec) as `--run MODE FILE SCRATCH`, which does that one operation on FILE
// as a program that reads or writes one file does, and reports on it. The
// operations:
//
//   bare DOM parse + free        xmlReadFd with the library's parser options
//   bare SAX2 push parse         the file pushed to libxml2 in 1 MiB pieces
//                                with the library's parser options, each
//                                element's text collected and every number
//                                in it converted: the least a streaming
//                                reader over libxml2 can take
//   DeviceSeriesIO::ReadThroughDom   load the whole tree, decode, normalise
//   DeviceSeriesIO::Read         streamed: decoded record by record
//   bare build + save + free     the file's tree built node by node and
//                                saved durably (written, flushed, renamed),
//                                as the library saves every file
//   DeviceSeriesIO::WriteThroughDom  encode into a DOM document, save it
//   DeviceSeriesIO::Write        encode, streamed straight to the file
//
// Each process reports the operation's own time, by the monotonic clock
// around the operation alone (a read includes freeing what it built, as the
// bare parse includes freeing its tree, and every operation ends by handing
// what it freed back to the system; what a write is given, the series or
// the bare build's flat tree, is prepared before the clock starts), and
// the resident memory the operation adds at its peak: VmHWM after it less
// VmRSS before it, the peak reset to the resident memory just before. This
// program also takes each process's wall time, from fork to wait, and its
// ru_maxrss: the whole-process comparison of a read with the bare parse.
//
// The machine's speed drifts by 2x and more over minutes, so runs far apart
// cannot be compared. The runs come in rounds instead: each round runs every
// operation once, in the reverse order of the round before, and gives one
// ratio per operation and baseline (time over time, peak over peak) of runs
// seconds apart. Every read is compared with the bare DOM parse, with the
// bare SAX2 parse, and by whole processes with the bare DOM parse; every
// write with the bare build and save. The table quotes each ratio's median
// over the rounds with its least and greatest, and the operation's median
// throughput and peak.
//
// One more process measures the memory the DeviceSeries read takes (the
// resident growth from copying it). All of it runs on the default synthetic
// series (80 MB) and on one `--scale` times larger (more media), whose file
// is over the DOM service's default size limit: the reads through the DOM
// raise the limit for it. Operations that build a whole tree are left out
// for a file they would take more than 4 GB for. The run starts with Google
// Benchmark's timing of BuildOutputTable and ends with one Markdown table.
//
//   device_series_bench [--series FILE | --scale N] [--pairs N]
//                       [benchmark options]
//     --series FILE   measure FILE only, instead of the synthetic series
//     --scale N       the larger synthetic series has N times the media of
//                     the default one (4 unless told; 1 measures the
//                     default one only)
//     --pairs N       rounds, each giving one ratio per operation and
//                     baseline (9 unless told; no fewer)
//   device_series_bench --generate FILE [--scale N]
//     writes the synthetic series (N times the media, 1 unless told) to FILE
//   device_series_bench --run MODE FILE SCRATCH   (one run, started by a run)
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlreader.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "bench/synthetic_series.h"
#include "devseries/platform/dom.h"
#include "devseries/records/media/output_table.h"

using namespace devseries;

namespace {

constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_NOBLANKS |
                              XML_PARSE_NOCDATA | XML_PARSE_BIG_LINES;

// The most a whole-tree operation of this run takes, per byte of the file:
// a bare parse peaks at about 6.5 times its file, the bare build and save at
// about 9 (the tree, the saved text, the flat tree it is built from).
constexpr double kDomPeakPerFileByte = 10.0;
// The most memory one DOM operation of this run may estimate to take: the
// machines it runs on are shared, and the run must not push them to swap.
constexpr double kDomPeakBudgetBytes = 4e9;

// This program, for the fresh processes.
std::string g_self;
// The folder the runs write their files to.
std::string g_scratchFolder;

// The file is opened here: the library refuses libxml2's own loading of
// files by name.
xmlDocPtr ParseBare(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) return nullptr;
  xmlDocPtr doc = xmlReadFd(fd, path.c_str(), nullptr, kParseOptions);
  ::close(fd);
  return doc;
}

double FileBytes(const std::string& path) {
  std::error_code error;
  auto size = std::filesystem::file_size(path, error);
  return error ? 0.0 : static_cast<double>(size);
}

// Raises the size limit of `io` to the file at its path when the read path
// (`streamed` or through the DOM) would refuse it by default.
void AllowFile(DeviceSeriesIO& io, const std::string& path, bool streamed) {
  size_t size = static_cast<size_t>(FileBytes(path));
  size_t limit = streamed ? platform::kMaxStreamedDocumentBytes
                          : platform::kMaxDocumentBytes;
  if (size > limit) io.SetSizeLimit(size);
}

// The reads of `path` into `series`; on failure, `why` (when given) says
// where and why.
bool ReadThroughDomOnce(const std::string& path, DeviceSeries& series,
                        std::string* why = nullptr) {
  DeviceSeriesIO2 io(path);
  AllowFile(io, path, false);
  bool ok = io.ReadThroughDom(series);
  if (!ok && why != nullptr) *why = io.Report().error.ToString();
  return ok;
}

bool ReadStreamedOnce(const std::string& path, DeviceSeries& series,
                      std::string* why = nullptr) {
  DeviceSeriesIO2 io(path);
  AllowFile(io, path, true);
  bool ok = io.Read(series);
  if (!ok && why != nullptr) *why = io.Report().error.ToString();
  return ok;
}

// The tree of the bare build, kept flat so that holding it costs about the
// size of the file, not a second DOM tree: each element is kElement, its
// name and a zero byte, then its attributes (kAttribute, name, zero, value,
// zero), text (kText, text, zero) and child elements in order, then kEnd.
constexpr char kElement = '<';
constexpr char kAttribute = '=';
constexpr char kText = '"';
constexpr char kEnd = '>';

void AppendText(std::string& out, const xmlChar* text) {
  if (text != nullptr) out += reinterpret_cast<const char*>(text);
  out += '\0';
}

// The flat shape of the file's root element, read with libxml2's streaming
// reader (a parse into a tree and its release would leave the heap spread
// over the tree's memory, slowing what runs after it); empty when the file
// does not parse. Blank text between elements is left out, as the parse
// with the library's options leaves it out; comments are left out.
std::string ShapeOf(const std::string& path) {
  std::string shape;
  int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) return shape;
  xmlTextReaderPtr reader =
      xmlReaderForFd(fd, path.c_str(), nullptr, kParseOptions);
  int status = reader == nullptr ? -1 : 1;
  while (status == 1 && (status = xmlTextReaderRead(reader)) == 1) {
    switch (xmlTextReaderNodeType(reader)) {
      case XML_READER_TYPE_ELEMENT: {
        bool empty = xmlTextReaderIsEmptyElement(reader) == 1;
        shape += kElement;
        AppendText(shape, xmlTextReaderConstName(reader));
        while (xmlTextReaderMoveToNextAttribute(reader) == 1) {
          shape += kAttribute;
          AppendText(shape, xmlTextReaderConstName(reader));
          AppendText(shape, xmlTextReaderConstValue(reader));
        }
        if (empty) shape += kEnd;
        break;
      }
      case XML_READER_TYPE_END_ELEMENT:
        shape += kEnd;
        break;
      case XML_READER_TYPE_TEXT:
      case XML_READER_TYPE_CDATA:
        shape += kText;
        AppendText(shape, xmlTextReaderConstValue(reader));
        break;
      default:
        break;
    }
  }
  if (reader != nullptr) xmlFreeTextReader(reader);
  ::close(fd);
  if (status != 0) shape.clear();
  return shape;
}

// Takes the zero-terminated text at `p` and moves `p` past its zero byte.
const xmlChar* TakeText(const char*& p) {
  const char* text = p;
  p += std::strlen(p) + 1;
  return reinterpret_cast<const xmlChar*>(text);
}

// Builds the element at `p` (at its kElement) and moves `p` past its kEnd.
xmlNodePtr BuildShape(xmlDocPtr doc, const char*& p) {
  ++p;
  xmlNodePtr node = xmlNewDocNode(doc, nullptr, TakeText(p), nullptr);
  while (*p != kEnd) {
    if (*p == kAttribute) {
      ++p;
      const xmlChar* name = TakeText(p);
      xmlSetProp(node, name, TakeText(p));
    } else if (*p == kText) {
      ++p;
      xmlAddChild(node, xmlNewDocText(doc, TakeText(p)));
    } else {
      xmlAddChild(node, BuildShape(doc, p));
    }
  }
  ++p;
  return node;
}

// Writes `text` to a sibling of `path`, flushes it and renames it over
// `path`: the durable save every library write makes.
bool SaveDurably(const std::string& path, const xmlChar* text, int size) {
  std::string sibling = path + ".part";
  int fd = ::open(sibling.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
  if (fd < 0) return false;
  const char* p = reinterpret_cast<const char*>(text);
  size_t left = static_cast<size_t>(size);
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n <= 0) break;
    p += n;
    left -= static_cast<size_t>(n);
  }
  bool ok = left == 0 && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  return ok && std::rename(sibling.c_str(), path.c_str()) == 0;
}

// Builds the tree of `shape` node by node, saves it durably to `path` and
// frees it.
bool BareBuildSaveOnce(const std::string& shape, const std::string& path) {
  if (shape.empty()) return false;
  xmlDocPtr doc = xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0"));
  doc->dict = xmlDictCreate();
  const char* p = shape.data();
  xmlDocSetRootElement(doc, BuildShape(doc, p));
  xmlChar* text = nullptr;
  int size = 0;
  xmlDocDumpFormatMemoryEnc(doc, &text, &size, "UTF-8", 1);
  bool ok = text != nullptr && SaveDurably(path, text, size);
  xmlFree(text);
  xmlFreeDoc(doc);
  return ok;
}

// The bare SAX2 parse's state: the text of the element seen last, and the
// sum of the numbers read.
struct SaxTally {
  std::string text;
  double sum = 0;
};

// Where the bare SAX2 parse leaves its sum, so that the conversions it
// makes are not optimised away.
volatile double g_numberSink = 0;

void TallyStartElement(void* tally, const xmlChar*, const xmlChar*,
                       const xmlChar*, int, const xmlChar**, int, int,
                       const xmlChar**) {
  static_cast<SaxTally*>(tally)->text.clear();
}

void TallyCharacters(void* tally, const xmlChar* text, int size) {
  static_cast<SaxTally*>(tally)->text.append(
      reinterpret_cast<const char*>(text), static_cast<size_t>(size));
}

// Adds the element's text to the sum when it is a whole or a real number,
// as a reader converts every number of the file.
void TallyEndElement(void* data, const xmlChar*, const xmlChar*,
                     const xmlChar*) {
  auto* tally = static_cast<SaxTally*>(data);
  const char* first = tally->text.data();
  const char* last = first + tally->text.size();
  long whole = 0;
  auto [wholeEnd, wholeError] = std::from_chars(first, last, whole);
  if (wholeError == std::errc() && wholeEnd == last) {
    tally->sum += static_cast<double>(whole);
  } else {
    double real = 0;
    auto [realEnd, realError] = std::from_chars(first, last, real);
    if (realError == std::errc() && realEnd == last) tally->sum += real;
  }
  tally->text.clear();
}

// Parses the file at `path` with libxml2's SAX2 push parser, fed in 1 MiB
// pieces as the file is read, as the library's parses are, converting the
// numbers of the elements' texts. False when the file cannot be read or is
// not well-formed.
bool SaxParseOnce(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) return false;
  xmlSAXHandler handler{};
  handler.initialized = XML_SAX2_MAGIC;
  handler.startElementNs = TallyStartElement;
  handler.endElementNs = TallyEndElement;
  handler.characters = TallyCharacters;
  SaxTally tally;
  std::vector<char> piece(size_t{1} << 20);
  xmlParserCtxtPtr ctxt = nullptr;
  bool ok = true;
  ssize_t size = 0;
  while (ok && (size = ::read(fd, piece.data(), piece.size())) > 0) {
    int offset = 0;
    if (ctxt == nullptr) {
      // The first bytes tell the parser the file's encoding.
      offset = static_cast<int>(std::min<ssize_t>(4, size));
      ctxt = xmlCreatePushParserCtxt(&handler, &tally, piece.data(), offset,
                                     path.c_str());
      if (ctxt == nullptr) break;
      xmlCtxtUseOptions(ctxt, kParseOptions);
    }
    ok = xmlParseChunk(ctxt, piece.data() + offset,
                       static_cast<int>(size) - offset, 0) == 0;
  }
  ok = ok && size == 0 && ctxt != nullptr &&
       xmlParseChunk(ctxt, nullptr, 0, 1) == 0 && ctxt->wellFormed != 0;
  if (ctxt != nullptr) xmlFreeParserCtxt(ctxt);
  ::close(fd);
  g_numberSink = tally.sum;
  return ok;
}

void BuildTable(benchmark::State& state) {
  OutputTable table{};
  for (size_t i = 0; i < table.size(); ++i) {
    table[i] = static_cast<std::uint16_t>(i * 4095 / (table.size() - 1));
  }
  OutputTableSamples samples = TakeOutputTableSamples(table);
  for (auto _ : state) {
    BuildOutputTable(samples, table);
    benchmark::DoNotOptimize(table);
  }
}

// Whether the files at `a` and `b` hold the same bytes; false when either
// cannot be read.
bool SameContent(const std::string& a, const std::string& b) {
  std::FILE* first = std::fopen(a.c_str(), "rb");
  std::FILE* second = std::fopen(b.c_str(), "rb");
  bool same = first != nullptr && second != nullptr;
  std::vector<char> one(1 << 20);
  std::vector<char> two(1 << 20);
  while (same) {
    size_t n = std::fread(one.data(), 1, one.size(), first);
    size_t m = std::fread(two.data(), 1, two.size(), second);
    same = n == m && std::memcmp(one.data(), two.data(), n) == 0;
    if (n == 0) break;
  }
  if (first != nullptr) std::fclose(first);
  if (second != nullptr) std::fclose(second);
  return same;
}

// A value of this process's /proc/self/status in KiB ("VmHWM", "VmRSS");
// -1 when it cannot be read.
long StatusKiB(const char* key) {
  FILE* status = std::fopen("/proc/self/status", "r");
  if (status == nullptr) return -1;
  std::string format = std::string(key) + ": %ld kB";
  char line[256];
  long value = -1;
  while (std::fgets(line, sizeof line, status) != nullptr) {
    if (std::sscanf(line, format.c_str(), &value) == 1) break;
  }
  std::fclose(status);
  return value;
}

// Resets the peak resident memory (VmHWM) to what the process holds now.
bool ResetPeak() {
  FILE* file = std::fopen("/proc/self/clear_refs", "w");
  if (file == nullptr) return false;
  bool ok = std::fputs("5", file) >= 0;
  return std::fclose(file) == 0 && ok;
}

// The operations, each the MODE of a fresh process, in the order of a
// round; `wholeTree` when it builds a whole DOM tree.
struct Operation {
  const char* mode;
  const char* label;
  bool wholeTree;
};
constexpr Operation kOperations[] = {
    {"parse", "bare DOM parse + free", true},
    {"sax", "bare SAX2 push parse", false},
    {"read-dom", "`ReadThroughDom`", true},
    {"read", "`Read` (streamed)", false},
    {"save", "bare build + durable save + free", true},
    {"write-dom", "`WriteThroughDom`", true},
    {"write", "`Write` (streamed)", false},
};

// The mode of the process measuring the memory of the DeviceSeries read.
constexpr const char* kSeriesMode = "series";

const Operation* FindOperation(const std::string& mode) {
  for (const Operation& operation : kOperations) {
    if (mode == operation.mode) return &operation;
  }
  return nullptr;
}

// The files the writes leave in the scratch folder, by mode.
std::string WrittenFile(const std::string& scratch, const std::string& mode) {
  return scratch + "/" + mode + ".dsr";
}

// Does the operation `mode` once on the file at `path`.
bool OperateOnce(const std::string& mode, const std::string& path,
                 const std::string& scratch, DeviceSeries& series,
                 const std::string& shape) {
  if (mode == "parse") {
    xmlDocPtr doc = ParseBare(path);
    xmlFreeDoc(doc);
    return doc != nullptr;
  }
  if (mode == "sax") return SaxParseOnce(path);
  if (mode == "read-dom" || mode == "read") {
    DeviceSeries read;
    bool ok = mode == "read" ? ReadStreamedOnce(path, read)
                             : ReadThroughDomOnce(path, read);
    benchmark::DoNotOptimize(read);
    return ok;
  }
  if (mode == "save") {
    return BareBuildSaveOnce(shape, WrittenFile(scratch, mode));
  }
  DeviceSeriesIO2 io(WrittenFile(scratch, mode));
  return mode == "write" ? io.Write(series) : io.WriteThroughDom(series);
}

// The fresh process's side: `--run MODE FILE SCRATCH`, MODE one of
// kOperations or kSeriesMode. Prints the operation's seconds and the
// resident memory it added at its peak, in KiB; for kSeriesMode, zero
// seconds and the resident growth from copying the series read from FILE,
// which is the memory that series takes. Writes go to files in SCRATCH.
// Returns the process's exit status.
int RunOperation(const std::string& mode, const std::string& path,
                 const std::string& scratch) {
  bool series = mode == kSeriesMode;
  if (FindOperation(mode) == nullptr && !series) return 2;
  // The input of a write, prepared before the measurement.
  DeviceSeries input;
  bool writes = mode == "write" || mode == "write-dom";
  if ((writes || series) && !ReadStreamedOnce(path, input)) return 1;
  std::string shape;
  if (mode == "save" && (shape = ShapeOf(path)).empty()) return 1;
  // What the preparation freed goes back to the system, so the operation
  // cannot grow into it unseen.
  ::malloc_trim(0);

  if (series) {
    long before = StatusKiB("VmRSS");
    DeviceSeries copy(input);
    benchmark::DoNotOptimize(copy);
    benchmark::ClobberMemory();
    long after = StatusKiB("VmRSS");
    std::printf("0 %ld\n", after - before);
    // The copy is used after the measurement, so it is whole through it.
    return copy.aMediaInfoList.size() == input.aMediaInfoList.size() ? 0 : 1;
  }

  // Without the reset, the peak would include what the process held before,
  // the preparation's peak among it.
  if (!ResetPeak()) return 3;
  long before = StatusKiB("VmRSS");
  auto start = std::chrono::steady_clock::now();
  bool ok = OperateOnce(mode, path, scratch, input, shape);
  // The operation's freeing ends with what it freed back with the system:
  // glibc leaves part of the work of many small frees to a later allocation
  // or to the exit. A bare parse + free of the 80 MB series left about
  // 0.5 s of its freeing to the process's exit, where the library's reads
  // finished theirs within their time.
  ::malloc_trim(0);
  std::chrono::duration<double> seconds =
      std::chrono::steady_clock::now() - start;
  long peak = StatusKiB("VmHWM");
  if (!ok || before < 0 || peak < 0) return 1;
  std::printf("%.9f %ld\n", seconds.count(), peak - before);
  return 0;
}

// What this program saw of a fresh process of it.
struct Process {
  std::string output;
  // From fork to wait.
  double wallSeconds = 0;
  // Its ru_maxrss.
  double maxRssBytes = 0;
};

// Runs this program with `args` in a fresh process, fork then exec, and
// waits for it; nothing when it cannot start or does not exit with 0. A
// forked process starts with the resident memory of this one, which its
// ru_maxrss keeps through the exec: this process holds nothing large.
std::optional<Process> RunFresh(std::vector<std::string> args) {
  args.insert(args.begin(), g_self);
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  int fds[2];
  if (::pipe(fds) != 0) return std::nullopt;
  std::fflush(nullptr);
  auto start = std::chrono::steady_clock::now();
  pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(fds[1], STDOUT_FILENO);
    ::close(fds[0]);
    ::close(fds[1]);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(fds[1]);
  if (pid < 0) {
    ::close(fds[0]);
    return std::nullopt;
  }
  Process process;
  char buffer[4096];
  ssize_t size;
  while ((size = ::read(fds[0], buffer, sizeof buffer)) != 0) {
    if (size > 0) process.output.append(buffer, static_cast<size_t>(size));
    if (size < 0 && errno != EINTR) break;
  }
  ::close(fds[0]);
  int status = 0;
  rusage usage{};
  while (::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
  }
  std::chrono::duration<double> wall = std::chrono::steady_clock::now() - start;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  process.wallSeconds = wall.count();
  process.maxRssBytes = static_cast<double>(usage.ru_maxrss) * 1024.0;
  return process;
}

// One run of an operation: what its process reported, and what this
// program saw of the process.
struct Figures {
  double seconds = 0;
  double peakBytes = 0;
  double wallSeconds = 0;
  double maxRssBytes = 0;
};

// Runs the operation `mode` on the file at `path` in a fresh process.
std::optional<Figures> RunOnce(const char* mode, const std::string& path) {
  std::optional<Process> process =
      RunFresh({"--run", mode, path, g_scratchFolder});
  Figures figures;
  long peakKiB = 0;
  if (!process || std::sscanf(process->output.c_str(), "%lf %ld",
                              &figures.seconds, &peakKiB) != 2) {
    return std::nullopt;
  }
  figures.peakBytes = static_cast<double>(peakKiB) * 1024.0;
  figures.wallSeconds = process->wallSeconds;
  figures.maxRssBytes = process->maxRssBytes;
  return figures;
}

// What the rounds on one file measured.
struct SizeResult {
  std::string label;
  double fileBytes = 0;
  // Empty when the whole-tree operations ran; otherwise why they did not.
  std::string treesLeftOut;
  // The runs of each operation by mode, one a round.
  std::map<std::string, std::vector<Figures>> runs;
  double seriesBytes = -1;
  // Whether Write and WriteThroughDom wrote the same bytes: "yes", "NO",
  // or empty when they did not both run.
  std::string sameBytes;
};

// Runs `pairs` rounds of the operations on the file at `path`, then the
// measurement of its series' memory. False, with the reason printed, when
// a run fails.
bool MeasureFile(const std::string& path, const std::string& label, int pairs,
                 SizeResult& result) {
  result.label = label;
  result.fileBytes = FileBytes(path);
  double estimate = kDomPeakPerFileByte * result.fileBytes;
  if (estimate > kDomPeakBudgetBytes) {
    char why[200];
    std::snprintf(why, sizeof why,
                  "a whole tree of this file would take about %.1f GB, over "
                  "the %.1f GB this run allows one process",
                  estimate / 1e9, kDomPeakBudgetBytes / 1e9);
    result.treesLeftOut = why;
  }
  std::vector<const Operation*> order;
  for (const Operation& operation : kOperations) {
    if (!operation.wholeTree || result.treesLeftOut.empty()) {
      order.push_back(&operation);
    }
  }
  for (int round = 0; round < pairs; ++round) {
    auto start = std::chrono::steady_clock::now();
    for (size_t i = 0; i < order.size(); ++i) {
      // Every other round runs the operations in reverse, so that each runs
      // before its baselines as often as after them.
      const Operation* operation =
          order[round % 2 == 0 ? i : order.size() - 1 - i];
      std::optional<Figures> figures = RunOnce(operation->mode, path);
      if (!figures) {
        std::fprintf(stderr, "%s: %s failed in round %d\n", path.c_str(),
                     operation->mode, round + 1);
        return false;
      }
      result.runs[operation->mode].push_back(*figures);
    }
    std::chrono::duration<double> took =
        std::chrono::steady_clock::now() - start;
    std::fprintf(stderr, "%s: round %d of %d, %.1f s\n", label.c_str(),
                 round + 1, pairs, took.count());
  }
  std::optional<Figures> series = RunOnce(kSeriesMode, path);
  if (series) result.seriesBytes = series->peakBytes;

  std::string written = WrittenFile(g_scratchFolder, "write");
  std::string writtenDom = WrittenFile(g_scratchFolder, "write-dom");
  if (std::filesystem::exists(written) && std::filesystem::exists(writtenDom)) {
    result.sameBytes = SameContent(written, writtenDom) ? "yes" : "NO";
  }
  return true;
}

// The median of `values` with the least and the greatest; all -1 when
// there are none.
struct Spread {
  double median = -1;
  double least = -1;
  double most = -1;
};
Spread SpreadOf(std::vector<double> values) {
  Spread spread;
  if (values.empty()) return spread;
  std::sort(values.begin(), values.end());
  size_t middle = values.size() / 2;
  spread.median = values.size() % 2 == 1
                      ? values[middle]
                      : (values[middle - 1] + values[middle]) / 2;
  spread.least = values.front();
  spread.most = values.back();
  return spread;
}

// The figure with three significant digits (whole from 100), or "n/a"
// when it is missing (negative, unless `allowNegative`).
std::string Figure(double value, bool allowNegative = false) {
  if (!(value >= 0) && !(allowNegative && std::isfinite(value))) return "n/a";
  char text[32];
  std::snprintf(text, sizeof text, std::fabs(value) >= 100 ? "%.0f" : "%.3g",
                value);
  return text;
}

// A ratio with two decimals below 10, whole from 10, two significant
// digits below 0.1.
std::string RatioFigure(double value) {
  char text[32];
  std::snprintf(text, sizeof text,
                value >= 10    ? "%.0f"
                : value >= 0.1 ? "%.2f"
                               : "%.2g",
                value);
  return text;
}

// "median (least–greatest)" of ratios.
std::string RatioText(const Spread& spread) {
  if (!(spread.median > 0)) return "n/a";
  return RatioFigure(spread.median) + " (" + RatioFigure(spread.least) + "–" +
         RatioFigure(spread.most) + ")";
}

// One row of the table: an operation by its own figures or by its whole
// process's, against a baseline by the same figures (none: the operation's
// figures alone).
struct Row {
  const char* mode;
  const char* baseline;
  bool wholeProcess;
};
constexpr Row kRows[] = {
    {"parse", nullptr, false},    {"parse", nullptr, true},
    {"sax", "parse", false},      {"read-dom", "parse", false},
    {"read-dom", "sax", false},   {"read-dom", "parse", true},
    {"read", "parse", false},     {"read", "sax", false},
    {"read", "parse", true},      {"save", nullptr, false},
    {"write-dom", "save", false}, {"write", "save", false},
};

std::string RowLabel(const char* mode, bool wholeProcess) {
  std::string label = FindOperation(mode)->label;
  return wholeProcess ? label + ", whole process" : label;
}

void PrintRow(const SizeResult& result, const Row& row) {
  auto runs = result.runs.find(row.mode);
  auto baseline = row.baseline == nullptr ? result.runs.end()
                                          : result.runs.find(row.baseline);
  std::string against =
      row.baseline == nullptr ? "" : RowLabel(row.baseline, row.wholeProcess);
  std::printf("| %s | %s | %s | ", result.label.c_str(),
              RowLabel(row.mode, row.wholeProcess).c_str(), against.c_str());
  if (runs == result.runs.end()) {
    std::printf("left out | left out | left out | left out |\n");
    return;
  }
  auto time = [&](const Figures& figures) {
    return row.wholeProcess ? figures.wallSeconds : figures.seconds;
  };
  auto peak = [&](const Figures& figures) {
    return row.wholeProcess ? figures.maxRssBytes : figures.peakBytes;
  };
  std::vector<double> seconds, peaks, timeRatios, peakRatios;
  for (size_t round = 0; round < runs->second.size(); ++round) {
    const Figures& figures = runs->second[round];
    seconds.push_back(time(figures));
    peaks.push_back(peak(figures));
    if (baseline != result.runs.end()) {
      const Figures& base = baseline->second[round];
      timeRatios.push_back(time(figures) / time(base));
      peakRatios.push_back(peak(figures) / peak(base));
    }
  }
  std::string timeRatio, peakRatio;
  if (row.baseline == nullptr) {
    // The baseline itself: its figures only.
  } else if (baseline == result.runs.end()) {
    timeRatio = peakRatio = "left out";
  } else {
    timeRatio = RatioText(SpreadOf(timeRatios));
    peakRatio = RatioText(SpreadOf(peakRatios));
  }
  std::printf("%s | %s | %s | %s |\n", timeRatio.c_str(), peakRatio.c_str(),
              Figure(result.fileBytes / SpreadOf(seconds).median / 1e6).c_str(),
              Figure(SpreadOf(peaks).median / 1e6).c_str());
}

// Prints the table of `results` in Markdown, headed by the command line
// `command` and how the figures were taken.
void PrintTable(const std::vector<SizeResult>& results,
                const std::string& command, int pairs, double minutes) {
  std::printf(
      "\n`%s`: %d pairs (one a round, each run in a fresh process), %.1f min "
      "in all.\n\n",
      command.c_str(), pairs, minutes);
  std::fputs(
      R"(Each ratio is an operation's figure over its baseline's in the same round:
the median over the rounds (the least–the greatest). Time: the operation
alone, by the monotonic clock (a read includes freeing what it built, every
operation ends with what it freed back with the system; a write's input is
prepared beforehand). Peak: the resident memory the operation adds at its
peak. Whole process: a process that does only that, its wall time from fork
to wait and its ru_maxrss. MB/s and peak MB: the operation's medians.
MB = 10^6 bytes.

)",
      stdout);
  std::printf(
      "| file | operation | against | time ratio | peak ratio | MB/s | "
      "peak MB |\n|---|---|---|---|---|---|---|\n");
  for (const SizeResult& result : results) {
    for (const Row& row : kRows) PrintRow(result, row);
    double readPeak = -1;
    auto read = result.runs.find("read");
    if (read != result.runs.end()) {
      std::vector<double> peaks;
      for (const Figures& figures : read->second) {
        peaks.push_back(figures.peakBytes);
      }
      readPeak = SpreadOf(peaks).median;
    }
    std::printf("| %s | DeviceSeries in memory | | | | | %s |\n",
                result.label.c_str(), Figure(result.seriesBytes / 1e6).c_str());
    std::printf(
        "| %s | `Read` peak minus DeviceSeries | | | | | %s |\n",
        result.label.c_str(),
        readPeak >= 0 && result.seriesBytes >= 0
            ? Figure((readPeak - result.seriesBytes) / 1e6, true).c_str()
            : "n/a");
  }
  std::printf("\n");
  for (const SizeResult& result : results) {
    if (!result.treesLeftOut.empty()) {
      std::printf("%s: whole-tree operations left out: %s.\n",
                  result.label.c_str(), result.treesLeftOut.c_str());
    }
    if (!result.sameBytes.empty()) {
      std::printf(
          "%s: `Write` and `WriteThroughDom` wrote the same bytes: %s.\n",
          result.label.c_str(), result.sameBytes.c_str());
    }
  }
}

// The command line, as it can be typed again.
std::string CommandLine(int argc, char** argv) {
  std::string line;
  for (int i = 0; i < argc; ++i) {
    std::string arg = argv[i];
    bool plain = !arg.empty() &&
                 arg.find_first_of(" \t'\"\\$`*?;&|<>()") == std::string::npos;
    if (i > 0) line += ' ';
    line += plain ? arg : "'" + arg + "'";
  }
  return line;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[1], "--run") == 0) {
    return RunOperation(argv[2], argv[3], argv[4]);
  }
  std::string command = CommandLine(argc, argv);
  std::vector<char*> rest = {argv[0]};
  std::string seriesPath;
  size_t scale = 0;
  int pairs = 9;
  std::string generate;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--series") == 0 && i + 1 < argc) {
      seriesPath = argv[++i];
    } else if (std::strcmp(argv[i], "--scale") == 0 && i + 1 < argc) {
      scale = std::strtoul(argv[++i], nullptr, 10);
      if (scale == 0) {
        std::fprintf(stderr, "--scale: a whole number from 1 is needed\n");
        return 2;
      }
    } else if (std::strcmp(argv[i], "--pairs") == 0 && i + 1 < argc) {
      pairs = std::atoi(argv[++i]);
      if (pairs < 9) {
        std::fprintf(stderr,
                     "--pairs: 9 or more (a median of fewer rounds does not "
                     "hold from run to run)\n");
        return 2;
      }
    } else if (std::strcmp(argv[i], "--generate") == 0 && i + 1 < argc) {
      generate = argv[++i];
    } else {
      rest.push_back(argv[i]);
    }
  }
  if (!generate.empty()) {
    DeviceSeries series =
        MakeSyntheticSeries(ScaledSyntheticShape(std::max<size_t>(scale, 1)));
    if (WriteDeviceSeriesFile(generate, series)) return 0;
    std::fprintf(stderr, "%s: cannot be written\n", generate.c_str());
    return 1;
  }
  if (scale == 0) scale = 4;
  std::error_code error;
  g_self = std::filesystem::read_symlink("/proc/self/exe", error).string();
  if (error) g_self = argv[0];
  int count = static_cast<int>(rest.size());
  benchmark::Initialize(&count, rest.data());
  if (benchmark::ReportUnrecognizedArguments(count, rest.data())) return 2;
  auto start = std::chrono::steady_clock::now();
  benchmark::RegisterBenchmark("BuildOutputTable", BuildTable)
      ->Unit(benchmark::kMicrosecond);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  char scratch[] = "/tmp/tovra_bench_XXXXXX";
  if (::mkdtemp(scratch) == nullptr) return 1;
  g_scratchFolder = scratch;
  std::vector<SizeResult> results;
  bool ok = true;
  if (!seriesPath.empty()) {
    char label[64];
    std::snprintf(label, sizeof label, "%.3g MB", FileBytes(seriesPath) / 1e6);
    ok = MeasureFile(seriesPath, label, pairs, results.emplace_back());
  } else {
    // The series is generated in a fresh process too, so that this one
    // stays small (see RunFresh).
    std::string path = g_scratchFolder + "/series.dsr";
    std::vector<size_t> factors = {1};
    if (scale > 1) factors.push_back(scale);
    for (size_t factor : factors) {
      size_t media = ScaledSyntheticShape(factor).media;
      std::fprintf(stderr, "Generating the synthetic series, %zu media...\n",
                   media);
      if (!RunFresh({"--generate", path, "--scale", std::to_string(factor)})) {
        std::fprintf(stderr, "%s: cannot be written\n", path.c_str());
        ok = false;
        break;
      }
      char label[64];
      std::snprintf(label, sizeof label, "%.3g MB (%zu media)",
                    FileBytes(path) / 1e6, media);
      ok = MeasureFile(path, label, pairs, results.emplace_back());
      for (const auto& entry :
           std::filesystem::directory_iterator(g_scratchFolder)) {
        std::filesystem::remove(entry.path());
      }
      if (!ok) break;
    }
  }
  std::filesystem::remove_all(g_scratchFolder);
  if (!ok) return 1;
  std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  PrintTable(results, command, pairs, took.count() / 60);
  return 0;
}
