#include "toolbar/TTBKItemViewer.h"

#include <algorithm>

#include "platform/GdiHolders.h"
#include "platform/Draw.h"
#include "platform/SysInfo.h"
#include "platform/Text.h"
#include "toolbar/DKCommon.h"
#include "toolbar/TBKThemedControls.h"
#include "toolbar/TDKView.h"
#include "ui/TCanvas.h"
#include "ui/TImageList.h"

namespace {

bool ViewIsVertical(TDKView* View) { return View->Orientation() == vorVertical; }

bool ViewDesigning(TDKView* View) {
  return View->Window() && View->Window()->ComponentState().Contains(csDesigning);
}

TTBKCustomItem* Themed(TDKCustomItem* Item) { return dynamic_cast<TTBKCustomItem*>(Item); }

int32_t Metric(int32_t Id) { return CurrentTheme ? CurrentTheme->GetIntMetric(Id) : -1; }

TRect CentredRect(const TRect& Area, int32_t W, int32_t H) {
  int32_t l = (Area.Left + Area.Right - W) / 2, t = (Area.Top + Area.Bottom - H) / 2;
  return TRect{l, t, l + W, t + H};
}

}  // namespace

TTBKItemViewer::TTBKItemViewer(TDKView* View, TDKCustomItem* Item, int32_t GroupLevel)
    : TDKItemViewer(View, Item, GroupLevel) {
  StartThemes();
}

bool TTBKItemViewer::InToolBoxPopup() {
  return ViewKindIs(QueryViewKind(view_), tbkvToolBoxPopup);
}

int32_t TTBKItemViewer::AccessibleRole() {
  TTBKCustomItem* t = Themed(item_);
  if (t && t->ToolBoxPopup() && item_->HasStyle(dksfSubmenu)) return 58;
  return TDKItemViewer::AccessibleRole();
}

bool TTBKItemViewer::UsesToolbarSize() { return TDKItemViewer::UsesToolbarSize() || InToolBoxPopup(); }
bool TTBKItemViewer::UsesToolbarStyle() { return TDKItemViewer::UsesToolbarStyle() || InToolBoxPopup(); }

TSize TTBKItemViewer::GetImageSize() {
  TCustomImageList* l = ImageListInUse();
  return l ? TSize{l->Width(), l->Height()} : TSize{0, 0};
}

UINT TTBKItemViewer::GetTextFormat() {
  if (!KeyboardCuesShown() && (view_->Style() & vsyHideAccels) && !view_->HasState(vstAccelsShown))
    return DT_HIDEPREFIX;
  return 0;
}

bool TTBKItemViewer::ShowsImage() {
  if (item_->ImageIndex() < 0) return false;
  TDKItemDisplayMode m = item_->DisplayMode();
  return m == nbdmDefault || m == nbdmImageAndText || (m == nbdmTextOnlyInMenus && UsesToolbarStyle());
}

void TTBKItemViewer::AdjustItemFont(TFont* Font, int32_t StateFlags) {
  if (item_->HasOption(dkoDefault)) Font->SetStyle(Font->Style().Include(fsBold));
  if (TTBKCustomItem* t = Themed(item_)) {
    ApplyFontSettings(*t->FontSettings(), Font);
    if (t->OnAdjustFont) t->OnAdjustFont(item_, this, Font, StateFlags);
  }
}

TSize TTBKItemViewer::MeasureCaption(TCanvas* Canvas, const std::string& Text, int32_t StateFlags, bool Rotated,
                                     UINT Format) {
  if (Text.empty()) return TSize{0, 0};
  Canvas->Font()->Assign(view_->ItemFont());
  AdjustItemFont(Canvas->Font(), StateFlags);
  HDC dc = Canvas->Handle();
  if (Rotated) {
    TOwnedGdiObject<HFONT> vf(MakeVerticalFont(dc));
    HGDIOBJ old = SelectObject(dc, vf.get());
    TSize s{TextHeightOfDC(dc), MeasureTextWidth(dc, Text, true)};
    SelectObject(dc, old);
    return s;
  }
  TRect r{0, 0, 1, 0};
  DrawText(dc, Text, &r, Format | DT_CALCRECT);
  return TSize{r.Right, r.Bottom};
}

