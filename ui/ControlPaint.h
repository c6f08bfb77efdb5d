// Opening of Paint shared by the standard controls that paint themselves.
#pragma once

#include "platform/Draw.h"
#include "ui/ControlFont.h"

// Gives Canvas the font Font (unless it has it already), fills Area with
// Fill, inside a sunken edge when SunkenEdge (Area then shrinks to the inside
// of the edge), and returns the canvas's device context with its tools
// selected, for the platform drawing calls that follow.
inline HDC OpenPaint(TCanvas* Canvas, TFont* Font, TColor Fill, TRect& Area, bool SunkenEdge = false) {
  MatchCanvasFont(Canvas, Font);
  HDC dc = Canvas->Handle();
  if (SunkenEdge) DrawEdge(dc, &Area, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  Canvas->Brush()->SetColor(Fill);
  Canvas->FillRect(Area);
  return dc;
}
