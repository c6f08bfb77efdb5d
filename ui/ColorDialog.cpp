#include "ui/ColorDialog.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "rtl/TypInfo.h"
#include "ui/NewControl.h"
#include "ui/TButton.h"
#include "ui/TEdit.h"
#include "ui/TForm.h"
#include "ui/TLabel.h"
#include "ui/TPanel.h"

const COLORREF ColorDialogBasicColors[48] = {
    RGB(255, 128, 128), RGB(255, 255, 128), RGB(128, 255, 128), RGB(0, 255, 128),
    RGB(128, 255, 255), RGB(0, 128, 255),   RGB(255, 128, 192), RGB(255, 128, 255),
    RGB(255, 0, 0),     RGB(255, 255, 0),   RGB(128, 255, 0),   RGB(0, 255, 64),
    RGB(0, 255, 255),   RGB(0, 128, 192),   RGB(128, 128, 192), RGB(255, 0, 255),
    RGB(128, 64, 64),   RGB(255, 128, 64),  RGB(0, 255, 0),     RGB(0, 128, 128),
    RGB(0, 64, 128),    RGB(128, 128, 255), RGB(128, 0, 64),    RGB(255, 0, 128),
    RGB(128, 0, 0),     RGB(255, 128, 0),   RGB(0, 128, 0),     RGB(0, 128, 64),
    RGB(0, 0, 255),     RGB(0, 0, 160),     RGB(128, 0, 128),   RGB(128, 0, 255),
    RGB(64, 0, 0),      RGB(128, 64, 0),    RGB(0, 64, 0),      RGB(0, 64, 64),
    RGB(0, 0, 128),     RGB(0, 0, 64),      RGB(64, 0, 64),     RGB(64, 0, 128),
    RGB(0, 0, 0),       RGB(128, 128, 0),   RGB(128, 128, 64),  RGB(128, 128, 128),
    RGB(64, 128, 128),  RGB(192, 192, 192), RGB(64, 0, 64),     RGB(255, 255, 255)};

RTL_DEFINE_CLASS(TColorDialog, TComponent,
                 Published("Color", &TColorDialog::Color, &TColorDialog::SetColor))

namespace {

constexpr int32_t kSwatch = 18, kGap = 4;

// A channel typed into an edit box: digits only count, clamped to 0..255.
uint8_t ChannelOf(const std::string& Text) {
  int64_t v = 0;
  for (char c : Text) {
    if (c < '0' || c > '9') return 0;
    v = std::min<int64_t>(v * 10 + (c - '0'), 1000);
  }
  return static_cast<uint8_t>(std::min<int64_t>(v, 255));
}

class TColorDialogForm : public TForm {
 public:
  explicit TColorDialogForm(CHOOSECOLOR* cc) : TForm(nullptr), cc_(cc) {
    SetCaption("Color");
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetKeyPreview(true);
    if (cc->lpCustColors)
      std::copy(cc->lpCustColors, cc->lpCustColors + 16, custom_.begin());
    else
      custom_.fill(RGB(255, 255, 255));
    color_ = (cc->Flags & CC_RGBINIT) ? (cc->rgbResult & 0xFFFFFF) : 0;

    auto label = [&](const char* text, int32_t x, int32_t y) {
      auto* l = NewControl<TLabel>(this, "", this);
      l->SetCaption(text);
      l->SetLeft(x);
      l->SetTop(y);
    };
    auto swatch = [&](const std::string& name, int32_t x, int32_t y, COLORREF c) {
      auto* p = NewControl<TPanel>(this, name, this);
      p->SetBevelOuter(bvLowered);
      p->SetCaption("");
      p->SetBounds(x, y, kSwatch, kSwatch);
      p->SetColor(TColor(c));
      return p;
    };
    label("&Basic colors:", 8, 6);
    for (int32_t i = 0; i < 48; ++i) {
      TPanel* p = swatch("Basic" + std::to_string(i), 8 + (i % 8) * (kSwatch + kGap),
                         22 + (i / 8) * (kSwatch + kGap), ColorDialogBasicColors[i]);
      p->OnClick = [this, i](TObject*) {
        custom_sel_ = -1;
        SetColorValue(ColorDialogBasicColors[i]);
      };
    }
    label("&Custom colors:", 8, 160);
    for (int32_t i = 0; i < 16; ++i) {
      custom_panels_[static_cast<size_t>(i)] =
          swatch("Custom" + std::to_string(i), 8 + (i % 8) * (kSwatch + kGap),
                 176 + (i / 8) * (kSwatch + kGap), custom_[static_cast<size_t>(i)]);
      custom_panels_[static_cast<size_t>(i)]->OnClick = [this, i](TObject*) {
        custom_sel_ = i;
        SetColorValue(custom_[static_cast<size_t>(i)]);
      };
    }
    const int32_t right = 8 + 8 * (kSwatch + kGap) + 8;
    sample_ = NewControl<TPanel>(this, "Sample", this);
    sample_->SetBevelOuter(bvLowered);
    sample_->SetCaption("");
    sample_->SetBounds(right, 22, 96, 56);
    const char* names[3] = {"RedEdit", "GreenEdit", "BlueEdit"};
    const char* captions[3] = {"&Red:", "&Green:", "Bl&ue:"};
    for (int32_t k = 0; k < 3; ++k) {
      label(captions[k], right, 90 + k * 26);
      auto* e = NewControl<TEdit>(this, names[k], this, right + 48, 86 + k * 26, 48, 21);
      e->SetMaxLength(3);
      e->OnChange = [this](TObject*) { EditsChanged(); };
      edits_[static_cast<size_t>(k)] = e;
    }
    auto* add = NewControl<TButton>(this, "AddCustomButton", this);
    add->SetCaption("&Add to Custom Colors");
    add->SetBounds(right, 170, 130, 23);
    add->OnClick = [this](TObject*) { AddCustom(); };
    auto* ok = NewControl<TButton>(this, "OkButton", this);
    ok->SetCaption("OK");
    ok->SetDefault(true);
    ok->SetModalResult(mrOk);
    ok->SetBounds(8, 232, 75, 23);
    auto* cancel = NewControl<TButton>(this, "CancelButton", this);
    cancel->SetCaption("Cancel");
    cancel->SetCancel(true);
    cancel->SetModalResult(mrCancel);
    cancel->SetBounds(90, 232, 75, 23);
    SetClientSize(right + 138, 264);
    SetColorValue(color_);
    // The keyboard starts on OK: Enter takes the colour, Escape cancels.
    SetActiveControl(ok);
  }

