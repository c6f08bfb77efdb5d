// A picture kept as the bytes of its file, as window descriptions store it,
// and decoded by the imaging library's readers. Any format they read will do.
#pragma once

#include <memory>
#include <string>

#include "panels/PictureObject.h"
#include "ui/TGraphic.h"

class TFilePicture : public TGraphic {
  RTL_CLASS(TFilePicture, TGraphic)
 public:
  TFilePicture();
  ~TFilePicture() override;

  bool Empty() override { return empty_; }
  int32_t Width() override;
  int32_t Height() override;
  void SetWidth(int32_t) override {}
  void SetHeight(int32_t) override {}
  // A file that cannot be read leaves the picture empty.
  void LoadFromFile(const std::string& FileName);
  void LoadFromStream(TStream* Stream) override;
  // Writes the stored file bytes unchanged.
  void SaveToStream(TStream* Stream) override;
  // The stored form of the picture: its file bytes.
  void ReadData(TStream* Stream) { LoadFromStream(Stream); }
  void WriteData(TStream* Stream) { SaveToStream(Stream); }
  const std::string& Data() const { return data_; }

 protected:
  // Decodes the stored bytes into the picture drawn.
  virtual void LoadPicture();
  // Forgets what was learnt from the bytes held before a new load.
  virtual void ForgetData() {}

  std::string data_;
  bool empty_ = true;
  std::unique_ptr<TPictureObject> picture_;
};
