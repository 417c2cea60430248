#include "tools/dsrtool_src/progress.h"

#include <algorithm>
#include <ostream>

namespace dsrtool {

namespace {

// "48.0 MiB": `bytes` in mebibytes with one decimal, truncated, without
// the unit.
std::string Mebibytes(std::uint64_t bytes) {
  constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;
  return std::to_string(bytes / kMiB) + "." +
         std::to_string(bytes % kMiB * 10 / kMiB);
}

}  // namespace

ProgressLine::ProgressLine(std::ostream& out, Clock::duration delay,
                           Clock::duration interval)
    : out_(out), interval_(interval), shownFrom_(Clock::now() + delay) {}

ProgressLine::~ProgressLine() { Wipe(); }

void ProgressLine::Started(platform::ProgressWork work, const std::string& path,
                           std::uint64_t total) {
  Wipe();
  active_ = true;
  switch (work) {
    case platform::ProgressWork::kReading:
      what_ = "reading ";
      break;
    case platform::ProgressWork::kWriting:
      what_ = "writing ";
      break;
    case platform::ProgressWork::kComparing:
      what_ = "comparing ";
      break;
  }
  what_ += path;
  total_ = total;
}

void ProgressLine::Advanced(std::uint64_t done) {
  if (!active_) return;
  const Clock::time_point now = Clock::now();
  if (now < shownFrom_) return;
  if (width_ == 0 && total_ != 0 && done >= total_) {
    return;  // done at once: a line now would only flash
  }
  if (width_ != 0 && now - drawn_ < interval_) return;
  drawn_ = now;
  Draw(done);
}

void ProgressLine::Finished() {
  Wipe();
  active_ = false;
}

void ProgressLine::Draw(std::uint64_t done) {
  std::string line = what_ + ": " + Mebibytes(done);
  if (total_ != 0) line += " of " + Mebibytes(total_);
  line += " MiB";
  // A shorter line than the last one is padded to cover it.
  const size_t width = line.size();
  if (width < width_) line.append(width_ - width, ' ');
  out_ << '\r' << line << std::flush;
  width_ = std::max(width, width_);
}

void ProgressLine::Wipe() {
  if (width_ == 0) return;
  out_ << '\r' << std::string(width_, ' ') << '\r' << std::flush;
  width_ = 0;
}

ScopedTerminalProgress::ScopedTerminalProgress(std::ostream& err) {
  if (!platform::StandardErrorIsTerminal()) return;
  line_.emplace(err);
  installed_.emplace(&*line_);
}

}  // namespace dsrtool
