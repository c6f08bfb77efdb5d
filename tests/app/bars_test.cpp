// The plain toolbar, status bar, navigation bar and check box the program's
// windows are built from, driven by the mouse through the real queue.
#include "tests/ui/FrameworkTestSupport.h"

#include "panels/TUxNavBar.h"
#include "toolbar/TTBKCheckBox.h"
#include "toolbar/TTBKDock.h"
#include "toolbar/TTBKItem.h"
#include "toolbar/TTBKStatusBar.h"
#include "toolbar/TTBKToolbar.h"

class BarsTest : public FrameworkTest {};

TEST_F(BarsTest, AToolbarItemRunsWhenEnabledAndClickedOnIt) {
  auto* form = new TForm(Application);
  form->SetBounds(0, 0, 400, 200);
  auto* dock = new TTBKDock(form);
  dock->SetParent(form);
  auto* bar = new TTBKToolbar(form);
  bar->SetCurrentDock(dock);
  bar->SetFullSize(true);
  auto* first = new TTBKItem(form);
  first->SetCaption("Open Image");
  first->SetLayout(tbklGlyphTop);
  auto* sep = new TTBKSeparatorItem(form);
  auto* second = new TTBKItem(form);
  second->SetCaption("Save Image");
  second->SetLayout(tbklGlyphTop);
  second->SetEnabled(false);
  int firstClicks = 0, secondClicks = 0;
  first->OnClick = [&](TObject*) { ++firstClicks; };
  second->OnClick = [&](TObject*) { ++secondClicks; };
  bar->Items()->Add(first);
  bar->Items()->Add(sep);
  bar->Items()->Add(second);
  form->Show();
  Pump();

  const TRect r1 = bar->ItemRect(first), r2 = bar->ItemRect(second), rs = bar->ItemRect(sep);
  EXPECT_LE(r1.Right, rs.Left);
  EXPECT_LE(rs.Right, r2.Left);
  Click(bar, (r1.Left + r1.Right) / 2, (r1.Top + r1.Bottom) / 2);
  EXPECT_EQ(firstClicks, 1);
  Click(bar, (r2.Left + r2.Right) / 2, (r2.Top + r2.Bottom) / 2);
  EXPECT_EQ(secondClicks, 0) << "a disabled item does not run";
  Click(bar, (rs.Left + rs.Right) / 2, (rs.Top + rs.Bottom) / 2);
  second->SetEnabled(true);
  Click(bar, (r2.Left + r2.Right) / 2, (r2.Top + r2.Bottom) / 2);
  EXPECT_EQ(secondClicks, 1);
  EXPECT_EQ(firstClicks, 1);
  // An item freed leaves the toolbar.
  first->Free();
  EXPECT_EQ(bar->Items()->ChildCount(), 2);
}

TEST_F(BarsTest, StatusPanelsSitSideBySide) {
  auto* form = new TForm(Application);
  form->SetBounds(0, 0, 400, 200);
  auto* status = new TTBKStatusBar(form);
  status->SetParent(form);
  for (int i = 0; i < 4; ++i) status->Panels()->Add()->SetSize(70);
  status->Panels()->PanelAt(1)->SetCaption("W: 640");
  form->Show();
  Pump();
  EXPECT_EQ(status->Align(), alBottom);
  EXPECT_EQ(status->Top() + status->Height(), form->ClientHeight());
  EXPECT_EQ(status->Panels()->PanelAt(2)->BoundsRect().Left, 140);
  EXPECT_EQ(status->Panels()->PanelAt(1)->Caption(), "W: 640");
}

TEST_F(BarsTest, ANavigationBarHeaderShowsItsPanel) {
  auto* form = new TForm(Application);
  form->SetBounds(0, 0, 400, 300);
  auto* nav = new TUxNavBar(form);
  nav->BeginLoading();
  nav->SetParent(form);
  nav->SetAlign(alLeft);
  nav->SetSplitterPosition(2);
  nav->SetActiveTabIndex(0);
  auto page = [&](const char* caption, int index) {
    auto* p = new TUxNavBarPanel(form);
    p->BeginLoading();
    p->SetParent(nav);
    p->SetCaption(caption);
    p->SetPanelIndex(index);
    p->SetVisible(index == 0);
    p->ReadState();
    p->EndLoading();
    return p;
  };
  auto* p1 = page("Browser", 0);
  auto* p2 = page("Password box", 1);
  nav->EndLoading();
  form->Show();
  Pump();
  EXPECT_EQ(nav->ActiveTabIndex(), 0);
  EXPECT_TRUE(p1->Visible());
  EXPECT_FALSE(p2->Visible());
  const TRect h = nav->TabRect(1);
  Click(nav, h.Left + 10, (h.Top + h.Bottom) / 2);
  EXPECT_EQ(nav->ActiveTabIndex(), 1);
  EXPECT_FALSE(p1->Visible());
  EXPECT_TRUE(p2->Visible());
  EXPECT_LE(p2->Top() + p2->Height(), h.Top) << "the panel lies above the headers";
}

TEST_F(BarsTest, ACheckBoxTogglesOnClickAndOnTheSpaceBar) {
  auto* form = new TForm(Application);
  form->SetBounds(0, 0, 300, 100);
  auto* box = new TTBKCheckBox(form);
  box->SetParent(form);
  box->SetCaption("Fit on window");
  int clicks = 0, changes = 0;
  box->OnClick = [&](TObject*) { ++clicks; };
  box->OnChange = [&](TObject*) { ++changes; };
  form->Show();
  Pump();
  Click(box, 5, 8);
  EXPECT_TRUE(box->Checked());
  box->SetFocus();
  Key(VK_SPACE);
  EXPECT_FALSE(box->Checked());
  box->SetChecked(false);
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(changes, 2) << "setting the same state runs nothing";
  box->SetChecked(true);
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(clicks, 2) << "a change from the program is no click";
}
