#include "devseries/xmlio/read_report.h"

#include "devseries/xmlio/read_session.h"

namespace devseries {

std::string ReadDiagnostic::ToString() const {
  if (elementPath.empty()) return message;
  return elementPath + ": " + message;
}

void ReadReport::Reset() {
  failure = ReadFailure::kNone;
  error = ReadDiagnostic();
  warnings.clear();
  warningsLeftOut = 0;
}

void RecordWriteFailure(std::string_view path, std::string_view reason,
                        ReadReport& report) {
  report.Reset();
  report.failure = ReadFailure::kCannotWrite;
  try {
    std::string message = "cannot write";
    if (!path.empty()) {
      message += ' ';
      message.append(path);
    }
    message += ": ";
    message.append(reason);
    report.error.message = std::move(message);
  } catch (...) {
  }
}

void NoteCoercion(DomNode node, std::string_view what) {
  // A read without a session (a codec called on its own) notes nothing;
  // with one, the session checks whether its report collects warnings.
  if (ReadSession* session = ReadSession::Of(node)) {
    session->NoteCoercion(node, what);
  }
}

}  // namespace devseries
