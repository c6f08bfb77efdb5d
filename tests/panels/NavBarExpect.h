#pragma once
// What the navigation bar should show, worked out from its layout rules
// alone: the rectangles of a bar with its tabs below the pages, and the
// colour its gradient routine gives a pixel.

#include <cmath>
#include <cstdint>
#include <vector>

#include "platform/Geometry.h"

struct NavBarLayout {
  int32_t S;  // the splitter line
  TRect Caption, Page, Splitter, IconRow;
  std::vector<TRect> Tabs;  // large tabs of pages n-L .. n-1, by page index
};

// W x H bar, n pages, L of them as large tabs, tabs 32 high at the bottom.
inline NavBarLayout ExpectedNavBar(int32_t W, int32_t H, int32_t n, int32_t L) {
  NavBarLayout g;
  g.Tabs.resize(size_t(n));
  for (int32_t i = n - L; i < n; ++i) {
    const int32_t k = i - (n - L);
    g.Tabs[size_t(i)] = TRect{0, H - (k + 2) * 32 - 1, W, H - (k + 1) * 32};
  }
  g.IconRow = TRect{0, H - 33, W, H};
  g.S = L > 0 ? g.Tabs[size_t(n - 1)].Top - 3 : H - 36;
  g.Splitter = TRect{1, g.S - 3, W - 1, g.S + 3};
  g.Caption = TRect{1, 1, W - 1, 27};
  g.Page = TRect{1, 27, W - 1, g.S - 3};
  return g;
}

// 0xRRGGBB of band i of a Steps-band gradient between two 0xRRGGBB colours:
// each channel from + Round(i * (to - from) / Steps), ties to even.
inline uint32_t NavBarBandColour(uint32_t From, uint32_t To, int32_t Steps, int32_t i) {
  auto ch = [&](int s) {
    const int a = int(From >> s) & 0xFF, b = int(To >> s) & 0xFF;
    return uint32_t(a + int(std::nearbyint(i * (double(b - a) / Steps)))) << s;
  };
  return ch(16) | ch(8) | ch(0);
}

// The colour at offset Pos along a gradient of Len pixels: band i covers
// Round(i * Len / Steps) to Round(i * Len / Steps) + Round(Len / Steps),
// both included; later bands cover earlier ones.
inline uint32_t NavBarGradientAt(uint32_t From, uint32_t To, int32_t Steps, int32_t Len, int32_t Pos) {
  const double band = double(Len) / Steps;
  uint32_t c = 0xDEADBEEF;
  for (int32_t i = 0; i < Steps; ++i) {
    const int32_t o = int32_t(std::nearbyint(i * band));
    if (o <= Pos && Pos <= o + int32_t(std::nearbyint(band))) c = NavBarBandColour(From, To, Steps, i);
  }
  return c;
}

// A TColor (red in the low byte) as 0xRRGGBB.
constexpr uint32_t RgbOf(uint32_t TColorValue) {
  return ((TColorValue & 0xFF) << 16) | (TColorValue & 0xFF00) | ((TColorValue >> 16) & 0xFF);
}
