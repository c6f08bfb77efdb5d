#include "imaging/io/formats/BMP.h"

#include <algorithm>
#include <cstring>

#include "imaging/io/formats/ByteReader.h"
#include "imaging/io/formats/FormatFields.h"
#include "imaging/io/IEReadLimits.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/model/IEBitRoutines.h"
#include "imaging/model/IEStreams.h"
#include "imaging/model/PixelHelpers.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/model/TIEMask.h"
#include "imaging/model/TIEQuantizer.h"
#include "rtl/ByteOrder.h"
#include "rtl/Exception.h"
#include "rtl/Numeric.h"
#include "rtl/SaturatedProduct.h"
#include "rtl/TStream.h"

namespace {

using formats::ReadUpTo;
using formats::TByteReader;

// Compression field of the information header (Windows bitmap format).
struct Compression {
  enum : uint32_t { RGB = 0, RLE8 = 1, RLE4 = 2, BITFIELDS = 3 };
};

constexpr uint16_t kBMType = 0x4D42;  // "BM"
constexpr int64_t kFileHeaderSize = 14;
// Header sizes: OS/2 1.x, Windows 3, OS/2 2.x; the longer Windows headers
// hold the bit-field masks themselves.
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kOS2v2HeaderSize = 64;
constexpr uint32_t kMaskHeaderSize = 52;        // red, green, blue masks inside
constexpr uint32_t kAlphaMaskHeaderSize = 56;   // and an alpha mask
// Largest header read whole; the rest of a longer one is skipped.
constexpr uint32_t kMaxHeaderRead = 124;

// An image is allocated only when the data could describe it. Plain rows
// are stored whole; run-length codes cover at most 255 pixels in two bytes,
// and a picture needs at least half of its pixels coded to be one (the rest
// may be skipped by moves and line ends).
constexpr int64_t kMaxRunPixelsPerTwoBytes = 255;

// One channel of a bit-field pixel: the contiguous run of mask bits from its
// lowest set bit, scaled to a byte. Wider channels keep their top 8 bits,
// narrower ones are shifted up (5 bits of 31 give 248).
struct BitField {
  uint32_t mask = 0;
  int32_t shift = 0;
  int32_t width = 0;

  BitField() = default;
  explicit BitField(uint32_t m) {
    if (m == 0) return;
    while (!(m >> shift & 1)) ++shift;
    width = MaskBitWidth(m);
    mask = width >= 32 ? 0xFFFFFFFFu : ((uint32_t{1} << width) - 1) << shift;
  }
  uint8_t Get(uint32_t v) const {
    if (width == 0) return 0;
    const uint32_t x = (v & mask) >> shift;
    return static_cast<uint8_t>(width >= 8 ? x >> (width - 8) : x << (8 - width));
  }
};

struct ReadContext {
  ReadContext(TStream* s, TIEBitmap* b, TIOParamsVals* p, TIOProgressRec* r)
      : stream(s), bitmap(b), params(p), progress(r) {}
  TStream* stream;
  TIEBitmap* bitmap;
  TIOParamsVals* params;
  TIOProgressRec* progress;
  int64_t start = 0;        // where the file starts in the stream
  int64_t stream_size = 0;
  int32_t width = 0, height = 0;
  int32_t bits = 0;
  uint32_t compression = 0;
  bool top_down = false;
  bool native = false;  // palette images stay iePalette8
  BitField red, green, blue, alpha;
  bool has_alpha_field = false;

