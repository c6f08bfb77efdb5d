#pragma once
// The viewers of the themed items: they measure items and describe each
// item's state to the current theme, which paints it.

#include <string>

#include "toolbar/TDKItemViewer.h"
#include "toolbar/TTBKItem.h"
#include "toolbar/TTBKTheme.h"

class TFont;

class TTBKItemViewer : public TDKItemViewer {
 public:
  TTBKItemViewer(TDKView* View, TDKCustomItem* Item, int32_t GroupLevel);
  // One extra pixel of width for items with the image left of the caption.
  bool Wide = true;

  void MeasureItem(TCanvas* Canvas, int32_t& Width, int32_t& Height) override;
  int32_t AccessibleRole() override;
  bool UsesToolbarSize() override;
  bool UsesToolbarStyle() override;
  bool PointInButtonPart(int32_t X, int32_t Y) override;
  void MouseUp(int32_t X, int32_t Y, bool MouseDownOnMenu) override;
  void RenderItem(TCanvas* Canvas, TRect R, bool IsSelected, bool IsPushed, bool UseDisabledShadow) override;

  // Runs before each caption is drawn; clearing PaintDefault draws nothing.
  virtual void CaptionPaintHook(TCanvas* Canvas, const TRect& ItemRect, bool& PaintDefault, bool Rotated,
                                TRect& TextRect) {}
  virtual int32_t GetImageSide() { return UsesToolbarStyle() ? 1 : 2; }
  virtual void RenderItemImage(TCanvas* Canvas, const TRect& ImageRect, const TTBKItemPaintInfo& ItemInfo);
  virtual void AdjustItemFont(TFont* Font, int32_t StateFlags);
  virtual bool ShowsImage();
  virtual TSize GetImageSize();
  virtual UINT GetTextFormat();
  virtual TSize MeasureCaption(TCanvas* Canvas, const std::string& Text, int32_t StateFlags, bool Rotated,
                               UINT Format);

 protected:
  TTBKItemLayout EffectiveLayout();
  bool InToolBoxPopup();

 private:
  // The steps of RenderItem, over what one painting works from.
  struct TRenderPass;
  void FillPaintInfo(TRenderPass& P, bool IsSelected, bool IsPushed);
  void PrepareCaption(TRenderPass& P, TCanvas* Canvas);
  void DrawToolbarFace(TRenderPass& P, TCanvas* Canvas, TRect& R);
  void DrawMenuFace(TRenderPass& P, TCanvas* Canvas, TRect& R);
  void PaintCaptionPart(TRenderPass& P, TCanvas* Canvas, const TRect& R, const std::string& S, TRect Tr, UINT F,
                        bool Rotated);
  void DrawToolbarCaption(TRenderPass& P, TCanvas* Canvas, const TRect& R);
  void DrawMenuCaption(TRenderPass& P, TCanvas* Canvas, const TRect& R);
  void DrawImageArea(TRenderPass& P, TCanvas* Canvas, const TRect& R);
};

class TTBKSeparatorItemViewer : public TDKSeparatorItemViewer {
 public:
  using TDKSeparatorItemViewer::TDKSeparatorItemViewer;
  void MeasureItem(TCanvas* Canvas, int32_t& Width, int32_t& Height) override;
  bool UsesToolbarSize() override;
  bool UsesToolbarStyle() override;
  void RenderItem(TCanvas* Canvas, TRect R, bool IsSelected, bool IsPushed, bool UseDisabledShadow) override;
};

class TTBKChevronItemViewer : public TDKItemViewer {
 public:
  using TDKItemViewer::TDKItemViewer;
  void RenderItem(TCanvas* Canvas, TRect R, bool IsSelected, bool IsPushed, bool UseDisabledShadow) override;
};
