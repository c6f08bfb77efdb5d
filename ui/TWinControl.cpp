#include "ui/TControl.h"

#include <algorithm>
#include <map>

#include "platform/Bitmap.h"
#include "platform/Draw.h"
#include "platform/GdiHolders.h"
#include "rtl/Exception.h"
#include "ui/ControlInternals.h"
#include "ui/TApplication.h"
#include "ui/TForm.h"
#include "ui/TScreen.h"

RTL_DEFINE_CLASS(TWinControl, TControl,
                 Published("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder),
                 Published("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop),
                 Published("DoubleBuffered", &TWinControl::DoubleBuffered,
                           &TWinControl::SetDoubleBuffered))

using namespace ui_detail;

namespace {
std::map<HWND, TWinControl*>& Handles() {
  static std::map<HWND, TWinControl*> m;
  return m;
}
}  // namespace

LRESULT ControlClassProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  auto& map = Handles();
  TWinControl* c = nullptr;
  auto it = map.find(hwnd);
  if (it != map.end()) {
    c = it->second;
  } else if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCT*>(l);
    c = static_cast<TWinControl*>(cs->lpCreateParams);
    if (c) {
      map[hwnd] = c;
      c->handle_ = hwnd;
    }
  }
  if (!c) return DefWindowProc(hwnd, msg, w, l);
  TMessage m{msg, w, l, 0};
  c->MainWndProc(hwnd, m);
  return m.Result;
}

TWinControl* TWinControl::FindControl(HWND Handle) {
  if (!Handle) return nullptr;
  auto& map = Handles();
  auto it = map.find(Handle);
  return it == map.end() ? nullptr : it->second;
}

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {
  brush_ = new TBrush();
  brush_->SetColor(color_);
}

TWinControl::~TWinControl() { delete brush_; }

void TWinControl::BeforeDestruction() {
  Destroying();
  if (Screen) Screen->ControlDestroyed(this);
  if (TCustomForm* f = GetParentForm(this); f && f != this) f->DefocusControl(this, true);
  if (handle_) DestroyWindowHandle();
  while (!controls_.empty()) {
    TControl* c = controls_.back();
    RemoveControl(c);
    c->Free();
  }
  inherited::BeforeDestruction();
}

void TWinControl::MainWndProc(HWND hwnd, TMessage& Message) {
  try {
    WindowProc(Message);
  } catch (...) {
    // An exception must not unwind through the platform's dispatch (and a
    // nested modal loop above it): it is reported here and the message
    // ends as handled.
    if (Application) Application->HandleException(this);
  }
  if (Message.Msg == WM_NCDESTROY) {
    Handles().erase(hwnd);
    if (handle_ == hwnd) {
      handle_ = nullptr;
      showing_ = false;
    }
  }
}

HWND TWinControl::Handle() {
  HandleNeeded();
  return handle_;
}

void TWinControl::HandleNeeded() {
  if (handle_) return;
  if (parent_) parent_->HandleNeeded();
  if (!handle_) CreateHandle();
}

void TWinControl::CreateHandle() {
  if (handle_) return;
  CreateWnd();
  for (TControl* c : controls_)
    if (auto* w = dynamic_cast<TWinControl*>(c)) w->CreateHandle();
  UpdateShowing();
  if (focusOnCreate_) {
    focusOnCreate_ = false;
    SetFocus();
  }
}

void TWinControl::CreateParams(TCreateParams& Params) {
  Params.Caption = secretText_ ? std::string() : Text();
  Params.Style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  if (Visible()) Params.Style |= WS_VISIBLE;
  if (!Enabled()) Params.Style |= WS_DISABLED;
  if (tabStop_) Params.Style |= WS_TABSTOP;
  Params.X = left_;
  Params.Y = top_;
  Params.Width = width_;
  Params.Height = height_;
  Params.WndParent = parent_ ? parent_->Handle() : nullptr;
  Params.WinClassName = ClassName();
  Params.ClassStyle = CS_DBLCLKS;
}

void TWinControl::CreateWnd() {
  TCreateParams p;
  CreateParams(p);
  if ((p.Style & WS_CHILD) && !p.WndParent)
    throw EInvalidOperation("Control '" + Name() + "' has no parent window");
  lastParams_ = p;
  CreateWindowHandle(p);
  if (!handle_) throw EOSError("Error creating window");
  TRect r;
  GetClientRect(handle_, r);
  lastClientSize_ = TSize{r.Width(), r.Height()};
}