  int32_t ImageRow(int64_t file_row) const {
    return static_cast<int32_t>(top_down ? file_row : height - 1 - file_row);
  }
  // Marks the read failed; false, for the step that gives up to return.
  bool Fail() const {
    progress->Abort();
    return false;
  }
  bool Stopped() const { return progress->IsAborting(); }
  // Before file row r of the direct decoders.
  bool BeginRow(int64_t r) const {
    progress->Report(r);
    return !Stopped();
  }
};

// Writes palette indexes into image row y; indexes outside the palette keep
// the pixel as allocated.
void PutIndexes(ReadContext& c, int32_t y, const int16_t* idx) {
  uint8_t* row = c.bitmap->GetScanline(y);
  const std::vector<TRGB>& map = c.params->ColorMap;
  const int32_t n = static_cast<int32_t>(map.size());
  if (c.native) {
    for (int32_t x = 0; x < c.width; ++x)
      if (idx[x] >= 0) row[x] = static_cast<uint8_t>(idx[x]);
  } else {
    TRGB* px = reinterpret_cast<TRGB*>(row);
    for (int32_t x = 0; x < c.width; ++x)
      if (idx[x] >= 0 && idx[x] < n) px[x] = map[idx[x]];
  }
}

void DecodePaletteRows(ReadContext& c) {
  const int64_t row_len = AlignedRowLength(c.width, c.bits, 32);
  std::vector<uint8_t> buf(static_cast<size_t>(row_len));
  std::vector<int16_t> idx(static_cast<size_t>(c.width));
  for (int64_t r = 0; r < c.height; ++r) {
    if (!c.BeginRow(r)) return;
    const int64_t got = ReadUpTo(c.stream, buf.data(), row_len);
    if (got < row_len) {
      c.Fail();  // truncated: the rows read so far stay
      return;
    }
    if (c.bits == 8) {
      for (int32_t x = 0; x < c.width; ++x) idx[x] = buf[x];
    } else {
      for (int32_t x = 0; x < c.width; ++x)
        idx[x] = (x & 1) ? buf[x >> 1] & 0x0F : buf[x >> 1] >> 4;
    }
    PutIndexes(c, c.ImageRow(r), idx.data());
  }
}

// Run-length data of both kinds; x and the file row only move forward, so a
// row buffer collects each row's pixels and is written once.
void DecodeRLE(ReadContext& c, const uint8_t* d, int64_t n) {
  const bool four = c.bits == 4;
  std::vector<int16_t> idx(static_cast<size_t>(c.width), -1);
  bool touched = false;
  int64_t x = 0, r = 0, i = 0;
  auto put = [&](int32_t v) {
    if (x < c.width) {
      idx[static_cast<size_t>(x)] = static_cast<int16_t>(v);
      touched = true;
    }
    ++x;
  };
  auto flush = [&]() {
    if (touched && r < c.height) PutIndexes(c, c.ImageRow(r), idx.data());
    std::fill(idx.begin(), idx.end(), int16_t{-1});
    touched = false;
  };
  while (r < c.height) {
    if (i + 2 > n) {
      flush();
      c.Fail();  // the data ended before the bitmap did
      return;
    }
    const uint8_t count = d[i], value = d[i + 1];
    i += 2;
    if (count > 0) {
      // An encoded run; pixels past the width are dropped, and so is the
      // rest of a run that already left the row.
      const int64_t keep = std::min<int64_t>(count, std::max<int64_t>(c.width - x, 0));
      for (int64_t k = 0; k < keep; ++k)
        put(four ? ((k & 1) ? value & 0x0F : value >> 4) : value);
      x += count - keep;
      continue;
    }
    switch (value) {
      case 0:  // end of line
        flush();
        ++r;
        x = 0;
        c.progress->Report(r);
        if (c.Stopped()) return;
        break;
      case 1:  // end of bitmap
        flush();
        return;
      case 2: {  // delta
        if (i + 2 > n) {
          flush();
          c.Fail();
          return;
        }
        const uint8_t dx = d[i], dy = d[i + 1];
        i += 2;
        if (dy > 0) {
          flush();
          r += dy;  // a move past the last row ends the bitmap
        }
        x += dx;
        break;
      }
      default: {  // absolute run of `value` pixels
        const int64_t bytes = four ? (value + 1) / 2 : value;
        if (i + bytes > n) {
          flush();
          c.Fail();
          return;
        }
        for (int64_t k = 0; k < value; ++k)
          put(four ? ((k & 1) ? d[i + k / 2] & 0x0F : d[i + k / 2] >> 4) : d[i + k]);
        i += bytes + (bytes & 1);
        break;
      }
    }
  }
}

void DecodeBitFieldRows(ReadContext& c, TIEMask* mask, bool& any_alpha, bool& not_full) {
  const int64_t row_len = AlignedRowLength(c.width, c.bits, 32);
  std::vector<uint8_t> buf(static_cast<size_t>(row_len));
  // Masks that are plain bytes blue, green, red (and alpha) are copied.
  const bool plain32 = c.bits == 32 && c.red.mask == 0xFF0000 && c.green.mask == 0xFF00 &&
                       c.blue.mask == 0xFF;
  for (int64_t r = 0; r < c.height; ++r) {
    if (!c.BeginRow(r)) return;
    if (ReadUpTo(c.stream, buf.data(), row_len) < row_len) {
      c.Fail();
      return;
    }
    const int32_t y = c.ImageRow(r);
    TRGB* px = reinterpret_cast<TRGB*>(c.bitmap->GetScanline(y));
    uint8_t* arow = mask ? mask->GetScanline(y) : nullptr;
    const uint8_t* s = buf.data();
    if (c.bits == 16) {
      for (int32_t x = 0; x < c.width; ++x, s += 2) {
        const uint32_t v = LoadLE16(s);
        px[x] = TRGB{c.blue.Get(v), c.green.Get(v), c.red.Get(v)};
      }
      continue;
    }
    for (int32_t x = 0; x < c.width; ++x, s += 4) {
      uint8_t a;
      if (plain32) {
        px[x] = TRGB{s[0], s[1], s[2]};
        a = s[3];
      } else {
        const uint32_t v = LoadLE32(s);
        px[x] = TRGB{c.blue.Get(v), c.green.Get(v), c.red.Get(v)};
        a = c.has_alpha_field ? c.alpha.Get(v) : s[3];
      }
      if (arow) {
        arow[x] = a;
        any_alpha |= a != 0;
        not_full |= a != 255;
      }
    }
  }
}

// The file header, unless the caller has read it: the length of the file
// (which stands for DataSize when the caller gave none) and where its
// pixels start.
bool ReadFileHeader(ReadContext& c, bool NoFileHeader, int64_t& DataSize, uint32_t& pixel_offset) {
  uint16_t type;
  uint32_t file_size;
  if (NoFileHeader) {
    type = kBMType;
    file_size = static_cast<uint32_t>(std::min<int64_t>(c.stream_size, UINT32_MAX));
    pixel_offset = 0;
  } else {
    TByteReader fh = TByteReader::FromStream(c.stream, kFileHeaderSize);
    type = fh.U16LE();
    file_size = fh.U32LE();
    fh.Skip(4);  // two reserved words
    pixel_offset = fh.U32LE();
    if (fh.Failed()) return c.Fail();
  }
  if (file_size != 0 && DataSize < 1) DataSize = file_size;
  if (type != kBMType) return c.Fail();
  return true;
}

// The OS/2 1.x header (its rest after the size field) and its palette of
// three-byte entries.
bool ReadCoreHeader(ReadContext& c) {
  TIOParamsVals& Params = *c.params;
  TByteReader h = TByteReader::FromStream(c.stream, 8);
  c.width = h.U16LE();
  c.height = h.U16LE();
  h.Skip(2);  // planes
  c.bits = h.U16LE();
  if (h.Failed()) return c.Fail();
  Params.BmpVersion = 2;
  c.compression = Compression::RGB;
  Params.SetDpiX(DefaultDpiX);
  Params.SetDpiY(DefaultDpiY);
  if (c.bits <= 8) {
    const int32_t n = 1 << c.bits;
    TByteReader pal = TByteReader::FromStream(c.stream, int64_t{n} * 3);
    if (pal.Size() < static_cast<size_t>(n) * 3) return c.Fail();
    Params.ColorMap.resize(static_cast<size_t>(n));
    for (TRGB& e : Params.ColorMap) {
      e.b = pal.U8();
      e.g = pal.U8();
      e.r = pal.U8();
    }
  }
  return true;
}

// A Windows or OS/2 2.x header of header_size bytes (its rest after the size
// field), the bit-field masks and the palette of four-byte entries.
bool ReadWindowsHeader(ReadContext& c, uint32_t header_size, uint32_t& image_size,
                       uint32_t masks[4]) {
  TIOParamsVals& Params = *c.params;
  // Shorter than width, height, planes and bits: no bitmap header at all.
  if (header_size < 16) return c.Fail();
  const uint32_t take = std::min(header_size, kMaxHeaderRead);
  // The fields are read from the header laid over zeros of the largest
  // size we look at: the shorter headers of older writers end before the
  // later fields, which then read as zero (a field cut by the end as its
  // bytes that are there).
  uint8_t padded[kMaxHeaderRead] = {};
  TByteReader got = TByteReader::FromStream(c.stream, take - 4);
  if (!got.Bytes(padded + 4, take - 4)) return c.Fail();
  TByteReader h(padded, sizeof padded);
  h.Skip(4);  // the size field, read already
  if (header_size > take) {
    if (c.stream->Position() + (header_size - take) > c.stream_size) return c.Fail();
    c.stream->Seek(header_size - take, soCurrent);
  }
  Params.BmpVersion = header_size == kInfoHeaderSize ? 1 : header_size == kOS2v2HeaderSize ? 3 : 0;
  const int32_t w = static_cast<int32_t>(h.U32LE());
  int32_t ht = static_cast<int32_t>(h.U32LE());
  h.Skip(2);  // planes
  if (w < 0 || ht == INT32_MIN) return c.Fail();
  if (ht < 0) {
    ht = -ht;
    c.top_down = true;
  }
  c.width = w;
  c.height = ht;
  c.bits = h.U16LE();
  c.compression = h.U32LE();
  image_size = h.U32LE();
  const int32_t ppm_x = static_cast<int32_t>(h.U32LE());
  const int32_t ppm_y = static_cast<int32_t>(h.U32LE());
  const int32_t dpi_x = static_cast<int32_t>(Round(ppm_x / 100.0 * 2.54));
  const int32_t dpi_y = static_cast<int32_t>(Round(ppm_y / 100.0 * 2.54));
  Params.SetDpiX(dpi_x == 0 ? DefaultDpiX : dpi_x);
  Params.SetDpiY(dpi_y == 0 ? DefaultDpiY : dpi_y);
  uint32_t colors = h.U32LE();
  h.Skip(4);  // the count of important colours
  if (colors >= 257) colors = 0;
  if (colors == 0 && c.bits <= 8) colors = 1u << c.bits;
  if (c.compression == Compression::BITFIELDS) {
    // Windows headers from 52 bytes on carry the masks; after a shorter
    // header (and the OS/2 one) they follow it, before the palette.
    if (header_size >= kMaskHeaderSize && header_size != kOS2v2HeaderSize) {
      masks[0] = h.U32LE();
      masks[1] = h.U32LE();
      masks[2] = h.U32LE();
      if (header_size >= kAlphaMaskHeaderSize) masks[3] = h.U32LE();
    } else {
      TByteReader m = TByteReader::FromStream(c.stream, 12);
      masks[0] = m.U32LE();
      masks[1] = m.U32LE();
      masks[2] = m.U32LE();
      if (m.Failed()) return c.Fail();
    }
  }
  if (colors != 0) {
    TByteReader pal = TByteReader::FromStream(c.stream, int64_t{colors} * 4);
    if (pal.Size() < size_t{colors} * 4) return c.Fail();
    Params.ColorMap.resize(colors);
    for (TRGB& e : Params.ColorMap) {
      e.b = pal.U8();
      e.g = pal.U8();
      e.r = pal.U8();
      pal.Skip(1);  // reserved
    }
  }
  return true;
}

// The information header, told apart by its size, with what follows it up
// to the pixels: masks and palette.
bool ReadInfoHeader(ReadContext& c, uint32_t& image_size, uint32_t masks[4]) {
  TByteReader size = TByteReader::FromStream(c.stream, 4);
  const uint32_t header_size = size.U32LE();
  if (size.Failed()) return c.Fail();
  c.params->FreeColorMap();
  if (header_size == kCoreHeaderSize) return ReadCoreHeader(c);
  return ReadWindowsHeader(c, header_size, image_size, masks);
}

// Moves to the pixels; available is what the stream holds from there, and
// rle_size the length of the run-length data.
bool LocatePixels(ReadContext& c, uint32_t pixel_offset, int64_t DataSize, uint32_t image_size,
                  int64_t& available, int64_t& rle_size) {
  if (pixel_offset != 0) {
    if (c.start + pixel_offset > c.stream_size) return c.Fail();
    c.stream->SetPosition(c.start + pixel_offset);
  }
  const int64_t data_start = c.stream->Position();
  available = c.stream_size - data_start;
  rle_size = DataSize >= 1 ? c.start + DataSize - data_start : image_size;
  // A header that claims more than the stream holds gets what there is.
  if (rle_size <= 0 || rle_size > available) rle_size = available;
  return true;
}

// The size and depth the parameters report; false for a depth or a
// compression that no decoder reads, and for an empty bitmap.
bool DescribeImage(ReadContext& c) {
  TIOParamsVals& Params = *c.params;
  Params.Width = c.width;
  Params.Height = c.height;
  switch (c.bits) {
    case 32: Params.BitsPerSample = 8; Params.SamplesPerPixel = 4; break;
    case 24: Params.BitsPerSample = 8; Params.SamplesPerPixel = 3; break;
    case 16: Params.BitsPerSample = 5; Params.SamplesPerPixel = 3; break;
    case 8: Params.BitsPerSample = 8; Params.SamplesPerPixel = 1; break;
    case 4: Params.BitsPerSample = 4; Params.SamplesPerPixel = 1; break;
    case 1: Params.BitsPerSample = 1; Params.SamplesPerPixel = 1; break;
    default: return c.Fail();  // a depth that no decoder reads
  }
  // Each depth with the compressions it can have.
  const bool supported =
      c.compression == Compression::RGB ||
      (c.compression == Compression::RLE8 && c.bits == 8) ||
      (c.compression == Compression::RLE4 && c.bits == 4) ||
      (c.compression == Compression::BITFIELDS && (c.bits == 16 || c.bits == 32));
  if (!supported) return c.Fail();
  // An empty bitmap is no image.
  if (c.width == 0 || c.height == 0) return c.Fail();
  return true;
}

// Allocates the image once the data could describe it, with the palette of
// an image kept as palette indexes.
bool AllocateImage(ReadContext& c, bool NoAlpha, int64_t rle_size, int64_t available) {
  TIOParamsVals& Params = *c.params;
  TIEBitmap* Bitmap = c.bitmap;
  c.native = Params.IsNativePixelFormat && (c.bits == 4 || c.bits == 8);
  const TIEPixelFormat format = c.bits == 1 ? ieMono1 : c.native ? iePalette8 : ieRGB24;
  const bool rle = c.compression == Compression::RLE8 || c.compression == Compression::RLE4;
  // The last row of a file may lack its padding.
  const bool data_holds =
      rle ? int64_t{c.width} * c.height / 2 <= kMaxRunPixelsPerTwoBytes * (rle_size / 2)
          : SaturatedProduct({AlignedRowLength(c.width, c.bits, 32), int64_t{c.height} - 1}) <=
                available - (int64_t{c.width} * c.bits + 7) / 8;
  if (!IEClaimPlausible(*c.progress, c.width, c.height, format, c.bits == 32 && !NoAlpha, data_holds)) return false;
  try {
    Bitmap->Allocate(c.width, c.height, format);
  } catch (const EOutOfMemory&) {
    return c.Fail();
  }
  if (Bitmap->Width() != c.width || Bitmap->Height() != c.height) return c.Fail();
  c.progress->Per1 = 100.0 / c.height;

  if (c.native) {
    const int32_t n = std::min<int32_t>(Params.ColorMapCount(), 256);
    for (int32_t i = 0; i < n; ++i) Bitmap->SetPaletteEntry(i, Params.ColorMap[i]);
  }
  return true;
}

// 24- and 1-bit rows have the image's own layout: they are read straight
// into its rows.
void DecodeDirectRows(ReadContext& c) {
  TIOParamsVals& Params = *c.params;
  const int64_t row_len = AlignedRowLength(c.width, c.bits, 32);
  for (int64_t r = 0; r < c.height; ++r) {
    if (!c.BeginRow(r)) break;
    if (ReadUpTo(c.stream, c.bitmap->GetScanline(c.ImageRow(r)), row_len) < row_len) {
      c.Fail();
      break;
    }
  }
  if (c.bits == 1 && Params.ColorMapCount() == 2 && Params.ColorMap[0] == TRGB{255, 255, 255} &&
      Params.ColorMap[1] == TRGB{0, 0, 0}) {
    c.bitmap->UnmapRows();
    InvertBitmap(c.bitmap);  // a set bit means white
  }
}

// 4- and 8-bit palette indexes, plain or run-length coded.
void DecodeIndexedPixels(ReadContext& c, int64_t rle_size) {
  if (c.compression == Compression::RGB) {
    DecodePaletteRows(c);
  } else {
    std::vector<uint8_t> data(static_cast<size_t>(rle_size));
    const int64_t got = ReadUpTo(c.stream, data.data(), rle_size);
    DecodeRLE(c, data.data(), got);
  }
}

// 16- and 32-bit pixels through their bit fields: the default ones or the
// masks of the header. The alpha of 32-bit pixels goes to AlphaMask, unless
// NoAlpha or unless it holds nothing usable.
void DecodeBitFieldPixels(ReadContext& c, const uint32_t masks[4], bool NoAlpha,
                          std::unique_ptr<TIEMask>& AlphaMask) {
  uint32_t rm = 0x7C00, gm = 0x03E0, bm = 0x001F;
  if (c.bits == 32) {
    rm = 0xFF0000;
    gm = 0xFF00;
    bm = 0xFF;
  }
  if (c.compression == Compression::BITFIELDS) {
    rm = masks[0];
    gm = masks[1];
    bm = masks[2];
    // Alpha is the named mask, else the top byte that no colour uses.
    if (masks[3] != 0) {
      c.alpha = BitField(masks[3]);
      c.has_alpha_field = true;
    } else if (((rm | gm | bm) & 0xFF000000u) == 0) {
      c.alpha = BitField(0xFF000000u);
      c.has_alpha_field = true;
    }
  }
  c.red = BitField(rm);
  c.green = BitField(gm);
  c.blue = BitField(bm);
  TIEMask* mask = nullptr;
  if (c.bits == 32 && !NoAlpha) {
    if (!AlphaMask) AlphaMask = std::make_unique<TIEMask>();
    AlphaMask->AllocateBits(c.width, c.height, 8);
    AlphaMask->Fill(255);
    mask = AlphaMask.get();
  }
  bool any_alpha = false, not_full = false;
  DecodeBitFieldRows(c, mask, any_alpha, not_full);
  // All 0 or all 255: the file carries no usable alpha.
  if (mask && (!any_alpha || !not_full)) AlphaMask.reset();
}

// Lends the read a flag of its own when the caller gave none, and gives the
// caller's record back as it was on every way out, exceptions included.
class LocalAbortFlag {
 public:
  explicit LocalAbortFlag(TIOProgressRec& Progress) : progress_(Progress), callers_(Progress.Aborting) {
    if (!callers_) progress_.Aborting = &flag_;
  }
  ~LocalAbortFlag() { progress_.Aborting = callers_; }
  LocalAbortFlag(const LocalAbortFlag&) = delete;
  LocalAbortFlag& operator=(const LocalAbortFlag&) = delete;

