// Debug output on POSIX systems: standard error.
#include <unistd.h>

#include <cerrno>

#include "devseries/platform/debug_output.h"

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

}  // namespace

DebugOutputSink* DebugOutputSink::Default() {
  static StandardErrorSink standardError;
  return &standardError;
}

}  // namespace devseries::platform
