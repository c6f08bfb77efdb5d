#include "imaging/model/TIEMask.h"

#include <algorithm>
#include <cstring>

#include "imaging/model/IEBitRoutines.h"
#include "imaging/model/TIEBitmap.h"
#include "platform/Draw.h"
#include "rtl/Exception.h"
#include "ui/TBitmap.h"
#include "ui/TCanvas.h"
#include "ui/TColor.h"

void TIEMask::AllocateBits(int32_t Width, int32_t Height, int32_t BitsPerPixel) {
  bits_.clear();
  width_ = std::max(Width, 0);
  height_ = std::max(Height, 0);
  bits_per_pixel_ = BitsPerPixel == 1 ? 1 : 8;
  row_len_ = AlignedRowLength(width_, bits_per_pixel_, 32);
  try {
    bits_ = TZeroedMemory(static_cast<size_t>(row_len_ * height_));
  } catch (const std::bad_alloc&) {
    width_ = height_ = 0;
    row_len_ = 0;
    throw EOutOfMemory("Out of memory");
  }
  EmptyBox();
  Full = false;
}

void TIEMask::Resize(int32_t NewWidth, int32_t NewHeight) {
  const TZeroedMemory old = std::move(bits_);
  const int32_t old_h = height_;
  const int64_t old_len = row_len_;
  const int32_t l = Left, t = Top, r = Right, b = Bottom;
  AllocateBits(NewWidth, NewHeight, bits_per_pixel_);
  // The top-left content stays in place: the last rows of the bottom-up block.
  const int64_t n = std::min(old_len, row_len_);
  for (int32_t y = 0; y < std::min(old_h, height_); ++y)
    std::memcpy(GetScanline(y), old.data() + old_len * (int64_t{old_h} - y - 1), static_cast<size_t>(n));
  if (l != INT32_MAX) {
    Left = l, Top = t, Right = r, Bottom = b;
    ClampBox();
  }
}

void TIEMask::GrowBox(int32_t x, int32_t y) {
  if (Left == INT32_MAX) {
    Left = Right = x;
    Top = Bottom = y;
  } else {
    Left = std::min(Left, x);
    Top = std::min(Top, y);
    Right = std::max(Right, x);
    Bottom = std::max(Bottom, y);
  }
}

void TIEMask::ClampBox() {
  if (IsEmpty()) return;
  Left = std::clamp(Left, 0, std::max(width_ - 1, 0));
  Right = std::clamp(Right, 0, std::max(width_ - 1, 0));
  Top = std::clamp(Top, 0, std::max(height_ - 1, 0));
  Bottom = std::clamp(Bottom, 0, std::max(height_ - 1, 0));
}

void TIEMask::SetPixel(int32_t x, int32_t y, int32_t Value) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  if (Value != 0) GrowBox(x, y);
  uint8_t* row = GetScanline(y);
  if (bits_per_pixel_ == 1)
    SetBit(row, x, Value != 0);
  else
    row[x] = static_cast<uint8_t>(Value);
  KeepFull(Value);
}

int32_t TIEMask::GetPixel(int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  const uint8_t* row = GetScanline(y);
  return bits_per_pixel_ == 1 ? (GetBit(row, x) ? 1 : 0) : row[x];
}

void TIEMask::Fill(int32_t Value) {
  if (!bits_.empty()) std::memset(bits_.data(), Value, bits_.size());
  Full = bits_per_pixel_ == 1 || Value == 255;
}

void TIEMask::Clear() {
  Fill(0);
  EmptyBox();
}

void TIEMask::SyncBoundingBox() {
  EmptyBox();
  for (int32_t y = 0; y < height_; ++y)
    for (int32_t x = 0; x < width_; ++x)
      if (GetPixel(x, y)) GrowBox(x, y);
}

void TIEMask::SyncFull() {
  bool full = width_ > 0 && height_ > 0;
  for (int32_t y = 0; y < height_ && full; ++y) {
    const uint8_t* row = GetScanline(y);
    if (bits_per_pixel_ == 1) {
      for (int32_t i = 0; i < width_ / 8 && full; ++i) full = row[i] == 255;
      for (int32_t x = width_ / 8 * 8; x < width_ && full; ++x) full = GetBit(row, x);
    } else {
      for (int32_t x = 0; x < width_ && full; ++x) full = row[x] == 255;
    }
  }
  Full = full;
}

