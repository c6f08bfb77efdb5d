#include "imaging/io/TImagoIO.h"

#include <cstring>
#include <vector>
#include <exception>

#include "imaging/model/ColorSpaces.h"
#include "imaging/model/IESharedRoutines.h"
#include "imaging/model/IEStreams.h"
#include "imaging/model/Resample.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/io/TIEIOThread.h"
#include "imaging/io/IEReadLimits.h"
#include "imaging/io/formats/AVI.h"
#include "imaging/io/formats/Metafile.h"
#include "imaging/model/TIEMask.h"
#include "platform/Http.h"
#include "platform/Metafile.h"
#include "platform/Window.h"
#include "rtl/FileUtils.h"
#include "rtl/Numeric.h"
#include "rtl/StrUtils.h"
#include "rtl/TStream.h"
#include "ui/TBitmap.h"
#include "ui/TColor.h"
#include "ui/TGraphicsObject.h"
#include "ui/TImage.h"

RTL_DEFINE_CLASS(TImagoIO, TComponent)

// Fires the finish notice however the operation is left, exceptions included.
class TImagoIO::FinishGuard {
 public:
  explicit FinishGuard(TImagoIO* io) : io_(io) {}
  ~FinishGuard() noexcept(false) {
    if (std::uncaught_exceptions() == 0) {
      io_->DoFinishWork();
      return;
    }
    // A handler's error must not replace the one that is propagating.
    try {
      io_->DoFinishWork();
    } catch (...) {
    }
  }
  FinishGuard(const FinishGuard&) = delete;
  FinishGuard& operator=(const FinishGuard&) = delete;

 private:
  TImagoIO* io_;
};

namespace {

// Extensions of the file saves and the formats they write.
struct SaveExtension {
  const char* ext;
  int32_t id;
};
constexpr SaveExtension kSaveList[] = {
    {".jpg", ieftJPEG},  {".jpeg", ieftJPEG}, {".jpe", ieftJPEG},  {".jif", ieftJPEG},
    {".jp2", ieftJP2},   {".j2k", ieftJ2K},   {".jpc", ieftJ2K},   {".j2c", ieftJ2K},
    {".pcx", ieftPCX},   {".dcx", ieftDCX},   {".gif", ieftGIF},   {".tif", ieftTIFF},
    {".tiff", ieftTIFF}, {".fax", ieftTIFF},  {".g3f", ieftTIFF},  {".g3n", ieftTIFF},
    {".png", ieftPNG},   {".bmp", ieftBMP},   {".dib", ieftBMP},   {".rle", ieftBMP},
    {".tga", ieftTGA},   {".targa", ieftTGA}, {".vda", ieftTGA},   {".icb", ieftTGA},
    {".vst", ieftTGA},   {".win", ieftTGA},   {".pxm", ieftPXM},   {".pbm", ieftPXM},
    {".pgm", ieftPXM},   {".ppm", ieftPXM},   {".ico", ieftICO},   {".wbmp", ieftWBMP},
    {".ps", ieftPS},     {".eps", ieftPS},    {".pdf", ieftPDF},
};

// The length of a leading "http://", "https://" or "ftp://" (any case), or 0.
size_t WebSchemeLength(const std::string& Name) {
  const std::string head = LowerCase(Name.substr(0, 8));
  for (const char* s : {"http://", "https://", "ftp://"})
    if (head.rfind(s, 0) == 0) return std::strlen(s);
  return 0;
}

int32_t SaveTypeOfExtension(const std::string& LowerExt) {
  for (const SaveExtension& s : kSaveList)
    if (LowerExt == s.ext) return s.id;
  return ieftUnknown;
}

constexpr TIEPixelFormatSet kRGB24OrMono =
    PixelFormatBit(ieRGB24) | PixelFormatBit(ieMono1);

}  // namespace

TImagoIO::TImagoIO(TComponent* AOwner) : TComponent(AOwner) {
  owned_ = std::make_unique<TIEBitmap>();
  bitmap_ = owned_.get();
  params_ = std::make_unique<TIOParamsVals>(this);
  twain_params_ = std::make_unique<TIETWainParams>(this);
  preview_font_.reset(new TFont());
}

TImagoIO::~TImagoIO() {
  WaitThreads(false);
  CloseMediaFile();
  CloseAVIFile();
  DetachView();
  ForgetImageControl();
}

void TImagoIO::BeforeDestruction() {
  WaitThreads(false);
  DetachView();
  ForgetImageControl();
  TComponent::BeforeDestruction();
}

// ---- attachment

void TImagoIO::DetachView() {
  if (!view_) return;
  StopWorkersForView();
  view_->RemoveBitmapChangeHandler(view_handle_);
  view_->RemoveFreeNotification(this);
  view_handle_ = ieNoBitmapChangeHandler;
  view_ = nullptr;
}

void TImagoIO::OwnNewBitmap() {
  owned_ = std::make_unique<TIEBitmap>();
  bitmap_ = owned_.get();
}

void TImagoIO::Rewrap() {
  if (linked_ && bitmap_) bitmap_->EncapsulateTBitmap(linked_, false);
}

void TImagoIO::ForgetImageControl() {
  if (image_control_) image_control_->RemoveFreeNotification(this);
  image_control_ = nullptr;
}

TBitmap* TImagoIO::GetBitmap() {
  if (bitmap_ && bitmap_->Location() == ieTBitmap) return bitmap_->GetPlatformBitmap();
  return linked_;
}

void TImagoIO::SetAttachedImago(TIEView* View) {
  DetachView();
  if (!View) {
    // An attached image control stays linked.
    OwnNewBitmap();
    if (!image_control_) linked_ = nullptr;
    Rewrap();
    return;
  }
  linked_ = nullptr;
  owned_.reset();
  bitmap_ = View->GetIEBitmap();
  if (!bitmap_) {
    // A view without an image of its own: a bitmap of ours wrapping the
    // view's platform bitmap.
    OwnNewBitmap();
    linked_ = View->GetTBitmap();
    Rewrap();
  }
  ForgetImageControl();
  view_ = View;
  view_token_ = std::make_shared<TIEView*>(View);
  View->FreeNotification(this);
  view_handle_ = View->AddBitmapChangeHandler(&TImagoIO::ViewBitmapChanged, this);
}

void TImagoIO::SetAttachedTImage(TImage* Image) {
  ForgetImageControl();
  if (!Image) {
    // An attached view keeps its image; otherwise the image is emptied.
    if (!view_) {
      linked_ = nullptr;
      if (bitmap_) bitmap_->FreeImage(true);
    }
    return;
  }
  DetachView();
  // The control's bitmap is wrapped by a bitmap of our own, never by a
  // view's or a lent one.
  if (!owned_) OwnNewBitmap();
  linked_ = Image->Picture()->Bitmap();
  Rewrap();
  image_control_ = Image;
  Image->FreeNotification(this);
}

