// The toolbar, its view and its chevron.
#include "toolbar/TDKCustomToolbar.h"

#include <algorithm>

#include "platform/Input.h"
#include "platform/SysInfo.h"
#include "toolbar/DKCommon.h"
#include "toolbar/DKHook.h"
#include "toolbar/TDKFloatingWindow.h"
#include "toolbar/TDKToolbarPositions.h"
#include "ui/TApplication.h"
#include "ui/TCanvas.h"
#include "ui/TScreen.h"
#include "ui/ShortCut.h"

RTL_DEFINE_CLASS(TDKChevronItem, TDKCustomItem)
RTL_DEFINE_CLASS(TDKToolbarView, TDKView)
RTL_DEFINE_CLASS(TDKCustomToolbar, TDKCustomDockableWindow)

namespace {

constexpr int32_t kChevronExtent = 12;
// The settings-changed notice for the non-client metrics (their fonts).
constexpr WPARAM kSetNonClientMetrics = 0x002A;
constexpr const char* kChevronHint = "More Buttons|";

// Double right-pointing chevron (8 x 5) and double down-pointing one (5 x 8).
constexpr uint8_t kChevronRight[5] = {0xCC, 0x66, 0x33, 0x66, 0xCC};
constexpr uint8_t kChevronDown[8] = {0x88, 0xD8, 0x70, 0x20, 0x88, 0xD8, 0x70, 0x20};

void PaintPattern(HDC DC, int32_t X, int32_t Y, const uint8_t* Rows, int32_t W, int32_t H, COLORREF Color) {
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x)
      if (Rows[y] & (0x80u >> x)) SetPixel(DC, X + x, Y + y, Color);
}

void MDIClientAltKeyHook(THookEventCode, HWND, WPARAM, LPARAM) {
  // The program has no MDI client window, so no system character needs to
  // be re-addressed.
}

// Application-wide shortcut routing: the toolbars that take part, and the
// hook on the application's window they share.
std::vector<TDKCustomToolbar*> gShortCutToolbars;
int32_t gShortCutHookId = 0;

// Offers a key down to the shortcut-processing toolbars of Form.
bool FormToolbarsTakeKey(TCustomForm* Form, TMessage& KeyMessage) {
  if (!Form || !Form->HandleAllocated() || !IsWindowEnabled(Form->Handle())) return false;
  TShortCut key = ShortCut(uint16_t(KeyMessage.WParam), KeyDataToShiftState(KeyMessage.LParam));
  std::vector<TDKCustomToolbar*> list = gShortCutToolbars;  // handlers may change the list
  for (TDKCustomToolbar* tb : list) {
    if (std::find(gShortCutToolbars.begin(), gShortCutToolbars.end(), tb) == gShortCutToolbars.end()) continue;
    if (!tb->ProcessShortCuts() || HostFormOf(tb) != Form) continue;
    bool handled = false;
    if (tb->OnShortCut) tb->OnShortCut(KeyMessage, handled);
    if (!handled) handled = TDKCustomItem::IsShortCut(tb->Items(), key);
    if (handled) return true;
  }
  return false;
}

// Sends a keyboard-menu command to the visible, enabled docks and toolbars
// taking menu events among Parent's showing controls, depth first, until one
// answers.
bool SendSysCommandToMenuControls(TWinControl* Parent, TMessage& SysCommand) {
  for (int32_t i = 0; i < Parent->ControlCount(); ++i) {
    auto* c = dynamic_cast<TWinControl*>(Parent->Controls(i));
    if (!c || !c->Showing()) continue;
    if ((dynamic_cast<TDKDock*>(c) || dynamic_cast<TDKCustomToolbar*>(c)) && c->Visible() && c->Enabled() &&
        c->ControlStyle().Contains(csMenuEvents) &&
        c->Perform(WM_SYSCOMMAND, SysCommand.WParam, SysCommand.LParam) != 0)
      return true;
    if (SendSysCommandToMenuControls(c, SysCommand)) return true;
  }
  return false;
}

