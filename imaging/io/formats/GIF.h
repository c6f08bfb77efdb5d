// GIF (87a and 89a): one frame read into a bitmap, a single-frame writer,
// frame counting and removal, and how the input/output component composes
// the frames of an animation.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "imaging/io/IEFormats.h"

class TStream;
class TIEBitmap;
class TIEMask;
class TIOParamsVals;

// Decodes frame GifImageIndex of the GIF at the stream's position. FrameCount
// receives the number of image descriptors met. Unless WithoutMask, Mask gets
// the frame's transparency (0 = transparent), or null when nothing is
// transparent. Bad data sets Progress.Aborting.
void ReadGIFStream(TStream* Stream, TIEBitmap* Bitmap, int32_t& FrameCount, bool WithoutMask,
                   std::unique_ptr<TIEMask>& Mask, bool ParamsOnly, TIOProgressRec& Progress,
                   TIOParamsVals& Params);

// Writes Bitmap as a complete single-frame GIF at the stream's position.
void WriteGIFStream(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params,
                    TIOProgressRec& Progress);
// Creates (or truncates) the file and writes one frame.
void WriteGIFFile(const std::string& FileName, TIEBitmap* Bitmap, TIOParamsVals& Params,
                  TIOProgressRec& Progress);

// Rebuilds the file without frame Index (and its graphic control extension),
// as version 89a, writing it back when SaveBack is set; returns the number of
// frames kept. Index -1 removes nothing: the result is the frame count. A
// file that cannot be opened raises; one that is not a GIF gives 0.
int32_t DeleteGIFImage(const std::string& FileName, int32_t Index, bool SaveBack);

// How the input/output component runs this format: a load composes the
// frames of an animation up to the one asked for.
TIEFormatHandler GIFFormatHandler();
