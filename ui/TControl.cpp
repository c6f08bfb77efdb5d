#include "ui/TControl.h"

#include <algorithm>

#include "platform/Draw.h"
#include "rtl/Wipe.h"
#include "ui/ControlInternals.h"
#include "ui/TAction.h"
#include "ui/TApplication.h"
#include "ui/TForm.h"
#include "ui/TScreen.h"

RTL_DEFINE_CLASS(TControl, TComponent,
                 Published("Left", &TControl::Left, &TControl::SetLeft),
                 Published("Top", &TControl::Top, &TControl::SetTop),
                 Published("Width", &TControl::Width, &TControl::SetWidth),
                 Published("Height", &TControl::Height, &TControl::SetHeight),
                 Published("Align", &TControl::Align, &TControl::SetAlign),
                 Published("Anchors", &TControl::Anchors, &TControl::SetAnchors),
                 Published("Visible", &TControl::Visible, &TControl::SetVisible),
                 Published("Enabled", &TControl::Enabled, &TControl::SetEnabled),
                 Published("Caption", &TControl::Caption, &TControl::SetCaption),
                 Published("Color", &TControl::Color, &TControl::SetColor),
                 Published("ParentColor", &TControl::ParentColor, &TControl::SetParentColor),
                 Published("Font", &TControl::Font, &TControl::SetFont),
                 Published("ParentFont", &TControl::ParentFont, &TControl::SetParentFont),
                 Published("Hint", &TControl::Hint, &TControl::SetHint),
                 Published("ShowHint", &TControl::ShowHint, &TControl::SetShowHint),
                 Published("ParentShowHint", &TControl::ParentShowHint, &TControl::SetParentShowHint),
                 Published("Cursor", &TControl::Cursor, &TControl::SetCursor),
                 Published("Constraints", &TControl::Constraints, &TControl::SetConstraints))

namespace ui_detail {

TControl* gCaptureControl = nullptr;

void LimitSize(TControl* c, TSizeConstraints* k, bool autoSize, bool& guard, int32_t& w, int32_t& h) {
  if (autoSize && !guard) {
    guard = true;
    int32_t nw = w, nh = h;
    try {
      if (c->CanAutoSize(nw, nh)) {
        w = nw;
        h = nh;
      }
    } catch (...) {
      guard = false;
      throw;
    }
    guard = false;
  }
  if (k) k->Apply(w, h);
  if (w < 0) w = 0;
  if (h < 0) h = 0;
}

}  // namespace ui_detail

using namespace ui_detail;

namespace {

TSize ParentClientSize(TWinControl* p) {
  TRect r = p->ClientRect();
  return TSize{r.Width(), r.Height()};
}

}  // namespace

// ---- Helpers

TShiftState KeysToShiftState(WORD Keys) {
  TShiftState s;
  if (Keys & MK_SHIFT) s.Include(ssShift);
  if (Keys & MK_CONTROL) s.Include(ssCtrl);
  if (Keys & MK_LBUTTON) s.Include(ssLeft);
  if (Keys & MK_RBUTTON) s.Include(ssRight);
  if (Keys & MK_MBUTTON) s.Include(ssMiddle);
  if (GetKeyState(VK_MENU) < 0) s.Include(ssAlt);
  return s;
}

TShiftState KeyDataToShiftState(LPARAM KeyData) {
  TShiftState s;
  if (GetKeyState(VK_SHIFT) < 0) s.Include(ssShift);
  if (GetKeyState(VK_CONTROL) < 0) s.Include(ssCtrl);
  if ((KeyData & 0x20000000) || GetKeyState(VK_MENU) < 0) s.Include(ssAlt);
  return s;
}

TShiftState GetShiftState() {
  TShiftState s;
  if (GetKeyState(VK_SHIFT) < 0) s.Include(ssShift);
  if (GetKeyState(VK_CONTROL) < 0) s.Include(ssCtrl);
  if (GetKeyState(VK_MENU) < 0) s.Include(ssAlt);
  if (GetKeyState(VK_LBUTTON) < 0) s.Include(ssLeft);
  if (GetKeyState(VK_RBUTTON) < 0) s.Include(ssRight);
  if (GetKeyState(VK_MBUTTON) < 0) s.Include(ssMiddle);
  return s;
}

std::string GetShortHint(const std::string& Hint) {
  size_t bar = Hint.find('|');
  return bar == std::string::npos ? Hint : Hint.substr(0, bar);
}

