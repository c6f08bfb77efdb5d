// The real program as a process: it keeps its memory to itself (no core
// file, no attaching), ends cleanly on the signals of a session's end, `kill`
// and Ctrl-C, under the headless backend and under SDL on a virtual display,
// and leaves no session bus daemon behind.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

void Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

std::string ReadText(const std::string& Path) {
  std::ifstream in(Path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The bit mask of a "SigCgt:"-like line of /proc/PID/status.
uint64_t StatusMask(pid_t Pid, const std::string& Key) {
  const std::string s = ReadText("/proc/" + std::to_string(Pid) + "/status");
  const size_t at = s.find(Key + ":");
  return at == std::string::npos ? 0 : std::strtoull(s.c_str() + at + Key.size() + 1, nullptr, 16);
}

bool Catches(pid_t Pid, int Signal) { return (StatusMask(Pid, "SigCgt") >> (Signal - 1)) & 1; }

// The process's status once it has ended, or -1 when it still runs after
// Seconds.
int WaitEnd(pid_t Pid, int Seconds) {
  for (int i = 0; i < Seconds * 20; ++i) {
    int status = 0;
    if (waitpid(Pid, &status, WNOHANG) == Pid) return status;
    Pause(50);
  }
  return -1;
}

class ProgramProcess : public ::testing::Test {
 protected:
  std::string dir_;
  std::vector<pid_t> started_;

  void SetUp() override {
    char tmpl[] = "/tmp/nobrivo-process-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    // Also for a program that runs as another user (below).
    chmod(dir_.c_str(), 0777);
    fs::create_directory(dir_ + "/config");
    chmod((dir_ + "/config").c_str(), 0777);
  }

  void TearDown() override {
    for (auto it = started_.rbegin(); it != started_.rend(); ++it) {
      kill(*it, SIGKILL);
      waitpid(*it, nullptr, 0);
    }
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  // The environment of every started program: its own settings folder (which
  // also marks the processes it starts) and nothing of a session bus.
  std::vector<std::string> BaseEnvironment(const std::string& Backend) {
    std::vector<std::string> env{"NOBRIVO_BACKEND=" + Backend, "NOBRIVO_CONFIG_DIR=" + dir_ + "/config",
                                 "HOME=" + dir_, "LANG=C", "PATH=/usr/bin:/bin"};
    // The sanitizers must neither catch the crash nor switch core files off
    // themselves: what is tested is what the program does.
    env.push_back("ASAN_OPTIONS=detect_leaks=0:handle_segv=0:disable_coredump=0");
    return env;
  }

  // Starts Argv with exactly Env, in the test folder; with Unprivileged, as
  // the user "nobody" when the test runs as root.
  pid_t Start(const std::vector<std::string>& Argv, const std::vector<std::string>& Env, bool Unprivileged = false,
              const std::string& Log = "program.log") {
    const std::string log = dir_ + "/" + Log;
    pid_t pid = fork();
    if (pid == 0) {
      setpgid(0, 0);
      if (chdir(dir_.c_str()) != 0) _exit(126);
      // A crash may write a core file of any size: whatever stops one is the
      // program's doing.
      const struct rlimit unlimited{RLIM_INFINITY, RLIM_INFINITY};
      setrlimit(RLIMIT_CORE, &unlimited);
      if (Unprivileged && geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(126);
      FILE* out = std::fopen(log.c_str(), "w");
      if (out) {
        dup2(fileno(out), 1);
        dup2(fileno(out), 2);
      }
      std::vector<char*> args, env;
      for (const auto& a : Argv) args.push_back(const_cast<char*>(a.c_str()));
      args.push_back(nullptr);
      for (const auto& e : Env) env.push_back(const_cast<char*>(e.c_str()));
      env.push_back(nullptr);
      execve(args[0], args.data(), env.data());
      _exit(127);
    }
    if (pid > 0) started_.push_back(pid);
    return pid;
  }

  void Forget(pid_t Pid) { started_.erase(std::remove(started_.begin(), started_.end(), Pid), started_.end()); }

  // Waits until the program catches the termination signals, which it does
  // once its platform runs.
  bool WaitReady(pid_t Pid, int Seconds = 60) {
    for (int i = 0; i < Seconds * 20; ++i) {
      if (Catches(Pid, SIGTERM) && Catches(Pid, SIGINT)) return true;
      if (waitpid(Pid, nullptr, WNOHANG) == Pid) {
        Forget(Pid);
        return false;
      }
      Pause(50);
    }
    return false;
  }

  // Processes still running that were started with this test's settings
  // folder in their environment (the program's own children inherit it).
  std::vector<std::string> MarkedProcesses() {
    const std::string mark = "NOBRIVO_CONFIG_DIR=" + dir_ + "/config";
    std::vector<std::string> found;
    for (const auto& e : fs::directory_iterator("/proc")) {
      const std::string name = e.path().filename().string();
      if (name.find_first_not_of("0123456789") != std::string::npos) continue;
      const std::string env = ReadText(e.path().string() + "/environ");
      if (env.find(mark) == std::string::npos) continue;
      std::string cmd = ReadText(e.path().string() + "/cmdline");
      std::replace(cmd.begin(), cmd.end(), '\0', ' ');
      found.push_back(name + ": " + cmd);
    }
    return found;
  }
};

TEST_F(ProgramProcess, AStartedProgramIsNotDumpableAndACrashLeavesNoCore) {
  // Run as another user than root, /proc shows a non-dumpable process as
  // root's: that is how the kernel tells who may look into it.
  const pid_t pid = Start({NOBRIVO_EXE}, BaseEnvironment("headless"), true);
  ASSERT_GT(pid, 0);
  ASSERT_TRUE(WaitReady(pid)) << ReadText(dir_ + "/program.log");
  const std::string limits = ReadText("/proc/" + std::to_string(pid) + "/limits");
  const size_t at = limits.find("Max core file size");
  ASSERT_NE(at, std::string::npos);
  char soft[32] = {}, hard[32] = {};
  ASSERT_EQ(std::sscanf(limits.c_str() + at + 18, " %31s %31s", soft, hard), 2);
  EXPECT_STREQ(soft, "0");
  EXPECT_STREQ(hard, "0");
  struct stat st;
  ASSERT_EQ(stat(("/proc/" + std::to_string(pid) + "/status").c_str(), &st), 0);
  const std::string status = ReadText("/proc/" + std::to_string(pid) + "/status");
  ASSERT_EQ(status.find("Uid:\t0\t"), std::string::npos) << "the program runs as root";
  EXPECT_EQ(st.st_uid, 0u) << "the program's own user may attach to it and read its memory";

  kill(pid, SIGSEGV);
  const int end = WaitEnd(pid, 60);
  Forget(pid);
  ASSERT_NE(end, -1);
  ASSERT_TRUE(WIFSIGNALED(end)) << end;
  EXPECT_EQ(WTERMSIG(end), SIGSEGV);
  EXPECT_FALSE(WCOREDUMP(end)) << "the crash dumped a core";
  for (const auto& e : fs::directory_iterator(dir_))
    EXPECT_EQ(e.path().filename().string().rfind("core", 0), std::string::npos) << e.path();
}

TEST_F(ProgramProcess, TerminationSignalsEndTheProgramCleanly) {
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(strsignal(sig));
    const pid_t pid = Start({NOBRIVO_EXE}, BaseEnvironment("headless"));
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(WaitReady(pid)) << ReadText(dir_ + "/program.log");
    kill(pid, sig);
    const int end = WaitEnd(pid, 60);
    Forget(pid);
    ASSERT_NE(end, -1) << "the program did not end";
    EXPECT_TRUE(WIFEXITED(end) && WEXITSTATUS(end) == 0) << "status " << end << "\n"
                                                         << ReadText(dir_ + "/program.log");
  }
}

// Under SDL on a virtual display, started without a session bus, as from a
// plain terminal or a display manager's minimal session.
TEST_F(ProgramProcess, UnderSdlTerminationSignalsEndTheProgramAndNoBusDaemonStays) {
  if (access("/usr/bin/Xvfb", X_OK) != 0) GTEST_SKIP() << "Xvfb is not installed";
  std::string display;
  pid_t server = -1;
  for (int n = 300 + getpid() % 300, tries = 0; tries < 50 && server < 0; ++n, ++tries) {
    if (fs::exists("/tmp/.X" + std::to_string(n) + "-lock")) continue;
    display = ":" + std::to_string(n);
    server = Start({"/usr/bin/Xvfb", display, "-screen", "0", "1024x768x24", "-nolisten", "tcp"}, {"PATH=/usr/bin"},
                   false, "xvfb.log");
    bool up = false;
    for (int i = 0; i < 200 && !up; ++i) {
      Pause(50);
      up = fs::exists("/tmp/.X11-unix/X" + std::to_string(n));
      if (waitpid(server, nullptr, WNOHANG) == server) break;
    }
    if (!up) {
      kill(server, SIGKILL);
      waitpid(server, nullptr, 0);
      Forget(server);
      server = -1;
    }
  }
  ASSERT_GT(server, 0) << "no virtual display";

  for (int sig : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(strsignal(sig));
    std::vector<std::string> env = BaseEnvironment("sdl");
    env.push_back("DISPLAY=" + display);
    const pid_t pid = Start({NOBRIVO_EXE}, env);
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(WaitReady(pid)) << ReadText(dir_ + "/program.log");
    kill(pid, sig);
    const int end = WaitEnd(pid, 60);
    Forget(pid);
    ASSERT_NE(end, -1) << "the program did not end";
    EXPECT_TRUE(WIFEXITED(end) && WEXITSTATUS(end) == 0) << "status " << end << "\n"
                                                         << ReadText(dir_ + "/program.log");
  }
  // Whatever the program started has ended with it; a bus daemon that was
  // launched for it would still run, with the program's environment.
  const std::vector<std::string> left = MarkedProcesses();
  for (const std::string& p : left) ADD_FAILURE() << "left running: " << p;
  for (const std::string& p : left) kill(std::atoi(p.c_str()), SIGKILL);
}

}  // namespace
