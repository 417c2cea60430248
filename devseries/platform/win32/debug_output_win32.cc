// Debug output on Windows: the system's debugger output, which a debugger
// or a monitor such as DebugView shows.
#include <string>

#include "devseries/platform/debug_output.h"
#include "devseries/platform/win32/wide_text.h"

// Keep after the library's headers.
#include <windows.h>

namespace devseries::platform {
namespace {

// `text`, UTF-8, in the system's active code page, which is what a reader of
// OutputDebugStringA's text takes it to be; a character the page lacks
// becomes the page's default character ("?").
std::string InActiveCodePage(std::string_view text) {
  const std::wstring wide = win32::WidenForShowing(text);
  if (wide.empty()) return std::string(text);
  const int units = static_cast<int>(wide.size());
  const int bytes = ::WideCharToMultiByte(CP_ACP, 0, wide.data(), units,
                                          nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return std::string(text);
  std::string out(static_cast<size_t>(bytes), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, wide.data(), units, out.data(), bytes,
                        nullptr, nullptr);
  return out;
}

class SystemDebugOutputSink : public DebugOutputSink {
 public:
  void Write(std::string_view text) override {
    ::OutputDebugStringA(InActiveCodePage(text).c_str());
  }
};

}  // namespace

DebugOutputSink* DebugOutputSink::Default() {
  static SystemDebugOutputSink systemSink;
  return &systemSink;
}

}  // namespace devseries::platform