void TImagoIO::UseIEBitmap(TIEBitmap* Bitmap) {
  linked_ = nullptr;
  owned_.reset();
  bitmap_ = Bitmap;
}

void TImagoIO::AttachIEBitmap(TIEBitmap* Bitmap) {
  if (view_) {
    view_->RemoveBitmapChangeHandler(view_handle_);
    view_handle_ = ieNoBitmapChangeHandler;
    if (!Bitmap) return;
  }
  UseIEBitmap(Bitmap);
  if (Bitmap && view_) {
    StopWorkersForView();
    view_->RemoveFreeNotification(this);
    view_ = nullptr;
  }
  if (Bitmap) ForgetImageControl();
}

void TImagoIO::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && view_ && AComponent == view_) {
    StopWorkersForView();
    view_->RemoveBitmapChangeHandler(view_handle_);
    view_handle_ = ieNoBitmapChangeHandler;
    view_ = nullptr;
    // The view's image goes with it; never keep pointing at it.
    if (!owned_ || linked_) OwnNewBitmap();
    linked_ = nullptr;
  }
  if (Operation == opRemove && image_control_ && AComponent == image_control_) {
    image_control_ = nullptr;
    // The bitmap goes with the control.
    linked_ = nullptr;
    OwnNewBitmap();
  }
}

void TImagoIO::ViewBitmapChanged(void* Data, TIEView* View, bool Destroying) {
  auto* io = static_cast<TImagoIO*>(Data);
  if (View != io->view_) return;
  if (Destroying) {
    io->StopWorkersForView();
    io->view_handle_ = ieNoBitmapChangeHandler;
    io->view_->RemoveFreeNotification(io);
    io->view_ = nullptr;
    if (!io->owned_ || io->linked_) io->OwnNewBitmap();
    io->linked_ = nullptr;
    return;
  }
  if (TIEBitmap* b = View->GetIEBitmap()) {
    io->owned_.reset();
    io->bitmap_ = b;
    io->linked_ = nullptr;
  } else {
    if (!io->owned_) io->OwnNewBitmap();
    io->linked_ = View->GetTBitmap();
    io->Rewrap();
  }
  io->params_->SetDpiX(View->DpiX());
  io->params_->SetDpiY(View->DpiY());
}

TColor TImagoIO::Background() const { return view_ ? view_->Background() : background_; }

void TImagoIO::SetBackground(TColor Value) {
  if (!view_) background_ = Value;
}

void TImagoIO::SetDefaultDitherMethod(uint8_t Value) {
  default_dither_method_ = Value;
  if (bitmap_) bitmap_->DitherMethod = Value;
}

// ---- notices and helpers

// ---- AVI frames

int32_t TImagoIO::OpenAVIFile(const std::string& FileName) {
  SetAborted(false);
  CloseAVIFile();
  params_->AviFrameCount = 0;
  params_->FileName = FileName;
  params_->FileType = ieftUnknown;
  try {
    avi_file_ = std::make_unique<TFileStream>(FileName, fmOpenRead | fmShareDenyWrite);
  } catch (const std::exception&) {
    Fail();
    return 0;
  }
  avi_ = std::make_unique<TIEAVIReader>();
  if (!avi_->Open(avi_file_.get()) || avi_->FrameCount() == 0) {
    CloseAVIFile();
    Fail();
    return 0;
  }
  params_->AviFrameCount = avi_->FrameCount();
  params_->AviFrameDelay = 0;
  return avi_->FrameCount();
}

void TImagoIO::CloseAVIFile() {
  avi_.reset();
  avi_file_.reset();
}

void TImagoIO::LoadAVIFrame(int32_t Index) {
  if (ShouldDispatch()) {
    TIEIOThread::StartFrame(this, WorkerNotifyWindow(), Index, &TImagoIO::LoadAVIFrame);
    return;
  }
  FinishGuard finish(this);
  SetAborted(false);
  if (!PrepareBitmap(0) || !avi_ || Index < 0 || Index >= avi_->FrameCount()) return Fail();
  TIOProgressRec progress = MakeProgressRec();
  TIEBitmap frame;
  if (!avi_->ReadFrame(Index, &frame, progress)) return Fail();
  params_->AviFrameCount = avi_->FrameCount();
  params_->AviFrameDelay = avi_->FrameDelay();
  bitmap_->Assign(&frame);
  const int32_t bits = avi_->BitCount();
  params_->BitsPerSample = bits <= 8 ? bits : (bits == 15 ? 5 : 8);
  params_->SamplesPerPixel = bits <= 8 ? 1 : 3;
  params_->SetDpiX(DefaultDpiX);
  params_->SetDpiY(DefaultDpiY);
  params_->Width = frame.Width();
  params_->Height = frame.Height();
  params_->ColorMap.clear();
  UpdateAttachedView();
}

// ---- media files

int32_t TImagoIO::OpenMediaFile(const std::string& FileName) {
  CloseMediaFile();
  SetAborted(true);
  media_ = std::make_unique<TIEDirectShow>();
  media_->FileName = FileName;
  media_->EnableSampleGrabber = true;
  // The frames and events of an open media file reach the attached view as
  // they do for the capture graph, so its new-frame and event callbacks fire.
  if (view_ && view_->HasParentWindow())
    media_->SetNotifyWindow(view_->Handle(), IEM_NEWFRAME, IEM_EVENT);
  if (!media_->BuildGraph()) {
    CloseMediaFile();
    return 0;
  }
  media_->Pause();
  media_->SetTimeFormat(5);
  const int64_t duration = media_->GetDuration();
  media_->SetTimeFormat(1);
  const int64_t in_frames = media_->GetDuration();
  const int64_t each = media_->GetAverageTimePerFrame();
  int64_t frames = in_frames;
  media_multiplier_ = 1;
  if (in_frames == duration && each > 0) {
    // The graph counts in media time only: frames of the average length.
    frames = duration / each;
    media_multiplier_ = each;
  }
  if (duration <= 0 || frames <= 0) {
    CloseMediaFile();
    return 0;
  }
  frames = std::min<int64_t>(frames, INT32_MAX);
  media_frame_rate_ = static_cast<double>(duration) / 10000000.0 / static_cast<double>(frames) * 100.0;
  SetAborted(false);
  params_->MediaFileFrameCount = static_cast<int32_t>(frames);
  params_->FileType = ieftUnknown;
  params_->FileName = FileName;
  std::string format;
  media_->GetVideoSize(params_->Width, params_->Height, format);
  return static_cast<int32_t>(frames);
}

void TImagoIO::LoadMediaFileFrame(int32_t Index) {
  if (!media_ || !PrepareBitmap(0)) return;
  params_->SetImageIndex(Index);
  media_->SetPosition(int64_t{Index} * media_multiplier_);
  media_->GrabFrame(bitmap_);
  params_->MediaFileFrameDelay = static_cast<int32_t>(
      std::min<double>(Round(media_frame_rate_), static_cast<double>(INT32_MAX)));
  UpdateAttachedView();
}

