// Identification: whether a stream is a camera file the decoder reads, and
// if so its maker, model, geometry, colour layout, white balance and loader.
#pragma once

#include <cstdint>
#include <string>

#include "imaging/io/raw/RawContext.h"

// 0 when the stream is a supported camera file (the context is complete and
// the stream stands at DataOffset), 1 otherwise.
int32_t IdentifyCamera(TIERawContext& Ctx);

// Content tests the camera table runs.
bool NikonIsCompressed(TIERawContext& Ctx);
bool IsNikonE990(TIERawContext& Ctx);
bool IsNikonE2100(TIERawContext& Ctx);
bool IsMinoltaZ2(TIERawContext& Ctx);

// Headerless files known by their size.
struct TIERawFileSize {
  int64_t Size;
  const char* Maker;
  const char* Model;
};
extern const TIERawFileSize kRawFileSizes[16];

// The most pixels a camera of the table has (with room for its borders); a
// file may claim more only when its size could hold them.
constexpr int64_t kRawLargestSensor = int64_t{5500} * 4200;
// The largest side of an image the decoder accepts.
constexpr int32_t kRawMaxSide = 65535;
