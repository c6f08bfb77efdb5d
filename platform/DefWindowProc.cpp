// Windows: the default window procedure.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/CaptureLoop.h"
#include "platform/DCInternal.h"
#include "platform/SysInfo.h"
#include "platform/Text.h"
#include "platform/WindowInternal.h"
#include "rtl/StrUtils.h"
#include "rtl/TThread.h"

namespace {

// Moving (edges 0) or sizing (WMSZ_* edges) a window with the mouse, from a
// press at a screen point until the button is released; Escape puts the
// window back.
void MoveSizeLoop(HWND hwnd, UINT edges, TPoint start) {
  TWindowObj* w = FromHandle(hwnd);
  if (!w) return;
  const TRect original = w->WindowRect;
  MINMAXINFO mmi{};  // a child window sets only its largest size
  if (!w->Parent) {
    mmi.ptMinTrackSize = TPoint{GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
    mmi.ptMaxTrackSize = TPoint{GetSystemMetrics(SM_CXMAXTRACK), GetSystemMetrics(SM_CYMAXTRACK)};
  } else {
    mmi.ptMaxTrackSize = TPoint{0x7FFF, 0x7FFF};
  }
  CallProc(w, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
  SetCapture(hwnd);
  CallProc(w, WM_ENTERSIZEMOVE, 0, 0);
  bool left = edges == 1 || edges == 4 || edges == 7,
       right = edges == 2 || edges == 5 || edges == 8;
  bool top = edges >= 3 && edges <= 5, bottom = edges >= 6;
  const TCaptureEnd end = RunCaptureLoop(hwnd, [&](const MSG& msg) {
    w = FromHandle(hwnd);
    if (msg.message == WM_LBUTTONUP) return TCaptureStep::End;
    if (msg.message == WM_KEYDOWN && msg.wParam == WPARAM(VK_ESCAPE)) {
      SetWindowPos(hwnd, nullptr, original.Left, original.Top, original.Width(), original.Height(),
                   SWP_NOZORDER | SWP_NOACTIVATE);
      return TCaptureStep::End;
    }
    if (msg.message != WM_MOUSEMOVE) {
      // Other mouse messages are dropped while the window moves.
      return msg.message < WM_MOUSEFIRST || msg.message > WM_MOUSELAST ? TCaptureStep::Dispatch
                                                                         : TCaptureStep::Handled;
    }
    int32_t dx = msg.pt.X - start.X, dy = msg.pt.Y - start.Y;
    TRect n = original;
    if (edges == 0) {
      OffsetRect(&n, dx, dy);
    } else {
      int32_t minW = mmi.ptMinTrackSize.X, minH = mmi.ptMinTrackSize.Y;
      int32_t maxW = mmi.ptMaxTrackSize.X, maxH = mmi.ptMaxTrackSize.Y;
      if (left)
        n.Left = std::clamp(original.Left + dx, original.Right - maxW, original.Right - minW);
      if (right)
        n.Right = std::clamp(original.Right + dx, original.Left + minW, original.Left + maxW);
      if (top)
        n.Top = std::clamp(original.Top + dy, original.Bottom - maxH, original.Bottom - minH);
      if (bottom)
        n.Bottom = std::clamp(original.Bottom + dy, original.Top + minH, original.Top + maxH);
    }
    CallProc(w, edges == 0 ? WM_MOVING : WM_SIZING, edges, reinterpret_cast<LPARAM>(&n));
    SetWindowPos(hwnd, nullptr, n.Left, n.Top, n.Width(), n.Height(),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    return TCaptureStep::Handled;
  });
  if (end == TCaptureEnd::Gone) return;
  if (GetCapture() == hwnd) ReleaseCapture();
  if ((w = FromHandle(hwnd))) CallProc(w, WM_EXITSIZEMOVE, 0, 0);
}

HCURSOR SizeCursorFor(int32_t hit) {
  switch (hit) {
    case HTLEFT:
    case HTRIGHT:
      return LoadCursor(nullptr, IDC_SIZEWE);
    case HTTOP:
    case HTBOTTOM:
      return LoadCursor(nullptr, IDC_SIZENS);
    case HTTOPLEFT:
    case HTBOTTOMRIGHT:
      return LoadCursor(nullptr, IDC_SIZENWSE);
    case HTTOPRIGHT:
    case HTBOTTOMLEFT:
      return LoadCursor(nullptr, IDC_SIZENESW);
  }
  return nullptr;
}

void PrintWindow(TWindowObj* w, HDC dc, UINT flags) {
  HWND h = w->Handle;
  auto* d = static_cast<DeviceContext*>(dc);
  SaveDC(dc);
  if (flags & PRF_NONCLIENT) {
    if (Surface* s = d->Target32()) PaintStandardFrame(w, s, TPoint{d->SX(0), d->SY(0)}, d->Clip());
    OffsetViewportOrgEx(dc, w->ClientRect.Left, w->ClientRect.Top, nullptr);
  }
  IntersectClipRect(dc, 0, 0, w->ClientRect.Width(), w->ClientRect.Height());
  if ((flags & PRF_ERASEBKGND) && (flags & PRF_CLIENT)) {
    SaveDC(dc);
    CallProc(w, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RestoreDC(dc, -1);
  }
  if ((w = FromHandle(h)) && (flags & PRF_CLIENT)) {
    SaveDC(dc);
    CallProc(w, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), LPARAM(flags));
    RestoreDC(dc, -1);
  }
  if ((w = FromHandle(h)) && (flags & PRF_CHILDREN)) {
    std::vector<HWND> kids;
    for (auto it = w->Children.rbegin(); it != w->Children.rend(); ++it)
      kids.push_back((*it)->Handle);
    for (HWND k : kids) {
      TWindowObj* c = FromHandle(k);
      if (!c || !c->Visible()) continue;
      SaveDC(dc);
      OffsetViewportOrgEx(dc, c->WindowRect.Left, c->WindowRect.Top, nullptr);
      IntersectClipRect(dc, 0, 0, c->WindowRect.Width(), c->WindowRect.Height());
      CallProc(c, WM_PRINT, reinterpret_cast<WPARAM>(dc),
               LPARAM(PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND | PRF_CHILDREN));
      RestoreDC(dc, -1);
    }
  }
  RestoreDC(dc, -1);
}

// The standard frame, in the region WPARAM names when it is one (0 and 1
// stand for the whole frame).
void NcPaint(TWindowObj* w, WPARAM wParam) {
  TWindowObj* top = TopLevelOf(w);
  TPoint wo = WindowOriginInTop(w);
  TRect client = w->ClientRect;
  OffsetRect(&client, wo.X, wo.Y);
  Region clip = Region::Subtract(VisibleRegion(w, false), Region(client));
  if (wParam > 1) {
    Region r = RegionOf(reinterpret_cast<HRGN>(wParam));
    r.Offset(-top->WindowRect.Left, -top->WindowRect.Top);
    clip = Region::Intersect(clip, r);
  }
  PaintStandardFrame(w, top->Buffer.get(), wo, clip);
  top->BufferDirty = true;
}

// The class background (a system colour index plus one) over the client area.
LRESULT EraseBackground(TWindowObj* w, WPARAM wParam) {
  if (w->ClassBackground <= 0) return 0;
  auto* d = static_cast<DeviceContext*>(reinterpret_cast<HDC>(wParam));
  if (!d || !IsDC(d)) return 0;
  if (Surface* s = d->Target32())
    FillIn(s, d->Clip(), d->ToSurface(ClientBounds(w)), GetSysColor(w->ClassBackground - 1));
  return 1;
}

void SysCommand(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  // The low four bits of the command carry the edge a size starts from.
  switch (wParam & 0xFFF0) {
    case SC_MOVE:
    case SC_SIZE:
      MoveSizeLoop(hwnd, (wParam & 0xFFF0) == SC_MOVE ? 0 : UINT(wParam & 0x0F),
                   TPoint{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      break;
    case SC_CLOSE:
      SendMessage(hwnd, WM_CLOSE, 0, 0);
      break;
    case SC_MINIMIZE:
      ShowWindow(hwnd, SW_MINIMIZE);
      break;
    case SC_MAXIMIZE:
      ShowWindow(hwnd, SW_SHOWMAXIMIZED);
      break;
    case SC_RESTORE:
      ShowWindow(hwnd, SW_RESTORE);
      break;
  }
}

// The parent chooses first; then the class cursor in the client area, a
// sizing cursor on the frame's edges, the arrow elsewhere. A press where
// input is refused (HTERROR: a window disabled by a modal one) beeps.
LRESULT SetCursorFor(HWND hwnd, TWindowObj* w, WPARAM wParam, LPARAM lParam) {
  if (w->Parent && CallProc(w->Parent, WM_SETCURSOR, wParam, lParam)) return TRUE;
  if (!(w = FromHandle(hwnd))) return TRUE;  // the parent destroyed it
  int32_t hit = int16_t(LOWORD(uintptr_t(lParam)));
  if (hit == HTERROR) {
    UINT mouseMsg = HIWORD(uintptr_t(lParam));
    if (mouseMsg == WM_LBUTTONDOWN || mouseMsg == WM_RBUTTONDOWN || mouseMsg == WM_MBUTTONDOWN)
      MessageBeep(0);
    return FALSE;
  }
  if (hit == HTCLIENT) {
    if (w->ClassCursor) {
      SetCursor(w->ClassCursor);
      return TRUE;
    }
    return FALSE;
  }
  if (HCURSOR c = SizeCursorFor(hit)) {
    SetCursor(c);
    return TRUE;
  }
  SetCursor(LoadCursor(nullptr, IDC_ARROW));
  return TRUE;
}

// A press on the frame: scroll bars track, the caption moves (or on a
// double click maximizes and restores), a sizable edge sizes.
void NcLeftButton(HWND hwnd, TWindowObj* w, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (wParam == HTVSCROLL || wParam == HTHSCROLL) {
    TrackScrollBar(hwnd, wParam == HTVSCROLL ? 1 : 0, TPoint{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
  } else if (msg == WM_NCLBUTTONDBLCLK && wParam == HTCAPTION) {
    if (w->Style & WS_MAXIMIZEBOX)
      SendMessage(hwnd, WM_SYSCOMMAND, w->Maximized ? SC_RESTORE : SC_MAXIMIZE, lParam);
  } else if (wParam == HTCAPTION) {
    SendMessage(hwnd, WM_SYSCOMMAND, WPARAM(SC_MOVE) | WPARAM(HTCAPTION), lParam);
  } else if (wParam >= HTLEFT && wParam <= HTBOTTOMRIGHT && (w->Style & WS_THICKFRAME)) {
    SendMessage(hwnd, WM_SYSCOMMAND, SC_SIZE | (wParam - HTLEFT + 1), lParam);
  }
}

// WM_MOVE and WM_SIZE from the change; the window is looked up again
// after WM_MOVE, whose handler may have destroyed it.
void WindowPosChanged(HWND hwnd, TWindowObj* w, const WINDOWPOS* wp) {
  if (!wp) return;
  if (!(wp->flags & SWP_NOCLIENTMOVE)) {
    TPoint co{w->WindowRect.Left + w->ClientRect.Left, w->WindowRect.Top + w->ClientRect.Top};
    CallProc(w, WM_MOVE, 0, MAKELPARAM(co.X, co.Y));
  }
  if ((w = FromHandle(hwnd)) && !(wp->flags & SWP_NOCLIENTSIZE))
    CallProc(w, WM_SIZE, w->Maximized ? SIZE_MAXIMIZED : SIZE_RESTORED,
             MAKELPARAM(w->ClientRect.Width(), w->ClientRect.Height()));
}

}  // namespace

LRESULT DefWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  TWindowObj* w = FromHandle(hwnd);
  if (!w) return 0;
  TWindowManager& m = WM();
  switch (msg) {
    case WM_NCCREATE:
      return TRUE;
    case WM_NCCALCSIZE: {
      auto* p = reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam);
      if (p)
        p->rgrc[0] =
            StandardClient(p->rgrc[0], FrameMetricsOf(w->Style, w->ExStyle, w->IsTopLevel()));
      return 0;
    }
    case WM_NCHITTEST:
      return StandardHitTest(w, TPoint{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
    case WM_NCPAINT:
      NcPaint(w, wParam);
      return 0;
    case WM_NCACTIVATE:
      if ((w->Style & WS_CAPTION) == WS_CAPTION) w->FrameDirty = true;
      return TRUE;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(hwnd, &ps);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return EraseBackground(w, wParam);
    case WM_PRINT:
      if ((lParam & PRF_CHECKVISIBLE) && !IsWindowVisible(hwnd)) return 0;
      if (wParam && IsDC(reinterpret_cast<HDC>(wParam)))
        PrintWindow(w, reinterpret_cast<HDC>(wParam), UINT(lParam));
      return 0;
    case WM_SETTEXT:
      w->Text = lParam ? reinterpret_cast<const char*>(lParam) : "";
      if ((w->Style & WS_CAPTION) == WS_CAPTION) w->FrameDirty = true;
      if (!w->Parent && m.Backend) m.Backend->TopLevelChanged(w);
      return TRUE;
    case WM_GETTEXT: {
      char* buf = reinterpret_cast<char*>(lParam);
      if (!buf || wParam == 0) return 0;
      size_t n = std::min(w->Text.size(), size_t(wParam) - 1);
      std::memcpy(buf, w->Text.data(), n);
      buf[n] = 0;
      return LRESULT(n);
    }
    case WM_GETTEXTLENGTH:
      return LRESULT(w->Text.size());
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_SYSCOMMAND:
      SysCommand(hwnd, wParam, lParam);
      return 0;
    case WM_SYSKEYDOWN:
      if (wParam == WPARAM(VK_F4) && (lParam & (1 << 29)))
        SendMessage(TopLevelOf(w)->Handle, WM_SYSCOMMAND, SC_CLOSE, 0);
      return 0;
    case WM_SETCURSOR:
      return SetCursorFor(hwnd, w, wParam, lParam);
    case WM_MOUSEACTIVATE:
      if (w->Parent) {
        LRESULT r = CallProc(w->Parent, WM_MOUSEACTIVATE, wParam, lParam);
        if (r) return r;
      }
      if (!(w = FromHandle(hwnd))) return MA_NOACTIVATE;
      return (TopLevelOf(w)->ExStyle & WS_EX_NOACTIVATE) ? MA_NOACTIVATE : MA_ACTIVATE;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && !w->Minimized) SetFocus(hwnd);
      return 0;
    case WM_MOUSEWHEEL:
    case WM_CONTEXTMENU:
      if (w->Parent) return CallProc(w->Parent, msg, wParam, lParam);
      return 0;
    case WM_RBUTTONUP: {
      TPoint p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      ClientToScreen(hwnd, p);
      SendMessage(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(p.X, p.Y));
      return 0;
    }
    case WM_NCRBUTTONUP:
      if (wParam == HTCAPTION || wParam == HTSYSMENU)
        SendMessage(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), lParam);
      return 0;
    case WM_NCLBUTTONUP:
      if (wParam == HTCLOSE) SendMessage(hwnd, WM_SYSCOMMAND, SC_CLOSE, lParam);
      return 0;
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
      NcLeftButton(hwnd, w, msg, wParam, lParam);
      return 0;
    case WM_WINDOWPOSCHANGED:
      WindowPosChanged(hwnd, w, reinterpret_cast<WINDOWPOS*>(lParam));
      return 0;
    case WM_CANCELMODE:
      if (m.Capture == w) ReleaseCapture();
      return 0;
    case WM_SETREDRAW:
      w->RedrawOff = wParam == 0;
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;
  }
  return 0;
}
