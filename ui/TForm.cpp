#include "ui/TForm.h"

#include <algorithm>

#include "rtl/Exception.h"
#include "ui/TApplication.h"
#include "ui/TScreen.h"

RTL_DEFINE_CLASS(TCustomForm, TWinControl,
                 Published("BorderStyle", &TCustomForm::BorderStyle, &TCustomForm::SetBorderStyle),
                 Published("BorderIcons", &TCustomForm::BorderIcons, &TCustomForm::SetBorderIcons),
                 Published("Position", &TCustomForm::Position, &TCustomForm::SetPosition),
                 Published("FormStyle", &TCustomForm::FormStyle, &TCustomForm::SetFormStyle),
                 Published("WindowState", &TCustomForm::WindowState, &TCustomForm::SetWindowState),
                 Published("KeyPreview", &TCustomForm::KeyPreview, &TCustomForm::SetKeyPreview),
                 Published("ClientWidth", &TCustomForm::ClientWidth, &TCustomForm::SetClientWidth),
                 Published("ClientHeight", &TCustomForm::ClientHeight, &TCustomForm::SetClientHeight))
RTL_DEFINE_CLASS(TForm, TCustomForm)

TCustomForm::TCustomForm(TComponent* AOwner) : TWinControl(AOwner) {
  InitControls();
  formState_.Include(fsCreating);
  controlStyle_.Include(csAcceptsControls);
  SetVisible(false);
  SetParentFont(false);
  SetBounds(0, 0, 320, 240);
  canvas_ = new TControlCanvas();
  canvas_->SetControl(this);
  Screen->AddForm(this);
  formState_.Exclude(fsCreating);
}

TCustomForm::~TCustomForm() { delete canvas_; }

TCanvas* TCustomForm::Canvas() const { return canvas_; }

void TCustomForm::BeforeDestruction() {
  Destroying();
  if (created_ && OnDestroy) {
    try {
      OnDestroy(this);
    } catch (...) {
      // A failing OnDestroy is reported; the form is freed all the same.
      if (Application) Application->HandleException(this);
    }
  }
  if (Application) Application->FormDestroyed(this);
  if (Screen) Screen->RemoveForm(this);
  inherited::BeforeDestruction();
}

void TCustomForm::DoCreate() {
  if (created_) return;
  created_ = true;
  if (OnCreate) OnCreate(this);
}

// ---- Window

DWORD TCustomForm::FrameStyle(DWORD* exStyle) const {
  DWORD s = 0, ex = 0;
  DWORD icons = 0;
  if (borderIcons_.Contains(biSystemMenu)) {
    icons |= WS_SYSMENU;
    if (borderIcons_.Contains(biMinimize)) icons |= WS_MINIMIZEBOX;
    if (borderIcons_.Contains(biMaximize)) icons |= WS_MAXIMIZEBOX;
  }
  switch (borderStyle_) {
    case bsNone: s = WS_POPUP; break;
    case bsSingle: s = WS_CAPTION | icons; break;
    case bsSizeable: s = WS_CAPTION | WS_THICKFRAME | icons; break;
    case bsDialog:
      s = WS_POPUP | WS_CAPTION | (icons & WS_SYSMENU);
      ex = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
      break;
    case bsToolWindow:
      s = WS_CAPTION | (icons & WS_SYSMENU);
      ex = WS_EX_TOOLWINDOW;
      break;
    case bsSizeToolWin:
      s = WS_CAPTION | WS_THICKFRAME | (icons & WS_SYSMENU);
      ex = WS_EX_TOOLWINDOW;
      break;
  }
  if (formStyle_ == fsStayOnTop) ex |= WS_EX_TOPMOST;
  if (exStyle) *exStyle = ex;
  return s | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
}

void TCustomForm::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  Params.Style = FrameStyle(&Params.ExStyle);
  if (!Enabled()) Params.Style |= WS_DISABLED;
  Params.WndParent = nullptr;
  if (Application && Application->MainForm() && Application->MainForm() != this &&
      Application->MainForm()->HandleAllocated())
    Params.WndParent = Application->MainForm()->Handle();
}

void TCustomForm::CreateWnd() {
  TWinControl::CreateWnd();
  // The client size asked for before the window existed stays the client size.
  Realign();
}