void TWinControl::CreateWindowHandle(const TCreateParams& Params) {
  WNDCLASS wc;
  if (!GetClassInfo(Params.WinClassName, wc)) {
    wc = WNDCLASS{};
    wc.lpszClassName = Params.WinClassName;
    wc.style = Params.ClassStyle;
    wc.lpfnWndProc = ControlClassProc;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    RegisterClass(wc);
  }
  HWND h = CreateWindowEx(Params.ExStyle, Params.WinClassName, Params.Caption, Params.Style, Params.X,
                          Params.Y, Params.Width, Params.Height, Params.WndParent, 0, this);
  if (h) handle_ = h;
}

void TWinControl::DestroyHandle() {
  if (!handle_) return;
  for (TControl* c : controls_)
    if (auto* w = dynamic_cast<TWinControl*>(c)) w->DestroyHandle();
  DestroyWnd();
}

void TWinControl::DestroyWnd() { DestroyWindowHandle(); }

void TWinControl::DestroyWindowHandle() {
  controlState_.Include(csDestroyingHandle);
  HWND h = handle_;
  if (h && IsWindow(h)) DestroyWindow(h);
  Handles().erase(h);
  handle_ = nullptr;
  showing_ = false;
  controlState_.Exclude(csDestroyingHandle);
}

void TWinControl::RecreateWnd() {
  if (!handle_) return;
  bool hadFocus = Focused();
  controlState_.Include(csRecreating);
  DestroyHandle();
  CreateHandle();
  controlState_.Exclude(csRecreating);
  if (hadFocus && CanFocus()) SetFocus();
}

void TWinControl::UpdateShowing() {
  bool show = handle_ && Visible() && (!parent_ || parent_->Showing());
  if (!parent_) show = handle_ && Visible();
  if (show == showing_) {
    if (handle_ && bool(GetWindowLong(handle_, GWL_STYLE) & WS_VISIBLE) != Visible())
      ShowWindow(handle_, Visible() ? SW_SHOWNA : SW_HIDE);
    return;
  }
  showing_ = show;
  try {
    Perform(CM_SHOWINGCHANGED);
  } catch (...) {
    showing_ = !show;
    throw;
  }
  for (TControl* c : controls_)
    if (auto* w = dynamic_cast<TWinControl*>(c)) w->UpdateShowing();
}

void TWinControl::UpdateControlState() { UpdateShowing(); }

void TWinControl::CMShowingChanged(TMessage&) {
  if (!handle_) return;
  if (parent_) ShowWindow(handle_, showing_ ? SW_SHOWNA : SW_HIDE);
  else ShowWindow(handle_, showing_ ? SW_SHOW : SW_HIDE);
}

void TWinControl::CMVisibleChanged(TMessage& Message) {
  if (!Visible() && parent_) {
    if (TCustomForm* f = GetParentForm(this)) f->DefocusControl(this, false);
  }
  if (Visible() && !handle_ && (!parent_ ? true : parent_->HandleAllocated())) {
    HandleNeeded();
    return;
  }
  UpdateShowing();
}

void TWinControl::CMEnabledChanged(TMessage& Message) {
  if (!Enabled() && parent_) {
    if (TCustomForm* f = GetParentForm(this)) f->DefocusControl(this, false);
  }
  if (handle_) EnableWindow(handle_, Enabled());
  Invalidate();
}

void TWinControl::CMColorChanged(TMessage&) {
  brush_->SetColor(color_);
  NotifyControls(CM_PARENTCOLORCHANGED);
  Invalidate();
}

void TWinControl::CMFontChanged(TMessage&) {
  NotifyControls(CM_PARENTFONTCHANGED);
  Invalidate();
}

void TWinControl::SetEnabled(bool v) { TControl::SetEnabled(v); }

void TWinControl::SetText(const std::string& v) {
  if (Text() == v) return;
  TControl::SetText(v);
  if (handle_ && !secretText_) SetWindowText(handle_, v);
}

// -- Children

