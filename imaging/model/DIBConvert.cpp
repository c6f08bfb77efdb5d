#include "imaging/model/DIBConvert.h"

#include <algorithm>
#include <cstring>

#include "imaging/model/IEBitRoutines.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/model/TIEDibbitmap.h"
#include "rtl/ByteOrder.h"
#include "rtl/Numeric.h"

namespace {

constexpr uint32_t kHeaderSize = 40;
// Decoded images stay below this many pixels a side.
constexpr int32_t kMaxSide = 1 << 16;

constexpr uint32_t FourCC(const char (&s)[5]) {
  return static_cast<uint32_t>(static_cast<uint8_t>(s[0])) | static_cast<uint32_t>(static_cast<uint8_t>(s[1])) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(s[2])) << 16 | static_cast<uint32_t>(static_cast<uint8_t>(s[3])) << 24;
}

uint8_t Clamp(double v) { return static_cast<uint8_t>(std::clamp<int64_t>(Round(v), 0, 255)); }

// How a YUV layout stores its pixels: packed in groups of GroupPixels
// pixels in GroupBytes bytes, or in planes. False for another compression.
bool YUVLayout(uint32_t fcc, int64_t& GroupBytes, int64_t& GroupPixels, bool& Planar) {
  GroupBytes = GroupPixels = 0;
  Planar = false;
  if (fcc == FourCC("YUY2") || fcc == FourCC("YUNV") || fcc == FourCC("UYVY") || fcc == FourCC("UYNV") ||
      fcc == FourCC("cyuv") || fcc == FourCC("YVYU") || fcc == FourCC("Y211") || fcc == FourCC("CLJR")) {
    GroupBytes = 4;
    GroupPixels = fcc == FourCC("Y211") || fcc == FourCC("CLJR") ? 4 : 2;
  } else if (fcc == FourCC("IYU1")) {
    GroupBytes = 6;
    GroupPixels = 4;
  } else if (fcc == FourCC("IYU2")) {
    GroupBytes = 3;
    GroupPixels = 1;
  } else if (fcc == FourCC("Y41P")) {
    GroupBytes = 12;
    GroupPixels = 8;
  } else if (fcc == FourCC("YVU9") || fcc == FourCC("YV12") || fcc == FourCC("I420") || fcc == FourCC("IYUV")) {
    Planar = true;
  } else {
    return false;
  }
  return true;
}

}  // namespace

bool IsDIBYUVCompression(uint32_t Compression) {
  int64_t group_bytes, group_pixels;
  bool planar;
  return YUVLayout(Compression, group_bytes, group_pixels, planar);
}

TRGB YUVToRGB(int32_t Y, int32_t U, int32_t V) {
  const double c = (Y - 16) * 1.164, d = U - 128, e = V - 128;
  return MakeRGBTriple(Clamp(c + 1.596 * e), Clamp(c - 0.813 * e - 0.391 * d), Clamp(c + 2.018 * d));
}

namespace {

// The header fields the decoder uses, and where the pixels are.
struct DIBLayout {
  const uint8_t* dib;
  int64_t size;
  uint32_t header;
  int32_t width, raw_height, height;  // a positive raw height is stored bottom-up
  int32_t bits;
  uint32_t compression;  // 0..3, or the four characters of a YUV layout
  int64_t table;         // colour table entries
  const uint8_t* masks;  // the bit fields of 16-bit pixels
  const uint8_t* data;
  int64_t data_size;

