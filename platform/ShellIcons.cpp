#include "platform/ShellIcons.h"

#include <png.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "platform/Bitmap.h"
#include "platform/Draw.h"
#include "platform/IconPainter.h"
#include "platform/SysInfo.h"

#include "rtl/StrUtils.h"

struct SystemImageListObject {
  bool Large;
};

namespace {

SystemImageListObject gSmall{false}, gLarge{true};

constexpr int32_t kMaxIconFile = 1024;  // a theme icon larger than this is not read

bool IsDir(const std::string& p) {
  struct stat st{};
  return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
bool IsFile(const std::string& p) {
  struct stat st{};
  return ::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}
std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}
std::string Trim(const std::string& s) {
  size_t a = s.find_first_not_of(" \t\r"), b = s.find_last_not_of(" \t\r");
  return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}
std::vector<std::string> Split(const std::string& s, char sep) {
  std::vector<std::string> out;
  size_t from = 0;
  for (;;) {
    size_t at = s.find(sep, from);
    std::string part = Trim(s.substr(from, at == std::string::npos ? std::string::npos : at - from));
    if (!part.empty()) out.push_back(part);
    if (at == std::string::npos) return out;
    from = at + 1;
  }
}

// The XDG data directories, the user's first.
std::vector<std::string> DataDirs() {
  std::vector<std::string> out;
  const std::string home = Env("HOME");
  const std::string dataHome = Env("XDG_DATA_HOME");
  if (!dataHome.empty()) out.push_back(dataHome);
  else if (!home.empty()) out.push_back(home + "/.local/share");
  std::string dirs = Env("XDG_DATA_DIRS");
  if (dirs.empty()) dirs = "/usr/local/share:/usr/share";
  for (const std::string& d : Split(dirs, ':')) out.push_back(d);
  return out;
}

// One directory of a theme as its index.theme describes it.
struct TThemeDir {
  std::string Name;
  int32_t Size = 0, MinSize = 0, MaxSize = 0, Threshold = 2;
  std::string Type = "Threshold";
  bool Matches(int32_t s) const {
    if (Type == "Fixed") return s == Size;
    if (Type == "Scalable") return s >= MinSize && s <= MaxSize;
    return s >= Size - Threshold && s <= Size + Threshold;
  }
  int32_t Distance(int32_t s) const {
    if (Type == "Fixed") return std::abs(Size - s);
    if (Type == "Scalable") return s < MinSize ? MinSize - s : s > MaxSize ? s - MaxSize : 0;
    return s < Size - Threshold ? Size - Threshold - s : s > Size + Threshold ? s - Size - Threshold : 0;
  }
};

struct TTheme {
  std::vector<std::string> Roots;  // every base directory holding the theme
  std::vector<TThemeDir> Dirs;
  std::vector<std::string> Inherits;
};

bool ReadTheme(const std::string& Name, const std::vector<std::string>& Bases, TTheme& T) {
  for (const std::string& b : Bases)
    if (IsDir(b + "/" + Name)) T.Roots.push_back(b + "/" + Name);
  std::string index;
  for (const std::string& r : T.Roots)
    if (IsFile(r + "/index.theme")) {
      index = r + "/index.theme";
      break;
    }
  if (index.empty()) return false;
  std::ifstream in(index);
  std::string line, section;
  std::map<std::string, std::map<std::string, std::string>> ini;
  while (std::getline(in, line)) {
    line = Trim(line);
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '[') {
      section = line.substr(1, line.find(']') - 1);
      continue;
    }
    size_t eq = line.find('=');
    if (eq != std::string::npos) ini[section][Trim(line.substr(0, eq))] = Trim(line.substr(eq + 1));
  }
  auto& head = ini["Icon Theme"];
  T.Inherits = Split(head["Inherits"], ',');
  for (const std::string& d : Split(head["Directories"], ',')) {
    auto it = ini.find(d);
    if (it == ini.end()) continue;
    auto& kv = it->second;
    if (!kv["Scale"].empty() && std::atoi(kv["Scale"].c_str()) != 1) continue;
    TThemeDir td;
    td.Name = d;
    td.Size = std::atoi(kv["Size"].c_str());
    td.MinSize = kv["MinSize"].empty() ? td.Size : std::atoi(kv["MinSize"].c_str());
    td.MaxSize = kv["MaxSize"].empty() ? td.Size : std::atoi(kv["MaxSize"].c_str());
    if (!kv["Threshold"].empty()) td.Threshold = std::atoi(kv["Threshold"].c_str());
    if (!kv["Type"].empty()) td.Type = kv["Type"];
    if (td.Size > 0) T.Dirs.push_back(td);
  }
  return true;
}

