#include "platform/PenBrush.h"

#include <algorithm>
#include <cstdio>

#include "platform/Bitmap.h"
#include "platform/Font.h"

HPEN CreatePen(int style, int width, COLORREF color) {
  auto* p = new PenObject();
  p->style = (style & PS_STYLE_MASK) <= PS_ALTERNATE ? (style & PS_STYLE_MASK) : PS_SOLID;
  p->width = std::clamp(width, 0, 1 << 12);  // wider pens cover any screen
  p->color = color & 0xFFFFFF;
  return p;
}

HPEN CreatePenIndirect(const LOGPEN* lp) {
  if (!lp) return nullptr;
  return CreatePen(int(lp->lopnStyle), lp->lopnWidth.X, lp->lopnColor);
}

HBRUSH CreateSolidBrush(COLORREF color) {
  auto* b = new BrushObject();
  b->style = BS_SOLID;
  b->color = color & 0xFFFFFF;
  return b;
}

HBRUSH CreateHatchBrush(int hatch, COLORREF color) {
  if (hatch < HS_HORIZONTAL || hatch > HS_DIAGCROSS) return nullptr;
  auto* b = new BrushObject();
  b->style = BS_HATCHED;
  b->hatch = hatch;
  b->color = color & 0xFFFFFF;
  return b;
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* lb) {
  if (!lb) return nullptr;
  switch (lb->lbStyle) {
    case BS_SOLID:
      return CreateSolidBrush(lb->lbColor);
    case BS_NULL:
      return StockBrush(NULL_BRUSH);
    case BS_HATCHED:
      return CreateHatchBrush(int(lb->lbHatch), lb->lbColor);
    case BS_PATTERN:
      return CreatePatternBrush(reinterpret_cast<HBITMAP>(lb->lbHatch));
    default:
      return nullptr;
  }
}

namespace {

struct Stock {
  HGDIOBJ objects[DC_PEN + 1] = {};
  Stock() {
    auto brush = [](COLORREF c, int style) {
      auto* b = new BrushObject();
      b->style = style;
      b->color = c;
      b->stock = true;
      return b;
    };
    auto pen = [](COLORREF c, int style) {
      auto* p = new PenObject();
      p->style = style;
      p->color = c;
      p->stock = true;
      return p;
    };
    objects[WHITE_BRUSH] = brush(RGB(255, 255, 255), BS_SOLID);
    objects[LTGRAY_BRUSH] = brush(RGB(192, 192, 192), BS_SOLID);
    objects[GRAY_BRUSH] = brush(RGB(128, 128, 128), BS_SOLID);
    objects[DKGRAY_BRUSH] = brush(RGB(64, 64, 64), BS_SOLID);
    objects[BLACK_BRUSH] = brush(RGB(0, 0, 0), BS_SOLID);
    objects[NULL_BRUSH] = brush(0, BS_NULL);
    objects[DC_BRUSH] = brush(RGB(255, 255, 255), BS_SOLID);
    objects[WHITE_PEN] = pen(RGB(255, 255, 255), PS_SOLID);
    objects[BLACK_PEN] = pen(RGB(0, 0, 0), PS_SOLID);
    objects[NULL_PEN] = pen(0, PS_NULL);
    objects[DC_PEN] = pen(RGB(0, 0, 0), PS_SOLID);
    auto font = [](const char* face, LONG height, LONG weight, BYTE pitch) {
      LOGFONT lf;
      lf.lfHeight = height;
      lf.lfWeight = weight;
      lf.lfPitchAndFamily = pitch;
      std::snprintf(lf.lfFaceName, sizeof lf.lfFaceName, "%s", face);
      HFONT f = CreateFontIndirect(&lf);
      f->stock = true;
      return f;
    };
    objects[SYSTEM_FONT] = font("System", 16, FW_BOLD, VARIABLE_PITCH);
    objects[DEVICE_DEFAULT_FONT] = font("System", 16, FW_BOLD, VARIABLE_PITCH);
    objects[OEM_FIXED_FONT] = font("Terminal", 12, FW_NORMAL, FIXED_PITCH);
    objects[ANSI_FIXED_FONT] = font("Courier", 13, FW_NORMAL, FIXED_PITCH);
    objects[SYSTEM_FIXED_FONT] = font("Fixedsys", 15, FW_NORMAL, FIXED_PITCH);
    objects[ANSI_VAR_FONT] = font("MS Sans Serif", 13, FW_NORMAL, VARIABLE_PITCH);
    objects[DEFAULT_GUI_FONT] = font("MS Shell Dlg", -11, FW_NORMAL, VARIABLE_PITCH);
    auto* pal = new PaletteObject();
    pal->stock = true;
    objects[DEFAULT_PALETTE] = pal;
  }
};

Stock& Stocks() {
  static Stock* s = new Stock();
  return *s;
}

}  // namespace

HGDIOBJ GetStockObject(int index) {
  if (index < 0 || index > DC_PEN) return nullptr;
  return Stocks().objects[index];
}

HPEN StockPen(int index) {
  HGDIOBJ o = GetStockObject(index);
  return o && o->kind == OBJ_PEN ? static_cast<HPEN>(o) : nullptr;
}

HBRUSH StockBrush(int index) {
  HGDIOBJ o = GetStockObject(index);
  return o && o->kind == OBJ_BRUSH ? static_cast<HBRUSH>(o) : nullptr;
}

HBRUSH CreatePatternBrush(HBITMAP bitmap) {
  if (!IsGdiObject(bitmap) || bitmap->kind != OBJ_BITMAP || bitmap->width <= 0 ||
      bitmap->height <= 0)
    return nullptr;
  auto* b = new BrushObject();
  b->style = BS_PATTERN;
  b->mono = bitmap->bitsPerPixel == 1;
  uint32_t row[8];
  for (int y = 0; y < 8; ++y) {
    int32_t sy = y % bitmap->height;
    int32_t n = std::min(bitmap->width, 8);
    ReadBitmapRow(*bitmap, sy, 0, n, row);
    for (int x = 0; x < 8; ++x) {
      uint32_t px = row[x % n] & 0xFFFFFF;
      if (b->mono) {
        // Index 1 of a monochrome bitmap (the brighter entry by convention).
        uint32_t one = bitmap->colors.size() > 1 ? ((uint32_t(bitmap->colors[1].rgbRed) << 16) |
                                                    (uint32_t(bitmap->colors[1].rgbGreen) << 8) |
                                                    bitmap->colors[1].rgbBlue)
                                                 : 0xFFFFFF;
        b->tile[y * 8 + x] = px == one ? 1u : 0u;
      } else {
        b->tile[y * 8 + x] = px;
      }
    }
  }
  return b;
}
