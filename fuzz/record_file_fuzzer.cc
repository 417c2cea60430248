// Fuzz target: every standalone record loader. The first byte of the input
// picks the loader (its value modulo the number of kinds, in the order of
// kKinds below); the rest is the file the loader reads.
//
// Properties: a loader never crashes and ends in a result or in the errors
// its format names (the component error, an integer code); a record that
// was loaded writes out as a document that loads again, and writing that
// second record gives the same text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "devseries/records/media/media_info.h"
#include "devseries/records/media/separation_info.h"
#include "devseries/records/media/vcontrol_point.h"
#include "devseries/records/printer/ink_config_info.h"
#include "devseries/records/printer/ink_info.h"
#include "devseries/records/printer/mode_info.h"
#include "devseries/records/printer/model_info.h"
#include "devseries/records/printer/pattern_info.h"
#include "devseries/records/printer/resolution_info.h"
#include "devseries/xmlio/time_stamp.h"
#include "fuzz/fuzz_support.h"

using namespace devseries;

namespace {

using tovra::fuzz::InputFileSystem;

constexpr const char* kPath = InputFileSystem::kInputPath;

// Loads `bytes` with `load`; false when the load failed or raised one of
// the errors a loader may raise. Any other error escapes (a crash).
template <typename Load>
bool LoadFrom(std::string_view bytes, Load&& load) {
  InputFileSystem input(bytes);
  try {
    return load();
  } catch (const _com_error&) {
    return false;
  } catch (int) {
    return false;
  }
}

// Loads a record, writes it, loads the written text and writes again.
template <typename Record, typename Load, typename Create>
void RoundTrip(std::string_view bytes, Load&& load, Create&& create) {
  Record record{};
  if (!LoadFrom(bytes, [&] { return load(record); })) return;
  DomDocumentPtr document = create(record);
  if (!document) tovra::fuzz::Fail("a loaded record does not write");
  std::string first = document->ToXml();
  Record again{};
  if (!LoadFrom(first, [&] { return load(again); })) {
    tovra::fuzz::Fail("a written record file does not load", first);
  }
  document = create(again);
  if (!document) tovra::fuzz::Fail("a loaded record does not write");
  std::string second = document->ToXml();
  if (second != first) {
    tovra::fuzz::Fail("the written form changes on a second round",
                      first + "\n----\n" + second);
  }
}

using Kind = void (*)(std::string_view bytes);

const Kind kKinds[] = {
    [](std::string_view bytes) {
      ModelInfoIO io;
      RoundTrip<ModelInfo>(
          bytes, [&](ModelInfo& r) { return io.LoadModelInfoFile(kPath, r); },
          [&](const ModelInfo& r) { return io.CreateModelInfoDocument(r); });
    },
    [](std::string_view bytes) {
      InkInfoIO io;
      RoundTrip<InkInfo>(
          bytes, [&](InkInfo& r) { return io.LoadInkInfoFile(kPath, r); },
          [&](const InkInfo& r) { return io.CreateInkInfoDocument(r); });
    },
    [](std::string_view bytes) {
      InkConfigInfoIO io;
      RoundTrip<InkConfigInfo>(
          bytes,
          [&](InkConfigInfo& r) { return io.LoadInkConfigInfoFile(kPath, r); },
          [&](const InkConfigInfo& r) {
            return io.CreateInkConfigInfoDocument(r);
          });
    },
    [](std::string_view bytes) {
      ResolutionInfoIO io;
      RoundTrip<ResolutionInfo>(
          bytes,
          [&](ResolutionInfo& r) {
            return io.LoadResolutionInfoFile(kPath, r);
          },
          [&](const ResolutionInfo& r) {
            return io.CreateResolutionInfoDocument(r);
          });
    },
    [](std::string_view bytes) {
      ModeInfoIO io;
      RoundTrip<ModeInfo>(
          bytes, [&](ModeInfo& r) { return io.LoadModeInfoFile(kPath, r); },
          [&](const ModeInfo& r) { return io.CreateModeInfoDocument(r); });
    },
    [](std::string_view bytes) {
      PatternInfoIO io;
      RoundTrip<PatternInfo>(
          bytes,
          [&](PatternInfo& r) { return io.LoadPatternInfoFile(kPath, r); },
          [&](const PatternInfo& r) {
            return io.CreatePatternInfoDocument(r);
          });
    },
    [](std::string_view bytes) {
      MediaInfoIO io;
      RoundTrip<MediaInfo>(
          bytes, [&](MediaInfo& r) { return io.LoadMediaInfoFile(kPath, r); },
          [&](const MediaInfo& r) { return io.CreateMediaInfoDocument(r); });
    },
    [](std::string_view bytes) {
      SeparationInfoIO io;
      RoundTrip<SeparationInfo>(
          bytes,
          [&](SeparationInfo& r) {
            return io.LoadSeparationInfoFile(kPath, r);
          },
          [&](const SeparationInfo& r) {
            return io.CreateSeparationInfoDocument(r);
          });
    },
    [](std::string_view bytes) {
      RoundTrip<VControlPoint>(
          bytes,
          [&](VControlPoint& r) { return LoadVControlPointFile(kPath, r); },
          [&](const VControlPoint& r) {
            return CreateVControlPointDocument(r);
          });
    },
    [](std::string_view bytes) {
      // The time stamp has no document of its own to write in memory.
      TimeStamp stamp;
      LoadFrom(bytes, [&] { return LoadTimeStampFile(kPath, stamp); });
    },
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tovra::fuzz::Quiet();
  if (size == 0) return 0;
  std::string_view file(reinterpret_cast<const char*>(data) + 1, size - 1);
  kKinds[data[0] % std::size(kKinds)](file);
  return 0;
}
