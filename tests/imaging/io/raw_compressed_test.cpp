// The loaders of coded sensor data: the test encodes known samples in each
// layout (differences, predictors, Huffman codes, bit orders) and the loader
// must give back exactly those samples.
#include <gtest/gtest.h>

#include "RawTestSupport.h"
#include "imaging/io/raw/RawBitReader.h"
#include "imaging/io/raw/RawFoveon.h"
#include "imaging/io/raw/RawHuffmanLoaders.h"
#include "imaging/io/raw/RawHuffmanTables.h"

using rawtest::BitWriter;
using rawtest::CanonicalCodes;
using rawtest::Category;
using rawtest::Decoding;
using rawtest::DiffBits;
using rawtest::File;
using rawtest::HuffCode;
using rawtest::Lcg;
using rawtest::PutDiff;

namespace {

// The usual JPEG table, one code longer: categories 0..12.
const uint8_t kDcSpec[] = {0, 1, 5, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
// Longer codes for the other column parity: categories 0..12, reversed.
const uint8_t kOddSpec[] = {0, 0, 3, 2, 2, 2, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0};

void Segment(std::vector<uint8_t>& out, uint16_t marker, const std::vector<uint8_t>& payload) {
  out.push_back(static_cast<uint8_t>(marker >> 8));
  out.push_back(static_cast<uint8_t>(marker));
  const size_t len = payload.size() + 2;
  out.push_back(static_cast<uint8_t>(len >> 8));
  out.push_back(static_cast<uint8_t>(len));
  out.insert(out.end(), payload.begin(), payload.end());
}

// Lossless JPEG of JHigh rows of JWide samples with two tables.
std::vector<uint8_t> LosslessJpeg(int jhigh, int jwide, const std::vector<uint16_t>& v) {
  std::vector<uint8_t> out = {0xFF, 0xD8};
  Segment(out, 0xFFC3,
          {12, static_cast<uint8_t>(jhigh >> 8), static_cast<uint8_t>(jhigh), static_cast<uint8_t>((jwide / 2) >> 8),
           static_cast<uint8_t>(jwide / 2), 2});
  std::vector<uint8_t> dht = {0};
  dht.insert(dht.end(), kDcSpec, kDcSpec + sizeof kDcSpec);
  dht.push_back(1);
  dht.insert(dht.end(), kOddSpec, kOddSpec + sizeof kOddSpec);
  Segment(out, 0xFFC4, dht);
  Segment(out, 0xFFDA, {1, 0, 0, 0, 0, 0});
  const auto even = CanonicalCodes(kDcSpec, sizeof kDcSpec), odd = CanonicalCodes(kOddSpec, sizeof kOddSpec);
  BitWriter w;
  w.stuff = true;
  int vpred[2] = {2048, 2048}, hpred[2] = {0, 0};
  for (int r = 0; r < jhigh; ++r)
    for (int c = 0; c < jwide; ++c) {
      const int val = v[static_cast<size_t>(r * jwide + c)];
      int diff;
      if (c < 2) {
        diff = val - vpred[c];
        vpred[c] = val;
        hpred[c] = val;
      } else {
        diff = val - hpred[c & 1];
        hpred[c & 1] = val;
      }
      PutDiff(w, (c & 1) ? odd : even, diff);
    }
  const auto bits = w.Finish();
  out.insert(out.end(), bits.begin(), bits.end());
  return out;
}

std::vector<uint16_t> Samples(size_t n, uint32_t max, uint32_t seed) {
  Lcg r(seed);
  std::vector<uint16_t> v(n);
  for (auto& x : v) x = static_cast<uint16_t>(r.Below(max + 1));
  return v;
}

// The Canon compressed layout of RawHeight x RawWidth samples of 10 bits
// (table set 0), from Start; the samples, bands of 8 rows in blocks of 64.
std::vector<uint8_t> CanonCompressed(int rh, int rw, const std::vector<uint16_t>& v) {
  const auto first = CanonicalCodes(kCrwFirstTree[0], 29), second = CanonicalCodes(kCrwSecondTree[0], 180);
  BitWriter w;
  w.stuff = true;
  int carry = 0;
  auto put = [&](const std::map<int, HuffCode>& codes, int symbol) {
    const auto it = codes.find(symbol);
    EXPECT_NE(it, codes.end()) << symbol;
    if (it != codes.end()) w.Put(it->second.code, it->second.length);
  };
  for (int row = 0; row < rh; row += 8) {
    std::vector<int> d(static_cast<size_t>(8 * rw));
    int base[2] = {0, 0};
    for (int n = 0; n < 8 * rw; ++n) {
      if (n % rw == 0) base[0] = base[1] = 512;
      const int r = row + n / rw;
      const int val = r < rh ? v[static_cast<size_t>(r * rw + n % rw)] : base[n & 1];
      d[static_cast<size_t>(n)] = val - base[n & 1];
      base[n & 1] = val;
    }
    for (int b = 0; b < rw / 8; ++b) {
      const int* D = &d[static_cast<size_t>(b * 64)];
      const int dc = D[0] - carry;
      carry = D[0];
      put(first, Category(dc));
      if (Category(dc)) w.Put(DiffBits(dc, Category(dc)), Category(dc));
      int last = 0;
      for (int i = 1; i < 64; ++i)
        if (D[i]) last = i;
      int run = 0;
      for (int i = 1; i <= last; ++i) {
        if (D[i] == 0) {
          ++run;
          continue;
        }
        while (run > 15) {
          put(second, 0xF0);
          run -= 16;
        }
        const int l = Category(D[i]);
        put(second, (run << 4) | l);
        w.Put(DiffBits(D[i], l), l);
        run = 0;
      }
      if (last < 63) put(second, 0);
    }
  }
  return w.Finish();
}

}  // namespace

TEST(RawCompressed, LosslessJpegWithTwoTablesAndBlack) {
  const int H = 3, RW = 8, W = 6;
  const auto v = Samples(static_cast<size_t>(H * RW), 4095, 21);
  Decoding d(LosslessJpeg(H, RW, v));
  d.Geometry(H, W, H, RW);
  d.Run(LoadLosslessJpegRaw, 0);
  int64_t sum = 0;
  for (int r = 0; r < H; ++r)
    for (int c = 0; c < RW; ++c) {
      const uint16_t s = v[static_cast<size_t>(r * RW + c)];
      if (c < W)
        ASSERT_EQ(d.At(r, c), s << 2) << r << "," << c;
      else
        sum += s;
    }
  EXPECT_EQ(d.ctx->Black, (sum << 2) / ((RW - W) * H));
  // A Kodak file takes the smallest stored value as its black.
  Decoding k(LosslessJpeg(H, RW, v));
  k.Geometry(H, W, H, RW);
  k.ctx->Make = "KODAK";
  k.Run(LoadLosslessJpegRaw, 0);
  uint16_t mn = 0xFFFF;
  for (int r = 0; r < H; ++r)
    for (int c = 0; c < W; ++c) mn = std::min(mn, v[static_cast<size_t>(r * RW + c)]);
  EXPECT_EQ(k.ctx->Black, mn << 2);
}

TEST(RawCompressed, LosslessJpegStopsAtBadMarkersAndSurvivesBadTables) {
  const auto v = Samples(16, 4095, 22);
  auto jpeg = LosslessJpeg(2, 8, v);
  jpeg[1] = 0xD9;  // no start marker
  Decoding d(jpeg);
  d.Geometry(2, 8);
  d.Run(LoadLosslessJpegRaw, 0);
  EXPECT_EQ(d.At(0, 0), 0);
  // A table whose symbols exceed any length and whose counts run past its
  // segment: decoding goes on within bounds.
  std::vector<uint8_t> bad = {0xFF, 0xD8};
  Segment(bad, 0xFFC3, {12, 0, 2, 0, 4, 1});
  std::vector<uint8_t> dht = {0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 200, 30};
  Segment(bad, 0xFFC4, dht);
  Segment(bad, 0xFFDA, {1, 0, 0, 0, 0, 0});
  bad.insert(bad.end(), 64, 0xA5);
  Decoding b(bad);
  b.Geometry(2, 8);
  b.Run(LoadLosslessJpegRaw, 0);
  SUCCEED();
}

TEST(RawCompressed, CanonCompressedWithoutLowBits) {
  const int RH = 16, RW = 16, W = 14;
  const auto v = Samples(static_cast<size_t>(RH * RW), 1023, 23);
  File f(540);
  auto coded = CanonCompressed(RH, RW, v);
  coded.push_back(0xFF);  // a stuffed 0xFF before any other: no low bits
  coded.push_back(0x00);
  f.Bytes(540, coded);
  f.Grow(16384 + 64);
  Decoding d(f.b);
  d.Geometry(RH, W, RH, RW);
  InitCrwTables(*d.ctx, 0);
  EXPECT_FALSE(CanonHasLowBits(*d.ctx));
  d.Run(canon_compressed_load_raw, 0);
  int64_t sum = 0;
  for (int r = 0; r < RH; ++r)
    for (int c = 0; c < RW; ++c) {
      const uint16_t s = v[static_cast<size_t>(r * RW + c)];
      if (c < W)
        ASSERT_EQ(d.At(r, c), s << 4) << r << "," << c;
      else
        sum += s;
    }
  EXPECT_EQ(d.ctx->Black, (sum << 4) / ((RW - W) * RH));
}

TEST(RawCompressed, CanonCompressedWithLowBits) {
  const int RH = 40, RW = 64;
  const auto hi = Samples(static_cast<size_t>(RH * RW), 1023, 24);
  File f;
  // Two low bits of four samples in each byte, from 26.
  Lcg r(25);
  std::vector<uint8_t> low(static_cast<size_t>(RH * RW / 4));
  for (auto& b : low) b = static_cast<uint8_t>(r.Next() >> 12);
  low[540 - 26] = 0xFF;  // the first 0xFF from 540 on is followed by a non-zero byte
  low[541 - 26] = 0x01;
  f.Bytes(26, low);
  f.Bytes(540 + static_cast<size_t>(RH * RW / 4), CanonCompressed(RH, RW, hi));
  f.Grow(16384 + 64);
  Decoding d(f.b);
  d.Geometry(RH, RW);
  InitCrwTables(*d.ctx, 0);
  EXPECT_TRUE(CanonHasLowBits(*d.ctx));
  d.Run(canon_compressed_load_raw, 0);
  for (int row = 0; row < RH; ++row)
    for (int c = 0; c < RW; ++c) {
      const size_t n = static_cast<size_t>(row * RW + c);
      const int bits = (low[n / 4] >> (2 * (n % 4))) & 3;
      ASSERT_EQ(d.At(row, c), ((hi[n] << 2) + bits) << 2) << row << "," << c;
    }
}

TEST(RawCompressed, NikonCompressedWithItsCurve) {
  const int H = 4, RW = 10, W = 8;
  const auto v = Samples(static_cast<size_t>(H * RW), 4095, 26);
  File f(0, true);
  const uint16_t vp[4] = {100, 2000, 3000, 4000};
  for (int i = 0; i < 4; ++i) f.U16(0x20 + 2 * static_cast<size_t>(i), vp[i]);
  f.U16(0x28, 4096);
  for (int i = 0; i < 4096; ++i) f.U16(0x2A + 2 * static_cast<size_t>(i), static_cast<uint16_t>((i * 3) % 4096));
  const auto codes = CanonicalCodes(kNikonTree, 29);
  BitWriter w;
  int vpred[4] = {vp[0], vp[1], vp[2], vp[3]}, hpred[2] = {0, 0};
  for (int row = 0; row < H; ++row)
    for (int c = 0; c < RW; ++c) {
      const int val = v[static_cast<size_t>(row * RW + c)];
      int diff;
      if (c < 2) {
        const int i = 2 * (row & 1) + (c & 1);
        diff = val - vpred[i];
        vpred[i] = val;
        hpred[c] = val;
      } else {
        diff = val - hpred[c & 1];
        hpred[c & 1] = val;
      }
      PutDiff(w, codes, diff);
    }
  const size_t data = 0x2A + 2 * 4096;
  f.Bytes(data, w.Finish());
  Decoding d(f.b);
  d.Geometry(H, W, H, RW);
  d.ctx->ByteOrder = kRawMotorola;
  d.ctx->CurveOffset = 0x20;
  d.ctx->LeftMargin = 1;
  d.Run(nikon_compressed_load_raw, static_cast<int64_t>(data));
  for (int row = 0; row < H; ++row)
    for (int c = 1; c <= W; ++c)
      ASSERT_EQ(d.At(row, c - 1), ((v[static_cast<size_t>(row * RW + c)] * 3) % 4096) << 2) << row << "," << c;
  // A curve of no entries passes the values through.
  f.U16(0x28, 0);
  const size_t data0 = 0x2A;
  f.Bytes(data0, w.Finish(0));
  Decoding z(f.b);
  z.Geometry(H, W, H, RW);
  z.ctx->ByteOrder = kRawMotorola;
  z.ctx->CurveOffset = 0x20;
  z.ctx->LeftMargin = 1;
  z.Run(nikon_compressed_load_raw, static_cast<int64_t>(data0));
  for (int c = 1; c <= W; ++c) ASSERT_EQ(z.At(2, c - 1), v[static_cast<size_t>(2 * RW + c)] << 2);
}

namespace {

// The Kodak layouts' bits: consumed from the low end, stored as an optional
// big-endian 16-bit start word and then 32-bit groups of bytes b0..b3 that
// hold bits 8..15, 0..7, 24..31 and 16..23.
struct KodakBitWriter {
  std::vector<bool> bits;
  void Put(int32_t diff, int length) {
    const uint32_t v = DiffBits(diff, length);
    for (int i = 0; i < length; ++i) bits.push_back((v >> i) & 1);
  }
  // The bytes the decoder reads for Lengths, with a start word when Start.
  std::vector<uint8_t> Bytes(const std::vector<int>& lengths, bool start) const {
    std::vector<uint8_t> out;
    size_t pos = 0;
    auto take = [&](int n) {
      uint32_t v = 0;
      for (int i = 0; i < n; ++i, ++pos)
        if (pos < bits.size() && bits[pos]) v |= 1u << i;
      return v;
    };
    int have = 0;
    if (start) {
      const uint32_t s = take(16);
      out.push_back(static_cast<uint8_t>(s >> 8));
      out.push_back(static_cast<uint8_t>(s));
      have = 16;
    }
    for (int l : lengths) {
      if (have < l) {
        const uint32_t c = take(32);
        out.push_back(static_cast<uint8_t>(c >> 8));
        out.push_back(static_cast<uint8_t>(c));
        out.push_back(static_cast<uint8_t>(c >> 24));
        out.push_back(static_cast<uint8_t>(c >> 16));
        have += 32;
      }
      have -= l;
    }
    return out;
  }
};

std::vector<uint8_t> Nibbles(const std::vector<int>& lengths) {
  std::vector<uint8_t> out;
  for (size_t i = 0; i + 1 < lengths.size() + 1; i += 2)
    out.push_back(static_cast<uint8_t>(lengths[i] | ((i + 1 < lengths.size() ? lengths[i + 1] : 0) << 4)));
  return out;
}

}  // namespace

TEST(RawCompressed, KodakCompressedCodedAndPlainChunks) {
  const int W = 20, H = 2;
  const auto v = Samples(static_cast<size_t>(W * H), 4095, 27);
  File f;
  size_t at = 0x100;
  for (int row = 0; row < H; ++row) {
    std::vector<int> lengths;
    KodakBitWriter kw;
    int pred[2] = {0, 0};
    for (int c = 0; c < W; ++c) {
      const int val = v[static_cast<size_t>(row * W + c)];
      const int diff = val - pred[c & 1];
      pred[c & 1] = val;
      lengths.push_back(Category(diff));
      kw.Put(diff, Category(diff));
    }
    const auto nib = Nibbles(lengths);
    f.Bytes(at, nib);
    at += nib.size();
    const auto bytes = kw.Bytes(lengths, (W & 7) == 4);
    f.Bytes(at, bytes);
    at += bytes.size();
  }
  f.Grow(at + 16);
  Decoding d(f.b);
  d.Geometry(H, W);
  d.Run(LoadKodakCompressedRaw, 0x100);
  for (int r = 0; r < H; ++r)
    for (int c = 0; c < W; ++c) ASSERT_EQ(d.At(r, c), v[static_cast<size_t>(r * W + c)] << 2) << r << "," << c;

  // A plain chunk: eight 12-bit values in six big-endian words; the low
  // nibble of its first byte (above 12) marks it.
  uint16_t p[8] = {0x123, 0x456, 0xD78, 0x9AB, 0xCDE, 0xF01, 0x234, 0x567};
  uint16_t words[6];
  for (int k = 2; k < 8; ++k) words[k - 2] = p[k];
  words[0] = static_cast<uint16_t>(words[0] | ((p[0] >> 8) << 12));
  words[2] = static_cast<uint16_t>(words[2] | (((p[0] >> 4) & 15) << 12));
  words[4] = static_cast<uint16_t>(words[4] | ((p[0] & 15) << 12));
  words[1] = static_cast<uint16_t>(words[1] | ((p[1] >> 8) << 12));
  words[3] = static_cast<uint16_t>(words[3] | (((p[1] >> 4) & 15) << 12));
  words[5] = static_cast<uint16_t>(words[5] | ((p[1] & 15) << 12));
  File g(0, true);
  for (int k = 0; k < 6; ++k) g.U16(0x40 + 2 * static_cast<size_t>(k), words[k]);
  g.Grow(0x80);
  Decoding pd(g.b);
  pd.Geometry(1, 8);
  pd.Run(LoadKodakCompressedRaw, 0x40);
  for (int c = 0; c < 8; ++c) ASSERT_EQ(pd.At(0, c), p[c] << 2) << c;
}

namespace {

// Per 2 x 2 block of the Kodak YUV layout: four luminances and the two
// chroma values.
struct YuvBlock {
  int y[4], cb, cr;
};

// Rows of blocks coded as the layout stores them: per pair of rows the
// chunk's lengths (two to a byte, low nibble first, padded to n), then the
// differences Y0 - Y1', Y1 - Y0, Y2 - Y3', Y3 - Y2, Cb - Cb', Cr - Cr'.
std::vector<uint8_t> KodakYuvFile(const std::vector<YuvBlock>& blocks, int W, int H, size_t at) {
  File f;
  for (int row = 0; row < H; row += 2) {
    std::vector<int> lengths;
    KodakBitWriter kw;
    int y1 = 0, y3 = 0, cb = 0, cr = 0;
    for (int col = 0; col < W; col += 2) {
      const YuvBlock& b = blocks[static_cast<size_t>((row / 2) * (W / 2) + col / 2)];
      const int d[6] = {b.y[0] - y1, b.y[1] - b.y[0], b.y[2] - y3, b.y[3] - b.y[2], b.cb - cb, b.cr - cr};
      y1 = b.y[1];
      y3 = b.y[3];
      cb = b.cb;
      cr = b.cr;
      for (int k : d) {
        lengths.push_back(Category(k));
        kw.Put(k, Category(k));
      }
    }
    const int n = ((W + 1) * 3) & ~3;
    lengths.resize(static_cast<size_t>(n), 0);
    const auto nib = Nibbles(lengths);
    f.Bytes(at, nib);
    at += nib.size();
    const auto bytes = kw.Bytes(lengths, (n & 7) == 4);
    f.Bytes(at, bytes);
    at += bytes.size();
  }
  f.Grow(at + 16);
  return f.b;
}

// Red Y + Cr, green Y, blue Y + Cb through the straight curve, bounded to
// 4095; a value not above 0 leaves the sample as it was (0).
void ExpectYuvBlocks(Decoding& d, const std::vector<YuvBlock>& blocks, int W, int H) {
  auto sample = [](int v) { return v > 0 ? std::min(v, 4095) << 2 : 0; };
  for (int row = 0; row < H; row += 2)
    for (int col = 0; col < W; col += 2) {
      const YuvBlock& b = blocks[static_cast<size_t>((row / 2) * (W / 2) + col / 2)];
      for (int i = 0; i < 4; ++i) {
        const int rr = row + (i >> 1), cc = col + (i & 1);
        ASSERT_EQ(ImageSample(*d.ctx, rr, cc, 0), sample(b.y[i] + b.cr)) << rr << "," << cc;
        ASSERT_EQ(ImageSample(*d.ctx, rr, cc, 1), sample(b.y[i])) << rr << "," << cc;
        ASSERT_EQ(ImageSample(*d.ctx, rr, cc, 2), sample(b.y[i] + b.cb)) << rr << "," << cc;
      }
    }
}

}  // namespace

TEST(RawCompressed, KodakYuvBlocks) {
  const int W = 4, H = 4;
  Lcg r(28);
  std::vector<YuvBlock> blocks;
  for (int i = 0; i < (W / 2) * (H / 2); ++i) {
    YuvBlock b;
    for (int& y : b.y) y = 600 + static_cast<int>(r.Below(2000));
    b.cb = static_cast<int>(r.Below(400)) - 200;
    b.cr = static_cast<int>(r.Below(400)) - 200;
    blocks.push_back(b);
  }
  Decoding d(KodakYuvFile(blocks, W, H, 0x80));
  d.Geometry(H, W);
  d.ctx->Filters = 0;
  d.Run(LoadKodakYuvRaw, 0x80);
  ExpectYuvBlocks(d, blocks, W, H);
}

TEST(RawCompressed, KodakYuvLengthsAboveTwelveAreLengths) {
  // The second block's blue chroma steps by 5100 (13 bits, a low nibble of
  // 13); the YUV layout has no plain chunks, so the red chroma's length in
  // the high nibble of the same byte still counts.
  const int W = 4, H = 2;
  const std::vector<YuvBlock> blocks = {{{1000, 1100, 1200, 1300}, -2500, 300},
                                        {{1400, 1500, 1600, 1700}, 2600, -250}};
  const auto file = KodakYuvFile(blocks, W, H, 0x80);
  // The byte holding those two lengths: index 10 and 11 of the chunk's.
  EXPECT_EQ(file[0x80 + 5], 13 | (Category(-250 - 300) << 4));
  Decoding d(file);
  d.Geometry(H, W);
  d.ctx->Filters = 0;
  d.Run(LoadKodakYuvRaw, 0x80);
  ExpectYuvBlocks(d, blocks, W, H);
}

TEST(RawCompressed, KodakRadialFlatBand) {
  // One band of four rows, every channel predicted flat: each pass codes
  // tree 1 "0" (a run), tree 9 "01" (two steps), tree 10 "0" (no change).
  const int W = 8, H = 4, mul = 10;
  BitWriter w;
  for (int c = 0; c < 3; ++c) w.Put(mul, 6);
  for (int pass = 0; pass < 4; ++pass) w.Put(0b0010, 4);
  Decoding d(w.Finish());
  d.Geometry(H, W);
  d.ctx->Filters = 0x61616161;
  d.ctx->Model = "DC40";
  d.Run(LoadKodakRadcRaw, 0);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      // Cells of odd x + y are recomputed from their neighbours; past the
      // image's edge a neighbour counts 0.
      const bool edge = ((x + y) & 1) && (x == 0 || x == W - 1);
      ASSERT_EQ(d.At(y, x), edge ? 1024 : 2048) << y << "," << x;
    }
  // The radial trees decode their own codes: tree 15 "00" is -28, tree 11
  // "1" is 3.
  Decoding t({0b00100000, 0, 0, 0, 0});
  InitDecoder(*t.ctx);
  GetBits(*t.ctx, -1);
  EXPECT_EQ(RadcToken(*t.ctx, 15), -28);
  EXPECT_EQ(RadcToken(*t.ctx, 11), 3);
  EXPECT_EQ(t.ctx->FreeNode, 242);
}

