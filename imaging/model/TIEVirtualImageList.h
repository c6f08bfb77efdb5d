// TIEVirtualImageList: many images in one growing temporary file, as the
// thumbnail view keeps them. Each image has an area of the file; at most
// MaxLoaded are held in memory, released least recently used first; an image
// can be lent out as a shared TIEBitmap and written back.
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "imaging/model/IEPixelTypes.h"
#include "imaging/model/TIEFileBuffer.h"
#include "rtl/TObject.h"

class TIEBaseBitmap;
class TIEBitmap;

// One stored image; callers hold it as the image's handle.
struct TIEVirtualImageEntry {
  int64_t Position = 0;
  int64_t AreaSize = 0;
  int64_t MapSize = 0;
  uint8_t* Block = nullptr;  // while loaded
  bool InUse = false;        // a shared bitmap is lent out
  int32_t SourceWidth = 0, SourceHeight = 0;
  bool HasAlpha = false;
  uint8_t Access = 0;
  int32_t Width = 0, Height = 0, BitCount = 0;
  TIEPixelFormat PixelFormat = ieNoFormat;
};

class TIEVirtualImageList : public TObject {
 public:
  explicit TIEVirtualImageList(const std::string& Prefix);
  ~TIEVirtualImageList() override;

  // Stores a copy; null when no entry could be made.
  TIEVirtualImageEntry* AddBitmap(TIEBaseBitmap* Image);
  // The stored image, shared per entry and counted; null when it cannot be
  // loaded. 1-bit images come back ieMono1, all others ieRGB24.
  TIEBitmap* GetBitmap(TIEVirtualImageEntry* Entry);
  // Returns a bitmap from GetBitmap; WriteBack stores its pixels first.
  void ReleaseBitmap(TIEBitmap* Bitmap, bool WriteBack);
  void ReleaseBitmapOfEntry(TIEVirtualImageEntry* Entry, bool WriteBack);

  int32_t GetImageWidth(TIEVirtualImageEntry* Entry);
  int32_t GetImageHeight(TIEVirtualImageEntry* Entry);
  int32_t GetImageBitCount(TIEVirtualImageEntry* Entry);
  TIEPixelFormat GetImagePixelFormat(TIEVirtualImageEntry* Entry);
  int32_t GetSourceWidth(TIEVirtualImageEntry* Entry) const { return Entry->SourceWidth; }
  int32_t GetSourceHeight(TIEVirtualImageEntry* Entry) const { return Entry->SourceHeight; }
  void SetSourceWidth(TIEVirtualImageEntry* Entry, int32_t Value) { Entry->SourceWidth = Value; }
  void SetSourceHeight(TIEVirtualImageEntry* Entry, int32_t Value) { Entry->SourceHeight = Value; }
  // The rows, bottom row first.
  uint8_t* GetImageBits(TIEVirtualImageEntry* Entry);
  // The alpha rows, bottom row first; null without (or with a full) alpha.
  uint8_t* GetImageAlphaBits(TIEVirtualImageEntry* Entry);

  void Delete(TIEVirtualImageEntry* Entry);
  void Clear();

  int32_t ImageCount() const { return static_cast<int32_t>(images_.size()); }
  TIEVirtualImageEntry* Image(int32_t Index) const { return images_[Index].get(); }
  int32_t LoadedCount() const { return static_cast<int32_t>(loaded_.size()); }
  bool IsLoaded(const TIEVirtualImageEntry* Entry) const { return Entry->Block != nullptr; }
  int64_t FileSize() const { return file_size_; }
  int64_t GrowStep() const { return grow_step_; }
  int64_t EndPosition() const { return end_position_; }
  int32_t MaxLoaded = 10;

 private:
  struct FreeArea {
    int64_t position;
    int64_t size;
  };
  struct Shared {
    TIEVirtualImageEntry* entry;
    std::unique_ptr<TIEBitmap> bitmap;
    int32_t count;
  };
  void Reset();
  // Finds or makes an area for Need bytes and fills the entry's geometry;
  // the entry is then loaded for writing.
  bool Store(TIEVirtualImageEntry* Entry, int32_t Width, int32_t Height, int32_t BitCount,
             TIEPixelFormat Format, bool HasAlpha);
  bool Load(TIEVirtualImageEntry* Entry, uint8_t Access);
  void Release(TIEVirtualImageEntry* Entry);
  void WriteRows(TIEVirtualImageEntry* Entry, TIEBaseBitmap* Image);
  Shared* FindShared(const TIEVirtualImageEntry* Entry);
  Shared* FindShared(const TIEBitmap* Bitmap);

  std::string prefix_;
  TIEFileBuffer file_buffer_;
  int64_t file_size_ = 0x40000;
  int64_t grow_step_ = 0x40000;
  int64_t last_size_ = 0;
  int64_t end_position_ = 0;
  std::vector<std::unique_ptr<TIEVirtualImageEntry>> images_;
  std::vector<FreeArea> free_areas_;
  std::list<TIEVirtualImageEntry*> loaded_;  // least recently used first
  std::vector<Shared> shared_;
};
