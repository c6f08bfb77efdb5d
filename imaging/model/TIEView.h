// TIEView: the base of the image views, a control that paints its whole
// surface itself. It keeps what the input/output and processing components
// need of a view: the bitmap-change handler list, the resolution and the
// background; the view classes override the image operations, which answer
// "none" here, as a view without an image does.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/model/IEPixelTypes.h"
#include "ui/TControl.h"

class TIEBitmap;
class TIEMask;
class TBitmap;
class TCanvas;
class TIEView;
class TStream;

// The views' private messages (window message numbers); the input/output
// component's workers post the update, progress and finish notices.
constexpr uint32_t IEM_UPDATE = 0x1F58;
constexpr uint32_t IEM_NEWFRAME = 0x1F59;
constexpr uint32_t IEM_EVENT = 0x1F5A;
constexpr uint32_t IEM_PROGRESS = 0x1F5B;
constexpr uint32_t IEM_FINISHWORK = 0x1F5C;

// Called as Routine(Data, View, Destroying): Destroying is false when the
// view's image object changed, true once from the view's destructor.
using TIEBitmapChangeProc = void (*)(void* Data, TIEView* View, bool Destroying);
// A registered handler; -1 is the callers' "none".
using TIEBitmapChangeHandle = intptr_t;
constexpr TIEBitmapChangeHandle ieNoBitmapChangeHandler = -1;

class TIEView : public TCustomControl {
  RTL_CLASS(TIEView, TCustomControl)
 public:
  explicit TIEView(TComponent* AOwner);
  ~TIEView() override;
  void BeforeDestruction() override;

  // Appends {Routine, Data} and returns its handle.
  TIEBitmapChangeHandle AddBitmapChangeHandler(TIEBitmapChangeProc Routine, void* Data);
  // Nothing for a negative or unknown handle.
  void RemoveBitmapChangeHandler(TIEBitmapChangeHandle Handle);
  // Calls every registered routine with Destroying false.
  void CallBitmapChangeHandlers();
  int32_t BitmapChangeHandlerCount() const { return static_cast<int32_t>(handlers_.size()); }

  // ---- the selection, for the processing component. A view that holds no
  // selection answers "none" to all of these and saves nothing.
  // Whether the view holds a selection at all (and can save and load it).
  virtual bool HoldsSelection() const { return false; }
  // The selection mask, handed out even while nothing is selected; may be null.
  virtual TIEMask* SelectionMask() { return nullptr; }
  // Whether something is selected.
  virtual bool HasSelection() const { return false; }
  // The selection polygons as x, y pairs (the view owns them); null when none.
  virtual const int32_t* GetSelectionPoints() const { return nullptr; }
  // Number of points (pairs) of GetSelectionPoints.
  virtual int32_t GetSelectionPointCount() const { return 0; }
  // Writes the selection block at the stream's position.
  virtual void SaveSelectionToStream(TStream* Stream) {}
  // Reads a block written by SaveSelectionToStream as the selection; false
  // when nothing was loaded.
  virtual bool LoadSelectionFromStream(TStream* Stream) { return false; }

  // The displayed image as a platform bitmap; null when none.
  virtual TBitmap* GetTBitmap() { return nullptr; }
  // The view's current image; null when none.
  virtual TIEBitmap* GetIEBitmap() { return nullptr; }

  // Resolution shown by the view; 0 keeps the old value.
  void SetDpi(int32_t DpiX, int32_t DpiY) {
    SetDpiX(DpiX);
    SetDpiY(DpiY);
  }
  virtual void SetDpiX(int32_t Value);
  virtual void SetDpiY(int32_t Value);
  int32_t DpiX() const { return dpi_x_; }
  int32_t DpiY() const { return dpi_y_; }

  // The image-changed notification: nothing in the base.
  virtual void ImageChange() {}
  // Recomputes and repaints; nothing in the base.
  void Update() override {}
  // The control's own paint canvas.
  virtual TCanvas* GetCanvas() { return Canvas(); }
  // Whether the view sits in a window (messages can be posted to it).
  virtual bool HasParentWindow() { return Parent() != nullptr; }

  // The frame: a sunken client edge (Ctl3D) or a thin line, or none.
  TBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TBorderStyle Value);
  bool Ctl3D() const { return ctl3d_; }
  void SetCtl3D(bool Value);

  void LockUpdate() { ++update_lock_; }
  // Never below 0; returns the new count.
  int32_t UnlockUpdateNoRepaint();
  int32_t UpdateLockCount() const { return update_lock_; }

  TColor Background() const { return background_; }
  virtual void SetBackground(TColor Value) { background_ = Value; }

  // What the scroll bars' messages do: the view moves by the bar's request
  // (an SB_ code and, for the thumb, its 16-bit position).
  void WMHScroll(int32_t Code, int32_t Pos) { Scroll(0, Code, Pos); }
  void WMVScroll(int32_t Code, int32_t Pos) { Scroll(1, Code, Pos); }

 protected:
  void CreateParams(TCreateParams& Params) override;
  void WndProc(TMessage& Message) override;
  // Moves the view along bar 0 (horizontal) or 1 (vertical); a view
  // without scroll bars keeps still.
  virtual void Scroll(int Bar, int32_t Code, int32_t Pos) {}

 private:
  struct Handler {
    TIEBitmapChangeHandle handle;
    TIEBitmapChangeProc routine;
    void* data;
  };
  void CallHandlers(bool Destroying);

  std::vector<Handler> handlers_;
  TIEBitmapChangeHandle next_handle_ = 0;
  bool told_destroying_ = false;
  int32_t dpi_x_ = 0, dpi_y_ = 0;
  int32_t update_lock_ = 0;
  TColor background_ = clBtnFace;
  TBorderStyle border_style_ = bsSingle;
  bool ctl3d_ = true;
};
