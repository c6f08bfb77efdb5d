#include "imaging/io/formats/PCX.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/io/formats/ByteReader.h"
#include "imaging/io/formats/FormatFields.h"
#include "imaging/io/formats/FormatWriter.h"
#include "imaging/io/IEReadLimits.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/model/IEStreams.h"
#include "imaging/model/PixelHelpers.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/model/TIEQuantizer.h"
#include "rtl/ByteOrder.h"
#include "rtl/Exception.h"
#include "rtl/TStream.h"

namespace {

using formats::ReadUpTo;
using formats::TByteReader;
using formats::TFormatWriter;

constexpr uint8_t kManufacturer = 10;  // ZSoft
constexpr int64_t kHeaderSize = 128;
constexpr int64_t kPaletteSize = 768;
constexpr uint8_t kPaletteMarker = 12;
constexpr uint32_t kDCXMagic = 0x3ADE68B1;
constexpr int32_t kMaxDCXPages = 1024;

// An image is allocated only when the data could describe it: at most
// kMaxExpansion bytes of image per byte of data (a run of 63 plane bytes in
// two; at best, two bits of plane data make a 24-bit pixel).
constexpr int64_t kMaxExpansion = 192;

// The layouts decoded: one plane of 1, 2, 4 or 8 bits, planes of single
// bits forming an index, and three or four planes of 8 bits (red, green,
// blue and a fourth that is not shown). Any other layout is refused: an
// image of blank rows would pass for the file's picture.
bool KnownLayout(int32_t bits, int32_t planes) {
  if (planes == 1) return bits == 1 || bits == 2 || bits == 4 || bits == 8;
  if (bits == 1) return planes <= 4;
  return bits == 8 && (planes == 3 || planes == 4);
}

// Run-length plane bytes; a run may go on into the next line. The data are
// read from the stream a piece at a time: a copy of the whole file would be
// a second picture's worth of fresh memory, written before any is decoded.
class LineDecoder {
 public:
  // Decodes at most Size bytes of Stream from its position.
  LineDecoder(TStream* Stream, int64_t Size, bool rle)
      : s_(Stream), left_in_stream_(Size), rle_(rle),
        buffer_(static_cast<size_t>(std::clamp<int64_t>(Size, 1, kPiece))) {}
  // Fills N bytes; false when the data ended first (the rest zero).
  bool Fill(uint8_t* out, int64_t n) {
    int64_t i = 0;
    while (i < n) {
      if (left_ > 0) {
        const int64_t k = std::min<int64_t>(left_, n - i);
        std::memset(out + i, value_, static_cast<size_t>(k));
        left_ -= static_cast<int32_t>(k);
        i += k;
        continue;
      }
      if (at_ == got_ && !Refill()) {
        std::memset(out + i, 0, static_cast<size_t>(n - i));
        return false;
      }
      const uint8_t b = buffer_[at_++];
      if (rle_ && b >= 0xC0) {
        left_ = b & 0x3F;
        value_ = at_ < got_ || Refill() ? buffer_[at_++] : 0;
      } else {
        out[i++] = b;
      }
    }
    return true;
  }

 private:
  static constexpr int64_t kPiece = int64_t{64} << 10;

  bool Refill() {
    at_ = got_ = 0;
    if (left_in_stream_ <= 0) return false;
    const int64_t want = std::min<int64_t>(left_in_stream_, static_cast<int64_t>(buffer_.size()));
    const int64_t got = ReadUpTo(s_, buffer_.data(), want);
    left_in_stream_ = got < want ? 0 : left_in_stream_ - got;
    got_ = static_cast<size_t>(std::max<int64_t>(got, 0));
    return got_ > 0;
  }

