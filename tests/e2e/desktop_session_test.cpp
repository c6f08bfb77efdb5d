// The real program on a virtual X display with a window manager and a task
// bar, driven by real pointer and key events (xdotool) and checked on the
// screen (ImageMagick's import): start with the pointer resting on the
// title bar, open from the folder list, step with an arrow key, save
// encrypted, reopen with the phrase, a name beyond ASCII in the title, full
// screen stepping onto the encrypted file. Skipped without Xvfb, icewm,
// xdotool or ImageMagick.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct TRun {
  int Status = -1;
  std::string Output;
};

TRun Sh(const std::string& cmd) {
  TRun r;
  FILE* p = popen((cmd + " 2>&1").c_str(), "r");
  if (!p) return r;
  char buf[512];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.Output.append(buf, n);
  int st = pclose(p);
  r.Status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

// A window id as xprop writes it.
std::string Hex(const std::string& DecimalId) {
  char b[32];
  std::snprintf(b, sizeof b, "0x%lx", std::stoul(DecimalId));
  return b;
}

// Bytes as xprop writes them in its 8x format.
std::string HexBytes(const std::string& Bytes) {
  std::string out;
  for (unsigned char c : Bytes) {
    char b[8];
    std::snprintf(b, sizeof b, "0x%x", c);
    out += (out.empty() ? "" : ", ") + std::string(b);
  }
  return out;
}

void Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

struct TRgb {
  int R = -1, G = -1, B = -1;
  bool operator==(const TRgb& o) const { return R == o.R && G == o.G && B == o.B; }
};
std::ostream& operator<<(std::ostream& os, const TRgb& c) {
  return os << "(" << c.R << "," << c.G << "," << c.B << ")";
}

struct TScreen {
  int Width = 0, Height = 0;
  std::vector<uint8_t> Rgb;
  TRgb At(int x, int y) const {
    if (x < 0 || y < 0 || x >= Width || y >= Height) return {};
    const uint8_t* p = &Rgb[(size_t(y) * size_t(Width) + size_t(x)) * 3];
    return TRgb{p[0], p[1], p[2]};
  }
};

struct TGeometry {
  int X = 0, Y = 0, Width = 0, Height = 0;
};

const TRgb kRed{255, 0, 0}, kLime{0, 255, 0}, kBlue{0, 0, 255};

// Toolbar items by the middle of their face, in the main window's client
// coordinates.
struct TItemAt {
  int X, Y;
};
const TItemAt kOpenImage{116, 19}, kSaveEncrypted{266, 19}, kFullScreen{349, 19};

// The toolbar's nine items from left to right edge, in the main window's
// client coordinates; their faces run from y 2 to 37, the picture above the
// caption.
struct TItemSpan {
  const char* Caption;
  int Left, Right;
};
const TItemSpan kToolbarItems[] = {{"Clear Image", 8, 80},      {"Open Image", 80, 152},   {"Save Image", 152, 222},
                                   {"Save Encrypted", 222, 310}, {"Full Screen", 318, 383}, {"Rotate Left", 383, 450},
                                   {"Rotate Right", 450, 522},   {"Options", 530, 579},     {"About", 587, 627}};

class DesktopSession : public ::testing::Test {
 protected:
  std::string dir_;
  std::string display_;
  std::vector<pid_t> started_;  // display, window manager, program

  void SetUp() override {
    for (const char* tool : {"/usr/bin/Xvfb", "/usr/bin/icewm", "/usr/bin/xdotool", "/usr/bin/import",
                             "/usr/bin/xprop", "/usr/bin/xwininfo", "/usr/bin/convert"})
      if (access(tool, X_OK) != 0) GTEST_SKIP() << tool << " is not installed";
    char tmpl[] = "/tmp/nobrivo-desktop-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    fs::create_directories(dir_ + "/pics");
    fs::create_directories(dir_ + "/config");
    fs::create_directories(dir_ + "/home");
    const struct {
      const char* Name;
      const char* Colour;
    } pictures[] = {{"a.png", "red"}, {"b.png", "lime"}, {"c.png", "blue"}, {"caf\xc3\xa9.png", "red"}};
    for (const auto& p : pictures)
      ASSERT_EQ(Sh("/usr/bin/convert -size 320x240 xc:" + std::string(p.Colour) + " 'PNG24:" + dir_ + "/pics/" +
                   p.Name + "'")
                    .Status,
                0);
    // The folder list shows the pictures' folder at start-up.
    std::ofstream(dir_ + "/config/registry") << "nobrivo-registry 1\nkey Software\nkey Software\\Nobrivo\n"
                                                "key Software\\Nobrivo\\Options\nvalue Browser_Last_dir sz "
                                             << dir_ << "/pics\nend\n";
    ASSERT_TRUE(StartDisplay());
  }

  void TearDown() override {
    for (auto it = started_.rbegin(); it != started_.rend(); ++it) {
      kill(*it, SIGKILL);
      waitpid(*it, nullptr, 0);
    }
    // NOBRIVO_KEEP_DESKTOP keeps the screenshots and logs for a look.
    if (!dir_.empty() && !std::getenv("NOBRIVO_KEEP_DESKTOP")) {
      std::error_code ec;
      fs::remove_all(dir_, ec);
    }
  }

  pid_t Start(const std::vector<std::string>& argv, const std::vector<std::string>& env, const std::string& log) {
    pid_t pid = fork();
    if (pid == 0) {
      setpgid(0, 0);
      for (const auto& e : env) putenv(const_cast<char*>(e.c_str()));
      FILE* out = std::fopen(log.c_str(), "w");
      if (out) {
        dup2(fileno(out), 1);
        dup2(fileno(out), 2);
      }
      std::vector<char*> args;
      for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
      args.push_back(nullptr);
      execv(args[0], args.data());
      _exit(127);
    }
    if (pid > 0) started_.push_back(pid);
    return pid;
  }

  // A display number nobody holds, a server on it, and the window manager
  // with its task bar.
  bool StartDisplay() {
    for (int n = 40 + getpid() % 200, tries = 0; tries < 50; ++n, ++tries) {
      if (fs::exists("/tmp/.X" + std::to_string(n) + "-lock")) continue;
      display_ = ":" + std::to_string(n);
      Start({"/usr/bin/Xvfb", display_, "-screen", "0", "1024x768x24", "-nolisten", "tcp"}, {}, dir_ + "/xvfb.log");
      for (int i = 0; i < 100; ++i) {
        Pause(50);
        if (X("/usr/bin/xprop -root _NET_SUPPORTED >/dev/null").Status == 0) break;
      }
      if (X("/usr/bin/xprop -root >/dev/null").Status != 0) return false;
      Start({"/usr/bin/icewm"}, {"DISPLAY=" + display_, "HOME=" + dir_ + "/home"}, dir_ + "/wm.log");
      for (int i = 0; i < 100; ++i) {
        Pause(50);
        if (X("/usr/bin/xprop -root _NET_WORKAREA").Output.find("=") != std::string::npos) return true;
      }
      return false;
    }
    return false;
  }

  TRun X(const std::string& cmd) { return Sh("DISPLAY=" + display_ + " " + cmd); }

  // The window whose title is exactly Title, waited for up to Seconds.
  // xdotool's waiting search gives up when a window vanishes under it (a
  // BadWindow error), and a window found once may be gone a moment later
  // while the program starts: look again until a window of the title
  // answers.
  std::string WaitForWindow(const std::string& Title, int Seconds = 30) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(Seconds);
    do {
      std::istringstream ids(X("/usr/bin/xdotool search --onlyvisible --name '^" + Title + "$'").Output);
      for (std::string id; std::getline(ids, id);)
        if (!id.empty() && std::isdigit(static_cast<unsigned char>(id[0])) &&
            X("/usr/bin/xwininfo -id " + id + " >/dev/null").Status == 0)
          return id;
      Pause(200);
    } while (std::chrono::steady_clock::now() < deadline);
    return "";
  }
  bool WindowShown(const std::string& Title) {
    return !X("/usr/bin/xdotool search --onlyvisible --name '^" + Title + "$'").Output.empty();
  }

  TGeometry Geometry(const std::string& Id) {
    TRun r = X("/usr/bin/xwininfo -id " + Id);
    auto num = [&](const std::string& key) {
      size_t at = r.Output.find(key);
      return at == std::string::npos ? -1 : std::atoi(r.Output.c_str() + at + key.size());
    };
    return TGeometry{num("Absolute upper-left X:"), num("Absolute upper-left Y:"), num("Width:"), num("Height:")};
  }

  int WorkAreaBottom() {
    TRun r = X("/usr/bin/xprop -root _NET_WORKAREA");
    int x = 0, y = 0, w = 0, h = 0;
    size_t at = r.Output.find('=');
    if (at == std::string::npos || std::sscanf(r.Output.c_str() + at + 1, " %d, %d, %d, %d", &x, &y, &w, &h) != 4)
      return -1;
    return y + h;
  }

  TScreen Shot(const std::string& Name) {
    TScreen s;
    const std::string path = dir_ + "/" + Name + ".ppm";
    if (X("/usr/bin/import -window root -depth 8 '" + path + "'").Status != 0) return s;
#ifdef NOBRIVO_SHOTS_DIR
    // A PNG copy under the build folder, to look at after the run.
    fs::create_directories(NOBRIVO_SHOTS_DIR);
    Sh("/usr/bin/convert '" + path + "' '" + std::string(NOBRIVO_SHOTS_DIR) + "/" + Name + ".png'");
#endif
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int maxval = 0;
    in >> magic >> s.Width >> s.Height >> maxval;
    in.get();
    if (magic != "P6" || maxval != 255 || s.Width <= 0 || s.Height <= 0) return TScreen{};
    s.Rgb.resize(size_t(s.Width) * size_t(s.Height) * 3);
    in.read(reinterpret_cast<char*>(s.Rgb.data()), std::streamsize(s.Rgb.size()));
    return s;
  }

  void Click(int x, int y) {
    X("/usr/bin/xdotool mousemove --sync " + std::to_string(x) + " " + std::to_string(y) + " click 1");
    Pause(300);
  }
  void Keys(const std::string& keys) {
    X("/usr/bin/xdotool key --delay 80 " + keys);
    Pause(300);
  }
  void Type(const std::string& text) {
    X("/usr/bin/xdotool type --delay 40 '" + text + "'");
    Pause(200);
  }
};

