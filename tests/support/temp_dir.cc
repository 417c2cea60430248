#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace tovra::testing {
namespace {

// A UTF-8 path as the standard library's path, whatever the system's code
// page (on Windows a narrow path would be read in the ANSI code page).
std::filesystem::path FsPath(const std::string& path) {
  return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

std::string Utf8(const std::filesystem::path& path) {
  std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace

ScopedTempDir::ScopedTempDir() {
  std::error_code error;
  std::filesystem::path base = std::filesystem::temp_directory_path(error);
  // A name no other test process picks: created exclusively, tried again
  // on a clash.
  std::random_device entropy;
  std::mt19937_64 random((static_cast<uint64_t>(entropy()) << 32) ^ entropy());
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::filesystem::path candidate =
        base / ("tovra_test_" + std::to_string(random() % 1000000000000));
    if (std::filesystem::create_directory(candidate, error)) {
      path_ = Utf8(candidate);
      return;
    }
  }
  ADD_FAILURE() << "cannot create a temporary folder under " << Utf8(base);
}

ScopedTempDir::~ScopedTempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(FsPath(path_), ignored);
}

std::string ScopedTempDir::File(const std::string& name) const {
  return path_ + "/" + name;
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(FsPath(path), std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(FsPath(path), std::ios::binary | std::ios::trunc);
  out << bytes;
  ASSERT_TRUE(out.good()) << "cannot write " << path;
}

bool FileExists(const std::string& path) {
  std::error_code ignored;
  return std::filesystem::exists(FsPath(path), ignored);
}

std::vector<std::string> ListFolder(const std::string& path) {
  std::vector<std::string> names;
  std::error_code ignored;
  for (const auto& entry :
       std::filesystem::directory_iterator(FsPath(path), ignored)) {
    names.push_back(Utf8(entry.path().filename()));
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool MakeFolder(const std::string& path) {
  std::error_code error;
  return std::filesystem::create_directory(FsPath(path), error);
}

void ResizeFile(const std::string& path, std::uintmax_t size) {
  std::error_code error;
  std::filesystem::resize_file(FsPath(path), size, error);
  ASSERT_FALSE(error) << "cannot resize " << path << ": " << error.message();
}

ScopedCurrentFolder::ScopedCurrentFolder(const std::string& folder) {
  std::error_code error;
  previous_ = Utf8(std::filesystem::current_path(error));
  std::filesystem::current_path(FsPath(folder), error);
  EXPECT_FALSE(error) << "cannot enter " << folder << ": " << error.message();
}

ScopedCurrentFolder::~ScopedCurrentFolder() {
  std::error_code error;
  std::filesystem::current_path(FsPath(previous_), error);
  EXPECT_FALSE(error) << "cannot return to " << previous_ << ": "
                      << error.message();
}

}  // namespace tovra::testing
