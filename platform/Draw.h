// Drawing on device contexts: pixels, lines, shapes, fills, blits with raster
// operations, gradients, alpha blending, edges, frame controls, focus
// rectangles. Coordinates are logical; output is clipped to the DC.
#pragma once

#include <cstdint>

#include "platform/Bitmap.h"
#include "platform/DC.h"
#include "platform/Geometry.h"
#include "platform/PenBrush.h"
#include "platform/Region.h"
#include "platform/Types.h"

// --- Pixels, lines and shapes -------------------------------------------------

// Answers the colour set (or CLR_INVALID outside the clip).
COLORREF SetPixel(HDC dc, int32_t x, int32_t y, COLORREF c);
BOOL SetPixelV(HDC dc, int32_t x, int32_t y, COLORREF c);
// CLR_INVALID outside the DC's target or clip.
COLORREF GetPixel(HDC dc, int32_t x, int32_t y);

// From the current position to (x, y), which is not drawn and becomes the
// current position.
BOOL LineTo(HDC dc, int32_t x, int32_t y);
// Segments between consecutive points; the last point is not drawn. The
// current position is neither used nor changed.
BOOL Polyline(HDC dc, const TPoint* pts, int count);
BOOL PolylineTo(HDC dc, const TPoint* pts, int count);
// Filled with the brush (ALTERNATE or WINDING), then outlined with the pen,
// the last point joined back to the first. With a pen the fill meets the
// outline; with a null pen the right and bottom edges stay unfilled.
BOOL Polygon(HDC dc, const TPoint* pts, int count);
// counts[0..polys-1] closed rings taken one after another from pts, filled
// together under the fill mode (so an inner ring can cut a hole), each
// outlined as Polygon does. FALSE when a ring has fewer than two points.
BOOL PolyPolygon(HDC dc, const TPoint* pts, const int* counts, int polys);
// Outline with the pen on the pixels left..right-1, top..bottom-1 and the
// inside filled with the brush; with a null pen the filled area is one pixel
// smaller at the right and bottom.
BOOL Rectangle(HDC dc, int32_t left, int32_t top, int32_t right, int32_t bottom);
// Corners are quarter ellipses of width w and height h.
BOOL RoundRect(HDC dc, int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t w,
               int32_t h);
BOOL Ellipse(HDC dc, int32_t left, int32_t top, int32_t right, int32_t bottom);

// --- Fills ------------------------------------------------------------------

// A brush handle may also be a system colour index + 1, as window classes use.
int FillRect(HDC dc, const TRect* r, HBRUSH brush);
// A one-pixel frame with the brush.
int FrameRect(HDC dc, const TRect* r, HBRUSH brush);
BOOL InvertRect(HDC dc, const TRect* r);
BOOL FillRgn(HDC dc, HRGN rgn, HBRUSH brush);
BOOL PaintRgn(HDC dc, HRGN rgn);
BOOL InvertRgn(HDC dc, HRGN rgn);
// A frame of w by h pixels around the inside of every part of the region.
BOOL FrameRgn(HDC dc, HRGN rgn, HBRUSH brush, int32_t w, int32_t h);
// Inverts every other pixel of the rectangle's border (a second call with the
// same rectangle restores the pixels).
BOOL DrawFocusRect(HDC dc, const TRect* r);
// The colour the DC's target can show nearest to c (palette bitmaps pick an
// entry; 32-bit targets show every colour).
COLORREF GetNearestColor(HDC dc, COLORREF c);
// A solid brush of the current value of a system colour (one per index,
// never freed).
HBRUSH GetSysColorBrush(int32_t index);

// --- Raster operations ------------------------------------------------------------

// Ternary raster operations: the result of pattern P, source S and
// destination D for each bit is bit (P << 2 | S << 1 | D) of the code's
// second byte.
constexpr DWORD SRCCOPY = 0x00CC0020;      // S
constexpr DWORD SRCPAINT = 0x00EE0086;     // S | D
constexpr DWORD SRCAND = 0x008800C6;       // S & D
constexpr DWORD SRCINVERT = 0x00660046;    // S ^ D
constexpr DWORD SRCERASE = 0x00440328;     // S & ~D
constexpr DWORD NOTSRCCOPY = 0x00330008;   // ~S
constexpr DWORD NOTSRCERASE = 0x001100A6;  // ~(S | D)
constexpr DWORD MERGECOPY = 0x00C000CA;    // P & S
constexpr DWORD MERGEPAINT = 0x00BB0226;   // ~S | D
constexpr DWORD PATCOPY = 0x00F00021;      // P
constexpr DWORD PATPAINT = 0x00FB0A09;     // P | ~S | D
constexpr DWORD PATINVERT = 0x005A0049;    // P ^ D
constexpr DWORD DSTINVERT = 0x00550009;    // ~D
constexpr DWORD BLACKNESS = 0x00000042;    // 0
constexpr DWORD WHITENESS = 0x00FF0062;    // 1
// Where the source is white the brush, elsewhere the destination (the
// monochrome-mask idiom).
constexpr DWORD ROP_DSPDxax = 0x00E20746;
// Where the source is black the brush, elsewhere the destination.
constexpr DWORD ROP_PSDPxax = 0x00B8074A;

