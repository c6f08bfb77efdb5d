// The loaders of stored and packed sensor data: each decodes a file the test
// builds from the loader's layout to exactly the samples the test stored.
#include <gtest/gtest.h>

#include "RawTestSupport.h"
#include "imaging/io/raw/RawBitReader.h"
#include "imaging/io/raw/RawPackedLoaders.h"

using rawtest::BitWriter;
using rawtest::Decoding;
using rawtest::File;
using rawtest::Lcg;

namespace {

std::vector<uint16_t> Samples(size_t n, uint32_t max, uint32_t seed) {
  Lcg r(seed);
  std::vector<uint16_t> v(n);
  for (auto& x : v) x = static_cast<uint16_t>(r.Below(max + 1));
  return v;
}

}  // namespace

TEST(RawBitReader, ReadsMostSignificantFirstAndDropsStuffing) {
  Decoding d({0x12, 0x34, 0x56, 0x78, 0x9A});
  GetBits(*d.ctx, -1);
  EXPECT_EQ(GetBits(*d.ctx, 8), 0x12u);
  EXPECT_EQ(GetBits(*d.ctx, 4), 0x3u);
  EXPECT_EQ(GetBits(*d.ctx, 12), 0x456u);
  EXPECT_EQ(GetBits(*d.ctx, 0), 0u);

  Decoding s({0xFF, 0x00, 0x56});
  s.ctx->ZeroAfterFF = true;
  GetBits(*s.ctx, -1);
  EXPECT_EQ(GetBits(*s.ctx, 8), 0xFFu);
  EXPECT_EQ(GetBits(*s.ctx, 8), 0x56u);
  // Past the end the reader gives zero bits; lengths above 25 read 25.
  EXPECT_EQ(GetBits(*s.ctx, 30), 0u);
}

TEST(RawBitReader, SignExtensionOfDifferences) {
  EXPECT_EQ(SignExtend(0, 0), 0);
  EXPECT_EQ(SignExtend(1, 1), 1);
  EXPECT_EQ(SignExtend(0, 1), -1);
  EXPECT_EQ(SignExtend(0b011, 3), -4);
  EXPECT_EQ(SignExtend(0b100, 3), 4);
}

TEST(RawBitReader, TreesFollowTheirCodeTablesAndThePoolIsBounded) {
  // Standard counts 0 1 5 1 1 1 1 1 1: symbol 0 is "00", 1 "010", 5 "110".
  const uint8_t spec[] = {0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
  Decoding d({0b00010110, 0b11111110, 0, 0});
  InitDecoder(*d.ctx);
  EXPECT_EQ(MakeDecoder(*d.ctx, spec, sizeof spec, 0), 28);
  GetBits(*d.ctx, -1);
  const TIERawHuffNode* root = &d.ctx->DecodeNodes[0];
  EXPECT_EQ(DecodeSymbol(*d.ctx, root), 0);
  EXPECT_EQ(DecodeSymbol(*d.ctx, root), 1);
  EXPECT_EQ(DecodeSymbol(*d.ctx, root), 5);
  EXPECT_EQ(DecodeSymbol(*d.ctx, root), 10);  // "11111110"

  // A code table with more codes than 2048 nodes can hold.
  uint8_t big[16 + 1530] = {};
  for (int k = 10; k < 16; ++k) big[k] = 255;
  InitDecoder(*d.ctx);
  try {
    MakeDecoder(*d.ctx, big, sizeof big, 0);
    FAIL() << "no overflow";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), ": decoder table overflow");
  }
  // Counts that promise symbols past the table read them as 0.
  const uint8_t shortSpec[] = {0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 7};
  InitDecoder(*d.ctx);
  EXPECT_EQ(MakeDecoder(*d.ctx, shortSpec, sizeof shortSpec, 0), 20);
}

