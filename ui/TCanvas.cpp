#include "ui/TCanvas.h"

#include "rtl/Exception.h"
#include "ui/TGraphic.h"

RTL_DEFINE_CLASS(TCanvas, TPersistent)

TCanvas::TCanvas() : font_(new TFont()), pen_(new TPen()), brush_(new TBrush()) {
  font_->OnChange = [this](TObject* s) { FontChanged(s); };
  pen_->OnChange = [this](TObject* s) { PenChanged(s); };
  brush_->OnChange = [this](TObject* s) { BrushChanged(s); };
}

TCanvas::~TCanvas() {
  SetHandle(nullptr);
  font_->Free();
  pen_->Free();
  brush_->Free();
}

HDC TCanvas::Handle() {
  // Callers draw on the handle with the platform calls: the tools are
  // selected too.
  RequiredState(TCanvasState{csHandleValid, csFontValid, csPenValid, csBrushValid});
  return handle_;
}

void TCanvas::SetHandle(HDC dc) {
  if (dc == handle_) return;
  if (handle_) DeselectHandles();
  handle_ = dc;
  if (dc)
    state_.Include(csHandleValid);
  else
    state_.Exclude(csHandleValid);
}

void TCanvas::CreateHandle() {}

void TCanvas::RequiredState(TCanvasState req) {
  TCanvasState need = req - state_;
  if (need.Empty()) return;
  if (need.Contains(csHandleValid)) {
    CreateHandle();
    if (!handle_) throw EInvalidOperation("Canvas does not allow drawing");
    state_.Include(csHandleValid);
  }
  if (need.Contains(csFontValid)) {
    SelectObject(handle_, font_->Handle());
    ::SetTextColor(handle_, ColorToRGB(font_->Color()) & 0xFFFFFF);
    state_.Include(csFontValid);
  }
  if (need.Contains(csPenValid)) {
    SelectObject(handle_, pen_->Handle());
    SetROP2(handle_, PenModeToROP2(pen_->Mode()));
    state_.Include(csPenValid);
  }
  if (need.Contains(csBrushValid)) {
    SelectObject(handle_, brush_->Handle());
    ::SetBkColor(handle_, ColorToRGB(brush_->Color()) & 0xFFFFFF);
    SetBkMode(handle_, brush_->Style() == bsClear ? TRANSPARENT : OPAQUE);
    state_.Include(csBrushValid);
  }
}

void TCanvas::DeselectHandles() {
  if (!handle_) return;
  TCanvasState tools{csFontValid, csPenValid, csBrushValid};
  if ((state_ * tools).Empty()) return;
  SelectObject(handle_, StockPen(BLACK_PEN));
  SelectObject(handle_, StockBrush(HOLLOW_BRUSH));
  SelectObject(handle_, static_cast<HFONT>(GetStockObject(SYSTEM_FONT)));
  state_ -= tools;
}

void TCanvas::Refresh() {
  DeselectHandles();
}

void TCanvas::FontChanged(TObject*) {
  if (state_.Contains(csFontValid)) {
    state_.Exclude(csFontValid);
    if (handle_) SelectObject(handle_, static_cast<HFONT>(GetStockObject(SYSTEM_FONT)));
  }
}

void TCanvas::PenChanged(TObject*) {
  if (state_.Contains(csPenValid)) {
    state_.Exclude(csPenValid);
    if (handle_) SelectObject(handle_, StockPen(BLACK_PEN));
  }
}

void TCanvas::BrushChanged(TObject*) {
  if (state_.Contains(csBrushValid)) {
    state_.Exclude(csBrushValid);
    if (handle_) SelectObject(handle_, StockBrush(HOLLOW_BRUSH));
  }
}

void TCanvas::Changing() {
  if (OnChanging) OnChanging(this);
}

void TCanvas::Changed() {
  if (OnChange) OnChange(this);
}

TPoint TCanvas::PenPos() {
  RequiredState(TCanvasState{csHandleValid});
  TPoint p;
  GetCurrentPositionEx(handle_, &p);
  return p;
}

TColor TCanvas::Pixels(int32_t x, int32_t y) {
  RequiredState(TCanvasState{csHandleValid});
  COLORREF c = GetPixel(handle_, x, y);
  return c == CLR_INVALID ? TColor(-1) : TColor(c);
}

void TCanvas::SetPixels(int32_t x, int32_t y, TColor c) {
  Changing();
  RequiredState(TCanvasState{csHandleValid, csPenValid});
  SetPixelV(handle_, x, y, ColorToRGB(c) & 0xFFFFFF);
  Changed();
}

TRect TCanvas::ClipRect() {
  RequiredState(TCanvasState{csHandleValid});
  TRect r;
  GetClipBox(handle_, &r);
  return r;
}

