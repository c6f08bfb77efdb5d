// Windows: creation and destruction, and the state queries of a window.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/DCInternal.h"
#include "platform/SysInfo.h"
#include "platform/Text.h"
#include "platform/WindowInternal.h"
#include "rtl/StrUtils.h"
#include "rtl/TThread.h"

namespace {

void FreeWindow(TWindowObj* w) {
  TWindowManager& m = WM();
  HWND h = w->Handle;
  m.Timers.erase(std::remove_if(m.Timers.begin(), m.Timers.end(),
                                [h](const TTimer& t) { return t.Window == h; }),
                 m.Timers.end());
  ForgetWindowInInput(w);
  if (m.Focus == w) m.Focus = nullptr;
  if (m.Active == w) m.Active = nullptr;
  if (m.Capture == w) m.Capture = nullptr;
  for (TWindowObj* c : std::vector<TWindowObj*>(w->Children)) c->Parent = nullptr;
  if (w->Parent) {
    auto& list = w->Parent->Children;
    list.erase(std::remove(list.begin(), list.end(), w), list.end());
  } else {
    auto& list = m.TopLevels;
    list.erase(std::remove(list.begin(), list.end(), w), list.end());
    for (TWindowObj* t : m.TopLevels)
      if (t->Owner == w) t->Owner = nullptr;
    if (m.Backend) m.Backend->TopLevelDestroyed(w);
    for (HDC dc : w->OpenDCs)
      if (IsDC(dc)) DeleteDC(dc);
  }
  std::unique_ptr<TWindowObj> dying;
  {
    std::lock_guard<std::mutex> lock(m.HandleLock);
    auto it = m.Windows.find(reinterpret_cast<uintptr_t>(h));
    dying = std::move(it->second);
    m.Windows.erase(it);
  }
}

}  // namespace

TRect CalcClient(TWindowObj* w, const TRect& proposed) {
  NCCALCSIZE_PARAMS p;
  p.rgrc[0] = proposed;
  p.rgrc[1] = w->WindowRect;
  p.rgrc[2] = w->ClientRect;
  OffsetRect(&p.rgrc[2], w->WindowRect.Left, w->WindowRect.Top);
  CallProc(w, WM_NCCALCSIZE, TRUE, reinterpret_cast<LPARAM>(&p));
  // A procedure that answers nonsense still gets a client area inside the window.
  TRect c;
  if (!IntersectRect(&c, &p.rgrc[0], &proposed)) {
    int32_t x = std::clamp(p.rgrc[0].Left, proposed.Left, proposed.Right);
    int32_t y = std::clamp(p.rgrc[0].Top, proposed.Top, proposed.Bottom);
    c = TRect{x, y, x, y};
  }
  OffsetRect(&c, -proposed.Left, -proposed.Top);
  return c;
}

void InvalidateTree(TWindowObj* w) {
  w->Update = Region(Rect(0, 0, w->ClientRect.Width(), w->ClientRect.Height()));
  w->UpdateErase = true;
  w->FrameDirty = true;
  for (TWindowObj* c : w->Children) InvalidateTree(c);
}

