// The caption bar's procedural shadings, rendered into the panel's shading
// bitmap, and the caption bar drawn from it in one of three shapes.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <random>
#include <vector>

#include "panels/TUxPanel.h"
#include "platform/DC.h"
#include "platform/Draw.h"
#include "platform/GdiHolders.h"
#include "platform/Region.h"
#include "rtl/Numeric.h"

namespace {

// W x H pixels as 0x00RRGGBB, written where they fall inside.
struct TShadePixels {
  int32_t W, H;
  std::vector<uint32_t> Px;
  TShadePixels(int32_t w, int32_t h) : W(w), H(h), Px(size_t(w) * size_t(h), 0xFFFFFF) {}
  void Set(int32_t x, int32_t y, uint32_t c) {
    if (x >= 0 && y >= 0 && x < W && y < H) Px[size_t(y) * size_t(W) + size_t(x)] = c;
  }
  uint32_t Get(int32_t x, int32_t y) const {
    return x >= 0 && y >= 0 && x < W && y < H ? Px[size_t(y) * size_t(W) + size_t(x)] : 0xFFFFFF;
  }
};

int32_t Cube(int32_t a) { return ((a * a * a) / 128) / 128; }

}  // namespace

void TCustomUxPanel::DrawCaptionShade() {
  // A missing (or negative) size renders a 100 x 20 bitmap.
  int32_t W = Width(), H = caption_->Height();
  if (W <= 0 || H <= 0) {
    W = 100;
    H = 20;
  }
  TShadePixels p(W, H);
  const COLORREF base = ColorToRGB(caption_->Color());
  const int32_t Rc = GetRValue(base), Gc = GetGValue(base), Bc = GetBValue(base);
  const int32_t L = caption_->ShadeLight() & 0xFF;
  auto tint = [&](int32_t v) -> uint32_t {
    const uint32_t r = uint32_t(Rc * v / 255) & 0xFF, g = uint32_t(Gc * v / 255) & 0xFF,
                   b = uint32_t(Bc * v / 255) & 0xFF;
    return (r << 16) | (g << 8) | b;
  };
  auto blue = [&](int32_t x, int32_t y) { return int32_t(p.Get(x, y) & 0xFF); };
  std::mt19937 rng(uint32_t(std::chrono::steady_clock::now().time_since_epoch().count()));
  auto random = [&](int32_t n) { return n <= 0 ? 0 : int32_t(rng() % uint32_t(n)); };
  auto column = [&](int32_t x, uint32_t c) {
    for (int32_t y = 0; y <= H; ++y) p.Set(x, y, c);
  };
  auto row = [&](int32_t y, uint32_t c) {
    for (int32_t x = 0; x <= W; ++x) p.Set(x, y, c);
  };

  switch (caption_->ShadeType()) {
    case stNormal:
    case stXPCaption:
    case stBitmap:
    case stBitmapRStretch:
    case stBitmapLStretch:
      std::fill(p.Px.begin(), p.Px.end(), (uint32_t(Rc) << 16) | (uint32_t(Gc) << 8) | uint32_t(Bc));
      break;
    case stNoise:
      for (int32_t x = 0; x <= W; ++x)
        for (int32_t y = 0; y <= H; ++y) p.Set(x, y, tint(L - (random(caption_->ShadeGrain()) + 128) / 2));
      break;
    case stDiagShade:
      for (int32_t x = 0; x <= W; ++x)
        for (int32_t y = 0; y <= H; ++y)
          p.Set(x, y, tint(L - (L - blue(x, y) + 129 * x / W + 129 * y / H) / 2));
      break;
    case stHShade:
    case stHShadeInv:
      for (int32_t x = 0; x <= W; ++x) {
        const uint32_t c = tint(L - ((W - x) * 239 / W + 8) / 2);
        column(caption_->ShadeType() == stHShade ? x : W - x, c);
      }
      break;
    case stVShade:
    case stVShadeInv:
      for (int32_t y = 0; y <= H; ++y) {
        const uint32_t c = tint(L - ((239 * y) / H + 8) / 4);
        row(caption_->ShadeType() == stVShade ? y : H - y, c);
      }
      break;
    case stHBump:
      for (int32_t x = 0; x <= W; ++x) {
        const int32_t a = (255 * (W - x)) / W - 127;
        column(x, tint(L - ((Cube(a) * 120) / 128 + 128) / 2));
      }
      break;
    case stVBump:
      for (int32_t y = 0; y <= H; ++y) {
        const int32_t a = (255 * y) / H - 127;
        row(y, tint(L - ((Cube(a) * 120) / 128 + 128) / 2));
      }
      break;
    case stSoftBump:
      for (int32_t x = 0; x <= W; ++x)
        for (int32_t y = 0; y <= H; ++y) {
          const int32_t a = (255 * y) / H - 127, b = (255 * (W - x)) / W - 127;
          const int32_t t = std::clamp(((Cube(a) + Cube(b)) * 120) / 128 + 128, 8, 247);
          p.Set(x, y, tint(L - t / 2));
        }
      break;
    case stHardBump: {
      for (int32_t y = 0; y <= H; ++y) {
        const int32_t a = (255 * y) / H - 127;
        row(y, tint(L - ((Cube(a) * 112) / 128 + 128) / 2));
      }
      // The rounded ends; a bar too narrow or too low for them divides by
      // at least 1.
      const int32_t m = std::max(1, std::min(16, W / 6));
      const int32_t q = std::max(1, (H * H) / 4);
      for (int32_t x = 0; x <= W; ++x)
        for (int32_t y = 0; y <= H; ++y) {
          const int32_t dx = x - W / 2, dy = y - H / 2;
          const int32_t bound = (dy * dy * m) / q + W / 2 - m;
          if (dx > bound) p.Set(x, y, tint(L - (((W - x) * 128) / m + 8) / 2));
          if (dx + bound < 0) p.Set(x, y, tint(L - (247 - (x * 128) / m) / 2));
        }
      break;
    }
    case stLMetal:
    case stRMetal: {
      const bool right = caption_->ShadeType() == stRMetal;
      for (int32_t s = 0; s < 251; ++s) {
        const int32_t x0 = random(W), y0 = random(H), n = random(std::min(W, H) / 2);
        const uint32_t c = tint(L - random(40));
        for (int32_t i = 0; i < n; ++i) {
          if (right) {
            if (x0 - i > 0 && y0 + i < H) p.Set(x0 - i, y0 + i, c);
            if (x0 + i < W && y0 - i > 0) p.Set(x0 + i, y0 - i, c);
          } else {
            if (x0 + i < W && y0 + i < H) p.Set(x0 + i, y0 + i, c);
            if (x0 - i > 0 && y0 - i > 0) p.Set(x0 - i, y0 - i, c);
          }
        }
      }
      for (int32_t x = 0; x <= W; ++x)
        for (int32_t y = 0; y <= H; ++y)
          p.Set(x, y, tint(L - (L - blue(x, y) + 120 * x / W + 120 * y / H) / 2));
      break;
    }
    case stIRadial:
    case stORadial: {
      // D is the distance the shading fades over; a square bar (D = 0)
      // fades over its half diagonal instead of dividing by zero.
      const int32_t cx = W / 2, cy = H / 2;
      double D = std::abs(W - H);
      if (D == 0) D = std::max(1.0, std::sqrt(double(cx) * cx + double(cy) * cy));
      for (int32_t x = 0; x <= cx; ++x)
        for (int32_t y = 0; y <= cy; ++y) {
          const double d = double(Round(std::sqrt(double(x - cx) * (x - cx) + double(y - cy) * (y - cy))));
          const int32_t v = int32_t(caption_->ShadeType() == stIRadial ? Round((D - d) / D * L) : Round(d / D * L));
          const uint32_t c = tint(v);
          p.Set(x, y, c);
          p.Set(W - x, H - y, c);
          p.Set(W - x, y, c);
          p.Set(x, H - y, c);
        }
      break;
    }
  }

  shade_->SetPixelFormat(pf32bit);
  shade_->SetSize(W, H);
  for (int32_t y = 0; y < H; ++y) {
    auto* line = static_cast<uint32_t*>(shade_->ScanLine(y));
    std::copy(p.Px.begin() + ptrdiff_t(y) * W, p.Px.begin() + ptrdiff_t(y + 1) * W, line);
  }
  shade_->Modified();
}

