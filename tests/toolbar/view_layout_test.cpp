#include <string>
#include <vector>

#include "platform/Text.h"
#include "tests/toolbar/ToolbarTestSupport.h"
#include "toolbar/DKCommon.h"
#include "ui/TCanvas.h"
#include "ui/TImageList.h"

namespace {

// One entry of a toolbar: an item of the given main extent, a separator
// ('|'), or a hidden item ('h').
struct TEntry {
  char Kind;  // 'i' item, '|' separator, 'h' hidden item
  int32_t Width;
};

class ViewLayoutTest : public ToolbarTest {
 protected:
  TDKCustomItem* Build(const std::vector<TEntry>& entries, int32_t height = 20) {
    root = new TDKRootItem(Application);
    for (const TEntry& e : entries) {
      if (e.Kind == '|') {
        root->Add(new TDKSeparatorItem(Application));
      } else {
        auto* it = new TSizedItem(Application, e.Width, height);
        it->SetVisible(e.Kind != 'h');
        root->Add(it);
      }
    }
    bar = new THostBar(Application, root);
    bar->SetBounds(0, 0, 400, 40);
    return root;
  }
  // The shown viewers as "x,y,w,h" with separators marked.
  std::vector<std::string> Layout() {
    bar->View->EnsureLayout();
    std::vector<std::string> out;
    for (int32_t i = 0; i < bar->View->ViewerCount(); ++i) {
      TDKItemViewer* v = bar->View->Viewers(i);
      if (!v->Shown) continue;
      const TRect& r = v->BoundsRect;
      out.push_back(std::string(v->IsSeparatorViewer() ? "|" : "") + std::to_string(r.Left) + "," +
                    std::to_string(r.Top) + "," + std::to_string(r.Width()) + "," + std::to_string(r.Height()));
    }
    return out;
  }
  TDKCustomItem* root = nullptr;
  THostBar* bar = nullptr;
};

using S = std::vector<std::string>;

}  // namespace

TEST_F(ViewLayoutTest, LeadingDoubledAndTrailingSeparatorsAreHidden) {
  Build({{'|', 0}, {'i', 30}, {'|', 0}, {'|', 0}, {'i', 40}, {'|', 0}});
  EXPECT_EQ(Layout(), (S{"0,0,30,20", "|30,0,6,20", "36,0,40,20"}));
}

TEST_F(ViewLayoutTest, HiddenItemsTakeNoRoomAndLeaveNoDoubledSeparator) {
  Build({{'i', 30}, {'|', 0}, {'h', 50}, {'|', 0}, {'i', 40}});
  EXPECT_EQ(Layout(), (S{"0,0,30,20", "|30,0,6,20", "36,0,40,20"}));
}

TEST_F(ViewLayoutTest, ItemsAreCentredInTheirRow) {
  root = new TDKRootItem(Application);
  root->Add(new TSizedItem(Application, 30, 20));
  root->Add(new TSizedItem(Application, 30, 30));
  root->Add(new TDKSeparatorItem(Application));
  root->Add(new TSizedItem(Application, 30, 11));
  bar = new THostBar(Application, root);
  // Separators stretch across the row, other items are centred (div 2).
  EXPECT_EQ(Layout(), (S{"0,5,30,20", "30,0,30,30", "|60,0,6,30", "66,9,30,11"}));
  EXPECT_EQ(bar->View->NaturalSize().cx, 96);
  EXPECT_EQ(bar->View->NaturalSize().cy, 30);
}

TEST_F(ViewLayoutTest, WrappingBreaksAtSeparatorsIntoBands) {
  struct Case {
    std::vector<TEntry> Entries;
    S Expected;
    int32_t Lines;
  } cases[] = {
      // The group after the separator (80) does not fit after it (46 + 80 > 100),
      // although the next item alone would.
      {{{'i', 40}, {'|', 0}, {'i', 40}, {'i', 40}}, {"0,0,40,20", "|0,20,100,6", "0,26,40,20", "40,26,40,20"}, 2},
      {{{'i', 40}, {'i', 40}, {'|', 0}, {'i', 40}, {'i', 40}},
       {"0,0,40,20", "40,0,40,20", "|0,20,100,6", "0,26,40,20", "40,26,40,20"},
       2},
      // Without separators items wrap for lack of room.
      {{{'i', 40}, {'i', 40}, {'i', 40}}, {"0,0,40,20", "40,0,40,20", "0,20,40,20"}, 2},
      // Everything fits: one line.
      {{{'i', 30}, {'|', 0}, {'i', 30}}, {"0,0,30,20", "|30,0,6,20", "36,0,30,20"}, 1},
  };
  for (const Case& c : cases) {
    Build(c.Entries);
    bar->View->SetWrapLimit(100);
    EXPECT_EQ(Layout(), c.Expected);
    int32_t lines = 0;
    TSize total{0, 0}, natural{0, 0};
    bar->View->ComputeLayout(false, vorHorizontal, lines, total, natural, 0, 0, 100);
    EXPECT_EQ(lines, c.Lines);
    if (c.Lines > 1) { EXPECT_EQ(total.cx, 100); }
    bar->Free();
    root->Free();
  }
}

