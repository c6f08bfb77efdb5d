// Pixel drawing shared by the transition engine and the effect table: rows,
// clipped copies and stretches of 24-bit pictures, drawing a picture through
// a clip (a region or a list of rectangles), and the effects' random numbers.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/model/IEPixelTypes.h"
#include "platform/Geometry.h"
#include "platform/Region.h"

class TIEBitmap;

// Row y (0 = top) of a 24-bit picture.
TRGB* TransitionRow(TIEBitmap* Bitmap, int32_t y);
// Copies a W x H block of From at (X, Y) to To at (ToX, ToY), clipped to both.
void TransitionCopy(TIEBitmap* From, TIEBitmap* To, int32_t X, int32_t Y, int32_t W, int32_t H,
                    int32_t ToX, int32_t ToY);
// Stretches the rectangle Src of From into the rectangle Dst of To (nothing
// for empty rectangles; Dst may reach outside To).
void TransitionStretch(TIEBitmap* From, TIEBitmap* To, const TRect& Src, const TRect& Dst);
// As TransitionStretch, with the result turned over left to right
// (Horizontal) or top to bottom.
void TransitionStretchMirrored(TIEBitmap* From, TIEBitmap* To, const TRect& Src, const TRect& Dst,
                               bool Horizontal);
// Copies the pixels of From inside the clip onto To at the same positions.
void TransitionDrawThrough(TIEBitmap* From, TIEBitmap* To, const Region& Clip);
void TransitionDrawThrough(TIEBitmap* From, TIEBitmap* To, const std::vector<TRect>& Clip);
// A uniform pseudo-random integer in 0 .. N - 1 (0 when N <= 0).
int32_t TransitionRandom(int32_t N);