TEST_F(DesktopSession, OpenStepSaveEncryptedReopenAndFullScreen) {
  // The pointer rests on the title bar, above the toolbar's Options item,
  // while the program starts.
  X("/usr/bin/xdotool mousemove 619 8");
  Start({NOBRIVO_EXE},
        {"DISPLAY=" + display_, "NOBRIVO_BACKEND=sdl", "NOBRIVO_CONFIG_DIR=" + dir_ + "/config", "LANG=C",
         "ASAN_OPTIONS=detect_leaks=0"},
        dir_ + "/program.log");
  std::string main = WaitForWindow("Nobrivo 1.40", 60);
  ASSERT_FALSE(main.empty()) << "the main window never showed";
  Pause(3000);  // the first activation maximises the window
  main = WaitForWindow("Nobrivo 1.40", 10);
  ASSERT_FALSE(main.empty()) << "the main window went away";

  // Maximised into the work area: the status bar lies above the task bar.
  TGeometry g = Geometry(main);
  int workBottom = WorkAreaBottom();
  ASSERT_GT(workBottom, 600);
  ASSERT_LT(workBottom, 768) << "the window manager shows no task bar";
  EXPECT_GE(g.Y, 0);
  EXPECT_LE(g.Y + g.Height, workBottom) << "the bottom of the main window lies below the work area";
  EXPECT_GE(g.Height, workBottom - 60) << "the main window is not maximised";
  auto at = [&](TItemAt i) { return std::make_pair(g.X + i.X, g.Y + i.Y); };

  // The toolbar shows its nine items, each with its picture above its
  // caption: both bands of each face hold more than the button face.
  {
    TScreen s = Shot("toolbar");
    ASSERT_GT(s.Width, 0);
    auto marks = [&](const TItemSpan& item, int top, int bottom) {
      int n = 0;
      for (int y = top; y < bottom; ++y)
        for (int x = item.Left + 2; x < item.Right - 2; ++x) {
          TRgb c = s.At(g.X + x, g.Y + y);
          if (c.R != 212 || c.G != 208 || c.B != 200) ++n;
        }
      return n;
    };
    for (const TItemSpan& item : kToolbarItems) {
      EXPECT_GT(marks(item, 4, 20), 15) << item.Caption << ": no picture";
      EXPECT_GT(marks(item, 22, 36), 40) << item.Caption << ": no caption";
    }
    // Between the groups the separators, and no face beyond the last item.
    EXPECT_EQ(marks(TItemSpan{"beyond", 700, 1000}, 4, 36), 0);
  }

  // A first click in the image opens nothing.
  Click(g.X + 600, g.Y + 400);
  Pause(1000);
  EXPECT_FALSE(WindowShown("Options"));
  EXPECT_FALSE(WindowShown("About..."));

  // Open from the folder list with the keyboard: ".." leads the list, the
  // pictures follow by name.
  const std::vector<std::string> order{"..", "a.png", "b.png", "c.png"};
  const size_t first = 1;
  auto colourOf = [](const std::string& n) { return n == "a.png" ? kRed : n == "b.png" ? kLime : kBlue; };
  Click(g.X + 100, g.Y + 500);  // empty room of the folder list: it takes the focus
  std::string keys = "Home";
  for (size_t i = 0; i < first; ++i) keys += " Down";
  Keys(keys + " Return");
  ASSERT_FALSE(WaitForWindow("Nobrivo 1.40 - \\[" + order[first] + "\\]", 20).empty())
      << X("/usr/bin/xdotool getwindowname " + main).Output;
  Pause(500);
  TScreen s = Shot("opened");
  EXPECT_EQ(s.At(g.X + 600, g.Y + 400), colourOf(order[first]));
  // The status bar along the bottom: four theme-framed panels of 70 pixels
  // (a shadow line along the top, a highlight line along the bottom, two
  // pixels apart), each with its caption, then the bare bar; no size grip
  // while maximised.
  {
    const TRgb face{212, 208, 200}, shadow{128, 128, 128}, light{255, 255, 255};
    const int bottom = g.Y + g.Height;
    for (int i = 0; i < 4; ++i) {
      const int left = g.X + 70 * i;
      EXPECT_EQ(s.At(left + 30, bottom - 20), shadow) << "panel " << i;
      EXPECT_EQ(s.At(left + 30, bottom - 1), light) << "panel " << i;
      EXPECT_EQ(s.At(left + 69, bottom - 10), face) << "gap after panel " << i;
      int ink = 0;
      for (int y = bottom - 18; y < bottom - 2; ++y)
        for (int x = left + 2; x < left + 66; ++x)
          if (s.At(x, y).R < 100) ++ink;
      EXPECT_GT(ink, 5) << "no caption in panel " << i;
    }
    EXPECT_EQ(s.At(g.X + 400, bottom - 20), face) << "the bar beyond the panels";
    EXPECT_EQ(s.At(g.X + g.Width - 5, bottom - 5), face) << "no grip while maximised";
  }
  Keys("Right");
  ASSERT_FALSE(WaitForWindow("Nobrivo 1.40 - \\[" + order[first + 1] + "\\]", 20).empty());
  Pause(500);
  s = Shot("stepped");
  const TRgb shown = colourOf(order[first + 1]);
  EXPECT_EQ(s.At(g.X + 600, g.Y + 400), shown);

  // Save encrypted.
  Click(at(kSaveEncrypted).first, at(kSaveEncrypted).second);
  std::string dialog = WaitForWindow("Secret phrase dialog", 20);
  ASSERT_FALSE(dialog.empty());
  // A dialog's frame offers neither minimising nor maximising, and the
  // dialog stays in front of the main window when the main window is
  // clicked.
  std::string actions = X("/usr/bin/xprop -id " + dialog + " _NET_WM_ALLOWED_ACTIONS").Output;
  EXPECT_NE(actions.find("_NET_WM_ACTION_CLOSE"), std::string::npos) << actions;
  EXPECT_EQ(actions.find("_NET_WM_ACTION_MINIMIZE"), std::string::npos) << actions;
  EXPECT_EQ(actions.find("_NET_WM_ACTION_MAXIMIZE"), std::string::npos) << actions;
  Click(g.X + 900, g.Y + 600);
  Pause(500);
  std::string stacking = X("/usr/bin/xprop -root _NET_CLIENT_LIST_STACKING").Output;
  EXPECT_GT(stacking.find(Hex(dialog)), stacking.find(Hex(main))) << stacking;
  EXPECT_EQ(X("/usr/bin/xdotool getactivewindow").Output, dialog + "\n") << "the waiting main window took the focus";
  X("/usr/bin/xdotool windowactivate --sync " + dialog);
  Pause(300);
  Type("open sesame");
  Keys("Return");
  ASSERT_FALSE(WaitForWindow("Save As", 20).empty());
  const std::string secret = dir_ + "/pics/secret.png";
  Type(secret);
  Keys("Return");
  for (int i = 0; i < 50 && !fs::exists(secret); ++i) Pause(100);
  Pause(500);
  ASSERT_TRUE(fs::exists(secret));
  EXPECT_FALSE(fs::exists(secret + ".png")) << "the plain file stayed";
  {
    std::ifstream in(secret, std::ios::binary);
    std::string head(8, '\0');
    in.read(head.data(), 8);
    EXPECT_NE(head, std::string("\x89PNG\r\n\x1a\n", 8)) << "saved plainly";
  }

  // Reopen it with the phrase.
  Click(at(kOpenImage).first, at(kOpenImage).second);
  ASSERT_FALSE(WaitForWindow("Open", 20).empty());
  Type(secret);
  Keys("Return");
  ASSERT_FALSE(WaitForWindow("Secret phrase dialog", 20).empty());
  Type("open sesame");
  Keys("Return");
  ASSERT_FALSE(WaitForWindow("Nobrivo 1.40 - \\[secret.png\\]", 20).empty());
  Pause(500);
  s = Shot("reopened");
  EXPECT_EQ(s.At(g.X + 600, g.Y + 400), shown);

  // A name beyond ASCII: the title reaches the window manager in UTF-8 and,
  // for the legacy property, in Latin-1.
  Click(g.X + 100, g.Y + 500);
  Keys("Home Down Down Down Down Return");
  Pause(1500);
  EXPECT_EQ(X("/usr/bin/xprop -id " + main + " -notype -f _NET_WM_NAME 8x _NET_WM_NAME").Output,
            "_NET_WM_NAME = " + HexBytes("Nobrivo 1.40 - [caf\xc3\xa9.png]") + "\n");
  EXPECT_EQ(X("/usr/bin/xprop -id " + main + " -f WM_NAME 8x WM_NAME").Output,
            "WM_NAME(STRING) = " + HexBytes("Nobrivo 1.40 - [caf\xe9.png]") + "\n");

  // Full screen covers the whole screen, task bar included: the picture
  // (as wide as the screen for its shape) reaches the bottom row.
  Click(at(kFullScreen).first, at(kFullScreen).second);
  Pause(2500);
  s = Shot("fullscreen");
  EXPECT_EQ(s.At(512, 384), kRed);
  EXPECT_EQ(s.At(512, 760), kRed);
  EXPECT_EQ(s.At(5, 767), kRed);

  // In full screen, the arrow key steps onto the encrypted file: the
  // pass-phrase dialog comes up in front of the full-screen window, modal
  // for it, and has the keyboard, also after a click on the picture.
  Keys("Right");
  dialog = WaitForWindow("Secret phrase dialog", 20);
  ASSERT_FALSE(dialog.empty());
  Pause(500);
  auto activeName = [&] { return X("/usr/bin/xdotool getactivewindow getwindowname").Output; };
  EXPECT_EQ(activeName(), "Secret phrase dialog\n");
  EXPECT_NE(X("/usr/bin/xprop -id " + dialog + " _NET_WM_STATE").Output.find("_NET_WM_STATE_MODAL"),
            std::string::npos);
  const std::string owner = X("/usr/bin/xprop -id " + dialog + " WM_TRANSIENT_FOR").Output;
  EXPECT_NE(owner.find("window id # 0x"), std::string::npos) << owner;
  EXPECT_EQ(owner.find(Hex(main)), std::string::npos) << "the dialog belongs to the main window: " << owner;
  Click(40, 700);
  Pause(500);
  EXPECT_EQ(activeName(), "Secret phrase dialog\n");
  TGeometry d = Geometry(dialog);
  s = Shot("fullscreen-dialog");
  EXPECT_NE(s.At(d.X + d.Width / 2, d.Y + 10), kRed) << "the dialog hides behind the full-screen window";
  EXPECT_EQ(s.At(40, 700), kRed);
  Type("open sesame");
  Keys("Return");
  Pause(1500);
  s = Shot("fullscreen-secret");
  EXPECT_EQ(s.At(512, 384), shown) << "the decrypted picture shows full screen";
  EXPECT_FALSE(WindowShown("Secret phrase dialog"));
  // Escape still ends full screen.
  Keys("Escape");
  Pause(1000);
  s = Shot("after");
  EXPECT_EQ(s.At(g.X + 600, g.Y + 400), shown);
  EXPECT_EQ(X("/usr/bin/xdotool getactivewindow").Output, main + "\n");
}

