#include "imaging/model/ImageEffects.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "imaging/model/IEBitRoutines.h"
#include "imaging/model/TIERowTable.h"
#include "imaging/model/PixelHelpers.h"
#include "imaging/model/TIEBitmap.h"
#include "rtl/Exception.h"
#include "rtl/Numeric.h"

namespace {
void Report(const TProgressRec* Progress, int64_t Percent) {
  if (Progress && Progress->OnProgress) Progress->OnProgress(Progress->Sender, static_cast<int32_t>(Percent));
}

struct GaussKernel {
  int32_t w[201];  // offsets -100..100
  int32_t R;
  int32_t at(int32_t o) const { return w[o + 100]; }
};

GaussKernel BuildKernel(double radius) {
  GaussKernel k{};
  double g[201], sum = 0;
  for (int32_t i = -100; i <= 100; ++i) {
    const double q = i / radius;
    g[i + 100] = std::exp(-q * q / 2);
    sum += g[i + 100];
  }
  for (int32_t i = 0; i < 201; ++i) k.w[i] = static_cast<int32_t>(Round(g[i] * 65536 / sum));
  k.R = 1;
  for (int32_t r = 100; r >= 1; --r)
    if (k.at(r) != 0 || k.at(-r) != 0) {
      k.R = r;
      break;
    }
  return k;
}

// Filters a line of n pixels of CH bytes with edge replication.
void FilterLine(const GaussKernel& k, int CH, const uint8_t* in, uint8_t* out, int32_t n) {
  for (int32_t x = 0; x < n; ++x)
    for (int c = 0; c < CH; ++c) {
      int64_t acc = 0x8000;
      for (int32_t o = -k.R; o <= k.R; ++o) {
        const int32_t p = std::clamp(x + o, 0, n - 1);
        acc += int64_t{k.at(o)} * in[int64_t{p} * CH + c];
      }
      out[int64_t{x} * CH + c] = ClampToByte(acc >> 16);
    }
}
}  // namespace

void GaussianBlur(TIEBitmap* Image, const TProgressRec* Progress, double Radius) {
  const TIEPixelFormat f = Image->PixelFormat();
  if ((f != ieGray8 && f != ieRGB24) || Radius <= 0 || Image->IsEmpty()) return;
  const GaussKernel k = BuildKernel(Radius);
  const int CH = f == ieRGB24 ? 3 : 1;
  const int32_t W = Image->Width(), H = Image->Height();
  const double P = 100.0 / (H + W);
  TIERowTable rows(Image, true);
  std::vector<uint8_t> line(static_cast<size_t>(std::max(W, H)) * CH), out(line.size());
  for (int32_t y = 0; y < H; ++y) {
    std::memcpy(line.data(), rows[y], static_cast<size_t>(W) * CH);
    FilterLine(k, CH, line.data(), out.data(), W);
    std::memcpy(rows[y], out.data(), static_cast<size_t>(W) * CH);
    Report(Progress, Trunc(y * P));
  }
  for (int32_t x = 0; x < W; ++x) {
    for (int32_t y = 0; y < H; ++y) std::memcpy(&line[static_cast<size_t>(y) * CH], rows[y] + int64_t{x} * CH, CH);
    FilterLine(k, CH, line.data(), out.data(), H);
    for (int32_t y = 0; y < H; ++y) std::memcpy(rows[y] + int64_t{x} * CH, &out[static_cast<size_t>(y) * CH], CH);
    Report(Progress, Trunc((H + x) * P));
  }
}

