#include "imaging/io/formats/TGA.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/io/formats/ByteReader.h"
#include "imaging/io/formats/FormatFields.h"
#include "imaging/io/formats/FormatWriter.h"
#include "imaging/io/formats/StreamPositionGuard.h"
#include "imaging/io/IEReadLimits.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/model/IEStreams.h"
#include "imaging/model/PixelHelpers.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/model/TIEMask.h"
#include "imaging/model/TIEQuantizer.h"
#include "rtl/ByteOrder.h"
#include "rtl/Clock.h"
#include "rtl/Exception.h"
#include "rtl/Numeric.h"
#include "rtl/TStream.h"

namespace {

using formats::ReadUpTo;
using formats::TFormatWriter;

// Image types (Truevision TGA file format, version 2.0). A run-length
// coded type is its plain type plus kRunLengthTypeOffset.
struct ImageType {
  enum : uint8_t { ColorMapped = 1, TrueColor = 2, Grey = 3, RLEColorMapped = 9, RLETrueColor = 10, RLEGrey = 11 };
};
constexpr uint8_t kRunLengthTypeOffset = 8;

// Fields of the 18-byte header: byte offsets.
struct HeaderField {
  enum : size_t {
    IdLength = 0,
    ColorMapType = 1,
    ImageType = 2,
    MapFirstEntry = 3,  // 16 bits
    MapLength = 5,      // 16 bits
    MapEntryBits = 7,
    XOrigin = 8,  // 16 bits
    YOrigin = 10,
    Width = 12,
    Height = 14,
    PixelDepth = 16,
    Descriptor = 17
  };
};
// Fields of the 26-byte footer: the extension area's offset from the
// image's start (0: none), then the signature.
struct FooterField {
  enum : size_t { ExtensionOffset = 0, Signature = 8 };
};
// Fields of the 495-byte extension area. Texts are 41 bytes with a zero
// at the end; the date and time are six 16-bit words; the aspect ratio and
// the gamma are a 16-bit numerator and denominator each.
struct ExtensionField {
  enum : size_t {
    Size = 0,
    AuthorName = 2,
    DateTime = 367,  // month, day, year, hour, minute, second
    JobName = 379,
    KeyColor = 470,  // this program keeps red, green, blue in bytes 1 to 3
    AspectRatio = 474,
    Gamma = 478
  };
};
constexpr size_t kExtensionTextSize = 41;

constexpr int64_t kHeaderSize = 18;
constexpr int64_t kFooterSize = 26;
constexpr int64_t kExtensionSize = 495;
constexpr char kSignature[] = "TRUEVISION-XFILE.";  // followed by a zero byte
// Descriptor bits: rows from the top, pixels from the right; the low four
// bits count the alpha bits of a pixel.
constexpr uint8_t kTopToBottom = 0x20, kRightToLeft = 0x10;
// A descriptor's alpha bits as this program writes them for 32-bit pixels.
constexpr uint8_t kEightAlphaBits = 8;

// An image is allocated only when the data could describe it: at most
// kMaxExpansion bytes of image per byte of data (a two-byte run packet
// stands for 128 bytes of two 4-bit pixels, 768 bytes of image).
constexpr int64_t kMaxExpansion = 384;

bool ValidType(uint8_t t) {
  return t == ImageType::ColorMapped || t == ImageType::TrueColor || t == ImageType::Grey ||
         t == ImageType::RLEColorMapped || t == ImageType::RLETrueColor || t == ImageType::RLEGrey;
}
bool ValidDepth(uint8_t d) { return d == 1 || d == 4 || d == 8 || d == 16 || d == 24 || d == 32; }

TRGB Rgb555(uint16_t v) {
  return MakeRGBTriple(static_cast<uint8_t>((v >> 10 & 31) * 8), static_cast<uint8_t>((v >> 5 & 31) * 8),
                       static_cast<uint8_t>((v & 31) * 8));
}

std::string Text(const uint8_t* p, size_t n) {
  if (n == 0) return {};
  return std::string(reinterpret_cast<const char*>(p), strnlen(reinterpret_cast<const char*>(p), n));
}

// Pixel units of the data: a byte of 8 or 2 pixels at depths 1 and 4, else
// one pixel. Run-length packets may run on into the next row.
class UnitReader {
 public:
  UnitReader(TStream* s, int32_t unit_bytes, bool rle) : s_(s), unit_(unit_bytes), rle_(rle) {}
  // Fills Count units; false when the data ended first.
  bool Read(uint8_t* out, int64_t count) {
    if (!rle_) return ReadUpTo(s_, out, count * unit_) == count * unit_;
    for (int64_t i = 0; i < count; ++i) {
      if (left_ == 0) {
        uint8_t h = 0;
        if (s_->Read(&h, 1) != 1) return false;
        left_ = (h & 0x7F) + 1;
        repeat_ = (h & 0x80) != 0;
        if (repeat_ && ReadUpTo(s_, value_, unit_) != unit_) return false;
      }
      if (repeat_) {
        std::memcpy(out + i * unit_, value_, static_cast<size_t>(unit_));
      } else if (ReadUpTo(s_, out + i * unit_, unit_) != unit_) {
        return false;
      }
      --left_;
    }
    return true;
  }

