#include "toolbar/TTBKDefaultTheme.h"

#include "platform/DC.h"
#include "platform/Draw.h"
#include "platform/SysInfo.h"
#include "toolbar/TBKDrawUtils.h"
#include "ui/TCanvas.h"
#include "ui/TImageList.h"

namespace {

const TTBKThemeVariables& V() { return ThemeVariables(); }

bool IsMenuBar(uint32_t Kind) { return ViewKindIs(Kind, tbkvMenuBar); }
bool IsPopupMenuItem(const TTBKItemPaintInfo& I) {
  return !(I.Options & tbkoToolbarStyle) && ViewKindIs(I.ViewKind, tbkvPopupMenu);
}

}  // namespace

TTBKDefaultTheme::TTBKDefaultTheme(const std::string& AName) : TTBKTheme(AName) {
  AddSystemChangeNotification(this);
  RefreshColors();
}

TTBKDefaultTheme::~TTBKDefaultTheme() { RemoveSystemChangeNotification(this); }

void TTBKDefaultTheme::Dispatch(TMessage& Message) {
  if (Message.Msg == TBKM_SYSCHANGE && Message.WParam == tbknRefreshColors) RefreshColors();
}

void TTBKDefaultTheme::RefreshColors() {
  toolbarColor_ = clBtnFace;
  toolbarTextColor_ = clBtnText;
  statusBarColor_ = clBtnFace;
  dockPanelColor_ = MixColorsNearest(toolbarColor_, clWindow, 64);
}

TPoint TTBKDefaultTheme::GetImageShift(TCanvas*, const TTBKItemPaintInfo& ItemInfo, TCustomImageList*) {
  return ItemInfo.Pushed || ItemInfo.Checked ? TPoint{1, 1} : TPoint{0, 0};
}

TColor TTBKDefaultTheme::GetItemBackColor(const TTBKItemPaintInfo& ItemInfo) {
  if (IsPopupMenuItem(ItemInfo) && ItemInfo.Hover != 0 && !V().VisualStylesActive) return clHighlight;
  return GetViewBackColor(ItemInfo.ViewKind);
}

TColor TTBKDefaultTheme::GetItemForeColor(const TTBKItemPaintInfo& ItemInfo) {
  bool inactiveBar = IsMenuBar(ItemInfo.ViewKind) && !(ItemInfo.Options & tbkoAppActive);
  if (!ItemInfo.Enabled) return clGrayText;
  bool toolbarStyle = ItemInfo.Options & tbkoToolbarStyle;
  if (!toolbarStyle || (IsMenuBar(ItemInfo.ViewKind) && V().FlatMenus)) {
    if (ItemInfo.Hover != 0) return clHighlightText;
    return inactiveBar ? clGrayText : V().MenuTextColor;
  }
  return inactiveBar ? clGrayText : clBtnText;
}

TColor TTBKDefaultTheme::GetItemGlyphBackColor(const TTBKItemPaintInfo& ItemInfo) {
  if (ItemInfo.Hover != 0 && IsMenuBar(ItemInfo.ViewKind) && V().FlatMenus) return clHighlight;
  if (V().FlatMenus && (ViewKindIs(ItemInfo.ViewKind, tbkvChevronPopup) ||
                        (IsPopupMenuItem(ItemInfo) && ItemInfo.Hover != 0)))
    return toolbarColor_;
  return GetViewBackColor(ItemInfo.ViewKind);
}

void TTBKDefaultTheme::GetPartMargins(int32_t PartID, TTBKPartMargins& Margins) {
  switch (PartID) {
    case tbkpToolbarItem:
      Margins = {2, 2, 2, 2};
      break;
    case tbkpPopupMenuItem:
      Margins = {0, 0, 2, 2};
      break;
    case tbkpStatusBarPanel:
      Margins = {1, 3, 1, 1};
      break;
    default:
      Margins = {0, 0, 0, 0};
  }
}

TSize TTBKDefaultTheme::GetViewBorderSize(uint32_t ViewKind) {
  if (ViewKind & tbkvPopup) return ViewKindIs(ViewKind, tbkvListPopup) ? TSize{1, 1} : TSize{3, 3};
  if (!(ViewKind & (tbkvToolbar | tbkvDockPanel))) return TSize{0, 0};
  if (ViewKind & tbkvFloating) {
    if (ViewKind & tbkvResizable)
      return TSize{GetSystemMetrics(SM_CXSIZEFRAME), GetSystemMetrics(SM_CYSIZEFRAME)};
    return TSize{GetSystemMetrics(SM_CXFIXEDFRAME), GetSystemMetrics(SM_CYFIXEDFRAME)};
  }
  return TSize{2, 2};
}

