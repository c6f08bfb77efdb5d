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

// Lays Text out in Rect. Painting: CheckHotSpot and CheckHeight off, the
// point (0, 0). Measuring: CheckHeight on (or CheckHotSpot on with the point
// (0, 0)); XSize and YSize answer the extent. Finding the anchor under the
// point (XPos, YPos): CheckHotSpot on; the result says whether the point is
// on an anchor and AnchorVal holds its reference. Print scales images by
// ResFactor and draws list images as device-independent bitmaps.
// FocusLink counts anchors from 0 (-1 none); HoverLink from 1 (0 or -1 none).
// StripVal receives the text without tags, a carriage return for each BR.
bool DrawMarkupText(TCanvas* Canvas, const std::string& Text, const TRect& Rect, TCustomImageList* Images,
                    int32_t XPos, int32_t YPos, int32_t FocusLink, int32_t HoverLink, int32_t ShadowOffset,
                    bool CheckHotSpot, bool CheckHeight, bool Print, bool Selected, bool Blink, bool HoverStyle,
                    bool WordWrap, double ResFactor, TColor URLColor, TColor HoverColor, TColor HoverFontColor,
                    TColor ShadowColor, std::string& AnchorVal, std::string& StripVal, std::string& FocusAnchor,
                    int32_t& XSize, int32_t& YSize, int32_t& HyperLinks, int32_t& MouseLink, TRect& HoverRect,
                    THTMLPictureCache* ic, TPictureContainer* pc, int32_t LineSpacing);

// A mark-up colour value: "#RRGGBB" or a colour name ("clRed",
// "clBtnFace"...); unknown names are black.
TColor MarkupColor(const std::string& Value);