void ApplySoftShadow(TIEBitmap* Image, int32_t OffsetX, int32_t OffsetY, const TProgressRec* Progress,
                     TRGB ShadowColour, bool Enlarge, double Radius) {
  if (Image->IsEmpty() || Image->IsAlphaChannel) return;
  int64_t e = 0;
  if (Enlarge) {
    // In 64 bits: twice a large offset does not wrap. A growth no image can
    // hold is refused before anything changes.
    const int64_t reach = std::max(std::llabs(int64_t{OffsetX}), std::llabs(int64_t{OffsetY}));
    const int64_t blur = std::clamp<int64_t>(Trunc(Radius * 5), -(int64_t{1} << 40), int64_t{1} << 40);
    e = std::max<int64_t>(2 * reach + blur, 1);
    if (int64_t{std::max(Image->Width(), Image->Height())} + e > INT32_MAX)
      throw EOutOfMemory("Out of memory: the image does not fit in memory or the temporary folder");
  }
  Image->GetAlphaChannel()->Full = false;
  if (Enlarge)
    Image->Resize(static_cast<int32_t>(Image->Width() + e), static_cast<int32_t>(Image->Height() + e), 0, 0, 1, 1);
  TIEBitmap* alpha = Image->GetAlphaChannel();
  alpha->Full = false;
  TIEBitmap saved;
  saved.Assign(alpha);
  GaussianBlur(alpha, Progress, Radius);
  const int32_t W = Image->Width(), H = Image->Height();
  // A move by the whole size or more leaves nothing: larger offsets are held
  // there so that the region arithmetic cannot wrap.
  OffsetX = std::clamp(OffsetX, -W, W);
  OffsetY = std::clamp(OffsetY, -H, H);
  if (OffsetX != 0 || OffsetY != 0) alpha->MoveRegion(0, 0, W - 1, H - 1, OffsetX, OffsetY, 0);
  const TIEPixelFormat f = Image->PixelFormat();
  TIERowTable img(Image, true);
  TIERowTable arows(alpha, true);
  TIERowTable srows(&saved, false);
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) {
      const uint8_t old = srows[y][x], now = arows[y][x];
      if (old != 0 || old == now) {
        arows[y][x] = old;
      } else if (f == ieRGB24) {
        std::memcpy(img[y] + int64_t{x} * 3, &ShadowColour, 3);
      } else if (f == ieMono1) {
        SetBit(img[y], x, false);
      }
    }
}

void MakeRoundCorners(TIEBitmap* Image, int32_t A, int32_t B) {
  if (Image->IsEmpty() || A == 0 || B == 0 || Image->IsAlphaChannel) return;
  TIEBitmap* alpha = Image->GetAlphaChannel();
  const int32_t W = Image->Width(), H = Image->Height();
  const int32_t n = A + B;
  auto bezier = [](double t, double p0, double p1, double p2, double p3) {
    const double u = 1 - t;
    return u * u * u * p0 + 3 * u * u * t * p1 + 3 * u * t * t * p2 + t * t * t * p3;
  };
  {
    TIERowTable rows(alpha, true);
    auto clear = [&](int32_t x, int32_t y) { rows[y][x] = 0; };
    for (int32_t k = 1; k <= n; ++k) {
      const double t = static_cast<double>(k) / n;
      const int32_t px = std::min(static_cast<int32_t>(Round(bezier(t, 0, 0, A, A))), W - 1);
      const int32_t py = std::min(static_cast<int32_t>(Round(bezier(t, B, 0, 0, 0))), H - 1);
      for (int32_t y = 0; y <= py; ++y)
        for (int32_t x = 0; x <= px; ++x) {
          clear(x, y);
          clear(W - 1 - x, y);
        }
    }
    for (int32_t k = 1; k <= n; ++k) {
      const double t = static_cast<double>(k) / n;
      const int32_t px = std::max(static_cast<int32_t>(Round(bezier(t, W, W, W - A, W - A))), 0);
      const int32_t py = std::max(static_cast<int32_t>(Round(bezier(t, H - B, H, H, H))), 0);
      for (int32_t y = py; y < H; ++y)
        for (int32_t x = px; x < W; ++x) {
          clear(x, y);
          clear(W - 1 - x, y);
        }
    }
  }
  SyncAlphaFull(alpha);
}

