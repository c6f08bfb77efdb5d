#pragma once
// Windows, the message queue and painting of the user-interface thread.
//
// Every window belongs to the user-interface thread: the thread that started
// the platform (InitPlatform, or the first window). Sending a message calls the window procedure directly;
// posting queues it. Only PostMessage, PostThreadMessage, PostQuitMessage and
// SendMessage (which then waits for the user-interface thread) may be called
// from other threads.

#include <functional>
#include <string>
#include <vector>

#include "platform/DC.h"
#include "platform/Messages.h"
#include "platform/Region.h"
#include "platform/Types.h"
#include "rtl/Clock.h"  // GetTickCount: the clock of timers and messages

using WNDPROC = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;
using TIMERPROC = void (*)(HWND, UINT, uintptr_t, DWORD);
struct TCursorObject;
using HCURSOR = TCursorObject*;

// Window styles.
enum : DWORD {
  WS_OVERLAPPED = 0x00000000,
  WS_POPUP = 0x80000000,
  WS_CHILD = 0x40000000,
  WS_MINIMIZE = 0x20000000,
  WS_VISIBLE = 0x10000000,
  WS_DISABLED = 0x08000000,
  WS_CLIPSIBLINGS = 0x04000000,
  WS_CLIPCHILDREN = 0x02000000,
  WS_MAXIMIZE = 0x01000000,
  WS_CAPTION = 0x00C00000,
  WS_BORDER = 0x00800000,
  WS_DLGFRAME = 0x00400000,
  WS_VSCROLL = 0x00200000,
  WS_HSCROLL = 0x00100000,
  WS_SYSMENU = 0x00080000,
  WS_THICKFRAME = 0x00040000,
  WS_GROUP = 0x00020000,
  WS_TABSTOP = 0x00010000,
  WS_MINIMIZEBOX = 0x00020000,
  WS_MAXIMIZEBOX = 0x00010000,
  WS_OVERLAPPEDWINDOW = 0x00CF0000,
};
enum : DWORD {
  WS_EX_DLGMODALFRAME = 0x00000001,
  WS_EX_NOPARENTNOTIFY = 0x00000004,
  WS_EX_TOPMOST = 0x00000008,
  WS_EX_ACCEPTFILES = 0x00000010,
  WS_EX_TRANSPARENT = 0x00000020,
  WS_EX_TOOLWINDOW = 0x00000080,
  WS_EX_WINDOWEDGE = 0x00000100,
  WS_EX_CLIENTEDGE = 0x00000200,
  WS_EX_CONTEXTHELP = 0x00000400,
  WS_EX_CONTROLPARENT = 0x00010000,
  WS_EX_STATICEDGE = 0x00020000,
  WS_EX_APPWINDOW = 0x00040000,
  WS_EX_LAYERED = 0x00080000,
  WS_EX_NOACTIVATE = 0x08000000,
};
// Class styles.
enum : UINT {
  CS_VREDRAW = 0x0001,
  CS_HREDRAW = 0x0002,
  CS_DBLCLKS = 0x0008,
  CS_OWNDC = 0x0020,
  CS_CLASSDC = 0x0040,
  CS_PARENTDC = 0x0080,
  CS_NOCLOSE = 0x0200,
  CS_SAVEBITS = 0x0800,
  CS_DROPSHADOW = 0x00020000,
};
// ShowWindow commands.
enum : int32_t {
  SW_HIDE = 0,
  SW_SHOWNORMAL = 1,
  SW_NORMAL = 1,
  SW_SHOWMINIMIZED = 2,
  SW_SHOWMAXIMIZED = 3,
  SW_MAXIMIZE = 3,
  SW_SHOWNOACTIVATE = 4,
  SW_SHOW = 5,
  SW_MINIMIZE = 6,
  SW_SHOWMINNOACTIVE = 7,
  SW_SHOWNA = 8,
  SW_RESTORE = 9,
};
// SetWindowPos flags and insert-after values.
enum : UINT {
  SWP_NOSIZE = 0x0001,
  SWP_NOMOVE = 0x0002,
  SWP_NOZORDER = 0x0004,
  SWP_NOREDRAW = 0x0008,
  SWP_NOACTIVATE = 0x0010,
  SWP_FRAMECHANGED = 0x0020,
  SWP_SHOWWINDOW = 0x0040,
  SWP_HIDEWINDOW = 0x0080,
  SWP_NOCOPYBITS = 0x0100,
  SWP_NOOWNERZORDER = 0x0200,
  SWP_NOSENDCHANGING = 0x0400,
  SWP_DEFERERASE = 0x2000,
  SWP_ASYNCWINDOWPOS = 0x4000,
};
inline const HWND HWND_TOP = reinterpret_cast<HWND>(0);
inline const HWND HWND_BOTTOM = reinterpret_cast<HWND>(1);
inline const HWND HWND_TOPMOST = reinterpret_cast<HWND>(-1);
inline const HWND HWND_NOTOPMOST = reinterpret_cast<HWND>(-2);
// Window long indexes, window relations, ancestors.
enum : int32_t {
  GWL_WNDPROC = -4,
  GWL_HINSTANCE = -6,
  GWL_HWNDPARENT = -8,
  GWL_ID = -12,
  GWL_STYLE = -16,
  GWL_EXSTYLE = -20,
  GWL_USERDATA = -21,
};
enum : UINT {
  GW_HWNDFIRST = 0,
  GW_HWNDLAST = 1,
  GW_HWNDNEXT = 2,
  GW_HWNDPREV = 3,
  GW_OWNER = 4,
  GW_CHILD = 5
};
enum : UINT { GA_PARENT = 1, GA_ROOT = 2, GA_ROOTOWNER = 3 };
// ChildWindowFromPointEx flags.
enum : UINT { CWP_ALL = 0, CWP_SKIPINVISIBLE = 1, CWP_SKIPDISABLED = 2, CWP_SKIPTRANSPARENT = 4 };
// RedrawWindow flags.
enum : UINT {
  RDW_INVALIDATE = 0x0001,
  RDW_INTERNALPAINT = 0x0002,
  RDW_ERASE = 0x0004,
  RDW_VALIDATE = 0x0008,
  RDW_NOINTERNALPAINT = 0x0010,
  RDW_NOERASE = 0x0020,
  RDW_NOCHILDREN = 0x0040,
  RDW_ALLCHILDREN = 0x0080,
  RDW_UPDATENOW = 0x0100,
  RDW_ERASENOW = 0x0200,
  RDW_FRAME = 0x0400,
  RDW_NOFRAME = 0x0800,
};
// PeekMessage flags.
enum : UINT { PM_NOREMOVE = 0x0000, PM_REMOVE = 0x0001, PM_NOYIELD = 0x0002 };