void TImagoIO::CloseMediaFile() {
  if (!media_) return;
  if (media_->IsRunning()) media_->Stop();
  media_.reset();
}

// ---- metafiles

void TImagoIO::LoadMetafileFromFile(const std::string& FileName, int32_t Width, int32_t Height,
                                    bool WithAlpha) {
  if (ShouldDispatch()) {
    TIEIOThread::StartMetafile(this, WorkerNotifyWindow(), FileName, Width, Height, WithAlpha,
                               &TImagoIO::LoadMetafileFromFile);
    return;
  }
  SetAborted(false);
  FinishGuard finish(this);
  if (Width == 0 || Height == 0 || !PrepareBitmap(0)) return;
  params_->ResetPerLoad();
  TMetafile metafile;
  {
    // Left set when the file cannot be opened.
    SetAborted(true);
    TFileStream file(FileName, fmOpenRead | fmShareDenyWrite);
    SetAborted(false);
    const int64_t size = file.Size();
    std::vector<uint8_t> data;
    if (size > 0 && IEMachineCanHold(size * 2)) {
      data.resize(static_cast<size_t>(size));
      if (file.Read(data.data(), size) != size) data.clear();
    }
    if (!metafile.Load(data.data(), data.size())) return Fail();
  }
  int32_t w = Width, h = Height;
  if (!MetafileTargetSize(metafile.Width(), metafile.Height(), w, h)) return Fail();
  TIOProgressRec progress = MakeProgressRec();
  if (!RenderMetafile(metafile, w, h, ColorToRGB(Background()), WithAlpha, bitmap_, progress))
    return;
  params_->FileName = FileName;
  params_->FileType = metafile.Enhanced() ? ieftEMF : ieftWMF;
  params_->BitsPerSample = 8;
  params_->SamplesPerPixel = 3;
  params_->Width = w;
  params_->Height = h;
  params_->SetDpiX(DefaultDpiX);
  params_->SetDpiY(DefaultDpiY);
  params_->ColorMap.clear();
  if (view_) view_->SetDpi(params_->DpiX(), params_->DpiY());
  if (AutoAdjustDPI) AdjustDPI();
  UpdateAttachedView();
}

// ---- acquisition

TIEWia* TImagoIO::GetWIA() {
  if (!wia_) {
    wia_ = std::make_unique<TIEWia>(this);
    wia_->OnProgress = [this](int32_t Percent) { return WIAProgress(Percent); };
  }
  return wia_.get();
}

bool TImagoIO::WIAProgress(int32_t Percent) {
  DoProgress(this, Percent);
  return !Aborted();
}

TIEDirectShow* TImagoIO::GetDirectShow() {
  if (!direct_show_) {
    direct_show_ = std::make_unique<TIEDirectShow>();
    if (view_) direct_show_->SetNotifyWindow(view_->Handle(), IEM_NEWFRAME, IEM_EVENT);
  }
  return direct_show_.get();
}

void TImagoIO::UpdateDShowNotifyWindow() {
  if (!view_) return;
  for (TIEDirectShow* graph : {direct_show_.get(), media_.get()})
    if (graph && graph->NotifyWindow() != view_->Handle())
      graph->SetNotifyWindow(view_->Handle(), IEM_NEWFRAME, IEM_EVENT);
}

void TImagoIO::TakeAcquiredBitmap(TIEBitmap* Bitmap, TIOParamsVals*& Params) {
  if (!PrepareBitmap(0)) return;
  bool handled = false;
  if (OnAcquireBitmap) OnAcquireBitmap(this, Bitmap, handled);
  if (handled) return;
  Params = params_.get();
  bitmap_->Assign(Bitmap);
  params_->Width = bitmap_->Width();
  params_->Height = bitmap_->Height();
  if (AutoAdjustDPI) AdjustDPI();
  UpdateAttachedView();
}

// ---- square pixels

namespace {

// The size with square pixels for a Width x Height image at DpiX x DpiY, and
// the resolution both axes then share; false when nothing is to be done.
// A side never becomes 0, and a zero resolution is never divided by.
bool SquarePixelSize(int32_t Width, int32_t Height, int32_t DpiX, int32_t DpiY,
                     int32_t& NewWidth, int32_t& NewHeight, int32_t& NewDpi) {
  if (DpiX == DpiY || DpiX <= 0 || DpiY <= 0 || Width <= 0 || Height <= 0) return false;
  NewWidth = Width;
  NewHeight = Height;
  if (Height < Width) {
    NewHeight = static_cast<int32_t>(
        std::min<int64_t>(Trunc(static_cast<double>(Height) / DpiY * DpiX), 1000000));
    NewDpi = DpiX;
  } else {
    NewWidth = static_cast<int32_t>(
        std::min<int64_t>(Trunc(static_cast<double>(Width) / DpiX * DpiY), 1000000));
    NewDpi = DpiY;
  }
  NewWidth = std::max(NewWidth, 1);
  NewHeight = std::max(NewHeight, 1);
  return true;
}

// Resamples Source into a new bitmap of the given size.
std::unique_ptr<TIEBitmap> Resampled(TIEBitmap* Source, int32_t Width, int32_t Height,
                                     bool Filtered) {
  auto result = std::make_unique<TIEBitmap>();
  if (Filtered) {
    if (Source->PixelFormat() != ieRGB24) Source->SetPixelFormat(ieRGB24);
    result->Allocate(Width, Height, ieRGB24);
    ResampleFastLinear24(Source, result.get());
  } else {
    result->Allocate(Width, Height, Source->PixelFormat());
    ResampleNearest(Source, result.get());
    if (Source->PixelFormat() == iePalette8)
      for (int32_t i = 0; i < Source->GetPaletteLen() && i < result->GetPaletteLen(); ++i)
        result->SetPaletteEntry(i, Source->GetPaletteEntry(i));
  }
  return result;
}

}  // namespace

void TImagoIO::AdjustDPI() {
  if (!PrepareBitmap(0) || bitmap_->Width() == 0 || bitmap_->Height() == 0) return;
  int32_t nw, nh, dpi;
  if (!SquarePixelSize(params_->Width, params_->Height, params_->DpiX(), params_->DpiY(), nw, nh,
                       dpi))
    return;
  params_->SetDpiX(dpi);
  params_->SetDpiY(dpi);
  params_->Width = nw;
  params_->Height = nh;
  std::unique_ptr<TIEBitmap> alpha = bitmap_->ReleaseAlphaChannel();
  std::unique_ptr<TIEBitmap> result = Resampled(bitmap_, nw, nh, FilteredAdjustDPI);
  bitmap_->Assign(result.get());
  if (alpha) {
    TIEBitmap* a = bitmap_->AllocateAlphaChannel();
    a->Allocate(nw, nh, alpha->PixelFormat());
    ResampleNearest(alpha.get(), a);
  }
}

