// The settings store: typed values, enumeration, deletion, a damaged file,
// an interrupted write, hostile files. Also the locale and shell services.

#include "platform/Registry.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/Locale.h"
#include "platform/Shell.h"

namespace {

std::string ReadText(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f << text;
}

std::vector<std::string> DirEntries(const std::string& dir) {
  std::vector<std::string> r;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d))
      if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, "..")) r.push_back(e->d_name);
    closedir(d);
  }
  std::sort(r.begin(), r.end());
  return r;
}

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static int n = 0;
    Dir =
        testing::TempDir() + "nobrivo-reg-" + std::to_string(getpid()) + "-" + std::to_string(++n);
    setenv("NOBRIVO_CONFIG_DIR", Dir.c_str(), 1);
  }
  void TearDown() override {
    for (const std::string& e : DirEntries(Dir)) unlink((Dir + "/" + e).c_str());
    rmdir(Dir.c_str());
    unsetenv("NOBRIVO_CONFIG_DIR");
  }
  HKEY Create(const char* path) {
    HKEY k = nullptr;
    DWORD disp = 0;
    EXPECT_EQ(
        RegCreateKeyEx(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, &disp),
        ERROR_SUCCESS);
    return k;
  }
  static LONG SetString(HKEY k, const char* name, const std::string& v) {
    return RegSetValueEx(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(v.c_str()),
                         DWORD(v.size() + 1));
  }
  static std::string GetString(HKEY k, const char* name) {
    char buf[256] = {};
    DWORD size = sizeof buf, type = 0;
    if (RegQueryValueEx(k, name, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size) !=
        ERROR_SUCCESS)
      return "<none>";
    return buf;
  }
  std::string Dir;
};

