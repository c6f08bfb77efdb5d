#include "imaging/model/TIEQuantizer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

#include "imaging/model/PixelHelpers.h"
#include "imaging/model/THash1.h"
#include "imaging/model/TIEBitmap.h"
#include "rtl/Numeric.h"

// ---- median cut on a 5-bit-per-channel histogram

struct TIEQuantizer::MedianCut {
  struct Box {
    double error = 0;
    double mean[3] = {};  // red, green, blue in 5-bit units
    int64_t count = 0;
    int64_t hist[3][32] = {};
    int32_t lower[3] = {};  // inclusive
    int32_t upper[3] = {};  // exclusive
  };
  static int32_t Cell(int r, int g, int b) { return r << 10 | g << 5 | b; }

  std::vector<int64_t> histogram = std::vector<int64_t>(32768);
  std::vector<Box> boxes;
  std::vector<uint8_t> lookup = std::vector<uint8_t>(32768);
  double pixels = 1;

  void Statistics(Box& box) const {
    box.error = 0;
    for (int c = 0; c < 3; ++c) {
      double s1 = 0, s2 = 0;
      for (int j = box.lower[c]; j < box.upper[c]; ++j) {
        s1 += double(j) * box.hist[c][j];
        s2 += double(j) * j * box.hist[c][j];
      }
      box.mean[c] = box.count ? s1 / box.count : 0;
      box.error += s2 - box.mean[c] * box.mean[c] * box.count;
    }
    box.error /= pixels;
  }

  // Rebuilds the channel histograms of a box from the 3-D histogram.
  void FillHistograms(Box& box) const {
    for (auto& h : box.hist) std::fill(std::begin(h), std::end(h), 0);
    for (int r = box.lower[0]; r < box.upper[0]; ++r)
      for (int g = box.lower[1]; g < box.upper[1]; ++g)
        for (int b = box.lower[2]; b < box.upper[2]; ++b) {
          int64_t v = histogram[static_cast<size_t>(Cell(r, g, b))];
          box.hist[0][r] += v;
          box.hist[1][g] += v;
          box.hist[2][b] += v;
        }
  }

  static void Shrink(Box& box) {
    for (int c = 0; c < 3; ++c) {
      int lo = box.lower[c], hi = box.upper[c] - 1;
      while (lo < hi && box.hist[c][lo] == 0) ++lo;
      while (hi > lo && box.hist[c][hi] == 0) --hi;
      box.lower[c] = lo;
      box.upper[c] = hi + 1;
    }
  }

  bool SplitAlong(const Box& box, int c, Box& first, Box& second, double& score) const {
    score = 17523.6;
    if (box.upper[c] - box.lower[c] <= 1) return false;
    const int start = static_cast<int>(Round((box.lower[c] + box.mean[c]) / 2));
    const int end = static_cast<int>(Round((box.mean[c] + box.upper[c]) / 2));
    int64_t sum = 0;
    for (int v = box.lower[c]; v < start; ++v) sum += box.hist[c][v];
    double acc = 0, best = -1;
    int split = -1;
    int64_t split_sum = 0;
    for (int v = start; v <= end && v < 32; ++v) {
      sum += box.hist[c][v];
      if (sum == box.count) break;
      acc += double(box.hist[c][v]) * v / box.count;
      double s = double(sum) / double(box.count - sum) * (box.mean[c] - acc) * (box.mean[c] - acc);
      if (s > best) {
        best = s;
        split = v;
        split_sum = sum;
      }
    }
    if (split < box.lower[c] || split + 1 >= box.upper[c]) return false;
    first = box;
    second = box;
    first.upper[c] = split + 1;
    second.lower[c] = split + 1;
    first.count = split_sum;
    second.count = box.count - split_sum;
    if (first.count <= 0 || second.count <= 0) return false;
    FillHistograms(first);
    for (int k = 0; k < 3; ++k)
      for (int j = 0; j < 32; ++j) second.hist[k][j] = box.hist[k][j] - first.hist[k][j];
    Shrink(first);
    Shrink(second);
    Statistics(first);
    Statistics(second);
    score = first.error + second.error;
    return true;
  }

