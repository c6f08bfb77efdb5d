// The single-line edit box: a caret, a selection made with the mouse or
// with Shift and the movement keys, typing, Backspace and Delete, Ctrl+A,
// Ctrl+C, Ctrl+X and Ctrl+V with the program's clipboard, a password
// character shown instead of the text (which then cannot be copied) and
// a maximum length. Positions (SelStart, SelLength, MaxLength) count bytes
// of the UTF-8 text; the caret only stops between whole characters.
#pragma once

#include <string>

#include "rtl/TypInfo.h"
#include "ui/TControl.h"
#include "ui/TLabel.h"

RTL_ENUM(TEditCharCase, ecNormal, ecUpperCase, ecLowerCase);

class TCustomEdit : public TCustomControl {
  RTL_CLASS(TCustomEdit, TCustomControl)
 public:
  explicit TCustomEdit(TComponent* AOwner);

  void SetText(const std::string& v) override;
  int32_t SelStart() const { return selStart_; }
  void SetSelStart(int32_t v);
  int32_t SelLength() const { return selLength_; }
  void SetSelLength(int32_t v);
  std::string SelText() const;
  // Replaces the selection by v (kept within MaxLength).
  void SetSelText(const std::string& v);
  void SelectAll();
  void ClearSelection() { SetSelText(""); }
  void CopyToClipboard();
  void CutToClipboard();
  void PasteFromClipboard();
  void Clear() { SetText(""); }

  int32_t MaxLength() const { return maxLength_; }
  void SetMaxLength(int32_t v);
  char PasswordChar() const { return passwordChar_; }
  void SetPasswordChar(char v);
  // A box for a secret (a pass phrase): every buffer its text passed through
  // is wiped when the text changes and when the box goes. The text can still
  // be shown plainly.
  bool SecretText() const { return secretText_; }
  void SetSecretText(bool v) { secretText_ = v; }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool v) { readOnly_ = v; }
  bool AutoSelect() const { return autoSelect_; }
  void SetAutoSelect(bool v) { autoSelect_ = v; }
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle v);
  TEditCharCase CharCase() const { return charCase_; }
  void SetCharCase(TEditCharCase v);
  bool Modified() const { return modified_; }
  void SetModified(bool v) { modified_ = v; }
  // What the box shows: the text, or one password character per character.
  std::string DisplayText() const;
  // The text position nearest to client x.
  int32_t PositionAt(int32_t X);

  TNotifyEvent OnChange;

  void Dispatch(TMessage& Message) override;

 protected:
  virtual void Change();
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
  void KeyDown(uint16_t& Key, TShiftState Shift) override;
  void WMChar(TMessage& Message) override;
  void DoEnter() override;

 private:
  // Caret at Pos; with Extend the selection grows from its anchor.
  void MoveCaret(int32_t Pos, bool Extend);
  int32_t CaretPos() const;
  int32_t Anchor() const;
  int32_t DisplayOffset(int32_t Pos) const;  // text position -> display position
  TRect TextRect();
  void UpdateCaret();
  void ScrollToCaret();
  std::string Cased(const std::string& s) const;
  int32_t selStart_ = 0, selLength_ = 0;
  bool caretAtStart_ = false;  // the caret is at the selection's start
  int32_t maxLength_ = 0;
  char passwordChar_ = 0;
  bool readOnly_ = false;
  bool autoSelect_ = true;
  TBorderStyle borderStyle_ = bsSingle;
  TEditCharCase charCase_ = ecNormal;
  bool modified_ = false;
  int32_t scrollX_ = 0;
  bool mouseSelecting_ = false;
};

class TEdit : public TCustomEdit {
  RTL_CLASS(TEdit, TCustomEdit)
 public:
  explicit TEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}
};

// Byte positions of the character boundaries around Pos in UTF-8 text.
int32_t Utf8Next(const std::string& s, int32_t Pos);
int32_t Utf8Prev(const std::string& s, int32_t Pos);
