#include "devseries/platform/seam.h"

#include <gtest/gtest.h>

#include "devseries/platform/file_error.h"
#include "devseries/platform/file_system.h"

namespace devseries::platform {
namespace {

// Scopes nest and each end restores exactly what was installed before it,
// the default included.
TEST(SeamTest, ScopesRestoreWhatWasInstalledBefore) {
  FileSystemWrapper outer(FileSystem::Default());
  FileSystemWrapper inner(FileSystem::Default());
  EXPECT_EQ(Seam<FileSystem>::Current(), FileSystem::Default());
  {
    ScopedFileSystem a(&outer);
    EXPECT_EQ(FileSystem::Current(), &outer);
    {
      ScopedFileSystem b(&inner);
      EXPECT_EQ(FileSystem::Current(), &inner);
      {
        ScopedFileSystem real(nullptr);  // the default again, for a while
        EXPECT_EQ(FileSystem::Current(), FileSystem::Default());
      }
      EXPECT_EQ(FileSystem::Current(), &inner);
    }
    EXPECT_EQ(FileSystem::Current(), &outer);
  }
  EXPECT_EQ(Seam<FileSystem>::Install(nullptr), nullptr);
  EXPECT_EQ(FileSystem::Current(), FileSystem::Default());
}

// The texts users see are the C library's, whatever the platform.
TEST(FileErrorTest, Texts) {
  const std::pair<FileError, const char*> cases[] = {
      {FileError::kNotFound, "No such file or directory"},
      {FileError::kAccessDenied, "Permission denied"},
      {FileError::kNoSpace, "No space left on device"},
      {FileError::kTooLarge, "file too large"},
      {FileError::kLoop, "Too many levels of symbolic links"},
      {FileError::kCrossDevice, "Invalid cross-device link"},
      {FileError::kNoDevice, "No such device or address"},
      {FileError::kNotSupported, "Operation not supported"},
      {FileError::kNotRegular, "not a regular file"},
      {FileError::kLinkNotTrusted,
       "symbolic link owned by another user; not followed"},
      {FileError::kBadName, "file name is not valid UTF-8"},
      {FileError::kOther, "Unknown error"},
  };
  for (const auto& [error, text] : cases) {
    EXPECT_EQ(FileErrorText(error), text);
  }
  // Every error but kOther has a text of its own.
  for (int e = static_cast<int>(FileError::kNone);
       e < static_cast<int>(FileError::kOther); ++e) {
    EXPECT_NE(FileErrorText(static_cast<FileError>(e)), "Unknown error") << e;
  }
}

}  // namespace
}  // namespace devseries::platform
