#include "imaging/io/formats/ICO.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/io/formats/ByteReader.h"
#include "imaging/io/formats/FormatFields.h"
#include "imaging/io/formats/FormatWriter.h"
#include "imaging/io/IEReadLimits.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/formats/BMP.h"
#include "imaging/io/formats/PNG.h"
#include "imaging/model/IEBitRoutines.h"
#include "imaging/model/IEStreams.h"
#include "imaging/model/PixelHelpers.h"
#include "imaging/model/Resample.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/model/TIEMask.h"
#include "imaging/model/TIEQuantizer.h"
#include "imaging/model/TImagoProc.h"
#include "rtl/ByteOrder.h"
#include "rtl/Numeric.h"
#include "rtl/TStream.h"

namespace {

using formats::ReadUpTo;
using formats::TFormatWriter;

constexpr int64_t kDirHeaderSize = 6;
constexpr int64_t kEntrySize = 16;
constexpr int64_t kInfoHeaderSize = 40;
constexpr uint16_t kIconType = 1, kCursorType = 2;
constexpr uint8_t kPNGSignature[4] = {0x89, 'P', 'N', 'G'};

int32_t CeilLog2Int(int32_t v) {
  int32_t r = 0;
  while ((int64_t{1} << r) < v) ++r;
  return r;
}

bool IsDirectory(TStream* s, uint16_t type) {
  const int64_t pos = s->Position();
  const int64_t size = s->Size();
  bool ok = false;
  uint8_t h[kDirHeaderSize];
  if (size - pos >= 23 && ReadUpTo(s, h, kDirHeaderSize) == kDirHeaderSize && LoadLE16(h) == 0 &&
      LoadLE16(h + 2) == type && LoadLE16(h + 4) > 0) {
    ok = true;
    for (int32_t i = 0; i < LoadLE16(h + 4) && ok; ++i) {
      uint8_t e[kEntrySize];
      ok = ReadUpTo(s, e, kEntrySize) == kEntrySize && e[3] == 0 && LoadLE32(e + 8) != 0 &&
           pos + LoadLE32(e + 12) >= s->Position();
    }
  }
  s->SetPosition(pos);
  return ok;
}

struct Entry {
  uint8_t width = 0, height = 0, colours = 0;
  uint16_t planes = 0, bits = 0;  // a cursor's hot spot
  uint32_t bytes = 0, offset = 0;
};

Entry ParseEntry(const uint8_t* Bytes) {
  formats::TByteReader r(Bytes, kEntrySize);
  Entry e;
  e.width = r.U8();
  e.height = r.U8();
  e.colours = r.U8();
  r.Skip(1);  // reserved
  e.planes = r.U16LE();
  e.bits = r.U16LE();
  e.bytes = r.U32LE();
  e.offset = r.U32LE();
  return e;
}

// What the steps of reading one image of an icon or cursor file share.
struct DirectoryRead {
  DirectoryRead(TStream* Stream, TIOParamsVals& Params, TIOProgressRec& Progress, bool Cursor)
      : stream(Stream), params(Params), progress(Progress), cursor(Cursor) {}

