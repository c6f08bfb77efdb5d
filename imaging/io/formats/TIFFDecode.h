// Decoding of the pixel data of one TIFF page (strips or tiles) into the
// bitmap the reader allocated.
#pragma once

#include <cstdint>

#include "imaging/io/IEIOTypes.h"

class TStream;
class TIEBitmap;
struct TTIFFVars;

// Whether DataSize bytes of the page's compression could code its samples
// (a page without a compression must hold at least half of them); CCITT
// data is judged by its rows and by the ImageBytes of the image made.
bool TIFFDataCanHold(const TTIFFVars& Vars, int64_t DataSize, int64_t ImageBytes);

// Decodes the page's strips or tiles. Layouts no row conversion covers,
// unknown compressions and undecodable data set Progress's abort flag.
void DecodeTIFFImage(TTIFFVars& Vars, TStream* Stream, int64_t Base, TIEBitmap* Bitmap,
                     TIOProgressRec& Progress);
