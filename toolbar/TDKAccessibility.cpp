#include "toolbar/TDKAccessibility.h"

#include <cctype>

#include "platform/Input.h"
#include "toolbar/DKCommon.h"
#include "toolbar/TDKCustomItem.h"
#include "toolbar/TDKItemViewer.h"
#include "toolbar/TDKView.h"
#include "ui/TControl.h"

namespace {

std::mutex listLock;
TDKCustomAccObject* listHead = nullptr;
int32_t liveCount = 0;

TDKBaseAccObject* Counted(TDKBaseAccObject* o) {
  if (o) o->AddRef();
  return o;
}

bool IsSelf(const TAccVariant& v) { return v.Kind == TAccVariant::vtI4 && v.I4 == 0; }

TPoint WindowClientOrigin(TWinControl* w) {
  return (w && w->HandleAllocated()) ? w->ClientOrigin() : TPoint{0, 0};
}

}  // namespace

int32_t TDKBaseAccObject::Release() {
  int32_t r = --refs_;
  // Screen readers hold these objects by count beyond the view's lifetime,
  // so the last holder's release frees the object, not the component tree.
  if (r <= 0) delete this;
  return r;
}

TDKCustomAccObject::TDKCustomAccObject() {
  std::lock_guard<std::mutex> g(listLock);
  next_ = listHead;
  if (listHead) listHead->prev_ = this;
  listHead = this;
  ++liveCount;
}

TDKCustomAccObject::~TDKCustomAccObject() {
  std::lock_guard<std::mutex> g(listLock);
  if (prev_) prev_->next_ = next_;
  if (next_) next_->prev_ = prev_;
  if (listHead == this) listHead = next_;
  --liveCount;
}

int32_t TDKCustomAccObject::LiveCount() {
  std::lock_guard<std::mutex> g(listLock);
  return liveCount;
}

void TDKCustomAccObject::DisconnectAll() {
  for (TDKCustomAccObject* o = listHead; o;) {
    TDKCustomAccObject* next = o->next_;
    o->DetachClient();
    o = next;
  }
}

bool AccessibilityAvailable() { return true; }

void RaiseAccessibilityEvent(DWORD Event, HWND Wnd, int32_t ObjectId, int32_t ChildId) {
  NotifyWinEvent(Event, Wnd, ObjectId, ChildId);
}

std::string AltKeyName() {
  UINT scan = MapVirtualKey(VK_MENU, 0);
  if (scan != 0) {
    char buf[256] = {};
    if (GetKeyNameText(LPARAM(scan) << 16, buf, sizeof(buf)) > 0) return buf;
  }
  return "Alt";
}

// ---- The view

TDKViewAccObject::~TDKViewAccObject() {
  if (view_) view_->DetachAccessibilityObject();
}

HRESULT TDKViewAccObject::CheckChild(const TAccVariant& Child) const {
  if (!view_) return E_FAIL;
  return IsSelf(Child) ? S_OK : E_INVALIDARG;
}

HRESULT TDKViewAccObject::get_accParent(TDKBaseAccObject** Parent) {
  *Parent = nullptr;
  if (!view_) return E_FAIL;
  if (view_->ParentView() && view_->ParentView()->OpenViewerView() == view_ && view_->ParentView()->OpenViewer()) {
    *Parent = Counted(view_->ParentView()->OpenViewer()->AccessibilityObject());
    return S_OK;
  }
  // The window's own object belongs to the desktop's accessibility layer,
  // which is not here.
  return E_UNEXPECTED;
}

HRESULT TDKViewAccObject::get_accChildCount(int32_t* Count) {
  *Count = 0;
  if (!view_) return E_FAIL;
  for (int32_t i = 0; i < view_->ViewerCount(); ++i)
    if (view_->Viewers(i)->CountsForAccessibility()) ++*Count;
  return S_OK;
}

