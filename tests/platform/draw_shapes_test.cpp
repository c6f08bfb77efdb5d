#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/PenBrush.h"
#include "platform/Text.h"
#include "tests/platform/DrawTestSupport.h"

namespace {

TEST(Lines, EndPointIsExcluded) {
  struct Case {
    int x0, y0, x1, y1;
    int pixels;
  };
  const Case cases[] = {
      {2, 5, 12, 5, 10},  // horizontal
      {12, 5, 2, 5, 10},  // right to left
      {5, 2, 5, 9, 7},    // vertical
      {1, 1, 9, 9, 8},    // diagonal
      {3, 3, 3, 3, 0},    // a point draws nothing
      {0, 0, 15, 4, 15},  // shallow: one pixel per column
  };
  for (const Case& c : cases) {
    TestCanvas t(20, 20);
    MoveToEx(t.dc, c.x0, c.y0, nullptr);
    LineTo(t.dc, c.x1, c.y1);
    EXPECT_EQ(t.Count(kBlack), c.pixels) << c.x0 << "," << c.y0 << " to " << c.x1 << "," << c.y1;
    if (c.pixels) {
      EXPECT_EQ(t.At(c.x0, c.y0), kBlack);
      EXPECT_EQ(t.At(c.x1, c.y1), kWhite);
    }
    TPoint p;
    GetCurrentPositionEx(t.dc, &p);
    EXPECT_EQ(p, (TPoint{c.x1, c.y1}));
  }
}

TEST(Lines, PolylineJoinsAndStyles) {
  TestCanvas t(20, 20);
  TPoint pts[] = {{2, 2}, {10, 2}, {10, 10}};
  Polyline(t.dc, pts, 3);
  // The corner is drawn once (by the second segment), the last point not.
  EXPECT_EQ(t.At(10, 2), kBlack);
  EXPECT_EQ(t.At(10, 10), kWhite);
  EXPECT_EQ(t.Count(kBlack), 16);

  // A dotted pen leaves gaps; in opaque mode they take the background colour.
  TestCanvas d(40, 3);
  HPEN dot = CreatePen(PS_DOT, 1, RGB(0, 0, 0));
  HPEN old = SelectObject(d.dc, dot);
  SetBkMode(d.dc, TRANSPARENT);
  MoveToEx(d.dc, 0, 1, nullptr);
  LineTo(d.dc, 40, 1);
  int on = d.Count(kBlack);
  EXPECT_GT(on, 10);
  EXPECT_LT(on, 30);
  SetBkMode(d.dc, OPAQUE);
  SetBkColor(d.dc, RGB(255, 0, 0));
  MoveToEx(d.dc, 0, 1, nullptr);
  LineTo(d.dc, 40, 1);
  EXPECT_EQ(d.Count(kBlack) + d.Count(kRedPx), 40);
  SelectObject(d.dc, old);
  EXPECT_TRUE(DeleteObject(dot));
}

TEST(Shapes, RectangleOutlineAndFill) {
  TestCanvas t(20, 20);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  SelectObject(t.dc, red);
  Rectangle(t.dc, 2, 3, 12, 9);
  // Outline on left..right-1, top..bottom-1; the inside in the brush.
  EXPECT_EQ(t.BoxNot(kWhite), (TRect{2, 3, 12, 9}));
  EXPECT_EQ(t.At(2, 3), kBlack);
  EXPECT_EQ(t.At(11, 8), kBlack);
  EXPECT_EQ(t.At(3, 4), kRedPx);
  EXPECT_EQ(t.Count(kRedPx), 8 * 4);
  // Without a pen the fill loses the right column and bottom row.
  TestCanvas n(20, 20);
  SelectObject(n.dc, red);
  SelectObject(n.dc, StockPen(NULL_PEN));
  Rectangle(n.dc, 2, 3, 12, 9);
  EXPECT_EQ(n.BoxNot(kWhite), (TRect{2, 3, 11, 8}));
  // A selected brush is not freed.
  EXPECT_FALSE(DeleteObject(red));
  SelectObject(n.dc, StockBrush(WHITE_BRUSH));
  SelectObject(t.dc, StockBrush(WHITE_BRUSH));
  EXPECT_TRUE(DeleteObject(red));
}

TEST(Shapes, DottedRectangleOutline) {
  TestCanvas t(20, 20);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  HPEN dots = CreatePen(PS_DOT, 1, RGB(0, 0, 0));
  SelectObject(t.dc, red);
  SelectObject(t.dc, dots);
  SetBkMode(t.dc, TRANSPARENT);
  Rectangle(t.dc, 2, 3, 12, 9);
  // The same box and inside as a solid pen, but the border is dotted: the
  // gaps keep what was there.
  EXPECT_EQ(t.BoxNot(kWhite), (TRect{2, 3, 12, 9}));
  EXPECT_EQ(t.At(3, 4), kRedPx);
  EXPECT_EQ(t.Count(kRedPx), 8 * 4);
  int black = 0, white = 0;
  for (int x = 2; x < 12; ++x) {
    black += t.At(x, 3) == kBlack;
    white += t.At(x, 3) == kWhite;
  }
  EXPECT_GT(black, 0);
  EXPECT_GT(white, 0);
  SelectObject(t.dc, StockBrush(WHITE_BRUSH));
  SelectObject(t.dc, StockPen(BLACK_PEN));
  DeleteObject(red);
  DeleteObject(dots);
}

TEST(Shapes, EllipseAndRoundRectStayInTheirBoxAndAreSymmetric) {
  for (auto box : {TRect{1, 1, 17, 11}, TRect{2, 2, 9, 16}}) {
    TestCanvas t(20, 20);
    SelectObject(t.dc, StockBrush(BLACK_BRUSH));
    Ellipse(t.dc, box.Left, box.Top, box.Right, box.Bottom);
    EXPECT_EQ(t.BoxNot(kWhite), box);
    for (int y = box.Top; y < box.Bottom; ++y)
      for (int x = box.Left; x < box.Right; ++x) {
        int mx = box.Left + box.Right - 1 - x, my = box.Top + box.Bottom - 1 - y;
        ASSERT_EQ(t.At(x, y), t.At(mx, y));
        ASSERT_EQ(t.At(x, y), t.At(x, my));
      }
    // The corners of the box stay clear.
    EXPECT_EQ(t.At(box.Left, box.Top), kWhite);
  }
  TestCanvas r(20, 20);
  RoundRect(r.dc, 0, 0, 20, 20, 6, 6);
  EXPECT_EQ(r.At(0, 0), kWhite);
  EXPECT_EQ(r.At(10, 0), kBlack);
  EXPECT_EQ(r.At(0, 10), kBlack);
  EXPECT_EQ(r.At(10, 10), kWhite);  // white brush inside
}

TEST(Shapes, PolygonFillsHalfOpenArea) {
  TestCanvas t(20, 20);
  SelectObject(t.dc, StockPen(NULL_PEN));
  SelectObject(t.dc, StockBrush(BLACK_BRUSH));
  TPoint sq[] = {{2, 2}, {8, 2}, {8, 7}, {2, 7}};
  Polygon(t.dc, sq, 4);
  EXPECT_EQ(t.BoxNot(kWhite), (TRect{2, 2, 8, 7}));
  EXPECT_EQ(t.Count(kBlack), 30);
  // A triangle: wider rows lower down.
  TestCanvas tri(20, 20);
  SelectObject(tri.dc, StockPen(NULL_PEN));
  SelectObject(tri.dc, StockBrush(BLACK_BRUSH));
  TPoint tp[] = {{10, 0}, {20, 10}, {0, 10}};
  Polygon(tri.dc, tp, 3);
  int prev = 0;
  for (int y = 0; y < 10; ++y) {
    int n = 0;
    for (int x = 0; x < 20; ++x) n += tri.At(x, y) == kBlack;
    EXPECT_GE(n, prev);
    prev = n;
  }
  EXPECT_EQ(prev, 20 - 1);
}

// Rings are filled together: under ALTERNATE an inner ring cuts a hole; under
// WINDING it does only when it runs the other way round.
TEST(Shapes, PolyPolygonFillsRingsTogether) {
  struct Case {
    int mode;
    bool reversedInner;
    int black;
  };
  const Case cases[] = {{ALTERNATE, false, 64 - 16}, {WINDING, false, 64}, {WINDING, true, 64 - 16}};
  for (const Case& c : cases) {
    TestCanvas t(12, 12);
    SelectObject(t.dc, StockPen(NULL_PEN));
    SelectObject(t.dc, StockBrush(BLACK_BRUSH));
    SetPolyFillMode(t.dc, c.mode);
    std::vector<TPoint> pts = {{1, 1}, {9, 1}, {9, 9}, {1, 9}, {3, 3}, {7, 3}, {7, 7}, {3, 7}};
    if (c.reversedInner) std::swap(pts[5], pts[7]);
    const int counts[] = {4, 4};
    EXPECT_TRUE(PolyPolygon(t.dc, pts.data(), counts, 2));
    EXPECT_EQ(t.Count(kBlack), c.black) << c.mode << " " << c.reversedInner;
    EXPECT_EQ(t.BoxNot(kWhite), (TRect{1, 1, 9, 9}));
    EXPECT_EQ(t.At(5, 5), c.black == 64 ? kBlack : kWhite);
  }
  // With a pen both rings are outlined, the hole's border included.
  TestCanvas o(12, 12);
  SelectObject(o.dc, StockBrush(NULL_BRUSH));
  const TPoint pts[] = {{1, 1}, {9, 1}, {9, 9}, {1, 9}, {3, 3}, {7, 3}, {7, 7}, {3, 7}};
  const int counts[] = {4, 4};
  EXPECT_TRUE(PolyPolygon(o.dc, pts, counts, 2));
  EXPECT_EQ(o.Count(kBlack), 32 + 16);
  const int bad[] = {4, 1};
  EXPECT_FALSE(PolyPolygon(o.dc, pts, bad, 2)) << "a ring of one point";
}

// Small shapes drawn with a pen and a brush of one colour come out solid: the
// interior meets the closed outline. Without a pen the brush alone leaves out
// the right and bottom edges. Each mask row is one pixel row from (1, 1).
TEST(Shapes, SmallPolygonsMatchPixelMasks) {
  struct Case {
    const char* name;
    std::vector<TPoint> pts;
    bool pen;
    std::vector<const char*> mask;
  };
  const Case cases[] = {
      {"down arrow", {{0, 0}, {4, 0}, {2, 2}}, true, {"#####", ".###.", "..#.."}},
      {"up arrow", {{2, 0}, {4, 2}, {0, 2}}, true, {"..#..", ".###.", "#####"}},
      {"right arrow",
       {{0, 0}, {0, 6}, {3, 3}},
       true,
       {"#...", "##..", "###.", "####", "###.", "##..", "#..."}},
      {"check mark",
       {{0, 4}, {2, 6}, {6, 2}, {6, 0}, {2, 4}, {0, 2}, {0, 4}},
       true,
       {"......#", ".....##", "#...###", "##.###.", "#####..", ".###...", "..#...."}},
      {"down arrow, brush only", {{0, 0}, {4, 0}, {2, 2}}, false, {"###..", ".#...", "....."}},
      {"right arrow, brush only",
       {{0, 0}, {0, 6}, {3, 3}},
       false,
       {"....", "#...", "##..", "##..", "#...", "....", "...."}},
  };
  for (const Case& c : cases) {
    TestCanvas t(10, 10);
    SelectObject(t.dc, StockPen(c.pen ? BLACK_PEN : NULL_PEN));
    SelectObject(t.dc, StockBrush(BLACK_BRUSH));
    std::vector<TPoint> pts;
    for (const TPoint& p : c.pts) pts.push_back(TPoint{p.X + 1, p.Y + 1});
    Polygon(t.dc, pts.data(), int(pts.size()));
    std::string want, got;
    for (int32_t y = 0; y < 10; ++y) {
      for (int32_t x = 0; x < 10; ++x) {
        const bool in = y >= 1 && y <= int32_t(c.mask.size()) && x >= 1 &&
                        x <= int32_t(std::strlen(c.mask[size_t(y - 1)])) &&
                        c.mask[size_t(y - 1)][x - 1] == '#';
        want += in ? '#' : '.';
        got += t.At(x, y) == kBlack ? '#' : '.';
      }
      want += '\n';
      got += '\n';
    }
    EXPECT_EQ(got, want) << c.name;
  }
}

TEST(Pixels, SetGetAndInvertingModesRestore) {
  TestCanvas t(10, 10, 0x123456);
  EXPECT_EQ(GetPixel(t.dc, 3, 3), RGB(0x12, 0x34, 0x56));
  EXPECT_EQ(SetPixel(t.dc, 3, 3, RGB(1, 2, 3)), RGB(1, 2, 3));
  EXPECT_EQ(t.At(3, 3), 0x010203u);
  EXPECT_EQ(GetPixel(t.dc, 30, 3), CLR_INVALID);

  // R2_NOT and R2_XORPEN lines drawn twice leave the pixels as they were.
  Surface before = t.surface;
  for (int mode : {R2_NOT, R2_XORPEN}) {
    SetROP2(t.dc, mode);
    HPEN p = CreatePen(PS_SOLID, 1, RGB(200, 100, 50));
    SelectObject(t.dc, p);
    for (int k = 0; k < 2; ++k) {
      MoveToEx(t.dc, 0, 0, nullptr);
      LineTo(t.dc, 9, 9);
      Rectangle(t.dc, 1, 1, 8, 6);
    }
    SelectObject(t.dc, StockPen(BLACK_PEN));
    DeleteObject(p);
  }
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) ASSERT_EQ(t.surface.Get(x, y), before.Get(x, y));
}