TIEBitmap* TImagoIO::AdjustBitmapDPI(TIEBitmap* Bitmap, TIOParamsVals* Params, bool Filtered) {
  int32_t nw, nh, dpi;
  if (!Bitmap || !Params ||
      !SquarePixelSize(Bitmap->Width(), Bitmap->Height(), Params->DpiX(), Params->DpiY(), nw, nh,
                       dpi))
    return Bitmap;
  Params->SetDpiX(dpi);
  Params->SetDpiY(dpi);
  TIEBitmap source;
  source.Assign(Bitmap);
  source.RemoveAlphaChannel();
  return Resampled(&source, nw, nh, Filtered).release();
}

// ---- workers

bool TImagoIO::IsInsideIOThread() { return CurrentWorker() != nullptr; }

TIEIOThread* TImagoIO::CurrentWorker() {
  const std::thread::id me = std::this_thread::get_id();
  std::lock_guard<TCriticalSection> g(threads_lock_);
  for (TIEIOThread* t : threads_)
    if (t->ThreadId() == me) return t;
  return nullptr;
}

int32_t TImagoIO::IOThreadCount() {
  std::lock_guard<TCriticalSection> g(threads_lock_);
  return static_cast<int32_t>(threads_.size());
}

void TImagoIO::AddIOThread(TIEIOThread* Thread) {
  std::lock_guard<TCriticalSection> g(threads_lock_);
  threads_.push_back(Thread);
}

void TImagoIO::RemoveIOThread(TIEIOThread* Thread) {
  std::lock_guard<TCriticalSection> g(threads_lock_);
  std::erase(threads_, Thread);
}

void TImagoIO::WaitThreads(bool Abort) {
  for (;;) {
    int32_t count;
    {
      std::lock_guard<TCriticalSection> g(threads_lock_);
      if (Abort) SetAborted(true);
      count = static_cast<int32_t>(threads_.size());
    }
    if (count == 0) return;
    // Workers never wait for the message-loop thread, but work they queued
    // for it keeps running while we wait.
    if (IsMainThread())
      CheckSynchronize(1);
    else
      std::this_thread::yield();
  }
}

bool TImagoIO::ShouldDispatch() {
  return AsyncMode && !owned_ && no_dispatch_ == 0 && !IsInsideIOThread();
}

HWND TImagoIO::WorkerNotifyWindow() {
  HWND w = view_ && view_->Parent() ? view_->Handle() : nullptr;
  if (w) posted_window_ = w;
  return w;
}

void TImagoIO::StopWorkersForView() {
  // Image-change calls queued by the workers find the view gone, even the
  // ones that run while we wait.
  if (view_token_) *view_token_ = nullptr;
  WaitThreads(true);
  // The view (or its image) goes: its notices still queued must not reach
  // it, nor queued image-change calls.
  if (posted_window_) {
    MSG m;
    while (PeekMessage(m, posted_window_, IEM_UPDATE, IEM_FINISHWORK, PM_REMOVE)) {
    }
    posted_window_ = nullptr;
  }
  view_token_.reset();
}

// ---- notices and helpers

void TImagoIO::DoProgress(TObject* Sender, int32_t Percent) {
  if (!OnProgress) return;
  if (TIEIOThread* w = CurrentWorker(); w && w->NotifyWindow()) {
    PostMessage(w->NotifyWindow(), IEM_PROGRESS, static_cast<WPARAM>(Percent), 0);
    return;
  }
  OnProgress(Sender, Percent);
}

void TImagoIO::DoFinishWork() {
  DoProgress(this, 100);
  if (!OnFinishWork) return;
  if (TIEIOThread* w = CurrentWorker(); w && w->NotifyWindow()) {
    PostMessage(w->NotifyWindow(), IEM_FINISHWORK, 0, 0);
    return;
  }
  OnFinishWork(this);
}

bool TImagoIO::PrepareBitmap(TIEPixelFormatSet Formats) {
  if (!bitmap_) return false;
  Rewrap();
  if (Formats == 0) return true;
  const TIEPixelFormat f = bitmap_->PixelFormat();
  return f < 16 && (Formats & PixelFormatBit(f)) != 0;
}

void TImagoIO::UpdateAttachedView() {
  if (linked_ && bitmap_) {
    // A reader that built the image anew left the linked bitmap behind.
    if (!bitmap_->ExternalBitmap()) {
      TIEBitmap result;
      bitmap_->MoveDataTo(&result);
      bitmap_->EncapsulateTBitmap(linked_, false);
      bitmap_->Assign(&result);
    }
    bitmap_->RemoveAlphaChannel();
  }
  if (view_) {
    if (TIEIOThread* w = CurrentWorker()) {
      // Windows belong to the message-loop thread: the repaint is posted,
      // the image-change call queued for it.
      if (w->NotifyWindow()) PostMessage(w->NotifyWindow(), IEM_UPDATE, 0, 0);
      std::shared_ptr<TIEView*> token = view_token_;
      TThread::Queue(nullptr, [token] {
        if (token && *token) (*token)->ImageChange();
      });
      return;
    }
    view_->Update();
    view_->ImageChange();
  } else if (linked_) {
    linked_->SetModified(true);
  }
}

void TImagoIO::ApplyDefaultDPI() {
  if (params_->DpiX() < 2) params_->SetDpiX(DefaultDpiX);
  if (params_->DpiY() < 2) params_->SetDpiY(DefaultDpiY);
}

TIOProgressRec TImagoIO::MakeProgressRec() {
  TIOProgressRec p;
  p.fOnProgress = [this](TObject* Sender, int32_t Percent) { DoProgress(Sender, Percent); };
  p.Sender = this;
  p.Aborting = &aborted_;
  abort_reason_.clear();
  p.AbortReason = &abort_reason_;
  return p;
}

void TImagoIO::Fail() { SetAborted(true); }

// A reader that gave up without a word on a file whose content shows it to
// be of the reader's format met damaged data, or a kind of the format it
// does not read: the load says so, and the open road does not take such a
// file for an encrypted one. A file that does not show the format (an
// encrypted file is one) stays silent, and so does a load stopped from
// outside.
void TImagoIO::GiveRefusalAReason(const TIEFormatHandler& Handler, TStream* Stream, int64_t Start) {
  if (!Aborted() || !abort_reason_.empty() || std::atomic_ref<bool>(stopped_).load(std::memory_order_relaxed))
    return;
  // Some formats are known by the fixed checks of content detection (a
  // signature), the others by their own test.
  bool recognised = false;
  try {
    Stream->SetPosition(Start);
    recognised = FindStreamFormat(Stream) == Handler.TypeId;
    Stream->SetPosition(Start);
    if (!recognised && Handler.Test) recognised = Handler.Test(Stream);
  } catch (const std::exception&) {
    recognised = false;
  }
  if (!recognised) return;
  const TIOFormatEntry* e = FindFormatInfo(Handler.TypeId);
  abort_reason_ = IEUnreadableDataText(e ? e->Description : std::string());
}

