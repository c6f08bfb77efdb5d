// Window scroll bars: the client area they take, their state, and the
// tracking loop that turns presses and drags into scroll messages.

#include "platform/ScrollBar.h"

#include "tests/platform/window_test_util.h"

namespace {

class ScrollBarTest : public HeadlessTest {
 protected:
  std::vector<std::pair<int, int>> Scrolls(HWND h) const {
    std::vector<std::pair<int, int>> r;
    for (const TLogged& l : Log)
      if (l.Window == h && l.Message == WM_VSCROLL)
        r.push_back({LOWORD(l.WParam), HIWORD(l.WParam)});
    return r;
  }
};

TEST_F(ScrollBarTest, BarsTakeClientSpaceAndKeepTheirState) {
  HWND w = Top(0, 0, 200, 150);
  Log.clear();
  ShowScrollBar(w, SB_BOTH, true);
  RECT cr;
  GetClientRect(w, cr);
  EXPECT_EQ(cr,
            Rect(0, 0, 200 - GetSystemMetrics(SM_CXVSCROLL), 150 - GetSystemMetrics(SM_CYHSCROLL)));
  const TLogged* size = Find(w, WM_SIZE);
  ASSERT_NE(size, nullptr);
  EXPECT_EQ(LOWORD(uintptr_t(size->LParam)), 184);
  EXPECT_EQ(SendMessage(w, WM_NCHITTEST, 0, MAKELPARAM(190, 20)), HTVSCROLL);
  EXPECT_EQ(SendMessage(w, WM_NCHITTEST, 0, MAKELPARAM(20, 140)), HTHSCROLL);
  SCROLLINFO si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  si.nMin = 0;
  si.nMax = 65535;
  si.nPage = 1000;
  si.nPos = 70000;  // beyond the end: clamped to the last page
  EXPECT_EQ(SetScrollInfo(w, SB_VERT, &si, true), 64536);
  SCROLLINFO got;
  got.fMask = SIF_ALL;
  ASSERT_TRUE(GetScrollInfo(w, SB_VERT, &got));
  EXPECT_EQ(got.nMax, 65535);
  EXPECT_EQ(got.nPage, 1000u);
  EXPECT_EQ(got.nPos, 64536);
  EXPECT_EQ(SetScrollPos(w, SB_VERT, 5, true), 64536);
  EXPECT_EQ(GetScrollPos(w, SB_VERT), 5);
  // A page that covers the range leaves nothing to scroll: the bar goes.
  si.fMask = SIF_PAGE;
  si.nPage = 70000;
  SetScrollInfo(w, SB_VERT, &si, true);
  EXPECT_FALSE(GetWindowLong(w, GWL_STYLE) & WS_VSCROLL);
  GetClientRect(w, cr);
  EXPECT_EQ(cr.Right, 200);
  // ... unless asked to stay, disabled.
  si.fMask = SIF_PAGE | SIF_DISABLENOSCROLL;
  SetScrollInfo(w, SB_VERT, &si, true);
  EXPECT_TRUE(GetWindowLong(w, GWL_STYLE) & WS_VSCROLL);
}

TEST_F(ScrollBarTest, HoldingAnArrowRepeatsUntilRelease) {
  HWND w = Top(0, 0, 100, 200, WS_POPUP | WS_VISIBLE | WS_VSCROLL);
  SCROLLINFO si;
  si.fMask = SIF_RANGE | SIF_PAGE;
  si.nMax = 99;
  si.nPage = 10;
  SetScrollInfo(w, SB_VERT, &si, true);
  Pump();
  int idle = 0;
  HeadlessSetIdleHandler([&] {
    if (++idle < 3) return false;  // let the clock run to the next repeat
    InjectMouseButton(VK_LBUTTON, false);
    return true;
  });
  Log.clear();
  InjectMouseMove(TPoint{92, 195});  // the down arrow
  InjectMouseButton(VK_LBUTTON, true);
  Pump();
  auto s = Scrolls(w);
  ASSERT_GE(s.size(), 3u);
  EXPECT_EQ(s.front().first, SB_LINEDOWN);
  EXPECT_EQ(s[s.size() - 2].first, SB_LINEDOWN);
  EXPECT_EQ(s.back().first, SB_ENDSCROLL);
  EXPECT_EQ(s.size(), 4u);  // the first press and two repeats
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(ScrollBarTest, DraggingTheThumbTracksAndEndsWithItsPosition) {
  HWND w = Top(0, 0, 100, 232, WS_POPUP | WS_VISIBLE | WS_VSCROLL);  // a 200-pixel track
  SCROLLINFO si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  si.nMax = 99;
  si.nPage = 10;
  si.nPos = 0;
  SetScrollInfo(w, SB_VERT, &si, true);
  Pump();
  // The thumb is 20 pixels long at the top of the track (16..36).
  int step = 0;
  HeadlessSetIdleHandler([&] {
    switch (step++) {
      case 0:
        InjectMouseMove(TPoint{92, 16 + 5 + 90});
        return true;  // halfway
      case 1:
        InjectMouseMove(TPoint{92, 16 + 5 + 500});
        return true;  // past the end
      default:
        InjectMouseButton(VK_LBUTTON, false);
        return true;
    }
  });
  Log.clear();
  InjectMouseMove(TPoint{92, 16 + 5});
  InjectMouseButton(VK_LBUTTON, true);
  Pump();
  auto s = Scrolls(w);
  std::vector<std::pair<int, int>> want = {
      {SB_THUMBTRACK, 45}, {SB_THUMBTRACK, 90}, {SB_THUMBPOSITION, 90}, {SB_ENDSCROLL, 0}};
  EXPECT_EQ(s, want);
  // The window did not move the bar itself: the position is what it was.
  EXPECT_EQ(GetScrollPos(w, SB_VERT), 0);
}

TEST_F(ScrollBarTest, PaintsArrowsTrackAndThumb) {
  HWND w = Top(0, 0, 100, 232, WS_POPUP | WS_VISIBLE | WS_VSCROLL);
  SCROLLINFO si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  si.nMax = 99;
  si.nPage = 10;
  SetScrollInfo(w, SB_VERT, &si, true);
  Pump();
  Surface s = CopyWindowPixels(w);
  auto at = [&](int x, int y) { return PixelToColorRef(s.Get(x, y) & 0xFFFFFF); };
  EXPECT_EQ(at(87, 3), GetSysColor(COLOR_BTNFACE));  // inside the up arrow's face, off the glyph
  EXPECT_EQ(at(92, 8), GetSysColor(COLOR_BTNTEXT));  // its glyph
  EXPECT_EQ(at(84, 0), GetSysColor(COLOR_3DLIGHT));  // its outer edge
  EXPECT_EQ(at(99, 15), GetSysColor(COLOR_3DDKSHADOW));
  EXPECT_EQ(at(92, 26), GetSysColor(COLOR_BTNFACE));  // the thumb
  COLORREF t1 = at(92, 100), t2 = at(93, 100);        // the checkered track
  EXPECT_NE(t1, t2);
  EXPECT_TRUE(t1 == GetSysColor(COLOR_BTNHIGHLIGHT) || t1 == GetSysColor(COLOR_SCROLLBAR));
}

}  // namespace
