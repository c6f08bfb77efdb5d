// The thumbnail view: its image list, layout and scrolling, storing pictures
// and loading them synchronously.
#include "imaging/view/TImagoMView.h"

#include <algorithm>
#include <cctype>
#include <mutex>
#include <utility>

#include "imaging/io/IEFormats.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/model/IEDrawRoutines.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/model/TImagoProc.h"
#include "platform/ScrollBar.h"
#include "platform/SysInfo.h"
#include "rtl/Numeric.h"
#include "ui/TBitmap.h"
#include "ui/TCanvas.h"
#include "ui/TPicture.h"

RTL_DEFINE_CLASS(TImagoMView, TIEView)

// ------------------------------------------------------------ text bands

TIEMText::TIEMText(TImagoMView* Owner, int32_t Position) : owner_(Owner), position_(Position) {
  font_.reset(new TFont());
  if (Owner) {
    if (Owner->Font()) font_->Assign(Owner->Font());
    BackgroundColor = Owner->Background();
  }
}

TIEMText::~TIEMText() = default;

// ------------------------------------------------------------ life

TImagoMView::TImagoMView(TComponent* AOwner) : TIEView(AOwner) {
  back_buffer_ = std::make_unique<TIEBitmap>();
  back_buffer_->SetLocation(ieTBitmap);
  SetBounds(Left(), Top(), 180, 90);
  own_io_.reset(new TImagoIO(nullptr));
  ilist_.reset(new TIEVirtualImageList("ILIST"));
  ilist_->MaxLoaded = image_cache_size_;
  icache_.reset(new TIEVirtualImageList("ICACHE"));
  // The engine stays idle: nothing here starts a transition.
  transition_ = std::make_unique<TIETransitionEffects>(this);
  wallpaper_.reset(new TPicture());
  alive_ = std::make_shared<bool>(true);
  loader_ = NewThread<TIEStarter>(this);
}

void TImagoMView::BeforeDestruction() {
  destroying_.store(true, std::memory_order_release);
  if (alive_) *alive_ = false;
  DeselectAll();
  if (loader_) {
    CancelPendingLoads();
    FreeRunningLoads();
    {
      std::lock_guard<TCriticalSection> lock(ThumbnailLock());
      loader_->Terminate();
      wake_pending_ = true;
      wake_.notify_all();
    }
    FreeAndNil(loader_);
  }
  per_file_io_.clear();
  FreeCompanions();
  {
    std::lock_guard<TCriticalSection> lock(ThumbnailLock());
    for (int32_t i = ImageCount() - 1; i >= 0; --i) {
      DeleteEntryStorage(images_[i].get());
      images_.pop_back();
    }
  }
  transition_.reset();
  TIEView::BeforeDestruction();
}

TImagoMView::~TImagoMView() {
  if (loader_) {
    // Freed without Free(): the loads still end before anything goes away.
    BeforeDestruction();
  }
}

// ------------------------------------------------------------ images

TIEMImageInfo* TImagoMView::ImageInfo(int32_t Index) const {
  if (Index < 0 || Index >= ImageCount()) return nullptr;
  return images_[Index].get();
}

bool TImagoMView::HasStoredImage(int32_t Index) const {
  std::lock_guard<TCriticalSection> lock(ThumbnailLock());
  TIEMImageInfo* e = ImageInfo(Index);
  return e && e->Image;
}

bool TImagoMView::HasRendering(int32_t Index) const {
  std::lock_guard<TCriticalSection> lock(ThumbnailLock());
  TIEMImageInfo* e = ImageInfo(Index);
  return e && e->Rendering;
}

int32_t TImagoMView::IndexOfSerial(uint64_t Serial) const {
  for (int32_t i = 0; i < ImageCount(); ++i)
    if (images_[i]->Serial == Serial) return i;
  return -1;
}

void TImagoMView::DeleteEntryStorage(TIEMImageInfo* Entry) {
  if (Entry->Image) {
    ilist_->Delete(Entry->Image);
    Entry->Image = nullptr;
  }
  if (Entry->Rendering) {
    icache_->Delete(Entry->Rendering);
    Entry->Rendering = nullptr;
  }
}