HRESULT TDKViewAccObject::get_accChild(TAccVariant Child, TDKBaseAccObject** Result) {
  *Result = nullptr;
  if (!view_) return E_FAIL;
  if (Child.Kind != TAccVariant::vtI4) return E_INVALIDARG;
  if (Child.I4 == 0) {
    *Result = Counted(this);
    return S_OK;
  }
  int32_t n = 0;
  for (int32_t i = 0; i < view_->ViewerCount(); ++i) {
    TDKItemViewer* v = view_->Viewers(i);
    if (!v->CountsForAccessibility()) continue;
    if (++n == Child.I4) {
      *Result = Counted(v->AccessibilityObject());
      return S_OK;
    }
  }
  return E_INVALIDARG;
}

HRESULT TDKViewAccObject::get_accName(TAccVariant Child, std::string* Name) {
  Name->clear();
  if (HRESULT r = CheckChild(Child); r != S_OK) return r;
  TDKView* p = view_->ParentView();
  if (p && p->OpenViewerView() == view_ && p->OpenViewer())
    *Name = StripAmpersands(p->OpenViewer()->CaptionBeforeTab());
  if (Name->empty() && view_->Window()) *Name = view_->Window()->Caption();
  return S_OK;
}

HRESULT TDKViewAccObject::get_accRole(TAccVariant Child, TAccVariant* Role) {
  *Role = TAccVariant();
  if (HRESULT r = CheckChild(Child); r != S_OK) return r;
  int32_t role = view_->IsPopup() ? ROLE_SYSTEM_MENUPOPUP
                 : (view_->Style() & vsyMenuBar) ? ROLE_SYSTEM_MENUBAR
                                                 : ROLE_SYSTEM_TOOLBAR;
  *Role = TAccVariant::Int(role);
  return S_OK;
}

HRESULT TDKViewAccObject::get_accState(TAccVariant Child, TAccVariant* State) {
  *State = TAccVariant();
  if (HRESULT r = CheckChild(Child); r != S_OK) return r;
  *State = TAccVariant::Int(0);
  return S_OK;
}

HRESULT TDKViewAccObject::get_accKeyboardShortcut(TAccVariant Child, std::string* Shortcut) {
  Shortcut->clear();
  if (HRESULT r = CheckChild(Child); r != S_OK) return r;
  if (view_->Style() & vsyMenuBar) {
    *Shortcut = AltKeyName();
    return S_OK;
  }
  return S_FALSE;
}

HRESULT TDKViewAccObject::accLocation(int32_t* Left, int32_t* Top, int32_t* Width, int32_t* Height,
                                      TAccVariant Child) {
  *Left = *Top = *Width = *Height = 0;
  if (HRESULT r = CheckChild(Child); r != S_OK) return r;
  TRect wr{0, 0, 0, 0};
  if (view_->Window() && view_->Window()->HandleAllocated()) GetWindowRect(view_->Window()->Handle(), wr);
  *Left = wr.Left;
  *Top = wr.Top;
  *Width = wr.Width();
  *Height = wr.Height();
  return S_OK;
}

HRESULT TDKViewAccObject::accNavigate(int32_t Dir, TAccVariant Start, TAccVariant* End) {
  *End = TAccVariant();
  if (HRESULT r = CheckChild(Start); r != S_OK) return r;
  TDKItemViewer* found = nullptr;
  for (int32_t i = 0; i < view_->ViewerCount(); ++i) {
    TDKItemViewer* v = view_->Viewers(i);
    if (!v->CountsForAccessibility()) continue;
    if (Dir == NAVDIR_FIRSTCHILD) {
      found = v;
      break;
    }
    if (Dir == NAVDIR_LASTCHILD) found = v;
  }
  if (!found) return S_FALSE;
  End->Kind = TAccVariant::vtDispatch;
  End->Dispatch = Counted(found->AccessibilityObject());
  return S_OK;
}

