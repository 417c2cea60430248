#include "devseries/status.h"

#include <utility>

namespace devseries {

const char* StatusCodeText(StatusCode code) {
  switch (code) {
    case StatusCode::kOk:
      return "ok";
    case StatusCode::kCannotRead:
      return "cannot read";
    case StatusCode::kRefused:
      return "refused";
    case StatusCode::kNotWellFormed:
      return "not well-formed";
    case StatusCode::kNotReadable:
      return "not what the reader reads";
    case StatusCode::kCannotWrite:
      return "cannot write";
    case StatusCode::kInvalidArgument:
      return "invalid argument";
  }
  return "unknown";
}

Status::Status(StatusCode code, std::string file, std::string message, int line,
               std::string path)
    : code_(code),
      file_(std::move(file)),
      line_(line),
      path_(std::move(path)),
      message_(std::move(message)) {}

namespace {

// "FILE:LINE: PATH: message", leaving out what is not known.
std::string Located(const std::string& file, int line, const std::string& path,
                    const std::string& message) {
  std::string text = file;
  if (line > 0) text += ":" + std::to_string(line);
  text += ": ";
  if (!path.empty()) text += path + ": ";
  return text + message;
}

}  // namespace

std::string Status::ToString() const {
  if (ok()) return file_ + ": ok";
  return Located(file_, line_, path_, message_);
}

std::string Status::ToString(const StatusWarning& warning) const {
  return Located(file_, warning.line, warning.path, warning.message);
}

void Status::AddWarning(StatusWarning warning) {
  warnings_.push_back(std::move(warning));
}

}  // namespace devseries
