// Thumbnails of a folder of 200 JPEG photographs (4000 x 3000) into cells of
// 160 x 120, in images per second, beside vipsthumbnail on the same files in
// the same run with the same number of threads.
//
// Ours: the thumbnail view itself (on the headless window system), its cells
// 160 x 120, storing thumbnails, with a loader pool of the thread count: the
// view is filled with the file names, every image is requested, and the run
// ends when every cell holds its thumbnail. Each load decodes the JPEG at the
// largest DCT reduction that still covers the cell and fits it into the cell
// with the view's thumbnail filter. The peer: as many vipsthumbnail processes as we have
// workers, each given its share of the files and one thread, writing its
// thumbnails as small JPEGs (an encode of 160 x 120, a small part of its
// time). The peer's figure includes starting its processes.
//
// The photographs are written once by our JPEG writer into a scratch folder
// and deleted at the end. NOBRIVO_BENCH_THREADS sets the worker count (4).
#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "bench/imaging/ImageBench.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/view/TImagoMView.h"
#include "platform/Backend.h"
#include "ui/TApplication.h"
#include "ui/TForm.h"

namespace {
using image_bench::Dir;
using image_bench::Seconds;
using image_bench::Timed;

constexpr int kPhotos = 200;
constexpr int kPhotoW = 4000, kPhotoH = 3000;
constexpr int kCellW = 160, kCellH = 120;

int Threads() {
  const char* e = std::getenv("NOBRIVO_BENCH_THREADS");
  const int n = e ? std::atoi(e) : 4;
  return std::clamp(n, 1, 64);
}

// Runs f(i) for i in 0..count-1 on n threads, each taking the next index.
template <typename F>
bool ForEachOnThreads(int count, int n, F&& f) {
  std::atomic<int> next{0};
  std::atomic<bool> ok{true};
  std::vector<std::thread> workers;
  for (int t = 0; t < n; ++t)
    workers.emplace_back([&] {
      for (int i = next++; i < count; i = next++)
        if (!f(i)) ok = false;
    });
  for (std::thread& w : workers) w.join();
  return ok;
}

std::string PhotoName(int i) {
  char name[32];
  std::snprintf(name, sizeof name, "/photo%03d.jpg", i);
  return Dir() + "/photos" + name;
}

// A photograph-like picture, different for each i: smooth gradients with
// fine detail and some grain.
void FillPhoto(TIEBitmap* b, int i) {
  b->MemoryThreshold = int64_t{1} << 40;
  b->Allocate(kPhotoW, kPhotoH, ieRGB24);
  uint32_t seed = 7u + static_cast<uint32_t>(i) * 7919u;
  for (int y = 0; y < kPhotoH; ++y) {
    uint8_t* row = b->GetScanline(y);
    for (int x = 0; x < kPhotoW; ++x) {
      seed = seed * 1664525u + 1013904223u;
      const int grain = static_cast<int>(seed >> 28) - 8;
      row[x * 3] = static_cast<uint8_t>(std::clamp((x + i * 37) / 16 + (x * y) % 7 + grain, 0, 255));
      row[x * 3 + 1] = static_cast<uint8_t>(std::clamp((y + i * 11) / 12 + x % 5 + grain, 0, 255));
      row[x * 3 + 2] = static_cast<uint8_t>(std::clamp((x + y + i * 5) / 28 + grain, 0, 255));
    }
  }
}

// The folder, written once.
const std::vector<std::string>& Photos() {
  static const std::vector<std::string> files = [] {
    std::filesystem::create_directories(Dir() + "/photos");
    std::vector<std::string> v;
    for (int i = 0; i < kPhotos; ++i) v.push_back(PhotoName(i));
    ForEachOnThreads(kPhotos, Threads(), [&](int i) {
      TImagoIO io(nullptr);
      FillPhoto(io.IEBitmap(), i);
      io.Params()->JpegQuality = 90;
      io.SaveToFile(v[static_cast<size_t>(i)]);
      return !io.Aborted();
    });
    return v;
  }();
  return files;
}

// Cells in 20 columns, all of them inside the control: the view loads
// what it shows.
constexpr int kColumns = 20;

TImagoMView* View() {
  static TImagoMView* view = [] {
    InitPlatformWith("headless");
    InitControls();
    const int rows = (kPhotos + kColumns - 1) / kColumns;
    auto* form = new TForm(Application);
    form->SetClientSize(kColumns * (kCellW + 4) + 8, rows * (kCellH + 4) + 8);
    auto* v = new TImagoMView(form);
    v->SetParent(form);
    v->SetBorderStyle(bsNone);
    v->SetScrollBars(ssNone);
    v->SetBounds(0, 0, form->ClientWidth(), form->ClientHeight());
    v->StoreType = ietThumb;
    v->ThreadPoolSize = Threads();
    v->SetThumbWidth(kCellW);
    v->SetThumbHeight(kCellH);
    v->SetGridWidth(kColumns);
    form->Show();
    return v;
  }();
  return view;
}

bool Ours() {
  const std::vector<std::string>& files = Photos();
  TImagoMView* v = View();
  v->Clear();
  v->LockUpdate();
  for (int i = 0; i < kPhotos; ++i) {
    v->InsertImage(i);
    v->SetImageFileName(i, files[static_cast<size_t>(i)]);
  }
  v->UnlockUpdate();
  for (int i = 0; i < kPhotos; ++i)
    if (!v->RequestLoad(i)) return false;
  // Waits as the application would, handling what the loads queue; looks
  // only past the images already seen stored.
  for (int stored = 0; stored < kPhotos;) {
    Application->ProcessMessages();
    while (stored < kPhotos && v->HasStoredImage(stored)) ++stored;
    if (stored < kPhotos) ::usleep(2000);
  }
  // Every cell holds a thumbnail of the cell's size.
  TIEBitmap* b = v->GetImageBitmap(kPhotos - 1);
  const bool ok = b && b->Width() == kCellW && b->Height() == kCellH;
  v->ReleaseImageBitmap(b, false);
  return ok;
}

// As many vipsthumbnail processes as we have threads, each with one thread
// and its share of the files.
bool Vips() {
  const std::vector<std::string>& files = Photos();
  const int n = Threads();
  const std::string out = Dir() + "/vips";
  std::filesystem::create_directories(out);
  std::vector<pid_t> children;
  for (int t = 0; t < n; ++t) {
    std::vector<std::string> args = {"vipsthumbnail", "--size", std::to_string(kCellW) + "x" + std::to_string(kCellH),
                                     "-o", out + "/%s.jpg"};
    for (int i = t; i < kPhotos; i += n) args.push_back(files[static_cast<size_t>(i)]);
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::setenv("VIPS_CONCURRENCY", "1", 1);
      std::vector<char*> argv;
      for (std::string& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execvp("vipsthumbnail", argv.data());
      ::_exit(127);
    }
    if (pid < 0) return false;
    children.push_back(pid);
  }
  bool ok = true;
  for (pid_t pid : children) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    ok = ok && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }
  return ok;
}

