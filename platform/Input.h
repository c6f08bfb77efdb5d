#pragma once
// Keyboard and mouse: virtual-key codes, key state, capture, focus,
// activation, mouse tracking, cursors, the caret and the message hooks.

#include <cstdint>
#include <vector>

#include "platform/Messages.h"
#include "platform/Window.h"

// Virtual-key codes. Letters and digits are their upper-case ASCII codes.
enum : int32_t {
  VK_LBUTTON = 0x01,
  VK_RBUTTON = 0x02,
  VK_CANCEL = 0x03,
  VK_MBUTTON = 0x04,
  VK_BACK = 0x08,
  VK_TAB = 0x09,
  VK_CLEAR = 0x0C,
  VK_RETURN = 0x0D,
  VK_SHIFT = 0x10,
  VK_CONTROL = 0x11,
  VK_MENU = 0x12,
  VK_PAUSE = 0x13,
  VK_CAPITAL = 0x14,
  VK_ESCAPE = 0x1B,
  VK_SPACE = 0x20,
  VK_PRIOR = 0x21,
  VK_NEXT = 0x22,
  VK_END = 0x23,
  VK_HOME = 0x24,
  VK_LEFT = 0x25,
  VK_UP = 0x26,
  VK_RIGHT = 0x27,
  VK_DOWN = 0x28,
  VK_SELECT = 0x29,
  VK_PRINT = 0x2A,
  VK_SNAPSHOT = 0x2C,
  VK_INSERT = 0x2D,
  VK_DELETE = 0x2E,
  VK_HELP = 0x2F,
  VK_LWIN = 0x5B,
  VK_RWIN = 0x5C,
  VK_APPS = 0x5D,
  VK_NUMPAD0 = 0x60,
  VK_NUMPAD9 = 0x69,
  VK_MULTIPLY = 0x6A,
  VK_ADD = 0x6B,
  VK_SEPARATOR = 0x6C,
  VK_SUBTRACT = 0x6D,
  VK_DECIMAL = 0x6E,
  VK_DIVIDE = 0x6F,
  VK_F1 = 0x70,
  VK_F2 = 0x71,
  VK_F3 = 0x72,
  VK_F4 = 0x73,
  VK_F5 = 0x74,
  VK_F6 = 0x75,
  VK_F7 = 0x76,
  VK_F8 = 0x77,
  VK_F9 = 0x78,
  VK_F10 = 0x79,
  VK_F11 = 0x7A,
  VK_F12 = 0x7B,
  VK_F24 = 0x87,
  VK_NUMLOCK = 0x90,
  VK_SCROLL = 0x91,
  VK_LSHIFT = 0xA0,
  VK_RSHIFT = 0xA1,
  VK_LCONTROL = 0xA2,
  VK_RCONTROL = 0xA3,
  VK_LMENU = 0xA4,
  VK_RMENU = 0xA5,
  VK_OEM_1 = 0xBA,
  VK_OEM_PLUS = 0xBB,
  VK_OEM_COMMA = 0xBC,
  VK_OEM_MINUS = 0xBD,
  VK_OEM_PERIOD = 0xBE,
  VK_OEM_2 = 0xBF,
  VK_OEM_3 = 0xC0,
  VK_OEM_4 = 0xDB,
  VK_OEM_5 = 0xDC,
  VK_OEM_6 = 0xDD,
  VK_OEM_7 = 0xDE,
  VK_PROCESSKEY = 0xE5,
};

// Key state: bit 15 (a negative SHORT) while down, bit 0 toggled by each press.
int16_t GetKeyState(int32_t vk);       // as of the last retrieved message
int16_t GetAsyncKeyState(int32_t vk);  // as of now
bool GetKeyboardState(BYTE state[256]);
UINT MapVirtualKey(UINT code, UINT mapType);  // 0: key to scan code, 1: back, 2: key to char
int32_t GetKeyNameText(LPARAM lParam, char* buffer, int32_t size);

// Mouse capture: all mouse input goes to the capturing window. A window
// losing the capture is sent WM_CAPTURECHANGED (lParam = the new holder).
HWND SetCapture(HWND hwnd);
bool ReleaseCapture();
HWND GetCapture();
bool GetCursorPos(TPoint* p);
bool SetCursorPos(int32_t x, int32_t y);
UINT GetDoubleClickTime();
bool SwapMouseButton(bool swap);

// Keyboard focus and activation.
HWND SetFocus(HWND hwnd);
HWND GetFocus();
HWND SetActiveWindow(HWND hwnd);
HWND GetActiveWindow();
bool SetForegroundWindow(HWND hwnd);
HWND GetForegroundWindow();
bool LockSetForegroundWindow(UINT lockCode);
// Whether the application has the input focus among the screen's applications.
bool IsApplicationActive();

