#include "toolbar/TBKDrawUtils.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include "platform/Draw.h"
#include "platform/GdiHolders.h"
#include "platform/PenBrush.h"
#include "rtl/Exception.h"
#include "ui/TBitmap.h"
#include "ui/TCanvas.h"
#include "ui/TImageList.h"

namespace {

[[noreturn]] void DrawUtilsAssert(const char* What) {
  throw EInvalidArgument(std::string("Assertion failed in the drawing utilities: ") + What);
}

uint32_t Rgb(TColor C) { return uint32_t(ColorToRGB(C)) & 0xFFFFFF; }
int32_t R_(uint32_t C) { return int32_t(C & 0xFF); }
int32_t G_(uint32_t C) { return int32_t((C >> 8) & 0xFF); }
int32_t B_(uint32_t C) { return int32_t((C >> 16) & 0xFF); }
int32_t Sat(int32_t v) { return v < 0 ? 0 : v > 255 ? 255 : v; }
TColor Pack(int32_t r, int32_t g, int32_t b) { return TColor(uint32_t(Sat(r)) | uint32_t(Sat(g)) << 8 | uint32_t(Sat(b)) << 16); }

struct Scratch {
  std::unique_ptr<TBitmap> a, b, measure;
};
Scratch& TheScratch() {
  static Scratch s;
  return s;
}
TBitmap* MakeScratch(int32_t W, int32_t H) {
  auto* b = new TBitmap();
  b->SetPixelFormat(pf32bit);
  b->SetSize(W, H);
  return b;
}

// Selects a pen and a brush into a DC for one drawing and restores and
// frees them after.
class PenBrushScope {
 public:
  PenBrushScope(HDC DC, TColor PenColor, TColor BrushColor, bool WithBrush) : dc_(DC) {
    pen_ = MakeColorPen(PenColor);
    oldPen_ = SelectObject(dc_, pen_);
    if (WithBrush) {
      brush_ = MakeColorBrush(BrushColor);
      ownBrush_ = !IsSharedBrush(BrushColor);
      oldBrush_ = SelectObject(dc_, brush_);
    }
  }
  ~PenBrushScope() {
    SelectObject(dc_, oldPen_);
    DeleteObject(pen_);
    if (brush_) {
      SelectObject(dc_, oldBrush_);
      if (ownBrush_) DeleteObject(brush_);
    }
  }

 private:
  HDC dc_;
  HPEN pen_ = nullptr;
  HBRUSH brush_ = nullptr;
  bool ownBrush_ = false;
  HGDIOBJ oldPen_ = nullptr, oldBrush_ = nullptr;
};

// Pixels of a 32-bit scratch bitmap as colour values (0x00BBGGRR).
uint32_t PixelAt(TBitmap* B, int32_t X, int32_t Y) {
  return SwapRedBlue(static_cast<uint32_t*>(B->ScanLine(Y))[X] & 0xFFFFFF);
}
void SetPixelAt(TBitmap* B, int32_t X, int32_t Y, uint32_t C) {
  static_cast<uint32_t*>(B->ScanLine(Y))[X] = SwapRedBlue(C & 0xFFFFFF);
}

constexpr uint32_t kGlyphKey = 0x203241;

// The size an image effect works on: the smaller of R and the images.
bool EffectSize(const TRect& R, TCustomImageList* Images, int32_t& W, int32_t& H) {
  if (!Images) return false;
  W = std::min(R.Right - R.Left, Images->Width());
  H = std::min(R.Bottom - R.Top, Images->Height());
  return W > 0 && H > 0;
}

// Copies the background under R into A and the image over the key colour
// into B; both W by H.
void PrepareKeyed(TCanvas* Canvas, const TRect& R, TCustomImageList* Images, int32_t Index, int32_t W, int32_t H) {
  TBitmap* a = GlyphBitmapA();
  TBitmap* b = GlyphBitmapB();
  a->SetSize(W, H);
  b->SetSize(W, H);
  BitBlt(a->Canvas()->Handle(), 0, 0, W, H, Canvas->Handle(), R.Left, R.Top, SRCCOPY);
  TRect all{0, 0, W, H};
  FillRectColor(b->Canvas()->Handle(), all, TColor(kGlyphKey));
  Images->Draw(b->Canvas(), 0, 0, Index, true);
}

void CopyBack(TCanvas* Canvas, const TRect& R, int32_t W, int32_t H) {
  BitBlt(Canvas->Handle(), R.Left, R.Top, W, H, GlyphBitmapA()->Canvas()->Handle(), 0, 0, SRCCOPY);
}

struct GradientSlot {
  TColor c1 = 0, c2 = 0;
  std::vector<TColor> colors;
};
std::array<GradientSlot, 16>& GradientCache() {
  static std::array<GradientSlot, 16> cache;
  return cache;
}
int32_t& GradientNext() {
  static int32_t next = 0;
  return next;
}

}  // namespace

