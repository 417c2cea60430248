// Debug output: the stand-in for OutputDebugStringA.
#pragma once

#include <string>
#include <string_view>

#pragma GCC visibility push(default)
namespace devseries::platform {

// Receives every debug-output string. The default sink writes each string
// unchanged, in one write, to standard error.
class DebugOutputSink {
 public:
  DebugOutputSink() = default;
  DebugOutputSink(const DebugOutputSink&) = delete;
  DebugOutputSink& operator=(const DebugOutputSink&) = delete;
  virtual ~DebugOutputSink() = default;

  virtual void Write(std::string_view text) = 0;
};

// Sends `text` to the current sink. A null pointer sends nothing.
void OutputDebugStringA(const char* text);

// Installs `sink` (nullptr restores the standard-error sink) and returns the
// previous one. The caller keeps ownership of `sink`.
DebugOutputSink* SetDebugOutputSink(DebugOutputSink* sink);

// Collects debug output while it lives; restores the previous sink on exit.
class ScopedDebugCapture : public DebugOutputSink {
 public:
  ScopedDebugCapture();
  ~ScopedDebugCapture() override;

  void Write(std::string_view text) override { text_.append(text); }
  const std::string& text() const { return text_; }
  void Clear() { text_.clear(); }

 private:
  DebugOutputSink* previous_;
  std::string text_;
};

}  // namespace devseries::platform
#pragma GCC visibility pop
