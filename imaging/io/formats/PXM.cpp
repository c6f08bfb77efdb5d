#include "imaging/io/formats/PXM.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

#include "imaging/io/formats/FormatFields.h"
#include "imaging/io/formats/FormatWriter.h"
#include "imaging/io/IEReadLimits.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/formats/StreamPositionGuard.h"
#include "imaging/model/IEStreams.h"
#include "imaging/model/PixelHelpers.h"
#include "imaging/model/TIEBitmap.h"
#include "rtl/Numeric.h"
#include "rtl/SaturatedProduct.h"
#include "rtl/StrUtils.h"
#include "rtl/TStream.h"

namespace {

using formats::ReadUpTo;
using formats::TFormatWriter;

// An image is allocated only when the file could hold it: at most
// kMaxExpansion bytes of image per byte of file (a grey byte becomes three;
// a text sample takes two characters, a text pixel one character for a bit).
constexpr int64_t kMaxExpansion = 3;

bool IsAlnum(uint8_t c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// A token's value as a decimal number, -1 when it is not one.
int64_t TokenValue(const std::string& t) {
  if (t.empty() || t.size() > 18) return -1;
  int64_t v = 0;
  for (char c : t) {
    if (c < '0' || c > '9') return -1;
    v = v * 10 + (c - '0');
  }
  return v;
}

struct Header {
  std::string magic;
  int64_t width = -1, height = -1, maxval = -1;
};

// The header tokens; comments go to the list.
Header ReadHeader(TStream* s, std::vector<std::string>* comments, int32_t max_tokens) {
  Header h;
  int known = 0;
  for (int32_t n = 0; n < max_tokens && s->Position() < s->Size(); ++n) {
    const std::string t = ReadPXMToken(s);
    if (t.empty()) break;
    if (t[0] == '#') {
      if (comments) comments->push_back(t.substr(1));
      continue;
    }
    switch (known++) {
      case 0:
        h.magic = t;
        if (t == "P1" || t == "P4") h.maxval = 1;
        break;
      case 1: h.width = TokenValue(t); break;
      case 2: h.height = TokenValue(t); break;
      case 3: h.maxval = TokenValue(t); break;
    }
    if (known == 1 && (t.size() != 2 || t[0] != 'P' || t[1] < '1' || t[1] > '6')) break;
    if (known == 3 && (h.magic == "P1" || h.magic == "P4")) break;
    if (known == 4) break;
  }
  return h;
}

// A text sample scaled to a byte; above the maximum counts as the maximum.
uint8_t Scale(int64_t v, int64_t maxval) {
  if (v < 0) v = 0;
  if (v > maxval) v = maxval;
  return static_cast<uint8_t>(v * 255 / maxval);
}

// One row of samples of the full range (255, or 65535 for 48-bit pixels)
// into a bitmap row: bytes copied into place, in the bitmap's channel order.
void CopyFullRangeRow(const uint8_t* in, int32_t width, bool colour, TIEPixelFormat format, uint8_t* row) {
  if (format == ieRGB48) {
    auto* px = reinterpret_cast<uint16_t*>(row);
    for (int64_t i = 0; i < int64_t{width} * 3; ++i)
      px[i] = static_cast<uint16_t>(in[2 * i] << 8 | in[2 * i + 1]);
    return;
  }
  TRGB* px = reinterpret_cast<TRGB*>(row);
  if (colour) {
    for (int32_t x = 0; x < width; ++x, in += 3) px[x] = MakeRGBTriple(in[0], in[1], in[2]);
  } else {
    for (int32_t x = 0; x < width; ++x) px[x] = TRGB{in[x], in[x], in[x]};
  }
}

}  // namespace

std::string ReadPXMToken(TStream* Stream) {
  uint8_t c = 0;
  for (;;) {
    if (Stream->Read(&c, 1) != 1) return {};
    if (c == '#' || IsAlnum(c)) break;
  }
  std::string t(1, static_cast<char>(c));
  if (c == '#') {
    while (Stream->Read(&c, 1) == 1 && c != '\r' && c != '\n') t += static_cast<char>(c);
    return "#" + Trim(t.substr(1));
  }
  while (Stream->Read(&c, 1) == 1 && IsAlnum(c)) t += static_cast<char>(c);
  return t;
}

bool IsPXMStream(TStream* Stream) {
  const int64_t pos = Stream->Position();
  TIEBufferedReadStream in(Stream, 512);
  const Header h = ReadHeader(&in, nullptr, 501);
  Stream->SetPosition(pos);
  if (h.magic.size() != 2 || h.magic[0] != 'P' || h.magic[1] < '1' || h.magic[1] > '6') return false;
  return h.width > 0 && h.height > 0;
}

void ReadPXMStream(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, bool ParamsOnly,
                   TIOProgressRec& Progress) {
  TIEBufferedReadStream in(Stream, std::clamp<int64_t>(Stream->Size() - Stream->Position(), 1, 1 << 16));
  const formats::TStreamPositionGuard sync(Stream, &in);

  Params.PxmComments.clear();
  const Header h = ReadHeader(&in, &Params.PxmComments, INT32_MAX);
  if (h.width <= 0 || h.height <= 0 || h.width > INT32_MAX || h.height > INT32_MAX)
    return Progress.Abort();
  const char kind = h.magic.size() == 2 && h.magic[0] == 'P' ? h.magic[1] : '?';
  if (kind < '1' || kind > '6') return Progress.Abort();
  // A maximum of 0 would divide by zero; above 16 bits no sample fits.
  if (h.maxval < 1 || h.maxval > 65535) return Progress.Abort();
  const auto width = static_cast<int32_t>(h.width), height = static_cast<int32_t>(h.height);
  const int64_t maxval = h.maxval;

  Params.FreeColorMap();
  Params.Width = width;
  Params.Height = height;
  Params.SetDpiX(DefaultDpiX);
  Params.SetDpiY(DefaultDpiY);
  const bool mono = kind == '1' || kind == '4';
  const bool colour = kind == '3' || kind == '6';
  const bool wide = kind == '6' && maxval > 255;
  Params.BitsPerSample = mono ? 1 : wide ? 16 : 8;
  Params.SamplesPerPixel = colour ? 3 : 1;
  if (ParamsOnly) return;

  const TIEPixelFormat format =
      mono ? ieMono1 : wide && Params.IsNativePixelFormat ? ieRGB48 : ieRGB24;
  const int64_t image_bytes = SaturatedProduct({height, (int64_t{width} * IEBitsPerPixel[format] + 7) / 8});
  if (!IEClaimPlausible(Progress, width, height, format, false,
                        IEDataCanHold(image_bytes, in.Size() - in.Position(), kMaxExpansion)))
    return;
  Bitmap->Allocate(width, height, format);
  Progress.Per1 = 100.0 / height;

  const int32_t sample_bytes = maxval > 255 ? 2 : 1;
  const int32_t channels = colour ? 3 : 1;
  std::vector<uint8_t> buf;
  switch (kind) {
    case '4':
    case '5':
    case '6':
      buf.resize(static_cast<size_t>(kind == '4' ? (int64_t{width} + 7) / 8
                                                 : int64_t{width} * channels * sample_bytes));
      break;
    default:
      break;
  }
  for (int32_t y = 0; y < height; ++y) {
    if (Progress.IsAborting()) break;
    uint8_t* row = Bitmap->GetScanline(y);
    if (kind == '1') {
      // One character a pixel: "0" white, "1" black, all others skipped.
      int32_t x = 0;
      uint8_t c = 0;
      while (x < width && in.Read(&c, 1) == 1) {
        if (c != '0' && c != '1') continue;
        if (c == '0') row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
        ++x;
      }
      Bitmap->UnmapRows();
      if (x < width) break;
      if (y + 1 < height) Progress.Report(y + 1);
      continue;
    }
    if (kind == '2' || kind == '3') {
      TRGB* px = reinterpret_cast<TRGB*>(row);
      for (int32_t x = 0; x < width; ++x) {
        uint8_t v[3];
        for (int32_t k = 0; k < channels; ++k) v[k] = Scale(TokenValue(ReadPXMToken(&in)), maxval);
        px[x] = colour ? MakeRGBTriple(v[0], v[1], v[2]) : TRGB{v[0], v[0], v[0]};
      }
    } else {
      const int64_t got = ReadUpTo(&in, buf.data(), static_cast<int64_t>(buf.size()));
      if (got < static_cast<int64_t>(buf.size())) {
        Bitmap->UnmapRows();
        Progress.Abort();  // the data ended early: the rows read so far stay
        break;
      }
      auto sample = [&](int64_t i) -> int64_t {
        const int64_t v = sample_bytes == 2 ? (buf[i * 2] << 8 | buf[i * 2 + 1]) : buf[i];
        return std::min(v, maxval);
      };
      if (kind == '4') {
        std::memcpy(row, buf.data(), buf.size());
      } else if (maxval == 255 || (maxval == 65535 && format == ieRGB48)) {
        // Full-range samples are the pixels' own values: copied, not scaled.
        CopyFullRangeRow(buf.data(), width, colour, format, row);
      } else if (format == ieRGB48) {
        auto* px = reinterpret_cast<uint16_t*>(row);
        for (int64_t i = 0; i < int64_t{width} * 3; ++i)
          px[i] = static_cast<uint16_t>(sample(i) * 65535 / maxval);
      } else {
        TRGB* px = reinterpret_cast<TRGB*>(row);
        for (int32_t x = 0; x < width; ++x) {
          if (colour && maxval == 65535) {
            // Full 16-bit samples give their high byte.
            px[x] = MakeRGBTriple(buf[x * 6], buf[x * 6 + 2], buf[x * 6 + 4]);
          } else if (colour) {
            px[x] = MakeRGBTriple(Scale(sample(x * 3), maxval), Scale(sample(x * 3 + 1), maxval),
                                  Scale(sample(x * 3 + 2), maxval));
          } else {
            const uint8_t g = Scale(sample(x), maxval);
            px[x] = TRGB{g, g, g};
          }
        }
      }
    }
    Bitmap->UnmapRows();
    Progress.Report(y + 1);
  }
  // The file's 1 is black.
  if (kind == '4') InvertBitmap(Bitmap);
}

void WritePXMStream(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params,
                    TIOProgressRec& Progress) {
  const int32_t w = Bitmap->Width(), h = Bitmap->Height();
  if (w <= 0 || h <= 0) return Progress.Abort();
  std::string comments;
  for (const std::string& c : Params.PxmComments) comments += "\n# " + c + "\n";
  const std::string size = IntToStr(w) + " " + IntToStr(h);
  const TIEPixelFormat format = Bitmap->PixelFormat();
  TFormatWriter out(Stream, Progress);
  Progress.Per1 = 100.0 / h;
  const int32_t bps = Params.BitsPerSample, spp = Params.SamplesPerPixel;

  if ((bps == 1 && spp == 1) || format == ieMono1) {
    std::unique_ptr<TIEBitmap> copy;
    TIEBitmap* mono = Bitmap;
    if (format != ieMono1) {
      copy = std::make_unique<TIEBitmap>();
      copy->Assign(Bitmap);
      copy->ConvertFormat(ieMono1);
      mono = copy.get();
    }
    out.Text("P4 " + comments + size + "\n");
    std::vector<uint8_t> row(static_cast<size_t>((w + 7) / 8));
    for (int32_t y = 0; y < h && !Progress.IsAborting(); ++y) {
      const uint8_t* src = mono->GetScanline(y);
      for (size_t i = 0; i < row.size(); ++i) row[i] = static_cast<uint8_t>(~src[i]);
      mono->UnmapRows();
      out.Put(row.data(), static_cast<int64_t>(row.size()));
      Progress.Report(y + 1);
    }
    return;
  }
  if (format != ieRGB24 && format != ieRGB48) return;
  if (bps == 8 && spp == 1) {
    out.Text("P5 " + comments + size + " 255\n");
    std::vector<uint8_t> row(static_cast<size_t>(w));
    for (int32_t y = 0; y < h && !Progress.IsAborting(); ++y) {
      const uint8_t* src = Bitmap->GetScanline(y);
      for (int32_t x = 0; x < w; ++x) row[x] = static_cast<uint8_t>(RGBToGrayLevel(Bitmap->PixelRGBInRow(src, x)));
      Bitmap->UnmapRows();
      out.Put(row.data(), w);
      Progress.Report(y + 1);
    }
    return;
  }
  const bool sixteen = format == ieRGB48 || (bps == 16 && spp == 3);
  out.Text("P6 " + comments + size + (sixteen ? " 65535\n" : " 255\n"));
  std::vector<uint8_t> row(static_cast<size_t>(w) * (sixteen ? 6 : 3));
  for (int32_t y = 0; y < h && !Progress.IsAborting(); ++y) {
    const uint8_t* src = Bitmap->GetScanline(y);
    // The common row, 24-bit to 8-bit samples, is only reordered: kept out
    // of the general loop, whose tests per sample cost more than the copy.
    if (format == ieRGB24 && !sixteen) {
      const TRGB* px = reinterpret_cast<const TRGB*>(src);
      uint8_t* o = row.data();
      for (int32_t x = 0; x < w; ++x, o += 3) {
        o[0] = px[x].r;
        o[1] = px[x].g;
        o[2] = px[x].b;
      }
      Bitmap->UnmapRows();
      out.Put(row.data(), static_cast<int64_t>(row.size()));
      Progress.Report(y + 1);
      continue;
    }
    for (int32_t x = 0; x < w; ++x) {
      if (format == ieRGB48) {
        const auto* p = reinterpret_cast<const uint16_t*>(src) + x * 3;
        for (int k = 0; k < 3; ++k) {
          row[static_cast<size_t>(x) * 6 + k * 2] = static_cast<uint8_t>(p[k] >> 8);
          row[static_cast<size_t>(x) * 6 + k * 2 + 1] = static_cast<uint8_t>(p[k]);
        }
      } else {
        const TRGB c = reinterpret_cast<const TRGB*>(src)[x];
        const uint8_t v[3] = {c.r, c.g, c.b};
        for (int k = 0; k < 3; ++k) {
          if (sixteen) {
            // v x 257 as a big-endian word is the byte twice.
            row[static_cast<size_t>(x) * 6 + k * 2] = row[static_cast<size_t>(x) * 6 + k * 2 + 1] = v[k];
          } else {
            row[static_cast<size_t>(x) * 3 + k] = v[k];
          }
        }
      }
    }
    Bitmap->UnmapRows();
    out.Put(row.data(), static_cast<int64_t>(row.size()));
    Progress.Report(y + 1);
  }
}

// ---- wireless bitmap

uint32_t ReadWBMPInteger(TStream* Stream) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) {
    uint8_t b = 0;
    if (Stream->Read(&b, 1) != 1) break;
    v = v << 7 | (b & 0x7F);
    if (!(b & 0x80)) break;
  }
  return v;
}

