#include "toolbar/TTBKToolbar.h"

#include "platform/DC.h"
#include "platform/Draw.h"
#include "platform/Region.h"
#include "platform/Window.h"
#include "toolbar/DKCommon.h"
#include "toolbar/TBKDrawUtils.h"
#include "toolbar/TBKThemedControls.h"
#include "toolbar/TDKFloatingWindow.h"
#include "toolbar/TTBKDefaultTheme.h"
#include "toolbar/TTBKDock.h"
#include "toolbar/TTBKFloatingWindow.h"
#include "toolbar/TTBKItem.h"
#include "ui/TCanvas.h"

RTL_DEFINE_CLASS(TTBKToolbarView, TDKToolbarView)
RTL_DEFINE_CLASS(TTBKToolbar, TDKCustomToolbar)

TRect TTBKToolbarView::GetViewMargins(TDKLayoutOrientation Orientation) {
  uint32_t kind = QueryComponentViewKind(Window());
  if (kind & (tbkvToolbar | tbkvDockPanel)) {
    if (Orientation == vorFloating)
      kind |= tbkvFloating;
    else
      kind &= ~uint32_t(tbkvFloating);
  }
  TTBKPartMargins m;
  if (CurrentTheme) CurrentTheme->GetViewPadding(kind, m);
  return TRect{m.LeftWidth, m.TopHeight, m.RightWidth, m.BottomHeight};
}

TTBKToolbar::TTBKToolbar(TComponent* AOwner)
    : TDKCustomToolbar(
          AOwner, [](TDKCustomToolbar* t) -> TDKChevronItem* { return new TTBKChevronItem(t, t); },
          [](TDKCustomToolbar* t, TDKCustomItem* root, bool priority) -> TDKToolbarView* {
            return new TTBKToolbarView(t, root, priority);
          }) {
  AddThemeNotification(this);
  effectiveColor_ = Color();
  SetColor(clNone);
  ControlStyle().Exclude(csOpaque);
  SetDblClickUndock(false);
}

TTBKToolbar::~TTBKToolbar() { RemoveThemeNotification(this); }

uint32_t TTBKToolbar::ViewKind() {
  uint32_t k = tbkvToolbar | (MenuBar() ? tbkvMenuBar : tbkvNormalToolbar);
  if (IsFloating()) k |= tbkvFloating;
  if (Resizable()) k |= tbkvResizable;
  if (itemTransparency_ == itDisable || (itemTransparency_ == itAuto && PlacedOnForm())) k |= tbkvOpaqueItems;
  return k;
}

void TTBKToolbar::SetItemTransparency(TTBKItemTransparency v) {
  if (itemTransparency_ == v) return;
  itemTransparency_ = v;
  Invalidate();
}

void TTBKToolbar::SetSnapDistance(int32_t v) {
  if (v < 0) v = 0;
  snapDistance_ = v;
  if (auto* host = dynamic_cast<TTBKFloatingWindowParent*>(HostWindow())) host->SetSnapDistance(v);
}

void TTBKToolbar::UpdateEffectiveColor() {
  TColor c = Color();
  if (c == clNone) {
    if (PlacedOnForm() && Parent())
      c = GetParentColor(Parent());
    else
      c = CurrentTheme ? CurrentTheme->GetViewBackColor(ViewKind()) : clBtnFace;
  }
  effectiveColor_ = c;
  if (View()) View()->SetBackgroundColor(c);
}

void TTBKToolbar::BroadcastParentColor() {
  for (int32_t i = 0; i < ControlCount(); ++i) {
    TMessage m{CM_PARENTCOLORCHANGED, 1, LPARAM(effectiveColor_), 0};
    Controls(i)->Dispatch(m);
  }
}

