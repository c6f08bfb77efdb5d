#include "toolbar/TDKModalHandler.h"

#include <climits>
#include <vector>

#include "platform/Input.h"
#include "toolbar/DKCommon.h"
#include "toolbar/TDKAccessibility.h"
#include "toolbar/TDKCustomItem.h"
#include "toolbar/TDKItemViewer.h"
#include "toolbar/TDKPopupWindow.h"
#include "ui/TApplication.h"
#include "ui/TControl.h"

namespace {

TPoint PosOf(const MSG& m) { return m.pt; }

TPoint MessagePos() {
  DWORD pos = GetMessagePos();
  return TPoint{int16_t(pos & 0xFFFF), int16_t(pos >> 16)};
}

TDKView* DeepestMenuView(TDKView* Root) {
  TDKView* v = Root;
  while (v->OpenViewerView()) v = v->OpenViewerView();
  return v;
}

std::vector<TDKView*> Chain(TDKView* Root) {
  std::vector<TDKView*> c;
  for (TDKView* v = Root; v; v = v->OpenViewerView()) c.push_back(v);
  return c;
}

void TrackMouseInChain(TDKView* Root, TPoint P, bool AllowNew) {
  std::vector<TDKView*> c = Chain(Root);
  for (TDKView* v : c)
    if (v->Capture()) {
      v->TrackMouse(&P, AllowNew);
      return;
    }
  for (auto it = c.rbegin(); it != c.rend(); ++it) (*it)->TrackMouse(&P, AllowNew);
}

void FindTargetViewer(TDKView* Root, TDKView*& View, TDKItemViewer*& Viewer) {
  View = nullptr;
  Viewer = nullptr;
  std::vector<TDKView*> c = Chain(Root);
  for (TDKView* v : c)
    if (v->Capture()) {
      View = v;
      Viewer = v->Selected();
      return;
    }
  for (TDKView* v : c)
    if (v->Selected() && v->MouseOverSelected()) {
      View = v;
      Viewer = v->Selected();
      return;
    }
  for (TDKView* v : c)
    if (v->HasState(vstMouseInside)) {
      View = v;
      return;
    }
}

void UpdateHintAndCursor(TDKView* Root) {
  TrackMouseInChain(Root, TDKView::LastCursorPos, true);
  HCURSOR cursor = nullptr;
  TDKView* deepest = nullptr;
  for (TDKView* v : Chain(Root))
    if (v->Selected() && v->Window()) deepest = v;
  if (deepest) {
    TDKItemViewer* sel = deepest->Selected();
    TWinControl* w = deepest->Window();
    if ((deepest->Style() & vsyShowHints || sel->Item()->HasOption(dkoShowHint)) && !deepest->Capture() &&
        w->HandleAllocated()) {
      // The hint machinery sees the loop's pointer moves as moves over the
      // view's window, which answers the hint of its selection.
      UpdateWindow(w->Handle());
      if (Application) {
        TPoint c = w->ScreenToClient(TDKView::LastCursorPos);
        TMessage m{WM_MOUSEMOVE, 0, MAKELPARAM(c.X, c.Y), 0};
        Application->HintMouseMessage(w, m);
      }
    } else if (Application) {
      Application->CancelHint();
    }
    sel->GetCursorAt(sel->ScreenToViewer(TDKView::LastCursorPos), cursor);
  } else if (Application) {
    Application->CancelHint();
  }
  SetCursor(cursor ? cursor : LoadCursor(nullptr, IDC_ARROW));
}

void UpdateStatusHint(TDKView* Root) {
  TDKCustomItem* item = nullptr;
  for (TDKView* v = Root; v && v->Selected(); v = v->OpenViewerView()) item = v->Selected()->Item();
  if (Application) Application->SetHint(item ? GetLongHint(item->Hint()) : std::string());
}

// Whether the window is a popup window of this loop's chain.
bool IsPopupOfLoop(TDKView* Root, HWND W) {
  for (TDKView* v = Root->OpenViewerView(); v; v = v->OpenViewerView())
    if (v->Window() && v->Window()->HandleAllocated() && v->Window()->Handle() == W) return true;
  return false;
}

bool HasOutcome(TDKView* Root) { return Root->Outcome().Action != moNone; }

// One menu loop's state across its messages.
struct TLoopState {
  TDKView* Root;
  bool TrackRightButton;
  // Set by the viewer the last press reached, handed to the viewer the
  // release reaches, so that the two can tell a click from a drag.
  bool PressOnMenu = false;
};

// A press outside the loop's views ends the loop and stays queued for the
// window under it. On a toolbar's own client area it ends the loop only
// where no item would take it (or the item passes clicks through).
bool PressEndsLoop(TLoopState& S, const MSG& Msg) {
  if (Msg.message != WM_LBUTTONDOWN && Msg.message != WM_RBUTTONDOWN && Msg.message != WM_LBUTTONDBLCLK)
    return false;
  TDKView* root = S.Root;
  TPoint p = PosOf(Msg);
  HWND under = WindowFromPoint(p);
  if (IsPopupOfLoop(root, under)) return false;
  TWinControl* rw = root->Window();
  bool inClient = false;
  if (rw && rw->HandleAllocated() && under == rw->Handle()) {
    TPoint c = rw->ScreenToClient(p);
    TRect cr = rw->ClientRect();
    inClient = PtInRect(&cr, c);
  }
  if (root->IsPopup() || !inClient) return true;
  if (Msg.message == WM_RBUTTONDOWN) return false;
  TrackMouseInChain(root, p, true);
  return !root->Selected() || !root->MouseOverSelected() || root->Selected()->Item()->HasStyle(dksfPassClicks);
}

// Keys go to the deepest open menu's selection, then to that menu. While the
// mouse button is held only F1 is taken, so a drag through the menu is not
// disturbed by typing.
void HandleLoopKeyDown(TLoopState& S, MSG& Msg, bool ButtonHeld) {
  if (Application) Application->CancelHint();
  uint16_t key = uint16_t(Msg.wParam);
  if (ButtonHeld && key != VK_F1) return;
  TDKView* deepest = DeepestMenuView(S.Root);
  TShiftState shift = KeyDataToShiftState(Msg.lParam);
  if (TDKItemViewer* sel = deepest->Selected()) sel->KeyDown(key, shift);
  if (key != 0) deepest->HandleKeyDown(key, shift);
  if (HasOutcome(S.Root)) return;
  // A key the menu did not take (not zeroed) still makes its character.
  if (key != 0) TranslateMessage(Msg);
}

// A character selects the item it is the accelerator of (and clicks it when
// only one item has it); space or '-' on a menu bar opens the window's system
// menu; anything else beeps.
void HandleLoopChar(TLoopState& S, const MSG& Msg, bool ButtonHeld) {
  if (Application) Application->CancelHint();
  if (ButtonHeld) return;
  TDKView* root = S.Root;
  TDKView* deepest = DeepestMenuView(root);
  bool unique = false;
  uint32_t ch = uint32_t(Msg.wParam);
  TDKItemViewer* v = deepest->FindViewerForKey(deepest->Selected(), ch, unique, false);
  if (v) {
    deepest->SetSelected(v);
    deepest->ScrollSelectionIntoView();
    if (unique) deepest->ActivateSelected(true);
  } else if ((ch == ' ' || ch == '-') && !root->IsPopup() && deepest == root && GetActiveWindow()) {
    root->LeaveMenuWithSystemMenu(GetActiveWindow(), int32_t(ch));
  } else {
    MessageBeep(0);
  }
}

// A popup's own timers (opening, closing, scrolling) run here, since the
// loop takes every message; other timers go on to their windows.
void HandleLoopTimer(TLoopState& S, const MSG& Msg) {
  TDKView* owner = nullptr;
  for (TDKView* v : Chain(S.Root))
    if (v->Window() && v->Window()->HandleAllocated() && v->Window()->Handle() == Msg.hwnd &&
        dynamic_cast<TDKPopupWindow*>(v->Window()))
      owner = v;
  if (owner && Msg.wParam >= kViewTimerIdBase && Msg.wParam <= kViewTimerIdBase + vtmScrollDown)
    owner->HandleViewTimer(TDKViewTimer(Msg.wParam - kViewTimerIdBase));
  else
    DispatchMessage(Msg);
}

// A pointer move updates the hint and cursor only when the pointer moved
// since the loop last looked, then reaches the viewer the pointer is over
// or that holds the capture.
void HandleLoopMouseMove(TLoopState& S, const MSG& Msg) {
  TPoint p = PosOf(Msg);
  if (p != TDKView::LastCursorPos) {
    TDKView::LastCursorPos = p;
    UpdateHintAndCursor(S.Root);
  }
  TDKView* tv;
  TDKItemViewer* tvr;
  FindTargetViewer(S.Root, tv, tvr);
  if (tvr) {
    TPoint vp = tvr->ScreenToViewer(p);
    tvr->MouseMove(vp.X, vp.Y);
  }
}

void HandleLoopPress(TLoopState& S, const MSG& Msg) {
  if (Application) Application->CancelHint();
  S.PressOnMenu = false;
  S.Root->SetState(vstIgnoreNextRelease, false);
  TPoint p = PosOf(Msg);
  TrackMouseInChain(S.Root, p, true);
  TDKView* tv;
  TDKItemViewer* tvr;
  FindTargetViewer(S.Root, tv, tvr);
  if (tvr) {
    TPoint vp = tvr->ScreenToViewer(p);
    TShiftState shift = Msg.message == WM_LBUTTONDBLCLK ? TShiftState{ssDouble} : TShiftState{};
    tvr->MouseDown(shift, vp.X, vp.Y, S.PressOnMenu);
  }
  TDKView::LastCursorPos = p;
}

// A release over a viewer reaches it; a release over nothing of the menu, or
// over the toolbar that started the loop, ends the loop unless the press
// that opened the menu asked for its release to be ignored. Returns whether
// the loop ends.
bool HandleLoopRelease(TLoopState& S, const MSG& Msg) {
  TDKView* root = S.Root;
  TPoint p = PosOf(Msg);
  TrackMouseInChain(root, p, false);
  TDKView* tv;
  TDKItemViewer* tvr;
  FindTargetViewer(root, tv, tvr);
  if (tvr) {
    TPoint vp = tvr->ScreenToViewer(p);
    tvr->MouseUp(vp.X, vp.Y, S.PressOnMenu);
  } else if (!tv || (tv == root && root->IsToolbar())) {
    if (!root->HasState(vstIgnoreNextRelease)) return true;
    root->SetState(vstIgnoreNextRelease, false);
  }
  return false;
}

void HandleLoopWheel(TLoopState& S, const MSG& Msg) {
  TDKView* tv;
  TDKItemViewer* tvr;
  FindTargetViewer(S.Root, tv, tvr);
  if (tvr) {
    TPoint vp = tvr->ScreenToViewer(PosOf(Msg));
    tvr->MouseWheel(int16_t(Msg.wParam >> 16), vp.X, vp.Y);
  }
}

// One removed message, by kind. Returns whether the loop ends.
bool HandleLoopMessage(TLoopState& S, MSG& Msg) {
  const UINT m = Msg.message;
  const bool buttonHeld = GetKeyState(VK_LBUTTON) < 0 || (S.TrackRightButton && GetKeyState(VK_RBUTTON) < 0);
  // Help keys, context menus and system timers would act on the window
  // behind the menu, so they are dropped while it is open.
  if (m == WM_KEYF1 || m == WM_CONTEXTMENU || m == WM_SYSTIMER) return false;
  if (m == WM_KEYDOWN || m == WM_SYSKEYDOWN) {
    HandleLoopKeyDown(S, Msg, buttonHeld);
  } else if (m == WM_CHAR || m == WM_SYSCHAR) {
    HandleLoopChar(S, Msg, buttonHeld);
  } else if (m >= WM_KEYFIRST && m <= WM_KEYLAST) {
    if (Application) Application->CancelHint();
  } else if (m == WM_TIMER) {
    HandleLoopTimer(S, Msg);
  } else if (m == WM_MOUSEMOVE) {
    HandleLoopMouseMove(S, Msg);
  } else if (m == WM_LBUTTONDOWN || m == WM_LBUTTONDBLCLK || (m == WM_RBUTTONDOWN && S.TrackRightButton)) {
    HandleLoopPress(S, Msg);
  } else if (m == WM_LBUTTONUP || (m == WM_RBUTTONUP && S.TrackRightButton)) {
    return HandleLoopRelease(S, Msg);
  } else if (m == WM_MOUSEWHEEL) {
    HandleLoopWheel(S, Msg);
  } else if (m >= WM_MOUSEFIRST && m <= WM_MOUSELAST) {
    // Other buttons do nothing while the menu is open.
  } else {
    DispatchMessage(Msg);
  }
  return false;
}

// After each message: a released capture asks (with an X of INT32_MIN) for
// the pointer to be read again, since no move will report it; the status
// line shows the long hint of the deepest selection.
void AfterLoopMessage(TDKView* Root) {
  if (TDKView::LastCursorPos.X == INT32_MIN) {
    TDKView::LastCursorPos = MessagePos();
    UpdateHintAndCursor(Root);
  }
  UpdateStatusHint(Root);
}

}  // namespace