HRESULT TDKViewAccObject::accHitTest(int32_t X, int32_t Y, TAccVariant* Child) {
  *Child = TAccVariant();
  if (!view_) return E_FAIL;
  TWinControl* w = view_->Window();
  if (!w || !w->HandleAllocated()) return S_FALSE;
  TRect wr;
  GetWindowRect(w->Handle(), wr);
  if (X < wr.Left || X >= wr.Right || Y < wr.Top || Y >= wr.Bottom) return S_FALSE;
  TPoint c = w->ScreenToClient(TPoint{X, Y});
  if (TDKItemViewer* v = view_->ViewerAtPoint(c)) {
    Child->Kind = TAccVariant::vtDispatch;
    Child->Dispatch = Counted(v->AccessibilityObject());
  } else {
    *Child = TAccVariant::Self();
  }
  return S_OK;
}

// ---- One item

TDKItemViewerAccObject::~TDKItemViewerAccObject() {
  if (viewer_) viewer_->DetachAccessibilityObject();
}

HRESULT TDKItemViewerAccObject::CheckChild(const TAccVariant& Child) const {
  if (!viewer_) return E_FAIL;
  return IsSelf(Child) ? S_OK : E_INVALIDARG;
}

bool TDKItemViewerAccObject::ItemUsable() const {
  return viewer_ && viewer_->Item()->Enabled() && viewer_->Item()->HasStyle(dksfSelectable);
}

bool TDKItemViewerAccObject::WindowUsable() const {
  if (!viewer_) return false;
  TDKView* view = viewer_->View();
  TWinControl* w = view->Window();
  if (!w || !w->HandleAllocated() || w->ComponentState().Contains(csDesigning)) return false;
  HWND h = w->Handle();
  if (!IsWindowVisible(h)) return false;
  // The window and its parents up to its top-level window.
  for (HWND p = h; p; p = (GetWindowLong(p, GWL_STYLE) & WS_CHILD) ? GetParent(p) : nullptr)
    if (!IsWindowEnabled(p)) return false;
  if (view->HasState(vstMenuMode)) return true;
  HWND active = GetActiveWindow();
  return active && (active == h || IsChild(active, h));
}

bool TDKItemViewerAccObject::CanDoDefaultAction() const {
  return viewer_ && viewer_->CountsForAccessibility() && ItemUsable() && WindowUsable();
}

void TDKItemViewerAccObject::PerformAction(bool Execute) {
  if (!viewer_) return;
  if (Execute ? !CanDoDefaultAction() : !WindowUsable()) return;
  TDKView* view = viewer_->View();
  view->SetSelected(viewer_);
  view->ScrollSelectionIntoView();
  if (view->HasState(vstMenuMode)) {
    if (Execute) view->ActivateSelected(true);
  } else if (!view->ParentView() && !GetCapture()) {
    view->RunMenuLoop(TDKMenuLoopOptions(mloNoPriority | (Execute ? mloExecute : 0)));
  }
}

HRESULT TDKItemViewerAccObject::get_accParent(TDKBaseAccObject** Parent) {
  *Parent = nullptr;
  if (!viewer_) return E_FAIL;
  *Parent = Counted(viewer_->View()->AccessibilityObject());
  return S_OK;
}

HRESULT TDKItemViewerAccObject::get_accChildCount(int32_t* Count) {
  *Count = 0;
  if (!viewer_) return E_FAIL;
  *Count = viewer_->View()->OpenViewer() == viewer_ ? 1 : 0;
  return S_OK;
}

HRESULT TDKItemViewerAccObject::get_accChild(TAccVariant Child, TDKBaseAccObject** Result) {
  *Result = nullptr;
  if (!viewer_) return E_FAIL;
  if (Child.Kind != TAccVariant::vtI4) return E_INVALIDARG;
  if (Child.I4 == 0) {
    *Result = Counted(this);
    return S_OK;
  }
  TDKView* view = viewer_->View();
  if (Child.I4 == 1 && view->OpenViewer() == viewer_ && view->OpenViewerView()) {
    *Result = Counted(view->OpenViewerView()->AccessibilityObject());
    return S_OK;
  }
  return E_INVALIDARG;
}

