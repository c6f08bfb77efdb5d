#include "imaging/io/IEAcquisition.h"

#include <algorithm>
#include <exception>
#include <mutex>
#include <unordered_set>

#include "imaging/io/IEIOTypes.h"
#include "imaging/io/formats/AVI.h"
#include "imaging/model/TIEBitmap.h"
#include "platform/Window.h"
#include "rtl/TStream.h"

RTL_DEFINE_CLASS(TIEWia, TObject)
RTL_DEFINE_CLASS(TIEDirectShow, TObject)
RTL_DEFINE_CLASS(TIETWainParams, TObject)

TIEWia::TIEWia(TImagoIO* Owner) : owner_(Owner) {}

void TIEWia::DeviceEventArrived(const std::string& EventId) {
  uint8_t kind = 0;
  if (EventId == "{C9859B91-4AB2-4CD6-A1FC-582EEC55E585}")
    kind = 1;
  else if (EventId == "{4C8F4EF5-E14F-11D2-B326-00C04F68CE61}")
    kind = 2;
  else if (EventId == "{1D22A559-E14F-11D2-B326-00C04F68CE61}")
    kind = 3;
  if (kind == 0) return;
  last_event_kind_ = kind;
  if (OnDeviceEvent) OnDeviceEvent(this, kind);
}

std::string VideoStandardsText(uint32_t Mask) {
  static constexpr struct {
    const char* name;
    uint32_t bit;
  } kStandards[] = {
      {"NTSC_M", 0x1},         {"NTSC_M_J", 0x2},      {"NTSC_433", 0x4},
      {"PAL_B", 0x10},         {"PAL_D", 0x20},        {"PAL_H", 0x80},
      {"PAL_I", 0x100},        {"PAL_M", 0x200},       {"PAL_N", 0x400},
      {"PAL_60", 0x800},       {"SECAM_B", 0x1000},    {"SECAM_D", 0x2000},
      {"SECAM_G", 0x4000},     {"SECAM_H", 0x8000},    {"SECAM_K", 0x10000},
      {"SECAM_K1", 0x20000},   {"SECAM_L", 0x40000},   {"SECAM_L1", 0x80000},
      {"PAL_N_COMBO", 0x100000},
  };
  std::string text;
  for (const auto& s : kStandards) {
    if (!(Mask & s.bit)) continue;
    if (!text.empty()) text += ' ';
    text += s.name;
  }
  return text;
}

const std::array<const char*, 36> kVideoSubtypeNames = {
    "CLPL",   "YUYV",   "IYUV",     "YVU9",     "Y411",   "Y41P", "YUY2", "YVYU", "UYVY",
    "Y211",   "YV12",   "CLJR",     "IF09",     "CPLA",   "MJPG", "TVMJ", "WAKE", "CFCC",
    "IJPG",   "Plum",   "DVCS",     "DVSD",     "MDVF",   "RGB1", "RGB4", "RGB8", "RGB565",
    "RGB555", "RGB24",  "RGB32",    "ARGB1555", "ARGB4444", "ARGB32", "AYUV", "AI44", "IA44",
};

std::string VideoFormatName(uint32_t Compression, int32_t BitCount) {
  constexpr uint32_t kRGB = 0, kBitFields = 3;
  if (Compression == kRGB) {
    switch (BitCount) {
      case 1: return "RGB1";
      case 4: return "RGB4";
      case 8: return "RGB8";
      case 16: return "RGB555";
      case 24: return "RGB24";
      case 32: return "RGB32";
      default: return "";
    }
  }
  if (Compression == kBitFields) {
    if (BitCount == 16) return "RGB565";
    if (BitCount == 32) return "RGB32";
    return "";
  }
  // The four-character codes: the YUV and compressed subtypes, and the
  // three alpha-less YUV ones at the end of the table.
  const std::string code{static_cast<char>(Compression), static_cast<char>(Compression >> 8),
                         static_cast<char>(Compression >> 16), static_cast<char>(Compression >> 24)};
  for (size_t i = 0; i < kVideoSubtypeNames.size(); ++i) {
    const bool rgb = i >= 23 && i < 33;  // "RGB1" .. "ARGB32" have no code
    if (!rgb && code == kVideoSubtypeNames[i]) return kVideoSubtypeNames[i];
  }
  return "";
}

namespace {

// The video objects alive now. A notice carries its sender's address and
// may still wait in the queue when the sender is gone; the receiver looks
// the address up here before touching the object.
std::mutex live_mutex;
std::unordered_set<const TIEDirectShow*>& LiveObjects() {
  static std::unordered_set<const TIEDirectShow*> live;
  return live;
}

}  // namespace

TIEDirectShow::TIEDirectShow() {
  std::lock_guard<std::mutex> lock(live_mutex);
  LiveObjects().insert(this);
}

TIEDirectShow::~TIEDirectShow() {
  Disconnect();
  std::lock_guard<std::mutex> lock(live_mutex);
  LiveObjects().erase(this);
}

