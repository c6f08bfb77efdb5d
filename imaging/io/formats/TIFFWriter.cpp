#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/formats/CCITT.h"
#include "imaging/io/formats/JPEG.h"
#include "imaging/io/formats/TIFF.h"
#include "imaging/io/formats/TIFFDirectory.h"
#include "imaging/io/formats/TIFFLZW.h"
#include "imaging/io/formats/TIFFMakerNote.h"
#include "imaging/io/formats/TIFFTags.h"
#include "imaging/model/ColorSpaces.h"
#include "imaging/model/IEStreams.h"
#include "imaging/model/PixelHelpers.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/model/TIEQuantizer.h"
#include "rtl/ByteOrder.h"
#include "rtl/Numeric.h"
#include "rtl/TStream.h"

namespace {

// Data types of the written samples.
struct Data {
  enum : int32_t { Bilevel = 0, Grey = 1, RGB = 2, Palette = 3, CMYK = 5, YCbCr = 6, CIELab = 7 };
};

// Strips hold about this many bytes of image.
constexpr int64_t kStripBytes = 524288;

// Collects the entries of one directory while their data goes to the stream.
class TagList {
 public:
  TagList(TStream* s, bool& abort) : s_(s), abort_(abort) {}

  void Long(uint16_t tag, uint32_t v) { Add(tag, TIFFType::LONG, 1, v); }
  void Short(uint16_t tag, uint32_t v) { Add(tag, TIFFType::SHORT, 1, v & 0xFFFF); }
  void Shorts(uint16_t tag, const std::vector<uint32_t>& v) {
    if (v.size() <= 2) {
      Add(tag, TIFFType::SHORT, static_cast<uint32_t>(v.size()), (v[0] & 0xFFFF) | (v.size() > 1 ? v[1] << 16 : 0));
      return;
    }
    std::vector<uint8_t> b;
    for (uint32_t x : v) AppendLE16(b, static_cast<uint16_t>(x));
    Add(tag, TIFFType::SHORT, static_cast<uint32_t>(v.size()), Block(b));
  }
  void Longs(uint16_t tag, const std::vector<uint32_t>& v) {
    if (v.size() == 1) return Long(tag, v[0]);
    std::vector<uint8_t> b;
    for (uint32_t x : v) AppendLE32(b, x);
    Add(tag, TIFFType::LONG, static_cast<uint32_t>(v.size()), Block(b));
  }
  void Rationals(uint16_t tag, const std::vector<double>& v, bool is_signed = false) {
    std::vector<uint8_t> b;
    for (double x : v) {
      int64_t num = 0, den = 0;
      Fraction(x, is_signed, num, den);
      AppendLE32(b, static_cast<uint32_t>(num));
      AppendLE32(b, static_cast<uint32_t>(den));
    }
    Add(tag, is_signed ? TIFFType::SRATIONAL : TIFFType::RATIONAL, static_cast<uint32_t>(v.size()), Block(b));
  }
  void Rational(uint16_t tag, double v, bool is_signed = false) { Rationals(tag, {v}, is_signed); }
  // A whole-number rational: Value / 1.
  void RationalInt(uint16_t tag, uint32_t v) {
    std::vector<uint8_t> b;
    AppendLE32(b, v);
    AppendLE32(b, 1);
    Add(tag, TIFFType::RATIONAL, 1, Block(b));
  }
  // ASCII text with its terminating zero; empty text: no entry.
  void Ascii(uint16_t tag, const std::string& text) {
    if (text.empty()) return;
    std::vector<uint8_t> b(text.begin(), text.end());
    b.push_back(0);
    Bytes(tag, TIFFType::ASCII, b);
  }
  // The Windows XP texts: UTF-16 little-endian with a zero character.
  void Wide(uint16_t tag, const std::u16string& text) {
    if (text.empty()) return;
    std::vector<uint8_t> b;
    for (char16_t c : text) AppendLE16(b, static_cast<uint16_t>(c));
    AppendLE16(b, 0);
    Bytes(tag, TIFFType::BYTE, b);
  }
  // Count bytes of the type's unit: in the value field when they fit.
  void Bytes(uint16_t tag, uint16_t type, const std::vector<uint8_t>& b) {
    if (b.size() <= 4) {
      uint32_t v = 0;
      for (size_t i = 0; i < b.size(); ++i) v |= static_cast<uint32_t>(b[i]) << (8 * i);
      Add(tag, type, static_cast<uint32_t>(b.size()), v);
    } else {
      Add(tag, type, static_cast<uint32_t>(b.size()), Block(b));
    }
  }
  void Add(uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
    for (auto& e : entries_)
      if (e.tag == tag) {
        e = {tag, type, count, value};
        return;
      }
    entries_.push_back({tag, type, count, value});
  }
  // Writes the directory at an even position; returns its position.
  uint32_t WriteDirectory(uint32_t next) {
    if (s_->Position() % 2) Zero(1);
    const uint32_t at = static_cast<uint32_t>(s_->Position());
    std::stable_sort(entries_.begin(), entries_.end(), [](const E& a, const E& b) { return a.tag < b.tag; });
    std::vector<uint8_t> b;
    AppendLE16(b, static_cast<uint16_t>(entries_.size()));
    for (const E& e : entries_) {
      AppendLE16(b, e.tag);
      AppendLE16(b, e.type);
      AppendLE32(b, e.count);
      AppendLE32(b, e.value);
    }
    AppendLE32(b, next);
    Write(b);
    return at;
  }
  void Write(const std::vector<uint8_t>& b) {
    if (!b.empty()) SafeStreamWrite(s_, abort_, b.data(), static_cast<int64_t>(b.size()));
  }
  void Zero(size_t n) { Write(std::vector<uint8_t>(n, 0)); }
  // Writes the bytes at the stream's (even) position; returns it.
  uint32_t Block(const std::vector<uint8_t>& b) {
    if (s_->Position() % 2) Zero(1);
    const uint32_t at = static_cast<uint32_t>(s_->Position());
    Write(b);
    return at;
  }
  // A float as a fraction: the denominator starts at 1,000,000 and shrinks
  // by tens while the numerator would not fit.
  static void Fraction(double x, bool is_signed, int64_t& num, int64_t& den) {
    if (!std::isfinite(x)) x = 0;
    if (!is_signed && x < 0) x = 0;
    const double limit = is_signed ? 2147483640.0 : 4294967280.0;
    den = 1000000;
    while (den > 1 && std::fabs(x) * static_cast<double>(den) > 2147483640.0) den /= 10;
    double n = Round(x * static_cast<double>(den));
    n = std::clamp(n, is_signed ? -limit : 0.0, limit);
    num = static_cast<int64_t>(n);
  }

