// PNG files through libpng: reader (with the alpha channel), writer (with
// an optional mask as alpha) and the signature test. Library errors never
// travel as C++ exceptions through libpng's frames: each call into it is
// guarded at the boundary.
#pragma once

#include <cstdint>
#include <memory>

#include "imaging/io/IEFormats.h"
#include "rtl/Exception.h"

class TStream;
class TIEBitmap;
class TIEMask;
class TIOParamsVals;

// The platform's error for an image that cannot be encoded.
RTL_EXCEPTION(EInvalidGraphic, Exception);

// Reads a PNG stream at its position into Bitmap (alpha in its alpha
// channel) and Params. Bad or truncated data sets Progress.Aborting.
void ReadPNGStream(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params,
                   TIOProgressRec& Progress, bool ParamsOnly);

// Writes Bitmap as PNG by BitsPerSample and SamplesPerPixel of Params, with
// AlphaMask (null, or full: no alpha) as transparency. A library error
// raises EInvalidGraphic("Error on creating PNG"); a short write sets the
// abort flag. The caller's bitmap is never changed.
void WritePNGStream(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params,
                    TIOProgressRec& Progress, TIEMask* AlphaMask);

// Reads 8 bytes: true when the first four are the PNG signature's; moves
// the stream back by 8.
bool IsPNGStream(TStream* Stream);

// How the input/output component runs this format.
TIEFormatHandler PNGFormatHandler();
