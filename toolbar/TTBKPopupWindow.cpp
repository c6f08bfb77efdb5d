#include "toolbar/TTBKPopupWindow.h"

#include "platform/GdiHolders.h"
#include "platform/DC.h"
#include "platform/Draw.h"
#include "platform/Region.h"
#include "platform/Window.h"
#include "rtl/Exception.h"
#include "toolbar/DKAnim.h"
#include "toolbar/DKCommon.h"
#include "toolbar/TBKThemedControls.h"
#include "toolbar/TDKView.h"
#include "toolbar/TShadows.h"
#include "toolbar/TTBKItem.h"
#include "toolbar/TTBKItemViewer.h"
#include "toolbar/TTBKTheme.h"
#include "ui/TCanvas.h"

RTL_DEFINE_CLASS(TTBKPopupView, TDKPopupView)
RTL_DEFINE_CLASS(TTBKPopupWindow, TDKPopupWindow)
RTL_DEFINE_CLASS(TTBKChevronPopupWindow, TTBKPopupWindow)

namespace {

// The rectangle of the item a popup hangs off, in screen coordinates, when
// that item is a themed toolbar-style viewer (or the popup is a chevron's).
bool OpenerRect(TDKView* View, bool Chevron, TRect& Screen) {
  TDKView* parent = View ? View->ParentView() : nullptr;
  if (!parent || !parent->OpenViewer() || !parent->Window() || !parent->Window()->HandleAllocated()) return false;
  TDKItemViewer* opener = parent->OpenViewer();
  if (!Chevron && !dynamic_cast<TTBKItemViewer*>(opener)) return false;
  if (!opener->UsesToolbarStyle()) return false;
  Screen = opener->BoundsRect;
  TPoint o = parent->Window()->ClientOrigin();
  OffsetRect(&Screen, o.X, o.Y);
  return true;
}

}  // namespace

TTBKPopupWindow::TTBKPopupWindow(TComponent* AOwner, TDKView* ParentView, TDKCustomItem* Item, bool Customizing)
    : TDKPopupWindow(AOwner, ParentView, Item, Customizing) {
  StartThemes();
}

TTBKPopupWindow::~TTBKPopupWindow() { DestroyShadow(); }

TDKPopupWindow* TTBKPopupWindow::Make(TComponent* Owner, TDKView* ParentView, TDKCustomItem* Item,
                                      bool Customizing) {
  return new TTBKPopupWindow(Owner, ParentView, Item, Customizing);
}

TDKPopupWindow* TTBKChevronPopupWindow::Make(TComponent* Owner, TDKView* ParentView, TDKCustomItem* Item,
                                             bool Customizing) {
  return new TTBKChevronPopupWindow(Owner, ParentView, Item, Customizing);
}

TDKView* TTBKPopupWindow::MakeView(TDKView* ParentView, TDKCustomItem* Item, bool Customizing) {
  return new TTBKPopupView(nullptr, ParentView, Item, this, false, Customizing, false);
}

uint32_t TTBKPopupWindow::ViewKind() {
  if (dynamic_cast<TTBKChevronPopupWindow*>(this)) return tbkvChevronPopup;
  if (view_) {
    auto* t = dynamic_cast<TTBKCustomItem*>(view_->SourceItem());
    if (t && t->ToolBoxPopup()) return tbkvToolBoxPopup;
  }
  return tbkvPopupMenu;
}

bool TTBKPopupWindow::ShadowAllowed() { return !ViewKindIs(ViewKind(), tbkvListPopup); }

TSize TTBKPopupWindow::GetNCSize() {
  return CurrentTheme ? CurrentTheme->GetViewBorderSize(ViewKind()) : TDKPopupWindow::GetNCSize();
}

void TTBKPopupWindow::CreateParams(TCreateParams& Params) {
  TDKPopupWindow::CreateParams(Params);
  Params.ClassStyle &= ~(CS_DROPSHADOW | CS_DBLCLKS);
  if (ShadowAllowed() && CurrentTheme && CurrentTheme->GetShadowKind() == 1 && IsXPOrLater()) {
    Params.ClassStyle |= CS_DROPSHADOW;
    // Shadowed and plain popups need window classes of their own.
    if (Params.WinClassName.empty()) Params.WinClassName = ClassName();
    Params.WinClassName += "S";
  }
}