void TWinControl::InsertControl(TControl* AControl) {
  AControl->parent_ = this;
  controls_.push_back(AControl);
  if (auto* w = dynamic_cast<TWinControl*>(AControl)) {
    tabList_.push_back(w);
    if (handle_) w->CreateHandle();
  }
  if (AControl->parentColor_) AControl->Perform(CM_PARENTCOLORCHANGED);
  if (AControl->parentFont_) AControl->Perform(CM_PARENTFONTCHANGED);
  if (AControl->parentShowHint_) AControl->Perform(CM_PARENTSHOWHINTCHANGED);
  Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(AControl), 1);
  AControl->Invalidate();
  if (AControl->Align() != alNone) Realign();
}

void TWinControl::RemoveControl(TControl* AControl) {
  auto it = std::find(controls_.begin(), controls_.end(), AControl);
  if (it == controls_.end()) return;
  Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(AControl), 0);
  if (auto* w = dynamic_cast<TWinControl*>(AControl)) {
    if (TCustomForm* f = GetParentForm(this)) f->DefocusControl(w, true);
    // A control moving to another parent with csDocking keeps its window;
    // the mover re-parents the window itself.
    if (w->HandleAllocated() && !w->ComponentState().Contains(csDestroying) &&
        !w->ControlState().Contains(csDocking))
      w->DestroyHandle();
    tabList_.erase(std::remove(tabList_.begin(), tabList_.end(), w), tabList_.end());
  } else {
    AControl->InvalidateControl(AControl->Visible(), false);
  }
  controls_.erase(std::find(controls_.begin(), controls_.end(), AControl));
  AControl->parent_ = nullptr;
  if (AControl->Align() != alNone && !ComponentState().Contains(csDestroying)) Realign();
}

bool TWinControl::ContainsControl(TControl* Control) const {
  while (Control && Control != this) Control = Control->Parent();
  return Control == this;
}

TControl* TWinControl::ControlAtPos(TPoint Pos, bool AllowDisabled, bool AllowWinControls) {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    TControl* c = *it;
    if (!AllowWinControls && dynamic_cast<TWinControl*>(c)) continue;
    if (!c->Visible() || (!AllowDisabled && !c->Enabled())) continue;
    TRect r = c->BoundsRect();
    if (!PtInRect(&r, Pos)) continue;
    if (c->Perform(CM_HITTEST, 0, MAKELPARAM(Pos.X - c->Left(), Pos.Y - c->Top())) == 0) continue;
    return c;
  }
  return nullptr;
}

void TWinControl::Broadcast(TMessage& Message) {
  for (size_t i = 0; i < controls_.size(); ++i) {
    controls_[i]->WindowProc(Message);
    if (Message.Result != 0) return;
  }
}

void TWinControl::NotifyControls(UINT Msg) {
  TMessage m{Msg, 0, 0, 0};
  std::vector<TControl*> copy = controls_;
  for (TControl* c : copy) {
    if (std::find(controls_.begin(), controls_.end(), c) == controls_.end()) continue;
    m.Result = 0;
    c->WindowProc(m);
  }
}

// -- Bounds and alignment

TRect TWinControl::ClientRect() {
  if (handle_) {
    TRect r;
    GetClientRect(handle_, r);
    return r;
  }
  return Rect(0, 0, width_, height_);
}

TPoint TWinControl::ClientOrigin() {
  if (handle_) {
    TPoint p{0, 0};
    ::ClientToScreen(handle_, p);
    return p;
  }
  return TControl::ClientOrigin();
}

void TWinControl::SetClientSize(int32_t w, int32_t h) {
  TRect c = ClientRect();
  SetBounds(left_, top_, width_ + (w - c.Width()), height_ + (h - c.Height()));
}

void TWinControl::SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) {
  LimitSize(this, constraints_, AutoSize(), autoSizing_, AWidth, AHeight);
  if (ALeft == left_ && ATop == top_ && AWidth == width_ && AHeight == height_) return;
  TSize old{width_, height_};
  left_ = ALeft;
  top_ = ATop;
  width_ = AWidth;
  height_ = AHeight;
  if (handle_) SetWindowPos(handle_, nullptr, ALeft, ATop, AWidth, AHeight, SWP_NOZORDER | SWP_NOACTIVATE);
  BoundsChanged(old);
  TRect c = ClientRect();
  if (c.Width() != lastClientSize_.cx || c.Height() != lastClientSize_.cy || !handle_) {
    lastClientSize_ = TSize{c.Width(), c.Height()};
    if (!handle_ && old.cx == width_ && old.cy == height_) return;
    Realign();
  }
}

