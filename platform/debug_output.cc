#include "platform/debug_output.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace devseries::platform {
namespace {

class StandardErrorSink : public DebugOutputSink {
 public:
  void Write(std::string_view text) override {
    // One write call per string, so concurrent writers do not interleave a
    // line; a short write on a terminal or pipe is finished off in a loop.
    const char* p = text.data();
    size_t left = text.size();
    while (left > 0) {
      ssize_t n = ::write(STDERR_FILENO, p, left);
      if (n < 0) {
        if (errno == EINTR) continue;
        return;
      }
      p += n;
      left -= static_cast<size_t>(n);
    }
  }
};

StandardErrorSink g_standardErrorSink;
DebugOutputSink* g_sink = &g_standardErrorSink;

}  // namespace

void OutputDebugStringA(const char* text) {
  if (text == nullptr) return;
  g_sink->Write(std::string_view(text, std::strlen(text)));
}

DebugOutputSink* SetDebugOutputSink(DebugOutputSink* sink) {
  DebugOutputSink* previous = g_sink;
  g_sink = sink != nullptr ? sink : &g_standardErrorSink;
  return previous;
}

ScopedDebugCapture::ScopedDebugCapture()
    : previous_(SetDebugOutputSink(this)) {}

ScopedDebugCapture::~ScopedDebugCapture() { SetDebugOutputSink(previous_); }

}  // namespace devseries::platform