void TTBKToolbar::FillToolbarInfo(TTBKToolbarPaintInfo& Info) {
  Info = TTBKToolbarPaintInfo{};
  Info.WindowHandle = HandleAllocated() ? Handle() : nullptr;
  Info.ViewKind = QueryComponentViewKind(this);
  TDKDock* dock = CurrentDock();
  Info.Vertical = dock && dock->IsVertical();
  Info.AllowDrag = dock && dock->AllowDrag();
  Info.DragHandleStyle = DragHandleStyle();
  Info.ClientWidth = ClientWidth();
  Info.ClientHeight = ClientHeight();
  if (Info.AllowDrag && CloseButtonWhenDocked())
    Info.CloseButtonState = ClosePressed() ? 5 : CloseHot() ? 3 : 1;
  Info.BorderStyle = BorderStyle() == bsSingle ? 1 : 0;
  Info.BorderSize = CurrentTheme ? CurrentTheme->GetViewBorderSize(Info.ViewKind) : TSize{2, 2};
  Info.EffectiveColor = effectiveColor_;
}

void TTBKToolbar::RenderNCArea(bool ToDC, HDC DC, HRGN Clip) {
  if (!CurrentDock() || !HandleAllocated() || !CurrentTheme) return;
  TTBKToolbarPaintInfo info;
  FillToolbarInfo(info);
  TRect wr{0, 0, Width(), Height()};
  TNonClientPaintDC dc(Handle(), ToDC, DC, Clip);
  int saved = SaveDC(dc);
  if (!ToDC) {
    // The client area stays as the client painted it.
    TRect in{info.BorderSize.cx, info.BorderSize.cy, wr.Right - info.BorderSize.cx, wr.Bottom - info.BorderSize.cy};
    int32_t handle = info.AllowDrag ? DockDragHandleSize(info.DragHandleStyle, info.CloseButtonState != 0) : 0;
    if (info.Vertical)
      in.Top += handle;
    else
      in.Left += handle;
    ExcludeClipRect(dc, in.Left, in.Top, in.Right, in.Bottom);
  }
  TCanvas canvas;
  canvas.SetHandle(dc);
  // The brush the border is drawn on.
  TDKDock* dock = CurrentDock();
  canvas.Brush()->SetColor(effectiveColor_);
  canvas.Brush()->SetStyle(bsSolid);
  if (!CurrentTheme->GetBoolMetric(tbkbmColorNCArea)) {
    if (dock->UsesBackground()) {
      TRect dr = dock->ClientRect();
      OffsetRect(&dr, -Left(), -Top());
      dock->DrawDockBackground(dc, dr);
      if (Color() == clNone && dock->BackgroundOnToolbars()) canvas.Brush()->SetStyle(bsClear);
    } else {
      FillRectColor(dc, wr, GetParentColor(dock));
    }
  }
  // The theme draws the border over it.
  CurrentTheme->DrawToolbarBorder(&canvas, wr, info);
  canvas.SetHandle(nullptr);
  RestoreDC(dc, saved);
}

TSize TTBKToolbar::FloatingFrameSize() {
  return CurrentTheme ? CurrentTheme->GetViewBorderSize(ViewKind() | tbkvFloating)
                      : TDKCustomToolbar::FloatingFrameSize();
}

TDKFloatingWindowParent* TTBKToolbar::MakeFloatParent() {
  auto* p = new TTBKFloatingWindowParent(nullptr);
  p->SetSnapDistance(snapDistance_);
  return p;
}

void TTBKToolbar::SetParent(TWinControl* AParent) {
  TDKCustomToolbar::SetParent(AParent);
  if (auto* host = dynamic_cast<TTBKFloatingWindowParent*>(AParent)) host->SetSnapDistance(snapDistance_);
}

TRect TTBKToolbar::ItemRect(TDKCustomItem* Item) {
  View()->EnsureLayout();
  for (int32_t i = 0; i < View()->ViewerCount(); ++i) {
    TDKItemViewer* v = View()->Viewers(i);
    if (v->Item() == Item) return v->Shown ? v->BoundsRect : TRect{0, 0, 0, 0};
  }
  return TRect{0, 0, 0, 0};
}

