// Input: routing of mouse and key input to windows, capture, focus,
// activation, mouse tracking, key state, translation, cursors and the caret.

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/SysInfo.h"
#include "platform/WindowInternal.h"

namespace {

struct TKeyInfo {
  int32_t Vk;
  uint8_t Scan;
  const char* Name;
};

// Scan codes of the usual keyboard (set 1) and the names shown for them.
const TKeyInfo kKeys[] = {
    {VK_ESCAPE, 0x01, "Esc"},
    {'1', 0x02, "1"},
    {'2', 0x03, "2"},
    {'3', 0x04, "3"},
    {'4', 0x05, "4"},
    {'5', 0x06, "5"},
    {'6', 0x07, "6"},
    {'7', 0x08, "7"},
    {'8', 0x09, "8"},
    {'9', 0x0A, "9"},
    {'0', 0x0B, "0"},
    {VK_OEM_MINUS, 0x0C, "-"},
    {VK_OEM_PLUS, 0x0D, "="},
    {VK_BACK, 0x0E, "Backspace"},
    {VK_TAB, 0x0F, "Tab"},
    {'Q', 0x10, "Q"},
    {'W', 0x11, "W"},
    {'E', 0x12, "E"},
    {'R', 0x13, "R"},
    {'T', 0x14, "T"},
    {'Y', 0x15, "Y"},
    {'U', 0x16, "U"},
    {'I', 0x17, "I"},
    {'O', 0x18, "O"},
    {'P', 0x19, "P"},
    {VK_OEM_4, 0x1A, "["},
    {VK_OEM_6, 0x1B, "]"},
    {VK_RETURN, 0x1C, "Enter"},
    {VK_CONTROL, 0x1D, "Ctrl"},
    {'A', 0x1E, "A"},
    {'S', 0x1F, "S"},
    {'D', 0x20, "D"},
    {'F', 0x21, "F"},
    {'G', 0x22, "G"},
    {'H', 0x23, "H"},
    {'J', 0x24, "J"},
    {'K', 0x25, "K"},
    {'L', 0x26, "L"},
    {VK_OEM_1, 0x27, ";"},
    {VK_OEM_7, 0x28, "'"},
    {VK_OEM_3, 0x29, "`"},
    {VK_SHIFT, 0x2A, "Shift"},
    {VK_OEM_5, 0x2B, "\\"},
    {'Z', 0x2C, "Z"},
    {'X', 0x2D, "X"},
    {'C', 0x2E, "C"},
    {'V', 0x2F, "V"},
    {'B', 0x30, "B"},
    {'N', 0x31, "N"},
    {'M', 0x32, "M"},
    {VK_OEM_COMMA, 0x33, ","},
    {VK_OEM_PERIOD, 0x34, "."},
    {VK_OEM_2, 0x35, "/"},
    {VK_MULTIPLY, 0x37, "Num *"},
    {VK_MENU, 0x38, "Alt"},
    {VK_SPACE, 0x39, "Space"},
    {VK_CAPITAL, 0x3A, "Caps Lock"},
    {VK_F1, 0x3B, "F1"},
    {VK_F2, 0x3C, "F2"},
    {VK_F3, 0x3D, "F3"},
    {VK_F4, 0x3E, "F4"},
    {VK_F5, 0x3F, "F5"},
    {VK_F6, 0x40, "F6"},
    {VK_F7, 0x41, "F7"},
    {VK_F8, 0x42, "F8"},
    {VK_F9, 0x43, "F9"},
    {VK_F10, 0x44, "F10"},
    {VK_NUMLOCK, 0x45, "Num Lock"},
    {VK_SCROLL, 0x46, "Scroll Lock"},
    {VK_HOME, 0x47, "Home"},
    {VK_UP, 0x48, "Up"},
    {VK_PRIOR, 0x49, "Page Up"},
    {VK_SUBTRACT, 0x4A, "Num -"},
    {VK_LEFT, 0x4B, "Left"},
    {VK_RIGHT, 0x4D, "Right"},
    {VK_ADD, 0x4E, "Num +"},
    {VK_END, 0x4F, "End"},
    {VK_DOWN, 0x50, "Down"},
    {VK_NEXT, 0x51, "Page Down"},
    {VK_INSERT, 0x52, "Insert"},
    {VK_DELETE, 0x53, "Delete"},
    {VK_F11, 0x57, "F11"},
    {VK_F12, 0x58, "F12"},
};

const TKeyInfo* KeyByVk(int32_t vk) {
  for (const TKeyInfo& k : kKeys)
    if (k.Vk == vk) return &k;
  return nullptr;
}

const TKeyInfo* KeyByScan(uint32_t scan) {
  for (const TKeyInfo& k : kKeys)
    if (k.Scan == scan) return &k;
  return nullptr;
}

WPARAM MouseKeyFlags() {
  TWindowManager& m = WM();
  WPARAM f = 0;
  if (m.AsyncKeyState[VK_LBUTTON] & 0x80) f |= MK_LBUTTON;
  if (m.AsyncKeyState[VK_RBUTTON] & 0x80) f |= MK_RBUTTON;
  if (m.AsyncKeyState[VK_MBUTTON] & 0x80) f |= MK_MBUTTON;
  if (m.AsyncKeyState[VK_SHIFT] & 0x80) f |= MK_SHIFT;
  if (m.AsyncKeyState[VK_CONTROL] & 0x80) f |= MK_CONTROL;
  return f;
}

void PostSimple(TWindowObj* w, UINT message, WPARAM wParam, LPARAM lParam) {
  MSG msg;
  msg.hwnd = w->Handle;
  msg.message = message;
  msg.wParam = wParam;
  msg.lParam = lParam;
  msg.time = GetTickCount();
  msg.pt = WM().CursorPos;
  PostInputMessage(msg);
}

void UpdateLeaveTracking(TWindowObj* under, int32_t hit) {
  TWindowManager& m = WM();
  if (TWindowObj* t = m.LeaveTracked) {
    bool nonClient = (m.LeaveFlags & TME_NONCLIENT) != 0;
    bool inside = under == t && (nonClient ? hit != HTCLIENT : hit == HTCLIENT);
    if (!inside) {
      m.LeaveTracked = nullptr;
      PostSimple(t, nonClient ? WM_NCMOUSELEAVE : WM_MOUSELEAVE, 0, 0);
    }
  }
  m.Hover = under;
  m.HoverHit = hit;
}

// The window that a disabled top-level window waits for: the topmost
// visible, enabled window it owns (directly or through others), as a modal
// dialog is owned by the window it was opened from.
TWindowObj* EnabledPopupOf(TWindowObj* w) {
  for (TWindowObj* t : WM().TopLevels) {
    if (t == w || !t->Visible() || t->Minimized || (t->Style & WS_DISABLED) || (t->ExStyle & WS_EX_NOACTIVATE))
      continue;
    for (TWindowObj* o = t->Owner; o; o = o->Owner)
      if (o == w) return t;
  }
  return nullptr;
}

HWND SetActiveWindowImpl(TWindowObj* w, UINT how) {
  TWindowManager& m = WM();
  if (w) w = TopLevelOf(w);
  // A disabled window never takes the activation: while it waits for a
  // modal window, that window takes it in its place (or nothing changes).
  if (w && (w->Style & WS_DISABLED)) {
    w = EnabledPopupOf(w);
    if (!w) return nullptr;
  }
  TWindowObj* old = m.Active;
  HWND oldHandle = HandleOf(old);
  if (w == old) return oldHandle;
  HWND newHandle = HandleOf(w);
  if (old) {
    CallProc(old, WM_NCACTIVATE, FALSE, 0);
    if ((old = FromHandle(oldHandle)))
      CallProc(old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, old->Minimized),
               reinterpret_cast<LPARAM>(newHandle));
  }
  if (w && !FromHandle(newHandle)) return oldHandle;
  if (w && !m.AppActive) {
    m.AppActive = true;
    std::vector<HWND> tops;
    for (TWindowObj* t : m.TopLevels) tops.push_back(t->Handle);
    for (HWND t : tops) SendMessage(t, WM_ACTIVATEAPP, TRUE, 0);
    if (!FromHandle(newHandle)) return oldHandle;
  }
  m.Active = w;
  if (!w) {
    if (m.Focus) SetFocus(nullptr);
    return oldHandle;
  }
  m.LastActive = newHandle;
  if (m.Focus && TopLevelOf(m.Focus) != w) {
    // The focus leaves with the window that was active.
    TWindowObj* f = m.Focus;
    HWND fh = f->Handle;
    m.Focus = nullptr;
    CallProc(f, WM_KILLFOCUS, 0, 0);
    (void)fh;
  }
  if (!(w = FromHandle(newHandle))) return oldHandle;
  if (!w->Minimized)
    SetWindowPos(newHandle, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  if (!(w = FromHandle(newHandle))) return oldHandle;
  CallProc(w, WM_NCACTIVATE, TRUE, 0);
  if ((w = FromHandle(newHandle)))
    CallProc(w, WM_ACTIVATE, MAKEWPARAM(how, w->Minimized), reinterpret_cast<LPARAM>(oldHandle));
  return oldHandle;
}

std::vector<std::unique_ptr<TCursorObject>>& Cursors() {
  static std::vector<std::unique_ptr<TCursorObject>> cursors;
  return cursors;
}

// ---------------------------------------------------------------------------
// Caret drawing: an inverted rectangle in the caret window's client area.

void InvertCaret() {
  TWindowManager& m = WM();
  TWindowObj* w = m.CaretWindow;
  if (!w) return;
  TWindowObj* top = TopLevelOf(w);
  if (!top->Buffer) return;
  TPoint o = ClientOriginInTop(w);
  TRect r{o.X + m.CaretPos.X, o.Y + m.CaretPos.Y, o.X + m.CaretPos.X + m.CaretSize.cx,
          o.Y + m.CaretPos.Y + m.CaretSize.cy};
  Region clip = VisibleRegion(w, true).Intersect(r);
  for (const TRect& k : clip.Rects())
    for (int32_t y = k.Top; y < k.Bottom; ++y) {
      uint32_t* row = top->Buffer->Row(y);
      for (int32_t x = k.Left; x < k.Right; ++x) row[x] ^= 0x00FFFFFFu;
    }
  top->BufferDirty = true;
}

}  // namespace

