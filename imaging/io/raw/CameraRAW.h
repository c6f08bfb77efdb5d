// Camera RAW files: the decoder's entry points. It identifies the camera,
// reads the sensor data with the camera's loader, scales the colours,
// interpolates the mosaic, converts to RGB and writes an 8- or 16-bit
// image with the white point, gamma and brightness the parameters ask for;
// or hands back the camera's embedded preview.
#pragma once

#include "imaging/io/IEFormats.h"

class TStream;
class TIEBitmap;
class TIOParamsVals;

// Decodes the camera file in Stream (from position 0) into Bitmap, or with
// ParamsOnly fills only Params. An unknown file sets the abort flag and
// leaves Bitmap alone; a file whose sizes no camera can have is refused.
// Out-of-memory, decoder-table and JPEG errors raise exceptions whose text
// begins ": ".
void ReadRAWStream(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, bool ParamsOnly,
                   TIOProgressRec& Progress);
// Whether identification succeeds on the stream; the position is kept.
bool IsRAWStream(TStream* Stream);

TIEFormatHandler RAWFormatHandler();