void TImagoMView::InsertImage(int32_t Index) {
  SetPlaying(false);
  auto e = std::make_unique<TIEMImageInfo>();
  e->Parent = this;
  e->Background = Background();
  e->TopText = std::make_unique<TIEMText>(this, 0);
  e->BottomText = std::make_unique<TIEMText>(this, 1);
  e->InfoText = std::make_unique<TIEMText>(this, 2);
  {
    std::lock_guard<TCriticalSection> lock(ThumbnailLock());
    e->Serial = next_serial_++;
    if (Index < 0 || Index >= ImageCount()) {
      Index = ImageCount();
    } else {
      // Loads under way keep storing into the image they started for.
      ShiftLoadIndexes(Index, 1, -1);
    }
    images_.insert(images_.begin() + Index, std::move(e));
  }
  // The selection stays on the same image.
  if (selected_index_ >= Index) ++selected_index_;
  for (int32_t& m : multi_selected_)
    if (m >= Index) ++m;
  last_change_ = iemcInserted;
  last_change_index_ = Index;
  CallBitmapChangeHandlers();
  Relayout(false);
}

bool TImagoMView::DeleteImage(int32_t Index) {
  SetPlaying(false);
  if (Index < 0 || Index >= ImageCount()) return false;
  const int32_t previous = selected_index_;
  DeselectAll();
  {
    std::lock_guard<TCriticalSection> lock(ThumbnailLock());
    ShiftLoadIndexes(Index + 1, -1, Index);
    DeleteEntryStorage(images_[Index].get());
    images_.erase(images_.begin() + Index);
  }
  int32_t reselect = previous;
  if (previous > Index) reselect = previous - 1;
  if (previous == Index) reselect = std::min(Index, ImageCount() - 1);
  // Selected again without laying the cells out again.
  if (reselect >= 0 && reselect < ImageCount()) {
    selected_index_ = reselect;
    if (enable_multi_select_) multi_selected_.assign(1, reselect);
  }
  last_change_ = iemcDeleted;
  last_change_index_ = Index;
  CallBitmapChangeHandlers();
  return true;
}

void TImagoMView::SetImageFromTBitmap(int32_t Index, TBitmap* Bitmap) {
  if (!Bitmap) return;
  TIEBitmap wrapper;
  wrapper.EncapsulateTBitmap(Bitmap, false);
  SetImage(Index, &wrapper);
}

void TImagoMView::StorePicture(TIEMImageInfo* Entry, TIEBitmap* Picture, int32_t SourceWidth,
                               int32_t SourceHeight) {
  DeleteEntryStorage(Entry);
  Entry->Image = ilist_->AddBitmap(Picture);
  if (Entry->Image) {
    ilist_->SetSourceWidth(Entry->Image, SourceWidth);
    ilist_->SetSourceHeight(Entry->Image, SourceHeight);
  }
}

void TImagoMView::SetImage(int32_t Index, TIEBitmap* Bitmap) {
  if (!Bitmap) return;
  if (!ImageInfo(Index)) return;
  std::unique_ptr<TIEBitmap> thumb = MakeStoredPicture(Bitmap, true);
  const bool selected = Index == selected_index_;
  // The lent bitmap of the old picture goes back before its entry goes.
  if (selected) ReleaseSelectedBitmap(false);
  {
    std::lock_guard<TCriticalSection> lock(ThumbnailLock());
    StorePicture(images_[Index].get(), thumb ? thumb.get() : Bitmap, Bitmap->Width(), Bitmap->Height());
  }
  if (selected) CallBitmapChangeHandlers();
}

TIEMLoadSettings TImagoMView::CurrentLoadSettings() const {
  TIEMLoadSettings s;
  s.StoreType = StoreType;
  s.ThumbWidth = thumb_width_;
  s.ThumbHeight = thumb_height_;
  s.FitThumbnails = FitThumbnails;
  s.ThumbnailResampleFilter = ThumbnailResampleFilter;
  s.EmbeddedThumbnails = EmbeddedThumbnails;
  s.AdjustOrientation = AdjustOrientation;
  s.ThreadPoolSize = ThreadPoolSize;
  return s;
}

std::unique_ptr<TIEBitmap> TImagoMView::MakeStoredPicture(TIEBitmap* Source, bool GreyTransparent) {
  return MakeStoredPicture(Source, GreyTransparent, CurrentLoadSettings());
}