bool ShortCutHook(TMessage& Message) {
  if (Message.Msg == CM_APPKEYDOWN) {
    TMessage key{WM_KEYDOWN, Message.WParam, Message.LParam, 0};
    TCustomForm* active = Screen ? Screen->ActiveForm() : nullptr;
    TCustomForm* main = Application ? Application->MainForm() : nullptr;
    bool handled = FormToolbarsTakeKey(active, key);
    if (!handled && main != active) handled = FormToolbarsTakeKey(main, key);
    if (!handled) return false;
    Message.Result = 1;
    return true;
  }
  if (Message.Msg == CM_APPSYSCOMMAND) {
    TCustomForm* active = Screen ? Screen->ActiveForm() : nullptr;
    if (!active || !SendSysCommandToMenuControls(active, *reinterpret_cast<TMessage*>(Message.LParam)))
      return false;
    Message.Result = 1;
    return true;
  }
  return false;
}

}  // namespace

// ---- Chevron

TDKChevronItem::TDKChevronItem(TComponent* AOwner, TDKCustomToolbar* Toolbar)
    : TDKCustomItem(AOwner), toolbar_(Toolbar) {
  SetStyleFlags(StyleFlags() | dksfSubmenu | dksfNoAutoOpen);
  SetHint(kChevronHint);
  SetCaption(DoubleAmpersands(GetShortHint(kChevronHint)));
}

TDKView* TDKChevronItem::GetChevronOwnerView() { return toolbar_->View(); }

TDKItemViewerClass TDKChevronItem::ViewerClassFor(TDKView*) {
  return [](TDKView* v, TDKCustomItem* i, int32_t l) -> TDKItemViewer* { return new TDKChevronItemViewer(v, i, l); };
}

void TDKChevronItemViewer::RenderItem(TCanvas* Canvas, TRect R, bool IsSelected, bool IsPushed, bool) {
  HDC dc = Canvas->Handle();
  bool enabled = item_->Enabled();
  bool designing = view_->Window() && view_->Window()->ComponentState().Contains(csDesigning);
  if (enabled) {
    TRect e = R;
    if (IsPushed) DrawEdge(dc, &e, BDR_SUNKENOUTER, BF_RECT);
    else if (IsSelected && !designing) DrawEdge(dc, &e, BDR_RAISEDINNER, BF_RECT);
  }
  bool vertical = view_->Orientation() == vorVertical;
  int32_t x = vertical ? R.Right - 9 : R.Left + 2;
  int32_t y = vertical ? R.Top + 2 : 4;
  int32_t w = vertical ? 5 : 8, h = vertical ? 8 : 5;
  const uint8_t* rows = vertical ? kChevronDown : kChevronRight;
  if (IsPushed) {
    ++x;
    ++y;
  }
  if (enabled) {
    PaintPattern(dc, x, y, rows, w, h, GetSysColor(COLOR_BTNTEXT));
  } else {
    PaintPattern(dc, x, y + 1, rows, w, h, GetSysColor(COLOR_BTNHIGHLIGHT));
    PaintPattern(dc, x, y, rows, w, h, GetSysColor(COLOR_BTNSHADOW));
  }
}

// ---- View

TDKToolbarView::TDKToolbarView(TDKCustomToolbar* Toolbar, TDKCustomItem* Root, bool UsePriorityOrdering)
    : TDKView(Toolbar, nullptr, Root, Toolbar, true, false, UsePriorityOrdering), toolbar_(Toolbar) {}

TDKCustomItem* TDKToolbarView::GetChevron() { return toolbar_->chevron_; }

TFont* TDKToolbarView::ItemFont() { return toolbar_->systemFont_ ? DKItemFont() : toolbar_->Font(); }

void TDKToolbarView::MarkLayoutStale() {
  bool wasValid = LayoutValid();
  TDKView::MarkLayoutStale();
  toolbar_->assignedLength_ = 0;
  // A change of the items changes the toolbar's size.
  if (wasValid && !toolbar_->inArrange_ && !Updating() && toolbar_->Parent() &&
      !toolbar_->ComponentState().Contains(csDestroying))
    toolbar_->Rearrange();
}

void TDKToolbarView::RecalcLayout(TSize& TotalSize) {
  int32_t row = toolbar_->RowThickness();
  TSize start{0, 0};
  bool vertical = Orientation() == vorVertical;
  if (vertical) start.cx = row;
  else start.cy = row;
  if (toolbar_->FullSize()) {
    if (vertical) start.cy = WrapLimit();
    else start.cx = WrapLimit();
  }
  // The layout starts from the row's size, so it must be in place before
  // the items are placed, not applied to the result afterwards.
  TotalSize = start;
  ++toolbar_->alignSuspend_;
  try {
    TDKView::RecalcLayout(TotalSize);
  } catch (...) {
    --toolbar_->alignSuspend_;
    throw;
  }
  --toolbar_->alignSuspend_;
  TotalSize.cx = std::max(TotalSize.cx, start.cx);
  TotalSize.cy = std::max(TotalSize.cy, start.cy);
  toolbar_->appliedSize_ = TotalSize;
}