 private:
  struct E {
    uint16_t tag, type;
    uint32_t count, value;
  };
  TStream* s_;
  bool& abort_;
  std::vector<E> entries_;
};

// The EXIF field set: the page's tags, and the EXIF sub-directory written at
// once.
void WriteTIFFExifTags(TagList& t, TIOParamsVals& p, TStream* s, bool& abort) {
  t.Ascii(TIFFTag::ImageDescription, p.EXIFImageDescription);
  if (Trunc(p.EXIFXResolution()) != 0)
    t.RationalInt(TIFFTag::XResolution, static_cast<uint32_t>(Trunc(p.EXIFXResolution())));
  if (Trunc(p.EXIFYResolution()) != 0)
    t.RationalInt(TIFFTag::YResolution, static_cast<uint32_t>(Trunc(p.EXIFYResolution())));
  t.Short(TIFFTag::Orientation, static_cast<uint32_t>(p.TiffOrientation()));
  t.Short(TIFFTag::ResolutionUnit, 2);
  t.Ascii(TIFFTag::Software, p.EXIFSoftware);
  t.Wide(TIFFTag::XPTitle, p.EXIFXPTitle);
  t.Wide(TIFFTag::XPComment, p.EXIFXPComment);
  t.Wide(TIFFTag::XPAuthor, p.EXIFXPAuthor);
  t.Wide(TIFFTag::XPKeywords, p.EXIFXPKeywords);
  t.Wide(TIFFTag::XPSubject, p.EXIFXPSubject);
  t.Ascii(TIFFTag::Artist, p.EXIFArtist);
  t.Ascii(TIFFTag::Make, p.EXIFMake);
  t.Ascii(TIFFTag::Model, p.EXIFModel);
  t.Ascii(TIFFTag::DateTime, p.EXIFDateTime);
  t.Rationals(TIFFTag::WhitePoint, {p.EXIFWhitePoint.begin(), p.EXIFWhitePoint.end()});
  t.Short(TIFFTag::YCbCrPositioning, static_cast<uint32_t>(p.EXIFYCbCrPositioning));
  t.Rationals(TIFFTag::PrimaryChromaticities, {p.EXIFPrimaryChromaticities.begin(), p.EXIFPrimaryChromaticities.end()});
  t.Rationals(TIFFTag::YCbCrCoefficients, {p.EXIFYCbCrCoefficients.begin(), p.EXIFYCbCrCoefficients.end()});
  t.Rationals(TIFFTag::ReferenceBlackWhite, {p.EXIFReferenceBlackWhite.begin(), p.EXIFReferenceBlackWhite.end()});
  t.Ascii(TIFFTag::Copyright, p.EXIFCopyright);

  TagList x(s, abort);
  auto u16 = [](int32_t v) { return static_cast<uint32_t>(std::clamp(v, 0, 65535)); };
  x.Rational(TIFFTag::ExposureTime, p.EXIFExposureTime);
  x.Rational(TIFFTag::FNumber, p.EXIFFNumber);
  x.Short(TIFFTag::ExposureProgram, u16(p.EXIFExposureProgram));
  // A second speed only when there is one.
  if (p.EXIFISOSpeedRatings[1] != 0)
    x.Shorts(TIFFTag::ISOSpeedRatings, {u16(p.EXIFISOSpeedRatings[0]), u16(p.EXIFISOSpeedRatings[1])});
  else x.Short(TIFFTag::ISOSpeedRatings, u16(p.EXIFISOSpeedRatings[0]));
  {
    std::vector<uint8_t> v(4, 0);
    for (size_t i = 0; i < 4 && i < p.EXIFExifVersion.size(); ++i) v[i] = static_cast<uint8_t>(p.EXIFExifVersion[i]);
    x.Bytes(TIFFTag::ExifVersion, TIFFType::UNDEFINED, v);
  }
  x.Ascii(TIFFTag::DateTimeOriginal, p.EXIFDateTimeOriginal);
  x.Ascii(TIFFTag::DateTimeDigitized, p.EXIFDateTimeDigitized);
  x.Rational(TIFFTag::CompressedBitsPerPixel, p.EXIFCompressedBitsPerPixel);
  // The APEX values may be negative: signed rationals.
  x.Rational(TIFFTag::ShutterSpeedValue, p.EXIFShutterSpeedValue, true);
  x.Rational(TIFFTag::ApertureValue, p.EXIFApertureValue);
  x.Rational(TIFFTag::BrightnessValue, p.EXIFBrightnessValue, true);
  x.Rational(TIFFTag::ExposureBiasValue, p.EXIFExposureBiasValue, true);
  x.Rational(TIFFTag::MaxApertureValue, p.EXIFMaxApertureValue);
  x.Rational(TIFFTag::SubjectDistance, p.EXIFSubjectDistance);
  x.Short(TIFFTag::MeteringMode, u16(p.EXIFMeteringMode));
  x.Short(TIFFTag::LightSource, u16(p.EXIFLightSource));
  x.Short(TIFFTag::Flash, u16(p.EXIFFlash));
  x.Rational(TIFFTag::FocalLength, p.EXIFFocalLength);
  x.Ascii(TIFFTag::SubsecTime, p.EXIFSubsecTime);
  x.Ascii(TIFFTag::SubsecTimeOriginal, p.EXIFSubsecTimeOriginal);
  x.Ascii(TIFFTag::SubsecTimeDigitized, p.EXIFSubsecTimeDigitized);
  if (!p.EXIFFlashPixVersion.empty()) {
    std::vector<uint8_t> v(4, 0);
    for (size_t i = 0; i < 4 && i < p.EXIFFlashPixVersion.size(); ++i)
      v[i] = static_cast<uint8_t>(p.EXIFFlashPixVersion[i]);
    x.Bytes(TIFFTag::FlashPixVersion, TIFFType::UNDEFINED, v);
  }
  x.Short(TIFFTag::ColorSpace, u16(p.EXIFColorSpace));
  x.Short(TIFFTag::PixelXDimension, u16(p.EXIFPixelXDimension));
  x.Short(TIFFTag::PixelYDimension, u16(p.EXIFPixelYDimension));
  x.Ascii(TIFFTag::RelatedSoundFile, p.EXIFRelatedSoundFile);
  x.Rational(TIFFTag::FocalPlaneXResolution, p.EXIFFocalPlaneXResolution);
  x.Rational(TIFFTag::FocalPlaneYResolution, p.EXIFFocalPlaneYResolution);
  x.Short(TIFFTag::FocalPlaneResolutionUnit, u16(p.EXIFFocalPlaneResolutionUnit));
  x.Rational(TIFFTag::ExposureIndex, p.EXIFExposureIndex);
  x.Short(TIFFTag::SensingMethod, u16(p.EXIFSensingMethod));
  // FileSource and SceneType are one byte each.
  x.Bytes(TIFFTag::FileSource, TIFFType::UNDEFINED, {static_cast<uint8_t>(p.EXIFFileSource)});
  x.Bytes(TIFFTag::SceneType, TIFFType::UNDEFINED, {static_cast<uint8_t>(p.EXIFSceneType)});
  if (!p.EXIFUserComment.empty()) {
    std::string code = p.EXIFUserCommentCode;
    code.resize(8, '\0');
    std::vector<uint8_t> v(code.begin(), code.end());
    v.insert(v.end(), p.EXIFUserComment.begin(), p.EXIFUserComment.end());
    x.Bytes(TIFFTag::UserComment, TIFFType::UNDEFINED, v);
  }
  // The maker note lands at the next even position; its offsets are moved
  // there.
  if (s->Position() % 2) x.Zero(1);
  if (const std::vector<uint8_t> note = TIFFMakerNoteBlock(p.EXIFMakerNote, static_cast<uint32_t>(s->Position()));
      !note.empty())
    x.Bytes(TIFFTag::MakerNote, TIFFType::UNDEFINED, note);
  const uint32_t at = x.WriteDirectory(0);
  t.Long(TIFFTag::ExifIFD, at);
}

void PackBitsRow(const uint8_t* row, int64_t n, std::vector<uint8_t>& out) {
  int64_t i = 0, lit = 0;  // lit: start of pending literals
  auto flush_literals = [&](int64_t end) {
    while (lit < end) {
      const int64_t k = std::min<int64_t>(128, end - lit);
      out.push_back(static_cast<uint8_t>(k - 1));
      out.insert(out.end(), row + lit, row + lit + k);
      lit += k;
    }
  };
  while (i < n) {
    int64_t run = 1;
    while (i + run < n && run < 128 && row[i + run] == row[i]) ++run;
    if (run >= 4) {
      flush_literals(i);
      out.push_back(static_cast<uint8_t>(1 - run));
      out.push_back(row[i]);
      i += run;
      lit = i;
    } else {
      i += run;
    }
  }
  flush_literals(n);
}

struct Writer {
  Writer(TStream* stream, bool& aborting, TIOParamsVals& params, TIOProgressRec& progress)
      : s(stream), abort(aborting), p(params), pr(progress) {}
  TStream* s;
  bool& abort;
  TIOParamsVals& p;
  TIOProgressRec& pr;
  TIEBitmap* bmp = nullptr;
  int32_t compression = 1;
  bool two_d = false;
  int32_t data_type = Data::RGB;
  int32_t predictor = 1;
  TTIFFLZWCompressProc lzw_encode = nullptr;
  int32_t bits = 8;
  bool invert = false;
  bool alpha = false;
  std::vector<TRGB> palette;
  std::unique_ptr<TIEQuantizer> quantizer;
  std::unique_ptr<TIEBitmap> own;  // working copy when the caller's bitmap must not change

