// Measures the device-series reader and writer, streamed and through the
// DOM, against bare libxml2 on a large synthetic series, in one run, side by
// side (each operation in a forked copy of the run's process, so that each
// starts from the same memory):
//
//   bare parse + free            xmlReadFd with the library's options, and
//                                xmlReadMemory of the file read whole
//   DeviceSeriesIO::ReadThroughDom   load the whole tree, decode, normalise
//   DeviceSeriesIO::Read         streamed: decoded record by record
//   bare build + save + free     the same tree built node by node and saved
//                                durably (written, flushed, renamed), as the
//                                library saves every file
//   DeviceSeriesIO::WriteThroughDom  encode into a DOM document, save it
//   DeviceSeriesIO::Write        encode, streamed straight to the file
//   BuildOutputTable             256 samples to 4096 entries
//
// Each iteration starts with the memory the previous one freed returned to
// the system, as a program that reads or writes one file starts. Then each
// of the six file operations runs once more in a fresh process of its own,
// for its peak resident memory, and another fresh process measures the
// memory the resulting DeviceSeries takes. All of it runs on the default
// synthetic series and on one `--scale` times larger (more media), whose
// file is over the DOM service's default size limit: the reads through the
// DOM raise the limit for it. The run ends with one table of throughput,
// time ratios and peaks for every size.
//
//   device_series_bench [--series FILE | --scale N] [--quick]
//                       [benchmark options]
//     --series FILE   measure FILE only, instead of the synthetic series
//     --scale N       the larger synthetic series has N times the media of
//                     the default one (4 unless told; 1 measures the
//                     default one only)
//     --quick         shorter timing (about half a second per operation)
//     --in-process    time every operation in this process, one after the
//                     other, instead of each in a forked copy of it
//   device_series_bench --generate FILE [--scale N]
//     writes the synthetic series (N times the media, 1 unless told) to FILE
//   device_series_bench --peak MODE FILE SCRATCH   (used by the run itself)
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlreader.h>
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "bench/synthetic_series.h"
#include "platform/dom.h"
#include "records/media/output_table.h"

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
std::string g_seriesPath;
std::string g_scratchFolder;
DeviceSeries* g_series = nullptr;
// The shape of the file's tree, for the bare build (see ShapeOf).
std::string g_shape;

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

// Returns the memory the last iteration freed to the system, untimed, so
// that each iteration pays for the memory it touches as a program reading
// or writing one file does, whatever ran before it in this process.
void StartCold(benchmark::State& state) {
  state.PauseTiming();
  ::malloc_trim(0);
  state.ResumeTiming();
}

void SetBytes(benchmark::State& state) {
  state.SetBytesProcessed(static_cast<int64_t>(
      static_cast<double>(state.iterations()) * FileBytes(g_seriesPath)));
}

void BareParse(benchmark::State& state) {
  for (auto _ : state) {
    StartCold(state);
    xmlDocPtr doc = ParseBare(g_seriesPath);
    if (doc == nullptr) state.SkipWithError("bare parse failed");
    xmlFreeDoc(doc);
  }
  SetBytes(state);
}

// The same parse from the whole file read into memory first.
void BareParseFromMemory(benchmark::State& state) {
  for (auto _ : state) {
    StartCold(state);
    std::string bytes;
    {
      std::FILE* file = std::fopen(g_seriesPath.c_str(), "rb");
      if (file == nullptr) {
        state.SkipWithError("cannot open");
        break;
      }
      bytes.resize(static_cast<size_t>(FileBytes(g_seriesPath)));
      if (std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
        state.SkipWithError("cannot read");
      }
      std::fclose(file);
    }
    xmlDocPtr doc = xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()),
                                  g_seriesPath.c_str(), nullptr, kParseOptions);
    if (doc == nullptr) state.SkipWithError("bare parse failed");
    xmlFreeDoc(doc);
  }
  SetBytes(state);
}