void TCanvas::MoveTo(int32_t x, int32_t y) {
  RequiredState(TCanvasState{csHandleValid});
  MoveToEx(handle_, x, y, nullptr);
}

void TCanvas::LineTo(int32_t x, int32_t y) {
  Changing();
  RequiredState(TCanvasState{csHandleValid, csPenValid, csBrushValid});
  ::LineTo(handle_, x, y);
  Changed();
}

void TCanvas::Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  Changing();
  RequiredState(TCanvasState{csHandleValid, csPenValid, csBrushValid});
  ::Rectangle(handle_, x1, y1, x2, y2);
  Changed();
}

void TCanvas::RoundRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3) {
  Changing();
  RequiredState(TCanvasState{csHandleValid, csPenValid, csBrushValid});
  ::RoundRect(handle_, x1, y1, x2, y2, x3, y3);
  Changed();
}

void TCanvas::Ellipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  Changing();
  RequiredState(TCanvasState{csHandleValid, csPenValid, csBrushValid});
  ::Ellipse(handle_, x1, y1, x2, y2);
  Changed();
}

void TCanvas::Polygon(const std::vector<TPoint>& points) {
  Changing();
  RequiredState(TCanvasState{csHandleValid, csPenValid, csBrushValid});
  ::Polygon(handle_, points.data(), int(points.size()));
  Changed();
}

void TCanvas::Polyline(const std::vector<TPoint>& points) {
  Changing();
  RequiredState(TCanvasState{csHandleValid, csPenValid, csBrushValid});
  ::Polyline(handle_, points.data(), int(points.size()));
  Changed();
}

void TCanvas::FillRect(const TRect& r) {
  Changing();
  RequiredState(TCanvasState{csHandleValid, csBrushValid});
  ::FillRect(handle_, &r, brush_->Handle());
  Changed();
}

void TCanvas::FrameRect(const TRect& r) {
  Changing();
  RequiredState(TCanvasState{csHandleValid, csBrushValid});
  ::FrameRect(handle_, &r, brush_->Handle());
  Changed();
}

void TCanvas::DrawFocusRect(const TRect& r) {
  Changing();
  RequiredState(TCanvasState{csHandleValid, csBrushValid});
  ::DrawFocusRect(handle_, &r);
  Changed();
}

void TCanvas::TextOut(int32_t x, int32_t y, const std::string& text) {
  Changing();
  RequiredState(TCanvasState{csHandleValid, csFontValid, csBrushValid});
  ::TextOut(handle_, x, y, text.data(), int(text.size()));
  TSize sz;
  GetTextExtentPoint32(handle_, text.data(), int(text.size()), &sz);
  MoveToEx(handle_, x + sz.cx, y, nullptr);
  Changed();
}

void TCanvas::TextRect(const TRect& r, int32_t x, int32_t y, const std::string& text) {
  Changing();
  RequiredState(TCanvasState{csHandleValid, csFontValid, csBrushValid});
  UINT options = ETO_CLIPPED;
  if (brush_->Style() != bsClear) options |= ETO_OPAQUE;
  ::ExtTextOut(handle_, x, y, options, &r, text.data(), UINT(text.size()), nullptr);
  Changed();
}

TSize TCanvas::TextExtent(const std::string& text) {
  RequiredState(TCanvasState{csHandleValid, csFontValid});
  TSize sz{0, 0};
  GetTextExtentPoint32(handle_, text.data(), int(text.size()), &sz);
  return sz;
}

void TCanvas::Draw(int32_t x, int32_t y, TGraphic* graphic) {
  if (!graphic || graphic->Empty()) return;
  StretchDraw(TRect{x, y, x + graphic->Width(), y + graphic->Height()}, graphic);
}

void TCanvas::StretchDraw(const TRect& r, TGraphic* graphic) {
  if (!graphic || graphic->Empty()) return;
  Changing();
  RequiredState(TCanvasState{csHandleValid});
  graphic->Draw(this, r);
  Changed();
}

void TCanvas::CopyRect(const TRect& dest, TCanvas* canvas, const TRect& source) {
  if (!canvas) return;
  Changing();
  RequiredState(TCanvasState{csHandleValid, csFontValid, csBrushValid});
  canvas->RequiredState(TCanvasState{csHandleValid, csBrushValid});
  StretchBlt(handle_, dest.Left, dest.Top, dest.Width(), dest.Height(), canvas->handle_,
             source.Left, source.Top, source.Width(), source.Height(), DWORD(copyMode_));
  Changed();
}

void TCanvas::Lock() {
  lock_.lock();
  ++lockCount_;
}

bool TCanvas::TryLock() {
  if (!lock_.try_lock()) return false;
  ++lockCount_;
  return true;
}

void TCanvas::Unlock() {
  --lockCount_;
  lock_.unlock();
}
