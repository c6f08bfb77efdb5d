// PostScript output: one picture a page, scaled to fit the paper with its
// proportions kept and placed in the top-left corner; document structuring
// conventions 3.0, language level 2, the pixels as ASCII85 text.
#pragma once

#include <cstdint>
#include <memory>

#include "imaging/io/IEFormats.h"

class TStream;
class TMemoryStream;
class TIEBitmap;
class TIOParamsVals;

// An open document: where the page count of the header and the next page
// (or the trailer) are.
struct TIEPSDocument {
  int64_t PagesPos = 0;
  int64_t EndPos = 0;
};

// One page: header, the page, trailer, from the stream's position. The
// stream must be readable and seekable (the page count is read back). The
// bitmap is ieRGB24 or ieMono1.
void WritePSStream(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIOProgressRec& Progress);

// The header comments and prolog, with a page count of 0.
std::unique_ptr<TIEPSDocument> WritePSHeader(TStream* Stream, TIOParamsVals& Params);
// Adds a page: one more in the header's count, the page at EndPos.
void UpdatePSPageCount(TIEPSDocument& Document, TStream* Stream, TIEBitmap* Bitmap,
                       TIOProgressRec& Progress, TIOParamsVals& Params);
void WritePSPage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, int32_t PaperHeight,
                 int32_t PaperWidth, int32_t PageNumber, TIOProgressRec& Progress);
// The page's pixels as ASCII85 blocks; returns the number of ASCII85
// characters, without line breaks and end markers.
int64_t EncodePSImageData(TMemoryStream* Target, TIEBitmap* Bitmap, TIOParamsVals& Params,
                          TIOProgressRec& Progress);
// The trailer at EndPos; frees the document. Null does nothing.
void ClosePSStream(std::unique_ptr<TIEPSDocument> Document, TStream* Stream);

// How the input/output component runs the format.
TIEFormatHandler PSFormatHandler();
