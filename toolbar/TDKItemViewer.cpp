#include "toolbar/TDKItemViewer.h"

#include <algorithm>

#include "platform/GdiHolders.h"
#include "platform/Draw.h"
#include "platform/SysInfo.h"
#include "platform/Text.h"
#include "rtl/Numeric.h"
#include "toolbar/DKCommon.h"
#include "toolbar/TDKAccessibility.h"
#include "toolbar/TDKCustomItem.h"
#include "toolbar/TDKView.h"
#include "ui/TApplication.h"
#include "ui/TCanvas.h"
#include "ui/TImageList.h"

TDKItemViewer::TDKItemViewer(TDKView* View, TDKCustomItem* Item, int32_t AGroupLevel)
    : GroupLevel(AGroupLevel), item_(Item), view_(View) {
  DeferredClickUserAdded();
}

TDKItemViewer::~TDKItemViewer() {
  CancelDeferredClicks(this);
  if (accObject_) {
    accObject_->DetachClient();
    accObject_ = nullptr;
  }
  DeferredClickUserRemoved();
}

TDKItemViewer* TDKItemViewer::Make(TDKView* View, TDKCustomItem* Item, int32_t GroupLevel) {
  return new TDKItemViewer(View, Item, GroupLevel);
}

TDKItemViewer* TDKSeparatorItemViewer::Make(TDKView* View, TDKCustomItem* Item, int32_t GroupLevel) {
  return new TDKSeparatorItemViewer(View, Item, GroupLevel);
}

TDKItemViewerClass TDKCustomItem::ViewerClassFor(TDKView*) { return &TDKItemViewer::Make; }
TDKItemViewerClass TDKSeparatorItem::ViewerClassFor(TDKView*) { return &TDKSeparatorItemViewer::Make; }

bool TDKItemViewer::IsSeparatorViewer() const { return item_->HasStyle(dksfSeparator); }

int32_t TDKItemViewer::IndexInView() const { return view_->ViewerIndex(this); }

TPoint TDKItemViewer::ScreenToViewer(TPoint Screen) const {
  TPoint p = Screen;
  if (view_->Window() && view_->Window()->HandleAllocated()) p = view_->Window()->ScreenToClient(Screen);
  return TPoint{p.X - BoundsRect.Left, p.Y - BoundsRect.Top};
}

// ---- Virtual operations

bool TDKItemViewer::ScheduleClick() {
  view_->LeaveMenuWithClick(this);
  return true;
}

void TDKItemViewer::SelectionEntered(TDKItemViewer*) {
  if (item_->OnSelect) item_->OnSelect(item_, this, true);
}

void TDKItemViewer::SelectionLeft() {
  if (item_->OnSelect) item_->OnSelect(item_, this, false);
}

void TDKItemViewer::CaptureReleased() { view_->InvalidateViewerRect(this); }

int32_t TDKItemViewer::AccessibleRole() {
  if (dynamic_cast<TDKControlItem*>(item_)) return ROLE_SYSTEM_CLIENT;
  if (item_->HasStyle(dksfSeparator)) return ROLE_SYSTEM_SEPARATOR;
  if (view_->IsPopup() || (view_->Style() & vsyMenuBar)) return ROLE_SYSTEM_MENUITEM;
  if (item_->HasStyle(dksfSubmenu)) return ROLE_SYSTEM_BUTTONMENU;
  return ROLE_SYSTEM_PUSHBUTTON;
}

std::string TDKItemViewer::CaptionBeforeTab() {
  const std::string& c = item_->Caption();
  size_t tab = c.find('\t');
  return tab == std::string::npos ? c : c.substr(0, tab);
}

bool TDKItemViewer::UsesToolbarSize() { return view_->IsToolbar() || item_->HasOption(dkoToolbarSize); }
bool TDKItemViewer::UsesToolbarStyle() { return view_->IsToolbar() || item_->HasOption(dkoToolbarStyle); }

bool TDKItemViewer::PointInButtonPart(int32_t X, int32_t) {
  if (item_->HasStyle(dksfSplit)) {
    int32_t arrow = UsesToolbarStyle() ? 11 : GetSystemMetrics(SM_CXMENUCHECK);
    return X < BoundsRect.Width() - arrow;
  }
  return !item_->HasStyle(dksfSubmenu);
}

bool TDKItemViewer::WantsSameWidth() {
  return item_->HasOption(dkoImageAboveCaption) && item_->HasOption(dkoSameWidth) && UsesToolbarSize();
}

// ---- Queries