std::unique_ptr<TIEBitmap> TImagoMView::MakeStoredPicture(TIEBitmap* Source, bool GreyTransparent,
                                                          const TIEMLoadSettings& Settings) {
  const int32_t sw = Source->Width(), sh = Source->Height();
  const int32_t tw = Settings.ThumbWidth, th = Settings.ThumbHeight;
  if (Settings.StoreType == ietNormal) return nullptr;
  if (!Settings.FitThumbnails && sw <= tw && sh <= th) return nullptr;
  int32_t w = tw, h = th;
  if (sw > 0 && sh > 0) {
    const double scale = std::min(static_cast<double>(tw) / sw, static_cast<double>(th) / sh);
    w = static_cast<int32_t>(std::max<int64_t>(1, Round(sw * scale)));
    h = static_cast<int32_t>(std::max<int64_t>(1, Round(sh * scale)));
  }
  // Nothing to make a thumbnail of (or into): stored as it is.
  if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0) return nullptr;
  if (w == sw && h == sh) return nullptr;
  const TIEPixelFormat format = Source->PixelFormat();
  const TResampleFilter filter = Settings.ThumbnailResampleFilter;
  auto target = std::make_unique<TIEBitmap>();
  // The caller's picture is never changed: transparent pixels are greyed on a copy.
  std::unique_ptr<TIEBitmap> greyed;
  TIEBitmap* src = Source;
  if (GreyTransparent && Source->HasAlphaChannel() && format == ieRGB24) {
    greyed = std::make_unique<TIEBitmap>();
    greyed->Assign(Source);
    FillTransparentPixels(greyed.get(), MakeRGBTriple(128, 128, 128));
    src = greyed.get();
  }
  if (format == ieMono1) {
    target->Allocate(w, h, ieRGB24);
    ShrinkBWToGray(src, 0, 0, sw - 1, sh - 1, target.get());
  } else if (format == ieRGB24) {
    target->Allocate(w, h, ieRGB24);
    if (filter == rfNone)
      ResampleNearest(src, target.get());
    else
      ResampleRGB24(src, target.get(), filter);
  } else {
    target->Allocate(w, h, format);
    ResampleNearest(src, target.get());
  }
  if (Source->HasAlphaChannel()) {
    TIEBitmap* alpha = Source->GetAlphaChannel();
    TIEBitmap* dest = target->GetAlphaChannel();
    if (alpha && dest) {
      ResampleGray8(alpha, dest, filter == rfNone ? rfFastLinear : filter);
      dest->Full = alpha->Full;
    }
  }
  return target;
}

void TImagoMView::SetImageFileName(int32_t Index, const std::string& FileName) {
  std::lock_guard<TCriticalSection> lock(ThumbnailLock());
  TIEMImageInfo* e = ImageInfo(Index);
  if (!e) return;
  e->FileName = FileName;
  e->ID = -1;
}

std::string TImagoMView::ImageFileName(int32_t Index) const {
  std::lock_guard<TCriticalSection> lock(ThumbnailLock());
  TIEMImageInfo* e = ImageInfo(Index);
  return e ? e->FileName : std::string();
}

void TImagoMView::SetImageDelay(int32_t Index, int32_t Milliseconds) {
  std::lock_guard<TCriticalSection> lock(ThumbnailLock());
  if (TIEMImageInfo* e = ImageInfo(Index)) e->Delay = Milliseconds;
}

int32_t TImagoMView::ImageDelay(int32_t Index) const {
  std::lock_guard<TCriticalSection> lock(ThumbnailLock());
  TIEMImageInfo* e = ImageInfo(Index);
  return e ? e->Delay : 0;
}

void TImagoMView::SetImageID(int32_t Index, int32_t ID) {
  std::lock_guard<TCriticalSection> lock(ThumbnailLock());
  if (TIEMImageInfo* e = ImageInfo(Index)) e->ID = ID;
}

void TImagoMView::SetImageOriginalWidth(int32_t Index, int32_t W) {
  std::lock_guard<TCriticalSection> lock(ThumbnailLock());
  TIEMImageInfo* e = ImageInfo(Index);
  if (e && e->Image) ilist_->SetSourceWidth(e->Image, W);
}

void TImagoMView::SetImageOriginalHeight(int32_t Index, int32_t H) {
  std::lock_guard<TCriticalSection> lock(ThumbnailLock());
  TIEMImageInfo* e = ImageInfo(Index);
  if (e && e->Image) ilist_->SetSourceHeight(e->Image, H);
}

int32_t TImagoMView::ImageOriginalWidth(int32_t Index) {
  std::lock_guard<TCriticalSection> lock(ThumbnailLock());
  TIEMImageInfo* e = ImageInfo(Index);
  return e && e->Image ? ilist_->GetSourceWidth(e->Image) : 0;
}

int32_t TImagoMView::ImageOriginalHeight(int32_t Index) {
  std::lock_guard<TCriticalSection> lock(ThumbnailLock());
  TIEMImageInfo* e = ImageInfo(Index);
  return e && e->Image ? ilist_->GetSourceHeight(e->Image) : 0;
}

