#include "panels/TUxImage.h"

#include "rtl/Exception.h"
#include "rtl/FileUtils.h"
#include "rtl/Numeric.h"
#include "rtl/TStream.h"

RTL_DEFINE_CLASS(TUxImage, TGraphic)

std::string ReadRest(TStream* Stream) {
  const int64_t n = Stream->Size() - Stream->Position();
  std::string bytes(size_t(n > 0 ? n : 0), '\0');
  if (!bytes.empty()) Stream->ReadBuffer(bytes.data(), int64_t(bytes.size()));
  return bytes;
}

TUxImage::TUxImage() = default;
TUxImage::~TUxImage() = default;

void TUxImage::LoadPicture() {
  picture_ = TPictureObject::Load(data_);
  empty_ = false;
}

void TUxImage::LoadFromStream(TStream* Stream) {
  empty_ = true;
  picture_.reset();
  data_ = ReadRest(Stream);
  LoadPicture();
  Changed(this);
}

void TUxImage::LoadFromFile(const std::string& FileName) {
  try {
    TFileStream f(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&f);
  } catch (const Exception&) {
    empty_ = true;
    picture_.reset();
  }
}

void TUxImage::SaveToStream(TStream* Stream) {
  if (!data_.empty()) Stream->WriteBuffer(data_.data(), int64_t(data_.size()));
}

void TUxImage::Assign(TPersistent* Source) {
  empty_ = true;
  picture_.reset();
  if (!Source) {
    data_.clear();
    Changed(this);
    return;
  }
  if (auto* s = dynamic_cast<TUxImage*>(Source)) {
    data_ = s->data_;
    LoadPicture();
    Changed(this);
  }
}

int32_t TUxImage::Width() { return picture_ ? MulDiv(picture_->HiMetricWidth(), 96, 2540) : 0; }
int32_t TUxImage::Height() { return picture_ ? MulDiv(picture_->HiMetricHeight(), 96, 2540) : 0; }

void TUxImage::Draw(TCanvas* Canvas, const TRect& Rect) {
  if (empty_ || !picture_) return;
  picture_->Render(Canvas, Rect);
}
