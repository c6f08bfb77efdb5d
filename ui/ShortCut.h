#pragma once
// Keyboard shortcuts: a virtual key with Shift, Ctrl and Alt bits.

#include <cstdint>
#include <string>

#include "ui/TControl.h"

using TShortCut = uint16_t;
enum : TShortCut { scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000, scNone = 0 };

TShortCut ShortCut(uint16_t Key, TShiftState Shift);
// "Ctrl+O", "Shift+F10", "Alt+X"; empty for 0.
std::string ShortCutToText(TShortCut ShortCut);