TEST(Fills, FillFrameInvertAndFocusRect) {
  TestCanvas t(20, 20);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  TRect r{2, 2, 10, 8};
  FillRect(t.dc, &r, red);
  EXPECT_EQ(t.BoxNot(kWhite), r);
  EXPECT_EQ(t.Count(kRedPx), 48);
  TestCanvas f(20, 20);
  FrameRect(f.dc, &r, red);
  EXPECT_EQ(f.Count(kRedPx), 2 * 8 + 2 * 4);
  EXPECT_EQ(f.At(5, 5), kWhite);
  // Inverting twice restores; the focus rectangle too.
  Surface before = t.surface;
  TRect big{0, 0, 15, 15};
  InvertRect(t.dc, &big);
  EXPECT_EQ(t.At(0, 0), kBlack);
  EXPECT_EQ(t.At(3, 3), 0x00FFFFu);
  InvertRect(t.dc, &big);
  DrawFocusRect(t.dc, &big);
  EXPECT_NE(t.Count(kBlack), 0);
  DrawFocusRect(t.dc, &big);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) ASSERT_EQ(t.surface.Get(x, y), before.Get(x, y));
  DeleteObject(red);
}

TEST(Fills, HatchAndPatternBrushesUseTheColours) {
  TestCanvas t(16, 16);
  HBRUSH h = CreateHatchBrush(HS_CROSS, RGB(255, 0, 0));
  TRect r{0, 0, 16, 16};
  SetBkColor(t.dc, RGB(0, 0, 0));
  FillRect(t.dc, &r, h);
  int red = t.Count(kRedPx), black = t.Count(kBlack);
  EXPECT_EQ(red + black, 256);
  EXPECT_EQ(red, 2 * 16 + 2 * 16 - 4);  // one row and one column per 8 x 8 tile
  // Transparent mode keeps the background of the hatch.
  TestCanvas u(16, 16);
  SetBkMode(u.dc, TRANSPARENT);
  FillRect(u.dc, &r, h);
  EXPECT_EQ(u.Count(kWhite), 256 - red);
  DeleteObject(h);

  // A monochrome 8 x 8 checker drawn in the text (0) and background (1) colours.
  uint16_t rows[8];
  for (int i = 0; i < 8; ++i) rows[i] = (i & 1) ? 0x55 : 0xAA;
  HBITMAP bm = CreateBitmap(8, 8, 1, 1, rows);
  HBRUSH pb = CreatePatternBrush(bm);
  DeleteObject(bm);
  TestCanvas c(8, 8);
  SetTextColor(c.dc, RGB(255, 0, 0));
  SetBkColor(c.dc, RGB(0, 0, 0));
  TRect cr{0, 0, 8, 8};
  FillRect(c.dc, &cr, pb);
  EXPECT_EQ(c.At(0, 0), kBlack);  // bit 1 -> background
  EXPECT_EQ(c.At(1, 0), kRedPx);  // bit 0 -> text colour
  EXPECT_EQ(c.At(0, 1), kRedPx);
  EXPECT_EQ(c.Count(kRedPx), 32);
  DeleteObject(pb);
}