TDKModalHandler::TDKModalHandler(HWND Window) {
  TDKView::LastCursorPos = MessagePos();
  if (Window) {
    wnd_ = Window;
  } else {
    wnd_ = AllocateHWnd([](TMessage& m) { m.Result = 0; });
    createdOwnWindow_ = true;
  }
  LockSetForegroundWindow(1);
  SetCapture(wnd_);
  SetCursor(LoadCursor(nullptr, IDC_ARROW));
  RaiseAccessibilityEvent(EVENT_SYSTEM_MENUSTART, wnd_, OBJID_CLIENT, CHILDID_SELF);
  inited_ = true;
}

TDKModalHandler::~TDKModalHandler() {
  LockSetForegroundWindow(2);
  if (GetCapture() == wnd_) ReleaseCapture();
  if (inited_) RaiseAccessibilityEvent(EVENT_SYSTEM_MENUEND, wnd_, OBJID_CLIENT, CHILDID_SELF);
  if (createdOwnWindow_) DeallocateHWnd(wnd_);
}

void TDKModalHandler::Loop(TDKView* Root, bool BeganWithPress, bool TrackRightButton, bool GivePriority,
                           bool ExecuteAtOnce) {
  Root->outcome_ = TDKMenuOutcome{};
  Root->EnsureLayout();
  Root->menuLoopWindow_ = wnd_;
  // However the loop ends, characters its keys made and help keys are not
  // left for the window behind the menu.
  struct TEnd {
    TDKView* Root;
    ~TEnd() {
      Root->ReleaseMouseCapture();
      Root->menuLoopWindow_ = nullptr;
      if (Application) Application->SetHint("");
      DiscardMessages(WM_CHAR, WM_DEADCHAR);
      DiscardMessages(WM_SYSCHAR, WM_SYSDEADCHAR);
      DiscardMessages(WM_KEYF1, WM_KEYF1);
    }
  } end{Root};
  TLoopState s{Root, TrackRightButton};
  // The press that started the loop reaches the selected viewer first; a
  // loop started by keyboard may click the selection at once.
  if (BeganWithPress) {
    if (TDKItemViewer* sel = Root->Selected()) {
      TPoint vp = sel->ScreenToViewer(MessagePos());
      sel->MouseDown(TShiftState{}, vp.X, vp.Y, s.PressOnMenu);
    }
    if (HasOutcome(Root)) return;
  } else if (ExecuteAtOnce) {
    Root->ActivateSelected(GivePriority);
    if (HasOutcome(Root)) return;
  }
  // Until another window takes the capture: wait, then take every queued
  // message, looking at a press before removing it so that one ending the
  // loop stays queued.
  bool first = true;
  while (GetCapture() == wnd_) {
    if (!first) WaitMessage();
    first = false;
    MSG msg;
    while (GetCapture() == wnd_ && PeekMessage(msg, nullptr, 0, 0, PM_NOREMOVE)) {
      if (PressEndsLoop(s, msg)) return;
      if (!PeekMessage(msg, nullptr, 0, 0, PM_REMOVE)) continue;
      if (HandleLoopMessage(s, msg)) return;
      if (HasOutcome(Root)) return;
      AfterLoopMessage(Root);
    }
  }
}

