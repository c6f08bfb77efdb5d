#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "toolbar/TDKCustomItem.h"
#include "ui/TAction.h"

namespace {

struct TNotice {
  TDKCustomItem* Changed;
  bool Relayed;
  TDKCustomItem* Item;
  int32_t Index;
  TDKChildAction Action;
};

struct TRecorder {
  std::vector<TNotice> Notices;
  static void Proc(void* Data, TDKCustomItem* Changed, bool Relayed, TDKCustomItem* Item, int32_t Index,
                   TDKChildAction Action) {
    static_cast<TRecorder*>(Data)->Notices.push_back(TNotice{Changed, Relayed, Item, Index, Action});
  }
  std::vector<TDKChildAction> Actions() const {
    std::vector<TDKChildAction> r;
    for (const TNotice& n : Notices) r.push_back(n.Action);
    return r;
  }
  int32_t Depth() const {  // begin/end balance
    int32_t d = 0;
    for (const TNotice& n : Notices) d += n.Action == dkcaBeginUpdate ? 1 : n.Action == dkcaEndUpdate ? -1 : 0;
    return d;
  }
};

class ItemTreeTest : public ::testing::Test {
 protected:
  void SetUp() override { owner = std::make_unique<TComponent>(nullptr); }
  TDKCustomItem* Make(const std::string& caption = "") {
    auto* i = new TDKCustomItem(owner.get());
    i->SetCaption(caption);
    return i;
  }
  TDKCustomItem* RootWith(int n) {
    TDKCustomItem* root = Make("root");
    for (int i = 0; i < n; ++i) root->Add(Make("c" + std::to_string(i)));
    return root;
  }
  std::unique_ptr<TComponent> owner;
};

}  // namespace

TEST_F(ItemTreeTest, InsertDeleteAndIndexErrors) {
  TDKCustomItem* root = Make();
  TRecorder rec;
  root->RegisterListener(&TRecorder::Proc, &rec);
  TDKCustomItem* a = Make("a");
  root->Add(a);
  EXPECT_EQ(rec.Actions(), (std::vector<TDKChildAction>{dkcaBeginUpdate, dkcaInserted, dkcaEndUpdate}));
  EXPECT_EQ(rec.Notices[1].Item, a);
  EXPECT_EQ(a->Parent(), root);
  EXPECT_THROW(root->Add(a), EDKItemError);
  try {
    root->Insert(2, Make());
    FAIL();
  } catch (const EDKItemError& e) {
    EXPECT_STREQ(e.what(), "Toolbar item index out of range");
  }
  EXPECT_THROW(root->GetItem(1), EDKItemError);
  rec.Notices.clear();
  root->Delete(0);
  ASSERT_EQ(rec.Actions(), (std::vector<TDKChildAction>{dkcaDeleting}));
  EXPECT_EQ(a->Parent(), nullptr);
  EXPECT_EQ(root->ChildCount(), 0);
  root->UnregisterListener(&TRecorder::Proc, &rec);
}

TEST_F(ItemTreeTest, MoveValidatesFirstAndNeverLeavesViewsLocked) {
  TDKCustomItem* root = RootWith(5);
  TDKCustomItem* first = root->GetItem(0);
  TRecorder rec;
  root->RegisterListener(&TRecorder::Proc, &rec);
  root->Move(2, 2);
  EXPECT_TRUE(rec.Notices.empty());
  EXPECT_THROW(root->Move(0, 5), EDKItemError);
  EXPECT_THROW(root->Move(7, 1), EDKItemError);
  EXPECT_EQ(rec.Depth(), 0);
  EXPECT_TRUE(rec.Notices.empty());
  EXPECT_EQ(root->GetItem(0), first);
  root->Move(0, 4);
  EXPECT_EQ(root->GetItem(4), first);
  EXPECT_EQ(rec.Depth(), 0);
  root->UnregisterListener(&TRecorder::Proc, &rec);
}