TEST_F(RegistryTest, TypedValuesSurviveInTheFile) {
  HKEY k = Create("Software\\Nobrivo\\Options");
  ASSERT_NE(k, nullptr);
  EXPECT_EQ(SetString(k, "Cipher", "Blowfish"), ERROR_SUCCESS);
  EXPECT_EQ(SetString(k, "With Spaces", "a b%c\nd"), ERROR_SUCCESS);
  EXPECT_EQ(SetString(k, "Empty", ""), ERROR_SUCCESS);
  DWORD n = 0xDEADBEEF;
  EXPECT_EQ(RegSetValueEx(k, "Count", 0, REG_DWORD, reinterpret_cast<BYTE*>(&n), 4), ERROR_SUCCESS);
  const BYTE bin[] = {0, 1, 2, 255};
  EXPECT_EQ(RegSetValueEx(k, "Blob", 0, REG_BINARY, bin, 4), ERROR_SUCCESS);
  EXPECT_EQ(SetString(k, nullptr, "default"), ERROR_SUCCESS);
  RegCloseKey(k);
  std::string text = ReadText(RegistryFilePath());
  EXPECT_NE(text.find("key Software\\Nobrivo\\Options\n"), std::string::npos);
  EXPECT_NE(text.find("value Cipher sz Blowfish\n"), std::string::npos);
  EXPECT_NE(text.find("value Count dword 3735928559\n"), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 4), "end\n");
  // Another process changes the file: the next access reads it.
  std::string edited = text;
  edited.replace(edited.find("sz Blowfish"), 11, "sz Twofish");
  WriteText(RegistryFilePath(), edited);
  HKEY r = nullptr;
  ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "software\\NOBRIVO\\options", 0, KEY_READ, &r),
            ERROR_SUCCESS);
  EXPECT_EQ(GetString(r, "CIPHER"), "Twofish");
  EXPECT_EQ(GetString(r, "With Spaces"), "a b%c\nd");
  EXPECT_EQ(GetString(r, "Empty"), "");
  EXPECT_EQ(GetString(r, ""), "default");
  DWORD type = 0, v = 0, size = 4;
  ASSERT_EQ(RegQueryValueEx(r, "Count", nullptr, &type, reinterpret_cast<BYTE*>(&v), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, DWORD(REG_DWORD));
  EXPECT_EQ(v, 0xDEADBEEFu);
  BYTE out[8];
  size = sizeof out;
  ASSERT_EQ(RegQueryValueEx(r, "Blob", nullptr, &type, out, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(std::memcmp(out, bin, 4), 0);
  // A key opened for reading cannot write.
  EXPECT_EQ(SetString(r, "Cipher", "x"), ERROR_ACCESS_DENIED);
  RegCloseKey(r);
}

TEST_F(RegistryTest, QuerySizesAndMissingThings) {
  HKEY k = Create("AppEvents\\Schemes");
  SetString(k, "Long", "0123456789");
  DWORD size = 0, type = 0;
  EXPECT_EQ(RegQueryValueEx(k, "Long", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 11u);
  BYTE small[8];
  size = sizeof small;
  EXPECT_EQ(RegQueryValueEx(k, "Long", nullptr, &type, small, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 11u);
  EXPECT_EQ(RegQueryValueEx(k, "Missing", nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
  HKEY none = nullptr;
  EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_READ, &none),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, &none), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, "Software", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                           &none, nullptr),
            ERROR_ACCESS_DENIED);
  // Opening twice finds the existing key.
  DWORD disp = 0;
  HKEY again = nullptr;
  RegCreateKeyEx(HKEY_CURRENT_USER, "appevents\\schemes", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                 &again, &disp);
  EXPECT_EQ(disp, DWORD(REG_OPENED_EXISTING_KEY));
  RegCloseKey(again);
  RegCloseKey(k);
}

TEST_F(RegistryTest, EnumerateAndDelete) {
  HKEY k = Create("Software\\Test");
  for (const char* sub : {"beta", "Alpha", "gamma"}) {
    HKEY s = nullptr;
    RegCreateKeyEx(k, sub, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &s, nullptr);
    RegCloseKey(s);
  }
  SetString(k, "Zed", "1");
  SetString(k, "ant", "2");
  std::vector<std::string> keys, values;
  char name[64];
  for (DWORD i = 0;; ++i) {
    DWORD n = sizeof name;
    if (RegEnumKeyEx(k, i, name, &n) != ERROR_SUCCESS) break;
    keys.push_back(name);
  }
  for (DWORD i = 0;; ++i) {
    DWORD n = sizeof name;
    if (RegEnumValue(k, i, name, &n, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    values.push_back(name);
  }
  EXPECT_EQ(keys, (std::vector<std::string>{"Alpha", "beta", "gamma"}));
  EXPECT_EQ(values, (std::vector<std::string>{"ant", "Zed"}));
  DWORD subKeys = 0, nValues = 0;
  RegQueryInfoKey(k, &subKeys, nullptr, &nValues, nullptr, nullptr);
  EXPECT_EQ(subKeys, 3u);
  EXPECT_EQ(nValues, 2u);
  EXPECT_EQ(RegDeleteValue(k, "ZED"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValue(k, "ZED"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, "Software\\Test"), ERROR_ACCESS_DENIED);  // has subkeys
  EXPECT_EQ(RegDeleteKey(k, "BETA"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKey(k, "beta"), ERROR_FILE_NOT_FOUND);
  RegCloseKey(k);
}

TEST_F(RegistryTest, DamagedFileReadsAsEmptyAndIsReplacedOnTheNextWrite) {
  const std::string valid = "nobrivo-registry 1\nkey A\nvalue X sz 1\nend\n";
  const std::string cases[] = {
      "",                                                       // empty
      "nobrivo-registry 1\nkey A\nvalue X sz 1\n",              // cut before the end line
      "nobrivo-registry 1\nkey A\nvalue X sz 1\nend\nkey B\n",  // something after the end
      "nobrivo-registry 2\nend\n",                              // unknown version
      "nobrivo-registry 1\nkey A\nvalue X dword 99999999999\nend\n",
      "nobrivo-registry 1\nkey A\nvalue X hex 3 abc\nend\n",  // odd hex
      "nobrivo-registry 1\nkey A\nvalue X sz bad%2\nend\n",   // broken escape
      "nobrivo-registry 1\nvalue\nend\n",
      std::string("\x00\xff\x10garbage", 10),
  };
  mkdir(Dir.c_str(), 0700);
  for (const std::string& damaged : cases) {
    WriteText(RegistryFilePath(), damaged);
    HKEY k = nullptr;
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "A", 0, KEY_READ, &k), ERROR_FILE_NOT_FOUND)
        << damaged;
    HKEY c = Create("B");
    EXPECT_EQ(SetString(c, "Y", "2"), ERROR_SUCCESS);
    RegCloseKey(c);
    EXPECT_EQ(ReadText(RegistryFilePath()), "nobrivo-registry 1\nkey B\nvalue Y sz 2\nend\n");
    EXPECT_EQ(ReadText(RegistryFilePath() + ".damaged"), damaged);
    unlink((RegistryFilePath() + ".damaged").c_str());
  }
  // The valid form of the same content reads.
  WriteText(RegistryFilePath(), valid);
  HKEY k = nullptr;
  ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "A", 0, KEY_READ, &k), ERROR_SUCCESS);
  EXPECT_EQ(GetString(k, "X"), "1");
  RegCloseKey(k);
}

TEST_F(RegistryTest, AnUnreadableFileIsKeptAsideToo) {
  // Too large to read, a pipe, a file without read permission: each reads
  // as empty without blocking, and the next write keeps it beside the new one.
  const std::string head = "nobrivo-registry 1\nkey A\nvalue X sz 1\nend\n";
  mkdir(Dir.c_str(), 0700);
  const std::string path = RegistryFilePath(), aside = path + ".damaged";
  enum { kLarge, kPipe, kNoPermission };
  for (int kind : {kLarge, kPipe, kNoPermission}) {
    if (kind == kLarge) {
      WriteText(path, head);
      ASSERT_EQ(truncate(path.c_str(), off_t{65} << 20), 0);  // sparse
    } else if (kind == kPipe) {
      ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    } else {
      if (geteuid() == 0) continue;  // root reads anything
      WriteText(path, head);
      ASSERT_EQ(chmod(path.c_str(), 0), 0);
    }
    HKEY k = nullptr;
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "A", 0, KEY_READ, &k), ERROR_FILE_NOT_FOUND) << kind;
    HKEY c = Create("B");
    EXPECT_EQ(SetString(c, "Y", "2"), ERROR_SUCCESS) << kind;
    RegCloseKey(c);
    EXPECT_EQ(ReadText(path), "nobrivo-registry 1\nkey B\nvalue Y sz 2\nend\n") << kind;
    struct stat st;
    ASSERT_EQ(lstat(aside.c_str(), &st), 0) << kind;
    if (kind == kLarge) {
      EXPECT_EQ(st.st_size, off_t{65} << 20);
    }
    if (kind == kPipe) {
      EXPECT_TRUE(S_ISFIFO(st.st_mode));
    }
    if (kind == kNoPermission) {
      EXPECT_EQ(st.st_mode & 0777, 0u);
    }
    unlink(aside.c_str());
    unlink(path.c_str());
  }
}

