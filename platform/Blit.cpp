// Block transfers: pattern, bit and stretch blits with ternary raster
// operations, DIB drawing, gradients and alpha blending.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/Draw.h"
#include "platform/DrawDib.h"
#include "platform/Raster.h"

using namespace raster;

namespace {

// Source pixels of a blit, already in the destination's colour terms.
struct Block {
  int32_t w = 0, h = 0;
  std::vector<uint32_t> px;
  uint32_t At(int32_t x, int32_t y) const { return px[size_t(y) * size_t(w) + size_t(x)]; }
};

uint32_t MonoOne(HDC dc) {
  HBITMAP b = dc->st.bitmap;
  if (b && b->colors.size() > 1) {
    const RGBQUAD& q = b->colors[1];
    return (uint32_t(q.rgbRed) << 16) | (uint32_t(q.rgbGreen) << 8) | q.rgbBlue;
  }
  return 0xFFFFFF;
}

// Reads the source rectangle (surface coordinates, inside the source target)
// and converts between monochrome and colour as the two DCs ask.
Block ReadBlock(HDC src, Target& ts, const TRect& r, HDC dst, Target& td) {
  Block b;
  b.w = r.Right - r.Left;
  b.h = r.Bottom - r.Top;
  if (b.w <= 0 || b.h <= 0) return b;
  b.px.resize(size_t(b.w) * size_t(b.h));
  for (int32_t y = 0; y < b.h; ++y) ts.Read(r.Top + y, r.Left, b.w, &b.px[size_t(y) * size_t(b.w)]);
  bool srcMono = ts.Mono(), dstMono = td.Mono();
  if (srcMono && !dstMono) {
    uint32_t one = MonoOne(src);
    uint32_t fg = Px(dst->st.textColor), bg = Px(dst->st.bkColor);
    for (uint32_t& p : b.px) p = (p & 0xFFFFFF) == one ? bg : fg;
  } else if (!srcMono && dstMono) {
    uint32_t key = Px(src->st.bkColor);
    for (uint32_t& p : b.px) p = (p & 0xFFFFFF) == key ? 0xFFFFFF : 0;
  }
  return b;
}

// Writes block pixels through the raster operation; map gives the source
// pixel of a destination pixel (or false to leave it).
template <class Map>
void WriteBlock(HDC dst, Target& td, const TRect& area, uint8_t code, Map&& map) {
  TRect box = dst->Clip().Box(), d;
  if (!IntersectRect(&d, &area, &box)) return;
  Pattern pat;
  bool usesP = RopUsesPattern(code);
  if (usesP) {
    pat = Pattern(dst, dst->st.brush);
    if (pat.null) return;
  }
  for (int32_t y = d.Top; y < d.Bottom; ++y) {
    dst->Clip().ForEachSpan(y, d.Left, d.Right, [&](int32_t l, int32_t r) {
      td.Modify(y, l, r, [&](uint32_t* p, int32_t xs, int32_t n) {
        for (int32_t i = 0; i < n; ++i) {
          int32_t x = xs + i;
          uint32_t s;
          if (!map(x, y, s)) continue;
          if (code == 0xCC) {
            p[i] = s;  // a plain copy keeps the alpha byte
            continue;
          }
          if (usesP && !pat.Paints(x, y)) continue;
          p[i] = Rop3(code, usesP ? pat.At(x, y) : 0, s, p[i]);
        }
      });
    });
  }
}

// A negative extent runs back from the start pixel, which it includes
// (x = 9, w = -10 covers 0 .. 9).
TRect Norm(int32_t x, int32_t y, int32_t w, int32_t h) {
  auto lim = [](int64_t v) { return DeviceContext::Limit(v); };
  TRect r;
  r.Left = w < 0 ? lim(int64_t(x) + w + 1) : x;
  r.Right = w < 0 ? lim(int64_t(x) + 1) : lim(int64_t(x) + w);
  r.Top = h < 0 ? lim(int64_t(y) + h + 1) : y;
  r.Bottom = h < 0 ? lim(int64_t(y) + 1) : lim(int64_t(y) + h);
  return r;
}

// Source index of destination index i (0 .. dn - 1) over sn source pixels.
inline int32_t Nearest(int32_t i, int32_t dn, int32_t sn, bool mirror) {
  int32_t s = int32_t(((2 * int64_t(i) + 1) * sn) / (2 * int64_t(dn)));
  s = std::clamp(s, 0, sn - 1);
  return mirror ? sn - 1 - s : s;
}

// Area weights of source cells for each destination cell (box filter).
struct Weights {
  std::vector<int32_t> start;
  std::vector<std::vector<double>> w;
};

// Weights of destination cells from .. to - 1 (entry 0 is cell from).
Weights AreaWeights(int32_t dn, int32_t sn, int32_t from, int32_t to) {
  Weights ws;
  ws.start.resize(size_t(to - from));
  ws.w.resize(size_t(to - from));
  double scale = double(sn) / dn;
  for (int32_t i = from; i < to; ++i) {
    double a = i * scale, b = (i + 1) * scale;
    if (b - a < 1.0) {
      // Enlarging: a one-pixel window centred on the sample point.
      double c = (a + b) / 2;
      a = c - 0.5;
      b = c + 0.5;
    }
    int32_t s0 = int32_t(std::floor(a)), s1 = int32_t(std::ceil(b));
    std::vector<double> w;
    double total = 0;
    for (int32_t s = s0; s < s1; ++s) {
      double cov = std::min<double>(b, s + 1) - std::max<double>(a, s);
      w.push_back(std::max(cov, 0.0));
      total += std::max(cov, 0.0);
    }
    for (double& v : w) v /= total;
    ws.start[size_t(i - from)] = s0;
    ws.w[size_t(i - from)] = std::move(w);
  }
  return ws;
}

// Resamples a block to dw x dh by area averaging (mirroring as asked); only
// the cells of part (in destination cells) are computed.
Block Halftone(const Block& src, int32_t dw, int32_t dh, bool mirrorX, bool mirrorY,
               const TRect& part) {
  Block out;
  out.w = part.Width();
  out.h = part.Height();
  out.px.resize(size_t(out.w) * size_t(out.h));
  Weights wx = AreaWeights(dw, src.w, part.Left, part.Right),
          wy = AreaWeights(dh, src.h, part.Top, part.Bottom);
  for (int32_t j = part.Top; j < part.Bottom; ++j) {
    for (int32_t i = part.Left; i < part.Right; ++i) {
      double acc[4] = {0, 0, 0, 0};
      const auto& wyv = wy.w[size_t(j - part.Top)];
      const auto& wxv = wx.w[size_t(i - part.Left)];
      for (size_t a = 0; a < wyv.size(); ++a) {
        int32_t sy = std::clamp(wy.start[size_t(j - part.Top)] + int32_t(a), 0, src.h - 1);
        if (mirrorY) sy = src.h - 1 - sy;
        for (size_t b = 0; b < wxv.size(); ++b) {
          int32_t sx = std::clamp(wx.start[size_t(i - part.Left)] + int32_t(b), 0, src.w - 1);
          if (mirrorX) sx = src.w - 1 - sx;
          uint32_t p = src.At(sx, sy);
          double wgt = wyv[a] * wxv[b];
          acc[0] += wgt * (p & 0xFF);
          acc[1] += wgt * ((p >> 8) & 0xFF);
          acc[2] += wgt * ((p >> 16) & 0xFF);
          acc[3] += wgt * (p >> 24);
        }
      }
      auto ch = [](double v) { return uint32_t(std::clamp(int(std::lround(v)), 0, 255)); };
      out.px[size_t(j - part.Top) * size_t(out.w) + size_t(i - part.Left)] =
          ch(acc[0]) | (ch(acc[1]) << 8) | (ch(acc[2]) << 16) | (ch(acc[3]) << 24);
    }
  }
  return out;
}

// Source rectangle limited to the source target; the destination rectangle
// keeps its size (pixels from outside the source are left alone).
bool StretchCore(HDC dst, int32_t x, int32_t y, int32_t w, int32_t h, HDC src, int32_t sx,
                 int32_t sy, int32_t sw, int32_t sh, DWORD rop, int stretchMode) {
  uint8_t code = uint8_t(rop >> 16);
  Target td(dst);
  if (!td.Valid()) return TRUE;
  if (w == 0 || h == 0) return TRUE;
  TRect d = Norm(dst->SX(x), dst->SY(y), w, h);
  if (!RopUsesSource(code)) {
    Pattern pat(dst, dst->st.brush);
    PatternRect(dst, td, pat, code, d);
    return TRUE;
  }
  if (!IsDC(src) || sw == 0 || sh == 0) return FALSE;
  Target ts(src);
  if (!ts.Valid()) return FALSE;
  bool mirrorX = (w < 0) != (sw < 0), mirrorY = (h < 0) != (sh < 0);
  TRect s = Norm(src->SX(sx), src->SY(sy), sw, sh);
  int32_t dw = d.Right - d.Left, dh = d.Bottom - d.Top;
  int32_t fw = s.Right - s.Left, fh = s.Bottom - s.Top;
  if (fw == dw && fh == dh && !mirrorX && !mirrorY) {
    // Unscaled: only the part that lies on the source.
    int32_t ox = d.Left - s.Left, oy = d.Top - s.Top;
    TRect sb{0, 0, ts.Width(), ts.Height()};
    TRect sc;
    if (!IntersectRect(&sc, &s, &sb)) return TRUE;
    TRect dc{sc.Left + ox, sc.Top + oy, sc.Right + ox, sc.Bottom + oy};
    if (code == 0xCC && !ts.Mono() && !td.Mono() && !ts.SharesMemoryWith(td)) {
      // A plain copy between colour targets of their own: each visible span
      // is read straight into the destination, with no copy of the source
      // in between (a window's whole back buffer, on every paint).
      TRect box = dst->Clip().Box(), vis;
      if (!IntersectRect(&vis, &dc, &box)) return TRUE;
      for (int32_t yy = vis.Top; yy < vis.Bottom; ++yy)
        dst->Clip().ForEachSpan(yy, vis.Left, vis.Right, [&](int32_t l, int32_t r) {
          td.Modify(yy, l, r, [&](uint32_t* p, int32_t xs, int32_t n) { ts.Read(yy - oy, xs - ox, n, p); });
        });
      return TRUE;
    }
    Block b = ReadBlock(src, ts, sc, dst, td);
    if (code == 0xCC) {
      // A plain copy: whole spans at a time.
      TRect box = dst->Clip().Box(), vis;
      if (!IntersectRect(&vis, &dc, &box)) return TRUE;
      for (int32_t yy = vis.Top; yy < vis.Bottom; ++yy)
        dst->Clip().ForEachSpan(yy, vis.Left, vis.Right, [&](int32_t l, int32_t r) {
          td.Modify(yy, l, r, [&](uint32_t* p, int32_t xs, int32_t n) {
            std::memcpy(p, &b.px[size_t(yy - dc.Top) * size_t(b.w) + size_t(xs - dc.Left)],
                        size_t(n) * 4);
          });
        });
      return TRUE;
    }
    WriteBlock(dst, td, dc, code, [&](int32_t px, int32_t py, uint32_t& out) {
      out = b.At(px - dc.Left, py - dc.Top);
      return true;
    });
    return TRUE;
  }
  // Scaled: read the source part that exists, sample it in source terms.
  TRect sb{0, 0, ts.Width(), ts.Height()};
  TRect sc;
  if (!IntersectRect(&sc, &s, &sb)) return TRUE;
  Block b = ReadBlock(src, ts, sc, dst, td);
  if (stretchMode == HALFTONE && (sc == s)) {
    TRect box = dst->Clip().Box(), vis;
    if (!IntersectRect(&vis, &d, &box)) return TRUE;
    TRect part{vis.Left - d.Left, vis.Top - d.Top, vis.Right - d.Left, vis.Bottom - d.Top};
    Block r = Halftone(b, dw, dh, mirrorX, mirrorY, part);
    WriteBlock(dst, td, vis, code, [&](int32_t px, int32_t py, uint32_t& out) {
      out = r.At(px - vis.Left, py - vis.Top);
      return true;
    });
    return TRUE;
  }
  WriteBlock(dst, td, d, code, [&](int32_t px, int32_t py, uint32_t& out) {
    int32_t fx = s.Left + Nearest(px - d.Left, dw, fw, mirrorX);
    int32_t fy = s.Top + Nearest(py - d.Top, dh, fh, mirrorY);
    if (fx < sc.Left || fx >= sc.Right || fy < sc.Top || fy >= sc.Bottom) return false;
    out = b.At(fx - sc.Left, fy - sc.Top);
    return true;
  });
  return TRUE;
}

// A memory DC over a DIB's memory, for drawing it like any source.
struct DibSource {
  HDC dc = nullptr;
  BitmapObject* view = nullptr;
  DibSource(const BITMAPINFO* bmi, const void* bits, UINT usage, int32_t rows) {
    if (!bits || !bmi || usage != DIB_RGB_COLORS) return;
    // Parse by making a one-row probe: CreateDIBSection validates the header.
    BITMAPINFO probe = *bmi;
    probe.bmiHeader.biHeight = bmi->bmiHeader.biHeight < 0 ? -1 : 1;
    void* pb = nullptr;
    HBITMAP tmp = nullptr;
    // Copy the colour table or masks too: build a full-size info block.
    size_t tableBytes = 0;
    if (bmi->bmiHeader.biBitCount <= 8) {
      uint32_t n =
          bmi->bmiHeader.biClrUsed ? bmi->bmiHeader.biClrUsed : (1u << bmi->bmiHeader.biBitCount);
      tableBytes = std::min<uint32_t>(n, 1u << bmi->bmiHeader.biBitCount) * sizeof(RGBQUAD);
    } else if (bmi->bmiHeader.biCompression == BI_BITFIELDS) {
      tableBytes = 12;
    }
    if (bmi->bmiHeader.biSize < sizeof(BITMAPINFOHEADER)) return;
    std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) +
                              std::max<size_t>(tableBytes, sizeof(RGBQUAD)));
    std::memcpy(info.data(), bmi, sizeof(BITMAPINFOHEADER));
    std::memcpy(info.data() + sizeof(BITMAPINFOHEADER),
                reinterpret_cast<const uint8_t*>(bmi) + bmi->bmiHeader.biSize, tableBytes);
    auto* full = reinterpret_cast<BITMAPINFO*>(info.data());
    full->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    full->bmiHeader.biHeight = probe.bmiHeader.biHeight;
    tmp = CreateDIBSection(nullptr, full, usage, &pb, nullptr, 0);
    if (!tmp) return;
    view = tmp;
    view->height = rows;
    view->storage.clear();
    view->Attach(const_cast<uint8_t*>(static_cast<const uint8_t*>(bits)));
    dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, view);
  }
  ~DibSource() {
    if (dc) DeleteDC(dc);
    if (view) DeleteObject(view);
  }
};

}  // namespace

