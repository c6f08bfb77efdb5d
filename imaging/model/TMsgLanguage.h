// The language of the imaging library's own dialogs (the open, save and
// save-parameter dialogs); msSystem follows the user's language. The
// components that open those dialogs keep one, so it lives below them.
#pragma once

#include <cstdint>

enum TMsgLanguage : uint8_t {
  msSystem,
  msEnglish,
  msItalian,
  msGerman,
  msSpanish,
  msFrench,
  msPortuguese,
  msGreek,
  msRussian,
  msDutch,
  msSwedish,
  msPolish,
  msJapanese,
  msCzech,
  msFinnish,
  msFarsi,
  msChinese,
  msChineseTraditional,
  msUser
};

constexpr int32_t kMsgLanguageCount = 19;