  TStream* s_;
  int64_t left_in_stream_;
  bool rle_;
  std::vector<uint8_t> buffer_;
  size_t at_ = 0, got_ = 0;
  int32_t left_ = 0;
  uint8_t value_ = 0;
};

// Runs of up to 63 equal bytes; a lone byte of 0xC0 or more needs a count
// too. An odd number of samples gets a 0 byte after them.
void EncodeLine(const uint8_t* s, int64_t n, std::vector<uint8_t>& out) {
  int64_t i = 0;
  while (i < n) {
    int64_t run = 1;
    while (i + run < n && run < 63 && s[i + run] == s[i]) ++run;
    if (run > 1 || s[i] >= 0xC0) out.push_back(static_cast<uint8_t>(0xC0 + run));
    out.push_back(s[i]);
    i += run;
  }
  if (n % 2) out.push_back(0);
}

}  // namespace

void ReadPCXStream(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, int64_t Size,
                   TIOProgressRec& Progress, bool ParamsOnly) {
  const int64_t start = Stream->Position();
  // The image cannot be longer than what the stream holds.
  Size = std::min(Size, Stream->Size() - start);
  TByteReader h = TByteReader::FromStream(Stream, kHeaderSize);
  if (h.Size() < kHeaderSize) return Progress.Abort();
  const uint8_t manufacturer = h.U8(), version = h.U8(), encoding = h.U8();
  const int32_t bits = h.U8();
  const int32_t xmin = h.U16LE(), ymin = h.U16LE(), xmax = h.U16LE(), ymax = h.U16LE();
  const int32_t dpi_x = h.U16LE(), dpi_y = h.U16LE();
  uint8_t header_palette[16 * 3];
  h.Bytes(header_palette, sizeof header_palette);
  h.Skip(1);  // reserved
  const int32_t planes = h.U8(), bytes_per_line = h.U16LE();
  if (manufacturer != kManufacturer || bits > 8 || encoding > 1) return Progress.Abort();
  const int32_t width = xmax - xmin + 1, height = ymax - ymin + 1;
  // A line must hold the row's pixels, and the planes must make a layout.
  if (width <= 0 || height <= 0 || !KnownLayout(bits, planes) ||
      int64_t{bytes_per_line} * 8 < int64_t{width} * bits)
    return Progress.Abort();
  Params.SetDpiX(dpi_x);
  Params.SetDpiY(dpi_y);
  if (Params.DpiX() == 0 || Params.DpiY() == 0) {
    Params.SetDpiX(DefaultDpiX);
    Params.SetDpiY(DefaultDpiY);
  }
  TRGB pal16[16];
  for (int i = 0; i < 16; ++i)
    pal16[i] = MakeRGBTriple(header_palette[i * 3], header_palette[i * 3 + 1], header_palette[i * 3 + 2]);
  std::vector<TRGB> pal256(256);
  if (planes == 1 && bits == 8) {
    // The palette ends the image after its marker; a file too short to hold
    // one is read with a grey ramp.
    if (Size >= kHeaderSize + kPaletteSize + 1) {
      Stream->SetPosition(start + Size - kPaletteSize);
      // A stream that gives fewer bytes than it claims reads black there.
      TByteReader p = TByteReader::FromStream(Stream, kPaletteSize);
      for (TRGB& e : pal256) {
        const uint8_t r = p.U8(), g = p.U8(), b = p.U8();
        e = MakeRGBTriple(r, g, b);
      }
    } else {
      for (int i = 0; i < 256; ++i)
        pal256[static_cast<size_t>(i)] = TRGB{static_cast<uint8_t>(i), static_cast<uint8_t>(i), static_cast<uint8_t>(i)};
    }
  }
  Params.BitsPerSample = bits;
  Params.SamplesPerPixel = planes;
  Params.Width = width;
  Params.Height = height;
  Params.PcxVersion = version;
  Params.PcxCompression = encoding;
  if (bits == 8 && planes == 1) {
    Params.ColorMap = pal256;
  } else if (bits == 1 && planes > 1) {
    Params.ColorMap.assign(pal16, pal16 + (1 << planes));
    Params.BitsPerSample = planes;
    Params.SamplesPerPixel = 1;
  } else if (bits < 8) {
    Params.ColorMap.assign(pal16, pal16 + (1 << bits));
  } else {
    Params.FreeColorMap();
  }
  if (ParamsOnly) return;

  const TIEPixelFormat format = bits == 1 && planes == 1 ? ieMono1 : ieRGB24;
  const int64_t row_len = (int64_t{width} * IEBitsPerPixel[format] + 7) / 8;
  const int64_t data_size = std::max<int64_t>(Size - kHeaderSize, 0);
  if (!IEClaimPlausible(Progress, width, height, format, false,
                        IEDataCanHold(row_len * height, data_size, kMaxExpansion)))
    return;
  Stream->SetPosition(start + kHeaderSize);
  Bitmap->Allocate(width, height, format);
  Progress.Per1 = 100.0 / height;

  LineDecoder decoder(Stream, data_size, encoding == 1);
  std::vector<uint8_t> line(static_cast<size_t>(bytes_per_line) * planes);
  std::vector<TRGB> px(static_cast<size_t>(width));
  for (int32_t y = 0; y < height; ++y) {
    Progress.Report(y);
    if (Progress.IsAborting()) break;
    decoder.Fill(line.data(), static_cast<int64_t>(line.size()));
    uint8_t* row = Bitmap->GetScanline(y);
    if (format == ieMono1) {
      std::memcpy(row, line.data(), static_cast<size_t>(row_len));
      Bitmap->UnmapRows();
      continue;
    }
    for (int32_t x = 0; x < width; ++x) {
      if (planes == 1) {
        const int32_t per_byte = 8 / bits;
        const int32_t shift = 8 - bits * (x % per_byte + 1);
        const int32_t i = line[static_cast<size_t>(x / per_byte)] >> shift & ((1 << bits) - 1);
        px[static_cast<size_t>(x)] = bits == 8 ? pal256[static_cast<size_t>(i)] : pal16[i];
      } else if (bits == 1) {
        int32_t i = 0;
        for (int32_t p = 0; p < planes; ++p)
          i |= (line[static_cast<size_t>(p) * bytes_per_line + x / 8] >> (7 - x % 8) & 1) << p;
        px[static_cast<size_t>(x)] = pal16[i];
      } else {
        px[static_cast<size_t>(x)] = MakeRGBTriple(line[static_cast<size_t>(x)],
                                                   line[static_cast<size_t>(bytes_per_line) + x],
                                                   line[static_cast<size_t>(bytes_per_line) * 2 + x]);
      }
    }
    std::memcpy(row, px.data(), static_cast<size_t>(width) * 3);
    Bitmap->UnmapRows();
  }
  // As a reader of the whole image's data, it leaves the stream after them.
  Stream->SetPosition(start + kHeaderSize + data_size);
}