// Mouse tracking.
enum : DWORD {
  TME_HOVER = 0x01,
  TME_LEAVE = 0x02,
  TME_NONCLIENT = 0x10,
  TME_QUERY = 0x40000000,
  TME_CANCEL = 0x80000000,
};
inline constexpr DWORD HOVER_DEFAULT = 0xFFFFFFFF;
struct TRACKMOUSEEVENT {
  DWORD cbSize = sizeof(TRACKMOUSEEVENT);
  DWORD dwFlags = 0;
  HWND hwndTrack = nullptr;
  DWORD dwHoverTime = HOVER_DEFAULT;
};
bool TrackMouseEvent(TRACKMOUSEEVENT* tme);

// Cursors: the standard set by id, or made from a 32-bit image.
enum : int32_t {
  IDC_ARROW = 32512,
  IDC_IBEAM = 32513,
  IDC_WAIT = 32514,
  IDC_CROSS = 32515,
  IDC_UPARROW = 32516,
  IDC_SIZENWSE = 32642,
  IDC_SIZENESW = 32643,
  IDC_SIZEWE = 32644,
  IDC_SIZENS = 32645,
  IDC_SIZEALL = 32646,
  IDC_NO = 32648,
  IDC_HAND = 32649,
  IDC_APPSTARTING = 32650,
  IDC_HELP = 32651,
};
HCURSOR LoadCursor(void* instance, int32_t id);  // instance: nullptr for the standard set
// pixels: width * height values 0xAARRGGBB, top row first.
HCURSOR CreateCursorFromPixels(int32_t width, int32_t height, const uint32_t* pixels, int32_t hotX,
                               int32_t hotY);
bool DestroyCursor(HCURSOR cursor);
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();
int32_t ShowCursor(bool show);
int32_t CursorStandardId(HCURSOR cursor);  // 0 for image cursors
struct TCursorImage {
  int32_t Width = 0, Height = 0, HotX = 0, HotY = 0;
  std::vector<uint32_t> Pixels;
};
const TCursorImage* CursorImage(HCURSOR cursor);  // nullptr for standard cursors

// The caret of the user-interface thread: one per thread, drawn by inverting
// a rectangle of its window's client area; it blinks with the clock.
bool CreateCaret(HWND hwnd, HBITMAP bitmap, int32_t width, int32_t height);
bool DestroyCaret();
bool ShowCaret(HWND hwnd);
bool HideCaret(HWND hwnd);
bool SetCaretPos(int32_t x, int32_t y);
bool GetCaretPos(TPoint* p);
UINT GetCaretBlinkTime();
bool SetCaretBlinkTime(UINT ms);

// Message hooks of the user-interface thread, newest first. A hook procedure
// passes the call on with CallNextHookEx.
enum : int32_t { WH_GETMESSAGE = 3, WH_CALLWNDPROC = 4, WH_CBT = 5 };
enum : int32_t { HC_ACTION = 0 };
enum : int32_t {
  HCBT_MOVESIZE = 0,
  HCBT_MINMAX = 1,
  HCBT_CREATEWND = 3,
  HCBT_DESTROYWND = 4,
  HCBT_ACTIVATE = 5,
  HCBT_SETFOCUS = 9,
};
struct THookObject;
using HHOOK = THookObject*;
using HOOKPROC = LRESULT (*)(int32_t code, WPARAM wParam, LPARAM lParam);
// Call-window-procedure hooks get a CWPSTRUCT (lParam) for every sent message.
struct CWPSTRUCT {
  LPARAM lParam = 0;
  WPARAM wParam = 0;
  UINT message = 0;
  HWND hwnd = nullptr;
};
// instance and threadId are accepted for the familiar signature; hooks always
// belong to the user-interface thread.
HHOOK SetWindowsHookEx(int32_t kind, HOOKPROC proc, void* instance, DWORD threadId);
bool UnhookWindowsHookEx(HHOOK hook);
LRESULT CallNextHookEx(HHOOK hook, int32_t code, WPARAM wParam, LPARAM lParam);
// The narrow and wide entries of the old platform are one and the same here.
inline HHOOK SetWindowsHookExA(int32_t k, HOOKPROC p, void* i, DWORD t) {
  return SetWindowsHookEx(k, p, i, t);
}
inline HHOOK SetWindowsHookExW(int32_t k, HOOKPROC p, void* i, DWORD t) {
  return SetWindowsHookEx(k, p, i, t);
}
DWORD GetCurrentThreadId();

void MessageBeep(UINT type);

// Accessibility events: the objects exist (the toolbar's own), but nothing
// outside the program listens, so the notice goes nowhere.
enum : DWORD {
  EVENT_SYSTEM_MENUSTART = 0x0004,
  EVENT_SYSTEM_MENUEND = 0x0005,
  EVENT_SYSTEM_MENUPOPUPSTART = 0x0006,
  EVENT_SYSTEM_MENUPOPUPEND = 0x0007,
  EVENT_OBJECT_FOCUS = 0x8005,
};
enum : LONG { OBJID_WINDOW = 0, OBJID_CLIENT = -4, OBJID_MENU = -3, CHILDID_SELF = 0 };
void NotifyWinEvent(DWORD event, HWND hwnd, LONG idObject, LONG idChild);
