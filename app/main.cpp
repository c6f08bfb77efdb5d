// The program: start the platform, create the windows, run the message loop.
#include <cstdio>
#include <string>

#include "app/Program.h"
#include "panels/UxStyles.h"
#include "platform/Backend.h"
#include "platform/Process.h"
#include "toolbar/TTBKTheme.h"
#include "ui/TApplication.h"

int main() {
  // Before anything holds a pixel or a phrase: no core file, no attaching.
  ProtectProcessMemory();
  std::string reason;
  if (!InitPlatform(&reason)) {
    std::fprintf(stderr, "nobrivo: %s\n", reason.c_str());
    return 1;
  }
  QuitOnTerminationSignals();
  InitControls();
  StartThemes();
  PanelsStartUp();
  CreateProgramWindows();
  Application->Run();
  PanelsShutDown();
  DoneControls();
  StopThemes();
  ShutdownPlatform();
  return 0;
}
