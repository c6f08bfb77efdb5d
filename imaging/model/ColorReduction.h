// Grey and black-and-white conversions and image statistics.
#pragma once

#include <cstdint>

#include "imaging/model/IEPixelTypes.h"
#include "imaging/model/IEProgress.h"

class TBitmap;
class TIEBitmap;
class TIEQuantizer;

// The 8 x 8 ordered-dither matrix, indexed [x mod 8][y mod 8].
extern const uint8_t IEBayerMatrix[8][8];

// Fills the pre-allocated 1-bit Target from Source of any format: white where
// the grey level is at least Threshold. Threshold -1 uses the mean colour's
// grey, -2 the maximum-entropy threshold of the grey histogram.
void ThresholdToBW(TIEBitmap* Source, TIEBitmap* Target, int32_t Threshold,
                   const TProgressRec* Progress = nullptr);
// An ieRGB24 image becomes ieMono1 through ThresholdToBW.
void ThresholdToBWBitmap(TIEBitmap* Image, int32_t Threshold, const TProgressRec* Progress = nullptr);
// An ieRGB24 image becomes ieMono1 by ordered dithering (near-white stays white).
void DitherToBW(TIEBitmap* Image, const TProgressRec* Progress = nullptr);
void MeanColor(TIEBitmap* Image, int32_t& R, int32_t& G, int32_t& B);
// Grey-level counts of every pixel (not for 1-bit images).
void GrayHistogram(TIEBitmap* Image, int64_t Counts[256]);
// The grey level of pixel (x, y) of any format with the library's weights.
int32_t PixelGrayLevel(TIEBitmap* Image, const uint8_t* Row, int32_t x);

// Greys the ieRGB24 pixels of columns X1..X2-1 and rows Y1..Y2-1 (right and
// bottom clipped to the image) in place.
void ConvertToGrayRect(TIEBitmap* Image, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2,
                       const TProgressRec* Progress = nullptr);
// Replaces every ieRGB24 pixel by its colour in a palette of at most N
// colours built for the image; Palette (N entries) receives it when given.
void ReduceColors(TIEBitmap* Image, int32_t N, TRGB* Palette, const TProgressRec* Progress = nullptr);
// Converts Count pixels of one row between bit depths (1, 4, 8, 24 and 32
// bits; 4-bit pixels high nibble first, 1-bit MSB first); returns the target
// row length, 0 for an unknown target depth.
int32_t ConvertRowBitDepth(const uint8_t* Source, uint8_t* Target, int32_t SourceBits, const TIEQuantizer* Quantizer,
                           const TRGB* Palette, uint16_t Count, int32_t TargetBits);

// A 1-bit platform bitmap expanded into a 24-bit one of the same size: set
// bits white, clear bits black. Other source formats leave Target alone.
void ExpandMono1ToRGB24(TBitmap* Source, TBitmap* Target, const TProgressRec* Progress = nullptr);