namespace {
// A toolbar view with a chevron item at its end.
class TChevronView : public TDKView {
 public:
  using TDKView::TDKView;
  TDKCustomItem* Chevron = nullptr;
  TDKCustomItem* GetChevron() override { return Chevron; }
};
}  // namespace

TEST_F(ViewLayoutTest, ChevronTakesTheLowestPriorityItemsFirst) {
  root = new TDKRootItem(Application);
  std::vector<TDKCustomItem*> items;
  for (int i = 0; i < 4; ++i) {
    items.push_back(new TSizedItem(Application, 40, 20));
    root->Add(items.back());
    if (i == 1) root->Add(new TDKSeparatorItem(Application));
  }
  auto* chevronItem = new TSizedItem(Application, 12, 20);
  auto* host = new TCustomControl(Application);
  auto* view2 = new TChevronView(host, nullptr, root, host, true, false, true);
  // The chevron is known once the view exists, so its viewers are built again.
  view2->Chevron = chevronItem;
  view2->RebuildViewers();
  view2->SetChevronExtent(12);
  // 40 40 | 40 40 = 166; the limit of 100 leaves 88 for items.
  view2->SetChevronLimit(100);
  view2->Relayout();
  std::vector<bool> shown;
  for (int32_t i = 0; i < view2->ViewerCount(); ++i) shown.push_back(view2->Viewers(i)->Shown);
  // Items 3 and 4 go off edge, then the separator left at the end.
  EXPECT_EQ(shown, (std::vector<bool>{true, true, false, false, false, true}));
  EXPECT_TRUE(view2->Viewers(3)->OffEdge);
  EXPECT_TRUE(view2->Viewers(4)->OffEdge);
  EXPECT_EQ(view2->Viewers(5)->BoundsRect, (TRect{88, 0, 100, 20}));
  EXPECT_TRUE(chevronItem->Enabled());
  // Giving the last item priority moves it back and the second goes instead.
  view2->PromoteViewer(view2->Viewers(4));
  EXPECT_TRUE(view2->Viewers(4)->Shown);
  EXPECT_TRUE(view2->Viewers(1)->OffEdge);
  // A tiny limit still keeps two items.
  view2->SetChevronLimit(20);
  view2->Relayout();
  int32_t kept = 0;
  for (int32_t i = 0; i < view2->ViewerCount() - 1; ++i)
    kept += (view2->Viewers(i)->Shown && !view2->Viewers(i)->IsSeparatorViewer()) ? 1 : 0;
  EXPECT_EQ(kept, 2);
}

TEST_F(ViewLayoutTest, AnEmptyToolbarHasANaturalSizeOf23By22) {
  Build({});
  bar->View->EnsureLayout();
  EXPECT_EQ(bar->View->NaturalSize(), (TSize{23, 22}));
}

TEST_F(ViewLayoutTest, ATallPopupScrollsBetweenItsArrowBands) {
  root = new TDKRootItem(Application);
  for (int i = 0; i < 25; ++i) root->Add(new TSizedItem(Application, 80, 20));
  bar = new THostBar(Application, root, /*IsToolbar=*/false);
  TDKView* v = bar->View;
  v->SetHeightLimit(300);
  v->Relayout();
  EXPECT_FALSE(v->ShowUpArrow());
  EXPECT_TRUE(v->ShowDownArrow());
  // Items under the down band (from 281) are clipped: 0..260 show, 280.. do not.
  EXPECT_TRUE(v->Viewers(13)->Shown);
  EXPECT_FALSE(v->Viewers(14)->Shown);
  EXPECT_TRUE(v->Viewers(14)->Clipped);
  v->SetScrollOffset(1000);
  v->Relayout();
  EXPECT_EQ(v->ScrollOffset(), 200);
  EXPECT_TRUE(v->ShowUpArrow());
  EXPECT_FALSE(v->ShowDownArrow());
  EXPECT_FALSE(v->Viewers(10)->Shown);  // top 0 after the offset: under the up band
  EXPECT_TRUE(v->Viewers(24)->Shown);
  // Menu items take the width of the widest.
  EXPECT_EQ(v->Viewers(24)->BoundsRect.Width(), 80);
}

