// A decoded picture as the panel controls draw it: the pixels and the
// picture's size in hundredths of a millimetre. Pictures are decoded by the
// imaging library's readers, chosen by the data's content.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "ui/TBitmap.h"

class TCanvas;

// What a GIF's reader says of the file and of the frame it gave.
struct TGifFrameInfo {
  int32_t FrameCount = 0;
  int32_t ScreenWidth = 0, ScreenHeight = 0;
  int32_t Left = 0, Top = 0, Width = 0, Height = 0;
};

class TPictureObject {
 public:
  // Decodes Data; raises "Could not load image" for no data and "Could not
  // load image. Invalid format" for data no reader takes. Of an animation,
  // frame FrameIndex (from 0) is shown, and Gif, when given, learns what the
  // reader found while walking the file's blocks.
  static std::unique_ptr<TPictureObject> Load(const std::string& Data, int32_t FrameIndex = 0,
                                              TGifFrameInfo* Gif = nullptr);

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