void ReadWBMPStream(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, bool ParamsOnly,
                    TIOProgressRec& Progress) {
  const uint32_t type = ReadWBMPInteger(Stream);
  const uint32_t fixed = ReadWBMPInteger(Stream);
  // The full counts: a bitmap may be wider than 255 pixels.
  const uint32_t width = ReadWBMPInteger(Stream), height = ReadWBMPInteger(Stream);
  if (type != 0 || fixed != 0 || width == 0 || height == 0) return Progress.Abort();
  Params.BitsPerSample = 1;
  Params.SamplesPerPixel = 1;
  Params.Width = static_cast<int32_t>(width);
  Params.Height = static_cast<int32_t>(height);
  Params.SetDpiX(DefaultDpiX);
  Params.SetDpiY(DefaultDpiY);
  Params.FreeColorMap();
  if (ParamsOnly) return;
  const int64_t row_bytes = (int64_t{width} + 7) / 8;
  if (!IEClaimPlausible(Progress, static_cast<int32_t>(width), static_cast<int32_t>(height), ieMono1, false,
                        IEDataCanHold(row_bytes * height, Stream->Size() - Stream->Position(), 1)))
    return;
  Bitmap->Allocate(static_cast<int32_t>(width), static_cast<int32_t>(height), ieMono1);
  Progress.Per1 = 100.0 / height;
  TIEBufferedReadStream in(Stream, std::clamp<int64_t>(row_bytes * height, 1, 1 << 16));
  for (int32_t y = 0; y < static_cast<int32_t>(height); ++y) {
    const int64_t got = ReadUpTo(&in, Bitmap->GetScanline(y), row_bytes);
    Bitmap->UnmapRows();
    if (got < row_bytes) {
      Progress.Abort();
      break;
    }
    Progress.Report(y);
  }
  Stream->SetPosition(in.Position());
}

