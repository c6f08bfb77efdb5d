// TIFF files: the page reader (strips and tiles; none, CCITT fax, PackBits,
// LZW, deflate and JPEG compression), the page writer, page counting and
// the content tests.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "imaging/io/IEFormats.h"

class TStream;
class TIEBitmap;
class TIEMask;
class TIOParamsVals;

// Reads page Params->TiffImageIndex of the TIFF stream at the stream's
// position (Params null: only PageCount). PageCount receives the number of
// pages in the chain. ParamsOnly fills Params and decodes nothing. AlphaMask
// receives the alpha samples (created when null and the page has alpha,
// unless NoAlpha). RelativeOffsets counts offsets from the header's position.
// Thumbnail: the read of an embedded thumbnail (pages over 400 pixels are
// refused, pages without a size are read). Failures set Progress's abort
// flag only.
void ReadTIFFStream(TIEBitmap* Bitmap, TStream* Stream, int32_t& PageCount, TIOParamsVals* Params,
                    TIOProgressRec& Progress, bool ParamsOnly, std::unique_ptr<TIEMask>& AlphaMask,
                    bool RelativeOffsets, bool NoAlpha, bool Thumbnail);

// The number of pages at the stream's position.
int32_t CountTIFFImages(TStream* Stream);
// The number of pages of a file; 0 when it cannot be read.
int32_t CountTIFFFileImages(const std::string& FileName);

// "II" or "MM" with a first-directory offset inside the stream (and, for
// "MM", not 0xBA at position 8). The position is restored.
bool IsTIFFStream(TStream* Stream);
// A TIFF-structured camera-RAW file (digital negative, colour filter array
// or linear raw photometric, or a small TIFF/EP page with sub-directories).
// The position is restored.
bool IsRAWTIFFStream(TStream* Stream);

// Writes one little-endian page. Insert false: a new TIFF at the stream's
// position; Insert true: the stream holds a TIFF from position 0 and the
// page is linked into its chain at Params.TiffImageIndex (past the last
// page: appended). Bitmap null: a page of tags only. Params' photometric,
// samples, bits and compression are adjusted to what was written. Offsets
// count from the stream's beginning. Returns the pages of the stream after
// the write (0 when an insert finds no little-endian TIFF). A short write
// sets the abort flag, and then no directory is written.
int32_t WriteTIFFStream(TStream* Stream, bool Insert, TIEBitmap* Bitmap, TIOParamsVals& Params,
                        TIOProgressRec& Progress);

// How the input/output component runs this format.
TIEFormatHandler TIFFFormatHandler();

struct TIEExifStreamCodec;
// The reader and writer as the codec of the EXIF block's TIFF stream.
TIEExifStreamCodec TIFFExifStreamCodec();
