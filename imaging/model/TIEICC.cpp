#include "imaging/model/TIEICC.h"

#include <lcms2.h>

#include <cstring>

#include "platform/SharedLibrary.h"

namespace {

// The engine's buffer layout for each pixel-format code; 0 when none.
cmsUInt32Number EngineFormat(int32_t Code) {
  switch (Code) {
    case iccRGB8: return TYPE_RGB_8;
    case iccBGR8: return TYPE_BGR_8;
    case iccCMYKInv8: return TYPE_CMYK_8_REV;
    case iccCMYK8: return TYPE_CMYK_8;
    // The a and b bytes are turned into the engine's offset form first.
    case iccLab8: return TYPE_Lab_8;
    case iccGray8: return TYPE_GRAY_8;
    case iccRGB16LE: return TYPE_RGB_16;
    case iccRGB16BE: return TYPE_RGB_16_SE;
    case iccThreeChannel8: return COLORSPACE_SH(PT_MCH3) | CHANNELS_SH(3) | BYTES_SH(1);
    default: return 0;
  }
}

int32_t BytesPerPixel(int32_t Code) {
  switch (Code) {
    case iccCMYKInv8:
    case iccCMYK8: return 4;
    case iccGray8: return 1;
    case iccRGB16LE:
    case iccRGB16BE: return 6;
    default: return 3;
  }
}

// Signed a and b bytes <-> the engine's 8-bit Lab, where 128 is neutral.
void FlipLabSign(uint8_t* Row, int32_t Count) {
  for (int32_t i = 0; i < Count; ++i) {
    Row[i * 3 + 1] ^= 0x80;
    Row[i * 3 + 2] ^= 0x80;
  }
}

// The colour engine, opened when the first profile is (platform/
// SharedLibrary.h): most pictures carry none, and the program's start does
// not pay for it. Null when it cannot be opened: profiles then stay invalid
// and no transform is made, as for a profile the engine refuses.
struct TLcms {
  decltype(&::cmsSetLogErrorHandler) SetLogErrorHandler = nullptr;
  decltype(&::cmsOpenProfileFromMem) OpenProfileFromMem = nullptr;
  decltype(&::cmsCreate_sRGBProfile) Create_sRGBProfile = nullptr;
  decltype(&::cmsCloseProfile) CloseProfile = nullptr;
  decltype(&::cmsCreateTransform) CreateTransform = nullptr;
  decltype(&::cmsDeleteTransform) DeleteTransform = nullptr;
  decltype(&::cmsDoTransform) DoTransform = nullptr;
};

const TLcms* Lcms() {
  static const TLcms* api = []() -> const TLcms* {
    static TSharedLibrary lib({"liblcms2.so.2"});
    static TLcms l;
    if (!(lib.Bind(l.SetLogErrorHandler, "cmsSetLogErrorHandler") &&
          lib.Bind(l.OpenProfileFromMem, "cmsOpenProfileFromMem") &&
          lib.Bind(l.Create_sRGBProfile, "cmsCreate_sRGBProfile") && lib.Bind(l.CloseProfile, "cmsCloseProfile") &&
          lib.Bind(l.CreateTransform, "cmsCreateTransform") && lib.Bind(l.DeleteTransform, "cmsDeleteTransform") &&
          lib.Bind(l.DoTransform, "cmsDoTransform")))
      return nullptr;
    // The engine reports through a log handler; its failures come back as
    // null handles, which the callers test.
    l.SetLogErrorHandler([](cmsContext, cmsUInt32Number, const char*) {});
    return &l;
  }();
  return api;
}

}  // namespace

TIEICC::~TIEICC() { Clear(); }

void TIEICC::Close() {
  FreeTransform();
  if (profile_) Lcms()->CloseProfile(static_cast<cmsHPROFILE>(profile_));
  profile_ = nullptr;
  in_format_ = out_format_ = -1;
}

void TIEICC::Clear() {
  Close();
  raw_.clear();
  applied_ = false;
}

void TIEICC::FreeTransform() {
  if (transform_) Lcms()->DeleteTransform(static_cast<cmsHTRANSFORM>(transform_));
  transform_ = nullptr;
}

void TIEICC::LoadFromBuffer(const void* Data, int64_t Size) {
  Clear();
  if (!Data || Size <= 0) return;
  const auto* b = static_cast<const uint8_t*>(Data);
  raw_.assign(b, b + Size);
  if (Size <= 0xFFFFFFFFll && Lcms())
    profile_ = Lcms()->OpenProfileFromMem(raw_.data(), static_cast<cmsUInt32Number>(raw_.size()));
}

void TIEICC::Assign(const TIEICC* Source) {
  if (!Source || Source == this) return;
  if (Source->raw_.empty()) {
    Clear();
    // A built-in profile has no bytes: open the same one.
    if (Source->IsValid()) LoadSRGB();
    return;
  }
  LoadFromBuffer(Source->raw_.data(), Source->RawLength());
}

void TIEICC::LoadSRGB() {
  Clear();
  if (Lcms()) profile_ = Lcms()->Create_sRGBProfile();
}

bool TIEICC::TransformRow(TIEICC* Destination, int32_t InFormat, int32_t OutFormat,
                          const void* Source, void* Target, int32_t Count) {
  if (!Destination || !IsValid() || !Destination->IsValid() || Count <= 0) return false;
  const cmsUInt32Number in = EngineFormat(InFormat), out = EngineFormat(OutFormat);
  if (!in || !out) return false;
  if (transform_ && (in_format_ != InFormat || out_format_ != OutFormat)) FreeTransform();
  if (!transform_) {
    transform_ = Lcms()->CreateTransform(static_cast<cmsHPROFILE>(profile_), in,
                                    static_cast<cmsHPROFILE>(Destination->profile_), out,
                                    INTENT_PERCEPTUAL, 0);
    if (!transform_) return false;
    in_format_ = InFormat;
    out_format_ = OutFormat;
  }
  const size_t in_bytes = static_cast<size_t>(Count) * BytesPerPixel(InFormat);
  std::vector<uint8_t> lab;
  const void* src = Source;
  if (InFormat == iccLab8) {
    lab.assign(static_cast<const uint8_t*>(Source), static_cast<const uint8_t*>(Source) + in_bytes);
    FlipLabSign(lab.data(), Count);
    src = lab.data();
  }
  Lcms()->DoTransform(static_cast<cmsHTRANSFORM>(transform_), src, Target,
                 static_cast<cmsUInt32Number>(Count));
  if (OutFormat == iccLab8) FlipLabSign(static_cast<uint8_t*>(Target), Count);
  applied_ = true;
  return true;
}

bool IsRemoteSession() { return false; }
