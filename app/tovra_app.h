// The updater's application object. The framework calls InitInstance once
// at start-up; it performs the whole update run and returns TRUE, and since
// no main window exists the process then exits with code 0.
#pragma once

#include "devseries/platform/app_framework.h"

class C_TOVRAApp : public devseries::platform::CWinApp {
 public:
  C_TOVRAApp() = default;

  // The update run: reads the user and installer records from the registry,
  // then writes the thirteen help pages and the device-series file below
  // the installation folder, one debug-output line per file. Every write is
  // attempted whatever happened before; results are not used.
  devseries::platform::BOOL InitInstance() override;
};