std::string GetLongHint(const std::string& Hint) {
  size_t bar = Hint.find('|');
  return bar == std::string::npos ? Hint : Hint.substr(bar + 1);
}

TControl* GetCaptureControl() {
  if (gCaptureControl) {
    // The capture may have been taken away by someone else.
    HWND want = nullptr;
    if (auto* w = dynamic_cast<TWinControl*>(gCaptureControl))
      want = w->HandleAllocated() ? w->Handle() : nullptr;
    else if (gCaptureControl->Parent() && gCaptureControl->Parent()->HandleAllocated())
      want = gCaptureControl->Parent()->Handle();
    if (!want || GetCapture() != want) gCaptureControl = nullptr;
  }
  if (!gCaptureControl) return TWinControl::FindControl(GetCapture());
  return gCaptureControl;
}

void SetCaptureControl(TControl* Control) {
  gCaptureControl = nullptr;
  if (!Control) {
    ReleaseCapture();
    return;
  }
  if (auto* w = dynamic_cast<TWinControl*>(Control)) {
    SetCapture(w->Handle());
    gCaptureControl = Control;
  } else if (Control->Parent()) {
    SetCapture(Control->Parent()->Handle());
    gCaptureControl = Control;
  }
}

TCustomForm* GetParentForm(TControl* Control) {
  while (Control && Control->Parent()) Control = Control->Parent();
  return dynamic_cast<TCustomForm*>(Control);
}

TControl* FindVCLWindow(TPoint Pos) {
  HWND h = WindowFromPoint(Pos);
  while (h) {
    if (TWinControl* c = TWinControl::FindControl(h)) return c;
    h = GetAncestor(h, GA_PARENT);
  }
  return nullptr;
}

TControl* FindDragTarget(TPoint Pos, bool AllowDisabled) {
  TControl* c = FindVCLWindow(Pos);
  auto* w = dynamic_cast<TWinControl*>(c);
  if (!w) return c;
  if (TControl* g = w->ControlAtPos(w->ScreenToClient(Pos), AllowDisabled)) return g;
  return w;
}

// ---- TControl

TControl::TControl(TComponent* AOwner) : TComponent(AOwner) {
  InitControls();
  constraints_ = new TSizeConstraints(this);
  WindowProc = [this](TMessage& m) { WndProc(m); };
  controlStyle_ = TControlStyle{csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
  font_ = new TFont();
  font_->OnChange = [this](TObject* s) { FontChanged(s); };
  if (Screen) font_->SetPixelsPerInch(Screen->PixelsPerInch());
}

TControl::~TControl() {
  if (secretText_) WipeString(text_);
  delete font_;
  delete constraints_;
}

void TControl::SetAutoSize(bool v) {
  if (autoSize_ == v) return;
  autoSize_ = v;
  if (v) AdjustSize();
}

void TControl::AdjustSize() {
  if (!autoSize_ || autoSizing_ || ComponentState().Contains(csLoading)) return;
  SetBounds(left_, top_, width_, height_);
}

void TControl::BeforeDestruction() {
  Destroying();
  if (Application) Application->ControlDestroyed(this);
  if (gCaptureControl == this) gCaptureControl = nullptr;
  if (actionLink_) {
    TControlActionLink* l = actionLink_;
    actionLink_ = nullptr;
    delete l;
  }
  if (parent_) parent_->RemoveControl(this);
  inherited::BeforeDestruction();
}

LRESULT TControl::Perform(UINT Msg, WPARAM WParam, LPARAM LParam) {
  TMessage m{Msg, WParam, LParam, 0};
  WindowProc(m);
  return m.Result;
}

void TControl::WndProc(TMessage& Message) {
  if (IsMouseMessage(Message.Msg)) {
    if (Message.Msg == WM_MOUSEMOVE && Application) Application->HintMouseMessage(this, Message);
    // A control that does not take double clicks gets the second press of
    // one as a plain press.
    if (Message.Msg == WM_LBUTTONDOWN || Message.Msg == WM_LBUTTONDBLCLK) {
      if (!controlStyle_.Contains(csDoubleClicks) && Message.Msg == WM_LBUTTONDBLCLK)
        Message.Msg = WM_LBUTTONDOWN;
    }
  }
  Dispatch(Message);
}

void TControl::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_LBUTTONDOWN: WMLButtonDown(Message); return;
    case WM_RBUTTONDOWN: WMRButtonDown(Message); return;
    case WM_MBUTTONDOWN: WMMButtonDown(Message); return;
    case WM_LBUTTONDBLCLK: WMLButtonDblClk(Message); return;
    case WM_LBUTTONUP: WMLButtonUp(Message); return;
    case WM_RBUTTONUP: WMRButtonUp(Message); return;
    case WM_MBUTTONUP: WMMButtonUp(Message); return;
    case WM_MOUSEMOVE: WMMouseMove(Message); return;
    case WM_MOUSEWHEEL: WMMouseWheel(Message); return;
    case WM_CONTEXTMENU: WMContextMenu(Message); return;
    case CM_ENABLEDCHANGED: CMEnabledChanged(Message); return;
    case CM_VISIBLECHANGED: CMVisibleChanged(Message); return;
    case CM_COLORCHANGED: CMColorChanged(Message); return;
    case CM_FONTCHANGED: CMFontChanged(Message); return;
    case CM_TEXTCHANGED: CMTextChanged(Message); return;
    case CM_PARENTCOLORCHANGED: CMParentColorChanged(Message); return;
    case CM_PARENTFONTCHANGED: CMParentFontChanged(Message); return;
    case CM_PARENTSHOWHINTCHANGED: CMParentShowHintChanged(Message); return;
    case CM_HITTEST: CMHitTest(Message); return;
    case CM_MOUSEENTER: CMMouseEnter(Message); return;
    case CM_MOUSELEAVE: CMMouseLeave(Message); return;
    case CM_HINTSHOW: CMHintShow(Message); return;
    default: DefaultHandler(Message);
  }
}

