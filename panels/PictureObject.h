// A decoded picture as the panel controls draw it: the pixels and the
// picture's size in hundredths of a millimetre. Pictures are decoded by the
// imaging library's readers, chosen by the data's content.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "ui/TBitmap.h"

class TCanvas;

class TPictureObject {
 public:
  // Decodes Data; raises "Could not load image" for no data and "Could not
  // load image. Invalid format" for data no reader takes.
  static std::unique_ptr<TPictureObject> Load(const std::string& Data);

  // Size in hundredths of a millimetre, the pixels being 96 to the inch.
  int32_t HiMetricWidth() const { return hiMetricWidth_; }
  int32_t HiMetricHeight() const { return hiMetricHeight_; }
  TBitmap* Bitmap() { return &bitmap_; }
  // The whole picture stretched into Rect.
  void Render(TCanvas* Canvas, const TRect& Rect);

 private:
  TBitmap bitmap_;
  int32_t hiMetricWidth_ = 0, hiMetricHeight_ = 0;
};
