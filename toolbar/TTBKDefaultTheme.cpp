#include "toolbar/TTBKDefaultTheme.h"

#include <algorithm>
#include <vector>

#include "platform/GdiHolders.h"
#include "platform/DC.h"
#include "platform/Draw.h"
#include "platform/SysInfo.h"
#include "platform/Text.h"
#include "platform/Font.h"
#include "platform/PenBrush.h"
#include "toolbar/DKCommon.h"
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


namespace {

// The monochrome patterns of the classic look (one word per row, the first
// byte the leftmost pixels).
const uint16_t kCloseCross7x7[7] = {0x00, 0xCC, 0x78, 0x30, 0x78, 0xCC, 0x00};
const uint16_t kCloseCross7x6[6] = {0xC6, 0x6C, 0x38, 0x38, 0x6C, 0xC6};
const uint16_t kChevronHorz[5] = {0xCC, 0x66, 0x33, 0x66, 0xCC};
const uint16_t kChevronVert[8] = {0x88, 0xD8, 0x70, 0x20, 0x88, 0xD8, 0x70, 0x20};

bool IsHot(const TTBKItemPaintInfo& I) { return (I.Enabled && I.Hover != 0) || (!I.Enabled && I.Hover == 1); }
bool IsOpaque(uint32_t Kind) { return ViewKindIs(Kind, tbkvToolbar | tbkvOpaqueItems); }
TRect Offset(TRect R, int32_t D) { return TRect{R.Left + D, R.Top + D, R.Right + D, R.Bottom + D}; }
TRect Shrink(TRect R, int32_t D) { return TRect{R.Left + D, R.Top + D, R.Right - D, R.Bottom - D}; }

void Edge(HDC DC, TRect& R, UINT EdgeKind, UINT Flags) { DrawEdge(DC, &R, EdgeKind, Flags); }

// Text in a colour, transparent, with the caller's format or top to bottom.
void PlainText(HDC DC, const TRect& R, const std::string& Text, UINT Format, bool Rotated, TColor C) {
  SetTextColor(DC, ColorToRGB(C));
  int oldMode = SetBkMode(DC, TRANSPARENT);
  TRect r = R;
  if (Rotated)
    DrawVerticalText(DC, Text, r, Format);
  else
    DrawText(DC, Text, &r, Format);
  SetBkMode(DC, oldMode);
}

int32_t MenuCheckWidth() { return GetSystemMetrics(SM_CXMENUCHECK); }

}  // namespace

int32_t DockDragHandleSize(TDKDragHandleStyle Style, bool CloseButton) {
  if (CloseButton) return 14;
  return Style == dhDouble ? 9 : Style == dhSingle ? 6 : 0;
}

namespace {

}  // namespace

void TTBKDefaultTheme::DrawEmbossedPattern(HDC DC, const TRect& R, int32_t W, const uint16_t* Pattern, int32_t H,
                                           bool Enabled, TColor Color) {
  if (Enabled) {
    DrawMonoPattern(DC, R, W, Color, Pattern, H);
    return;
  }
  DrawMonoPattern(DC, Offset(R, 1), W, clBtnHighlight, Pattern, H);
  DrawMonoPattern(DC, R, W, clBtnShadow, Pattern, H);
}