int32_t TImagoMView::GetImageRow(int32_t Index) const {
  TIEMImageInfo* e = ImageInfo(Index);
  return e ? e->Row : 0;
}

int32_t TImagoMView::GetImageColumn(int32_t Index) const {
  TIEMImageInfo* e = ImageInfo(Index);
  return e ? e->Col : 0;
}

TIEBitmap* TImagoMView::GetImageBitmap(int32_t Index) {
  TIEMImageInfo* e = ImageInfo(Index);
  if (!e) return nullptr;
  if (!HasStoredImage(Index)) LoadImageNow(Index);
  std::lock_guard<TCriticalSection> lock(ThumbnailLock());
  e = ImageInfo(Index);
  return e && e->Image ? ilist_->GetBitmap(e->Image) : nullptr;
}

void TImagoMView::ReleaseImageBitmap(TIEBitmap* Bitmap, bool WriteBack) {
  if (!Bitmap) return;
  std::lock_guard<TCriticalSection> lock(ThumbnailLock());
  ilist_->ReleaseBitmap(Bitmap, WriteBack);
}

void TImagoMView::ReleaseSelectedBitmap(bool WriteBack) {
  if (!selected_bitmap_) return;
  std::lock_guard<TCriticalSection> lock(ThumbnailLock());
  ilist_->ReleaseBitmap(selected_bitmap_, WriteBack);
  selected_bitmap_ = nullptr;
}

TIEBitmap* TImagoMView::GetIEBitmap() {
  if (selected_index_ < 0 || selected_index_ >= ImageCount()) return nullptr;
  if (!selected_bitmap_) selected_bitmap_ = GetImageBitmap(selected_index_);
  return selected_bitmap_;
}

TBitmap* TImagoMView::GetTBitmap() {
  TIEBitmap* b = GetIEBitmap();
  if (!b) return nullptr;
  b->SetLocation(ieTBitmap);
  return b->GetPlatformBitmap();
}

void TImagoMView::ReleaseRendering(int32_t Index) {
  std::lock_guard<TCriticalSection> lock(ThumbnailLock());
  TIEMImageInfo* e = ImageInfo(Index);
  if (e && e->Rendering) {
    icache_->Delete(e->Rendering);
    e->Rendering = nullptr;
  }
}

void TImagoMView::ClearRenderings() {
  std::lock_guard<TCriticalSection> lock(ThumbnailLock());
  for (auto& e : images_)
    if (e->Rendering) {
      icache_->Delete(e->Rendering);
      e->Rendering = nullptr;
    }
}

void TImagoMView::Clear() {
  DeselectAll();
  Relayout(false);
  CancelPendingLoads();
  for (int32_t i = ImageCount() - 1; i >= 0; --i) DeleteImage(i);
  {
    std::lock_guard<TCriticalSection> lock(ThumbnailLock());
    ilist_.reset(new TIEVirtualImageList("ILIST"));
    ilist_->MaxLoaded = image_cache_size_;
    icache_.reset(new TIEVirtualImageList("ICACHE"));
  }
  per_file_io_.clear();
  Update();
}

void TImagoMView::FillFromMultiImageFile(const std::string& FileName) {
  Clear();
  const int32_t n = CountFileImages(FileName);
  LockUpdate();
  for (int32_t i = 0; i < n; ++i) {
    InsertImage(i);
    SetImageFileName(i, FileName + "::" + std::to_string(i));
  }
  UnlockUpdate();
}

// ------------------------------------------------------------ loading

TImagoIO* TImagoMView::PerFileIOFor(const std::string& FileName) {
  for (auto& p : per_file_io_)
    if (p.file_name == FileName) return p.io.get();
  PerFileIO p;
  p.file_name = FileName;
  p.io.reset(new TImagoIO(nullptr));
  p.io->Params()->FileName = FileName;
  per_file_io_.push_back(std::move(p));
  return per_file_io_.back().io.get();
}

void TImagoMView::PrepareLoadParams(TIOParamsVals* Params) { PrepareLoadParams(Params, CurrentLoadSettings()); }

void TImagoMView::PrepareLoadParams(TIOParamsVals* Params, const TIEMLoadSettings& Settings) {
  if (Settings.StoreType == ietThumb) {
    Params->JpegScale = 0;
    Params->Width = Settings.ThumbWidth;
    Params->Height = Settings.ThumbHeight;
    const bool small = Settings.ThumbWidth <= 200 && Settings.ThumbHeight <= 200 && Settings.EmbeddedThumbnails;
    Params->SetLoadEmbeddedThumbnail(small);
    Params->SetLoadRAWPreview(small);
  } else {
    Params->JpegScale = 1;
  }
  Params->EnableAdjustOrientation = Settings.AdjustOrientation ? 1 : 0;
  Params->TiffEnableAdjustOrientation = Settings.AdjustOrientation ? 1 : 0;
}