void WritePCXStream(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params,
                    TIOProgressRec& Progress) {
  const int32_t width = Bitmap->Width(), height = Bitmap->Height();
  // The header holds the last column and row, not the sizes: 65536 still
  // fits, as the reader takes it.
  if (width <= 0 || height <= 0 || width > 0x10000 || height > 0x10000) return Progress.Abort();
  std::unique_ptr<TIEBitmap> owned;
  TIEBitmap* work = Bitmap;
  TRGB c1{0, 0, 0}, c2{0, 0, 0};
  int32_t total = Params.BitsPerSample * Params.SamplesPerPixel;
  if (Params.BitsPerSample == 1) {
    total = 1;
    if (Bitmap->PixelFormat() != ieMono1) {
      owned.reset(BuildTwoColorBitmap(Bitmap, c1, c2));
      if (!owned) {
        c1 = c2 = TRGB{0, 0, 0};
        owned = std::make_unique<TIEBitmap>();
        owned->Assign(Bitmap);
        owned->ConvertFormat(ieMono1);
      }
      work = owned.get();
    }
  } else if (Bitmap->PixelFormat() != ieRGB24) {
    owned = std::make_unique<TIEBitmap>();
    owned->Assign(Bitmap);
    owned->ConvertFormat(ieRGB24);
    work = owned.get();
  }

  uint8_t h[kHeaderSize] = {};
  h[0] = kManufacturer;
  h[1] = static_cast<uint8_t>(Params.PcxVersion);
  const bool rle = Params.PcxCompression != 0;
  h[2] = rle ? 1 : 0;
  StoreLE16(h + 8, static_cast<uint32_t>(width - 1));
  StoreLE16(h + 10, static_cast<uint32_t>(height - 1));
  StoreLE16(h + 12, static_cast<uint32_t>(Params.DpiX()));
  StoreLE16(h + 14, static_cast<uint32_t>(Params.DpiY()));
  StoreLE16(h + 68, total == 24 ? 0 : 1);
  std::vector<TRGB> palette(256, TRGB{0, 0, 0});
  std::unique_ptr<TIEQuantizer> quantizer;
  int32_t line_bytes = 0;  // samples per plane line
  int32_t planes = 1;
  switch (total) {
    case 1:
      h[3] = 1;
      line_bytes = (width + 7) / 8;
      palette[0] = c1;
      palette[1] = c2;
      break;
    case 4:
      h[3] = 4;
      line_bytes = (width + 1) / 2;
      quantizer = std::make_unique<TIEQuantizer>(work, 16, palette.data(), -1);
      break;
    case 8:
      h[3] = 8;
      line_bytes = width;
      quantizer = std::make_unique<TIEQuantizer>(work, 256, palette.data(), -1);
      break;
    case 24:
      h[3] = 8;
      planes = 3;
      line_bytes = width;
      break;
    default:
      break;
  }
  h[65] = static_cast<uint8_t>(line_bytes ? planes : 0);
  const int32_t bytes_per_line = (line_bytes + 1) / 2 * 2;
  StoreLE16(h + 66, static_cast<uint32_t>(bytes_per_line));
  if (total <= 4)
    for (int i = 0; i < 16; ++i) {
      h[16 + i * 3] = palette[static_cast<size_t>(i)].r;
      h[17 + i * 3] = palette[static_cast<size_t>(i)].g;
      h[18 + i * 3] = palette[static_cast<size_t>(i)].b;
    }
  TFormatWriter out(Stream, Progress);
  out.Put(h, kHeaderSize);
  if (line_bytes == 0) return;

  Progress.Per1 = 100.0 / height;
  std::vector<uint8_t> line(static_cast<size_t>(bytes_per_line) * planes), coded;
  for (int32_t y = 0; y < height; ++y) {
    Progress.Report(y);
    if (Progress.IsAborting()) break;
    std::fill(line.begin(), line.end(), uint8_t{0});
    const uint8_t* src = work->GetScanline(y);
    if (total == 1) {
      std::memcpy(line.data(), src, static_cast<size_t>(line_bytes));
    } else {
      const TRGB* px = reinterpret_cast<const TRGB*>(src);
      for (int32_t x = 0; x < width; ++x) {
        if (total == 24) {
          line[static_cast<size_t>(x)] = px[x].r;
          line[static_cast<size_t>(bytes_per_line) + x] = px[x].g;
          line[static_cast<size_t>(bytes_per_line) * 2 + x] = px[x].b;
        } else {
          const auto i = static_cast<uint8_t>(quantizer->RGBToIndex(px[x]));
          if (total == 8)
            line[static_cast<size_t>(x)] = i;
          else
            line[static_cast<size_t>(x / 2)] |= static_cast<uint8_t>(x % 2 ? i : i << 4);
        }
      }
    }
    work->UnmapRows();
    if (!rle) {
      out.Put(line.data(), static_cast<int64_t>(line.size()));
      continue;
    }
    coded.clear();
    for (int32_t p = 0; p < planes; ++p)
      EncodeLine(line.data() + static_cast<size_t>(p) * bytes_per_line, line_bytes, coded);
    out.Put(coded.data(), static_cast<int64_t>(coded.size()));
  }
  if (total == 8 && !Progress.IsAborting()) {
    uint8_t p[1 + kPaletteSize];
    p[0] = kPaletteMarker;
    for (int i = 0; i < 256; ++i) {
      p[1 + i * 3] = palette[static_cast<size_t>(i)].r;
      p[2 + i * 3] = palette[static_cast<size_t>(i)].g;
      p[3 + i * 3] = palette[static_cast<size_t>(i)].b;
    }
    out.Put(p, sizeof p);
  }
}

