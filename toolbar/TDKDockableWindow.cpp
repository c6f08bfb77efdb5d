// Dockable windows: their properties, the moves between docked, floating and
// plain-child states, arranging their content and the visibility of floating
// windows.
#include <algorithm>

#include "platform/GdiHolders.h"
#include "platform/Input.h"
#include "platform/SysInfo.h"
#include "rtl/Exception.h"
#include "toolbar/DKCommon.h"
#include "toolbar/DKHook.h"
#include "toolbar/TDKDock.h"
#include "toolbar/TDKFloatingWindow.h"
#include "ui/TApplication.h"

RTL_DEFINE_CLASS(TDKCustomDockableWindow, TCustomControl)

namespace {

TLazyList<TDKCustomDockableWindow> floatingWindows;

void DockableWindowsHookProc(THookEventCode Code, HWND Wnd, WPARAM, LPARAM LParam) {
  if (!floatingWindows) return;
  std::vector<TDKCustomDockableWindow*> list(*floatingWindows);
  switch (Code) {
    case hecActivateApp:
      for (TDKCustomDockableWindow* w : list) w->RefreshVisibility();
      break;
    case hecWindowPosChanged: {
      auto* wp = reinterpret_cast<WINDOWPOS*>(LParam);
      if (!wp || !(wp->flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW | SWP_FRAMECHANGED))) break;
      for (TDKCustomDockableWindow* w : list) {
        if (w->FloatingMode() != fmOnTopOfParentForm || !w->HandleAllocated()) continue;
        TCustomForm* host = HostFormOf(w);
        if (host && host->HandleAllocated() && (host->Handle() == Wnd || IsChild(Wnd, host->Handle())))
          w->RefreshVisibility();
      }
      break;
    }
    case hecPreDestroy:
      for (TDKCustomDockableWindow* w : list) {
        TDKFloatingWindowParent* p = w->HostWindow();
        if (p && p->HandleAllocated() && GetParent(p->Handle()) == Wnd && Application)
          SetWindowLongPtr(p->Handle(), GWL_HWNDPARENT, reinterpret_cast<intptr_t>(Application->Handle()));
      }
      break;
    default: break;
  }
}

}  // namespace

const std::vector<TDKCustomDockableWindow*>* FloatingWindowList() { return floatingWindows.get(); }

TCustomForm* HostFormOf(TControl* Control) {
  while (Control) {
    if (auto* f = dynamic_cast<TDKFloatingWindowParent*>(Control)) return f->OwnerForm;
    if (auto* f = dynamic_cast<TCustomForm*>(Control)) return f;
    Control = Control->Parent();
  }
  return nullptr;
}

TDKCustomDockableWindow::TDKCustomDockableWindow(TComponent* AOwner) : TCustomControl(AOwner) {
  ControlStyle() = TControlStyle{csAcceptsControls, csClickEvents, csDoubleClicks, csSetCaption};
  SetColor(clBtnFace);
  RegisterHookProc(&DockableWindowsHookProc,
                   HookCode(hecActivateApp) | HookCode(hecWindowPosChanged) | HookCode(hecPreDestroy),
                   ComponentState().Contains(csDesigning));
}

TDKCustomDockableWindow::~TDKCustomDockableWindow() {
  ListRemoveAndFreeIfEmpty(floatingWindows, this);
  UnregisterHookProc(&DockableWindowsHookProc);
}

void TDKCustomDockableWindow::BeforeDestruction() {
  ListRemoveAndFreeIfEmpty(floatingWindows, this);
  if (currentDock_) {
    currentDock_->UpdateVisibleList(this, true);
    currentDock_->UpdateWindowList(this, false);
  }
  if (lastDock_ && lastDock_ != currentDock_) lastDock_->UpdateWindowList(this, false);
  TCustomControl::BeforeDestruction();
  if (hostWindow_) {
    TDKFloatingWindowParent* host = hostWindow_;
    hostWindow_ = nullptr;
    if (Parent() == host) TCustomControl::SetParent(nullptr);
    host->HostedWindow = nullptr;
    host->FreeWhenIdle();
  }
}

