// The floating window parent: frame metrics, hit testing, caption and close
// button, activation, frame painting, and the loop that resizes a floating
// window.
#include "toolbar/TDKFloatingWindow.h"

#include <algorithm>

#include "platform/Draw.h"
#include "platform/GdiHolders.h"
#include "platform/Input.h"
#include "platform/PenBrush.h"
#include "platform/Region.h"
#include "platform/SysInfo.h"
#include "platform/Text.h"
#include "toolbar/DKCommon.h"
#include "ui/TApplication.h"

RTL_DEFINE_CLASS(TDKFloatingWindowParent, TCustomForm)

int32_t SmallCaptionHeight() { return GetSystemMetrics(SM_CYSMCAPTION); }

// ---- Frame metrics of the dockable window

TSize TDKCustomDockableWindow::FloatingFrameSize() {
  if (resizable_) return TSize{GetSystemMetrics(SM_CXSIZEFRAME), GetSystemMetrics(SM_CYSIZEFRAME)};
  return TSize{GetSystemMetrics(SM_CXFIXEDFRAME), GetSystemMetrics(SM_CYFIXEDFRAME)};
}

void TDKCustomDockableWindow::FloatingFrameMetrics(TSize& TopLeft, TSize& BottomRight) {
  TSize f = FloatingFrameSize();
  TopLeft = f;
  if (showCaption_) TopLeft.cy += SmallCaptionHeight();
  BottomRight = f;
}

TSize TDKCustomDockableWindow::AddFloatingFrame(TSize Size) {
  TSize tl, br;
  FloatingFrameMetrics(tl, br);
  return TSize{Size.cx + tl.cx + br.cx, Size.cy + tl.cy + br.cy};
}

// ---- The parent window

TDKFloatingWindowParent::TDKFloatingWindowParent(TComponent* AOwner) : TCustomForm(AOwner) {
  SetVisible(false);
}

TDKFloatingWindowParent::~TDKFloatingWindowParent() = default;

void TDKFloatingWindowParent::CreateParams(TCreateParams& Params) {
  TCustomForm::CreateParams(Params);
  Params.ClassStyle &= ~UINT(CS_HREDRAW | CS_VREDRAW);
  Params.Style = WS_POPUP | WS_BORDER;
  if (HostedWindow && HostedWindow->Resizable()) Params.Style |= WS_THICKFRAME;
  Params.ExStyle = WS_EX_TOOLWINDOW;
  if (OwnerForm && OwnerForm->HandleAllocated()) Params.WndParent = OwnerForm->Handle();
}

void TDKFloatingWindowParent::FreeWhenIdle() {
  if (handlerDepth_ > 0) {
    // Freed inside one of its own handlers (a double click on the caption
    // docks the window): the free waits until the handler has returned.
    if (HandleAllocated()) ShowWindow(Handle(), SW_HIDE);
    if (!freePending_) {
      freePending_ = true;
      Release();
    }
    return;
  }
  Free();
}

void TDKFloatingWindowParent::SetClosePressed(bool Pressed) {
  if (closePressed_ == Pressed) return;
  closePressed_ = Pressed;
  RedrawFloatingFrame(this, fpCloseButton);
}

TRect TDKFloatingWindowParent::CaptionRect(bool Offset, bool WithoutClose) {
  TRect r{0, 0, ClientWidth(), SmallCaptionHeight() - 1};
  if (WithoutClose) r.Right -= r.Height();
  if (Offset && HostedWindow) {
    TSize f = HostedWindow->FloatingFrameSize();
    OffsetRect(&r, f.cx, f.cy);
  }
  return r;
}

TRect TDKFloatingWindowParent::CloseButtonRect(bool Offset) {
  TRect r = CaptionRect(Offset, false);
  r.Left = r.Right - SmallCaptionHeight() + 1;
  return r;
}

