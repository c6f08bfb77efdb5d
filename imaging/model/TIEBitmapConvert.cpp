// TIEBitmap: the RGB view of one pixel and the pixel-format conversions.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "imaging/model/ColorReduction.h"
#include "imaging/model/ColorSpaces.h"
#include "imaging/model/IEBitRoutines.h"
#include "imaging/model/PixelHelpers.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/model/TIEQuantizer.h"
#include "rtl/Numeric.h"
#include "rtl/TThreadPool.h"

TRGB TIEBitmap::PixelRGBInRow(const uint8_t* row, int32_t x) {
  switch (pixel_format_) {
    case ieMono1: return GetBit(row, x) ? TRGB{255, 255, 255} : TRGB{0, 0, 0};
    case iePalette8: return GetPaletteEntry(row[x]);
    case ieGray8: return TRGB{row[x], row[x], row[x]};
    case ieGray16: {
      uint16_t v;
      std::memcpy(&v, row + int64_t{x} * 2, 2);
      uint8_t g = static_cast<uint8_t>(v >> 8);
      return TRGB{g, g, g};
    }
    case ieRGB24: {
      TRGB c;
      std::memcpy(&c, row + int64_t{x} * 3, 3);
      return c;
    }
    case ie32f: {
      float v;
      std::memcpy(&v, row + int64_t{x} * 4, 4);
      uint8_t g = FloatToByte(std::trunc(double{v} * 255));
      return TRGB{g, g, g};
    }
    case ieCMYK: {
      TCMYK c;
      std::memcpy(&c, row + int64_t{x} * 4, 4);
      return CMYKToRGB(c);
    }
    case ieRGB48: {
      TRGB48 c;
      std::memcpy(&c, row + int64_t{x} * 6, 6);
      return MakeRGBTriple(static_cast<uint8_t>(c.r >> 8), static_cast<uint8_t>(c.g >> 8),
                           static_cast<uint8_t>(c.b >> 8));
    }
    case ieCIELab: {
      TCIELab c;
      std::memcpy(&c, row + int64_t{x} * 3, 3);
      return CIELabToRGB(c);
    }
    default: return TRGB{0, 0, 0};
  }
}

namespace {
// From this many pixels a conversion is worth sharing among threads; bands
// of rows no shorter than this keep each thread's work well above the cost
// of handing it out.
constexpr int64_t kParallelConvertPixels = int64_t{1} << 20;
constexpr int64_t kParallelConvertRows = 32;

int32_t Grey8(const TRGB& c) { return (c.r * 21 + c.g * 71 + c.b * 8) / 100; }
uint16_t Grey16From8(const TRGB& c) {
  return static_cast<uint16_t>((c.r * 54484 + c.g * 183241 + c.b * 19275) / 1000);
}
uint16_t Grey16From16(const TRGB48& c) {
  return static_cast<uint16_t>((int64_t{c.r} * 212 + int64_t{c.g} * 713 + int64_t{c.b} * 75) / 1000);
}
float FloatGrey(double r, double g, double b) {
  return static_cast<float>((r * 0.2126 + g * 0.7152 + b * 0.0722) / 255.0);
}
int32_t Grey8From48(const TRGB48& c) { return ((c.r / 256) * 21 + (c.g / 256) * 71 + (c.b / 256) * 8) / 100; }

template <typename T>
T Load(const uint8_t* row, int64_t index) {
  T v;
  std::memcpy(&v, row + index * static_cast<int64_t>(sizeof(T)), sizeof(T));
  return v;
}
template <typename T>
void Store(uint8_t* row, int64_t index, const T& v) {
  std::memcpy(row + index * static_cast<int64_t>(sizeof(T)), &v, sizeof(T));
}

// Writes the pixel of a grey-like source value into a target row: the
// conversions from 1-bit, 8-bit and 16-bit grey and float share this.
// v8 is the 8-bit level, v16 the 16-bit level, vf the float level.
void StoreGrey(TIEPixelFormat target, uint8_t* row, int32_t x, uint8_t v8, uint16_t v16, float vf) {
  switch (target) {
    case iePalette8:
    case ieGray8: row[x] = v8; break;
    case ieGray16: Store<uint16_t>(row, x, v16); break;
    case ieRGB24: Store(row, x, TRGB{v8, v8, v8}); break;
    case ie32f: Store<float>(row, x, vf); break;
    case ieRGB48: Store(row, x, TRGB48{v16, v16, v16}); break;
    default: break;
  }
}
}  // namespace

void TIEBitmap::SetPixelFormat(TIEPixelFormat Format) {
  if (Format != pixel_format_) ConvertFormat(Format);
}

