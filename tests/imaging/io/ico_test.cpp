// Icons and cursors on hand-made files: the directory, sizes from the
// bitmap header, every depth with its AND bitmap (24 bits too), PNG entries,
// cursor palettes, and what the writer puts in a file.
#include <gtest/gtest.h>

#include <cstring>

#include "imaging/io/IEIOTypes.h"
#include "imaging/io/IEReadLimits.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/formats/ICO.h"
#include "imaging/io/formats/PNG.h"
#include "imaging/model/IEStreams.h"
#include "imaging/model/PixelHelpers.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/model/TIEMask.h"
#include "rtl/TStream.h"

namespace {

void Put(std::vector<uint8_t>& v, uint32_t x, int n) {
  for (int i = 0; i < n; ++i) v.push_back(static_cast<uint8_t>(x >> (8 * i)));
}

struct Image {
  uint8_t entry_width = 0, entry_height = 0, colours = 0;
  uint16_t planes = 1, entry_bits = 0;
  std::vector<uint8_t> data;  // from the information header on (or a PNG)
};

// A 40-byte header, palette, colour rows and AND rows for W x H at Bits.
std::vector<uint8_t> Dib(int w, int h, int bits, const std::vector<uint32_t>& palette,
                         const std::vector<uint8_t>& colour_rows, const std::vector<uint8_t>& and_rows) {
  std::vector<uint8_t> d;
  Put(d, 40, 4);
  Put(d, static_cast<uint32_t>(w), 4);
  Put(d, static_cast<uint32_t>(2 * h), 4);
  Put(d, 1, 2);
  Put(d, static_cast<uint32_t>(bits), 2);
  for (int i = 0; i < 6; ++i) Put(d, 0, 4);
  for (uint32_t c : palette) Put(d, c, 4);
  d.insert(d.end(), colour_rows.begin(), colour_rows.end());
  d.insert(d.end(), and_rows.begin(), and_rows.end());
  return d;
}

std::vector<uint8_t> Directory(uint16_t type, const std::vector<Image>& images) {
  std::vector<uint8_t> v;
  Put(v, 0, 2);
  Put(v, type, 2);
  Put(v, static_cast<uint32_t>(images.size()), 2);
  uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
  for (const Image& i : images) {
    v.insert(v.end(), {i.entry_width, i.entry_height, i.colours, 0});
    Put(v, i.planes, 2);
    Put(v, i.entry_bits, 2);
    Put(v, static_cast<uint32_t>(i.data.size()), 4);
    Put(v, offset, 4);
    offset += static_cast<uint32_t>(i.data.size());
  }
  for (const Image& i : images) v.insert(v.end(), i.data.begin(), i.data.end());
  return v;
}

struct Read {
  TIEBitmap bitmap;
  TIOParamsVals params{nullptr};
  std::unique_ptr<TIEMask> mask;
  bool aborted = false;
  std::string reason;
  Read(const std::vector<uint8_t>& bytes, int index, bool cursor = false) {
    params.IcoImageIndex = params.CurImageIndex = index;
    TIEMemStream s(bytes.data(), static_cast<int64_t>(bytes.size()));
    TIOProgressRec p;
    p.Aborting = &aborted;
    p.AbortReason = &reason;
    if (cursor)
      ReadCURStream(&s, &bitmap, params, false, mask, p, false);
    else
      ReadICOStream(&s, &bitmap, params, false, mask, p, false);
  }
  TRGB At(int x, int y) { return bitmap.GetPixelRGB(x, y); }
};

// Rows of 4 bytes (bottom row first): the AND bitmap of a narrow image.
std::vector<uint8_t> AndRows(std::vector<uint8_t> first_bytes) {
  std::vector<uint8_t> v;
  for (uint8_t b : first_bytes) v.insert(v.end(), {b, 0, 0, 0});
  return v;
}

}  // namespace

