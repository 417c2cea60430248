// Hostile files handed to the device-series reader and to every standalone
// record loader: external entities (a local file, the network), nested
// entity expansion, a file over the size cap, an 11 MB text node, 100000
// nested elements, invalid UTF-8 and NUL bytes. Each is built from a file
// the reader accepts, with the hostile part where a value was, and must end
// in a clean refusal (false, or the component error or integer code the
// loader raises for a file it cannot load) in a child process whose address
// space may grow by a bounded amount and whose processor time is bounded.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>

#include "devseries/device_series.h"
#include "devseries/platform/dom.h"
#include "devseries/records/media/media_info.h"
#include "devseries/records/media/separation_info.h"
#include "devseries/records/media/vcontrol_point.h"
#include "devseries/records/printer/ink_config_info.h"
#include "devseries/records/printer/ink_info.h"
#include "devseries/records/printer/mode_info.h"
#include "devseries/records/printer/model_info.h"
#include "devseries/records/printer/pattern_info.h"
#include "devseries/records/printer/resolution_info.h"
#include "devseries/xmlio/time_stamp.h"
#include "tests/support/temp_dir.h"

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#else
#include "tests/support/wide_text.h"
// clang-format off
#include <windows.h>
// clang-format on
#endif

using namespace devseries;

namespace {

using tovra::testing::ReadFileBytes;
using tovra::testing::ResizeFile;
using tovra::testing::ScopedTempDir;
using tovra::testing::WriteFileBytes;

// How far the reading child's address space may grow, and how much
// processor time it may use before it is stopped. Both are far above what
// a refusal needs; they stop a reader that expands or loops without end.
constexpr std::uint64_t kMemoryBudget = std::uint64_t{512} << 20;
constexpr int kCpuSeconds = 60;

// Where a value of the accepted file stands; the hostile part replaces it.
constexpr const char* kMarker = "4711";

// The exit codes of the reading child.
enum ChildExit {
  kRefused = 0,
  kAccepted = 10,
  kOtherError = 11,
  kCleanFileNotRead = 12,
};

// RunBounded(name, body) runs `body` in a child process under the memory
// and time bounds and returns a text telling how it ended: "exit 0",
// "exit 10", "signal 9", "timed out". `name` names the call among those of
// the running test: on Windows the child is this program started again for
// the running test alone, and it runs only the call of that name, so a
// test skips the calls for which RunsHere(name) is false.
#ifndef _WIN32

bool RunsHere(const std::string&) { return true; }

size_t AddressSpaceBytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmSize:", 0) == 0) {
      return static_cast<size_t>(std::stoull(line.substr(7))) * 1024;
    }
  }
  return 0;
}

std::string RunBounded(const std::string&, const std::function<int()>& body) {
  std::fflush(stdout);
  std::fflush(stderr);
  pid_t pid = ::fork();
  if (pid == 0) {
    rlimit memory{};
    memory.rlim_cur = memory.rlim_max = AddressSpaceBytes() + kMemoryBudget;
    rlimit cpu{kCpuSeconds, kCpuSeconds};
    int code = kOtherError;
    if (::setrlimit(RLIMIT_AS, &memory) == 0 &&
        ::setrlimit(RLIMIT_CPU, &cpu) == 0) {
      try {
        code = body();
      } catch (...) {
        code = kOtherError;
      }
    }
    ::_exit(code);
  }
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return "no child";
  if (WIFEXITED(status)) return "exit " + std::to_string(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) return "signal " + std::to_string(WTERMSIG(status));
  return "unknown end";
}

#else

using devseries::platform::win32::Narrow;
using tovra::testing::Widen;

// Names the call a child runs; unset in the test itself.
constexpr wchar_t kCallVariable[] = L"TOVRA_BOUNDED_CALL";

std::wstring Variable(const wchar_t* name, bool* set = nullptr) {
  wchar_t value[4096];
  const DWORD n = ::GetEnvironmentVariableW(name, value, 4096);
  if (set != nullptr) *set = n > 0 && n < 4096;
  return n > 0 && n < 4096 ? std::wstring(value, n) : std::wstring();
}

bool RunsHere(const std::string& name) {
  const std::wstring call = Variable(kCallVariable);
  return call.empty() || Narrow(call) == name;
}