void TDKCustomDockableWindow::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.ClassStyle &= ~UINT(CS_HREDRAW | CS_VREDRAW);
}

// ---- Properties

void TDKCustomDockableWindow::SetAutoResize(bool v) {
  if (autoResize_ == v) return;
  autoResize_ = v;
  if (v) Rearrange();
}

void TDKCustomDockableWindow::SetBorderStyle(TBorderStyle v) {
  if (borderStyle_ == v) return;
  borderStyle_ = v;
  if (IsDocked()) RefreshFrame();
}

void TDKCustomDockableWindow::SetCloseButton(bool v) {
  if (closeButton_ == v) return;
  closeButton_ = v;
  if (isFloating_) RedrawFloatingFrame(hostWindow_, fpCaption | fpCloseButton);
}

void TDKCustomDockableWindow::SetCloseButtonWhenDocked(bool v) {
  if (closeButtonWhenDocked_ == v) return;
  closeButtonWhenDocked_ = v;
  if (IsDocked()) RefreshFrame();
}

void TDKCustomDockableWindow::SetCurrentDock(TDKDock* v) {
  if (ComponentState().Contains(csLoading)) return;
  if (v) SetParent(v);
  else SetParent(RequireHostForm());
}

void TDKCustomDockableWindow::SetDefaultDock(TDKDock* v) {
  if (defaultDock_ == v) return;
  if (defaultDock_) defaultDock_->RemoveFreeNotification(this);
  defaultDock_ = v;
  if (v) v->FreeNotification(this);
}

void TDKCustomDockableWindow::SetDockPos(int32_t v) {
  dockPos_ = v;
  if (currentDock_) currentDock_->LayoutToolbars();
}

void TDKCustomDockableWindow::SetDockRow(int32_t v) {
  dockRow_ = v;
  if (currentDock_) currentDock_->LayoutToolbars();
}

void TDKCustomDockableWindow::SetDragHandleStyle(TDKDragHandleStyle v) {
  if (dragHandleStyle_ == v) return;
  dragHandleStyle_ = v;
  if (IsDocked()) RefreshFrame();
}

void TDKCustomDockableWindow::SetFloatingMode(TDKFloatingMode v) {
  floatingMode_ = v;
  if (HandleAllocated()) ShowingChanged();
}

void TDKCustomDockableWindow::SetFullSize(bool v) {
  if (fullSize_ == v) return;
  fullSize_ = v;
  if (currentDock_) currentDock_->LayoutToolbars();
}

void TDKCustomDockableWindow::SetResizable(bool v) {
  if (resizable_ == v) return;
  resizable_ = v;
  if (isFloating_ && hostWindow_ && hostWindow_->HandleAllocated()) hostWindow_->RecreateWnd();
}

