// Opening a 6000 x 4000 (24-megapixel) JPEG in the main window, plain and
// encrypted under the default cipher ("RC4"), in one run. The encrypted open
// is the whole road: the failed plain load, the decryption in memory and the
// load of the decrypted bytes, with the pass phrase from the main window's
// box. The ratio encrypted / plain is printed at the end (aim: at most 1.3),
// and so is the plain open beside the bare decode of the same file into an
// image without a view: what the road adds to the reader's own work (the
// view's display bitmap, fitting, the status bar).
//
// After those, the open road as a user meets it, in processes of its own: the
// program starts on the headless backend with a folder listed in its browser,
// and a double click on a file there (through the platform's input) runs
// until the view is painted. The first open of a fresh process and the next
// open (another copy of the same picture) are timed beside the bare decode of
// the same file in a fresh process (its first and its next load), for JPEG,
// PNG and TIFF; medians of alternating rounds, and the ratio (aim: at most
// 1.3). `app_open_bench --road-only` prints only this table;
// `app_open_bench --pictures DIR` writes the road's pictures into DIR, so that
// `app_open_bench --open-child DIR jpg` can run under a profiler.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "app/TAppImago.h"
#include "bench/imaging/ImageBench.h"
#include "app/CipherList.h"
#include "app/Program.h"
#include "app/TfrmMain.h"
#include "crypto/TCipherManager.h"
#include "crypto/THashManager.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/model/TIEBitmap.h"
#include "platform/Backend.h"
#include "platform/Input.h"
#include "platform/Window.h"
#include "toolbar/TTBKCheckBox.h"
#include "ui/TApplication.h"
#include "ui/TComboBox.h"
#include "ui/TEdit.h"
#include "ui/TListView.h"

namespace {
constexpr int kW = 6000, kH = 4000;
constexpr const char* kPhrase = "a pass phrase for the benchmark";

struct TFixture {
  std::string dir, plain, coded;
  TFixture() {
    char tmpl[] = "/tmp/nobrivo-app-bench-XXXXXX";
    const char* d = mkdtemp(tmpl);
    dir = d ? d : "/tmp";
    setenv("NOBRIVO_CONFIG_DIR", (dir + "/config").c_str(), 1);
    plain = dir + "/plain.jpg";
    coded = dir + "/coded.jpg";
    {
      TImagoIO io(nullptr);
      TIEBitmap* b = io.IEBitmap();
      image_bench::FillPhoto(b);
      io.Params()->JpegQuality = 90;
      io.SaveToFile(plain);
    }
    THashManager hash(nullptr);
    TCipherManager cipher(nullptr);
    cipher.SetHashManager(&hash);
    cipher.SetAlgorithm(kCipherNames[kDefaultCipher]);
    cipher.InitKey(kPhrase, nullptr);
    cipher.EncodeFile(plain, coded);
    cipher.SetHashManager(nullptr);

    std::string reason;
    InitPlatformWith("headless", &reason);
    InitControls();
    CreateProgramWindows();
    frmMain->Show();
    Application->ProcessMessages();
    frmMain->cbCipher->SetItemIndex(kDefaultCipher);
    frmMain->edPassword->SetText(kPhrase);
    frmMain->cbPassWordMain->SetChecked(true);
  }
  ~TFixture() {
    DoneControls();
    ShutdownPlatform();
    std::filesystem::remove_all(dir);
  }
};

TFixture& Fixture() {
  static TFixture f;
  return f;
}

std::map<std::string, double>& Seconds() {
  static std::map<std::string, double> m;
  return m;
}

void Open(benchmark::State& state, const std::string& name, const std::string& file) {
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    frmMain->OpenImage(file);
    const double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    if (frmMain->Caption() == kTitle) {
      state.SkipWithError(("failed: " + name).c_str());
      return;
    }
    state.SetIterationTime(t);
    auto& s = Seconds()[name];
    s = s == 0 ? t : std::min(s, t);
  }
}

