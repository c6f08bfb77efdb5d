// The process-wide services in a child process each: the memory protection,
// and the termination signals turned into the message loop's quit.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include "platform/Backend.h"
#include "platform/Process.h"
#include "platform/Window.h"

namespace {

// Runs Body in a child process and answers its exit status.
template <class F>
int InChild(F Body) {
  const pid_t pid = fork();
  if (pid == 0) {
    alarm(60);  // a child that waits forever fails instead
    _exit(Body());
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return status;
}

TEST(ProcessMemory, ProtectionMakesTheProcessUndumpableWithoutCoreSize) {
  const int status = InChild([] {
    const struct rlimit unlimited{RLIM_INFINITY, RLIM_INFINITY};
    setrlimit(RLIMIT_CORE, &unlimited);
    if (prctl(PR_SET_DUMPABLE, 1, 0, 0, 0) != 0) return 10;
    if (!ProtectProcessMemory()) return 11;
    if (prctl(PR_GET_DUMPABLE, 0, 0, 0, 0) != 0) return 12;
    struct rlimit core{};
    getrlimit(RLIMIT_CORE, &core);
    if (core.rlim_cur != 0 || core.rlim_max != 0) return 13;
    // Not even the process itself may raise the limit again.
    if (setrlimit(RLIMIT_CORE, &unlimited) == 0 && geteuid() != 0) return 14;
    return 0;
  });
  ASSERT_TRUE(WIFEXITED(status)) << status;
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(ProcessSignals, EachTerminationSignalQuitsTheMessageLoopOnce) {
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(strsignal(sig));
    const int status = InChild([sig] {
      ShutdownPlatform();
      if (!InitPlatformWith("headless")) return 20;
      QuitOnTerminationSignals();
      kill(getpid(), sig);
      // The loop waits for input; the signal's quit ends it.
      MSG msg;
      int32_t r;
      while ((r = GetMessage(msg, nullptr, 0, 0)) > 0) DispatchMessage(msg);
      if (r != 0) return 21;
      // The program no longer listens: the next one takes its default
      // action and ends the process.
      struct sigaction now{};
      sigaction(sig, nullptr, &now);
      return now.sa_handler == SIG_DFL ? 0 : 22;
    });
    ASSERT_TRUE(WIFEXITED(status)) << "status " << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
  }
}

}  // namespace