// The faults a user met on a real display, repeated in a language: the
// toolbar's hints and hot-tracking, the keyboard after a double click in
// the folder list, plain letters typed into the picture, a dialog opened
// in full screen and its check boxes' captions, and the options dialog's
// edits after a click on the main window. The dialogs keep their English
// texts in every language; the main window's toolbar follows the language.
class DesktopFaults : public DesktopSession {
 protected:
  // Middles of the toolbar's items, found on the screen: each item's
  // picture is a cluster of marks along the band above the captions (the
  // grip and the separators are thin lines).
  static std::vector<int> ItemMiddles(const TScreen& S, const TGeometry& G) {
    std::vector<int> middles;
    int first = -1, last = -1;
    for (int x = 0; x < 800; ++x) {
      bool ink = false;
      for (int y = 5; y < 19 && !ink; ++y) {
        TRgb c = S.At(G.X + x, G.Y + y);
        ink = !(c.R == 212 && c.G == 208 && c.B == 200);
      }
      if (ink) {
        if (first >= 0 && x - last > 12) {
          if (last - first >= 8) middles.push_back((first + last) / 2);
          first = -1;
        }
        if (first < 0) first = x;
        last = x;
      }
    }
    if (first >= 0 && last - first >= 8) middles.push_back((first + last) / 2);
    return middles;
  }
  // The top row of a run of white at least Length pixels long inside R.
  static int WhiteRunRow(const TScreen& S, const TGeometry& R, int Length, int* Left) {
    for (int y = R.Y; y < R.Y + R.Height; ++y) {
      int run = 0;
      for (int x = R.X; x < R.X + R.Width; ++x) {
        run = S.At(x, y) == TRgb{255, 255, 255} ? run + 1 : 0;
        if (run == Length) {
          *Left = x - Length + 1;
          return y;
        }
      }
    }
    return -1;
  }
  // A check box caption as the user sees it: mostly the panel's light
  // background with dark letters on it.
  static void ExpectCaptionShows(const TScreen& S, int X, int Y, const std::string& What) {
    int light = 0, dark = 0, all = 0;
    for (int y = Y; y < Y + 17; ++y)
      for (int x = X + 20; x < X + 300; ++x) {
        TRgb c = S.At(x, y);
        const int sum = c.R + c.G + c.B;
        light += sum >= 3 * 180;
        dark += sum < 3 * 100;
        ++all;
      }
    EXPECT_GT(light, all * 2 / 3) << What << ": the panel's background, not a black bar";
    EXPECT_GT(dark, 30) << What << ": the caption's letters";
  }
  std::string ActiveName() { return X("/usr/bin/xdotool getactivewindow getwindowname").Output; }
  void MoveTo(int x, int y) {
    X("/usr/bin/xdotool mousemove --sync " + std::to_string(x) + " " + std::to_string(y));
    Pause(200);
  }