TEST(RawLoaders, EightBitAndPacked12) {
  {
    const auto v = Samples(3 * 12, 255, 1);
    File f;
    for (size_t i = 0; i < v.size(); ++i) f.U8(100 + i, static_cast<uint8_t>(v[i]));
    Decoding d(f.b);
    d.Geometry(3, 10, 3, 12);
    d.Run(eight_bit_load_raw, 100);
    for (int r = 0; r < 3; ++r)
      for (int c = 0; c < 10; ++c) ASSERT_EQ(d.At(r, c), v[static_cast<size_t>(r * 12 + c)] << 6);
  }
  {
    // Six 12-bit samples in 9 bytes, the row padded to 12 bytes.
    const auto v = Samples(4 * 6, 4095, 2);
    BitWriter w;
    for (int r = 0; r < 4; ++r) {
      for (int c = 0; c < 6; ++c) w.Put(v[static_cast<size_t>(r * 6 + c)], 12);
      w.Put(0xABCDEF, 24);
    }
    File f;
    f.Bytes(64, w.Finish());
    Decoding d(f.b);
    d.Geometry(4, 6, 4, 12);
    d.Run(LoadPacked12Raw, 64);
    for (int r = 0; r < 4; ++r)
      for (int c = 0; c < 6; ++c) ASSERT_EQ(d.At(r, c), v[static_cast<size_t>(r * 6 + c)] << 2);
  }
}

TEST(RawLoaders, UnpackedSixteenBitVariants) {
  struct Case {
    TIERawLoader loader;
    bool big;
    int shift;
  };
  const Case cases[] = {{LoadUnpackedBEMinus4, true, -4}, {LoadUnpackedBE2, true, 2}, {LoadUnpackedBE0, true, 0},
                        {LoadUnpackedBEMinus2, true, -2}, {LoadUnpackedLE2, false, 2}};
  for (const Case& c : cases) {
    File f(0, c.big);
    for (int i = 0; i < 2 * 5; ++i) f.U16(10 + 2 * static_cast<size_t>(i), static_cast<uint16_t>(0x0ABC + 0x111 * i));
    Decoding d(f.b);
    d.Geometry(2, 4, 2, 5);
    d.Run(c.loader, 10);
    for (int r = 0; r < 2; ++r)
      for (int col = 0; col < 4; ++col) {
        const uint32_t w = 0x0ABC + 0x111 * (r * 5 + col);
        ASSERT_EQ(d.At(r, col), static_cast<uint16_t>(c.shift >= 0 ? w >> c.shift : w << -c.shift));
      }
  }
  // The layout's own examples: 0x0ABC shifted left 4 and right 2.
  File f(0, true);
  f.U16(0, 0x0ABC);
  Decoding left(f.b);
  left.Geometry(1, 1);
  left.Run(LoadUnpackedBEMinus4, 0);
  EXPECT_EQ(left.At(0, 0), 0xABC0);
  Decoding right(f.b);
  right.Geometry(1, 1);
  right.Run(LoadUnpackedBE2, 0);
  EXPECT_EQ(right.At(0, 0), 0x02AF);
}

