// The caption panel's mini mark-up: an HTML-like text with tags for font
// style, colour, size and background, line breaks, bullets, lines, images
// and anchors. DrawMarkupText lays such a text out line by line inside a
// rectangle and, depending on its arguments, measures it, draws it or finds
// the anchor under a point.
//
// Tags: A HREF="ref" (anchor), B, I, U, S, SUB, SUP, SHAD (shadow), Z
// (hidden), E (error mark), HI (highlight), BLINK, BR, HR, UL and LI
// (bullets), IND x="n", P ALIGN= INDENT= BGCOLOR= BGCOLORTO=, FONT FACE=
// COLOR= BGCOLOR= SIZE=, BODY BACKGROUND= BGCOLOR= BGCOLORTO= DIR=, IMG
// SRC= WIDTH= HEIGHT= ALIGN= ALT= (SRC "IDX:n" from the image list, "SSYS:"
// or "LSYS:" with a path or an index for the desktop's small or large icon,
// a picture name, or an address), R a="degrees" (rotated text). Entities:
// &amp; &quot; &lt; &gt; &nbsp; &sect; &permil; &reg; &copy; &para; &trade;
// &euro;, each decoded once. A single "&" underlines the next character.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Geometry.h"
#include "ui/TColor.h"

class TCanvas;
class TCustomImageList;
class THTMLPictureCache;
class TPictureContainer;

// How the renderer measures and draws its text runs: the platform's text
// calls on the canvas's current font and colour by default. Flags are the
// text-drawing flags of one run (single line, bottom, expanded tabs, and an
// end ellipsis without word wrap).
class TMarkupTextDevice {
 public:
  virtual ~TMarkupTextDevice() = default;
  // Width and height of Text in the canvas's current font.
  virtual TSize Extent(TCanvas* Canvas, const std::string& Text, uint32_t Flags);
  // Draws Text into R in the canvas's current font and text colour.
  virtual void Draw(TCanvas* Canvas, const std::string& Text, const TRect& R, uint32_t Flags);
};

// Puts a device in place for every later call (null: the platform's); the
// caller keeps it alive while it is in place.
void SetMarkupTextDevice(TMarkupTextDevice* Device);

// What DrawMarkupText is asked: lay Text out in Rect. Painting:
// CheckHotSpot and CheckHeight off, the point (0, 0). Measuring: CheckHeight
// on (or CheckHotSpot on with the point (0, 0)). Finding the anchor under
// the point (XPos, YPos): CheckHotSpot on. Print scales images by ResFactor
// and draws list images as device-independent bitmaps. FocusLink counts
// anchors from 0 (-1 none); HoverLink from 1 (0 or -1 none). Blink off draws
// blinking text in the background colour (its off phase).
struct TMarkupTextRequest {
  TCanvas* Canvas = nullptr;
  std::string Text;
  TRect Rect{0, 0, 0, 0};
  TCustomImageList* Images = nullptr;
  int32_t XPos = 0, YPos = 0;
  int32_t FocusLink = -1, HoverLink = 0;
  int32_t ShadowOffset = 2;
  bool CheckHotSpot = false;
  bool CheckHeight = false;
  bool Print = false;
  bool Selected = false;
  bool Blink = true;
  bool HoverStyle = false;
  bool WordWrap = true;
  double ResFactor = 1.0;
  TColor URLColor = clBlue;
  TColor HoverColor = clNone, HoverFontColor = clNone;
  TColor ShadowColor = clGray;
  THTMLPictureCache* PictureCache = nullptr;
  TPictureContainer* PictureContainer = nullptr;
  int32_t LineSpacing = 0;
};

// What DrawMarkupText answers. Hit: the point is on an anchor, whose
// reference is AnchorVal (MouseLink counts it from 1, HoverRect is its
// extent on the line hit). XSize and YSize: the extent of the text.
// StripVal: the text without tags, a carriage return for each BR.
// FocusAnchor: the reference of the focused anchor that was drawn.
// HyperLinks: how many anchors the text holds.
struct TMarkupTextResult {
  bool Hit = false;
  std::string AnchorVal, StripVal, FocusAnchor;
  int32_t XSize = 0, YSize = 0;
  int32_t HyperLinks = 0;
  int32_t MouseLink = -1;
  TRect HoverRect{0, 0, 0, 0};
};

TMarkupTextResult DrawMarkupText(const TMarkupTextRequest& Request);

// A mark-up colour value: "#RRGGBB" or a colour name ("clRed",
// "clBtnFace"...); unknown names are black.
TColor MarkupColor(const std::string& Value);
