#include "ui/TColor.h"

#include "rtl/TypInfo.h"

#include "platform/SysInfo.h"

COLORREF ColorToRGB(TColor color) {
  if (color < 0) return GetSysColor(color & 0xFF);
  return COLORREF(color);
}

const TTypeInfo* TColorTypeInfo() {
  static const TTypeInfo info = [] {
    TTypeInfo t;
    t.Kind = tkInteger;
    t.Name = "TColor";
    t.Idents = {
      {clScrollBar, "clScrollBar"},
      {clBackground, "clBackground"},
      {clActiveCaption, "clActiveCaption"},
      {clInactiveCaption, "clInactiveCaption"},
      {clMenu, "clMenu"},
      {clWindow, "clWindow"},
      {clWindowFrame, "clWindowFrame"},
      {clMenuText, "clMenuText"},
      {clWindowText, "clWindowText"},
      {clCaptionText, "clCaptionText"},
      {clActiveBorder, "clActiveBorder"},
      {clInactiveBorder, "clInactiveBorder"},
      {clAppWorkSpace, "clAppWorkSpace"},
      {clHighlight, "clHighlight"},
      {clHighlightText, "clHighlightText"},
      {clBtnFace, "clBtnFace"},
      {clBtnShadow, "clBtnShadow"},
      {clGrayText, "clGrayText"},
      {clBtnText, "clBtnText"},
      {clInactiveCaptionText, "clInactiveCaptionText"},
      {clBtnHighlight, "clBtnHighlight"},
      {cl3DDkShadow, "cl3DDkShadow"},
      {cl3DLight, "cl3DLight"},
      {clInfoText, "clInfoText"},
      {clInfoBk, "clInfoBk"},
      {clHotLight, "clHotLight"},
      {clGradientActiveCaption, "clGradientActiveCaption"},
      {clGradientInactiveCaption, "clGradientInactiveCaption"},
      {clMenuHighlight, "clMenuHighlight"},
      {clMenuBar, "clMenuBar"},
      {clBlack, "clBlack"},
      {clMaroon, "clMaroon"},
      {clGreen, "clGreen"},
      {clOlive, "clOlive"},
      {clNavy, "clNavy"},
      {clPurple, "clPurple"},
      {clTeal, "clTeal"},
      {clGray, "clGray"},
      {clSilver, "clSilver"},
      {clRed, "clRed"},
      {clLime, "clLime"},
      {clYellow, "clYellow"},
      {clBlue, "clBlue"},
      {clFuchsia, "clFuchsia"},
      {clAqua, "clAqua"},
      {clLtGray, "clLtGray"},
      {clDkGray, "clDkGray"},
      {clWhite, "clWhite"},
      {clMoneyGreen, "clMoneyGreen"},
      {clSkyBlue, "clSkyBlue"},
      {clCream, "clCream"},
      {clMedGray, "clMedGray"},
      {clNone, "clNone"},
      {clDefault, "clDefault"}};
    return t;
  }();
  return &info;
}