TEST(RawLoaders, NikonE2100Packing) {
  // 12 bytes for 8 samples, even rows first, a gap, then odd rows.
  const int W = 16, H = 4;
  const auto v = Samples(static_cast<size_t>(W * H), 4095, 3);
  auto pack = [&](int row) {
    std::vector<uint8_t> out;
    for (int g = 0; g < W / 8; ++g) {
      const uint16_t* s = &v[static_cast<size_t>(row * W + 8 * g)];
      uint8_t b[12];
      b[3] = static_cast<uint8_t>(s[0] >> 4);
      b[2] = static_cast<uint8_t>(((s[0] & 15) << 4) | (s[1] >> 8));
      b[1] = static_cast<uint8_t>(s[1]);
      b[0] = static_cast<uint8_t>(s[2] >> 4);
      b[7] = static_cast<uint8_t>(((s[2] & 15) << 4) | (s[3] >> 8));
      b[6] = static_cast<uint8_t>(s[3]);
      b[5] = static_cast<uint8_t>(s[4] >> 4);
      b[4] = static_cast<uint8_t>(((s[4] & 15) << 4) | (s[5] >> 8));
      b[11] = static_cast<uint8_t>(s[5]);
      b[10] = static_cast<uint8_t>(s[6] >> 4);
      b[9] = static_cast<uint8_t>(((s[6] & 15) << 4) | (s[7] >> 8));
      b[8] = static_cast<uint8_t>(s[7]);
      out.insert(out.end(), b, b + 12);
    }
    return out;
  };
  File f;
  size_t at = 0;
  for (int r = 0; r < H; r += 2, at += W * 3 / 2) f.Bytes(at, pack(r));
  at += 424;
  for (int r = 1; r < H; r += 2, at += W * 3 / 2) f.Bytes(at, pack(r));
  Decoding d(f.b);
  d.Geometry(H, W);
  d.Run(LoadNikonE2100Raw, 0);
  for (int r = 0; r < H; ++r)
    for (int c = 0; c < W; ++c) ASSERT_EQ(d.At(r, c), v[static_cast<size_t>(r * W + c)] << 2) << r << "," << c;
}

TEST(RawLoaders, TenBitPackings) {
  {  // QV-5700: big-endian 10-bit fields, 3232 bytes a row.
    const auto v = Samples(2 * 8, 1023, 4);
    File f;
    for (int r = 0; r < 2; ++r) {
      BitWriter w;
      for (int c = 0; c < 8; ++c) w.Put(v[static_cast<size_t>(r * 8 + c)], 10);
      f.Bytes(3232 * static_cast<size_t>(r), w.Finish(0));
    }
    f.Grow(3232 * 2);
    Decoding d(f.b);
    d.Geometry(2, 8);
    d.Run(LoadCasioQV5700Raw, 0);
    for (int r = 0; r < 2; ++r)
      for (int c = 0; c < 8; ++c) ASSERT_EQ(d.At(r, c), v[static_cast<size_t>(r * 8 + c)] << 4);
  }
  {  // PowerShot A5: the same fields with the bytes of each pair exchanged.
    const int RW = 16, W = 12, H = 2;
    const auto v = Samples(static_cast<size_t>(RW * H), 1023, 5);
    File f;
    for (int r = 0; r < H; ++r) {
      BitWriter w;
      for (int c = 0; c < RW; ++c) w.Put(v[static_cast<size_t>(r * RW + c)], 10);
      auto bytes = w.Finish(0);
      SwabBytes(bytes.data(), static_cast<int64_t>(bytes.size()));
      f.Bytes(static_cast<size_t>(r * RW * 10 / 8), bytes);
    }
    Decoding d(f.b);
    d.Geometry(H, W, H, RW);
    d.Run(LoadPowerShotA5Raw, 0);
    int64_t sum = 0;
    for (int r = 0; r < H; ++r)
      for (int c = 0; c < RW; ++c) {
        const uint16_t s = v[static_cast<size_t>(r * RW + c)];
        if (c < W)
          ASSERT_EQ(d.At(r, c), s << 4);
        else
          sum += s;
      }
    EXPECT_EQ(d.ctx->Black, sum * 16 / ((RW - W) * H));
  }
  {  // PowerShot 600: 8 high bytes and two bytes of low bits; rows interlaced.
    const int W = 20, H = 5;
    const auto v = Samples(static_cast<size_t>(896 * H), 1023, 6);
    const int order[] = {0, 2, 4, 1, 3};
    File f(1120 * H);
    for (int i = 0; i < H; ++i)
      for (int g = 0; g < 112; ++g) {
        const uint16_t* s = &v[static_cast<size_t>(i * 896 + 8 * g)];
        uint8_t* b = &f.b[static_cast<size_t>(i * 1120 + 10 * g)];
        b[0] = static_cast<uint8_t>(s[0] >> 2);
        b[2] = static_cast<uint8_t>(s[1] >> 2);
        b[3] = static_cast<uint8_t>(s[2] >> 2);
        b[4] = static_cast<uint8_t>(s[3] >> 2);
        b[1] = static_cast<uint8_t>(((s[0] & 3) << 6) | ((s[1] & 3) << 4) | ((s[2] & 3) << 2) | (s[3] & 3));
        for (int k = 4; k < 8; ++k) b[k + 1] = static_cast<uint8_t>(s[k] >> 2);
        b[9] = static_cast<uint8_t>((s[4] & 3) | ((s[5] & 3) << 2) | ((s[6] & 3) << 4) | ((s[7] & 3) << 6));
      }
    Decoding d(f.b);
    d.Geometry(H, W);
    d.Run(LoadPowerShot600Raw, 0);
    int64_t sum = 0;
    for (int i = 0; i < H; ++i) {
      for (int c = 0; c < W; ++c) ASSERT_EQ(d.At(order[i], c), v[static_cast<size_t>(i * 896 + c)] << 4);
      for (int c = W; c < 896; ++c) sum += v[static_cast<size_t>(i * 896 + c)];
    }
    EXPECT_EQ(d.ctx->Black, sum * 16 / ((896 - W) * H));
  }
  {  // E950: 10-bit fields, 28 bytes after each row, file row i at 2i mod H.
    const int W = 8, H = 3;
    const auto v = Samples(static_cast<size_t>(W * H), 1023, 7);
    BitWriter w;
    for (int i = 0; i < H; ++i) {
      for (int c = 0; c < W; ++c) w.Put(v[static_cast<size_t>(i * W + c)], 10);
      for (int k = 0; k < 28; ++k) w.Put(0x5A, 8);
    }
    Decoding d(w.Finish());
    d.Geometry(H, W);
    d.Run(LoadNikonE950Raw, 0);
    for (int i = 0; i < H; ++i)
      for (int c = 0; c < W; ++c) ASSERT_EQ(d.At(2 * i % H, c), v[static_cast<size_t>(i * W + c)] << 4);
  }
}

