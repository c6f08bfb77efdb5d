#include "rtl/TStream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "rtl/Exception.h"

RTL_DEFINE_CLASS(TStream, TObject)
RTL_DEFINE_CLASS(THandleStream, TStream)
RTL_DEFINE_CLASS(TFileStream, THandleStream)
RTL_DEFINE_CLASS(TCustomMemoryStream, TStream)
RTL_DEFINE_CLASS(TMemoryStream, TCustomMemoryStream)
RTL_DEFINE_CLASS(TStringStream, TStream)

namespace {
// Position arithmetic shared by the in-memory streams.
int64_t SeekWithin(int64_t position, int64_t size, int64_t offset, TSeekOrigin origin) {
  int64_t base = origin == soBeginning ? 0 : origin == soCurrent ? position : size;
  if ((offset > 0 && base > INT64_MAX - offset) || base + offset < 0)
    throw EStreamError("Invalid stream position");
  return base + offset;
}
}  // namespace

// ---- TStream

int64_t TStream::Size() {
  int64_t pos = Seek(0, soCurrent);
  int64_t size = Seek(0, soEnd);
  Seek(pos, soBeginning);
  return size;
}

void TStream::SetSize(int64_t) { throw EStreamError(ClassName() + " cannot change its size"); }

void TStream::ReadBuffer(void* Buffer, int64_t Count) {
  if (Count < 0) throw EReadError("Stream read error");
  auto* p = static_cast<uint8_t*>(Buffer);
  while (Count > 0) {
    int64_t n = Read(p, Count);
    if (n <= 0) throw EReadError("Stream read error");
    p += n;
    Count -= n;
  }
}

void TStream::WriteBuffer(const void* Buffer, int64_t Count) {
  if (Count < 0) throw EWriteError("Stream write error");
  auto* p = static_cast<const uint8_t*>(Buffer);
  while (Count > 0) {
    int64_t n = Write(p, Count);
    if (n <= 0) throw EWriteError("Stream write error");
    p += n;
    Count -= n;
  }
}

int64_t TStream::CopyFrom(TStream* Source, int64_t Count) {
  if (Count < 0) throw EReadError("Stream read error");
  if (Count == 0) {
    Source->SetPosition(0);
    Count = Source->Size();
  }
  constexpr int64_t kChunk = 1 << 16;
  std::vector<uint8_t> buffer(static_cast<size_t>(std::min(Count, kChunk)));
  int64_t done = 0;
  while (done < Count) {
    int64_t n = std::min(Count - done, kChunk);
    Source->ReadBuffer(buffer.data(), n);
    WriteBuffer(buffer.data(), n);
    done += n;
  }
  return done;
}

// ---- THandleStream

THandleStream::~THandleStream() {
  if (handle_ >= 0) ::close(handle_);
}

int64_t THandleStream::Read(void* Buffer, int64_t Count) {
  if (Count <= 0) return 0;
  auto* p = static_cast<uint8_t*>(Buffer);
  int64_t done = 0;
  while (done < Count) {
    ssize_t n = ::read(handle_, p + done, static_cast<size_t>(std::min<int64_t>(Count - done, 1 << 30)));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw EReadError(std::string("Stream read error: ") + std::strerror(errno));
    if (n == 0) break;
    done += n;
  }
  return done;
}

int64_t THandleStream::Write(const void* Buffer, int64_t Count) {
  if (Count <= 0) return 0;
  auto* p = static_cast<const uint8_t*>(Buffer);
  int64_t done = 0;
  while (done < Count) {
    ssize_t n = ::write(handle_, p + done, static_cast<size_t>(std::min<int64_t>(Count - done, 1 << 30)));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw EWriteError(std::string("Stream write error: ") + std::strerror(errno));
    if (n == 0) break;
    done += n;
  }
  return done;
}

int64_t THandleStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  int whence = Origin == soBeginning ? SEEK_SET : Origin == soCurrent ? SEEK_CUR : SEEK_END;
  off_t r = ::lseek(handle_, static_cast<off_t>(Offset), whence);
  if (r < 0) throw EStreamError(std::string("Stream seek error: ") + std::strerror(errno));
  return r;
}