  bool Split(size_t index) {
    Box box = boxes[index];
    if (box.error == 0 || box.count == 0) return false;
    Box best_first, best_second;
    double best_score = 17523.6;
    bool found = false;
    for (int c = 0; c < 3; ++c) {
      Box first, second;
      double score;
      if (SplitAlong(box, c, first, second, score) && score < best_score) {
        best_score = score;
        best_first = first;
        best_second = second;
        found = true;
      }
    }
    if (!found) return false;
    boxes[index] = best_first;
    boxes.push_back(best_second);
    return true;
  }

  void Build(TIEBitmap* image, int32_t n, TRGB* palette) {
    const int32_t w = image->Width(), h = image->Height();
    pixels = std::max(1.0, double(w) * h);
    Box whole;
    for (int c = 0; c < 3; ++c) {
      whole.lower[c] = 0;
      whole.upper[c] = 32;
    }
    whole.count = int64_t{w} * h;
    for (int32_t y = 0; y < h; ++y) {
      const auto* row = reinterpret_cast<const TRGB*>(image->GetScanline(y));
      for (int32_t x = 0; x < w; ++x) {
        const int r = row[x].r >> 3, g = row[x].g >> 3, b = row[x].b >> 3;
        ++histogram[static_cast<size_t>(Cell(r, g, b))];
        ++whole.hist[0][r];
        ++whole.hist[1][g];
        ++whole.hist[2][b];
      }
    }
    image->UnmapRows();
    Statistics(whole);
    boxes.push_back(whole);
    while (static_cast<int32_t>(boxes.size()) < n) {
      double largest = 0;
      int chosen = -1;
      for (size_t i = 0; i < boxes.size(); ++i)
        if (boxes[i].error > largest) {
          largest = boxes[i].error;
          chosen = static_cast<int>(i);
        }
      if (chosen < 0) break;
      if (!Split(static_cast<size_t>(chosen))) boxes[static_cast<size_t>(chosen)].error = 0;
    }
    for (size_t i = 0; i < boxes.size(); ++i) {
      const Box& box = boxes[i];
      palette[i] = MakeRGBTriple(static_cast<uint8_t>(Round(box.mean[0]) << 3),
                                 static_cast<uint8_t>(Round(box.mean[1]) << 3),
                                 static_cast<uint8_t>(Round(box.mean[2]) << 3));
      for (int r = box.lower[0]; r < box.upper[0]; ++r)
        for (int g = box.lower[1]; g < box.upper[1]; ++g)
          for (int b = box.lower[2]; b < box.upper[2]; ++b)
            lookup[static_cast<size_t>(Cell(r, g, b))] = static_cast<uint8_t>(i);
    }
  }

  int32_t Index(const TRGB& c) const { return lookup[static_cast<size_t>(Cell(c.r >> 3, c.g >> 3, c.b >> 3))]; }
};

// ---- NeuQuant neural-net quantizer

struct TIEQuantizer::NeuQuant {
  static constexpr int kCycles = 100;
  static constexpr int kNetBiasShift = 4;
  static constexpr int kIntBiasShift = 16;
  static constexpr int kIntBias = 1 << kIntBiasShift;
  static constexpr int kGammaShift = 10;
  static constexpr int kBetaShift = 10;
  static constexpr int kBeta = kIntBias >> kBetaShift;                         // 64
  static constexpr int kBetaGamma = kIntBias << (kGammaShift - kBetaShift);    // 65536
  static constexpr int kRadiusBiasShift = 6;
  static constexpr int kRadiusDec = 30;
  static constexpr int kAlphaBiasShift = 10;
  static constexpr int kInitAlpha = 1 << kAlphaBiasShift;
  static constexpr int kRadBiasShift = 8;
  static constexpr int kRadBias = 1 << kRadBiasShift;
  static constexpr int kAlphaRadBias = 1 << (kAlphaBiasShift + kRadBiasShift);

  int32_t netsize = 0;
  std::vector<std::array<int32_t, 4>> network;  // blue, green, red, index
  std::vector<int32_t> bias, freq, radpower;
  int32_t netindex[256] = {};

