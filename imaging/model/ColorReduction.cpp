#include "imaging/model/ColorReduction.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "imaging/model/IEBitRoutines.h"
#include "imaging/model/PixelHelpers.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/model/TIEQuantizer.h"
#include "ui/TBitmap.h"

const uint8_t IEBayerMatrix[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},   {48, 16, 56, 24, 50, 18, 58, 26},
    {12, 44, 4, 36, 14, 46, 6, 38},  {60, 28, 52, 20, 62, 30, 54, 22},
    {3, 35, 11, 43, 1, 33, 9, 41},   {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37},  {63, 31, 55, 23, 61, 29, 53, 21}};

namespace {
int32_t MaxEntropyThreshold(TIEBitmap* Image) {
  int64_t counts[256];
  GrayHistogram(Image, counts);
  const double total = static_cast<double>(Image->Width()) * Image->Height();
  double p[256];
  double ht = 0;
  for (int i = 0; i < 256; ++i) {
    p[i] = counts[i] / total;
    if (p[i] != 0) ht -= p[i] * std::log(p[i]);
  }
  int32_t best_t = -2;
  double best = 0;
  double pt = 0, hb = 0;
  for (int t = 1; t < 256; ++t) {
    pt += p[t - 1];
    if (p[t - 1] != 0) hb -= p[t - 1] * std::log(p[t - 1]);
    if (pt > 0 && pt < 1) {
      double score = std::log(pt - pt * pt) + hb / pt + (ht - hb) / (1 - pt);
      if (score > best) {
        best = score;
        best_t = t;
      }
    }
  }
  return best_t;
}
}  // namespace

int32_t PixelGrayLevel(TIEBitmap* Image, const uint8_t* Row, int32_t x) {
  return RGBToGrayLevel(Image->PixelRGBInRow(Row, x));
}

void MeanColor(TIEBitmap* Image, int32_t& R, int32_t& G, int32_t& B) {
  const int32_t w = Image->Width(), h = Image->Height();
  R = G = B = 0;
  if (w <= 0 || h <= 0) return;
  int64_t sr = 0, sg = 0, sb = 0;
  const TIEPixelFormat f = Image->PixelFormat();
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* row = Image->GetScanline(y);
    int64_t rr = 0, rg = 0, rb = 0;
    for (int32_t x = 0; x < w; ++x) {
      if (f == ieGray16 || f == ieRGB48) {
        // 16-bit channels scaled to 8 bits as Trunc(v / 65535 * 255).
        uint16_t c[3];
        if (f == ieGray16) {
          std::memcpy(&c[0], row + int64_t{x} * 2, 2);
          c[1] = c[2] = c[0];
        } else {
          std::memcpy(c, row + int64_t{x} * 6, 6);
        }
        rr += static_cast<int64_t>(std::trunc(c[0] / 65535.0 * 255));
        rg += static_cast<int64_t>(std::trunc(c[1] / 65535.0 * 255));
        rb += static_cast<int64_t>(std::trunc(c[2] / 65535.0 * 255));
      } else {
        TRGB c = Image->PixelRGBInRow(row, x);
        rr += c.r, rg += c.g, rb += c.b;
      }
    }
    sr += rr / w, sg += rg / w, sb += rb / w;
  }
  Image->UnmapRows();
  R = static_cast<int32_t>(sr / h);
  G = static_cast<int32_t>(sg / h);
  B = static_cast<int32_t>(sb / h);
}

void GrayHistogram(TIEBitmap* Image, int64_t Counts[256]) {
  std::fill(Counts, Counts + 256, int64_t{0});
  for (int32_t y = 0; y < Image->Height(); ++y) {
    const uint8_t* row = Image->GetScanline(y);
    for (int32_t x = 0; x < Image->Width(); ++x) ++Counts[PixelGrayLevel(Image, row, x)];
  }
  Image->UnmapRows();
}

