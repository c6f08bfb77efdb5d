// The TIFF LZW codec and the TIFF reader on hand-made files: code widths,
// damaged code streams, short writes; directory chains, palettes, depths,
// byte counts and layouts the reader must refuse.
#include <gtest/gtest.h>

#include <random>

#include "CodecTestSupport.h"
#include "TiffTestSupport.h"
#include "imaging/io/formats/TIFF.h"
#include "imaging/io/formats/TIFFLZW.h"
#include "imaging/model/TIEICC.h"
#include "imaging/model/TIEMask.h"
#include "rtl/TThreadPool.h"

using namespace codec;
using tifftest::Builder;
using tifftest::Entry;
using tifftest::Page;

namespace {

std::vector<uint8_t> Encode(const std::vector<uint8_t>& in) {
  TMemoryStream out;
  TTIFFLZWEncodeHandle state;
  EXPECT_TRUE(TIFFLZWEncode(in.data(), static_cast<int64_t>(in.size()), &out, state));
  EXPECT_TRUE(TIFFLZWEncode(nullptr, 0, &out, state));
  return Bytes(out);
}

// Decodes rows of L bytes until Total bytes; empty on a coding error.
std::vector<uint8_t> Decode(const std::vector<uint8_t>& code, int32_t L, size_t total) {
  std::vector<uint8_t> out;
  TTIFFLZWDecodeHandle state;
  while (out.size() < total) {
    const uint8_t* row = TIFFLZWDecode(code.data(), static_cast<int64_t>(code.size()), L, state);
    if (!row) return {};
    out.insert(out.end(), row, row + L);
  }
  out.resize(total);
  return out;
}

// Codes of the given widths packed most significant bit first.
std::vector<uint8_t> Pack(const std::vector<std::pair<int, int>>& codes) {
  std::vector<uint8_t> out;
  uint32_t acc = 0;
  int bits = 0;
  for (auto [code, width] : codes) {
    acc = acc << width | static_cast<uint32_t>(code);
    bits += width;
    while (bits >= 8) {
      out.push_back(static_cast<uint8_t>(acc >> (bits - 8)));
      bits -= 8;
    }
  }
  if (bits) out.push_back(static_cast<uint8_t>(acc << (8 - bits)));
  return out;
}

// A stream that takes only its first Limit bytes.
class ShortStream : public TMemoryStream {
 public:
  explicit ShortStream(int64_t limit) : limit_(limit) {}
  int64_t Write(const void* Buffer, int64_t Count) override {
    const int64_t n = std::max<int64_t>(0, std::min(Count, limit_ - Position()));
    return n ? TMemoryStream::Write(Buffer, n) : 0;
  }

 private:
  int64_t limit_;
};

struct Loaded {
  TIEBitmap bitmap;
  TIOParamsVals params{nullptr};
  std::unique_ptr<TIEMask> alpha;
  bool aborted = false;
  std::string reason;
  int32_t pages = 0;
};

void Load(const std::vector<uint8_t>& file, Loaded& r, bool params_only = false, int32_t page = 0) {
  TIEMemStream s(file.data(), static_cast<int64_t>(file.size()));
  Progress p;
  std::string reason;
  p.rec.AbortReason = &reason;
  r.params.TiffImageIndex = page;
  ReadTIFFStream(&r.bitmap, &s, r.pages, &r.params, p.rec, params_only, r.alpha, false, false, false);
  r.aborted = p.aborted;
  r.reason = reason;
}

std::vector<uint8_t> OnePage(std::vector<Entry> entries, std::vector<uint8_t> data, bool be = false) {
  Builder b(be);
  b.AddPage({std::move(entries), std::move(data)});
  return b.Bytes();
}

}  // namespace

TEST(TiffLzw, RoundTripsAcrossEveryWidthAndTableClears) {
  std::mt19937 rng(7);
  std::vector<uint8_t> noisy(200000);
  for (uint8_t& b : noisy) b = static_cast<uint8_t>(rng() % 7 == 0 ? rng() : b);
  const std::vector<std::vector<uint8_t>> inputs = {std::vector<uint8_t>(256, 0x5A), noisy, {42}};
  for (const auto& in : inputs) {
    const std::vector<uint8_t> code = Encode(in);
    EXPECT_EQ(Decode(code, 1000, in.size()), in);
    EXPECT_EQ(Decode(code, 7, in.size()), in);
  }
  // 256 equal bytes: the clear code, then runs of growing length; the
  // 9-bit codes 256, 'Z', 258.. end with 257.
  const std::vector<uint8_t> code = Encode(std::vector<uint8_t>(256, 0x5A));
  EXPECT_EQ(code[0], 0x80);  // 256 in 9 bits
  EXPECT_LT(code.size(), 40u);
}

