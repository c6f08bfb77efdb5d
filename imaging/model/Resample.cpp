#include "imaging/model/Resample.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/model/IEBitRoutines.h"
#include "imaging/model/TIERowTable.h"
#include "imaging/model/PixelHelpers.h"
#include "imaging/model/ResampleRows.h"
#include "imaging/model/TIEBitmap.h"
#include "rtl/Numeric.h"
#include "rtl/TThreadPool.h"

namespace {
void Report(const TProgressRec* Progress, int64_t Percent) {
  if (Progress && Progress->OnProgress) Progress->OnProgress(Progress->Sender, static_cast<int32_t>(Percent));
}

// Reallocates Target at its own size when its format differs.
void EnsureFormat(TIEBitmap* Target, TIEPixelFormat Format) {
  if (Target->PixelFormat() != Format || Target->IsEmpty()) {
    const int32_t w = Target->Width(), h = Target->Height();
    Target->Allocate(w, h, Format);
  }
}

double Sinc(double x) {
  if (x == 0) return 1;
  x *= M_PI;
  return std::sin(x) / x;
}

struct Contributor {
  int32_t index;
  int32_t weight;
};
struct ContributorList {
  std::vector<Contributor> items;
  int32_t weight_sum = 0;
};

std::vector<ContributorList> BuildContributors(int32_t src, int32_t dst, TResampleFilter filter) {
  std::vector<ContributorList> lists(static_cast<size_t>(dst));
  const double scale = (src == 1 || dst == 1) ? static_cast<double>(dst) / src
                                              : static_cast<double>(dst - 1) / (src - 1);
  const double support = ResampleSupport(filter);
  for (int32_t i = 0; i < dst; ++i) {
    const double centre = i / scale;
    const bool enlarge = scale >= 1;
    const double width = enlarge ? support : support / scale;
    ContributorList& list = lists[static_cast<size_t>(i)];
    auto build = [&](double weight_scale) {
      list.items.clear();
      list.weight_sum = 0;
      for (int64_t j = Floor(centre - width); j <= Ceil(centre + width); ++j) {
        const int32_t w = enlarge ? static_cast<int32_t>(Round(ResampleKernel(filter, centre - j) * 256))
                                  : static_cast<int32_t>(Round(ResampleKernel(filter, (centre - j) * scale) * 256 * weight_scale));
        if (w == 0) continue;
        int64_t n = j;
        if (n < 0) n = -n;
        else if (n >= src) n = 2 * int64_t{src} - 1 - n;
        n = std::clamp<int64_t>(n, 0, src - 1);
        list.items.push_back({static_cast<int32_t>(n), w});
        list.weight_sum += w;
      }
    };
    build(scale);
    // Strong reductions round every scaled weight to 0 (or leave a few that
    // cancel): the scale cancels in the normalised sum, so weigh without it.
    if (!enlarge && list.weight_sum <= 0) build(1);
  }
  return lists;
}

inline uint8_t Weighted(int64_t sum, int32_t weight_sum) {
  return ClampToByte(weight_sum != 0 ? sum / weight_sum : sum / 256);
}
// The same for sums that fit 32 bits. A double quotient of two 32-bit
// integers, truncated, is the integer quotient exactly (it lies at least
// 1/|divisor| from any other integer, far more than the rounding error), and
// it vectorises where integer division does not.
inline uint8_t Weighted32(int32_t sum, double divisor) {
  return ClampToByte(static_cast<int32_t>(static_cast<double>(sum) / divisor));
}

// Whether every weighted sum of byte values over these lists fits 32 bits.
bool SumsFit32(const std::vector<ContributorList>& lists) {
  for (const ContributorList& list : lists) {
    int64_t bound = 0;
    for (const Contributor& c : list.items) bound += std::abs(int64_t{c.weight}) * 255;
    if (bound > INT32_MAX) return false;
  }
  return true;
}

// Whether every partial weighted sum of byte values over these lists is an
// integer below 2^24, which single-precision floats hold exactly: summed in
// floats, in any order, they are the integer sums.
bool SumsExactInFloat(const std::vector<ContributorList>& lists) {
  for (const ContributorList& list : lists) {
    int64_t bound = 0;
    for (const Contributor& c : list.items) bound += std::abs(int64_t{c.weight}) * 255;
    if (bound >= (int64_t{1} << 24)) return false;
  }
  return true;
}

// Runs Row over 0..Count-1 on the shared pool, in blocks after each of which
// Done(i) runs on the calling thread for the rows of the block in order: the
// progress of a plain loop, with the same values in the same order.
template <typename RowBand, typename RowDone>
void ForRows(int32_t Count, bool reporting, RowBand&& Band, RowDone&& Done) {
  const int32_t block = reporting ? 256 : std::max(Count, 1);
  for (int32_t b = 0; b < Count; b += block) {
    const int32_t e = std::min(b + block, Count);
    TThreadPool::Shared().ParallelFor(e - b, 4, [&](int64_t first, int64_t last) {
      Band(static_cast<int32_t>(b + first), static_cast<int32_t>(b + last));
    });
    if (reporting)
      for (int32_t i = b; i < e; ++i) Done(i);
  }
}

bool Reporting(const TProgressRec* progress) { return progress && progress->OnProgress; }

// Two-pass kernel filtering of CH-channel byte rows, with sums of type Acc.
template <int CH, typename Acc>
void KernelPasses(const std::vector<const uint8_t*>& src, int32_t srcW, int32_t srcH,
                  TIERowTable& dst, int32_t dstW, int32_t dstH,
                  const std::vector<ContributorList>& cx, const std::vector<ContributorList>& cy,
                  const TProgressRec* progress) {
  constexpr bool k32 = sizeof(Acc) == 4;
  const double P = 100.0 / (dstW + srcH + 0.5);
  const size_t work_len = static_cast<size_t>(dstW) * CH;
  // Every byte is written by the first pass before the second reads it: no
  // need to clear the rows first.
  const std::unique_ptr<uint8_t[]> work(new uint8_t[work_len * static_cast<size_t>(srcH)]);
  // The lists as flat tables: byte offsets of the taps and their weights.
  std::vector<int32_t> first(static_cast<size_t>(dstW) + 1), offset, weight;
  std::vector<double> divisor(static_cast<size_t>(dstW));
  for (int32_t x = 0; x < dstW; ++x) {
    const ContributorList& list = cx[static_cast<size_t>(x)];
    first[static_cast<size_t>(x)] = static_cast<int32_t>(offset.size());
    for (const Contributor& c : list.items) {
      offset.push_back(c.index * CH);
      weight.push_back(c.weight);
    }
    divisor[static_cast<size_t>(x)] = list.weight_sum != 0 ? list.weight_sum : 256;
  }
  first[static_cast<size_t>(dstW)] = static_cast<int32_t>(offset.size());
  const bool reporting = Reporting(progress);
  // The vector loops where their sums are exact (see ResampleRows.h).
  const bool vector_x = k32 && SumsExactInFloat(cx) &&
                        std::all_of(divisor.begin(), divisor.end(), [](double d) { return d > 0; });
  const bool vector_y = k32 && std::all_of(cy.begin(), cy.end(), [](const ContributorList& l) {
                          return l.weight_sum >= 0;
                        });
  std::vector<int32_t> pixel(offset.size());
  for (size_t t = 0; t < offset.size(); ++t) pixel[t] = offset[t] / CH;
  const TResampleTaps taps{first.data(), pixel.data(), weight.data(), divisor.data(), dstW};
  ForRows(srcH, reporting, [&](int32_t r0, int32_t r1) {
    if (vector_x) {
      std::vector<uint8_t*> out(static_cast<size_t>(r1 - r0));
      for (int32_t r = r0; r < r1; ++r) out[static_cast<size_t>(r - r0)] = &work[work_len * static_cast<size_t>(r)];
      ResampleRowsAlongX(&src[static_cast<size_t>(r0)], r1 - r0, srcW, CH, taps, out.data());
      return;
    }
    for (int32_t r = r0; r < r1; ++r) {
      const uint8_t* in = src[static_cast<size_t>(r)];
      uint8_t* out = &work[work_len * static_cast<size_t>(r)];
      for (int32_t x = 0; x < dstW; ++x) {
        Acc sum[CH] = {};
        const int32_t e = first[static_cast<size_t>(x) + 1];
        for (int32_t t = first[static_cast<size_t>(x)]; t < e; ++t) {
          const uint8_t* p = in + offset[static_cast<size_t>(t)];
          const Acc w = weight[static_cast<size_t>(t)];
          for (int k = 0; k < CH; ++k) sum[k] += w * p[k];
        }
        for (int k = 0; k < CH; ++k) {
          if constexpr (k32)
            out[int64_t{x} * CH + k] = Weighted32(sum[k], divisor[static_cast<size_t>(x)]);
          else
            out[int64_t{x} * CH + k] = Weighted(sum[k], cx[static_cast<size_t>(x)].weight_sum);
        }
      }
    }
  }, [&](int32_t r) { Report(progress, Trunc((r + 1) * P)); });
  // The vertical pass runs row by row (the same sums as column by column).
  ForRows(dstH, reporting, [&](int32_t y0, int32_t y1) {
    std::vector<Acc> sums(work_len);
    std::vector<const uint8_t*> rows;
    std::vector<int32_t> weights;
    for (int32_t y = y0; y < y1; ++y) {
      const ContributorList& list = cy[static_cast<size_t>(y)];
      if constexpr (k32) {
        if (vector_y) {
          rows.clear();
          weights.clear();
          for (const Contributor& c : list.items) {
            rows.push_back(&work[work_len * static_cast<size_t>(c.index)]);
            weights.push_back(c.weight);
          }
          ResampleRowAlongY(rows.data(), weights.data(), static_cast<int32_t>(rows.size()),
                            list.weight_sum != 0 ? list.weight_sum : 256, work_len, sums.data(), dst[y]);
          continue;
        }
      }
      std::fill(sums.begin(), sums.end(), Acc{0});
      Acc* sp = sums.data();
      for (const Contributor& c : list.items) {
        const uint8_t* in = &work[work_len * static_cast<size_t>(c.index)];
        const Acc w = c.weight;
        for (size_t i = 0; i < work_len; ++i) sp[i] += w * in[i];
      }
      uint8_t* out = dst[y];
      if constexpr (k32) {
        const double d = list.weight_sum != 0 ? list.weight_sum : 256;
        for (size_t i = 0; i < work_len; ++i) out[i] = Weighted32(sp[i], d);
      } else {
        for (size_t i = 0; i < work_len; ++i) out[i] = Weighted(sp[i], list.weight_sum);
      }
    }
  }, [&](int32_t y) { Report(progress, Trunc((srcH + (int64_t{y} + 1) * dstW / dstH) * P)); });
}

template <int CH>
void KernelResample(const std::vector<const uint8_t*>& src, int32_t srcW, int32_t srcH, TIERowTable& dst,
                    int32_t dstW, int32_t dstH, TResampleFilter filter, const TProgressRec* progress) {
  const auto cx = BuildContributors(srcW, dstW, filter);
  const auto cy = BuildContributors(srcH, dstH, filter);
  if (SumsFit32(cx) && SumsFit32(cy))
    KernelPasses<CH, int32_t>(src, srcW, srcH, dst, dstW, dstH, cx, cy, progress);
  else
    KernelPasses<CH, int64_t>(src, srcW, srcH, dst, dstW, dstH, cx, cy, progress);
}

// The bits of a 1-bit image as bytes 0 or 255.
std::vector<uint8_t> ExpandBits(TIEBitmap* Source, std::vector<const uint8_t*>& rows) {
  const int32_t w = Source->Width(), h = Source->Height();
  std::vector<uint8_t> plane(static_cast<size_t>(w) * h);
  rows.resize(static_cast<size_t>(h));
  TIERowTable src(Source, false);
  for (int32_t y = 0; y < h; ++y) {
    uint8_t* out = &plane[static_cast<size_t>(y) * w];
    for (int32_t x = 0; x < w; ++x) out[x] = GetBit(src[y], x) ? 255 : 0;
    rows[static_cast<size_t>(y)] = out;
  }
  return plane;
}

std::vector<const uint8_t*> RowPointers(const TIERowTable& t) {
  std::vector<const uint8_t*> rows(static_cast<size_t>(t.Count()));
  for (int32_t y = 0; y < t.Count(); ++y) rows[static_cast<size_t>(y)] = t[y];
  return rows;
}

bool KernelApplies(TIEBitmap* Source, TIEBitmap* Target) {
  const int32_t w = Source->Width(), h = Source->Height();
  if (w <= 0 || h <= 0 || (w < 2 && h < 2)) return false;
  return Target->Width() > 0 && Target->Height() > 0;
}

// Fast linear filtering of CH-channel byte rows; Shift selects the 1-bit
// variant's arithmetic shift and interpolation on both axes.
template <int CH>
void FastLinear(const std::vector<const uint8_t*>& src, int32_t srcW, int32_t srcH, TIERowTable& dst,
                int32_t dstW, int32_t dstH, const TProgressRec* progress, bool mono) {
  const double sx = static_cast<double>(dstW) / srcW, sy = static_cast<double>(dstH) / srcH;
  const double P = 100.0 / (srcH + dstH + 0.5);
  const bool interp_x = mono || sx > 1, interp_y = mono || sy > 1;
  std::vector<int32_t> q(static_cast<size_t>(dstW)), fr(static_cast<size_t>(dstW)), re(static_cast<size_t>(dstW));
  for (int32_t j = 0; j < dstW; ++j) {
    const double v = j / sx;
    q[static_cast<size_t>(j)] = static_cast<int32_t>(Trunc(v));
    fr[static_cast<size_t>(j)] = static_cast<int32_t>(Trunc((v - Trunc(v)) * 0x20000));
    re[static_cast<size_t>(j)] = std::min(static_cast<int32_t>(Trunc(std::min(j + 1, dstW - 1) / sx + 1e-10)), srcW - 1);
  }
  auto lerp = [mono](int64_t a, int64_t b, int64_t f) -> int64_t {
    // The 1-bit variant shifts (toward minus infinity), the others divide.
    return mono ? a + (((b - a) * f) >> 17) : a + (b - a) * f / 0x20000;
  };
  const size_t work_len = static_cast<size_t>(dstW) * CH;
  std::vector<uint8_t> work(work_len * static_cast<size_t>(srcH));
  for (int32_t r = 0; r < srcH; ++r) {
    const uint8_t* in = src[static_cast<size_t>(r)];
    uint8_t* out = &work[work_len * static_cast<size_t>(r)];
    for (int32_t j = 0; j < dstW; ++j) {
      const int32_t a = q[static_cast<size_t>(j)];
      for (int k = 0; k < CH; ++k) {
        int64_t v;
        if (interp_x) {
          const int32_t b = std::min(a + 1, srcW - 1);
          v = lerp(in[int64_t{a} * CH + k], in[int64_t{b} * CH + k], fr[static_cast<size_t>(j)]);
        } else {
          int64_t sum = 0;
          const int32_t e = re[static_cast<size_t>(j)];
          for (int32_t i = a; i <= e; ++i) sum += in[int64_t{i} * CH + k];
          v = sum / (e - a + 1);
        }
        out[int64_t{j} * CH + k] = ClampToByte(v);
      }
    }
    if (!mono) Report(progress, Trunc(r * P));
  }
  std::vector<int64_t> sums(work_len);
  for (int32_t y = 0; y < dstH; ++y) {
    uint8_t* out = dst[y];
    const double v = y / sy;
    const int32_t t = std::min(static_cast<int32_t>(Trunc(v)), srcH - 1);
    if (interp_y) {
      const int64_t f = Trunc((v - Trunc(v)) * 0x20000);
      const uint8_t* a = &work[work_len * static_cast<size_t>(t)];
      const uint8_t* b = &work[work_len * static_cast<size_t>(std::min(t + 1, srcH - 1))];
      for (size_t i = 0; i < work_len; ++i) out[i] = ClampToByte(lerp(a[i], b[i], f));
    } else {
      const int32_t e = std::min(static_cast<int32_t>(Trunc(std::min(y + 1, dstH - 1) / sy)), srcH - 1);
      std::fill(sums.begin(), sums.end(), int64_t{0});
      for (int32_t r = t; r <= e; ++r) {
        const uint8_t* a = &work[work_len * static_cast<size_t>(r)];
        for (size_t i = 0; i < work_len; ++i) sums[i] += a[i];
      }
      for (size_t i = 0; i < work_len; ++i) out[i] = static_cast<uint8_t>(sums[i] / (e - t + 1));
    }
    if (!mono) Report(progress, Trunc((srcH + y) * P));
  }
}

// A grey plane written as 24-bit grey rows.
void WriteGreyRows(TIEBitmap* Target, const std::vector<uint8_t>& plane) {
  const int32_t w = Target->Width(), h = Target->Height();
  TIERowTable dst(Target, true);
  for (int32_t y = 0; y < h; ++y) {
    uint8_t* out = dst[y];
    const uint8_t* in = &plane[static_cast<size_t>(y) * w];
    for (int32_t x = 0; x < w; ++x) std::memset(out + int64_t{x} * 3, in[x], 3);
  }
}

struct Piece {
  int32_t src;
  int32_t dst;
  double width;
  double frac;
};

// Cuts the unit interval of each source pixel at the target borders.
std::vector<Piece> CutAxis(int32_t srcN, int32_t dstN) {
  std::vector<Piece> pieces;
  pieces.reserve(static_cast<size_t>(srcN) + dstN);
  const double g = static_cast<double>(srcN) / dstN;
  // A target border this close to a source border is that border. The
  // tolerance stays a small part of a target pixel, so that strong
  // enlargements neither swallow target pixels nor overweigh them.
  const double tol = std::min(1e-4, g * 1e-4);
  int32_t t = 0;
  double tb = g, pos = 0;
  for (int32_t i = 0; i < srcN; ++i) {
    const double sb = i + 1;
    for (;;) {
      if (t < dstN - 1 && tb < sb - tol) {
        if (tb > pos) pieces.push_back({i, t, tb - pos, tb - i});
        pos = std::max(pos, tb);
        ++t;
        tb = (t + 1) * g;
      } else {
        pieces.push_back({i, t, sb - pos, 1.0});
        if (t < dstN - 1 && std::fabs(tb - sb) <= tol) {
          ++t;
          tb = (t + 1) * g;
        }
        pos = sb;
        break;
      }
    }
  }
  return pieces;
}
}  // namespace