TEST(RawCompressed, ThreeLayerLoaderWithItsCodeTable) {
  // Four codes of two bits; their differences.
  const int16_t diffs[4] = {5, -3, 100, 0};
  File f;
  for (int i = 0; i < 4; ++i) f.U16(260 + 2 * static_cast<size_t>(i), static_cast<uint16_t>(diffs[i]));
  for (uint32_t i = 0; i < 4; ++i) f.U32(260 + 2048 + 4 * i, (2u << 27) | i);
  const int RH = 3, RW = 5;
  Lcg r(29);
  std::vector<int> chosen;
  std::vector<int> expect(static_cast<size_t>(RH * RW * 3));
  std::vector<uint8_t> data;
  for (int row = 0; row < RH; ++row) {
    std::vector<bool> bits;
    int pred[3] = {0, 0, 0};
    for (int col = 0; col < RW; ++col)
      for (int c = 0; c < 3; ++c) {
        // Keep every sum positive so that it is stored.
        int k = static_cast<int>(r.Below(4));
        if (pred[c] + diffs[k] <= 0) k = 2;
        pred[c] += diffs[k];
        expect[static_cast<size_t>((row * RW + col) * 3 + c)] = pred[c];
        bits.push_back(k >> 1);
        bits.push_back(k & 1);
      }
    const size_t words = (bits.size() + 31) / 32 + (bits.size() % 32 == 0 ? 1 : 0);
    for (size_t wi = 0; wi < words; ++wi) {
      uint32_t v = 0;
      for (int b = 0; b < 32; ++b) {
        const size_t i = wi * 32 + static_cast<size_t>(b);
        v = (v << 1) | (i < bits.size() && bits[i] ? 1u : 0u);
      }
      for (int s = 24; s >= 0; s -= 8) data.push_back(static_cast<uint8_t>(v >> s));
    }
  }
  f.Bytes(260 + 2048 + 4096, data);
  f.Grow(f.Size() + 16);
  Decoding d(f.b);
  d.Geometry(RH, RW);
  d.ctx->Filters = 0;
  d.Run(LoadFoveonRaw, 0);
  for (int row = 0; row < RH; ++row)
    for (int col = 0; col < RW; ++col)
      for (int c = 0; c < 3; ++c)
        ASSERT_EQ(ImageSample(*d.ctx, row, col, c), expect[static_cast<size_t>((row * RW + col) * 3 + c)]);
}
