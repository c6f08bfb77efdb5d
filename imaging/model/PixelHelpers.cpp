#include "imaging/model/PixelHelpers.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "imaging/model/IEBitRoutines.h"
#include "imaging/model/THash1.h"
#include "imaging/model/TIEBitmap.h"
#include "rtl/Numeric.h"
#include "ui/TColor.h"

int32_t CeilInt(double x) {
  double t = std::trunc(x);
  return static_cast<int32_t>(x - t > 0 ? t + 1 : t);
}

int32_t FloorInt(double x) {
  double t = std::trunc(x);
  return static_cast<int32_t>(x - t < 0 ? t - 1 : t);
}

uint8_t FloatToByte(double v) {
  if (!(v > 0)) return 0;  // negative and NaN
  return v >= 255 ? 255 : static_cast<uint8_t>(v);
}

uint16_t FloatToWord(double v) {
  if (!(v > 0)) return 0;
  return v >= 65535 ? 65535 : static_cast<uint16_t>(v);
}

void SwapInts(int32_t& a, int32_t& b) { std::swap(a, b); }
void SwapBytes(uint8_t& a, uint8_t& b) { std::swap(a, b); }

void OrderCorners(int32_t& x1, int32_t& y1, int32_t& x2, int32_t& y2) {
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
}

TRGB ColorToRGBTriple(TColor Color) {
  const uint32_t rgb = ColorToRGB(Color);  // system colours resolved
  return MakeRGBTriple(static_cast<uint8_t>(rgb), static_cast<uint8_t>(rgb >> 8),
                       static_cast<uint8_t>(rgb >> 16));
}

void RGBToHSL(const TRGB& c, double& H, double& S, double& L) {
  const double r = c.r / 255.0, g = c.g / 255.0, b = c.b / 255.0;
  const double mx = std::max({r, g, b}), mn = std::min({r, g, b});
  L = (mx + mn) / 2;
  if (mx == mn) {
    H = 0;
    S = 0;
    return;
  }
  const double d = mx - mn;
  S = L >= 0.5 ? d / (2 - mx - mn) : d / (mx + mn);
  if (mx == r)
    H = (g - b) / d;
  else if (mx == g)
    H = 2 + (b - r) / d;
  else
    H = 4 + (r - g) / d;
  H /= 6;
  if (H < 0) H += 1;
}

TRGB HSLToRGB(double H, double S, double L) {
  if (H < 0) H += 1;
  if (H > 1) H -= 1;
  S = std::clamp(S, 0.0, 1.0);
  L = std::clamp(L, 0.0, 1.0);
  auto to_byte = [](double v) { return static_cast<uint8_t>(std::clamp<int64_t>(Round(v * 255), 0, 255)); };
  if (S == 0) return MakeRGBTriple(to_byte(L), to_byte(L), to_byte(L));
  const double m2 = L <= 0.5 ? L * (1 + S) : L + S - L * S;
  const double m1 = 2 * L - m2;
  auto v = [&](double h) {
    if (h < 0) h += 1;
    if (h > 1) h -= 1;
    if (6 * h < 1) return m1 + (m2 - m1) * 6 * h;
    if (2 * h < 1) return m2;
    if (3 * h < 2) return m1 + (m2 - m1) * (2.0 / 3 - h) * 6;
    return m1;
  };
  return MakeRGBTriple(to_byte(v(H + 1.0 / 3)), to_byte(v(H)), to_byte(v(H - 1.0 / 3)));
}

void InvertBitmap(TIEBitmap* Image) {
  for (int32_t y = 0; y < Image->Height(); ++y) {
    uint8_t* row = Image->GetScanline(y);
    for (int64_t i = 0; i < Image->RowLen(); ++i) row[i] = static_cast<uint8_t>(~row[i]);
  }
  Image->UnmapRows();
}

namespace {
// Reverses the order of a row's w pixels of BPP bytes, in place.
template <int BPP>
void MirrorPixels(uint8_t* row, int32_t w) {
  uint8_t* a = row;
  uint8_t* b = row + int64_t{w - 1} * BPP;
  for (; a < b; a += BPP, b -= BPP) {
    uint8_t t[BPP];
    std::memcpy(t, a, BPP);
    std::memcpy(a, b, BPP);
    std::memcpy(b, t, BPP);
  }
}

// 24-bit rows mirrored out of place five pixels at a time: 16 bytes loaded
// from the far end, 15 of them reordered by one byte shuffle.
using Bytes16 = uint8_t __attribute__((vector_size(16)));
[[gnu::target("ssse3")]] void MirrorRGB24Into(const uint8_t* in, uint8_t* out, int32_t w) {
  int32_t x = 0;
  // out[x..x+4] from in[w-5-x..w-1-x], loaded with the byte before them
  // (inside the row while a pixel precedes them); the 16th byte stored lands
  // in the next target pixel's place, written in its turn.
  for (; x + 6 <= w; x += 5) {
    Bytes16 v;
    std::memcpy(&v, in + int64_t{w - 5 - x} * 3 - 1, 16);
    // A constant shuffle both compilers take (GCC from version 12, clang).
    v = __builtin_shufflevector(v, v, 13, 14, 15, 10, 11, 12, 7, 8, 9, 4, 5, 6, 1, 2, 3, 0);
    std::memcpy(out + int64_t{x} * 3, &v, 16);
  }
  for (; x < w; ++x) std::memcpy(out + int64_t{x} * 3, in + int64_t{w - 1 - x} * 3, 3);
}
bool HasByteShuffle() {
  static const bool has = __builtin_cpu_supports("ssse3");
  return has;
}
}  // namespace

