// Loaders of sensor data coded as differences with variable-length codes:
// Canon CIFF compressed, lossless JPEG, Nikon compressed, the Kodak radial,
// compressed and YUV layouts.
#pragma once

#include <cstdint>

#include "imaging/io/raw/RawContext.h"

// Builds the two Canon trees of table set Set (above 2: 2).
void InitCrwTables(TIERawContext& Ctx, uint32_t Set);
// Whether a Canon compressed file carries the two low bits of each sample.
bool CanonHasLowBits(TIERawContext& Ctx);
// The radial decoder's token from tree Tree (18: a multiplier step).
int32_t RadcToken(TIERawContext& Ctx, int32_t Tree);

void canon_compressed_load_raw(TIERawContext& Ctx);
void LoadLosslessJpegRaw(TIERawContext& Ctx);
void nikon_compressed_load_raw(TIERawContext& Ctx);
void LoadKodakRadcRaw(TIERawContext& Ctx);
void LoadKodakCompressedRaw(TIERawContext& Ctx);
void LoadKodakYuvRaw(TIERawContext& Ctx);
