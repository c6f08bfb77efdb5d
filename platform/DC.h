// Device contexts: a drawing state (origins, clip, selected pen, brush, font
// and bitmap, colours and modes) over a 32-bit surface or a bitmap.
//
// Coordinates: a logical point p lands on device pixel
//   p - window origin + viewport origin,
// and device pixel d on surface pixel d + the DC's surface origin. Output is
// clipped to the DC's visible region (fixed at creation, in surface
// coordinates) intersected with the selected clip region (device coordinates).
#pragma once

#include <cstdint>

#include "platform/GdiObject.h"
#include "platform/Geometry.h"
#include "platform/Region.h"
#include "platform/Surface.h"
#include "platform/Types.h"

struct DeviceContext;
struct PenObject;
struct BrushObject;
struct FontObject;
struct BitmapObject;
struct PaletteObject;
using HDC = DeviceContext*;
using HPEN = PenObject*;
using HBRUSH = BrushObject*;
using HFONT = FontObject*;
using HBITMAP = BitmapObject*;
using HPALETTE = PaletteObject*;

// --- Creating and freeing -------------------------------------------------

// A device context drawing on surface, with device (0, 0) at origin (surface
// coordinates) and output limited to visible (surface coordinates; copied;
// null means the whole surface). The surface must outlive the DC. This is
// what window and paint DCs are made of.
HDC CreateSurfaceDC(Surface* surface, TPoint origin, HRGN visible);
HDC CreateSurfaceDC(Surface* surface, TPoint origin, const Region* visible);
// A memory DC; it starts with a 1 x 1 monochrome bitmap selected. dc may be null.
HDC CreateCompatibleDC(HDC dc);
// Frees a DC made by either call; objects selected into it are released.
BOOL DeleteDC(HDC dc);
// Whether dc is a live device context.
bool IsDC(HDC dc);

// The surface a DC draws on: a window DC's surface, or a memory DC's 32-bit
// bitmap; null for bitmaps of other depths.
Surface* DCSurface(HDC dc);
// The DC's device origin in surface coordinates.
BOOL GetDCOrgEx(HDC dc, TPoint* p);

// Pushes the drawing state; answers its level (1, 2, ...) or 0.
int SaveDC(HDC dc);
// level > 0: back to the state saved at that level; level < 0: relative to
// the latest (-1 is the latest). Later saves are dropped.
BOOL RestoreDC(HDC dc, int level);

// --- Coordinates ------------------------------------------------------------

BOOL SetWindowOrgEx(HDC dc, int32_t x, int32_t y, TPoint* old);
BOOL GetWindowOrgEx(HDC dc, TPoint* p);
BOOL OffsetWindowOrgEx(HDC dc, int32_t dx, int32_t dy, TPoint* old);
BOOL SetViewportOrgEx(HDC dc, int32_t x, int32_t y, TPoint* old);
BOOL GetViewportOrgEx(HDC dc, TPoint* p);
BOOL OffsetViewportOrgEx(HDC dc, int32_t dx, int32_t dy, TPoint* old);
BOOL LPtoDP(HDC dc, TPoint* pts, int count);
BOOL DPtoLP(HDC dc, TPoint* pts, int count);

// --- Clipping ---------------------------------------------------------------

// Replaces the clip region by a copy of rgn (device coordinates); null
// removes it. Answers the complexity of the resulting clip or ERROR.
int SelectClipRgn(HDC dc, HRGN rgn);
// Combines the clip region with rgn by RGN_AND/OR/XOR/DIFF/COPY; an absent
// clip region counts as the whole device.
int ExtSelectClipRgn(HDC dc, HRGN rgn, int mode);
// Logical coordinates.
int IntersectClipRect(HDC dc, int32_t left, int32_t top, int32_t right, int32_t bottom);
int ExcludeClipRect(HDC dc, int32_t left, int32_t top, int32_t right, int32_t bottom);
int OffsetClipRgn(HDC dc, int32_t dx, int32_t dy);
// Smallest rectangle around what can be drawn, logical coordinates.
int GetClipBox(HDC dc, TRect* r);
// 1 and the clip region (device coordinates) in rgn; 0 when none is selected.
int GetClipRgn(HDC dc, HRGN rgn);
BOOL PtVisible(HDC dc, int32_t x, int32_t y);
BOOL RectVisible(HDC dc, const TRect* r);

