// Pictures of the panel mark-up: THTMLPicture (a picture found by address
// in a cache, or by name in a picture container), the cache, the container
// and the download thread, which has nothing to download on this system.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "panels/PictureObject.h"
#include "panels/TFilePicture.h"
#include "rtl/TCollection.h"
#include "rtl/TComponent.h"
#include "rtl/TThread.h"
#include "ui/TGraphic.h"

using TDownloadErrorEvent = std::function<void(TObject* Sender, const std::string& err)>;
using TDownloadCompleteEvent = std::function<void(TObject* Sender)>;
using TDownloadCancelEvent = std::function<void(TObject* Sender, bool& Cancel)>;
using TDownloadProgressEvent = std::function<void(TObject* Sender, uint32_t dwSize, uint32_t dwTotSize)>;

class THTMLPicture : public TFilePicture {
  RTL_CLASS(THTMLPicture, TFilePicture)
 public:
  THTMLPicture();
  ~THTMLPicture() override;

  void Assign(TPersistent* Source) override;
  // Loads the program's embedded data resource of that name; an unknown
  // name loads nothing. The module argument is kept for the callers' sake.
  void LoadFromResource(const void* Instance, const std::string& Name);
  // "RES://name" and "FILE://path" load; any other address is only noted.
  void SetURL(const std::string& Address);

  bool Stretch() const { return stretch_; }
  void SetStretch(bool v) { stretch_ = v; }
  // The frame of an animation that is shown, from 1.
  int32_t Frame() const { return frame_; }
  void SetFrame(int32_t Value);
  // Frames of a GIF; -1 for other data.
  int32_t FrameCount();
  bool IsGIF() const;
  // The logical screen and the shown frame's place, as the GIF reader found
  // them.
  const TGifFrameInfo& GifInfo() const { return gif_; }

  std::string ID;
  std::string URL;
  bool Asynch = true;
  bool ThreadBusy = false;

  TNotifyEvent OnFrameChange;
  // Published for the mark-up's users; nothing downloads, so none fires.
  TDownloadErrorEvent OnDownLoadError;
  TDownloadCompleteEvent OnDownLoadComplete;
  TDownloadCancelEvent OnDownLoadCancel;
  TDownloadProgressEvent OnDownLoadProgress;

  void Draw(TCanvas* Canvas, const TRect& Rect) override;

 private:
  void LoadPicture() override;
  void ForgetData() override { frameCount_ = -1; }
  void ResetFrames();
  bool stretch_ = false;
  int32_t frame_ = 1;
  int32_t frameCount_ = -1;
  TGifFrameInfo gif_;
};

// Pictures by address; it keeps the pictures it made.
class THTMLPictureCache {
 public:
  // A new empty picture at the end.
  THTMLPicture* AddPicture();
  // The first picture whose ID is Address exactly, or null.
  THTMLPicture* FindPicture(const std::string& Address) const;
  THTMLPicture* GetPicture(int32_t Index) const { return pictures_.at(size_t(Index)).get(); }
  int32_t Count() const { return int32_t(pictures_.size()); }
  void ClearPictures() { pictures_.clear(); }

 private:
  std::vector<std::unique_ptr<THTMLPicture>> pictures_;
};

class TPictureItem : public TCollectionItem {
  RTL_CLASS(TPictureItem, TCollectionItem)
 public:
  explicit TPictureItem(TCollection* Collection = nullptr);
  ~TPictureItem() override;
  void Assign(TPersistent* Source) override;
  THTMLPicture* Picture() const { return picture_.get(); }
  void SetPicture(THTMLPicture* v) { picture_->Assign(v); }
  const std::string& Name() const { return name_; }
  void SetName(const std::string& v) { name_ = v; }
  int32_t Tag() const { return tag_; }
  void SetTag(int32_t v) { tag_ = v; }

 private:
  std::unique_ptr<THTMLPicture> picture_;
  std::string name_;
  int32_t tag_ = 0;
};

class TPictureCollection : public TCollection {
  RTL_CLASS(TPictureCollection, TCollection)
 public:
  explicit TPictureCollection(TComponent* Owner = nullptr)
      : TCollection(TPictureItem::StaticClass(), Owner), owner_(Owner) {}
  TPictureItem* Items(int Index) const { return static_cast<TPictureItem*>(TCollection::Items(Index)); }
  TPictureItem* Add() { return static_cast<TPictureItem*>(TCollection::Add()); }
  TComponent* OwnerComponent() const { return owner_; }

 private:
  TComponent* owner_;
};

class TPictureContainer : public TComponent {
  RTL_CLASS(TPictureContainer, TComponent)
 public:
  explicit TPictureContainer(TComponent* AOwner);
  ~TPictureContainer() override;
  TPictureCollection* Items() const { return items_.get(); }
  // Copies the items given (the container keeps its own collection).
  void SetItems(TPictureCollection* v) { items_->Assign(v); }
  std::string Version() const;
  // Stored forms carry the version; reading one back changes nothing.
  void SetVersion(const std::string&) {}
  // The picture of the first item named Name, the letters a to z compared
  // without regard to case; null when none.
  virtual THTMLPicture* FindPicture(const std::string& Name);

 private:
  std::unique_ptr<TPictureCollection> items_;
};

// Started for a picture whose address is to be downloaded; this system
// downloads nothing, so it ends at once and frees itself.
class TDownLoadThread : public TThread {
  RTL_CLASS(TDownLoadThread, TThread)
 public:
  explicit TDownLoadThread(THTMLPicture* Picture);

 protected:
  void Execute() override {}

 private:
  THTMLPicture* picture_;
};
