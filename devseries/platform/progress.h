// Progress of long file operations: the bytes of a file read into the DOM
// or written through a FileReplacement, reported as they go to a process-
// wide observer that a host may install (a command-line tool showing a
// progress line). By default none is installed, and reporting costs one
// null check per piece.
#pragma once

#include <cstdint>
#include <string>

#include "devseries/platform/seam.h"

#pragma GCC visibility push(default)
namespace devseries::platform {

// What is being done to a file.
enum class ProgressWork {
  kReading,
  kWriting,
  // Read again to compare it with what was made of it. The library itself
  // reports reading and writing only; a host reports this of its own work
  // through the same observer.
  kComparing,
};

// The seam (Seam<ProgressObserver>): told when a file starts being read or
// written, how far it got, and when it is done. The default is none
// (Default() is null). The calls of one file come in the order Started,
// any number of Advanced, Finished, from the thread doing the work; an
// observer that several threads report to must synchronise itself.
class ProgressObserver {
 public:
  ProgressObserver() = default;
  ProgressObserver(const ProgressObserver&) = delete;
  ProgressObserver& operator=(const ProgressObserver&) = delete;
  virtual ~ProgressObserver() = default;

  // The file at `path` (as the caller composed it) starts being read or
  // written; `total` is its size in bytes, 0 when not known in advance.
  virtual void Started(ProgressWork work, const std::string& path,
                       std::uint64_t total) = 0;
  // `done` bytes of it have been handled so far (increasing).
  virtual void Advanced(std::uint64_t done) = 0;
  // The file is done with, completely or not.
  virtual void Finished() = 0;

  // None: progress is not reported unless an observer is installed.
  static ProgressObserver* Default() { return nullptr; }
};

// Installs an observer for the lifetime of the object.
using ScopedProgressObserver = ScopedSeam<ProgressObserver>;

// One file's progress, reported to the observer that was installed when it
// started; does nothing at all when none was. Finishes on destruction.
class ProgressReport {
 public:
  ProgressReport() = default;
  ~ProgressReport() { Finish(); }
  ProgressReport(const ProgressReport&) = delete;
  ProgressReport& operator=(const ProgressReport&) = delete;

  // True when an observer is installed: worth finding out a total for.
  static bool Observed() {
    return Seam<ProgressObserver>::Current() != nullptr;
  }

  // Starts reporting `work` on `path` of `total` bytes (0: not known),
  // finishing a report this object still has open.
  void Start(ProgressWork work, const std::string& path, std::uint64_t total);
  // Adds `bytes` handled.
  void Add(std::uint64_t bytes) {
    if (observer_ == nullptr) return;
    done_ += bytes;
    observer_->Advanced(done_);
  }
  // Reports the end, once; nothing when not started.
  void Finish();
  bool started() const { return observer_ != nullptr; }

 private:
  ProgressObserver* observer_ = nullptr;
  std::uint64_t done_ = 0;
};

// True when the process's standard error is a terminal, where a progress
// line can be redrawn in place.
bool StandardErrorIsTerminal();

}  // namespace devseries::platform
#pragma GCC visibility pop
