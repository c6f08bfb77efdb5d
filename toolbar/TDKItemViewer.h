#pragma once
// A viewer is the presence of one item in one view: where it stands in the
// view's window, whether it shows, how it is measured and painted, how it
// answers the mouse in menu mode, its hint and its accessibility object.

#include <cstdint>
#include <string>

#include "platform/Geometry.h"
#include "rtl/TObject.h"
#include "toolbar/TDKItemTypes.h"
#include "ui/TControl.h"

class TCanvas;
class TCustomImageList;
class TDKItemViewerAccObject;

class TDKItemViewer : public TObject {
 public:
  TDKItemViewer(TDKView* View, TDKCustomItem* Item, int32_t GroupLevel);
  ~TDKItemViewer() override;
  static TDKItemViewer* Make(TDKView* View, TDKCustomItem* Item, int32_t GroupLevel);

  // State kept by the view's layout.
  TRect BoundsRect;
  bool Clipped = false;
  int32_t GroupLevel = 0;
  bool OffEdge = false;
  bool Shown = false;
  enum : uint8_t { vsfPaintThroughBitmap = 1, vsfLineBetweenRows = 2 };
  uint8_t StateFlags = 0;

  TDKCustomItem* Item() const { return item_; }
  TDKView* View() const { return view_; }

  // Virtual operations.
  virtual void MeasureItem(TCanvas* Canvas, int32_t& Width, int32_t& Height);
  virtual bool ScheduleClick();
  virtual void PaintCaptionText(TCanvas* Canvas, TRect R, const std::string& Caption, UINT Format,
                                bool Embossed);
  virtual void SelectionEntered(TDKItemViewer* PreviousSelection);
  virtual int32_t AccessibleRole();
  virtual bool AccessibleValue(std::string& Value) { return false; }
  virtual std::string CaptionBeforeTab();
  virtual void GetCursorAt(TPoint P, HCURSOR& Cursor) {}
  virtual bool UsesToolbarSize();
  virtual bool PointInButtonPart(int32_t X, int32_t Y);
  virtual void KeyDown(uint16_t& Key, TShiftState Shift) {}
  virtual void SelectionLeft();
  virtual void CaptureReleased();
  virtual void MouseDown(TShiftState Shift, int32_t X, int32_t Y, bool& MouseDownOnMenu);
  virtual void MouseMove(int32_t X, int32_t Y) {}
  virtual void MouseUp(int32_t X, int32_t Y, bool MouseDownOnMenu);
  virtual void MouseWheel(int32_t WheelDelta, int32_t X, int32_t Y) {}
  virtual void RenderItem(TCanvas* Canvas, TRect R, bool IsSelected, bool IsPushed, bool UseDisabledShadow);
  virtual bool WantsSameWidth();
  virtual bool UsesToolbarStyle();

  // Queries of layout, painting and hints.
  bool ShowsCaption();
  bool ShowsItemImage();
  TCustomImageList* ImageListInUse();
  bool DrawsRotated();
  std::string BuildHint();
  // Gives Info this entry's hint, shown while the pointer stays on the
  // entry; false (Info untouched) when the entry has no hint.
  bool FillHintInfo(THintInfo& Info);
  void Activate(bool GivePriority);
  bool CountsForAccessibility() const { return Shown || OffEdge || Clipped; }
  TDKItemViewerAccObject* AccessibilityObject();
  void DetachAccessibilityObject();  // the object was freed first
  void QueueAccessibleAction(bool Execute);
  void RunAccessibleAction(bool Execute);
  int32_t IndexInView() const;
  TPoint ScreenToViewer(TPoint Screen) const;
  bool IsSeparatorViewer() const;

 protected:
  TDKCustomItem* item_;
  TDKView* view_;
  TDKItemViewerAccObject* accObject_ = nullptr;
};

class TDKSeparatorItemViewer : public TDKItemViewer {
 public:
  using TDKItemViewer::TDKItemViewer;
  static TDKItemViewer* Make(TDKView* View, TDKCustomItem* Item, int32_t GroupLevel);
  void MeasureItem(TCanvas* Canvas, int32_t& Width, int32_t& Height) override;
  void RenderItem(TCanvas* Canvas, TRect R, bool IsSelected, bool IsPushed, bool UseDisabledShadow) override;
  bool WantsSameWidth() override { return false; }
};

// Accessibility roles the viewers answer.
enum : int32_t {
  ROLE_SYSTEM_MENUBAR = 2,
  ROLE_SYSTEM_CLIENT = 10,
  ROLE_SYSTEM_MENUPOPUP = 11,
  ROLE_SYSTEM_MENUITEM = 12,
  ROLE_SYSTEM_SEPARATOR = 21,
  ROLE_SYSTEM_TOOLBAR = 22,
  ROLE_SYSTEM_PUSHBUTTON = 43,
  ROLE_SYSTEM_BUTTONMENU = 57,
};