double ResampleKernel(TResampleFilter Filter, double x) {
  const double t = std::fabs(x);
  switch (Filter) {
    case rfTriangle: return t < 1 ? 1 - t : 0;
    case rfHermite: return t < 1 ? (2 * t - 3) * t * t + 1 : 0;
    case rfBell:
      if (t < 0.5) return 0.75 - t * t;
      if (t < 1.5) return 0.5 * (t - 1.5) * (t - 1.5);
      return 0;
    case rfBSpline:
      if (t < 1) return 0.5 * t * t * t - t * t + 2.0 / 3;
      if (t < 2) return (2 - t) * (2 - t) * (2 - t) / 6;
      return 0;
    case rfLanczos3: return t < 3 ? Sinc(x) * Sinc(x / 3) : 0;
    case rfMitchell:
      if (t < 1) return (7 * t * t * t - 12 * t * t + 16.0 / 3) / 6;
      if (t < 2) return (-7.0 / 3 * t * t * t + 12 * t * t - 20 * t + 32.0 / 3) / 6;
      return 0;
    case rfNearest: return (x > -0.5 && x <= 0.5) ? 1 : 0;
    case rfLinear:
      if (x >= -1 && x < 0) return 1 + x;
      if (x >= 0 && x < 1) return 1 - x;
      return 0;
    default: return 0;
  }
}