TTBKItemLayout TTBKItemViewer::EffectiveLayout() {
  TTBKCustomItem* t = Themed(item_);
  TTBKItemLayout l = t ? t->Layout() : tbklAuto;
  if (l == tbklAuto)
    l = (item_->HasOption(dkoImageAboveCaption) || ViewIsVertical(view_)) ? tbklGlyphTop : tbklGlyphLeft;
  return l;
}

void TTBKItemViewer::MeasureItem(TCanvas* Canvas, int32_t& Width, int32_t& Height) {
  const bool style = UsesToolbarStyle();
  TSize is = GetImageSize();
  int32_t iw = is.cx, ih = is.cy;
  if (iw <= 0 || ih <= 0) iw = ih = 0;
  const TTBKItemLayout layout = EffectiveLayout();
  TTBKCustomItem* themed = Themed(item_);
  bool rotated = ViewIsVertical(view_) && style;
  std::string text;
  TSize ts{0, 0};
  if (ShowsCaption()) {
    text = CaptionBeforeTab();
    if ((themed && themed->Layout() != tbklAuto) || item_->HasOption(dkoImageAboveCaption)) rotated = false;
    UINT format = (rotated || !style) ? DT_SINGLELINE : 0;
    ts = MeasureCaption(Canvas, text, 0, rotated, format);
  } else {
    rotated = false;
  }
  const bool vertical = ViewIsVertical(view_);
  if (style) {
    Width = 6;
    Height = 6;
    if (!text.empty()) {
      Width += ts.cx;
      Height += ts.cy;
      if (rotated)
        Height += 4;
      else
        Width += 4;
    }
    if (ShowsImage() && iw > 0 && ih > 0) {
      if (layout == tbklGlyphLeft) {
        Width += iw + (Wide ? 1 : 0);
        Height = std::max(Height, ih + 6);
      } else {
        Height += ih;
        Width = std::max(Width, iw + 7);
      }
    }
    if (item_->HasStyle(dksfSubmenu)) {
      if (item_->HasStyle(dksfSplit)) {
        Width += Metric(10);
      } else if (item_->HasOption(dkoDropdownArrow)) {
        if (layout == tbklGlyphTop && iw > 0 && !rotated) {
          if (vertical)
            Height = std::max(Height, Metric(20) + ih + 9);
          else
            Width = std::max(Width, Metric(20) + iw + 9);
        } else if (vertical) {
          Height += Metric(20);
        } else {
          Width += Metric(20);
        }
      }
    }
  } else {
    int32_t th = ts.cy;
    if (!text.empty()) {
      Canvas->Font()->Assign(view_->ItemFont());
      AdjustItemFont(Canvas->Font(), 0);
      TEXTMETRIC tm{};
      GetTextMetrics(Canvas->Handle(), &tm);
      th += tm.tmExternalLeading;
    }
    Width = ts.cx;
    Height = std::max(th, ih == 0 ? 16 : ih);
    TTBKPartMargins m;
    if (CurrentTheme) CurrentTheme->GetPartMargins(tbkpPopupMenuItem, m);
    Width += m.LeftWidth + m.RightWidth;
    Height += m.TopHeight + m.BottomHeight;
    Width += Metric(32) + ImageColumnWidth(this) + Metric(33) + Metric(34);
    std::string sc = item_->GetShortCutText();
    if (!sc.empty()) Width += MeasureTextWidth(Canvas->Handle(), sc, true) + Height - 6;
    Width += Height;
  }
  if (themed) {
    Width = std::max(Width, themed->MinWidth());
    Height = std::max(Height, themed->MinHeight());
  }
}

bool TTBKItemViewer::PointInButtonPart(int32_t X, int32_t) {
  if (!item_->HasStyle(dksfSplit)) return !item_->HasStyle(dksfSubmenu);
  int32_t arrow = UsesToolbarStyle() ? Metric(10) : GetSystemMetrics(SM_CXMENUCHECK);
  return X < BoundsRect.Width() - arrow;
}

void TTBKItemViewer::MouseUp(int32_t X, int32_t Y, bool MouseDownOnMenu) {
  // The inherited release activates an item pressed with the capture (or
  // any menu line); a themed item is also activated by a release without
  // it, once.
  const bool hadCapture = view_->Capture();
  const bool inheritedActivates = view_->Selected() == this && view_->MouseOverSelected() && item_->Enabled() &&
                                  !item_->HasStyle(dksfPassClicks) && PointInButtonPart(X, Y) &&
                                  (hadCapture || !UsesToolbarStyle());
  TDKItemViewer::MouseUp(X, Y, MouseDownOnMenu);
  if (inheritedActivates || view_->Selected() != this) return;
  if (item_->Enabled() && (!item_->HasStyle(dksfSubmenu) || PointInButtonPart(X, Y)) && view_->MouseOverSelected())
    Activate(true);
}

