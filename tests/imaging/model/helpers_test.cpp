// Containers, streams, bit routines, colour helpers and page encoders.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "imaging/model/IEBitRoutines.h"
#include "imaging/model/IEStreams.h"
#include "imaging/model/IEWorkBitmap.h"
#include "imaging/model/PageEncoders.h"
#include "imaging/model/PixelHelpers.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/model/TIEByteArray.h"
#include "imaging/model/TIEList.h"
#include "imaging/model/THash1.h"
#include "rtl/Exception.h"

TEST(IEStreams, NulStreamMeasures) {
  TNulStream s;
  char buf[10] = {};
  s.Write(buf, 10);
  s.Seek(4, soBeginning);
  s.Write(buf, 2);
  EXPECT_EQ(s.Position(), 6);
  EXPECT_EQ(s.Size(), 10);
  EXPECT_EQ(s.Seek(3, soEnd), 7);  // Size - Offset
}

TEST(IEStreams, BufferedReadStreamNeverShowsStaleBytes) {
  TStringStream source("abcde");
  TIEBufferedReadStream s(&source, 4);
  char buf[10] = {};
  EXPECT_EQ(s.Read(buf, 10), 5);
  EXPECT_EQ(std::string(buf, 5), "abcde");
  EXPECT_THROW(s.Write(buf, 1), EStreamError);

  // A source that is shorter than the size it reported ends the read; the
  // buffer's leftovers from the previous fill do not leak into the result.
  class ShrinkingStream : public TStream {
   public:
    int64_t Read(void* b, int64_t n) override { return data.Read(b, n); }
    int64_t Write(const void*, int64_t) override { return 0; }
    int64_t Seek(int64_t o, TSeekOrigin r) override { return r == soEnd ? 12 - o : data.Seek(o, r); }
    TStringStream data{"0123456789"};
  };
  ShrinkingStream shorter;
  TIEBufferedReadStream t(&shorter, 8);
  char out[12];
  std::memset(out, '#', sizeof out);
  EXPECT_EQ(t.Read(out, 12), 10);
  EXPECT_EQ(std::string(out, 10), "0123456789");
}

TEST(IEStreams, MemStreamIsReadOnlyAndSafeWriteFlags) {
  const char data[] = "xyz";
  TIEMemStream m(data, 3);
  char c[3];
  EXPECT_EQ(m.Read(c, 3), 3);
  EXPECT_EQ(m.Write("q", 1), 0);
  bool aborting = false;
  SafeStreamWrite(&m, aborting, "q", 1);
  EXPECT_TRUE(aborting);
}

TEST(IEContainers, ListsByteArrayHashSet) {
  TIEIntegerList l;
  l.AddValue(5);
  l.AddValue(6);
  l.Delete(-1);
  l.Delete(2);
  EXPECT_EQ(l.Count(), 2);
  l.SetCount(0);
  EXPECT_EQ(l.Count(), 0);
  EXPECT_TRUE(l.Changed());

  TIEByteArray a;
  TStringStream src(std::string(100, 'k'));
  EXPECT_EQ(a.AppendFromStream(&src, 20000), 100);
  EXPECT_EQ(a.Size(), 100);
  EXPECT_EQ(a.Data()[99], 'k');

  THash1 h(8);
  EXPECT_TRUE(h.Add(1));
  EXPECT_TRUE(h.Add(257));
  EXPECT_FALSE(h.Add(1));
  EXPECT_EQ(h.Count(), 2);
  EXPECT_EQ(ColorCount(8, 3), 16777216);
}

TEST(IEBitRoutines, Table) {
  EXPECT_EQ(AlignedRowLength(1, 1, 32), 4);
  EXPECT_EQ(AlignedRowLength(33, 1, 32), 8);
  EXPECT_EQ(AlignedRowLength(3, 24, 32), 12);
  EXPECT_EQ(AlignedRowLength(5, 8, 16), 6);
  const struct { uint32_t n; int32_t log; } logs[] = {{1, 0}, {2, 1}, {3, 2}, {256, 8}, {257, 9}, {0, -1}};
  for (auto c : logs) EXPECT_EQ(CeilLog2(c.n), c.log) << c.n;
  EXPECT_EQ(MaskBitWidth(0x03E0), 5);
  EXPECT_EQ(MaskBitWidth(0x07E0), 6);
  EXPECT_EQ(MaskBitWidth(0), 0);
  EXPECT_EQ(ReverseBits32(1), 0x80000000u);
  EXPECT_EQ(SwapDWord(0x11223344u), 0x44332211u);
}

TEST(IEBitRoutines, CopyBitsKeepsNeighbours) {
  uint8_t source[2] = {0x01, 0xC0};  // bits 7, 8, 9 set
  uint8_t target[3] = {0x00, 0x00, 0xFF};
  CopyBits(target, source, 6, 2, 3, 7);
  EXPECT_EQ(target[0], 0x03);  // bits 6 and 7
  EXPECT_EQ(target[1], 0x80);  // bit 8
  EXPECT_EQ(target[2], 0xFF);
  // Same phase, many bytes.
  uint8_t big_src[8] = {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55};
  uint8_t big_dst[8] = {};
  CopyBits(big_dst, big_src, 3, 8, 50, 3);
  for (int i = 3; i < 53; ++i) EXPECT_EQ(GetBit(big_dst, i), GetBit(big_src, i)) << i;
  EXPECT_FALSE(GetBit(big_dst, 2));
}

