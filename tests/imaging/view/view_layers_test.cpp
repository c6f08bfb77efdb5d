// Layers of the image view (headless): boxes and grips around layers, the
// shading outside the current layer and mask layers, checked pixel by pixel
// at positions computed from the layer placement rules.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "ViewTestSupport.h"
#include "imaging/view/TIELayer.h"
#include "rtl/TypInfo.h"
#include "ui/TColor.h"
#include "ui/TScreen.h"

// Stacks further layers, which nothing else in the view does.
class TImagoViewLayerAccess {
 public:
  static TIELayer* Add(TImagoView* v, int32_t W, int32_t H, TIEPixelFormat F) {
    auto* image = new TIEBitmap();
    image->Allocate(W, H, F);
    v->layers_.push_back(std::make_unique<TIELayer>(v, true, image));
    return v->layers_.back().get();
  }
};

namespace {

class ViewLayers : public ViewFixture {};

constexpr TColor kBg = 0x336699;
const TRGB kBgRGB = MakeRGBTriple(0x99, 0x66, 0x33);
const TRGB kShade = MakeRGBTriple(97, 97, 97);
const TRGB kRed = MakeRGBTriple(200, 10, 20);

TRGB Px(TImagoView* v, int32_t x, int32_t y) { return v->BackBuffer()->GetRGB24(x, y); }
TRGB Inv(const TRGB& p) { return MakeRGBTriple(255 - p.r, 255 - p.g, 255 - p.b); }

// A 10 x 10 pattern centred in a 100 x 100 client area: layer 0's box is
// (45, 45)-(55, 55).
ViewPtr View10() {
  ViewPtr v = MakeView(100, 100, 10, 10);
  v->SetBackground(kBg);
  v->Paint();
  EXPECT_EQ(v->OffsetX(), 45);
  return v;
}

void Repaint(TImagoView* v) {
  v->Update();
  v->Paint();
}

// The dotted inverting outline of the box (l, t)-(r, b), r and b exclusive,
// over what Under gives: every outline pixel is inverted or untouched, both
// kinds occur on every side, and the inside is untouched.
template <class F>
void ExpectDottedBox(TImagoView* v, int32_t l, int32_t t, int32_t r, int32_t b, F Under) {
  auto side = [&](int32_t x0, int32_t y0, int32_t dx, int32_t dy, int32_t n) {
    int inverted = 0, kept = 0;
    for (int32_t k = 0; k < n; ++k) {
      const int32_t x = x0 + dx * k, y = y0 + dy * k;
      const TRGB p = Px(v, x, y), u = Under(x, y);
      if (p == Inv(u)) ++inverted;
      else if (p == u) ++kept;
      else ADD_FAILURE() << "outline pixel " << x << "," << y;
    }
    EXPECT_GT(inverted, 0) << x0 << "," << y0;
    EXPECT_GT(kept, 0) << x0 << "," << y0;
  };
  side(l, t, 1, 0, r - l);
  side(l, b - 1, 1, 0, r - l);
  side(l, t, 0, 1, b - t);
  side(r - 1, t, 0, 1, b - t);
  for (int32_t y = t + 1; y < b - 1; ++y)
    for (int32_t x = l + 1; x < r - 1; ++x) ASSERT_EQ(Px(v, x, y), Under(x, y)) << x << "," << y;
}

TEST_F(ViewLayers, GripSquaresAndHitTest) {
  ViewPtr v = View10();
  // Centres: corners, then the middles of left, right, top, bottom.
  const int32_t cx[8] = {45, 55, 55, 45, 45, 55, 50, 50};
  const int32_t cy[8] = {45, 45, 55, 55, 50, 50, 45, 55};
  for (int32_t g = 0; g < 8; ++g) {
    const TRect r = v->LayerGripRect(g);
    EXPECT_EQ(r.Left, cx[g] - 4) << g;
    EXPECT_EQ(r.Top, cy[g] - 4) << g;
    EXPECT_EQ(r.Right, cx[g] + 4) << g;
    EXPECT_EQ(r.Bottom, cy[g] + 4) << g;
  }
  struct Case {
    int32_t x, y, grip;
  };
  for (const Case& c : {Case{41, 41, 1}, Case{49, 49, 1}, Case{40, 45, 0}, Case{45, 47, 1}, Case{45, 50, 5},
                        Case{59, 50, 6}, Case{50, 41, 7}, Case{50, 59, 8}, Case{59, 59, 3}, Case{41, 59, 4},
                        Case{59, 41, 2}, Case{50, 50, 0}, Case{60, 60, 0}})
    EXPECT_EQ(v->FindLayerGrip(c.x, c.y), c.grip) << c.x << "," << c.y;
  // Odd box: the middle rounds toward zero ((45 + 56) / 2 = 50).
  v->CurrentLayer()->Width = 11;
  Repaint(v.get());
  EXPECT_EQ(v->CurrentLayer()->ClientRight, 56);
  EXPECT_EQ(v->LayerGripRect(6).Left, 46);
}

TEST_F(ViewLayers, CurrentLayerBoxAndGripsByMode) {
  // A 40 x 40 image centred in 100 x 100: box (30, 30)-(70, 70), grips apart.
  ViewPtr v = MakeView(100, 100, 40, 40);
  v->SetBackground(kBg);
  v->Paint();
  ASSERT_EQ(v->OffsetX(), 30);
  auto pattern = [](int32_t x, int32_t y) {
    return x >= 30 && x < 70 && y >= 30 && y < 70 ? PatternPixel(x - 30, y - 30) : kBgRGB;
  };
  // No layer mode: nothing around the layer.
  EXPECT_EQ(Px(v.get(), 30, 30), PatternPixel(0, 0));
  EXPECT_EQ(Px(v.get(), 69, 69), PatternPixel(39, 39));

  v->SetMouseInteract({miMoveLayers});
  Repaint(v.get());
  ExpectDottedBox(v.get(), 30, 30, 70, 70, pattern);
  EXPECT_EQ(Px(v.get(), 72, 72), kBgRGB);  // no grips when only moving

  v->CurrentLayer()->VisibleBox = false;
  Repaint(v.get());
  EXPECT_EQ(Px(v.get(), 30, 30), PatternPixel(0, 0));
  v->CurrentLayer()->VisibleBox = true;

  v->SetMouseInteract({miResizeLayers});
  Repaint(v.get());
  // Each grip: black outline, white inside, nothing beyond.
  const TRGB black = MakeRGBTriple(0, 0, 0), white = MakeRGBTriple(255, 255, 255);
  for (int32_t g = 0; g < 8; ++g) {
    const TRect r = v->LayerGripRect(g);
    EXPECT_EQ(Px(v.get(), r.Left, r.Top), black) << g;
    EXPECT_EQ(Px(v.get(), r.Right - 1, r.Bottom - 1), black) << g;
    EXPECT_EQ(Px(v.get(), r.Left + 1, r.Top + 1), white) << g;
    EXPECT_EQ(Px(v.get(), r.Right - 2, r.Bottom - 2), white) << g;
  }
  EXPECT_EQ(Px(v.get(), 74, 74), kBgRGB);
  EXPECT_EQ(Px(v.get(), 25, 25), kBgRGB);
  EXPECT_EQ(Px(v.get(), 50, 50), PatternPixel(20, 20));

  // A locked layer keeps its box but shows no grips.
  v->CurrentLayer()->Locked = true;
  Repaint(v.get());
  EXPECT_EQ(Px(v.get(), 73, 73), kBgRGB);
  EXPECT_EQ(Px(v.get(), 32, 32), PatternPixel(2, 2));
  ExpectDottedBox(v.get(), 30, 30, 70, 70, pattern);

  // The drawing callbacks replace the default box and grips.
  int boxes = 0, grips = 0;
  v->CurrentLayer()->Locked = false;
  v->OnDrawLayerBox = [&](TObject*, TBitmap* b, int32_t layer) {
    EXPECT_NE(b, nullptr);
    EXPECT_EQ(layer, 0);
    ++boxes;
  };
  v->OnDrawLayerGrip = [&](TObject*, TBitmap*, int32_t, int32_t grip, const TRect& r) {
    EXPECT_EQ(r.Left, v->LayerGripRect(grip).Left);
    ++grips;
  };
  Repaint(v.get());
  EXPECT_EQ(boxes, 1);
  EXPECT_EQ(grips, 8);
  EXPECT_EQ(Px(v.get(), 30, 30), PatternPixel(0, 0));
  EXPECT_EQ(Px(v.get(), 73, 73), kBgRGB);
}

TEST_F(ViewLayers, OtherLayersBoxesWithDrawAllBoxes) {
  ViewPtr v = View10();
  TIELayer* top = TImagoViewLayerAccess::Add(v.get(), 4, 4, ieRGB24);
  top->Bitmap->Fill(0);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 4; ++x) top->Bitmap->SetRGB24(x, y, kRed);
  top->PosX = 2;
  top->PosY = 3;
  Repaint(v.get());
  // Placed at layer 0's image pixel (2, 3): client (47, 48)-(51, 52).
  EXPECT_EQ(top->ClientLeft, 47);
  EXPECT_EQ(top->ClientTop, 48);
  EXPECT_EQ(top->ClientRight, 51);
  EXPECT_EQ(top->ClientBottom, 52);
  EXPECT_EQ(Px(v.get(), 47, 48), kRed);
  EXPECT_EQ(Px(v.get(), 46, 48), PatternPixel(1, 3));

