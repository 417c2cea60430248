// The file system of Windows against what callers of the seam rely on:
// replacements through ReplaceFileW or a move, devices written in place,
// reads with a limit, names beyond ASCII, and the clean-up on console events.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "devseries/platform/file_system.h"
#include "devseries/platform/win32/file_system_win32_internal.h"
#include "devseries/platform/win32/wide_text.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wide_text.h"

// clang-format off
#include <windows.h>
// clang-format on

namespace devseries::platform {
namespace {

using tovra::testing::ListFolder;
using tovra::testing::ReadFileBytes;
using tovra::testing::ScopedTempDir;
using tovra::testing::Widen;
using tovra::testing::WriteFileBytes;

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

// ------------------------------------------------ other programs' holds
//
// A scanner opens the target or the fresh sibling for a moment, sharing
// neither its removal nor its writing; the replacement waits it out when
// the hold is short, and fails as busy, with the path as it was, when not.

enum class Held { kTarget, kSibling };

struct HoldCase {
  const char* what;
  Held held;
  int milliseconds;
  bool abort;  // the replacement is abandoned instead of committed
  FileError error;
  const char* after;  // the target's content afterwards
};

const HoldCase kHoldCases[] = {
    {"target held half a second", Held::kTarget, 500, false, FileError::kNone,
     kNew.c_str()},
    {"sibling held half a second", Held::kSibling, 500, false, FileError::kNone,
     kNew.c_str()},
    {"sibling held while abandoned", Held::kSibling, 500, true,
     FileError::kNone, "previous"},
    {"target held three seconds", Held::kTarget, 3000, false, FileError::kBusy,
     "previous"},
};

void PrintTo(const HoldCase& c, std::ostream* os) { *os << c.what; }

class HeldFileWin32Test : public ::testing::TestWithParam<HoldCase> {};

TEST_P(HeldFileWin32Test, WaitedOutOrRefusedWholly) {
  const HoldCase& c = GetParam();
  ScopedTempDir dir;
  OldFile(dir.path());
  const std::string target = dir.path() + "\\old.dat";
  FileReplacement out;
  ASSERT_EQ(out.Open(*FileSystem::Default(), target), FileError::kNone);
  ASSERT_EQ(out.Write(kNew), FileError::kNone);
  std::string heldPath = target;
  if (c.held == Held::kSibling) {
    for (const std::string& name : ListFolder(dir.path())) {
      if (name != "old.dat") heldPath = dir.path() + "\\" + name;
    }
    ASSERT_NE(heldPath, target);
  }
  HANDLE held = CreateFileW(Widen(heldPath).c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  std::thread holder([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(c.milliseconds));
    CloseHandle(held);
  });
  const FileError error =
      c.abort ? (out.Abort(), FileError::kNone) : out.Commit();
  holder.join();
  EXPECT_EQ(error, c.error);
  EXPECT_EQ(ReadFileBytes(target), c.after);
  EXPECT_EQ(ListFolder(dir.path()), Names{"old.dat"});
}

INSTANTIATE_TEST_SUITE_P(Holds, HeldFileWin32Test,
                         ::testing::ValuesIn(kHoldCases));

// ------------------------------------------ replacements that fail midway

// A stand-in for ReplaceFileW as some systems fail: the replaced file is
// moved to the backup name, then the replacement cannot be moved in
// (ERROR_UNABLE_TO_MOVE_REPLACEMENT_2).
int __stdcall ReplacedMovedAside(const wchar_t* replaced, const wchar_t*,
                                 const wchar_t* backup, unsigned long, void*,
                                 void*) {
  if (backup == nullptr ||
      !MoveFileExW(replaced, backup, MOVEFILE_REPLACE_EXISTING)) {
    return FALSE;
  }
  SetLastError(ERROR_UNABLE_TO_MOVE_REPLACEMENT_2);
  return FALSE;
}

TEST(FileSystemWin32Test, ReplacementFailingMidwayPutsThePreviousFileBack) {
  ScopedTempDir dir;
  OldFile(dir.path());
  const std::string target = dir.path() + "\\old.dat";
  win32::ReplaceFileCall& function = win32::ReplaceFileFunction();
  const win32::ReplaceFileCall system = function;
  function = ReplacedMovedAside;
  const FileError error =
      ReplaceFileAtomically(*FileSystem::Default(), target, kNew);
  function = system;
  EXPECT_EQ(error, FileError::kIo);
  EXPECT_EQ(ReadFileBytes(target), "previous");
  EXPECT_EQ(ListFolder(dir.path()), Names{"old.dat"});
}

// What another program planted at the names a replacement sets its
// replaced file aside under (files, folders, a link) stays as it was.
TEST(FileSystemWin32Test, PlantedBackupNamesAreLeftAlone) {
  ScopedTempDir dir;
  OldFile(dir.path());
  const std::string stem =
      dir.path() + "\\.~" + std::to_string(GetCurrentProcessId()) + "-";
  for (int n = 0; n < 200; ++n) {
    const std::string path = stem + std::to_string(n) + ".old";
    if (n % 3 == 0) {
      ASSERT_TRUE(CreateDirectoryW(Widen(path).c_str(), nullptr));
    } else if (n % 3 == 1 || !CreateSymbolicLinkW(Widen(path).c_str(),
                                                  L"C:\\nowhere.dat", 0)) {
      WriteFileBytes(path, "planted");
    }
  }
  const Names planted = ListFolder(dir.path());
  ASSERT_GE(planted.size(), 134u);
  EXPECT_EQ(ReplaceFileAtomically(*FileSystem::Default(),
                                  dir.path() + "\\old.dat", kNew),
            FileError::kNone);
  EXPECT_EQ(ReadFileBytes(dir.path() + "\\old.dat"), kNew);
  EXPECT_EQ(ListFolder(dir.path()), planted);
  EXPECT_EQ(ReadFileBytes(stem + "1.old"), "planted");
}

// --------------------------------------------- long paths, names not UTF-8

TEST(SystemPathTest, LongPathsTakeTheLongFormShortOnesStayAsGiven) {
  const std::string name(240, 'n');
  const struct {
    std::string path;
    bool ok;
    std::wstring expected;
  } cases[] = {
      {"C:\\short\\name.dat", true, L"C:\\short\\name.dat"},
      {"C:/short/name.dat", true, L"C:/short/name.dat"},
      {"NUL", true, L"NUL"},
      {"C:\\a\\" + name + ".dat", true,
       L"\\\\?\\C:\\a\\" + Widen(name) + L".dat"},
      {"C:/a/./b/../" + name + ".dat", true,
       L"\\\\?\\C:\\a\\" + Widen(name) + L".dat"},
      {"\\\\server\\share\\" + name, true,
       L"\\\\?\\UNC\\server\\share\\" + Widen(name)},
      {"\\\\?\\C:\\a\\..\\" + name, true, L"\\\\?\\C:\\a\\..\\" + Widen(name)},
      {"C:\\Gr\xc3\xb6\xc3\x9f"
       "e.dat",
       true, L"C:\\Gr\u00f6\u00dfe.dat"},
      {"C:\\bad\xff.dat", false, L""},
      {"C:\\cut\xc3", false, L""},
      {"C:\\surrogate\xed\xa0\x80.dat", false, L""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    std::wstring wide = L"stale";
    EXPECT_EQ(win32::SystemPath(c.path, &wide), c.ok);
    EXPECT_EQ(wide, c.expected);
  }
}

// The names in a folder whose path is too long for the tests' helpers.
Names ListLongFolder(const std::string& folder) {
  Names names;
  WIN32_FIND_DATAW data;
  HANDLE find =
      FindFirstFileW((L"\\\\?\\" + Widen(folder) + L"\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = win32::Narrow(data.cFileName);
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileW(find, &data));
  FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

// Paths past MAX_PATH, and names the system would have to guess at.
TEST(FileSystemWin32Test, LongPathsWorkAndNamesNotUtf8AreRefused) {
  ScopedTempDir dir;
  FileSystem& fs = *FileSystem::Default();
  // Two folders of 120 characters and a file name of 240: the sibling of
  // the last cannot take its suffix and is named short.
  std::string deep = dir.path();
  for (int i = 0; i < 2; ++i) {
    deep += "\\" + std::string(120, static_cast<char>('a' + i));
    ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + Widen(deep)).c_str(), nullptr));
  }
  const std::string name(240, 'f');
  const std::string paths[] = {
      deep + "\\short.dat",
      deep + "\\" + name,
      deep + "\\..\\" + std::string(120, 'b') + "\\.\\dotted.dat",
  };
  for (const std::string& path : paths) {
    SCOPED_TRACE(path.size());
    ASSERT_GT(path.size(), 260u);
    for (const char* content : {"first", "second"}) {
      EXPECT_EQ(ReplaceFileAtomically(fs, path, content), FileError::kNone);
      std::string read;
      EXPECT_EQ(fs.ReadFile(path, 100, &read), FileError::kNone);
      EXPECT_EQ(read, content);
    }
    FileInfo info;
    EXPECT_EQ(fs.Stat(path, &info), FileError::kNone);
    EXPECT_EQ(info.size, 6u);
  }
  EXPECT_EQ(ListLongFolder(deep), (Names{"dotted.dat", name, "short.dat"}));
  for (const std::string& path : paths) {
    EXPECT_EQ(fs.Remove(path), FileError::kNone);
  }

  const std::string bad = dir.path() + "\\bad\xff.dat";
  std::string read;
  EXPECT_EQ(ReplaceFileAtomically(fs, bad, "x"), FileError::kBadName);
  EXPECT_EQ(fs.ReadFile(bad, 10, &read), FileError::kBadName);
  EXPECT_EQ(ListFolder(dir.path()), Names{std::string(120, 'a')});
}

// ------------------------------------------------------ interrupt clean-up
//
// A child process (this program, running one InterruptCleanupChild test)
// opens a replacement, writes part of it and notes that it is ready; then
// the system's own console routine delivers the event on a thread of its
// own, as for a real Ctrl+C, and the default handling ends the child.

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

std::string FolderOf(const std::string& path) {
  return path.substr(0, path.rfind('\\'));
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
  const std::string folder = FolderOf(target);
  // "2": the target and its sibling.
  WriteFileBytes(folder + "\\ready", std::to_string(ListFolder(folder).size()));
  HANDLE thread =
      CreateThread(nullptr, 0, ConsoleEventRoutine(),
                   reinterpret_cast<void*>(DWORD_PTR{event}), 0, nullptr);
  ASSERT_NE(thread, nullptr);
  WaitForSingleObject(thread, INFINITE);
  std::_Exit(kSurvived);
}

// Once the clean-up has run, a replacement opened on another thread waits
// for the end of the process instead of creating a sibling nothing would
// remove. The clean-up is called here directly, so the process goes on.
TEST(InterruptCleanupChild, NoSiblingOnceStarted) {
  const std::string target = win32::Narrow(Variable(kTargetVariable));
  if (target.empty()) GTEST_SKIP() << "run by InterruptCleanupWin32Test";
  InstallInterruptCleanup();
  win32::RemovePendingSiblingsOnEvent(CTRL_C_EVENT);
  std::thread([target] {
    // Kept open for good: a sibling it created would stay.
    (void)(new FileReplacement)->Open(*FileSystem::Default(), target);
  }).detach();
  Sleep(500);
  // "1": the target alone.
  WriteFileBytes(FolderOf(target) + "\\ready",
                 std::to_string(ListFolder(FolderOf(target)).size()));
  std::_Exit(kSurvived);
}

// Runs InterruptCleanupChild.`test` on `target` with `event`; its exit code.
DWORD RunChild(const wchar_t* test, const std::string& target, DWORD event) {
  wchar_t program[MAX_PATH];
  EXPECT_GT(GetModuleFileNameW(nullptr, program, MAX_PATH), 0u);
  std::wstring command = L"\"" + std::wstring(program) +
                         L"\" --gtest_brief=1 --gtest_filter=" +
                         L"InterruptCleanupChild." + test;
  SetEnvironmentVariableW(kTargetVariable, Widen(target).c_str());
  SetEnvironmentVariableW(kEventVariable, std::to_wstring(event).c_str());
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child = {};
  const BOOL started =
      CreateProcessW(program, command.data(), nullptr, nullptr, FALSE, 0,
                     nullptr, nullptr, &startup, &child);
  SetEnvironmentVariableW(kTargetVariable, nullptr);
  SetEnvironmentVariableW(kEventVariable, nullptr);
  EXPECT_TRUE(started);
  if (!started) return 0;
  WaitForSingleObject(child.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(child.hProcess, &code);
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);
  return code;
}

TEST(InterruptCleanupWin32Test, NoSiblingCreatedOnceStarted) {
  ScopedTempDir dir;
  const std::string target = dir.path() + "\\target.dat";
  WriteFileBytes(target, "previous content");
  EXPECT_EQ(RunChild(L"NoSiblingOnceStarted", target, 0), kSurvived);
  EXPECT_EQ(ReadFileBytes(dir.path() + "\\ready"), "1");
  EXPECT_EQ(ListFolder(dir.path()), (Names{"ready", "target.dat"}));
}

class InterruptCleanupEventTest : public ::testing::TestWithParam<DWORD> {};

TEST_P(InterruptCleanupEventTest, SiblingRemovedTargetUnchanged) {
  if (ConsoleEventRoutine() == nullptr) {
    GTEST_SKIP() << "the system's console routine is not exported";
  }
  ScopedTempDir dir;
  const std::string target = dir.path() + "\\target.dat";
  WriteFileBytes(target, "previous content");
  EXPECT_NE(RunChild(L"EndedByTheEvent", target, GetParam()), kSurvived);
  EXPECT_EQ(ReadFileBytes(dir.path() + "\\ready"), "2") << "child not ready";
  EXPECT_EQ(ReadFileBytes(target), "previous content");
  EXPECT_EQ(ListFolder(dir.path()), (Names{"ready", "target.dat"}));
}

INSTANTIATE_TEST_SUITE_P(Events, InterruptCleanupEventTest,
                         ::testing::Values(CTRL_C_EVENT, CTRL_BREAK_EVENT,
                                           CTRL_CLOSE_EVENT,
                                           CTRL_SHUTDOWN_EVENT));

}  // namespace
}  // namespace devseries::platform
