// Every control of the options dialog, the pass-phrase dialog and the about
// box, reached the way a user reaches it: a pointer press at the control's
// place on the screen or a key, and what the user then sees or gets (the
// stored options, the dialog's answer, the saved or opened picture, the
// message shown).
#include "tests/e2e/ProgramTestSupport.h"

#include <stdlib.h>

#include "app/CipherList.h"
#include "app/Settings.h"
#include "crypto/TCipherManager.h"
#include "crypto/THashManager.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/view/TImago.h"
#include "panels/TUxPanel.h"
#include "ui/TPageControl.h"
#include "ui/TTrackBar.h"

namespace {

// The screen point of a window's close box, found the way the window
// manager finds it: by asking the frame what lies under a point of the
// title bar.
TPoint CloseBoxPoint(HWND Window) {
  TRect r{};
  GetWindowRect(Window, r);
  for (int32_t y = r.Top + 2; y < r.Top + 30; ++y)
    for (int32_t x = r.Right - 2; x > r.Right - 60; --x)
      if (SendMessage(Window, WM_NCHITTEST, 0, MAKELPARAM(x, y)) == HTCLOSE) return TPoint{x - 3, y + 3};
  return TPoint{-1, -1};
}

void ClickScreen(TPoint P) {
  InjectMouseMove(P);
  InjectMouseButton(VK_LBUTTON, true);
  InjectMouseButton(VK_LBUTTON, false);
  Application->ProcessMessages();
}

void PressKeys(std::initializer_list<int32_t> Held, int32_t Vk) {
  for (int32_t h : Held) InjectKey(h, true);
  InjectKey(Vk, true);
  InjectKey(Vk, false);
  for (auto it = std::rbegin(Held); it != std::rend(Held); ++it) InjectKey(*it, false);
  Application->ProcessMessages();
}

// Whether a file decrypts, under a cipher and a phrase, to a PNG file.
bool DecryptsToPng(const std::string& Coded, const std::string& Cipher, const std::string& Phrase,
                   const std::string& Scratch) {
  THashManager hash(nullptr);
  TCipherManager cipher(nullptr);
  cipher.SetHashManager(&hash);
  cipher.SetAlgorithm(Cipher);
  cipher.InitKey(Phrase, nullptr);
  cipher.DecodeFile(Coded, Scratch);
  cipher.SetHashManager(nullptr);
  const std::string head = ReadFileBytes(Scratch).substr(0, 8);
  std::remove(Scratch.c_str());
  return head == std::string("\x89PNG\r\n\x1a\n", 8);
}

}  // namespace

class DialogControls : public ProgramTest {
 protected:
  // Text typed on the keyboard, and handled.
  void TypeText(const std::string& Text) {
    Type(Text);
    Pump();
  }
  // Drops the combo box down with a click and clicks the row of Index in
  // its list; Index must be among the rows the list shows.
  void ChooseByPointer(TComboBox* Box, int32_t Index) {
    ClickCentre(Box);
    TComboListBox* list = Box->ListBox();
    ASSERT_NE(list, nullptr) << "the list did not drop down";
    const int32_t row = Index - list->TopIndex();
    ASSERT_GE(row, 0);
    ASSERT_LT(row, list->VisibleRows());
    ClickAt(list, 20, row * list->ItemHeight() + list->ItemHeight() / 2 + 1);
    EXPECT_EQ(Box->ListBox(), nullptr) << "the list stayed down";
  }
  void ClickTab(TTabSheet* Page) {
    TPageControl* pages = frmOptions->PageControl1;
    const TRect tab = pages->TabRect(Page->PageIndex());
    ClickAt(pages, (tab.Left + tab.Right) / 2, (tab.Top + tab.Bottom) / 2);
    ASSERT_EQ(pages->ActivePage(), Page);
  }
  void ClickBox(TTBKCheckBox* Box) { ClickAt(Box, 6, Box->Height() / 2); }
  // A drag of the track bar's thumb to the place of a position.
  void DragThumb(TTrackBar* Bar, int32_t To) {
    const int32_t y = ThumbRow(Bar);
    InjectMouseMove(Bar->ClientToScreen(TPoint{Bar->PositionToPixel(Bar->Position()), y}));
    InjectMouseButton(VK_LBUTTON, true);
    InjectMouseMove(Bar->ClientToScreen(TPoint{Bar->PositionToPixel(To), y}));
    InjectMouseButton(VK_LBUTTON, false);
    Pump();
  }
  // A row through the thumb: with the ticks on top the channel lies in
  // the lower part of the bar.
  static int32_t ThumbRow(TTrackBar* Bar) {
    return Bar->TickMarks() == tmTopLeft ? Bar->Height() - 18 : Bar->Height() / 2;
  }
};

