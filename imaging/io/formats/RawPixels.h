// Headerless pixel data laid out as the RawPixels fields of the parameter
// record describe, read into an image the caller has already sized.
#pragma once

#include "imaging/io/IEFormats.h"

class TStream;
class TIEBitmap;
class TIOParamsVals;

// Takes width, height and pixel format from Bitmap; skips
// RawPixelsHeaderSize bytes from the stream's position; rows are padded to
// RawPixelsRowAlign bits (below 8: bytes); RawPixelsPlanar and RawPixelsBGR
// as their names say. Writes nothing into Params.
void ReadRawPixelsStream(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params,
                         TIOProgressRec& Progress);

// Lets the input/output component run the reader on its image
// (LoadFormatFromFile / LoadFormatFromStream with ieftRawPixels).
TIEFormatHandler RawPixelsFormatHandler();
