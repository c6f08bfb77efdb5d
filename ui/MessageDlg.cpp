#include "ui/MessageDlg.h"

#include <algorithm>
#include <array>
#include <vector>

#include "platform/Draw.h"
#include "platform/Text.h"
#include "ui/NewControl.h"
#include "ui/TApplication.h"
#include "ui/TButton.h"
#include "ui/TLabel.h"
#include "ui/TScreen.h"

namespace {

std::array<std::string, MsgDlgCaptionCount>& Captions() {
  static std::array<std::string, MsgDlgCaptionCount> c = {
      "Warning", "Error", "Information", "Confirm", "&Yes", "&No", "OK", "Cancel", "&Abort",
      "&Retry", "&Ignore", "&All", "N&o to All", "Yes to &All", "&Help"};
  return c;
}

const TMsgDlgCaption kButtonCaption[] = {mdcYes,   mdcNo,    mdcOK,  mdcCancel,  mdcAbort,   mdcRetry,
                                         mdcIgnore, mdcAll, mdcNoToAll, mdcYesToAll, mdcHelp};
const TModalResult kButtonResult[] = {mrYes, mrNo, mrOk, mrCancel, mrAbort, mrRetry,
                                      mrIgnore, mrAll, mrNoToAll, mrYesToAll, mrNone};
const char* kButtonName[] = {"Yes", "No", "OK", "Cancel", "Abort", "Retry", "Ignore",
                             "All", "NoToAll", "YesToAll", "Help"};

// The icon of a dialog kind, drawn in the classic shapes.
class TMessageIcon : public TGraphicControl {
 public:
  TMessageIcon(TComponent* AOwner, TMsgDlgType Kind) : TGraphicControl(AOwner), kind_(Kind) {
    SetBounds(0, 0, 32, 32);
  }

 protected:
  void Paint() override {
    TCanvas* c = Canvas();
    c->Pen()->SetColor(clBlack);
    switch (kind_) {
      case mtError:
        c->Brush()->SetColor(clRed);
        c->Ellipse(1, 1, 31, 31);
        c->Pen()->SetColor(clWhite);
        c->Pen()->SetWidth(3);
        c->MoveTo(10, 10); c->LineTo(22, 22);
        c->MoveTo(22, 10); c->LineTo(10, 22);
        break;
      case mtWarning:
        c->Brush()->SetColor(clYellow);
        c->Polygon({TPoint{16, 1}, TPoint{31, 30}, TPoint{1, 30}});
        c->Brush()->SetColor(clBlack);
        c->FillRect(Rect(15, 10, 18, 22));
        c->FillRect(Rect(15, 24, 18, 27));
        break;
      case mtInformation:
      case mtConfirmation:
        c->Brush()->SetColor(clWhite);
        c->Ellipse(1, 1, 31, 31);
        c->Font()->SetColor(clBlue);
        c->Font()->SetStyle(TFontStyles{fsBold});
        c->Font()->SetHeight(-20);
        SetBkMode(c->Handle(), TRANSPARENT);
        {
          TRect r = Rect(1, 1, 31, 31);
          DrawText(c->Handle(), kind_ == mtInformation ? "i" : "?", &r,
                   DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        }
        break;
      default: break;
    }
  }

 private:
  TMsgDlgType kind_;
};

TMsgDlgCaption TitleOf(TMsgDlgType t) {
  switch (t) {
    case mtWarning: return mdcWarning;
    case mtError: return mdcError;
    case mtInformation: return mdcInformation;
    default: return mdcConfirm;
  }
}

}  // namespace

const std::string& MsgDlgCaption(int32_t Index) {
  static const std::string empty;
  if (Index < 0 || Index >= MsgDlgCaptionCount) return empty;
  return Captions()[size_t(Index)];
}

void SetMsgDlgCaption(int32_t Index, const std::string& Text) {
  if (Index >= 0 && Index < MsgDlgCaptionCount) Captions()[size_t(Index)] = Text;
}

TForm* CreateMessageDialog(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons,
                           TMsgDlgBtn DefaultButton) {
  InitControls();
  auto* form = new TForm(Application);
  try {
    form->SetBorderStyle(bsDialog);
    form->SetPosition(poScreenCenter);
    form->SetCaption(DlgType == mtCustom ? (Application->Title()) : MsgDlgCaption(TitleOf(DlgType)));
    const int32_t margin = 12, gap = 8, buttonW = 75, buttonH = 25;
    int32_t textLeft = margin;
    if (DlgType != mtCustom) {
      auto* icon = new TMessageIcon(form, DlgType);
      icon->SetName("Image");
      icon->SetBounds(margin, margin, 32, 32);
      icon->SetParent(form);
      textLeft = margin + 32 + margin;
    }
    auto* label = new TLabel(form);
    label->SetName("Message");
    label->SetShowAccelChar(false);
    label->SetParent(form);
    label->SetCaption(Msg);
    label->SetLeft(textLeft);
    label->SetTop(margin);
    // Long messages wrap at about two thirds of the screen.
    int32_t maxText = std::max(200, Screen->Width() * 2 / 3 - textLeft - margin);
    if (label->Width() > maxText) {
      label->SetWordWrap(true);
      label->SetWidth(maxText);
      label->SetAutoSize(false);
      label->SetAutoSize(true);
    }
    std::vector<TMsgDlgBtn> list;
    for (int b = mbYes; b <= mbHelp; ++b)
      if (Buttons.Contains(TMsgDlgBtn(b))) list.push_back(TMsgDlgBtn(b));
    if (list.empty()) list.push_back(mbOK);
    int32_t buttonsW = int32_t(list.size()) * buttonW + int32_t(list.size() - 1) * gap;
    int32_t clientW = std::max(buttonsW + 2 * margin, textLeft + label->Width() + margin);
    int32_t textBottom = std::max(margin + (DlgType != mtCustom ? 32 : 0), margin + label->Height());
    int32_t buttonTop = textBottom + margin + 4;
    form->SetClientSize(clientW, buttonTop + buttonH + margin);
    bool hasCancel = Buttons.Contains(mbCancel);
    int32_t x = (clientW - buttonsW) / 2;
    for (TMsgDlgBtn b : list) {
      auto* button = NewControl<TButton>(form, kButtonName[b], form);
      button->SetCaption(MsgDlgCaption(kButtonCaption[b]));
      button->SetModalResult(kButtonResult[b]);
      button->SetBounds(x, buttonTop, buttonW, buttonH);
      if (b == DefaultButton) {
        button->SetDefault(true);
        form->SetActiveControl(button);
      }
      if (b == mbCancel || (!hasCancel && (b == mbNo || (list.size() == 1)))) button->SetCancel(true);
      x += buttonW + gap;
    }
    return form;
  } catch (...) {
    form->Free();
    throw;
  }
}

int32_t MessageDlgDef(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons,
                      TMsgDlgBtn DefaultButton) {
  TForm* form = CreateMessageDialog(Msg, DlgType, Buttons, DefaultButton);
  TModalResult r = mrCancel;
  try {
    r = form->ShowModal();
  } catch (...) {
    form->Free();
    throw;
  }
  form->Free();
  return r;
}

int32_t MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int32_t) {
  TMsgDlgBtn def = Buttons.Contains(mbOK)    ? mbOK
                   : Buttons.Contains(mbYes) ? mbYes
                                             : mbCancel;
  for (int b = mbYes; b <= mbHelp; ++b)
    if (Buttons.Contains(TMsgDlgBtn(b))) {
      if (!Buttons.Contains(def)) def = TMsgDlgBtn(b);
      break;
    }
  return MessageDlgDef(Msg, DlgType, Buttons, def);
}

