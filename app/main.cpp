// The program: start the platform, create the windows, run the message loop.
#include <cstdio>
#include <string>

#include "app/Program.h"
#include "panels/UxStyles.h"
#include "platform/Backend.h"
#include "toolbar/TTBKTheme.h"
#include "ui/TApplication.h"

int main() {
  std::string reason;
  if (!InitPlatform(&reason)) {
    std::fprintf(stderr, "nobrivo: %s\n", reason.c_str());
    return 1;
  }
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