void OpenPlain(benchmark::State& state) { Open(state, "plain", Fixture().plain); }

void DecodePlain(benchmark::State& state) {
  const std::string file = Fixture().plain;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    TImagoIO io(nullptr);
    io.IEBitmap()->MemoryThreshold = int64_t{1} << 40;
    io.LoadFromFile(file);
    const double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    if (io.Aborted() || io.IEBitmap()->Width() != kW) {
      state.SkipWithError("failed: decode");
      return;
    }
    state.SetIterationTime(t);
    auto& s = Seconds()["decode"];
    s = s == 0 ? t : std::min(s, t);
  }
}
void OpenEncrypted(benchmark::State& state) { Open(state, "encrypted", Fixture().coded); }

// ---- the open road in fresh processes

constexpr const char* kRoadFormats[] = {"jpg", "png", "tif"};

// The picture in each format of the road, twice: a.EXT for the first open of
// a process, b.EXT (the same bytes) for the next.
void WriteRoadPictures(const std::string& Dir) {
  TImagoIO io(nullptr);
  TIEBitmap* b = io.IEBitmap();
  image_bench::FillPhoto(b);
  io.Params()->JpegQuality = 90;
  io.Params()->TiffCompression = 0;
  for (const char* ext : kRoadFormats) {
    const std::string a = Dir + "/a." + ext, bb = Dir + "/b." + ext;
    io.SaveToFile(a);
    std::filesystem::copy_file(a, bb, std::filesystem::copy_options::overwrite_existing);
  }
}

double Since(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// A user's double click on the list entry Name, timed until the view has
// painted what it opened: nothing of it is left to paint.
double DoubleClickAndPaint(const std::string& Name) {
  TListView* list = frmMain->lvDirs;
  int32_t index = -1;
  for (int32_t i = 0; i < list->Items()->Count(); ++i)
    if (list->Items()->Item(i)->Caption() == Name) index = i;
  if (index < 0) return -1;
  const TRect r = list->ItemRect(index);
  InjectMouseMove(list->ClientToScreen(TPoint{r.Left + 5, (r.Top + r.Bottom) / 2}));
  Application->ProcessMessages();
  const auto t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < 2; ++i) {
    InjectMouseButton(VK_LBUTTON, true);
    InjectMouseButton(VK_LBUTTON, false);
  }
  Application->ProcessMessages();
  while (GetUpdateRect(frmMain->Imago1->Handle(), nullptr, false)) Application->ProcessMessages();
  const double t = Since(t0);
  return frmMain->Caption() == std::string(kTitle) + " - [" + Name + "]" ? t : -1;
}

// A fresh program with Dir in its browser: the first and the next open.
int OpenChild(const std::string& Dir, const std::string& Ext) {
  setenv("NOBRIVO_CONFIG_DIR", (Dir + "/config").c_str(), 1);
  std::string reason;
  if (!InitPlatformWith("headless", &reason)) return 1;
  HeadlessSetScreenSize(1920, 1080);
  InitControls();
  CreateProgramWindows();
  frmMain->Show();
  Application->ProcessMessages();
  frmMain->BrowseFolder(Dir);
  Application->ProcessMessages();
  const double first = DoubleClickAndPaint("a." + Ext), next = DoubleClickAndPaint("b." + Ext);
  std::fprintf(stderr, "%.6f\n%.6f\n", first, next);
  DoneControls();
  ShutdownPlatform();
  return first > 0 && next > 0 ? 0 : 1;
}

// A fresh process that only decodes: the first and the next load.
int DecodeChild(const std::string& Dir, const std::string& Ext) {
  for (const char* name : {"a.", "b."}) {
    const auto t0 = std::chrono::steady_clock::now();
    TImagoIO io(nullptr);
    io.LoadFromFile(Dir + "/" + name + Ext);
    const double t = Since(t0);
    if (io.Aborted() || io.IEBitmap()->Width() != kW) return 1;
    std::fprintf(stderr, "%.6f\n", t);
  }
  return 0;
}