// ---- DCX

namespace {

// The page offsets before the terminating 0 (at most kMaxDCXPages); false
// without the magic.
bool ReadPageTable(TStream* s, std::vector<uint32_t>& pages) {
  const int64_t pos = s->Position();
  pages.clear();
  const bool ok = TByteReader::FromStream(s, 4).U32LE() == kDCXMagic;
  while (ok && static_cast<int32_t>(pages.size()) < kMaxDCXPages) {
    // A zero offset ends the table, as does the end of the file.
    const uint32_t offset = TByteReader::FromStream(s, 4).U32LE();
    if (offset == 0) break;
    pages.push_back(offset);
  }
  s->SetPosition(pos);
  return ok;
}

}  // namespace

bool IsDCXStream(TStream* Stream) {
  std::vector<uint32_t> pages;
  if (!ReadPageTable(Stream, pages)) return false;
  const int64_t size = Stream->Size();
  return std::all_of(pages.begin(), pages.end(), [&](uint32_t o) { return o < size; });
}

int32_t CountDCXImages(TStream* Stream) {
  std::vector<uint32_t> pages;
  ReadPageTable(Stream, pages);
  return static_cast<int32_t>(pages.size());
}

void ReadDCXStream(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params,
                   TIOProgressRec& Progress, bool ParamsOnly) {
  std::vector<uint32_t> pages;
  if (!IsDCXStream(Stream) || !ReadPageTable(Stream, pages) || pages.empty())
    return Progress.Abort();
  const int64_t base = Stream->Position();
  const int32_t index = std::clamp(Params.DcxImageIndex, 0, static_cast<int32_t>(pages.size()) - 1);
  Params.SetImageIndex(index);
  Params.DcxImageCount = static_cast<int32_t>(pages.size());
  const int64_t offset = pages[static_cast<size_t>(index)];
  int64_t end = Stream->Size() - base;
  for (const uint32_t o : pages)
    if (o > offset) end = std::min<int64_t>(end, o);
  Stream->SetPosition(base + offset);
  ReadPCXStream(Stream, Bitmap, Params, end - offset, Progress, ParamsOnly);
}