TEST(TiffLzw, WidthGrowsOneCodeEarly) {
  // A stream whose code 511 must be read with 10 bits: 253 literal codes
  // after the clear fill the table to 510 entries at 9 bits; the entry made
  // by the next code brings it to 511 and the width to 10.
  std::vector<std::pair<int, int>> codes = {{256, 9}};
  std::vector<uint8_t> want;
  for (int i = 0; i < 254; ++i) {
    codes.push_back({i, 9});
    want.push_back(static_cast<uint8_t>(i));
  }
  codes.push_back({1, 10});
  want.push_back(1);
  codes.push_back({257, 10});
  EXPECT_EQ(Decode(Pack(codes), static_cast<int32_t>(want.size()), want.size()), want);
}

TEST(TiffLzw, DamagedStreamsFailOrStopAtTheirEnd) {
  // An undefined code fails the row.
  EXPECT_TRUE(Decode(Pack({{256, 9}, {65, 9}, {300, 9}}), 4, 4).empty());
  // A code stream cut short gives what it holds and never reads beyond it
  // (the sanitizers watch the read).
  const std::vector<uint8_t> full = Encode(std::vector<uint8_t>(5000, 3));
  for (size_t cut = 0; cut < full.size(); ++cut) {
    std::vector<uint8_t> part(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut));
    TTIFFLZWDecodeHandle state;
    const uint8_t* row = TIFFLZWDecode(part.empty() ? full.data() : part.data(),
                                       static_cast<int64_t>(part.size()), 64, state);
    EXPECT_NE(row, nullptr);
  }
}

TEST(TiffLzw, EncoderReportsShortWrites) {
  std::vector<uint8_t> in(10000);
  for (size_t i = 0; i < in.size(); ++i) in[i] = static_cast<uint8_t>(i * 7919 % 251);
  ShortStream out(100);
  TTIFFLZWEncodeHandle state;
  TIFFLZWEncode(in.data(), static_cast<int64_t>(in.size()), &out, state);
  EXPECT_FALSE(TIFFLZWEncode(nullptr, 0, &out, state));
}

TEST(TiffReader, DirectoryChainsThatLoopEnd) {
  Builder b;
  const uint32_t first = b.AddPage({tifftest::StripPage(1, 1, 8, 1, 1, 1), {7}});
  b.AddPage({tifftest::StripPage(1, 1, 8, 1, 1, 1), {9}});
  // The second page leads back to the first.
  b.Patch32(b.LastNextPointer(), first);
  Loaded r;
  Load(b.Bytes(), r, false, 1);
  EXPECT_FALSE(r.aborted);
  EXPECT_EQ(r.pages, 2);
  EXPECT_EQ(r.bitmap.GetPixelRGB(0, 0).r, 9);
  // A page that points to itself is one page.
  Builder self;
  const uint32_t only = self.AddPage({tifftest::StripPage(1, 1, 8, 1, 1, 1), {7}});
  self.Patch32(self.LastNextPointer(), only);
  TIEMemStream s(self.Bytes().data(), static_cast<int64_t>(self.Bytes().size()));
  EXPECT_EQ(CountTIFFImages(&s), 1);
}

