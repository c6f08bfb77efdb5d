#pragma once
// The small tool window a floating dockable window lives in: a thin frame,
// an optional small caption with a close button, and resizing borders.

#include "toolbar/TDKDock.h"
#include "ui/TForm.h"

enum : uint8_t { fpBorder = 1, fpCaption = 2, fpCloseButton = 4 };
using TDKFloatFrameParts = uint8_t;

class TDKFloatingWindowParent : public TCustomForm {
  RTL_CLASS(TDKFloatingWindowParent, TCustomForm)
 public:
  explicit TDKFloatingWindowParent(TComponent* AOwner);
  ~TDKFloatingWindowParent() override;

  TCustomForm* OwnerForm = nullptr;
  TDKCustomDockableWindow* HostedWindow = nullptr;
  bool ShowWanted = false;
  bool ClosePressed() const { return closePressed_; }
  void SetClosePressed(bool Pressed);

  TRect CaptionRect(bool Offset, bool WithoutClose);
  TRect CloseButtonRect(bool Offset);
  virtual void DrawFrame(bool ToDC, HDC DC, TDKFloatFrameParts Parts, HRGN Clip);
  // Frees the window now, or, while one of its own message handlers runs,
  // once that handler has returned.
  void FreeWhenIdle();
  bool InHandler() const { return handlerDepth_ > 0; }

  void Dispatch(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void AlignControls(TControl* AControl, TRect& Rect) override {}
  void CMShowingChanged(TMessage& Message) override;
  void CMDialogKey(TMessage& Message) override;

 private:
  bool closePressed_ = false;
  int32_t handlerDepth_ = 0;
  bool freePending_ = false;
};

void RedrawFloatingFrame(TDKFloatingWindowParent* Parent, TDKFloatFrameParts Parts);
int32_t SmallCaptionHeight();
