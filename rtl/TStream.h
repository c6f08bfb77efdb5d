// Byte streams: the base class and its file, memory and string variants.
// Read and Write return how many bytes moved; ReadBuffer and WriteBuffer
// raise on a short transfer. Sizes and positions are 64-bit.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "rtl/TObject.h"

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

// File open modes; the share flags are accepted and ignored here.
constexpr uint16_t fmCreate = 0xFF00;
constexpr uint16_t fmOpenRead = 0x0000;
constexpr uint16_t fmOpenWrite = 0x0001;
constexpr uint16_t fmOpenReadWrite = 0x0002;
constexpr uint16_t fmShareCompat = 0x0000;
constexpr uint16_t fmShareExclusive = 0x0010;
constexpr uint16_t fmShareDenyWrite = 0x0020;
constexpr uint16_t fmShareDenyRead = 0x0030;
constexpr uint16_t fmShareDenyNone = 0x0040;

class TStream : public TObject {
  RTL_CLASS(TStream, TObject)
 public:
  virtual int64_t Read(void* Buffer, int64_t Count) = 0;
  virtual int64_t Write(const void* Buffer, int64_t Count) = 0;
  // Returns the new position; raises EStreamError for a position before 0.
  virtual int64_t Seek(int64_t Offset, TSeekOrigin Origin) = 0;

  int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(int64_t Pos) { Seek(Pos, soBeginning); }
  virtual int64_t Size();
  // Truncates or extends; the base raises EStreamError.
  virtual void SetSize(int64_t NewSize);

  void ReadBuffer(void* Buffer, int64_t Count);
  void WriteBuffer(const void* Buffer, int64_t Count);
  // Copies Count bytes from Source at its position; Count 0 copies all of
  // Source from its start. Returns the number of bytes copied.
  int64_t CopyFrom(TStream* Source, int64_t Count);
};

// A stream over an open file descriptor that it owns.
class THandleStream : public TStream {
  RTL_CLASS(THandleStream, TStream)
 public:
  explicit THandleStream(int Handle) : handle_(Handle) {}
  ~THandleStream() override;
  int Handle() const { return handle_; }
  int64_t Read(void* Buffer, int64_t Count) override;
  int64_t Write(const void* Buffer, int64_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  void SetSize(int64_t NewSize) override;

 protected:
  THandleStream() = default;
  int handle_ = -1;
};

class TFileStream : public THandleStream {
  RTL_CLASS(TFileStream, THandleStream)
 public:
  // Mode is fmCreate, or fmOpenRead/fmOpenWrite/fmOpenReadWrite with share
  // flags. Raises EFCreateError or EFOpenError naming the file and the cause.
  // A file opened for reading only must be a regular file (a pipe, device or
  // folder raises EFOpenError at once).
  TFileStream(const std::string& FileName, uint16_t Mode);
  const std::string& FileName() const { return file_name_; }

 private:
  std::string file_name_;
};

// A stream over a block of memory that somebody else manages.
class TCustomMemoryStream : public TStream {
  RTL_CLASS(TCustomMemoryStream, TStream)
 public:
  int64_t Read(void* Buffer, int64_t Count) override;
  int64_t Write(const void* Buffer, int64_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  int64_t Size() override { return size_; }
  void* Memory() const { return memory_; }
  void SaveToStream(TStream* Stream);
  void SaveToFile(const std::string& FileName);

 protected:
  void SetPointer(void* Ptr, int64_t Size);
  // Makes room for at least NewSize bytes; false when the memory cannot grow.
  virtual bool Reserve(int64_t NewSize) { return NewSize <= size_; }

  void* memory_ = nullptr;
  int64_t size_ = 0;
  int64_t position_ = 0;
};

// A growable stream in memory. Newly grown bytes read as zero.
class TMemoryStream : public TCustomMemoryStream {
  RTL_CLASS(TMemoryStream, TCustomMemoryStream)
 public:
  TMemoryStream() = default;
  ~TMemoryStream() override;
  void Clear();
  void SetSize(int64_t NewSize) override;
  void LoadFromStream(TStream* Stream);
  void LoadFromFile(const std::string& FileName);
  int64_t Capacity() const { return static_cast<int64_t>(buffer_.size()); }

 protected:
  bool Reserve(int64_t NewSize) override;

 private:
  std::vector<uint8_t> buffer_;
};

// A stream over a string of bytes.
class TStringStream : public TStream {
  RTL_CLASS(TStringStream, TStream)
 public:
  explicit TStringStream(std::string Data = {}) : data_(std::move(Data)) {}
  const std::string& DataString() const { return data_; }
  int64_t Read(void* Buffer, int64_t Count) override;
  int64_t Write(const void* Buffer, int64_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  int64_t Size() override { return static_cast<int64_t>(data_.size()); }
  void SetSize(int64_t NewSize) override;
  // Reads up to Count bytes as a string; WriteString appends at the position.
  std::string ReadString(int64_t Count);
  void WriteString(const std::string& Text);

 private:
  std::string data_;
  int64_t position_ = 0;
};
