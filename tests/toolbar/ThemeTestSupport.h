#pragma once
// Painting through the theme onto a surface we can read: a canvas over a
// fresh surface, and the pixels of a rectangle as text, one letter per
// classic system colour, so that expected drawings can be written out.

#include <gtest/gtest.h>

#include <string>

#include "platform/SysInfo.h"
#include "tests/platform/DrawTestSupport.h"
#include "tests/toolbar/ToolbarTestSupport.h"
#include "toolbar/TTBKDefaultTheme.h"
#include "toolbar/TTBKTheme.h"
#include "ui/TCanvas.h"

// A canvas over a surface filled with the button face.
struct ThemeCanvas {
  TestCanvas target;
  TCanvas canvas;
  ThemeCanvas(int32_t W, int32_t H) : target(W, H, SurfacePixel(COLOR_BTNFACE)) { canvas.SetHandle(target.dc); }
  ~ThemeCanvas() { canvas.SetHandle(nullptr); }
  static uint32_t SurfacePixel(int32_t SysIndex) {
    COLORREF c = GetSysColor(SysIndex);
    return (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
  }
  // '.' face, 'W' white (highlight, window), 's' shadow (and grey text),
  // 'x' black (text), 'd' dark shadow, 'h' selection, '?' anything else.
  char Letter(int32_t X, int32_t Y) const {
    uint32_t p = target.At(X, Y);
    if (p == SurfacePixel(COLOR_BTNFACE)) return '.';
    if (p == SurfacePixel(COLOR_BTNHIGHLIGHT)) return 'W';
    if (p == SurfacePixel(COLOR_BTNSHADOW)) return 's';
    if (p == SurfacePixel(COLOR_BTNTEXT)) return 'x';
    if (p == SurfacePixel(COLOR_3DDKSHADOW)) return 'd';
    if (p == SurfacePixel(COLOR_HIGHLIGHT)) return 'h';
    return '?';
  }
  std::string Ascii(const TRect& R) const {
    std::string s;
    for (int32_t y = R.Top; y < R.Bottom; ++y) {
      for (int32_t x = R.Left; x < R.Right; ++x) s += Letter(x, y);
      s += '\n';
    }
    return s;
  }
  std::string Ascii() const { return Ascii(TRect{0, 0, target.surface.Width(), target.surface.Height()}); }
  int CountLetter(char C, const TRect& R) const {
    int n = 0;
    for (int32_t y = R.Top; y < R.Bottom; ++y)
      for (int32_t x = R.Left; x < R.Right; ++x) n += Letter(x, y) == C;
    return n;
  }
};

// The headless window system with the themes started.
class ThemeTest : public ToolbarTest {
 protected:
  void SetUp() override {
    ToolbarTest::SetUp();
    StartThemes();
    ASSERT_NE(CurrentTheme, nullptr);
  }
  void TearDown() override {
    StopThemes();
    ToolbarTest::TearDown();
  }
  TTBKDefaultTheme* Theme() { return static_cast<TTBKDefaultTheme*>(CurrentTheme); }
};