void TDKToolbarView::ApplyContentSize(int32_t Width, int32_t Height) {
  toolbar_->contentNaturalSize_ = NaturalSize();
  toolbar_->appliedSize_ = TSize{Width, Height};
}

// ---- Toolbar

TDKCustomToolbar::TDKCustomToolbar(TComponent* AOwner)
    : TDKCustomToolbar(
          AOwner, [](TDKCustomToolbar* t) { return new TDKChevronItem(t, t); },
          [](TDKCustomToolbar* t, TDKCustomItem* root, bool priority) { return new TDKToolbarView(t, root, priority); }) {}

TDKCustomToolbar::TDKCustomToolbar(TComponent* AOwner, TChevronMaker MakeChevron, TViewMaker MakeView)
    : TDKCustomDockableWindow(AOwner) {
  ControlStyle().Include(csAcceptsControls);
  ControlStyle().Include(csActionClient);
  resizeOptions_ = 0;
  items_ = new TDKRootItem(this);
  items_->SetStreamParent(this);
  chevron_ = MakeChevron(this);
  chevron_->SetLinkSubitems(items_);
  bool designing = ComponentState().Contains(csDesigning);
  view_ = MakeView(this, items_, !designing);
  view_->RebuildViewers();  // now with the chevron, which the view's own constructor cannot ask for
  view_->SetBackgroundColor(clBtnFace);
  SetColor(clBtnFace);
  TDKCustomDockableWindow::SetBounds(Left(), Top(), 23, 22);
}

TDKCustomToolbar::~TDKCustomToolbar() = default;

void TDKCustomToolbar::BeforeDestruction() {
  if (menuBar_) UnregisterHookProc(&MDIClientAltKeyHook);
  processShortCuts_ = menuBar_ = false;
  UpdateShortCutHook();
  TDKToolbarView* v = view_;
  view_ = nullptr;
  v->Free();
  chevron_->Free();
  chevron_ = nullptr;
  items_->Free();
  items_ = nullptr;
  TDKCustomDockableWindow::BeforeDestruction();
}

void TDKCustomToolbar::SetChevronHint(const std::string& v) {
  chevron_->SetHint(v);
  chevron_->SetCaption(DoubleAmpersands(GetShortHint(v)));
}

void TDKCustomToolbar::SetChevronMoveItems(bool v) {
  chevronMoveItems_ = v;
  view_->SetPriorityOrdering(v && !ComponentState().Contains(csDesigning));
}

void TDKCustomToolbar::SetChevronPriorityForNewItems(TDKChevronPriorityForNewItems v) {
  chevronPriority_ = v;
  view_->SetNewViewersGetHighestPriority(v != dkcpLowest);
}

void TDKCustomToolbar::SetFloatWrapWidth(int32_t v) {
  if (floatWrapWidth_ == v) return;
  floatWrapWidth_ = v;
  if (IsFloating()) {
    UpdateViewLimits();
    Rearrange();
  }
}

void TDKCustomToolbar::SetMenuBar(bool v) {
  if (menuBar_ == v) return;
  menuBar_ = v;
  if (v) {
    ControlStyle().Include(csMenuEvents);
    view_->SetStyle(view_->Style() | vsyMenuBar | vsyHideAccels);
  } else {
    ControlStyle().Exclude(csMenuEvents);
    view_->SetStyle(TDKViewStyleFlags(view_->Style() & ~(vsyMenuBar | vsyHideAccels)));
  }
  if (!ComponentState().Contains(csLoading)) {
    SetFullSize(v);
    SetShrinkMode(v ? dksmWrap : dksmChevron);
    SetCloseButton(!v);
    SetProcessShortCuts(v);
  }
  if (v) RegisterHookProc(&MDIClientAltKeyHook, HookCode(hecGetMessage), ComponentState().Contains(csDesigning));
  else UnregisterHookProc(&MDIClientAltKeyHook);
  UpdateShortCutHook();
}

void TDKCustomToolbar::SetProcessShortCuts(bool v) {
  processShortCuts_ = v;
  UpdateShortCutHook();
}