bool TDKItemViewer::ShowsCaption() {
  if (item_->HasOption(dkoImageAboveCaption)) return true;
  if (CaptionBeforeTab().empty()) return false;
  return !UsesToolbarSize() || item_->ImageIndex() < 0 || item_->DisplayMode() == nbdmTextOnly ||
         item_->DisplayMode() == nbdmImageAndText;
}

bool TDKItemViewer::ShowsItemImage() {
  if (item_->ImageIndex() < 0) return false;
  TDKItemDisplayMode m = item_->DisplayMode();
  return m == nbdmDefault || m == nbdmImageAndText || (m == nbdmTextOnlyInMenus && UsesToolbarStyle());
}

TCustomImageList* TDKItemViewer::ImageListInUse() {
  if (item_->Images()) return item_->Images();
  for (TDKView* v = view_; v; v = v->ParentView()) {
    if (v->ContentItem() && v->ContentItem()->SubitemImages()) return v->ContentItem()->SubitemImages();
    if (v->SourceItem() && v->SourceItem()->SubitemImages()) return v->SourceItem()->SubitemImages();
  }
  return nullptr;
}

bool TDKItemViewer::DrawsRotated() {
  return view_->Orientation() == vorVertical && !item_->HasOption(dkoNoRotation) &&
         !item_->HasOption(dkoImageAboveCaption);
}

std::string TDKItemViewer::BuildHint() {
  std::string hint = GetShortHint(item_->Hint());
  if (hint.empty() && !item_->HasOption(dkoNoAutoHint) &&
      (!item_->HasStyle(dksfSubmenu) || item_->HasStyle(dksfSplit) || !ShowsCaption()))
    hint = StripAmpersands(StripTrailingColonOrEllipsis(CaptionBeforeTab()));
  // A full action may change the hint, or keep it from showing.
  if (auto* action = dynamic_cast<TCustomAction*>(item_->Action()))
    if (!action->DoHint(hint)) hint.clear();
  if (!hint.empty() && Application && Application->HintShortCuts() && item_->ShortCut() != 0)
    hint = hint + " (" + ShortCutToText(item_->ShortCut()) + ")";
  return hint;
}

bool TDKItemViewer::FillHintInfo(THintInfo& Info) {
  std::string hint = BuildHint();
  if (hint.empty()) return false;
  Info.HintStr = hint;
  Info.CursorRect = BoundsRect;
  return true;
}

void TDKItemViewer::Activate(bool GivePriority) {
  if (ScheduleClick() && GivePriority) view_->PromoteViewer(this);
}

TDKItemViewerAccObject* TDKItemViewer::AccessibilityObject() {
  if (!accObject_ && AccessibilityAvailable()) accObject_ = new TDKItemViewerAccObject(this);
  return accObject_;
}

void TDKItemViewer::DetachAccessibilityObject() { accObject_ = nullptr; }

void TDKItemViewer::QueueAccessibleAction(bool Execute) { QueueDeferredClick(this, Execute ? 1 : 0); }

void TDKItemViewer::RunAccessibleAction(bool Execute) {
  if (TDKItemViewerAccObject* a = AccessibilityObject()) a->PerformAction(Execute);
}

// ---- Mouse

void TDKItemViewer::MouseDown(TShiftState Shift, int32_t X, int32_t Y, bool& MouseDownOnMenu) {
  bool topLevel = !view_->ParentView() && !view_->IsPopup();
  if (!item_->Enabled()) {
    if (topLevel) view_->LeaveMenu();
    return;
  }
  if (!PointInButtonPart(X, Y)) {
    bool wasOpen = view_->OpenViewer() == this;
    view_->OpenSelectedPopup(false);
    if (view_->OpenViewerView()) {
      if (wasOpen && topLevel) MouseDownOnMenu = true;
      if (Shift.Contains(ssDouble) && !item_->HasStyle(dksfSplit)) {
        TDKView* popup = view_->OpenViewerView();
        for (int32_t i = 0; i < popup->ViewerCount(); ++i) {
          TDKItemViewer* v = popup->Viewers(i);
          TDKCustomItem* it = v->Item();
          if (it->Enabled() && it->Visible() && it->HasStyle(dksfSelectable) && it->HasOption(dkoDefault)) {
            v->Activate(true);
            break;
          }
        }
      }
    }
    return;
  }
  if (UsesToolbarStyle()) {
    view_->ClosePopupsAndLeaveDropDown();
    view_->TakeCapture();
    view_->InvalidateViewerRect(this);
  }
}