  int32_t Samples() const {
    if (bmp->PixelFormat() == ieMono1 || data_type == Data::Grey || data_type == Data::Palette) return 1;
    if (data_type == Data::CMYK) return 4;
    return alpha ? 4 : 3;
  }

  // One row in file layout.
  void Row(int32_t y, std::vector<uint8_t>& out) {
    const int32_t w = bmp->Width();
    const uint8_t* src = bmp->GetScanline(y);
    out.clear();
    switch (bmp->PixelFormat()) {
      case ieMono1:
        out.assign(src, src + (w + 7) / 8);
        return;
      case ieGray8:
      case iePalette8:
        if (bits == 8) {
          out.assign(src, src + w);
          return;
        }
        PackLow(src, w, out);
        return;
      case ieGray16:
        out.resize(static_cast<size_t>(w) * 2);
        for (int32_t x = 0; x < w; ++x) {
          uint16_t v;
          std::memcpy(&v, src + 2 * x, 2);
          out[2 * x] = static_cast<uint8_t>(v);
          out[2 * x + 1] = static_cast<uint8_t>(v >> 8);
        }
        return;
      case ieCMYK:
        out.resize(static_cast<size_t>(w) * 4);
        for (int32_t i = 0; i < w * 4; ++i) out[i] = static_cast<uint8_t>(255 - src[i]);
        return;
      case ieRGB48:
        out.resize(static_cast<size_t>(w) * 6);
        for (int32_t x = 0; x < w; ++x) {
          TRGB48 c;
          std::memcpy(&c, src + 6 * x, 6);
          const uint16_t v[3] = {c.r, c.g, c.b};
          for (int k = 0; k < 3; ++k) {
            out[6 * x + 2 * k] = static_cast<uint8_t>(v[k]);
            out[6 * x + 2 * k + 1] = static_cast<uint8_t>(v[k] >> 8);
          }
        }
        return;
      case ieRGB24:
        break;
      default:
        return;
    }
    const TRGB* px = reinterpret_cast<const TRGB*>(src);
    if (data_type == Data::CMYK) {
      out.resize(static_cast<size_t>(w) * 4);
      for (int32_t x = 0; x < w; ++x) {
        const TCMYK k = RGBToCMYK(px[x]);
        out[4 * x] = static_cast<uint8_t>(255 - k.c);
        out[4 * x + 1] = static_cast<uint8_t>(255 - k.m);
        out[4 * x + 2] = static_cast<uint8_t>(255 - k.y);
        out[4 * x + 3] = static_cast<uint8_t>(255 - k.k);
      }
    } else if (data_type == Data::CIELab) {
      out.resize(static_cast<size_t>(w) * 3);
      for (int32_t x = 0; x < w; ++x) {
        const TCIELab l = RGBToCIELab(px[x]);
        out[3 * x] = l.l;
        out[3 * x + 1] = static_cast<uint8_t>(l.a);
        out[3 * x + 2] = static_cast<uint8_t>(l.b);
      }
    } else if (data_type == Data::Grey || data_type == Data::Palette) {
      std::vector<uint8_t> idx(static_cast<size_t>(w));
      std::vector<uint16_t> idx16;
      for (int32_t x = 0; x < w; ++x) idx[x] = static_cast<uint8_t>(quantizer->RGBToIndex(px[x]));
      if (bits == 8) {
        out = idx;
      } else if (bits == 16) {
        out.resize(static_cast<size_t>(w) * 2);
        for (int32_t x = 0; x < w; ++x) {
          const uint32_t v = idx[x] * 257u;
          out[2 * x] = static_cast<uint8_t>(v);
          out[2 * x + 1] = static_cast<uint8_t>(v >> 8);
        }
      } else {
        PackLow(idx.data(), w, out);
      }
    } else {
      const int32_t n = alpha ? 4 : 3;
      out.resize(static_cast<size_t>(w) * n);
      TIEBitmap* a = alpha ? bmp->GetAlphaChannel() : nullptr;
      const uint8_t* arow = a ? a->GetScanline(y) : nullptr;
      for (int32_t x = 0; x < w; ++x) {
        out[n * x] = px[x].r;
        out[n * x + 1] = px[x].g;
        out[n * x + 2] = px[x].b;
        if (alpha) out[n * x + 3] = arow[x];
      }
      if (predictor == 2)
        for (int32_t i = static_cast<int32_t>(out.size()) - 1; i >= n; --i)
          out[i] = static_cast<uint8_t>(out[i] - out[i - n]);
    }
  }