TEST(Clipping, ClipRegionsOriginsAndSaveRestore) {
  TestCanvas t(20, 20);
  HBRUSH black = StockBrush(BLACK_BRUSH);
  TRect all{0, 0, 20, 20};
  EXPECT_EQ(IntersectClipRect(t.dc, 2, 2, 12, 12), SIMPLEREGION);
  int level = SaveDC(t.dc);
  EXPECT_EQ(ExcludeClipRect(t.dc, 4, 4, 6, 6), COMPLEXREGION);
  SetWindowOrgEx(t.dc, -3, 0, nullptr);  // logical 0 lands on device 3
  TRect box;
  GetClipBox(t.dc, &box);
  EXPECT_EQ(box, (TRect{-1, 2, 9, 12}));
  FillRect(t.dc, &all, black);
  EXPECT_EQ(t.BoxNot(kWhite), (TRect{3, 2, 12, 12}));
  EXPECT_EQ(t.At(5, 5), kWhite);  // excluded
  EXPECT_TRUE(RestoreDC(t.dc, level));
  // Restored: no exclusion, no origin.
  t.surface.Fill(kWhite);
  FillRect(t.dc, &all, black);
  EXPECT_EQ(t.BoxNot(kWhite), (TRect{2, 2, 12, 12}));
  EXPECT_EQ(t.Count(kBlack), 100);
  // A selected region replaces the clip; a null one removes it.
  HRGN rgn = CreateRectRgn(0, 0, 3, 3);
  EXPECT_EQ(SelectClipRgn(t.dc, rgn), SIMPLEREGION);
  DeleteObject(rgn);  // the DC keeps a copy
  t.surface.Fill(kWhite);
  FillRect(t.dc, &all, black);
  EXPECT_EQ(t.Count(kBlack), 9);
  SelectClipRgn(t.dc, nullptr);
  FillRect(t.dc, &all, black);
  EXPECT_EQ(t.Count(kBlack), 400);
  EXPECT_FALSE(RestoreDC(t.dc, 1));  // nothing saved any more
}

