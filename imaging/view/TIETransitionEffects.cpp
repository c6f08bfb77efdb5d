#include "imaging/view/TIETransitionEffects.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <random>

#include "imaging/model/IEPixelTypes.h"
#include "imaging/model/RenderEngine.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/view/TImagoView.h"
#include "platform/Window.h"
#include "rtl/Numeric.h"
#include "ui/TColor.h"
#include "ui/TTimer.h"

namespace {

struct TEffectName {
  TIETransitionType Code;
  const char* Name;
};

// Codes 1..30 and the table effects drawn here.
constexpr TEffectName kNames[] = {
    {1, "Cross Fade"}, {2, "Fade Out"}, {3, "Fade In"}, {4, "Fade Out then In"},
    {5, "Wipe Left to Right"}, {6, "Wipe Left to Right 2"}, {7, "Wipe Right to Left"},
    {8, "Wipe Right to Left 2"}, {9, "Wipe Top to Bottom"}, {10, "Wipe Top to Bottom 2"},
    {11, "Wipe Bottom to Top"}, {12, "Wipe Bottom to Top 2"}, {13, "Slide from Top Left"},
    {14, "Slide from Top Right"}, {15, "Slide from Bottom Left"}, {16, "Slide from Bottom Right"},
    {17, "Push Left to Right"}, {18, "Slide Out Left to Right"}, {19, "Push Right to Left"},
    {20, "Slide Out Right to Left"}, {21, "Push Top to Bottom"}, {22, "Slide Out Top to Bottom"},
    {23, "Push Bottom to Top"}, {24, "Slide Out Bottom to Top"}, {25, "Random Points"},
    {26, "Random Boxes"}, {27, "Wipe Out from Center"}, {28, "Wipe In to Center"},
    {29, "Expand Out from Center"}, {30, "Expand In to Center"},
    {31, "Expand from Left"}, {32, "Expand from Right"}, {33, "Expand from Top"},
    {34, "Expand from Bottom"}, {35, "Expand from Top Left"}, {36, "Expand from Top Right"},
    {37, "Expand from Bottom Left"}, {38, "Expand from Bottom Right"},
    {49, "Wipe from Top Left"}, {50, "Wipe from Top Right"}, {51, "Wipe from Bottom Left"},
    {52, "Wipe from Bottom Right"}, {53, "Wipe from Horizon"}, {54, "Wipe in from Sides"},
    {55, "Wipe out from Vertical Center"}, {64, "Slide in from Left"},
    {65, "Slide in from Right"}, {66, "Slide in from Top"}, {67, "Slide in from Bottom"},
    {131, "Wipe diagonal from Top Left"}, {132, "Wipe diagonal from Top Right"},
    {133, "Wipe diagonal from Bottom Left"}, {134, "Wipe diagonal from Bottom Right"},
    {137, "Sweep Clockwise"}, {138, "Sweep Counter-Clockwise"},
    {146, "Push Left and Slide out"}, {147, "Push Right and Slide out"},
    {148, "Push up and Slide out"}, {149, "Push down and Slide out"},
    {154, "Horizontal Blinds"}, {155, "Vertical Blinds"}};

TRGB* Row(TIEBitmap* b, int32_t y) { return reinterpret_cast<TRGB*>(b->GetScanline(y)); }

void CopyRect(TIEBitmap* From, TIEBitmap* To, int32_t X, int32_t Y, int32_t W, int32_t H,
              int32_t ToX, int32_t ToY) {
  // Clipped to both pictures.
  for (int32_t y = 0; y < H; ++y) {
    const int32_t sy = Y + y, dy = ToY + y;
    if (sy < 0 || dy < 0 || sy >= From->Height() || dy >= To->Height()) continue;
    TRGB* s = Row(From, sy);
    TRGB* d = Row(To, dy);
    for (int32_t x = 0; x < W; ++x) {
      const int32_t sx = X + x, dx = ToX + x;
      if (sx < 0 || dx < 0 || sx >= From->Width() || dx >= To->Width()) continue;
      d[dx] = s[sx];
    }
  }
}

void Stretch(TIEBitmap* From, TIEBitmap* To, int32_t X, int32_t Y, int32_t W, int32_t H) {
  if (W <= 0 || H <= 0) return;
  RenderToTIEBitmap(From, To, X, Y, W, H, 0, 0, From->Width(), From->Height());
}

TRGB Mix(const TRGB& a, const TRGB& b, int32_t s) {
  // (a x (1024 - s) + b x s) >> 10
  return TRGB{static_cast<uint8_t>((a.b * (1024 - s) + b.b * s) >> 10),
              static_cast<uint8_t>((a.g * (1024 - s) + b.g * s) >> 10),
              static_cast<uint8_t>((a.r * (1024 - s) + b.r * s) >> 10)};
}

std::minstd_rand& Rng() {
  static std::minstd_rand rng{std::random_device{}()};
  return rng;
}

}  // namespace

