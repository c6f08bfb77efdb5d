#include "imaging/model/Rotation.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "imaging/model/IEBitRoutines.h"
#include "imaging/model/TIERowTable.h"
#include "imaging/model/PixelHelpers.h"
#include "imaging/model/PixelTranspose.h"
#include "imaging/model/TIEBitmap.h"
#include "rtl/Exception.h"
#include "rtl/Numeric.h"
#include "rtl/TThreadPool.h"

namespace {
// Bytes per pixel; 0 for 1-bit rows.
int32_t PixelBytes(TIEPixelFormat f) { return f == ieMono1 ? 0 : IEBitsPerPixel[f] / 8; }

void CopyPalette(TIEBitmap* Source, TIEBitmap* Target) {
  for (int32_t i = 0; i < std::min(Source->GetPaletteLen(), Target->GetPaletteLen()); ++i)
    Target->SetPaletteEntry(i, Source->GetPaletteEntry(i));
}

// A new image built beside Image replaces it (Image's alpha channel goes).
void ReplaceWith(TIEBitmap* Image, TIEBitmap* Result) {
  CopyPalette(Image, Result);
  Result->MoveDataTo(Image);
}

// An angle that is no number is refused before the image changes.
void RequireFiniteAngle(double Angle) {
  if (!std::isfinite(Angle)) throw EInvalidArgument("Invalid floating point operation");
}

void Report(const TProgressRec* Progress, int64_t Percent) {
  if (Progress && Progress->OnProgress) Progress->OnProgress(Progress->Sender, static_cast<int32_t>(Percent));
}

template <int BPP>
void QuarterBytes(const TIERowTable& src, const TIERowTable& dst, int32_t W, int32_t H, bool Right) {
  // Target is H wide and W high; walked in tiles so that the source column
  // reads stay in cache: 64 target rows by 256 target pixels, whose source
  // (256 lines of 64 pixels) fits the first-level cache at 3 bytes a pixel.
  // Bands of tile rows go to the threads of the shared pool.
  constexpr int32_t kTileRows = 64, kTileColumns = 256;
  const int32_t tiles = (W + kTileRows - 1) / kTileRows;
  TThreadPool::Shared().ParallelFor(tiles, 1, [&](int64_t first, int64_t last) {
    for (int32_t ty0 = static_cast<int32_t>(first) * kTileRows; ty0 < std::min<int64_t>(last * kTileRows, W);
         ty0 += kTileRows) {
      const int32_t ty1 = std::min(ty0 + kTileRows, W);
      // The source bytes of a tile: columns lo..hi of kTileColumns rows.
      const int64_t lo = Right ? ty0 : W - ty1, hi = Right ? ty1 - 1 : W - 1 - ty0;
      for (int32_t tx0 = 0; tx0 < H; tx0 += kTileColumns) {
        const int32_t tx1 = std::min(tx0 + kTileColumns, H);
        // The next tile's source lines are asked for while this one is
        // turned: its rows lie far apart, which no hardware prefetch foresees.
        for (int32_t tx = tx1; tx < std::min(tx1 + kTileColumns, H); ++tx) {
          const uint8_t* row = src[Right ? H - 1 - tx : tx];
          for (int64_t b = lo * BPP; b < (hi + 1) * BPP; b += 64) __builtin_prefetch(row + b);
        }
        // The tile's whole blocks of 8 x 8 pixels turn in registers; the
        // columns and rows beyond them pixel by pixel.
        int32_t rows8 = 0, columns8 = 0;
        if constexpr (BPP == 3 || BPP == 4) {
          rows8 = (ty1 - ty0) & ~7;
          columns8 = (tx1 - tx0) & ~7;
          if (rows8 && columns8) {
            const int64_t sx0 = Right ? ty0 : W - ty0 - rows8;
            const uint8_t* in[kTileColumns];
            uint8_t* out[kTileRows];
            for (int32_t i = 0; i < columns8; ++i) in[i] = src[Right ? H - 1 - (tx0 + i) : tx0 + i] + sx0 * BPP;
            for (int32_t j = 0; j < rows8; ++j)
              out[j] = dst[static_cast<int32_t>(Right ? sx0 + j : W - 1 - (sx0 + j))] + int64_t{tx0} * BPP;
            TransposePixels(in, columns8, out, rows8, BPP);
          }
        }
        for (int32_t ty = ty0; ty < ty1; ++ty) {
          uint8_t* out = dst[ty];
          const int64_t sx = Right ? ty : W - 1 - ty;
          const int32_t first = ty < ty0 + rows8 ? tx0 + columns8 : tx0;
          int32_t tx = first;
          if constexpr (BPP == 3) {
            // Four bytes moved a pixel: the fourth is the next target pixel's,
            // written in its turn. Kept inside both rows: not for the
            // source's last column, nor for the target's last pixel.
            const int32_t end = sx < W - 1 ? std::min(tx1, H - 1) : first;
            for (; tx < end; ++tx) {
              uint32_t v;
              std::memcpy(&v, src[Right ? H - 1 - tx : tx] + sx * 3, 4);
              std::memcpy(out + int64_t{tx} * 3, &v, 4);
            }
          }
          for (; tx < tx1; ++tx) {
            const int32_t sy = Right ? H - 1 - tx : tx;
            std::memcpy(out + int64_t{tx} * BPP, src[sy] + sx * BPP, BPP);
          }
        }
      }
    }
  });
}

void QuarterBits(const TIERowTable& src, const TIERowTable& dst, int32_t W, int32_t H, bool Right) {
  for (int32_t ty = 0; ty < W; ++ty) {
    uint8_t* out = dst[ty];
    const int64_t sx = Right ? ty : W - 1 - ty;
    for (int32_t tx = 0; tx < H; ++tx)
      if (GetBit(src[Right ? H - 1 - tx : tx], sx)) out[tx >> 3] |= BitMask(tx);
  }
}


// The shear rotation of 24-bit (CH = 3) or 8-bit (CH = 1) pixels by c
// degrees, -45 <= c <= 45, c != 0.
template <int CH>
void ShearRotate(TIEBitmap* Image, bool Blend, const uint8_t* bg, const TProgressRec* Progress, double c) {
  const double theta = c * M_PI / 180;
  const double T = std::fabs(std::sin(theta / 2) / std::cos(theta / 2));
  const double S = std::fabs(std::sin(theta));
  const int32_t W = Image->Width(), H = Image->Height();
  const bool pos = theta > 0;
  const int32_t W1 = static_cast<int32_t>(Round(H * T + W + 1));
  const int32_t d = static_cast<int32_t>(Round((W1 - W) * S));
  const int32_t H2a = static_cast<int32_t>(Round(S * W1 + H + 1));
  const int32_t e = static_cast<int32_t>(Round(T * (H2a - H - d)));
  const int32_t H2 = H2a - 2 * d;
  const int32_t W3 = static_cast<int32_t>(Round(T * H2 + W1 + 1 - 2 * e));
  const double P = 100.0 / (H + W1 + H2);

  auto mix = [](int32_t prev, int32_t cur, int32_t A, int32_t B) {
    return ClampToByte(Round((prev * A + cur * B + 2048) / 4096.0));
  };
  auto fill = [&](std::vector<uint8_t>& buf) {
    for (size_t i = 0; i < buf.size(); i += CH) std::memcpy(&buf[i], bg, CH);
  };
  // Blends one line of pixels into a target line; positions outside the
  // target are skipped and do not become the previous pixel.
  auto put_line = [&](auto get, int32_t count, auto set, int32_t start, int32_t limit, int32_t A) {
    const int32_t B = 4096 - A;
    uint8_t prev[CH];
    std::memcpy(prev, bg, CH);
    for (int32_t i = 0; i < count; ++i) {
      const int32_t pos_out = start + i;
      if (pos_out < 0 || pos_out >= limit) continue;
      const uint8_t* cur = get(i);
      if (Blend) {
        uint8_t out[CH];
        for (int k = 0; k < CH; ++k) out[k] = mix(prev[k], cur[k], A, B);
        set(pos_out, out);
      } else {
        set(pos_out, cur);
      }
      std::memcpy(prev, cur, CH);
    }
    const int32_t trail = start + count;
    if (Blend && A > 0 && trail >= 0 && trail < limit) {
      uint8_t out[CH];
      for (int k = 0; k < CH; ++k) out[k] = mix(prev[k], bg[k], A, B);
      set(trail, out);
    }
  };

  // Shear 1: rows into a W1 x H buffer.
  std::vector<uint8_t> buf1(static_cast<size_t>(W1) * H * CH);
  fill(buf1);
  {
    TIERowTable src(Image, false);
    for (int32_t y = 0; y < H; ++y) {
      const double F = T * (pos ? y : H - y);
      const int32_t n = static_cast<int32_t>(Round(F));
      const int32_t A = static_cast<int32_t>(Trunc((F - n) * 4096));
      const uint8_t* row = src[y];
      uint8_t* out = &buf1[static_cast<size_t>(y) * W1 * CH];
      put_line([&](int32_t i) { return row + int64_t{i} * CH; }, W,
               [&](int32_t p, const uint8_t* v) { std::memcpy(out + int64_t{p} * CH, v, CH); }, n, W1, A);
      Report(Progress, Trunc(y * P));
    }
  }
  // Shear 2: columns into a W1 x H2 buffer.
  std::vector<uint8_t> buf2(static_cast<size_t>(W1) * H2 * CH);
  fill(buf2);
  for (int32_t x = 0; x < W1; ++x) {
    const double G = S * (pos ? W1 - x : x);
    const int32_t n = static_cast<int32_t>(Round(G));
    const int32_t A = static_cast<int32_t>(Round((G - n) * 4096));
    put_line([&](int32_t r) { return &buf1[(static_cast<size_t>(r) * W1 + x) * CH]; }, H,
             [&](int32_t p, const uint8_t* v) { std::memcpy(&buf2[(static_cast<size_t>(p) * W1 + x) * CH], v, CH); },
             n - d, H2, A);
    Report(Progress, Trunc((H + x) * P));
  }
  buf1.clear();
  buf1.shrink_to_fit();
  // Shear 3: rows into the W3 x H2 result.
  TIEBitmap result;
  result.Allocate(W3, H2, Image->PixelFormat());
  {
    TIERowTable dst(&result, true);
    for (int32_t y = 0; y < H2; ++y) {
      uint8_t* out = dst[y];
      for (int32_t x = 0; x < W3; ++x) std::memcpy(out + int64_t{x} * CH, bg, CH);
      const double J = T * (pos ? y : H2 - y);
      const int32_t n = static_cast<int32_t>(Round(J));
      const int32_t A = static_cast<int32_t>(Round((J - n) * 4096));
      const uint8_t* line = &buf2[static_cast<size_t>(y) * W1 * CH];
      put_line([&](int32_t i) { return line + int64_t{i} * CH; }, W1,
               [&](int32_t p, const uint8_t* v) { std::memcpy(out + int64_t{p} * CH, v, CH); }, n - e, W3, A);
      Report(Progress, Trunc((H + W1 + y) * P));
    }
  }
  ReplaceWith(Image, &result);
}

// Quarter turns, then shears for what remains (24-bit or 8-bit pixels).
template <int CH>
void RotateByShears(TIEBitmap* Image, bool Blend, const uint8_t* bg, const TProgressRec* Progress,
                    double Angle) {
  const int64_t t = Trunc(Angle * 1000) % 360000;
  double c = static_cast<double>(t) / 1000;
  int32_t lefts = 0;
  while (c > 45) {
    ++lefts;
    c -= 90;
  }
  while (c < -45) {
    --lefts;
    c += 90;
  }
  // Three left turns equal one right turn; the pixels are the same either way.
  switch (((lefts % 4) + 4) % 4) {
    case 1: {
      TIEBitmap r;
      RotateQuarter(Image, &r, false);
      ReplaceWith(Image, &r);
      break;
    }
    case 2:
      Rotate180(Image);
      break;
    case 3: {
      TIEBitmap r;
      RotateQuarter(Image, &r, true);
      ReplaceWith(Image, &r);
      break;
    }
    default:
      break;
  }
  if (c == 0 || Image->IsEmpty()) return;
  ShearRotate<CH>(Image, Blend, bg, Progress, c);
}

// The nearest-pixel rotation of RotateMono1 (bits) and RotateGray8Nearest.
void RotateNearest(TIEBitmap* Image, uint32_t Background, const TProgressRec* Progress, double Angle) {
  const bool bits = Image->PixelFormat() == ieMono1;
  if (Angle == 90 || Angle == -90 || Angle == 270) {
    TIEBitmap r;
    RotateQuarter(Image, &r, Angle != 90);
    ReplaceWith(Image, &r);
    return;
  }
  if (Angle == 180 || Angle == -180) {
    Rotate180(Image);
    return;
  }
  const int32_t W = Image->Width(), H = Image->Height();
  const double a = -Angle / 57.295779513082320877;
  // Cosine and sine are cut to four decimals; a value a hair short of its
  // next decimal counts as it, so that a tiny angle keeps cos 1 instead of
  // shrinking the image by a row and a column.
  auto four_decimals = [](double v) {
    return static_cast<double>(Trunc(v * 10000 + std::copysign(1e-6, v))) / 10000;
  };
  const double C = four_decimals(std::cos(a));
  const double Sn = four_decimals(std::sin(a));
  // The sums are whole multiples of 1e-4; the slack absorbs rounding noise,
  // and a non-empty image never becomes empty.
  const int32_t W2 = static_cast<int32_t>(std::max<int64_t>(Trunc(std::fabs(W * C) + std::fabs(H * Sn) + 1e-6), 1));
  const int32_t H2 = static_cast<int32_t>(std::max<int64_t>(Trunc(std::fabs(W * Sn) + std::fabs(H * C) + 1e-6), 1));
  TIEBitmap result;
  result.SetLocation(ieMemory);
  result.Allocate(W2, H2, Image->PixelFormat());
  if (result.IsEmpty()) {
    ReplaceWith(Image, &result);
    return;
  }
  std::vector<int32_t> px(static_cast<size_t>(W2)), py(static_cast<size_t>(W2));
  for (int32_t k = 0; k < W2; ++k) {
    px[static_cast<size_t>(k)] = static_cast<int32_t>(Trunc(C * (k - (W2 / 2.0 - 0.5))));
    py[static_cast<size_t>(k)] = static_cast<int32_t>(Trunc(-Sn * (k - (W2 / 2.0 - 0.5))));
  }
  const int32_t bpp = PixelBytes(Image->PixelFormat());
  {
    TIERowTable src(Image, false);
    TIERowTable dst(&result, true);
    for (int32_t r = 0; r < H2; ++r) {
      const double u = r - (H2 / 2.0 - 0.5);
      const int32_t bx = static_cast<int32_t>(Trunc((W / 2.0 - 0.5) + Sn * u));
      const int32_t by = static_cast<int32_t>(Trunc((H / 2.0 - 0.5) + C * u));
      uint8_t* out = dst[r];
      for (int32_t k = 0; k < W2; ++k) {
        const int32_t x = bx + px[static_cast<size_t>(k)], y = by + py[static_cast<size_t>(k)];
        const bool inside = x >= 0 && x < W && y >= 0 && y < H;
        if (bits) {
          if (inside ? GetBit(src[y], x) : Background != 0) out[k >> 3] |= BitMask(k);
        } else if (inside) {
          std::memcpy(out + int64_t{k} * bpp, src[y] + int64_t{x} * bpp, static_cast<size_t>(bpp));
        } else {
          for (int32_t i = 0; i < bpp; ++i) out[int64_t{k} * bpp + i] = static_cast<uint8_t>(Background);
        }
      }
      if (bits) Report(Progress, Trunc(r * 100.0 / H2));
    }
  }
  ReplaceWith(Image, &result);
}

// Inverse-mapped rotation with bilinear or bicubic sampling.
template <int CH>
void RotateAntialiased(TIEBitmap* Image, const uint8_t* bg, double BackgroundFill, TIERotateAntialias Mode,
                       const TProgressRec* Progress, double Angle) {
  if (Image->IsEmpty()) return;
  RequireFiniteAngle(Angle);
  Image->Resize(Image->Width() + 6, Image->Height() + 6, BackgroundFill, 255, 1, 1);
  const int32_t W = Image->Width(), H = Image->Height();
  const double theta = Angle * M_PI / 180;
  const double sn = std::sin(theta), cs = std::cos(theta);
  const int32_t W2 = static_cast<int32_t>(Round(std::fabs(sn) * (H - 1) + std::fabs(cs) * (W - 1)));
  const int32_t H2 = static_cast<int32_t>(Round(std::fabs(cs) * (H - 1) + std::fabs(sn) * (W - 1)));
  TIEBitmap result;
  result.Allocate(W2, H2, Image->PixelFormat());
  const double cx = (W - 1) / 2.0, cy = (H - 1) / 2.0, dx = (W2 - 1) / 2.0, dy = (H2 - 1) / 2.0;
  {
    TIERowTable src(Image, false);
    TIERowTable dst(&result, true);
    auto sample = [&](int32_t i, int32_t j, int k) -> double {
      if (i < 0 || j < 0 || i >= W || j >= H) return bg[k];
      return src[j][int64_t{i} * CH + k];
    };
    std::vector<double> xc(static_cast<size_t>(W2)), xs(static_cast<size_t>(W2));
    for (int32_t x = 0; x < W2; ++x) {
      xc[static_cast<size_t>(x)] = (x - dx) * cs;
      xs[static_cast<size_t>(x)] = (x - dx) * sn;
    }
    for (int32_t y = 0; y < H2; ++y) {
      uint8_t* out = dst[y];
      for (int32_t x = 0; x < W2; ++x) {
        const double sx = xc[static_cast<size_t>(x)] - (y - dy) * sn + cx;
        const double sy = xs[static_cast<size_t>(x)] + (y - dy) * cs + cy;
        const int32_t i = static_cast<int32_t>(Trunc(sx)), j = static_cast<int32_t>(Trunc(sy));
        if (Mode == raBilinear) {
          const double fx = sx - std::floor(sx), fy = sy - std::floor(sy);
          for (int k = 0; k < CH; ++k) {
            const double p00 = sample(i, j, k), p10 = sample(i + 1, j, k);
            const double p01 = sample(i, j + 1, k), p11 = sample(i + 1, j + 1, k);
            const double top = p00 + (p10 - p00) * fx, bottom = p01 + (p11 - p01) * fx;
            out[int64_t{x} * CH + k] = ClampToByte(Trunc(top + (bottom - top) * fy));
          }
        } else if (Mode == raBicubic) {
          const double fx = sx - i, fy = sy - j;
          auto weights = [](double f, double w[4]) {
            w[0] = -f * (1 - f) * (1 - f);
            w[1] = 1 - 2 * f * f + f * f * f;
            w[2] = f * (1 + f - f * f);
            w[3] = f * f * (f - 1);
          };
          double wx[4], wy[4];
          weights(fx, wx);
          weights(fy, wy);
          for (int k = 0; k < CH; ++k) {
            double sum = 0;
            for (int m = 0; m < 4; ++m) {
              double row = 0;
              for (int n = 0; n < 4; ++n) row += wx[n] * sample(i - 1 + n, j - 1 + m, k);
              sum += wy[m] * row;
            }
            // Overshoot of the cubic kernel is clamped: a negative result is
            // black, not its mirror image.
            out[int64_t{x} * CH + k] = ClampToByte(Trunc(sum));
          }
        }
      }
      if (CH == 3) Report(Progress, Trunc(y * 100.0 / H2));
    }
  }
  TIEBitmap cut;
  cut.Allocate(std::max(W2 - 6, 0), std::max(H2 - 6, 0), Image->PixelFormat());
  result.CopyRectTo(&cut, 3, 3, 0, 0, cut.Width(), cut.Height());
  ReplaceWith(Image, &cut);
}
}  // namespace

