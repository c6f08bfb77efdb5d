#include "imaging/io/raw/RawOutput.h"

#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "imaging/io/TIOParamsVals.h"
#include "imaging/model/PixelHelpers.h"
#include "imaging/model/TIEBitmap.h"

// The finished image: white point from the histogram, the gamma table, and
// the rows, each written YMag times.
void WriteOutput(TIERawContext& Ctx, TIEBitmap* Bitmap, TIOParamsVals& Params, std::vector<double>& Table) {
  Table.resize(65536);
  const bool wide = Params.IsNativePixelFormat;
  Params.BitsPerSample = wide ? 16 : 8;
  Params.SamplesPerPixel = 3;
  const double share = Ctx.Make == "FUJIFILM" ? 0.005 : 0.01;
  const int64_t p = static_cast<int64_t>(static_cast<double>(Ctx.Width) * Ctx.Height * share);
  int64_t sum = 0;
  int32_t bin = 8191;
  for (; bin > 0; --bin) {
    sum += Ctx.Histogram[bin];
    if (sum > p) break;
  }
  double white = bin * 16.0;
  if (white == 0) white = 1.0;
  const double mul = static_cast<double>(Ctx.Bright) * 442 / white;
  Table[0] = 0;
  for (int32_t i = 1; i < 65536; ++i) {
    Table[static_cast<size_t>(i)] = mul * std::pow(2.0 * i / white, static_cast<double>(Ctx.Gamma) - 1);
    if (wide) Table[static_cast<size_t>(i)] *= 65535.0 / 255.0;
  }
  const int32_t outW = Ctx.Width - 2 * Ctx.Trim;
  const int32_t outH = Ctx.Height - 2 * Ctx.Trim;
  Bitmap->Allocate(outW, outH * Ctx.YMag, wide ? ieRGB48 : ieRGB24);
  const double limit = wide ? 65535 : 255;
  std::vector<uint16_t> row16;
  std::vector<TRGB> row8;
  try {
    if (wide)
      row16.resize(static_cast<size_t>(outW) * 3);
    else
      row8.resize(static_cast<size_t>(outW));
  } catch (const std::bad_alloc&) {
    RawOutOfMemory(wide ? "write_ppm16()" : "write_ppm()");
  }
  int32_t out = 0;
  for (int32_t r = Ctx.Trim; r < Ctx.Height - Ctx.Trim; ++r) {
    RawCheckAbort(Ctx);
    for (int32_t c = Ctx.Trim; c < Ctx.Width - Ctx.Trim; ++c) {
      const auto& P = Ctx.Image[static_cast<size_t>(int64_t{r} * Ctx.Width + c)];
      const double f = Table[P[3]];
      double v[3];
      for (int32_t k = 0; k < 3; ++k) {
        v[k] = std::trunc(P[static_cast<size_t>(k)] * f);
        if (v[k] > limit) v[k] = limit;
      }
      const size_t x = static_cast<size_t>(c - Ctx.Trim);
      if (wide) {
        for (size_t k = 0; k < 3; ++k) row16[3 * x + k] = static_cast<uint16_t>(v[k]);
      } else {
        // Built as red, green, blue; the 24-bit layout stores blue first.
        row8[x].b = static_cast<uint8_t>(v[0]);
        row8[x].g = static_cast<uint8_t>(v[1]);
        row8[x].r = static_cast<uint8_t>(v[2]);
      }
    }
    for (int32_t m = 0; m < Ctx.YMag; ++m, ++out) {
      uint8_t* line = Bitmap->GetScanline(out);
      if (wide)
        std::memcpy(line, row16.data(), row16.size() * sizeof(uint16_t));
      else
        CopySwapRedBlue(reinterpret_cast<TRGB*>(line), row8.data(), outW);
    }
  }
  Bitmap->UnmapRows();
  Ctx.Image.clear();
  Ctx.Image.shrink_to_fit();
}

// Turns the 45-degree layout of some sensors upright.
void TurnUpright(TIEBitmap* Bitmap) {
  const int32_t W = Bitmap->Width(), H = Bitmap->Height();
  const size_t bpp = Bitmap->PixelFormat() == ieRGB48 ? 6 : 3;
  auto black = [&](const uint8_t* p) {
    for (size_t i = 0; i < bpp; ++i)
      if (p[i]) return false;
    return true;
  };
  int32_t L = W, R = 0;
  {
    const uint8_t* row0 = Bitmap->GetScanline(0);
    for (int32_t x = 0; x < W; ++x)
      if (!black(row0 + bpp * x)) {
        if (L == W) L = x;
        R = x;
      }
  }
  const int32_t N = R;
  const int64_t E = 2 * int64_t{W - L} - 4;
  // Without a lit pixel past the first there is no layout to turn.
  if (N <= 0 || E <= 1) return;
  std::vector<uint8_t> inter(static_cast<size_t>(E) * static_cast<size_t>(N) * bpp, 0);
  auto cell = [&](int64_t row, int64_t col) { return inter.data() + (static_cast<size_t>(row) * N + static_cast<size_t>(col)) * bpp; };
  for (int32_t y = 0; y < H; ++y) {
    const uint8_t* src = Bitmap->GetScanline(y);
    for (int32_t x = 0; x < W; ++x) {
      const int64_t g = int64_t{y} + x - R + 5;
      const int64_t o = (int64_t{x} + R - y - 1) / 2;
      if (g >= 0 && g < E && o >= 0 && o < N) std::memcpy(cell(g, o), src + bpp * x, bpp);
    }
  }
  TIEBitmap turned;
  turned.Allocate(2 * N, H, Bitmap->PixelFormat());
  std::vector<uint8_t> line(static_cast<size_t>(2 * N) * bpp, 0);
  const bool wide = bpp == 6;
  auto sample = [&](const uint8_t* p, size_t k) -> uint32_t {
    return wide ? reinterpret_cast<const uint16_t*>(p)[k] : p[k];
  };
  for (int32_t k = 0; k < H; ++k) {
    uint8_t* dst = turned.GetScanline(k);
    if (k > E - 2) {
      std::memset(dst, 0, line.size());
      continue;
    }
    const int64_t j = k + 1;
    for (int64_t l = 1; l < 2 * int64_t{N}; ++l) {
      const int64_t qi = l / 2;
      uint8_t* out = line.data() + static_cast<size_t>(l) * bpp;
      if (((j + l) & 1) == 0) {
        std::memcpy(out, cell(j, qi), bpp);
      } else if (j <= E - 2 && l <= 2 * int64_t{N} - 2) {
        const int64_t si = (j & 1) ? qi - 1 : qi;
        const size_t n = wide ? 3 : 3;
        for (size_t c = 0; c < n; ++c) {
          const uint32_t v = (sample(cell(j - 1, qi), c) + sample(cell(j + 1, qi), c) + sample(cell(j, si), c) +
                              sample(cell(j, si + 1), c)) >> 2;
          if (wide)
            reinterpret_cast<uint16_t*>(out)[c] = static_cast<uint16_t>(v);
          else
            out[c] = static_cast<uint8_t>(v);
        }
      }
    }
    std::memcpy(dst, line.data(), line.size());
  }
  turned.UnmapRows();
  Bitmap->Assign(&turned);
}

