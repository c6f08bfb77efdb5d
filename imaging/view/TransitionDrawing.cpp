#include "imaging/view/TransitionDrawing.h"

#include <algorithm>
#include <cstring>
#include <random>

#include "imaging/model/TIEBitmap.h"
#include "platform/DC.h"
#include "platform/Draw.h"
#include "ui/TCanvas.h"

TRGB* TransitionRow(TIEBitmap* Bitmap, int32_t y) {
  return reinterpret_cast<TRGB*>(Bitmap->GetScanline(y));
}

void TransitionCopy(TIEBitmap* From, TIEBitmap* To, int32_t X, int32_t Y, int32_t W, int32_t H,
                    int32_t ToX, int32_t ToY) {
  // Clip the block to both pictures, then copy row by row.
  int64_t x0 = 0, x1 = W, y0 = 0, y1 = H;
  x0 = std::max<int64_t>({x0, -static_cast<int64_t>(X), -static_cast<int64_t>(ToX)});
  y0 = std::max<int64_t>({y0, -static_cast<int64_t>(Y), -static_cast<int64_t>(ToY)});
  x1 = std::min<int64_t>(
      {x1, static_cast<int64_t>(From->Width()) - X, static_cast<int64_t>(To->Width()) - ToX});
  y1 = std::min<int64_t>(
      {y1, static_cast<int64_t>(From->Height()) - Y, static_cast<int64_t>(To->Height()) - ToY});
  if (x0 >= x1 || y0 >= y1) return;
  for (int64_t y = y0; y < y1; ++y)
    std::memmove(TransitionRow(To, static_cast<int32_t>(ToY + y)) + ToX + x0,
                 TransitionRow(From, static_cast<int32_t>(Y + y)) + X + x0,
                 static_cast<size_t>(x1 - x0) * 3);
}

namespace {

// The platform's stretch in halftone mode (the covered source area
// averaged); negative destination sizes turn the picture over.
void HalftoneStretch(TIEBitmap* From, TIEBitmap* To, const TRect& Src, int32_t X, int32_t Y, int32_t W,
                     int32_t H) {
  TCanvas* to = To->GetCanvas();
  TCanvas* from = From->GetCanvas();
  if (!to || !from) return;
  const HDC dc = to->Handle();
  const int old = SetStretchBltMode(dc, HALFTONE);
  StretchBlt(dc, X, Y, W, H, from->Handle(), Src.Left, Src.Top, Src.Width(), Src.Height(), SRCCOPY);
  SetStretchBltMode(dc, old);
}

}  // namespace

void TransitionStretch(TIEBitmap* From, TIEBitmap* To, const TRect& Src, const TRect& Dst) {
  if (Src.Width() <= 0 || Src.Height() <= 0 || Dst.Width() <= 0 || Dst.Height() <= 0) return;
  if (Src.Width() == Dst.Width() && Src.Height() == Dst.Height()) {
    TransitionCopy(From, To, Src.Left, Src.Top, Src.Width(), Src.Height(), Dst.Left, Dst.Top);
    return;
  }
  HalftoneStretch(From, To, Src, Dst.Left, Dst.Top, Dst.Width(), Dst.Height());
}

void TransitionStretchMirrored(TIEBitmap* From, TIEBitmap* To, const TRect& Src, const TRect& Dst,
                               bool Horizontal) {
  if (Src.Width() <= 0 || Src.Height() <= 0 || Dst.Width() <= 0 || Dst.Height() <= 0) return;
  if (Horizontal) HalftoneStretch(From, To, Src, Dst.Right - 1, Dst.Top, -Dst.Width(), Dst.Height());
  else HalftoneStretch(From, To, Src, Dst.Left, Dst.Bottom - 1, Dst.Width(), -Dst.Height());
}

void TransitionDrawThrough(TIEBitmap* From, TIEBitmap* To, const Region& Clip) {
  const int32_t w = std::min(From->Width(), To->Width()),
                h = std::min(From->Height(), To->Height());
  const TRect box = Clip.Box();
  for (int32_t y = std::max(0, box.Top); y < std::min(h, box.Bottom); ++y) {
    TRGB *s = TransitionRow(From, y), *d = TransitionRow(To, y);
    Clip.ForEachSpan(y, 0, w, [&](int32_t l, int32_t r) {
      std::memcpy(d + l, s + l, static_cast<size_t>(r - l) * 3);
    });
  }
}

void TransitionDrawThrough(TIEBitmap* From, TIEBitmap* To, const std::vector<TRect>& Clip) {
  // Drawing each rectangle draws their union: every pixel comes from From.
  for (const TRect& r : Clip)
    TransitionCopy(From, To, r.Left, r.Top, r.Width(), r.Height(), r.Left, r.Top);
}

int32_t TransitionRandom(int32_t N) {
  static std::minstd_rand rng{std::random_device{}()};
  if (N <= 0) return 0;
  return std::uniform_int_distribution<int32_t>(0, N - 1)(rng);
}
