// The about box's pictures, drawn in code: the product logo (a padlock over
// a framed landscape) and the framed landscape alone.
#pragma once

#include <cstdint>
#include <vector>

#include "ui/TImage.h"

constexpr int32_t kLogoSide = 48;
constexpr int32_t kLandscapeWidth = 64;
constexpr int32_t kLandscapeHeight = 48;

// Pixels 0xAARRGGBB, top row first, alpha not premultiplied.
std::vector<uint32_t> DrawAboutLogo();
std::vector<uint32_t> DrawAboutLandscape();

// A picture control that blends a 32-bit picture with alpha over whatever
// its parent painted beneath it.
class TAlphaImage : public TImage {
  RTL_CLASS(TAlphaImage, TImage)
 public:
  explicit TAlphaImage(TComponent* AOwner) : TImage(AOwner) {}
  // Takes Width x Height pixels as DrawAboutLogo gives them and sizes the
  // control to them.
  void SetPixels(const std::vector<uint32_t>& Pixels, int32_t Width, int32_t Height);

 protected:
  void Paint() override;
};