TEST_F(ItemTreeTest, ListenerUnregisteringItselfDoesNotMakeTheNextOneMissTheNotice) {
  TDKCustomItem* root = Make();
  struct TSelfRemover {
    TDKCustomItem* Root;
    int Calls = 0;
    static void Proc(void* d, TDKCustomItem*, bool, TDKCustomItem*, int32_t, TDKChildAction) {
      auto* self = static_cast<TSelfRemover*>(d);
      ++self->Calls;
      self->Root->UnregisterListener(&TSelfRemover::Proc, self);
    }
  } remover{root};
  TRecorder rec;
  root->RegisterListener(&TSelfRemover::Proc, &remover);
  root->RegisterListener(&TRecorder::Proc, &rec);
  root->Add(Make());
  EXPECT_EQ(remover.Calls, 1);
  EXPECT_EQ(rec.Notices.size(), 3u);
  root->UnregisterListener(&TRecorder::Proc, &rec);
}

TEST_F(ItemTreeTest, PropertyChangesRepaintOrRelayout) {
  TDKCustomItem* root = RootWith(3);
  TDKCustomItem* b = root->GetItem(1);
  TRecorder rec;
  root->RegisterListener(&TRecorder::Proc, &rec);
  struct Step {
    std::function<void()> Change;
    std::vector<TDKChildAction> Expected;
  } steps[] = {
      {[&] { b->SetEnabled(false); }, {dkcaRepaint}},
      {[&] { b->SetEnabled(false); }, {}},
      {[&] { b->SetImageIndex(3); }, {dkcaRelayout}},  // -1 -> 3 adds an image
      {[&] { b->SetImageIndex(5); }, {dkcaRepaint}},   // 3 -> 5
      {[&] { b->SetImageIndex(-1); }, {dkcaRelayout}},
      {[&] { b->SetCaption("B"); }, {dkcaRelayout}},
      {[&] { b->SetVisible(false); }, {dkcaRelayout}},
      {[&] { b->SetChecked(true); }, {dkcaRepaint}},
      {[&] { b->SetHint("hint"); }, {}},
  };
  for (auto& s : steps) {
    rec.Notices.clear();
    s.Change();
    EXPECT_EQ(rec.Actions(), s.Expected);
    for (const TNotice& n : rec.Notices) {
      EXPECT_EQ(n.Item, b);
      EXPECT_EQ(n.Index, 1);
    }
  }
  root->UnregisterListener(&TRecorder::Proc, &rec);
}

TEST_F(ItemTreeTest, RadioGroupsAndAutoCheck) {
  TDKCustomItem* root = RootWith(4);
  for (int i = 0; i < 3; ++i) root->GetItem(i)->SetGroupIndex(1);
  root->GetItem(0)->SetChecked(true);
  root->GetItem(1)->SetChecked(true);
  root->GetItem(3)->SetChecked(true);  // group 0: independent
  root->GetItem(2)->SetChecked(true);
  EXPECT_FALSE(root->GetItem(0)->Checked());
  EXPECT_FALSE(root->GetItem(1)->Checked());
  EXPECT_TRUE(root->GetItem(2)->Checked());
  EXPECT_TRUE(root->GetItem(3)->Checked());

  TDKCustomItem* toggle = Make("t");
  toggle->SetAutoCheck(true);
  int clicks = 0;
  toggle->OnClick = [&](TObject*) { ++clicks; };
  toggle->Click();
  EXPECT_TRUE(toggle->Checked());
  toggle->SetEnabled(false);
  toggle->Click();
  EXPECT_TRUE(toggle->Checked());
  EXPECT_EQ(clicks, 1);
}