TColor MixColors(TColor C1, TColor C2, int32_t W) {
  if (W < 0 || W >= 256) DrawUtilsAssert("colour weight out of range");
  uint32_t a = Rgb(C1), b = Rgb(C2);
  uint32_t rb = ((a & 0xFF00FF) * uint32_t(W) + (b & 0xFF00FF) * uint32_t(255 - W)) >> 8;
  uint32_t g = ((a & 0x00FF00) * uint32_t(W) + (b & 0x00FF00) * uint32_t(255 - W)) >> 8;
  return TColor((rb & 0xFF00FF) | (g & 0x00FF00));
}

TColor MixColorsNearest(TColor C1, TColor C2, int32_t W) {
  TColor c = MixColors(C1, C2, W);
  return TColor(uint32_t(GetNearestColor(MeasureBitmap()->Canvas()->Handle(), COLORREF(c))) & 0xFFFFFF);
}

TColor LightenColor(TColor C, int32_t Amount) {
  uint32_t c = Rgb(C);
  return Pack(R_(c) + Amount, G_(c) + Amount, B_(c) + Amount);
}

bool ColorIsDark(TColor C, int32_t Threshold) {
  uint32_t c = Rgb(C);
  return 76 * R_(c) + 150 * G_(c) + 30 * B_(c) < 256 * Threshold;
}

uint32_t SwapRedBlue(uint32_t C) { return (C & 0xFF00FF00u) | (C & 0xFF) << 16 | (C >> 16 & 0xFF); }

HPEN MakeColorPen(TColor C) {
  if (C == clNone) return CreatePen(PS_NULL, 1, 0);
  return CreatePen(PS_SOLID, 1, ColorToRGB(C));
}

bool IsSharedBrush(TColor C) { return C != clNone && C < 0; }

HBRUSH MakeColorBrush(TColor C) {
  if (C == clNone) return StockBrush(HOLLOW_BRUSH);
  if (C < 0) return GetSysColorBrush(C & 0xFF);
  return CreateSolidBrush(ColorToRGB(C));
}

bool FillRectColor(HDC DC, const TRect& R, TColor C) {
  if (C == clNone) return false;
  HBRUSH b = MakeColorBrush(C);
  FillRect(DC, &R, b);
  if (!IsSharedBrush(C)) DeleteObject(b);
  return true;
}

void FrameRectColor(HDC DC, TRect& R, TColor C, bool Adjust) {
  if (C != clNone) {
    HBRUSH b = MakeColorBrush(C);
    FrameRect(DC, &R, b);
    if (!IsSharedBrush(C)) DeleteObject(b);
  }
  if (Adjust) R = TRect{R.Left + 1, R.Top + 1, R.Right - 1, R.Bottom - 1};
}

void LineColor(HDC DC, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, TColor C) {
  PenBrushScope scope(DC, C, clNone, false);
  TPoint pts[2] = {{X1, Y1}, {X2, Y2}};
  Polyline(DC, pts, 2);
}

void PolylineColor(HDC DC, const std::vector<TPoint>& Points, TColor C) {
  if (C == clNone || Points.empty()) return;
  PenBrushScope scope(DC, C, clNone, false);
  Polyline(DC, Points.data(), int(Points.size()));
}

void PolygonColor(HDC DC, const std::vector<TPoint>& Points, TColor FillColor, TColor EdgeColor) {
  if ((FillColor == clNone && EdgeColor == clNone) || Points.empty()) return;
  PenBrushScope scope(DC, EdgeColor, FillColor, true);
  Polygon(DC, Points.data(), int(Points.size()));
}

HBRUSH MakeDitherBrush(TColor C1, TColor C2) { return CreatePatternBrush(AllocPatternBitmap(C1, C2)->Handle()); }

void FillDithered(HDC DC, const TRect& R, TColor C1, TColor C2) {
  HBRUSH b = MakeDitherBrush(C1, C2);
  FillRect(DC, &R, b);
  DeleteObject(b);
}

void DrawBevel(HDC DC, TRect& R, TColor TopLeftColor, TColor BottomRightColor, bool Adjust) {
  R.Right -= 1;
  R.Bottom -= 1;
  PolylineColor(DC, {{R.Left, R.Bottom}, {R.Left, R.Top}, {R.Right, R.Top}}, TopLeftColor);
  PolylineColor(DC, {{R.Right, R.Top}, {R.Right, R.Bottom}, {R.Left - 1, R.Bottom}}, BottomRightColor);
  if (Adjust) {
    R.Left += 1;
    R.Top += 1;
  } else {
    R.Right -= 1;
    R.Bottom -= 1;
  }
}