TEST(PixelHelpers, HSLAndClamps) {
  double h, s, l;
  RGBToHSL(MakeRGB(255, 0, 0), h, s, l);
  EXPECT_DOUBLE_EQ(h, 0);
  EXPECT_DOUBLE_EQ(s, 1);
  EXPECT_DOUBLE_EQ(l, 0.5);
  EXPECT_EQ(HSLToRGB(0, 1, 0.5), MakeRGB(255, 0, 0));
  EXPECT_EQ(HSLToRGB(1.25, 1, 0.5), HSLToRGB(0.25, 1, 0.5));
  EXPECT_EQ(ClampInt(5, 10, 20), 10);
  EXPECT_EQ(ClampInt(25, 10, 20), 20);
  EXPECT_EQ(CeilInt(-1.5), -1);
  EXPECT_EQ(FloorInt(-1.5), -2);
}

TEST(PixelHelpers, TwoColourDetection) {
  TIEBitmap page;
  page.Allocate(5, 3, ieRGB24);
  page.Fill(0xFFFFFF);
  page.SetRGB24(2, 1, MakeRGB(0, 0, 0));
  TRGB c1, c2;
  std::unique_ptr<TIEBitmap> bw(BuildTwoColorBitmap(&page, c1, c2));
  ASSERT_TRUE(bw);
  EXPECT_EQ(c1, MakeRGB(0, 0, 0));
  EXPECT_EQ(c2, MakeRGB(255, 255, 255));
  EXPECT_FALSE(GetBit(bw->GetScanline(1), 2));  // the text pixel is 0
  EXPECT_TRUE(GetBit(bw->GetScanline(0), 0));
  TIEBitmap flat;
  flat.Allocate(3, 3, ieRGB24);
  EXPECT_EQ(BuildTwoColorBitmap(&flat, c1, c2), nullptr);
}

TEST(PixelHelpers, FlipMonoMovesPixelZeroToTheEnd) {
  TIEBitmap b;
  b.Allocate(10, 1, ieMono1);
  b.GetScanline(0)[0] = 0x80;
  FlipBitmap(&b, false);
  for (int x = 0; x < 10; ++x) EXPECT_EQ(GetBit(b.GetScanline(0), x), x == 9) << x;
  TIEBitmap rgb;
  rgb.Allocate(3, 2, ieRGB24);
  rgb.SetRGB24(0, 0, MakeRGB(1, 2, 3));
  FlipBitmap(&rgb, true);
  EXPECT_EQ(rgb.GetRGB24(0, 1), MakeRGB(1, 2, 3));
}

// Mirroring of 24-bit and 8-bit rows of every short width (the 24-bit rows
// go five pixels at a time, with the rest one by one), and of rows top to
// bottom, against the formula.
TEST(PixelHelpers, FlipsOfEveryWidthMatchTheFormula) {
  for (TIEPixelFormat f : {ieRGB24, ieGray8})
    for (int w = 1; w <= 23; ++w)
      for (bool vertical : {false, true}) {
        TIEBitmap b, orig;
        b.Allocate(w, 3, f);
        std::mt19937 rng(w * 7 + f);
        for (int y = 0; y < 3; ++y)
          for (int i = 0; i < b.RowLen(); ++i) b.GetScanline(y)[i] = static_cast<uint8_t>(rng());
        orig.Assign(&b);
        FlipBitmap(&b, vertical);
        const int bpp = f == ieRGB24 ? 3 : 1;
        for (int y = 0; y < 3; ++y)
          for (int x = 0; x < w; ++x) {
            const uint8_t* want = vertical ? orig.GetScanline(2 - y) + x * bpp : orig.GetScanline(y) + (w - 1 - x) * bpp;
            ASSERT_EQ(std::memcmp(b.GetScanline(y) + x * bpp, want, bpp), 0)
                << "width " << w << " format " << int(f) << " vertical " << vertical << " at " << x << "," << y;
          }
      }
}

TEST(PageEncoders, KnownOutputs) {
  int32_t w = 0, h = 0;
  FitProportional(400, 300, 100, 100, w, h);
  EXPECT_EQ(w, 100);
  EXPECT_EQ(h, 75);
  FitProportional(1, 1000, 100, 100, w, h);
  EXPECT_EQ(w, 1);
  EXPECT_EQ(h, 100);

  std::vector<uint8_t> out;
  const uint8_t zeros[4] = {};
  ASCII85Encode(zeros, 4, out);
  EXPECT_EQ(std::string(out.begin(), out.end()), "z~>\r\n");
  out.clear();
  ASCII85Encode(zeros, 1, out);
  EXPECT_EQ(std::string(out.begin(), out.end()), "!!~>\r\n");

  out.clear();
  const uint8_t abb[3] = {'A', 'B', 'B'};
  PackBitsEncode(abb, 3, out);
  EXPECT_EQ(out, (std::vector<uint8_t>{1, 'A', 'B', 0, 'B', 128}));
  out.clear();
  const uint8_t run[5] = {7, 7, 7, 7, 7};
  PackBitsEncode(run, 5, out);
  EXPECT_EQ(out, (std::vector<uint8_t>{0xFC, 7, 128}));
}

TEST(IEWorkBitmap, CosineTable) {
  const int32_t* t = IECosineTable();
  for (int i = 0; i < 5; ++i) EXPECT_EQ(t[i], 0);
  EXPECT_EQ(t[127], 64);
  EXPECT_EQ(t[128], 64);
  EXPECT_EQ(t[255], 128);
  TIEWorkBitmap w(3, 2, 24);
  EXPECT_EQ(w.RowLen(), 12);
  EXPECT_EQ(w.GetScanline(0) - w.GetScanline(1), 12);
}
