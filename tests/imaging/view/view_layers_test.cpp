// Layers of the image view (headless): boxes and grips around layers, the
// shading outside the current layer and mask layers, checked pixel by pixel
// at positions computed from the layer placement rules.
#include <gtest/gtest.h>

#include <cstdlib>

#include "ViewTestSupport.h"
#include "imaging/view/TIELayer.h"
#include "ui/TColor.h"

// Stacks further layers and switches the layer mouse modes, which nothing
// else in the view does.
class TImagoViewLayerAccess {
 public:
  static TIELayer* Add(TImagoView* v, int32_t W, int32_t H, TIEPixelFormat F) {
    auto* image = new TIEBitmap();
    image->Allocate(W, H, F);
    v->layers_.push_back(std::make_unique<TIELayer>(v, true, image));
    return v->layers_.back().get();
  }
  static void Modes(TImagoView* v, bool Move, bool Resize) {
    v->layer_move_mode_ = Move;
    v->layer_resize_mode_ = Resize;
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

  TImagoViewLayerAccess::Modes(v.get(), true, false);
  Repaint(v.get());
  ExpectDottedBox(v.get(), 30, 30, 70, 70, pattern);
  EXPECT_EQ(Px(v.get(), 72, 72), kBgRGB);  // no grips when only moving

  v->CurrentLayer()->VisibleBox = false;
  Repaint(v.get());
  EXPECT_EQ(Px(v.get(), 30, 30), PatternPixel(0, 0));
  v->CurrentLayer()->VisibleBox = true;

  TImagoViewLayerAccess::Modes(v.get(), false, true);
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