 private:
  TIOProgressRec& progress_;
  bool* callers_;
  bool flag_ = false;
};

}  // namespace

void ReadBMPStream(TStream* Stream, TIEBitmap* Bitmap, int64_t DataSize, bool NoAlpha,
                   std::unique_ptr<TIEMask>& AlphaMask, bool NoFileHeader, bool ParamsOnly,
                   TIOProgressRec& Progress, TIOParamsVals& Params) {
  LocalAbortFlag abort_flag(Progress);
  ReadContext c(Stream, Bitmap, &Params, &Progress);
  c.start = Stream->Position();
  c.stream_size = Stream->Size();

  uint32_t pixel_offset = 0, image_size = 0;
  uint32_t masks[4] = {0, 0, 0, 0};
  if (!ReadFileHeader(c, NoFileHeader, DataSize, pixel_offset)) return;
  if (!ReadInfoHeader(c, image_size, masks)) return;
  Params.BmpCompression =
      c.compression == Compression::RLE8 || c.compression == Compression::RLE4 ? 1 : 0;
  int64_t available = 0, rle_size = 0;
  if (!LocatePixels(c, pixel_offset, DataSize, image_size, available, rle_size)) return;
  if (!DescribeImage(c)) return;
  if (ParamsOnly) return;
  if (!AllocateImage(c, NoAlpha, rle_size, available)) return;

  switch (c.bits) {
    case 24:
    case 1:
      DecodeDirectRows(c);
      break;
    case 4:
    case 8:
      DecodeIndexedPixels(c, rle_size);
      break;
    case 16:
    case 32:
      DecodeBitFieldPixels(c, masks, NoAlpha, AlphaMask);
      break;
  }
  Bitmap->UnmapRows();
}

