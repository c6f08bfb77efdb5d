#include "imaging/view/TIETransitionEffects.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "imaging/model/IEPixelTypes.h"
#include "imaging/model/RenderEngine.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/view/TImagoMView.h"
#include "imaging/view/TImagoView.h"
#include "imaging/view/TransitionDrawing.h"
#include "imaging/view/TransitionEffectTable.h"
#include "platform/Window.h"
#include "rtl/Numeric.h"
#include "ui/TColor.h"
#include "ui/TTimer.h"

namespace {

TRGB* Row(TIEBitmap* b, int32_t y) { return TransitionRow(b, y); }

// The back buffer of the owner view, which its next paint copies unchanged
// into the window; null for a view that keeps none.
TIEBitmap* OwnerBackBuffer(TIEView* Owner) {
  if (auto* single = dynamic_cast<TImagoView*>(Owner)) return single->BackBuffer();
  if (auto* thumbnails = dynamic_cast<TImagoMView*>(Owner)) return thumbnails->BackBuffer();
  return nullptr;
}

// The owner's background colour as a pixel; black without an owner.
TRGB BackgroundTriple(const TIEView* Owner) {
  if (!Owner) return MakeRGBTriple(0, 0, 0);
  const TColor c = ColorToRGB(Owner->Background());
  return MakeRGBTriple(static_cast<uint8_t>(c & 0xFF), static_cast<uint8_t>((c >> 8) & 0xFF),
                       static_cast<uint8_t>((c >> 16) & 0xFF));
}

void CopyRect(TIEBitmap* From, TIEBitmap* To, int32_t X, int32_t Y, int32_t W, int32_t H, int32_t ToX,
              int32_t ToY) {
  TransitionCopy(From, To, X, Y, W, H, ToX, ToY);
}

// The whole of From stretched (halftone) into (X, Y, W, H) of To.
void Stretch(TIEBitmap* From, TIEBitmap* To, int32_t X, int32_t Y, int32_t W, int32_t H) {
  TransitionStretch(From, To, TRect{0, 0, From->Width(), From->Height()}, TRect{X, Y, X + W, Y + H});
}

TRGB Mix(const TRGB& a, const TRGB& b, int32_t s) {
  // (a x (1024 - s) + b x s) >> 10
  return TRGB{static_cast<uint8_t>((a.b * (1024 - s) + b.b * s) >> 10),
              static_cast<uint8_t>((a.g * (1024 - s) + b.g * s) >> 10),
              static_cast<uint8_t>((a.r * (1024 - s) + b.r * s) >> 10)};
}

}  // namespace

const char* TransitionEffectName(TIETransitionType Code) {
  if (Code == iettNone || Code > 163) return "";
  return TransitionEffectTable[Code - 1].Name;
}

bool TransitionEffectHasDrawing(TIETransitionType Code) {
  if (Code == iettNone || Code > iettPanZoom) return false;
  return Code <= 30 || Code == iettPanZoom || TransitionEffectTable[Code - 1].Proc != nullptr;
}

int32_t TransitionStep(uint32_t Elapsed, int32_t Duration, uint8_t Timing) {
  if (Duration <= 0) return 1024;
  const double t = static_cast<double>(Elapsed) / Duration;
  double v;
  switch (Timing) {
    case iettExponential: v = std::exp(t * 5 - 2.718) / 10 * 1024; break;
    case iettLogarithmic:
      // ln is undefined at 0 and below zero for t under about 0.0066: the
      // curve starts at step 0 there.
      v = t <= 0 ? 0 : (std::log(t * 10) + 2.718) / 5 * 1024;
      break;
    default: v = t * 1024; break;
  }
  return std::clamp(static_cast<int32_t>(std::trunc(v)), 0, 1024);
}

TTransitionExtents TransitionExtents(int32_t W, int32_t H, int32_t Step, int32_t Percent) {
  TTransitionExtents e{W, H, 0, 0, 1};
  const int32_t L = std::max(W, H), S = std::min(W, H);
  if (L <= 0) return e;
  const int32_t along_l = MulDiv(L, Percent, 100);
  const int32_t along_s = MulDiv(along_l, S, L);
  e.DX = W >= H ? along_l : along_s;
  e.DY = W >= H ? along_s : along_l;
  // Small pictures still get a unit of one pixel (bands of zero height
  // would reveal nothing).
  e.Unit = std::max(1, MulDiv(L, Step, 90));
  return e;
}