TEST(RawLoaders, NikonPackedRowsAndSkippedBytes) {
  {  // Compression 34713: a byte after every tenth sample.
    const int RW = 20, W = 18, H = 2;
    const auto v = Samples(static_cast<size_t>(RW * H), 4095, 8);
    BitWriter w;
    for (int i = 0; i < RW * H; ++i) {
      w.Put(v[static_cast<size_t>(i)], 12);
      if (i % RW % 10 == 9) w.Put(0xEE, 8);
    }
    Decoding d(w.Finish());
    d.Geometry(H, W, H, RW);
    d.ctx->Compression = 34713;
    d.ctx->LeftMargin = 1;
    d.ctx->Model = "D100";
    d.Run(LoadNikonPackedRaw, 0);
    for (int r = 0; r < H; ++r)
      for (int c = 1; c <= W; ++c) ASSERT_EQ(d.At(r, c - 1), v[static_cast<size_t>(r * RW + c)] << 2);
  }
  {  // "E" models below 5000: even rows, then the odd rows from half the file.
    const int W = 8, H = 4;
    const auto v = Samples(static_cast<size_t>(W * H), 4095, 9);
    auto rows = [&](std::initializer_list<int> which) {
      BitWriter w;
      for (int r : which)
        for (int c = 0; c < W; ++c) w.Put(v[static_cast<size_t>(r * W + c)], 12);
      return w.Finish(0);
    };
    File f(256);
    f.Bytes(0, rows({0, 2}));
    f.Bytes(128, rows({1, 3}));
    Decoding d(f.b);
    d.Geometry(H, W);
    d.ctx->Model = "E4500";
    d.Run(LoadNikonPackedRaw, 0);
    for (int r = 0; r < H; ++r)
      for (int c = 0; c < W; ++c) ASSERT_EQ(d.At(r, c), v[static_cast<size_t>(r * W + c)] << 2) << r;
  }
}