// Reads a PNG file as 0xAARRGGBB pixels; false when it is no PNG or too large.
bool ReadPng(const std::string& Path, int32_t& W, int32_t& H, std::vector<uint32_t>& Px) {
  png_image img;
  std::memset(&img, 0, sizeof img);
  img.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&img, Path.c_str())) return false;
  if (img.width == 0 || img.height == 0 || img.width > kMaxIconFile || img.height > kMaxIconFile) {
    png_image_free(&img);
    return false;
  }
  img.format = PNG_FORMAT_BGRA;  // little-endian 0xAARRGGBB words
  W = int32_t(img.width);
  H = int32_t(img.height);
  Px.assign(size_t(W) * size_t(H), 0);
  if (!png_image_finish_read(&img, nullptr, Px.data(), 0, nullptr)) {
    png_image_free(&img);
    return false;
  }
  return true;
}

// Scales to Side x Side: each target pixel averages the source pixels it
// covers (weighted by their alpha), or takes the nearest when enlarging.
std::vector<uint32_t> Scale(int32_t W, int32_t H, const std::vector<uint32_t>& Px, int32_t Side) {
  if (W == Side && H == Side) return Px;
  std::vector<uint32_t> out(size_t(Side) * size_t(Side), 0);
  for (int32_t y = 0; y < Side; ++y)
    for (int32_t x = 0; x < Side; ++x) {
      const int32_t x0 = int32_t(int64_t(x) * W / Side), y0 = int32_t(int64_t(y) * H / Side);
      const int32_t x1 = std::max(x0 + 1, int32_t(int64_t(x + 1) * W / Side));
      const int32_t y1 = std::max(y0 + 1, int32_t(int64_t(y + 1) * H / Side));
      uint64_t a = 0, r = 0, g = 0, b = 0, n = 0;
      for (int32_t sy = y0; sy < y1; ++sy)
        for (int32_t sx = x0; sx < x1; ++sx) {
          const uint32_t p = Px[size_t(sy) * size_t(W) + size_t(sx)];
          const uint32_t pa = p >> 24;
          a += pa;
          r += ((p >> 16) & 0xFF) * pa;
          g += ((p >> 8) & 0xFF) * pa;
          b += (p & 0xFF) * pa;
          ++n;
        }
      if (a == 0) continue;
      out[size_t(y) * size_t(Side) + size_t(x)] = uint32_t((a + n / 2) / n) << 24 | uint32_t((r + a / 2) / a) << 16 |
                                                  uint32_t((g + a / 2) / a) << 8 | uint32_t((b + a / 2) / a);
    }
  return out;
}

// One icon of the system image list: the theme names tried in order, and
// the drawing used when none is installed.
struct TEntry {
  std::vector<std::string> Names;
  TDrawnShellIcon Drawn;
  std::map<int32_t, std::vector<uint32_t>> Pixels;  // by side
};