double ResampleSupport(TResampleFilter Filter) {
  switch (Filter) {
    case rfBell: return 1.5;
    case rfBSpline: case rfMitchell: return 2.0;
    case rfLanczos3: return 3.0;
    case rfTriangle: case rfHermite: case rfNearest: case rfLinear: return 1.0;
    default: return 0;
  }
}

double CubicInterpolate(double pm1, double p0, double p1, double p2, double x) {
  auto c = [](double t) {
    t = std::fabs(t);
    if (t < 1) return t * t * t - 2 * t * t + 1;
    if (t < 2) return -t * t * t + 5 * t * t - 8 * t + 4;
    return 0.0;
  };
  const double v = pm1 * c(x + 1) + p0 * c(x) + p1 * c(x - 1) + p2 * c(x - 2);
  return std::clamp(v, 0.0, 255.0);
}

void FillTransparentPixels(TIEBitmap* Image, TRGB Colour) {
  if (Image->PixelFormat() != ieRGB24 || !Image->HasAlphaChannel() || Image->IsEmpty()) return;
  TIEBitmap* alpha = Image->GetAlphaChannel();
  TIERowTable rows(Image, true);
  TIERowTable arows(alpha, false);
  for (int32_t y = 0; y < Image->Height(); ++y) {
    auto* px = reinterpret_cast<TRGB*>(rows[y]);
    for (int32_t x = 0; x < Image->Width(); ++x)
      if (arows[y][x] == 0) px[x] = Colour;
  }
}

