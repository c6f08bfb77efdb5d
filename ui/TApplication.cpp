#include "ui/TApplication.h"

#include <algorithm>

#include "platform/SysInfo.h"
#include "rtl/TThread.h"
#include "ui/MessageDlg.h"
#include "ui/TAction.h"
#include "ui/TForm.h"
#include "ui/THintWindow.h"
#include "ui/TScreen.h"

RTL_DEFINE_CLASS(TApplication, TComponent)

TApplication* Application = nullptr;

namespace {
constexpr uintptr_t kHintShowTimer = 1;
constexpr uintptr_t kHintHideTimer = 2;
}  // namespace

void InitControls() {
  if (!Screen) Screen = new TScreen(nullptr);
  if (!Application) Application = new TApplication(nullptr);
}

void DoneControls() {
  if (Application) {
    TApplication* a = Application;
    a->Free();
    Application = nullptr;
  }
  if (Screen) {
    TScreen* s = Screen;
    s->Free();
    Screen = nullptr;
  }
}

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) {
  if (!Application) Application = this;
  if (!Screen) Screen = new TScreen(nullptr);
  // Errors of work that threads queued for the main thread come here.
  if (Application == this)
    SetApplicationHandleException([this](TObject* Sender) { HandleException(Sender); });
}

TApplication::~TApplication() {
  if (Application == this) {
    Application = nullptr;
    SetApplicationHandleException(nullptr);
  }
}

void TApplication::BeforeDestruction() {
  Destroying();
  CancelHint();
  DestroyComponents();
  hintWindow_ = nullptr;
  mainForm_ = nullptr;
  if (handle_) {
    DeallocateHWnd(handle_);
    handle_ = nullptr;
  }
  inherited::BeforeDestruction();
}

void TApplication::Initialize() { Handle(); }

HWND TApplication::Handle() {
  if (!handle_) handle_ = AllocateHWnd([this](TMessage& m) { WndProc(m); });
  return handle_;
}

void TApplication::FormCreated(TCustomForm* Form) {
  if (!mainForm_) mainForm_ = Form;
  Form->DoCreate();
}

void TApplication::FormDestroyed(TCustomForm* Form) {
  if (mainForm_ == Form) mainForm_ = nullptr;
}

void TApplication::Run() {
  Handle();
  if (mainForm_) mainForm_->Show();
  while (!terminated_) HandleMessage();
}

void TApplication::Terminate() { PostQuitMessage(0); }

bool TApplication::ProcessMessage(MSG& Msg) {
  if (!PeekMessage(Msg, nullptr, 0, 0, PM_REMOVE)) return false;
  if (Msg.message == WM_QUIT) {
    terminated_ = true;
    return true;
  }
  try {
    bool handled = false;
    if (OnMessage) OnMessage(Msg, handled);
    if (hintActive_) {
      switch (Msg.message) {
        case WM_KEYDOWN: case WM_SYSKEYDOWN: case WM_LBUTTONDOWN: case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN: case WM_NCLBUTTONDOWN: case WM_NCRBUTTONDOWN: case WM_MOUSEWHEEL:
          CancelHint();
      }
    }
    if (!handled && (Msg.message == WM_KEYDOWN || Msg.message == WM_SYSKEYDOWN)) {
      if (TWinControl* c = TWinControl::FindControl(Msg.hwnd))
        handled = c->Perform(CN_KEYDOWN, Msg.wParam, Msg.lParam) != 0;
    }
    if (!handled) {
      TranslateMessage(Msg);
      DispatchMessage(Msg);
    }
  } catch (...) {
    // One message's failure is shown to the user; the loop goes on.
    HandleException(this);
  }
  return true;
}

void TApplication::ProcessMessages() {
  MSG msg;
  while (ProcessMessage(msg)) {
  }
}

void TApplication::HandleMessage() {
  MSG msg;
  if (!ProcessMessage(msg)) Idle();
}

void TApplication::Idle() {
  // The pointer left every window of the program: no control is under it.
  if (mouseControl_) {
    TPoint p;
    GetCursorPos(&p);
    if (!FindVCLWindow(p)) MouseOver(nullptr);
  }
  bool done = true;
  try {
    if (Screen) {
      for (int32_t i = 0; i < Screen->FormCount(); ++i) {
        TCustomForm* f = Screen->Forms(i);
        if (!f->Visible()) continue;
        for (int c = 0; c < f->ComponentCount(); ++c) {
          TComponent* comp = f->Components(c);
          if (auto* list = dynamic_cast<TCustomActionList*>(comp)) list->UpdateActions();
          else if (auto* ctl = dynamic_cast<TControl*>(comp); ctl && ctl->Visible()) ctl->InitiateAction();
        }
      }
    }
    if (OnIdle) OnIdle(this, done);
  } catch (...) {
    // A failing action update or OnIdle must not stop the idle loop.
    HandleException(this);
  }
  if (done && !terminated_) WaitMessage();
}