  int32_t Contest(int32_t b, int32_t g, int32_t r) {
    int32_t bestd = INT32_MAX, bestbiasd = INT32_MAX, bestpos = 0, bestbiaspos = 0;
    for (int32_t i = 0; i < netsize; ++i) {
      const auto& n = network[static_cast<size_t>(i)];
      int32_t dist = std::abs(n[0] - b) + std::abs(n[1] - g) + std::abs(n[2] - r);
      if (dist < bestd) {
        bestd = dist;
        bestpos = i;
      }
      int32_t biasdist = dist - (bias[static_cast<size_t>(i)] >> (kIntBiasShift - kNetBiasShift));
      if (biasdist < bestbiasd) {
        bestbiasd = biasdist;
        bestbiaspos = i;
      }
      int32_t betafreq = freq[static_cast<size_t>(i)] >> kBetaShift;
      freq[static_cast<size_t>(i)] -= betafreq;
      bias[static_cast<size_t>(i)] += betafreq << kGammaShift;
    }
    freq[static_cast<size_t>(bestpos)] += kBeta;
    bias[static_cast<size_t>(bestpos)] -= kBetaGamma;
    return bestbiaspos;
  }

  void AlterSingle(int32_t alpha, int32_t i, int32_t b, int32_t g, int32_t r) {
    auto& n = network[static_cast<size_t>(i)];
    n[0] -= alpha * (n[0] - b) / kInitAlpha;
    n[1] -= alpha * (n[1] - g) / kInitAlpha;
    n[2] -= alpha * (n[2] - r) / kInitAlpha;
  }

  void AlterNeighbours(int32_t rad, int32_t i, int32_t b, int32_t g, int32_t r) {
    int32_t lo = std::max(i - rad, -1), hi = std::min(i + rad, netsize);
    int32_t j = i + 1, k = i - 1, m = 1;
    while (j < hi || k > lo) {
      int64_t a = radpower[static_cast<size_t>(m++)];
      if (j < hi) {
        auto& p = network[static_cast<size_t>(j++)];
        p[0] -= static_cast<int32_t>(a * (p[0] - b) / kAlphaRadBias);
        p[1] -= static_cast<int32_t>(a * (p[1] - g) / kAlphaRadBias);
        p[2] -= static_cast<int32_t>(a * (p[2] - r) / kAlphaRadBias);
      }
      if (k > lo) {
        auto& p = network[static_cast<size_t>(k--)];
        p[0] -= static_cast<int32_t>(a * (p[0] - b) / kAlphaRadBias);
        p[1] -= static_cast<int32_t>(a * (p[1] - g) / kAlphaRadBias);
        p[2] -= static_cast<int32_t>(a * (p[2] - r) / kAlphaRadBias);
      }
    }
  }

  void RadPower(int32_t rad, int32_t alpha) {
    for (int32_t i = 0; i < rad; ++i)
      radpower[static_cast<size_t>(i)] =
          alpha * (((rad * rad - i * i) * kRadBias) / (rad * rad));
  }

  void Build(TIEBitmap* image, int32_t n, TRGB* palette, int32_t quality) {
    netsize = n;
    network.assign(static_cast<size_t>(n), {});
    bias.assign(static_cast<size_t>(n), 0);
    freq.assign(static_cast<size_t>(n), kIntBias / n);
    radpower.assign(static_cast<size_t>(n / 8 + 1), 0);
    for (int32_t i = 0; i < n; ++i) {
      int32_t v = (i << (kNetBiasShift + 8)) / n;
      network[static_cast<size_t>(i)] = {v, v, v, 0};
    }
    const int32_t w = image->Width(), h = image->Height();
    const int64_t pixel_count = int64_t{w} * h;
    int32_t factor;
    if (quality < 0)
      factor = pixel_count < 2000 ? 1
                                  : static_cast<int32_t>(std::clamp<int64_t>(
                                        Round(double(pixel_count - 2000) * 13 / 148000 + 2), 1, 30));
    else
      factor = static_cast<int32_t>(Trunc((100.0 - std::min(quality, 100)) / 100 * 29)) + 1;
    Learn(image, pixel_count, factor);
    for (int32_t i = 0; i < n; ++i) {
      auto& p = network[static_cast<size_t>(i)];
      for (int c = 0; c < 3; ++c) p[static_cast<size_t>(c)] /= 16;
      p[3] = i;
      auto clamp = [](int32_t v) { return static_cast<uint8_t>(std::clamp(v, 0, 255)); };
      palette[i] = TRGB{clamp(p[0]), clamp(p[1]), clamp(p[2])};
    }
    BuildIndex();
  }