void ResampleNearest(TIEBitmap* Source, TIEBitmap* Target, const TProgressRec* Progress) {
  if (Source->IsEmpty() || Target->Width() <= 0 || Target->Height() <= 0) return;
  EnsureFormat(Target, Source->PixelFormat());
  if (Target->PixelFormat() != Source->PixelFormat()) {
    // The target cannot hold the source's format (a platform bitmap keeps
    // 16-bit grey as 8-bit): sample a copy converted to the target's format.
    TIEBitmap conv;
    if (CopyInFormat(Source, Target->PixelFormat(), conv)) ResampleNearest(&conv, Target, Progress);
    return;
  }
  for (int32_t i = 0; i < std::min(Source->GetPaletteLen(), Target->GetPaletteLen()); ++i)
    Target->SetPaletteEntry(i, Source->GetPaletteEntry(i));
  const int32_t sw = Source->Width(), sh = Source->Height(), dw = Target->Width(), dh = Target->Height();
  const int32_t bpp = Source->BitCount() / 8;
  std::vector<int32_t> cols(static_cast<size_t>(dw));
  for (int32_t x = 0; x < dw; ++x)
    cols[static_cast<size_t>(x)] = std::min(static_cast<int32_t>(Trunc(x * (static_cast<double>(sw) / dw))), sw - 1);
  const uint8_t sa = Source->Access, ta = Target->Access;
  Source->Access = iedRead;
  Target->Access = iedWrite;
  {
    TIERowTable src(Source, false);
    TIERowTable dst(Target, true);
    for (int32_t y = 0; y < dh; ++y) {
      const int32_t sy = std::min(static_cast<int32_t>(Trunc(y * (static_cast<double>(sh) / dh))), sh - 1);
      const uint8_t* in = src[sy];
      uint8_t* out = dst[y];
      if (bpp == 0) {
        std::memset(out, 0, static_cast<size_t>(Target->RowLen()));
        for (int32_t x = 0; x < dw; ++x)
          if (GetBit(in, cols[static_cast<size_t>(x)])) out[x >> 3] |= BitMask(x);
      } else {
        for (int32_t x = 0; x < dw; ++x)
          std::memcpy(out + int64_t{x} * bpp, in + int64_t{cols[static_cast<size_t>(x)]} * bpp, static_cast<size_t>(bpp));
      }
      Report(Progress, Trunc(y * 100 / (dh + 0.5)));
    }
  }
  Source->Access = sa;
  Target->Access = ta;
}