void ForgetWindowInInput(TWindowObj* w) {
  TWindowManager& m = WM();
  if (m.Hover == w) m.Hover = nullptr;
  if (m.LeaveTracked == w) m.LeaveTracked = nullptr;
  if (m.CaretWindow == w) {
    m.CaretWindow = nullptr;
    m.CaretOn = false;
  }
  if (m.LastActive == w->Handle) m.LastActive = nullptr;
}

// ---------------------------------------------------------------------------
// Injected input

void InjectMouseMove(TPoint screen) {
  TWindowManager& m = WM();
  {
    std::lock_guard<std::mutex> lock(m.QueueLock);
    m.CursorPos = screen;
  }
  int32_t hit = HTNOWHERE;
  TWindowObj* under = HitTestScreen(screen, &hit);
  UpdateLeaveTracking(under, hit);
  MSG raw;
  raw.message = WM_MOUSEMOVE;
  raw.wParam = MouseKeyFlags();
  raw.time = GetTickCount();
  raw.pt = screen;
  PostRawMouse(raw);
}

void InjectMouseButton(int32_t button, bool down) {
  TWindowManager& m = WM();
  if (button != VK_LBUTTON && button != VK_RBUTTON && button != VK_MBUTTON) return;
  BYTE& s = m.AsyncKeyState[button];
  if (down) {
    if (!(s & 0x80)) s ^= 0x01;
    s |= 0x80;
  } else {
    s &= ~0x80;
  }
  // A window manager that focuses on click does so before the program
  // sees the press.
  if (down && m.Backend && !m.Capture) m.Backend->PointerPressed(m.CursorPos);
  UINT base = button == VK_LBUTTON   ? WM_LBUTTONDOWN
              : button == VK_RBUTTON ? WM_RBUTTONDOWN
                                     : WM_MBUTTONDOWN;
  MSG raw;
  raw.message = down ? base : base + 1;
  raw.wParam = MouseKeyFlags();
  raw.time = GetTickCount();
  {
    std::lock_guard<std::mutex> lock(m.QueueLock);
    raw.pt = m.CursorPos;
  }
  PostRawMouse(raw);
}