void TIEMask::FillRow(int32_t Value, int32_t X1, int32_t X2, int32_t Y) {
  X1 = std::max(X1, 0);
  X2 = std::min(X2, width_ - 1);
  Y = std::min(Y, height_ - 1);
  // A row above the mask is no row: writing it would land before the block.
  if (Y < 0 || X2 < X1) return;
  uint8_t* row = GetScanline(Y);
  if (bits_per_pixel_ == 1) {
    for (int32_t x = X1; x <= X2; ++x) SetBit(row, x, Value != 0);
  } else {
    std::memset(row + X1, Value, static_cast<size_t>(X2 - X1 + 1));
  }
  KeepFull(Value);
}

void TIEMask::FillPolygons(int32_t Value, const int32_t* Points, int32_t Count) {
  int32_t start = 0;
  for (int32_t i = 0; i <= Count; ++i) {
    if (i == Count || Points[2 * i] == kPolygonSeparator) {
      if (i > start) FillPolygon(Value, Points + 2 * start, i - start);
      start = i + 1;
    }
  }
  SyncFull();
}

namespace {
struct Edge {
  int64_t x, dx, dy, bottom, error;
};
}  // namespace

void TIEMask::FillPolygon(int32_t Value, const int32_t* Points, int32_t N) {
  if (N < 2 || width_ <= 0 || height_ <= 0) return;
  int32_t ymin = INT32_MAX, ymax = INT32_MIN;
  for (int32_t i = 0; i < N; ++i) {
    const int32_t x = Points[2 * i], y = Points[2 * i + 1];
    if (Value != 0) {
      // Right and bottom grow to x - 1 and y - 1: the polygon's points lie
      // on its right and bottom edges, outside the filled pixels.
      if (x < Left) Left = x;
      if (y < Top) Top = y;
      if (Right < x) Right = x - 1;
      if (Bottom < y) Bottom = y - 1;
    }
    ymin = std::min(ymin, y);
    ymax = std::max(ymax, y);
  }
  if (Value != 0) ClampBox();
  // Only rows that lie in the mask matter; edges keep their true origin.
  const int32_t first_row = std::max(ymin, 0), last_row = std::min(ymax, height_ - 1);
  std::vector<std::vector<Edge>> buckets(static_cast<size_t>(std::max<int64_t>(int64_t{ymax} - ymin + 1, 0)));
  for (int32_t i = 0; i < N; ++i) {
    int64_t x1 = Points[2 * i], y1 = Points[2 * i + 1];
    int64_t x2 = Points[2 * ((i + 1) % N)], y2 = Points[2 * ((i + 1) % N) + 1];
    if (y1 == y2) continue;
    if (y1 > y2) std::swap(x1, x2), std::swap(y1, y2);
    buckets[static_cast<size_t>(y1 - ymin)].push_back(Edge{x1, x2 - x1, y2 - y1, y2, 0});
  }
  std::vector<Edge> active;
  bool filled = false;
  for (int64_t y = ymin; y <= ymax; ++y) {
    // Drop edges that end here, step the others.
    std::vector<Edge> next;
    for (Edge e : active) {
      if (e.bottom == y) continue;
      const int64_t q = e.dx / e.dy;
      e.x += q;
      e.error += 2 * e.dx - 2 * e.dy * q;
      if (e.error > e.dy || e.error < -e.dy) {
        e.x += e.dx > 0 ? 1 : -1;
        e.error += e.dx > 0 ? -2 * e.dy : 2 * e.dy;
      }
      next.push_back(e);
    }
    active.swap(next);
    for (const Edge& e : buckets[static_cast<size_t>(y - ymin)]) {
      auto pos = std::find_if(active.begin(), active.end(), [&](const Edge& a) {
        return a.x > e.x || (a.x == e.x && a.dx * e.dy > e.dx * a.dy);
      });
      active.insert(pos, e);
    }
    if (y < first_row || y > last_row) continue;
    for (size_t k = 0; k + 1 < active.size(); k += 2) {
      const int64_t x1 = active[k].x, x2 = active[k + 1].x;
      if (x2 - 1 >= x1 && x2 - 1 >= 0 && x1 < width_) {
        FillRow(Value, static_cast<int32_t>(std::max<int64_t>(x1, INT32_MIN)),
                static_cast<int32_t>(std::min<int64_t>(x2 - 1, INT32_MAX)), static_cast<int32_t>(y));
        filled = true;
      }
    }
  }
  if (!filled) EmptyBox();
}