void ResampleFastLinear24(TIEBitmap* Source, TIEBitmap* Target, const TProgressRec* Progress) {
  if (Source->IsEmpty() || Target->Width() <= 0 || Target->Height() <= 0) return;
  EnsureFormat(Target, ieRGB24);
  TIERowTable src(Source, false);
  TIERowTable dst(Target, true);
  if (Source->Width() == Target->Width() && Source->Height() == Target->Height()) {
    for (int32_t y = 0; y < Source->Height(); ++y)
      std::memcpy(dst[y], src[y], static_cast<size_t>(Source->Width()) * 3);
    return;
  }
  FastLinear<3>(RowPointers(src), Source->Width(), Source->Height(), dst, Target->Width(), Target->Height(),
                Progress, false);
}

void ResampleFastLinearGray8(TIEBitmap* Source, TIEBitmap* Target) {
  if (Source->IsEmpty() || Target->Width() <= 0 || Target->Height() <= 0) return;
  EnsureFormat(Target, ieGray8);
  TIERowTable src(Source, false);
  TIERowTable dst(Target, true);
  if (Source->Width() == Target->Width() && Source->Height() == Target->Height()) {
    for (int32_t y = 0; y < Source->Height(); ++y) std::memcpy(dst[y], src[y], static_cast<size_t>(Source->Width()));
    return;
  }
  FastLinear<1>(RowPointers(src), Source->Width(), Source->Height(), dst, Target->Width(), Target->Height(),
                nullptr, false);
}

// Sums of fractional areas land a hair below the whole value they stand for
// (a white image would sum to 254.9999...): truncation allows for that.
constexpr double kTruncSlack = 1e-6;

namespace {
// Shrinking by areas, with the plain loop's results. The plain loop adds,
// for every target sample, pixel * (x width * y width) over the pieces of
// its rows and columns, in order, and truncates sum / norm + slack. Here the
// sums are taken separably instead (each source row's pieces along x once,
// then those row sums weighed along y), which rounds differently: by less
// than (n + 4) u of the value, n the number of terms and u = 2^-53, as does
// the plain loop itself (every term is positive). Where no integer lies
// within twice that of the value, both truncate alike; a sample that close to
// an integer is summed again the plain way. (The fast sums may also divide by
// a reciprocal and fuse products into additions: each saves or adds one
// rounding, within the margin's room.)
class ShrinkAreas {
 public:
  // A band's own: the row sums along x of the last source rows used, by
  // row, and the target row's sums.
  struct Rows {
    int32_t row[2] = {-1, -1};
    std::vector<double> sums[2];
    int next = 0;
    std::vector<double> acc;
    std::vector<uint8_t> near;  // samples to sum again the plain way
  };

  void Prepare(const std::vector<Piece>& xp, const std::vector<Piece>& yp, const std::vector<size_t>& row_start,
               int32_t dw, double norm, double slack) {
    xp_ = &xp;
    yp_ = &yp;
    row_start_ = &row_start;
    dw_ = dw;
    norm_ = norm;
    slack_ = slack;
    first_.assign(static_cast<size_t>(dw) + 1, 0);
    for (const Piece& p : xp) ++first_[static_cast<size_t>(p.dst) + 1];
    int32_t kx = 0, ky = 0;
    for (int32_t x = 0; x < dw; ++x) {
      kx = std::max(kx, first_[static_cast<size_t>(x) + 1]);
      first_[static_cast<size_t>(x) + 1] += first_[static_cast<size_t>(x)];
    }
    for (size_t n = 0, run = 0; n < yp.size(); ++n) {
      run = n > 0 && yp[n].dst == yp[n - 1].dst ? run + 1 : 1;
      ky = std::max(ky, static_cast<int32_t>(run));
    }
    // Both roundings, with room: values stay below 512 (255 over pieces
    // that add up to the target pixel's extent, give or take the snapping).
    margin_ = (static_cast<double>(kx) * ky + kx + ky + 16) * 0x1p-52 * 512;
  }

  void Row(const TIERowTable& src, int32_t y, Rows& cache, uint8_t* out) const {
    const std::vector<Piece>& yp = *yp_;
    const size_t len = static_cast<size_t>(dw_) * 3;
    std::vector<double>& acc = cache.acc;
    acc.assign(len, 0.0);
    const size_t n0 = (*row_start_)[static_cast<size_t>(y)];
    for (size_t n = n0; n < yp.size() && yp[n].dst == y; ++n) {
      const std::vector<double>& h = Along(src, yp[n].src, cache);
      const double w = yp[n].width;
      double* a = acc.data();
      for (size_t i = 0; i < len; ++i) a[i] += h[i] * w;
    }
    // The values are at least the slack (all terms are positive), far above
    // the margin, and below 512: their truncations are their floors.
    std::vector<uint8_t>& near = cache.near;
    near.assign(len, 0);
    const double inv = 1 / norm_;
    for (size_t i = 0; i < len; ++i) {
      const double t = acc[i] * inv + slack_;
      const int32_t lo = static_cast<int32_t>(std::clamp(t - margin_, 0.0, 1024.0));
      const int32_t hi = static_cast<int32_t>(std::clamp(t + margin_, 0.0, 1024.0));
      out[i] = static_cast<uint8_t>(std::min(lo, 255));
      near[i] = lo != hi;
    }
    for (size_t i = 0; i < len; ++i)
      if (near[i]) out[i] = Plain(src, y, n0, static_cast<int32_t>(i));
  }