  void Learn(TIEBitmap* image, int64_t pixel_count, int32_t factor) {
    if (pixel_count <= 0) return;
    const int32_t w = image->Width();
    const int64_t bytes = pixel_count * 3;
    const int32_t alphadec = 30 + (factor - 1) / 3;
    const int64_t samples = bytes / (3 * factor);
    int64_t delta = std::max<int64_t>(samples / kCycles, 1);
    int32_t alpha = kInitAlpha;
    int32_t radius = (netsize / 8) << kRadiusBiasShift;
    int32_t rad = radius >> kRadiusBiasShift;
    if (rad <= 1) rad = 0;
    RadPower(rad, alpha);
    int64_t step = bytes % 499 ? 499 : bytes % 491 ? 491 : bytes % 487 ? 487 : 503;
    int64_t pix = 0;
    for (int64_t i = 0; i < samples;) {
      const auto* row = reinterpret_cast<const TRGB*>(image->GetScanline(static_cast<int32_t>(pix / w)));
      const TRGB c = row[pix % w];
      const int32_t b = c.b << kNetBiasShift, g = c.g << kNetBiasShift, r = c.r << kNetBiasShift;
      int32_t j = Contest(b, g, r);
      AlterSingle(alpha, j, b, g, r);
      if (rad) AlterNeighbours(rad, j, b, g, r);
      pix += step;
      while (pix >= pixel_count) pix -= pixel_count;
      ++i;
      if (i % delta == 0) {
        alpha -= alpha / alphadec;
        radius -= radius / kRadiusDec;
        rad = radius >> kRadiusBiasShift;
        if (rad <= 1) rad = 0;
        RadPower(rad, alpha);
      }
    }
    image->UnmapRows();
  }

  void BuildIndex() {
    int32_t previouscol = 0, startpos = 0;
    for (int32_t i = 0; i < netsize; ++i) {
      int32_t smallpos = i, smallval = network[static_cast<size_t>(i)][1];
      for (int32_t j = i + 1; j < netsize; ++j)
        if (network[static_cast<size_t>(j)][1] < smallval) {
          smallpos = j;
          smallval = network[static_cast<size_t>(j)][1];
        }
      if (i != smallpos) std::swap(network[static_cast<size_t>(i)], network[static_cast<size_t>(smallpos)]);
      if (smallval != previouscol) {
        netindex[std::clamp(previouscol, 0, 255)] = (startpos + i) >> 1;
        for (int32_t j = previouscol + 1; j < smallval && j < 256; ++j) netindex[j] = i;
        previouscol = smallval;
        startpos = i;
      }
    }
    const int32_t maxnetpos = netsize - 1;
    netindex[std::clamp(previouscol, 0, 255)] = (startpos + maxnetpos) >> 1;
    for (int32_t j = previouscol + 1; j < 256; ++j) netindex[j] = maxnetpos;
  }

  int32_t Search(int32_t b, int32_t g, int32_t r) const {
    int32_t bestd = 1000, best = -1;
    int32_t i = netindex[g], j = i - 1;
    while (i < netsize || j >= 0) {
      if (i < netsize) {
        const auto& p = network[static_cast<size_t>(i)];
        int32_t dist = p[1] - g;
        if (dist >= bestd) {
          i = netsize;
        } else {
          ++i;
          dist = std::abs(dist) + std::abs(p[0] - b);
          if (dist < bestd) {
            dist += std::abs(p[2] - r);
            if (dist < bestd) {
              bestd = dist;
              best = p[3];
            }
          }
        }
      }
      if (j >= 0) {
        const auto& p = network[static_cast<size_t>(j)];
        int32_t dist = g - p[1];
        if (dist >= bestd) {
          j = -1;
        } else {
          --j;
          dist = std::abs(dist) + std::abs(p[0] - b);
          if (dist < bestd) {
            dist += std::abs(p[2] - r);
            if (dist < bestd) {
              bestd = dist;
              best = p[3];
            }
          }
        }
      }
    }
    return best;
  }
};