TEST(RawLoaders, OlympusCSeriesTwoFields) {
  const int W = 8, H = 4;
  const auto v = Samples(static_cast<size_t>(W * H), 4095, 10);
  auto rows = [&](std::initializer_list<int> which) {
    BitWriter w;
    for (int r : which)
      for (int c = 0; c < W; ++c) w.Put(v[static_cast<size_t>(r * W + c)], 12);
    return w.Finish(0);
  };
  File f;
  f.Bytes(16, rows({0, 2}));
  f.Bytes(16 + 2048, rows({1, 3}));
  f.Grow(16 + 4096);
  Decoding d(f.b);
  d.Geometry(H, W);
  d.Run(LoadOlympusCSeriesRaw, 16);
  for (int r = 0; r < H; ++r)
    for (int c = 0; c < W; ++c) ASSERT_EQ(d.At(r, c), v[static_cast<size_t>(r * W + c)] << 2) << r;
}

TEST(RawLoaders, NucoreDc120AndIxpress) {
  {
    const auto v = Samples(12, 0x3FFF, 11);
    File f;
    for (size_t i = 0; i < 12; ++i) f.U16(8 + 2 * i, v[i]);
    Decoding d(f.b);
    d.Geometry(2, 6);
    d.ctx->Model = "RAW";
    d.Run(nucore_load_raw, 8);
    for (int r = 0; r < 2; ++r)
      for (int c = 0; c < 6; ++c) ASSERT_EQ(d.At(r, c), v[static_cast<size_t>(r * 6 + c)] << 2);
  }
  {  // DC120: each row turned by its own amount.
    static const int kMul[4] = {162, 192, 187, 92}, kAdd[4] = {0, 636, 424, 212};
    const auto v = Samples(848 * 5, 255, 12);
    File f;
    for (size_t i = 0; i < v.size(); ++i) f.U8(i, static_cast<uint8_t>(v[i]));
    Decoding d(f.b);
    d.Geometry(5, 848);
    d.Run(LoadKodakDC120Raw, 0);
    for (int r = 0; r < 5; ++r)
      for (int c = 0; c < 848; c += 37)
        ASSERT_EQ(d.At(r, c), v[static_cast<size_t>(r * 848 + (r * kMul[r & 3] + kAdd[r & 3] + c) % 848)] << 6);
  }
  {  // Ixpress: rows from the last up, each mirrored.
    const auto v = Samples(2 * 4090, 0xFFFF, 13);
    File f;
    for (size_t i = 0; i < v.size(); ++i) f.U16(49384 + 2 * i, v[i]);
    Decoding d(f.b);
    d.Geometry(2, 4);
    d.Run(LoadIxpressRaw, 0);
    for (int k = 0; k < 2; ++k)
      for (int i = 0; i < 4; ++i) ASSERT_EQ(d.At(1 - k, i), v[static_cast<size_t>(k * 4090 + 3 - i)]);
  }
}