void RotateQuarter(TIEBitmap* Source, TIEBitmap* Target, bool Clockwise) {
  const int32_t W = Source->Width(), H = Source->Height();
  const TIEPixelFormat f = Source->PixelFormat();
  Target->Allocate(H, W, f);
  if (Target->PixelFormat() != f) {
    // The target cannot hold the source's format (a platform bitmap keeps
    // 16-bit grey as 8-bit): turn a copy converted to the target's format.
    TIEBitmap conv;
    if (CopyInFormat(Source, Target->PixelFormat(), conv)) RotateQuarter(&conv, Target, Clockwise);
    return;
  }
  CopyPalette(Source, Target);
  if (Source->IsEmpty() || Target->IsEmpty()) return;
  TIERowTable src(Source, false);
  TIERowTable dst(Target, true);
  switch (PixelBytes(f)) {
    case 0: QuarterBits(src, dst, W, H, Clockwise); break;
    case 1: QuarterBytes<1>(src, dst, W, H, Clockwise); break;
    case 2: QuarterBytes<2>(src, dst, W, H, Clockwise); break;
    case 3: QuarterBytes<3>(src, dst, W, H, Clockwise); break;
    case 4: QuarterBytes<4>(src, dst, W, H, Clockwise); break;
    case 6: QuarterBytes<6>(src, dst, W, H, Clockwise); break;
    default: break;
  }
}