void TTBKItemViewer::RenderItemImage(TCanvas* Canvas, const TRect& ImageRect, const TTBKItemPaintInfo& ItemInfo) {
  TCustomImageList* l = ImageListInUse();
  if (!l || item_->ImageIndex() < 0 || item_->ImageIndex() >= l->Count() || !CurrentTheme) return;
  CurrentTheme->DrawGlyph(Canvas, ImageRect, l, item_->ImageIndex(), ItemInfo);
  TTBKCustomItem* t = Themed(item_);
  if (t && t->OnDrawImage) {
    TPoint shift = CurrentTheme->GetImageShift(Canvas, ItemInfo, l);
    t->OnDrawImage(item_, this, Canvas, ImageRect, shift, ItemStateFlags(ItemInfo));
  }
}

// What one painting of an item works from, handed between the steps.
struct TTBKItemViewer::TRenderPass {
  TTBKTheme* Theme = nullptr;
  TTBKItemPaintInfo Info;
  bool Style = false, Split = false, ArrowPushed = false, Vertical = false;
  bool HasArrow = false, DrawImage = false, ArrowInside = false, Rotated = false;
  int32_t Iw = 0, Ih = 0;  // the image's size, zero when none shows
  TTBKItemLayout Layout = tbklAuto;
  int32_t StateFlags = 0;
  TColor KeptColor = clBlack;
  TFontStyles KeptStyle;
  UINT Format = 0;
  std::string Text;
  TSize Ts{0, 0};  // the caption's size
  TTBKPartMargins Margins;
};

void TTBKItemViewer::RenderItem(TCanvas* Canvas, TRect R, bool IsSelected, bool IsPushed, bool) {
  TRenderPass p;
  p.Theme = CurrentTheme;
  if (!p.Theme) return;
  FillPaintInfo(p, IsSelected, IsPushed);
  PrepareCaption(p, Canvas);
  if (p.Style)
    DrawToolbarFace(p, Canvas, R);
  else
    DrawMenuFace(p, Canvas, R);
  if (!p.Text.empty()) {
    if (p.Style)
      DrawToolbarCaption(p, Canvas, R);
    else
      DrawMenuCaption(p, Canvas, R);
  }
  if (p.DrawImage) DrawImageArea(p, Canvas, R);
}

// The facts the theme paints from: the kind of entry, which of its parts are
// pressed, its state, its image and whether it shows an arrow.
void TTBKItemViewer::FillPaintInfo(TRenderPass& P, bool IsSelected, bool IsPushed) {
  P.Style = UsesToolbarStyle();
  P.Split = item_->HasStyle(dksfSplit);
  // A split button's arrow part shows pressed while its popup is open (no
  // capture); the button part only while the mouse holds it.
  P.ArrowPushed = IsPushed && P.Split && !view_->Capture();
  if (P.Split) IsPushed = IsPushed && view_->Capture();
  P.Vertical = ViewIsVertical(view_);
  TTBKItemPaintInfo& info = P.Info;
  info.ViewKind = QueryViewKind(view_);
  if (P.Style) info.Options |= tbkoToolbarStyle;
  if (P.Split) info.Options |= tbkoSplit;
  if (item_->HasStyle(dksfSubmenu)) info.Options |= tbkoSubmenu;
  if (ViewDesigning(view_)) info.Options |= tbkoDesigning;
  if (AppHasActiveWindow()) info.Options |= tbkoAppActive;
  info.Enabled = item_->Enabled() || view_->Customizing();
  info.Pushed = IsPushed;
  info.Checked = item_->Checked();
  TSize is = GetImageSize();
  P.Iw = is.cx;
  P.Ih = is.cy;
  if (P.Iw <= 0 || P.Ih <= 0) P.Iw = P.Ih = 0;
  info.HasImage = ShowsImage() && P.Iw > 0;
  if (info.HasImage) {
    info.ImageWidth = P.Iw;
    info.ImageHeight = P.Ih;
  }
  // A disabled item selected by keyboard shows hot; under the mouse it does not.
  if (IsSelected) info.Hover = info.Enabled ? 2 : (!view_->MouseOverSelected() ? 1 : 0);
  info.OpensPopup = P.Style &&
                    ((view_->HasState(vstMenuMode) && view_->OpenViewer()) || item_->HasStyle(dksfSubmenu)) &&
                    ((P.Split && P.ArrowPushed) || (IsPushed && !P.Split));
  info.Vertical = P.Vertical && !P.Split;
  info.ImageColumnWidth = ImageColumnWidth(this);
  P.HasArrow = item_->HasStyle(dksfSubmenu) && (P.Split || item_->HasOption(dkoDropdownArrow));
  // A menu line without image shows its check mark in the image's place.
  P.DrawImage = info.HasImage || (info.Checked && !P.Style);
  if (!info.HasImage) P.Iw = P.Ih = 0;
  P.Layout = EffectiveLayout();
}

