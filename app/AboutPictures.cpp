// Shapes are inside tests on the picture's pixel grid; each pixel is sampled
// 4 x 4 times so that edges come out smooth.
#include "app/AboutPictures.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "platform/Draw.h"
#include "ui/TBitmap.h"
#include "ui/TCanvas.h"

RTL_DEFINE_CLASS(TAlphaImage, TImage)

namespace {
using Inside = std::function<bool(float, float)>;

class Sheet {
 public:
  Sheet(int32_t w, int32_t h) : w_(w), h_(h), px_(size_t(w) * size_t(h), 0) {}
  // Paints colour 0xRRGGBB over the shape with its coverage as alpha.
  void Fill(uint32_t Rgb, const Inside& Shape) {
    for (int32_t y = 0; y < h_; ++y)
      for (int32_t x = 0; x < w_; ++x) {
        int32_t hits = 0;
        for (int32_t sy = 0; sy < 4; ++sy)
          for (int32_t sx = 0; sx < 4; ++sx)
            if (Shape(float(x) + (float(sx) + 0.5f) / 4, float(y) + (float(sy) + 0.5f) / 4)) ++hits;
        if (hits) Over(x, y, Rgb, float(hits) / 16);
      }
  }
  std::vector<uint32_t> Take() { return std::move(px_); }

 private:
  void Over(int32_t x, int32_t y, uint32_t Rgb, float a) {
    uint32_t& d = px_[size_t(y) * size_t(w_) + size_t(x)];
    const float da = float(d >> 24) / 255;
    const float oa = a + da * (1 - a);
    auto ch = [&](int shift) {
      const float s = float((Rgb >> shift) & 0xFF), t = float((d >> shift) & 0xFF);
      return uint32_t(std::lround((s * a + t * da * (1 - a)) / oa)) & 0xFF;
    };
    d = (uint32_t(std::lround(oa * 255)) << 24) | (ch(16) << 16) | (ch(8) << 8) | ch(0);
  }
  int32_t w_, h_;
  std::vector<uint32_t> px_;
};

Inside Box(float l, float t, float r, float b) {
  return [=](float x, float y) { return x >= l && x < r && y >= t && y < b; };
}
Inside Disc(float cx, float cy, float r) {
  return [=](float x, float y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; };
}
// The upper half of a ring between radii r0 and r1.
Inside Arch(float cx, float cy, float r0, float r1) {
  return [=](float x, float y) {
    const float d = std::hypot(x - cx, y - cy);
    return y <= cy && d >= r0 && d <= r1;
  };
}
Inside Minus(Inside a, Inside b) { return [=](float x, float y) { return a(x, y) && !b(x, y); }; }

// A framed landscape filling l..r, t..b: wooden frame, sky, sun, two hills.
void Landscape(Sheet& s, float l, float t, float r, float b) {
  const float f = 3;
  s.Fill(0x8B5A2B, Box(l, t, r, b));
  s.Fill(0xC08040, Minus(Box(l + 1, t + 1, r - 1, b - 1), Box(l + f, t + f, r - f, b - f)));
  const float il = l + f, it = t + f, ir = r - f, ib = b - f;
  s.Fill(0x87CEEB, Box(il, it, ir, ib));
  s.Fill(0xFFD700, Disc(ir - (ir - il) * 0.25f, it + (ib - it) * 0.3f, (ib - it) * 0.14f));
  auto hill = [&](float cx, float rad) {
    return [=](float x, float y) { return x >= il && x < ir && y < ib && (x - cx) * (x - cx) + (y - ib) * (y - ib) <= rad * rad; };
  };
  s.Fill(0x3C8D3C, hill(il + (ir - il) * 0.3f, (ib - it) * 0.6f));
  s.Fill(0x2E6B2E, hill(il + (ir - il) * 0.8f, (ib - it) * 0.45f));
}
}  // namespace

std::vector<uint32_t> DrawAboutLandscape() {
  Sheet s(kLandscapeWidth, kLandscapeHeight);
  Landscape(s, 0.5f, 3.5f, 63.5f, 44.5f);
  return s.Take();
}

std::vector<uint32_t> DrawAboutLogo() {
  Sheet s(kLogoSide, kLogoSide);
  Landscape(s, 1, 2, 41, 32);
  // The padlock, lower right, over the frame: shackle, body, keyhole.
  s.Fill(0x606060, Arch(34, 30, 5, 8.5f));
  s.Fill(0xA0A0A0, Arch(34, 30, 6, 7.5f));
  s.Fill(0x8A6D00, Box(23, 29, 45, 46));
  s.Fill(0xE8B923, Box(24, 30, 44, 45));
  s.Fill(0xFFE27A, Box(24, 30, 44, 33));
  s.Fill(0x3A2E00, Disc(34, 36, 2.5f));
  s.Fill(0x3A2E00, Box(33, 36, 35, 42));
  return s.Take();
}

void TAlphaImage::SetPixels(const std::vector<uint32_t>& Pixels, int32_t Width, int32_t Height) {
  auto* b = new TBitmap();
  b->SetPixelFormat(pf32bit);
  b->SetSize(Width, Height);
  for (int32_t y = 0; y < Height; ++y) {
    auto* row = static_cast<uint32_t*>(b->ScanLine(y));
    for (int32_t x = 0; x < Width; ++x) {
      // Kept premultiplied, as the blend wants it.
      const uint32_t p = Pixels[size_t(y) * size_t(Width) + size_t(x)], a = p >> 24;
      auto ch = [&](int shift) { return ((((p >> shift) & 0xFF) * a + 127) / 255) << shift; };
      row[x] = (a << 24) | ch(16) | ch(8) | ch(0);
    }
  }
  Picture()->SetGraphic(b);
  b->Free();
  SetBounds(Left(), Top(), Width, Height);
}

void TAlphaImage::Paint() {
  auto* b = dynamic_cast<TBitmap*>(Picture()->Graphic());
  if (!b || b->Empty()) return;
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  AlphaBlend(Canvas()->Handle(), 0, 0, b->Width(), b->Height(), b->Canvas()->Handle(), 0, 0, b->Width(),
             b->Height(), blend);
}
