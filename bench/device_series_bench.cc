// Measures the device-series reader and writer against bare libxml2 on a
// large synthetic series, in one process, side by side:
//
//   bare parse + free            xmlReadFd with the library's options, and
//                                xmlReadMemory of the file read whole
//   DeviceSeriesIO2::Read        load, decode, normalise
//   bare build + save + free     the same tree built node by node and saved
//                                durably (written, flushed, renamed), as the
//                                library saves every file
//   DeviceSeriesIO::Write        encode, streamed straight to the file
//   DeviceSeriesIO::WriteThroughDom  encode into a DOM document, save it
//   BuildOutputTable             256 samples to 4096 entries
//
// and prints the ratios Read / bare parse, Write and WriteThroughDom / bare
// save and Write / WriteThroughDom, then the peak memory of a Read against a
// bare parse, each measured in a fresh process.
//
//   device_series_bench [--series FILE] [benchmark options]
//   device_series_bench --peak bare|read FILE   (used by the run itself)
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>

#include "bench/synthetic_series.h"
#include "records/media/output_table.h"

using namespace devseries;

namespace {

constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_NOBLANKS |
                              XML_PARSE_NOCDATA | XML_PARSE_BIG_LINES;

std::string g_seriesPath;
std::string g_scratchFolder;
DeviceSeries* g_series = nullptr;
xmlDocPtr g_template = nullptr;

// The file is opened here: the library refuses libxml2's own loading of
// files by name.
xmlDocPtr ParseBare(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) return nullptr;
  xmlDocPtr doc = xmlReadFd(fd, path.c_str(), nullptr, kParseOptions);
  ::close(fd);
  return doc;
}

void BareParse(benchmark::State& state) {
  for (auto _ : state) {
    xmlDocPtr doc = ParseBare(g_seriesPath);
    if (doc == nullptr) state.SkipWithError("bare parse failed");
    xmlFreeDoc(doc);
  }
  state.SetBytesProcessed(state.iterations() *
                          std::filesystem::file_size(g_seriesPath));
}