  TRGB Colour(int64_t i) const {
    if (i >= table || header + i * 4 + 3 >= size) return TRGB{0, 0, 0};
    const uint8_t* e = dib + header + i * 4;
    return TRGB{e[0], e[1], e[2]};
  }
};

// Reads and checks the header; the pixels follow the colour table or the
// three bit masks, unless the caller hands them in apart.
bool ReadDIBLayout(const uint8_t* DIB, int64_t Size, const uint8_t* Bits, int64_t BitsSize, DIBLayout& l) {
  if (!DIB || Size < kHeaderSize) return false;
  l.dib = DIB;
  l.size = Size;
  l.header = LoadLE32(DIB);
  l.width = static_cast<int32_t>(LoadLE32(DIB + 4));
  l.raw_height = static_cast<int32_t>(LoadLE32(DIB + 8));
  l.bits = LoadLE16(DIB + 14);
  l.compression = LoadLE32(DIB + 16);
  const uint32_t used = LoadLE32(DIB + 32);
  if (l.header < kHeaderSize || l.header > Size || l.width <= 0 || l.width > kMaxSide || l.raw_height == 0 ||
      l.raw_height == INT32_MIN || std::abs(l.raw_height) > kMaxSide)
    return false;
  l.height = std::abs(l.raw_height);
  l.table = 0;
  // A used-colour count of 0 means the full table of the depth.
  if (l.bits <= 8 && l.compression <= 3) l.table = used ? used : (int64_t{1} << l.bits);
  if (l.table > 256) return false;
  int64_t at = l.header + l.table * 4;
  l.masks = DIB + l.header;
  if (l.compression == 3 && (l.bits == 16 || l.bits == 32)) {
    if (l.header + 12 > Size) return false;
    at = l.header + 12;
  }
  l.data = Bits ? Bits : DIB + std::min<int64_t>(at, Size);
  l.data_size = Bits ? BitsSize : Size - std::min<int64_t>(at, Size);
  return true;
}

// One row of an uncompressed or bit-field image into 24 bits (1 bit stays 1).
void DecodeRGBRow(const DIBLayout& l, const uint8_t* s, uint8_t* d, uint32_t mr, uint32_t mg, uint32_t mb) {
  const int32_t width = l.width;
  TRGB* px = reinterpret_cast<TRGB*>(d);
  switch (l.bits) {
    case 1:
      std::memcpy(d, s, static_cast<size_t>((width + 7) / 8));
      break;
    case 4:
      for (int32_t x = 0; x < width; ++x) px[x] = l.Colour(x % 2 ? s[x / 2] & 15 : s[x / 2] >> 4);
      break;
    case 8:
      for (int32_t x = 0; x < width; ++x) px[x] = l.Colour(s[x]);
      break;
    case 16: {
      const int32_t wr = MaskBitWidth(mr), wg = MaskBitWidth(mg), wb = MaskBitWidth(mb);
      for (int32_t x = 0; x < width; ++x) {
        const uint32_t p = LoadLE16(s + 2 * x);
        const int32_t sr = wr + wg + wb - 8, sg = wg + wb - 8;
        const uint32_t rv = sr >= 0 ? (p & mr) >> sr : (p & mr) << -sr;
        const uint32_t gv = sg >= 0 ? (p & mg) >> sg : (p & mg) << -sg;
        const uint32_t bv = wb <= 8 ? ((p & 0xFF) & mb) << (8 - wb) : 0;
        px[x] = MakeRGBTriple(static_cast<uint8_t>(rv), static_cast<uint8_t>(gv), static_cast<uint8_t>(bv));
      }
      break;
    }
    case 24:
      std::memcpy(d, s, static_cast<size_t>(width) * 3);
      break;
    case 32:
      for (int32_t x = 0; x < width; ++x) px[x] = TRGB{s[4 * x], s[4 * x + 1], s[4 * x + 2]};
      break;
  }
}

int32_t DecodeRGB(const DIBLayout& l, TIEBitmap* Image) {
  const int32_t bits = l.bits;
  const int64_t row = (int64_t{l.width} * bits + 31) / 32 * 4;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return 0;
  if (bits == 24 && l.compression != 0) return 0;
  if (row * l.height > l.data_size) return 0;
  Image->Allocate(l.width, l.height, bits == 1 ? ieMono1 : ieRGB24);
  // 16-bit pixels without bit fields are 5-5-5.
  uint32_t mr = 0x7C00, mg = 0x03E0, mb = 0x001F;
  if (l.compression == 3 && bits == 16) {
    mr = LoadLE32(l.masks);
    mg = LoadLE32(l.masks + 4);
    mb = LoadLE32(l.masks + 8);
  }
  for (int32_t r = 0; r < l.height; ++r)
    DecodeRGBRow(l, l.data + row * r, Image->GetScanline(l.raw_height > 0 ? l.height - 1 - r : r), mr, mg, mb);
  Image->UnmapRows();
  return bits;
}

// One row of a planar layout: full-size Y, then two chroma planes of a
// quarter (YV12, I420, IYUV) or a sixteenth (YVU9) of the pixels.
void DecodePlanarYUVRow(const DIBLayout& l, int32_t div, int32_t r, TRGB* px) {
  const uint32_t fcc = l.compression;
  const int32_t width = l.width;
  const uint8_t* yp = l.data + int64_t{width} * r;
  const int64_t cw = width / div, ch = l.height / div;
  const int64_t cr = std::min<int64_t>(r / div, std::max<int64_t>(ch - 1, 0));
  const uint8_t* first = l.data + int64_t{width} * l.height + cw * cr;
  const uint8_t* second = first + cw * ch;
  // YVU9 and YV12 keep V first; I420 and IYUV keep U first.
  const bool u_first = fcc == FourCC("I420") || fcc == FourCC("IYUV");
  for (int64_t x = 0; x < width; ++x) {
    const int64_t cx = std::min<int64_t>(x / div, std::max<int64_t>(cw - 1, 0));
    // An image narrower or lower than one chroma sample has no chroma: grey.
    const int32_t a = cw > 0 && ch > 0 ? first[cx] : 128, b = cw > 0 && ch > 0 ? second[cx] : 128;
    px[x] = YUVToRGB(yp[x], u_first ? a : b, u_first ? b : a);
  }
}

// One row of a packed layout, group by group; a group's pixels past the
// image width are dropped.
void DecodePackedYUVRow(const DIBLayout& l, const uint8_t* s, int64_t GroupBytes, int64_t GroupPixels, TRGB* px) {
  const uint32_t fcc = l.compression;
  const int32_t width = l.width;
  auto put = [&](int64_t x, int32_t y, int32_t u, int32_t v) {
    if (x < width) px[x] = YUVToRGB(y, u, v);
  };
  // Groups start below width - 1 (a one-pixel-wide image gets its one group):
  // when the last column begins a group of its own, it is not decoded.
  for (int64_t x = 0, g = 0; x < width - 1 || (x == 0 && width == 1); x += GroupPixels, g += GroupBytes) {
    const uint8_t* q = s + g;
    if (fcc == FourCC("YUY2") || fcc == FourCC("YUNV")) {
      put(x, q[0], q[1], q[3]);
      put(x + 1, q[2], q[1], q[3]);
    } else if (fcc == FourCC("UYVY") || fcc == FourCC("UYNV") || fcc == FourCC("cyuv")) {
      put(x, q[1], q[0], q[2]);
      put(x + 1, q[3], q[0], q[2]);
    } else if (fcc == FourCC("YVYU")) {
      put(x, q[0], q[3], q[1]);
      put(x + 1, q[2], q[3], q[1]);
    } else if (fcc == FourCC("IYU1")) {
      put(x, q[1], q[0], q[3]);
      put(x + 1, q[2], q[0], q[3]);
      put(x + 2, q[4], q[0], q[3]);
      put(x + 3, q[5], q[0], q[3]);
    } else if (fcc == FourCC("IYU2")) {
      put(x, q[1], q[0], q[2]);
    } else if (fcc == FourCC("Y41P")) {
      const int32_t ys[8] = {q[1], q[3], q[5], q[7], q[8], q[9], q[10], q[11]};
      for (int k = 0; k < 8; ++k) put(x + k, ys[k], k < 4 ? q[0] : q[4], k < 4 ? q[2] : q[6]);
    } else if (fcc == FourCC("Y211")) {
      put(x, q[0], q[1], q[3]);
      put(x + 1, q[0], q[1], q[3]);
      put(x + 2, q[2], q[1], q[3]);
      put(x + 3, q[2], q[1], q[3]);
    } else {  // CLJR
      const uint32_t w = LoadLE32(q);
      const int32_t u = static_cast<int32_t>(w >> 6 & 63), v = static_cast<int32_t>(w & 63);
      for (int k = 0; k < 4; ++k) put(x + k, static_cast<int32_t>(w >> (12 + 5 * k) & 31), u, v);
    }
  }
}

int32_t DecodeYUV(const DIBLayout& l, TIEBitmap* Image) {
  // Bytes per group of pixels, and the bytes a whole image needs.
  const uint32_t fcc = l.compression;
  int64_t group_bytes = 0, group_pixels = 0;
  bool planar = false;
  if (!YUVLayout(fcc, group_bytes, group_pixels, planar)) return 0;
  const int32_t div = fcc == FourCC("YVU9") ? 4 : 2;
  int64_t row = 0, need = 0;
  if (planar) {
    need = int64_t{l.width} * l.height + 2 * int64_t{l.width / div} * (l.height / div);
  } else {
    row = (int64_t{l.width} + group_pixels - 1) / group_pixels * group_bytes;
    need = row * l.height;
  }
  if (need > l.data_size) return 0;
  Image->Allocate(l.width, l.height, ieRGB24);
  // Most layouts follow the height's sign as RGB does; Y41P and cyuv are
  // stored top-down unless the height is negative.
  const bool from_top = (fcc == FourCC("Y41P") || fcc == FourCC("cyuv")) ? l.raw_height < 0 : l.raw_height > 0;
  for (int32_t r = 0; r < l.height; ++r) {
    TRGB* px = reinterpret_cast<TRGB*>(Image->GetScanline(from_top ? r : l.height - 1 - r));
    if (planar)
      DecodePlanarYUVRow(l, div, r, px);
    else
      DecodePackedYUVRow(l, l.data + row * r, group_bytes, group_pixels, px);
  }
  Image->UnmapRows();
  return l.bits;
}

}  // namespace