BOOL PatBlt(HDC dc, int32_t x, int32_t y, int32_t w, int32_t h, DWORD rop) {
  if (!IsDC(dc)) return FALSE;
  uint8_t code = uint8_t(rop >> 16);
  if (RopUsesSource(code)) return FALSE;
  Target t(dc);
  if (!t.Valid()) return TRUE;
  Pattern pat(dc, dc->st.brush);
  PatternRect(dc, t, pat, code, Norm(dc->SX(x), dc->SY(y), w, h));
  return TRUE;
}

BOOL BitBlt(HDC dst, int32_t x, int32_t y, int32_t w, int32_t h, HDC src, int32_t sx, int32_t sy,
            DWORD rop) {
  if (!IsDC(dst)) return FALSE;
  return StretchCore(dst, x, y, w, h, src, sx, sy, w, h, rop, COLORONCOLOR);
}

BOOL StretchBlt(HDC dst, int32_t x, int32_t y, int32_t w, int32_t h, HDC src, int32_t sx,
                int32_t sy, int32_t sw, int32_t sh, DWORD rop) {
  if (!IsDC(dst)) return FALSE;
  return StretchCore(dst, x, y, w, h, src, sx, sy, sw, sh, rop, dst->st.stretchMode);
}

int StretchDIBits(HDC dc, int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx, int32_t sy,
                  int32_t sw, int32_t sh, const void* bits, const BITMAPINFO* bmi, UINT usage,
                  DWORD rop) {
  if (!IsDC(dc) || !bmi) return 0;
  int32_t rows = bmi->bmiHeader.biHeight < 0 ? -bmi->bmiHeader.biHeight : bmi->bmiHeader.biHeight;
  DibSource s(bmi, bits, usage, rows);
  if (!s.dc) return 0;
  // sy counts from the bottom row; the memory DC counts from the top.
  int32_t top = rows - (sy + sh);
  if (sh < 0) top = rows - sy;
  StretchCore(dc, x, y, w, h, s.dc, sx, top, sw, sh, rop, dc->st.stretchMode);
  return std::abs(sh);
}

