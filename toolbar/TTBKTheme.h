#pragma once
// The theme contract of the toolbar library: every themed control describes
// what it wants drawn in a small state record and asks the current theme to
// draw it, and asks the theme for colours, margins, border sizes and
// metrics. Also the registry of theme classes (instantiated on first use,
// with a use count), the current theme, and the theme manager that watches
// the system for colour, display and activation changes.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Geometry.h"
#include "platform/Types.h"
#include "toolbar/TDKDock.h"
#include "ui/TColor.h"
#include "ui/TControl.h"

class TCanvas;
class TCustomImageList;

// --- Messages ---------------------------------------------------------------------

enum : UINT {
  TBKM_QUERYVIEWKIND = 0x4ED,     // Result: the view kind (0 when unanswered)
  TBKM_QUERYPARENTCOLOR = 0x4EE,  // nonzero Result when answered; WParam: the colour
  TBKM_SYSCHANGE = 0x538,         // WParam: notification code
  TBKM_THEMECHANGED = 0x53A,      // WParam: the same code, forwarded to controls
};

// Notification codes of TBKM_SYSCHANGE and TBKM_THEMECHANGED.
enum : WPARAM {
  tbknBeginChange = 1,
  tbknRefreshColors = 2,
  tbknEndChange = 3,
  tbknAppActivated = 4,
  tbknAppDeactivated = 5,
};

// --- View kinds (a test needs every bit of its mask) ------------------------------

using TTBKViewKind = uint32_t;
enum : uint32_t {
  tbkvToolbar = 0x1000,
  tbkvNormalToolbar = 0x1001,
  tbkvMenuBar = 0x1002,
  tbkvOpaqueItems = 0x0200,
  tbkvResizable = 0x0400,
  tbkvFloating = 0x0800,
  tbkvPopup = 0x2000,
  tbkvPopupMenu = 0x2001,
  tbkvListPopup = 0x2002,
  tbkvToolBoxPopup = 0x2004,
  tbkvChevronPopup = 0x2008,
  tbkvDockPanel = 0x4000,
  tbkvStatusBar = 0x10000,
};
inline bool ViewKindIs(uint32_t Kind, uint32_t Mask) { return (Kind & Mask) == Mask; }

// Item option flags.
enum : uint32_t {
  tbkoToolbarStyle = 0x01,
  tbkoSubmenu = 0x04,
  tbkoSplit = 0x08,
  tbkoDesigning = 0x10,
  tbkoAppActive = 0x20,
};

// --- State records ----------------------------------------------------------------------

// The state of one item as the theme draws it (zero-filled by every builder).
struct TTBKItemPaintInfo {
  uint32_t ViewKind = 0;
  uint32_t Options = 0;
  bool Enabled = false;
  bool Pushed = false;
  // 0 not selected; 1 selected by keyboard while disabled; 2 hot.
  uint8_t Hover = 0;
  bool Checked = false;
  bool HasImage = false;
  int32_t ImageWidth = 0;
  int32_t ImageHeight = 0;
  bool Vertical = false;
  // 0 plain; 1 drop-down button; 2 button part of a split item; 3 its arrow part.
  uint8_t SplitPart = 0;
  bool OpensPopup = false;
  int32_t ImageColumnWidth = 0;
};

// Left, right, top, bottom widths in pixels.
struct TTBKPartMargins {
  int32_t LeftWidth = 0;
  int32_t RightWidth = 0;
  int32_t TopHeight = 0;
  int32_t BottomHeight = 0;
};