void RotateRight24(TIEBitmap* Source, TIEBitmap* Target) { RotateQuarter(Source, Target, true); }
void RotateLeft24(TIEBitmap* Source, TIEBitmap* Target) { RotateQuarter(Source, Target, false); }
void RotateRight8(TIEBitmap* Source, TIEBitmap* Target) { RotateQuarter(Source, Target, true); }
void RotateLeft8(TIEBitmap* Source, TIEBitmap* Target) { RotateQuarter(Source, Target, false); }

void Rotate180(TIEBitmap* Image) {
  if (Image->IsEmpty()) return;
  const int32_t W = Image->Width(), H = Image->Height();
  const int64_t len = Image->RowLen();
  const int32_t bpp = PixelBytes(Image->PixelFormat());
  TIERowTable rows(Image, true);
  std::vector<uint8_t> a(static_cast<size_t>(len)), b(static_cast<size_t>(len));
  auto mirror = [&](const uint8_t* in, uint8_t* out) {
    std::fill(out, out + len, uint8_t{0});
    if (bpp == 0) {
      for (int32_t x = 0; x < W; ++x)
        if (GetBit(in, W - 1 - x)) out[x >> 3] |= BitMask(x);
    } else {
      for (int32_t x = 0; x < W; ++x)
        std::memcpy(out + int64_t{x} * bpp, in + int64_t{W - 1 - x} * bpp, static_cast<size_t>(bpp));
    }
  };
  for (int32_t y = 0; y < (H + 1) / 2; ++y) {
    const int32_t y2 = H - 1 - y;
    mirror(rows[y], a.data());
    mirror(rows[y2], b.data());
    std::memcpy(rows[y2], a.data(), static_cast<size_t>(len));
    if (y2 != y) std::memcpy(rows[y], b.data(), static_cast<size_t>(len));
  }
}

