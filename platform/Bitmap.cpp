#include "platform/Bitmap.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

#include "platform/DCInternal.h"

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
  const BitmapObject& b = bc;
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
          v = (x & 1) ? uint8_t((v & 0xF0) | (idx & 0x0F))
                      : uint8_t((v & 0x0F) | ((idx & 0x0F) << 4));
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
        uint32_t v =
            ToMask((px >> 16) & 0xFF, rm) | ToMask((px >> 8) & 0xFF, gm) | ToMask(px & 0xFF, bm);
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
          uint32_t v = ToMask((px >> 16) & 0xFF, b.redMask) |
                       ToMask((px >> 8) & 0xFF, b.greenMask) | ToMask(px & 0xFF, b.blueMask);
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

// Objects

namespace {
// Pixels of one bitmap are capped at 4 GiB.
constexpr uint64_t kMaxBitmapBytes = uint64_t(1) << 32;

std::vector<RGBQUAD> MonoColors() {
  return {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
}

// A DIB header checked for what this platform draws.
struct DibLayout {
  int32_t width = 0, height = 0;
  bool topDown = false;
  uint16_t bitCount = 0;
  int32_t rowBytes = 0;
  uint32_t redMask = 0, greenMask = 0, blueMask = 0;
  std::vector<RGBQUAD> colors;
};

bool ParseDib(const BITMAPINFO* bmi, UINT usage, DibLayout* out) {
  if (!bmi) return false;
  const BITMAPINFOHEADER& h = bmi->bmiHeader;
  if (h.biSize < 40 || h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN) return false;
  if (h.biBitCount != 1 && h.biBitCount != 4 && h.biBitCount != 8 && h.biBitCount != 16 &&
      h.biBitCount != 24 && h.biBitCount != 32)
    return false;
  out->width = h.biWidth;
  out->topDown = h.biHeight < 0;
  out->height = out->topDown ? -h.biHeight : h.biHeight;
  out->bitCount = h.biBitCount;
  uint64_t rowBytes = ((uint64_t(out->width) * out->bitCount + 31) / 32) * 4;
  if (rowBytes > uint64_t(INT32_MAX) || rowBytes * uint64_t(out->height) > kMaxBitmapBytes)
    return false;
  out->rowBytes = int32_t(rowBytes);
  const auto* table = reinterpret_cast<const uint8_t*>(bmi) + h.biSize;
  if (h.biCompression == BI_BITFIELDS) {
    if (h.biBitCount != 16 && h.biBitCount != 32) return false;
    uint32_t m[3];
    std::memcpy(m, table, sizeof m);
    out->redMask = m[0];
    out->greenMask = m[1];
    out->blueMask = m[2];
  } else if (h.biCompression != BI_RGB) {
    return false;
  }
  if (out->bitCount <= 8) {
    if (usage != DIB_RGB_COLORS) return false;
    uint32_t n = h.biClrUsed ? h.biClrUsed : (1u << out->bitCount);
    n = std::min<uint32_t>(n, 1u << out->bitCount);
    out->colors.resize(n);
    std::memcpy(out->colors.data(), table, n * sizeof(RGBQUAD));
  }
  return true;
}

void Apply(const DibLayout& l, BitmapObject* b) {
  b->width = l.width;
  b->height = l.height;
  b->topDown = l.topDown;
  b->bitsPerPixel = l.bitCount;
  b->rowBytes = l.rowBytes;
  b->redMask = l.redMask;
  b->greenMask = l.greenMask;
  b->blueMask = l.blueMask;
  b->colors = l.colors;
}

// A device-independent bitmap of that layout with zeroed pixels; null when
// the pixels cannot be had.
BitmapObject* NewDibSection(const DibLayout& l) {
  auto* b = new BitmapObject();
  Apply(l, b);
  b->dibSection = true;
  if (!b->Allocate()) {
    delete b;
    return nullptr;
  }
  return b;
}

bool IsBitmap(HGDIOBJ h) {
  return IsGdiObject(h) && h->kind == OBJ_BITMAP;
}

}  // namespace

bool BitmapObject::Allocate() {
  uint64_t n = uint64_t(rowBytes) * uint64_t(height);
  if (width <= 0 || height <= 0 || n > kMaxBitmapBytes) return false;
  try {
    storage = TZeroedMemory(size_t(n));
  } catch (const std::bad_alloc&) {
    return false;
  }
  Attach(storage.data());
  return true;
}

void BitmapObject::Attach(uint8_t* memory) {
  bits = memory;
  if (Plain32() && bits) {
    uint8_t* top = topDown ? bits : bits + size_t(height - 1) * size_t(rowBytes);
    surface = Surface::Wrap(top, width, height, topDown ? rowBytes : -ptrdiff_t(rowBytes));
  } else {
    surface = Surface();
  }
}

HBITMAP CreateBitmap(int32_t width, int32_t height, UINT planes, UINT bitCount, const void* src) {
  if (width <= 0 || height <= 0 || planes != 1 || width > (1 << 28)) return nullptr;
  auto* b = new BitmapObject();
  b->width = width;
  b->height = height;
  b->bitsPerPixel = bitCount == 1 ? 1 : 32;
  b->rowBytes = DibRowBytes(width, b->bitsPerPixel);
  if (b->bitsPerPixel == 1) b->colors = MonoColors();
  if (!b->Allocate()) {
    delete b;
    return nullptr;
  }
  if (src) {
    // Rows top-down, padded to 2 bytes, in the bitmap's own depth.
    int32_t srcRow = ((width * int32_t(bitCount == 1 ? 1 : 32) + 15) / 16) * 2;
    const auto* p = static_cast<const uint8_t*>(src);
    int32_t copy = std::min(srcRow, b->rowBytes);
    for (int32_t y = 0; y < height; ++y)
      std::memcpy(b->Row(y), p + size_t(y) * size_t(srcRow), size_t(copy));
  }
  return b;
}

HBITMAP CreateCompatibleBitmap(HDC dc, int32_t width, int32_t height) {
  bool mono =
      IsDC(dc) && dc->kind == OBJ_MEMDC && dc->st.bitmap && dc->st.bitmap->bitsPerPixel == 1;
  return CreateBitmap(std::max(width, 1), std::max(height, 1), 1, mono ? 1 : 32, nullptr);
}

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* bmi, UINT usage, void** bits, void*, DWORD) {
  if (bits) *bits = nullptr;
  DibLayout l;
  if (!ParseDib(bmi, usage, &l)) return nullptr;
  BitmapObject* b = NewDibSection(l);
  if (!b) return nullptr;
  if (bits) *bits = b->bits;
  return b;
}