void TIEMask::MoveBits(int32_t& DX, int32_t& DY, bool CutBox) {
  if (IsEmpty()) return;
  if (CutBox) {
    if (Left + DX < 0) Left = -DX;
    if (Top + DY < 0) Top = -DY;
    if (Right + DX >= width_) Right = width_ - 1 - DX;
    if (Bottom + DY >= height_) Bottom = height_ - 1 - DY;
  } else {
    if (Left + DX < 0) DX = -Left;
    if (Right + DX >= width_) DX = width_ - Right - 1;
    if (Top + DY < 0) DY = -Top;
    if (Bottom + DY >= height_) DY = height_ - Bottom - 1;
  }
  if (DX == 0 && DY == 0) return;
  if (Right < Left || Bottom < Top) {
    Clear();
    return;
  }
  if (bits_per_pixel_ == 1) {
    const int32_t run = Right - Left + 1;
    std::vector<std::vector<uint8_t>> runs;
    for (int32_t y = Top; y <= Bottom; ++y) {
      std::vector<uint8_t> bitsrun(static_cast<size_t>((run + 7) / 8 + 1), 0);
      CopyBits(bitsrun.data(), GetScanline(y), 0, row_len_, run, Left);
      runs.push_back(std::move(bitsrun));
    }
    // Every row of the old box is cleared whole, then the runs land.
    for (int32_t y = Top; y <= Bottom; ++y)
      std::memset(GetScanline(y), 0, static_cast<size_t>(row_len_));
    for (int32_t y = Top; y <= Bottom; ++y) {
      const int32_t ty = y + DY;
      if (ty < 0 || ty >= height_) continue;
      CopyBits(GetScanline(ty), runs[static_cast<size_t>(y - Top)].data(), Left + DX,
               static_cast<int64_t>(runs[static_cast<size_t>(y - Top)].size()), run, 0);
    }
  } else {
    const std::vector<uint8_t> copy(bits_.data(), bits_.data() + bits_.size());
    std::memset(bits_.data(), 0, bits_.size());
    for (int32_t y = Top; y <= Bottom; ++y)
      for (int32_t x = Left; x <= Right; ++x) {
        const int32_t tx = x + DX, ty = y + DY;
        if (tx < 0 || ty < 0 || tx >= width_ || ty >= height_) continue;
        GetScanline(ty)[tx] = copy[static_cast<size_t>(row_len_ * (int64_t{height_} - y - 1) + x)];
      }
  }
  Left += DX, Right += DX, Top += DY, Bottom += DY;
  ClampBox();
}