void TDKCustomToolbar::UpdateShortCutHook() {
  bool want = !ComponentState().Contains(csDesigning) && (processShortCuts_ || menuBar_);
  if (want == shortCutHookInstalled_) return;
  shortCutHookInstalled_ = want;
  if (want) {
    gShortCutToolbars.push_back(this);
    if (gShortCutToolbars.size() == 1 && Application) gShortCutHookId = Application->HookMainWindow(&ShortCutHook);
  } else {
    gShortCutToolbars.erase(std::remove(gShortCutToolbars.begin(), gShortCutToolbars.end(), this),
                            gShortCutToolbars.end());
    if (gShortCutToolbars.empty() && gShortCutHookId) {
      if (Application) Application->UnhookMainWindow(gShortCutHookId);
      gShortCutHookId = 0;
    }
  }
}

void TDKCustomToolbar::SetShrinkMode(TDKShrinkMode v) {
  if (shrinkMode_ == v) return;
  shrinkMode_ = v;
  if (CurrentDock()) CurrentDock()->LayoutToolbars();
  else if (!IsFloating()) Rearrange();
}

void TDKCustomToolbar::SetSystemFont(bool v) {
  if (systemFont_ == v) return;
  systemFont_ = v;
  Rearrange();
}

TDKLayoutOrientation TDKCustomToolbar::OrientationFor(TDKDock* Dock, bool Floating) const {
  if (Floating) return vorFloating;
  if (Dock && Dock->IsVertical()) return vorVertical;
  return vorHorizontal;
}

int32_t TDKCustomToolbar::WrapLimitFor(TDKDock* Dock) {
  if (!Dock) return floatWrapWidth_;
  if (shrinkMode_ != dksmWrap) return 0;
  TSize nc = AddDockedFrame(TSize{0, 0}, Dock->IsVertical());
  if (Dock->IsVertical()) return std::max(0, Dock->ClientHeight() - nc.cy);
  return std::max(0, Dock->ClientWidth() - nc.cx);
}

int32_t TDKCustomToolbar::ChevronLimitFor(TDKDock* Dock) {
  if (shrinkMode_ != dksmChevron || !Dock || Dock != CurrentDock() || ShrunkLength() == 0) return 0;
  TSize nc = GetDockedNCAreaSize();
  return std::max(0, ShrunkLength() - (Dock->IsVertical() ? nc.cy : nc.cx));
}

int32_t TDKCustomToolbar::RowThickness() {
  TDKDock* d = CurrentDock();
  if (!d) return 0;
  bool full = false;
  int32_t t = d->RowThickness(LayoutRow(), full);
  TSize nc = GetDockedNCAreaSize();
  return std::max(0, t - (d->IsVertical() ? nc.cx : nc.cy));
}

void TDKCustomToolbar::UpdateViewLimits() {
  if (!view_) return;
  TDKDock* dock = CurrentDock();
  view_->SetOrientation(OrientationFor(dock, IsFloating()));
  view_->SetChevronExtent(kChevronExtent);
  if (dock || IsFloating()) {
    view_->SetChevronLimit(ChevronLimitFor(dock));
    view_->SetWrapLimit(WrapLimitFor(dock));
    return;
  }
  view_->SetChevronLimit(0);
  view_->SetWrapLimit(0);
  if (!(AutoResize() && !(Anchors().Contains(akLeft) && Anchors().Contains(akRight)))) {
    int32_t client = ClientWidth();
    if (shrinkMode_ == dksmChevron) view_->SetChevronLimit(client);
    else if (shrinkMode_ == dksmWrap) view_->SetWrapLimit(client);
  }
}

void TDKCustomToolbar::ArrangeItems(bool CanMoveControls, TDKDockType, bool Floating, TDKDock* Dock, TSize& Size) {
  if (!view_) return;
  if (CanMoveControls) {
    ++inArrange_;
    try {
      UpdateViewLimits();
      view_->Relayout();
    } catch (...) {
      --inArrange_;
      throw;
    }
    --inArrange_;
    Size = appliedSize_;
    return;
  }
  TDKLayoutOrientation o = OrientationFor(Dock, Floating);
  int32_t wrap = Floating ? floatWrapWidth_ : WrapLimitFor(Dock);
  int32_t chevron = Floating ? 0 : ChevronLimitFor(Dock);
  Size = TSize{0, 0};
  TSize natural{0, 0};
  int32_t lines = 1;
  view_->ComputeLayout(false, o, lines, Size, natural, kChevronExtent, chevron, wrap);
  lastLineCount_ = lines;
}

