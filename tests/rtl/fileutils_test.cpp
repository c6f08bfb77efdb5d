#include "rtl/FileUtils.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <map>
#include <string>

#include "rtl/Exception.h"

namespace {
// A fresh folder per test, removed afterwards.
class FileUtilsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = std::string(::testing::TempDir()) + "nobrivo_files_XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl + "/";
  }
  void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

  void Write(const std::string& name, const std::string& data) {
    TFileStream f(dir_ + name, fmCreate);
    f.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
  }
  std::string Read(const std::string& name) {
    TMemoryStream m;
    m.LoadFromFile(dir_ + name);
    return std::string(static_cast<const char*>(m.Memory()), static_cast<size_t>(m.Size()));
  }
  // Every entry the search reports, with its attributes.
  std::map<std::string, int32_t> List(const std::string& mask, int32_t attr) {
    std::map<std::string, int32_t> out;
    TSearchRec sr;
    for (int r = FindFirst(dir_ + mask, attr, sr); r == 0; r = FindNext(sr)) out[sr.Name] = sr.Attr;
    FindClose(sr);
    return out;
  }

  std::string dir_;
};
}  // namespace

TEST(FileUtils, PathNames) {
  struct Case {
    const char* in;
    const char* path;
    const char* dir;
    const char* name;
    const char* ext;
  };
  const Case cases[] = {{"/a/b.txt", "/a/", "/a", "b.txt", ".txt"},
                        {"/b.txt", "/", "/", "b.txt", ".txt"},
                        {"b", "", "", "b", ""},
                        {"a.tar.gz", "", "", "a.tar.gz", ".gz"},
                        {"dir.x/file", "dir.x/", "dir.x", "file", ""},
                        {"dir/", "dir/", "dir", "", ""},
                        {"a//b", "a//", "a//", "b", ""},
                        {"/a/.hidden", "/a/", "/a", ".hidden", ".hidden"},
                        {"name.", "", "", "name.", "."}};
  for (const Case& c : cases) {
    EXPECT_EQ(ExtractFilePath(c.in), c.path) << c.in;
    EXPECT_EQ(ExtractFileDir(c.in), c.dir) << c.in;
    EXPECT_EQ(ExtractFileName(c.in), c.name) << c.in;
    EXPECT_EQ(ExtractFileExt(c.in), c.ext) << c.in;
  }
  EXPECT_EQ(ChangeFileExt("/p/photo.jpg", ".png"), "/p/photo.png");
  EXPECT_EQ(ChangeFileExt("/p.d/photo", ".png"), "/p.d/photo.png");
  EXPECT_EQ(ChangeFileExt("a.tar.gz", ""), "a.tar");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/a"), "/a/");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/a/"), "/a/");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("/a/"), "/a");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("/a"), "/a");
  EXPECT_EQ(PathJoin("/a", "b"), "/a/b");
  EXPECT_EQ(PathJoin("/a/", "b"), "/a/b");
  EXPECT_EQ(PathJoin("", "b"), "b");
  EXPECT_EQ(PathJoin("/a", "/c"), "/c");
}

TEST(FileUtils, ExpandFileName) {
  EXPECT_EQ(ExpandFileName("/a/b/../c/./d"), "/a/c/d");
  EXPECT_EQ(ExpandFileName("/a//b/"), "/a/b/");
  EXPECT_EQ(ExpandFileName("/.."), "/");
  EXPECT_EQ(ExpandFileName("/pics/.."), "/");
  EXPECT_EQ(ExpandFileName(""), "");
  char cwd[4096];
  ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
  EXPECT_EQ(ExpandFileName("x.jpg"),
            std::string(cwd) == "/" ? "/x.jpg" : std::string(cwd) + "/x.jpg");
}