// The options dialog, page by page: each tab shows its page, each control
// changes what its caption says, and OK stores exactly what shows, the
// pass-phrase dialog's cipher following at once. Cancel stores nothing and
// the next showing reloads the stored options on the first page.
TEST_F(DialogControls, EveryOptionsControlStoresWhatItShows) {
  StartProgram();
  WithSteps({[&] {
              ASSERT_EQ(Screen->ActiveForm(), frmOptions);
              EXPECT_EQ(frmOptions->PageControl1->ActivePage(), frmOptions->TabSheet1);
              EXPECT_TRUE(frmOptions->Label1->Showing());
              // Cipher: a row of the dropped list, then the keyboard's End.
              ChooseByPointer(frmOptions->cbCipher, frmOptions->cbCipher->ItemIndex() + 2);
              EXPECT_EQ(frmOptions->cbCipher->Text(), kCipherNames[kDefaultCipher + 2]);
              PressKey(VK_END);
              EXPECT_EQ(frmOptions->cbCipher->Text(), "Twofish");

              ClickTab(frmOptions->TabSheet2);
              for (TTBKCheckBox* b : {frmOptions->cbFitOnWindow, frmOptions->cbMaxScreen}) {
                ASSERT_TRUE(b->Showing());
                ASSERT_TRUE(b->Checked());
                ClickBox(b);
              }
              ClickTab(frmOptions->TabSheet3);
              for (TTBKCheckBox* b : {frmOptions->cbHideSecret, frmOptions->cbRemember}) {
                ASSERT_TRUE(b->Showing());
                ClickBox(b);
              }
              ClickTab(frmOptions->TabSheet4);
              EXPECT_TRUE(frmOptions->Label2->Showing());
              TTrackBar* q = frmOptions->TBQualityJPG;
              ASSERT_EQ(q->Position(), 100);
              DragThumb(q, 50);
              EXPECT_EQ(q->Position(), 50);
              EXPECT_TRUE(q->Focused());
              PressKey(VK_LEFT);
              EXPECT_EQ(q->Position(), 49);
              ClickCentre(frmOptions->btnOK);
            }},
            [&] { ClickItem(frmMain->btnOptions); });
  EXPECT_FALSE(frmOptions->Visible());
  const struct {
    const char* Name;
    int32_t Stored;
  } stored[] = {{"Default Cipher", 37}, {"FitOnWindow", 0}, {"MaxScreen", 0},
                {"HideSecret", 0},      {"Remember", 1},    {"JPG_Quality", 49}};
  for (const auto& s : stored) EXPECT_EQ(ReadRegInteger("Options", s.Name, -5), s.Stored) << s.Name;
  EXPECT_EQ(frmPassword->cbCipher->Text(), "Twofish");

  // Cancel, by its button and by the close box: nothing stored, and the
  // next showing is back on the first page with the stored options.
  for (const bool byCloseBox : {false, true}) {
    WithSteps({[&] {
                ASSERT_EQ(Screen->ActiveForm(), frmOptions);
                EXPECT_EQ(frmOptions->PageControl1->ActivePage(), frmOptions->TabSheet1);
                EXPECT_EQ(frmOptions->cbCipher->ItemIndex(), 37);
                // The list dropped by a click, its first row chosen by keys.
                ClickCentre(frmOptions->cbCipher);
                PressKey(VK_HOME);
                PressKey(VK_RETURN);
                EXPECT_EQ(frmOptions->cbCipher->ItemIndex(), 0);
                ClickTab(frmOptions->TabSheet2);
                EXPECT_FALSE(frmOptions->cbFitOnWindow->Checked());
                ClickBox(frmOptions->cbFitOnWindow);
                if (byCloseBox) {
                  const TPoint close = CloseBoxPoint(frmOptions->Handle());
                  ASSERT_GE(close.X, 0) << "no close box";
                  ClickScreen(close);
                } else {
                  ClickCentre(frmOptions->btnCancel);
                }
              }},
              [&] { ClickItem(frmMain->btnOptions); });
    EXPECT_FALSE(frmOptions->Visible()) << byCloseBox;
    EXPECT_EQ(ReadRegInteger("Options", "Default Cipher", -5), 37) << byCloseBox;
    EXPECT_EQ(ReadRegInteger("Options", "FitOnWindow", -5), 0) << byCloseBox;
  }
}