HRESULT TDKItemViewerAccObject::get_accName(TAccVariant Child, std::string* Name) {
  Name->clear();
  if (HRESULT r = CheckChild(Child); r != S_OK) return r;
  *Name = StripAmpersands(viewer_->CaptionBeforeTab());
  if (!viewer_->UsesToolbarStyle()) {
    std::string sc = viewer_->Item()->GetShortCutText();
    if (!sc.empty()) *Name += "\t" + sc;
  }
  return S_OK;
}

HRESULT TDKItemViewerAccObject::get_accValue(TAccVariant Child, std::string* Value) {
  Value->clear();
  if (HRESULT r = CheckChild(Child); r != S_OK) return r;
  return viewer_->AccessibleValue(*Value) ? S_OK : S_FALSE;
}

HRESULT TDKItemViewerAccObject::get_accRole(TAccVariant Child, TAccVariant* Role) {
  *Role = TAccVariant();
  if (HRESULT r = CheckChild(Child); r != S_OK) return r;
  *Role = TAccVariant::Int(viewer_->AccessibleRole());
  return S_OK;
}

HRESULT TDKItemViewerAccObject::get_accState(TAccVariant Child, TAccVariant* State) {
  *State = TAccVariant();
  if (HRESULT r = CheckChild(Child); r != S_OK) return r;
  TDKView* view = viewer_->View();
  TDKCustomItem* item = viewer_->Item();
  uint32_t s = 0;
  if (view->Selected() == viewer_) {
    s |= STATE_SYSTEM_HOTTRACKED;
    if (view->HasState(vstMenuMode)) s |= STATE_SYSTEM_FOCUSED;
    if (view->Capture() && view->MouseOverSelected()) s |= STATE_SYSTEM_PRESSED;
  }
  if (item->HasStyle(dksfSubmenu)) s |= STATE_SYSTEM_HASPOPUP;
  if (viewer_->Shown || viewer_->Clipped) {
    if (WindowUsable()) s |= STATE_SYSTEM_FOCUSABLE;
  } else {
    s |= STATE_SYSTEM_INVISIBLE;
  }
  if (!ItemUsable()) s |= STATE_SYSTEM_UNAVAILABLE;
  if (item->Checked()) s |= STATE_SYSTEM_CHECKED;
  *State = TAccVariant::Int(int32_t(s));
  return S_OK;
}

HRESULT TDKItemViewerAccObject::get_accKeyboardShortcut(TAccVariant Child, std::string* Shortcut) {
  Shortcut->clear();
  if (HRESULT r = CheckChild(Child); r != S_OK) return r;
  if (!viewer_->ShowsCaption()) return S_FALSE;
  uint32_t c = AcceleratorCharOf(viewer_->CaptionBeforeTab());
  if (c == 0) return S_FALSE;
  std::string ch;
  if (c < 0x80) {
    ch = std::string(1, char(std::tolower(int(c))));
  } else {
    // Encoded back as UTF-8 as it stands.
    std::string cap = viewer_->CaptionBeforeTab();
    size_t amp = cap.rfind('&');
    ch = amp != std::string::npos ? StripAmpersands(cap.substr(amp)).substr(0, 4) : "";
  }
  *Shortcut = viewer_->View()->IsPopup() ? ch : AltKeyName() + "+" + ch;
  return S_OK;
}

HRESULT TDKItemViewerAccObject::get_accFocus(TAccVariant* Focus) {
  *Focus = TAccVariant();
  if (!viewer_) return E_FAIL;
  TDKView* view = viewer_->View();
  if (view->HasState(vstMenuMode) && view->Selected() == viewer_) {
    *Focus = TAccVariant::Self();
    return S_OK;
  }
  return S_FALSE;
}

HRESULT TDKItemViewerAccObject::get_accDefaultAction(TAccVariant Child, std::string* Action) {
  Action->clear();
  if (HRESULT r = CheckChild(Child); r != S_OK) return r;
  if (!CanDoDefaultAction()) return S_FALSE;
  TDKView* view = viewer_->View();
  if (view->OpenViewer() == viewer_)
    *Action = "Close";
  else if (viewer_->Item()->HasStyle(dksfSubmenu))
    *Action = "Open";
  else if (view->IsPopup() || (view->Style() & vsyMenuBar))
    *Action = "Execute";
  else
    *Action = "Press";
  return S_OK;
}