 private:
  // The pieces along x of source row r, summed per target sample.
  const std::vector<double>& Along(const TIERowTable& src, int32_t r, Rows& cache) const {
    for (int k = 0; k < 2; ++k)
      if (cache.row[k] == r) return cache.sums[k];
    const int k = cache.next;
    cache.next ^= 1;
    cache.row[k] = r;
    std::vector<double>& h = cache.sums[k];
    h.assign(static_cast<size_t>(dw_) * 3, 0.0);
    const uint8_t* row = src[r];
    const std::vector<Piece>& xp = *xp_;
    for (int32_t x = 0; x < dw_; ++x) {
      double s0 = 0, s1 = 0, s2 = 0;
      for (int32_t j = first_[static_cast<size_t>(x)]; j < first_[static_cast<size_t>(x) + 1]; ++j) {
        const uint8_t* p = row + int64_t{xp[static_cast<size_t>(j)].src} * 3;
        const double w = xp[static_cast<size_t>(j)].width;
        s0 += p[0] * w;
        s1 += p[1] * w;
        s2 += p[2] * w;
      }
      h[static_cast<size_t>(x) * 3] = s0;
      h[static_cast<size_t>(x) * 3 + 1] = s1;
      h[static_cast<size_t>(x) * 3 + 2] = s2;
    }
    return h;
  }

  // Sample i of target row y summed as the plain loop sums it.
  uint8_t Plain(const TIERowTable& src, int32_t y, size_t n0, int32_t i) const {
    const std::vector<Piece>& xp = *xp_;
    const std::vector<Piece>& yp = *yp_;
    const int32_t x = i / 3, k = i % 3;
    double a = 0;
    for (size_t n = n0; n < yp.size() && yp[n].dst == y; ++n) {
      const uint8_t* row = src[yp[n].src];
      for (int32_t j = first_[static_cast<size_t>(x)]; j < first_[static_cast<size_t>(x) + 1]; ++j) {
        const Piece& px = xp[static_cast<size_t>(j)];
        const double area = px.width * yp[n].width;
        a += row[int64_t{px.src} * 3 + k] * area;
      }
    }
    return ClampToByte(Trunc(a / norm_ + slack_));
  }

  const std::vector<Piece>* xp_ = nullptr;
  const std::vector<Piece>* yp_ = nullptr;
  const std::vector<size_t>* row_start_ = nullptr;
  std::vector<int32_t> first_;
  int32_t dw_ = 0;
  double norm_ = 1, slack_ = 0, margin_ = 0;
};
}  // namespace

void ResampleAreaRGB24(TIEBitmap* Source, TIEBitmap* Target, TResampleFilter Filter, const TProgressRec* Progress) {
  if (Source->IsEmpty() || Target->Width() <= 0 || Target->Height() <= 0) return;
  EnsureFormat(Target, ieRGB24);
  const int32_t sw = Source->Width(), sh = Source->Height(), dw = Target->Width(), dh = Target->Height();
  const double gx = static_cast<double>(sw) / dw, gy = static_cast<double>(sh) / dh;
  const bool ix = gx < 1, iy = gy < 1;
  const bool cubic = Filter == rfBicubic;
  const std::vector<Piece> xp = CutAxis(sw, dw), yp = CutAxis(sh, dh);
  TIERowTable src(Source, false);
  TIERowTable dst(Target, true);
  auto P = [&](int32_t i, int32_t j, int k) -> double {
    i = std::clamp(i, 0, sw - 1);
    j = std::clamp(j, 0, sh - 1);
    return src[j][int64_t{i} * 3 + k];
  };
  // The interpolated sample at the far end of a piece.
  auto sample = [&](int32_t i, int32_t j, double fx, double fy, int k) -> double {
    if (cubic) {
      auto along_x = [&](int32_t r) -> double {
        if (!ix) return P(i, r, k);
        return static_cast<double>(Trunc(CubicInterpolate(P(i - 1, r, k), P(i, r, k), P(i + 1, r, k), P(i + 2, r, k), fx) + kTruncSlack));
      };
      if (!iy) return along_x(j);
      return CubicInterpolate(along_x(j - 1), along_x(j), along_x(j + 1), along_x(j + 2), fy);
    }
    const double a = P(i, j, k);
    const double top = ix ? a + (P(i + 1, j, k) - a) * fx : a;
    if (!iy) return top;
    const double c = P(i, j + 1, k);
    const double bottom = ix ? c + (P(i + 1, j + 1, k) - c) * fx : c;
    return top + (bottom - top) * fy;
  };
  const double norm = gx * gy;
  // The pieces of each target row (in order; a row may have none).
  std::vector<size_t> row_start(static_cast<size_t>(dh) + 1, yp.size());
  for (size_t n = yp.size(); n-- > 0;) row_start[static_cast<size_t>(yp[n].dst)] = n;
  for (int32_t y = dh; y-- > 0;)
    row_start[static_cast<size_t>(y)] = std::min(row_start[static_cast<size_t>(y)], row_start[static_cast<size_t>(y) + 1]);
  auto has_pieces = [&](int32_t y) {
    const size_t n = row_start[static_cast<size_t>(y)];
    return n < yp.size() && yp[n].dst == y;
  };
  const bool shrink = !ix && !iy;
  ShrinkAreas areas;
  if (shrink) areas.Prepare(xp, yp, row_start, dw, norm, kTruncSlack);
  ForRows(dh, Reporting(Progress), [&](int32_t y0, int32_t y1) {
    std::vector<double> acc(static_cast<size_t>(dw) * 3);
    ShrinkAreas::Rows cache;
    for (int32_t y = y0; y < y1; ++y) {
      if (!has_pieces(y)) continue;
      if (shrink) {
        areas.Row(src, y, cache, dst[y]);
        continue;
      }
      std::fill(acc.begin(), acc.end(), 0.0);
      for (size_t n = row_start[static_cast<size_t>(y)]; n < yp.size() && yp[n].dst == y; ++n) {
        const Piece& py = yp[n];
        const uint8_t* row = src[py.src];
        if (!ix && !iy) {
          for (const Piece& px : xp) {
            const double area = px.width * py.width;
            const uint8_t* p = row + int64_t{px.src} * 3;
            double* a = &acc[static_cast<size_t>(px.dst) * 3];
            a[0] += p[0] * area;
            a[1] += p[1] * area;
            a[2] += p[2] * area;
          }
        } else {
          for (const Piece& px : xp) {
            const double area = px.width * py.width;
            double* a = &acc[static_cast<size_t>(px.dst) * 3];
            for (int k = 0; k < 3; ++k) a[k] += sample(px.src, py.src, px.frac, py.frac, k) * area;
          }
        }
      }
      uint8_t* out = dst[y];
      for (size_t i = 0; i < acc.size(); ++i) out[i] = ClampToByte(Trunc(acc[i] / norm + kTruncSlack));
    }
  }, [&](int32_t y) {
    if (has_pieces(y)) Report(Progress, Trunc((y + 1) / static_cast<double>(dh) * 100));
  });
}