// Part ids of GetPartMargins.
enum : int32_t { tbkpToolbarItem = 1, tbkpPopupMenuItem = 2, tbkpStatusBarPanel = 3 };
// Status-bar part codes of DrawStatusBarPart.
enum : int32_t { tbksbBackground = 0, tbksbPanel = 1, tbksbRightPanel = 2, tbksbSizeGrip = 3 };
// Dock position codes of DrawDockBackground (the dock's Position + 1).
enum : int32_t { tbkdTop = 1, tbkdBottom = 2, tbkdLeft = 3, tbkdRight = 4 };
// Close-button state bits of the toolbar, floating and dock-panel records.
enum : int32_t { tbkcbShown = 1, tbkcbHot = 2, tbkcbPressed = 4 };
// Glyph kinds and state flags of DrawControlGlyph.
enum : int32_t { tbkgCheckBox = 1, tbkgRadioButton = 2 };
enum : int32_t {
  tbkcgChecked = 0x01,
  tbkcgGrayed = 0x02,
  tbkcgDisabled = 0x04,
  tbkcgHot = 0x08,
  tbkcgPressed = 0x10,
  tbkcgFocused = 0x20,
};
// Integer metric ids of GetIntMetric.
enum : int32_t {
  tbkmSplitArrowWidth = 10,
  tbkmDropDownArrowWidth = 20,
  tbkmDropDownArrowMargin = 21,
  tbkmMenuLeftMargin = 32,
  tbkmMenuImageTextSpace = 33,
  tbkmMenuRightMargin = 34,
  tbkmMenuSeparatorSize = 35,
  tbkmToolbarSeparatorSize = 50,
  tbkmEditTextMargin = 60,
};
// Boolean metric ids of GetBoolMetric.
enum : int32_t {
  tbkbmOwnPopupPlacement = 1,
  tbkbmPaintDockBackground = 5,
  tbkbmColorNCArea = 6,
  tbkbmNoDockBackgroundImage = 7,
};
// Scroll-arrow directions of DrawScrollArrowButton.
enum : int32_t { tbksaUp = 1, tbksaDown = 2, tbksaLeft = 3, tbksaRight = 4 };
// Merged-child caption buttons of DrawMDICaptionButton.
enum : int32_t { tbkmbMinimize = 1, tbkmbRestore = 2, tbkmbClose = 3 };

struct TTBKToolbarPaintInfo {
  HWND WindowHandle = 0;
  uint32_t ViewKind = 0;
  bool Vertical = false;
  bool AllowDrag = false;
  uint8_t BorderStyle = 0;  // 0 none, 1 single
  TSize BorderSize{0, 0};
  int32_t ClientWidth = 0;
  int32_t ClientHeight = 0;
  TDKDragHandleStyle DragHandleStyle = dhDouble;
  int32_t CloseButtonState = 0;
  TColor EffectiveColor = 0;
};

struct TTBKFloatingPaintInfo {
  HWND WindowHandle = 0;
  HWND ClientHandle = 0;
  uint32_t ViewKind = 0;
  int32_t ClientWidth = 0;
  int32_t ClientHeight = 0;
  bool ShowCaption = false;
  TSize BorderSize{0, 0};
  int32_t CloseButtonState = 0;
  int32_t RedrawParts = 0;  // bit 0 frame, bit 1 caption, bit 2 close button
  const char* Caption = nullptr;
  TColor Color = 0;
  bool Active = false;
};
enum : int32_t { tbkrpFrame = 1, tbkrpCaption = 2, tbkrpCloseButton = 4 };

struct TTBKPopupPaintInfo {
  HWND WindowHandle = 0;
  uint32_t ViewKind = 0;
  TRect ParentItemRect{0, 0, 0, 0};
  TSize BorderSize{0, 0};
};

struct TTBKDockPanelPaintInfo {
  HWND WindowHandle = 0;
  uint32_t ViewKind = 0;
  bool Vertical = false;
  bool ShowCaption = false;
  int32_t CloseButtonState = 0;
  const char* Caption = nullptr;
};

// An edit item's buttons: kind 1 drop-down, 2 spin; state flags as in
// DrawControlGlyph (disabled, hot, pressed).
struct TTBKEditButtonInfo {
  int32_t ButtonType = 0;
  int32_t ButtonState = 0;
};
enum : int32_t { tbkebDropDown = 1, tbkebSpin = 2 };
struct TTBKEditPaintInfo {
  int32_t LeftBtnWidth = 0;
  int32_t RightBtnWidth = 0;
  TTBKEditButtonInfo RightBtnInfo;
};

// --- The theme ---------------------------------------------------------------------------

// An object that takes messages by direct dispatch (themes, the nexus).
class TTBKMessageTarget {
 public:
  virtual ~TTBKMessageTarget() = default;
  virtual void Dispatch(TMessage& Message) {}
};

class TTBKTheme : public TTBKMessageTarget {
 public:
  explicit TTBKTheme(const std::string& AName) : name_(AName) {}
  const std::string& Name() const { return name_; }

