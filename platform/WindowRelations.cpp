// Windows: parents, owners, siblings and the data a window keeps.

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

HWND SetParent(HWND hwnd, HWND newParent) {
  TWindowObj* w = FromHandle(hwnd);
  if (!w || !OnUiThread()) return nullptr;
  TWindowObj* np = newParent == kDesktop ? nullptr : FromHandle(newParent);
  if (newParent && newParent != kDesktop && !np) return nullptr;
  for (TWindowObj* a = np; a; a = a->Parent)
    if (a == w) return nullptr;  // a window cannot go inside itself
  TWindowManager& m = WM();
  HWND old = w->Parent ? w->Parent->Handle : kDesktop;
  if (w->Parent == np && (np || !w->Parent)) return old;
  bool visible = ReallyVisible(w);
  if (visible && w->Parent) InvalidateUncovered(w->Parent, w, w->WindowRect);
  // Keep the on-screen pixels: a window that becomes top-level gets a back
  // buffer and a backend window; one that becomes a child gives them up.
  if (w->Parent) {
    Unlink(w);
    w->Parent = nullptr;
  } else {
    Unlink(w);
    if (m.Backend) m.Backend->TopLevelDestroyed(w);
    for (HDC dc : w->OpenDCs)
      if (IsDC(dc)) DeleteDC(dc);
    w->OpenDCs.clear();
    w->Buffer.reset();
    w->Owner = nullptr;
  }
  if (np) {
    w->Parent = np;
    np->Children.insert(np->Children.begin(), w);
  } else {
    w->Buffer = std::make_unique<Surface>(w->WindowRect.Width(), w->WindowRect.Height());
    PlaceInList(w, HWND_TOP);
    if (m.Backend) m.Backend->TopLevelCreated(w);
  }
  // The tree keeps its update state; everything paints again in its new place.
  if (ReallyVisible(w)) InvalidateTree(w);
  if (!np && m.Backend) m.Backend->TopLevelChanged(w);
  return old;
}

HWND GetParent(HWND hwnd) {
  TWindowObj* w = FromHandle(hwnd);
  if (!w) return nullptr;
  if (w->Parent) return w->Parent->Handle;
  return HandleOf(w->Owner);
}

HWND GetAncestor(HWND hwnd, UINT flags) {
  TWindowObj* w = FromHandle(hwnd);
  if (!w) return nullptr;
  switch (flags) {
    case GA_PARENT:
      return w->Parent ? w->Parent->Handle : kDesktop;
    case GA_ROOT:
      return TopLevelOf(w)->Handle;
    case GA_ROOTOWNER: {
      TWindowObj* t = TopLevelOf(w);
      while (t->Owner) t = t->Owner;
      return t->Handle;
    }
  }
  return nullptr;
}

HWND GetWindow(HWND hwnd, UINT cmd) {
  TWindowObj* w = FromHandle(hwnd);
  if (!w) return nullptr;
  if (cmd == GW_OWNER) return w->Parent ? nullptr : HandleOf(w->Owner);
  if (cmd == GW_CHILD) return w->Children.empty() ? nullptr : w->Children.front()->Handle;
  auto& list = SiblingList(w);
  auto it = std::find(list.begin(), list.end(), w);
  switch (cmd) {
    case GW_HWNDFIRST:
      return list.front()->Handle;
    case GW_HWNDLAST:
      return list.back()->Handle;
    case GW_HWNDNEXT:
      return (it + 1 < list.end()) ? (*(it + 1))->Handle : nullptr;
    case GW_HWNDPREV:
      return it > list.begin() ? (*(it - 1))->Handle : nullptr;
  }
  return nullptr;
}

HWND GetTopWindow(HWND hwnd) {
  if (!hwnd || hwnd == kDesktop) {
    auto& list = WM().TopLevels;
    return list.empty() ? nullptr : list.front()->Handle;
  }
  return GetWindow(hwnd, GW_CHILD);
}

HWND GetDesktopWindow() {
  return kDesktop;
}

intptr_t GetWindowLongPtr(HWND hwnd, int32_t index) {
  TWindowObj* w = FromHandle(hwnd);
  if (!w) return 0;
  switch (index) {
    case GWL_STYLE:
      return intptr_t(int32_t(w->Style));
    case GWL_EXSTYLE:
      return intptr_t(int32_t(w->ExStyle));
    case GWL_ID:
      return w->Id;
    case GWL_USERDATA:
      return w->UserData;
    case GWL_HWNDPARENT:
      return reinterpret_cast<intptr_t>(w->Parent ? w->Parent->Handle : HandleOf(w->Owner));
  }
  return 0;
}

