#include "ui/TEdit.h"

#include <algorithm>
#include <cctype>

#include "platform/Draw.h"
#include "ui/ControlPaint.h"
#include "platform/Input.h"
#include "platform/Text.h"
#include "rtl/Wipe.h"
#include "ui/TClipboard.h"

RTL_DEFINE_CLASS(TCustomEdit, TCustomControl,
                 Published("Text", &TCustomEdit::Text, &TCustomEdit::SetText),
                 Published("MaxLength", &TCustomEdit::MaxLength, &TCustomEdit::SetMaxLength),
                 Published("PasswordChar", &TCustomEdit::PasswordChar, &TCustomEdit::SetPasswordChar),
                 Published("ReadOnly", &TCustomEdit::ReadOnly, &TCustomEdit::SetReadOnly),
                 Published("AutoSelect", &TCustomEdit::AutoSelect, &TCustomEdit::SetAutoSelect),
                 Published("BorderStyle", &TCustomEdit::BorderStyle, &TCustomEdit::SetBorderStyle),
                 Published("CharCase", &TCustomEdit::CharCase, &TCustomEdit::SetCharCase))
RTL_DEFINE_CLASS(TEdit, TCustomEdit)

TClipboard* Clipboard() {
  static TClipboard clipboard;
  return &clipboard;
}

int32_t Utf8Next(const std::string& s, int32_t Pos) {
  int32_t n = int32_t(s.size());
  if (Pos >= n) return n;
  ++Pos;
  while (Pos < n && (uint8_t(s[size_t(Pos)]) & 0xC0) == 0x80) ++Pos;
  return Pos;
}

int32_t Utf8Prev(const std::string& s, int32_t Pos) {
  if (Pos <= 0) return 0;
  --Pos;
  while (Pos > 0 && (uint8_t(s[size_t(Pos)]) & 0xC0) == 0x80) --Pos;
  return Pos;
}