  virtual TPoint GetImageShift(TCanvas* Canvas, const TTBKItemPaintInfo& ItemInfo, TCustomImageList* ImageList) = 0;
  virtual TColor GetItemBackColor(const TTBKItemPaintInfo& ItemInfo) = 0;
  virtual TColor GetItemForeColor(const TTBKItemPaintInfo& ItemInfo) = 0;
  virtual TColor GetItemGlyphBackColor(const TTBKItemPaintInfo& ItemInfo) = 0;
  virtual void GetPartMargins(int32_t PartID, TTBKPartMargins& Margins) = 0;
  virtual int32_t GetShadowKind() = 0;
  virtual TSize GetViewBorderSize(uint32_t ViewKind) = 0;
  virtual TColor GetViewBackColor(uint32_t ViewKind) = 0;
  virtual void GetViewPadding(uint32_t ViewKind, TTBKPartMargins& Margins) = 0;
  virtual void DrawBackground(TCanvas* Canvas, const TRect& DockRect, const TRect& R, const TRect& ClipRect,
                              TColor Color, bool Transparent, uint32_t ViewKind) = 0;
  virtual void DrawButtonFace(TCanvas* Canvas, const TRect& R, const TTBKItemPaintInfo& ItemInfo) = 0;
  virtual void DrawItemText(TCanvas* Canvas, TRect R, const TTBKItemPaintInfo& ItemInfo, const std::string& Text,
                            UINT Format, bool Rotated) = 0;
  virtual void DrawCheckGlyph(TCanvas* Canvas, const TRect& R, const TTBKItemPaintInfo& ItemInfo) = 0;
  virtual void DrawChevronButton(TCanvas* Canvas, const TRect& R, const TTBKItemPaintInfo& ItemInfo) = 0;
  virtual void DrawEditBox(TCanvas* Canvas, const TRect& R, const TTBKEditPaintInfo& EditInfo,
                           const TTBKItemPaintInfo& ItemInfo) = 0;
  virtual void DrawEditButtons(TCanvas* Canvas, const TRect& R, const TTBKEditButtonInfo& ButtonInfo,
                               const TTBKItemPaintInfo& ItemInfo) = 0;
  virtual void DrawDockBackground(TCanvas* Canvas, const TRect& R, const TRect& ClipRect, int32_t DockPosition) = 0;
  virtual void DrawDockPanelBorder(TCanvas* Canvas, const TRect& R, const TTBKDockPanelPaintInfo& PanelInfo) = 0;
  virtual void DrawDropDownArrow(TCanvas* Canvas, const TRect& R, const TTBKItemPaintInfo& ItemInfo) = 0;
  virtual void DrawFloatingWindowBorder(TCanvas* Canvas, const TRect& R,
                                        const TTBKFloatingPaintInfo& FloatingInfo) = 0;
  virtual void DrawItemFrame(TCanvas* Canvas, const TRect& R, const TTBKItemPaintInfo& ItemInfo) = 0;
  virtual void DrawGlyph(TCanvas* Canvas, const TRect& R, TCustomImageList* ImageList, int32_t ImageIndex,
                         const TTBKItemPaintInfo& ItemInfo) = 0;
  virtual void DrawMDICaptionButton(TCanvas* Canvas, const TRect& R, int32_t ButtonKind,
                                    const TTBKItemPaintInfo& ItemInfo) = 0;
  virtual void DrawMenuItem(TCanvas* Canvas, const TRect& R, const TTBKItemPaintInfo& ItemInfo) = 0;
  virtual void DrawMenuItemHighlight(TCanvas* Canvas, const TRect& R, const TTBKItemPaintInfo& ItemInfo) = 0;
  virtual void DrawScrollArrowButton(TCanvas* Canvas, const TRect& R, bool Hot, int32_t Direction) = 0;
  virtual void DrawPopupBorder(TCanvas* Canvas, const TRect& R, const TTBKPopupPaintInfo& PopupInfo) = 0;
  virtual void DrawSeparatorLine(TCanvas* Canvas, const TRect& R, const TTBKItemPaintInfo& ItemInfo,
                                 bool Horizontal, bool VerticalView) = 0;
  virtual void DrawToolbarBorder(TCanvas* Canvas, const TRect& R, const TTBKToolbarPaintInfo& ToolbarInfo) = 0;
  virtual void DrawControlGlyph(TCanvas* Canvas, const TRect& R, int32_t GlyphKind, int32_t StateFlags) = 0;
  virtual void DrawStatusBarPart(TCanvas* Canvas, const TRect& R, int32_t Part) = 0;
  virtual int32_t GetIntMetric(int32_t Index) = 0;
  virtual bool GetBoolMetric(int32_t Index) = 0;