void RedrawFloatingFrame(TDKFloatingWindowParent* Parent, TDKFloatFrameParts Parts) {
  if (!Parent || !Parent->HandleAllocated() || !IsWindowVisible(Parent->Handle())) return;
  TWindowDC dc = TWindowDC::Whole(Parent->Handle());
  Parent->DrawFrame(true, dc, Parts, nullptr);
}

void TDKFloatingWindowParent::DrawFrame(bool ToDC, HDC DC, TDKFloatFrameParts Parts, HRGN Clip) {
  if (!HandleAllocated() || !HostedWindow) return;
  TNonClientPaintDC dc(Handle(), ToDC, DC, Clip);
  TRect r{0, 0, Width(), Height()};
  int saved = SaveDC(dc);
  IntersectClipRect(dc, r.Left, r.Top, r.Right, r.Bottom);
  UINT gradient = 0;
  bool gradientOn = SystemParametersInfo(SPI_GETGRADIENTCAPTIONS, 0, &gradient, 0) && gradient != 0;
  TSize f = HostedWindow->FloatingFrameSize();
  // The raised outer border and the face inside it.
  if (Parts & fpBorder) {
    TRect e = r;
    DrawEdge(dc, &e, EDGE_RAISED, BF_RECT);
    int s2 = SaveDC(dc);
    ExcludeClipRect(dc, r.Left + f.cx, r.Top + f.cy, r.Right - f.cx, r.Bottom - f.cy);
    TRect in = r;
    InflateRect(&in, -2, -2);
    HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
    FillRect(dc, &in, face);
    RestoreDC(dc, s2);
  }
  // The small caption with its text and close button.
  if (HostedWindow->ShowCaption()) {
    bool inactive = HostedWindow->CaptionInactive();
    TRect closeR = CloseButtonRect(true);
    int s3 = SaveDC(dc);
    if ((Parts & fpCaption) && (Parts & fpCloseButton) && HostedWindow->CloseButton())
      ExcludeClipRect(dc, closeR.Left, closeR.Top, closeR.Right, closeR.Bottom);
    int32_t capColor = inactive ? COLOR_INACTIVECAPTION : COLOR_ACTIVECAPTION;
    if (gradientOn) capColor = inactive ? COLOR_GRADIENTINACTIVECAPTION : COLOR_GRADIENTACTIVECAPTION;
    if (Parts & fpCaption) {
      // The small caption: its colour and the text in the caption font.
      TRect cap = CaptionRect(true, HostedWindow->CloseButton());
      TOwnedGdiObject<HBRUSH> b(CreateSolidBrush(GetSysColor(inactive ? COLOR_INACTIVECAPTION : COLOR_ACTIVECAPTION)));
      FillRect(dc, &cap, b.get());
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, GetSysColor(inactive ? COLOR_INACTIVECAPTIONTEXT : COLOR_CAPTIONTEXT));
      TRect t = cap;
      t.Left += 2;
      DrawText(dc, Caption().c_str(), int(Caption().size()), &t, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
      TRect full = CaptionRect(true, false);
      TRect line{full.Left, full.Bottom, full.Right, full.Bottom + 1};
      FillRect(dc, &line, GetSysColorBrush(COLOR_BTNFACE));
    }
    RestoreDC(dc, s3);
    if (HostedWindow->CloseButton()) {
      TRect B = closeR;
      B.Top += 2;
      B.Bottom -= 2;
      B.Right -= 2;
      if (Parts & fpCaption) {
        int s4 = SaveDC(dc);
        ExcludeClipRect(dc, B.Left, B.Top, B.Right, B.Bottom);
        TOwnedGdiObject<HBRUSH> b(CreateSolidBrush(GetSysColor(capColor)));
        FillRect(dc, &closeR, b.get());
        RestoreDC(dc, s4);
      }
      if (Parts & fpCloseButton)
        DrawFrameControl(dc, &B, DFC_CAPTION, DFCS_CAPTIONCLOSE | (closePressed_ ? DFCS_PUSHED : 0));
    }
  }
  RestoreDC(dc, saved);
}