TEST_F(RegistryTest, ProcessesWritingAtOnceLoseNothing) {
  // Each process adds its own values; every change read, made and written
  // under the others' feet must still be there at the end.
  constexpr int kProcesses = 4, kValues = 25;
  HKEY k = Create("Software\\Nobrivo\\Race");
  RegCloseKey(k);
  std::vector<pid_t> children;
  for (int p = 0; p < kProcesses; ++p) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      HKEY c = nullptr;
      int bad = 0;
      if (RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Nobrivo\\Race", 0, nullptr, 0,
                         KEY_ALL_ACCESS, nullptr, &c, nullptr) != ERROR_SUCCESS)
        _exit(2);
      for (int v = 0; v < kValues; ++v) {
        const std::string name = std::string("P").append(std::to_string(p)).append("V").append(std::to_string(v));
        bad += SetString(c, name.c_str(), name) != ERROR_SUCCESS;
      }
      RegCloseKey(c);
      _exit(bad ? 1 : 0);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  HKEY r = nullptr;
  ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Nobrivo\\Race", 0, KEY_READ, &r),
            ERROR_SUCCESS);
  int missing = 0;
  for (int p = 0; p < kProcesses; ++p)
    for (int v = 0; v < kValues; ++v) {
      const std::string name = std::string("P").append(std::to_string(p)).append("V").append(std::to_string(v));
      missing += GetString(r, name.c_str()) != name;
    }
  EXPECT_EQ(missing, 0);
  RegCloseKey(r);
  EXPECT_EQ(DirEntries(Dir), std::vector<std::string>{"registry"});
}