  TStream* stream;
  TIOParamsVals& params;
  TIOProgressRec& progress;
  bool cursor;  // the cursor's rules instead of the icon's
  int64_t start = 0, size = 0;
  Entry entry;
  uint8_t head[kInfoHeaderSize] = {};  // the image's bitmap header
  int32_t bits = 0, colours = 0, width = 0, height = 0;
  std::vector<TRGB> palette = std::vector<TRGB>(256, TRGB{0, 0, 0});
};

// The directory after its header: every entry's size and depth into the
// icon parameters, and the entry of the image asked for. False when there
// is nothing more to read (the load is aborted unless the index names no
// image).
bool ReadDirectory(DirectoryRead& C, const uint8_t* Header) {
  const int32_t count = LoadLE16(Header + 4);
  const int32_t index = C.cursor ? C.params.CurImageIndex : C.params.IcoImageIndex;
  // A directory of no image has no picture to show: a failure, not an empty
  // picture.
  if (count == 0) {
    C.progress.Refuse(IENoPictureDataText());
    return false;
  }
  if (index < 0 || index >= count) return false;
  std::vector<uint8_t> dir(static_cast<size_t>(count) * kEntrySize);
  if (!formats::ReadExact(C.stream, dir.data(), static_cast<int64_t>(dir.size()))) {
    C.progress.Abort();
    return false;
  }
  if (!C.cursor) {
    for (auto& s : C.params.IcoSizes) s = {0, 0};
    C.params.IcoBitCount.fill(0);
    for (int32_t i = 0; i < std::min(count, 16); ++i) {
      const Entry e = ParseEntry(dir.data() + i * kEntrySize);
      C.params.IcoSizes[static_cast<size_t>(i)] = {e.width, e.height};
      C.params.IcoBitCount[static_cast<size_t>(i)] = e.bits ? e.bits : e.colours ? CeilLog2Int(e.colours) : 24;
    }
  }
  C.entry = ParseEntry(dir.data() + static_cast<size_t>(index) * kEntrySize);
  return true;
}

// An image stored as PNG is a PNG file of its own, its alpha in the
// bitmap's own channel.
void ReadPNGImage(DirectoryRead& C, TIEBitmap* Bitmap, bool NoAlpha, std::unique_ptr<TIEMask>& AlphaMask,
                  bool ParamsOnly) {
  C.stream->SetPosition(C.start + C.entry.offset);
  ReadPNGStream(C.stream, Bitmap, C.params, C.progress, ParamsOnly);
  if (!NoAlpha) AlphaMask.reset();
  if (C.cursor) {
    C.params.CurXHotSpot = C.entry.planes;
    C.params.CurYHotSpot = C.entry.bits;
  }
}

// The bitmap header: resolution, depth, colours and size into the
// parameters. False when the depth is impossible (the load is aborted).
bool ReadInfoHeader(DirectoryRead& C) {
  const uint8_t* head = C.head;
  const Entry& entry = C.entry;
  TIOParamsVals& p = C.params;
  const int32_t header_width = static_cast<int32_t>(LoadLE32(head + 4));
  const int32_t header_height = static_cast<int32_t>(LoadLE32(head + 8));
  const int32_t ppm_x = static_cast<int32_t>(LoadLE32(head + 24)), ppm_y = static_cast<int32_t>(LoadLE32(head + 28));
  p.SetDpiX(ppm_x < 1 ? DefaultDpiX : static_cast<int32_t>(Round(ppm_x / 100.0 * 2.54)));
  p.SetDpiY(ppm_y < 1 ? DefaultDpiY : static_cast<int32_t>(Round(ppm_y / 100.0 * 2.54)));

  int32_t bits = LoadLE16(head + 14);
  if (bits == 0 && !C.cursor) bits = entry.bits;
  if (bits == 0) {
    if (entry.colours == 0) return false;
    bits = CeilLog2Int(entry.colours == 255 ? 256 : entry.colours);
  }
  if (bits > 32) return false;
  int32_t colours = 1 << std::min(bits, 24);
  if (C.cursor) {
    // The directory's count, but never more entries than the depth indexes.
    const int32_t counted = entry.colours == 255 ? 256 : entry.colours;
    if (counted) colours = std::min(counted, colours);
  }
  if (bits > 8) {
    p.BitsPerSample = 8;
    p.SamplesPerPixel = bits == 32 && !C.cursor ? 4 : 3;
  } else {
    p.BitsPerSample = bits;
    p.SamplesPerPixel = 1;
  }
  if (C.cursor) {
    p.SamplesPerPixel = 1;
    p.BitsPerSample = bits;
    p.CurXHotSpot = entry.planes;
    p.CurYHotSpot = entry.bits;
  }

  // The directory's size, unless an icon's header says otherwise within
  // reason (the header's height counts the colour and the mask bitmaps).
  int32_t w = entry.width ? entry.width : header_width;
  int32_t hgt = entry.height ? entry.height : header_height / 2;
  if (!C.cursor && entry.width && entry.width != header_width && header_width != 0 && header_width < 2048 &&
      header_height < 2048) {
    w = header_width;
    hgt = header_height / 2;
  }
  p.Width = w;
  p.Height = hgt;
  p.FreeColorMap();
  C.bits = bits;
  C.colours = colours;
  C.width = w;
  C.height = hgt;
  return true;
}

// The colour table of a depth of 8 or less, as far as the file holds it.
void ReadPalette(DirectoryRead& C) {
  if (C.bits > 8) return;
  std::vector<uint8_t> raw(static_cast<size_t>(C.colours) * 4);
  const int64_t n = ReadUpTo(C.stream, raw.data(), static_cast<int64_t>(raw.size())) / 4;
  for (int64_t i = 0; i < n; ++i) C.palette[static_cast<size_t>(i)] = TRGB{raw[i * 4], raw[i * 4 + 1], raw[i * 4 + 2]};
  C.params.ColorMap.assign(C.palette.begin(), C.palette.begin() + C.colours);
}

// The colour (XOR) bitmap and the transparency (AND) bitmap, rows bottom-up,
// into Bitmap and Alpha (null: no alpha wanted).
void DecodeImage(DirectoryRead& C, TIEPixelFormat Format, const std::vector<uint8_t>& XorBits,
                 const std::vector<uint8_t>& AndBits, TIEBitmap* Bitmap, TIEMask* Alpha) {
  const int32_t w = C.width, hgt = C.height, bits = C.bits;
  const int64_t row_len = AlignedRowLength(w, bits, 32);
  const int64_t mask_row_len = AlignedRowLength(w, 1, 32);
  const TRGB background = C.cursor ? C.params.CurBackground : C.params.IcoBackground;
  const bool white_background = SameRGB(background, TRGB{255, 255, 255});
  for (int32_t r = 0; r < hgt; ++r) {
    const int32_t y = hgt - 1 - r;
    const uint8_t* src = XorBits.data() + r * row_len;
    const uint8_t* andr = AndBits.empty() ? nullptr : AndBits.data() + r * mask_row_len;
    auto transparent = [&](int32_t x) { return andr && (andr[x >> 3] >> (7 - (x & 7)) & 1); };
    uint8_t* row = Bitmap->GetScanline(y);
    uint8_t* m = Alpha ? Alpha->GetScanline(y) : nullptr;
    if (Format == ieMono1) {
      std::memcpy(row, src, static_cast<size_t>((w + 7) / 8));
      for (int32_t x = 0; x < w; ++x)
        if (transparent(x)) {
          if (m) m[x] = 0;
          // On white, a transparent pixel of a two-colour icon shows white.
          if (white_background) row[x >> 3] ^= static_cast<uint8_t>(0x80 >> (x & 7));
        }
    } else {
      TRGB* px = reinterpret_cast<TRGB*>(row);
      const std::vector<TRGB>& palette = C.palette;
      for (int32_t x = 0; x < w; ++x) {
        switch (bits) {
          case 1: px[x] = palette[static_cast<size_t>(src[x >> 3] >> (7 - (x & 7)) & 1)]; break;
          case 4: px[x] = palette[static_cast<size_t>((x & 1) ? src[x >> 1] & 15 : src[x >> 1] >> 4)]; break;
          case 8: px[x] = palette[src[x]]; break;
          case 24: px[x] = TRGB{src[x * 3], src[x * 3 + 1], src[x * 3 + 2]}; break;
          default:
            px[x] = TRGB{src[x * 4], src[x * 4 + 1], src[x * 4 + 2]};
            if (m) m[x] = src[x * 4 + 3];
            break;
        }
        if (transparent(x)) {
          if (bits <= 8) px[x] = background;
          if (m) m[x] = 0;
        }
      }
    }
    Bitmap->UnmapRows();
  }
}

// Reads one image of an icon or cursor file; Cursor switches to the cursor's
// rules.
void ReadDirectoryImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, bool NoAlpha,
                        std::unique_ptr<TIEMask>& AlphaMask, TIOProgressRec& Progress,
                        bool ParamsOnly, bool Cursor) {
  DirectoryRead c(Stream, Params, Progress, Cursor);
  c.start = Stream->Position();
  c.size = Stream->Size();
  // An icon file may be a plain bitmap file instead.
  uint8_t h[kDirHeaderSize];
  if (ReadUpTo(Stream, h, kDirHeaderSize) < kDirHeaderSize) return Progress.Abort();
  if (!Cursor && h[0] == 'B' && h[1] == 'M') {
    Stream->SetPosition(c.start);
    ReadBMPStream(Stream, Bitmap, c.size - c.start, NoAlpha, AlphaMask, false, ParamsOnly, Progress, Params);
    return;
  }
  if (!ReadDirectory(c, h)) return;
  if (c.entry.offset >= c.size - c.start) return Progress.Abort();
  Stream->SetPosition(c.start + c.entry.offset);

  const int64_t got = ReadUpTo(Stream, c.head, kInfoHeaderSize);
  if (got >= 4 && std::memcmp(c.head, kPNGSignature, 4) == 0)
    return ReadPNGImage(c, Bitmap, NoAlpha, AlphaMask, ParamsOnly);
  if (got < kInfoHeaderSize || !ReadInfoHeader(c)) return Progress.Abort();
  ReadPalette(c);
  if (ParamsOnly) return;
  const int32_t w = c.width, hgt = c.height, bits = c.bits;
  const bool decoded = bits == 1 || bits == 4 || bits == 8 || (!Cursor && (bits == 24 || bits == 32));
  if (w <= 0 || hgt <= 0 || !decoded) return Progress.Abort();

  // The colour bits are stored whole (no coding): the file must hold them.
  const int64_t row_len = AlignedRowLength(w, bits, 32);
  const int64_t mask_row_len = AlignedRowLength(w, 1, 32);
  const int64_t available = c.size - Stream->Position();
  const TIEPixelFormat format = c.colours == 2 && bits == 1 ? ieMono1 : ieRGB24;
  if (!IEClaimPlausible(Progress, w, hgt, format, !NoAlpha, row_len * hgt <= available)) return;
  std::vector<uint8_t> xor_bits(static_cast<size_t>(row_len * hgt));
  if (!formats::ReadExact(Stream, xor_bits.data(), static_cast<int64_t>(xor_bits.size())))
    return Progress.Abort();
  // Every depth but 32 carries the AND bitmap after its colours; the
  // 24-bit one too, which keeps its transparency.
  std::vector<uint8_t> and_bits;
  if (bits != 32) {
    and_bits.resize(static_cast<size_t>(mask_row_len * hgt));
    ReadUpTo(Stream, and_bits.data(), static_cast<int64_t>(and_bits.size()));
  }

  Bitmap->Allocate(w, hgt, format);
  if (!NoAlpha) {
    if (!AlphaMask) AlphaMask = std::make_unique<TIEMask>();
    AlphaMask->AllocateBits(w, hgt, 8);
    AlphaMask->Fill(255);
    AlphaMask->Full = false;
  }
  DecodeImage(c, format, xor_bits, and_bits, Bitmap, AlphaMask.get());
  if (AlphaMask && !NoAlpha) {
    AlphaMask->SyncFull();
    AlphaMask->SyncBoundingBox();
    if (AlphaMask->Full && !Cursor) AlphaMask.reset();
  }
}

}  // namespace