void TDKItemViewer::MouseUp(int32_t X, int32_t Y, bool MouseDownOnMenu) {
  bool hadCapture = view_->Capture();
  view_->ReleaseMouseCapture();
  bool topLevel = !view_->ParentView() && !view_->IsPopup();
  if (view_->Selected() == this && view_->MouseOverSelected() && item_->Enabled() &&
      !item_->HasStyle(dksfPassClicks)) {
    if (!PointInButtonPart(X, Y)) {
      if (MouseDownOnMenu && topLevel) view_->LeaveMenu();
    } else if (hadCapture || !UsesToolbarStyle()) {
      Activate(true);
    }
    return;
  }
  if (topLevel) view_->LeaveMenu();
}

// ---- Measuring and painting

void TDKItemViewer::PaintCaptionText(TCanvas* Canvas, TRect R, const std::string& Caption, UINT Format,
                                     bool Embossed) {
  HDC dc = Canvas->Handle();
  auto draw = [&](TRect r) {
    if (DrawsRotated())
      DrawVerticalText(dc, Caption, r, Format);
    else
      DrawText(dc, Caption, &r, Format);
  };
  SetBkMode(dc, TRANSPARENT);
  if (Embossed) {
    COLORREF old = GetTextColor(dc);
    SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
    TRect r = R;
    OffsetRect(&r, 1, 1);
    draw(r);
    SetTextColor(dc, GetSysColor(COLOR_BTNSHADOW));
    draw(R);
    SetTextColor(dc, old);
  } else {
    draw(R);
  }
}

void TDKItemViewer::MeasureItem(TCanvas* Canvas, int32_t& Width, int32_t& Height) {
  const bool T = UsesToolbarStyle();
  TCustomImageList* L = ImageListInUse();
  HDC dc = Canvas->Handle();
  TEXTMETRIC tm{};
  GetTextMetrics(dc, &tm);
  Width = Height = T ? 6 : 0;
  std::string caption = CaptionBeforeTab();
  if (!T || ShowsCaption()) {
    int32_t textW = MeasureTextWidth(dc, caption, true);
    if (DrawsRotated()) {
      TOwnedGdiObject<HFONT> vf(MakeVerticalFont(dc));
      HGDIOBJ old = SelectObject(dc, vf.get());
      Width += TextHeightOfDC(dc);
      Height += MeasureTextWidth(dc, caption, true);
      SelectObject(dc, old);
      if (T) Height += 6;
    } else {
      Height += tm.tmHeight;
      Width += textW;
      if (T) Width += 6;
    }
  }
  if (T && ShowsItemImage() && L) {
    if (DrawsRotated() || item_->HasOption(dkoImageAboveCaption)) {
      Height += L->Height();
      Width = std::max(Width, L->Width() + 7);
    } else {
      Width += L->Width() + 1;
      Height = std::max(Height, L->Height() + 6);
    }
  }
  if (T) {
    if (item_->HasStyle(dksfSubmenu)) {
      if (item_->HasStyle(dksfSplit))
        Width += 11;
      else if (item_->HasOption(dkoDropdownArrow)) {
        if (view_->Orientation() == vorVertical)
          Height += 8;
        else
          Width += 8;
      }
    }
    return;
  }
  Height = tm.tmHeight + tm.tmExternalLeading + 4;
  int32_t column;
  if (L) {
    if (Height < L->Height() + 3) Height = L->Height() + 3;
    column = MulDiv(L->Width() + 3, Height, L->Height() + 3);
  } else {
    column = Height;
  }
  Width += column + 6;
  std::string sc = item_->GetShortCutText();
  if (!sc.empty()) Width += MeasureTextWidthRaw(dc, sc) + Height - 6;
  Width += Height;
}

namespace {

void DrawEdgeRect(HDC dc, TRect r, UINT edge) { DrawEdge(dc, &r, edge, BF_RECT); }

void DrawArrow(HDC dc, TPoint centre, bool left, COLORREF colour) {
  TOwnedGdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, colour));
  TOwnedGdiObject<HBRUSH> brush(CreateSolidBrush(colour));
  HGDIOBJ op = SelectObject(dc, pen.get()), ob = SelectObject(dc, brush.get());
  TPoint pts[3];
  if (left) {
    pts[0] = {centre.X + 1, centre.Y - 3};
    pts[1] = {centre.X + 1, centre.Y + 3};
    pts[2] = {centre.X - 2, centre.Y};
  } else {
    pts[0] = {centre.X - 2, centre.Y - 1};
    pts[1] = {centre.X + 2, centre.Y - 1};
    pts[2] = {centre.X, centre.Y + 1};
  }
  Polygon(dc, pts, 3);
  SelectObject(dc, op);
  SelectObject(dc, ob);
}

}  // namespace

