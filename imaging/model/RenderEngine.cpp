#include "imaging/model/RenderEngine.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "imaging/model/ColorSpaces.h"
#include "imaging/model/IEBitRoutines.h"
#include "imaging/model/IEWorkBitmap.h"
#include "imaging/model/PixelHelpers.h"
#include "imaging/model/TIEBitmap.h"
#include "rtl/Numeric.h"

int32_t IEBlendChannel(TIEBlendOperation Operation, int32_t s, int32_t d) {
  int32_t r;
  switch (Operation) {
    case 0: r = s; break;
    case 1: r = d + s; break;
    case 2: r = std::abs(d - s); break;
    case 3: r = d / std::clamp(s, 1, 255); break;
    case 4: r = s * d >> 8; break;
    case 5: r = d | s; break;
    case 6: r = d & s; break;
    case 7: r = d ^ s; break;
    case 8: r = std::max(d, s); break;
    case 9: r = std::min(d, s); break;
    case 10: r = (d + s) >> 1; break;
    case 11: r = 255 - ((255 - d) * (255 - s) >> 8); break;
    case 12: r = 255 - std::abs(255 - s - d); break;
    // Stays within 0..255 for any two bytes: 255 at 0 over 255 and 255 over
    // 0 (and 1 over 255), 2 at 255 over 255.
    case 13: r = d + s - s * d / 128; break;
    case 14: r = d >= 128 ? 255 - ((255 - d) * (255 - s) >> 7) : s * d >> 7; break;
    case 15: r = s >= 128 ? 255 - ((255 - d) * (255 - s) >> 7) : s * d >> 7; break;
    case 16: {
      const double c = s / 255.0, e = d / 255.0;
      r = static_cast<int32_t>(Trunc(255 * (c >= 0.5 ? std::sqrt(e) * (2 * c - 1) + 2 * e * (1 - c)
                                                     : e * e * (1 - 2 * c) + 2 * c * e)));
      break;
    }
    case 17: {
      const int32_t m = s * d >> 8;
      const int32_t S = 255 - ((255 - d) * (255 - s) >> 8);
      r = m + (d * (S - m) >> 8);
      break;
    }
    case 18: r = s == 255 ? 255 : std::min(d * 256 / (255 - s), 255); break;
    case 19: r = s == 0 ? 0 : std::max(255 - ((255 - d) << 8) / s, 0); break;
    case 20: r = d == 255 ? 255 : std::min(s * 256 / (255 - d), 255); break;
    case 21: r = d == 0 ? 0 : std::max(255 - ((255 - s) << 8) / d, 0); break;
    case 22:
      if (s + d < 256)
        r = s == 255 ? 255 : std::min(d * 128 / (255 - s), 255);
      else
        r = std::max(255 - ((255 - s) << 7) / d, 0);
      break;
    case 23:
      if (s + d < 256)
        r = d == 255 ? 255 : std::min(s * 128 / (255 - d), 255);
      else
        r = std::max(255 - ((255 - d) << 7) / s, 0);
      break;
    case 24: r = s == 255 ? 255 : std::min(d * d / (255 - s), 255); break;
    case 25: r = d == 255 ? 255 : std::min(s * s / (255 - d), 255); break;
    case 26: r = s == 0 ? 0 : std::max(255 - (255 - d) * (255 - d) / s, 0); break;
    case 27: r = d == 0 ? 0 : std::max(255 - (255 - s) * (255 - s) / d, 0); break;
    case 28: r = d + s - 256; break;
    case 29: r = std::min(IECosineTable()[s] + IECosineTable()[d], 255); break;
    case 30: r = d + 2 * s - 256; break;
    default: r = d; break;
  }
  return std::clamp(r, 0, 255);
}