void TDKCustomDockableWindow::SetShowCaption(bool v) {
  if (showCaption_ == v) return;
  showCaption_ = v;
  if (isFloating_ && hostWindow_) {
    if (hostWindow_->HandleAllocated())
      SetWindowPos(hostWindow_->Handle(), nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    Rearrange();
  }
}

void TDKCustomDockableWindow::SetStretch(bool v) {
  if (stretch_ == v) return;
  stretch_ = v;
  if (currentDock_) currentDock_->LayoutToolbars();
}

void TDKCustomDockableWindow::SetUseLastDock(bool v) {
  useLastDock_ = v;
  SetLastDock(v ? currentDock_ : nullptr);
}

void TDKCustomDockableWindow::SetLastDock(TDKDock* v) {
  if (useLastDock_ && currentDock_) v = currentDock_;
  if (lastDock_ == v) return;
  if (lastDock_ && lastDock_ != Parent()) lastDock_->UpdateWindowList(this, false);
  if (lastDock_) lastDock_->RemoveFreeNotification(this);
  lastDock_ = v;
  if (v) {
    useLastDock_ = true;
    v->FreeNotification(this);
    v->UpdateWindowList(this, true);
  }
}

TCustomForm* TDKCustomDockableWindow::RequireHostForm() {
  TCustomForm* f = HostFormOf(this);
  if (!f) throw EInvalidOperation("Control '" + Name() + "' has no parent window");
  return f;
}

// ---- Re-parenting

void TDKCustomDockableWindow::SetParent(TWinControl* AParent) {
  auto* newDock = dynamic_cast<TDKDock*>(AParent);
  bool newFloating = dynamic_cast<TDKFloatingWindowParent*>(AParent) != nullptr;
  TWinControl* oldParent = Parent();
  // The same parent: only the dock facts change.
  if (AParent == oldParent) {
    currentDock_ = newDock;
    isFloating_ = newFloating;
    TrackFloatingList();
    return;
  }
  const bool destroying = ComponentState().Contains(csDestroying);
  // The handlers hear of the change first.
  if (!destroying && AParent) {
    if (OnDockChanging) OnDockChanging(this, newFloating, newDock);
    if (OnRecreating) OnRecreating(this);
  }
  // The layouts and notifications wait until the move is done.
  auto* oldDock = dynamic_cast<TDKDock*>(oldParent);
  ++hideLock_;
  ++moveNotifyLock_;
  RefreshVisibility();
  if (oldDock) oldDock->SuspendLayout();
  if (newDock) newDock->SuspendLayout();
  ++BoundsUpdateDepth;
  auto undo = [&]() {
    // A failed move lets the layouts and notifications go again.
    UnlockArrange();
    --BoundsUpdateDepth;
    if (newDock) newDock->ResumeLayout();
    if (oldDock) oldDock->ResumeLayout();
    --moveNotifyLock_;
    --hideLock_;
    RefreshVisibility();
  };
  // The window hides while it moves.
  if (AParent) DockChangingHidden(newFloating, newDock);
  LockArrange();
  shrunkLength_ = 0;
  try {
    // The old dock lets the window go.
    if (oldDock) {
      if (!(useLastDock_ && oldDock == lastDock_)) oldDock->UpdateWindowList(this, false);
      oldDock->UpdateVisibleList(this, true);
    }
    // The framework gives the window a new native window under its new
    // parent; its children follow.
    try {
      bool keep = AParent != nullptr && HandleAllocated();
      if (keep) ControlState().Include(csDocking);
      try {
        TCustomControl::SetParent(AParent);
      } catch (...) {
        ControlState().Exclude(csDocking);
        throw;
      }
      ControlState().Exclude(csDocking);
      currentDock_ = newDock;
      isFloating_ = newFloating;
      if (keep) {
        if (AParent->HandleAllocated()) {
          ::SetParent(Handle(), AParent->Handle());
          SetWindowPos(Handle(), nullptr, Left(), Top(), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
          UpdateShowing();
        } else {
          DestroyHandle();
        }
      }
      if (HandleAllocated())
        SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                     SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
      layoutRow_ = -1;
    } catch (...) {
      currentDock_ = dynamic_cast<TDKDock*>(Parent());
      isFloating_ = dynamic_cast<TDKFloatingWindowParent*>(Parent()) != nullptr;
      throw;
    }
    // A window that leaves a floating frame takes it down (unless dragged live).
    if (!liveDragging_) {
      if (auto* oldFloat = dynamic_cast<TDKFloatingWindowParent*>(oldParent)) {
        if (hostWindow_ == oldFloat) hostWindow_ = nullptr;
        oldFloat->HostedWindow = nullptr;
        oldFloat->FreeWhenIdle();
      }
    }
    // The new dock takes the window into its lists.
    if (newDock) {
      if (!useLastDock_ || liveDragging_) {
        newDock->UpdateWindowList(this, true);
      } else {
        SetLastDock(newDock);
        newDock->UpdateVisibleList(this, false);
      }
    }
    // The floating list and the arrangement follow the new place.
    TrackFloatingList();
    Rearrange();
  } catch (...) {
    undo();
    throw;
  }
  undo();
  // The move is announced.
  if (Parent()) NotifyMoved();
  if (!destroying && AParent) {
    if (OnRecreated) OnRecreated(this);
    if (OnDockChanged) OnDockChanged(this);
  }
}

void TDKCustomDockableWindow::TrackFloatingList() {
  if (dynamic_cast<TDKFloatingWindowParent*>(Parent())) {
    ListAddOnce(floatingWindows, this);
    if (TWinControl* p = Parent()) p->SetBounds(floatingPos_.X, floatingPos_.Y, p->Width(), p->Height());
  } else {
    ListRemoveAndFreeIfEmpty(floatingWindows, this);
  }
}

TDKFloatingWindowParent* TDKCustomDockableWindow::MakeFloatParent() {
  return new TDKFloatingWindowParent(nullptr);
}

void TDKCustomDockableWindow::SetFloating(bool Floating) {
  if (Floating == isFloating_) return;
  if (!Floating || ComponentState().Contains(csDesigning)) {
    SetParent(RequireHostForm());
    return;
  }
  TCustomForm* host = RequireHostForm();
  if (!(hostWindow_ && hostWindowForm_ == host)) {
    if (hostWindow_) DestroyHostWindow();
    TDKFloatingWindowParent* p = MakeFloatParent();
    try {
      p->OwnerForm = host;
      p->HostedWindow = this;
      char name[64];
      std::snprintf(name, sizeof name, "NBFloatingWindowParent_%.8x", unsigned(reinterpret_cast<uintptr_t>(p)));
      p->SetName(name);
      p->SetCaption(Caption());
      p->SetBorderStyle(bsToolWindow);
      TSize outer = AddFloatingFrame(TSize{ClientWidth(), ClientHeight()});
      p->SetBounds(floatingPos_.X, floatingPos_.Y, outer.cx, outer.cy);
      p->SetShowHint(true);
      p->SetVisible(true);
    } catch (...) {
      p->Free();
      throw;
    }
    hostWindow_ = p;
    hostWindowForm_ = host;
  }
  host->FreeNotification(this);
  SetParent(hostWindow_);
  SetBounds(0, 0, Width(), Height());
}

void TDKCustomDockableWindow::DestroyHostWindow() {
  TDKFloatingWindowParent* h = hostWindow_;
  hostWindow_ = nullptr;
  hostWindowForm_ = nullptr;
  if (!h) return;
  h->HostedWindow = nullptr;
  h->FreeWhenIdle();
}

// ---- Arranging

void TDKCustomDockableWindow::Rearrange() {
  if (arrangeLock_ > 0 || ComponentState().Contains(csLoading) || !Parent()) {
    arrangePending_ = true;
    return;
  }
  arrangePending_ = false;
  TSize size{0, 0};
  ArrangeItems(true, DockTypeOf(currentDock_, isFloating_), isFloating_, currentDock_, size);
  if (SizesItself()) ResizeToContent(size);
}

void TDKCustomDockableWindow::ResizeToContent(TSize Size) {
  if (currentDock_) {
    if (BoundsUpdateDepth == 0 || true) currentDock_->LayoutToolbars();
    return;
  }
  TSize nc = GetDockedNCAreaSize();
  int32_t w = Size.cx + nc.cx, h = Size.cy + nc.cy;
  if (!isFloating_) {
    if (Anchors().Contains(akLeft) && Anchors().Contains(akRight)) w = Width();
    if (Anchors().Contains(akTop) && Anchors().Contains(akBottom)) h = Height();
  }
  ++BoundsUpdateDepth;
  try {
    SetBounds(Left(), Top(), w, h);
  } catch (...) {
    --BoundsUpdateDepth;
    throw;
  }
  --BoundsUpdateDepth;
}

void TDKCustomDockableWindow::UnlockArrange() {
  if (arrangeLock_ > 0 && --arrangeLock_ == 0 && arrangePending_) Rearrange();
}

void TDKCustomDockableWindow::SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) {
  if (BoundsUpdateDepth == 0 && (AWidth != Width() || AHeight != Height())) BoundsSizeChanged(AWidth, AHeight);
  // While loading the bounds read are kept as they are until Loaded.
  if (isFloating_ && !ComponentState().Contains(csDesigning) && !ComponentState().Contains(csLoading)) {
    if (TWinControl* p = Parent()) {
      TSize outer = AddFloatingFrame(TSize{AWidth, AHeight});
      p->SetBounds(p->Left(), p->Top(), outer.cx, outer.cy);
    }
    TCustomControl::SetBounds(0, 0, AWidth, AHeight);
    return;
  }
  if (ComponentState().Contains(csDesigning) && currentDock_ && BoundsUpdateDepth == 0) {
    bool vertical = currentDock_->IsVertical();
    dockRow_ = currentDock_->RowAtOffset(vertical ? ALeft + AWidth / 2 : ATop + AHeight / 2);
    dockPos_ = vertical ? ATop : ALeft;
    currentDock_->LayoutToolbars();
    return;
  }
  TCustomControl::SetBounds(ALeft, ATop, AWidth, AHeight);
}

// ---- Other operations

void TDKCustomDockableWindow::RequestClose() {
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(this, canClose);
  if (!canClose) return;
  Hide();
  if (OnClose) OnClose(this);
}

void TDKCustomDockableWindow::ToggleDocking() {
  if (IsDocked()) {
    if (dblClickUndock_ && dockMode_ == dmCanFloat) {
      SetFloating(true);
      KeepOnScreen(true);
    }
  } else if (isFloating_) {
    if (lastDock_) {
      SetParent(lastDock_);
    } else if (defaultDock_) {
      dockRow_ = 0;
      dockPos_ = -8;
      SetParent(defaultDock_);
    }
  }
}

bool TDKCustomDockableWindow::DragAllowed() {
  return (currentDock_ && currentDock_->AllowDrag()) || isFloating_;
}

void TDKCustomDockableWindow::KeepOnScreen(bool OnlyIfOff) {
  if (!isFloating_ || !Parent()) return;
  TWinControl* p = Parent();
  TRect r = p->BoundsRect();
  TRect m = MonitorRectOfRect(r, true);
  TRect inter;
  if (OnlyIfOff && IntersectRect(&inter, &r, &m)) return;
  int32_t w = r.Width(), h = r.Height();
  if (r.Right > m.Right) r.Left = m.Right - w;
  if (r.Bottom > m.Bottom) r.Top = m.Bottom - h;
  if (r.Left < m.Left) r.Left = m.Left;
  if (r.Top < m.Top) r.Top = m.Top;
  floatingPos_ = TPoint{r.Left, r.Top};
  p->SetBounds(r.Left, r.Top, w, h);
}

void TDKCustomDockableWindow::PlaceFloating(const TRect& R) {
  floatingPos_ = TPoint{R.Left, R.Top};
  if (isFloating_ && Parent()) Parent()->SetBounds(R.Left, R.Top, Parent()->Width(), Parent()->Height());
}

void TDKCustomDockableWindow::NotifyMoved() {
  if (ComponentState().Contains(csLoading) || moveNotifyLock_ > 0) return;
  if (OnMove) OnMove(this);
}

bool TDKCustomDockableWindow::AcceptsDock(TDKDock* Dock) {
  return (dockableTo_ & DockableBit(Dock->Position())) != 0;
}

void TDKCustomDockableWindow::PointBlocksDrag(TPoint ClientPoint, bool& Blocked) {
  for (int32_t i = 0; i < ControlCount(); ++i) {
    TControl* c = Controls(i);
    if (!c->Visible()) continue;
    TRect r = c->BoundsRect();
    if (PtInRect(&r, ClientPoint) && !ChildIsDragArea(c)) {
      Blocked = true;
      return;
    }
  }
}

void TDKCustomDockableWindow::DockChangingHidden(bool Floating, TDKDock* Dock) {
  if (!ComponentState().Contains(csDestroying) && OnDockChangingHidden) OnDockChangingHidden(this, Floating, Dock);
}

void TDKCustomDockableWindow::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomControl::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == defaultDock_) defaultDock_ = nullptr;
  if (AComponent == lastDock_) lastDock_ = nullptr;
  if (AComponent == currentDock_) currentDock_ = nullptr;
  if (hostWindow_ && AComponent == hostWindowForm_) {
    hostWindowForm_ = nullptr;
    if (Parent() != hostWindow_) {
      DestroyHostWindow();
    } else if (floatingMode_ == fmOnTopOfAllForms) {
      hostWindow_->OwnerForm = nullptr;
    } else {
      hostWindow_->OwnerForm = nullptr;
      SetParent(nullptr);
    }
  }
  if (AComponent == hostWindow_) {
    hostWindow_ = nullptr;
    hostWindowForm_ = nullptr;
  }
}

