// The three-layer sensor: every pixel holds all three colours. Its loader
// and code tree, and the colour transform, noise reduction and chroma
// smoothing that take the place of colour scaling.
#pragma once

#include <cstdint>

#include "imaging/io/raw/RawContext.h"

void LoadFoveonRaw(TIERawContext& Ctx);
// Builds the tree of Codes (1024 code words: length in the top 5 bits, the
// code in the low 27) from Code down; leaves hold the index of their code.
TIERawHuffNode* MakeFoveonDecoder(TIERawContext& Ctx, const uint32_t* Codes, uint32_t Code);
void foveon_interpolate(TIERawContext& Ctx);
void SetFoveonCoeff(TIERawContext& Ctx);

// A shifted right by S keeping the sign, rounding toward zero.
int64_t ShiftDown(int64_t A, int32_t S);
// Curve lookup that goes on linearly past the curve's ends; Curve is a
// count followed by the values.
int32_t ApplyCurve(int64_t I, const int32_t* Curve);