// The canvas font for the state, the caption and its size, and whether the
// drop-down arrow sits inside the face beside an image above the caption.
void TTBKItemViewer::PrepareCaption(TRenderPass& P, TCanvas* Canvas) {
  P.StateFlags = ItemStateFlags(P.Info);
  Canvas->Font()->Assign(view_->ItemFont());
  Canvas->Font()->SetColor(P.Theme->GetItemForeColor(P.Info));
  AdjustItemFont(Canvas->Font(), P.StateFlags);
  // A paint hook may change the font; every caption part starts from these.
  P.KeptColor = Canvas->Font()->Color();
  P.KeptStyle = Canvas->Font()->Style();
  P.Format = GetTextFormat();
  P.Rotated = P.Vertical && P.Style;
  TTBKCustomItem* themed = Themed(item_);
  if (ShowsCaption()) {
    P.Text = CaptionBeforeTab();
    // An item laid out on purpose keeps its caption upright on a vertical bar.
    if ((themed && themed->Layout() != tbklAuto) || item_->HasOption(dkoImageAboveCaption)) P.Rotated = false;
    if (P.Rotated || !P.Style) P.Format |= DT_SINGLELINE;
    P.Ts = MeasureCaption(Canvas, P.Text, P.StateFlags, P.Rotated, P.Format);
  } else {
    P.StateFlags = 0;
    P.Rotated = false;
  }
  const bool ownTop = themed ? themed->Layout() == tbklGlyphTop ||
                                   (themed->Layout() == tbklAuto && item_->HasOption(dkoImageAboveCaption))
                             : item_->HasOption(dkoImageAboveCaption);
  P.ArrowInside = P.HasArrow && !P.Split && P.Style && ownTop && P.Iw >= 1 && !P.Rotated && P.Ts.cx >= 1;
}

// Toolbar style: the button face, the split arrow's part or the drop-down
// arrow; R shrinks to the room left inside the face.
void TTBKItemViewer::DrawToolbarFace(TRenderPass& P, TCanvas* Canvas, TRect& R) {
  const int32_t m10 = Metric(10), m20 = Metric(20), m21 = Metric(21);
  TTBKItemPaintInfo& info = P.Info;
  TRect a{0, 0, 0, 0};
  if (P.HasArrow) {
    info.SplitPart = 1;
    if (P.Split) {
      info.SplitPart = 2;
      a = TRect{R.Right - m10, R.Top, R.Right, R.Bottom};
      R.Right -= m10;
    } else if (P.ArrowInside) {
      // Beside the image, which moves left by half the arrow.
      a.Right = (m20 + P.Iw + R.Left + R.Right + 4) / 2;
      a.Left = a.Right - m20;
      a.Top = (R.Top + R.Bottom - P.Ih - P.Ts.cy - 2) / 2;
      a.Bottom = a.Top + P.Ih;
    } else if (P.Vertical) {
      a = TRect{0, R.Bottom - m20 - m21, R.Right, R.Bottom - m21};
    } else {
      a = TRect{R.Right - m20 - m21, 0, R.Right - m21, R.Bottom};
    }
  }
  P.Theme->DrawButtonFace(Canvas, R, info);
  if (P.Split) {
    // The arrow part is never drawn checked: only the button part holds the state.
    TTBKItemPaintInfo arrow = info;
    arrow.Pushed = P.ArrowPushed;
    arrow.Checked = false;
    arrow.SplitPart = 3;
    P.Theme->DrawButtonFace(Canvas, a, arrow);
  } else if (P.HasArrow) {
    P.Theme->DrawDropDownArrow(Canvas, a, info);
    if (!P.ArrowInside) {
      if (P.Vertical)
        R.Bottom -= m20;
      else
        R.Right -= m20;
    }
  }
  R = TRect{R.Left + 2, R.Top + 2, R.Right - 2, R.Bottom - 2};
}