TRGB IEBlendPixel(TIEBlendOperation Operation, const TRGB& s, const TRGB& d) {
  if (Operation >= 0 && Operation <= 30)
    return TRGB{static_cast<uint8_t>(IEBlendChannel(Operation, s.b, d.b)),
                static_cast<uint8_t>(IEBlendChannel(Operation, s.g, d.g)),
                static_cast<uint8_t>(IEBlendChannel(Operation, s.r, d.r))};
  TRGB r = d;
  switch (Operation) {
    case 31: r.r = s.r; return r;
    case 32: r.g = s.g; return r;
    case 33: r.b = s.b; return r;
    case 34: case 35: case 36: case 37: {
      double hs, ss, ls, hd, sd, ld;
      RGBToHSL(s, hs, ss, ls);
      RGBToHSL(d, hd, sd, ld);
      if (Operation == 34) return HSLToRGB(hs, sd, ld);
      if (Operation == 35) return HSLToRGB(hd, ss, ld);
      if (Operation == 36) return HSLToRGB(hs, ss, ld);
      return HSLToRGB(hs, sd, ls);
    }
    default: return d;
  }
}

namespace {
double ContrastFactor(int32_t Contrast) {
  return Contrast < 0 ? 1 - std::sqrt(static_cast<double>(-Contrast)) / 10 : Contrast / 10.0 + 1;
}

struct RenderJob {
  TIEBitmap* source;
  TIEBitmap* alpha;  // null unless used
  uint8_t** dest_rows;
  int32_t x1, x2, y1, y2;
  const int32_t* cols;  // indexed x - x1
  const int32_t* rows;  // indexed y - y1
  int32_t transparency;
  bool blend;
  bool solid;
  TIEBlendOperation op;
};

// Draws the rows: each destination row gets the source triples of its
// columns, adjusted and combined with the destination, then blended.
void RenderRows(const RenderJob& j) {
  TIEBitmap* src = j.source;
  const TIEPixelFormat f = src->PixelFormat();
  const int32_t sw = src->Width(), sh = src->Height();
  const int32_t n = j.x2 - j.x1 + 1;
  std::vector<TRGB> line(static_cast<size_t>(n));
  const bool adjusted = (f == ieRGB24 || f == ieRGB48) && (src->AdjustEnabled || src->Contrast != 0 || j.op != 0);
  const double K = ContrastFactor(src->Contrast);
  const int64_t Ki = Trunc(K * 65536);
  const int32_t off[3] = {src->BlueOffset, src->GreenOffset, src->RedOffset};  // memory order b, g, r
  const double gmin = src->GrayMin, gmax = src->GrayMax;
  // A range with an infinite or undefined end is no range.
  const bool ranged = std::isfinite(gmin) && std::isfinite(gmax) && gmax - gmin != 0;
  const bool solid = j.solid && (f == ieRGB24 || f == ieMono1);
  // 0..255 from any double, truncated: no value of the image can make the
  // conversion fail and stop the render.
  auto byte_of = [](double x) -> uint8_t {
    if (!(x > 0)) return 0;
    if (x >= 255) return 255;
    return static_cast<uint8_t>(x);
  };
  auto grey_of = [&](double v, bool integer) -> uint8_t {
    if (!ranged) return ClampToByte(static_cast<int64_t>(v));
    const double lo = integer ? static_cast<double>(Trunc(gmin)) : gmin;
    const double hi = integer ? static_cast<double>(Trunc(gmax)) : gmax;
    if (std::isnan(v)) v = gmin;  // an undefined sample shows as the range's minimum
    v = std::clamp(v, std::min(lo, hi), std::max(lo, hi));
    return byte_of((v - gmin) / (gmax - gmin) * 255);
  };
  int32_t prev_r = -1, prev_y = -1;
  for (int32_t y = j.y1; y <= j.y2; ++y) {
    const int32_t R = std::clamp(j.rows[y - j.y1], 0, sh - 1);
    uint8_t* drow = j.dest_rows[y];
    // Zoomed in, several destination rows show one source row. Over a solid
    // background (the caller's promise: one colour under every row) they all
    // come out alike, so the row drawn last is copied.
    if (solid && R == prev_r && prev_y >= 0) {
      std::memcpy(drow + int64_t{j.x1} * 3, j.dest_rows[prev_y] + int64_t{j.x1} * 3, static_cast<size_t>(n) * 3);
      prev_y = y;
      continue;
    }
    const uint8_t* in = src->GetScanline(R);
    for (int32_t i = 0; i < n; ++i) {
      const int64_t C = std::clamp(j.cols[i], 0, sw - 1);
      TRGB s{0, 0, 0};
      switch (f) {
        case ieMono1: s = GetBit(in, C) ? TRGB{255, 255, 255} : TRGB{0, 0, 0}; break;
        case iePalette8: s = src->GetPaletteEntry(in[C]); break;
        case ieGray8: { uint8_t g = ranged ? grey_of(in[C], true) : in[C]; s = TRGB{g, g, g}; break; }
        case ieGray16: {
          uint16_t w;
          std::memcpy(&w, in + C * 2, 2);
          uint8_t g = ranged ? grey_of(w, true) : static_cast<uint8_t>(w >> 8);
          s = TRGB{g, g, g};
          break;
        }
        case ie32f: {
          float v;
          std::memcpy(&v, in + C * 4, 4);
          uint8_t g = ranged ? grey_of(v, false) : byte_of(std::isfinite(v) ? v * 255.0 : 0.0);
          s = TRGB{g, g, g};
          break;
        }
        case ieCMYK: { TCMYK c; std::memcpy(&c, in + C * 4, 4); s = CMYKToRGB(c); break; }
        case ieCIELab: { TCIELab c; std::memcpy(&c, in + C * 3, 3); s = CIELabToRGB(c); break; }
        case ieRGB24: {
          std::memcpy(&s, in + C * 3, 3);
          if (adjusted) {
            uint8_t* ch = reinterpret_cast<uint8_t*>(&s);
            for (int k = 0; k < 3; ++k) ch[k] = ClampToByte(Ki * (ch[k] + off[k] - 128) / 65536 + 128);
          }
          break;
        }
        case ieRGB48: {
          TRGB48 w;
          std::memcpy(&w, in + C * 6, 6);
          if (adjusted) {
            // The arithmetic shift keeps a negative adjusted value negative,
            // so that it clamps to black.
            auto ch = [&](uint16_t v, int32_t o) {
              return ClampToByte(Trunc((v + o - 32768) * K + 32768) >> 8);
            };
            s = TRGB{ch(w.b, src->BlueOffset), ch(w.g, src->GreenOffset), ch(w.r, src->RedOffset)};
          } else {
            s = TRGB{static_cast<uint8_t>(w.b >> 8), static_cast<uint8_t>(w.g >> 8), static_cast<uint8_t>(w.r >> 8)};
          }
          break;
        }
        default: break;
      }
      uint8_t* d = drow + int64_t{j.x1 + i} * 3;
      if (adjusted) {
        TRGB dp;
        std::memcpy(&dp, d, 3);
        s = IEBlendPixel(j.op, s, dp);
      }
      line[static_cast<size_t>(i)] = s;
    }
    if (!j.blend) {
      std::memcpy(drow + int64_t{j.x1} * 3, line.data(), static_cast<size_t>(n) * 3);
    } else {
      const uint8_t* arow = j.alpha ? j.alpha->GetScanline(R) : nullptr;
      for (int32_t i = 0; i < n; ++i) {
        int32_t a = j.transparency;
        if (arow) a = std::min<int32_t>(a, arow[std::clamp(j.cols[i], 0, sw - 1)]);
        uint8_t* d = drow + int64_t{j.x1 + i} * 3;
        const uint8_t* sp = reinterpret_cast<const uint8_t*>(&line[static_cast<size_t>(i)]);
        for (int k = 0; k < 3; ++k) d[k] = static_cast<uint8_t>(d[k] + ((a * (sp[k] - d[k])) >> 8));
      }
    }
    prev_r = R;
    prev_y = y;
  }
}

// Restores the source's row access on every way out.
struct AccessGuard {
  TIEBitmap* b;
  uint8_t saved;
  explicit AccessGuard(TIEBitmap* bitmap) : b(bitmap), saved(bitmap->Access) { bitmap->Access = iedRead; }
  ~AccessGuard() {
    b->UnmapRows();
    if (b->HasAlphaChannel()) b->GetAlphaChannel()->UnmapRows();
    b->Access = saved;
  }
};

// The destination and source rectangles after clipping to the destination.
struct Placement {
  int32_t xd, yd, wd, hd;  // in the destination
  int32_t xs, ys, ws, hs;  // in the source
};

// Cuts the destination rectangle to the destination image and the source
// rectangle by the same share (rX, rY source pixels per destination pixel).
Placement ClipPlacement(int32_t DW, int32_t DH, int32_t SW, int32_t SH, int32_t XDst, int32_t YDst,
                        int32_t WidthDst, int32_t HeightDst, int32_t XSrc, int32_t YSrc, int32_t WidthSrc,
                        int32_t HeightSrc, double rX, double rY) {
  // The clipping runs in 64 bits: a placement far outside the destination
  // (a huge layer far off) must not overflow.
  auto cut_of = [](int64_t d, double r) {
    const double v = std::trunc(d * r);
    return static_cast<int64_t>(std::clamp(v, -4611686018427387904.0, 4611686018427387904.0));
  };
  int64_t xdst = XDst, ydst = YDst, wdst = WidthDst, hdst = HeightDst;
  int64_t xsrc = XSrc, ysrc = YSrc, wsrc = WidthSrc, hsrc = HeightSrc;
  if (ydst < 0) {
    const int64_t d = -ydst, t = cut_of(d, rY);
    ydst = 0;
    hdst -= d;
    ysrc += t;
    hsrc -= t;
  }
  if (xdst < 0) {
    const int64_t d = -xdst, t = cut_of(d, rX);
    xdst = 0;
    wdst -= d;
    xsrc += t;
    wsrc -= t;
  }
  if (ydst + hdst > DH) {
    hsrc -= cut_of(ydst + hdst - DH, rY);
    hdst = DH - ydst;
  }
  if (xdst + wdst > DW) {
    wsrc -= cut_of(xdst + wdst - DW, rX);
    wdst = DW - xdst;
  }
  auto fit = [](int64_t v, int64_t lo, int64_t hi) { return static_cast<int32_t>(std::clamp(v, lo, hi)); };
  return Placement{fit(xdst, 0, DW - 1), fit(ydst, 0, DH - 1), fit(wdst, 0, DW), fit(hdst, 0, DH),
                   fit(xsrc, 0, SW - 1), fit(ysrc, 0, SH - 1), fit(wsrc, 0, SW), fit(hsrc, 0, SH)};
}

// The filtered road: the source part is resampled to the destination size
// (its alpha channel with it when used) and that copy is drawn 1:1.
void RenderResampled(TIEBitmap* Source, TIEBitmap* Dest, const Placement& p, const TIEUpdateRect* UpdateRect,
                     bool EnableAlpha, bool AlphaWanted, bool SolidBackground, int32_t Transparency,
                     TResampleFilter Filter, TIEBlendOperation Operation) {
  const TIEPixelFormat sf = Source->PixelFormat();
  const bool projection = Filter == rfProjectBW || Filter == rfProjectWB;
  TIEBitmap resampled;
  // A black-and-white source that only shrinks goes to grey levels by area
  // instead (thin lines stay visible); the filters take everything else.
  if ((p.ws < p.wd || sf != ieMono1 || AlphaWanted || projection) && (sf == ieRGB24 || (p.ws >= 1 && p.hs >= 1))) {
    if (p.ws < 1 || p.hs < 1 || p.wd < 1 || p.hd < 1) return;
    TIEBitmap part;
    part.Allocate(p.ws, p.hs, sf);
    Source->CopyRectTo(&part, p.xs, p.ys, 0, 0, p.ws, p.hs);
    if (AlphaWanted) {
      Source->GetAlphaChannel()->CopyRectTo(part.GetAlphaChannel(), p.xs, p.ys, 0, 0, p.ws, p.hs);
      part.GetAlphaChannel()->Full = Source->GetAlphaChannel()->Full;
    }
    resampled.Allocate(p.wd, p.hd, sf == ieMono1 && projection ? ieMono1 : ieRGB24);
    if (sf == ieMono1)
      ResampleMono1(&part, &resampled, Filter);
    else
      ResampleRGB24(&part, &resampled, Filter);
    if (AlphaWanted) {
      ResampleGray8(part.GetAlphaChannel(), resampled.GetAlphaChannel(), Filter);
      resampled.GetAlphaChannel()->Full = part.GetAlphaChannel()->Full;
    }
  } else if (p.wd > 0 && p.hd > 0) {
    resampled.Allocate(p.wd, p.hd, ieRGB24);
    ShrinkBWToGray(Source, p.xs, p.ys, p.xs + p.ws - 1, p.ys + p.hs - 1, &resampled);
  } else {
    return;
  }
  // The copy is drawn with the source's colour adjustment.
  resampled.RedOffset = Source->RedOffset;
  resampled.GreenOffset = Source->GreenOffset;
  resampled.BlueOffset = Source->BlueOffset;
  resampled.AdjustEnabled = Source->AdjustEnabled;
  resampled.Contrast = Source->Contrast;
  std::unique_ptr<TIERowPointers> rows;
  std::unique_ptr<TIEMapTable> ct, rt;
  RenderToTIEBitmapEx(&resampled, Dest, rows, ct, rt, UpdateRect, p.xd, p.yd, resampled.Width(), resampled.Height(),
                      0, 0, resampled.Width(), resampled.Height(), EnableAlpha, SolidBackground, Transparency, rfNone,
                      true, Operation);
}

// The destination pixels drawn, all sides inclusive: the placement, cut to
// the update rectangle and the destination, and to what tables handed in by
// the caller can map.
struct Span {
  int32_t x1, x2, y1, y2;
  bool Empty() const { return x2 < x1 || y2 < y1; }
};

Span DrawnSpan(const Placement& p, int32_t DW, int32_t DH, int32_t SW, int32_t SH, const TIEUpdateRect* UpdateRect,
               const TIEMapTable* GivenColumns, const TIEMapTable* GivenRows) {
  Span s{p.xd, std::min(p.xd + p.wd - 1, DW - 1), p.yd, std::min(p.yd + p.hd - 1, DH - 1)};
  if (UpdateRect) {
    s.x1 = std::max(UpdateRect->Left, s.x1);
    s.x2 = std::min(UpdateRect->Right, s.x2);
    s.y1 = std::max(UpdateRect->Top, s.y1);
    s.y2 = std::min(UpdateRect->Bottom, s.y2);
  }
  s.x1 = std::clamp(s.x1, 0, DW - 1);
  s.x2 = std::clamp(s.x2, 0, DW - 1);
  s.y1 = std::clamp(s.y1, 0, DH - 1);
  s.y2 = std::clamp(s.y2, 0, DH - 1);
  // A table kept from an earlier call may be shorter, or point past a source
  // that has shrunk since: the span ends where it stops being valid.
  if (GivenColumns)
    while (s.x2 >= s.x1 &&
           (static_cast<size_t>(s.x2 - s.x1) >= GivenColumns->size() ||
            (*GivenColumns)[static_cast<size_t>(s.x2 - s.x1)] >= SW))
      --s.x2;
  if (GivenRows)
    while (s.y2 >= s.y1 &&
           (static_cast<size_t>(s.y2 - s.y1) >= GivenRows->size() ||
            (*GivenRows)[static_cast<size_t>(s.y2 - s.y1)] >= SH))
      --s.y2;
  return s;
}

// 1:1 without adjustment, blending or alpha: the rows are copied as they are.
void CopyRowsPlain(TIEBitmap* Source, const TIERowPointers& DestRows, const Placement& p, const Span& s) {
  const int32_t SW = Source->Width(), SH = Source->Height();
  const int32_t sx = s.x1 - p.xd + p.xs;
  const int32_t n = std::min(s.x2 - s.x1 + 1, SW - sx);
  for (int32_t y = s.y1; y <= s.y2 && n > 0; ++y) {
    const int32_t sy = y - p.yd + p.ys;
    if (sy < 0 || sy >= SH) continue;
    std::memcpy(DestRows[static_cast<size_t>(y)] + int64_t{s.x1} * 3, Source->GetScanline(sy) + int64_t{sx} * 3,
                static_cast<size_t>(n) * 3);
  }
}

// The source column of each destination column of the span, and the source
// row of each destination row.
std::unique_ptr<TIEMapTable> MapTable(int32_t From, int32_t To, int32_t Origin, double Ratio, int32_t SourceStart,
                                      int32_t SourceSize) {
  auto t = std::make_unique<TIEMapTable>(static_cast<size_t>(To - From + 1));
  for (int32_t v = From; v <= To; ++v)
    (*t)[static_cast<size_t>(v - From)] =
        std::min(static_cast<int32_t>(Trunc((v - Origin) * Ratio + SourceStart)), SourceSize - 1);
  return t;
}
}  // namespace