TEST(IcoReader, DirectorySizesAndDepths) {
  // Entry 0: 1 bit; entry 1: 4 bits; entry 2: 24 bits with its AND bitmap,
  // sized by the header (entry width 0).
  Image one{2, 2, 2, 1, 1, Dib(2, 2, 1, {0x000000, 0xFFFFFF}, {0x40, 0, 0, 0, 0x80, 0, 0, 0}, AndRows({0x00, 0x40}))};
  Image four{2, 1, 16, 1, 4, Dib(2, 1, 4, std::vector<uint32_t>(16, 0x102030), {0x10, 0, 0, 0}, AndRows({0x40}))};
  four.data[40 + 4 * 1] = 0x77;  // palette entry 1, blue
  std::vector<uint8_t> rgb = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
  Image deep{0, 0, 0, 1, 24, Dib(2, 2, 24, {}, rgb, AndRows({0x80, 0x00}))};
  const auto file = Directory(1, {one, four, deep});

  Read r(file, 2);
  ASSERT_FALSE(r.aborted);
  EXPECT_EQ(r.bitmap.Width(), 2);
  EXPECT_EQ(r.bitmap.Height(), 2);
  EXPECT_EQ(r.At(0, 0), (TRGB{7, 8, 9}));  // the stored rows are bottom-up
  EXPECT_EQ(r.At(1, 1), (TRGB{4, 5, 6}));
  // The 24-bit image keeps its transparency.
  ASSERT_NE(r.mask, nullptr);
  EXPECT_EQ(r.mask->GetPixel(0, 1), 0);
  EXPECT_EQ(r.mask->GetPixel(1, 1), 255);
  EXPECT_EQ(r.params.IcoSizes[0], (std::array<int32_t, 2>{2, 2}));
  EXPECT_EQ(r.params.IcoSizes[2], (std::array<int32_t, 2>{0, 0}));
  EXPECT_EQ(r.params.IcoBitCount[1], 4);
  EXPECT_EQ(r.params.IcoBitCount[2], 24);
  EXPECT_EQ(r.params.IcoSizes[3][0], 0);

  // 1 bit on a white background: transparent black pixels turn white.
  Read m(file, 0);
  ASSERT_EQ(m.bitmap.PixelFormat(), ieMono1);
  EXPECT_EQ(m.At(1, 0), MakeRGB(255, 255, 255));  // transparent, made white
  EXPECT_EQ(m.mask->GetPixel(1, 0), 0);
  EXPECT_EQ(m.At(0, 0), MakeRGB(255, 255, 255));  // white in the file
  EXPECT_EQ(m.At(0, 1), MakeRGB(0, 0, 0));
  EXPECT_EQ(m.At(1, 1), MakeRGB(255, 255, 255));
  // 4 bits: a transparent pixel takes the background.
  Read f(file, 1);
  EXPECT_EQ(f.At(0, 0), (TRGB{0x77, 0x20, 0x10}));
  EXPECT_EQ(f.At(1, 0), MakeRGB(255, 255, 255));

  // Out of range: nothing read, no failure.
  Read none(file, 3);
  EXPECT_FALSE(none.aborted);
  EXPECT_TRUE(none.bitmap.IsEmpty());
  TIEMemStream s(file.data(), static_cast<int64_t>(file.size()));
  EXPECT_TRUE(IsICOStream(&s));
  EXPECT_FALSE(IsCURStream(&s));
  EXPECT_EQ(CountICOImages(&s), 3);
  EXPECT_EQ(s.Position(), 0);
}

TEST(IcoReader, PngEntriesAndPlainBitmaps) {
  TIEBitmap b;
  b.Allocate(3, 2, ieRGB24);
  b.SetRGB24(2, 1, MakeRGB(200, 100, 50));
  TIEMask alpha;
  alpha.AllocateBits(3, 2, 8);
  alpha.Fill(255);
  alpha.SetPixel(0, 0, 10);
  alpha.Full = false;
  TIOParamsVals p(nullptr);
  TMemoryStream png;
  bool aborted = false;
  TIOProgressRec pr;
  pr.Aborting = &aborted;
  WritePNGStream(&png, &b, p, pr, &alpha);
  const auto* d = static_cast<const uint8_t*>(png.Memory());
  Image entry{3, 2, 0, 1, 32, std::vector<uint8_t>(d, d + png.Size())};
  Read r(Directory(1, {entry}), 0);
  ASSERT_FALSE(r.aborted);
  EXPECT_EQ(r.At(2, 1), MakeRGB(200, 100, 50));
  ASSERT_TRUE(r.bitmap.HasAlphaChannel());
  EXPECT_EQ(r.bitmap.GetAlpha(0, 0), 10);
}

