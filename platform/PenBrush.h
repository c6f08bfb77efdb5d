// Pens, brushes and the stock objects.
#pragma once

#include <cstdint>

#include "platform/DC.h"
#include "platform/GdiObject.h"
#include "platform/Types.h"

constexpr int PS_SOLID = 0;
constexpr int PS_DASH = 1;        // -------
constexpr int PS_DOT = 2;         // .......
constexpr int PS_DASHDOT = 3;     // _._._._
constexpr int PS_DASHDOTDOT = 4;  // _.._.._
constexpr int PS_NULL = 5;
constexpr int PS_INSIDEFRAME = 6;
constexpr int PS_ALTERNATE = 8;  // every other pixel (geometric pens' cosmetic form)
constexpr int PS_STYLE_MASK = 0x0000000F;

constexpr int BS_SOLID = 0;
constexpr int BS_NULL = 1;
constexpr int BS_HOLLOW = BS_NULL;
constexpr int BS_HATCHED = 2;
constexpr int BS_PATTERN = 3;

constexpr int HS_HORIZONTAL = 0;  // -----
constexpr int HS_VERTICAL = 1;    // |||||
constexpr int HS_FDIAGONAL = 2;   // \\\\\ (top left to bottom right)
constexpr int HS_BDIAGONAL = 3;   // ///// (bottom left to top right)
constexpr int HS_CROSS = 4;       // +++++
constexpr int HS_DIAGCROSS = 5;   // xxxxx

struct PenObject : GdiObject {
  PenObject() : GdiObject(OBJ_PEN) {}
  int style = PS_SOLID;
  int width = 1;
  COLORREF color = 0;
};

struct BrushObject : GdiObject {
  BrushObject() : GdiObject(OBJ_BRUSH) {}
  int style = BS_SOLID;
  COLORREF color = 0;
  int hatch = 0;
  // BS_PATTERN: an 8 x 8 tile. A monochrome pattern (mono true) holds 0/1 in
  // the low bit and is drawn in the DC's text (0) and background (1) colours;
  // otherwise the tile holds pixel values.
  bool mono = false;
  uint32_t tile[64] = {};
};

struct LOGPEN {
  UINT lopnStyle;
  TPoint lopnWidth;
  COLORREF lopnColor;
};

struct LOGBRUSH {
  UINT lbStyle;
  COLORREF lbColor;
  uintptr_t lbHatch;
};

HPEN CreatePen(int style, int width, COLORREF color);
HPEN CreatePenIndirect(const LOGPEN* lp);
HBRUSH CreateSolidBrush(COLORREF color);
HBRUSH CreateHatchBrush(int hatch, COLORREF color);
// The bitmap's top-left 8 x 8 pixels make the pattern (smaller bitmaps
// repeat); a 1-bit bitmap gives a monochrome pattern. The bitmap may be freed
// afterwards.
HBRUSH CreatePatternBrush(HBITMAP bitmap);
HBRUSH CreateBrushIndirect(const LOGBRUSH* lb);

constexpr int WHITE_BRUSH = 0;
constexpr int LTGRAY_BRUSH = 1;
constexpr int GRAY_BRUSH = 2;
constexpr int DKGRAY_BRUSH = 3;
constexpr int BLACK_BRUSH = 4;
constexpr int NULL_BRUSH = 5;
constexpr int HOLLOW_BRUSH = NULL_BRUSH;
constexpr int WHITE_PEN = 6;
constexpr int BLACK_PEN = 7;
constexpr int NULL_PEN = 8;
constexpr int OEM_FIXED_FONT = 10;
constexpr int ANSI_FIXED_FONT = 11;
constexpr int ANSI_VAR_FONT = 12;
constexpr int SYSTEM_FONT = 13;
constexpr int DEVICE_DEFAULT_FONT = 14;
constexpr int DEFAULT_PALETTE = 15;
constexpr int SYSTEM_FIXED_FONT = 16;
constexpr int DEFAULT_GUI_FONT = 17;
constexpr int DC_BRUSH = 18;
constexpr int DC_PEN = 19;

// Never freed; DeleteObject on one does nothing.
HGDIOBJ GetStockObject(int index);
HPEN StockPen(int index);
HBRUSH StockBrush(int index);