void RotateBitmap(TIEBitmap* Image, bool Blend, const TProgressRec* Progress, TRGB Background,
                  double Angle) {
  if (Angle == 0 || Image->IsEmpty()) return;
  const TIEPixelFormat f = Image->PixelFormat();
  if (f == ieMono1) {
    RotateMono1(Image, Background.r != 0 && Background.g != 0 && Background.b != 0, Progress, Angle);
    return;
  }
  const uint8_t bg[3] = {Background.b, Background.g, Background.r};
  if (f == ieRGB24) {
    RotateByShears<3>(Image, Blend, bg, Progress, Angle);
    return;
  }
  // Other formats: quarter turns are exact pixel copies in the image's own
  // format; a remaining angle is sheared on 24-bit pixels and converted back.
  const int64_t t = Trunc(Angle * 1000) % 360000;
  const double rest = std::remainder(static_cast<double>(t) / 1000, 90.0);
  if (rest == 0) {
    const uint8_t none[1] = {0};
    // Quarter turns only: the shear step is never reached.
    RotateByShears<1>(Image, false, none, Progress, Angle);
    return;
  }
  Image->ConvertFormat(ieRGB24);
  RotateByShears<3>(Image, Blend, bg, Progress, Angle);
  Image->ConvertFormat(f);
}

