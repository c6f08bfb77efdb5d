#pragma once
// The scroll bars of a window (WS_HSCROLL, WS_VSCROLL): their range, page
// and position, shown in the non-client area. Pressing on a bar runs a
// tracking loop that sends WM_HSCROLL/WM_VSCROLL with the SB_* codes; the
// thumb position travels in the high word of wParam. The "flat" variants
// are the same bars.

#include "platform/Window.h"

enum : int32_t { SB_HORZ = 0, SB_VERT = 1, SB_CTL = 2, SB_BOTH = 3 };
enum : int32_t {
  SB_LINEUP = 0,
  SB_LINELEFT = 0,
  SB_LINEDOWN = 1,
  SB_LINERIGHT = 1,
  SB_PAGEUP = 2,
  SB_PAGELEFT = 2,
  SB_PAGEDOWN = 3,
  SB_PAGERIGHT = 3,
  SB_THUMBPOSITION = 4,
  SB_THUMBTRACK = 5,
  SB_TOP = 6,
  SB_LEFT = 6,
  SB_BOTTOM = 7,
  SB_RIGHT = 7,
  SB_ENDSCROLL = 8,
};
enum : UINT {
  SIF_RANGE = 0x01,
  SIF_PAGE = 0x02,
  SIF_POS = 0x04,
  SIF_DISABLENOSCROLL = 0x08,
  SIF_TRACKPOS = 0x10,
  SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS,
};
enum : UINT {
  ESB_ENABLE_BOTH = 0,
  ESB_DISABLE_LTUP = 1,
  ESB_DISABLE_RTDN = 2,
  ESB_DISABLE_BOTH = 3
};

struct SCROLLINFO {
  UINT cbSize = sizeof(SCROLLINFO);
  UINT fMask = 0;
  int32_t nMin = 0;
  int32_t nMax = 0;
  UINT nPage = 0;
  int32_t nPos = 0;
  int32_t nTrackPos = 0;
};

// Answers the new position. A bar that has nothing to scroll is hidden, or
// with SIF_DISABLENOSCROLL shown disabled; one that has something is shown.
int32_t SetScrollInfo(HWND hwnd, int32_t bar, const SCROLLINFO* si, bool redraw);
bool GetScrollInfo(HWND hwnd, int32_t bar, SCROLLINFO* si);
int32_t SetScrollPos(HWND hwnd, int32_t bar, int32_t pos, bool redraw);  // answers the old position
int32_t GetScrollPos(HWND hwnd, int32_t bar);
bool SetScrollRange(HWND hwnd, int32_t bar, int32_t minPos, int32_t maxPos, bool redraw);
bool GetScrollRange(HWND hwnd, int32_t bar, int32_t* minPos, int32_t* maxPos);
bool ShowScrollBar(HWND hwnd, int32_t bar, bool show);
bool EnableScrollBar(HWND hwnd, UINT bar, UINT arrows);

bool InitializeFlatSB(HWND hwnd);
bool UninitializeFlatSB(HWND hwnd);
inline int32_t FlatSB_SetScrollInfo(HWND h, int32_t b, const SCROLLINFO* si, bool r) {
  return SetScrollInfo(h, b, si, r);
}
inline bool FlatSB_GetScrollInfo(HWND h, int32_t b, SCROLLINFO* si) {
  return GetScrollInfo(h, b, si);
}
inline int32_t FlatSB_SetScrollPos(HWND h, int32_t b, int32_t p, bool r) {
  return SetScrollPos(h, b, p, r);
}
inline int32_t FlatSB_GetScrollPos(HWND h, int32_t b) {
  return GetScrollPos(h, b);
}
inline bool FlatSB_SetScrollRange(HWND h, int32_t b, int32_t lo, int32_t hi, bool r) {
  return SetScrollRange(h, b, lo, hi, r);
}
inline bool FlatSB_ShowScrollBar(HWND h, int32_t b, bool s) {
  return ShowScrollBar(h, b, s);
}
inline bool FlatSB_EnableScrollBar(HWND h, UINT b, UINT a) {
  return EnableScrollBar(h, b, a);
}
