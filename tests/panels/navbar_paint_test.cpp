// The navigation bar's layout and painting: the main window's bar in the
// silver preset against rectangles and colours worked out from the layout
// rules, the grip, the icon row and a bar without pages.
#include "tests/panels/NavBarTestSupport.h"

namespace {

// The silver preset's colours as 0xRRGGBB.
constexpr uint32_t kCaption = RgbOf(0xBDA4A5), kCaptionTo = RgbOf(0x957475);
constexpr uint32_t kActive = RgbOf(0x94E6FB), kActiveTo = RgbOf(0x1595EE);
constexpr uint32_t kDefault = RgbOf(0xECE2E1), kDefaultTo = RgbOf(0xB39698);
constexpr uint32_t kSplitter = RgbOf(0xBFA7A8), kSplitterTo = RgbOf(0x947C7C);
constexpr uint32_t kBorder = RgbOf(0x947C7C);
constexpr uint32_t kHover = RgbOf(0xDCFFFF), kHoverTo = RgbOf(0x5BC0F7);
constexpr uint32_t kDown = RgbOf(0x087FE8), kDownTo = RgbOf(0x7CDAF7);

TEST_F(NavBarTest, NewBarDefaults) {
  auto* b = new TUxNavBar(form);
  EXPECT_EQ(b->Width(), 250);
  EXPECT_EQ(b->Height(), 300);
  EXPECT_TRUE(b->ShowHint());
  EXPECT_EQ(b->Style(), esOffice2003Blue);
  EXPECT_EQ(b->ActiveColor(), TColor(0xC0C0C0));
  EXPECT_EQ(b->CaptionColor(), TColor(0x808080));
  EXPECT_EQ(b->CaptionColorTo(), clNone);
  EXPECT_EQ(b->DefaultTabColor(), clWhite);
  EXPECT_EQ(b->DefaultTabColorTo(), clBtnFace);
  EXPECT_EQ(b->DownTabColor(), TColor(0xA78F87));
  EXPECT_EQ(b->HoverTabColor(), TColor(0xBBA9A2));
  EXPECT_EQ(b->SplitterColor(), TColor(0xC0C0C0));
  EXPECT_EQ(b->SplitterColorTo(), TColor(0x808080));
  EXPECT_EQ(b->SectionColor(), TColor(0));
  EXPECT_EQ(b->ActiveTabIndex(), -1);
  EXPECT_EQ(b->SplitterPosition(), 0);
  EXPECT_EQ(b->MinClientHeight(), 60);
  EXPECT_TRUE(b->PopupIndicator());
  EXPECT_FALSE(b->AutoThemeAdapt());
  EXPECT_EQ(b->BottomIconAlign(), biRight);
  EXPECT_EQ(b->DefaultTabPosition(), tpBottom);
  EXPECT_EQ(b->DefaultGradientDirection(), gdVertical);
  EXPECT_EQ(b->CaptionFont()->Name(), "Tahoma");
  EXPECT_EQ(b->CaptionFont()->Size(), 11);
  EXPECT_TRUE(b->CaptionFont()->Style().Contains(fsBold));
  EXPECT_EQ(b->CaptionFont()->Color(), clWhite);
  EXPECT_EQ(b->GetVersionNumber(), 0x01030600u);
  EXPECT_EQ(b->Version(), "1.3.6.0");
  b->SetVersion("9.9");
  EXPECT_EQ(b->Version(), "1.3.6.0");
  b->SetMinClientHeight(20);
  EXPECT_EQ(b->MinClientHeight(), 60);
}

TEST_F(NavBarTest, TheMainWindowsBarMatchesItsLayout) {
  MakeBar(201, 649, {"Browser", "Password box"}, 2, 0);
  const NavBarLayout g = ExpectedNavBar(201, 649, 2, 2);
  // The example worked out by hand for the main window.
  EXPECT_EQ(g.Tabs[1], (TRect{0, 552, 201, 585}));
  EXPECT_EQ(g.Tabs[0], (TRect{0, 584, 201, 617}));
  EXPECT_EQ(g.S, 549);
  struct Row {
    const char* What;
    TRect Got, Want;
  };
  const Row rows[] = {
      {"caption band", bar->CaptionRect(), g.Caption},  {"page area", bar->ClientRect(), g.Page},
      {"splitter band", bar->SplitterRect(), g.Splitter}, {"icon row", bar->IconRowRect(), g.IconRow},
      {"tab of page 0", bar->TabRect(0), g.Tabs[0]},     {"tab of page 1", bar->TabRect(1), g.Tabs[1]},
      {"page 0", pages[0]->BoundsRect(), g.Page},        {"page 1", pages[1]->BoundsRect(), g.Page},
  };
  for (const Row& r : rows) EXPECT_EQ(r.Got, r.Want) << r.What;
  EXPECT_EQ(bar->SplitterLine(), 549);
  EXPECT_EQ(pages[0]->Width(), 199);
  EXPECT_EQ(pages[0]->Height(), 519);
  EXPECT_EQ(bar->ActivePanel(), pages[0]);
  EXPECT_TRUE(pages[0]->Visible());
  EXPECT_FALSE(pages[1]->Visible());
  EXPECT_FALSE(bar->Scroller().Visible());
  EXPECT_EQ(bar->IconMargin(), 1);
  EXPECT_EQ(bar->LastVisibleIcon(), -1) << "no icons with both pages as large tabs";
}

TEST_F(NavBarTest, TheMainWindowsBarPaintsTheSilverGradients) {
  MakeBar(201, 649, {"Browser", "Password box"}, 2, 0);
  Snap(bar);
  const NavBarLayout g = ExpectedNavBar(201, 649, 2, 2);
  // The border and the pages.
  EXPECT_EQ(At(0, 300), kBorder);
  EXPECT_EQ(At(200, 300), kBorder);
  EXPECT_EQ(At(100, 300), 0xFFFFFFu) << "the active page is white";
  // Caption band: 64 steps from top to bottom; its last row is the line the
  // active tab draws under it. Column 195 lies clear of the caption text.
  for (int y = 1; y < 26; ++y) ASSERT_EQ(At(195, y), NavBarGradientAt(kCaption, kCaptionTo, 64, 26, y - 1)) << y;
  EXPECT_EQ(At(195, 26), kBorder);
  // Splitter band: 16 steps over its six rows, away from the grip.
  for (int y = g.Splitter.Top; y < g.Splitter.Bottom; ++y)
    ASSERT_EQ(At(5, y), NavBarGradientAt(kSplitter, kSplitterTo, 16, 6, y - g.Splitter.Top)) << y;
  // The grip: x0 = (201 - 34) div 2 = 83.
  const int x0 = 83, S = g.S;
  EXPECT_EQ(At(x0, S - 2), 0x000000u);
  EXPECT_EQ(At(x0 + 1, S - 1), kSplitterTo);
  EXPECT_EQ(At(x0 + 2, S - 1), 0xFFFFFFu);
  EXPECT_EQ(At(x0 + 2, S), 0xFFFFFFu);
  EXPECT_EQ(At(x0 + 32, S - 2), 0x000000u);
  EXPECT_EQ(At(x0 + 33, S - 1), kSplitterTo);
  // Tabs: outlined, filled one pixel in (two off the bottom) with 16 steps.
  auto tab = [&](int page, uint32_t from, uint32_t to) {
    const TRect t = g.Tabs[size_t(page)];
    EXPECT_EQ(At(100, t.Top), kBorder);
    EXPECT_EQ(At(0, t.Top + 10), kBorder);
    const int len = t.Height() - 3;
    for (int y = t.Top + 1; y < t.Bottom - 2; ++y)
      ASSERT_EQ(At(195, y), NavBarGradientAt(from, to, 16, len, y - t.Top - 1)) << "page " << page << " row " << y;
  };
  tab(1, kDefault, kDefaultTo);
  tab(0, kActive, kActiveTo);
  // The icon row: outlined, the default gradient, the popup button at its end.
  const TRect r = g.IconRow;
  EXPECT_EQ(At(100, r.Top), kBorder);
  EXPECT_EQ(At(100, r.Bottom - 1), kBorder);
  for (int y = r.Top + 1; y < r.Bottom - 2; ++y)
    ASSERT_EQ(At(100, y), NavBarGradientAt(kDefault, kDefaultTo, 16, r.Height() - 3, y - r.Top - 1)) << y;
  // The popup button's triangle: a = 200, b = 647; its top line runs from
  // (a - 13, b - 10) to (a - 6, b - 10).
  EXPECT_EQ(At(187, 637), 0x000000u);
  EXPECT_EQ(At(193, 637), 0x000000u);
  EXPECT_EQ(At(190, 640), 0x000000u);
}

TEST_F(NavBarTest, HoverAndPressColoursFollowThePointer) {
  MakeBar(201, 400, {"Browser", "Password box"}, 2, 0);
  const NavBarLayout g = ExpectedNavBar(201, 400, 2, 2);
  const TRect t1 = g.Tabs[1], t0 = g.Tabs[0];
  MoveTo(bar, 100, t1.Top + 10);
  Snap(bar);
  EXPECT_EQ(At(195, t1.Top + 1), kHover) << "a tab under the pointer";
  InjectMouseButton(VK_LBUTTON, true);
  Pump();
  Snap(bar);
  EXPECT_EQ(At(195, t1.Top + 1), kDown) << "pressed";
  InjectMouseButton(VK_LBUTTON, false);
  Pump();
  EXPECT_EQ(bar->ActiveTabIndex(), 1);
  Snap(bar);
  EXPECT_EQ(At(195, t1.Top + 1), kDown) << "the active tab under the pointer";
  EXPECT_EQ(At(195, t0.Top + 1), kDefault);
  MoveTo(bar, 100, 100);
  Snap(bar);
  EXPECT_EQ(At(195, t1.Top + 1), kActive);
  (void)kDownTo;
  (void)kHoverTo;
}

TEST_F(NavBarTest, ABarWithoutPagesShowsButtonFaceAndThePopupButton) {
  MakeBar(150, 200, {}, 0, -1);
  EXPECT_EQ(bar->SplitterLine(), 200 - 36);
  Snap(bar);
  EXPECT_EQ(At(0, 0), kBorder);
  EXPECT_EQ(At(50, 100), 0xD4D0C8u) << "button face inside the border";
  EXPECT_EQ(At(50, 10), NavBarGradientAt(kCaption, kCaptionTo, 64, 26, 9)) << "an empty caption band";
  EXPECT_EQ(At(137, 200 - 12), 0x000000u) << "the popup button's triangle";
}

TEST_F(NavBarTest, IconsFillTheRowFromTheRightAndScrollWhenTooMany) {
  // 100 pixels wide: (100 - 21 - 2) div 24 = 3 icons fit.
  MakeBar(100, 300, {"a", "b", "c"}, 0, 0);
  EXPECT_EQ(bar->IconCapacity(1), 3);
  EXPECT_FALSE(bar->Scroller().Visible());
  EXPECT_EQ(bar->FirstVisibleIcon(), 0);
  EXPECT_EQ(bar->LastVisibleIcon(), 2);
  // The last icon sits against the popup button: E - margin - 24.
  EXPECT_EQ(bar->IconRect(2), (TRect{55, 267, 79, 300}));
  EXPECT_EQ(bar->IconRect(0), (TRect{7, 267, 31, 300}));
  bar->SetBottomIconAlign(biLeft);
  EXPECT_EQ(bar->IconRect(2), (TRect{1, 267, 25, 300}));
  EXPECT_EQ(bar->IconRect(0), (TRect{49, 267, 73, 300}));
}

}  // namespace