// The pass-phrase dialog on its own: each way to answer it gives the
// answer its caption promises, and each check box does what it says.
TEST_F(DialogControls, PassPhraseDialogAnswersAsItsControlsSay) {
  StartProgram();
  // Cancel by its button empties the phrase box; the close box answers
  // Cancel and leaves the box to the caller.
  struct Case {
    const char* What;
    std::function<void()> Answer;
    TModalResult Result;
    const char* Left;  // the phrase box's text afterwards
  };
  const Case cases[] = {
      {"OK button", [&] { ClickCentre(frmPassword->TBKButton1); }, mrOk, "phrase"},
      {"Enter in the phrase box", [&] { PressKey(VK_RETURN); }, mrOk, "phrase"},
      {"Alt+O", [&] { PressKeys({VK_MENU}, 'O'); }, mrOk, "phrase"},
      {"Cancel button", [&] { ClickCentre(frmPassword->TBKButton2); }, mrCancel, ""},
      {"Alt+C", [&] { PressKeys({VK_MENU}, 'C'); }, mrCancel, ""},
      {"close box",
       [&] {
         const TPoint close = CloseBoxPoint(frmPassword->Handle());
         ASSERT_GE(close.X, 0) << "no close box";
         ClickScreen(close);
       },
       mrCancel, "phrase"},
  };
  for (const Case& c : cases) {
    TModalResult result = mrNone;
    WithSteps({[&] {
                ASSERT_EQ(Screen->ActiveForm(), frmPassword) << c.What;
                EXPECT_TRUE(frmPassword->edPassword->Focused()) << c.What;
                TypeText("phrase");
                ASSERT_EQ(frmPassword->edPassword->Text(), "phrase");
                c.Answer();
              }},
              [&] { result = frmPassword->ShowModal(); });
    EXPECT_EQ(result, c.Result) << c.What;
    EXPECT_FALSE(frmPassword->Visible()) << c.What;
    EXPECT_EQ(frmPassword->edPassword->Text(), c.Left) << c.What;
  }

  // The cipher by pointer; "Hide secret phrase" shows the phrase in clear
  // and keeps that to the next showing; "Remember" brings the phrase back.
  WithSteps({[&] {
              ASSERT_EQ(frmPassword->cbCipher->ItemIndex(), kDefaultCipher);
              ChooseByPointer(frmPassword->cbCipher, kDefaultCipher + 1);
              EXPECT_EQ(frmPassword->cbCipher->Text(), "RC5");
              ASSERT_EQ(frmPassword->edPassword->PasswordChar(), '#');
              ClickAt(frmPassword->cbHideSecret, 6, 8);
              EXPECT_FALSE(frmPassword->cbHideSecret->Checked());
              EXPECT_EQ(frmPassword->edPassword->PasswordChar(), 0) << "the phrase is still masked";
              ClickAt(frmPassword->cbRemember, 6, 8);
              EXPECT_TRUE(frmPassword->cbRemember->Checked());
              ClickCentre(frmPassword->edPassword);
              TypeText("kept");
              ClickCentre(frmPassword->TBKButton1);
            },
             [&] {
               EXPECT_EQ(frmPassword->cbCipher->Text(), "RC5");
               EXPECT_EQ(frmPassword->edPassword->Text(), "kept");
               EXPECT_EQ(frmPassword->edPassword->PasswordChar(), 0);
               ClickAt(frmPassword->cbHideSecret, 6, 8);
               EXPECT_EQ(frmPassword->edPassword->PasswordChar(), '#');
               // The "Options" bar's button folds the check boxes away and
               // brings them back.
               TUxPanel* options = frmPassword->UxPanel2;
               ClickAt(options, options->Width() - 10, 10);
               EXPECT_TRUE(options->Collaps());
               EXPECT_FALSE(frmPassword->cbRemember->Showing());
               ClickAt(options, options->Width() - 10, 10);
               EXPECT_FALSE(options->Collaps());
               EXPECT_TRUE(frmPassword->cbRemember->Showing());
               ClickCentre(frmPassword->TBKButton2);
             }},
            [&] {
              EXPECT_EQ(frmPassword->ShowModal(), mrOk);
              EXPECT_EQ(frmPassword->ShowModal(), mrCancel);
            });
}