void TDKCustomDockableWindow::Loaded() {
  TCustomControl::Loaded();
  bool runTime = savedAtRunTime_;
  savedAtRunTime_ = false;
  if (!runTime && !ComponentState().Contains(csDesigning)) {
    if (auto* fp = dynamic_cast<TDKFloatingWindowParent*>(Parent()); fp && fp->OwnerForm) {
      TPoint p = fp->OwnerForm->ClientToScreen(TPoint{Left(), Top()});
      PlaceFloating(Bounds(p.X, p.Y, Width(), Height()));
      KeepOnScreen(false);
    }
  }
  if (isFloating_ && !ComponentState().Contains(csDesigning)) SetBounds(0, 0, Width(), Height());
  Rearrange();
}

// ---- Visibility of floating windows

bool TDKCustomDockableWindow::ShouldShow() {
  if (!Showing() || hideLock_ > 0) return false;
  if (!isFloating_ || ComponentState().Contains(csDesigning)) return true;
  if (floatingMode_ == fmOnTopOfParentForm) {
    TCustomForm* host = hostWindow_ ? hostWindow_->OwnerForm : nullptr;
    if (!host || !host->HandleAllocated() || !host->Visible() || IsIconic(host->Handle())) return false;
  }
  if (hideWhenInactive_ && !AppHasActiveWindow()) return false;
  return true;
}