  v->LayersDrawBox = true;
  Repaint(v.get());
  auto under = [](int32_t x, int32_t y) {
    return x >= 47 && x < 51 && y >= 48 && y < 52 ? kRed : PatternPixel(x - 45, y - 45);
  };
  EXPECT_EQ(Px(v.get(), 47, 48), Inv(kRed));
  for (int32_t x = 47; x < 51; ++x) {
    const TRGB p = Px(v.get(), x, 48);
    EXPECT_TRUE(p == kRed || p == Inv(kRed)) << x;
  }
  EXPECT_EQ(Px(v.get(), 46, 48), under(46, 48));
  // Layer 0, the current one, is outside any mode: no box of its own.
  EXPECT_EQ(Px(v.get(), 45, 45), PatternPixel(0, 0));
  top->VisibleBox = false;
  Repaint(v.get());
  EXPECT_EQ(Px(v.get(), 47, 48), kRed);
}

TEST_F(ViewLayers, DrawOuterShadesTheMeshOutsideTheCurrentBox) {
  ViewPtr v = View10();
  v->CurrentLayer()->DrawOuter = true;
  Repaint(v.get());
  for (int32_t y = 0; y < 100; y += 7)
    for (int32_t x = 0; x < 100; x += 3) {
      const bool inside = x >= 45 && x < 55 && y >= 45 && y < 55;
      const TRGB want = inside ? PatternPixel(x - 45, y - 45) : (x % 2 == y % 2) ? kShade : kBgRGB;
      ASSERT_EQ(Px(v.get(), x, y), want) << x << "," << y;
    }
  EXPECT_EQ(Px(v.get(), 44, 44), kShade);
  EXPECT_EQ(Px(v.get(), 44, 45), kBgRGB);
  EXPECT_EQ(Px(v.get(), 55, 55), kShade);
  EXPECT_EQ(Px(v.get(), 54, 54), PatternPixel(9, 9));
  EXPECT_EQ(Px(v.get(), 99, 99), kShade);

  // The shading follows the current layer: with a small layer current, layer
  // 0's pixels outside it are shaded too.
  v->CurrentLayer()->DrawOuter = false;
  TIELayer* top = TImagoViewLayerAccess::Add(v.get(), 4, 4, ieRGB24);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 4; ++x) top->Bitmap->SetRGB24(x, y, kRed);
  top->PosX = 2;
  top->PosY = 3;
  top->DrawOuter = true;
  v->SetCurrentLayer(1);
  ASSERT_EQ(v->LayersCurrent(), 1);
  Repaint(v.get());
  EXPECT_EQ(Px(v.get(), 46, 48), kShade);
  EXPECT_EQ(Px(v.get(), 46, 49), PatternPixel(1, 4));
  EXPECT_EQ(Px(v.get(), 47, 48), kRed);
  EXPECT_EQ(Px(v.get(), 50, 51), kRed);
  EXPECT_EQ(Px(v.get(), 51, 51), kShade);
  EXPECT_EQ(Px(v.get(), 51, 50), PatternPixel(6, 5));
  EXPECT_EQ(Px(v.get(), 52, 52), kShade);
}

// The engine's blend may miss by one even where the alpha is 255.
int32_t Blend(int32_t s, int32_t b, int32_t a) { return (s * a + b * (255 - a)) / 255; }

