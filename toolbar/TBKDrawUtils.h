#pragma once
// The drawing toolbox of the themes: colour arithmetic on 32-bit colour
// values, colour-aware pens, brushes, fills, frames, lines and polygons that
// understand system colours and clNone, a checkered dither, a two-colour
// bevel, small monochrome patterns, three image effects and a two-colour
// gradient, plus the scratch bitmaps the whole theme layer shares.

#include <cstdint>
#include <vector>

#include "platform/DC.h"
#include "platform/Geometry.h"
#include "platform/Types.h"
#include "ui/TColor.h"

class TCanvas;
class TCustomImageList;
class TBitmap;

// --- Colour arithmetic (system colours are resolved first) ---------------------

// Each channel (C1 * W + C2 * (255 - W)) >> 8; W must be below 256.
TColor MixColors(TColor C1, TColor C2, int32_t W);
// MixColors, then the nearest colour the measuring canvas's device shows.
TColor MixColorsNearest(TColor C1, TColor C2, int32_t W);
// Adds Amount to each channel, saturating at 0 and 255.
TColor LightenColor(TColor C, int32_t Amount);
// 76 * red + 150 * green + 30 * blue < 256 * Threshold.
bool ColorIsDark(TColor C, int32_t Threshold);
// Exchanges the red and blue bytes (colour value <-> bitmap pixel order).
uint32_t SwapRedBlue(uint32_t C);

// --- Pens, brushes and shapes ----------------------------------------------------

// clNone gives a null pen, otherwise a solid pen one pixel wide. The caller
// deletes it.
HPEN MakeColorPen(TColor C);
// clNone gives a hollow brush, a system colour the shared system brush (not
// to be deleted: see IsSharedBrush), other colours a new solid brush.
HBRUSH MakeColorBrush(TColor C);
// Whether a brush made by MakeColorBrush is shared and must not be deleted.
bool IsSharedBrush(TColor C);
// Fills R; false and nothing drawn for clNone.
bool FillRectColor(HDC DC, const TRect& R, TColor C);
// Frames R one pixel wide (nothing for clNone); with Adjust, R shrinks by
// one pixel on every side whatever the colour.
void FrameRectColor(HDC DC, TRect& R, TColor C, bool Adjust);
void LineColor(HDC DC, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, TColor C);
void PolylineColor(HDC DC, const std::vector<TPoint>& Points, TColor C);
void PolygonColor(HDC DC, const std::vector<TPoint>& Points, TColor FillColor, TColor EdgeColor);
// A pattern brush of the 8 by 8 checkerboard of the two colours; the caller
// deletes it.
HBRUSH MakeDitherBrush(TColor C1, TColor C2);
void FillDithered(HDC DC, const TRect& R, TColor C1, TColor C2);
// A two-colour bevel: top and left in TopLeftColor, right and bottom in
// BottomRightColor. R ends one pixel smaller on every side with Adjust, two
// pixels smaller at the right and bottom without.
void DrawBevel(HDC DC, TRect& R, TColor TopLeftColor, TColor BottomRightColor, bool Adjust);
// Paints the Width by Height monochrome pattern (rows of 16-bit words, the
// first byte the leftmost 8 pixels, most significant bit first) centred in
// R: set bits in C, clear bits leave the destination.
void DrawMonoPattern(HDC DC, const TRect& R, int32_t Width, TColor C, const uint16_t* Pattern, int32_t Height);

// --- Image effects -------------------------------------------------------------------

// The image as it shows on a dark background (Adjust), or plainly.
void DrawGlyphOnDark(TCanvas* Canvas, const TRect& R, TCustomImageList* Images, bool Adjust, int32_t Index);
// The image faded towards C: each pixel (C * (255 - W) + P * W) >> 8.
void DrawBlendedGlyph(TCanvas* Canvas, const TRect& R, TCustomImageList* Images, int32_t W, TColor C,
                      int32_t Index);
// The image as a shade of the background (disabled look); Mode 0, 1 or 2.
void DrawShadedGlyph(TCanvas* Canvas, const TRect& R, TCustomImageList* Images, int32_t Mode, int32_t Index);

// --- Gradient ---------------------------------------------------------------------------

// Direction 0 left (C1) to right (C2), 1 top to bottom, by the platform's
// gradient fill.
void FillGradient(HDC DC, const TRect& R, TColor C1, TColor C2, int32_t Direction);
// The same in one-pixel stripes of GradientColors, within the clip box (for
// a platform without a gradient fill).
void FillGradientStripes(HDC DC, const TRect& R, TColor C1, TColor C2, int32_t Direction);
// N colours from C1 to C2 (N positive), cached for the 16 latest requests.
const std::vector<TColor>& GradientColors(int32_t N, TColor C1, TColor C2);

// --- Buffers ----------------------------------------------------------------------------

void FillLongs(uint32_t* P, int32_t Count, uint32_t Value);
void MoveLongs(const uint32_t* Source, uint32_t* Dest, int32_t Count);

// --- Shared scratch objects ---------------------------------------------------------------

// Two 32-bit bitmaps of the image effects; A's canvas is also a reference
// DC for text metrics.
TBitmap* GlyphBitmapA();
TBitmap* GlyphBitmapB();
// An 8 by 8 bitmap whose canvas is the shared measuring canvas.
TBitmap* MeasureBitmap();
// Recreates the scratch objects (after a system change); made on first use.
void RecreateDrawingObjects();
void FreeDrawingObjects();
