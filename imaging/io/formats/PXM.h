// The portable any-map files (PBM, PGM and PPM, text and binary) and the
// wireless bitmap (WBMP, type 0): readers, writers and the content test.
#pragma once

#include <cstdint>
#include <string>

#include "imaging/io/IEFormats.h"

class TStream;
class TIEBitmap;
class TIOParamsVals;

// The next header token: a comment ("#" and the rest of its line, trimmed),
// or a run of ASCII letters and digits (the character after it consumed);
// empty at the end of the stream.
std::string ReadPXMToken(TStream* Stream);
// "P1" to "P6" with a positive width and height; the position is kept.
bool IsPXMStream(TStream* Stream);
// Reads any of the six kinds; keeps the comments in PxmComments.
void ReadPXMStream(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, bool ParamsOnly,
                   TIOProgressRec& Progress);
// Writes "P4", "P5" or "P6" by the image and BitsPerSample, SamplesPerPixel.
void WritePXMStream(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params,
                    TIOProgressRec& Progress);

// A multi-byte integer of a wireless bitmap (7 bits a byte, at most 4 bytes).
uint32_t ReadWBMPInteger(TStream* Stream);
void ReadWBMPStream(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, bool ParamsOnly,
                    TIOProgressRec& Progress);
void WriteWBMPStream(TStream* Stream, TIEBitmap* Bitmap, TIOProgressRec& Progress);

TIEFormatHandler PXMFormatHandler();
TIEFormatHandler WBMPFormatHandler();
