#include "ui/TNotebook.h"

#include <algorithm>

RTL_DEFINE_CLASS(TPage, TCustomControl)
RTL_DEFINE_CLASS(TNotebook, TCustomControl,
                 Published("Pages", &TNotebook::Pages, &TNotebook::SetPages),
                 Published("PageIndex", &TNotebook::PageIndex, &TNotebook::SetPageIndex),
                 Published("ActivePage", &TNotebook::ActivePage, &TNotebook::SetActivePage))

TPage::TPage(TComponent* AOwner) : TCustomControl(AOwner) {
  controlStyle_ = TControlStyle{csAcceptsControls};
  SetAlign(alClient);
  SetVisible(false);
  SetParentColor(true);
}

void TPage::Paint() {
  Canvas()->Brush()->SetColor(Color());
  Canvas()->FillRect(ClientRect());
}

TNotebook::TNotebook(TComponent* AOwner) : TCustomControl(AOwner), pages_(new TStringList) {
  controlStyle_ = TControlStyle{csAcceptsControls};
  SetBounds(0, 0, 150, 150);
  pages_->OnChange = [this](TObject* s) { PagesChanged(s); };
  AddPage("Default");
}

TNotebook::~TNotebook() {
  pages_->OnChange = nullptr;
  pages_->Free();
}

TPage* TNotebook::Page(int32_t Index) const {
  if (Index < 0 || Index >= pages_->Count()) return nullptr;
  return static_cast<TPage*>(pages_->Objects(Index));
}

int32_t TNotebook::AddPage(const std::string& Name) { return pages_->Add(Name); }

void TNotebook::SetPages(TStrings* v) { pages_->Assign(v); }

void TNotebook::PagesChanged(TObject*) {
  if (syncing_) return;
  syncing_ = true;
  // Give every name a page; free the pages whose names went.
  std::vector<TPage*> keep;
  for (int32_t i = 0; i < pages_->Count(); ++i) {
    auto* p = static_cast<TPage*>(pages_->Objects(i));
    if (!p) {
      p = new TPage(this);
      p->SetParent(this);
      pages_->SetObjects(i, p);
    }
    p->SetCaption(pages_->Strings(i));
    keep.push_back(p);
  }
  for (int32_t i = ControlCount() - 1; i >= 0; --i) {
    auto* p = dynamic_cast<TPage*>(Controls(i));
    if (p && std::find(keep.begin(), keep.end(), p) == keep.end()) p->Free();
  }
  syncing_ = false;
  int32_t idx = std::clamp(pageIndex_, pages_->Count() ? 0 : -1, pages_->Count() - 1);
  pageIndex_ = -2;
  SetPageIndex(idx);
}

void TNotebook::SetPageIndex(int32_t v) {
  if (v < -1 || v >= pages_->Count() || v == pageIndex_) return;
  pageIndex_ = v;
  for (int32_t i = 0; i < pages_->Count(); ++i)
    if (TPage* p = Page(i)) p->SetVisible(i == v);
  if (OnPageChanged) OnPageChanged(this);
}

std::string TNotebook::ActivePage() const {
  return pageIndex_ >= 0 ? pages_->Strings(pageIndex_) : std::string();
}

void TNotebook::SetActivePage(const std::string& v) {
  int32_t i = pages_->IndexOf(v);
  if (i >= 0) SetPageIndex(i);
}
