#include "DialogTestPlatform.h"

#include "platform/Backend.h"
#include "ui/TApplication.h"

bool StartHeadlessControls() {
  ShutdownPlatform();
  if (!InitPlatformWith("headless")) return false;
  InitControls();
  return true;
}

void StopHeadlessControls() {
  DoneControls();
  ShutdownPlatform();
}
