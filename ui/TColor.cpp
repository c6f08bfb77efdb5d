#include "ui/TColor.h"

#include "platform/SysInfo.h"

COLORREF ColorToRGB(TColor color) {
  if (color < 0) return GetSysColor(color & 0xFF);
  return COLORREF(color);
}
