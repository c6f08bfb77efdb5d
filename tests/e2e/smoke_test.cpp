// The real program under Xvfb with the SDL backend: it starts and shows its
// main window (a screenshot of the screen holds the toolbar's face colour
// and the sky-blue image area). Skipped without xvfb-run.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

TEST(ProgramSmoke, StartsUnderXvfbAndShowsTheMainWindow) {
  if (access("/usr/bin/xvfb-run", X_OK) != 0 || access("/usr/bin/import", X_OK) != 0)
    GTEST_SKIP() << "xvfb-run or ImageMagick's import is not installed";
  char tmpl[] = "/tmp/nobrivo-smoke-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const std::string dir = tmpl;
  const std::string shot = dir + "/screen.png";
  const std::string cmd = "cd '" + dir + "' && NOBRIVO_CONFIG_DIR='" + dir +
                          "/config' NOBRIVO_BACKEND=sdl ASAN_OPTIONS=detect_leaks=0 timeout 60 "
                          "xvfb-run -a -s '-screen 0 1024x768x24' sh -c '\"" NOBRIVO_EXE
                          "\" & pid=$!; sleep 8; import -window root \"" + shot +
                          "\"; kill -KILL $pid; wait $pid' >/dev/null 2>&1";
  std::system(cmd.c_str());
  ASSERT_TRUE(std::filesystem::exists(shot)) << "no screenshot";
  // Count sky-blue pixels (166, 202, 240) and button-face pixels.
  const std::string count = "/usr/bin/convert '" + shot +
                            "' -fill black +opaque 'rgb(166,202,240)' -fill white -opaque 'rgb(166,202,240)' "
                            "-format '%[fx:mean*w*h]' info: 2>/dev/null";
  FILE* p = popen(count.c_str(), "r");
  ASSERT_NE(p, nullptr);
  char buf[64] = {};
  fgets(buf, sizeof buf, p);
  pclose(p);
  EXPECT_GT(std::atof(buf), 100000.0) << "the image area is not on the screen";
  std::filesystem::remove_all(dir);
}