void TDKCustomToolbar::QueryBaseSize(TSize& Size) {
  if (!view_) return;
  view_->EnsureLayout();
  Size = contentNaturalSize_;
}

void TDKCustomToolbar::MinimumShrinkSize(int32_t& Length) {
  if (!view_) return;
  TDKDock* d = CurrentDock();
  bool vertical = d && d->IsVertical();
  int32_t extent = 0;
  if (TDKItemViewer* v = view_->FirstUsableViewer())
    extent = vertical ? v->BoundsRect.Height() : v->BoundsRect.Width();
  TSize nc = GetDockedNCAreaSize();
  Length = extent + (vertical ? nc.cy : nc.cx) + kChevronExtent;
}

void TDKCustomToolbar::PointBlocksDrag(TPoint ClientPoint, bool& Blocked) {
  TDKCustomDockableWindow::PointBlocksDrag(ClientPoint, Blocked);
  if (Blocked || !view_) return;
  TDKItemViewer* v = view_->ViewerAtPoint(ClientPoint);
  if (v && !v->Item()->HasStyle(dksfPassClicks) && v->Item()->HasStyle(dksfSelectable)) Blocked = true;
}

void TDKCustomToolbar::AlignControls(TControl* AControl, TRect& Rect) {
  if (alignSuspend_ == 0 && view_ && !inArrange_) Rearrange();
}

void TDKCustomToolbar::Paint() {
  if (ComponentState().Contains(csDesigning) && !IsDocked()) {
    TRect r = ClientRect();
    Canvas()->Pen()->SetColor(clBtnShadow);
    Canvas()->Pen()->SetStyle(psDot);
    Canvas()->Brush()->SetStyle(bsClear);
    Canvas()->Rectangle(r.Left, r.Top, r.Right, r.Bottom);
  }
  if (!view_) return;
  view_->EnsureLayout();
  view_->PaintAllViewers(Canvas());
}

// ---- Hosted controls

TDKControlItem* TDKCustomToolbar::FindControlItem(TControl* Control) const {
  for (int32_t i = 0; i < items_->ChildCount(); ++i)
    if (auto* ci = dynamic_cast<TDKControlItem*>(items_->GetItem(i)); ci && ci->Control() == Control) return ci;
  return nullptr;
}

TDKControlItem* TDKCustomToolbar::AddControlItem(int32_t Index, TControl* Control) {
  TComponent* owner = Owner();
  auto* item = new TDKControlItem(owner, Control);
  if (ComponentState().Contains(csDesigning) && owner) {
    // The smallest free number, so that names stay short and stable.
    for (int32_t n = 1;; ++n) {
      std::string name = "DKControlItem" + std::to_string(n);
      if (!owner->FindComponent(name)) {
        item->SetName(name);
        break;
      }
    }
  }
  items_->Insert(Index, item);
  return item;
}

void TDKCustomToolbar::AdoptControls() {
  for (int32_t i = 0; i < ControlCount(); ++i)
    if (!FindControlItem(Controls(i))) AddControlItem(items_->ChildCount(), Controls(i));
}

void TDKCustomToolbar::Loaded() {
  AdoptControls();
  TDKCustomDockableWindow::Loaded();
}

void TDKCustomToolbar::ControlListChanged(TControl* Control, bool Inserting) {
  if (Inserting) {
    if (!ComponentState().Contains(csLoading) && !ComponentState().Contains(csUpdating) && !FindControlItem(Control))
      AddControlItem(items_->ChildCount(), Control);
    return;
  }
  // The control leaves: its items go, the control stays with its new parent.
  while (TDKControlItem* ci = FindControlItem(Control)) {
    ci->SetKeepControl(true);
    ci->Free();
  }
}

void TDKCustomToolbar::GetTabOrderList(std::vector<TWinControl*>& List) {
  TDKCustomDockableWindow::GetTabOrderList(List);
  if (!view_) return;
  std::vector<TWinControl*> offEdge;
  view_->CollectOffEdgeControls(offEdge);
  for (TWinControl* c : offEdge) {
    std::vector<TWinControl*> gone{c};
    c->GetTabOrderList(gone);
    for (TWinControl* g : gone) List.erase(std::remove(List.begin(), List.end(), g), List.end());
  }
}

