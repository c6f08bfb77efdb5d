#include "imaging/model/TIEFileBuffer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include "rtl/Exception.h"

namespace {
std::string& TempFolderSetting() {
  static std::string folder;
  return folder;
}

std::string SystemTempFolder() {
  const char* dir = std::getenv("TMPDIR");
  std::string folder = dir && *dir ? dir : "/tmp";
  if (folder.back() != '/') folder += '/';
  return folder;
}
}  // namespace

const std::string& DefaultTempFolder() { return TempFolderSetting(); }
void SetDefaultTempFolder(const std::string& Folder) { TempFolderSetting() = Folder; }

int64_t TempFolderFreeBytes() {
  const std::string& folder = DefaultTempFolder().empty() ? SystemTempFolder() : DefaultTempFolder();
  struct statvfs st;
  if (::statvfs(folder.c_str(), &st) != 0) return 0;
  return static_cast<int64_t>(st.f_bavail) * static_cast<int64_t>(st.f_frsize);
}

std::string MakeUniqueTempFileName(const std::string& Prefix, const std::string& Folder) {
  static thread_local std::mt19937 rng{std::random_device{}()};
  std::string folder = Folder.empty() ? SystemTempFolder() : Folder;
  if (folder.back() != '/') folder += '/';
  std::uniform_int_distribution<uint32_t> pick(0, 2147483646);
  for (;;) {
    char digits[9];
    std::snprintf(digits, sizeof digits, "%08X", pick(rng));
    std::string name = folder + Prefix + "-" + digits + ".tmp";
    struct stat st;
    if (::lstat(name.c_str(), &st) != 0) return name;
  }
}

TIEFileBuffer::~TIEFileBuffer() { DeallocateFile(); }

bool TIEFileBuffer::AllocateFile(const std::string& Prefix, int64_t Size) {
  DeallocateFile();
  if (Size < 0) return false;
  // A file the folder cannot hold would fill the disk half-way through the
  // image: refused before anything is written.
  if (Size > 0 && Size > TempFolderFreeBytes()) return false;
  // O_EXCL: a name that somebody else created meanwhile is never opened.
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = MakeUniqueTempFileName(Prefix, DefaultTempFolder());
    int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return false;
    }
    if (::ftruncate(fd, static_cast<off_t>(Size)) != 0) {
      ::close(fd);
      ::unlink(name.c_str());
      return false;
    }
    // The name goes at once: the open descriptor keeps the data, and the
    // kernel frees it when the descriptor closes, also if the program dies.
    ::unlink(name.c_str());
    cipher_ = std::make_unique<TIEStorageCipher>();
    written_.clear();
    fd_ = fd;
    file_name_ = name;
    size_ = Size;
    return true;
  }
  return false;
}

void TIEFileBuffer::SetFileSize(int64_t Size) {
  if (fd_ < 0 || Size < 0) return;
  if (::ftruncate(fd_, static_cast<off_t>(Size)) != 0)
    throw EWriteError(std::string("Cannot size temporary file: ") + std::strerror(errno));
  size_ = Size;
  // Data cut off is gone; if the file grows again, the area is a hole.
  for (auto it = written_.lower_bound(Size); it != written_.end();) it = written_.erase(it);
  if (!written_.empty()) {
    auto last = std::prev(written_.end());
    if (last->second > Size) last->second = Size;
  }
}

void TIEFileBuffer::DeallocateFile() {
  if (fd_ < 0) return;
  UnmapAll();
  ::close(fd_);
  fd_ = -1;
  size_ = 0;
  cipher_.reset();
  written_.clear();
  file_name_.clear();
}

void TIEFileBuffer::MarkWritten(int64_t Position, int64_t Size) {
  int64_t start = Position, end = Position + Size;
  auto it = written_.upper_bound(start);
  if (it != written_.begin()) {
    auto before = std::prev(it);
    if (before->second >= start) {
      start = before->first;
      end = std::max(end, before->second);
      it = written_.erase(before);
    }
  }
  while (it != written_.end() && it->first <= end) {
    end = std::max(end, it->second);
    it = written_.erase(it);
  }
  written_.emplace(start, end);
}

