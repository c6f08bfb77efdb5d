// Fixed tables of the three-layer sensor path. A curve is its count n
// followed by its n values.
#pragma once

#include <cstdint>

extern const float kFoveonMul[3];
extern const int32_t kFoveonTrans[3][9];
extern const int32_t kFoveonFinal[3][3];
extern const float kFoveonCoeff[3][3];
extern const int32_t kFoveonCurve1[73];
extern const int32_t kFoveonCurve2[21];
extern const int32_t kFoveonCurve3[73];
extern const int32_t kFoveonCurve4[37];
extern const int32_t kFoveonCurve5[111];
