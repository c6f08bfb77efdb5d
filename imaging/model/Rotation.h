// Rotation of images by any angle in degrees. Positive angles turn
// counter-clockwise on the screen (rows are counted from the top).
#pragma once

#include <cstdint>

#include "imaging/model/IEPixelTypes.h"
#include "imaging/model/IEProgress.h"

class TIEBitmap;

enum TIERotateAntialias : uint8_t { raNone, raBilinear, raBicubic };

// Target becomes Source.Height x Source.Width in Source's format, turned 90
// degrees clockwise (Right) or counter-clockwise (Left). The 24 and 8
// variants keep their names; every pixel format is turned exactly.
void RotateRight24(TIEBitmap* Source, TIEBitmap* Target);
void RotateLeft24(TIEBitmap* Source, TIEBitmap* Target);
void RotateRight8(TIEBitmap* Source, TIEBitmap* Target);
void RotateLeft8(TIEBitmap* Source, TIEBitmap* Target);
// Any pixel format, bits of 1-bit rows included.
void RotateQuarter(TIEBitmap* Source, TIEBitmap* Target, bool Clockwise);
// Rows reversed and each row mirrored, in place, any pixel format.
void Rotate180(TIEBitmap* Image);

// In place: ieRGB24 by quarter turns and three shears (Blend smooths the
// shears); 1-bit images by RotateMono1. Other formats turn exactly by quarter
// turns; for other angles they are rotated as 24-bit pixels and converted
// back to their own format.
void RotateBitmap(TIEBitmap* Image, bool Blend, const TProgressRec* Progress, TRGB Background,
                  double Angle);
// The three-shear rotation on the bytes of an ieGray8 or iePalette8 image.
void RotateGray8(TIEBitmap* Image, bool Blend, uint8_t Background, const TProgressRec* Progress,
                 double Angle);
// Exact for 90, -90, 270, 180, -180; nearest pixel by inverse mapping otherwise.
void RotateMono1(TIEBitmap* Image, bool Background, const TProgressRec* Progress, double Angle);
void RotateGray8Nearest(TIEBitmap* Image, uint8_t Background, double Angle);
// Inverse mapping with bilinear or bicubic sampling.
void RotateAntialiased24(TIEBitmap* Image, TColor Background, TIERotateAntialias Mode,
                         const TProgressRec* Progress, double Angle);
void RotateAntialiasedGray8(TIEBitmap* Image, uint8_t Background, TIERotateAntialias Mode,
                            double Angle);

// True when Angle is integral and divisible by 90.
bool IsMultipleOf90(double Angle);