TIETransitionEffects::TIETransitionEffects(TIEView* Owner)
    : owner_(Owner),
      source_(std::make_unique<TIEBitmap>()),
      target_(std::make_unique<TIEBitmap>()),
      frame_(std::make_unique<TIEBitmap>()) {
  for (TIEBitmap* b : {source_.get(), target_.get(), frame_.get()}) b->Allocate(1, 1, ieRGB24);
  // The engine owns its timer (the view's components are freed before the
  // view's own members, and the timer calls back into the engine).
  timer_ = new TTimer(nullptr);
  timer_->SetEnabled(false);
  timer_->SetInterval(1);
  timer_->OnTimer = [this](TObject*) { TimerTick(); };
}

TIETransitionEffects::~TIETransitionEffects() {
  // The timer calls back into this object: it goes with it.
  timer_->Free();
}

void TIETransitionEffects::Start(TIEBitmap* Source, TIEBitmap* Target, TIETransitionType Effect,
                                 int32_t Duration, uint8_t Timing, bool UpdateAtEnd) {
  if (running_ || !Source || !Target || Effect == iettNone || Effect >= iettPanZoom) return;
  if (Source->Width() != Target->Width() || Source->Height() != Target->Height() ||
      Source->Width() <= 0 || Source->Height() <= 0)
    return;
  source_->Assign(Source);
  source_->SetPixelFormat(ieRGB24);
  target_->Assign(Target);
  target_->SetPixelFormat(ieRGB24);
  frame_->Allocate(Source->Width(), Source->Height(), ieRGB24);
  Begin(Effect, Duration, Timing, UpdateAtEnd);
}

void TIETransitionEffects::StartPanZoom(TIEBitmap* Image, const TRect& From, const TRect& To, int32_t Width,
                                        int32_t Height, int32_t Duration, uint8_t Timing, bool UpdateAtEnd) {
  if (running_ || !Image || Image->Width() <= 0 || Image->Height() <= 0 || Width <= 0 || Height <= 0) return;
  pan_zoom_image_ = Image;
  start_rect_ = From;
  end_rect_ = To;
  frame_->Allocate(Width, Height, ieRGB24);
  // The source and the target are the first and the last frame (the target
  // goes onto the view at the end when asked).
  DrawPanZoom(0);
  source_->Assign(frame_.get());
  DrawPanZoom(1024);
  target_->Assign(frame_.get());
  frame_->Assign(source_.get());
  Begin(iettPanZoom, Duration, Timing, UpdateAtEnd);
}

void TIETransitionEffects::Begin(TIETransitionType Effect, int32_t Duration, uint8_t Timing, bool UpdateAtEnd) {
  effect_ = Effect;
  duration_ = Duration;
  timing_ = Timing;
  update_at_end_ = UpdateAtEnd;
  start_time_ = GetTickCount();
  step_ = 0;
  effect_state_ = 0;
  frame_count_ = 0;
  if (owner_) owner_->LockUpdate();
  running_ = true;
  timer_->SetEnabled(true);
}

void TIETransitionEffects::Stop() {
  if (!running_ || effect_ == iettNone) return;
  timer_->SetEnabled(false);
  running_ = false;
  for (TIEBitmap* b : {source_.get(), target_.get(), frame_.get()}) b->Allocate(1, 1, ieRGB24);
  pan_zoom_image_ = nullptr;
  if (owner_) {
    owner_->UnlockUpdateNoRepaint();
    if (update_at_end_) owner_->Update();
  }
  if (OnStop) OnStop(owner_);
}

void TIETransitionEffects::TimerTick() {
  if (!running_) return;
  ++frame_count_;
  DrawFrame(step_);
  ShowFrame();
  const uint32_t elapsed = GetTickCount() - start_time_;
  if (static_cast<int64_t>(elapsed) >= duration_) {
    if (update_at_end_) {
      frame_->Assign(target_.get());
      ShowFrame();
    }
    Stop();
    return;
  }
  step_ = TransitionStep(elapsed, duration_, timing_);
}

void TIETransitionEffects::ShowFrame() {
  // The frame goes into the view's back buffer, which the next paint copies
  // unchanged into the window.
  if (!owner_ || !owner_->HandleAllocated()) return;
  TIEBitmap* back = OwnerBackBuffer(owner_);
  if (!back || back->Width() <= 1 || back->PixelFormat() != ieRGB24) return;
  const int32_t w = std::min(back->Width(), frame_->Width());
  const int32_t h = std::min(back->Height(), frame_->Height());
  CopyRect(frame_.get(), back, 0, 0, w, h, 0, 0);
  InvalidateRect(owner_->Handle(), nullptr, false);
}

void TIETransitionEffects::DrawFrame(int32_t s) {
  if (effect_ <= 30) DrawBuiltIn(s);
  else if (effect_ == iettPanZoom) DrawPanZoom(s);
  else DrawTableEffect(s);
}

