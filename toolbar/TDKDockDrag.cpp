// The modal loop that drags a dockable window: it collects the docks the
// window may land on, follows the cursor, shows the window (live) or an
// inverted outline on the screen at each step, and decides the dock, row and
// position or the floating place where it lands.
#include <algorithm>

#include "platform/Input.h"
#include "platform/SysInfo.h"
#include "rtl/Numeric.h"
#include "toolbar/DKCommon.h"
#include "toolbar/TDKDock.h"
#include "toolbar/TDKFloatingWindow.h"

namespace {

struct TDragTarget {
  TDKDock* Dock = nullptr;
  TRect ScreenRect{0, 0, 0, 0};
  TSize Size{0, 0};
  std::vector<std::pair<int32_t, bool>> Rows;  // thickness, full-size
};

// A point's share of a length, for windows of any size: a window one pixel
// wide or high has no length to share, so the share is 0.
int32_t ShareOf(int32_t Amount, int32_t Part, int32_t Reference) {
  if (Reference <= 0) return 0;
  return MulDiv(Amount, Part, Reference);
}

void CollectDocks(TWinControl* Parent, TDKCustomDockableWindow* W, std::vector<TDKDock*>& Docks) {
  auto add = [&](TDKDock* d) {
    if (d->AllowsDragging(W) && W->AcceptsDock(d) && std::find(Docks.begin(), Docks.end(), d) == Docks.end())
      Docks.push_back(d);
  };
  for (int pos = dpTop; pos <= dpRight; ++pos)
    for (int32_t i = 0; i < Parent->ControlCount(); ++i) {
      auto* d = dynamic_cast<TDKDock*>(Parent->Controls(i));
      if (!d || d->Position() != pos || d->ContainsControl(W) || !d->Showing()) continue;
      CollectDocks(d, W, Docks);
      add(d);
    }
  for (int32_t i = 0; i < Parent->ControlCount(); ++i) {
    auto* c = dynamic_cast<TWinControl*>(Parent->Controls(i));
    if (!c || dynamic_cast<TDKDock*>(c) || c->ContainsControl(W) || !c->Showing()) continue;
    CollectDocks(c, W, Docks);
  }
}

TRect ScreenRectOf(TWinControl* C) {
  TRect r;
  GetWindowRect(C->Handle(), r);
  return r;
}

}  // namespace

struct TDKDragState {
  TDKDock* StartDock = nullptr;
  int32_t StartRow = 0, StartPos = 0;
  bool Vertical = false;
  bool MaySplit = false;
  TPoint Grab{0, 0};
  TSize Ref{0, 0};
  bool Ctrl = false;
  bool CannotFloat = false;
  std::vector<TDKDock*> Docks;
  std::vector<TDragTarget> Targets;  // [0]: floating
  HCURSOR Cursor = nullptr;
  bool ScreenLocked = false;
  bool DockingAllowed = false;
  TDragTarget* Target = nullptr;
  TRect Outline{0, 0, 0, 0};
  TPoint StartPoint{0, 0}, LastPoint{0, 0}, PrevPoint{0, 0};
};