void TWinControl::WMWindowPosChanged(TMessage& Message) {
  DefaultHandler(Message);
  if (!handle_) return;
  TRect r;
  GetWindowRect(handle_, r);
  if (parent_ && parent_->HandleAllocated()) {
    TPoint tl = r.TopLeft();
    ::ScreenToClient(parent_->Handle(), tl);
    r = Bounds(tl.X, tl.Y, r.Width(), r.Height());
  }
  TSize old{width_, height_};
  bool moved = r.Left != left_ || r.Top != top_ || r.Width() != width_ || r.Height() != height_;
  if (moved) {
    left_ = r.Left;
    top_ = r.Top;
    width_ = r.Width();
    height_ = r.Height();
    BoundsChanged(old);
  }
  TRect c;
  GetClientRect(handle_, c);
  if (c.Width() != lastClientSize_.cx || c.Height() != lastClientSize_.cy) {
    lastClientSize_ = TSize{c.Width(), c.Height()};
    Realign();
  }
}

void TWinControl::WMSize(TMessage& Message) { DefaultHandler(Message); }
void TWinControl::WMMove(TMessage& Message) { DefaultHandler(Message); }

void TWinControl::DisableAlign() { ++alignLevel_; }

void TWinControl::EnableAlign() {
  if (--alignLevel_ == 0 && controlState_.Contains(csAlignmentNeeded)) Realign();
}

void TWinControl::Realign() { AlignControl(nullptr); }

void TWinControl::AlignControl(TControl* AControl) {
  if (ComponentState().Contains(csDestroying)) return;
  if (alignLevel_ != 0) {
    controlState_.Include(csAlignmentNeeded);
    return;
  }
  DisableAlign();
  try {
    TRect r = ClientRect();
    AlignControls(AControl, r);
  } catch (...) {
    controlState_.Exclude(csAlignmentNeeded);
    EnableAlign();
    throw;
  }
  controlState_.Exclude(csAlignmentNeeded);
  EnableAlign();
}

namespace {
// Whether C1 goes before C2 among the controls of one alignment.
bool InsertBefore(TControl* c1, TControl* c2, TAlign a) {
  switch (a) {
    case alTop: return c1->Top() < c2->Top();
    case alBottom: return c1->Top() + c1->Height() >= c2->Top() + c2->Height();
    case alLeft: return c1->Left() < c2->Left();
    case alRight: return c1->Left() + c1->Width() >= c2->Left() + c2->Width();
    default: return false;
  }
}
}  // namespace

void TWinControl::DoAlign(TControl* AControl, TAlign AAlign, TRect& Rect, std::vector<TControl*>& List) {
  List.clear();
  if (AControl && AControl->Align() == AAlign && AControl->Visible() &&
      std::find(controls_.begin(), controls_.end(), AControl) != controls_.end())
    List.push_back(AControl);
  for (TControl* c : controls_) {
    if (c == AControl || c->Align() != AAlign || !c->Visible()) continue;
    size_t j = 0;
    while (j < List.size() && !InsertBefore(c, List[j], AAlign)) ++j;
    List.insert(List.begin() + ptrdiff_t(j), c);
  }
  for (TControl* c : List) {
    int32_t l = c->Left(), t = c->Top(), w = c->Width(), h = c->Height();
    switch (AAlign) {
      case alTop:
        l = Rect.Left; t = Rect.Top; w = Rect.Width();
        break;
      case alBottom:
        l = Rect.Left; t = Rect.Bottom - h; w = Rect.Width();
        break;
      case alLeft:
        l = Rect.Left; t = Rect.Top; h = Rect.Height();
        break;
      case alRight:
        l = Rect.Right - w; t = Rect.Top; h = Rect.Height();
        break;
      case alClient:
        l = Rect.Left; t = Rect.Top; w = Rect.Width(); h = Rect.Height();
        break;
      case alCustom: {
        TRect ar = Rect;
        CustomAlignPosition(c, l, t, w, h, ar);
        break;
      }
      default: break;
    }
    c->SetBounds(l, t, std::max(0, w), std::max(0, h));
    // The rectangle shrinks by what the control really took.
    switch (AAlign) {
      case alTop: Rect.Top = std::min(Rect.Bottom, Rect.Top + c->Height()); break;
      case alBottom: Rect.Bottom = std::max(Rect.Top, Rect.Bottom - c->Height()); break;
      case alLeft: Rect.Left = std::min(Rect.Right, Rect.Left + c->Width()); break;
      case alRight: Rect.Right = std::max(Rect.Left, Rect.Right - c->Width()); break;
      default: break;
    }
  }
}