bool IsICOStream(TStream* Stream) { return IsDirectory(Stream, kIconType); }
bool IsCURStream(TStream* Stream) { return IsDirectory(Stream, kCursorType); }

int32_t CountICOImages(TStream* Stream) {
  const int64_t pos = Stream->Position();
  uint8_t h[kDirHeaderSize] = {};
  ReadUpTo(Stream, h, kDirHeaderSize);
  Stream->SetPosition(pos);
  return LoadLE16(h + 4);
}

void ReadICOStream(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, bool NoAlpha,
                   std::unique_ptr<TIEMask>& AlphaMask, TIOProgressRec& Progress, bool ParamsOnly) {
  ReadDirectoryImage(Stream, Bitmap, Params, NoAlpha, AlphaMask, Progress, ParamsOnly, false);
}

void ReadCURStream(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, bool NoAlpha,
                   std::unique_ptr<TIEMask>& AlphaMask, TIOProgressRec& Progress, bool ParamsOnly) {
  ReadDirectoryImage(Stream, Bitmap, Params, NoAlpha, AlphaMask, Progress, ParamsOnly, true);
}

namespace {

// The depth an image of the icon file is written at: its own bit count,
// or with 0 the one the samples and bits of the parameters name.
int32_t IconImageBits(int32_t BitCount, const TIOParamsVals& Params) {
  switch (BitCount) {
    case 1: return 1;
    case 4: return 4;
    case 8: return 8;
    case 32: return 32;
    case 0: {
      const int32_t spp = Params.SamplesPerPixel, bps = Params.BitsPerSample;
      return spp == 3 && bps == 8 ? 24 : spp == 4 && bps == 8 ? 32 : spp == 1 && bps == 1 ? 1
             : spp == 1 && bps == 4 ? 4 : 8;
    }
    default: return 24;
  }
}

// The 40-byte bitmap header; its height counts the colour and the mask
// bitmaps.
void WriteInfoHeader(TFormatWriter& Out, int32_t W, int32_t H, int32_t Bits, const TIOParamsVals& Params) {
  const int64_t row_len = AlignedRowLength(W, Bits, 32);
  const int64_t mask_row_len = AlignedRowLength(W, 1, 32);
  uint8_t info[kInfoHeaderSize] = {};
  StoreLE32(info, kInfoHeaderSize);
  StoreLE32(info + 4, static_cast<uint32_t>(W));
  StoreLE32(info + 8, static_cast<uint32_t>(2 * H));
  StoreLE16(info + 12, 1);
  StoreLE16(info + 14, static_cast<uint16_t>(Bits));
  StoreLE32(info + 24, static_cast<uint32_t>(Round(Params.DpiX() / 2.54 * 100)));
  StoreLE32(info + 28, static_cast<uint32_t>(Round(Params.DpiY() / 2.54 * 100)));
  if (Bits <= 8) StoreLE32(info + 20, static_cast<uint32_t>(H * row_len + mask_row_len * H));
  Out.Put(info, kInfoHeaderSize);
}

// A two-colour image: black and white, its rows bottom-up.
void WriteMonoBits(TFormatWriter& Out, TIEBitmap* Image, int32_t W, int32_t H) {
  const int64_t row_len = AlignedRowLength(W, 1, 32);
  std::vector<uint8_t> row(static_cast<size_t>(row_len));
  const uint8_t pal[8] = {0, 0, 0, 0, 255, 255, 255, 0};
  Out.Put(pal, 8);
  std::unique_ptr<TIEBitmap> mono;
  TIEBitmap* src = Image;
  if (Image->PixelFormat() != ieMono1) {
    mono = std::make_unique<TIEBitmap>();
    mono->Assign(Image);
    mono->ConvertFormat(ieMono1);
    src = mono.get();
  }
  for (int32_t y = H - 1; y >= 0; --y) {
    std::fill(row.begin(), row.end(), uint8_t{0});
    std::memcpy(row.data(), src->GetScanline(y), static_cast<size_t>((W + 7) / 8));
    src->UnmapRows();
    Out.Put(row.data(), row_len);
  }
}

// A 4- or 8-bit image. Entry 0 is black and stands for transparency; the
// quantized colours follow.
void WritePaletteBits(TFormatWriter& Out, TIEBitmap* Image, int32_t W, int32_t H, int32_t Bits,
                      TIOParamsVals& Params) {
  const int64_t row_len = AlignedRowLength(W, Bits, 32);
  std::vector<uint8_t> row(static_cast<size_t>(row_len));
  const bool alpha = Image->HasAlphaChannel();
  const int32_t entries = Bits == 8 ? 256 : 16;
  std::vector<TRGB> q(static_cast<size_t>(entries), TRGB{0, 0, 0});
  std::unique_ptr<TIEBitmap> rgb;
  TIEBitmap* src = Image;
  if (Image->PixelFormat() != ieRGB24) {
    rgb = std::make_unique<TIEBitmap>();
    rgb->Assign(Image);
    rgb->ConvertFormat(ieRGB24);
    src = rgb.get();
  }
  TIEQuantizer quantizer(src, entries - 1, q.data(), -1);
  std::vector<uint8_t> pal(static_cast<size_t>(entries) * 4, 0);
  for (int32_t k = 1; k < entries; ++k) {
    pal[static_cast<size_t>(k) * 4] = q[static_cast<size_t>(k - 1)].b;
    pal[static_cast<size_t>(k) * 4 + 1] = q[static_cast<size_t>(k - 1)].g;
    pal[static_cast<size_t>(k) * 4 + 2] = q[static_cast<size_t>(k - 1)].r;
  }
  Params.ColorMap.assign(static_cast<size_t>(entries), TRGB{0, 0, 0});
  std::copy(q.begin(), q.end() - 1, Params.ColorMap.begin() + 1);
  Out.Put(pal.data(), static_cast<int64_t>(pal.size()));
  for (int32_t y = H - 1; y >= 0; --y) {
    std::fill(row.begin(), row.end(), uint8_t{0});
    std::vector<uint8_t> a(static_cast<size_t>(W), 255);
    if (alpha) {
      std::memcpy(a.data(), Image->GetAlphaChannel()->GetScanline(y), static_cast<size_t>(W));
      Image->GetAlphaChannel()->UnmapRows();
    }
    const TRGB* px = reinterpret_cast<const TRGB*>(src->GetScanline(y));
    for (int32_t x = 0; x < W; ++x) {
      const auto idx = static_cast<uint8_t>(a[static_cast<size_t>(x)] < 255 ? 0 : quantizer.RGBToIndex(px[x]) + 1);
      if (Bits == 8)
        row[static_cast<size_t>(x)] = idx;
      else
        row[static_cast<size_t>(x / 2)] |= static_cast<uint8_t>(x % 2 ? idx : idx << 4);
    }
    src->UnmapRows();
    Out.Put(row.data(), row_len);
  }
}

// A 24- or 32-bit image; 32 bits carry the alpha (opaque without one).
void WriteTrueColourBits(TFormatWriter& Out, TIEBitmap* Image, int32_t W, int32_t H, int32_t Bits) {
  const int64_t row_len = AlignedRowLength(W, Bits, 32);
  std::vector<uint8_t> row(static_cast<size_t>(row_len));
  const bool alpha = Image->HasAlphaChannel();
  for (int32_t y = H - 1; y >= 0; --y) {
    std::fill(row.begin(), row.end(), uint8_t{0});
    const uint8_t* src = Image->GetScanline(y);
    for (int32_t x = 0; x < W; ++x) {
      const TRGB c = Image->PixelRGBInRow(src, x);
      uint8_t* p = row.data() + static_cast<size_t>(x) * (Bits / 8);
      p[0] = c.b;
      p[1] = c.g;
      p[2] = c.r;
    }
    Image->UnmapRows();
    if (Bits == 32) {
      for (int32_t x = 0; x < W; ++x) row[static_cast<size_t>(x) * 4 + 3] = alpha ? Image->GetAlpha(x, y) : 255;
    }
    Out.Put(row.data(), row_len);
  }
}

// The AND bitmap: a set bit for every pixel not fully opaque. A 24-bit
// image writes it empty (it has no alpha to show).
void WriteAndMask(TFormatWriter& Out, TIEBitmap* Image, int32_t W, int32_t H, int32_t Bits) {
  const int64_t mask_row_len = AlignedRowLength(W, 1, 32);
  const bool alpha = Image->HasAlphaChannel();
  std::vector<uint8_t> mask(static_cast<size_t>(mask_row_len));
  for (int32_t y = H - 1; y >= 0; --y) {
    std::fill(mask.begin(), mask.end(), uint8_t{0});
    if (alpha && Bits != 24)
      for (int32_t x = 0; x < W; ++x)
        if (Image->GetAlpha(x, y) < 255) mask[static_cast<size_t>(x >> 3)] |= static_cast<uint8_t>(0x80 >> (x & 7));
    Out.Put(mask.data(), mask_row_len);
  }
}

// A directory entry: size, colours or planes and depth, bytes and offset.
void FillEntry(uint8_t* E, int32_t W, int32_t H, int32_t Bits, int64_t Bytes, int64_t Offset) {
  E[0] = static_cast<uint8_t>(W);
  E[1] = static_cast<uint8_t>(H);
  if (Bits > 8) {
    StoreLE16(E + 4, 1);
    StoreLE16(E + 6, static_cast<uint16_t>(Bits));
  } else {
    E[2] = static_cast<uint8_t>(std::min(1 << Bits, 255));
  }
  StoreLE32(E + 8, static_cast<uint32_t>(Bytes));
  StoreLE32(E + 12, static_cast<uint32_t>(Offset));
}

}  // namespace