TEST(RawLoaders, PhaseOneDescrambling) {
  auto build = [](uint16_t key1, uint16_t key2, const std::vector<uint16_t>& plain, int rw) {
    File f(0, true);
    f.U32(8, 4);  // skip 4 + 296 bytes from 12
    f.U16(12 + 4 + 296, key1);
    f.U16(12 + 4 + 296 + 2, key2);
    for (size_t i = 0; i + 1 < plain.size(); i += 2) {
      const uint16_t x = plain[i], y = plain[i + 1];
      const uint16_t a = static_cast<uint16_t>(((y & 0xAAAA) | (x & 0x5555)) ^ key1);
      const uint16_t b = static_cast<uint16_t>(((x & 0xAAAA) | (y & 0x5555)) ^ key2);
      f.U16(12 + 2 * rw + 2 * i, a);  // one top-margin row
      f.U16(12 + 2 * rw + 2 * i + 2, b);
    }
    f.Grow(12 + 4 * static_cast<size_t>(rw) + 64);
    return f;
  };
  // A pair (0, 0xFFFF) with both keys 0 becomes (0xAAAA, 0x5555).
  {
    File f = build(0, 0, {}, 4);
    f.U16(12 + 8, 0x0000);
    f.U16(12 + 10, 0xFFFF);
    Decoding d(f.b);
    d.Geometry(1, 2, 2, 4);
    d.ctx->ByteOrder = kRawMotorola;
    d.ctx->TopMargin = 1;
    d.Run(LoadPhaseOneRaw, 0);
    EXPECT_EQ(d.At(0, 0), 0xAAAA);
    EXPECT_EQ(d.At(0, 1), 0x5555);
  }
  const auto v = Samples(8, 0xFFFF, 14);
  File f = build(0x1357, 0x9BDF, v, 8);
  Decoding d(f.b);
  d.Geometry(1, 6, 2, 8);
  d.ctx->ByteOrder = kRawMotorola;
  d.ctx->TopMargin = 1;
  d.ctx->LeftMargin = 2;
  d.Run(LoadPhaseOneRaw, 0);
  for (int c = 0; c < 6; ++c) ASSERT_EQ(d.At(0, c), v[static_cast<size_t>(c + 2)]);
  // A margin that reaches past the stored row reads nothing from beyond it.
  Decoding wide(f.b);
  wide.Geometry(1, 8, 2, 8);
  wide.ctx->ByteOrder = kRawMotorola;
  wide.ctx->TopMargin = 1;
  wide.ctx->LeftMargin = 4;
  wide.Run(LoadPhaseOneRaw, 0);
  EXPECT_EQ(wide.At(0, 3), v[7]);
  EXPECT_EQ(wide.At(0, 4), 0);
}

TEST(RawLoaders, RolleiGroups) {
  // Groups of 10 bytes: five 16-bit samples, and three samples of the low
  // bits gathered from the first byte of each pair.
  const int RW = 4, RH = 4;
  File f;
  Lcg r(15);
  for (int i = 0; i < 20; ++i) f.U8(static_cast<size_t>(i), static_cast<uint8_t>(r.Next() >> 16));
  f.U8(20, 1);  // a short group is not read
  Decoding d(f.b);
  d.Geometry(RH, RW);
  d.Run(LoadRolleiRaw, 0);
  const uint8_t* b = f.b.data();
  int64_t low = RW * RH * 5 / 8;
  for (int g = 0; g < 2; ++g) {
    uint32_t acc = 0;
    for (int k = 0; k < 5; ++k) {
      const int n = g * 5 + k;
      const uint8_t* p = b + 10 * g + 2 * k;
      EXPECT_EQ(d.At(n / RW, n % RW), ((p[0] << 8 | p[1]) & 0x3FF) << 4) << n;
      acc = (acc << 6) | (p[0] >> 2);
    }
    for (int s = 20; s >= 0; s -= 10, ++low)
      EXPECT_EQ(d.At(static_cast<int>(low / RW), static_cast<int>(low % RW)), ((acc >> s) & 0x3FF) << 4) << low;
  }
}

