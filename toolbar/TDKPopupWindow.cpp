#include "toolbar/TDKPopupWindow.h"

#include <algorithm>
#include <vector>

#include "platform/GdiHolders.h"
#include "platform/Draw.h"
#include "platform/Input.h"
#include "platform/PenBrush.h"
#include "platform/SysInfo.h"
#include "toolbar/DKAnim.h"
#include "toolbar/DKCommon.h"
#include "toolbar/TDKAccessibility.h"
#include "toolbar/TDKCustomItem.h"
#include "toolbar/TDKItemViewer.h"
#include "ui/TApplication.h"
#include "ui/TCanvas.h"
#include "ui/TForm.h"

RTL_DEFINE_CLASS(TDKPopupView, TDKView)
RTL_DEFINE_CLASS(TDKPopupWindow, TCustomControl)

namespace {
std::vector<TDKPopupWindow*> pendingFrees;
}  // namespace

void TDKPopupView::ApplyContentSize(int32_t Width, int32_t Height) {
  auto* w = dynamic_cast<TDKPopupWindow*>(Window());
  if (!w) return;
  TSize nc = w->GetNCSize();
  w->SetBounds(w->Left(), w->Top(), Width + 2 * nc.cx, Height + 2 * nc.cy);
}

TFont* TDKPopupView::ItemFont() { return Window() ? Window()->Font() : TDKView::ItemFont(); }

TDKPopupWindow::TDKPopupWindow(TComponent* AOwner, TDKView* ParentView, TDKCustomItem* Item, bool Customizing)
    : TCustomControl(AOwner) {
  SetVisible(false);
  SetBounds(0, 0, 320, 240);
  ControlStyle() -= TControlStyle{csCaptureMouse};
  SetShowHint(true);
  SetColor(clMenu);
  view_ = MakeView(ParentView, Item, Customizing);
  view_->SetState(vstMenuMode, true);
  Font()->Assign(ParentView ? ParentView->ItemFont() : DKItemFont());
  if (ParentView) {
    view_->SetStyle(TDKViewStyleFlags((view_->Style() & ~vsyHideAccels) | (ParentView->Style() & vsyHideAccels)));
    view_->SetState(vstAccelsShown, ParentView->HasState(vstAccelsShown));
  } else {
    view_->SetStyle(view_->Style() | vsyHideAccels);
  }
}

TDKPopupWindow::~TDKPopupWindow() {
  pendingFrees.erase(std::remove(pendingFrees.begin(), pendingFrees.end(), this), pendingFrees.end());
  if (view_) view_->ClosePopups();
  if (HandleAllocated()) DestroyHandle();
  view_->Free();
  view_ = nullptr;
}

TDKPopupWindow* TDKPopupWindow::Make(TComponent* Owner, TDKView* ParentView, TDKCustomItem* Item, bool Customizing) {
  return new TDKPopupWindow(Owner, ParentView, Item, Customizing);
}

TDKPopupWindowClass TDKCustomItem::PopupWindowClass() { return &TDKPopupWindow::Make; }

TDKView* TDKPopupWindow::MakeView(TDKView* ParentView, TDKCustomItem* Item, bool Customizing) {
  return new TDKPopupView(nullptr, ParentView, Item, this, false, Customizing, false);
}

void TDKPopupWindow::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.Style = WS_POPUP;
  Params.ExStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW;
  Params.ClassStyle |= CS_SAVEBITS;
  if (IsXPOrLater()) Params.ClassStyle |= CS_DROPSHADOW;
  Params.WndParent = (Application && Application->MainForm() && Application->MainForm()->HandleAllocated())
                         ? Application->MainForm()->Handle()
                         : nullptr;
}

void TDKPopupWindow::CreateWnd() {
  TCustomControl::CreateWnd();
  if (view_ && !view_->ParentView()) {
    // A top-level popup menu shows the underlines unless the keyboard cues
    // are off.
    view_->ShowAccelerators(false);
  }
}

void TDKPopupWindow::DestroyWnd() {
  if (HandleAllocated()) FinishPopupAnimation(Handle());
  if (view_) view_->DisarmAllTimers();
  if (HandleAllocated()) RaiseAccessibilityEvent(EVENT_SYSTEM_MENUPOPUPEND, Handle(), OBJID_CLIENT, CHILDID_SELF);
  TCustomControl::DestroyWnd();
}

