// A dialog holding every standard control, shown by the SDL backend on a
// virtual X server and photographed from the X screen. The test starts
// itself again under xvfb-run; without xvfb-run or import it is skipped.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/Backend.h"
#include "ui/TApplication.h"
#include "ui/TButton.h"
#include "ui/TCheckBox.h"
#include "ui/TComboBox.h"
#include "ui/TEdit.h"
#include "ui/TForm.h"
#include "ui/TGroupBox.h"
#include "ui/TLabel.h"
#include "ui/TListView.h"
#include "ui/TNotebook.h"
#include "ui/TPageControl.h"
#include "ui/TPanel.h"
#include "ui/TProgressBar.h"
#include "ui/TScreen.h"
#include "ui/TSpeedButton.h"
#include "ui/TSplitter.h"
#include "ui/TTrackBar.h"
#include "ui/TUpDown.h"

namespace {

constexpr const char* kInner = "NOBRIVO_SCREENSHOT_INNER";

struct Image {
  int32_t Width = 0, Height = 0;
  std::vector<uint8_t> Rgb;
  uint32_t At(int32_t x, int32_t y) const {
    if (x < 0 || y < 0 || x >= Width || y >= Height) return 0xFFFFFFFFu;
    const uint8_t* p = &Rgb[(size_t(y) * size_t(Width) + size_t(x)) * 3];
    return (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
  }
};

// A binary PPM (P6) as import writes it: samples of 8 or 16 bits (the
// high byte kept).
bool ReadPpm(const std::string& path, Image& img) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int maxval = 0;
  in >> magic >> img.Width >> img.Height >> maxval;
  if (!in || magic != "P6" || (maxval != 255 && maxval != 65535) || img.Width <= 0 || img.Height <= 0 ||
      img.Width > 10000 || img.Height > 10000)
    return false;
  in.get();
  size_t samples = size_t(img.Width) * size_t(img.Height) * 3;
  size_t bytes = maxval == 255 ? 1 : 2;
  std::vector<uint8_t> raw(samples * bytes);
  in.read(reinterpret_cast<char*>(raw.data()), std::streamsize(raw.size()));
  if (!in) return false;
  img.Rgb.resize(samples);
  for (size_t i = 0; i < samples; ++i) img.Rgb[i] = raw[i * bytes];
  return true;
}

uint32_t Rgb(TColor c) {
  COLORREF r = ColorToRGB(c);
  return ((r & 0xFF) << 16) | (r & 0xFF00) | ((r >> 16) & 0xFF);
}

std::string Hex(uint32_t v) {
  char b[16];
  std::snprintf(b, sizeof b, "%06X", v);
  return b;
}

TEST(ControlsScreenshot, EveryStandardControlUnderXvfb) {
  const char* inner = std::getenv(kInner);
  if (!inner) {
    if (access("/usr/bin/xvfb-run", X_OK) != 0 || access("/usr/bin/import", X_OK) != 0)
      GTEST_SKIP() << "xvfb-run or import is not installed";
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    ASSERT_GT(n, 0);
    self[n] = '\0';
    std::string shot = "./controls_screenshot.ppm";
    std::string cmd = std::string(kInner) + "=" + shot +
                      // The X and SDL libraries keep memory to the end; only this run ignores it.
                      " ASAN_OPTIONS=detect_leaks=0 NOBRIVO_BACKEND=sdl /usr/bin/xvfb-run -a -s '-screen 0 1024x768x24' '" +
                      self + "' --gtest_filter=ControlsScreenshot.EveryStandardControlUnderXvfb";
    int rc = std::system(cmd.c_str());
    EXPECT_EQ(rc, 0) << "the run under xvfb-run failed: " << cmd;
    return;
  }

  std::string reason;
  ASSERT_TRUE(InitPlatformWith("sdl", &reason)) << reason;
  InitControls();
  {
    auto* f = new TForm(Application);
    f->SetBorderStyle(bsDialog);
    f->SetCaption("Standard controls");
    f->SetBounds(40, 40, 10, 10);
    f->SetClientSize(640, 440);

    // A marker panel of a colour found nowhere else: it tells where the
    // form's client area landed on the X screen.
    constexpr TColor kMarker = TColor(0x00336699);  // blue 0x33, green 0x66, red 0x99
    auto* marker = new TPanel(f);
    marker->SetBevelOuter(bvNone);
    marker->SetColor(kMarker);
    marker->SetBounds(0, 0, 20, 20);
    marker->SetParent(f);

    auto* label = new TLabel(f);
    label->SetCaption("&Name:");
    label->SetBounds(30, 8, 50, 17);
    label->SetParent(f);
    auto* edit = new TEdit(f);
    edit->SetBounds(90, 6, 150, 21);
    edit->SetText("picture.jpg");
    edit->SetParent(f);
    auto* updownEdit = new TEdit(f);
    updownEdit->SetBounds(260, 6, 50, 21);
    updownEdit->SetParent(f);
    auto* ud = new TUpDown(f);
    ud->SetAssociate(updownEdit);
    ud->SetPosition(42);
    auto* combo = new TComboBox(f);
    combo->SetStyle(csDropDownList);
    combo->Items()->SetText("Fit\n25%\n50%\n100%\n");
    combo->SetItemIndex(0);
    combo->SetBounds(340, 6, 100, 21);
    combo->SetParent(f);
    auto* check = new TCheckBox(f);
    check->SetCaption("Preview");
    check->SetChecked(true);
    check->SetBounds(460, 8, 100, 17);
    check->SetParent(f);

    auto* group = new TGroupBox(f);
    group->SetCaption("Options");
    group->SetBounds(10, 40, 300, 170);
    group->SetParent(f);
    auto* pages = new TPageControl(f);
    pages->SetBounds(10, 16, 280, 140);
    pages->SetParent(group);
    for (const char* name : {"General", "Files", "About"}) {
      auto* sheet = new TTabSheet(f);
      sheet->SetCaption(name);
      sheet->SetPageControl(pages);
    }
    auto* track = new TTrackBar(f);
    track->SetMax(10);
    track->SetPosition(3);
    track->SetBounds(5, 5, 200, 40);
    track->SetParent(pages->Pages(0));
    auto* button = new TButton(f);
    button->SetCaption("OK");
    button->SetDefault(true);
    button->SetBounds(5, 55, 75, 25);
    button->SetParent(pages->Pages(0));

    auto* holder = new TPanel(f);
    holder->SetBevelOuter(bvLowered);
    holder->SetBevelInner(bvRaised);
    holder->SetBorderWidth(2);
    holder->SetBounds(320, 40, 310, 170);
    holder->SetParent(f);
    auto* list = new TListView(f);
    list->SetBounds(0, 0, 150, 10);
    list->SetAlign(alLeft);
    list->SetParent(holder);
    for (int i = 0; i < 20; ++i) list->Items()->Add()->SetCaption("image" + std::to_string(i) + ".png");
    list->SetItemIndex(1);
    auto* splitter = new TSplitter(f);
    splitter->SetLeft(200);
    splitter->SetParent(holder);
    splitter->SetBeveled(true);
    auto* book = new TNotebook(f);
    book->SetAlign(alClient);
    book->SetParent(holder);
    auto* inBook = new TPanel(f);
    inBook->SetCaption("Notebook page");
    inBook->SetAlign(alClient);
    inBook->SetParent(book->Page(0));

    auto* progress = new TProgressBar(f);
    progress->SetSmooth(true);
    progress->SetBounds(10, 230, 302, 20);
    progress->SetPosition(50);
    progress->SetParent(f);
    auto* speedA = new TSpeedButton(f);
    speedA->SetCaption("A");
    speedA->SetGroupIndex(1);
    speedA->SetDown(true);
    speedA->SetBounds(330, 228, 25, 24);
    speedA->SetParent(f);
    auto* speedB = new TSpeedButton(f);
    speedB->SetCaption("B");
    speedB->SetGroupIndex(1);
    speedB->SetFlat(true);
    speedB->SetBounds(358, 228, 25, 24);
    speedB->SetParent(f);

    f->Show();
    edit->SetFocus();
    for (int i = 0; i < 20; ++i) {
      Application->ProcessMessages();
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    std::string cmd = std::string("/usr/bin/import -window root 'ppm:") + inner + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    Image img;
    ASSERT_TRUE(ReadPpm(inner, img));

    // Non-blank: many colours.
    std::vector<uint32_t> colours;
    for (int32_t y = 0; y < img.Height; y += 3)
      for (int32_t x = 0; x < img.Width; x += 3) {
        uint32_t c = img.At(x, y);
        if (std::find(colours.begin(), colours.end(), c) == colours.end() && colours.size() < 64)
          colours.push_back(c);
      }
    EXPECT_GE(colours.size(), 8u);

    // Where the marker landed.
    uint32_t mark = Rgb(kMarker);
    int32_t mx = -1, my = -1;
    for (int32_t y = 0; y < img.Height && mx < 0; ++y)
      for (int32_t x = 0; x < img.Width; ++x)
        if (img.At(x, y) == mark) {
          mx = x;
          my = y;
          break;
        }
    ASSERT_GE(mx, 0) << "marker colour not on the screen";
    EXPECT_EQ(img.At(mx + 19, my + 19), mark);
    TPoint origin = marker->ClientOrigin();
    int32_t dx = mx - origin.X, dy = my - origin.Y;
    auto at = [&](TControl* c, int32_t x, int32_t y) {
      TPoint p = c->ClientToScreen(TPoint{x, y});
      return img.At(p.X + dx, p.Y + dy);
    };
    struct Probe {
      const char* What;
      uint32_t Got;
      uint32_t Want;
    };
    const Probe probes[] = {
        {"form face", at(f, 620, 420), Rgb(clBtnFace)},
        {"edit background after its text", at(edit, 140, 15), Rgb(clWindow)},
        {"progress filled half", at(progress, 30, 10), Rgb(clHighlight)},
        {"progress empty half", at(progress, 280, 10), Rgb(clBtnFace)},
        {"list view background", at(list, 140, list->ClientHeight() - 5), Rgb(clWindow)},
        {"track bar channel (its middle row)", at(track, 30, 18), Rgb(clWindow)},
        {"down speed button face", at(speedA, 3, 3), Rgb(clBtnFace)},
        {"group box face", at(group, 5, 100), Rgb(clBtnFace)},
    };
    for (const Probe& p : probes) EXPECT_EQ(Hex(p.Got), Hex(p.Want)) << p.What;
    f->Free();
  }
  DoneControls();
  ShutdownPlatform();
}

}  // namespace
