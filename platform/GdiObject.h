// The drawing objects behind the handles (pens, brushes, fonts, bitmaps,
// regions, palettes, device contexts): each is a GdiObject of one kind.
// Handles are pointers to them; DeleteObject frees one unless it is a stock
// object or currently selected into a device context.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/Types.h"

constexpr DWORD OBJ_PEN = 1;
constexpr DWORD OBJ_BRUSH = 2;
constexpr DWORD OBJ_DC = 3;
constexpr DWORD OBJ_PAL = 5;
constexpr DWORD OBJ_FONT = 6;
constexpr DWORD OBJ_BITMAP = 7;
constexpr DWORD OBJ_REGION = 8;
constexpr DWORD OBJ_MEMDC = 10;
constexpr DWORD OBJ_EXTPEN = 11;

struct GdiObject {
  explicit GdiObject(DWORD kind);
  virtual ~GdiObject();
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;

  DWORD kind;
  bool stock = false;
  // Device contexts that hold this object selected (stock objects are
  // selected on several threads at once).
  std::atomic<int> selected{0};
};
using HGDIOBJ = GdiObject*;

// Whether h is a live object (null and freed handles are not).
bool IsGdiObject(HGDIOBJ h);
// OBJ_xxx of a live object, 0 otherwise.
DWORD GetObjectType(HGDIOBJ h);
// Frees a live object that is neither stock nor selected; FALSE otherwise.
BOOL DeleteObject(HGDIOBJ h);
// Live objects of all kinds (for leak checks in tests).
int GdiObjectCount();
