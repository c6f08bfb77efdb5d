// The abstract picture kinds a canvas can draw: size, emptiness,
// transparency and change notification.
#pragma once

#include <cstdint>

#include "platform/Geometry.h"
#include "rtl/Exception.h"
#include "rtl/TPersistent.h"
#include "rtl/TStream.h"
#include "ui/TGraphicsObject.h"

RTL_EXCEPTION(EInvalidGraphic, Exception);
RTL_EXCEPTION(EInvalidGraphicOperation, Exception);

class TCanvas;

class TGraphic : public TPersistent {
  RTL_CLASS(TGraphic, TPersistent)
  friend class TCanvas;

 public:
  virtual bool Empty() = 0;
  virtual int32_t Width() = 0;
  virtual int32_t Height() = 0;
  virtual void SetWidth(int32_t v) = 0;
  virtual void SetHeight(int32_t v) = 0;
  virtual bool Transparent() { return transparent_; }
  virtual void SetTransparent(bool v);
  bool Modified() const { return modified_; }
  void SetModified(bool v);
  // Pictures read and write their own file formats; the base knows none.
  virtual void LoadFromStream(TStream* Stream);
  virtual void SaveToStream(TStream* Stream);

  TNotifyEvent OnChange;

 protected:
  // Draws the picture stretched into r.
  virtual void Draw(TCanvas* canvas, const TRect& r) = 0;
  virtual void Changed(TObject* Sender);
  bool transparent_ = false;
  bool modified_ = false;
};
