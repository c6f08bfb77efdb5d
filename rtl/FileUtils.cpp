#include "rtl/FileUtils.h"

#include <dirent.h>
#include <signal.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

#include "rtl/Exception.h"
#include "rtl/StrUtils.h"

// ---- Existence and identity

bool FileExists(const std::string& FileName) {
  struct stat st;
  return !FileName.empty() && ::stat(FileName.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool FileIsWriteProtected(const std::string& FileName) {
  struct stat st;
  if (FileName.empty() || ::stat(FileName.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return true;
  return ::faccessat(AT_FDCWD, FileName.c_str(), W_OK, AT_EACCESS) != 0 && errno == EACCES;
}

bool DirectoryExists(const std::string& Directory) {
  struct stat st;
  return !Directory.empty() && ::stat(Directory.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int64_t FileSizeOf(const std::string& FileName) {
  struct stat st;
  if (::stat(FileName.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return static_cast<int64_t>(st.st_size);
}

bool IsSameFile(const std::string& FileName1, const std::string& FileName2) {
  struct stat a, b;
  return ::stat(FileName1.c_str(), &a) == 0 && ::stat(FileName2.c_str(), &b) == 0 &&
         a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// ---- Path names

std::string ExtractFilePath(std::string_view FileName) {
  std::size_t slash = FileName.rfind(PathDelim);
  return slash == std::string_view::npos ? std::string()
                                         : std::string(FileName.substr(0, slash + 1));
}

std::string ExtractFileDir(std::string_view FileName) {
  std::size_t slash = FileName.rfind(PathDelim);
  if (slash == std::string_view::npos) return {};
  // Keep the '/' of the root, and of a doubled delimiter, as before.
  if (slash > 0 && FileName[slash - 1] != PathDelim) return std::string(FileName.substr(0, slash));
  return std::string(FileName.substr(0, slash + 1));
}

std::string ExtractFileName(std::string_view FileName) {
  std::size_t slash = FileName.rfind(PathDelim);
  return std::string(slash == std::string_view::npos ? FileName : FileName.substr(slash + 1));
}

namespace {
// Index of the extension's dot in the name part, or npos.
std::size_t ExtensionDot(std::string_view FileName) {
  std::size_t at = FileName.find_last_of("./");
  return at != std::string_view::npos && FileName[at] == '.' ? at : std::string_view::npos;
}
}  // namespace

std::string ExtractFileExt(std::string_view FileName) {
  std::size_t dot = ExtensionDot(FileName);
  return dot == std::string_view::npos ? std::string() : std::string(FileName.substr(dot));
}

std::string ChangeFileExt(std::string_view FileName, std::string_view Extension) {
  std::size_t dot = ExtensionDot(FileName);
  std::string out(dot == std::string_view::npos ? FileName : FileName.substr(0, dot));
  out += Extension;
  return out;
}

std::string IncludeTrailingPathDelimiter(std::string_view Path) {
  std::string out(Path);
  if (out.empty() || out.back() != PathDelim) out += PathDelim;
  return out;
}

std::string ExcludeTrailingPathDelimiter(std::string_view Path) {
  std::string out(Path);
  if (!out.empty() && out.back() == PathDelim) out.pop_back();
  return out;
}

std::string PathJoin(std::string_view Dir, std::string_view Name) {
  if (Dir.empty() || (!Name.empty() && Name.front() == PathDelim)) return std::string(Name);
  return IncludeTrailingPathDelimiter(Dir) + std::string(Name);
}

std::string ExpandFileName(std::string_view FileName) {
  if (FileName.empty()) return {};
  std::string full;
  if (FileName.front() != PathDelim) {
    std::vector<char> cwd(PATH_MAX);
    while (!::getcwd(cwd.data(), cwd.size())) {
      if (errno != ERANGE || cwd.size() > (1u << 20)) return std::string(FileName);
      cwd.resize(cwd.size() * 2);
    }
    full = IncludeTrailingPathDelimiter(cwd.data());
  }
  full += FileName;
  std::vector<std::string_view> parts;
  std::string_view rest = full;
  while (!rest.empty()) {
    std::size_t slash = rest.find(PathDelim);
    std::string_view part = rest.substr(0, slash);
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }
  std::string out;
  for (std::string_view p : parts) (out += PathDelim) += p;
  if (out.empty()) return "/";
  if (full.back() == PathDelim) out += PathDelim;
  return out;
}

// ---- Folder search

struct TSearchState {
  struct Entry {
    std::string Name;
    int32_t Attr;
    int64_t Size;
    TDateTime Time;
  };
  std::vector<Entry> Entries;
  std::size_t Next = 0;
};

namespace {
// '*' and '?' with backtracking limited to the last '*': linear enough for
// names, and never recursive.
bool WildMatch(std::string_view mask, std::string_view name) {
  std::size_t m = 0, n = 0, star = std::string_view::npos, resume = 0;
  while (n < name.size()) {
    if (m < mask.size() && (mask[m] == '?' || mask[m] == name[n])) {
      ++m, ++n;
    } else if (m < mask.size() && mask[m] == '*') {
      star = m++;
      resume = n;
    } else if (star != std::string_view::npos) {
      m = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == '*') ++m;
  return m == mask.size();
}

bool MaskMatches(std::string_view mask, std::string_view name) {
  if (WildMatch(mask, name)) return true;
  // "name.*" also takes "name": the old search treated a missing extension
  // as an empty one, which makes "*.*" match every entry.
  return mask.size() >= 2 && mask.substr(mask.size() - 2) == ".*" &&
         name.find('.') == std::string_view::npos &&
         WildMatch(mask.substr(0, mask.size() - 2), name);
}

TDateTime LocalDateTime(const timespec& t) {
  tm local;
  time_t secs = t.tv_sec;
  localtime_r(&secs, &local);
  return UnixToDateTime(static_cast<int64_t>(secs) + local.tm_gmtoff) +
         static_cast<double>(t.tv_nsec / 1000000) / 86400000.0;
}

void Fill(TSearchRec& F, const TSearchState::Entry& e) {
  F.Name = e.Name;
  F.Attr = e.Attr;
  F.Size = e.Size;
  F.Time = e.Time;
}
}  // namespace

int FindFirst(const std::string& Path, int32_t Attr, TSearchRec& F) {
  FindClose(F);
  F.ExcludeAttr = ~Attr & (faHidden | faSysFile | faVolumeID | faDirectory);
  const std::string dir = ExtractFilePath(Path);
  const std::string mask = ExtractFileName(Path);
  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (!d) return errno ? errno : ENOENT;
  auto state = std::make_shared<TSearchState>();
  const int dfd = ::dirfd(d);
  while (dirent* de = ::readdir(d)) {
    std::string_view name = de->d_name;
    if (!MaskMatches(mask, name)) continue;
    TSearchState::Entry e{std::string(name), 0, 0, 0};
    struct stat st;
    bool found = ::fstatat(dfd, de->d_name, &st, 0) == 0 ||
                 ::fstatat(dfd, de->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0;  // a dangling link
    if (found) {
      if (S_ISDIR(st.st_mode)) {
        e.Attr |= faDirectory;
      } else {
        e.Size = static_cast<int64_t>(st.st_size);
        if (S_ISREG(st.st_mode)) e.Attr |= faArchive;
      }
      e.Time = LocalDateTime(st.st_mtim);
    }
    if (name[0] == '.' && name != "." && name != "..") e.Attr |= faHidden;
    if (::faccessat(dfd, de->d_name, W_OK, AT_EACCESS) != 0 && errno != ENOENT)
      e.Attr |= faReadOnly;
    if (e.Attr & F.ExcludeAttr) continue;
    state->Entries.push_back(std::move(e));
  }
  ::closedir(d);
  auto rank = [](const std::string& n) { return n == "." ? 0 : n == ".." ? 1 : 2; };
  std::sort(state->Entries.begin(), state->Entries.end(),
            [&](const TSearchState::Entry& a, const TSearchState::Entry& b) {
              int ra = rank(a.Name), rb = rank(b.Name);
              if (ra != rb) return ra < rb;
              int c = CompareText(a.Name, b.Name);
              return c != 0 ? c < 0 : a.Name < b.Name;
            });
  if (state->Entries.empty()) return ENOENT;
  F.FindHandle = std::move(state);
  return FindNext(F);
}

int FindNext(TSearchRec& F) {
  TSearchState* s = F.FindHandle.get();
  if (!s || s->Next >= s->Entries.size()) return ENOENT;
  Fill(F, s->Entries[s->Next++]);
  return 0;
}

void FindClose(TSearchRec& F) {
  F.FindHandle.reset();
}

// ---- Changing the file system

bool DeleteFile(const std::string& FileName) {
  struct stat st;
  // unlink would remove a link to a folder, but never the folder; refuse both.
  if (::stat(FileName.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    errno = EISDIR;
    return false;
  }
  return ::unlink(FileName.c_str()) == 0;
}

bool RenameFile(const std::string& OldName, const std::string& NewName) {
  if (::renameat2(AT_FDCWD, OldName.c_str(), AT_FDCWD, NewName.c_str(), RENAME_NOREPLACE) == 0)
    return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system without the no-replace flag: check, then rename.
  struct stat st;
  if (::lstat(NewName.c_str(), &st) == 0) {
    errno = EEXIST;
    return false;
  }
  return ::rename(OldName.c_str(), NewName.c_str()) == 0;
}

bool CreateDir(const std::string& Dir) {
  return ::mkdir(Dir.c_str(), 0777) == 0;
}

bool RemoveDir(const std::string& Dir) {
  return ::rmdir(Dir.c_str()) == 0;
}

bool ForceDirectories(const std::string& Dir) {
  std::string dir = ExcludeTrailingPathDelimiter(Dir);
  if (dir.empty()) return DirectoryExists("/") && !Dir.empty();
  // No folder has a longer name; a name of many parts must not recurse once
  // per part before finding that out.
  if (dir.size() >= PATH_MAX) {
    errno = ENAMETOOLONG;
    return false;
  }
  if (DirectoryExists(dir)) return true;
  std::string parent = ExtractFileDir(dir);
  if (!parent.empty() && parent != dir && !ForceDirectories(parent)) return false;
  return CreateDir(dir) || DirectoryExists(dir);  // another process may have made it meanwhile
}

// ---- Temporary files

std::string GetTempDir() {
  const char* env = ::getenv("TMPDIR");
  if (env && *env && DirectoryExists(env)) return IncludeTrailingPathDelimiter(env);
  return "/tmp/";
}

TTempFile CreateExclusiveTempFile(const std::string& Dir, const std::string& Prefix,
                                  const std::string& Suffix) {
  std::string folder = Dir.empty() ? GetTempDir() : IncludeTrailingPathDelimiter(Dir);
  std::string name = folder + Prefix + "XXXXXX" + Suffix;
  std::vector<char> buf(name.begin(), name.end());
  buf.push_back('\0');
  // mkostemps creates with O_EXCL and mode 0600.
  int fd = ::mkostemps(buf.data(), static_cast<int>(Suffix.size()), O_CLOEXEC);
  if (fd < 0)
    throw EFCreateError("Cannot create temporary file in \"" + folder + "\". " +
                        std::strerror(errno));
  return TTempFile{std::string(buf.data()), fd};
}

std::unique_ptr<THandleStream> CreateExclusiveFile(const std::string& FileName) {
  int fd = ::open(FileName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0)
    throw EFCreateError("Cannot create file \"" + FileName + "\". " + std::strerror(errno));
  return std::make_unique<THandleStream>(fd);
}

namespace {
mode_t CurrentUmask() {
  // Reading the mask through umask() would change it for a moment under the
  // other threads' feet; the kernel also reports it here.
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("Umask:", 0) == 0)
      return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
  return 022;
}
}  // namespace

namespace {

// Temporary names of the atomic writers: ".<target>.nbv<pid>-XXXXXX.tmp".
// The writer's process number lets a later process tell a file whose writer
// died from one still being written.
constexpr const char* kTempMark = ".nbv";
constexpr const char* kTempSuffix = ".tmp";
constexpr size_t kRandomPart = 6;

// The part before the random one: ".name.nbv<pid>-". A long name is
// shortened (never inside a UTF-8 sequence) so that the whole temporary name
// still fits the file system's limit on a name.
std::string TempNamePrefix(const std::string& Target) {
  constexpr size_t kMaxNamePart = 200;
  std::string name = ExtractFileName(Target);
  if (name.size() > kMaxNamePart) {
    size_t cut = kMaxNamePart;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
    name.resize(cut);
  }
  return "." + name + kTempMark + std::to_string(::getpid()) + "-";
}

std::string RandomPart() {
  static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  unsigned char bytes[kRandomPart];
  if (::getentropy(bytes, sizeof bytes) != 0)
    for (size_t i = 0; i < kRandomPart; ++i) bytes[i] = static_cast<unsigned char>(std::rand());
  std::string r;
  for (unsigned char b : bytes) r += kChars[b % (sizeof kChars - 1)];
  return r;
}

// The writer's process of a temporary name of ours, or 0 for any other name.
pid_t TempWriterOf(const std::string& Name) {
  const size_t suffix = std::strlen(kTempSuffix), mark = std::strlen(kTempMark);
  if (Name.size() < 1 + mark + 2 + kRandomPart + suffix || Name[0] != '.' ||
      Name.compare(Name.size() - suffix, suffix, kTempSuffix) != 0)
    return 0;
  size_t dash = Name.size() - suffix - kRandomPart - 1;
  if (Name[dash] != '-') return 0;
  size_t digits = dash;
  while (digits > 0 && Name[digits - 1] >= '0' && Name[digits - 1] <= '9') --digits;
  if (digits == dash || dash - digits > 9 || digits < mark + 1 || Name.compare(digits - mark, mark, kTempMark) != 0)
    return 0;
  return static_cast<pid_t>(std::stol(Name.substr(digits, dash - digits)));
}

// When this process started, in seconds since the epoch (0 when unknown).
time_t ProcessStartTime() {
  static const time_t start = [] {
    std::ifstream stat("/proc/self/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // The fields after the command name, which may hold blanks itself.
    const size_t close = text.rfind(')');
    if (close == std::string::npos) return time_t{0};
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    unsigned long long ticks = 0;
    for (int i = 3; i <= 22 && fields >> field; ++i)
      if (i == 22) ticks = std::strtoull(field.c_str(), nullptr, 10);
    std::ifstream sys("/proc/stat");
    std::string key;
    long long boot = 0;
    while (sys >> key)
      if (key == "btime" && (sys >> boot)) break;
    const long hz = ::sysconf(_SC_CLK_TCK);
    if (!boot || hz <= 0) return time_t{0};
    return static_cast<time_t>(boot + static_cast<long long>(ticks / static_cast<unsigned long long>(hz)));
  }();
  return start;
}

}  // namespace

int RemoveStaleTempFiles(const std::string& Dir) {
  DIR* d = ::opendir(Dir.empty() ? "." : Dir.c_str());
  if (!d) return 0;
  const std::string folder = Dir.empty() ? std::string("./") : IncludeTrailingPathDelimiter(Dir);
  const time_t started = ProcessStartTime();
  int removed = 0;
  while (dirent* e = ::readdir(d)) {
    const std::string name = e->d_name;
    const pid_t writer = TempWriterOf(name);
    if (writer <= 0 || writer == ::getpid()) continue;
    struct stat st;
    const std::string path = folder + name;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) continue;
    // Older than this process, and its writer is gone: nobody finishes it.
    if (started == 0 || st.st_mtime >= started) continue;
    if (::kill(writer, 0) == 0 || errno != ESRCH) continue;
    if (::unlink(path.c_str()) == 0) ++removed;
  }
  ::closedir(d);
  return removed;
}

TAtomicFileWriter::TAtomicFileWriter(const std::string& FileName, uint32_t Mode)
    : target_(FileName), mode_(Mode) {
  struct stat st;
  if (::lstat(FileName.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    // Replace the file the link leads to, not the link.
    if (char* real = ::realpath(FileName.c_str(), nullptr)) {
      target_ = real;
      ::free(real);
    }
  }
  std::string dir = ExtractFilePath(target_);
  if (dir.empty()) dir = "./";
  // What killed writers of this program left in the folder goes first.
  RemoveStaleTempFiles(dir);
  const std::string prefix = TempNamePrefix(target_);
  // An unnamed file: until Commit() links it in, no name leads to it, and a
  // process killed meanwhile leaves nothing. Linking it needs /proc.
  if (::access("/proc/self/fd", X_OK) == 0) {
    const int fd = ::open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0) {
      unnamed_ = true;
      temp_ = dir + prefix + RandomPart() + kTempSuffix;
      stream_ = std::make_unique<THandleStream>(fd);
      return;
    }
  }
  TTempFile temp = CreateExclusiveTempFile(dir, prefix, kTempSuffix);
  temp_ = temp.FileName;
  stream_ = std::make_unique<THandleStream>(temp.Handle);
}

TAtomicFileWriter::~TAtomicFileWriter() {
  if (committed_ || !stream_) return;  // renamed, or removed by a failed Commit
  stream_.reset();
  if (!unnamed_) ::unlink(temp_.c_str());
}

bool TAtomicFileWriter::LinkUnnamed(int Fd) {
  // The rename that follows cannot take an unnamed file: it gets its
  // temporary name for that moment.
  const std::string self = "/proc/self/fd/" + std::to_string(Fd);
  const std::string dir = ExtractFilePath(temp_);
  const std::string prefix = TempNamePrefix(target_);
  for (int tries = 0; tries < 100; ++tries) {
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temp_.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      linked_ = true;
      return true;
    }
    if (errno != EEXIST) return false;
    temp_ = dir + prefix + RandomPart() + kTempSuffix;
  }
  return false;
}

void TAtomicFileWriter::Commit() {
  if (committed_ || !stream_)
    throw EInvalidOperation("The file \"" + target_ + "\" is already written");
  const int fd = stream_->Handle();
  struct stat st;
  const bool exists = ::stat(target_.c_str(), &st) == 0;
  mode_t mode = exists ? (st.st_mode & 07777) : (mode_ & ~CurrentUmask() & 07777);
  // An existing file keeps its owner and group as far as this user may set
  // them (another user's file edited by root stays theirs; a shared group
  // stays). Before the mode, since a change of owner clears set-id bits.
  if (exists && (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) &&
      ::fchown(fd, st.st_uid, st.st_gid) != 0)
    (void)::fchown(fd, static_cast<uid_t>(-1), st.st_gid);
  const char* failed = nullptr;
  if (::fchmod(fd, mode) != 0)
    failed = "set the permissions of";
  else if (::fsync(fd) != 0)
    failed = "write";
  else if (unnamed_ && !LinkUnnamed(fd))
    failed = "write";
  else if (::rename(temp_.c_str(), target_.c_str()) != 0)
    failed = "replace";
  if (failed) {
    std::string reason = std::strerror(errno);
    stream_.reset();
    if (!unnamed_ || linked_) ::unlink(temp_.c_str());
    throw EWriteError(std::string("Cannot ") + failed + " file \"" + target_ + "\". " + reason);
  }
  committed_ = true;
  stream_.reset();
  // Make the rename itself durable.
  std::string dir = ExtractFileDir(target_);
  int dfd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
}
