// The frame a dockable window draws around itself on a dock: border, drag
// handle with its grip bars, the optional close button; hit testing and the
// window's message handling.
#include "platform/GdiHolders.h"
#include "platform/Draw.h"
#include "platform/Input.h"
#include "platform/PenBrush.h"
#include "platform/Region.h"
#include "platform/SysInfo.h"
#include "toolbar/DKCommon.h"
#include "toolbar/TDKDock.h"
#include "toolbar/TDKFloatingWindow.h"
#include "ui/TApplication.h"

namespace {

// Handle width and grip start offset by [CloseButtonWhenDocked][DragHandleStyle].
constexpr int32_t kHandleWidth[2][3] = {{9, 0, 6}, {14, 14, 14}};
constexpr int32_t kGripOffset[2][3] = {{2, 0, 1}, {3, 0, 5}};

// The close glyph: an X of 6 x 5 pixels, leftmost pixel in the high bit.
constexpr uint8_t kCloseGlyph[8] = {0x00, 0xCC, 0x78, 0x30, 0x78, 0xCC, 0x00, 0x00};

void PaintGlyph(HDC DC, int32_t X, int32_t Y, const uint8_t* Rows, int32_t W, int32_t H, COLORREF Color) {
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x)
      if (Rows[y] & (0x80u >> x)) SetPixel(DC, X + x, Y + y, Color);
}

}  // namespace

int32_t TDKCustomDockableWindow::HandleWidth() const {
  return kHandleWidth[closeButtonWhenDocked_ ? 1 : 0][dragHandleStyle_];
}

TSize TDKCustomDockableWindow::GetDockedNCAreaSize() {
  if (!currentDock_) return TSize{0, 0};
  TSize s{4, 4};
  if (currentDock_->AllowDrag()) {
    if (currentDock_->IsVertical()) s.cy += HandleWidth();
    else s.cx += HandleWidth();
  }
  return s;
}

void TDKCustomDockableWindow::DockedFrameMetrics(bool Vertical, TSize& TopLeft, TSize& BottomRight) {
  TopLeft = TSize{2, 2};
  BottomRight = TSize{2, 2};
  if (Vertical) TopLeft.cy += HandleWidth();
  else TopLeft.cx += HandleWidth();
}

TSize TDKCustomDockableWindow::AddDockedFrame(TSize Size, bool Vertical) {
  TSize tl, br;
  DockedFrameMetrics(Vertical, tl, br);
  return TSize{Size.cx + tl.cx + br.cx, Size.cy + tl.cy + br.cy};
}

TRect TDKCustomDockableWindow::GetCloseButtonRect(bool Vertical) {
  int32_t w = HandleWidth() - 3;
  if (!Vertical) return Bounds(3, 2, w, w);
  return Bounds(ClientWidth() + 2 - w, 3, w, w);
}