void TImagoIO::SetPreviewFont(TFont* Value) { preview_font_->Assign(Value); }

bool TImagoIO::DoPreviews(uint16_t Pages) {
  bool handled = false;
  if (OnDoPreviews) OnDoPreviews(this, handled);
  if (handled) return true;
  const TIEIOPreviewsDialogFactory factory = IOPreviewsDialogFactory();
  if (!factory || !PrepareBitmap(0)) return false;

  // The dialog previews 24-bit pixels (1-bit ones as they are). It gets a
  // converted copy: converting the image itself would leave it changed
  // even when the user cancels.
  TIEBitmap* source = bitmap_;
  TIEBitmap working;
  const TIEPixelFormat format = bitmap_->PixelFormat();
  if (format != ieRGB24 && format != ieMono1) {
    working.Assign(bitmap_);
    working.SetPixelFormat(ieRGB24);
    source = &working;
  }

  TIEIOPreviewsSetup setup =
      IOPreviewsSetupFor(previews_params_, SimplifiedParamsDialogs, 61 / 48.0, 3.75);
  setup.DitherMethod = default_dither_method_;
  setup.Params = params_.get();
  setup.Language = msg_language_;
  setup.Font = preview_font_.get();
  setup.Source = source;
  const std::optional<bool> accepted =
      ShowIOPreviewsDialog(factory, this, setup, Pages, [this](TIEIOPreviewsDialog* Dialog) {
        if (OnIOPreview) OnIOPreview(this, Dialog);
      });
  if (!accepted) return false;
  UpdateAttachedView();
  return *accepted;
}

// ---- the load frame

void TImagoIO::RunReader(const TIEFormatHandler& Handler, TStream* Stream, bool FileLoad) {
  bitmap_->RemoveAlphaChannel();
  TIOProgressRec progress = MakeProgressRec();
  std::unique_ptr<TIEMask> alpha;
  const int64_t start = Stream->Position();
  std::atomic_ref<bool>(stopped_).store(false, std::memory_order_relaxed);
  try {
    Handler.Read(Stream, bitmap_, *params_, false, progress, alpha);
  } catch (const std::exception&) {
    // Readers report bad data through the flag; whatever escapes one is bad
    // data too.
    SetAborted(true);
  }
  GiveRefusalAReason(Handler, Stream, start);
  ApplyDefaultDPI();
  if (alpha && alpha->Width() == bitmap_->Width() && alpha->Height() == bitmap_->Height() &&
      alpha->BitsPerPixel() == 8) {
    TIEBitmap* a = bitmap_->AllocateAlphaChannel();  // every row is copied
    for (int32_t y = 0; y < bitmap_->Height(); ++y)
      std::memcpy(a->GetScanline(y), alpha->GetScanline(y), static_cast<size_t>(bitmap_->Width()));
    a->UnmapRows();
    SyncAlphaFull(a);
  }
  if (AutoAdjustDPI) AdjustDPI();
  if (view_ && (Handler.TellsViewDpi == 2 || (Handler.TellsViewDpi == 1 && FileLoad)))
    view_->SetDpi(params_->DpiX(), params_->DpiY());
}

void TImagoIO::LoadFormatFromFile(int32_t FileType, const std::string& FileName) {
  if (ShouldDispatch()) {
    TIEIOThread::StartFileOfType(this, WorkerNotifyWindow(), FileName, FileType,
                                 &TImagoIO::LoadFormatFromFileAdapter);
    return;
  }
  if (FileType == ieftWMF || FileType == ieftEMF)
    return LoadMetafileFromFile(FileName, -1, -1, true);
  FinishGuard finish(this);
  const TIEFormatHandler* h = FindFormatHandler(FileType);
  if (!h || !h->Read || !PrepareBitmap(0)) return Fail();
  params_->ResetPerLoad();
  // Left set when the file cannot be opened.
  SetAborted(true);
  TFileStream file(FileName, fmOpenRead | fmShareDenyWrite);
  SetAborted(false);
  RunReader(*h, &file, true);
  params_->FileName = FileName;
  params_->FileType = FileType;
  UpdateAttachedView();
}

void TImagoIO::LoadRAWFromFile(const std::string& FileName) {
  const TIOFormatEntry* e = FindFormatInfoByExtension("RAW");
  if (e && e->TypeId != ieftRAW) return LoadFromFileOfType(FileName, e->TypeId);
  LoadFormatFromFile(ieftRAW, FileName);
}

void TImagoIO::LoadRAWFromStream(TStream* Stream) {
  const TIOFormatEntry* e = FindFormatInfoByExtension("RAW");
  if (e && e->TypeId != ieftRAW) return LoadFromStreamOfType(Stream, e->TypeId);
  LoadFormatFromStream(ieftRAW, Stream);
}

void TImagoIO::LoadFormatFromStream(int32_t FileType, TStream* Stream) {
  if (ShouldDispatch()) {
    TIEIOThread::StartStreamOfType(this, WorkerNotifyWindow(), Stream, FileType,
                                   &TImagoIO::LoadFormatFromStreamAdapter);
    return;
  }
  FinishGuard finish(this);
  const TIEFormatHandler* h = FindFormatHandler(FileType);
  if (!h || !h->Read || !PrepareBitmap(0)) return Fail();
  params_->ResetPerLoad();
  SetAborted(false);
  RunReader(*h, Stream, false);
  params_->FileName.clear();
  params_->FileType = FileType;
  UpdateAttachedView();
}

void TImagoIO::LoadEntryFromFile(const TIOFormatEntry& Entry, const std::string& FileName) {
  FinishGuard finish(this);
  params_->FileName.clear();
  params_->FileType = ieftUnknown;
  params_->ResetPerLoad();
  if (!Entry.ReadProc || !PrepareBitmap(0)) return Fail();
  SetAborted(true);
  TFileStream file(FileName, fmOpenRead | fmShareDenyWrite);
  SetAborted(false);
  params_->FileName = FileName;
  params_->FileType = Entry.TypeId;
  TIOProgressRec progress = MakeProgressRec();
  try {
    Entry.ReadProc(&file, bitmap_, *params_, false, progress);
  } catch (const std::exception&) {
    SetAborted(true);
  }
  if (!Aborted() && view_) view_->SetDpi(params_->DpiX(), params_->DpiY());
  UpdateAttachedView();
}