void TDKPopupWindow::CMShowingChanged(TMessage&) {
  if (!HandleAllocated()) return;
  bool show = Showing();
  HWND h = Handle();
  if (show) {
    TDKView* parent = view_ ? view_->ParentView() : nullptr;
    BOOL animate = FALSE;
    SystemParametersInfo(SPI_GETMENUANIMATION, 0, &animate, 0);
    if ((!parent || !parent->HasState(vstChildJustClosed)) && view_ && !view_->Selected() && !IsWindowVisible(h) &&
        animate) {
      BOOL fade = FALSE;
      SystemParametersInfo(SPI_GETMENUFADE, 0, &fade, 0);
      if ((fade || animationDirection_ != 0) && SendMessage(h, WM_DK_POPUPSHOWING, 1, 0) == 0) {
        StartPopupAnimation(h, 150, fade != FALSE, animationDirection_);
        return;
      }
    }
  } else {
    FinishPopupAnimation(h);
  }
  SetWindowPos(h, nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | (show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
  if (show) PostMessage(h, WM_DK_POPUPSHOWING, 3, 0);
}

void TDKPopupWindow::WndProc(TMessage& Message) {
  ++inWndProc_;
  struct TLeave {
    int32_t& n;
    ~TLeave() { --n; }
  } leave{inWndProc_};
  switch (Message.Msg) {
    case WM_GETOBJECT:
      Message.Result = 0;
      return;
    case WM_CLOSE:
      return;  // a popup cannot be closed by the system's close command
    case CM_HINTSHOW: {
      // The hint of the highlighted entry, valid while the pointer stays on it.
      auto* info = reinterpret_cast<THintInfo*>(Message.LParam);
      TDKItemViewer* v = view_ ? view_->Selected() : nullptr;
      // 0 lets the hint show.
      Message.Result = info && v && v->FillHintInfo(*info) ? 0 : 1;
      return;
    }
    case MsgAnimationStep:
      HandleAnimationStep(Message.LParam);
      return;
    case MsgAnimationFinished:
      PostMessage(Handle(), WM_DK_POPUPSHOWING, 2, 0);
      return;
    case WM_ERASEBKGND:
    case WM_PAINT:
      FinishPopupAnimation(Handle());
      break;
    case WM_DESTROY:
      // However the window goes, its animation goes first.
      FinishPopupAnimation(Handle());
      break;
    case WM_NCCALCSIZE: {
      auto* p = reinterpret_cast<NCCALCSIZE_PARAMS*>(Message.LParam);
      TSize nc = GetNCSize();
      InflateRect(&p->rgrc[0], -nc.cx, -nc.cy);
      Message.Result = 0;
      return;
    }
    case WM_NCPAINT: {
      TWindowDC dc = TWindowDC::Whole(Handle());
      PaintBorder(dc);
      Message.Result = 0;
      return;
    }
    case WM_PRINT:
      Message.Result = ServePrintMessage(
          Handle(), Message.WParam, Message.LParam,
          [this](HWND, HDC dc, void*) { PaintBorder(dc); }, nullptr);
      return;
    case WM_PRINTCLIENT:
      ServePrintClientMessage(this, Message.WParam);
      return;
    default:
      break;
  }
  TCustomControl::WndProc(Message);
}

void TDKPopupWindow::PaintBorder(HDC DC) {
  TRect r;
  GetWindowRect(Handle(), r);
  OffsetRect(&r, -r.Left, -r.Top);
  if (FlatMenusEnabled()) {
    TOwnedGdiObject<HBRUSH> shadow(CreateSolidBrush(GetSysColor(COLOR_BTNSHADOW)));
    FrameRect(DC, &r, shadow.get());
    TOwnedGdiObject<HBRUSH> own(CreateSolidBrush(ColorToRGB(Color())));
    for (int i = 0; i < 2; ++i) {
      InflateRect(&r, -1, -1);
      FrameRect(DC, &r, own.get());
    }
  } else {
    DrawEdge(DC, &r, EDGE_RAISED, BF_RECT);
    InflateRect(&r, -2, -2);
    TOwnedGdiObject<HBRUSH> face(CreateSolidBrush(GetSysColor(COLOR_BTNFACE)));
    FrameRect(DC, &r, face.get());
  }
}

void TDKPopupWindow::Paint() {
  Canvas()->Brush()->SetColor(Color());
  Canvas()->FillRect(ClientRect());
  view_->PaintAllViewers(Canvas());
  PaintScrollArrows();
}

void TDKPopupWindow::PaintScrollArrows() {
  TRect c = ClientRect();
  auto arrow = [&](TRect band, bool up) {
    int32_t cx = (band.Left + band.Right) / 2;
    int32_t cy = (band.Top + band.Bottom) / 2 - 1;
    std::vector<TPoint> pts = up ? std::vector<TPoint>{{cx - 3, cy + 3}, {cx + 3, cy + 3}, {cx, cy}}
                                 : std::vector<TPoint>{{cx - 3, cy}, {cx + 3, cy}, {cx, cy + 3}};
    Canvas()->Pen()->SetColor(clMenuText);
    Canvas()->Brush()->SetColor(clMenuText);
    Canvas()->Polygon(pts);
  };
  if (view_->ShowUpArrow()) arrow(TRect{0, 0, c.Right, kScrollArrowBand}, true);
  if (view_->ShowDownArrow()) arrow(TRect{0, c.Bottom - kScrollArrowBand, c.Right, c.Bottom}, false);
}

void FreePopupWindow(TDKPopupWindow* Window) {
  if (!Window) return;
  if (Window->InWindowProcedure()) {
    if (Window->HandleAllocated()) ShowWindow(Window->Handle(), SW_HIDE);
    if (std::find(pendingFrees.begin(), pendingFrees.end(), Window) == pendingFrees.end())
      pendingFrees.push_back(Window);
    PostDeferredPopupFrees();
    return;
  }
  Window->Free();
}

void FlushDeferredPopupFrees() {
  std::vector<TDKPopupWindow*> list;
  for (TDKPopupWindow* w : pendingFrees)
    if (!w->InWindowProcedure()) list.push_back(w);
  for (TDKPopupWindow* w : list) w->Free();
}

// ---- Placement

int32_t CountCoveredViewers(TDKView* ParentView, const TRect& R) {
  if (!ParentView) return 0;
  int32_t n = 0;
  TPoint origin{0, 0};
  if (ParentView->Window() && ParentView->Window()->HandleAllocated()) origin = ParentView->Window()->ClientOrigin();
  for (int32_t i = 0; i < ParentView->ViewerCount(); ++i) {
    TDKItemViewer* v = ParentView->Viewers(i);
    if (!v->Shown) continue;
    TRect b = v->BoundsRect;
    OffsetRect(&b, origin.X, origin.Y);
    if (b.Left >= R.Left && b.Top >= R.Top && b.Right <= R.Right && b.Bottom <= R.Bottom) ++n;
  }
  return n;
}

namespace {
bool Overlaps(const TRect& a, const TRect& b) {
  return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}
}  // namespace

void DKPlacePopup(TDKView* ParentView, TDKView* PopupView, TDKPopupPlacement& P) {
  const bool vertical = ParentView && ParentView->Orientation() == vorVertical;
  const TRect& M = P.MonitorRect;
  const TRect& PR = P.ParentItemRect;
  auto popupRect = [&](int32_t x, int32_t y) { return TRect{x, y, x + P.W, y + P.H}; };
  // A popup running off the monitor's bottom moves up, above its item when it hangs from one.
  if (P.Y + P.H > M.Bottom && !vertical) {
    int32_t top = (P.AsSubmenu ? PR.Bottom + P.NCSizeY : PR.Top) - P.H;
    if (top >= M.Top) P.Y = top;
  }
  if (P.Y + P.H > M.Bottom) P.Y = M.Bottom - P.H;
  if (P.Y < M.Top) P.Y = M.Top;
  if (!P.AsSubmenu) {
    // Across, the popup stays on the monitor; one aligned to a side of its
    // point flips to the other side rather than leave the monitor.
    if (!ParentView && P.Alignment == paRight && P.X < M.Left) P.X += P.W;
    if (P.X + P.W > M.Right) {
      if (ParentView || P.Alignment != paLeft)
        P.X = M.Right - P.W;
      else
        P.X -= P.W;
    }
    if (P.X < M.Left) P.X = M.Left;
    if (!vertical) {
      // Above the item when that covers less of the parent view.
      int32_t above = PR.Top - P.H;
      if (above >= M.Top && above + P.H <= M.Bottom) {
        if (CountCoveredViewers(ParentView, popupRect(P.X, above)) <
                CountCoveredViewers(ParentView, popupRect(P.X, P.Y)) ||
            Overlaps(popupRect(P.X, P.Y), PR))
          P.Y = above;
      }
      if (Overlaps(popupRect(P.X, P.Y), PR)) {
        P.X = PR.Right + P.W > M.Right ? PR.Left - P.W : PR.Right;
        if (P.X < M.Left) P.X = M.Left;
      }
    } else {
      // Right of the item of a vertical toolbar.
      if (PR.Right + P.W <= M.Right) {
        if (CountCoveredViewers(ParentView, popupRect(PR.Right, P.Y)) <
                CountCoveredViewers(ParentView, popupRect(P.X, P.Y)) ||
            Overlaps(popupRect(P.X, P.Y), PR))
          P.X = PR.Right;
      }
      if (Overlaps(popupRect(P.X, P.Y), PR)) {
        P.Y = PR.Bottom + P.H > M.Bottom ? PR.Top - P.H : PR.Bottom;
        if (P.Y < M.Top) P.Y = M.Top;
      }
    }
  } else {
    // Submenus open to the right, or to the left near the right edge and
    // then keep to the left while they fit.
    auto leftHand = [&]() { return (ParentView ? PR.Left + P.NCSizeX : P.X) - P.W; };
    if (P.Opposite || P.X + P.W > M.Right) {
      int32_t left = leftHand();
      if (!P.Opposite) {
        P.X = left;
        if (PopupView) PopupView->SetState(vstOpposite, true);
      } else if (left < M.Left) {
        P.Opposite = false;
        if (P.X + P.W > M.Right) {
          P.X = left;
          if (PopupView) PopupView->SetState(vstOpposite, true);
        }
      } else {
        P.X = left;
        if (PopupView) PopupView->SetState(vstOpposite, true);
      }
    }
    if (P.X < M.Left) P.X = M.Left;
  }
  // The direction the popup would slide in from.
  P.AnimationDir = 0;
  if (P.AsSubmenu) {
    P.AnimationDir = (P.X + P.W / 2 < PR.Left + (PR.Right - PR.Left) / 2) ? padLeft : padRight;
  } else {
    if (P.Y >= PR.Bottom) P.AnimationDir |= padDown;
    if (P.Y + P.H <= PR.Top) P.AnimationDir |= padUp;
    if (P.X + P.W <= PR.Left) P.AnimationDir |= padLeft;
    if (P.X >= PR.Right) P.AnimationDir |= padRight;
  }
}

void TDKCustomItem::PlacePopup(TDKView* ParentView, TDKPopupWindow* Window, TDKPopupPlacement& Placement) {
  DKPlacePopup(ParentView, Window ? Window->View() : nullptr, Placement);
}

TDKPopupWindow* TDKCustomItem::OpenPopupWindow(TDKView* ParentView, TDKItemViewer* ParentViewer,
                                               TPopupAlignment Alignment, TPoint PopupPoint, bool Customizing,
                                               bool SelectFirst, bool PositionAsSubmenu) {
  // The item's popup handlers fill it in before its viewers are made.
  TDKCustomItem* content = ContentItemOf(this);
  if (content != this) content->HandlePopup(this, true);
  HandlePopup(this, false);
  // The window: a chevron popup shows the items of the toolbar it belongs to.
  TDKView* chevronView = GetChevronOwnerView();
  TDKCustomItem* shown = chevronView ? chevronView->SourceItem() : this;
  bool opposite = ParentView && ParentView->HasState(vstOpposite);
  TDKPopupWindow* window = PopupWindowClass()(nullptr, ParentView, shown, Customizing);
  try {
    TDKView* view = window->View();
    // A chevron popup is a toolbar-style view of the hidden items.
    if (chevronView) {
      view->SetChevronParentView(chevronView);
      view->SetIsToolbarStyle(true);
      view->SetStyle(TDKViewStyleFlags((view->Style() & ~vsyShowHints) | (chevronView->Style() & vsyShowHints)));
      window->SetColor(clBtnFace);
    }
    // The parent item's screen rectangle and the monitor the popup opens on.
    TRect parentRect, monitor;
    if (ParentView) {
      ParentView->EnsureLayout();
      parentRect = ParentViewer ? ParentViewer->BoundsRect : TRect{0, 0, 0, 0};
      if (ParentView->Window() && ParentView->Window()->HandleAllocated()) {
        TPoint o = ParentView->Window()->ClientOrigin();
        OffsetRect(&parentRect, o.X, o.Y);
      }
      monitor = ParentView->MonitorRect();
      if (IsRectEmpty(&monitor)) monitor = MonitorRectOfRect(parentRect, false);
    } else {
      parentRect = TRect{PopupPoint.X, PopupPoint.Y, PopupPoint.X, PopupPoint.Y};
      monitor = MonitorRectOfPoint(PopupPoint, false);
    }
    // A chevron popup wraps at the monitor's width, a menu scrolls past its height.
    view->SetMonitorRect(monitor);
    TSize nc = window->GetNCSize();
    if (chevronView)
      view->SetWrapLimit(monitor.Width() - 2 * nc.cx);
    else
      view->SetHeightLimit(monitor.Height() - 2 * nc.cy);
    // The first selection, then the size the layout gives.
    if (SelectFirst) view->SetSelected(view->FirstViewerForSelection());
    view->Relayout();
    int32_t W = window->Width(), H = window->Height();
    // The proposed position: the given point without a parent view, beside
    // the item for a submenu, under (or beside, on a vertical bar) a toolbar item.
    int32_t X, Y;
    if (!ParentView) {
      X = PopupPoint.X;
      Y = PopupPoint.Y;
      if (Alignment == paRight) X -= W;
      if (Alignment == paCenter) X -= W / 2;
    } else if (PositionAsSubmenu) {
      X = parentRect.Right - nc.cx;
      Y = parentRect.Top - nc.cy;
    } else if (chevronView) {
      if (chevronView->Orientation() == vorVertical) {
        X = parentRect.Left - W;
        Y = parentRect.Top;
      } else {
        X = parentRect.Right - W;
        Y = parentRect.Bottom;
      }
    } else if (ParentView->Orientation() == vorVertical) {
      X = parentRect.Left - W;
      Y = parentRect.Top;
    } else {
      X = GetSystemMetrics(SM_MENUDROPALIGNMENT) ? parentRect.Right - W : parentRect.Left;
      Y = parentRect.Bottom;
    }
    // Placement keeps the popup on the monitor and picks its slide direction.
    TDKPopupPlacement p;
    p.AsSubmenu = PositionAsSubmenu;
    p.Alignment = Alignment;
    p.Opposite = opposite;
    p.MonitorRect = monitor;
    p.ParentItemRect = parentRect;
    p.NCSizeX = nc.cx;
    p.NCSizeY = nc.cy;
    p.X = X;
    p.Y = Y;
    p.W = W;
    p.H = H;
    p.AnimationDir = 0;
    p.PlaySound = true;
    PlacePopup(ParentView, window, p);
    window->SetAnimationDirection(p.AnimationDir);
    window->SetBounds(p.X, p.Y, p.W, p.H);
    // The parent view learns its open popup; a toolbar repaints the item as dropped down at once,
    // before the popup covers the screen under it.
    if (ParentView) {
      ParentView->SetOpenPopup(ParentViewer, view, window);
      if (ParentView->IsToolbar()) {
        ParentView->SetState(vstDropDownMode, true);
        ParentView->InvalidateViewerRect(ParentViewer);
        if (ParentView->Window() && ParentView->Window()->HandleAllocated()) ParentView->Window()->Update();
      }
    }
    // Showing; there is no sound scheme, so no "MenuPopup" sound.
    view->SetState(vstFirstPaint, true);
    window->Show();
    // Screen readers learn that a menu opened and which line is selected.
    RaiseAccessibilityEvent(EVENT_SYSTEM_MENUPOPUPSTART, window->Handle(), OBJID_CLIENT, CHILDID_SELF);
    if (view->Selected()) view->AnnounceFocus();
    return window;
  } catch (...) {
    if (ParentView && ParentView->OpenViewerWindow() == window) ParentView->SetOpenPopup(nullptr, nullptr, nullptr);
    window->Free();
    throw;
  }
}
