// Headerless pixels: stored row lengths by alignment (0 included), planes,
// the order of red and blue, and the header skipped from the position.
#include <gtest/gtest.h>

#include <cstring>

#include "imaging/io/IEIOTypes.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/io/formats/RawPixels.h"
#include "imaging/model/IEStreams.h"
#include "imaging/model/PixelHelpers.h"
#include "imaging/model/TIEBitmap.h"

namespace {

struct Raw {
  TIEBitmap bitmap;
  TIOParamsVals params{nullptr};
  Raw(int w, int h, TIEPixelFormat f) {
    bitmap.Allocate(w, h, f);
    for (int y = 0; y < h; ++y) std::memset(bitmap.GetScanline(y), 0xEE, static_cast<size_t>(bitmap.RowLen()));
    bitmap.UnmapRows();
  }
  void Load(const std::vector<uint8_t>& data, int64_t at = 0) {
    TIEMemStream s(data.data(), static_cast<int64_t>(data.size()));
    s.SetPosition(at);
    bool aborted = false;
    TIOProgressRec p;
    p.Aborting = &aborted;
    ReadRawPixelsStream(&s, &bitmap, params, p);
    EXPECT_FALSE(aborted);
  }
};

std::vector<uint8_t> Counting(size_t n, uint8_t from = 1) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(from + i);
  return v;
}

}  // namespace

TEST(RawPixels, StoredRowLengthsByAlignment) {
  struct Case {
    int align;
    int stored;
  } cases[] = {{8, 9}, {64, 16}, {32, 12}, {0, 9}, {-5, 9}, {13, 10}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.align);
    Raw r(3, 2, ieRGB24);
    r.params.RawPixelsRowAlign = c.align;
    r.params.RawPixelsBGR = 1;
    r.Load(Counting(static_cast<size_t>(c.stored) * 2));
    const uint8_t* row1 = r.bitmap.GetScanline(1);
    EXPECT_EQ(row1[0], c.stored + 1);  // row 1 starts after one stored row
    EXPECT_EQ(row1[8], c.stored + 9);
    // Bytes past the stored row stay as they were.
    EXPECT_EQ(row1[11], c.stored >= 12 ? c.stored + 12 : 0xEE);
  }
}

TEST(RawPixels, PlanesRedBlueOrderAndTheHeader) {
  // Red plane, green plane, blue plane of 2 x 1 pixels, after 512 bytes that
  // follow the position.
  std::vector<uint8_t> data(7, 0x55);
  data.resize(7 + 512, 0x66);
  const std::vector<uint8_t> planes = {10, 11, 20, 21, 30, 31};
  data.insert(data.end(), planes.begin(), planes.end());
  for (const bool bgr : {false, true}) {
    Raw r(2, 1, ieRGB24);
    r.params.RawPixelsPlanar = 1;
    r.params.RawPixelsBGR = bgr;
    r.params.RawPixelsHeaderSize = 512;
    r.Load(data, 7);
    EXPECT_EQ(r.bitmap.GetPixelRGB(1, 0), bgr ? MakeRGB(31, 21, 11) : MakeRGB(11, 21, 31)) << bgr;
  }
  // 48-bit pixels stored red first stay red first.
  Raw w(1, 1, ieRGB48);
  w.Load({0x01, 0x02, 0x03, 0x04, 0x05, 0x06});
  EXPECT_EQ(w.bitmap.GetRGB48(0, 0), (TRGB48{0x0201, 0x0403, 0x0605}));
  Raw b(1, 1, ieRGB48);
  b.params.RawPixelsBGR = 1;
  b.Load({0x01, 0x02, 0x03, 0x04, 0x05, 0x06});
  EXPECT_EQ(b.bitmap.GetRGB48(0, 0), (TRGB48{0x0605, 0x0403, 0x0201}));
  // CMYK planes are taken as stored.
  Raw k(1, 1, ieCMYK);
  k.params.RawPixelsPlanar = 1;
  k.params.RawPixelsRowAlign = 0;
  k.Load({1, 2, 3, 4});
  EXPECT_EQ(k.bitmap.GetCMYKValue(0, 0), 0x04030201u);
}

TEST(RawPixels, ThroughTheInputOutputComponent) {
  const std::vector<uint8_t> data = {0xFF, 0x00, 0x7F};
  TIEBitmap image;
  image.Allocate(3, 1, ieGray8);
  TImagoIO io(nullptr);
  io.AttachIEBitmap(&image);
  io.Params()->RawPixelsRowAlign = 0;
  TIEMemStream s(data.data(), 3);
  io.LoadFormatFromStream(ieftRawPixels, &s);
  ASSERT_FALSE(io.Aborted());
  EXPECT_EQ(image.GetByte(2, 0), 0x7F);
}