void ThresholdToBW(TIEBitmap* Source, TIEBitmap* Target, int32_t Threshold,
                   const TProgressRec* Progress) {
  const int32_t w = Source->Width(), h = Source->Height();
  if (Source->PixelFormat() == ieMono1) {
    Target->Assign(Source);
    return;
  }
  if (Threshold == -2) {
    Threshold = MaxEntropyThreshold(Source);
    // A one-colour image has no entropy threshold. Left at -2 every pixel
    // would pass and a black page would turn white; the middle grey keeps a
    // dark image dark and a light one light.
    if (Threshold == -2) Threshold = 128;
  }
  if (Threshold == -1) {
    int32_t r, g, b;
    MeanColor(Source, r, g, b);
    Threshold = RGBToGrayLevel(MakeRGBTriple(static_cast<uint8_t>(r), static_cast<uint8_t>(g),
                                             static_cast<uint8_t>(b)));
  }
  TProgressRec progress = Progress ? *Progress : TProgressRec{};
  progress.Start(h);
  std::vector<uint8_t> bits(static_cast<size_t>(Target->RowLen()));
  for (int32_t y = 0; y < h && y < Target->Height(); ++y) {
    std::fill(bits.begin(), bits.end(), uint8_t{0});
    const uint8_t* row = Source->GetScanline(y);
    for (int32_t x = 0; x < w && x < Target->Width(); ++x)
      if (PixelGrayLevel(Source, row, x) >= Threshold) SetBit(bits.data(), x, true);
    std::memcpy(Target->GetScanline(y), bits.data(), bits.size());
    progress.Report(y + 1);
  }
  Source->UnmapRows();
  Target->UnmapRows();
}

void ThresholdToBWBitmap(TIEBitmap* Image, int32_t Threshold, const TProgressRec* Progress) {
  TIEBitmap bw;
  bw.Allocate(Image->Width(), Image->Height(), ieMono1);
  ThresholdToBW(Image, &bw, Threshold, Progress);
  Image->AssignTIEBitmap(&bw);
}

void DitherToBW(TIEBitmap* Image, const TProgressRec* Progress) {
  // The rows are read as 24-bit pixels: any other format is left alone.
  if (Image->PixelFormat() != ieRGB24 || Image->IsEmpty()) return;
  const int32_t w = Image->Width(), h = Image->Height();
  TIEBitmap bw;
  bw.Allocate(w, h, ieMono1);
  TProgressRec progress = Progress ? *Progress : TProgressRec{};
  progress.Start(h);
  std::vector<uint8_t> bits(static_cast<size_t>(bw.RowLen()));
  for (int32_t y = 0; y < h; ++y) {
    std::fill(bits.begin(), bits.end(), uint8_t{0});
    const auto* row = reinterpret_cast<const TRGB*>(Image->GetScanline(y));
    for (int32_t x = 0; x < w; ++x) {
      const TRGB c = row[x];
      const int level = (c.r >= 251 && c.g >= 251 && c.b >= 251) ? 64 : RGBToGrayLevel(c) / 4;
      if (IEBayerMatrix[x & 7][y & 7] < level) SetBit(bits.data(), x, true);
    }
    std::memcpy(bw.GetScanline(y), bits.data(), bits.size());
    progress.Report(y + 1);
  }
  Image->UnmapRows();
  Image->AssignTIEBitmap(&bw);
}

void ConvertToGrayRect(TIEBitmap* Image, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2,
                       const TProgressRec* Progress) {
  if (Image->PixelFormat() != ieRGB24 || Image->IsEmpty()) return;
  X1 = std::max(X1, 0);
  Y1 = std::max(Y1, 0);
  X2 = std::min(X2, Image->Width());
  Y2 = std::min(Y2, Image->Height());
  const int32_t rows = Y2 - Y1;
  if (rows <= 0 || X2 <= X1) return;
  const double step = 100.0 / (rows - 1 + 0.5);
  for (int32_t y = Y1; y < Y2; ++y) {
    auto* px = reinterpret_cast<TRGB*>(Image->GetScanline(y));
    for (int32_t x = X1; x < X2; ++x) {
      const uint8_t g = static_cast<uint8_t>(RGBToGrayLevel(px[x]));
      px[x] = TRGB{g, g, g};
    }
    if (Progress && Progress->OnProgress)
      Progress->OnProgress(Progress->Sender, static_cast<int32_t>(Trunc((y - Y1 + 1) * step)));
  }
  Image->UnmapRows();
}

void ReduceColors(TIEBitmap* Image, int32_t N, TRGB* Palette, const TProgressRec* Progress) {
  if (Image->PixelFormat() != ieRGB24 || Image->IsEmpty() || N < 1) return;
  std::vector<TRGB> own;
  if (!Palette) {
    own.resize(static_cast<size_t>(N));
    Palette = own.data();
  }
  TIEQuantizer quantizer(Image, N, Palette, -1);
  TProgressRec progress = Progress ? *Progress : TProgressRec{};
  progress.Start(Image->Height());
  for (int32_t y = 0; y < Image->Height(); ++y) {
    auto* px = reinterpret_cast<TRGB*>(Image->GetScanline(y));
    for (int32_t x = 0; x < Image->Width(); ++x) px[x] = Palette[quantizer.RGBToIndex(px[x])];
    progress.Report(y + 1);
  }
  Image->UnmapRows();
}

