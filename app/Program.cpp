#include "app/Program.h"

#include "app/ProgramPictures.h"
#include "app/TfrmFullScreen.h"
#include "app/TfrmMain.h"
#include "app/TfrmOptions.h"
#include "app/TfrmPassword.h"
#include "app/TfrmSplash.h"
#include "imaging/view/TfIOPreviews.h"
#include "panels/UxStyles.h"
#include "platform/Backend.h"
#include "platform/Process.h"
#include "toolbar/TTBKTheme.h"
#include "ui/TApplication.h"
#include "ui/TNotebook.h"

void CreateProgramWindows() {
  RegisterProgramPictures();
  RegisterIOPreviewsDialog();
  frmSplash = new TfrmSplash(Application);
  frmSplash->Notebook1->SetActivePage("About");
  frmSplash->SetTag(100);
  frmSplash->Show();
  frmSplash->Update();

  Application->Initialize();
  Application->SetTitle(kTitle);
  Application->CreateForm(frmMain);
  Application->CreateForm(frmPassword);
  Application->CreateForm(frmOptions);
  Application->CreateForm(frmFullScreen);
}

bool StartProgram(std::string* Reason) {
  // Before anything holds a pixel or a phrase: no core file, no attaching.
  ProtectProcessMemory();
  if (!InitPlatform(Reason)) return false;
  QuitOnTerminationSignals();
  InitControls();
  StartThemes();
  PanelsStartUp();
  CreateProgramWindows();
  return true;
}

void EndProgram() {
  PanelsShutDown();
  DoneControls();
  StopThemes();
  ShutdownPlatform();
}