bool TImagoMView::LoadFileFrame(TImagoIO* IO, const std::string& FileName, int32_t Frame, TIEMImageInfo* Entry) {
  std::string ext;
  const size_t dot = FileName.find_last_of('.');
  const size_t slash = FileName.find_last_of('/');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) ext = FileName.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const TIOFormatEntry* format = ext.empty() ? nullptr : FindFormatInfoByExtension(ext);
  const int32_t type = format ? format->TypeId : 0;
  if (type != 0 && type != ieftAVI && type != 22 && type != 23) {
    IO->Params()->SetImageIndex(Frame);
    IO->LoadFromFileByContent(FileName);
    Entry->Delay = type == ieftGIF ? IO->Params()->GifDelayTime * 10 : 0;
    return true;
  }
  for (auto& p : per_file_io_)
    if (p.io.get() == IO && !p.media_open) {
      IO->OpenAVIFile(FileName);
      p.media_open = true;
    }
  IO->LoadAVIFrame(Frame);
  Entry->Delay = IO->Params()->AviFrameDelay * 10;
  return true;
}

void TImagoMView::StoreLoadResult(int32_t Index, TImagoIO* IO, TIEBitmap* Picture, bool IsJpeg) {
  TIEMImageInfo* e = ImageInfo(Index);
  if (!e) return;
  CopyParamsToCompanion(Index, IO->Params());
  e->Background = IO->Background();
  SetImage(Index, Picture);
  if (e->Image) {
    TIOParamsVals* p = IO->Params();
    ilist_->SetSourceWidth(e->Image, IsJpeg ? p->JpegOriginalWidth : p->Width);
    ilist_->SetSourceHeight(e->Image, IsJpeg ? p->JpegOriginalHeight : p->Height);
  }
}

bool TImagoMView::LoadImageNow(int32_t Index) {
  std::lock_guard<TCriticalSection> lock(ThumbnailLock());
  TIEMImageInfo* e = ImageInfo(Index);
  if (!e) return false;
  if (e->ID >= 0 && OnImageIDRequest) {
    TBitmap* bitmap = nullptr;
    OnImageIDRequest(this, e->ID, bitmap);
    SetImageFromTBitmap(Index, bitmap);
    return true;
  }
  if (e->ID >= 0 && OnImageIDRequestEx) {
    TIEBitmap* bitmap = nullptr;
    OnImageIDRequestEx(this, e->ID, bitmap);
    SetImage(Index, bitmap);
    return true;
  }
  if (e->FileName.empty()) return true;

  const std::string name = e->FileName;
  const size_t sep = name.find("::");
  TImagoIO* io = own_io_.get();
  std::string file = name;
  int32_t frame = 0;
  if (sep != std::string::npos) {
    file = name.substr(0, sep);
    const std::string number = name.substr(sep + 2);
    frame = 0;
    bool digits = !number.empty() && number.size() < 10;
    for (char c : number) digits = digits && c >= '0' && c <= '9';
    if (digits) frame = std::stoi(number);
    io = PerFileIOFor(file);
  }
  auto bitmap = std::make_unique<TIEBitmap>();
  io->UseIEBitmap(bitmap.get());
  io->SetBackground(e->Background);
  io->OnProgress = OnIOProgress;
  PrepareLoadParams(io->Params());
  ApplyCompanionOptions(io);
  try {
    if (sep == std::string::npos)
      io->LoadFromFileByContent(file);
    else
      LoadFileFrame(io, file, frame, e);
  } catch (...) {
    // A load that throws is a wrong image like one the reader gave up on:
    // the cell shows the wrong-image picture and painting goes on.
    io->SetAborted(true);
  }
  bool ok = true;
  if (io->Aborted()) {
    DoWrongImage(bitmap.get(), Index);
    ok = false;
  }
  StoreLoadResult(Index, io, bitmap.get(), io->Params()->FileType == ieftJPEG);
  io->UseIEBitmap(nullptr);
  io->OnProgress = nullptr;
  return ok;
}

