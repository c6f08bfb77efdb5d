// The texts the open dialog shows about a file: size and frames, colours,
// resolution, file and memory size, and the format's description.
#pragma once

#include <cstdint>
#include <string>

#include "imaging/view/IEDialogWords.h"

class TIOParamsVals;

struct TIEImageInfoTexts {
  std::string Size;        // "640 x 480 pixel", " , 10 frames" appended for several frames
  std::string Colors;      // "16777216 Colors (24 bit)"
  std::string Resolution;  // "96 x 96 dpi"
  std::string Format;      // the format's description
  std::string Sizes;       // "File: 42 KB   Mem: 900 KB"
};

// "1023 byte" below 1024 bytes, else whole kilobytes: "1 KB".
std::string SizeText(int64_t Bytes);
// The colour count of S samples of B bits: "2^48" for three samples of 16
// bits, "16777216" for four of 8, 2 to the power S x B below 32 bits, and
// "2^N" from 32 bits on.
std::string ColorCountText(int32_t SamplesPerPixel, int32_t BitsPerSample);
// Bytes the image takes in memory: Height rows of Width pixels at 1 bit (one
// sample of one bit) or 24 bits, each row padded to 32 bits. 64 bits wide.
int64_t ImageMemorySize(int32_t Width, int32_t Height, int32_t SamplesPerPixel,
                        int32_t BitsPerSample);
TIEImageInfoTexts MakeImageInfoTexts(const TIOParamsVals& Params, int32_t Frames, int64_t FileSize,
                                     TMsgLanguage Language);