TEST(Clipping, SurfaceDCKeepsToItsVisiblePart) {
  // A child window's DC: origin (5, 4) on the back buffer, visible part a
  // rectangle with a sibling cut out.
  Surface back(30, 30);
  back.Fill(kWhite);
  Region vis(TRect{5, 4, 25, 20});
  vis = Region::Subtract(vis, Region(TRect{15, 4, 25, 10}));
  HDC dc = CreateSurfaceDC(&back, TPoint{5, 4}, &vis);
  TRect all{-100, -100, 100, 100};
  FillRect(dc, &all, StockBrush(BLACK_BRUSH));
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 30; ++x)
      ASSERT_EQ((back.Get(x, y) & 0xFFFFFF) == 0, vis.Contains(x, y)) << x << "," << y;
  // Logical (0, 0) is the origin.
  back.Fill(kWhite);
  SetPixel(dc, 0, 0, RGB(255, 0, 0));
  EXPECT_EQ(back.Get(5, 4) & 0xFFFFFF, kRedPx);
  TPoint org;
  GetDCOrgEx(dc, &org);
  EXPECT_EQ(org, (TPoint{5, 4}));
  DeleteDC(dc);
}

}  // namespace

namespace {

// Shapes and blits far larger than the target cost only their visible part.
TEST(Clipping, HugeShapesAndBlitsDrawOnlyTheVisiblePart) {
  TestCanvas t(16, 16);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  SelectObject(t.dc, red);
  const int32_t big = 1 << 29;
  Rectangle(t.dc, -big, -big, big, big);
  EXPECT_EQ(t.Count(kRedPx), 256);
  t.surface.Fill(kWhite);
  Ellipse(t.dc, -big, -big, big, big);
  EXPECT_EQ(t.Count(kRedPx), 256);
  RoundRect(t.dc, -big, -big, big, big, 40, 40);
  PatBlt(t.dc, -big, -big, 2 * big, 2 * big, DSTINVERT);
  EXPECT_EQ(t.Count(0x00FFFFu), 256);
  HPEN wide = CreatePen(PS_SOLID, 5, RGB(0, 0, 255));
  SelectObject(t.dc, wide);
  MoveToEx(t.dc, -big, -big, nullptr);
  LineTo(t.dc, big, big);
  EXPECT_GT(t.Count(0x0000FFu), 16 * 3);
  TestCanvas src(4, 4, 0x00FF00);
  SetStretchBltMode(t.dc, HALFTONE);
  StretchBlt(t.dc, -big, -big, 2 * big, 2 * big, src.dc, 0, 0, 4, 4, SRCCOPY);
  EXPECT_EQ(t.Count(0x00FF00u), 256);
  TRIVERTEX v[2] = {{-big, -big, 0, 0, 0, 0}, {big, big, 0xFF00, 0, 0, 0}};
  GRADIENT_RECT gr{0, 1};
  GradientFill(t.dc, v, 2, &gr, 1, GRADIENT_FILL_RECT_H);
  EXPECT_EQ(t.At(0, 0), 0x7F0000u);
  SelectObject(t.dc, StockPen(BLACK_PEN));
  SelectObject(t.dc, StockBrush(WHITE_BRUSH));
  DeleteObject(wide);
  DeleteObject(red);
}

}  // namespace

