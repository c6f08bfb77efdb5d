// Selections of the image view (headless): rectangles, circles, polygons and
// the magic wand, adding, grips, moving, zooming to the selection, streams,
// the animated outline under the injected clock, and processing confined to
// the selection with undo.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "ViewTestSupport.h"
#include "imaging/model/ColorReduction.h"
#include "imaging/model/MagicWand.h"
#include "imaging/model/TImagoProc.h"
#include "imaging/view/TIELayer.h"
#include "rtl/TStream.h"
#include "ui/TTimer.h"

namespace {

class ViewSelection : public ViewFixture {};

std::vector<int32_t> Points(const TImagoView* v) {
  const int32_t* p = v->GetSelectionPoints();
  return p ? std::vector<int32_t>(p, p + 2 * v->GetSelectionPointCount()) : std::vector<int32_t>{};
}

std::vector<int32_t> Box(TImagoView* v) {
  return {v->SelectionX1(), v->SelectionY1(), v->SelectionX2(), v->SelectionY2()};
}

std::vector<int32_t> MaskBox(TImagoView* v) {
  const TIEMask* m = v->SelectionMask();
  return {m->Left, m->Top, m->Right, m->Bottom};
}

std::vector<uint8_t> MaskPixels(TImagoView* v) {
  std::vector<uint8_t> out;
  TIEMask* m = v->SelectionMask();
  for (int32_t y = 0; y < m->Height(); ++y)
    for (int32_t x = 0; x < m->Width(); ++x) out.push_back(static_cast<uint8_t>(m->GetPixel(x, y)));
  return out;
}

// The view's 100 x 100 client area shows a 40 x 30 image at (30, 35).
ViewPtr View40x30() {
  ViewPtr v = MakeView(100, 100, 40, 30);
  v->Paint();
  EXPECT_EQ(v->OffsetX(), 30);
  EXPECT_EQ(v->OffsetY(), 35);
  return v;
}

constexpr int32_t kBreak = TIESelectionPolygon::kBreak;

TEST_F(ViewSelection, RectangleTable) {
  ViewPtr v = View40x30();
  struct Case {
    const char* name;
    TIESelectionBase base;
    int32_t x1, y1, x2, y2;
    std::vector<int32_t> points, box;
  } cases[] = {
      {"image pixels", iesbBitmap, 5, 4, 15, 12, {5, 4, 15, 4, 15, 12, 5, 12}, {5, 4, 14, 11}},
      {"corners in any order", iesbBitmap, 15, 12, 5, 4, {5, 4, 15, 4, 15, 12, 5, 12}, {5, 4, 14, 11}},
      {"client pixels", iesbClientArea, 35, 39, 45, 47, {5, 4, 15, 4, 15, 12, 5, 12}, {5, 4, 14, 11}},
      {"clamped: the whole image", iesbBitmap, -5, -9, 70, 80, {0, 0, 40, 0, 40, 30, 0, 30}, {0, 0, 39, 29}},
      {"beyond the image on the client", iesbClientArea, 0, 0, 99, 99, {0, 0, 40, 0, 40, 30, 0, 30}, {0, 0, 39, 29}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    v->SetSelectionBase(c.base);
    v->Select(c.x1, c.y1, c.x2, c.y2, 0);
    EXPECT_TRUE(v->HasSelection());
    EXPECT_EQ(Points(v.get()), c.points);
    EXPECT_EQ(Box(v.get()), c.box);
    EXPECT_EQ(MaskBox(v.get()), c.box);
  }
  // Selecting all fills the mask.
  EXPECT_TRUE(v->SelectionMask()->Full);

  // A degenerate rectangle changes nothing.
  v->SetSelectionBase(iesbBitmap);
  v->Select(5, 4, 15, 12, 0);
  v->Select(10, 10, 10, 50, 0);
  v->Select(10, 10, 20, 10, 0);
  EXPECT_EQ(Points(v.get()), (std::vector<int32_t>{5, 4, 15, 4, 15, 12, 5, 12}));

  // Adding: four corners, a break point, four corners; the mask holds both.
  v->Select(1, 1, 4, 3, 0);
  v->Select(20, 10, 25, 20, 1);
  EXPECT_EQ(v->GetSelectionPointCount(), 9);
  EXPECT_EQ(Points(v.get()),
            (std::vector<int32_t>{1, 1, 4, 1, 4, 3, 1, 3, kBreak, kBreak, 20, 10, 25, 10, 25, 20, 20, 20}));
  EXPECT_TRUE(v->SelectionMask()->IsPointInside(2, 2));
  EXPECT_TRUE(v->SelectionMask()->IsPointInside(24, 19));
  EXPECT_FALSE(v->SelectionMask()->IsPointInside(10, 5));
  EXPECT_EQ(MaskBox(v.get()), (std::vector<int32_t>{1, 1, 24, 19}));

  // Select none.
  v->Deselect();
  EXPECT_FALSE(v->HasSelection());
  EXPECT_EQ(v->GetSelectionPointCount(), 0);
  EXPECT_TRUE(v->SelectionMask()->IsEmpty());
  EXPECT_FALSE(v->SelectionPolygon().Visible);
}

TEST_F(ViewSelection, AspectRatioAndFixedSize) {
  ViewPtr v = MakeView(300, 200, 200, 120);
  v->SetSelectionBase(iesbBitmap);
  v->SetSelectionAspect(0.5);
  v->Select(10, 5, 110, 6, 0);
  EXPECT_EQ(Box(v.get()), (std::vector<int32_t>{10, 5, 109, 54}));  // 100 wide, 50 high
  // Too high for the image: the width follows the height left.
  v->Select(10, 100, 110, 101, 0);
  EXPECT_EQ(Points(v.get())[2], 48);  // Round((119 - 100 + 10 * 0.5) / 0.5)
  EXPECT_EQ(Points(v.get())[5], 120);
  // A fixed size is not sizeable.
  EXPECT_TRUE(v->SelectionOptions().Contains(iesoSizeable));
  v->SetSelectionAspect(0);
  EXPECT_FALSE(v->SelectionOptions().Contains(iesoSizeable));
  EXPECT_FALSE(v->SelectionPolygon().Sizeable);
}

TEST_F(ViewSelection, GripsResizeWithAndWithoutAspect) {
  ViewPtr v = View40x30();
  auto cx = [&](int32_t x) { return v->OffsetX() + x; };
  auto cy = [&](int32_t y) { return v->OffsetY() + y; };
  struct Case {
    const char* name;
    TIEGrip grip;
    int32_t x, y;  // image pixel under the pointer
    bool keep;
    TIEGrip next;
    std::vector<int32_t> rect;  // left, top, right, bottom (exclusive)
  } cases[] = {
      {"bottom-right takes the pixel under the pointer", ieBottomRight, 25, 22, false, ieBottomRight, {10, 10, 26, 23}},
      {"top-left", ieTopLeft, 5, 6, false, ieTopLeft, {5, 6, 20, 20}},
      {"left side across the right edge flips", ieLeftSide, 25, 15, false, ieRightSide, {20, 10, 25, 20}},
      {"top side across the bottom flips", ieTopSide, 15, 26, false, ieBottomSide, {10, 20, 20, 26}},
      {"top-right up and left of the box flips both ways", ieTopRight, 5, 25, false, ieBottomLeft, {6, 20, 10, 25}},
      {"bottom side with aspect stays square", ieBottomSide, 12, 14, true, ieBottomSide, {10, 10, 15, 15}},
      {"bottom-right with aspect stays square", ieBottomRight, 24, 17, true, ieBottomRight, {10, 10, 25, 25}},
      {"right side with aspect acts as bottom-right", ieRightSide, 17, 0, true, ieRightSide, {10, 10, 18, 18}},
      {"with aspect pulled back into the image", ieBottomRight, 35, 0, true, ieBottomRight, {10, 10, 29, 30}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    v->SetSelectionBase(iesbBitmap);
    v->Select(10, 10, 20, 20, 0);
    EXPECT_EQ(v->ResizeSelection(c.grip, cx(c.x), c.keep, cy(c.y)), c.next);
    const std::vector<int32_t> p = Points(v.get());
    ASSERT_EQ(p.size(), 8u);
    EXPECT_EQ((std::vector<int32_t>{p[0], p[1], p[4], p[5]}), c.rect);
  }

  // A rectangle of no width (both sides pushed past the image's right edge)
  // has no ratio: resizing with the aspect kept leaves it as it is.
  v->SetSelectionBase(iesbBitmap);
  v->Select(38, 10, 40, 20, 0);
  EXPECT_EQ(v->ResizeSelection(ieLeftSide, cx(50), false, cy(15)), ieRightSide);
  ASSERT_EQ(Points(v.get()), (std::vector<int32_t>{40, 10, 40, 10, 40, 20, 40, 20}));
  for (TIEGrip g : {ieTopLeft, ieTopRight, ieBottomRight, ieBottomLeft, ieLeftSide, ieRightSide, ieTopSide,
                    ieBottomSide}) {
    EXPECT_EQ(v->ResizeSelection(g, cx(30), true, cy(25)), g);
    EXPECT_EQ(Points(v.get()), (std::vector<int32_t>{40, 10, 40, 10, 40, 20, 40, 20}));
  }
}

TEST_F(ViewSelection, GripHitTest) {
  ViewPtr v = View40x30();
  v->SetSelectionBase(iesbBitmap);
  v->Select(5, 5, 35, 25, 0);
  // Corners at client (35, 40), (65, 40), (65, 60), (35, 60).
  struct Case {
    int32_t x, y;
    TIEGrip grip;
  } cases[] = {{35, 40, ieTopLeft},   {30, 35, ieTopLeft},     {29, 40, ieNone},       {71, 50, ieNone},
               {65, 40, ieTopRight},  {70, 65, ieBottomRight}, {35, 60, ieBottomLeft}, {36, 50, ieLeftSide},
               {63, 50, ieRightSide}, {50, 42, ieTopSide},     {50, 58, ieBottomSide}, {50, 50, ieNone},
               {50, 43, ieNone}};
  for (const Case& c : cases) EXPECT_EQ(int{v->GetGripAt(c.x, c.y)}, int{c.grip}) << c.x << "," << c.y;
  EXPECT_EQ(int{v->GetGripAt(35, 40, TShiftState{ssShift})}, int{ieNone});
  v->SetSelectionAspect(0);  // not sizeable
  EXPECT_EQ(int{v->GetGripAt(35, 40)}, int{ieNone});
  // The movable test: inside the mask only, and not with Shift.
  EXPECT_EQ(v->MovableSelectionAt(45, 50), 0);
  EXPECT_EQ(v->MovableSelectionAt(45, 50, TShiftState{ssShift}), -1);
  EXPECT_EQ(v->MovableSelectionAt(70, 50), -1);
  v->SetSelectionOptions(TIESelectionOptions{iesoAnimated});
  EXPECT_EQ(v->MovableSelectionAt(45, 50), -1);
}

TEST_F(ViewSelection, MoveClampsToTheImage) {
  ViewPtr v = View40x30();
  struct Case {
    const char* name;
    bool cut;
    int32_t dx, dy;
    std::vector<int32_t> rect;
  } cases[] = {
      {"inside", false, 3, -2, {13, 8, 23, 18}},
      {"stops at the right edge", false, 100, 0, {30, 10, 40, 20}},
      {"stops at the top-left", false, -100, -100, {0, 0, 10, 10}},
      {"cut: the last column stays inside", true, 100, 0, {39, 10, 40, 20}},
      {"cut: the first row stays inside", true, 0, -100, {10, 0, 20, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TIESelectionOptions o = v->SelectionOptions();
    o.Set(iesoCutBorders, c.cut);
    v->SetSelectionOptions(o);
    v->SetSelectionBase(iesbBitmap);
    v->Select(10, 10, 20, 20, 0);
    v->MoveSelection(c.dx, c.dy);
    const std::vector<int32_t> p = Points(v.get());
    EXPECT_EQ((std::vector<int32_t>{p[0], p[1], p[4], p[5]}), c.rect);
    // A moved rectangle answers with its polygon box until its mask is rebuilt.
    EXPECT_EQ(Box(v.get()), (std::vector<int32_t>{c.rect[0], c.rect[1], c.rect[2] - 1, c.rect[3] - 1}));
  }

  // A selection that is no rectangle moves its mask too.
  v->SetSelectionOptions(TIESelectionOptions{iesoAnimated, iesoSizeable, iesoMoveable});
  v->SetSelectionBase(iesbBitmap);
  v->Deselect();
  for (auto [x, y] : {std::pair{5, 5}, {15, 5}, {5, 15}}) v->AddSelectionPoint(x, y);
  v->BuildSelectionMask();
  EXPECT_TRUE(v->SelectionMask()->IsPointInside(6, 6));
  v->MoveSelection(100, 2);
  const std::vector<int32_t> p = Points(v.get());
  EXPECT_EQ(p, (std::vector<int32_t>{30, 7, 40, 7, 30, 17}));
  EXPECT_TRUE(v->SelectionMask()->IsPointInside(31, 8));
  EXPECT_FALSE(v->SelectionMask()->IsPointInside(6, 6));
}

TEST_F(ViewSelection, ZoomToSelectionCentresIt) {
  ViewPtr v = MakeView(100, 100, 400, 300);
  v->SetSelectionBase(iesbBitmap);
  v->Select(100, 60, 150, 110, 0);
  v->ZoomSelection(true);
  EXPECT_FALSE(v->HasSelection());
  // The outer size over the box's size.
  EXPECT_DOUBLE_EQ(v->Zoom(), (100 + 2 * EdgeX()) / 0.5);
  // The former selection's middle is in the middle of the view.
  EXPECT_NEAR(v->ScreenToImageX(v->GetViewWidth() / 2), 125, 1);
  EXPECT_NEAR(v->ScreenToImageY(v->GetViewHeight() / 2), 85, 1);
  // Without a selection, or with one narrower than 2 pixels: nothing.
  const double z = v->Zoom();
  v->ZoomSelection(true);
  v->Select(10, 10, 11, 40, 0);
  v->ZoomSelection(false);
  EXPECT_DOUBLE_EQ(v->Zoom(), z);
  EXPECT_TRUE(v->HasSelection());
}

TEST_F(ViewSelection, StreamRoundTripAndTheStack) {
  ViewPtr v = View40x30();
  v->SetSelectionBase(iesbBitmap);
  v->Select(3, 4, 12, 9, 0);
  v->Select(20, 10, 30, 25, 1);
  const std::vector<int32_t> points = Points(v.get());
  const std::vector<uint8_t> pixels = MaskPixels(v.get());
  const std::vector<int32_t> box = MaskBox(v.get());
  TMemoryStream s;
  v->SaveSelectionToStream(&s);
  // Mask size, count, points, polygon box, flag, depth, mask box, full, rows.
  EXPECT_EQ(s.Size(), 12 + 8 * 9 + 16 + 1 + 4 + 16 + 1 + 30 * 8);
  v->Deselect();
  s.SetPosition(0);
  EXPECT_TRUE(v->LoadSelectionFromStream(&s));
  EXPECT_EQ(s.Position(), s.Size());
  EXPECT_TRUE(v->HasSelection());
  EXPECT_EQ(Points(v.get()), points);
  EXPECT_EQ(MaskPixels(v.get()), pixels);
  EXPECT_EQ(MaskBox(v.get()), box);

  // The saved-selection stack.
  EXPECT_FALSE(v->RestoreSelection());
  v->SaveSelection();
  v->Select(0, 0, 5, 5, 0);
  v->SaveSelection();
  v->Deselect();
  EXPECT_EQ(v->SavedSelectionCount(), 2);
  EXPECT_TRUE(v->RestoreSelection());
  EXPECT_EQ(Points(v.get()), (std::vector<int32_t>{0, 0, 5, 0, 5, 5, 0, 5}));
  EXPECT_TRUE(v->RestoreSelection());
  EXPECT_EQ(Points(v.get()), points);
  EXPECT_EQ(v->SavedSelectionCount(), 0);
}

TEST_F(ViewSelection, DamagedStreamIsRefusedAndChangesNothing) {
  ViewPtr v = View40x30();
  v->SetSelectionBase(iesbBitmap);
  v->Select(3, 4, 12, 9, 0);
  TMemoryStream good;
  v->SaveSelectionToStream(&good);
  const std::vector<uint8_t> bytes(static_cast<const uint8_t*>(good.Memory()),
                                   static_cast<const uint8_t*>(good.Memory()) + good.Size());
  v->Select(20, 10, 30, 25, 0);
  const std::vector<int32_t> points = Points(v.get());
  const std::vector<uint8_t> pixels = MaskPixels(v.get());

  auto refused = [&](std::vector<uint8_t> data, const char* what) {
    SCOPED_TRACE(what);
    TMemoryStream s;
    s.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
    s.SetPosition(0);
    EXPECT_FALSE(v->LoadSelectionFromStream(&s));
    EXPECT_EQ(s.Position(), 0);
    EXPECT_EQ(Points(v.get()), points);
    EXPECT_EQ(MaskPixels(v.get()), pixels);
    EXPECT_TRUE(v->HasSelection());
  };
  // Every cut short.
  for (size_t n = 0; n < bytes.size(); ++n) {
    std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
    refused(cut, "short");
  }
  auto with_int = [&](size_t at, int32_t value) {
    std::vector<uint8_t> d = bytes;
    std::memcpy(d.data() + at, &value, 4);
    return d;
  };
  const size_t tail = 12 + 8 * 4;  // after the points
  refused(with_int(0, -1), "negative width");
  refused(with_int(4, 1 << 30), "height beyond the stream");
  refused(with_int(8, 0x7FFFFFFF), "point count beyond the stream");
  refused(with_int(12, 41), "point outside the mask");
  refused(with_int(tail + 17, 3), "depth 3");
  refused(with_int(tail + 21, 50), "mask box outside the mask");
  std::vector<uint8_t> flag = bytes;
  flag[tail + 16] = 7;
  refused(flag, "flag 7");

  // Random damage anywhere: refused, or loaded as a consistent selection.
  std::mt19937 rng(5);
  for (int round = 0; round < 300; ++round) {
    std::vector<uint8_t> d = bytes;
    for (int k = 0; k < 1 + round % 4; ++k) d[rng() % d.size()] = static_cast<uint8_t>(rng());
    TMemoryStream m;
    m.WriteBuffer(d.data(), static_cast<int64_t>(d.size()));
    m.SetPosition(0);
    if (!v->LoadSelectionFromStream(&m)) continue;
    const TIEMask* mask = v->SelectionMask();
    ASSERT_EQ(mask->Width(), 40);
    ASSERT_EQ(mask->Height(), 30);
    for (int32_t y = 0; y < 30; ++y)
      for (int32_t x = 0; x < 40; ++x) (void)mask->GetPixel(x, y);
    v->Paint();
  }

  // The intact block still loads.
  TMemoryStream s;
  s.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  s.SetPosition(0);
  EXPECT_TRUE(v->LoadSelectionFromStream(&s));
  EXPECT_EQ(Points(v.get()), (std::vector<int32_t>{3, 4, 12, 4, 12, 9, 3, 9}));
}

TEST_F(ViewSelection, LoadedIntoANarrowerImageMovesLeft) {
  ViewPtr v = MakeView(100, 100, 60, 40);
  v->SetSelectionBase(iesbBitmap);
  v->Select(30, 5, 50, 15, 0);  // mask box 30..49
  TMemoryStream s;
  v->SaveSelectionToStream(&s);
  ViewPtr w = MakeView(100, 100, 29, 40);
  s.SetPosition(0);
  EXPECT_TRUE(w->LoadSelectionFromStream(&s));
  EXPECT_EQ(w->SelectionMask()->Width(), 29);
  EXPECT_EQ(w->SelectionMask()->Height(), 40);
  // 21 to the left: the same size, ending at the image's last column.
  EXPECT_EQ(MaskBox(w.get()), (std::vector<int32_t>{9, 5, 28, 14}));
}

TEST_F(ViewSelection, PointsGrowPastALoadedCount) {
  // 70 loaded points leave room for 64 more; adding far more stays in bounds.
  ViewPtr v = MakeView(100, 100, 200, 200);
  v->SetSelectionBase(iesbBitmap);
  for (int32_t k = 0; k < 70; ++k) v->AddSelectionPoint(k, (k * 7) % 200);
  TMemoryStream s;
  v->SaveSelectionToStream(&s);
  v->Deselect();
  s.SetPosition(0);
  ASSERT_TRUE(v->LoadSelectionFromStream(&s));
  for (int32_t k = 0; k < 300; ++k) v->AddSelectionPoint(k % 200, k % 150);
  ASSERT_EQ(v->GetSelectionPointCount(), 370);
  const std::vector<int32_t> p = Points(v.get());
  EXPECT_EQ(p[2 * 69], 69);
  EXPECT_EQ(p[2 * 369], 299 % 200);
  EXPECT_EQ(p[2 * 369 + 1], 299 % 150);
}

TEST_F(ViewSelection, MagicWandModes) {
  ViewPtr v = View40x30();
  TIEBitmap* b = v->GetIEBitmap();
  b->Fill(0xFFFFFF);
  for (int32_t y = 5; y < 10; ++y)
    for (int32_t x = 5; x < 12; ++x) b->SetRGB24(x, y, MakeRGBTriple(200, 0, 0));
  b->SetRGB24(30, 20, MakeRGBTriple(200, 0, 0));
  v->Update();
  v->SetSelectionBase(iesbBitmap);
  v->MagicWandTolerance = 0;

  v->MagicWandMode = 0;  // outline
  v->MagicWandAt(6, 6, false);
  EXPECT_EQ(Points(v.get()), (std::vector<int32_t>{5, 5, 12, 5, 12, 5, 12, 10, 12, 10, 5, 10, 5, 10, 5, 5}));
  EXPECT_EQ(MaskBox(v.get()), (std::vector<int32_t>{5, 5, 11, 9}));

  v->MagicWandMode = 1;  // region, added to the outline
  v->MagicWandAt(30, 20, true);
  EXPECT_TRUE(v->SelectionMask()->IsPointInside(30, 20));
  EXPECT_TRUE(v->SelectionMask()->IsPointInside(5, 5));
  v->MagicWandAt(30, 20, false);
  EXPECT_EQ(MaskBox(v.get()), (std::vector<int32_t>{30, 20, 30, 20}));
  EXPECT_EQ(v->GetSelectionPointCount(), 0);

  v->MagicWandMode = 2;  // every similar pixel
  v->MagicWandAt(6, 6, false);
  EXPECT_EQ(MaskBox(v.get()), (std::vector<int32_t>{5, 5, 30, 20}));
  EXPECT_TRUE(v->HasSelection());

  // Outside the image nothing changes.
  v->MagicWandAt(40, 3, false);
  EXPECT_EQ(MaskBox(v.get()), (std::vector<int32_t>{5, 5, 30, 20}));
}

// The window's pixel at a client position.
uint32_t WindowPixel(TImagoView* v, int32_t x, int32_t y) {
  const Surface s = CopyWindowPixels(v->Handle());
  return s.Get(x + EdgeX(), y + EdgeY()) & 0xFFFFFF;
}

void Tick(int32_t ms) {
  HeadlessAdvanceClock(ms);
  Pump();
}

TEST_F(ViewSelection, MarchingOutlineAtComputedPhases) {
  ViewPtr v = View40x30();
  for (int k = 0; k < 3; ++k) v->Paint();  // the countdowns of the first paints
  v->SetSelectionBase(iesbBitmap);
  v->Select(5, 5, 35, 25, 0);
  Pump();
  ASSERT_TRUE(v->SelectionTimer()->Enabled());
  EXPECT_EQ(v->SelectionTimer()->Interval(), 210u);
  // The mask's border: client (35..64, 40..59). Its pixels are dashed in
  // runs of four along the diagonals: colour 2 (white) where
  // (x + y + phase) mod 8 < 4, colour 1 (black) elsewhere.
  auto expect_phase = [&](int32_t phase) {
    SCOPED_TRACE(phase);
    for (int32_t k = 0; k < 30; ++k)
      for (auto [x, y] : {std::pair{35 + k, 40}, {35 + k, 59}, {35, 40 + k % 20}, {64, 40 + k % 20}}) {
        const uint32_t want = ((x + y + phase) & 7) < 4 ? 0xFFFFFFu : 0u;
        ASSERT_EQ(WindowPixel(v.get(), x, y), want) << x << "," << y;
      }
    // Inside the selection, away from the grips, the image shows.
    const TRGB p = PatternPixel(12, 12);
    EXPECT_EQ(WindowPixel(v.get(), 42, 47), (uint32_t{p.r} << 16) | (uint32_t{p.g} << 8) | p.b);
    // A corner grip: black frame, white inside.
    EXPECT_EQ(WindowPixel(v.get(), 70, 35), 0u);
    EXPECT_EQ(WindowPixel(v.get(), 68, 37), 0xFFFFFFu);
  };
  const int32_t start = v->SelectionPhase();
  expect_phase(start);
  Tick(100);
  EXPECT_EQ(v->SelectionPhase(), start);  // not yet
  Tick(110);
  EXPECT_EQ(v->SelectionPhase(), start + 1);
  expect_phase(start + 1);
  for (int k = 0; k < 5; ++k) Tick(210);
  EXPECT_EQ(v->SelectionPhase(), start + 6);
  expect_phase(start + 6);
  EXPECT_EQ(v->SelectionPolygon().Phase, (start + 6) % 10);

  // Hidden: no ants, the image shows.
  v->SetSelectionShown(false);
  Pump();
  EXPECT_EQ(WindowPixel(v.get(), 35, 40), [] {
    const TRGB p = PatternPixel(5, 5);
    return (uint32_t{p.r} << 16) | (uint32_t{p.g} << 8) | p.b;
  }());
  v->SetSelectionShown(true);

  // Without a selection the timer stops.
  v->Deselect();
  Pump();
  v->Paint();
  EXPECT_FALSE(v->SelectionTimer()->Enabled());
}

TEST_F(ViewSelection, FilledAndOuterMarksInTheBackBuffer) {
  ViewPtr v = View40x30();
  v->SetSelectionBase(iesbBitmap);
  v->SetSelectionOptions(TIESelectionOptions{iesoFilled, iesoMarkOuter});
  v->Select(10, 10, 20, 20, 0);
  v->Update();
  v->Paint();
  auto px = [&](int32_t x, int32_t y) { return v->BackBuffer()->GetRGB24(30 + x, 35 + y); };
  const TRGB in = PatternPixel(15, 15);
  EXPECT_EQ(px(15, 15), MakeRGBTriple(255 - in.r, 255 - in.g, 255 - in.b));  // inverted
  // Outside: grey where row and column are both even or both odd.
  const TRGB grey = MakeRGBTriple(97, 97, 97);
  int shaded = 0, kept = 0;
  for (int32_t x = 0; x < 8; ++x) {
    if (px(x, 3) == grey) ++shaded;
    else if (px(x, 3) == PatternPixel(x, 3)) ++kept;
  }
  EXPECT_EQ(shaded, 4);
  EXPECT_EQ(kept, 4);
  // Hidden: neither mark.
  v->SetSelectionShown(false);
  v->Paint();
  EXPECT_EQ(px(15, 15), in);
  for (int32_t x = 0; x < 8; ++x) EXPECT_EQ(px(x, 3), PatternPixel(x, 3));
}

TEST_F(ViewSelection, DashedRectangleWhileDrawing) {
  // While a rectangle is dragged it is drawn as its polygon: each side from
  // its start in runs of four pixels, colour 1 first, from the record's phase.
  ViewPtr v = View40x30();
  for (int k = 0; k < 3; ++k) v->Paint();
  v->SetSelectionBase(iesbBitmap);
  v->Select(0, 0, 2, 2, 0);
  Pump();
  for (int k = 0; k < 3; ++k) Tick(210);  // the record's phase moves on
  EXPECT_EQ(v->SelectionPolygon().Phase, 3);
  v->SetMouseInteract(TIEMouseInteract{miSelect});
  std::vector<int32_t> corners;
  v->OnDrawPolygon = [&](TObject*, int32_t, int32_t Point, TCanvas*, int32_t, int32_t) { corners.push_back(Point); };
  HeadlessAdvanceClock(1000);
  MouseAt(v.get(), 40, 45);  // image (10, 10)
  InjectMouseButton(VK_LBUTTON, true);
  Pump();
  const int32_t phase = v->SelectionPolygon().Phase;  // the second that passed moved it once more
  MouseAt(v.get(), 56, 51);  // image (26, 16)
  ASSERT_EQ(Points(v.get()), (std::vector<int32_t>{10, 10, 26, 10, 26, 16, 10, 16}));
  EXPECT_EQ(v->SelectionPolygon().Phase, phase);  // no animation during a gesture
  // Top side: (40, 45) to (55, 45); right side from (55, 45) down to (55, 50).
  for (int32_t k = 0; k < 15; ++k) {
    const uint32_t want = ((k + phase) & 7) < 4 ? 0u : 0xFFFFFFu;
    ASSERT_EQ(WindowPixel(v.get(), 40 + k, 45), want) << k;
  }
  for (int32_t k = 0; k < 5; ++k) {
    const uint32_t want = ((k + phase) & 7) < 4 ? 0u : 0xFFFFFFu;
    ASSERT_EQ(WindowPixel(v.get(), 55, 45 + k), want) << k;
  }
  EXPECT_GE(corners.size(), 4u);
  EXPECT_EQ((std::vector<int32_t>(corners.end() - 4, corners.end())), (std::vector<int32_t>{1, 2, 3, 0}));
  InjectMouseButton(VK_LBUTTON, false);
  Pump();
  EXPECT_EQ(MaskBox(v.get()), (std::vector<int32_t>{10, 10, 25, 15}));
}

TEST_F(ViewSelection, ProcessingChangesOnlySelectedPixelsAndUndoRestoresBoth) {
  ViewPtr v = View40x30();
  TImagoProc* proc = v->GetProc();
  proc->SetUndoLimit(5);
  TIEBitmap original, grey;
  original.Assign(v->GetIEBitmap());
  grey.Assign(v->GetIEBitmap());
  ConvertToGrayRect(&grey, 0, 0, grey.Width(), grey.Height(), nullptr);

  // A rectangle and a triangle.
  v->SetSelectionBase(iesbBitmap);
  v->Select(2, 3, 9, 8, 0);
  v->AddSelectionPoint(TIESelectionPolygon::kBreak, TIESelectionPolygon::kBreak);
  for (auto [x, y] : {std::pair{20, 5}, {35, 5}, {20, 25}}) v->AddSelectionPoint(x, y);
  v->BuildSelectionMask();
  const std::vector<int32_t> points = Points(v.get());
  const std::vector<uint8_t> pixels = MaskPixels(v.get());
  proc->SaveUndoCaptioned("selection", 2);
  proc->ConvertToGray();
  TIEMask* m = v->SelectionMask();
  int selected = 0;
  for (int32_t y = 0; y < 30; ++y)
    for (int32_t x = 0; x < 40; ++x) {
      const bool in = m->IsPointInside(x, y);
      selected += in;
      ASSERT_EQ(v->GetIEBitmap()->GetRGB24(x, y), in ? grey.GetRGB24(x, y) : original.GetRGB24(x, y))
          << x << "," << y;
    }
  EXPECT_GT(selected, 48 + 100);

  // Another selection, then undo the image and the selection.
  v->Select(0, 0, 3, 3, 0);
  proc->Undo();  // the image
  for (int32_t y = 0; y < 30; ++y)
    for (int32_t x = 0; x < 40; ++x) ASSERT_EQ(v->GetIEBitmap()->GetRGB24(x, y), original.GetRGB24(x, y));
  proc->UndoAt(1);  // the selection
  EXPECT_EQ(Points(v.get()), points);
  EXPECT_EQ(MaskPixels(v.get()), pixels);
  EXPECT_TRUE(v->HasSelection());
}

TEST_F(ViewSelection, ANewImageSizeRemovesTheSelection) {
  ViewPtr v = View40x30();
  v->SetSelectionBase(iesbBitmap);
  v->Select(2, 3, 9, 8, 0);
  v->GetIEBitmap()->Allocate(50, 20, ieRGB24);
  v->Update();
  EXPECT_FALSE(v->HasSelection());
  EXPECT_EQ(v->GetSelectionPointCount(), 0);
  EXPECT_EQ(v->SelectionMask()->Width(), 50);
  EXPECT_EQ(v->SelectionMask()->Height(), 20);
}

}  // namespace

TEST_F(ViewSelection, SelectionLargerThanANewImageIsClampedToItAndSavesAgain) {
  ViewPtr big = View40x30();
  big->SetSelectionBase(iesbBitmap);
  big->Select(0, 0, 10, 8, 0);
  TMemoryStream s;
  big->SaveSelectionToStream(&s);
  ViewPtr small = MakeView(100, 100, 9, 5);
  s.SetPosition(0);
  ASSERT_TRUE(small->LoadSelectionFromStream(&s));
  EXPECT_EQ(Points(small.get()), (std::vector<int32_t>{0, 0, 9, 0, 9, 5, 0, 5}));
  EXPECT_EQ(MaskBox(small.get()), (std::vector<int32_t>{0, 0, 8, 4}));
  TMemoryStream again;
  small->SaveSelectionToStream(&again);
  again.SetPosition(0);
  EXPECT_TRUE(small->LoadSelectionFromStream(&again));
  EXPECT_EQ(again.Position(), again.Size());
}
