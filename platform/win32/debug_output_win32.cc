// Debug output on Windows: the system's debugger output, which a debugger
// or a monitor such as DebugView shows.
#include <string>

#include "platform/debug_output.h"

// Keep after the library's headers.
#include <windows.h>

namespace devseries::platform {
namespace {

class SystemDebugOutputSink : public DebugOutputSink {
 public:
  // The text goes as the bytes the caller composed: the system shows it in
  // the code page of the reader.
  void Write(std::string_view text) override {
    std::string terminated(text);
    ::OutputDebugStringA(terminated.c_str());
  }
};

}  // namespace

DebugOutputSink* DebugOutputSink::Default() {
  static SystemDebugOutputSink systemSink;
  return &systemSink;
}

}  // namespace devseries::platform