// The same parse from the whole file read into memory first.
void BareParseFromMemory(benchmark::State& state) {
  for (auto _ : state) {
    std::string bytes;
    {
      std::FILE* file = std::fopen(g_seriesPath.c_str(), "rb");
      if (file == nullptr) state.SkipWithError("cannot open");
      bytes.resize(std::filesystem::file_size(g_seriesPath));
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
  state.SetBytesProcessed(state.iterations() *
                          std::filesystem::file_size(g_seriesPath));
}

void Read(benchmark::State& state) {
  for (auto _ : state) {
    DeviceSeries series;
    DeviceSeriesIO2 io(g_seriesPath);
    if (!io.Read(series)) state.SkipWithError("Read failed");
    benchmark::DoNotOptimize(series);
  }
  state.SetBytesProcessed(state.iterations() *
                          std::filesystem::file_size(g_seriesPath));
}

xmlNodePtr CopyShape(xmlDocPtr doc, xmlNodePtr from) {
  xmlNodePtr to = xmlNewDocNode(doc, nullptr, from->name, nullptr);
  for (xmlAttrPtr attr = from->properties; attr != nullptr; attr = attr->next) {
    xmlSetProp(to, attr->name,
               attr->children ? attr->children->content : nullptr);
  }
  for (xmlNodePtr child = from->children; child != nullptr;
       child = child->next) {
    if (child->type == XML_ELEMENT_NODE) {
      xmlAddChild(to, CopyShape(doc, child));
    } else if (child->type == XML_TEXT_NODE) {
      xmlAddChild(to, xmlNewDocText(doc, child->content));
    }
  }
  return to;
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

void BareBuildSave(benchmark::State& state) {
  std::string path = g_scratchFolder + "/bare.dsr";
  for (auto _ : state) {
    xmlDocPtr doc = xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0"));
    doc->dict = xmlDictCreate();
    xmlDocSetRootElement(doc, CopyShape(doc, xmlDocGetRootElement(g_template)));
    xmlChar* text = nullptr;
    int size = 0;
    xmlDocDumpFormatMemoryEnc(doc, &text, &size, "UTF-8", 1);
    if (!SaveDurably(path, text, size)) state.SkipWithError("bare save failed");
    xmlFree(text);
    xmlFreeDoc(doc);
  }
  state.SetBytesProcessed(state.iterations() *
                          std::filesystem::file_size(g_seriesPath));
}

void Write(benchmark::State& state) {
  std::string path = g_scratchFolder + "/written.dsr";
  for (auto _ : state) {
    DeviceSeriesIO2 io(path);
    if (!io.Write(*g_series)) state.SkipWithError("Write failed");
  }
  state.SetBytesProcessed(state.iterations() *
                          std::filesystem::file_size(g_seriesPath));
}

// The same bytes as Write, through a DOM document of the whole series.
void WriteThroughDom(benchmark::State& state) {
  std::string path = g_scratchFolder + "/written_dom.dsr";
  for (auto _ : state) {
    DeviceSeriesIO2 io(path);
    if (!io.WriteThroughDom(*g_series)) {
      state.SkipWithError("WriteThroughDom failed");
    }
  }
  state.SetBytesProcessed(state.iterations() *
                          std::filesystem::file_size(g_seriesPath));
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

// The whole content of the file at `path`; empty when it cannot be read.
std::string ReadWhole(const std::string& path) {
  std::string bytes;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return bytes;
  char buffer[1 << 16];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
    bytes.append(buffer, n);
  }
  std::fclose(file);
  return bytes;
}

// Collects the mean real time of each benchmark for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
        seconds_[run.run_name.function_name] =
            run.GetAdjustedRealTime() *
            benchmark::GetTimeUnitMultiplier(run.time_unit);
      }
    }
  }
  double Seconds(const std::string& name) const {
    auto it = seconds_.find(name);
    return it == seconds_.end() ? 0.0 : it->second;
  }

 private:
  std::map<std::string, double> seconds_;
};

// The process's peak resident memory so far (VmHWM), in KiB.
long PeakResidentKiB() {
  FILE* status = std::fopen("/proc/self/status", "r");
  if (status == nullptr) return -1;
  char line[256];
  long peak = -1;
  while (std::fgets(line, sizeof line, status) != nullptr) {
    if (std::sscanf(line, "VmHWM: %ld kB", &peak) == 1) break;
  }
  std::fclose(status);
  return peak;
}

// Peak resident memory of a fresh process doing one read, less what the
// process held before it, in KiB.
long PeakOf(const char* self, const char* mode) {
  std::string command =
      std::string(self) + " --peak " + mode + " '" + g_seriesPath + "'";
  FILE* child = ::popen(command.c_str(), "r");
  if (child == nullptr) return -1;
  long before = -1;
  long after = -1;
  if (std::fscanf(child, "%ld %ld", &before, &after) != 2) after = -1;
  if (::pclose(child) != 0 || after < 0) return -1;
  return after - before;
}

