#pragma once
// A toolbar: a row of items, each drawn with its caption (below its image
// place when the glyph sits on top). A click on an enabled item runs it.

#include <vector>

#include "toolbar/TDKItemTypes.h"
#include "toolbar/TTBKItem.h"
#include "ui/TControl.h"

enum TTBKDockMode { dmCanFloat, dmCannotFloat };
// Display modes are the item tree's own.
using TTBKDisplayMode = TDKItemDisplayMode;
enum TTBKLayout { tbklGlyphLeft, tbklGlyphTop };

class TCustomImageList;
class TChangeLink;

class TTBKToolbar : public TCustomControl {
  RTL_CLASS(TTBKToolbar, TCustomControl)
 public:
  explicit TTBKToolbar(TComponent* AOwner);
  ~TTBKToolbar() override;
  void BeforeDestruction() override;

  // The toolbar takes the item into its list (not into its ownership).
  void Add(TTBKItem* Item);
  int32_t ItemCount() const { return int32_t(items_.size()); }
  TTBKItem* Items(int32_t Index) const { return items_.at(size_t(Index)); }
  // The item under a client point; null over empty space or a separator.
  TTBKItem* ItemAt(int32_t X, int32_t Y);
  TRect ItemRect(const TTBKItem* Item);

  TTBKDockMode DockMode() const { return dockMode_; }
  void SetDockMode(TTBKDockMode v) { dockMode_ = v; }
  TTBKDisplayMode DisplayMode() const { return displayMode_; }
  void SetDisplayMode(TTBKDisplayMode v);
  TTBKLayout Layout() const { return layout_; }
  void SetLayout(TTBKLayout v);
  bool FullSize() const { return fullSize_; }
  void SetFullSize(bool v) { fullSize_ = v; }
  TCustomImageList* Images() const { return images_; }
  void SetImages(TCustomImageList* v);

  void ItemChanged(TTBKItem* Item);
  void Notification(TComponent* AComponent, TOperation Operation) override;

 protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void Dispatch(TMessage& Message) override;

 private:
  void Layout_();
  // The item has a picture in the image list and the mode shows pictures.
  bool ShowsImage(const TTBKItem* Item) const;
  std::vector<TTBKItem*> items_;
  std::vector<TRect> rects_;
  TTBKItem* pressed_ = nullptr;
  TTBKDockMode dockMode_ = dmCanFloat;
  TTBKDisplayMode displayMode_ = nbdmDefault;
  TTBKLayout layout_ = tbklGlyphLeft;
  bool fullSize_ = false;
  TCustomImageList* images_ = nullptr;
  TChangeLink* imageLink_;  // relays changes of the image list
};