void TIEMask::CopyBitmapMasked(TIEBitmap* Dest, TIEBitmap* Source, bool DestAtBox, bool SourceAtBox,
                               bool WithAlpha) {
  if (IsEmpty() || !Dest || !Source) return;
  const int32_t sox = SourceAtBox ? Left : 0, soy = SourceAtBox ? Top : 0;
  const int32_t dox = DestAtBox ? Left : 0, doy = DestAtBox ? Top : 0;
  const TIEPixelFormat sf = Source->PixelFormat(), df = Dest->PixelFormat();
  if (sf == df) {
    for (int32_t y = Top; y <= Bottom; ++y) {
      const int32_t sy = y - soy, dy = y - doy;
      if (sy < 0 || sy >= Source->Height() || dy < 0 || dy >= Dest->Height()) continue;
      for (int32_t x = Left; x <= Right; ++x) {
        const int32_t m = GetPixel(x, y);
        if (m == 0) continue;
        const int32_t sx = x - sox, dx = x - dox;
        if (sx < 0 || sx >= Source->Width() || dx < 0 || dx >= Dest->Width()) continue;
        if (bits_per_pixel_ == 8) {
          // A degree of selection blends: d += (m * (s - d)) >> 8.
          if (sf == ieRGB24) {
            TRGB sp = Source->GetRGB24(sx, sy), d = Dest->GetRGB24(dx, dy);
            Dest->SetRGB24(dx, dy, TRGB{static_cast<uint8_t>(d.b + ((m * (sp.b - d.b)) >> 8)),
                                        static_cast<uint8_t>(d.g + ((m * (sp.g - d.g)) >> 8)),
                                        static_cast<uint8_t>(d.r + ((m * (sp.r - d.r)) >> 8))});
          } else if (sf == ieGray8 || sf == iePalette8) {
            int32_t sp = Source->GetByte(sx, sy), d = Dest->GetByte(dx, dy);
            Dest->SetByte(dx, dy, static_cast<uint8_t>(d + (((sp - d) * m) >> 8)));
          } else if (sf == ieMono1) {
            SetBit(Dest->GetScanline(dy), dx, GetBit(Source->GetScanline(sy), sx));
          }
          continue;
        }
        switch (sf) {
          case ieRGB24:
          case ieCIELab: Dest->SetRGB24(dx, dy, Source->GetRGB24(sx, sy)); break;
          case ieGray8:
          case iePalette8: Dest->SetByte(dx, dy, Source->GetByte(sx, sy)); break;
          case ieMono1: SetBit(Dest->GetScanline(dy), dx, GetBit(Source->GetScanline(sy), sx)); break;
          case ieGray16: Dest->SetWord(dx, dy, Source->GetWord(sx, sy)); break;
          case ie32f: Dest->SetFloat(dx, dy, Source->GetFloat(sx, sy)); break;
          case ieCMYK: Dest->SetCMYKValue(dx, dy, Source->GetCMYKValue(sx, sy)); break;
          case ieRGB48: Dest->SetRGB48(dx, dy, Source->GetRGB48(sx, sy)); break;
          default: break;
        }
      }
    }
    Source->UnmapRows();
    Dest->UnmapRows();
  }
  if (WithAlpha) CopyAlphaMasked(Dest, Source, DestAtBox, SourceAtBox);
}

void TIEMask::CopyAlphaMasked(TIEBitmap* Dest, TIEBitmap* Source, bool DestAtBox, bool SourceAtBox) {
  if (IsEmpty() || !Dest || !Source) return;
  const int32_t sox = SourceAtBox ? Left : 0, soy = SourceAtBox ? Top : 0;
  const int32_t dox = DestAtBox ? Left : 0, doy = DestAtBox ? Top : 0;
  TIEBitmap* da = Dest->GetAlphaChannel();
  TIEBitmap* sa = Source->HasAlphaChannel() ? Source->GetAlphaChannel() : nullptr;
  if (!da) return;
  for (int32_t y = Top; y <= Bottom; ++y)
    for (int32_t x = Left; x <= Right; ++x) {
      const int32_t dx = x - dox, dy = y - doy, sx = x - sox, sy = y - soy;
      if (dx < 0 || dy < 0 || dx >= da->Width() || dy >= da->Height()) continue;
      const int32_t m = GetPixel(x, y);
      int32_t s = 255;
      if (sa && sx >= 0 && sy >= 0 && sx < sa->Width() && sy < sa->Height()) s = sa->GetByte(sx, sy);
      int32_t v = m == 0 ? 0 : bits_per_pixel_ == 1 ? std::min(s, 255) : std::min(s, m);
      da->SetByte(dx, dy, static_cast<uint8_t>(v));
    }
  da->Full = false;
}

// ---- drawing