// ---- run-length row encoders

namespace {

template <typename Literal>
void FlushLiterals(const uint8_t* b, int64_t s, int64_t e, Literal literal) {
  while (s < e) {
    const int64_t k = std::min<int64_t>(e - s, 255);
    literal(b + s, static_cast<int32_t>(k));
    s += k;
  }
}

template <typename Run, typename Literal>
void ScanRow(const uint8_t* b, int32_t n, Run run, Literal literal) {
  int64_t l = 0, i = 0;
  while (i < n) {
    if (i - l > 255) {
      FlushLiterals(b, l, i, literal);
      l = i;
    }
    if (i + 1 < n && b[i] == b[i + 1]) {
      FlushLiterals(b, l, i, literal);
      int64_t j = i;
      while (j < n && b[j] == b[i] && j - i < 255) ++j;
      run(static_cast<int32_t>(j - i), b[i]);
      l = i = j;
    } else {
      ++i;
    }
  }
  FlushLiterals(b, l, n, literal);
}

}  // namespace

int64_t BMPEncodeRLE8Row(const uint8_t* Indexes, int32_t Width, std::vector<uint8_t>& Out) {
  const size_t before = Out.size();
  auto run = [&](int32_t len, uint8_t v) {
    Out.push_back(static_cast<uint8_t>(len));
    Out.push_back(v);
  };
  auto literal = [&](const uint8_t* p, int32_t k) {
    if (k <= 2) {
      for (int32_t i = 0; i < k; ++i) run(1, p[i]);
      return;
    }
    Out.push_back(0);
    Out.push_back(static_cast<uint8_t>(k));
    Out.insert(Out.end(), p, p + k);
    if (k & 1) Out.push_back(0);
  };
  ScanRow(Indexes, Width, run, literal);
  Out.push_back(0);
  Out.push_back(0);
  return static_cast<int64_t>(Out.size() - before);
}