TIEDirectShow* TIEDirectShow::FromNotice(LPARAM Param) {
  auto* object = reinterpret_cast<TIEDirectShow*>(Param);
  if (!object) return nullptr;
  std::lock_guard<std::mutex> lock(live_mutex);
  return LiveObjects().count(object) ? object : nullptr;
}

void TIEDirectShow::PostNewFrame() const {
  if (!grabber_callback_ || !notify_window_) return;
  PostMessage(notify_window_, new_frame_message_, 0, reinterpret_cast<LPARAM>(this));
}

void TIEDirectShow::PostEvent() const {
  if (!HasGraph() || !notify_window_) return;
  PostMessage(notify_window_, event_message_, 0, reinterpret_cast<LPARAM>(this));
}

bool TIEDirectShow::BuildGraph() {
  Disconnect();
  reason_ = kMediaNotAvailable;
  if (FileName.empty()) return false;
  try {
    file_ = std::make_unique<TFileStream>(FileName, fmOpenRead | fmShareDenyWrite);
  } catch (const std::exception&) {
    return false;
  }
  avi_ = std::make_unique<TIEAVIReader>();
  if (!avi_->Open(file_.get()) || avi_->FrameCount() == 0 || !avi_->Decodable()) {
    Disconnect();
    reason_ = kMediaNotAvailable;
    return false;
  }
  reason_ = "";
  frame_ = 0;
  grabber_callback_ = EnableSampleGrabber && notify_window_ != nullptr;
  return true;
}

bool TIEDirectShow::HasGraph() const { return avi_ != nullptr; }

void TIEDirectShow::Pause() {
  if (!HasGraph()) return;
  // Pausing a stopped graph cues the frame at the current position; the
  // completed state change is reported as an event.
  const bool cue = state_ == 0;
  state_ = 1;
  if (cue) PostNewFrame();
  PostEvent();
}

void TIEDirectShow::Stop() { state_ = 0; }

void TIEDirectShow::SetTimeFormat(int32_t Code) {
  if (Code >= 0 && Code <= 5) time_format_ = Code;
}

int64_t TIEDirectShow::GetAverageTimePerFrame() const {
  if (!avi_ || avi_->Rate() == 0) return 0;
  return static_cast<int64_t>(10000000.0 * avi_->Scale() / avi_->Rate());
}

int64_t TIEDirectShow::GetDuration() const {
  if (!avi_) return 0;
  if (time_format_ == 1) return avi_->FrameCount();
  if (time_format_ == 5) return GetAverageTimePerFrame() * avi_->FrameCount();
  return 0;
}

void TIEDirectShow::SetPosition(int64_t Position) {
  if (!avi_) return;
  int64_t frame = 0;
  if (time_format_ == 1) {
    frame = Position;
  } else if (time_format_ == 5) {
    const int64_t each = GetAverageTimePerFrame();
    frame = each > 0 ? Position / each : 0;
  } else {
    return;
  }
  frame_ = static_cast<int32_t>(std::clamp<int64_t>(frame, 0, avi_->FrameCount() - 1));
  // A seek in a paused graph delivers the frame at the new position.
  if (state_ != 0) PostNewFrame();
}

void TIEDirectShow::GetVideoSize(int32_t& Width, int32_t& Height, std::string& FormatName) const {
  Width = avi_ ? avi_->Width() : 0;
  Height = avi_ ? avi_->Height() : 0;
  FormatName = avi_ ? VideoFormatName(avi_->Compression(), avi_->BitCount()) : "";
}

bool TIEDirectShow::GrabFrame(TIEBitmap* Bitmap) {
  if (!avi_ || !Bitmap) return false;
  bool aborted = false;
  TIOProgressRec progress;
  progress.Aborting = &aborted;
  TIEBitmap frame;
  if (!avi_->ReadFrame(frame_, &frame, progress)) return false;
  if (frame.PixelFormat() != ieRGB24) frame.SetPixelFormat(ieRGB24);
  Bitmap->Assign(&frame);
  return true;
}

void TIEDirectShow::Disconnect() {
  state_ = 0;
  grabber_callback_ = false;
  avi_.reset();
  file_.reset();
  frame_ = 0;
}

void TIEDirectShow::SetNotifyWindow(HWND Window, uint32_t NewFrameMessage, uint32_t EventMessage) {
  notify_window_ = Window;
  new_frame_message_ = NewFrameMessage;
  event_message_ = EventMessage;
}

TIETWainParams::TIETWainParams(TImagoIO* Owner) : owner_(Owner) { Reset(); }

void TIETWainParams::Reset() {
  Capabilities.clear();
  for (TIEDoubleList& l : DoubleLists) l.Clear();
  for (TIEIntegerList& l : IntegerLists) l.Clear();
  FirstSetting = 1;
  Gamma = 2.2;
  for (std::string& t : Texts) t.clear();
  MultiImageFlags = false;
  VisibleDialog = true;
  ProgressIndicators = true;
  AcquireCount = 1;
}
