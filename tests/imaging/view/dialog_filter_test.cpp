// File-type lists from the format registry, the pattern and extension rules
// of the dialogs, and the information texts of a previewed file.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "imaging/io/IEFormats.h"
#include "imaging/io/IEIOTypes.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/view/IEDialogFilter.h"
#include "imaging/view/IEImageInfo.h"
#include "rtl/StrUtils.h"

namespace {

std::vector<std::string> Split(const std::string& s) {
  std::vector<std::string> out;
  std::string cur;
  for (char c : s) {
    if (c == '|') {
      out.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  out.push_back(cur);
  return out;
}

// The pattern an entry must show: every extension of the registry, lower case.
std::string RegistryPattern(const TIOFormatEntry& e) {
  std::string p;
  for (int32_t k = 0; k < CountFormatExtensions(e.TypeId); ++k)
    p += (k ? ";*." : "*.") + LowerCase(GetFormatExtension(e.TypeId, k));
  return p;
}

void ReadNothing(TStream*, TIEBitmap*, TIOParamsVals&, bool, TIOProgressRec&) {}
void WriteNothing(TStream*, TIEBitmap*, TIOParamsVals&, TIOProgressRec&) {}

constexpr int32_t kReadOnlyPlugin = 9001;
constexpr int32_t kWriteOnlyPlugin = 9002;

class DialogFilter : public ::testing::Test {
 protected:
  void SetUp() override {
    FillDialogWords();
    TIOFormatEntry r;
    r.TypeId = kReadOnlyPlugin;
    r.Description = "Plug Reader";
    r.ExtensionList = "PLR;PLRX";
    r.ReadProc = ReadNothing;
    RegisterFormat(r);
    TIOFormatEntry w;
    w.TypeId = kWriteOnlyPlugin;
    w.Description = "Plug Writer";
    w.ExtensionList = "PLW";
    w.WriteProc = WriteNothing;
    w.DialogPages = ieppTGA;
    RegisterFormat(w);
  }
  void TearDown() override {
    UnregisterFormat(kReadOnlyPlugin);
    UnregisterFormat(kWriteOnlyPlugin);
  }
};

// Each readable (or writable) registry entry, in registry order, as
// "description (patterns)|patterns"; the "all" entry lists the first
// extension of each built-in one.
TEST_F(DialogFilter, ListsFollowTheRegistry) {
  for (bool save : {false, true}) {
    std::vector<std::string> expected;
    std::string all;
    for (int32_t i = 0; i < FormatCount(); ++i) {
      const TIOFormatEntry* e = FormatAt(i);
      if (save ? !e->WriteProc : !e->ReadProc) continue;
      const std::string p = RegistryPattern(*e);
      expected.push_back(e->Description + " (" + p + ")");
      expected.push_back(p);
      if (e->IsBuiltIn) all += (all.empty() ? "*." : ";*.") + LowerCase(GetFormatExtension(e->TypeId, 0));
    }
    if (!save) {
      expected.insert(expected.begin(), {"Common Graphic Files (" + all + ")", all,
                                         "All Files (*.*)", "*.*"});
    }
    EXPECT_EQ(Split(BuildImageFilter(save, msEnglish, false)), expected) << save;
  }
  const std::string open = BuildImageFilter(false, msEnglish, false);
  EXPECT_NE(open.find("|Plug Reader (*.plr;*.plrx)|*.plr;*.plrx"), std::string::npos);
  EXPECT_EQ(open.find("Plug Writer"), std::string::npos);
  // A plug-in joins no "all" list.
  EXPECT_EQ(Split(open)[1].find("plr"), std::string::npos);
  const std::string save = BuildImageFilter(true, msEnglish, false);
  EXPECT_NE(save.find("Plug Writer (*.plw)|*.plw"), std::string::npos);
  EXPECT_EQ(save.find("Plug Reader"), std::string::npos);
  EXPECT_EQ(save.find("All Files"), std::string::npos);
  EXPECT_NE(save[0], '|');
}

TEST_F(DialogFilter, BuiltInReadersOfThisBuild) {
  const std::vector<std::string> f = Split(BuildImageFilter(false, msGerman, false));
  ASSERT_GE(f.size(), 4u);
  // The "all" entry lists every readable built-in format; more join it as
  // their readers land.
  EXPECT_TRUE(f[0].starts_with("Allgemeine Bilddateien (*.")) << f[0];
  for (const char* ext : {"*.tif", "*.gif", "*.jpg", "*.bmp", "*.png", "*.jp2", "*.j2k"})
    EXPECT_NE(f[0].find(ext), std::string::npos) << ext;
  EXPECT_EQ(f[2], "Alle Dateien (*.*)");
  const std::string open = BuildImageFilter(false, msEnglish, false);
  EXPECT_NE(open.find("|JPEG Bitmap (*.jpg;*.jpeg;*.jpe;*.jif)|*.jpg;*.jpeg;*.jpe;*.jif"),
            std::string::npos);
  EXPECT_NE(open.find("|Windows Bitmap (*.bmp;*.dib;*.rle)|*.bmp;*.dib;*.rle"), std::string::npos);
  EXPECT_NE(open.find("|Portable Network Graphics (*.png)|*.png"), std::string::npos);
  EXPECT_NE(open.find("|JPEG2000 Code Stream (*.j2k;*.jpc;*.j2c)|*.j2k;*.jpc;*.j2c"), std::string::npos);
  EXPECT_NE(open.find("|CompuServe Bitmap (*.gif)|*.gif"), std::string::npos);
}

TEST_F(DialogFilter, VideoTypes) {
  const std::string open = BuildImageFilter(false, msEnglish, true);
  EXPECT_NE(open.find(";*.avi;*.mpg;*.wmv)|"), std::string::npos);
  EXPECT_NE(open.find("|Video for Windows (*.avi)|*.avi|Mpeg (*.mpeg;*.mpg)|*.mpeg;*.mpg"
                      "|Windows Media Video (*.wmv)|*.wmv"),
            std::string::npos);
  const std::string save = BuildImageFilter(true, msEnglish, true);
  EXPECT_TRUE(save.ends_with("|Video for Windows (*.avi)|*.avi")) << save;
}

TEST(DialogFilterText, EntriesPatternsAndIndexes) {
  const std::string f = "All (*.jpg;*.tif)|*.jpg;*.tif|JPEG (*.jpg;*.jpeg)|*.jpg;*.jpeg"
                        "|TIFF (*.tif;*.tiff)|*.tif;*.tiff|PNG (*.png)|*.png";
  EXPECT_EQ(FilterEntryCount(f), 4);
  EXPECT_EQ(FilterEntryCount(""), 0);
  EXPECT_EQ(FilterPattern(f, 1), "*.jpg;*.tif");
  EXPECT_EQ(FilterPattern(f, 3), "*.tif;*.tiff");
  EXPECT_EQ(FilterPattern(f, 4), "*.png");
  EXPECT_EQ(FilterPattern(f, 5), "");
  EXPECT_EQ(FilterPattern(f, 0), "");
  const struct {
    const char* name;
    int32_t index;
  } cases[] = {{"a.jpg", 1},     {"/x/a.PNG", 4},  {"b.tiff", 3},   {"c.jpeg", 2},
               {"no_ext", 1},    {"d.gif", 1},     {"e.", 1},       {"f.jp", 1},
               {"g.tif", 1},     {"h.ti", 1}};
  for (const auto& c : cases) EXPECT_EQ(FilterIndexOfFileName(f, c.name), c.index) << c.name;
  const std::string z = FilterToZeroList("A|*.a|B|*.b");
  EXPECT_EQ(z, std::string("A\0*.a\0B\0*.b\0\0", 13));
}

TEST(DialogFilterText, PatternExtensions) {
  EXPECT_EQ(PatternFirstExtension("*.jpg;*.jpeg"), ".jpg");
  EXPECT_EQ(PatternFirstExtension("*.png"), ".png");
  // A mask as the first extension is none (no ".*" added to a name).
  for (const char* p : {"*.*", "*.jp?;*.png", "*.", "*"}) EXPECT_EQ(PatternFirstExtension(p), "") << p;
  EXPECT_EQ(PatternLastExtension("*.tif;*.tiff"), ".tiff");
  EXPECT_EQ(PatternLastExtension("*.*"), "");
  EXPECT_EQ(PatternLastExtension(""), "");
}

// The name is cut before its first dot (one that begins the name does not
// count) and the new extension appended.
TEST(DialogFilterText, ReplaceNameExtensionCutsAtTheFirstDot) {
  const struct {
    const char* spec;
    const char* ext;
    const char* result;
  } cases[] = {{"my.photo.jpg", ".png", "my.png"},
               {"a.b.c", ".bmp", "a.bmp"},
               {"plain", ".jpg", "plain.jpg"},
               {"/home/u/pic.jpeg", ".png", "pic.png"},
               {"dir.v2/pic", ".png", "pic.png"},
               {".hidden", ".png", ".hidden.png"},
               {"/home/u/.x.jpg", ".png", ".x.png"},
               {"..png", ".jpg", "..jpg"},
               {"/home/u/.x.y.jpg", ".png", ".x.png"}};
  for (const auto& c : cases) EXPECT_EQ(ReplaceNameExtension(c.spec, c.ext), c.result) << c.spec;
}

// A name's extension starts at its last dot unless that dot begins the name;
// the file dialog (through the standard library's rule) sees the same.
TEST(DialogFilterText, NameExtensionFollowsTheFileDialogsRule) {
  const struct {
    const char* name;
    const char* ext;
  } cases[] = {{"a.jpg", ".jpg"},     {"my.photo.JPG", ".JPG"}, {".hidden", ""}, {"/d/.png", ""},
               {"dir.v2/pic", ""},    {"..png", ".png"},        {"/d/.x.tif", ".tif"}, {"plain", ""}};
  for (const auto& c : cases) {
    EXPECT_EQ(NameExtension(c.name), c.ext) << c.name;
    EXPECT_EQ(NameExtension(c.name), std::filesystem::path(c.name).extension().string()) << c.name;
  }
}

TEST(DialogFilterText, FormatOfAName) {
  TIENameFormat f = FindNameFormat("/t/x.JPG", "", "");
  EXPECT_EQ(f.TypeId, ieftJPEG);
  EXPECT_EQ(f.Pages, ieppJPEG);
  f = FindNameFormat("/t/x", "png", "");
  EXPECT_EQ(f.TypeId, ieftPNG);
  f = FindNameFormat("/t/x", "", "*.tif;*.bmp");
  EXPECT_EQ(f.TypeId, ieftBMP);
  f = FindNameFormat("/t/x.zzz", "", "");
  EXPECT_EQ(f.TypeId, 0);
  EXPECT_EQ(f.Pages, 0);
}

void Fill(TIOParamsVals& p, int32_t type, int32_t w, int32_t h, int32_t s, int32_t b, int32_t dpi) {
  p.FileType = type;
  p.Width = w;
  p.Height = h;
  p.SamplesPerPixel = s;
  p.BitsPerSample = b;
  p.SetDpiX(dpi);
  p.SetDpiY(dpi);
}

TEST(ImageInfo, TwentyFourBitImageOf640x480) {
  TIOParamsVals p(nullptr);
  Fill(p, ieftBMP, 640, 480, 3, 8, 96);
  const TIEImageInfoTexts t = MakeImageInfoTexts(p, 1, 42 * 1024, msEnglish);
  EXPECT_EQ(t.Size, "640 x 480 pixel");
  EXPECT_EQ(t.Colors, "16777216 Colors (24 bit)");
  EXPECT_EQ(t.Resolution, "96 x 96 dpi");
  EXPECT_EQ(t.Sizes, "File: 42 KB   Mem: 900 KB");
  EXPECT_EQ(t.Format.rfind("Windows Bitmap (BMP)", 0), 0u) << t.Format;
  const TIEImageInfoTexts g = MakeImageInfoTexts(p, 10, 1023, msGerman);
  EXPECT_EQ(g.Size, "640 x 480 pixel , 10 frames");
  EXPECT_EQ(g.Colors, "16777216 Farben (24 bit)");
  EXPECT_EQ(g.Sizes, "Datei: 1023 byte   RAM: 900 KB");
}

TEST(ImageInfo, JpegTellsItsOriginalSize) {
  TIOParamsVals p(nullptr);
  Fill(p, ieftJPEG, 500, 375, 3, 8, 72);
  p.JpegOriginalWidth = 4000;
  p.JpegOriginalHeight = 3000;
  const TIEImageInfoTexts t = MakeImageInfoTexts(p, 1, 5000, msEnglish);
  EXPECT_EQ(t.Size, "4000 x 3000 pixel");
  // Memory of the full image: 3000 rows of 12000 bytes.
  EXPECT_EQ(t.Sizes, "File: 4 KB   Mem: 35156 KB");
}

TEST(ImageInfo, SizesAndColourCounts) {
  EXPECT_EQ(SizeText(0), "0 byte");
  EXPECT_EQ(SizeText(1023), "1023 byte");
  EXPECT_EQ(SizeText(1024), "1 KB");
  EXPECT_EQ(SizeText(2047), "1 KB");
  EXPECT_EQ(SizeText(int64_t(5) << 40), "5368709120 KB");
  const struct {
    int32_t s, b;
    const char* text;
  } colours[] = {{1, 1, "2"},  {1, 4, "16"},    {1, 8, "256"},     {3, 8, "16777216"},
                 {4, 8, "16777216"}, {3, 16, "2^48"}, {1, 16, "65536"}, {4, 16, "2^64"},
                 {1, 32, "2^32"}};
  for (const auto& c : colours) EXPECT_EQ(ColorCountText(c.s, c.b), c.text) << c.s << "x" << c.b;
  // Rows padded to 32 bits; 1 bit for one sample of one bit, else 24.
  EXPECT_EQ(ImageMemorySize(33, 2, 1, 1), 16);
  EXPECT_EQ(ImageMemorySize(1, 1, 1, 8), 4);
  EXPECT_EQ(ImageMemorySize(640, 480, 3, 8), 921600);
  // Beyond 32 bits: 100000 x 100000 at 24 bits is 3e10 bytes.
  EXPECT_EQ(ImageMemorySize(100000, 100000, 3, 8), int64_t(30000000000));
  EXPECT_EQ(SizeText(ImageMemorySize(100000, 100000, 3, 8)), "29296875 KB");
  EXPECT_EQ(ImageMemorySize(0, 10, 3, 8), 0);
}

}  // namespace