int32_t DIBToTIEBitmap(const uint8_t* DIB, int64_t Size, TIEBitmap* Image, const uint8_t* Bits, int64_t BitsSize) {
  DIBLayout layout{};
  if (!ReadDIBLayout(DIB, Size, Bits, BitsSize, layout)) return 0;
  return layout.compression <= 3 ? DecodeRGB(layout, Image) : DecodeYUV(layout, Image);
}

int32_t DIBToDibBitmap(const uint8_t* DIB, int64_t Size, TIEDibbitmap* Target, const uint8_t* Bits,
                       int64_t BitsSize) {
  // The drawing: the layouts the decoder above knows, at the section's depth
  // (1 bit for 1-bit frames, 24 otherwise). A layout it does not know draws
  // nothing, and that is said (0) rather than shown as a black frame.
  TIEBitmap drawn;
  const int32_t bits = DIBToTIEBitmap(DIB, Size, &drawn, Bits, BitsSize);
  if (bits == 0 || drawn.Width() <= 0 || drawn.Height() <= 0) return 0;
  Target->AllocateBits(drawn.Width(), drawn.Height(), bits == 1 ? 1 : 24);
  const int64_t bytes = bits == 1 ? (int64_t{drawn.Width()} + 7) / 8 : int64_t{drawn.Width()} * 3;
  for (int32_t y = 0; y < drawn.Height(); ++y)
    std::memcpy(Target->GetScanline(y), drawn.GetScanline(y), static_cast<size_t>(bytes));
  drawn.UnmapRows();
  return bits;
}