TEST(TiffReader, PalettesAndSmallDepths) {
  // Colour maps with 16-bit values; the 4-bit and 2-bit indexes pick their
  // entries unshifted, and a short colour map gives black beyond its end.
  auto colormap = [](int n) {
    Entry e{320, 3, {}};
    for (int c = 0; c < 3; ++c)
      for (int i = 0; i < n; ++i) e.values.push_back(static_cast<uint32_t>(((i * 40 + c * 10) & 0xFF) * 257));
    return e;
  };
  auto colour = [](int i) { return MakeRGBTriple(static_cast<uint8_t>(i * 40), static_cast<uint8_t>(i * 40 + 10), static_cast<uint8_t>(i * 40 + 20)); };
  {
    auto e = tifftest::StripPage(3, 1, 4, 1, 3, 2);
    e.push_back(colormap(16));
    Loaded r;
    Load(OnePage(e, {0x12, 0x30}), r);
    ASSERT_FALSE(r.aborted);
    EXPECT_EQ(r.bitmap.GetPixelRGB(0, 0), colour(1));
    EXPECT_EQ(r.bitmap.GetPixelRGB(1, 0), colour(2));
    EXPECT_EQ(r.bitmap.GetPixelRGB(2, 0), colour(3));
  }
  {
    // Width 5 at 2 bits: rows of 2 bytes; a colour map of 3 of the 4 entries.
    auto e = tifftest::StripPage(5, 2, 2, 1, 3, 4);
    e.push_back(colormap(3));
    Loaded r;
    Load(OnePage(e, {0x1B, 0x40, 0xE4, 0x00}), r);
    ASSERT_FALSE(r.aborted);
    const int want[2][5] = {{0, 1, 2, 3, 1}, {3, 2, 1, 0, 0}};
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 5; ++x)
        EXPECT_EQ(r.bitmap.GetPixelRGB(x, y), want[y][x] == 3 ? MakeRGBTriple(0, 0, 0) : colour(want[y][x])) << x << "," << y;
  }
  {
    // 4-bit grey reads as 0, 16, .., 240; white-is-zero the other way round.
    for (uint32_t pm : {1u, 0u}) {
      Loaded r;
      Load(OnePage(tifftest::StripPage(4, 1, 4, 1, pm, 2), {0x01, 0xFE}), r);
      ASSERT_FALSE(r.aborted);
      const int want[] = {0, 16, 240, 224};
      for (int x = 0; x < 4; ++x) EXPECT_EQ(r.bitmap.GetPixelRGB(x, 0).g, pm ? want[x] : 255 - want[x]);
    }
  }
}

TEST(TiffReader, BilevelPagesWithoutPhotometricAreWhiteIsZero) {
  auto e = tifftest::StripPage(8, 1, 1, 1, 0, 1);
  e.erase(e.begin() + 4);  // no photometric
  Loaded r;
  Load(OnePage(e, {0x0F}), r);
  ASSERT_FALSE(r.aborted);
  ASSERT_EQ(r.bitmap.PixelFormat(), ieMono1);
  EXPECT_EQ(r.bitmap.GetPixelRGB(0, 0), MakeRGBTriple(255, 255, 255));
  EXPECT_EQ(r.bitmap.GetPixelRGB(7, 0), MakeRGBTriple(0, 0, 0));
}

