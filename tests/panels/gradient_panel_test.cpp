// The gradient panel: its eight gradient directions, flat, stretched and
// tiled pictures, caption effects and turns, bevels, and the mouse answers
// of a movable panel.
#include <algorithm>
#include <cmath>
#include <set>
#include <utility>

#include "panels/TGradPan.h"
#include "rtl/Numeric.h"
#include "tests/panels/PanelsTestSupport.h"

namespace {

constexpr TColor kStart = TColor(0xF0A010);  // 0x10A0F0 on the screen
constexpr TColor kEnd = TColor(0x2060FF);    // 0xFF6020
constexpr uint32_t kStartRgb = 0x10A0F0, kEndRgb = 0xFF6020;

// Entry i of the panel's 100-colour table from From towards To: each
// channel Trunc((to - from) / 100 * i + from).
uint32_t Entry(uint32_t From, uint32_t To, int i) {
  auto ch = [&](int s) {
    const double a = (From >> s) & 0xFF, b = (To >> s) & 0xFF;
    return uint32_t(std::trunc((b - a) / 100 * i + a)) << s;
  };
  return ch(16) | ch(8) | ch(0);
}

struct DirectionCase {
  TDirection Direction;
  bool Rows;      // bands are rows (else columns)
  bool Reversed;  // the table runs from ColorEnd to ColorStart
  bool InOut;     // to the middle and back
};

class GradientPanelTest : public PanelsTest {
 protected:
  TGradPan* Make(int w, int h) {
    auto* p = new TGradPan(form);
    p->SetParent(form);
    p->SetBounds(0, 0, w, h);
    p->SetBevelOuter(bvNone);
    p->SetCaption("");
    p->SetColorStart(kStart);
    p->SetColorEnd(kEnd);
    form->Show();
    return p;
  }
};

TEST_F(GradientPanelTest, NewPanelDefaults) {
  auto* p = new TGradPan(form);
  EXPECT_EQ(p->BackGroundEffect(), bdVertIn);
  EXPECT_EQ(p->ColorStart(), TColor(0x808000));
  EXPECT_EQ(p->ColorEnd(), clWhite);
  EXPECT_EQ(p->ColorShadow(), TColor(0x808080));
  EXPECT_EQ(p->TextEffect(), teShadow);
  EXPECT_EQ(p->TextRotation(), trNone);
  EXPECT_EQ(p->VertAlign(), vlCenter);
  EXPECT_FALSE(p->Ctl3D());
  EXPECT_FALSE(p->Moveable());
  EXPECT_EQ(p->Marge(), 6);
  EXPECT_EQ(p->Bitmap()->Width(), 2);
  EXPECT_EQ(p->Bitmap()->Height(), 2);
}

TEST_F(GradientPanelTest, EightDirectionsAtComputedPixels) {
  const DirectionCase cases[] = {
      {bdUp, true, false, false},    {bdDown, true, true, false},    {bdLeft, false, false, false},
      {bdRight, false, true, false}, {bdHorzIn, true, false, true},  {bdHorzOut, true, true, true},
      {bdVertIn, false, false, true}, {bdVertOut, false, true, true},
  };
  // 50 rows: MulDiv leaves some bands without a row.
  auto* p = Make(130, 50);
  for (const DirectionCase& c : cases) {
    p->SetBackGroundEffect(c.Direction);
    Snap(p);
    const uint32_t from = c.Reversed ? kEndRgb : kStartRgb, to = c.Reversed ? kStartRgb : kEndRgb;
    for (int y = 0; y < 50; ++y)
      for (int x = 0; x < 130; ++x) {
        const int pos = c.Rows ? y : x, len = c.Rows ? 50 : 130;
        int band = -1;
        for (int i = 0; i < 100; ++i)
          if (MulDiv(i, len, 100) <= pos && pos < MulDiv(i + 1, len, 100)) band = i;
        ASSERT_GE(band, 0);
        const int entry = !c.InOut ? band : band < 50 ? 2 * band + 1 : 198 - 2 * band;
        ASSERT_EQ(At(x, y), Entry(from, to, entry)) << "direction " << c.Direction << " at " << x << "," << y;
      }
  }
  // The known points: bdUp's top row is the start colour; bdHorzIn runs from
  // one step past the start to one step short of the end and back.
  p->SetBackGroundEffect(bdUp);
  Snap(p);
  EXPECT_EQ(At(5, 0), kStartRgb);
  // A hundred rows: one row per band.
  p->SetHeight(100);
  p->SetBackGroundEffect(bdHorzIn);
  Snap(p);
  EXPECT_EQ(At(5, 0), Entry(kStartRgb, kEndRgb, 1));
  EXPECT_EQ(At(5, 99), kStartRgb);
  EXPECT_EQ(Hex(p->GradientColor(99)), Entry(kStartRgb, kEndRgb, 99));
  EXPECT_NE(Hex(p->GradientColor(99)), kEndRgb) << "the last entry is one step short";
  EXPECT_EQ(At(5, 49), Entry(kStartRgb, kEndRgb, 99));
}

TEST_F(GradientPanelTest, FlatStretchedAndTiledPictures) {
  auto* p = Make(40, 40);
  p->SetColor(TColor(0x0000FF));  // red panel colour where nothing else paints
  p->SetBackGroundEffect(bdFlat);
  Snap(p);
  EXPECT_EQ(At(0, 0), kStartRgb);
  EXPECT_EQ(At(39, 39), kStartRgb);

  // A 3 x 3 picture with nine distinct colours.
  TBitmap pic;
  pic.SetPixelFormat(pf24bit);
  pic.SetSize(3, 3);
  auto colour = [](int x, int y) { return TColor(0x101010 * (1 + x + 3 * y)); };
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) pic.Canvas()->SetPixels(x, y, colour(x, y));
  p->SetBitmap(&pic);
  p->SetBackGroundEffect(bdTileImage);
  Snap(p);
  for (int y = 0; y < 40; y += 5)
    for (int x = 0; x < 40; x += 3) ASSERT_EQ(At(x, y), Hex(colour(x % 3, y % 3))) << x << "," << y;

