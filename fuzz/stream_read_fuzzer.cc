// Fuzz target: a device-series file read streamed and through the DOM.
//
// Property: both reads give the same outcome, the same report (failure,
// place, message, every warning) and the same document, and the documents
// write the same text. Each read uses a limit that the input fits under.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "devseries/device_series.h"
#include "fuzz/fuzz_support.h"

using namespace devseries;

namespace {

struct Outcome {
  bool read = false;
  ReadReport report;
  DeviceSeries series;
};

Outcome ReadOneWay(std::string_view text, bool streamed) {
  tovra::fuzz::InputFileSystem input(text);
  DeviceSeriesIO2 io(tovra::fuzz::InputFileSystem::kInputPath);
  io.Report().collectWarnings = true;
  Outcome outcome;
  outcome.read =
      streamed ? io.Read(outcome.series) : io.ReadThroughDom(outcome.series);
  outcome.report = io.Report();
  return outcome;
}

std::string Described(const ReadReport& report) {
  auto line = [](const ReadDiagnostic& d) {
    return d.elementPath + " (line " + std::to_string(d.line) +
           "): " + d.message + "\n";
  };
  std::string text = "failure " +
                     std::to_string(static_cast<int>(report.failure)) + ": " +
                     line(report.error);
  for (const ReadDiagnostic& warning : report.warnings) text += line(warning);
  return text + std::to_string(report.warningsLeftOut) + " left out\n";
}

std::string WrittenText(DeviceSeries& series) {
  DeviceSeriesIO2 io("");
  DomDocument document;
  document.AppendChild(
      document.CreateProcessingInstruction("xml", kXmlDeclarationData));
  document.AppendChild(io.WriteDeviceSeries(document, series));
  return document.ToXml();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tovra::fuzz::Quiet();
  std::string_view bytes(reinterpret_cast<const char*>(data), size);

  Outcome dom = ReadOneWay(bytes, false);
  Outcome streamed = ReadOneWay(bytes, true);
  const std::string domReport = Described(dom.report);
  const std::string streamedReport = Described(streamed.report);
  if (dom.read != streamed.read || domReport != streamedReport) {
    tovra::fuzz::Fail("the streamed read reports otherwise than the DOM's",
                      domReport + "----\n" + streamedReport);
  }
  if (dom.read && !(dom.series == streamed.series)) {
    tovra::fuzz::Fail(
        "the streamed read gives another document",
        WrittenText(dom.series) + "\n----\n" + WrittenText(streamed.series));
  }
  if (dom.read && WrittenText(dom.series) != WrittenText(streamed.series)) {
    tovra::fuzz::Fail("the documents read write other texts");
  }
  return 0;
}