void TDKCustomDockableWindow::DragMoveStep(TDKDragState& S) {
  TPoint p;
  GetCursorPos(&p);
  // The dock under the pointer, if any takes the window.
  TDragTarget* target = nullptr;
  if (currentDock_ && currentDock_->SplitDragActive) {
    for (TDragTarget& t : S.Targets)
      if (t.Dock == currentDock_) target = &t;
  } else if (S.DockingAllowed && !S.Ctrl) {
    for (size_t i = 1; i < S.Targets.size() && !target; ++i) {
      TDragTarget& t = S.Targets[i];
      TRect r = t.ScreenRect;
      InflateRect(&r, 3, 3);
      int32_t ax = ShareOf(25, S.Grab.X, S.Ref.cx), ay = ShareOf(25, S.Grab.Y, S.Ref.cy);
      bool in = r.Left - 25 + ax <= p.X && p.X < r.Right + ax && r.Top - 25 + ay <= p.Y && p.Y < r.Bottom + ay;
      if (t.Dock->IsVertical()) in = in && r.Top <= p.Y && p.Y < r.Bottom;
      if (!in) continue;
      TRect o = Bounds(p.X - ShareOf(t.Size.cx - 1, S.Grab.X, S.Ref.cx),
                       p.Y - ShareOf(t.Size.cy - 1, S.Grab.Y, S.Ref.cy), t.Size.cx, t.Size.cy);
      TRect inter;
      if (!IntersectRect(&inter, &o, &r)) continue;
      bool accept = true;
      if (t.Dock->OnRequestDock) t.Dock->OnRequestDock(t.Dock, this, accept);
      if (accept) target = &t;
    }
  }
  // Floating: the point stays on the monitor.
  if (!target) {
    TRect m = MonitorRectOfPoint(p, true);
    p.X = std::clamp(p.X, m.Left, std::max(m.Left, m.Right - 1));
    p.Y = std::clamp(p.Y, m.Top, std::max(m.Top, m.Bottom - 1));
  }
  // The outline of the window at its target, placed as it was grabbed.
  TDragTarget& t = target ? *target : S.Targets[0];
  TRect outline = Bounds(p.X - ShareOf(t.Size.cx - 1, S.Grab.X, S.Ref.cx),
                         p.Y - ShareOf(t.Size.cy - 1, S.Grab.Y, S.Ref.cy), t.Size.cx, t.Size.cy);
  // A floating outline stays on the monitor.
  if (!target) {
    TRect m = MonitorRectOfPoint(p, true);
    TSize f = FloatingFrameSize();
    TRect in = m;
    InflateRect(&in, -(f.cx + 4), -(f.cy + 4));
    auto shift = [&](int32_t dx, int32_t dy) { OffsetRect(&outline, dx, dy); };
    if (outline.Bottom < in.Top) shift(0, in.Top - outline.Bottom);
    if (outline.Top > in.Bottom) shift(0, in.Bottom - outline.Top);
    if (outline.Right < in.Left) shift(in.Left - outline.Right, 0);
    if (outline.Left > in.Right) shift(in.Right - outline.Left, 0);
    TSize tl, br;
    FloatingFrameMetrics(tl, br);
    int32_t minTop = m.Top - tl.cy + 4;
    if (outline.Top < minTop) shift(0, minTop - outline.Top);
  }
  // A window that may not float shows no outline off a dock.
  if (S.CannotFloat && !target) {
    outline = TRect{0, 0, 0, 0};
    ::SetCursor(LoadCursor(nullptr, IDC_NO));
  } else if (currentDock_ && currentDock_->SplitDragActive) {
    ::SetCursor(LoadCursor(nullptr, currentDock_->IsVertical() ? IDC_SIZENS : IDC_SIZEWE));
  } else {
    ::SetCursor(S.Cursor);
  }
  // The outline moves (or the window itself when dragged live).
  TRect old = S.Outline;
  TDragTarget* oldTarget = S.Target;
  S.Target = target;
  S.Outline = outline;
  if (!liveDragging_) {
    TSize fNew = target ? TSize{1, 1} : FloatingFrameSize();
    TSize fOld = oldTarget ? TSize{1, 1} : FloatingFrameSize();
    XorHalftoneFrameRectsOnScreen(IsRectEmpty(&outline) ? nullptr : &outline,
                          IsRectEmpty(&old) ? nullptr : &old, fNew, fOld);
  } else if (!IsRectEmpty(&outline)) {
    ApplyDragTarget(S, false);
  }
}

