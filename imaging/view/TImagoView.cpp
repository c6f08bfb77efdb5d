#include "imaging/view/TImagoView.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <utility>
#include <vector>

#include "imaging/io/IEAcquisition.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/model/IEDrawRoutines.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/model/TImagoProc.h"
#include "imaging/view/TIELayer.h"
#include "imaging/view/TIETransitionEffects.h"
#include "platform/CursorSet.h"
#include "platform/DC.h"
#include "platform/GdiHolders.h"
#include "platform/Region.h"
#include "platform/ScrollBar.h"
#include "platform/SysInfo.h"
#include "rtl/Numeric.h"
#include "ui/TBitmap.h"
#include "ui/TCanvas.h"
#include "ui/TColor.h"
#include "ui/TGraphic.h"
#include "ui/TPicture.h"
#include "ui/TScreen.h"
#include "ui/TTimer.h"

RTL_DEFINE_CLASS(TImagoView, TIEView,
                 Published("MouseInteract", &TImagoView::MouseInteract, &TImagoView::SetMouseInteract))

namespace {

// Zoomed sizes stay within 2^30 pixels, so every client and origin value
// fits 32 bits with room to spare.
constexpr double kMaxZoomedSize = 1073741824.0;
// Coordinate tables longer than this are not built; the conversions then
// use their formulas.
constexpr int64_t kMaxTableLength = int64_t{1} << 24;

int32_t ToInt32(double v) {
  if (!(v == v)) return 0;
  if (v >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (v <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

int32_t TruncI(double v) { return ToInt32(std::trunc(v)); }

// Screen positions in 64 bits stay within this, far beyond any buffer.
constexpr double kFarAway = 4611686018427387904.0;

int32_t RoundI(double v) { return ToInt32(std::nearbyint(v)); }

// The view's 33 cursors, numbers 1778 to 1810, each the program's cursor
// group of that name. The last fourteen names are numbers written as text:
// the program holds those groups only under numeric identifiers, so the
// lookup by name finds nothing and those numbers stay without a cursor of
// their own. "CROCE2-" serves two numbers.
constexpr TCursor kFirstViewCursor = 1778;
constexpr const char* kViewCursorNames[] = {
    "ZOOMMENO", "ZOOMPIU", "CROCE",   "GOMMA",   "MANO",    "PENNA",   "CROCE1",  "CROCE3", "MOVE2",
    "MOVEY",    "MOVE1",   "MOVEX",   "MOVE",    "CROCE3+", "CROCE3-", "CROCE2",  "CROCE2+", "CROCE2-",
    "CROCE2-",  "1795",    "1796",    "1797",    "1798",    "1799",    "1800",    "1801",   "1802",
    "1803",     "1803",    "1805",    "1806",    "1807",    "1808"};
static_assert(std::size(kViewCursorNames) == 33);

// The normal cursor of a view: cross-hair 3.
constexpr TCursor kViewCursor = 1785;

// Every view registers the cursors anew, replacing whatever was registered
// under those numbers.
void RegisterViewCursors() {
  if (!Screen) return;
  for (size_t i = 0; i < std::size(kViewCursorNames); ++i)
    Screen->SetCursors(kFirstViewCursor + int32_t(i), LoadCursorByName(nullptr, kViewCursorNames[i]));
}

}  // namespace

// ---------------------------------------------------------------- construction

TImagoView::TImagoView(TComponent* AOwner) : TIEView(AOwner) {
  ++construction_guard_;
  cursor_enabled_ = AOwner != nullptr;
  RegisterViewCursors();
  SetCursor(kViewCursor);
  normal_cursor_ = Cursor();
  own_legacy_ = std::make_unique<TBitmap>();
  legacy_bitmap_ = own_legacy_.get();
  legacy_bitmap_->SetPixelFormat(pf24bit);
  legacy_bitmap_->SetSize(Width(), Height());
  auto* image = new TIEBitmap();
  image->EncapsulateTBitmap(legacy_bitmap_, false);
  layers_.push_back(std::make_unique<TIELayer>(this, true, image));
  ie_bitmap_ = image;
  back_buffer_ = std::make_unique<TBitmap>();
  back_buffer_->SetPixelFormat(pf24bit);
  back_ie_ = std::make_unique<TIEBitmap>();
  transition_ = std::make_unique<TIETransitionEffects>(this);
  wallpaper_ = std::make_unique<TPicture>();
  // The selection starts empty and hidden; its timer moves the ants.
  sel_.Visible = false;
  sel_timer_ = new TTimer(this);
  sel_timer_->SetEnabled(false);
  sel_timer_->SetInterval(210);
  sel_timer_->OnTimer = [this](TObject* Sender) { SelectionTimerTick(Sender); };
  TIEView::SetBackground(clBtnFace);
  SetBounds(Left(), Top(), 105, 105);
  SetDpi(300, 300);
  if (--construction_guard_ == 0) Update();
}

TImagoView::~TImagoView() = default;

void TImagoView::BeforeDestruction() {
  SetNavigator(nullptr);
  if (sel_timer_) sel_timer_->SetEnabled(false);
  // The companions let go of the view before it loses its image.
  if (io_) {
    io_->Free();
    io_ = nullptr;
  }
  if (proc_) {
    proc_->Free();
    proc_ = nullptr;
  }
  TIEView::BeforeDestruction();
  layers_.clear();
  ie_bitmap_ = nullptr;
  legacy_bitmap_ = nullptr;
  own_legacy_.reset();
}

void TImagoView::Notification(TComponent* AComponent, TOperation Operation) {
  TIEView::Notification(AComponent, Operation);
  if (Operation == opRemove) {
    if (AComponent == navigator_) navigator_ = nullptr;
    if (AComponent == io_) io_ = nullptr;
    if (AComponent == proc_) proc_ = nullptr;
    if (AComponent == sel_timer_) sel_timer_ = nullptr;
  }
}

// ------------------------------------------------------------- control state

void TImagoView::SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) {
  const bool changed = AWidth != Width() || AHeight != Height();
  TIEView::SetBounds(ALeft, ATop, AWidth, AHeight);
  // Without a window no size message comes.
  if (changed && !HandleAllocated()) WMSize();
}

bool TImagoView::HasParentWindow() { return Parent() != nullptr; }

void TImagoView::SetBorderStyle(TBorderStyle Value) {
  if (Value == BorderStyle()) return;
  TIEView::SetBorderStyle(Value);
  Update();
}

void TImagoView::SetCtl3D(bool Value) {
  if (Value == Ctl3D()) return;
  TIEView::SetCtl3D(Value);
  Update();
}

int32_t TImagoView::GetViewWidth() { return HasParentWindow() ? ViewClientWidth() : 50; }
int32_t TImagoView::GetViewHeight() { return HasParentWindow() ? ViewClientHeight() : 50; }

void TImagoView::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_SIZE:
      TIEView::WndProc(Message);
      WMSize();
      return;
    case WM_ERASEBKGND:
      Message.Result = 0;
      return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      TIEView::WndProc(Message);
      Invalidate();
      return;
    case CM_CURSORCHANGED:
      // A cursor set from outside becomes the normal cursor and shows at once.
      if (!showing_temp_cursor_) {
        normal_cursor_ = Cursor();
        ShowTempCursor(normal_cursor_);
      }
      TIEView::WndProc(Message);
      return;
    case CM_WANTSPECIALKEY:
      TIEView::WndProc(Message);
      if (WantSpecialKey(static_cast<uint16_t>(Message.WParam), KeyDataToShiftState(Message.LParam)))
        Message.Result = 1;
      return;
    case WM_LBUTTONDBLCLK:
      TIEView::WndProc(Message);
      // A double click ends the polygon being drawn (a lasso ends on release).
      if (poly_sel_ && !lasso_sel_) EndPolygon((Message.WParam & MK_SHIFT) != 0);
      return;
    case IEM_UPDATE:
    case IEM_NEWFRAME:
    case IEM_EVENT:
    case IEM_PROGRESS:
    case IEM_FINISHWORK:
      HandleMessage(Message.Msg, Message.WParam, Message.LParam);
      return;
    default:
      TIEView::WndProc(Message);
  }
}

// ------------------------------------------------------------ images

TImagoIO* TImagoView::GetIO() {
  if (!io_) {
    io_ = new TImagoIO(this);
    io_->SetAttachedImago(this);
    io_->OnProgress = on_progress_;
    io_->OnFinishWork = on_finish_;
  }
  return io_;
}

