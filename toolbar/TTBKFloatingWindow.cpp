#include "toolbar/TTBKFloatingWindow.h"

#include <cstdlib>

#include "platform/DC.h"
#include "platform/Input.h"
#include "platform/Window.h"
#include "toolbar/DKCommon.h"
#include "toolbar/TBKThemedControls.h"
#include "toolbar/TTBKTheme.h"
#include "ui/TCanvas.h"

RTL_DEFINE_CLASS(TTBKFloatingWindowParent, TDKFloatingWindowParent)

void SnapToWorkArea(TRect& R, const TRect& W, int32_t Distance) {
  if (Distance <= 0) return;
  const int32_t w = R.Right - R.Left, h = R.Bottom - R.Top;
  auto place = [&](int32_t x, int32_t y) { R = TRect{x, y, x + w, y + h}; };
  if (std::abs(R.Right - W.Right) < Distance) place(W.Right - w, R.Top);
  if (std::abs(R.Bottom - W.Bottom) < Distance) place(R.Left, W.Bottom - h);
  if (std::abs(R.Left - W.Left) < Distance) place(W.Left, R.Top);
  if (std::abs(R.Top - W.Top) < Distance) place(R.Left, W.Top);
}

void TTBKFloatingWindowParent::DrawFrame(bool ToDC, HDC DC, TDKFloatFrameParts Parts, HRGN Clip) {
  if (!HandleAllocated() || !HostedWindow || !CurrentTheme) return;
  TNonClientPaintDC dc(Handle(), ToDC, DC, Clip);
  TRect r{0, 0, Width(), Height()};
  int saved = SaveDC(dc);
  IntersectClipRect(dc, r.Left, r.Top, r.Right, r.Bottom);
  TDKCustomDockableWindow* hosted = HostedWindow;
  TTBKFloatingPaintInfo info;
  info.WindowHandle = Handle();
  info.ClientHandle = hosted->HandleAllocated() ? hosted->Handle() : nullptr;
  info.ViewKind = QueryComponentViewKind(hosted);
  info.ClientWidth = ClientWidth();
  info.ClientHeight = ClientHeight();
  info.ShowCaption = hosted->ShowCaption();
  info.BorderSize = hosted->FloatingFrameSize();
  if (hosted->CloseButton() && hosted->ShowCaption())
    info.CloseButtonState = ClosePressed() ? 5 : closeButtonHover_ ? 3 : 1;
  info.RedrawParts = Parts;
  const std::string caption = Caption();
  info.Caption = caption.c_str();
  info.Color = GetParentColor(hosted);
  info.Active = !hosted->CaptionInactive();
  TCanvas canvas;
  canvas.SetHandle(dc);
  canvas.Brush()->SetColor(info.Color);
  CurrentTheme->DrawFloatingWindowBorder(&canvas, r, info);
  canvas.SetHandle(nullptr);
  RestoreDC(dc, saved);
}

void TTBKFloatingWindowParent::SetCloseButtonHover(bool v) {
  if (closeButtonHover_ == v) return;
  closeButtonHover_ = v;
  if (HandleAllocated() && IsWindowVisible(Handle())) RedrawFloatingFrame(this, fpCloseButton);
}

void TTBKFloatingWindowParent::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_NCMOUSEMOVE:
      TDKFloatingWindowParent::Dispatch(Message);
      if (HandleAllocated()) RequestMouseTracking(Handle(), TME_LEAVE | TME_NONCLIENT);
      SetCloseButtonHover(Message.WParam == WPARAM(htCloseButton));
      return;
    case WM_NCMOUSELEAVE:
      TDKFloatingWindowParent::Dispatch(Message);
      if (!HandleAllocated() || GetCapture() != Handle()) SetCloseButtonHover(false);
      return;
    case WM_MOUSELEAVE:
    case CM_MOUSELEAVE:
      TDKFloatingWindowParent::Dispatch(Message);
      SetCloseButtonHover(false);
      return;
    case WM_ERASEBKGND:
      Message.Result = 1;
      return;
    case WM_WINDOWPOSCHANGING: {
      auto* wp = reinterpret_cast<WINDOWPOS*>(Message.LParam);
      if (wp && snapDistance_ > 0 && HandleAllocated() && !(wp->flags & SWP_NOMOVE)) {
        TRect cur;
        GetWindowRect(Handle(), cur);
        bool keepsSize = (wp->flags & SWP_NOSIZE) || (wp->cx == cur.Width() && wp->cy == cur.Height());
        if (keepsSize) {
          TRect r{wp->x, wp->y, wp->x + cur.Width(), wp->y + cur.Height()};
          SnapToWorkArea(r, MonitorRectOfRect(cur, true), snapDistance_);
          wp->x = r.Left;
          wp->y = r.Top;
        }
      }
      break;
    }
    default:
      break;
  }
  TDKFloatingWindowParent::Dispatch(Message);
}