int SetDIBitsToDevice(HDC dc, int32_t x, int32_t y, DWORD w, DWORD h, int32_t sx, int32_t sy,
                      UINT startScan, UINT numScans, const void* bits, const BITMAPINFO* bmi,
                      UINT usage) {
  if (!IsDC(dc) || !bmi || numScans == 0 || w > INT32_MAX || h > INT32_MAX) return 0;
  int32_t total = bmi->bmiHeader.biHeight < 0 ? -bmi->bmiHeader.biHeight : bmi->bmiHeader.biHeight;
  int32_t rows = int32_t(std::min<UINT>(numScans, UINT(std::max(total, 0))));
  DibSource s(bmi, bits, usage, rows);
  if (!s.dc) return 0;
  // The buffer holds DIB rows startScan .. startScan + rows - 1 (from the
  // bottom); the wanted rows are sy .. sy + h - 1 from the bottom.
  int32_t bandTop = rows - 1;  // top index in the band of DIB row startScan
  int32_t srcTopFromBottom = sy + int32_t(h) - 1;
  int32_t top = bandTop - (srcTopFromBottom - int32_t(startScan));
  StretchCore(dc, x, y, int32_t(w), int32_t(h), s.dc, sx, top, int32_t(w), int32_t(h), SRCCOPY,
              COLORONCOLOR);
  return rows;
}