 private:
  TStream* s_;
  int32_t unit_;
  bool rle_;
  int32_t left_ = 0;
  bool repeat_ = false;
  uint8_t value_[4] = {};
};

// The 18-byte header, read field by field.
struct Header {
  uint8_t id_length = 0, map_type = 0, type = 0, map_entry_bits = 0, depth = 0, descriptor = 0;
  uint16_t map_first = 0, map_length = 0, x = 0, y = 0, width = 0, height = 0;
};

Header ParseHeader(const uint8_t* Bytes) {
  formats::TByteReader r(Bytes, kHeaderSize);
  Header h;
  h.id_length = r.U8();
  h.map_type = r.U8();
  h.type = r.U8();
  h.map_first = r.U16LE();
  h.map_length = r.U16LE();
  h.map_entry_bits = r.U8();
  h.x = r.U16LE();
  h.y = r.U16LE();
  h.width = r.U16LE();
  h.height = r.U16LE();
  h.depth = r.U8();
  h.descriptor = r.U8();
  return h;
}

// What the reader's steps share.
struct ReadContext {
  ReadContext(TStream* Stream, TIEBufferedReadStream& In, TIOParamsVals& Params, TIOProgressRec& Progress)
      : stream(Stream), in(In), params(Params), progress(Progress) {}