TImagoProc* TImagoView::GetProc() {
  if (!proc_) {
    proc_ = new TImagoProc(this);
    proc_->SetAttachedImago(this);
    proc_->OnProgress = on_progress_;
    proc_->OnFinishWork = on_finish_;
  }
  return proc_;
}

void TImagoView::SetOnProgress(TIEProgressEvent Value) {
  on_progress_ = std::move(Value);
  if (io_) io_->OnProgress = on_progress_;
  if (proc_) proc_->OnProgress = on_progress_;
}

void TImagoView::SetOnFinishWork(TIEViewNotifyEvent Value) {
  on_finish_ = std::move(Value);
  if (io_) io_->OnFinishWork = on_finish_;
  if (proc_) proc_->OnFinishWork = on_finish_;
}

TIEBitmap* TImagoView::GetAlphaChannel() { return ie_bitmap_->GetAlphaChannel(); }
bool TImagoView::HasAlphaChannel() { return ie_bitmap_->HasAlphaChannel(); }

void TImagoView::RemoveAlphaChannel(bool Merge) {
  TIEBitmap* image = ie_bitmap_;
  // Only a channel of the image's own size is merged.
  if (Merge && image->PixelFormat() == ieRGB24 && image->HasAlphaChannel() &&
      image->GetAlphaChannel()->Width() == image->Width() && image->GetAlphaChannel()->Height() == image->Height()) {
    const COLORREF bg = ColorToRGB(Background());
    const int32_t bgc[3] = {static_cast<int32_t>((bg >> 16) & 0xFF), static_cast<int32_t>((bg >> 8) & 0xFF),
                            static_cast<int32_t>(bg & 0xFF)};  // blue, green, red: the pixel's byte order
    TIEBitmap* alpha = image->GetAlphaChannel();
    const int32_t w = image->Width(), h = image->Height();
    std::vector<uint8_t> arow(static_cast<size_t>(w));
    for (int32_t y = 0; y < h; ++y) {
      const uint8_t* a = alpha->GetScanline(y);
      std::copy(a, a + w, arow.begin());
      uint8_t* p = image->GetScanline(y);
      for (int32_t x = 0; x < w; ++x)
        for (int c = 0; c < 3; ++c) {
          // Signed arithmetic: a pixel darker than the background pulls the
          // result down as far as a lighter one pulls it up.
          const int32_t v = p[3 * x + c] - bgc[c];
          p[3 * x + c] = static_cast<uint8_t>(bgc[c] + v * arow[static_cast<size_t>(x)] / 256);
        }
    }
  }
  image->RemoveAlphaChannel();
}

void TImagoView::Clear() {
  const COLORREF bg = ColorToRGB(Background());
  ie_bitmap_->Fill(static_cast<double>(bg & 0xFFFFFF));
  ie_bitmap_->RemoveAlphaChannel();
  // A turn or another operation may have moved the image out of the view's
  // own platform bitmap, which then still holds the picture as it was read
  // (a decrypted one, perhaps): once the view is cleared it gives it up.
  if (own_legacy_ && !(ie_bitmap_->Location() == ieTBitmap &&
                       ie_bitmap_->GetPlatformBitmap() == own_legacy_.get()))
    own_legacy_->SetSize(1, 1);
  Update();
}

std::function<void(TObject*)> TImagoView::OnTransitionStop() const { return transition_->OnStop; }
void TImagoView::SetOnTransitionStop(std::function<void(TObject*)> Value) {
  transition_->OnStop = std::move(Value);
}

void TImagoView::Blank() {
  transition_->Stop();
  ie_bitmap_->SetWidth(1);
  ie_bitmap_->SetHeight(1);
  Clear();
}

bool TImagoView::IsEmpty() { return ie_bitmap_->Width() < 2 && ie_bitmap_->Height() < 2; }

void TImagoView::SetExternalBitmap(TIEBitmap* Bitmap) {
  TIELayer* layer = CurrentLayer();
  if (!layer) return;
  if (Bitmap == ie_bitmap_) {
    // Showing the image the view already shows: freeing it first would leave
    // the layer with a dead image.
    Update();
    return;
  }
  if (!Bitmap) {
    if (layer->OwnsBitmap()) return;
    // The caller's image stays the caller's: the layer gets an empty image of its own.
    auto own = std::make_unique<TIEBitmap>();
    own->SetLocation(ieMemory);
    PointNavigatorAt(own.get());
    layer->TakeBitmap(std::move(own));
    ie_bitmap_ = layer->Bitmap;
    legacy_bitmap_ = nullptr;
    CallBitmapChangeHandlers();
    Update();
    return;
  }
  // The navigator leaves the old image before it may be freed.
  PointNavigatorAt(Bitmap);
  layer->ShowBitmap(Bitmap);
  ie_bitmap_ = Bitmap;
  legacy_bitmap_ = Bitmap->Location() == ieTBitmap ? Bitmap->GetPlatformBitmap() : nullptr;
  CallBitmapChangeHandlers();
  Update();
}

void TImagoView::Assign(TPersistent* Source) {
  if (!Source) {
    Clear();
    return;
  }
  if (auto* view = dynamic_cast<TImagoView*>(Source)) {
    ie_bitmap_->Assign(view->GetIEBitmap());
    TIEView::SetBackground(view->Background());
    SetDpi(view->DpiX(), view->DpiY());
    Update();
    ImageChange();
    return;
  }
  if (auto* bitmap = dynamic_cast<TBitmap*>(Source)) {
    ie_bitmap_->CopyFromTBitmap(bitmap);
    // The synchronising read: an image kept in a platform bitmap takes the
    // format of the bitmap it now holds.
    const TIEPixelFormat format = ie_bitmap_->GetPixelFormat();
    if (format != ieMono1 && format != ieRGB24) {
      // A platform bitmap converts only between 1 and 24 bits: convert in memory.
      const TIELocation where = ie_bitmap_->Location();
      if (where == ieTBitmap) ie_bitmap_->SetLocation(ieMemory);
      ie_bitmap_->SetPixelFormat(ieRGB24);
      if (where == ieTBitmap) {
        ie_bitmap_->SetLocation(ieTBitmap);
        legacy_bitmap_ = ie_bitmap_->GetPlatformBitmap();
      }
    }
    Update();
    ImageChange();
  }
}

void TImagoView::SetLegacyBitmap(bool Value) {
  if (Value == legacy_) return;
  if (!Value) {
    ie_bitmap_->SetLocation(ieMemory);
    legacy_bitmap_ = nullptr;
  } else {
    ie_bitmap_->SetLocation(ieTBitmap);
    legacy_bitmap_ = ie_bitmap_->GetPlatformBitmap();
  }
  legacy_ = Value;
  CallBitmapChangeHandlers();
  Update();
}

// ------------------------------------------------------------ layers

TIELayer* TImagoView::Layer(int32_t Index) const {
  if (Index < 0 || Index >= static_cast<int32_t>(layers_.size())) return nullptr;
  return layers_[static_cast<size_t>(Index)].get();
}

void TImagoView::SetCurrentLayer(int32_t Index) {
  if (Index < 0 || Index >= LayersCount() || Index == current_layer_) return;
  CurrentLayer()->Bitmap = ie_bitmap_;
  while (Index > 0 && !Layer(Index)->Selectable) --Index;
  current_layer_ = Index;
  ie_bitmap_ = CurrentLayer()->Bitmap;
  legacy_bitmap_ = ie_bitmap_->Location() == ieTBitmap ? ie_bitmap_->GetPlatformBitmap() : nullptr;
  PointNavigatorAt(ie_bitmap_);
  CallBitmapChangeHandlers();
  Update();
}

void TImagoView::SyncLayers() {
  TIELayer* current = CurrentLayer();
  // Drawing done through the platform bitmap is seen by the image. A reader
  // that reallocates the image gives it a new platform bitmap: the legacy
  // bitmap follows it.
  if (legacy_bitmap_ && ie_bitmap_->Location() == ieTBitmap) {
    legacy_bitmap_ = ie_bitmap_->GetPlatformBitmap();
    ie_bitmap_->SyncWithPlatformBitmap();
  }
  if (current) current->Bitmap = ie_bitmap_;
  img_w_ = layers_[0]->Bitmap->Width();
  img_h_ = layers_[0]->Bitmap->Height();
  if (LayersSync && layers_.size() > 1) {
    for (auto& l : layers_) {
      img_w_ = std::max(img_w_, l->Bitmap->Width());
      img_h_ = std::max(img_h_, l->Bitmap->Height());
    }
    const double bg = static_cast<double>(ColorToRGB(Background()) & 0xFFFFFF);
    for (auto& l : layers_) {
      TIEBitmap* b = l->Bitmap;
      if (b->Width() != img_w_ || b->Height() != img_h_) {
        b->GetAlphaChannel();
        b->Resize(img_w_, img_h_, bg, 0, 0, 0);
      }
      if (b->HasAlphaChannel()) {
        TIEBitmap* a = b->GetAlphaChannel();
        if (a->Width() != img_w_ || a->Height() != img_h_) a->Resize(img_w_, img_h_, 0, 0, 0, 0);
      }
    }
  }
}