BOOL GradientFill(HDC dc, const TRIVERTEX* v, uint32_t nv, const void* mesh, uint32_t nMesh,
                  uint32_t mode) {
  if (!IsDC(dc) || !v || !mesh) return FALSE;
  Target t(dc);
  if (!t.Valid()) return TRUE;
  auto chan = [](COLOR16 a, COLOR16 b, int64_t i, int64_t n) -> uint32_t {
    int64_t c = a + (int64_t(b) - a) * i / n;
    return uint32_t(c >> 8) & 0xFF;
  };
  if (mode == GRADIENT_FILL_RECT_H || mode == GRADIENT_FILL_RECT_V) {
    const auto* rects = static_cast<const GRADIENT_RECT*>(mesh);
    for (uint32_t k = 0; k < nMesh; ++k) {
      if (rects[k].UpperLeft >= nv || rects[k].LowerRight >= nv) return FALSE;
      TRIVERTEX a = v[rects[k].UpperLeft], b = v[rects[k].LowerRight];
      bool horizontal = mode == GRADIENT_FILL_RECT_H;
      if ((horizontal && a.x > b.x) || (!horizontal && a.y > b.y)) std::swap(a, b);
      TRect r = dc->ToSurface(
          TRect{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)});
      int64_t n = horizontal ? r.Right - r.Left : r.Bottom - r.Top;
      if (n <= 0 || r.Right <= r.Left || r.Bottom <= r.Top) continue;
      auto colorAt = [&](int64_t i) {
        return (chan(a.Red, b.Red, i, n) << 16) | (chan(a.Green, b.Green, i, n) << 8) |
               chan(a.Blue, b.Blue, i, n);
      };
      TRect box = dc->Clip().Box(), vis;
      if (!IntersectRect(&vis, &r, &box)) continue;
      for (int32_t y = vis.Top; y < vis.Bottom; ++y) {
        uint32_t rowColor = horizontal ? 0 : colorAt(y - r.Top);
        dc->Clip().ForEachSpan(y, vis.Left, vis.Right, [&](int32_t l, int32_t rr) {
          t.Modify(y, l, rr, [&](uint32_t* p, int32_t xs, int32_t cnt) {
            for (int32_t i = 0; i < cnt; ++i)
              p[i] = horizontal ? colorAt(xs + i - r.Left) : rowColor;
          });
        });
      }
    }
    return TRUE;
  }
  if (mode == GRADIENT_FILL_TRIANGLE) {
    const auto* tris = static_cast<const GRADIENT_TRIANGLE*>(mesh);
    for (uint32_t k = 0; k < nMesh; ++k) {
      if (tris[k].Vertex1 >= nv || tris[k].Vertex2 >= nv || tris[k].Vertex3 >= nv) return FALSE;
      const TRIVERTEX* p[3] = {&v[tris[k].Vertex1], &v[tris[k].Vertex2], &v[tris[k].Vertex3]};
      double X[3], Y[3];
      for (int i = 0; i < 3; ++i) X[i] = dc->SX(p[i]->x), Y[i] = dc->SY(p[i]->y);
      double det = (Y[1] - Y[2]) * (X[0] - X[2]) + (X[2] - X[1]) * (Y[0] - Y[2]);
      if (det == 0) continue;
      int32_t minX = int32_t(std::floor(std::min({X[0], X[1], X[2]})));
      int32_t maxX = int32_t(std::ceil(std::max({X[0], X[1], X[2]})));
      int32_t minY = std::max(0, int32_t(std::floor(std::min({Y[0], Y[1], Y[2]}))));
      int32_t maxY = std::min(t.Height(), int32_t(std::ceil(std::max({Y[0], Y[1], Y[2]}))));
      for (int32_t y = minY; y < maxY; ++y) {
        dc->Clip().ForEachSpan(y, minX, maxX, [&](int32_t l, int32_t rr) {
          t.Modify(y, l, rr, [&](uint32_t* px, int32_t xs, int32_t cnt) {
            for (int32_t i = 0; i < cnt; ++i) {
              double cx = xs + i + 0.5, cy = y + 0.5;
              double l0 = ((Y[1] - Y[2]) * (cx - X[2]) + (X[2] - X[1]) * (cy - Y[2])) / det;
              double l1 = ((Y[2] - Y[0]) * (cx - X[2]) + (X[0] - X[2]) * (cy - Y[2])) / det;
              double l2 = 1 - l0 - l1;
              if (l0 < 0 || l1 < 0 || l2 < 0) continue;
              auto c = [&](COLOR16 TRIVERTEX::*m) {
                double val = l0 * (p[0]->*m) + l1 * (p[1]->*m) + l2 * (p[2]->*m);
                return uint32_t(std::clamp(int(val) >> 8, 0, 255));
              };
              px[i] =
                  (c(&TRIVERTEX::Red) << 16) | (c(&TRIVERTEX::Green) << 8) | c(&TRIVERTEX::Blue);
            }
          });
        });
      }
    }
    return TRUE;
  }
  return FALSE;
}