// Menu style: the theme's menu item; R shrinks by its margins.
void TTBKItemViewer::DrawMenuFace(TRenderPass& P, TCanvas* Canvas, TRect& R) {
  P.Theme->GetPartMargins(tbkpPopupMenuItem, P.Margins);
  P.Theme->DrawMenuItem(Canvas, R, P.Info);
  R = TRect{R.Left + P.Margins.LeftWidth, R.Top + P.Margins.TopHeight, R.Right - P.Margins.RightWidth,
            R.Bottom - P.Margins.BottomHeight};
}

// One part of the caption in Tr, through the paint hook unless it paints it.
void TTBKItemViewer::PaintCaptionPart(TRenderPass& P, TCanvas* Canvas, const TRect& R, const std::string& S, TRect Tr,
                                      UINT F, bool Rotated) {
  Canvas->Font()->SetColor(P.KeptColor);
  Canvas->Font()->SetStyle(P.KeptStyle);
  bool paintDefault = true;
  CaptionPaintHook(Canvas, R, paintDefault, Rotated, Tr);
  if (paintDefault) P.Theme->DrawItemText(Canvas, Tr, P.Info, S, F, Rotated);
}

// Toolbar style: the caption centred beside or under the image.
void TTBKItemViewer::DrawToolbarCaption(TRenderPass& P, TCanvas* Canvas, const TRect& R) {
  TRect tr = R;
  UINT f = P.Format | DT_CENTER | DT_VCENTER;
  if (P.Info.HasImage) {
    if (P.Layout == tbklGlyphLeft) {
      tr.Top = (R.Top + R.Bottom - P.Ts.cy) / 2;
      tr.Bottom = tr.Top + P.Ts.cy;
      tr.Left = (R.Left + P.Iw + 3 + R.Right - P.Ts.cx) / 2;
      tr.Right = tr.Left + P.Ts.cx;
      f &= ~DT_CENTER;
    } else {
      tr.Top = R.Top + P.Ih + 1 + (P.Rotated ? 3 : 0);
      tr.Top = (tr.Top + R.Bottom - P.Ts.cy) / 2;
      tr.Bottom = tr.Top + P.Ts.cy;
      tr.Left = (R.Left + R.Right - P.Ts.cx) / 2;
      tr.Right = tr.Left + P.Ts.cx;
      f &= ~DT_VCENTER;
    }
  } else {
    tr = CentredRect(R, P.Ts.cx, P.Ts.cy);
  }
  PaintCaptionPart(P, Canvas, R, P.Text, tr, f, P.Rotated);
}

// Menu style: the caption after the image column, the shortcut text ending
// a square (the line's height) before the right edge, where a submenu's
// arrow goes.
void TTBKItemViewer::DrawMenuCaption(TRenderPass& P, TCanvas* Canvas, const TRect& R) {
  UINT f = P.Format | DT_VCENTER;
  P.Ts = MeasureCaption(Canvas, P.Text, P.StateFlags, false, f);
  TEXTMETRIC tm{};
  GetTextMetrics(Canvas->Handle(), &tm);
  TRect tr = R;
  tr.Left = R.Left + Metric(32) + P.Info.ImageColumnWidth + Metric(33);
  tr.Right = tr.Left + P.Ts.cx;
  // When the line is just its text and bottom margin, the caption's box
  // ends a pixel higher, clear of the margin.
  if (R.Height() - (tm.tmHeight + tm.tmExternalLeading) == P.Margins.BottomHeight) tr.Bottom -= 1;
  tr.Top += tm.tmExternalLeading;
  PaintCaptionPart(P, Canvas, R, P.Text, tr, f, false);
  std::string sc = item_->GetShortCutText();
  if (!sc.empty()) {
    int32_t w = MeasureTextWidth(Canvas->Handle(), sc, true);
    TRect sr = tr;
    sr.Right = R.Right - R.Height();
    sr.Left = sr.Right - w;
    PaintCaptionPart(P, Canvas, R, sc, sr, f, false);
  }
}

