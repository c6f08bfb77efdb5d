#include "toolbar/TBKThemedControls.h"

#include <algorithm>

#include "platform/DC.h"
#include "platform/Draw.h"
#include "platform/Window.h"
#include "toolbar/TBKDrawUtils.h"
#include "toolbar/TDKDock.h"
#include "toolbar/TDKItemViewer.h"
#include "toolbar/TDKView.h"
#include "toolbar/TTBKItemViewer.h"
#include "ui/TCanvas.h"
#include "ui/TControl.h"
#include "ui/TForm.h"
#include "ui/TImageList.h"

int32_t ItemStateFlags(const TTBKItemPaintInfo& ItemInfo) {
  int32_t f = 0;
  if (!ItemInfo.Enabled) f |= tbkisDisabled;
  if (ItemInfo.Pushed) f |= tbkisPushed;
  if (ItemInfo.Hover == 2) f |= tbkisHot;
  if (ItemInfo.Checked) f |= tbkisChecked;
  return f;
}

uint32_t QueryComponentViewKind(TComponent* Component) {
  auto* c = dynamic_cast<TControl*>(Component);
  return c ? uint32_t(c->Perform(TBKM_QUERYVIEWKIND, 0, 0)) : 0;
}

uint32_t QueryViewKind(TDKView* View) {
  if (!View || !View->Window()) return 0;
  return QueryComponentViewKind(View->Window());
}

TColor GetParentColor(TControl* Control) {
  if (!Control) return clBtnFace;
  TMessage m{TBKM_QUERYPARENTCOLOR, WPARAM(uint32_t(clBtnFace)), 0, 0};
  Control->Dispatch(m);
  if (m.Result) return TColor(uint32_t(m.WParam));
  return Control->Color();
}

void DrawParentBackground(TControl* Control, HDC DC, const TRect& Rect) {
  TWinControl* parent = Control ? Control->Parent() : nullptr;
  if (!parent) {
    FillRectColor(DC, Rect, clBtnFace);
    return;
  }
  TPoint old;
  OffsetWindowOrgEx(DC, Control->Left(), Control->Top(), &old);
  // The context is offered as a buffer to fill (lParam = the context), so a
  // double-buffered parent erases into it instead of leaving it alone.
  LRESULT answered =
      parent->HandleAllocated() ? SendMessage(parent->Handle(), WM_ERASEBKGND, WPARAM(DC), LPARAM(DC)) : 0;
  if (answered && dynamic_cast<TCustomControl*>(parent) && !dynamic_cast<TDKDock*>(parent)) {
    // A control that paints itself (a gradient or white panel) answers the
    // erase message without painting, as its paint covers every pixel: what
    // lies behind the control is its paint. Without it the control would
    // show whatever its fresh buffer held: black.
    int saved = SaveDC(DC);
    TRect clip = Rect;
    OffsetRect(&clip, Control->Left(), Control->Top());
    IntersectClipRect(DC, clip.Left, clip.Top, clip.Right, clip.Bottom);
    SendMessage(parent->Handle(), WM_PRINTCLIENT, WPARAM(DC), LPARAM(PRF_CLIENT));
    RestoreDC(DC, saved);
  }
  SetWindowOrgEx(DC, old.X, old.Y, nullptr);
  if (answered) return;
  if (auto* dock = dynamic_cast<TDKDock*>(parent)) {
    TPoint o2;
    OffsetWindowOrgEx(DC, Control->Left(), Control->Top(), &o2);
    TRect r = Rect;
    r.Left += Control->Left();
    r.Right += Control->Left();
    r.Top += Control->Top();
    r.Bottom += Control->Top();
    dock->DrawDockBackground(DC, r);
    SetWindowOrgEx(DC, o2.X, o2.Y, nullptr);
    return;
  }
  FillRectColor(DC, Rect, GetParentColor(parent));
}

void RecreateFrame(TControl* Control) {
  auto* w = dynamic_cast<TWinControl*>(Control);
  if (!w || !w->HandleAllocated()) return;
  // The client area keeps its size; the frame around it follows the theme.
  const int32_t cw = w->ClientWidth(), ch = w->ClientHeight();
  SetWindowPos(w->Handle(), 0, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  if (w->ClientWidth() != cw || w->ClientHeight() != ch) w->SetClientSize(cw, ch);
  w->Invalidate();
}

void RedrawFrame(TControl* Control) {
  auto* w = dynamic_cast<TWinControl*>(Control);
  if (!w || !w->HandleAllocated()) return;
  RedrawWindow(w->Handle(), nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
}

int32_t ImageColumnWidth(TDKItemViewer* Viewer) {
  int32_t w = 16, h = 16;
  if (auto* themed = dynamic_cast<TTBKItemViewer*>(Viewer)) {
    TSize s = themed->GetImageSize();
    w = s.cx;
    h = s.cy;
  } else if (TCustomImageList* il = Viewer ? Viewer->ImageListInUse() : nullptr) {
    w = il->Width();
    h = il->Height();
  }
  int32_t t = 13;
  if (Viewer && Viewer->View()) {
    HDC dc = MeasureBitmap()->Canvas()->Handle();
    HGDIOBJ old = SelectObject(dc, Viewer->View()->ItemFont()->Handle());
    TEXTMETRIC tm{};
    GetTextMetrics(dc, &tm);
    SelectObject(dc, old);
    t = tm.tmHeight + tm.tmExternalLeading;
  }
  TTBKPartMargins m;
  if (CurrentTheme) CurrentTheme->GetPartMargins(tbkpPopupMenuItem, m);
  int32_t a = m.TopHeight + m.BottomHeight;
  if (h + a <= 0) return 0;
  return std::max(t + a, h + a) * (w + a) / (h + a);
}

TTBKItemPaintInfo StatusItemInfo(int32_t Flags) {
  TTBKItemPaintInfo info;
  switch ((Flags >> 8) & 0xF) {
    case 0:
      info.ViewKind = tbkvToolbar;
      info.Options = tbkoToolbarStyle;
      break;
    case 1:
      info.ViewKind = tbkvDockPanel;
      break;
    case 2:
      info.ViewKind = tbkvStatusBar;
      break;
    default:
      break;
  }
  info.Enabled = !(Flags & tbksfDisabled);
  info.Pushed = Flags & tbksfPushed;
  info.Hover = (Flags & tbksfHot) ? 2 : 0;
  info.Checked = Flags & tbksfChecked;
  return info;
}

TColor StatusTextColor(int32_t Flags) {
  return CurrentTheme ? CurrentTheme->GetItemForeColor(StatusItemInfo(Flags)) : clBtnText;
}

void StatusDrawText(TCanvas* Canvas, const TRect& R, const std::string& Text, int32_t Flags, UINT Format) {
  if (CurrentTheme) CurrentTheme->DrawItemText(Canvas, R, StatusItemInfo(Flags), Text, Format, false);
}

void StatusDrawImage(TCanvas* Canvas, const TRect& R, TCustomImageList* Images, int32_t Flags, int32_t Index) {
  if (CurrentTheme) CurrentTheme->DrawGlyph(Canvas, R, Images, Index, StatusItemInfo(Flags));
}