TEST_F(FileUtilsTest, ExistenceSizeAndIdentity) {
  Write("f.bin", std::string(1000, 'x'));
  ASSERT_TRUE(CreateDir(dir_ + "sub"));
  ASSERT_EQ(::symlink("f.bin", (dir_ + "link").c_str()), 0);
  ASSERT_EQ(::symlink("nowhere", (dir_ + "dangling").c_str()), 0);
  ASSERT_EQ(::mkfifo((dir_ + "fifo").c_str(), 0600), 0);

  EXPECT_TRUE(FileExists(dir_ + "f.bin"));
  EXPECT_TRUE(FileExists(dir_ + "link"));
  EXPECT_FALSE(FileExists(dir_ + "sub"));  // folders are not files
  EXPECT_FALSE(FileExists(dir_ + "fifo"));
  EXPECT_FALSE(FileExists(dir_ + "dangling"));
  EXPECT_FALSE(FileExists(""));
  EXPECT_TRUE(DirectoryExists(dir_ + "sub"));
  EXPECT_TRUE(DirectoryExists(dir_ + "sub/"));
  EXPECT_FALSE(DirectoryExists(dir_ + "f.bin"));
  EXPECT_EQ(FileSizeOf(dir_ + "f.bin"), 1000);
  EXPECT_EQ(FileSizeOf(dir_ + "missing"), -1);
  EXPECT_EQ(FileSizeOf(dir_ + "sub"), -1);

  EXPECT_TRUE(IsSameFile(dir_ + "f.bin", dir_ + "link"));
  EXPECT_TRUE(IsSameFile(dir_ + "f.bin", dir_ + "sub/../f.bin"));
  ASSERT_EQ(::link((dir_ + "f.bin").c_str(), (dir_ + "hard").c_str()), 0);
  EXPECT_TRUE(IsSameFile(dir_ + "hard", dir_ + "f.bin"));
  Write("g.bin", std::string(1000, 'x'));
  EXPECT_FALSE(IsSameFile(dir_ + "f.bin", dir_ + "g.bin"));  // same content, another file
  EXPECT_FALSE(IsSameFile(dir_ + "missing", dir_ + "missing"));
}

TEST_F(FileUtilsTest, SearchAttributesAndFilter) {
  Write("photo.jpg", "abc");
  Write("notes.txt", "");
  Write(".hidden", "x");
  Write("noext", "x");
  ASSERT_TRUE(CreateDir(dir_ + "sub"));
  ASSERT_TRUE(CreateDir(dir_ + ".secret"));
  Write("ro.txt", "x");
  ASSERT_EQ(::chmod((dir_ + "ro.txt").c_str(), 0444), 0);
  const bool root = ::geteuid() == 0;  // root may write anything

  // Files always; folders and hidden entries only when asked.
  auto files = List("*.*", 0);
  EXPECT_EQ(files.size(), 4u);
  EXPECT_EQ(files["photo.jpg"], faArchive);
  EXPECT_EQ(files["noext"], faArchive);  // "*.*" takes names without a dot
  EXPECT_EQ(files["ro.txt"], faArchive | (root ? 0 : faReadOnly));
  EXPECT_EQ(files.count(".hidden"), 0u);

  auto with_dirs = List("*.*", faDirectory);
  EXPECT_EQ(with_dirs["sub"], faDirectory);
  EXPECT_EQ(with_dirs["."], faDirectory);
  EXPECT_EQ(with_dirs[".."], faDirectory);
  EXPECT_EQ(with_dirs.count(".secret"), 0u);  // a hidden folder needs faHidden too

  auto all = List("*.*", 0x5F);
  EXPECT_EQ(all.size(), 9u);
  EXPECT_EQ(all[".hidden"], faHidden | faArchive);
  EXPECT_EQ(all[".secret"], faHidden | faDirectory);

  EXPECT_EQ(List("*.jpg", faAnyFile).size(), 1u);
  EXPECT_EQ(List("n?tes.*", faAnyFile).size(), 1u);
  EXPECT_EQ(List("*.JPG", faAnyFile).size(), 0u);  // names are case-sensitive

  // "." and ".." first, then by name; sizes and times are reported.
  TSearchRec sr;
  ASSERT_EQ(FindFirst(dir_ + "*", faAnyFile, sr), 0);
  EXPECT_EQ(sr.Name, ".");
  ASSERT_EQ(FindNext(sr), 0);
  EXPECT_EQ(sr.Name, "..");
  ASSERT_EQ(FindNext(sr), 0);
  EXPECT_EQ(sr.Name, ".hidden");
  std::string previous;
  while (FindNext(sr) == 0) {
    EXPECT_LT(previous, sr.Name);
    previous = sr.Name;
    if (sr.Name == "photo.jpg") {
      EXPECT_EQ(sr.Size, 3);
      EXPECT_NEAR(sr.Time, Now(), 1.0 / 24 / 60);
    }
  }
  EXPECT_NE(FindNext(sr), 0);  // stays at the end
  FindClose(sr);

  EXPECT_NE(FindFirst(dir_ + "*.none", faAnyFile, sr), 0);
  EXPECT_NE(FindFirst(dir_ + "missing/*.*", faAnyFile, sr), 0);
  EXPECT_NE(FindFirst(dir_ + "photo.jpg/*", faAnyFile, sr), 0);
}