TEST_F(ViewLayoutTest, EmbeddedGroupMembersFollowTheGroup) {
  root = new TDKRootItem(Application);
  auto* a = new TSizedItem(Application, 10, 10);
  auto* group = new TDKCustomItem(Application);
  group->SetStyleFlags(group->StyleFlags() | dksfEmbeddedGroup);
  auto* m1 = new TSizedItem(Application, 11, 10);
  group->Add(m1);
  auto* b = new TSizedItem(Application, 12, 10);
  root->Add(a);
  root->Add(group);
  root->Add(b);
  bar = new THostBar(Application, root);
  auto items = [&] {
    std::vector<TDKCustomItem*> r;
    for (int32_t i = 0; i < bar->View->ViewerCount(); ++i) r.push_back(bar->View->Viewers(i)->Item());
    return r;
  };
  EXPECT_EQ(items(), (std::vector<TDKCustomItem*>{a, group, m1, b}));
  auto* m2 = new TSizedItem(Application, 13, 10);
  group->Add(m2);
  EXPECT_EQ(items(), (std::vector<TDKCustomItem*>{a, group, m1, m2, b}));
  EXPECT_EQ(Layout(), (S{"0,0,10,10", "10,0,11,10", "21,0,13,10", "34,0,12,10"}));
  root->Remove(group);
  EXPECT_EQ(items(), (std::vector<TDKCustomItem*>{a, b}));
}

TEST_F(ViewLayoutTest, EnablingAnItemRepaintsItWithoutMovingTheOthers) {
  Build({{'i', 30}, {'i', 40}, {'i', 50}});
  bar->Show();
  S before = Layout();
  root->GetItem(1)->SetEnabled(false);
  EXPECT_TRUE(bar->View->LayoutValid());
  EXPECT_EQ(Layout(), before);
  root->GetItem(1)->SetCaption("changed");
  EXPECT_EQ(Layout(), before);  // re-laid out, sizes fixed by the test item
}

// The main window's toolbar: nine items showing their glyph above the
// caption, with the separators of the program, in the 41-pixel top dock.
TEST_F(ViewLayoutTest, MainWindowToolbarOfNineItems) {
  auto* images = new TImageList(Application);
  images->SetSize(16, 16);
  root = new TDKRootItem(Application);
  root->SetOptions(dkoBit(dkoImageAboveCaption));
  const char* captions[] = {"Clear Image", "Open Image", "Save Image", "Save Encrypted", "|", "Full Screen",
                            "Rotate Left", "Rotate Right", "|", "Options", "|", "blank", "About"};
  for (const char* c : captions) {
    if (c[0] == '|' || std::string(c) == "blank") {
      auto* s = new TDKSeparatorItem(Application);
      s->SetBlank(std::string(c) == "blank");
      root->Add(s);
      continue;
    }
    auto* it = new TDKCustomItem(Application);
    it->SetCaption(c);
    it->SetImageIndex(0);
    it->SetImages(images);
    it->SetDisplayMode(nbdmImageAndText);
    root->Add(it);
  }
  bar = new THostBar(Application, root);
  bar->SetBounds(0, 0, 800, 41);
  // Known answers from the measuring rules: 6 + caption + 6 wide (at least
  // the glyph + 7), 6 + text height + glyph height high.
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, DKItemFont()->Handle());
  TEXTMETRIC tm{};
  GetTextMetrics(dc, &tm);
  int32_t x = 0, items = 0, seps = 0;
  const int32_t height = 6 + tm.tmHeight + 16;
  EXPECT_LE(height, 41);
  bar->View->EnsureLayout();
  for (int32_t i = 0; i < bar->View->ViewerCount(); ++i) {
    TDKItemViewer* v = bar->View->Viewers(i);
    SCOPED_TRACE(v->Item()->Caption());
    if (v->IsSeparatorViewer()) {
      // The blank separator right after a separator takes no room.
      auto* s = static_cast<TDKSeparatorItem*>(v->Item());
      if (s->Blank()) {
        EXPECT_FALSE(v->Shown);
        continue;
      }
      ASSERT_TRUE(v->Shown);
      EXPECT_EQ(v->BoundsRect, (TRect{x, 0, x + 6, height}));
      x += 6;
      ++seps;
      continue;
    }
    int32_t w = std::max(6 + MeasureTextWidth(dc, v->Item()->Caption(), true) + 6, 16 + 7);
    EXPECT_TRUE(v->ShowsCaption());
    EXPECT_TRUE(v->ShowsItemImage());
    EXPECT_EQ(v->BoundsRect, (TRect{x, 0, x + w, height}));
    x += w;
    ++items;
  }
  SelectObject(dc, old);
  DeleteDC(dc);
  EXPECT_EQ(items, 9);
  EXPECT_EQ(seps, 3);
  EXPECT_EQ(bar->View->NaturalSize(), (TSize{x, height}));
}