void BM_Ours(benchmark::State& state) { Timed(state, "ours", Ours); }
void BM_Vips(benchmark::State& state) { Timed(state, "vipsthumbnail", Vips); }

}  // namespace

BENCHMARK(BM_Ours)->Name("thumbnails_200_jpeg_4000x3000_to_160x120/ours")->UseManualTime()->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Vips)->Name("thumbnails_200_jpeg_4000x3000_to_160x120/vipsthumbnail")->UseManualTime()
    ->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  std::printf("writing %d photographs of %dx%d...\n", kPhotos, kPhotoW, kPhotoH);
  std::fflush(stdout);
  Photos();
  image_bench::InitializeInTurns(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  auto& s = Seconds();
  if (s.count("ours") && s.count("vipsthumbnail")) {
    const double ours = kPhotos / s["ours"], vips = kPhotos / s["vipsthumbnail"];
    std::printf("\nthumbnails of %d JPEG photographs %dx%d into %dx%d cells, %d threads (medians): "
                "ours %.1f images/s, vipsthumbnail %.1f images/s, ours/vips %.2f (aim: at least 0.5)\n",
                kPhotos, kPhotoW, kPhotoH, kCellW, kCellH, Threads(), ours, vips, ours / vips);
  }
  std::error_code ec;
  std::filesystem::remove_all(Dir(), ec);
  DoneControls();
  ShutdownPlatform();
  return 0;
}
