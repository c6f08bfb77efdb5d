// The camera table: rows tested in order, the first whose key matches sets
// the camera's geometry, colour layout, multipliers and loader; and the
// fixed colour matrices some rows use.
#pragma once

#include <cstdint>

#include "imaging/io/raw/RawContext.h"

// Applies the first matching row. Head holds the stream's first 32 bytes.
// False when identification must fail (a Kodak file of an unsupported
// compression).
bool ApplyCameraTable(TIERawContext& Ctx, const uint8_t (&Head)[32]);

void SetBlendedCoeff(TIERawContext& Ctx, float X);
void SetNikonE950Coeff(TIERawContext& Ctx);
void SetSonyF828Coeff(TIERawContext& Ctx);
