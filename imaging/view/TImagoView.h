// TImagoView: the control that shows one image. It holds the image (as the
// image of its current layer), places it by zoom, origin and centring, keeps
// the scroll bars in step, converts between client and image pixels through
// coordinate tables, and paints through a back buffer rendered by the render
// engine over the chosen background.
//
// The scroll bars are the window's own; the view also keeps what it last set
// on them, which is what counts while it has no window yet.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imaging/model/IEProgress.h"
#include "imaging/model/RenderEngine.h"
#include "imaging/model/Resample.h"
#include "imaging/model/TIEView.h"
#include "imaging/model/TIEMask.h"
#include "imaging/view/IEViewBackground.h"
#include "imaging/view/IEViewScrollBars.h"
#include "imaging/view/TIESelectionPolygon.h"
#include "rtl/TypInfo.h"
#include "ui/TGraphicsObject.h"

class TBitmap;
class TCanvas;
class TIEBitmap;
class TIETransitionEffects;
class TIELayer;
class TImagoIO;
class TImagoProc;
class TMemoryStream;
class TPicture;
class TTimer;

enum TScrollStyle : uint8_t { ssNone, ssHorizontal, ssVertical, ssBoth };

using TViewChangeEvent = std::function<void(TObject* Sender, int32_t Change)>;
using TIEOnDrawBackground =
    std::function<void(TObject* Sender, TCanvas* ACanvas, const TRect& ARect, bool& Handled)>;
using TIEOnDrawCanvas = std::function<void(TObject* Sender, TCanvas* ACanvas, const TRect& ARect)>;
using TIEViewNotifyEvent = std::function<void(TObject* Sender)>;

enum TIELayerEvent : uint8_t { ielSelected, ielMoved, ielResized, ielMoving, ielResizing };
using TIELayerNotify = std::function<void(TObject* Sender, int32_t Layer, TIELayerEvent Event)>;
using TIEDrawLayerBoxEvent = std::function<void(TObject* Sender, TBitmap* ABitmap, int32_t Layer)>;
using TIEDrawLayerGripEvent =
    std::function<void(TObject* Sender, TBitmap* ABitmap, int32_t Layer, int32_t Grip, const TRect& Rect)>;

// What the mouse does over the view. The layer items never stay together
// with the others (see SetMouseInteract).
RTL_ENUM(TIEMouseInteractItems, miZoom, miScroll, miSelect, miSelectPolygon, miSelectCircle, miSelectZoom,
         miSelectMagicWand, miSelectLasso, miMoveLayers, miResizeLayers);
using TIEMouseInteract = TSet<TIEMouseInteractItems, 16>;
RTL_SET(TIEMouseInteract);

// The grips of a rectangle selection: its corners in the order of its
// points, then its sides.
enum TIEGrip : uint8_t {
  ieNone,
  ieTopLeft,
  ieTopRight,
  ieBottomRight,
  ieBottomLeft,
  ieLeftSide,
  ieRightSide,
  ieTopSide,
  ieBottomSide
};
enum TIESelectionOptionsItems : uint8_t {
  iesoAnimated,
  iesoSizeable,
  iesoMoveable,
  iesoFilled,
  iesoCutBorders,
  iesoMarkOuter,
  iesoCanScroll,
  iesoSelectTranspLayers
};
using TIESelectionOptions = TSet<TIESelectionOptionsItems, 8>;
// What the coordinates given to the selection operations are: client
// pixels, or pixels of the image.
enum TIESelectionBase : uint8_t { iesbClientArea, iesbBitmap };

using TIEZoomEvent = std::function<void(TObject* Sender, double& NewZoom)>;
using TIEMouseInResizingGripEvent = std::function<void(TObject* Sender, TIEGrip Grip)>;
using TIESpecialKeyEvent = std::function<void(TObject* Sender, uint16_t CharCode, bool& Handled)>;
// After each dashed line of an outline: the record, the point and where it is.
using TIEDrawPolygonEvent =
    std::function<void(TObject* Sender, int32_t Polygon, int32_t Point, TCanvas* Canvas, int32_t X, int32_t Y)>;

class TIEScrollBarParams {
 public:
  int32_t LineStep = -1;  // -1: one image pixel
  int32_t PageStep = -1;  // -1: one view extent
  bool Tracking = true;
};

