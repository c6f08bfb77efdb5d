// From mosaic samples to RGB: black level and channel multipliers (with
// automatic or camera white balance), bilinear interpolation of the colours
// a mosaic cell lacks, and the conversion to RGB with each pixel's
// magnitude and the histogram the output stage needs.
#pragma once

#include "imaging/io/raw/RawContext.h"

void ScaleColors(TIERawContext& Ctx);
// Leaves the outermost rows and columns as loaded.
void InterpolateMosaic(TIERawContext& Ctx);
void ConvertToRGB(TIERawContext& Ctx);
// Coeff of a cyan-magenta-yellow-green sensor; sets UseCoeff.
void ComputeCmygCoeff(TIERawContext& Ctx);