void TIEFileBuffer::ReadAt(int64_t Position, uint8_t* Data, int64_t Size) {
  const int64_t end = Position + Size;
  int64_t at = Position;
  auto it = written_.upper_bound(at);
  if (it != written_.begin() && std::prev(it)->second > at) --it;
  while (at < end) {
    // A hole (never written) up to the next written area: zeros.
    const int64_t hole_end = it == written_.end() ? end : std::min(end, std::max(at, it->first));
    if (hole_end > at) {
      std::fill(Data + (at - Position), Data + (hole_end - Position), uint8_t{0});
      at = hole_end;
      continue;
    }
    const int64_t data_end = std::min(end, it->second);
    const int64_t from = at;
    while (at < data_end) {
      ssize_t n = ::pread(fd_, Data + (at - Position), static_cast<size_t>(data_end - at), static_cast<off_t>(at));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) throw EReadError(std::string("Stream read error: ") + std::strerror(errno));
      if (n == 0) {  // beyond the end of the file: zeros
        std::fill(Data + (at - Position), Data + (data_end - Position), uint8_t{0});
        break;
      }
      at += n;
    }
    const int64_t got = at - from;
    cipher_->Apply(from, Data + (from - Position), Data + (from - Position), got);
    at = data_end;
    ++it;
  }
}

void TIEFileBuffer::WriteAt(int64_t Position, const uint8_t* Data, int64_t Size) {
  // Encrypted through a bounded buffer: the caller's block stays plain.
  std::vector<uint8_t> cipher_text(static_cast<size_t>(std::min<int64_t>(Size, 0x100000)));
  int64_t done = 0;
  while (done < Size) {
    const int64_t chunk = std::min<int64_t>(Size - done, static_cast<int64_t>(cipher_text.size()));
    cipher_->Apply(Position + done, Data + done, cipher_text.data(), chunk);
    int64_t put = 0;
    while (put < chunk) {
      ssize_t n = ::pwrite(fd_, cipher_text.data() + put, static_cast<size_t>(chunk - put),
                           static_cast<off_t>(Position + done + put));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) throw EWriteError(std::string("Stream write error: ") + std::strerror(errno));
      put += n;
    }
    MarkWritten(Position + done, chunk);
    done += chunk;
  }
}

uint8_t* TIEFileBuffer::MapBlock(uint8_t Access, int64_t Position, int64_t Size) {
  if (fd_ < 0 || Size < 0 || Position < 0) return nullptr;
  MappedBlock block{Position, Size, Access, {}};
  try {
    block.memory.resize(static_cast<size_t>(std::max<int64_t>(Size, 1)));
  } catch (const std::bad_alloc&) {
    throw EOutOfMemory("Out of memory");
  }
  if (Access & iedRead) ReadAt(Position, block.memory.data(), Size);
  blocks_.push_back(std::move(block));
  return blocks_.back().memory.data();
}

int32_t TIEFileBuffer::FindBlock(const uint8_t* Block) const {
  int32_t i = 0;
  for (const MappedBlock& b : blocks_) {
    if (b.memory.data() == Block) return i;
    ++i;
  }
  return -1;
}

void TIEFileBuffer::UnmapBlock(uint8_t* Block) {
  auto it = std::find_if(blocks_.begin(), blocks_.end(),
                         [&](const MappedBlock& b) { return b.memory.data() == Block; });
  if (it == blocks_.end()) return;
  MappedBlock block = std::move(*it);
  blocks_.erase(it);
  if (block.access & iedWrite) WriteAt(block.position, block.memory.data(), block.size);
}

void TIEFileBuffer::UnmapAll() {
  while (!blocks_.empty()) UnmapBlock(blocks_.back().memory.data());
}

void TIEFileBuffer::CopyTo(TIEFileBuffer* Dest, int64_t Offset, int64_t Size) {
  if (!Dest || fd_ < 0 || Dest->fd_ < 0 || Size <= 0 || Offset < 0) return;
  UnmapAll();
  Dest->UnmapAll();
  // Copied through one buffer into Dest's own file, which stays in place:
  // nothing of Dest is deleted before the data is there.
  if (Offset + Size > Dest->size_) Dest->SetFileSize(Offset + Size);
  std::vector<uint8_t> buffer(static_cast<size_t>(std::min<int64_t>(Size, 0x100000)));
  for (int64_t done = 0; done < Size;) {
    int64_t n = std::min<int64_t>(Size - done, static_cast<int64_t>(buffer.size()));
    ReadAt(Offset + done, buffer.data(), n);
    Dest->WriteAt(Offset + done, buffer.data(), n);
    done += n;
  }
}