  COLORREF ColorValue() const { return color_; }
  const std::array<COLORREF, 16>& Custom() const { return custom_; }

 private:
  void SetColorValue(COLORREF c) {
    color_ = c & 0xFFFFFF;
    sample_->SetColor(TColor(color_));
    // Filling the edits must not read them back half-filled.
    updating_ = true;
    const uint8_t ch[3] = {GetRValue(color_), GetGValue(color_), GetBValue(color_)};
    for (size_t k = 0; k < 3; ++k) edits_[k]->SetText(std::to_string(ch[k]));
    updating_ = false;
  }
  void EditsChanged() {
    if (updating_) return;
    color_ = RGB(ChannelOf(edits_[0]->Text()), ChannelOf(edits_[1]->Text()),
                 ChannelOf(edits_[2]->Text()));
    sample_->SetColor(TColor(color_));
  }
  void AddCustom() {
    int32_t i = custom_sel_;
    if (i < 0) {
      i = next_custom_;
      next_custom_ = (next_custom_ + 1) % 16;
    }
    custom_[static_cast<size_t>(i)] = color_;
    custom_panels_[static_cast<size_t>(i)]->SetColor(TColor(color_));
  }

  CHOOSECOLOR* cc_;
  COLORREF color_ = 0;
  std::array<COLORREF, 16> custom_{};
  std::array<TPanel*, 16> custom_panels_{};
  std::array<TEdit*, 3> edits_{};
  TPanel* sample_ = nullptr;
  int32_t custom_sel_ = -1, next_custom_ = 0;
  bool updating_ = false;
};

}  // namespace

bool ChooseColor(CHOOSECOLOR* cc) {
  if (!cc || cc->lStructSize != sizeof(CHOOSECOLOR)) return false;
  auto* f = new TColorDialogForm(cc);
  bool ok = false;
  try {
    ok = f->ShowModal() == mrOk;
  } catch (...) {
    f->Free();
    throw;
  }
  if (ok) {
    cc->rgbResult = f->ColorValue();
    if (cc->lpCustColors) std::copy(f->Custom().begin(), f->Custom().end(), cc->lpCustColors);
  }
  f->Free();
  return ok;
}

bool TColorDialog::Execute() {
  CHOOSECOLOR cc;
  cc.rgbResult = ColorToRGB(color_);
  cc.lpCustColors = custom_.data();
  cc.Flags = CC_RGBINIT | CC_FULLOPEN;
  if (auto* owner = dynamic_cast<TWinControl*>(Owner()); owner && owner->HandleAllocated())
    cc.hwndOwner = owner->Handle();
  if (!ChooseColor(&cc)) return false;
  color_ = TColor(cc.rgbResult);
  return true;
}
