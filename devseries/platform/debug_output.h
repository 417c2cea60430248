// Debug output: OutputDebugStringA. On Windows the default sink hands each
// string to the system's OutputDebugStringA (a debugger or a debug-output
// viewer shows it) in the active code page; elsewhere it writes it to
// standard error.
#pragma once

#include <string>
#include <string_view>

#include "devseries/platform/seam.h"

namespace devseries::platform {

// The seam (Seam<DebugOutputSink>): receives every debug-output string,
// UTF-8. The default sink passes each string on: to the system's
// OutputDebugStringA on Windows, in the active code page a debugger reads it
// in; unchanged, in one write to standard error, elsewhere.
class DebugOutputSink {
 public:
  DebugOutputSink() = default;
  DebugOutputSink(const DebugOutputSink&) = delete;
  DebugOutputSink& operator=(const DebugOutputSink&) = delete;
  virtual ~DebugOutputSink() = default;

  virtual void Write(std::string_view text) = 0;

  // The standard-error sink.
  static DebugOutputSink* Default();
};

// Sends `text` to the current sink. A null pointer sends nothing.
void OutputDebugStringA(const char* text);

// Collects debug output while it lives; restores the previous sink on exit.
class ScopedDebugCapture : public DebugOutputSink {
 public:
  ScopedDebugCapture() : installed_(this) {}

  void Write(std::string_view text) override { text_.append(text); }
  const std::string& text() const { return text_; }
  void Clear() { text_.clear(); }

 private:
  std::string text_;
  ScopedSeam<DebugOutputSink> installed_;
};

}  // namespace devseries::platform
