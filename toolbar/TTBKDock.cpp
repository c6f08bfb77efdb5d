#include "toolbar/TTBKDock.h"

#include "platform/Window.h"
#include "toolbar/TBKDrawUtils.h"
#include "toolbar/TBKThemedControls.h"
#include "toolbar/TTBKTheme.h"
#include "toolbar/TTBKToolbar.h"
#include "ui/TCanvas.h"

RTL_DEFINE_CLASS(TTBKDock, TDKDock)

TTBKDock::TTBKDock(TComponent* AOwner) : TDKDock(AOwner) {
  SetColor(clNone);
  AddThemeNotification(this);
}

TTBKDock::~TTBKDock() { RemoveThemeNotification(this); }

void TTBKDock::SetUseParentBackground(bool v) {
  if (useParentBackground_ == v) return;
  useParentBackground_ = v;
  InvalidateBackground();
}

bool TTBKDock::UsesThemeBackground() {
  return !Background() && Color() == clNone && CurrentTheme && CurrentTheme->GetBoolMetric(tbkbmPaintDockBackground);
}

bool TTBKDock::UsesBackground() {
  return useParentBackground_ || (UsesThemeBackground() && !moving_) || TDKDock::UsesBackground();
}

void TTBKDock::DrawDockBackground(HDC DC, const TRect& DrawRect) {
  if (useParentBackground_) {
    DrawParentBackground(this, DC, ClientRect());
  } else if (UsesThemeBackground()) {
    TCanvas canvas;
    canvas.SetHandle(DC);
    CurrentTheme->DrawDockBackground(&canvas, ClientRect(), DrawRect, int32_t(Position()) + 1);
    canvas.SetHandle(nullptr);
  } else {
    TDKDock::DrawDockBackground(DC, DrawRect);
  }
}

void TTBKDock::RepaintDockedWindows() {
  for (int32_t i = 0; i < VisibleWindowCount(); ++i) {
    TDKCustomDockableWindow* w = VisibleWindows(i);
    if (!w->HandleAllocated() || !w->Visible()) continue;
    RedrawWindow(w->Handle(), nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  }
}

void TTBKDock::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case TBKM_QUERYPARENTCOLOR:
      Message.WParam = WPARAM(uint32_t(Color() != clNone ? Color() : Parent() ? GetParentColor(Parent()) : clBtnFace));
      Message.Result = 1;
      return;
    case TBKM_THEMECHANGED:
      if (Message.WParam == tbknEndChange) Invalidate();
      return;
    case WM_ERASEBKGND: {
      HDC dc = reinterpret_cast<HDC>(Message.WParam);
      if (UsesBackground()) {
        DrawDockBackground(dc, ClientRect());
      } else {
        TColor c = Color() != clNone ? Color() : Parent() ? GetParentColor(Parent()) : clBtnFace;
        FillRectColor(dc, ClientRect(), c);
      }
      Message.Result = 1;
      return;
    }
    case WM_MOVE:
      moving_ = true;
      TDKDock::Dispatch(Message);
      moving_ = false;
      return;
    case WM_SIZE:
      sizing_ = true;
      TDKDock::Dispatch(Message);
      sizing_ = false;
      if (UsesBackground()) RepaintDockedWindows();
      return;
    case CM_COLORCHANGED:
      TDKDock::Dispatch(Message);
      for (int32_t i = 0; i < ControlCount(); ++i)
        if (auto* w = dynamic_cast<TWinControl*>(Controls(i)); w && w->HandleAllocated())
          RedrawWindow(w->Handle(), nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
      return;
    default:
      break;
  }
  TDKDock::Dispatch(Message);
}
