// Fuzz target: a device-series file read with DeviceSeriesIO2::Read.
//
// Properties: reading never crashes and ends in true or false; a document
// that was read writes out as text that loads and reads again, and writing
// that second reading gives the same text (the written form is stable).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "devseries/device_series.h"
#include "devseries/platform/dom.h"
#include "fuzz/fuzz_support.h"

using namespace devseries;

namespace {

// The document `series` as DeviceSeriesIO2 writes it, as text.
std::string WrittenText(DeviceSeriesIO2& io, DeviceSeries& series) {
  DomDocument document;
  document.AppendChild(
      document.CreateProcessingInstruction("xml", kXmlDeclarationData));
  DomNode root = io.WriteDeviceSeries(document, series);
  root.SetAttribute("strVersion", "3.3.0.0");
  document.AppendChild(root);
  return document.ToXml();
}

// Reads `text` through the file seam, as a file at a path.
bool ReadText(std::string_view text, DeviceSeries& series) {
  tovra::fuzz::InputFileSystem input(text);
  DeviceSeriesIO2 io(tovra::fuzz::InputFileSystem::kInputPath);
  return io.Read(series);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tovra::fuzz::Quiet();
  std::string_view bytes(reinterpret_cast<const char*>(data), size);

  DeviceSeries series;
  if (!ReadText(bytes, series)) return 0;

  DeviceSeriesIO2 io("");
  std::string first = WrittenText(io, series);
  DeviceSeries again;
  if (!ReadText(first, again)) {
    tovra::fuzz::Fail("a written device-series document does not read", first);
  }
  std::string second = WrittenText(io, again);
  if (second != first) {
    tovra::fuzz::Fail("the written form changes on a second round",
                      first + "\n----\n" + second);
  }
  return 0;
}