void ExpectBlend(TImagoView* v, int32_t x, int32_t y, int32_t a) {
  const TRGB s = PatternPixel(x, y), p = Px(v, 45 + x, 45 + y);
  EXPECT_NEAR(p.r, Blend(s.r, kBgRGB.r, a), 2) << x << "," << y << " alpha " << a;
  EXPECT_NEAR(p.g, Blend(s.g, kBgRGB.g, a), 2) << x << "," << y << " alpha " << a;
  EXPECT_NEAR(p.b, Blend(s.b, kBgRGB.b, a), 2) << x << "," << y << " alpha " << a;
}

TEST_F(ViewLayers, MaskLayerMultipliesIntoTheAlphaBelow) {
  ViewPtr v = View10();
  // A colour mask over the right part of layer 0 (image columns 4..9): its
  // grey is white except a black column and a mid-grey one.
  TIELayer* mask = TImagoViewLayerAccess::Add(v.get(), 6, 10, ieRGB24);
  mask->IsMask = true;
  mask->PosX = 4;
  for (int32_t y = 0; y < 10; ++y)
    for (int32_t x = 0; x < 6; ++x) mask->Bitmap->SetRGB24(x, y, MakeRGBTriple(255, 255, 255));
  for (int32_t y = 0; y < 10; ++y) {
    mask->Bitmap->SetRGB24(3, y, MakeRGBTriple(0, 0, 0));
    mask->Bitmap->SetRGB24(4, y, MakeRGBTriple(128, 128, 128));
  }
  Repaint(v.get());
  EXPECT_EQ(mask->Bitmap->PixelFormat(), ieGray8);
  const int32_t mid = mask->Bitmap->GetByte(4, 0);
  EXPECT_NEAR(mid, 128, 1);
  for (int32_t y = 0; y < 10; y += 3) {
    for (int32_t x = 0; x < 4; ++x) EXPECT_EQ(Px(v.get(), 45 + x, 45 + y), kBgRGB) << x;  // beyond the mask
    ExpectBlend(v.get(), 4, y, 255);  // opaque
    ExpectBlend(v.get(), 6, y, 255);  // opaque
    EXPECT_EQ(Px(v.get(), 45 + 7, 45 + y), kBgRGB);
    ExpectBlend(v.get(), 8, y, mid);
  }
  // The view drew layer 0 without an alpha channel and keeps it that way.
  EXPECT_FALSE(v->GetIEBitmap()->HasAlphaChannel());

  // Layer 0's own alpha multiplies with the mask and is given back intact.
  TIEBitmap* a = v->GetAlphaChannel();
  a->Fill(255);
  a->SetByte(5, 2, 0);
  a->SetByte(8, 2, 128);
  a->Full = false;
  Repaint(v.get());
  EXPECT_EQ(Px(v.get(), 45 + 5, 45 + 2), kBgRGB);
  ExpectBlend(v.get(), 6, 2, 255);  // opaque
  ExpectBlend(v.get(), 8, 2, 128 * mid / 255);
  ASSERT_TRUE(v->GetIEBitmap()->HasAlphaChannel());
  EXPECT_EQ(v->GetIEBitmap()->GetAlphaChannel(), a);
  EXPECT_EQ(a->GetByte(5, 2), 0);
  EXPECT_EQ(a->GetByte(8, 2), 128);
  EXPECT_EQ(a->GetByte(3, 2), 255);

  // A stretched mask maps through its drawn size: 3 x 5 pixels drawn over
  // 6 x 10, black in its middle column, so image columns 6 and 7 vanish.
  a->Fill(255);
  mask->Bitmap->Allocate(3, 5, ieGray8);
  mask->Bitmap->Fill(255);
  for (int32_t y = 0; y < 5; ++y) mask->Bitmap->SetByte(1, y, 0);
  mask->Width = 6;
  mask->Height = 10;
  Repaint(v.get());
  for (int32_t y = 0; y < 10; y += 3) {
    ExpectBlend(v.get(), 5, y, 255);  // opaque
    EXPECT_EQ(Px(v.get(), 45 + 6, 45 + y), kBgRGB) << y;
    EXPECT_EQ(Px(v.get(), 45 + 7, 45 + y), kBgRGB) << y;
    ExpectBlend(v.get(), 8, y, 255);  // opaque
  }
}

}  // namespace