void WriteDCXStream(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params,
                    TIOProgressRec& Progress) {
  const int64_t base = Stream->Position();
  const int64_t old_size = Stream->Size() - base;
  std::vector<uint32_t> pages;
  if (old_size > 0 && (!IsDCXStream(Stream) || !ReadPageTable(Stream, pages))) return Progress.Abort();
  const auto count = static_cast<int32_t>(pages.size());
  if (count >= kMaxDCXPages) return Progress.Abort();
  // An index past the last page appends the page. Dropping it instead would
  // report a save as done for a file that lacks the picture (a fresh file
  // saved with the page index of a page loaded from elsewhere would hold no
  // page at all).
  const int32_t at = std::clamp(Params.DcxImageIndex, 0, count);

  TMemoryStream built;
  // The magic, the offsets of the old pages and the new one, and the 0.
  std::vector<uint8_t> table(4 + static_cast<size_t>(count + 2) * 4, 0);
  StoreLE32(table.data(), kDCXMagic);
  built.WriteBuffer(table.data(), static_cast<int64_t>(table.size()));
  std::vector<uint32_t> offsets;
  std::vector<uint8_t> copy;
  for (int32_t p = 0; p <= count; ++p) {
    if (p == at) {
      offsets.push_back(static_cast<uint32_t>(built.Position()));
      WritePCXStream(&built, Bitmap, Params, Progress);
      if (Progress.IsAborting()) return;
    }
    if (p < count) {
      const int64_t o = pages[static_cast<size_t>(p)];
      int64_t end = old_size;
      for (const uint32_t x : pages)
        if (x > o) end = std::min<int64_t>(end, x);
      copy.resize(static_cast<size_t>(end - o));
      Stream->SetPosition(base + o);
      const int64_t got = ReadUpTo(Stream, copy.data(), end - o);
      offsets.push_back(static_cast<uint32_t>(built.Position()));
      built.WriteBuffer(copy.data(), got);
    }
  }
  for (size_t i = 0; i < offsets.size(); ++i) StoreLE32(table.data() + 4 + i * 4, offsets[i]);
  built.SetPosition(0);
  built.WriteBuffer(table.data(), static_cast<int64_t>(table.size()));

  Stream->SetPosition(base);
  TFormatWriter out(Stream, Progress);
  out.Put(built.Memory(), built.Size());
  if (Stream->Size() > base + built.Size()) {
    try {
      Stream->SetSize(base + built.Size());
    } catch (const EStreamError&) {
      Progress.Abort();  // a stream that cannot be shortened keeps stale bytes
    }
  }
}

