// Page faults of a first load, as a user's fresh process pays them: the
// benchmark starts itself again with "--load FILE", that process loads the
// file once and ends, and the system's account of the ended process gives
// its minor page faults. A large picture's figure less a tiny one's is what
// the load itself cost, free of start-up.
#pragma once

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/io/TImagoIO.h"

extern char** environ;

namespace image_bench {

// In the process started by ChildLoad: loads the file, prints how long the
// load took (ms) and ends the process. Returns only when not asked to load.
inline void LoadIfAsked(int argc, char** argv) {
  if (argc != 3 || std::strcmp(argv[1], "--load") != 0) return;
  const auto t0 = std::chrono::steady_clock::now();
  bool ok;
  {
    TImagoIO io(nullptr);
    io.LoadFromFile(argv[2]);
    ok = !io.Aborted() && io.IEBitmap()->Width() > 0;
  }
  std::printf("%.3f\n", std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
  std::fflush(stdout);
  std::_Exit(ok ? 0 : 1);
}

struct ChildFigures {
  bool ok = false;
  double faults = 0;  // minor page faults of the whole process
  double load_ms = 0; // the load alone, as the process timed it
};

// Starts this program to load File once; -1 faults when it failed.
inline ChildFigures ChildLoad(const std::string& File) {
  ChildFigures f;
  int out[2];
  if (::pipe(out) != 0) return f;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  std::string self = "/proc/self/exe", flag = "--load", file = File;
  char* args[] = {self.data(), flag.data(), file.data(), nullptr};
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, "/proc/self/exe", &actions, nullptr, args, environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  std::string text;
  char buf[64];
  for (ssize_t n; (n = ::read(out[0], buf, sizeof buf)) > 0;) text.append(buf, static_cast<size_t>(n));
  ::close(out[0]);
  if (rc != 0) return f;
  int status = 0;
  rusage usage{};
  if (::wait4(pid, &status, 0, &usage) != pid) return f;
  f.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  f.faults = static_cast<double>(usage.ru_minflt);
  f.load_ms = std::atof(text.c_str());
  return f;
}

inline double MedianOf(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

struct FaultFigure {
  bool ok = false;
  double per_page = 0;  // the load's faults per 4 KB page of the picture
  double load_ms = 0;   // median first load of the large file
};

// Loads Large and Small in turns, Runs times each, in fresh processes:
// (faults of Large - faults of Small) / (PictureBytes / 4096), medians.
inline FaultFigure FaultsPerPicturePage(const std::string& Large, const std::string& Small, int64_t PictureBytes,
                                        int Runs = 5) {
  std::vector<double> large, small, ms;
  for (int i = 0; i < Runs; ++i) {
    const ChildFigures l = ChildLoad(Large), s = ChildLoad(Small);
    if (!l.ok || !s.ok) return {};
    large.push_back(l.faults);
    small.push_back(s.faults);
    ms.push_back(l.load_ms);
  }
  FaultFigure f;
  f.ok = true;
  f.per_page = (MedianOf(large) - MedianOf(small)) / (static_cast<double>(PictureBytes) / 4096);
  f.load_ms = MedianOf(ms);
  return f;
}

}  // namespace image_bench
