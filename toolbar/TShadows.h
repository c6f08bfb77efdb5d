#pragma once
// Soft drop shadows of popup windows: thin top-level strips along the right
// and bottom edges of a popup (and of the item it hangs off), each drawing a
// black shadow whose opacity falls off across its thickness and rounds off
// at its ends. The mouse passes through them.

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/Geometry.h"
#include "ui/TControl.h"

// Rounded ends of a strip: bit 0 the start (top or left), bit 1 the far end.
enum : uint8_t { sheStart = 1, sheEnd = 2 };
// How a strip draws: filled with the shadow colour, layered with per-pixel
// alpha, or alpha-blended onto what lies under it when it erases.
enum TShadowStyle : uint8_t { ssPlain = 0, ssLayered = 1, ssAlphaBlend = 2 };

class TShadow : public TCustomControl {
  RTL_CLASS(TShadow, TCustomControl)
 public:
  TShadow(const TRect& Rect, uint8_t Edges, bool Plain, uint8_t Opacity);
  uint8_t Opacity() const { return opacity_; }
  uint8_t Edges() const { return edges_; }
  TShadowStyle Style() const { return style_; }
  bool SaveBits() const { return saveBits_; }
  void SetSaveBits(bool v) { saveBits_ = v; }
  // Places the strip just below InsertAfter and shows it without
  // activating, moving or sizing it.
  void Show(HWND InsertAfter);
  // The strip's alpha picture, Width * Height values, rows from the top.
  std::vector<uint8_t> AlphaPicture();

  void WndProc(TMessage& Message) override;

 protected:
  // Fills Alpha (W * H, rows from the top) with the strip's picture.
  virtual void FillBuffer(std::vector<uint8_t>& Alpha, int32_t W, int32_t H) = 0;
  void CreateParams(TCreateParams& Params) override;
  void Paint() override {}

 private:
  void BlendOnto(HDC DC);
  uint8_t opacity_;
  uint8_t edges_;
  TShadowStyle style_;
  bool saveBits_ = false;
};

class THorzShadow : public TShadow {
 public:
  using TShadow::TShadow;

 protected:
  void FillBuffer(std::vector<uint8_t>& Alpha, int32_t W, int32_t H) override;
};

class TVertShadow : public TShadow {
 public:
  using TShadow::TShadow;

 protected:
  void FillBuffer(std::vector<uint8_t>& Alpha, int32_t W, int32_t H) override;
};

// The strips of one popup: V1, H1, V2, H2, V3, H3 (each may be absent).
class TShadows {
 public:
  // Size is halved on screens with few colours (Plain) and when the
  // platform cannot blend.
  TShadows(const TRect& ParentItemRect, const TRect& PopupRect, int32_t Size, uint8_t Opacity, bool Plain);
  ~TShadows();
  TShadows(const TShadows&) = delete;
  TShadows& operator=(const TShadows&) = delete;
  // Shows every strip below the popup window, V1 first.
  void Show(HWND PopupWindow);
  enum { V1, H1, V2, H2, V3, H3 };
  TShadow* Strip(int32_t Index) const { return strips_[size_t(Index)]; }
  bool SaveBits() const { return saveBits_; }

 private:
  std::array<TShadow*, 6> strips_{};
  bool saveBits_ = false;
};