void TDKItemViewer::RenderItem(TCanvas* Canvas, TRect R, bool IsSelected, bool IsPushed, bool UseDisabledShadow) {
  HDC dc = Canvas->Handle();
  const bool E = item_->Enabled() || view_->Customizing();
  const bool T = UsesToolbarStyle();
  TCustomImageList* L = ImageListInUse();
  const bool image = ShowsItemImage() && L;
  const bool arrow = item_->HasStyle(dksfSubmenu) && (item_->HasStyle(dksfSplit) || item_->HasOption(dkoDropdownArrow));
  const bool split = item_->HasStyle(dksfSplit);
  const bool vertical = view_->Orientation() == vorVertical;
  UINT hide = ((view_->Style() & vsyHideAccels) && !view_->HasState(vstAccelsShown) && !KeyboardCuesShown())
                  ? DT_HIDEPREFIX
                  : 0;
  if (T) {
    TRect button = R, arrowPart{0, 0, 0, 0};
    if (split) {
      arrowPart = TRect{R.Right - 11, R.Top, R.Right - 2, R.Bottom};
      button.Right = arrowPart.Left;
    } else if (arrow) {
      arrowPart = vertical ? TRect{R.Left, R.Bottom - 11, R.Right, R.Bottom - 3}
                           : TRect{R.Right - 11, R.Top, R.Right - 3, R.Bottom};
    }
    if ((IsSelected && E) || item_->Checked()) {
      if (split) {
        DrawEdgeRect(dc, button, ((IsPushed && view_->Capture()) || item_->Checked()) ? BDR_SUNKENOUTER : BDR_RAISEDINNER);
        if (IsSelected && E)
          DrawEdgeRect(dc, arrowPart, (IsPushed && !view_->Capture()) ? BDR_SUNKENOUTER : BDR_RAISEDINNER);
      } else {
        DrawEdgeRect(dc, R, (IsPushed || item_->Checked()) ? BDR_SUNKENOUTER : BDR_RAISEDINNER);
      }
    }
    if (arrow) {
      TPoint c{(arrowPart.Left + arrowPart.Right) / 2, (arrowPart.Top + arrowPart.Bottom) / 2};
      if (!split && IsPushed) c = TPoint{c.X + 1, c.Y + 1};
      bool left = !split && vertical;
      if (UseDisabledShadow) {
        DrawArrow(dc, TPoint{c.X + 1, c.Y + 1}, left, GetSysColor(COLOR_BTNHIGHLIGHT));
        DrawArrow(dc, c, left, GetSysColor(COLOR_BTNSHADOW));
      } else {
        DrawArrow(dc, c, left, GetTextColor(dc));
      }
    }
    TRect content = R;
    InflateRect(&content, -1, -1);
    if (item_->Checked() && !(IsSelected && E)) {
      TOwnedGdiObject<HBRUSH> b(MakeHalftoneBrush());
      SetTextColor(dc, GetSysColor(COLOR_BTNFACE));
      SetBkColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
      FillRect(dc, &content, b.get());
    }
    if (item_->Checked() || (IsPushed && (!split || view_->Capture()))) {
      InflateRect(&content, -1, -1);
      OffsetRect(&content, 1, 1);
    }
    if (arrow && !split) {
      if (vertical)
        content.Bottom -= 8;
      else
        content.Right -= 8;
    }
    if (split) content.Right = std::min(content.Right, button.Right);
    bool above = DrawsRotated() || item_->HasOption(dkoImageAboveCaption);
    TRect textRect = content;
    if (ShowsCaption() && image) {
      if (above)
        textRect.Top += L->Height() + 1;
      else
        textRect.Left += L->Width() + 1;
    }
    if (ShowsCaption())
      PaintCaptionText(Canvas, textRect, CaptionBeforeTab(), DT_CENTER | DT_VCENTER | DT_SINGLELINE | hide,
                       UseDisabledShadow);
    if (image) {
      TRect area = content;
      if (ShowsCaption()) {
        if (above)
          area.Bottom = area.Top + L->Height() + 2;
        else
          area.Right = area.Left + L->Width() + 2;
      }
      L->Draw(Canvas, area.Left + (area.Width() - L->Width()) / 2, area.Top + (area.Height() - L->Height()) / 2,
              item_->ImageIndex(), E);
    }
    return;
  }
  // The menu look.
  int32_t column = L ? MulDiv(L->Width() + 3, R.Height(), L->Height() + 3) : R.Height();
  int32_t checkW = GetSystemMetrics(SM_CXMENUCHECK);
  if (IsSelected) {
    TRect f = R;
    if (image || item_->Checked()) f.Left = column + 1;
    if (split && E) f.Right -= checkW;
    FillRect(dc, &f, Canvas->Brush()->Handle());
  }
  TEXTMETRIC tm{};
  GetTextMetrics(dc, &tm);
  TRect text = R;
  text.Left += column + 3;
  if (text.Height() == tm.tmHeight + tm.tmExternalLeading + 4) text.Bottom -= 1;
  text.Top += tm.tmExternalLeading;
  PaintCaptionText(Canvas, text, CaptionBeforeTab(), DT_VCENTER | DT_SINGLELINE | hide, UseDisabledShadow);
  std::string sc = item_->GetShortCutText();
  if (!sc.empty()) {
    TRect s = text;
    s.Right = R.Right - R.Height();
    PaintCaptionText(Canvas, s, sc, DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX, UseDisabledShadow);
  }
  if (item_->HasStyle(dksfSubmenu)) {
    TRect a{R.Right - checkW, R.Top, R.Right, R.Bottom};
    if (split) {
      if (IsSelected && E)
        DrawEdgeRect(dc, a, BDR_SUNKENOUTER);
      else {
        TRect line{a.Left, a.Top, a.Left + 2, a.Bottom};
        DrawEdge(dc, &line, IsSelected ? BDR_SUNKENOUTER : EDGE_ETCHED, BF_LEFT);
      }
    }
    TPoint c{a.Left + a.Width() / 2, (a.Top + a.Bottom) / 2};
    COLORREF col = UseDisabledShadow ? GetSysColor(COLOR_BTNSHADOW) : GetTextColor(dc);
    DrawArrow(dc, c, false, col);
  }
  TRect col{R.Left, R.Top, R.Left + column, R.Bottom};
  if (item_->Checked() || (IsSelected && E)) DrawEdgeRect(dc, col, item_->Checked() ? BDR_SUNKENOUTER : BDR_RAISEDINNER);
  if (image) {
    int32_t off = item_->Checked() ? 1 : 0;
    L->Draw(Canvas, col.Left + (col.Width() - L->Width()) / 2 + off, col.Top + (col.Height() - L->Height()) / 2 + off,
            item_->ImageIndex(), E);
  } else if (item_->Checked()) {
    int32_t cx = (col.Left + col.Right) / 2 - 2, cy = (col.Top + col.Bottom) / 2 + 1;
    static const TPoint dark[] = {{-2, -2}, {0, 0}, {4, -4}, {4, -3}, {0, 1}, {-2, -1}, {-2, -2}};
    static const TPoint light[] = {{-3, -2}, {-3, -1}, {0, 2}, {5, -3}, {5, -5}};
    auto poly = [&](const TPoint* p, int n, COLORREF c) {
      std::vector<TPoint> pts;
      for (int i = 0; i < n; ++i) pts.push_back(TPoint{cx + p[i].X, cy + p[i].Y});
      TOwnedGdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, c));
      HGDIOBJ o = SelectObject(dc, pen.get());
      Polyline(dc, pts.data(), int(pts.size()));
      SelectObject(dc, o);
    };
    poly(dark, 7, GetSysColor(COLOR_BTNTEXT));
    poly(light, 5, GetSysColor(COLOR_BTNHIGHLIGHT));
  }
}