namespace {
void Project(TIEBitmap* Source, TIEBitmap* Target, TResampleFilter Filter, const TProgressRec* Progress) {
  const TIEPixelFormat sf = Source->PixelFormat();
  if (Source->IsEmpty() || (sf != ieMono1 && sf != ieRGB24)) return;
  if (Target->Width() <= 0 || Target->Height() <= 0) return;
  EnsureFormat(Target, ieMono1);
  const int32_t sw = Source->Width(), sh = Source->Height(), dw = Target->Width(), dh = Target->Height();
  const bool black_wins = Filter == rfProjectBW;
  auto col_end = [&](int32_t x) { return std::min(static_cast<int32_t>(Trunc(x * static_cast<double>(sw) / dw)), sw - 1); };
  auto row_end = [&](int32_t y) { return std::min(static_cast<int32_t>(Trunc(y * static_cast<double>(sh) / dh)), sh - 1); };
  TIERowTable src(Source, false);
  TIERowTable dst(Target, true);
  for (int32_t y = 0; y < dh; ++y) {
    uint8_t* out = dst[y];
    std::memset(out, black_wins ? 0xFF : 0x00, static_cast<size_t>(Target->RowLen()));
    const int32_t r0 = y == 0 ? 0 : row_end(y - 1), r1 = y == 0 ? 0 : row_end(y);
    for (int32_t x = 0; x < dw; ++x) {
      const int32_t c0 = x == 0 ? 0 : col_end(x - 1), c1 = x == 0 ? 0 : col_end(x);
      bool hit = false;
      for (int32_t r = r0; r <= r1 && !hit; ++r) {
        const uint8_t* in = src[r];
        for (int32_t c = c0; c <= c1 && !hit; ++c) {
          if (sf == ieMono1) {
            hit = GetBit(in, c) != black_wins;
          } else {
            const uint8_t* p = in + int64_t{c} * 3;
            hit = black_wins ? (p[0] <= 127 && p[1] <= 127 && p[2] <= 127) : (p[0] > 128 && p[1] > 128 && p[2] > 128);
          }
        }
      }
      if (hit) SetBit(out, x, !black_wins);
    }
    Report(Progress, Trunc(y * 100 / (dh + 0.5)));
  }
}
}  // namespace

void ProjectRGB24ToMono1(TIEBitmap* Source, TIEBitmap* Target, TResampleFilter Filter, const TProgressRec* Progress) {
  if (Source->PixelFormat() == ieRGB24) Project(Source, Target, Filter, Progress);
}

void ProjectMono1(TIEBitmap* Source, TIEBitmap* Target, TResampleFilter Filter) {
  if (Source->PixelFormat() == ieMono1) Project(Source, Target, Filter, nullptr);
}

void ResampleRGB24(TIEBitmap* Source, TIEBitmap* Target, TResampleFilter Filter, const TProgressRec* Progress) {
  if (Source->PixelFormat() != ieRGB24 || Filter == rfNone) return;
  switch (Filter) {
    case rfProjectBW:
    case rfProjectWB:
      if (Source->IsEmpty() || Target->Width() <= 0 || Target->Height() <= 0) return;
      ProjectRGB24ToMono1(Source, Target, Filter, Progress);
      return;
    case rfFastLinear: ResampleFastLinear24(Source, Target, Progress); return;
    case rfBilinear:
    case rfBicubic: ResampleAreaRGB24(Source, Target, Filter, Progress); return;
    default: break;
  }
  if (!KernelApplies(Source, Target)) return;
  EnsureFormat(Target, ieRGB24);
  TIERowTable src(Source, false);
  TIERowTable dst(Target, true);
  KernelResample<3>(RowPointers(src), Source->Width(), Source->Height(), dst, Target->Width(), Target->Height(),
                    Filter, Progress);
}

void ResampleGray8(TIEBitmap* Source, TIEBitmap* Target, TResampleFilter Filter) {
  if (Filter >= rfFastLinear) {
    ResampleFastLinearGray8(Source, Target);
    return;
  }
  if (Filter == rfNone || Source->BitCount() != 8 || !KernelApplies(Source, Target)) return;
  EnsureFormat(Target, ieGray8);
  TIERowTable src(Source, false);
  TIERowTable dst(Target, true);
  KernelResample<1>(RowPointers(src), Source->Width(), Source->Height(), dst, Target->Width(), Target->Height(),
                    Filter, nullptr);
}

void ShrinkBWToGray(TIEBitmap* Source, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, TIEBitmap* Target) {
  if (Source->IsEmpty() || Target->Width() <= 0 || Target->Height() <= 0) return;
  EnsureFormat(Target, ieRGB24);
  const int32_t sw = Source->Width(), sh = Source->Height(), dw = Target->Width(), dh = Target->Height();
  const double rx = static_cast<double>(X2 - X1 + 1) / dw, ry = static_cast<double>(Y2 - Y1 + 1) / dh;
  TIERowTable src(Source, false);
  TIERowTable dst(Target, true);
  for (int32_t i = 0; i < dh; ++i) {
    const int32_t ya = std::clamp<int64_t>(Y1 + Trunc(i * ry - ry / 2), 0, sh - 1);
    const int32_t yb = std::clamp<int64_t>(Y1 + Trunc(Trunc(ry) / 2.0 + i * ry), 0, sh - 1);
    uint8_t* out = dst[i];
    for (int32_t j = 0; j < dw; ++j) {
      const int32_t xa = std::clamp<int64_t>(X1 + Trunc(j * rx - rx / 2), 0, sw - 1);
      const int32_t xb = std::clamp<int64_t>(X1 + Trunc(rx / 2 + j * rx), 0, sw - 1);
      int64_t set = 0, count = 0;
      for (int32_t y = ya; y <= yb; ++y)
        for (int32_t x = xa; x <= xb; ++x) {
          set += GetBit(src[y], x) ? 1 : 0;
          ++count;
        }
      std::memset(out + int64_t{j} * 3, count ? static_cast<int>(255 * set / count) : 0, 3);
    }
  }
}