// ------------------------------------------------------------ placement

double TImagoView::MaxZoom() const {
  const int32_t largest = std::max(img_w_, img_h_);
  return largest > 0 ? kMaxZoomedSize * 100.0 / largest : kMaxZoomedSize * 100.0;
}

double TImagoView::ClampZoom(double Value) const { return std::min(Value, MaxZoom()); }

void TImagoView::StoreFactors() {
  zx_ = zoom_x_ / 100;
  izx_ = 100 / zoom_x_;
  zy_ = zoom_y_ / 100;
  izy_ = 100 / zoom_y_;
}

double TImagoView::GetFitZoom() {
  int32_t fx = 0, fy = 0;
  if (background_style_ == iebsCropped) {
    fx = GetSystemMetrics(SM_CXEDGE);
    fy = GetSystemMetrics(SM_CYEDGE);
  } else if (background_style_ == iebsCropShadow) {
    fx = fy = 5;
  } else if (BorderStyle() == bsSingle) {
    fx = GetSystemMetrics(Ctl3D() ? SM_CXEDGE : SM_CXBORDER);
    fy = GetSystemMetrics(Ctl3D() ? SM_CYEDGE : SM_CYBORDER);
  }
  if (img_w_ == 0 || img_h_ == 0) return 100;
  const double zx = (Width() - 2 * fx) / (img_w_ / 100.0);
  const double zy = (Height() - 2 * fy) / (img_h_ / 100.0);
  return std::min(zx, zy);
}

double TImagoView::AutoZoomFor(int32_t AvailW, int32_t AvailH, bool Stretch, bool Shrink) {
  if (img_w_ == 0 || img_h_ == 0 || AvailW == 0 || AvailH == 0) return 100;
  bool too_large;
  if (static_cast<double>(img_w_) / AvailW > static_cast<double>(img_h_) / AvailH)
    too_large = AvailW < img_w_;
  else
    too_large = AvailH < img_h_;
  const double z = GetFitZoom();
  if (!std::isfinite(z)) return 100;
  if (too_large) return Shrink ? z : 100;
  return Stretch ? z : 100;
}

void TImagoView::Update() {
  if (construction_guard_ > 0) return;
  const TComponentState state = ComponentState();
  if (state.Contains(csLoading) || state.Contains(csReading) || state.Contains(csDestroying)) return;
  if (layers_.empty()) return;
  in_update_ = true;
  SyncLayers();
  // A zoom chosen for a smaller image may be too large for this one.
  if (const double zx = ClampZoom(zoom_x_), zy = ClampZoom(zoom_y_); zx != zoom_x_ || zy != zoom_y_) {
    zoom_x_ = zx;
    zoom_y_ = zy;
    StoreFactors();
    ViewChange(1);
  }

  if ((AutoFit || AutoStretch || AutoShrink) && img_w_ != 0 && img_h_ != 0) {
    int32_t fx, fy;
    if (background_style_ == iebsCropped) {
      fx = GetSystemMetrics(SM_CXEDGE);
      fy = GetSystemMetrics(SM_CYEDGE);
    } else if (background_style_ == iebsCropShadow) {
      fx = fy = 5;
    } else {
      fx = (Width() - GetViewWidth()) / 2;
      fy = (Height() - GetViewHeight()) / 2;
    }
    double z = 100;
    if (img_w_ >= 2 || img_h_ >= 2)
      z = AutoZoomFor(GetViewWidth() - 2 * fx, GetViewHeight() - 2 * fy, AutoStretch || AutoFit,
                      AutoShrink || AutoFit);
    z = ClampZoom(std::max(z, 1.0));
    zoom_x_ = zoom_y_ = z;
    StoreFactors();
    UpdateVisibleArea();
    UpdateCoordTables();
    ViewChange(1);
    delay_countdown_ = 0;
    anim_countdown_ = 0;
  }

  if (ie_bitmap_->Width() != last_w_ || ie_bitmap_->Height() != last_h_) {
    last_w_ = ie_bitmap_->Width();
    last_h_ = ie_bitmap_->Height();
    // A selection belongs to the image size it was made for.
    DropSelectionForNewSize();
  }
  // An alpha channel of another size than its image (the image kept its size
  // while the channel was reallocated, or the other way round) becomes a full
  // one of the image's size.
  if (ie_bitmap_->HasAlphaChannel()) {
    TIEBitmap* a = ie_bitmap_->GetAlphaChannel();
    if (a->Width() != ie_bitmap_->Width() || a->Height() != ie_bitmap_->Height()) {
      a->Allocate(ie_bitmap_->Width(), ie_bitmap_->Height(), ieGray8);
      a->Fill(255);
      a->Full = true;
    }
  }

  const int32_t vw0 = GetViewWidth(), vh0 = GetViewHeight();
  int32_t mx, my;
  ComputeMaxOrigin(mx, my);
  if (view_x_ > mx || view_y_ > my) {
    view_x_ = std::min(view_x_, mx);
    view_y_ = std::min(view_y_, my);
    ViewChange(0);
  }
  if (HasParentWindow()) {
    // The scroll bars follow the view where they can; the view's own state
    // is already updated and stands without them.
    try {
      UpdateScrollBars();
    } catch (...) {
    }
  }
  if ((GetViewWidth() != vw0 || GetViewHeight() != vh0) && !reentry_) {
    reentry_ = true;
    Update();
    reentry_ = false;
  }

  UpdateExtents();
  dirty_ = true;
  full_repaint_ = true;
  if (HasParentWindow() && invalidate_on_update_ && HandleAllocated()) Invalidate();

  if (navigator_) {
    navigator_->Update();
    RefreshNavigator();
  }
  in_update_ = false;
}

int64_t TImagoView::LastColumnStart(int32_t Size, double Zoom) {
  if (Size <= 1 || !(Zoom > 100)) return std::numeric_limits<int64_t>::max();
  // The smallest zoomed position s with Trunc(s * 100 / Zoom) = Size - 1, as
  // the coordinate tables give it.
  const int64_t last = Size - 1;
  auto column = [&](int64_t p) { return static_cast<int64_t>(std::trunc(p * 100 / Zoom)); };
  auto s = static_cast<int64_t>(std::floor(last * Zoom / 100));
  for (int k = 0; k < 4 && s > 0 && column(s - 1) >= last; ++k) --s;
  for (int k = 0; k < 4 && column(s) < last; ++k) ++s;
  return s;
}

void TImagoView::ComputeMaxOrigin(int32_t& MaxX, int32_t& MaxY) {
  const int32_t vw = GetViewWidth(), vh = GetViewHeight();
  int64_t w = static_cast<int64_t>(std::trunc(img_w_ * zoom_x_ / 100));
  int64_t h = static_cast<int64_t>(std::trunc(img_h_ * zoom_y_ / 100));
  // One image pixel more lets the last column and row scroll fully into view.
  if (zoom_x_ == zoom_y_) {
    if (w > vw + 10 || h > vh + 10) {
      w = static_cast<int64_t>(std::trunc((img_w_ + 1.0) * zoom_x_ / 100));
      h = static_cast<int64_t>(std::trunc((img_h_ + 1.0) * zoom_y_ / 100));
    }
  } else {
    if (w > vw + 10) w = static_cast<int64_t>(std::trunc((img_w_ + 1.0) * zoom_x_ / 100));
    if (h > vh + 10) h = static_cast<int64_t>(std::trunc((img_h_ + 1.0) * zoom_y_ / 100));
  }
  int64_t mx = 0, my = 0;
  if (w >= 1 && h >= 1) {
    mx = w - vw;
    my = h - vh;
    if (mx < 0 || ScreenToImageX(static_cast<int32_t>(std::min<int64_t>(mx, INT32_MAX))) == 0) mx = 0;
    if (my < 0 || ScreenToImageY(static_cast<int32_t>(std::min<int64_t>(my, INT32_MAX))) == 0) my = 0;
  }
  // When one zoomed pixel is larger than the view, the extra pixel could
  // carry the origin past the image: it stops at the first zoomed position
  // of the last column, so that column stays in view.
  mx = std::min(mx, LastColumnStart(img_w_, zoom_x_));
  my = std::min(my, LastColumnStart(img_h_, zoom_y_));
  // An image that fits the control without its scroll bars never scrolls.
  if (zoom_x_ == zoom_y_) {
    if (w <= Width() && h <= Height()) mx = my = 0;
  } else {
    if (w <= Width()) mx = 0;
    if (h <= Height()) my = 0;
  }
  MaxX = static_cast<int32_t>(std::min<int64_t>(mx, INT32_MAX));
  MaxY = static_cast<int32_t>(std::min<int64_t>(my, INT32_MAX));
}