inline constexpr int32_t CW_USEDEFAULT = int32_t(0x80000000);
// SetWindowPos reports in WINDOWPOS.flags of WM_WINDOWPOSCHANGED whether the
// client area kept its size or place.
enum : UINT { SWP_NOCLIENTSIZE = 0x0800, SWP_NOCLIENTMOVE = 0x1000 };

// A window class: the procedure and the defaults its windows share.
struct WNDCLASS {
  UINT style = 0;
  WNDPROC lpfnWndProc;
  HCURSOR hCursor = nullptr;
  int32_t hbrBackground = 0;  // system colour index + 1, 0 for none
  std::string lpszClassName;
};
bool RegisterClass(const WNDCLASS& wc);
bool UnregisterClass(const std::string& className);
bool GetClassInfo(const std::string& className, WNDCLASS& wc);
std::string GetClassName(HWND hwnd);
UINT GetClassStyle(HWND hwnd);

// Creates a window. A window with WS_CHILD needs a parent; any other window is
// top-level and parent names its owner. Sends WM_NCCREATE, WM_NCCALCSIZE,
// WM_CREATE, WM_SIZE and WM_MOVE; a WS_VISIBLE window is shown afterwards.
// Answers nullptr when the class is unknown or WM_NCCREATE/WM_CREATE refuse.
HWND CreateWindowEx(DWORD exStyle, const std::string& className, const std::string& windowName,
                    DWORD style, int32_t x, int32_t y, int32_t width, int32_t height, HWND parent,
                    intptr_t id = 0, void* param = nullptr);