// ---- Separators

void TDKSeparatorItemViewer::MeasureItem(TCanvas* Canvas, int32_t& Width, int32_t& Height) {
  if (UsesToolbarStyle()) {
    Width = Height = kToolbarSeparatorSize;
    return;
  }
  TEXTMETRIC tm{};
  GetTextMetrics(Canvas->Handle(), &tm);
  Height += DivideRoundingOut(tm.tmHeight * 2, 3);
}

void TDKSeparatorItemViewer::RenderItem(TCanvas* Canvas, TRect R, bool, bool, bool) {
  auto* sep = dynamic_cast<TDKSeparatorItem*>(item_);
  if (sep && sep->Blank()) return;
  HDC dc = Canvas->Handle();
  bool between = (StateFlags & vsfLineBetweenRows) != 0;
  bool horizontal = !UsesToolbarStyle() || view_->Orientation() == vorVertical;
  if (between) horizontal = !horizontal;
  if (horizontal) {
    int32_t inset = !UsesToolbarStyle() ? 12 : between ? 4 : 0;
    if (view_->Orientation() == vorFloating) inset = 1;
    TRect line{R.Left + inset, R.Height() / 2 - 1, R.Right - inset, R.Bottom};
    DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
  } else {
    int32_t inset = between ? 4 : 0;
    TRect line{R.Width() / 2 - 1, R.Top + inset, R.Right, R.Bottom - inset};
    DrawEdge(dc, &line, EDGE_ETCHED, BF_LEFT);
  }
}
