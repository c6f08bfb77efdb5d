#include "imaging/io/IEAcquisition.h"

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

void TIEDirectShow::SetTimeFormat(int32_t Code) {
  if (Code >= 0 && Code <= 5) time_format_ = Code;
}

void TIEDirectShow::GetVideoSize(int32_t& Width, int32_t& Height, std::string& FormatName) const {
  Width = 0;
  Height = 0;
  FormatName.clear();
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
