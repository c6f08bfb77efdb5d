#include "imaging/io/formats/TGA.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/io/formats/FormatFields.h"
#include "imaging/io/IEReadLimits.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/model/IEStreams.h"
#include "imaging/model/PixelHelpers.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/model/TIEMask.h"
#include "imaging/model/TIEQuantizer.h"
#include "rtl/Clock.h"
#include "rtl/Exception.h"
#include "rtl/Numeric.h"
#include "rtl/TStream.h"

namespace {

using formats::Put16;
using formats::Put32;
using formats::ReadUpTo;
using formats::U16;
using formats::U32;

// Image types (Truevision TGA file format, version 2.0).
struct ImageType {
  enum : uint8_t { ColorMapped = 1, TrueColor = 2, Grey = 3, RLEColorMapped = 9, RLETrueColor = 10, RLEGrey = 11 };
};
constexpr int64_t kHeaderSize = 18;
constexpr int64_t kFooterSize = 26;
constexpr int64_t kExtensionSize = 495;
constexpr char kSignature[] = "TRUEVISION-XFILE.";  // followed by a zero byte
constexpr uint8_t kTopToBottom = 0x20, kRightToLeft = 0x10;

// An image is allocated only when the data could describe it: at most
// kMaxExpansion bytes of image per byte of data (a two-byte run packet
// stands for 128 bytes of two 4-bit pixels, 768 bytes of image).
constexpr int64_t kMaxExpansion = 384;


bool ValidType(uint8_t t) { return t == 1 || t == 2 || t == 3 || t == 9 || t == 10 || t == 11; }
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

}  // namespace

bool IsTGAStream(TStream* Stream) {
  const int64_t pos = Stream->Position();
  uint8_t h[kHeaderSize];
  const int64_t got = ReadUpTo(Stream, h, kHeaderSize);
  Stream->SetPosition(pos);
  return got == kHeaderSize && ValidType(h[2]) && ValidDepth(h[16]) && h[1] <= 1 &&
         U16(h + 12) != 0 && U16(h + 14) != 0;
}