// ---- TIEQuantizer

namespace {
// Where a packed colour's probe starts in a table of Slots (a power of two).
size_t ExactSlot(uint32_t Key, size_t Slots) { return (Key * 2654435761u >> 7) & (Slots - 1); }
}  // namespace

TIEQuantizer::TIEQuantizer(TIEBitmap* Image, int32_t N, TRGB* Palette, int32_t Quality)
    : n_(std::clamp(N, 1, kMaxColors)), image_(Image) {
  grey_ = IsGrayScaleImage(Image);
  const TIEPixelFormat f = Image->PixelFormat();
  if (grey_ || f != ieRGB24) {
    if (f == iePalette8) {
      own_palette_ = true;
      for (int32_t i = 0; i < n_; ++i) Palette[i] = Image->GetPaletteEntry(i);
    } else if (grey_) {
      for (int32_t i = 0; i < n_; ++i) {
        auto v = static_cast<uint8_t>(Trunc(256.0 / n_ * i));
        Palette[i] = TRGB{v, v, v};
      }
    }
  } else {
    // Exact colours in order of first appearance, while there are few enough.
    auto colours = std::make_unique<std::vector<TRGB>>();
    THash1 seen(16);
    bool too_many = false;
    for (int32_t y = 0; y < Image->Height() && !too_many; ++y) {
      const auto* row = reinterpret_cast<const TRGB*>(Image->GetScanline(y));
      for (int32_t x = 0; x < Image->Width(); ++x)
        if (seen.Add(PackRGB(row[x]))) {
          if (static_cast<int32_t>(colours->size()) == n_) {
            too_many = true;
            break;
          }
          colours->push_back(row[x]);
        }
    }
    Image->UnmapRows();
    if (!too_many) {
      std::copy(colours->begin(), colours->end(), Palette);
      exact_ = std::move(colours);
      size_t slots = 16;
      while (slots < 4 * exact_->size()) slots *= 2;
      exact_keys_.assign(slots, 0);
      exact_slots_.assign(slots, 0);
      for (size_t i = 0; i < exact_->size(); ++i) {
        const uint32_t key = PackRGB((*exact_)[i]) + 1;
        size_t at = ExactSlot(key, slots);
        while (exact_keys_[at] != 0) at = (at + 1) & (slots - 1);
        exact_keys_[at] = key;
        exact_slots_[at] = static_cast<uint16_t>(i);
      }
    } else if (n_ < 128) {
      method_ = 1;
      median_ = std::make_unique<MedianCut>();
      median_->Build(Image, n_, Palette);
    } else {
      method_ = 0;
      neuquant_ = std::make_unique<NeuQuant>();
      neuquant_->Build(Image, n_, Palette, Quality);
    }
  }
  palette_.assign(Palette, Palette + n_);
}

TIEQuantizer::~TIEQuantizer() = default;

int32_t TIEQuantizer::RGBToIndex(const TRGB& Colour) const {
  if (exact_) {
    const uint32_t key = PackRGB(Colour) + 1;
    const size_t slots = exact_keys_.size();
    for (size_t at = ExactSlot(key, slots); exact_keys_[at] != 0; at = (at + 1) & (slots - 1))
      if (exact_keys_[at] == key) return exact_slots_[at];
    return NearestPaletteIndex(exact_->data(), static_cast<int32_t>(exact_->size()), Colour);
  }
  // A palette image was handed its own palette, grey or not: its entries
  // are what the indexes stand for, so they come before the grey ramp.
  if (own_palette_) {
    for (int32_t i = 0; i < n_; ++i)
      if (palette_[static_cast<size_t>(i)] == Colour) return i;
    return NearestPaletteIndex(palette_.data(), n_, Colour);
  }
  if (grey_) return std::min(n_ - 1, static_cast<int32_t>(Colour.r * n_ / 256));
  if (median_) return median_->Index(Colour);
  if (neuquant_) {
    int32_t i = neuquant_->Search(Colour.b, Colour.g, Colour.r);
    return i >= 0 ? i : NearestPaletteIndex(palette_.data(), n_, Colour);
  }
  return 0;
}
