#include "toolbar/TTBKItem.h"

RTL_DEFINE_CLASS(TTBKItem, TDKCustomItem, Published("Caption", &TTBKItem::Caption, &TTBKItem::SetCaption),
                 Published("Hint", &TTBKItem::Hint, &TTBKItem::SetHint))
RTL_DEFINE_CLASS(TTBKSeparatorItem, TDKSeparatorItem)

void TTBKItem::SetLayout(TTBKLayout v) {
  TDKItemOptions o = Options();
  o = v == tbklGlyphTop ? TDKItemOptions(o | dkoBit(dkoImageAboveCaption))
                        : TDKItemOptions(o & ~dkoBit(dkoImageAboveCaption));
  SetOptions(o);
}
