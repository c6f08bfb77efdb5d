#pragma once
// Routines shared by the themed controls: the view-kind and parent-colour
// queries, painting a parent's background behind a control, the image
// column of popup menus, frame refreshes, and the small routines through
// which the status bar asks the theme for text colours, captions and images.

#include <cstdint>
#include <string>

#include "platform/Geometry.h"
#include "toolbar/TTBKTheme.h"

class TComponent;
class TControl;
class TCanvas;
class TCustomImageList;
class TDKView;
class TDKItemViewer;

// State flags of item drawing: 0x1 disabled, 0x2 hot, 0x4 pushed, 0x8 checked.
enum : int32_t { tbkisDisabled = 0x1, tbkisHot = 0x2, tbkisPushed = 0x4, tbkisChecked = 0x8 };
int32_t ItemStateFlags(const TTBKItemPaintInfo& ItemInfo);

// 0 when the view or its owner is missing, else the answer of its window to
// TBKM_QUERYVIEWKIND.
uint32_t QueryViewKind(TDKView* View);
uint32_t QueryComponentViewKind(TComponent* Component);
// The colour a control should treat as its background.
TColor GetParentColor(TControl* Control);
// Paints what the parent shows behind the control into Rect of DC (the
// control's coordinates).
void DrawParentBackground(TControl* Control, HDC DC, const TRect& Rect);
void RecreateFrame(TControl* Control);
void RedrawFrame(TControl* Control);
// The width of the image column of popup menus.
int32_t ImageColumnWidth(TDKItemViewer* Viewer);

// Status-bar flags: bit 0 disabled, bit 1 hot, bit 2 pushed, bit 3 checked;
// bits 8 to 11 the kind: 0 toolbar, 1 dock panel, 2 status bar.
enum : int32_t {
  tbksfDisabled = 0x1,
  tbksfHot = 0x2,
  tbksfPushed = 0x4,
  tbksfChecked = 0x8,
  tbksfKindToolbar = 0x000,
  tbksfKindDockPanel = 0x100,
  tbksfKindStatusBar = 0x200,
};
// The item-state record the status-bar flags describe.
TTBKItemPaintInfo StatusItemInfo(int32_t Flags);
TColor StatusTextColor(int32_t Flags);
void StatusDrawText(TCanvas* Canvas, const TRect& R, const std::string& Text, int32_t Flags, UINT Format);
void StatusDrawImage(TCanvas* Canvas, const TRect& R, TCustomImageList* Images, int32_t Flags, int32_t Index);