void TDKCustomDockableWindow::RenderNCArea(bool ToDC, HDC DC, HRGN Clip) {
  if (!currentDock_ || !HandleAllocated()) return;
  TNonClientPaintDC dc(Handle(), ToDC, DC, Clip);
  TRect r{0, 0, Width(), Height()};
  TOwnedGdiObject<HBRUSH> brush(CreateSolidBrush(ColorToRGB(Color())));
  // Where the client and the drag handle lie within the frame.
  bool bgMode = currentDock_->UsesBackground() && currentDock_->BackgroundOnToolbars();
  bool vertical = currentDock_->IsVertical();
  TRect cr;
  GetClientRect(Handle(), cr);
  TPoint co{0, 0};
  ::ClientToScreen(Handle(), co);
  TRect wr;
  GetWindowRect(Handle(), wr);
  OffsetRect(&cr, co.X - wr.Left, co.Y - wr.Top);
  // The border: a raised edge or a frame in the toolbar colour.
  if (borderStyle_ == bsSingle) {
    TRect e = r;
    DrawEdge(dc, &e, BDR_RAISEDINNER, BF_RECT);
  } else {
    FrameRect(dc, &r, brush.get());
  }
  TRect r2 = r;
  InflateRect(&r2, -1, -1);
  if (!bgMode) FrameRect(dc, &r2, brush.get());
  // The dock's background shows through the frame.
  if (bgMode) {
    int saved = SaveDC(dc);
    IntersectClipRect(dc, r2.Left, r2.Top, r2.Right, r2.Bottom);
    ExcludeClipRect(dc, cr.Left, cr.Top, cr.Right, cr.Bottom);
    TRect b = r;
    OffsetRect(&b, -(Left() + currentDock_->Left()), -(Top() + currentDock_->Top()));
    currentDock_->DrawDockBackground(dc, b);
    RestoreDC(dc, saved);
  }
  // The drag handle's grip bars and the close button.
  if (currentDock_->AllowDrag()) {
    int32_t L = vertical ? cr.Width() : cr.Height();
    int32_t d = HandleWidth();
    int saved = SaveDC(dc);
    if (dragHandleStyle_ != dhNone) {
      int32_t s = 2, e = L + 2;
      if (closeButtonWhenDocked_) {
        if (vertical) e = L - d + 4;
        else s = d;
      }
      int32_t g = dragHandleStyle_ == dhSingle ? 1 : 0;
      int32_t p = kGripOffset[closeButtonWhenDocked_ ? 1 : 0][dragHandleStyle_] + 2;
      int32_t bars = dragHandleStyle_ == dhDouble ? 2 : 1;
      for (int32_t i = 0; i < bars; ++i) {
        TRect bar = vertical ? TRect{s + g, p, e - g, p + 3} : TRect{p, s + g, p + 3, e - g};
        TRect be = bar;
        DrawEdge(dc, &be, BDR_RAISEDINNER, BF_RECT | BF_MIDDLE);
        COLORREF hi = GetSysColor(COLOR_BTNHIGHLIGHT);
        if (vertical) SetPixel(dc, bar.Right - 1, bar.Top, hi);
        else SetPixel(dc, bar.Left, bar.Bottom - 1, hi);
        ExcludeClipRect(dc, bar.Left, bar.Top, bar.Right, bar.Bottom);
        p += 3;
      }
    }
    if (!bgMode) {
      TRect h = vertical ? TRect{2, 2, L + 2, d + 2} : TRect{2, 2, d + 2, L + 2};
      FillRect(dc, &h, brush.get());
    }
    RestoreDC(dc, saved);
    if (closeButtonWhenDocked_) {
      TRect b = GetCloseButtonRect(vertical);
      TRect e = b;
      if (closePressed_) DrawEdge(dc, &e, BDR_SUNKENOUTER, BF_RECT);
      else if (closeHot_) DrawEdge(dc, &e, BDR_RAISEDINNER, BF_RECT);
      InflateRect(&b, -2, -2);
      if (closePressed_) OffsetRect(&b, 1, 1);
      int saved2 = SaveDC(dc);
      IntersectClipRect(dc, b.Left, b.Top, b.Right, b.Bottom);
      PaintGlyph(dc, b.Left, b.Top, kCloseGlyph, 8, 8, GetSysColor(COLOR_BTNTEXT));
      RestoreDC(dc, saved2);
    }
  }
}

void TDKCustomDockableWindow::SetClosePressed(bool Pressed) {
  if (closePressed_ == Pressed) return;
  closePressed_ = Pressed;
  RepaintFrame();
}

void TDKCustomDockableWindow::ClearCloseHot() {
  if (!closeHot_) return;
  closeHot_ = false;
  RepaintFrame();
}

void TDKCustomDockableWindow::ForwardContextMenu(TPoint ScreenPoint) {
  if (HandleAllocated())
    SendMessage(Handle(), WM_CONTEXTMENU, 0, MAKELPARAM(uint16_t(ScreenPoint.X), uint16_t(ScreenPoint.Y)));
}

bool TrackCloseButton(HWND Wnd, const TRect& Rect, const std::function<void(bool Pressed)>& Draw) {
  auto inside = [&]() {
    TPoint p;
    GetCursorPos(&p);
    return PtInRect(&Rect, p) != 0;
  };
  Draw(inside());
  SetCapture(Wnd);
  // Keys and the other mouse buttons change nothing while the button is held.
  const bool result =
      DKCaptureLoop(Wnd, [](const MSG&) { return false; }, [&](const MSG&) { Draw(inside()); }) && inside();
  if (GetCapture() == Wnd) ReleaseCapture();
  Draw(false);
  return result;
}

// A docked window's client lies inside its 2-pixel frame and after the drag
// handle, which runs across the start of the window along the dock.
static void InsetClientForDockedFrame(TRect& Client, bool Vertical, bool AllowDrag, int32_t Handle) {
  InflateRect(&Client, -2, -2);
  if (!AllowDrag) return;
  if (Vertical)
    Client.Top += Handle;
  else
    Client.Left += Handle;
}

