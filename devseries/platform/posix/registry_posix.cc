// The registry of POSIX systems: a registry export file, read once (see
// platform/registry.h).
#include <cstdlib>
#include <string>

#include "devseries/platform/debug_output.h"
#include "devseries/platform/file_system.h"
#include "devseries/platform/registry.h"

namespace devseries::platform {
namespace {

constexpr const char* kDefaultRegistryFile = "/etc/vintrell/registry.reg";
// A registry export of the product is a few kilobytes; anything beyond this
// is not a registry file.
constexpr size_t kMaxRegistryFileBytes = 64u << 20;

// The default service: the file named by TOVRA_REGISTRY, read the first
// time the registry is asked anything.
class FileRegistryService : public RegistryService {
 public:
  bool OpenKey(RegistryRoot root, const std::string& path, REGSAM) override {
    return File().HasKey(root, path);
  }
  const RegistryValue* FindValue(RegistryRoot root, const std::string& path,
                                 const std::string& name, REGSAM) override {
    return File().FindValue(root, path, name);
  }

 private:
  const RegistryFile& File() {
    if (loaded_) return file_;
    loaded_ = true;
    std::string path = RegistryFilePath();
    std::string bytes;
    FileError error =
        FileSystem::Current()->ReadFile(path, kMaxRegistryFileBytes, &bytes);
    if (error == FileError::kNone) {
      file_ = LoadRegistryText(bytes, path);
    } else if (error != FileError::kNotFound) {
      // A missing file is an empty registry; anything else is worth a word.
      std::string line =
          path + ": registry file cannot be read: " + FileErrorText(error) +
          "\r\n";
      OutputDebugStringA(line.c_str());
    }
    return file_;
  }

  bool loaded_ = false;
  RegistryFile file_;
};

}  // namespace

std::string RegistryFilePath() {
  const char* path = std::getenv("TOVRA_REGISTRY");
  return path != nullptr && *path != '\0' ? path : kDefaultRegistryFile;
}

RegistryService* RegistryService::Default() {
  static FileRegistryService fileRegistry;
  return &fileRegistry;
}

}  // namespace devseries::platform