void TImagoMView::DoWrongImage(TIEBitmap* OutBitmap, int32_t idx) {
  const int32_t w = std::max(1, thumb_width_), h = std::max(1, thumb_height_);
  bool handled = false;
  if (OnWrongImage) {
    OutBitmap->Allocate(w, h, ieRGB24);
    OnWrongImage(this, OutBitmap, idx, handled);
  }
  if (handled) return;
  OutBitmap->Allocate(w, h, ieRGB24);
  OutBitmap->Fill(0xFFFFFF);
  OutBitmap->SetLocation(ieTBitmap);
  TCanvas* c = OutBitmap->GetCanvas();
  if (!c) return;
  c->Font()->SetName("Arial");
  c->Font()->SetSize(h);
  c->Font()->SetStyle(TFontStyles{fsBold});
  c->Brush()->SetStyle(bsClear);
  const std::string text = "?";
  const TSize size = c->TextExtent(text);
  const int32_t x = (w - size.cx) / 2, y = (h - size.cy) / 2;
  c->Font()->SetColor(static_cast<TColor>(0x808080));
  c->TextOut(x + 3, y + 3, text);
  c->Font()->SetColor(clBlue);
  c->TextOut(x, y, text);
}

// ------------------------------------------------------------ layout

int32_t TImagoMView::GridColumns() {
  if (grid_width_ == -1) {
    // Cells of no size still take one pixel each, so nothing divides by 0.
    const int32_t step = std::max(1, horiz_border_ + thumb_width_);
    return std::max(0, (ViewClientWidth() - horiz_border_) / step);
  }
  return std::max(0, grid_width_);
}

void TImagoMView::LayoutCells() {
  const int32_t columns = GridColumns();
  int32_t c = 0, r = 0;
  extent_x_ = extent_y_ = 0;
  for (auto& e : images_) {
    int64_t x = static_cast<int64_t>(c) * (thumb_width_ + horiz_border_);
    int64_t y = static_cast<int64_t>(r) * (thumb_height_ + vert_border_);
    if (display_mode_ == mdGrid) {
      x += horiz_border_;
      y += vert_border_;
    }
    e->X = SaturateInt32(x);
    e->Y = SaturateInt32(y);
    e->Row = r;
    e->Col = c;
    extent_x_ = std::max(extent_x_, e->X);
    extent_y_ = std::max(extent_y_, e->Y);
    ++c;
    if (display_mode_ == mdSingle) {
      c = r = 0;
    } else if (columns > 0 && c >= columns) {
      c = 0;
      ++r;
    }
  }
  extent_x_ = SaturateInt32(static_cast<int64_t>(extent_x_) + thumb_width_ + horiz_border_);
  extent_y_ = SaturateInt32(static_cast<int64_t>(extent_y_) + thumb_height_ + vert_border_);
}

int32_t TImagoMView::MaxViewX() { return std::max(0, extent_x_ - ViewClientWidth()); }
int32_t TImagoMView::MaxViewY() { return std::max(0, extent_y_ - ViewClientHeight()); }

void TImagoMView::MoveThumb(int Bar) {
  bars_.MoveThumb(Bar, static_cast<int32_t>(Trunc((Bar == 0 ? view_x_ : view_y_) / scroll_scale_[Bar])));
}

void TImagoMView::Relayout(bool ClearRenderingsToo) {
  if (UpdateLockCount() > 0 || in_relayout_ || Destroying()) return;
  const TComponentState state = ComponentState().Exclude(csDesigning).Exclude(csFreeNotification);
  if (!state.Empty()) return;
  if (!HasParentWindow()) return;
  if (!ComponentState().Contains(csDesigning)) {
    in_relayout_ = true;
    if (ClearRenderingsToo) ClearRenderings();
    LayoutCells();
    for (int pass = 0; pass < 9; ++pass) {
      const int32_t cw = ViewClientWidth(), ch = ViewClientHeight();
      const int32_t max_x = std::max(0, extent_x_ - cw), max_y = std::max(0, extent_y_ - ch);
      const int32_t vx = std::clamp(view_x_, 0, max_x), vy = std::clamp(view_y_, 0, max_y);
      if (vx != view_x_ || vy != view_y_) {
        view_x_ = vx;
        view_y_ = vy;
        ViewChange(0);
      }
      for (int b = 0; b < 2; ++b) {
        const bool wanted = scroll_bars_ == ssBoth || scroll_bars_ == (b == 0 ? ssHorizontal : ssVertical);
        if (!wanted) continue;
        const int32_t max = b == 0 ? max_x : max_y;
        const int32_t client = b == 0 ? cw : ch;
        TIEViewScrollBar& bar = bars_[b];
        if (max < 1) {
          if (KeepScrollBars) {
            bar.Visible = true;
            bar.Enabled = false;
            bars_.Shown[b] = true;
            bars_.Apply(b);
          } else {
            bars_.Hide(b);
          }
          continue;
        }
        scroll_scale_[b] = (static_cast<double>(client) + max - 1) / 65536.0;
        bar.Min = 0;
        bar.Max = 65535;
        bar.Page = static_cast<int32_t>(Trunc(client / scroll_scale_[b]));
        bar.Position = static_cast<int32_t>(Trunc((b == 0 ? view_x_ : view_y_) / scroll_scale_[b]));
        bar.Enabled = true;
        bar.Visible = true;
        bars_.Shown[b] = true;
        bars_.Apply(b);
      }
      if (cw == ViewClientWidth() && ch == ViewClientHeight()) break;
    }
    CallBitmapChangeHandlers();
    in_relayout_ = false;
  }
  Invalidate();
}