void TWinControl::AlignControls(TControl* AControl, TRect& Rect) {
  if (controls_.empty()) return;
  TSize ps{Rect.Width(), Rect.Height()};
  AdjustClientRect(Rect);
  std::vector<TControl*> list;
  for (TAlign a : {alTop, alBottom, alLeft, alRight, alClient, alCustom}) DoAlign(AControl, a, Rect, list);
  std::vector<TControl*> copy = controls_;
  for (TControl* c : copy)
    if (c != AControl) c->AnchorTo(ps);
}

// -- Focus and tab order

bool TWinControl::CanFocus() {
  TCustomForm* form = GetParentForm(this);
  if (!form) return false;
  // The form itself may still be hidden: the control takes the focus when it shows.
  for (TControl* c = this; c && c != form; c = c->Parent())
    if (!c->Visible() || !c->Enabled()) return false;
  return true;
}

bool TWinControl::Focused() { return handle_ && GetFocus() == handle_; }

void TWinControl::SetFocus() {
  TCustomForm* form = GetParentForm(this);
  if (form) {
    form->FocusControl(this);
  } else if (handle_) {
    ::SetFocus(handle_);
  } else {
    focusOnCreate_ = true;
  }
}

int32_t TWinControl::TabOrder() const {
  if (!parent_) return -1;
  auto& list = parent_->tabList_;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : int32_t(it - list.begin());
}

void TWinControl::SetTabOrder(int32_t v) {
  if (!parent_) return;
  auto& list = parent_->tabList_;
  auto it = std::find(list.begin(), list.end(), this);
  if (it == list.end()) return;
  list.erase(it);
  if (v < 0 || size_t(v) > list.size()) v = int32_t(list.size());
  list.insert(list.begin() + v, this);
}

void TWinControl::SetTabStop(bool v) {
  if (tabStop_ == v) return;
  tabStop_ = v;
  if (handle_) {
    DWORD s = DWORD(GetWindowLong(handle_, GWL_STYLE));
    SetWindowLong(handle_, GWL_STYLE, int32_t(v ? (s | WS_TABSTOP) : (s & ~DWORD(WS_TABSTOP))));
  }
  Perform(CM_TABSTOPCHANGED);
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& List) {
  for (TWinControl* c : tabList_) {
    List.push_back(c);
    c->GetTabOrderList(List);
  }
}

TWinControl* TWinControl::FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop,
                                          bool CheckParent) {
  std::vector<TWinControl*> list;
  GetTabOrderList(list);
  if (list.empty()) return nullptr;
  int32_t n = int32_t(list.size());
  int32_t start = -1;
  for (int32_t i = 0; i < n; ++i)
    if (list[size_t(i)] == CurControl) start = i;
  if (start < 0) start = GoForward ? n - 1 : 0;
  int32_t i = start;
  for (int32_t k = 0; k < n; ++k) {
    i = GoForward ? (i + 1) % n : (i - 1 + n) % n;
    TWinControl* c = list[size_t(i)];
    if (c == CurControl && k < n - 1) continue;
    if ((!CheckTabStop || c->TabStop()) && (!CheckParent || c->Parent() == this) && c->CanFocus())
      return c;
  }
  return nullptr;
}

void TWinControl::SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop) {
  TWinControl* c = FindNextControl(CurControl, GoForward, CheckTabStop, !CheckTabStop);
  if (c) c->SetFocus();
}

// -- Painting

void TWinControl::Invalidate() {
  if (handle_) InvalidateRect(handle_, nullptr, !controlStyle_.Contains(csOpaque));
}

void TWinControl::Update() {
  if (handle_) UpdateWindow(handle_);
}

void TWinControl::Repaint() {
  Invalidate();
  Update();
}

void TWinControl::PaintTo(HDC DC, int32_t X, int32_t Y) {
  if (!handle_) return;
  int saved = SaveDC(DC);
  OffsetViewportOrgEx(DC, X, Y, nullptr);
  SendMessage(handle_, WM_PRINT, reinterpret_cast<WPARAM>(DC),
              LPARAM(PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND | PRF_CHILDREN));
  RestoreDC(DC, saved);
}

