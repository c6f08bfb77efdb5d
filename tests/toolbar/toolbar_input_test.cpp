// The themed toolbar driven as a user drives it: pointer moves and keys
// through the platform's input, checked by what the window shows (its
// pixels, the hint window) and by which buttons were clicked.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/Backend.h"
#include "tests/toolbar/ThemeTestSupport.h"
#include "toolbar/TTBKDock.h"
#include "toolbar/TTBKItem.h"
#include "toolbar/TTBKToolbar.h"
#include "ui/THintWindow.h"
#include "ui/ShortCut.h"
#include "ui/TEdit.h"
#include "ui/TAction.h"

namespace {

// A form with a themed dock holding a themed toolbar of four buttons, the
// third disabled, as the main window has them; below it a control that
// takes the focus but no characters, as the image view.
class ToolbarInputTest : public ThemeTest {
 protected:
  class TFocusBox : public TCustomControl {
   public:
    using TCustomControl::TCustomControl;
  };

  void SetUp() override {
    ThemeTest::SetUp();
    form = new TForm(Application);
    form->SetBounds(100, 100, 500, 300);
    dock = new TTBKDock(form);
    dock->SetParent(form);
    bar = new TTBKToolbar(form);
    bar->SetCaption("Bar");
    bar->SetShowHint(true);
    const char* captions[] = {"Clear", "Open", "Full", "Options"};
    const char* hints[] = {"Clear image", "Load image", "", "Settings"};
    for (int i = 0; i < 4; ++i) {
      auto* it = new TTBKItem(form);
      it->SetCaption(captions[i]);
      it->SetHint(hints[i]);
      it->OnClick = [this, i](TObject*) { clicks.push_back(i); };
      bar->Items()->Add(it);
      items.push_back(it);
    }
    items[2]->SetEnabled(false);
    bar->SetCurrentDock(dock);
    box = new TFocusBox(form);
    box->SetParent(form);
    box->SetBounds(0, 120, 300, 100);
    box->SetTabStop(true);
    form->Show();
    Pump();
  }

  // Screen point in the middle of an item, and the item's pixels.
  TPoint CentreOf(TDKCustomItem* It) {
    TRect r = bar->ItemRect(It);
    return bar->ClientToScreen(TPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2});
  }
  std::vector<uint32_t> PixelsOf(TDKCustomItem* It) {
    Surface s = CopyWindowPixels(bar->Handle());
    TRect r = bar->ItemRect(It);
    TPoint o = bar->ClientToScreen(TPoint{0, 0});
    TRect wr;
    GetWindowRect(bar->Handle(), wr);
    std::vector<uint32_t> px;
    for (int32_t y = r.Top; y < r.Bottom; ++y)
      for (int32_t x = r.Left; x < r.Right; ++x) px.push_back(s.At(o.X - wr.Left + x, o.Y - wr.Top + y) & 0xFFFFFF);
    return px;
  }
  static int Differing(const std::vector<uint32_t>& A, const std::vector<uint32_t>& B) {
    int n = 0;
    for (size_t i = 0; i < std::min(A.size(), B.size()); ++i) n += A[i] != B[i];
    return n + int(std::max(A.size(), B.size()) - std::min(A.size(), B.size()));
  }
  std::vector<std::vector<uint32_t>> AllPixels() {
    std::vector<std::vector<uint32_t>> all;
    for (TDKCustomItem* it : items) all.push_back(PixelsOf(it));
    return all;
  }
  void MoveTo(TPoint P) {
    InjectMouseMove(P);
    Pump();
  }
  bool HintShowing() { return Application->HintWindow() && Application->HintWindow()->IsHintShowing(); }
  std::string HintText() { return HintShowing() ? Application->HintWindow()->Caption() : std::string(); }
  void Wait(DWORD Ms) {
    HeadlessAdvanceClock(Ms);
    Pump();
  }