  TStream* stream;
  TIEBufferedReadStream& in;
  TIOParamsVals& params;
  TIOProgressRec& progress;
  Header header;
  // A 16-bit grey image holds grey and alpha bytes, not 5-5-5 colour: its
  // type says grey.
  bool grey_alpha = false;
  TRGB map[256] = {};
  uint8_t map_alpha[256] = {};
  bool map_has_alpha = false;
};

// The extension area's author, date, job name, key colour, aspect ratio
// and gamma, when the file ends in the footer; the defaults otherwise.
void ReadExtensionArea(TStream* Stream, int64_t Start, int64_t Size, TIOParamsVals& Params) {
  Params.TgaAuthor.clear();
  Params.TgaImageName.clear();
  Params.TgaDate = Date();
  Params.TgaBackground = TRGB{0, 0, 0};
  Params.TgaAspectRatio = 1.0;
  Params.TgaGamma = 2.2;
  if (Size - Start < kHeaderSize + kFooterSize) return;
  uint8_t f[kFooterSize];
  Stream->SetPosition(Size - kFooterSize);
  if (!formats::ReadExact(Stream, f, kFooterSize) ||
      std::memcmp(f + FooterField::Signature, kSignature, sizeof kSignature - 1) != 0)
    return;
  const uint32_t offset = LoadLE32(f + FooterField::ExtensionOffset);
  uint8_t e[kExtensionSize];
  if (offset == 0 || Start + offset + kExtensionSize > Size) return;
  Stream->SetPosition(Start + offset);
  if (!formats::ReadExact(Stream, e, kExtensionSize)) return;
  Params.TgaAuthor = Text(e + ExtensionField::AuthorName, kExtensionTextSize);
  const uint8_t* stamp = e + ExtensionField::DateTime;
  const int month = LoadLE16(stamp), day = LoadLE16(stamp + 2), year = LoadLE16(stamp + 4);
  const int hour = LoadLE16(stamp + 6), minute = LoadLE16(stamp + 8), second = LoadLE16(stamp + 10);
  if (year >= 1 && year <= 2499 && month >= 1 && month <= 12 && day >= 1 && day <= 31 && hour < 24 &&
      minute < 60 && second < 60) {
    try {
      Params.TgaDate = EncodeDate(year, month, day) + EncodeTime(hour, minute, second, 0);
    } catch (const Exception&) {
      // An impossible day (31 February) leaves today.
    }
  }
  Params.TgaImageName = Text(e + ExtensionField::JobName, kExtensionTextSize);
  const uint8_t* key = e + ExtensionField::KeyColor;
  Params.TgaBackground = MakeRGBTriple(key[1], key[2], key[3]);
  const uint16_t aspect_num = LoadLE16(e + ExtensionField::AspectRatio);
  const uint16_t aspect_den = LoadLE16(e + ExtensionField::AspectRatio + 2);
  if (aspect_num && aspect_den) Params.TgaAspectRatio = static_cast<double>(aspect_num) / aspect_den;
  const uint16_t gamma_num = LoadLE16(e + ExtensionField::Gamma);
  const uint16_t gamma_den = LoadLE16(e + ExtensionField::Gamma + 2);
  if (gamma_num && gamma_den) Params.TgaGamma = static_cast<double>(gamma_num) / gamma_den;
}

// The colour map: a 3-3-2 palette until the file gives one, a grey ramp for
// grey images, black and white for one-bit ones.
void ReadColourMap(ReadContext& C) {
  const Header& h = C.header;
  std::fill(C.map_alpha, C.map_alpha + 256, uint8_t{255});
  for (int i = 0; i < 256; ++i)
    C.map[i] = MakeRGBTriple(static_cast<uint8_t>((i / 32) * 32 + 28), static_cast<uint8_t>(((i / 4) % 8) * 32 + 28),
                             static_cast<uint8_t>((i % 4) * 64 + 60));
  if (h.map_type == 1) {
    const int32_t first = h.map_first, length = h.map_length, entry_bits = h.map_entry_bits;
    const int32_t entry_bytes = (entry_bits + 7) / 8;
    std::vector<uint8_t> raw(static_cast<size_t>(length) * entry_bytes);
    ReadUpTo(&C.in, raw.data(), static_cast<int64_t>(raw.size()));
    const bool known = entry_bits == 15 || entry_bits == 16 || entry_bits == 24 || entry_bits == 32;
    // Entries past 256 are read over (the data follows them) but not kept.
    for (int32_t i = 0; known && i < length && first + i < 256; ++i) {
      const uint8_t* e = raw.data() + static_cast<size_t>(i) * entry_bytes;
      if (entry_bytes == 2) {
        C.map[first + i] = Rgb555(LoadLE16(e));
      } else {
        C.map[first + i] = TRGB{e[0], e[1], e[2]};
        if (entry_bytes == 4) C.map_alpha[first + i] = e[3];
      }
    }
    C.map_has_alpha = known && entry_bits == 32;
    C.params.ColorMap.assign(C.map, C.map + std::min(length, 256));
    C.params.TgaGrayLevel = 0;
  } else if (h.depth == 8 || C.grey_alpha) {
    for (int i = 0; i < 256; ++i)
      C.map[i] = TRGB{static_cast<uint8_t>(i), static_cast<uint8_t>(i), static_cast<uint8_t>(i)};
    C.params.TgaGrayLevel = 1;
    C.params.FreeColorMap();
  } else {
    if (h.depth == 1) {
      C.map[0] = TRGB{0, 0, 0};
      C.map[1] = TRGB{255, 255, 255};
    }
    C.params.FreeColorMap();
  }
}

// Size, resolution and the samples the depth stands for.
void SetImageParams(ReadContext& C) {
  const Header& h = C.header;
  TIOParamsVals& p = C.params;
  p.TgaCompressed = h.type >= ImageType::RLEColorMapped;
  p.Width = h.width;
  p.Height = h.height;
  p.SetDpiX(DefaultDpiX);
  p.SetDpiY(DefaultDpiY);
  switch (h.depth) {
    case 1: p.BitsPerSample = 1; p.SamplesPerPixel = 1; break;
    case 4: p.BitsPerSample = 4; p.SamplesPerPixel = 1; break;
    case 8: p.BitsPerSample = 8; p.SamplesPerPixel = 1; break;
    case 16:
      p.BitsPerSample = C.grey_alpha ? 8 : 5;
      p.SamplesPerPixel = C.grey_alpha ? 1 : 3;
      break;
    case 24: p.BitsPerSample = 8; p.SamplesPerPixel = 3; break;
    default: p.BitsPerSample = 8; p.SamplesPerPixel = 4; break;
  }
}

// The colour and alpha of pixel X of a row of units.
void DecodePixel(const ReadContext& C, const uint8_t* Data, int32_t X, bool Packed, int32_t UnitBytes,
                 TRGB& Colour, uint8_t& Alpha) {
  const uint8_t* p = Data + static_cast<size_t>(Packed ? X / 2 : X) * UnitBytes;
  Alpha = 255;
  switch (C.header.depth) {
    case 4: {
      const uint8_t i = (X & 1) ? p[0] & 15 : p[0] >> 4;
      Colour = C.map[i];
      Alpha = C.map_alpha[i];
      break;
    }
    case 8: Colour = C.map[p[0]]; Alpha = C.map_alpha[p[0]]; break;
    case 16:
      if (C.grey_alpha) {
        Colour = TRGB{p[0], p[0], p[0]};
        Alpha = p[1];
      } else {
        Colour = Rgb555(LoadLE16(p));
      }
      break;
    case 24: Colour = TRGB{p[0], p[1], p[2]}; break;
    default: Colour = TRGB{p[0], p[1], p[2]}; Alpha = p[3]; break;
  }
}

// The rows, plain or run-length coded, bottom-up unless the descriptor
// says otherwise; a row that ends early aborts and keeps the rows before.
void DecodeRows(ReadContext& C, TIEBitmap* Bitmap, TIEMask* Alpha) {
  const Header& h = C.header;
  const int32_t width = h.width, height = h.height, depth = h.depth;
  const bool packed = depth == 1 || depth == 4;
  const int32_t unit_bytes = packed ? 1 : depth / 8;
  const int64_t units = packed ? (int64_t{width} * depth + 7) / 8 : width;
  std::vector<uint8_t> data(static_cast<size_t>(units * unit_bytes));
  std::vector<TRGB> row(static_cast<size_t>(width));
  std::vector<uint8_t> alpha(static_cast<size_t>(width), 255);
  UnitReader reader(&C.in, unit_bytes, C.params.TgaCompressed != 0);
  const bool top_down = (h.descriptor & kTopToBottom) != 0;
  const bool mirrored = (h.descriptor & kRightToLeft) != 0;
  for (int32_t r = 0; r < height; ++r) {
    if (C.progress.IsAborting()) break;
    if (!reader.Read(data.data(), units)) {
      C.progress.Abort();  // the data ended early: the rows read so far stay
      break;
    }
    const int32_t y = top_down ? r : height - 1 - r;
    uint8_t* dst = Bitmap->GetScanline(y);
    if (depth == 1) {
      std::memcpy(dst, data.data(), static_cast<size_t>(units));
      if (mirrored) {
        std::vector<uint8_t> copy(data);
        std::memset(dst, 0, static_cast<size_t>(units));
        for (int32_t x = 0; x < width; ++x)
          if (copy[static_cast<size_t>(x >> 3)] & (0x80 >> (x & 7)))
            dst[(width - 1 - x) >> 3] |= static_cast<uint8_t>(0x80 >> ((width - 1 - x) & 7));
      }
      Bitmap->UnmapRows();
    } else {
      for (int32_t x = 0; x < width; ++x) {
        TRGB c{};
        uint8_t a = 255;
        DecodePixel(C, data.data(), x, packed, unit_bytes, c, a);
        const int32_t at = mirrored ? width - 1 - x : x;
        row[static_cast<size_t>(at)] = c;
        alpha[static_cast<size_t>(at)] = a;
      }
      std::memcpy(dst, row.data(), static_cast<size_t>(width) * 3);
      Bitmap->UnmapRows();
      if (Alpha) std::memcpy(Alpha->GetScanline(y), alpha.data(), static_cast<size_t>(width));
    }
    C.progress.Report(static_cast<int64_t>(Trunc((r + 1) * 100.0 / height)));
  }
}

}  // namespace