bool RouteMouse(const MSG& raw, MSG& out, bool commit) {
  TWindowManager& m = WM();
  if ((raw.message >= WM_KEYFIRST && raw.message <= WM_KEYLAST) || raw.message == WM_MOUSEWHEEL) {
    // Keys go to the focus; without one, to the active window as system keys.
    TWindowObj* target = m.Focus ? m.Focus : m.Active;
    if (!target) return false;
    out = raw;
    out.hwnd = target->Handle;
    if (!m.Focus) {
      if (raw.message == WM_KEYDOWN) out.message = WM_SYSKEYDOWN;
      if (raw.message == WM_KEYUP) out.message = WM_SYSKEYUP;
    }
    return true;
  }
  TPoint p = raw.pt;
  UINT msgId = raw.message;
  bool isDown = msgId == WM_LBUTTONDOWN || msgId == WM_RBUTTONDOWN || msgId == WM_MBUTTONDOWN;
  int32_t hit = HTCLIENT;
  TWindowObj* target = m.Capture;
  if (!target) {
    target = HitTestScreen(p, &hit);
    if (!target) return false;
  }
  HWND h = target->Handle;
  if (!m.Capture) {
    if (hit == HTERROR) {
      if (commit)
        SendMessage(h, WM_SETCURSOR, reinterpret_cast<WPARAM>(h), MAKELPARAM(HTERROR, msgId));
      return false;
    }
    if (commit) {
      if (isDown) {
        TWindowObj* top = TopLevelOf(target);
        if (top != m.Active) {
          LRESULT r = SendMessage(h, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(top->Handle),
                                  MAKELPARAM(hit, msgId));
          if ((r == MA_ACTIVATE || r == MA_ACTIVATEANDEAT) && FromHandle(h))
            SetActiveWindowImpl(TopLevelOf(FromHandle(h)), WA_CLICKACTIVE);
          if (r == MA_ACTIVATEANDEAT || r == MA_NOACTIVATEANDEAT) return false;
        }
        if (!FromHandle(h)) return false;
      }
      SendMessage(h, WM_SETCURSOR, reinterpret_cast<WPARAM>(h), MAKELPARAM(hit, msgId));
      if (!(target = FromHandle(h))) return false;
    }
  }
  if (isDown) {
    // Two presses of one button on one window, close in time and place,
    // make a double click; a third press starts over.
    bool allowed = hit != HTCLIENT || (target->ClassStyle & CS_DBLCLKS);
    bool dbl = allowed && m.LastClickMsg == msgId && m.LastClickWindow == h &&
               !m.LastClickWasDouble && raw.time - m.LastClickTime <= GetDoubleClickTime() &&
               std::abs(p.X - m.LastClickPos.X) <= GetSystemMetrics(SM_CXDOUBLECLK) / 2 &&
               std::abs(p.Y - m.LastClickPos.Y) <= GetSystemMetrics(SM_CYDOUBLECLK) / 2;
    if (commit) {
      m.LastClickMsg = msgId;
      m.LastClickWindow = h;
      m.LastClickTime = raw.time;
      m.LastClickPos = p;
      m.LastClickWasDouble = dbl;
    }
    if (dbl) msgId += 2;
  }
  out = MSG{};
  out.hwnd = h;
  out.time = raw.time;
  out.pt = p;
  if (hit == HTCLIENT) {
    TPoint o = ClientOriginOnScreen(target);
    out.message = msgId;
    out.wParam = raw.wParam;
    out.lParam = MAKELPARAM(p.X - o.X, p.Y - o.Y);
  } else {
    out.message = msgId - WM_MOUSEMOVE + WM_NCMOUSEMOVE;
    out.wParam = WPARAM(intptr_t(hit));
    out.lParam = MAKELPARAM(p.X, p.Y);
  }
  return true;
}

