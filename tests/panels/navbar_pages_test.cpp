// Pages of the navigation bar: joining by page index, placement, painting,
// sections, activation and removal.
#include "rtl/Exception.h"
#include "tests/panels/NavBarTestSupport.h"

namespace {

TEST_F(NavBarTest, PagesJoinByPageIndexAndTakeTheBarsTextColour) {
  MakeBarOf(201, 400, {{"c", 2}, {"a", 0}, {"b1", 1}, {"b2", 1}}, 4, 1, esOffice2003Silver,
            [](TUxNavBar* b) { b->SetDefaultTextColor(TColor(0x0000C0)); });
  ASSERT_EQ(bar->PanelCount(), 4);
  EXPECT_EQ(bar->Panels(0)->Caption(), "a");
  EXPECT_EQ(bar->Panels(1)->Caption(), "b1") << "of equal indexes the one that waited first";
  EXPECT_EQ(bar->Panels(2)->Caption(), "b2");
  EXPECT_EQ(bar->Panels(3)->Caption(), "c");
  EXPECT_EQ(bar->ActivePanel(), bar->Panels(1));
  EXPECT_EQ(pages[0]->TextColor(), TColor(0x0000C0)) << "a black text colour takes the bar's";
  EXPECT_EQ(pages[0]->NavBar(), bar);
  // The page's caption is its own, the panel's text stays empty.
  EXPECT_EQ(static_cast<TControl*>(pages[0])->Caption(), "");
  // Running, the page index no longer changes anything.
  pages[0]->SetPanelIndex(0);
  EXPECT_EQ(pages[0]->PanelIndex(), 2);
  EXPECT_EQ(bar->Panels(3), pages[0]);
  // After loading, attaching a new page changes no list.
  TUxNavBarPanel* extra = bar->CreatePanel();
  extra->SetNavBar(bar);
  EXPECT_EQ(bar->PanelCount(), 4);
  EXPECT_EQ(extra->Owner(), bar);
}

TEST_F(NavBarTest, PagesAlwaysFillThePageArea) {
  MakeBar(201, 400, {"a", "b"}, 2, 0);
  const TRect area = bar->ClientRect();
  pages[0]->SetBounds(10, 10, 50, 50);
  EXPECT_EQ(pages[0]->BoundsRect(), area);
  bar->SetHeight(450);
  EXPECT_EQ(pages[1]->BoundsRect(), bar->ClientRect());
  EXPECT_EQ(bar->ClientRect().Bottom, area.Bottom + 50);
  // An unattached page keeps its size changes without complaint, and
  // says so only when asked to take its place.
  auto* loose = new TUxNavBarPanel(form);
  EXPECT_NO_THROW(loose->SetBounds(0, 0, 80, 90));
  EXPECT_EQ(loose->Width(), 80);
  try {
    loose->UpdatePosition();
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "No UxNavBar is assigned.");
  }
}

TEST_F(NavBarTest, PageBackgroundsAndSections) {
  MakeBar(201, 400, {"a"}, 1, 0, esOffice2003Silver);
  TUxNavBarPanel* p = pages[0];
  const int w = p->Width();
  Snap(p);
  EXPECT_EQ(At(0, 0), 0xFFFFFFu);
  EXPECT_EQ(At(w - 1, p->Height() - 1), 0xFFFFFFu);
  // gdVertical runs from left to right over 128 bands.
  p->SetColor(TColor(0x000000));
  p->SetColorTo(TColor(0xFFFFFF));
  Snap(p);
  for (int x = 0; x < w; x += 3) ASSERT_EQ(At(x, 50), NavBarGradientAt(0, 0xFFFFFF, 128, w, x)) << x;
  EXPECT_EQ(At(0, 10), At(0, 200)) << "the same down a column";
  p->SetGradientDirection(gdHorizontal);
  Snap(p);
  const int h = p->Height();
  for (int y = 0; y < h; y += 3) ASSERT_EQ(At(20, y), NavBarGradientAt(0, 0xFFFFFF, 128, h, y)) << y;
  // Sections: a 16-row band, a border line under it, a line on top.
  p->SetColorTo(clNone);
  p->SetColor(clWhite);
  p->Sections()->Add()->SetCaption("");
  p->Sections()->Add()->SetHeight(30);
  p->Sections()->Items(0)->SetHeight(40);
  Snap(p);
  const uint32_t from = RgbOf(0xF7F3F3), to = RgbOf(0xE6D8D8), border = RgbOf(0x947C7C);
  for (int y0 : {0, 40}) {
    EXPECT_EQ(At(100, y0), to) << "the top line in the section's second colour";
    for (int y = y0 + 1; y < y0 + 16; ++y) ASSERT_EQ(At(100, y), NavBarGradientAt(from, to, 16, 16, y - y0)) << y;
    EXPECT_EQ(At(100, y0 + 16), border);
    EXPECT_EQ(At(100, y0 + 17), 0xFFFFFFu);
  }
  EXPECT_EQ(At(100, 70), 0xFFFFFFu);
  EXPECT_EQ(p->Sections()->Items(1)->Height(), 30);
  EXPECT_EQ(p->Sections()->Add()->Height(), 48);
}