bool DestroyWindow(HWND hwnd);
bool IsWindow(HWND hwnd);
bool IsChild(HWND parent, HWND hwnd);
bool IsWindowVisible(HWND hwnd);  // the window and all its ancestors visible
bool IsWindowEnabled(HWND hwnd);
bool IsIconic(HWND hwnd);
bool IsZoomed(HWND hwnd);
bool EnableWindow(HWND hwnd, bool enable);  // answers whether it was disabled
bool ShowWindow(HWND hwnd, int32_t cmd);    // answers whether it was visible
bool SetWindowPos(HWND hwnd, HWND insertAfter, int32_t x, int32_t y, int32_t cx, int32_t cy,
                  UINT flags);
bool MoveWindow(HWND hwnd, int32_t x, int32_t y, int32_t cx, int32_t cy, bool repaint);
bool BringWindowToTop(HWND hwnd);
HWND SetParent(HWND hwnd, HWND newParent);
HWND GetParent(HWND hwnd);  // the parent of a child, the owner of a top-level window
HWND GetAncestor(HWND hwnd, UINT flags);
HWND GetWindow(HWND hwnd, UINT cmd);
HWND GetTopWindow(HWND hwnd);  // nullptr: the topmost top-level window
// The screen: not a window object, but accepted where a parent, a rectangle
// (the screen's) or a DC (drawn over every window by inversion) is asked for.
HWND GetDesktopWindow();
intptr_t GetWindowLongPtr(HWND hwnd, int32_t index);
intptr_t SetWindowLongPtr(HWND hwnd, int32_t index, intptr_t value);
inline int32_t GetWindowLong(HWND h, int32_t i) {
  return int32_t(GetWindowLongPtr(h, i));
}
inline int32_t SetWindowLong(HWND h, int32_t i, int32_t v) {
  return int32_t(SetWindowLongPtr(h, i, v));
}
WNDPROC GetWindowProc(HWND hwnd);
WNDPROC SetWindowProc(HWND hwnd, WNDPROC proc);  // answers the previous procedure
LRESULT CallWindowProc(const WNDPROC& proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT DefWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
bool SetWindowText(HWND hwnd, const std::string& text);
std::string GetWindowText(HWND hwnd);
int32_t GetDlgCtrlID(HWND hwnd);
// The child of dialog with that control id (searched among all descendants,
// direct children first); null when none.
HWND GetDlgItem(HWND dialog, int32_t id);
bool SetDlgItemText(HWND dialog, int32_t id, const std::string& text);
std::string GetDlgItemText(HWND dialog, int32_t id);
// Every top-level window, topmost first; the children of a window, top first.
bool EnumWindows(const std::function<bool(HWND)>& proc);
bool EnumChildWindows(HWND parent, const std::function<bool(HWND)>& proc);  // all descendants

// Geometry. Window rectangles are in screen coordinates; client rectangles
// start at (0, 0).
bool GetWindowRect(HWND hwnd, TRect& r);
bool GetClientRect(HWND hwnd, TRect& r);
bool ClientToScreen(HWND hwnd, TPoint& p);
bool ScreenToClient(HWND hwnd, TPoint& p);
int32_t MapWindowPoints(HWND from, HWND to, TPoint* points, UINT count);
bool AdjustWindowRectEx(TRect& r, DWORD style, bool menu, DWORD exStyle);
HWND WindowFromPoint(TPoint screen);
HWND ChildWindowFromPointEx(HWND parent, TPoint client, UINT flags);
HWND ChildWindowFromPoint(HWND parent, TPoint client);
// The window region (window coordinates): the window takes ownership of rgn;
// nullptr removes it. GetWindowRgn copies it into rgn and answers its
// complexity, or ERROR when the window has none.
bool SetWindowRgn(HWND hwnd, HRGN rgn, bool redraw);
int GetWindowRgn(HWND hwnd, HRGN rgn);

// The message queue.
LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
bool PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
bool PostThreadMessage(UINT msg, WPARAM wParam, LPARAM lParam);  // to the user-interface thread
void PostQuitMessage(int32_t exitCode);
int32_t GetMessage(MSG& msg, HWND hwnd, UINT filterMin, UINT filterMax);  // 0 on WM_QUIT
bool PeekMessage(MSG& msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags);
bool WaitMessage();
bool TranslateMessage(const MSG& msg);
LRESULT DispatchMessage(const MSG& msg);
DWORD GetMessagePos();  // screen position of the last retrieved message, x low word
LONG GetMessageTime();  // tick count of the last retrieved message
bool InSendMessage();   // always false: other threads wait while their message runs

// Timers. A timer of a window is known by (window, id); a timer without a
// window gets an id of its own. WM_TIMER comes when nothing else is queued.
uintptr_t SetTimer(HWND hwnd, uintptr_t id, UINT elapse, TIMERPROC proc = nullptr);
bool KillTimer(HWND hwnd, uintptr_t id);

// Painting.
bool InvalidateRect(HWND hwnd, const TRect* r, bool erase);
bool ValidateRect(HWND hwnd, const TRect* r);
bool RedrawWindow(HWND hwnd, const TRect* r, UINT flags);
bool UpdateWindow(HWND hwnd);
// The box around the update region; erase is accepted and not acted on.
bool GetUpdateRect(HWND hwnd, TRect* r, bool erase);
// The update region of a window as a list of disjoint rectangles in client coordinates.
std::vector<TRect> GetUpdateRects(HWND hwnd);
bool LockWindowUpdate(HWND hwnd);
bool InvalidateRgn(HWND hwnd, HRGN rgn, bool erase);
bool ValidateRgn(HWND hwnd, HRGN rgn);
int GetUpdateRgn(HWND hwnd, HRGN rgn, bool erase);

struct PAINTSTRUCT {
  HDC hdc = nullptr;
  BOOL fErase = FALSE;  // true when the background still needs erasing
  TRect rcPaint;
};
// GetDCEx flags.
enum : DWORD {
  DCX_WINDOW = 0x01,
  DCX_CACHE = 0x02,
  DCX_CLIPCHILDREN = 0x08,
  DCX_CLIPSIBLINGS = 0x10,
  DCX_PARENTCLIP = 0x20,
  DCX_EXCLUDERGN = 0x40,
  DCX_INTERSECTRGN = 0x80,
  DCX_LOCKWINDOWUPDATE = 0x400,
  DCX_VALIDATE = 0x200000,
};
// BeginPaint sends WM_NCPAINT when the frame needs painting and WM_ERASEBKGND
// when the update region asks for erasing, then validates the update region;
// the DC is clipped to it.
HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps);
bool EndPaint(HWND hwnd, const PAINTSTRUCT* ps);
// Client-area DC (origin at the client's top-left) and window DC (origin at
// the window's top-left); children and siblings above are clipped out. Each
// is given back with ReleaseDC.
HDC GetDC(HWND hwnd);
HDC GetWindowDC(HWND hwnd);
HDC GetDCEx(HWND hwnd, HRGN clip, DWORD flags);
int ReleaseDC(HWND hwnd, HDC dc);
// Without a scroll rectangle the children move along. The area is painted
// again rather than copied.
bool ScrollWindow(HWND hwnd, int32_t dx, int32_t dy, const TRect* scroll, const TRect* clip);

// The top-level window's back buffer (for screenshots and the backends).
const Surface* GetWindowSurface(HWND topLevel);