// Keys, characters and the wheel are queued raw too: they go to the window
// that has the focus when they are taken.
void PostRawKeyboard(UINT message, WPARAM wParam, LPARAM lParam) {
  TWindowManager& m = WM();
  MSG raw;
  raw.message = message;
  raw.wParam = wParam;
  raw.lParam = lParam;
  raw.time = GetTickCount();
  {
    std::lock_guard<std::mutex> lock(m.QueueLock);
    raw.pt = m.CursorPos;
  }
  PostRawMouse(raw);
}

void InjectMouseWheel(int32_t delta) {
  TWindowManager& m = WM();
  PostRawKeyboard(WM_MOUSEWHEEL, MAKEWPARAM(int32_t(MouseKeyFlags()), delta),
                  MAKELPARAM(m.CursorPos.X, m.CursorPos.Y));
}

void InjectKey(int32_t vk, bool down) {
  TWindowManager& m = WM();
  vk &= 0xFF;
  int32_t generic = vk;
  if (vk == VK_LSHIFT || vk == VK_RSHIFT) generic = VK_SHIFT;
  if (vk == VK_LCONTROL || vk == VK_RCONTROL) generic = VK_CONTROL;
  if (vk == VK_LMENU || vk == VK_RMENU) generic = VK_MENU;
  bool wasDown = (m.AsyncKeyState[generic] & 0x80) != 0;
  for (int32_t k : {vk, generic}) {
    BYTE& s = m.AsyncKeyState[k];
    if (down) {
      if (!(s & 0x80)) s ^= 0x01;
      s |= 0x80;
    } else {
      s &= ~0x80;
    }
    if (k == generic) break;
  }
  if (vk != generic) {  // the generic state follows both sides
    int32_t l = generic == VK_SHIFT ? VK_LSHIFT : generic == VK_CONTROL ? VK_LCONTROL : VK_LMENU;
    bool any = (m.AsyncKeyState[l] & 0x80) || (m.AsyncKeyState[l + 1] & 0x80);
    m.AsyncKeyState[generic] = BYTE((m.AsyncKeyState[generic] & 0x01) | (any ? 0x80 : 0));
  }
  bool alt = (m.AsyncKeyState[VK_MENU] & 0x80) != 0;
  bool ctrl = (m.AsyncKeyState[VK_CONTROL] & 0x80) != 0;
  bool sys = (alt && !ctrl) || generic == VK_F10 || (generic == VK_MENU && !ctrl);
  UINT msg = down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
  LPARAM lp = 1 | (LPARAM(MapVirtualKey(UINT(generic), 0)) << 16);
  if (alt) lp |= LPARAM(1) << 29;
  if (wasDown || !down) lp |= LPARAM(1) << 30;
  if (!down) lp |= LPARAM(1) << 31;
  PostRawKeyboard(msg, WPARAM(generic), lp);
}