TEST_F(NavBarTest, EnablingAPageEnablesItsControls) {
  MakeBar(201, 400, {"a"}, 1, 0);
  auto* child = new TPanel(form);
  child->SetParent(pages[0]);
  pages[0]->SetEnabled(false);
  EXPECT_FALSE(pages[0]->Enabled());
  EXPECT_FALSE(child->Enabled());
  pages[0]->SetEnabled(true);
  EXPECT_TRUE(child->Enabled());
}

TEST_F(NavBarTest, ActivationAsksFirstAndTellsAfter) {
  MakeBar(201, 400, {"a", "b", "c"}, 3, -1);
  EXPECT_EQ(bar->ActivePanel(), nullptr);
  std::vector<std::pair<int, int>> asked;
  bool allow = true;
  int changes = 0;
  bar->OnPanelActivate = [&](TObject*, int32_t o, int32_t n, bool& a) {
    asked.push_back({o, n});
    a = allow;
  };
  bar->OnChange = [&](TObject*) { ++changes; };
  bar->SetActiveTabIndex(1);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0], (std::pair<int, int>{-1, 1})) << "no page active: the old index is -1";
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(pages[1]->Visible());
  // Refused: nothing moves.
  allow = false;
  bar->SetActiveTabIndex(2);
  EXPECT_EQ(bar->ActiveTabIndex(), 1);
  EXPECT_FALSE(pages[2]->Visible());
  EXPECT_EQ(changes, 1);
  allow = true;
  // The same index or one past the pages: nothing at all.
  bar->SetActiveTabIndex(1);
  bar->SetActiveTabIndex(3);
  EXPECT_EQ(asked.size(), 2u);
  bar->SetActiveTabIndex(2);
  EXPECT_FALSE(pages[1]->Visible()) << "the old page is hidden";
  EXPECT_TRUE(pages[2]->Visible());
  // By page object: the old page is left as it is.
  bar->SetActivePanel(pages[0]);
  EXPECT_EQ(bar->ActiveTabIndex(), 0);
  EXPECT_TRUE(pages[2]->Visible());
  auto* stranger = new TUxNavBarPanel(form);
  try {
    bar->SetActivePanel(stranger);
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Invalid UxNavBarPanel");
  }
  EXPECT_EQ(bar->ActiveTabIndex(), 0);
  // A negative index leaves no page active, without asking.
  const size_t before = asked.size();
  bar->SetActiveTabIndex(-1);
  EXPECT_EQ(bar->ActivePanel(), nullptr);
  EXPECT_EQ(asked.size(), before);
}

TEST_F(NavBarTest, RemovingPages) {
  MakeBar(201, 500, {"a", "b", "c", "d"}, 4, 2);
  // Not the active one: the active page keeps its place under a new index.
  bar->RemovePanel(pages[0]);
  EXPECT_EQ(bar->PanelCount(), 3);
  EXPECT_EQ(pages[0]->NavBar(), nullptr);
  EXPECT_EQ(bar->ActivePanel(), pages[2]);
  EXPECT_EQ(bar->ActiveTabIndex(), 1);
  EXPECT_EQ(bar->SplitterPosition(), 3) << "one tab folded into the icon row";
  // The active one: its successor takes over.
  bar->RemovePanel(pages[2]);
  EXPECT_EQ(bar->ActivePanel(), pages[3]);
  EXPECT_EQ(bar->ActiveTabIndex(), 1);
  // The handler refuses the successor: no page is active rather than the
  // one that left.
  bar->OnPanelActivate = [](TObject*, int32_t, int32_t, bool& a) { a = false; };
  pages[3]->Free();
  EXPECT_EQ(bar->PanelCount(), 1);
  EXPECT_EQ(bar->ActivePanel(), nullptr);
  EXPECT_EQ(bar->ActiveTabIndex(), -1);
  EXPECT_EQ(bar->Panels(0), pages[1]);
  Snap(bar);  // paints without the freed page
}

}  // namespace