int32_t TImagoView::MaxViewX() {
  int32_t mx, my;
  ComputeMaxOrigin(mx, my);
  return mx;
}

int32_t TImagoView::MaxViewY() {
  int32_t mx, my;
  ComputeMaxOrigin(mx, my);
  return my;
}

bool TImagoView::CanScroll() {
  int32_t mx, my;
  ComputeMaxOrigin(mx, my);
  return mx > 0 || my > 0;
}

void TImagoView::MoveThumb(int Bar) {
  bars_.MoveThumb(Bar, TruncI((Bar == 0 ? view_x_ : view_y_) / scale_[Bar]));
}

void TImagoView::UpdateScrollBars() {
  int32_t mx, my;
  ComputeMaxOrigin(mx, my);
  for (int b = 0; b < 2; ++b) {
    const bool wanted = scroll_bars_ == ssBoth || scroll_bars_ == (b == 0 ? ssHorizontal : ssVertical);
    if (!wanted) continue;
    const int32_t max = b == 0 ? mx : my;
    TIEViewScrollBar& bar = bars_[b];
    if (max < 1) {
      if (KeepScrollBars) {
        bars_.Shown[b] = true;
        bar.Enabled = false;
        bar.Visible = true;
        bars_.Apply(b);
      } else if (bars_.Shown[b]) {
        bars_.Hide(b);
      }
      continue;
    }
    bars_.Shown[b] = true;
    const int32_t extent = b == 0 ? GetViewWidth() : GetViewHeight();
    // The whole scrollable length is mapped onto 65536 units.
    scale_[b] = (static_cast<double>(extent) + max) / 65536;
    bar.Min = 0;
    bar.Max = 65535;
    bar.Page = TruncI(extent / scale_[b]);
    bar.Position = TruncI((b == 0 ? view_x_ : view_y_) / scale_[b]);
    bar.Enabled = true;
    bar.Visible = true;
    bars_.Apply(b);
  }
}

void TImagoView::Fit() {
  if (img_w_ == 0 || img_h_ == 0) return;
  if (bars_.Shown[0]) bars_.Hide(0);
  if (bars_.Shown[1]) bars_.Hide(1);
  SetZoom(GetFitZoom());
}

void TImagoView::StartCountdowns() {
  if (DelayZoomFilter && zoom_filter_ != rfNone && (zoom_x_ != 100 || zoom_y_ != 100)) delay_countdown_ = 4;
  anim_countdown_ = 2;
}

// Applies a new zoom with updates locked, then updates the layout and repaints.
void TImagoView::Rezoom(void (TImagoView::*Apply)(double), double Value) {
  LockUpdate();
  (this->*Apply)(Value);
  // Twice: the first pass may show or hide a scroll bar, which changes the
  // client area that the second pass lays out in.
  Update();
  Update();
  UpdateVisibleArea();
  UpdateCoordTables();
  UnlockUpdateNoRepaint();
  Paint();
  ViewChange(1);
}

void TImagoView::SetZoom(double Value) {
  if (!(Value > 0)) return;
  Value = ClampZoom(Value);
  if (Value == zoom_x_ && Value == zoom_y_) return;
  StartCountdowns();
  Rezoom(&TImagoView::ApplyZoom, Value);
}

void TImagoView::SetZoomX(double Value) {
  if (!(Value > 0)) return;
  Value = ClampZoom(Value);
  if (Value == zoom_x_) return;
  if (DelayZoomFilter && zoom_filter_ != rfNone && zoom_x_ != 100) delay_countdown_ = 4;
  anim_countdown_ = 2;
  Rezoom(&TImagoView::ApplyZoomX, Value);
}

void TImagoView::SetZoomY(double Value) {
  if (!(Value > 0)) return;
  Value = ClampZoom(Value);
  if (Value == zoom_y_) return;
  if (DelayZoomFilter && zoom_filter_ != rfNone && zoom_y_ != 100) delay_countdown_ = 4;
  anim_countdown_ = 2;
  Rezoom(&TImagoView::ApplyZoomY, Value);
}

void TImagoView::ApplyZoomX(double Value) {
  const int32_t cx = GetViewWidth() / 2;
  const double bx = std::nearbyint((cx + static_cast<double>(view_x_) - off_x_) * 100 / zoom_x_);
  const int32_t nx = TruncI(bx * Value / 100 - cx);
  zoom_x_ = Value;
  StoreFactors();
  int32_t mx, my;
  ComputeMaxOrigin(mx, my);
  view_x_ = std::clamp(nx, 0, mx);
}

void TImagoView::ApplyZoomY(double Value) {
  const int32_t cy = GetViewHeight() / 2;
  const double by = std::nearbyint((cy + static_cast<double>(view_y_) - off_y_) * 100 / zoom_y_);
  const int32_t ny = TruncI(by * Value / 100 - cy);
  zoom_y_ = Value;
  StoreFactors();
  int32_t mx, my;
  ComputeMaxOrigin(mx, my);
  view_y_ = std::clamp(ny, 0, my);
}

void TImagoView::ApplyZoom(double Value) {
  const int32_t cx = GetViewWidth() / 2, cy = GetViewHeight() / 2;
  const double bx = std::nearbyint((cx + static_cast<double>(view_x_) - off_x_) * 100 / zoom_x_);
  const double by = std::nearbyint((cy + static_cast<double>(view_y_) - off_y_) * 100 / zoom_y_);
  const int32_t nx = TruncI(bx * Value / 100 - cx);
  const int32_t ny = TruncI(by * Value / 100 - cy);
  zoom_x_ = zoom_y_ = Value;
  StoreFactors();
  int32_t mx, my;
  ComputeMaxOrigin(mx, my);
  view_x_ = std::clamp(nx, 0, mx);
  view_y_ = std::clamp(ny, 0, my);
}

void TImagoView::ZoomAt(int32_t X, int32_t Y, double Zoom, bool Center) {
  LockUpdate();
  const int32_t col = ScreenToImageX(X), row = ScreenToImageY(Y);
  SetZoom(Zoom);
  const double z = zoom_x_ / 100;
  if (Center)
    SetViewXY(TruncI(col * z - GetViewWidth() / 2), TruncI(row * z - GetViewHeight() / 2));
  else
    // The origin moves so that the clicked column and row are drawn over
    // the point again (the usual formula, Trunc(column x z - X + z), is a
    // pixel off). The view starts drawing at the first zoomed position of the
    // column holding the origin, so above 100 % the origin is put on the last
    // zoomed position that keeps the column over the point; below 100 %
    // every screen pixel starts a column.
    SetViewXY(KeepUnder(0, col, X), KeepUnder(1, row, Y));
  UnlockUpdate();
  UpdateVisibleArea();
  UpdateCoordTables();
  ViewChange(1);
}

int32_t TImagoView::KeepUnder(int Axis, int32_t Col, int32_t P) {
  const double z = Axis == 0 ? zoom_x_ : zoom_y_;
  const int64_t off = Axis == 0 ? off_x_ : off_y_;
  const int64_t start = src_[Axis].snapped;  // the zoomed position drawn at the image area's left
  const int64_t at = z >= 100 ? ImageToScreen64(Axis, int64_t{Col} + 1) - 1 : ImageToScreen64(Axis, Col);
  return SaturateInt32(start + at - off - P);
}

int32_t TImagoView::UnlockUpdate() {
  TIEView::UnlockUpdateNoRepaint();
  const int32_t n = UpdateLockCount();
  if (n == 0) Update();
  return n;
}

// After the origin moved: repaint at the new place and bring the thumbs of
// the moved axes along.
void TImagoView::OriginMoved(bool Horizontal, bool Vertical) {
  StartCountdowns();
  dirty_ = true;
  full_repaint_ = true;
  UpdateVisibleArea();
  UpdateCoordTables();
  Paint();
  ViewChange(0);
  if (Horizontal && (scroll_bars_ == ssHorizontal || scroll_bars_ == ssBoth)) MoveThumb(0);
  if (Vertical && (scroll_bars_ == ssVertical || scroll_bars_ == ssBoth)) MoveThumb(1);
}