void RenderToTIEBitmapEx(TIEBitmap* Source, TIEBitmap* Dest, std::unique_ptr<TIERowPointers>& DestRows,
                         std::unique_ptr<TIEMapTable>& ColumnTable, std::unique_ptr<TIEMapTable>& RowTable,
                         const TIEUpdateRect* UpdateRect, int32_t XDst, int32_t YDst, int32_t WidthDst,
                         int32_t HeightDst, int32_t XSrc, int32_t YSrc, int32_t WidthSrc, int32_t HeightSrc,
                         bool EnableAlpha, bool SolidBackground, int32_t Transparency, TResampleFilter Filter,
                         bool FreeTables, TIEBlendOperation Operation) {
  if (!Source || !Dest || Source->IsEmpty() || Dest->IsEmpty()) return;
  if (Dest->PixelFormat() != ieRGB24 || Dest->Location() == ieTempFile) return;
  AccessGuard guard(Source);
  const int32_t DW = Dest->Width(), DH = Dest->Height(), SW = Source->Width(), SH = Source->Height();
  if (WidthDst == 0 || HeightDst == 0 || WidthSrc == 0 || HeightSrc == 0) return;
  if (YDst > DH - 1 || XDst > DW - 1) return;
  const double rY = static_cast<double>(HeightSrc) / HeightDst, rX = static_cast<double>(WidthSrc) / WidthDst;
  const Placement p =
      ClipPlacement(DW, DH, SW, SH, XDst, YDst, WidthDst, HeightDst, XSrc, YSrc, WidthSrc, HeightSrc, rX, rY);
  const TIEPixelFormat sf = Source->PixelFormat();
  // An alpha channel is used only when it has the image's size; any other is
  // taken as absent.
  TIEBitmap* const alpha = Source->HasAlphaChannel() ? Source->GetAlphaChannel() : nullptr;
  const bool alpha_fits = alpha && alpha->Width() == SW && alpha->Height() == SH;
  const bool alpha_wanted = EnableAlpha && alpha_fits;

  if (Filter != rfNone && (p.wd != p.ws || p.hd != p.hs) && (sf == ieMono1 || sf == ieRGB24)) {
    RenderResampled(Source, Dest, p, UpdateRect, EnableAlpha, alpha_wanted, SolidBackground, Transparency, Filter,
                    Operation);
    return;
  }
  if (p.wd == 0 || p.hd == 0 || p.ws == 0 || p.hs == 0) return;

  // Tables the caller hands in are reused (a repaint with the same
  // geometry); those built here are given back to it unless FreeTables.
  const bool built_rows = !DestRows, built_cols = !ColumnTable, built_row_table = !RowTable;
  if (built_rows) {
    DestRows = std::make_unique<TIERowPointers>(static_cast<size_t>(DH));
    for (int32_t y = 0; y < DH; ++y) (*DestRows)[static_cast<size_t>(y)] = Dest->GetScanline(y);
  }
  auto hand_back = [&]() {
    if (FreeTables) {
      if (built_rows) DestRows.reset();
      if (built_cols) ColumnTable.reset();
      if (built_row_table) RowTable.reset();
    }
  };
  if (DestRows->size() < static_cast<size_t>(DH)) {
    hand_back();
    return;
  }
  const Span s = DrawnSpan(p, DW, DH, SW, SH, UpdateRect, built_cols ? nullptr : ColumnTable.get(),
                           built_row_table ? nullptr : RowTable.get());
  if (s.Empty()) {
    hand_back();
    return;
  }
  const bool use_alpha = alpha_wanted && !alpha->Full;
  const int32_t zY = static_cast<int32_t>(Trunc(static_cast<double>(p.hs) / p.hd * 16384));
  const int32_t zX = static_cast<int32_t>(Trunc(static_cast<double>(p.ws) / p.wd * 16384));
  if (zX == 16384 && zY == 16384 && sf == ieRGB24 && Transparency >= 255 && !use_alpha && !Source->AdjustEnabled &&
      Source->Contrast == 0 && Operation == 0) {
    CopyRowsPlain(Source, *DestRows, p, s);
    hand_back();
    return;
  }
  if (built_cols) ColumnTable = MapTable(s.x1, s.x2, p.xd, rX, p.xs, SW);
  if (built_row_table) RowTable = MapTable(s.y1, s.y2, p.yd, rY, p.ys, SH);
  RenderJob job{Source,
                use_alpha ? alpha : nullptr,
                DestRows->data(),
                s.x1, s.x2, s.y1, s.y2,
                ColumnTable->data(),
                RowTable->data(),
                std::clamp(Transparency, 0, 255),
                Transparency < 255 || use_alpha,
                SolidBackground,
                Operation};
  try {
    RenderRows(job);
  } catch (...) {
    // A failing row read (a temporary file gone bad) leaves the rest undrawn.
  }
  hand_back();
}