TEST(RawLoaders, FujiDiagonalLayouts) {
  {  // S2: word j of file row i goes to (i + (j + 1) / 2, 2143 - i + j / 2).
    File f(141376 + 2144 * 5888, true);
    for (int j = 0; j < 32; ++j) f.U16(141376 + 2143 * 5888 + 2 * static_cast<size_t>(j), static_cast<uint16_t>(1000 + j));
    Decoding d(f.b);
    d.Geometry(2200, 16);
    d.Run(LoadFujiS2Raw, 0);
    EXPECT_TRUE(d.ctx->FujiRotate);
    for (int j = 0; j < 32; ++j) ASSERT_EQ(d.At(2143 + (j + 1) / 2, j / 2), (1000 + j) << 2);
  }
  {  // S7000: word c of row r goes to (2047 + r / 2 - c, c + (r + 1) / 2).
    File f(3080 * 4096);
    for (int r = 0; r < 6; ++r) f.U16(static_cast<size_t>(r) * 4096 + 2 * 2047, static_cast<uint16_t>(500 + r));
    Decoding d(f.b);
    d.Geometry(8, 2100);
    d.Run(LoadFujiS7000Raw, 0);
    EXPECT_TRUE(d.ctx->FujiRotate);
    for (int r = 0; r < 6; ++r) ASSERT_EQ(d.At(r / 2, 2047 + (r + 1) / 2), (500 + r) << 2);
  }
  {  // F700: word j of row i goes to (i / 2 - j + 1439, j + (i + 1) / 2).
    File f(2168 * 5888);
    for (int i = 0; i < 6; ++i) f.U16(static_cast<size_t>(i) * 5888 + 2 * 1439, static_cast<uint16_t>(700 + i));
    Decoding d(f.b);
    d.Geometry(8, 1460);
    d.Run(LoadFujiF700Raw, 0);
    for (int i = 0; i < 6; ++i) ASSERT_EQ(d.At(i / 2, 1439 + (i + 1) / 2), 700 + i);
  }
}

TEST(RawLoaders, KodakEasyAndTheToneCurve) {
  const int RW = 10, W = 8, H = 2;
  const auto v = Samples(static_cast<size_t>(RW * H), 255, 16);
  File f;
  for (size_t i = 0; i < v.size(); ++i) f.U8(0x400 + i, static_cast<uint8_t>(v[i]));
  {  // Not a Kodak file: the identity curve; columns outside give the black.
    Decoding d(f.b);
    d.Geometry(H, W, H, RW);
    d.ctx->LeftMargin = 1;
    d.Run(kodak_easy_load_raw, 0x400);
    int64_t sum = 0;
    for (int r = 0; r < H; ++r)
      for (int c = 0; c < RW; ++c) {
        const uint16_t s = v[static_cast<size_t>(r * RW + c)];
        if (c >= 1 && c <= W)
          ASSERT_EQ(d.At(r, c - 1), s << 2);
        else
          sum += s;
      }
    EXPECT_EQ(d.ctx->Black, sum * 4 / ((RW - W) * H));
  }
  // A Kodak curve of three entries: the rest repeat the last.
  f.U16(0x200, 100);
  f.U16(0x202, 200);
  f.U16(0x204, 300);
  {
    Decoding d(f.b);
    d.ctx->Make = "Kodak";
    d.ctx->CurveOffset = 0x200;
    d.ctx->CurveLength = 3;
    d.ctx->DataOffset = 0x400;
    std::vector<uint16_t> curve(4096);
    ReadToneCurve(*d.ctx, curve.data());
    EXPECT_EQ(curve[0], 100);
    EXPECT_EQ(curve[2], 300);
    EXPECT_EQ(curve[4095], 300);
    EXPECT_EQ(d.ctx->RgbMax, 1200);
    EXPECT_EQ(d.stream->Position(), 0x400);
  }
  {  // Without tag 291 the curve comes from tag 0x090D of the directory at 12.
    File g = f;
    g.U16(12, 1);
    g.U16(14, 0x090D);
    g.U16(16, 3);
    g.U32(18, 2);
    g.U32(22, 0x202);
    Decoding d(g.b);
    d.ctx->Make = "KODAK";
    std::vector<uint16_t> curve(4096);
    ReadToneCurve(*d.ctx, curve.data());
    EXPECT_EQ(d.ctx->CurveOffset, 0x202);
    EXPECT_EQ(curve[0], 200);
    EXPECT_EQ(curve[1], 300);
    EXPECT_EQ(curve[9], 300);
  }
  {  // Curves of more than 4096 entries or of none.
    Decoding d(f.b);
    d.ctx->Make = "KODAK";
    d.ctx->CurveOffset = 0x200;
    d.ctx->CurveLength = 100000;
    std::vector<uint16_t> curve(4096);
    ReadToneCurve(*d.ctx, curve.data());
    EXPECT_EQ(curve[1], 200);
    d.ctx->CurveLength = 0;
    d.ctx->RgbMax = 0x4000;
    ReadToneCurve(*d.ctx, curve.data());
    EXPECT_EQ(curve[5], 5);
    EXPECT_EQ(d.ctx->RgbMax, 0x4000);
  }
}