bool TIEMask::MakeZoomed(int32_t DstWidth, int32_t DstHeight, int32_t SrcX, int32_t SrcY,
                         int32_t SrcWidth, int32_t SrcHeight) {
  if (DstWidth <= 0 || DstHeight <= 0 || SrcWidth <= 0 || SrcHeight <= 0) return false;
  // A zoomed copy larger than a screen's worth of megapixels is a caller's
  // mistake; refuse instead of allocating it.
  if (int64_t{DstWidth} * DstHeight > (int64_t{1} << 28)) return false;
  if (zoomed_.width != DstWidth || zoomed_.height != DstHeight) {
    zoomed_.width = DstWidth;
    zoomed_.height = DstHeight;
    zoomed_.pixels.assign(static_cast<size_t>(int64_t{DstWidth} * DstHeight), 0);
  } else {
    std::fill(zoomed_.pixels.begin(), zoomed_.pixels.end(), uint8_t{0});
  }
  zoomed_.step_x = static_cast<int64_t>(double(SrcWidth) / DstWidth * 16384);
  zoomed_.step_y = static_cast<int64_t>(double(SrcHeight) / DstHeight * 16384);
  const int64_t x0 = std::max<int64_t>(int64_t(double(Left - SrcX) * DstWidth / SrcWidth), 0);
  const int64_t x1 = std::min<int64_t>(int64_t(double(DstWidth) / SrcWidth * (Right - SrcX + 1)), DstWidth - 1);
  const int64_t y0 = std::max<int64_t>(int64_t(double(Top - SrcY) * DstHeight / SrcHeight), 0);
  const int64_t y1 = std::min<int64_t>(int64_t(double(DstHeight) / SrcHeight * (Bottom - SrcY + 1)), DstHeight - 1);
  for (int64_t i = y0; i <= y1; ++i)
    for (int64_t j = x0; j <= x1; ++j) {
      const int64_t mx = SrcX + ((zoomed_.step_x * j) >> 14), my = SrcY + ((zoomed_.step_y * i) >> 14);
      if (mx > INT32_MAX || my > INT32_MAX) continue;
      zoomed_.pixels[static_cast<size_t>(i * DstWidth + j)] =
          GetPixel(static_cast<int32_t>(mx), static_cast<int32_t>(my)) != 0;
    }
  return true;
}

void TIEMask::DrawInvert(TCanvas* Canvas, int32_t XDst, int32_t YDst, int32_t DstWidth,
                         int32_t DstHeight, int32_t XSrc, int32_t YSrc, int32_t SrcWidth,
                         int32_t SrcHeight) {
  if (bits_per_pixel_ != 1 || IsEmpty() || bits_.empty()) return;
  struct {
    BITMAPINFO info;
    RGBQUAD white;
  } dib{};
  dib.info.bmiHeader.biSize = 40;
  dib.info.bmiHeader.biWidth = width_;
  dib.info.bmiHeader.biHeight = height_;
  dib.info.bmiHeader.biPlanes = 1;
  dib.info.bmiHeader.biBitCount = 1;
  dib.info.bmiColors[0] = RGBQUAD{0, 0, 0, 0};
  dib.white = RGBQUAD{255, 255, 255, 0};
  StretchDIBits(Canvas->Handle(), XDst, YDst, DstWidth, DstHeight, XSrc, height_ - SrcHeight - YSrc,
                SrcWidth, SrcHeight, bits_.data(), &dib.info, DIB_RGB_COLORS, SRCINVERT);
}