TEST_F(ViewLayoutTest, WhatAViewerShowsAndItsHint) {
  auto* images = new TImageList(Application);
  images->SetSize(16, 16);
  root = new TDKRootItem(Application);
  bar = new THostBar(Application, root);
  struct Case {
    TDKItemDisplayMode Mode;
    int32_t Image;
    const char* Caption;
    bool Above;
    bool Caption_, Image_;
  } cases[] = {
      {nbdmDefault, 3, "Open", false, false, true},  // a toolbar shows only the image
      {nbdmImageAndText, 3, "Open", false, true, true},
      {nbdmTextOnly, 3, "Open", false, true, false},
      {nbdmDefault, -1, "Open", false, true, false},
      {nbdmDefault, 3, "", true, true, true},  // image above caption: the caption shows even empty
      {nbdmTextOnlyInMenus, 3, "Open", false, false, true},
  };
  for (const Case& c : cases) {
    auto* it = new TDKCustomItem(Application);
    it->SetDisplayMode(c.Mode);
    it->SetImageIndex(c.Image);
    it->SetImages(images);
    it->SetCaption(c.Caption);
    if (c.Above) it->SetOptions(dkoBit(dkoImageAboveCaption));
    root->Add(it);
    TDKItemViewer* v = bar->View->ViewerOfItem(it);
    EXPECT_EQ(v->ShowsCaption(), c.Caption_) << int(c.Mode) << c.Caption;
    EXPECT_EQ(v->ShowsItemImage(), c.Image_) << int(c.Mode) << c.Caption;
  }
  struct HintCase {
    const char* Hint;
    const char* Caption;
    TShortCut Key;
    const char* Expected;
  } hints[] = {
      {"Short|Long", "X", 0, "Short"},
      {"Save", "X", ShortCut('S', TShiftState{ssCtrl}), "Save (Ctrl+S)"},
      {"", "&Open...", 0, "Open"},
      {"", "Name:\tF2", 0, "Name"},
  };
  for (const HintCase& h : hints) {
    auto* it = new TDKCustomItem(Application);
    it->SetHint(h.Hint);
    it->SetCaption(h.Caption);
    it->SetShortCut(h.Key);
    root->Add(it);
    EXPECT_EQ(bar->View->ViewerOfItem(it)->BuildHint(), h.Expected);
  }
  EXPECT_THROW(bar->View->ViewerOfItem(root), EDKItemError);
}

namespace {
// An item whose viewers are always of an old class: a layout that applies
// makes them again, a trial one measures with a stand-in of the new class.
class TRecreatedItem : public TSizedItem {
 public:
  using TSizedItem::TSizedItem;
  class TNewViewer : public TSizedItem::TViewer {
   public:
    using TViewer::TViewer;
    void MeasureItem(TCanvas* C, int32_t& Width, int32_t& Height) override {
      TViewer::MeasureItem(C, Width, Height);
      Width += 5;
    }
    bool WantsSameWidth() override { return true; }
  };
  bool ViewerNeedsRecreate(TDKItemViewer*) override { return true; }
  TDKItemViewerClass ViewerClassFor(TDKView*) override {
    return [](TDKView* v, TDKCustomItem* i, int32_t l) -> TDKItemViewer* { return new TNewViewer(v, i, l); };
  }
};
}  // namespace

TEST_F(ViewLayoutTest, ATrialLayoutMeasuresWithAStandInAndLeavesTheViewersAlone) {
  root = new TDKRootItem(Application);
  root->Add(new TSizedItem(Application, 30, 20));
  root->Add(new TRecreatedItem(Application, 40, 20));
  bar = new THostBar(Application, root, /*IsToolbar=*/false);
  TDKItemViewer* before = bar->View->Viewers(1);
  int32_t lines = 0;
  TSize total{0, 0}, natural{0, 0};
  bar->View->ComputeLayout(false, vorHorizontal, lines, total, natural, 0, 0, 0);
  EXPECT_EQ(bar->View->Viewers(1), before);
  // The stand-in measures 45 wide.
  EXPECT_EQ(natural, (TSize{75, 20}));
}