void DrawMonoPattern(HDC DC, const TRect& R, int32_t Width, TColor C, const uint16_t* Pattern, int32_t Height) {
  // An 8 by 8 one-bit bitmap: each row a 16-bit word, first byte leftmost.
  uint16_t rows[8] = {};
  for (int32_t i = 0; i < 8 && i < Height; ++i) rows[i] = Pattern[i];
  uint8_t bits[8 * 2];
  for (int32_t i = 0; i < 8; ++i) {
    bits[i * 2] = uint8_t(rows[i] & 0xFF);
    bits[i * 2 + 1] = uint8_t(rows[i] >> 8);
  }
  TOwnedGdiObject<HBITMAP> bmp(CreateBitmap(8, 8, 1, 1, bits));
  TMemoryDC mem(DC);
  SelectObject(mem, bmp.get());
  COLORREF oldText = SetTextColor(DC, 0x000000);
  COLORREF oldBk = SetBkColor(DC, 0xFFFFFF);
  HBRUSH brush = MakeColorBrush(C);
  HGDIOBJ oldBrush = SelectObject(DC, brush);
  // Set bits show white through the text and background colours; the brush
  // goes where the source is white.
  BitBlt(DC, (R.Left + R.Right - Width + 1) / 2, (R.Top + R.Bottom - Height + 1) / 2, Width, Height, mem, 0, 0,
         ROP_DSPDxax);
  SelectObject(DC, oldBrush);
  if (!IsSharedBrush(C)) DeleteObject(brush);
  SetBkColor(DC, oldBk);
  SetTextColor(DC, oldText);
}

void DrawGlyphOnDark(TCanvas* Canvas, const TRect& R, TCustomImageList* Images, bool Adjust, int32_t Index) {
  if (!Adjust) {
    if (Images) Images->Draw(Canvas, R.Left, R.Top, Index, true);
    return;
  }
  int32_t w, h;
  if (!EffectSize(R, Images, w, h)) return;
  PrepareKeyed(Canvas, R, Images, Index, w, h);
  TBitmap* a = GlyphBitmapA();
  TBitmap* b = GlyphBitmapB();
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      uint32_t p = PixelAt(b, x, y);
      if (p == kGlyphKey) continue;
      int32_t lum = 76 * R_(p) + 150 * G_(p) + 29 * B_(p);
      uint32_t c = lum > 0xFD00 ? 0x000000 : lum < 25600 ? 0xFFFFFF : p;
      SetPixelAt(a, x, y, uint32_t(LightenColor(TColor(c), 32)));
    }
  CopyBack(Canvas, R, w, h);
}

void DrawBlendedGlyph(TCanvas* Canvas, const TRect& R, TCustomImageList* Images, int32_t W, TColor C,
                      int32_t Index) {
  int32_t w, h;
  if (!EffectSize(R, Images, w, h)) return;
  PrepareKeyed(Canvas, R, Images, Index, w, h);
  TBitmap* a = GlyphBitmapA();
  TBitmap* b = GlyphBitmapB();
  uint32_t c = Rgb(C);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      uint32_t p = PixelAt(b, x, y);
      if (p == kGlyphKey) continue;
      auto ch = [&](int32_t cc, int32_t pc) { return (cc * (255 - W) + pc * W) >> 8; };
      SetPixelAt(a, x, y, uint32_t(Pack(ch(R_(c), R_(p)), ch(G_(c), G_(p)), ch(B_(c), B_(p)))));
    }
  CopyBack(Canvas, R, w, h);
}

void DrawShadedGlyph(TCanvas* Canvas, const TRect& R, TCustomImageList* Images, int32_t Mode, int32_t Index) {
  if (Mode < 0 || Mode > 2) DrawUtilsAssert("shading mode out of range");
  static const int32_t kK[3] = {3, 8, 20};
  static const int32_t kBase[3] = {170, 224, 243};
  int32_t w, h;
  if (!EffectSize(R, Images, w, h)) return;
  TBitmap* a = GlyphBitmapA();
  TBitmap* b = GlyphBitmapB();
  a->SetSize(w, h);
  b->SetSize(w, h);
  BitBlt(a->Canvas()->Handle(), 0, 0, w, h, Canvas->Handle(), R.Left, R.Top, SRCCOPY);
  BitBlt(b->Canvas()->Handle(), 0, 0, w, h, Canvas->Handle(), R.Left, R.Top, SRCCOPY);
  Images->Draw(b->Canvas(), 0, 0, Index, true);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      uint32_t p = PixelAt(b, x, y);
      uint32_t bg = PixelAt(a, x, y);
      if (p == bg) continue;
      int32_t l = (29 * R_(p) + 150 * G_(p) + 76 * B_(p)) >> 8;
      int32_t d = l / kK[Mode] + kBase[Mode];
      SetPixelAt(a, x, y, uint32_t(Pack(R_(bg) * d / 256, G_(bg) * d / 256, B_(bg) * d / 256)));
    }
  CopyBack(Canvas, R, w, h);
}