// The image, or a menu line's check mark, centred in its area: beside or
// above the caption on a toolbar, a square as high as the line at a menu
// line's left.
void TTBKItemViewer::DrawImageArea(TRenderPass& P, TCanvas* Canvas, const TRect& R) {
  TRect area = R;
  if (P.Style) {
    if (P.ArrowInside) {
      const int32_t m20 = Metric(20);
      area.Left -= (m20 - 1) / 2;
      area.Right -= (m20 - 1) / 2;
    }
    if (P.Layout == tbklGlyphLeft) {
      area.Right = area.Left + P.Iw + 2;
    } else {
      area.Top = (R.Top + R.Bottom - P.Ih - P.Ts.cy - 2) / 2;
      area.Bottom = area.Top + P.Ih;
    }
  } else {
    area = TRect{R.Left - P.Margins.LeftWidth, R.Top - P.Margins.TopHeight, 0, R.Bottom + P.Margins.BottomHeight};
    area.Right = area.Left + (area.Bottom - area.Top);
  }
  if (P.Info.HasImage)
    RenderItemImage(Canvas, CentredRect(area, P.Iw, P.Ih), P.Info);
  else if (P.Info.Checked && !P.Style)
    P.Theme->DrawCheckGlyph(Canvas, area, P.Info);
}

void TTBKSeparatorItemViewer::MeasureItem(TCanvas* Canvas, int32_t& Width, int32_t& Height) {
  auto* sep = dynamic_cast<TTBKSeparatorItem*>(item_);
  int32_t s = sep ? sep->Size() : -1;
  const bool explicitSize = s >= 0;
  if (s < 0) {
    s = Metric(UsesToolbarStyle() ? 50 : 35);
    if (s < 0) {
      TDKSeparatorItemViewer::MeasureItem(Canvas, Width, Height);
      return;
    }
  }
  if (explicitSize && !UsesToolbarStyle()) {
    Width = 0;
    Height = s;
  } else {
    Width = s;
    Height = s;
  }
}

bool TTBKSeparatorItemViewer::UsesToolbarSize() {
  return TDKSeparatorItemViewer::UsesToolbarSize() || ViewKindIs(QueryViewKind(view_), tbkvToolBoxPopup);
}

bool TTBKSeparatorItemViewer::UsesToolbarStyle() {
  return TDKSeparatorItemViewer::UsesToolbarStyle() || ViewKindIs(QueryViewKind(view_), tbkvToolBoxPopup);
}

void TTBKSeparatorItemViewer::RenderItem(TCanvas* Canvas, TRect R, bool, bool IsPushed, bool) {
  auto* sep = dynamic_cast<TTBKSeparatorItem*>(item_);
  if ((sep && sep->Size() == 0) || !CurrentTheme) return;
  TTBKItemPaintInfo info;
  info.ViewKind = QueryViewKind(view_);
  if (UsesToolbarSize()) info.Options |= tbkoToolbarStyle;
  if (ViewDesigning(view_)) info.Options |= tbkoDesigning;
  auto* base = dynamic_cast<TDKSeparatorItem*>(item_);
  info.Enabled = !(base && base->Blank());
  info.Pushed = IsPushed;
  if (!UsesToolbarStyle()) info.ImageColumnWidth = ImageColumnWidth(this);
  const bool betweenRows = StateFlags & vsfLineBetweenRows;
  const bool vertical = ViewIsVertical(view_);
  bool horizontal = (betweenRows != vertical) || view_->IsPopup();
  if (ViewKindIs(info.ViewKind, tbkvChevronPopup)) horizontal = betweenRows;
  CurrentTheme->DrawSeparatorLine(Canvas, R, info, horizontal, vertical);
}

void TTBKChevronItemViewer::RenderItem(TCanvas* Canvas, TRect R, bool IsSelected, bool IsPushed, bool) {
  if (!CurrentTheme) return;
  TTBKItemPaintInfo info;
  info.ViewKind = QueryViewKind(view_);
  info.Options = tbkoToolbarStyle;
  if (ViewDesigning(view_)) info.Options |= tbkoDesigning;
  info.Enabled = item_->Enabled() || view_->Customizing();
  info.Pushed = IsPushed;
  info.OpensPopup = IsPushed;
  if (IsSelected) info.Hover = info.Enabled ? 2 : (!view_->MouseOverSelected() ? 1 : 0);
  info.Vertical = ViewIsVertical(view_);
  CurrentTheme->DrawChevronButton(Canvas, R, info);
}
