// The progress line of dsrtool: for a file that takes a while to read or
// write, one line on standard error telling how far it got, redrawn in
// place, and only where standard error is a terminal.
#pragma once

#include <chrono>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

#include "devseries/platform/progress.h"

namespace dsrtool {

using namespace ::devseries;

// Shows the file being read, written or compared and the bytes done, as
// one line on `out` redrawn in place ("\rreading big.dsr: 48.0 of 79.9
// MiB", "\rcomparing big.json: ..."), at most once per `interval`, once
// `delay` has passed since the object was made: a command reads and writes
// its files several times over, and it is the whole command's wait that
// wants explaining. The line is wiped when the
// file is done, so what the tool prints next starts on a clean line. A
// command done sooner prints nothing.
class ProgressLine : public platform::ProgressObserver {
 public:
  using Clock = std::chrono::steady_clock;

  explicit ProgressLine(
      std::ostream& out, Clock::duration delay = std::chrono::seconds(2),
      Clock::duration interval = std::chrono::milliseconds(250));
  ~ProgressLine() override;

  void Started(platform::ProgressWork work, const std::string& path,
               std::uint64_t total) override;
  void Advanced(std::uint64_t done) override;
  void Finished() override;

 private:
  void Draw(std::uint64_t done);
  void Wipe();

  std::ostream& out_;
  const Clock::duration interval_;
  bool active_ = false;
  std::string what_;  // "reading big.dsr"
  std::uint64_t total_ = 0;
  const Clock::time_point shownFrom_;
  Clock::time_point drawn_;
  size_t width_ = 0;  // of the line on screen; 0: none shown
};

// While it lives, a ProgressLine on `err` receives the library's progress
// reports, when the process's standard error is a terminal; otherwise
// nothing is installed and nothing is ever printed.
class ScopedTerminalProgress {
 public:
  explicit ScopedTerminalProgress(std::ostream& err);
  ScopedTerminalProgress(const ScopedTerminalProgress&) = delete;
  ScopedTerminalProgress& operator=(const ScopedTerminalProgress&) = delete;

 private:
  std::optional<ProgressLine> line_;
  std::optional<platform::ScopedProgressObserver> installed_;
};

}  // namespace dsrtool
