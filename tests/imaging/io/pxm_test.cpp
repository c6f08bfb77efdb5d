// The portable any-map reader and writer and the wireless bitmap on
// hand-made files: every kind, comments, maximum values (0, below 255,
// 16 bits), samples above the maximum, and hostile sizes.
#include <gtest/gtest.h>

#include <string>

#include "imaging/io/IEIOTypes.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/formats/PXM.h"
#include "imaging/model/IEStreams.h"
#include "imaging/model/PixelHelpers.h"
#include "imaging/model/TIEBitmap.h"
#include "rtl/TStream.h"

namespace {

struct Read {
  TIEBitmap bitmap;
  TIOParamsVals params{nullptr};
  bool aborted = false;
  Read(const std::string& bytes, bool native = false, bool wbmp = false) {
    params.IsNativePixelFormat = native;
    TIEMemStream s(bytes.data(), static_cast<int64_t>(bytes.size()));
    TIOProgressRec p;
    p.Aborting = &aborted;
    if (wbmp)
      ReadWBMPStream(&s, &bitmap, params, false, p);
    else
      ReadPXMStream(&s, &bitmap, params, false, p);
  }
  TRGB At(int x, int y) { return bitmap.GetPixelRGB(x, y); }
};

std::string Write(TIEBitmap* b, TIOParamsVals& p, bool wbmp = false) {
  TMemoryStream s;
  bool aborted = false;
  TIOProgressRec r;
  r.Aborting = &aborted;
  if (wbmp)
    WriteWBMPStream(&s, b, r);
  else
    WritePXMStream(&s, b, p, r);
  EXPECT_FALSE(aborted);
  return std::string(static_cast<const char*>(s.Memory()), static_cast<size_t>(s.Size()));
}

TRGB Grey(uint8_t v) { return TRGB{v, v, v}; }

}  // namespace