int64_t BMPEncodeRLE4Row(const uint8_t* Indexes, int32_t Width, std::vector<uint8_t>& Out) {
  const size_t before = Out.size();
  auto run = [&](int32_t len, uint8_t v) {
    Out.push_back(static_cast<uint8_t>(len));
    Out.push_back(static_cast<uint8_t>((v & 0x0F) * 17));
  };
  auto literal = [&](const uint8_t* p, int32_t k) {
    if (k == 1) {
      Out.push_back(1);
      Out.push_back(static_cast<uint8_t>(p[0] << 4));
      return;
    }
    if (k == 2) {
      Out.push_back(2);
      Out.push_back(static_cast<uint8_t>(p[0] << 4 | (p[1] & 0x0F)));
      return;
    }
    Out.push_back(0);
    Out.push_back(static_cast<uint8_t>(k));
    const int32_t bytes = (k + 1) / 2;
    for (int32_t i = 0; i < bytes; ++i) {
      const uint8_t hi = static_cast<uint8_t>(p[2 * i] << 4);
      const uint8_t lo = 2 * i + 1 < k ? (p[2 * i + 1] & 0x0F) : 0;
      Out.push_back(hi | lo);
    }
    if (bytes & 1) Out.push_back(0);
  };
  ScanRow(Indexes, Width, run, literal);
  Out.push_back(0);
  Out.push_back(0);
  return static_cast<int64_t>(Out.size() - before);
}

