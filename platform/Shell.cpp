// Shell open through xdg-open.

#include "platform/Shell.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

extern char** environ;

const char* ShellOpener() {
  const char* o = std::getenv("NOBRIVO_OPENER");
  return o && *o ? o : "xdg-open";
}

intptr_t ShellExecute(HWND, const char* verb, const char* file, const char*, const char*, int32_t) {
  if (!file || !*file) return 2;
  if (verb && *verb && std::strcmp(verb, "open") != 0) return 31;
  std::string opener = ShellOpener();
  std::string target = file;
  char* argv[] = {opener.data(), target.data(), nullptr};
  pid_t pid;
  // posix_spawnp runs the program directly: the file name reaches it as one
  // argument, whatever characters it holds.
  if (posix_spawnp(&pid, opener.c_str(), nullptr, nullptr, argv, environ) != 0) return 2;
  // Someone has to collect the opener when it ends; the caller does not wait.
  std::thread([pid] {
    int status;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return 42;
}
