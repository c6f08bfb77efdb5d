// Defaults for the image-processing dialogs, kept by the processing
// component for the dialogs that may edit them.
#pragma once

#include <cstdint>

#include "imaging/model/IEPixelTypes.h"
#include "rtl/TObject.h"

class TIPDialogParams : public TObject {
 public:
  uint8_t Reserved[44] = {};
  // A 3 x 3 filter kernel (identity) and its divisor.
  int32_t Kernel[3][3] = {{0, 0, 0}, {0, 1, 0}, {0, 0, 0}};
  int32_t KernelDivisor = 0;
  TRGB ColorPair1[2] = {TRGB{0, 0, 0}, TRGB{255, 255, 255}};
  TRGB ColorPair2[2] = {TRGB{0, 0, 0}, TRGB{255, 255, 255}};
  int32_t Values1[2] = {0, 0};
  int32_t Values2[2] = {150, 150};
  TRGB Colour = TRGB{255, 255, 255};
  int32_t Values3[4] = {0, 1, 0, 0};
  int32_t Values4[2] = {150, 150};
  double Factor1 = 1.7;
  int32_t Values5[7] = {1, 10, 10, 0, 0, 0, 1};
  double Factor2 = 0;
  double Factor3 = 1.0;
  int32_t Values6[7] = {1, 4, -1, -1, -1, -1, 1};
};