TEST(TiffReader, CountsAndOffsetsAreCheckedAgainstTheStream) {
  const std::vector<uint8_t> pixels = {10, 20, 30, 40, 50, 60};
  struct Case {
    const char* name;
    uint32_t byte_count, rows_per_strip;
  } cases[] = {
      {"byte count past the end", 0x7FFFFFF0, 2},
      {"byte count 0 reads to the end", 0, 2},
      {"rows per strip 0", 6, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto e = tifftest::StripPage(3, 2, 8, 1, 1, c.byte_count);
    e[7].values = {c.rows_per_strip};
    Loaded r;
    Load(OnePage(e, pixels), r);
    ASSERT_FALSE(r.aborted);
    EXPECT_EQ(r.bitmap.GetPixelRGB(2, 1).r, 60);
  }
  // Strip offsets, colour maps and bits-per-sample arrays whose counts
  // exceed the file, a huge image in a tiny file, strip offsets beyond it.
  struct Bad {
    const char* name;
    uint16_t tag;
    uint16_t type;
    std::vector<uint32_t> values;
  } bad[] = {
      {"huge size", 256, 4, {0x10000000}},
      {"strip offsets beyond", 273, 4, {0xFFFFFF00}},
  };
  for (const Bad& b : bad) {
    SCOPED_TRACE(b.name);
    auto e = tifftest::StripPage(3, 2, 8, 1, 1, 6);
    for (Entry& x : e)
      if (x.tag == b.tag) x.values = b.values;
    Loaded r;
    Load(OnePage(e, pixels), r);  // no crash, no giant allocation
  }
  // Entries whose counts claim more than the file holds.
  std::vector<uint8_t> file = OnePage(tifftest::StripPage(3, 2, 8, 3, 2, 18), std::vector<uint8_t>(18, 1));
  for (size_t at = 10; at + 4 < file.size(); at += 12) {
    std::vector<uint8_t> m = file;
    m[at + 2] = m[at + 3] = 0xFF;  // a count of 0xFFFF.... in an entry
    Loaded r;
    Load(m, r);
  }
}

TEST(TiffReader, LayoutsNoConversionCoversAbort) {
  struct Case {
    const char* name;
    uint32_t bits, spp, photometric;
  } cases[] = {{"YCbCr of 16-bit samples", 16, 3, 6}, {"32-bit samples", 32, 1, 1}, {"transparency mask", 1, 1, 4},
               {"palette without colour map", 8, 1, 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Loaded r;
    Load(OnePage(tifftest::StripPage(2, 2, c.bits, c.spp, c.photometric, 64), std::vector<uint8_t>(64, 1)), r);
    EXPECT_TRUE(r.aborted);
  }
  auto e = tifftest::StripPage(2, 2, 8, 1, 1, 4);
  e[3].values = {34712};  // a compression the reader does not know
  Loaded r;
  Load(OnePage(e, {1, 2, 3, 4}), r);
  EXPECT_TRUE(r.aborted);
}

TEST(TiffReader, HeaderTestsAndParameters) {
  std::vector<uint8_t> mm = OnePage(tifftest::StripPage(1, 1, 8, 1, 1, 1), {5}, true);
  TIEMemStream s(mm.data(), static_cast<int64_t>(mm.size()));
  EXPECT_TRUE(IsTIFFStream(&s));
  mm[8] = 0xBA;
  TIEMemStream s2(mm.data(), static_cast<int64_t>(mm.size()));
  EXPECT_FALSE(IsTIFFStream(&s2));

  auto e = tifftest::StripPage(1, 1, 8, 1, 1, 1);
  e.push_back({282, 5, {100, 1}});
  e.push_back({283, 5, {0, 1}});
  e.push_back({296, 3, {3}});
  Loaded r;
  Load(OnePage(e, {5}), r, true);
  EXPECT_FALSE(r.aborted);
  EXPECT_EQ(r.params.DpiX(), 254);
  EXPECT_EQ(r.params.DpiY(), DefaultDpiY);

  auto nowidth = tifftest::StripPage(1, 1, 8, 1, 1, 1);
  nowidth.erase(nowidth.begin());
  Loaded r2;
  Load(OnePage(nowidth, {5}), r2, true);
  EXPECT_TRUE(r2.aborted);
}

// A profile that has converted rows lets go of its cached transform once a
// page is read; one that never converted keeps nothing to free.
TEST(TiffReader, AReadPageFreesTheProfilesCachedTransform) {
  for (const bool converted : {true, false}) {
    Loaded r;
    TIEICC* input = r.params.GetInputICCProfile();
    input->LoadSRGB();
    TIEICC target;
    target.LoadSRGB();
    const uint8_t px[3] = {10, 20, 30};
    uint8_t out[3];
    ASSERT_TRUE(input->TransformRow(&target, iccRGB8, iccBGR8, px, out, 1));
    input->SetApplied(converted);
    ASSERT_TRUE(input->HoldsTransform());
    Load(OnePage(tifftest::StripPage(1, 1, 8, 1, 1, 1), {5}), r);
    ASSERT_FALSE(r.aborted);
    EXPECT_EQ(r.params.GetInputICCProfile()->HoldsTransform(), !converted) << converted;
  }
}

// Palette pages of 16 and 32 bits per sample: the colour map is not sized by
// 2^bits, and the page is refused as a layout no conversion covers.
TEST(TiffReader, ColourMapsOfDeepSamplesAreNotSizedByTheirDepth) {
  for (uint32_t bits : {16u, 32u}) {
    SCOPED_TRACE(bits);
    auto e = tifftest::StripPage(2, 1, bits, 1, 3, 2 * bits / 8);
    Entry map{320, 3, {}};
    for (int i = 0; i < 3 * 4; ++i) map.values.push_back(static_cast<uint32_t>(i * 1000));
    e.push_back(map);
    Loaded r;
    Load(OnePage(e, std::vector<uint8_t>(2 * bits / 8, 1)), r);
    EXPECT_TRUE(r.aborted);
    EXPECT_LE(r.params.ColorMapCount(), 256);
  }
}

// JPEG data of an RGB page whose components are numbered 0, 1, 2 without a
// colour marker: the page's photometric says RGB, so no conversion applies
// (a conversion from YCbCr turns the blue-to-red picture red-to-green).
TEST(TiffReader, RGBJPEGPagesWithoutAColourMarkerKeepTheirColours) {
  const int w = 32, h = 8;
  const std::vector<uint8_t> rgb = tifftest::BlueToRed(w, h);
  Loaded r;
  Load(tifftest::JpegPage(w, h, tifftest::UnmarkedRGBJpeg(w, h, rgb)), r);
  ASSERT_FALSE(r.aborted);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const TRGB p = r.bitmap.GetPixelRGB(x, y);
      const uint8_t* want = &rgb[(static_cast<size_t>(y) * w + x) * 3];
      ASSERT_LE(std::abs(p.r - want[0]) + std::abs(p.g - want[1]) + std::abs(p.b - want[2]), 12) << x << "," << y;
    }
}

// Associated alpha: the colour samples are stored multiplied by alpha and
// come back divided by it (rounded), in 8 and 16 bits, chunky and planar; a
// transparent pixel has no colour. Hand-computed: 100 x 255 / 128 = 199.2.
TEST(TiffReader, AssociatedAlphaIsUnpremultiplied) {
  const uint32_t px[3][4] = {{100, 50, 25, 128}, {0, 0, 0, 0}, {10, 200, 30, 255}};
  const TRGB want[3] = {MakeRGBTriple(199, 100, 50), MakeRGBTriple(0, 0, 0), MakeRGBTriple(10, 200, 30)};
  const uint8_t want_alpha[3] = {128, 0, 255};
  for (int bits : {8, 16})
    for (int planar : {1, 2}) {
      SCOPED_TRACE(std::to_string(bits) + " bits, planar " + std::to_string(planar));
      std::vector<uint8_t> data;
      auto put = [&](uint32_t v8) {
        if (bits == 8) return data.push_back(static_cast<uint8_t>(v8));
        const uint32_t v = v8 * 257;
        data.push_back(static_cast<uint8_t>(v));
        data.push_back(static_cast<uint8_t>(v >> 8));
      };
      if (planar == 1) {
        for (const auto& p : px)
          for (uint32_t v : p) put(v);
      } else {
        for (int k = 0; k < 4; ++k)
          for (const auto& p : px) put(p[k]);
      }
      const uint32_t plane = static_cast<uint32_t>(data.size() / 4);
      auto e = tifftest::StripPage(3, 1, static_cast<uint32_t>(bits), 4, 2, static_cast<uint32_t>(data.size()));
      e.push_back({284, 3, {static_cast<uint32_t>(planar)}});
      e.push_back({338, 3, {1}});
      if (planar == 2) {
        e[5].values = {0, plane, 2 * plane, 3 * plane};
        e[8].values = {plane, plane, plane, plane};
      }
      Loaded r;
      Load(OnePage(e, data), r);
      ASSERT_FALSE(r.aborted);
      ASSERT_TRUE(r.alpha);
      for (int x = 0; x < 3; ++x) {
        EXPECT_EQ(r.bitmap.GetPixelRGB(x, 0), want[x]) << x;
        EXPECT_EQ(r.alpha->GetScanline(0)[x], want_alpha[x]) << x;
      }
    }
}

// A palette page's extra sample marked as alpha (unassociated or
// associated) is opacity; an unmarked one keeps reading as transparency.
TEST(TiffReader, PaletteAlphaMarkedAsSuchIsOpacity) {
  Entry map{320, 3, {}};
  for (int c = 0; c < 3; ++c)
    for (int i = 0; i < 256; ++i) map.values.push_back(static_cast<uint32_t>((i == 1 ? 40 + c * 60 : 0) * 257));
  for (uint32_t extra : {2u, 1u, 0u}) {
    SCOPED_TRACE(extra);
    auto e = tifftest::StripPage(2, 1, 8, 2, 3, 4);
    e.push_back(map);
    e.push_back({338, 3, {extra}});
    Loaded r;
    Load(OnePage(e, {1, 255, 1, 64}), r);
    ASSERT_FALSE(r.aborted);
    ASSERT_TRUE(r.alpha);
    EXPECT_EQ(r.bitmap.GetPixelRGB(0, 0), MakeRGBTriple(40, 100, 160));
    EXPECT_EQ(r.alpha->GetScanline(0)[0], extra ? 255 : 0);
    EXPECT_EQ(r.alpha->GetScanline(0)[1], extra ? 64 : 191);
  }
}

// Uncompressed YCbCr pages in every subsampling, with the default and with
// given coefficients and code ranges, against the conversion of TIFF 6.0
// (section 21) computed here in floating point.
TEST(TiffReader, UncompressedYCbCrPagesConvertWithTheirSubsampling) {
  const int w = 7, h = 5;
  auto luma = [](int x, int y) { return static_cast<uint8_t>(30 + x * 25 + y * 9); };
  auto cb = [](int bx, int by) { return static_cast<uint8_t>(40 + bx * 50 + by * 20); };
  auto cr = [](int bx, int by) { return static_cast<uint8_t>(220 - bx * 45 - by * 15); };
  struct Case {
    int sh, sv;
    std::vector<double> coefficients, reference;  // empty: the defaults
  } cases[] = {
      {2, 2, {}, {}}, {2, 1, {}, {}}, {1, 1, {}, {}}, {4, 2, {}, {}},
      {2, 2, {0.2126, 0.7152, 0.0722}, {16, 235, 128, 240, 128, 240}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.sh) + "x" + std::to_string(c.sv) + (c.coefficients.empty() ? "" : " BT.709"));
    const std::vector<uint8_t> data = tifftest::YCbCrUnits(w, h, c.sh, c.sv, luma, cb, cr);
    auto e = tifftest::StripPage(w, h, 8, 3, 6, static_cast<uint32_t>(data.size()));
    e.push_back({530, 3, {static_cast<uint32_t>(c.sh), static_cast<uint32_t>(c.sv)}});
    auto rational = [](const std::vector<double>& v) {
      std::vector<uint32_t> out;
      for (double d : v) {
        out.push_back(static_cast<uint32_t>(std::lround(d * 10000)));
        out.push_back(10000);
      }
      return out;
    };
    if (!c.coefficients.empty()) e.push_back({529, 5, rational(c.coefficients)});
    if (!c.reference.empty()) e.push_back({532, 5, rational(c.reference)});
    Loaded r;
    Load(OnePage(e, data), r);
    ASSERT_FALSE(r.aborted);
    const double lr = c.coefficients.empty() ? 0.299 : c.coefficients[0];
    const double lg = c.coefficients.empty() ? 0.587 : c.coefficients[1];
    const double lb = c.coefficients.empty() ? 0.114 : c.coefficients[2];
    const std::vector<double> rbw = c.reference.empty() ? std::vector<double>{0, 255, 128, 255, 128, 255} : c.reference;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const double Y = (luma(x, y) - rbw[0]) * 255 / (rbw[1] - rbw[0]);
        const double Cb = (cb(x / c.sh, y / c.sv) - rbw[2]) * 127 / (rbw[3] - rbw[2]);
        const double Cr = (cr(x / c.sh, y / c.sv) - rbw[4]) * 127 / (rbw[5] - rbw[4]);
        const double R = Cr * (2 - 2 * lr) + Y, B = Cb * (2 - 2 * lb) + Y, G = (Y - lb * B - lr * R) / lg;
        auto clamp = [](double v) { return static_cast<int>(std::lround(std::clamp(v, 0.0, 255.0))); };
        const TRGB p = r.bitmap.GetPixelRGB(x, y);
        EXPECT_NEAR(p.r, clamp(R), 1) << x << "," << y;
        EXPECT_NEAR(p.g, clamp(G), 1) << x << "," << y;
        EXPECT_NEAR(p.b, clamp(B), 1) << x << "," << y;
      }
  }
}