void TDKCustomToolbar::InitiateAction() {
  TDKCustomDockableWindow::InitiateAction();
  if (updateActions_ && view_) view_->UpdateItemActions();
}

// ---- Mouse and keys

void TDKCustomToolbar::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (Button == mbLeft && !ComponentState().Contains(csDesigning)) {
    TPoint p = ClientToScreen(TPoint{X, Y});
    view_->TrackMouse(&p, true);
    TDKItemViewer* v = view_->Selected();
    if (v && !v->Item()->HasStyle(dksfPassClicks)) {
      ignoreMouseLeave_ = true;
      try {
        view_->RunMenuLoop(mloPressed);
      } catch (...) {
        ignoreMouseLeave_ = false;
        throw;
      }
      ignoreMouseLeave_ = false;
      return;
    }
  }
  TDKCustomDockableWindow::MouseDown(Button, Shift, X, Y);
}

void TDKCustomToolbar::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  TDKCustomDockableWindow::MouseMove(Shift, X, Y);
  if (ComponentState().Contains(csDesigning) || !view_) return;
  TPoint p = ClientToScreen(TPoint{X, Y});
  view_->TrackMouse(&p, true);
  TDKItemViewer* v = view_->Selected();
  if (v && !v->Item()->HasOption(dkoLongHintInMenuOnly)) SetHint(v->Item()->Hint());
  else SetHint("");
  if (v) v->MouseMove(X - v->BoundsRect.Left, Y - v->BoundsRect.Top);
  RequestMouseTracking(Handle(), TME_LEAVE);
}

void TDKCustomToolbar::MouseLeft() {
  if (!view_) return;
  if (GetCapture() == Handle()) return;
  view_->TrackMouse(nullptr, false);
}

bool TDKCustomToolbar::KeyboardMenuEntry(uint32_t Key, bool EnabledOnly) {
  view_->ShowAccelerators(true);
  bool found = false;
  bool result = false;
  if (Key == 0) {
    TDKItemViewer* v = view_->FirstViewerForSelection();
    if (v) {
      found = true;
      view_->SetSelected(v);
      view_->RunMenuLoop(0);
      result = true;
    }
  } else {
    bool unique = false;
    TDKItemViewer* v = view_->FindViewerForKey(nullptr, Key, unique, EnabledOnly);
    if (v && v->Item()->Enabled()) {
      found = true;
      if (unique) {
        view_->SetSelected(v);
        view_->RunMenuLoop(mloExecute);
        result = true;
      } else if (menuBar_) {
        view_->SetSelected(v);
        view_->RunMenuLoop(0);
        result = true;
      }
    }
  }
  if (found && view_) view_->ShowAccelerators(false);
  return result;
}

