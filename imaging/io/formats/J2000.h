// JPEG-2000 files (JP2 boxes) and bare code streams (J2K) through
// OpenJPEG: the two content tests, one reader for both, and the writer.
// Library errors come back as return values at the bridge; no C++ exception
// crosses the library's frames.
#pragma once

#include <cstdint>

#include "imaging/io/IEFormats.h"

class TStream;
class TIEBitmap;
class TIOParamsVals;

// The 12-byte JP2 signature box at the position; the position is restored.
bool IsJP2Stream(TStream* Stream);
// SOC followed by SIZ at the position; the position is restored.
bool IsJ2KStream(TStream* Stream);

// Reads either format at the stream's position into an ieRGB24 bitmap (an
// ieMono1 one for a single component of one bit). Samples of more than 8
// bits keep their top 8 bits; fewer bits are scaled to the full 0..255
// range. Fills Width, Height, BitsPerSample, SamplesPerPixel,
// J2000ColorSpace and the default resolution. Bad data, a colour space
// other than grey, RGB or YCbCr, or an image larger than the data could
// plausibly describe sets the abort flag.
void ReadJ2000Stream(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params,
                     TIOProgressRec& Progress, bool ParamsOnly);

// The writer's formats.
enum : int32_t { ieJ2000JP2 = 0, ieJ2000J2K = 1 };

// Writes an ieRGB24 or ieMono1 bitmap as a JP2 file or a J2K code stream at
// the stream's position: grey (J2000ColorSpace 0, and always for ieMono1,
// as one bit) or RGB (1 and 2) components of BitsPerSample bits (1..16;
// other values write 8). J2000Rate below 1 is the size of the result as a
// fraction of the raw samples' size; 1 and above is lossless.
// J2000ProgressionOrder 0 is layer-resolution-component-position, 1
// resolution-layer-component-position. Params is not changed. An encoder
// failure or a short write sets the abort flag.
void WriteJ2000Stream(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params,
                      TIOProgressRec& Progress, int32_t Format);

// How the input/output component runs the two formats.
TIEFormatHandler JP2FormatHandler();
TIEFormatHandler J2KFormatHandler();
