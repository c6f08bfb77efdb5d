#pragma once
// The items of the program's toolbars: commands of the item tree with a
// caption, hint, image and click handler, and the separators between them.

#include <string>

#include "toolbar/TDKCustomItem.h"

// Where an item's picture sits against its caption.
enum TTBKLayout { tbklGlyphLeft, tbklGlyphTop };

class TTBKItem : public TDKCustomItem {
  RTL_CLASS(TTBKItem, TDKCustomItem)
 public:
  explicit TTBKItem(TComponent* AOwner) : TDKCustomItem(AOwner) {}
  TTBKLayout Layout() const { return HasOption(dkoImageAboveCaption) ? tbklGlyphTop : tbklGlyphLeft; }
  void SetLayout(TTBKLayout v);
};

// A space between items; a blank separator draws no line.
class TTBKSeparatorItem : public TDKSeparatorItem {
  RTL_CLASS(TTBKSeparatorItem, TDKSeparatorItem)
 public:
  explicit TTBKSeparatorItem(TComponent* AOwner) : TDKSeparatorItem(AOwner) {}
};