namespace {

// Source pixels of (sx, sy, sw, sh) sampled for the destination rectangle,
// raw (alpha byte included).
template <class F>
BOOL SampledBlit(HDC dst, int32_t x, int32_t y, int32_t w, int32_t h, HDC src, int32_t sx,
                 int32_t sy, int32_t sw, int32_t sh, F&& combine) {
  if (!IsDC(dst) || !IsDC(src) || w <= 0 || h <= 0 || sw <= 0 || sh <= 0) return FALSE;
  Target td(dst), ts(src);
  if (!td.Valid() || !ts.Valid()) return FALSE;
  TRect s = Norm(src->SX(sx), src->SY(sy), sw, sh);
  TRect sb{0, 0, ts.Width(), ts.Height()};
  if (s.Left < 0 || s.Top < 0 || s.Right > sb.Right || s.Bottom > sb.Bottom) return FALSE;
  Block b;
  b.w = sw;
  b.h = sh;
  b.px.resize(size_t(sw) * size_t(sh));
  for (int32_t r = 0; r < sh; ++r) ts.Read(s.Top + r, s.Left, sw, &b.px[size_t(r) * size_t(sw)]);
  TRect d = Norm(dst->SX(x), dst->SY(y), w, h);
  for (int32_t yy = d.Top; yy < d.Bottom; ++yy) {
    int32_t fy = Nearest(yy - d.Top, h, sh, false);
    dst->Clip().ForEachSpan(yy, d.Left, d.Right, [&](int32_t l, int32_t rr) {
      td.Modify(yy, l, rr, [&](uint32_t* p, int32_t xs, int32_t n) {
        for (int32_t i = 0; i < n; ++i) {
          int32_t fx = Nearest(xs + i - d.Left, w, sw, false);
          combine(p[i], b.At(fx, fy));
        }
      });
    });
  }
  return TRUE;
}

}  // namespace