class TShellIcons {
 public:
  int32_t IndexFor(const std::string& Path, bool Directory) {
    std::lock_guard<std::mutex> lock(mu_);
    Load();
    if (Directory) return 1;
    std::string mime = MimeOf(Path);
    if (mime.empty()) return 0;
    std::vector<std::string> names;
    std::string specific = mime;
    std::replace(specific.begin(), specific.end(), '/', '-');
    names.push_back(specific);
    auto g = generic_.find(mime);
    if (g != generic_.end()) names.push_back(g->second);
    names.push_back(mime.substr(0, mime.find('/')) + "-x-generic");
    names.push_back("text-x-generic");
    const TDrawnShellIcon drawn = mime.rfind("image/", 0) == 0 ? TDrawnShellIcon::ImageFile : TDrawnShellIcon::File;
    return Add(names, drawn);
  }
  int32_t Count() {
    std::lock_guard<std::mutex> lock(mu_);
    Load();
    return int32_t(entries_.size());
  }
  bool Pixels(int32_t Index, int32_t Side, std::vector<uint32_t>& Out) {
    std::lock_guard<std::mutex> lock(mu_);
    Load();
    if (Index < 0 || Index >= int32_t(entries_.size()) || Side <= 0) return false;
    TEntry& e = entries_[size_t(Index)];
    auto it = e.Pixels.find(Side);
    if (it == e.Pixels.end()) it = e.Pixels.emplace(Side, Find(e, Side)).first;
    Out = it->second;
    return true;
  }
  void Reload() {
    std::lock_guard<std::mutex> lock(mu_);
    loaded_ = false;
  }