 private:
  std::string name_;
};

// Makes an instance of a theme class under a name (the class reference of
// the registry).
using TTBKThemeClass = TTBKTheme* (*)(const std::string& Name);

// --- Registry ----------------------------------------------------------------------------

// Raises on an empty name, a missing class or a name already registered
// (any letter case).
void RegisterTheme(const std::string& Name, TTBKThemeClass ThemeClass);
// The index of the theme of that name ignoring letter case, or -1.
int32_t FindTheme(const std::string& Name);
// The shared instance of the named theme (made on first use); raises for an
// unknown name.
TTBKTheme* AcquireTheme(const std::string& Name);
// One use less; the last frees the instance and empties Theme. Raises for
// an instance the registry does not hold or one not in use.
void ReleaseTheme(TTBKTheme*& Theme);
// The use count of a registered theme (0 when unknown).
int32_t ThemeUseCount(const std::string& Name);

// --- The theme manager ---------------------------------------------------------------------

void AddSystemChangeNotification(TTBKMessageTarget* Obj);
void RemoveSystemChangeNotification(TTBKMessageTarget* Obj);

// Global theme variables, recomputed when the system's colours, display or
// look change.
struct TTBKThemeVariables {
  bool VisualStylesActive = false;
  bool LowColor = false;
  bool WhiteButtonFace = false;
  bool PlainGlyphs = false;
  TColor ToolbarColor = clBtnFace;
  TColor ToolbarTextColor = clBtnText;
  bool FlatMenus = false;
  TColor MenuColor = clMenu;
  TColor MenuTextColor = clMenuText;
  TColor HotLightColor = clHighlight;
};
const TTBKThemeVariables& ThemeVariables();

// Flat-menu mode: 0 follow the system, 1 never flat, 2 always flat.
enum TTBKFlatMenuMode { fmmSystem, fmmNeverFlat, fmmAlwaysFlat };

class TTBKThemeManager {
 public:
  TTBKThemeManager();
  ~TTBKThemeManager();
  void UpdateVariables();
  // Dispatches the message to every listed object in list order (objects
  // added or removed meanwhile are honoured); answers the last result.
  LRESULT Broadcast(UINT Msg, WPARAM WParam, LPARAM LParam);
  HWND Handle() const { return wnd_; }
  // Makes the utility window again when the platform took it away.
  void EnsureWindow();
  TTBKFlatMenuMode FlatMenuMode() const { return flatMenuMode_; }
  void SetFlatMenuMode(TTBKFlatMenuMode v) { flatMenuMode_ = v; }
  bool VisualStylesEnabled() const { return visualStylesEnabled_; }
  void AddNotification(TTBKMessageTarget* Obj);
  void RemoveNotification(TTBKMessageTarget* Obj);

 private:
  LRESULT WndProc(UINT Msg, WPARAM WParam, LPARAM LParam);
  bool visualStylesEnabled_ = true;
  TTBKFlatMenuMode flatMenuMode_ = fmmSystem;
  std::vector<TTBKMessageTarget*> notifyList_;
  HWND wnd_ = 0;
};
// The one theme manager (made on first use; FreeThemeManager ends it).
TTBKThemeManager* ThemeManager();
void FreeThemeManager();

// --- The current theme and the nexus ------------------------------------------------------

// The theme all themed controls call; empty until StartThemes runs.
extern TTBKTheme* CurrentTheme;

// Forwards system changes to every registered control as TBKM_THEMECHANGED.
class TTBKNexus : public TTBKMessageTarget {
 public:
  explicit TTBKNexus(const std::string& ThemeName);
  ~TTBKNexus() override;
  void Dispatch(TMessage& Message) override;
  void AddControl(TControl* Control);
  void RemoveControl(TControl* Control);
  const std::vector<TControl*>& Controls() const { return controls_; }

 private:
  std::vector<TControl*> controls_;
};

// Registers "Default" and makes the nexus (CurrentTheme is then set); does
// nothing when already started. StopThemes frees the nexus and the theme.
void StartThemes();
void StopThemes();
TTBKNexus* Nexus();

// Adds a control once to the nexus's list of controls that receive
// TBKM_THEMECHANGED / removes it.
void AddThemeNotification(TControl* Control);
void RemoveThemeNotification(TControl* Control);
