// A signal handler may do almost nothing: it writes the signal's number into
// a pipe, and a thread that waits on the pipe's other end posts the quit
// message through the queue's ordinary cross-thread path, which wakes
// whichever backend waits for input.

#include "platform/Process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "platform/Window.h"

bool ProtectProcessMemory() {
  const bool undumpable = ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) == 0;
  const struct rlimit none{0, 0};
  const bool noCore = ::setrlimit(RLIMIT_CORE, &none) == 0;
  return undumpable && noCore;
}

namespace {

int g_signalPipe[2] = {-1, -1};

void OnTerminationSignal(int Signal) {
  const int saved = errno;
  const unsigned char byte = static_cast<unsigned char>(Signal);
  // Non-blocking: a pipe already full means a quit is already on its way.
  [[maybe_unused]] ssize_t n = ::write(g_signalPipe[1], &byte, 1);
  errno = saved;
}

void WatchSignalPipe() {
  for (;;) {
    unsigned char byte;
    const ssize_t n = ::read(g_signalPipe[0], &byte, 1);
    if (n == 1) {
      PostQuitMessage(0);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      return;
    }
  }
}

}  // namespace

void QuitOnTerminationSignals() {
  if (g_signalPipe[0] >= 0) return;
  if (::pipe2(g_signalPipe, O_CLOEXEC) != 0) return;
  ::fcntl(g_signalPipe[1], F_SETFL, O_NONBLOCK);
  // The watcher lives as long as the process; it blocks every signal so that
  // they reach the thread that runs the program.
  sigset_t all, previous;
  sigfillset(&all);
  pthread_sigmask(SIG_SETMASK, &all, &previous);
  std::thread(WatchSignalPipe).detach();
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  struct sigaction action{};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  // SA_RESETHAND: the next signal of the kind takes its default action.
  action.sa_flags = SA_RESTART | SA_RESETHAND;
  for (int s : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(s, &action, nullptr);
}