void TDKCustomDockableWindow::RefreshVisibility() {
  SetCaptionInactive(isFloating_ && !hideWhenInactive_ && !AppHasActiveWindow());
  if (!HandleAllocated() || !isFloating_) return;
  ShowingChanged();
}

namespace {

bool OwnerChainHolds(HWND Wnd, HWND Owner) {
  for (HWND o = GetWindow(Wnd, GW_OWNER); o; o = GetWindow(o, GW_OWNER))
    if (o == Owner) return true;
  return false;
}

bool OwnerChainHasNonTopmost(HWND Wnd) {
  for (HWND o = GetWindow(Wnd, GW_OWNER); o; o = GetWindow(o, GW_OWNER))
    if (!(GetWindowLong(o, GWL_EXSTYLE) & WS_EX_TOPMOST)) return true;
  return false;
}

// The first window above Form that Form does not own (a topmost Floater
// also passes over windows owned by a non-topmost one), or none.
HWND FirstForeignWindowAbove(HWND Form, HWND Floater) {
  bool topmost = (GetWindowLong(Floater, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
  for (HWND w = GetWindow(Form, GW_HWNDPREV); w; w = GetWindow(w, GW_HWNDPREV)) {
    if (w == Floater || OwnerChainHolds(w, Form)) continue;
    if (topmost && OwnerChainHasNonTopmost(w)) continue;
    return w;
  }
  return nullptr;
}

}  // namespace

void TDKCustomDockableWindow::ShowingChanged() {
  if (!isFloating_ || !hostWindow_) return;
  bool show = ShouldShow();
  if (show && hostWindow_->HandleAllocated() && !IsWindowVisible(hostWindow_->Handle())) {
    // About to show: owned by the application's window, or by the host form
    // and just above it and the windows it owns.
    HWND ph = hostWindow_->Handle();
    if (floatingMode_ == fmOnTopOfAllForms) {
      if (Application && GetWindow(ph, GW_OWNER) != Application->Handle())
        SetWindowLongPtr(ph, GWL_HWNDPARENT, reinterpret_cast<intptr_t>(Application->Handle()));
    } else if (TCustomForm* host = hostWindow_->OwnerForm; host && host->HandleAllocated()) {
      HWND frame = host->Handle();
      if (GetWindow(ph, GW_OWNER) != frame) SetWindowLongPtr(ph, GWL_HWNDPARENT, reinterpret_cast<intptr_t>(frame));
      HWND above = FirstForeignWindowAbove(frame, ph);
      SetWindowPos(ph, above ? above : HWND_TOP, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    }
  }
  SyncTopmost();
  hostWindow_->ShowWanted = show;
  TMessage m{CM_SHOWINGCHANGED, 0, 0, 0};
  hostWindow_->Dispatch(m);
}

void TDKCustomDockableWindow::SyncTopmost() {
  if (!hostWindow_ || !hostWindow_->HandleAllocated()) return;
  HWND h = hostWindow_->Handle();
  bool want = false;
  if (floatingMode_ == fmOnTopOfAllForms) {
    want = Enabled();
  } else if (HWND owner = GetParent(h)) {
    want = (GetWindowLong(owner, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
  }
  bool is = (GetWindowLong(h, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
  if (want != is)
    SetWindowPos(h, want ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
}

void TDKCustomDockableWindow::SetCaptionInactive(bool Inactive) {
  if (ComponentState().Contains(csDesigning)) Inactive = false;
  if (captionInactive_ == Inactive) return;
  captionInactive_ = Inactive;
  if (hostWindow_) RedrawFloatingFrame(hostWindow_, fpBorder | fpCaption | fpCloseButton);
}

void TDKCustomDockableWindow::RefreshFrame() {
  if (!HandleAllocated()) return;
  SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  if (currentDock_) currentDock_->LayoutToolbars();
}

void TDKCustomDockableWindow::RepaintFrame() {
  if (HandleAllocated()) RedrawWindow(Handle(), nullptr, RDW_FRAME | RDW_INVALIDATE);
}

void TDKCustomDockableWindow::RepaintNow() {
  if (!HandleAllocated()) return;
  HWND h = Handle();
  TRect cr;
  GetClientRect(h, cr);
  TRect upd;
  if (GetUpdateRect(h, &upd, false) && EqualRect(&upd, &cr)) {
    // Everything is to be painted anyway: the frame joins it.
    RedrawWindow(h, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
    return;
  }
  {
    TWindowDC dc = TWindowDC::Client(h);
    TOwnedGdiObject<HBITMAP> bmp(
        CreateCompatibleBitmap(dc, std::max(1, cr.Width()), std::max(1, cr.Height())));
    TMemoryDC mem(dc);
    SelectObject(mem, bmp.get());
    SendMessage(h, WM_NCPAINT, 0, 0);
    SendMessage(h, WM_ERASEBKGND, reinterpret_cast<WPARAM>(mem.Handle()), 0);
    SendMessage(h, WM_PAINT, reinterpret_cast<WPARAM>(mem.Handle()), 0);
    BitBlt(dc, 0, 0, cr.Width(), cr.Height(), mem, 0, 0, SRCCOPY);
  }
  ValidateRect(h, nullptr);
}

// ---- Mouse

void TDKCustomDockableWindow::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TCustomControl::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft || !DragAllowed()) return;
  bool blocked = false;
  PointBlocksDrag(TPoint{X, Y}, blocked);
  if (blocked) return;
  if (Shift.Contains(ssDouble)) ToggleDocking();
  else TrackDrag(X, Y);
  // The framework's button-up handling runs with a point outside, so no
  // click follows the drag.
  TMessage up{WM_LBUTTONUP, 0, MAKELPARAM(uint16_t(-1), uint16_t(-1)), 0};
  if (!ComponentState().Contains(csDestroying)) TCustomControl::Dispatch(up);
}