const char* TransitionEffectName(TIETransitionType Code) {
  for (const TEffectName& n : kNames)
    if (n.Code == Code) return n.Name;
  return "";
}

bool TransitionEffectHasDrawing(TIETransitionType Code) {
  return Code != iettNone && *TransitionEffectName(Code) != '\0';
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

TIETransitionEffects::TIETransitionEffects(TImagoView* Owner)
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
  if (running_ || !Source || !Target || Effect == iettNone || Effect == iettPanZoom) return;
  if (Source->Width() != Target->Width() || Source->Height() != Target->Height() ||
      Source->Width() <= 0 || Source->Height() <= 0)
    return;
  source_->Assign(Source);
  source_->SetPixelFormat(ieRGB24);
  target_->Assign(Target);
  target_->SetPixelFormat(ieRGB24);
  frame_->Allocate(Source->Width(), Source->Height(), ieRGB24);
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
  TIEBitmap* back = owner_->BackBuffer();
  if (!back || back->Width() <= 1 || back->PixelFormat() != ieRGB24) return;
  const int32_t w = std::min(back->Width(), frame_->Width());
  const int32_t h = std::min(back->Height(), frame_->Height());
  CopyRect(frame_.get(), back, 0, 0, w, h, 0, 0);
  InvalidateRect(owner_->Handle(), nullptr, false);
}

void TIETransitionEffects::DrawFrame(int32_t s) {
  if (effect_ <= 30) DrawBuiltIn(s);
  else DrawTableEffect(s);
}

