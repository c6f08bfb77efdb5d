#include "imaging/view/IEDialogWords.h"

#include <array>

#include "platform/Locale.h"

namespace {

using TWordRow = std::array<std::string, kDialogWordCount>;
using TWordTable = std::array<TWordRow, kMsgLanguageCount>;

TWordTable BuildTable();

// Built on first use, so that a dialog made before the library's start-up
// code ran still finds its words.
TWordTable& Table() {
  static TWordTable table = BuildTable();
  return table;
}

const char* const kEnglish[kDialogWordCount] = {
    "Preview", "Original", "Result", "OK", "Cancel", "Lock preview", "Copy Result to Original",
    "Contrast", "Brightness", "Hue", "Saturation", "Value", "Base color", "New color",
    "Luminosity", "Red", "Green", "Blue", "Filter values", "Presets", "Divisor", "Load", "Save",
    "Equalization", "Threshold", "Equalize", "Histogram", "Gray", "Light", "Left", "Top", "Width",
    "Height", "Color", "Original image quantity", "Lens", "Refraction", "Parameters Preview",
    "Quality", "DCT method", "Smoothing factor", "Gray scale", "Optimal Huffman", "Original size",
    "Compressed size", "Advanced", "Progressive", "Compression", "Image index", "Photometric",
    "Scanned document info", "Name", "Description", "Page name", "Page number", "of",
    "Horiz. Position (inch)", "Vert. Position (inch)", "Colors", "Transparent",
    "Transparent color", "Interlaced", "Background", "Horiz. Position", "Vert. Position",
    "Delay time", "Filter", "Wave", "Amplitude", "Wave length", "Phase", "Reflective",
    "User filter", "Morphing filters", "Window size", "Maximum", "Minimum", "Opening", "Closing",
    "Rotate", "Flip", "Horizontal", "Vertical", "Frequency domain image",
    "Select the region to clean", "Clear", "Reset", "Animate", "Load filter", "Save filter",
    "Bump map", "Print", "Margins", "inches", "Right", "Bottom", "Position", "Size", "Normal",
    "Fit to page", "Stretch to page", "Specified size", "Gamma correction", "Value",
    "Print Setup", "Left Margin", "Top Margin", "Right Margin", "Bottom Margin", "Location/size",
    "Top Left", "Top Center", "Top Right", "Center Left", "Center", "Center Right", "Bottom Left",
    "Bottom Center", "Bottom Right", "Close", "Apply", "Measure Units", "Units", "Rate",
    "All graphics", "Video for Windows", "File", "Mem",
    "Automatically updates your preview with the changes you have selected", "Print All",
    "Print Selected", "Common Graphic Files", "All Files"};

struct TWord {
  uint8_t Index;
  const char* Text;
};

// The translated words of a row; every other word of the row stays English.
struct TRowWords {
  TMsgLanguage Language;
  std::initializer_list<TWord> Words;
};

// Words 0 (preview), 1, 2, 3, 4 (buttons), 21, 22 (load, save), 45
// (advanced), 58 (colours), 87 (animate), 119, 120 (close, apply), 126, 127
// (file and memory size), 131, 132 (the "all" file types).
const TRowWords kRows[] = {
    {msItalian,
     {{0, "Anteprima"}, {1, "Originale"}, {2, "Risultato"}, {3, "OK"}, {4, "Annulla"},
      {21, "Carica"}, {22, "Salva"}, {45, "Avanzate"}, {58, "Colori"}, {87, "Anima"},
      {119, "Chiudi"}, {120, "Applica"}, {126, "File"}, {127, "Mem"},
      {131, "File grafici comuni"}, {132, "Tutti"}}},
    {msGerman,
     {{0, "Vorschau"}, {1, "Original"}, {2, "Ergebnis"}, {3, "OK"}, {4, "Abbrechen"},
      {21, "Laden"}, {22, "Speichern"}, {45, "Erweitert"}, {58, "Farben"}, {87, "Animieren"},
      {119, "Schließen"}, {120, "Übernehmen"}, {126, "Datei"}, {127, "RAM"},
      {131, "Allgemeine Bilddateien"}, {132, "Alle Dateien"}}},
    {msSpanish,
     {{0, "Vista Previa"}, {1, "Original"}, {2, "Resultado"}, {3, "Aceptar"}, {4, "Cancelar"},
      {21, "Cargar"}, {22, "Guardar"}, {45, "Avanzados"}, {58, "Colores"}, {87, "Animar"},
      {119, "Cerrar"}, {120, "Aplicar"}}},
    {msFrench,
     {{0, "Prévisualisation"}, {1, "Original"}, {2, "Résultat"}, {3, "OK"}, {4, "Annuler"},
      {21, "Charger"}, {22, "Enregistrer"}, {45, "Avancé"}, {58, "Couleurs"}, {87, "Animer"},
      {119, "Fermer"}, {120, "Appliquer"}}},
    {msPortuguese,
     {{0, "Visualizar"}, {1, "Original"}, {2, "Resultado"}, {3, "OK"}, {4, "Cancelar"},
      {21, "Carregar"}, {22, "Salvar"}, {45, "Avançados"}, {58, "Cores"}, {87, "Animar"},
      {119, "Fechar"}, {120, "Aplicar"}}},
    {msGreek,
     {{0, "Προεπισκόπηση"}, {1, "Αρχική"}, {2, "Αποτέλεσμα"}, {3, "OK"}, {4, "Άκυρο"},
      {21, "Φόρτωση"}, {22, "Αποθήκευση"}, {45, "Για προχωρημένους"}, {58, "Χρώματα"},
      {87, "Κίνηση"}, {119, "Κλείσιμο"}, {120, "Εφαρμογή"}, {126, "Αρχείο"}, {127, "Μνήμη"},
      {131, "Κοινά αρχεία γραφικών"}, {132, "Όλα τα αρχεία"}}},
    {msRussian,
     {{0, "Просмотр"}, {1, "Оригинал"}, {2, "Результат"}, {3, "OK"}, {4, "Отмена"},
      {21, "Загрузить"}, {22, "Сохранить"}, {45, "Дополнительно"}, {58, "Цветов"},
      {87, "Анимация"}, {119, "Закрыть"}, {120, "Применить"}, {126, "Файл"}, {127, "Память"},
      {131, "Графические файлы"}, {132, "Все файлы"}}},
    {msDutch,
     {{0, "Voorbeeld"}, {1, "Origineel"}, {2, "Resultaat"}, {3, "OK"}, {4, "Annuleren"},
      {21, "Laden"}, {22, "Opslaan"}, {45, "Geavanceerd"}, {58, "Kleuren"}, {87, "Animeren"},
      {119, "Sluiten"}, {120, "Toepassen"}}},
    {msSwedish,
     {{0, "Förhandsgranska"}, {1, "Original"}, {2, "Resultat"}, {3, "OK"}, {4, "Avbryt"},
      {21, "Läs in"}, {22, "Spara"}, {45, "Avancerat"}, {58, "Färger"}, {87, "Animera"},
      {119, "Stäng"}, {120, "Verkställ"}, {126, "Fil"}, {127, "Minne"},
      {131, "Vanliga bildfiler"}, {132, "Alla filer"}}},
    {msPolish,
     {{0, "Podgląd"}, {1, "Oryginał"}, {2, "Wynik"}, {3, "OK"}, {4, "Anuluj"},
      {21, "Wczytaj"}, {22, "Zapisz"}, {45, "Zaawansowane"}, {58, "Kolorów"}, {87, "Animuj"},
      {119, "Zamknij"}, {120, "Zastosuj"}, {126, "Plik"}, {127, "Pamięć"},
      {131, "Popularne pliki graficzne"}, {132, "Wszystkie pliki"}}},
    {msJapanese,
     {{0, "プレビュー"}, {1, "オリジナル"}, {2, "結果"}, {3, "OK"}, {4, "キャンセル"},
      {21, "読み込み"}, {22, "保存"}, {45, "詳細設定"}, {58, "色"}, {87, "アニメーション"},
      {119, "閉じる"}, {120, "適用"}, {126, "ファイル"}, {127, "メモリ"},
      {131, "一般的な画像ファイル"}, {132, "すべてのファイル"}}},
    {msCzech,
     {{0, "Náhled"}, {1, "Originál"}, {2, "Výsledek"}, {3, "OK"}, {4, "Storno"},
      {21, "Načíst"}, {22, "Uložit"}, {45, "Upřesnit"}, {58, "Barev"}, {87, "Animovat"},
      {119, "Zavřít"}, {120, "Použít"}, {126, "Soubor"}, {127, "Paměť"},
      {131, "Běžné grafické soubory"}, {132, "Všechny soubory"}}},
    {msFinnish,
     {{0, "Esikatselu"}, {1, "Alkuperäinen"}, {2, "Tulos"}, {3, "OK"}, {4, "Peruuta"},
      {21, "Lataa"}, {22, "Tallenna"}, {45, "Lisäasetukset"}, {58, "Väriä"}, {87, "Animoi"},
      {119, "Sulje"}, {120, "Käytä"}, {126, "Tiedosto"}, {127, "Muisti"},
      {131, "Yleiset kuvatiedostot"}, {132, "Kaikki tiedostot"}}},
    {msFarsi,
     {{0, "پیش‌نمایش"}, {1, "اصلی"}, {2, "نتیجه"}, {3, "تأیید"}, {4, "انصراف"},
      {21, "بارگذاری"}, {22, "ذخیره"}, {45, "پیشرفته"}, {58, "رنگ"}, {87, "پویانمایی"},
      {119, "بستن"}, {120, "اعمال"}, {126, "فایل"}, {127, "حافظه"},
      {131, "فایل‌های گرافیکی رایج"}, {132, "همه فایل‌ها"}}},
    {msChinese,
     {{0, "预览"}, {1, "原图"}, {2, "结果"}, {3, "确定"}, {4, "取消"}, {21, "载入"},
      {22, "保存"}, {45, "高级"}, {58, "颜色"}, {87, "动画"}, {119, "关闭"}, {120, "应用"},
      {126, "文件"}, {127, "内存"}, {131, "常用图形文件"}, {132, "所有文件"}}},
    {msChineseTraditional,
     {{0, "預覽"}, {1, "原圖"}, {2, "結果"}, {3, "確定"}, {4, "取消"}, {21, "載入"},
      {22, "儲存"}, {45, "進階"}, {58, "色彩"}, {87, "動畫"}, {119, "關閉"}, {120, "套用"},
      {126, "檔案"}, {127, "記憶體"}, {131, "常用圖形檔案"}, {132, "所有檔案"}}},
};

TWordTable BuildTable() {
  TWordTable t;
  for (int32_t l = msEnglish; l <= msChineseTraditional; ++l)
    for (int32_t i = 0; i < kDialogWordCount; ++i) t[l][i] = kEnglish[i];
  for (const TRowWords& row : kRows)
    for (const TWord& w : row.Words) t[row.Language][w.Index] = w.Text;
  t[msPolish][123].clear();
  return t;
}

}  // namespace