void TImagoMView::Update() { Relayout(true); }

int32_t TImagoMView::UnlockUpdate() {
  const int32_t n = UnlockUpdateNoRepaint();
  if (n == 0) Update();
  return n;
}

void TImagoMView::CallBitmapChangeHandlers() {
  TIEView::CallBitmapChangeHandlers();
  last_change_ = iemcNone;
}

void TImagoMView::SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) {
  TIEView::SetBounds(ALeft, ATop, AWidth, AHeight);
}

void TImagoMView::SetViewXY(int32_t X, int32_t Y) {
  if (X == view_x_ && Y == view_y_) return;
  view_x_ = std::clamp(X, 0, MaxViewX());
  view_y_ = std::clamp(Y, 0, MaxViewY());
  Invalidate();
  for (int b = 0; b < 2; ++b)
    if (scroll_bars_ == ssBoth || scroll_bars_ == (b == 0 ? ssHorizontal : ssVertical)) MoveThumb(b);
}

void TImagoMView::SetViewX(int32_t Value) { SetViewXY(Value, view_y_); }
void TImagoMView::SetViewY(int32_t Value) { SetViewXY(view_x_, Value); }

int32_t TImagoMView::IndexOfCell(int32_t Row, int32_t Col) {
  const int64_t index = Col + static_cast<int64_t>(Row) * GridColumns();
  return SaturateInt32(index);
}

int32_t TImagoMView::ImageAtPos(int32_t X, int32_t Y) {
  const int32_t row_step = std::max(1, vert_border_ + thumb_height_);
  const int32_t col_step = std::max(1, horiz_border_ + thumb_width_);
  const int64_t gy = static_cast<int64_t>(Y) + view_y_, gx = static_cast<int64_t>(X) + view_x_;
  const int32_t index = IndexOfCell(static_cast<int32_t>(gy / row_step), static_cast<int32_t>(gx / col_step));
  if (index < 0 || index >= ImageCount()) return -1;
  TIEMImageInfo* e = images_[index].get();
  const int32_t left = e->X - view_x_, top = e->Y - view_y_;
  if (X < left || X > left + thumb_width_ - 1 || Y < top || Y > top + thumb_height_) return -1;
  return index;
}

bool TImagoMView::IsVisible(int32_t Index) {
  TIEMImageInfo* e = ImageInfo(Index);
  if (!e) return false;
  const int32_t x = e->X - view_x_, y = e->Y - view_y_;
  return x + thumb_width_ > 0 && x <= Width() - 1 && y + thumb_height_ > 0 && y <= Height() - 1;
}

int32_t TImagoMView::ImageVisibility(int32_t Index) {
  TIEMImageInfo* e = ImageInfo(Index);
  if (!e) return 0;
  const int32_t cw = ViewClientWidth(), ch = ViewClientHeight();
  const int32_t x1 = e->X - view_x_, y1 = e->Y - view_y_;
  const int32_t x2 = x1 + thumb_width_ - 1, y2 = y1 + thumb_height_ - 1;
  if (x1 >= 0 && y1 >= 0 && x2 < cw && y2 < ch) return 2;
  if (x2 >= 0 && y2 >= 0 && x1 < cw && y1 < ch) return 1;
  return 0;
}

void TImagoMView::ViewChange(int32_t Change) {
  if (user_action_ && OnViewChange) OnViewChange(this, Change);
}

// ------------------------------------------------------------ properties

void TImagoMView::SetScrollBars(TScrollStyle Value) {
  scroll_bars_ = Value;
  if (!HasParentWindow()) return;
  if (Value == ssNone || Value == ssVertical) bars_.Hide(0);
  if (Value == ssNone || Value == ssHorizontal) bars_.Hide(1);
  Relayout(false);
}