void ReadThroughDom(benchmark::State& state) {
  for (auto _ : state) {
    StartCold(state);
    DeviceSeries series;
    std::string why;
    if (!ReadThroughDomOnce(g_seriesPath, series, &why)) {
      state.SkipWithError(("ReadThroughDom failed: " + why).c_str());
    }
    benchmark::DoNotOptimize(series);
  }
  SetBytes(state);
}

void Read(benchmark::State& state) {
  for (auto _ : state) {
    StartCold(state);
    DeviceSeries series;
    std::string why;
    if (!ReadStreamedOnce(g_seriesPath, series, &why)) {
      state.SkipWithError(("Read failed: " + why).c_str());
    }
    benchmark::DoNotOptimize(series);
  }
  SetBytes(state);
}

void BareBuildSave(benchmark::State& state) {
  std::string path = g_scratchFolder + "/bare.dsr";
  for (auto _ : state) {
    StartCold(state);
    if (!BareBuildSaveOnce(g_shape, path)) {
      state.SkipWithError("bare save failed");
    }
  }
  SetBytes(state);
}

void Write(benchmark::State& state) {
  std::string path = g_scratchFolder + "/written.dsr";
  for (auto _ : state) {
    StartCold(state);
    DeviceSeriesIO2 io(path);
    if (!io.Write(*g_series)) state.SkipWithError("Write failed");
  }
  SetBytes(state);
}

// The same bytes as Write, through a DOM document of the whole series.
void WriteThroughDom(benchmark::State& state) {
  std::string path = g_scratchFolder + "/written_dom.dsr";
  for (auto _ : state) {
    StartCold(state);
    DeviceSeriesIO2 io(path);
    if (!io.WriteThroughDom(*g_series)) {
      state.SkipWithError("WriteThroughDom failed");
    }
  }
  SetBytes(state);
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

// Mean seconds per iteration of one benchmark.
struct Times {
  double real = 0;
  double cpu = 0;
};

// Collects the mean times of each benchmark of one run. Prints the machine
// and the column header only when told, so that the runs of one
// benchmark each read as one table.
class TimesReporter : public benchmark::ConsoleReporter {
 public:
  TimesReporter(bool printContext, bool printHeader)
      : printContext_(printContext), printHeader_(printHeader) {}

  bool ReportContext(const Context& context) override {
    // The longest name is "BareParseFromMemory/min_time:3.000/real_time".
    name_field_width_ = 46;
    printed_header_ = false;
    prev_counters_.clear();
    if (printContext_) PrintBasicContext(&GetErrorStream(), context);
    return true;
  }
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
        double unit = benchmark::GetTimeUnitMultiplier(run.time_unit);
        times_[run.run_name.function_name] = {run.GetAdjustedRealTime() / unit,
                                              run.GetAdjustedCPUTime() / unit};
      }
    }
  }
  const std::map<std::string, Times>& times() const { return times_; }

 protected:
  void PrintHeader(const Run& run) override {
    if (printHeader_) ConsoleReporter::PrintHeader(run);
    printHeader_ = false;
  }

 private:
  bool printContext_;
  bool printHeader_;
  std::map<std::string, Times> times_;
};

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

// The measurements of a fresh process, each one operation of the run (or
// the series' memory) over the same file.
struct PeakMode {
  const char* name;
  // Reads the series first: the input of the writes.
  bool needsSeries;
};
constexpr PeakMode kPeakModes[] = {
    {"parse", false},    {"read-dom", false}, {"read", false},  {"save", false},
    {"write-dom", true}, {"write", true},     {"series", true},
};