void TTBKToolbar::EraseBackground(HDC DC) {
  bool done = false;
  TRect client = ClientRect();
  TRect dockRect{0, 0, 0, 0};
  TDKDock* dock = CurrentDock();
  if (dock) {
    // The dock's client rectangle in this toolbar's client coordinates.
    dockRect = dock->ClientRect();
    TPoint o = ClientToScreen(TPoint{0, 0});
    TPoint d = dock->ClientToScreen(TPoint{0, 0});
    OffsetRect(&dockRect, d.X - o.X, d.Y - o.Y);
  }
  if (Color() == clNone) {
    if (dock && dock->UsesBackground() && dock->BackgroundOnToolbars() && CurrentTheme &&
        !CurrentTheme->GetBoolMetric(tbkbmNoDockBackgroundImage)) {
      dock->DrawDockBackground(DC, dockRect);
      done = true;
    } else if (PlacedOnForm()) {
      DrawParentBackground(this, DC, client);
      done = true;
    }
  }
  if (!CurrentTheme) return;
  TCanvas canvas;
  canvas.SetHandle(DC);
  CurrentTheme->DrawBackground(&canvas, dockRect, client, client, effectiveColor_, done, ViewKind());
  canvas.SetHandle(nullptr);
}

void TTBKToolbar::RepaintViewerBackgrounds() {
  if (!HandleAllocated() || !View()) return;
  for (int32_t i = 0; i < View()->ViewerCount(); ++i) {
    TDKItemViewer* v = View()->Viewers(i);
    if (v->Shown && !IsRectEmpty(&v->BoundsRect) && !dynamic_cast<TDKControlItem*>(v->Item()))
      View()->InvalidateViewerRect(v);
  }
  UpdateWindow(Handle());
  RedrawWindow(Handle(), nullptr, RDW_INVALIDATE | RDW_ERASE);
  for (int32_t i = 0; i < View()->ViewerCount(); ++i) {
    TDKItemViewer* v = View()->Viewers(i);
    if (v->Shown && !IsRectEmpty(&v->BoundsRect)) ValidateRect(Handle(), &v->BoundsRect);
  }
}

void TTBKToolbar::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case TBKM_QUERYVIEWKIND:
      Message.Result = LRESULT(ViewKind());
      return;
    case TBKM_QUERYPARENTCOLOR:
      Message.WParam = WPARAM(uint32_t(effectiveColor_));
      Message.Result = 1;
      return;
    case TBKM_THEMECHANGED:
      switch (Message.WParam) {
        case tbknBeginChange:
          if (View() && !themeUpdating_) View()->LockLayout();
          themeUpdating_ = true;
          break;
        case tbknEndChange:
          // A toolbar made during the change sees its end without its begin.
          if (View() && themeUpdating_) View()->UnlockLayout();
          themeUpdating_ = false;
          UpdateEffectiveColor();
          if (IsFloating() && HostWindow())
            RecreateFrame(HostWindow());
          else
            RecreateFrame(this);
          Invalidate();
          Rearrange();
          BroadcastParentColor();
          break;
        case tbknAppActivated:
        case tbknAppDeactivated:
          if (MenuBar()) Invalidate();
          break;
        default:
          break;
      }
      return;
    case WM_ERASEBKGND:
      EraseBackground(reinterpret_cast<HDC>(Message.WParam));
      Message.Result = 1;
      return;
    case CM_COLORCHANGED:
      UpdateEffectiveColor();
      TDKCustomToolbar::Dispatch(Message);
      if (View()) View()->SetBackgroundColor(effectiveColor_);
      BroadcastParentColor();
      Invalidate();
      return;
    case CM_PARENTCOLORCHANGED:
      if (PlacedOnForm() && Color() == clNone) {
        UpdateEffectiveColor();
        if (!Message.WParam) {
          Message.WParam = 1;
          Message.LParam = LPARAM(effectiveColor_);
        }
      }
      TDKCustomToolbar::Dispatch(Message);
      Invalidate();
      return;
    case CM_CONTROLLISTCHANGE:
      TDKCustomToolbar::Dispatch(Message);
      if (Message.LParam && Color() == clNone)
        if (auto* c = reinterpret_cast<TControl*>(Message.WParam)) {
          TMessage m{CM_PARENTCOLORCHANGED, 1, LPARAM(effectiveColor_), 0};
          c->Dispatch(m);
        }
      return;
    case WM_SIZE: {
      TDKCustomToolbar::Dispatch(Message);
      auto* dock = dynamic_cast<TTBKDock*>(CurrentDock());
      if (dock && dock->UsesBackground() && dock->BackgroundOnToolbars() && !dock->Sizing()) RepaintViewerBackgrounds();
      return;
    }
    default:
      break;
  }
  TDKCustomToolbar::Dispatch(Message);
}