void TImagoMView::SetThumbWidth(int32_t Value) {
  thumb_width_ = std::max(0, Value);
  ClearRenderings();
  Update();
}

void TImagoMView::SetThumbHeight(int32_t Value) {
  thumb_height_ = std::max(0, Value);
  ClearRenderings();
  Update();
}

#define MVIEW_SETTER(Name, field, Type) \
  void TImagoMView::Set##Name(Type Value) { \
    field = Value;                          \
    Update();                               \
  }
#define MVIEW_SETTER_ON_CHANGE(Name, field, Type) \
  void TImagoMView::Set##Name(Type Value) {       \
    if (field == Value) return;                   \
    field = Value;                                \
    Update();                                     \
  }

MVIEW_SETTER(HorizBorder, horiz_border_, int32_t)
MVIEW_SETTER(VertBorder, vert_border_, int32_t)
MVIEW_SETTER(UpperGap, upper_gap_, int32_t)
MVIEW_SETTER(BottomGap, bottom_gap_, int32_t)
MVIEW_SETTER(VisibleSelection, visible_selection_, bool)
MVIEW_SETTER(GridWidth, grid_width_, int32_t)
MVIEW_SETTER(SelectionWidth, selection_width_, int32_t)
MVIEW_SETTER(SelectionColor, selection_color_, TColor)
MVIEW_SETTER(RemoveCorrupted, remove_corrupted_, bool)
MVIEW_SETTER(DrawImageBackground, draw_image_background_, bool)
MVIEW_SETTER(EnableAlphaChannel, enable_alpha_channel_, bool)
MVIEW_SETTER(BackgroundStyle, background_style_, TIEBackgroundStyle)
MVIEW_SETTER(ThumbnailsBackgroundStyle, thumbnails_background_style_, TIEBackgroundStyle)
MVIEW_SETTER_ON_CHANGE(Style, style_, TIEMStyle)
MVIEW_SETTER_ON_CHANGE(SelectionStyle, selection_style_, TIESStyle)
MVIEW_SETTER_ON_CHANGE(EnableMultiSelect, enable_multi_select_, bool)
MVIEW_SETTER_ON_CHANGE(ThumbnailsBorderWidth, thumbnails_border_width_, int32_t)
MVIEW_SETTER_ON_CHANGE(ThumbnailsBorderColor, thumbnails_border_color_, TColor)
MVIEW_SETTER_ON_CHANGE(ThumbnailsInternalBorder, thumbnails_internal_border_, bool)
MVIEW_SETTER_ON_CHANGE(ThumbnailsInternalBorderColor, thumbnails_internal_border_color_, TColor)
MVIEW_SETTER_ON_CHANGE(WallPaperStyle, wallpaper_style_, TIEWallPaperStyle)

#undef MVIEW_SETTER
#undef MVIEW_SETTER_ON_CHANGE

void TImagoMView::SetDisplayMode(TIEMDisplayMode Value) {
  if (playing_) {
    remembered_display_mode_ = Value;
    return;
  }
  display_mode_ = Value;
  Update();
}

void TImagoMView::SetImageCacheSize(int32_t Value) {
  image_cache_size_ = Value;
  std::lock_guard<TCriticalSection> lock(ThumbnailLock());
  ilist_->MaxLoaded = Value;
}

void TImagoMView::SetWallPaper(TPicture* Value) {
  wallpaper_->Assign(Value);
  Update();
}

void TImagoMView::SetFlatScrollBars(bool Value) {
  if (Value == bars_.Flat) return;
  if (HandleAllocated()) {
    if (!Value) {
      UninitializeFlatSB(Handle());
    } else {
      for (int b = 0; b < 2; ++b) {
        bars_[b].Min = 0;
        bars_[b].Max = 65535;
      }
      InitializeFlatSB(Handle());
    }
  }
  bars_.Flat = Value;
  if (Value) {
    for (int b = 0; b < 2; ++b) {
      bars_[b].Visible = true;
      bars_.Apply(b);
    }
  }
}

void TImagoMView::SetBackground(TColor Value) {
  TIEView::SetBackground(Value);
  Update();
}

void TImagoMView::SetChessboardStyle(int32_t Size, TBrushStyle BrushStyle) {
  ChessboardSize = Size;
  ChessboardBrushStyle = BrushStyle;
}

void TImagoMView::SetFillThumbnail(bool Value) {
  FillThumbnail = Value;
  Update();
}

void TImagoMView::SetOnProgress(TIEProgressEvent Value) {
  on_progress_ = std::move(Value);
  if (proc_) proc_->OnProgress = on_progress_;
  SetCompanionProgress();
}