void InjectChar(uint32_t codePoint) {
  if (codePoint) PostRawKeyboard(WM_CHAR, WPARAM(codePoint), 1);
}

void InjectAppActivation(bool active) {
  TWindowManager& m = WM();
  if (active == m.AppActive) return;
  if (active) {
    TWindowObj* w = FromHandle(m.LastActive);
    if (!w)
      for (TWindowObj* t : m.TopLevels)
        if (ReallyVisible(t) && ReallyEnabled(t)) {
          w = t;
          break;
        }
    if (w) {
      SetActiveWindowImpl(w, WA_ACTIVE);
    } else {
      m.AppActive = true;
    }
    return;
  }
  HWND last = HandleOf(m.Active);
  SetActiveWindowImpl(nullptr, WA_INACTIVE);
  m.LastActive = last;
  m.AppActive = false;
  std::vector<HWND> tops;
  for (TWindowObj* t : m.TopLevels) tops.push_back(t->Handle);
  for (HWND t : tops) SendMessage(t, WM_ACTIVATEAPP, FALSE, 0);
}

HWND InjectWindowFocus(HWND hwnd) {
  TWindowObj* w = FromHandle(hwnd);
  if (!w || w->Parent) return GetActiveWindow();
  if (WM().Active != w) SetActiveWindowImpl(w, WA_ACTIVE);
  return GetActiveWindow();
}

void InjectCloseRequest(HWND hwnd) {
  if (TWindowObj* w = FromHandle(hwnd))
    PostMessage(TopLevelOf(w)->Handle, WM_SYSCOMMAND, SC_CLOSE, 0);
}