const std::vector<TColor>& GradientColors(int32_t N, TColor C1, TColor C2) {
  if (N <= 0) DrawUtilsAssert("gradient length not positive");
  auto& cache = GradientCache();
  for (int32_t i = 15; i >= 0; --i) {
    const GradientSlot& s = cache[size_t(i)];
    if (int32_t(s.colors.size()) == N && s.c1 == C1 && s.c2 == C2) return s.colors;
  }
  int32_t& next = GradientNext();
  GradientSlot& slot = cache[size_t(next)];
  next = (next + 1) % 16;
  slot.c1 = C1;
  slot.c2 = C2;
  slot.colors.assign(size_t(N), 0);
  uint32_t a = Rgb(C1), b = Rgb(C2);
  int32_t dr = R_(b) - R_(a), dg = G_(b) - G_(a), db = B_(b) - B_(a);
  if (N == 1) {
    slot.colors[0] = Pack(R_(a) + dr / 2, G_(a) + dg / 2, B_(a) + db / 2);
  } else {
    // Rounded to the nearest step; the division truncates towards zero as
    // the integer division of the arithmetic does.
    for (int32_t i = 0; i < N; ++i) {
      auto step = [&](int32_t d) { return ((N - 1) / 2 + i * d) / (N - 1); };
      slot.colors[size_t(i)] = Pack(R_(a) + step(dr), G_(a) + step(dg), B_(a) + step(db));
    }
  }
  return slot.colors;
}

void FillGradient(HDC DC, const TRect& R, TColor C1, TColor C2, int32_t Direction) {
  if (!RectVisible(DC, &R)) return;
  // The platform's gradient fill: two vertices, channels widened to 16 bits.
  uint32_t a = Rgb(C1), b = Rgb(C2);
  TRIVERTEX v[2] = {{R.Left, R.Top, COLOR16(R_(a) << 8), COLOR16(G_(a) << 8), COLOR16(B_(a) << 8), 0},
                    {R.Right, R.Bottom, COLOR16(R_(b) << 8), COLOR16(G_(b) << 8), COLOR16(B_(b) << 8), 0}};
  GRADIENT_RECT mesh{0, 1};
  GradientFill(DC, v, 2, &mesh, 1, Direction == 0 ? GRADIENT_FILL_RECT_H : GRADIENT_FILL_RECT_V);
}

void FillGradientStripes(HDC DC, const TRect& R, TColor C1, TColor C2, int32_t Direction) {
  if (!RectVisible(DC, &R)) return;
  TRect clip;
  GetClipBox(DC, &clip);
  int32_t n = Direction == 0 ? R.Right - R.Left : R.Bottom - R.Top;
  if (n <= 0) return;
  const std::vector<TColor> colors = GradientColors(n, C1, C2);
  for (int32_t i = 0; i < n; ++i) {
    TRect s = Direction == 0 ? TRect{R.Left + i, R.Top, R.Left + i + 1, R.Bottom}
                             : TRect{R.Left, R.Top + i, R.Right, R.Top + i + 1};
    if (Direction == 0 ? (s.Right <= clip.Left || s.Left >= clip.Right) : (s.Bottom <= clip.Top || s.Top >= clip.Bottom))
      continue;
    HBRUSH br = CreateSolidBrush(ColorToRGB(colors[size_t(i)]));
    FillRect(DC, &s, br);
    DeleteObject(br);
  }
}

void FillLongs(uint32_t* P, int32_t Count, uint32_t Value) {
  for (int32_t i = 0; i < Count; ++i) P[i] = Value;
}

void MoveLongs(const uint32_t* Source, uint32_t* Dest, int32_t Count) {
  if (Source == Dest || Count <= 0) return;
  std::memmove(Dest, Source, size_t(Count) * 4);
}

TBitmap* GlyphBitmapA() {
  auto& s = TheScratch();
  if (!s.a) s.a.reset(MakeScratch(16, 16));
  return s.a.get();
}
TBitmap* GlyphBitmapB() {
  auto& s = TheScratch();
  if (!s.b) s.b.reset(MakeScratch(16, 16));
  return s.b.get();
}
TBitmap* MeasureBitmap() {
  auto& s = TheScratch();
  if (!s.measure) s.measure.reset(MakeScratch(8, 8));
  return s.measure.get();
}
void RecreateDrawingObjects() {
  FreeDrawingObjects();
  GlyphBitmapA();
  GlyphBitmapB();
  MeasureBitmap();
}
void FreeDrawingObjects() {
  auto& s = TheScratch();
  s.a.reset();
  s.b.reset();
  s.measure.reset();
}
