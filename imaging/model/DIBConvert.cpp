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

int32_t DIBToTIEBitmap(const uint8_t* DIB, int64_t Size, TIEBitmap* Image, const uint8_t* Bits, int64_t BitsSize) {
  if (!DIB || Size < kHeaderSize) return 0;
  const uint32_t header = LoadLE32(DIB);
  const int32_t width = static_cast<int32_t>(LoadLE32(DIB + 4));
  const int32_t raw_height = static_cast<int32_t>(LoadLE32(DIB + 8));
  const int32_t bits = LoadLE16(DIB + 14);
  const uint32_t compression = LoadLE32(DIB + 16);
  const uint32_t used = LoadLE32(DIB + 32);
  if (header < kHeaderSize || header > Size || width <= 0 || width > kMaxSide || raw_height == 0 ||
      raw_height == INT32_MIN || std::abs(raw_height) > kMaxSide)
    return 0;
  const int32_t height = std::abs(raw_height);
  int64_t table = 0;
  if (bits <= 8 && compression <= 3) table = used ? used : (int64_t{1} << bits);
  if (table > 256) return 0;
  int64_t at = header + table * 4;
  const uint8_t* masks = DIB + header;
  const bool fields = compression == 3;
  if (fields && (bits == 16 || bits == 32)) {
    if (header + 12 > Size) return 0;
    at = header + 12;
  }
  const uint8_t* data = Bits ? Bits : DIB + std::min<int64_t>(at, Size);
  const int64_t data_size = Bits ? BitsSize : Size - std::min<int64_t>(at, Size);
  auto colour = [&](int64_t i) {
    if (i >= table || header + i * 4 + 3 >= Size) return TRGB{0, 0, 0};
    const uint8_t* e = DIB + header + i * 4;
    return TRGB{e[0], e[1], e[2]};
  };

  if (compression <= 3) {
    const int64_t row = (int64_t{width} * bits + 31) / 32 * 4;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return 0;
    if (bits == 24 && compression != 0) return 0;
    if (row * height > data_size) return 0;
    Image->Allocate(width, height, bits == 1 ? ieMono1 : ieRGB24);
    uint32_t mr = 0x7C00, mg = 0x03E0, mb = 0x001F;
    if (fields && bits == 16) {
      mr = LoadLE32(masks);
      mg = LoadLE32(masks + 4);
      mb = LoadLE32(masks + 8);
    }
    const int32_t wr = MaskBitWidth(mr), wg = MaskBitWidth(mg), wb = MaskBitWidth(mb);
    for (int32_t r = 0; r < height; ++r) {
      const uint8_t* s = data + row * r;
      uint8_t* d = Image->GetScanline(raw_height > 0 ? height - 1 - r : r);
      TRGB* px = reinterpret_cast<TRGB*>(d);
      switch (bits) {
        case 1:
          std::memcpy(d, s, static_cast<size_t>((width + 7) / 8));
          break;
        case 4:
          for (int32_t x = 0; x < width; ++x) px[x] = colour(x % 2 ? s[x / 2] & 15 : s[x / 2] >> 4);
          break;
        case 8:
          for (int32_t x = 0; x < width; ++x) px[x] = colour(s[x]);
          break;
        case 16:
          for (int32_t x = 0; x < width; ++x) {
            const uint32_t p = LoadLE16(s + 2 * x);
            const int32_t sr = wr + wg + wb - 8, sg = wg + wb - 8;
            const uint32_t rv = sr >= 0 ? (p & mr) >> sr : (p & mr) << -sr;
            const uint32_t gv = sg >= 0 ? (p & mg) >> sg : (p & mg) << -sg;
            const uint32_t bv = wb <= 8 ? ((p & 0xFF) & mb) << (8 - wb) : 0;
            px[x] = MakeRGBTriple(static_cast<uint8_t>(rv), static_cast<uint8_t>(gv), static_cast<uint8_t>(bv));
          }
          break;
        case 24:
          std::memcpy(d, s, static_cast<size_t>(width) * 3);
          break;
        case 32:
          for (int32_t x = 0; x < width; ++x) px[x] = TRGB{s[4 * x], s[4 * x + 1], s[4 * x + 2]};
          break;
      }
    }
    Image->UnmapRows();
    return bits;
  }

  // YUV layouts: bytes per group of pixels, and the bytes a whole image needs.
  const uint32_t fcc = compression;
  int64_t need = 0;
  bool planar = false;
  int64_t group_bytes = 0, group_pixels = 0;
  if (!YUVLayout(fcc, group_bytes, group_pixels, planar)) return 0;
  const int32_t div = fcc == FourCC("YVU9") ? 4 : 2;
  int64_t row = 0;
  if (planar) {
    need = int64_t{width} * height + 2 * int64_t{width / div} * (height / div);
  } else {
    row = (int64_t{width} + group_pixels - 1) / group_pixels * group_bytes;
    need = row * height;
  }
  if (need > data_size) return 0;
  Image->Allocate(width, height, ieRGB24);
  const bool from_top = (fcc == FourCC("Y41P") || fcc == FourCC("cyuv")) ? raw_height < 0 : raw_height > 0;
  for (int32_t r = 0; r < height; ++r) {
    TRGB* px = reinterpret_cast<TRGB*>(Image->GetScanline(from_top ? r : height - 1 - r));
    auto put = [&](int64_t x, int32_t y, int32_t u, int32_t v) {
      if (x < width) px[x] = YUVToRGB(y, u, v);
    };
    if (planar) {
      const uint8_t* yp = data + int64_t{width} * r;
      const int64_t cw = width / div, ch = height / div;
      const int64_t cr = std::min<int64_t>(r / div, std::max<int64_t>(ch - 1, 0));
      const uint8_t* first = data + int64_t{width} * height + cw * cr;
      const uint8_t* second = first + cw * ch;
      // YVU9 and YV12 keep V first; I420 and IYUV keep U first.
      const bool u_first = fcc == FourCC("I420") || fcc == FourCC("IYUV");
      for (int64_t x = 0; x < width; ++x) {
        const int64_t cx = std::min<int64_t>(x / div, std::max<int64_t>(cw - 1, 0));
        const int32_t a = cw > 0 && ch > 0 ? first[cx] : 128, b = cw > 0 && ch > 0 ? second[cx] : 128;
        put(x, yp[x], u_first ? a : b, u_first ? b : a);
      }
      continue;
    }
    const uint8_t* s = data + row * r;
    for (int64_t x = 0, g = 0; x < width - 1 || (x == 0 && width == 1); x += group_pixels, g += group_bytes) {
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
  Image->UnmapRows();
  return bits;
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