void FlipBitmap(TIEBitmap* Image, bool Vertical) {
  const int32_t w = Image->Width(), h = Image->Height();
  const int64_t len = Image->RowLen();
  if (Image->IsEmpty()) return;
  // Rows in memory stay where they are and are swapped where they lie; rows
  // in a temporary file are mapped one at a time, so they go through copies.
  const bool in_memory = Image->Location() != ieTempFile;
  std::vector<uint8_t> a(static_cast<size_t>(len)), b(static_cast<size_t>(len));
  if (Vertical) {
    for (int32_t y = 0; y < h / 2; ++y) {
      if (in_memory) {
        uint8_t* top = Image->GetScanline(y);
        uint8_t* bottom = Image->GetScanline(h - 1 - y);
        std::swap_ranges(top, top + len, bottom);
        continue;
      }
      std::copy_n(Image->GetScanline(y), len, a.data());
      std::copy_n(Image->GetScanline(h - 1 - y), len, b.data());
      std::copy_n(a.data(), len, Image->GetScanline(h - 1 - y));
      std::copy_n(b.data(), len, Image->GetScanline(y));
    }
  } else {
    const TIEPixelFormat f = Image->PixelFormat();
    const int32_t bpp = f == ieRGB24 ? 3 : (f == iePalette8 || f == ieGray8) ? 1 : f == ieMono1 ? 0 : -1;
    if (bpp >= 0) {
      for (int32_t y = 0; y < h; ++y) {
        uint8_t* row = Image->GetScanline(y);
        if (bpp == 0) {
          // Bytes reversed with their bits, then the row's start realigned.
          std::fill(b.begin(), b.end(), uint8_t{0});
          const int64_t used = (int64_t{w} + 7) / 8;
          for (int64_t i = 0; i < used; ++i) b[static_cast<size_t>(i)] = ReverseBitsByte(row[used - 1 - i]);
          const int64_t shift = w % 8 ? 8 - w % 8 : 0;
          std::fill(row, row + used, uint8_t{0});
          CopyBits(row, b.data(), 0, used, w, shift);
        } else if (bpp == 3 && HasByteShuffle()) {
          MirrorRGB24Into(row, a.data(), w);
          std::memcpy(row, a.data(), static_cast<size_t>(w) * 3);
        } else if (bpp == 3) {
          MirrorPixels<3>(row, w);
        } else {
          std::reverse(row, row + w);
        }
      }
    }
  }
  Image->UnmapRows();
  if (Image->HasAlphaChannel()) FlipBitmap(Image->GetAlphaChannel(), Vertical);
}

bool CopyInFormat(TIEBitmap* Source, TIEPixelFormat Format, TIEBitmap& Out) {
  Out.SetLocation(ieMemory);
  Out.Assign(Source);
  Out.RemoveAlphaChannel();
  Out.ConvertFormat(Format);
  return Out.PixelFormat() == Format;
}

TIEBitmap* BuildTwoColorBitmap(TIEBitmap* Image, TRGB& C1, TRGB& C2) {
  const int32_t w = Image->Width(), h = Image->Height();
  auto result = std::make_unique<TIEBitmap>();
  result->Allocate(w, h, ieMono1);
  THash1 colours(13);
  int found = 0;
  std::vector<uint8_t> bits(static_cast<size_t>(result->RowLen()));
  for (int32_t y = 0; y < h && found <= 2; ++y) {
    std::fill(bits.begin(), bits.end(), uint8_t{0});
    for (int32_t x = 0; x < w; ++x) {
      TRGB c = Image->GetPixelRGB(x, y);
      if (colours.Add(PackRGB(c))) {
        ++found;
        if (found == 1)
          C1 = c;
        else
          C2 = c;
      }
      if (!(c == C1)) SetBit(bits.data(), x, true);
    }
    std::copy(bits.begin(), bits.end(), result->GetScanline(y));
  }
  Image->UnmapRows();
  result->UnmapRows();
  if (found != 2) return nullptr;
  auto grey = [](const TRGB& c) { return Round((c.r * 21 + c.g * 71 + c.b * 8) / 100.0); };
  if (static_cast<uint8_t>(grey(C2)) < static_cast<uint8_t>(grey(C1))) {
    InvertBitmap(result.get());
    std::swap(C1, C2);
  }
  return result.release();
}

int32_t NearestPaletteIndex(const TRGB* Palette, int32_t N, const TRGB& Colour) {
  int32_t best = 0, bound = 1000;
  for (int32_t i = 0; i < N; ++i) {
    int32_t d = std::abs(Palette[i].r - Colour.r) + std::abs(Palette[i].g - Colour.g) +
                std::abs(Palette[i].b - Colour.b);
    if (d < bound) {
      bound = d;
      best = i;
    }
  }
  return best;
}

void CopySwapRedBlue(TRGB* Target, const TRGB* Source, int64_t N) {
  for (int64_t i = 0; i < N; ++i) Target[i] = TRGB{Source[i].r, Source[i].g, Source[i].b};
}

void SwapRedBlue(TRGB* Triples, int64_t N) {
  for (int64_t i = 0; i < N; ++i) std::swap(Triples[i].r, Triples[i].b);
}

void SwapRedBlue48(TRGB48* Pixels, int64_t N) {
  for (int64_t i = 0; i < N; ++i) std::swap(Pixels[i].r, Pixels[i].b);
}

int64_t ColorCount(int32_t BitsPerSample, int32_t SamplesPerPixel) {
  if (SamplesPerPixel <= 0) return 1;
  const int64_t bits = int64_t{BitsPerSample} * SamplesPerPixel;
  if (bits >= 63) return INT64_MAX;
  return int64_t{1} << bits;
}
