// Shapes are inside tests on the picture's pixel grid, painted on the
// platform's shape sheet.
#include "app/AboutPictures.h"

#include <algorithm>
#include <cmath>

#include "platform/Draw.h"
#include "platform/IconPainter.h"
#include "platform/ShapeSheet.h"
#include "ui/TBitmap.h"
#include "ui/TCanvas.h"

RTL_DEFINE_CLASS(TAlphaImage, TImage)

namespace {
// The upper half of a ring between radii r0 and r1.
TSheetShape Arch(float cx, float cy, float r0, float r1) {
  return [=](float x, float y) {
    const float d = std::hypot(x - cx, y - cy);
    return y <= cy && d >= r0 && d <= r1;
  };
}

// A framed landscape filling l..r, t..b: wooden frame, sky, sun, two hills.
void Landscape(TShapeSheet& s, float l, float t, float r, float b) {
  const float f = 3;
  s.Fill(0x8B5A2B, IconBox(l, t, r, b));
  s.Fill(0xC08040, IconMinus(IconBox(l + 1, t + 1, r - 1, b - 1), IconBox(l + f, t + f, r - f, b - f)));
  const float il = l + f, it = t + f, ir = r - f, ib = b - f;
  s.Fill(0x87CEEB, IconBox(il, it, ir, ib));
  s.Fill(0xFFD700, IconDisc(ir - (ir - il) * 0.25f, it + (ib - it) * 0.3f, (ib - it) * 0.14f));
  auto hill = [&](float cx, float rad) {
    return [=](float x, float y) { return x >= il && x < ir && y < ib && (x - cx) * (x - cx) + (y - ib) * (y - ib) <= rad * rad; };
  };
  s.Fill(0x3C8D3C, hill(il + (ir - il) * 0.3f, (ib - it) * 0.6f));
  s.Fill(0x2E6B2E, hill(il + (ir - il) * 0.8f, (ib - it) * 0.45f));
}
}  // namespace

std::vector<uint32_t> DrawAboutLandscape() {
  TShapeSheet s(kLandscapeWidth, kLandscapeHeight);
  Landscape(s, 0.5f, 3.5f, 63.5f, 44.5f);
  return s.Take();
}

std::vector<uint32_t> DrawAboutLogo() {
  TShapeSheet s(kLogoSide, kLogoSide);
  Landscape(s, 1, 2, 41, 32);
  // The padlock, lower right, over the frame: shackle, body, keyhole.
  s.Fill(0x606060, Arch(34, 30, 5, 8.5f));
  s.Fill(0xA0A0A0, Arch(34, 30, 6, 7.5f));
  s.Fill(0x8A6D00, IconBox(23, 29, 45, 46));
  s.Fill(0xE8B923, IconBox(24, 30, 44, 45));
  s.Fill(0xFFE27A, IconBox(24, 30, 44, 33));
  s.Fill(0x3A2E00, IconDisc(34, 36, 2.5f));
  s.Fill(0x3A2E00, IconBox(33, 36, 35, 42));
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
