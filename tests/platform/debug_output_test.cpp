// The debugger output reaches the listener from any thread.
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/DebugOutput.h"

TEST(DebugOutput, LinesReachTheListenerFromAnyThread) {
  std::mutex m;
  std::vector<std::string> lines;
  auto previous = SetDebugOutputListener([&](const std::string& s) {
    std::lock_guard<std::mutex> g(m);
    lines.push_back(s);
  });
  OutputDebugString("one");
  std::thread t([] { OutputDebugString("two"); });
  t.join();
  SetDebugOutputListener(previous);
  OutputDebugString("three");  // no listener of ours any more
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "one");
  EXPECT_EQ(lines[1], "two");
}