  TForm* form = nullptr;
  TTBKDock* dock = nullptr;
  TTBKToolbar* bar = nullptr;
  TFocusBox* box = nullptr;
  std::vector<TTBKItem*> items;
  std::vector<int> clicks;
};

TEST_F(ToolbarInputTest, OnlyTheButtonUnderThePointerIsHotAndNoneAfterItLeaves) {
  const auto resting = AllPixels();
  for (size_t k = 0; k < items.size(); ++k) {
    MoveTo(CentreOf(items[k]));
    const auto now = AllPixels();
    for (size_t i = 0; i < items.size(); ++i) {
      // A disabled button shows no frame under the pointer either.
      const bool hot = i == k && items[i]->Enabled();
      if (hot)
        EXPECT_GT(Differing(now[i], resting[i]), 0) << "button " << i << " under the pointer is hot";
      else
        EXPECT_EQ(Differing(now[i], resting[i]), 0) << "button " << i << " with the pointer on " << k;
    }
  }
  // Off the toolbar, down into the form: nothing stays highlighted.
  MoveTo(box->ClientToScreen(TPoint{50, 50}));
  const auto after = AllPixels();
  for (size_t i = 0; i < items.size(); ++i)
    EXPECT_EQ(Differing(after[i], resting[i]), 0) << "button " << i << " after the pointer left";
}

TEST_F(ToolbarInputTest, HintsShowOnTheFirstHoverAndAgainAfterTimingOut) {
  MoveTo(CentreOf(items[0]));
  Wait(Application->HintPause() + 1);
  EXPECT_EQ(HintText(), "Clear image") << "the first hover shows its hint";
  // Straight on to the next button: its hint after the short pause.
  MoveTo(CentreOf(items[1]));
  Wait(Application->HintShortPause() + 1);
  EXPECT_EQ(HintText(), "Load image");
  // The hint times out; the next button still shows its own.
  Wait(Application->HintHidePause() + 1);
  EXPECT_FALSE(HintShowing());
  MoveTo(CentreOf(items[3]));
  Wait(Application->HintPause() + 1);
  EXPECT_EQ(HintText(), "Settings");
  // A button without a hint of its own shows its caption (the disabled
  // one here); leaving the toolbar ends the hint.
  MoveTo(CentreOf(items[2]));
  Wait(Application->HintPause() + 1);
  EXPECT_EQ(HintText(), "Full");
  MoveTo(box->ClientToScreen(TPoint{50, 50}));
  EXPECT_FALSE(HintShowing());
}

TEST_F(ToolbarInputTest, PlainLettersStayWithTheFocusedControlAndAltLettersClick) {
  box->SetFocus();
  Pump();
  ASSERT_EQ(Screen->ActiveControl(), box);
  for (int32_t vk : {'C', 'O', 'F'}) {
    InjectKey(vk, true);
    InjectKey(vk, false);
    Pump();
  }
  EXPECT_TRUE(clicks.empty()) << "a plain letter clicked button " << clicks.front();
  InjectKey(VK_MENU, true);
  InjectKey('O', true);
  InjectKey('O', false);
  InjectKey(VK_MENU, false);
  Pump();
  EXPECT_EQ(clicks, std::vector<int>{1});
}

