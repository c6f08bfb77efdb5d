// Modal windows as a user meets them, through clicks and keys: a dialog comes
// up above the window it was opened from (full screen too) and keeps the
// keyboard while the user clicks the window that waits for it; the options
// dialog keeps the user's edits; a double click in the folder list leaves
// the keyboard with the picture.
#include "tests/e2e/ProgramTestSupport.h"

#include <algorithm>
#include <fstream>

#include "app/Settings.h"
#include "crypto/TCipherManager.h"
#include "crypto/THashManager.h"
#include "imaging/model/TIEBitmap.h"
#include "ui/TPageControl.h"

namespace {

// Where a window stands among the top-level windows, 0 on top.
size_t StackPosition(HWND Window) {
  size_t at = 0, found = SIZE_MAX;
  EnumWindows([&](HWND h) {
    if (h == Window) found = at;
    ++at;
    return true;
  });
  return found;
}

}  // namespace

// In full screen, the arrow key steps onto an encrypted picture: the
// pass-phrase dialog comes up above the full-screen window, belongs to it,
// and keeps the keyboard when the user clicks the picture behind it. A wrong
// phrase's message box does the same. Once the boxes are gone, the arrow
// keys and Escape work in full screen again.
TEST_F(ProgramTest, DialogsOpenedInFullScreenComeUpAboveItAndKeepTheKeyboard) {
  const std::string pics = dir_ + "/pics";
  if (!MakeImage(pics + "/a.png") || !MakeImage(dir_ + "/b.png", "xc:white", "30x20"))
    GTEST_SKIP() << "ImageMagick is not installed";
  EncryptFile(dir_ + "/b.png", pics + "/b.png", "RC4", "open sesame");
  StartProgram();
  frmMain->BrowseFolder(pics);
  ASSERT_EQ(frmMain->lvDirs->Items()->Item(2)->Caption(), "b.png");
  const TPoint a = ListEntry(1);
  DoubleClickAt(frmMain->lvDirs, a.X, a.Y);
  ASSERT_EQ(frmMain->Caption(), "Nobrivo 1.40 - [a.png]");

  // A dialog in front of the full-screen window: active, owned by it, above
  // it, its pass-phrase box focused; a click on the picture behind changes
  // none of that.
  auto inFront = [](TCustomForm* Dialog) {
    ASSERT_EQ(Screen->ActiveForm(), Dialog);
    EXPECT_EQ(GetWindow(Dialog->Handle(), GW_OWNER), frmFullScreen->Handle());
    EXPECT_LT(StackPosition(Dialog->Handle()), StackPosition(frmFullScreen->Handle()));
  };
  auto answer = [&](const std::string& Phrase) {
    return [&, Phrase] {
      inFront(frmPassword);
      ASSERT_TRUE(frmPassword->edPassword->Focused());
      ClickAt(frmFullScreen->Imago1, 10, 10);
      inFront(frmPassword);
      EXPECT_TRUE(frmPassword->edPassword->Focused());
      Type(Phrase);
      InjectKey(VK_RETURN, true);
      InjectKey(VK_RETURN, false);
    };
  };
  auto fullScreenHasTheKeys = [] {
    ASSERT_EQ(Screen->ActiveForm(), frmFullScreen);
    EXPECT_TRUE(frmFullScreen->Imago1->Focused());
  };
  WithSteps({[&] {
               fullScreenHasTheKeys();
               InjectKey(VK_RIGHT, true);
               InjectKey(VK_RIGHT, false);
             },
             answer("wrong"),
             [&] {
               EXPECT_EQ(MessageBoxText(), "Clave incorrecta, no se puede cargar la imagen");
               inFront(Screen->ActiveForm());
               ClickAt(frmFullScreen->Imago1, 10, 10);
               EXPECT_EQ(MessageBoxText(), "Clave incorrecta, no se puede cargar la imagen");
               InjectKey(VK_RETURN, true);
               InjectKey(VK_RETURN, false);
             },
             [&] {
               fullScreenHasTheKeys();
               EXPECT_EQ(frmMain->Caption(), "Nobrivo 1.40");
               InjectKey(VK_LEFT, true);
               InjectKey(VK_LEFT, false);
             },
             [&] {
               fullScreenHasTheKeys();
               EXPECT_EQ(frmMain->Caption(), "Nobrivo 1.40 - [a.png]");
               InjectKey(VK_RIGHT, true);
               InjectKey(VK_RIGHT, false);
             },
             answer("open sesame"),
             [&] {
               fullScreenHasTheKeys();
               EXPECT_EQ(frmMain->Caption(), "Nobrivo 1.40 - [b.png]");
               EXPECT_EQ(frmFullScreen->Imago1->GetIEBitmap()->Width(), 30) << "the opened picture shows full screen";
               InjectKey(VK_ESCAPE, true);
               InjectKey(VK_ESCAPE, false);
             }},
            [&] { ClickItem(frmMain->btnFullScreen); });
  EXPECT_FALSE(frmFullScreen->FIsOpen);
  EXPECT_FALSE(frmFullScreen->Visible());
  EXPECT_EQ(Screen->ActiveForm(), frmMain);
  EXPECT_EQ(GetWindow(frmPassword->Handle(), GW_OWNER), frmMain->Handle()) << "the dialog's own owner is back";
}