void TApplication::WndProc(TMessage& Message) {
  std::vector<THook> copy = hooks_;
  for (auto& h : copy)
    if (h.Hook && h.Hook(Message)) return;
  switch (Message.Msg) {
    case WM_TIMER:
      if (Message.WParam == kHintShowTimer) {
        KillTimer(handle_, kHintShowTimer);
        TPoint p;
        GetCursorPos(&p);
        ActivateHint(p);
        return;
      }
      if (Message.WParam == kHintHideTimer) {
        KillTimer(handle_, kHintHideTimer);
        HideHint();
        return;
      }
      break;
    case WM_ACTIVATEAPP:
      ActivateApp(Message.WParam != 0);
      return;
  }
  Message.Result = DefWindowProc(handle_, Message.Msg, Message.WParam, Message.LParam);
}

bool TApplication::IsShortCut(WPARAM Key, LPARAM KeyData) {
  if (hooks_.empty()) return false;
  return SendMessage(Handle(), CM_APPKEYDOWN, Key, KeyData) != 0;
}

bool TApplication::IsSysCommand(TMessage& SysCommand) {
  if (hooks_.empty()) return false;
  return SendMessage(Handle(), CM_APPSYSCOMMAND, 0, reinterpret_cast<LPARAM>(&SysCommand)) != 0;
}

bool TApplication::HelpContext(int32_t Context) {
  if (!OnHelp) return false;
  bool callHelp = true;
  return OnHelp(HELP_CONTEXT, Context, callHelp);
}

int32_t TApplication::HookMainWindow(TWindowHook Hook) {
  hooks_.push_back(THook{nextHookId_, std::move(Hook)});
  return nextHookId_++;
}

void TApplication::UnhookMainWindow(int32_t Id) {
  hooks_.erase(std::remove_if(hooks_.begin(), hooks_.end(), [Id](const THook& h) { return h.Id == Id; }),
               hooks_.end());
}

void TApplication::ActivateApp(bool Active) {
  if (active_ == Active) return;
  active_ = Active;
  if (Active) {
    if (OnActivate) OnActivate(this);
  } else {
    CancelHint();
    if (OnDeactivate) OnDeactivate(this);
  }
}

// ---- Exceptions

void TApplication::HandleException(TObject* Sender) {
  std::exception_ptr ep = std::current_exception();
  if (!ep) return;
  try {
    std::rethrow_exception(ep);
  } catch (EAbort&) {
  } catch (Exception& e) {
    if (OnException) OnException(Sender, e);
    else ShowException(e);
  } catch (std::exception& e) {
    Exception wrapped(e.what());
    if (OnException) OnException(Sender, wrapped);
    else ShowException(wrapped);
  } catch (...) {
    Exception wrapped("Unknown error");
    if (OnException) OnException(Sender, wrapped);
    else ShowException(wrapped);
  }
}

void TApplication::ShowException(Exception& E) {
  std::string caption = title_.empty() ? MsgDlgCaption(mdcError) : title_;
  MessageBox(E.Message(), caption, MB_OK | MB_ICONSTOP);
}

int32_t TApplication::MessageBox(const std::string& Text, const std::string& Caption, UINT Flags) {
  return ::MessageBox(nullptr, Text, Caption, Flags);
}

// ---- Mouse and hints

void TApplication::MouseOver(TControl* Control) {
  if (Control == mouseControl_) return;
  TControl* old = mouseControl_;
  mouseControl_ = Control;
  if (old) old->Perform(CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(old));
  if (Control && mouseControl_ == Control) {
    Control->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(Control));
    TWinControl* w = dynamic_cast<TWinControl*>(Control);
    if (!w) w = Control->Parent();
    if (w && w->HandleAllocated()) {
      TRACKMOUSEEVENT tme;
      tme.dwFlags = TME_LEAVE;
      tme.hwndTrack = w->Handle();
      TrackMouseEvent(&tme);
    }
  }
}

void TApplication::MouseLeftWindow(TWinControl* Control) {
  if (!mouseControl_) return;
  bool inside = mouseControl_ == Control ||
                (mouseControl_->Parent() == Control && !dynamic_cast<TWinControl*>(mouseControl_));
  if (!inside) return;
  MouseOver(nullptr);
  if (hintControl_ == Control || (hintControl_ && hintControl_->Parent() == Control)) CancelHint();
}

