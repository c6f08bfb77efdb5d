// The notebook: a stack of named pages of which one shows. Pages holds the
// names (each with its TPage as object); PageIndex or ActivePage (a name)
// chooses the page.
#pragma once

#include <string>

#include "rtl/TStrings.h"
#include "ui/TControl.h"

class TNotebook;

class TPage : public TCustomControl {
  RTL_CLASS(TPage, TCustomControl)
 public:
  explicit TPage(TComponent* AOwner);
 protected:
  void Paint() override;
};

class TNotebook : public TCustomControl {
  RTL_CLASS(TNotebook, TCustomControl)
 public:
  explicit TNotebook(TComponent* AOwner);
  ~TNotebook() override;

  // The page names; each entry's object is its TPage. Setting them makes a
  // page for every name (pages of names kept are kept).
  TStrings* Pages() const { return pages_; }
  void SetPages(TStrings* v);
  int32_t PageIndex() const { return pageIndex_; }
  void SetPageIndex(int32_t v);
  std::string ActivePage() const;
  void SetActivePage(const std::string& v);
  TPage* Page(int32_t Index) const;
  int32_t AddPage(const std::string& Name);

  TNotifyEvent OnPageChanged;

 private:
  void PagesChanged(TObject*);
  TStringList* pages_;
  int32_t pageIndex_ = -1;
  bool syncing_ = false;
};