void TWinControl::PaintWindow(HDC DC) {
  TMessage m{WM_PAINT, reinterpret_cast<WPARAM>(DC), 0, 0};
  DefaultHandler(m);
}

void TWinControl::PaintHandler(TMessage& Message) {
  HDC dc = reinterpret_cast<HDC>(Message.WParam);
  PAINTSTRUCT ps;
  if (!dc) dc = BeginPaint(handle_, &ps);
  try {
    bool graphic = false;
    for (TControl* c : controls_)
      if (!dynamic_cast<TWinControl*>(c) && c->Visible()) graphic = true;
    if (!graphic) {
      PaintWindow(dc);
    } else {
      int saved = SaveDC(dc);
      for (TControl* c : controls_)
        if (!dynamic_cast<TWinControl*>(c) && c->Visible() && c->ControlStyle().Contains(csOpaque))
          ExcludeClipRect(dc, c->Left(), c->Top(), c->Left() + c->Width(), c->Top() + c->Height());
      PaintWindow(dc);
      RestoreDC(dc, saved);
    }
    PaintControls(dc, nullptr);
  } catch (...) {
    if (!Message.WParam) EndPaint(handle_, &ps);
    throw;
  }
  if (!Message.WParam) EndPaint(handle_, &ps);
}

void TWinControl::PaintControls(HDC DC, TControl* First) {
  auto it = controls_.begin();
  if (First) it = std::find(controls_.begin(), controls_.end(), First);
  std::vector<TControl*> list(it, controls_.end());
  for (TControl* c : list) {
    if (dynamic_cast<TWinControl*>(c) || !c->Visible()) continue;
    TRect r = c->BoundsRect();
    if (!RectVisible(DC, &r)) continue;
    int saved = SaveDC(DC);
    OffsetViewportOrgEx(DC, c->Left(), c->Top(), nullptr);
    IntersectClipRect(DC, 0, 0, c->Width(), c->Height());
    c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC), 0);
    RestoreDC(DC, saved);
  }
}

void TWinControl::WMPaint(TMessage& Message) {
  if (Message.WParam || !doubleBuffered_) {
    PaintHandler(Message);
    return;
  }
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(handle_, &ps);
  TRect cr = ClientRect();
  try {
    TOwnedGdiObject<HBITMAP> bmp(
        CreateCompatibleBitmap(dc, std::max(1, cr.Width()), std::max(1, cr.Height())));
    TMemoryDC mem(dc);
    SelectObject(mem, bmp.get());
    Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(mem.Handle()),
            reinterpret_cast<LPARAM>(mem.Handle()));
    TMessage m{WM_PAINT, reinterpret_cast<WPARAM>(mem.Handle()), 0, 0};
    PaintHandler(m);
    BitBlt(dc, ps.rcPaint.Left, ps.rcPaint.Top, ps.rcPaint.Width(), ps.rcPaint.Height(), mem,
           ps.rcPaint.Left, ps.rcPaint.Top, SRCCOPY);
  } catch (...) {
    EndPaint(handle_, &ps);
    throw;
  }
  EndPaint(handle_, &ps);
}

void TWinControl::WMEraseBkgnd(TMessage& Message) {
  HDC dc = reinterpret_cast<HDC>(Message.WParam);
  // A double-buffered control erases into its buffer only.
  if (doubleBuffered_ && Message.LParam != LPARAM(Message.WParam)) {
    Message.Result = 1;
    return;
  }
  if (color_ != clNone && dc) {
    TRect r = ClientRect();
    ::FillRect(dc, &r, brush_->Handle());
  }
  Message.Result = 1;
}

// -- Messages