intptr_t SetWindowLongPtr(HWND hwnd, int32_t index, intptr_t value) {
  TWindowObj* w = FromHandle(hwnd);
  if (!w) return 0;
  intptr_t old = GetWindowLongPtr(hwnd, index);
  switch (index) {
    case GWL_STYLE:
    case GWL_EXSTYLE: {
      STYLESTRUCT ss{DWORD(old), DWORD(value)};
      CallProc(w, WM_STYLECHANGING, WPARAM(index), reinterpret_cast<LPARAM>(&ss));
      if (!(w = FromHandle(hwnd))) return old;
      if (index == GWL_STYLE) {
        // Visibility changes go through ShowWindow; the bit itself is kept as given.
        w->Style = ss.styleNew;
      } else {
        w->ExStyle = ss.styleNew;
      }
      CallProc(w, WM_STYLECHANGED, WPARAM(index), reinterpret_cast<LPARAM>(&ss));
      break;
    }
    case GWL_ID:
      w->Id = value;
      break;
    case GWL_USERDATA:
      w->UserData = value;
      break;
    case GWL_HWNDPARENT:
      if (!w->Parent) {
        TWindowObj* o = FromHandle(reinterpret_cast<HWND>(value));
        for (TWindowObj* a = o; a; a = a->Owner)
          if (a == w) return old;  // no ownership cycles
        w->Owner = o;
      }
      break;
  }
  return old;
}

WNDPROC GetWindowProc(HWND hwnd) {
  TWindowObj* w = FromHandle(hwnd);
  return w ? w->Proc : WNDPROC();
}

WNDPROC SetWindowProc(HWND hwnd, WNDPROC proc) {
  TWindowObj* w = FromHandle(hwnd);
  if (!w) return WNDPROC();
  WNDPROC old = w->Proc;
  w->Proc = std::move(proc);
  return old;
}

LRESULT CallWindowProc(const WNDPROC& proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!proc) return DefWindowProc(hwnd, msg, wParam, lParam);
  return proc(hwnd, msg, wParam, lParam);
}

bool SetWindowText(HWND hwnd, const std::string& text) {
  TWindowObj* w = FromHandle(hwnd);
  if (!w) return false;
  return SendMessage(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())) != 0;
}

std::string GetWindowText(HWND hwnd) {
  TWindowObj* w = FromHandle(hwnd);
  return w ? w->Text : std::string();
}

int32_t GetDlgCtrlID(HWND hwnd) {
  TWindowObj* w = FromHandle(hwnd);
  return w && w->Parent ? int32_t(w->Id) : 0;
}

HWND GetDlgItem(HWND dialog, int32_t id) {
  TWindowObj* d = FromHandle(dialog);
  if (!d) return nullptr;
  for (TWindowObj* c : d->Children)
    if (int32_t(c->Id) == id) return c->Handle;
  HWND found = nullptr;
  EnumChildWindows(dialog, [&](HWND h) {
    if (GetDlgCtrlID(h) != id) return true;
    found = h;
    return false;
  });
  return found;
}

bool SetDlgItemText(HWND dialog, int32_t id, const std::string& text) {
  HWND item = GetDlgItem(dialog, id);
  return item && SetWindowText(item, text);
}

std::string GetDlgItemText(HWND dialog, int32_t id) {
  HWND item = GetDlgItem(dialog, id);
  return item ? GetWindowText(item) : std::string();
}

bool EnumWindows(const std::function<bool(HWND)>& proc) {
  std::vector<HWND> list;
  for (TWindowObj* t : WM().TopLevels) list.push_back(t->Handle);
  for (HWND h : list)
    if (IsWindow(h) && !proc(h)) return false;
  return true;
}

bool EnumChildWindows(HWND parent, const std::function<bool(HWND)>& proc) {
  TWindowObj* p = FromHandle(parent);
  if (!p) return false;
  std::vector<HWND> list;
  for (TWindowObj* c : p->Children) CollectPreOrder(c, list);
  for (HWND h : list)
    if (IsWindow(h) && !proc(h)) return false;
  return true;
}