void TDKCustomDockableWindow::ApplyDragTarget(TDKDragState& S, bool Commit) {
  if (S.Target) {
    // The row and position on the target dock.
    TDKDock* dock = S.Target->Dock;
    TRect o = S.Outline;
    OffsetRect(&o, -S.Target->ScreenRect.Left, -S.Target->ScreenRect.Top);
    bool vertical = dock->IsVertical();
    int32_t row = dockRow_;
    bool ownRow = false;
    if (!dock->SplitDragActive) {
      int32_t c = vertical ? (o.Left + o.Right) / 2 : (o.Top + o.Bottom) / 2;
      int32_t offset = 0;
      row = int32_t(S.Target->Rows.size());
      for (size_t i = 0; i < S.Target->Rows.size(); ++i) {
        int32_t th = S.Target->Rows[i].first;
        if (th <= 0) continue;
        bool full = fullSize_ || S.Target->Rows[i].second;
        int32_t h = full ? th / 2 : th / 4;
        if (c < offset + h) {
          row = int32_t(i);
          ownRow = true;
          break;
        }
        offset += th;
        if (!full && c < offset - h) {
          row = int32_t(i);
          break;
        }
      }
      if (ownRow) S.MaySplit = false;
    }
    // A window dragged along its own row may split it.
    if (S.MaySplit) {
      if (dock == S.StartDock && row == S.StartRow) {
        int32_t dist = vertical ? S.PrevPoint.Y - S.StartPoint.Y : S.PrevPoint.X - S.StartPoint.X;
        if (std::abs(dist) >= 10) {
          S.MaySplit = false;
          dock->SplitDragActive = true;
          ::SetCursor(LoadCursor(nullptr, vertical ? IDC_SIZENS : IDC_SIZEWE));
        }
      } else {
        S.MaySplit = false;
      }
    }
    // The window takes the row and position.
    dockRow_ = row;
    dockPos_ = vertical ? o.Top : o.Left;
    WantsOwnRow = ownRow;
    if (!liveDragging_ || Commit) dock->WriteBackPositions = true;
    try {
      if (Parent() != dock) SetParent(dock);
      else dock->LayoutToolbars();
    } catch (...) {
      WantsOwnRow = false;
      throw;
    }
    WantsOwnRow = false;
  } else {
    // Off every dock: the window floats where the outline is.
    S.MaySplit = false;
    PlaceFloating(S.Outline);
    SetFloating(true);
    KeepOnScreen(true);
  }
  // The moved window shows at once.
  if (HandleAllocated()) UpdateWindow(Handle());
}

