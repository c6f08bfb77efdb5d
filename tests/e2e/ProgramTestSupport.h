#pragma once
// The real program's windows on the headless backend, with settings in a
// temporary folder, fixture images made by ImageMagick, and helpers that run
// steps inside the program's modal loops.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "app/TAppImago.h"
#include "app/Program.h"
#include "app/TfrmFullScreen.h"
#include "app/TfrmMain.h"
#include "app/TfrmOptions.h"
#include "app/TfrmPassword.h"
#include "app/TfrmSplash.h"
#include "crypto/TCipherManager.h"
#include "crypto/THashManager.h"
#include "platform/Backend.h"
#include "platform/Input.h"
#include "platform/SysInfo.h"
#include "toolbar/TTBKButton.h"
#include "toolbar/TTBKCheckBox.h"
#include "toolbar/TTBKItem.h"
#include "toolbar/TTBKStatusBar.h"
#include "toolbar/TTBKToolbar.h"
#include "ui/TListView.h"
#include "ui/TButton.h"
#include "ui/TComboBox.h"
#include "ui/TEdit.h"
#include "ui/TTimer.h"
#include "ui/TApplication.h"
#include "ui/TLabel.h"
#include "ui/TScreen.h"
#include "tests/ui/ModalSteps.h"

namespace fs = std::filesystem;