namespace {

// A 40 x 40 pattern centred in 100 x 100 (image at (30, 30)) with a 10 x 10
// magnifier at image pixel (10, 10): on screen (40, 40)-(50, 50), centre
// (45, 45). At rate 2 it shows the 5 x 5 region from (43, 43), each pixel
// twice in each direction: pattern pixel (13 + x / 2, 13 + y / 2).
TEST_F(ViewLayers, MagnifierShowsTheRegionUnderItsCentre) {
  for (uint8_t source : {uint8_t(1), uint8_t(0)}) {
    ViewPtr v = MakeView(100, 100, 40, 40);
    v->SetBackground(kBg);
    TIELayer* m = TImagoViewLayerAccess::Add(v.get(), 3, 3, ieRGB24);
    m->MagnifierEnabled = true;
    m->MagnifierSource = source;
    m->Width = 10;
    m->Height = 10;
    m->PosX = 10;
    m->PosY = 10;
    Repaint(v.get());
    ASSERT_EQ(m->Bitmap->Width(), 10);
    ASSERT_EQ(m->ClientLeft, 40);
    for (int32_t y = 0; y < 10; ++y)
      for (int32_t x = 0; x < 10; ++x)
        ASSERT_EQ(Px(v.get(), 40 + x, 40 + y), PatternPixel(13 + x / 2, 13 + y / 2))
            << "source " << int(source) << " at " << x << "," << y;
    EXPECT_EQ(Px(v.get(), 39, 39), PatternPixel(9, 9));
    EXPECT_EQ(Px(v.get(), 50, 50), PatternPixel(20, 20));

    // Rate 4 at 200 %: the box is 20 x 20 on screen and the region
    // Trunc(10 / (4 / 2)) = 5 screen pixels from 2 left of and above its
    // centre, each shown 4 times.
    if (source == 1) {
      m->MagnifierRate = 4;
      v->SetZoom(200);
      v->SetViewXY(0, 0);
      Repaint(v.get());
      const int32_t left = m->ClientLeft, top = m->ClientTop;
      ASSERT_EQ(m->ClientRight - left, 20);
      const int32_t cx = left + 10 - 2, cy = top + 10 - 2;
      // What the back buffer held there before the magnifier: layer 0 at 200 %.
      for (int32_t y = 0; y < 20; y += 3)
        for (int32_t x = 0; x < 20; x += 3) {
          const int32_t bx = cx + x / 4, by = cy + y / 4;
          EXPECT_EQ(Px(v.get(), left + x, top + y),
                    PatternPixel(v->ScreenToImageX(bx), v->ScreenToImageY(by)))
              << x << "," << y;
        }
    }
  }
}

TEST_F(ViewLayers, MagnifierEllipseShape) {
  ViewPtr v = MakeView(100, 100, 40, 40);
  v->SetBackground(kBg);
  TIELayer* m = TImagoViewLayerAccess::Add(v.get(), 20, 20, ieRGB24);
  m->MagnifierEnabled = true;
  m->MagnifierShape = 1;
  m->PosX = 10;
  m->PosY = 10;
  Repaint(v.get());
  // Box (40, 40)-(60, 60): the corners show layer 0, the middle the magnifier.
  EXPECT_EQ(Px(v.get(), 40, 40), PatternPixel(10, 10));
  EXPECT_EQ(Px(v.get(), 59, 59), PatternPixel(29, 29));
  EXPECT_EQ(Px(v.get(), 42, 41), PatternPixel(12, 11));
  // Region 10 x 10 from (45, 45): box pixel (10, 10) shows (50, 50), (0, 10) shows (45, 50).
  auto near = [&](int32_t x, int32_t y, const TRGB& want) {
    const TRGB p = Px(v.get(), x, y);
    EXPECT_NEAR(p.r, want.r, 1) << x << "," << y;
    EXPECT_NEAR(p.g, want.g, 1) << x << "," << y;
    EXPECT_NEAR(p.b, want.b, 1) << x << "," << y;
  };
  near(50, 50, PatternPixel(20, 20));
  near(40, 50, PatternPixel(15, 20));
  near(50, 40, PatternPixel(20, 15));
  const TIEBitmap* a = m->Bitmap->GetAlphaChannel();
  EXPECT_EQ(const_cast<TIEBitmap*>(a)->GetByte(0, 0), 0);
  EXPECT_EQ(const_cast<TIEBitmap*>(a)->GetByte(10, 10), 255);
  EXPECT_EQ(const_cast<TIEBitmap*>(a)->GetByte(0, 10), 255);
  EXPECT_EQ(const_cast<TIEBitmap*>(a)->GetByte(2, 2), 0);    // 7.5^2 + 7.5^2 > 10^2
  EXPECT_EQ(const_cast<TIEBitmap*>(a)->GetByte(3, 2), 255);  // 6.5^2 + 7.5^2 < 10^2
}

}  // namespace

namespace {

// A 4 x 4 layer at image pixel (-2, 8) of a 10 x 10 image at (45, 45): with
// Cropped its two left columns and two bottom rows are cut, and it is drawn
// at (45, 53)-(47, 55) from layer pixels (2, 0)-(4, 2).
TEST_F(ViewLayers, CroppedLayerStaysInsideLayerZero) {
  ViewPtr v = View10();
  TIELayer* l = TImagoViewLayerAccess::Add(v.get(), 4, 4, ieRGB24);
  auto colour = [](int32_t x, int32_t y) { return MakeRGBTriple(uint8_t(100 + 30 * x), uint8_t(10 + 40 * y), 5); };
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 4; ++x) l->Bitmap->SetRGB24(x, y, colour(x, y));
  l->PosX = -2;
  l->PosY = 8;
  l->Cropped = true;
  Repaint(v.get());
  EXPECT_EQ(l->ClientLeft, 45);
  EXPECT_EQ(l->ClientTop, 53);
  EXPECT_EQ(l->ClientRight, 47);
  EXPECT_EQ(l->ClientBottom, 55);
  EXPECT_EQ(l->DrawSrcX, 2);
  EXPECT_EQ(l->DrawSrcW, 2);
  EXPECT_EQ(l->DrawSrcH, 2);
  EXPECT_EQ(Px(v.get(), 45, 53), colour(2, 0));
  EXPECT_EQ(Px(v.get(), 46, 54), colour(3, 1));
  EXPECT_EQ(Px(v.get(), 44, 53), kBgRGB);
  EXPECT_EQ(Px(v.get(), 45, 55), kBgRGB);
  EXPECT_EQ(Px(v.get(), 47, 53), PatternPixel(2, 8));
}

}  // namespace

namespace {

TEST_F(ViewLayers, LayerUnderAPoint) {
  ViewPtr v = View10();
  TIELayer* l = TImagoViewLayerAccess::Add(v.get(), 4, 4, ieRGB24);
  l->PosX = 2;
  l->PosY = 3;
  Repaint(v.get());
  ASSERT_EQ(l->ClientLeft, 47);
  ASSERT_EQ(l->ClientBottom, 52);
  struct Case {
    int32_t x, y, layer;
  };
  const Case plain[] = {{47, 48, 1}, {51, 52, 1}, {49, 50, 1}, {52, 52, 0}, {46, 48, 0},
                        {45, 45, 0}, {55, 55, 0}, {44, 50, -1}, {56, 50, -1}};
  for (const Case& c : plain) EXPECT_EQ(v->FindLayerAt(c.x, c.y), c.layer) << c.x << "," << c.y;

  // Transparent layer pixels let the point through unless asked otherwise;
  // points on the box's far edges read the nearest pixel.
  TIEBitmap* a = l->Bitmap->GetAlphaChannel();
  a->SetByte(0, 0, 0);
  a->SetByte(3, 3, 0);
  EXPECT_EQ(v->FindLayerAt(47, 48), 0);
  EXPECT_EQ(v->FindLayerAt(51, 52), 0);
  EXPECT_EQ(v->FindLayerAt(50, 51), 0);
  EXPECT_EQ(v->FindLayerAt(48, 48), 1);
  EXPECT_EQ(v->FindLayerAt(47, 48, true), 1);

  l->Selectable = false;
  EXPECT_EQ(v->FindLayerAt(48, 48), 0);

  int32_t seen = -1;
  TIELayerEvent event = ielSelected;
  v->OnLayerNotify = [&](TObject* s, int32_t layer, TIELayerEvent e) {
    EXPECT_EQ(s, v.get());
    seen = layer;
    event = e;
  };
  v->DoLayerNotify(1, ielMoved);
  EXPECT_EQ(seen, 1);
  EXPECT_EQ(event, ielMoved);
}

}  // namespace

