// Input routing: capture, the non-client hit-test path, double clicks,
// mouse leave, focus and activation, keys, hooks.

#include <algorithm>
#include <functional>
#include <string>

#include "tests/platform/window_test_util.h"

namespace {

class InputTest : public HeadlessTest {
 protected:
  void Click(TPoint p, int32_t button = VK_LBUTTON) {
    InjectMouseMove(p);
    InjectMouseButton(button, true);
    InjectMouseButton(button, false);
  }
};

TEST_F(InputTest, CaptureTakesAllMouseInputAndItsLossIsAnnounced) {
  HWND a = Top(0, 0, 100, 100);
  HWND b = Top(200, 0, 100, 100);
  Pump();
  Log.clear();
  EXPECT_EQ(SetCapture(a), nullptr);
  EXPECT_EQ(SetCapture(b), a);
  const TLogged* changed = Find(a, WM_CAPTURECHANGED);
  ASSERT_NE(changed, nullptr);
  EXPECT_EQ(changed->LParam, reinterpret_cast<LPARAM>(b));
  // Over a, yet b gets it, as a client message in b's coordinates.
  Click(TPoint{50, 60});
  Pump();
  EXPECT_EQ(Count(a, WM_LBUTTONDOWN), 0u);
  const TLogged* down = Find(b, WM_LBUTTONDOWN);
  ASSERT_NE(down, nullptr);
  EXPECT_EQ(GET_X_LPARAM(down->LParam), -150);
  EXPECT_EQ(GET_Y_LPARAM(down->LParam), 60);
  EXPECT_EQ(Count(b, WM_SETCURSOR), 0u);
  Log.clear();
  EXPECT_TRUE(ReleaseCapture());
  changed = Find(b, WM_CAPTURECHANGED);
  ASSERT_NE(changed, nullptr);
  EXPECT_EQ(changed->LParam, 0);
  EXPECT_EQ(GetCapture(), nullptr);
  Click(TPoint{50, 60});
  Pump();
  EXPECT_EQ(Count(a, WM_LBUTTONDOWN), 1u);
  // Destroying the holder ends the capture.
  SetCapture(a);
  DestroyWindow(a);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(InputTest, NonClientHitTestDecidesBetweenClientAndFrameMessages) {
  HWND top = Top(100, 100, 300, 200);
  // A docked-frame-like child: 2 pixels of frame, 10 more on the left, its own hit codes.
  Handler = [&](HWND h, UINT m, WPARAM, LPARAM l, LRESULT& r) {
    if (h == top) return false;
    if (m == WM_NCCALCSIZE) {
      RECT& rc = reinterpret_cast<NCCALCSIZE_PARAMS*>(l)->rgrc[0];
      rc.Left += 12;
      rc.Top += 2;
      rc.Right -= 2;
      rc.Bottom -= 2;
      r = 0;
      return true;
    }
    if (m == WM_NCHITTEST) {
      r = DefWindowProc(h, m, 0, l);
      if (r != HTCLIENT) r = 2000;
      return true;
    }
    return false;
  };
  HWND child = Child(top, 10, 10, 100, 50);
  RECT cr;
  GetClientRect(child, cr);
  EXPECT_EQ(cr, Rect(0, 0, 86, 46));
  TPoint origin{0, 0};
  ClientToScreen(child, origin);
  EXPECT_EQ(origin, Point(122, 112));
  Pump();
  Log.clear();
  Click(TPoint{115, 130});  // on the handle
  Click(TPoint{150, 130});  // in the client area
  Pump();
  const TLogged* nc = Find(child, WM_NCLBUTTONDOWN);
  ASSERT_NE(nc, nullptr);
  EXPECT_EQ(nc->WParam, 2000u);
  EXPECT_EQ(GET_X_LPARAM(nc->LParam), 115);  // screen coordinates
  const TLogged* cl = Find(child, WM_LBUTTONDOWN);
  ASSERT_NE(cl, nullptr);
  EXPECT_EQ(GET_X_LPARAM(cl->LParam), 28);
  EXPECT_EQ(GET_Y_LPARAM(cl->LParam), 18);
  EXPECT_EQ(Count(top, WM_LBUTTONDOWN), 0u);
  // The cursor question carries the hit code and the mouse message.
  Everything = true;
  Log.clear();
  InjectMouseMove(TPoint{115, 130});
  Pump();
  const TLogged* sc = Find(child, WM_SETCURSOR);
  ASSERT_NE(sc, nullptr);
  EXPECT_EQ(int16_t(LOWORD(uintptr_t(sc->LParam))), 2000);
  EXPECT_EQ(HIWORD(uintptr_t(sc->LParam)), UINT(WM_MOUSEMOVE));
  // The parent is asked first by the default handling.
  EXPECT_NE(Find(top, WM_SETCURSOR), nullptr);
}

TEST_F(InputTest, AChildWindowSizedWithTheMouseFollowsThePointer) {
  HWND top = Top(0, 0, 300, 300);
  HWND child = Child(top, 10, 10, 100, 100);
  Handler = [&](HWND h, UINT m, WPARAM w, LPARAM l, LRESULT& r) {
    if (h != child) return false;
    if (m == WM_NCHITTEST) {
      r = HTBOTTOMRIGHT;
      return true;
    }
    if (m == WM_NCLBUTTONDOWN && w == WPARAM(HTBOTTOMRIGHT)) {
      // No sizing frame: the window asks for the sizing itself.
      SendMessage(h, WM_SYSCOMMAND, SC_SIZE | 8, l);
      r = 0;
      return true;
    }
    return false;
  };
  Pump();
  InjectMouseMove(TPoint{105, 105});
  InjectMouseButton(VK_LBUTTON, true);
  InjectMouseMove(TPoint{125, 115});
  InjectMouseButton(VK_LBUTTON, false);
  Pump();
  TRect r;
  GetClientRect(child, r);
  EXPECT_EQ(r.Width(), 120);
  EXPECT_EQ(r.Height(), 110);
}

TEST_F(InputTest, TransparentAndDisabledChildren) {
  HWND top = Top(0, 0, 200, 200);
  HWND below = Child(top, 10, 10, 100, 100);
  HWND glass = Child(top, 10, 10, 100, 100);
  SetWindowPos(glass, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  Handler = [&](HWND h, UINT m, WPARAM, LPARAM, LRESULT& r) {
    if (h == glass && m == WM_NCHITTEST) {
      r = HTTRANSPARENT;
      return true;
    }
    return false;
  };
  EXPECT_EQ(WindowFromPoint(TPoint{50, 50}), below);
  EXPECT_EQ(ChildWindowFromPoint(top, TPoint{50, 50}), glass);
  Pump();
  Log.clear();
  Click(TPoint{50, 50});
  Pump();
  EXPECT_EQ(Count(below, WM_LBUTTONDOWN), 1u);
  EXPECT_EQ(Count(glass, WM_LBUTTONDOWN), 0u);
  // A disabled window takes no clicks.
  EnableWindow(below, false);
  Log.clear();
  Click(TPoint{50, 50});
  Pump();
  EXPECT_EQ(Count(below, WM_LBUTTONDOWN), 0u);
  EXPECT_EQ(Count(top, WM_LBUTTONDOWN), 0u);
}

TEST_F(InputTest, StandardFrameHitTest) {
  HWND w = Top(100, 100, 300, 200, WS_POPUP | WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_VISIBLE);
  RECT cr;
  GetClientRect(w, cr);
  EXPECT_EQ(cr, Rect(0, 0, 300 - 8, 200 - 8 - GetSystemMetrics(SM_CYCAPTION)));
  struct {
    TPoint p;
    int32_t hit;
  } cases[] = {
      {{100, 100}, HTTOPLEFT}, {{399, 299}, HTBOTTOMRIGHT}, {{101, 200}, HTLEFT},
      {{398, 200}, HTRIGHT},   {{250, 101}, HTTOP},         {{250, 298}, HTBOTTOM},
      {{200, 110}, HTCAPTION}, {{250, 200}, HTCLIENT},      {{99, 200}, HTNOWHERE},
      {{390, 110}, HTCLOSE},
  };
  for (const auto& c : cases)
    EXPECT_EQ(SendMessage(w, WM_NCHITTEST, 0, MAKELPARAM(c.p.X, c.p.Y)), c.hit)
        << c.p.X << "," << c.p.Y;
}

TEST_F(InputTest, DoubleClicksNeedTheClassStyleTimeAndDistance) {
  HWND w = Top(0, 0, 100, 100);
  WNDCLASS plain;
  plain.lpszClassName = "Plain";
  plain.lpfnWndProc = [this](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
    Log.push_back({h, m, wp, lp});
    return DefWindowProc(h, m, wp, lp);
  };
  RegisterClass(plain);
  HWND p = CreateWindowEx(0, "Plain", "", WS_POPUP | WS_VISIBLE, 200, 0, 100, 100, nullptr);
  struct {
    TPoint first, second;
    DWORD wait;
    bool dbl;
  } cases[] = {
      {{10, 10}, {10, 10}, 100, true},   // same place, soon
      {{10, 10}, {12, 8}, 500, true},    // 2 pixels off, at the time limit
      {{10, 10}, {13, 10}, 100, false},  // 3 pixels: too far
      {{10, 10}, {10, 13}, 100, false}, {{10, 10}, {10, 10}, 501, false},  // too late
  };
  for (const auto& c : cases) {
    HeadlessAdvanceClock(5000);
    Pump();
    Log.clear();
    Click(c.first);
    HeadlessAdvanceClock(c.wait);
    Click(c.second);
    Pump();
    EXPECT_EQ(Count(w, WM_LBUTTONDBLCLK), c.dbl ? 1u : 0u)
        << c.second.X << "," << c.second.Y << " " << c.wait;
    EXPECT_EQ(Count(w, WM_LBUTTONDOWN), c.dbl ? 1u : 2u);
  }
  // A third quick click starts over.
  HeadlessAdvanceClock(5000);
  Log.clear();
  Click(TPoint{10, 10});
  Click(TPoint{10, 10});
  Click(TPoint{10, 10});
  Pump();
  EXPECT_EQ(Count(w, WM_LBUTTONDBLCLK), 1u);
  EXPECT_EQ(Count(w, WM_LBUTTONDOWN), 2u);
  // Without CS_DBLCLKS: two presses.
  Log.clear();
  Click(TPoint{210, 10});
  Click(TPoint{210, 10});
  Pump();
  EXPECT_EQ(Count(p, WM_LBUTTONDBLCLK), 0u);
  EXPECT_EQ(Count(p, WM_LBUTTONDOWN), 2u);
}

TEST_F(InputTest, MouseLeaveIsPostedOnceWhenTracked) {
  HWND a = Top(0, 0, 100, 100);
  HWND b = Top(100, 0, 100, 100);
  InjectMouseMove(TPoint{50, 50});
  TRACKMOUSEEVENT tme;
  tme.dwFlags = TME_LEAVE;
  tme.hwndTrack = a;
  ASSERT_TRUE(TrackMouseEvent(&tme));
  Pump();
  Log.clear();
  InjectMouseMove(TPoint{60, 50});
  InjectMouseMove(TPoint{150, 50});
  InjectMouseMove(TPoint{50, 50});
  InjectMouseMove(TPoint{150, 50});
  Pump();
  EXPECT_EQ(Count(a, WM_MOUSELEAVE), 1u);
  EXPECT_EQ(Count(b, WM_MOUSELEAVE), 0u);
  // Tracking a window the pointer is not in answers at once.
  tme.hwndTrack = a;
  TrackMouseEvent(&tme);
  Pump();
  EXPECT_EQ(Count(a, WM_MOUSELEAVE), 2u);
}

TEST_F(InputTest, ActivationAndFocusMessagesInOrder) {
  HWND a = Top(0, 0, 100, 100, WS_POPUP);
  HWND b = Top(200, 0, 100, 100, WS_POPUP);
  HWND bc = Child(b, 0, 0, 10, 10);
  Log.clear();
  ShowWindow(a, SW_SHOW);
  EXPECT_EQ(GetActiveWindow(), a);
  EXPECT_EQ(GetFocus(), a);
  EXPECT_TRUE(IsApplicationActive());
  auto ms = Messages(a);
  auto pos = [&](UINT m) { return std::find(ms.begin(), ms.end(), m) - ms.begin(); };
  EXPECT_LT(pos(WM_ACTIVATEAPP), pos(WM_NCACTIVATE));
  EXPECT_LT(pos(WM_NCACTIVATE), pos(WM_ACTIVATE));
  EXPECT_LT(pos(WM_ACTIVATE), pos(WM_SETFOCUS));
  EXPECT_EQ(Count(b, WM_ACTIVATEAPP), 1u);  // every top-level window hears of it
  ShowWindow(b, SW_SHOWNA);
  EXPECT_EQ(GetActiveWindow(), a);
  Log.clear();
  SetFocus(bc);  // activates b
  EXPECT_EQ(GetActiveWindow(), b);
  EXPECT_EQ(GetFocus(), bc);
  const TLogged* deact = Find(a, WM_ACTIVATE);
  ASSERT_NE(deact, nullptr);
  EXPECT_EQ(LOWORD(deact->WParam), UINT(WA_INACTIVE));
  EXPECT_EQ(deact->LParam, reinterpret_cast<LPARAM>(b));
  EXPECT_EQ(Count(a, WM_KILLFOCUS), 1u);
  const TLogged* sf = Find(bc, WM_SETFOCUS);
  ASSERT_NE(sf, nullptr);
  // The application loses and regains the screen's focus.
  Log.clear();
  InjectAppActivation(false);
  EXPECT_FALSE(IsApplicationActive());
  EXPECT_EQ(GetActiveWindow(), nullptr);
  const TLogged* app = Find(a, WM_ACTIVATEAPP);
  ASSERT_NE(app, nullptr);
  EXPECT_EQ(app->WParam, WPARAM(FALSE));
  InjectAppActivation(true);
  EXPECT_EQ(GetActiveWindow(), b);
  // A click on an inactive window activates it; a no-activate window stays passive.
  Log.clear();
  Click(TPoint{50, 50});
  Pump();  // activation comes as the press is taken
  EXPECT_EQ(GetActiveWindow(), a);
  const TLogged* act = Find(a, WM_ACTIVATE);
  ASSERT_NE(act, nullptr);
  EXPECT_EQ(LOWORD(act->WParam), UINT(WA_CLICKACTIVE));
  HWND popup = Top(400, 0, 50, 50, WS_POPUP, WS_EX_NOACTIVATE | WS_EX_TOPMOST);
  SetWindowPos(popup, HWND_TOPMOST, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW | SWP_NOACTIVATE);
  Click(TPoint{420, 20});
  Pump();
  EXPECT_EQ(GetActiveWindow(), a);
  EXPECT_EQ(GetTopWindow(nullptr), popup);
}

// While a window waits for a modal one (it is disabled, the modal window is
// owned by it), nothing gives it the activation: neither the program, nor
// the window system's focus, nor a click on it under a click-to-focus window
// manager. The window it waits for takes the activation in its place (as a
// click on the waiting window brings the dialog forward); a disabled window
// that waits for none is refused.
TEST_F(InputTest, ADisabledWindowNeverTakesTheActivation) {
  HeadlessSetClickToFocus(true);
  HWND owner = Top(0, 0, 300, 300);
  HWND field = Child(owner, 10, 10, 50, 20);
  HWND other = Top(400, 0, 100, 100);
  HWND modal = CreateWindowEx(0, "Logged", "modal", WS_POPUP | WS_CAPTION | WS_VISIBLE, 100, 100, 100, 80, owner);
  ASSERT_EQ(GetWindow(modal, GW_OWNER), owner);
  EnableWindow(owner, false);
  SetActiveWindow(modal);
  Pump();
  ASSERT_EQ(GetActiveWindow(), modal);
  HWND focus = GetFocus();
  Log.clear();
  struct TCase {
    const char* How;
    std::function<void()> Do;
  } cases[] = {
      {"SetActiveWindow", [&] { SetActiveWindow(owner); }},
      {"SetFocus on a control", [&] { EXPECT_EQ(SetFocus(field), nullptr); }},
      {"the window system's focus", [&] { EXPECT_EQ(InjectWindowFocus(owner), modal); }},
      {"a click", [&] { Click(TPoint{250, 250}); }},
  };
  for (const TCase& c : cases) {
    SetActiveWindow(other);
    ASSERT_EQ(GetActiveWindow(), other);
    Log.clear();
    c.Do();
    Pump();
    EXPECT_EQ(GetActiveWindow(), modal) << c.How;
    EXPECT_EQ(Count(owner, WM_ACTIVATE), 0u) << c.How;
    EXPECT_EQ(Count(owner, WM_LBUTTONDOWN), 0u) << c.How;
    EXPECT_NE(GetFocus(), field) << c.How;
  }
  // Focused by the window system while it waits, the waiting window gives
  // the activation to the modal one when the program is not active at all.
  InjectAppActivation(false);
  EXPECT_EQ(InjectWindowFocus(owner), modal);
  EXPECT_EQ(GetActiveWindow(), modal);
  EXPECT_EQ(GetFocus(), focus);
  // With no window to wait for, a disabled window is refused outright.
  EnableWindow(other, false);
  SetActiveWindow(modal);
  EXPECT_EQ(InjectWindowFocus(other), modal);
  EXPECT_EQ(GetActiveWindow(), modal);
  // Enabled again, it takes the activation as before.
  EnableWindow(owner, true);
  EXPECT_EQ(InjectWindowFocus(owner), owner);
  Click(TPoint{420, 20});
  Pump();
  EXPECT_EQ(GetActiveWindow(), owner) << "a click on a disabled window activates nothing";
}

TEST_F(InputTest, KeysTranslateToCharactersAndKeyStateFollowsRetrieval) {
  HWND w = Top(0, 0, 100, 100);
  SetFocus(w);
  Pump();
  Log.clear();
  InjectKey('A', true);
  InjectKey('A', false);
  InjectKey(VK_SHIFT, true);
  InjectKey('B', true);
  InjectKey('B', false);
  InjectKey(VK_SHIFT, false);
  InjectKey(VK_RETURN, true);
  EXPECT_LT(GetAsyncKeyState(VK_RETURN), 0);
  EXPECT_EQ(GetKeyState(VK_RETURN), 0);  // not yet retrieved
  Pump();
  EXPECT_LT(GetKeyState(VK_RETURN), 0);
  std::vector<WPARAM> chars;
  for (const TLogged& l : Log)
    if (l.Message == WM_CHAR) chars.push_back(l.WParam);
  EXPECT_EQ(chars, (std::vector<WPARAM>{'a', 'B', 13}));
  // The key-down bits: repeat count 1, previous state, transition.
  const TLogged* up = Find(w, WM_KEYUP);
  ASSERT_NE(up, nullptr);
  EXPECT_EQ(uint32_t(up->LParam) >> 30, 3u);
  EXPECT_EQ(uint32_t(up->LParam) & 0xFFFF, 1u);
  // Alt turns keys into system keys and characters into system characters.
  Log.clear();
  InjectKey(VK_MENU, true);
  InjectKey('F', true);
  InjectKey('F', false);
  InjectKey(VK_MENU, false);
  Pump();
  EXPECT_EQ(Count(w, WM_SYSKEYDOWN), 2u);
  const TLogged* sc = Find(w, WM_SYSCHAR);
  ASSERT_NE(sc, nullptr);
  EXPECT_EQ(sc->WParam, WPARAM('f'));
  EXPECT_NE(sc->LParam & (LPARAM(1) << 29), 0);
  char name[32];
  EXPECT_EQ(GetKeyNameText(LPARAM(MapVirtualKey(VK_F5, 0)) << 16, name, sizeof name), 2);
  EXPECT_STREQ(name, "F5");
}

// Hook procedures are plain functions: they report through these.
std::vector<std::string> gHookTrace;
HHOOK gCallHook, gCbtHook, gGetHook, gOlderGetHook;

LRESULT CALLBACK_CallWnd(int32_t code, WPARAM w, LPARAM l) {
  auto* cwp = reinterpret_cast<CWPSTRUCT*>(l);
  if (code == HC_ACTION && (cwp->message == WM_ACTIVATEAPP || cwp->message == WM_WINDOWPOSCHANGED))
    gHookTrace.push_back(cwp->message == WM_ACTIVATEAPP ? "activateapp" : "windowposchanged");
  return CallNextHookEx(gCallHook, code, w, l);
}
LRESULT CALLBACK_Cbt(int32_t code, WPARAM w, LPARAM l) {
  if (code == HCBT_DESTROYWND)
    gHookTrace.push_back("destroy " + std::to_string(IsWindow(reinterpret_cast<HWND>(w))));
  return CallNextHookEx(gCbtHook, code, w, l);
}
LRESULT CALLBACK_Get(int32_t code, WPARAM w, LPARAM l) {
  auto* msg = reinterpret_cast<MSG*>(l);
  if (msg->message == WM_USER + 5) {
    gHookTrace.push_back(w == PM_REMOVE ? "get remove" : "get peek");
    msg->wParam = 99;  // a hook may change the message
  }
  return CallNextHookEx(gGetHook, code, w, l);
}
LRESULT CALLBACK_OlderGet(int32_t code, WPARAM w, LPARAM l) {
  auto* msg = reinterpret_cast<MSG*>(l);
  if (msg->message == WM_USER + 5)
    gHookTrace.push_back("older sees " + std::to_string(msg->wParam));
  return CallNextHookEx(gOlderGetHook, code, w, l);
}

TEST_F(InputTest, HooksObserveSentMessagesDestructionAndRetrieval) {
  gHookTrace.clear();
  gOlderGetHook = SetWindowsHookEx(WH_GETMESSAGE, CALLBACK_OlderGet, nullptr, GetCurrentThreadId());
  gGetHook = SetWindowsHookEx(WH_GETMESSAGE, CALLBACK_Get, nullptr, GetCurrentThreadId());
  gCallHook = SetWindowsHookEx(WH_CALLWNDPROC, CALLBACK_CallWnd, nullptr, GetCurrentThreadId());
  gCbtHook = SetWindowsHookEx(WH_CBT, CALLBACK_Cbt, nullptr, GetCurrentThreadId());
  ASSERT_TRUE(gGetHook && gCallHook && gCbtHook && gOlderGetHook);
  HWND w = Top(0, 0, 50, 50);
  EXPECT_NE(std::find(gHookTrace.begin(), gHookTrace.end(), "activateapp"), gHookTrace.end());
  EXPECT_NE(std::find(gHookTrace.begin(), gHookTrace.end(), "windowposchanged"), gHookTrace.end());
  gHookTrace.clear();
  PostMessage(w, WM_USER + 5, 1, 0);
  MSG msg;
  ASSERT_TRUE(PeekMessage(msg, nullptr, 0, 0, PM_NOREMOVE));
  ASSERT_TRUE(PeekMessage(msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 99u);
  EXPECT_EQ(gHookTrace,
            (std::vector<std::string>{"get peek", "older sees 99", "get remove", "older sees 99"}));
  gHookTrace.clear();
  Log.clear();
  DestroyWindow(w);
  ASSERT_FALSE(gHookTrace.empty());
  EXPECT_EQ(gHookTrace.front(), "destroy 1");  // before the window goes
  EXPECT_EQ(Count(w, WM_DESTROY), 1u);
  EXPECT_TRUE(UnhookWindowsHookEx(gCallHook));
  EXPECT_FALSE(UnhookWindowsHookEx(gCallHook));
  UnhookWindowsHookEx(gCbtHook);
  UnhookWindowsHookEx(gGetHook);
  UnhookWindowsHookEx(gOlderGetHook);
  gHookTrace.clear();
  HWND w2 = Top(0, 0, 50, 50);
  DestroyWindow(w2);
  EXPECT_TRUE(gHookTrace.empty());
}

TEST_F(InputTest, DestroyOrderAndReparenting) {
  HWND top = Top(0, 0, 200, 200);
  HWND owned = CreateWindowEx(0, "Logged", "owned", WS_POPUP | WS_VISIBLE, 10, 10, 20, 20, top);
  HWND c1 = Child(top, 0, 0, 50, 50);
  HWND c2 = Child(c1, 0, 0, 10, 10);
  HWND other = Top(300, 0, 100, 100, WS_POPUP);
  EXPECT_EQ(GetParent(owned), top);
  EXPECT_EQ(GetWindow(owned, GW_OWNER), top);
  // Re-parenting keeps the window and its children.
  EXPECT_EQ(SetParent(c1, other), top);
  EXPECT_TRUE(IsChild(other, c2));
  EXPECT_EQ(GetAncestor(c2, GA_ROOT), other);
  EXPECT_EQ(SetParent(c1, c2), nullptr);  // not into itself
  SetParent(c1, top);
  Everything = true;
  Log.clear();
  DestroyWindow(top);
  std::vector<std::pair<HWND, UINT>> seq;
  for (const TLogged& l : Log)
    if (l.Message == WM_DESTROY || l.Message == WM_NCDESTROY) seq.push_back({l.Window, l.Message});
  std::vector<std::pair<HWND, UINT>> want = {
      {owned, WM_DESTROY}, {owned, WM_NCDESTROY}, {top, WM_DESTROY},  {c1, WM_DESTROY},
      {c2, WM_DESTROY},    {c2, WM_NCDESTROY},    {c1, WM_NCDESTROY}, {top, WM_NCDESTROY}};
  EXPECT_EQ(seq, want);
  for (HWND h : {top, owned, c1, c2}) EXPECT_FALSE(IsWindow(h));
  EXPECT_TRUE(IsWindow(other));
}

}  // namespace

namespace {

class ZOrderTest : public HeadlessTest {
 protected:
  std::vector<HWND> TopOrder() {
    std::vector<HWND> r;
    EnumWindows([&](HWND h) {
      r.push_back(h);
      return true;
    });
    return r;
  }
  static void Place(HWND h, HWND after) {
    SetWindowPos(h, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
};

TEST_F(ZOrderTest, TopmostGroupOwnedWindowsAndSiblings) {
  HWND a = Top(0, 0, 10, 10, WS_POPUP);
  HWND b = Top(0, 0, 10, 10, WS_POPUP);
  HWND t = Top(0, 0, 10, 10, WS_POPUP, WS_EX_TOPMOST);
  EXPECT_EQ(TopOrder(), (std::vector<HWND>{t, b, a}));
  Place(a, HWND_TOP);
  EXPECT_EQ(TopOrder(), (std::vector<HWND>{t, a, b}));
  HWND o = CreateWindowEx(0, "Logged", "", WS_POPUP, 0, 0, 5, 5, a);
  Place(b, HWND_TOP);
  EXPECT_EQ(TopOrder(), (std::vector<HWND>{t, b, o, a}));
  Place(a, HWND_TOP);  // its owned window stays above it
  EXPECT_EQ(TopOrder(), (std::vector<HWND>{t, o, a, b}));
  Place(b, HWND_TOPMOST);
  EXPECT_TRUE(GetWindowLong(b, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_EQ(TopOrder(), (std::vector<HWND>{b, t, o, a}));
  Place(b, HWND_NOTOPMOST);
  EXPECT_EQ(TopOrder(), (std::vector<HWND>{t, b, o, a}));
  Place(t, HWND_BOTTOM);
  EXPECT_FALSE(GetWindowLong(t, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_EQ(TopOrder(), (std::vector<HWND>{b, o, a, t}));
  // Children: the first created is on top; insert-after places below a sibling.
  HWND c1 = Child(a, 0, 0, 5, 5);
  HWND c2 = Child(a, 0, 0, 5, 5);
  EXPECT_EQ(GetWindow(a, GW_CHILD), c1);
  EXPECT_EQ(GetWindow(c1, GW_HWNDNEXT), c2);
  Place(c2, HWND_TOP);
  EXPECT_EQ(GetWindow(a, GW_CHILD), c2);
  Place(c2, c1);
  EXPECT_EQ(GetWindow(a, GW_CHILD), c1);
  EXPECT_EQ(GetWindow(c2, GW_HWNDPREV), c1);
}

TEST_F(ZOrderTest, AWindowMayDestroyItselfInItsOwnHandler) {
  HWND w = Top(0, 0, 50, 50);
  Handler = [&](HWND h, UINT m, WPARAM, LPARAM, LRESULT& r) {
    if (m == WM_LBUTTONDOWN) {
      DestroyWindow(h);
      r = 0;
      return true;
    }
    return false;
  };
  InjectMouseMove(TPoint{10, 10});
  InjectMouseButton(VK_LBUTTON, true);
  InjectMouseButton(VK_LBUTTON, false);
  PostMessage(w, WM_USER, 0, 0);
  Log.clear();
  Pump();
  EXPECT_FALSE(IsWindow(w));
  EXPECT_EQ(Count(w, WM_LBUTTONUP), 0u);  // queued for a window that is gone: dropped
  EXPECT_EQ(Count(w, WM_USER), 0u);
  EXPECT_EQ(GetActiveWindow(), nullptr);
  EXPECT_EQ(GetFocus(), nullptr);
}

TEST_F(ZOrderTest, RedrawFlagsReachChildrenAndFrames) {
  HWND top = Top(0, 0, 100, 100);
  HWND child = Child(top, 10, 10, 20, 20, WS_CHILD | WS_VISIBLE | WS_BORDER);
  Pump();
  Everything = true;
  Log.clear();
  RedrawWindow(top, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  EXPECT_EQ(Count(top, WM_PAINT), 1u);
  EXPECT_EQ(Count(child, WM_PAINT), 1u);
  EXPECT_EQ(Count(child, WM_NCPAINT), 1u);
  Log.clear();
  RECT r{50, 50, 60, 60};  // away from the child
  RedrawWindow(top, &r, RDW_INVALIDATE | RDW_ALLCHILDREN);
  Pump();
  EXPECT_EQ(Count(top, WM_PAINT), 1u);
  EXPECT_EQ(Count(child, WM_PAINT), 0u);
  Log.clear();
  InvalidateRect(child, nullptr, true);
  RedrawWindow(child, nullptr, RDW_VALIDATE);
  Pump();
  EXPECT_EQ(Count(child, WM_PAINT), 0u);
  // A window whose procedure ignores WM_PAINT is not asked again and again.
  Handler = [&](HWND h, UINT m, WPARAM, LPARAM, LRESULT& res) {
    if (h == child && m == WM_PAINT) {
      res = 0;
      return true;
    }
    return false;
  };
  InvalidateRect(child, nullptr, false);
  Log.clear();
  Pump();
  EXPECT_EQ(Count(child, WM_PAINT), 1u);
}

}  // namespace

namespace {

// A menu-style modal loop: it holds the capture, looks at each message
// before taking it, ends on a press outside its window (leaving the press
// queued for the window under it) or when another window takes the capture.
class MenuLoopTest : public HeadlessTest {
 protected:
  std::string RunLoop(HWND menu) {
    SetCapture(menu);
    MSG msg;
    bool first = true;
    while (GetCapture() == menu) {
      if (!first) WaitMessage();
      first = false;
      while (GetCapture() == menu && PeekMessage(msg, nullptr, 0, 0, PM_NOREMOVE)) {
        if (msg.message == WM_LBUTTONDOWN) {
          TPoint p = msg.pt;
          RECT r;
          GetWindowRect(menu, r);
          if (!PtInRect(&r, p)) {
            ReleaseCapture();
            return "outside";
          }
        }
        if (!PeekMessage(msg, nullptr, 0, 0, PM_REMOVE)) continue;
        if (msg.message == WM_KEYDOWN && msg.wParam == WPARAM(VK_ESCAPE)) {
          ReleaseCapture();
          return "escape";
        }
        DispatchMessage(msg);
      }
    }
    return "capture lost";
  }
};

TEST_F(MenuLoopTest, APressOutsideEndsTheLoopAndStillReachesItsWindow) {
  HWND main = Top(0, 0, 300, 300);
  HWND menu = Top(50, 50, 100, 100, WS_POPUP, WS_EX_TOPMOST | WS_EX_NOACTIVATE);
  ShowWindow(menu, SW_SHOWNA);
  Pump();
  int step = 0;
  HeadlessSetIdleHandler([&] {
    if (step++ == 0) {
      InjectMouseMove(TPoint{250, 250});
      InjectMouseButton(VK_LBUTTON, true);
      InjectMouseButton(VK_LBUTTON, false);
    }
    return true;
  });
  Log.clear();
  EXPECT_EQ(RunLoop(menu), "outside");
  EXPECT_EQ(Count(main, WM_LBUTTONDOWN), 0u);
  Pump();
  // Looked at while the menu held the capture, taken after it let go: the
  // press belongs to the window under it.
  EXPECT_EQ(Count(menu, WM_LBUTTONDOWN), 0u);
  const TLogged* down = Find(main, WM_LBUTTONDOWN);
  ASSERT_NE(down, nullptr);
  EXPECT_EQ(GET_X_LPARAM(down->LParam), 250);
  EXPECT_EQ(GetActiveWindow(), main);
}

TEST_F(MenuLoopTest, AnotherWindowTakingTheCaptureEndsTheLoop) {
  HWND main = Top(0, 0, 300, 300);
  HWND menu = Top(50, 50, 100, 100, WS_POPUP, WS_EX_TOPMOST | WS_EX_NOACTIVATE);
  HeadlessSetIdleHandler([&] {
    SetCapture(main);
    return true;
  });
  EXPECT_EQ(RunLoop(menu), "capture lost");
  EXPECT_EQ(GetCapture(), main);
}

TEST_F(MenuLoopTest, KeysGoToTheFocusWhileTheLoopRuns) {
  HWND main = Top(0, 0, 300, 300);
  HWND menu = Top(50, 50, 100, 100, WS_POPUP, WS_EX_TOPMOST | WS_EX_NOACTIVATE);
  ShowWindow(menu, SW_SHOWNA);
  EXPECT_EQ(GetFocus(), main);
  HeadlessSetIdleHandler([&] {
    InjectKey(VK_ESCAPE, true);
    return true;
  });
  EXPECT_EQ(RunLoop(menu), "escape");
  EXPECT_EQ(GetActiveWindow(), main);
  (void)menu;
}

}  // namespace

namespace {

TEST_F(InputTest, QueuedKeysGoWhereTheFocusIsWhenTheyAreTaken) {
  HWND top = Top(0, 0, 100, 100);
  HWND first = Child(top, 0, 0, 10, 10);
  HWND second = Child(top, 20, 0, 10, 10);
  SetFocus(first);
  Pump();
  Log.clear();
  InjectKey('Q', true);
  InjectChar('q');
  SetFocus(second);  // a dialog control took the focus before the loop ran
  Pump();
  EXPECT_EQ(Count(first, WM_KEYDOWN), 0u);
  EXPECT_EQ(Count(second, WM_KEYDOWN), 1u);
  EXPECT_EQ(Count(second, WM_CHAR), 2u);  // the typed character and the translated one
  // Without a focus, keys reach the active window as system keys.
  SetFocus(nullptr);
  Log.clear();
  InjectKey('Q', false);
  Pump();
  EXPECT_EQ(Count(top, WM_SYSKEYUP), 1u);
}

}  // namespace

namespace {

class MoveSizeTest : public InputTest {
 protected:
  // Presses at `from`, moves to each point in turn while the loop waits, then
  // releases (or presses Escape).
  void Drag(TPoint from, std::vector<TPoint> path, bool escape = false) {
    size_t step = 0;
    HeadlessSetIdleHandler([&, path, escape] {
      if (step < path.size()) {
        InjectMouseMove(path[step++]);
      } else if (escape) {
        InjectKey(VK_ESCAPE, true);
      } else {
        InjectMouseButton(VK_LBUTTON, false);
      }
      return true;
    });
    InjectMouseMove(from);
    InjectMouseButton(VK_LBUTTON, true);
    Pump();
    HeadlessSetIdleHandler(nullptr);
  }
};

TEST_F(MoveSizeTest, CaptionMovesAndFramesSize) {
  HWND w = Top(100, 100, 300, 200, WS_POPUP | WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_VISIBLE);
  Pump();
  Log.clear();
  Drag(TPoint{150, 110}, {TPoint{170, 120}, TPoint{200, 150}});
  RECT r;
  GetWindowRect(w, r);
  EXPECT_EQ(r, Rect(150, 140, 450, 340));
  EXPECT_EQ(Count(w, WM_ENTERSIZEMOVE), 1u);
  EXPECT_EQ(Count(w, WM_EXITSIZEMOVE), 1u);
  EXPECT_GE(Count(w, WM_MOVING), 2u);
  // The bottom-right corner sizes; the left edge stops at the smallest width.
  Drag(TPoint{449, 339}, {TPoint{499, 369}});
  GetWindowRect(w, r);
  EXPECT_EQ(r, Rect(150, 140, 500, 370));
  Drag(TPoint{151, 250}, {TPoint{480, 250}});
  GetWindowRect(w, r);
  EXPECT_EQ(r.Width(), GetSystemMetrics(SM_CXMINTRACK));
  EXPECT_EQ(r.Right, 500);
  // Escape puts it back.
  GetWindowRect(w, r);
  Drag(TPoint{300, 150}, {TPoint{350, 200}}, true);
  RECT after;
  GetWindowRect(w, after);
  EXPECT_EQ(after, r);
  EXPECT_EQ(GetCapture(), nullptr);
}

}  // namespace
