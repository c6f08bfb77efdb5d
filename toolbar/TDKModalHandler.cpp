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
  bool pressOnMenu = false;
  if (BeganWithPress) {
    if (TDKItemViewer* sel = Root->Selected()) {
      TPoint vp = sel->ScreenToViewer(MessagePos());
      sel->MouseDown(TShiftState{}, vp.X, vp.Y, pressOnMenu);
    }
    if (HasOutcome(Root)) return;
  } else if (ExecuteAtOnce) {
    Root->ActivateSelected(GivePriority);
    if (HasOutcome(Root)) return;
  }
  bool first = true;
  while (GetCapture() == wnd_) {
    if (!first) WaitMessage();
    first = false;
    MSG msg;
    while (GetCapture() == wnd_ && PeekMessage(msg, nullptr, 0, 0, PM_NOREMOVE)) {
      // a. A press outside the menu ends the loop and stays queued.
      if (msg.message == WM_LBUTTONDOWN || msg.message == WM_RBUTTONDOWN || msg.message == WM_LBUTTONDBLCLK) {
        TPoint p = PosOf(msg);
        HWND under = WindowFromPoint(p);
        if (!IsPopupOfLoop(Root, under)) {
          TWinControl* rw = Root->Window();
          bool inClient = false;
          if (rw && rw->HandleAllocated() && under == rw->Handle()) {
            TPoint c = rw->ScreenToClient(p);
            TRect cr = rw->ClientRect();
            inClient = PtInRect(&cr, c);
          }
          if (Root->IsPopup() || !inClient) return;
          if (msg.message != WM_RBUTTONDOWN) {
            TrackMouseInChain(Root, p, true);
            if (!Root->Selected() || !Root->MouseOverSelected() || Root->Selected()->Item()->HasStyle(dksfPassClicks))
              return;
          }
        }
      }
      // b. Remove it.
      if (!PeekMessage(msg, nullptr, 0, 0, PM_REMOVE)) continue;
      // c. By kind.
      const UINT m = msg.message;
      const bool leftHeld = GetKeyState(VK_LBUTTON) < 0 || (TrackRightButton && GetKeyState(VK_RBUTTON) < 0);
      if (m == WM_KEYF1 || m == WM_CONTEXTMENU || m == WM_SYSTIMER) {
        // dropped
      } else if (m == WM_KEYDOWN || m == WM_SYSKEYDOWN) {
        if (Application) Application->CancelHint();
        uint16_t key = uint16_t(msg.wParam);
        if (!leftHeld || key == VK_F1) {
          TDKView* deepest = DeepestMenuView(Root);
          TShiftState shift = KeyDataToShiftState(msg.lParam);
          if (TDKItemViewer* sel = deepest->Selected()) sel->KeyDown(key, shift);
          if (key != 0) deepest->HandleKeyDown(key, shift);
          if (HasOutcome(Root)) return;
          if (key != 0) TranslateMessage(msg);
        }
      } else if (m == WM_CHAR || m == WM_SYSCHAR) {
        if (Application) Application->CancelHint();
        if (!leftHeld) {
          TDKView* deepest = DeepestMenuView(Root);
          bool unique = false;
          uint32_t ch = uint32_t(msg.wParam);
          TDKItemViewer* v = deepest->FindViewerForKey(deepest->Selected(), ch, unique, false);
          if (v) {
            deepest->SetSelected(v);
            deepest->ScrollSelectionIntoView();
            if (unique) deepest->ActivateSelected(true);
          } else if ((ch == ' ' || ch == '-') && !Root->IsPopup() && deepest == Root && GetActiveWindow()) {
            Root->LeaveMenuWithSystemMenu(GetActiveWindow(), int32_t(ch));
          } else {
            MessageBeep(0);
          }
        }
      } else if (m >= WM_KEYFIRST && m <= WM_KEYLAST) {
        if (Application) Application->CancelHint();
      } else if (m == WM_TIMER) {
        TDKView* owner = nullptr;
        for (TDKView* v : Chain(Root))
          if (v->Window() && v->Window()->HandleAllocated() && v->Window()->Handle() == msg.hwnd &&
              dynamic_cast<TDKPopupWindow*>(v->Window()))
            owner = v;
        if (owner && msg.wParam >= kViewTimerIdBase && msg.wParam <= kViewTimerIdBase + 3)
          owner->HandleViewTimer(TDKViewTimer(msg.wParam - kViewTimerIdBase));
        else
          DispatchMessage(msg);
      } else if (m == WM_MOUSEMOVE) {
        TPoint p = PosOf(msg);
        if (p != TDKView::LastCursorPos) {
          TDKView::LastCursorPos = p;
          UpdateHintAndCursor(Root);
        }
        TDKView* tv;
        TDKItemViewer* tvr;
        FindTargetViewer(Root, tv, tvr);
        if (tvr) {
          TPoint vp = tvr->ScreenToViewer(p);
          tvr->MouseMove(vp.X, vp.Y);
        }
      } else if (m == WM_LBUTTONDOWN || m == WM_LBUTTONDBLCLK || (m == WM_RBUTTONDOWN && TrackRightButton)) {
        if (Application) Application->CancelHint();
        pressOnMenu = false;
        Root->SetState(vstIgnoreNextRelease, false);
        TPoint p = PosOf(msg);
        TrackMouseInChain(Root, p, true);
        TDKView* tv;
        TDKItemViewer* tvr;
        FindTargetViewer(Root, tv, tvr);
        if (tvr) {
          TPoint vp = tvr->ScreenToViewer(p);
          TShiftState shift = m == WM_LBUTTONDBLCLK ? TShiftState{ssDouble} : TShiftState{};
          tvr->MouseDown(shift, vp.X, vp.Y, pressOnMenu);
        }
        TDKView::LastCursorPos = p;
      } else if (m == WM_LBUTTONUP || (m == WM_RBUTTONUP && TrackRightButton)) {
        TPoint p = PosOf(msg);
        TrackMouseInChain(Root, p, false);
        TDKView* tv;
        TDKItemViewer* tvr;
        FindTargetViewer(Root, tv, tvr);
        if (tvr) {
          TPoint vp = tvr->ScreenToViewer(p);
          tvr->MouseUp(vp.X, vp.Y, pressOnMenu);
        } else if (!tv || (tv == Root && Root->IsToolbar())) {
          if (Root->HasState(vstIgnoreNextRelease))
            Root->SetState(vstIgnoreNextRelease, false);
          else
            return;
        }
      } else if (m == WM_MOUSEWHEEL) {
        TDKView* tv;
        TDKItemViewer* tvr;
        FindTargetViewer(Root, tv, tvr);
        if (tvr) {
          TPoint vp = tvr->ScreenToViewer(PosOf(msg));
          tvr->MouseWheel(int16_t(msg.wParam >> 16), vp.X, vp.Y);
        }
      } else if (m >= WM_MOUSEFIRST && m <= WM_MOUSELAST) {
        // dropped
      } else {
        DispatchMessage(msg);
      }
      // d.
      if (HasOutcome(Root)) return;
      if (TDKView::LastCursorPos.X == INT32_MIN) {
        TDKView::LastCursorPos = MessagePos();
        UpdateHintAndCursor(Root);
      }
      UpdateStatusHint(Root);
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