void TDKCustomToolbar::Dispatch(TMessage& Message) {
  if (!view_) {
    TDKCustomDockableWindow::Dispatch(Message);
    return;
  }
  switch (Message.Msg) {
    case WM_MOUSELEAVE:
      TDKCustomDockableWindow::Dispatch(Message);
      if (!ignoreMouseLeave_) MouseLeft();
      return;
    case CM_MOUSELEAVE:
      TDKCustomDockableWindow::Dispatch(Message);
      if (!ignoreMouseLeave_) MouseLeft();
      return;
    case WM_NCMOUSEMOVE:
      TDKCustomDockableWindow::Dispatch(Message);
      MouseLeft();
      SetHint("");
      return;
    case CM_HINTSHOW: {
      auto* info = reinterpret_cast<THintInfo*>(Message.LParam);
      TDKItemViewer* v = info ? view_->ViewerAtPoint(info->CursorPos) : nullptr;
      // 0 lets the hint show.
      Message.Result = v && v->FillHintInfo(*info) ? 0 : 1;
      return;
    }
    case CM_SHOWHINTCHANGED:
    case CM_PARENTSHOWHINTCHANGED:
      TDKCustomDockableWindow::Dispatch(Message);
      view_->SetStyle(ShowHint() ? TDKViewStyleFlags(view_->Style() | vsyShowHints)
                                 : TDKViewStyleFlags(view_->Style() & ~vsyShowHints));
      return;
    case CM_COLORCHANGED:
      TDKCustomDockableWindow::Dispatch(Message);
      if (view_) view_->SetBackgroundColor(Color());
      return;
    case CM_FONTCHANGED:
      TDKCustomDockableWindow::Dispatch(Message);
      if (!systemFont_ && view_) Rearrange();
      return;
    case CM_CONTROLLISTCHANGE:
      TDKCustomDockableWindow::Dispatch(Message);
      ControlListChanged(reinterpret_cast<TControl*>(Message.WParam), Message.LParam != 0);
      return;
    case CM_DIALOGCHAR:
      // Dialog characters reach a toolbar as Alt+letter only: a plain
      // letter typed into a control that does not take characters (the
      // image view) must not click a button that shows no accelerator cue.
      if (!menuBar_ && Enabled() && Showing() && Message.WParam != 0 &&
          KeyDataToShiftState(Message.LParam).Contains(ssAlt)) {
        if (KeyboardMenuEntry(uint32_t(Message.WParam), true)) {
          Message.Result = 1;
          return;
        }
      }
      break;
    case CM_DIALOGKEY:
      if (menuBar_ && Message.WParam == VK_MENU) view_->ShowAccelerators(true);
      break;
    case WM_SYSCOMMAND:
      if ((Message.WParam & 0xFFF0) == SC_KEYMENU && menuBar_ && Enabled() && Showing() && Message.LParam != ' ' &&
          !GetCapture()) {
        uint32_t key = uint32_t(Message.LParam);
        if (!KeyboardMenuEntry(key, false) && key != '-') MessageBeep(0);
        Message.Result = 1;
        return;
      }
      break;
    case WM_SETCURSOR:
      if (!ComponentState().Contains(csDesigning) && reinterpret_cast<HWND>(Message.WParam) == Handle() &&
          LOWORD(Message.LParam) == HTCLIENT) {
        TPoint p;
        GetCursorPos(&p);
        view_->TrackMouse(&p, true);
        if (TDKItemViewer* v = view_->Selected()) {
          HCURSOR c = nullptr;
          v->GetCursorAt(v->ScreenToViewer(p), c);
          if (c) {
            ::SetCursor(c);
            Message.Result = 1;
            return;
          }
        }
      }
      break;
    case WM_SETTINGCHANGE:
      TDKCustomDockableWindow::Dispatch(Message);
      if (Message.WParam == kSetNonClientMetrics) {
        DKRecreateItemFont();
        Rearrange();
      }
      return;
    default: break;
  }
  TDKCustomDockableWindow::Dispatch(Message);
}

// ---- Floating size steps

std::vector<TSize> TDKCustomToolbar::ListSizeSteps() {
  std::vector<TSize> steps;
  std::vector<int32_t> lineCounts;
  int32_t saved = floatWrapWidth_;
  auto measure = [&](int32_t wrap, int32_t& lines) {
    TSize s{0, 0}, natural{0, 0};
    lines = 1;
    view_->ComputeLayout(false, vorFloating, lines, s, natural, kChevronExtent, 0, wrap);
    return s;
  };
  int32_t lines = 1;
  floatWrapWidth_ = 0;
  TSize s0 = measure(0, lines);
  steps.push_back(s0);
  lineCounts.push_back(1);
  TRect margins = view_->GetViewMargins(vorFloating);
  int32_t lowest = margins.Left + margins.Right;
  for (int32_t w = s0.cx - 1; w >= lowest;) {
    TSize s = measure(w, lines);
    if (w < s.cx) break;
    if (w == s.cx) {
      if (lines == lineCounts.back()) {
        steps.back() = s;
      } else {
        steps.push_back(s);
        lineCounts.push_back(lines);
      }
      --w;
    } else {
      w = s.cx;
    }
  }
  floatWrapWidth_ = saved;
  return steps;
}

