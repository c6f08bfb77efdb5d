#include "app/Program.h"

#include "app/ProgramPictures.h"
#include "app/TfrmFullScreen.h"
#include "app/TfrmMain.h"
#include "app/TfrmOptions.h"
#include "app/TfrmPassword.h"
#include "app/TfrmSplash.h"
#include "imaging/view/TfIOPreviews.h"
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
