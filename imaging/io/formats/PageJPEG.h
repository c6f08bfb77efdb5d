// JPEG data of PostScript and PDF pages: the page declares its colours by
// the record's JPEG colour space, and a page has no way to declare the
// inverted four-ink data of the JPEG writer.
#pragma once

class TStream;
class TIEBitmap;
class TIOParamsVals;
struct TIOProgressRec;

// Writes the picture by the record's JPEG settings, except that CMYK and
// YCbCrK are written as YCbCr: a page shows them as the RGB it declares.
// The record is left as it was.
void WritePageJPEG(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIOProgressRec& Progress);
// The JPEG data holds one grey component.
bool PageJPEGIsGrey(const TIOParamsVals& Params);
