// The system image lists: icons from an icon theme found through the XDG
// directories, file types from the MIME database, the drawn set without a
// theme, and drawing an icon blended and stretched.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "DrawTestSupport.h"
#include "platform/ShellIcons.h"

namespace fs = std::filesystem;

namespace {

void WritePng(const fs::path& p, int32_t side, uint32_t argb) {
  fs::create_directories(p.parent_path());
  std::vector<uint32_t> px(size_t(side) * size_t(side), argb);
  png_image img;
  std::memset(&img, 0, sizeof img);
  img.version = PNG_IMAGE_VERSION;
  img.width = png_uint_32(side);
  img.height = png_uint_32(side);
  img.format = PNG_FORMAT_BGRA;
  ASSERT_TRUE(png_image_write_to_file(&img, p.c_str(), 0, px.data(), 0, nullptr));
}

void WriteText(const fs::path& p, const std::string& text) {
  fs::create_directories(p.parent_path());
  std::ofstream(p) << text;
}

// A temporary XDG layout; the environment comes back afterwards.
class ShellIcons : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("nobrivo-icons-" + std::to_string(::getpid()));
    fs::remove_all(root_);
    fs::create_directories(root_ / "home");
    for (const char* n : {"HOME", "XDG_DATA_HOME", "XDG_DATA_DIRS"}) {
      const char* v = std::getenv(n);
      kept_.push_back({n, v ? v : "", v != nullptr});
    }
    setenv("HOME", (root_ / "home").c_str(), 1);
    unsetenv("XDG_DATA_HOME");
    setenv("XDG_DATA_DIRS", (root_ / "share").c_str(), 1);
    WriteText(root_ / "share/mime/globs2", "# globs\n50:image/png:*.png\n50:text/plain:*.txt\n");
    WriteText(root_ / "share/mime/generic-icons", "image/png:image-x-generic\n");
    ReloadShellIcons();
  }
  void TearDown() override {
    for (const auto& k : kept_)
      if (k.set) setenv(k.name, k.value.c_str(), 1);
      else unsetenv(k.name);
    ReloadShellIcons();
    fs::remove_all(root_);
  }
  void InstallTheme() {
    WriteText(root_ / "share/icons/default/index.theme", "[Icon Theme]\nInherits=Fake\n");
    WriteText(root_ / "share/icons/Fake/index.theme",
              "[Icon Theme]\nName=Fake\nInherits=hicolor\nDirectories=16x16/places,48x48/mimetypes\n\n"
              "[16x16/places]\nSize=16\nType=Fixed\n\n[48x48/mimetypes]\nSize=48\nType=Fixed\n");
    WritePng(root_ / "share/icons/Fake/16x16/places/folder.png", 16, 0xFFFF0000);
    WritePng(root_ / "share/icons/Fake/48x48/mimetypes/image-x-generic.png", 48, 0xFF00FF00);
    ReloadShellIcons();
  }
  static HIMAGELIST Lookup(const std::string& path, DWORD attrs, UINT flags, int32_t& index) {
    SHFILEINFO sfi;
    const uintptr_t list = SHGetFileInfo(path.c_str(), attrs, &sfi, sizeof sfi, SHGFI_SYSICONINDEX | flags);
    index = sfi.iIcon;
    return reinterpret_cast<HIMAGELIST>(list);
  }
  static std::vector<uint32_t> Pixels(HIMAGELIST list, int32_t index) {
    std::vector<uint32_t> px;
    EXPECT_TRUE(ImageList_GetPixels(list, index, px));
    return px;
  }

  fs::path root_;
  struct Kept {
    const char* name;
    std::string value;
    bool set;
  };
  std::vector<Kept> kept_;
};

TEST_F(ShellIcons, ThemeIconsByTypeAndSizeScaledToTheList) {
  InstallTheme();
  int32_t folder = -1, png = -1, other = -1;
  HIMAGELIST small = Lookup("/nowhere/a folder", FILE_ATTRIBUTE_DIRECTORY, SHGFI_USEFILEATTRIBUTES | SHGFI_SMALLICON, folder);
  ASSERT_NE(small, nullptr);
  HIMAGELIST large = Lookup("/nowhere/Photo.PNG", FILE_ATTRIBUTE_NORMAL, SHGFI_USEFILEATTRIBUTES | SHGFI_LARGEICON, png);
  ASSERT_NE(large, nullptr);
  EXPECT_NE(small, large);
  Lookup("/nowhere/notes.zzz", FILE_ATTRIBUTE_NORMAL, SHGFI_USEFILEATTRIBUTES | SHGFI_SMALLICON, other);
  EXPECT_EQ(folder, 1);
  EXPECT_EQ(other, 0);  // an unknown type gets the plain file
  EXPECT_GE(png, 4);    // a new type joins after the four standing icons
  EXPECT_EQ(ImageList_GetImageCount(small), png + 1);

  int32_t cx = 0, cy = 0;
  ASSERT_TRUE(ImageList_GetIconSize(small, &cx, &cy));
  EXPECT_EQ(cx, 16);
  ASSERT_TRUE(ImageList_GetIconSize(large, &cx, &cy));
  EXPECT_EQ(cx, 32);
  EXPECT_EQ(cy, 32);

  // Each list shows every icon at its own side: the 16-pixel folder grows
  // to 32, the 48-pixel picture shrinks to 16.
  EXPECT_EQ(Pixels(small, folder), std::vector<uint32_t>(16 * 16, 0xFFFF0000));
  EXPECT_EQ(Pixels(large, folder), std::vector<uint32_t>(32 * 32, 0xFFFF0000));
  EXPECT_EQ(Pixels(small, png), std::vector<uint32_t>(16 * 16, 0xFF00FF00));
  EXPECT_EQ(Pixels(large, png), std::vector<uint32_t>(32 * 32, 0xFF00FF00));
  // Nothing in the theme for a plain file: the drawn page.
  EXPECT_EQ(Pixels(small, other), DrawnShellIcon(TDrawnShellIcon::File, 16));
  std::vector<uint32_t> none;
  EXPECT_FALSE(ImageList_GetPixels(small, ImageList_GetImageCount(small), none));
  EXPECT_FALSE(ImageList_GetPixels(small, -1, none));
}

