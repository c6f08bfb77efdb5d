// A page of the navigation bar: a panel that holds ordinary controls,
// paints a plain or gradient background and optional section headers, and
// always fills the bar's page area. Its caption is kept apart from the
// panel's own text and shows on its tab and in the bar's caption band.
#pragma once

#include <memory>
#include <string>

#include "rtl/TCollection.h"
#include "rtl/TypInfo.h"
#include "ui/TPanel.h"

RTL_ENUM(TGradientDirection, gdVertical, gdHorizontal);

class TUxNavBar;
class TUxNavBarPanel;

// A section header: a caption over a band of Height pixels.
class TUxNavBarPanelSection : public TCollectionItem {
  RTL_CLASS(TUxNavBarPanelSection, TCollectionItem)
 public:
  explicit TUxNavBarPanelSection(TCollection* Collection = nullptr) : TCollectionItem(Collection) {}
  void Assign(TPersistent* Source) override;
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& v);
  int32_t Height() const { return height_; }
  void SetHeight(int32_t v);

 private:
  std::string caption_;
  int32_t height_ = 48;
};

class TUxNavBarPanelSections : public TCollection {
  RTL_CLASS(TUxNavBarPanelSections, TCollection)
 public:
  explicit TUxNavBarPanelSections(TUxNavBarPanel* Owner = nullptr);
  TUxNavBarPanelSection* Items(int Index) const { return static_cast<TUxNavBarPanelSection*>(TCollection::Items(Index)); }
  TUxNavBarPanelSection* Add() { return static_cast<TUxNavBarPanelSection*>(TCollection::Add()); }

 protected:
  void Update(TCollectionItem* Item) override;
  void Notify(TCollectionItem* Item, TCollectionNotification Action) override;

 private:
  TUxNavBarPanel* page_;
};

class TUxNavBarPanel : public TCustomPanel {
  RTL_CLASS(TUxNavBarPanel, TCustomPanel)
  friend class TUxNavBar;

 public:
  explicit TUxNavBarPanel(TComponent* AOwner);
  ~TUxNavBarPanel() override;
  void BeforeDestruction() override;

  // The page's stored state has been read: a page whose parent is a bar
  // joins it. Forms built in code call it where a stored form is read.
  virtual void ReadState();

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& v);
  TColor ColorTo() const { return colorTo_; }
  void SetColorTo(TColor v);
  TGradientDirection GradientDirection() const { return gradientDirection_; }
  void SetGradientDirection(TGradientDirection v);
  int32_t ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int32_t v);
  // Position among the bar's pages, read when the bar is loaded.
  int32_t PanelIndex() const { return panelIndex_; }
  void SetPanelIndex(int32_t v);
  TColor TextColor() const { return textColor_; }
  void SetTextColor(TColor v);
  TUxNavBarPanelSections* Sections() const { return sections_.get(); }
  void SetSections(TUxNavBarPanelSections* v) { sections_->Assign(v); }
  // Also enables or disables every child control.
  void SetEnabled(bool v) override;

  TUxNavBar* NavBar() const { return navBar_; }
  // Joins Bar (leaving the current one), or leaves the current bar (null).
  void SetNavBar(TUxNavBar* Bar);
  // Takes the bar's page area as bounds; raises without a bar.
  void UpdatePosition();

  void SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) override;

 protected:
  void Paint() override;
  void Resize() override;

 private:
  void LeaveBar();
  void RepaintBar();

  std::string caption_;
  TColor colorTo_ = clNone;
  TGradientDirection gradientDirection_ = gdVertical;
  int32_t imageIndex_ = 0;
  int32_t panelIndex_ = 0;
  TColor textColor_ = clBlack;
  std::unique_ptr<TUxNavBarPanelSections> sections_;
  TUxNavBar* navBar_ = nullptr;
  bool placing_ = false;
};