void MatchChannelHistogram(TIEBitmap* Image, int32_t Channel, const int64_t ReferenceHistogram[256],
                           int64_t ReferenceCount) {
  const TIEPixelFormat f = Image->PixelFormat();
  if ((f != ieRGB24 && f != ieRGB48) || Image->IsEmpty() || Channel < 0 || Channel > 2 || ReferenceCount <= 0) return;
  const bool deep = f == ieRGB48;
  const int32_t W = Image->Width(), H = Image->Height();
  const int32_t bpp = deep ? 6 : 3;
  const int32_t offset = deep ? 4 - 2 * Channel : Channel;
  TIERowTable rows(Image, true);
  auto get = [&](int32_t x, int32_t y) -> int32_t {
    const uint8_t* p = rows[y] + int64_t{x} * bpp + offset;
    if (!deep) return *p;
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v >> 8;
  };
  auto set = [&](int32_t x, int32_t y, int32_t v) {
    uint8_t* p = rows[y] + int64_t{x} * bpp + offset;
    if (!deep) {
      *p = static_cast<uint8_t>(v);
    } else {
      const uint16_t w = static_cast<uint16_t>(v * 257);
      std::memcpy(p, &w, 2);
    }
  };
  int64_t h[256] = {};
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) ++h[get(x, y)];
  int32_t eq[256];
  int64_t cum = 0;
  const double scale = 255.0 / (static_cast<double>(W) * H);
  for (int i = 0; i < 256; ++i) {
    cum += h[i];
    eq[i] = ClampToByte(Trunc(cum * scale));
  }
  double r[256];
  cum = 0;
  for (int i = 0; i < 256; ++i) {
    cum += ReferenceHistogram[i];
    r[i] = (255.0 / ReferenceCount) * cum;
  }
  int32_t s[256];
  for (int i = 0; i < 256; ++i) {
    int best = 0;
    for (int j = 1; j < 256; ++j)
      if (std::fabs(r[j] - i) < std::fabs(r[best] - i)) best = j;
    s[i] = best;
  }
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) set(x, y, s[eq[get(x, y)]]);
}

void MatchHistograms(TIEBitmap* Reference, TIEBitmap* Image) {
  if (Reference->PixelFormat() != ieRGB24 || Reference->IsEmpty() || Image->IsEmpty()) return;
  int64_t hist[3][256] = {};
  {
    TIERowTable rows(Reference, false);
    for (int32_t y = 0; y < Reference->Height(); ++y)
      for (int32_t x = 0; x < Reference->Width(); ++x)
        for (int c = 0; c < 3; ++c) ++hist[c][rows[y][int64_t{x} * 3 + c]];
  }
  const int64_t count = int64_t{Reference->Width()} * Reference->Height();
  for (int c = 0; c < 3; ++c) MatchChannelHistogram(Image, c, hist[c], count);
}

namespace {
struct PresetLists {
  std::vector<TIEFilterPreset> records;
  std::vector<std::string> names;
  PresetLists() {
    const struct {
      const char* name;
      TIEFilterPreset p;
    } builtin[] = {
        {"None", {{0, 0, 0, 0, 1, 0, 0, 0, 0}, 0}},
        {"Blur", {{1, 1, 1, 1, 1, 1, 1, 1, 1}, 9}},
        {"Edges", {{1, 1, 1, 1, -8, 1, 1, 1, 1}, 1}},
        {"Emboss", {{-1, 0, 1, -1, 1, 1, -1, 0, 1}, 1}},
        {"High Pass 1", {{0, -1, 0, -1, 5, -1, 0, -1, 0}, 1}},
        {"High Pass 2", {{-1, -1, -1, -1, 9, -1, -1, -1, -1}, 1}},
        {"High Pass 3", {{1, -2, 1, -2, 5, -2, 1, -2, 1}, 1}},
        {"Low Pass 1", {{1, 1, 1, 1, 1, 1, 1, 1, 1}, 10}},
        {"Low Pass 2", {{1, 2, 1, 2, 4, 2, 1, 2, 1}, 16}},
    };
    for (const auto& b : builtin) {
      records.push_back(b.p);
      names.push_back(b.name);
    }
  }
};
PresetLists& Presets() {
  static PresetLists lists;
  return lists;
}
}  // namespace

void RegisterFilterPreset(const TIEFilterPreset& Record, const std::string& Name) {
  Presets().records.push_back(Record);
  Presets().names.push_back(Name);
}
const std::vector<TIEFilterPreset>& IEFilterPresets() { return Presets().records; }
const std::vector<std::string>& IEFilterPresetNames() { return Presets().names; }
