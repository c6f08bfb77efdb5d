// The dialog word table: rows, English fallback, the locale's row for
// msSystem, and the words the file dialogs use.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "imaging/view/IEDialogWords.h"
#include "rtl/Codepage.h"

namespace {

class DialogWords : public ::testing::Test {
 protected:
  void SetUp() override {
    FillDialogWords();
    for (const char* v : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
      const char* old = std::getenv(v);
      saved_.push_back({v, old ? std::string(old) : std::string(), old != nullptr});
      ::unsetenv(v);
    }
  }
  void TearDown() override {
    for (const Saved& s : saved_) {
      if (s.present)
        ::setenv(s.name, s.value.c_str(), 1);
      else
        ::unsetenv(s.name);
    }
  }
  static void SetLocale(const char* Name) { ::setenv("LC_ALL", Name, 1); }

 private:
  struct Saved {
    const char* name;
    std::string value;
    bool present;
  };
  std::vector<Saved> saved_;
};

TEST_F(DialogWords, EnglishRowAnchors) {
  const struct {
    int32_t index;
    const char* word;
  } cases[] = {{0, "Preview"},   {3, "OK"},        {45, "Advanced"},  {58, "Colors"},
               {87, "Animate"},  {103, "Value"},   {123, "Rate"},     {125, "Video for Windows"},
               {126, "File"},    {127, "Mem"},     {131, "Common Graphic Files"},
               {132, "All Files"},
               {128, "Automatically updates your preview with the changes you have selected"}};
  for (const auto& c : cases) EXPECT_EQ(GetDialogWord(c.index, msEnglish), c.word) << c.index;
}

TEST_F(DialogWords, TellingWordsOfWesternRows) {
  const int32_t words[] = {0, 4, 45, 58, 126, 131, 132};
  const TMsgLanguage langs[] = {msItalian, msGerman, msSpanish, msFrench, msPortuguese, msDutch};
  const char* const expected[7][6] = {
      {"Anteprima", "Vorschau", "Vista Previa", "Prévisualisation", "Visualizar", "Voorbeeld"},
      {"Annulla", "Abbrechen", "Cancelar", "Annuler", "Cancelar", "Annuleren"},
      {"Avanzate", "Erweitert", "Avanzados", "Avancé", "Avançados", "Geavanceerd"},
      {"Colori", "Farben", "Colores", "Couleurs", "Cores", "Kleuren"},
      {"File", "Datei", "File", "File", "File", "File"},
      {"File grafici comuni", "Allgemeine Bilddateien", "Common Graphic Files",
       "Common Graphic Files", "Common Graphic Files", "Common Graphic Files"},
      {"Tutti", "Alle Dateien", "All Files", "All Files", "All Files", "All Files"}};
  for (int w = 0; w < 7; ++w)
    for (int l = 0; l < 6; ++l)
      EXPECT_EQ(GetDialogWord(words[w], langs[l]), expected[w][l]) << words[w] << " " << l;
  // A row without a translation holds the English word.
  EXPECT_EQ(GetDialogWord(124, msSpanish), "All graphics");
}

TEST_F(DialogWords, EveryFilledRowIsCompleteAndUtf8) {
  for (int32_t l = msEnglish; l <= msChineseTraditional; ++l) {
    for (int32_t i = 0; i < kDialogWordCount; ++i) {
      const std::string w = GetDialogWord(i, static_cast<TMsgLanguage>(l));
      EXPECT_FALSE(w.empty()) << l << " " << i;
      EXPECT_TRUE(IsValidUtf8(w)) << l << " " << i;
    }
  }
  // Greek, Russian, Japanese and Chinese rows hold their own scripts.
  EXPECT_EQ(GetDialogWord(4, msRussian), "Отмена");
  EXPECT_EQ(GetDialogWord(0, msChinese), "预览");
  EXPECT_EQ(GetDialogWord(0, msChineseTraditional), "預覽");
  EXPECT_EQ(GetDialogWord(0, msPolish), "Podgląd");
}

TEST_F(DialogWords, UserRowAndPolishGapFallBackToEnglish) {
  EXPECT_EQ(GetDialogWord(0, msUser), "Preview");
  EXPECT_EQ(GetDialogWord(132, msUser), "All Files");
  EXPECT_EQ(GetDialogWord(123, msPolish), "Rate");
  // Out of the table: nothing.
  EXPECT_EQ(GetDialogWord(133, msEnglish), "");
  EXPECT_EQ(GetDialogWord(-1, msEnglish), "");
  SetDialogWord(msEnglish, 200, "ignored");  // beyond the row: no write
  SetDialogWord(40, 0, "ignored");
  EXPECT_EQ(GetDialogWord(0, msEnglish), "Preview");
}

TEST_F(DialogWords, SystemLanguageFollowsTheLocale) {
  const struct {
    const char* locale;
    TMsgLanguage row;
  } cases[] = {{"en_US.UTF-8", msEnglish},   {"it_IT", msItalian},   {"de_DE.UTF-8", msGerman},
               {"es_ES", msSpanish},         {"fr_FR", msFrench},    {"pt_BR", msPortuguese},
               {"el_GR", msGreek},           {"ru_RU", msRussian},   {"nl_NL", msDutch},
               {"sv_SE", msSwedish},         {"pl_PL", msPolish},    {"ja_JP", msJapanese},
               {"cs_CZ", msCzech},           {"fi_FI", msFinnish},   {"fa_IR", msFarsi},
               {"zh_TW", msChineseTraditional}, {"zh_CN", msChinese}, {"ko_KR", msEnglish},
               {"C", msEnglish}};
  for (const auto& c : cases) {
    SetLocale(c.locale);
    EXPECT_EQ(SystemMsgLanguage(), c.row) << c.locale;
    EXPECT_EQ(GetDialogWord(45, msSystem), GetDialogWord(45, c.row)) << c.locale;
  }
  // The locale's row as it stands: a Polish system has no word 123, and a
  // Chinese region other than Taiwan and China no words at all.
  SetLocale("pl_PL.UTF-8");
  EXPECT_EQ(GetDialogWord(123, msSystem), "");
  SetLocale("zh_HK");
  EXPECT_EQ(GetDialogWord(0, msSystem), "");
}

}  // namespace
