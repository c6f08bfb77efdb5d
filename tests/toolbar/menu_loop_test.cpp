#include <string>
#include <vector>

#include "tests/toolbar/ToolbarTestSupport.h"

namespace {

class MenuLoopTest : public MenuTest {
 protected:
  int clicks = 0;
  TSizedItem* Counted(TDKCustomItem* Parent, const std::string& Caption) {
    TSizedItem* it = AddItem(Parent, Caption);
    it->OnClick = [this](TObject*) { ++clicks; };
    return it;
  }
  // A toolbar item that opens a menu.
  TSizedItem* Menu(const std::string& Caption) {
    TSizedItem* m = AddItem(root, Caption);
    m->SetStyleFlags(m->StyleFlags() | dksfSubmenu);
    return m;
  }
  TDKView* OpenMenuView() { return bar->View->OpenViewerView(); }
};

}  // namespace

TEST_F(MenuLoopTest, PressAndReleaseOnAnItemClicksOnceAfterTheLoop) {
  TSizedItem* a = Counted(root, "A");
  Counted(root, "B");
  int clicksWhenLoopEnded = -1;
  RunMenuSteps({[&] {
                  EXPECT_TRUE(bar->View->HasState(vstMenuMode));
                  EXPECT_TRUE(bar->View->Capture());
                  Release();
                }},
               [&] {
                 Press(CentreOf(bar->View, a));
                 // The press starts the loop inside this dispatch.
                 MSG m;
                 while (PeekMessage(m, nullptr, 0, 0, PM_REMOVE)) {
                   TranslateMessage(m);
                   DispatchMessage(m);
                   if (m.message == WM_LBUTTONDOWN) clicksWhenLoopEnded = clicks;
                 }
               });
  EXPECT_EQ(clicksWhenLoopEnded, 0);  // the click waits for the message loop
  Pump();
  EXPECT_EQ(clicks, 1);
  EXPECT_FALSE(bar->View->HasState(vstMenuMode));
  // Back outside menu mode the item under the mouse is merely hot.
  EXPECT_FALSE(bar->View->Capture());
}

TEST_F(MenuLoopTest, PressMoveOffAndReleaseClicksNothing) {
  TSizedItem* a = Counted(root, "A");
  RunMenuSteps({[&] { InjectMouseMove(bar->ClientToScreen(TPoint{300, 10})); },
                [&] {
                  EXPECT_FALSE(bar->View->MouseOverSelected());
                  Release();
                }},
               [&] {
                 Press(CentreOf(bar->View, a));
                 Pump();
               });
  Pump();
  EXPECT_EQ(clicks, 0);
  EXPECT_FALSE(bar->View->HasState(vstMenuMode));
}

TEST_F(MenuLoopTest, ADisabledItemGivesNoClick) {
  TSizedItem* a = Counted(root, "A");
  a->SetEnabled(false);
  RunMenuSteps({}, [&] {
    Press(CentreOf(bar->View, a));
    Pump();
    Release();
    Pump();
  });
  Pump();
  EXPECT_EQ(clicks, 0);
}

TEST_F(MenuLoopTest, EscapeClosesOneLevelAtATime) {
  TSizedItem* file = Menu("&File");
  Counted(file, "&New");
  TSizedItem* more = AddItem(file, "&More");
  more->SetStyleFlags(more->StyleFlags() | dksfSubmenu);
  Counted(more, "&Deep");
  TDKView* first = nullptr;
  RunMenuSteps({[&] {
                  first = OpenMenuView();
                  ASSERT_NE(first, nullptr);
                  Release();  // on the open menu's own button: the menu stays
                },
                [&] {
                  EXPECT_NE(OpenMenuView(), nullptr);
                  Key(VK_DOWN);  // New
                  Key(VK_DOWN);  // More
                  Key(VK_RIGHT);  // opens its submenu, first item selected
                },
                [&] {
                  ASSERT_NE(first->OpenViewerView(), nullptr);
                  EXPECT_EQ(first->OpenViewerView()->Selected()->Item()->Caption(), "&Deep");
                  Key(VK_ESCAPE);
                },
                [&] {
                  EXPECT_EQ(first->OpenViewerView(), nullptr);
                  ASSERT_NE(OpenMenuView(), nullptr);
                  EXPECT_TRUE(bar->View->HasState(vstMenuMode));
                  Key(VK_ESCAPE);  // the top popup of a drop-down: back to the toolbar
                },
                [&] {
                  EXPECT_EQ(OpenMenuView(), nullptr);
                  EXPECT_TRUE(bar->View->HasState(vstMenuMode));
                  Key(VK_ESCAPE);  // the toolbar itself: leave the menu
                }},
               [&] {
                 Press(CentreOf(bar->View, file));
                 Pump();
               });
  EXPECT_FALSE(bar->View->HasState(vstMenuMode));
  Pump();
  EXPECT_EQ(clicks, 0);
}