void TDKCustomDockableWindow::TrackDrag(int32_t X, int32_t Y) {
  TDKDragState S;
  // Where the drag started.
  S.StartDock = currentDock_;
  S.StartRow = dockRow_;
  S.StartPos = dockPos_;
  if (currentDock_) {
    currentDock_->DragWindow = this;
    currentDock_->SplitDragActive = false;
    currentDock_->DragMaySplit = false;
    currentDock_->WriteBackPositions = true;
    currentDock_->LayoutToolbars();
    S.Vertical = currentDock_->IsVertical();
    S.MaySplit = currentDock_->DragMaySplit;
  }
  // The outline starts as the window (or its floating frame).
  liveDragging_ = smoothDrag_;
  TWinControl* frameOwner = isFloating_ && Parent() ? Parent() : this;
  TRect wr = ScreenRectOf(frameOwner);
  TPoint grab = ClientToScreen(TPoint{X, Y});
  S.Grab = TPoint{grab.X - wr.Left, grab.Y - wr.Top};
  S.Ref = TSize{wr.Width() - 1, wr.Height() - 1};
  S.Ctrl = GetAsyncKeyState(VK_CONTROL) < 0;
  S.CannotFloat = dockMode_ != dmCanFloat;
  // The docks the window may go to.
  if (dockMode_ == dmCannotFloatOrChangeDocks) {
    if (currentDock_) S.Docks.push_back(currentDock_);
  } else {
    if (currentDock_ && currentDock_->AllowsDragging(this) && AcceptsDock(currentDock_))
      S.Docks.push_back(currentDock_);
    if (TCustomForm* host = HostFormOf(this)) CollectDocks(host, this, S.Docks);
  }
  // The docks' present layout becomes their stored one.
  for (TDKDock* d : S.Docks) CommitLayoutPositions(d);
  // The window's floating size and each dock's size for it.
  TDragTarget floating;
  ArrangeItems(false, DockTypeOf(currentDock_, isFloating_), true, nullptr, floating.Size);
  floating.Size = AddFloatingFrame(floating.Size);
  S.Targets.push_back(floating);
  for (TDKDock* d : S.Docks) {
    TDragTarget t;
    t.Dock = d;
    t.ScreenRect = ScreenRectOf(d);
    if (d == currentDock_) {
      t.Size = TSize{Width(), Height()};
    } else {
      ArrangeItems(false, DockTypeOf(currentDock_, isFloating_), false, d, t.Size);
      t.Size = AddDockedFrame(t.Size, d->IsVertical());
    }
    for (int32_t row = 0; row <= d->HighestRow(true); ++row) {
      bool full = false;
      int32_t th = d->RowThickness(row, full);
      t.Rows.push_back({th, full});
    }
    S.Targets.push_back(t);
  }
  // Pending paints go before the screen is locked for the outline.
  PumpPaintMessages();
  S.Cursor = GetCursor();
  if (!liveDragging_) {
    LockWindowUpdate(GetDesktopWindow());
    S.ScreenLocked = true;
  }
  // The pointer is captured for the drag.
  HWND capWnd = Handle();
  SetCapture(capWnd);
  S.DockingAllowed = currentDock_ != nullptr;
  GetCursorPos(&S.StartPoint);
  S.LastPoint = S.PrevPoint = S.StartPoint;
  auto finish = [&]() {
    // The capture and the outline go, and the screen is unlocked.
    if (GetCapture() == capWnd) ReleaseCapture();
    if (!liveDragging_ && S.ScreenLocked) {
      TSize f = S.Target ? TSize{1, 1} : FloatingFrameSize();
      if (!IsRectEmpty(&S.Outline)) XorHalftoneFrameRectsOnScreen(nullptr, &S.Outline, f, f);
      S.ScreenLocked = false;
      LockWindowUpdate(nullptr);
    }
    liveDragging_ = false;
  };
  bool accept = false;
  try {
    DragMoveStep(S);
    S.DockingAllowed = true;
    // The loop runs until a button comes up or Escape cancels.
    accept = DKCaptureLoop(
        capWnd,
        [&](const MSG& msg) {
          if (msg.wParam == VK_CONTROL) {
            bool ctrl = msg.message == WM_KEYDOWN;
            if (ctrl != S.Ctrl) {
              S.Ctrl = ctrl;
              DragMoveStep(S);
            }
            return false;
          }
          return msg.wParam == VK_ESCAPE;
        },
        [&](const MSG&) {
          DWORD pos = GetMessagePos();
          TPoint mp{int16_t(LOWORD(pos)), int16_t(HIWORD(pos))};
          if (mp.X != S.LastPoint.X || mp.Y != S.LastPoint.Y) {
            S.PrevPoint = S.LastPoint;
            DragMoveStep(S);
            S.LastPoint = mp;
          }
        });
    finish();
    if (accept && !IsRectEmpty(&S.Outline)) ApplyDragTarget(S, true);
    if (useLastDock_ && currentDock_) SetLastDock(currentDock_);
    if (hostWindow_ && Parent() != hostWindow_) DestroyHostWindow();
  } catch (...) {
    finish();
    for (TDKDock* d : S.Docks) {
      d->DragWindow = nullptr;
      d->SplitDragActive = false;
    }
    if (S.StartDock) S.StartDock->DragWindow = nullptr;
    throw;
  }
  for (TDKDock* d : S.Docks) {
    if (d->DragWindow == this) d->DragWindow = nullptr;
    d->SplitDragActive = false;
  }
  if (S.StartDock) S.StartDock->DragWindow = nullptr;
}
