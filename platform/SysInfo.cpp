// System metrics, the classic colour scheme, system parameters and the one
// monitor. Sizes are those of a 96 pixels-per-inch desktop.

#include "platform/SysInfo.h"

#include <atomic>
#include <cstring>

#include "platform/WindowInternal.h"

namespace {

TSize Screen() {
  TWindowManager& m = WM();
  if (m.Backend) return m.Backend->ScreenSize();
  return TSize{1024, 768};
}

TRect WorkArea() {
  TWindowManager& m = WM();
  if (m.Backend) return m.Backend->WorkArea();
  TSize s = Screen();
  return TRect{0, 0, s.cx, s.cy > 60 ? s.cy - 30 : s.cy};
}

// The classic scheme, indexed by COLOR_*.
const COLORREF kSysColors[COLOR_ENDCOLORS + 1] = {
    RGB(212, 208, 200),  // COLOR_SCROLLBAR
    RGB(58, 110, 165),   // COLOR_BACKGROUND
    RGB(10, 36, 106),    // COLOR_ACTIVECAPTION
    RGB(128, 128, 128),  // COLOR_INACTIVECAPTION
    RGB(212, 208, 200),  // COLOR_MENU
    RGB(255, 255, 255),  // COLOR_WINDOW
    RGB(0, 0, 0),        // COLOR_WINDOWFRAME
    RGB(0, 0, 0),        // COLOR_MENUTEXT
    RGB(0, 0, 0),        // COLOR_WINDOWTEXT
    RGB(255, 255, 255),  // COLOR_CAPTIONTEXT
    RGB(212, 208, 200),  // COLOR_ACTIVEBORDER
    RGB(212, 208, 200),  // COLOR_INACTIVEBORDER
    RGB(128, 128, 128),  // COLOR_APPWORKSPACE
    RGB(10, 36, 106),    // COLOR_HIGHLIGHT
    RGB(255, 255, 255),  // COLOR_HIGHLIGHTTEXT
    RGB(212, 208, 200),  // COLOR_BTNFACE
    RGB(128, 128, 128),  // COLOR_BTNSHADOW
    RGB(128, 128, 128),  // COLOR_GRAYTEXT
    RGB(0, 0, 0),        // COLOR_BTNTEXT
    RGB(212, 208, 200),  // COLOR_INACTIVECAPTIONTEXT
    RGB(255, 255, 255),  // COLOR_BTNHIGHLIGHT
    RGB(64, 64, 64),     // COLOR_3DDKSHADOW
    RGB(212, 208, 200),  // COLOR_3DLIGHT
    RGB(0, 0, 0),        // COLOR_INFOTEXT
    RGB(255, 255, 225),  // COLOR_INFOBK
    RGB(181, 181, 181),  // 25: unused
    RGB(0, 0, 128),      // COLOR_HOTLIGHT
    RGB(166, 202, 240),  // COLOR_GRADIENTACTIVECAPTION
    RGB(192, 192, 192),  // COLOR_GRADIENTINACTIVECAPTION
    RGB(10, 36, 106),    // COLOR_MENUHILIGHT
    RGB(212, 208, 200),  // COLOR_MENUBAR
};

// The user-interface font: 8-point Tahoma (11 pixels at 96 pixels per inch).
LOGFONT UiFont(LONG weight) {
  LOGFONT lf;
  lf.lfHeight = -11;
  lf.lfWeight = weight;
  lf.lfCharSet = DEFAULT_CHARSET;
  std::strncpy(lf.lfFaceName, "Tahoma", LF_FACESIZE - 1);
  return lf;
}

// Menus open with an animation unless the user (or a test) turned it off.
// Windows slide in through regions; fading needs layered windows, which do
// not exist here, so the fade setting stays off.
std::atomic<bool> gMenuAnimation{true};

void PutInt(void* param, int32_t v) {
  if (param) std::memcpy(param, &v, sizeof v);
}

}  // namespace

int32_t GetSystemMetrics(int32_t index) {
  TSize s = Screen();
  TRect work = WorkArea();
  switch (index) {
    case SM_CXSCREEN:
    case SM_CXVIRTUALSCREEN:
      return s.cx;
    case SM_CYSCREEN:
    case SM_CYVIRTUALSCREEN:
      return s.cy;
    case SM_XVIRTUALSCREEN:
    case SM_YVIRTUALSCREEN:
      return 0;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL:
      return 16;
    case SM_CYVTHUMB:
    case SM_CXHTHUMB:
      return 16;
    case SM_CYCAPTION:
      return 19;
    case SM_CXBORDER:
    case SM_CYBORDER:
      return 1;
    case SM_CXFIXEDFRAME:
    case SM_CYFIXEDFRAME:
      return 3;
    case SM_CXSIZEFRAME:
    case SM_CYSIZEFRAME:
      return 4;
    case SM_CXEDGE:
    case SM_CYEDGE:
      return 2;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR:
      return 32;
    case SM_CXSMICON:
    case SM_CYSMICON:
      return 16;
    case SM_CYMENU:
      return 19;
    case SM_CXFULLSCREEN:
      return work.Width();
    case SM_CYFULLSCREEN:
      return work.Height() - 19;
    case SM_CYKANJIWINDOW:
    case SM_DEBUG:
    case SM_SWAPBUTTON:
    case SM_MENUDROPALIGNMENT:
    case SM_DBCSENABLED:
    case SM_REMOTESESSION:
      return 0;
    case SM_MOUSEPRESENT:
    case SM_MOUSEWHEELPRESENT:
    case SM_CMONITORS:
    case SM_SAMEDISPLAYFORMAT:
      return 1;
    case SM_CMOUSEBUTTONS:
      return 3;
    case SM_CXMIN:
    case SM_CXMINTRACK:
      return 112;
    case SM_CYMIN:
    case SM_CYMINTRACK:
      return 27;
    case SM_CXSIZE:
    case SM_CYSIZE:
    case SM_CXMENUSIZE:
    case SM_CYMENUSIZE:
      return 18;
    case SM_CYSMCAPTION:
      return 16;
    case SM_CXSMSIZE:
      return 12;
    case SM_CYSMSIZE:
      return 15;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
    case SM_CXDRAG:
    case SM_CYDRAG:
      return 4;
    case SM_CXICONSPACING:
    case SM_CYICONSPACING:
      return 75;
    case SM_CXMINIMIZED:
      return 160;
    case SM_CYMINIMIZED:
      return 24;
    case SM_CXMAXTRACK:
      return s.cx + 12;
    case SM_CYMAXTRACK:
      return s.cy + 12;
    case SM_CXMAXIMIZED:
      return work.Width() + 8;
    case SM_CYMAXIMIZED:
      return work.Height() + 8;
    case SM_CXMENUCHECK:
    case SM_CYMENUCHECK:
      return 13;
  }
  return 0;
}

