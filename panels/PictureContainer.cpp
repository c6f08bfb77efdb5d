#include "panels/PictureContainer.h"

#include <algorithm>

#include "rtl/Exception.h"
#include "rtl/FileUtils.h"
#include "rtl/Numeric.h"
#include "rtl/Resources.h"
#include "rtl/TStream.h"
#include "ui/TCanvas.h"

RTL_DEFINE_CLASS(THTMLPicture, TFilePicture)
RTL_DEFINE_CLASS(TPictureItem, TCollectionItem,
                 Published("Picture", &TPictureItem::Picture, &TPictureItem::SetPicture),
                 Published("Name", &TPictureItem::Name, &TPictureItem::SetName),
                 Published("Tag", &TPictureItem::Tag, &TPictureItem::SetTag))
RTL_DEFINE_CLASS(TPictureCollection, TCollection)
RTL_DEFINE_CLASS(TPictureContainer, TComponent,
                 Published("Items", &TPictureContainer::Items, &TPictureContainer::SetItems),
                 Published("Version", &TPictureContainer::Version, &TPictureContainer::SetVersion))
RTL_DEFINE_CLASS(TDownLoadThread, TThread)

namespace {

// Upper case of the letters a to z only, as the container compares names.
std::string PlainUpper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return s;
}

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

}  // namespace

// ---- THTMLPicture

THTMLPicture::THTMLPicture() = default;
THTMLPicture::~THTMLPicture() = default;

bool THTMLPicture::IsGIF() const { return data_.size() >= 5 && data_.compare(0, 4, "GIF8") == 0; }

int32_t THTMLPicture::FrameCount() {
  if (!IsGIF()) return -1;
  return frameCount_;
}

void THTMLPicture::ResetFrames() {
  frameCount_ = -1;
  frame_ = 1;
  gif_ = TGifFrameInfo{};
}

void THTMLPicture::LoadPicture() {
  if (IsGIF()) {
    // The GIF reader walks the file's blocks: it counts the frames and
    // gives the one asked for.
    TGifFrameInfo info;
    picture_ = TPictureObject::Load(data_, std::max(0, frame_ - 1), &info);
    if (frameCount_ < 0) frameCount_ = info.FrameCount;
    gif_ = info;
  } else {
    picture_ = TPictureObject::Load(data_);
  }
  empty_ = false;
}

void THTMLPicture::LoadFromResource(const void*, const std::string& Name) {
  const std::string* data = FindResource(Name);
  if (!data) return;
  TMemoryStream s;
  s.WriteBuffer(data->data(), int64_t(data->size()));
  s.SetPosition(0);
  LoadFromStream(&s);
}

void THTMLPicture::SetURL(const std::string& Address) {
  const std::string upper = PlainUpper(Address);
  if (StartsWith(upper, "RES://")) {
    ID = Address;
    if (Address.size() > 6) LoadFromResource(nullptr, Address.substr(6));
  } else if (StartsWith(upper, "FILE://")) {
    ID = Address;
    if (Address.size() > 7) LoadFromFile(Address.substr(7));
  } else if (!Asynch) {
    URL = Address;
    ID = Address;
  } else if (!ThreadBusy) {
    URL = Address;
    ThreadBusy = true;
    NewThread<TDownLoadThread>(this);
  }
}

void THTMLPicture::SetFrame(int32_t Value) {
  frame_ = Value;
  if (data_.empty()) return;
  LoadPicture();
  if (OnFrameChange) OnFrameChange(this);
}

void THTMLPicture::Assign(TPersistent* Source) {
  empty_ = true;
  picture_.reset();
  ResetFrames();
  if (!Source) {
    data_.clear();
    return;
  }
  if (auto* s = dynamic_cast<THTMLPicture*>(Source)) {
    data_ = s->data_;
    LoadPicture();
    Changed(this);
  }
}

void THTMLPicture::Draw(TCanvas* Canvas, const TRect& Rect) {
  if (empty_ || !picture_) return;
  if (stretch_) {
    picture_->Render(Canvas, Rect);
    return;
  }
  const int32_t ppi = GetDeviceCaps(Canvas->Handle(), LOGPIXELSX);
  const int32_t w = MulDiv(picture_->HiMetricWidth(), ppi, 2540);
  const int32_t h = MulDiv(picture_->HiMetricHeight(), ppi, 2540);
  picture_->Render(Canvas, TRect{Rect.Left, Rect.Top, Rect.Left + w, Rect.Top + h});
}

// ---- The cache

THTMLPicture* THTMLPictureCache::AddPicture() {
  pictures_.push_back(std::make_unique<THTMLPicture>());
  return pictures_.back().get();
}

THTMLPicture* THTMLPictureCache::FindPicture(const std::string& Address) const {
  for (const auto& p : pictures_)
    if (p->ID == Address) return p.get();
  return nullptr;
}

// ---- The container

TPictureItem::TPictureItem(TCollection* Collection) : TCollectionItem(Collection), picture_(new THTMLPicture()) {}
TPictureItem::~TPictureItem() = default;

void TPictureItem::Assign(TPersistent* Source) {
  if (auto* s = dynamic_cast<TPictureItem*>(Source)) {
    picture_->Assign(s->picture_.get());
    name_ = s->name_;
    tag_ = s->tag_;
    return;
  }
  TCollectionItem::Assign(Source);
}

TPictureContainer::TPictureContainer(TComponent* AOwner)
    : TComponent(AOwner), items_(new TPictureCollection(this)) {}
TPictureContainer::~TPictureContainer() = default;

std::string TPictureContainer::Version() const {
  const uint32_t v = 0x01000000;
  return std::to_string(v >> 24) + "." + std::to_string((v >> 16) & 0xFF) + "." + std::to_string((v >> 8) & 0xFF) +
         "." + std::to_string(v & 0xFF);
}

THTMLPicture* TPictureContainer::FindPicture(const std::string& Name) {
  const std::string want = PlainUpper(Name);
  for (int i = 0; i < items_->Count(); ++i)
    if (PlainUpper(items_->Items(i)->Name()) == want) return items_->Items(i)->Picture();
  return nullptr;
}

// ---- The download thread

TDownLoadThread::TDownLoadThread(THTMLPicture* Picture) : TThread(false), picture_(Picture) {
  SetFreeOnTerminate(true);
}