HBITMAP CreateBitmapFromDib(const BITMAPINFO* bmi, const void* src) {
  DibLayout l;
  if (!src || !ParseDib(bmi, DIB_RGB_COLORS, &l)) return nullptr;
  BitmapObject* b = NewDibSection(l);
  if (!b) return nullptr;
  std::memcpy(b->bits, src, b->storage.size());
  return b;
}

int GetObject(HGDIOBJ obj, int size, void* out) {
  if (!IsGdiObject(obj)) return 0;
  auto put = [&](const void* v, int n) {
    if (!out) return n;
    if (size < n) return 0;
    std::memcpy(out, v, size_t(n));
    return n;
  };
  switch (obj->kind) {
    case OBJ_BITMAP: {
      auto* b = static_cast<HBITMAP>(obj);
      DIBSECTION ds;
      ds.dsBm.bmWidth = b->width;
      ds.dsBm.bmHeight = b->height;
      ds.dsBm.bmWidthBytes = b->rowBytes;
      ds.dsBm.bmBitsPixel = b->bitsPerPixel;
      ds.dsBm.bmBits = b->dibSection ? b->bits : nullptr;
      ds.dsBmih.biWidth = b->width;
      ds.dsBmih.biHeight = b->topDown ? -b->height : b->height;
      ds.dsBmih.biBitCount = b->bitsPerPixel;
      ds.dsBmih.biCompression = b->redMask ? BI_BITFIELDS : BI_RGB;
      ds.dsBmih.biSizeImage = uint32_t(b->rowBytes) * uint32_t(b->height);
      ds.dsBmih.biClrUsed = uint32_t(b->colors.size());
      ds.dsBitfields[0] = b->redMask;
      ds.dsBitfields[1] = b->greenMask;
      ds.dsBitfields[2] = b->blueMask;
      if (b->dibSection && (size >= int(sizeof(DIBSECTION)) || !out))
        return put(&ds, int(sizeof(DIBSECTION)));
      return put(&ds.dsBm, int(sizeof(BITMAP)));
    }
    case OBJ_PEN: {
      auto* p = static_cast<HPEN>(obj);
      LOGPEN lp{UINT(p->style), TPoint{p->width, 0}, p->color};
      return put(&lp, int(sizeof lp));
    }
    case OBJ_BRUSH: {
      auto* b = static_cast<HBRUSH>(obj);
      LOGBRUSH lb{UINT(b->style), b->color, uintptr_t(b->hatch)};
      return put(&lb, int(sizeof lb));
    }
    case OBJ_FONT: {
      auto* f = static_cast<HFONT>(obj);
      return put(&f->lf, int(sizeof(LOGFONT)));
    }
    case OBJ_PAL: {
      WORD n = WORD(static_cast<HPALETTE>(obj)->entries.size());
      return put(&n, int(sizeof n));
    }
    default:
      return 0;
  }
}

