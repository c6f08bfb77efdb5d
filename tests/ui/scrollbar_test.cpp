// The scroll bar control: its position held within its range, the scroll
// codes it answers and the change notice.

#include <gtest/gtest.h>

#include "platform/ScrollBar.h"
#include "tests/ui/FrameworkTestSupport.h"
#include "ui/TForm.h"
#include "ui/TScrollBar.h"

namespace {

class ScrollBarTest : public FrameworkTest {};

TEST_F(ScrollBarTest, PositionCodesAndChanges) {
  auto* form = new TForm(Application);
  auto* bar = new TScrollBar(form);
  bar->SetKind(sbVertical);
  bar->SetParent(form);
  bar->SetBounds(0, 0, 16, 200);
  int changes = 0;
  bar->OnChange = [&](TObject*) { ++changes; };
  bar->SetParams(150, 0, 100);
  EXPECT_EQ(bar->Position(), 100) << "held within the range";
  EXPECT_EQ(changes, 1);
  bar->SetPosition(100);
  EXPECT_EQ(changes, 1) << "no change, no notice";
  bar->SetSmallChange(2);
  bar->SetLargeChange(20);
  bar->SetPosition(50);
  struct {
    int32_t Code, Thumb, Expected;
  } steps[] = {{SB_LINEDOWN, 0, 52}, {SB_LINEUP, 0, 50},  {SB_PAGEDOWN, 0, 70}, {SB_PAGEUP, 0, 50},
               {SB_THUMBTRACK, 33, 33}, {SB_BOTTOM, 0, 100}, {SB_TOP, 0, 0},   {SB_PAGEUP, 0, 0}};
  for (const auto& s : steps) {
    bar->Perform(WM_VSCROLL, WPARAM(uint32_t(s.Code) | (uint32_t(s.Thumb) << 16)), 0);
    EXPECT_EQ(bar->Position(), s.Expected) << s.Code;
  }
  bar->Perform(WM_HSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(bar->Position(), 0) << "a vertical bar ignores horizontal codes";
  // The platform's bar carries the range, page and position.
  bar->SetPageSize(10);
  bar->SetPosition(40);
  SCROLLINFO si;
  si.fMask = SIF_ALL;
  ASSERT_TRUE(GetScrollInfo(bar->Handle(), SB_VERT, &si));
  EXPECT_EQ(si.nMax, 100);
  EXPECT_EQ(si.nPage, 10u);
  EXPECT_EQ(si.nPos, 40);
  bar->SetKind(sbHorizontal);
  EXPECT_EQ(bar->Width(), 200) << "turning the bar swaps its sides";
  EXPECT_EQ(bar->Height(), 16);
  form->Free();
}

}  // namespace