void InjectWindowBounds(HWND hwnd, const TRect& r) {
  TWindowObj* w = FromHandle(hwnd);
  if (!w || w->Parent) return;
  SetWindowPos(hwnd, nullptr, r.Left, r.Top, r.Width(), r.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
}

// ---------------------------------------------------------------------------
// Key state and translation

int16_t GetKeyState(int32_t vk) {
  BYTE s = WM().KeyState[vk & 0xFF];
  return int16_t(((s & 0x80) ? 0x8000 : 0) | (s & 0x01));
}

int16_t GetAsyncKeyState(int32_t vk) {
  BYTE s = WM().AsyncKeyState[vk & 0xFF];
  return int16_t((s & 0x80) ? 0x8000 : 0);
}

bool GetKeyboardState(BYTE state[256]) {
  std::memcpy(state, WM().KeyState, 256);
  return true;
}

UINT MapVirtualKey(UINT code, UINT mapType) {
  switch (mapType) {
    case 0: {
      const TKeyInfo* k = KeyByVk(int32_t(code));
      return k ? k->Scan : 0;
    }
    case 1: {
      const TKeyInfo* k = KeyByScan(code);
      return k ? UINT(k->Vk) : 0;
    }
    case 2:
      if ((code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9') || code == VK_SPACE)
        return code;
      if (code >= VK_NUMPAD0 && code <= VK_NUMPAD9) return '0' + (code - VK_NUMPAD0);
      switch (code) {
        case VK_OEM_1:
          return ';';
        case VK_OEM_PLUS:
          return '=';
        case VK_OEM_COMMA:
          return ',';
        case VK_OEM_MINUS:
          return '-';
        case VK_OEM_PERIOD:
          return '.';
        case VK_OEM_2:
          return '/';
        case VK_OEM_3:
          return '`';
        case VK_OEM_4:
          return '[';
        case VK_OEM_5:
          return '\\';
        case VK_OEM_6:
          return ']';
        case VK_OEM_7:
          return '\'';
        case VK_BACK:
          return 8;
        case VK_TAB:
          return 9;
        case VK_RETURN:
          return 13;
        case VK_ESCAPE:
          return 27;
      }
      return 0;
  }
  return 0;
}

int32_t GetKeyNameText(LPARAM lParam, char* buffer, int32_t size) {
  if (!buffer || size <= 0) return 0;
  const TKeyInfo* k = KeyByScan(uint32_t((lParam >> 16) & 0xFF));
  const char* name = k ? k->Name : "";
  int32_t n = std::min<int32_t>(int32_t(std::strlen(name)), size - 1);
  std::memcpy(buffer, name, size_t(n));
  buffer[n] = 0;
  return n;
}

bool TranslateMessage(const MSG& msg) {
  if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
  TWindowManager& m = WM();
  int32_t vk = int32_t(msg.wParam);
  bool shift = m.KeyState[VK_SHIFT] & 0x80;
  bool ctrl = m.KeyState[VK_CONTROL] & 0x80;
  bool alt = m.KeyState[VK_MENU] & 0x80;
  bool caps = m.KeyState[VK_CAPITAL] & 0x01;
  bool sys = msg.message == WM_SYSKEYDOWN;
  bool printable = sys || (m.Backend && m.Backend->TextFromKeys());
  uint32_t ch = 0;
  if (ctrl && !alt) {
    if (vk >= 'A' && vk <= 'Z')
      ch = uint32_t(vk - 'A' + 1);
    else if (vk == VK_BACK)
      ch = 127;
    else if (vk == VK_RETURN)
      ch = 10;
    else if (vk == VK_ESCAPE || vk == VK_OEM_4)
      ch = 27;
    else if (vk == VK_OEM_5)
      ch = 28;
    else if (vk == VK_OEM_6)
      ch = 29;
  } else if (vk == VK_BACK || vk == VK_TAB || vk == VK_RETURN || vk == VK_ESCAPE) {
    ch = MapVirtualKey(UINT(vk), 2);
  } else if (printable) {
    static const char kShiftedDigits[] = ")!@#$%^&*(";
    if (vk >= 'A' && vk <= 'Z')
      ch = uint32_t((shift != caps) ? vk : vk + 32);
    else if (vk >= '0' && vk <= '9')
      ch = uint32_t(shift ? kShiftedDigits[vk - '0'] : vk);
    else if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9)
      ch = uint32_t('0' + vk - VK_NUMPAD0);
    else if (vk == VK_SPACE)
      ch = ' ';
    else if (vk == VK_MULTIPLY)
      ch = '*';
    else if (vk == VK_ADD)
      ch = '+';
    else if (vk == VK_SUBTRACT)
      ch = '-';
    else if (vk == VK_DECIMAL)
      ch = '.';
    else if (vk == VK_DIVIDE)
      ch = '/';
    else {
      static const struct {
        int32_t vk;
        char plain, shifted;
      } kOem[] = {{VK_OEM_1, ';', ':'},     {VK_OEM_PLUS, '=', '+'},   {VK_OEM_COMMA, ',', '<'},
                  {VK_OEM_MINUS, '-', '_'}, {VK_OEM_PERIOD, '.', '>'}, {VK_OEM_2, '/', '?'},
                  {VK_OEM_3, '`', '~'},     {VK_OEM_4, '[', '{'},      {VK_OEM_5, '\\', '|'},
                  {VK_OEM_6, ']', '}'},     {VK_OEM_7, '\'', '"'}};
      for (const auto& o : kOem)
        if (o.vk == vk) ch = uint32_t(uint8_t(shift ? o.shifted : o.plain));
    }
  }
  if (!ch) return false;
  MSG c = msg;
  c.message = sys ? WM_SYSCHAR : WM_CHAR;
  c.wParam = ch;
  std::lock_guard<std::mutex> lock(m.QueueLock);
  m.Posted.push_front(TQueued{c, false, m.NextQueuedId++});  // the character is the next message
  ++m.PostSerial;
  return true;
}

// ---------------------------------------------------------------------------
// Capture, focus, activation

HWND SetCapture(HWND hwnd) {
  TWindowManager& m = WM();
  TWindowObj* w = FromHandle(hwnd);
  TWindowObj* old = m.Capture;
  HWND oldHandle = HandleOf(old);
  if (!w || w == old) return oldHandle;
  m.Capture = w;
  if (old) CallProc(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
  if (m.Backend) m.Backend->CaptureChanged(m.Capture);
  return oldHandle;
}

bool ReleaseCapture() {
  TWindowManager& m = WM();
  TWindowObj* old = m.Capture;
  if (!old) return true;
  m.Capture = nullptr;
  CallProc(old, WM_CAPTURECHANGED, 0, 0);
  if (m.Backend) m.Backend->CaptureChanged(m.Capture);
  // The window under the pointer learns where the pointer is.
  if (!m.Capture) InjectMouseMove(m.CursorPos);
  return true;
}

HWND GetCapture() {
  return HandleOf(WM().Capture);
}

bool GetCursorPos(TPoint* p) {
  if (!p) return false;
  TWindowManager& m = WM();
  if (OnUiThread() && m.Backend && m.Backend->QueryCursor(*p)) return true;
  std::lock_guard<std::mutex> lock(m.QueueLock);
  *p = m.CursorPos;
  return true;
}

bool SetCursorPos(int32_t x, int32_t y) {
  TWindowManager& m = WM();
  if (m.Backend) m.Backend->CursorMoved(TPoint{x, y});
  InjectMouseMove(TPoint{x, y});
  return true;
}

UINT GetDoubleClickTime() {
  return 500;
}

bool SwapMouseButton(bool swap) {
  TWindowManager& m = WM();
  bool old = m.ButtonsSwapped;
  m.ButtonsSwapped = swap;
  return old;
}

HWND SetFocus(HWND hwnd) {
  TWindowManager& m = WM();
  TWindowObj* w = FromHandle(hwnd);
  if (hwnd && !w) return nullptr;
  TWindowObj* old = m.Focus;
  HWND oldHandle = HandleOf(old);
  if (w == old) return oldHandle;
  if (w && TopLevelOf(w) != m.Active) {
    SetActiveWindowImpl(TopLevelOf(w), WA_ACTIVE);
    if (!(w = FromHandle(hwnd))) return oldHandle;
    // A window that cannot be activated (disabled: it waits for a modal
    // one) keeps its controls from the keyboard too.
    if (TopLevelOf(w) != m.Active) return nullptr;
    old = m.Focus;
    oldHandle = HandleOf(old);
    if (old == w) return oldHandle;
  }
  if (old) CallProc(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
  if (hwnd && !(w = FromHandle(hwnd))) return oldHandle;
  m.Focus = w;
  if (w)
    CallProc(w, WM_SETFOCUS, reinterpret_cast<WPARAM>(FromHandle(oldHandle) ? oldHandle : nullptr),
             0);
  return oldHandle;
}

HWND GetFocus() {
  return HandleOf(WM().Focus);
}

HWND SetActiveWindow(HWND hwnd) {
  TWindowObj* w = FromHandle(hwnd);
  if (hwnd && !w) return nullptr;
  return SetActiveWindowImpl(w, WA_ACTIVE);
}

HWND GetActiveWindow() {
  return HandleOf(WM().Active);
}

bool SetForegroundWindow(HWND hwnd) {
  return SetActiveWindow(hwnd) || GetActiveWindow() == hwnd;
}

HWND GetForegroundWindow() {
  return GetActiveWindow();
}

bool LockSetForegroundWindow(UINT) {
  return true;
}

bool IsApplicationActive() {
  return WM().AppActive;
}

bool TrackMouseEvent(TRACKMOUSEEVENT* tme) {
  if (!tme) return false;
  TWindowManager& m = WM();
  if (tme->dwFlags & TME_QUERY) {
    tme->hwndTrack = HandleOf(m.LeaveTracked);
    tme->dwFlags = m.LeaveTracked ? (TME_LEAVE | (m.LeaveFlags & TME_NONCLIENT)) : 0;
    return true;
  }
  TWindowObj* w = FromHandle(tme->hwndTrack);
  if (!w) return false;
  if (tme->dwFlags & TME_CANCEL) {
    if (m.LeaveTracked == w) m.LeaveTracked = nullptr;
    return true;
  }
  if (!(tme->dwFlags & TME_LEAVE)) return true;
  bool nonClient = (tme->dwFlags & TME_NONCLIENT) != 0;
  bool inside = m.Hover == w && (nonClient ? m.HoverHit != HTCLIENT : m.HoverHit == HTCLIENT);
  if (!inside) {
    PostSimple(w, nonClient ? WM_NCMOUSELEAVE : WM_MOUSELEAVE, 0, 0);
    return true;
  }
  m.LeaveTracked = w;
  m.LeaveFlags = tme->dwFlags;
  return true;
}

void MessageBeep(UINT) {}

void NotifyWinEvent(DWORD, HWND, LONG, LONG) {}

// ---------------------------------------------------------------------------
// Cursors

HCURSOR LoadCursor(void* instance, int32_t id) {
  static const int32_t kStandard[] = {
      IDC_ARROW,  IDC_IBEAM,  IDC_WAIT,    IDC_CROSS, IDC_UPARROW, IDC_SIZENWSE,    IDC_SIZENESW,
      IDC_SIZEWE, IDC_SIZENS, IDC_SIZEALL, IDC_NO,    IDC_HAND,    IDC_APPSTARTING, IDC_HELP};
  if (instance) return nullptr;
  static TCursorObject table[std::size(kStandard)];
  for (size_t i = 0; i < std::size(kStandard); ++i)
    if (kStandard[i] == id) {
      table[i].StandardId = id;
      return &table[i];
    }
  return nullptr;
}

HCURSOR CreateCursorFromPixels(int32_t width, int32_t height, const uint32_t* pixels, int32_t hotX,
                               int32_t hotY) {
  if (width <= 0 || height <= 0 || width > 256 || height > 256 || !pixels) return nullptr;
  auto c = std::make_unique<TCursorObject>();
  c->Image.Width = width;
  c->Image.Height = height;
  c->Image.HotX = std::clamp(hotX, 0, width - 1);
  c->Image.HotY = std::clamp(hotY, 0, height - 1);
  c->Image.Pixels.assign(pixels, pixels + size_t(width) * size_t(height));
  HCURSOR h = c.get();
  Cursors().push_back(std::move(c));
  return h;
}

bool DestroyCursor(HCURSOR cursor) {
  auto& list = Cursors();
  auto it = std::find_if(list.begin(), list.end(), [&](auto& c) { return c.get() == cursor; });
  if (it == list.end()) return false;
  TWindowManager& m = WM();
  if (m.Cursor == cursor) SetCursor(LoadCursor(nullptr, IDC_ARROW));
  if (m.Backend) m.Backend->CursorDestroyed(cursor);
  list.erase(it);
  return true;
}

HCURSOR SetCursor(HCURSOR cursor) {
  TWindowManager& m = WM();
  HCURSOR old = m.Cursor;
  if (cursor != old) {
    m.Cursor = cursor;
    if (m.Backend) m.Backend->CursorChanged(cursor);
  }
  return old;
}

HCURSOR GetCursor() {
  return WM().Cursor;
}

int32_t ShowCursor(bool show) {
  TWindowManager& m = WM();
  m.CursorShowCount += show ? 1 : -1;
  if (m.Backend) m.Backend->CursorChanged(m.Cursor);
  return m.CursorShowCount;
}

int32_t CursorStandardId(HCURSOR cursor) {
  return cursor ? cursor->StandardId : 0;
}

const TCursorImage* CursorImage(HCURSOR cursor) {
  return cursor && cursor->StandardId == 0 ? &cursor->Image : nullptr;
}

// ---------------------------------------------------------------------------
// Caret

void CaretErase() {
  TWindowManager& m = WM();
  if (m.CaretOn) {
    InvertCaret();
    m.CaretOn = false;
  }
}

void CaretRedraw() {
  TWindowManager& m = WM();
  if (m.CaretWindow && m.CaretHideCount == 0 && m.CaretPhase && !m.CaretOn) {
    InvertCaret();
    m.CaretOn = true;
  }
}

void CaretBlinkStep(DWORD now) {
  TWindowManager& m = WM();
  if (!m.CaretWindow || m.CaretHideCount != 0) return;
  if (int32_t(now - m.CaretNextBlink) < 0) return;
  m.CaretPhase = !m.CaretPhase;
  if (m.CaretPhase)
    CaretRedraw();
  else
    CaretErase();
  m.CaretNextBlink = now + m.CaretBlinkTime;
}

bool NextCaretDeadline(DWORD* when) {
  TWindowManager& m = WM();
  if (!m.CaretWindow || m.CaretHideCount != 0) return false;
  *when = m.CaretNextBlink;
  return true;
}

bool CreateCaret(HWND hwnd, HBITMAP, int32_t width, int32_t height) {
  TWindowObj* w = FromHandle(hwnd);
  if (!w) return false;
  DestroyCaret();
  TWindowManager& m = WM();
  m.CaretWindow = w;
  m.CaretSize = TSize{width > 0 ? width : GetSystemMetrics(SM_CXBORDER),
                      height > 0 ? height : GetSystemMetrics(SM_CYBORDER)};
  m.CaretPos = TPoint{0, 0};
  m.CaretHideCount = 1;
  m.CaretOn = false;
  m.CaretPhase = true;
  return true;
}

bool DestroyCaret() {
  TWindowManager& m = WM();
  if (!m.CaretWindow) return false;
  CaretErase();
  m.CaretWindow = nullptr;
  return true;
}

bool ShowCaret(HWND hwnd) {
  TWindowManager& m = WM();
  if (!m.CaretWindow || (hwnd && m.CaretWindow->Handle != hwnd)) return false;
  if (m.CaretHideCount > 0 && --m.CaretHideCount == 0) {
    m.CaretPhase = true;
    m.CaretNextBlink = GetTickCount() + m.CaretBlinkTime;
    CaretRedraw();
  }
  return true;
}

bool HideCaret(HWND hwnd) {
  TWindowManager& m = WM();
  if (!m.CaretWindow || (hwnd && m.CaretWindow->Handle != hwnd)) return false;
  CaretErase();
  ++m.CaretHideCount;
  return true;
}

bool SetCaretPos(int32_t x, int32_t y) {
  TWindowManager& m = WM();
  if (!m.CaretWindow) return false;
  CaretErase();
  m.CaretPos = TPoint{x, y};
  m.CaretPhase = true;
  m.CaretNextBlink = GetTickCount() + m.CaretBlinkTime;
  CaretRedraw();
  return true;
}

bool GetCaretPos(TPoint* p) {
  TWindowManager& m = WM();
  if (!p || !m.CaretWindow) return false;
  *p = m.CaretPos;
  return true;
}

UINT GetCaretBlinkTime() {
  return WM().CaretBlinkTime;
}

bool SetCaretBlinkTime(UINT ms) {
  WM().CaretBlinkTime = std::max<UINT>(ms, 10);
  return true;
}