int GetDIBits(HDC, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* bmi,
              UINT usage) {
  if (!IsBitmap(bitmap) || !bmi || bmi->bmiHeader.biSize < 40) return 0;
  BITMAPINFOHEADER& h = bmi->bmiHeader;
  if (h.biBitCount == 0) {
    // Asked for the format only.
    h.biWidth = bitmap->width;
    h.biHeight = bitmap->height;
    h.biPlanes = 1;
    h.biBitCount = bitmap->bitsPerPixel;
    h.biCompression = BI_RGB;
    h.biSizeImage = uint32_t(bitmap->rowBytes) * uint32_t(bitmap->height);
    h.biClrUsed = 0;
    return bitmap->height;
  }
  if (h.biWidth != bitmap->width) h.biWidth = bitmap->width;
  if (h.biHeight == 0 || (h.biHeight != bitmap->height && h.biHeight != -bitmap->height))
    h.biHeight = bitmap->height;
  if (h.biBitCount <= 8 && bitmap->bitsPerPixel == h.biBitCount) {
    // Same palette depth: the table comes along.
    size_t n = std::min<size_t>(bitmap->colors.size(), size_t(1) << h.biBitCount);
    std::memcpy(bmi->bmiColors, bitmap->colors.data(), n * sizeof(RGBQUAD));
    h.biClrUsed = uint32_t(n);
  } else if (h.biBitCount <= 8) {
    // A depth change to a palette format: a grey ramp (or black and white).
    uint32_t n = 1u << h.biBitCount;
    for (uint32_t i = 0; i < n; ++i) {
      BYTE v = BYTE(i * 255 / (n - 1));
      bmi->bmiColors[i] = RGBQUAD{v, v, v, 0};
    }
    h.biClrUsed = n;
  }
  DibLayout l;
  if (!ParseDib(bmi, usage, &l)) return 0;
  if (!bits) return bitmap->height;
  BitmapObject view;
  Apply(l, &view);
  view.Attach(static_cast<uint8_t*>(bits) - 0);
  // The buffer holds rows start .. start + lines - 1 (from the bottom).
  int32_t first = int32_t(std::min<UINT>(start, UINT(bitmap->height)));
  int32_t count = int32_t(std::min<UINT>(lines, UINT(bitmap->height - first)));
  std::vector<uint32_t> row(size_t(bitmap->width));
  view.height = count;
  view.topDown = l.topDown;
  for (int32_t k = 0; k < count; ++k) {
    int32_t bottomIndex = first + k;                  // row counted from the bottom
    int32_t srcY = bitmap->height - 1 - bottomIndex;  // from the top
    ReadBitmapRow(*bitmap, srcY, 0, bitmap->width, row.data());
    // In the buffer, bottom-up rows are stored in order from the bottom.
    int32_t dstY = l.topDown ? count - 1 - k : count - 1 - k;
    WriteBitmapRow(view, dstY, 0, bitmap->width, row.data());
  }
  return count;
}