// --- Selected objects -------------------------------------------------------

HGDIOBJ SelectObject(HDC dc, HGDIOBJ obj);
HPEN SelectObject(HDC dc, HPEN pen);
HBRUSH SelectObject(HDC dc, HBRUSH brush);
HFONT SelectObject(HDC dc, HFONT font);
HBITMAP SelectObject(HDC dc, HBITMAP bitmap);
// Selecting a region sets the clip region; answers its complexity.
int SelectObject(HDC dc, HRGN rgn);
HGDIOBJ GetCurrentObject(HDC dc, UINT kind);

// --- Colours and modes ------------------------------------------------------

constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

// Mix modes of pens and brushes (destination D, pen P).
constexpr int R2_BLACK = 1;         // 0
constexpr int R2_NOTMERGEPEN = 2;   // ~(D | P)
constexpr int R2_MASKNOTPEN = 3;    // D & ~P
constexpr int R2_NOTCOPYPEN = 4;    // ~P
constexpr int R2_MASKPENNOT = 5;    // P & ~D
constexpr int R2_NOT = 6;           // ~D
constexpr int R2_XORPEN = 7;        // D ^ P
constexpr int R2_NOTMASKPEN = 8;    // ~(D & P)
constexpr int R2_MASKPEN = 9;       // D & P
constexpr int R2_NOTXORPEN = 10;    // ~(D ^ P)
constexpr int R2_NOP = 11;          // D
constexpr int R2_MERGENOTPEN = 12;  // D | ~P
constexpr int R2_COPYPEN = 13;      // P
constexpr int R2_MERGEPENNOT = 14;  // P | ~D
constexpr int R2_MERGEPEN = 15;     // D | P
constexpr int R2_WHITE = 16;        // 1

constexpr int BLACKONWHITE = 1;
constexpr int WHITEONBLACK = 2;
constexpr int COLORONCOLOR = 3;
constexpr int HALFTONE = 4;
constexpr int STRETCH_ANDSCANS = BLACKONWHITE;
constexpr int STRETCH_ORSCANS = WHITEONBLACK;
constexpr int STRETCH_DELETESCANS = COLORONCOLOR;
constexpr int STRETCH_HALFTONE = HALFTONE;

constexpr int ALTERNATE = 1;
constexpr int WINDING = 2;

COLORREF SetTextColor(HDC dc, COLORREF c);
COLORREF GetTextColor(HDC dc);
COLORREF SetBkColor(HDC dc, COLORREF c);
COLORREF GetBkColor(HDC dc);
int SetBkMode(HDC dc, int mode);
int GetBkMode(HDC dc);
int SetROP2(HDC dc, int mode);
int GetROP2(HDC dc);
int SetStretchBltMode(HDC dc, int mode);
int GetStretchBltMode(HDC dc);
int SetPolyFillMode(HDC dc, int mode);
int GetPolyFillMode(HDC dc);
// Where the 8 x 8 brush patterns start, device coordinates.
BOOL SetBrushOrgEx(HDC dc, int32_t x, int32_t y, TPoint* old);
BOOL GetBrushOrgEx(HDC dc, TPoint* p);
UINT SetTextAlign(HDC dc, UINT align);
UINT GetTextAlign(HDC dc);
int SetTextCharacterExtra(HDC dc, int extra);
int GetTextCharacterExtra(HDC dc);
BOOL MoveToEx(HDC dc, int32_t x, int32_t y, TPoint* old);
BOOL GetCurrentPositionEx(HDC dc, TPoint* p);

// --- Device capabilities ------------------------------------------------------

constexpr int HORZRES = 8;
constexpr int VERTRES = 10;
constexpr int BITSPIXEL = 12;
constexpr int PLANES = 14;
constexpr int NUMCOLORS = 24;
constexpr int RASTERCAPS = 38;
constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;
constexpr int SIZEPALETTE = 104;
constexpr int COLORRES = 108;
constexpr int RC_PALETTE = 0x0100;

// The screen's size for HORZRES/VERTRES (set by the backend), 32 bits per
// pixel, 96 pixels per inch, no palette.
int GetDeviceCaps(HDC dc, int index);
// Called by the backend when it knows the screen.
void SetScreenSize(int32_t width, int32_t height);