// Runs this program again as a child; the two times it prints.
bool RunChild(const char* Self, const std::vector<std::string>& Args, double& First, double& Next) {
  int err[2];
  if (::pipe(err) != 0) return false;
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(err[1], STDERR_FILENO);
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, STDOUT_FILENO);
    std::vector<char*> argv{const_cast<char*>(Self)};
    for (const std::string& a : Args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv("/proc/self/exe", argv.data());
    ::_exit(127);
  }
  ::close(err[1]);
  std::string text;
  char buf[512];
  for (ssize_t n; (n = ::read(err[0], buf, sizeof buf)) > 0;) text.append(buf, size_t(n));
  ::close(err[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 && std::sscanf(text.c_str(), "%lf %lf", &First, &Next) == 2;
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

void RoadTable(const char* Self, int Rounds) {
  char tmpl[] = "/tmp/nobrivo-road-bench-XXXXXX";
  if (!mkdtemp(tmpl)) return;
  const std::string dir = tmpl;
  std::filesystem::create_directory(dir + "/config");
  WriteRoadPictures(dir);
  std::printf("\nDouble click in the folder browser to the painted view, %d x %d, fresh processes, medians of %d:\n",
              kW, kH, Rounds);
  std::printf("%-6s | %10s %10s %6s | %10s %10s %6s\n", "format", "open 1st", "decode 1st", "ratio", "open next",
              "decode nxt", "ratio");
  for (const char* ext : kRoadFormats) {
    std::vector<double> of, on, df, dn;
    bool ok = true;
    for (int r = 0; r < Rounds && ok; ++r) {
      double f = 0, n = 0;
      for (int side = 0; side < 2 && ok; ++side) {
        const bool open = (side == 0) == (r % 2 == 0);
        ok = RunChild(Self, {open ? "--open-child" : "--decode-child", dir, ext}, f, n);
        (open ? of : df).push_back(f);
        (open ? on : dn).push_back(n);
      }
    }
    if (!ok) {
      std::printf("%-6s | failed\n", ext);
      continue;
    }
    std::printf("%-6s | %8.1f ms %8.1f ms %5.2fx | %8.1f ms %8.1f ms %5.2fx (aim: at most 1.30x)\n", ext,
                Median(of) * 1e3, Median(df) * 1e3, Median(of) / Median(df), Median(on) * 1e3, Median(dn) * 1e3,
                Median(on) / Median(dn));
  }
  std::filesystem::remove_all(dir);
}
}  // namespace

BENCHMARK(DecodePlain)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(OpenPlain)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(OpenEncrypted)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--open-child") return OpenChild(argv[2], argv[3]);
  if (argc == 4 && std::string(argv[1]) == "--decode-child") return DecodeChild(argv[2], argv[3]);
  // The road's pictures left in DIR, for running a child under a profiler.
  if (argc == 3 && std::string(argv[1]) == "--pictures") {
    std::filesystem::create_directories(std::string(argv[2]) + "/config");
    WriteRoadPictures(argv[2]);
    return 0;
  }
  if (argc == 2 && std::string(argv[1]) == "--road-only") {
    RoadTable(argv[0], 5);
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  const auto& s = Seconds();
  if (s.count("plain") && s.count("encrypted"))
    std::printf("encrypted / plain open (best of 5): %.2f (aim: at most 1.30)\n",
                s.at("encrypted") / s.at("plain"));
  if (s.count("plain") && s.count("decode"))
    std::printf("plain open / bare decode (best of 5): %.2f (%.0f ms beside %.0f ms)\n",
                s.at("plain") / s.at("decode"), s.at("plain") * 1000, s.at("decode") * 1000);
  benchmark::Shutdown();
  RoadTable(argv[0], 5);
  return 0;
}