// Both roads through the pass-phrase dialog, driven by the user: saving
// encrypted under a cipher chosen with the pointer, opening that file with
// a wrong phrase (a message, no picture), then with the right one.
TEST_F(DialogControls, PassPhraseDialogOnTheSaveAndOpenRoads) {
  const std::string photo = dir_ + "/pics/photo.png";
  if (!MakeImage(photo, "gradient:red-blue", "40x30")) GTEST_SKIP() << "ImageMagick is not installed";
  const std::string secret = dir_ + "/secret.png";
  StartProgram();
  // A picture of many colours, read back the same.
  auto showsPhoto = [] {
    const TRGB p = frmMain->Imago1->GetIEBitmap()->GetPixelRGB(5, 5);
    return frmMain->Imago1->GetIEBitmap()->Width() == 40 && p.r > 100 && p.b < 100;
  };
  UseFileDialogs(photo, secret);
  ClickItem(frmMain->btnLoad);
  ASSERT_TRUE(showsPhoto());

  WithSteps({[&] {
              ASSERT_EQ(Screen->ActiveForm(), frmPassword);
              ChooseByPointer(frmPassword->cbCipher, kDefaultCipher - 1);
              ASSERT_EQ(frmPassword->cbCipher->Text(), "RC2");
              ClickCentre(frmPassword->edPassword);
              TypeText("open sesame");
              ClickCentre(frmPassword->TBKButton1);
            }},
            [&] { ClickItem(frmMain->btnSaveCrypted); });
  ASSERT_TRUE(fs::exists(secret));
  EXPECT_TRUE(DecryptsToPng(secret, "RC2", "open sesame", dir_ + "/check"));
  EXPECT_FALSE(DecryptsToPng(secret, "RC4", "open sesame", dir_ + "/check"));

  ClickItem(frmMain->btnClear);
  ASSERT_FALSE(showsPhoto());
  UseFileDialogs(secret, secret);
  WithSteps({[&] {
               ASSERT_EQ(Screen->ActiveForm(), frmPassword);
               EXPECT_EQ(frmPassword->cbCipher->Text(), "RC2") << "the dialog keeps its cipher";
               TypeText("wrong");
               ClickCentre(frmPassword->TBKButton1);
             },
             [&] {
               EXPECT_EQ(MessageBoxText(), kWrongPhraseText);
               PressKey(VK_RETURN);
             }},
            [&] { ClickItem(frmMain->btnLoad); });
  EXPECT_FALSE(showsPhoto()) << "a picture from a wrong phrase";
  WithSteps({[&] {
              ASSERT_EQ(Screen->ActiveForm(), frmPassword);
              TypeText("open sesame");
              ClickCentre(frmPassword->TBKButton1);
            }},
            [&] { ClickItem(frmMain->btnLoad); });
  EXPECT_EQ(frmMain->Caption(), "Nobrivo 1.40 - [secret.png]");
  EXPECT_TRUE(showsPhoto());
}

// The about box: the address label opens the address with the desktop's
// opener, or says why it could not; Close closes the box.
TEST_F(DialogControls, AboutBoxLinkAndCloseDoWhatTheySay) {
  StartProgram();
  const std::string opened = dir_ + "/opened";
  const std::string opener = dir_ + "/opener";
  {
    std::ofstream s(opener);
    s << "#!/bin/sh\nprintf '%s' \"$1\" > '" << opened << "'\n";
  }
  fs::permissions(opener, fs::perms::owner_all);
  const struct {
    std::string Opener;
    std::string Message;  // empty: no message box
  } cases[] = {
      {opener, ""},
      {dir_ + "/missing-opener", "Error (2) : Didn't find the file, please verify installation"},
  };
  for (const auto& c : cases) {
    setenv("NOBRIVO_OPENER", c.Opener.c_str(), 1);
    auto close = [this] {
      ASSERT_EQ(Screen->ActiveForm(), frmSplash) << "the about box is not in front";
      ClickCentre(frmSplash->BtnClose);
    };
    std::vector<std::function<void()>> steps{[&] {
      ASSERT_NE(frmSplash, nullptr);
      ASSERT_EQ(Screen->ActiveForm(), frmSplash);
      ClickCentre(frmSplash->lblKestrana);
      if (c.Message.empty()) close();
    }};
    if (!c.Message.empty()) {
      steps.push_back([&] {
        EXPECT_EQ(MessageBoxText(), c.Message);
        PressKey(VK_RETURN);
      });
      steps.push_back(close);
    }
    WithSteps(steps, [&] { ClickItem(frmMain->btnAbout); });
    EXPECT_EQ(frmSplash, nullptr) << "the about box stayed";
  }
  unsetenv("NOBRIVO_OPENER");
  // The opener runs on its own; the address reaches it whole.
  for (int i = 0; i < 200 && !fs::exists(opened); ++i) usleep(10000);
  EXPECT_EQ(ReadFileBytes(opened), kMakerAddress);
}