void TWinControl::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      // The application's loop asks first (CN_KEYDOWN), so that a dialog
      // key makes no character; a key sent directly is asked here.
      if (keyPreprocessed_) {
        keyPreprocessed_ = false;
      } else if (PreprocessKey(Message)) {
        return;
      }
      break;
    case CN_KEYDOWN:
      Message.Result = PreprocessKey(Message) ? 1 : 0;
      if (!Message.Result) keyPreprocessed_ = true;
      return;
    case WM_CHAR:
    case WM_SYSCHAR: {
      TCustomForm* f = GetParentForm(this);
      bool wantsChars = (Perform(WM_GETDLGCODE) & (DLGC_WANTCHARS | DLGC_WANTALLKEYS)) != 0;
      if (f && (Message.Msg == WM_SYSCHAR || !wantsChars) &&
          f->Perform(CM_DIALOGCHAR, Message.WParam, Message.LParam) != 0) {
        Message.Result = 0;
        return;
      }
      break;
    }
    default:
      if (IsMouseMessage(Message.Msg) && Message.Msg != WM_MOUSEWHEEL) {
        TPoint p = MsgPoint(Message);
        TControl* target = nullptr;
        TControl* cap = gCaptureControl;
        if (cap && cap->Parent() == this && !dynamic_cast<TWinControl*>(cap)) target = cap;
        else if (!cap || cap != this) target = ControlAtPos(p, false);
        if (target && GetCapture() == handle_ && !gCaptureControl) target = nullptr;
        if (target) {
          LPARAM l = MAKELPARAM(p.X - target->Left(), p.Y - target->Top());
          Message.Result = target->Perform(Message.Msg, Message.WParam, l);
          return;
        }
      }
  }
  TControl::WndProc(Message);
}

bool TWinControl::PreprocessKey(TMessage& Message) {
  WPARAM key = Message.WParam;
  // Application-wide shortcuts come before the control's own keys.
  if (Application && !ComponentState().Contains(csDesigning) && Application->IsShortCut(key, Message.LParam))
    return true;
  if (Perform(CM_CHILDKEY, key, reinterpret_cast<LPARAM>(this)) != 0) return true;
  LRESULT mask = 0;
  switch (key) {
    case VK_TAB: mask = DLGC_WANTTAB; break;
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: mask = DLGC_WANTARROWS; break;
    case VK_RETURN: case VK_ESCAPE: case VK_CANCEL: mask = DLGC_WANTALLKEYS; break;
  }
  if (!mask) return false;
  if (Perform(CM_WANTSPECIALKEY, key, Message.LParam) != 0) return false;
  if (Perform(WM_GETDLGCODE) & (mask | DLGC_WANTALLKEYS)) return false;
  TCustomForm* f = GetParentForm(this);
  if (f && f->Perform(CM_DIALOGKEY, key, Message.LParam) != 0) return true;
  return false;
}

void TWinControl::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_PAINT: WMPaint(Message); return;
    case WM_ERASEBKGND: WMEraseBkgnd(Message); return;
    case WM_SETFOCUS: WMSetFocus(Message); return;
    case WM_KILLFOCUS: WMKillFocus(Message); return;
    case WM_KEYDOWN: case WM_SYSKEYDOWN: WMKeyDown(Message); return;
    case WM_KEYUP: case WM_SYSKEYUP: WMKeyUp(Message); return;
    case WM_CHAR: WMChar(Message); return;
    case WM_SIZE: WMSize(Message); return;
    case WM_MOVE: WMMove(Message); return;
    case WM_WINDOWPOSCHANGED: WMWindowPosChanged(Message); return;
    case WM_SETCURSOR: WMSetCursor(Message); return;
    case WM_MOUSELEAVE: WMMouseLeave(Message); return;
    case WM_GETDLGCODE: WMGetDlgCode(Message); return;
    case WM_GETMINMAXINFO: {
      DefaultHandler(Message);
      auto* mm = reinterpret_cast<MINMAXINFO*>(Message.LParam);
      if (mm && constraints_) {
        if (constraints_->MinWidth() > 0) mm->ptMinTrackSize.X = constraints_->MinWidth();
        if (constraints_->MinHeight() > 0) mm->ptMinTrackSize.Y = constraints_->MinHeight();
        if (constraints_->MaxWidth() > 0) mm->ptMaxTrackSize.X = constraints_->MaxWidth();
        if (constraints_->MaxHeight() > 0) mm->ptMaxTrackSize.Y = constraints_->MaxHeight();
      }
      return;
    }
    case WM_PRINTCLIENT: {
      // Painting into another context (WM_PRINT, PaintTo): what WM_PAINT draws.
      if (doubleBuffered_) Perform(WM_ERASEBKGND, Message.WParam, LPARAM(Message.WParam));
      TMessage m{WM_PAINT, Message.WParam, 0, 0};
      PaintHandler(m);
      return;
    }
    case WM_SETTEXT: {
      DefaultHandler(Message);
      std::string t = Message.LParam ? reinterpret_cast<const char*>(Message.LParam) : "";
      if (t != Text()) TControl::SetText(t);
      return;
    }
    case CM_ENTER: CMEnter(Message); return;
    case CM_EXIT: CMExit(Message); return;
    case CM_DIALOGKEY: CMDialogKey(Message); return;
    case CM_DIALOGCHAR: CMDialogChar(Message); return;
    case CM_CHILDKEY: CMChildKey(Message); return;
    case CM_SHOWINGCHANGED: CMShowingChanged(Message); return;
    case CM_CANCELMODE: CMCancelMode(Message); return;
    default: TControl::Dispatch(Message);
  }
}