void TControl::DefaultHandler(TMessage& Message) {}

// -- Placement

void TControl::SetParent(TWinControl* AParent) {
  if (parent_ == AParent) return;
  if (AParent == this) throw EInvalidOperation("A control cannot have itself as its parent");
  if (parent_) parent_->RemoveControl(this);
  if (AParent) {
    AParent->InsertControl(this);
    UpdateAnchorRules();
  }
}

void TControl::SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) {
  LimitSize(this, constraints_, autoSize_, autoSizing_, AWidth, AHeight);
  if (ALeft == left_ && ATop == top_ && AWidth == width_ && AHeight == height_) return;
  InvalidateControl(Visible(), false);
  TSize old{width_, height_};
  left_ = ALeft;
  top_ = ATop;
  width_ = AWidth;
  height_ = AHeight;
  InvalidateControl(Visible(), false);
  BoundsChanged(old);
}

void TControl::BoundsChanged(TSize oldSize) {
  UpdateAnchorRules();
  RequestAlign();
  if (oldSize.cx != width_ || oldSize.cy != height_) Resize();
}

void TControl::Resize() {
  if (OnResize) OnResize(this);
}

TRect TControl::ClientRect() { return Rect(0, 0, width_, height_); }

void TControl::SetClientSize(int32_t w, int32_t h) { SetBounds(left_, top_, w, h); }

TPoint TControl::ClientOrigin() {
  if (!parent_) return TPoint{left_, top_};
  TPoint p = parent_->ClientOrigin();
  return TPoint{p.X + left_, p.Y + top_};
}

TPoint TControl::ClientToScreen(TPoint p) {
  TPoint o = ClientOrigin();
  return TPoint{p.X + o.X, p.Y + o.Y};
}

TPoint TControl::ScreenToClient(TPoint p) {
  TPoint o = ClientOrigin();
  return TPoint{p.X - o.X, p.Y - o.Y};
}

void TControl::SetAlign(TAlign v) {
  if (align_ == v) return;
  TAlign old = align_;
  align_ = v;
  // Aligned controls hold to the sides they fill.
  switch (v) {
    case alTop: anchors_ = TAnchors{akLeft, akTop, akRight}; break;
    case alBottom: anchors_ = TAnchors{akLeft, akRight, akBottom}; break;
    case alLeft: anchors_ = TAnchors{akLeft, akTop, akBottom}; break;
    case alRight: anchors_ = TAnchors{akRight, akTop, akBottom}; break;
    case alClient: anchors_ = TAnchors{akLeft, akTop, akRight, akBottom}; break;
    default:
      if (old != alNone && old != alCustom) anchors_ = TAnchors{akLeft, akTop};
  }
  RequestAlign();
}

void TControl::SetAnchors(TAnchors v) {
  if (anchors_ == v) return;
  anchors_ = v;
  UpdateAnchorRules();
}

void TControl::UpdateAnchorRules() {
  if (anchorMoving_ || !parent_) return;
  anchorRect_ = BoundsRect();
  anchorParentSize_ = ParentClientSize(parent_);
}

