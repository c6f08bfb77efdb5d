#include "panels/TFilePicture.h"

#include "rtl/Exception.h"
#include "rtl/FileUtils.h"
#include "rtl/Numeric.h"
#include "rtl/TStream.h"

RTL_DEFINE_CLASS(TFilePicture, TGraphic)

namespace {

// The whole of a stream, from its position on.
std::string ReadRest(TStream* Stream) {
  const int64_t n = Stream->Size() - Stream->Position();
  std::string bytes(size_t(n > 0 ? n : 0), '\0');
  if (!bytes.empty()) Stream->ReadBuffer(bytes.data(), int64_t(bytes.size()));
  return bytes;
}

}  // namespace

TFilePicture::TFilePicture() = default;
TFilePicture::~TFilePicture() = default;

void TFilePicture::LoadPicture() {
  picture_ = TPictureObject::Load(data_);
  empty_ = false;
}

void TFilePicture::LoadFromStream(TStream* Stream) {
  empty_ = true;
  picture_.reset();
  ForgetData();
  data_ = ReadRest(Stream);
  LoadPicture();
  Changed(this);
}

void TFilePicture::LoadFromFile(const std::string& FileName) {
  try {
    TFileStream f(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&f);
  } catch (const Exception&) {
    empty_ = true;
    picture_.reset();
  }
}

void TFilePicture::SaveToStream(TStream* Stream) {
  if (!data_.empty()) Stream->WriteBuffer(data_.data(), int64_t(data_.size()));
}

int32_t TFilePicture::Width() { return picture_ ? MulDiv(picture_->HiMetricWidth(), 96, 2540) : 0; }
int32_t TFilePicture::Height() { return picture_ ? MulDiv(picture_->HiMetricHeight(), 96, 2540) : 0; }