void TTBKDefaultTheme::DrawButtonFace(TCanvas* Canvas, const TRect& ARect, const TTBKItemPaintInfo& I) {
  HDC dc = Canvas->Handle();
  TRect r = ARect;
  bool hot = IsHot(I);
  bool down = (I.Pushed || I.Checked) && I.Enabled;
  if (IsMenuBar(I.ViewKind) && V().FlatMenus) {
    if (down || hot) FillRectColor(dc, r, clHighlight);
    return;
  }
  if (I.SplitPart == 3) r.Right -= 2;
  if (V().FlatMenus && (down || hot)) FillRectColor(dc, r, toolbarColor_);
  if (IsOpaque(I.ViewKind)) {
    UINT flags = BF_RECT | BF_ADJUST | BF_MIDDLE;
    if (!(hot && !I.Pushed && !I.Checked && I.Enabled)) flags |= BF_FLAT;
    if (I.SplitPart == 2 && !hot && !I.Pushed) r.Right += 1;
    Edge(dc, r, EDGE_RAISED, flags);
    if (I.Checked && I.Enabled && I.Hover == 0) FillDithered(dc, r, toolbarColor_, clBtnHighlight);
  } else if (down) {
    Edge(dc, r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
    if (!I.Pushed && I.Hover == 0) FillDithered(dc, r, toolbarColor_, clBtnHighlight);
  } else if (hot || (I.Options & tbkoDesigning)) {
    Edge(dc, r, BDR_RAISEDINNER, BF_RECT);
  }
  if (I.SplitPart == 3) DrawDropDownArrow(Canvas, r, I);
}

void TTBKDefaultTheme::DrawItemText(TCanvas* Canvas, TRect R, const TTBKItemPaintInfo& I, const std::string& Text,
                                    UINT Format, bool Rotated) {
  TColor c = Canvas->Font()->Color();
  if (c == clNone) c = GetItemForeColor(I);
  Canvas->Brush()->SetStyle(bsClear);
  HDC dc = Canvas->Handle();
  bool toolbarStyle = I.Options & tbkoToolbarStyle;
  if (!(!toolbarStyle && !I.Enabled && I.Hover == 1)) {
    if (I.Enabled && toolbarStyle && (I.Pushed || I.Checked) && !(IsMenuBar(I.ViewKind) && V().FlatMenus))
      R = Offset(R, 1);
    if (!I.Enabled && !V().VisualStylesActive) {
      PlainText(dc, Offset(R, 1), Text, Format, Rotated, clBtnHighlight);
      c = clBtnShadow;
    }
  }
  PlainText(dc, R, Text, Format, Rotated, c);
  Canvas->Brush()->SetStyle(bsSolid);
}

void TTBKDefaultTheme::DrawCheckGlyph(TCanvas* Canvas, const TRect& R, const TTBKItemPaintInfo& I) {
  HDC dc = Canvas->Handle();
  int32_t x = (R.Left + R.Right) / 2 - 1, y = (R.Top + R.Bottom) / 2 + 2;
  PolylineColor(dc,
                {{x - 2, y - 2}, {x, y}, {x + 4, y - 4}, {x + 4, y - 3}, {x, y + 1}, {x - 2, y - 1}, {x - 2, y - 2}},
                I.Enabled ? clBtnText : clGrayText);
  if (I.Enabled)
    PolylineColor(dc, {{x - 3, y - 2}, {x - 3, y - 1}, {x, y + 2}, {x + 5, y - 3}, {x + 5, y - 5}}, clBtnHighlight);
}

void TTBKDefaultTheme::DrawChevronButton(TCanvas* Canvas, const TRect& R, const TTBKItemPaintInfo& I) {
  DrawButtonFace(Canvas, R, I);
  HDC dc = Canvas->Handle();
  TRect p = R;
  bool vertical = I.Vertical;
  if (vertical) {
    p.Left = R.Right - 9;
    p.Right = R.Right - 4;
  } else {
    p.Top = R.Top + 4;
    p.Bottom = R.Top + 9;
  }
  if (I.Pushed) p = Offset(p, 1);
  if (vertical)
    DrawEmbossedPattern(dc, p, 5, kChevronVert, 8, I.Enabled, clBtnText);
  else
    DrawEmbossedPattern(dc, p, 8, kChevronHorz, 5, I.Enabled, clBtnText);
}

void TTBKDefaultTheme::DrawItemFrame(TCanvas* Canvas, const TRect& R, const TTBKItemPaintInfo& I) {
  HDC dc = Canvas->Handle();
  TRect r = R;
  bool active = I.Pushed || I.Checked || IsHot(I) || (I.Options & tbkoDesigning);
  if (IsOpaque(I.ViewKind)) {
    Edge(dc, r, EDGE_SUNKEN, BF_RECT | BF_ADJUST | (active ? 0 : BF_FLAT));
  } else {
    if (active)
      Edge(dc, r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
    else
      r = Shrink(r, 1);
    FrameRectColor(dc, r, toolbarColor_, true);
  }
  FrameRectColor(dc, r, clWindow, true);
}

void TTBKDefaultTheme::DrawEditBox(TCanvas* Canvas, const TRect& R, const TTBKEditPaintInfo& E,
                                   const TTBKItemPaintInfo& I) {
  DrawItemFrame(Canvas, R, I);
  TRect in = Shrink(R, GetIntMetric(60));
  if (I.Enabled) {
    TRect f = in;
    if (E.LeftBtnWidth > 0) f.Left += E.LeftBtnWidth - 2;
    if (E.RightBtnWidth > 0) f.Right -= E.RightBtnWidth - 2;
    FillRectColor(Canvas->Handle(), f, clWindow);
  }
  if (E.RightBtnWidth > 0) {
    TRect b = in;
    b.Left = in.Right - E.RightBtnWidth;
    DrawEditButtons(Canvas, b, E.RightBtnInfo, I);
  }
}

void TTBKDefaultTheme::DrawEditButtons(TCanvas* Canvas, const TRect& R, const TTBKEditButtonInfo& B,
                                       const TTBKItemPaintInfo& I) {
  HDC dc = Canvas->Handle();
  bool pressed = B.ButtonState & tbkcgPressed;
  TColor fore = I.Enabled ? clBtnText : clGrayText;
  if (B.ButtonType == tbkebDropDown) {
    TRect r = R;
    LineColor(dc, r.Left, r.Top, r.Left, r.Bottom, clWindow);
    r.Left += 1;
    if (pressed)
      Edge(dc, r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
    else if (B.ButtonState & tbkcgHot)
      Edge(dc, r, BDR_RAISEDINNER, BF_RECT | BF_ADJUST);
    TTBKItemPaintInfo a = I;
    a.Pushed = pressed;
    DrawDropDownArrow(Canvas, r, a);
  } else if (B.ButtonType == tbkebSpin) {
    int32_t mid = (R.Top + R.Bottom) / 2;
    TRect up{R.Left, R.Top, R.Right, mid}, down{R.Left, mid, R.Right, R.Bottom};
    for (int k = 0; k < 2; ++k) {
      TRect r = k == 0 ? up : down;
      Edge(dc, r, BDR_RAISEDINNER, BF_RECT | BF_ADJUST);
      int32_t x = (r.Left + r.Right) / 2, y = (r.Top + r.Bottom) / 2;
      if (k == 0)
        PolygonColor(dc, {{x - 2, y + 1}, {x + 2, y + 1}, {x, y - 1}}, fore, fore);
      else
        PolygonColor(dc, {{x - 2, y - 1}, {x + 2, y - 1}, {x, y + 1}}, fore, fore);
    }
  }
}

void TTBKDefaultTheme::DrawDockBackground(TCanvas*, const TRect&, const TRect&, int32_t) {
  // Docks are painted by the theme only with visual styles, which this
  // platform does not have.
}

void TTBKDefaultTheme::DrawDockPanelBorder(TCanvas* Canvas, const TRect& R, const TTBKDockPanelPaintInfo& P) {
  HDC dc = Canvas->Handle();
  TRect r = R;
  FrameRectColor(dc, r, toolbarColor_, true);
  FrameRectColor(dc, r, clWindow, true);
  if (!P.ShowCaption) return;
  int32_t ch = GetSystemMetrics(SM_CYSMCAPTION);
  TRect cap = r;
  if (P.Vertical)
    cap.Right = cap.Left + ch;
  else
    cap.Bottom = cap.Top + ch;
  TRect e = cap;
  Edge(dc, e, BDR_RAISEDINNER, BF_RECT | BF_ADJUST);
  FillRectColor(dc, e, toolbarColor_);
  if (P.CloseButtonState & tbkcbShown) {
    TRect b = P.Vertical ? TRect{e.Left, e.Top, e.Right, e.Top + (e.Right - e.Left)}
                         : TRect{e.Right - (e.Bottom - e.Top), e.Top, e.Right, e.Bottom};
    TRect bb = b;
    if (P.CloseButtonState & tbkcbPressed)
      Edge(dc, bb, BDR_SUNKENOUTER, BF_RECT);
    else if (P.CloseButtonState & tbkcbHot)
      Edge(dc, bb, BDR_RAISEDINNER, BF_RECT);
    if (P.CloseButtonState & tbkcbPressed) b = Offset(b, 1);
    DrawMonoPattern(dc, b, 7, clBtnText, kCloseCross7x6, 6);
    if (P.Vertical)
      e.Top += b.Bottom - b.Top;
    else
      e.Right -= b.Right - b.Left;
  }
  if (P.Caption) {
    HGDIOBJ old = SelectObject(dc, CaptionFont());
    if (P.Vertical)
      PlainText(dc, e, P.Caption, DT_CENTER | DT_NOPREFIX, true, clBtnText);
    else
      PlainText(dc, TRect{e.Left + 2, e.Top, e.Right, e.Bottom}, P.Caption,
                DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX, false, clBtnText);
    SelectObject(dc, old);
  }
}

void TTBKDefaultTheme::DrawDropDownArrow(TCanvas* Canvas, const TRect& R, const TTBKItemPaintInfo& I) {
  HDC dc = Canvas->Handle();
  int32_t x = (R.Left + R.Right) / 2, y = (R.Top + R.Bottom) / 2 - 1;
  if ((I.Pushed || I.Checked) && I.SplitPart != 3) {
    ++x;
    ++y;
  }
  auto tri = [&](int32_t dx, int32_t dy) -> std::vector<TPoint> {
    if (I.Vertical) return {{x + dx, y + 2 + dy}, {x + dx, y - 2 + dy}, {x - 2 + dx, y + dy}};
    return {{x - 2 + dx, y + dy}, {x + 2 + dx, y + dy}, {x + dx, y + 2 + dy}};
  };
  if (I.Enabled) {
    TColor c = (I.Options & tbkoToolbarStyle) ? V().MenuTextColor : clBtnText;
    PolygonColor(dc, tri(0, 0), c, c);
  } else {
    PolygonColor(dc, tri(1, 1), clBtnHighlight, clBtnHighlight);
    PolygonColor(dc, tri(0, 0), clBtnShadow, clBtnShadow);
  }
}

void TTBKDefaultTheme::DrawFloatingWindowBorder(TCanvas* Canvas, const TRect& R, const TTBKFloatingPaintInfo& F) {
  HDC dc = Canvas->Handle();
  if (F.RedrawParts & tbkrpFrame) {
    int saved = SaveDC(dc);
    ExcludeClipRect(dc, R.Left + F.BorderSize.cx, R.Top + F.BorderSize.cy, R.Right - F.BorderSize.cx,
                    R.Bottom - F.BorderSize.cy);
    TRect e = R;
    Edge(dc, e, EDGE_RAISED, BF_RECT | BF_MIDDLE);
    RestoreDC(dc, saved);
  }
  if (!F.ShowCaption) return;
  int32_t ch = GetSystemMetrics(SM_CYSMCAPTION);
  TRect cap{R.Left + F.BorderSize.cx, R.Top + F.BorderSize.cy, R.Right - F.BorderSize.cx,
            R.Top + F.BorderSize.cy + ch - 1};
  TRect closeR{cap.Right - ch + 1, cap.Top, cap.Right, cap.Bottom};
  bool closeShown = F.CloseButtonState & tbkcbShown;
  UINT gradientSetting = 0;
  bool gradient = SystemParametersInfo(SPI_GETGRADIENTCAPTIONS, 0, &gradientSetting, 0) && gradientSetting;
  if (F.RedrawParts & tbkrpCaption) {
    TRect c = cap;
    if (closeShown) c.Right = closeR.Left;
    TColor from = F.Active ? clActiveCaption : clInactiveCaption;
    if (gradient)
      FillGradient(dc, c, from, F.Active ? clGradientActiveCaption : clGradientInactiveCaption, 0);
    else
      FillRectColor(dc, c, from);
    if (F.Caption) {
      HGDIOBJ old = SelectObject(dc, CaptionFont());
      PlainText(dc, TRect{c.Left + 2, c.Top, c.Right, c.Bottom}, F.Caption,
                DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_HIDEPREFIX, false,
                F.Active ? clCaptionText : clInactiveCaptionText);
      SelectObject(dc, old);
    }
    FillRectColor(dc, TRect{cap.Left, cap.Bottom, cap.Right, cap.Bottom + 1}, clBtnFace);
  }
  if (closeShown) {
    TRect b = Shrink(closeR, 2);
    if (F.RedrawParts & tbkrpCaption) {
      // The caption colour around the button.
      TColor capColor = gradient ? (F.Active ? clGradientActiveCaption : clGradientInactiveCaption)
                                 : (F.Active ? clActiveCaption : clInactiveCaption);
      int saved = SaveDC(dc);
      ExcludeClipRect(dc, b.Left, b.Top, b.Right, b.Bottom);
      FillRectColor(dc, closeR, capColor);
      RestoreDC(dc, saved);
    }
    if (F.RedrawParts & tbkrpCloseButton)
      DrawFrameControl(dc, &b, DFC_CAPTION,
                       DFCS_CAPTIONCLOSE | ((F.CloseButtonState & tbkcbPressed) ? DFCS_PUSHED : 0));
  }
}

void TTBKDefaultTheme::DrawGlyph(TCanvas* Canvas, const TRect& R, TCustomImageList* ImageList, int32_t ImageIndex,
                                 const TTBKItemPaintInfo& I) {
  if (!ImageList || ImageIndex < 0 || ImageIndex >= ImageList->Count()) return;
  TRect r = (I.Pushed || I.Checked) ? Offset(R, 1) : R;
  bool popupItem = IsPopupMenuItem(I);
  if ((popupItem && !V().FlatMenus) || (!popupItem && !V().VisualStylesActive)) {
    ImageList->Draw(Canvas, r.Left, r.Top, ImageIndex, I.Enabled);
    return;
  }
  if (!I.Enabled) {
    DrawShadedGlyph(Canvas, r, ImageList, 0, ImageIndex);
    return;
  }
  bool dark = ColorIsDark(GetItemGlyphBackColor(I), 100) && !popupItem;
  if (I.Checked || I.Pushed || I.Hover != 0 || dark || V().WhiteButtonFace || V().LowColor)
    DrawGlyphOnDark(Canvas, r, ImageList, dark, ImageIndex);
  else
    DrawBlendedGlyph(Canvas, r, ImageList, 178, clWindow, ImageIndex);
}

void TTBKDefaultTheme::DrawMDICaptionButton(TCanvas* Canvas, const TRect& R, int32_t ButtonKind,
                                            const TTBKItemPaintInfo& I) {
  TRect r = R;
  UINT kind = ButtonKind == tbkmbMinimize ? DFCS_CAPTIONMIN
              : ButtonKind == tbkmbRestore ? DFCS_CAPTIONRESTORE
                                           : DFCS_CAPTIONCLOSE;
  DrawFrameControl(Canvas->Handle(), &r, DFC_CAPTION, kind | (I.Pushed ? DFCS_PUSHED : 0));
}

void TTBKDefaultTheme::DrawMenuItem(TCanvas* Canvas, const TRect& R, const TTBKItemPaintInfo& I) {
  HDC dc = Canvas->Handle();
  bool imageColumn = I.ImageWidth > 0 || I.Checked;
  bool split = I.Options & tbkoSplit;
  TRect r = R;
  if (imageColumn) r.Left += GetIntMetric(32) + I.ImageColumnWidth;
  if (split && I.Enabled) r.Right -= MenuCheckWidth();
  DrawMenuItemHighlight(Canvas, r, I);
  if (split) {
    TRect a{R.Right - MenuCheckWidth(), R.Top, R.Right, R.Bottom};
    if (I.Enabled && I.Hover != 0) {
      Edge(dc, a, BDR_SUNKENOUTER, BF_RECT);
    } else {
      a.Left -= 1;
      Edge(dc, a, I.Hover != 0 ? BDR_SUNKENOUTER : EDGE_ETCHED, BF_LEFT);
    }
  }
  if (I.Options & tbkoSubmenu) {
    int32_t x = R.Right - (2 * MenuCheckWidth()) / 3 - 2, y = R.Bottom / 2;
    auto tri = [&](int32_t d) -> std::vector<TPoint> { return {{x + d, y - 3 + d}, {x + d, y + 3 + d}, {x + 3 + d, y + d}}; };
    if (!I.Enabled) {
      if (I.Hover == 1) {
        PolygonColor(dc, tri(0), clBtnShadow, clBtnShadow);
      } else {
        PolygonColor(dc, tri(1), clBtnHighlight, clBtnHighlight);
        PolygonColor(dc, tri(0), clBtnShadow, clBtnShadow);
      }
    } else {
      TColor c = (I.Hover != 0 && !split) ? clHighlightText : V().MenuTextColor;
      PolygonColor(dc, tri(0), c, c);
    }
  }
  if (I.Enabled && imageColumn && (I.Hover != 0 || I.Checked)) {
    TRect col{R.Left, R.Top, R.Left + I.ImageColumnWidth, R.Bottom};
    if (V().FlatMenus) FillRectColor(dc, col, toolbarColor_);
    DrawButtonFace(Canvas, col, I);
  }
}

void TTBKDefaultTheme::DrawMenuItemHighlight(TCanvas* Canvas, const TRect& R, const TTBKItemPaintInfo& I) {
  if (IsHot(I)) FillRectColor(Canvas->Handle(), R, clHighlight);
}

void TTBKDefaultTheme::DrawScrollArrowButton(TCanvas* Canvas, const TRect& R, bool Hot, int32_t Direction) {
  static const UINT kDir[5] = {0, DFCS_SCROLLUP, DFCS_SCROLLDOWN, DFCS_SCROLLLEFT, DFCS_SCROLLRIGHT};
  if (Direction < 1 || Direction > 4) return;
  TRect r = R;
  DrawFrameControl(Canvas->Handle(), &r, DFC_SCROLL, kDir[Direction] | (Hot ? 0 : DFCS_FLAT));
}

void TTBKDefaultTheme::DrawPopupBorder(TCanvas* Canvas, const TRect& R, const TTBKPopupPaintInfo& P) {
  HDC dc = Canvas->Handle();
  TRect r = R;
  if (ViewKindIs(P.ViewKind, tbkvListPopup)) {
    FrameRectColor(dc, r, clWindowFrame, true);
    FrameRectColor(dc, r, clWindow, true);
    FrameRectColor(dc, r, clWindow, true);
    return;
  }
  bool toolBox = ViewKindIs(P.ViewKind, tbkvToolBoxPopup);
  if (toolBox || !V().FlatMenus) {
    Edge(dc, r, EDGE_RAISED, BF_RECT | BF_ADJUST);
    FrameRectColor(dc, r, toolBox ? toolbarColor_ : V().MenuColor, true);
    return;
  }
  FrameRectColor(dc, r, clBtnShadow, true);
  FrameRectColor(dc, r, V().MenuColor, true);
  FrameRectColor(dc, r, V().MenuColor, true);
}

void TTBKDefaultTheme::DrawSeparatorLine(TCanvas* Canvas, const TRect& R, const TTBKItemPaintInfo& I,
                                         bool Horizontal, bool VerticalView) {
  if (!I.Enabled) return;
  HDC dc = Canvas->Handle();
  int32_t inset = VerticalView ? ((I.ViewKind & tbkvFloating) ? 1 : 4) : 0;
  TRect r = R;
  if (Horizontal) {
    if (!(I.Options & tbkoToolbarStyle)) inset = 12;
    r.Top = (r.Top + r.Bottom) / 2 - 1;
    r.Left += inset;
    r.Right -= inset;
    Edge(dc, r, EDGE_ETCHED, BF_TOP);
  } else {
    r.Left = (r.Left + r.Right) / 2 - 1;
    r.Top += inset;
    r.Bottom -= inset;
    Edge(dc, r, EDGE_ETCHED, BF_LEFT);
  }
}

void TTBKDefaultTheme::DrawToolbarBorder(TCanvas* Canvas, const TRect& R, const TTBKToolbarPaintInfo& T) {
  HDC dc = Canvas->Handle();
  Canvas->FillRect(R);
  if (T.BorderStyle == 1) {
    TRect e = R;
    Edge(dc, e, BDR_RAISEDINNER, BF_RECT | BF_ADJUST);
  }
  if (!T.AllowDrag) return;
  bool close = T.CloseButtonState & tbkcbShown;
  int32_t size = DockDragHandleSize(T.DragHandleStyle, close);
  const int32_t bx = T.BorderSize.cx, by = T.BorderSize.cy;
  if (T.DragHandleStyle != dhNone) {
    static const int32_t kOffset[3] = {2, 0, 2}, kOffsetClose[3] = {3, 0, 5};
    int32_t off = (close ? kOffsetClose : kOffset)[T.DragHandleStyle];
    for (int32_t n = 0; n < (T.DragHandleStyle == dhDouble ? 2 : 1); ++n) {
      TRect bar;
      if (T.Vertical) {
        // Across the top of a vertical toolbar.
        int32_t start = bx, end = R.Right - bx;
        if (close) end = R.Right - (size - 2);
        bar = TRect{start + 1, by + off + n * 3, end - 1, by + off + n * 3 + 3};
      } else {
        int32_t start = by, end = R.Bottom - by;
        if (close) start = size - 2;
        bar = TRect{bx + off + n * 3, start + 1, bx + off + n * 3 + 3, end - 1};
      }
      TRect e = bar;
      Edge(dc, e, BDR_RAISEDINNER, BF_RECT);
      SetPixelV(dc, bar.Left, bar.Bottom - 1, ColorToRGB(clBtnHighlight));
    }
  }
  if (close) {
    int32_t w = size - 3;
    TRect b = T.Vertical ? TRect{T.ClientWidth + 2 - w, 3, T.ClientWidth + 2, 3 + w} : TRect{3, 2, 3 + w, 2 + w};
    b.Bottom -= 2;
    b.Right -= 2;
    bool pressed = T.CloseButtonState & tbkcbPressed;
    TRect e = b;
    if (pressed)
      Edge(dc, e, BDR_SUNKENOUTER, BF_RECT);
    else if (T.CloseButtonState & tbkcbHot)
      Edge(dc, e, BDR_RAISEDINNER, BF_RECT);
    DrawMonoPattern(dc, pressed ? Offset(b, 1) : b, 7, clBtnText, kCloseCross7x7, 7);
  }
}

void TTBKDefaultTheme::DrawControlGlyph(TCanvas* Canvas, const TRect& R, int32_t GlyphKind, int32_t F) {
  HDC dc = Canvas->Handle();
  bool disabled = F & tbkcgDisabled, checked = F & tbkcgChecked, grayed = F & tbkcgGrayed;
  bool pressed = F & tbkcgPressed, hot = F & tbkcgHot;
  TRect r = R;
  if ((hot || pressed) && !disabled) {
    UINT state = GlyphKind == tbkgCheckBox
                     ? (DFCS_BUTTONCHECK | (grayed ? 0x408u : checked ? DFCS_CHECKED : 0u))
                     : (DFCS_BUTTONRADIO | (checked ? DFCS_CHECKED : 0u));
    if (pressed) state |= DFCS_PUSHED;
    DrawFrameControl(dc, &r, DFC_BUTTON, state);
    return;
  }
  if (GlyphKind == tbkgCheckBox) {
    r = Shrink(r, 1);
    FrameRectColor(dc, r, clBtnShadow, true);
    if (disabled)
      FillRectColor(dc, r, clBtnFace);
    else if (grayed)
      FillDithered(dc, r, clWindow, clBtnFace);
    else
      FillRectColor(dc, r, clWindow);
    if (checked || grayed) {
      int32_t x = (r.Left + r.Right) / 2 - 1, y = (r.Top + r.Bottom) / 2 + 1;
      TColor c = disabled ? clGrayText : grayed ? clBtnShadow : clBtnText;
      PolygonColor(dc, {{x - 2, y}, {x, y + 2}, {x + 4, y - 2}, {x + 4, y - 4}, {x, y}, {x - 2, y - 2}, {x - 2, y}}, c,
                   c);
    }
    return;
  }
  r = Shrink(r, 1);
  r.Left += 1;
  r.Bottom -= 1;
  {
    TOwnedGdiObject<HPEN> pen(MakeColorPen(clBtnShadow));
    HBRUSH brush = MakeColorBrush(disabled ? clBtnFace : clWindow);
    HGDIOBJ op = SelectObject(dc, pen.get()), ob = SelectObject(dc, brush);
    RoundRect(dc, r.Left, r.Top, r.Right, r.Bottom, r.Right - r.Left - 2, r.Bottom - r.Top - 2);
    SelectObject(dc, op);
    SelectObject(dc, ob);
  }
  if (checked) {
    r = Shrink(r, 3);
    TOwnedGdiObject<HPEN> pen(MakeColorPen(clBtnText));
    HBRUSH brush = MakeColorBrush(clBtnText);
    HGDIOBJ op = SelectObject(dc, pen.get()), ob = SelectObject(dc, brush);
    RoundRect(dc, r.Left, r.Top, r.Right, r.Bottom, r.Right - r.Left, r.Bottom - r.Top);
    SelectObject(dc, op);
    SelectObject(dc, ob);
  }
}

void TTBKDefaultTheme::DrawStatusBarPart(TCanvas* Canvas, const TRect& R, int32_t Part) {
  HDC dc = Canvas->Handle();
  TRect r = R;
  switch (Part) {
    case tbksbBackground:
      FillRectColor(dc, r, statusBarColor_);
      break;
    case tbksbPanel:
    case tbksbRightPanel:
      if (Part == tbksbPanel) r.Right -= 2;
      DrawBevel(dc, r, clBtnShadow, clBtnHighlight, false);
      break;
    case tbksbSizeGrip: {
      int32_t s = std::min(r.Right - r.Left, r.Bottom - r.Top);
      std::vector<TColor> group;
      if (s < 9)
        group = {clBtnShadow, clBtnHighlight};
      else if (s < 12)
        group = {statusBarColor_, clBtnShadow, clBtnHighlight};
      else if (s < 15)
        group = {clBtnShadow, clBtnShadow, clBtnHighlight};
      else
        group = {statusBarColor_, clBtnShadow, clBtnShadow, clBtnHighlight};
      int32_t k = 0;
      for (int g = 0; g < 3; ++g)
        for (TColor c : group) {
          LineColor(dc, r.Right - k - 2, r.Bottom - 2, r.Right - 1, r.Bottom - k - 3, c);
          ++k;
        }
      PolylineColor(dc, {{r.Right - k - 1, r.Bottom - 1}, {r.Right - 1, r.Bottom - 1}, {r.Right - 1, r.Bottom - k - 2}},
                    statusBarColor_);
      break;
    }
    default:
      break;
  }
}

HFONT CaptionFont() {
  static HFONT font = nullptr;
  if (!font) {
    NONCLIENTMETRICS m;
    if (SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof(m), &m, 0)) font = CreateFontIndirect(&m.lfSmCaptionFont);
    if (!font) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  }
  return font;
}