BOOL AlphaBlend(HDC dst, int32_t x, int32_t y, int32_t w, int32_t h, HDC src, int32_t sx,
                int32_t sy, int32_t sw, int32_t sh, BLENDFUNCTION blend) {
  if (blend.BlendOp != AC_SRC_OVER) return FALSE;
  uint32_t k = blend.SourceConstantAlpha;
  bool perPixel = (blend.AlphaFormat & AC_SRC_ALPHA) != 0;
  auto div255 = [](uint32_t v) { return (v + 127) / 255; };
  return SampledBlit(dst, x, y, w, h, src, sx, sy, sw, sh, [&](uint32_t& d, uint32_t s) {
    uint32_t a = perPixel ? div255((s >> 24) * k) : k;
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
      uint32_t sc = div255(((s >> shift) & 0xFF) * k);
      if (shift == 24 && !perPixel) sc = k;
      uint32_t dc = (d >> shift) & 0xFF;
      uint32_t v = std::min<uint32_t>(255, sc + div255(dc * (255 - a)));
      out |= v << shift;
    }
    d = out;
  });
}

BOOL TransparentBlt(HDC dst, int32_t x, int32_t y, int32_t w, int32_t h, HDC src, int32_t sx,
                    int32_t sy, int32_t sw, int32_t sh, UINT transparent) {
  uint32_t key = Px(transparent);
  return SampledBlit(dst, x, y, w, h, src, sx, sy, sw, sh, [&](uint32_t& d, uint32_t s) {
    if ((s & 0xFFFFFF) != key) d = s & 0xFFFFFF;
  });
}