bool IsTGAStream(TStream* Stream) {
  const formats::TStreamPositionGuard keep(Stream);
  uint8_t b[kHeaderSize];
  if (ReadUpTo(Stream, b, kHeaderSize) != kHeaderSize) return false;
  const Header h = ParseHeader(b);
  return ValidType(h.type) && ValidDepth(h.depth) && h.map_type <= 1 && h.width != 0 && h.height != 0;
}

void ReadTGAStream(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params,
                   TIOProgressRec& Progress, bool ParamsOnly, std::unique_ptr<TIEMask>& AlphaMask,
                   bool NoAlpha) {
  const int64_t start = Stream->Position();
  const int64_t size = Stream->Size();
  ReadExtensionArea(Stream, start, size, Params);

  Stream->SetPosition(start);
  TIEBufferedReadStream in(Stream, std::clamp<int64_t>(size - start, 1, 1 << 16));
  const formats::TStreamPositionGuard sync(Stream, &in);
  ReadContext c(Stream, in, Params, Progress);
  uint8_t b[kHeaderSize];
  if (ReadUpTo(&in, b, kHeaderSize) < kHeaderSize) return Progress.Abort();
  c.header = ParseHeader(b);
  const Header& h = c.header;
  Params.TgaXPos = h.x;
  Params.TgaYPos = h.y;
  if (!ValidType(h.type) || !ValidDepth(h.depth)) return Progress.Abort();
  std::vector<uint8_t> id(h.id_length);
  ReadUpTo(&in, id.data(), h.id_length);
  Params.TgaDescriptor = Text(id.data(), id.size());
  c.grey_alpha = h.depth == 16 && (h.type == ImageType::Grey || h.type == ImageType::RLEGrey);
  ReadColourMap(c);
  SetImageParams(c);
  if (ParamsOnly) return;
  const int32_t width = h.width, height = h.height;
  if (width == 0 || height == 0) return Progress.Abort();

  // The image and its alpha, when the data could describe them.
  const TIEPixelFormat format = h.depth == 1 ? ieMono1 : ieRGB24;
  const int64_t row_len = (int64_t{width} * IEBitsPerPixel[format] + 7) / 8;
  // The reader takes the descriptor's 8 (eight alpha bits or more) as the
  // mark of an alpha channel.
  const bool with_alpha = !NoAlpha && (((h.depth == 32 || c.grey_alpha) && (h.descriptor & kEightAlphaBits)) ||
                                       (h.depth == 8 && c.map_has_alpha));
  if (!IEClaimPlausible(Progress, width, height, format, with_alpha,
                        IEDataCanHold(row_len * height, in.Size() - in.Position(), kMaxExpansion)))
    return;
  Bitmap->Allocate(width, height, format);
  if (with_alpha) {
    if (!AlphaMask) AlphaMask = std::make_unique<TIEMask>();
    AlphaMask->AllocateBits(width, height, 8);
    AlphaMask->Fill(255);
    AlphaMask->Full = false;
  } else if (!NoAlpha) {
    AlphaMask.reset();
  }

  DecodeRows(c, Bitmap, with_alpha ? AlphaMask.get() : nullptr);
  Progress.Per1 = 1;
  if (with_alpha) {
    AlphaMask->SyncBoundingBox();
    if (AlphaMask->IsEmpty()) AlphaMask.reset();
  }
}

