// Resampling of images into another size, with kernel filters, fast linear
// and area-weighted interpolation, and black-and-white projections.
#pragma once

#include <cstdint>

#include "imaging/model/IEPixelTypes.h"
#include "imaging/model/IEProgress.h"

class TIEBitmap;

enum TResampleFilter : uint8_t {
  rfNone,
  rfTriangle,
  rfHermite,
  rfBell,
  rfBSpline,
  rfLanczos3,
  rfMitchell,
  rfNearest,
  rfLinear,
  rfFastLinear,
  rfBilinear,
  rfBicubic,
  rfProjectBW,
  rfProjectWB
};

// The kernel of filters rfTriangle..rfLinear and its support radius.
double ResampleKernel(TResampleFilter Filter, double x);
double ResampleSupport(TResampleFilter Filter);
// Cubic convolution (a = -1) of four samples at x in 0..1, clamped to 0..255.
double CubicInterpolate(double pm1, double p0, double p1, double p2, double x);

// Target is pre-allocated at the new size. Source is never changed: fully
// transparent pixels are greyed on a copy, and formats the filters do not
// handle are filtered through a 24-bit copy (8-bit grey as a plane).
void ResampleBitmap(TIEBitmap* Source, TIEBitmap* Target, TResampleFilter Filter,
                    const TProgressRec* Progress = nullptr);
void ResampleNearest(TIEBitmap* Source, TIEBitmap* Target, const TProgressRec* Progress = nullptr);
// ieRGB24 sources only; the target becomes 1-bit for the projections.
void ResampleRGB24(TIEBitmap* Source, TIEBitmap* Target, TResampleFilter Filter,
                   const TProgressRec* Progress = nullptr);
// An 8-bit plane (alpha channels, grey): kernel filters, fast linear for 9..13.
void ResampleGray8(TIEBitmap* Source, TIEBitmap* Target, TResampleFilter Filter);
// ieMono1 sources: 24-bit grey, or 1-bit for the projections.
void ResampleMono1(TIEBitmap* Source, TIEBitmap* Target, TResampleFilter Filter);
// Box average of the 1-bit source rectangle X1..X2, Y1..Y2 into a 24-bit grey Target.
void ShrinkBWToGray(TIEBitmap* Source, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, TIEBitmap* Target);
// Sets every ieRGB24 pixel whose alpha is 0 to Colour.
void FillTransparentPixels(TIEBitmap* Image, TRGB Colour);

void ResampleFastLinear24(TIEBitmap* Source, TIEBitmap* Target, const TProgressRec* Progress = nullptr);
void ResampleFastLinearGray8(TIEBitmap* Source, TIEBitmap* Target);
void ResampleAreaRGB24(TIEBitmap* Source, TIEBitmap* Target, TResampleFilter Filter,
                       const TProgressRec* Progress = nullptr);
void ProjectRGB24ToMono1(TIEBitmap* Source, TIEBitmap* Target, TResampleFilter Filter,
                         const TProgressRec* Progress = nullptr);
void ProjectMono1(TIEBitmap* Source, TIEBitmap* Target, TResampleFilter Filter);