// The child's limits: a job that holds its committed memory (all of it: the
// child starts afresh) and its processor time. Wine keeps neither, so the
// wait for the child ends after as many seconds of wall time too.
HANDLE BoundingJob() {
  HANDLE job = ::CreateJobObjectW(nullptr, nullptr);
  if (job == nullptr) return nullptr;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_PROCESS_MEMORY |
                                            JOB_OBJECT_LIMIT_PROCESS_TIME |
                                            JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  limits.BasicLimitInformation.PerProcessUserTimeLimit.QuadPart =
      LONGLONG{kCpuSeconds} * 10000000;
  limits.ProcessMemoryLimit = kMemoryBudget;
  if (!::SetInformationJobObject(job, JobObjectExtendedLimitInformation,
                                 &limits, sizeof limits)) {
    ::CloseHandle(job);
    return nullptr;
  }
  return job;
}

std::string RunBounded(const std::string& name,
                       const std::function<int()>& body) {
  if (!Variable(kCallVariable).empty()) {
    // The child: the call's result is the process's exit code.
    int code = kOtherError;
    try {
      code = body();
    } catch (...) {
      code = kOtherError;
    }
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(code);
  }
  const ::testing::TestInfo& test =
      *::testing::UnitTest::GetInstance()->current_test_info();
  wchar_t program[MAX_PATH];
  if (::GetModuleFileNameW(nullptr, program, MAX_PATH) == 0) return "no child";
  std::wstring command =
      L"\"" + std::wstring(program) + L"\" --gtest_brief=1 --gtest_filter=" +
      Widen(std::string(test.test_suite_name()) + "." + test.name());
  HANDLE job = BoundingJob();
  if (job == nullptr) return "no job";
  // The child's temporary files go to a folder of this process, removed
  // with all the child left there.
  ScopedTempDir childTemp;
  bool hadTemp = false;
  const std::wstring temp = Variable(L"TMP", &hadTemp);
  ::SetEnvironmentVariableW(L"TMP", Widen(childTemp.path()).c_str());
  ::SetEnvironmentVariableW(kCallVariable, Widen(name).c_str());
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child = {};
  // Under Wine a start now and then fails for want of a moment (the
  // server busy with the other tests' processes); a few tries tell that
  // apart from a start that cannot be made.
  BOOL started = FALSE;
  DWORD startError = 0;
  for (int attempt = 0; attempt < 5 && !started; ++attempt) {
    if (attempt > 0) ::Sleep(200 * attempt);
    started =
        ::CreateProcessW(program, command.data(), nullptr, nullptr, FALSE,
                         CREATE_SUSPENDED, nullptr, nullptr, &startup, &child);
    if (!started) startError = ::GetLastError();
  }
  ::SetEnvironmentVariableW(kCallVariable, nullptr);
  ::SetEnvironmentVariableW(L"TMP", hadTemp ? temp.c_str() : nullptr);
  if (!started) {
    ::CloseHandle(job);
    return "no child (error " + std::to_string(startError) + ")";
  }
  std::string end;
  if (!::AssignProcessToJobObject(job, child.hProcess)) {
    ::TerminateProcess(child.hProcess, 1);
    end = "no job";
  } else {
    ::ResumeThread(child.hThread);
    if (::WaitForSingleObject(child.hProcess, kCpuSeconds * 1000) ==
        WAIT_TIMEOUT) {
      ::TerminateProcess(child.hProcess, 1);
      end = "timed out";
    }
  }
  ::WaitForSingleObject(child.hProcess, INFINITE);
  DWORD code = 0;
  ::GetExitCodeProcess(child.hProcess, &code);
  ::CloseHandle(child.hThread);
  ::CloseHandle(child.hProcess);
  ::CloseHandle(job);
  return end.empty() ? "exit " + std::to_string(code) : end;
}

#endif

// One reader: the text of a file it accepts, holding kMarker where a
// value is, and the read itself: true when it accepted the file; false or
// a raised _com_error or int when it refused it.
struct Reader {
  const char* what;
  std::function<std::string()> acceptedText;
  std::function<bool(const std::string& path)> read;
};

template <typename Create>
std::string DocumentText(Create&& create) {
  DomDocumentPtr document = create();
  return document ? document->ToXml() : "";
}

// The text a writer saves to a file.
std::string SavedText(const std::function<bool(const std::string&)>& save) {
  ScopedTempDir dir;
  EXPECT_TRUE(save(dir.File("saved.xml")));
  return ReadFileBytes(dir.File("saved.xml"));
}

