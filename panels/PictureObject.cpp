#include "panels/PictureObject.h"

#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/model/TIEBitmap.h"
#include "rtl/Exception.h"
#include "rtl/Numeric.h"
#include "ui/TCanvas.h"

std::unique_ptr<TPictureObject> TPictureObject::Load(const std::string& Data, int32_t FrameIndex,
                                                     TGifFrameInfo* Gif) {
  if (Data.empty()) throw Exception("Could not load image");
  auto picture = std::make_unique<TPictureObject>();
  TImagoIO io(nullptr);
  bool read = false;
  try {
    io.Params()->SetImageIndex(FrameIndex);
    io.LoadFromBuffer(Data.data(), int64_t(Data.size()), 0);
    if (Gif) {
      const TIOParamsVals* p = io.Params();
      *Gif = TGifFrameInfo{p->GifImageCount, p->GifWinWidth, p->GifWinHeight, p->GifXPos, p->GifYPos,
                           p->Width, p->Height};
    }
    TIEBitmap* image = io.IEBitmap();
    read = !io.Aborted() && image && image->Width() > 0 && image->Height() > 0;
    if (read) picture->bitmap_.Assign(image->GetPlatformBitmap());
  } catch (const Exception&) {
    read = false;
  }
  if (!read || picture->bitmap_.Empty()) throw Exception("Could not load image. Invalid format");
  picture->hiMetricWidth_ = MulDiv(picture->bitmap_.Width(), 2540, 96);
  picture->hiMetricHeight_ = MulDiv(picture->bitmap_.Height(), 2540, 96);
  return picture;
}

void TPictureObject::Render(TCanvas* Canvas, const TRect& Rect) { Canvas->StretchDraw(Rect, &bitmap_); }