void TCustomUxPanel::DrawCaptionBar(TCanvas* C, const TRect& Rect) {
  int32_t l = Rect.Left, t = Rect.Top, r = Rect.Right, b = Rect.Bottom;
  const TShadeType st = caption_->ShadeType();
  if (st == stXPCaption && !UsesVisualStyles()) return;  // no visual style to draw
  if (st == stBitmap || st == stBitmapRStretch || st == stBitmapLStretch) {
    TBitmap* bg = caption_->Background();
    if (bg->Empty()) return;
    const int32_t bw = bg->Width(), bh = bg->Height();
    HDC dc = C->Handle();
    HDC src = bg->Canvas()->Handle();
    if (st == stBitmapLStretch) {
      const int32_t a = std::max(0, Width() - bw);
      BitBlt(dc, l + a, t, bw, bh, src, 0, 0, SRCCOPY);
      StretchBlt(dc, 0, t, a, b - t, src, 0, 0, 2, bh, SRCCOPY);
    } else if (st == stBitmapRStretch) {
      BitBlt(dc, l, t, bw, bh, src, 0, 0, SRCCOPY);
      if (r > bw) StretchBlt(dc, bw, t, r - bw, b - t, src, bw - 3, 0, 3, bh, SRCCOPY);
    } else {
      C->StretchDraw(Rect, bg);
    }
    return;
  }
  const TColor grey = TColor(0x808080), white = TColor(0xFFFFFF);
  HDC dc = C->Handle();
  C->Brush()->SetStyle(bsClear);
  C->Pen()->SetStyle(psSolid);
  C->Pen()->SetWidth(1);
  TOwnedGdiObject<HRGN> clip;
  auto outlineHalves = [&] {
    const int32_t mid = t + (b - t) / 2;
    TOwnedGdiObject<HRGN> lower(CreateRoundRectRgn(l, t, r, b, 32, 32));
    TOwnedGdiObject<HRGN> band(CreateRectRgn(l, mid, r, b));
    CombineRgn(lower.get(), lower.get(), band.get(), RGN_AND);
    SelectClipRgn(dc, lower.get());
    C->Pen()->SetColor(grey);
    C->RoundRect(l, t, r, b, 32, 32);
    TOwnedGdiObject<HRGN> upper(CreateRoundRectRgn(l, t, r, b, 32, 32));
    TOwnedGdiObject<HRGN> top(CreateRectRgn(l, t, r, b - (b - t) / 2));
    CombineRgn(upper.get(), upper.get(), top.get(), RGN_AND);
    SelectClipRgn(dc, upper.get());
    C->Pen()->SetColor(white);
    C->RoundRect(l, t, r, b, 32, 32);
    SelectClipRgn(dc, nullptr);
  };
  switch (caption_->Shape()) {
    case csRectangle:
      if (!caption_->Flat()) {
        C->Pen()->SetColor(grey);
        C->MoveTo(l, b - 1);
        C->LineTo(r - 1, b - 1);
        C->LineTo(r - 1, t);
        C->Pen()->SetColor(white);
        C->LineTo(l, t);
        C->LineTo(l, b - 1);
        ++l;
        ++t;
        --r;
        --b;
      }
      clip.reset(CreateRectRgn(l, t, r, b));
      break;
    case csRounded:
      outlineHalves();
      C->Pen()->SetColor(grey);
      C->MoveTo(l + 16, b - 1);
      C->LineTo(r - 16, b - 1);
      ++t;
      clip.reset(CreateRoundRectRgn(l, t, r, b, 32, 32));
      break;
    case csSemiRounded: {
      outlineHalves();
      C->Pen()->SetColor(white);
      C->MoveTo(l + (r - l) / 2, t);
      C->LineTo(l, t);
      C->LineTo(l, b - 1);
      C->Pen()->SetColor(grey);
      C->LineTo(r - 16, b - 1);
      ++t;
      ++l;
      clip.reset(CreateRoundRectRgn(l, t, r, b, 32, 32));
      TOwnedGdiObject<HRGN> square(CreateRectRgn(l, t, r - (r - l) / 2, b - 1));
      CombineRgn(clip.get(), clip.get(), square.get(), RGN_OR);
      break;
    }
  }
  SaveDC(dc);
  ExtSelectClipRgn(dc, clip.get(), RGN_AND);
  C->Draw(l, t, shade_.get());
  RestoreDC(dc, -1);
}