void TIETransitionEffects::DrawBuiltIn(int32_t s) {
  TIEBitmap *src = source_.get(), *tgt = target_.get(), *frm = frame_.get();
  const int32_t W = frm->Width(), H = frm->Height();
  auto source_first = [&] {
    if (s == 0) frm->Assign(src);
  };
  TRGB bg{0, 0, 0};
  if (owner_) {
    const TColor c = ColorToRGB(owner_->Background());
    bg = MakeRGBTriple(static_cast<uint8_t>(c & 0xFF), static_cast<uint8_t>((c >> 8) & 0xFF),
                       static_cast<uint8_t>((c >> 16) & 0xFF));
  }
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
      std::uniform_int_distribution<int32_t> col(0, W - 1);
      for (int32_t y = 0; y < H; ++y) {
        TRGB *f = Row(frm, y), *b = Row(tgt, y);
        for (int32_t i = effect_state_; i < n; ++i) {
          const int32_t x = col(Rng());
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
      std::uniform_int_distribution<int32_t> px(0, W - 1), py(0, H - 1);
      for (int32_t i = effect_state_; i < n; ++i) {
        const int32_t x = px(Rng()) / 8 * 8, y = py(Rng()) / 8 * 8;
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
  TIEBitmap *tgt = target_.get(), *frm = frame_.get();
  if (s == 0) {
    frm->Assign(source_.get());
    return;
  }
  if (!TransitionEffectHasDrawing(effect_)) return;
  const int32_t percent = static_cast<int32_t>(Round(s / 1024.0 * 100));
  const TTransitionExtents e = TransitionExtents(frm->Width(), frm->Height(), 1, percent);
  const int32_t W = e.W, H = e.H;
  // Pixels inside Inside(x, y) take the target.
  auto clip = [&](auto Inside) {
    for (int32_t y = 0; y < H; ++y) {
      TRGB *f = Row(frm, y), *b = Row(tgt, y);
      for (int32_t x = 0; x < W; ++x)
        if (Inside(x, y)) f[x] = b[x];
    }
  };
  const int32_t dx = e.DX, dy = e.DY;
  auto wipe = [&](int32_t x, int32_t y, int32_t w, int32_t h) { CopyRect(tgt, frm, x, y, w, h, x, y); };
  // Triangle with the right angle at corner (cx, cy), legs 2 dx and 2 dy.
  auto diagonal = [&](bool right, bool bottom) {
    if (dx <= 0 || dy <= 0) return;
    clip([&](int32_t x, int32_t y) {
      const int64_t u = right ? W - 1 - x : x, v = bottom ? H - 1 - y : y;
      return u * dy + v * dx < 2 * static_cast<int64_t>(dx) * dy;
    });
  };
  auto sweep = [&](bool clockwise) {
    if (percent <= 0) return;
    const double cx = W / 2.0, cy = H / 2.0, span = percent * std::numbers::pi / 50;
    clip([&](int32_t x, int32_t y) {
      const double ox = (x + 0.5) - cx;
      double a = std::atan2(clockwise ? ox : -ox, cy - (y + 0.5));  // 0 straight up
      if (a < 0) a += 2 * std::numbers::pi;
      return a < span;
    });
  };
  switch (effect_) {
    case 31: Stretch(tgt, frm, 0, 0, dx, H); break;
    case 32: Stretch(tgt, frm, W - dx, 0, dx, H); break;
    case 33: Stretch(tgt, frm, 0, 0, W, dy); break;
    case 34: Stretch(tgt, frm, 0, H - dy, W, dy); break;
    case 35: Stretch(tgt, frm, 0, 0, dx, dy); break;
    case 36: Stretch(tgt, frm, W - dx, 0, dx, dy); break;
    case 37: Stretch(tgt, frm, 0, H - dy, dx, dy); break;
    case 38: Stretch(tgt, frm, W - dx, H - dy, dx, dy); break;
    case 49: wipe(0, 0, dx, dy); break;
    case 50: wipe(W - dx, 0, dx, dy); break;
    case 51: wipe(0, H - dy, dx, dy); break;
    case 52: wipe(W - dx, H - dy, dx, dy); break;
    case 53: wipe(0, H / 2 - (dy + 1) / 2, W, dy + 1); break;
    case 54:
      wipe(0, 0, (dx + 1) / 2, H);
      wipe(W - (dx + 1) / 2, 0, (dx + 1) / 2, H);
      break;
    case 55: wipe(W / 2 - (dx + 1) / 2, 0, dx + 1, H); break;
    case 64: CopyRect(tgt, frm, 0, 0, W, H, dx - W, 0); break;
    case 65: CopyRect(tgt, frm, 0, 0, W, H, W - dx, 0); break;
    case 66: CopyRect(tgt, frm, 0, 0, W, H, 0, dy - H); break;
    case 67: CopyRect(tgt, frm, 0, 0, W, H, 0, H - dy); break;
    // Triangle (0, 0), (2 dx, 0), (0, 2 dy) and its mirror images.
    case 131: diagonal(false, false); break;
    case 132: diagonal(true, false); break;
    case 133: diagonal(false, true); break;
    case 134: diagonal(true, true); break;
    // Sector from straight up over Percent x 3.6 degrees.
    case 137: sweep(true); break;
    case 138: sweep(false); break;
    // Push: the canvas moves by the extent and the target's edge comes in.
    case 146:
      for (int32_t y = 0; y < H; ++y) {
        TRGB *f = Row(frm, y), *b = Row(tgt, y);
        std::memmove(f, f + dx, static_cast<size_t>(W - dx) * 3);
        std::memcpy(f + (W - dx), b, static_cast<size_t>(dx) * 3);
      }
      break;
    case 147:
      for (int32_t y = 0; y < H; ++y) {
        TRGB *f = Row(frm, y), *b = Row(tgt, y);
        std::memmove(f + dx, f, static_cast<size_t>(W - dx) * 3);
        std::memcpy(f, b + (W - dx), static_cast<size_t>(dx) * 3);
      }
      break;
    case 148:
      for (int32_t y = 0; y < H; ++y)
        std::memcpy(Row(frm, y), y + dy < H ? Row(frm, y + dy) : Row(tgt, y + dy - H),
                    static_cast<size_t>(W) * 3);
      break;
    case 149:
      for (int32_t y = H - 1; y >= 0; --y)
        std::memcpy(Row(frm, y), y >= dy ? Row(frm, y - dy) : Row(tgt, H - dy + y),
                    static_cast<size_t>(W) * 3);
      break;
    // Blinds: the first Percent of every band of H (W) div unit rows
    // (columns).
    case 154: {
      const int32_t band = std::max(1, H / e.Unit), rows = percent * band / 100;
      clip([&](int32_t, int32_t y) { return y % band < rows; });
      break;
    }
    case 155: {
      const int32_t band = std::max(1, W / e.Unit), cols = percent * band / 100;
      clip([&](int32_t x, int32_t) { return x % band < cols; });
      break;
    }
    default: break;
  }
}