  // The low Bits bits of each byte, packed most significant first.
  void PackLow(const uint8_t* v, int32_t w, std::vector<uint8_t>& out) const {
    out.assign((static_cast<size_t>(w) * bits + 7) / 8, 0);
    int64_t bit = 0;
    for (int32_t x = 0; x < w; ++x)
      for (int32_t k = bits - 1; k >= 0; --k, ++bit)
        if (v[x] >> k & 1) out[bit >> 3] |= static_cast<uint8_t>(0x80 >> (bit & 7));
  }

  void Strips(TagList& t) {
    const int32_t h = bmp->Height(), w = bmp->Width();
    const TIEPixelFormat f = bmp->PixelFormat();
    if (f != ieMono1 && f != ieGray8 && f != iePalette8 && f != ieGray16 && f != ieRGB24 && f != ieCMYK &&
        f != ieRGB48) {
      t.Longs(TIFFTag::StripOffsets, {});
      return;
    }
    if (compression == 7) return JPEGStrip(t);
    int32_t rps = h;
    if (compression != 7) {
      const int64_t n = std::max<int64_t>(int64_t{h} * bmp->RowLen() / kStripBytes, 1);
      rps = std::max<int32_t>(1, static_cast<int32_t>(h / n));
    }
    std::vector<uint32_t> offsets, counts;
    std::vector<uint8_t> row, packed;
    TTIFFLZWEncodeHandle lzw;
    std::vector<uint8_t> ref;
    int32_t pending = 0;
    uint8_t pending_byte = 0;
    uint32_t start = static_cast<uint32_t>(s->Position());
    auto end_strip = [&] {
      switch (compression) {
        case 3:
          if (two_d) CCITTEncodeG3Row2D(nullptr, w, s, p.TiffFillOrder, abort, ref, pending, pending_byte);
          CCITTFlush(s, abort, pending, pending_byte);
          break;
        case 4:
          CCITTEncodeG4Row(nullptr, w, s, p.TiffFillOrder, abort, ref, pending, pending_byte);
          CCITTFlush(s, abort, pending, pending_byte);
          break;
        case 5:
          if (!lzw_encode(nullptr, 0, s, lzw)) abort = true;
          break;
        default:
          break;
      }
      ref.clear();
      const uint32_t end = static_cast<uint32_t>(s->Position());
      offsets.push_back(start);
      counts.push_back(end - start);
      start = end;
    };
    pr.Per1 = 100.0 / std::max(1, h);
    for (int32_t y = 0; y < h; ++y) {
      pr.Report(y);
      if (abort) break;
      Row(y, row);
      if (invert)
        for (uint8_t& b : row) b = static_cast<uint8_t>(~b);
      switch (compression) {
        case 2:
          CCITTEncodeHuffmanRow(row.data(), w, s, p.TiffFillOrder, abort);
          break;
        case 3:
          if (two_d) CCITTEncodeG3Row2D(row.data(), w, s, p.TiffFillOrder, abort, ref, pending, pending_byte);
          else {
            // Group 3 rows begin with an EOL, as fax readers look for one.
            CCITTEncodeEOL(s, p.TiffFillOrder, abort, pending, pending_byte);
            CCITTEncodeG3Row1D(row.data(), w, s, p.TiffFillOrder, abort, pending, pending_byte);
          }
          break;
        case 4:
          CCITTEncodeG4Row(row.data(), w, s, p.TiffFillOrder, abort, ref, pending, pending_byte);
          break;
        case 5:
          if (!lzw_encode(row.data(), static_cast<int64_t>(row.size()), s, lzw)) abort = true;
          break;
        case 32773:
          packed.clear();
          PackBitsRow(row.data(), static_cast<int64_t>(row.size()), packed);
          SafeStreamWrite(s, abort, packed.data(), static_cast<int64_t>(packed.size()));
          break;
        default:
          SafeStreamWrite(s, abort, row.data(), static_cast<int64_t>(row.size()));
          break;
      }
      if ((y + 1) % rps == 0 || y + 1 == h) end_strip();
    }
    t.Long(TIFFTag::RowsPerStrip, static_cast<uint32_t>(rps));
    t.Longs(TIFFTag::StripOffsets, offsets);
    t.Longs(TIFFTag::StripByteCounts, counts);
  }

