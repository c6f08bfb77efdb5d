#include "imaging/model/TIEVirtualImageList.h"

#include <algorithm>
#include <cstring>

#include "imaging/model/IEBitRoutines.h"
#include "imaging/model/TIEBitmap.h"

namespace {
int64_t RowBytes(int32_t Width, int32_t BitCount) { return AlignedRowLength(Width, BitCount, 32); }
}  // namespace

TIEVirtualImageList::TIEVirtualImageList(const std::string& Prefix) : prefix_(Prefix) { Reset(); }

TIEVirtualImageList::~TIEVirtualImageList() { Clear(); }

void TIEVirtualImageList::Reset() {
  while (!loaded_.empty()) Release(loaded_.front());
  if (file_buffer_.IsAllocated())
    file_buffer_.SetFileSize(file_size_);
  else
    file_buffer_.AllocateFile(prefix_, file_size_);
  free_areas_.clear();
}

bool TIEVirtualImageList::Store(TIEVirtualImageEntry* Entry, int32_t Width, int32_t Height,
                                int32_t BitCount, TIEPixelFormat Format, bool HasAlpha) {
  if (!file_buffer_.IsAllocated()) Reset();  // after Clear
  int64_t need = RowBytes(Width, BitCount) * Height;
  if (HasAlpha) need += RowBytes(Width, 8) * Height + 1;
  bool appended = false;
  auto fit = std::find_if(free_areas_.begin(), free_areas_.end(),
                          [&](const FreeArea& a) { return a.size >= need; });
  if (fit != free_areas_.end()) {
    Entry->Position = fit->position;  // the rest of the area is not kept
    free_areas_.erase(fit);
  } else {
    if (need > grow_step_) grow_step_ = need + last_size_;
    last_size_ = need;
    if (end_position_ + need > file_size_) {
      file_size_ += grow_step_;
      Reset();
    }
    Entry->Position = end_position_;
    appended = true;
  }
  Entry->AreaSize = Entry->MapSize = need;
  Entry->Width = Width;
  Entry->Height = Height;
  Entry->SourceWidth = Width;
  Entry->SourceHeight = Height;
  Entry->HasAlpha = HasAlpha;
  Entry->BitCount = BitCount;
  Entry->PixelFormat = Format;
  Entry->InUse = false;
  if (!Load(Entry, iedWrite)) return false;
  if (appended) end_position_ += need;
  return true;
}

bool TIEVirtualImageList::Load(TIEVirtualImageEntry* Entry, uint8_t Access) {
  if (Entry->Block && Entry->Access != Access) Release(Entry);
  if (Entry->Block) {
    loaded_.remove(Entry);
    loaded_.push_back(Entry);
    return true;
  }
  while (!loaded_.empty() && MaxLoaded < LoadedCount() + 1) Release(loaded_.front());
  if (!file_buffer_.IsAllocated() || Entry->MapSize <= 0) return false;
  Entry->Block = file_buffer_.MapBlock(Access, Entry->Position, Entry->MapSize);
  if (!Entry->Block) return false;
  Entry->Access = Access;
  loaded_.push_back(Entry);
  return true;
}

void TIEVirtualImageList::Release(TIEVirtualImageEntry* Entry) {
  if (!Entry->Block) return;
  file_buffer_.UnmapBlock(Entry->Block);  // written back when mapped for writing
  Entry->Block = nullptr;
  Entry->Access = 0;
  loaded_.remove(Entry);
}