namespace {

// The nearest character boundary at or before Pos.
int32_t Utf8Floor(const std::string& s, int32_t Pos) {
  Pos = std::clamp(Pos, 0, int32_t(s.size()));
  while (Pos > 0 && Pos < int32_t(s.size()) && (uint8_t(s[size_t(Pos)]) & 0xC0) == 0x80) --Pos;
  return Pos;
}

std::string EncodeUtf8(uint32_t cp) {
  std::string r;
  if (cp < 0x80) {
    r += char(cp);
  } else if (cp < 0x800) {
    r += char(0xC0 | (cp >> 6));
    r += char(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    r += char(0xE0 | (cp >> 12));
    r += char(0x80 | ((cp >> 6) & 0x3F));
    r += char(0x80 | (cp & 0x3F));
  } else if (cp < 0x110000) {
    r += char(0xF0 | (cp >> 18));
    r += char(0x80 | ((cp >> 12) & 0x3F));
    r += char(0x80 | ((cp >> 6) & 0x3F));
    r += char(0x80 | (cp & 0x3F));
  }
  return r;
}

bool IsWordByte(char c) { return std::isalnum(uint8_t(c)) || (uint8_t(c) & 0x80) || c == '_'; }

}  // namespace

TCustomEdit::TCustomEdit(TComponent* AOwner) : TCustomControl(AOwner) {
  controlStyle_ = TControlStyle{csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
  SetBounds(0, 0, 121, 21);
  SetTabStop(true);
  color_ = clWindow;
  SetCursor(crIBeam);
}

namespace {
// Wipes a working copy of a secret text when it goes out of scope.
struct TWipeCopy {
  std::string& copy;
  bool secret;
  ~TWipeCopy() {
    if (secret) WipeString(copy);
  }
};
}  // namespace

void TCustomEdit::SetText(const std::string& v) {
  std::string s = Cased(v);
  TWipeCopy wipe{s, secretText_};
  if (maxLength_ > 0 && int32_t(s.size()) > maxLength_) s.resize(size_t(Utf8Floor(s, maxLength_)));
  if (s == Text()) return;
  TCustomControl::SetText(s);
  selStart_ = std::min(selStart_, int32_t(s.size()));
  selStart_ = Utf8Floor(s, selStart_);
  selLength_ = 0;
  Invalidate();
  UpdateCaret();
  // A text set by the program is a change too; it does not mark the box modified.
  if (OnChange) OnChange(this);
}

std::string TCustomEdit::Cased(const std::string& s) const {
  if (charCase_ == ecNormal) return s;
  std::string r = s;
  for (char& c : r)
    if (!(uint8_t(c) & 0x80)) c = char(charCase_ == ecUpperCase ? std::toupper(uint8_t(c)) : std::tolower(uint8_t(c)));
  return r;
}

void TCustomEdit::Change() {
  modified_ = true;
  if (OnChange) OnChange(this);
}

void TCustomEdit::SetSelStart(int32_t v) {
  selStart_ = Utf8Floor(Text(), v);
  selLength_ = 0;
  caretAtStart_ = false;
  ScrollToCaret();
}

void TCustomEdit::SetSelLength(int32_t v) {
  int32_t end = Utf8Floor(Text(), selStart_ + std::max(0, v));
  selLength_ = end - selStart_;
  caretAtStart_ = false;
  ScrollToCaret();
}

std::string TCustomEdit::SelText() const { return Text().substr(size_t(selStart_), size_t(selLength_)); }

void TCustomEdit::SetSelText(const std::string& v) {
  // Room for the result at once: a secret is not left in a block it grew out of.
  std::string t;
  t.reserve(Text().size() + v.size());
  t = Text();
  std::string ins = Cased(v);
  TWipeCopy wipeText{t, secretText_}, wipeInsert{ins, secretText_};
  // A line edit takes the first line only.
  size_t nl = ins.find_first_of("\r\n");
  if (nl != std::string::npos) ins.resize(nl);
  if (maxLength_ > 0) {
    int32_t room = maxLength_ - (int32_t(t.size()) - selLength_);
    if (room < int32_t(ins.size())) ins.resize(size_t(Utf8Floor(ins, std::max(0, room))));
  }
  t.replace(size_t(selStart_), size_t(selLength_), ins);
  int32_t caret = selStart_ + int32_t(ins.size());
  bool changed = t != Text();
  TCustomControl::SetText(t);
  selStart_ = caret;
  selLength_ = 0;
  caretAtStart_ = false;
  Invalidate();
  ScrollToCaret();
  if (changed) Change();
}

void TCustomEdit::SelectAll() {
  selStart_ = 0;
  selLength_ = int32_t(Text().size());
  caretAtStart_ = false;
  Invalidate();
  ScrollToCaret();
}

void TCustomEdit::CopyToClipboard() {
  if (passwordChar_ == 0 && selLength_ > 0) Clipboard()->SetAsText(SelText());
}

void TCustomEdit::CutToClipboard() {
  if (passwordChar_ != 0 || readOnly_ || selLength_ == 0) return;
  CopyToClipboard();
  SetSelText("");
}

void TCustomEdit::PasteFromClipboard() {
  if (!readOnly_ && Clipboard()->HasText()) SetSelText(Clipboard()->AsText());
}

void TCustomEdit::SetMaxLength(int32_t v) { maxLength_ = std::max(0, v); }
void TCustomEdit::SetPasswordChar(char v) { if (passwordChar_ != v) { passwordChar_ = v; Invalidate(); UpdateCaret(); } }
void TCustomEdit::SetBorderStyle(TBorderStyle v) { if (borderStyle_ != v) { borderStyle_ = v; Invalidate(); } }
void TCustomEdit::SetCharCase(TEditCharCase v) {
  charCase_ = v;
  SetText(Text());
}

int32_t TCustomEdit::CaretPos() const { return caretAtStart_ ? selStart_ : selStart_ + selLength_; }
int32_t TCustomEdit::Anchor() const { return caretAtStart_ ? selStart_ + selLength_ : selStart_; }

std::string TCustomEdit::DisplayText() const {
  if (passwordChar_ == 0) return Text();
  const std::string& t = Text();
  std::string r;
  for (int32_t i = 0; i < int32_t(t.size()); i = Utf8Next(t, i)) r += passwordChar_;
  return r;
}

int32_t TCustomEdit::DisplayOffset(int32_t Pos) const {
  if (passwordChar_ == 0) return Pos;
  int32_t n = 0;
  for (int32_t i = 0; i < Pos; i = Utf8Next(Text(), i)) ++n;
  return n;
}

TRect TCustomEdit::TextRect() {
  TRect r = ClientRect();
  InflateRect(&r, borderStyle_ == bsSingle ? -3 : -1, borderStyle_ == bsSingle ? -2 : -1);
  return r;
}

int32_t TCustomEdit::PositionAt(int32_t X) {
  MatchCanvasFont(Canvas(), Font());
  std::string d = DisplayText();
  TWipeCopy wipeShown{d, secretText_};
  const std::string& t = Text();
  int32_t x = X - TextRect().Left + scrollX_;
  int32_t best = 0, bestDist = std::abs(x);
  for (int32_t i = Utf8Next(t, 0); i <= int32_t(t.size()) && !t.empty(); i = Utf8Next(t, i)) {
    int32_t w = Canvas()->TextWidth(d.substr(0, size_t(DisplayOffset(i))));
    if (std::abs(x - w) < bestDist) {
      best = i;
      bestDist = std::abs(x - w);
    }
    if (i == int32_t(t.size())) break;
  }
  return best;
}

void TCustomEdit::MoveCaret(int32_t Pos, bool Extend) {
  Pos = Utf8Floor(Text(), Pos);
  int32_t anchor = Extend ? Anchor() : Pos;
  selStart_ = std::min(anchor, Pos);
  selLength_ = std::abs(Pos - anchor);
  caretAtStart_ = Pos < anchor;
  Invalidate();
  ScrollToCaret();
}

void TCustomEdit::ScrollToCaret() {
  if (!HandleAllocated()) return;
  MatchCanvasFont(Canvas(), Font());
  std::string d = DisplayText();
  TWipeCopy wipeShown{d, secretText_};
  int32_t cx = Canvas()->TextWidth(d.substr(0, size_t(DisplayOffset(CaretPos()))));
  int32_t w = TextRect().Width();
  if (cx - scrollX_ > w - 1) scrollX_ = cx - w + 1 + w / 4;
  if (cx < scrollX_) scrollX_ = std::max(0, cx - w / 4);
  if (scrollX_ > 0 && Canvas()->TextWidth(d) - scrollX_ < w - 1)
    scrollX_ = std::max(0, Canvas()->TextWidth(d) - w + 1);
  Invalidate();
  UpdateCaret();
}

void TCustomEdit::UpdateCaret() {
  if (!HandleAllocated() || !Focused()) return;
  MatchCanvasFont(Canvas(), Font());
  std::string d = DisplayText();
  TWipeCopy wipeShown{d, secretText_};
  TRect r = TextRect();
  int32_t cx = Canvas()->TextWidth(d.substr(0, size_t(DisplayOffset(CaretPos()))));
  SetCaretPos(r.Left + cx - scrollX_, r.Top);
}

void TCustomEdit::DoEnter() {
  if (autoSelect_ && !controlState_.Contains(csLButtonDown)) SelectAll();
  TCustomControl::DoEnter();
}

void TCustomEdit::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (Button == mbLeft) {
    if (CanFocus() && !Focused()) SetFocus();
    if (Shift.Contains(ssDouble)) {
      // A double click selects the word under the pointer.
      const std::string& t = Text();
      int32_t p = PositionAt(X), a = p, b = p;
      while (a > 0 && IsWordByte(t[size_t(a - 1)])) --a;
      while (b < int32_t(t.size()) && IsWordByte(t[size_t(b)])) ++b;
      MoveCaret(a, false);
      MoveCaret(b, true);
    } else {
      MoveCaret(PositionAt(X), Shift.Contains(ssShift));
      mouseSelecting_ = true;
    }
  }
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TCustomEdit::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  if (mouseSelecting_ && controlState_.Contains(csLButtonDown)) MoveCaret(PositionAt(X), true);
  else mouseSelecting_ = false;
  TCustomControl::MouseMove(Shift, X, Y);
}

void TCustomEdit::KeyDown(uint16_t& Key, TShiftState Shift) {
  TCustomControl::KeyDown(Key, Shift);
  if (Key == 0) return;
  const std::string& t = Text();
  bool shift = Shift.Contains(ssShift), ctrl = Shift.Contains(ssCtrl);
  int32_t caret = CaretPos();
  auto wordLeft = [&](int32_t p) {
    while (p > 0 && !IsWordByte(t[size_t(p - 1)])) --p;
    while (p > 0 && IsWordByte(t[size_t(p - 1)])) --p;
    return p;
  };
  auto wordRight = [&](int32_t p) {
    int32_t n = int32_t(t.size());
    while (p < n && IsWordByte(t[size_t(p)])) ++p;
    while (p < n && !IsWordByte(t[size_t(p)])) ++p;
    return p;
  };
  switch (Key) {
    case VK_LEFT:
      if (!shift && selLength_ > 0) MoveCaret(selStart_, false);
      else MoveCaret(ctrl ? wordLeft(caret) : Utf8Prev(t, caret), shift);
      break;
    case VK_RIGHT:
      if (!shift && selLength_ > 0) MoveCaret(selStart_ + selLength_, false);
      else MoveCaret(ctrl ? wordRight(caret) : Utf8Next(t, caret), shift);
      break;
    case VK_HOME: MoveCaret(0, shift); break;
    case VK_END: MoveCaret(int32_t(t.size()), shift); break;
    case VK_BACK:
      if (readOnly_) break;
      if (selLength_ == 0) MoveCaret(ctrl ? wordLeft(caret) : Utf8Prev(t, caret), true);
      SetSelText("");
      break;
    case VK_DELETE:
      if (readOnly_) break;
      if (shift && selLength_ > 0) {
        CutToClipboard();
        break;
      }
      if (selLength_ == 0) MoveCaret(ctrl ? wordRight(caret) : Utf8Next(t, caret), true);
      SetSelText("");
      break;
    case VK_INSERT:
      if (ctrl) CopyToClipboard();
      else if (shift) PasteFromClipboard();
      break;
    default:
      if (ctrl && !Shift.Contains(ssAlt)) {
        switch (Key) {
          case 'A': SelectAll(); break;
          case 'C': CopyToClipboard(); break;
          case 'X': CutToClipboard(); break;
          case 'V': PasteFromClipboard(); break;
          default: return;
        }
        Key = 0;
      }
      return;
  }
  Key = 0;
}

void TCustomEdit::WMChar(TMessage& Message) {
  uint32_t cp = uint32_t(Message.WParam);
  if (DoKeyPress(Message)) return;
  if (cp < 0x80) cp = uint32_t(Message.WParam);
  // Control characters (Ctrl+letter, Backspace, Enter, Escape, Tab) are keys, not text.
  if (cp < 0x20 || cp == 0x7F || readOnly_) return;
  if (GetShiftState().Contains(ssCtrl) && !GetShiftState().Contains(ssAlt)) return;
  SetSelText(EncodeUtf8(cp));
}

void TCustomEdit::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_GETDLGCODE:
      Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_HASSETSEL;
      return;
    case WM_SETFOCUS:
      TCustomControl::Dispatch(Message);
      if (HandleAllocated()) {
        CreateCaret(Handle(), nullptr, 1, TextRect().Height());
        UpdateCaret();
        ShowCaret(Handle());
      }
      Invalidate();
      return;
    case WM_KILLFOCUS:
      DestroyCaret();
      mouseSelecting_ = false;
      Invalidate();
      break;
    case WM_SIZE:
      ScrollToCaret();
      break;
    case CM_ENABLEDCHANGED:
    case CM_FONTCHANGED:
      Invalidate();
      break;
    case CM_TEXTCHANGED:
      Invalidate();
      break;
  }
  TCustomControl::Dispatch(Message);
}