TEST_F(ItemTreeTest, OwnOnClickWinsOverTheActionsExecute) {
  auto* action = new TAction(owner.get());
  action->SetCaption("Act");
  int executed = 0, clicked = 0;
  action->OnExecute = [&](TObject*) { ++executed; };
  TDKCustomItem* item = Make();
  item->SetAction(action);
  EXPECT_EQ(item->Caption(), "Act");
  item->Click();
  EXPECT_EQ(executed, 1);
  item->OnClick = [&](TObject*) { ++clicked; };
  item->Click();
  EXPECT_EQ(clicked, 1);
  EXPECT_EQ(executed, 1);
  action->SetEnabled(false);
  EXPECT_FALSE(item->Enabled());
  action->Free();
  EXPECT_EQ(item->Action(), nullptr);
}

TEST_F(ItemTreeTest, OptionsAreInheritedAndNormalised) {
  TDKCustomItem* root = RootWith(1);
  TDKCustomItem* child = root->GetItem(0);
  root->SetOptions(dkoBit(dkoImageAboveCaption) | dkoBit(dkoDefault) | dkoBit(dkoToolbarSize));
  // Toolbar size needs toolbar style; the default mark is not inherited.
  EXPECT_EQ(root->ResolvedOptions(), dkoBit(dkoImageAboveCaption) | dkoBit(dkoDefault));
  EXPECT_EQ(child->ResolvedOptions(), dkoBit(dkoImageAboveCaption));
  child->SetMaskOptions(dkoBit(dkoImageAboveCaption));
  EXPECT_EQ(child->ResolvedOptions(), 0);
  child->SetMaskOptions(0);
  child->SetInheritOptions(false);
  EXPECT_EQ(child->ResolvedOptions(), 0);
}

TEST_F(ItemTreeTest, ShortCutTextAndLinkedShortcutSearch) {
  TDKCustomItem* item = Make("Open\tCtrl+Shift+O");
  EXPECT_EQ(item->GetShortCutText(), "Ctrl+Shift+O");
  item->SetCaption("Open");
  item->SetShortCut(ShortCut('O', TShiftState{ssCtrl}));
  EXPECT_EQ(item->GetShortCutText(), "Ctrl+O");

  // root > menu (links to shared) ; shared > sub > target (three levels down).
  TDKCustomItem* root = Make("root");
  TDKCustomItem* menu = Make("menu");
  TDKCustomItem* shared = Make("shared");
  TDKCustomItem* sub = Make("sub");
  TDKCustomItem* target = Make("target");
  root->Add(menu);
  menu->SetLinkSubitems(shared);
  shared->Add(sub);
  sub->Add(target);
  TShortCut key = ShortCut('K', TShiftState{ssCtrl});
  target->SetShortCut(key);
  std::vector<std::string> popups;
  for (TDKCustomItem* i : {menu, shared, sub})
    i->OnBeforePopup = [&popups](TDKCustomItem* Sender, bool FromLink) {
      popups.push_back(Sender->Caption() + (FromLink ? "+link" : ""));
    };
  int clicks = 0;
  target->OnClick = [&](TObject*) { ++clicks; };
  TDKCustomItem* top = nullptr;
  EXPECT_EQ(TDKCustomItem::FindByShortCut(root, key, top), target);
  EXPECT_EQ(top, menu);
  EXPECT_TRUE(TDKCustomItem::IsShortCut(root, key));
  EXPECT_EQ(clicks, 1);
  // The linked menu learns of its popup from the linking item first.
  EXPECT_EQ(popups, (std::vector<std::string>{"menu+link", "menu", "sub"}));
  EXPECT_FALSE(TDKCustomItem::IsShortCut(root, ShortCut('Q', TShiftState{ssCtrl})));
}

TEST_F(ItemTreeTest, LinksBackToAnAncestorEndTheShortcutSearch) {
  TDKCustomItem* root = Make("root");
  TDKCustomItem* a = Make("a");
  TDKCustomItem* b = Make("b");
  root->Add(a);
  root->Add(b);
  a->SetLinkSubitems(root);  // a shows the root's children, a among them
  b->SetLinkSubitems(root);
  TDKCustomItem* top = nullptr;
  EXPECT_EQ(TDKCustomItem::FindByShortCut(root, ShortCut('Z', TShiftState{ssCtrl}), top), nullptr);
  EXPECT_FALSE(TDKCustomItem::IsShortCut(root, ShortCut('Z', TShiftState{ssCtrl})));
}