void TImagoView::SetViewXY(int32_t X, int32_t Y) {
  if (X == view_x_ && Y == view_y_) return;
  int32_t mx, my;
  ComputeMaxOrigin(mx, my);
  X = std::clamp(X, 0, mx);
  Y = std::clamp(Y, 0, my);
  if (X == view_x_ && Y == view_y_) return;
  view_x_ = X;
  view_y_ = Y;
  OriginMoved(true, true);
}

void TImagoView::SetViewX(int32_t X) {
  if (X == view_x_) return;
  int32_t mx, my;
  ComputeMaxOrigin(mx, my);
  X = std::clamp(X, 0, mx);
  if (X == view_x_) return;
  view_x_ = X;
  OriginMoved(true, false);
}

void TImagoView::SetViewY(int32_t Y) {
  if (Y == view_y_) return;
  int32_t mx, my;
  ComputeMaxOrigin(mx, my);
  Y = std::clamp(Y, 0, my);
  if (Y == view_y_) return;
  view_y_ = Y;
  OriginMoved(false, true);
}

void TImagoView::Scroll(int Bar, int32_t Code, int32_t Pos) {
  const TIEScrollBarParams& params = Bar == 0 ? hparams_ : vparams_;
  const int64_t origin = Bar == 0 ? view_x_ : view_y_;
  const double zoom = Bar == 0 ? zoom_x_ : zoom_y_;
  const int64_t p = std::max<int64_t>(TruncI(zoom / 100), 1);
  const int64_t line = params.LineStep == -1 ? p : p * params.LineStep;
  const int64_t page = params.PageStep == -1 ? (Bar == 0 ? GetViewWidth() : GetViewHeight()) : p * params.PageStep;
  int64_t target;
  if (!ScrollBarTarget(Code, Pos, origin, line, page, Bar == 0 ? MaxViewX() : MaxViewY(), scale_[Bar],
                       params.Tracking, target))
    return;
  const int32_t v = static_cast<int32_t>(std::clamp<int64_t>(target, INT32_MIN, INT32_MAX));
  if (Bar == 0)
    SetViewX(v);
  else
    SetViewY(v);
}

void TImagoView::WMSize() {
  if (in_update_) return;
  transition_->Stop();
  Update();
}

void TImagoView::SetCenter(bool Value) {
  if (Value == center_) return;
  center_ = Value;
  Update();
}

void TImagoView::SetScrollBars(TScrollStyle Value) {
  scroll_bars_ = Value;
  if (Value != ssVertical && Value != ssBoth) bars_.Hide(1);
  if (Value != ssHorizontal && Value != ssBoth) bars_.Hide(0);
  Update();
}

void TImagoView::UpdateExtents() {
  zoomed_w_ = RoundI(img_w_ * zoom_x_ / 100);
  zoomed_h_ = RoundI(img_h_ * zoom_y_ / 100);
  off_x_ = off_y_ = 0;
  const int32_t vw = GetViewWidth(), vh = GetViewHeight();
  ext_x_ = std::min(zoomed_w_, vw);
  ext_y_ = std::min(zoomed_h_, vh);
  if (center_) {
    if (ext_x_ < vw) off_x_ = (vw - ext_x_) >> 1;
    if (ext_y_ < vh) off_y_ = (vh - ext_y_) >> 1;
  }
}

// ------------------------------------------------------- visible area, tables

void TImagoView::UpdateVisibleArea() {
  for (int a = 0; a < 2; ++a) {
    const int32_t img = a == 0 ? img_w_ : img_h_;
    const int32_t zoomed = a == 0 ? zoomed_w_ : zoomed_h_;
    const int32_t ext = a == 0 ? ext_x_ : ext_y_;
    const int32_t origin = a == 0 ? view_x_ : view_y_;
    const double zoom = a == 0 ? zoom_x_ : zoom_y_;
    const Tables& t = tables_[a];
    Axis& ax = src_[a];
    // The origin moves back to the first zoomed position of its image column.
    ax.snapped = origin;
    if (tables_exist_ && origin < zoomed && origin >= 0 && static_cast<size_t>(origin) < t.s2i.size()) {
      const int32_t col = t.s2i[static_cast<size_t>(origin)];
      if (col >= 0 && static_cast<size_t>(col) < t.i2s.size()) ax.snapped = t.i2s[static_cast<size_t>(col)];
    }
    if (zoomed == 0) {
      ax.pos = ax.size = 0;
    } else {
      // The first source pixel stays inside the image and the sizes are
      // never negative, whatever the origin.
      ax.pos = std::clamp(RoundI(static_cast<double>(ax.snapped) * img / zoomed), 0, std::max(img - 1, 0));
      ax.size = RoundI(static_cast<double>(img) / zoomed * ext);
      if (static_cast<int64_t>(ax.pos) + ax.size > img) ax.size = img - ax.pos;
    }
    int32_t dest;
    if (zoom > 100) {
      dest = TruncI(ax.size * zoom / 100);
      if (dest < ext && static_cast<int64_t>(ax.pos) + ax.size + 1 <= img) {
        ++ax.size;
        dest = TruncI(ax.size * zoom / 100);
      }
    } else {
      dest = ext;
    }
    (a == 0 ? dest_w_ : dest_h_) = std::max(dest, 0);
  }
}

void TImagoView::UpdateCoordTables() {
  if (zoom_x_ != key_zoom_x_ || zoom_y_ != key_zoom_y_ || dest_w_ != key_dest_w_ || dest_h_ != key_dest_h_ ||
      img_w_ != key_img_w_ || img_h_ != key_img_h_) {
    tables_[0] = Tables();
    tables_[1] = Tables();
    tables_exist_ = false;
    if (dest_w_ > 0 && dest_h_ > 0 && img_w_ > 0 && img_h_ > 0) {
      bool ok = true;
      for (int a = 0; a < 2 && ok; ++a) {
        const int64_t img = a == 0 ? img_w_ : img_h_;
        const int64_t zoomed = a == 0 ? zoomed_w_ : zoomed_h_;
        const int64_t dest = a == 0 ? dest_w_ : dest_h_;
        const double zoom = a == 0 ? zoom_x_ : zoom_y_;
        const int64_t j = zoomed + dest;
        const int64_t k = static_cast<int64_t>(std::trunc((j + 1) * 100 / zoom));
        if (j + 2 > kMaxTableLength || k + 2 > kMaxTableLength) {
          ok = false;
          break;
        }
        Tables& t = tables_[a];
        const int32_t last = static_cast<int32_t>(std::max<int64_t>(img - 1, 0));
        // Each table holds one entry more than the longest span it covers:
        // position j itself is written.
        if (zoom > 100) {
          t.s2i.assign(static_cast<size_t>(j + 1), 0);
          t.i2s.assign(static_cast<size_t>(std::trunc(j * 100 / zoom)) + 1, 0);
          for (int64_t s = j; s >= 0; --s) {
            const auto b = static_cast<int64_t>(std::trunc(s * 100 / zoom));
            t.i2s[static_cast<size_t>(b)] = static_cast<int32_t>(s);
            t.s2i[static_cast<size_t>(s)] = static_cast<int32_t>(std::min<int64_t>(b, last));
          }
        } else {
          t.i2s.assign(static_cast<size_t>(k + 1), 0);
          t.s2i.assign(static_cast<size_t>(std::trunc(k * zoom / 100)) + 1, 0);
          for (int64_t c = k; c >= 0; --c) {
            const auto s = static_cast<int64_t>(std::trunc(c * zoom / 100));
            t.i2s[static_cast<size_t>(c)] = static_cast<int32_t>(s);
            t.s2i[static_cast<size_t>(s)] = static_cast<int32_t>(std::min<int64_t>(c, last));
          }
        }
        t.s2i_len = static_cast<int32_t>(dest);
        t.i2s_len = TruncI(dest * 100 / zoom);
      }
      tables_exist_ = ok;
      if (!ok) {
        tables_[0] = Tables();
        tables_[1] = Tables();
      }
    }
    key_zoom_x_ = zoom_x_;
    key_zoom_y_ = zoom_y_;
    key_dest_w_ = dest_w_;
    key_dest_h_ = dest_h_;
    key_img_w_ = img_w_;
    key_img_h_ = img_h_;
  }
  if (tables_exist_) {
    for (int a = 0; a < 2; ++a) {
      Tables& t = tables_[a];
      const int32_t snapped = std::clamp<int32_t>(src_[a].snapped, 0, static_cast<int32_t>(t.s2i.size()) - 1);
      t.s2i_win = snapped;
      t.i2s_win = std::max(0, t.s2i[static_cast<size_t>(snapped)] - src_[a].pos);
    }
  }
}