void WriteICOStream(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, int32_t LastIndex,
                    const std::array<int32_t, 16>& BitCounts,
                    const std::array<std::array<int32_t, 2>, 16>& Sizes, TIOProgressRec& Progress) {
  const int32_t n = std::clamp(LastIndex + 1, 0, 16);
  const int64_t start = Stream->Position();
  TFormatWriter out(Stream, Progress);
  // The header, and room for the directory, which is written last when the
  // images' places are known.
  uint8_t h[kDirHeaderSize] = {0, 0, kIconType, 0};
  StoreLE16(h + 4, static_cast<uint16_t>(n));
  out.Put(h, kDirHeaderSize);
  std::vector<uint8_t> dir(static_cast<size_t>(n) * kEntrySize);
  out.Put(dir.data(), static_cast<int64_t>(dir.size()));
  Params.FreeColorMap();
  if (Bitmap->PixelFormat() != ieRGB24) {
    Params.BitsPerSample = 1;
    Params.SamplesPerPixel = 1;
  }
  Progress.Per1 = n ? 100.0 / n : 0;
  TImagoProc proc(nullptr);
  for (int32_t i = 0; i < n; ++i) {
    Progress.Report(i);
    if (Progress.IsAborting()) break;
    // Each image is the picture resampled to its entry's size.
    const int32_t w = std::clamp(Sizes[static_cast<size_t>(i)][0], 1, 256);
    const int32_t hgt = std::clamp(Sizes[static_cast<size_t>(i)][1], 1, 256);
    TIEBitmap* copy = proc.IEBitmap();
    copy->Assign(Bitmap);
    proc.Resample(w, hgt, copy->PixelFormat() == ieMono1 ? rfNone : rfFastLinear);
    const int64_t offset = Stream->Position() - start;
    const int32_t bits = IconImageBits(BitCounts[static_cast<size_t>(i)], Params);
    WriteInfoHeader(out, w, hgt, bits, Params);
    if (bits == 1)
      WriteMonoBits(out, copy, w, hgt);
    else if (bits == 4 || bits == 8)
      WritePaletteBits(out, copy, w, hgt, bits, Params);
    else
      WriteTrueColourBits(out, copy, w, hgt, bits);
    WriteAndMask(out, copy, w, hgt, bits);
    FillEntry(dir.data() + static_cast<size_t>(i) * kEntrySize, w, hgt, bits, Stream->Position() - start - offset,
              offset);
  }
  const int64_t end = Stream->Position();
  Stream->SetPosition(start + kDirHeaderSize);
  out.Put(dir.data(), static_cast<int64_t>(dir.size()));
  Stream->SetPosition(end);
}