TEST(CurReader, HotSpotAndAPaletteNoLargerThanItsDepth) {
  // A 1-bit cursor whose count says 16 colours: two palette entries, then
  // the pixels.
  Image c{2, 1, 16, 5, 7, Dib(2, 1, 1, {0x000000, 0xFFFFFF}, {0x40, 0, 0, 0}, AndRows({0x00}))};
  c.data[40 + 8] = 0x40;  // the first colour row byte: pixel 1 white
  Read r(Directory(2, {c}), 0, true);
  ASSERT_FALSE(r.aborted);
  EXPECT_EQ(r.params.CurXHotSpot, 5);
  EXPECT_EQ(r.params.CurYHotSpot, 7);
  EXPECT_EQ(r.params.ColorMapCount(), 2);
  EXPECT_EQ(r.At(1, 0), MakeRGB(255, 255, 255));
  EXPECT_EQ(r.At(0, 0), MakeRGB(0, 0, 0));
}

TEST(IcoWriter, DefaultRecordAndFourBitColumns) {
  TIEBitmap b;
  b.Allocate(64, 64, ieRGB24);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) b.SetRGB24(x, y, MakeRGB(x < 32 ? 255 : 0, y < 32 ? 255 : 0, 40));
  TIOParamsVals p(nullptr);
  TMemoryStream s;
  bool aborted = false;
  TIOProgressRec pr;
  pr.Aborting = &aborted;
  WriteICOStream(&s, &b, p, 0, p.IcoBitCount, p.IcoSizes, pr);
  ASSERT_FALSE(aborted);
  const auto* d = static_cast<const uint8_t*>(s.Memory());
  const std::vector<uint8_t> f(d, d + s.Size());
  ASSERT_EQ(f[4], 1);
  EXPECT_EQ(f[6], 64);
  EXPECT_EQ(f[8], 255);  // colour count
  const size_t image = f[18] | f[19] << 8;
  EXPECT_EQ(image, 22u);
  EXPECT_EQ(f[image + 14], 8);
  EXPECT_EQ(f[image + 40], 0);  // palette entry 0 black
  EXPECT_EQ(f.size(), 22u + 40 + 1024 + 64 * 64 + 64 * 8);
  Read r(f, 0);
  ASSERT_FALSE(r.aborted);
  EXPECT_EQ(r.At(10, 10), MakeRGB(255, 255, 40));
  EXPECT_EQ(r.At(40, 50), MakeRGB(0, 0, 40));

  // Four bits at an odd width keep their columns.
  TIEBitmap small;
  small.Allocate(5, 3, ieRGB24);
  for (int x = 0; x < 5; ++x) small.SetRGB24(x, 1, MakeRGB(x * 50, 0, 0));
  TIOParamsVals q(nullptr);
  q.IcoSizes[0] = {5, 3};
  q.IcoBitCount[0] = 4;
  TMemoryStream t;
  WriteICOStream(&t, &small, q, 0, q.IcoBitCount, q.IcoSizes, pr);
  const auto* e = static_cast<const uint8_t*>(t.Memory());
  Read back(std::vector<uint8_t>(e, e + t.Size()), 0);
  ASSERT_FALSE(back.aborted);
  for (int x = 0; x < 5; ++x) EXPECT_EQ(back.At(x, 1), MakeRGB(x * 50, 0, 0)) << x;
}

TEST(IcoReader, HostileDirectories) {
  Image huge{0, 0, 0, 1, 24, Dib(1, 1, 24, {}, {1, 2, 3, 0}, AndRows({0}))};
  huge.data[4] = huge.data[5] = huge.data[6] = 0xFF;  // a header width of 16 million
  huge.data[8] = 0x02;
  EXPECT_TRUE(Read(Directory(1, {huge}), 0).aborted);
  Image cut{1, 1, 0, 1, 24, Dib(1, 1, 24, {}, {}, {})};
  EXPECT_TRUE(Read(Directory(1, {cut}), 0).aborted);
  Image no_depth{1, 1, 0, 1, 0, Dib(1, 1, 0, {}, {0, 0, 0, 0}, AndRows({0}))};
  EXPECT_TRUE(Read(Directory(1, {no_depth}), 0).aborted);
  // A directory of no image gives no empty picture but a failure that says
  // why, for icons and cursors alike.
  for (const bool cursor : {false, true}) {
    Read none(Directory(cursor ? 2 : 1, {}), 0, cursor);
    EXPECT_TRUE(none.aborted) << cursor;
    EXPECT_EQ(none.reason, IENoPictureDataText()) << cursor;
    EXPECT_TRUE(none.bitmap.IsEmpty());
  }
}