  // Ctl3D insets the picture by twice the bevel width plus the border.
  p->SetBevelWidth(2);
  p->SetBorderWidth(1);
  p->SetCtl3D(true);
  Snap(p);
  const int d = 2 * 2 + 1;
  EXPECT_EQ(At(d, d), Hex(colour(0, 0)));
  EXPECT_EQ(At(d + 4, d + 5), Hex(colour(1, 2)));
  p->SetCtl3D(false);
  p->SetBevelWidth(1);
  p->SetBorderWidth(0);

  // Stretched into 0, 0, 39, 39: each source pixel covers a third of that.
  p->SetBackGroundEffect(bdStretchImage);
  Snap(p);
  EXPECT_EQ(At(2, 2), Hex(colour(0, 0)));
  EXPECT_EQ(At(19, 6), Hex(colour(1, 0)));
  EXPECT_EQ(At(36, 36), Hex(colour(2, 2)));
  EXPECT_EQ(At(39, 20), 0xFF0000u) << "the last column is left to the panel";

  // A picture larger than the panel is drawn once.
  pic.SetSize(60, 60);
  pic.Canvas()->SetPixels(0, 0, TColor(0x123456));
  p->SetBitmap(&pic);
  p->SetBackGroundEffect(bdTileImage);
  Snap(p);
  EXPECT_EQ(At(0, 0), 0x563412u);

  // An empty picture leaves the start colour.
  TBitmap empty;
  p->SetBitmap(&empty);
  Snap(p);
  EXPECT_EQ(At(20, 20), kStartRgb);
}

// Ink of a caption: the pixels that are exactly Colour.
std::set<std::pair<int, int>> Ink(PanelsTest* t, TBitmap& shot, uint32_t Colour) {
  std::set<std::pair<int, int>> s;
  for (int y = 0; y < shot.Height(); ++y)
    for (int x = 0; x < shot.Width(); ++x)
      if (Hex(shot.Canvas()->Pixels(x, y)) == Colour) s.insert({x, y});
  return s;
}

