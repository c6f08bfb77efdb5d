// The navigation bar under injected input: the splitter, tabs, icons, the
// scroll and popup buttons; and the splitter's rules.
#include "tests/panels/NavBarTestSupport.h"
#include "ui/TScreen.h"

namespace {

TEST_F(NavBarTest, DraggingTheSplitterFoldsTabsIntoTheIconRowAndBack) {
  MakeBar(201, 500, {"a", "b", "c"}, 3, 0);
  std::vector<std::pair<int, int>> moves;
  bar->OnSplitterMove = [&](TObject*, int32_t o, int32_t n) { moves.push_back({o, n}); };
  const int S = bar->SplitterLine();
  EXPECT_EQ(S, ExpectedNavBar(201, 500, 3, 3).S);
  // Entering the band shows the size cursor and holds the mouse.
  MoveTo(bar, 100, S);
  EXPECT_EQ(Screen->Cursor(), crSizeNS);
  EXPECT_EQ(GetCaptureControl(), bar);
  // Less than a tab: nothing.
  Drag({100, S}, {{100, S + 20}});
  EXPECT_EQ(bar->SplitterPosition(), 3);
  EXPECT_TRUE(moves.empty());
  EXPECT_NE(GetCaptureControl(), bar) << "released with the button";
  // 64 pixels towards the icon row: two tabs fold.
  Drag({100, S}, {{100, S + 64}});
  EXPECT_EQ(bar->SplitterPosition(), 1);
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0], (std::pair<int, int>{3, 1}));
  EXPECT_EQ(bar->LastVisibleIcon(), 1);
  EXPECT_EQ(bar->FirstVisibleIcon(), 0);
  const int S1 = bar->SplitterLine();
  EXPECT_EQ(S1, ExpectedNavBar(201, 500, 3, 1).S);
  EXPECT_EQ(pages[0]->BoundsRect(), ExpectedNavBar(201, 500, 3, 1).Page);
  // And back up, one tab at a time as the pointer passes each.
  Drag({100, S1}, {{100, S1 - 40}, {100, S1 - 80}});
  EXPECT_EQ(bar->SplitterPosition(), 3);
  EXPECT_EQ(bar->LastVisibleIcon(), -1);
  EXPECT_EQ(Screen->Cursor(), crDefault);
}

TEST_F(NavBarTest, ClickingATabOrAnIconActivatesItsPage) {
  MakeBar(201, 500, {"a", "b", "c"}, 1, 2);
  // Pages 0 and 1 are icons, page 2 a large tab.
  const TRect icon0 = bar->IconRect(0);
  Click(bar, (icon0.Left + icon0.Right) / 2, icon0.Top + 10);
  EXPECT_EQ(bar->ActiveTabIndex(), 0);
  EXPECT_TRUE(pages[0]->Visible());
  const TRect tab2 = bar->TabRect(2);
  Click(bar, 50, tab2.Top + 10);
  EXPECT_EQ(bar->ActiveTabIndex(), 2);
  // The page's hint shows over its icon; leaving restores the bar's own.
  pages[1]->SetHint("the second page");
  bar->SetHint("");
  const TRect icon1 = bar->IconRect(1);
  MoveTo(bar, icon1.Left + 5, icon1.Top + 10);
  EXPECT_EQ(bar->Hint(), "the second page");
  MoveTo(bar, 100, 100);
  EXPECT_EQ(bar->Hint(), "");
}

TEST_F(NavBarTest, ThePopupButtonCallsItsHandlerAndChangesNothingElse) {
  MakeBar(201, 400, {"a", "b"}, 2, 0);
  int clicks = 0;
  bar->OnPopupMenuClick = [&](TObject*) { ++clicks; };
  const TRect p = bar->PopupButtonRect();
  Click(bar, p.Left + 10, p.Top + 10);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(bar->ActiveTabIndex(), 0);
  EXPECT_EQ(bar->SplitterPosition(), 2);
}