namespace {

TEST_F(ViewLayers, CurrentLayerStepsDownPastUnselectableLayers) {
  ViewPtr v = View10();
  // Layer 0's box is the image area of the view.
  TIELayer* base = v->Layer(0);
  EXPECT_EQ(base->ClientLeft, v->OffsetX());
  EXPECT_EQ(base->ClientTop, v->OffsetY());
  EXPECT_EQ(base->ClientRight, v->OffsetX() + v->DestW());
  EXPECT_EQ(base->ClientBottom, v->OffsetY() + v->DestH());

  TIEBitmap* first = v->GetIEBitmap();
  TIELayer* one = TImagoViewLayerAccess::Add(v.get(), 4, 4, ieRGB24);
  TIELayer* two = TImagoViewLayerAccess::Add(v.get(), 3, 3, ieRGB24);
  two->Selectable = false;
  v->SetCurrentLayer(2);
  EXPECT_EQ(v->LayersCurrent(), 1);
  EXPECT_EQ(v->GetIEBitmap(), one->Bitmap);
  EXPECT_EQ(base->Bitmap, first);
  one->Selectable = false;
  v->SetCurrentLayer(2);
  EXPECT_EQ(v->LayersCurrent(), 0);
  EXPECT_EQ(v->GetIEBitmap(), first);
  v->SetCurrentLayer(3);
  v->SetCurrentLayer(-1);
  EXPECT_EQ(v->LayersCurrent(), 0);
}

// Layer 0 stretched over a billion image pixels far off, at 200 %: the
// placement does not overflow, a layer wholly off screen draws nothing and
// one reaching into the view shows its last column there.
TEST_F(ViewLayers, HugeLayerFarOff) {
  // The image area starts at 50; screen x = 50 + 2 * image x. Drawn: the
  // columns left of this show the layer.
  struct Case { int32_t pos, width, drawn; };
  const Case cases[] = {{-1200000000, 1199999970, 0}, {-1200000000, 1200000010, 70}, {2000000000, 2000000000, 0}};
  for (const Case& c : cases) {
    ViewPtr v = MakeView(200, 200, 50, 50);
    v->SetBackground(kBg);
    v->SetZoom(200);
    TIELayer* l = v->CurrentLayer();
    l->PosX = c.pos;
    l->Width = c.width;
    Repaint(v.get());
    ASSERT_EQ(v->OffsetX(), 50);
    for (int32_t x = 0; x < 200; ++x)
      ASSERT_EQ(Px(v.get(), x, 81), x < c.drawn ? PatternPixel(49, 15) : kBgRGB)
          << c.pos << " x " << x;
    EXPECT_EQ(l->ClientRight <= 0 || l->ClientLeft >= 200, c.drawn == 0);
  }
}

// Layer 0 covering the view, then moved or shrunk: where it no longer lies
// the background is painted again instead of keeping the old pixels; while
// it still covers the view, the background is left out.
TEST_F(ViewLayers, MovedOrShrunkLayerZeroUncoversTheBackground) {
  struct Case { int32_t pos, width, x; bool uncovered; };
  const Case cases[] = {{30, 0, 5, true}, {0, 50, 80, true}, {-10, 0, 5, false}};
  for (const Case& c : cases) {
    ViewPtr v = MakeView(100, 100, 400, 400);
    v->SetBackground(kBg);
    int fired = 0;
    v->OnDrawBackground = [&](TObject*, TCanvas*, const TRect&, bool&) { ++fired; };
    v->Paint();
    ASSERT_EQ(fired, 0);
    v->CurrentLayer()->PosX = c.pos;
    v->CurrentLayer()->Width = c.width;
    Repaint(v.get());
    EXPECT_EQ(fired, c.uncovered ? 1 : 0) << c.pos;
    if (c.uncovered) EXPECT_EQ(Px(v.get(), c.x, 50), kBgRGB) << c.pos;
    else EXPECT_EQ(Px(v.get(), c.x, 50), PatternPixel(c.x + 10, 50));
  }
}

// A layer whose alpha channel has another size than its image: hit tests
// and a mask above it take the channel as absent.
TEST_F(ViewLayers, LayerAlphaOfAnotherSize) {
  ViewPtr v = View10();
  TIELayer* l = TImagoViewLayerAccess::Add(v.get(), 8, 8, ieRGB24);
  l->Bitmap->Fill(0x0000FF);
  l->Bitmap->GetAlphaChannel()->Allocate(2, 2, ieGray8);
  l->Bitmap->GetAlphaChannel()->Fill(0);
  l->Bitmap->GetAlphaChannel()->Full = false;
  Repaint(v.get());
  EXPECT_EQ(v->FindLayerAt(52, 52), 1);
  TIELayer* mask = TImagoViewLayerAccess::Add(v.get(), 8, 8, ieGray8);
  mask->IsMask = true;
  mask->Bitmap->Fill(255);
  Repaint(v.get());
  EXPECT_GE(Px(v.get(), 52, 52).r, 254);  // blended at 255 over the background
  EXPECT_EQ(l->Bitmap->GetAlphaChannel()->Width(), 2);  // given back as it was
}

// A linked navigator follows the current layer's image.
TEST_F(ViewLayers, NavigatorShowsTheCurrentLayersImage) {
  ViewPtr v = View10();
  ViewPtr nav = MakeView(50, 50, 2, 2);
  v->SetNavigator(nav.get());
  TIELayer* one = TImagoViewLayerAccess::Add(v.get(), 4, 4, ieRGB24);
  v->SetCurrentLayer(1);
  EXPECT_EQ(nav->GetIEBitmap(), one->Bitmap);
  v->SetCurrentLayer(0);
  EXPECT_EQ(nav->GetIEBitmap(), v->Layer(0)->Bitmap);
  v->SetNavigator(nullptr);
}

}  // namespace

namespace {

// From layer 0's image, a region that leaves the image area is not copied:
// the magnifier shows its cleared (black) image.
TEST_F(ViewLayers, MagnifierFromTheImageOnlyInsideIt) {
  ViewPtr v = MakeView(100, 100, 40, 40);
  v->SetBackground(kBg);
  TIELayer* m = TImagoViewLayerAccess::Add(v.get(), 10, 10, ieRGB24);
  m->MagnifierEnabled = true;
  m->MagnifierSource = 0;
  m->PosX = 35;  // box (65, 40)-(75, 50); region (68, 43)-(73, 48) crosses x = 70
  m->PosY = 10;
  Repaint(v.get());
  const TRGB black = MakeRGBTriple(0, 0, 0);
  EXPECT_EQ(Px(v.get(), 65, 40), black);
  EXPECT_EQ(Px(v.get(), 74, 49), black);
  m->PosX = 29;  // box (59, 40)-(69, 50); region (62, 43)-(67, 48) inside
  Repaint(v.get());
  EXPECT_EQ(Px(v.get(), 59, 40), PatternPixel(32, 13));
  EXPECT_EQ(Px(v.get(), 68, 49), PatternPixel(36, 17));
}

}  // namespace

