// TIETransitionEffects: animates the change from one picture to another on
// an image view. A platform timer draws, from the source picture, the target
// picture and a step 0..1024 that grows with the elapsed time, a frame
// picture, and puts each frame into the view's back buffer and window until
// the duration has passed.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/Geometry.h"

class TIEBitmap;
class TIEView;
class TObject;
class TTimer;

// Effect codes (TIETransitionType). The engine draws 1..30 and 164 itself,
// the table effects 31..163 through their table procedures.
using TIETransitionType = uint8_t;
enum : TIETransitionType {
  iettNone = 0,
  iettCrossDissolve = 1,
  iettFadeOut = 2,
  iettFadeIn = 3,
  iettFadeOutIn = 4,
  iettLeftRight1 = 5,
  iettLeftRight2 = 6,
  iettRightLeft1 = 7,
  iettRightLeft2 = 8,
  iettUpDown1 = 9,
  iettUpDown2 = 10,
  iettDownUp1 = 11,
  iettDownUp2 = 12,
  iettFromUpLeft = 13,
  iettFromUpRight = 14,
  iettFromBottomLeft = 15,
  iettFromBottomRight = 16,
  iettMoveLeftRight1 = 17,
  iettMoveLeftRight2 = 18,
  iettMoveRightLeft1 = 19,
  iettMoveRightLeft2 = 20,
  iettMoveUpDown1 = 21,
  iettMoveUpDown2 = 22,
  iettMoveDownUp1 = 23,
  iettMoveDownUp2 = 24,
  iettRandomPoints = 25,
  iettRandomBoxes = 26,
  iettCenter1 = 27,
  iettCenter2 = 28,
  iettCenterZoom1 = 29,
  iettCenterZoom2 = 30,
  iettPanZoom = 164
};

// Display name of a table effect (codes 1..163; "" for others).
const char* TransitionEffectName(TIETransitionType Code);
// Whether the engine draws the code (codes without a drawing leave the
// frame as the first step drew it).
bool TransitionEffectHasDrawing(TIETransitionType Code);

// Timing curves.
enum : uint8_t { iettLinear = 0, iettExponential = 1, iettLogarithmic = 2 };
// The step for Elapsed ms of Duration: at most 1024 and never negative
// (the logarithmic curve starts below zero).
int32_t TransitionStep(uint32_t Elapsed, int32_t Duration, uint8_t Timing);

// The extents a table effect reveals at Percent of a W x H frame: along the
// longer side MulDiv(L, Percent, 100), along the shorter one in proportion;
// Unit is at least one pixel.
struct TTransitionExtents {
  int32_t W, H, DX, DY, Unit;
};
TTransitionExtents TransitionExtents(int32_t W, int32_t H, int32_t Step, int32_t Percent);

class TIETransitionEffects {
 public:
  // Owner: the single-image or the thumbnail view whose canvas shows the
  // frames (null: frames are drawn but shown nowhere).
  explicit TIETransitionEffects(TIEView* Owner);
  ~TIETransitionEffects();

  bool Running() const { return running_; }
  TIETransitionType Effect() const { return effect_; }
  int32_t Duration() const { return duration_; }
  uint8_t Timing() const { return timing_; }
  int32_t Step() const { return step_; }
  int32_t FrameCount() const { return frame_count_; }
  TIEBitmap* Frame() const { return frame_.get(); }
  TTimer* Timer() const { return timer_; }

  // Copies Source and Target (24-bit, the same size), locks the view's
  // updates and starts the timer. Pictures of different sizes or an effect
  // of 0 start nothing.
  void Start(TIEBitmap* Source, TIEBitmap* Target, TIETransitionType Effect, int32_t Duration,
             uint8_t Timing, bool UpdateAtEnd);
  // Pan and zoom over Image (not owned; it must outlive the run): the shown
  // rectangle of the image moves from From to To, stretched over a frame of
  // Width x Height. An empty image or frame starts nothing.
  void StartPanZoom(TIEBitmap* Image, const TRect& From, const TRect& To, int32_t Width, int32_t Height,
                    int32_t Duration, uint8_t Timing, bool UpdateAtEnd);
  // Only while running: stops the timer, frees the pictures, releases the
  // view's update lock, updates the view when asked, fires OnStop.
  void Stop();
  // One animation step (the timer's handler).
  void TimerTick();
  // Draws the frame of the effect for Step into Frame().
  void DrawFrame(int32_t Step);

  std::function<void(TObject* Sender)> OnStop;

 private:
  void DrawBuiltIn(int32_t s);
  void DrawTableEffect(int32_t s);
  void DrawPanZoom(int32_t s);
  void Begin(TIETransitionType Effect, int32_t Duration, uint8_t Timing, bool UpdateAtEnd);
  void ShowFrame();

  TIEView* owner_;
  TTimer* timer_ = nullptr;
  std::unique_ptr<TIEBitmap> source_, target_, frame_;
  bool running_ = false;
  bool update_at_end_ = false;
  TIETransitionType effect_ = iettNone;
  int32_t duration_ = 1000;
  uint8_t timing_ = iettLinear;
  int32_t step_ = 0;
  int32_t effect_state_ = 0;
  uint32_t start_time_ = 0;
  int32_t frame_count_ = 0;
  TIEBitmap* pan_zoom_image_ = nullptr;
  TRect start_rect_{0, 0, 0, 0}, end_rect_{0, 0, 0, 0};
};