void TIEVirtualImageList::WriteRows(TIEVirtualImageEntry* Entry, TIEBaseBitmap* Image) {
  const int64_t row = RowBytes(Entry->Width, Entry->BitCount);
  const int64_t n = std::min(row, Image->GetRowLen());
  uint8_t* p = Entry->Block;
  for (int32_t i = 0; i < Entry->Height; ++i, p += row)
    std::memcpy(p, Image->GetScanline(Entry->Height - 1 - i), static_cast<size_t>(n));
  auto* bitmap = dynamic_cast<TIEBitmap*>(Image);
  if (Entry->HasAlpha && bitmap && bitmap->HasAlphaChannel()) {
    TIEBitmap* alpha = bitmap->GetAlphaChannel();
    *p++ = alpha->Full ? 1 : 0;
    const int64_t arow = RowBytes(Entry->Width, 8);
    for (int32_t i = 0; i < Entry->Height; ++i, p += arow)
      std::memcpy(p, alpha->GetScanline(Entry->Height - 1 - i),
                  static_cast<size_t>(std::min(arow, alpha->RowLen())));
    alpha->UnmapRows();
  }
  if (bitmap) bitmap->UnmapRows();
}

TIEVirtualImageEntry* TIEVirtualImageList::AddBitmap(TIEBaseBitmap* Image) {
  if (!Image || Image->GetWidth() <= 0 || Image->GetHeight() <= 0) return nullptr;
  auto* bitmap = dynamic_cast<TIEBitmap*>(Image);
  const bool alpha = bitmap && bitmap->HasAlphaChannel();
  images_.push_back(std::make_unique<TIEVirtualImageEntry>());
  TIEVirtualImageEntry* e = images_.back().get();
  if (Store(e, Image->GetWidth(), Image->GetHeight(), Image->GetBitCount(), Image->GetPixelFormat(),
            alpha))
    WriteRows(e, Image);
  return e;
}

TIEVirtualImageList::Shared* TIEVirtualImageList::FindShared(const TIEVirtualImageEntry* Entry) {
  for (Shared& s : shared_)
    if (s.entry == Entry) return &s;
  return nullptr;
}

TIEVirtualImageList::Shared* TIEVirtualImageList::FindShared(const TIEBitmap* Bitmap) {
  for (Shared& s : shared_)
    if (s.bitmap.get() == Bitmap) return &s;
  return nullptr;
}

TIEBitmap* TIEVirtualImageList::GetBitmap(TIEVirtualImageEntry* Entry) {
  if (!Load(Entry, iedRead)) return nullptr;
  if (Shared* s = FindShared(Entry)) {
    ++s->count;
    return s->bitmap.get();
  }
  shared_.push_back({Entry, std::make_unique<TIEBitmap>(), 1});
  TIEBitmap* b = shared_.back().bitmap.get();
  const TIEPixelFormat f = Entry->BitCount == 1 ? ieMono1 : ieRGB24;
  b->Allocate(Entry->Width, Entry->Height, f);
  const int64_t row = RowBytes(Entry->Width, Entry->BitCount);
  const int64_t n = std::min(row, b->RowLen());
  const uint8_t* p = Entry->Block;
  for (int32_t i = 0; i < Entry->Height; ++i, p += row)
    std::memcpy(b->GetScanline(Entry->Height - 1 - i), p, static_cast<size_t>(n));
  if (!Entry->HasAlpha || *p != 0) {
    b->RemoveAlphaChannel();
  } else {
    ++p;
    TIEBitmap* a = b->GetAlphaChannel();
    a->Full = false;
    const int64_t arow = RowBytes(Entry->Width, 8);
    for (int32_t i = 0; i < Entry->Height; ++i, p += arow)
      std::memcpy(a->GetScanline(Entry->Height - 1 - i), p, static_cast<size_t>(std::min(arow, a->RowLen())));
    a->UnmapRows();
  }
  b->UnmapRows();
  Entry->InUse = true;
  return b;
}