namespace {

// ---- moving and resizing with the mouse

using Events = std::vector<TIELayerEvent>;

// Records the layer notices (all of layer 0) and the cursor at each.
struct Recorder {
  Events events;
  std::vector<TCursor> cursors;
  void Attach(TImagoView* v) {
    v->OnLayerNotify = [this, v](TObject* s, int32_t layer, TIELayerEvent e) {
      EXPECT_EQ(s, v);
      EXPECT_EQ(layer, 0);
      events.push_back(e);
      cursors.push_back(v->Cursor());
    };
  }
};

Events Repeat(TIELayerEvent first, TIELayerEvent e, size_t n, TIELayerEvent last) {
  Events out{first};
  out.insert(out.end(), n, e);
  out.push_back(last);
  return out;
}

TEST_F(ViewLayers, DragMovesLayerZeroByImagePixels) {
  struct Case {
    double zoom;
    std::vector<TPoint> drag;
    int32_t pos_x, pos_y, client_left, client_top;
  };
  const Case cases[] = {
      // 100 %: box (45, 45)-(55, 55). The last point lies right of the moved
      // box (50, 48)-(60, 58) and is taken at its right edge + 1 (61).
      {100, {{50, 50}, {52, 51}, {55, 53}, {90, 48}}, 11, -2, 56, 43},
      // 200 %: box (40, 40)-(60, 60), two screen pixels per image pixel;
      // (54, 53) is image (7, 6), (47, 58) image (3, 9).
      {200, {{50, 50}, {54, 53}, {47, 58}}, -2, 4, 36, 48},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.zoom);
    ViewPtr v = MakeView(100, 100, 10, 10);
    v->SetZoom(c.zoom);
    v->SetMouseInteract({miMoveLayers});
    Pump();
    Recorder rec;
    rec.Attach(v.get());
    ASSERT_EQ(v->Layer(0)->ClientLeft, c.zoom == 100 ? 45 : 40);
    Drag(v.get(), c.drag);
    const TIELayer* l = v->Layer(0);
    EXPECT_EQ(l->PosX, c.pos_x);
    EXPECT_EQ(l->PosY, c.pos_y);
    EXPECT_EQ(l->Width, 0);
    EXPECT_EQ(l->Height, 0);
    Pump();
    EXPECT_EQ(l->ClientLeft, c.client_left);
    EXPECT_EQ(l->ClientTop, c.client_top);
    EXPECT_EQ(rec.events, Repeat(ielSelected, ielMoving, c.drag.size() - 1, ielMoved));
    // The move cursor until the release brings the normal one back (the
    // pointer resting after the release may show it again).
    for (size_t k = 0; k + 1 < rec.cursors.size(); ++k) EXPECT_EQ(rec.cursors[k], kViewMove) << k;
    EXPECT_EQ(rec.cursors.back(), kViewCross);
  }
}

// A 20 x 10 image at 100 % in 100 x 100: box (40, 45)-(60, 55), grips at
// the corners, (40, 50), (60, 50), (50, 45) and (50, 55).
ViewPtr View20x10(TIEMouseInteract Modes) {
  ViewPtr v = MakeView(100, 100, 20, 10);
  v->SetMouseInteract(Modes);
  Pump();
  const TIELayer* l = v->Layer(0);
  EXPECT_EQ(l->ClientLeft, 40);
  EXPECT_EQ(l->ClientTop, 45);
  EXPECT_EQ(l->ClientRight, 60);
  EXPECT_EQ(l->ClientBottom, 55);
  return v;
}

struct GripCase {
  const char* name;
  std::vector<TPoint> drag;  // pressed on the grip
  int32_t pos_x, pos_y, width, height;
};

void RunGripCases(std::initializer_list<GripCase> cases, bool alt) {
  for (const GripCase& c : cases) {
    SCOPED_TRACE(c.name);
    // Both layer items: a grip wins over moving the layer.
    ViewPtr v = View20x10({miMoveLayers, miResizeLayers});
    Recorder rec;
    rec.Attach(v.get());
    if (alt) InjectKey(VK_MENU, true);
    Drag(v.get(), c.drag);
    if (alt) InjectKey(VK_MENU, false);
    Pump();
    const TIELayer* l = v->Layer(0);
    EXPECT_EQ(l->PosX, c.pos_x);
    EXPECT_EQ(l->PosY, c.pos_y);
    EXPECT_EQ(l->LayerWidth(), c.width);
    EXPECT_EQ(l->LayerHeight(), c.height);
    Events want(c.drag.size() - 1, ielResizing);
    want.push_back(ielResized);
    EXPECT_EQ(rec.events, want);
  }
}

TEST_F(ViewLayers, GripDragResizesLayerZero) {
  RunGripCases(
      {
          {"top-left", {{40, 45}, {44, 47}}, 4, 2, 16, 8},
          {"top-right", {{60, 45}, {57, 48}}, 0, 3, 17, 7},
          {"bottom-right", {{60, 55}, {52, 51}}, 0, 0, 12, 6},
          {"bottom-left", {{40, 55}, {43, 53}}, 3, 0, 17, 8},
          {"left", {{40, 50}, {46, 50}}, 6, 0, 14, 10},
          {"right", {{60, 50}, {51, 52}}, 0, 0, 11, 10},
          {"top", {{50, 45}, {55, 49}}, 0, 4, 20, 6},
          {"bottom", {{50, 55}, {50, 52}}, 0, 0, 20, 7},
          // The sides that move by differences, in two steps.
          {"left in steps", {{40, 50}, {43, 50}, {46, 50}}, 6, 0, 14, 10},
          {"bottom in steps", {{50, 55}, {50, 53}, {50, 51}}, 0, 0, 20, 6},
          // Outwards the point stops one past the box: (61, 56) is image (21, 11).
          {"bottom-right outwards", {{60, 55}, {90, 90}}, 0, 0, 21, 11},
          // Past the far corner the size stops at 1 and the position stays.
          {"top-left past the far corner", {{40, 45}, {70, 70}}, 0, 0, 1, 1},
      },
      false);
}