// ---- Menu mode of a top view

void TDKView::LeaveMenu() { TopView()->outcome_.Action = moCancel; }

void TDKView::LeaveMenuWithClick(TDKItemViewer* Viewer) {
  TDKMenuOutcome& o = TopView()->outcome_;
  o.Item = Viewer->Item();
  o.Sound = Viewer->View()->IsPopup();
  o.Action = moClickItem;
}

void TDKView::LeaveMenuWithHelp(int32_t Context) {
  TDKMenuOutcome& o = TopView()->outcome_;
  o.HelpContext = Context;
  o.Action = moHelpContext;
}

void TDKView::LeaveMenuWithSystemMenu(HWND Wnd, int32_t Key) {
  TDKMenuOutcome& o = TopView()->outcome_;
  o.Window = Wnd;
  o.Number = Key;
  o.Action = moSystemMenu;
}

void TDKView::RunMenuLoop(TDKMenuLoopOptions Options) {
  if (HasState(vstMenuMode)) return;
  HWND w = (window_ && window_->HandleAllocated()) ? window_->Handle() : nullptr;
  SetState(vstChildJustClosed, false);
  {
    TDKModalHandler handler(w);
    state_ &= vstAccelsShown;
    state_ |= vstMenuMode;
    struct TCleanup {
      TDKView* v;
      ~TCleanup() {
        v->SetState(vstMenuMode, false);
        v->DisarmAllTimers();
        v->ClosePopups();
        TPoint p;
        GetCursorPos(&p);
        v->TrackMouse(&p, true);
        FlushDeferredPopupFrees();
      }
    } cleanup{this};
    if (selected_) AnnounceFocus();
    handler.Loop(this, Options & mloPressed, false, !(Options & mloNoPriority), Options & mloExecute);
  }
  ShowAccelerators(false);
  SetSelected(nullptr);
  ExecuteDoneAction(outcome_);
}