 private:
  void Load() {
    if (loaded_) return;
    loaded_ = true;
    entries_.clear();
    themes_.clear();
    globs_.clear();
    generic_.clear();
    bases_.clear();
    const std::vector<std::string> data = DataDirs();
    if (!Env("HOME").empty()) bases_.push_back(Env("HOME") + "/.icons");
    for (const std::string& d : data) bases_.push_back(d + "/icons");
    pixmaps_ = "/usr/share/pixmaps";
    // The theme chain: "default" and what it inherits, depth first, then
    // "hicolor" last.
    std::set<std::string> seen;
    std::vector<std::string> todo{"default"};
    while (!todo.empty()) {
      std::string name = todo.front();
      todo.erase(todo.begin());
      if (name == "hicolor" || !seen.insert(name).second || seen.size() > 16) continue;
      TTheme t;
      if (!ReadTheme(name, bases_, t)) continue;
      todo.insert(todo.begin(), t.Inherits.begin(), t.Inherits.end());
      themes_.push_back(std::move(t));
    }
    TTheme hicolor;
    if (ReadTheme("hicolor", bases_, hicolor)) themes_.push_back(std::move(hicolor));
    // File types by name and their generic icons, the first database found.
    for (const std::string& d : data) {
      std::ifstream globs(d + "/mime/globs2");
      if (!globs) continue;
      std::string line;
      while (std::getline(globs, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> f;
        size_t from = 0;
        for (;;) {
          size_t at = line.find(':', from);
          f.push_back(line.substr(from, at == std::string::npos ? std::string::npos : at - from));
          if (at == std::string::npos) break;
          from = at + 1;
        }
        if (f.size() < 3 || f[2].rfind("*.", 0) != 0) continue;
        const std::string ext = LowerCase(f[2].substr(1));
        if (ext.find_first_of("*?[") != std::string::npos) continue;
        const int32_t weight = std::atoi(f[0].c_str());
        auto it = globs_.find(ext);
        if (it == globs_.end() || it->second.first < weight) globs_[ext] = {weight, f[1]};
      }
      std::ifstream gen(d + "/mime/generic-icons");
      while (std::getline(gen, line)) {
        size_t at = line.find(':');
        if (at != std::string::npos) generic_[line.substr(0, at)] = Trim(line.substr(at + 1));
      }
      break;
    }
    Add({"text-x-generic", "application-x-generic"}, TDrawnShellIcon::File);
    Add({"folder", "inode-directory"}, TDrawnShellIcon::Folder);
    Add({"folder-open", "folder"}, TDrawnShellIcon::OpenFolder);
    Add({"image-x-generic"}, TDrawnShellIcon::ImageFile);
  }

  int32_t Add(const std::vector<std::string>& Names, TDrawnShellIcon Drawn) {
    for (size_t i = 0; i < entries_.size(); ++i)
      if (entries_[i].Names == Names) return int32_t(i);
    entries_.push_back(TEntry{Names, Drawn, {}});
    return int32_t(entries_.size() - 1);
  }

  // The type of a file by its longest matching extension.
  std::string MimeOf(const std::string& Path) {
    std::string name = LowerCase(Path.substr(Path.find_last_of('/') == std::string::npos ? 0 : Path.find_last_of('/') + 1));
    for (size_t dot = name.find('.'); dot != std::string::npos; dot = name.find('.', dot + 1)) {
      auto it = globs_.find(name.substr(dot));
      if (it != globs_.end()) return it->second.second;
    }
    return "";
  }

  std::vector<uint32_t> Find(const TEntry& E, int32_t Side) {
    for (const TTheme& t : themes_)
      for (const std::string& n : E.Names) {
        std::string best;
        int32_t bestDist = INT32_MAX;
        for (const TThemeDir& d : t.Dirs)
          for (const std::string& r : t.Roots) {
            const std::string file = r + "/" + d.Name + "/" + n + ".png";
            const int32_t dist = d.Matches(Side) ? -1 : d.Distance(Side);
            if (dist < bestDist && IsFile(file)) {
              best = file;
              bestDist = dist;
            }
          }
        int32_t w = 0, h = 0;
        std::vector<uint32_t> px;
        if (!best.empty() && ReadPng(best, w, h, px)) return Scale(w, h, px, Side);
      }
    for (const std::string& n : E.Names) {
      int32_t w = 0, h = 0;
      std::vector<uint32_t> px;
      if (ReadPng(pixmaps_ + "/" + n + ".png", w, h, px)) return Scale(w, h, px, Side);
    }
    return DrawnShellIcon(E.Drawn, Side);
  }

  std::mutex mu_;
  bool loaded_ = false;
  std::vector<std::string> bases_;
  std::string pixmaps_;
  std::vector<TTheme> themes_;
  std::map<std::string, std::pair<int32_t, std::string>> globs_;  // ".ext" -> weight, type
  std::map<std::string, std::string> generic_;
  std::vector<TEntry> entries_;
};

TShellIcons& Icons() {
  static TShellIcons icons;
  return icons;
}

int32_t SideOf(HIMAGELIST list) {
  return GetSystemMetrics(list && list->Large ? SM_CXICON : SM_CXSMICON);
}

}  // namespace

uintptr_t SHGetFileInfo(const char* path, DWORD attributes, SHFILEINFO* sfi, UINT, UINT flags) {
  if (!path || !sfi || !(flags & SHGFI_SYSICONINDEX)) return 0;
  bool directory = false;
  if (flags & SHGFI_USEFILEATTRIBUTES) {
    directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  } else {
    struct stat st{};
    if (::stat(path, &st) != 0) return 0;
    directory = S_ISDIR(st.st_mode);
  }
  sfi->iIcon = Icons().IndexFor(path, directory);
  sfi->dwAttributes = directory ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
  return reinterpret_cast<uintptr_t>(flags & SHGFI_SMALLICON ? &gSmall : &gLarge);
}

BOOL ImageList_GetIconSize(HIMAGELIST list, int32_t* cx, int32_t* cy) {
  if (list != &gSmall && list != &gLarge) return 0;
  if (cx) *cx = SideOf(list);
  if (cy) *cy = SideOf(list);
  return 1;
}

int32_t ImageList_GetImageCount(HIMAGELIST list) {
  return list == &gSmall || list == &gLarge ? Icons().Count() : 0;
}

bool ImageList_GetPixels(HIMAGELIST list, int32_t i, std::vector<uint32_t>& pixels) {
  if (list != &gSmall && list != &gLarge) return false;
  return Icons().Pixels(i, SideOf(list), pixels);
}