// The brush over the rectangle (x, y, w, h) combined with the destination.
BOOL PatBlt(HDC dc, int32_t x, int32_t y, int32_t w, int32_t h, DWORD rop);
// Source pixels from src at (sx, sy). Between colour and monochrome: a
// monochrome source's 0 bits become the destination's text colour and its 1
// bits the background colour; a colour source drawn on a monochrome target
// gives 1 where it equals the source DC's background colour, else 0.
BOOL BitBlt(HDC dst, int32_t x, int32_t y, int32_t w, int32_t h, HDC src, int32_t sx, int32_t sy,
            DWORD rop);
// Negative widths or heights mirror. HALFTONE stretch mode averages the
// covered source area; the other modes pick the nearest source pixel.
BOOL StretchBlt(HDC dst, int32_t x, int32_t y, int32_t w, int32_t h, HDC src, int32_t sx,
                int32_t sy, int32_t sw, int32_t sh, DWORD rop);

// --- Device-independent bitmaps -------------------------------------------------

// Draws the DIB's (sx, sy, sw, sh) part (sy counted from the bottom row, as
// the DIB stores it) into (x, y, w, h). Answers the number of rows drawn, 0 on
// error (unsupported header, too large).
int StretchDIBits(HDC dc, int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx, int32_t sy,
                  int32_t sw, int32_t sh, const void* bits, const BITMAPINFO* bmi, UINT usage,
                  DWORD rop);
// Rows startScan .. startScan + numScans - 1 (counted from the bottom) of a
// DIB whose bits hold just those rows; copies (sx, sy, w, h) to (x, y).
int SetDIBitsToDevice(HDC dc, int32_t x, int32_t y, DWORD w, DWORD h, int32_t sx, int32_t sy,
                      UINT startScan, UINT numScans, const void* bits, const BITMAPINFO* bmi,
                      UINT usage);

// --- Gradients and alpha ----------------------------------------------------------

using COLOR16 = uint16_t;
struct TRIVERTEX {
  LONG x;
  LONG y;
  COLOR16 Red;
  COLOR16 Green;
  COLOR16 Blue;
  COLOR16 Alpha;
};
struct GRADIENT_RECT {
  uint32_t UpperLeft;
  uint32_t LowerRight;
};
struct GRADIENT_TRIANGLE {
  uint32_t Vertex1;
  uint32_t Vertex2;
  uint32_t Vertex3;
};
constexpr uint32_t GRADIENT_FILL_RECT_H = 0;
constexpr uint32_t GRADIENT_FILL_RECT_V = 1;
constexpr uint32_t GRADIENT_FILL_TRIANGLE = 2;

// Rectangle modes: the colour runs linearly from the upper-left vertex's to
// the lower-right vertex's across the width (H) or height (V); pixel i of n
// gets from + (to - from) * i / n. Colour channels are 16-bit (the high byte
// counts).
BOOL GradientFill(HDC dc, const TRIVERTEX* vertices, uint32_t nVertices, const void* mesh,
                  uint32_t nMesh, uint32_t mode);

constexpr BYTE AC_SRC_OVER = 0x00;
constexpr BYTE AC_SRC_ALPHA = 0x01;
struct BLENDFUNCTION {
  BYTE BlendOp;
  BYTE BlendFlags;
  BYTE SourceConstantAlpha;
  BYTE AlphaFormat;
};

// dst = src * k + dst * (1 - a * k) per channel, with k the constant alpha /
// 255 and a the source pixel's alpha / 255 under AC_SRC_ALPHA (the source
// premultiplied), else 1. Stretches like StretchBlt (nearest pixel).
BOOL AlphaBlend(HDC dst, int32_t x, int32_t y, int32_t w, int32_t h, HDC src, int32_t sx,
                int32_t sy, int32_t sw, int32_t sh, BLENDFUNCTION blend);
// Copies, leaving out source pixels of the transparent colour.
BOOL TransparentBlt(HDC dst, int32_t x, int32_t y, int32_t w, int32_t h, HDC src, int32_t sx,
                    int32_t sy, int32_t sw, int32_t sh, UINT transparent);

