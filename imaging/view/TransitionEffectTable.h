// The named transition effects: display names of codes 1..163 and the
// drawing procedures of codes 31..163. A procedure draws onto the frame the
// part of the target that its effect has revealed at Percent (0..100); the
// frame still holds what earlier calls drew.
#pragma once

#include <cstdint>

#include "platform/Geometry.h"

class TIEBitmap;

// Canvas is the frame, Source and Target the two 24-bit pictures, Rect the
// frame's rectangle (0, 0, W, H); Step is 1.
using TEffectProc = void (*)(TIEBitmap* Canvas, TIEBitmap* Source, TIEBitmap* Target,
                             const TRect& Rect, int32_t Step, int32_t Percent);

struct TEffect {
  const char* Name;
  TEffectProc Proc;  // nullptr for the codes the engine draws itself (1..30)
};

// Entry i is effect code i + 1.
extern const TEffect TransitionEffectTable[163];
