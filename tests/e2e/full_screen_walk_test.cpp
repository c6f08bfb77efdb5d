// The full-screen window walked through the keys and the mouse it reacts
// to: the arrow keys step through the folder, other keys do nothing, the
// picture stays fitted under the mouse, and Escape or a double click end it.
// Each input is checked on the screen the user sees.
#include "tests/e2e/ProgramTestSupport.h"

#include "imaging/model/TIEBitmap.h"
#include "imaging/view/TImago.h"

namespace {

constexpr uint32_t kRed = 0xFF0000;
constexpr uint32_t kBlue = 0x0000FF;
constexpr uint32_t kGreen = 0x00FF00;

// One input in full screen and what the screen shows after it.
struct TInput {
  std::string What;
  std::function<void()> Do;
  std::function<void(const std::string& What)> Then;
};

class FullScreenWalk : public ProgramTest {
 protected:
  // a.png: 64 x 48 white with a red top-left quarter; b.png: blue;
  // c.png: green. The folder lists "..", a.png, b.png, c.png.
  bool MakePictures() {
    pics_ = dir_ + "/pics";
    return MakeImage(pics_ + "/a.png", "xc:white -fill red -draw 'rectangle 0,0 31,23'") &&
           MakeImage(pics_ + "/b.png", "xc:blue", "30x20") && MakeImage(pics_ + "/c.png", "xc:lime", "40x40");
  }
  // The program showing the entry at Index of the list, opened by a double
  // click on it.
  void StartOn(int32_t Index) {
    StartProgram();
    frmMain->BrowseFolder(pics_);
    const TPoint p = ListEntry(Index);
    DoubleClickAt(frmMain->lvDirs, p.X, p.Y);
  }
  // Runs the inputs in full screen, entered by a click on its button; each
  // input's check runs before the next input.
  void Walk(const std::vector<TInput>& Inputs) {
    std::vector<std::function<void()>> steps;
    for (size_t i = 0; i < Inputs.size(); ++i)
      steps.push_back([&Inputs, i] {
        if (i > 0) Inputs[i - 1].Then(Inputs[i - 1].What);
        Inputs[i].Do();
      });
    WithSteps(steps, [&] { ClickItem(frmMain->btnFullScreen); });
    Inputs.back().Then(Inputs.back().What);
  }
  static void Key(int32_t Vk) {
    InjectKey(Vk, true);
    InjectKey(Vk, false);
  }
  // The screen shows the named picture of the folder alone, full screen,
  // with the main window's title naming it.
  static std::function<void(const std::string&)> Showing(const std::string& Name, uint32_t Rgb, int32_t Width,
                                                         int32_t Height) {
    return [=](const std::string& What) {
      ASSERT_EQ(Screen->ActiveForm(), frmFullScreen) << What << ": full screen ended";
      EXPECT_TRUE(frmFullScreen->Imago1->Focused()) << What;
      EXPECT_EQ(frmMain->Caption(), "Nobrivo 1.40 - [" + Name + "]") << What;
      frmFullScreen->Repaint();
      Application->ProcessMessages();
      // Fitted to the screen and in its middle; the colour's part is
      // Width x Height.
      const TRect shown = ExtentOf(CopyScreen(), Rgb);
      EXPECT_NEAR(shown.Width(), Width, 1) << What << ": " << Name;
      EXPECT_NEAR(shown.Height(), Height, 1) << What << ": " << Name;
      if (Width != 512) { EXPECT_NEAR(shown.Left + shown.Right, 1024, 1) << What << ": " << Name << " off the middle"; }
    };
  }
  static void Ended(const std::string& What) {
    EXPECT_FALSE(frmFullScreen->Visible()) << What;
    EXPECT_FALSE(frmFullScreen->FIsOpen) << What;
    EXPECT_EQ(Screen->ActiveForm(), frmMain) << What;
    EXPECT_TRUE(frmMain->Imago1->Focused()) << What;
  }
  std::string pics_;
};

TEST_F(FullScreenWalk, ArrowKeysStepOtherKeysDoNothingAndEscapeEnds) {
  if (!MakePictures()) GTEST_SKIP() << "ImageMagick is not installed";
  StartOn(2);
  ASSERT_EQ(frmMain->Caption(), "Nobrivo 1.40 - [b.png]");
  const int32_t cursor = ShowCursor(true) - 1;
  ShowCursor(false);
  int32_t hidden = 0;
  std::vector<TInput> inputs = {
      {"enter", [] {}, Showing("b.png", kBlue, 1024, 683)},
      {"Right", [] { Key(VK_RIGHT); }, Showing("c.png", kGreen, 768, 768)},
      {"Right at the end", [] { Key(VK_RIGHT); }, Showing("c.png", kGreen, 768, 768)},
      {"Left", [] { Key(VK_LEFT); }, Showing("b.png", kBlue, 1024, 683)},
      {"Down", [] { Key(VK_DOWN); }, Showing("c.png", kGreen, 768, 768)},
      {"Up", [] { Key(VK_UP); }, Showing("b.png", kBlue, 1024, 683)},
      {"Up again", [] { Key(VK_UP); }, Showing("a.png", kRed, 512, 384)},
  };
  for (int32_t vk : std::vector<int32_t>{VK_SPACE, VK_RETURN, VK_HOME, VK_NEXT, 'A', VK_F1, VK_DELETE})
    inputs.push_back({"key " + std::to_string(vk), [vk] { Key(vk); }, Showing("a.png", kRed, 512, 384)});
  inputs.push_back({"cursor", [&] {
                      hidden = ShowCursor(true) - 1;
                      ShowCursor(false);
                    },
                    Showing("a.png", kRed, 512, 384)});
  inputs.push_back({"Escape", [] { Key(VK_ESCAPE); }, Ended});
  Walk(inputs);
  EXPECT_EQ(hidden, cursor - 1) << "the pointer shows over the full-screen picture";
  EXPECT_EQ(ShowCursor(true) - 1, cursor) << "the pointer did not come back";
  ShowCursor(false);
  EXPECT_EQ(frmMain->Caption(), "Nobrivo 1.40 - [a.png]");
}

// The mouse: the picture stays fitted to the screen, as the fitted view
// fits it again after every change, so clicks, a drag and the wheel leave
// it as it is; a double click ends full screen.
TEST_F(FullScreenWalk, ThePictureStaysFittedUnderTheMouseAndADoubleClickEnds) {
  if (!MakePictures()) GTEST_SKIP() << "ImageMagick is not installed";
  StartOn(1);
  ASSERT_EQ(frmMain->Caption(), "Nobrivo 1.40 - [a.png]");
  auto at = [](int32_t X, int32_t Y) { return frmFullScreen->Imago1->ClientToScreen(TPoint{X, Y}); };
  const auto fitted = Showing("a.png", kRed, 512, 384);
  const std::vector<TInput> inputs = {
      {"enter", [] {}, fitted},
      {"right click", [] { QueueClickAt(frmFullScreen->Imago1, 100, 100, VK_RBUTTON); }, fitted},
      {"left click", [] { QueueClickAt(frmFullScreen->Imago1, 100, 100, VK_LBUTTON); }, fitted},
      {"drag",
       [&] {
         InjectMouseMove(at(300, 300));
         InjectMouseButton(VK_LBUTTON, true);
         for (int i = 1; i <= 4; ++i) InjectMouseMove(at(300 + 20 * i, 300 + 16 * i));
         InjectMouseButton(VK_LBUTTON, false);
       },
       fitted},
      {"wheel", [] { InjectMouseWheel(120); }, fitted},
      {"double click",
       [&] {
         InjectMouseMove(at(500, 400));
         for (int i = 0; i < 2; ++i) {
           InjectMouseButton(VK_LBUTTON, true);
           InjectMouseButton(VK_LBUTTON, false);
           HeadlessAdvanceClock(50);
         }
       },
       Ended},
  };
  Walk(inputs);
  EXPECT_EQ(frmMain->Caption(), "Nobrivo 1.40 - [a.png]");
}

}  // namespace
