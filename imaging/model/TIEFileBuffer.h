// The temporary file behind one image kept on disk: created exclusively in
// the temporary folder and unlinked at once (only its descriptor keeps it),
// read and written through memory copies of its areas ("mapped blocks").
// What it writes is encrypted (IEStorageCipher.h); areas never written read
// as zeros.
#pragma once

#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "imaging/model/IEStorageCipher.h"
#include "rtl/TObject.h"
#include "rtl/Wipe.h"

// Access bits of a mapped block (and of an image's rows).
constexpr uint8_t iedRead = 1;
constexpr uint8_t iedWrite = 2;

// The folder for temporary image files; empty means the system's.
const std::string& DefaultTempFolder();
void SetDefaultTempFolder(const std::string& Folder);

// Folder + Prefix + "-" + eight upper-case hex digits + ".tmp", drawn again
// while such a file exists.
// Bytes the temporary folder's file system has free for this user; 0 when it
// cannot be asked.
int64_t TempFolderFreeBytes();

std::string MakeUniqueTempFileName(const std::string& Prefix, const std::string& Folder);

class TIEFileBuffer : public TObject {
 public:
  TIEFileBuffer() = default;
  ~TIEFileBuffer() override;

  const std::string& FileName() const { return file_name_; }
  // Creates the file (never over an existing one) with Size bytes, all zero.
  // False when it cannot be created or sized.
  bool AllocateFile(const std::string& Prefix, int64_t Size);
  bool IsAllocated() const { return fd_ >= 0; }
  int64_t FileSize() const { return size_; }
  void SetFileSize(int64_t Size);
  void DeallocateFile();

  // A memory copy of Size bytes at Position, read from the file when Access
  // has iedRead; valid until unmapped.
  uint8_t* MapBlock(uint8_t Access, int64_t Position, int64_t Size);
  // Writes the block back when mapped with iedWrite, then releases it.
  void UnmapBlock(uint8_t* Block);
  int32_t FindBlock(const uint8_t* Block) const;
  void UnmapAll();
  // Copies Size bytes at Offset of this file into Dest's file at the same
  // offset; nothing unless both have a file. Dest keeps its file.
  void CopyTo(TIEFileBuffer* Dest, int64_t Offset, int64_t Size);

 private:
  struct MappedBlock {
    int64_t position;
    int64_t size;
    uint8_t access;
    // Plain rows of a file that holds them encrypted: wiped when released.
    TWipedBytes memory;
  };
  void ReadAt(int64_t Position, uint8_t* Data, int64_t Size);
  void WriteAt(int64_t Position, const uint8_t* Data, int64_t Size);

  // Marks [Position, Position + Size) as holding data.
  void MarkWritten(int64_t Position, int64_t Size);

  std::string file_name_;
  int fd_ = -1;
  std::unique_ptr<TIEStorageCipher> cipher_;
  // Written areas, start to end: the rest of the file is a hole of zeros,
  // which must not be taken for cipher text.
  std::map<int64_t, int64_t> written_;
  int64_t size_ = 0;
  std::list<MappedBlock> blocks_;
};