void RotateGray8(TIEBitmap* Image, bool Blend, uint8_t Background, const TProgressRec* Progress,
                 double Angle) {
  const TIEPixelFormat f = Image->PixelFormat();
  if ((f != ieGray8 && f != iePalette8) || Angle == 0 || Image->IsEmpty()) return;
  RotateByShears<1>(Image, Blend, &Background, Progress, Angle);
}

void RotateMono1(TIEBitmap* Image, bool Background, const TProgressRec* Progress, double Angle) {
  if (Image->PixelFormat() != ieMono1 || Image->IsEmpty()) return;
  RotateNearest(Image, Background ? 1 : 0, Progress, Angle);
}

void RotateGray8Nearest(TIEBitmap* Image, uint8_t Background, double Angle) {
  const TIEPixelFormat f = Image->PixelFormat();
  if ((f != ieGray8 && f != iePalette8) || Image->IsEmpty()) return;
  RotateNearest(Image, Background, nullptr, Angle);
}

void RotateAntialiased24(TIEBitmap* Image, TColor Background, TIERotateAntialias Mode,
                         const TProgressRec* Progress, double Angle) {
  if (Image->PixelFormat() != ieRGB24) return;
  const TRGB c = ColorToRGBTriple(Background);
  const uint8_t bg[3] = {c.b, c.g, c.r};
  RotateAntialiased<3>(Image, bg, Background, Mode, Progress, Angle);
}

void RotateAntialiasedGray8(TIEBitmap* Image, uint8_t Background, TIERotateAntialias Mode, double Angle) {
  const TIEPixelFormat f = Image->PixelFormat();
  if (f != ieGray8 && f != iePalette8) return;
  RotateAntialiased<1>(Image, &Background, Background, Mode, nullptr, Angle);
}

bool IsMultipleOf90(double Angle) {
  if (Angle != std::trunc(Angle) || !std::isfinite(Angle) || std::fabs(Angle) > 9e18) return false;
  return static_cast<int64_t>(Angle) % 90 == 0;
}
