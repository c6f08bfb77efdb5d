// The decoder's output stage: the finished working image becomes an 8- or
// 16-bit RGB bitmap, and the 45-degree layout of some sensors is turned
// upright.
#pragma once

#include <vector>

#include "imaging/io/raw/RawContext.h"

class TIEBitmap;
class TIOParamsVals;

// White point from the histogram, the gamma and brightness table (65,536
// entries, kept in Table), then every row YMag times; frees the working
// image. Sets BitsPerSample and SamplesPerPixel.
void WriteOutput(TIERawContext& Ctx, TIEBitmap* Bitmap, TIOParamsVals& Params, std::vector<double>& Table);
// Turns a bitmap of the 45-degree layout upright; a bitmap whose first row
// has no lit pixel past the first is left as it is.
void TurnUpright(TIEBitmap* Bitmap);