std::vector<Reader> Readers() {
  std::vector<Reader> readers;
  readers.push_back({"device series",
                     [] {
                       return SavedText([](const std::string& path) {
                         DeviceSeries series;
                         series.commandSet.strCancel = kMarker;
                         return DeviceSeriesIO2(path).Write(series);
                       });
                     },
                     [](const std::string& path) {
                       DeviceSeries series;
                       return DeviceSeriesIO2(path).Read(series);
                     }});
  readers.push_back({"model",
                     [] {
                       ModelInfo r;
                       r.strLongModelName = kMarker;
                       return DocumentText([&] {
                         return ModelInfoIO().CreateModelInfoDocument(r);
                       });
                     },
                     [](const std::string& path) {
                       ModelInfo r;
                       return ModelInfoIO().LoadModelInfoFile(path, r);
                     }});
  readers.push_back({"ink",
                     [] {
                       InkInfo r;
                       r.strShortInkName = kMarker;
                       return DocumentText([&] {
                         return InkInfoIO().CreateInkInfoDocument(r);
                       });
                     },
                     [](const std::string& path) {
                       InkInfo r;
                       return InkInfoIO().LoadInkInfoFile(path, r);
                     }});
  readers.push_back(
      {"ink configuration",
       [] {
         InkConfigInfo r;
         r.strFolderName = kMarker;
         return DocumentText(
             [&] { return InkConfigInfoIO().CreateInkConfigInfoDocument(r); });
       },
       [](const std::string& path) {
         InkConfigInfo r;
         return InkConfigInfoIO().LoadInkConfigInfoFile(path.c_str(), r);
       }});
  readers.push_back(
      {"resolution",
       [] {
         ResolutionInfo r;
         r.strResolutionName.fill(kMarker);
         return DocumentText([&] {
           return ResolutionInfoIO().CreateResolutionInfoDocument(r);
         });
       },
       [](const std::string& path) {
         ResolutionInfo r;
         return ResolutionInfoIO().LoadResolutionInfoFile(path, r);
       }});
  readers.push_back({"print mode",
                     [] {
                       ModeInfo r;
                       r.strModeName = kMarker;
                       return DocumentText([&] {
                         return ModeInfoIO().CreateModeInfoDocument(r);
                       });
                     },
                     [](const std::string& path) {
                       ModeInfo r;
                       return ModeInfoIO().LoadModeInfoFile(path, r);
                     }});
  readers.push_back({"FM pattern",
                     [] {
                       PatternInfo r;
                       r.strPatternFile = kMarker;
                       return DocumentText([&] {
                         return PatternInfoIO().CreatePatternInfoDocument(r);
                       });
                     },
                     [](const std::string& path) {
                       PatternInfo r;
                       return PatternInfoIO().LoadPatternInfoFile(path, r);
                     }});
  readers.push_back({"media",
                     [] {
                       MediaInfo r;
                       r.strMediaName.fill(kMarker);
                       return DocumentText([&] {
                         return MediaInfoIO().CreateMediaInfoDocument(r);
                       });
                     },
                     [](const std::string& path) {
                       MediaInfo r;
                       return MediaInfoIO().LoadMediaInfoFile(path, r);
                     }});
  readers.push_back(
      {"separation",
       [] {
         SeparationInfo r;
         r.strInkLimitTableFile = kMarker;
         return DocumentText([&] {
           return SeparationInfoIO().CreateSeparationInfoDocument(r);
         });
       },
       [](const std::string& path) {
         SeparationInfo r;
         return SeparationInfoIO().LoadSeparationInfoFile(path, r);
       }});
  readers.push_back({"VControl point",
                     [] {
                       VControlPoint r;
                       r.nVControlIndex = 4711;
                       return DocumentText(
                           [&] { return CreateVControlPointDocument(r); });
                     },
                     [](const std::string& path) {
                       VControlPoint r;
                       return LoadVControlPointFile(path, r);
                     }});
  readers.push_back(
      {"time stamp",
       [] {
         return SavedText([](const std::string& path) {
           return SaveTimeStampFile(path, TimeStamp{4711, 1, 2, 3, 4, 5, 6});
         });
       },
       [](const std::string& path) {
         TimeStamp stamp;
         return LoadTimeStampFile(path, stamp);
       }});
  return readers;
}

// The name of the root element of an accepted file.
std::string RootName(const std::string& text) {
  size_t at = text.find("?>");
  at = text.find('<', at == std::string::npos ? 0 : at + 2);
  size_t end = text.find_first_of(" />", at + 1);
  return text.substr(at + 1, end - at - 1);
}

// Replaces the marker by `value`.
std::string WithValue(std::string text, const std::string& value) {
  size_t at = text.find(kMarker);
  if (at != std::string::npos) text.replace(at, std::strlen(kMarker), value);
  return text;
}

