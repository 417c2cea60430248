// The outcome of an operation of the library's modern surface
// (devseries.h): ok, or why not, where, and in which file. One model for
// every read and write of it; nothing there throws for a file's content or
// an I/O failure.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#pragma GCC visibility push(default)
namespace devseries {

/// What kind of failure a Status reports.
enum class StatusCode {
  kOk,             ///< Done.
  kCannotRead,     ///< The file is missing, unreadable, or a folder.
  kRefused,        ///< Refused as unsafe: a document type, over the size limit.
  kNotWellFormed,  ///< Not well-formed XML (or empty).
  kNotReadable,    ///< XML, but not what the reader reads (structure, version).
  kCannotWrite,    ///< The file could not be written; the previous one is kept.
  kInvalidArgument,  ///< The call itself was wrong (an empty path, say).
};

/// The code's text: "ok", "cannot read", "refused", "not well-formed",
/// "not what the reader reads", "cannot write", "invalid argument".
const char* StatusCodeText(StatusCode code);

/// A value the reader had to coerce (number text that is not a number, a
/// saturated integer, ...), where it stands in the file.
struct StatusWarning {
  /// The file's line, 1-based; 0 when not known.
  int line = 0;
  /// The element path from the root, with 1-based positions where an
  /// element has siblings of its name:
  /// "DeviceSeries/aMediaInfoList/MediaInfo[3]".
  std::string path;
  /// How the value was read: "\"12ab\" is not a number; read as 12".
  std::string message;
};

/// The outcome of an operation: ok(), or a code, the file, the line, the
/// element path and a message. Reads asked for warnings carry the coerced
/// values as well, on success too.
class [[nodiscard]] Status {
 public:
  /// Ok.
  Status() = default;
  /// A failure of `code` with the file it concerns and what went wrong.
  Status(StatusCode code, std::string file, std::string message, int line = 0,
         std::string path = {});

  /// True when the operation was done.
  bool ok() const { return code_ == StatusCode::kOk; }
  /// What kind of failure; StatusCode::kOk when ok().
  StatusCode code() const { return code_; }
  /// The file the operation read or wrote (the text "<memory>" for a read
  /// from memory, "<stream>" for a write to a stream).
  const std::string& file() const { return file_; }
  /// The file's line, 1-based; 0 when not known or not a matter of a line.
  int line() const { return line_; }
  /// The element path, empty when the problem is the file as a whole.
  const std::string& path() const { return path_; }
  /// What went wrong, in one line; empty when ok().
  const std::string& message() const { return message_; }
  /// The coerced values (only when the read was asked for them), in
  /// document order, at most 1000.
  const std::vector<StatusWarning>& warnings() const { return warnings_; }
  /// How many coerced values came after the first 1000.
  std::size_t warningsLeftOut() const { return warningsLeftOut_; }

  /// "FILE:LINE: PATH: message", leaving out what is not known ("FILE:
  /// message" for a file as a whole); "FILE: ok" when ok().
  std::string ToString() const;
  /// One warning as "FILE:LINE: PATH: message".
  std::string ToString(const StatusWarning& warning) const;

  /// Sets the file this status concerns (an ok status has one too).
  void SetFile(std::string file) { file_ = std::move(file); }
  /// Adds a coerced value.
  void AddWarning(StatusWarning warning);
  /// Counts coerced values left out.
  void SetWarningsLeftOut(std::size_t count) { warningsLeftOut_ = count; }

 private:
  StatusCode code_ = StatusCode::kOk;
  std::string file_;
  int line_ = 0;
  std::string path_;
  std::string message_;
  std::vector<StatusWarning> warnings_;
  std::size_t warningsLeftOut_ = 0;
};

}  // namespace devseries
#pragma GCC visibility pop