class TIEMouseWheelParams {
 public:
  bool InvertWheel = false;
  uint8_t Action = 2;     // 0 none, 1 scroll, 2 zoom
  uint8_t Variation = 1;  // 0 absolute, 1 percentage
  int32_t Value = 8;
  bool ZoomPosition = false;
};

class TImagoView : public TIEView {
  RTL_CLASS(TImagoView, TIEView)
 public:
  explicit TImagoView(TComponent* AOwner);
  ~TImagoView() override;
  void BeforeDestruction() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

  // ---- the control
  void SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) override;
  bool HasParentWindow() override;
  void SetBorderStyle(TBorderStyle Value);
  void SetCtl3D(bool Value);
  const TIEViewScrollBar& HorzScrollBar() const { return bars_[0]; }
  const TIEViewScrollBar& VertScrollBar() const { return bars_[1]; }
  // The client size: the window's, or while there is none, the outer size
  // less the frame and the bars the view has shown.
  int32_t ViewClientWidth() { return bars_.ClientWidth(); }
  int32_t ViewClientHeight() { return bars_.ClientHeight(); }
  void WndProc(TMessage& Message) override;

  // ---- images and companions
  TIEBitmap* GetIEBitmap() override { return ie_bitmap_; }
  TBitmap* GetTBitmap() override { return legacy_bitmap_; }
  TImagoIO* GetIO();
  TImagoProc* GetProc();
  TIEBitmap* GetAlphaChannel();
  bool HasAlphaChannel();
  // Merge: each channel is pulled towards Background by the alpha first.
  void RemoveAlphaChannel(bool Merge);
  void Clear();
  void Blank();
  bool IsEmpty();
  // Nil: the current layer gets an image of its own again. The view's own
  // image: nothing but an Update.
  void SetExternalBitmap(TIEBitmap* Bitmap);
  // Nil clears; another view copies its image, background and resolution; a
  // platform bitmap is imported.
  void Assign(TPersistent* Source) override;
  bool LegacyBitmap() const { return legacy_; }
  void SetLegacyBitmap(bool Value);

  // ---- placement
  void Update() override;
  // Whether the back buffer still has to be rendered for the view's present
  // state (an Update since the last render, or none yet).
  bool RenderDue() const { return dirty_; }
  void LockUpdate() { TIEView::LockUpdate(); }
  int32_t UnlockUpdate();
  int32_t UnlockUpdateNoRepaint() { return TIEView::UnlockUpdateNoRepaint(); }
  double GetFitZoom();
  void Fit();
  double Zoom() const { return zoom_x_; }
  double ZoomX() const { return zoom_x_; }
  double ZoomY() const { return zoom_y_; }
  void SetZoom(double Value);
  void SetZoomX(double Value);
  void SetZoomY(double Value);
  void ZoomAt(int32_t X, int32_t Y, double Zoom, bool Center);
  // The largest zoom at which the zoomed image stays within 2^30 pixels.
  double MaxZoom() const;
  int32_t ViewX() const { return view_x_; }
  int32_t ViewY() const { return view_y_; }
  void SetViewXY(int32_t X, int32_t Y);
  void SetViewX(int32_t X);
  void SetViewY(int32_t Y);
  int32_t MaxViewX();
  int32_t MaxViewY();
  bool CanScroll();
  int32_t GetViewWidth();
  int32_t GetViewHeight();
  int32_t OffsetX() const { return off_x_; }
  int32_t OffsetY() const { return off_y_; }
  int32_t ExtentX() const { return ext_x_; }
  int32_t ExtentY() const { return ext_y_; }
  int32_t ZoomedWidth() const { return zoomed_w_; }
  int32_t ZoomedHeight() const { return zoomed_h_; }
  double HScrollScale() const { return scale_[0]; }
  double VScrollScale() const { return scale_[1]; }
  void WMSize();

  bool Center() const { return center_; }
  void SetCenter(bool Value);
  TScrollStyle ScrollBars() const { return scroll_bars_; }
  void SetScrollBars(TScrollStyle Value);
  bool FlatScrollBars() const { return bars_.Flat; }
  void SetFlatScrollBars(bool Value) { bars_.Flat = Value; }
  bool AutoFit = false, AutoStretch = false, AutoShrink = false;
  bool DoubleBuffer = true;
  // When set, a bar that is not needed stays visible but disabled.
  bool KeepScrollBars = false;
  TIEScrollBarParams* HScrollBarParams() { return &hparams_; }
  TIEScrollBarParams* VScrollBarParams() { return &vparams_; }
  TIEMouseWheelParams* MouseWheelParams() { return &wheel_params_; }
  std::string ImagoVersion() const { return "2.2.3"; }

  // ---- conversions and the visible area
  void UpdateVisibleArea();
  void UpdateCoordTables();
  void UpdateExtents();
  int32_t ScreenToImageX(int32_t X);
  int32_t ScreenToImageY(int32_t Y);
  int32_t ImageToScreenX(int32_t X);
  int32_t ImageToScreenY(int32_t Y);
  int32_t SourceX() const { return src_[0].pos; }
  int32_t SourceY() const { return src_[1].pos; }
  int32_t SourceW() const { return src_[0].size; }
  int32_t SourceH() const { return src_[1].size; }
  int32_t DestW() const { return dest_w_; }
  int32_t DestH() const { return dest_h_; }

  // ---- painting
  void SetBackground(TColor Value) override;
  TIEBackgroundStyle BackgroundStyle() const { return background_style_; }
  void SetBackgroundStyle(TIEBackgroundStyle Value);
  TColor GradientEndColor = 0xFF0000;
  void SetChessboardStyle(int32_t Size, TBrushStyle BrushStyle);
  TPicture* WallPaper() { return wallpaper_.get(); }
  void SetWallPaper(TPicture* Value);
  TIEWallPaperStyle WallPaperStyle() const { return wallpaper_style_; }
  void SetWallPaperStyle(TIEWallPaperStyle Value);
  TResampleFilter ZoomFilter() const { return zoom_filter_; }
  void SetZoomFilter(TResampleFilter Value);
  bool DelayZoomFilter = false;
  bool EnableAlphaChannel() const { return enable_alpha_; }
  void SetEnableAlphaChannel(bool Value);
  bool DrawVersion() const { return draw_version_; }
  void SetDrawVersion(bool Value);
  // Lines between the image pixels from 400 % on.
  bool PixelGrid = false;
  // Renders (when needed) and transfers the back buffer to the window.
  void Paint() override;
  // Renders the layers and the background into Target (a 24-bit image).
  void RenderToBitmap(TIEBitmap* Target);
  // The back buffer as last rendered (the window's pixels).
  TIEBitmap* BackBuffer() { return back_ie_.get(); }
  void DrawBackgroundToCanvas(TCanvas* Canvas);
  int32_t DelayedFilterCountdown() const { return delay_countdown_; }

  // ---- layers
  int32_t LayersCount() const { return static_cast<int32_t>(layers_.size()); }
  TIELayer* Layer(int32_t Index) const;
  TIELayer* CurrentLayer() const { return Layer(current_layer_); }
  int32_t LayersCurrent() const { return current_layer_; }
  void SetCurrentLayer(int32_t Index);
  bool LayersSync = false;
  int32_t MinLayerSize = 2;
  // Boxes of the layers other than the current one are drawn too.
  bool LayersDrawBox = false;
  // Grip 0..7 of the current layer: the corners top-left, top-right,
  // bottom-right, bottom-left, then the middles of the left, right, top and
  // bottom sides; a square of half-size 4 (edges included).
  TRect LayerGripRect(int32_t Grip) const;
  // 1..8 for the first grip square holding the point, 0 for none.
  int32_t FindLayerGrip(int32_t X, int32_t Y) const;
  // The topmost selectable layer whose client box holds the point (edges
  // included) and whose alpha there is not 0 (any alpha with
  // SelectTransparent); -1 for none.
  int32_t FindLayerAt(int32_t X, int32_t Y, bool SelectTransparent = false) const;
  void DoLayerNotify(int32_t Layer, TIELayerEvent Event);

  // ---- mouse
  TIEMouseInteract MouseInteract() const { return mouse_interact_; }
  // A newly added item decides which items stay (see the source); the
  // layer items stay only among themselves.
  void SetMouseInteract(TIEMouseInteract Value);
  // Acts like a held Alt: resizing a layer by a grip keeps its aspect.
  bool ForceSquare = false;
  // Subtracts (DX, DY) from the remembered last, previous and raw press
  // positions (for a view that scrolls itself during a drag).
  void ShiftMousePositions(int32_t DX, int32_t DY);

  // ---- selection: polygons in image coordinates and the mask built from them
  bool HoldsSelection() const override { return true; }
  TIEMask* SelectionMask() override { return &mask_; }
  bool HasSelection() const override { return has_selection_; }
  const int32_t* GetSelectionPoints() const override { return sel_.Points(); }
  int32_t GetSelectionPointCount() const override { return sel_.Count(); }
  const TIESelectionPolygon& SelectionPolygon() const { return sel_; }
  // Op 0 replaces the selection by the rectangle, Op 1 adds it.
  void Select(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t Op = 0);
  void AddSelectionPoint(int32_t X, int32_t Y);
  void BuildSelectionMask();
  void Deselect();
  // The selection's box (inclusive): the polygons' while a gesture runs or
  // a rectangle was just moved, else the mask's.
  int32_t SelectionX1() const;
  int32_t SelectionY1() const;
  int32_t SelectionX2() const;
  int32_t SelectionY2() const;
  // In image pixels; shortened to keep the selection inside the image.
  void MoveSelection(int32_t DX, int32_t DY);
  // Resizes a rectangle selection by a grip to the client point (X, Y);
  // returns the grip to use next (it flips when the edges cross).
  TIEGrip ResizeSelection(TIEGrip Grip, int32_t X, bool KeepAspect, int32_t Y);
  // The grip under a client point; none with Shift.
  TIEGrip GetGripAt(int32_t X, int32_t Y, TShiftState Shift = {});
  // 0 when the client point lies in a selection that can be moved, else -1.
  int32_t MovableSelectionAt(int32_t X, int32_t Y, TShiftState Shift = {});
  void ZoomSelection(bool KeepAspect);
  void MagicWandAt(int32_t X, int32_t Y, bool Add);
  void SaveSelectionToStream(TStream* Stream) override;
  // Refuses (false, selection and stream position unchanged) a block that
  // is short or inconsistent.
  bool LoadSelectionFromStream(TStream* Stream) override;
  void SaveSelection();
  bool RestoreSelection();
  int32_t SavedSelectionCount() const { return static_cast<int32_t>(saved_selections_.size()); }
  TIESelectionOptions SelectionOptions() const { return sel_options_; }
  void SetSelectionOptions(TIESelectionOptions Value);
  TIESelectionBase SelectionBase() const { return sel_base_; }
  void SetSelectionBase(TIESelectionBase Value) { sel_base_ = Value; }
  // -1 free, 0 the fixed size, above 0 height to width.
  double SelectionAspect() const { return sel_aspect_; }
  void SetSelectionAspect(double Value);
  int32_t SelectionAbsWidth = 100, SelectionAbsHeight = 100;
  void SetSelectionColors(TColor Colour1, TColor Colour2);
  // The value written into the mask (1-bit masks: 1) and the mask's depth.
  int32_t SelectionIntensity = 1;
  int32_t SelectionMaskDepth() const { return mask_depth_; }
  void SetSelectionMaskDepth(int32_t Value);
  bool SelectionShown() const { return sel_shown_; }
  void SetSelectionShown(bool Value);
  bool MultipleSelections = true;
  bool SelectionZoomKeepAspect = true;
  // Grip squares: half-size, colours, and whether the sides have grips.
  int32_t GripSize = 5;
  TColor GripPenColor = 0, GripBrushColor = 0xFFFFFF;
  bool SideGrips = true;
  // Magic wand: 0 outline, 1 region, 2 every similar pixel; tolerance; grow.
  int32_t MagicWandMode = 0;
  int32_t MagicWandTolerance = 15;
  bool MagicWandGrow = false;
  // The ants pause while the delayed filter waits.
  bool DelayAnts = true;
  // Draws the selection's outline and grips over the window. FromTimer: a
  // tick of the animation.
  void DrawSelection(bool FromTimer = false);
  TTimer* SelectionTimer() const { return sel_timer_; }
  int32_t SelectionPhase() const { return global_phase_; }
  // Image pixels moved per mouse pixel while dragging.
  double MouseScrollRate = 1.0;
  // The screen pixel of an image position through the current layer.
  int32_t LayerToClientX(int32_t X) const;
  int32_t LayerToClientY(int32_t Y) const;
  int32_t ClientToLayerX(int32_t X) const;
  int32_t ClientToLayerY(int32_t Y) const;

  // ---- navigator
  TImagoView* Navigator() const { return navigator_; }
  void SetNavigator(TImagoView* View);
  // The part of the image the navigator frames (image pixels).
  TRect NavigatorRect() const { return nav_rect_; }
  // Moves this view to show the navigator frame starting at (X1, Y1).
  void NavigatorMoved(int32_t X1, int32_t Y1);

  // ---- messages of the input/output worker (also reached through WndProc)
  void HandleMessage(uint32_t Msg, uintptr_t WParam, intptr_t LParam);

  // ---- callbacks
  void ImageChange() override;
  void ViewChange(int32_t Change);
  TIEProgressEvent OnProgress() const { return on_progress_; }
  void SetOnProgress(TIEProgressEvent Value);
  TIEViewNotifyEvent OnFinishWork() const { return on_finish_; }
  void SetOnFinishWork(TIEViewNotifyEvent Value);
  TViewChangeEvent OnViewChange;
  // The transition engine the view owns; its stop event, with the view as
  // sender.
  TIETransitionEffects* Transition() const { return transition_.get(); }
  std::function<void(TObject*)> OnTransitionStop() const;
  void SetOnTransitionStop(std::function<void(TObject*)> Value);
  TIEViewNotifyEvent OnImageChange;
  TIEViewNotifyEvent OnPaint;
  TIEViewNotifyEvent OnDrawBackBuffer;
  TIEOnDrawCanvas OnDrawCanvas;
  TIEOnDrawBackground OnDrawBackground;
  TIELayerNotify OnLayerNotify;
  TIEDrawLayerBoxEvent OnDrawLayerBox;
  TIEDrawLayerGripEvent OnDrawLayerGrip;
  TIEViewNotifyEvent OnBeforeSelectionChange;
  TIEViewNotifyEvent OnSelectionChanging;
  TIEViewNotifyEvent OnSelectionChange;
  TIEDrawPolygonEvent OnDrawPolygon;
  TIEMouseInResizingGripEvent OnMouseInResizingGrip;
  TIEViewNotifyEvent OnMouseInSel;
  TIEZoomEvent OnZoomIn;
  TIEZoomEvent OnZoomOut;
  TIESpecialKeyEvent OnSpecialKey;
  TIEViewNotifyEvent OnDShowNewFrame;
  TIEViewNotifyEvent OnDShowEvent;

 protected:
  // The layer modes of MouseInteract: moving and resizing layers.
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void WMMouseWheel(TMessage& Message) override;
  void KeyDown(uint16_t& Key, TShiftState Shift) override;
  void KeyUp(uint16_t& Key, TShiftState Shift) override;

 private:
  friend class TImagoViewLayerAccess;  // lets tests stack further layers
  struct Axis {  // the visible area on one axis
    int32_t pos = 0, size = 0, snapped = 0;
  };
  struct Tables {  // coordinate tables of one axis
    std::vector<int32_t> s2i, i2s;
    int32_t s2i_len = 0, i2s_len = 0;  // lengths used for lookups
    int32_t s2i_win = 0, i2s_win = 0;  // windows for the current origin
  };

  void SyncLayers();
  void PointNavigatorAt(TIEBitmap* Image);
  void ComputeMaxOrigin(int32_t& MaxX, int32_t& MaxY);
  void OriginMoved(bool Horizontal, bool Vertical);
  double AutoZoomFor(int32_t AvailW, int32_t AvailH, bool Stretch, bool Shrink);
  void UpdateScrollBars();
  void ApplyZoom(double Value);
  void ApplyZoomX(double Value);
  void ApplyZoomY(double Value);
  void Rezoom(void (TImagoView::*Apply)(double), double Value);
  void StoreFactors();
  void StartCountdowns();
  void Scroll(int Bar, int32_t Code, int32_t Pos) override;
  void TransferBackBuffer();
  // Hidden, when given, is the part of Target an opaque image covers next.
  void PaintBackgroundInto(TIEBitmap* Target, const TRect* Hidden = nullptr);
  void RefreshNavigator();
  // The mask layer's grey multiplied into Layer's alpha for one render; the
  // layer's own channel (or null) is returned to be put back.
  std::unique_ptr<TIEBitmap> ApplyMaskLayer(TIELayer* Layer, TIELayer* Mask, bool& HadAlpha);
  void DrawLayerDecorations(TIEBitmap* Target);
  // Clips a layer's placement (destination and source) to layer 0's image.
  void CropToBase(TIELayer* Layer, int64_t& DX, int64_t& DY, int64_t& DW, int64_t& DH, int32_t& SX, int32_t& SY,
                  int32_t& SW, int32_t& SH);
  // Fills a magnifier layer's image from what lies under its centre: layer
  // 0's image or Target as drawn so far. (X, Y, W, H): where it is drawn.
  void FillMagnifier(TIELayer* Layer, TIEBitmap* Target, int32_t X, int32_t Y, int32_t W, int32_t H);
  double ClampZoom(double Value) const;
  // The origin on Axis at which image column (row) Col is drawn over client position P.
  int32_t KeepUnder(int Axis, int32_t Col, int32_t P);
  int32_t ScreenToImage(int Axis, int32_t V);
  int32_t ImageToScreen(int Axis, int32_t V);
  // The first zoomed position of the last image column (no limit at or below 100 %).
  static int64_t LastColumnStart(int32_t Size, double Zoom);
  int64_t ImageToScreen64(int Axis, int64_t V);

  void MoveThumb(int Bar);

  // Clamps a client point into the current layer's box (right and bottom + 1).
  void ClampToCurrentLayer(int32_t& X, int32_t& Y) const;
  void ResizeLayerByGrip(TShiftState Shift, int32_t X, int32_t Y);
  // While the pointer is beyond the image area during a drag the view
  // scrolls towards it, as far as it can.
  void AutoScrollWhileDragging();
  // Shows C without changing the normal cursor (when cursors are enabled).
  void ShowTempCursor(TCursor C);
  void RestoreCursor() { ShowTempCursor(normal_cursor_); }

  TIEViewScrollBars bars_{this};

  // images
  std::vector<std::unique_ptr<TIELayer>> layers_;
  int32_t current_layer_ = 0;
  TIEBitmap* ie_bitmap_ = nullptr;
  TBitmap* legacy_bitmap_ = nullptr;
  std::unique_ptr<TBitmap> own_legacy_;  // the platform bitmap made at construction
  bool legacy_ = true;
  int32_t img_w_ = 0, img_h_ = 0;       // cached size
  int32_t last_w_ = -1, last_h_ = -1;  // last seen size of the current image
  TImagoIO* io_ = nullptr;
  TImagoProc* proc_ = nullptr;

  // placement
  double zoom_x_ = 100, zoom_y_ = 100;
  double zx_ = 1, izx_ = 1, zy_ = 1, izy_ = 1;
  int32_t view_x_ = 0, view_y_ = 0;
  int32_t off_x_ = 0, off_y_ = 0;
  int32_t ext_x_ = 0, ext_y_ = 0;
  int32_t zoomed_w_ = 0, zoomed_h_ = 0;
  int32_t construction_guard_ = 0;
  bool in_update_ = false, reentry_ = false;
  double scale_[2] = {1.0, 1.0};
  bool invalidate_on_update_ = true;
  TIEScrollBarParams hparams_, vparams_;
  TIEMouseWheelParams wheel_params_;
  bool center_ = true;
  TScrollStyle scroll_bars_ = ssBoth;
  int32_t last_view_w_ = 0, last_view_h_ = 0;

  // visible area and tables
  Axis src_[2];
  int32_t dest_w_ = 0, dest_h_ = 0;
  Tables tables_[2];
  bool tables_exist_ = false;
  double key_zoom_x_ = -1, key_zoom_y_ = -1;
  int32_t key_dest_w_ = -1, key_dest_h_ = -1, key_img_w_ = -1, key_img_h_ = -1;

  // painting
  std::unique_ptr<TBitmap> back_buffer_;
  std::unique_ptr<TIEBitmap> back_ie_;
  std::unique_ptr<TIETransitionEffects> transition_;
  bool dirty_ = true, full_repaint_ = true;
  bool render_stopped_ = false;  // the last render was given up: it is still due
  TIEBackgroundStyle background_style_ = iebsSolid;
  int32_t chess_size_ = 16;
  TBrushStyle chess_brush_ = bsSolid;
  std::unique_ptr<TPicture> wallpaper_;
  TIEWallPaperStyle wallpaper_style_ = iewoNormal;
  TResampleFilter zoom_filter_ = rfNone, saved_zoom_filter_ = rfNone;
  int32_t delay_countdown_ = 0, anim_countdown_ = 0;
  bool enable_alpha_ = false, draw_version_ = false;

  // navigator
  TImagoView* navigator_ = nullptr;
  bool nav_reentry_ = false;
  TRect nav_rect_{0, 0, 0, 0};
  // The window the video notices were last pointed at.
  HWND notice_window_ = nullptr;

  // mouse interaction
  TIEMouseInteract mouse_interact_;
  int32_t press_x_ = 0, press_y_ = 0;          // clamped into the current layer's box
  int32_t raw_press_x_ = 0, raw_press_y_ = 0;  // as it came
  int32_t last_x_ = 0, last_y_ = 0, prev_x_ = 0, prev_y_ = 0;
  int32_t press_view_x_ = 0, press_view_y_ = 0;
  int32_t moving_layer_ = -1;  // the layer being moved, -1 for none
  int32_t layer_grip_ = 0;     // the grip being dragged (1..8), 0 for none
  TRect layer_box_at_press_{0, 0, 0, 0};
  TResampleFilter mouse_zoom_filter_ = rfNone;  // ZoomFilter from the press to the release
  bool mouse_filter_saved_ = false;
  bool cursor_enabled_ = true;
  bool showing_temp_cursor_ = false;
  TCursor normal_cursor_ = crDefault;

  // selection
  void EnsureMask();
  // The selection goes quietly (the image changed size under it).
  void DropSelectionForNewSize();
  void SelectRectCore(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t Op, bool Square, bool KeepInside);
  void SelectCircleTo(int32_t X, int32_t Y, TShiftState Shift);
  void SelectRectTo(int32_t X, int32_t Y, TShiftState Shift);
  void EndPolygon(bool Add);
  void DrawRecordLines(TCanvas* C);
  void DrawDashedLine(TCanvas* C, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2);
  void DrawGrips(TCanvas* C);
  void SelectionTimerTick(TObject* Sender);
  bool GestureInProgress() const { return rect_sel_ || circle_sel_ || poly_sel_ || lasso_sel_; }
  void RememberSelectionBox();
  void FireSelectionCallback(const TIEViewNotifyEvent& Event);
  // The rubber-band line of a polygon being drawn, inverted (drawn twice: gone).
  void DrawRubberBand(int32_t X, int32_t Y);
  // A point snapped to 45 degrees from the last polygon point (as drawn).
  void SnapToLastPoint(int32_t& X, int32_t& Y);

  TIEMask mask_;
  int32_t mask_depth_ = 1;
  TIESelectionPolygon sel_;
  bool has_selection_ = false;
  bool rect_sel_ = false, circle_sel_ = false, poly_sel_ = false, lasso_sel_ = false;
  TIEGrip sel_grip_ = ieNone;
  int32_t sel_move_ = -1;  // 0 while a selection is moved
  bool moved_rect_ = false;  // the moved selection is a rectangle polygon
  TIESelectionOptions sel_options_{iesoAnimated, iesoSizeable, iesoMoveable, iesoCanScroll};
  TIESelectionBase sel_base_ = iesbClientArea;
  double sel_aspect_ = -1;
  bool sel_shown_ = true;
  int32_t sel_box_at_press_[4] = {0, 0, 0, 0};
  int32_t press_point_count_ = 0;
  TTimer* sel_timer_ = nullptr;
  int32_t global_phase_ = 0;
  bool auto_scrolling_ = false;
  bool sel_changed_ = false;
  bool rubber_band_ = false;
  int32_t rubber_x_ = 0, rubber_y_ = 0;
  std::vector<std::unique_ptr<TMemoryStream>> saved_selections_;
  // keys whose key-up ran when they went down
  std::vector<uint16_t> early_keys_;
  // SelectionBase as the application set it, swapped in around callbacks
  TIESelectionBase app_sel_base_ = iesbClientArea;
  bool in_mouse_event_ = false;
  bool left_pressed_ = false;
  // The key-up behaviour: OnKeyUp (when Fire) and the cursor.
  void RunKeyUp(uint16_t& Key, TShiftState Shift, bool Fire);
  // The special-key query: whether the view takes Key.
  bool WantSpecialKey(uint16_t Key, TShiftState Shift);

  TIEProgressEvent on_progress_;
  TIEViewNotifyEvent on_finish_;
};