void THandleStream::SetSize(int64_t NewSize) {
  if (NewSize < 0 || ::ftruncate(handle_, static_cast<off_t>(NewSize)) != 0)
    throw EStreamError(std::string("Stream size error: ") + std::strerror(errno));
  if (Position() > NewSize) Seek(NewSize, soBeginning);
}

// ---- TFileStream

TFileStream::TFileStream(const std::string& FileName, uint16_t Mode) : file_name_(FileName) {
  if ((Mode & 0xFF00) == fmCreate) {
    handle_ = ::open(FileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (handle_ < 0)
      throw EFCreateError("Cannot create file \"" + FileName + "\". " + std::strerror(errno));
    return;
  }
  int flags = (Mode & 3) == fmOpenWrite ? O_WRONLY : (Mode & 3) == fmOpenReadWrite ? O_RDWR : O_RDONLY;
  if (flags != O_RDONLY) {
    handle_ = ::open(FileName.c_str(), flags | O_CLOEXEC);
    if (handle_ < 0)
      throw EFOpenError("Cannot open file \"" + FileName + "\". " + std::strerror(errno));
    return;
  }
  // A file to read is a regular file: a pipe, a device or a folder is refused,
  // and opening one must not wait for a writer.
  handle_ = ::open(FileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (handle_ < 0)
    throw EFOpenError("Cannot open file \"" + FileName + "\". " + std::strerror(errno));
  struct stat st;
  const bool regular = ::fstat(handle_, &st) == 0 && S_ISREG(st.st_mode);
  const int fl = regular ? ::fcntl(handle_, F_GETFL) : -1;
  if (!regular || fl < 0 || ::fcntl(handle_, F_SETFL, fl & ~O_NONBLOCK) != 0) {
    const int err = errno;
    ::close(handle_);
    handle_ = -1;
    throw EFOpenError("Cannot open file \"" + FileName + "\". " +
                      (regular ? std::strerror(err) : "Not a regular file"));
  }
}

// ---- TCustomMemoryStream

void TCustomMemoryStream::SetPointer(void* Ptr, int64_t Size) {
  memory_ = Ptr;
  size_ = Size;
}

int64_t TCustomMemoryStream::Read(void* Buffer, int64_t Count) {
  if (Count <= 0 || position_ >= size_) return 0;
  int64_t n = std::min(Count, size_ - position_);
  std::memcpy(Buffer, static_cast<uint8_t*>(memory_) + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

int64_t TCustomMemoryStream::Write(const void* Buffer, int64_t Count) {
  if (Count <= 0) return 0;
  if (position_ > INT64_MAX - Count) return 0;
  int64_t end = position_ + Count;
  int64_t old_size = size_;
  if (end > size_ && !Reserve(end)) {
    // A fixed block takes what fits.
    if (position_ >= size_) return 0;
    Count = size_ - position_;
    end = size_;
  }
  // A write past the end leaves zeros in the gap, never stale bytes.
  if (position_ > old_size)
    std::memset(static_cast<uint8_t*>(memory_) + old_size, 0, static_cast<size_t>(position_ - old_size));
  std::memcpy(static_cast<uint8_t*>(memory_) + position_, Buffer, static_cast<size_t>(Count));
  position_ = end;
  return Count;
}

int64_t TCustomMemoryStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  position_ = SeekWithin(position_, size_, Offset, Origin);
  return position_;
}

void TCustomMemoryStream::SaveToStream(TStream* Stream) {
  if (size_ > 0) Stream->WriteBuffer(memory_, size_);
}

void TCustomMemoryStream::SaveToFile(const std::string& FileName) {
  TFileStream file(FileName, fmCreate);
  SaveToStream(&file);
}

// ---- TMemoryStream

TMemoryStream::~TMemoryStream() = default;

void TMemoryStream::Clear() {
  buffer_.clear();
  buffer_.shrink_to_fit();
  SetPointer(nullptr, 0);
  position_ = 0;
}

bool TMemoryStream::Reserve(int64_t NewSize) {
  if (NewSize > static_cast<int64_t>(buffer_.size())) {
    // Rounding up to whole pages must not wrap a size near the top.
    if (NewSize > static_cast<int64_t>(std::min<size_t>(buffer_.max_size(), INT64_MAX / 2)))
      throw EOutOfMemory("Out of memory while expanding memory stream");
    try {
      // Grow by a quarter at least, so that a run of small writes stays linear.
      int64_t want = std::max<int64_t>(NewSize, static_cast<int64_t>(buffer_.size()) * 5 / 4);
      buffer_.resize(static_cast<size_t>((want + 0xFFF) & ~int64_t{0xFFF}));
    } catch (const std::bad_alloc&) {
      throw EOutOfMemory("Out of memory while expanding memory stream");
    } catch (const std::length_error&) {
      throw EOutOfMemory("Out of memory while expanding memory stream");
    }
  }
  SetPointer(buffer_.data(), std::max(size_, NewSize));
  return true;
}

void TMemoryStream::SetSize(int64_t NewSize) {
  if (NewSize < 0) throw EStreamError("Invalid stream size");
  int64_t old = size_;
  if (NewSize > old) {
    Reserve(NewSize);
  } else {
    SetPointer(buffer_.data(), NewSize);
  }
  // Bytes beyond the old end read as zero, also after an earlier shrink.
  if (NewSize > old)
    std::memset(buffer_.data() + old, 0, static_cast<size_t>(NewSize - old));
  if (position_ > NewSize) position_ = NewSize;
}

void TMemoryStream::LoadFromStream(TStream* Stream) {
  Stream->SetPosition(0);
  int64_t n = Stream->Size();
  SetSize(n);
  if (n > 0) Stream->ReadBuffer(memory_, n);
  position_ = 0;
}

void TMemoryStream::LoadFromFile(const std::string& FileName) {
  TFileStream file(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&file);
}

// ---- TStringStream

int64_t TStringStream::Read(void* Buffer, int64_t Count) {
  const auto size = static_cast<int64_t>(data_.size());
  if (Count <= 0 || position_ >= size) return 0;
  int64_t n = std::min(Count, size - position_);
  std::memcpy(Buffer, data_.data() + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

int64_t TStringStream::Write(const void* Buffer, int64_t Count) {
  if (Count <= 0) return 0;
  // A position far past the end must neither wrap around nor escape as a
  // library exception.
  if (position_ > static_cast<int64_t>(data_.max_size()) - Count)
    throw EOutOfMemory("Out of memory while expanding string stream");
  if (position_ + Count > static_cast<int64_t>(data_.size())) {
    try {
      data_.resize(static_cast<size_t>(position_ + Count));
    } catch (const std::bad_alloc&) {
      throw EOutOfMemory("Out of memory while expanding string stream");
    }
  }
  std::memcpy(data_.data() + position_, Buffer, static_cast<size_t>(Count));
  position_ += Count;
  return Count;
}

int64_t TStringStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  position_ = SeekWithin(position_, static_cast<int64_t>(data_.size()), Offset, Origin);
  return position_;
}

void TStringStream::SetSize(int64_t NewSize) {
  if (NewSize < 0) throw EStreamError("Invalid stream size");
  data_.resize(static_cast<size_t>(NewSize));
  if (position_ > NewSize) position_ = NewSize;
}

std::string TStringStream::ReadString(int64_t Count) {
  int64_t n = std::max<int64_t>(0, std::min(Count, static_cast<int64_t>(data_.size()) - position_));
  if (n == 0) return {};  // also at a position past the end
  std::string out = data_.substr(static_cast<size_t>(position_), static_cast<size_t>(n));
  position_ += n;
  return out;
}

void TStringStream::WriteString(const std::string& Text) {
  Write(Text.data(), static_cast<int64_t>(Text.size()));
}
