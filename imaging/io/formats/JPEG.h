// JPEG files through the system's IJG-compatible JPEG library: reader,
// writer, content test, stream length, and the ICC profile of the APP2
// chunks. Library errors never travel as C++ exceptions through the
// library's frames: each call into it is guarded at the boundary.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "imaging/io/IEFormats.h"
#include "rtl/Exception.h"

class TStream;
class TIEBitmap;
class TIOParamsVals;

// Raised by the writer on a library error, and by the reader when the
// tables-only datastream that precedes an image is bad.
RTL_EXCEPTION(EIEJpegException, Exception);

// Decodes the JPEG data found within the first 100 bytes from the stream's
// position. TablesStream (may be null) holds an abbreviated tables-only
// datastream read first. ReadMetadata loads the IPTC records of the first
// APP13 marker and the EXIF block of the first APP1 marker that holds one
// (resolution, EnableAdjustOrientation, the JpegGetThumbnail thumbnail).
// Bad data sets Progress.Aborting.
// Short data: a picture whose coded data end after half of its first scan
// loads, the rest padded by the library. One whose data end before that
// does not count as loaded: it is refused (Progress.Refuse), before anything
// is allocated when even the best compression could not fit half of its
// blocks into the data, else as soon as the data run out, and nothing of it
// is kept. Either way a load costs what the file's data can describe.
// DataColorSpace, when not -1, is the colour space of the coded samples as
// the container declares it (the JpegColorSpace codes: 0 RGB, 1 grey,
// 2 YCbCr, 3 CMYK, 4 YCbCrK): a TIFF page's photometric says what its JPEG
// data hold better than the library's guess from component numbers.
void ReadJPEGStream(TStream* Stream, TStream* TablesStream, TIEBitmap* Bitmap,
                    TIOParamsVals& Params, TIOProgressRec& Progress, bool ParamsOnly,
                    bool RawYCbCr, bool ReadMetadata, bool InvertCMYK, bool ApplyICC,
                    int32_t DataColorSpace = -1);

// Writes the whole bitmap as one JPEG stream at the stream's position by the
// Jpeg fields of Params, with the markers of its JpegMarkerList. Raises
// EIEJpegException (and sets the abort flag) on a library error or a marker
// too long for a JPEG segment; the caller's bitmap is never changed.
// CMYK samples are written inverted (255 = no ink) as JPEG files hold them;
// PlainCMYK writes them with 0 = no ink, as JPEG data inside TIFF pages
// holds them (the counterpart of the reader's InvertCMYK).
void WriteJPEGStream(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params,
                     TIOProgressRec& Progress, bool PlainCMYK = false);

// Position of the first FF D8 FF at the stream's position or within the next
// 99 bytes, or -1; the position is restored.
int64_t IsJPEGStream(TStream* Stream);
// Bytes from the position up to and including the end-of-image marker (to
// the end of the stream when there is none); the position is restored.
int64_t MeasureJPEGStream(TStream* Stream);
// Joins the APP2 "ICC_PROFILE" chunks into Params' input profile; the
// position is restored.
void ReadJPEGICCProfile(TStream* Stream, TIOParamsVals& Params);

// This program's text for a codec message code, every parameter shown as
// "?"; "Corrupted" past the classic list of codes 0 to 123.
std::string JPEGMessageText(int32_t Code);

// ---- a decompression the camera-RAW decoder drives step by step
// The record holds the library's decompression state, its error manager and
// a stream source. A library error comes back as EIEJpegException from the
// call that met it; the record may then only be destroyed.
struct TIEJpegDecompress;
// Supplies more data through JPEGSetSourceBuffer; false ends the data (an
// end-of-image marker is inserted). It must not raise.
using TIEJpegFillProc = bool (*)(TIEJpegDecompress* Decompress, void* Data);

// The owner frees the library's state with the record (when it was
// created), so that a raised error on the way cannot leak either.
struct TIEJpegDecompressFree {
  void operator()(TIEJpegDecompress* Decompress) const;
};
using TIEJpegDecompressPtr = std::unique_ptr<TIEJpegDecompress, TIEJpegDecompressFree>;
TIEJpegDecompressPtr NewJPEGDecompress();
void JPEGCreateDecompress(TIEJpegDecompress* Decompress);
void JPEGDestroyDecompress(TIEJpegDecompress* Decompress);
void JPEGSetStreamSource(TIEJpegDecompress* Decompress, TStream* Stream);
// The next input bytes; they must stay valid until consumed.
void JPEGSetSourceBuffer(TIEJpegDecompress* Decompress, const uint8_t* Buffer, size_t Count);
void JPEGSetFillInputBuffer(TIEJpegDecompress* Decompress, TIEJpegFillProc Fill, void* Data);
int32_t JPEGReadHeader(TIEJpegDecompress* Decompress, bool RequireImage);
bool JPEGStartDecompress(TIEJpegDecompress* Decompress);
int32_t JPEGReadScanlines(TIEJpegDecompress* Decompress, uint8_t** Rows, int32_t MaxLines);
bool JPEGFinishDecompress(TIEJpegDecompress* Decompress);
// Rows of samples from the library's pool (0 for the image, 1 permanent),
// freed with the record.
uint8_t** JPEGAllocSArray(TIEJpegDecompress* Decompress, int32_t Pool, int32_t SamplesPerRow,
                          int32_t Rows);
int32_t JPEGOutputWidth(TIEJpegDecompress* Decompress);
int32_t JPEGOutputHeight(TIEJpegDecompress* Decompress);
int32_t JPEGOutputComponents(TIEJpegDecompress* Decompress);
int32_t JPEGOutputScanline(TIEJpegDecompress* Decompress);

// How the input/output component runs this format.
TIEFormatHandler JPEGFormatHandler();