TEST_F(GradientPanelTest, CaptionEffectsCopyTheTextAtTheirOffsets) {
  auto* p = Make(200, 60);
  p->SetBackGroundEffect(bdFlat);
  p->SetColorStart(clWhite);
  p->SetColorShadow(TColor(0xFF0000));  // blue shadow
  p->Font()->SetColor(clBlack);
  p->Font()->SetName("Tahoma");
  p->Font()->SetSize(14);
  p->SetCaption("HIM");
  p->SetAlignment(taLeftJustify);
  p->SetVertAlign(vlTop);
  p->SetTextEffect(tenone);
  Snap(p);
  const auto text = Ink(this, shot, 0x000000);
  ASSERT_GT(text.size(), 40u);
  // Left and top aligned: the reference point is B + 2 = 3 in both.
  int minX = 999, minY = 999;
  for (auto [x, y] : text) minX = std::min(minX, x), minY = std::min(minY, y);
  EXPECT_GE(minX, 3);
  EXPECT_LE(minX, 6);
  EXPECT_GE(minY, 3);

  struct EffectCase {
    TTextEffect Effect;
    std::vector<std::pair<int, int>> ShadowOffsets;  // copies in ColorShadow
    std::vector<std::pair<int, int>> BlackOffsets;   // copies in black
  };
  const EffectCase cases[] = {
      {teShadow, {{1, 1}}, {}},
      {teRaised, {{-1, 0}, {0, -1}}, {{1, 0}, {0, 1}}},
      {teLowered, {{1, 0}, {0, 1}}, {{-1, 0}, {0, -1}}},
      {teEmbossed, {{-1, 0}, {1, 0}, {0, -1}, {0, 1}}, {}},
  };
  for (const EffectCase& c : cases) {
    p->SetTextEffect(c.Effect);
    Snap(p);
    // The text itself is drawn last, in the font's colour.
    for (auto [x, y] : text) ASSERT_EQ(At(x, y), 0x000000u) << c.Effect;
    // Each copy shows where the text does not cover it (antialiased edges
    // of the text may blend over single copies: the shadow's blue then
    // still leads there).
    const auto blue = [](uint32_t v) {
      const int r = int(v >> 16) & 0xFF, g = int(v >> 8) & 0xFF, b = int(v) & 0xFF;
      return b >= std::max(r, g) + 64;
    };
    int shown = 0;
    for (auto [dx, dy] : c.ShadowOffsets) {
      int wrong = 0;
      for (auto [x, y] : text) {
        if (blue(At(x + dx, y + dy))) ++shown;
        else if (At(x + dx, y + dy) == 0xFFFFFFu) ++wrong;
      }
      EXPECT_EQ(wrong, 0) << "effect " << c.Effect << " offset " << dx << "," << dy;
    }
    if (!c.ShadowOffsets.empty()) {
      EXPECT_GT(shown, 5) << "effect " << c.Effect;
    }
    const auto shadow = Ink(this, shot, 0x0000FF);
    if (c.ShadowOffsets.empty()) {
      EXPECT_TRUE(shadow.empty());
    }
    // A black copy covers all the text's pixels moved by its offset.
    for (auto [dx, dy] : c.BlackOffsets)
      for (auto [x, y] : text) ASSERT_EQ(At(x + dx, y + dy), 0x000000u) << c.Effect;
  }
}

TEST_F(GradientPanelTest, TurnedCaptionsAndAlignments) {
  auto* p = Make(80, 200);
  p->SetBackGroundEffect(bdFlat);
  p->SetColorStart(clWhite);
  p->SetTextEffect(tenone);
  p->Font()->SetColor(clBlack);
  // Bold: turned text is drawn from outlines, and its stems reach full ink.
  p->Font()->SetStyle(TFontStyles{fsBold});
  p->SetCaption("Gradient");
  auto box = [&] {
    Snap(p);
    TRect b{999, 999, -1, -1};
    for (auto [x, y] : Ink(this, shot, 0x000000))
      b = TRect{std::min(b.Left, x), std::min(b.Top, y), std::max(b.Right, x + 1), std::max(b.Bottom, y + 1)};
    return b;
  };
  const int h = [&] {
    TBitmap probe;
    probe.Canvas()->Font()->Assign(p->Font());
    return probe.Canvas()->TextHeight("^_");
  }();
  // Up: left alignment puts the text at x = B + 2; top alignment ends it at
  // y = B + 2 (right-aligned along the turned line).
  p->SetTextRotation(TrUp);
  p->SetAlignment(taLeftJustify);
  p->SetVertAlign(vlTop);
  TRect b = box();
  EXPECT_GT(b.Height(), 2 * b.Width());
  EXPECT_GE(b.Left, 3);
  EXPECT_LE(b.Right, 3 + h + 1);
  EXPECT_GE(b.Top, 3);
  EXPECT_LE(b.Top, 6);
  // Down, bottom: right-aligned at Height - B - 2, so the text ends there.
  p->SetTextRotation(TrDown);
  p->SetVertAlign(VlBottom);
  p->SetAlignment(taRightJustify);
  b = box();
  EXPECT_GT(b.Height(), 2 * b.Width());
  EXPECT_LE(b.Bottom, 200 - 1 - 2 + 1);
  EXPECT_GE(b.Bottom, 200 - 1 - 2 - 3);
  EXPECT_LE(b.Right, 80 - 1 - 2 + 1);
  // Unturned and centred: around the middle.
  p->SetTextRotation(trNone);
  p->SetAlignment(taCenter);
  p->SetVertAlign(vlCenter);
  b = box();
  EXPECT_GT(b.Width(), b.Height());
  EXPECT_NEAR((b.Left + b.Right) / 2, 40, 3);
  EXPECT_NEAR(b.Top, 100 - h / 2, h / 2);
}