// The child's side: `--peak MODE FILE SCRATCH`. Prints two figures in KiB:
// the resident memory before the operation (its input, when it has one,
// already in memory) and the peak during it; for "series", the resident
// memory before and after copying the series read from FILE, which is the
// memory that series takes. Writes go to files in SCRATCH.
int MeasurePeak(const std::string& mode, const std::string& path,
                const std::string& scratch) {
  const PeakMode* found = nullptr;
  for (const PeakMode& peak : kPeakModes) {
    if (mode == peak.name) found = &peak;
  }
  if (found == nullptr) return 2;
  DeviceSeries series;
  if (found->needsSeries && !ReadStreamedOnce(path, series)) return 1;
  std::string shape;
  if (mode == "save" && (shape = ShapeOf(path)).empty()) return 1;
  // What the preparation freed goes back to the system, so the operation
  // cannot grow into it unseen.
  ::malloc_trim(0);

  if (mode == "series") {
    long before = StatusKiB("VmRSS");
    DeviceSeries copy(series);
    benchmark::DoNotOptimize(copy);
    benchmark::ClobberMemory();
    long after = StatusKiB("VmRSS");
    std::printf("%ld %ld\n", before, after);
    // The copy is used after the measurement, so it is whole through it.
    return copy.aMediaInfoList.size() == series.aMediaInfoList.size() ? 0 : 1;
  }

  // A prepared input raised the peak already: without a reset, the peak of
  // the operation cannot be told from it.
  if (!ResetPeak() && (found->needsSeries || !shape.empty())) return 3;
  long before = StatusKiB("VmHWM");
  bool ok = false;
  if (mode == "parse") {
    xmlDocPtr doc = ParseBare(path);
    ok = doc != nullptr;
    xmlFreeDoc(doc);
  } else if (mode == "read-dom" || mode == "read") {
    DeviceSeries read;
    ok = mode == "read" ? ReadStreamedOnce(path, read)
                        : ReadThroughDomOnce(path, read);
    benchmark::DoNotOptimize(read);
  } else if (mode == "save") {
    ok = BareBuildSaveOnce(shape, scratch + "/peak_bare.dsr");
  } else {
    DeviceSeriesIO2 io(scratch + "/peak_written.dsr");
    ok = mode == "write" ? io.Write(series) : io.WriteThroughDom(series);
  }
  if (!ok) return 1;
  std::printf("%ld %ld\n", before, StatusKiB("VmHWM"));
  return 0;
}

// The parent's side: runs MeasurePeak in a fresh process and returns the
// difference of its two figures in bytes; -1 when it failed.
double PeakBytes(const char* mode) {
  std::string command = "'" + g_self + "' --peak " + mode + " '" +
                        g_seriesPath + "' '" + g_scratchFolder + "'";
  FILE* child = ::popen(command.c_str(), "r");
  if (child == nullptr) return -1;
  long before = -1;
  long after = -1;
  if (std::fscanf(child, "%ld %ld", &before, &after) != 2) after = -1;
  if (::pclose(child) != 0 || after < 0 || before < 0) return -1;
  return static_cast<double>(after - before) * 1024.0;
}

// One file operation of the table: its benchmark, its fresh-process mode,
// the bare libxml2 operation its time is compared with, and whether it
// builds a whole tree.
struct Operation {
  const char* benchmark;
  const char* label;
  const char* peakMode;
  const char* bare;
  bool wholeTree;
};
constexpr Operation kOperations[] = {
    {"BareParse", "bare parse + free", "parse", "BareParse", true},
    {"ReadThroughDom", "ReadThroughDom", "read-dom", "BareParse", true},
    {"Read", "Read (streamed)", "read", "BareParse", false},
    {"BareBuildSave", "bare build + save + free", "save", "BareBuildSave",
     true},
    {"WriteThroughDom", "WriteThroughDom", "write-dom", "BareBuildSave", true},
    {"Write", "Write (streamed)", "write", "BareBuildSave", false},
};

// What one size of the run measured.
struct SizeResult {
  std::string label;
  double fileBytes = 0;
  // Empty when the whole-tree operations ran; otherwise why they did not.
  std::string treesLeftOut;
  // Mean real and CPU seconds per benchmark; BareParse the faster of the
  // two bare parses.
  std::map<std::string, double> seconds;
  std::map<std::string, double> cpuSeconds;
  std::map<std::string, double> peakBytes;
  double seriesBytes = -1;
};

// Whether the machine the benchmarks run on has been printed.
bool g_contextPrinted = false;