int32_t ConvertRowBitDepth(const uint8_t* Source, uint8_t* Target, int32_t SourceBits, const TIEQuantizer* Quantizer,
                           const TRGB* Palette, uint16_t Count, int32_t TargetBits) {
  const int32_t n = Count;
  auto nibble = [](const uint8_t* row, int32_t i) -> uint8_t {
    return (i & 1) ? row[i >> 1] & 0x0F : row[i >> 1] >> 4;
  };
  auto or_nibble = [](uint8_t* row, int32_t i, uint8_t v) { row[i >> 1] |= (i & 1) ? (v & 0x0F) : static_cast<uint8_t>(v << 4); };
  const auto* rgb = reinterpret_cast<const TRGB*>(Source);
  auto* out_rgb = reinterpret_cast<TRGB*>(Target);
  auto index = [&](int32_t i) -> uint8_t {
    return Quantizer ? static_cast<uint8_t>(Quantizer->RGBToIndex(rgb[i])) : 0;
  };
  auto colour = [&](int32_t v) { return Palette ? Palette[v] : TRGB{0, 0, 0}; };
  switch (SourceBits * 100 + TargetBits) {
    case 2404: for (int32_t i = 0; i < n; ++i) or_nibble(Target, i, index(i)); break;
    case 2408: for (int32_t i = 0; i < n; ++i) Target[i] = index(i); break;
    case 2424: std::memmove(Target, Source, static_cast<size_t>(n) * 3); break;
    case 3224: for (int32_t i = 0; i < n; ++i) std::memmove(Target + i * 3, Source + i * 4, 3); break;
    case 801:
      std::memset(Target, 0, static_cast<size_t>((n + 7) / 8));
      for (int32_t i = 0; i < n; ++i)
        if (Source[i] & 1) Target[i >> 3] |= BitMask(i);
      break;
    case 808: std::memmove(Target, Source, static_cast<size_t>(n)); break;
    case 824: for (int32_t i = 0; i < n; ++i) out_rgb[i] = colour(Source[i]); break;
    case 404: std::memmove(Target, Source, static_cast<size_t>((n + 1) / 2)); break;
    case 408: for (int32_t i = 0; i < n; ++i) Target[i] = nibble(Source, i); break;
    case 424: for (int32_t i = 0; i < n; ++i) out_rgb[i] = colour(nibble(Source, i)); break;
    case 101: std::memmove(Target, Source, static_cast<size_t>((n + 7) / 8)); break;
    case 104: for (int32_t i = 0; i < n; ++i) or_nibble(Target, i, GetBit(Source, i) ? 1 : 0); break;
    case 108: for (int32_t i = 0; i < n; ++i) Target[i] = GetBit(Source, i) ? 1 : 0; break;
    case 124: for (int32_t i = 0; i < n; ++i) out_rgb[i] = colour(GetBit(Source, i) ? 1 : 0); break;
    default: break;
  }
  switch (TargetBits) {
    case 1: return (n + 7) / 8;
    case 4: return (n + 1) / 2;
    case 8: return n;
    case 24: return n * 3;
    default: return 0;
  }
}

namespace {
// Entry b: the 8 pixels of byte b, most significant bit first, 3 bytes each.
struct Mono1Expansion {
  uint8_t entry[256][24];
  Mono1Expansion() {
    for (int b = 0; b < 256; ++b)
      for (int k = 0; k < 8; ++k) std::memset(&entry[b][k * 3], (b >> (7 - k)) & 1 ? 255 : 0, 3);
  }
};
const Mono1Expansion kMono1Expansion;
}  // namespace

void ExpandMono1ToRGB24(TBitmap* Source, TBitmap* Target, const TProgressRec* Progress) {
  if (!Source || !Target || Source == Target || Source->PixelFormat() != pf1bit) return;
  const int32_t w = Source->Width(), h = Source->Height();
  Target->SetSize(1, 1);
  Target->SetPixelFormat(pf24bit);
  Target->SetSize(w, h);
  if (w <= 0 || h <= 0) return;
  const int32_t full = w / 8, rest = w % 8;
  for (int32_t y = 0; y < h; ++y) {
    const auto* src = static_cast<const uint8_t*>(Source->ScanLine(y));
    auto* dst = static_cast<uint8_t*>(Target->ScanLine(y));
    for (int32_t i = 0; i < full; ++i) std::memcpy(dst + static_cast<size_t>(i) * 24, kMono1Expansion.entry[src[i]], 24);
    if (rest) std::memcpy(dst + static_cast<size_t>(full) * 24, kMono1Expansion.entry[src[full]], static_cast<size_t>(rest) * 3);
    if (Progress) Progress->Report(y + 1);
  }
}
