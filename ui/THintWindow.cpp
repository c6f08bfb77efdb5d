#include "ui/THintWindow.h"

#include <algorithm>

#include "platform/GdiHolders.h"
#include "platform/Text.h"
#include "ui/TScreen.h"

RTL_DEFINE_CLASS(THintWindow, TCustomControl)

THintWindow::THintWindow(TComponent* AOwner) : TCustomControl(AOwner) {
  SetVisible(false);
  SetColor(clInfoBk);
  if (Screen) Font()->Assign(Screen->HintFont());
  Font()->SetColor(clInfoText);
}

void THintWindow::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.Style = WS_POPUP | WS_BORDER;
  Params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
  Params.WndParent = nullptr;
  Params.ClassStyle |= CS_SAVEBITS;
}

TRect THintWindow::CalcHintRect(int32_t MaxWidth, const std::string& Hint, void*) {
  TRect r = Rect(0, 0, std::max(1, MaxWidth), 0);
  {
    TMemoryDC dc;
    SelectObject(dc, Font()->Handle());
    DrawText(dc, Hint, &r, DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
  }
  r.Right += 6;
  r.Bottom += 2;
  return r;
}

void THintWindow::ActivateHint(TRect Rect, const std::string& Hint) {
  SetCaption(Hint);
  // Keep the whole hint on the screen.
  if (Screen) {
    TRect s = Screen->DesktopRect();
    if (Rect.Right > s.Right) OffsetRect(&Rect, s.Right - Rect.Right, 0);
    if (Rect.Left < s.Left) OffsetRect(&Rect, s.Left - Rect.Left, 0);
    if (Rect.Bottom > s.Bottom) OffsetRect(&Rect, 0, s.Bottom - Rect.Bottom);
    if (Rect.Top < s.Top) OffsetRect(&Rect, 0, s.Top - Rect.Top);
  }
  SetBounds(Rect.Left, Rect.Top, Rect.Width(), Rect.Height());
  SetWindowPos(Handle(), HWND_TOPMOST, Rect.Left, Rect.Top, Rect.Width(), Rect.Height(),
               SWP_SHOWWINDOW | SWP_NOACTIVATE);
  Invalidate();
  Update();
}

void THintWindow::ReleaseHandle() {
  if (HandleAllocated()) ShowWindow(Handle(), SW_HIDE);
}

bool THintWindow::IsHintShowing() { return HandleAllocated() && IsWindowVisible(Handle()); }

void THintWindow::Paint() {
  TRect r = ClientRect();
  Canvas()->Brush()->SetColor(Color());
  Canvas()->FillRect(r);
  r.Left += 2;
  r.Top += 1;
  Canvas()->Font()->SetColor(Font()->Color());
  SetBkMode(Canvas()->Handle(), TRANSPARENT);
  DrawText(Canvas()->Handle(), Caption(), &r, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
}

void THintWindow::Dispatch(TMessage& Message) {
  // The pointer passes through to what lies under the hint.
  if (Message.Msg == WM_NCHITTEST) {
    Message.Result = HTTRANSPARENT;
    return;
  }
  TCustomControl::Dispatch(Message);
}
