// TIEICC: one ICC colour profile and row conversions from it to another
// holder's profile, through the lcms2 colour engine. The parameter record
// keeps two: the profile found in a file and the default (sRGB) one.
#pragma once

#include <cstdint>
#include <vector>

#include "rtl/TObject.h"

// Pixel-format codes of TransformRow.
enum : int32_t {
  iccRGB8 = 0,        // bytes red, green, blue
  iccBGR8 = 1,        // bytes blue, green, red (the image's own order)
  iccCMYKInv8 = 2,    // four bytes of inverted ink (255 = no ink)
  iccCMYK8 = 3,       // four bytes of ink
  iccLab8 = 4,        // L (0..100 scaled to 0..255), a and b as signed bytes
  iccGray8 = 5,       // one grey byte
  iccRGB16LE = 6,     // three 16-bit little-endian words
  iccRGB16BE = 7,     // three 16-bit big-endian words
  iccThreeChannel8 = 8  // three bytes of any three-channel space
};

class TIEICC : public TObject {
 public:
  TIEICC() = default;
  ~TIEICC() override;
  TIEICC(const TIEICC&) = delete;
  TIEICC& operator=(const TIEICC&) = delete;

  // Keeps a copy of the bytes and opens them; an unreadable profile leaves
  // the holder invalid (the bytes are kept).
  void LoadFromBuffer(const void* Data, int64_t Size);
  void Assign(const TIEICC* Source);
  // The sRGB profile the colour engine builds itself; no bytes are kept.
  void LoadSRGB();
  bool IsValid() const { return profile_ != nullptr; }
  void Clear();
  void FreeTransform();
  // A colour transform is cached from the last rows converted.
  bool HoldsTransform() const { return transform_ != nullptr; }

  const uint8_t* Raw() const { return raw_.data(); }
  int64_t RawLength() const { return static_cast<int64_t>(raw_.size()); }

  // A row has gone through this profile since it was last cleared.
  bool Applied() const { return applied_; }
  void SetApplied(bool Value) { applied_ = Value; }

  // Converts Count pixels of Source (InFormat) into Target (OutFormat)
  // through this profile and Destination's; false when the two cannot be
  // combined for those formats. Source is not changed.
  bool TransformRow(TIEICC* Destination, int32_t InFormat, int32_t OutFormat, const void* Source,
                    void* Target, int32_t Count);

 private:
  void Close();

  std::vector<uint8_t> raw_;
  void* profile_ = nullptr;    // cmsHPROFILE
  void* transform_ = nullptr;  // cmsHTRANSFORM
  int32_t in_format_ = -1, out_format_ = -1;
  bool applied_ = false;
};

// True when the program runs in a remote desktop session; this platform has
// none.
bool IsRemoteSession();