// Some writers list a depth for more samples than the page has (8,8,8,1
// for RGB): the first SamplesPerPixel values count.
TEST(TiffReader, BitsPerSampleListingMoreValuesThanSamplesUsesTheFirst) {
  auto e = tifftest::StripPage(2, 1, 8, 3, 2, 6);
  e[2].values = {8, 8, 8, 1};
  Loaded r;
  Load(OnePage(e, {10, 20, 30, 40, 50, 60}), r);
  ASSERT_FALSE(r.aborted);
  EXPECT_EQ(r.bitmap.GetPixelRGB(1, 0), MakeRGBTriple(40, 50, 60));
  // Values that differ among the samples there are still refuse the page.
  e[2].values = {8, 16, 8, 8};
  Loaded bad;
  Load(OnePage(e, {10, 20, 30, 40, 50, 60}), bad);
  EXPECT_TRUE(bad.aborted);
}

// A page none of whose strips or tiles holds any data (all beyond the file,
// none listed) produced no pixel from the file: a failure with a reason,
// not a black picture.
TEST(TiffReader, PagesWithoutAnyDataAreFailures) {
  const tifftest::JpegParts jpeg = tifftest::UnmarkedRGBJpeg(8, 8, tifftest::BlueToRed(8, 8));
  struct Case {
    const char* name;
    std::vector<uint8_t> file;
  };
  std::vector<Case> cases;
  {
    auto e = tifftest::StripPage(4, 4, 8, 1, 1, 16);
    e[5].values = {0x00FFFF00};
    cases.push_back({"grey strip beyond the file", OnePage(e, std::vector<uint8_t>(16, 7))});
  }
  {
    auto e = tifftest::StripPage(4, 4, 8, 1, 1, 16);
    e.erase(e.begin() + 5);  // no strip offsets
    cases.push_back({"no strips", OnePage(e, std::vector<uint8_t>(16, 7))});
  }
  {
    std::vector<uint8_t> f = tifftest::JpegPage(8, 8, jpeg);
    std::vector<Entry> e = tifftest::StripPage(8, 8, 8, 3, 2, static_cast<uint32_t>(jpeg.image.size()));
    e[3].values = {7};
    e[5].values = {0x00FFFF00};
    e.push_back({347, 7, std::vector<uint32_t>(jpeg.tables.begin(), jpeg.tables.end())});
    cases.push_back({"JPEG strip beyond the file", OnePage(e, jpeg.image)});
  }
  for (const uint8_t fill : {0x00, 0xFF}) {
    // The scan's coded data gone (none, or a run of fill bytes): the JPEG
    // library warns and pads every row itself; no row is the file's.
    tifftest::JpegParts broken = tifftest::UnmarkedRGBJpeg(8, 32, tifftest::BlueToRed(8, 32));
    size_t sos = 0;
    while (sos + 3 < broken.image.size() && !(broken.image[sos] == 0xFF && broken.image[sos + 1] == 0xDA)) ++sos;
    ASSERT_LT(sos + 3, broken.image.size());
    const size_t data = sos + 2 + (size_t{broken.image[sos + 2]} << 8 | broken.image[sos + 3]);
    broken.image.resize(data);
    if (fill) broken.image.insert(broken.image.end(), 40, fill);
    broken.image.insert(broken.image.end(), {0xFF, 0xD9});
    cases.push_back({fill ? "JPEG strip of fill bytes" : "JPEG strip without coded data",
                     tifftest::JpegPage(8, 32, broken)});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Loaded r;
    Load(c.file, r);
    EXPECT_TRUE(r.aborted);
    EXPECT_FALSE(r.reason.empty());
  }
}