void TDKCustomToolbar::SizingStarted(TDKSizeHandle Handle) {
  TDKFloatingWindowParent* host = HostWindow();
  if (!host) return;
  auto st = std::make_unique<TSizeSteps>();
  st->Handle = Handle;
  st->Start = host->BoundsRect();
  TSize tl, br;
  FloatingFrameMetrics(tl, br);
  st->ClientOffset = tl.cx;
  st->Candidate = floatWrapWidth_;
  std::vector<TSize> raw = ListSizeSteps();
  struct TEntry {
    TSize Size;
    int32_t Wrap;
  };
  std::vector<TEntry> entries;
  for (size_t i = 0; i < raw.size(); ++i)
    entries.push_back({AddFloatingFrame(raw[i]), i == 0 ? 0 : raw[i].cx});
  bool byHeight = Handle == shTop || Handle == shBottom;
  std::stable_sort(entries.begin(), entries.end(), [&](const TEntry& a, const TEntry& b) {
    return byHeight ? a.Size.cy > b.Size.cy : a.Size.cx > b.Size.cx;
  });
  for (const TEntry& e : entries) {
    st->Steps.push_back(e.Size);
    st->Wraps.push_back(e.Wrap);
  }
  // Near the current size the snap distance shrinks so that a neighbouring
  // step can still be reached.
  auto dim = [&](const TSize& s) { return byHeight ? s.cy : s.cx; };
  for (size_t i = 0; i < st->Steps.size(); ++i) {
    if (st->Steps[i].cx != st->Start.Width() || st->Steps[i].cy != st->Start.Height()) continue;
    if (i > 0) st->Snap = std::min(st->Snap, std::abs(dim(st->Steps[i - 1]) - dim(st->Steps[i])) - 1);
    if (i + 1 < st->Steps.size())
      st->Snap = std::min(st->Snap, std::abs(dim(st->Steps[i]) - dim(st->Steps[i + 1])) - 1);
    st->Snap = std::max(st->Snap, 0);
  }
  sizeSteps_ = std::move(st);
}

void TDKCustomToolbar::SizingTrack(TRect& Rect, const TRect& StartRect) {
  TSizeSteps* st = sizeSteps_.get();
  if (!st || st->Steps.empty()) return;
  TPoint p;
  GetCursorPos(&p);
  bool byHeight = st->Handle == shTop || st->Handle == shBottom;
  int32_t startSize = byHeight ? st->Start.Height() : st->Start.Width();
  int32_t wanted = 0;
  switch (st->Handle) {
    case shLeft: wanted = st->Start.Width() - (p.X - st->Start.Left); break;
    case shTop: wanted = st->Start.Height() - (p.Y - st->Start.Top); break;
    case shRight: wanted = p.X - st->Start.Left; break;
    case shBottom: wanted = p.Y - st->Start.Top; break;
    default: return;
  }
  bool smaller = wanted < startSize;
  if (!st->Changed || smaller != st->Smaller) {
    st->Changed = false;
    st->Smaller = smaller;
    if (wanted >= startSize - st->Snap && wanted < startSize + st->Snap) wanted = startSize;
  }
  auto dim = [&](const TSize& s) { return byHeight ? s.cy : s.cx; };
  int32_t n = int32_t(st->Steps.size());
  int32_t pick = -1;
  if (wanted > startSize) {
    // From the largest down: the smallest step larger than wanted.
    for (int32_t i = 0; i < n; ++i)
      if (i == 0 || dim(st->Steps[size_t(i)]) > wanted) pick = i;
  } else {
    // From the smallest up: the largest step not larger than wanted.
    for (int32_t i = n - 1; i >= 0; --i)
      if (i == n - 1 || dim(st->Steps[size_t(i)]) <= wanted) pick = i;
  }
  if (pick < 0) return;
  const TSize& s = st->Steps[size_t(pick)];
  Rect = StartRect;
  switch (st->Handle) {
    case shRight: Rect.Right = Rect.Left + s.cx; Rect.Bottom = Rect.Top + s.cy; break;
    case shLeft: Rect.Left = Rect.Right - s.cx; Rect.Bottom = Rect.Top + s.cy; break;
    case shBottom: Rect.Bottom = Rect.Top + s.cy; Rect.Right = Rect.Left + s.cx; break;
    case shTop: Rect.Top = Rect.Bottom - s.cy; Rect.Right = Rect.Left + s.cx; break;
    default: break;
  }
  int32_t wrap = st->Wraps[size_t(pick)];
  st->Candidate = wrap == 0 ? 0 : s.cx - 2 * st->ClientOffset;
  if (!EqualRect(&Rect, &StartRect)) st->Changed = true;
}

void TDKCustomToolbar::SizingApply() {
  if (sizeSteps_) SetFloatWrapWidth(sizeSteps_->Candidate);
}

void TDKCustomToolbar::SizingEnded() { sizeSteps_.reset(); }

void TDKCustomToolbar::LoadPlacementExtras(const TDKPlacementValues& Values) {
  SetFloatWrapWidth(std::max(0, Values.ReadInteger("FloatWrapWidth", floatWrapWidth_)));
}

void TDKCustomToolbar::SavePlacementExtras(const TDKPlacementValues& Values) {
  Values.WriteInteger("FloatWrapWidth", floatWrapWidth_);
}