TEST(RegistryPath, FromTheEnvironment) {
  struct {
    const char *own, *xdg, *home, *want;
  } cases[] = {
      {"/own", "/xdg", "/home/u", "/own/registry"},
      {nullptr, "/xdg", "/home/u", "/xdg/nobrivo/registry"},
      {nullptr, "", "/home/u", "/home/u/.config/nobrivo/registry"},
      {nullptr, "relative/cfg", "/home/u", "/home/u/.config/nobrivo/registry"},
      {nullptr, nullptr, "/home/u", "/home/u/.config/nobrivo/registry"},
  };
  const char* names[] = {"NOBRIVO_CONFIG_DIR", "XDG_CONFIG_HOME", "HOME"};
  std::string saved[3];
  bool had[3];
  for (int i = 0; i < 3; ++i) {
    const char* v = getenv(names[i]);
    had[i] = v != nullptr;
    saved[i] = v ? v : "";
  }
  for (const auto& c : cases) {
    const char* values[] = {c.own, c.xdg, c.home};
    for (int i = 0; i < 3; ++i)
      values[i] ? setenv(names[i], values[i], 1) : unsetenv(names[i]);
    EXPECT_EQ(RegistryFilePath(), c.want) << (c.xdg ? c.xdg : "(none)");
  }
  for (int i = 0; i < 3; ++i) had[i] ? setenv(names[i], saved[i].c_str(), 1) : unsetenv(names[i]);
}

TEST_F(RegistryTest, AnInterruptedWriteLeavesTheOldFileWhole) {
  HKEY k = Create("Software\\Nobrivo\\Options");
  SetString(k, "Zoom", "100");
  std::string before = ReadText(RegistryFilePath());
  // A killed process may leave its temporary file behind; it is ignored.
  WriteText(RegistryFilePath() + ".Ab12Cd", "nobrivo-registry 1\nkey Half");
  for (int64_t cut : {int64_t(0), int64_t(5), int64_t(30), int64_t(before.size()) - 1}) {
    RegistryFailWritesAfter(cut);
    EXPECT_EQ(SetString(k, "Zoom", "200"), ERROR_CANTWRITE) << cut;
    EXPECT_EQ(ReadText(RegistryFilePath()), before);
    EXPECT_EQ(GetString(k, "Zoom"), "100");  // what the file holds
  }
  EXPECT_EQ(DirEntries(Dir), (std::vector<std::string>{"registry", "registry.Ab12Cd"}));
  EXPECT_EQ(SetString(k, "Zoom", "200"), ERROR_SUCCESS);
  EXPECT_EQ(GetString(k, "Zoom"), "200");
  RegCloseKey(k);
}

TEST_F(RegistryTest, MangledFilesNeverCrash) {
  HKEY k = Create("Software\\Nobrivo\\Options");
  SetString(k, "Name", "value with % and spaces");
  DWORD n = 7;
  RegSetValueEx(k, "N", 0, REG_DWORD, reinterpret_cast<BYTE*>(&n), 4);
  const BYTE bin[] = {1, 2, 3};
  RegSetValueEx(k, "B", 0, REG_BINARY, bin, 3);
  RegCloseKey(k);
  const std::string good = ReadText(RegistryFilePath());
  std::mt19937 rng(1234);
  for (int i = 0; i < 300; ++i) {
    std::string bad = good;
    int edits = 1 + int(rng() % 4);
    for (int e = 0; e < edits; ++e) {
      size_t at = rng() % bad.size();
      switch (rng() % 3) {
        case 0:
          bad[at] = char(rng());
          break;
        case 1:
          bad.erase(at, 1 + rng() % 8);
          break;
        case 2:
          bad.insert(at, 1, char(rng()));
          break;
      }
      if (bad.empty()) bad.push_back('x');
    }
    WriteText(RegistryFilePath(), bad);
    HKEY r = nullptr;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Nobrivo\\Options", 0, KEY_READ, &r) ==
        ERROR_SUCCESS) {
      char buf[8];
      DWORD size = sizeof buf;
      // A clean answer: the value, too long for the buffer (with the size
      // it needs), or not there.
      const LONG e = RegQueryValueEx(r, "Name", nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &size);
      if (e == ERROR_SUCCESS)
        EXPECT_LE(size, sizeof buf) << i;
      else if (e == ERROR_MORE_DATA)
        EXPECT_GT(size, sizeof buf) << i;
      else
        EXPECT_EQ(e, ERROR_FILE_NOT_FOUND) << i;
      RegCloseKey(r);
    }
  }
  // Nothing of the mangled files stays: the sound file reads as written.
  WriteText(RegistryFilePath(), good);
  HKEY r = nullptr;
  ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Nobrivo\\Options", 0, KEY_READ, &r), ERROR_SUCCESS);
  EXPECT_EQ(GetString(r, "Name"), "value with % and spaces");
  DWORD got = 0, type = 0, size = sizeof got;
  EXPECT_EQ(RegQueryValueEx(r, "N", nullptr, &type, reinterpret_cast<BYTE*>(&got), &size), ERROR_SUCCESS);
  EXPECT_EQ(type, DWORD(REG_DWORD));
  EXPECT_EQ(got, 7u);
  BYTE b[3] = {};
  size = sizeof b;
  EXPECT_EQ(RegQueryValueEx(r, "B", nullptr, &type, b, &size), ERROR_SUCCESS);
  EXPECT_EQ(std::vector<BYTE>(b, b + size), std::vector<BYTE>(bin, bin + 3));
  RegCloseKey(r);
}