COLORREF GetSysColor(int32_t index) {
  if (index < 0 || index > COLOR_ENDCOLORS) return 0;
  return kSysColors[index];
}

bool SystemParametersInfo(UINT action, UINT, void* param, UINT) {
  switch (action) {
    case SPI_GETWORKAREA:
      if (!param) return false;
      *static_cast<TRect*>(param) = WorkArea();
      return true;
    case SPI_GETMENUSHOWDELAY:
      PutInt(param, 400);
      return true;
    case SPI_GETWHEELSCROLLLINES:
      PutInt(param, 3);
      return true;
    case SPI_GETKEYBOARDDELAY:
      PutInt(param, 1);
      return true;
    case SPI_GETKEYBOARDSPEED:
      PutInt(param, 31);
      return true;
    case SPI_GETMOUSEHOVERWIDTH:
    case SPI_GETMOUSEHOVERHEIGHT:
      PutInt(param, 4);
      return true;
    case SPI_GETMOUSEHOVERTIME:
      PutInt(param, 400);
      return true;
    case SPI_GETFOCUSBORDERWIDTH:
    case SPI_GETFOCUSBORDERHEIGHT:
      PutInt(param, 1);
      return true;
    // Underlined access keys always show; gradients in captions are on.
    case SPI_GETKEYBOARDCUES:
    case SPI_GETGRADIENTCAPTIONS:
    case SPI_GETDRAGFULLWINDOWS:
    case SPI_GETBEEP:
    case SPI_GETFONTSMOOTHING:
      PutInt(param, TRUE);
      return true;
    case SPI_GETMENUANIMATION:
      PutInt(param, gMenuAnimation.load() ? TRUE : FALSE);
      return true;
    case SPI_SETMENUANIMATION:
      gMenuAnimation.store(param != nullptr);
      return true;
    // No layered windows: no fades or drop shadows; no flat menus.
    case SPI_GETFLATMENU:
    case SPI_GETMENUFADE:
    case SPI_GETCOMBOBOXANIMATION:
    case SPI_GETLISTBOXSMOOTHSCROLLING:
    case SPI_GETHOTTRACKING:
    case SPI_GETSELECTIONFADE:
    case SPI_GETTOOLTIPANIMATION:
    case SPI_GETTOOLTIPFADE:
    case SPI_GETCURSORSHADOW:
    case SPI_GETDROPSHADOW:
    case SPI_GETUIEFFECTS:
    case SPI_GETACTIVEWINDOWTRACKING:
    case SPI_GETKEYBOARDPREF:
    case SPI_GETSCREENREADER:
      PutInt(param, FALSE);
      return true;
    case SPI_GETNONCLIENTMETRICS: {
      auto* n = static_cast<NONCLIENTMETRICS*>(param);
      if (!n) return false;
      n->iBorderWidth = 1;
      n->iScrollWidth = n->iScrollHeight = 16;
      n->iCaptionWidth = n->iCaptionHeight = 18;
      n->lfCaptionFont = UiFont(FW_BOLD);
      n->iSmCaptionWidth = 12;
      n->iSmCaptionHeight = 15;
      n->lfSmCaptionFont = UiFont(FW_BOLD);
      n->iMenuWidth = n->iMenuHeight = 18;
      n->lfMenuFont = UiFont(FW_NORMAL);
      n->lfStatusFont = UiFont(FW_NORMAL);
      n->lfMessageFont = UiFont(FW_NORMAL);
      return true;
    }
    case SPI_GETICONTITLELOGFONT:
      if (!param) return false;
      *static_cast<LOGFONT*>(param) = UiFont(FW_NORMAL);
      return true;
  }
  return false;
}

DWORD GetVersion() {
  return 0x0A280105u & 0x7FFFFFFFu;
}  // 5.1, build 2600

namespace {
TMonitorTag* const kMonitor = reinterpret_cast<TMonitorTag*>(0x12340000);
}

HMONITOR MonitorFromPoint(TPoint, DWORD) {
  return kMonitor;
}
HMONITOR MonitorFromRect(const TRect*, DWORD) {
  return kMonitor;
}
HMONITOR MonitorFromWindow(HWND, DWORD) {
  return kMonitor;
}

bool GetMonitorInfo(HMONITOR monitor, MONITORINFO* info) {
  if (monitor != kMonitor || !info) return false;
  TSize s = Screen();
  info->rcMonitor = TRect{0, 0, s.cx, s.cy};
  info->rcWork = WorkArea();
  info->dwFlags = 1;  // primary
  return true;
}