TEST_F(MenuLoopTest, AcceleratorsSelectAndExecute) {
  TSizedItem* edit = Menu("&Edit");
  TSizedItem* copy = Counted(edit, "&Copy");
  TSizedItem* cut = Counted(edit, "&Cut");  // the same accelerator
  TSizedItem* paste = Counted(edit, "&Paste");
  TSizedItem* undo = Counted(edit, "Undo");  // no accelerator: its first letter
  (void)paste;
  std::vector<TDKCustomItem*> executed;
  undo->OnClick = [&](TObject* s) { executed.push_back(static_cast<TDKCustomItem*>(s)); };
  RunMenuSteps({[&] { Release(); },
                [&] {
                  ASSERT_NE(OpenMenuView(), nullptr);
                  InjectChar('c');
                },
                [&] {
                  // Two items share C: the first is selected, nothing runs.
                  EXPECT_EQ(OpenMenuView()->Selected()->Item(), copy);
                  EXPECT_TRUE(OpenMenuView()->HasState(vstMenuMode));
                  InjectChar('C');
                },
                [&] {
                  EXPECT_EQ(OpenMenuView()->Selected()->Item(), cut);
                  Key(VK_UP);
                },
                [&] {
                  EXPECT_EQ(OpenMenuView()->Selected()->Item(), copy);
                  InjectChar('u');  // unique first letter: runs at once
                }},
               [&] {
                 Press(CentreOf(bar->View, edit));
                 Pump();
               });
  Pump();
  EXPECT_EQ(executed, (std::vector<TDKCustomItem*>{undo}));
  EXPECT_EQ(clicks, 0);
}

TEST_F(MenuLoopTest, RightMovesToTheNextDropDown) {
  TSizedItem* file = Menu("&File");
  Counted(file, "&Open");
  TSizedItem* view = Menu("&View");
  Counted(view, "&Zoom");
  RunMenuSteps({[&] { Release(); },
                [&] {
                  ASSERT_NE(OpenMenuView(), nullptr);
                  EXPECT_EQ(bar->View->OpenViewer()->Item(), file);
                  Key(VK_RIGHT);  // Open has no submenu: the next toolbar item opens
                },
                [&] {
                  ASSERT_NE(OpenMenuView(), nullptr);
                  EXPECT_EQ(bar->View->OpenViewer()->Item(), view);
                  EXPECT_EQ(OpenMenuView()->Selected()->Item()->Caption(), "&Zoom");
                  Key(VK_LEFT);
                },
                [&] {
                  EXPECT_EQ(bar->View->OpenViewer()->Item(), file);
                  Key(VK_ESCAPE);
                },
                [&] { Key(VK_ESCAPE); }},
               [&] {
                 Press(CentreOf(bar->View, file));
                 Pump();
               });
  EXPECT_FALSE(bar->View->HasState(vstMenuMode));
}

TEST_F(MenuLoopTest, ASubmenuOpensOnHoverAfterTheMenuDelay) {
  TSizedItem* file = Menu("&File");
  Counted(file, "&New");
  TSizedItem* recent = AddItem(file, "&Recent");
  recent->SetStyleFlags(recent->StyleFlags() | dksfSubmenu);
  TSizedItem* one = Counted(recent, "&1 one");
  RunMenuSteps({[&] { Release(); },
                [&] { InjectMouseMove(CentreOf(OpenMenuView(), recent)); },
                [&] {
                  EXPECT_EQ(OpenMenuView()->Selected()->Item(), recent);
                  EXPECT_EQ(OpenMenuView()->OpenViewerView(), nullptr);
                  HeadlessAdvanceClock(399);
                },
                [&] {
                  EXPECT_EQ(OpenMenuView()->OpenViewerView(), nullptr);
                  HeadlessAdvanceClock(1);
                },
                [&] {
                  ASSERT_NE(OpenMenuView()->OpenViewerView(), nullptr);
                  // Clicking the submenu's item runs it once the loop is over.
                  InjectMouseMove(CentreOf(OpenMenuView()->OpenViewerView(), one));
                  InjectMouseButton(VK_LBUTTON, true);
                },
                [&] { Release(); }},
               [&] {
                 Press(CentreOf(bar->View, file));
                 Pump();
               });
  Pump();
  EXPECT_EQ(clicks, 1);
}

TEST_F(MenuLoopTest, AClickOutsideClosesTheMenuAndReachesTheWindow) {
  TSizedItem* file = Menu("&File");
  Counted(file, "&New");
  int formClicks = 0;
  form->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int32_t, int32_t) { ++formClicks; };
  RunMenuSteps({[&] { Release(); },
                [&] {
                  ASSERT_NE(OpenMenuView(), nullptr);
                  Press(form->ClientToScreen(TPoint{300, 200}));
                }},
               [&] {
                 Press(CentreOf(bar->View, file));
                 Pump();
               });
  EXPECT_FALSE(bar->View->HasState(vstMenuMode));
  EXPECT_EQ(OpenMenuView(), nullptr);
  Release();
  Pump();
  EXPECT_EQ(formClicks, 1);
  EXPECT_EQ(clicks, 0);
}

TEST_F(MenuLoopTest, AnItemMayFreeTheMenuFromItsOwnHandler) {
  // The deferred click runs after the loop; a handler that frees the whole
  // toolbar then is safe.
  TSizedItem* file = Menu("&File");
  TSizedItem* close = AddItem(file, "&Close");
  close->OnClick = [&](TObject*) {
    bar->Free();
    bar = nullptr;
  };
  RunMenuSteps({[&] { Release(); },
                [&] { InjectMouseMove(CentreOf(OpenMenuView(), close)); },
                [&] { InjectMouseButton(VK_LBUTTON, true); },
                [&] { Release(); }},
               [&] {
                 Press(CentreOf(bar->View, file));
                 Pump();
               });
  Pump();
  EXPECT_EQ(bar, nullptr);
}