int32_t TImagoView::ScreenToImage(int Axis, int32_t V) {
  const int32_t d = V - (Axis == 0 ? off_x_ : off_y_);
  const int32_t dest = Axis == 0 ? dest_w_ : dest_h_;
  const Tables& t = tables_[Axis];
  if (tables_exist_ && d >= 0 && d < dest) {
    const int64_t i = int64_t{t.s2i_win} + d;
    if (i < static_cast<int64_t>(t.s2i.size())) return t.s2i[static_cast<size_t>(i)];
  }
  const double zoom = Axis == 0 ? zoom_x_ : zoom_y_;
  return TruncI(d * 100.0 / zoom + src_[Axis].pos);
}

int64_t TImagoView::ImageToScreen64(int Axis, int64_t V) {
  const Tables& t = tables_[Axis];
  const int32_t off = Axis == 0 ? off_x_ : off_y_;
  // The column's first zoomed position less the one at the left edge: the
  // screen column where the drawing, driven by the same tables, puts it.
  if (tables_exist_ && V >= 0 && V < static_cast<int64_t>(t.i2s.size()))
    return int64_t{t.i2s[static_cast<size_t>(V)]} - t.s2i_win + off;
  const double zoom = Axis == 0 ? zoom_x_ : zoom_y_;
  const double v = std::nearbyint((std::nearbyint(-src_[Axis].snapped * 100.0 / zoom) + static_cast<double>(V)) *
                                      zoom / 100 + off);
  return static_cast<int64_t>(std::clamp(v, -kFarAway, kFarAway));
}

int32_t TImagoView::ImageToScreen(int Axis, int32_t V) {
  return static_cast<int32_t>(std::clamp<int64_t>(ImageToScreen64(Axis, V), INT32_MIN, INT32_MAX));
}

int32_t TImagoView::ScreenToImageX(int32_t X) { return ScreenToImage(0, X); }
int32_t TImagoView::ScreenToImageY(int32_t Y) { return ScreenToImage(1, Y); }
int32_t TImagoView::ImageToScreenX(int32_t X) { return ImageToScreen(0, X); }
int32_t TImagoView::ImageToScreenY(int32_t Y) { return ImageToScreen(1, Y); }

// ------------------------------------------------------------ painting

void TImagoView::SetBackground(TColor Value) {
  TIEView::SetBackground(Value);
  Update();
  ImageChange();
}

void TImagoView::SetBackgroundStyle(TIEBackgroundStyle Value) {
  background_style_ = Value;
  Update();
}

void TImagoView::SetChessboardStyle(int32_t Size, TBrushStyle BrushStyle) {
  chess_size_ = Size;
  chess_brush_ = BrushStyle;
}

void TImagoView::SetWallPaper(TPicture* Value) {
  wallpaper_->Assign(Value);
  Update();
}

void TImagoView::SetWallPaperStyle(TIEWallPaperStyle Value) {
  if (Value == wallpaper_style_) return;
  wallpaper_style_ = Value;
  Update();
}

void TImagoView::SetZoomFilter(TResampleFilter Value) {
  saved_zoom_filter_ = Value;
  if (Value == zoom_filter_) return;
  zoom_filter_ = Value;
  Update();
}

void TImagoView::SetEnableAlphaChannel(bool Value) {
  enable_alpha_ = Value;
  Update();
}

void TImagoView::SetDrawVersion(bool Value) {
  draw_version_ = Value;
  Update();
}

void TImagoView::Paint() {
  const int32_t vw = GetViewWidth(), vh = GetViewHeight();
  if (!HasParentWindow() || vw <= 0 || vh <= 0) return;
  try {
    if (UpdateLockCount() == 0) {
      TransferBackBuffer();
      if (OnDrawCanvas) OnDrawCanvas(this, GetCanvas(), TRect{0, 0, vw, vh});
    }
    full_repaint_ = false;
    // The countdown of the delayed filter runs with each paint.
    if (anim_countdown_ > 0) --anim_countdown_;
    if (delay_countdown_ > 0 && --delay_countdown_ == 0) Update();
    if (OnPaint) OnPaint(this);
    DrawSelection();
  } catch (...) {
    // What a drawing handler throws ends this paint only: leaving WM_PAINT
    // it would come back with every repaint.
  }
  if (draw_version_ && HandleAllocated()) {
    TCanvas* c = Canvas();
    c->Font()->SetName("Arial");
    c->Font()->SetHeight(13);
    c->Font()->SetColor(clBlack);
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(clWhite);
    const std::string text = "Imago Version 2.2.3 - 7/3/2006";
    const TSize size = c->TextExtent(text);
    c->TextOut(vw - size.cx, vh - size.cy, text);
  }
}

void TImagoView::TransferBackBuffer() {
  if (!HasParentWindow()) return;
  const int32_t vw = GetViewWidth(), vh = GetViewHeight();
  if (back_buffer_->Width() != vw || back_buffer_->Height() != vh || back_ie_->Location() != ieTBitmap) {
    back_buffer_->SetSize(vw, vh);
    back_ie_->EncapsulateTBitmap(back_buffer_.get(), false);
    dirty_ = true;
  }
  if (dirty_) {
    RenderToBitmap(back_ie_.get());
    // A render given up because a handler changed the image stays due.
    if (render_stopped_) return;
    if (OnDrawBackBuffer) OnDrawBackBuffer(this);
    dirty_ = false;
  }
  // The back buffer is copied unchanged into the window.
  if (!HandleAllocated()) return;
  // A recreated window gets the video notices from now on.
  if (Handle() != notice_window_) {
    GetIO()->UpdateDShowNotifyWindow();
    notice_window_ = Handle();
  }
  TCanvas* canvas = Canvas();
  if (!canvas) return;
  TRect r{0, 0, vw, vh};
  if (!full_repaint_) {
    r = canvas->ClipRect();
    if (r.Right == 0 || r.Bottom == 0) {
      r.Right = vw;
      r.Bottom = vh;
    }
  }
  BitBlt(canvas->Handle(), r.Left, r.Top, std::min(r.Right - r.Left, vw), std::min(r.Bottom - r.Top, vh),
         back_buffer_->Canvas()->Handle(), r.Left, r.Top, SRCCOPY);
  // The copy took the rubber band of a polygon being drawn away: it comes back.
  if (poly_sel_ && !lasso_sel_ && rubber_band_) DrawRubberBand(rubber_x_, rubber_y_);
}

void TImagoView::PaintBackgroundInto(TIEBitmap* Target, const TRect* Hidden) {
  TCanvas* canvas = Target->GetCanvas();
  if (!canvas) return;
  const TRect area{0, 0, Target->Width(), Target->Height()};
  // The part an opaque image paints over next is left out of the clip: the
  // background keeps its place (patterns and gradients are laid out over
  // the whole area), it is only not written where nobody would see it.
  // Only the clip is put back afterwards: the canvas keeps its own pens and
  // brushes selected.
  const HDC dc = canvas->Handle();
  const bool clipped = Hidden && Hidden->Right > Hidden->Left && Hidden->Bottom > Hidden->Top;
  TOwnedGdiObject<HRGN> saved;
  bool had_clip = false;
  if (clipped) {
    saved.reset(CreateRectRgn(0, 0, 0, 0));
    had_clip = GetClipRgn(dc, saved.get()) == 1;
    ExcludeClipRect(dc, Hidden->Left, Hidden->Top, Hidden->Right, Hidden->Bottom);
  }
  bool handled = false;
  if (OnDrawBackground) OnDrawBackground(this, canvas, area, handled);
  if (!handled)
    PaintBackground(false, canvas, Target, wallpaper_style_, wallpaper_.get(), GradientEndColor, chess_brush_,
                    chess_size_, TRect{off_x_, off_y_, off_x_ + dest_w_, off_y_ + dest_h_}, area, Background(),
                    background_style_);
  if (clipped) {
    SelectClipRgn(dc, had_clip ? saved.get() : nullptr);
  }
}

void TImagoView::DrawBackgroundToCanvas(TCanvas* Canvas) {
  PaintBackground(false, Canvas, nullptr, wallpaper_style_, wallpaper_.get(), GradientEndColor, chess_brush_,
                  chess_size_, TRect{0, 0, 0, 0}, TRect{0, 0, Width(), Height()}, Background(), background_style_);
}

