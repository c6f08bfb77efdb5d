// The drawing-handle holders free what they hold on every path out of a
// scope, a thrown exception included.
#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/Bitmap.h"
#include "platform/Draw.h"
#include "platform/GdiHolders.h"
#include "platform/Region.h"
#include "tests/platform/window_test_util.h"

class GdiHoldersTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    // The stock objects come into being with the first DC.
    DeleteDC(CreateCompatibleDC(nullptr));
  }
};

TEST_F(GdiHoldersTest, ABitmapSelectedIntoAMemoryDCIsFreedWithItWhenDrawingThrows) {
  const int before = GdiObjectCount();
  EXPECT_THROW(
      {
        // The documented order: the bitmap's holder first, so the DC goes
        // first and lets the bitmap go.
        TOwnedGdiObject<HBITMAP> bmp(CreateBitmap(8, 8, 1, 32, nullptr));
        TMemoryDC mem;
        ASSERT_NE(bmp, nullptr);
        ASSERT_NE(mem.Handle(), nullptr);
        SelectObject(mem, bmp.get());
        throw std::runtime_error("a paint callback failed");
      },
      std::runtime_error);
  EXPECT_EQ(GdiObjectCount(), before);
}

TEST_F(GdiHoldersTest, RegionsAndWindowDCsAreGivenBack) {
  HWND w = Top(0, 0, 40, 30);
  ASSERT_NE(w, nullptr);
  const int before = GdiObjectCount();
  {
    TOwnedGdiObject<HRGN> rgn(CreateRectRgn(0, 0, 10, 10));
    TWindowDC client = TWindowDC::Client(w);
    TWindowDC whole = TWindowDC::Whole(w);
    ASSERT_NE(client.Handle(), nullptr);
    ASSERT_NE(whole.Handle(), nullptr);
    EXPECT_GT(GdiObjectCount(), before);
  }
  EXPECT_EQ(GdiObjectCount(), before);
  DestroyWindow(w);
}

TEST_F(GdiHoldersTest, AWindowKeepsTheRegionItTakesAndARefusedOneIsFreed) {
  HWND w = Top(0, 0, 40, 30);
  ASSERT_NE(w, nullptr);
  const int before = GdiObjectCount();
  // The window takes the region over (its handle with it), so the holder
  // must not free it a second time.
  EXPECT_TRUE(GiveWindowRegion(w, TOwnedGdiObject<HRGN>(CreateRectRgn(0, 0, 10, 10)), false));
  EXPECT_EQ(GdiObjectCount(), before);
  TRect box;
  HRGN now = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(w, now), ERROR);
  GetRgnBox(now, &box);
  EXPECT_EQ(box, (TRect{0, 0, 10, 10}));
  DeleteObject(now);
  EXPECT_FALSE(GiveWindowRegion(nullptr, TOwnedGdiObject<HRGN>(CreateRectRgn(0, 0, 5, 5)), false));
  EXPECT_EQ(GdiObjectCount(), before) << "the refused region is freed";
  DestroyWindow(w);
}