namespace {

// A wide pen's line between far-off end points that crosses the canvas at a
// shallow slope: where it meets each row lies beyond 32 bits from the line's
// own start, and the line still shows.
TEST(Lines, WideShallowLineFromFarAway) {
  TestCanvas t(16, 16);
  const int32_t big = 1 << 29;
  HPEN wide = CreatePen(PS_SOLID, 5, RGB(0, 0, 255));
  SelectObject(t.dc, wide);
  MoveToEx(t.dc, -big, 7, nullptr);
  LineTo(t.dc, big, 8);
  EXPECT_GE(t.Count(0x0000FFu), 16 * 4);
  EXPECT_EQ(t.At(8, 7), 0x0000FFu);
  SelectObject(t.dc, StockPen(BLACK_PEN));
  DeleteObject(wide);
}

// The largest coordinates callers pass for "everything" draw what is
// visible and overflow nothing.
TEST(Clipping, ExtremeCoordinatesAreSafe) {
  TestCanvas t(8, 8);
  const int32_t M = INT32_MAX, m = INT32_MIN;
  SetWindowOrgEx(t.dc, -5, -5, nullptr);
  SelectObject(t.dc, StockBrush(BLACK_BRUSH));
  Rectangle(t.dc, m, m, M, M);
  EXPECT_EQ(t.Count(kBlack), 64);
  PatBlt(t.dc, m, m, M, M, DSTINVERT);
  PatBlt(t.dc, M, M, m, m, DSTINVERT);
  Ellipse(t.dc, m, m, M, M);
  TRect all{m, m, M, M};
  FillRect(t.dc, &all, StockBrush(WHITE_BRUSH));
  EXPECT_EQ(t.Count(kWhite), 64);
  TestCanvas src(2, 2, 0);
  StretchBlt(t.dc, m, m, M, M, src.dc, 0, 0, 2, 2, SRCCOPY);
  BitBlt(t.dc, M - 4, M - 4, M, M, src.dc, 0, 0, SRCCOPY);
  MoveToEx(t.dc, m, m, nullptr);
  LineTo(t.dc, M, M);
  HPEN huge = CreatePen(PS_SOLID, M, RGB(0, 0, 0));
  SelectObject(t.dc, huge);
  Rectangle(t.dc, 0, 0, 4, 4);
  SelectObject(t.dc, StockPen(BLACK_PEN));
  DeleteObject(huge);
  TRect r{0, 0, M, 0};
  EXPECT_GT(DrawText(t.dc, "measure", -1, &r, DT_CALCRECT | DT_SINGLELINE), 0);
  TRect w{m, 0, M, 8};
  DrawText(t.dc, "wide", -1, &w, DT_SINGLELINE | DT_CENTER | DT_END_ELLIPSIS);
  TPoint pts[] = {{m, m}, {M, m}, {M, M}};
  Polygon(t.dc, pts, 3);
}

}  // namespace

