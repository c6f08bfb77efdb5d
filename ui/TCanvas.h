// A drawing surface with a pen, a brush and a font, over a platform device
// context. The context comes from CreateHandle (bitmaps and controls make
// their own) or from SetHandle.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/DC.h"
#include "platform/Draw.h"
#include "platform/Text.h"
#include "rtl/TPersistent.h"
#include "ui/TGraphicsObject.h"

class TGraphic;

enum TCanvasStates { csHandleValid, csFontValid, csPenValid, csBrushValid };
using TCanvasState = TSet<TCanvasStates>;
using TCopyMode = int32_t;
constexpr TCopyMode cmSrcCopy = int32_t(SRCCOPY);
constexpr TCopyMode cmBlackness = int32_t(BLACKNESS);
constexpr TCopyMode cmDstInvert = int32_t(DSTINVERT);
constexpr TCopyMode cmMergeCopy = int32_t(MERGECOPY);
constexpr TCopyMode cmMergePaint = int32_t(MERGEPAINT);
constexpr TCopyMode cmNotSrcCopy = int32_t(NOTSRCCOPY);
constexpr TCopyMode cmNotSrcErase = int32_t(NOTSRCERASE);
constexpr TCopyMode cmPatCopy = int32_t(PATCOPY);
constexpr TCopyMode cmPatInvert = int32_t(PATINVERT);
constexpr TCopyMode cmPatPaint = int32_t(PATPAINT);
constexpr TCopyMode cmSrcAnd = int32_t(SRCAND);
constexpr TCopyMode cmSrcErase = int32_t(SRCERASE);
constexpr TCopyMode cmSrcInvert = int32_t(SRCINVERT);
constexpr TCopyMode cmSrcPaint = int32_t(SRCPAINT);
constexpr TCopyMode cmWhiteness = int32_t(WHITENESS);

class TCanvas : public TPersistent {
  RTL_CLASS(TCanvas, TPersistent)
 public:
  TCanvas();
  ~TCanvas() override;

  // The device context with the font, pen and brush selected; asks
  // CreateHandle for one when there is none.
  HDC Handle();
  // Uses dc (not owned); null lets go of the current one.
  void SetHandle(HDC dc);
  bool HandleAllocated() const { return handle_ != nullptr; }

  TFont* Font() { return font_; }
  void SetFont(TFont* v) { font_->Assign(v); }
  TPen* Pen() { return pen_; }
  void SetPen(TPen* v) { pen_->Assign(v); }
  TBrush* Brush() { return brush_; }
  void SetBrush(TBrush* v) { brush_->Assign(v); }
  TCopyMode CopyMode() const { return copyMode_; }
  void SetCopyMode(TCopyMode v) { copyMode_ = v; }
  TPoint PenPos();
  void SetPenPos(TPoint p) { MoveTo(p.X, p.Y); }
  TColor Pixels(int32_t x, int32_t y);
  void SetPixels(int32_t x, int32_t y, TColor c);
  // The drawable part, logical coordinates.
  TRect ClipRect();

  void MoveTo(int32_t x, int32_t y);
  void LineTo(int32_t x, int32_t y);
  void Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
  void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
  void RoundRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3);
  void Ellipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
  void Ellipse(const TRect& r) { Ellipse(r.Left, r.Top, r.Right, r.Bottom); }
  void Polygon(const std::vector<TPoint>& points);
  void Polyline(const std::vector<TPoint>& points);
  void FillRect(const TRect& r);
  void FrameRect(const TRect& r);
  void DrawFocusRect(const TRect& r);

  // Text in the font and font colour; an opaque brush paints behind it. The
  // pen position moves to the end of the text.
  void TextOut(int32_t x, int32_t y, const std::string& text);
  // Text at (x, y) clipped to r, r filled with the brush unless it is clear.
  void TextRect(const TRect& r, int32_t x, int32_t y, const std::string& text);
  TSize TextExtent(const std::string& text);
  int32_t TextWidth(const std::string& text) { return TextExtent(text).cx; }
  int32_t TextHeight(const std::string& text) { return TextExtent(text).cy; }

  // A graphic at its own size, or stretched into r.
  void Draw(int32_t x, int32_t y, TGraphic* graphic);
  void StretchDraw(const TRect& r, TGraphic* graphic);
  // Copies source of canvas into dest, stretching, with CopyMode.
  void CopyRect(const TRect& dest, TCanvas* canvas, const TRect& source);

  // Serialises drawing from several threads on one canvas.
  void Lock();
  bool TryLock();
  void Unlock();
  int32_t LockCount() const { return lockCount_; }

  // Selects the stock objects again (the tools are reselected on next use).
  void Refresh();

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

 protected:
  virtual void CreateHandle();
  // Makes sure of the states before drawing (handle, tools selected).
  void RequiredState(TCanvasState req);
  virtual void Changing();
  virtual void Changed();
  TCanvasState State() const { return state_; }

 private:
  void DeselectHandles();
  void FontChanged(TObject*);
  void PenChanged(TObject*);
  void BrushChanged(TObject*);
  HDC handle_ = nullptr;
  TCanvasState state_;
  TFont* font_;
  TPen* pen_;
  TBrush* brush_;
  TCopyMode copyMode_ = cmSrcCopy;
  std::recursive_mutex lock_;
  int32_t lockCount_ = 0;
};