// The user edits an option, clicks the main window behind the dialog, then
// the dialog again: the dialog never lost the activation, so it neither
// turns back to its first page nor reloads the stored options.
TEST_F(ProgramTest, ClickingTheMainWindowBehindTheOptionsKeepsTheEdits) {
  StartProgram();
  ASSERT_TRUE(frmOptions->cbFitOnWindow->Checked());
  int32_t activations = 0;
  WithSteps({[&] {
              ASSERT_EQ(Screen->ActiveForm(), frmOptions);
              const TNotifyEvent shown = frmOptions->OnActivate;
              frmOptions->OnActivate = [&, shown](TObject* s) {
                ++activations;
                shown(s);
              };
              TPageControl* pages = frmOptions->PageControl1;
              const TRect tab = pages->TabRect(frmOptions->TabSheet2->PageIndex());
              ClickAt(pages, (tab.Left + tab.Right) / 2, (tab.Top + tab.Bottom) / 2);
              ASSERT_EQ(pages->ActivePage(), frmOptions->TabSheet2);
              ClickAt(frmOptions->cbFitOnWindow, 6, frmOptions->cbFitOnWindow->Height() / 2);
              ASSERT_FALSE(frmOptions->cbFitOnWindow->Checked());

              // A place of the main window that the dialog does not cover.
              ClickAt(frmMain->Imago1, frmMain->Imago1->Width() - 10, frmMain->Imago1->Height() - 10);
              EXPECT_EQ(Screen->ActiveForm(), frmOptions);
              ClickAt(frmOptions, 8, frmOptions->ClientHeight() - 8);
              EXPECT_EQ(Screen->ActiveForm(), frmOptions);
              EXPECT_EQ(pages->ActivePage(), frmOptions->TabSheet2);
              EXPECT_FALSE(frmOptions->cbFitOnWindow->Checked()) << "the edit is gone";
              EXPECT_EQ(activations, 0);
              ClickCentre(frmOptions->btnOK);
            }},
            [&] { ClickItem(frmMain->btnOptions); });
  EXPECT_FALSE(frmOptions->Visible());
  EXPECT_EQ(ReadRegInteger("Options", "FitOnWindow", 1), 0) << "the edit was saved";
}

// After a double click on a picture in the folder list, the keyboard is the
// picture's: the arrow keys step to the next picture (not the list's next
// column). A double click on a folder lists it without selecting whatever
// entry of the new listing lies under the pointer.
TEST_F(ProgramTest, ADoubleClickInTheFolderListIsOneAction) {
  const std::string pics = dir_ + "/pics";
  if (!MakeImage(pics + "/a.png", "xc:white") || !MakeImage(pics + "/b.png", "xc:white", "30x20"))
    GTEST_SKIP() << "ImageMagick is not installed";
  std::ofstream(pics + "/c.txt") << "c";
  // The folder's listing is longer than the double-clicked entry's place.
  fs::create_directory(pics + "/deeper");
  for (int i = 0; i < 6; ++i) std::ofstream(pics + "/deeper/d" + std::to_string(i) + ".txt") << "d";
  StartProgram();
  frmMain->BrowseFolder(pics);
  TListItems* items = frmMain->lvDirs->Items();
  ASSERT_EQ(items->Item(1)->Caption(), "a.png");
  ASSERT_EQ(items->Item(2)->Caption(), "b.png");
  ASSERT_EQ(items->Item(4)->Caption(), "deeper");

  const TPoint a = ListEntry(1);
  DoubleClickAt(frmMain->lvDirs, a.X, a.Y);
  EXPECT_EQ(frmMain->Caption(), "Nobrivo 1.40 - [a.png]");
  EXPECT_TRUE(frmMain->Imago1->Focused()) << "the focus stays in the folder list";
  PressKey(VK_RIGHT);
  EXPECT_EQ(frmMain->Caption(), "Nobrivo 1.40 - [b.png]");
  EXPECT_EQ(frmMain->lvDirs->ItemIndex(), 2);
  EXPECT_EQ(Status(1), "W: 30");

  const TPoint deeper = ListEntry(4);
  DoubleClickAt(frmMain->lvDirs, deeper.X, deeper.Y);
  ASSERT_EQ(frmMain->lvDirs->Items()->Count(), 7);
  ASSERT_EQ(frmMain->lvDirs->Items()->Item(0)->Caption(), "..");
  EXPECT_EQ(frmMain->lvDirs->ItemIndex(), -1) << "an entry of the new listing was selected";
}
