#include "devseries/platform/resource_file_writer.h"

#include <cstdarg>
#include <cstdio>
#include <string>
#include <string_view>

#include "devseries/platform/debug_output.h"
#include "devseries/platform/file_system.h"

namespace devseries {

int g_nBinUpdateCount = 0;
int g_nHtmlUpdateCount = 0;

namespace {

// Adds 1 to a writer's counter and returns the new value, the line number.
// Wraps like the 32-bit counter it models instead of overflowing.
int Count(int* counter) {
  *counter = static_cast<int>(static_cast<unsigned>(*counter) + 1u);
  return *counter;
}

// Formats one log line (no length limit) and sends it as one string.
__attribute__((format(printf, 1, 2))) void EmitLine(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  int length = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string line;
  if (length > 0) {
    line.resize(static_cast<size_t>(length) + 1);
    std::vsnprintf(line.data(), line.size(), format, again);
    line.resize(static_cast<size_t>(length));
  }
  va_end(again);
  platform::OutputDebugStringA(line.c_str());
}

// The updater runs unattended: a FIFO nobody reads is refused at once
// rather than waited for.
constexpr platform::ReplaceOptions kUnattended{true, true};

bool UpdateFileFromResource(
    const char* pszFilePath, const platform::ResourceId& nResourceId,
    const platform::ResourceId& type, int* counter,
    const platform::ReplaceOptions& options = kUnattended,
    platform::FileError* failure = nullptr) {
  const char* path = pszFilePath != nullptr ? pszFilePath : "";
  platform::FileError ignored = platform::FileError::kNone;
  if (failure == nullptr) failure = &ignored;
  platform::HRSRC resource =
      platform::FindResourceA(nullptr, nResourceId, type);
  if (resource == nullptr) {
    EmitLine("[%02d] %s error: resource not found.\r\n", Count(counter), path);
    *failure = platform::FileError::kNotFound;
    return false;
  }
  platform::HGLOBAL loaded = platform::LoadResource(nullptr, resource);
  const void* data = platform::LockResource(loaded);
  if (data == nullptr) {
    EmitLine("[%02d] %s error: resource data cannot loaded.\r\n",
             Count(counter), path);
    *failure = platform::FileError::kNotFound;
    return false;
  }
  platform::DWORD size = platform::SizeofResource(nullptr, resource);
  if (size == 0) {
    EmitLine("[%02d] %s error: resource size is zero.\r\n", Count(counter),
             path);
    *failure = platform::FileError::kInvalid;
    return false;
  }

  // An empty path names no file; it must not leave a temporary file in the
  // current folder either.
  platform::FileReplacement replacement;
  platform::FileError error =
      *path == '\0'
          ? platform::FileError::kNotFound
          : replacement.Open(*platform::FileSystem::Current(), path, options);
  if (error != platform::FileError::kNone) {
    // Nothing was written: the folder is missing or refuses new files, or
    // the path names a folder.
    EmitLine("[%02d] %s error: file cannot opened.\r\n", Count(counter), path);
    *failure = error;
    return false;
  }
  error =
      replacement.Write(std::string_view(static_cast<const char*>(data), size));
  if (error == platform::FileError::kNone) error = replacement.Commit();
  if (error != platform::FileError::kNone) {
    EmitLine("[%02d] error: %s file io failed.\r\n", Count(counter), path);
    *failure = error;
    return false;
  }
  *failure = platform::FileError::kNone;
  EmitLine("[%02d] %s ( %d Bytes ) successfly updated!\r\n", Count(counter),
           path, static_cast<int>(size));
  return true;
}

}  // namespace

bool UpdateFileFromBinResource(const char* pszFilePath,
                               const platform::ResourceId& nResourceId) {
  return UpdateFileFromResource(pszFilePath, nResourceId, "BIN",
                                &g_nBinUpdateCount);
}

bool UpdateFileFromHtmlResource(const char* pszFilePath,
                                const platform::ResourceId& nResourceId) {
  return UpdateFileFromResource(pszFilePath, nResourceId, platform::RT_HTML,
                                &g_nHtmlUpdateCount);
}

bool UpdateFileFromBinResource(const char* pszFilePath,
                               const platform::ResourceId& nResourceId,
                               const platform::ReplaceOptions& options,
                               platform::FileError* error) {
  return UpdateFileFromResource(pszFilePath, nResourceId, "BIN",
                                &g_nBinUpdateCount, options, error);
}

}  // namespace devseries