TEST_F(ItemTreeTest, DisabledBranchStopsTheShortcut) {
  TDKCustomItem* root = RootWith(1);
  TDKCustomItem* menu = root->GetItem(0);
  TDKCustomItem* leaf = Make("leaf");
  menu->Add(leaf);
  TShortCut key = ShortCut(VK_F5, TShiftState{});
  leaf->SetShortCut(key);
  int clicks = 0;
  leaf->OnClick = [&](TObject*) { ++clicks; };
  menu->SetEnabled(false);
  EXPECT_FALSE(TDKCustomItem::IsShortCut(root, key));
  menu->SetEnabled(true);
  leaf->SetEnabled(false);
  EXPECT_FALSE(TDKCustomItem::IsShortCut(root, key));
  EXPECT_EQ(clicks, 0);
}

TEST_F(ItemTreeTest, SeparatorsAndControlItemsCarryTheirStyle) {
  TDKSeparatorItem sep(nullptr);
  EXPECT_TRUE(sep.HasStyle(dksfSeparator));
  EXPECT_TRUE(sep.HasStyle(dksfPassClicks));
  EXPECT_FALSE(sep.HasStyle(dksfSelectable));
  TDKControlItem ci(nullptr);
  EXPECT_FALSE(ci.HasStyle(dksfSelectable));
  EXPECT_TRUE(ci.HasStyle(dksfPassClicks));
  TDKCustomItem plain(nullptr);
  EXPECT_EQ(plain.StyleFlags(), dksfSelectable | dksfRedrawOnSelect | dksfRedrawOnHover);
}

TEST_F(ItemTreeTest, FreeingAnItemFreesItsChildrenAndLeavesItsParent) {
  TDKCustomItem* root = RootWith(2);
  TDKCustomItem* child = root->GetItem(0);
  child->Add(Make("grandchild"));
  TRecorder rec;
  root->RegisterListener(&TRecorder::Proc, &rec);
  child->Free();
  EXPECT_EQ(root->ChildCount(), 1);
  EXPECT_EQ(rec.Actions(), (std::vector<TDKChildAction>{dkcaDeleting}));
  root->UnregisterListener(&TRecorder::Proc, &rec);
}

TEST_F(ItemTreeTest, AListenerRemovingAnotherDuringTheNoticeIsSafe) {
  TDKCustomItem* root = Make();
  TRecorder second, third;
  struct TRemover {
    TDKCustomItem* Root;
    TRecorder* Victim;
    static void Proc(void* d, TDKCustomItem*, bool, TDKCustomItem*, int32_t, TDKChildAction) {
      auto* self = static_cast<TRemover*>(d);
      if (self->Victim) self->Root->UnregisterListener(&TRecorder::Proc, self->Victim);
      self->Victim = nullptr;
    }
  } remover{root, &second};
  root->RegisterListener(&TRemover::Proc, &remover);
  root->RegisterListener(&TRecorder::Proc, &second);
  root->RegisterListener(&TRecorder::Proc, &third);
  root->NotifyListeners(dkcaRefresh, -1, nullptr);
  EXPECT_TRUE(second.Notices.empty());  // gone before its turn
  EXPECT_EQ(third.Notices.size(), 1u);  // not skipped
  root->UnregisterListener(&TRecorder::Proc, &third);
  root->UnregisterListener(&TRemover::Proc, &remover);
}

