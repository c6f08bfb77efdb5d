// The clipboard of the program: text cut or copied in one control and
// pasted in another. It lives inside the process (no exchange with other
// programs).
#pragma once

#include <string>

class TClipboard {
 public:
  const std::string& AsText() const { return text_; }
  void SetAsText(const std::string& v) { text_ = v; }
  bool HasText() const { return !text_.empty(); }
  void Clear() { text_.clear(); }

 private:
  std::string text_;
};

TClipboard* Clipboard();
