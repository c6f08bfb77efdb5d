// The program's start: from starting its process to the main window painted,
// and the shared libraries mapped by then, on the headless backend. Each
// round starts this program afresh as a child that runs the program's own
// start (StartProgram) and message loop, and stops it the first time the
// loop would wait with the main window shown and nothing of it left to
// paint. Medians of the rounds (aim: under 150 ms).
//
// With --sdl the program starts on the SDL backend instead (a display is
// needed: run it under xvfb-run), and the loop is pumped until the main
// window is painted, since only the headless backend tells when it idles.
//
//   app_startup_bench [--sdl] [--rounds N]
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "app/Program.h"
#include "app/TfrmMain.h"
#include "platform/Backend.h"
#include "platform/Window.h"
#include "ui/TApplication.h"

namespace {

double MonotonicSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// The shared objects mapped into this process.
size_t MappedLibraries() {
  std::ifstream maps("/proc/self/maps");
  std::set<std::string> libs;
  for (std::string line; std::getline(maps, line);) {
    const size_t slash = line.find('/');
    if (slash != std::string::npos && line.find(".so", slash) != std::string::npos) libs.insert(line.substr(slash));
  }
  return libs.size();
}

// The child: the program's start, then its loop until the window is painted.
int Child() {
  // Everything before this line is the loader's: mapping and relocating the
  // libraries, and their constructors.
  static const double entered = MonotonicSeconds();
  std::string reason;
  if (!StartProgram(&reason)) {
    std::fprintf(stderr, "%s\n", reason.c_str());
    return 1;
  }
  const auto painted = [] {
    if (!frmMain || !frmMain->Visible() || GetUpdateRect(frmMain->Handle(), nullptr, false)) return false;
    std::fprintf(stderr, "%.6f %.6f %zu\n", entered, MonotonicSeconds(), MappedLibraries());
    std::fflush(stderr);
    ::_exit(0);  // the time is taken: the rest of the program's life is not measured
    return true;
  };
  if (std::strcmp(PlatformBackendName(), "headless") != 0) {
    // What Application->Run does first, then its loop without the wait.
    if (frmMain) frmMain->Show();
    for (const double t0 = MonotonicSeconds(); MonotonicSeconds() - t0 < 30;) {
      Application->ProcessMessages();
      painted();
    }
    std::fprintf(stderr, "the main window was not painted within 30 s\n");
    ::_exit(1);
  }
  HeadlessSetIdleHandler(painted);
  Application->Run();
  return 1;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--child") == 0) return Child();
  int rounds = 11;
  bool sdl = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--sdl") == 0) sdl = true;
    else if (std::strcmp(argv[i], "--rounds") == 0 && i + 1 < argc) rounds = std::max(1, std::atoi(argv[++i]));
  }
  const char* backend = sdl ? "sdl" : "headless";
  char tmpl[] = "/tmp/nobrivo-startup-bench-XXXXXX";
  if (!mkdtemp(tmpl)) return 1;
  const std::string dir = tmpl;
  setenv("NOBRIVO_CONFIG_DIR", dir.c_str(), 1);
  setenv("NOBRIVO_BACKEND", backend, 1);
  std::vector<double> times, loader;
  size_t libraries = 0;
  for (int r = 0; r < rounds; ++r) {
    int err[2];
    if (::pipe(err) != 0) return 1;
    const double t0 = MonotonicSeconds();
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::dup2(err[1], STDERR_FILENO);
      char self[] = "/proc/self/exe", child[] = "--child";
      char* args[] = {self, child, nullptr};
      ::execv(self, args);
      ::_exit(127);
    }
    ::close(err[1]);
    std::string text;
    char buf[256];
    for (ssize_t n; (n = ::read(err[0], buf, sizeof buf)) > 0;) text.append(buf, size_t(n));
    ::close(err[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    double entered = 0, painted = 0;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 ||
        std::sscanf(text.c_str(), "%lf %lf %zu", &entered, &painted, &libraries) != 3) {
      std::printf("the program did not start: %s\n", text.c_str());
      return 1;
    }
    times.push_back(painted - t0);
    loader.push_back(entered - t0);
  }
  std::filesystem::remove_all(dir);
  std::printf("start to main window painted (%s): %.1f ms, median of %d (aim: under 150 ms)\n"
              "  of which before the program's first line (loading %zu shared libraries): %.1f ms\n",
              backend, Median(times) * 1e3, rounds, libraries, Median(loader) * 1e3);
  return 0;
}
