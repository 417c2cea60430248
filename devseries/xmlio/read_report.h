// What a reader says about a file it read or refused: where the refusal
// happened (the element path from the root, the file's line) and what was
// expected and found, and, when asked for, the values it had to coerce on
// the way (number text that is not a number, a saturated integer, ...).
// A writer says in one why a file could not be written.
//
// A report belongs to one read or write: the IO object keeps the report of
// its last read or write, the standalone loaders (and the savers that have
// a report overload) fill one the caller hands them. Nothing of it is
// global; the public operations still answer with their bool result and
// raise what they raised before.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "devseries/xmlio/dom_types.h"

#pragma GCC visibility push(default)
namespace devseries {

// One located message.
struct ReadDiagnostic {
  // The element path from the root with 1-based positions where an element
  // has siblings of its name, as XPath writes them:
  // "DeviceSeries/aMediaInfoList/MediaInfo[3]/strMediaName". An only
  // element of its name has no position ("MediaInfo" in a one-medium list).
  // A comment, text or processing instruction is named by the element that
  // holds it (the line then points at the node itself); a missing member by
  // the element that should hold it. Empty when the problem is the file as a
  // whole (it cannot be read, it is not XML, it has no such root).
  std::string elementPath;
  // The file's line, 1-based: where the node named starts, or where the
  // parser stopped; 0 when not known.
  int line = 0;
  // What was expected and found: "expected an element, found a comment",
  // "aModelInfoList is missing", "file is 238 MB, over the 128 MiB limit".
  std::string message;

  bool IsEmpty() const { return message.empty(); }
  // "DeviceSeries/aMediaInfoList/MediaInfo[3]: expected ..." (the path, when
  // there is one, then the message; the line is left to the caller, who
  // knows the file's name: "FILE:LINE: " + ToString()).
  std::string ToString() const;
};

// Why a read (or a write) failed, for callers that act on it (the merge
// update).
enum class ReadFailure {
  kNone,           // read (or written)
  kCannotRead,     // missing, unreadable now (I/O error, permission), folder
  kRefused,        // refused by the hardening: a DOCTYPE, over the size limit
  kNotWellFormed,  // read, but not well-formed XML (or empty)
  kNotReadable,    // XML, but not what the reader reads (structure, version)
  kCannotWrite,    // a write failed: the file could not be made, written or
                   // put in place (a folder missing or at the path, no
                   // space, refused), or the document could not be made;
                   // a file at the path is left as it was
};

struct ReadReport {
  // Set by the caller before the read: also note coerced values.
  bool collectWarnings = false;

  ReadFailure failure = ReadFailure::kNone;
  // Empty after a successful read or write. After a failed write it names
  // the file and the reason, with no element path or line:
  // "cannot write /x/y.dsr: No such file or directory".
  ReadDiagnostic error;
  // Coerced values, in document order; only with collectWarnings. At most
  // kMaxWarnings are kept; warningsLeftOut counts the ones after them.
  std::vector<ReadDiagnostic> warnings;
  size_t warningsLeftOut = 0;
  static constexpr size_t kMaxWarnings = 1000;

  // Clears the outcome of an earlier read, keeping collectWarnings.
  void Reset();
};

// Notes that the value of `node` was coerced while reading: `what` says how
// ("\"12ab\" is not a number; read as 12"). Does nothing unless the read of
// the document holding `node` collects warnings. Called by the value
// readers; never throws.
void NoteCoercion(DomNode node, std::string_view what);

// Records in `report` (reset first, keeping collectWarnings) that the write
// of the file at `path` failed because of `reason`: failure kCannotWrite,
// error.message "cannot write PATH: REASON" (`path` as the caller gave it,
// "cannot write: REASON" when it is empty; `reason` the system's error
// text, "No such file or directory", or what stopped the write). Never
// throws: without memory for the message the failure is still set.
void RecordWriteFailure(std::string_view path, std::string_view reason,
                        ReadReport& report);

}  // namespace devseries
#pragma GCC visibility pop
