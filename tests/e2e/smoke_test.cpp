// The real program under Xvfb with the SDL backend: it starts and shows its
// main window (a screenshot of the screen holds the sky-blue image area and
// the navigation bar's silver colours). Skipped without xvfb-run.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

TEST(ProgramSmoke, StartsUnderXvfbAndShowsTheMainWindow) {
  if (access("/usr/bin/xvfb-run", X_OK) != 0 || access("/usr/bin/import", X_OK) != 0)
    GTEST_SKIP() << "xvfb-run or ImageMagick's import is not installed";
  char tmpl[] = "/tmp/nobrivo-smoke-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const std::string dir = tmpl;
  const std::string shot = dir + "/screen.png";
  // The program may take a while to show its window on a busy machine: the
  // screen is photographed each second until the image area shows, then
  // once more. The display number starts from one of its own, so that
  // virtual displays started at the same moment by other tests are not taken
  // for this one.
  {
    std::ofstream script(dir + "/run.sh");
    script << "\"" NOBRIVO_EXE "\" & pid=$!\n"
           << "for i in $(seq 1 60); do\n"
           << "  sleep 1; import -window root '" << shot << "'\n"
           << "  n=$(convert '" << shot << "' -fill black +opaque 'rgb(166,202,240)' -fill white"
           << " -opaque 'rgb(166,202,240)' -format '%[fx:int(mean*w*h)]' info: 2>/dev/null)\n"
           << "  [ \"${n:-0}\" -gt 100000 ] && break\n"
           << "done\n"
           << "sleep 1; import -window root '" << shot << "'\n"
           << "kill -KILL $pid; wait $pid\n";
  }
  const std::string cmd = "cd '" + dir + "' && NOBRIVO_CONFIG_DIR='" + dir +
                          "/config' NOBRIVO_BACKEND=sdl ASAN_OPTIONS=detect_leaks=0 timeout 120 "
                          "xvfb-run -a -n " + std::to_string(200 + getpid() % 500) +
                          " -s '-screen 0 1024x768x24' sh run.sh >/dev/null 2>&1";
  std::system(cmd.c_str());
  ASSERT_TRUE(std::filesystem::exists(shot)) << "no screenshot";
  // Pixels of exactly one colour on the screen.
  auto count = [&](const char* Colour) {
    const std::string cmd = "/usr/bin/convert '" + shot + "' -fill black +opaque '" + Colour + "' -fill white -opaque '" +
                            Colour + "' -format '%[fx:mean*w*h]' info: 2>/dev/null";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return -1.0;
    char buf[64] = {};
    fgets(buf, sizeof buf, p);
    pclose(p);
    return std::atof(buf);
  };
  EXPECT_GT(count("rgb(166,202,240)"), 100000.0) << "the image area is not on the screen";
  // The navigation bar in the silver preset: its border down both sides and
  // around the tabs, and the first row of the caption band (its 64 bands
  // over 26 rows put the second band there), of the active tab and of the
  // other tab (each a row of 199 pixels at least).
  EXPECT_GT(count("rgb(124,124,148)"), 1000.0) << "no border of the navigation bar";
  EXPECT_GE(count("rgb(164,163,188)"), 199.0) << "no caption band";
  EXPECT_GE(count("rgb(251,230,148)"), 199.0) << "no active tab";
  EXPECT_GE(count("rgb(225,226,236)"), 199.0) << "no tab of the other page";
  std::filesystem::remove_all(dir);
}