// How the benchmarks run.
struct RunOptions {
  // The least time of each file operation's iterations, in seconds.
  double minTime = 3;
  // Every benchmark in this process, one after the other, instead of each
  // in a forked copy of it.
  bool inProcess = false;
};

// Runs the benchmark `name` alone, in this process, and returns the times
// it measured (none when it failed or the benchmark filter left it out).
std::map<std::string, Times> RunHere(const char* name,
                                     void (*function)(benchmark::State&),
                                     double minTime, bool printHeader) {
  benchmark::ClearRegisteredBenchmarks();
  auto* added = benchmark::RegisterBenchmark(name, function);
  if (minTime > 0) {
    added->Unit(benchmark::kMillisecond)->MinTime(minTime)->UseRealTime();
  } else {
    added->Unit(benchmark::kMicrosecond);
  }
  TimesReporter reporter(!g_contextPrinted, printHeader);
  g_contextPrinted = true;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::ClearRegisteredBenchmarks();
  return reporter.times();
}

// As RunHere, in a forked copy of this process unless `options` says
// otherwise: every operation then starts from the memory this process has
// now. One after another in one process, each would start in a heap spread
// over the trees of the operations before it, which slows the small
// allocations of a streamed read severalfold.
std::map<std::string, Times> RunOne(const char* name,
                                    void (*function)(benchmark::State&),
                                    double minTime, const RunOptions& options,
                                    bool printHeader) {
  if (options.inProcess) return RunHere(name, function, minTime, printHeader);
  std::map<std::string, Times> times;
  std::fflush(stdout);
  std::fflush(stderr);
  std::cout.flush();
  int fds[2];
  if (::pipe(fds) != 0) return times;
  pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    FILE* out = ::fdopen(fds[1], "w");
    for (const auto& [run, measured] :
         RunHere(name, function, minTime, printHeader)) {
      std::fprintf(out, "%s %a %a\n", run.c_str(), measured.real, measured.cpu);
    }
    std::fclose(out);
    std::cout.flush();
    std::fflush(stdout);
    std::_Exit(0);
  }
  ::close(fds[1]);
  if (pid < 0) {
    ::close(fds[0]);
    return times;
  }
  FILE* in = ::fdopen(fds[0], "r");
  char run[128];
  Times measured;
  while (std::fscanf(in, "%127s %la %la", run, &measured.real, &measured.cpu) ==
         3) {
    times[run] = measured;
  }
  std::fclose(in);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) times.clear();
  g_contextPrinted = true;
  return times;
}

// Times every operation on the file at g_seriesPath, with g_series its
// content. `withTable` adds BuildOutputTable.
SizeResult MeasureSize(const std::string& label, const RunOptions& options,
                       bool withTable) {
  SizeResult result;
  result.label = label;
  result.fileBytes = FileBytes(g_seriesPath);
  double estimate = kDomPeakPerFileByte * result.fileBytes;
  if (estimate > kDomPeakBudgetBytes) {
    char why[200];
    std::snprintf(why, sizeof why,
                  "a whole tree of this file would take about %.1f GB, over "
                  "the %.1f GB this run allows one process",
                  estimate / 1e9, kDomPeakBudgetBytes / 1e9);
    result.treesLeftOut = why;
  }
  bool trees = result.treesLeftOut.empty();
  std::printf("\n== %s: %s, %.1f MB ==\n", label.c_str(), g_seriesPath.c_str(),
              result.fileBytes / 1e6);
  if (!trees) {
    std::printf("Whole-tree operations left out: %s.\n",
                result.treesLeftOut.c_str());
  }
  if (trees) g_shape = ShapeOf(g_seriesPath);

  struct Timed {
    const char* name;
    void (*function)(benchmark::State&);
    bool wholeTree;
  };
  const Timed timed[] = {
      {"BareParse", BareParse, true},
      {"BareParseFromMemory", BareParseFromMemory, true},
      {"ReadThroughDom", ReadThroughDom, true},
      {"Read", Read, false},
      {"BareBuildSave", BareBuildSave, true},
      {"WriteThroughDom", WriteThroughDom, true},
      {"Write", Write, false},
  };
  bool header = true;
  for (const Timed& benchmark : timed) {
    if (benchmark.wholeTree && !trees) continue;
    for (const auto& [name, times] : RunOne(benchmark.name, benchmark.function,
                                            options.minTime, options, header)) {
      result.seconds[name] = times.real;
      result.cpuSeconds[name] = times.cpu;
    }
    header = false;
  }
  if (withTable) RunOne("BuildOutputTable", BuildTable, -1, options, false);
  for (auto* seconds : {&result.seconds, &result.cpuSeconds}) {
    auto fromMemory = seconds->find("BareParseFromMemory");
    if (fromMemory == seconds->end()) continue;
    auto [fromFile, added] = seconds->emplace("BareParse", fromMemory->second);
    if (!added) {
      fromFile->second = std::min(fromFile->second, fromMemory->second);
    }
  }
  g_shape = std::string();
  g_shape.shrink_to_fit();

  std::string written = g_scratchFolder + "/written.dsr";
  std::string writtenDom = g_scratchFolder + "/written_dom.dsr";
  if (std::filesystem::exists(written) && std::filesystem::exists(writtenDom)) {
    std::printf("Write and WriteThroughDom wrote the same bytes: %s\n",
                SameContent(written, writtenDom) ? "yes" : "NO");
  }
  std::fflush(stdout);
  return result;
}