// Read-only means "this user may not write it", whatever the mode bits say to
// others; as root, look through the eyes of an ordinary user.
TEST_F(FileUtilsTest, ReadOnlyIsWhatThisUserCannotWrite) {
  Write("ro.txt", "x");
  Write("rw.txt", "x");
  ASSERT_TRUE(CreateDir(dir_ + "rodir"));
  ASSERT_EQ(::chmod((dir_ + "ro.txt").c_str(), 0444), 0);
  ASSERT_EQ(::chmod((dir_ + "rw.txt").c_str(), 0666), 0);
  ASSERT_EQ(::chmod((dir_ + "rodir").c_str(), 0555), 0);
  ASSERT_EQ(::chmod(dir_.c_str(), 0755), 0);
  auto check = [&] {
    auto all = List("*", faAnyFile);
    return all["ro.txt"] == (faArchive | faReadOnly) && all["rw.txt"] == faArchive &&
           all["rodir"] == (faDirectory | faReadOnly);
  };
  if (::geteuid() != 0) {
    EXPECT_TRUE(check());
    return;
  }
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // 65534 is the unprivileged "nobody" account.
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
    ::_exit(check() ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(FileUtilsTest, ChangingTheFileSystem) {
  Write("a", "1");
  Write("b", "2");
  EXPECT_FALSE(RenameFile(dir_ + "a", dir_ + "b"));  // never replaces
  EXPECT_EQ(Read("b"), "2");
  EXPECT_TRUE(RenameFile(dir_ + "a", dir_ + "c"));
  EXPECT_FALSE(FileExists(dir_ + "a"));
  EXPECT_EQ(Read("c"), "1");

  EXPECT_TRUE(ForceDirectories(dir_ + "x/y/z/"));
  EXPECT_TRUE(DirectoryExists(dir_ + "x/y/z"));
  EXPECT_TRUE(ForceDirectories(dir_ + "x/y"));
  EXPECT_FALSE(ForceDirectories(dir_ + "c/y"));  // c is a file
  EXPECT_FALSE(ForceDirectories(""));
  std::string deep = dir_;
  for (int i = 0; i < 100000; ++i) deep += "d/";
  errno = 0;
  EXPECT_FALSE(ForceDirectories(deep));  // too long a name: no folder made, no deep recursion
  EXPECT_EQ(errno, ENAMETOOLONG);
  EXPECT_FALSE(DirectoryExists(dir_ + "d"));
  EXPECT_FALSE(CreateDir(dir_ + "x"));

  EXPECT_FALSE(DeleteFile(dir_ + "x"));  // a folder is not deleted as a file
  EXPECT_FALSE(RemoveDir(dir_ + "x"));   // not empty
  EXPECT_TRUE(RemoveDir(dir_ + "x/y/z"));
  EXPECT_TRUE(DeleteFile(dir_ + "c"));
  EXPECT_FALSE(DeleteFile(dir_ + "c"));
}

TEST_F(FileUtilsTest, ExclusiveTemporaryFiles) {
  TTempFile t1 = CreateExclusiveTempFile(dir_, "pre", ".suf");
  TTempFile t2 = CreateExclusiveTempFile(dir_, "pre", ".suf");
  EXPECT_NE(t1.FileName, t2.FileName);
  EXPECT_EQ(ExtractFilePath(t1.FileName), dir_);
  EXPECT_EQ(ExtractFileName(t1.FileName).rfind("pre", 0), 0u);
  EXPECT_EQ(ExtractFileExt(t1.FileName), ".suf");
  struct stat st;
  ASSERT_EQ(::fstat(t1.Handle, &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(::write(t1.Handle, "hi", 2), 2);
  ::close(t1.Handle);
  ::close(t2.Handle);
  EXPECT_THROW(CreateExclusiveTempFile(dir_ + "missing/"), EFCreateError);

  {
    auto s = CreateExclusiveFile(dir_ + "photo.jpg.jpg");
    s->WriteBuffer("data", 4);
  }
  ASSERT_EQ(::stat((dir_ + "photo.jpg.jpg").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_THROW(CreateExclusiveFile(dir_ + "photo.jpg.jpg"), EFCreateError);
  // A planted link is not followed.
  ASSERT_EQ(::symlink((dir_ + "victim").c_str(), (dir_ + "trap").c_str()), 0);
  EXPECT_THROW(CreateExclusiveFile(dir_ + "trap"), EFCreateError);
  EXPECT_FALSE(FileExists(dir_ + "victim"));

  const char* old = ::getenv("TMPDIR");
  std::string saved = old ? old : "";
  ::setenv("TMPDIR", dir_.c_str(), 1);
  EXPECT_EQ(GetTempDir(), dir_);
  ::setenv("TMPDIR", (dir_ + "missing").c_str(), 1);
  EXPECT_EQ(GetTempDir(), "/tmp/");
  if (old)
    ::setenv("TMPDIR", saved.c_str(), 1);
  else
    ::unsetenv("TMPDIR");
}

TEST_F(FileUtilsTest, AtomicWriterReplacesOnlyOnCommit) {
  Write("settings", "old");
  ASSERT_EQ(::chmod((dir_ + "settings").c_str(), 0640), 0);
  {
    TAtomicFileWriter w(dir_ + "settings");
    w.Stream()->WriteBuffer("new content", 11);
    EXPECT_EQ(ExtractFilePath(w.TempFileName()), dir_);
    EXPECT_EQ(Read("settings"), "old");  // not yet
  }
  EXPECT_EQ(Read("settings"), "old");          // abandoned: no trace left
  EXPECT_EQ(List("*", faAnyFile).size(), 3u);  // ".", ".." and settings

  {
    TAtomicFileWriter w(dir_ + "settings");
    w.Stream()->WriteBuffer("new content", 11);
    w.Commit();
    EXPECT_FALSE(FileExists(w.TempFileName()));
    EXPECT_THROW(w.Commit(), EInvalidOperation);
  }
  EXPECT_EQ(Read("settings"), "new content");
  struct stat st;
  ASSERT_EQ(::stat((dir_ + "settings").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);  // the permissions stay

  // A new file gets the mode less the umask; a link is written through.
  {
    TAtomicFileWriter w(dir_ + "fresh", 0600);
    w.Stream()->WriteBuffer("x", 1);
    w.Commit();
  }
  ASSERT_EQ(::stat((dir_ + "fresh").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  ASSERT_EQ(::symlink("fresh", (dir_ + "alias").c_str()), 0);
  {
    TAtomicFileWriter w(dir_ + "alias");
    w.Stream()->WriteBuffer("via link", 8);
    w.Commit();
  }
  ASSERT_EQ(::lstat((dir_ + "alias").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(Read("fresh"), "via link");

  EXPECT_THROW(TAtomicFileWriter(dir_ + "missing/file"), EFCreateError);
}

TEST_F(FileUtilsTest, AtomicWriterOnAFullDiskLeavesTheTargetAndNoTrace) {
  // A file size limit makes writes fail as a full disk would; a child
  // process takes the limit so that the other tests keep theirs.
  Write("photo.ini", "old");
  pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = {4096, 4096};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(2);
    const std::string big(20000, 'x');
    int failures = 0;
    for (bool commit : {false, true}) {
      try {
        TAtomicFileWriter w(dir_ + "photo.ini");
        w.Stream()->WriteBuffer(big.data(), static_cast<int64_t>(big.size()));
        if (commit) w.Commit();
      } catch (const EWriteError&) {
        ++failures;
      }
    }
    ::_exit(failures == 2 ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(Read("photo.ini"), "old");
  EXPECT_EQ(List("*", faAnyFile | faHidden).size(), 3u);  // ".", ".." and the file
}

TEST_F(FileUtilsTest, AtomicWriterKeepsOwnerAndGroup) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root can hand a file to another user";
  struct {
    uid_t uid;
    gid_t gid;
    mode_t mode;
  } cases[] = {{4321, 4321, 0640}, {0, 4322, 0664}, {4323, 0, 02755}};
  for (const auto& c : cases) {
    Write("owned", "old");
    ASSERT_EQ(::chown((dir_ + "owned").c_str(), c.uid, c.gid), 0);
    ASSERT_EQ(::chmod((dir_ + "owned").c_str(), c.mode), 0);
    {
      TAtomicFileWriter w(dir_ + "owned");
      w.Stream()->WriteBuffer("new", 3);
      w.Commit();
    }
    struct stat st;
    ASSERT_EQ(::stat((dir_ + "owned").c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, c.uid);
    EXPECT_EQ(st.st_gid, c.gid);
    EXPECT_EQ(st.st_mode & 07777, c.mode);  // set-id bits survive the change of owner
    EXPECT_EQ(Read("owned"), "new");
  }
}

TEST_F(FileUtilsTest, AtomicWriterTakesNamesUpToTheLimit) {
  // Names as long as the file system allows, plain and in UTF-8 ("é" is two
  // bytes, so the temporary name must not cut one in half).
  std::string accented = "x";
  while (accented.size() < 250) accented += "\xC3\xA9";
  for (const std::string& name : {std::string(255, 'a'), std::string(240, 'b') + ".jpg", accented}) {
    {
      TAtomicFileWriter w(dir_ + name);
      w.Stream()->WriteBuffer("long", 4);
      std::string temp = ExtractFileName(w.TempFileName());
      EXPECT_LE(temp.size(), 255u);
      for (size_t i = 0; i + 1 < temp.size(); ++i) {  // no lead byte before a non-continuation
        if ((static_cast<unsigned char>(temp[i]) & 0xE0) == 0xC0) {
          EXPECT_EQ(static_cast<unsigned char>(temp[i + 1]) & 0xC0, 0x80) << i;
        }
      }
      w.Commit();
    }
    EXPECT_EQ(Read(name), "long") << name.size();
  }
  EXPECT_EQ(List("*", faAnyFile | faHidden).size(), 5u);  // no temporary file left
}

TEST_F(FileUtilsTest, AtomicWriterKilledWhileWritingLeavesNoTemporaryFile) {
  Write("photo.bmp", "old");
  pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    TAtomicFileWriter w(dir_ + "photo.bmp");
    const std::string half(1 << 20, 'p');
    w.Stream()->WriteBuffer(half.data(), static_cast<int64_t>(half.size()));
    ::raise(SIGKILL);
    ::_exit(1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFSIGNALED(status));
  // What the next process that saves here finds, after its own sweep.
  RemoveStaleTempFiles(dir_);
  EXPECT_EQ(Read("photo.bmp"), "old");
  EXPECT_EQ(List("*", faAnyFile | faHidden).size(), 3u);  // ".", ".." and the file
}

TEST_F(FileUtilsTest, StaleTemporaryFilesAreThoseOfEndedWritersOlderThanTheProcess) {
  // A process that has ended, and one that runs (this one's parent).
  pid_t ended = ::fork();
  ASSERT_GE(ended, 0);
  if (ended == 0) ::_exit(0);
  ASSERT_EQ(::waitpid(ended, nullptr, 0), ended);
  const std::string gone = std::to_string(ended), alive = std::to_string(::getppid());
  const time_t hourAgo = ::time(nullptr) - 3600;
  struct {
    std::string Name;
    time_t Modified;  // 0: now
    bool Removed;
  } cases[] = {
      {".photo.bmp.nbv" + gone + "-Ab3dEf.tmp", hourAgo, true},
      {".photo.bmp.nbv" + gone + "-Ab3dEf.tmp.keep", hourAgo, false},  // not our name
      {".photo.bmp.nbv" + alive + "-Zz9yXw.tmp", hourAgo, false},       // its writer still runs
      {".photo.bmp.nbv" + gone + "-Qq1rSt.tmp", 0, false},              // newer than this process
      {".photo.bmp.Ab3dEf.tmp", hourAgo, false},                        // another program's
      {"photo.bmp.nbv" + gone + "-Ab3dEf.tmp", hourAgo, false},         // not hidden
      {".x.nbv-Ab3dEf.tmp", hourAgo, false},                            // no process number
  };
  for (const auto& c : cases) {
    Write(c.Name, "plain pixels");
    if (c.Modified) {
      const struct timespec times[2] = {{c.Modified, 0}, {c.Modified, 0}};
      ASSERT_EQ(::utimensat(AT_FDCWD, (dir_ + c.Name).c_str(), times, 0), 0);
    }
  }
  EXPECT_EQ(RemoveStaleTempFiles(dir_), 1);
  for (const auto& c : cases) EXPECT_EQ(::access((dir_ + c.Name).c_str(), F_OK) != 0, c.Removed) << c.Name;
}

TEST_F(FileUtilsTest, WriteProtectedFilesAreThoseNobodyMayWriteOrThisUserMayNot) {
  struct Case {
    const char* name;
    int mode;  // -1: a folder of mode 0555
    bool isProtected;
  } cases[] = {{"all.txt", 0666, false}, {"mine.txt", 0644, false}, {"none.txt", 0444, true},
               {"nothing.txt", 0000, true}, {"folder", -1, false}, {"missing.txt", -2, false}};
  for (const Case& c : cases) {
    if (c.mode == -1) {
      ASSERT_TRUE(CreateDir(dir_ + c.name));
      ASSERT_EQ(::chmod((dir_ + c.name).c_str(), 0555), 0);
    } else if (c.mode >= 0) {
      Write(c.name, "x");
      ASSERT_EQ(::chmod((dir_ + c.name).c_str(), mode_t(c.mode)), 0);
    }
    EXPECT_EQ(FileIsWriteProtected(dir_ + c.name), c.isProtected) << c.name;
  }
  EXPECT_FALSE(FileIsWriteProtected(""));
}