TColor TTBKDefaultTheme::GetViewBackColor(uint32_t ViewKind) {
  if (ViewKind & tbkvToolbar) return toolbarColor_;
  if (ViewKind & tbkvPopup) {
    if (ViewKindIs(ViewKind, tbkvPopupMenu)) return V().MenuColor;
    if (ViewKindIs(ViewKind, tbkvListPopup)) return clWindow;
    if (ViewKindIs(ViewKind, tbkvToolBoxPopup)) return toolbarColor_;
    if (ViewKindIs(ViewKind, tbkvChevronPopup)) return V().MenuColor;
    return toolbarColor_;
  }
  if (ViewKind & tbkvDockPanel) return dockPanelColor_;
  if (ViewKind & tbkvStatusBar) return statusBarColor_;
  return clBtnFace;
}

void TTBKDefaultTheme::GetViewPadding(uint32_t ViewKind, TTBKPartMargins& Margins) {
  if (ViewKindIs(ViewKind, tbkvToolbar | tbkvFloating))
    Margins = {4, 4, 2, 1};
  else
    Margins = {0, 0, 0, 0};
}

int32_t TTBKDefaultTheme::GetIntMetric(int32_t Index) {
  switch (Index) {
    case 10:
      return 11;
    case 20:
      return 8;
    case 21:
      return 3;
    case 32:
    case 62:
      return 1;
    case 33:
    case 34:
    case 36:
    case 60:
    case 61:
      return 2;
    case 37:
      return 4;
    case 50:
      return 6;
    case 65:
      return 13;
    case 66:
      return 0;
    default:
      return -1;
  }
}

bool TTBKDefaultTheme::GetBoolMetric(int32_t Index) { return Index == 5 ? V().VisualStylesActive : false; }

void TTBKDefaultTheme::DrawBackground(TCanvas* Canvas, const TRect&, const TRect& R, const TRect& ClipRect,
                                      TColor Color, bool Transparent, uint32_t) {
  if (Transparent) return;
  TRect r;
  if (!IntersectRect(&r, &R, &ClipRect)) return;
  FillRectColor(Canvas->Handle(), r, Color);
}

void TTBKDefaultTheme::DrawButtonFace(TCanvas*, const TRect&, const TTBKItemPaintInfo&) {}
void TTBKDefaultTheme::DrawItemText(TCanvas*, TRect, const TTBKItemPaintInfo&, const std::string&, UINT, bool) {}
void TTBKDefaultTheme::DrawCheckGlyph(TCanvas*, const TRect&, const TTBKItemPaintInfo&) {}
void TTBKDefaultTheme::DrawChevronButton(TCanvas*, const TRect&, const TTBKItemPaintInfo&) {}
void TTBKDefaultTheme::DrawEditBox(TCanvas*, const TRect&, const TTBKEditPaintInfo&, const TTBKItemPaintInfo&) {}
void TTBKDefaultTheme::DrawEditButtons(TCanvas*, const TRect&, const TTBKEditButtonInfo&, const TTBKItemPaintInfo&) {}
void TTBKDefaultTheme::DrawDockBackground(TCanvas*, const TRect&, const TRect&, int32_t) {}
void TTBKDefaultTheme::DrawDockPanelBorder(TCanvas*, const TRect&, const TTBKDockPanelPaintInfo&) {}
void TTBKDefaultTheme::DrawDropDownArrow(TCanvas*, const TRect&, const TTBKItemPaintInfo&) {}
void TTBKDefaultTheme::DrawFloatingWindowBorder(TCanvas*, const TRect&, const TTBKFloatingPaintInfo&) {}
void TTBKDefaultTheme::DrawItemFrame(TCanvas*, const TRect&, const TTBKItemPaintInfo&) {}
void TTBKDefaultTheme::DrawGlyph(TCanvas*, const TRect&, TCustomImageList*, int32_t, const TTBKItemPaintInfo&) {}
void TTBKDefaultTheme::DrawMDICaptionButton(TCanvas*, const TRect&, int32_t, const TTBKItemPaintInfo&) {}
void TTBKDefaultTheme::DrawMenuItem(TCanvas*, const TRect&, const TTBKItemPaintInfo&) {}
void TTBKDefaultTheme::DrawMenuItemHighlight(TCanvas*, const TRect&, const TTBKItemPaintInfo&) {}
void TTBKDefaultTheme::DrawScrollArrowButton(TCanvas*, const TRect&, bool, int32_t) {}
void TTBKDefaultTheme::DrawPopupBorder(TCanvas*, const TRect&, const TTBKPopupPaintInfo&) {}
void TTBKDefaultTheme::DrawSeparatorLine(TCanvas*, const TRect&, const TTBKItemPaintInfo&, bool, bool) {}
void TTBKDefaultTheme::DrawToolbarBorder(TCanvas*, const TRect&, const TTBKToolbarPaintInfo&) {}
void TTBKDefaultTheme::DrawControlGlyph(TCanvas*, const TRect&, int32_t, int32_t) {}
void TTBKDefaultTheme::DrawStatusBarPart(TCanvas*, const TRect&, int32_t) {}
void TTBKDefaultTheme::DrawEmbossedPattern(HDC, const TRect&, int32_t, const uint16_t*, int32_t, bool, TColor) {}

HFONT CaptionFont() { return nullptr; }