inline std::string ReadFileBytes(const std::string& Path) {
  std::ifstream in(Path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::vector<std::string> FolderEntries(const std::string& Dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(Dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// The smallest rectangle holding every pixel of one colour (0xRRGGBB) in a
// copy of the screen or of a window; empty when none has it.
inline TRect ExtentOf(const Surface& S, uint32_t Rgb) {
  TRect r{S.Width(), S.Height(), 0, 0};
  for (int32_t y = 0; y < S.Height(); ++y)
    for (int32_t x = 0; x < S.Width(); ++x)
      if ((S.At(x, y) & 0xFFFFFF) == Rgb) {
        r.Left = std::min(r.Left, x);
        r.Top = std::min(r.Top, y);
        r.Right = std::max(r.Right, x + 1);
        r.Bottom = std::max(r.Bottom, y + 1);
      }
  return r.Left < r.Right ? r : TRect{0, 0, 0, 0};
}

// Encrypts a picture as the program's encrypted-save road does.
inline void EncryptFile(const std::string& Plain, const std::string& Coded, const std::string& Cipher,
                        const std::string& Phrase) {
  THashManager hash(nullptr);
  TCipherManager cipher(nullptr);
  cipher.SetHashManager(&hash);
  cipher.SetAlgorithm(Cipher);
  cipher.InitKey(Phrase, nullptr);
  cipher.EncodeFile(Plain, Coded);
  cipher.SetHashManager(nullptr);
}

class ProgramTest : public ::testing::Test {
 protected:
  std::string dir_;     // work folder of the test
  std::string config_;  // the settings store's folder

  void SetUp() override {
    char tmpl[] = "/tmp/nobrivo-e2e-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    config_ = dir_ + "/config";
    fs::create_directory(config_);
    fs::create_directory(dir_ + "/pics");
    setenv("NOBRIVO_CONFIG_DIR", config_.c_str(), 1);
    setenv("LANG", "C", 1);
    ShutdownPlatform();
    ASSERT_TRUE(InitPlatformWith("headless"));
    HeadlessSetScreenSize(1024, 768);
    HeadlessSetClock(1000);
    // As on a desktop: a click on a window focuses it through the window
    // manager before the program sees the press.
    HeadlessSetClickToFocus(true);
    // Popups show whole at once: the headless clock moves only when a test
    // moves it, so a sliding popup would stay hidden from the clicks that
    // follow. The slide itself is tested with the toolbar.
    SystemParametersInfo(SPI_SETMENUANIMATION, 0, nullptr, 0);
    InitControls();
  }

  void StartProgram() {
    CreateProgramWindows();
    frmMain->Show();
    Pump();
  }

  void TearDown() override {
    HeadlessSetIdleHandler(nullptr);
    DoneControls();
    ShutdownPlatform();
    frmMain = nullptr;
    frmPassword = nullptr;
    frmOptions = nullptr;
    frmFullScreen = nullptr;
    frmSplash = nullptr;
    unsetenv("NOBRIVO_CONFIG_DIR");
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  void Pump() { Application->ProcessMessages(); }

  // A user's click at a client point of a control, and a key pressed and
  // released, through the backend's input.
  void ClickAt(TControl* C, int32_t X, int32_t Y, int32_t Button = VK_LBUTTON) {
    QueueClickAt(C, X, Y, Button);
    Pump();
  }
  // The same click left in the queue, for a step inside a menu loop, which
  // takes its input from the queue itself.
  static void QueueClickAt(TControl* C, int32_t X, int32_t Y, int32_t Button = VK_LBUTTON) {
    InjectMouseMove(C->ClientToScreen(TPoint{X, Y}));
    InjectMouseButton(Button, true);
    InjectMouseButton(Button, false);
  }
  // A press at one client point of a control, the pointer moved to another
  // in a few steps, and the release there.
  // Both points are taken where the control is at the press: a dragged
  // control may move under the pointer.
  void DragOn(TControl* C, TPoint From, TPoint To) {
    const TPoint from = C->ClientToScreen(From), to = C->ClientToScreen(To);
    InjectMouseMove(from);
    InjectMouseButton(VK_LBUTTON, true);
    Pump();
    for (int i = 1; i <= 4; ++i) {
      InjectMouseMove(TPoint{from.X + (to.X - from.X) * i / 4, from.Y + (to.Y - from.Y) * i / 4});
      Pump();
    }
    InjectMouseButton(VK_LBUTTON, false);
    Pump();
  }
  void ClickCentre(TControl* C) { ClickAt(C, C->Width() / 2, C->Height() / 2); }
  // Two clicks at one point, well within the double-click time.
  void DoubleClickAt(TControl* C, int32_t X, int32_t Y) {
    InjectMouseMove(C->ClientToScreen(TPoint{X, Y}));
    for (int i = 0; i < 2; ++i) {
      InjectMouseButton(VK_LBUTTON, true);
      InjectMouseButton(VK_LBUTTON, false);
      HeadlessAdvanceClock(50);
    }
    Pump();
  }
  // A click on an item of the main window's toolbar.
  void ClickItem(TTBKItem* Item) {
    const TRect r = frmMain->TBKToolbar1->ItemRect(Item);
    ClickAt(frmMain->TBKToolbar1, (r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
  }
  // The middle of an entry of the folder list, in the list's client
  // coordinates.
  static TPoint ListEntry(int32_t Index) {
    const TRect r = frmMain->lvDirs->ItemRect(Index);
    return TPoint{r.Left + 20, (r.Top + r.Bottom) / 2};
  }
  // Text typed on the keyboard, character by character.
  static void Type(const std::string& Text) {
    for (unsigned char c : Text) InjectChar(c);
  }
  void PressKey(int32_t Vk) {
    InjectKey(Vk, true);
    InjectKey(Vk, false);
    Pump();
  }
  // A key pressed while a modifier (VK_MENU, VK_CONTROL, VK_SHIFT) is held.
  void PressWith(int32_t Modifier, int32_t Vk) {
    InjectKey(Modifier, true);
    InjectKey(Vk, true);
    InjectKey(Vk, false);
    InjectKey(Modifier, false);
    Pump();
  }
  // A step for the file dialog in front: the name typed over what its name
  // box holds, and Enter.
  static std::function<void()> TypeFileName(const std::string& Name) {
    return [Name] {
      TCustomForm* f = Screen->ActiveForm();
      ASSERT_NE(f, nullptr);
      auto* edit = dynamic_cast<TEdit*>(f->FindComponent("FileNameEdit"));
      ASSERT_NE(edit, nullptr) << "no file dialog in front";
      ASSERT_TRUE(edit->Focused());
      InjectKey(VK_CONTROL, true);
      InjectKey('A', true);
      InjectKey('A', false);
      InjectKey(VK_CONTROL, false);
      Type(Name);
      InjectKey(VK_RETURN, true);
      InjectKey(VK_RETURN, false);
    };
  }

  // Makes an image file with ImageMagick; false when it is not installed.
  bool MakeImage(const std::string& Path, const std::string& Spec = "gradient:red-blue",
                 const std::string& Size = "64x48") {
    if (access("/usr/bin/convert", X_OK) != 0) return false;
    const std::string cmd = "/usr/bin/convert -size " + Size + " " + Spec + " -density 72 -units PixelsPerInch '" +
                            Path + "' 2>/dev/null";
    return std::system(cmd.c_str()) == 0 && fs::exists(Path);
  }

  // Runs Body; each time a modal loop would wait, the next step runs. Every
  // step must have run by the end.
  void WithSteps(std::vector<std::function<void()>> Steps, const std::function<void()>& Body) {
    EXPECT_EQ(RunModalSteps(Steps, Body), Steps.size()) << "steps left over";
  }

  // The text of the message box in front, or empty when none shows.
  static std::string MessageBoxText() {
    TCustomForm* f = Screen->ActiveForm();
    if (!f) return "";
    if (auto* l = dynamic_cast<TLabel*>(f->FindComponent("Message"))) return l->Caption();
    return "";
  }
  static void CloseActive(TModalResult Result) {
    if (TCustomForm* f = Screen->ActiveForm()) f->SetModalResult(Result);
  }

  // The pass-phrase dialog's answer: a cipher, a phrase, Remember, OK.
  static std::function<void()> AnswerPassword(int32_t Cipher, const std::string& Phrase, bool Remember = false) {
    return [=] {
      ASSERT_EQ(Screen->ActiveForm(), frmPassword);
      frmPassword->cbCipher->SetItemIndex(Cipher);
      frmPassword->edPassword->SetText(Phrase);
      frmPassword->cbRemember->SetChecked(Remember);
      frmPassword->TBKButton1->Click();
    };
  }

  void UseFileDialogs(const std::string& OpenName, const std::string& SaveName) {
    frmMain->OpenDialogExecute = [OpenName](std::string& n) {
      n = OpenName;
      return true;
    };
    frmMain->SaveDialogExecute = [SaveName](std::string& n) {
      n = SaveName;
      return true;
    };
  }

  static std::string Status(int32_t i) { return frmMain->TBKStatusBar->Panels()->PanelAt(i)->Caption(); }
};