  void JPEGStrip(TagList& t) {
    TIOParamsVals jp(nullptr);
    jp.JpegQuality = p.TiffJpegQuality;
    jp.JpegColorSpace = p.TiffJpegColorSpace == 4 ? 0 : p.TiffJpegColorSpace;
    const uint32_t start = static_cast<uint32_t>(s->Position());
    TMemoryStream m;
    // CMYK samples inside a TIFF page mean ink, as the page's photometric
    // says (the reader inverts them back for the JPEG library's convention).
    WriteJPEGStream(&m, bmp, jp, pr, true);
    SafeStreamWrite(s, abort, m.Memory(), m.Size());
    t.Long(TIFFTag::RowsPerStrip, static_cast<uint32_t>(bmp->Height()));
    t.Long(TIFFTag::StripOffsets, start);
    t.Long(TIFFTag::StripByteCounts, static_cast<uint32_t>(m.Size()));
  }

  void OldJPEG(TagList& t) {
    TIOParamsVals jp(nullptr);
    jp.JpegQuality = p.TiffJpegQuality;
    jp.JpegColorSpace = p.TiffJpegColorSpace == 4 ? 0 : p.TiffJpegColorSpace;
    TMemoryStream m;
    WriteJPEGStream(&m, bmp, jp, pr);
    const uint32_t at = t.Block(std::vector<uint8_t>(static_cast<const uint8_t*>(m.Memory()),
                                                      static_cast<const uint8_t*>(m.Memory()) + m.Size()));
    const auto* b = static_cast<const uint8_t*>(m.Memory());
    uint32_t k = 0;
    for (int64_t i = 0; i + 1 < m.Size(); ++i)
      if (b[i] == 0xFF && b[i + 1] == 0xDA) {
        k = static_cast<uint32_t>(i);
        break;
      }
    t.Long(TIFFTag::JPEGInterchangeFormat, at);
    t.Long(TIFFTag::JPEGInterchangeFormatLength, static_cast<uint32_t>(m.Size()));
    t.Long(TIFFTag::RowsPerStrip, static_cast<uint32_t>(bmp->Height()));
    t.Long(TIFFTag::StripByteCounts, static_cast<uint32_t>(m.Size()) - k);
    t.Long(TIFFTag::StripOffsets, at + k);
    t.Short(TIFFTag::JPEGProc, 1);
    t.Shorts(TIFFTag::YCbCrSubSampling, {2, 2});
  }
};

// Where the page goes: a new file's header (patched at the end), or the
// chain of a file whose pages it joins at Params.TiffImageIndex.
struct Placement {
  int32_t result = 1;  // the pages of the stream after the write
  int64_t header_at = 0;
  int64_t link_at = -1;  // the pointer that will lead to the new directory
  uint32_t link_value = 0;  // what that pointer held: the new page's next
};

// An insert walks the chain to the pointer the new page replaces (the last
// one when the index is past the end); false when the stream holds no
// little-endian TIFF.
bool PlacePage(Writer& wr, bool Insert, Placement& pl) {
  TIOParamsVals& p = wr.p;
  pl.header_at = wr.s->Position();
  if (!Insert) {
    const uint8_t placeholder[8] = {};
    SafeStreamWrite(wr.s, wr.abort, placeholder, 8);
    return true;
  }
  uint8_t h[8];
  wr.s->SetPosition(0);
  if (wr.s->Read(h, 8) != 8 || h[0] != 'I' || h[1] != 'I') {
    wr.abort = true;
    return false;
  }
  const int64_t size = wr.s->Size();
  int64_t pointer_at = 4;
  uint32_t next = LoadLE32(h + 4);
  int32_t i = 0;
  pl.link_at = 4;
  pl.link_value = next;
  std::vector<uint32_t> seen;
  while (true) {
    if (i == p.TiffImageIndex || (next == 0 && i < p.TiffImageIndex)) {
      pl.link_at = pointer_at;
      pl.link_value = next;
    }
    if (next == 0 || next >= size || std::find(seen.begin(), seen.end(), next) != seen.end() || i > 65535) break;
    seen.push_back(next);
    uint8_t c[2];
    wr.s->SetPosition(next);
    if (wr.s->Read(c, 2) != 2) break;
    pointer_at = next + 2 + int64_t{LoadLE16(c)} * 12;
    uint8_t n[4];
    wr.s->SetPosition(pointer_at);
    if (wr.s->Read(n, 4) != 4) break;
    next = LoadLE32(n);
    ++i;
  }
  pl.result = i + 1;
  wr.s->Seek(0, soEnd);
  return true;
}

// The working bitmap: a one-bit bitmap widened when more bits are asked
// for, a colour one reduced to two colours when one bit is.
void PrepareWorkingBitmap(Writer& wr) {
  TIOParamsVals& p = wr.p;
  TIEBitmap*& bmp = wr.bmp;
  const bool one_bit = p.BitsPerSample == 1 && p.SamplesPerPixel == 1;
  if (!one_bit && bmp->PixelFormat() == ieMono1) {
    wr.own = std::make_unique<TIEBitmap>();
    wr.own->Assign(bmp);
    wr.own->ConvertFormat(ieRGB24);
    bmp = wr.own.get();
  } else if (one_bit && bmp->PixelFormat() != ieMono1) {
    TRGB c1, c2;
    if (TIEBitmap* two = BuildTwoColorBitmap(bmp, c1, c2)) {
      wr.own.reset(two);
    } else {
      wr.own = std::make_unique<TIEBitmap>();
      wr.own->Assign(bmp);
      wr.own->ConvertFormat(ieMono1);
    }
    bmp = wr.own.get();
  }
}

// Grey and palette samples through a quantizer.
void QuantizeSamples(Writer& wr) {
  TIOParamsVals& p = wr.p;
  TIEBitmap*& bmp = wr.bmp;
  if (p.SamplesPerPixel == 1 && ((p.BitsPerSample >= 2 && p.BitsPerSample <= 8) || p.BitsPerSample == 16) &&
      bmp->PixelFormat() != ieMono1) {
    if (bmp->PixelFormat() == ieRGB24 || bmp->PixelFormat() == iePalette8) {
      const int32_t n = std::min(1 << std::min(p.BitsPerSample, 8), 256);
      wr.palette.assign(static_cast<size_t>(n), TRGB{0, 0, 0});
      wr.quantizer = std::make_unique<TIEQuantizer>(bmp, n, wr.palette.data(), -1);
      if (p.TiffCompression != 5 && p.TiffCompression != 8) p.TiffCompression = 0;
      if (wr.quantizer->IsGrey()) {
        p.TiffPhotometric = 1;
      } else {
        p.TiffPhotometric = 3;
        if (p.BitsPerSample == 16) p.BitsPerSample = 8;
      }
    } else {
      // Grey bitmaps keep their samples.
      p.TiffPhotometric = 1;
      if (p.TiffCompression != 5 && p.TiffCompression != 8) p.TiffCompression = 0;
    }
  }
}

// The parameters brought to a layout the bitmap can give, in this order.
void AdjustSamples(Writer& wr) {
  TIOParamsVals& p = wr.p;
  TIEBitmap*& bmp = wr.bmp;
  if (p.TiffPhotometric == 3 && p.SamplesPerPixel > 1) p.TiffPhotometric = 2;
  if (bmp->PixelFormat() == ieRGB48) {
    p.SamplesPerPixel = 3;
    p.BitsPerSample = 16;
    p.TiffPhotometric = 2;
  }
  if (p.BitsPerSample > 8 && p.SamplesPerPixel > 1) {
    p.SamplesPerPixel = 3;
    p.BitsPerSample = 8;
    p.TiffPhotometric = 2;
  }
  if ((p.TiffPhotometric == 0 || p.TiffPhotometric == 1) && p.BitsPerSample == 8 && p.SamplesPerPixel == 3)
    p.TiffPhotometric = 2;
  if (p.TiffPhotometric == 2 && p.SamplesPerPixel == 1 && p.BitsPerSample == 1) p.TiffPhotometric = 1;
  if (p.TiffPhotometric == 6 && p.TiffCompression != 7) p.TiffPhotometric = 2;
  if (p.TiffPhotometric == 2 && p.SamplesPerPixel > 3) p.SamplesPerPixel = 3;
  if (bmp->PixelFormat() == ieRGB48) {
    p.SamplesPerPixel = 3;
    p.BitsPerSample = 16;
    p.TiffPhotometric = 2;
  }
  if (bmp->PixelFormat() == ieCMYK) {
    p.SamplesPerPixel = 4;
    p.BitsPerSample = 8;
    p.TiffPhotometric = 5;
  }
  // Samples the bitmap cannot give are not asked of it.
  if ((bmp->PixelFormat() == ieGray8 || bmp->PixelFormat() == ieGray16) && p.TiffPhotometric > 1)
    p.TiffPhotometric = 1;
}

// The kind of samples written, from the photometric.
void ChooseDataType(Writer& wr) {
  TIOParamsVals& p = wr.p;
  TIEBitmap*& bmp = wr.bmp;
  switch (p.TiffPhotometric) {
    case 0:
    case 1: wr.data_type = Data::Grey; break;
    case 3: wr.data_type = p.BitsPerSample <= 8 ? Data::Palette : Data::Grey; break;
    case 5: wr.data_type = Data::CMYK; break;
    case 7: wr.data_type = Data::CIELab; break;
    default: wr.data_type = Data::RGB; break;
  }
  if ((wr.data_type == Data::Grey || wr.data_type == Data::Palette) && !wr.quantizer &&
      bmp->PixelFormat() == ieRGB24) {
    // Grey or palette samples asked of a colour bitmap without bits for
    // them: 8-bit indexes.
    p.BitsPerSample = 8;
    wr.palette.assign(256, TRGB{0, 0, 0});
    wr.quantizer = std::make_unique<TIEQuantizer>(bmp, 256, wr.palette.data(), -1);
    if (wr.quantizer->IsGrey()) wr.data_type = Data::Grey;
  }
}

// The compression, and what follows from it: the fax codings, the JPEG
// copy, the predictor and the inverted fax samples.
void ChooseCompression(Writer& wr) {
  TIOParamsVals& p = wr.p;
  TIEBitmap*& bmp = wr.bmp;
  switch (p.TiffCompression) {
    case 1: wr.compression = 2; break;
    case 2: wr.compression = 3; break;
    case 3: wr.compression = 3; wr.two_d = true; break;
    case 4: wr.compression = 4; break;
    case 5:
      // The record's encoder, else the installed one; with neither the
      // rows go uncompressed.
      wr.lzw_encode = p.TiffLZWCompress ? p.TiffLZWCompress : DefaultTIFFLZWCompress;
      if (wr.lzw_encode) {
        wr.compression = 5;
        wr.predictor = 2;
      }
      break;
    case 6:
    case 7:
      wr.compression = p.TiffCompression;
      switch (p.TiffJpegColorSpace) {
        case 1: wr.data_type = Data::Grey; break;
        case 2: wr.data_type = Data::YCbCr; break;
        case 3: wr.data_type = Data::CMYK; break;
        default: wr.data_type = Data::RGB; break;
      }
      break;
    case 8: wr.compression = 32773; break;
    default: wr.compression = 1; break;
  }
  if (wr.compression >= 2 && wr.compression <= 4) wr.data_type = Data::Bilevel;
  // Fax codings only for 1-bit images.
  if (bmp->PixelFormat() != ieMono1 && wr.compression >= 2 && wr.compression <= 4) {
    wr.compression = 1;
    wr.data_type = p.TiffPhotometric <= 1 ? Data::Grey : p.TiffPhotometric == 5 ? Data::CMYK
                   : p.TiffPhotometric == 3 ? Data::Palette : Data::RGB;
  }
  if ((wr.compression == 6 || wr.compression == 7) && bmp->PixelFormat() != ieRGB24) {
    // The copy is made before it replaces the working bitmap, which may
    // itself be the copy made above (a 1-bit conversion).
    auto rgb = std::make_unique<TIEBitmap>();
    rgb->Assign(bmp);
    rgb->ConvertFormat(ieRGB24);
    wr.own = std::move(rgb);
    bmp = wr.bmp = wr.own.get();
  }
  // The predictor only where it helps and is read back.
  wr.bits = bmp->PixelFormat() == ieMono1 ? 1 : p.BitsPerSample;
  if (!(wr.bits == 8 && (p.SamplesPerPixel == 1 || p.SamplesPerPixel == 3) && wr.data_type != Data::Grey &&
        wr.data_type != Data::Palette && !bmp->HasAlphaChannel() && bmp->PixelFormat() == ieRGB24))
    wr.predictor = 1;
  // Fax data is written with 1 = black.
  wr.invert = wr.compression >= 2 && wr.compression <= 4 && bmp->PixelFormat() == ieMono1;
}

// Alpha is written as a fourth sample where the layout allows one and the
// bitmap has a pixel that is not opaque.
void ChooseAlpha(Writer& wr) {
  TIEBitmap*& bmp = wr.bmp;
  if (bmp->HasAlphaChannel() && bmp->PixelFormat() == ieRGB24 && wr.data_type == Data::RGB &&
      (wr.compression == 1 || wr.compression == 5 || wr.compression == 32773)) {
    TIEBitmap* a = bmp->GetAlphaChannel();
    bool opaque = true;
    for (int32_t y = 0; y < a->Height() && opaque; ++y) {
      const uint8_t* r = a->GetScanline(y);
      for (int32_t x = 0; x < a->Width(); ++x)
        if (r[x] != 255) {
          opaque = false;
          break;
        }
    }
    wr.alpha = !opaque;
  }
}

// The tags before the image data: the EXIF field set, or the description
// and resolution.
void WriteLeadingTags(Writer& wr, TagList& t) {
  TIOParamsVals& p = wr.p;
  TStream* Stream = wr.s;
  bool& abort = wr.abort;
  if (p.EXIFHasData) {
    WriteTIFFExifTags(t, p, Stream, abort);
  } else {
    t.Ascii(TIFFTag::ImageDescription, p.TiffImageDescription);
    t.RationalInt(TIFFTag::XResolution, static_cast<uint32_t>(std::max(p.DpiX(), 0)));
    t.RationalInt(TIFFTag::YResolution, static_cast<uint32_t>(std::max(p.DpiY(), 0)));
    t.Short(TIFFTag::ResolutionUnit, 2);
  }
}

// The image's tags and its data.
void WriteImage(Writer& wr, TagList& t) {
  TIOParamsVals& p = wr.p;
  TIEBitmap*& bmp = wr.bmp;
  const TIEPixelFormat f = bmp->PixelFormat();
  t.Long(TIFFTag::ImageWidth, static_cast<uint32_t>(bmp->Width()));
  t.Long(TIFFTag::ImageLength, static_cast<uint32_t>(bmp->Height()));
  const uint32_t b = static_cast<uint32_t>(wr.bits);
  switch (f) {
    case ieMono1: t.Short(TIFFTag::BitsPerSample, 1); break;
    case ieGray8: t.Short(TIFFTag::BitsPerSample, b); break;
    case iePalette8: t.Short(TIFFTag::BitsPerSample, b); break;
    case ieGray16: t.Short(TIFFTag::BitsPerSample, 16); break;
    case ieCMYK: t.Shorts(TIFFTag::BitsPerSample, {8, 8, 8, 8}); break;
    case ieRGB48: t.Shorts(TIFFTag::BitsPerSample, {16, 16, 16}); break;
    default:
      if (wr.data_type == Data::Grey || wr.data_type == Data::Palette) t.Short(TIFFTag::BitsPerSample, b);
      else if (wr.data_type == Data::CMYK) t.Shorts(TIFFTag::BitsPerSample, {8, 8, 8, 8});
      else if (wr.alpha) t.Shorts(TIFFTag::BitsPerSample, {8, 8, 8, 8});
      else t.Shorts(TIFFTag::BitsPerSample, {8, 8, 8});
      break;
  }
  t.Short(TIFFTag::Compression, static_cast<uint32_t>(wr.compression));
  if (f == ieMono1) {
    t.Short(TIFFTag::PhotometricInterpretation, wr.data_type == Data::Bilevel ? 0 : 1);
  } else {
    static const uint32_t kPhotometric[] = {0, 1, 2, 3, 4, 5, 6, 8};
    t.Short(TIFFTag::PhotometricInterpretation, wr.data_type == Data::Bilevel ? 1 : kPhotometric[wr.data_type]);
  }
  t.Ascii(TIFFTag::DocumentName, p.TiffDocumentName);
  if (wr.compression >= 2 && wr.compression <= 4) {
    t.Short(TIFFTag::FillOrder, static_cast<uint32_t>(p.TiffFillOrder == 2 ? 2 : 1));
    t.Short(TIFFTag::PlanarConfiguration, 1);
    t.Short(TIFFTag::CleanFaxData, 0);
  }
  if (f == iePalette8 && wr.data_type == Data::Palette && !wr.quantizer) {
    wr.palette.resize(static_cast<size_t>(std::min(bmp->GetPaletteLen(), 256)));
    for (size_t i = 0; i < wr.palette.size(); ++i) wr.palette[i] = bmp->GetPaletteEntry(static_cast<int32_t>(i));
  }
  if (wr.compression == 6) wr.OldJPEG(t);
  else wr.Strips(t);
  bmp->UnmapRows();
}

// The tags after the data, which depend on how it was written.
void WriteTrailingTags(Writer& wr, TagList& t) {
  TIOParamsVals& p = wr.p;
  t.Short(TIFFTag::SamplesPerPixel, static_cast<uint32_t>(wr.Samples()));
  if (wr.alpha) t.Short(TIFFTag::ExtraSamples, 2);
  if (wr.predictor == 2) t.Short(TIFFTag::Predictor, 2);
  t.Ascii(TIFFTag::PageName, p.TiffPageName);
  if (p.TiffXPos != 0) t.Rational(TIFFTag::XPosition, p.TiffXPos);
  if (p.TiffYPos != 0) t.Rational(TIFFTag::YPosition, p.TiffYPos);
  // Group 3 options only where they mean something: readers take the tag
  // on other pages for an unknown field.
  if (wr.compression == 3) t.Long(TIFFTag::T4Options, wr.two_d ? 1 : 0);
  if (wr.compression == 4) t.Long(TIFFTag::T6Options, 0);
  t.Long(TIFFTag::NewSubfileType, 0);
  if (p.TiffPageNumber >= 0 || p.TiffPageCount >= 0)
    t.Shorts(TIFFTag::PageNumber, {static_cast<uint32_t>(std::max(p.TiffPageNumber, 0)),
                                   static_cast<uint32_t>(std::max(p.TiffPageCount, 0))});
  if (wr.data_type == Data::Palette && !wr.palette.empty()) {
    std::vector<uint32_t> map;
    const size_t n = size_t{1} << std::min(wr.bits, 8);
    for (int c = 0; c < 3; ++c)
      for (size_t i = 0; i < n; ++i) {
        const TRGB e = i < wr.palette.size() ? wr.palette[i] : TRGB{0, 0, 0};
        map.push_back((c == 0 ? e.r : c == 1 ? e.g : e.b) * 257u);
      }
    t.Shorts(TIFFTag::ColorMap, map);
  }
}

// The imaging annotations and IPTC records.
void WriteMetadataBlocks(Writer& wr, TagList& t) {
  TIOParamsVals& p = wr.p;
  TIEBitmap*& bmp = wr.bmp;
  if (bmp && p.HasImagingAnnot()) {
    const std::vector<uint8_t> annot = p.ImagingAnnot()->SaveToBuffer();
    if (!annot.empty()) t.Bytes(TIFFTag::ImagingAnnotations, TIFFType::BYTE, annot);
  }
  std::vector<uint8_t> iptc = bmp ? p.IPTCInfoList.SaveToBuffer(false) : std::vector<uint8_t>{};
  if (!iptc.empty()) {
    // A count of whole LONGs: the block is padded to them.
    const uint32_t longs = static_cast<uint32_t>((iptc.size() + 3) / 4);
    iptc.resize(size_t{longs} * 4, 0);
    t.Add(TIFFTag::IPTC, TIFFType::LONG, longs, t.Block(iptc));
  }
}

// The directory, then the pointer that leads to it: the header of a new
// file, or the chain pointer the page was placed at.
void LinkDirectory(Writer& wr, TagList& t, bool Insert, const Placement& pl) {
  TStream* Stream = wr.s;
  bool& abort = wr.abort;
  const uint32_t ifd = t.WriteDirectory(Insert ? pl.link_value : 0);
  if (abort) return;
  const int64_t end = Stream->Position();
  if (Insert) {
    Stream->SetPosition(pl.link_at);
    std::vector<uint8_t> b;
    AppendLE32(b, ifd);
    SafeStreamWrite(Stream, abort, b.data(), 4);
  } else {
    Stream->SetPosition(pl.header_at);
    std::vector<uint8_t> b = {'I', 'I'};
    AppendLE16(b, 42);
    // Offsets count from the stream's beginning.
    AppendLE32(b, ifd);
    SafeStreamWrite(Stream, abort, b.data(), 8);
  }
  Stream->SetPosition(end);
}

}  // namespace

int32_t WriteTIFFStream(TStream* Stream, bool Insert, TIEBitmap* Bitmap, TIOParamsVals& Params,
                        TIOProgressRec& Progress) {
  bool local_abort = false;
  bool& abort = Progress.Aborting ? *Progress.Aborting : local_abort;
  Writer wr(Stream, abort, Params, Progress);
  Placement pl;
  if (!PlacePage(wr, Insert, pl)) return 0;

  TagList t(Stream, abort);
  wr.bmp = Bitmap;
  if (wr.bmp) {
    PrepareWorkingBitmap(wr);
    QuantizeSamples(wr);
    AdjustSamples(wr);
    ChooseDataType(wr);
    ChooseCompression(wr);
    ChooseAlpha(wr);
  }
  WriteLeadingTags(wr, t);
  if (wr.bmp) WriteImage(wr, t);
  if (abort) return pl.result;
  if (wr.bmp) WriteTrailingTags(wr, t);
  WriteMetadataBlocks(wr, t);
  LinkDirectory(wr, t, Insert, pl);
  return pl.result;
}
