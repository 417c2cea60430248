// Application framework: the single global application object registers
// itself when constructed; the framework's entry point (WinMain on Windows,
// main elsewhere: the object library devseries_entry, linked by the
// application) installs the interrupt clean-up and calls AfxWinMain, which
// calls its InitInstance and then runs the message loop, which ends at once
// when the application created no main window.
#pragma once

#include "devseries/platform/win_types.h"

namespace devseries::platform {

class CWnd;

class CWinApp {
 public:
  CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;
  virtual ~CWinApp();

  // Called once on the main thread; FALSE ends the program at once.
  virtual BOOL InitInstance();
  // The message loop: without a main window it posts the quit message with
  // code 0 and ends, returning ExitInstance().
  virtual int Run();
  virtual int ExitInstance();

  CWnd* m_pMainWnd = nullptr;
};

// The registered application object, or null.
CWinApp* AfxGetApp();

// The framework's entry code: InitInstance, then Run. The command line is
// ignored. Returns the process exit code.
int AfxWinMain(int argc, char** argv);

}  // namespace devseries::platform
