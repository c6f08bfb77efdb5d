// Panel groups arrange their caption panels in columns or a row and scroll
// them; stylers fill shared settings from presets and apply them to the
// panels that name them.

#include <gtest/gtest.h>

#include "panels/TUxPanelGroup.h"
#include "panels/TUxPanelStyler.h"
#include "tests/panels/PanelsTestSupport.h"
#include "ui/TScrollBar.h"

namespace {

class PanelGroup : public PanelsTest {
 protected:
  TUxPanelGroup* Group(int32_t W, int32_t H) {
    auto* g = new TUxPanelGroup(form);
    g->SetParent(host);
    g->SetBounds(0, 0, W, H);
    return g;
  }
  TUxPanel* Member(TUxPanelGroup* g, int32_t Top, int32_t Height, int32_t Left = 0, int32_t Width = 50) {
    auto* p = new TUxPanel(form);
    p->SetBounds(Left, Top, Width, Height);
    p->SetParent(g);
    return p;
  }
};

TEST_F(PanelGroup, ThreePanelsInTwoColumns) {
  TUxPanelGroup* g = Group(300, 400);
  TUxPanel* a = Member(g, 0, 40);
  TUxPanel* b = Member(g, 1, 60);
  TUxPanel* c = Member(g, 2, 30);
  g->SetColumns(2);
  EXPECT_FALSE(g->ScrollBar()->Visible());
  const int32_t w = (300 - 2 * 8) / 2;
  EXPECT_EQ(a->BoundsRect(), (TRect{8, 8, 8 + w, 48}));
  EXPECT_EQ(b->BoundsRect(), (TRect{(300 - 8) / 2 + 8, 8, (300 - 8) / 2 + 8 + w, 68}));
  EXPECT_EQ(c->Top(), 8 + 60 + 8) << "a row advances by the height of its last panel";
  EXPECT_EQ(c->Left(), 8);
  // A hidden panel keeps its slot but does not advance the rows.
  b->SetVisible(false);
  g->ArrangeControls();
  EXPECT_EQ(c->Top(), 8);
  EXPECT_EQ(g->Columns(), 2);
  g->SetColumns(0);
  EXPECT_EQ(g->Columns(), 2) << "non-positive columns are ignored";
}

TEST_F(PanelGroup, ScrollBarFollowsTheStyleAndTheContent) {
  TUxPanelGroup* g = Group(200, 100);
  Member(g, 0, 60);
  Member(g, 70, 60);
  g->UpdateGroup();
  EXPECT_TRUE(g->ScrollBar()->Visible()) << "8 + 68 + 68 is more than 100";
  EXPECT_EQ(g->ScrollBar()->Max(), 144);
  EXPECT_EQ(g->ScrollBar()->Align(), alRight);
  g->SetGroupStyle(gsHorizontal);
  EXPECT_EQ(g->ScrollBar()->Kind(), sbHorizontal);
  EXPECT_EQ(g->ScrollBar()->Align(), alBottom);
  g->SetGroupStyle(gsVertical);
  EXPECT_EQ(g->ScrollBar()->Kind(), sbVertical);
  EXPECT_EQ(g->ScrollBar()->Align(), alRight);
  // Scrolling moves the panels up.
  g->UpdateGroup();
  g->ScrollBar()->SetPosition(30);
  TUxPanel* first = static_cast<TUxPanel*>(form->Components(form->ComponentCount() - 2));
  EXPECT_EQ(first->Top(), 8 - 30);
}

TEST_F(PanelGroup, HorizontalRow) {
  TUxPanelGroup* g = Group(400, 120);
  TUxPanel* a = Member(g, 0, 10, 0, 100);
  TUxPanel* b = Member(g, 0, 10, 5, 80);
  g->SetGroupStyle(gsHorizontal);
  EXPECT_EQ(a->BoundsRect(), (TRect{8, 8, 108, 112}));
  EXPECT_EQ(b->BoundsRect(), (TRect{116, 8, 196, 112}));
}

TEST_F(PanelGroup, MetalStylerDressesItsPanels) {
  auto* styler = new TUxPanelStyler(form);
  auto* p = new TUxPanel(form);
  p->SetParent(host);
  auto* other = new TUxPanel(form);
  other->SetParent(host);
  p->SetStyler(styler);
  int changes = 0;
  styler->Settings()->OnChange = [&](TObject*) { ++changes; };
  styler->SetStyle(psMetal);
  EXPECT_EQ(changes, 1) << "one announcement for the whole preset";
  styler->Settings()->OnChange = nullptr;
  // The announcement went to the test: apply as the styler would.
  ApplyPanelSettings(p, styler->Settings());
  EXPECT_EQ(p->Color(), clWhite);
  EXPECT_EQ(p->ColorTo(), TColor(0xE4E4E4));
  EXPECT_EQ(p->Caption()->ShadeType(), stRMetal);
  EXPECT_EQ(p->Caption()->Color(), clWhite);
  EXPECT_EQ(p->Caption()->Font()->Name(), "Tahoma");
  EXPECT_EQ(p->Caption()->Font()->Color(), clBlack);
  EXPECT_EQ(p->BorderColor(), TColor(0x808080));
  EXPECT_TRUE(p->BorderShadow());
  EXPECT_EQ(other->Caption()->ShadeType(), stNormal) << "a panel without the styler keeps its look";
}

TEST_F(PanelGroup, StylerAppliesSettingChangesToItsPanels) {
  auto* styler = new TUxPanelStyler(form);
  auto* p = new TUxPanel(form);
  p->SetParent(host);
  p->SetStyler(styler);
  EXPECT_TRUE(p->Caption()->Visible()) << "the XP preset of a new styler";
  EXPECT_EQ(p->Caption()->ColorTo(), clBlue);
  styler->SetStyle(psClassic);
  EXPECT_FALSE(p->Caption()->Visible());
  EXPECT_EQ(p->BevelOuter(), bvRaised);
  styler->Settings()->SetCollapsSteps(3);
  EXPECT_EQ(p->CollapsSteps(), 3);
  styler->Free();
  EXPECT_EQ(p->Styler(), nullptr);
}

TEST_F(PanelGroup, SettingsCopyACaptionInsteadOfKeepingIt) {
  TUxPanelSettings s;
  int changes = 0;
  s.OnChange = [&](TObject*) { ++changes; };
  {
    TPanelCaption foreign;
    foreign.SetColor(clRed);
    foreign.SetText("words");
    s.SetCaption(&foreign);
    EXPECT_NE(s.Caption(), &foreign);
  }
  EXPECT_EQ(s.Caption()->Color(), clRed) << "still readable after the given caption went";
  EXPECT_EQ(s.Caption()->Text(), "words");
  EXPECT_EQ(changes, 1);
  s.BeginUpdate();
  s.SetIndent(4);
  s.SetTopIndent(2);
  EXPECT_EQ(changes, 1);
  s.EndUpdate();
  EXPECT_EQ(changes, 2);
}

}  // namespace