TEST_F(ToolbarInputTest, TheChevronsPopupShowsTheHintOfTheButtonUnderThePointer) {
  bar->SetFullSize(true);
  form->SetWidth(140);
  Pump();
  TDKView* view = bar->View();
  view->EnsureLayout();
  TDKItemViewer* chevron = view->ViewerOfItem(bar->Chevron());
  ASSERT_TRUE(chevron->Shown);
  // The first enabled button that went into the chevron, and its hint.
  TTBKItem* hidden = nullptr;
  for (TTBKItem* it : items)
    if (!hidden && it->Enabled() && view->ViewerOfItem(it)->OffEdge) hidden = it;
  ASSERT_NE(hidden, nullptr);
  const TRect cr = chevron->BoundsRect;
  const TPoint at = bar->ClientToScreen(TPoint{(cr.Left + cr.Right) / 2, (cr.Top + cr.Bottom) / 2});
  std::string shown;
  RunMenuSteps({[&] {
                  TDKView* popup = view->OpenViewerView();
                  ASSERT_NE(popup, nullptr);
                  popup->EnsureLayout();
                  TDKItemViewer* v = nullptr;
                  for (int32_t i = 0; i < popup->ViewerCount(); ++i)
                    if (popup->Viewers(i)->Item() == hidden && popup->Viewers(i)->Shown) v = popup->Viewers(i);
                  ASSERT_NE(v, nullptr);
                  const TRect r = v->BoundsRect;
                  InjectMouseMove(popup->Window()->ClientToScreen(TPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2}));
                },
                [&] { HeadlessAdvanceClock(DWORD(Application->HintPause() + 1)); },
                [&] {
                  shown = HintText();
                  InjectKey(VK_ESCAPE, true);
                  InjectKey(VK_ESCAPE, false);
                }},
               [&] {
                 InjectMouseMove(at);
                 InjectMouseButton(VK_LBUTTON, true);
                 InjectMouseButton(VK_LBUTTON, false);
                 Pump();
               });
  EXPECT_EQ(shown, hidden->Hint());
}

// A button that stands for an action shows the hint as the action's hint
// hook makes it, with the action's shortcut, and the shortcut typed on the
// keyboard runs the action.
TEST_F(ToolbarInputTest, AnActionsHintHookAndShortCutReachItsButton) {
  auto* rotate = new TAction(form);
  rotate->SetCaption("Rotate");
  rotate->SetHint("Turn|Turns the picture");
  rotate->SetShortCut(ShortCut('K', TShiftState{ssCtrl}));
  int executed = 0;
  rotate->OnExecute = [&](TObject*) { ++executed; };
  rotate->OnHint = [](std::string& Hint, bool&) { Hint += " right"; };
  auto* hidden = new TAction(form);
  hidden->SetCaption("Quiet");
  hidden->OnHint = [](std::string&, bool& CanShow) { CanShow = false; };
  items[0]->SetAction(rotate);
  items[1]->SetAction(hidden);
  bar->SetProcessShortCuts(true);
  Pump();

  struct TCase {
    int Item;
    bool ShortCutsInHints;
    const char* Shown;
  };
  const TCase cases[] = {
      {0, true, "Turn right (Ctrl+K)"},
      {0, false, "Turn right"},
      {1, true, ""},  // the hook keeps the caption's hint from showing
  };
  for (const TCase& c : cases) {
    Application->SetHintShortCuts(c.ShortCutsInHints);
    MoveTo(box->ClientToScreen(TPoint{50, 50}));
    Wait(Application->HintHidePause() + 1);
    MoveTo(CentreOf(items[size_t(c.Item)]));
    Wait(Application->HintPause() + 1);
    EXPECT_EQ(HintText(), c.Shown) << "button " << c.Item;
  }
  Application->SetHintShortCuts(true);

  box->SetFocus();
  Pump();
  InjectKey(VK_CONTROL, true);
  InjectKey('K', true);
  InjectKey('K', false);
  InjectKey(VK_CONTROL, false);
  Pump();
  EXPECT_EQ(executed, 1);
  EXPECT_TRUE(clicks.empty()) << "the action's own callback runs, not the button's";
}