TIEFormatHandler ICOFormatHandler() {
  TIEFormatHandler h;
  h.TypeId = ieftICO;
  h.Read = [](TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, bool ParamsOnly,
              TIOProgressRec& Progress, std::unique_ptr<TIEMask>& AlphaMask) {
    ReadICOStream(Stream, Bitmap, Params, ParamsOnly, AlphaMask, Progress, ParamsOnly);
  };
  h.Write = [](TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIOProgressRec& Progress) {
    int32_t n = 0;
    while (n < 16 && Params.IcoSizes[static_cast<size_t>(n)][0] > 0) ++n;
    WriteICOStream(Stream, Bitmap, Params, n - 1, Params.IcoBitCount, Params.IcoSizes, Progress);
  };
  h.Test = IsICOStream;
  h.DetectOrder = 100;
  h.AbortBeforeOpen = true;
  h.TellsViewDpi = 1;
  h.SaveFormats = PixelFormatBit(ieRGB24) | PixelFormatBit(ieMono1);
  h.CountImages = [](const std::string& FileName) {
    try {
      TFileStream f(FileName, fmOpenRead | fmShareDenyWrite);
      return CountICOImages(&f);
    } catch (const std::exception&) {
      return 0;
    }
  };
  return h;
}

TIEFormatHandler CURFormatHandler() {
  TIEFormatHandler h;
  h.TypeId = ieftCUR;
  h.Read = [](TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, bool ParamsOnly,
              TIOProgressRec& Progress, std::unique_ptr<TIEMask>& AlphaMask) {
    ReadCURStream(Stream, Bitmap, Params, ParamsOnly, AlphaMask, Progress, ParamsOnly);
  };
  h.Test = IsCURStream;
  h.DetectOrder = 110;
  h.AbortBeforeOpen = true;
  h.TellsViewDpi = 1;
  return h;
}