// Measures the peaks of the operations of `result` and the memory of the
// series, each in a fresh process.
void MeasurePeaks(SizeResult& result) {
  std::fprintf(stderr, "Measuring peak memory in fresh processes...\n");
  for (const Operation& operation : kOperations) {
    if (operation.wholeTree && !result.treesLeftOut.empty()) continue;
    result.peakBytes[operation.benchmark] = PeakBytes(operation.peakMode);
  }
  result.seriesBytes = PeakBytes("series");
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

std::string Ratio(double value, double against) {
  if (!(value > 0) || !(against > 0)) return "n/a";
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", value / against);
  return text;
}

double Find(const std::map<std::string, double>& map, const char* key) {
  auto it = map.find(key);
  return it == map.end() ? -1 : it->second;
}

void PrintTable(const std::vector<SizeResult>& results) {
  std::printf(
      "\nMB/s from the real time; time ratio: the operation's real time over "
      "the bare libxml2\none's (bare parse: the faster of from the file and "
      "from the file read whole), CPU\nratio the same with CPU time (steadier "
      "on a busy machine; a durable save also waits\nfor the disk). Each "
      "iteration starts with the memory freed before it returned to the\n"
      "system. Peak: the resident memory an operation adds at its peak in a "
      "fresh process,\nthe input of a write (the series, or the bare build's "
      "flat tree) already in memory.\nMB = 10^6 bytes.\n\n");
  std::printf(
      "| file | operation | MB/s | time ratio | CPU ratio | peak MB | "
      "peak / bare parse peak |\n|---|---|---|---|---|---|---|\n");
  for (const SizeResult& result : results) {
    double parsePeak = Find(result.peakBytes, "BareParse");
    for (const Operation& operation : kOperations) {
      bool ran = result.treesLeftOut.empty() || !operation.wholeTree;
      double seconds = Find(result.seconds, operation.benchmark);
      double peak = Find(result.peakBytes, operation.benchmark);
      std::string speed =
          Figure(seconds > 0 ? result.fileBytes / seconds / 1e6 : -1);
      std::printf("| %s | %s | %s | %s | %s | %s | %s |\n",
                  result.label.c_str(), operation.label,
                  ran ? speed.c_str() : "left out",
                  Ratio(seconds, Find(result.seconds, operation.bare)).c_str(),
                  Ratio(Find(result.cpuSeconds, operation.benchmark),
                        Find(result.cpuSeconds, operation.bare))
                      .c_str(),
                  ran ? Figure(peak / 1e6).c_str() : "left out",
                  Ratio(peak, parsePeak).c_str());
    }
    double readPeak = Find(result.peakBytes, "Read");
    std::printf("| %s | DeviceSeries in memory | | | | %s | |\n",
                result.label.c_str(), Figure(result.seriesBytes / 1e6).c_str());
    std::printf(
        "| %s | Read peak minus DeviceSeries | | | | %s | |\n",
        result.label.c_str(),
        readPeak >= 0 && result.seriesBytes >= 0
            ? Figure((readPeak - result.seriesBytes) / 1e6, true).c_str()
            : "n/a");
  }
  for (const SizeResult& result : results) {
    if (!result.treesLeftOut.empty()) {
      std::printf("%s: whole-tree operations left out: %s.\n",
                  result.label.c_str(), result.treesLeftOut.c_str());
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[1], "--peak") == 0) {
    return MeasurePeak(argv[2], argv[3], argv[4]);
  }
  std::vector<char*> rest = {argv[0]};
  size_t scale = 0;
  std::string generate;
  RunOptions options;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--series") == 0 && i + 1 < argc) {
      g_seriesPath = argv[++i];
    } else if (std::strcmp(argv[i], "--scale") == 0 && i + 1 < argc) {
      scale = std::strtoul(argv[++i], nullptr, 10);
      if (scale == 0) {
        std::fprintf(stderr, "--scale: a whole number from 1 is needed\n");
        return 2;
      }
    } else if (std::strcmp(argv[i], "--generate") == 0 && i + 1 < argc) {
      generate = argv[++i];
    } else if (std::strcmp(argv[i], "--quick") == 0) {
      options.minTime = 0.5;
    } else if (std::strcmp(argv[i], "--in-process") == 0) {
      options.inProcess = true;
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

  char scratch[] = "/tmp/tovra_bench_XXXXXX";
  if (::mkdtemp(scratch) == nullptr) return 1;
  g_scratchFolder = scratch;

  std::vector<SizeResult> results;
  if (!g_seriesPath.empty()) {
    DeviceSeries series;
    std::string why;
    if (!ReadStreamedOnce(g_seriesPath, series, &why)) {
      std::fprintf(stderr, "%s: %s\n", g_seriesPath.c_str(), why.c_str());
      std::filesystem::remove_all(g_scratchFolder);
      return 1;
    }
    g_series = &series;
    char label[64];
    std::snprintf(label, sizeof label, "%.3g MB",
                  FileBytes(g_seriesPath) / 1e6);
    results.push_back(MeasureSize(label, options, true));
    g_series = nullptr;
    series = DeviceSeries();
    MeasurePeaks(results.back());
  } else {
    std::vector<size_t> scales = {1};
    if (scale > 1) scales.push_back(scale);
    for (size_t factor : scales) {
      SyntheticShape shape = ScaledSyntheticShape(factor);
      std::fprintf(stderr, "Generating the synthetic series, %zu media...\n",
                   shape.media);
      g_seriesPath = g_scratchFolder + "/series.dsr";
      DeviceSeries series = MakeSyntheticSeries(shape);
      if (!WriteDeviceSeriesFile(g_seriesPath, series)) {
        std::fprintf(stderr, "%s: cannot be written\n", g_seriesPath.c_str());
        std::filesystem::remove_all(g_scratchFolder);
        return 1;
      }
      g_series = &series;
      char label[64];
      std::snprintf(label, sizeof label, "%.3g MB (%zu media)",
                    FileBytes(g_seriesPath) / 1e6, shape.media);
      results.push_back(MeasureSize(label, options, factor == 1));
      // The fresh processes run with this one's series freed.
      g_series = nullptr;
      series = DeviceSeries();
      ::malloc_trim(0);
      MeasurePeaks(results.back());
      for (const char* name : {"bare.dsr", "written.dsr", "written_dom.dsr",
                               "peak_bare.dsr", "peak_written.dsr"}) {
        std::filesystem::remove(g_scratchFolder + "/" + name);
      }
    }
  }
  PrintTable(results);
  std::filesystem::remove_all(g_scratchFolder);
  return 0;
}