void SetDialogWord(int32_t Language, int32_t Index, const std::string& Text) {
  // Both numbers are bytes; a byte beyond the table's rows or words lands
  // nowhere instead of past the end of the table.
  const uint8_t language = static_cast<uint8_t>(Language);
  const uint8_t index = static_cast<uint8_t>(Index);
  if (language >= kMsgLanguageCount || index >= kDialogWordCount) return;
  Table()[language][index] = Text;
}

TMsgLanguage SystemMsgLanguage() {
  const LANGID id = GetUserDefaultLangID();
  switch (PRIMARYLANGID(id)) {
    case 9: return msEnglish;
    case 16: return msItalian;
    case 7: return msGerman;
    case 10: return msSpanish;
    case 12: return msFrench;
    case 22: return msPortuguese;
    case 8: return msGreek;
    case 25: return msRussian;
    case 19: return msDutch;
    case 29: return msSwedish;
    case 21: return msPolish;
    case 17: return msJapanese;
    case 5: return msCzech;
    case 11: return msFinnish;
    case 41: return msFarsi;
    case 4:
      if (SUBLANGID(id) == 1) return msChineseTraditional;
      if (SUBLANGID(id) == 2) return msChinese;
      return msSystem;
    default: return msEnglish;
  }
}

std::string GetDialogWord(int32_t Index, TMsgLanguage Language) {
  if (Index < 0 || Index >= kDialogWordCount || Language >= kMsgLanguageCount) return {};
  if (Language != msSystem) {
    const std::string& w = Table()[Language][Index];
    return w.empty() ? Table()[msEnglish][Index] : w;
  }
  // The locale's row as it stands, without the English fallback; the msSystem
  // row itself is never filled, so a Chinese region without a row gets "".
  return Table()[SystemMsgLanguage()][Index];
}

void FillDialogWords() { Table(); }