void TIEVirtualImageList::ReleaseBitmap(TIEBitmap* Bitmap, bool WriteBack) {
  Shared* s = Bitmap ? FindShared(Bitmap) : nullptr;
  if (!s) return;
  TIEVirtualImageEntry* e = s->entry;
  --s->count;
  if (WriteBack && Load(e, iedRead | iedWrite)) {
    const bool alpha = Bitmap->HasAlphaChannel();
    if (Bitmap->Width() != e->Width || Bitmap->Height() != e->Height ||
        Bitmap->BitCount() != e->BitCount || alpha != e->HasAlpha) {
      // A new area; the old one is abandoned.
      Release(e);
      if (!Store(e, Bitmap->Width(), Bitmap->Height(), Bitmap->BitCount(), Bitmap->PixelFormat(),
                 alpha))
        e = nullptr;
      else
        Load(e, iedRead | iedWrite);
      if (e) e->InUse = true;  // still lent until the last release
    }
    if (e) WriteRows(e, Bitmap);
  }
  s = FindShared(Bitmap);
  if (s && s->count <= 0) {
    s->entry->InUse = false;
    shared_.erase(shared_.begin() + (s - shared_.data()));
  }
}

void TIEVirtualImageList::ReleaseBitmapOfEntry(TIEVirtualImageEntry* Entry, bool WriteBack) {
  if (Shared* s = FindShared(Entry)) ReleaseBitmap(s->bitmap.get(), WriteBack);
}

int32_t TIEVirtualImageList::GetImageWidth(TIEVirtualImageEntry* Entry) {
  Shared* s = Entry->InUse ? FindShared(Entry) : nullptr;
  return s ? s->bitmap->Width() : Entry->Width;
}

int32_t TIEVirtualImageList::GetImageHeight(TIEVirtualImageEntry* Entry) {
  Shared* s = Entry->InUse ? FindShared(Entry) : nullptr;
  return s ? s->bitmap->Height() : Entry->Height;
}

int32_t TIEVirtualImageList::GetImageBitCount(TIEVirtualImageEntry* Entry) {
  Shared* s = Entry->InUse ? FindShared(Entry) : nullptr;
  return s ? s->bitmap->BitCount() : Entry->BitCount;
}

TIEPixelFormat TIEVirtualImageList::GetImagePixelFormat(TIEVirtualImageEntry* Entry) {
  Shared* s = Entry->InUse ? FindShared(Entry) : nullptr;
  return s ? s->bitmap->PixelFormat() : Entry->PixelFormat;
}

uint8_t* TIEVirtualImageList::GetImageBits(TIEVirtualImageEntry* Entry) {
  if (Shared* s = Entry->InUse ? FindShared(Entry) : nullptr)
    return s->bitmap->GetScanline(s->bitmap->Height() - 1);
  return Load(Entry, iedRead) ? Entry->Block : nullptr;
}

uint8_t* TIEVirtualImageList::GetImageAlphaBits(TIEVirtualImageEntry* Entry) {
  if (!Entry->HasAlpha) return nullptr;
  if (Shared* s = Entry->InUse ? FindShared(Entry) : nullptr) {
    if (!s->bitmap->HasAlphaChannel()) return nullptr;
    TIEBitmap* a = s->bitmap->GetAlphaChannel();
    return a->GetScanline(a->Height() - 1);
  }
  if (!Load(Entry, iedRead)) return nullptr;
  uint8_t* full = Entry->Block + RowBytes(Entry->Width, Entry->BitCount) * Entry->Height;
  return *full == 0 ? full + 1 : nullptr;
}

void TIEVirtualImageList::Delete(TIEVirtualImageEntry* Entry) {
  auto it = std::find_if(images_.begin(), images_.end(),
                         [&](const auto& e) { return e.get() == Entry; });
  if (it == images_.end()) return;
  free_areas_.push_back({Entry->Position, Entry->AreaSize});
  shared_.erase(std::remove_if(shared_.begin(), shared_.end(),
                               [&](const Shared& s) { return s.entry == Entry; }),
                shared_.end());
  Release(Entry);
  images_.erase(it);
  if (images_.empty()) {
    file_size_ = grow_step_;
    end_position_ = 0;
    Reset();
  }
}

void TIEVirtualImageList::Clear() {
  while (!loaded_.empty()) Release(loaded_.front());
  shared_.clear();
  images_.clear();
  free_areas_.clear();
  file_buffer_.DeallocateFile();
  end_position_ = 0;
}