TRect TCustomForm::ClientRect() {
  if (HandleAllocated()) return TWinControl::ClientRect();
  DWORD ex = 0;
  DWORD s = FrameStyle(&ex);
  TRect frame = Rect(0, 0, 0, 0);
  AdjustWindowRectEx(frame, s, false, ex);
  return Rect(0, 0, std::max(0, width_ - frame.Width()), std::max(0, height_ - frame.Height()));
}

void TCustomForm::SetClientSize(int32_t w, int32_t h) { TWinControl::SetClientSize(w, h); }

void TCustomForm::SetBorderStyle(TFormBorderStyle v) {
  if (borderStyle_ == v) return;
  TRect c = ClientRect();
  borderStyle_ = v;
  if (HandleAllocated()) RecreateWnd();
  else SetClientSize(c.Width(), c.Height());
}

void TCustomForm::SetBorderIcons(TBorderIcons v) {
  if (borderIcons_ == v) return;
  borderIcons_ = v;
  if (HandleAllocated()) RecreateWnd();
}

void TCustomForm::SetFormStyle(TFormStyle v) {
  if (formStyle_ == v) return;
  formStyle_ = v;
  if (HandleAllocated())
    SetWindowPos(Handle(), v == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

TWindowState TCustomForm::WindowState() {
  if (HandleAllocated()) {
    if (IsZoomed(Handle())) return wsMaximized;
    if (IsIconic(Handle())) return wsMinimized;
    return wsNormal;
  }
  return windowState_;
}

void TCustomForm::SetWindowState(TWindowState v) {
  windowState_ = v;
  if (HandleAllocated() && Showing())
    ShowWindow(Handle(), v == wsMaximized ? SW_SHOWMAXIMIZED : v == wsMinimized ? SW_MINIMIZE : SW_RESTORE);
}

void TCustomForm::PlaceOnScreen() {
  if (placed_) return;
  placed_ = true;
  TRect area = Screen->WorkAreaRect();
  TCustomForm* center = nullptr;
  switch (position_) {
    case poScreenCenter:
    case poDesktopCenter:
      break;
    case poMainFormCenter:
      center = Application ? Application->MainForm() : nullptr;
      break;
    case poOwnerFormCenter:
      center = dynamic_cast<TCustomForm*>(Owner());
      if (!center && Application) center = Application->MainForm();
      break;
    default:
      return;
  }
  if (center == this || (center && !center->Visible())) center = nullptr;
  TRect r = center ? center->BoundsRect() : area;
  int32_t l = r.Left + (r.Width() - width_) / 2;
  int32_t t = r.Top + (r.Height() - height_) / 2;
  // Keep the title bar on the screen.
  l = std::max(area.Left, std::min(l, area.Right - width_));
  t = std::max(area.Top, std::min(t, area.Bottom - height_));
  SetBounds(l, t, width_, height_);
}

// ---- Showing and closing

void TCustomForm::Show() {
  SetVisible(true);
  BringToFront();
}

void TCustomForm::DoShow() {
  if (OnShow) OnShow(this);
}

void TCustomForm::DoHide() {
  if (OnHide) OnHide(this);
}

void TCustomForm::CMShowingChanged(TMessage& Message) {
  // A window made again for a new frame shows again without the events.
  if (controlState_.Contains(csRecreating)) {
    if (Showing()) ShowWindow(Handle(), windowState_ == wsMaximized ? SW_SHOWMAXIMIZED : SW_SHOW);
    return;
  }
  if (Showing()) {
    DoCreate();
    formState_.Include(fsShowing);
    try {
      DoShow();
    } catch (...) {
      formState_.Exclude(fsShowing);
      throw;
    }
    formState_.Exclude(fsShowing);
    PlaceOnScreen();
    ShowWindow(Handle(), windowState_ == wsMaximized ? SW_SHOWMAXIMIZED : SW_SHOW);
    formState_.Include(fsVisible);
  } else {
    DoHide();
    if (HandleAllocated()) ShowWindow(Handle(), SW_HIDE);
    formState_.Exclude(fsVisible);
  }
}

TModalResult TCustomForm::ShowModal() {
  if (Visible() || !Enabled() || formState_.Contains(fsModal))
    throw EInvalidOperation("Cannot make a visible window modal");
  if (GetCapture()) SendMessage(GetCapture(), WM_CANCELMODE, 0, 0);
  ReleaseCapture();
  if (Application) Application->CancelHint();
  formState_.Include(fsModal);
  HWND prevActive = GetActiveWindow();
  // While it shows, the modal window belongs to the window it was opened
  // from (the full-screen window, another dialog): the window system keeps
  // it above that window and gives the activation back to it, and a click on
  // that waiting window brings this one forward.
  HWND self = Handle();
  const intptr_t ownerBefore = GetWindowLongPtr(self, GWL_HWNDPARENT);
  HWND opener = prevActive ? GetAncestor(prevActive, GA_ROOT) : nullptr;
  if (opener && opener != self) SetWindowLongPtr(self, GWL_HWNDPARENT, reinterpret_cast<intptr_t>(opener));
  // Every other window of the program waits.
  std::vector<HWND> disabled;
  for (int32_t i = 0; i < Screen->FormCount(); ++i) {
    TCustomForm* f = Screen->Forms(i);
    if (f != this && f->HandleAllocated() && IsWindowVisible(f->Handle()) && IsWindowEnabled(f->Handle())) {
      disabled.push_back(f->Handle());
      EnableWindow(f->Handle(), false);
    }
  }
  auto restore = [&]() {
    for (HWND h : disabled)
      if (IsWindow(h)) EnableWindow(h, true);
    formState_.Exclude(fsModal);
    if (IsWindow(self)) SetWindowLongPtr(self, GWL_HWNDPARENT, ownerBefore);
    if (prevActive && IsWindow(prevActive)) SetActiveWindow(prevActive);
  };
  modalResult_ = mrNone;
  try {
    Show();
    while (modalResult_ == mrNone) {
      Application->HandleMessage();
      if (Application->Terminated()) modalResult_ = mrCancel;
      else if (modalResult_ != mrNone) CloseModal();
      if (ComponentState().Contains(csDestroying)) break;
    }
    TModalResult result = modalResult_;
    Hide();
    restore();
    return result;
  } catch (...) {
    if (!ComponentState().Contains(csDestroying)) Hide();
    restore();
    throw;
  }
}

void TCustomForm::CloseModal() {
  TCloseAction action = caNone;
  if (CloseQuery()) {
    action = caHide;
    DoClose(action);
  }
  if (action == caNone) modalResult_ = mrNone;
  else if (action == caFree) Release();
}

bool TCustomForm::CloseQuery() {
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(this, canClose);
  return canClose;
}

void TCustomForm::DoClose(TCloseAction& Action) {
  if (OnClose) OnClose(this, Action);
}

void TCustomForm::Close() {
  if (formState_.Contains(fsModal)) {
    modalResult_ = mrCancel;
    return;
  }
  if (!CloseQuery()) return;
  TCloseAction action = formStyle_ == fsMDIChild ? caMinimize : caHide;
  DoClose(action);
  if (action == caNone) return;
  if (Application && Application->MainForm() == this) {
    Application->Terminate();
  } else if (action == caHide) {
    Hide();
  } else if (action == caMinimize) {
    SetWindowState(wsMinimized);
  } else {
    Release();
  }
}

void TCustomForm::Release() { PostMessage(Handle(), CM_RELEASE, 0, 0); }

// ---- Activation and focus

void TCustomForm::Activate() {
  if (OnActivate) OnActivate(this);
}

void TCustomForm::Deactivate() {
  if (OnDeactivate) OnDeactivate(this);
}

void TCustomForm::WMActivate(TMessage& Message) {
  bool activating = LOWORD(Message.WParam) != WA_INACTIVE;
  if (activating) {
    active_ = true;
    Screen->SetActiveForm(this);
    if (Application) Application->ActivateApp(true);
    if (activeControl_ && activeControl_->CanFocus() && activeControl_ != this) {
      ::SetFocus(activeControl_->Handle());
    } else if (TWinControl* first = FindNextControl(nullptr, true, true, false)) {
      ::SetFocus(first->Handle());
    } else {
      ::SetFocus(Handle());
    }
    formState_.Include(fsActivated);
    Activate();
  } else {
    active_ = false;
    Deactivate();
  }
  Message.Result = 0;
}

void TCustomForm::WMSetFocusForm(TMessage& Message) {
  DefaultHandler(Message);
  if (activeControl_ && activeControl_ != this && activeControl_->CanFocus()) {
    ::SetFocus(activeControl_->Handle());
    return;
  }
  SetFocusedControl(this);
}

void TCustomForm::SetActiveControl(TWinControl* v) {
  if (activeControl_ == v) return;
  if (v && (!v->CanFocus() || GetParentForm(v) != this))
    throw EInvalidOperation("Cannot focus a disabled or invisible window");
  activeControl_ = v;
  if (active_ && v && HandleAllocated()) ::SetFocus(v->Handle());
}

void TCustomForm::FocusControl(TWinControl* Control) {
  if (!Control->CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
  if (active_ && HandleAllocated()) ::SetFocus(Control->Handle());
  else activeControl_ = Control;
}

void TCustomForm::BroadcastFocusChanged(TWinControl* Root, TWinControl* Focused) {
  for (int32_t i = 0; i < Root->ControlCount(); ++i) {
    TControl* c = Root->Controls(i);
    c->Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(Focused));
    if (auto* w = dynamic_cast<TWinControl*>(c)) BroadcastFocusChanged(w, Focused);
  }
}

bool TCustomForm::SetFocusedControl(TWinControl* Control) {
  if (focusedControl_ == Control) return true;
  TWinControl* old = focusedControl_;
  focusedControl_ = Control;
  if (Control != this) activeControl_ = Control;
  if (Screen) Screen->SetActiveControl(Control);
  if (old && old != this) old->Perform(CM_EXIT);
  if (focusedControl_ == Control && Control != this) Control->Perform(CM_ENTER);
  BroadcastFocusChanged(this, Control);
  return true;
}

void TCustomForm::DefocusControl(TWinControl* Control, bool Removing) {
  if (activeControl_ && Control->ContainsControl(activeControl_)) {
    bool hadFocus = activeControl_->Focused();
    activeControl_ = nullptr;
    if (hadFocus && !Removing && HandleAllocated()) ::SetFocus(Handle());
  }
  if (focusedControl_ && Control->ContainsControl(focusedControl_)) {
    focusedControl_ = nullptr;
    if (Removing && HandleAllocated() && GetFocus() && IsChild(Handle(), GetFocus())) ::SetFocus(Handle());
  }
}

void TCustomForm::SendCancelMode(TControl* Sender) {
  if (active_ && activeControl_) activeControl_->Perform(CM_CANCELMODE, 0, reinterpret_cast<LPARAM>(Sender));
}

void TCustomForm::SetFocus() {
  if (!CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
  SetActiveWindow(Handle());
}

bool TCustomForm::CanFocus() { return Visible() && Enabled(); }

// ---- Keys and painting

void TCustomForm::CMDialogKey(TMessage& Message) {
  switch (Message.WParam) {
    case VK_TAB:
      if (GetKeyState(VK_CONTROL) >= 0) {
        SelectNext(activeControl_, GetKeyState(VK_SHIFT) >= 0, true);
        Message.Result = 1;
        return;
      }
      break;
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN:
      if (activeControl_ && activeControl_->Parent()) {
        activeControl_->Parent()->SelectNext(activeControl_,
                                             Message.WParam == VK_RIGHT || Message.WParam == VK_DOWN, false);
        Message.Result = 1;
        return;
      }
      break;
  }
  TWinControl::CMDialogKey(Message);
}

void TCustomForm::Paint() {
  if (OnPaint) OnPaint(this);
}

void TCustomForm::PaintWindow(HDC DC) {
  canvas_->Lock();
  canvas_->FreeHandle();
  canvas_->SetHandle(DC);
  try {
    Paint();
  } catch (...) {
    canvas_->SetHandle(nullptr);
    canvas_->Unlock();
    throw;
  }
  canvas_->SetHandle(nullptr);
  canvas_->Unlock();
}

void TCustomForm::WMClose(TMessage&) { Close(); }

void TCustomForm::WMSysCommand(TMessage& Message) {
  UINT cmd = UINT(Message.WParam & 0xFFF0);
  if (cmd == SC_KEYMENU && Application && Application->IsSysCommand(Message)) return;
  DefaultHandler(Message);
  if (cmd == SC_MAXIMIZE) windowState_ = wsMaximized;
  else if (cmd == SC_RESTORE) windowState_ = wsNormal;
  else if (cmd == SC_MINIMIZE) windowState_ = wsMinimized;
}

void TCustomForm::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_ACTIVATE: WMActivate(Message); return;
    case WM_SETFOCUS: WMSetFocusForm(Message); return;
    case WM_CLOSE: WMClose(Message); return;
    case WM_SYSCOMMAND: WMSysCommand(Message); return;
    case WM_ACTIVATEAPP:
      if (Application) Application->ActivateApp(Message.WParam != 0);
      DefaultHandler(Message);
      return;
    case CM_RELEASE: Free(); return;
    default: TWinControl::Dispatch(Message);
  }
}