namespace {

// Pixels and alpha of a load, row by row, for comparing whole pictures.
std::vector<uint8_t> Snapshot(Loaded& r) {
  std::vector<uint8_t> out;
  const int32_t n = (r.bitmap.Width() * IEBitsPerPixel[r.bitmap.PixelFormat()] + 7) / 8;
  for (int32_t y = 0; y < r.bitmap.Height(); ++y) {
    const uint8_t* row = r.bitmap.GetScanline(y);
    out.insert(out.end(), row, row + n);
    if (r.alpha) out.insert(out.end(), r.alpha->GetScanline(y), r.alpha->GetScanline(y) + r.bitmap.Width());
  }
  return out;
}

}  // namespace

// Large pages decode their strips and tiles on the runtime's thread pool:
// the picture is the same, bit for bit, as on one thread, in every
// compression and layout, damaged blocks included, in memory of its own or
// in a platform bitmap.
TEST(TiffReader, ThreadedDecodingEqualsSingleThreaded) {
  TThreadPool& pool = TThreadPool::Shared();
  const int32_t threads = pool.MaxThreads();
  if (threads < 2) GTEST_SKIP() << "one core";
  const uint32_t w = 1100, h = 1000;
  std::mt19937 rng(7);
  std::vector<uint8_t> rgba(size_t{w} * h * 4);
  for (size_t i = 0; i < rgba.size(); ++i) rgba[i] = static_cast<uint8_t>((i / 4 % w) * 3 + (i / 4 / w) + (rng() % 4));
  std::vector<std::vector<uint8_t>> files;
  {
    // RGBA in LZW strips of 16 rows, one of them cut short.
    const uint32_t rps = 16, row = w * 4;
    std::vector<uint8_t> data;
    std::vector<uint32_t> offsets, counts;
    for (uint32_t y = 0; y < h; y += rps) {
      const uint32_t rows = std::min(rps, h - y);
      std::vector<uint8_t> strip = Encode(std::vector<uint8_t>(rgba.begin() + size_t{y} * row,
                                                               rgba.begin() + size_t{y + rows} * row));
      if (y == 320) strip.resize(strip.size() / 3);
      offsets.push_back(static_cast<uint32_t>(data.size()));
      counts.push_back(static_cast<uint32_t>(strip.size()));
      data.insert(data.end(), strip.begin(), strip.end());
    }
    auto e = tifftest::StripPage(w, h, 8, 4, 2, 0);
    e[3].values = {5};
    e[5].values = offsets;
    e[7].values = {rps};
    e[8].values = counts;
    e.push_back({338, 3, {2}});
    files.push_back(OnePage(e, data));
  }
  {
    // Grey in uncompressed tiles of 48 x 32, the edge tiles cut by the image.
    const uint32_t tw = 48, tl = 32;
    std::vector<uint8_t> data;
    std::vector<uint32_t> offsets, counts;
    for (uint32_t ty = 0; ty < h; ty += tl)
      for (uint32_t tx = 0; tx < w; tx += tw) {
        offsets.push_back(static_cast<uint32_t>(data.size()));
        for (uint32_t y = ty; y < ty + tl; ++y)
          for (uint32_t x = tx; x < tx + tw; ++x)
            data.push_back(x < w && y < h ? rgba[(size_t{y} * w + x) * 4] : 0);
        counts.push_back(tw * tl);
      }
    std::vector<Entry> e = {{256, 4, {w}}, {257, 4, {h}}, {258, 3, {8}},  {259, 3, {1}}, {262, 3, {1}},
                            {277, 3, {1}}, {322, 4, {tw}}, {323, 4, {tl}}, {324, 4, offsets}, {325, 4, counts}};
    files.push_back(OnePage(e, data));
  }
  {
    // YCbCr 2x2 in uncompressed strips of 8 rows.
    const std::vector<uint8_t> data = tifftest::YCbCrUnits(
        w, h, 2, 2, [&](int x, int y) { return rgba[(size_t(y) * w + x) * 4]; },
        [&](int bx, int by) { return static_cast<uint8_t>(bx + by); },
        [&](int bx, int by) { return static_cast<uint8_t>(bx * 3 - by); });
    const uint32_t rps = 8, strip = (w / 2) * 6 * (rps / 2);
    std::vector<uint32_t> offsets, counts;
    for (uint32_t y = 0; y < h; y += rps) {
      offsets.push_back(y / rps * strip);
      counts.push_back(strip);
    }
    auto e = tifftest::StripPage(w, h, 8, 3, 6, 0);
    e[5].values = offsets;
    e[7].values = {rps};
    e[8].values = counts;
    files.push_back(OnePage(e, data));
  }
  for (size_t i = 0; i < files.size(); ++i) {
    SCOPED_TRACE(i);
    pool.SetMaxThreads(1);
    Loaded one;
    Load(files[i], one);
    pool.SetMaxThreads(threads);
    Loaded many;
    Load(files[i], many);
    EXPECT_EQ(one.aborted, many.aborted);
    ASSERT_EQ(one.bitmap.Width(), static_cast<int32_t>(w));
    EXPECT_TRUE(Snapshot(one) == Snapshot(many));
    // The rows of a platform bitmap, as the view holds its picture, are
    // decoded on the threads as well.
    Loaded shown;
    shown.bitmap.SetLocation(ieTBitmap);
    Load(files[i], shown);
    EXPECT_EQ(shown.bitmap.Location(), ieTBitmap);
    EXPECT_TRUE(Snapshot(one) == Snapshot(shown));
  }
  pool.SetMaxThreads(threads);
}
