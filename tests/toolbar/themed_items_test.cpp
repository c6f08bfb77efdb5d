// Themed items measured and painted through the theme, and the themed
// toolbar, dock, popup and floating windows.
#include <gtest/gtest.h>

#include "platform/Backend.h"
#include "platform/Text.h"
#include "tests/toolbar/DockTestSupport.h"
#include "tests/toolbar/ThemeTestSupport.h"
#include "toolbar/DKCommon.h"
#include "toolbar/TBKThemedControls.h"
#include "toolbar/TShadows.h"
#include "toolbar/TTBKDock.h"
#include "toolbar/TTBKFloatingWindow.h"
#include "toolbar/TTBKItem.h"
#include "toolbar/TTBKItemViewer.h"
#include "toolbar/TTBKPopupWindow.h"
#include "toolbar/TTBKToolbar.h"
#include "ui/TBitmap.h"
#include "ui/TImageList.h"

namespace {

// A form with a themed dock across its top holding a themed toolbar.
class ThemedBarTest : public ThemeTest {
 protected:
  void SetUp() override {
    ThemeTest::SetUp();
    form = new TForm(Application);
    form->SetBounds(100, 100, 400, 300);
    dock = new TTBKDock(form);
    dock->SetParent(form);
    bar = new TTBKToolbar(form);
    bar->SetCaption("Bar");
  }
  TTBKItem* AddItem(const std::string& Caption) {
    auto* it = new TTBKItem(form);
    it->SetCaption(Caption);
    bar->Items()->Add(it);
    return it;
  }
  TImageList* Images(int32_t Size) {
    auto* l = new TImageList(form);
    l->SetSize(Size, Size);
    TBitmap b;
    b.SetPixelFormat(pf32bit);
    b.SetSize(Size, Size);
    b.Canvas()->Brush()->SetColor(clRed);
    b.Canvas()->FillRect(TRect{0, 0, Size, Size});
    l->Add(&b, nullptr);
    return l;
  }
  TTBKItemViewer* ViewerOf(TDKCustomItem* Item) {
    bar->View()->EnsureLayout();
    return dynamic_cast<TTBKItemViewer*>(bar->View()->ViewerOfItem(Item));
  }
  TSize CaptionSize(const std::string& Text) {
    TBitmap b;
    b.Canvas()->Font()->Assign(bar->View()->ItemFont());
    TRect r{0, 0, 1, 0};
    DrawText(b.Canvas()->Handle(), Text, &r, DT_CALCRECT);
    return TSize{r.Right, r.Bottom};
  }
  TSize Measure(TDKItemViewer* V) {
    TBitmap b;
    int32_t w = 0, h = 0;
    V->MeasureItem(b.Canvas(), w, h);
    return TSize{w, h};
  }
  TForm* form = nullptr;
  TTBKDock* dock = nullptr;
  TTBKToolbar* bar = nullptr;
};

TEST_F(ThemedBarTest, ItemsMeasureThroughTheTheme) {
  bar->SetCurrentDock(dock);
  bar->SetImages(Images(32));
  TTBKItem* top = AddItem("Open");
  top->SetImageIndex(0);
  top->SetDisplayMode(nbdmImageAndText);
  top->SetLayout(tbklGlyphTop);
  form->Show();
  Pump();
  TSize ts = CaptionSize("Open");
  TTBKItemViewer* v = ViewerOf(top);
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(Measure(v), (TSize{std::max(ts.cx + 10, 39), ts.cy + 38}));
  top->SetMinWidth(80);
  EXPECT_EQ(Measure(v).cx, 80);
  // A separator of the theme's size, and one that draws nothing.
  auto* sep = new TTBKSeparatorItem(form);
  bar->Items()->Add(sep);
  bar->View()->EnsureLayout();
  TDKItemViewer* sv = bar->View()->ViewerOfItem(sep);
  ASSERT_NE(dynamic_cast<TTBKSeparatorItemViewer*>(sv), nullptr);
  EXPECT_EQ(Measure(sv), (TSize{6, 6}));
  sep->SetSize(-7);
  EXPECT_EQ(sep->Size(), -1);
  sep->SetSize(0);
  ThemeCanvas c(6, 6);
  sv->RenderItem(&c.canvas, TRect{0, 0, 6, 6}, false, false, false);
  EXPECT_EQ(c.CountLetter('.', TRect{0, 0, 6, 6}), 36);
}

TEST_F(ThemedBarTest, FontSettingsAndBadImagesAreHandled) {
  TFont f;
  f.SetSize(8);
  f.SetStyle(TFontStyles{fsBold});
  TFontSettings s;
  int changes = 0;
  s.OnChange = [&] { ++changes; };
  s.SetSize(150);
  s.SetBold(tsFalse);
  s.SetBold(tsFalse);
  EXPECT_EQ(changes, 2) << "an unchanged value tells nobody";
  ApplyFontSettings(s, &f);
  EXPECT_EQ(f.Size(), 12);
  EXPECT_FALSE(f.Style().Contains(fsBold));
  TFontSettings copy;
  int copies = 0;
  copy.OnChange = [&] { ++copies; };
  copy.Assign(&s);
  copy.Assign(&s);
  EXPECT_EQ(copies, 1);
  // An image index beyond the list draws no image and raises nothing.
  bar->SetCurrentDock(dock);
  bar->SetImages(Images(16));
  TTBKItem* it = AddItem("X");
  it->SetImageIndex(5);
  it->SetDisplayMode(nbdmImageAndText);
  it->FontSettings()->SetBold(tsFalse);
  it->SetOptions(dkoBit(dkoDefault));
  form->Show();
  Pump();
  TTBKItemViewer* v = ViewerOf(it);
  TFont font;
  font.SetStyle(TFontStyles{fsBold});
  v->AdjustItemFont(&font, 0);
  EXPECT_FALSE(font.Style().Contains(fsBold)) << "the item's settings win over the default item's bold";
  ThemeCanvas c(40, 30);
  EXPECT_NO_THROW(v->RenderItem(&c.canvas, TRect{0, 0, 40, 30}, false, false, false));
  EXPECT_EQ(c.CountLetter('?', TRect{0, 0, 40, 30}) + c.CountLetter('x', TRect{0, 0, 40, 30}) > 0, true)
      << "the caption is drawn";
}

TEST_F(ThemedBarTest, ViewKindsFollowWhereTheToolbarIs) {
  TTBKItem* it = AddItem("Item");
  bar->SetCurrentDock(dock);
  form->Show();
  Pump();
  const uint32_t resizable = bar->Resizable() ? uint32_t(tbkvResizable) : 0u;
  EXPECT_EQ(QueryComponentViewKind(bar), uint32_t(tbkvNormalToolbar) | resizable);
  EXPECT_EQ(GetParentColor(bar), bar->EffectiveColor());
  EXPECT_EQ(bar->EffectiveColor(), clBtnFace);
  // Docked items are flat: a hot item is raised, a resting one is not.
  TTBKItemViewer* v = ViewerOf(it);
  TRect r = v->BoundsRect;
  ThemeCanvas flat(r.Width(), r.Height());
  v->RenderItem(&flat.canvas, TRect{0, 0, r.Width(), r.Height()}, false, false, false);
  EXPECT_EQ(flat.Letter(0, 0), '.');
  // Placed directly on the form the items are raised buttons.
  bar->SetCurrentDock(nullptr);
  bar->SetParent(form);
  Pump();
  EXPECT_EQ(QueryComponentViewKind(bar), uint32_t(tbkvNormalToolbar | tbkvOpaqueItems) | resizable);
  ThemeCanvas raised(r.Width(), r.Height());
  v = ViewerOf(it);
  v->RenderItem(&raised.canvas, TRect{0, 0, r.Width(), r.Height()}, false, false, false);
  EXPECT_EQ(raised.Letter(0, 0), 's') << "the flat edge of an opaque item";
  bar->SetItemTransparency(itEnable);
  EXPECT_EQ(QueryComponentViewKind(bar), uint32_t(tbkvNormalToolbar) | resizable);
  // The floating orientation gets the theme's padding: left, top, right, bottom.
  auto* view = dynamic_cast<TTBKToolbarView*>(bar->View());
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->GetViewMargins(vorFloating), (TRect{4, 2, 4, 1}));
  EXPECT_EQ(view->GetViewMargins(vorHorizontal), (TRect{0, 0, 0, 0}));
  bar->SetSnapDistance(-5);
  EXPECT_EQ(bar->SnapDistance(), 0);
  // A system colour change reaches the toolbar: its layout is held during
  // the change and its colour recomputed at the end.
  bar->SetCurrentDock(dock);
  Pump();
  SendMessage(ThemeManager()->Handle(), WM_SYSCOLORCHANGE, 0, 0);
  EXPECT_FALSE(bar->View()->Updating()) << "begin and end balance";
  EXPECT_EQ(bar->EffectiveColor(), CurrentTheme->GetViewBackColor(QueryComponentViewKind(bar)));
  // Told only the end of a change (it joined midway), it stays balanced.
  TMessage end{TBKM_THEMECHANGED, tbknEndChange, 0, 0};
  bar->Dispatch(end);
  EXPECT_FALSE(bar->View()->Updating());
}