TEST(RawLoaders, SonyDescramblingKeyStreamIsTheMakersGenerator) {
  // The generator worked out apart from the code, step by step as its
  // definition reads: key 0x01020304 gives Pad[0] = 0x01020304 x 48828125 +
  // 1 = 0xC18AD275 (mod 2^32), ... Zero words descrambled give the key
  // stream itself: three words started, two more going on.
  Decoding d(std::vector<uint8_t>(16, 0));
  std::vector<uint8_t> words(12, 0);
  SonyDescramble(*d.ctx, words.data(), 3, 0x01020304, true);
  EXPECT_EQ(words, (std::vector<uint8_t>{0x76, 0x66, 0x78, 0x56, 0xE0, 0x22, 0x26, 0x4F, 0x8D, 0xEA, 0x12, 0xED}));
  std::vector<uint8_t> more(8, 0);
  SonyDescramble(*d.ctx, more.data(), 2, 0, false);
  EXPECT_EQ(more, (std::vector<uint8_t>{0xBE, 0xC7, 0xED, 0x71, 0xF7, 0x18, 0xD5, 0x76}));
  // Data words are taken as stored: a word's bytes are xored in place.
  std::vector<uint8_t> data = {1, 2, 3, 4};
  SonyDescramble(*d.ctx, data.data(), 1, 0x01020304, true);
  EXPECT_EQ(data, (std::vector<uint8_t>{0x77, 0x64, 0x7B, 0x52}));
}

TEST(RawLoaders, SonyDescrambledRows) {
  const int RW = 8, W = 6, H = 2;
  const uint32_t key0 = 0x01020304, key1 = 0xCAFEBABE;
  File f(862144 + static_cast<size_t>(RW * H * 2) + 16, true);
  f.U8(200896, 3);
  f.U32(200896 + 4 * 3 - 1, key0);
  // The head: after descrambling, bytes 22..25 hold the row key.
  std::vector<uint8_t> head(40, 0);
  for (int i = 0; i < 4; ++i) head[static_cast<size_t>(22 + i)] = static_cast<uint8_t>(key1 >> (8 * i));
  Decoding scrambler(f.b);
  SonyDescramble(*scrambler.ctx, head.data(), 10, key0, true);
  f.Bytes(164600, head);
  const auto v = Samples(static_cast<size_t>(RW * H), 0xFFFF, 17);
  std::vector<uint8_t> rows;
  for (uint16_t s : v) {
    rows.push_back(static_cast<uint8_t>(s >> 8));
    rows.push_back(static_cast<uint8_t>(s));
  }
  SonyDescramble(*scrambler.ctx, rows.data(), RW / 2, key1, true);
  SonyDescramble(*scrambler.ctx, rows.data() + RW * 2, RW / 2, key1, false);
  f.Bytes(862144, rows);
  Decoding d(f.b);
  d.Geometry(H, W, H, RW);
  d.ctx->LeftMargin = 1;
  d.Run(LoadSonyRaw, 0);
  int64_t sum = 0;
  for (int r = 0; r < H; ++r)
    for (int i = 0; i < RW; ++i) {
      const uint16_t s = v[static_cast<size_t>(r * RW + i)];
      if (i >= 1 && i <= W)
        ASSERT_EQ(d.At(r, i - 1), s) << r << "," << i;
      else
        sum += s;
    }
  EXPECT_EQ(d.ctx->Black, sum / (H * (3343 - W)));
}