void WriteWBMPStream(TStream* Stream, TIEBitmap* Bitmap, TIOProgressRec& Progress) {
  std::unique_ptr<TIEBitmap> copy;
  TIEBitmap* mono = Bitmap;
  if (Bitmap->PixelFormat() != ieMono1) {
    copy = std::make_unique<TIEBitmap>();
    copy->Assign(Bitmap);
    copy->ConvertFormat(ieMono1);
    mono = copy.get();
  }
  const int32_t w = mono->Width(), h = mono->Height();
  if (w <= 0 || h <= 0) return Progress.Abort();
  TFormatWriter out(Stream, Progress);
  auto put_integer = [&](uint32_t v) {
    uint8_t b[5];
    int n = 0;
    do {
      b[n++] = static_cast<uint8_t>(v & 0x7F);
      v >>= 7;
    } while (v);
    std::reverse(b, b + n);
    for (int i = 0; i + 1 < n; ++i) b[i] |= 0x80;
    out.Put(b, n);
  };
  const uint8_t zero[2] = {0, 0};
  out.Put(zero, 2);
  put_integer(static_cast<uint32_t>(w));
  put_integer(static_cast<uint32_t>(h));
  const int64_t row_bytes = (int64_t{w} + 7) / 8;
  Progress.Per1 = 100.0 / h;
  for (int32_t y = 0; y < h && !Progress.IsAborting(); ++y) {
    out.Put(mono->GetScanline(y), row_bytes);
    mono->UnmapRows();
    Progress.Report(y);
  }
}