TEST_F(ThemedBarTest, TheDockedToolbarPaintsItsFrameAndHotItemThroughTheTheme) {
  dock->SetAllowDrag(true);
  TTBKItem* it = AddItem("Press");
  bar->SetCurrentDock(dock);
  form->Show();
  Pump();
  const Surface before = CopyWindowPixels(bar->Handle());
  // The drag handle: a raised bar at an offset of 2 into the strip past
  // the 2-pixel border, for each of the two grips.
  EXPECT_EQ(before.At(4, 4) & 0xFFFFFF, ThemeCanvas::SurfacePixel(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(before.At(6, 4) & 0xFFFFFF, ThemeCanvas::SurfacePixel(COLOR_BTNSHADOW));
  TRect r = bar->ItemRect(it);
  TPoint origin = bar->ClientOrigin();
  TRect wr;
  GetWindowRect(bar->Handle(), wr);
  const int32_t x0 = origin.X - wr.Left + r.Left, y0 = origin.Y - wr.Top + r.Top;
  EXPECT_EQ(before.At(x0, y0) & 0xFFFFFF, ThemeCanvas::SurfacePixel(COLOR_BTNFACE)) << "resting: flat";
  InjectMouseMove(TPoint{origin.X + (r.Left + r.Right) / 2, origin.Y + (r.Top + r.Bottom) / 2});
  Pump();
  bar->Repaint();
  const Surface hot = CopyWindowPixels(bar->Handle());
  EXPECT_EQ(hot.At(x0, y0) & 0xFFFFFF, ThemeCanvas::SurfacePixel(COLOR_BTNHIGHLIGHT)) << "hot: raised";
  EXPECT_EQ(hot.At(x0 + r.Width() - 1, y0 + r.Height() - 1) & 0xFFFFFF, ThemeCanvas::SurfacePixel(COLOR_BTNSHADOW));
}

TEST_F(ThemedBarTest, SubmenusOpenInThemedPopupsAndFloatingBarsInThemedWindows) {
  TTBKItem* menu = AddItem("Menu");
  menu->SetStyleFlags(menu->StyleFlags() | dksfSubmenu);
  auto* child = new TTBKItem(form);
  child->SetCaption("Child");
  menu->Add(child);
  bar->SetCurrentDock(dock);
  form->Show();
  Pump();
  TDKItemViewer* v = ViewerOf(menu);
  TDKPopupWindow* w = menu->OpenPopupWindow(bar->View(), v, paLeft, TPoint{150, 150}, false, false, false);
  ASSERT_NE(w, nullptr);
  auto* popup = dynamic_cast<TTBKPopupWindow*>(w);
  ASSERT_NE(popup, nullptr);
  Pump();
  EXPECT_EQ(QueryComponentViewKind(popup), uint32_t(tbkvPopupMenu));
  EXPECT_EQ(popup->GetNCSize(), (TSize{3, 3}));
  EXPECT_EQ(GetClassStyle(popup->Handle()) & CS_DROPSHADOW, UINT(CS_DROPSHADOW)) << "the platform's own shadow";
  EXPECT_EQ(GetClassStyle(popup->Handle()) & CS_DBLCLKS, 0u);
  EXPECT_EQ(popup->Shadows(), nullptr) << "the default theme makes no shadow strips";
  TDKItemViewer* cv = popup->View()->ViewerOfItem(child);
  EXPECT_NE(dynamic_cast<TTBKItemViewer*>(cv), nullptr);
  // A checked line without image: the check mark in the square at its left,
  // the caption after the image column.
  child->SetChecked(true);
  const TRect cb = cv->BoundsRect;
  ThemeCanvas line(cb.Width(), cb.Height());
  cv->RenderItem(&line.canvas, TRect{0, 0, cb.Width(), cb.Height()}, false, false, false);
  const int32_t h = cb.Height();
  EXPECT_GT(line.CountLetter('x', TRect{0, 0, h, h}), 5) << "check mark";
  EXPECT_GT(line.CountLetter('W', TRect{0, 0, h, h}), 5) << "sunken, dithered column";
  const int32_t textLeft = 1 + ImageColumnWidth(cv) + 2;
  EXPECT_GT(line.CountLetter('x', TRect{textLeft, 0, cb.Width(), h}) +
                line.CountLetter('?', TRect{textLeft, 0, cb.Width(), h}),
            0)
      << "caption";
  EXPECT_EQ(line.CountLetter('x', TRect{h, 0, textLeft, h}), 0);
  // A hint request shows the selected line's hint over the line.
  popup->View()->SetSelected(cv);
  THintInfo hint;
  EXPECT_EQ(popup->Perform(CM_HINTSHOW, 0, LPARAM(&hint)), 0);
  EXPECT_EQ(hint.HintStr, "Child");
  EXPECT_EQ(hint.CursorRect, cv->BoundsRect);
  // The border: raised edge (white outer top-left) then the menu colour.
  const Surface s = CopyWindowPixels(popup->Handle());
  EXPECT_EQ(s.At(1, 1) & 0xFFFFFF, ThemeCanvas::SurfacePixel(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(s.At(2, 2) & 0xFFFFFF, ThemeCanvas::SurfacePixel(COLOR_MENU));
  FreePopupWindow(w);
  Pump();
  // A chevron popup reports its own kind.
  auto* chevron = dynamic_cast<TTBKChevronItem*>(bar->Chevron());
  ASSERT_NE(chevron, nullptr);
  TDKPopupWindow* cw = TTBKChevronPopupWindow::Make(nullptr, bar->View(), bar->Items(), false);
  EXPECT_EQ(static_cast<TTBKPopupWindow*>(cw)->ViewKind(), uint32_t(tbkvChevronPopup));
  cw->Free();
  // Floating: a themed tool window whose frame the theme sizes.
  bar->SetFloating(true);
  Pump();
  ASSERT_TRUE(bar->IsFloating());
  auto* host = dynamic_cast<TTBKFloatingWindowParent*>(bar->HostWindow());
  ASSERT_NE(host, nullptr);
  bar->SetResizable(false);
  EXPECT_EQ(bar->FloatingFrameSize(),
            (TSize{GetSystemMetrics(SM_CXFIXEDFRAME), GetSystemMetrics(SM_CYFIXEDFRAME)}));
  EXPECT_EQ(QueryComponentViewKind(bar), uint32_t(tbkvNormalToolbar | tbkvFloating));
  bar->SetResizable(true);
  EXPECT_EQ(bar->FloatingFrameSize(),
            (TSize{GetSystemMetrics(SM_CXSIZEFRAME), GetSystemMetrics(SM_CYSIZEFRAME)}));
  Pump();
  const Surface f = CopyWindowPixels(host->Handle());
  EXPECT_EQ(f.At(1, 1) & 0xFFFFFF, ThemeCanvas::SurfacePixel(COLOR_BTNHIGHLIGHT)) << "raised frame";
  const int32_t b = bar->FloatingFrameSize().cx;
  EXPECT_EQ(f.At(b, b + 1) & 0xFFFFFF, ThemeCanvas::SurfacePixel(COLOR_ACTIVECAPTION) & 0xFFFFFF)
      << "the small caption";
  // Moved near the work area's right edge, the tool window snaps to it.
  bar->SetSnapDistance(10);
  EXPECT_EQ(host->SnapDistance(), 10);
  const TRect work = MonitorRectOfRect(WindowRectOf(host), true);
  host->SetBounds(work.Right - host->Width() - 6, 200, host->Width(), host->Height());
  EXPECT_EQ(WindowRectOf(host).Right, work.Right);
  host->SetBounds(work.Right - host->Width() - 30, 200, host->Width(), host->Height());
  EXPECT_EQ(WindowRectOf(host).Right, work.Right - 30) << "beyond the distance it stays";
}

TEST_F(ThemedBarTest, AnEmptyDockShowsItsParentsColourUnderItsBoundLines) {
  form->SetColor(clAqua);
  dock->SetBoundLines(BoundLineBit(blTop) | BoundLineBit(blBottom));
  dock->SetFixAlign(true);
  form->Show();
  Pump();
  EXPECT_EQ(dock->Color(), clNone);
  EXPECT_EQ(GetParentColor(bar), bar->Color() == clNone ? bar->EffectiveColor() : bar->Color());
  TMessage q{TBKM_QUERYPARENTCOLOR, 0, 0, 0};
  dock->Dispatch(q);
  EXPECT_NE(q.Result, 0);
  EXPECT_EQ(TColor(q.WParam), clAqua) << "a dock without colour passes on its parent's";
  ASSERT_GT(dock->Height(), 0);
  RedrawWindow(dock->Handle(), nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE | RDW_UPDATENOW);
  const Surface s = CopyWindowPixels(dock->Handle());
  EXPECT_EQ(s.At(0, 0) & 0xFFFFFF, ColorRefToPixel(ColorToRGB(clAqua)));
}

TEST(FloatingSnap, MovesWithinTheDistanceEndFlushWithTheWorkArea) {
  const TRect work{0, 0, 800, 570};
  struct Case {
    TRect In, Out;
  } cases[] = {
      {{690, 100, 795, 150}, {695, 100, 800, 150}},  // right edge
      {{100, 520, 200, 566}, {100, 524, 200, 570}},  // bottom edge
      {{3, 100, 103, 150}, {0, 100, 100, 150}},      // left edge
      {{100, 7, 200, 57}, {100, 7, 200, 57}},        // beyond the distance
  };
  for (const Case& c : cases) {
    TRect r = c.In;
    SnapToWorkArea(r, work, 6);
    EXPECT_EQ(r, c.Out);
  }
  TRect none{3, 3, 50, 50};
  SnapToWorkArea(none, work, 0);
  EXPECT_EQ(none, (TRect{3, 3, 50, 50}));
}

class ShadowTest : public ThemeTest {};

TEST_F(ShadowTest, StripsLieOutsideThePopupAndFadeAcrossTheirThickness) {
  TShadows s(TRect{0, 0, 0, 0}, TRect{200, 100, 300, 200}, 4, 61, false);
  ASSERT_NE(s.Strip(TShadows::V1), nullptr);
  ASSERT_NE(s.Strip(TShadows::H1), nullptr);
  EXPECT_EQ(s.Strip(TShadows::V2), nullptr);
  EXPECT_EQ(BoundsText(s.Strip(TShadows::V1)), "300,104,4,96");
  EXPECT_EQ(BoundsText(s.Strip(TShadows::H1)), "204,200,100,4");
  EXPECT_EQ(s.Strip(TShadows::V1)->Style(), ssAlphaBlend);
  EXPECT_TRUE(s.SaveBits());
  std::vector<uint8_t> a = s.Strip(TShadows::V1)->AlphaPicture();
  // The middle: 255 - i * 256 / 4 across the columns.
  EXPECT_EQ((std::vector<int>{a[50 * 4], a[50 * 4 + 1], a[50 * 4 + 2], a[50 * 4 + 3]}),
            (std::vector<int>{255, 191, 127, 63}));
  // The rounded start: the darkest pixel at the bottom-left of the corner.
  EXPECT_GT(a[3 * 4 + 0], a[0 * 4 + 3]);
  EXPECT_EQ(a[0 * 4 + 3], 0);
  // Few colours: strips half as thick.
  TShadows thin(TRect{0, 0, 0, 0}, TRect{200, 100, 300, 200}, 4, 61, true);
  EXPECT_EQ(BoundsText(thin.Strip(TShadows::V1)), "300,102,2,98");
  EXPECT_EQ(thin.Strip(TShadows::V1)->Style(), ssPlain);
  // The mouse passes through.
  s.Show(nullptr);
  EXPECT_EQ(SendMessage(s.Strip(TShadows::H1)->Handle(), WM_NCHITTEST, 0, MAKELPARAM(250, 202)), LRESULT(HTTRANSPARENT));
}

TEST_F(ShadowTest, NarrowStripsAreAllCornerAndItemShadowsFollowTheOutline) {
  // 6 wide, 4 high, both ends rounded: corners of 3 each and no middle.
  THorzShadow h(TRect{0, 0, 6, 4}, 3, false, 61);
  std::vector<uint8_t> a = h.AlphaPicture();
  EXPECT_EQ(a[0 * 6 + 2], a[0 * 6 + 3]) << "mirror corners meet in the middle";
  EXPECT_NE(a[0 * 6 + 2], 255);
  // A popup below a toolbar item: the item's right side and the popup's
  // right and bottom.
  TShadows s(TRect{100, 50, 140, 72}, TRect{100, 72, 220, 172}, 4, 61, false);
  EXPECT_EQ(BoundsText(s.Strip(TShadows::V1)), "140,54,4,18");
  EXPECT_EQ(BoundsText(s.Strip(TShadows::H2)), "104,172,120,4");
  EXPECT_EQ(BoundsText(s.Strip(TShadows::V2)), "220,76,4,96");
  EXPECT_EQ(s.Strip(TShadows::H1), nullptr);
  EXPECT_EQ(s.Strip(TShadows::H3), nullptr);
}

}  // namespace