// Each property of an item follows its action only while the item still
// shows the action's value; the linked tests say exactly that, and copying
// the action brings every one of them over.
TEST_F(ItemTreeTest, TheActionLinkLinksAPropertyOnlyWhileItsValueIsTheActions) {
  auto* action = new TAction(owner.get());
  action->SetCaption("&Open");
  action->SetHint("Open|Opens a file");
  action->SetHelpContext(42);
  action->SetShortCut(ShortCut('O', TShiftState{ssCtrl}));
  action->SetAutoCheck(true);
  action->SetImageIndex(3);
  TDKCustomItem* item = Make();
  item->SetAction(action);
  EXPECT_EQ(item->HelpContext(), 42);
  EXPECT_EQ(item->ShortCut(), ShortCut('O', TShiftState{ssCtrl}));
  EXPECT_TRUE(item->AutoCheck());

  TDKCustomItemActionLink link(item);
  link.SetAction(action);
  struct TRow {
    const char* Name;
    std::function<bool()> Linked;
    std::function<void()> Diverge;  // the item takes a value of its own
    std::function<void()> Rejoin;   // and the action's again
  };
  const std::vector<TRow> rows = {
      {"HelpContext", [&] { return link.IsHelpContextLinked(); }, [&] { item->SetHelpContext(7); },
       [&] { item->SetHelpContext(42); }},
      {"ShortCut", [&] { return link.IsShortCutLinked(); }, [&] { item->SetShortCut(ShortCut('P', TShiftState{ssCtrl})); },
       [&] { item->SetShortCut(ShortCut('O', TShiftState{ssCtrl})); }},
      {"AutoCheck", [&] { return link.IsAutoCheckLinked(); }, [&] { item->SetAutoCheck(false); },
       [&] { item->SetAutoCheck(true); }},
      {"Caption", [&] { return link.IsCaptionLinked(); }, [&] { item->SetCaption("Other"); },
       [&] { item->SetCaption("&Open"); }},
      {"Hint", [&] { return link.IsHintLinked(); }, [&] { item->SetHint("Other"); },
       [&] { item->SetHint("Open|Opens a file"); }},
      {"ImageIndex", [&] { return link.IsImageIndexLinked(); }, [&] { item->SetImageIndex(5); },
       [&] { item->SetImageIndex(3); }},
  };
  for (const TRow& r : rows) {
    EXPECT_TRUE(r.Linked()) << r.Name;
    r.Diverge();
    EXPECT_FALSE(r.Linked()) << r.Name << " of the item's own is not linked";
    r.Rejoin();
    EXPECT_TRUE(r.Linked()) << r.Name;
  }
  // A change of the action reaches a linked property at once.
  action->SetShortCut(ShortCut(VK_F5, TShiftState{}));
  action->SetHelpContext(43);
  EXPECT_EQ(item->ShortCut(), ShortCut(VK_F5, TShiftState{}));
  EXPECT_EQ(item->HelpContext(), 43);
  // An action without caption, shortcut and the rest links none of them.
  auto* basic = new TBasicAction(owner.get());
  link.SetAction(basic);
  for (const TRow& r : rows) EXPECT_FALSE(r.Linked()) << r.Name << " of a basic action";
  link.SetAction(nullptr);
  action->Free();
  basic->Free();
}

// Copying an action that is still being loaded fills only what the item
// left at its defaults.
TEST_F(ItemTreeTest, LoadingCopiesHelpContextAndShortCutOnlyOverDefaults) {
  auto* action = new TAction(owner.get());
  action->SetHelpContext(5);
  action->SetShortCut(ShortCut('S', TShiftState{ssCtrl}));
  TDKCustomItem* own = Make();
  own->SetHelpContext(9);
  own->SetShortCut(ShortCut(VK_F2, TShiftState{}));
  own->ActionChange(action, /*CheckDefaults=*/true);
  EXPECT_EQ(own->HelpContext(), 9);
  EXPECT_EQ(own->ShortCut(), ShortCut(VK_F2, TShiftState{}));
  TDKCustomItem* plain = Make();
  plain->ActionChange(action, /*CheckDefaults=*/true);
  EXPECT_EQ(plain->HelpContext(), 5);
  EXPECT_EQ(plain->ShortCut(), ShortCut('S', TShiftState{ssCtrl}));
  action->Free();
}