// ---- writer

namespace {

// Runs of 2 to 128 equal pixels become repeat packets; other pixels go into
// literal packets of up to 128.
void EncodeRow(const uint8_t* px, int32_t n, int32_t bpp, std::vector<uint8_t>& out) {
  auto same = [&](int32_t a, int32_t b) { return std::memcmp(px + a * bpp, px + b * bpp, static_cast<size_t>(bpp)) == 0; };
  int32_t i = 0;
  while (i < n) {
    int32_t run = 1;
    while (i + run < n && run < 128 && same(i, i + run)) ++run;
    if (run >= 2) {
      out.push_back(static_cast<uint8_t>(0x80 + run - 1));
      out.insert(out.end(), px + i * bpp, px + (i + 1) * bpp);
      i += run;
      continue;
    }
    int32_t lit = 1;
    while (i + lit < n && lit < 128 && !(i + lit + 1 < n && same(i + lit, i + lit + 1))) ++lit;
    out.push_back(static_cast<uint8_t>(lit - 1));
    out.insert(out.end(), px + i * bpp, px + (i + lit) * bpp);
    i += lit;
  }
}

void PutText(uint8_t* p, const std::string& s, size_t n) {
  std::memcpy(p, s.data(), std::min(s.size(), n - 1));
}

}  // namespace