BOOL ImageList_DrawEx(HIMAGELIST list, int32_t i, HDC dc, int32_t x, int32_t y, int32_t dx, int32_t dy, COLORREF,
                      COLORREF, UINT) {
  std::vector<uint32_t> px;
  if (!dc || !ImageList_GetPixels(list, i, px)) return 0;
  const int32_t side = SideOf(list);
  if (dx <= 0) dx = side;
  if (dy <= 0) dy = side;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = side;
  bi.bmiHeader.biHeight = -side;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC mem = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateDIBSection(mem, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bmp || !bits) {
    DeleteDC(mem);
    return 0;
  }
  auto* out = static_cast<uint32_t*>(bits);
  for (size_t k = 0; k < px.size(); ++k) {  // premultiplied, as the blend wants it
    const uint32_t p = px[k], a = p >> 24;
    out[k] = a << 24 | (((p >> 16) & 0xFF) * a + 127) / 255 << 16 | (((p >> 8) & 0xFF) * a + 127) / 255 << 8 |
             ((p & 0xFF) * a + 127) / 255;
  }
  HGDIOBJ old = SelectObject(mem, bmp);
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  const BOOL ok = AlphaBlend(dc, x, y, dx, dy, mem, 0, 0, side, side, blend);
  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);
  return ok;
}

void ReloadShellIcons() { Icons().Reload(); }

std::vector<uint32_t> DrawnShellIcon(TDrawnShellIcon Kind, int32_t Side) {
  constexpr uint32_t kOutline = 0x505050, kFolderDark = 0xB07A10, kFolder = 0xF2C744, kFolderLight = 0xFADA74;
  TIconPicture p(Side);
  auto page = [&] {
    p.Fill(kOutline, IconPolygon({2.5f, 0.5f, 10.5f, 0.5f, 14.5f, 4.5f, 14.5f, 15.5f, 2.5f, 15.5f}));
    p.Fill(0xFFFFFF, IconPolygon({3.5f, 1.5f, 10, 1.5f, 13.5f, 5, 13.5f, 14.5f, 3.5f, 14.5f}));
    p.Fill(0xC8C8C8, IconPolygon({10, 1.5f, 13.5f, 5, 10, 5}));
  };
  auto folder = [&](bool open) {
    p.Fill(kFolderDark,
           IconPolygon({0.5f, 3, 1.5f, 2, 6, 2, 7.5f, 3.5f, 14.5f, 3.5f, 15.5f, 4.5f, 15.5f, 14, 0.5f, 14}));
    p.Fill(kFolder, IconBox(1.5f, 4.5f, 14.5f, 13));
    if (open) {
      p.Fill(kFolderDark, IconPolygon({3, 7, 16, 7, 13.5f, 14, 0.5f, 14}));
      p.Fill(kFolderLight, IconPolygon({3.7f, 8, 14.6f, 8, 12.8f, 13, 1.9f, 13}));
    } else {
      p.Fill(kFolderLight, IconBox(1.5f, 6, 14.5f, 13));
    }
  };
  switch (Kind) {
    case TDrawnShellIcon::File:
      page();
      break;
    case TDrawnShellIcon::ImageFile:
      page();
      p.Fill(0x7EC0F0, IconBox(4.5f, 6, 12.5f, 13.5f));  // sky
      p.Fill(0x3A9A3A,
             IconPolygon({4.5f, 13.5f, 4.5f, 11, 7.5f, 8.5f, 10, 11, 11, 10, 12.5f, 11.5f, 12.5f, 13.5f}));
      p.Fill(0xF8E040, IconDisc(10.5f, 7.8f, 1.1f));  // sun
      break;
    case TDrawnShellIcon::Folder:
      folder(false);
      break;
    case TDrawnShellIcon::OpenFolder:
      folder(true);
      break;
  }
  return p.Take();
}