void TDKCustomDockableWindow::HandleNCMessage(TMessage& Message, bool& Handled) {
  Handled = true;
  const bool vertical = currentDock_ && currentDock_->IsVertical();
  auto msgPoint = [&]() { return TPoint{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)}; };
  switch (Message.Msg) {
    case WM_NCCALCSIZE: {
      auto* p = reinterpret_cast<NCCALCSIZE_PARAMS*>(Message.LParam);
      if (currentDock_ && p) InsetClientForDockedFrame(p->rgrc[0], vertical, currentDock_->AllowDrag(), HandleWidth());
      Message.Result = 0;
      return;
    }
    case WM_NCHITTEST: {
      TCustomControl::Dispatch(Message);
      if (!currentDock_ || Message.Result == HTCLIENT) return;
      TPoint p = msgPoint();
      TRect wr;
      GetWindowRect(Handle(), wr);
      p.X -= wr.Left;
      p.Y -= wr.Top;
      TRect cb = GetCloseButtonRect(vertical);
      if (closeButtonWhenDocked_ && currentDock_->AllowDrag() && PtInRect(&cb, p)) Message.Result = htCloseButton;
      else Message.Result = htDragArea;
      return;
    }
    case WM_SETCURSOR: {
      if (currentDock_ && currentDock_->AllowDrag() && reinterpret_cast<HWND>(Message.WParam) == Handle() &&
          LOWORD(Message.LParam) == htDragArea && dragHandleStyle_ != dhNone) {
        TPoint p;
        GetCursorPos(&p);
        TRect wr;
        GetWindowRect(Handle(), wr);
        int32_t dist = vertical ? p.Y - wr.Top : p.X - wr.Left;
        if (dist < HandleWidth() + 2) {
          ::SetCursor(LoadCursor(nullptr, IDC_SIZEALL));
          Message.Result = 1;
          return;
        }
      }
      break;
    }
    case WM_NCLBUTTONDOWN:
      if (currentDock_ && Message.WParam == WPARAM(htDragArea)) {
        if (DragAllowed()) {
          TPoint p = ScreenToClient(msgPoint());
          TrackDrag(p.X, p.Y);
        }
        return;
      }
      if (currentDock_ && Message.WParam == WPARAM(htCloseButton)) {
        TRect b = GetCloseButtonRect(vertical);
        TRect wr;
        GetWindowRect(Handle(), wr);
        OffsetRect(&b, wr.Left, wr.Top);
        if (TrackCloseButton(Handle(), b, [this](bool pressed) { SetClosePressed(pressed); })) RequestClose();
        return;
      }
      break;
    case WM_NCLBUTTONDBLCLK:
      if (currentDock_ && Message.WParam == WPARAM(htDragArea) && DragAllowed()) {
        ToggleDocking();
        return;
      }
      break;
    case WM_NCMOUSEMOVE: {
      TCustomControl::Dispatch(Message);
      RequestMouseTracking(Handle(), TME_LEAVE | TME_NONCLIENT);
      bool hot = Message.WParam == WPARAM(htCloseButton);
      if (hot != closeHot_) {
        closeHot_ = hot;
        RepaintFrame();
      }
      return;
    }
    case WM_NCMOUSELEAVE:
      if (GetCapture() != Handle()) ClearCloseHot();
      break;
    case CM_MOUSELEAVE:
      ClearCloseHot();
      break;
    case WM_MOUSEMOVE:
      ClearCloseHot();
      break;
    case WM_NCRBUTTONUP:
      ForwardContextMenu(msgPoint());
      return;
    case WM_NCPAINT:
      RenderNCArea(false, nullptr, reinterpret_cast<HRGN>(Message.WParam));
      Message.Result = 0;
      return;
    case WM_PRINT:
      Message.Result = ServePrintMessage(
          Handle(), Message.WParam, Message.LParam,
          [this](HWND, HDC dc, void*) { RenderNCArea(true, dc, nullptr); }, nullptr);
      return;
    case WM_PRINTCLIENT:
      ServePrintClientMessage(this, Message.WParam);
      Message.Result = 1;
      return;
    case WM_MOVE:
      TCustomControl::Dispatch(Message);
      wasMoved_ = true;
      NotifyMoved();
      if (currentDock_ && currentDock_->UsesBackground()) RepaintNow();
      return;
    case WM_ENABLE:
      TCustomControl::Dispatch(Message);
      if (floatingMode_ == fmOnTopOfAllForms) SyncTopmost();
      return;
    case CM_VISIBLECHANGED:
      TCustomControl::Dispatch(Message);
      if (currentDock_ && !ComponentState().Contains(csDesigning)) currentDock_->UpdateVisibleList(this, false);
      if (isFloating_) RefreshVisibility();
      if (OnVisibleChanged) OnVisibleChanged(this);
      return;
    case CM_TEXTCHANGED:
      TCustomControl::Dispatch(Message);
      if (isFloating_ && hostWindow_) {
        hostWindow_->SetCaption(Caption());
        RedrawFloatingFrame(hostWindow_, fpCaption);
      }
      return;
    case CM_COLORCHANGED:
      TCustomControl::Dispatch(Message);
      if (HandleAllocated()) RedrawWindow(Handle(), nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
      return;
    case WM_CONTEXTMENU: {
      TCustomControl::Dispatch(Message);
      if (Message.Result != 0 || ComponentState().Contains(csDesigning)) return;
      // The frame's own request: the client area has menus of its own. A
      // request from the keyboard (negative x) keeps its point.
      TPoint p = msgPoint();
      if (p.X >= 0) {
        p = ScreenToClient(p);
        TRect cr = ClientRect();
        if (PtInRect(&cr, p)) return;
      }
      bool handled = false;
      DoContextPopup(p, handled);
      if (handled) Message.Result = 1;
      return;
    }
    default: break;
  }
  Handled = false;
}

void TDKCustomDockableWindow::Dispatch(TMessage& Message) {
  bool handled = false;
  HandleNCMessage(Message, handled);
  if (!handled) TCustomControl::Dispatch(Message);
}