int SetDIBits(HDC, HBITMAP bitmap, UINT start, UINT lines, const void* bits, const BITMAPINFO* bmi,
              UINT usage) {
  if (!IsBitmap(bitmap) || !bits) return 0;
  DibLayout l;
  if (!ParseDib(bmi, usage, &l) || l.width != bitmap->width) return 0;
  int32_t first = int32_t(std::min<UINT>(start, UINT(bitmap->height)));
  int32_t count = int32_t(std::min<UINT>({lines, UINT(bitmap->height - first), UINT(l.height)}));
  BitmapObject view;
  Apply(l, &view);
  view.height = count;
  view.Attach(const_cast<uint8_t*>(static_cast<const uint8_t*>(bits)));
  std::vector<uint32_t> row(size_t(bitmap->width));
  for (int32_t k = 0; k < count; ++k) {
    ReadBitmapRow(view, count - 1 - k, 0, l.width, row.data());
    WriteBitmapRow(*bitmap, bitmap->height - 1 - (first + k), 0, l.width, row.data());
  }
  return count;
}

UINT GetDIBColorTable(HDC dc, UINT start, UINT count, RGBQUAD* colors) {
  auto* b = IsDC(dc) ? static_cast<HBITMAP>(GetCurrentObject(dc, OBJ_BITMAP)) : nullptr;
  if (!b || !colors || start >= b->colors.size()) return 0;
  UINT n = std::min<UINT>(count, UINT(b->colors.size()) - start);
  std::memcpy(colors, b->colors.data() + start, n * sizeof(RGBQUAD));
  return n;
}

UINT SetDIBColorTable(HDC dc, UINT start, UINT count, const RGBQUAD* colors) {
  auto* b = IsDC(dc) ? static_cast<HBITMAP>(GetCurrentObject(dc, OBJ_BITMAP)) : nullptr;
  if (!b || !colors || b->bitsPerPixel > 8) return 0;
  UINT cap = 1u << b->bitsPerPixel;
  if (start >= cap) return 0;
  UINT n = std::min<UINT>(count, cap - start);
  if (b->colors.size() < start + n) b->colors.resize(start + n, RGBQUAD{0, 0, 0, 0});
  std::memcpy(b->colors.data() + start, colors, n * sizeof(RGBQUAD));
  return n;
}

HPALETTE CreatePalette(const LOGPALETTE* lp) {
  if (!lp) return nullptr;
  auto* p = new PaletteObject();
  for (WORD i = 0; i < lp->palNumEntries; ++i) {
    const PALETTEENTRY& e = lp->palPalEntry[i];
    p->entries.push_back(RGBQUAD{e.peBlue, e.peGreen, e.peRed, 0});
  }
  return p;
}

HPALETTE CreateHalftonePalette(HDC) {
  auto* p = new PaletteObject();
  // A 6 x 6 x 6 colour cube and a 40-step grey ramp.
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b)
        p->entries.push_back(RGBQUAD{BYTE(b * 51), BYTE(g * 51), BYTE(r * 51), 0});
  for (int i = 0; i < 40; ++i) {
    BYTE v = BYTE((i * 255 + 19) / 39);
    p->entries.push_back(RGBQUAD{v, v, v, 0});
  }
  return p;
}

UINT GetPaletteEntries(HPALETTE pal, UINT start, UINT count, PALETTEENTRY* entries) {
  if (!IsGdiObject(pal) || pal->kind != OBJ_PAL) return 0;
  if (!entries) return UINT(pal->entries.size());
  if (start >= pal->entries.size()) return 0;
  UINT n = std::min<UINT>(count, UINT(pal->entries.size()) - start);
  for (UINT i = 0; i < n; ++i) {
    const RGBQUAD& q = pal->entries[start + i];
    entries[i] = PALETTEENTRY{q.rgbRed, q.rgbGreen, q.rgbBlue, 0};
  }
  return n;
}

UINT SetPaletteEntries(HPALETTE pal, UINT start, UINT count, const PALETTEENTRY* entries) {
  if (!IsGdiObject(pal) || pal->kind != OBJ_PAL || !entries || start >= pal->entries.size())
    return 0;
  UINT n = std::min<UINT>(count, UINT(pal->entries.size()) - start);
  for (UINT i = 0; i < n; ++i) {
    const PALETTEENTRY& e = entries[i];
    RGBQUAD q{e.peBlue, e.peGreen, e.peRed, 0};
    pal->entries[start + i] = q;
    if (pal->bitmap && start + i < pal->bitmap->colors.size()) pal->bitmap->colors[start + i] = q;
  }
  return n;
}

HPALETTE SelectPalette(HDC dc, HPALETTE, BOOL) {
  if (!IsDC(dc)) return nullptr;
  return static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));
}

UINT RealizePalette(HDC) {
  return 0;
}