int MeasurePeak(const std::string& mode, const std::string& path) {
  long before = PeakResidentKiB();
  if (mode == "bare") {
    xmlDocPtr doc = ParseBare(path);
    if (doc == nullptr) return 1;
    long after = PeakResidentKiB();
    xmlFreeDoc(doc);
    std::printf("%ld %ld\n", before, after);
    return 0;
  }
  DeviceSeries series;
  DeviceSeriesIO2 io(path);
  if (!io.Read(series)) return 1;
  std::printf("%ld %ld\n", before, PeakResidentKiB());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--peak") == 0) {
    return MeasurePeak(argv[2], argv[3]);
  }
  std::vector<char*> rest = {argv[0]};
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--series") == 0 && i + 1 < argc) {
      g_seriesPath = argv[++i];
    } else {
      rest.push_back(argv[i]);
    }
  }
  char scratch[] = "/tmp/tovra_bench_XXXXXX";
  if (::mkdtemp(scratch) == nullptr) return 1;
  g_scratchFolder = scratch;

  DeviceSeries series;
  if (g_seriesPath.empty()) {
    std::fprintf(stderr, "Generating the synthetic series...\n");
    series = MakeSyntheticSeries(SyntheticShape());
    g_seriesPath = g_scratchFolder + "/series.dsr";
    if (!WriteDeviceSeriesFile(g_seriesPath, series)) return 1;
  } else {
    DeviceSeriesIO2 io(g_seriesPath);
    if (!io.Read(series)) {
      std::fprintf(stderr, "%s: cannot be read\n", g_seriesPath.c_str());
      return 1;
    }
  }
  g_series = &series;
  g_template = ParseBare(g_seriesPath);
  std::fprintf(stderr, "Series file: %s, %.1f MB\n", g_seriesPath.c_str(),
               std::filesystem::file_size(g_seriesPath) / 1e6);

  benchmark::RegisterBenchmark("BareParse", BareParse)
      ->Unit(benchmark::kMillisecond)
      ->MinTime(3);
  benchmark::RegisterBenchmark("BareParseFromMemory", BareParseFromMemory)
      ->Unit(benchmark::kMillisecond)
      ->MinTime(3);
  benchmark::RegisterBenchmark("Read", Read)
      ->Unit(benchmark::kMillisecond)
      ->MinTime(3);
  benchmark::RegisterBenchmark("BareBuildSave", BareBuildSave)
      ->Unit(benchmark::kMillisecond)
      ->MinTime(3);
  benchmark::RegisterBenchmark("Write", Write)
      ->Unit(benchmark::kMillisecond)
      ->MinTime(3);
  benchmark::RegisterBenchmark("WriteThroughDom", WriteThroughDom)
      ->Unit(benchmark::kMillisecond)
      ->MinTime(3);
  benchmark::RegisterBenchmark("BuildOutputTable", BuildTable)
      ->Unit(benchmark::kMicrosecond);

  int count = static_cast<int>(rest.size());
  benchmark::Initialize(&count, rest.data());
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  auto ratio = [&](const char* a, const char* b) {
    double denominator = reporter.Seconds(b);
    return denominator > 0 ? reporter.Seconds(a) / denominator : 0.0;
  };
  // Against the faster of the two bare parses.
  double fromFile = ratio("Read", "BareParse");
  double fromMemory = ratio("Read", "BareParseFromMemory");
  std::printf("\nRead / bare parse + free:          %.2f\n",
              std::max(fromFile, fromMemory));
  std::printf("Write / bare build + save + free:  %.2f\n",
              ratio("Write", "BareBuildSave"));
  std::printf("WriteThroughDom / bare build + save + free:  %.2f\n",
              ratio("WriteThroughDom", "BareBuildSave"));
  std::printf("Write / WriteThroughDom:  %.2f\n",
              ratio("Write", "WriteThroughDom"));
  std::error_code error;
  if (std::filesystem::exists(g_scratchFolder + "/written_dom.dsr", error)) {
    bool same = ReadWhole(g_scratchFolder + "/written.dsr") ==
                ReadWhole(g_scratchFolder + "/written_dom.dsr");
    std::printf("Write and WriteThroughDom wrote the same bytes: %s\n",
                same ? "yes" : "NO");
  }
  long bare = PeakOf(argv[0], "bare");
  long read = PeakOf(argv[0], "read");
  std::printf("Peak memory, bare parse: %ld KiB, Read: %ld KiB, ratio %.2f\n",
              bare, read, bare > 0 ? static_cast<double>(read) / bare : 0.0);

  xmlFreeDoc(g_template);
  std::filesystem::remove_all(g_scratchFolder);
  return 0;
}
