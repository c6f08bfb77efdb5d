#pragma once
// Per-item changes to the item font: styles switched on or off, a size in
// percent, a colour and a face name.

#include <cstdint>
#include <functional>
#include <string>

#include "rtl/TPersistent.h"
#include "ui/TColor.h"

class TFont;

enum TTriState { tsDefault, tsTrue, tsFalse };

class TFontSettings : public TPersistent {
  RTL_CLASS(TFontSettings, TPersistent)
 public:
  TFontSettings() = default;
  // Runs after every change (re-lays out the owning item).
  std::function<void()> OnChange;

  TTriState Bold() const { return bold_; }
  void SetBold(TTriState v) { Set(bold_, v); }
  TTriState Italic() const { return italic_; }
  void SetItalic(TTriState v) { Set(italic_, v); }
  TTriState Underline() const { return underline_; }
  void SetUnderline(TTriState v) { Set(underline_, v); }
  TTriState StrikeOut() const { return strikeOut_; }
  void SetStrikeOut(TTriState v) { Set(strikeOut_, v); }
  // Percent of the font's size; 100 keeps it.
  uint16_t Size() const { return size_; }
  void SetSize(uint16_t v) { Set(size_, v); }
  TColor Color() const { return color_; }
  void SetColor(TColor v) { Set(color_, v); }
  const std::string& Name() const { return name_; }
  void SetName(const std::string& v) { Set(name_, v); }

  // Copies all seven values, telling OnChange once when any differs.
  void Assign(TPersistent* Source) override;

 private:
  template <typename T>
  void Set(T& Field, const T& Value) {
    if (Field == Value) return;
    Field = Value;
    if (OnChange) OnChange();
  }
  TTriState bold_ = tsDefault, italic_ = tsDefault, underline_ = tsDefault, strikeOut_ = tsDefault;
  uint16_t size_ = 100;
  TColor color_ = clNone;
  std::string name_;
};

// Applies the settings to Font: size, colour, name, then the four styles.
void ApplyFontSettings(const TFontSettings& Settings, TFont* Font);