TEST_F(ViewLayers, AltKeepsTheImageAspectWhileResizing) {
  // The image's aspect is 10 / 20: the mouse's other coordinate is derived
  // from the box at the press, so the new size is twice as wide as high.
  RunGripCases(
      {
          // y = Trunc(0.5 * (50 - 40)) + 45 = 50: image (10, 5).
          {"bottom-right", {{60, 55}, {50, 70}}, 0, 0, 10, 5},
          // The derived coordinate is truncated: Trunc(0.5 * 11) = 5.
          {"bottom-right, odd", {{60, 55}, {51, 40}}, 0, 0, 11, 5},
          // y = Trunc(0.5 * (60 - 52)) + 45 = 49: image (12, 4).
          {"top-right", {{60, 45}, {52, 40}}, 0, 4, 12, 6},
          // y = Trunc(0.5 * (44 - 40)) + 45 = 47: image (4, 2).
          {"top-left", {{40, 45}, {44, 49}}, 4, 2, 16, 8},
          // The left side acts as bottom-left: y = Trunc(0.5 * (40 - 46)) + 55 = 52.
          {"left", {{40, 50}, {46, 50}}, 6, 0, 14, 7},
          // The top side acts as top-left: x = Trunc((49 - 45) / 0.5) + 40 = 48.
          {"top", {{50, 45}, {50, 49}}, 8, 4, 12, 6},
      },
      true);
  // The force-square flag acts like a held Alt.
  ViewPtr v = View20x10({miResizeLayers});
  v->ForceSquare = true;
  Drag(v.get(), {{60, 55}, {50, 70}});
  EXPECT_EQ(v->Layer(0)->LayerWidth(), 10);
  EXPECT_EQ(v->Layer(0)->LayerHeight(), 5);
}

// A view that scrolls itself during a drag shifts the remembered positions,
// so that the next step also carries the layer by the distance scrolled.
TEST_F(ViewLayers, ShiftedMousePositionsCarryTheLayer) {
  ViewPtr v = View10();
  v->SetMouseInteract({miMoveLayers});
  Pump();
  // The third move (the second with the button held) comes after a shift.
  int moves = 0;
  v->OnMouseMove = [&](TObject*, TShiftState, int32_t, int32_t) {
    if (++moves == 3) v->ShiftMousePositions(2, -1);
  };
  Drag(v.get(), {{50, 50}, {51, 50}, {52, 50}});
  ASSERT_GE(moves, 3);
  EXPECT_EQ(v->Layer(0)->PosX, 4);
  EXPECT_EQ(v->Layer(0)->PosY, -1);
}

// Dragging beyond the image area scrolls the view as far as it goes; the
// layer then moves by the image pixels between the pressed one and the one
// at the box's edge + 1 at the new origin.
TEST_F(ViewLayers, DragBeyondTheViewScrollsItAndCarriesTheLayer) {
  ViewPtr v = MakeView(100, 100, 300, 300);
  v->SetMouseInteract({miMoveLayers});
  Pump();
  const int32_t w = v->ExtentX(), max_x = v->MaxViewX();
  ASSERT_GT(max_x, 0);
  ASSERT_EQ(v->Layer(0)->ClientRight, w);
  // A step that does not divide the way to the end, so the last round
  // scrolls less than the pointer's distance.
  const int32_t step = max_x % 11 != 0 ? 11 : 12;
  int moving = 0;
  v->OnLayerNotify = [&](TObject*, int32_t, TIELayerEvent e) { moving += e == ielMoving; };
  Drag(v.get(), {{50, 50}, {w - 1 + step, 50}});
  EXPECT_EQ(moving, 1);
  EXPECT_EQ(v->ViewX(), max_x);
  EXPECT_EQ(v->ViewY(), 0);
  // Image column of client w + 1 at origin max_x, less the pressed column 50.
  EXPECT_EQ(v->Layer(0)->PosX, w + 1 + max_x - 50);
  EXPECT_EQ(v->Layer(0)->PosY, 0);
}

// A grip dragged beyond the view: the layer's far edge follows the pointer
// into the part of the image that scrolled in.
TEST_F(ViewLayers, GripDraggedBeyondTheViewSizesToThePointer) {
  ViewPtr v = MakeView(100, 100, 300, 300);
  v->SetMouseInteract({miResizeLayers});
  Pump();
  const int32_t w = v->ExtentX(), max_x = v->MaxViewX();
  const TIELayer* l = v->Layer(0);
  ASSERT_GT(max_x, 0);
  Drag(v.get(), {{l->ClientRight - 2, l->ClientBottom - 2}, {w - 1 + 11, l->ClientBottom - 2}});
  EXPECT_EQ(v->ViewX(), max_x);
  EXPECT_EQ(l->PosX, 0);
  // From image column 0, where the box began at the press, to the column
  // under the pointer held at the box's edge (client w + 1).
  EXPECT_EQ(l->LayerWidth(), w + 1 + max_x);
}

// With DelayZoomFilter a drag draws without the zoom filter until the release.
TEST_F(ViewLayers, DelayedZoomFilterIsOffDuringADrag) {
  ViewPtr v = View10();
  v->SetZoom(200);
  v->SetZoomFilter(rfTriangle);
  v->DelayZoomFilter = true;
  v->SetMouseInteract({miMoveLayers});
  Pump();
  std::vector<TResampleFilter> seen;
  v->OnLayerNotify = [&](TObject*, int32_t, TIELayerEvent) { seen.push_back(v->ZoomFilter()); };
  Drag(v.get(), {{50, 50}, {54, 50}});
  EXPECT_EQ(seen, (std::vector<TResampleFilter>{rfNone, rfNone, rfNone}));
  EXPECT_EQ(v->ZoomFilter(), rfTriangle);
  v->DelayZoomFilter = false;
  seen.clear();
  Drag(v.get(), {{50, 50}, {54, 50}});
  EXPECT_EQ(seen, (std::vector<TResampleFilter>{rfTriangle, rfTriangle, rfTriangle}));
}

TEST_F(ViewLayers, RightGripLeftOfTheLeftEdgeLeavesWidthOne) {
  ViewPtr v = View10();
  v->SetMouseInteract({miResizeLayers});
  Pump();
  Drag(v.get(), {{55, 50}, {30, 50}});
  const TIELayer* l = v->Layer(0);
  EXPECT_EQ(l->Width, 1);
  EXPECT_EQ(l->PosX, 0);
  EXPECT_EQ(l->LayerHeight(), 10);
  Pump();
  EXPECT_EQ(l->ClientLeft, 45);
  EXPECT_EQ(l->ClientRight, 46);
}

