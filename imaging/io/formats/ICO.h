// Icon (ICO) and cursor (CUR) files: several small bitmaps (or PNG images)
// with transparency masks; readers, the icon writer, tests and the count.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "imaging/io/IEFormats.h"

class TStream;
class TIEBitmap;
class TIEMask;
class TIOParamsVals;

// A directory of icons (or cursors) whose entries lie after it; the position
// is kept.
bool IsICOStream(TStream* Stream);
bool IsCURStream(TStream* Stream);
// The directory's count; the position is kept.
int32_t CountICOImages(TStream* Stream);

// Reads the image IcoImageIndex (CurImageIndex) and fills IcoSizes and
// IcoBitCount from the directory. Unless NoAlpha, AlphaMask receives the
// transparency (0 = transparent), or null when nothing is transparent (an
// icon) or there is none. An index out of range reads nothing.
void ReadICOStream(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, bool NoAlpha,
                   std::unique_ptr<TIEMask>& AlphaMask, TIOProgressRec& Progress, bool ParamsOnly);
void ReadCURStream(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, bool NoAlpha,
                   std::unique_ptr<TIEMask>& AlphaMask, TIOProgressRec& Progress, bool ParamsOnly);

// Writes LastIndex + 1 images of Bitmap resampled to Sizes[i] (width,
// height) at BitCounts[i] bits (0: from the record).
void WriteICOStream(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, int32_t LastIndex,
                    const std::array<int32_t, 16>& BitCounts,
                    const std::array<std::array<int32_t, 2>, 16>& Sizes, TIOProgressRec& Progress);

TIEFormatHandler ICOFormatHandler();
TIEFormatHandler CURFormatHandler();
