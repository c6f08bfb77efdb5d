// Windows and OS/2 device-independent bitmaps (.bmp, .dib, .rle): reader,
// writer, and the run-length row encoders.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/io/IEFormats.h"

class TStream;
class TIEBitmap;
class TIEMask;
class TIOParamsVals;

// Reads a bitmap at the stream's position into Bitmap and Params. DataSize is
// the bitmap's size in the stream (0: from the file header); NoFileHeader:
// the stream starts at the information header. AlphaMask receives the alpha
// of a 32-bit bitmap that carries a usable one (unless NoAlpha). Bad or
// unsupported data sets Progress.Aborting.
void ReadBMPStream(TStream* Stream, TIEBitmap* Bitmap, int64_t DataSize, bool NoAlpha,
                   std::unique_ptr<TIEMask>& AlphaMask, bool NoFileHeader, bool ParamsOnly,
                   TIOProgressRec& Progress, TIOParamsVals& Params);

// Writes Bitmap as a bitmap file by BitsPerSample, SamplesPerPixel,
// BmpVersion and BmpCompression of Params.
void WriteBMPStream(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params,
                    TIOProgressRec& Progress);

// One row of palette indexes as run-length codes ending with 00 00;
// returns the number of bytes appended.
int64_t BMPEncodeRLE8Row(const uint8_t* Indexes, int32_t Width, std::vector<uint8_t>& Out);
// The same for indexes 0..15, two pixels a byte.
int64_t BMPEncodeRLE4Row(const uint8_t* Indexes, int32_t Width, std::vector<uint8_t>& Out);

// How the input/output component runs this format.
TIEFormatHandler BMPFormatHandler();