void TApplication::ControlDestroyed(TControl* Control) {
  if (mouseControl_ == Control) mouseControl_ = nullptr;
  if (hintControl_ == Control) CancelHint();
  if (hintWindow_ == Control) hintWindow_ = nullptr;
}

void TApplication::SetShowHint(bool v) {
  if (showHint_ == v) return;
  showHint_ = v;
  if (!v) CancelHint();
}

void TApplication::SetHint(const std::string& v) {
  if (hint_ == v) return;
  hint_ = v;
  if (OnHint) OnHint(this);
}

void TApplication::StartHintTimer(int32_t Pause) {
  KillTimer(Handle(), kHintShowTimer);
  SetTimer(handle_, kHintShowTimer, UINT(std::max(1, Pause)));
}

void TApplication::HintMouseMessage(TControl* Control, TMessage& Message) {
  TPoint sp = Control->ClientToScreen(TPoint{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)});
  // Within the area its hint belongs to, the hint stays as it is: showing,
  // still waiting, or gone after its time. Leaving the area asks again, so
  // that the next button of a toolbar shows its own hint even after the
  // last one timed out.
  if (Control == hintControl_ && PtInRect(&hintCursorRect_, sp)) return;
  bool wasShowing = hintActive_;
  HideHint();
  KillTimer(Handle(), kHintShowTimer);
  KillTimer(handle_, kHintHideTimer);
  hintControl_ = Control;
  SetHint(GetLongHint(Control->Hint()));
  hintCursorRect_ = TRect{0, 0, 0, 0};
  // The control's Hint is not asked here: a control that tells its hint
  // per point (a toolbar, whose mouse move sets Hint after this runs)
  // answers when the hint is due (CM_HINTSHOW).
  if (!showHint_ || !Control->ShowHint()) return;
  TPoint tl = Control->ClientToScreen(TPoint{0, 0});
  hintCursorRect_ = Bounds(tl.X, tl.Y, Control->Width(), Control->Height());
  int32_t pause = wasShowing ? hintShortPause_ : hintPause_;
  Control->Perform(CM_HINTSHOWPAUSE, wasShowing ? 1 : 0, reinterpret_cast<LPARAM>(&pause));
  StartHintTimer(pause);
}

void TApplication::ActivateHint(TPoint CursorPos) {
  TControl* c = hintControl_;
  if (!c || !showHint_) return;
  if (FindDragTarget(CursorPos, true) != c) {
    CancelHint();
    return;
  }
  THintInfo info;
  info.HintControl = c;
  info.HintPos = TPoint{CursorPos.X, CursorPos.Y + GetSystemMetrics(SM_CYCURSOR) / 2 + 4};
  info.HintMaxWidth = Screen ? Screen->Width() : 640;
  info.HintColor = hintColor_;
  info.CursorRect = c->ClientRect();
  info.CursorPos = c->ScreenToClient(CursorPos);
  info.HideTimeout = hintHidePause_;
  info.HintStr = GetShortHint(c->Hint());
  bool canShow = c->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)) == 0;
  if (canShow && OnShowHint) OnShowHint(info.HintStr, canShow, info);
  if (!canShow || info.HintStr.empty()) {
    // Nothing to show here: the next move asks again.
    hintActive_ = false;
    hintCursorRect_ = TRect{0, 0, 0, 0};
    return;
  }
  if (!hintWindow_) {
    hintWindow_ = new THintWindow(this);
  }
  hintWindow_->SetColor(info.HintColor);
  TRect r = hintWindow_->CalcHintRect(info.HintMaxWidth, info.HintStr, info.HintData);
  OffsetRect(&r, info.HintPos.X, info.HintPos.Y);
  hintWindow_->ActivateHintData(r, info.HintStr, info.HintData);
  hintActive_ = true;
  TPoint tl = c->ClientToScreen(info.CursorRect.TopLeft());
  hintCursorRect_ = Bounds(tl.X, tl.Y, info.CursorRect.Width(), info.CursorRect.Height());
  if (info.HideTimeout > 0) SetTimer(handle_, kHintHideTimer, UINT(info.HideTimeout));
  if (info.ReshowTimeout > 0) StartHintTimer(info.ReshowTimeout);
}

void TApplication::HideHint() {
  hintActive_ = false;
  if (hintWindow_) hintWindow_->ReleaseHandle();
}

void TApplication::CancelHint() {
  if (handle_) {
    KillTimer(handle_, kHintShowTimer);
    KillTimer(handle_, kHintHideTimer);
  }
  HideHint();
  hintControl_ = nullptr;
}