  void RepeatTheFaults(const std::string& Lang, const std::string& Tag) {
    // A damaged picture right after b.png.
    std::ofstream(dir_ + "/pics/bb.png") << std::string(3000, 'x');
    X("/usr/bin/xdotool mousemove 600 500");
    Start({NOBRIVO_EXE},
          {"DISPLAY=" + display_, "NOBRIVO_BACKEND=sdl", "NOBRIVO_CONFIG_DIR=" + dir_ + "/config", "LANG=" + Lang,
           "LC_ALL=", "LC_MESSAGES=", "ASAN_OPTIONS=detect_leaks=0"},
          dir_ + "/program.log");
    std::string main = WaitForWindow("Nobrivo 1.40", 60);
    ASSERT_FALSE(main.empty()) << "the main window never showed";
    Pause(3000);  // the first activation maximises the window
    main = WaitForWindow("Nobrivo 1.40", 10);
    ASSERT_FALSE(main.empty()) << "the main window went away";
    const TGeometry g = Geometry(main);
    TScreen idle = Shot(Tag + "-1-idle");
    const std::vector<int> items = ItemMiddles(idle, g);
    ASSERT_EQ(items.size(), 9u) << "toolbar items found on the screen";
    auto item = [&](size_t i) { return std::make_pair(g.X + items[i], g.Y + 12); };
    auto sameToolbar = [&](const TScreen& a, const TScreen& b) {
      int differ = 0;
      for (int y = g.Y; y < g.Y + 40; ++y)
        for (int x = g.X; x < g.X + 800; ++x) differ += !(a.At(x, y) == b.At(x, y));
      return differ;
    };

    // Hints: resting on an item shows its hint at the first hover; after
    // crossing other items and leaving the toolbar none stays highlighted.
    MoveTo(item(1).first, item(1).second);
    Pause(1500);
    TScreen hint = Shot(Tag + "-2-hint");
    int hintPixels = 0;
    for (int y = g.Y + 30; y < g.Y + 90; ++y)
      for (int x = item(1).first - 20; x < item(1).first + 200; ++x) hintPixels += hint.At(x, y) == TRgb{255, 255, 225};
    EXPECT_GT(hintPixels, 200) << "no hint at the first hover";
    for (size_t i : {2, 3, 5, 6}) MoveTo(item(i).first, item(i).second);
    MoveTo(g.X + 600, g.Y + 400);
    Pause(800);
    EXPECT_EQ(sameToolbar(idle, Shot(Tag + "-3-left-toolbar")), 0) << "a highlight stayed on the toolbar";

    // A double click on a.png in the folder list opens it and leaves the
    // keyboard with the picture: Right steps to b.png.
    Click(g.X + 100, g.Y + 500);
    Keys("Home Down");
    TScreen listed = Shot(Tag + "-4-list");
    int row = -1;
    for (int y = g.Y + 45; y < g.Y + 500 && row < 0; ++y)
      if (listed.At(g.X + 40, y) == TRgb{10, 36, 106}) row = y + 4;
    ASSERT_GT(row, 0) << "no highlighted entry in the folder list";
    X("/usr/bin/xdotool mousemove --sync " + std::to_string(g.X + 40) + " " + std::to_string(row) +
      " click --repeat 2 --delay 80 1");
    ASSERT_FALSE(WaitForWindow("Nobrivo 1.40 - \\[a.png\\]", 20).empty());
    Pause(500);
    Keys("Right");
    EXPECT_FALSE(WaitForWindow("Nobrivo 1.40 - \\[b.png\\]", 5).empty())
        << "the arrow key did not reach the picture: " << X("/usr/bin/xdotool getwindowname " + main).Output;

    // Plain letters typed into the picture fire no toolbar button: no
    // clearing, no full screen, no open dialog.
    Click(g.X + 600, g.Y + 400);
    Type("cfo");
    Pause(800);
    TScreen typed = Shot(Tag + "-5-typed");
    EXPECT_EQ(typed.At(g.X + 600, g.Y + 400), kLime) << "the picture was cleared";
    EXPECT_FALSE(WindowShown("Open")) << "o opened the dialog";
    EXPECT_NE(typed.At(5, 767), kLime) << "f went full screen";

    // Full screen, then Right onto the damaged file: the pass-phrase dialog
    // comes up above the full-screen window with the keyboard, keeps it
    // when the picture is clicked, and shows its check boxes' captions.
    Click(item(4).first, item(4).second);
    Pause(2500);
    EXPECT_EQ(Shot(Tag + "-6-fullscreen").At(5, 767), kLime) << "not full screen";
    Keys("Right");
    const std::string dialog = WaitForWindow("Secret phrase dialog", 20);
    ASSERT_FALSE(dialog.empty());
    Pause(500);
    Click(40, 700);
    EXPECT_EQ(ActiveName(), "Secret phrase dialog\n");
    const TGeometry d = Geometry(dialog);
    TScreen ask = Shot(Tag + "-7-fullscreen-dialog");
    EXPECT_NE(ask.At(d.X + d.Width / 2, d.Y + 10), kLime) << "the dialog hides behind the full-screen window";
    ExpectCaptionShows(ask, d.X + 16, d.Y + 121 + 24, "Hide secret phrase");
    ExpectCaptionShows(ask, d.X + 16, d.Y + 121 + 44, "Remember secret phrase");
    Click(d.X + 302 + 37, d.Y + 230 - 41 + 8 + 12);  // Cancel
    Pause(500);
    EXPECT_FALSE(WindowShown("Secret phrase dialog"));
    Keys("Escape");
    Pause(1000);
    EXPECT_EQ(X("/usr/bin/xdotool getactivewindow").Output, main + "\n") << "Escape did not end full screen";

    // The options dialog: a cipher chosen, a click on the main window and
    // one on the dialog, then OK stores the chosen cipher.
    Click(item(7).first, item(7).second);
    const std::string options = WaitForWindow("Options", 20);
    ASSERT_FALSE(options.empty());
    Pause(300);
    const TGeometry o = Geometry(options);
    TScreen page = Shot(Tag + "-8-options");
    int left = -1;
    const int comboTop = WhiteRunRow(page, TGeometry{o.X, o.Y + 30, o.Width, 100}, 250, &left);
    ASSERT_GT(comboTop, 0) << "no cipher box on the first page";
    Click(left + 100, comboTop + 9);
    Keys("Down Return");
    Click(g.X + 900, g.Y + 600);
    EXPECT_EQ(ActiveName(), "Options\n") << "the waiting main window took the focus";
    Click(o.X + 10, o.Y + o.Height - 10);
    Shot(Tag + "-9-options-after-click");
    Click(o.X + 206 + 37, o.Y + 213 - 41 + 8 + 12);  // OK
    Pause(500);
    EXPECT_FALSE(WindowShown("Options"));
    const std::string stored = ReadAll(dir_ + "/config/registry");
    EXPECT_NE(stored.find("Cipher sz 22"), std::string::npos) << "the edit was lost: " << stored;
  }

  static std::string ReadAll(const std::string& Path) {
    std::ifstream in(Path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
};

TEST_F(DesktopFaults, InEnglish) { RepeatTheFaults("C", "en"); }
TEST_F(DesktopFaults, InSpanish) { RepeatTheFaults("es_ES.UTF-8", "es"); }

}  // namespace
