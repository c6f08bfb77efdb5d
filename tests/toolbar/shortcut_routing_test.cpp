// Toolbars that process shortcuts share one hook on the application's
// window: keys pressed anywhere on their form click the items with those
// shortcuts, and keyboard-menu commands reach the form's menu bars.
#include <vector>

#include "tests/toolbar/DockTestSupport.h"
#include "ui/ShortCut.h"

namespace {

class ShortCutRoutingTest : public DockFormTest {
 protected:
  void CtrlKey(uint16_t Key) {
    InjectKey(VK_CONTROL, true);
    InjectKey(Key, true);
    InjectKey(Key, false);
    InjectKey(VK_CONTROL, false);
    Pump();
  }
};

TEST_F(ShortCutRoutingTest, KeysOnTheFormClickItemsOfToolbarsThatProcessShortCuts) {
  TDKCustomToolbar* a = MakeToolbar("A", top, 2);
  TDKCustomToolbar* b = MakeToolbar("B", bottom, 1);
  int opened = 0, saved = 0, printed = 0;
  a->Items()->GetItem(0)->SetShortCut(ShortCut('O', TShiftState{ssCtrl}));
  a->Items()->GetItem(0)->OnClick = [&](TObject*) { ++opened; };
  a->Items()->GetItem(1)->SetShortCut(ShortCut('S', TShiftState{ssCtrl}));
  a->Items()->GetItem(1)->OnClick = [&](TObject*) { ++saved; };
  b->Items()->GetItem(0)->SetShortCut(ShortCut('P', TShiftState{ssCtrl}));
  b->Items()->GetItem(0)->OnClick = [&](TObject*) { ++printed; };
  SetForegroundWindow(form->Handle());
  Pump();

  CtrlKey('O');  // nobody processes shortcuts yet
  EXPECT_EQ(opened, 0);

  a->SetProcessShortCuts(true);
  b->SetProcessShortCuts(true);
  EXPECT_TRUE(a->ShortCutHookInstalled());
  CtrlKey('O');
  CtrlKey('P');
  EXPECT_EQ(opened, 1);
  EXPECT_EQ(printed, 1);

  // OnShortCut is asked first and may take the key from the items.
  std::vector<WPARAM> asked;
  a->OnShortCut = [&](TMessage& Msg, bool& Handled) {
    asked.push_back(Msg.WParam);
    Handled = Msg.WParam == 'S';
  };
  CtrlKey('S');
  EXPECT_EQ(saved, 0);
  CtrlKey('O');
  EXPECT_EQ(opened, 2);
  EXPECT_EQ(asked, (std::vector<WPARAM>{VK_CONTROL, 'S', VK_CONTROL, 'O'}));  // every key down is offered
  a->OnShortCut = nullptr;

  // A disabled item is not clicked, and neither are the items of a disabled form.
  a->Items()->GetItem(0)->SetEnabled(false);
  CtrlKey('O');
  EXPECT_EQ(opened, 2);
  EnableWindow(form->Handle(), false);
  CtrlKey('P');
  EXPECT_EQ(printed, 1);
  EnableWindow(form->Handle(), true);

  // The last toolbar to stop processing shortcuts takes the hook away.
  a->SetProcessShortCuts(false);
  CtrlKey('P');
  EXPECT_EQ(printed, 2);
  b->SetProcessShortCuts(false);
  EXPECT_FALSE(b->ShortCutHookInstalled());
  CtrlKey('P');
  EXPECT_EQ(printed, 2);

  // A toolbar that is freed leaves the routing.
  b->SetProcessShortCuts(true);
  b->Free();
  CtrlKey('P');
  EXPECT_EQ(printed, 2);
}

TEST_F(ShortCutRoutingTest, KeysGoToTheActiveFormsToolbarsOnly) {
  TDKCustomToolbar* a = MakeToolbar("A", top, 1);
  int opened = 0;
  a->Items()->GetItem(0)->SetShortCut(ShortCut('O', TShiftState{ssCtrl}));
  a->Items()->GetItem(0)->OnClick = [&](TObject*) { ++opened; };
  a->SetProcessShortCuts(true);
  auto* other = new TForm(Application);
  other->SetBounds(300, 300, 200, 100);
  other->Show();
  SetForegroundWindow(other->Handle());
  Pump();
  ASSERT_EQ(Screen->ActiveForm(), other);
  CtrlKey('O');  // the toolbar's form is neither active nor the main form
  EXPECT_EQ(opened, 0);
  SetForegroundWindow(form->Handle());
  Pump();
  CtrlKey('O');
  EXPECT_EQ(opened, 1);
  other->Free();
}

TEST_F(ShortCutRoutingTest, KeyboardMenuCommandOnTheFormReachesItsMenuBar) {
  TDKCustomToolbar* tb = MakeToolbar("Menu", top, 2);
  tb->Items()->GetItem(0)->SetCaption("&File");
  tb->Items()->GetItem(1)->SetCaption("&Help");
  int files = 0;
  tb->Items()->GetItem(0)->OnClick = [&](TObject*) { ++files; };
  tb->SetMenuBar(true);
  EXPECT_TRUE(tb->ShortCutHookInstalled());
  SetForegroundWindow(form->Handle());
  Pump();
  SendMessage(form->Handle(), WM_SYSCOMMAND, SC_KEYMENU, 'f');
  Pump();
  EXPECT_EQ(files, 1);
  tb->SetMenuBar(false);
  EXPECT_FALSE(tb->ShortCutHookInstalled());
  SendMessage(form->Handle(), WM_SYSCOMMAND, SC_KEYMENU, 'f');
  Pump();
  EXPECT_EQ(files, 1);
}

}  // namespace