void TDKFloatingWindowParent::CMShowingChanged(TMessage&) {
  if (!HandleAllocated()) return;
  bool show = Showing() && ShowWanted;
  SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
               (show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW) | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
}

void TDKFloatingWindowParent::CMDialogKey(TMessage& Message) {
  if (Message.WParam == VK_ESCAPE && (GetShiftState() * TShiftState{ssShift, ssCtrl, ssAlt}).Empty() &&
      OwnerForm) {
    OwnerForm->SetFocus();
    Message.Result = 1;
    return;
  }
  TCustomForm::CMDialogKey(Message);
}

void TDKFloatingWindowParent::Dispatch(TMessage& Message) {
  if (Message.Msg == CM_RELEASE) {
    // The put-off free: it waits again while a handler of this window still
    // runs (a modal loop inside it pumps the queue).
    if (handlerDepth_ > 0) {
      Release();
      return;
    }
    TCustomForm::Dispatch(Message);  // frees this window
    return;
  }
  ++handlerDepth_;
  struct TDepth {
    int32_t& D;
    ~TDepth() { --D; }
  } depth{handlerDepth_};
  TDKCustomDockableWindow* hosted = HostedWindow;
  auto msgPoint = [&]() { return TPoint{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)}; };
  switch (Message.Msg) {
    case WM_NCCALCSIZE: {
      auto* p = reinterpret_cast<NCCALCSIZE_PARAMS*>(Message.LParam);
      if (p && hosted) {
        TSize tl, br;
        hosted->FloatingFrameMetrics(tl, br);
        p->rgrc[0].Left += tl.cx;
        p->rgrc[0].Top += tl.cy;
        p->rgrc[0].Right -= br.cx;
        p->rgrc[0].Bottom -= br.cy;
      }
      Message.Result = 0;
      return;
    }
    case WM_GETMINMAXINFO: {
      if (auto* mm = reinterpret_cast<MINMAXINFO*>(Message.LParam)) {
        mm->ptMinTrackSize = TPoint{1, 1};
        mm->ptMaxTrackSize = TPoint{32767, 32767};
      }
      Message.Result = 0;
      return;
    }
    case WM_NCHITTEST: {
      TCustomForm::Dispatch(Message);
      if (Message.Result == HTCLIENT || !hosted) return;
      Message.Result = HTNOWHERE;
      TRect wr;
      GetWindowRect(Handle(), wr);
      TPoint p = msgPoint();
      p.X -= wr.Left;
      p.Y -= wr.Top;
      if (hosted->ShowCaption()) {
        TRect cap = CaptionRect(true, false);
        if (PtInRect(&cap, p)) {
          TRect cb = CloseButtonRect(true);
          Message.Result = hosted->CloseButton() && PtInRect(&cb, p) ? htCloseButton : htFloatCaption;
          return;
        }
      }
      if (!hosted->Resizable()) return;
      TSize f = hosted->FloatingFrameSize();
      int32_t w = wr.Width(), h = wr.Height();
      bool left = p.X >= 0 && p.X < f.cx, right = p.X >= w - f.cx - 1 && p.X < w;
      bool top = p.Y >= 0 && p.Y < f.cy, bottom = p.Y >= h - f.cy - 1 && p.Y < h;
      if (hosted->ResizeOptions() & roEightCorners) {
        int32_t c = SmallCaptionHeight() + f.cx - 1;
        if (left || right) {
          if (p.Y < c) Message.Result = left ? HTTOPLEFT : HTTOPRIGHT;
          else if (p.Y >= h - c) Message.Result = left ? HTBOTTOMLEFT : HTBOTTOMRIGHT;
          else Message.Result = left ? HTLEFT : HTRIGHT;
        } else if (top || bottom) {
          if (p.X < c) Message.Result = top ? HTTOPLEFT : HTBOTTOMLEFT;
          else if (p.X >= w - c) Message.Result = top ? HTTOPRIGHT : HTBOTTOMRIGHT;
          else Message.Result = top ? HTTOP : HTBOTTOM;
        }
      } else {
        if (top) Message.Result = HTTOP;
        else if (bottom) Message.Result = HTBOTTOM;
        else if (left) Message.Result = HTLEFT;
        else if (right) Message.Result = HTRIGHT;
      }
      return;
    }
    case WM_NCLBUTTONDOWN: {
      if (!hosted) break;
      WPARAM code = Message.WParam;
      if (code >= HTLEFT && code <= HTBOTTOMRIGHT) {
        if (hosted->Resizable()) hosted->TrackResize(TDKSizeHandle(code - HTLEFT));
        return;
      }
      if (code == WPARAM(htCloseButton)) {
        TRect b = CloseButtonRect(true);
        TRect wr;
        GetWindowRect(Handle(), wr);
        OffsetRect(&b, wr.Left, wr.Top);
        if (TrackCloseButton(Handle(), b, [this](bool pressed) { SetClosePressed(pressed); })) hosted->RequestClose();
        return;
      }
      if (code == WPARAM(htFloatCaption)) {
        TPoint p = hosted->ScreenToClient(msgPoint());
        hosted->TrackDrag(p.X, p.Y);
        return;
      }
      break;
    }
    case WM_NCLBUTTONDBLCLK:
      if (hosted && Message.WParam == WPARAM(htFloatCaption)) hosted->ToggleDocking();
      return;
    case WM_NCRBUTTONUP:
      if (hosted) hosted->ForwardContextMenu(msgPoint());
      return;
    case WM_CLOSE:
      if (OwnerForm && OwnerForm->HandleAllocated()) SendMessage(OwnerForm->Handle(), WM_CLOSE, 0, 0);
      return;
    case WM_MOVE:
      TCustomForm::Dispatch(Message);
      if (hosted) hosted->NotifyMoved();
      return;
    case WM_MOUSEACTIVATE:
      Message.Result = MA_NOACTIVATE;
      SetWindowPos(Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
      if (hosted && hosted->FloatingMode() == fmOnTopOfParentForm && hosted->ActivateParent() && OwnerForm &&
          OwnerForm->HandleAllocated() && GetActiveWindow() != Handle())
        SetActiveWindow(OwnerForm->Handle());
      return;
    case WM_ACTIVATE:
      if (OwnerForm && OwnerForm->HandleAllocated()) {
        SendMessage(OwnerForm->Handle(), WM_NCACTIVATE, LOWORD(Message.WParam) != WA_INACTIVE, 0);
        if (LOWORD(Message.WParam) != WA_INACTIVE && reinterpret_cast<HWND>(Message.LParam) != OwnerForm->Handle())
          SetActiveWindow(OwnerForm->Handle());
      }
      Message.Result = 0;
      return;
    case WM_NCPAINT:
      DrawFrame(false, nullptr, fpBorder | fpCaption | fpCloseButton, reinterpret_cast<HRGN>(Message.WParam));
      Message.Result = 0;
      return;
    case WM_PRINT:
      Message.Result = ServePrintMessage(
          Handle(), Message.WParam, Message.LParam,
          [this](HWND, HDC dc, void*) { DrawFrame(true, dc, fpBorder | fpCaption | fpCloseButton, nullptr); },
          nullptr);
      return;
    case CM_TEXTCHANGED:
      TCustomForm::Dispatch(Message);
      RedrawFloatingFrame(this, fpCaption);
      return;
    default: break;
  }
  TCustomForm::Dispatch(Message);
}