// ---- the input/output component

namespace {

// A stream load may find a 12-byte header ("PCX2", 4 zero bytes, the data's
// length) or the older 4-byte one ("PCX" and a zero) in front of the image.
void ReadPCXWithHeader(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, bool ParamsOnly,
                       TIOProgressRec& Progress, std::unique_ptr<TIEMask>&) {
  const int64_t start = Stream->Position();
  TByteReader head = TByteReader::FromStream(Stream, 12);
  const size_t got = head.Size();
  if (got == 12 && std::memcmp(head.Here(), "PCX2", 5) == 0) {
    head.Skip(8);
    const uint32_t length = head.U32LE();
    ReadPCXStream(Stream, Bitmap, Params, length, Progress, ParamsOnly);
    Stream->SetPosition(start + 12 + length);
    return;
  }
  if (got >= 4 && std::memcmp(head.Here(), "PCX", 4) == 0) {
    Stream->SetPosition(start + 4);
    ReadPCXStream(Stream, Bitmap, Params, Stream->Size() - start - 4, Progress, ParamsOnly);
    return;
  }
  Stream->SetPosition(start);
  ReadPCXStream(Stream, Bitmap, Params, Stream->Size() - start, Progress, ParamsOnly);
}

}  // namespace

TIEFormatHandler PCXFormatHandler() {
  TIEFormatHandler h;
  h.TypeId = ieftPCX;
  h.Read = ReadPCXWithHeader;
  h.Write = WritePCXStream;
  // Detected among the fixed header checks.
  h.Test = nullptr;
  h.TellsViewDpi = 2;
  h.SaveFormats = PixelFormatBit(ieRGB24) | PixelFormatBit(ieMono1);
  h.StreamHeaderTag = "PCX2";
  h.StreamHeaderAfterAbort = false;
  return h;
}

TIEFormatHandler DCXFormatHandler() {
  TIEFormatHandler h;
  h.TypeId = ieftDCX;
  h.Read = [](TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, bool ParamsOnly,
              TIOProgressRec& Progress, std::unique_ptr<TIEMask>&) {
    ReadDCXStream(Stream, Bitmap, Params, Progress, ParamsOnly);
  };
  h.Write = WriteDCXStream;
  h.Test = IsDCXStream;
  h.DetectOrder = 180;  // after the video test
  h.TellsViewDpi = 2;
  h.SaveFormats = 0;
  h.CountImages = [](const std::string& FileName) {
    try {
      TFileStream f(FileName, fmOpenRead | fmShareDenyWrite);
      return CountDCXImages(&f);
    } catch (const std::exception&) {
      return 0;
    }
  };
  return h;
}