TEST_F(ShellIcons, WithoutThemeTheDrawnSetAtBothSides) {
  int32_t folder = -1, png = -1;
  HIMAGELIST small = Lookup("dir", FILE_ATTRIBUTE_DIRECTORY, SHGFI_USEFILEATTRIBUTES | SHGFI_SMALLICON, folder);
  HIMAGELIST large = Lookup("a.png", 0, SHGFI_USEFILEATTRIBUTES | SHGFI_LARGEICON, png);
  EXPECT_EQ(Pixels(small, folder), DrawnShellIcon(TDrawnShellIcon::Folder, 16));
  EXPECT_EQ(Pixels(large, folder), DrawnShellIcon(TDrawnShellIcon::Folder, 32));
  EXPECT_EQ(Pixels(large, png), DrawnShellIcon(TDrawnShellIcon::ImageFile, 32));
  EXPECT_EQ(Pixels(small, 2), DrawnShellIcon(TDrawnShellIcon::OpenFolder, 16));
  // The large drawing is the small one painted finer, not a blank.
  const std::vector<uint32_t> big = DrawnShellIcon(TDrawnShellIcon::Folder, 32);
  EXPECT_EQ(big[size_t(20) * 32 + 16], DrawnShellIcon(TDrawnShellIcon::Folder, 16)[size_t(10) * 16 + 8]);
  EXPECT_EQ(big[0] >> 24, 0u);  // the corner stays transparent
}

TEST_F(ShellIcons, ExistingPathsAreAskedAsTheyAre) {
  int32_t index = -1;
  EXPECT_EQ(Lookup((root_ / "missing.png").string(), 0, SHGFI_SMALLICON, index), nullptr);
  EXPECT_NE(Lookup(root_.string(), 0, SHGFI_SMALLICON, index), nullptr);
  EXPECT_EQ(index, 1);  // a folder, whatever its name says
  WriteText(root_ / "dir.txt/inner", "");
  EXPECT_NE(Lookup((root_ / "dir.txt").string(), 0, SHGFI_SMALLICON, index), nullptr);
  EXPECT_EQ(index, 1);
  SHFILEINFO sfi;
  EXPECT_EQ(SHGetFileInfo(nullptr, 0, &sfi, sizeof sfi, SHGFI_SYSICONINDEX), 0u);
  EXPECT_EQ(SHGetFileInfo("a.png", 0, &sfi, sizeof sfi, SHGFI_USEFILEATTRIBUTES), 0u);  // no index asked
}

TEST_F(ShellIcons, DrawBlendsAndStretches) {
  InstallTheme();
  int32_t folder = -1;
  HIMAGELIST small = Lookup("d", FILE_ATTRIBUTE_DIRECTORY, SHGFI_USEFILEATTRIBUTES | SHGFI_SMALLICON, folder);
  TestCanvas c(40, 40);
  ASSERT_TRUE(ImageList_DrawEx(small, folder, c.dc, 2, 3, 8, 8, 0, 0, ILD_TRANSPARENT));
  EXPECT_EQ(c.BoxNot(kWhite), (TRect{2, 3, 10, 11}));
  EXPECT_EQ(c.At(5, 6), kRedPx);
  // Own size, and the drawn page's transparent corner leaves the canvas.
  TestCanvas d(40, 40);
  ASSERT_TRUE(ImageList_DrawEx(small, 0, d.dc, 10, 10, 0, 0, 0, 0, ILD_TRANSPARENT));
  EXPECT_EQ(d.At(10, 10), kWhite);
  EXPECT_EQ(d.At(10 + 8, 10 + 8), kWhite);  // the page's inside is white paper
  EXPECT_EQ(d.BoxNot(kWhite).Right, 10 + 15);
  EXPECT_FALSE(ImageList_DrawEx(small, 99, d.dc, 0, 0, 0, 0, 0, 0, ILD_TRANSPARENT));
}

}  // namespace
