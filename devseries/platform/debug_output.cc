#include "devseries/platform/debug_output.h"

#include <cstring>

namespace devseries::platform {

void OutputDebugStringA(const char* text) {
  if (text == nullptr) return;
  Seam<DebugOutputSink>::Current()->Write(
      std::string_view(text, std::strlen(text)));
}

}  // namespace devseries::platform