void InvalidateUncovered(TWindowObj* parent, TWindowObj* except, const TRect& r) {
  if (!parent || IsRectEmpty(&r)) return;
  TRect pc = Rect(0, 0, parent->ClientRect.Width(), parent->ClientRect.Height());
  TRect pr;
  if (!IntersectRect(&pr, &r, &pc)) return;
  parent->Update = Region::Union(parent->Update, Region(pr));
  parent->UpdateErase = true;
  for (TWindowObj* s : parent->Children) {
    if (s == except || !s->Visible()) continue;
    TRect sr;
    if (!IntersectRect(&sr, &r, &s->WindowRect)) continue;
    RedrawWindow(s->Handle, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  }
}

void ActivateNextAfter(TWindowObj* w) {
  TWindowManager& m = WM();
  if (m.Active != w) return;
  TWindowObj* next = nullptr;
  if (w->Owner && ReallyVisible(w->Owner) && ReallyEnabled(w->Owner)) next = w->Owner;
  if (!next)
    for (TWindowObj* t : m.TopLevels)
      if (t != w && ReallyVisible(t) && ReallyEnabled(t) && !(t->ExStyle & WS_EX_NOACTIVATE) &&
          !(t->Style & WS_CHILD)) {
        next = t;
        break;
      }
  SetActiveWindow(HandleOf(next));
}

void CollectPreOrder(TWindowObj* w, std::vector<HWND>& out) {
  out.push_back(w->Handle);
  for (TWindowObj* c : w->Children) CollectPreOrder(c, out);
}

HWND CreateWindowEx(DWORD exStyle, const std::string& className, const std::string& windowName,
                    DWORD style, int32_t x, int32_t y, int32_t width, int32_t height, HWND parent,
                    intptr_t id, void* param) {
  EnsurePlatform();
  TWindowManager& m = WM();
  if (!OnUiThread()) return nullptr;
  auto cls = m.Classes.find(LowerCase(className));
  if (cls == m.Classes.end()) return nullptr;
  TWindowObj* parentObj = FromHandle(parent);
  if ((style & WS_CHILD) && !parentObj) return nullptr;

  auto obj = std::make_unique<TWindowObj>();
  TWindowObj* w = obj.get();
  w->Handle = reinterpret_cast<HWND>(m.NextHandle);
  m.NextHandle += 4;
  w->ClassName = cls->second.lpszClassName;
  w->ClassStyle = cls->second.style;
  w->ClassCursor = cls->second.hCursor;
  w->ClassBackground = cls->second.hbrBackground;
  w->Proc = cls->second.lpfnWndProc;
  w->Style = style & ~WS_VISIBLE;
  w->ExStyle = exStyle;
  w->Id = id;
  if (x == CW_USEDEFAULT) x = y = 100;
  if (width == CW_USEDEFAULT) {
    width = 640;
    height = 480;
  }
  w->WindowRect = TRect{x, y, x + std::max(width, 0), y + std::max(height, 0)};
  {
    std::lock_guard<std::mutex> lock(m.HandleLock);
    m.Windows[reinterpret_cast<uintptr_t>(w->Handle)] = std::move(obj);
  }
  if (style & WS_CHILD) {
    w->Parent = parentObj;
    parentObj->Children.push_back(w);  // new children go to the bottom
  } else {
    w->Owner = TopLevelOf(parentObj);
    w->Buffer = std::make_unique<Surface>(w->WindowRect.Width(), w->WindowRect.Height());
    PlaceInList(w, HWND_TOP);
    if (m.Backend) m.Backend->TopLevelCreated(w);
  }
  HWND h = w->Handle;
  CREATESTRUCT cs;
  cs.lpCreateParams = param;
  cs.hwndParent = parent;
  cs.x = x;
  cs.y = y;
  cs.cx = width;
  cs.cy = height;
  cs.style = style;
  cs.lpszName = windowName.c_str();
  cs.lpszClass = className.c_str();
  cs.dwExStyle = exStyle;
  w->Text = windowName;
  if (!CallProc(w, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
    if (FromHandle(h)) DestroyWindow(h);
    return nullptr;
  }
  if (!(w = FromHandle(h))) return nullptr;
  w->ClientRect = CalcClient(w, w->WindowRect);
  if (CallProc(w, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    if (FromHandle(h)) DestroyWindow(h);
    return nullptr;
  }
  if (!(w = FromHandle(h))) return nullptr;
  w->Created = true;
  CallProc(w, WM_SIZE, SIZE_RESTORED, MAKELPARAM(w->ClientRect.Width(), w->ClientRect.Height()));
  if (!(w = FromHandle(h))) return nullptr;
  {
    TPoint co{w->WindowRect.Left + w->ClientRect.Left, w->WindowRect.Top + w->ClientRect.Top};
    CallProc(w, WM_MOVE, 0, MAKELPARAM(co.X, co.Y));
  }
  if (!(w = FromHandle(h))) return nullptr;
  if (w->Parent && !(w->ExStyle & WS_EX_NOPARENTNOTIFY))
    CallProc(w->Parent, WM_PARENTNOTIFY, MAKEWPARAM(WM_CREATE, int32_t(id)),
             reinterpret_cast<LPARAM>(h));
  if (!(w = FromHandle(h))) return nullptr;
  if (style & WS_VISIBLE) ShowWindow(h, (style & WS_CHILD) ? SW_SHOWNA : SW_SHOW);
  if (!FromHandle(h)) return nullptr;
  if (style & WS_MAXIMIZE) ShowWindow(h, SW_SHOWMAXIMIZED);
  return h;
}

bool DestroyWindow(HWND hwnd) {
  TWindowManager& m = WM();
  TWindowObj* w = FromHandle(hwnd);
  if (!w || w->Destroying || !OnUiThread()) return false;
  LRESULT cancel = 0;
  RunCbtHooks(HCBT_DESTROYWND, reinterpret_cast<WPARAM>(hwnd), 0, &cancel);
  if (cancel || !(w = FromHandle(hwnd)) || w->Destroying) return false;
  w->Destroying = true;
  if (w->Visible())
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  if (!(w = FromHandle(hwnd))) return true;
  // Owned windows go first.
  if (w->IsTopLevel()) {
    std::vector<HWND> owned;
    for (TWindowObj* t : m.TopLevels)
      if (t->Owner == w) owned.push_back(t->Handle);
    for (HWND o : owned) DestroyWindow(o);
  }
  if (!(w = FromHandle(hwnd))) return true;
  std::vector<HWND> tree;
  CollectPreOrder(w, tree);
  for (HWND h : tree) {
    TWindowObj* t = FromHandle(h);
    if (!t) continue;
    if (m.Capture == t) ReleaseCapture();
    if (m.CaretWindow == t) DestroyCaret();
    if (m.Focus == t) m.Focus = nullptr;
  }
  if ((w = FromHandle(hwnd)) && m.Active == w) ActivateNextAfter(w);
  if ((w = FromHandle(hwnd)) && w->Parent && !(w->ExStyle & WS_EX_NOPARENTNOTIFY))
    CallProc(w->Parent, WM_PARENTNOTIFY, MAKEWPARAM(WM_DESTROY, int32_t(w->Id)),
             reinterpret_cast<LPARAM>(hwnd));
  for (HWND h : tree) {
    TWindowObj* t = FromHandle(h);
    if (!t) continue;
    t->Destroying = true;
    CallProc(t, WM_DESTROY, 0, 0);
  }
  for (auto it = tree.rbegin(); it != tree.rend(); ++it) {
    TWindowObj* t = FromHandle(*it);
    if (!t) continue;
    CallProc(t, WM_NCDESTROY, 0, 0);
    if ((t = FromHandle(*it))) FreeWindow(t);
  }
  return true;
}

bool IsWindow(HWND hwnd) {
  return FromHandle(hwnd) != nullptr;
}

bool IsChild(HWND parent, HWND hwnd) {
  TWindowObj* p = FromHandle(parent);
  TWindowObj* w = FromHandle(hwnd);
  if (!p || !w) return false;
  for (w = w->Parent; w; w = w->Parent)
    if (w == p) return true;
  return false;
}

bool IsWindowVisible(HWND hwnd) {
  TWindowObj* w = FromHandle(hwnd);
  if (!w) return false;
  for (; w; w = w->Parent)
    if (!w->Visible()) return false;
  return true;
}

bool IsWindowEnabled(HWND hwnd) {
  TWindowObj* w = FromHandle(hwnd);
  return w && !(w->Style & WS_DISABLED);
}

bool IsIconic(HWND hwnd) {
  TWindowObj* w = FromHandle(hwnd);
  return w && w->Minimized;
}

bool IsZoomed(HWND hwnd) {
  TWindowObj* w = FromHandle(hwnd);
  return w && w->Maximized;
}

bool EnableWindow(HWND hwnd, bool enable) {
  TWindowObj* w = FromHandle(hwnd);
  if (!w) return false;
  bool wasDisabled = (w->Style & WS_DISABLED) != 0;
  if (wasDisabled == !enable) return wasDisabled;
  TWindowManager& m = WM();
  if (enable) {
    w->Style &= ~WS_DISABLED;
  } else {
    w->Style |= WS_DISABLED;
    if (m.Focus && (m.Focus == w || IsChild(hwnd, m.Focus->Handle))) SetFocus(nullptr);
    if (m.Capture && (m.Capture == w || IsChild(hwnd, m.Capture->Handle))) ReleaseCapture();
  }
  if ((w = FromHandle(hwnd))) CallProc(w, WM_ENABLE, enable ? TRUE : FALSE, 0);
  return wasDisabled;
}