std::unique_ptr<TIEBitmap> TImagoView::ApplyMaskLayer(TIELayer* Layer, TIELayer* Mask, bool& HadAlpha) {
  TIEBitmap* image = Layer->Bitmap;
  TIEBitmap* grey = Mask->Bitmap;
  HadAlpha = image->HasAlphaChannel();
  if (!grey || grey->IsEmpty()) return nullptr;
  if (grey->PixelFormat() != ieGray8) grey->SetPixelFormat(ieGray8);
  const int64_t w = image->Width(), h = image->Height();
  const int64_t lw = Layer->LayerWidth(), lh = Layer->LayerHeight();
  const int64_t mw = Mask->LayerWidth(), mh = Mask->LayerHeight();
  const int64_t gw = grey->Width(), gh = grey->Height();
  // The layer's own channel counts only when it has the image's size.
  TIEBitmap* own = HadAlpha ? image->GetAlphaChannel() : nullptr;
  if (own && (own->Width() != w || own->Height() != h)) own = nullptr;
  std::unique_ptr<TIEBitmap> alpha =
      TIEBitmap::CreateAlphaChannel(static_cast<int32_t>(w), static_cast<int32_t>(h), ieMemory);
  // Each pixel of the layer goes to layer 0's pixels through the layer's
  // position and drawn size, then into the mask's image the same way back.
  // Where the mask does not reach, nothing shows.
  for (int64_t y = 0; y < h; ++y) {
    const int64_t py = Layer->PosY + y * lh / h - Mask->PosY;
    const int64_t my = py >= 0 && mh > 0 ? py * gh / mh : -1;
    const uint8_t* own_row = own ? own->GetScanline(static_cast<int32_t>(y)) : nullptr;
    uint8_t* out = alpha->GetScanline(static_cast<int32_t>(y));
    for (int64_t x = 0; x < w; ++x) {
      const int64_t px = Layer->PosX + x * lw / w - Mask->PosX;
      const int64_t mx = px >= 0 && mw > 0 ? px * gw / mw : -1;
      const int32_t a = own_row ? own_row[x] : 255;
      int32_t g = 0;
      if (my >= 0 && my < gh && mx >= 0 && mx < gw)
        g = grey->GetScanline(static_cast<int32_t>(my))[mx];
      out[x] = static_cast<uint8_t>(a * g / 255);
    }
  }
  alpha->Full = false;
  std::unique_ptr<TIEBitmap> saved = image->ReleaseAlphaChannel();
  image->ReplaceAlphaChannel(std::move(alpha));
  return saved;
}

void TImagoView::FillMagnifier(TIELayer* Layer, TIEBitmap* Target, int32_t X, int32_t Y, int32_t W, int32_t H) {
  TIEBitmap* image = Layer->Bitmap;
  if (Layer->Width > 0 && Layer->Height > 0 &&
      (image->Width() != Layer->Width || image->Height() != Layer->Height || image->PixelFormat() != ieRGB24))
    image->Allocate(Layer->Width, Layer->Height, ieRGB24);
  if (image->PixelFormat() != ieRGB24) image->SetPixelFormat(ieRGB24);
  const int32_t iw = image->Width(), ih = image->Height();
  if (iw <= 0 || ih <= 0) return;
  const double rate = Layer->MagnifierRate;
  // The region under the centre, 1/rate of the layer's size on screen.
  const int32_t rw = static_cast<int32_t>(Trunc(iw / (rate / (zoom_x_ / 100))));
  const int32_t rh = static_cast<int32_t>(Trunc(ih / (rate / (zoom_y_ / 100))));
  const int32_t rx = X + W / 2 - rw / 2, ry = Y + H / 2 - rh / 2;
  if (rw > 0 && rh > 0) {
    if (Layer->MagnifierSource == 0) {
      TIEBitmap* base = layers_[0]->Bitmap;
      const int32_t x1 = ScreenToImageX(rx), y1 = ScreenToImageY(ry);
      const int32_t x2 = ScreenToImageX(rx + rw), y2 = ScreenToImageY(ry + rh);
      image->Fill(0);
      if (base && rx >= off_x_ && ry >= off_y_ && rx + rw <= off_x_ + dest_w_ && ry + rh <= off_y_ + dest_h_ &&
          x2 > x1 && y2 > y1 && x1 >= 0 && y1 >= 0 && x2 <= base->Width() && y2 <= base->Height()) {
        std::unique_ptr<TIERowPointers> rows;
        std::unique_ptr<TIEMapTable> cols, rowt;
        RenderToTIEBitmapEx(base, image, rows, cols, rowt, nullptr, 0, 0, iw, ih, x1, y1, x2 - x1, y2 - y1, false,
                            true, 255, Layer->UseOwnFilter ? Layer->OwnFilter : zoom_filter_, true, 0);
      }
    } else {
      // The back buffer as drawn so far, each pixel of the region repeated.
      const int32_t tw = Target->Width(), th = Target->Height();
      for (int32_t y = 0; y < ih; ++y) {
        const int32_t sy = std::clamp<int32_t>(ry + static_cast<int32_t>(int64_t(y) * rh / ih), 0, th - 1);
        for (int32_t x = 0; x < iw; ++x) {
          const int32_t sx = std::clamp<int32_t>(rx + static_cast<int32_t>(int64_t(x) * rw / iw), 0, tw - 1);
          image->SetRGB24(x, y, Target->GetRGB24(sx, sy));
        }
      }
    }
  }
  TIEBitmap* alpha = image->GetAlphaChannel();
  if (Layer->MagnifierShape == 1) {
    // 255 inside the ellipse that fills the layer, 0 outside.
    const double ax = iw / 2.0, ay = ih / 2.0;
    for (int32_t y = 0; y < ih; ++y)
      for (int32_t x = 0; x < iw; ++x) {
        const double u = (x + 0.5 - ax) / ax, v = (y + 0.5 - ay) / ay;
        alpha->SetByte(x, y, u * u + v * v <= 1.0 ? 255 : 0);
      }
    alpha->Full = false;
  } else {
    alpha->Fill(255);
    alpha->Full = true;
  }
}

void TImagoView::CropToBase(TIELayer* Layer, int64_t& DX, int64_t& DY, int64_t& DW, int64_t& DH, int32_t& SX,
                            int32_t& SY, int32_t& SW, int32_t& SH) {
  const int64_t lw = Layer->LayerWidth(), lh = Layer->LayerHeight();
  if (lw <= 0 || lh <= 0) return;
  const double fx = static_cast<double>(SW) / lw, fy = static_cast<double>(SH) / lh;
  auto part = [](double v) { return SaturateInt32(static_cast<int64_t>(std::clamp(std::trunc(v), -kFarAway, kFarAway))); };
  // What lies left of or above layer 0's image.
  if (Layer->PosX < 0) {
    SX = -part(fx * Layer->PosX);
    SW -= SX;
    const int64_t left = ImageToScreen64(0, 0);
    DW = DX + DW - left;
    DX = left;
  }
  if (Layer->PosY < 0) {
    SY = -part(fy * Layer->PosY);
    SH -= SY;
    const int64_t top = ImageToScreen64(1, 0);
    DH = DY + DH - top;
    DY = top;
  }
  // What lies beyond its right or bottom edge.
  if (Layer->PosX + lw > img_w_) {
    SW -= part(fx * static_cast<double>(Layer->PosX + lw - img_w_));
    DW = ImageToScreen64(0, img_w_) - DX;
  }
  if (Layer->PosY + lh > img_h_) {
    SH -= part(fy * static_cast<double>(Layer->PosY + lh - img_h_));
    DH = ImageToScreen64(1, img_h_) - DY;
  }
}

int32_t TImagoView::FindLayerAt(int32_t X, int32_t Y, bool SelectTransparent) const {
  for (int32_t i = LayersCount() - 1; i >= 0; --i) {
    TIELayer* l = Layer(i);
    if (!l->Selectable || X < l->ClientLeft || X > l->ClientRight || Y < l->ClientTop || Y > l->ClientBottom)
      continue;
    TIEBitmap* image = l->Bitmap;
    if (!image || !image->HasAlphaChannel() || SelectTransparent || image->Width() <= 0 || image->Height() <= 0)
      return i;
    // A channel of another size than the image is taken as absent.
    const TIEBitmap* alpha = image->GetAlphaChannel();
    if (alpha->Width() != image->Width() || alpha->Height() != image->Height()) return i;
    const int32_t lx = std::clamp(l->ClientToLayerX(X), 0, image->Width() - 1);
    const int32_t ly = std::clamp(l->ClientToLayerY(Y), 0, image->Height() - 1);
    if (image->GetAlpha(lx, ly) != 0) return i;
  }
  return -1;
}