void TIETransitionEffects::DrawBuiltIn(int32_t s) {
  TIEBitmap *src = source_.get(), *tgt = target_.get(), *frm = frame_.get();
  const int32_t W = frm->Width(), H = frm->Height();
  auto source_first = [&] {
    if (s == 0) frm->Assign(src);
  };
  const TRGB bg = BackgroundTriple(owner_);
  auto fade = [&](int32_t mode, int32_t st) {
    for (int32_t y = 0; y < H; ++y) {
      TRGB *f = Row(frm, y), *a = Row(src, y), *b = Row(tgt, y);
      for (int32_t x = 0; x < W; ++x)
        f[x] = mode == 1 ? Mix(a[x], b[x], st) : mode == 2 ? Mix(a[x], bg, st) : Mix(bg, b[x], st);
    }
  };
  auto red_line = [&](int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    for (int32_t y = std::max(0, y0); y <= std::min(H - 1, y1); ++y)
      for (int32_t x = std::max(0, x0); x <= std::min(W - 1, x1); ++x) Row(frm, y)[x] = MakeRGBTriple(255, 0, 0);
  };
  switch (effect_) {
    case 1: fade(1, s); break;
    case 2: fade(2, s); break;
    case 3: fade(3, s); break;
    case 4: s < 512 ? fade(2, 2 * s) : fade(3, 2 * s - 1024); break;
    case 5:
    case 6: {
      source_first();
      const int32_t x = s * W >> 10;
      CopyRect(tgt, frm, 0, 0, x, H, 0, 0);
      if (effect_ == 6) red_line(x, 0, x, H - 1);
      break;
    }
    case 7:
    case 8: {
      source_first();
      const int32_t x = static_cast<int32_t>(Round(W * (1024 - s) / 1024.0));
      CopyRect(tgt, frm, x, 0, static_cast<int32_t>(Round(s * W / 1024.0)), H, x, 0);
      if (effect_ == 8) red_line(x, 0, x, H - 1);
      break;
    }
    case 9:
    case 10: {
      source_first();
      const int32_t h = static_cast<int32_t>(Round(s * H / 1024.0));
      CopyRect(tgt, frm, 0, 0, W, h, 0, 0);
      if (effect_ == 10) red_line(0, h, W - 1, h);
      break;
    }
    case 11:
    case 12: {
      source_first();
      const int32_t y = static_cast<int32_t>(Round(H * (1024 - s) / 1024.0));
      CopyRect(tgt, frm, 0, y, W, static_cast<int32_t>(Round(s * H / 1024.0)), 0, y);
      if (effect_ == 12) red_line(0, y, W - 1, y);
      break;
    }
    case 13:
    case 14:
    case 15:
    case 16: {
      source_first();
      const int32_t dx = (1024 - s) * W >> 10, dy = (1024 - s) * H >> 10;
      const int32_t x = effect_ == 13 || effect_ == 15 ? -dx : dx;
      const int32_t y = effect_ <= 14 ? -dy : dy;
      CopyRect(tgt, frm, 0, 0, W, H, x, y);
      break;
    }
    case 17:
    case 18:
    case 19:
    case 20:
      for (int32_t y = 0; y < H; ++y) {
        TRGB *f = Row(frm, y), *a = Row(src, y), *b = Row(tgt, y);
        if (effect_ <= 18) {
          const int32_t c = s * W >> 10;
          std::memmove(f + c, a, static_cast<size_t>(W - c) * 3);
          std::memcpy(f, effect_ == 17 ? b + (W - c) : b, static_cast<size_t>(c) * 3);
        } else {
          const int32_t c = (1024 - s) * W >> 10;
          std::memcpy(f, effect_ == 19 ? a + (W - c) : a, static_cast<size_t>(c) * 3);
          std::memcpy(f + c, b, static_cast<size_t>(W - c) * 3);
        }
      }
      break;
    case 21:
    case 22:
    case 23:
    case 24:
      for (int32_t i = 0; i < H; ++i) {
        TRGB* f = Row(frm, i);
        const TRGB* from;
        if (effect_ <= 22) {
          const int32_t k = s * H >> 10;
          from = i < k ? Row(tgt, effect_ == 21 ? H - k + i : i) : Row(src, i - k);
        } else {
          const int32_t k = (1024 - s) * H >> 10;
          from = i < k ? Row(src, H - k + i) : Row(tgt, effect_ == 23 ? i - k : i);
        }
        std::memcpy(f, from, static_cast<size_t>(W) * 3);
      }
      break;
    case 25: {
      if (s == 0) {
        frm->Assign(src);
        effect_state_ = 0;
        break;
      }
      const int32_t n = static_cast<int32_t>(Round(s * W * (s / 180.0) / 1024));
      for (int32_t y = 0; y < H; ++y) {
        TRGB *f = Row(frm, y), *b = Row(tgt, y);
        for (int32_t i = effect_state_; i < n; ++i) {
          const int32_t x = TransitionRandom(W);
          f[x] = b[x];
        }
      }
      effect_state_ = n;
      break;
    }
    case 26: {
      source_first();
      if (s == 0) {
        effect_state_ = 0;
        break;
      }
      const int32_t n = static_cast<int32_t>(Round(s * ((W * H) / 64) * (s / 180.0) / 1024));
      for (int32_t i = effect_state_; i < n; ++i) {
        const int32_t x = TransitionRandom(W) / 8 * 8, y = TransitionRandom(H) / 8 * 8;
        CopyRect(tgt, frm, x, y, 8, 8, x, y);
      }
      effect_state_ = n;
      break;
    }
    case 27:
    case 28:
    case 29:
    case 30: {
      const int32_t k = effect_ == 27 || effect_ == 29 ? s : 1024 - s;
      const int32_t w = k * W >> 10, h = k * H >> 10;
      const int32_t x = W / 2 - (k * (W / 2) >> 10), y = H / 2 - (k * (H / 2) >> 10);
      if (effect_ == 27 || effect_ == 29) source_first();
      else frm->Assign(tgt);
      if (effect_ == 27) CopyRect(tgt, frm, x, y, w, h, x, y);
      else if (effect_ == 28) CopyRect(src, frm, x, y, w, h, x, y);
      else Stretch(effect_ == 29 ? tgt : src, frm, x, y, w, h);
      break;
    }
    default: break;
  }
}

