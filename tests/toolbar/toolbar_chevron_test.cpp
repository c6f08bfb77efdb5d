// A docked toolbar narrowed below its items' length hides the last ones in
// its chevron, whose popup lists them.
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

  // Widened again, every item shows and the chevron goes.
  form->SetWidth(500);
  Pump();
  view->EnsureLayout();
  EXPECT_EQ(ShownCaptions(view, false).size(), 6u);
  EXPECT_FALSE(ChevronViewer(view)->Shown);
}

}  // namespace