// ---- Resizing a floating window

void TDKCustomDockableWindow::TrackResize(TDKSizeHandle Handle) {
  if (!isFloating_ || !hostWindow_ || Parent() != hostWindow_) return;
  TDKFloatingWindowParent* host = hostWindow_;
  // The size limits, grown by the frame the host adds.
  int32_t minW = 0, minH = 0, maxW = 0, maxH = 0;
  GetSizeLimits(minW, minH, maxW, maxH);
  int32_t fw = host->Width() - Width(), fh = host->Height() - Height();
  minW += fw;
  minH += fh;
  if (maxW > 0) maxW += fw;
  if (maxH > 0) maxH += fh;
  bool horz = Handle != shTop && Handle != shBottom;
  bool vert = Handle != shLeft && Handle != shRight;
  bool leftEdge = Handle == shLeft || Handle == shTopLeft || Handle == shBottomLeft;
  bool topEdge = Handle == shTop || Handle == shTopLeft || Handle == shTopRight;
  // The window hears when sizing starts and (however it ends) when it ends.
  SizingStarted(Handle);
  struct TEnd {
    TDKCustomDockableWindow* W;
    ~TEnd() { W->SizingEnded(); }
  } ender{this};
  PumpPaintMessages();
  const bool smooth = SmoothDrag();
  if (!smooth) LockWindowUpdate(GetDesktopWindow());
  // The pointer is captured and each move sizes the frame.
  HWND capWnd = host->Handle();
  SetCapture(capWnd);
  TRect startR = host->BoundsRect(), cur = startR;
  TSize frame = FloatingFrameSize();
  if (!smooth) XorHalftoneFrameRectsOnScreen(&cur, nullptr, frame, frame);
  TPoint startP, lastP;
  GetCursorPos(&startP);
  lastP = startP;
  auto apply = [&](const TRect& R) {
    LockArrange();
    try {
      SizingApply();
      host->SetBounds(R.Left, R.Top, R.Width(), R.Height());
      TRect c = host->ClientRect();
      SetBounds(0, 0, c.Width(), c.Height());
    } catch (...) {
      UnlockArrange();
      throw;
    }
    UnlockArrange();
    KeepOnScreen(true);
  };
  auto step = [&]() {
    TPoint p;
    GetCursorPos(&p);
    if (p.X == lastP.X && p.Y == lastP.Y) return;
    lastP = p;
    TRect n = startR;
    int32_t dx = p.X - startP.X, dy = p.Y - startP.Y;
    if (horz) {
      if (leftEdge) n.Left += dx;
      else n.Right += dx;
    }
    if (vert) {
      if (topEdge) n.Top += dy;
      else n.Bottom += dy;
    }
    auto limitW = [&](int32_t w) {
      if (leftEdge) n.Left = n.Right - w;
      else n.Right = n.Left + w;
    };
    auto limitH = [&](int32_t h) {
      if (topEdge) n.Top = n.Bottom - h;
      else n.Bottom = n.Top + h;
    };
    if (n.Width() < minW) limitW(minW);
    if (maxW > 0 && n.Width() > maxW) limitW(maxW);
    if (n.Height() < minH) limitH(minH);
    if (maxH > 0 && n.Height() > maxH) limitH(maxH);
    SizingTrack(n, startR);
    if (smooth) {
      apply(n);
    } else {
      XorHalftoneFrameRectsOnScreen(&n, &cur, frame, frame);
    }
    cur = n;
  };
  // The loop runs until a button comes up or Escape cancels.
  bool accept = false;
  try {
    accept = DKCaptureLoop(
        capWnd, [](const MSG& msg) { return msg.wParam == VK_ESCAPE; }, [&](const MSG&) { step(); });
  } catch (...) {
    if (GetCapture() == capWnd) ReleaseCapture();
    if (!smooth) {
      XorHalftoneFrameRectsOnScreen(nullptr, &cur, frame, frame);
      LockWindowUpdate(nullptr);
    }
    throw;
  }
  // The capture and the outline go; an accepted size is applied.
  if (GetCapture() == capWnd) ReleaseCapture();
  if (!smooth) {
    XorHalftoneFrameRectsOnScreen(nullptr, &cur, frame, frame);
    LockWindowUpdate(nullptr);
    if (accept) apply(cur);
  }
}