namespace {

TEST(Fills, RegionsAndBrushOrigin) {
  TestCanvas t(12, 12);
  TRect parts[] = {{1, 1, 5, 5}, {5, 3, 9, 9}};
  HRGN rgn = CreateRgnFromRects(parts, 2);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  FillRgn(t.dc, rgn, red);
  EXPECT_EQ(t.Count(kRedPx), 16 + 24);
  InvertRgn(t.dc, rgn);
  EXPECT_EQ(t.Count(0x00FFFFu), 40);
  // A one-pixel frame: the region less its inside.
  TestCanvas f(12, 12);
  FrameRgn(f.dc, rgn, red, 1, 1);
  EXPECT_EQ(f.At(1, 1), kRedPx);
  EXPECT_EQ(f.At(2, 2), kWhite);
  EXPECT_EQ(f.At(8, 8), kRedPx);
  EXPECT_EQ(f.At(6, 6), kWhite);
  EXPECT_EQ(f.Count(kRedPx), 26);  // the pixels with a side neighbour outside
  // The window origin moves the region with the drawing.
  TestCanvas o(12, 12);
  SetViewportOrgEx(o.dc, 2, 1, nullptr);
  FillRgn(o.dc, rgn, red);
  EXPECT_EQ(o.At(3, 2), kRedPx);
  EXPECT_EQ(o.At(1, 1), kWhite);
  // Moving the brush origin shifts the hatch.
  HBRUSH h = CreateHatchBrush(HS_VERTICAL, RGB(0, 0, 0));
  TestCanvas a(8, 1), b(8, 1);
  TRect line{0, 0, 8, 1};
  SetBrushOrgEx(b.dc, 3, 0, nullptr);
  FillRect(a.dc, &line, h);
  FillRect(b.dc, &line, h);
  for (int x = 0; x < 8; ++x) EXPECT_EQ(b.At((x + 3) % 8, 0), a.At(x, 0));
  for (HGDIOBJ o2 : std::initializer_list<HGDIOBJ>{rgn, red, h}) DeleteObject(o2);
}

}  // namespace
