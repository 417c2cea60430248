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

void NoteCoercion(DomNode node, std::string_view what) {
  // A read without a session (a codec called on its own) notes nothing;
  // with one, the session checks whether its report collects warnings.
  if (ReadSession* session = ReadSession::Of(node)) {
    session->NoteCoercion(node, what);
  }
}

}  // namespace devseries
