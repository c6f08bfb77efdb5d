#pragma once
// The vocabulary shared by items, viewers and views of the toolbar library.

#include <cstdint>

#include "rtl/Exception.h"

class TDKCustomItem;
class TDKItemViewer;
class TDKView;
class TDKPopupWindow;
class TComponent;

// How an item shows itself.
enum TDKItemDisplayMode { nbdmDefault, nbdmTextOnly, nbdmTextOnlyInMenus, nbdmImageAndText };

enum TDKItemOption {
  dkoDefault,
  dkoDropdownArrow,
  dkoImageAboveCaption,
  dkoLongHintInMenuOnly,
  dkoNoAutoHint,
  dkoNoRotation,
  dkoSameWidth,
  dkoShowHint,
  dkoToolbarStyle,
  dkoToolbarSize
};
using TDKItemOptions = uint16_t;  // bit set of TDKItemOption
constexpr TDKItemOptions dkoBit(TDKItemOption o) { return TDKItemOptions(1u << o); }

// What kind of item this is (bits 7 to 9 carry nothing).
enum : uint16_t {
  dksfSubmenu = 1u << 0,
  dksfSelectable = 1u << 1,
  dksfSeparator = 1u << 2,
  dksfEmbeddedGroup = 1u << 3,
  dksfPassClicks = 1u << 4,
  dksfSplit = 1u << 5,
  dksfNoAutoOpen = 1u << 6,
  dksfNoSelectFirst = 1u << 10,
  dksfRedrawOnSelect = 1u << 11,
  dksfRedrawOnHover = 1u << 12,
  dksfStretch = 1u << 13,
};
using TDKItemStyleFlags = uint16_t;

enum TDKChildAction {
  dkcaInserted = 0,
  dkcaDeleting = 1,
  dkcaLinksChanged = 2,
  dkcaBeginUpdate = 3,
  dkcaEndUpdate = 4,
  dkcaRepaint = 5,
  dkcaRelayout = 6,
  dkcaRecreateViewers = 7,
  dkcaRenamed = 8,
  dkcaRefresh = 9
};

// A listener of an item's changes: a procedure and the object it works for.
using TDKItemChangedProc = void (*)(void* Data, TDKCustomItem* Changed, bool Relayed,
                                    TDKCustomItem* Item, int32_t Index, TDKChildAction Action);

// Class references of viewers and popup windows.
using TDKItemViewerClass = TDKItemViewer* (*)(TDKView* View, TDKCustomItem* Item, int32_t GroupLevel);
using TDKPopupWindowClass = TDKPopupWindow* (*)(TComponent* Owner, TDKView* ParentView,
                                                TDKCustomItem* Item, bool Customizing);

enum TDKLayoutOrientation { vorHorizontal = 0, vorVertical = 1, vorFloating = 2 };

enum TPopupAlignment { paLeft, paRight, paCenter };

// What a menu loop decided; carried out after the loop ends.
enum TDKMenuAction { moNone = 0, moCancel = 1, moClickItem = 2, moSystemMenu = 3, moHelpContext = 4 };
struct TDKMenuOutcome {
  TDKMenuAction Action = moNone;
  TDKCustomItem* Item = nullptr;   // moClickItem
  void* Window = nullptr;          // moSystemMenu: the window (HWND)
  int32_t HelpContext = 0;         // moHelpContext
  int32_t Number = 0;              // moSystemMenu: the key
  bool Sound = false;              // chosen in a popup
};

class EDKItemError : public Exception {
 public:
  using Exception::Exception;
};

inline constexpr const char* SDKItemIndexOutOfRange = "Toolbar item index out of range";
inline constexpr const char* SDKItemAlreadyInserted = "Toolbar item already inserted";
inline constexpr const char* SDKViewerNotFound =
    "An item viewer associated the specified item could not be found";