void RenderToTIEBitmap(TIEBitmap* Source, TIEBitmap* Dest, int32_t XDst, int32_t YDst, int32_t WidthDst,
                       int32_t HeightDst, int32_t XSrc, int32_t YSrc, int32_t WidthSrc, int32_t HeightSrc,
                       int32_t Transparency, TResampleFilter Filter, TIEBlendOperation Operation) {
  std::unique_ptr<TIERowPointers> rows;
  std::unique_ptr<TIEMapTable> ct, rt;
  RenderToTIEBitmapEx(Source, Dest, rows, ct, rt, nullptr, XDst, YDst, WidthDst, HeightDst, XSrc, YSrc, WidthSrc,
                      HeightSrc, true, false, Transparency, Filter, true, Operation);
}

void RenderToTBitmapEx(TIEBitmap* Source, TBitmap* Bitmap, std::unique_ptr<TIERowPointers>& DestRows,
                       std::unique_ptr<TIEMapTable>& ColumnTable, std::unique_ptr<TIEMapTable>& RowTable,
                       const TIEUpdateRect* UpdateRect, int32_t XDst, int32_t YDst, int32_t WidthDst,
                       int32_t HeightDst, int32_t XSrc, int32_t YSrc, int32_t WidthSrc, int32_t HeightSrc,
                       bool EnableAlpha, bool SolidBackground, int32_t Transparency, TResampleFilter Filter,
                       bool FreeTables, TIEBlendOperation Operation) {
  if (!Bitmap) return;
  TIEBitmap target;
  target.EncapsulateTBitmap(Bitmap, false);
  RenderToTIEBitmapEx(Source, &target, DestRows, ColumnTable, RowTable, UpdateRect, XDst, YDst, WidthDst, HeightDst,
                      XSrc, YSrc, WidthSrc, HeightSrc, EnableAlpha, SolidBackground, Transparency, Filter,
                      FreeTables, Operation);
}

void RenderToTBitmap(TIEBitmap* Source, TBitmap* Bitmap, int32_t XDst, int32_t YDst, int32_t WidthDst,
                     int32_t HeightDst, int32_t XSrc, int32_t YSrc, int32_t WidthSrc, int32_t HeightSrc,
                     int32_t Transparency, TResampleFilter Filter, TIEBlendOperation Operation) {
  std::unique_ptr<TIERowPointers> rows;
  std::unique_ptr<TIEMapTable> ct, rt;
  RenderToTBitmapEx(Source, Bitmap, rows, ct, rt, nullptr, XDst, YDst, WidthDst, HeightDst, XSrc, YSrc, WidthSrc,
                    HeightSrc, true, false, Transparency, Filter, true, Operation);
}
