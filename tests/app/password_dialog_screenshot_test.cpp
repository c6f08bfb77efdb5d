// The pass-phrase dialog shown by the SDL backend on a virtual X server and
// photographed from the X screen: the upper panel's gradient, the lower
// panel's caption bar with its collapse button, collapsed and expanded. The
// test starts itself again under xvfb-run; without xvfb-run or import it is
// skipped.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "app/TfrmPassword.h"
#include "panels/TUxPanel.h"
#include "platform/Backend.h"
#include "toolbar/TTBKCheckBox.h"
#include "ui/TApplication.h"
#include "ui/TPanel.h"

namespace {

constexpr const char* kInner = "NOBRIVO_PASSWORD_SHOT";

struct TImage {
  int32_t Width = 0, Height = 0;
  std::vector<uint8_t> Rgb;
  uint32_t At(int32_t x, int32_t y) const {
    if (x < 0 || y < 0 || x >= Width || y >= Height) return 0xFFFFFFFFu;
    const uint8_t* p = &Rgb[(size_t(y) * size_t(Width) + size_t(x)) * 3];
    return (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
  }
};

// The X screen as import writes it (binary PPM, 8 or 16 bits a sample).
bool Shoot(const std::string& Path, TImage& Img) {
  if (std::system(("/usr/bin/import -window root 'ppm:" + Path + "'").c_str()) != 0) return false;
  std::ifstream in(Path, std::ios::binary);
  std::string magic;
  int maxval = 0;
  in >> magic >> Img.Width >> Img.Height >> maxval;
  if (!in || magic != "P6" || (maxval != 255 && maxval != 65535) || Img.Width <= 0 || Img.Height <= 0 ||
      Img.Width > 10000 || Img.Height > 10000)
    return false;
  in.get();
  const size_t samples = size_t(Img.Width) * size_t(Img.Height) * 3, bytes = maxval == 255 ? 1 : 2;
  std::vector<uint8_t> raw(samples * bytes);
  in.read(reinterpret_cast<char*>(raw.data()), std::streamsize(raw.size()));
  if (!in) return false;
  Img.Rgb.resize(samples);
  for (size_t i = 0; i < samples; ++i) Img.Rgb[i] = raw[i * bytes];
  return true;
}

uint32_t Rgb(TColor c) {
  const COLORREF r = ColorToRGB(c);
  return ((r & 0xFF) << 16) | (r & 0xFF00) | ((r >> 16) & 0xFF);
}

std::string Hex(uint32_t v) {
  char b[16];
  std::snprintf(b, sizeof b, "%06X", v);
  return b;
}

void Settle() {
  for (int i = 0; i < 20; ++i) {
    Application->ProcessMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
}

TEST(PasswordDialogScreenshot, PanelsOnTheScreenUnderXvfb) {
  const char* inner = std::getenv(kInner);
  if (!inner) {
    if (access("/usr/bin/xvfb-run", X_OK) != 0 || access("/usr/bin/import", X_OK) != 0)
      GTEST_SKIP() << "xvfb-run or import is not installed";
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    ASSERT_GT(n, 0);
    self[n] = '\0';
    const std::string shot = testing::TempDir() + "password_dialog_" + std::to_string(getpid()) + ".ppm";
    const std::string cmd = std::string(kInner) + "=" + shot +
                            " ASAN_OPTIONS=detect_leaks=0 NOBRIVO_BACKEND=sdl /usr/bin/xvfb-run -a -s "
                            "'-screen 0 800x600x24' '" +
                            self + "' --gtest_filter=PasswordDialogScreenshot.PanelsOnTheScreenUnderXvfb";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << "the run under xvfb-run failed: " << cmd;
    std::remove(shot.c_str());
    return;
  }

  std::string reason;
  ASSERT_TRUE(InitPlatformWith("sdl", &reason)) << reason;
  InitControls();
  {
    auto* dlg = new TfrmPassword(Application);
    // A marker in a corner of the button panel finds the dialog on the screen.
    constexpr TColor kMarker = TColor(0x00336699);
    auto* marker = new TPanel(dlg);
    marker->SetBevelOuter(bvNone);
    marker->SetCaption("");
    marker->SetColor(kMarker);
    marker->SetBounds(0, 0, 12, 12);
    marker->SetParent(dlg->Panel1);
    dlg->Show();
    Settle();

    TImage img;
    ASSERT_TRUE(Shoot(inner, img));
    const uint32_t mark = Rgb(kMarker);
    int32_t mx = -1, my = -1;
    for (int32_t y = 0; y < img.Height && mx < 0; ++y)
      for (int32_t x = 0; x < img.Width; ++x)
        if (img.At(x, y) == mark && img.At(x + 11, y + 11) == mark) {
          mx = x;
          my = y;
          break;
        }
    ASSERT_GE(mx, 0) << "the dialog is not on the screen";
    const TPoint origin = marker->ClientOrigin();
    const int32_t dx = mx - origin.X, dy = my - origin.Y;
    auto at = [&](TControl* c, int32_t x, int32_t y) {
      const TPoint p = c->ClientToScreen(TPoint{x, y});
      return img.At(p.X + dx, p.Y + dy);
    };
    TUxPanel* upper = dlg->UxPanel1;
    TUxPanel* lower = dlg->UxPanel2;
    const int32_t w = lower->Width();
    struct TProbe {
      const char* What;
      uint32_t Got, Want;
    };
    const TProbe shown[] = {
        {"upper panel's raised bevel", at(upper, 0, 0), Rgb(clBtnHighlight)},
        {"upper panel's gradient starting at the button face", at(upper, 2, 1), Rgb(clBtnFace)},
        {"lower panel's caption bar", at(lower, w / 2, 10), Rgb(clHighlight)},
        {"lower panel's collapse triangle", at(lower, w - 8, 8), 0xFFFFFFu},
        {"lower panel's body below the bar", at(lower, w - 8, 30), Rgb(clBtnFace)},
    };
    for (const TProbe& p : shown) EXPECT_EQ(Hex(p.Got), Hex(p.Want)) << p.What;
    EXPECT_NE(Hex(at(upper, 2, 119)), Hex(Rgb(clBtnFace))) << "the gradient runs into the info colour";

    lower->SetCollaps(true);
    Settle();
    ASSERT_TRUE(Shoot(inner, img));
    EXPECT_EQ(Hex(at(lower, w / 2, 10)), Hex(Rgb(clBtnFace))) << "collapsed: the bar in the button face";
    EXPECT_EQ(Hex(at(lower, w - 8, 9)), "FFFFFF") << "collapsed: the triangle points down";
    EXPECT_FALSE(dlg->cbRemember->Visible());

    lower->SetCollaps(false);
    Settle();
    ASSERT_TRUE(Shoot(inner, img));
    EXPECT_EQ(Hex(at(lower, w / 2, 10)), Hex(Rgb(clHighlight))) << "expanded again";
    dlg->Free();
  }
  DoneControls();
  ShutdownPlatform();
}

}  // namespace
