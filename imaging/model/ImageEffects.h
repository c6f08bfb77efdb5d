// Gaussian blur, soft drop shadow, rounded transparent corners, histogram
// matching, and the list of named 3 x 3 convolution presets.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/model/IEPixelTypes.h"
#include "imaging/model/IEProgress.h"

class TIEBitmap;

// Blurs an ieGray8 or ieRGB24 image in place; nothing for other formats or
// Radius <= 0.
void GaussianBlur(TIEBitmap* Image, const TProgressRec* Progress, double Radius);
// A shadow of the image's alpha channel, blurred and offset, painted in
// ShadowColour under the transparent pixels; Enlarge grows the image first.
void ApplySoftShadow(TIEBitmap* Image, int32_t OffsetX, int32_t OffsetY, const TProgressRec* Progress,
                     TRGB ShadowColour, bool Enlarge, double Radius);
// Makes the four corners transparent along a Bézier curve of extents A, B.
void MakeRoundCorners(TIEBitmap* Image, int32_t A, int32_t B);
// Channel 0, 1 or 2 (blue, green, red) of an ieRGB24 or ieRGB48 image is
// mapped so that its histogram follows the reference histogram.
void MatchChannelHistogram(TIEBitmap* Image, int32_t Channel, const int64_t ReferenceHistogram[256],
                           int64_t ReferenceCount);
// Matches each colour channel of Image to the ieRGB24 Reference.
void MatchHistograms(TIEBitmap* Reference, TIEBitmap* Image);

// A 3 x 3 convolution: nine coefficients row by row and a divisor (40 bytes).
struct TIEFilterPreset {
  int32_t Values[9];
  int32_t Divisor;
};
static_assert(sizeof(TIEFilterPreset) == 40);

// Appends a copy of the preset and its name to the global lists.
void RegisterFilterPreset(const TIEFilterPreset& Record, const std::string& Name);
const std::vector<TIEFilterPreset>& IEFilterPresets();
const std::vector<std::string>& IEFilterPresetNames();