// ---- the input/output component

TIEFormatHandler PXMFormatHandler() {
  TIEFormatHandler h;
  h.TypeId = ieftPXM;
  h.Read = [](TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, bool ParamsOnly,
              TIOProgressRec& Progress, std::unique_ptr<TIEMask>&) {
    ReadPXMStream(Stream, Bitmap, Params, ParamsOnly, Progress);
  };
  h.Write = WritePXMStream;
  h.Test = IsPXMStream;
  h.DetectOrder = 130;  // after the Targa test, before JPEG
  h.AbortBeforeOpen = true;
  h.TellsViewDpi = 0;
  h.SaveFormats = PixelFormatBit(ieRGB24) | PixelFormatBit(ieMono1) | PixelFormatBit(ieRGB48);
  return h;
}

TIEFormatHandler WBMPFormatHandler() {
  TIEFormatHandler h;
  h.TypeId = ieftWBMP;
  h.Read = [](TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, bool ParamsOnly,
              TIOProgressRec& Progress, std::unique_ptr<TIEMask>&) {
    ReadWBMPStream(Stream, Bitmap, Params, ParamsOnly, Progress);
  };
  h.Write = [](TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals&, TIOProgressRec& Progress) {
    WriteWBMPStream(Stream, Bitmap, Progress);
  };
  // Wireless bitmaps have no signature: never detected by content.
  h.Test = nullptr;
  h.AbortBeforeOpen = true;
  h.TellsViewDpi = 0;
  h.SaveFormats = PixelFormatBit(ieRGB24) | PixelFormatBit(ieMono1);
  return h;
}