void TControl::AnchorTo(TSize ps) {
  if (align_ != alNone || anchors_ == TAnchors{akLeft, akTop}) return;
  if (anchorParentSize_.cx == 0 && anchorParentSize_.cy == 0) return;
  TRect r = anchorRect_;
  int32_t dx = ps.cx - anchorParentSize_.cx, dy = ps.cy - anchorParentSize_.cy;
  int32_t l = r.Left, t = r.Top, w = r.Width(), h = r.Height();
  if (anchors_.Contains(akRight)) {
    if (anchors_.Contains(akLeft)) w = std::max(0, w + dx);
    else l += dx;
  } else if (!anchors_.Contains(akLeft)) {
    l += dx / 2;  // neither side: keeps its place relative to the centre
  }
  if (anchors_.Contains(akBottom)) {
    if (anchors_.Contains(akTop)) h = std::max(0, h + dy);
    else t += dy;
  } else if (!anchors_.Contains(akTop)) {
    t += dy / 2;
  }
  anchorMoving_ = true;
  try {
    SetBounds(l, t, w, h);
  } catch (...) {
    anchorMoving_ = false;
    throw;
  }
  anchorMoving_ = false;
}

void TControl::RequestAlign() {
  if (parent_ && !ComponentState().Contains(csDestroying)) parent_->AlignControl(this);
}

