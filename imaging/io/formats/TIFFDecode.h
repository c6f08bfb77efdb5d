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

// For pages whose image (ImageBytes) is far larger than their data: whether
// the data really decode into half of the page's samples. LZW codes are
// decoded (nothing of the image's size is allocated); other compressions
// are judged by TIFFDataCanHold alone.
bool TIFFDataYieldsPicture(const TTIFFVars& Vars, TStream* Stream, int64_t Base, int64_t ImageBytes);

// Decodes the page's strips or tiles, on several threads when the page is
// large (the result is the same). Layouts no row conversion covers, unknown
// compressions, undecodable data and a page without any data set
// Progress's abort flag.
void DecodeTIFFImage(TTIFFVars& Vars, TStream* Stream, int64_t Base, TIEBitmap* Bitmap,
                     TIOProgressRec& Progress);