void TImagoView::DoLayerNotify(int32_t Layer, TIELayerEvent Event) {
  if (OnLayerNotify) OnLayerNotify(this, Layer, Event);
}

TRect TImagoView::LayerGripRect(int32_t Grip) const {
  const TIELayer* l = CurrentLayer();
  if (!l) return TRect{0, 0, 0, 0};
  const int32_t left = l->ClientLeft, top = l->ClientTop, right = l->ClientRight, bottom = l->ClientBottom;
  const int32_t mx = (left + right) / 2, my = (top + bottom) / 2;
  int32_t x = 0, y = 0;
  switch (Grip) {
    case 0: x = left; y = top; break;
    case 1: x = right; y = top; break;
    case 2: x = right; y = bottom; break;
    case 3: x = left; y = bottom; break;
    case 4: x = left; y = my; break;
    case 5: x = right; y = my; break;
    case 6: x = mx; y = top; break;
    case 7: x = mx; y = bottom; break;
    default: return TRect{0, 0, 0, 0};
  }
  return TRect{x - 4, y - 4, x + 4, y + 4};
}

int32_t TImagoView::FindLayerGrip(int32_t X, int32_t Y) const {
  for (int32_t g = 0; g < 8; ++g) {
    const TRect r = LayerGripRect(g);
    if (X >= r.Left && X <= r.Right && Y >= r.Top && Y <= r.Bottom) return g + 1;
  }
  return 0;
}

void TImagoView::DrawLayerDecorations(TIEBitmap* Target) {
  TIELayer* current = CurrentLayer();
  if (!current || Target->IsEmpty()) return;
  const int32_t tw = Target->Width(), th = Target->Height();
  if (current->DrawOuter) {
    // Every other pixel outside the current layer's box, in a grey mesh.
    const TRGB shade = MakeRGBTriple(97, 97, 97);
    for (int32_t y = 0; y < th; ++y) {
      const bool row_in = y >= current->ClientTop && y < current->ClientBottom;
      for (int32_t x = (y & 1); x < tw; x += 2)
        if (!row_in || x < current->ClientLeft || x >= current->ClientRight) Target->SetRGB24(x, y, shade);
    }
  }
  auto box = [&](int32_t Index) {
    TIELayer* l = Layer(Index);
    if (OnDrawLayerBox) {
      OnDrawLayerBox(this, Target->GetPlatformBitmap(), Index);
      return;
    }
    TCanvas* c = Target->GetCanvas();
    c->Pen()->SetStyle(psDot);
    c->Pen()->SetMode(pmNot);
    c->Pen()->SetWidth(1);
    c->Brush()->SetStyle(bsClear);
    // The outline of the box as a closed line, so the dots run on round it
    // and each pixel is inverted once.
    const int32_t x0 = l->ClientLeft, y0 = l->ClientTop;
    const int32_t x1 = std::max(x0, l->ClientRight - 1), y1 = std::max(y0, l->ClientBottom - 1);
    c->Polyline({TPoint{x0, y0}, TPoint{x1, y0}, TPoint{x1, y1}, TPoint{x0, y1}, TPoint{x0, y0}});
    c->Pen()->SetMode(pmCopy);
    c->Pen()->SetStyle(psSolid);
    c->Brush()->SetStyle(bsSolid);
  };
  for (int32_t i = 0; i < LayersCount(); ++i) {
    TIELayer* l = Layer(i);
    if (!l->VisibleBox || l->IsMask) continue;
    if (i == current_layer_) {
      if (mouse_interact_.Contains(miMoveLayers) || mouse_interact_.Contains(miResizeLayers)) box(i);
      if (mouse_interact_.Contains(miResizeLayers) && !l->Locked) {
        for (int32_t g = 0; g < 8; ++g) {
          const TRect r = LayerGripRect(g);
          if (OnDrawLayerGrip) {
            OnDrawLayerGrip(this, Target->GetPlatformBitmap(), i, g, r);
            continue;
          }
          TCanvas* c = Target->GetCanvas();
          c->Pen()->SetStyle(psSolid);
          c->Pen()->SetMode(pmCopy);
          c->Pen()->SetColor(clBlack);
          c->Pen()->SetWidth(1);
          c->Brush()->SetStyle(bsSolid);
          c->Brush()->SetColor(clWhite);
          c->Rectangle(r);
        }
      }
    } else if (LayersDrawBox) {
      box(i);
    }
  }
}

// ------------------------------------------------------------ navigator

void TImagoView::SetNavigator(TImagoView* View) {
  // A view cannot navigate itself, nor a view whose navigators lead back to
  // it: each update would run round the loop for ever. Such a link is refused
  // and the present one kept.
  for (TImagoView* n = View; n; n = n->navigator_)
    if (n == this) return;
  if (navigator_) {
    navigator_->RemoveFreeNotification(this);
    navigator_->OnSelectionChanging = nullptr;
    navigator_->SetExternalBitmap(nullptr);
  }
  navigator_ = View;
  if (!View) return;
  // The navigator frames the visible part with a selection of fixed size
  // that the user drags around.
  View->AutoFit = true;
  View->SetMouseInteract(TIEMouseInteract{miSelect});
  View->SetSelectionBase(iesbBitmap);
  View->SetSelectionOptions(TIESelectionOptions{iesoMoveable, iesoCanScroll});
  View->SetExternalBitmap(ie_bitmap_);
  View->OnSelectionChanging = [this](TObject*) {
    if (navigator_) NavigatorMoved(navigator_->SelectionX1(), navigator_->SelectionY1());
  };
  View->FreeNotification(this);
  RefreshNavigator();
}

void TImagoView::PointNavigatorAt(TIEBitmap* Image) {
  // A linked navigator shows this view's current image without owning it, so
  // it follows every change of that object.
  if (navigator_ && navigator_->GetIEBitmap() != Image) navigator_->SetExternalBitmap(Image);
}

void TImagoView::RefreshNavigator() {
  if (nav_reentry_ || !navigator_) return;
  nav_reentry_ = true;
  Paint();
  const int32_t left = ScreenToImageX(off_x_), top = ScreenToImageY(off_y_);
  const int32_t right = ScreenToImageX(off_x_ + ext_x_), bottom = ScreenToImageY(off_y_ + ext_y_);
  navigator_->nav_rect_ = TRect{left, top, right, bottom};
  nav_rect_ = navigator_->nav_rect_;
  navigator_->SelectionAbsWidth = right - left;
  navigator_->SelectionAbsHeight = bottom - top;
  navigator_->SetSelectionAspect(0);
  navigator_->Select(left, top, right, bottom, 0);
  nav_reentry_ = false;
}

void TImagoView::NavigatorMoved(int32_t X1, int32_t Y1) {
  if (nav_reentry_) return;
  nav_reentry_ = true;
  // The horizontal zoom scales both axes.
  SetViewXY(RoundI(X1 * zoom_x_ / 100), RoundI(Y1 * zoom_x_ / 100));
  nav_reentry_ = false;
  RefreshNavigator();
}

// ------------------------------------------------------------ notices

void TImagoView::ImageChange() {
  if (OnImageChange) OnImageChange(this);
}

void TImagoView::ViewChange(int32_t Change) {
  if (OnViewChange) OnViewChange(this, Change);
  if (navigator_) RefreshNavigator();
}

void TImagoView::HandleMessage(uint32_t Msg, uintptr_t WParam, intptr_t LParam) {
  switch (Msg) {
    case IEM_UPDATE:
      Update();
      break;
    case IEM_NEWFRAME:
    case IEM_EVENT: {
      // Only a graph that still exists and still plays is reported: a
      // notice of a closed media file arrives harmlessly.
      const TIEDirectShow* graph = TIEDirectShow::FromNotice(LParam);
      if (!graph || !graph->HasGraph()) break;
      if (Msg == IEM_NEWFRAME) {
        if (OnDShowNewFrame) OnDShowNewFrame(this);
      } else if (OnDShowEvent) {
        OnDShowEvent(this);
      }
      break;
    }
    case IEM_PROGRESS:
      if (on_progress_) on_progress_(this, static_cast<int32_t>(WParam));
      break;
    case IEM_FINISHWORK:
      if (on_finish_) on_finish_(this);
      break;
    default:
      break;
  }
}