void TImagoIO::LoadEntryFromStream(const TIOFormatEntry& Entry, TStream* Stream) {
  FinishGuard finish(this);
  params_->ResetPerLoad();
  params_->FileName.clear();
  params_->FileType = ieftUnknown;
  if (!Entry.ReadProc || !PrepareBitmap(0)) return Fail();
  SetAborted(false);
  params_->FileType = Entry.TypeId;
  TIOProgressRec progress = MakeProgressRec();
  try {
    Entry.ReadProc(Stream, bitmap_, *params_, false, progress);
  } catch (const std::exception&) {
    SetAborted(true);
  }
  if (view_) view_->SetDpi(params_->DpiX(), params_->DpiY());
  UpdateAttachedView();
}

// ---- dispatch of loads

void TImagoIO::LoadFromFile(const std::string& FileName) {
  if (ShouldDispatch()) {
    TIEIOThread::StartFile(this, WorkerNotifyWindow(), FileName, &TImagoIO::LoadFromFile);
    return;
  }
  const std::string ext = LowerCase(ExtractFileExt(FileName));
  const TIOFormatEntry* e = FileName.empty() ? nullptr : FindFormatInfoByExtension(ext);
  if (WebSchemeLength(FileName) > 0) return LoadFromURL(FileName);
  if (ext == ".avi") {
    const int32_t index = params_->ImageIndex;
    if (OpenAVIFile(FileName) == 0) {
      FinishGuard finish(this);
      return;
    }
    LoadAVIFrame(index);
    params_->FileType = ieftAVI;
    return;
  }
  // Like an extension no entry lists, a failed load.
  if (!e || !bitmap_) {
    FinishGuard finish(this);
    return Fail();
  }
  if (e->IsBuiltIn)
    LoadFormatFromFile(e->TypeId, FileName);
  else
    LoadEntryFromFile(*e, FileName);
}

void TImagoIO::LoadFromURL(const std::string& URL) {
  if (ShouldDispatch()) {
    TIEIOThread::StartURL(this, WorkerNotifyWindow(), URL, &TImagoIO::LoadFromURL);
    return;
  }
  SetAborted(false);
  const size_t scheme = WebSchemeLength(URL);
  if (scheme == 0) {
    FinishGuard finish(this);
    return Fail();
  }
  const std::string rest = URL.substr(scheme);
  const size_t slash = rest.find('/');
  if (slash == std::string::npos) {
    FinishGuard finish(this);
    return;
  }
  // host[:port]; a port that is no number gives the scheme's default.
  std::string host = rest.substr(0, slash);
  std::string port;
  if (const size_t colon = host.find(':'); colon != std::string::npos) {
    const std::string text = host.substr(colon + 1);
    host.resize(colon);
    int32_t n = 0;
    if (TryStrToInt(text, n) && n > 0 && n < 65536) port = ":" + std::to_string(n);
  }
  THttpRequest request;
  request.URL = LowerCase(URL.substr(0, scheme)) + host + port + rest.substr(slash);
  request.UserAgent = "Mozilla/4.*";
  request.Proxy = ProxyAddress;
  request.ProxyUser = ProxyUser;
  request.ProxyPassword = ProxyPassword;
  request.MaxBytes = MaxURLBytes;
  std::vector<uint8_t> body;
  const THttpResult result = HttpGet(request, body, [this](int64_t Received, int64_t Total) {
    if (Total > 0 && OnProgress)
      DoProgress(this, static_cast<int32_t>(Trunc(Received * (100.0 / Total))));
    return !Aborted();
  });
  if (result != hrOK) {
    FinishGuard finish(this);
    return Fail();
  }
  {
    ++no_dispatch_;
    struct Restore {
      int32_t& n;
      std::vector<uint8_t>& data;
      ~Restore() {
        --n;
        // The picture's bytes do not stay behind in freed memory.
        std::fill(data.begin(), data.end(), uint8_t{0});
      }
    } restore{no_dispatch_, body};
    TIEMemStream stream(body.data(), static_cast<int64_t>(body.size()));
    LoadFromStream(&stream);
  }
}

void TImagoIO::LoadFromFileOfType(const std::string& FileName, int32_t FileType) {
  if (ShouldDispatch()) {
    TIEIOThread::StartFileOfType(this, WorkerNotifyWindow(), FileName, FileType,
                                 &TImagoIO::LoadFromFileOfType);
    return;
  }
  const TIOFormatEntry* e = FindFormatInfo(FileType);
  if (!e) {
    FinishGuard finish(this);
    return Fail();
  }
  if (e->IsBuiltIn)
    LoadFormatFromFile(FileType, FileName);
  else
    LoadEntryFromFile(*e, FileName);
}

void TImagoIO::LoadFromFileByContent(const std::string& FileName) {
  const int32_t id = FindFileFormat(FileName, false);
  if (id != ieftUnknown)
    LoadFromFileOfType(FileName, id);
  else
    LoadFromFile(FileName);
}

void TImagoIO::LoadFromStream(TStream* Stream) {
  if (ShouldDispatch()) {
    TIEIOThread::StartStream(this, WorkerNotifyWindow(), Stream, &TImagoIO::LoadFromStream);
    return;
  }
  const int64_t pos = Stream->Position();
  const int32_t id = FindStreamFormat(Stream);
  Stream->SetPosition(pos);
  LoadFromStreamOfType(Stream, id);
}

void TImagoIO::LoadFromStreamOfType(TStream* Stream, int32_t FileType) {
  if (ShouldDispatch()) {
    TIEIOThread::StartStreamOfType(this, WorkerNotifyWindow(), Stream, FileType,
                                   &TImagoIO::LoadFromStreamOfType);
    return;
  }
  const TIOFormatEntry* e = FileType == ieftUnknown ? nullptr : FindFormatInfo(FileType);
  if (!e) {
    FinishGuard finish(this);
    return Fail();
  }
  if (e->IsBuiltIn)
    LoadFormatFromStream(FileType, Stream);
  else
    LoadEntryFromStream(*e, Stream);
}

void TImagoIO::LoadFromBuffer(const void* Buffer, int64_t Size, int32_t FileType) {
  // The stream lives on this call's stack: never handed to a worker.
  ++no_dispatch_;
  struct Restore {
    int32_t& n;
    ~Restore() { --n; }
  } restore{no_dispatch_};
  TIEMemStream stream(Buffer, Size);
  if (FileType != ieftUnknown)
    LoadFromStreamOfType(&stream, FileType);
  else
    LoadFromStream(&stream);
}

// ---- parameter reads

namespace {

// Runs the parameters-only read of a format on a stream; false when the
// format has no reader here.
bool ReadParamsOnly(int32_t FileType, TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params,
                    TIOProgressRec& Progress) {
  if (const TIEFormatHandler* h = FindFormatHandler(FileType); h && h->Read) {
    std::unique_ptr<TIEMask> alpha;
    h->Read(Stream, Bitmap, Params, true, Progress, alpha);
    return true;
  }
  const TIOFormatEntry* e = FindFormatInfo(FileType);
  if (e && !e->IsBuiltIn && e->ReadProc) {
    e->ReadProc(Stream, Bitmap, Params, true, Progress);
    return true;
  }
  return false;
}

}  // namespace