HRESULT TDKItemViewerAccObject::accSelect(int32_t Flags, TAccVariant Child) {
  if (HRESULT r = CheckChild(Child); r != S_OK) return r;
  if (Flags != SELFLAG_TAKEFOCUS) return E_INVALIDARG;
  if (!WindowUsable() || !(viewer_->Shown || viewer_->Clipped)) return E_FAIL;
  TDKView* view = viewer_->View();
  view->SetSelected(viewer_);
  view->ScrollSelectionIntoView();
  if (!view->HasState(vstMenuMode) && !view->ParentView()) viewer_->QueueAccessibleAction(false);
  return S_OK;
}

HRESULT TDKItemViewerAccObject::accLocation(int32_t* Left, int32_t* Top, int32_t* Width, int32_t* Height,
                                            TAccVariant Child) {
  *Left = *Top = *Width = *Height = 0;
  if (HRESULT r = CheckChild(Child); r != S_OK) return r;
  TPoint o = WindowClientOrigin(viewer_->View()->Window());
  *Left = viewer_->BoundsRect.Left + o.X;
  *Top = viewer_->BoundsRect.Top + o.Y;
  *Width = viewer_->BoundsRect.Width();
  *Height = viewer_->BoundsRect.Height();
  return S_OK;
}

HRESULT TDKItemViewerAccObject::accNavigate(int32_t Dir, TAccVariant Start, TAccVariant* End) {
  *End = TAccVariant();
  if (HRESULT r = CheckChild(Start); r != S_OK) return r;
  TDKView* view = viewer_->View();
  TDKBaseAccObject* target = nullptr;
  if (Dir == NAVDIR_FIRSTCHILD || Dir == NAVDIR_LASTCHILD) {
    if (view->OpenViewer() == viewer_ && view->OpenViewerView()) target = view->OpenViewerView()->AccessibilityObject();
  } else if (Dir == NAVDIR_UP || Dir == NAVDIR_LEFT || Dir == NAVDIR_PREVIOUS) {
    for (int32_t i = viewer_->IndexInView() - 1; i >= 0 && !target; --i)
      if (view->Viewers(i)->CountsForAccessibility()) target = view->Viewers(i)->AccessibilityObject();
  } else if (Dir == NAVDIR_DOWN || Dir == NAVDIR_RIGHT || Dir == NAVDIR_NEXT) {
    for (int32_t i = viewer_->IndexInView() + 1; i < view->ViewerCount() && !target; ++i)
      if (view->Viewers(i)->CountsForAccessibility()) target = view->Viewers(i)->AccessibilityObject();
  }
  if (!target) return S_FALSE;
  End->Kind = TAccVariant::vtDispatch;
  End->Dispatch = Counted(target);
  return S_OK;
}

HRESULT TDKItemViewerAccObject::accHitTest(int32_t X, int32_t Y, TAccVariant* Child) {
  *Child = TAccVariant();
  if (!viewer_) return E_FAIL;
  TPoint o = WindowClientOrigin(viewer_->View()->Window());
  TPoint p{X - o.X, Y - o.Y};
  if (PtInRect(&viewer_->BoundsRect, p)) {
    *Child = TAccVariant::Self();
    return S_OK;
  }
  return S_FALSE;
}

HRESULT TDKItemViewerAccObject::accDoDefaultAction(TAccVariant Child) {
  if (HRESULT r = CheckChild(Child); r != S_OK) return r;
  if (!CanDoDefaultAction()) return E_FAIL;
  TDKView* view = viewer_->View();
  if (view->OpenViewer() == viewer_) {
    view->ClosePopupsAndLeaveDropDown();
    if (view->IsToolbar() && view->HasState(vstMenuMode)) view->LeaveMenu();
  } else {
    view->SetSelected(viewer_);
    view->ScrollSelectionIntoView();
    viewer_->QueueAccessibleAction(true);
  }
  return S_OK;
}
