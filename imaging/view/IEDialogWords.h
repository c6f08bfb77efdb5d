// The dialog word table: the captions of the imaging library's own dialogs
// (open, save and save-parameter dialogs), one row of words per language.
// The table is filled once at start-up and read afterwards from any thread.
// Words are held as UTF-8: the rows of languages with their own code pages
// (Greek, Russian, Polish, Czech, Japanese, Farsi, Chinese) are converted
// when the table is built.
#pragma once

#include <cstdint>
#include <string>

#include "imaging/model/TMsgLanguage.h"

constexpr int32_t kDialogWordCount = 133;

// Stores Text as word Index of the row of Language. Both numbers are taken as
// bytes; values beyond the table (language over 18, index over 132) are
// ignored rather than written past its end.
void SetDialogWord(int32_t Language, int32_t Index, const std::string& Text);
// The word of the language's row, the English word when that is empty;
// msSystem follows the user's locale and returns the row's word as it stands.
std::string GetDialogWord(int32_t Index, TMsgLanguage Language);
// Fills the rows msEnglish to msChineseTraditional (once; the first use of
// the table does the same). Run at start-up.
void FillDialogWords();
// The row msSystem stands for under the user's locale; msSystem itself when
// the locale gives no row (Chinese of a region other than Taiwan and China).
TMsgLanguage SystemMsgLanguage();
