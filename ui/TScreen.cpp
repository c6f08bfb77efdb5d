#include "ui/TScreen.h"

#include <algorithm>

#include "platform/SysInfo.h"
#include "ui/TForm.h"

RTL_DEFINE_CLASS(TScreen, TComponent)

TScreen* Screen = nullptr;

TScreen::TScreen(TComponent* AOwner) : TComponent(AOwner) {
  const std::pair<TCursor, int32_t> standard[] = {
      {crDefault, IDC_ARROW},    {crArrow, IDC_ARROW},      {crCross, IDC_CROSS},
      {crIBeam, IDC_IBEAM},      {crSizeNESW, IDC_SIZENESW}, {crSizeNS, IDC_SIZENS},
      {crSizeNWSE, IDC_SIZENWSE}, {crSizeWE, IDC_SIZEWE},   {crUpArrow, IDC_UPARROW},
      {crHourGlass, IDC_WAIT},   {crDrag, IDC_ARROW},       {crNoDrop, IDC_NO},
      {crHSplit, IDC_SIZEWE},    {crVSplit, IDC_SIZENS},    {crMultiDrag, IDC_ARROW},
      {crSQLWait, IDC_WAIT},     {crNo, IDC_NO},            {crAppStart, IDC_APPSTARTING},
      {crHelp, IDC_HELP},        {crHandPoint, IDC_HAND},   {crSizeAll, IDC_SIZEALL},
  };
  for (auto [id, idc] : standard) cursors_[id] = LoadCursor(nullptr, idc);
  hintFont_ = new TFont();
  hintFont_->SetColor(clInfoText);
  NONCLIENTMETRICS ncm;
  if (SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0)) {
    hintFont_->SetName(ncm.lfStatusFont.lfFaceName);
    hintFont_->SetHeight(ncm.lfStatusFont.lfHeight);
  }
}

TScreen::~TScreen() {
  delete hintFont_;
  if (Screen == this) Screen = nullptr;
}

void TScreen::SetCursor(TCursor v) {
  cursor_ = v;
  TPoint p;
  GetCursorPos(&p);
  HWND h = WindowFromPoint(p);
  if (v != crDefault || !h) {
    ::SetCursor(Cursors(v));
    return;
  }
  LRESULT hit = SendMessage(h, WM_NCHITTEST, 0, MAKELPARAM(p.X, p.Y));
  SendMessage(h, WM_SETCURSOR, reinterpret_cast<WPARAM>(h), MAKELPARAM(int32_t(hit), WM_MOUSEMOVE));
}

HCURSOR TScreen::Cursors(int32_t Index) const {
  if (Index == crNone) return nullptr;  // no cursor shows
  auto it = cursors_.find(Index);
  if (it != cursors_.end() && it->second) return it->second;
  return cursors_.at(crDefault);
}

void TScreen::SetCursors(int32_t Index, HCURSOR Handle) {
  if (Index == crDefault && !Handle) return;
  cursors_[Index] = Handle ? Handle : LoadCursor(nullptr, IDC_ARROW);
}

int32_t TScreen::Width() const { return GetSystemMetrics(SM_CXSCREEN); }
int32_t TScreen::Height() const { return GetSystemMetrics(SM_CYSCREEN); }

TRect TScreen::WorkAreaRect() const {
  TRect r = DesktopRect();
  SystemParametersInfo(SPI_GETWORKAREA, 0, &r, 0);
  return r;
}

void TScreen::AddForm(TCustomForm* Form) {
  if (std::find(forms_.begin(), forms_.end(), Form) == forms_.end()) forms_.push_back(Form);
}

void TScreen::RemoveForm(TCustomForm* Form) {
  forms_.erase(std::remove(forms_.begin(), forms_.end(), Form), forms_.end());
  if (activeForm_ == Form) SetActiveForm(nullptr);
  if (activeControl_ && GetParentForm(activeControl_) == Form) SetActiveControl(nullptr);
}

void TScreen::SetActiveForm(TCustomForm* Form) {
  if (activeForm_ == Form) return;
  activeForm_ = Form;
  // The active form moves to the front of the list.
  if (Form) {
    auto it = std::find(forms_.begin(), forms_.end(), Form);
    if (it != forms_.end()) {
      forms_.erase(it);
      forms_.insert(forms_.begin(), Form);
    }
  }
  if (OnActiveFormChange) OnActiveFormChange(this);
}

void TScreen::SetActiveControl(TWinControl* Control) {
  if (activeControl_ == Control) return;
  activeControl_ = Control;
  if (OnActiveControlChange) OnActiveControlChange(this);
}

void TScreen::ControlDestroyed(TWinControl* Control) {
  if (activeControl_ && Control->ContainsControl(activeControl_)) activeControl_ = nullptr;
  if (auto* f = dynamic_cast<TCustomForm*>(Control)) RemoveForm(f);
}