void TIETransitionEffects::DrawTableEffect(int32_t s) {
  if (s == 0) {
    frame_->Assign(source_.get());
    return;
  }
  if (effect_ == iettNone || effect_ > 163) return;
  const TEffectProc proc = TransitionEffectTable[effect_ - 1].Proc;
  if (!proc) return;
  const int32_t percent = static_cast<int32_t>(Round(s / 1024.0 * 100));
  proc(frame_.get(), source_.get(), target_.get(), TRect{0, 0, frame_->Width(), frame_->Height()}, 1, percent);
}

void TIETransitionEffects::DrawPanZoom(int32_t s) {
  TIEBitmap* img = pan_zoom_image_;
  TIEBitmap* frm = frame_.get();
  if (!img) return;
  // Each coordinate between its start and end value (64 bits: the caller's
  // rectangles may span the whole integer range).
  auto at = [s](int32_t a, int32_t b) {
    return Trunc(a - s * (static_cast<double>(a) - static_cast<double>(b)) / 1024);
  };
  const int64_t l = at(start_rect_.Left, end_rect_.Left), t = at(start_rect_.Top, end_rect_.Top);
  const int64_t r = at(start_rect_.Right, end_rect_.Right), b = at(start_rect_.Bottom, end_rect_.Bottom);
  const int64_t sw = r - l, sh = b - t;
  const int64_t W = frm->Width(), H = frm->Height();
  if (sw <= 0 || sh <= 0) return;
  // What lies outside the image is cut off; the destination shrinks in
  // proportion.
  const int64_t cl = std::max<int64_t>(l, 0), ct = std::max<int64_t>(t, 0);
  const int64_t cr = std::min<int64_t>(r, img->Width()), cb = std::min<int64_t>(b, img->Height());
  const bool clipped = cl != l || ct != t || cr != r || cb != b;
  const TRect cut{static_cast<int32_t>(cl), static_cast<int32_t>(ct), static_cast<int32_t>(std::max(cl, cr)),
                  static_cast<int32_t>(std::max(ct, cb))};
  // In long double: a cut part times the frame side may pass 64 bits.
  auto part = [](int64_t Cut, int64_t Side, int64_t Whole) {
    return static_cast<int64_t>(static_cast<long double>(Cut) * Side / Whole);
  };
  const TRect dest{static_cast<int32_t>(part(cl - l, W, sw)), static_cast<int32_t>(part(ct - t, H, sh)),
                   static_cast<int32_t>(W - part(r - std::max(cl, cr), W, sw)),
                   static_cast<int32_t>(H - part(b - std::max(ct, cb), H, sh))};
  if (clipped) {
    // The single-image view paints its whole background; other views fill
    // with their background colour; without a view the frame is black.
    if (auto* single = dynamic_cast<TImagoView*>(owner_)) {
      single->DrawBackgroundToCanvas(frm->GetCanvas());
    } else {
      const TRGB bg = BackgroundTriple(owner_);
      for (int32_t y = 0; y < frm->Height(); ++y) std::fill_n(Row(frm, y), frm->Width(), bg);
    }
  }
  if (cut.Width() <= 0 || cut.Height() <= 0 || dest.Width() <= 0 || dest.Height() <= 0) return;
  RenderToTIEBitmap(img, frm, dest.Left, dest.Top, dest.Width(), dest.Height(), cut.Left, cut.Top, cut.Width(),
                    cut.Height());
}
