// Fuzz target: the registry export file parser (RegistryFile::Parse).
//
// Properties: parsing never crashes; a rejected file names a line of the
// file and a reason, and leaves no keys behind.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "devseries/platform/registry_file.h"
#include "fuzz/fuzz_support.h"

using namespace devseries;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tovra::fuzz::Quiet();
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  platform::RegistryFile file;
  platform::RegistryParseError error;
  if (file.Parse(bytes, &error)) {
    // Looking a few names up exercises the case-insensitive key map.
    file.FindValue(platform::RegistryRoot::kLocalMachine,
                   "Software\\Vintrell\\Ostrivane\\Installer", "InstallPath");
    file.HasKey(platform::RegistryRoot::kCurrentUser, "software");
    return 0;
  }
  if (error.line < 1 || error.reason.empty()) {
    tovra::fuzz::Fail("a rejected registry file names no line or reason");
  }
  if (file.HasKey(platform::RegistryRoot::kLocalMachine, "Software")) {
    tovra::fuzz::Fail("a rejected registry file keeps keys");
  }
  return 0;
}
