// Targa images (with or without the extension area and footer): reader,
// writer and the content test. Alpha travels as a TIEMask.
#pragma once

#include <memory>

#include "imaging/io/IEFormats.h"

class TStream;
class TIEBitmap;
class TIEMask;
class TIOParamsVals;

// The 18-byte header describes an image: type 1, 2, 3, 9, 10 or 11, depth
// 1, 4, 8, 16, 24 or 32, colour-map type 0 or 1, non-zero size. The position
// is kept.
bool IsTGAStream(TStream* Stream);
// Unless NoAlpha, AlphaMask receives the image's alpha (null when there is
// none or it selects nothing). Bad data sets Progress.Aborting.
void ReadTGAStream(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params,
                   TIOProgressRec& Progress, bool ParamsOnly, std::unique_ptr<TIEMask>& AlphaMask,
                   bool NoAlpha);
// Writes an ieRGB24 or ieMono1 bitmap (others write nothing) with the
// extension area and footer; AlphaMask null or full: no alpha.
void WriteTGAStream(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params,
                    TIOProgressRec& Progress, TIEMask* AlphaMask);

TIEFormatHandler TGAFormatHandler();
