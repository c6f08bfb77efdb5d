// PCX images and DCX files (a page table followed by PCX images): readers,
// writers, the DCX test and page count.
#pragma once

#include <cstdint>

#include "imaging/io/IEFormats.h"

class TStream;
class TIEBitmap;
class TIOParamsVals;

// Reads a PCX image of Size bytes (header included) at the stream's position.
void ReadPCXStream(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, int64_t Size,
                   TIOProgressRec& Progress, bool ParamsOnly);
// Writes Bitmap by BitsPerSample x SamplesPerPixel: 1, 4, 8 or 24 bits.
void WritePCXStream(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params,
                    TIOProgressRec& Progress);

// The DCX magic and a page table whose offsets lie inside the stream; the
// position is kept.
bool IsDCXStream(TStream* Stream);
// The number of pages in the table; the position is kept.
int32_t CountDCXImages(TStream* Stream);
// Reads page DcxImageIndex (held to the pages there are).
void ReadDCXStream(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params,
                   TIOProgressRec& Progress, bool ParamsOnly);
// Rewrites the stream's DCX (an empty stream is one without pages) with
// Bitmap inserted as page DcxImageIndex; an index past the last page adds
// the page at the end.
void WriteDCXStream(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params,
                    TIOProgressRec& Progress);

TIEFormatHandler PCXFormatHandler();
TIEFormatHandler DCXFormatHandler();