void TIEMask::DrawOutline(TCanvas* Canvas, int32_t XDst, int32_t YDst, int32_t DstWidth,
                          int32_t DstHeight, int32_t SrcX, int32_t SrcY, int32_t SrcWidth,
                          int32_t SrcHeight, int32_t Phase, int32_t Colour1, int32_t Colour2) {
  if (DstWidth <= 0 || DstHeight <= 0 || IsEmpty()) return;
  if (!MakeZoomed(DstWidth, DstHeight, SrcX, SrcY, SrcWidth, SrcHeight)) return;
  const COLORREF c1 = ColorToRGB(Colour1), c2 = ColorToRGB(Colour2);
  const int64_t sx = std::max<int64_t>(zoomed_.step_x, 1), sy = std::max<int64_t>(zoomed_.step_y, 1);
  const int64_t row0 = std::max<int64_t>((int64_t{Top - SrcY} << 14) / sy, 0);
  const int64_t row1 = std::min<int64_t>((int64_t{Bottom - SrcY + 1} << 14) / sy + 1, DstHeight - 1);
  const int64_t col0 = std::max<int64_t>((int64_t{Left - SrcX} << 14) / sx, 0);
  const int64_t col1 = std::min<int64_t>((int64_t{Right - SrcX + 1} << 14) / sx + 1, DstWidth - 1);
  HDC dc = Canvas->Handle();
  for (int64_t i = row0; i <= row1; ++i)
    for (int64_t j = col0; j <= col1; ++j) {
      const int32_t ii = static_cast<int32_t>(i), jj = static_cast<int32_t>(j);
      if (!zoomed_.At(jj, ii)) continue;
      bool border;
      if (j == 0)
        border = SrcX <= Left;
      else if (j == col1)
        border = SrcX + ((j * zoomed_.step_x) >> 14) >= Right || SrcWidth == width_;
      else if (i == 0)
        border = SrcY <= Top;
      else if (i == row1)
        border = SrcY + ((i * zoomed_.step_y) >> 14) >= Bottom || SrcHeight == height_;
      else {
        border = false;
        for (int dy = -1; dy <= 1 && !border; ++dy)
          for (int dx = -1; dx <= 1 && !border; ++dx) {
            const int32_t nx = jj + dx, ny = ii + dy;
            if (nx < 0 || ny < 0 || nx >= DstWidth || ny >= DstHeight || !zoomed_.At(nx, ny)) border = true;
          }
      }
      if (!border) continue;
      const int64_t px = int64_t{XDst} + j, py = int64_t{YDst} + i;
      ::SetPixel(dc, static_cast<int32_t>(px), static_cast<int32_t>(py), ((px + py + Phase) & 7) < 4 ? c2 : c1);
    }
}

void TIEMask::ShadeOutside(TBitmap* Bitmap, int32_t XDst, int32_t YDst, int32_t DstWidth,
                           int32_t DstHeight, int32_t SrcX, int32_t SrcY, int32_t SrcWidth,
                           int32_t SrcHeight) {
  if (!Bitmap || Bitmap->PixelFormat() != pf24bit || DstWidth <= 0 || DstHeight <= 0 || IsEmpty()) return;
  if (!MakeZoomed(DstWidth, DstHeight, SrcX, SrcY, SrcWidth, SrcHeight)) return;
  const int64_t sx = std::max<int64_t>(zoomed_.step_x, 1), sy = std::max<int64_t>(zoomed_.step_y, 1);
  const int64_t i0 = std::max<int64_t>((int64_t{-SrcY} << 14) / sy, 0);
  const int64_t i1 = std::min<int64_t>({(int64_t{height_ - SrcY} << 14) / sy + 1, int64_t{DstHeight} - 1,
                                        int64_t{Bitmap->Height()} - 1});
  const int64_t j0 = std::max<int64_t>((int64_t{-SrcX} << 14) / sx, 0);
  const int64_t j1 = std::min<int64_t>({(int64_t{width_ - SrcX} << 14) / sx + 1, int64_t{DstWidth} - 1,
                                        int64_t{Bitmap->Width()} - 1});
  for (int64_t i = i0; i <= i1; ++i) {
    const int64_t by = YDst + i;
    if (by < 0 || by >= Bitmap->Height()) continue;
    auto* row = static_cast<uint8_t*>(Bitmap->ScanLine(static_cast<int32_t>(by)));
    for (int64_t j = j0; j <= j1; ++j) {
      const int64_t bx = XDst + j;
      if (bx >= Bitmap->Width()) break;  // stop at the bitmap's right edge
      if (bx < 0) continue;
      if (zoomed_.At(static_cast<int32_t>(j), static_cast<int32_t>(i))) continue;
      if ((i & 1) == (j & 1)) std::memset(row + bx * 3, 97, 3);
    }
  }
}