void WriteTGAStream(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params,
                    TIOProgressRec& Progress, TIEMask* AlphaMask) {
  const TIEPixelFormat format = Bitmap->PixelFormat();
  if (format != ieRGB24 && format != ieMono1) return;
  const int32_t width = Bitmap->Width(), height = Bitmap->Height();
  if (width <= 0 || height <= 0 || width > 0xFFFF || height > 0xFFFF) return Progress.Abort();
  const int64_t start = Stream->Position();

  // The kind written. One- and four-bit Targa files are read by hardly any
  // program, so those depths are written with 8-bit pixels: grey 0 and 255,
  // and a 16-entry colour map.
  enum Kind { Grey8, Mapped8, True24, True32 } kind;
  int32_t colours = 256;
  const int32_t spp = Params.SamplesPerPixel, bps = Params.BitsPerSample;
  std::unique_ptr<TIEBitmap> owned;
  TIEBitmap* work = Bitmap;
  if (spp == 1 && bps == 1) {
    kind = Grey8;
    if (format != ieMono1) {
      TRGB c1, c2;
      owned.reset(BuildTwoColorBitmap(Bitmap, c1, c2));
      if (owned && !(c1 == TRGB{0, 0, 0} && c2 == TRGB{255, 255, 255})) {
        // Two colours other than black and white (a two-colour file as
        // read) would turn into grey levels: a map of the two keeps them.
        kind = Mapped8;
        colours = 2;
        owned.reset();
      } else if (!owned) {
        owned = std::make_unique<TIEBitmap>();
        owned->Assign(Bitmap);
        owned->ConvertFormat(ieMono1);
      }
      if (owned) work = owned.get();
    }
  } else if (spp == 1 && (bps == 4 || bps == 8)) {
    kind = bps == 8 && Params.TgaGrayLevel ? Grey8 : Mapped8;
    colours = bps == 4 ? 16 : 256;
  } else {
    kind = AlphaMask && !AlphaMask->Full && AlphaMask->Width() == width &&
                   AlphaMask->Height() == height && AlphaMask->BitsPerPixel() == 8
               ? True32
               : True24;
  }
  if (kind == True32) Params.TgaCompressed = 0;
  if (format == ieMono1 && kind == Mapped8) {
    owned = std::make_unique<TIEBitmap>();
    owned->Assign(Bitmap);
    owned->ConvertFormat(ieRGB24);
    work = owned.get();
  }
  std::vector<TRGB> palette(256, TRGB{0, 0, 0});
  std::unique_ptr<TIEQuantizer> quantizer;
  const bool grey_of_palette = kind == Grey8 && work->PixelFormat() == ieRGB24;
  if (kind == Mapped8 || grey_of_palette) {
    quantizer = std::make_unique<TIEQuantizer>(work, colours, palette.data(), -1);
    if (kind == Mapped8) Params.ColorMap.assign(palette.begin(), palette.begin() + colours);
  }
  const bool compressed = Params.TgaCompressed != 0;
  const bool mapped = kind == Mapped8;
  const int32_t depth = kind == True32 ? 32 : kind == True24 ? 24 : 8;

  TFormatWriter out(Stream, Progress);
  uint8_t h[kHeaderSize] = {};
  const std::string id = Params.TgaDescriptor.substr(0, 254);
  // The identification field keeps its terminating zero.
  h[HeaderField::IdLength] = static_cast<uint8_t>(id.size() + 1);
  h[HeaderField::ColorMapType] = mapped ? 1 : 0;
  h[HeaderField::ImageType] =
      static_cast<uint8_t>((kind == Grey8 ? ImageType::Grey : mapped ? ImageType::ColorMapped : ImageType::TrueColor) +
                           (compressed ? kRunLengthTypeOffset : 0));
  if (mapped) {
    StoreLE16(h + HeaderField::MapLength, static_cast<uint16_t>(colours));
    h[HeaderField::MapEntryBits] = 24;
  }
  StoreLE16(h + HeaderField::XOrigin, static_cast<uint16_t>(Params.TgaXPos));
  StoreLE16(h + HeaderField::YOrigin, static_cast<uint16_t>(Params.TgaYPos));
  StoreLE16(h + HeaderField::Width, static_cast<uint16_t>(width));
  StoreLE16(h + HeaderField::Height, static_cast<uint16_t>(height));
  h[HeaderField::PixelDepth] = static_cast<uint8_t>(depth);
  h[HeaderField::Descriptor] = static_cast<uint8_t>(kTopToBottom | (kind == True32 ? kEightAlphaBits : 0));
  out.Put(h, kHeaderSize);
  out.Put(id.c_str(), static_cast<int64_t>(id.size()) + 1);
  if (mapped) {
    std::vector<uint8_t> m(static_cast<size_t>(colours) * 3);
    for (int32_t i = 0; i < colours; ++i) {
      m[static_cast<size_t>(i) * 3] = palette[static_cast<size_t>(i)].b;
      m[static_cast<size_t>(i) * 3 + 1] = palette[static_cast<size_t>(i)].g;
      m[static_cast<size_t>(i) * 3 + 2] = palette[static_cast<size_t>(i)].r;
    }
    out.Put(m.data(), static_cast<int64_t>(m.size()));
  }

  const int32_t bpp = depth / 8;
  std::vector<uint8_t> row(static_cast<size_t>(width) * bpp), packed;
  Progress.Per1 = 100.0 / height;
  for (int32_t y = 0; y < height && !Progress.IsAborting(); ++y) {
    const uint8_t* src = work->GetScanline(y);
    for (int32_t x = 0; x < width; ++x) {
      const TRGB c = work->PixelRGBInRow(src, x);
      uint8_t* p = row.data() + static_cast<size_t>(x) * bpp;
      switch (kind) {
        case Grey8:
          p[0] = grey_of_palette ? static_cast<uint8_t>(RGBToGrayLevel(palette[static_cast<size_t>(quantizer->RGBToIndex(c))]))
                                 : c.r;
          break;
        case Mapped8: p[0] = static_cast<uint8_t>(quantizer->RGBToIndex(c)); break;
        case True24: p[0] = c.b; p[1] = c.g; p[2] = c.r; break;
        case True32:
          p[0] = c.b;
          p[1] = c.g;
          p[2] = c.r;
          p[3] = static_cast<uint8_t>(AlphaMask->GetPixel(x, y));
          break;
      }
    }
    work->UnmapRows();
    if (compressed) {
      packed.clear();
      EncodeRow(row.data(), width, bpp, packed);
      out.Put(packed.data(), static_cast<int64_t>(packed.size()));
    } else {
      out.Put(row.data(), static_cast<int64_t>(row.size()));
    }
    Progress.Report(y + 1);
  }

  // Extension area and footer.
  const int64_t ext_offset = Stream->Position() - start;
  uint8_t e[kExtensionSize] = {};
  StoreLE16(e + ExtensionField::Size, kExtensionSize);
  PutText(e + ExtensionField::AuthorName, Params.TgaAuthor, kExtensionTextSize);
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, ms = 0;
  DecodeDate(Params.TgaDate, year, month, day);
  DecodeTime(Params.TgaDate, hour, minute, second, ms);
  const int stamp[6] = {month, day, year, hour, minute, second};
  for (int i = 0; i < 6; ++i)
    StoreLE16(e + ExtensionField::DateTime + 2 * i, static_cast<uint16_t>(std::clamp(stamp[i], 0, 65535)));
  PutText(e + ExtensionField::JobName, Params.TgaImageName, kExtensionTextSize);
  uint8_t* key = e + ExtensionField::KeyColor;
  key[1] = Params.TgaBackground.r;
  key[2] = Params.TgaBackground.g;
  key[3] = Params.TgaBackground.b;
  // Ratios in ten-thousandths.
  auto ratio = [](double v) { return static_cast<uint16_t>(std::clamp<double>(Trunc(v * 10000), 0, 65535)); };
  StoreLE16(e + ExtensionField::AspectRatio, ratio(Params.TgaAspectRatio));
  StoreLE16(e + ExtensionField::AspectRatio + 2, 10000);
  StoreLE16(e + ExtensionField::Gamma, ratio(Params.TgaGamma));
  StoreLE16(e + ExtensionField::Gamma + 2, 10000);
  out.Put(e, kExtensionSize);
  uint8_t f[kFooterSize] = {};
  StoreLE32(f + FooterField::ExtensionOffset, static_cast<uint32_t>(ext_offset));
  std::memcpy(f + FooterField::Signature, kSignature, sizeof kSignature);  // the zero too
  out.Put(f, kFooterSize);
}