void ResampleMono1(TIEBitmap* Source, TIEBitmap* Target, TResampleFilter Filter) {
  if (Source->PixelFormat() != ieMono1 || Filter == rfNone || Source->IsEmpty()) return;
  if (Target->Width() <= 0 || Target->Height() <= 0) return;
  if (Filter == rfProjectBW || Filter == rfProjectWB) {
    ProjectMono1(Source, Target, Filter);
    return;
  }
  EnsureFormat(Target, ieRGB24);
  const int32_t sw = Source->Width(), sh = Source->Height(), dw = Target->Width(), dh = Target->Height();
  std::vector<const uint8_t*> rows;
  if (Filter >= rfFastLinear) {
    const double sx = static_cast<double>(dw) / sw, sy = static_cast<double>(dh) / sh;
    if (sx < 1 && sy < 1) {
      ShrinkBWToGray(Source, 0, 0, sw - 1, sh - 1, Target);
      return;
    }
    std::vector<uint8_t> plane = ExpandBits(Source, rows);
    if (sx == 1 && sy == 1) {
      WriteGreyRows(Target, plane);
      return;
    }
    std::vector<uint8_t> result(static_cast<size_t>(dw) * dh);
    TIEBitmap grey;
    grey.SetLocation(ieMemory);
    grey.Allocate(dw, dh, ieGray8);
    {
      TIERowTable dst(&grey, true);
      FastLinear<1>(rows, sw, sh, dst, dw, dh, nullptr, true);
      for (int32_t y = 0; y < dh; ++y) std::memcpy(&result[static_cast<size_t>(y) * dw], dst[y], static_cast<size_t>(dw));
    }
    WriteGreyRows(Target, result);
    return;
  }
  if (!KernelApplies(Source, Target)) return;
  std::vector<uint8_t> plane = ExpandBits(Source, rows);
  TIEBitmap grey;
  grey.SetLocation(ieMemory);
  grey.Allocate(dw, dh, ieGray8);
  std::vector<uint8_t> result(static_cast<size_t>(dw) * dh);
  {
    TIERowTable dst(&grey, true);
    KernelResample<1>(rows, sw, sh, dst, dw, dh, Filter, nullptr);
    for (int32_t y = 0; y < dh; ++y) std::memcpy(&result[static_cast<size_t>(y) * dw], dst[y], static_cast<size_t>(dw));
  }
  WriteGreyRows(Target, result);
}

void ResampleBitmap(TIEBitmap* Source, TIEBitmap* Target, TResampleFilter Filter, const TProgressRec* Progress) {
  if (Source->IsEmpty() || Target->Width() <= 0 || Target->Height() <= 0) return;
  TIEBitmap* src = Source;
  std::unique_ptr<TIEBitmap> copy;
  // Fully transparent pixels are greyed so that their colour does not bleed
  // into the filtered edges; this is done on a copy, never on the caller's image.
  auto any_transparent = [](TIEBitmap* alpha) {
    TIERowTable rows(alpha, false);
    for (int32_t y = 0; y < alpha->Height(); ++y)
      if (std::memchr(rows[y], 0, static_cast<size_t>(alpha->Width()))) return true;
    return false;
  };
  if (Source->HasAlphaChannel() && Source->PixelFormat() == ieRGB24 && any_transparent(Source->GetAlphaChannel())) {
    copy = std::make_unique<TIEBitmap>();
    copy->Assign(Source);
    FillTransparentPixels(copy.get(), MakeRGB(128, 128, 128));
    src = copy.get();
  }
  const bool projection = Filter == rfProjectBW || Filter == rfProjectWB;
  const TIEPixelFormat f = src->PixelFormat();
  if (Filter == rfNone) {
    ResampleNearest(src, Target, Progress);
  } else if (f == ieMono1) {
    EnsureFormat(Target, projection ? ieMono1 : ieRGB24);
    ResampleMono1(src, Target, Filter);
  } else if (f == ieRGB24) {
    EnsureFormat(Target, projection ? ieMono1 : ieRGB24);
    ResampleRGB24(src, Target, Filter, Progress);
  } else if (f == ieGray8 && !projection) {
    EnsureFormat(Target, ieGray8);
    ResampleGray8(src, Target, Filter);
  } else {
    // The filters work on 24-bit pixels: filter a 24-bit copy, then give the
    // result the source's format again (a palette image stays 24-bit: its
    // filtered colours are no longer the palette's).
    TIEBitmap rgb;
    rgb.Assign(src);
    rgb.RemoveAlphaChannel();
    rgb.ConvertFormat(ieRGB24);
    EnsureFormat(Target, projection ? ieMono1 : ieRGB24);
    ResampleRGB24(&rgb, Target, Filter, Progress);
    if (!projection && f != iePalette8) Target->ConvertFormat(f);
  }
  if (Source->HasAlphaChannel()) {
    TIEBitmap* sa = Source->GetAlphaChannel();
    TIEBitmap* ta = Target->GetAlphaChannel();
    if (ta) {
      if (Filter == rfNone)
        ResampleNearest(sa, ta);
      else
        ResampleGray8(sa, ta, Filter);
      ta->Full = sa->Full;
    }
  }
}