void ShowMessage(const std::string& Msg) { MessageDlgDef(Msg, mtCustom, TMsgDlgButtons{mbOK}, mbOK); }

int32_t MessageBox(HWND, const std::string& Text, const std::string& Caption, UINT Type) {
  TMsgDlgButtons buttons;
  std::vector<TMsgDlgBtn> order;
  switch (Type & MB_TYPEMASK) {
    case MB_OKCANCEL: order = {mbOK, mbCancel}; break;
    case MB_ABORTRETRYIGNORE: order = {mbAbort, mbRetry, mbIgnore}; break;
    case MB_YESNOCANCEL: order = {mbYes, mbNo, mbCancel}; break;
    case MB_YESNO: order = {mbYes, mbNo}; break;
    case MB_RETRYCANCEL: order = {mbRetry, mbCancel}; break;
    default: order = {mbOK}; break;
  }
  for (TMsgDlgBtn b : order) buttons.Include(b);
  size_t defIndex = std::min(order.size() - 1, size_t((Type & MB_DEFMASK) >> 8));
  TMsgDlgType kind = mtCustom;
  switch (Type & MB_ICONMASK) {
    case MB_ICONHAND: kind = mtError; break;
    case MB_ICONQUESTION: kind = mtConfirmation; break;
    case MB_ICONEXCLAMATION: kind = mtWarning; break;
    case MB_ICONASTERISK: kind = mtInformation; break;
  }
  TForm* form = CreateMessageDialog(Text, kind, buttons, order[defIndex]);
  form->SetCaption(Caption);
  if (Type & MB_TOPMOST) form->SetFormStyle(fsStayOnTop);
  TModalResult r;
  try {
    r = form->ShowModal();
  } catch (...) {
    form->Free();
    throw;
  }
  form->Free();
  // A dialog closed from its title bar answers Cancel, or the only/No button.
  if (r == mrCancel && !buttons.Contains(mbCancel))
    r = buttons.Contains(mbNo) ? mrNo : buttons.Contains(mbOK) ? mrOk : mrAbort;
  return r;  // the ID_ codes equal the modal results
}