void TCustomEdit::Paint() {
  TRect r = ClientRect();
  HDC dc = OpenPaint(Canvas(), Font(), Enabled() ? Color() : clBtnFace, r, borderStyle_ == bsSingle);
  TRect tr = TextRect();
  IntersectClipRect(dc, tr.Left, tr.Top, tr.Right, tr.Bottom);
  std::string d = DisplayText();
  TWipeCopy wipeShown{d, secretText_};
  int32_t x = tr.Left - scrollX_;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ColorToRGB(Enabled() ? Font()->Color() : clGrayText));
  TextOut(dc, x, tr.Top, d.data(), int(d.size()));
  if (selLength_ > 0 && (Focused() || !Enabled())) {
    int32_t a = DisplayOffset(selStart_), b = DisplayOffset(selStart_ + selLength_);
    int32_t xa = x + Canvas()->TextWidth(d.substr(0, size_t(a)));
    int32_t xb = x + Canvas()->TextWidth(d.substr(0, size_t(b)));
    TRect sel = Rect(xa, tr.Top, xb, tr.Top + Canvas()->TextHeight("Ag"));
    Canvas()->Brush()->SetColor(clHighlight);
    Canvas()->FillRect(sel);
    SetTextColor(dc, ColorToRGB(clHighlightText));
    std::string part = d.substr(size_t(a), size_t(b - a));
    TextOut(dc, xa, tr.Top, part.data(), int(part.size()));
  }
}