TEST_F(NavBarTest, ScrollButtonsAppearWhenIconsDoNotFit) {
  // Five icons, three fit: the scroller shows, the margin becomes 21 and
  // one icon fits between the buttons.
  MakeBar(100, 300, {"a", "b", "c", "d", "e"}, 0, 0);
  EXPECT_TRUE(bar->Scroller().Visible());
  EXPECT_EQ(bar->IconMargin(), 21);
  EXPECT_EQ(bar->Scroller().Max(), 4);
  EXPECT_EQ(bar->LastVisibleIcon(), 4);
  EXPECT_EQ(bar->FirstVisibleIcon(), 4);
  EXPECT_TRUE(bar->Scroller().CanGoForward()) << "the back button is enabled";
  EXPECT_FALSE(bar->Scroller().CanGoBack()) << "the forward button is not";
  const TRect back = bar->BackButtonRect();
  for (int i = 0; i < 5; ++i) Click(bar, back.Left + 5, back.Top + 10);
  EXPECT_EQ(bar->Scroller().Position(), 4) << "stops at the end";
  EXPECT_EQ(bar->LastVisibleIcon(), 0);
  const TRect fwd = bar->ForwardButtonRect();
  Click(bar, fwd.Left + 5, fwd.Top + 10);
  EXPECT_EQ(bar->Scroller().Position(), 3);
  // Wider: everything fits again and the scroller goes.
  bar->SetWidth(201);
  EXPECT_FALSE(bar->Scroller().Visible());
  EXPECT_EQ(bar->IconMargin(), 1);
}

TEST_F(NavBarTest, MovingTheSplitterTestsRoomForEveryTab) {
  // 180 high: from no large tab there is room for one (S = 144 >= 124),
  // not for a second (S = 112).
  MakeBar(201, 180, {"a", "b", "c"}, 0, 0);
  EXPECT_EQ(bar->SplitterPosition(), 0);
  EXPECT_EQ(bar->MoveSplitter(-3), 1);
  EXPECT_EQ(bar->SplitterPosition(), 1);
  EXPECT_GE(bar->ClientRect().Height(), bar->MinClientHeight());
  EXPECT_EQ(bar->MoveSplitter(0), 0);
  EXPECT_EQ(bar->MoveSplitter(5), 1);
  EXPECT_EQ(bar->SplitterPosition(), 0);
  EXPECT_EQ(bar->MoveSplitter(1), 0) << "no tab left to fold";
}

TEST_F(NavBarTest, SplitterPositionRules) {
  MakeBar(201, 600, {"a", "b", "c"}, 9, 0);
  EXPECT_EQ(bar->SplitterPosition(), 3) << "set while loading, applied at its end, at most the page count";
  std::vector<std::pair<int, int>> moves;
  bar->OnSplitterMove = [&](TObject*, int32_t o, int32_t n) { moves.push_back({o, n}); };
  bar->SetSplitterPosition(-1);
  EXPECT_EQ(bar->SplitterPosition(), 3);
  bar->SetSplitterPosition(1);
  EXPECT_EQ(bar->SplitterPosition(), 1);
  bar->SetSplitterPosition(7);
  EXPECT_EQ(bar->SplitterPosition(), 3);
  EXPECT_EQ(moves, (std::vector<std::pair<int, int>>{{3, 1}, {1, 3}}));
  // A higher least page height grows the bar.
  bar->SetMinClientHeight(bar->ClientRect().Height() + 10);
  EXPECT_EQ(bar->Height(), 610);
}

TEST_F(NavBarTest, AShrinkingBarFoldsOneTabPerSizeChangeAndUnfoldsAsItGrows) {
  MakeBar(201, 400, {"a", "b", "c"}, 3, 0);
  // Page area: S - 30 with S = H - 100 - 4... shrink until it is below 60.
  std::vector<int> positions;
  for (int h = 400; h >= 160; h -= 10) {
    bar->SetHeight(h);
    positions.push_back(bar->SplitterPosition());
    if (bar->SplitterPosition() > 0 || h < 200) {
      EXPECT_TRUE(bar->ClientRect().Height() >= 60 || bar->SplitterPosition() < 3) << h;
    }
  }
  EXPECT_LT(bar->SplitterPosition(), 3);
  // Each size change folds at most one tab.
  for (size_t i = 1; i < positions.size(); ++i) EXPECT_GE(positions[i], positions[i - 1] - 1);
  // Growing unfolds again, up to where folding started.
  for (int h = 160; h <= 700; h += 10) bar->SetHeight(h);
  EXPECT_EQ(bar->SplitterPosition(), 3);
}

}  // namespace
