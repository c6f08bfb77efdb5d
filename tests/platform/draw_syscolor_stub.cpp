// The classic scheme for the drawing tests when the window side's system
// colours are not linked in; a real definition takes precedence.
#include "platform/SysInfo.h"

__attribute__((weak)) COLORREF GetSysColor(int32_t index) {
  switch (index) {
    case COLOR_BTNFACE: return RGB(212, 208, 200);
    case COLOR_BTNSHADOW: return RGB(128, 128, 128);
    case COLOR_BTNHIGHLIGHT: return RGB(255, 255, 255);
    case COLOR_3DDKSHADOW: return RGB(64, 64, 64);
    case COLOR_3DLIGHT: return RGB(212, 208, 200);
    case COLOR_WINDOW: return RGB(255, 255, 255);
    case COLOR_WINDOWTEXT: return RGB(0, 0, 0);
    case COLOR_BTNTEXT: return RGB(0, 0, 0);
    case COLOR_GRAYTEXT: return RGB(128, 128, 128);
    case COLOR_WINDOWFRAME: return RGB(0, 0, 0);
    case COLOR_HIGHLIGHT: return RGB(10, 36, 106);
    case COLOR_HIGHLIGHTTEXT: return RGB(255, 255, 255);
    default: return 0;
  }
}
