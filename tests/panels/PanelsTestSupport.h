#pragma once
// A form on the headless window system, pictures of controls taken with
// PaintTo, and the colour arithmetic the panel controls' gradients follow.

#include <cmath>
#include <cstdint>
#include <string>

#include "platform/Draw.h"
#include "tests/ui/FrameworkTestSupport.h"
#include "ui/TBitmap.h"
#include "ui/TCanvas.h"
#include "ui/TColor.h"
#include "ui/TForm.h"
#include "ui/TPanel.h"

// 0xRRGGBB, easy to read in a failure message.
inline uint32_t Hex(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }
inline uint32_t Hex(TColor c) { return Hex(ColorToRGB(c)); }

class PanelsTest : public FrameworkTest {
 protected:
  void SetUp() override {
    FrameworkTest::SetUp();
    form = new TForm(Application);
    form->SetBounds(0, 0, 420, 360);
    // Graphic controls are placed on a plain green host, green showing
    // where they draw nothing.
    host = new TPanel(form);
    host->SetParent(form);
    host->SetBevelOuter(bvNone);
    host->SetCaption("");
    host->SetBounds(0, 0, 400, 300);
    host->SetColor(TColor(0x00FF00));
  }
  void TearDown() override {
    form->Free();
    FrameworkTest::TearDown();
  }

  // What Control shows, children included.
  void Snap(TWinControl* Control) {
    shot.SetPixelFormat(pf24bit);
    shot.SetSize(Control->Width(), Control->Height());
    Control->PaintTo(shot.Canvas()->Handle(), 0, 0);
  }
  uint32_t At(int32_t x, int32_t y) { return Hex(shot.Canvas()->Pixels(x, y)); }

  TForm* form = nullptr;
  TPanel* host = nullptr;
  TBitmap shot;
};

// From + Round(i * (To - From) / Steps) in each channel (ties to even).
inline uint32_t Blend(uint32_t From, uint32_t To, double Num, double Den) {
  auto ch = [&](int s) {
    const int a = int(From >> s) & 0xFF, b = int(To >> s) & 0xFF;
    return uint32_t(a + int(std::nearbyint(Num * (b - a) / Den))) << s;
  };
  return ch(16) | ch(8) | ch(0);
}
