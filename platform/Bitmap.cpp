#include "platform/Bitmap.h"

#include <bit>
#include <cstring>

namespace {

uint32_t FromMask(uint32_t v, uint32_t mask) {
  if (!mask) return 0;
  int shift = std::countr_zero(mask);
  int bits = std::popcount(mask);
  uint32_t c = (v & mask) >> shift;
  if (bits >= 8) return c >> (bits - 8);
  // Replicate the high bits into the low ones so that full scale is 255.
  uint32_t r = c << (8 - bits);
  for (int have = bits; have < 8; have += bits) r |= r >> bits;
  return r & 0xFF;
}

uint32_t ToMask(uint32_t c8, uint32_t mask) {
  if (!mask) return 0;
  int shift = std::countr_zero(mask);
  int bits = std::popcount(mask);
  uint32_t c = bits >= 8 ? c8 << (bits - 8) : c8 >> (8 - bits);
  return (c << shift) & mask;
}

uint32_t Quad(const RGBQUAD& q) {
  return (uint32_t(q.rgbRed) << 16) | (uint32_t(q.rgbGreen) << 8) | q.rgbBlue;
}

}  // namespace

int NearestPaletteIndex(const std::vector<RGBQUAD>& colors, uint32_t pixel) {
  int r = (pixel >> 16) & 0xFF, g = (pixel >> 8) & 0xFF, b = pixel & 0xFF;
  int best = 0;
  int bestD = 1 << 30;
  for (size_t i = 0; i < colors.size(); ++i) {
    int dr = colors[i].rgbRed - r, dg = colors[i].rgbGreen - g, db = colors[i].rgbBlue - b;
    int d = dr * dr + dg * dg + db * db;
    if (d < bestD) {
      bestD = d;
      best = int(i);
      if (d == 0) break;
    }
  }
  return best;
}

void ReadBitmapRow(const BitmapObject& bc, int32_t y, int32_t x0, int32_t n, uint32_t* out) {
  auto& b = const_cast<BitmapObject&>(bc);
  const uint8_t* row = b.Row(y);
  auto pal = [&](int i) -> uint32_t {
    return size_t(i) < b.colors.size() ? Quad(b.colors[size_t(i)]) : (i ? 0xFFFFFFu & 0xFFFFFF : 0);
  };
  switch (b.bitsPerPixel) {
    case 1:
      for (int32_t i = 0; i < n; ++i) {
        int32_t x = x0 + i;
        out[i] = pal((row[x >> 3] >> (7 - (x & 7))) & 1);
      }
      break;
    case 4:
      for (int32_t i = 0; i < n; ++i) {
        int32_t x = x0 + i;
        out[i] = pal((x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4);
      }
      break;
    case 8:
      for (int32_t i = 0; i < n; ++i) out[i] = pal(row[x0 + i]);
      break;
    case 16: {
      uint32_t rm = b.redMask ? b.redMask : 0x7C00, gm = b.greenMask ? b.greenMask : 0x03E0,
               bm = b.blueMask ? b.blueMask : 0x001F;
      for (int32_t i = 0; i < n; ++i) {
        const uint8_t* p = row + 2 * (x0 + i);
        uint32_t v = p[0] | (uint32_t(p[1]) << 8);
        out[i] = (FromMask(v, rm) << 16) | (FromMask(v, gm) << 8) | FromMask(v, bm);
      }
      break;
    }
    case 24:
      for (int32_t i = 0; i < n; ++i) {
        const uint8_t* p = row + 3 * (x0 + i);
        out[i] = p[0] | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16);
      }
      break;
    case 32:
      if (b.redMask && (b.redMask != 0xFF0000 || b.greenMask != 0xFF00 || b.blueMask != 0xFF)) {
        for (int32_t i = 0; i < n; ++i) {
          uint32_t v;
          std::memcpy(&v, row + 4 * (x0 + i), 4);
          out[i] = (FromMask(v, b.redMask) << 16) | (FromMask(v, b.greenMask) << 8) |
                   FromMask(v, b.blueMask);
        }
      } else {
        std::memcpy(out, row + 4 * size_t(x0), 4 * size_t(n));
      }
      break;
    default:
      std::memset(out, 0, 4 * size_t(n));
  }
}

void WriteBitmapRow(BitmapObject& b, int32_t y, int32_t x0, int32_t n, const uint32_t* in) {
  uint8_t* row = b.Row(y);
  switch (b.bitsPerPixel) {
    case 1:
    case 4:
    case 8: {
      // Runs of one colour are common: remember the last lookup.
      uint32_t lastPixel = 0;
      int lastIndex = -1;
      for (int32_t i = 0; i < n; ++i) {
        uint32_t px = in[i] & 0xFFFFFF;
        if (lastIndex < 0 || px != lastPixel) {
          lastPixel = px;
          lastIndex = NearestPaletteIndex(b.colors, px);
        }
        int32_t x = x0 + i;
        int idx = lastIndex;
        if (b.bitsPerPixel == 8) {
          row[x] = uint8_t(idx);
        } else if (b.bitsPerPixel == 4) {
          uint8_t& v = row[x >> 1];
          v = (x & 1) ? uint8_t((v & 0xF0) | (idx & 0x0F)) : uint8_t((v & 0x0F) | ((idx & 0x0F) << 4));
        } else {
          uint8_t& v = row[x >> 3];
          uint8_t bit = uint8_t(0x80 >> (x & 7));
          v = (idx & 1) ? uint8_t(v | bit) : uint8_t(v & ~bit);
        }
      }
      break;
    }
    case 16: {
      uint32_t rm = b.redMask ? b.redMask : 0x7C00, gm = b.greenMask ? b.greenMask : 0x03E0,
               bm = b.blueMask ? b.blueMask : 0x001F;
      for (int32_t i = 0; i < n; ++i) {
        uint32_t px = in[i];
        uint32_t v = ToMask((px >> 16) & 0xFF, rm) | ToMask((px >> 8) & 0xFF, gm) | ToMask(px & 0xFF, bm);
        uint8_t* p = row + 2 * (x0 + i);
        p[0] = uint8_t(v);
        p[1] = uint8_t(v >> 8);
      }
      break;
    }
    case 24:
      for (int32_t i = 0; i < n; ++i) {
        uint8_t* p = row + 3 * (x0 + i);
        uint32_t px = in[i];
        p[0] = uint8_t(px);
        p[1] = uint8_t(px >> 8);
        p[2] = uint8_t(px >> 16);
      }
      break;
    case 32:
      if (b.redMask && (b.redMask != 0xFF0000 || b.greenMask != 0xFF00 || b.blueMask != 0xFF)) {
        for (int32_t i = 0; i < n; ++i) {
          uint32_t px = in[i];
          uint32_t v = ToMask((px >> 16) & 0xFF, b.redMask) | ToMask((px >> 8) & 0xFF, b.greenMask) |
                       ToMask(px & 0xFF, b.blueMask);
          std::memcpy(row + 4 * (x0 + i), &v, 4);
        }
      } else {
        std::memcpy(row + 4 * size_t(x0), in, 4 * size_t(n));
      }
      break;
    default:
      break;
  }
}
