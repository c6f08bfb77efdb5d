#include "toolbar/TTBKItemViewer.h"

#include <algorithm>

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
    HFONT vf = MakeVerticalFont(dc);
    HGDIOBJ old = SelectObject(dc, vf);
    TSize s{TextHeightOfDC(dc), MeasureTextWidth(dc, Text, true)};
    SelectObject(dc, old);
    DeleteObject(vf);
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

void TTBKItemViewer::RenderItem(TCanvas* Canvas, TRect R, bool IsSelected, bool IsPushed, bool) {
  TTBKTheme* theme = CurrentTheme;
  if (!theme) return;
  // What kind of entry this is and which of its parts are pressed.
  const bool style = UsesToolbarStyle();
  const bool split = item_->HasStyle(dksfSplit);
  const bool arrowPushed = IsPushed && split && !view_->Capture();
  if (split) IsPushed = IsPushed && view_->Capture();
  const bool vertical = ViewIsVertical(view_);
  // The facts the theme paints from.
  TTBKItemPaintInfo info;
  info.ViewKind = QueryViewKind(view_);
  if (style) info.Options |= tbkoToolbarStyle;
  if (split) info.Options |= tbkoSplit;
  if (item_->HasStyle(dksfSubmenu)) info.Options |= tbkoSubmenu;
  if (ViewDesigning(view_)) info.Options |= tbkoDesigning;
  if (AppHasActiveWindow()) info.Options |= tbkoAppActive;
  info.Enabled = item_->Enabled() || view_->Customizing();
  info.Pushed = IsPushed;
  info.Checked = item_->Checked();
  TSize is = GetImageSize();
  int32_t iw = is.cx, ih = is.cy;
  if (iw <= 0 || ih <= 0) iw = ih = 0;
  info.HasImage = ShowsImage() && iw > 0;
  if (info.HasImage) {
    info.ImageWidth = iw;
    info.ImageHeight = ih;
  }
  if (IsSelected) info.Hover = info.Enabled ? 2 : (!view_->MouseOverSelected() ? 1 : 0);
  info.OpensPopup = style &&
                    ((view_->HasState(vstMenuMode) && view_->OpenViewer()) || item_->HasStyle(dksfSubmenu)) &&
                    ((split && arrowPushed) || (IsPushed && !split));
  info.Vertical = vertical && !split;
  info.ImageColumnWidth = ImageColumnWidth(this);
  // Whether an arrow and an image show.
  const bool hasArrow = item_->HasStyle(dksfSubmenu) && (split || item_->HasOption(dkoDropdownArrow));
  const bool drawImage = info.HasImage || (info.Checked && !style);
  if (!info.HasImage) iw = ih = 0;
  const TTBKItemLayout layout = EffectiveLayout();
  int32_t stateFlags = ItemStateFlags(info);
  Canvas->Font()->Assign(view_->ItemFont());
  Canvas->Font()->SetColor(theme->GetItemForeColor(info));
  AdjustItemFont(Canvas->Font(), stateFlags);
  const TColor keptColor = Canvas->Font()->Color();
  const TFontStyles keptStyle = Canvas->Font()->Style();
  UINT format = GetTextFormat();
  bool rotated = vertical && style;
  // The caption and its size.
  std::string text;
  TSize ts{0, 0};
  TTBKCustomItem* themed = Themed(item_);
  if (ShowsCaption()) {
    text = CaptionBeforeTab();
    if ((themed && themed->Layout() != tbklAuto) || item_->HasOption(dkoImageAboveCaption)) rotated = false;
    if (rotated || !style) format |= DT_SINGLELINE;
    ts = MeasureCaption(Canvas, text, stateFlags, rotated, format);
  } else {
    stateFlags = 0;
    rotated = false;
  }
  // 4a.
  const bool ownTop = themed ? themed->Layout() == tbklGlyphTop ||
                                   (themed->Layout() == tbklAuto && item_->HasOption(dkoImageAboveCaption))
                             : item_->HasOption(dkoImageAboveCaption);
  const bool arrowInside = hasArrow && !split && style && ownTop && iw >= 1 && !rotated && ts.cx >= 1;
  const int32_t m10 = Metric(10), m20 = Metric(20), m21 = Metric(21);
  TTBKPartMargins margins;
  if (style) {
    // Toolbar style: the split arrow's part and the button face.
    TRect a{0, 0, 0, 0};
    if (hasArrow) {
      info.SplitPart = 1;
      if (split) {
        info.SplitPart = 2;
        a = TRect{R.Right - m10, R.Top, R.Right, R.Bottom};
        R.Right -= m10;
      } else if (arrowInside) {
        a.Right = (m20 + iw + R.Left + R.Right + 4) / 2;
        a.Left = a.Right - m20;
        a.Top = (R.Top + R.Bottom - ih - ts.cy - 2) / 2;
        a.Bottom = a.Top + ih;
      } else if (vertical) {
        a = TRect{0, R.Bottom - m20 - m21, R.Right, R.Bottom - m21};
      } else {
        a = TRect{R.Right - m20 - m21, 0, R.Right - m21, R.Bottom};
      }
    }
    if (split) {
      theme->DrawButtonFace(Canvas, R, info);
      TTBKItemPaintInfo arrow = info;
      arrow.Pushed = arrowPushed;
      arrow.Checked = false;
      arrow.SplitPart = 3;
      theme->DrawButtonFace(Canvas, a, arrow);
    } else {
      theme->DrawButtonFace(Canvas, R, info);
      if (hasArrow) {
        theme->DrawDropDownArrow(Canvas, a, info);
        if (!arrowInside) {
          if (vertical)
            R.Bottom -= m20;
          else
            R.Right -= m20;
        }
      }
    }
    R = TRect{R.Left + 2, R.Top + 2, R.Right - 2, R.Bottom - 2};
  } else {
    // Menu style: the theme's menu item and its margins.
    theme->GetPartMargins(tbkpPopupMenuItem, margins);
    theme->DrawMenuItem(Canvas, R, info);
    R = TRect{R.Left + margins.LeftWidth, R.Top + margins.TopHeight, R.Right - margins.RightWidth,
              R.Bottom - margins.BottomHeight};
  }
  auto drawCaption = [&](const std::string& s, TRect tr, UINT f, bool rot) {
    Canvas->Font()->SetColor(keptColor);
    Canvas->Font()->SetStyle(keptStyle);
    bool paintDefault = true;
    CaptionPaintHook(Canvas, R, paintDefault, rot, tr);
    if (paintDefault) theme->DrawItemText(Canvas, tr, info, s, f, rot);
  };
  if (!text.empty()) {
    if (style) {
      // Toolbar style: the caption centred (beside or under the image).
      TRect tr = R;
      UINT f = format | DT_CENTER | DT_VCENTER;
      if (info.HasImage) {
        if (layout == tbklGlyphLeft) {
          tr.Left = R.Left + iw + 3;
          tr.Top = (R.Top + R.Bottom - ts.cy) / 2;
          tr.Bottom = tr.Top + ts.cy;
          tr.Left = (R.Left + iw + 3 + R.Right - ts.cx) / 2;
          tr.Right = tr.Left + ts.cx;
          f &= ~DT_CENTER;
        } else {
          tr.Top = R.Top + ih + 1 + (rotated ? 3 : 0);
          tr.Top = (tr.Top + R.Bottom - ts.cy) / 2;
          tr.Bottom = tr.Top + ts.cy;
          tr.Left = (R.Left + R.Right - ts.cx) / 2;
          tr.Right = tr.Left + ts.cx;
          f &= ~DT_VCENTER;
        }
      } else {
        tr = CentredRect(R, ts.cx, ts.cy);
      }
      drawCaption(text, tr, f, rotated);
    } else {
      // Menu style: the caption left of the shortcut text.
      UINT f = format | DT_VCENTER;
      ts = MeasureCaption(Canvas, text, stateFlags, false, f);
      TEXTMETRIC tm{};
      GetTextMetrics(Canvas->Handle(), &tm);
      TRect tr = R;
      tr.Left = R.Left + Metric(32) + info.ImageColumnWidth + Metric(33);
      tr.Right = tr.Left + ts.cx;
      if (R.Height() - (tm.tmHeight + tm.tmExternalLeading) == margins.BottomHeight) tr.Bottom -= 1;
      tr.Top += tm.tmExternalLeading;
      drawCaption(text, tr, f, false);
      std::string sc = item_->GetShortCutText();
      if (!sc.empty()) {
        int32_t w = MeasureTextWidth(Canvas->Handle(), sc, true);
        TRect sr = tr;
        sr.Right = R.Right - R.Height();
        sr.Left = sr.Right - w;
        drawCaption(sc, sr, f, false);
      }
    }
  }
  // The image in its area.
  if (drawImage) {
    TRect area = R;
    if (style) {
      if (arrowInside) {
        area.Left -= (m20 - 1) / 2;
        area.Right -= (m20 - 1) / 2;
      }
      if (layout == tbklGlyphLeft) {
        area.Right = area.Left + iw + 2;
      } else {
        area.Top = (R.Top + R.Bottom - ih - ts.cy - 2) / 2;
        area.Bottom = area.Top + ih;
      }
    } else {
      // A square as high as the item at its left.
      area = TRect{R.Left - margins.LeftWidth, R.Top - margins.TopHeight, 0, R.Bottom + margins.BottomHeight};
      area.Right = area.Left + (area.Bottom - area.Top);
    }
    if (info.HasImage)
      RenderItemImage(Canvas, CentredRect(area, iw, ih), info);
    else if (info.Checked && !style)
      theme->DrawCheckGlyph(Canvas, area, info);
  }
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