void TControl::BringToFront() {
  if (!parent_) {
    if (auto* w = dynamic_cast<TWinControl*>(this); w && w->HandleAllocated())
      SetWindowPos(w->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    return;
  }
  auto& list = parent_->controls_;
  list.erase(std::find(list.begin(), list.end(), this));
  list.push_back(this);
  if (auto* w = dynamic_cast<TWinControl*>(this); w && w->HandleAllocated())
    SetWindowPos(w->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  else
    Invalidate();
}

void TControl::SendToBack() {
  if (!parent_) {
    if (auto* w = dynamic_cast<TWinControl*>(this); w && w->HandleAllocated())
      SetWindowPos(w->Handle(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return;
  }
  auto& list = parent_->controls_;
  list.erase(std::find(list.begin(), list.end(), this));
  list.insert(list.begin(), this);
  if (auto* w = dynamic_cast<TWinControl*>(this); w && w->HandleAllocated())
    SetWindowPos(w->Handle(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  else
    Invalidate();
}

// -- State

void TControl::SetVisible(bool v) {
  if (visible_ == v) return;
  VisibleChanging();
  visible_ = v;
  Perform(CM_VISIBLECHANGED, v ? 1 : 0);
  RequestAlign();
}

void TControl::SetEnabled(bool v) {
  if (enabled_ == v) return;
  enabled_ = v;
  Perform(CM_ENABLEDCHANGED);
}

bool TControl::Showing() const { return visible_ && parent_ && parent_->Showing(); }

void TControl::SetText(const std::string& v) {
  if (text_ == v) return;
  if (secretText_)
    ReplaceSecretText(text_, v);
  else
    text_ = v;
  Perform(CM_TEXTCHANGED);
}

void TControl::SetColor(TColor v) {
  if (color_ != v) {
    color_ = v;
    Perform(CM_COLORCHANGED);
  }
  parentColor_ = false;
}

void TControl::SetParentColor(bool v) {
  if (parentColor_ == v) return;
  parentColor_ = v;
  if (v && parent_) Perform(CM_PARENTCOLORCHANGED);
}

void TControl::SetParentFont(bool v) {
  if (parentFont_ == v) return;
  parentFont_ = v;
  if (v && parent_) Perform(CM_PARENTFONTCHANGED);
}

void TControl::FontChanged(TObject*) {
  if (!fontFromParent_) parentFont_ = false;
  Perform(CM_FONTCHANGED);
}

void TControl::SetShowHint(bool v) {
  const bool changed = showHint_ != v;
  showHint_ = v;
  parentShowHint_ = false;
  // The control itself hears of it too (a toolbar passes it to its view).
  if (changed) Perform(CM_SHOWHINTCHANGED);
  if (auto* w = dynamic_cast<TWinControl*>(this)) w->NotifyControls(CM_PARENTSHOWHINTCHANGED);
}

void TControl::SetParentShowHint(bool v) {
  if (parentShowHint_ == v) return;
  parentShowHint_ = v;
  if (v) Perform(CM_PARENTSHOWHINTCHANGED);
}

void TControl::SetCursor(TCursor v) {
  if (cursor_ == v) return;
  cursor_ = v;
  Perform(CM_CURSORCHANGED);
}

// -- Painting

void TControl::InvalidateControl(bool IsVisible, bool IsOpaque) {
  if (!IsVisible || !parent_ || !parent_->HandleAllocated()) return;
  if (dynamic_cast<TWinControl*>(this)) return;
  TRect r = BoundsRect();
  InvalidateRect(parent_->Handle(), &r, !(IsOpaque || controlStyle_.Contains(csOpaque)));
}

void TControl::Invalidate() { InvalidateControl(Visible(), controlStyle_.Contains(csOpaque)); }

void TControl::Update() {
  if (parent_) parent_->Update();
}

void TControl::Repaint() {
  if (!Visible() || !parent_ || !parent_->HandleAllocated()) return;
  Invalidate();
  Update();
}

// -- Messages

void TControl::DoMouseDown(TMessage& Message, TMouseButton Button, TShiftState Shift) {
  TPoint p = MsgPoint(Message);
  MouseDown(Button, Shift + KeysToShiftState(WORD(Message.WParam)), p.X, p.Y);
}

void TControl::DoMouseUp(TMessage& Message, TMouseButton Button) {
  TPoint p = MsgPoint(Message);
  MouseUp(Button, KeysToShiftState(WORD(Message.WParam)), p.X, p.Y);
}

void TControl::WMLButtonDown(TMessage& Message) {
  SendCancelMode(this);
  if (controlStyle_.Contains(csCaptureMouse)) SetCaptureControl(this);
  if (controlStyle_.Contains(csClickEvents)) controlState_.Include(csClicked);
  controlState_.Include(csLButtonDown);
  DoMouseDown(Message, mbLeft, {});
}

void TControl::WMLButtonDblClk(TMessage& Message) {
  SendCancelMode(this);
  if (controlStyle_.Contains(csCaptureMouse)) SetCaptureControl(this);
  if (controlStyle_.Contains(csClickEvents)) DblClick();
  DoMouseDown(Message, mbLeft, TShiftState{ssDouble});
}

void TControl::WMRButtonDown(TMessage& Message) { DoMouseDown(Message, mbRight, {}); }
void TControl::WMMButtonDown(TMessage& Message) { DoMouseDown(Message, mbMiddle, {}); }

void TControl::WMLButtonUp(TMessage& Message) {
  if (controlStyle_.Contains(csCaptureMouse) && GetCaptureControl() == this) SetCaptureControl(nullptr);
  controlState_.Exclude(csLButtonDown);
  if (controlState_.Contains(csClicked)) {
    controlState_.Exclude(csClicked);
    TRect r = ClientRect();
    if (PtInRect(&r, MsgPoint(Message))) Click();
  }
  DoMouseUp(Message, mbLeft);
}

void TControl::WMRButtonUp(TMessage& Message) { DoMouseUp(Message, mbRight); }
void TControl::WMMButtonUp(TMessage& Message) { DoMouseUp(Message, mbMiddle); }

void TControl::WMMouseMove(TMessage& Message) {
  if (Application) Application->MouseOver(this);
  TPoint p = MsgPoint(Message);
  MouseMove(KeysToShiftState(WORD(Message.WParam)), p.X, p.Y);
}

void TControl::DoContextPopup(TPoint MousePos, bool& Handled) {
  if (OnContextPopup) OnContextPopup(this, MousePos, Handled);
}

// A context-menu request inside the client area; others (the frame, a
// child's unhandled request) go on to the default handling and the parent.
void TControl::WMContextMenu(TMessage& Message) {
  if (Message.Result != 0 || ComponentState().Contains(csDesigning)) return;
  TPoint screen{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
  TPoint p{-1, -1};  // from the keyboard
  if (screen.X != -1 || screen.Y != -1) {
    p = ScreenToClient(screen);
    TRect cr = ClientRect();
    if (!PtInRect(&cr, p)) {
      DefaultHandler(Message);
      return;
    }
  }
  bool handled = false;
  DoContextPopup(p, handled);
  if (handled) {
    Message.Result = 1;
    return;
  }
  DefaultHandler(Message);
}

void TControl::WMMouseWheel(TMessage& Message) {
  TPoint p{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
  if (DoMouseWheel(KeysToShiftState(LOWORD(Message.WParam)), GET_WHEEL_DELTA_WPARAM(Message.WParam), p)) {
    Message.Result = 1;
    return;
  }
  if (parent_) {
    Message.Result = parent_->Perform(WM_MOUSEWHEEL, Message.WParam, Message.LParam);
    return;
  }
  DefaultHandler(Message);
}

bool TControl::DoMouseWheel(TShiftState Shift, int32_t WheelDelta, TPoint MousePos) {
  bool handled = false;
  if (OnMouseWheel) OnMouseWheel(this, Shift, WheelDelta, MousePos, handled);
  return handled;
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

void TControl::Click() {
  if (OnClick) OnClick(this);
  else if (actionLink_) actionLink_->Execute(this);
}

void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}

void TControl::SendCancelMode(TControl* Sender) {
  TControl* c = this;
  while (c->parent_) c = c->parent_;
  if (auto* f = dynamic_cast<TCustomForm*>(c)) f->SendCancelMode(Sender);
}

void TControl::CMEnabledChanged(TMessage&) { Invalidate(); }

void TControl::CMVisibleChanged(TMessage&) { InvalidateControl(true, visible_ && controlStyle_.Contains(csOpaque)); }

void TControl::CMColorChanged(TMessage&) { Invalidate(); }

void TControl::CMFontChanged(TMessage&) { Invalidate(); }

void TControl::CMTextChanged(TMessage&) { Invalidate(); }

void TControl::CMParentColorChanged(TMessage& Message) {
  if (!parentColor_) return;
  TColor c = Message.WParam ? TColor(Message.LParam) : (parent_ ? parent_->Color() : color_);
  SetColor(c);
  parentColor_ = true;
}

void TControl::CMParentFontChanged(TMessage&) {
  if (!parentFont_ || !parent_) return;
  fontFromParent_ = true;
  try {
    font_->Assign(parent_->Font());
  } catch (...) {
    fontFromParent_ = false;
    throw;
  }
  fontFromParent_ = false;
}

void TControl::CMParentShowHintChanged(TMessage&) {
  if (!parentShowHint_ || !parent_) return;
  showHint_ = parent_->ShowHint();
  if (auto* w = dynamic_cast<TWinControl*>(this)) w->NotifyControls(CM_PARENTSHOWHINTCHANGED);
}

void TControl::CMHitTest(TMessage& Message) { Message.Result = 1; }

void TControl::CMMouseEnter(TMessage& Message) {
  if (parent_) parent_->Perform(CM_MOUSEENTER, 0, Message.LParam);
  if (Message.LParam == 0 || Message.LParam == reinterpret_cast<LPARAM>(this))
    if (OnMouseEnter) OnMouseEnter(this);
}

void TControl::CMMouseLeave(TMessage& Message) {
  if (parent_) parent_->Perform(CM_MOUSELEAVE, 0, Message.LParam);
  if (Message.LParam == 0 || Message.LParam == reinterpret_cast<LPARAM>(this))
    if (OnMouseLeave) OnMouseLeave(this);
}

void TControl::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && actionLink_ && AComponent == actionLink_->Action()) SetAction(nullptr);
}

void TControl::Loaded() {
  inherited::Loaded();
  if (parent_) {
    if (parentColor_) Perform(CM_PARENTCOLORCHANGED);
    if (parentFont_) Perform(CM_PARENTFONTCHANGED);
  }
  RequestAlign();
}

// -- Actions

TBasicAction* TControl::Action() const { return actionLink_ ? actionLink_->Action() : nullptr; }

void TControl::SetAction(TBasicAction* v) {
  if (!v) {
    if (actionLink_) {
      TBasicAction* old = actionLink_->Action();
      delete actionLink_;
      actionLink_ = nullptr;
      if (old) old->RemoveFreeNotification(this);
    }
    controlStyle_.Exclude(csActionClient);
    return;
  }
  if (!actionLink_) actionLink_ = new TControlActionLink(this);
  actionLink_->SetAction(v);
  controlStyle_.Include(csActionClient);
  ActionChange(v, ComponentState().Contains(csLoading));
  v->FreeNotification(this);
}

void TControl::ActionChange(TObject* Sender, bool CheckDefaults) {
  auto* a = dynamic_cast<TCustomAction*>(Sender);
  if (!a) return;
  if (!CheckDefaults || Caption().empty() || Caption() == Name()) SetCaption(a->Caption());
  if (!CheckDefaults || Enabled()) SetEnabled(a->Enabled());
  if (!CheckDefaults || Hint().empty()) SetHint(a->Hint());
  if (!CheckDefaults || Visible()) SetVisible(a->Visible());
}

void TControl::InitiateAction() {
  if (actionLink_) actionLink_->Update();
}