// Declares `subset` in a document type before the root and puts
// `reference` in place of the marker.
std::string WithDocumentType(const std::string& text, const std::string& subset,
                             const std::string& reference) {
  std::string result = WithValue(text, reference);
  size_t at = result.find("?>");
  at = at == std::string::npos ? 0 : at + 2;
  result.insert(at, "\n<!DOCTYPE " + RootName(text) + " [" + subset + "]>");
  return result;
}

struct HostileCase {
  const char* what;
  // Writes the hostile file made from an accepted file's text to `path`.
  void (*write)(const std::string& accepted, const std::string& path,
                const std::string& folder);
};

const HostileCase kHostileCases[] = {
    {"external file entity",
     [](const std::string& text, const std::string& path,
        const std::string& folder) {
       WriteFileBytes(folder + "/secret.txt", "4712");
       WriteFileBytes(path, WithDocumentType(text,
                                             "<!ENTITY s SYSTEM \"file://" +
                                                 folder + "/secret.txt\">",
                                             "&s;"));
     }},
    {"external entity over the network",
     [](const std::string& text, const std::string& path, const std::string&) {
       WriteFileBytes(
           path,
           WithDocumentType(text, "<!ENTITY n SYSTEM \"http://127.0.0.1:9/x\">",
                            "&n;"));
     }},
    {"billion laughs",
     [](const std::string& text, const std::string& path, const std::string&) {
       std::string subset = "<!ENTITY l0 \"ha\">";
       for (int i = 1; i <= 10; ++i) {
         subset += "<!ENTITY l" + std::to_string(i) + " \"";
         for (int j = 0; j < 10; ++j) {
           subset += "&l" + std::to_string(i - 1) + ";";
         }
         subset += "\">";
       }
       WriteFileBytes(path, WithDocumentType(text, subset, "&l10;"));
     }},
    {"file over the size cap",
     [](const std::string& text, const std::string& path, const std::string&) {
       // The accepted file, padded with zero bytes (a sparse file) to one byte
       // more than the streamed read's cap, and so over the DOM's too.
       WriteFileBytes(path, text);
       ResizeFile(path, platform::kMaxStreamedDocumentBytes + 1);
     }},
    {"11 MB text node",
     [](const std::string& text, const std::string& path, const std::string&) {
       WriteFileBytes(path, WithValue(text, std::string(11u << 20, '7')));
     }},
    {"100000 nested elements",
     [](const std::string& text, const std::string& path, const std::string&) {
       std::string nested;
       nested.reserve(100000 * 7);
       for (int i = 0; i < 100000; ++i) nested += "<n>";
       for (int i = 0; i < 100000; ++i) nested += "</n>";
       WriteFileBytes(path, WithValue(text, nested));
     }},
    {"invalid UTF-8",
     [](const std::string& text, const std::string& path, const std::string&) {
       WriteFileBytes(path, WithValue(text, "47\xC3\x28\xFF"));
     }},
    {"NUL bytes",
     [](const std::string& text, const std::string& path, const std::string&) {
       WriteFileBytes(path, WithValue(text, std::string("47\0\0"
                                                        "11",
                                                        6)));
     }},
};

void PrintTo(const HostileCase& c, std::ostream* os) { *os << c.what; }

class HostileInputTest : public ::testing::TestWithParam<HostileCase> {
 protected:
  void TearDown() override { EXPECT_EQ(platform::CoInitializeCount(), 0); }
};

TEST_P(HostileInputTest, EveryReaderRefusesCleanlyWithinBounds) {
  const HostileCase& c = GetParam();
  for (const Reader& reader : Readers()) {
    if (!RunsHere(reader.what)) continue;
    SCOPED_TRACE(reader.what);
    ScopedTempDir dir;
    const std::string accepted = reader.acceptedText();
    ASSERT_NE(accepted.find(kMarker), std::string::npos);
    WriteFileBytes(dir.File("accepted.xml"), accepted);
    c.write(accepted, dir.File("hostile.xml"), dir.path());

    std::string end = RunBounded(reader.what, [&] {
      auto read = [&](const std::string& path) {
        try {
          return reader.read(path) ? kAccepted : kRefused;
        } catch (const _com_error&) {
          return kRefused;
        } catch (int) {
          return kRefused;
        }
      };
      // The file without its hostile part is read, so a refusal below is
      // the hostile part's doing.
      if (read(dir.File("accepted.xml")) != kAccepted) {
        return kCleanFileNotRead;
      }
      return read(dir.File("hostile.xml"));
    });
    EXPECT_EQ(end, "exit 0") << "exit 10: accepted, 11: other error, "
                                "12: the accepted file was not read";
  }
}

INSTANTIATE_TEST_SUITE_P(Files, HostileInputTest,
                         ::testing::ValuesIn(kHostileCases));

}  // namespace