// The program's idle update asks each button's action whether it may run;
// a toolbar with UpdateActions off leaves its buttons' actions alone.
TEST_F(ToolbarInputTest, TheIdleUpdateReachesTheButtonsActionsWhileUpdateActionsIsSet) {
  for (bool update : {true, false}) {
    auto* save = new TAction(form);
    save->SetCaption("Save");
    int updates = 0, executed = 0;
    save->OnUpdate = [&](TObject*) {
      ++updates;
      save->SetEnabled(false);  // nothing to save yet
    };
    save->OnExecute = [&](TObject*) { ++executed; };
    items[0]->SetAction(save);
    bar->SetUpdateActions(update);
    Pump();  // the idle update runs once the queue is empty
    RunModalSteps({[] {}}, [] { Application->HandleMessage(); });
    EXPECT_EQ(updates > 0, update) << "UpdateActions " << update;
    EXPECT_EQ(items[0]->Enabled(), !update);
    // A press on the button runs the action only while it is enabled.
    MoveTo(CentreOf(items[0]));
    InjectMouseButton(VK_LBUTTON, true);
    InjectMouseButton(VK_LBUTTON, false);
    Pump();
    EXPECT_EQ(executed, update ? 0 : 1) << "UpdateActions " << update;
    items[0]->SetAction(nullptr);
    save->Free();
  }
}

// A control put on the toolbar becomes one of its items and shows at its
// place; while it has no room (it went into the chevron) the Tab key passes
// it by, and it is back in the tab order once the toolbar is wide again.
TEST_F(ToolbarInputTest, AHostedControlIsAnItemAndLeavesTheTabOrderWhileInTheChevron) {
  bar->SetChevronPriorityForNewItems(dkcpLowest);  // the first to go when room runs out
  auto* edit = new TEdit(form);
  edit->SetBounds(0, 0, 60, 20);
  edit->SetParent(bar);
  ASSERT_EQ(bar->Items()->ChildCount(), 5);
  auto* hosted = dynamic_cast<TDKControlItem*>(bar->Items()->GetItem(4));
  ASSERT_NE(hosted, nullptr);
  EXPECT_EQ(hosted->Control(), edit);
  bar->SetFullSize(true);
  Pump();
  EXPECT_EQ(edit->BoundsRect(), bar->View()->ViewerOfItem(hosted)->BoundsRect);

  struct TCase {
    int32_t FormWidth;
    bool OffEdge;
  };
  for (const TCase& c : {TCase{500, false}, TCase{140, true}, TCase{500, false}}) {
    form->SetWidth(c.FormWidth);
    Pump();
    bar->View()->EnsureLayout();
    ASSERT_EQ(bar->View()->ViewerOfItem(hosted)->OffEdge, c.OffEdge) << "form width " << c.FormWidth;
    box->SetFocus();
    Pump();
    InjectKey(VK_TAB, true);
    InjectKey(VK_TAB, false);
    Pump();
    EXPECT_EQ(Screen->ActiveControl(), c.OffEdge ? static_cast<TWinControl*>(box) : edit)
        << "form width " << c.FormWidth;
  }
  // The control leaves the toolbar: its item goes, the control stays.
  edit->SetParent(form);
  EXPECT_EQ(bar->Items()->ChildCount(), 4);
  EXPECT_EQ(edit->Parent(), form);
}

// A right click on the docked toolbar's frame (its drag handle, its
// border) asks for the toolbar's context menu at that point.
TEST_F(ToolbarInputTest, ARightClickOnTheDockedFrameAsksForTheContextMenu) {
  std::vector<TPoint> asked;
  bar->OnContextPopup = [&](TObject* Sender, TPoint At, bool& Handled) {
    EXPECT_EQ(Sender, bar);
    asked.push_back(At);
    Handled = true;
  };
  TRect wr;
  GetWindowRect(bar->Handle(), wr);
  const TPoint frame[] = {
      {wr.Left + 5, (wr.Top + wr.Bottom) / 2},  // the drag handle
      {(wr.Left + wr.Right) / 2, wr.Bottom - 1},  // the bottom border
  };
  for (const TPoint& at : frame) {
    asked.clear();
    MoveTo(at);
    InjectMouseButton(VK_RBUTTON, true);
    InjectMouseButton(VK_RBUTTON, false);
    Pump();
    ASSERT_EQ(asked.size(), 1u) << at.X << "," << at.Y;
    EXPECT_EQ(asked[0], bar->ScreenToClient(at));
  }
}

}  // namespace