// ---- writer

namespace {

struct WriteContext {
  WriteContext(TStream* s, TIEBitmap* b, TIOParamsVals& p, TIOProgressRec& r, bool& a)
      : stream(s), bitmap(b), params(p), progress(r), aborting(a) {}
  TStream* stream;
  TIEBitmap* bitmap;
  TIOParamsVals& params;
  TIOProgressRec& progress;
  bool& aborting;
  int32_t width = 0, height = 0;
  int32_t bits = 0;
  bool os2 = false;  // the OS/2 1.x header and three-byte palette entries
  bool rle = false;
  int64_t row_len = 0;
  std::vector<uint8_t> row;  // one stored row
  // A converted copy of the bitmap, when the rows need another format.
  std::unique_ptr<TIEBitmap> copy;

  void Write(const void* data, int64_t n) { SafeStreamWrite(stream, aborting, data, n); }
  // Before each stored row: rows go bottom-up, image row height-1 first.
  bool BeginRow(int32_t done) {
    progress.Report(done);
    return !aborting;
  }
  // The bitmap as ieRGB24: the caller's own, or a converted copy.
  TIEBitmap* RGB24Source() {
    if (bitmap->PixelFormat() == ieRGB24) return bitmap;
    copy = std::make_unique<TIEBitmap>();
    copy->Assign(bitmap);
    copy->ConvertFormat(ieRGB24);
    return copy.get();
  }
  void WritePalette(const std::vector<TRGB>& pal) {
    std::vector<uint8_t> out;
    for (const TRGB& e : pal) {
      out.push_back(e.b);
      out.push_back(e.g);
      out.push_back(e.r);
      if (!os2) out.push_back(0);
    }
    Write(out.data(), static_cast<int64_t>(out.size()));
  }
};

// The stored depth the parameters ask for.
int32_t StoredBits(TIEBitmap* Bitmap, const TIOParamsVals& Params) {
  if (Params.BitsPerSample == 1) return 1;
  if (Params.BitsPerSample == 4) return 4;
  if (Params.SamplesPerPixel == 1) return 8;
  // Four samples ask for 32 bits even without an alpha channel (opaque).
  return Bitmap->HasAlphaChannel() || Params.SamplesPerPixel == 4 ? 32 : 24;
}

// The information header but for the size of the pixel data, known once
// they are written.
void FillInfoHeader(const WriteContext& w, uint8_t* ih, uint32_t header_size) {
  StoreLE32(ih, header_size);
  if (w.os2) {
    StoreLE16(ih + 4, static_cast<uint32_t>(w.width));
    StoreLE16(ih + 6, static_cast<uint32_t>(w.height));
    StoreLE16(ih + 8, 1);
    StoreLE16(ih + 10, static_cast<uint32_t>(w.bits));
    return;
  }
  const int32_t bits = w.bits;
  StoreLE32(ih + 4, static_cast<uint32_t>(w.width));
  StoreLE32(ih + 8, static_cast<uint32_t>(w.height));
  StoreLE16(ih + 12, 1);
  StoreLE16(ih + 14, static_cast<uint32_t>(bits));
  StoreLE32(ih + 16, w.rle ? (bits == 4 ? Compression::RLE4 : Compression::RLE8) : Compression::RGB);
  StoreLE32(ih + 24, static_cast<uint32_t>(static_cast<int32_t>(Round(w.params.DpiX() / 2.54 * 100))));
  StoreLE32(ih + 28, static_cast<uint32_t>(static_cast<int32_t>(Round(w.params.DpiY() / 2.54 * 100))));
  StoreLE32(ih + 32, bits <= 8 ? 1u << bits : 0);
  const uint32_t important = bits == 1 ? 2 : bits == 4 ? 16 : bits == 8 ? 256 : bits == 24 ? 16777216 : 1;
  StoreLE32(ih + 36, important);
}

// 4- and 8-bit rows: the palette the quantizer makes, then the indexes,
// plain or run-length coded. Returns where the pixels start.
int64_t WriteIndexedPixels(WriteContext& w) {
  const int32_t width = w.width, height = w.height, bits = w.bits;
  TIEBitmap* src = w.bitmap->PixelFormat() == iePalette8 ? w.bitmap : w.RGB24Source();
  const int32_t n = 1 << bits;
  w.params.ColorMap.assign(static_cast<size_t>(n), TRGB{0, 0, 0});
  TIEQuantizer q(src, n, w.params.ColorMap.data(), -1);
  w.WritePalette(w.params.ColorMap);
  const int64_t pixel_start = w.stream->Position();
  const bool palette = src->PixelFormat() == iePalette8;
  std::vector<uint8_t> idx(static_cast<size_t>(width));
  std::vector<uint8_t> enc;
  std::vector<uint8_t>& row = w.row;
  for (int32_t done = 0; done < height; ++done) {
    if (!w.BeginRow(done)) break;
    const uint8_t* s = src->GetScanline(height - 1 - done);
    if (palette) {
      for (int32_t x = 0; x < width; ++x)
        idx[x] = s[x] < n ? s[x] : static_cast<uint8_t>(q.RGBToIndex(src->GetPaletteEntry(s[x])));
    } else {
      const TRGB* px = reinterpret_cast<const TRGB*>(s);
      for (int32_t x = 0; x < width; ++x) idx[x] = static_cast<uint8_t>(q.RGBToIndex(px[x]));
    }
    if (w.rle) {
      enc.clear();
      if (bits == 8)
        BMPEncodeRLE8Row(idx.data(), width, enc);
      else
        BMPEncodeRLE4Row(idx.data(), width, enc);
      w.Write(enc.data(), static_cast<int64_t>(enc.size()));
    } else {
      std::fill(row.begin(), row.end(), uint8_t{0});
      if (bits == 8) {
        std::memcpy(row.data(), idx.data(), static_cast<size_t>(width));
      } else {
        for (int32_t x = 0; x < width; ++x)
          row[x >> 1] |= static_cast<uint8_t>((x & 1) ? idx[x] & 0x0F : idx[x] << 4);
      }
      w.Write(row.data(), w.row_len);
    }
  }
  if (w.rle && !w.aborting) {
    const uint8_t end[2] = {0, 1};
    w.Write(end, 2);
  }
  return pixel_start;
}

// 1-bit rows with a palette of the picture's two colours (black and white
// for a picture of more). Returns where the pixels start.
int64_t WriteMonoPixels(WriteContext& w) {
  TIEBitmap* src = w.bitmap;
  TRGB c1{0, 0, 0}, c2{255, 255, 255};
  if (w.bitmap->PixelFormat() != ieMono1) {
    TRGB a, b;
    if (TIEBitmap* two = BuildTwoColorBitmap(w.bitmap, a, b)) {
      w.copy.reset(two);
      c1 = a;
      c2 = b;
    } else {
      w.copy = std::make_unique<TIEBitmap>();
      w.copy->Assign(w.bitmap);
      w.copy->ConvertFormat(ieMono1);
    }
    src = w.copy.get();
  }
  w.params.ColorMap = {c1, c2};
  w.WritePalette(w.params.ColorMap);
  const int64_t pixel_start = w.stream->Position();
  for (int32_t done = 0; done < w.height; ++done) {
    if (!w.BeginRow(done)) break;
    w.Write(src->GetScanline(w.height - 1 - done), w.row_len);
  }
  return pixel_start;
}

// 24-bit rows, or 32-bit ones with the alpha channel (opaque without one).
// Returns where the pixels start.
int64_t WriteTrueColourPixels(WriteContext& w) {
  const int32_t width = w.width, height = w.height;
  TIEBitmap* src = w.RGB24Source();
  TIEBitmap* alpha = w.bits == 32 && w.bitmap->HasAlphaChannel() ? w.bitmap->GetAlphaChannel() : nullptr;
  const int64_t pixel_start = w.stream->Position();
  std::vector<uint8_t>& row = w.row;
  for (int32_t done = 0; done < height; ++done) {
    if (!w.BeginRow(done)) break;
    const int32_t y = height - 1 - done;
    const uint8_t* s = src->GetScanline(y);
    if (w.bits == 24) {
      w.Write(s, w.row_len);
      continue;
    }
    std::memcpy(row.data(), s, static_cast<size_t>(width) * 3);  // spread below, last first
    const uint8_t* a = alpha ? alpha->GetScanline(y) : nullptr;
    for (int32_t x = width - 1; x >= 0; --x) {
      row[x * 4 + 3] = a ? a[x] : 255;
      row[x * 4 + 2] = row[x * 3 + 2];
      row[x * 4 + 1] = row[x * 3 + 1];
      row[x * 4 + 0] = row[x * 3 + 0];
    }
    w.Write(row.data(), w.row_len);
  }
  return pixel_start;
}

}  // namespace