void TWinControl::DefaultHandler(TMessage& Message) {
  if (handle_ && Message.Msg < CM_BASE)
    Message.Result = DefWindowProc(handle_, Message.Msg, Message.WParam, Message.LParam);
}

void TWinControl::WMSetFocus(TMessage& Message) {
  DefaultHandler(Message);
  if (TCustomForm* f = GetParentForm(this)) f->SetFocusedControl(this);
}

void TWinControl::WMKillFocus(TMessage& Message) { DefaultHandler(Message); }

void TWinControl::WMSetCursor(TMessage& Message) {
  if (LOWORD(uintptr_t(Message.LParam)) == HTCLIENT && Screen) {
    TCursor cur = Screen->Cursor();
    if (cur == crDefault) {
      TPoint p;
      GetCursorPos(&p);
      TControl* c = ControlAtPos(ScreenToClient(p), false);
      cur = c && c->Cursor() != crDefault ? c->Cursor() : Cursor();
    }
    if (cur != crDefault) {
      ::SetCursor(Screen->Cursors(cur));
      Message.Result = 1;
      return;
    }
  }
  DefaultHandler(Message);
}

void TWinControl::WMMouseLeave(TMessage& Message) {
  if (Application) Application->MouseLeftWindow(this);
  DefaultHandler(Message);
}

bool TWinControl::DoKeyDown(TMessage& Message) {
  TCustomForm* f = GetParentForm(this);
  if (f && f != this && f->KeyPreview() && f->DoKeyDown(Message)) return true;
  uint16_t key = uint16_t(Message.WParam);
  TShiftState shift = KeyDataToShiftState(Message.LParam);
  KeyDown(key, shift);
  Message.WParam = key;
  return key == 0;
}

bool TWinControl::DoKeyUp(TMessage& Message) {
  TCustomForm* f = GetParentForm(this);
  if (f && f != this && f->KeyPreview() && f->DoKeyUp(Message)) return true;
  uint16_t key = uint16_t(Message.WParam);
  KeyUp(key, KeyDataToShiftState(Message.LParam));
  Message.WParam = key;
  return key == 0;
}

bool TWinControl::DoKeyPress(TMessage& Message) {
  TCustomForm* f = GetParentForm(this);
  if (f && f != this && f->KeyPreview() && f->DoKeyPress(Message)) return true;
  char c = char(Message.WParam);
  KeyPress(c);
  Message.WParam = WPARAM(uint8_t(c));
  return c == 0;
}

void TWinControl::KeyDown(uint16_t& Key, TShiftState Shift) {
  if (OnKeyDown) OnKeyDown(this, Key, Shift);
}

void TWinControl::KeyUp(uint16_t& Key, TShiftState Shift) {
  if (OnKeyUp) OnKeyUp(this, Key, Shift);
}

void TWinControl::KeyPress(char& Key) {
  if (OnKeyPress) OnKeyPress(this, Key);
}

void TWinControl::DoEnter() {
  if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
  if (OnExit) OnExit(this);
}

void TWinControl::WMKeyDown(TMessage& Message) {
  if (!DoKeyDown(Message)) DefaultHandler(Message);
}

void TWinControl::WMKeyUp(TMessage& Message) {
  if (!DoKeyUp(Message)) DefaultHandler(Message);
}

void TWinControl::WMChar(TMessage& Message) {
  if (!DoKeyPress(Message)) DefaultHandler(Message);
}

void TWinControl::CMDialogKey(TMessage& Message) { Broadcast(Message); }

void TWinControl::CMDialogChar(TMessage& Message) { Broadcast(Message); }

void TWinControl::CMChildKey(TMessage& Message) {
  if (parent_) Message.Result = parent_->Perform(CM_CHILDKEY, Message.WParam, Message.LParam);
}

void TWinControl::CMCancelMode(TMessage& Message) {}