std::vector<uint8_t> CopyRectToDIB(TIEBitmap* Image, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2) {
  TIEBitmap copy;
  TIEBitmap* img = Image;
  const TIEPixelFormat f = Image->PixelFormat();
  if (f != ieMono1 && f != iePalette8 && f != ieGray8 && f != ieRGB24) {
    copy.Assign(Image);
    copy.ConvertFormat(ieRGB24);
    img = &copy;
  }
  if (X2 == 0) X2 = img->Width();
  if (Y2 == 0) Y2 = img->Height();
  X1 = std::clamp(X1, 0, img->Width());
  Y1 = std::clamp(Y1, 0, img->Height());
  X2 = std::clamp(X2, X1, img->Width());
  Y2 = std::clamp(Y2, Y1, img->Height());
  const int32_t w = X2 - X1, h = Y2 - Y1;
  const int32_t bits = img->PixelFormat() == ieMono1 ? 1 : img->PixelFormat() == ieRGB24 ? 24 : 8;
  const int64_t row = (int64_t{w} * bits + 31) / 32 * 4;
  const int64_t table = bits == 1 ? 8 : bits == 8 ? 1024 : 0;
  std::vector<uint8_t> dib(static_cast<size_t>(kHeaderSize + table + row * h), 0);
  StoreLE32(&dib[0], kHeaderSize);
  StoreLE32(&dib[4], static_cast<uint32_t>(w));
  StoreLE32(&dib[8], static_cast<uint32_t>(h));
  dib[12] = 1;
  dib[14] = static_cast<uint8_t>(bits);
  uint8_t* t = &dib[kHeaderSize];
  if (bits == 1) {
    StoreLE32(t + 4, 0xFFFFFFFF);
  } else if (bits == 8) {
    for (int32_t i = 0; i < 256; ++i) {
      const TRGB c = img->PixelFormat() == iePalette8 ? img->GetPaletteEntry(i)
                                                       : TRGB{static_cast<uint8_t>(i), static_cast<uint8_t>(i), static_cast<uint8_t>(i)};
      t[4 * i] = c.b;
      t[4 * i + 1] = c.g;
      t[4 * i + 2] = c.r;
    }
  }
  uint8_t* rows = t + table;
  for (int32_t k = 0; k < h; ++k) {
    const uint8_t* s = img->GetScanline(Y2 - 1 - k);
    uint8_t* d = rows + row * k;
    if (bits == 1) {
      const int64_t bytes = (int64_t{img->Width()} + 7) / 8;
      CopyBits(d, s, 0, bytes, w, X1);
    } else {
      std::memcpy(d, s + static_cast<int64_t>(X1) * (bits / 8), static_cast<size_t>(w) * (bits / 8));
    }
  }
  img->UnmapRows();
  return dib;
}