TEST_F(GradientPanelTest, BevelsAndTheBlackBorderFrame) {
  auto* p = Make(60, 40);
  p->SetBackGroundEffect(bdFlat);
  p->SetBevelOuter(bvLowered);
  Snap(p);
  EXPECT_EQ(At(0, 20), 0x808080u);
  EXPECT_EQ(At(30, 0), 0x808080u);
  EXPECT_EQ(At(59, 20), 0xFFFFFFu);
  EXPECT_EQ(At(30, 39), 0xFFFFFFu);
  EXPECT_EQ(At(1, 20), kStartRgb);
  p->SetBevelOuter(bvRaised);
  p->SetBorderWidth(1);
  Snap(p);
  EXPECT_EQ(At(0, 20), 0xFFFFFFu);
  EXPECT_EQ(At(59, 20), 0x808080u);
  EXPECT_EQ(At(1, 20), 0x000000u) << "a one-pixel border without Ctl3D is a black frame";
  EXPECT_EQ(At(30, 1), 0x000000u);
  EXPECT_EQ(At(2, 20), kStartRgb);
}

TEST_F(GradientPanelTest, MovablePanelAnswersWithItsEdgesAndClientPoints) {
  auto* p = Make(100, 80);
  struct HitCase {
    int X, Y;
    LRESULT Hit;
  };
  const HitCase cases[] = {
      {2, 2, HTTOPLEFT},     {2, 78, HTBOTTOMLEFT}, {2, 40, HTLEFT},    {97, 3, HTTOPRIGHT},
      {97, 77, HTBOTTOMRIGHT}, {97, 40, HTRIGHT},   {50, 5, HTTOP},     {50, 75, HTBOTTOM},
      {50, 40, HTCAPTION},   {6, 6, HTCAPTION},
  };
  auto hit = [&](int x, int y) {
    const TPoint s = p->ClientToScreen(TPoint{x, y});
    return p->Perform(WM_NCHITTEST, 0, MAKELPARAM(s.X, s.Y));
  };
  TPoint moved{-1, -1};
  p->OnMouseMove = [&](TObject*, TShiftState, int32_t x, int32_t y) { moved = TPoint{x, y}; };
  EXPECT_EQ(hit(2, 2), HTCLIENT) << "a panel that is not movable answers as any panel";
  EXPECT_EQ(moved.X, 2);
  p->SetMoveable(true);
  for (const HitCase& c : cases) {
    EXPECT_EQ(hit(c.X, c.Y), c.Hit) << c.X << "," << c.Y;
    // The mouse event gets the point in the panel's own coordinates.
    EXPECT_EQ(moved.X, c.X);
    EXPECT_EQ(moved.Y, c.Y);
  }
  TPoint down{-1, -1};
  p->OnMouseDown = [&](TObject*, TMouseButton b, TShiftState, int32_t x, int32_t y) {
    if (b == mbLeft) down = TPoint{x, y};
  };
  p->Perform(WM_NCLBUTTONUP, HTCAPTION, 0);
  EXPECT_EQ(down.X, 10);
  EXPECT_EQ(down.Y, 10);
  int moves = 0;
  p->OnPanelMove = [&](TObject*) { ++moves; };
  p->SetLeft(20);
  Pump();
  EXPECT_GE(moves, 1);
}

}  // namespace
