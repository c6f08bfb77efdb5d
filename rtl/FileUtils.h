// Files and folders. '/' is the path delimiter; names are case-sensitive.
// Functions that report success return false on failure and leave errno set.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "rtl/Clock.h"
#include "rtl/TStream.h"

constexpr char PathDelim = '/';

// ---- Existence and identity

// A regular file (after following links); folders and devices are not files.
bool FileExists(const std::string& FileName);
bool DirectoryExists(const std::string& Directory);
// A regular file that is not to be written: its permissions do not let this
// user write it, or it has no write permission for anyone (which the
// superuser could still write, but its owner meant to protect).
bool FileIsWriteProtected(const std::string& FileName);
// Size of a regular file, or -1.
int64_t FileSizeOf(const std::string& FileName);
// Whether both names lead to the same file (same device and inode), however
// they are spelled. False when either does not exist.
bool IsSameFile(const std::string& FileName1, const std::string& FileName2);

// ---- Path names

// Up to and including the last '/': "/a/b.txt" -> "/a/".
std::string ExtractFilePath(std::string_view FileName);
// The folder without its trailing '/', except for the root: "/a/b" -> "/a", "/b" -> "/".
std::string ExtractFileDir(std::string_view FileName);
// After the last '/'.
std::string ExtractFileName(std::string_view FileName);
// From the last '.' of the name part: "a.tar.gz" -> ".gz", "dir.x/file" -> "".
std::string ExtractFileExt(std::string_view FileName);
// Replaces that extension, or appends Extension when there is none.
std::string ChangeFileExt(std::string_view FileName, std::string_view Extension);
// Adds a '/' unless the name ends with one ("" becomes "/", as before).
std::string IncludeTrailingPathDelimiter(std::string_view Path);
// Removes one trailing '/'.
std::string ExcludeTrailingPathDelimiter(std::string_view Path);
// Dir joined with Name; Name itself when it is absolute or Dir is empty.
std::string PathJoin(std::string_view Dir, std::string_view Name);
// An absolute name with "." and ".." resolved by the text alone (links are
// not followed) and repeated '/' merged; relative names start from the
// current folder. "" stays "".
std::string ExpandFileName(std::string_view FileName);

// ---- Folder search

// Attribute bits as the search reports them.
constexpr int32_t faReadOnly = 0x01;  // not writable by this user
constexpr int32_t faHidden = 0x02;    // the name starts with '.' ("." and ".." excepted)
constexpr int32_t faSysFile = 0x04;   // never set here
constexpr int32_t faVolumeID = 0x08;  // never set here
constexpr int32_t faDirectory = 0x10;
constexpr int32_t faArchive = 0x20;  // regular files
constexpr int32_t faAnyFile = 0x3F;

struct TSearchState;

struct TSearchRec {
  TDateTime Time = 0;  // last modification, local time
  int64_t Size = 0;    // 0 for folders
  int32_t Attr = 0;
  std::string Name;
  int32_t ExcludeAttr = 0;
  std::shared_ptr<TSearchState> FindHandle;
};

// Searches Path ("folder/*.*", "folder/*.jpg", "*"): '*' and '?' match as
// wildcards and a mask ending in ".*" also matches names without a dot, so
// "*.*" matches everything. As before, an entry is reported when it has no
// attribute of faHidden, faSysFile, faVolumeID and faDirectory that Attr
// lacks: plain files always, folders and hidden entries only when asked.
// "." and ".." come first, the other entries sorted by name as the old file
// system returned them. Returns 0 for a match, otherwise an error number
// (ENOENT when nothing matches).
int FindFirst(const std::string& Path, int32_t Attr, TSearchRec& F);
// The next match: 0, or ENOENT when there are no more.
int FindNext(TSearchRec& F);
void FindClose(TSearchRec& F);

// ---- Changing the file system

bool DeleteFile(const std::string& FileName);
// Refuses to replace an existing NewName, as the platform's rename did.
bool RenameFile(const std::string& OldName, const std::string& NewName);
bool CreateDir(const std::string& Dir);
bool RemoveDir(const std::string& Dir);
// Creates Dir and every missing parent; true when the folder exists afterwards.
bool ForceDirectories(const std::string& Dir);

// ---- Temporary files

// $TMPDIR when it names a folder, else /tmp; with a trailing '/'.
std::string GetTempDir();

struct TTempFile {
  std::string FileName;
  int Handle = -1;  // open for reading and writing; the caller closes it
};
// A new file that nobody else can have opened: created with O_EXCL and mode
// 0600 in Dir (GetTempDir() when empty), named Prefix + random + Suffix.
// Raises EFCreateError.
TTempFile CreateExclusiveTempFile(const std::string& Dir = {}, const std::string& Prefix = "nbv",
                                  const std::string& Suffix = ".tmp");
// Creates exactly FileName with O_EXCL and mode 0600, failing when it
// exists (also as a link). Raises EFCreateError.
std::unique_ptr<THandleStream> CreateExclusiveFile(const std::string& FileName);

// Writes a file so that readers see the old content or the whole new one,
// never a part: the data go to a new temporary file beside the target, and
// Commit() syncs it and renames it over the target. Where the file system
// allows, the temporary file has no name until Commit() links it in, so a
// process killed while writing leaves nothing behind; elsewhere it is named
// as RemoveStaleTempFiles recognises. Without Commit() the temporary file is
// removed. A target that is a link is written through the link; an existing
// target's permissions are kept, a new one gets Mode less the umask.
class TAtomicFileWriter {
 public:
  explicit TAtomicFileWriter(const std::string& FileName, uint32_t Mode = 0666);
  ~TAtomicFileWriter();
  TAtomicFileWriter(const TAtomicFileWriter&) = delete;
  TAtomicFileWriter& operator=(const TAtomicFileWriter&) = delete;

  TStream* Stream() { return stream_.get(); }
  const std::string& FileName() const { return target_; }
  // The temporary file's name beside the target (for an unnamed one, the
  // name Commit() gives it on its way).
  const std::string& TempFileName() const { return temp_; }
  // Raises EWriteError when the data cannot be made durable or renamed; the
  // target is then untouched and the temporary file removed.
  void Commit();

 private:
  std::string target_;
  std::string temp_;
  uint32_t mode_;
  std::unique_ptr<THandleStream> stream_;
  bool committed_ = false;
  bool unnamed_ = false;  // O_TMPFILE: no name until Commit links one
  bool linked_ = false;
  bool LinkUnnamed(int Fd);
};

// Removes from Dir the temporary files of this program's atomic writers that
// a killed or crashed process left: those whose writing process no longer
// runs and that are older than this process. Answers how many went.
int RemoveStaleTempFiles(const std::string& Dir);
