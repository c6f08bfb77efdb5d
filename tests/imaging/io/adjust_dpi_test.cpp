// Resampling to square pixels.
#include <gtest/gtest.h>

#include <memory>

#include "imaging/io/TImagoIO.h"
#include "imaging/model/TIEBitmap.h"

namespace {

void Prepare(TImagoIO& io, int32_t w, int32_t h, TIEPixelFormat f, int32_t dx, int32_t dy) {
  io.IEBitmap()->Allocate(w, h, f);
  io.Params()->Width = w;
  io.Params()->Height = h;
  io.Params()->SetDpiX(dx);
  io.Params()->SetDpiY(dy);
}

}  // namespace

TEST(AdjustDPI, SquarePixelsAlongTheShortSide) {
  TOwned<TImagoIO> io(new TImagoIO(nullptr));
  struct Case {
    int32_t w, h, dx, dy, nw, nh, dpi;
  } cases[] = {
      {100, 50, 200, 100, 100, 100, 200},
      {50, 100, 100, 200, 100, 100, 200},
      {10, 1, 1, 1000, 10, 1, 1},  // the short side never becomes 0
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.w * 1000 + c.h);
    Prepare(*io, c.w, c.h, ieRGB24, c.dx, c.dy);
    io->AdjustDPI();
    EXPECT_EQ(io->IEBitmap()->Width(), c.nw);
    EXPECT_EQ(io->IEBitmap()->Height(), c.nh);
    EXPECT_EQ(io->Params()->DpiX(), c.dpi);
    EXPECT_EQ(io->Params()->DpiY(), c.dpi);
  }
}

TEST(AdjustDPI, FormatAlphaAndNothingToDo) {
  TOwned<TImagoIO> io(new TImagoIO(nullptr));
  Prepare(*io, 100, 50, iePalette8, 200, 100);
  io->IEBitmap()->SetPaletteEntry(3, TRGB{1, 2, 3});
  io->IEBitmap()->AllocateAlphaChannel();
  io->AdjustDPI();
  EXPECT_EQ(io->IEBitmap()->PixelFormat(), iePalette8);
  EXPECT_EQ(io->IEBitmap()->GetPaletteEntry(3), (TRGB{1, 2, 3}));
  ASSERT_TRUE(io->IEBitmap()->HasAlphaChannel());
  EXPECT_EQ(io->IEBitmap()->GetAlphaChannel()->Height(), 100);

  io->FilteredAdjustDPI = true;
  Prepare(*io, 100, 50, iePalette8, 200, 100);
  io->AdjustDPI();
  EXPECT_EQ(io->IEBitmap()->PixelFormat(), ieRGB24);
  EXPECT_EQ(io->IEBitmap()->Height(), 100);

  // Equal resolutions: nothing changes.
  Prepare(*io, 100, 50, ieRGB24, 150, 150);
  io->AdjustDPI();
  EXPECT_EQ(io->IEBitmap()->Height(), 50);
}

TEST(AdjustDPI, BitmapWithAZeroResolutionIsReturnedAsItIs) {
  TOwned<TImagoIO> io(new TImagoIO(nullptr));
  TIEBitmap b;
  b.Allocate(100, 50, ieRGB24);
  TIOParamsVals* p = io->Params();
  p->SetDpiX(200);
  p->SetEXIFYResolution(0.5);  // a resolution whose integer part is 0
  EXPECT_EQ(TImagoIO::AdjustBitmapDPI(&b, p, false), &b);
  p->SetDpiY(100);
  std::unique_ptr<TIEBitmap> r(TImagoIO::AdjustBitmapDPI(&b, p, true));
  ASSERT_NE(r.get(), &b);
  EXPECT_EQ(r->Width(), 100);
  EXPECT_EQ(r->Height(), 100);
  EXPECT_EQ(p->DpiY(), 200);
  EXPECT_EQ(b.Height(), 50);
}

#include "BmpTestSupport.h"
#include "imaging/model/IEStreams.h"

// A load with AutoAdjustDPI set ends with square pixels.
TEST(AdjustDPI, AfterALoad) {
  BmpSpec s;
  s.width = 20;
  s.height = 10;
  s.pixels.assign(static_cast<size_t>(60 * 10), 0x40);
  std::vector<uint8_t> bytes = BuildBMP(s);
  // 7874 and 3937 pixels per metre: 200 x 100 DPI.
  auto put = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  put(38, 7874);
  put(42, 3937);
  TOwned<TImagoIO> io(new TImagoIO(nullptr));
  io->AutoAdjustDPI = true;
  io->LoadFromBuffer(bytes.data(), static_cast<int64_t>(bytes.size()), 0);
  ASSERT_FALSE(io->Aborted());
  EXPECT_EQ(io->IEBitmap()->Width(), 20);
  EXPECT_EQ(io->IEBitmap()->Height(), 20);
  EXPECT_EQ(io->Params()->DpiY(), io->Params()->DpiX());
}