TIEFormatHandler TGAFormatHandler() {
  TIEFormatHandler h;
  h.TypeId = ieftTGA;
  h.Read = [](TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, bool ParamsOnly,
              TIOProgressRec& Progress, std::unique_ptr<TIEMask>& AlphaMask) {
    ReadTGAStream(Stream, Bitmap, Params, Progress, ParamsOnly, AlphaMask, ParamsOnly);
  };
  // The alpha channel goes to the writer as a mask.
  h.Write = [](TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIOProgressRec& Progress) {
    std::unique_ptr<TIEMask> mask;
    if (Bitmap->HasAlphaChannel()) {
      TIEBitmap* a = Bitmap->GetAlphaChannel();
      mask = std::make_unique<TIEMask>();
      mask->AllocateBits(Bitmap->Width(), Bitmap->Height(), 8);
      for (int32_t y = 0; y < Bitmap->Height(); ++y) {
        std::memcpy(mask->GetScanline(y), a->GetScanline(y), static_cast<size_t>(Bitmap->Width()));
        a->UnmapRows();
      }
      mask->SyncFull();
    }
    WriteTGAStream(Stream, Bitmap, Params, Progress, mask.get());
  };
  h.Test = IsTGAStream;
  h.DetectOrder = 120;  // after the icon and cursor tests
  h.AbortBeforeOpen = true;
  h.TellsViewDpi = 1;
  h.SaveFormats = PixelFormatBit(ieRGB24) | PixelFormatBit(ieMono1);
  return h;
}