void ReadTGAStream(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params,
                   TIOProgressRec& Progress, bool ParamsOnly, std::unique_ptr<TIEMask>& AlphaMask,
                   bool NoAlpha) {
  const int64_t start = Stream->Position();
  const int64_t size = Stream->Size();
  Params.TgaAuthor.clear();
  Params.TgaImageName.clear();
  Params.TgaDate = Date();
  Params.TgaBackground = TRGB{0, 0, 0};
  Params.TgaAspectRatio = 1.0;
  Params.TgaGamma = 2.2;

  // The footer and the extension area, when the file has them.
  if (size - start >= kHeaderSize + kFooterSize) {
    uint8_t f[kFooterSize];
    Stream->SetPosition(size - kFooterSize);
    if (ReadUpTo(Stream, f, kFooterSize) == kFooterSize && std::memcmp(f + 8, kSignature, 17) == 0) {
      const uint32_t offset = U32(f);
      uint8_t e[kExtensionSize];
      if (offset > 0 && start + offset + kExtensionSize <= size) {
        Stream->SetPosition(start + offset);
        if (ReadUpTo(Stream, e, kExtensionSize) == kExtensionSize) {
          Params.TgaAuthor = Text(e + 2, 41);
          const int month = U16(e + 367), day = U16(e + 369), year = U16(e + 371);
          const int hour = U16(e + 373), minute = U16(e + 375), second = U16(e + 377);
          if (year >= 1 && year <= 2499 && month >= 1 && month <= 12 && day >= 1 && day <= 31 &&
              hour < 24 && minute < 60 && second < 60) {
            try {
              Params.TgaDate = EncodeDate(year, month, day) + EncodeTime(hour, minute, second, 0);
            } catch (const Exception&) {
              // An impossible day (31 February) leaves today.
            }
          }
          Params.TgaImageName = Text(e + 379, 41);
          Params.TgaBackground = MakeRGBTriple(e[471], e[472], e[473]);
          if (U16(e + 474) && U16(e + 476))
            Params.TgaAspectRatio = static_cast<double>(U16(e + 474)) / U16(e + 476);
          if (U16(e + 478) && U16(e + 480))
            Params.TgaGamma = static_cast<double>(U16(e + 478)) / U16(e + 480);
        }
      }
    }
  }

  Stream->SetPosition(start);
  TIEBufferedReadStream in(Stream, std::clamp<int64_t>(size - start, 1, 1 << 16));
  uint8_t h[kHeaderSize];
  if (ReadUpTo(&in, h, kHeaderSize) < kHeaderSize) return Progress.Abort();
  Params.TgaXPos = U16(h + 8);
  Params.TgaYPos = U16(h + 10);
  const uint8_t type = h[2], depth = h[16], descriptor = h[17];
  if (!ValidType(type) || !ValidDepth(depth)) return Progress.Abort();
  std::vector<uint8_t> id(h[0]);
  ReadUpTo(&in, id.data(), h[0]);
  Params.TgaDescriptor = Text(id.data(), id.size());

  // The colour map: a 3-3-2 palette until the file gives one.
  TRGB map[256];
  uint8_t map_alpha[256];
  std::fill(map_alpha, map_alpha + 256, uint8_t{255});
  for (int i = 0; i < 256; ++i)
    map[i] = MakeRGBTriple(static_cast<uint8_t>((i / 32) * 32 + 28), static_cast<uint8_t>(((i / 4) % 8) * 32 + 28),
                           static_cast<uint8_t>((i % 4) * 64 + 60));
  bool map_has_alpha = false;
  // A 16-bit grey image holds grey and alpha bytes, not 5-5-5 colour: its
  // type says grey.
  const bool grey_alpha = depth == 16 && (type == ImageType::Grey || type == ImageType::RLEGrey);
  if (h[1] == 1) {
    const int32_t first = U16(h + 3), length = U16(h + 5), entry_bits = h[7];
    const int32_t entry_bytes = (entry_bits + 7) / 8;
    std::vector<uint8_t> raw(static_cast<size_t>(length) * entry_bytes);
    ReadUpTo(&in, raw.data(), static_cast<int64_t>(raw.size()));
    const bool known = entry_bits == 15 || entry_bits == 16 || entry_bits == 24 || entry_bits == 32;
    // Entries past 256 are read over (the data follows them) but not kept.
    for (int32_t i = 0; known && i < length && first + i < 256; ++i) {
      const uint8_t* e = raw.data() + static_cast<size_t>(i) * entry_bytes;
      if (entry_bytes == 2) {
        map[first + i] = Rgb555(U16(e));
      } else {
        map[first + i] = TRGB{e[0], e[1], e[2]};
        if (entry_bytes == 4) map_alpha[first + i] = e[3];
      }
    }
    map_has_alpha = known && entry_bits == 32;
    Params.ColorMap.assign(map, map + std::min(length, 256));
    Params.TgaGrayLevel = 0;
  } else if (depth == 8 || grey_alpha) {
    for (int i = 0; i < 256; ++i) map[i] = TRGB{static_cast<uint8_t>(i), static_cast<uint8_t>(i), static_cast<uint8_t>(i)};
    Params.TgaGrayLevel = 1;
    Params.FreeColorMap();
  } else {
    if (depth == 1) {
      map[0] = TRGB{0, 0, 0};
      map[1] = TRGB{255, 255, 255};
    }
    Params.FreeColorMap();
  }

  Params.TgaCompressed = type >= ImageType::RLEColorMapped;
  const int32_t width = U16(h + 12), height = U16(h + 14);
  Params.Width = width;
  Params.Height = height;
  Params.SetDpiX(DefaultDpiX);
  Params.SetDpiY(DefaultDpiY);
  switch (depth) {
    case 1: Params.BitsPerSample = 1; Params.SamplesPerPixel = 1; break;
    case 4: Params.BitsPerSample = 4; Params.SamplesPerPixel = 1; break;
    case 8: Params.BitsPerSample = 8; Params.SamplesPerPixel = 1; break;
    case 16:
      Params.BitsPerSample = grey_alpha ? 8 : 5;
      Params.SamplesPerPixel = grey_alpha ? 1 : 3;
      break;
    case 24: Params.BitsPerSample = 8; Params.SamplesPerPixel = 3; break;
    default: Params.BitsPerSample = 8; Params.SamplesPerPixel = 4; break;
  }
  if (ParamsOnly) return;
  if (width == 0 || height == 0) return Progress.Abort();

  const TIEPixelFormat format = depth == 1 ? ieMono1 : ieRGB24;
  const int64_t row_len = (int64_t{width} * IEBitsPerPixel[format] + 7) / 8;
  const bool with_alpha =
      !NoAlpha && (((depth == 32 || grey_alpha) && (descriptor & 8)) || (depth == 8 && map_has_alpha));
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

  const bool packed = depth == 1 || depth == 4;
  const int32_t unit_bytes = packed ? 1 : depth / 8;
  const int64_t units = packed ? (int64_t{width} * depth + 7) / 8 : width;
  std::vector<uint8_t> data(static_cast<size_t>(units * unit_bytes));
  std::vector<TRGB> row(static_cast<size_t>(width));
  std::vector<uint8_t> alpha(static_cast<size_t>(width), 255);
  UnitReader reader(&in, unit_bytes, Params.TgaCompressed != 0);
  const bool top_down = (descriptor & kTopToBottom) != 0;
  const bool mirrored = (descriptor & kRightToLeft) != 0;
  for (int32_t r = 0; r < height; ++r) {
    if (Progress.IsAborting()) break;
    if (!reader.Read(data.data(), units)) {
      Progress.Abort();  // the data ended early: the rows read so far stay
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
        const uint8_t* p = data.data() + static_cast<size_t>(packed ? x / 2 : x) * unit_bytes;
        TRGB c{};
        uint8_t a = 255;
        switch (depth) {
          case 4: {
            const uint8_t i = (x & 1) ? p[0] & 15 : p[0] >> 4;
            c = map[i];
            a = map_alpha[i];
            break;
          }
          case 8: c = map[p[0]]; a = map_alpha[p[0]]; break;
          case 16:
            if (grey_alpha) {
              c = TRGB{p[0], p[0], p[0]};
              a = p[1];
            } else {
              c = Rgb555(U16(p));
            }
            break;
          case 24: c = TRGB{p[0], p[1], p[2]}; break;
          default: c = TRGB{p[0], p[1], p[2]}; a = p[3]; break;
        }
        const int32_t at = mirrored ? width - 1 - x : x;
        row[static_cast<size_t>(at)] = c;
        alpha[static_cast<size_t>(at)] = a;
      }
      std::memcpy(dst, row.data(), static_cast<size_t>(width) * 3);
      Bitmap->UnmapRows();
      if (with_alpha) std::memcpy(AlphaMask->GetScanline(y), alpha.data(), static_cast<size_t>(width));
    }
    Progress.Report(static_cast<int64_t>(Trunc((r + 1) * 100.0 / height)));
  }
  Progress.Per1 = 1;
  if (with_alpha) {
    AlphaMask->SyncBoundingBox();
    if (AlphaMask->IsEmpty()) AlphaMask.reset();
  }
  Stream->SetPosition(in.Position());
}