TEST_F(ViewLayers, LockedLayerNeitherMovesNorResizes) {
  ViewPtr v = View10();
  v->SetMouseInteract({miMoveLayers, miResizeLayers});
  v->Layer(0)->Locked = true;
  Pump();
  Recorder rec;
  rec.Attach(v.get());
  Drag(v.get(), {{50, 50}, {53, 52}, {52, 54}});
  EXPECT_EQ(rec.events, (Events{ielSelected, ielMoved}));
  EXPECT_EQ(rec.cursors, (std::vector<TCursor>{kViewCross, kViewCross}));
  rec.events.clear();
  Drag(v.get(), {{55, 55}, {50, 50}});  // where the bottom-right grip would be
  Drag(v.get(), {{55, 50}, {48, 50}});
  const TIELayer* l = v->Layer(0);
  EXPECT_EQ(l->PosX, 0);
  EXPECT_EQ(l->PosY, 0);
  EXPECT_EQ(l->Width, 0);
  EXPECT_EQ(l->Height, 0);
  for (TIELayerEvent e : rec.events) EXPECT_TRUE(e != ielMoving && e != ielResizing);
}

TEST_F(ViewLayers, CursorOverLayerAndGrips) {
  // A 40 x 40 image: box (30, 30)-(70, 70), grips well apart.
  ViewPtr v = MakeView(100, 100, 40, 40);
  v->SetMouseInteract({miMoveLayers, miResizeLayers});
  Pump();
  struct Case {
    int32_t x, y;
    TCursor cursor;
  };
  const Case both[] = {{30, 30, kGripNWSE}, {70, 70, kGripNWSE}, {70, 30, kGripNESW}, {30, 70, kGripNESW},
                       {31, 50, kGripWE},   {69, 51, kGripWE},   {50, 29, kGripNS},   {50, 70, kGripNS},
                       {50, 50, kViewMove},  {40, 60, kViewMove}};
  for (const Case& c : both) {
    MouseAt(v.get(), c.x, c.y);
    EXPECT_EQ(v->Cursor(), c.cursor) << c.x << "," << c.y;
    // Shown at once, not only at the next cursor query.
    EXPECT_EQ(GetCursor(), Screen->Cursors(c.cursor)) << c.x << "," << c.y;
  }
  // A cursor set from outside is the normal one; it comes back where
  // nothing can be done.
  v->SetCursor(crCross);
  v->SetMouseInteract({miResizeLayers});
  MouseAt(v.get(), 50, 50);
  EXPECT_EQ(v->Cursor(), crCross);
  MouseAt(v.get(), 30, 30);
  EXPECT_EQ(v->Cursor(), kGripNWSE);
  v->Layer(0)->Locked = true;
  MouseAt(v.get(), 30, 31);
  EXPECT_EQ(v->Cursor(), crCross);
  v->SetMouseInteract({miMoveLayers});
  MouseAt(v.get(), 50, 50);
  EXPECT_EQ(v->Cursor(), crCross);
  v->Layer(0)->Locked = false;
  MouseAt(v.get(), 50, 51);
  EXPECT_EQ(v->Cursor(), kViewMove);
  TCursor at_release = crNone;
  v->OnLayerNotify = [&](TObject*, int32_t, TIELayerEvent e) {
    if (e == ielMoved) at_release = v->Cursor();
  };
  Drag(v.get(), {{50, 51}, {52, 53}});
  EXPECT_EQ(at_release, crCross);
}

TEST_F(ViewLayers, MouseInteractKeepsWhatTheNewItemAllows) {
  using S = TIEMouseInteract;
  struct Case {
    S from, value, want;
  };
  const Case cases[] = {
      {{}, {miZoom, miScroll}, {miZoom, miScroll}},
      {{miZoom, miScroll}, {miZoom, miScroll, miSelect}, {miZoom, miSelect}},
      {{miZoom, miScroll}, {miZoom, miScroll, miSelectPolygon}, {miSelectPolygon}},
      {{miZoom}, {miZoom, miMoveLayers}, {miMoveLayers}},
      {{}, {miZoom, miMoveLayers}, {miZoom}},
      {{}, {miMoveLayers, miResizeLayers}, {miMoveLayers, miResizeLayers}},
      {{miMoveLayers}, {miMoveLayers, miResizeLayers}, {miMoveLayers, miResizeLayers}},
      {{miZoom, miSelect}, {miZoom, miSelect, miResizeLayers}, {miResizeLayers}},
      {{miMoveLayers}, {miMoveLayers, miZoom}, {miZoom}},
      {{miSelect}, {miSelect, miSelectCircle}, {miSelectCircle}},
      {{}, {miSelectLasso, miSelectZoom}, {miSelectLasso}},
      {{}, {miZoom, miSelectMagicWand}, {miZoom}},
      {{miZoom}, {miZoom, miSelectMagicWand}, {miSelectMagicWand}},
      {{}, {miScroll, miSelect}, {miScroll}},
      {{miSelectZoom}, {miZoom, miSelectZoom, miSelectLasso}, {miZoom, miSelectLasso}},
      {{miZoom, miScroll}, {miZoom}, {miZoom}},
      {{miZoom, miScroll}, {}, {}},
      {{}, S::FromBits(0x3FF), {miZoom, miScroll}},
  };
  ViewPtr v = MakeView(50, 50, 4, 4);
  EXPECT_TRUE(v->MouseInteract().Empty());
  for (const Case& c : cases) {
    v->SetMouseInteract(c.from);
    ASSERT_EQ(v->MouseInteract(), c.from) << c.from.Bits();
    v->SetMouseInteract(c.value);
    EXPECT_EQ(v->MouseInteract().Bits(), c.want.Bits()) << c.from.Bits() << " + " << c.value.Bits();
  }
  // The published property goes through the same rules.
  v->SetMouseInteract({miZoom});
  const TPropInfo* p = GetPropInfo(v.get(), "MouseInteract");
  ASSERT_NE(p, nullptr);
  SetSetProp(v.get(), p, "[miZoom,miMoveLayers]");
  EXPECT_EQ(GetSetProp(v.get(), p), "miMoveLayers");
  SetSetProp(v.get(), p, "miResizeLayers,miMoveLayers");
  EXPECT_EQ(GetSetProp(v.get(), p), "miMoveLayers,miResizeLayers");
}

}  // namespace