void TImagoIO::ReadParamsFromFileOfType(const std::string& FileName, int32_t FileType) {
  params_->FileType = FileType;
  try {
    params_->ResetPerLoad();
    SetAborted(true);
    TIOProgressRec progress;
    progress.Aborting = &aborted_;
    abort_reason_.clear();
    progress.AbortReason = &abort_reason_;
    TFileStream file(FileName, fmOpenRead | fmShareDenyWrite);
    SetAborted(false);
    if (!ReadParamsOnly(FileType, &file, bitmap_, *params_, progress)) SetAborted(true);
  } catch (const std::exception&) {
    SetAborted(true);
  }
  if (Aborted()) params_->FileType = ieftUnknown;
  params_->FileName = FileName;
  DoFinishWork();
}

void TImagoIO::ReadParamsFromStreamOfType(TStream* Stream, int32_t FileType) {
  params_->FileType = FileType;
  try {
    params_->ResetPerLoad();
    SetAborted(false);
    TIOProgressRec progress;
    progress.Aborting = &aborted_;
    abort_reason_.clear();
    progress.AbortReason = &abort_reason_;
    if (!ReadParamsOnly(FileType, Stream, bitmap_, *params_, progress)) SetAborted(true);
  } catch (const std::exception&) {
    SetAborted(true);
  }
  if (Aborted()) params_->FileType = ieftUnknown;
  DoFinishWork();
}

void TImagoIO::ReadParamsFromFile(const std::string& FileName) {
  ReadParamsFromFileOfType(FileName, FindFileFormat(FileName, true));
}

void TImagoIO::ReadParamsFromStream(TStream* Stream) {
  const int64_t pos = Stream->Position();
  const int32_t id = FindStreamFormat(Stream);
  Stream->SetPosition(pos);
  ReadParamsFromStreamOfType(Stream, id);
}

// ---- the save frame

void TImagoIO::ConvertForSave(TIEPixelFormatSet Formats) {
  if (Formats == 0) return;
  const TIEPixelFormat f = bitmap_->PixelFormat();
  if (f < 16 && (Formats & PixelFormatBit(f))) return;
  bitmap_->ConvertFormat(ieRGB24);
}

void TImagoIO::SaveFormatToFile(int32_t FileType, const std::string& FileName) {
  if (ShouldDispatch()) {
    TIEIOThread::StartFileOfType(this, WorkerNotifyWindow(), FileName, FileType,
                                 &TImagoIO::SaveFormatToFileAdapter);
    return;
  }
  FinishGuard finish(this);
  const TIEFormatHandler* h = FindFormatHandler(FileType);
  if (!h || !h->Write || !PrepareBitmap(0)) return Fail();
  ConvertForSave(h->SaveFormats);
  SetAborted(true);  // left set when the file cannot be created
  TFileStream file(FileName, fmCreate);
  SetAborted(false);
  TIOProgressRec progress = MakeProgressRec();
  try {
    h->Write(&file, bitmap_, *params_, progress);
  } catch (const std::exception&) {
    SetAborted(true);
  }
  params_->FileName = FileName;
}

void TImagoIO::SaveFormatToStream(int32_t FileType, TStream* Stream) {
  if (ShouldDispatch()) {
    TIEIOThread::StartStreamOfType(this, WorkerNotifyWindow(), Stream, FileType,
                                   &TImagoIO::SaveFormatToStreamAdapter);
    return;
  }
  FinishGuard finish(this);
  const TIEFormatHandler* h = FindFormatHandler(FileType);
  if (!h || !h->Write || !PrepareBitmap(0)) return Fail();
  ConvertForSave(h->SaveFormats);
  SetAborted(false);
  TIOProgressRec progress = MakeProgressRec();
  // Stream headers let several images follow one another in one stream:
  // tag, four zero bytes, then the length of the data, written once known.
  const bool header = StreamHeaders && h->StreamHeaderTag;
  int64_t start = 0;
  uint8_t head[12] = {};
  try {
    if (header) {
      start = Stream->Position();
      Stream->WriteBuffer(head, 12);
    }
    h->Write(Stream, bitmap_, *params_, progress);
    if (header && (h->StreamHeaderAfterAbort || !Aborted())) {
      const int64_t end = Stream->Position();
      const auto length = static_cast<uint32_t>(end - start - 12);
      std::memcpy(head, h->StreamHeaderTag, 4);
      for (int i = 0; i < 4; ++i) head[8 + i] = static_cast<uint8_t>(length >> (8 * i));
      Stream->Seek(start, soBeginning);
      Stream->WriteBuffer(head, 12);
      Stream->Seek(end, soBeginning);
    }
  } catch (const std::exception&) {
    SetAborted(true);
  }
}

void TImagoIO::SaveEntry(const TIOFormatEntry& Entry, TStream* Stream, const std::string* FileName) {
  FinishGuard finish(this);
  if (!Entry.WriteProc || !PrepareBitmap(0)) return Fail();
  ConvertForSave(kRGB24OrMono);
  std::unique_ptr<TFileStream> file;
  if (FileName) {
    SetAborted(true);
    file = std::make_unique<TFileStream>(*FileName, fmCreate);
    Stream = file.get();
    params_->FileName = *FileName;
  }
  SetAborted(false);
  params_->FileType = Entry.TypeId;
  TIOProgressRec progress = MakeProgressRec();
  try {
    Entry.WriteProc(Stream, bitmap_, *params_, progress);
  } catch (const std::exception&) {
    SetAborted(true);
  }
}

void TImagoIO::SaveToFile(const std::string& FileName) {
  if (ShouldDispatch()) {
    TIEIOThread::StartFile(this, WorkerNotifyWindow(), FileName, &TImagoIO::SaveToFile);
    return;
  }
  const std::string ext = LowerCase(ExtractFileExt(FileName));
  int32_t id = FileName.empty() ? ieftUnknown : SaveTypeOfExtension(ext);
  const TIOFormatEntry* e = nullptr;
  if (id == ieftUnknown && !FileName.empty()) {
    e = FindFormatInfoByExtension(ext);
    // An extension that the registry lists for a built-in format (XIF, PIX)
    // goes to that format's own writer.
    if (e && e->IsBuiltIn) id = e->TypeId;
  }
  if (id != ieftUnknown) return SaveFormatToFile(id, FileName);
  if (e) return SaveEntry(*e, nullptr, &FileName);
  FinishGuard finish(this);
  Fail();  // no name, or an extension that no format writes
}

void TImagoIO::SaveToStream(TStream* Stream, int32_t FileType) {
  if (ShouldDispatch()) {
    TIEIOThread::StartStreamOfType(this, WorkerNotifyWindow(), Stream, FileType,
                                   &TImagoIO::SaveToStream);
    return;
  }
  const TIOFormatEntry* e = FindFormatInfo(FileType);
  if (FindFormatHandler(FileType) || (e && e->IsBuiltIn)) return SaveFormatToStream(FileType, Stream);
  if (e) return SaveEntry(*e, Stream, nullptr);
  FinishGuard finish(this);
  Fail();
}

