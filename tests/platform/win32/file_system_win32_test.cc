// The file system of Windows against what callers of the seam rely on:
// replacements through ReplaceFileW or a move, devices written in place,
// reads with a limit, names beyond ASCII, and the clean-up on console events.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/win32/wide_text.h"
#include "tests/support/temp_dir.h"

// clang-format off
#include <windows.h>
// clang-format on

namespace devseries::platform {
namespace {

using tovra::testing::ListFolder;
using tovra::testing::ReadFileBytes;
using tovra::testing::ScopedTempDir;
using tovra::testing::WriteFileBytes;
using win32::Widen;

using Names = std::vector<std::string>;

const std::string kNew = "new content\r\n";

DWORD Attributes(const std::string& path) {
  return GetFileAttributesW(Widen(path).c_str());
}

void Nothing(const std::string&) {}
void OldFile(const std::string& dir) {
  WriteFileBytes(dir + "\\old.dat", "previous");
}
void ReadOnlyFile(const std::string& dir) {
  OldFile(dir);
  SetFileAttributesW(Widen(dir + "\\old.dat").c_str(), FILE_ATTRIBUTE_READONLY);
}
void Folder(const std::string& dir) {
  CreateDirectoryW(Widen(dir + "\\folder").c_str(), nullptr);
}
void NonAsciiFolder(const std::string& dir) {
  CreateDirectoryW((Widen(dir) + L"\\Gr\u00f6\u00dfe").c_str(), nullptr);
}

// A read-only file would outlive the temporary folder.
void MakeRemovable(const std::string& dir) {
  for (const std::string& name : ListFolder(dir)) {
    SetFileAttributesW(Widen(dir + "\\" + name).c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}

// How the path is written.
enum class Way { kFullPath, kRelative, kHeldElsewhere };

struct ReplaceCase {
  const char* what;
  const char* name;  // in the test's folder, which is the current one
  void (*prepare)(const std::string& dir);
  Way way;  // kRelative: the name alone is the path; kHeldElsewhere: another
            // handle holds the file meanwhile, sharing nothing
  FileError error;
  ReplaceStep step;
  const char* after;  // what the file holds afterwards; null: not a file
  const char* left;   // the only name in the folder afterwards; null: none
};

const ReplaceCase kReplaceCases[] = {
    {"new file", "new.dat", Nothing, Way::kFullPath, FileError::kNone,
     ReplaceStep::kNone, kNew.c_str(), "new.dat"},
    {"file replaced", "old.dat", OldFile, Way::kFullPath, FileError::kNone,
     ReplaceStep::kNone, kNew.c_str(), "old.dat"},
    {"relative path", "old.dat", OldFile, Way::kRelative, FileError::kNone,
     ReplaceStep::kNone, kNew.c_str(), "old.dat"},
    {"names beyond ASCII", "Gr\u00f6\u00dfe\\\u65e5\u672c\u8a9e.dsr",
     NonAsciiFolder, Way::kFullPath, FileError::kNone, ReplaceStep::kNone,
     kNew.c_str(), "Gr\u00f6\u00dfe"},
    {"folder missing", "missing\\new.dat", Nothing, Way::kFullPath,
     FileError::kNotFound, ReplaceStep::kCreate, nullptr, nullptr},
    {"folder at the path", "folder", Folder, Way::kFullPath,
     FileError::kIsDirectory, ReplaceStep::kCreate, nullptr, "folder"},
    // A read-only file refuses to be replaced as it refuses any write.
    {"read-only file", "old.dat", ReadOnlyFile, Way::kFullPath,
     FileError::kAccessDenied, ReplaceStep::kRename, "previous", "old.dat"},
    {"file in use", "old.dat", OldFile, Way::kHeldElsewhere, FileError::kBusy,
     ReplaceStep::kRename, "previous", "old.dat"},
    {"device, written in place", "NUL", Nothing, Way::kFullPath,
     FileError::kNone, ReplaceStep::kNone, nullptr, nullptr},
};

void PrintTo(const ReplaceCase& c, std::ostream* os) { *os << c.what; }

class ReplaceWin32Test : public ::testing::TestWithParam<ReplaceCase> {};

// The path holds the new bytes or, untouched, the old ones, and no
// temporary file is left.
TEST_P(ReplaceWin32Test, NewFileCompleteOrOldFileUntouched) {
  const ReplaceCase& c = GetParam();
  ScopedTempDir dir;
  c.prepare(dir.path());
  const std::string path = dir.path() + "\\" + c.name;
  const DWORD attributes = Attributes(path);
  HANDLE held = INVALID_HANDLE_VALUE;
  if (c.way == Way::kHeldElsewhere) {
    held = CreateFileW(Widen(path).c_str(), GENERIC_READ, 0, nullptr,
                       OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
  }
  wchar_t current[MAX_PATH];
  ASSERT_GT(GetCurrentDirectoryW(MAX_PATH, current), 0u);
  ASSERT_TRUE(SetCurrentDirectoryW(Widen(dir.path()).c_str()));
  ReplaceStep step = ReplaceStep::kCreate;
  const FileError error = ReplaceFileAtomically(
      *FileSystem::Default(), c.way == Way::kRelative ? c.name : path, kNew,
      &step);
  SetCurrentDirectoryW(current);
  if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
  EXPECT_EQ(error, c.error);
  EXPECT_EQ(step, c.step);
  if (c.after != nullptr) {
    EXPECT_EQ(ReadFileBytes(path), c.after);
    // The name the system holds is the one given, not its code-page form.
    EXPECT_NE(Attributes(path), INVALID_FILE_ATTRIBUTES);
  }
  if (c.error != FileError::kNone) {
    EXPECT_EQ(Attributes(path), attributes);
  }
  EXPECT_EQ(ListFolder(dir.path()), c.left ? Names{c.left} : Names{});
  MakeRemovable(dir.path());
}

INSTANTIATE_TEST_SUITE_P(Targets, ReplaceWin32Test,
                         ::testing::ValuesIn(kReplaceCases));

TEST(FileSystemWin32Test, StatTellsKindPermissionsAndSize) {
  const struct {
    const char* name;
    void (*prepare)(const std::string& dir);
    FileError error;
    FileKind kind;
    uint32_t permissions;
    uint64_t size;
  } cases[] = {
      {"old.dat", OldFile, FileError::kNone, FileKind::kRegular, 0666, 8},
      {"old.dat", ReadOnlyFile, FileError::kNone, FileKind::kRegular, 0444, 8},
      {"folder", Folder, FileError::kNone, FileKind::kDirectory, 0777, 0},
      {"NUL", Nothing, FileError::kNone, FileKind::kOther, 0666, 0},
      {"none.dat", Nothing, FileError::kNotFound, FileKind::kOther, 0, 0},
      {"none\\x.dat", Nothing, FileError::kNotFound, FileKind::kOther, 0, 0},
  };
  FileSystem& fs = *FileSystem::Default();
  for (const auto& c : cases) {
    ScopedTempDir dir;
    c.prepare(dir.path());
    const std::string path = dir.path() + "\\" + c.name;
    SCOPED_TRACE(path);
    FileInfo info, linkInfo;
    EXPECT_EQ(fs.Stat(path, &info), c.error);
    EXPECT_EQ(fs.LinkStat(path, &linkInfo), c.error);
    EXPECT_EQ(fs.Exists(path), c.error == FileError::kNone);
    EXPECT_EQ(fs.IsDirectory(path), c.kind == FileKind::kDirectory);
    if (c.error == FileError::kNone) {
      EXPECT_EQ(info.kind, c.kind);
      EXPECT_EQ(info.permissions, c.permissions);
      EXPECT_EQ(info.size, c.size);
      EXPECT_EQ(linkInfo.kind, c.kind);
    }
    MakeRemovable(dir.path());
  }
}

TEST(FileSystemWin32Test, ReadsWholeOrInPiecesWithinTheLimit) {
  constexpr size_t kMiB = size_t{1} << 20;
  const struct {
    size_t size;  // SIZE_MAX: a folder
    size_t maxBytes;
    FileError error;
    std::vector<size_t> pieces;
  } cases[] = {
      {0, 0, FileError::kNone, {}},
      {10, 10, FileError::kNone, {10}},
      {11, 10, FileError::kTooLarge, {}},
      {2 * kMiB + 5, 3 * kMiB, FileError::kNone, {kMiB, kMiB, 5}},
      {SIZE_MAX, 10, FileError::kIsDirectory, {}},
  };
  FileSystem& fs = *FileSystem::Default();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    ScopedTempDir dir;
    const std::string path = dir.path() + "\\data";
    std::string data;
    if (c.size == SIZE_MAX) {
      CreateDirectoryW(Widen(path).c_str(), nullptr);
    } else {
      for (size_t i = 0; i < c.size; ++i) data += static_cast<char>(i % 251);
      WriteFileBytes(path, data);
    }
    std::string contents = "stale";
    EXPECT_EQ(fs.ReadFile(path, c.maxBytes, &contents), c.error);
    EXPECT_EQ(contents, c.error == FileError::kNone ? data : "");
    std::vector<size_t> pieces;
    EXPECT_EQ(fs.ReadFileInPieces(path, c.maxBytes,
                                  [&](std::string_view piece) {
                                    pieces.push_back(piece.size());
                                    return true;
                                  }),
              c.error);
    EXPECT_EQ(pieces, c.pieces);
  }
}

// Handles, creation and removal as a replacement uses them.
TEST(FileSystemWin32Test, HandlesCreateAndRemove) {
  ScopedTempDir dir;
  FileSystem& fs = *FileSystem::Default();
  const std::string file = dir.path() + "\\a.part";
  FileSystem::Handle handle = -1, again = -1;
  ASSERT_EQ(fs.CreateNew(file, &handle), FileError::kNone);
  size_t written = 0;
  EXPECT_EQ(fs.Write(handle, "abc", 3, &written), FileError::kNone);
  EXPECT_EQ(written, 3u);
  EXPECT_EQ(fs.Sync(handle), FileError::kNone);
  EXPECT_EQ(fs.CreateNew(file, &again), FileError::kExists);
  // The interrupt clean-up removes a sibling still being written.
  EXPECT_TRUE(DeleteFileW(Widen(file).c_str()));
  EXPECT_EQ(fs.Close(handle), FileError::kNone);
  EXPECT_EQ(fs.Close(handle), FileError::kBadHandle);
  EXPECT_EQ(fs.Write(handle, "abc", 3, &written), FileError::kBadHandle);
  EXPECT_EQ(fs.Remove(file), FileError::kNotFound);
  Folder(dir.path());
  EXPECT_EQ(fs.Remove(dir.path() + "\\folder"), FileError::kIsDirectory);
  EXPECT_EQ(ListFolder(dir.path()), Names{"folder"});
}

// ------------------------------------------------------ interrupt clean-up
//
// A child process (this program, running InterruptCleanupChild only) opens
// a replacement, writes part of it and notes that it is ready; then the
// system's own console routine delivers the event on a thread of its own,
// as for a real Ctrl+C, and the default handling ends the child.

constexpr wchar_t kTargetVariable[] = L"TOVRA_INTERRUPT_TARGET";
constexpr wchar_t kEventVariable[] = L"TOVRA_INTERRUPT_EVENT";
constexpr DWORD kSurvived = 77;

LPTHREAD_START_ROUTINE ConsoleEventRoutine() {
  return reinterpret_cast<LPTHREAD_START_ROUTINE>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "CtrlRoutine")));
}

std::wstring Variable(const wchar_t* name) {
  wchar_t value[MAX_PATH];
  DWORD n = GetEnvironmentVariableW(name, value, MAX_PATH);
  return n > 0 && n < MAX_PATH ? std::wstring(value, n) : std::wstring();
}

TEST(InterruptCleanupChild, EndedByTheEvent) {
  const std::string target = win32::Narrow(Variable(kTargetVariable));
  if (target.empty()) GTEST_SKIP() << "run by InterruptCleanupWin32Test";
  const DWORD event = std::stoul(Variable(kEventVariable));
  InstallInterruptCleanup();
  SetConsoleCtrlHandler(nullptr, FALSE);  // Ctrl+C counts whatever the parent
  FileReplacement out;
  ASSERT_EQ(out.Open(*FileSystem::Default(), target), FileError::kNone);
  ASSERT_EQ(out.Write("part of the new content"), FileError::kNone);
  const std::string folder = target.substr(0, target.rfind('\\'));
  // "2": the target and its sibling.
  WriteFileBytes(folder + "\\ready", std::to_string(ListFolder(folder).size()));
  HANDLE thread =
      CreateThread(nullptr, 0, ConsoleEventRoutine(),
                   reinterpret_cast<void*>(DWORD_PTR{event}), 0, nullptr);
  ASSERT_NE(thread, nullptr);
  WaitForSingleObject(thread, INFINITE);
  std::_Exit(kSurvived);
}

class InterruptCleanupWin32Test : public ::testing::TestWithParam<DWORD> {};

TEST_P(InterruptCleanupWin32Test, SiblingRemovedTargetUnchanged) {
  if (ConsoleEventRoutine() == nullptr) {
    GTEST_SKIP() << "the system's console routine is not exported";
  }
  ScopedTempDir dir;
  const std::string target = dir.path() + "\\target.dat";
  WriteFileBytes(target, "previous content");
  wchar_t program[MAX_PATH];
  ASSERT_GT(GetModuleFileNameW(nullptr, program, MAX_PATH), 0u);
  std::wstring command =
      L"\"" + std::wstring(program) +
      L"\" --gtest_brief=1 --gtest_filter=InterruptCleanupChild.*";
  SetEnvironmentVariableW(kTargetVariable, Widen(target).c_str());
  SetEnvironmentVariableW(kEventVariable, std::to_wstring(GetParam()).c_str());
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child = {};
  const BOOL started =
      CreateProcessW(program, command.data(), nullptr, nullptr, FALSE, 0,
                     nullptr, nullptr, &startup, &child);
  SetEnvironmentVariableW(kTargetVariable, nullptr);
  SetEnvironmentVariableW(kEventVariable, nullptr);
  ASSERT_TRUE(started);
  WaitForSingleObject(child.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(child.hProcess, &code);
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);
  EXPECT_NE(code, kSurvived);
  EXPECT_EQ(ReadFileBytes(dir.path() + "\\ready"), "2") << "child not ready";
  EXPECT_EQ(ReadFileBytes(target), "previous content");
  EXPECT_EQ(ListFolder(dir.path()), (Names{"ready", "target.dat"}));
}

INSTANTIATE_TEST_SUITE_P(Events, InterruptCleanupWin32Test,
                         ::testing::Values(CTRL_C_EVENT, CTRL_BREAK_EVENT,
                                           CTRL_CLOSE_EVENT,
                                           CTRL_SHUTDOWN_EVENT));

}  // namespace
}  // namespace devseries::platform
