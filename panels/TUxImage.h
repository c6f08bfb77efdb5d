// The caption panel's picture: a picture kept as the bytes of its file and
// drawn stretched into the rectangle asked for.
#pragma once

#include "panels/TFilePicture.h"

class TUxImage : public TFilePicture {
  RTL_CLASS(TUxImage, TFilePicture)
 public:
  void Assign(TPersistent* Source) override;
  void Draw(TCanvas* Canvas, const TRect& Rect) override;
};