// ---- text export

void TImagoIO::SaveToText(const std::string& FileName, int32_t FileType, int32_t TextForm) {
  TFileStream text(FileName, fmCreate);
  auto write = [&](const std::string& s) { text.WriteBuffer(s.data(), static_cast<int64_t>(s.size())); };
  if (TextForm == 3) {
    // One character a pixel from dark to bright; only 24-bit images.
    static const char kRamp[] = "W@#*+:., ";
    if (PrepareBitmap(PixelFormatBit(ieRGB24))) {
      const int32_t w = bitmap_->Width();
      std::string line;
      for (int32_t y = 0; y < bitmap_->Height(); ++y) {
        const TRGB* px = reinterpret_cast<const TRGB*>(bitmap_->GetScanline(y));
        line.clear();
        for (int32_t x = 0; x < w; ++x) {
          const int32_t grey = (px[x].r * 21 + px[x].g * 71 + px[x].b * 8) / 100;
          line += kRamp[std::min(static_cast<int32_t>(Trunc(grey / 255.0 * 9)), 8)];
        }
        write(line + "\n");
      }
      bitmap_->UnmapRows();
    }
  } else {
    TMemoryStream data;
    // Encoded here and now: the stream is this call's.
    ++no_dispatch_;
    try {
      SaveToStream(&data, FileType);
    } catch (...) {
      --no_dispatch_;
      throw;
    }
    --no_dispatch_;
    if (!Aborted()) {
      const auto* b = static_cast<const uint8_t*>(data.Memory());
      const int64_t n = data.Size();
      // The names: the bare file name with its first "." made "_".
      std::string name = ExtractFileName(FileName);
      if (const size_t dot = name.find('.'); dot != std::string::npos) name[dot] = '_';
      const std::string size_name = name + "_Size";
      std::string line;
      if (TextForm == 0) {
        write("const\n  " + size_name + " = " + IntToStr(n) + ";\n");
        write("  " + name + " : array [0.." + size_name + "-1] of byte = (\n");
        for (int64_t i = 0; i < n; ++i) {
          line += "$" + IntToHex(static_cast<int32_t>(b[i]), 2) + (i + 1 < n ? "," : ");");
          if (line.size() > 70) {
            write("    " + line + "\n");
            line.clear();
          }
        }
        if (!line.empty()) write("    " + line + "\n");
      } else if (TextForm == 1) {
        write("\\\\ Size=" + IntToStr(n) + "\n");
        for (int64_t i = 0; i < n; ++i) {
          line += "0x" + IntToHex(static_cast<int32_t>(b[i]), 2) + (i + 1 < n ? "," : "");
          if (line.size() > 70) {
            write(line + "\n");
            line.clear();
          }
        }
        if (!line.empty()) write(line + "\n");
      } else if (TextForm == 2) {
        data.SetPosition(0);
        Base64EncodeStreamToText(&data, &text, 76);
      }
    }
  }
  params_->FileName = FileName;
}

// ---- scan-line conversion

void ConvertScanlineICC(uint8_t* Source, int32_t SourceCode, uint8_t* Dest,
                        TIOParamsVals* Params, int32_t Count, int32_t TargetCode) {
  // Colour management first: from the file's profile to the default one.
  if (ColorManagementEnabled && Params && Params->HasInputICCProfile() && Count > 0) {
    TIEICC* input = Params->GetInputICCProfile();
    TIEICC* target = Params->GetDefaultICCProfile();
    if (input->IsValid() && target->IsValid()) {
      if (SourceCode == 3) {
        // Six bytes a pixel, the first four the ink: the engine reads packed ink.
        std::vector<uint8_t> ink(static_cast<size_t>(Count) * 4);
        for (int32_t i = 0; i < Count; ++i) std::memcpy(&ink[i * 4], Source + static_cast<size_t>(i) * 6, 4);
        if (input->TransformRow(target, iccCMYK8, TargetCode, ink.data(), Dest, Count)) return;
      } else if (input->TransformRow(target, SourceCode, TargetCode, Source, Dest, Count)) {
        return;
      }
    }
  }
  TRGB* out = reinterpret_cast<TRGB*>(Dest);
  const TRGB* bgr = reinterpret_cast<const TRGB*>(Source);
  switch (SourceCode * 10 + TargetCode) {
    case 1:  // RGB to BGR
      for (int32_t i = 0; i < Count; ++i)
        out[i] = TRGB{Source[i * 3 + 2], Source[i * 3 + 1], Source[i * 3]};
      break;
    case 11:
      std::memmove(Dest, Source, static_cast<size_t>(Count) * 3);
      break;
    case 12:
      for (int32_t i = 0; i < Count; ++i) {
        const TCMYK c = RGBToCMYK(bgr[i]);
        std::memcpy(Dest + i * 4, &c, 4);
      }
      break;
    case 14:
      for (int32_t i = 0; i < Count; ++i) {
        const TCIELab c = RGBToCIELab(bgr[i]);
        std::memcpy(Dest + i * 3, &c, 3);
      }
      break;
    case 15:
      for (int32_t i = 0; i < Count; ++i)
        Dest[i] = static_cast<uint8_t>((bgr[i].r * 21 + bgr[i].g * 71 + bgr[i].b * 8) / 100);
      break;
    case 31:  // full-ink CMYK: invert in place, then as inverted CMYK
      for (int32_t i = 0; i < Count; ++i)
        for (int k = 0; k < 4; ++k) Source[i * 6 + k] = static_cast<uint8_t>(255 - Source[i * 6 + k]);
      for (int32_t i = 0; i < Count; ++i) {
        TCMYK c;
        std::memcpy(&c, Source + i * 6, 4);
        out[i] = CMYKToRGB(c);
      }
      break;
    case 21:
      for (int32_t i = 0; i < Count; ++i) {
        TCMYK c;
        std::memcpy(&c, Source + i * 4, 4);
        out[i] = CMYKToRGB(c);
      }
      break;
    case 41:
      for (int32_t i = 0; i < Count; ++i) {
        TCIELab c;
        std::memcpy(&c, Source + i * 3, 3);
        out[i] = CIELabToRGB(c);
      }
      break;
    case 61:  // high byte of little-endian words
      for (int32_t i = 0; i < Count; ++i)
        out[i] = TRGB{Source[i * 6 + 5], Source[i * 6 + 3], Source[i * 6 + 1]};
      break;
    case 71:  // first byte of big-endian words
      for (int32_t i = 0; i < Count; ++i)
        out[i] = TRGB{Source[i * 6 + 4], Source[i * 6 + 2], Source[i * 6]};
      break;
    default:
      break;
  }
  (void)Params;  // the profiles come with colour management
}