// --- Edges and frame controls -------------------------------------------------------

constexpr UINT BDR_RAISEDOUTER = 0x0001;
constexpr UINT BDR_SUNKENOUTER = 0x0002;
constexpr UINT BDR_RAISEDINNER = 0x0004;
constexpr UINT BDR_SUNKENINNER = 0x0008;
constexpr UINT BDR_OUTER = BDR_RAISEDOUTER | BDR_SUNKENOUTER;
constexpr UINT BDR_INNER = BDR_RAISEDINNER | BDR_SUNKENINNER;
constexpr UINT BDR_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
constexpr UINT BDR_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
constexpr UINT EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
constexpr UINT EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
constexpr UINT EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER;
constexpr UINT EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;

constexpr UINT BF_LEFT = 0x0001;
constexpr UINT BF_TOP = 0x0002;
constexpr UINT BF_RIGHT = 0x0004;
constexpr UINT BF_BOTTOM = 0x0008;
constexpr UINT BF_TOPLEFT = BF_TOP | BF_LEFT;
constexpr UINT BF_TOPRIGHT = BF_TOP | BF_RIGHT;
constexpr UINT BF_BOTTOMLEFT = BF_BOTTOM | BF_LEFT;
constexpr UINT BF_BOTTOMRIGHT = BF_BOTTOM | BF_RIGHT;
constexpr UINT BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM;
constexpr UINT BF_DIAGONAL = 0x0010;
constexpr UINT BF_MIDDLE = 0x0800;  // fill the inside with the face colour
constexpr UINT BF_SOFT = 0x1000;    // lighter outer highlight
constexpr UINT BF_ADJUST = 0x2000;  // shrink the rectangle by the edge drawn
constexpr UINT BF_FLAT = 0x4000;    // shadow and face instead of 3-D
constexpr UINT BF_MONO = 0x8000;    // one colour

// Draws up to two one-pixel borders (outer, then inner) on the chosen sides,
// in the system's 3-D colours. Top and left lines stop one pixel before the
// far corner, which belongs to the bottom and right lines.
BOOL DrawEdge(HDC dc, TRect* r, UINT edge, UINT flags);

constexpr UINT DFC_CAPTION = 1;
constexpr UINT DFC_MENU = 2;
constexpr UINT DFC_SCROLL = 3;
constexpr UINT DFC_BUTTON = 4;
constexpr UINT DFC_POPUPMENU = 5;

constexpr UINT DFCS_CAPTIONCLOSE = 0x0000;
constexpr UINT DFCS_CAPTIONMIN = 0x0001;
constexpr UINT DFCS_CAPTIONMAX = 0x0002;
constexpr UINT DFCS_CAPTIONRESTORE = 0x0003;
constexpr UINT DFCS_CAPTIONHELP = 0x0004;
constexpr UINT DFCS_MENUARROW = 0x0000;
constexpr UINT DFCS_MENUCHECK = 0x0001;
constexpr UINT DFCS_MENUBULLET = 0x0002;
constexpr UINT DFCS_MENUARROWRIGHT = 0x0004;
constexpr UINT DFCS_SCROLLUP = 0x0000;
constexpr UINT DFCS_SCROLLDOWN = 0x0001;
constexpr UINT DFCS_SCROLLLEFT = 0x0002;
constexpr UINT DFCS_SCROLLRIGHT = 0x0003;
constexpr UINT DFCS_SCROLLCOMBOBOX = 0x0005;
constexpr UINT DFCS_SCROLLSIZEGRIP = 0x0008;
constexpr UINT DFCS_BUTTONCHECK = 0x0000;
constexpr UINT DFCS_BUTTONRADIOIMAGE = 0x0001;
constexpr UINT DFCS_BUTTONRADIOMASK = 0x0002;
constexpr UINT DFCS_BUTTONRADIO = 0x0004;
constexpr UINT DFCS_BUTTON3STATE = 0x0008;
constexpr UINT DFCS_BUTTONPUSH = 0x0010;
constexpr UINT DFCS_INACTIVE = 0x0100;
constexpr UINT DFCS_PUSHED = 0x0200;
constexpr UINT DFCS_CHECKED = 0x0400;
constexpr UINT DFCS_TRANSPARENT = 0x0800;
constexpr UINT DFCS_HOT = 0x1000;
constexpr UINT DFCS_ADJUSTRECT = 0x2000;
constexpr UINT DFCS_FLAT = 0x4000;
constexpr UINT DFCS_MONO = 0x8000;

// Check boxes, radio buttons, push buttons, scroll arrows, caption buttons
// and menu glyphs in the classic look, filling r.
BOOL DrawFrameControl(HDC dc, TRect* r, UINT type, UINT state);