// ---- writer

namespace {

class Writer {
 public:
  Writer(TStream* s, TIOProgressRec& p) : s_(s), p_(p) {}
  void Put(const void* data, int64_t n) {
    bool failed = false;
    SafeStreamWrite(s_, failed, data, n);
    if (failed) p_.Abort();
  }

 private:
  TStream* s_;
  TIOProgressRec& p_;
};

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

  Writer out(Stream, Progress);
  uint8_t h[kHeaderSize] = {};
  const std::string id = Params.TgaDescriptor.substr(0, 254);
  h[0] = static_cast<uint8_t>(id.size() + 1);
  h[1] = mapped ? 1 : 0;
  h[2] = static_cast<uint8_t>((kind == Grey8 ? ImageType::Grey : mapped ? ImageType::ColorMapped : ImageType::TrueColor) +
                              (compressed ? 8 : 0));
  if (mapped) {
    Put16(h + 5, static_cast<uint32_t>(colours));
    h[7] = 24;
  }
  Put16(h + 8, static_cast<uint32_t>(Params.TgaXPos));
  Put16(h + 10, static_cast<uint32_t>(Params.TgaYPos));
  Put16(h + 12, static_cast<uint32_t>(width));
  Put16(h + 14, static_cast<uint32_t>(height));
  h[16] = static_cast<uint8_t>(depth);
  h[17] = static_cast<uint8_t>(kTopToBottom | (kind == True32 ? 8 : 0));
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
  Put16(e, kExtensionSize);
  PutText(e + 2, Params.TgaAuthor, 41);
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, ms = 0;
  DecodeDate(Params.TgaDate, year, month, day);
  DecodeTime(Params.TgaDate, hour, minute, second, ms);
  const int stamp[6] = {month, day, year, hour, minute, second};
  for (int i = 0; i < 6; ++i) Put16(e + 367 + 2 * i, static_cast<uint32_t>(std::clamp(stamp[i], 0, 65535)));
  PutText(e + 379, Params.TgaImageName, 41);
  e[471] = Params.TgaBackground.r;
  e[472] = Params.TgaBackground.g;
  e[473] = Params.TgaBackground.b;
  auto ratio = [](double v) { return static_cast<uint32_t>(std::clamp<double>(Trunc(v * 10000), 0, 65535)); };
  Put16(e + 474, ratio(Params.TgaAspectRatio));
  Put16(e + 476, 10000);
  Put16(e + 478, ratio(Params.TgaGamma));
  Put16(e + 480, 10000);
  out.Put(e, kExtensionSize);
  uint8_t f[kFooterSize] = {};
  Put32(f, static_cast<uint32_t>(ext_offset));
  std::memcpy(f + 8, kSignature, 18);
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
  h.SaveFormats = 1 << ieRGB24 | 1 << ieMono1;
  return h;
}