namespace {

// A list of Size x Size images, image i a solid colour from Colours.
TImageList* SolidImages(TComponent* Owner, int32_t Size, const std::vector<TColor>& Colours) {
  auto* list = new TImageList(Owner);
  list->SetSize(Size, Size);
  for (TColor c : Colours) {
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(Size, Size);
    b.Canvas()->Brush()->SetColor(c);
    b.Canvas()->FillRect(TRect{0, 0, Size, Size});
    list->Add(&b, nullptr);
  }
  return list;
}

TEST_F(NavBarTest, TabsAndIconsShowTheirPagesImages) {
  MakeBar(201, 400, {"a", "b"}, 1, 1);
  pages[0]->SetImageIndex(1);
  pages[1]->SetImageIndex(0);
  // Large images: on the tab at left + 5, centred in its height.
  bar->SetImages(SolidImages(form, 24, {TColor(0x0000FF), TColor(0x00FF00)}));
  Snap(bar);
  const TRect t = bar->TabRect(1);
  const int top = t.Top + (t.Height() - 24) / 2;
  EXPECT_EQ(At(t.Left + 5, top), 0xFF0000u);
  EXPECT_EQ(At(t.Left + 28, top + 23), 0xFF0000u);
  EXPECT_NE(At(t.Left + 29, top + 12), 0xFF0000u);
  // ... and, not being 16 x 16, squeezed into the icon at left + 4, top + 8.
  const TRect i = bar->IconRect(0);
  EXPECT_EQ(At(i.Left + 4, i.Top + 8), 0x00FF00u);
  EXPECT_EQ(At(i.Left + 19, i.Top + 23), 0x00FF00u);
  EXPECT_NE(At(i.Left + 20, i.Top + 23), 0x00FF00u);
  // Small images take the icons' place.
  bar->SetSmallImages(SolidImages(form, 16, {TColor(0xFF0000), TColor(0x00FFFF)}));
  Snap(bar);
  EXPECT_EQ(At(i.Left + 4, i.Top + 8), 0xFFFF00u);
  EXPECT_EQ(At(i.Left + 19, i.Top + 23), 0xFFFF00u);
  // An image list going away is dropped.
  bar->SmallImages()->Free();
  EXPECT_EQ(bar->SmallImages(), nullptr);
  Snap(bar);
}

}  // namespace

namespace {

TEST_F(NavBarTest, TabsOnTopMirrorTheLayout) {
  MakeBar(100, 300, {"a", "b"}, 2, 0, esOffice2003Silver,
          [](TUxNavBar* b) { b->SetDefaultTabPosition(tpTop); });
  EXPECT_EQ(bar->IconRowRect(), (TRect{0, 1, 100, 33}));
  EXPECT_EQ(bar->TabRect(0), (TRect{0, 32, 100, 65}));
  EXPECT_EQ(bar->TabRect(1), (TRect{0, 64, 100, 97}));
  EXPECT_EQ(bar->SplitterLine(), 100);
  EXPECT_EQ(bar->SplitterRect(), (TRect{1, 97, 99, 103}));
  EXPECT_EQ(bar->CaptionRect(), (TRect{1, 104, 99, 131}));
  EXPECT_EQ(bar->ClientRect(), (TRect{1, 130, 99, 299}));
  EXPECT_EQ(pages[0]->BoundsRect(), bar->ClientRect());
  bar->SetDefaultTabPosition(tpBottom);
  EXPECT_EQ(pages[0]->BoundsRect(), ExpectedNavBar(100, 300, 2, 2).Page);
}

}  // namespace
