// A docked toolbar narrowed below its items' length hides the last ones in
// its chevron, whose popup lists them.
#include <algorithm>
#include <string>
#include <vector>

#include "tests/toolbar/DockTestSupport.h"

namespace {

class ChevronTest : public DockFormTest {
 protected:
  std::vector<std::string> ShownCaptions(TDKView* View, bool OffEdge) {
    std::vector<std::string> out;
    for (int32_t i = 0; i < View->ViewerCount(); ++i) {
      TDKItemViewer* v = View->Viewers(i);
      if (dynamic_cast<TDKChevronItem*>(v->Item())) continue;
      if (OffEdge ? v->OffEdge : v->Shown) out.push_back(v->Item()->Caption());
    }
    return out;
  }
  TDKItemViewer* ChevronViewer(TDKView* View) { return View->ViewerOfItem(static_cast<TDKCustomToolbar*>(View->Window())->Chevron()); }
};

TEST_F(ChevronTest, NarrowedWindowShowsTheChevronWithTheHiddenItems) {
  TDKCustomToolbar* tb = MakeToolbar("Bar", top, 6);
  tb->SetFullSize(true);
  tb->SetDockMode(dmCannotFloat);
  Pump();
  TDKView* view = tb->View();
  view->EnsureLayout();
  EXPECT_EQ(ShownCaptions(view, false).size(), 6u);
  EXPECT_FALSE(ChevronViewer(view)->Shown);

  // Narrower than the six items: the last ones go into the chevron.
  form->SetWidth(200);
  Pump();
  view->EnsureLayout();
  int32_t room = form->ClientWidth() - tb->FrameWidth() - 12;
  int32_t kept = room / 40;
  std::vector<std::string> shown = ShownCaptions(view, false);
  ASSERT_EQ(int32_t(shown.size()), kept);
  std::vector<std::string> hidden = ShownCaptions(view, true);
  ASSERT_EQ(hidden.size(), size_t(6 - kept));
  EXPECT_EQ(hidden.front(), "Item" + std::to_string(kept));
  TDKItemViewer* chevron = ChevronViewer(view);
  ASSERT_TRUE(chevron->Shown);
  EXPECT_EQ(chevron->BoundsRect.Width(), 12);
  EXPECT_EQ(BoundsText(tb), "0,0," + std::to_string(form->ClientWidth()) + ",24");

  // Its popup lists exactly the hidden items.
  std::vector<std::string> listed;
  TRect cr = chevron->BoundsRect;
  TPoint at = tb->ClientToScreen(CentreOfRect(cr));
  RunMenuSteps({[&] {
                  TDKView* popup = view->OpenViewerView();
                  ASSERT_NE(popup, nullptr);
                  popup->EnsureLayout();
                  listed = ShownCaptions(popup, false);
                  Key(VK_ESCAPE);
                }},
               [&] {
                 Press(at);
                 Release();
                 Pump();
               });
  EXPECT_EQ(listed, hidden);

  // An item clicked in the popup runs and moves to the front of the order,
  // so it shows on the toolbar and the last shown item gives way to it.
  TDKCustomItem* wanted = tb->Items()->GetItem(kept);
  int clicks = 0;
  wanted->OnClick = [&](TObject*) { ++clicks; };
  RunMenuSteps({[&] {
                  TDKView* popup = view->OpenViewerView();
                  ASSERT_NE(popup, nullptr);
                  popup->EnsureLayout();
                  TDKItemViewer* v = nullptr;
                  for (int32_t i = 0; i < popup->ViewerCount(); ++i)
                    if (popup->Viewers(i)->Item() == wanted && popup->Viewers(i)->Shown) v = popup->Viewers(i);
                  ASSERT_NE(v, nullptr);
                  TPoint p = popup->Window()->ClientToScreen(CentreOfRect(v->BoundsRect));
                  InjectMouseMove(p);
                  InjectMouseButton(VK_LBUTTON, true);
                  InjectMouseButton(VK_LBUTTON, false);
                }},
               [&] {
                 Press(at);
                 Release();
                 Pump();
               });
  Pump();
  EXPECT_EQ(clicks, 1);
  view->EnsureLayout();
  shown = ShownCaptions(view, false);
  ASSERT_EQ(int32_t(shown.size()), kept);
  EXPECT_NE(std::find(shown.begin(), shown.end(), wanted->Caption()), shown.end());
  EXPECT_EQ(std::find(shown.begin(), shown.end(), "Item" + std::to_string(kept - 1)), shown.end());

  // Widened again, every item shows and the chevron goes.
  form->SetWidth(500);
  Pump();
  view->EnsureLayout();
  EXPECT_EQ(ShownCaptions(view, false).size(), 6u);
  EXPECT_FALSE(ChevronViewer(view)->Shown);
}

TEST_F(ChevronTest, MenuBarSwitchesItsCompanionProperties) {
  TDKCustomToolbar* tb = MakeToolbar("Bar", top, 2);
  tb->SetMenuBar(true);
  EXPECT_TRUE(tb->FullSize());
  EXPECT_EQ(tb->ShrinkMode(), dksmWrap);
  EXPECT_FALSE(tb->CloseButton());
  EXPECT_TRUE(tb->ProcessShortCuts());
  EXPECT_TRUE(tb->View()->Style() & vsyMenuBar);
  tb->SetMenuBar(false);
  EXPECT_FALSE(tb->FullSize());
  EXPECT_EQ(tb->ShrinkMode(), dksmChevron);
  EXPECT_TRUE(tb->CloseButton());
  EXPECT_FALSE(tb->ProcessShortCuts());
  EXPECT_FALSE(tb->View()->Style() & vsyMenuBar);
}

TEST_F(ChevronTest, AltLetterClicksTheOnlyItemWithThatAccelerator) {
  TDKCustomToolbar* tb = MakeToolbar("Bar", top, 3);
  tb->Items()->GetItem(0)->SetCaption("&Open");
  tb->Items()->GetItem(1)->SetCaption("&Save");
  tb->Items()->GetItem(2)->SetCaption("&Send");
  int opened = 0, saved = 0, sent = 0;
  tb->Items()->GetItem(0)->OnClick = [&](TObject*) { ++opened; };
  tb->Items()->GetItem(1)->OnClick = [&](TObject*) { ++saved; };
  tb->Items()->GetItem(2)->OnClick = [&](TObject*) { ++sent; };
  // The key data of Alt+letter: bit 29, the Alt key held.
  const LPARAM alt = 0x20000000;
  EXPECT_EQ(tb->Perform(CM_DIALOGCHAR, 'o', alt), 1);
  Pump();
  EXPECT_EQ(opened, 1);
  // Two items answer to "s": a toolbar that is no menu bar does nothing.
  EXPECT_EQ(tb->Perform(CM_DIALOGCHAR, 's', alt), 0);
  Pump();
  EXPECT_EQ(saved + sent, 0);
}

}  // namespace