void WriteBMPStream(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params,
                    TIOProgressRec& Progress) {
  bool local_abort = false;
  bool& aborting = Progress.Aborting ? *Progress.Aborting : local_abort;
  WriteContext w(Stream, Bitmap, Params, Progress, aborting);
  w.width = Bitmap->Width();
  w.height = Bitmap->Height();
  if (w.width <= 0 || w.height <= 0) {
    aborting = true;  // nothing to write
    return;
  }
  const int64_t start = Stream->Position();
  w.bits = StoredBits(Bitmap, Params);
  w.os2 = Params.BmpVersion == 2;
  // The old header holds 16-bit sizes only.
  if (w.os2 && (w.width > 65535 || w.height > 65535)) {
    aborting = true;
    return;
  }
  w.rle = !w.os2 && Params.BmpCompression == 1 && (w.bits == 4 || w.bits == 8);
  const uint32_t header_size = w.os2 ? kCoreHeaderSize : Params.BmpVersion == 3 ? kOS2v2HeaderSize
                                                                                 : kInfoHeaderSize;
  uint8_t fh[kFileHeaderSize] = {'B', 'M'};
  w.Write(fh, kFileHeaderSize);
  uint8_t ih[kOS2v2HeaderSize] = {};
  FillInfoHeader(w, ih, header_size);
  const int64_t ih_pos = Stream->Position();
  w.Write(ih, header_size);

  Progress.Per1 = 100.0 / w.height;
  w.row_len = AlignedRowLength(w.width, w.bits, 32);
  w.row.resize(static_cast<size_t>(w.row_len));
  int64_t pixel_start = 0;
  if (w.bits == 4 || w.bits == 8)
    pixel_start = WriteIndexedPixels(w);
  else if (w.bits == 1)
    pixel_start = WriteMonoPixels(w);
  else
    pixel_start = WriteTrueColourPixels(w);
  if (w.copy) w.copy->UnmapRows();
  Bitmap->UnmapRows();
  if (aborting) return;

  // The sizes and offsets known now go into both headers.
  const int64_t end = Stream->Position();
  StoreLE32(fh + 2, static_cast<uint32_t>(end - start));
  StoreLE32(fh + 10, static_cast<uint32_t>(pixel_start - start));
  if (!w.os2) StoreLE32(ih + 20, static_cast<uint32_t>(end - pixel_start));
  Stream->SetPosition(start);
  w.Write(fh, kFileHeaderSize);
  Stream->SetPosition(ih_pos);
  w.Write(ih, header_size);
  Stream->SetPosition(end);
}

TIEFormatHandler BMPFormatHandler() {
  TIEFormatHandler h;
  h.TypeId = ieftBMP;
  h.Read = [](TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, bool ParamsOnly,
              TIOProgressRec& Progress, std::unique_ptr<TIEMask>& AlphaMask) {
    ReadBMPStream(Stream, Bitmap, 0, ParamsOnly, AlphaMask, false, ParamsOnly, Progress, Params);
  };
  h.Write = WriteBMPStream;
  // Detected by its "BM" signature among the fixed header checks.
  h.Test = nullptr;
  h.AbortBeforeOpen = false;
  h.TellsViewDpi = 2;
  h.SaveFormats = 0;
  return h;
}