TEST(Locale, LanguageFromTheEnvironment) {
  struct {
    const char* all;
    const char* messages;
    const char* lang;
    WORD primary;
    WORD sub;
  } cases[] = {
      {"", "", "es_ES.UTF-8", LANG_SPANISH, 3},
      {"", "", "de_DE", LANG_GERMAN, 1},
      {"", "", "fr_CA.UTF-8", LANG_FRENCH, 3},
      {"", "", "it", LANG_ITALIAN, 1},
      {"", "", "pt_BR.UTF-8", LANG_PORTUGUESE, 1},
      {"", "", "pt_PT", LANG_PORTUGUESE, 2},
      {"", "", "zh_TW.UTF-8", LANG_CHINESE, 1},
      {"", "", "zh_CN.GB2312", LANG_CHINESE, 2},
      {"", "", "C", LANG_ENGLISH, 1},
      {"", "", "POSIX", LANG_ENGLISH, 1},
      {"", "", "", LANG_ENGLISH, 1},
      {"", "", "xx_YY", LANG_ENGLISH, 1},
      {"", "", "est_EE", LANG_ENGLISH, 1},  // three letters: not Spanish
      {"", "ru_RU.UTF-8", "de_DE", LANG_RUSSIAN, 1},
      {"nl_NL", "ru_RU", "de_DE", LANG_DUTCH, 1},
  };
  for (const auto& c : cases) {
    setenv("LC_ALL", c.all, 1);
    setenv("LC_MESSAGES", c.messages, 1);
    setenv("LANG", c.lang, 1);
    LANGID id = GetUserDefaultLangID();
    EXPECT_EQ(PRIMARYLANGID(id), c.primary) << c.all << "|" << c.messages << "|" << c.lang;
    EXPECT_EQ(SUBLANGID(id), c.sub) << c.lang;
  }
  unsetenv("LC_ALL");
  unsetenv("LC_MESSAGES");
  unsetenv("LANG");
  char cp[16];
  ASSERT_GT(GetLocaleInfo(GetUserDefaultLCID(), LOCALE_IDEFAULTANSICODEPAGE, cp, sizeof cp), 0);
  EXPECT_STREQ(cp, "1252");
}

TEST(Shell, OpensWithoutAShellAndWithoutWaiting) {
  std::string dir = testing::TempDir();
  std::string script = dir + "nobrivo-opener-" + std::to_string(getpid()) + ".sh";
  std::string out = script + ".out";
  WriteText(script, "#!/bin/sh\nprintf '%s|%s' \"$1\" \"$#\" > \"" + out + ".part\" && mv \"" +
                        out + ".part\" \"" + out + "\"\n");
  chmod(script.c_str(), 0700);
  setenv("NOBRIVO_OPENER", script.c_str(), 1);
  const std::string pwned = dir + "nobrivo-pwned-" + std::to_string(getpid());
  const std::string hostile = "a b;$(touch " + pwned + ")`id`'\".txt";
  EXPECT_GT(ShellExecuteA(nullptr, "open", hostile.c_str(), nullptr, nullptr, 1), 32);
  std::string got;
  for (int i = 0; i < 500 && got.empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    got = ReadText(out);
  }
  EXPECT_EQ(got, hostile + "|1");
  EXPECT_EQ(access(pwned.c_str(), F_OK), -1);
  EXPECT_EQ(ShellExecuteA(nullptr, "print", "x", nullptr, nullptr, 1), 31);
  setenv("NOBRIVO_OPENER", "/nonexistent/opener", 1);
  EXPECT_LE(ShellExecuteA(nullptr, "open", "x", nullptr, nullptr, 1), 32);
  unsetenv("NOBRIVO_OPENER");
  unlink(script.c_str());
  unlink(out.c_str());
}

}  // namespace