TEST(PxmReader, EveryKindWithItsScaling) {
  using namespace std::string_literals;
  struct Case {
    const char* name;
    std::string file;
    TIEPixelFormat format;
    TRGB first, last;
  } cases[] = {
      {"P1 text bits", "P1\n3 1\n0 1\n0", ieMono1, Grey(255), Grey(255)},
      {"P2 max 15", "P2 2 1 15\n0 15", ieRGB24, Grey(0), Grey(255)},
      {"P3 max 5", "P3 2 1 5  5 0 1  2 3 4", ieRGB24, MakeRGB(255, 0, 51), MakeRGB(102, 153, 204)},
      {"P4 width 10", "P4 10 1\n\x80\x40"s, ieMono1, Grey(0), Grey(0)},
      {"P5 max 15", "P5 2 1 15\n\x00\x0f"s, ieRGB24, Grey(0), Grey(255)},
      // Below 255 colour samples are scaled like grey ones.
      {"P6 max 100", "P6 2 1 100\n\x64\x32\x00\x01\x02\x03"s, ieRGB24, MakeRGB(255, 127, 0),
       MakeRGB(2, 5, 7)},
      {"P6 max 255", "P6 1 1 255\n\x10\x20\x30"s, ieRGB24, MakeRGB(16, 32, 48), MakeRGB(16, 32, 48)},
      // Samples above the maximum count as the maximum.
      {"P5 above max", "P5 2 1 15\n\x10\xff"s, ieRGB24, Grey(255), Grey(255)},
      {"P2 above max", "P2 1 1 7 9", ieRGB24, Grey(255), Grey(255)},
      // 16 bits: the high byte at 65535, scaled otherwise.
      {"P6 16 bits", "P6 1 1 65535\n\x12\x34\xff\xff\x00\xff"s, ieRGB24, MakeRGB(0x12, 255, 0),
       MakeRGB(0x12, 255, 0)},
      {"P6 max 1000", "P6 1 1 1000\n\x03\xe8\x01\xf4\x00\x00"s, ieRGB24, MakeRGB(255, 127, 0),
       MakeRGB(255, 127, 0)},
      {"P5 16 bits", "P5 1 1 4095\n\x0f\xff"s, ieRGB24, Grey(255), Grey(255)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Read r(c.file);
    ASSERT_FALSE(r.aborted);
    ASSERT_EQ(r.bitmap.PixelFormat(), c.format);
    EXPECT_EQ(r.At(0, 0), c.first);
    EXPECT_EQ(r.At(r.bitmap.Width() - 1, 0), c.last);
  }
  // The P4 row of width 10: bit 0 and bit 9 set in the file are black.
  Read p4(std::string("P4 10 1\n\x80\x40", 10));
  EXPECT_EQ(p4.At(1, 0), Grey(255));
  EXPECT_EQ(p4.At(9, 0), Grey(0));
  // P1: "1" black, whatever separates the digits.
  Read p1("P1 4 1 0x1,0");
  EXPECT_EQ(p1.At(1, 0), Grey(0));
  EXPECT_EQ(p1.At(2, 0), Grey(255));
}

TEST(PxmReader, SixteenBitsNativeAndParameters) {
  Read r(std::string("P6\n1 1\n65535\n\x12\x34\xff\xff\x00\xff", 20), true);
  ASSERT_FALSE(r.aborted);
  ASSERT_EQ(r.bitmap.PixelFormat(), ieRGB48);
  EXPECT_EQ(r.bitmap.GetRGB48(0, 0), (TRGB48{0x1234, 0xFFFF, 0x00FF}));
  EXPECT_EQ(r.params.BitsPerSample, 16);
  EXPECT_EQ(r.params.SamplesPerPixel, 3);
  // A 12-bit maximum is brought to the full 16 bits.
  Read s(std::string("P6 1 1 4095 \x0f\xff\x08\x00\x00\x00", 18), true);
  EXPECT_EQ(s.bitmap.GetRGB48(0, 0), (TRGB48{65535, 32775, 0}));
}

TEST(PxmReader, CommentsAndBadHeaders) {
  Read r("# first\nP2 # after magic\n2 # between\n1\n# before max\n255\n1 2");
  ASSERT_FALSE(r.aborted);
  EXPECT_EQ(r.params.PxmComments,
            (std::vector<std::string>{"first", "after magic", "between", "before max"}));
  for (const char* bad : {"P5 2 1 0\n\0\0", "P6 1 1 0 abc", "P7 1 1 255 x", "P5 0 1 255 x",
                          "P6 1 1 70000 xxxxxx", "P5 1 1", "P3 x y 255"}) {
    SCOPED_TRACE(bad);
    EXPECT_TRUE(Read(bad).aborted);
  }
  // A huge size behind a few bytes is refused before anything is allocated.
  EXPECT_TRUE(Read("P6 60000 60000 255\nabc").aborted);
  // Binary data that end early.
  EXPECT_TRUE(Read("P5 4 4 255\nabc").aborted);
}

TEST(PxmReader, ContentTestKeepsThePosition) {
  struct Case {
    const char* text;
    bool is;
  } cases[] = {{"P1 1 1 0", true},     {"# c\nP6 3 4 255\n", true}, {"P7\nWIDTH 1", false},
               {"P5 0 4 255", false},  {"hello", false},            {"P4 12", false}};
  for (const Case& c : cases) {
    const std::string s = std::string("xx") + c.text;
    TIEMemStream m(s.data(), static_cast<int64_t>(s.size()));
    m.SetPosition(2);
    EXPECT_EQ(IsPXMStream(&m), c.is) << c.text;
    EXPECT_EQ(m.Position(), 2);
  }
}

TEST(PxmWriter, KindsCommentsAndSixteenBits) {
  TIEBitmap b;
  b.Allocate(3, 2, ieRGB24);
  b.SetRGB24(0, 0, MakeRGB(255, 0, 0));
  b.SetRGB24(1, 0, MakeRGB(0, 255, 0));
  b.SetRGB24(2, 1, MakeRGB(10, 20, 30));
  TIOParamsVals p(nullptr);
  p.PxmComments = {"one", "two"};
  p.BitsPerSample = 8;
  p.SamplesPerPixel = 3;
  const std::string p6 = Write(&b, p);
  EXPECT_EQ(p6.substr(0, 28), std::string("P6 \n# one\n\n# two\n3 2 255\n\xff\x00\x00", 28));
  Read back(p6);
  EXPECT_EQ(back.params.PxmComments, p.PxmComments);
  EXPECT_EQ(back.At(2, 1), MakeRGB(10, 20, 30));

  p.PxmComments.clear();
  p.SamplesPerPixel = 1;
  // Grey is (R x 21 + G x 71 + B x 8) div 100.
  EXPECT_EQ(Write(&b, p).substr(0, 14), std::string("P5 3 2 255\n\x35\xb5\x00", 14));
  p.BitsPerSample = 16;
  p.SamplesPerPixel = 3;
  const std::string wide = Write(&b, p);
  EXPECT_EQ(wide.substr(0, 19), std::string("P6 3 2 65535\n\xff\xff\x00\x00\x00\x00", 19));
  p.BitsPerSample = 1;
  p.SamplesPerPixel = 1;
  const std::string p4 = Write(&b, p);
  EXPECT_EQ(p4.substr(0, 7), "P4 3 2\n");
  EXPECT_EQ(p4.size(), 9u);

  TIEBitmap w;
  w.Allocate(1, 1, ieRGB48);
  w.SetRGB48(0, 0, TRGB48{0x0102, 0x0304, 0xFFFF});
  p.BitsPerSample = 8;
  p.SamplesPerPixel = 3;
  EXPECT_EQ(Write(&w, p).substr(0, 19), std::string("P6 1 1 65535\n\x01\x02\x03\x04\xff\xff", 19));
}

TEST(Wbmp, SizesAsMultiByteIntegersBothWays) {
  TIEBitmap b;
  b.Allocate(200, 100, ieMono1);
  b.Fill(0);
  b.GetScanline(99)[24] = 0x01;  // the last pixel white
  b.UnmapRows();
  TIOParamsVals p(nullptr);
  const std::string file = Write(&b, p, true);
  EXPECT_EQ(file.substr(0, 6), std::string("\x00\x00\x81\x48\x64\x00", 6));
  EXPECT_EQ(file.size(), 5 + 25 * 100u);
  Read r(file, false, true);
  ASSERT_FALSE(r.aborted);
  EXPECT_EQ(r.bitmap.Width(), 200);
  EXPECT_EQ(r.bitmap.Height(), 100);
  EXPECT_EQ(r.At(199, 99), Grey(255));
  EXPECT_EQ(r.At(198, 99), Grey(0));
  // Wider than 255: the whole width.
  Read wide(std::string("\x00\x00\x82\x2c\x01", 5) + std::string(38, '\xff'), false, true);
  ASSERT_FALSE(wide.aborted);
  EXPECT_EQ(wide.bitmap.Width(), 300);
  for (const std::string& bad : {std::string("\x01\x00\x01\x01\x00", 5), std::string("\x00\x00\x00\x01", 4),
                                std::string("\x00\x00\xff\xff\xff\x7f\x01", 7)})
    EXPECT_TRUE(Read(bad, false, true).aborted);
}
