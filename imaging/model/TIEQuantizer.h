// Builds a palette of at most N colours for an image and maps colours to
// palette indexes: the image's own palette, a grey ramp, its exact colours
// when there are few enough, else median cut (below 128 colours) or the
// NeuQuant network (from 128 colours on).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/model/IEPixelTypes.h"
#include "rtl/TObject.h"

class TIEBitmap;

class TIEQuantizer : public TObject {
 public:
  // The largest palette built (the colour reduction's upper count); N is
  // held to 1..kMaxColors.
  static constexpr int32_t kMaxColors = 1024;
  // Fills Palette (N entries) for Image. Quality -1 lets NeuQuant choose its
  // sampling factor from the image size; 0..100 sets it.
  TIEQuantizer(TIEBitmap* Image, int32_t N, TRGB* Palette, int32_t Quality);
  ~TIEQuantizer() override;
  // Always an index into the N-entry palette: a colour missing from an exact
  // list or from an image palette maps to the nearest entry.
  int32_t RGBToIndex(const TRGB& Colour) const;
  // 0 NeuQuant, 1 median cut.
  int32_t Method() const { return method_; }
  bool IsGrey() const { return grey_; }
  bool HasExactColors() const { return exact_ != nullptr; }

  struct MedianCut;
  struct NeuQuant;

 private:
  int32_t method_ = -1;
  bool grey_ = false;
  bool own_palette_ = false;  // Palette is the image's own
  int32_t n_ = 0;
  TIEBitmap* image_ = nullptr;
  std::unique_ptr<std::vector<TRGB>> exact_;
  // The exact colours by value: slots of packed colour + 1 (0 is free) and
  // their indexes, so that mapping a pixel is one probe, not a search.
  std::vector<uint32_t> exact_keys_;
  std::vector<uint16_t> exact_slots_;
  std::unique_ptr<MedianCut> median_;
  std::unique_ptr<NeuQuant> neuquant_;
  std::vector<TRGB> palette_;  // what was handed out, for nearest-entry answers
};