// Video drawing contexts

struct DrawDibObject {
  int unused = 0;
};

HDRAWDIB DrawDibOpen() {
  return new DrawDibObject();
}

BOOL DrawDibClose(HDRAWDIB hdd) {
  if (!hdd) return FALSE;
  delete hdd;
  return TRUE;
}

BOOL DrawDibDraw(HDRAWDIB hdd, HDC dc, int32_t xDst, int32_t yDst, int32_t dxDst, int32_t dyDst,
                 const BITMAPINFOHEADER* header, const void* bits, int32_t xSrc, int32_t ySrc,
                 int32_t dxSrc, int32_t dySrc, UINT flags) {
  if (!hdd || !IsDC(dc) || !header || !bits) return FALSE;
  const auto* bmi = reinterpret_cast<const BITMAPINFO*>(header);
  int32_t rows = header->biHeight < 0 ? -header->biHeight : header->biHeight;
  if (dxSrc < 0) dxSrc = header->biWidth;
  if (dySrc < 0) dySrc = rows;
  if (dxDst < 0) dxDst = dxSrc;
  if (dyDst < 0) dyDst = dySrc;
  DibSource s(bmi, bits, DIB_RGB_COLORS, rows);
  if (!s.dc) return FALSE;
  int mode = (flags & DDF_HALFTONE) ? HALFTONE : COLORONCOLOR;
  return StretchCore(dc, xDst, yDst, dxDst, dyDst, s.dc, xSrc, ySrc, dxSrc, dySrc, SRCCOPY, mode);
}

UINT DrawDibRealize(HDRAWDIB hdd, HDC dc, BOOL) {
  return hdd && IsDC(dc) ? 0 : 0;
}