void TIEBitmap::ConvertFormat(TIEPixelFormat Format) {
  if (location_ == ieTBitmap) {
    ConvertPlatformFormat(Format);
    return;
  }
  TIEBitmap temp;
  const int32_t w = width_, h = height_;
  MoveDataTo(&temp);
  width_ = w;
  height_ = h;
  pixel_format_ = Format;
  AllocateBits();
  if (temp.pixel_format_ != ieNoFormat) CopyConvertFrom(&temp);
}

void TIEBitmap::CopyConvertFrom(TIEBitmap* Source) {
  if (!Source || Source == this || Source->width_ != width_ || Source->height_ != height_ ||
      Source->pixel_format_ == ieNoFormat || IsEmpty() || location_ == ieTBitmap)
    return;
  const TIEPixelFormat sf = Source->pixel_format_, tf = pixel_format_;
  const int32_t w = width_, h = height_;

  // Pairs that go through RGB use an RGB copy of the source; the source
  // itself keeps its format.
  const bool direct_to_rgb_only = sf == ieCMYK || sf == ieCIELab;
  const bool via_rgb = (tf == ieCMYK || tf == ieCIELab) ? sf != ieRGB24
                       : direct_to_rgb_only              ? tf != ieRGB24
                       : sf == ieRGB48                   ? tf == iePalette8
                                                         : false;
  if (via_rgb && sf != tf) {
    TIEBitmap rgb;
    rgb.location_ = location_;
    rgb.MemoryThreshold = MemoryThreshold;
    rgb.Allocate(w, h, ieRGB24);
    rgb.CopyConvertFrom(Source);
    CopyConvertFrom(&rgb);
    return;
  }

  if (tf == ieMono1 && sf != ieMono1) {
    if (DitherMethod == 1) {
      if (sf == ieRGB48) {
        TIEBitmap rgb;
        rgb.location_ = location_;
        rgb.MemoryThreshold = MemoryThreshold;
        rgb.Allocate(w, h, ieRGB24);
        rgb.CopyConvertFrom(Source);
        ThresholdToBW(&rgb, this, -1);
        alpha_ = rgb.ReleaseAlphaChannel();
      } else {
        ThresholdToBW(Source, this, -1);
        alpha_ = Source->ReleaseAlphaChannel();
      }
      return;
    }
  }

  std::unique_ptr<TIEQuantizer> quantizer;
  if (tf == iePalette8) {
    if (sf == ieMono1) {
      palette_[0] = TRGB{0, 0, 0};
      palette_[1] = TRGB{255, 255, 255};
    } else if (sf == iePalette8) {
      // equal formats copy nothing
    } else if (sf == ieRGB24) {
      TRGB palette[256] = {};
      quantizer = std::make_unique<TIEQuantizer>(Source, std::clamp(PaletteColors, 1, 256), palette, -1);
      for (int i = 0; i < 256; ++i) palette_[i] = palette[i];
    } else {
      for (int i = 0; i < 256; ++i) palette_[i] = TRGB{uint8_t(i), uint8_t(i), uint8_t(i)};
    }
  }

  // Row y of the source into O (a cleared row of this bitmap's format);
  // false for a pair that converts nothing. Reads only, so rows may be
  // converted at once on several threads.
  auto convert_row = [&](int32_t y, const uint8_t* in, uint8_t* o) -> bool {
    bool row_done = true;
    for (int32_t x = 0; x < w && row_done; ++x) {
      if (tf == ieMono1) {
        // Ordered dither (DitherMethod 0).
        int32_t level;
        switch (sf) {
          case iePalette8: level = Grey8(Source->GetPaletteEntry(in[x])) / 4; break;
          case ieRGB24: level = Grey8(Load<TRGB>(in, x)) / 4; break;
          case ieGray8: level = in[x] >> 2; break;
          case ieGray16: level = Load<uint16_t>(in, x) >> 10; break;
          case ie32f: level = FloatToByte(std::trunc(double{Load<float>(in, x)} * 255)) / 4; break;
          case ieRGB48: level = Grey8From48(Load<TRGB48>(in, x)) / 4; break;
          default: level = -1; row_done = false; break;
        }
        if (IEBayerMatrix[x & 7][y & 7] < level) SetBit(o, x, true);
        continue;
      }
      switch (sf) {
        case ieMono1: {
          const bool on = GetBit(in, x);
          if (tf == iePalette8)
            o[x] = on ? 1 : 0;
          else
            StoreGrey(tf, o, x, on ? 255 : 0, on ? 65535 : 0, on ? 1.0f : 0.0f);
          break;
        }
        case iePalette8: {
          const TRGB c = Source->GetPaletteEntry(in[x]);
          switch (tf) {
            case ieGray8: o[x] = static_cast<uint8_t>(Grey8(c)); break;
            case ieGray16: Store<uint16_t>(o, x, Grey16From8(c)); break;
            case ieRGB24: Store(o, x, c); break;
            case ie32f: Store<float>(o, x, FloatGrey(c.r, c.g, c.b)); break;
            case ieRGB48:
              Store(o, x, TRGB48{uint16_t(c.r * 257), uint16_t(c.g * 257), uint16_t(c.b * 257)});
              break;
            default: row_done = false; break;
          }
          break;
        }
        case ieGray8: {
          const uint8_t v = in[x];
          if (tf == iePalette8 || tf == ieGray8)
            o[x] = v;
          else
            StoreGrey(tf, o, x, v, static_cast<uint16_t>(v * 257), v / 255.0f);
          break;
        }
        case ieGray16: {
          const uint16_t v = Load<uint16_t>(in, x);
          if (tf == ieGray16) { row_done = false; break; }
          StoreGrey(tf, o, x, static_cast<uint8_t>(v >> 8), v, static_cast<float>(v / 65535.0));
          break;
        }
        case ieRGB24: {
          const TRGB c = Load<TRGB>(in, x);
          switch (tf) {
            case iePalette8: {
              int32_t index = quantizer->RGBToIndex(c);
              o[x] = static_cast<uint8_t>(std::clamp(index, 0, 255));
              break;
            }
            case ieGray8: o[x] = static_cast<uint8_t>(Grey8(c)); break;
            case ieGray16: Store<uint16_t>(o, x, Grey16From8(c)); break;
            case ie32f: Store<float>(o, x, FloatGrey(c.r, c.g, c.b)); break;
            case ieCMYK: Store(o, x, RGBToCMYK(c)); break;
            case ieRGB48:
              Store(o, x, TRGB48{uint16_t(c.r * 257), uint16_t(c.g * 257), uint16_t(c.b * 257)});
              break;
            case ieCIELab: Store(o, x, RGBToCIELab(c)); break;
            default: row_done = false; break;
          }
          break;
        }
        case ie32f: {
          const double v = Load<float>(in, x);
          // Out-of-range values saturate rather than wrap.
          const uint8_t v8 = FloatToByte(std::trunc(v * 255));
          const uint16_t v16 = FloatToWord(std::trunc(v * 65535));
          if (tf == ie32f) { row_done = false; break; }
          StoreGrey(tf, o, x, v8, v16, 0);
          break;
        }
        case ieCMYK:
          if (tf == ieRGB24) Store(o, x, CMYKToRGB(Load<TCMYK>(in, x))); else row_done = false;
          break;
        case ieRGB48: {
          const TRGB48 c = Load<TRGB48>(in, x);
          switch (tf) {
            case ieGray8: o[x] = static_cast<uint8_t>(Grey8From48(c)); break;
            case ieGray16: Store<uint16_t>(o, x, Grey16From16(c)); break;
            case ieRGB24:
              Store(o, x, MakeRGBTriple(uint8_t(c.r >> 8), uint8_t(c.g >> 8), uint8_t(c.b >> 8)));
              break;
            case ie32f: Store<float>(o, x, FloatGrey(c.r / 256.0, c.g / 256.0, c.b / 256.0)); break;
            default: row_done = false; break;
          }
          break;
        }
        case ieCIELab:
          if (tf == ieRGB24) Store(o, x, CIELabToRGB(Load<TCIELab>(in, x))); else row_done = false;
          break;
        default: row_done = false; break;
      }
    }
    return row_done;
  };

  const uint8_t source_access = Source->Access, target_access = Access;
  Source->Access = iedRead;
  Access = iedWrite;
  std::vector<uint8_t> out(static_cast<size_t>(row_len_));
  // Rows of a large image in memory are independent: they convert on the
  // pool's threads. The first row goes alone, as it tells whether the pair
  // converts at all.
  const bool parallel = location_ == ieMemory && Source->location_ == ieMemory &&
                        int64_t{w} * h >= kParallelConvertPixels && TThreadPool::Shared().MaxThreads() > 1;
  for (int32_t y = 0; y < h; ++y) {
    std::fill(out.begin(), out.end(), uint8_t{0});
    if (!convert_row(y, Source->GetScanline(y), out.data())) break;  // a pair that converts nothing
    std::memcpy(GetScanline(y), out.data(), out.size());
    if (parallel) {
      TThreadPool::Shared().ParallelFor(h - 1, kParallelConvertRows, [&](int64_t first, int64_t last) {
        for (int64_t r = first + 1; r <= last; ++r) {
          uint8_t* o = GetScanline(static_cast<int32_t>(r));
          std::memset(o, 0, static_cast<size_t>(row_len_));
          convert_row(static_cast<int32_t>(r), Source->GetScanline(static_cast<int32_t>(r)), o);
        }
      });
      break;
    }
  }
  Source->UnmapRows();
  UnmapRows();
  Source->Access = source_access;
  Access = target_access;
  alpha_ = Source->ReleaseAlphaChannel();
}