void TTBKPopupWindow::CreateShadow() {
  if (!CurrentTheme || !HandleAllocated()) return;
  int32_t kind = CurrentTheme->GetShadowKind();
  if (kind != 2 && kind != 3) return;
  TRect parentRect{0, 0, 0, 0};
  bool chevron = dynamic_cast<TTBKChevronPopupWindow*>(this) != nullptr;
  if (kind == 2) {
    TDKView* parent = view_ ? view_->ParentView() : nullptr;
    bool parentIsMenu = parent && ViewKindIs(QueryViewKind(parent), tbkvPopupMenu);
    if (!parentIsMenu || chevron) OpenerRect(view_, chevron, parentRect);
  }
  TRect wr;
  GetWindowRect(Handle(), wr);
  shadows_ = std::make_unique<TShadows>(parentRect, wr, 4, 61, ThemeVariables().LowColor);
  shadows_->Show(Handle());
}

void TTBKPopupWindow::DestroyShadow() { shadows_.reset(); }

void TTBKPopupWindow::Paint() {
  uint32_t kind = ViewKind();
  TColor back = CurrentTheme ? CurrentTheme->GetViewBackColor(kind) : Color();
  if (view_) view_->SetBackgroundColor(back);
  TRect c = ClientRect();
  if (CurrentTheme) CurrentTheme->DrawBackground(Canvas(), c, c, c, back, false, kind);
  view_->PaintAllViewers(Canvas());
  PaintScrollArrows();
}

void PaintPopupBorder(HWND Wnd, HDC DC, TDKView* View) {
  if (!CurrentTheme) return;
  auto* popup = View ? dynamic_cast<TTBKPopupWindow*>(View->Window()) : nullptr;
  TTBKPopupPaintInfo info;
  info.WindowHandle = Wnd;
  info.ViewKind = popup ? popup->ViewKind() : tbkvPopupMenu;
  TRect wr;
  GetWindowRect(Wnd, wr);
  TRect opener;
  if (OpenerRect(View, dynamic_cast<TTBKChevronPopupWindow*>(popup) != nullptr, opener)) {
    OffsetRect(&opener, -wr.Left, -wr.Top);
    info.ParentItemRect = opener;
  }
  info.BorderSize = CurrentTheme->GetViewBorderSize(info.ViewKind);
  TRect r{0, 0, wr.Right - wr.Left, wr.Bottom - wr.Top};
  int saved = SaveDC(DC);
  ExcludeClipRect(DC, r.Left + info.BorderSize.cx, r.Top + info.BorderSize.cy, r.Right - info.BorderSize.cx,
                  r.Bottom - info.BorderSize.cy);
  TCanvas canvas;
  canvas.SetHandle(DC);
  CurrentTheme->DrawPopupBorder(&canvas, r, info);
  canvas.SetHandle(nullptr);
  RestoreDC(DC, saved);
}

void TTBKPopupWindow::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case TBKM_QUERYVIEWKIND:
      Message.Result = LRESULT(ViewKind());
      return;
    case WM_NCPAINT: {
      TWindowDC dc = TWindowDC::Whole(Handle());
      if (!dc) throw Exception("Assertion failed in the popup window's border painting: no device context");
      ClipToNCUpdateRegion(Handle(), dc, reinterpret_cast<HRGN>(Message.WParam));
      PaintPopupBorder(Handle(), dc, view_);
      Message.Result = 0;
      return;
    }
    case WM_PRINT:
      Message.Result = ServePrintMessage(
          Handle(), Message.WParam, Message.LParam, [this](HWND w, HDC dc, void*) { PaintPopupBorder(w, dc, view_); },
          nullptr);
      return;
    case WM_ERASEBKGND: {
      FinishPopupAnimation(Handle());
      uint32_t kind = ViewKind();
      TColor back = CurrentTheme ? CurrentTheme->GetViewBackColor(kind) : Color();
      if (view_) view_->SetBackgroundColor(back);
      TCanvas canvas;
      canvas.SetHandle(reinterpret_cast<HDC>(Message.WParam));
      TRect c = ClientRect();
      if (CurrentTheme) CurrentTheme->DrawBackground(&canvas, c, c, c, back, false, kind);
      canvas.SetHandle(nullptr);
      Message.Result = 1;
      return;
    }
    case WM_DK_POPUPSHOWING:
      if (Message.WParam == 1) {
        Message.Result = 0;
        return;
      }
      if ((Message.WParam == 2 || Message.WParam == 3) && !ComponentState().Contains(csDestroying) &&
          ShadowAllowed() && CurrentTheme) {
        int32_t kind = CurrentTheme->GetShadowKind();
        if (kind == 2 || kind == 3) CreateShadow();
      }
      break;
    case WM_WINDOWPOSCHANGED: {
      TDKPopupWindow::WndProc(Message);
      auto* wp = reinterpret_cast<WINDOWPOS*>(Message.LParam);
      if (wp && !(wp->flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW)) && shadows_) {
        DestroyShadow();
        CreateShadow();
      }
      return;
    }
    default:
      break;
  }
  TDKPopupWindow::WndProc(Message);
}
